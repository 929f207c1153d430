// The database at the size of a large collection: 100,000 programs and 100,000 combinations.
// List refills with and without filters, Open and Export Database, and, as the measure for the
// last two, a plain copy of the same bytes made in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "db/database_file.h"
#include "db/listing.h"
#include "pcg/file_stream.h"
#include "pcg_builder.h"
#include "temp_dir.h"

using namespace pelvaro;
using namespace pelvaro::db;

namespace {

constexpr std::int32_t kPrograms = 100000;
constexpr std::int32_t kCombinations = 100000;
constexpr std::int32_t kDrumKits = 40;
constexpr std::int32_t kClasses = 30;
constexpr std::array<const char*, 8> kNames = {"PIANO %d", "Strings%d", "GrandPiano", "Pad %d",
                                               "Brass %d", "Organ %d",  "Bass %d",    "Lead %d"};

std::string nameOf(std::int32_t n) {
    char text[32];
    std::snprintf(text, sizeof text, kNames[n % kNames.size()], n % 1000);
    return text;
}

// Writes a whole member file in one go: record 0 with the count, then the entries.
template <class Fill>
void writeMember(const std::string& path, Kind kind, std::int32_t count, Fill fill) {
    const std::size_t size = layoutOf(kind).recordSize;
    std::vector<Byte> bytes((static_cast<std::size_t>(count) + 1) * size, 0);
    setLe32(bytes, layoutOf(kind).countOffset, count);
    for (std::int32_t n = 1; n <= count; ++n)
        fill(n, Bytes(bytes).subspan(static_cast<std::size_t>(n) * size, size));
    FileStream::create(path).writeAt(0, bytes);
}

// A stored database built in blocks, and a session whose working files hold it.
struct Collection {
    testing::TempDir dir;
    std::string pvd;
    std::unique_ptr<RecordFiles> files = std::make_unique<RecordFiles>();

