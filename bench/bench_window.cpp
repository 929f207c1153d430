// The windows offscreen: from start-up to the first shown window, a full unfiltered refresh of
// the main window's lists with 100,000 programs and 100,000 combinations in the database, and
// the class assignment dialog over 10,000 classes chained one below the other.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>
#include <QTableView>
#include <filesystem>

#include "app/class_assignment_dialog.h"
#include "app/control_names.h"
#include "app/main_window.h"
#include "db_builder.h"
#include "large_database.h"
#include "pcg/pcg_files.h"
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
        form->search();  // every search field blank: both lists refill
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

}  // namespace
