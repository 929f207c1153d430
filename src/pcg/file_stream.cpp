#include "pcg/file_stream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <vector>

namespace pelvaro {

namespace faults {
namespace {
struct Plan {
    Op op;
    int remaining = 0;  // 0: disarmed
};
Plan plan{Op::Create, 0};
}  // namespace

void failNth(Op op, int n) { plan = Plan{op, n}; }
void clear() { plan.remaining = 0; }
bool pending() { return plan.remaining > 0; }

// True when this operation is the one chosen to fail.
static bool strikes(Op op) {
    if (plan.remaining <= 0) return false;
    const bool sameKind =
        plan.op == op || (plan.op == Op::ShortWrite && op == Op::Write);
    if (!sameKind) return false;
    return --plan.remaining == 0;
}
static bool armedForShortWrite() { return plan.op == Op::ShortWrite; }
}  // namespace faults

FileError FileError::cannotOpen(const std::string& path) {
    return FileError("Cannot open file " + path);
}
FileError FileError::cannotCreate(const std::string& path) {
    return FileError("Cannot create file " + path);
}
FileError FileError::readError() { return FileError("Stream read error"); }
FileError FileError::writeError() { return FileError("Stream write error"); }

FileStream::FileStream(FileStream&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)) {
    other.fd_ = -1;
}

FileStream& FileStream::operator=(FileStream&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

FileStream::~FileStream() { close(); }

FileStream FileStream::openRead(const std::string& path) {
    if (faults::strikes(faults::Op::Open)) throw FileError::cannotOpen(path);
    // Non-blocking, so that a name that turns out to be a pipe is refused at once instead of
    // waiting for a writer; for a regular file the flag changes nothing and is dropped.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw FileError::cannotOpen(path);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        throw FileError::cannotOpen(path);
    }
    return FileStream(fd, path);
}

FileStream FileStream::create(const std::string& path) {
    if (faults::strikes(faults::Op::Create)) throw FileError::cannotCreate(path);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw FileError::cannotCreate(path);
    return FileStream(fd, path);
}

FileStream FileStream::createLocked(const std::string& path) {
    if (faults::strikes(faults::Op::Create)) throw FileError::cannotCreate(path);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) throw FileError::cannotCreate(path);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        throw FileError::cannotCreate(path);
    }
    return FileStream(fd, path);
}

std::size_t FileStream::readAt(std::int64_t offset, Bytes out) const {
    if (fd_ < 0 || faults::strikes(faults::Op::Read)) throw FileError::readError();
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done,
                                  static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError::readError();
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void FileStream::readExactAt(std::int64_t offset, Bytes out) const {
    if (readAt(offset, out) != out.size()) throw FileError::readError();
}

void FileStream::writeAt(std::int64_t offset, ConstBytes data) {
    if (fd_ < 0) throw FileError::writeError();
    std::size_t limit = data.size();
    if (faults::strikes(faults::Op::Write)) {
        if (!faults::armedForShortWrite()) throw FileError::writeError();
        limit = data.size() / 2;
    }
    std::size_t done = 0;
    while (done < limit) {
        const ssize_t n = ::pwrite(fd_, data.data() + done, limit - done,
                                   static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError::writeError();
        }
        if (n == 0) throw FileError::writeError();
        done += static_cast<std::size_t>(n);
    }
    if (limit < data.size()) throw FileError::writeError();
}

std::int64_t FileStream::size() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) throw FileError::readError();
    return st.st_size;
}

void FileStream::truncate(std::int64_t length) {
    if (fd_ < 0 || faults::strikes(faults::Op::Write) ||
        ::ftruncate(fd_, static_cast<off_t>(length)) != 0)
        throw FileError::writeError();
}

void FileStream::copyFrom(const FileStream& source) {
    truncate(0);
    // A block of 1 MiB at most, and no larger than the source: most working files are small,
    // and a block cleared for nothing costs more than the copy.
    const std::int64_t sourceSize = source.size();
    std::vector<Byte> block(static_cast<std::size_t>(
        std::clamp<std::int64_t>(sourceSize, 1, std::int64_t{1} << 20)));
    std::int64_t at = 0;
    for (;;) {
        const std::size_t n = source.readAt(at, block);
        if (n == 0) break;
        writeAt(at, ConstBytes(block.data(), n));
        at += static_cast<std::int64_t>(n);
        if (n < block.size()) break;
    }
}

void FileStream::sync() {
    if (fd_ < 0 || ::fsync(fd_) != 0) throw FileError::writeError();
}

void FileStream::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

AtomicFile::AtomicFile(std::string target) : target_(std::move(target)) {
    // The temporary name lies in the target's folder so that the final rename stays inside one
    // file system and replaces the target in one step.
    static unsigned counter = 0;
    if (faults::strikes(faults::Op::Create)) throw FileError::cannotCreate(target_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = target_ + ".tmp" + std::to_string(::getpid()) + "-" +
                           std::to_string(counter++);
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            temporary_ = name;
            stream_ = FileStream(fd, std::move(name));
            return;
        }
        if (errno != EEXIST) break;
    }
    throw FileError::cannotCreate(target_);
}

AtomicFile::~AtomicFile() {
    if (!committed_) {
        stream_.close();
        if (!temporary_.empty()) ::unlink(temporary_.c_str());
    }
}

void AtomicFile::commit() {
    finish();
    rename();
}

void AtomicFile::finish() {
    stream_.sync();
    stream_.close();
    struct stat st {};
    // rename() would happily replace an empty folder; a folder is never a file we keep.
    if (::stat(target_.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw FileError::cannotCreate(target_);
}

void AtomicFile::rename() {
    if (faults::strikes(faults::Op::Rename) ||
        ::rename(temporary_.c_str(), target_.c_str()) != 0)
        throw FileError::cannotCreate(target_);
    committed_ = true;
}

void AtomicFile::commitAll(const std::vector<AtomicFile*>& files) {
    for (AtomicFile* f : files)
        f->finish();
    // The former files stay reachable under a second name until every rename has been made.
    // A target that had no file before is removed again on the way back; one whose former
    // file could not be kept (a file system without links) keeps its new file.
    std::vector<std::string> kept(files.size());
    std::vector<bool> wasThere(files.size(), false);
    const auto forget = [&] {
        for (const std::string& name : kept)
            if (!name.empty()) ::unlink(name.c_str());
    };
    static unsigned counter = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string name = files[i]->target_ + ".old" + std::to_string(::getpid()) + "-" +
                                 std::to_string(counter++);
        if (::link(files[i]->target_.c_str(), name.c_str()) == 0)
            kept[i] = name;
        else
            wasThere[i] = errno != ENOENT;
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        try {
            files[i]->rename();
        } catch (...) {
            for (std::size_t j = 0; j < i; ++j) {
                if (!kept[j].empty()) {
                    if (::rename(kept[j].c_str(), files[j]->target_.c_str()) == 0) kept[j].clear();
                } else if (!wasThere[j]) {
                    ::unlink(files[j]->target_.c_str());
                }
            }
            forget();
            throw;
        }
    }
    forget();
}

void removeFile(const std::string& path) { ::unlink(path.c_str()); }

void renameFile(const std::string& from, const std::string& to) {
    if (faults::strikes(faults::Op::Rename) || ::rename(from.c_str(), to.c_str()) != 0)
        throw FileError::cannotCreate(to);
}

}  // namespace pelvaro
