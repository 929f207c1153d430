#include "db/entry_deletion.h"

#include <algorithm>
#include <unordered_map>

#include "db/record_scan.h"

namespace pelvaro::db {

namespace {

constexpr int kTimbres = pcg::combination::kTimbreCount;

bool plays(const DbCombinationEntry& entry, std::int32_t program) {
    for (int t = 0; t < kTimbres; ++t)
        if (entry.timbreProgramId(t) == program) return true;
    return false;
}

}  // namespace

std::vector<Renumbering> deleteEntries(RecordFiles& files, Kind kind,
                                       const std::vector<std::int32_t>& ids, EventLines& events,
                                       std::vector<NewNumber>* numbers) {
    std::vector<Renumbering> moves;
    std::vector<std::int32_t> pending = ids;
    // The number each moved entry had before the first deletion, by its number now.
    std::unordered_map<std::int32_t, std::int32_t> originalAt;
    const auto original = [&](std::int32_t n) {
        const auto it = originalAt.find(n);
        return it == originalAt.end() ? n : it->second;
    };
    for (std::size_t i = 0; i < pending.size(); ++i) {
        const std::int32_t n = pending[i];
        const std::int32_t last = files.count(kind);
        const Deletion done = kind == Kind::Program ? deleteProgramEntry(files, n, events)
                                                    : deleteCombinationEntry(files, n);
        if (done != Deletion::Deleted) continue;
        if (numbers) {
            numbers->push_back({original(n), 0});
            const std::int32_t moved = original(last);
            originalAt.erase(last);
            if (n != last) originalAt[n] = moved;
        }
        if (n != last) moves.push_back({last, n});
        for (std::size_t j = i + 1; j < pending.size(); ++j) {
            if (pending[j] == n)
                pending[j] = 0;  // the same entry twice: it is gone already
            else if (pending[j] == last)
                pending[j] = n;  // the former last entry now has the freed number
        }
    }
    if (numbers)
        for (const auto& [now, before] : originalAt)
            if (now != before) numbers->push_back({before, now});
    return moves;
}

Deletion deleteProgramEntry(RecordFiles& files, std::int32_t n, EventLines& events) {
    const std::int32_t last = files.count(Kind::Program);
    if (n < 1 || n > last) return Deletion::NoSuchEntry;

    // One pass finds both a combination that plays n (a refusal) and those that play the last
    // entry (to be renumbered).
    bool used = false;
    std::vector<std::pair<std::int32_t, DbCombinationEntry>> renumbered;
    scanEntries(files, Kind::Combination, [&](std::int32_t c, ConstBytes record) {
        DbCombinationEntry entry;
        std::ranges::copy(record, entry.bytes.begin());
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
        std::vector<Byte> moved(DbProgramEntry::kSize);
        files.readEntry(Kind::Program, last, moved);
        setLe32(moved, ProgramLayout::kIdNumber, n);
        files.writeEntry(Kind::Program, n, moved);
        for (const auto& [c, entry] : renumbered)
            files.write(c, entry);
    }
    files.moveLastEntryInto(Kind::Program, n);
    return Deletion::Deleted;
}

Deletion deleteCombinationEntry(RecordFiles& files, std::int32_t n) {
    if (n < 1 || n > files.count(Kind::Combination)) return Deletion::NoSuchEntry;
    files.moveLastEntryInto(Kind::Combination, n);
    return Deletion::Deleted;
}

void deleteProgramEntries(RecordFiles& files, const std::vector<std::int32_t>& ids,
                          EventLines& events) {
    events.clear();
    deleteEntries(files, Kind::Program, ids, events);
}

void deleteCombinationEntries(RecordFiles& files, const std::vector<std::int32_t>& ids,
                              EventLines& events) {
    events.clear();
    deleteEntries(files, Kind::Combination, ids, events);
}

}  // namespace pelvaro::db
