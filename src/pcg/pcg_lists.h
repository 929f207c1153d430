#pragma once
// The text of the two PCG lists: one line per slot of the chosen bank.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pcg/pcg_image.h"

namespace pelvaro::pcg {

// "A00".."A99" for bank 0, "B00".."B99" for bank 1.
std::string slotPrefix(int bank, int line);
// The same for a slot number 0-199: "A05", "B12".
inline std::string slotName(int slot) {
    return slotPrefix(slot < kBankSize ? 0 : 1, slot % kBankSize);
}

// "A05    PIANO 1": the prefix, four blanks, then the slot's name-table entry when the slot is
// used (ending early at a zero byte, not trimmed), otherwise ten dashes.
std::string pcgListLine(const PcgState& pcg, SlotKind kind, int bank, int line);

// A slot by its name, as the lists show it, read back: "A05", "a5", "B99" -> 5, 5, 199;
// nothing for anything else.
std::optional<int> parseSlotName(std::string_view text);
// Slots as runs: "A01, A05-A07". Any order in, ascending out.
std::string slotsText(std::vector<int> slots);

// The slot number behind line `line` of a list showing `bank` (any bank other than 0 is B).
constexpr int slotOf(int bank, int line) {
    return line + (bank == 0 ? 0 : kBankSize);
}

struct PcgListLines {
    std::vector<std::string> programs;      // 100 lines of the program list's bank
    std::vector<std::string> combinations;  // 100 lines of the combination list's bank
};

// Both lists' lines for the chosen banks.
PcgListLines pcgListLines(const PcgState& pcg, int programBank, int combinationBank);

// A record's name as a sentence names it: without the blanks that pad it, in UTF-8.
std::string nameInText(const PcgState& pcg, SlotKind kind, int slot);

// What timbre t of combination c plays, in the words of every list and window, in UTF-8:
// "A05 PAD" (a used slot, its name without the blanks that pad it), "empty slot A07", "GM" (a
// program outside the banks), "off" (switched off), "slot byte 210" (a byte past B99).
std::string timbreText(const PcgState& pcg, ConstCombinationBytes c, int t);

// The used combination slots with a switched-on timbre that plays program slot `program` in the
// banks, ascending.
std::vector<int> combinationsPlaying(const PcgState& pcg, int program);

// The used drum programs that play kit slot `kit`, ascending.
std::vector<int> drumProgramsPlaying(const PcgState& pcg, int kit);
// A line of a list of the kits: "Kit 1    A02 DRUMS, B10 ROCK KIT", or "Kit 3    (free)".
std::string drumKitLine(const PcgState& pcg, int kit);

}  // namespace pelvaro::pcg