    Collection() {
        const DatabasePaths paths = databasePaths(dir.file("big"));
        pvd = paths.database;
        std::vector<std::vector<Byte>> programs;
        for (unsigned v = 1; v <= 16; ++v)
            programs.push_back(testing::makeProgram("", {.oscMode = static_cast<int>(v % 3),
                                                         .osc1 = static_cast<int>(v * 7),
                                                         .osc2 = static_cast<int>(v * 3),
                                                         .voice = v}));
        writeMember(paths.members[0], Kind::Program, kPrograms, [&](std::int32_t n, Bytes r) {
            std::ranges::copy(programs[n % programs.size()], r.begin());
            const std::string name = nameOf(n);
            std::copy_n(name.begin(), std::min<std::size_t>(name.size(), 10), r.begin());
            setLe32(r, ProgramLayout::kIdNumber, n);
            putFieldText(r.subspan(ProgramLayout::kExplanation, kExplanationSize),
                         "From: /home/user/sounds/bank.pcg");
            r[ProgramLayout::kClassIds] = static_cast<Byte>(n % (kClasses + 1));
            setLe32(r, ProgramLayout::kDrumKitId, n % 3 == 2 ? 1 + n % kDrumKits : 0);
        });
        const auto combination =
            testing::makeCombination("", {testing::plays(0), testing::plays(1)});
        writeMember(
            paths.members[1], Kind::Combination, kCombinations, [&](std::int32_t n, Bytes r) {
                std::ranges::copy(combination, r.begin());
                const std::string name = nameOf(n + 3);
                std::copy_n(name.begin(), std::min<std::size_t>(name.size(), 10), r.begin());
                setLe32(r, CombinationLayout::kIdNumber, n);
                r[CombinationLayout::kClassIds] = static_cast<Byte>(n % (kClasses + 1));
                setLe32(r, CombinationLayout::kTimbreProgramIds, 1 + n % kPrograms);
                setLe32(r, CombinationLayout::kTimbreProgramIds + 4, 1 + (n * 7) % kPrograms);
            });
        const auto kit = testing::makeDrumKit(5);
        writeMember(paths.members[2], Kind::DrumKit, kDrumKits, [&](std::int32_t n, Bytes r) {
            std::ranges::copy(kit, r.begin());
            setLe32(r, DrumKitLayout::kIdNumber, n);
        });
        writeMember(paths.members[3], Kind::Class, kClasses, [&](std::int32_t n, Bytes r) {
            putFieldText(r.first(kClassNameSize), "Class " + std::to_string(n));
            setLe32(r, ClassEntry::kParentId, n > 5 ? 1 + n % 5 : 0);
        });
        std::vector<Byte> block(kDatabaseFileSize, 0);
        for (int i = 0; i < kKindCount; ++i)
            putFieldText(Bytes(block).subspan(i * kPathFieldSize, kPathFieldSize),
                         paths.members[i]);
        FileStream::create(pvd).writeAt(0, block);

        std::filesystem::create_directory(dir.file("work"));
        files->createRecordFiles(dir.file("work"));
        openDatabase(*files, pvd);
    }
};

Collection& collection() {
    static Collection c;
    return c;
}

// A view shows a screenful of rows; only those are formatted.
void formatVisibleRows(const RecordFiles& files, Kind kind, const std::vector<std::int32_t>& ids) {
    for (std::size_t r = 0; r < std::min<std::size_t>(ids.size(), 40); ++r)
        benchmark::DoNotOptimize(rowLabel(files, kind, ids, r));
}

void RefillBothListsUnfiltered(benchmark::State& state) {
    const RecordFiles& files = *collection().files;
    for (auto _ : state) {
        const ListRefill r = refreshDatabaseLists(files, {}, ActivePage::DatabasePrograms);
        formatVisibleRows(files, Kind::Program, r.programRowIds);
        formatVisibleRows(files, Kind::Combination, r.combinationRowIds);
        benchmark::DoNotOptimize(r.classChoices.data());
    }
}
BENCHMARK(RefillBothListsUnfiltered)->Unit(benchmark::kMillisecond)->UseRealTime();

void RefillWithNameFilter(benchmark::State& state) {
    const RecordFiles& files = *collection().files;
    const auto page =
        state.range(0) == 0 ? ActivePage::DatabasePrograms : ActivePage::DatabaseCombinations;
    std::size_t rows = 0;
    for (auto _ : state) {
        const ListRefill r = refreshDatabaseLists(files, ListFilter{.nameText = "pia"}, page);
        const auto& ids = r.programsRefilled ? r.programRowIds : r.combinationRowIds;
        formatVisibleRows(files, r.programsRefilled ? Kind::Program : Kind::Combination, ids);
        rows = ids.size();
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(RefillWithNameFilter)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void RefillWithClassAndSoundFilter(benchmark::State& state) {
    const RecordFiles& files = *collection().files;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            refreshDatabaseLists(files, ListFilter{.classId = 2, .soundFrom = 10, .soundTo = 40},
                                 ActivePage::DatabasePrograms));
}
BENCHMARK(RefillWithClassAndSoundFilter)->Unit(benchmark::kMillisecond)->UseRealTime();

void OpenDatabase(benchmark::State& state) {
    Collection& c = collection();
    for (auto _ : state)
        openDatabase(*c.files, c.pvd);
}
BENCHMARK(OpenDatabase)->Unit(benchmark::kMillisecond)->UseRealTime();

void ExportDatabase(benchmark::State& state) {
    Collection& c = collection();
    std::filesystem::create_directory(c.dir.file("out"));
    for (auto _ : state)
        exportDatabase(*c.files, c.dir.file("out/copy"));
}
BENCHMARK(ExportDatabase)->Unit(benchmark::kMillisecond)->UseRealTime();

// The yardstick: the five files' bytes copied with the system's copy, nothing checked.
void PlainCopyOfTheSameBytes(benchmark::State& state) {
    Collection& c = collection();
    const DatabasePaths from = databasePaths(c.dir.file("big"));
    std::filesystem::create_directory(c.dir.file("plain"));
    const DatabasePaths to = databasePaths(c.dir.file("plain/copy"));
    for (auto _ : state) {
        std::filesystem::copy_file(from.database, to.database,
                                   std::filesystem::copy_options::overwrite_existing);
        for (int i = 0; i < kKindCount; ++i)
            std::filesystem::copy_file(from.members[i], to.members[i],
                                       std::filesystem::copy_options::overwrite_existing);
    }
}
BENCHMARK(PlainCopyOfTheSameBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
