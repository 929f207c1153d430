#include "io/file_stream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>
#include <vector>

namespace pelvaro::io {

namespace {
FaultInjector* injector = nullptr;

FaultInjector::Outcome before(FileOp op) {
    return injector ? injector->before(op) : FaultInjector::Outcome::Proceed;
}
bool fails(FileOp op) {
    return before(op) != FaultInjector::Outcome::Proceed;
}
}  // namespace

FaultInjector* setFaultInjector(FaultInjector* fault) {
    return std::exchange(injector, fault);
}

FileError FileError::cannotOpen(const std::string& path) {
    return FileError("Cannot open file " + path);
}
FileError FileError::cannotCreate(const std::string& path) {
    return FileError("Cannot create file " + path);
}
FileError FileError::readError() {
    return FileError("Stream read error");
}
FileError FileError::writeError() {
    return FileError("Stream write error");
}

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

FileStream::~FileStream() {
    close();
}

FileStream FileStream::openRead(const std::string& path) {
    if (fails(FileOp::Open)) throw FileError::cannotOpen(path);
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
    if (fails(FileOp::Create)) throw FileError::cannotCreate(path);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw FileError::cannotCreate(path);
    return FileStream(fd, path);
}

FileStream FileStream::createLocked(const std::string& path) {
    if (fails(FileOp::Create)) throw FileError::cannotCreate(path);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) throw FileError::cannotCreate(path);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        throw FileError::cannotCreate(path);
    }
    return FileStream(fd, path);
}

std::size_t FileStream::readAt(std::int64_t offset, Bytes out) const {
    if (fd_ < 0 || fails(FileOp::Read)) throw FileError::readError();
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
    switch (before(FileOp::Write)) {
        case FaultInjector::Outcome::Proceed:
            break;
        case FaultInjector::Outcome::Fail:
            throw FileError::writeError();
        case FaultInjector::Outcome::FailHalfWay:
            limit = data.size() / 2;
            break;
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
    if (fd_ < 0 || fails(FileOp::Write) || ::ftruncate(fd_, static_cast<off_t>(length)) != 0)
        throw FileError::writeError();
}

void FileStream::copyFrom(const FileStream& source) {
    truncate(0);
    // A block of 1 MiB at most, and no larger than the source: most working files are small,
    // and a block cleared for nothing costs more than the copy.
    const std::int64_t sourceSize = source.size();
    std::vector<Byte> block(
        static_cast<std::size_t>(std::clamp<std::int64_t>(sourceSize, 1, std::int64_t{1} << 20)));
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
    if (fails(FileOp::Create)) throw FileError::cannotCreate(target_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name =
            target_ + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
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
    commitAll({this});
}

void AtomicFile::finish() {
    stream_.sync();
    stream_.close();
    struct stat st {};
    // rename() would happily replace an empty folder; a folder is never a file we keep.
    if (::stat(target_.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw FileError::cannotCreate(target_);
}

void AtomicFile::commitAll(const std::vector<AtomicFile*>& files) {
    std::vector<Replacement> replacements;
    for (AtomicFile* f : files) {
        f->finish();
        replacements.push_back({f->temporary_, f->target_});
    }
    replaceAll(replacements);
    for (AtomicFile* f : files)
        f->committed_ = true;
}

void replaceAll(std::span<const Replacement> replacements, std::vector<bool>* keptNew) {
    // The former files stay reachable under a second name until every rename has been made.
    static unsigned counter = 0;
    const std::size_t n = replacements.size();
    std::vector<std::string> kept(n);
    std::vector<bool> wasThere(n, false);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string name = replacements[i].target + ".old" + std::to_string(::getpid()) +
                                 "-" + std::to_string(counter++);
        if (::link(replacements[i].target.c_str(), name.c_str()) == 0)
            kept[i] = name;
        else
            wasThere[i] = errno != ENOENT;
    }
    const auto forget = [&] {
        for (const std::string& name : kept)
            if (!name.empty()) ::unlink(name.c_str());
    };
    for (std::size_t i = 0; i < n; ++i) {
        const Replacement& r = replacements[i];
        if (!fails(FileOp::Rename) && ::rename(r.temporary.c_str(), r.target.c_str()) == 0)
            continue;
        if (keptNew) keptNew->assign(n, false);
        for (std::size_t j = 0; j < i; ++j) {
            const std::string& target = replacements[j].target;
            if (!kept[j].empty()) {
                if (::rename(kept[j].c_str(), target.c_str()) == 0)
                    kept[j].clear();
                else if (keptNew)
                    (*keptNew)[j] = true;
            } else if (!wasThere[j]) {
                ::unlink(target.c_str());
            } else if (keptNew) {
                (*keptNew)[j] = true;
            }
        }
        forget();
        throw FileError::cannotCreate(r.target);
    }
    forget();
}

void removeFile(const std::string& path) {
    ::unlink(path.c_str());
}

void renameFile(const std::string& from, const std::string& to) {
    if (fails(FileOp::Rename) || ::rename(from.c_str(), to.c_str()) != 0)
        throw FileError::cannotCreate(to);
}

}  // namespace pelvaro::io
