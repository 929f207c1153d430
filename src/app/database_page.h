#pragma once
// A database tab: the list of entries of one kind with its choice of which entries it shows by
// their marks and in which order, its search group, the "Edit Enabled" box, the detail panel of
// the focused entry and the where-used and origins lines below it. Built once for the programs
// and once for the combinations; the main window runs the commands its buttons ask for and
// hands back what to show.

#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/control_names.h"
#include "db/details.h"
#include "db/listing.h"
#include "db/record_files.h"
#include "db/row_choice.h"
#include "lists/relations.h"

class QAction;
class QCheckBox;
class QLayout;
class QComboBox;
class QFrame;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;
class QVBoxLayout;

namespace pelvaro::app {

class ElidedLabel;
class EntryListModel;
class LimitedMemo;

class DatabasePage : public QWidget {
    Q_OBJECT

  public:
    // kind: Program or Combination; the rows show the marks `marks` holds.
    DatabasePage(db::Kind kind, const db::RecordFiles& files, const db::OriginStore& marks,
                 QWidget* parent = nullptr);

    db::Kind kind() const { return kind_; }
    const names::DatabasePageNames& names() const;
    QTableView* list() const { return list_; }

    // The rows a refill gave the list (`refilled`, kept for another choice of marks or order)
    // and those it shows of them (`shown`): the entry ID behind each, the first row current and
    // selected afterwards.
    void setRows(std::vector<std::int32_t> refilled, std::vector<std::int32_t> shown);
    // Shows other rows of the last refill's, as a change of the choice below orders.
    void showRows(std::vector<std::int32_t> shown);
    const std::vector<std::int32_t>& rowIds() const;
    const std::vector<std::int32_t>& refilledRows() const { return refilled_; }
    // "Show:" and "Sort:": which entries the list shows by their marks, and in which order.
    db::RowChoice rowChoice() const;
    // The marks of entries changed: the rows are drawn again where they are, the current row
    // and the selection stay.
    void marksChanged();
    // The commands on the marks of the chosen rows: their keys work while the list has the
    // focus, and they make the list's right-click menu.
    void setMarkActions(const QList<QAction*>& actions);
    // The entry of the focused row, if there is one.
    std::optional<std::int32_t> focusedEntry() const;
    // The entries a command works on: every selected row's in list order when two or more rows
    // are selected, otherwise the focused row's (none without one).
    std::vector<std::int32_t> chosenEntries() const;
    // Every selected row's entry, in list order.
    std::vector<std::int32_t> selectedEntries() const;
    // The list has rows and a current row.
    bool hasCurrentRow() const;
    // Selects the rows of these entries, the first of them current and in sight. False, and
    // nothing changed, when any of them is not among the rows.
    bool selectEntries(const std::vector<std::int32_t>& ids);

    // The search group: its class choices (" ", "No Class", then each class), the fields as
    // typed, and the text of the chosen class item.
    void setClassChoices(const std::vector<std::string>& choices);
    void clearSearchFields();
    db::ProgramSearchFields programSearch() const;
    db::CombinationSearchFields combinationSearch() const;
    std::string chosenClassText() const;

    // The detail panel; empty when there is nothing to show.
    void showDetails(const std::optional<db::ProgramDetails>& details);
    void showDetails(const std::optional<db::CombinationDetails>& details);
    void showWhereUsed(const std::optional<lists::WhereUsed>& used);
    // Where the entry came from: the line, and the whole list in its tooltip; empty for none.
    void showOrigins(const QString& line, const QString& whole);
    // What the panel's fields hold now, as the record stores text (single-byte).
    std::string editedName() const;
    std::string editedMemo() const;
    // The entry shown in the panel whose name or explanation was edited and not submitted (with
    // "Edit Enabled" ticked), if any, and the name it has in the database.
    struct Unsubmitted {
        std::int32_t id;
        QString storedName;
    };
    std::optional<Unsubmitted> unsubmitted() const;
    // Makes the row of the entry shown in the panel current again, its edits kept (a move away
    // from it the user took back).
    void returnToShownEntry();

    // The page's controls in the order Tab visits them.
    std::vector<QWidget*> tabChain() const;

  signals:
    void searchRequested();
    void submitRequested();
    void editClassesRequested();
    // The focused row moved (a click or a key).
    void focusedEntryChanged();
    // The selected rows changed.
    void selectionChanged();
    // "Show:" or "Sort:" changed.
    void rowChoiceChanged();

  protected:
    // Enter in a search field runs the search, as a click on Search would.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildSearchGroup(QVBoxLayout* side);
    void buildPanel(QVBoxLayout* side);
    QLayout* buildRowChoice();
    void editEnabledClicked();
    // The class item chosen, or -1 when text was typed into the editable combo instead.
    int classIndex() const;
    // Fills what both kinds of panel show; false when there is no entry to show.
    template <class Details>
    bool showShared(const std::optional<Details>& details);

    db::Kind kind_;
    // The entry the panel shows and the texts it showed, to tell an edit from what is stored.
    std::optional<std::int32_t> shownId_;
    QString shownName_;
    QString shownMemo_;
    bool returning_ = false;
    EntryListModel* rows_;
    QTableView* list_;
    std::vector<std::int32_t> refilled_;
    QComboBox* showChoice_ = nullptr;
    QComboBox* sortChoice_ = nullptr;
    QLineEdit* fromFile_ = nullptr;
    QLineEdit* nameSearch_ = nullptr;
    QComboBox* classSearch_ = nullptr;
    QLineEdit* referenceSearch_ = nullptr;
    QLineEdit* soundFrom_ = nullptr;
    QLineEdit* soundTo_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QCheckBox* editEnabled_ = nullptr;
    QFrame* panel_ = nullptr;
    QLineEdit* id_ = nullptr;
    QLineEdit* drumId_ = nullptr;
    QListWidget* timbreIds_ = nullptr;
    QLineEdit* name_ = nullptr;
    QListWidget* classes_ = nullptr;
    QPushButton* editClasses_ = nullptr;
    QPushButton* editRecord_ = nullptr;
    LimitedMemo* explanation_ = nullptr;
    QPushButton* submit_ = nullptr;
    ElidedLabel* whereUsed_ = nullptr;
    ElidedLabel* origins_ = nullptr;
};

}  // namespace pelvaro::app
