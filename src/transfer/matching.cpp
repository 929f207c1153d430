#include "transfer/matching.h"

#include <cstdint>
#include <cstring>

namespace pelvaro::transfer {

using namespace pcg;

bool sameDrumKit(const db::DbDrumKitEntry& entry, ConstDrumKitBytes kit) {
    return sameRange(entry.drumKit(), kit, kDrumKitCompared);
}

bool sameCombination(const db::DbCombinationEntry& entry, ConstCombinationBytes combination) {
    return sameRange(entry.combination(), combination, kCombinationCompared);
}

bool kitCheckApplies(std::int32_t entryDrumKitId, ConstProgramBytes program) {
    return entryDrumKitId > 0 && oscMode(program) == program::kDrumMode &&
           drumKitSlot(program) < kDrumKitCount;
}

bool kitCheckApplies(const db::DbProgramEntry& entry, ConstProgramBytes program) {
    return kitCheckApplies(entry.drumKitId(), program);
}

namespace {
// The kit a program of the image plays, when the kit check can apply to it.
std::optional<ConstDrumKitBytes> kitInImage(ConstProgramBytes program, const PcgImage& image) {
    if (!kitCheckApplies(1, program)) return std::nullopt;
    return image.drumKit(drumKitSlot(program));
}
}  // namespace

bool sameProgram(const db::DbProgramEntry& entry, ConstProgramBytes program,
                 const db::DbDrumKitEntry* kitOfEntry,
                 std::optional<ConstDrumKitBytes> kitOfProgram) {
    const auto stored = entry.program();
    if (!kitCheckApplies(entry, program)) return sameRange(stored, program, kProgramCompared);
    if (kitOfEntry == nullptr || !kitOfProgram || !sameDrumKit(*kitOfEntry, *kitOfProgram))
        return false;
    // Equal kits: the slot each program plays its kit from does not matter.
    constexpr std::size_t slot = program::kDrumKitSlot;
    return sameRange(stored, program, {kProgramCompared.begin, slot}) &&
           sameRange(stored, program, {slot + 1, kProgramCompared.end});
}

bool sameProgram(const db::DbProgramEntry& entry, ConstProgramBytes program,
                 const db::RecordFiles& files, std::optional<ConstDrumKitBytes> kitOfProgram) {
    if (!kitCheckApplies(entry, program)) return sameProgram(entry, program, nullptr, kitOfProgram);
    const std::int32_t kitId = entry.drumKitId();
    if (kitId > files.count(db::Kind::DrumKit))
        return sameProgram(entry, program, nullptr, kitOfProgram);
    const auto kit = files.read<db::DbDrumKitEntry>(kitId);
    return sameProgram(entry, program, &kit, kitOfProgram);
}

bool sameProgram(const db::DbProgramEntry& entry, ConstProgramBytes program,
                 const db::DbDrumKitEntry* kitOfEntry, const PcgImage& image) {
    return sameProgram(entry, program, kitOfEntry, kitInImage(program, image));
}

bool sameProgram(const db::DbProgramEntry& entry, ConstProgramBytes program,
                 const db::RecordFiles& files, const PcgImage& image) {
    return sameProgram(entry, program, files, kitInImage(program, image));
}

namespace {

// A fast 64-bit hash over a few hundred bytes, eight at a time. Matches are always verified
// byte for byte, so the hash needs to spread well, not to resist an adversary. The byte at
// `zeroed`, when it lies in bytes, counts as zero: a program's key leaves out its kit slot.
std::uint64_t hashBytes(ConstBytes bytes, std::size_t zeroed = SIZE_MAX) {
    constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
    std::uint64_t h = 0xCBF29CE484222325ull ^ (bytes.size() * kMul);
    auto mix = [&](std::uint64_t v) {
        h ^= v * 0xBF58476D1CE4E5B9ull;
        h = (h << 27 | h >> 37) * kMul;
    };
    const std::uint64_t keep =
        zeroed < bytes.size() ? ~(std::uint64_t{0xFF} << (8 * (zeroed % 8))) : ~std::uint64_t{0};
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t v;
        std::memcpy(&v, bytes.data() + i, 8);
        if (zeroed - i < 8) v &= keep;
        mix(v);
    }
    std::uint64_t rest = 0;
    for (std::size_t shift = 0; i < bytes.size(); ++i, shift += 8)
        if (i != zeroed) rest |= std::uint64_t{bytes[i]} << shift;
    mix(rest);
    h ^= h >> 31;
    h *= 0x94D049BB133111EBull;
    return h ^ (h >> 29);
}

ConstBytes compared(ConstBytes record, ByteRange r) {
    return record.subspan(r.begin, r.end - r.begin);
}

}  // namespace

std::uint64_t drumKitKey(ConstDrumKitBytes kit) {
    return hashBytes(compared(kit, kDrumKitCompared));
}

std::uint64_t combinationKey(ConstCombinationBytes combination) {
    return hashBytes(compared(combination, kCombinationCompared));
}

std::uint64_t programKey(ConstProgramBytes program) {
    return hashBytes(compared(program, kProgramCompared),
                     program::kDrumKitSlot - kProgramCompared.begin);
}

}  // namespace pelvaro::transfer
