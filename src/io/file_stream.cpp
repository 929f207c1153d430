#include "io/file_stream.h"

#include <fcntl.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include "io/progress.h"

namespace pelvaro::io {

namespace {

FaultInjector* injector = nullptr;

std::atomic<std::uint64_t> calls{0};
// One more call to the system about a file.
void counted() {
    calls.fetch_add(1, std::memory_order_relaxed);
}

// A mapped read that touches a page the system cannot bring in (a disk that fails, a file cut
// short by another program) raises SIGBUS instead of returning an error. While a copy out of a
// mapping runs, the handler jumps back to it, and the bytes are read with a read call instead,
// which reports the failure as every other read does. Any other SIGBUS goes where it went before.
thread_local sigjmp_buf* mappedCopy = nullptr;
struct sigaction previousBusAction {};

void onBusError(int signal, siginfo_t* info, void* context) {
    if (mappedCopy) siglongjmp(*mappedCopy, 1);
    if ((previousBusAction.sa_flags & SA_SIGINFO) != 0 && previousBusAction.sa_sigaction) {
        previousBusAction.sa_sigaction(signal, info, context);
    } else if (previousBusAction.sa_handler != SIG_DFL && previousBusAction.sa_handler != SIG_IGN) {
        previousBusAction.sa_handler(signal);
    } else {
        // The default action: the faulting access runs again and ends the process.
        ::signal(SIGBUS, SIG_DFL);
    }
}

void catchBusErrors() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        // Not blocked while handled, so the jump back leaves the signal mask as it was and the
        // jump point need not save it (which would cost a call per read).
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previousBusAction);
    });
}

// Copies n bytes out of a mapping; false when a page could not be read.
bool copyMapped(const Byte* from, Byte* to, std::size_t n) {
    sigjmp_buf jump;
    if (sigsetjmp(jump, 0) != 0) {
        mappedCopy = nullptr;
        return false;
    }
    mappedCopy = &jump;
    std::memcpy(to, from, n);
    mappedCopy = nullptr;
    return true;
}

