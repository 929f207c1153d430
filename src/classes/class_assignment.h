#pragma once
// Assigning classes to entries: the working copy of ten class slots, the classes to choose
// from and the slots as lines, and what adding, removing and OK do. A window shows the lines
// and passes the chosen rows in.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/class_tree.h"
#include "db/record_files.h"

namespace pelvaro::classes {

// A slot the dialog may not change: the classes the selected entries already have when several
// are edited together. As a signed class byte it is -1, never a class.
inline constexpr Byte kLockedSlot = 0xFF;
inline constexpr std::string_view kUnavailableText = "Unavaible";

class ClassAssignment {
  public:
    // Loads the classes and the slots to edit. kind is Program or Combination; entry is the ID
    // of the list's current row; selected holds the IDs of the selected rows in list order.
    // With fewer than two selected the dialog edits `entry` alone (single mode): the selected
    // lines show its ten slots, a path or " " each. Otherwise (several mode) the first 10 - m
    // slots are locked, m being the fewest empty slots among the selected entries, and the
    // selected lines show "1- Unavaible" and so on for them.
    void load(const db::RecordFiles& files, db::Kind kind, std::int32_t entry,
              const std::vector<std::int32_t>& selected);

    // The classes to choose from: row r stands for class r + 1 and shows its path.
    std::int32_t availableCount() const { return tree_.count(); }
    std::string_view availablePath(int row) const { return tree_.path(row + 1); }
    // The slots of the edited entry, as the list of selected classes shows them.
    const std::vector<std::string>& selectedLines() const { return selected_; }
    const std::array<Byte, db::kClassSlots>& pendingClassIds() const { return pending_; }
    bool severalMode() const { return several_; }

    // ">": puts the class of available row `row` into the first empty of slots 0-8 unless one
    // of them holds it already; slot 9 is never filled. Returns false when nothing happened (no
    // row, class present, nine classes, or a class above 127, which no slot can hold).
    bool addChosenClass(int availableRow);
    // "<": empties the slot shown on selected line `row` and moves the slots after it one place
    // to the front (slot 9 keeps its value too). Returns false for no row or a locked slot.
    bool removeChosenSlot(int selectedRow);

    // OK. Single mode: the entry's ten class slots become the dialog's. Several mode: each
    // selected entry gets the dialog's new classes after its own, in slot order, skipping those
    // it has, as far as it has empty slots. Entries that do not change are not written.
    void writeClasses(db::RecordFiles& files) const;

  private:
    void showPendingClasses();

    db::Kind kind_ = db::Kind::Program;
    std::int32_t entry_ = 0;
    std::vector<std::int32_t> entries_;
    bool several_ = false;
    db::ClassTree tree_;
    std::array<Byte, db::kClassSlots> pending_{};
    std::vector<std::string> selected_;
    std::vector<int> lineSlots_;  // the slot each selected line shows
};

}  // namespace pelvaro::classes
