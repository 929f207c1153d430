#pragma once
// "Find Similar": the other entries of one kind nearest to the one the user has chosen, nearest
// first, each with how many compared bytes differ and which parameters those are. Choosing a
// row (double-click, Enter, "Compare") opens the Compare window on the pair. Changes nothing.
//
// The list follows every change of the database, whatever made it: it is found again (a quick
// search) for the chosen entry, under its new number when a deletion gave it one. When the
// chosen entry itself was edited or deleted, the list is emptied and a note says so; "Refresh"
// then finds the entries nearest to whatever its ID holds now, and an Undo that brings the
// entry back brings the list back.

#include <QDialog>
#include <cstdint>
#include <functional>
#include <optional>

#include "db/followed_entry.h"
#include "db/record_files.h"

class QLabel;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace pelvaro::session {
class Session;
}

namespace pelvaro::app {

class BusyWindow;
class DatabaseWatch;
class Dialogs;

class SimilarWindow : public QDialog {
    Q_OBJECT

  public:
    // How many entries are listed at first.
    static constexpr int kDefaultShown = 50;

    // Opens the Compare window on two entries of a kind (the chosen one first).
    using ComparePair = std::function<void(db::Kind, std::int32_t, std::int32_t)>;
    SimilarWindow(session::Session& session, const DatabaseWatch& watch, Dialogs& dialogs,
                  db::Kind kind, std::int32_t id, ComparePair comparePair,
                  QWidget* parent = nullptr);

  public slots:
    // Finds the entries nearest to what the chosen ID holds now, as many as "Show:" says.
    void refresh();
    // Opens the Compare window on the chosen entry and the current row's.
    void compareChosen();

  private:
    void databaseChanged();
    void showGone(bool gone);

    session::Session& session_;
    const DatabaseWatch& watch_;
    Dialogs& dialogs_;
    db::Kind kind_;
    std::int32_t id_;
    std::optional<db::FollowedEntry> entry_;
    std::uint64_t shownAt_ = 0;  // the database's revision the list was found in
    QString shownEntry_;         // "12 Grand Piano"
    ComparePair comparePair_;
    BusyWindow* busy_;
    QLabel* heading_;
    QSpinBox* shown_;
    QLabel* note_;
    QPushButton* refresh_;
    QTreeWidget* list_;
    QPushButton* compare_;
};

}  // namespace pelvaro::app