// Reads up to out.size() bytes at offset with read calls; 0 or the error.
int readRaw(int fd, std::int64_t offset, Bytes out, std::size_t& done) {
    done = 0;
    while (done < out.size()) {
        counted();
        const ssize_t n = ::pread(fd, out.data() + done, out.size() - done,
                                  static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// The reason a failing disk gives: a write cut half way is a full disk, anything else an error
// of the device.
int injectedError(FaultInjector::Outcome outcome) {
    return outcome == FaultInjector::Outcome::FailHalfWay ? ENOSPC : EIO;
}

std::string reason(int error) {
    return std::strerror(error);
}

// A copy of length bytes from one descriptor to another at the same offset, in the kernel
// where it can (copy_file_range clones or copies without a trip through this process), with a
// plain loop where it cannot. Returns 0 or the error.
int copyRange(int from, int to, off_t at, std::int64_t length, bool& inKernel) {
    off_t in = at;
    off_t out = at;
    std::int64_t left = length;
    while (left > 0 && inKernel) {
        counted();
        const ssize_t n = ::copy_file_range(from, &in, to, &out, static_cast<std::size_t>(left), 0);
        if (n > 0) {
            left -= n;
            continue;
        }
        if (n == 0) return EIO;  // the source ended early
        if (errno == EINTR) continue;
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
            errno == EBADF) {
            inKernel = false;
            break;
        }
        return errno;
    }
    std::vector<Byte> block;
    while (left > 0) {
        block.resize(static_cast<std::size_t>(std::min<std::int64_t>(left, 1 << 20)));
        counted();
        const ssize_t n = ::pread(from, block.data(), block.size(), in);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        std::size_t done = 0;
        while (done < static_cast<std::size_t>(n)) {
            counted();
            const ssize_t w = ::pwrite(to, block.data() + done, static_cast<std::size_t>(n) - done,
                                       out + static_cast<off_t>(done));
            if (w < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            done += static_cast<std::size_t>(w);
        }
        in += n;
        out += n;
        left -= n;
    }
    return 0;
}

}  // namespace

namespace detail {
FaultInjector::Outcome before(FileOp op) {
    return injector ? injector->before(op) : FaultInjector::Outcome::Proceed;
}
}  // namespace detail

std::uint64_t fileCalls() {
    return calls.load(std::memory_order_relaxed);
}

bool faultsInjected() {
    return injector != nullptr;
}

FaultInjector* setFaultInjector(FaultInjector* fault) {
    return std::exchange(injector, fault);
}

FileError::FileError(std::string headline, std::string detail)
    : std::runtime_error(detail.empty() ? headline : headline + "\n" + detail),
      headline_(std::move(headline)),
      detail_(std::move(detail)) {}

FileError FileError::cannotOpen(const std::string& path, int error) {
    return FileError("Cannot open file " + path, reason(error));
}
FileError FileError::cannotCreate(const std::string& path, int error) {
    return FileError("Cannot create file " + path, reason(error));
}
FileError FileError::cannotCreate(const std::string& path, std::string why) {
    return FileError("Cannot create file " + path, std::move(why));
}
FileError FileError::readError(const std::string& path, int error) {
    return FileError("Stream read error", path + ": " + reason(error));
}
FileError FileError::writeError(const std::string& path, int error) {
    return FileError("Stream write error", path + ": " + reason(error));
}

FileStream::FileStream(FileStream&& other) noexcept
    : fd_(other.fd_),
      path_(std::move(other.path_)),
      map_(std::exchange(other.map_, nullptr)),
      mapLength_(std::exchange(other.mapLength_, 0)),
      mappedPieces_(std::move(other.mappedPieces_)),
      mappedPieceCount_(std::exchange(other.mappedPieceCount_, 0)) {
    other.fd_ = -1;
}

FileStream& FileStream::operator=(FileStream&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        map_ = std::exchange(other.map_, nullptr);
        mapLength_ = std::exchange(other.mapLength_, 0);
        mappedPieces_ = std::move(other.mappedPieces_);
        mappedPieceCount_ = std::exchange(other.mappedPieceCount_, 0);
        other.fd_ = -1;
    }
    return *this;
}

FileStream::~FileStream() {
    close();
}

FileStream FileStream::openRead(const std::string& path) {
    if (const auto outcome = detail::before(FileOp::Open);
        outcome != FaultInjector::Outcome::Proceed)
        throw FileError::cannotOpen(path, injectedError(outcome));
    // Non-blocking, so that a name that turns out to be a pipe is refused at once instead of
    // waiting for a writer; for a regular file the flag changes nothing and is dropped.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw FileError::cannotOpen(path, errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        if (error == EINVAL) throw FileError("Cannot open file " + path, "Not a regular file");
        throw FileError::cannotOpen(path, error);
    }
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(fd);
        throw FileError::cannotOpen(path, error);
    }
    return FileStream(fd, path);
}

FileStream FileStream::createNew(const std::string& path) {
    if (const auto outcome = detail::before(FileOp::Create);
        outcome != FaultInjector::Outcome::Proceed)
        throw FileError::cannotCreate(path, injectedError(outcome));
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) throw FileError::cannotCreate(path, errno);
    return FileStream(fd, path);
}

FileStream FileStream::openWorkingFile(const std::string& path) {
    if (const auto outcome = detail::before(FileOp::Create);
        outcome != FaultInjector::Outcome::Proceed)
        throw FileError::cannotCreate(path, injectedError(outcome));
    // A few rounds, for a name that changes under us while we look at it.
    for (int round = 0; round < 8; ++round) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0) {
            if (S_ISREG(st.st_mode)) {
                // Never written through: opened only to see whether a copy holds it.
                const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
                if (fd < 0) {
                    if (errno == ENOENT || errno == ELOOP) continue;
                    throw FileError::cannotCreate(path, errno);
                }
                struct stat now {};
                const bool same =
                    ::fstat(fd, &now) == 0 && now.st_dev == st.st_dev && now.st_ino == st.st_ino;
                if (same && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                    const int error = errno;
                    ::close(fd);
                    if (error == EWOULDBLOCK) throw FileError::cannotCreate(path, kAnotherCopyText);
                    throw FileError::cannotCreate(path, error);
                }
                // Left by a copy that is no longer running: the name goes (with the lock still
                // held, so no one starting meanwhile takes the old file for theirs).
                if (same && ::unlink(path.c_str()) != 0 && errno != ENOENT) {
                    const int error = errno;
                    ::close(fd);
                    throw FileError::cannotCreate(path, error);
                }
                ::close(fd);
                if (!same) continue;
            } else if (S_ISDIR(st.st_mode)) {
                if (::rmdir(path.c_str()) != 0) throw FileError::cannotCreate(path, errno);
            } else if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
                // A link (its own name only), a pipe, a socket or a device node.
                throw FileError::cannotCreate(path, errno);
            }
        } else if (errno != ENOENT) {
            throw FileError::cannotCreate(path, errno);
        }
        const int fd =
            ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            throw FileError::cannotCreate(path, errno);
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            // Another copy starting in the same moment took the new file first.
            ::close(fd);
            throw FileError::cannotCreate(path, kAnotherCopyText);
        }
        return FileStream(fd, path);
    }
    throw FileError::cannotCreate(path, kAnotherCopyText);
}

