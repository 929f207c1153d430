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
#include "session/batch_send.h"
#include "sqlite_anchor.h"
#include "temp_dir.h"
#include "transfer/engine.h"

using namespace pelvaro;
using namespace pelvaro::db;

namespace {

class Noise {
  public:
    explicit Noise(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint64_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }
    Byte byte() { return static_cast<Byte>(next()); }
    void fill(Bytes bytes) {
        for (Byte& b : bytes)
            b = byte();
    }

  private:
    std::uint64_t state_;
};

// Every combination of the database plays programs 1-1000 only, so the entries above can be
// deleted without a refusal.
constexpr std::int32_t kPlayedPrograms = 1000;

void randomProgram(Noise& noise, Bytes p, bool drum) {
    noise.fill(p);
    p[pcg::program::kOscMode] = drum ? 2 : static_cast<Byte>(noise.next() % 2);
    if (drum) p[pcg::program::kDrumKitSlot] = static_cast<Byte>(noise.next() % 4);
}

void randomCombination(Noise& noise, Bytes c, int slots) {
    noise.fill(c);
    for (int t = 0; t < 8; ++t) {
        const std::size_t at = pcg::combination::timbreOffset(t);
        const bool on = t < 4;
        c[at] = static_cast<Byte>(noise.next() % static_cast<std::uint64_t>(slots));
        c[at + pcg::combination::kTimbreBank] = 0;
        c[at + pcg::combination::kTimbreFlags] = on ? 0 : 0x10;
    }
}

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
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        calls.push_back(callsOf([&] { engine.sendPcgToDatabase(events, kProgress); }));
        ours.push_back(millisecondsSince(start));
        state.SetIterationTime(ours.back() / 1000);
        db.restore();
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

// A collection of PCG files as users keep them: each file full (200 programs, 200
// combinations, four kits), half of its sounds taken from earlier files and half its own.
class Collection {
  public:
    static constexpr int kFiles = 1000;

    Collection() {
        for (int file = 0; file < kFiles; ++file) {
            synthetic::PcgBuilder b;
            pcg::PcgImage& image = b.image();
            for (int k = 0; k < pcg::kDrumKitCount; ++k) {
                Noise noise(sound(3, file, k));
                noise.fill(image.drumKit(k));
            }
            for (int s = 0; s < pcg::kSlotCount; ++s) {
                const std::uint64_t program = sound(1, file, s);
                Noise noise(program);
                randomProgram(noise, image.program(s), program % 10 == 1);
                Noise combination(sound(2, file, s));
                randomCombination(combination, image.combination(s), 200);
            }
            pcg::writePcgFile(image, path(file));
        }
    }

    std::string path(int file) const {
        char name[32];
        std::snprintf(name, sizeof name, "/set%04d.pcg", file);
        return dir_.path() + name;
    }
    const std::string& folder() const { return dir_.path(); }

  private:
    // The sound in a slot of a file: half the slots of every file but the first (chosen by a
    // hash) play the sound of the same slot in an earlier file, the others a sound of its own.
    static std::uint64_t sound(int kind, int file, int slot) {
        const auto mix = [](std::uint64_t f, std::uint64_t s) {
            return (f * 0x9E3779B97F4A7C15ull + s * 0xC2B2AE3D27D4EB4Full) >> 33;
        };
        std::uint64_t f = static_cast<std::uint64_t>(file);
        const auto s = static_cast<std::uint64_t>(slot);
        while (f > 0 && (mix(f, s + kind * 1000) & 1) == 0)
            f = mix(f, s) % f;
        return (static_cast<std::uint64_t>(kind) << 40) + f * 256 + s;
    }

    testing::TempDir dir_;
};

const Collection& collection() {
    static const Collection files;
    return files;
}

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

// "Send PCG Files to Database" of the whole collection: each file read into an image of its
// own and sent whole. The counters say how much was new, how much memory the run took beyond
// what the process held before it (its own, and the pages of the record files mapped for reading
// records, at most io::FileStream::kMostMappedBytes a file), the calls per file, and the run's time
// in the anchor's whole-PCG sends measured just before it (the goal: at most 150).
void sendCollection(benchmark::State& state, Database& db) {
    const Collection& files = collection();
    for (auto _ : state) {
        state.PauseTiming();
        const double anchor = anchorMs();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        const double before = residentMiB();
        const double mappedBefore = mappedMiB();
        session::BatchSend batch(db.base.session(), {files.folder()});
        const double calls = callsOf([&] {
            while (!batch.done())
                batch.sendNext(kProgress);
        });
        const double ms = millisecondsSince(start);
        state.PauseTiming();
        const session::BatchTotals totals = batch.totals();
        if (totals.files != Collection::kFiles) state.SkipWithError("not every file was sent");
        state.counters["x sqlite"] = ms / anchor;
        state.counters["sqlite ms"] = anchor;
        state.counters["calls per file"] = calls / totals.files;
        state.counters["files"] = totals.files;
        state.counters["new programs"] = totals.counts.programs.fresh;
        state.counters["stored programs"] = totals.counts.programs.stored();
        state.counters["new combinations"] = totals.counts.combinations.fresh;
        state.counters["grown MiB"] = residentMiB() - before;
        state.counters["grown mapped MiB"] = mappedMiB() - mappedBefore;
        state.counters["peak MiB"] = peakMiB();
        db.restore();
        state.ResumeTiming();
    }
}

void SendPcgFiles_1000_IntoAnEmptyDatabase(benchmark::State& state) {
    Database db(0, 0, 0);
    sendCollection(state, db);
}
BENCHMARK(SendPcgFiles_1000_IntoAnEmptyDatabase)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);

void SendPcgFiles_1000_Into100k(benchmark::State& state) {
    Database db(100000, 100000, 2000);
    sendCollection(state, db);
}
BENCHMARK(SendPcgFiles_1000_Into100k)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

}  // namespace
