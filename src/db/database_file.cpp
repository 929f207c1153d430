#include "db/database_file.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "db/class_tree.h"
#include "db/name_column.h"
#include "db/origins.h"
#include "db/record_scan.h"
#include "io/paths.h"
#include "io/safe_files.h"
#include "io/side_by_side.h"

namespace pelvaro::db {

namespace {

// What is wrong with a member file, in a few words after its name.
[[noreturn]] void refuse(const std::string& file, const std::string& problem) {
    throw RefusalError(Refusal{std::string(kDatabaseErrorCaption),
                               std::string(kDatabaseErrorText) + file + ": " + problem});
}

std::string entryProblem(std::int32_t n, const std::string& what) {
    return "entry " + std::to_string(n) + " " + what;
}

// A member file opened for reading, the number of entries its header record claims and the
// number of whole records it holds.
struct Member {
    io::FileStream stream;
    std::int32_t count = 0;
    std::int64_t records = 0;
};

constexpr std::array<std::string_view, kKindCount> kKindNames = {"program", "combination",
                                                                 "drum-kit", "class"};

std::string kindName(Kind kind) {
    return std::string(kKindNames[static_cast<std::size_t>(kind)]);
}

// What a member file holds, as far as its first records tell: a class file begins with the
// "No Class" record, and in the other kinds record 1 carries the ID number 1 where its kind
// keeps it. Nothing when neither tells (a file with no entry record, or of another program).
std::optional<Kind> recognizedKind(const io::FileStream& file, std::int64_t size, Kind expected) {
    std::array<Byte, 2 * DrumKitLayout::kSize> start{};
    file.readAt(0, start);
    if (size >= static_cast<std::int64_t>(ClassEntry::kSize) &&
        fieldText(ConstBytes(start).first(kClassNameSize)) == kNoClassName)
        return Kind::Class;
    std::optional<Kind> found;
    for (Kind kind : {Kind::Program, Kind::Combination, Kind::DrumKit}) {
        const KindLayout& layout = layoutOf(kind);
        if (size < 2 * static_cast<std::int64_t>(layout.recordSize)) continue;
        if (le32(start, layout.recordSize + layout.countOffset) != 1) continue;
        if (kind == expected) return kind;
        if (!found) found = kind;
    }
    return found;
}

void readCount(Member& m, const std::string& path, Kind kind) {
    const KindLayout& layout = layoutOf(kind);
    const std::int64_t size = m.stream.size();
    const auto recordSize = static_cast<std::int64_t>(layout.recordSize);
    // A member of another kind reads its count, and everything else, at the wrong places: it is
    // named for what it is before any of that is looked at.
    const std::optional<Kind> held = recognizedKind(m.stream, size, kind);
    if (held && held != kind)
        refuse(path, "is a " + kindName(*held) + " file, not a " + kindName(kind) + " file");
    if (size < recordSize) refuse(path, "is shorter than one record");
    m.records = size / recordSize;
    std::array<Byte, 4> value{};
    m.stream.readExactAt(static_cast<std::int64_t>(layout.countOffset), value);
    m.count = le32(value, 0);
    if (held != kind) {
        if (kind == Kind::Class) refuse(path, "is not a class file");
        if (m.records >= 2 && m.count < 1) {
            std::array<Byte, 4> id{};
            m.stream.readExactAt(recordSize + static_cast<std::int64_t>(layout.countOffset), id);
            refuse(path, "is not a " + kindName(kind) + " file: record 1 has the ID number " +
                             std::to_string(le32(id, 0)));
        }
    }
    if (m.count < 0) refuse(path, "has a negative entry count");
    if (m.count > m.records - 1)
        refuse(path, "holds fewer records than its entry count (" + std::to_string(m.count) + ")");
}

// Calls check(n, record) for every entry 1..count of a member.
template <class Check>
void forEachEntry(const Member& m, Kind kind, Check check) {
    scanRecords(m.stream, layoutOf(kind).recordSize, 1, m.count, check);
}

struct Counts {
    std::int32_t programs, combinations, drumKits, classes;
    std::int64_t classRecords;  // whole records the class file holds, its header included
    std::string classPath;
};

void checkIdNumber(const std::string& path, std::int32_t n, ConstBytes record, std::size_t at) {
    const std::int32_t id = le32(record, at);
    if (id != n) refuse(path, entryProblem(n, "has the ID number " + std::to_string(id)));
}

void checkClassIds(const std::string& path, std::int32_t n, ConstBytes record, std::size_t at,
                   const Counts& c) {
    for (int s = 0; s < kClassSlots; ++s) {
        const int id = static_cast<signed char>(record[at + s]);
        if (id == 0 || (id >= 1 && id <= c.classes)) continue;
        // A class the class file still holds beyond its count: the count was lowered there.
        if (id >= 1 && id < c.classRecords)
            refuse(c.classPath, "its class count (" + std::to_string(c.classes) +
                                    ") leaves out class " + std::to_string(id) +
                                    ", which entries use");
        refuse(path,
               entryProblem(n, "names class " + std::to_string(id) + ", which does not exist"));
    }
}

// The programs' and combinations' checks gather their names on the way when asked to.
void checkPrograms(const std::string& path, const Member& m, const Counts& c,
                   std::vector<char>* names) {
    forEachEntry(m, Kind::Program, [&](std::int32_t n, ConstBytes r) {
        if (names) NameColumn::appendName(*names, r);
        checkIdNumber(path, n, r, ProgramLayout::kIdNumber);
        checkClassIds(path, n, r, ProgramLayout::kClassIds, c);
        const std::int32_t kit = le32(r, ProgramLayout::kDrumKitId);
        if (kit > c.drumKits)
            refuse(path, entryProblem(n, "names drum kit " + std::to_string(kit) +
                                             ", which does not exist"));
    });
}

void checkCombinations(const std::string& path, const Member& m, const Counts& c,
                       std::vector<char>* names) {
    forEachEntry(m, Kind::Combination, [&](std::int32_t n, ConstBytes r) {
        if (names) NameColumn::appendName(*names, r);
        checkIdNumber(path, n, r, CombinationLayout::kIdNumber);
        checkClassIds(path, n, r, CombinationLayout::kClassIds, c);
        for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
            const std::int32_t id = le32(r, CombinationLayout::kTimbreProgramIds + 4 * t);
            if (id < -1 || id > c.programs)
                refuse(path, entryProblem(n, "names program " + std::to_string(id) +
                                                 ", which does not exist"));
        }
    });
}

void checkDrumKits(const std::string& path, const Member& m) {
    forEachEntry(m, Kind::DrumKit, [&](std::int32_t n, ConstBytes r) {
        checkIdNumber(path, n, r, DrumKitLayout::kIdNumber);
    });
}

// Every parent exists and every chain of parents ends at the top: the tree, the paths and the
// class filter walk these chains.
void checkClasses(const std::string& path, const Member& m) {
    const ClassTree tree = ClassTree::read(m.stream, m.count);
    const auto& damage = tree.damage();
    if (!damage) return;
    const std::string name = "class " + std::to_string(damage->classId);
    if (damage->kind == ClassTree::Damage::Kind::MissingParent)
        refuse(path,
               name + " names parent " + std::to_string(damage->parent) + ", which does not exist");
    refuse(path, name + " lies below itself");
}

// The member paths a database file names, each ending in its kind's extension.
std::array<std::string, kKindCount> memberPaths(const std::string& databasePath) {
    std::array<Byte, kDatabaseFileSize> block{};
    {
        const io::FileStream database = io::FileStream::openRead(databasePath);
        if (database.readAt(0, block) < kDatabaseFileSize)
            refuse(databasePath, "is shorter than " + std::to_string(kDatabaseFileSize) + " bytes");
    }
    std::array<std::string, kKindCount> paths;
    for (Kind kind : kAllKinds) {
        const auto i = static_cast<std::size_t>(kind);
        paths[i] = fieldText(ConstBytes(block).subspan(i * kPathFieldSize, kPathFieldSize));
        // A member in another kind's field would be read at another kind's offsets.
        if (!paths[i].ends_with(kMemberExtensions[i]))
            refuse(databasePath, "names " + paths[i] + " as its " + kindName(kind) +
                                     " file, which must end in \"" +
                                     std::string(kMemberExtensions[i]) + "\"");
    }
    return paths;
}

std::string absolutePath(const std::string& chosen) {
    if (chosen.empty()) return chosen;
    std::error_code error;
    const std::filesystem::path p = std::filesystem::absolute(chosen, error);
    return error ? chosen : p.string();
}

}  // namespace