bool FileStream::isHeld(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

std::size_t FileStream::readAt(std::int64_t offset, Bytes out) const {
    if (fd_ < 0) throw FileError::readError(path_, EBADF);
    if (const auto outcome = detail::before(FileOp::Read);
        outcome != FaultInjector::Outcome::Proceed)
        throw FileError::readError(path_, injectedError(outcome));
    std::size_t done = 0;
    if (const int error = readRaw(fd_, offset, out, done)) throw FileError::readError(path_, error);
    return done;
}

std::size_t FileStream::readMappedAt(std::int64_t offset, Bytes out, std::int64_t length) const {
    if (fd_ < 0) throw FileError::readError(path_, EBADF);
    if (const auto outcome = detail::before(FileOp::Read);
        outcome != FaultInjector::Outcome::Proceed)
        throw FileError::readError(path_, injectedError(outcome));
    const std::int64_t end =
        std::min<std::int64_t>(offset + static_cast<std::int64_t>(out.size()), length);
    if (offset < 0 || end <= offset) return 0;
    const auto n = static_cast<std::size_t>(end - offset);
    if (static_cast<std::uint64_t>(end) > mapLength_) {
        // Room for the file to grow into: twice its length, so it is mapped again seldom.
        unmap();
        const auto page = static_cast<std::int64_t>(::sysconf(_SC_PAGESIZE));
        const std::int64_t want = std::max<std::int64_t>(2 * length, std::int64_t{1} << 20);
        const auto size = static_cast<std::size_t>((want + page - 1) / page * page);
        catchBusErrors();
        counted();
        void* at = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd_, 0);
        if (at != MAP_FAILED) {
            map_ = at;
            mapLength_ = size;
            mappedPieces_.assign((size / kMappedPiece + 63) / 64, 0);
            mappedPieceCount_ = 0;
        }
    }
    if (map_ && mappedPiecesFor(offset, end) &&
        copyMapped(static_cast<const Byte*>(map_) + offset, out.data(), n))
        return n;
    std::size_t done = 0;
    if (const int error = readRaw(fd_, offset, out.first(n), done))
        throw FileError::readError(path_, error);
    return done;
}

bool FileStream::mappedPiecesFor(std::int64_t offset, std::int64_t end) const {
    const auto first = static_cast<std::size_t>(offset) / kMappedPiece;
    const auto last = static_cast<std::size_t>(end - 1) / kMappedPiece;
    const auto isNew = [&](std::size_t piece) {
        return (mappedPieces_[piece / 64] & (std::uint64_t{1} << (piece % 64))) == 0;
    };
    std::size_t added = 0;
    for (std::size_t piece = first; piece <= last; ++piece)
        added += isNew(piece) ? 1 : 0;
    if (added == 0) return true;
    // Letting go of pages to make room would have them brought in again and again when the
    // records asked for are spread over the whole file; the read calls cost less.
    if ((mappedPieceCount_ + added) * kMappedPiece > kMostMappedBytes) return false;
    for (std::size_t piece = first; piece <= last; ++piece)
        mappedPieces_[piece / 64] |= std::uint64_t{1} << (piece % 64);
    mappedPieceCount_ += added;
    return true;
}

void FileStream::unmap() const {
    if (!map_) return;
    counted();
    ::munmap(map_, mapLength_);
    map_ = nullptr;
    mapLength_ = 0;
    mappedPieces_.clear();
    mappedPieceCount_ = 0;
}

