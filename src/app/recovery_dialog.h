#pragma once
// "Recover Database...": the recovery copies, newest first, with when they were saved, the
// folder the program ran in and what they hold; one can be chosen to open, or deleted.

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "session/recovery.h"

class QPushButton;
class QTreeWidget;

namespace pelvaro::app {

class Dialogs;

class RecoveryDialog : public QDialog {
    Q_OBJECT

  public:
    RecoveryDialog(QString folder, Dialogs& dialogs, QWidget* parent = nullptr);

    // Shows the copies; the database file of the one chosen with Open, or nothing.
    std::optional<std::string> chooseCopy();

  public slots:
    void openClicked();
    void deleteClicked();

  private:
    void fill();
    int chosenRow() const;

    QString folder_;
    Dialogs& dialogs_;
    std::vector<session::RecoveryCopy> copies_;
    std::optional<std::string> chosen_;
    QTreeWidget* list_;
    QPushButton* open_;
    QPushButton* delete_;
};

}  // namespace pelvaro::app