std::string databaseBaseName(const std::string& chosen) {
    return io::cutAtExtension(chosen, kDatabaseExtension);
}

DatabasePaths databasePaths(const std::string& base) {
    DatabasePaths paths;
    paths.database = base + std::string(kDatabaseExtension);
    for (int i = 0; i < kKindCount; ++i)
        paths.members[i] = base + std::string(kMemberExtensions[i]);
    paths.origins = originsMemberPath(paths.members[0]);
    return paths;
}

DatabasePaths exportDatabase(const RecordFiles& files, const std::string& chosen,
                             const io::FileStream* origins) {
    const DatabasePaths paths = databasePaths(databaseBaseName(absolutePath(chosen)));
    for (const std::string& member : paths.members) {
        for (Kind kind : kAllKinds) {
            std::error_code error;
            if (std::filesystem::equivalent(member, files.pathOf(kind), error))
                throw RefusalError(
                    Refusal{std::string(kFileNameErrorCaption), std::string(kWorkingFileNameText)});
        }
    }
    return writeDatabase({&files.stream(Kind::Program), &files.stream(Kind::Combination),
                          &files.stream(Kind::DrumKit), &files.stream(Kind::Class)},
                         paths, origins);
}

DatabasePaths writeDatabase(const std::array<const io::FileStream*, kKindCount>& sources,
                            const DatabasePaths& paths, const io::FileStream* origins) {
    for (const std::string& member : paths.members)
        if (member.size() >= kPathFieldSize)
            throw RefusalError(
                Refusal{std::string(kFileNameErrorCaption), std::string(kNameTooLongText)});
    // Another copy exporting to or opening from this folder waits until all five are in place.
    const std::string folder = io::folderOf(paths.database);
    const io::FolderLock lock(folder);
    io::tidyFolder(folder);
    // A folder, a pipe or a device in the way of one of the five is refused before anything is
    // written; a link is followed to the file it names.
    for (const std::string* target : {&paths.database, &paths.members[0], &paths.members[1],
                                      &paths.members[2], &paths.members[3]})
        io::writableTarget(*target);
    if (origins) io::writableTarget(paths.origins);

    std::array<Byte, kDatabaseFileSize> block{};
    for (int i = 0; i < kKindCount; ++i)
        putFieldText(Bytes(block).subspan(i * kPathFieldSize, kPathFieldSize), paths.members[i]);

    io::AtomicFile database(paths.database);
    database.stream().writeAt(0, block);
    std::array<std::unique_ptr<io::AtomicFile>, kKindCount> members;
    for (Kind kind : kAllKinds) {
        const int i = static_cast<int>(kind);
        members[i] = std::make_unique<io::AtomicFile>(paths.members[i]);
    }
    // The programs are copied on a core of their own beside the other three.
    const auto copy = [&](int i) { members[i]->stream().copyFrom(*sources[i], true); };
    io::sideBySide([&] { copy(0); },
                   [&] {
                       for (int i = 1; i < kKindCount; ++i)
                           copy(i);
                   });
    // The members take their names before the database file that names them, and all five or
    // none: a failure leaves the database exported before whole.
    std::vector<io::AtomicFile*> all{members[0].get(), members[1].get(), members[2].get(),
                                     members[3].get()};
    std::unique_ptr<io::AtomicFile> originsMember;
    if (origins) {
        originsMember = std::make_unique<io::AtomicFile>(paths.origins);
        originsMember->stream().copyFrom(*origins, true);
        all.push_back(originsMember.get());
    }
    all.push_back(&database);
    io::AtomicFile::commitAll(all);
    return paths;
}

