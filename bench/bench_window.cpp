// The main window offscreen: from start-up to the first shown window, and a full unfiltered
// refresh of its lists with 100,000 programs and 100,000 combinations in the database.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListView>
#include <filesystem>

#include "app/dialogs.h"
#include "app/main_window.h"
#include "large_database.h"
#include "pcg/pcg_files.h"
#include "temp_dir.h"
#include "template_image.h"

using namespace pelvaro;

namespace {

// Answers every open dialog with one file; shows nothing.
struct FixedDialogs : app::Dialogs {
    QString answer;
    std::optional<QString> openFile(QWidget*, const QString&) override { return answer; }
    std::optional<QString> saveFile(QWidget*, const QString&) override { return answer; }
    void showError(QWidget*, const QString&, const QString& text) override {
        qFatal("unexpected message: %s", qPrintable(text));
    }
};

struct StartFolder {
    testing::TempDir dir;
    StartFolder() { pcg::writePcgFile(synthetic::makeTemplateImage(), dir.file("bos.dat")); }
};

void StartUpToFirstShownWindow(benchmark::State& state) {
    StartFolder start;
    FixedDialogs dialogs;
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
    FixedDialogs dialogs;
    dialogs.answer = QString::fromStdString(base + ".pvd");
    auto form = app::createMainWindow(dialogs, QString::fromStdString(start.dir.path()));
    form->show();
    form->openDatabase();
    QApplication::processEvents();
    const auto* list = form->findChild<QListView*>("DPListBox");
    for (auto _ : state) {
        form->search();  // every search field blank: both lists refill
        QApplication::processEvents();
    }
    state.counters["rows"] = list->model()->rowCount();
}
BENCHMARK(RefreshListsOf100kAnd100k)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
