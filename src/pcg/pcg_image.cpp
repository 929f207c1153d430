#include "pcg/pcg_image.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

namespace pelvaro::pcg {

int PcgImage::checked(int slot) {
    if (!isSlot(slot)) throw std::out_of_range("PCG slot " + std::to_string(slot));
    return slot;
}

int PcgImage::checkedKit(int kit) {
    if (!isDrumKitSlot(kit)) throw std::out_of_range("drum kit slot " + std::to_string(kit));
    return kit;
}

void computeOccupancy(PcgState& pcg) {
    for (int s = 0; s < kSlotCount; ++s) {
        pcg.occupancy.programUsed[s] = isEmptyProgram(pcg.image.program(s), pcg.templates) ? 0 : 1;
        pcg.occupancy.combinationUsed[s] =
            isEmptyCombination(pcg.image.combination(s), pcg.templates) ? 0 : 1;
    }
    pcg.occupancy.drumKitUsed.fill(0);
}

void scanDrumKits(PcgState& pcg) {
    pcg.occupancy.drumKitUsed.fill(0);
    for (int s = 0; s < kSlotCount; ++s) {
        if (pcg.occupancy.programUsed[s] != 1) continue;
        const auto p = pcg.image.program(s);
        if (oscMode(p) == program::kDrumMode && drumKitSlot(p) < kDrumKitCount)
            pcg.occupancy.drumKitUsed[drumKitSlot(p)] = 1;
    }
}

void emptyPcgSlot(PcgState& pcg, SlotKind kind, int slot) {
    if (!isSlot(slot)) return;
    // Ten bytes: the nine letters and one zero byte.
    constexpr std::string_view kEmptyProgram{"EMPTYPROG\0", kNameSize};
    constexpr std::string_view kEmptyCombination{"EMPTYCOMB\0", kNameSize};
    if (kind == SlotKind::Program) {
        std::ranges::copy(pcg.templates.program, pcg.image.program(slot).begin());
        std::ranges::copy(kEmptyProgram, pcg.image.programName(slot).begin());
        pcg.occupancy.programUsed[slot] = 0;
    } else {
        std::ranges::copy(pcg.templates.combination, pcg.image.combination(slot).begin());
        std::ranges::copy(kEmptyCombination, pcg.image.combinationName(slot).begin());
        pcg.occupancy.combinationUsed[slot] = 0;
    }
    scanDrumKits(pcg);
}

}  // namespace pelvaro::pcg