namespace {

// The folders of the database file and of its members are held (in one order, so two copies
// never wait for each other) while the five are opened, so an export by another copy is either
// complete or not begun; the database file is read again once they are held. Returns the
// member paths it names.
std::array<std::string, kKindCount> lockMembers(
    const std::string& databasePath, std::vector<std::unique_ptr<io::FolderLock>>& locks) {
    std::array<std::string, kKindCount> paths = memberPaths(databasePath);
    for (int round = 0;; ++round) {
        std::vector<std::string> folders{io::folderOf(databasePath)};
        for (const std::string& path : paths)
            folders.push_back(io::folderOf(path));
        std::ranges::sort(folders);
        folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
        locks.clear();
        for (const std::string& folder : folders) {
            locks.push_back(std::make_unique<io::FolderLock>(folder));
            io::tidyFolder(folder);
        }
        const std::array<std::string, kKindCount> now = memberPaths(databasePath);
        if (now == paths || round == 3) return now;
        paths = now;
    }
}

// Every member is opened before any is looked at, so a missing one is named first, as it would
// be without the checks; then each one's count is read.
std::array<Member, kKindCount> openMembers(const std::array<std::string, kKindCount>& paths) {
    std::array<Member, kKindCount> m;
    for (int i = 0; i < kKindCount; ++i)
        m[i].stream = io::FileStream::openRead(paths[i]);
    for (Kind kind : kAllKinds) {
        const int i = static_cast<int>(kind);
        readCount(m[i], paths[i], kind);
    }
    return m;
}

Counts countsOf(const std::array<Member, kKindCount>& m,
                const std::array<std::string, kKindCount>& paths) {
    return {m[0].count, m[1].count, m[2].count, m[3].count, m[3].records, paths[3]};
}

}  // namespace

