#include "pcg_builder.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "pcg/pcg_files.h"
#include "template_image.h"

namespace pelvaro::synthetic {

namespace {

// A small deterministic generator: the same voice always gives the same parameter bytes.
class Voice {
  public:
    explicit Voice(unsigned seed) : state_(seed * 2654435761u + 0x9E3779B9u) {}
    Byte next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<Byte>(state_ % 100);  // parameter values stay in 0-99
    }

  private:
    std::uint32_t state_;
};

void putName(Bytes field, std::string_view name) {
    std::fill(field.begin(), field.end(), Byte{0});
    std::copy_n(name.begin(), std::min(name.size(), field.size()), field.begin());
}

}  // namespace

std::vector<Byte> makeProgram(std::string_view name, const ProgramParameters& shape) {
    std::vector<Byte> p(pcg::kProgramSize, 0);
    Voice voice(shape.voice);
    for (std::size_t i = 11; i < pcg::kProgramSize; ++i)
        p[i] = voice.next();
    putName(Bytes(p).first(pcg::kNameSize), name);
    p[pcg::program::kOscMode] = static_cast<Byte>(shape.oscMode);
    if (shape.oscMode == pcg::program::kDrumMode) {
        p[pcg::program::kDrumKitSlot] = static_cast<Byte>(shape.kitSlot);
    } else {
        setLe16(p, pcg::program::kOsc1Sound, static_cast<std::uint16_t>(shape.osc1));
    }
    if (shape.oscMode == pcg::program::kTwoOscillators)
        setLe16(p, pcg::program::kOsc2Sound, static_cast<std::uint16_t>(shape.osc2));
    return p;
}

std::vector<Byte> makeCombination(std::string_view name, const std::vector<Timbre>& timbres,
                                  unsigned voiceSeed) {
    if (timbres.size() > pcg::combination::kTimbreCount)
        throw std::invalid_argument("a combination has eight timbres");
    std::vector<Byte> c(pcg::kCombinationSize, 0);
    Voice voice(voiceSeed + 7919);
    for (std::size_t i = 10; i < pcg::kCombinationSize; ++i)
        c[i] = voice.next();
    putName(Bytes(c).first(pcg::kNameSize), name);
    for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
        const Timbre timbre = t < static_cast<int>(timbres.size()) ? timbres[t] : off();
        const std::size_t at = pcg::combination::timbreOffset(t);
        c[at + pcg::combination::kTimbreProgram] = static_cast<Byte>(timbre.program);
        c[at + pcg::combination::kTimbreBank] = timbre.kind == Timbre::Kind::Outside ? 0xC0 : 0x00;
        c[at + pcg::combination::kTimbreFlags] = timbre.kind == Timbre::Kind::Off ? 0x10 : 0x00;
    }
    return c;
}

std::vector<Byte> makeDrumKit(unsigned voiceSeed) {
    std::vector<Byte> kit(pcg::kDrumKitSize, 0);
    Voice voice(voiceSeed + 104729);
    for (Byte& b : kit)
        b = voice.next();
    return kit;
}

PcgBuilder::PcgBuilder() : image_(synthetic::makeTemplateImage()) {}

PcgBuilder& PcgBuilder::program(int slot, std::string_view name, const ProgramParameters& shape) {
    const auto p = makeProgram(name, shape);
    std::ranges::copy(p, image_.program(slot).begin());
    putName(image_.programName(slot), name);
    return *this;
}

PcgBuilder& PcgBuilder::drumProgram(int slot, std::string_view name, int kitSlot, unsigned voice) {
    return program(slot, name,
                   {.oscMode = pcg::program::kDrumMode, .kitSlot = kitSlot, .voice = voice});
}

PcgBuilder& PcgBuilder::combination(int slot, std::string_view name,
                                    const std::vector<Timbre>& timbres, unsigned voice) {
    const auto c = makeCombination(name, timbres, voice);
    std::ranges::copy(c, image_.combination(slot).begin());
    putName(image_.combinationName(slot), name);
    return *this;
}

PcgBuilder& PcgBuilder::drumKit(int kit, unsigned voice) {
    const auto k = makeDrumKit(voice);
    std::ranges::copy(k, image_.drumKit(kit).begin());
    return *this;
}

std::vector<Byte> PcgBuilder::bytes() const {
    return std::vector<Byte>(image_.bytes().begin(), image_.bytes().end());
}

void PcgBuilder::writeTo(const std::string& path) const {
    writeBytes(path, bytes());
}

pcg::PcgState stateOf(const PcgBuilder& builder, std::string fileName) {
    pcg::PcgState state;
    const pcg::PcgImage blank = synthetic::makeTemplateImage();
    std::ranges::copy(blank.program(0), state.templates.program.begin());
    std::ranges::copy(blank.combination(0), state.templates.combination.begin());
    for (int k = 0; k < pcg::kDrumKitCount; ++k)
        std::ranges::copy(blank.drumKit(k), state.templates.drumKits[k].begin());
    state.image = builder.image();
    state.pcgFileName = std::move(fileName);
    pcg::computeOccupancy(state);
    pcg::scanDrumKits(state);
    return state;
}

void writeBytes(const std::string& path, const std::vector<Byte>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<Byte> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::vector<Byte>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace pelvaro::synthetic
