#pragma once
// "Find Near Duplicates": the groups of entries of one kind whose compared bytes differ in at
// most N (1 to 8, default 2), joined by chains, largest first; and, on a second page, the groups
// of entries of one name and different sounds. Below the groups, the members of the chosen group
// (ID, name, how many bytes and which parameters differ from the entry to keep), the entry to
// keep (the lowest ID unless the user picks another), the preview of what a merge changes, and
// "Merge", one undo step. Double-clicking a member compares it with the entry to keep.
//
// The groups are found when the window opens and again after every merge. Finding them takes
// seconds in a large collection, so any other change of the database (an undo, a command of the
// main window) does not start a search: it marks the groups out of date with a note and
// "Refresh", and nothing can be merged, numbered or shown from them until they are found again.
// A merge whose entries changed since they were found is refused as well, and nothing changes.
//
// The page of one name offers "Number These Names" (Replace in Names on the group, numbering)
// and, as both pages do, "Show in List" (the group chosen in the main window's list).

#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "session/organise_commands.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QTreeWidget;

namespace pelvaro::app {

class BusyWindow;
class DatabaseWatch;
class Dialogs;
class GroupListModel;

class NearDuplicatesWindow : public QDialog {
    Q_OBJECT

  public:
    using Entries = std::vector<std::int32_t>;
    // What the window asks of the main window.
    struct Calls {
        std::function<void(db::Kind, std::int32_t, std::int32_t)> comparePair{};
        // Told after every merge, with what it did: the main window refreshes its lists and
        // shows the summary and the event lines.
        std::function<void(const session::MergeResult&)> merged{};
        // "Number These Names": Replace in Names on the entries, numbering after `base`.
        std::function<void(db::Kind, const Entries&, const QString& base)> numberNames{};
        // "Show in List": the entries chosen in the main window's list of their kind.
        std::function<void(db::Kind, const Entries&)> showInList{};
    };
    NearDuplicatesWindow(session::Session& session, const DatabaseWatch& watch, Dialogs& dialogs,
                         db::Kind kind, Calls calls, QWidget* parent = nullptr);
    ~NearDuplicatesWindow() override;

  public slots:
    // Finds the groups again with the N of "Differing bytes at most:".
    void find();
    // Merges the chosen group into the entry to keep, as the preview says.
    void mergeClicked();

  private slots:
    void showChosenGroup();
    void keepChanged();
    void compareMember();

  private:
    bool onNamePage() const;
    QTableView* groupList() const;
    Entries chosenGroup() const;
    std::int32_t kept() const;
    void databaseChanged();
    // The note and the state of the controls that act on the groups found.
    void showOutOfDate(bool outOfDate);
    void updateButtons();
    void numberNamesClicked();

    session::Session& session_;
    const DatabaseWatch& watch_;
    Dialogs& dialogs_;
    db::Kind kind_;
    Calls calls_;
    std::uint64_t foundAt_ = 0;  // the database's revision the groups were found in
    bool outOfDate_ = false;
    BusyWindow* busy_;
    std::unique_ptr<transfer::GroupDescriber> describer_;
    std::optional<transfer::MergePlan> plan_;
    GroupListModel* nearModel_;
    GroupListModel* nameModel_;
    QSpinBox* maxBytes_;
    QLabel* found_;
    QTabWidget* pages_;
    QTableView* nearList_;
    QTableView* nameList_;
    QTreeWidget* members_;
    QComboBox* keep_;
    QPlainTextEdit* preview_;
    QPushButton* merge_;
    QPushButton* numberNames_;
    QPushButton* showInList_;
    QWidget* outOfDateBar_;
    QLabel* result_;
};

}  // namespace pelvaro::app
