// PCG -> database: one send per kind of record, and the four commands built on them.
#include <algorithm>

#include "transfer/engine.h"
#include "transfer/matching.h"

namespace pelvaro::transfer {

using namespace pcg;

namespace {
constexpr std::string_view kFrom = "From: ";
constexpr std::string_view kFromCut = "From: ...";
constexpr std::size_t kExplanationLength = db::kExplanationSize - 1;
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

TransferEngine::TransferEngine(PcgState& pcg, db::RecordFiles& files)
    : pcg_(pcg), files_(files), index_(files) {}

// A new entry: the record copied unchanged, the explanation, every other byte zero (classIds,
// reserved bytes, references until the caller sets them). The ID is given by the append.
template <class Entry>
Entry TransferEngine::newEntry(ConstBytes record) const {
    Entry entry;
    std::ranges::copy(record, entry.bytes.begin());
    entry.setExplanation(newEntryExplanation(pcg_.pcgFileName));
    return entry;
}

std::int32_t TransferEngine::sendDrumKitToDatabase(int kit) {
    if (!isDrumKitSlot(kit)) return -1;
    const auto bytes = pcg_.image.drumKit(kit);
    if (const std::int32_t found = index_.findDrumKit(bytes); found > 0) return found;
    auto entry = newEntry<db::DbDrumKitEntry>(bytes);
    return files_.append(entry);
}

std::int32_t TransferEngine::sendProgramToDatabase(int slot) {
    if (!isSlot(slot) || pcg_.occupancy.programUsed[slot] != 1) return -1;
    const auto bytes = pcg_.image.program(slot);
    if (const std::int32_t found = index_.findProgram(bytes, pcg_.image); found > 0) return found;
    auto entry = newEntry<db::DbProgramEntry>(bytes);
    if (oscMode(bytes) == program::kDrumMode) {
        // The kit goes first, so the program can refer to it. A kit slot byte of 4 or more
        // names no kit of the image: the entry keeps minus that byte.
        const std::int32_t kitId = sendDrumKitToDatabase(drumKitSlot(bytes));
        entry.setDrumKitId(kitId > 0 ? kitId : -drumKitSlot(bytes));
    }
    return files_.append(entry);
}

std::int32_t TransferEngine::sendCombinationToDatabase(int slot, EventLines& events) {
    if (!isSlot(slot) || pcg_.occupancy.combinationUsed[slot] != 1) return -1;
    const auto bytes = pcg_.image.combination(slot);
    if (const std::int32_t found = index_.findCombination(bytes); found > 0) return found;
    auto entry = newEntry<db::DbCombinationEntry>(bytes);
    for (int t = 0; t < combination::kTimbreCount; ++t) {
        std::int32_t id = 0;
        if (timbreDisabled(bytes, t)) {
            id = 0;
        } else if (timbreOutsideBanks(bytes, t)) {
            id = -1;
        } else {
            // A slot byte of 200 or more names no slot: like an empty slot, it is reported and
            // stored as 0, and nothing beyond the banks is read for it.
            const int played = timbreProgram(bytes, t);
            id = sendProgramToDatabase(played);
            if (id == -1) {
                id = 0;
                events.push_back("Program " + slotLabel(played) +
                                 " of this combination is not present.");
            }
        }
        entry.setTimbreProgramId(t, id);
    }
    return files_.append(entry);
}

void TransferEngine::sendSlotToDatabase(SlotKind kind, int slot, EventLines& events) {
    events.clear();
    if (kind == SlotKind::Program)
        sendProgramToDatabase(slot);
    else
        sendCombinationToDatabase(slot, events);
}

void TransferEngine::sendAllPrograms(const Progress& progress) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (progress) progress(ProgressBar::Programs);
        sendProgramToDatabase(slot);
    }
}

void TransferEngine::sendAllCombinations(EventLines& events, const Progress& progress) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (progress) progress(ProgressBar::Combinations);
        sendCombinationToDatabase(slot, events);
    }
}

void TransferEngine::sendPcgToDatabase(EventLines& events, const Progress& progress) {
    events.clear();
    // Programs first, so the combinations find theirs stored; kits last, so every kit a
    // program plays is already stored and only the unplayed ones are added.
    sendAllPrograms(progress);
    sendAllCombinations(events, progress);
    for (int kit = 0; kit < kDrumKitCount; ++kit)
        sendDrumKitToDatabase(kit);
}

void TransferEngine::sendOnlyProgramsOfPcg(EventLines& events, const Progress& progress) {
    events.clear();
    sendAllPrograms(progress);
}

void TransferEngine::sendOnlyCombinationsOfPcg(EventLines& events, const Progress& progress) {
    events.clear();
    sendAllCombinations(events, progress);
}

}  // namespace pelvaro::transfer
