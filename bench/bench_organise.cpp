// Organising a large collection: Find Similar over a million programs and a million
// combinations, all near-duplicate groups at N = 2 over 100,000 and over 1,000,000 programs and
// combinations, the groups of one name, and the peak memory of a process that opens the million and
// finds its groups, beside the size of the database it opened.
//
// The collections are archives (every record different) with near-duplicates planted: every
// 50th entry is a copy of the one before it with 0 to 3 compared bytes changed, and every 250th
// starts a chain of three such copies.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "large_database.h"
#include "pcg/pcg_files.h"
#include "pcg_builder.h"
#include "session/organise_commands.h"
#include "temp_dir.h"
#include "template_image.h"

using namespace pelvaro;
using db::Kind;
namespace fs = std::filesystem;

namespace {

constexpr std::int32_t kThousand = 100000;
constexpr std::int32_t kMillion = 1000000;
constexpr std::int32_t kDrumKits = 20000;

// Overwrites entries of a member file with near copies of the entry before them: their own IDs,
// explanations and classes, the instrument record of the one before with a few bytes changed.
void plantNearDuplicates(const std::string& path, Kind kind, std::int32_t count) {
    std::vector<Byte> file = synthetic::readBytes(path);
    const std::size_t size = db::layoutOf(kind).recordSize;
    const pcg::ByteRange compared =
        kind == Kind::Program ? pcg::kProgramCompared : pcg::kCombinationCompared;
    const auto entry = [&](std::int32_t n) {
        return file.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(n) * size);
    };
    std::mt19937 r(7);
    for (std::int32_t n = 2; n + 3 <= count; n += 50) {
        const int copies = n % 250 == 2 ? 3 : 1;
        for (std::int32_t c = n; c < n + copies; ++c) {
            std::copy_n(entry(c - 1) + pcg::kNameSize, compared.end - pcg::kNameSize,
                        entry(c) + pcg::kNameSize);
            for (unsigned k = r() % 4; k > 0; --k)
                entry(c)[static_cast<std::ptrdiff_t>(
                    compared.begin + r() % (compared.end - compared.begin))] ^= 0x5A;
            // A copy plays what the one before plays.
            const std::size_t refs = kind == Kind::Program
                                         ? db::ProgramLayout::kDrumKitId
                                         : db::CombinationLayout::kTimbreProgramIds;
            std::copy(entry(c - 1) + static_cast<std::ptrdiff_t>(refs), entry(c),
                      entry(c) + static_cast<std::ptrdiff_t>(refs));
        }
    }
    synthetic::writeBytes(path, file);
}

// How the programs of a collection look beside each other.
enum class Shape {
    Archive,     // every one different
    SharedHalf,  // bytes 86-161 zero in all: one block every program shares
    OneModel,    // each one a model program with 2 to 5 bytes changed: every block shared widely
};

void shapePrograms(const std::string& path, std::int32_t count, Shape shape) {
    if (shape == Shape::Archive) return;
    std::vector<Byte> file = synthetic::readBytes(path);
    const std::size_t size = db::ProgramLayout::kSize;
    std::mt19937 r(11);
    for (std::int32_t n = 1; n <= count; ++n) {
        const auto at = static_cast<std::size_t>(n) * size;
        if (shape == Shape::SharedHalf) {
            std::fill_n(file.begin() + static_cast<std::ptrdiff_t>(at + 86), 76, Byte{0});
            continue;
        }
        std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(size + pcg::kNameSize), 152,
                    file.begin() + static_cast<std::ptrdiff_t>(at + pcg::kNameSize));
        for (unsigned k = 2 + r() % 4; k > 0; --k)
            file[at + 10 + r() % 152] ^= static_cast<Byte>(1 + r() % 255);
    }
    synthetic::writeBytes(path, file);
}

// A collection on disk with a session that has it open; written once per size for the run.
struct Collection {
    testing::TempDir dir;
    db::DatabasePaths paths;
    std::unique_ptr<session::Session> session;
    Collection(std::int32_t programs, std::int32_t combinations, Shape shape = Shape::Archive) {
        paths =
            synthetic::writeArchiveDatabase(dir.file("archive"), programs, combinations, kDrumKits);
        shapePrograms(paths.members[0], programs, shape);
        plantNearDuplicates(paths.members[0], Kind::Program, programs);
        plantNearDuplicates(paths.members[1], Kind::Combination, combinations);
        fs::create_directories(dir.file("work"));
        pcg::writePcgFile(synthetic::makeTemplateImage(), dir.file("work/bos.dat"));
        session = std::make_unique<session::Session>(dir.file("work"));
        session->openDatabase(paths.database);
    }
    ~Collection() { session->shutDown(); }
    std::int64_t bytes() const {
        std::int64_t total = 0;
        for (const std::string& member : paths.members)
            total += static_cast<std::int64_t>(fs::file_size(member));
        return total;
    }
};

