#include "template_image.h"

#include <algorithm>
#include <string_view>

namespace pelvaro::synthetic {

namespace {

void putName(Bytes field, std::string_view name) {
    std::fill(field.begin(), field.end(), Byte{0});
    std::copy(name.begin(), name.end(), field.begin());
}

// A one-oscillator program on sound 0 with its level up, the filter open and a plain organ
// envelope: it sounds, so it is not a row of zero bytes, yet it is what "empty" means.
void makeEmptyProgram(pcg::ProgramBytes p) {
    std::fill(p.begin(), p.end(), Byte{0});
    putName(p.first(pcg::kNameSize), "EMPTYPROG");
    p[pcg::program::kOscMode] = 0;
    setLe16(p, pcg::program::kOsc1Sound, 0);
    p[17] = 99;   // oscillator 1 level
    p[19] = 64;   // pan centre
    p[24] = 99;   // filter cutoff
    p[30] = 99;   // amplifier level
    p[31] = 0;    // attack
    p[32] = 99;   // decay
    p[33] = 99;   // sustain
    p[34] = 20;   // release
    p[60] = 2;    // pitch bend range
    p[90] = 127;  // velocity sensitivity
}

// Timbre 1 plays A00 across the whole keyboard; the seven others are switched off.
void makeEmptyCombination(pcg::CombinationBytes c) {
    std::fill(c.begin(), c.end(), Byte{0});
    putName(c.first(pcg::kNameSize), "EMPTYCOMB");
    c[10] = 127;  // combination volume
    for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
        const std::size_t at = pcg::combination::timbreOffset(t);
        c[at + pcg::combination::kTimbreProgram] = 0;
        c[at + 1] = 99;   // level
        c[at + 2] = 64;   // pan centre
        c[at + 5] = 0;    // bottom key
        c[at + 6] = 127;  // top key
        c[at + pcg::combination::kTimbreFlags] = t == 0 ? 0x00 : 0x10;
    }
}

// Sixty drum notes, each the next drum sound at full level and centred.
void makeNeutralKit(pcg::DrumKitBytes kit) {
    for (std::size_t i = 0; i < 60; ++i) {
        const std::size_t at = 7 * i;
        kit[at + 0] = static_cast<Byte>(i);  // drum sound
        kit[at + 1] = 0;
        kit[at + 2] = 99;  // level
        kit[at + 3] = 64;  // pan
        kit[at + 4] = 0;   // tune
        kit[at + 5] = 50;  // decay
        kit[at + 6] = 0;
    }
}

}  // namespace

pcg::PcgImage makeTemplateImage() {
    pcg::PcgImage image;
    const Bytes all = image.bytes();
    std::copy(pcg::kMagic.begin(), pcg::kMagic.end(), all.begin());
    all[5] = 1;  // file format version as the instrument writes it
    for (int s = 0; s < pcg::kSlotCount; ++s) {
        putName(image.programName(s), "EMPTYPROG");
        putName(image.combinationName(s), "EMPTYCOMB");
        makeEmptyProgram(image.program(s));
        makeEmptyCombination(image.combination(s));
    }
    for (int k = 0; k < pcg::kDrumKitCount; ++k)
        makeNeutralKit(image.drumKit(k));
    return image;
}

}  // namespace pelvaro::synthetic
