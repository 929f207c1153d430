// Origins and marks in a community archive: 1,000,000 programs, 1,000,000 combinations and
// 20,000 drum kits, into which the thousand PCG files of the send benchmark were sent (their
// sounds are the archive's newest entries). A file given back, the origins of one entry as the
// detail panel shows them, and 10,000 selected entries marked.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <numeric>

#include "large_database.h"
#include "pcg_collection.h"
#include "session/batch_send.h"
#include "session/origin_commands.h"
#include "session/session.h"
#include "template_image.h"

using namespace pelvaro;
using db::Kind;
namespace fs = std::filesystem;

namespace {

const transfer::Progress kNoProgress = [](transfer::ProgressBar) {};

// The archive written and opened once for the whole run, with the collection sent into it.
struct Archive {
    testing::TempDir dir;
    std::unique_ptr<session::Session> session;
    Archive() {
        const db::DatabasePaths paths =
            synthetic::writeArchiveDatabase(dir.file("archive"), 1000000, 1000000, 20000);
        fs::create_directories(dir.file("start"));
        pcg::writePcgFile(synthetic::makeTemplateImage(), dir.file("start/bos.dat"));
        session = std::make_unique<session::Session>(dir.file("start"));
        session->openDatabase(paths.database);
        session::BatchSend batch(*session, {bench::collection().folder()});
        while (!batch.done())
            batch.sendNext(kNoProgress);
    }
};

Archive& archive() {
    static Archive a;
    return a;
}

void countersOf(benchmark::State& state, const session::Session& session) {
    state.counters["programs"] = session.files().count(Kind::Program);
    state.counters["combinations"] = session.files().count(Kind::Combination);
    state.counters["files sent"] = static_cast<double>(session.origins().files().size());
}

double millisecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// File > Give Back a PCG File... of the 500th file sent (the goal: under 5 ms). The counters
// split it: the image as it was sent worked out from the origins and the stored entries
// ("image ms"), and the same image written as Export Pcg writes a file, the safe way, waiting
// for the disk ("write ms"); medians of the iterations.
void GiveBackPcgFile_1M(benchmark::State& state) {
    session::Session& session = *archive().session;
    const std::string target = archive().dir.file("given-back.pcg");
    std::vector<double> image, write;
    for (auto _ : state) {
        const session::GiveBackResult back = session::giveBackPcg(session, 500, target);
        if (back.failure) state.SkipWithError(back.failure->c_str());
        if (!back.differences.empty()) state.SkipWithError(back.differences.front().c_str());
        state.PauseTiming();
        db::OriginStore::GivenBack alone;
        image.push_back(
            millisecondsOf([&] { alone = session.origins().giveBack(500, session.files()); }));
        write.push_back(millisecondsOf([&] { pcg::writePcgFile(alone.image, target); }));
        state.ResumeTiming();
    }
    const auto median = [](std::vector<double> v) {
        std::ranges::sort(v);
        return v.empty() ? 0 : v[v.size() / 2];
    };
    state.counters["image ms"] = median(image);
    state.counters["write ms"] = median(write);
    countersOf(state, session);
}
BENCHMARK(GiveBackPcgFile_1M)->Unit(benchmark::kMillisecond);

// The detail panel's origins of an entry that came from several files (the goal: under 10 ms).
void OriginsOfOneEntry_1M(benchmark::State& state) {
    session::Session& session = *archive().session;
    const db::OriginStore& origins = session.origins();
    std::int32_t id = 0;
    for (const db::Origin& o : origins.originsOfFile(999))
        if (o.kind == Kind::Program && o.id > 0 && origins.fileCount(Kind::Program, o.id) > 1) {
            id = o.id;
            break;
        }
    if (id == 0) state.SkipWithError("no program came from several files");
    std::size_t lines = 0;
    for (auto _ : state) {
        const session::OriginsText text = session::originsText(session, Kind::Program, id);
        lines = static_cast<std::size_t>(std::ranges::count(text.whole, '\n')) + 1;
        benchmark::DoNotOptimize(text.line.data());
    }
    state.counters["origins"] = static_cast<double>(lines);
    countersOf(state, session);
}
BENCHMARK(OriginsOfOneEntry_1M)->Unit(benchmark::kMillisecond);

// F on 10,000 selected rows spread over the list, by turns marking and unmarking them, each one
// step of Undo (the goal: under 50 ms).
void MarkTenThousandEntries_1M(benchmark::State& state) {
    session::Session& session = *archive().session;
    const std::int32_t count = session.files().count(Kind::Program);
    std::vector<std::int32_t> ids(10000);
    for (std::size_t i = 0; i < ids.size(); ++i)
        ids[i] = 1 + static_cast<std::int32_t>(i) * (count / 10000);
    const db::MarkChange toggle{.what = db::MarkChange::What::ToggleFavourite};
    for (auto _ : state) {
        const session::Outcome marked = session::markEntries(session, Kind::Program, ids, toggle);
        if (marked.failure) state.SkipWithError(marked.failure->c_str());
    }
    state.counters["favourites"] = session.origins().marks(Kind::Program, ids.front()).favourite;
    countersOf(state, session);
}
BENCHMARK(MarkTenThousandEntries_1M)->Unit(benchmark::kMillisecond);

}  // namespace
