#include "classes/class_assignment.h"

#include <algorithm>
#include <stdexcept>

namespace pelvaro::classes {

using db::Kind;
using db::RecordFiles;

namespace {

constexpr int kFillableSlots = 9;  // the tenth slot is never filled here
constexpr std::int32_t kLargestSlotClass = 127;

// The ten class bytes of an entry of either kind, read or written in place.
std::array<Byte, db::kClassSlots> readSlots(const RecordFiles& files, Kind kind, std::int32_t id) {
    std::array<Byte, db::kClassSlots> slots{};
    const auto copyOut = [&](const auto& entry) {
        for (int s = 0; s < db::kClassSlots; ++s)
            slots[s] = static_cast<Byte>(entry.classId(s));
    };
    if (kind == Kind::Program)
        copyOut(files.read<db::DbProgramEntry>(id));
    else
        copyOut(files.read<db::DbCombinationEntry>(id));
    return slots;
}

void writeSlots(RecordFiles& files, Kind kind, std::int32_t id,
                const std::array<Byte, db::kClassSlots>& slots) {
    const auto put = [&](auto entry) {
        for (int s = 0; s < db::kClassSlots; ++s)
            entry.setClassId(s, slots[s]);
        files.write(id, entry);
    };
    if (kind == Kind::Program)
        put(files.read<db::DbProgramEntry>(id));
    else
        put(files.read<db::DbCombinationEntry>(id));
}

std::string numbered(int slot, std::string_view text) {
    return std::to_string(slot + 1) + "- " + std::string(text);
}

}  // namespace

void ClassAssignment::load(const RecordFiles& files, Kind kind, std::int32_t entry,
                           const std::vector<std::int32_t>& selected) {
    if (kind != Kind::Program && kind != Kind::Combination)
        throw std::invalid_argument("classes belong to programs and combinations");
    kind_ = kind;
    entry_ = entry;
    entries_ = selected;
    several_ = selected.size() >= 2;
    tree_ = db::ClassTree::read(files);
    selected_.clear();
    lineSlots_.clear();

    pending_.fill(0);
    if (!several_) {
        pending_ = readSlots(files, kind_, entry_);
        for (int s = 0; s < db::kClassSlots; ++s) {
            const int id = static_cast<signed char>(pending_[s]);
            selected_.push_back(id == 0 ? " " : std::string(tree_.path(id)));
            lineSlots_.push_back(s);
        }
        return;
    }
    int fewestEmpty = db::kClassSlots;
    for (std::int32_t id : entries_) {
        const auto slots = readSlots(files, kind_, id);
        fewestEmpty =
            std::min(fewestEmpty, static_cast<int>(std::count(slots.begin(), slots.end(), 0)));
    }
    for (int s = 0; s < db::kClassSlots - fewestEmpty; ++s)
        pending_[s] = kLockedSlot;
    showPendingClasses();
}

void ClassAssignment::showPendingClasses() {
    selected_.clear();
    lineSlots_.clear();
    for (int s = 0; s < db::kClassSlots; ++s) {
        if (pending_[s] == 0) continue;
        selected_.push_back(pending_[s] == kLockedSlot
                                ? numbered(s, kUnavailableText)
                                : numbered(s, tree_.path(static_cast<signed char>(pending_[s]))));
        lineSlots_.push_back(s);
    }
}

bool ClassAssignment::addChosenClass(int availableRow) {
    if (availableRow < 0 || availableRow >= availableCount()) return false;
    const std::int32_t classId = availableRow + 1;
    if (classId > kLargestSlotClass) return false;
    const auto first = pending_.begin();
    const auto fillable = first + kFillableSlots;
    if (std::find(first, fillable, static_cast<Byte>(classId)) != fillable) return false;
    const auto empty = std::find(first, fillable, Byte{0});
    if (empty == fillable) return false;
    *empty = static_cast<Byte>(classId);
    showPendingClasses();
    return true;
}

bool ClassAssignment::removeChosenSlot(int selectedRow) {
    if (selectedRow < 0 || static_cast<std::size_t>(selectedRow) >= lineSlots_.size()) return false;
    // Rows are slots when the filled slots lead, as the dialog keeps them; the line's own slot
    // is taken so that an entry stored with a gap loses the class the user chose.
    const int s = lineSlots_[selectedRow];
    if (pending_[s] == kLockedSlot) return false;
    pending_[s] = 0;
    std::copy(pending_.begin() + s + 1, pending_.end(), pending_.begin() + s);
    showPendingClasses();
    return true;
}

void ClassAssignment::writeClasses(RecordFiles& files) const {
    const std::int32_t count = files.count(kind_);
    const auto exists = [&](std::int32_t id) { return id >= 1 && id <= count; };
    if (!several_) {
        if (exists(entry_)) writeSlots(files, kind_, entry_, pending_);
        return;
    }
    const auto added =
        std::find_if(pending_.begin(), pending_.end(), [](Byte b) { return b != kLockedSlot; });
    if (added == pending_.end()) return;
    for (std::int32_t id : entries_) {
        if (!exists(id)) continue;
        auto slots = readSlots(files, kind_, id);
        bool changed = false;
        int e = 0;
        for (auto v = added; v != pending_.end(); ++v) {
            if (*v == 0 || *v == kLockedSlot) continue;
            if (std::find(slots.begin(), slots.end(), *v) != slots.end()) continue;
            // The next empty slot; an entry stored with classes after a gap keeps them.
            while (e < db::kClassSlots && slots[e] != 0)
                ++e;
            if (e == db::kClassSlots) break;
            slots[e] = *v;
            changed = true;
        }
        if (changed) writeSlots(files, kind_, id, slots);
    }
}

}  // namespace pelvaro::classes