void FileStream::readExactAt(std::int64_t offset, Bytes out) const {
    if (readAt(offset, out) != out.size()) throw FileError::readError(path_, EIO);
}

void FileStream::writeAt(std::int64_t offset, ConstBytes data) {
    if (fd_ < 0) throw FileError::writeError(path_, EBADF);
    std::size_t limit = data.size();
    const auto outcome = detail::before(FileOp::Write);
    if (outcome == FaultInjector::Outcome::Fail)
        throw FileError::writeError(path_, injectedError(outcome));
    if (outcome == FaultInjector::Outcome::FailHalfWay) limit = data.size() / 2;
    std::size_t done = 0;
    while (done < limit) {
        counted();
        const ssize_t n = ::pwrite(fd_, data.data() + done, limit - done,
                                   static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError::writeError(path_, errno);
        }
        if (n == 0) throw FileError::writeError(path_, ENOSPC);
        done += static_cast<std::size_t>(n);
    }
    if (limit < data.size()) throw FileError::writeError(path_, injectedError(outcome));
}

std::int64_t FileStream::size() const {
    counted();
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0)
        throw FileError::readError(path_, fd_ < 0 ? EBADF : errno);
    return st.st_size;
}

void FileStream::truncate(std::int64_t length) {
    if (fd_ < 0) throw FileError::writeError(path_, EBADF);
    if (const auto outcome = detail::before(FileOp::Write);
        outcome != FaultInjector::Outcome::Proceed)
        throw FileError::writeError(path_, injectedError(outcome));
    counted();
    if (::ftruncate(fd_, static_cast<off_t>(length)) != 0)
        throw FileError::writeError(path_, errno);
}

void FileStream::copyFrom(const FileStream& source, bool toDisk) {
    truncate(0);
    const std::int64_t total = source.size();
    bool inKernel = true;
    // Pieces of 8 MiB at most, so that a failing disk can stop a copy part way as it would.
    constexpr std::int64_t kPiece = std::int64_t{8} << 20;
    std::int64_t at = 0;
    while (at < total) {
        // The next stretch that holds data; a file system that cannot tell holes has none.
        counted();
        off_t data = ::lseek(source.fd_, static_cast<off_t>(at), SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO) break;  // only a hole is left
            data = static_cast<off_t>(at);
        }
        counted();
        off_t hole = ::lseek(source.fd_, data, SEEK_HOLE);
        if (hole < 0) hole = static_cast<off_t>(total);
        hole = std::min<off_t>(hole, static_cast<off_t>(total));
        for (std::int64_t piece = data; piece < hole; piece += kPiece) {
            std::int64_t length = std::min<std::int64_t>(kPiece, hole - piece);
            if (const auto outcome = detail::before(FileOp::Read);
                outcome != FaultInjector::Outcome::Proceed)
                throw FileError::readError(source.path_, injectedError(outcome));
            const auto outcome = detail::before(FileOp::Write);
            if (outcome == FaultInjector::Outcome::Fail)
                throw FileError::writeError(path_, injectedError(outcome));
            if (outcome == FaultInjector::Outcome::FailHalfWay) length /= 2;
            if (const int error =
                    copyRange(source.fd_, fd_, static_cast<off_t>(piece), length, inKernel))
                throw FileError::writeError(path_, error);
            if (outcome == FaultInjector::Outcome::FailHalfWay)
                throw FileError::writeError(path_, injectedError(outcome));
            reportProgress(length);
            // Only a hint: a system that cannot start the writes now leaves them to the sync.
            if (toDisk) {
                counted();
                (void)::sync_file_range(fd_, static_cast<off_t>(piece), static_cast<off_t>(length),
                                        SYNC_FILE_RANGE_WRITE);
            }
        }
        at = hole;
    }
    // The tail beyond the last data (and a file of holes alone) takes its length without blocks.
    counted();
    if (::ftruncate(fd_, static_cast<off_t>(total)) != 0) throw FileError::writeError(path_, errno);
}

void FileStream::sync() {
    if (fd_ < 0) throw FileError::writeError(path_, EBADF);
    counted();
    if (::fsync(fd_) != 0) throw FileError::writeError(path_, errno);
}

void FileStream::close() {
    unmap();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void removeFile(const std::string& path) {
    ::unlink(path.c_str());
}

}  // namespace pelvaro::io
