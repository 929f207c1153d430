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

// The 30 classes of a small tree (1 to 5 at the top, the others below them) and the database
// file naming the four members.
void writeClassesAndDatabaseFile(const db::DatabasePaths& paths) {
    using namespace db;
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
    writeClassesAndDatabaseFile(paths);
    return paths;
}

namespace {

// splitmix64: fast, and every record of its own.
class Draw {
  public:
    explicit Draw(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::int32_t below(std::int32_t n) {
        return static_cast<std::int32_t>(next() % static_cast<std::uint64_t>(n));
    }
    void fill(Bytes bytes) {
        for (std::size_t i = 0; i < bytes.size(); i += 8) {
            const std::uint64_t v = next();
            for (std::size_t k = 0; k < 8 && i + k < bytes.size(); ++k)
                bytes[i + k] = static_cast<Byte>(v >> (8 * k));
        }
    }

  private:
    std::uint64_t state_;
};

constexpr std::array<const char*, 12> kWords = {"Pad",   "Piano", "Str", "Bass",  "Lead", "Organ",
                                                "Brass", "Bell",  "Kit", "Choir", "Syn",  "Flute"};

void putArchiveName(Bytes record, Draw& draw) {
    char text[16];
    std::snprintf(text, sizeof text, "%s %d", kWords[static_cast<std::size_t>(draw.below(12))],
                  draw.below(10000));
    std::fill_n(record.begin(), pcg::kNameSize, Byte{0});
    putName(record, text);
}

}  // namespace

db::DatabasePaths writeArchiveDatabase(const std::string& base, std::int32_t programs,
                                       std::int32_t combinations, std::int32_t drumKits) {
    using namespace db;
    const DatabasePaths paths = databasePaths(base);
    writeRecordFile(paths.members[0], Kind::Program, programs, [&](std::int32_t n, Bytes r) {
        Draw draw(0x1000000000ull + static_cast<std::uint64_t>(n));
        draw.fill(r.first(pcg::kProgramSize));
        putArchiveName(r, draw);
        const bool drums = n % 3 == 0;
        r[pcg::program::kOscMode] = drums ? 2 : static_cast<Byte>(draw.below(2));
        if (drums) r[pcg::program::kDrumKitSlot] = static_cast<Byte>(draw.below(4));
        putFieldText(r.subspan(ProgramLayout::kExplanation, kExplanationSize),
                     "From: /archive/set" + std::to_string(n / 200) + ".pcg");
        r[ProgramLayout::kClassIds] = static_cast<Byte>(draw.below(kClasses + 1));
        setLe32(r, ProgramLayout::kDrumKitId, drums ? 1 + draw.below(drumKits) : 0);
    });
    writeRecordFile(
        paths.members[1], Kind::Combination, combinations, [&](std::int32_t n, Bytes r) {
            Draw draw(0x2000000000ull + static_cast<std::uint64_t>(n));
            draw.fill(r.first(pcg::kCombinationSize));
            putArchiveName(r, draw);
            for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
                const std::size_t at = pcg::combination::timbreOffset(t);
                const bool on = t < 4;
                r[at + pcg::combination::kTimbreProgram] = static_cast<Byte>(draw.below(200));
                r[at + pcg::combination::kTimbreBank] = 0;
                r[at + pcg::combination::kTimbreFlags] = on ? 0 : 0x10;
                setLe32(r, CombinationLayout::kTimbreProgramIds + 4 * static_cast<std::size_t>(t),
                        on ? 1 + draw.below(programs) : 0);
            }
            putFieldText(r.subspan(CombinationLayout::kExplanation, kExplanationSize),
                         "From: /archive/set" + std::to_string(n / 200) + ".pcg");
            r[CombinationLayout::kClassIds] = static_cast<Byte>(draw.below(kClasses + 1));
        });
    writeRecordFile(paths.members[2], Kind::DrumKit, drumKits, [&](std::int32_t n, Bytes r) {
        Draw draw(0x3000000000ull + static_cast<std::uint64_t>(n));
        draw.fill(r.first(pcg::kDrumKitSize));
    });
    writeClassesAndDatabaseFile(paths);
    return paths;
}

