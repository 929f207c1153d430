#pragma once
// The open PCG: its byte image, which slots are used, and the two empty-slot templates.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "io/bytes.h"
#include "pcg/layout.h"

namespace pelvaro::pcg {

using ProgramBytes = std::span<Byte, kProgramSize>;
using ConstProgramBytes = std::span<const Byte, kProgramSize>;
using CombinationBytes = std::span<Byte, kCombinationSize>;
using ConstCombinationBytes = std::span<const Byte, kCombinationSize>;
using DrumKitBytes = std::span<Byte, kDrumKitSize>;
using ConstDrumKitBytes = std::span<const Byte, kDrumKitSize>;
using NameBytes = std::span<Byte, kNameSize>;
using ConstNameBytes = std::span<const Byte, kNameSize>;

// The 69416 bytes of a PCG file as they are on disk. Records are views into the buffer; the
// image is never parsed into objects, so every byte written back is the byte that was read.
class PcgImage {
  public:
    PcgImage() : bytes_(kPcgSize, 0) {}

    Bytes bytes() { return bytes_; }
    ConstBytes bytes() const { return bytes_; }

    ProgramBytes program(int slot) { return at<kProgramSize>(programOffset(checked(slot))); }
    ConstProgramBytes program(int slot) const {
        return at<kProgramSize>(programOffset(checked(slot)));
    }
    CombinationBytes combination(int slot) {
        return at<kCombinationSize>(combinationOffset(checked(slot)));
    }
    ConstCombinationBytes combination(int slot) const {
        return at<kCombinationSize>(combinationOffset(checked(slot)));
    }
    DrumKitBytes drumKit(int kit) { return at<kDrumKitSize>(drumKitOffset(checkedKit(kit))); }
    ConstDrumKitBytes drumKit(int kit) const {
        return at<kDrumKitSize>(drumKitOffset(checkedKit(kit)));
    }
    NameBytes programName(int slot) { return at<kNameSize>(programNameOffset(checked(slot))); }
    ConstNameBytes programName(int slot) const {
        return at<kNameSize>(programNameOffset(checked(slot)));
    }
    NameBytes combinationName(int slot) {
        return at<kNameSize>(combinationNameOffset(checked(slot)));
    }
    ConstNameBytes combinationName(int slot) const {
        return at<kNameSize>(combinationNameOffset(checked(slot)));
    }

    friend bool operator==(const PcgImage&, const PcgImage&) = default;

  private:
    static int checked(int slot);
    static int checkedKit(int kit);
    template <std::size_t N>
    std::span<Byte, N> at(std::size_t offset) {
        return std::span<Byte, N>(bytes_.data() + offset, N);
    }
    template <std::size_t N>
    std::span<const Byte, N> at(std::size_t offset) const {
        return std::span<const Byte, N>(bytes_.data() + offset, N);
    }

    std::vector<Byte> bytes_;
};

// One byte per slot, 0 or 1; a flag counts as set only when it is exactly 1.
struct SlotOccupancy {
    std::array<Byte, kSlotCount> programUsed{};
    std::array<Byte, kSlotCount> combinationUsed{};
    std::array<Byte, kDrumKitCount> drumKitUsed{};

    void clear() { *this = SlotOccupancy{}; }
    friend bool operator==(const SlotOccupancy&, const SlotOccupancy&) = default;
};

// What an empty slot holds: program A00 and combination A00 of the template file, taken once.
// A kit has no empty form of its own; an emptied kit slot takes the template file's kit of that
// slot, what a new PCG holds there.
struct EmptyTemplates {
    std::array<Byte, kProgramSize> program{};
    std::array<Byte, kCombinationSize> combination{};
    std::array<std::array<Byte, kDrumKitSize>, kDrumKitCount> drumKits{};
};

// Everything the program knows about the open PCG.
struct PcgState {
    PcgImage image;
    SlotOccupancy occupancy;
    EmptyTemplates templates;
    std::string pcgFileName;  // the last imported file, empty after start-up and New Pcg
};

enum class SlotKind { Program, Combination };
// "program" or "combination"; "programs" for any count but one.
inline std::string kindWord(SlotKind kind, std::int64_t count = 1) {
    return std::string(kind == SlotKind::Program ? "program" : "combination") +
           (count == 1 ? "" : "s");
}

// Fields of a program record.
inline int oscMode(ConstProgramBytes p) {
    return static_cast<signed char>(p[program::kOscMode]);
}
inline int drumKitSlot(ConstProgramBytes p) {
    return p[program::kDrumKitSlot];
}
inline int osc1Sound(ConstProgramBytes p) {
    return le16(p, program::kOsc1Sound);
}
inline int osc2Sound(ConstProgramBytes p) {
    return le16(p, program::kOsc2Sound);
}

// The program's mode as a musician names it: "Single", "Double" or "Drums".
inline const char* modeName(int mode) {
    if (mode == program::kDrumMode) return "Drums";
    if (mode == program::kTwoOscillators) return "Double";
    return "Single";
}

// Fields of a combination's timbre t.
inline int timbreProgram(ConstCombinationBytes c, int t) {
    return c[combination::timbreOffset(t) + combination::kTimbreProgram];
}
inline bool timbreDisabled(ConstCombinationBytes c, int t) {
    return (c[combination::timbreOffset(t) + combination::kTimbreFlags] & 0x10) != 0;
}
inline bool timbreOutsideBanks(ConstCombinationBytes c, int t) {
    return (c[combination::timbreOffset(t) + combination::kTimbreBank] & 0xC0) == 0xC0;
}

// Byte comparison over a range, the measure of "same sound" and of "empty slot".
inline bool sameRange(ConstBytes a, ConstBytes b, ByteRange r) {
    return std::equal(a.begin() + r.begin, a.begin() + r.end, b.begin() + r.begin);
}

inline bool isEmptyProgram(ConstProgramBytes p, const EmptyTemplates& t) {
    return sameRange(p, t.program, kProgramCompared);
}
inline bool isEmptyCombination(ConstCombinationBytes c, const EmptyTemplates& t) {
    return sameRange(c, t.combination, kCombinationCompared);
}

// A name as text: its ten bytes, ending early at a zero byte.
inline std::string nameText(ConstNameBytes name) {
    return fieldText(name);
}

// Upper case in the single-byte code page of the names: a-z and the Latin-1 letters.
inline char upperCase8Bit(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') return static_cast<char>(b - 0x20);
    // à..þ to À..Þ, but for ÷ (0xF7), which is no letter; ß and ÿ have no capital here.
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 0x20);
    return c;
}

// Recomputes programUsed and combinationUsed from the templates over all 200 slots and clears
// drumKitUsed.
void computeOccupancy(PcgState& pcg);

// Marks each kit slot played by a used drum program of either bank; clears the others. A kit
// slot byte of 4 or more names no kit of the image and marks nothing.
void scanDrumKits(PcgState& pcg);

// Empties one program or combination slot: the empty-slot template over its record,
// "EMPTYPROG" or "EMPTYCOMB" and one zero byte in its name-table entry, its flag 0, and the
// kit slots rescanned (a kit only that program played is free again). Combinations that play
// the slot are left alone. A slot outside 0-199 changes nothing.
void emptyPcgSlot(PcgState& pcg, SlotKind kind, int slot);

}  // namespace pelvaro::pcg
