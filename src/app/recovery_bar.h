#pragma once
// The bar across the top of the main window at start when the last run (its Exit, or a crash or
// a kill that the start found) left work in a recovery copy: it says what was kept, from where
// and when, and offers to open it, to show every copy, or to go away. The start itself is left
// as it is (an empty PCG and an empty database) until the user chooses.

#include <QDate>
#include <QFrame>

#include "session/recovery.h"

namespace pelvaro::app {

class RecoveryBar : public QFrame {
    Q_OBJECT

  public:
    explicit RecoveryBar(session::RecoveryCopy copy, QWidget* parent = nullptr);

    const session::RecoveryCopy& copy() const { return copy_; }

    // "The database you were working on when PELVARO last closed was kept (bank.pvd, 1,234
    // programs, saved 21:14)." and, when the copy keeps a PCG, what it was called. A copy saved
    // on another day than today gives its date too.
    static QString lineFor(const session::RecoveryCopy& copy,
                           const QDate& today = QDate::currentDate());

  signals:
    // "Open it": the copy's database and PCG are to be brought back.
    void openRequested();
    // "Show all": the Recover window.
    void showAllRequested();

  private:
    session::RecoveryCopy copy_;
};

}  // namespace pelvaro::app
