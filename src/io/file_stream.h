#pragma once
// The one file layer. Every read and write of a PCG file, of the template, of the working record
// files and of a database goes through FileStream, and every failure leaves it as a FileError
// carrying the text the user is shown.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "io/bytes.h"

namespace pelvaro::io {

class FileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;

    static FileError cannotOpen(const std::string& path);
    static FileError cannotCreate(const std::string& path);
    static FileError readError();
    static FileError writeError();
};

// A seekable byte stream over one open file. Reads and writes name their absolute offset, so
// no operation depends on a position left behind by another.
class FileStream {
  public:
    FileStream() = default;
    FileStream(FileStream&& other) noexcept;
    FileStream& operator=(FileStream&& other) noexcept;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;
    ~FileStream();

    // Opens an existing regular file for reading; anything else is "Cannot open file".
    static FileStream openRead(const std::string& path);
    // Creates the file, or truncates it, for reading and writing.
    static FileStream create(const std::string& path);
    // Creates a working file held with an exclusive lock for as long as the stream is open: a
    // second holder fails with "Cannot create file" before the first holder's bytes are
    // touched, and only then is the file truncated.
    static FileStream createLocked(const std::string& path);

    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

    // Reads up to out.size() bytes at offset; returns how many were there (fewer at the end).
    std::size_t readAt(std::int64_t offset, Bytes out) const;
    // Reads exactly out.size() bytes or fails with "Stream read error".
    void readExactAt(std::int64_t offset, Bytes out) const;
    void writeAt(std::int64_t offset, ConstBytes data);
    std::int64_t size() const;
    void truncate(std::int64_t length);
    // Replaces this file's contents by the whole of another stream, block by block.
    void copyFrom(const FileStream& source);
    // Flushes to the disk; a failure is a write error.
    void sync();
    void close();

  private:
    friend class AtomicFile;
    FileStream(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

    int fd_ = -1;
    std::string path_;
};

// One file to take another's name: `temporary` is renamed over `target`.
struct Replacement {
    std::string temporary;
    std::string target;
};

// Renames every temporary over its target as one step. Either every target takes its new file,
// or, when a rename fails, the targets renamed before it get their former files back (kept
// until then under a second name, which costs no room on the disk; a target that had no file
// is removed again) and the error ("Cannot create file" with the target) is rethrown. A former
// file that could not be kept (a file system without links) cannot come back: that target
// keeps its new file, and `keptNew`, when given, says which targets hold their new file after
// a failure.
void replaceAll(std::span<const Replacement> replacements, std::vector<bool>* keptNew = nullptr);

// A file that the user keeps (an exported PCG, a database file): written under a temporary name
// beside the target and renamed over the target only by commit(), so a failure never leaves a
// half-written file where a good one stood. Without commit() the temporary file is removed.
class AtomicFile {
  public:
    explicit AtomicFile(std::string target);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    FileStream& stream() { return stream_; }
    void commit();
    // Commits several files as one (replaceAll): every target takes its new contents, or none.
    static void commitAll(const std::vector<AtomicFile*>& files);

  private:
    // The steps before the rename: the bytes on the disk, and no folder in the target's place.
    void finish();

    std::string target_;
    std::string temporary_;
    FileStream stream_;
    bool committed_ = false;
};

// Removes a file by name; a failure is ignored (a working file that is already gone is fine).
void removeFile(const std::string& path);

// Gives a file a new name in its folder, replacing a file of that name in one step. A failure is
// "Cannot create file" with the new name.
void renameFile(const std::string& from, const std::string& to);

// The file operations a failing disk can stop.
enum class FileOp { Create, Open, Read, Write, Rename };

// Stands in for a disk that fails: asked before each file operation what it does. Tests install
// one to prove that a failure at any step loses nothing; the program never does.
class FaultInjector {
  public:
    enum class Outcome { Proceed, Fail, FailHalfWay };  // FailHalfWay: a write stores half
    virtual ~FaultInjector() = default;
    virtual Outcome before(FileOp op) = 0;
};

// Every file operation asks `injector` from now on; null goes back to a disk that works.
// Returns the injector asked until now.
FaultInjector* setFaultInjector(FaultInjector* injector);

}  // namespace pelvaro::io
