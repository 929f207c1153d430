// The window program with an archive open, after a search by name and a whole-PCG send, in a
// process of its own, so that its peak memory is its own: bench_scale runs it and reports what
// it prints.
//   archive_window <database.pvd> <start folder>   ->  "<peak resident MiB>"
#include <sys/resource.h>

#include <QApplication>
#include <QLineEdit>
#include <cstdio>

#include "app/control_names.h"
#include "app/database_page.h"
#include "app/main_window.h"
#include "large_database.h"
#include "scripted_dialogs.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    pelvaro::testing::ScriptedDialogs dialogs;
    dialogs.answerOpen(QString::fromLocal8Bit(argv[1]));
    {
        auto form = pelvaro::app::createMainWindow(dialogs, QString::fromLocal8Bit(argv[2]));
        if (!form) return 1;
        form->show();
        form->openDatabase();
        form->findChild<QLineEdit*>(pelvaro::app::names::kProgramsPage.nameSearch)
            ->setText(QStringLiteral("PAD 12"));
        form->search(
            *form->findChild<pelvaro::app::DatabasePage*>(pelvaro::app::names::kProgramsPage.page));
        form->session().pcg() = pelvaro::synthetic::archivePcg(form->session().files());
        form->sendPcgToDatabase();
        QApplication::processEvents();
        if (!dialogs.messages.empty()) return 1;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.1f\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
