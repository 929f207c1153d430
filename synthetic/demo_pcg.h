#pragma once
// data/demo.pcg: a made-up PCG for a newcomer to try. Both banks are used; it holds
// one- and two-oscillator programs, drum programs on each kit slot and one on kit slot 5, two
// programs that differ only in their names, and combinations with switched-off timbres, a
// timbre on a program outside the banks and a timbre on an empty slot (B07).

#include "pcg/pcg_image.h"

namespace pelvaro::synthetic {

pcg::PcgImage makeDemoImage();

}  // namespace pelvaro::synthetic
