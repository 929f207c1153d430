#include "io/safe_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <random>
#include <string_view>
#include <utility>

namespace pelvaro::io {

namespace {

constexpr std::string_view kOwnPrefix = ".pelvaro-";
constexpr std::string_view kJournalMark = "PELVARO-JOURNAL 1\n";

bool fails(FileOp op) {
    return detail::before(op) != FaultInjector::Outcome::Proceed;
}

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Gives a complete file its target's name; 0 or the error. A regular file in the way trades
// names with it, and the former file's second name goes: the outcome of a rename, without the
// writing out that some file systems start on a rename over an existing file (a copy of
// hundreds of megabytes would wait for all its blocks to be placed on the disk).
int putInPlace(const std::string& from, const std::string& to) {
    if (isRegularFile(to) &&
        ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0) {
        if (isRegularFile(from)) {
            ::unlink(from.c_str());
            return 0;
        }
        // Something else took the target's place meanwhile: it gets its name back, and the
        // rename below reports why it is in the way.
        (void)::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE);
    }
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

std::string randomSuffix() {
    static std::mt19937_64 noise(
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count() ^
                                   (::getpid() * 0x9E3779B9ull)));
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string suffix(12, '0');
    for (char& c : suffix)
        c = kDigits[noise() % 36];
    return suffix;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// A journal: the targets of one replaceAll and the second names their former files are kept
// under ("" for a target that had no file), each text written with its length first, so any
// byte a file name may hold reads back.
std::string journalText(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string text(kJournalMark);
    for (const auto& [target, backup] : entries)
        for (const std::string* s : {&target, &backup})
            text += std::to_string(s->size()) + ":" + *s + "\n";
    return text;
}

std::vector<std::pair<std::string, std::string>> parseJournal(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> entries;
    if (!text.starts_with(kJournalMark)) return entries;
    std::size_t at = kJournalMark.size();
    const auto next = [&](std::string& out) {
        const std::size_t colon = text.find(':', at);
        if (colon == std::string::npos) return false;
        std::size_t length = 0;
        for (std::size_t i = at; i < colon; ++i) {
            if (text[i] < '0' || text[i] > '9' || length > 4096) return false;
            length = length * 10 + static_cast<std::size_t>(text[i] - '0');
        }
        if (colon + 1 + length + 1 > text.size() || text[colon + 1 + length] != '\n') return false;
        out = text.substr(colon + 1, length);
        at = colon + 1 + length + 1;
        return true;
    };
    std::string target, backup;
    while (at < text.size() && next(target) && next(backup))
        entries.emplace_back(target, backup);
    return entries;
}

void writeJournal(const std::string& path,
                  const std::vector<std::pair<std::string, std::string>>& entries) {
    FileStream journal = FileStream::createNew(path);
    const std::string text = journalText(entries);
    try {
        journal.writeAt(0, ConstBytes(reinterpret_cast<const Byte*>(text.data()), text.size()));
        journal.sync();
    } catch (...) {
        ::unlink(path.c_str());  // nothing has been renamed yet: a journal of nothing
        throw;
    }
}

std::string readSmallFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {};
    std::string text;
    char block[4096];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n <= 0 || text.size() > (1 << 20)) break;
        text.append(block, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return text;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string scratchName(const std::string& folder, std::string_view what) {
    for (;;) {
        std::string name =
            folder + "/" + std::string(kOwnPrefix) + std::string(what) + "-" + randomSuffix();
        if (!exists(name)) return name;
    }
}

std::string writableTarget(const std::string& target) {
    std::string path = target;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) return path;  // a new file; its folder decides
        if (S_ISREG(st.st_mode)) return path;
        if (S_ISDIR(st.st_mode)) throw FileError::cannotCreate(target, EISDIR);
        if (!S_ISLNK(st.st_mode)) throw FileError::cannotCreate(target, "Not a regular file");
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0) throw FileError::cannotCreate(target, errno);
        link.resize(static_cast<std::size_t>(n));
        path = link.starts_with('/') ? link : folderOf(path) + "/" + link;
    }
    throw FileError::cannotCreate(target, ELOOP);
}