Collection& million() {
    static Collection c(kMillion, kMillion);
    return c;
}
Collection& hundredThousand() {
    static Collection c(kThousand, kThousand);
    return c;
}

// Real time is what the user waits; the process's CPU time (both cores) is reported as well.
void FindSimilar(benchmark::State& state, Kind kind) {
    Collection& c = million();
    // Entries from all over the file, as many iterations as the run takes: the step wraps
    // around to the first entry rather than walking past the last.
    const std::int32_t count = c.session->files().count(kind);
    std::int32_t id = 4711;
    for (auto _ : state) {
        const auto found = session::findSimilar(*c.session, kind, id, 20);
        benchmark::DoNotOptimize(found);
        state.counters["nearest bytes"] = found.empty() ? -1 : found.front().bytes;
        id = 1 + (id - 1 + 99991) % count;
    }
}
void Million_FindSimilarProgram(benchmark::State& state) {
    FindSimilar(state, Kind::Program);
}
BENCHMARK(Million_FindSimilarProgram)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
void Million_FindSimilarCombination(benchmark::State& state) {
    FindSimilar(state, Kind::Combination);
}
BENCHMARK(Million_FindSimilarCombination)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

void NearDuplicates(benchmark::State& state, Collection& c, Kind kind) {
    std::size_t groups = 0;
    std::size_t members = 0;
    for (auto _ : state) {
        const auto found = session::findNearDuplicates(*c.session, kind, 2);
        groups = found.size();
        members = 0;
        for (const auto& g : found)
            members += g.size();
    }
    state.counters["groups"] = static_cast<double>(groups);
    state.counters["in groups"] = static_cast<double>(members);
}
void HundredThousand_NearDuplicateProgramsAt2(benchmark::State& state) {
    NearDuplicates(state, hundredThousand(), Kind::Program);
}
BENCHMARK(HundredThousand_NearDuplicateProgramsAt2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
void HundredThousand_NearDuplicateCombinationsAt2(benchmark::State& state) {
    NearDuplicates(state, hundredThousand(), Kind::Combination);
}
BENCHMARK(HundredThousand_NearDuplicateCombinationsAt2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
void Million_NearDuplicateProgramsAt2(benchmark::State& state) {
    NearDuplicates(state, million(), Kind::Program);
}
BENCHMARK(Million_NearDuplicateProgramsAt2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(3);

void Million_NearDuplicateCombinationsAt2(benchmark::State& state) {
    NearDuplicates(state, million(), Kind::Combination);
}
BENCHMARK(Million_NearDuplicateCombinationsAt2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(3);

// Blocks that many programs share: the groups still come without comparing every pair.
void HundredThousand_NearDuplicatesSharingHalfTheirBytes(benchmark::State& state) {
    static Collection c(kThousand, 1, Shape::SharedHalf);
    NearDuplicates(state, c, Kind::Program);
}
BENCHMARK(HundredThousand_NearDuplicatesSharingHalfTheirBytes)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
void HundredThousand_NearDuplicatesOfOneModel(benchmark::State& state) {
    static Collection c(kThousand, 1, Shape::OneModel);
    NearDuplicates(state, c, Kind::Program);
}
BENCHMARK(HundredThousand_NearDuplicatesOfOneModel)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(1);

void Million_SameNamePrograms(benchmark::State& state) {
    std::size_t groups = 0;
    for (auto _ : state)
        groups = session::findSameNames(*million().session, Kind::Program).size();
    state.counters["groups"] = static_cast<double>(groups);
}
BENCHMARK(Million_SameNamePrograms)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(3);

// A process of its own opens the million and finds its groups; its peak memory beside the size
// of the database's record files.
void Million_PeakMemoryOfNearDuplicates(benchmark::State& state) {
    Collection& c = million();
    fs::create_directories(c.dir.file("memory"));
    pcg::writePcgFile(synthetic::makeTemplateImage(), c.dir.file("memory/bos.dat"));
    const std::string command = std::string("'") + ORGANISE_MEMORY + "' '" + c.paths.database +
                                "' '" + c.dir.file("memory") + "'";
    for (auto _ : state) {
        FILE* out = ::popen(command.c_str(), "r");
        double opened = 0;
        double peak = 0;
        if (!out || std::fscanf(out, "%lf %lf", &opened, &peak) != 2)
            state.SkipWithError("no figure");
        if (out && ::pclose(out) != 0) state.SkipWithError("organise_memory failed");
        state.counters["after Open MiB"] = opened;
        state.counters["peak MiB"] = peak;
        state.counters["database MiB"] = static_cast<double>(c.bytes()) / (1 << 20);
    }
}
BENCHMARK(Million_PeakMemoryOfNearDuplicates)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
