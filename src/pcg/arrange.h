#pragma once
// Arranging the open PCG for the stage: the records of program and combination slots moved,
// swapped, sorted by name, packed, copied and emptied, and the drum kits swapped or emptied,
// with every reference following. A combination's timbres play programs by slot number and a
// drum program plays a kit by kit slot, so when a used program changes slot, each timbre of a
// used combination that plays it (switched on, not an outside "GM" program) has its program
// byte rewritten to the new slot, and when a kit changes slot, each used drum program on it has
// its kit byte rewritten. Nothing else follows: an empty combination keeps its bytes (rewriting
// them would make it count as used), a timbre on an empty slot or on a slot byte of 200 and more
// keeps its byte, and nothing follows an Empty (what played the slot plays it empty, as after
// Delete).
//
// Each command is first worked out as a plan on the image, which stays as it is: what the
// window shows while dragging, the name of the undo step, and the change, which apply() makes.
// Moves, swaps, sorts and closing gaps only trade places: each record goes to its new slot
// whole, with its name, and the empty records go to the slots left free, in slot order,
// untouched; no record is made or lost. After every change the flags are recomputed as an
// import does. No file is read or written here.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pcg/pcg_image.h"
#include "pcg/pcg_lists.h"
#include "pcg/slot_order.h"

namespace pelvaro::pcg {

struct ArrangePlan {
    enum class Verdict {
        Changes,    // apply() changes the image
        Unchanged,  // there is nothing to do (sorted already, empty slots); the summary says so
        Refused,    // it cannot be done (no room, runs that overlap); the summary says why
    };
    Verdict verdict = Verdict::Unchanged;
    std::string name;     // the undo step: "Move 3 Programs"
    std::string preview;  // while dragging: "Moves 3 programs to B10-B12; 5 combinations follow
                          // them; B10-B14 pushed to B13-B17", or why nothing would happen
    std::string summary;  // afterwards: "Moved 3 programs to ...", or why nothing happened
    // What a list draws while dragging: a line before slot insertAt (Move, Copy, Place), or the
    // slots (or kits) the dragged ones trade places with (Swap).
    int insertAt = -1;
    std::vector<int> swapWith;
    // Who will play what an Empty empties: the used combinations on an emptied program, the used
    // drum programs on an emptied kit, ascending.
    std::vector<int> combinationsLeft;
    std::vector<int> drumProgramsLeft;

    // The change: the slot (of `kind`) and the kit each record comes from, the copies (source,
    // destination) and the slots and kits made empty.
    SlotKind kind = SlotKind::Program;
    SlotOrder from = identityOrder();
    KitOrder kitFrom = identityKitOrder();
    std::vector<std::pair<int, int>> copies;
    std::vector<int> emptied;
    std::vector<int> emptiedKits;
    // Program slots whose players do not follow the record in them (see reorderSlots): records
    // just placed into slots that timbres played as empty.
    std::vector<int> stay;

    bool changes() const { return verdict == Verdict::Changes; }
};

// Every slot of the two banks, of bank A (0) or of bank B (1), ascending.
std::vector<int> allSlots();
std::vector<int> bankSlots(int bank);

// Move: the used records among `selection` go, in the order given, to the slots from `target`
// on; the records standing there are pushed toward B99 into the next free slots, keeping their
// order (the selection's own slots count as free). Refused, with the number of free slots
// missing from `target` on, when they do not fit.
ArrangePlan planMove(const PcgState& pcg, SlotKind kind, const std::vector<int>& selection,
                     int target);
// Swap: first[i] and second[i] trade places, each pair (empty slots too; a pair of two empty
// slots stays as it is). Refused for lists of different lengths or that share a slot.
ArrangePlan planSwap(const PcgState& pcg, SlotKind kind, const std::vector<int>& first,
                     const std::vector<int>& second);
// The selection (ascending) trades places with as many slots from `target` on.
ArrangePlan planSwapAt(const PcgState& pcg, SlotKind kind, std::vector<int> selection, int target);
// Copy To: the used records among `selection` are copied, in the order given, into the free
// slots from `target` on. Nothing refers to the copies.
ArrangePlan planCopy(const PcgState& pcg, SlotKind kind, const std::vector<int>& selection,
                     int target);
// Empty: every used slot of the selection as Delete on a PCG tab leaves it (the template, the
// name "EMPTYPROG" or "EMPTYCOMB"); slots that are empty already stay exactly as they are.
ArrangePlan planEmpty(const PcgState& pcg, SlotKind kind, const std::vector<int>& selection);
// Sort by name: the used records among `slots` in the order of their names, compared byte by
// byte in upper case (as the search compares them: a-z and the Latin-1 letters folded), equal
// names in slot order; they take the used slots among `slots`, and the empty slots stay where
// they are.
ArrangePlan planSortByName(const PcgState& pcg, SlotKind kind, const std::vector<int>& slots);
// Close gaps: the used records among `slots` move up, keeping their order, so that the free
// slots among `slots` come last.
ArrangePlan planCloseGaps(const PcgState& pcg, SlotKind kind, const std::vector<int>& slots);
// Kits a and b trade places; the drum programs on them follow.
ArrangePlan planSwapDrumKits(const PcgState& pcg, int a, int b);
// The kits take the template file's kit of their slot (a kit that holds it already is left).
ArrangePlan planEmptyDrumKits(const PcgState& pcg, const std::vector<int>& kits);

// Database entries placed at a slot. planInsert is the preview while they are dragged: `count`
// new records going to `target`, pushing as Move does (whether an entry is in the PCG already
// is not known without reading it). planPlace is the move that then takes the records the
// entries landed in (in the entries' order) to `target`, worded as a placement. `usedBefore`:
// the slots of `kind` that held a record before the entries were sent; the timbres on a slot
// that was free then played it as empty, and keep playing that slot rather than follow the
// record that landed there on its way to `target`.
ArrangePlan planInsert(const PcgState& pcg, SlotKind kind, int count, int target);
ArrangePlan planPlace(const PcgState& pcg, SlotKind kind, const std::vector<int>& placed,
                      int target, const UsedSlots& usedBefore);

// Makes the change of a plan whose verdict is Changes; any other plan changes nothing.
void apply(PcgState& pcg, const ArrangePlan& plan);

// The question before an Empty (and before Delete on a PCG tab), naming who will play an empty
// slot afterwards and each record that is to be emptied ("A07 Fat Bass"); empty when no one
// will play an empty slot. UTF-8.
std::string emptyQuestion(const PcgState& pcg, const ArrangePlan& plan);

// What a change did to timbres that played an empty program slot (their byte kept) when the
// slot holds a record afterwards, one line per slot: "Piano Str, Half There and Piano Solo play
// the empty A00 and will play Kalimba". The combinations as `before` names them, the record as
// `after` holds it; UTF-8.
std::vector<std::string> filledSlotLines(const PcgState& before, const PcgState& after);

}  // namespace pelvaro::pcg
