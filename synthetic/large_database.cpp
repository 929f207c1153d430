#include "large_database.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "io/file_stream.h"
#include "pcg_builder.h"

namespace pelvaro::synthetic {

namespace {
constexpr std::int32_t kDrumKits = 40;
constexpr std::int32_t kClasses = 30;
constexpr std::array<const char*, 8> kNames = {"PIANO %d", "Strings%d", "GrandPiano", "Pad %d",
                                               "Brass %d", "Organ %d",  "Bass %d",    "Lead %d"};

std::string nameOf(std::int32_t n) {
    char text[32];
    std::snprintf(text, sizeof text, kNames[static_cast<std::size_t>(n) % kNames.size()], n % 1000);
    return text;
}

void putName(Bytes record, const std::string& name) {
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), pcg::kNameSize), record.begin());
}
}  // namespace

void writeRecordFile(const std::string& path, db::Kind kind, std::int32_t count,
                     const std::function<void(std::int32_t, Bytes)>& fill) {
    const std::size_t size = db::layoutOf(kind).recordSize;
    const std::size_t idAt = db::layoutOf(kind).countOffset;
    std::vector<Byte> bytes((static_cast<std::size_t>(count) + 1) * size, 0);
    if (kind == db::Kind::Class) putFieldText(Bytes(bytes).first(db::kClassNameSize), "No Class");
    setLe32(bytes, idAt, count);
    for (std::int32_t n = 1; n <= count; ++n) {
        const Bytes record = Bytes(bytes).subspan(static_cast<std::size_t>(n) * size, size);
        fill(n, record);
        if (kind != db::Kind::Class) setLe32(record, idAt, n);
    }
    writeBytes(path, bytes);
}

void writeChainedClasses(const std::string& path, std::int32_t count) {
    writeRecordFile(path, db::Kind::Class, count, [](std::int32_t n, Bytes r) {
        putFieldText(r.first(db::kClassNameSize), "Class " + std::to_string(n));
        setLe32(r, db::ClassEntry::kParentId, n - 1);
    });
}

db::DatabasePaths writeLargeDatabase(const std::string& base, std::int32_t programs,
                                     std::int32_t combinations) {
    using namespace db;
    const DatabasePaths paths = databasePaths(base);
    std::vector<std::vector<Byte>> sounds;
    for (unsigned v = 1; v <= 16; ++v)
        sounds.push_back(makeProgram("", {.oscMode = static_cast<int>(v % 3),
                                          .osc1 = static_cast<int>(v * 7),
                                          .osc2 = static_cast<int>(v * 3),
                                          .voice = v}));
    writeRecordFile(paths.members[0], Kind::Program, programs, [&](std::int32_t n, Bytes r) {
        std::ranges::copy(sounds[static_cast<std::size_t>(n) % sounds.size()], r.begin());
        putName(r, nameOf(n));
        putFieldText(r.subspan(ProgramLayout::kExplanation, kExplanationSize),
                     "From: /home/user/sounds/bank.pcg");
        r[ProgramLayout::kClassIds] = static_cast<Byte>(n % (kClasses + 1));
        setLe32(r, ProgramLayout::kDrumKitId, n % 3 == 2 ? 1 + n % kDrumKits : 0);
    });
    const auto combination = makeCombination("", {plays(0), plays(1)});
    writeRecordFile(
        paths.members[1], Kind::Combination, combinations, [&](std::int32_t n, Bytes r) {
            std::ranges::copy(combination, r.begin());
            putName(r, nameOf(n + 3));
            r[CombinationLayout::kClassIds] = static_cast<Byte>(n % (kClasses + 1));
            setLe32(r, CombinationLayout::kTimbreProgramIds, 1 + n % programs);
            setLe32(r, CombinationLayout::kTimbreProgramIds + 4, 1 + (n * 7) % programs);
        });
    const auto kit = makeDrumKit(5);
    writeRecordFile(paths.members[2], Kind::DrumKit, kDrumKits,
                    [&](std::int32_t, Bytes r) { std::ranges::copy(kit, r.begin()); });
    writeRecordFile(paths.members[3], Kind::Class, kClasses, [&](std::int32_t n, Bytes r) {
        putFieldText(r.first(kClassNameSize), "Class " + std::to_string(n));
        setLe32(r, ClassEntry::kParentId, n > 5 ? 1 + n % 5 : 0);
    });
    std::vector<Byte> block(kDatabaseFileSize, 0);
    for (int i = 0; i < kKindCount; ++i)
        putFieldText(
            Bytes(block).subspan(static_cast<std::size_t>(i) * kPathFieldSize, kPathFieldSize),
            paths.members[static_cast<std::size_t>(i)]);
    writeBytes(paths.database, block);
    return paths;
}

}  // namespace pelvaro::synthetic
