#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/dialogs.h"
#include "app/main_window.h"

#ifndef PELVARO_INSTALLED_TEMPLATE
#define PELVARO_INSTALLED_TEMPLATE ""
#endif

// pelvaro [FILE.pcg | FILE.pvd]...: starts with those files imported or opened. Started in a
// folder that holds bos.dat it works there; started from the desktop menu, in a folder of its
// own under the user's data folder with the installed template.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(pelvaro::app::kApplicationTitle);
    QApplication::setDesktopFileName(QStringLiteral("org.pelvaro.Pelvaro"));
    // The files named are taken as given from where the program was started.
    QStringList given;
    for (const QString& argument : QApplication::arguments().mid(1))
        given << QFileInfo(argument).absoluteFilePath();

    const pelvaro::app::StartPlace start = pelvaro::app::chooseStart(
        QDir::currentPath(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
        QStringLiteral(PELVARO_INSTALLED_TEMPLATE));
    pelvaro::app::Places places = pelvaro::app::Places::standard();
    places.templateFile = start.templateFile;
    pelvaro::app::QtDialogs dialogs;
    const auto form = pelvaro::app::createMainWindow(dialogs, start.folder, places);
    if (!form) return 1;  // the message has been shown
    form->show();
    form->openGivenFiles(given);
    return QApplication::exec();
}
