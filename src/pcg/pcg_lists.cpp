#include "pcg/pcg_lists.h"

namespace pelvaro::pcg {

std::string slotPrefix(int bank, int line) {
    std::string prefix = bank == 0 ? "A" : "B";
    if (line < 10) prefix += '0';
    return prefix + std::to_string(line);
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

}  // namespace pelvaro::pcg
