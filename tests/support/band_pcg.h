#pragma once
// The PCG of a small band, which the window and pelvaro-cli tests import, send and list.

#include "pcg_builder.h"

namespace pelvaro::testing {

// Four programs (one a drum program on kit slot 1) and two combinations, one of which plays
// the empty slot A05.
inline synthetic::PcgBuilder bandPcg() {
    using synthetic::plays;
    synthetic::PcgBuilder b;
    b.program(0, "PIANO 1", {.osc1 = 10, .voice = 1})
        .program(1, "GrandPiano", {.oscMode = 1, .osc1 = 20, .osc2 = 30, .voice = 2})
        .drumProgram(2, "DRUMS", 1, 3)
        .program(100, "ORGAN", {.osc1 = 15, .voice = 4});
    b.combination(0, "SPLIT", {plays(0), plays(2)}, 1).combination(1, "GAP", {plays(5)}, 2);
    return b;
}

}  // namespace pelvaro::testing
