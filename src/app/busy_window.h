#pragma once
// Shown while a command takes long (Open or Export Database of a large collection, the first
// send after Open, a recovery copy): the window says it is busy and how much it has read or
// copied, and the program's windows stay painted, though they take no input meanwhile. A
// command that ends quickly shows nothing.

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <optional>

#include "app/dialogs.h"

class QLabel;
class QProgressBar;

namespace pelvaro::app {

class BusyWindow : public QDialog {
    Q_OBJECT

  public:
    explicit BusyWindow(QWidget* parent = nullptr);

    // A command begins and ends; commands within a command count as one.
    void begin();
    void end();
    // The command has read or copied `bytes` more.
    void advance(std::int64_t bytes);
    // Once `other` (the send's progress window) has shown during a command, it stands in for
    // this one until the command ends: the work left after it (a refill of the lists) shows
    // nothing more.
    void setOtherWindow(QWidget* other);

    // How long a command runs before the window shows (tests: 0).
    static void setDelay(int milliseconds);
    // What tells the time, in milliseconds (tests: a clock they move themselves; null: the
    // system's steady clock).
    using Clock = qint64 (*)();
    static void setClock(Clock now);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int depth_ = 0;
    std::int64_t bytes_ = 0;
    qint64 lastPaint_ = 0;
    qint64 startedAt_ = -1;  // the clock at the command's first report of work
    QPointer<QWidget> activeBefore_;
    QPointer<QWidget> focusBefore_;
    QLabel* label_;
    QProgressBar* bar_;
    QWidget* other_ = nullptr;
    bool standIn_ = false;  // the other window showed during this command
};

// Runs a handler as caught() does, with `busy` shown once its work takes long and told how far
// it has come; the failure, if any, is returned once the busy window has gone.
std::optional<Shown> caughtWhileBusy(BusyWindow& busy, const std::function<void()>& handler);
// The same, and the failure shown. Returns the message shown, if any.
std::optional<Shown> guardedWhileBusy(QWidget* parent, Dialogs& dialogs, BusyWindow& busy,
                                      const std::function<void()>& handler);

}  // namespace pelvaro::app
