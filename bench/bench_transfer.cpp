// The transfer engine against large databases: whole-PCG sends, sends back into the PCG, and
// the deletion of one entry. The 10,000-entry case runs the plain scan (one record read per
// call, from entry 1 upwards) beside the engine, in the same run; the 100,000-entry send runs
// beside the SQLite anchor (sqlite_anchor.cpp), alternately. "calls" is the number of calls to
// the system that the file layer made to read, write or map a file in one command
// (io::fileCalls).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <numeric>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "db/entry_deletion.h"
#include "db_builder.h"
#include "io/file_stream.h"
#include "large_database.h"
#include "linear_transfer.h"
#include "pcg/pcg_files.h"
#include "pcg_builder.h"
#include "pcg_collection.h"
#include "session/batch_send.h"
#include "sqlite_anchor.h"
#include "temp_dir.h"
#include "transfer/engine.h"

using namespace pelvaro;
using namespace pelvaro::db;
using bench::Collection;
using bench::collection;
using bench::Noise;
using bench::randomCombination;
using bench::randomProgram;

namespace {

// Every combination of the database plays programs 1-1000 only, so the entries above can be
// deleted without a refusal.
constexpr std::int32_t kPlayedPrograms = 1000;

// A session with a database of the given size, written in blocks and opened the way Open
// Database opens one.
struct Database {
    testing::TestDatabase base;
    RecordFiles& files = base.files();
    pcg::PcgState& pcg = base.session().pcg();
    transfer::TransferEngine& engine = base.session().engine();
    std::array<std::int32_t, 3> counts{};

    Database(std::int32_t programs, std::int32_t combinations, std::int32_t kits) {
        Noise noise(programs + combinations + kits);
        write(Kind::DrumKit, kits,
              [&](Bytes r, std::int32_t) { noise.fill(r.first(pcg::kDrumKitSize)); });
        write(Kind::Program, programs, [&](Bytes r, std::int32_t) {
            const bool drum = noise.next() % 10 == 0;
            randomProgram(noise, r.first(pcg::kProgramSize), drum);
            setLe32(r, ProgramLayout::kDrumKitId,
                    drum ? static_cast<std::int32_t>(noise.next() % kits) + 1 : 0);
        });
        write(Kind::Combination, combinations, [&](Bytes r, std::int32_t) {
            randomCombination(noise, r.first(pcg::kCombinationSize), 200);
            for (int t = 0; t < 8; ++t)
                setLe32(r, CombinationLayout::kTimbreProgramIds + 4 * t,
                        t < 4 ? static_cast<std::int32_t>(noise.next() % kPlayedPrograms) + 1 : 0);
        });
        counts = {programs, combinations, kits};
    }

    template <class Fill>
    void write(Kind kind, std::int32_t count, Fill fill) {
        synthetic::writeRecordFile(storedPath(kind), kind, count,
                                   [&](std::int32_t n, Bytes record) { fill(record, n); });
        testing::replaceWorkingFile(files, kind, storedPath(kind));
    }

    std::string storedPath(Kind kind) const {
        return base.dir().file("stored" + std::to_string(static_cast<int>(kind)));
    }

    // Open Database of the files as they were made.
    void reopen() {
        std::array<io::FileStream, kKindCount> stored;
        std::array<const io::FileStream*, kKindCount> from{};
        for (Kind kind : kAllKinds) {
            const auto i = static_cast<std::size_t>(kind);
            stored[i] = io::FileStream::openRead(kind == Kind::Class ? files.pathOf(kind)
                                                                     : storedPath(kind));
            from[i] = &stored[i];
        }
        files.replaceFiles(from);
    }

