// A community archive: 1,000,000 programs, 1,000,000 combinations and 20,000 drum kits, every
// record different. Open and Export Database beside the system's own `cp` of the same files in
// the same run (and beside `cp` followed by `sync` of the copies, which an export must match: it
// waits for the disk before it takes its name), the first whole-PCG send after Open (which builds
// the matching index) and the later ones, searches by name, class, drum kit and sound, the
// unfiltered refresh of both lists through the window, and the peak memory of the window with the
// archive open after a search and a send.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "app/control_names.h"
#include "app/database_page.h"
#include "app/main_window.h"
#include "db/database_file.h"
#include "db/listing.h"
#include "large_database.h"
#include "pcg/pcg_files.h"
#include "pcg_builder.h"
#include "scripted_dialogs.h"
#include "session/session.h"
#include "temp_dir.h"
#include "template_image.h"

using namespace pelvaro;
using namespace pelvaro::db;
namespace fs = std::filesystem;

namespace {

constexpr std::int32_t kPrograms = 1000000;
constexpr std::int32_t kCombinations = 1000000;
constexpr std::int32_t kDrumKits = 20000;

// The archive, written once for the whole run, and a start folder with the template.
struct Archive {
    testing::TempDir dir;
    DatabasePaths paths;
    Archive() {
        paths = synthetic::writeArchiveDatabase(dir.file("archive"), kPrograms, kCombinations,
                                                kDrumKits);
        pcg::writePcgFile(synthetic::makeTemplateImage(), dir.file("bos.dat"));
    }
    // A folder of its own for a session's working files.
    std::string folder(const std::string& name) const {
        fs::create_directories(dir.file(name));
        pcg::writePcgFile(synthetic::makeTemplateImage(), dir.file(name + "/bos.dat"));
        return dir.file(name);
    }
};

Archive& archive() {
    static Archive a;
    return a;
}

const transfer::Progress kNoProgress = [](transfer::ProgressBar) {};

// Runs a command of the system and gives its time in milliseconds.
double millisecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Open and Export beside the system's `cp` of the same five files, and beside the copy a careful
// user makes of a database to keep (`cp`, then `sync` of the copies, which waits for the disk
// as an export does before it takes its name), in turns within each iteration, each from a disk
// with nothing left to write (sync), from sources read just before (so each reads from the page
// cache) and into files that are not there yet, as an export's are, so that none pays for
// another's writes or reads. The time reported is ours; the counters give cp's and
// the durable copy's, and the ratios.
// The files of a database: its database file and its four member files.
std::vector<std::string> filesOf(const DatabasePaths& paths) {
    std::vector<std::string> files{paths.database};
    files.insert(files.end(), paths.members.begin(), paths.members.end());
    return files;
}

void besideCp(benchmark::State& state, const std::vector<std::string>& oursReads,
              const std::function<void()>& ours) {
    Archive& a = archive();
    const std::string plain = a.folder("cp");
    const std::string durable = a.folder("durable");
    const auto copyInto = [&](const std::string& to, bool sync) {
        std::string sources;
        std::string copies;
        for (const std::string& file : filesOf(a.paths)) {
            sources += " '" + file + "'";
            copies += " '" + to + "/" + fs::path(file).filename().string() + "'";
        }
        return "cp" + sources + " '" + to + "/'" + (sync ? " && sync" + copies : "");
    };
    const std::string cpCommand = copyInto(plain, false);
    const std::string durableCommand = copyInto(durable, true);
    const auto removeCopies = [&] {
        for (const std::string& to : {plain, durable})
            for (const auto& entry : fs::directory_iterator(to))
                if (entry.path().filename() != "bos.dat") fs::remove(entry.path());
    };
    const auto warm = [&](const std::vector<std::string>& files) {
        std::string command = "cat";
        for (const std::string& file : files)
            command += " '" + file + "'";
        if (std::system((command + " > /dev/null").c_str()) != 0) state.SkipWithError("cat failed");
    };
    const auto timed = [&](const std::string& command) {
        removeCopies();
        warm(filesOf(a.paths));
        ::sync();
        return millisecondsOf([&] {
            if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
        });
    };
    double cpTotal = 0;
    double durableTotal = 0;
    double oursTotal = 0;
    for (auto _ : state) {
        cpTotal += timed(cpCommand);
        durableTotal += timed(durableCommand);
        removeCopies();
        warm(oursReads);
        ::sync();
        const double mine = millisecondsOf(ours);
        state.SetIterationTime(mine / 1000);
        oursTotal += mine;
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["cp ms"] = cpTotal / n;
    state.counters["durable cp ms"] = durableTotal / n;
    state.counters["times cp"] = oursTotal / cpTotal;
    state.counters["times durable cp"] = oursTotal / durableTotal;
}

void Archive_OpenDatabase(benchmark::State& state) {
    Archive& a = archive();
    session::Session session(a.folder("open"));
    besideCp(state, filesOf(a.paths), [&] { openDatabase(session.files(), a.paths.database); });
    session.shutDown();
}
BENCHMARK(Archive_OpenDatabase)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

void Archive_ExportDatabase(benchmark::State& state) {
    Archive& a = archive();
    session::Session session(a.folder("export"));
    openDatabase(session.files(), a.paths.database);
    fs::create_directories(a.dir.file("export/out"));
    std::vector<std::string> reads;
    for (const Kind kind : kAllKinds)
        reads.push_back(session.files().pathOf(kind));
    besideCp(state, reads, [&] { exportDatabase(session.files(), a.dir.file("export/out/copy")); });
    session.shutDown();
}
BENCHMARK(Archive_ExportDatabase)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// The first send after Open builds the matching index from the three files.
void Archive_FirstSendAfterOpen(benchmark::State& state) {
    Archive& a = archive();
    session::Session session(a.folder("first"));
    openDatabase(session.files(), a.paths.database);
    session.pcg() = synthetic::archivePcg(session.files());
    std::vector<std::string> events;
    for (auto _ : state) {
        state.PauseTiming();
        openDatabase(session.files(), a.paths.database);
        state.ResumeTiming();
        session.engine().sendPcgToDatabase(events, kNoProgress);
        state.PauseTiming();
        state.counters["new programs"] = session.files().count(Kind::Program) - kPrograms;
        state.ResumeTiming();
    }
    session.shutDown();
}
BENCHMARK(Archive_FirstSendAfterOpen)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Every later send: half the PCG new each time (the counts go back between two sends).
void Archive_LaterSend(benchmark::State& state) {
    Archive& a = archive();
    session::Session session(a.folder("later"));
    openDatabase(session.files(), a.paths.database);
    session.pcg() = synthetic::archivePcg(session.files());
    std::vector<std::string> events;
    session.engine().sendPcgToDatabase(events, kNoProgress);
    RecordFiles& files = session.files();
    const auto restore = [&] {
        files.setCount(Kind::Program, kPrograms);
        files.setCount(Kind::Combination, kCombinations);
        files.setCount(Kind::DrumKit, kDrumKits);
    };
    restore();
    for (auto _ : state) {
        session.engine().sendPcgToDatabase(events, kNoProgress);
        state.PauseTiming();
        state.counters["new programs"] = files.count(Kind::Program) - kPrograms;
        state.counters["new combinations"] = files.count(Kind::Combination) - kCombinations;
        restore();
        state.ResumeTiming();
    }
    session.shutDown();
}
BENCHMARK(Archive_LaterSend)->Unit(benchmark::kMillisecond)->UseRealTime();

// A session with the archive open, for the searches.
session::Session& searched() {
    static session::Session* s = [] {
        auto* session = new session::Session(archive().folder("search"));
        session->openDatabase(archive().paths.database);
        return session;
    }();
    return *s;
}

void search(benchmark::State& state, const ListFilter& filter, Kind kind) {
    session::Session& session = searched();
    std::size_t rows = 0;
    for (auto _ : state) {
        const ListRefill r = listRows(session.files(), filter, kind, &session.names());
        rows = (kind == Kind::Program ? r.programRowIds : r.combinationRowIds).size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void Archive_NameSearchPrograms(benchmark::State& state) {
    search(state, {.nameText = "PAD 12"}, Kind::Program);
}
BENCHMARK(Archive_NameSearchPrograms)->Unit(benchmark::kMillisecond)->UseRealTime();

void Archive_NameSearchCombinations(benchmark::State& state) {
    search(state, {.nameText = "PAD 12"}, Kind::Combination);
}
BENCHMARK(Archive_NameSearchCombinations)->Unit(benchmark::kMillisecond)->UseRealTime();

// Open gathers the names as it checks the records: the first search by name reads none.
void Archive_FirstNameSearchAfterOpen(benchmark::State& state) {
    session::Session& session = searched();
    for (auto _ : state) {
        state.PauseTiming();
        session.openDatabase(archive().paths.database);
        state.ResumeTiming();
        benchmark::DoNotOptimize(
            listRows(session.files(), {.nameText = "PAD 12"}, Kind::Program, &session.names()));
    }
}
BENCHMARK(Archive_FirstNameSearchAfterOpen)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// Names lost (a write that failed half way) are read again from the file, once.
void Archive_NameSearchReadingTheNamesAgain(benchmark::State& state) {
    session::Session& session = searched();
    for (auto _ : state) {
        state.PauseTiming();
        session.names().writeFailed(Kind::Program);
        state.ResumeTiming();
        benchmark::DoNotOptimize(
            listRows(session.files(), {.nameText = "PAD 12"}, Kind::Program, &session.names()));
    }
}
BENCHMARK(Archive_NameSearchReadingTheNamesAgain)->Unit(benchmark::kMillisecond)->UseRealTime();

void Archive_ClassSearch(benchmark::State& state) {
    search(state, {.classId = 2}, Kind::Program);
}
BENCHMARK(Archive_ClassSearch)->Unit(benchmark::kMillisecond)->UseRealTime();

void Archive_DrumKitSearch(benchmark::State& state) {
    search(state, {.reference = 777}, Kind::Program);
}
BENCHMARK(Archive_DrumKitSearch)->Unit(benchmark::kMillisecond)->UseRealTime();

void Archive_ProgramIdSearch(benchmark::State& state) {
    search(state, {.reference = 4711}, Kind::Combination);
}
BENCHMARK(Archive_ProgramIdSearch)->Unit(benchmark::kMillisecond)->UseRealTime();

void Archive_SoundSearch(benchmark::State& state) {
    search(state, {.soundFrom = 100, .soundTo = 120}, Kind::Program);
}
BENCHMARK(Archive_SoundSearch)->Unit(benchmark::kMillisecond)->UseRealTime();

// The window with the archive open: both lists refilled unfiltered and painted.
void Archive_WindowRefreshOfBothLists(benchmark::State& state) {
    Archive& a = archive();
    testing::ScriptedDialogs dialogs;
    dialogs.answerOpen(QString::fromStdString(a.paths.database));
    auto form = app::createMainWindow(dialogs, QString::fromStdString(a.folder("window")));
    form->show();
    form->openDatabase();
    QApplication::processEvents();
    for (auto _ : state) {
        form->search(*form->findChild<app::DatabasePage*>(
            app::names::kProgramsPage.page));  // every field blank: both lists refill
        QApplication::processEvents();
    }
    state.counters["rows"] =
        form->findChild<QTableView*>(app::names::kProgramsPage.list)->model()->rowCount();
    if (!dialogs.messages.empty()) state.SkipWithError("a message was shown");
}
BENCHMARK(Archive_WindowRefreshOfBothLists)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peak memory of the window program, in a process of its own: the archive opened, a name
// search, a whole-PCG send.
void Archive_PeakMemoryOfTheWindow(benchmark::State& state) {
    Archive& a = archive();
    const std::string folder = a.folder("memory");
    const std::string command =
        std::string("'") + ARCHIVE_WINDOW + "' '" + a.paths.database + "' '" + folder + "'";
    for (auto _ : state) {
        FILE* out = ::popen(command.c_str(), "r");
        double peak = 0;
        if (!out || std::fscanf(out, "%lf", &peak) != 1) state.SkipWithError("no figure");
        if (out && ::pclose(out) != 0) state.SkipWithError("archive_window failed");
        state.counters["peak MiB"] = peak;
    }
}
BENCHMARK(Archive_PeakMemoryOfTheWindow)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
