// The windows offscreen: from start-up to the first shown window, a full unfiltered refresh of
// the main window's lists with 100,000 programs and 100,000 combinations in the database, the
// class assignment dialog over 10,000 classes chained one below the other, and many PCG files
// sent through the window beside the command line.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <sstream>

#include "app/class_assignment_dialog.h"
#include "app/control_names.h"
#include "app/database_page.h"
#include "app/main_window.h"
#include "cli/commands.h"
#include "db_builder.h"
#include "large_database.h"
#include "pcg/pcg_files.h"
#include "random_pcg.h"
#include "scripted_dialogs.h"
#include "temp_dir.h"
#include "template_image.h"

using namespace pelvaro;

namespace {

struct StartFolder {
    testing::TempDir dir;
    StartFolder() { pcg::writePcgFile(synthetic::makeTemplateImage(), dir.file("bos.dat")); }
};

void StartUpToFirstShownWindow(benchmark::State& state) {
    StartFolder start;
    testing::ScriptedDialogs dialogs;
    for (auto _ : state) {
        auto form = app::createMainWindow(dialogs, QString::fromStdString(start.dir.path()));
        form->show();
        QApplication::processEvents();
        state.PauseTiming();
        form.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(StartUpToFirstShownWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

void RefreshListsOf100kAnd100k(benchmark::State& state) {
    StartFolder start;
    const std::string base = start.dir.file("big");
    synthetic::writeLargeDatabase(base, 100000, 100000);
    testing::ScriptedDialogs dialogs;
    dialogs.answerOpen(QString::fromStdString(base + ".pvd"));
    auto form = app::createMainWindow(dialogs, QString::fromStdString(start.dir.path()));
    form->show();
    form->openDatabase();
    QApplication::processEvents();
    const auto* list = form->findChild<QTableView*>(app::names::kProgramsPage.list);
    for (auto _ : state) {
        form->search(*form->findChild<app::DatabasePage*>(
            app::names::kProgramsPage.page));  // every search field blank: both lists refill
        QApplication::processEvents();
    }
    state.counters["rows"] = list->model()->rowCount();
    if (!dialogs.messages.empty()) state.SkipWithError("a message was shown");
}
BENCHMARK(RefreshListsOf100kAnd100k)->Unit(benchmark::kMillisecond)->UseRealTime();

// Opening the dialog reads the class file, walks the tree once for every class's path and
// depth, and fills the list of available classes; the shown rows are painted.
void ClassDialogOver10000ChainedClasses(benchmark::State& state) {
    StartFolder start;
    const std::string chain = start.dir.file("chain.tur");
    synthetic::writeChainedClasses(chain, 10000);
    testing::ScriptedDialogs dialogs;
    auto form = app::createMainWindow(dialogs, QString::fromStdString(start.dir.path()));
    db::RecordFiles& files = form->session().files();
    testing::replaceWorkingFile(files, db::Kind::Class, chain);
    db::DbProgramEntry program;
    files.append(program);
    app::ClassAssignmentDialog* dialog = form->classAssignmentDialog();
    const auto* available = dialog->findChild<QListWidget*>(app::names::classDialog::kAvailable);
    for (auto _ : state) {
        dialog->prepare(db::Kind::Program, 1, {});
        dialog->show();
        QApplication::processEvents();
        state.PauseTiming();
        dialog->hide();
        state.ResumeTiming();
    }
    state.counters["classes"] = available->count();
    if (!dialogs.messages.empty()) state.SkipWithError("a message was shown");
    state.counters["deepest path"] =
        static_cast<double>(available->item(available->count() - 1)->text().size());
}
BENCHMARK(ClassDialogOver10000ChainedClasses)->Unit(benchmark::kMillisecond)->UseRealTime();

// The files of "Send PCG Files to Database" beside the command line, written once for the
// process into one folder: 600 random PCGs as users collect them (a quarter of the slots empty,
// most sounds shared between files), 30 different ones in turn. So most files bring nothing
// new: the core's part is small, as in a user's run that took 0.13 s on the command line, and
// the window's own part shows most.
class PcgFolder {
  public:
    static constexpr int kFiles = 600;
    static constexpr int kDifferent = 30;
    PcgFolder() {
        for (int file = 0; file < kFiles; ++file) {
            char name[32];
            std::snprintf(name, sizeof name, "/set%04d.pcg", file);
            synthetic::writeRandomPcgFile(dir_.path() + name,
                                          static_cast<std::uint32_t>(file % kDifferent + 1));
        }
    }
    const std::string& path() const { return dir_.path(); }

  private:
    testing::TempDir dir_;
};

// Closes the report of a send as a user does, with its Close button, once it shows; keeps its
// totals line.
class ReportCloser : public QObject {
  public:
    ReportCloser() { qApp->installEventFilter(this); }
    ~ReportCloser() override { qApp->removeEventFilter(this); }
    QString totals;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show &&
            watched->objectName() == QLatin1String(app::names::report::kWindow)) {
            auto* report = static_cast<QWidget*>(watched);
            totals = report->findChild<QLabel*>(app::names::report::kTotals)->text();
            QTimer::singleShot(0, report, [report] {
                report->findChild<QPushButton*>(app::names::report::kClose)->click();
            });
        }
        return false;
    }
};

// The time since `start` on the wall clock; the processor time the process has used so far,
// which depends less on what else the machine runs.
double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}
double cpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// 600 PCG files through "Pcg > Send PCG Files to Database..." of a freshly started window (the
// menu item, the folder chosen in the dialog, the progress window, the report closed with its
// button) against `pelvaro-cli add` of the same files into a fresh database, in turns in the
// same run. The iteration's time is the window's; "times cli" is the window's time in the
// command line's (goal: at most 1.5), "times cli cpu" the same in processor time.
void SendPcgFiles_600_WindowBesideCommandLine(benchmark::State& state) {
    static const PcgFolder files;
    std::string cliTotals;
    for (auto _ : state) {
        StartFolder cliStart;
        std::ostringstream out;
        std::ostringstream errors;
        auto started = std::chrono::steady_clock::now();
        double cpuStarted = cpuMilliseconds();
        const int status = cli::runCommandLine({"add", cliStart.dir.file("fresh.pvd"), files.path(),
                                                "--template", cliStart.dir.file("bos.dat")},
                                               out, errors);
        const double cliMs = millisecondsSince(started);
        const double cliCpuMs = cpuMilliseconds() - cpuStarted;
        if (status != cli::kDone) state.SkipWithError(errors.str().c_str());
        const std::string text = out.str();
        cliTotals = text.substr(text.rfind("Sent "));

        StartFolder start;
        testing::ScriptedDialogs dialogs;
        auto form = app::createMainWindow(dialogs, QString::fromStdString(start.dir.path()));
        form->show();
        QApplication::processEvents();
        ReportCloser report;
        dialogs.answerOpenMany({QString::fromStdString(files.path())});
        started = std::chrono::steady_clock::now();
        cpuStarted = cpuMilliseconds();
        form->findChild<QAction*>(app::names::kSendPcgFiles)->trigger();
        QApplication::processEvents();  // what the run left to paint
        const double windowMs = millisecondsSince(started);
        const double windowCpuMs = cpuMilliseconds() - cpuStarted;

        state.SetIterationTime(windowMs / 1000);
        state.counters["event lines"] =
            form->findChild<QListWidget*>(app::names::kEventList)->count();
        state.counters["window ms"] = windowMs;
        state.counters["cli ms"] = cliMs;
        state.counters["times cli"] = windowMs / cliMs;
        state.counters["times cli cpu"] = windowCpuMs / cliCpuMs;
        if (!dialogs.messages.empty()) state.SkipWithError("a message was shown");
        if (report.totals.toStdString() + "\n" != cliTotals)
            state.SkipWithError("the window and the command line sent differently");
    }
    state.counters["files"] = PcgFolder::kFiles;
}
BENCHMARK(SendPcgFiles_600_WindowBesideCommandLine)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

}  // namespace
