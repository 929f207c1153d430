#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStandardPaths>
#include <cstdio>
#include <memory>
#include <optional>

#include "app/dialogs.h"
#include "app/main_window.h"
#include "app/single_instance.h"
#include "session/start_folder.h"

#ifndef PELVARO_INSTALLED_TEMPLATE
#define PELVARO_INSTALLED_TEMPLATE ""
#endif
#ifndef PELVARO_VERSION
#define PELVARO_VERSION ""
#endif

namespace {

using namespace pelvaro;

void describeArguments(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("A librarian for the sounds of PCG files, with a database of your own."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("files"),
        QStringLiteral("PCG files (.pcg) to import, or to send to the database when there are "
                       "several, and a database file (.pvd) to open."),
        QStringLiteral("[FILE...]"));
}

void setNames() {
    QCoreApplication::setApplicationName(app::kApplicationTitle);
    QCoreApplication::setApplicationVersion(QStringLiteral(PELVARO_VERSION));
}

// --help and --version are answered before any window is made, so they work without a display.
// Qt's own window options (-platform, -style) are not known yet and are let through here.
std::optional<int> answerWithoutWindow(int argc, char** argv) {
    QCoreApplication core(argc, argv);
    setNames();
    QCommandLineParser parser;
    describeArguments(parser);
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }
    return std::nullopt;
}

// A copy that is exiting holds the start folder while it saves the work of its run; this start
// waits for it, saying so, unless the user cancels.
bool waitWhileFolderBusy(const QString& folder) {
    const std::string path = QFile::encodeName(folder).toStdString();
    if (!session::startFolderBusy(path)) return true;
    QProgressDialog waiting(QStringLiteral("PELVARO is still keeping the work of its last run in "
                                           "this folder safe; waiting for it to finish."),
                            QStringLiteral("Cancel"), 0, 0);
    waiting.setWindowTitle(app::kApplicationTitle);
    waiting.setMinimumDuration(0);
    waiting.show();
    return session::waitForStartFolder(path, [&](int) {
        QCoreApplication::processEvents();
        return !waiting.wasCanceled();
    });
}

}  // namespace

// pelvaro [FILE.pcg | FILE.pvd]...: starts with those files imported or opened, or hands them
// to the copy already running in the same folder. Started in a folder that holds bos.dat it
// works there; started from the desktop menu, in a folder of its own under the user's data
// folder with the installed template.
int main(int argc, char** argv) {
    if (const std::optional<int> answered = answerWithoutWindow(argc, argv)) return *answered;
    QApplication application(argc, argv);
    setNames();
    QApplication::setDesktopFileName(QStringLiteral("org.pelvaro.Pelvaro"));
    QCommandLineParser parser;
    describeArguments(parser);
    if (!parser.parse(QApplication::arguments())) {
        std::fprintf(stderr, "pelvaro: %s\nTry 'pelvaro --help'.\n",
                     qPrintable(parser.errorText()));
        return 2;
    }
    // The files named are taken as given from where the program was started.
    QStringList given;
    for (const QString& argument : parser.positionalArguments())
        given << QFileInfo(argument).absoluteFilePath();

    const app::StartPlace start = app::chooseStart(
        QDir::currentPath(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
        QStringLiteral(PELVARO_INSTALLED_TEMPLATE));
    // A start that cannot work where it is (a folder without the template, none installed)
    // gives its files to a copy that runs elsewhere rather than fail; with none, it fails as
    // before, naming the missing template.
    if (!QFileInfo(start.templateFile).isFile() && app::SingleInstance::handToAnyCopy(given))
        return 0;
    app::SingleInstance instance(app::instanceName(start.folder));
    switch (instance.start(given)) {
        case app::SingleInstance::Start::HandedOver:
            return 0;
        case app::SingleInstance::Start::NoAnswer:
            std::fprintf(stderr, "pelvaro: the copy of PELVARO running in %s did not answer.\n",
                         qPrintable(QDir::toNativeSeparators(start.folder)));
            return 1;
        case app::SingleInstance::Start::First:
            break;
    }
    // Files another start hands over before the window is there wait for it. The window asks
    // before they replace work of its own.
    std::unique_ptr<app::MainWindow> form;
    QObject::connect(&instance, &app::SingleInstance::filesHandedOver,
                     [&form, &given](const QStringList& files) {
                         if (form)
                             app::raiseAndGiveFiles(*form, files,
                                                    app::askBeforeReplacingWork(*form));
                         else
                             given << files;
                     });
    if (!waitWhileFolderBusy(start.folder)) return 1;

    app::Places places = app::Places::standard();
    places.templateFile = start.templateFile;
    app::QtDialogs dialogs;
    form = app::createMainWindow(dialogs, start.folder, places);
    if (!form) return 1;  // the message has been shown
    // The window keeps the run's work before it goes; a new start in this folder meanwhile
    // waits for it instead of handing its files over.
    QObject::connect(form.get(), &app::MainWindow::closing, &instance,
                     &app::SingleInstance::stopListening);
    form->show();
    app::giveFilesToWindow(*form, given);
    const int status = QApplication::exec();
    instance.stopListening();
    form.reset();
    return status;
}
