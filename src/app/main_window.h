#pragma once
// The main window. It owns the session (the open PCG and the open database) from its creation
// to its destruction; creating it runs the start-up of both, destroying it removes the working
// files.

#include <QMainWindow>
#include <QString>
#include <memory>

#include "db/session.h"

namespace pelvaro::app {

class Dialogs;

class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    // Runs FormCreate in startDirectory. Throws FileError when the template file or the working
    // files fail; nothing is then left behind.
    TForm1(Dialogs& dialogs, const QString& startDirectory, QWidget* parent = nullptr);
    ~TForm1() override;

    db::Session& session() { return session_; }

private:
    void FormCreate(const QString& startDirectory);
    void FormDestroy();

    Dialogs& dialogs_;
    db::Session session_;
};

// Creates the main window in startDirectory. A failed start-up (no template file, working files
// that cannot be made or that another copy holds) shows its message and gives null.
std::unique_ptr<TForm1> createMainWindow(Dialogs& dialogs, const QString& startDirectory);

}  // namespace pelvaro::app
