#pragma once
// The class editor: the class tree, a name and a parent for a new class, and Delete for the
// selected one. It works straight on the class file of the open database.

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace pelvaro::session {
class Session;
}

namespace pelvaro::app {

class Dialogs;

class ClassEditor : public QDialog {
    Q_OBJECT

  public:
    // closed runs after every closing, to refresh the main window's lists and class choices.
    ClassEditor(session::Session& session, Dialogs& dialogs, std::function<void()> closed,
                QWidget* parent = nullptr);

    // Rebuilds the tree and the parent choices from the class file.
    void refreshClassEditor();

  public slots:
    void updateAddButton();
    void addClicked();
    void deleteClicked();

  protected:
    void done(int result) override;
    // A larger window gives the tree the room; the fields keep their place on its right.
    void resizeEvent(QResizeEvent* event) override;

  private:
    session::Session& session_;
    Dialogs& dialogs_;
    std::function<void()> closed_;

    QTreeWidget* tree_;
    QLineEdit* className_;
    QComboBox* parentChoice_;
    QPushButton* addButton_;
    QPushButton* deleteButton_;
    QLabel* fullLabel_;
    QWidget* rightColumn_;
};

}  // namespace pelvaro::app
