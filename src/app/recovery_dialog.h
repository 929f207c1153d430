#pragma once
// "Recover Database...": the recovery copies, newest first, with when they were saved, the
// database each came from, what they hold, their size and the size of the whole folder; one can
// be chosen to open (its database, and its PCG put back), or deleted after a question.

#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "session/recovery.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace pelvaro::app {

class Dialogs;

class RecoveryDialog : public QDialog {
    Q_OBJECT

  public:
    // limitBytes: how large the folder may grow before its oldest copies go.
    RecoveryDialog(QString folder, std::int64_t limitBytes, Dialogs& dialogs,
                   QWidget* parent = nullptr);

    // Shows the copies; the file of the one chosen with Open (its database, or its PCG when it
    // keeps a PCG alone), or nothing.
    std::optional<std::string> chooseCopy();

    // "bank.pvd", "a new database", "the PCG band.pcg": what a copy keeps, for the user.
    static QString keptWork(const session::RecoveryCopy& copy);

  public slots:
    void openClicked();
    void deleteClicked();

  private:
    // Lists the copies again, row `current` chosen (the last one when there are fewer).
    void fill(int current = 0);
    int chosenRow() const;

    QString folder_;
    std::int64_t limitBytes_;
    Dialogs& dialogs_;
    std::vector<session::RecoveryCopy> copies_;
    std::optional<std::string> chosen_;
    QTreeWidget* list_;
    QLabel* total_;
    QPushButton* open_;
    QPushButton* delete_;
};

}  // namespace pelvaro::app