    // Back to the entries the database was made with; what the sends appended lies beyond the
    // counts and is overwritten by the next appends.
    void restore() {
        files.setCount(Kind::Program, counts[0]);
        files.setCount(Kind::Combination, counts[1]);
        files.setCount(Kind::DrumKit, counts[2]);
    }
};

// A full PCG: 200 programs and 200 combinations, half of each taken from the database (every
// 97th entry) and half new, two kits from the database and two new.
pcg::PcgState fullPcg(const Database& db) {
    synthetic::PcgBuilder b;
    pcg::PcgImage& image = b.image();
    Noise noise(4242);
    for (int k = 0; k < 2; ++k) {
        const auto kit = db.files.read<DbDrumKitEntry>(k + 1);
        std::ranges::copy(kit.drumKit(), image.drumKit(k).begin());
    }
    for (int k = 2; k < 4; ++k)
        noise.fill(image.drumKit(k));

    std::int32_t next = 1;
    for (int s = 0; s < pcg::kSlotCount; ++s) {
        if (s % 2 == 0) {
            // A stored program that plays no kit, or plays one of the two stored kits.
            for (;; next += 97) {
                const auto e = db.files.read<DbProgramEntry>(1 + next % db.counts[0]);
                if (e.drumKitId() == 0 || e.drumKitId() <= 2) {
                    std::ranges::copy(e.program(), image.program(s).begin());
                    if (e.drumKitId() > 0)
                        image.program(s)[pcg::program::kDrumKitSlot] =
                            static_cast<Byte>(e.drumKitId() - 1);
                    next += 97;
                    break;
                }
            }
        } else {
            randomProgram(noise, image.program(s), s % 10 == 1);
        }
        if (s % 2 == 0) {
            const auto c = db.files.read<DbCombinationEntry>(1 + 97 * s % db.counts[1]);
            std::ranges::copy(c.combination(), image.combination(s).begin());
        } else {
            randomCombination(noise, image.combination(s), 200);
        }
    }
    return synthetic::stateOf(b, "/music/sets/full.pcg");
}

const transfer::Progress kProgress = [](transfer::ProgressBar) {};

// The calls the file layer makes while `work` runs.
template <class Work>
double callsOf(Work work) {
    const std::uint64_t before = io::fileCalls();
    work();
    return static_cast<double>(io::fileCalls() - before);
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::ranges::sort(values);
    const std::size_t half = values.size() / 2;
    return values.size() % 2 ? values[half] : (values[half - 1] + values[half]) / 2;
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

void sendPcgIndexed(benchmark::State& state, Database& db) {
    db.pcg = fullPcg(db);
    transfer::TransferEngine& engine = db.engine;
    std::vector<std::string> events;
    engine.sendPcgToDatabase(events, kProgress);  // the index is built on the first send
    db.restore();
    for (auto _ : state) {
        const double calls = callsOf([&] { engine.sendPcgToDatabase(events, kProgress); });
        state.PauseTiming();
        state.counters["calls"] = calls;
        state.counters["new programs"] = db.files.count(Kind::Program) - db.counts[0];
        state.counters["new combinations"] = db.files.count(Kind::Combination) - db.counts[1];
        db.restore();
        state.ResumeTiming();
    }
}

void SendPcgToDatabase_100k(benchmark::State& state) {
    Database db(100000, 100000, 2000);
    sendPcgIndexed(state, db);
}
BENCHMARK(SendPcgToDatabase_100k)->Unit(benchmark::kMillisecond);

// The same send and the SQLite anchor's send of a whole PCG into a store of 100,000 programs
// and 100,000 combinations, one after the other in every iteration. The time is ours; the
// counters give the medians of both sends in the repetition in microseconds, ours in percent of
// the anchor's (the goal: at most 15) and our calls (at most 20).
void SendPcgToDatabase_100k_BesideSqlite(benchmark::State& state) {
    Database db(100000, 100000, 2000);
    bench::SqliteAnchor anchor(100000, db.base.dir().path());
    db.pcg = fullPcg(db);
    transfer::TransferEngine& engine = db.engine;
    std::vector<std::string> events;
    engine.sendPcgToDatabase(events, kProgress);
    db.restore();
    std::vector<double> ours;
    std::vector<double> sqlite;
    std::vector<double> calls;
    db::OriginStore& origins = db.base.session().origins();
    const std::int64_t originsBefore = origins.length();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        // The send as Send PCG to Database makes it: the engine's, then where each slot went,
        // within the command's gathered writes (without its undo step).
        calls.push_back(callsOf([&] {
            const RecordFiles::Batch batch(db.files);
            const transfer::SentSlots slots = engine.sendPcgToDatabase(events, kProgress);
            origins.recordSend(db.pcg, slots, "/music/sets/full.pcg", 0, db.files);
            origins.flush();
        }));
        ours.push_back(millisecondsSince(start));
        state.SetIterationTime(ours.back() / 1000);
        db.restore();
        origins.cutTo(originsBefore);
        sqlite.push_back(anchor.sendMs());
    }
    state.counters["ours us"] = 1000 * median(ours);
    state.counters["sqlite us"] = 1000 * median(sqlite);
    state.counters["% of sqlite"] = 100 * median(ours) / median(sqlite);
    state.counters["calls"] = median(calls);
}
BENCHMARK(SendPcgToDatabase_100k_BesideSqlite)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(25);

// The index of the 100k database built and the database as it was, so that each measured
// send is the first of its kind; and that send as one command of the undo log.
void prepareJournaledSend(Database& db, std::vector<std::string>& events) {
    db.engine.sendPcgToDatabase(events, kProgress);
    db.restore();
}
void journaledSend(Database& db, std::vector<std::string>& events) {
    const auto command =
        db.base.session().command("Send PCG to Database", session::Session::Changes::Database);
    db.engine.sendPcgToDatabase(events, kProgress);
}

// The same send as one command of the undo log, which keeps every record it overwrites.
void SendPcgToDatabase_100k_Journaled(benchmark::State& state) {
    Database db(100000, 100000, 2000);
    db.pcg = fullPcg(db);
    session::Session& session = db.base.session();
    std::vector<std::string> events;
    prepareJournaledSend(db, events);
    for (auto _ : state) {
        const double calls = callsOf([&] { journaledSend(db, events); });
        state.PauseTiming();
        state.counters["calls"] = calls;
        state.counters["kept KiB"] = static_cast<double>(session.undoLog().bytes()) / 1024;
        session.undoLog().clear();
        db.restore();
        state.ResumeTiming();
    }
}
BENCHMARK(SendPcgToDatabase_100k_Journaled)->Unit(benchmark::kMillisecond);

// Undo of that send: the records it overwrote and the lengths and counts go back.
void UndoSendPcgToDatabase_100k(benchmark::State& state) {
    Database db(100000, 100000, 2000);
    db.pcg = fullPcg(db);
    session::Session& session = db.base.session();
    std::vector<std::string> events;
    prepareJournaledSend(db, events);
    for (auto _ : state) {
        state.PauseTiming();
        journaledSend(db, events);
        state.ResumeTiming();
        const double calls = callsOf([&] { session.undoLog().undo(); });
        state.PauseTiming();
        state.counters["calls"] = calls;
        if (db.files.count(Kind::Program) != db.counts[0]) state.SkipWithError("not undone");
        session.undoLog().clear();
        state.ResumeTiming();
    }
}
BENCHMARK(UndoSendPcgToDatabase_100k)->Unit(benchmark::kMillisecond);

void SendPcgToDatabase_10k_Engine(benchmark::State& state) {
    Database db(10000, 10000, 200);
    sendPcgIndexed(state, db);
}
BENCHMARK(SendPcgToDatabase_10k_Engine)->Unit(benchmark::kMillisecond);

void SendPcgToDatabase_10k_LinearScan(benchmark::State& state) {
    Database db(10000, 10000, 200);
    const pcg::PcgState pcg = fullPcg(db);
    testing::LinearTransfer linear(pcg, db.files, testing::LinearTransfer::Reads::OneRecordPerCall);
    std::vector<std::string> events;
    for (auto _ : state) {
        linear.sendPcgToDatabase(events);
        state.PauseTiming();
        state.counters["new programs"] = db.files.count(Kind::Program) - db.counts[0];
        state.counters["new combinations"] = db.files.count(Kind::Combination) - db.counts[1];
        db.restore();
        state.ResumeTiming();
    }
}
// Seconds per run: three runs give the median.
BENCHMARK(SendPcgToDatabase_10k_LinearScan)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);

