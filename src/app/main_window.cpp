#include "app/main_window.h"

#include <QFile>
#include <cstdio>

#include "app/dialogs.h"
#include "pcg/file_stream.h"

namespace pelvaro::app {

TForm1::TForm1(Dialogs& dialogs, const QString& startDirectory, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs) {
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(kApplicationTitle);
    resize(416, 568);
    FormCreate(startDirectory);
}

TForm1::~TForm1() { FormDestroy(); }

void TForm1::FormCreate(const QString& startDirectory) {
    session_.startUp(QFile::encodeName(startDirectory).toStdString());
}

void TForm1::FormDestroy() { session_.shutDown(); }

std::unique_ptr<TForm1> createMainWindow(Dialogs& dialogs, const QString& startDirectory) {
    try {
        return std::make_unique<TForm1>(dialogs, startDirectory);
    } catch (const FileError& e) {
        std::fprintf(stderr, "PELVARO: %s\n", e.what());
        dialogs.showError(nullptr, kApplicationTitle, QString::fromLocal8Bit(e.what()));
        return nullptr;
    }
}

}  // namespace pelvaro::app
