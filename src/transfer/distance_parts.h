#pragma once
// The parts the distance of similarity.h is counted from, shared by the coder and the search
// for the nearest entries: the compared bytes counted sixteen at a time, and what a program's
// kit and a combination's timbres play.

#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>

#include "db/entries.h"
#include "pcg/layout.h"
#include "transfer/similarity.h"

namespace pelvaro::transfer::parts {

// Bytes counted sixteen at a time (GCC's and Clang's vector types: one instruction a step).
using Vector = Byte __attribute__((vector_size(16)));
using SignedVector = signed char __attribute__((vector_size(16)));

inline Vector load(const Byte* p) {
    Vector v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The sum of the lanes of a sum of comparisons (-1 in each lane that differed, at most 31
// times): how many differed.
inline int countOf(SignedVector sum) {
    const Vector counts = reinterpret_cast<Vector>(-sum);
    std::uint64_t halves[2];
    std::memcpy(halves, &counts, sizeof halves);
    // Each byte holds at most 31: the sum of eight stays below 256.
    constexpr std::uint64_t kLowBits = 0x0101010101010101ull;
    return static_cast<int>(((halves[0] * kLowBits) >> 56) + ((halves[1] * kLowBits) >> 56));
}

// How many bytes differ between a and b where mask holds 0xFF, over `vectors` times 16 bytes
// (at most 31).
inline int differingBytes(const Byte* a, const Byte* b, const Byte* mask, std::size_t vectors) {
    SignedVector sum{};
    for (std::size_t i = 0; i < vectors; ++i) {
        const Vector x = (load(a + 16 * i) ^ load(b + 16 * i)) & load(mask + 16 * i);
        sum += reinterpret_cast<SignedVector>(x != 0);  // -1 where a byte differs
    }
    return countOf(sum);
}

inline constexpr std::size_t kFirst = pcg::kNameSize;  // every compared range starts after it

// The compared bytes of an entry from byte 10 on, as masks over whole vectors: 0xFF where a
// byte is compared as it stands. A program's kit slot byte and a combination's timbre program
// bytes are left out (they are compared by content), so are the bytes past the compared range.
struct ByteMask {
    const Byte* bytes;
    std::size_t vectors;
};
template <std::size_t kVectors>
struct MaskBytes {
    alignas(16) Byte bytes[16 * kVectors];
};
// Programs: 152 bytes over 10 vectors; combinations: 122 bytes over 8; kits: 419 over 27. Each
// within the 160 bytes of SoundValues and within an entry read from byte 10 (a kit from 0).
inline constexpr MaskBytes<10> kProgramMask = [] {
    MaskBytes<10> m{};
    for (std::size_t i = 0; i < pcg::kProgramCompared.end - kFirst; ++i)
        m.bytes[i] = i == pcg::program::kDrumKitSlot - kFirst ? 0 : 0xFF;
    return m;
}();
inline constexpr MaskBytes<8> kCombinationMask = [] {
    MaskBytes<8> m{};
    for (std::size_t i = 0; i < pcg::kCombinationCompared.end - kFirst; ++i)
        m.bytes[i] =
            i + kFirst >= pcg::combination::kTimbres &&
                    (i + kFirst - pcg::combination::kTimbres) % pcg::combination::kTimbreSize ==
                        pcg::combination::kTimbreProgram
                ? 0
                : 0xFF;
    return m;
}();
inline constexpr MaskBytes<27> kKitMask = [] {
    MaskBytes<27> m{};
    for (std::size_t i = 0; i < pcg::kDrumKitCompared.end; ++i)
        m.bytes[i] = 0xFF;
    return m;
}();
static_assert(sizeof kKitMask.bytes <= db::DrumKitLayout::kSize &&
              sizeof kProgramMask.bytes + kFirst <= db::ProgramLayout::kSize &&
              sizeof kProgramMask.bytes <= SoundValues::kSize);

inline ByteMask byteMask(db::Kind kind) {
    return kind == db::Kind::Program ? ByteMask{kProgramMask.bytes, 10}
                                     : ByteMask{kCombinationMask.bytes, 8};
}
inline ByteMask kitMask() {
    return {kKitMask.bytes, 27};
}

// The compared bytes as they stand: a and b are whole entries of kind.
inline int plainBytes(db::Kind kind, ConstBytes a, ConstBytes b) {
    const ByteMask m = byteMask(kind);
    return differingBytes(a.data() + kFirst, b.data() + kFirst, m.bytes, m.vectors);
}

// What a program's kit value is: a stored kit (the kit check applies) or its byte 12.
struct KitRef {
    bool stored;
    std::int32_t id;
    Byte slot;
};
inline KitRef kitOf(ConstBytes program) {
    const std::int32_t id = le32(program, db::ProgramLayout::kDrumKitId);
    const bool stored =
        id > 0 &&
        static_cast<signed char>(program[pcg::program::kOscMode]) == pcg::program::kDrumMode &&
        program[pcg::program::kDrumKitSlot] < pcg::kDrumKitCount;
    return {stored, id, program[pcg::program::kDrumKitSlot]};
}
inline int kitPart(const KitRef& a, const KitRef& b, ContentMeter& meter) {
    if (a.stored && b.stored) return a.id == b.id ? 0 : meter.kits(a.id, b.id);
    if (a.stored || b.stored) return 1;
    return a.slot != b.slot;
}

// What timbre t of a combination entry plays: a stored program (id above 0) or its byte.
inline std::int32_t timbreProgramId(ConstBytes combination, int t) {
    return le32(combination,
                db::CombinationLayout::kTimbreProgramIds + 4 * static_cast<std::size_t>(t));
}
inline Byte timbreByte(ConstBytes combination, int t) {
    return combination[pcg::combination::timbreOffset(t) + pcg::combination::kTimbreProgram];
}
// The part of timbre t that needs no program read: 0 when both play the same stored program
// or neither plays one and their bytes agree, 1 when one plays a stored program and the other
// not or their bytes differ, -1 when both play other stored programs (their distance counts).
inline int cheapTimbrePart(ConstBytes a, ConstBytes b, int t) {
    const std::int32_t p = timbreProgramId(a, t);
    const std::int32_t q = timbreProgramId(b, t);
    if (p > 0 && q > 0) return p == q ? 0 : -1;
    if (p > 0 || q > 0) return 1;
    return timbreByte(a, t) != timbreByte(b, t);
}

// Splits entries 1..count in two halves and runs visit(first, last, half) on each (half 0 or 1),
// on two cores when there is enough to read.
void inTwoHalves(std::int32_t count,
                 const std::function<void(std::int32_t, std::int32_t, int)>& visit);

}  // namespace pelvaro::transfer::parts
