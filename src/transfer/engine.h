#pragma once
// The transfer engine: sounds from the open PCG into the database and back, with what they
// depend on (combination -> programs -> drum kit), reusing identical records on both sides. It
// works on the PCG state and the record files it is given and keeps the matching index of the
// database, which follows every change to the record files; it must go before the record files
// it watches (the session owns all three in that order).

#include <cstdint>
#include <functional>
#include <vector>

#include "db/origins.h"
#include "db/record_files.h"
#include "pcg/arrange.h"
#include "pcg/pcg_image.h"
#include "transfer/match_index.h"
#include "transfer/to_database.h"
#include "transfer/to_pcg.h"

namespace pelvaro::transfer {

// The entries the used slots of a whole send went to (0: none).
using SentSlots = db::OriginStore::SentSlots;
// The two bars of the progress window during a bulk send.
enum class ProgressBar { Programs, Combinations };
// Called once per slot, before the slot is sent, on the bar of its kind.
using Progress = std::function<void(ProgressBar)>;

// Database entries placed at a chosen slot (TransferEngine::placeEntriesAt).
struct Placement {
    std::vector<int> landed;  // where each entry was sent to before the move; -1: nowhere
    pcg::ArrangePlan move;    // the move to `target`
};

class TransferEngine {
  public:
    TransferEngine(pcg::PcgState& pcg, db::RecordFiles& files);
    TransferEngine(const TransferEngine&) = delete;
    TransferEngine& operator=(const TransferEngine&) = delete;

    // --- PCG -> database (see to_database.h).
    std::int32_t sendDrumKitToDatabase(int kit);
    std::int32_t sendProgramToDatabase(int slot);
    std::int32_t sendCombinationToDatabase(int slot, EventLines& events);

    // "Send To &Database": clears the event list and sends one slot of the given kind.
    void sendSlotToDatabase(pcg::SlotKind kind, int slot, EventLines& events);
    // "Send PCG to &Database": clears the event list, sends every program slot, every
    // combination slot (stepping each bar once per slot, empty slots included), then the four
    // kits.
    // Returns the entry each used slot went to, for the origins.
    SentSlots sendPcgToDatabase(EventLines& events, const Progress& progress);
    // The same for a PCG other than the open one (a file sent without being imported); its
    // new entries name that PCG's file.
    SentSlots sendPcgToDatabase(const pcg::PcgState& pcg, EventLines& events,
                                const Progress& progress);
    // "Send Only &Programs of PCG" and "Send Only &Combinations of PCG": one of the loops above.
    SentSlots sendOnlyProgramsOfPcg(EventLines& events, const Progress& progress);
    SentSlots sendOnlyCombinationsOfPcg(EventLines& events, const Progress& progress);

    // Where the sends store, for other work that stores entries as a send does (a merge of
    // databases, database_merge.h).
    DatabaseSide databaseSide() { return database(); }

    // --- database -> PCG (see to_pcg.h).
    int sendDrumKitToPcg(std::int32_t id, EventLines& events);
    int sendProgramToPcg(std::int32_t id, EventLines& events);
    int sendCombinationToPcg(std::int32_t id, EventLines& events);
    // "Send To &PCG": rescans which kit slots the used programs play, clears the event list,
    // sends each program (kind Program) or combination (kind Combination) entry in the given
    // order, and rescans the kit slots once the image has changed. Returns the slot each entry
    // ended in, -1 for one that found no place.
    std::vector<int> sendEntriesToPcg(db::Kind kind, const std::vector<std::int32_t>& ids,
                                      EventLines& events);

    // "Send To PCG at" a chosen slot: the entries are sent exactly as sendEntriesToPcg sends
    // them (an identical record reused wherever it stands, what each depends on placed first,
    // the same event lines), then the records they ended in go, in the entries' order, to the
    // slots from `target` on, pushing the records there as a move does (pcg/arrange.h), with
    // the references following. When the push finds no room, the image is left as it was, the
    // event list is cleared and the move's plan says how many free slots are missing. A timbre
    // that played the slot an entry landed in as empty keeps its byte (see pcg::planPlace).
    using Placement = transfer::Placement;
    Placement placeEntriesAt(db::Kind kind, const std::vector<std::int32_t>& ids, int target,
                             EventLines& events);

  private:
    DatabaseSide database() { return {files_, index_}; }
    void sendAllPrograms(const pcg::PcgState& pcg, const Progress& progress, SentPrograms& sent,
                         SentSlots& slots);
    void sendAllCombinations(const pcg::PcgState& pcg, EventLines& events, const Progress& progress,
                             SentPrograms& sent, SentSlots& slots);

    pcg::PcgState& pcg_;
    db::RecordFiles& files_;
    MatchIndex index_;
};

// The two above on any PCG state: what a drop of entries would do, worked out on a copy of the
// open PCG. The record files are only read.
std::vector<int> sendEntriesToPcg(pcg::PcgState& pcg, db::RecordFiles& files, db::Kind kind,
                                  const std::vector<std::int32_t>& ids, EventLines& events);
Placement placeEntriesAt(pcg::PcgState& pcg, db::RecordFiles& files, db::Kind kind,
                         const std::vector<std::int32_t>& ids, int target, EventLines& events);

}  // namespace pelvaro::transfer
