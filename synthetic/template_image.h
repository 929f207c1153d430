#pragma once
// The empty-PCG template shipped as data/bos.dat: every slot holds a believable empty program
// and empty combination, every name reads "EMPTYPROG" or "EMPTYCOMB", and the drum kits and the
// instrument's other regions hold neutral values. Always the same bytes.

#include "pcg/pcg_image.h"

namespace pelvaro::synthetic {

pcg::PcgImage makeTemplateImage();

}  // namespace pelvaro::synthetic
