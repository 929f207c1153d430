#include "session/recovery.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "db/database_file.h"
#include "io/safe_files.h"

namespace pelvaro::session {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = "recovery-";
constexpr std::string_view kWhere = ".where";

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

std::string baseOf(const std::string& database) {
    return database.substr(0, database.size() - db::kDatabaseExtension.size());
}

void writeWhere(const std::string& base, const std::string& ranIn) {
    io::AtomicFile where(base + std::string(kWhere));
    where.stream().writeAt(0,
                           ConstBytes(reinterpret_cast<const Byte*>(ranIn.data()), ranIn.size()));
    where.commit();
}

std::string readWhere(const std::string& base) {
    try {
        const io::FileStream where = io::FileStream::openRead(base + std::string(kWhere));
        std::string text(static_cast<std::size_t>(std::min<std::int64_t>(where.size(), 4096)),
                         '\0');
        text.resize(where.readAt(0, Bytes(reinterpret_cast<Byte*>(text.data()), text.size())));
        return text;
    } catch (const io::FileError&) {
        return {};
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

// "recovery-20261208-140531-0001" -> "2026-12-08 14:05:31".
std::string savedAtOf(const std::string& base) {
    const std::string name = fs::path(base).filename().string();
    if (name.size() < kPrefix.size() + 15) return name;
    const std::string s = name.substr(kPrefix.size());
    return s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2) + " " + s.substr(9, 2) +
           ":" + s.substr(11, 2) + ":" + s.substr(13, 2);
}

void dropOldCopies(const std::string& folder) {
    const std::vector<RecoveryCopy> copies = recoveryCopies(folder);
    for (std::size_t i = kKeptCopies; i < copies.size(); ++i)
        deleteRecoveryCopy(copies[i]);
}

std::string save(const std::array<const io::FileStream*, db::kKindCount>& sources,
                 const std::string& ranIn, const std::string& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    const std::string base = freshBase(folder);
    const db::DatabasePaths paths = db::writeDatabase(sources, db::databasePaths(base));
    writeWhere(base, ranIn);
    dropOldCopies(folder);
    return paths.database;
}

}  // namespace

std::string saveRecoveryCopy(const db::RecordFiles& files, const std::string& folder) {
    return save({&files.stream(db::Kind::Program), &files.stream(db::Kind::Combination),
                 &files.stream(db::Kind::DrumKit), &files.stream(db::Kind::Class)},
                files.startDirectory(), folder);
}

std::optional<std::string> saveLeftWorkingFiles(
    const std::array<std::string, db::kKindCount>& paths, const std::string& ranIn,
    const std::string& folder) {
    for (const std::string& path : paths) {
        std::error_code error;
        if (!fs::is_regular_file(fs::symlink_status(path, error))) return std::nullopt;
    }
    bool entries = false;
    for (db::Kind kind : db::kAllKinds)
        entries = entries || countIn(paths[static_cast<std::size_t>(kind)], kind) > 0;
    if (!entries) return std::nullopt;
    std::array<io::FileStream, db::kKindCount> files;
    for (std::size_t i = 0; i < files.size(); ++i)
        files[i] = io::FileStream::openRead(paths[i]);
    return save({&files[0], &files[1], &files[2], &files[3]}, ranIn, folder);
}

std::vector<RecoveryCopy> recoveryCopies(const std::string& folder) {
    std::vector<RecoveryCopy> copies;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(kPrefix) || !name.ends_with(db::kDatabaseExtension)) continue;
        const std::string database = entry.path().string();
        const std::string base = baseOf(database);
        const db::DatabasePaths paths = db::databasePaths(base);
        copies.push_back({database, savedAtOf(base), readWhere(base),
                          countIn(paths.members[0], db::Kind::Program),
                          countIn(paths.members[1], db::Kind::Combination),
                          countIn(paths.members[3], db::Kind::Class)});
    }
    // Names carry the date and time: the newest sorts last.
    std::ranges::sort(copies, [](const RecoveryCopy& a, const RecoveryCopy& b) {
        return a.database > b.database;
    });
    return copies;
}

void deleteRecoveryCopy(const RecoveryCopy& copy) {
    const std::string base = baseOf(copy.database);
    const db::DatabasePaths paths = db::databasePaths(base);
    for (const std::string& member : paths.members)
        io::removeFile(member);
    io::removeFile(paths.database);
    io::removeFile(base + std::string(kWhere));
}

}  // namespace pelvaro::session
