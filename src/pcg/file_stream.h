#pragma once
// The one file layer. Every read and write of a PCG file, of the template, of the working record
// files and of a database goes through FileStream, and every failure leaves it as a FileError
// carrying the text the user is shown.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "pcg/bytes.h"

namespace pelvaro {

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
    // Commits several files as one: either every target takes its new contents or, when a
    // rename fails, the targets replaced before it get their former files back (kept until then
    // under a second name, which costs no room on the disk) and the others are not touched.
    static void commitAll(const std::vector<AtomicFile*>& files);

private:
    // The steps before the rename: the bytes on the disk, and no folder in the target's place.
    void finish();
    void rename();

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

// Test-only switch: makes the n-th file operation of a kind fail from now on, as a missing file,
// an unreadable disk or a full disk would. A short write stores part of its bytes and then
// fails, as a disk that fills up in the middle of a write. Rename is the step that puts a
// finished file in place (a kept file's commit, the swap of new working files).
namespace faults {
enum class Op { Create, Open, Read, Write, ShortWrite, Rename };
void failNth(Op op, int n);
void clear();
// True while the chosen failure has not struck yet: a run that ends with it still pending met
// fewer than n operations of the kind, so a test stepping n upwards has tried every one.
bool pending();
}  // namespace faults

}  // namespace pelvaro
