#pragma once
// The class assignment dialog: the classes of the current entry, or classes to add to every
// selected entry at once.

#include <QDialog>
#include <functional>

#include "classes/class_assignment.h"
#include "session/session.h"

class QListWidget;
class QPushButton;

namespace pelvaro::app {

class Dialogs;

class ClassAssignmentDialog : public QDialog {
    Q_OBJECT

  public:
    // closed runs after every closing, after OK and after the close box alike.
    ClassAssignmentDialog(session::Session& session, Dialogs& dialogs, std::function<void()> closed,
                          QWidget* parent = nullptr);

    // Loads both lists for an entry of kind (the list's current row) and the selected rows.
    void prepare(db::Kind kind, std::int32_t entry, const std::vector<std::int32_t>& selected);

  public slots:
    void addClicked();
    void removeClicked();
    void okClicked();

  protected:
    void done(int result) override;

  private:
    void showSelectedLines();

    session::Session& session_;
    Dialogs& dialogs_;
    std::function<void()> closed_;
    classes::ClassAssignment assignment_;

    QListWidget* available_;
    QListWidget* selected_;
};

}  // namespace pelvaro::app
