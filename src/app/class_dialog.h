#pragma once
// The class assignment dialog: the classes of the current entry, or classes to add to every
// selected entry at once.

#include <QDialog>
#include <functional>

#include "classes/class_assignment.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace pelvaro::app {

class Dialogs;

class TForm4 : public QDialog {
    Q_OBJECT

  public:
    // closed runs after every closing, after OK and after the close box alike.
    TForm4(db::RecordFiles& files, Dialogs& dialogs, std::function<void()> closed,
           QWidget* parent = nullptr);

    // Loads both lists for an entry of kind (the list's current row) and the selected rows.
    void prepareClassDialog(db::Kind kind, std::int32_t entry,
                            const std::vector<std::int32_t>& selected);

  public slots:
    void Button1Click();
    void Button2Click();
    void BitBtn1Click();

  protected:
    void done(int result) override;

  private:
    void showLines();
    void FormDeactivate();

    db::RecordFiles& files_;
    Dialogs& dialogs_;
    std::function<void()> closed_;
    classes::ClassAssignment model_;

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QListWidget* Avaible;
    QListWidget* Selected;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* BitBtn1;
};

}  // namespace pelvaro::app