db::DatabasePaths writeCollectionDatabase(const std::string& base, std::int32_t programs,
                                          std::int32_t combinations, std::int32_t drumKits,
                                          std::int32_t shared, std::uint32_t own) {
    using namespace db;
    const DatabasePaths paths = databasePaths(base);
    const auto seed = [&](std::uint64_t kind, std::int32_t n) {
        return (kind << 40) + (n <= shared ? 0 : std::uint64_t{own} << 32) +
               static_cast<std::uint64_t>(n);
    };
    const std::string from = "From: /collection" + std::to_string(own) + "/set";
    const std::int32_t played = std::max(1, std::min(shared, programs));
    writeRecordFile(paths.members[0], Kind::Program, programs, [&](std::int32_t n, Bytes r) {
        Draw draw(seed(4, n));
        draw.fill(r.first(pcg::kProgramSize));
        putArchiveName(r, draw);
        const bool drums = n % 3 == 0;
        r[pcg::program::kOscMode] = drums ? 2 : static_cast<Byte>(draw.below(2));
        if (drums) r[pcg::program::kDrumKitSlot] = static_cast<Byte>(draw.below(4));
        putFieldText(r.subspan(ProgramLayout::kExplanation, kExplanationSize),
                     from + std::to_string(n / 200) + ".pcg");
        r[ProgramLayout::kClassIds] = static_cast<Byte>(draw.below(kClasses + 1));
        setLe32(r, ProgramLayout::kDrumKitId, drums ? 1 + draw.below(drumKits) : 0);
    });
    writeRecordFile(
        paths.members[1], Kind::Combination, combinations, [&](std::int32_t n, Bytes r) {
            Draw draw(seed(5, n));
            draw.fill(r.first(pcg::kCombinationSize));
            putArchiveName(r, draw);
            for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
                const std::size_t at = pcg::combination::timbreOffset(t);
                const bool on = t < 4;
                r[at + pcg::combination::kTimbreProgram] = static_cast<Byte>(draw.below(200));
                r[at + pcg::combination::kTimbreBank] = 0;
                r[at + pcg::combination::kTimbreFlags] = on ? 0 : 0x10;
                setLe32(r, CombinationLayout::kTimbreProgramIds + 4 * static_cast<std::size_t>(t),
                        on ? 1 + draw.below(played) : 0);
            }
            putFieldText(r.subspan(CombinationLayout::kExplanation, kExplanationSize),
                         from + std::to_string(n / 200) + ".pcg");
            r[CombinationLayout::kClassIds] = static_cast<Byte>(draw.below(kClasses + 1));
        });
    writeRecordFile(paths.members[2], Kind::DrumKit, drumKits, [&](std::int32_t n, Bytes r) {
        Draw draw((std::uint64_t{6} << 40) + static_cast<std::uint64_t>(n));
        draw.fill(r.first(pcg::kDrumKitSize));
    });
    writeClassesAndDatabaseFile(paths);
    return paths;
}

// A full PCG: half its programs and combinations from the archive (every 4999th entry), half
// new; two kits from the archive.
pcg::PcgState archivePcg(const db::RecordFiles& files) {
    PcgBuilder b;
    pcg::PcgImage& image = b.image();
    for (int k = 0; k < pcg::kDrumKitCount; ++k) {
        const auto kit = files.read<db::DbDrumKitEntry>(1 + k * 37);
        std::ranges::copy(kit.drumKit(), image.drumKit(k).begin());
        if (k >= 2) image.drumKit(k)[7] ^= 0x55;
    }
    for (int s = 0; s < pcg::kSlotCount; ++s) {
        const std::int32_t n = 1 + s * 4999;
        auto program = files.read<db::DbProgramEntry>(n);
        if (program.drumKitId() > 0) {
            // A stored drum program keeps its kit only when that kit is in the image.
            program = files.read<db::DbProgramEntry>(n + 1);
        }
        std::ranges::copy(program.program(), image.program(s).begin());
        std::ranges::copy(program.program().first(pcg::kNameSize), image.programName(s).begin());
        const auto combination = files.read<db::DbCombinationEntry>(n);
        std::ranges::copy(combination.combination(), image.combination(s).begin());
        std::ranges::copy(combination.combination().first(pcg::kNameSize),
                          image.combinationName(s).begin());
        if (s % 2 == 1) {
            image.program(s)[pcg::program::kOscMode] = 0;
            image.program(s)[20] ^= 0xA5;
            image.combination(s)[30] ^= 0xA5;
        }
    }
    return stateOf(b, "/music/sets/full.pcg");
}

}  // namespace pelvaro::synthetic
