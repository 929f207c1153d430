#pragma once
// Random PCG images for tests that compare two ways of doing the same thing. The records are
// drawn from small shared pools, so images made with different seeds share sounds, and each
// image holds the awkward cases: copies that differ only in their names or in the uncompared
// tails, drum programs on kit slots 0-3 and beyond, equal kits in different kit slots, empty
// slots, and combinations with every kind of timbre (disabled, outside the banks, on a used
// slot, on an empty slot, on a slot byte of 200 or more).

#include <cstdint>
#include <string>

#include "pcg/pcg_image.h"

namespace pelvaro::synthetic {

// A PCG state as an import of the random image leaves it (occupancy computed, kits scanned).
pcg::PcgState randomPcg(std::uint32_t seed, std::string fileName = "");

// The random image of that seed written as a PCG file at path.
void writeRandomPcgFile(const std::string& path, std::uint32_t seed);

// A PCG a musician arranges for the stage: every program and combination slot used but
// `freeSlots` of each kind at random places; names from a small set in mixed case and with
// Latin-1 letters, so that some repeat and some differ only in case; drum programs on each of
// the four kits and one on a kit slot beyond them; every record distinct; and combinations
// whose switched-on timbres play half the programs between them, with timbres switched off, on
// outside programs, on empty slots and on slot bytes of 200 and more among them. With
// `everyProgramPlayed`, the timbres of the combinations play every program slot in turn
// instead, all of them switched on.
pcg::PcgState stagePcg(std::uint32_t seed, int freeSlots, bool everyProgramPlayed = false);

}  // namespace pelvaro::synthetic
