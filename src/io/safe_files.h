#pragma once
// Writing the files a user keeps without ever losing one: a new file is written where no one
// sees it and takes its name only when it is complete; several files take their names together
// or not at all, even when the program is killed on the way; and two copies of the program
// never write or read the same stored database at the same time.
//
// Every name this layer makes for itself in a folder begins with ".pelvaro-" and is short,
// whatever the length of the target's name.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "io/file_stream.h"

namespace pelvaro::io {

// One file to take another's name: `temporary` is renamed over `target`.
struct Replacement {
    std::string temporary;
    std::string target;
};

// Renames every temporary over its target as one step. Either every target takes its new file,
// or, when a rename fails, the targets renamed before it get their former files back (kept
// until then under a second name, which costs no room on the disk; a target that had no file
// is removed again) and the error ("Cannot create file" with the target) is rethrown. Several
// targets are written down in a journal beside the first one before anything is renamed, so a
// run killed on the way is put back by the next tidyFolder() of that folder. A former file that
// could not be kept (a file system without links) cannot come back: that target keeps its new
// file, and `keptNew`, when given, says which targets hold their new file after a failure.
void replaceAll(std::span<const Replacement> replacements, std::vector<bool>* keptNew = nullptr);

// Puts a folder back in order after a copy of the program was killed in it: a set of names
// that was taken only in part gets its former files back, and the names this layer made for
// itself (half-written files, former files kept for a moment, journals) are removed. Only for a
// folder no other running copy writes in: under a FolderLock, or the start folder once its
// working files are held.
void tidyFolder(const std::string& folder);

// The file a name stands for when it is written: a symbolic link is followed (also one that
// points at no file yet), so the file it points to is replaced and the link stays. A target
// that is a folder, a pipe or a device is refused ("Cannot create file", and why).
std::string writableTarget(const std::string& target);

// A file that the user keeps (an exported PCG, a database file): written beside the target
// where no one sees it (a file without a name where the system has them) and given the
// target's name only by commit(), so a failure never leaves a half-written file where a good one
// stood, or anywhere. Without commit() nothing of it remains. The target is writableTarget().
class AtomicFile {
  public:
    explicit AtomicFile(const std::string& target);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    FileStream& stream() { return stream_; }
    const std::string& target() const { return target_; }
    void commit();
    // Commits several files as one (replaceAll): every target takes its new contents, or none.
    static void commitAll(const std::vector<AtomicFile*>& files);

  private:
    // The bytes on the disk, and the file given a short name of its own beside the target.
    void finish();

    std::string target_;
    std::string temporary_;  // the short name, once finish() has given it one
    FileStream stream_;
    bool anonymous_ = false;
    bool committed_ = false;
};

// A whole file the user keeps, written as AtomicFile writes it: the bytes land under the name only
// when all of them are on the disk.
void writeFileSafely(const std::string& path, ConstBytes bytes);
inline void writeFileSafely(const std::string& path, std::string_view text) {
    writeFileSafely(path, ConstBytes(reinterpret_cast<const Byte*>(text.data()), text.size()));
}

// A lock over a folder in which files are replaced: an export holds it while it writes and
// renames its five files, an open while it reads them, a swap of working files while it
// renames, so a database on disk always comes whole from one export, and tidyFolder() never
// takes another copy's files for a killed copy's. Held until destroyed; a copy that holds the
// folder already takes it again at once. A folder that cannot be opened is not locked (the
// command then fails on its files as it would).
class FolderLock {
  public:
    explicit FolderLock(const std::string& folder);
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock();

  private:
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
    bool held_ = false;
};

// The folder part of a path ("." for a bare name).
std::string folderOf(const std::string& path);

// An unused short name in folder for a file this program keeps there for a moment
// (".pelvaro-<what>-<random>"); tidyFolder() removes one that a killed copy left behind.
std::string scratchName(const std::string& folder, std::string_view what);

}  // namespace pelvaro::io