void SendPcgToEmptyDatabase(benchmark::State& state) {
    Database db(10000, 10000, 200);
    db.pcg = fullPcg(db);
    transfer::TransferEngine& engine = db.engine;
    std::vector<std::string> events;
    for (auto _ : state) {
        state.PauseTiming();
        db.files.resetRecordFiles();
        state.ResumeTiming();
        engine.sendPcgToDatabase(events, kProgress);
    }
}
BENCHMARK(SendPcgToEmptyDatabase)->Unit(benchmark::kMillisecond);

void SendPcgSecondTime_100k(benchmark::State& state) {
    Database db(100000, 100000, 2000);
    db.pcg = fullPcg(db);
    transfer::TransferEngine& engine = db.engine;
    std::vector<std::string> events;
    engine.sendPcgToDatabase(events, kProgress);
    const auto programs = db.files.count(Kind::Program);
    for (auto _ : state)
        engine.sendPcgToDatabase(events, kProgress);
    if (db.files.count(Kind::Program) != programs) state.SkipWithError("the second send added");
}
BENCHMARK(SendPcgSecondTime_100k)->Unit(benchmark::kMillisecond);

// The first send after Open Database reads the three files again to rebuild the index.
void OpenDatabaseThenSendPcg_100k(benchmark::State& state) {
    Database db(100000, 100000, 2000);
    db.pcg = fullPcg(db);
    transfer::TransferEngine& engine = db.engine;
    std::vector<std::string> events;
    for (auto _ : state) {
        state.PauseTiming();
        db.reopen();
        state.ResumeTiming();
        engine.sendPcgToDatabase(events, kProgress);
    }
}
BENCHMARK(OpenDatabaseThenSendPcg_100k)->Unit(benchmark::kMillisecond);

