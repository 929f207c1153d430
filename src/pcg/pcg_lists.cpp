#include "pcg/pcg_lists.h"

#include <algorithm>

namespace pelvaro::pcg {

std::string slotPrefix(int bank, int line) {
    std::string prefix = bank == 0 ? "A" : "B";
    if (line < 10) prefix += '0';
    return prefix + std::to_string(line);
}

std::optional<int> parseSlotName(std::string_view text) {
    if (text.size() < 2 || text.size() > 3) return std::nullopt;
    const char bank = upperCase8Bit(text[0]);
    if (bank != 'A' && bank != 'B') return std::nullopt;
    int line = 0;
    for (const char c : text.substr(1)) {
        if (c < '0' || c > '9') return std::nullopt;
        line = line * 10 + (c - '0');
    }
    return line + (bank == 'A' ? 0 : kBankSize);
}

std::string slotsText(std::vector<int> slots) {
    std::ranges::sort(slots);
    slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
    std::string text;
    for (std::size_t i = 0; i < slots.size();) {
        std::size_t j = i + 1;
        while (j < slots.size() && slots[j] == slots[j - 1] + 1)
            ++j;
        if (!text.empty()) text += ", ";
        text += slotName(slots[i]);
        if (j - i > 1) {
            text += '-';
            text += slotName(slots[j - 1]);
        }
        i = j;
    }
    return text;
}

std::string pcgListLine(const PcgState& pcg, SlotKind kind, int bank, int line) {
    const int slot = slotOf(bank, line);
    const bool program = kind == SlotKind::Program;
    const Byte used =
        program ? pcg.occupancy.programUsed[slot] : pcg.occupancy.combinationUsed[slot];
    std::string text = slotPrefix(bank, line) + "    ";
    if (used != 1) return text + "----------";
    return text + nameText(program ? pcg.image.programName(slot) : pcg.image.combinationName(slot));
}

PcgListLines pcgListLines(const PcgState& pcg, int programBank, int combinationBank) {
    PcgListLines lines;
    lines.programs.reserve(kBankSize);
    lines.combinations.reserve(kBankSize);
    for (int i = 0; i < kBankSize; ++i) {
        lines.programs.push_back(pcgListLine(pcg, SlotKind::Program, programBank, i));
        lines.combinations.push_back(pcgListLine(pcg, SlotKind::Combination, combinationBank, i));
    }
    return lines;
}

std::string nameInText(const PcgState& pcg, SlotKind kind, int slot) {
    std::string name = nameText(kind == SlotKind::Program ? pcg.image.programName(slot)
                                                          : pcg.image.combinationName(slot));
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    return latin1ToUtf8(name);
}

std::string timbreText(const PcgState& pcg, ConstCombinationBytes c, int t) {
    if (timbreDisabled(c, t)) return "off";
    if (timbreOutsideBanks(c, t)) return "GM";
    const int p = timbreProgram(c, t);
    if (!isSlot(p)) return "slot byte " + std::to_string(p);
    if (pcg.occupancy.programUsed[p] != 1) return "empty slot " + slotName(p);
    return slotName(p) + " " + nameInText(pcg, SlotKind::Program, p);
}

std::vector<int> combinationsPlaying(const PcgState& pcg, int program) {
    std::vector<int> slots;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (pcg.occupancy.combinationUsed[slot] != 1) continue;
        const ConstCombinationBytes c = pcg.image.combination(slot);
        for (int t = 0; t < combination::kTimbreCount; ++t) {
            if (!timbreDisabled(c, t) && !timbreOutsideBanks(c, t) &&
                timbreProgram(c, t) == program) {
                slots.push_back(slot);
                break;
            }
        }
    }
    return slots;
}

std::vector<int> drumProgramsPlaying(const PcgState& pcg, int kit) {
    std::vector<int> slots;
    for (int s = 0; s < kSlotCount; ++s) {
        if (pcg.occupancy.programUsed[s] != 1) continue;
        const ConstProgramBytes p = pcg.image.program(s);
        if (oscMode(p) == program::kDrumMode && drumKitSlot(p) == kit) slots.push_back(s);
    }
    return slots;
}

std::string drumKitLine(const PcgState& pcg, int kit) {
    std::string text = "Kit " + std::to_string(kit) + "    ";
    const std::vector<int> players = drumProgramsPlaying(pcg, kit);
    if (players.empty()) return text + "(free)";
    for (std::size_t i = 0; i < players.size(); ++i) {
        if (i > 0) text += ", ";
        text += slotName(players[i]);
        text += ' ';
        text += nameText(pcg.image.programName(players[i]));
    }
    return text;
}

}  // namespace pelvaro::pcg
