#pragma once
// The main window's side of keeping the user's work and saying where it went: the bar at start
// that offers what the last run left, the Recover window, the question before files handed over
// by another start replace a changed database or PCG, and Exit, which keeps the work while the
// window still shows and says where it went before the window goes.

#include <QObject>
#include <QStringList>
#include <functional>
#include <string>

#include "session/commands.h"

class QWidget;

namespace pelvaro::app {

class Dialogs;
class RecoveryBar;

class WorkKeeper : public QObject {
    Q_OBJECT

  public:
    // Runs a command in the window's guard: a failure is shown, long work shows the busy window.
    using Guard = std::function<void(const std::function<void()>&)>;
    // Shows what a command did; refresh: the lists are filled anew from the PCG and the database
    // first.
    using Present = std::function<void(const session::Outcome&, bool refresh)>;

    // recoveryFolder: empty when no copies are kept.
    WorkKeeper(session::Session& session, Dialogs& dialogs, QString recoveryFolder, QWidget* window,
               Guard guard, Present present);

    // The bar that offers what the last run left, for the top of the window; null when it left
    // nothing. Made once, at start; Dismiss hides it for this run.
    QWidget* makeLastRunBar();
    // "Recover Database...": the Recover window, and the copy chosen there brought back.
    void showRecoverWindow();
    // Whether files handed over may be taken: `opened`, the databases to open and the PCG to
    // import. When they would replace a changed database or a changed PCG the user is asked
    // first, and a PCG that an import would replace is kept as a recovery copy once the user
    // agrees (a database is kept by Open Database itself).
    bool mayReplaceWork(const QStringList& opened);
    // Exit: the work kept as a recovery copy while the window shows (a line in the status bar
    // saying how far it has come, painted as it counts, the busy window once it takes long), then
    // the status line and the event list say where it went. A copy that cannot be saved shows its
    // message; the working files then stay for the next start. Does nothing the second time.
    void keepWorkBeforeClosing();

  private:
    void openCopy(const std::string& file);

    session::Session& session_;
    Dialogs& dialogs_;
    QString recoveryFolder_;
    QWidget* window_;
    Guard guard_;
    Present present_;
    RecoveryBar* bar_ = nullptr;
};

}  // namespace pelvaro::app
