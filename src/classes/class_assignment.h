#pragma once
// The class assignment dialog as a model: the working copy of ten class slots, the lines of
// its two lists, and what ">", "<" and OK do. The window shows the lines and passes the chosen
// rows in; nothing here knows of widgets.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/record_files.h"

namespace pelvaro::classes {

// A slot the dialog may not change: the classes the selected entries already have when several
// are edited together. As a signed class byte it is -1, never a class.
inline constexpr Byte kLockedSlot = 0xFF;
inline constexpr std::string_view kUnavailableText = "Unavaible";

class ClassAssignment {
  public:
    // prepareClassDialog. kind is Program or Combination; entry is the ID of the list's current
    // row; selected holds the IDs of the selected rows in list order. With fewer than two
    // selected the dialog edits `entry` alone (single mode): Selected shows its ten slots, a
    // path or " " each. Otherwise (several mode) the first 10 - m slots are locked, m being the
    // fewest empty slots among the selected entries, and Selected shows "1- Unavaible" and so
    // on for them.
    void prepareClassDialog(const db::RecordFiles& files, db::Kind kind, std::int32_t entry,
                            const std::vector<std::int32_t>& selected);

    // Avaible: the path of every class; row r stands for class r + 1.
    const std::vector<std::string>& avaibleLines() const { return avaible_; }
    const std::vector<std::string>& selectedLines() const { return selected_; }
    const std::array<Byte, db::kClassSlots>& pendingClassIds() const { return pending_; }
    bool severalMode() const { return several_; }

    // ">": puts the class of Avaible row `row` into the first empty of slots 0-8 unless one of
    // them holds it already; slot 9 is never filled. Returns false when nothing happened (no
    // row, class present, nine classes, or a class above 127, which no slot can hold).
    bool addChosenClass(int avaibleRow);
    // "<": empties the slot shown on Selected row `row` and moves the slots after it one place
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
    std::vector<db::ClassEntry> table_;
    std::array<Byte, db::kClassSlots> pending_{};
    std::vector<std::string> avaible_;
    std::vector<std::string> selected_;
    std::vector<int> lineSlots_;  // the slot each line of Selected shows
};

}  // namespace pelvaro::classes
