#pragma once
// Where everything lies in a PCG file image. The instrument writes its memory as one block of
// fixed size; programs, combinations, drum kits and the two name tables sit at fixed offsets,
// and nothing in the file says where (there is no directory, no length field, no checksum).

#include <array>
#include <cstddef>
#include <string_view>

namespace pelvaro::pcg {

inline constexpr std::size_t kPcgSize = 69416;
inline constexpr std::string_view kMagic = "KORG5";

// Slots: 0-99 are bank A (A00-A99), 100-199 bank B (B00-B99).
inline constexpr int kBankSize = 100;
inline constexpr int kSlotCount = 200;
inline constexpr int kDrumKitCount = 4;

inline constexpr std::size_t kNameSize = 10;
inline constexpr std::size_t kProgramSize = 164;
inline constexpr std::size_t kCombinationSize = 136;
inline constexpr std::size_t kDrumKitSize = 420;

inline constexpr std::size_t kCombinationNames = 88;
inline constexpr std::size_t kProgramNames = 2088;
inline constexpr std::size_t kCombinationsA = 6776;
inline constexpr std::size_t kProgramsA = 20376;
// Bank B repeats bank A's records 32640 bytes further on; the drum kits do not follow that rule.
inline constexpr std::size_t kBankBDistance = 32640;
inline constexpr std::size_t kCombinationsB = kCombinationsA + kBankBDistance;
inline constexpr std::size_t kProgramsB = kProgramsA + kBankBDistance;
inline constexpr std::array<std::size_t, kDrumKitCount> kDrumKitOffsets = {4121, 4541, 36776,
                                                                           37196};

static_assert(kCombinationNames + kSlotCount * kNameSize == kProgramNames);
static_assert(kProgramNames + kSlotCount * kNameSize <= kDrumKitOffsets[0]);
static_assert(kDrumKitOffsets[0] + kDrumKitSize == kDrumKitOffsets[1]);
static_assert(kDrumKitOffsets[1] + kDrumKitSize <= kCombinationsA);
static_assert(kCombinationsA + kBankSize * kCombinationSize == kProgramsA);
static_assert(kProgramsA + kBankSize * kProgramSize == kDrumKitOffsets[2]);
static_assert(kDrumKitOffsets[2] + kDrumKitSize == kDrumKitOffsets[3]);
static_assert(kDrumKitOffsets[3] + kDrumKitSize <= kCombinationsB);
static_assert(kCombinationsB + kBankSize * kCombinationSize == kProgramsB);
static_assert(kProgramsB + kBankSize * kProgramSize == kPcgSize);

constexpr bool isSlot(int slot) {
    return slot >= 0 && slot < kSlotCount;
}
constexpr bool isDrumKitSlot(int kit) {
    return kit >= 0 && kit < kDrumKitCount;
}

constexpr std::size_t programOffset(int slot) {
    return slot < kBankSize ? kProgramsA + kProgramSize * slot
                            : kProgramsB + kProgramSize * (slot - kBankSize);
}
constexpr std::size_t combinationOffset(int slot) {
    return slot < kBankSize ? kCombinationsA + kCombinationSize * slot
                            : kCombinationsB + kCombinationSize * (slot - kBankSize);
}
// The name tables run straight through both banks.
constexpr std::size_t programNameOffset(int slot) {
    return kProgramNames + kNameSize * slot;
}
constexpr std::size_t combinationNameOffset(int slot) {
    return kCombinationNames + kNameSize * slot;
}
constexpr std::size_t drumKitOffset(int kit) {
    return kDrumKitOffsets[kit];
}

// Program record. Byte 12 is shared: in a drum program (oscMode 2) it names the kit slot the
// program plays, otherwise it is the low byte of oscillator 1's sound number.
namespace program {
inline constexpr std::size_t kOscMode = 10;
inline constexpr std::size_t kOsc1Sound = 12;
inline constexpr std::size_t kDrumKitSlot = 12;
inline constexpr std::size_t kOsc2Sound = 15;
inline constexpr int kTwoOscillators = 1;
inline constexpr int kDrumMode = 2;
}  // namespace program

// Combination record: eight timbre blocks of 12 bytes from byte 40.
namespace combination {
inline constexpr std::size_t kTimbres = 40;
inline constexpr std::size_t kTimbreSize = 12;
inline constexpr int kTimbreCount = 8;
inline constexpr std::size_t kTimbreProgram = 0;  // program slot 0-199
inline constexpr std::size_t kTimbreBank = 10;    // 0xC0 set: a program outside the two banks
inline constexpr std::size_t kTimbreFlags = 11;   // 0x10 set: timbre disabled
constexpr std::size_t timbreOffset(int t) {
    return kTimbres + kTimbreSize * t;
}
static_assert(timbreOffset(kTimbreCount) == kCombinationSize);
}  // namespace combination

// The bytes that decide whether two records are the same sound (and whether a slot is empty):
// everything but the name, and but a tail the instrument does not keep stable.
struct ByteRange {
    std::size_t begin;
    std::size_t end;  // one past the last compared byte
};
inline constexpr ByteRange kProgramCompared{10, 162};
inline constexpr ByteRange kCombinationCompared{10, 132};
inline constexpr ByteRange kDrumKitCompared{0, 419};

}  // namespace pelvaro::pcg
