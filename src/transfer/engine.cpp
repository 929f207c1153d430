#include "transfer/engine.h"

#include <type_traits>

namespace pelvaro::transfer {

namespace {
// A send with its writes gathered (db::RecordFiles::Batch): they reach the files together when
// it ends, before it returns, also inside a command that gathers longer. So a send that returns
// has stored what it reports (each file of "Send PCG Files to Database" is stored before its
// line is made), and a disk that fails stops the send itself, with the counters right. The
// records it reads come from the gathered writes or the files mapped into memory.
template <class Send>
auto gathered(db::RecordFiles& files, Send send) {
    const db::RecordFiles::Batch batch(files);
    if constexpr (std::is_void_v<decltype(send())>) {
        send();
        files.flush();
    } else {
        auto result = send();
        files.flush();
        return result;
    }
}
}  // namespace

TransferEngine::TransferEngine(pcg::PcgState& pcg, db::RecordFiles& files)
    : pcg_(pcg), files_(files), index_(files) {}

std::int32_t TransferEngine::sendDrumKitToDatabase(int kit) {
    return gathered(files_, [&] { return transfer::sendDrumKitToDatabase(pcg_, database(), kit); });
}

std::int32_t TransferEngine::sendProgramToDatabase(int slot) {
    return gathered(files_,
                    [&] { return transfer::sendProgramToDatabase(pcg_, database(), slot); });
}

std::int32_t TransferEngine::sendCombinationToDatabase(int slot, EventLines& events) {
    return gathered(files_, [&] {
        return transfer::sendCombinationToDatabase(pcg_, database(), slot, events);
    });
}

void TransferEngine::sendSlotToDatabase(pcg::SlotKind kind, int slot, EventLines& events) {
    events.clear();
    if (kind == pcg::SlotKind::Program)
        sendProgramToDatabase(slot);
    else
        sendCombinationToDatabase(slot, events);
}

void TransferEngine::sendAllPrograms(const pcg::PcgState& pcg, const Progress& progress,
                                     SentPrograms& sent, SentSlots& slots) {
    for (int slot = 0; slot < pcg::kSlotCount; ++slot) {
        if (progress) progress(ProgressBar::Programs);
        slots.programs[slot] =
            std::max(0, transfer::sendProgramToDatabase(pcg, database(), slot, &sent));
    }
}

void TransferEngine::sendAllCombinations(const pcg::PcgState& pcg, EventLines& events,
                                         const Progress& progress, SentPrograms& sent,
                                         SentSlots& slots) {
    for (int slot = 0; slot < pcg::kSlotCount; ++slot) {
        if (progress) progress(ProgressBar::Combinations);
        slots.combinations[slot] =
            std::max(0, transfer::sendCombinationToDatabase(pcg, database(), slot, events, &sent));
    }
}

SentSlots TransferEngine::sendPcgToDatabase(EventLines& events, const Progress& progress) {
    return sendPcgToDatabase(pcg_, events, progress);
}

SentSlots TransferEngine::sendPcgToDatabase(const pcg::PcgState& pcg, EventLines& events,
                                            const Progress& progress) {
    events.clear();
    SentSlots slots;
    slots.firstNew = {files_.count(db::Kind::Program) + 1, files_.count(db::Kind::Combination) + 1};
    gathered(files_, [&] {
        index_.prepare();
        // Programs first, so the combinations find theirs stored (and look each up no more);
        // kits last, so every kit a program plays is already stored and only the unplayed ones
        // are added.
        SentPrograms sent;
        sendAllPrograms(pcg, progress, sent, slots);
        sendAllCombinations(pcg, events, progress, sent, slots);
        for (int kit = 0; kit < pcg::kDrumKitCount; ++kit)
            slots.kits[kit] = std::max(0, transfer::sendDrumKitToDatabase(pcg, database(), kit));
    });
    return slots;
}

SentSlots TransferEngine::sendOnlyProgramsOfPcg(EventLines& events, const Progress& progress) {
    events.clear();
    SentSlots slots;
    slots.firstNew = {files_.count(db::Kind::Program) + 1, files_.count(db::Kind::Combination) + 1};
    gathered(files_, [&] {
        index_.prepare();
        SentPrograms sent;
        sendAllPrograms(pcg_, progress, sent, slots);
    });
    return slots;
}

SentSlots TransferEngine::sendOnlyCombinationsOfPcg(EventLines& events, const Progress& progress) {
    events.clear();
    SentSlots slots;
    slots.firstNew = {files_.count(db::Kind::Program) + 1, files_.count(db::Kind::Combination) + 1};
    gathered(files_, [&] {
        index_.prepare();
        SentPrograms sent;
        sendAllCombinations(pcg_, events, progress, sent, slots);
    });
    return slots;
}

int TransferEngine::sendDrumKitToPcg(std::int32_t id, EventLines& events) {
    return transfer::sendDrumKitToPcg(pcg_, files_, id, events);
}

int TransferEngine::sendProgramToPcg(std::int32_t id, EventLines& events) {
    return transfer::sendProgramToPcg(pcg_, files_, id, events);
}

int TransferEngine::sendCombinationToPcg(std::int32_t id, EventLines& events) {
    return transfer::sendCombinationToPcg(pcg_, files_, id, events);
}

std::vector<int> TransferEngine::sendEntriesToPcg(db::Kind kind,
                                                  const std::vector<std::int32_t>& ids,
                                                  EventLines& events) {
    return transfer::sendEntriesToPcg(pcg_, files_, kind, ids, events);
}

TransferEngine::Placement TransferEngine::placeEntriesAt(db::Kind kind,
                                                         const std::vector<std::int32_t>& ids,
                                                         int target, EventLines& events) {
    return transfer::placeEntriesAt(pcg_, files_, kind, ids, target, events);
}

std::vector<int> sendEntriesToPcg(pcg::PcgState& pcg, db::RecordFiles& files, db::Kind kind,
                                  const std::vector<std::int32_t>& ids, EventLines& events) {
    // Nothing is written; the entries are read from the files mapped into memory.
    const db::RecordFiles::Batch batch(files);
    pcg::scanDrumKits(pcg);
    events.clear();
    std::vector<int> slots;
    slots.reserve(ids.size());
    for (const std::int32_t id : ids)
        slots.push_back(kind == db::Kind::Program
                            ? transfer::sendProgramToPcg(pcg, files, id, events)
                            : transfer::sendCombinationToPcg(pcg, files, id, events));
    pcg::scanDrumKits(pcg);
    return slots;
}

Placement placeEntriesAt(pcg::PcgState& pcg, db::RecordFiles& files, db::Kind kind,
                         const std::vector<std::int32_t>& ids, int target, EventLines& events) {
    const pcg::PcgImage image = pcg.image;
    const pcg::SlotOccupancy occupancy = pcg.occupancy;
    const pcg::SlotKind slotKind =
        kind == db::Kind::Program ? pcg::SlotKind::Program : pcg::SlotKind::Combination;
    const pcg::UsedSlots usedBefore = pcg::usedSlots(pcg, slotKind);
    Placement placement;
    placement.landed = sendEntriesToPcg(pcg, files, kind, ids, events);
    std::vector<int> placed;
    for (const int slot : placement.landed)
        if (slot >= 0) placed.push_back(slot);
    placement.move = pcg::planPlace(pcg, slotKind, placed, target, usedBefore);
    if (placement.move.verdict == pcg::ArrangePlan::Verdict::Refused && !placed.empty()) {
        pcg.image = image;
        pcg.occupancy = occupancy;
        events.clear();
    }
    pcg::apply(pcg, placement.move);
    return placement;
}

}  // namespace pelvaro::transfer
