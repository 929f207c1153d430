#include "pcg/slot_order.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "pcg/pcg_lists.h"

namespace pelvaro::pcg {

namespace {

// A timbre of a used combination whose program moves: the program byte it will hold.
struct TimbreRewrite {
    int combination;
    int timbre;
    int program;
};

std::vector<TimbreRewrite> timbreRewrites(const PcgState& pcg, const SlotOrder& from,
                                          const std::vector<int>& stay) {
    std::vector<TimbreRewrite> rewrites;
    if (isIdentity(from)) return rewrites;
    // Whose players follow: the used programs but those just placed into a slot played as empty.
    UsedSlots programs = usedSlots(pcg, SlotKind::Program);
    for (const int s : stay)
        if (isSlot(s)) programs[s] = false;
    SlotOrder to{};
    for (int s = 0; s < kSlotCount; ++s)
        to[from[s]] = s;
    for (int c = 0; c < kSlotCount; ++c) {
        if (!slotUsed(pcg, SlotKind::Combination, c)) continue;
        const ConstCombinationBytes comb = pcg.image.combination(c);
        for (int t = 0; t < combination::kTimbreCount; ++t) {
            if (timbreDisabled(comb, t) || timbreOutsideBanks(comb, t)) continue;
            const int p = timbreProgram(comb, t);
            if (isSlot(p) && programs[p] && to[p] != p) rewrites.push_back({c, t, to[p]});
        }
    }
    return rewrites;
}

template <std::size_t N, class Record, class Name>
void reorder(const SlotOrder& from, Record record, Name name) {
    std::vector<std::array<Byte, N>> records(kSlotCount);
    std::vector<std::array<Byte, kNameSize>> names(kSlotCount);
    for (int s = 0; s < kSlotCount; ++s) {
        std::ranges::copy(record(s), records[s].begin());
        std::ranges::copy(name(s), names[s].begin());
    }
    for (int s = 0; s < kSlotCount; ++s) {
        std::ranges::copy(records[from[s]], record(s).begin());
        std::ranges::copy(names[from[s]], name(s).begin());
    }
}

}  // namespace

SlotOrder identityOrder() {
    SlotOrder order{};
    std::iota(order.begin(), order.end(), 0);
    return order;
}

KitOrder identityKitOrder() {
    KitOrder order{};
    std::iota(order.begin(), order.end(), 0);
    return order;
}

bool isIdentity(const SlotOrder& order) {
    return order == identityOrder();
}

bool isIdentity(const KitOrder& order) {
    return order == identityKitOrder();
}

bool slotUsed(const PcgState& pcg, SlotKind kind, int slot) {
    return kind == SlotKind::Program
               ? !isEmptyProgram(pcg.image.program(slot), pcg.templates)
               : !isEmptyCombination(pcg.image.combination(slot), pcg.templates);
}

UsedSlots usedSlots(const PcgState& pcg, SlotKind kind) {
    UsedSlots used{};
    for (int s = 0; s < kSlotCount; ++s)
        used[s] = slotUsed(pcg, kind, s);
    return used;
}

SlotOrder completeOrder(const UsedSlots& used, const SlotOrder& to) {
    SlotOrder from;
    from.fill(-1);
    for (int s = 0; s < kSlotCount; ++s)
        if (used[s]) from[to[s]] = s;
    std::vector<int> displaced;
    for (int s = 0; s < kSlotCount; ++s)
        if (!used[s]) {
            if (from[s] < 0)
                from[s] = s;
            else
                displaced.push_back(s);
        }
    std::size_t next = 0;
    for (int s = 0; s < kSlotCount; ++s)
        if (from[s] < 0) from[s] = displaced[next++];
    return from;
}

int combinationsFollowing(const PcgState& pcg, const SlotOrder& programsFrom,
                          const std::vector<int>& stay) {
    const std::vector<TimbreRewrite> rewrites = timbreRewrites(pcg, programsFrom, stay);
    int n = 0;
    for (std::size_t i = 0; i < rewrites.size(); ++i)
        if (i == 0 || rewrites[i].combination != rewrites[i - 1].combination) ++n;
    return n;
}

void reorderSlots(PcgState& pcg, SlotKind kind, const SlotOrder& from,
                  const std::vector<int>& stay) {
    if (isIdentity(from)) return;
    if (kind == SlotKind::Combination) {
        reorder<kCombinationSize>(
            from, [&](int s) { return pcg.image.combination(s); },
            [&](int s) { return pcg.image.combinationName(s); });
        return;
    }
    // Who played which record is read before the records move.
    const std::vector<TimbreRewrite> rewrites = timbreRewrites(pcg, from, stay);
    reorder<kProgramSize>(
        from, [&](int s) { return pcg.image.program(s); },
        [&](int s) { return pcg.image.programName(s); });
    for (const TimbreRewrite& r : rewrites)
        pcg.image.combination(
            r.combination)[combination::timbreOffset(r.timbre) + combination::kTimbreProgram] =
            static_cast<Byte>(r.program);
}

void reorderDrumKits(PcgState& pcg, const KitOrder& from) {
    if (isIdentity(from)) return;
    KitOrder to{};
    for (int k = 0; k < kDrumKitCount; ++k)
        to[from[k]] = k;
    std::vector<int> players;
    for (int k = 0; k < kDrumKitCount; ++k)
        for (const int s : drumProgramsPlaying(pcg, k))
            players.push_back(s);
    std::array<std::array<Byte, kDrumKitSize>, kDrumKitCount> kits{};
    for (int k = 0; k < kDrumKitCount; ++k)
        std::ranges::copy(pcg.image.drumKit(k), kits[k].begin());
    for (int k = 0; k < kDrumKitCount; ++k)
        std::ranges::copy(kits[from[k]], pcg.image.drumKit(k).begin());
    for (const int s : players) {
        Byte& kit = pcg.image.program(s)[program::kDrumKitSlot];
        kit = static_cast<Byte>(to[kit]);
    }
}

}  // namespace pelvaro::pcg
