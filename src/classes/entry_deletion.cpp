#include "classes/entry_deletion.h"

#include <algorithm>
#include <string_view>

namespace pelvaro::classes {

using db::DbCombinationEntry;
using db::Kind;

namespace {

constexpr std::int32_t kBlockRecords = 2048;
constexpr int kTimbres = pcg::combination::kTimbreCount;

// Every combination entry, in blocks, in ascending order.
template <class Visit>
void forEachCombination(const db::RecordFiles& files, Visit visit) {
    const std::int32_t count = files.count(Kind::Combination);
    std::vector<Byte> block;
    for (std::int32_t first = 1; first <= count; first += kBlockRecords) {
        const std::int32_t n = std::min(kBlockRecords, count - first + 1);
        block.resize(static_cast<std::size_t>(n) * DbCombinationEntry::kSize);
        files.readEntries(Kind::Combination, first, n, block);
        for (std::int32_t i = 0; i < n; ++i) {
            DbCombinationEntry entry;
            std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(i) * DbCombinationEntry::kSize,
                        DbCombinationEntry::kSize, entry.bytes.begin());
            if (!visit(first + i, entry)) return;
        }
    }
}

bool plays(const DbCombinationEntry& entry, std::int32_t program) {
    for (int t = 0; t < kTimbres; ++t)
        if (entry.timbreProgramId(t) == program) return true;
    return false;
}

void deleteInOrder(db::RecordFiles& files, Kind kind, const std::vector<std::int32_t>& ids,
                   EventLines& events) {
    std::vector<std::int32_t> pending = ids;
    for (std::size_t i = 0; i < pending.size(); ++i) {
        const std::int32_t n = pending[i];
        const std::int32_t last = files.count(kind);
        const Deletion done = kind == Kind::Program ? deleteProgramEntry(files, n, events)
                                                    : deleteCombinationEntry(files, n);
        if (done != Deletion::Deleted) continue;
        for (std::size_t j = i + 1; j < pending.size(); ++j) {
            if (pending[j] == n)
                pending[j] = 0;  // the same entry twice: it is gone already
            else if (pending[j] == last)
                pending[j] = n;  // the former last entry now has the freed number
        }
    }
}

}  // namespace

Deletion deleteProgramEntry(db::RecordFiles& files, std::int32_t n, EventLines& events) {
    const std::int32_t last = files.count(Kind::Program);
    if (n < 1 || n > last) return Deletion::NoSuchEntry;

    // One pass finds both a combination that plays n (a refusal) and those that play the last
    // entry (to be renumbered).
    bool used = false;
    std::vector<std::pair<std::int32_t, DbCombinationEntry>> renumbered;
    forEachCombination(files, [&](std::int32_t c, DbCombinationEntry& entry) {
        if (plays(entry, n)) {
            used = true;
            return false;
        }
        if (n != last && plays(entry, last)) {
            for (int t = 0; t < kTimbres; ++t)
                if (entry.timbreProgramId(t) == last) entry.setTimbreProgramId(t, n);
            renumbered.emplace_back(c, entry);
        }
        return true;
    });
    if (used) {
        events.push_back("Program " + std::to_string(n) +
                         " is used by some Combinations.Cannot delete it.");
        return Deletion::Refused;
    }
    if (n != last) {
        // The last entry is copied into n before any reference moves to n, and the count drops
        // only after the last reference has moved: at every step each reference names a live
        // entry holding the program it played.
        std::vector<Byte> moved(db::DbProgramEntry::kSize);
        files.readEntry(Kind::Program, last, moved);
        setLe32(moved, db::ProgramLayout::kIdNumber, n);
        files.writeEntry(Kind::Program, n, moved);
        for (const auto& [c, entry] : renumbered)
            files.write(c, entry);
    }
    files.moveLastEntryInto(Kind::Program, n);
    return Deletion::Deleted;
}

Deletion deleteCombinationEntry(db::RecordFiles& files, std::int32_t n) {
    if (n < 1 || n > files.count(Kind::Combination)) return Deletion::NoSuchEntry;
    files.moveLastEntryInto(Kind::Combination, n);
    return Deletion::Deleted;
}

void deleteProgramEntries(db::RecordFiles& files, const std::vector<std::int32_t>& ids,
                          EventLines& events) {
    events.clear();
    deleteInOrder(files, Kind::Program, ids, events);
}

void deleteCombinationEntries(db::RecordFiles& files, const std::vector<std::int32_t>& ids,
                              EventLines& events) {
    events.clear();
    deleteInOrder(files, Kind::Combination, ids, events);
}

void emptyPcgSlot(pcg::PcgState& pcg, pcg::SlotKind kind, int slot) {
    if (!pcg::isSlot(slot)) return;
    // Ten bytes: the nine letters and one zero byte.
    constexpr std::string_view kEmptyProgram{"EMPTYPROG\0", pcg::kNameSize};
    constexpr std::string_view kEmptyCombination{"EMPTYCOMB\0", pcg::kNameSize};
    if (kind == pcg::SlotKind::Program) {
        std::ranges::copy(pcg.templates.program, pcg.image.program(slot).begin());
        std::ranges::copy(kEmptyProgram, pcg.image.programName(slot).begin());
        pcg.occupancy.programUsed[slot] = 0;
    } else {
        std::ranges::copy(pcg.templates.combination, pcg.image.combination(slot).begin());
        std::ranges::copy(kEmptyCombination, pcg.image.combinationName(slot).begin());
        pcg.occupancy.combinationUsed[slot] = 0;
    }
    pcg::scanDrumKits(pcg);
}

void deletePcgSlot(pcg::PcgState& pcg, pcg::SlotKind kind, int slot, EventLines& events) {
    events.clear();
    emptyPcgSlot(pcg, kind, slot);
}

}  // namespace pelvaro::classes
