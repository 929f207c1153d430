#pragma once
// The class editor: the class tree, a name and a parent for a new class, and Delete for the
// selected one. It works straight on the class file of the open database.

#include <QDialog>
#include <functional>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace pelvaro::db {
class RecordFiles;
}

namespace pelvaro::app {

class Dialogs;

class TForm2 : public QDialog {
    Q_OBJECT

  public:
    // closed runs after every closing, to refresh the main window's lists and class choices.
    TForm2(db::RecordFiles& files, Dialogs& dialogs, std::function<void()> closed,
           QWidget* parent = nullptr);

    // Rebuilds the tree and the parent choices from the class file.
    void refreshClassEditor();

  public slots:
    void ComboBox1Change();
    void Button1Click();
    void Button2Click();

  protected:
    void done(int result) override;

  private:
    void FormDestroy();

    db::RecordFiles& files_;
    Dialogs& dialogs_;
    std::function<void()> closed_;
    std::vector<QTreeWidgetItem*> classNodes;  // the node of each class number, 0 first

    QTreeWidget* TreeView1;
    QLabel* Label2;
    QLineEdit* ClassName;
    QLabel* Label1;
    QComboBox* ComboBox1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;
    QFrame* Bevel1;
    QLabel* FullLabel;
};

}  // namespace pelvaro::app
