#pragma once
// "Find Near Duplicates": the groups of entries of one kind whose compared bytes differ in at
// most N (1 to 8, default 2), joined by chains, largest first; and, on a second page, the groups
// of entries of one name and different sounds. Below the groups, the members of the chosen group
// (ID, name, how many bytes and which parameters differ from the entry to keep), the entry to
// keep (the lowest ID unless the user picks another), the preview of what a merge changes, and
// "Merge", one undo step. Double-clicking a member compares it with the entry to keep.
//
// The groups are found when the window opens and again after every merge. A merge whose entries
// changed since they were found (the window was left open while the database changed) is
// refused, and nothing changes.

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
class Dialogs;
class GroupListModel;

class NearDuplicatesWindow : public QDialog {
    Q_OBJECT

  public:
    using ComparePair = std::function<void(db::Kind, std::int32_t, std::int32_t)>;
    // Told after every merge, with what it did: the main window refreshes its lists and shows
    // the summary and the event lines.
    using Merged = std::function<void(const session::MergeResult&)>;
    NearDuplicatesWindow(session::Session& session, Dialogs& dialogs, db::Kind kind,
                         ComparePair comparePair, Merged merged, QWidget* parent = nullptr);
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
    std::vector<std::int32_t> chosenGroup() const;
    std::int32_t kept() const;

    session::Session& session_;
    Dialogs& dialogs_;
    db::Kind kind_;
    ComparePair comparePair_;
    Merged merged_;
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
    QLabel* result_;
};

}  // namespace pelvaro::app
