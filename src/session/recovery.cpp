#include "session/recovery.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>

#include "db/database_file.h"
#include "db/origins.h"
#include "io/safe_files.h"
#include "pcg/pcg_files.h"

namespace pelvaro::session {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = "recovery-";
constexpr std::string_view kWhere = ".where";
constexpr std::string_view kPcg = ".pcg";
// A ".where" of this version begins with this line, then holds its fields each ended by a zero
// byte (no path holds one). One of an earlier version holds the folder the program ran in and
// nothing else.
constexpr std::string_view kWhereMagic = "pelvaro recovery copy 2\n";

std::string timeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// A name of its own for a copy saved now: the date and time, and a number when two copies are
// saved in one second.
std::string freshBase(const std::string& folder) {
    const std::string stamp = std::string(kPrefix) + timeStamp() + "-";
    // After every number used in this second, so a newer copy always sorts after the older ones,
    // also when older ones of the same second were dropped.
    int n = 1;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(stamp)) continue;
        n = std::max(n, std::atoi(name.c_str() + stamp.size()) + 1);
    }
    char number[16];
    std::snprintf(number, sizeof number, "%04d", n);
    return folder + "/" + stamp + number;
}

std::string cut(const std::string& path, std::string_view ending) {
    return path.ends_with(ending) ? path.substr(0, path.size() - ending.size()) : path;
}

std::string baseOf(const RecoveryCopy& copy) {
    return copy.database.empty() ? cut(copy.pcg, kPcg) : cut(copy.database, db::kDatabaseExtension);
}

void writeWhere(const std::string& base, const CopyContents& contents) {
    std::string text(kWhereMagic);
    for (const std::string* field : {&contents.ranIn, &contents.cameFrom, &contents.pcgFileName})
        text.append(*field).push_back('\0');
    io::AtomicFile where(base + std::string(kWhere));
    where.stream().writeAt(0, ConstBytes(reinterpret_cast<const Byte*>(text.data()), text.size()));
    where.commit();
}

std::string readText(const std::string& path, std::int64_t most) {
    try {
        const io::FileStream file = io::FileStream::openRead(path);
        std::string text(static_cast<std::size_t>(std::min(file.size(), most)), '\0');
        text.resize(file.readAt(0, Bytes(reinterpret_cast<Byte*>(text.data()), text.size())));
        return text;
    } catch (const io::FileError&) {
        return {};
    }
}

void readWhere(const std::string& base, RecoveryCopy& copy) {
    const std::string text = readText(base + std::string(kWhere), 64 * 1024);
    if (!text.starts_with(kWhereMagic)) {
        copy.ranIn = text;
        return;
    }
    std::size_t at = kWhereMagic.size();
    for (std::string* field : {&copy.ranIn, &copy.cameFrom, &copy.pcgFileName}) {
        const std::size_t end = text.find('\0', at);
        if (end == std::string::npos) return;
        *field = text.substr(at, end - at);
        at = end + 1;
    }
}

std::int32_t countIn(const std::string& path, db::Kind kind) {
    try {
        const io::FileStream file = io::FileStream::openRead(path);
        std::array<Byte, 4> value{};
        if (file.readAt(static_cast<std::int64_t>(db::layoutOf(kind).countOffset), value) < 4)
            return 0;
        return std::max(le32(value, 0), 0);
    } catch (const io::FileError&) {
        return 0;
    }
}

std::int64_t sizeOf(const std::string& path) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    return error ? 0 : static_cast<std::int64_t>(size);
}

bool isFile(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(fs::symlink_status(path, error));
}

// "recovery-20261208-140531-0001" -> "2026-12-08 14:05:31".
std::string savedAtOf(const std::string& base) {
    const std::string name = fs::path(base).filename().string();
    if (name.size() < kPrefix.size() + 15) return name;
    const std::string s = name.substr(kPrefix.size());
    return s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2) + " " + s.substr(9, 2) +
           ":" + s.substr(11, 2) + ":" + s.substr(13, 2);
}

// Every file a copy may have: first those it is listed by, so a copy deleted half way is not
// listed with files missing; the ".where" last.
std::vector<std::string> filesOf(const std::string& base) {
    const db::DatabasePaths paths = db::databasePaths(base);
    std::vector<std::string> files{paths.database, base + std::string(kPcg)};
    files.insert(files.end(), paths.members.begin(), paths.members.end());
    files.push_back(paths.origins);
    files.push_back(base + std::string(kWhere));
    return files;
}

RecoveryCopy describe(const std::string& base) {
    RecoveryCopy copy;
    const db::DatabasePaths paths = db::databasePaths(base);
    if (isFile(paths.database)) {
        copy.database = paths.database;
        copy.programs = countIn(paths.members[0], db::Kind::Program);
        copy.combinations = countIn(paths.members[1], db::Kind::Combination);
        copy.drumKits = countIn(paths.members[2], db::Kind::DrumKit);
        copy.classes = countIn(paths.members[3], db::Kind::Class);
    }
    if (isFile(base + std::string(kPcg))) copy.pcg = base + std::string(kPcg);
    copy.savedAt = savedAtOf(base);
    readWhere(base, copy);
    for (const std::string& file : filesOf(base))
        copy.bytes += sizeOf(file);
    return copy;
}

