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

}  // namespace pelvaro::synthetic
