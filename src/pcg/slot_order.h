#pragma once
// Records trading places among the 200 slots of one kind, or among the four kits, with what
// plays them following: what the arranging moves, swaps, sorts and closed gaps come down to.
// A timbre of a used combination that plays a used program (switched on, not an outside
// program) follows that program to its new slot; a used drum program follows its kit. Nothing
// else is rewritten.

#include <array>
#include <vector>

#include "pcg/pcg_image.h"

namespace pelvaro::pcg {

// from[s]: the slot (or kit) whose record, with its name, goes to slot s.
using SlotOrder = std::array<int, kSlotCount>;
using KitOrder = std::array<int, kDrumKitCount>;
using UsedSlots = std::array<bool, kSlotCount>;

SlotOrder identityOrder();
KitOrder identityKitOrder();
bool isIdentity(const SlotOrder& order);
bool isIdentity(const KitOrder& order);

// Whether a slot holds a record, by the emptiness rule (what an import's flags say).
bool slotUsed(const PcgState& pcg, SlotKind kind, int slot);
UsedSlots usedSlots(const PcgState& pcg, SlotKind kind);

// The order that takes each used slot s to to[s] (the other entries of `to` are not read). The
// empty records take the slots no used record takes: each stays where it is when its slot
// stays free, the others go to the slots the used records left, in slot order, so that an
// empty record is never made or changed, only moved when a record needs its slot.
SlotOrder completeOrder(const UsedSlots& used, const SlotOrder& to);

// How many used combinations have a timbre that would follow a program of this order.
int combinationsFollowing(const PcgState& pcg, const SlotOrder& programsFrom,
                          const std::vector<int>& stay = {});

// Puts the records of `kind` and their names in the order; for programs, the timbres that play
// one that moves are rewritten to its new slot. The timbres on the program slots of `stay` keep
// their byte: a record just placed there took a slot they played as empty, and they play that
// slot still, empty again once the record has moved on.
void reorderSlots(PcgState& pcg, SlotKind kind, const SlotOrder& from,
                  const std::vector<int>& stay = {});
// Puts the kits in the order; each used drum program on a kit that moves gets its new kit slot.
void reorderDrumKits(PcgState& pcg, const KitOrder& from);

}  // namespace pelvaro::pcg
