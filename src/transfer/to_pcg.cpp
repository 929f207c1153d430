#include "transfer/to_pcg.h"

#include <algorithm>
#include <optional>

#include "transfer/matching.h"

namespace pelvaro::transfer {

using namespace pcg;

namespace {

// The entry behind an ID, or nothing (and the line) when the file holds no such entry.
template <class Entry>
std::optional<Entry> readLive(const db::RecordFiles& files, std::int32_t id, std::string_view what,
                              EventLines& events) {
    if (id < 1 || id > files.count(Entry::kind)) {
        events.push_back(std::string(what) + " " + std::to_string(id) + " is not present.");
        return std::nullopt;
    }
    return files.read<Entry>(id);
}

template <std::size_t N>
int firstFree(const std::array<Byte, N>& used) {
    const auto it = std::ranges::find_if(used, [](Byte flag) { return flag != 1; });
    return it == used.end() ? -1 : static_cast<int>(it - used.begin());
}

void line(EventLines& events, std::string_view text, std::int32_t id) {
    events.push_back(std::string(text) + std::to_string(id));
}

}  // namespace

int sendDrumKitToPcg(PcgState& pcg, const db::RecordFiles& files, std::int32_t id,
                     EventLines& events) {
    const auto entry = readLive<db::DbDrumKitEntry>(files, id, "Drumkit", events);
    if (!entry) return -1;
    // A free kit slot may hold an identical kit by chance; only a kit that some program plays
    // (or that was just placed) is reused.
    for (int k = 0; k < kDrumKitCount; ++k)
        if (pcg.occupancy.drumKitUsed[k] == 1 && sameDrumKit(*entry, pcg.image.drumKit(k)))
            return k;
    const int k = firstFree(pcg.occupancy.drumKitUsed);
    if (k < 0) {
        line(events, "No Drum Kit Slots for Drumkit ", id);
        return -1;
    }
    std::ranges::copy(entry->drumKit(), pcg.image.drumKit(k).begin());
    pcg.occupancy.drumKitUsed[k] = 1;
    return k;
}

int sendProgramToPcg(PcgState& pcg, const db::RecordFiles& files, std::int32_t id,
                     EventLines& events) {
    const auto entry = readLive<db::DbProgramEntry>(files, id, "Program", events);
    if (!entry) return -1;
    // The entry's kit is read once for all 200 comparisons.
    std::optional<db::DbDrumKitEntry> kit;
    const std::int32_t kitId = entry->drumKitId();
    if (kitId > 0 && kitId <= files.count(db::Kind::DrumKit))
        kit = files.read<db::DbDrumKitEntry>(kitId);

    // Every slot is a candidate, used or not: an identical record is never placed twice.
    for (int s = 0; s < kSlotCount; ++s)
        if (sameProgram(*entry, pcg.image.program(s), kit ? &*kit : nullptr, pcg.image)) return s;

    const int s = firstFree(pcg.occupancy.programUsed);
    if (s < 0) {
        line(events, "No Program Slots for Program ", id);
        return -1;
    }
    db::DbProgramEntry copy = *entry;
    if (kitId > 0) {
        const int k = sendDrumKitToPcg(pcg, files, kitId, events);
        if (k < 0) {
            line(events, "No Drum Kit Slots for Program ", id);
            return -1;
        }
        copy.program()[program::kDrumKitSlot] = static_cast<Byte>(k);
    }
    std::ranges::copy(copy.program(), pcg.image.program(s).begin());
    std::ranges::copy(copy.program().first<kNameSize>(), pcg.image.programName(s).begin());
    pcg.occupancy.programUsed[s] = 1;
    return s;
}

int sendCombinationToPcg(PcgState& pcg, const db::RecordFiles& files, std::int32_t id,
                         EventLines& events) {
    const auto entry = readLive<db::DbCombinationEntry>(files, id, "Combination", events);
    if (!entry) return -1;
    for (int s = 0; s < kSlotCount; ++s)
        if (sameCombination(*entry, pcg.image.combination(s))) return s;

    const int m = firstFree(pcg.occupancy.combinationUsed);
    if (m < 0) {
        line(events, "No Combination Slots for Combination ", id);
        return -1;
    }
    // Every program reference counts as needing a slot of its own, even one already in the
    // image or shared by two timbres: the check is made before anything is placed.
    int needed = 0;
    for (int t = 0; t < combination::kTimbreCount; ++t)
        if (entry->timbreProgramId(t) > 0) ++needed;
    const auto free =
        std::ranges::count_if(pcg.occupancy.programUsed, [](Byte flag) { return flag != 1; });
    if (free < needed) {
        line(events, "No Program Slots for Combination ", id);
        return -1;
    }

    db::DbCombinationEntry copy = *entry;
    for (int t = 0; t < combination::kTimbreCount; ++t) {
        const std::int32_t programId = entry->timbreProgramId(t);
        if (programId <= 0) continue;  // disabled, missing or outside: the bytes stay
        const int s = sendProgramToPcg(pcg, files, programId, events);
        if (s < 0) {
            line(events, "No Drum Kit Slots for Combination ", id);
            return -1;
        }
        copy.combination()[combination::timbreOffset(t) + combination::kTimbreProgram] =
            static_cast<Byte>(s);
    }
    std::ranges::copy(copy.combination(), pcg.image.combination(m).begin());
    std::ranges::copy(copy.combination().first<kNameSize>(), pcg.image.combinationName(m).begin());
    pcg.occupancy.combinationUsed[m] = 1;
    return m;
}

}  // namespace pelvaro::transfer
