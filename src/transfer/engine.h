#pragma once
// The transfer engine: sounds from the open PCG into the database and back, with what they
// depend on (combination -> programs -> drum kit), reusing identical records on both sides.
// The main window creates one engine over the session's PCG state and record files and keeps
// it for the whole run; its index of the database follows every change to the record files.
// The engine must go before the record files it watches (it unregisters itself from them).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "db/record_files.h"
#include "pcg/pcg_image.h"
#include "pcg/pcg_lists.h"
#include "transfer/match_index.h"
#include "transfer/to_pcg.h"

namespace pelvaro::transfer {

// The two bars of the progress window during a bulk send.
enum class ProgressBar { Programs, Combinations };
// Called once per slot, before the slot is sent, on the bar of its kind.
using Progress = std::function<void(ProgressBar)>;

// The explanation of a new entry: "From: " and the PCG file's path. A path too long for the 79
// characters of the field keeps its end, where the file name is: "From: ..." and the path's
// last 70 characters.
std::string newEntryExplanation(std::string_view pcgFileName);

// "A5", "B7": the label of a program slot in the event lines, without leading zeros. A timbre byte
// of 200 or more, which names no slot, is labelled B and the byte minus 100.
std::string slotLabel(int slot);

class TransferEngine {
  public:
    TransferEngine(pcg::PcgState& pcg, db::RecordFiles& files);
    TransferEngine(const TransferEngine&) = delete;
    TransferEngine& operator=(const TransferEngine&) = delete;

    // --- PCG -> database. Each returns the ID of the new or identical entry, or -1 when the
    // slot is out of range or not used. Existing entries are never changed.

    // Kit slot 0-3, used or not.
    std::int32_t sendDrumKitToDatabase(int kit);
    // A drum program takes its kit along (drumKitId); a kit slot byte of 4 or more stores minus
    // that byte instead.
    std::int32_t sendProgramToDatabase(int slot);
    // Takes the programs of its timbres along. A timbre that plays an empty slot, or a slot
    // byte of 200 or more, stores 0 and adds "Program <label> of this combination is not
    // present."; a disabled timbre stores 0, one outside the banks -1.
    std::int32_t sendCombinationToDatabase(int slot, EventLines& events);

    // "Send To &Database": clears the event list and sends one slot of the given kind.
    void sendSlotToDatabase(pcg::SlotKind kind, int slot, EventLines& events);
    // "Send PCG to &Database": clears the event list, sends every program slot, every
    // combination slot (stepping each bar once per slot, empty slots included), then the four
    // kits.
    void sendPcgToDatabase(EventLines& events, const Progress& progress);
    // "Send Only &Programs of PCG" and "Send Only &Combinations of PCG": one of the loops above.
    void sendOnlyProgramsOfPcg(EventLines& events, const Progress& progress);
    void sendOnlyCombinationsOfPcg(EventLines& events, const Progress& progress);

    // --- database -> PCG (see to_pcg.h).
    int sendDrumKitToPcg(std::int32_t id, EventLines& events) {
        return transfer::sendDrumKitToPcg(pcg_, files_, id, events);
    }
    int sendProgramToPcg(std::int32_t id, EventLines& events) {
        return transfer::sendProgramToPcg(pcg_, files_, id, events);
    }
    int sendCombinationToPcg(std::int32_t id, EventLines& events) {
        return transfer::sendCombinationToPcg(pcg_, files_, id, events);
    }
    // "Send To &PCG" for program or combination entries, in the given order.
    void sendEntriesToPcg(db::Kind kind, const std::vector<std::int32_t>& ids, EventLines& events) {
        transfer::sendEntriesToPcg(pcg_, files_, kind, ids, events);
    }

  private:
    template <class Entry>
    Entry newEntry(ConstBytes record) const;
    void sendAllPrograms(const Progress& progress);
    void sendAllCombinations(EventLines& events, const Progress& progress);

    pcg::PcgState& pcg_;
    db::RecordFiles& files_;
    MatchIndex index_;
};

}  // namespace pelvaro::transfer