void sendToPcg(benchmark::State& state, Kind kind, int entries) {
    Database db(100000, 100000, 2000);
    pcg::PcgState empty;
    {
        synthetic::PcgBuilder b;
        empty = synthetic::stateOf(b);
    }
    std::vector<std::int32_t> ids(entries);
    const std::int32_t count = db.files.count(kind);
    for (int i = 0; i < entries; ++i)
        ids[i] = 1 + i * (count / entries);
    std::vector<std::string> events;
    for (auto _ : state) {
        state.PauseTiming();
        db.pcg = empty;
        state.ResumeTiming();
        const double calls = callsOf([&] { db.engine.sendEntriesToPcg(kind, ids, events); });
        state.PauseTiming();
        state.counters["calls"] = calls;
        state.counters["event lines"] = static_cast<double>(events.size());
        state.ResumeTiming();
    }
}

void SendToPcg_200Programs(benchmark::State& state) {
    sendToPcg(state, Kind::Program, 200);
}
BENCHMARK(SendToPcg_200Programs)->Unit(benchmark::kMillisecond);

void SendToPcg_100Combinations(benchmark::State& state) {
    sendToPcg(state, Kind::Combination, 100);
}
BENCHMARK(SendToPcg_100Combinations)->Unit(benchmark::kMillisecond);

void DeleteProgramFromTheMiddle_100k(benchmark::State& state) {
    Database db(100000, 100000, 2000);
    db.pcg = fullPcg(db);
    transfer::TransferEngine& engine = db.engine;
    engine.sendProgramToDatabase(0);  // a stored program: builds the index, which follows the moves
    std::vector<std::string> events;
    double calls = 0;
    for (auto _ : state) {
        // The last entry moves into 50,000 each time; no combination plays any of them.
        calls = callsOf([&] { db::deleteProgramEntries(db.files, {50000}, events); });
    }
    state.counters["calls"] = calls;
    if (!events.empty()) state.SkipWithError(events.front().c_str());
}
BENCHMARK(DeleteProgramFromTheMiddle_100k)->Unit(benchmark::kMillisecond);

// Resident and peak memory of this process, in MiB.
// One line of /proc/self/status in MiB: "RssAnon" is the memory of the process's own, "RssFile"
// the pages of files it has mapped (the record files it reads records from, which the system
// keeps in its cache anyway).
double statusMiB(const char* field) {
    double kib = 0;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        const std::size_t length = std::strlen(field);
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, field, length) == 0 && line[length] == ':')
                kib = std::atof(line + length + 1);
        std::fclose(f);
    }
    return kib / 1024.0;
}
double residentMiB() {
    return statusMiB("RssAnon");
}
double mappedMiB() {
    return statusMiB("RssFile");
}
double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The SQLite anchor's whole-PCG send into 100,000 + 100,000, the median of five, from a store
// made once for the process.
double anchorMs() {
    static const testing::TempDir folder;
    static bench::SqliteAnchor anchor(100000, folder.path());
    std::vector<double> runs;
    for (int i = 0; i < 5; ++i)
        runs.push_back(anchor.sendMs());
    return median(runs);
}

// The bytes of the four record files.
double recordBytes(const RecordFiles& files) {
    double bytes = 0;
    for (Kind kind : kAllKinds)
        bytes += static_cast<double>(files.count(kind)) * layoutOf(kind).recordSize;
    return bytes;
}

