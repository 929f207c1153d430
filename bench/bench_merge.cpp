// Merge Database: a collection of 100,000 programs and 100,000 combinations, half of them
// stored already, into another of that size; a million of each into an empty database, beside
// the system's `cp` of the merged-in database's files in the same run, and the peak memory of
// that merge in a process of its own; a hundred collections of 2,000 entries into one.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "large_database.h"
#include "pcg/pcg_files.h"
#include "session/merge_databases.h"
#include "temp_dir.h"
#include "template_image.h"

using namespace pelvaro;
namespace fs = std::filesystem;

namespace {

struct Folder {
    testing::TempDir dir;
    // A start folder of its own for a session's working files.
    std::string start(const std::string& name) const {
        fs::create_directories(dir.file(name));
        pcg::writePcgFile(synthetic::makeTemplateImage(), dir.file(name + "/bos.dat"));
        return dir.file(name);
    }
};

Folder& folder() {
    static Folder f;
    return f;
}

double millisecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

void expectMerged(benchmark::State& state, const session::MergeOutcome& merged,
                  std::int32_t databases) {
    if (merged.failure) state.SkipWithError(merged.failure->c_str());
    if (merged.totals.databases != databases) state.SkipWithError("a database was skipped");
}

// The merge of `source` into what `prepare` leaves in the session (untimed), beside the
// system's `cp` of the source's five files, in turns within each iteration, each from a disk
// with nothing left to write (sync). The time reported is ours; the counters give cp's, the
// ratio, and what came in new.
void besideCp(benchmark::State& state, session::Session& session, const db::DatabasePaths& source,
              const std::function<void()>& prepare) {
    const std::string to = folder().start("cp");
    std::string command = "cp -f '" + source.database + "'";
    for (const std::string& member : source.members)
        command += " '" + member + "'";
    command += " '" + to + "/'";
    double cpTotal = 0;
    double oursTotal = 0;
    session::MergeOutcome merged;
    for (auto _ : state) {
        prepare();
        ::sync();
        const double cp = millisecondsOf([&] {
            if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
        });
        ::sync();
        const double mine =
            millisecondsOf([&] { merged = session::mergeDatabases(session, {source.database}); });
        state.SetIterationTime(mine / 1000);
        cpTotal += cp;
        oursTotal += mine;
        expectMerged(state, merged, 1);
    }
    state.counters["cp ms"] = cpTotal / static_cast<double>(state.iterations());
    state.counters["times cp"] = oursTotal / cpTotal;
    state.counters["new programs"] = merged.totals.counts.programs.fresh;
    state.counters["new combinations"] = merged.totals.counts.combinations.fresh;
}

// 100,000 + 100,000 into 100,000 + 100,000, half of them stored already (with explanations that
// differ, so each of those gains one).
void Merge_HalfStoredIntoTheSameSize(benchmark::State& state) {
    constexpr std::int32_t kEntries = 100000;
    Folder& f = folder();
    const db::DatabasePaths into = synthetic::writeCollectionDatabase(
        f.dir.file("into"), kEntries, kEntries, 2000, kEntries / 2, 1);
    const db::DatabasePaths source = synthetic::writeCollectionDatabase(
        f.dir.file("source"), kEntries, kEntries, 2000, kEntries / 2, 2);
    session::Session session(f.start("half"));
    besideCp(state, session, source, [&] { session.openDatabase(into.database); });
    session.shutDown();
}
BENCHMARK(Merge_HalfStoredIntoTheSameSize)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);

const db::DatabasePaths& million() {
    static const db::DatabasePaths paths = synthetic::writeCollectionDatabase(
        folder().dir.file("million"), 1000000, 1000000, 20000, 0, 3);
    return paths;
}

void Merge_MillionIntoEmpty(benchmark::State& state) {
    session::Session session(folder().start("empty"));
    besideCp(state, session, million(), [&] { session.newDatabase(); });
    session.shutDown();
}
BENCHMARK(Merge_MillionIntoEmpty)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The same merge in a process of its own, for its peak memory.
void Merge_MillionIntoEmptyPeakMemory(benchmark::State& state) {
    const std::string command = std::string("'") + MERGE_MEMORY + "' '" + million().database +
                                "' '" + folder().start("memory") + "'";
    for (auto _ : state) {
        FILE* out = ::popen(command.c_str(), "r");
        double peak = 0;
        int programs = 0;
        if (!out || std::fscanf(out, "%lf %d", &peak, &programs) != 2)
            state.SkipWithError("no figure");
        if (out && ::pclose(out) != 0) state.SkipWithError("merge_memory failed");
        state.counters["peak MiB"] = peak;
        state.counters["programs"] = programs;
    }
}
BENCHMARK(Merge_MillionIntoEmptyPeakMemory)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// A hundred collections of 1,000 programs and 1,000 combinations, each sharing half with the
// others, into an empty database.
void Merge_HundredCollections(benchmark::State& state) {
    Folder& f = folder();
    std::vector<std::string> sources;
    fs::create_directories(f.dir.file("many"));
    for (std::uint32_t i = 1; i <= 100; ++i)
        sources.push_back(synthetic::writeCollectionDatabase(
                              f.dir.file("many/c" + std::to_string(i)), 1000, 1000, 20, 500, i)
                              .database);
    session::Session session(f.start("many"));
    session::MergeOutcome merged;
    for (auto _ : state) {
        state.PauseTiming();
        session.newDatabase();
        state.ResumeTiming();
        merged = session::mergeDatabases(session, sources);
        expectMerged(state, merged, 100);
    }
    state.counters["programs"] = session.files().count(db::Kind::Program);
    state.counters["combinations"] = session.files().count(db::Kind::Combination);
    session.shutDown();
}
BENCHMARK(Merge_HundredCollections)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
