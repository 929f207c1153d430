#include "transfer/to_database.h"

#include <algorithm>

namespace pelvaro::transfer {

using namespace pcg;

namespace {
constexpr std::string_view kFrom = "From: ";
constexpr std::string_view kFromCut = "From: ...";
constexpr std::size_t kExplanationLength = db::kExplanationSize - 1;

// A new entry: the record copied unchanged, the explanation, every other byte zero (classIds,
// reserved bytes, references until the caller sets them). The ID is given by the append.
template <class Entry>
Entry newEntry(const PcgState& pcg, ConstBytes record) {
    Entry entry;
    std::ranges::copy(record, entry.bytes.begin());
    entry.setExplanation(newEntryExplanation(pcg.pcgFileName));
    return entry;
}
}  // namespace

std::string newEntryExplanation(std::string_view pcgFileName) {
    if (kFrom.size() + pcgFileName.size() <= kExplanationLength)
        return std::string(kFrom) + std::string(pcgFileName);
    // Cut at the front: the folders go, the file name stays readable.
    const std::size_t keep = kExplanationLength - kFromCut.size();
    return std::string(kFromCut) + std::string(pcgFileName.substr(pcgFileName.size() - keep));
}

std::string slotLabel(int slot) {
    std::string label(1, slot < kBankSize ? 'A' : 'B');
    label += std::to_string(slot < kBankSize ? slot : slot - kBankSize);
    return label;
}

std::int32_t sendDrumKitToDatabase(const PcgState& pcg, DatabaseSide db, int kit) {
    if (!isDrumKitSlot(kit)) return -1;
    const auto bytes = pcg.image.drumKit(kit);
    if (const std::int32_t found = db.index.findDrumKit(bytes); found > 0) return found;
    auto entry = newEntry<db::DbDrumKitEntry>(pcg, bytes);
    return db.files.append(entry);
}

std::int32_t sendProgramToDatabase(const PcgState& pcg, DatabaseSide db, int slot,
                                   SentPrograms* sent) {
    if (!isSlot(slot)) return -1;
    std::int32_t* remembered = sent ? &sent->ids[static_cast<std::size_t>(slot)] : nullptr;
    if (remembered && *remembered != 0) return *remembered;
    std::int32_t id = -1;
    if (pcg.occupancy.programUsed[slot] == 1) {
        const auto bytes = pcg.image.program(slot);
        id = db.index.findProgram(bytes, pcg.image);
        if (id <= 0) {
            auto entry = newEntry<db::DbProgramEntry>(pcg, bytes);
            if (oscMode(bytes) == program::kDrumMode) {
                // The kit goes first, so the program can refer to it. A kit slot byte of 4 or
                // more names no kit of the image: the entry keeps minus that byte.
                const std::int32_t kitId = sendDrumKitToDatabase(pcg, db, drumKitSlot(bytes));
                entry.setDrumKitId(kitId > 0 ? kitId : -drumKitSlot(bytes));
            }
            id = db.files.append(entry);
        }
    }
    if (remembered) *remembered = id;
    return id;
}

std::int32_t sendCombinationToDatabase(const PcgState& pcg, DatabaseSide db, int slot,
                                       EventLines& events, SentPrograms* sent) {
    if (!isSlot(slot) || pcg.occupancy.combinationUsed[slot] != 1) return -1;
    const auto bytes = pcg.image.combination(slot);
    // The timbres' slot bytes mean something only inside their own PCG; once stored, what a
    // combination plays is the program entries they led to. So the programs go first and take
    // part in the comparison, as a drum program's kit does.
    TimbreProgramIds plays{};
    EventLines missing;
    for (int t = 0; t < combination::kTimbreCount; ++t) {
        std::int32_t& id = plays[static_cast<std::size_t>(t)];
        if (timbreDisabled(bytes, t)) {
            id = 0;
        } else if (timbreOutsideBanks(bytes, t)) {
            id = -1;
        } else {
            // A slot byte of 200 or more names no slot: like an empty slot, it is reported and
            // stored as 0, and nothing beyond the banks is read for it.
            const int played = timbreProgram(bytes, t);
            id = sendProgramToDatabase(pcg, db, played, sent);
            if (id == -1) {
                id = 0;
                missing.push_back("Program " + slotLabel(played) +
                                  " of this combination is not present.");
            }
        }
    }
    if (const std::int32_t found = db.index.findCombination(bytes, &plays); found > 0) return found;
    auto entry = newEntry<db::DbCombinationEntry>(pcg, bytes);
    for (int t = 0; t < combination::kTimbreCount; ++t)
        entry.setTimbreProgramId(t, plays[static_cast<std::size_t>(t)]);
    events.insert(events.end(), missing.begin(), missing.end());
    return db.files.append(entry);
}

}  // namespace pelvaro::transfer
