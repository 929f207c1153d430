// The database at the size of a large collection: 100,000 programs and 100,000 combinations.
// List refills with and without filters, Open and Export Database, and, as the measure for the
// last two, a plain copy of the same bytes made in the same run.
#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "db/class_tree.h"
#include "db/database_file.h"
#include "db/listing.h"
#include "io/file_stream.h"
#include "large_database.h"
#include "session/recovery.h"
#include "temp_dir.h"

using namespace pelvaro;
using namespace pelvaro::db;

namespace {

constexpr std::int32_t kPrograms = 100000;
constexpr std::int32_t kCombinations = 100000;

// A stored database written in blocks, and working files that hold it.
struct Collection {
    testing::TempDir dir;
    std::string pvd =
        synthetic::writeLargeDatabase(dir.file("big"), kPrograms, kCombinations).database;
    std::unique_ptr<RecordFiles> files = std::make_unique<RecordFiles>();

    Collection() {
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
        const ListRefill r = listRows(files, {}, Kind::Program);
        formatVisibleRows(files, Kind::Program, r.programRowIds);
        formatVisibleRows(files, Kind::Combination, r.combinationRowIds);
        benchmark::DoNotOptimize(r.classChoices.data());
    }
}
BENCHMARK(RefillBothListsUnfiltered)->Unit(benchmark::kMillisecond)->UseRealTime();

void RefillWithNameFilter(benchmark::State& state) {
    const RecordFiles& files = *collection().files;
    const auto page = state.range(0) == 0 ? Kind::Program : Kind::Combination;
    std::size_t rows = 0;
    for (auto _ : state) {
        const ListRefill r = listRows(files, ListFilter{.nameText = "pia"}, page);
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
        benchmark::DoNotOptimize(listRows(
            files, ListFilter{.classId = 2, .soundFrom = 10, .soundTo = 40}, Kind::Program));
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

// A recovery copy of the database in use (Exit, New or Open Database over a changed one).
void SaveRecoveryCopy(benchmark::State& state) {
    Collection& c = collection();
    const std::string folder = c.dir.file("recovery");
    for (auto _ : state) {
        session::saveRecoveryCopy(*c.files, folder);
        state.PauseTiming();
        for (const session::RecoveryCopy& copy : session::recoveryCopies(folder))
            session::deleteRecoveryCopy(copy);
        state.ResumeTiming();
    }
}
BENCHMARK(SaveRecoveryCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every class's path and depth in one walk over a class file of 10,000 classes chained one below
// the other (the deepest path is 10,000 names long).
void ClassPathsOf10000ChainedClasses(benchmark::State& state) {
    testing::TempDir dir;
    RecordFiles files;
    files.createRecordFiles(dir.path());
    synthetic::writeChainedClasses(dir.file("chain.tur"), 10000);
    {
        const io::FileStream chain = io::FileStream::openRead(dir.file("chain.tur"));
        std::array<const io::FileStream*, kKindCount> from{&files.stream(Kind::Program),
                                                           &files.stream(Kind::Combination),
                                                           &files.stream(Kind::DrumKit), &chain};
        files.replaceFiles(from);
    }
    std::size_t text = 0;
    for (auto _ : state) {
        const ClassTree tree = ClassTree::read(files);
        text = 0;
        for (std::int32_t k = 1; k <= tree.count(); ++k)
            text += tree.path(k).size() + static_cast<std::size_t>(tree.depth(k) > 0);
        benchmark::DoNotOptimize(text);
    }
    state.counters["path bytes"] = static_cast<double>(text);
}
BENCHMARK(ClassPathsOf10000ChainedClasses)->Unit(benchmark::kMillisecond)->UseRealTime();

// A small database whose program file ends in a gibibyte of stale zeros that take no room on the
// disk: Open and Export copy the holes as holes.
struct SparseTail {
    testing::TempDir dir;
    std::string pvd = synthetic::writeLargeDatabase(dir.file("tail"), 1000, 1000).database;
    RecordFiles files;
    SparseTail() {
        std::filesystem::resize_file(dir.file("tail.prg"), std::uintmax_t{1} << 30);
        std::filesystem::create_directory(dir.file("work"));
        files.createRecordFiles(dir.file("work"));
    }
};

void OpenDatabaseWithASparseGibibyteTail(benchmark::State& state) {
    SparseTail tail;
    for (auto _ : state)
        openDatabase(tail.files, tail.pvd);
}
BENCHMARK(OpenDatabaseWithASparseGibibyteTail)->Unit(benchmark::kMillisecond)->UseRealTime();

void ExportDatabaseWithASparseGibibyteTail(benchmark::State& state) {
    SparseTail tail;
    openDatabase(tail.files, tail.pvd);
    const std::string out = tail.dir.file("out");
    for (auto _ : state)
        exportDatabase(tail.files, out);
    struct stat st {};
    std::uintmax_t blocks = 0;
    for (const char* ext : {".pvd", ".prg", ".cmb", ".dru", ".tur"})
        if (::stat((out + ext).c_str(), &st) == 0)
            blocks += static_cast<std::uintmax_t>(st.st_blocks);
    state.counters["exported KiB on disk"] = static_cast<double>(blocks * 512 / 1024);
}
BENCHMARK(ExportDatabaseWithASparseGibibyteTail)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
