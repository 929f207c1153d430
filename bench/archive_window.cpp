// The window program with an archive open, after a search by name and a whole-PCG send, in a
// process of its own, so that its peak memory is its own: bench_scale runs it and reports what
// it prints.
//   archive_window <database.pvd> <start folder>   ->  "<peak resident MiB>"
#include <sys/resource.h>

#include <QApplication>
#include <QLineEdit>
#include <cstdio>

#include "answering_dialogs.h"
#include "app/main_window.h"
#include "large_database.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    pelvaro::bench::AnsweringDialogs dialogs;
    dialogs.answer = QString::fromLocal8Bit(argv[1]);
    {
        auto form = pelvaro::app::createMainWindow(dialogs, QString::fromLocal8Bit(argv[2]));
        if (!form) return 1;
        form->show();
        form->openDatabase();
        form->findChild<QLineEdit*>(QStringLiteral("SearchEdit1"))
            ->setText(QStringLiteral("PAD 12"));
        form->search();
        form->session().pcg() = pelvaro::synthetic::archivePcg(form->session().files());
        form->sendPcgToDatabase();
        QApplication::processEvents();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.1f\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
