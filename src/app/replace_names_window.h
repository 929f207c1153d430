#pragma once
// "Replace in Names": on the entries chosen in a database list, a text replaced in every name
// or the names numbered, the changes listed old and new before Apply writes them in one undo
// step. A name cut to ten characters is marked, and so is a new name that would be the same as
// another (in the database or among the new names), and Apply asks first when one would be.
// Beside each text typed, a hint says how many of a name's ten characters it takes and flags a
// text too long for a name; what is typed is never cut.

#include <QDialog>
#include <cstdint>
#include <functional>
#include <vector>

#include "db/name_replace.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableView;

namespace pelvaro::session {
class Session;
}

namespace pelvaro::app {

class Dialogs;
class TextRowsModel;

class ReplaceNamesWindow : public QDialog {
    Q_OBJECT

  public:
    // ids: the chosen entries of kind (Program or Combination), in list order. changed runs
    // after Apply changed names, with the summary line.
    ReplaceNamesWindow(session::Session& session, Dialogs& dialogs, db::Kind kind,
                       std::vector<std::int32_t> ids,
                       std::function<void(const QString& summary)> changed,
                       QWidget* parent = nullptr);

    // The names numbered, after base.
    void startNumbering(const QString& base);

  public slots:
    // The names read again from the database, and the changes planned anew.
    void reload();
    void applyClicked();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    db::NameEdit edit() const;
    void plan();

    session::Session& session_;
    Dialogs& dialogs_;
    db::Kind kind_;
    std::vector<std::int32_t> ids_;
    std::function<void(const QString&)> changed_;
    std::vector<db::NamedEntry> names_;
    db::NamesInUse inUse_;
    db::NamesPlan plan_;

    QLabel* chosen_;
    QRadioButton* replaceMode_;
    QRadioButton* numberMode_;
    QLineEdit* find_;
    QLineEdit* replacement_;
    QCheckBox* matchCase_;
    QLineEdit* base_;
    QSpinBox* start_;
    TextRowsModel* changes_;
    QTableView* changesView_;
    QLabel* summary_;
    QPushButton* apply_;
};

}  // namespace pelvaro::app