// "Send PCG Files to Database" of the whole collection into a database of the given size made
// fresh for it: each file read into an image of its own and sent whole; the origins recorded
// unless `recording` is false. What the run took, measured the same way either way.
struct CollectionSent {
    session::BatchTotals totals;
    double ms = 0;
    double cpuMs = 0;  // the time this thread ran, which the load of the machine changes less
    double calls = 0;
    double grownMiB = 0, grownMappedMiB = 0;
    double originsBytes = 0, recordBytes = 0;
};
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000 + static_cast<double>(t.tv_nsec) / 1e6;
}
CollectionSent sendAll(std::int32_t programs, std::int32_t combinations, std::int32_t kits,
                       bool recording) {
    const std::string folder = collection().folder();
    Database db(programs, combinations, kits);
    db::OriginStore& origins = db.base.session().origins();
    origins.setRecording(recording);
    const std::int64_t originsBefore = origins.length();
    const double recordsBefore = recordBytes(db.files);
    CollectionSent sent;
    const double before = residentMiB();
    const double mappedBefore = mappedMiB();
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = threadCpuMs();
    sent.calls = callsOf([&] {
        session::BatchSend batch(db.base.session(), {folder});
        while (!batch.done())
            batch.sendNext(kProgress);
        sent.totals = batch.totals();
    });
    sent.ms = millisecondsSince(start);
    sent.cpuMs = threadCpuMs() - cpuStart;
    sent.grownMiB = residentMiB() - before;
    sent.grownMappedMiB = mappedMiB() - mappedBefore;
    sent.originsBytes = static_cast<double>(origins.length() - originsBefore);
    sent.recordBytes = recordBytes(db.files) - recordsBefore;
    return sent;
}

// The collection sent into a database of the given size. The counters say how much was new,
// how much memory the run took beyond what the process held before it (its own, and the pages
// of the record files mapped for reading records, at most io::FileStream::kMostMappedBytes a
// file), the calls per file, and the run's time in the anchor's whole-PCG sends measured just
// before it (the goal: at most 150). Each iteration also sends the collection with origins
// left out, into a database of its own made the same way, before or after the send that
// records them by turns: "times without origins" is the one's time over the other's (the goal:
// at most 1.1), "in cpu time" the same of the time the thread ran. "origins % of records" gives
// the bytes the origins of the run took in percent of the bytes it added to the record files
// (the goal: at most 10).
void sendCollection(benchmark::State& state, std::int32_t programs, std::int32_t combinations,
                    std::int32_t kits) {
    static int turn = 0;  // over the repetitions, each of one iteration
    collection();
    for (auto _ : state) {
        state.PauseTiming();
        const double anchor = anchorMs();
        CollectionSent without;
        if (turn % 2 == 1) without = sendAll(programs, combinations, kits, false);
        const CollectionSent sent = sendAll(programs, combinations, kits, true);
        if (turn++ % 2 == 0) without = sendAll(programs, combinations, kits, false);
        state.SetIterationTime(sent.ms / 1000);
        const session::BatchTotals& totals = sent.totals;
        if (totals.files != Collection::kFiles) state.SkipWithError("not every file was sent");
        state.counters["x sqlite"] = sent.ms / anchor;
        state.counters["sqlite ms"] = anchor;
        state.counters["calls per file"] = sent.calls / totals.files;
        state.counters["files"] = totals.files;
        state.counters["new programs"] = totals.counts.programs.fresh;
        state.counters["stored programs"] = totals.counts.programs.stored();
        state.counters["new combinations"] = totals.counts.combinations.fresh;
        state.counters["grown MiB"] = sent.grownMiB;
        state.counters["grown mapped MiB"] = sent.grownMappedMiB;
        state.counters["peak MiB"] = peakMiB();
        state.counters["origins % of records"] = 100 * sent.originsBytes / sent.recordBytes;
        state.counters["times without origins"] = sent.ms / without.ms;
        state.counters["in cpu time"] = sent.cpuMs / without.cpuMs;
        state.ResumeTiming();
    }
}

void SendPcgFiles_1000_IntoAnEmptyDatabase(benchmark::State& state) {
    sendCollection(state, 0, 0, 0);
}
BENCHMARK(SendPcgFiles_1000_IntoAnEmptyDatabase)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3);

void SendPcgFiles_1000_Into100k(benchmark::State& state) {
    sendCollection(state, 100000, 100000, 2000);
}
BENCHMARK(SendPcgFiles_1000_Into100k)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3);

}  // namespace
