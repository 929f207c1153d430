#include "pcg/pcg_image.h"

#include <stdexcept>

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

}  // namespace pelvaro::pcg