bool holdsEntries(const std::array<std::string, db::kKindCount>& paths) {
    for (const std::string& path : paths)
        if (!isFile(path)) return false;
    for (db::Kind kind : db::kAllKinds)
        if (countIn(paths[static_cast<std::size_t>(kind)], kind) > 0) return true;
    return false;
}

}  // namespace

RecoveryCopy saveRecoveryCopy(const CopyContents& contents, const std::string& folder,
                              const RecoveryLimits& limits) {
    std::error_code error;
    fs::create_directories(folder, error);
    const std::string base = freshBase(folder);
    try {
        if (contents.pcg) pcg::writePcgFile(*contents.pcg, base + std::string(kPcg));
        if (contents.database)
            db::writeDatabase(*contents.database, db::databasePaths(base), contents.origins);
        writeWhere(base, contents);
    } catch (...) {
        // Half a copy is no copy: what the work is kept in stays where it is, for a later try.
        for (const std::string& file : filesOf(base))
            io::removeFile(file);
        throw;
    }
    keepWithinLimits(folder, limits);
    return describe(base);
}

std::string saveRecoveryCopy(const db::RecordFiles& files, const std::string& folder,
                             const std::string& cameFrom, const RecoveryLimits& limits) {
    const std::array<const io::FileStream*, db::kKindCount> streams = {
        &files.stream(db::Kind::Program), &files.stream(db::Kind::Combination),
        &files.stream(db::Kind::DrumKit), &files.stream(db::Kind::Class)};
    return saveRecoveryCopy({.database = &streams,
                             .pcg = nullptr,
                             .pcgFileName = {},
                             .ranIn = files.startDirectory(),
                             .cameFrom = cameFrom},
                            folder, limits)
        .database;
}

std::optional<RecoveryCopy> saveLeftBehind(const std::array<std::string, db::kKindCount>& paths,
                                           const std::optional<pcg::PcgImage>& pcg,
                                           const CopyContents& origin, const std::string& folder,
                                           const RecoveryLimits& limits) {
    const bool database = holdsEntries(paths);
    if (!database && !pcg) return std::nullopt;
    CopyContents contents = origin;
    std::array<io::FileStream, db::kKindCount> files;
    std::array<const io::FileStream*, db::kKindCount> streams{};
    io::FileStream origins;
    if (database) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            files[i] = io::FileStream::openRead(paths[i]);
            streams[i] = &files[i];
        }
        contents.database = &streams;
        const std::string originsPath = db::originsMemberPath(paths[0]);
        std::error_code error;
        if (fs::is_regular_file(originsPath, error)) {
            origins = io::FileStream::openRead(originsPath);
            contents.origins = &origins;
        }
    } else {
        contents.database = nullptr;
        contents.cameFrom.clear();
    }
    contents.pcg = pcg ? &*pcg : nullptr;
    if (!pcg) contents.pcgFileName.clear();
    return saveRecoveryCopy(contents, folder, limits);
}

std::vector<RecoveryCopy> recoveryCopies(const std::string& folder) {
    std::set<std::string, std::greater<>> bases;  // names carry the date and time: newest first
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(kPrefix)) continue;
        const std::string path = entry.path().string();
        if (name.ends_with(db::kDatabaseExtension))
            bases.insert(cut(path, db::kDatabaseExtension));
        else if (name.ends_with(kPcg))
            bases.insert(cut(path, kPcg));
    }
    std::vector<RecoveryCopy> copies;
    for (const std::string& base : bases)
        copies.push_back(describe(base));
    return copies;
}

std::optional<RecoveryCopy> recoveryCopy(const std::string& path) {
    const std::string base = cut(cut(path, db::kDatabaseExtension), kPcg);
    if (!isFile(base + std::string(db::kDatabaseExtension)) && !isFile(base + std::string(kPcg)))
        return std::nullopt;
    return describe(base);
}

std::int64_t recoveryFolderSize(const std::string& folder) {
    std::int64_t bytes = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (isFile(entry.path().string())) bytes += sizeOf(entry.path().string());
    return bytes;
}

void keepWithinLimits(const std::string& folder, const RecoveryLimits& limits) {
    const std::vector<RecoveryCopy> copies = recoveryCopies(folder);
    // The newest copy of each database, and of each PCG kept alone, stays whatever the limits.
    std::set<std::string> seen;
    std::vector<bool> newestOfItsOwn(copies.size());
    std::int64_t bytes = 0;
    for (std::size_t i = 0; i < copies.size(); ++i) {
        const RecoveryCopy& copy = copies[i];
        const std::string own =
            copy.database.empty() ? "pcg\n" + copy.pcgFileName : "database\n" + copy.cameFrom;
        newestOfItsOwn[i] = seen.insert(own).second;
        bytes += copy.bytes;
    }
    std::size_t count = copies.size();
    for (std::size_t i = copies.size(); i-- > 0;) {
        if (bytes <= limits.bytes && count <= limits.copies) break;
        if (newestOfItsOwn[i]) continue;
        deleteRecoveryCopy(copies[i]);
        bytes -= copies[i].bytes;
        --count;
    }
}

void deleteRecoveryCopy(const RecoveryCopy& copy) {
    for (const std::string& file : filesOf(baseOf(copy)))
        io::removeFile(file);
}

}  // namespace pelvaro::session
