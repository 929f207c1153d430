#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include "app/dialogs.h"
#include "app/main_window.h"

// pelvaro [FILE.pcg | FILE.pvd]...: starts with those files imported or opened.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(pelvaro::app::kApplicationTitle);

    pelvaro::app::QtDialogs dialogs;
    const auto form = pelvaro::app::createMainWindow(dialogs, QDir::currentPath(),
                                                     pelvaro::app::Places::standard());
    if (!form) return 1;  // the message has been shown
    form->show();
    QStringList given;
    for (const QString& argument : QApplication::arguments().mid(1))
        given << QFileInfo(argument).absoluteFilePath();
    form->openGivenFiles(given);
    return QApplication::exec();
}