void openDatabase(RecordFiles& files, const std::string& databasePath, NameColumn* names,
                  OriginStore* origins) {
    std::vector<std::unique_ptr<io::FolderLock>> locks;
    const std::array<std::string, kKindCount> paths = lockMembers(databasePath, locks);
    std::array<Member, kKindCount> m = openMembers(paths);
    const Counts counts = countsOf(m, paths);
    OriginStore::Member kept;
    if (origins) kept = OriginStore::readMember(originsMemberPath(paths[0]));
    // The entries are checked while the copies are made; a damaged member throws the copies
    // away before they take the working files' names.
    std::array<std::vector<char>, 2> seen;
    if (names) seen = {NameColumn::names(m[0].count), NameColumn::names(m[1].count)};
    files.replaceFiles({&m[0].stream, &m[1].stream, &m[2].stream, &m[3].stream}, [&] {
        checkPrograms(paths[0], m[0], counts, names ? &seen[0] : nullptr);
        checkCombinations(paths[1], m[1], counts, names ? &seen[1] : nullptr);
        checkDrumKits(paths[2], m[2]);
        checkClasses(paths[3], m[3]);
    });
    if (names) {
        names->adopt(Kind::Program, std::move(seen[0]));
        names->adopt(Kind::Combination, std::move(seen[1]));
    }
    if (origins) origins->adopt(std::move(kept));
}

StoredDatabase::StoredDatabase(const std::string& databasePath, const RecordFiles* inUse)
    : path_(databasePath) {
    std::array<Member, kKindCount> m;
    {
        // Once open, the members stay what they are: an export replaces files, it never
        // writes into them. So the locks are let go before the long reads.
        std::vector<std::unique_ptr<io::FolderLock>> locks;
        members_ = lockMembers(databasePath, locks);
        if (inUse) {
            for (const std::string& member : members_)
                for (Kind kind : kAllKinds) {
                    std::error_code error;
                    if (std::filesystem::equivalent(member, inUse->pathOf(kind), error))
                        refuse(databasePath, "names the working files of the database in use");
                }
        }
        m = openMembers(members_);
    }
    const Counts counts = countsOf(m, members_);
    // The programs are checked on a core of their own beside the other three.
    io::sideBySide([&] { checkPrograms(members_[0], m[0], counts, nullptr); },
                   [&] {
                       checkCombinations(members_[1], m[1], counts, nullptr);
                       checkDrumKits(members_[2], m[2]);
                       checkClasses(members_[3], m[3]);
                   });
    for (int i = 0; i < kKindCount; ++i) {
        streams_[i] = std::move(m[i].stream);
        counts_[i] = m[i].count;
    }
}

void newDatabase(RecordFiles& files) {
    files.resetRecordFiles();
}

}  // namespace pelvaro::db
