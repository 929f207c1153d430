#pragma once
// The one file layer. Every read and write of a PCG file, of the template, of the working record
// files and of a database goes through FileStream, and every failure leaves it as a FileError
// whose first line is the text the user is shown and whose second line says which file and why.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "io/bytes.h"

namespace pelvaro::io {

class FileError : public std::runtime_error {
  public:
    // what(): the headline, then the detail on a second line when there is one.
    FileError(std::string headline, std::string detail);

    // "Cannot open file <path>", "Cannot create file <path>", "Stream read error" or
    // "Stream write error".
    const std::string& headline() const { return headline_; }
    // The system's reason ("No space left on device"), after the file's path for the two
    // stream errors, or a reason of the program's own.
    const std::string& detail() const { return detail_; }

    static FileError cannotOpen(const std::string& path, int error);
    static FileError cannotCreate(const std::string& path, int error);
    static FileError cannotCreate(const std::string& path, std::string reason);
    static FileError readError(const std::string& path, int error);
    static FileError writeError(const std::string& path, int error);

  private:
    std::string headline_;
    std::string detail_;
};

// The second line of the message when a second copy of the program finds the working files of
// the start folder held by the first.
inline constexpr const char* kAnotherCopyText =
    "Another copy of PELVARO is already using this folder.";

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
    // Makes a file that did not exist, for reading and writing; never follows a link and never
    // opens what stands under the name already.
    static FileStream createNew(const std::string& path);
    // A working file of the start folder, held with an exclusive lock for as long as the stream
    // is open. What stands under the name is never written through: a file that another copy
    // of the program holds stops here ("Cannot create file", kAnotherCopyText) before anything
    // is touched; anything else (a working file left by a copy that is no longer running, a
    // link to another file, a second name of another file, a pipe, a device, an empty folder)
    // loses its name, and a new file is made in its place.
    static FileStream openWorkingFile(const std::string& path);
    // True when a copy of the program holds the working file at path.
    static bool isHeld(const std::string& path);

    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

    // Reads up to out.size() bytes at offset; returns how many were there (fewer at the end).
    std::size_t readAt(std::int64_t offset, Bytes out) const;
    // Reads exactly out.size() bytes or fails with "Stream read error".
    void readExactAt(std::int64_t offset, Bytes out) const;
    // Reads like readAt, but from a read-only mapping of the file into memory instead of a read
    // call, for many small reads at scattered places (a record here, a record there): the first
    // call maps the file, later ones read from memory. Only the bytes below `length` are taken
    // from the mapping; length must not exceed the file's length (the caller knows what it
    // wrote), and bytes from length on count as past the end. A page the system cannot bring in
    // (a failing disk, a file cut short by another program) is read again with a read call, which
    // reports the failure as readAt does. The mapping follows every write to the file; it is not
    // for two threads at once.
    // The pages read stay in this process (they are the system's cache of the file), so the next
    // read near them costs nothing; at most kMostMappedBytes of them, so the process does not
    // grow with a large file: once that many may have come in, reads elsewhere in the file are
    // read calls again.
    std::size_t readMappedAt(std::int64_t offset, Bytes out, std::int64_t length) const;
    static constexpr std::size_t kMostMappedBytes = std::size_t{32} << 20;
    void writeAt(std::int64_t offset, ConstBytes data);
    std::int64_t size() const;
    void truncate(std::int64_t length);
    // Replaces this file's contents by the whole of another stream. Only the parts of the
    // source that hold data are copied, in the kernel where the system can: a hole stays a
    // hole, so a file with a long empty tail copies in no time and takes no more room.
    // toDisk: the copy is bound for the disk (an export, which is synced before it takes its
    // name): each piece starts on its way there as soon as it is copied, so the disk writes
    // while the next piece is copied and the sync finds little left to do.
    void copyFrom(const FileStream& source, bool toDisk = false);
    // Flushes to the disk; a failure is a write error.
    void sync();
    void close();

    // The descriptor, for the safe writes beside this layer.
    int descriptor() const { return fd_; }
    static FileStream adopt(int fd, std::string path) { return FileStream(fd, std::move(path)); }

  private:
    FileStream(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    void unmap() const;
    // Whether [offset, end) may be read from the mapping: it lies in pieces read before, or the
    // pages its new pieces may bring in stay within kMostMappedBytes (they are counted then).
    bool mappedPiecesFor(std::int64_t offset, std::int64_t end) const;

    int fd_ = -1;
    std::string path_;
    // The read-only mapping of readMappedAt: mapLength_ bytes from the file's start, which may
    // reach beyond its end (those pages are never touched).
    mutable void* map_ = nullptr;
    mutable std::size_t mapLength_ = 0;
    // The pieces of kMappedPiece bytes read since the pages were last let go: a read brings in
    // at most the piece around it (the system maps neighbouring cached pages along).
    static constexpr std::size_t kMappedPiece = std::size_t{64} << 10;
    mutable std::vector<std::uint64_t> mappedPieces_;
    mutable std::size_t mappedPieceCount_ = 0;
};

// The calls this process has made to the system to read, write, copy, cut, sync or map a file
// through FileStream (pread, pwrite, copy_file_range, ftruncate, fsync, mmap, munmap, and fstat
// for a size) since it started: what the benchmarks report as the calls of a command.
std::uint64_t fileCalls();

// Removes a name from its folder; a failure is ignored (a name that is already gone is fine).
// A link loses its own name; the file it points to is untouched.
void removeFile(const std::string& path);

// The file operations a failing disk can stop.
// Remove: a file of the program's own (a journal, a former file kept for a moment) is deleted;
// it cannot fail, but a copy may be killed just before it.
enum class FileOp { Create, Open, Read, Write, Rename, Remove };

// Stands in for a disk that fails: asked before each file operation what it does. Tests install
// one to prove that a failure at any step loses nothing; the program never does.
class FaultInjector {
  public:
    // FailHalfWay: a write stores half its bytes, then the disk is full.
    enum class Outcome { Proceed, Fail, FailHalfWay };
    virtual ~FaultInjector() = default;
    virtual Outcome before(FileOp op) = 0;
};

// Every file operation asks `injector` from now on; null goes back to a disk that works.
// Returns the injector asked until now.
FaultInjector* setFaultInjector(FaultInjector* injector);

// Whether an injector is installed: work that could run side by side then runs in turn.
bool faultsInjected();

namespace detail {
// What the installed injector says of the operation about to run.
FaultInjector::Outcome before(FileOp op);
}  // namespace detail

}  // namespace pelvaro::io
