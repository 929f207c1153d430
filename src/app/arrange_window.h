#pragma once
// "Arrange Pcg": the open PCG laid out for arranging it for the stage. The programs of banks A
// and B side by side, the same for the combinations, and the four drum kits with the drum
// programs that play them. Records are moved, swapped, copied, emptied, sorted by name and
// packed with the buttons or by dragging (Ctrl held while dropping: swap), kits swapped by
// dragging one onto another, and database entries dropped on a slot are placed there. Every
// command is a session command, one step of Undo; while dragging, the window shows the plan of
// the drop (the target on the lists, and a line saying what it will do), worked out on the
// image in memory. A tool window of the main window: it stays above it and leaves it usable.
// Undo and Redo here are the main window's; the lists and the line under them follow every
// change of the PCG, wherever it was made.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/dialogs.h"
#include "app/slot_list_model.h"
#include "session/arrange_commands.h"

class QComboBox;
class QLabel;
class QMimeData;
class QPushButton;
class QTabWidget;

namespace pelvaro::session {
class Session;
}

namespace pelvaro::app {

class SlotList;

// The tabs, in their order, and the choices of the scope (names::arrange::kScope).
namespace arrange {
inline constexpr int kProgramsTab = 0;
inline constexpr int kCombinationsTab = 1;
inline constexpr int kDrumKitsTab = 2;
enum Scope { kBothBanks, kBankA, kBankB, kSelection };
}  // namespace arrange

class ArrangeWindow : public QDialog {
    Q_OBJECT

  public:
    ArrangeWindow(session::Session& session, Dialogs& dialogs, QWidget* parent = nullptr);

    // Database entries placed at a slot (a drop of entries from a database list, or "Send To
    // PCG at..." on a database tab), shown as every command here is.
    session::ArrangeResult placeEntries(db::Kind kind, const std::vector<std::int32_t>& ids,
                                        int target);

  public slots:
    // Shows the PCG as it is now; the main window calls it after its own commands. When the PCG
    // has changed since the line under the lists spoke of it, the line says what changed it
    // (noteResult), so it never tells of a PCG that is no more.
    void refresh();
    // What the last command of the main window did, as its status bar says it.
    void noteResult(const QString& summary);
    // The commands of the buttons.
    void moveTo();
    void swap();
    void copyTo();
    void empty();
    void sortByName();
    void closeGaps();
    // Edit > Undo and Edit > Redo (undoRequested, redoRequested); the line says what they did.
    void undo();
    void redo();

  signals:
    // After every command here that may have changed the PCG: the summary for the status bar
    // and the event lines of a placement.
    void pcgChanged(const QString& summary, const QStringList& events);
    // The buttons Undo and Redo: the main window takes back (or does again) the last step of
    // the session, a command of the database as well as one of the PCG.
    void undoRequested();
    void redoRequested();

  private:
    QWidget* bankPage(ListContent content);
    QWidget* kitPage();
    void connectList(SlotList* list);
    ListContent content() const;  // of the tab in front
    std::vector<SlotList*> listsOf(ListContent content) const;
    std::vector<int> selection() const;   // of the tab in front, ascending
    std::vector<int> scopeSlots() const;  // the slots of the chosen scope
    // A slot asked for by name; nothing when cancelled or not a slot (which is said).
    std::optional<int> askSlot(const QString& caption, const QString& label, int suggested);

    pcg::ArrangePlan dropPlan(SlotList* list, const QMimeData* mime, int row, bool swap) const;
    bool hover(SlotList* list, const QMimeData* mime, int row, bool swap);
    void drop(SlotList* list, const QMimeData* mime, int row, bool swap);
    void leaveDrag();
    void selectLanded(int target, int count);
    void clearMarks();

    // Shows what a command did (a refusal also in a message box) and tells the main window.
    void showResult(const session::ArrangeResult& result);
    // The line under the lists, speaking of the PCG as it is now.
    void showLine(const QString& text);
    void updateButtons();

    session::Session& session_;
    Dialogs& dialogs_;
    QTabWidget* tabs_ = nullptr;
    std::vector<SlotList*> lists_;
    QLabel* preview_ = nullptr;
    QString lastSummary_;
    pcg::PcgImage shownFor_;     // the PCG lastSummary_ speaks of
    QString noted_;              // the main window's last result line
    bool notedFresh_ = false;    // noted_ came after the last refresh
    bool awaitingNote_ = false;  // the PCG changed elsewhere; the line waits for what did it
    // The plan of a drop of entries, worked out once while they are dragged over one slot.
    struct EntriesDrop {
        db::Kind kind;
        std::vector<std::int32_t> ids;
        int target;
        pcg::ArrangePlan plan;
    };
    mutable std::optional<EntriesDrop> entriesDrop_;
    QPushButton* moveTo_ = nullptr;
    QPushButton* swap_ = nullptr;
    QPushButton* copyTo_ = nullptr;
    QPushButton* empty_ = nullptr;
    QComboBox* scope_ = nullptr;
    QPushButton* sort_ = nullptr;
    QPushButton* closeGaps_ = nullptr;
    QPushButton* undo_ = nullptr;
    QPushButton* redo_ = nullptr;
};

// Before records or kits are emptied (Empty here, Delete on a PCG tab): when anyone will play
// an empty slot afterwards, the question of pcg::emptyQuestion. Whether to go on: the default
// button ("&Empty") was chosen, or no one was to be asked.
bool mayEmpty(QWidget* parent, Dialogs& dialogs, const QString& caption, const pcg::PcgState& pcg,
              const pcg::ArrangePlan& plan);

}  // namespace pelvaro::app