void replaceAll(std::span<const Replacement> replacements, std::vector<bool>* keptNew) {
    const std::size_t n = replacements.size();
    if (keptNew) keptNew->assign(n, false);
    if (n == 0) return;
    // One file takes its name in one step; several keep their former files under second names,
    // written down first, until every rename has been made.
    std::vector<std::string> kept(n);
    std::vector<bool> wasThere(n, false);
    std::string journal;
    if (n > 1) {
        std::vector<std::pair<std::string, std::string>> entries;
        for (std::size_t i = 0; i < n; ++i) {
            const std::string& target = replacements[i].target;
            if (exists(target)) kept[i] = scratchName(folderOf(target), "old");
            entries.emplace_back(target, kept[i]);
        }
        journal = scratchName(folderOf(replacements[0].target), "journal");
        writeJournal(journal, entries);
        for (std::size_t i = 0; i < n; ++i) {
            if (kept[i].empty()) continue;
            if (::link(replacements[i].target.c_str(), kept[i].c_str()) != 0) {
                wasThere[i] = errno != ENOENT;
                kept[i].clear();
            }
        }
    }
    // The journal goes first: while it is there, a tidy puts back every former file it names,
    // and one already removed would leave that target new beside others made old again. Former
    // files left without their journal are leftovers that a tidy removes.
    const auto forget = [&] {
        const auto remove = [](const std::string& name) {
            (void)detail::before(FileOp::Remove);
            ::unlink(name.c_str());
        };
        if (!journal.empty()) remove(journal);
        for (const std::string& name : kept)
            if (!name.empty()) remove(name);
    };
    for (std::size_t i = 0; i < n; ++i) {
        const Replacement& r = replacements[i];
        int error = EIO;
        if (!fails(FileOp::Rename)) {
            error = putInPlace(r.temporary, r.target);
            if (error == 0) continue;
        }
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
        throw FileError::cannotCreate(r.target, error);
    }
    // The renames reach the disk before the journal that could undo them goes.
    if (!journal.empty()) syncFolder(folderOf(journal));
    forget();
}

void tidyFolder(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> journals, leftovers;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(kOwnPrefix)) continue;
        const std::string path = folder + "/" + std::string(name);
        (name.starts_with(".pelvaro-journal-") ? journals : leftovers).push_back(path);
    }
    ::closedir(dir);
    // A journal still there: its renames were not all made. Every target gets its former file
    // back; a target that had none loses the new one.
    for (const std::string& journal : journals) {
        for (const auto& [target, backup] : parseJournal(readSmallFile(journal))) {
            if (!backup.empty()) {
                if (exists(backup)) ::rename(backup.c_str(), target.c_str());
            } else {
                ::unlink(target.c_str());
            }
        }
        ::unlink(journal.c_str());
    }
    for (const std::string& path : leftovers)
        ::unlink(path.c_str());
}

AtomicFile::AtomicFile(const std::string& target) : target_(writableTarget(target)) {
    if (const auto outcome = detail::before(FileOp::Create);
        outcome != FaultInjector::Outcome::Proceed)
        throw FileError::cannotCreate(target_, EIO);
    const std::string folder = folderOf(target_);
    // A file without a name until it is complete, where the system has them; a killed copy
    // then leaves nothing behind.
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0 && ::access("/proc/self/fd", X_OK) == 0) {
        anonymous_ = true;
        stream_ = FileStream::adopt(fd, target_);
        return;
    }
    if (fd >= 0) ::close(fd);
    if (fd < 0 && errno != EISDIR && errno != EOPNOTSUPP && errno != EINVAL)
        throw FileError::cannotCreate(target_, errno);
    std::string name = folder + "/" + std::string(kOwnPrefix) + "tmp-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) throw FileError::cannotCreate(target_, errno);
    temporary_ = name;
    stream_ = FileStream::adopt(fd, target_);
}

AtomicFile::~AtomicFile() {
    if (committed_) return;
    stream_.close();
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

void AtomicFile::finish() {
    stream_.sync();
    if (anonymous_ && temporary_.empty()) {
        const std::string self = "/proc/self/fd/" + std::to_string(stream_.descriptor());
        for (;;) {
            std::string name = scratchName(folderOf(target_), "tmp");
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                temporary_ = std::move(name);
                break;
            }
            if (errno != EEXIST) throw FileError::cannotCreate(target_, errno);
        }
    }
    stream_.close();
    // rename() would replace an empty folder put in the target's place meanwhile.
    writableTarget(target_);
}

void AtomicFile::commit() {
    commitAll({this});
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

namespace {
// The folders this process holds, each with the number of FolderLocks on it: a lock taken a
// second time (an open of a database in the start folder during a swap) must not wait for
// itself.
struct HeldFolder {
    std::uint64_t device;
    std::uint64_t inode;
    int fd;
    int holders;
};
std::vector<HeldFolder>& heldFolders() {
    static std::vector<HeldFolder> held;
    return held;
}
}  // namespace

void writeFileSafely(const std::string& path, ConstBytes bytes) {
    AtomicFile file(path);
    file.stream().writeAt(0, bytes);
    file.commit();
}

FolderLock::FolderLock(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return;
    }
    device_ = st.st_dev;
    inode_ = st.st_ino;
    held_ = true;
    for (HeldFolder& h : heldFolders()) {
        if (h.device == device_ && h.inode == inode_) {
            ++h.holders;
            ::close(fd);
            return;
        }
    }
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    heldFolders().push_back({device_, inode_, fd, 1});
}

FolderLock::~FolderLock() {
    if (!held_) return;
    auto& held = heldFolders();
    for (auto it = held.begin(); it != held.end(); ++it) {
        if (it->device != device_ || it->inode != inode_) continue;
        if (--it->holders == 0) {
            ::close(it->fd);
            held.erase(it);
        }
        return;
    }
}

}  // namespace pelvaro::io
