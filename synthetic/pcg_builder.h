#pragma once
// Synthetic PCG images from a few lines: start from the empty template, then state the slots
// that matter. Records built from the same description are byte for byte the same, so two
// programs that differ only in their names are one line each with the same `voice`.
//
//   PcgBuilder b;
//   b.program(0, "PIANO 1", {.osc1 = 10})
//    .program(1, "PAD", {.oscMode = 1, .osc1 = 20, .osc2 = 30, .voice = 2})
//    .drumProgram(2, "DRUMS", 3)
//    .combination(0, "SPLIT", {plays(0), off(), outside(5), plays(107)});

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pcg/pcg_image.h"

namespace pelvaro::synthetic {

// The few parameters of a made-up program that a test states; the other bytes come from `voice`.
struct ProgramParameters {
    int oscMode = 0;
    int osc1 = 0;        // oscillator 1 sound (not for drum programs)
    int osc2 = 0;        // oscillator 2 sound (two-oscillator programs)
    int kitSlot = 0;     // byte 12 of a drum program
    unsigned voice = 1;  // seeds the other parameter bytes
};

struct Timbre {
    enum class Kind { Plays, Off, Outside };
    Kind kind = Kind::Off;
    int program = 0;  // the timbre's program byte
};
inline Timbre plays(int slot) {
    return {Timbre::Kind::Plays, slot};
}
inline Timbre off(int slot = 0) {
    return {Timbre::Kind::Off, slot};
}
inline Timbre outside(int program = 0) {
    return {Timbre::Kind::Outside, program};
}

// Single records, for tests that put them straight into database entries.
std::vector<Byte> makeProgram(std::string_view name, const ProgramParameters& shape = {});
// Timbres beyond the given ones are switched off.
std::vector<Byte> makeCombination(std::string_view name, const std::vector<Timbre>& timbres,
                                  unsigned voice = 1);
std::vector<Byte> makeDrumKit(unsigned voice);

class PcgBuilder {
  public:
    PcgBuilder();  // the shipped template: every slot empty

    PcgBuilder& program(int slot, std::string_view name, const ProgramParameters& shape = {});
    PcgBuilder& drumProgram(int slot, std::string_view name, int kitSlot, unsigned voice = 1);
    PcgBuilder& combination(int slot, std::string_view name, const std::vector<Timbre>& timbres,
                            unsigned voice = 1);
    PcgBuilder& drumKit(int kit, unsigned voice);

    pcg::PcgImage& image() { return image_; }
    const pcg::PcgImage& image() const { return image_; }
    std::vector<Byte> bytes() const;
    void writeTo(const std::string& path) const;

  private:
    pcg::PcgImage image_;
};

// A PCG state as an import of the builder's image leaves it: templates from the template
// image, occupancy computed, kit scan run.
pcg::PcgState stateOf(const PcgBuilder& builder, std::string fileName = "");

// Writes bytes to a file as they are (for damaged and foreign files).
void writeBytes(const std::string& path, const std::vector<Byte>& bytes);
std::vector<Byte> readBytes(const std::string& path);

}  // namespace pelvaro::synthetic
