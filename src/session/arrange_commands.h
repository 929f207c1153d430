#pragma once
// The commands that arrange the open PCG for the stage (pcg/arrange.h), as the arrange window
// and pelvaro-cli run them. Each works out its plan first; only a plan that changes the image
// opens an undo step, named after it ("Move 3 Programs", "Swap Drum Kits"), so a refused command
// or one with nothing to do leaves no step behind.

#include <cstdint>
#include <string>
#include <vector>

#include "db/event_lines.h"
#include "db/record_files.h"
#include "pcg/arrange.h"
#include "session/outcome.h"

namespace pelvaro::session {

class Session;

struct ArrangeResult : Outcome {
    enum class Verdict {
        Done,       // the PCG changed: one undo step
        Unchanged,  // nothing to do
        Refused,    // it cannot be done; nothing changed
    };
    Verdict verdict = Verdict::Unchanged;
    // summary: one line for the status bar, what was done or why nothing was. events (Place):
    // the lines of the entries that found no place, then one for each slot that timbres played
    // as empty and that holds a placed record now (pcg::filledSlotLines).
    bool done() const { return verdict == Verdict::Done; }
};

// See the plans of the same names in pcg/arrange.h for what each does.
ArrangeResult moveSlots(Session& session, pcg::SlotKind kind, const std::vector<int>& selection,
                        int target);
ArrangeResult swapSlots(Session& session, pcg::SlotKind kind, const std::vector<int>& first,
                        const std::vector<int>& second);
// The selection trades places with as many slots from `target` on (a drop with Ctrl held).
ArrangeResult swapSlotsAt(Session& session, pcg::SlotKind kind, const std::vector<int>& selection,
                          int target);
ArrangeResult copySlots(Session& session, pcg::SlotKind kind, const std::vector<int>& selection,
                        int target);
ArrangeResult emptySlots(Session& session, pcg::SlotKind kind, const std::vector<int>& selection);
ArrangeResult sortByName(Session& session, pcg::SlotKind kind, const std::vector<int>& slots);
ArrangeResult closeGaps(Session& session, pcg::SlotKind kind, const std::vector<int>& slots);
ArrangeResult swapDrumKits(Session& session, int a, int b);
ArrangeResult emptyDrumKits(Session& session, const std::vector<int>& kits);

// "Send To PCG at": program (kind Program) or combination entries placed at `target`, pushing
// as Move does; what they depend on is placed as Send To PCG places it, with its event lines
// (see TransferEngine::placeEntriesAt). One undo step, "Place 3 Programs", when the PCG changed.
// An ID that names no entry of the kind is refused ("There is no program with ID 25"), and
// nothing changes.
ArrangeResult placeEntries(Session& session, db::Kind kind, const std::vector<std::int32_t>& ids,
                           int target);
// What the drop of those entries on `target` will do, worked out on a copy of the PCG: the plan
// of the move (its target for the lists to mark, its preview for the line under them), the
// preview ending in the lines of the slots played as empty that the placement fills ("; Piano
// Str plays the empty A00 and will play Kalimba"). Nothing changes.
pcg::ArrangePlan placePlan(Session& session, db::Kind kind, const std::vector<std::int32_t>& ids,
                           int target);

}  // namespace pelvaro::session
