// Arranging a PCG: over random sequences of every command on random full PCGs, whatever a
// combination or a drum program played it plays afterwards, no record is made or lost by a move,
// and nothing outside the records, their names and the references changes; then the words and
// the exact slots of each command on a small PCG.
#include "pcg/arrange.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "pcg_builder.h"
#include "random_pcg.h"

using namespace pelvaro;
using namespace pelvaro::pcg;
using namespace pelvaro::synthetic;
using Verdict = ArrangePlan::Verdict;

namespace {

std::vector<Byte> bytesOf(ConstBytes a, ConstBytes b = {}) {
    std::vector<Byte> out(a.begin(), a.end());
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

bool used(const PcgState& pcg, SlotKind kind, int s) {
    return kind == SlotKind::Program ? !isEmptyProgram(pcg.image.program(s), pcg.templates)
                                     : !isEmptyCombination(pcg.image.combination(s), pcg.templates);
}

// The image with the records, names and kits blanked: what no command may touch.
std::vector<Byte> rest(const PcgImage& image) {
    PcgImage blank = image;
    for (int s = 0; s < kSlotCount; ++s) {
        std::ranges::fill(blank.program(s), 0);
        std::ranges::fill(blank.combination(s), 0);
        std::ranges::fill(blank.programName(s), 0);
        std::ranges::fill(blank.combinationName(s), 0);
    }
    for (int k = 0; k < kDrumKitCount; ++k)
        std::ranges::fill(blank.drumKit(k), 0);
    return bytesOf(blank.bytes());
}

// A PCG as the checks compare it: what each program sounds like (its record and name, and for a
// drum program the kit it plays in place of the kit slot byte), each combination without its
// timbres' program bytes (which may follow the programs), and which slots are used.
struct Seen {
    std::array<bool, kSlotCount> programs{};
    std::array<bool, kSlotCount> combinations{};
    std::vector<std::vector<Byte>> sounds;
    std::vector<std::vector<Byte>> keys;
    std::multiset<std::vector<Byte>> kept;  // all but the used records, and the kits

    explicit Seen(const PcgState& pcg) {
        for (int s = 0; s < kSlotCount; ++s) {
            programs[s] = used(pcg, SlotKind::Program, s);
            combinations[s] = used(pcg, SlotKind::Combination, s);
            const ConstProgramBytes p = pcg.image.program(s);
            std::vector<Byte> sound = bytesOf(p, pcg.image.programName(s));
            if (oscMode(p) == program::kDrumMode && drumKitSlot(p) < kDrumKitCount) {
                sound[program::kDrumKitSlot] = 0;
                const auto kit = pcg.image.drumKit(drumKitSlot(p));
                sound.insert(sound.end(), kit.begin(), kit.end());
            }
            sounds.push_back(std::move(sound));
            std::vector<Byte> key = bytesOf(pcg.image.combination(s), pcg.image.combinationName(s));
            if (!combinations[s]) kept.insert(key);
            if (!programs[s]) kept.insert(bytesOf(p, pcg.image.programName(s)));
            for (int t = 0; t < combination::kTimbreCount; ++t)
                key[combination::timbreOffset(t)] = 0;
            keys.push_back(std::move(key));
        }
        for (int k = 0; k < kDrumKitCount; ++k)
            kept.insert(bytesOf(pcg.image.drumKit(k)));
    }

    std::multiset<std::vector<Byte>> usedSounds() const {
        std::multiset<std::vector<Byte>> out;
        for (int s = 0; s < kSlotCount; ++s)
            if (programs[s]) out.insert(sounds[s]);
        return out;
    }
};

// Trading places keeps every record, and each timbre of a used combination that played a used
// program plays one that sounds the same; any other timbre keeps its byte.
void expectFollowed(const PcgState& before, const PcgState& after) {
    const Seen was(before);
    const Seen is(after);
    EXPECT_TRUE(was.usedSounds() == is.usedSounds()) << "a program was made or lost";
    EXPECT_TRUE(was.kept == is.kept) << "an empty record or a kit changed";
    // Each combination by its key: what its timbres played (null: no used program).
    std::map<std::vector<Byte>, std::array<const std::vector<Byte>*, 8>> played;
    for (int c = 0; c < kSlotCount; ++c) {
        if (!was.combinations[c]) continue;
        const ConstCombinationBytes comb = before.image.combination(c);
        auto& timbres = played[was.keys[c]];
        for (int t = 0; t < combination::kTimbreCount; ++t) {
            const int p = timbreProgram(comb, t);
            const bool plays = !timbreDisabled(comb, t) && !timbreOutsideBanks(comb, t) &&
                               p < kSlotCount && was.programs[p];
            timbres[t] = plays ? &was.sounds[p] : nullptr;
        }
    }
    std::multiset<std::vector<Byte>> lines[2];
    for (const PcgState* pcg : {&before, &after}) {
        const Seen& seen = pcg == &before ? was : is;
        for (int c = 0; c < kSlotCount; ++c) {
            if (!seen.combinations[c]) continue;
            const auto timbres = played.find(seen.keys[c]);
            ASSERT_NE(timbres, played.end()) << "combination " << c << " is new";
            std::vector<Byte> line = seen.keys[c];
            for (int t = 0; t < combination::kTimbreCount; ++t) {
                const int p = timbreProgram(pcg->image.combination(c), t);
                if (!timbres->second[t]) {
                    line.push_back(static_cast<Byte>(p));
                } else if (pcg == &after) {
                    EXPECT_TRUE(p < kSlotCount && is.programs[p] &&
                                is.sounds[p] == *timbres->second[t])
                        << "combination " << c << " timbre " << t;
                }
            }
            lines[pcg == &before ? 0 : 1].insert(line);
        }
    }
    EXPECT_TRUE(lines[0] == lines[1]) << "a combination was made or lost, or a timbre on no used "
                                         "program changed its byte";
}

std::vector<int> run(int first, int n) {
    std::vector<int> slots;
    for (int i = 0; i < n && first + i < kSlotCount; ++i)
        slots.push_back(first + i);
    return slots;
}

ArrangePlan randomPlan(const PcgState& pcg, std::mt19937& r) {
    const SlotKind kind = r() % 2 ? SlotKind::Program : SlotKind::Combination;
    const auto slot = [&] { return static_cast<int>(r() % kSlotCount); };
    const auto selection = [&] {
        const int n = 1 + static_cast<int>(r() % 6);
        if (r() % 2) return run(slot(), n);
        std::vector<int> scattered;
        for (int i = 0; i < n; ++i)
            scattered.push_back(slot());
        return scattered;
    };
    const auto scope = [&] {
        switch (r() % 4) {
            case 0:
                return bankSlots(0);
            case 1:
                return bankSlots(1);
            case 2:
                return allSlots();
            default:
                return selection();
        }
    };
    switch (r() % 10) {
        case 0:
        case 1:
            return planMove(pcg, kind, selection(), slot());
        case 2: {
            const int n = 1 + static_cast<int>(r() % 4);
            return planSwap(pcg, kind, run(slot(), n), run(slot(), n));
        }
        case 3:
            return planSwapAt(pcg, kind, selection(), slot());
        case 4:
            return planSortByName(pcg, kind, scope());
        case 5:
            return planCloseGaps(pcg, kind, scope());
        case 6:
            return planSwapDrumKits(pcg, static_cast<int>(r() % 4), static_cast<int>(r() % 4));
        case 7:
            return planCopy(pcg, kind, selection(), slot());
        case 8:
            return planEmpty(pcg, kind, selection());
        default:
            return planEmptyDrumKits(pcg, {static_cast<int>(r() % 4)});
    }
}

}  // namespace

TEST(Arrange, EveryReferenceFollowsThroughRandomSequencesOfEveryCommand) {
    std::mt19937 r(2026);
    int changed = 0;
    int refused = 0;
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        PcgState pcg = stagePcg(seed, static_cast<int>(r() % 30));
        for (int step = 0; step < 25; ++step) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
            const PcgState before = pcg;
            const ArrangePlan plan = randomPlan(pcg, r);
            apply(pcg, plan);
            EXPECT_TRUE(rest(before.image) == rest(pcg.image)) << plan.name;
            if (!plan.changes()) {
                EXPECT_TRUE(before.image == pcg.image) << plan.summary;
                EXPECT_EQ(before.occupancy, pcg.occupancy);
                refused += plan.verdict == Verdict::Refused;
                continue;
            }
            ++changed;
            PcgState recounted = pcg;
            computeOccupancy(recounted);
            scanDrumKits(recounted);
            EXPECT_EQ(recounted.occupancy, pcg.occupancy) << plan.name;
            if (!plan.copies.empty()) {
                // Each copy is its source whole; nothing else changes.
                PcgState expected = before;
                for (const auto& [from, to] : plan.copies) {
                    EXPECT_FALSE(used(before, plan.kind, to));
                    if (plan.kind == SlotKind::Program) {
                        std::ranges::copy(before.image.program(from),
                                          expected.image.program(to).begin());
                        std::ranges::copy(before.image.programName(from),
                                          expected.image.programName(to).begin());
                    } else {
                        std::ranges::copy(before.image.combination(from),
                                          expected.image.combination(to).begin());
                        std::ranges::copy(before.image.combinationName(from),
                                          expected.image.combinationName(to).begin());
                    }
                }
                EXPECT_TRUE(expected.image == pcg.image) << plan.name;
            } else if (!plan.emptied.empty() || !plan.emptiedKits.empty()) {
                // As Delete leaves them; nothing follows.
                PcgState expected = before;
                for (const int s : plan.emptied)
                    emptyPcgSlot(expected, plan.kind, s);
                for (const int k : plan.emptiedKits)
                    std::ranges::copy(before.templates.drumKits[k],
                                      expected.image.drumKit(k).begin());
                EXPECT_TRUE(expected.image == pcg.image) << plan.name;
            } else {
                expectFollowed(before, pcg);
            }
            if (HasFailure()) return;
        }
    }
    EXPECT_GT(changed, 250) << refused;
    EXPECT_GT(refused, 20) << changed;
}

namespace {

// Four programs in bank A (a drum program on kit 1 among them), three in bank B with a gap at
// B12, and two combinations: SONG 1 with every kind of timbre, SONG 2 on programs of both banks.
PcgState smallPcg() {
    PcgBuilder b;
    b.program(0, "PIANO", {.osc1 = 1, .voice = 1})
        .program(1, "strings", {.osc1 = 2, .voice = 2})
        .drumProgram(2, "DRUMS", 1, 3)
        .program(3, "Bass", {.osc1 = 4, .voice = 4})
        .program(110, "ORGAN", {.osc1 = 5, .voice = 5})
        .program(111, "\xC9lan", {.osc1 = 6, .voice = 6})
        .program(113, "bass", {.osc1 = 7, .voice = 7})
        .drumKit(1, 11)
        .drumKit(2, 12);
    b.combination(0, "SONG 1", {plays(0), plays(2), off(1), outside(0), plays(5), plays(210)}, 1)
        .combination(1, "SONG 2", {plays(110), plays(111), plays(1)}, 2);
    return stateOf(b);
}

std::string name(const PcgState& pcg, int s) {
    return nameText(pcg.image.programName(s));
}

std::vector<int> timbres(const PcgState& pcg, int c) {
    std::vector<int> out;
    for (int t = 0; t < 6; ++t)
        out.push_back(timbreProgram(pcg.image.combination(c), t));
    return out;
}

}  // namespace

TEST(Arrange, MovePushesIntoTheNextFreeSlotsOrRefusesNamingTheMissingSlots) {
    PcgState pcg = smallPcg();
    const PcgState before = pcg;
    const ArrangePlan move = planMove(pcg, SlotKind::Program, {0, 1}, 110);
    EXPECT_EQ(move.name, "Move 2 Programs");
    EXPECT_EQ(move.preview,
              "Moves 2 programs to B10-B11; 2 combinations follow them; B10-B11 pushed to "
              "B12-B13, B13 pushed to B14");
    EXPECT_EQ(move.summary.substr(0, 6), "Moved ");
    EXPECT_EQ(move.insertAt, 110);
    EXPECT_EQ(planInsert(pcg, SlotKind::Program, 2, 110).preview,
              "Places 2 programs at B10-B11; B10-B11 pushed to B12-B13, B13 pushed to B14");
    apply(pcg, move);
    EXPECT_EQ((std::vector{name(pcg, 110), name(pcg, 111), name(pcg, 112), name(pcg, 113),
                           name(pcg, 114)}),
              (std::vector<std::string>{"PIANO", "strings", "ORGAN", "\xC9lan", "bass"}));
    // A00 and A01 hold the empty records B12 and B14 held, untouched.
    EXPECT_EQ(bytesOf(pcg.image.program(0)), bytesOf(before.image.program(112)));
    EXPECT_EQ(bytesOf(pcg.image.programName(1)), bytesOf(before.image.programName(114)));
    EXPECT_EQ(pcg.occupancy.programUsed[0], 0);
    // The switched-off timbre, the outside program, the empty slot and byte 210 keep their
    // bytes though A00, A01 and A05 changed.
    EXPECT_EQ(timbres(pcg, 0), (std::vector{110, 2, 1, 0, 5, 210}));
    EXPECT_EQ(timbres(pcg, 1), (std::vector{112, 113, 111, 0, 0, 0}));
    for (int c = 2; c < kSlotCount; ++c)
        EXPECT_TRUE(std::ranges::equal(pcg.image.combination(c), before.image.combination(c)));

    // No room from B99 on; a move up into a full bank turns it.
    const PcgState full = stagePcg(7, 0);
    const ArrangePlan refused = planMove(full, SlotKind::Program, {0, 1, 2}, 198);
    EXPECT_EQ(refused.verdict, Verdict::Refused);
    EXPECT_EQ(refused.summary,
              "Cannot move 3 programs to B98: 3 free slots are missing from B98 on");
    EXPECT_EQ(planMove(full, SlotKind::Combination, {5}, 199).summary,
              "Cannot move 1 combination to B99: 1 free slot is missing from B99 on");
    PcgState turned = full;
    apply(turned, planMove(full, SlotKind::Program, {199}, 0));
    EXPECT_TRUE(std::ranges::equal(turned.image.program(0), full.image.program(199)));
    EXPECT_TRUE(std::ranges::equal(turned.image.program(199), full.image.program(198)));
    EXPECT_EQ(planMove(full, SlotKind::Program, {5}, 5).verdict, Verdict::Unchanged);
}

TEST(Arrange, SwapSortCloseGapsAndKits) {
    const PcgState pcg = smallPcg();
    ArrangePlan swap = planSwapAt(pcg, SlotKind::Program, {0, 1}, 110);
    EXPECT_EQ(swap.preview, "Swaps A00-A01 with B10-B11; 2 combinations follow them");
    EXPECT_EQ(swap.swapWith, (std::vector{110, 111}));
    EXPECT_EQ(planSwap(pcg, SlotKind::Program, {0, 1}, {1, 2}).summary,
              "Cannot swap A00-A01 with A01-A02: they overlap");
    EXPECT_EQ(planSwap(pcg, SlotKind::Program, {50}, {60}).verdict, Verdict::Unchanged);

    // Upper case folds a-z and the Latin-1 letters; equal names keep their order; the empty
    // slots A04-B09 and B12 stay where they are.
    PcgState sorted = pcg;
    const ArrangePlan sort = planSortByName(pcg, SlotKind::Program, allSlots());
    EXPECT_EQ(sort.preview, "Sorts 7 programs of A00-B99 by name; 2 combinations follow them");
    apply(sorted, sort);
    std::vector<std::string> names;
    for (const int s : {0, 1, 2, 3, 110, 111, 113})
        names.push_back(name(sorted, s));
    EXPECT_EQ(names, (std::vector<std::string>{"Bass", "bass", "DRUMS", "ORGAN", "PIANO", "strings",
                                               "\xC9lan"}));
    EXPECT_EQ(sorted.occupancy.programUsed[112], 0);
    EXPECT_EQ(planSortByName(sorted, SlotKind::Program, allSlots()).verdict, Verdict::Unchanged);

    PcgState packed = pcg;
    const ArrangePlan close = planCloseGaps(pcg, SlotKind::Program, bankSlots(1));
    EXPECT_EQ(close.preview,
              "Moves 3 programs up to close the gaps in B00-B99; 1 combination follows them");
    apply(packed, close);
    EXPECT_EQ(name(packed, 100) + name(packed, 101) + name(packed, 102), "ORGAN\xC9lanbass");
    EXPECT_EQ(timbres(packed, 1), (std::vector{100, 101, 1, 0, 0, 0}));

    // Kits: the drum program on kit 1 follows; a drum program on kit slot 9 names no kit.
    PcgState kits = pcg;
    kits.image.program(3)[program::kOscMode] = program::kDrumMode;
    kits.image.program(3)[program::kDrumKitSlot] = 9;
    const ArrangePlan kitSwap = planSwapDrumKits(kits, 1, 2);
    EXPECT_EQ(kitSwap.preview, "Swaps drum kits 1 and 2; 1 drum program follows them");
    apply(kits, kitSwap);
    EXPECT_EQ(kits.image.program(2)[program::kDrumKitSlot], 2);
    EXPECT_EQ(kits.image.program(3)[program::kDrumKitSlot], 9);
    EXPECT_TRUE(std::ranges::equal(kits.image.drumKit(2), pcg.image.drumKit(1)));
    EXPECT_EQ(kits.occupancy.drumKitUsed, (std::array<Byte, 4>{0, 0, 1, 0}));
    EXPECT_EQ(drumKitLine(kits, 2), "Kit 2    A02 DRUMS");
    EXPECT_EQ(drumKitLine(kits, 0), "Kit 0    (free)");
}

TEST(Arrange, CopyIntoFreeSlotsAndEmptyAfterNamingWhoPlays) {
    PcgState pcg = smallPcg();
    const ArrangePlan copy = planCopy(pcg, SlotKind::Program, {0, 1}, 2);
    EXPECT_EQ(copy.summary, "Copied 2 programs to A04-A05");
    EXPECT_EQ(planCopy(pcg, SlotKind::Program, {0, 1}, 199).summary,
              "Cannot copy 2 programs to B99: 1 free slot is missing from B99 on");
    EXPECT_EQ(planCopy(pcg, SlotKind::Program, {50}, 0).verdict, Verdict::Refused);

    const ArrangePlan empty = planEmpty(pcg, SlotKind::Program, {5, 0});
    EXPECT_EQ(empty.name, "Empty 1 Program");
    EXPECT_EQ(emptyQuestion(pcg, empty),
              "This combination plays a program that is to be emptied and will then play an "
              "empty slot:\nA00 SONG 1\n\nEmpty 1 program: A00 PIANO?");
    EXPECT_EQ(emptyQuestion(pcg, planEmpty(pcg, SlotKind::Program, {3})), "");
    EXPECT_EQ(
        emptyQuestion(pcg, planEmpty(pcg, SlotKind::Program, {111, 0})),
        "These combinations play a program that is to be emptied and will then play an "
        "empty slot:\nA00 SONG 1\nA01 SONG 2\n\nEmpty 2 programs: A00 PIANO, B11 \xC3\x89lan?");
    apply(pcg, empty);
    EXPECT_TRUE(std::ranges::equal(pcg.image.program(0), pcg.templates.program));
    EXPECT_EQ(bytesOf(pcg.image.programName(0)),
              (std::vector<Byte>{'E', 'M', 'P', 'T', 'Y', 'P', 'R', 'O', 'G', 0}));
    EXPECT_EQ(timbres(pcg, 0)[0], 0);

    const ArrangePlan kit = planEmptyDrumKits(pcg, {1});
    EXPECT_EQ(emptyQuestion(pcg, kit),
              "This drum program plays a kit that is to be emptied and will then play an empty "
              "kit:\nA02 DRUMS\n\nEmpty drum kit 1?");
    apply(pcg, kit);
    EXPECT_TRUE(std::ranges::equal(pcg.image.drumKit(1), pcg.templates.drumKits[1]));
    EXPECT_EQ(planEmptyDrumKits(pcg, {1}).verdict, Verdict::Unchanged);
    EXPECT_EQ(parseSlotName("b5"), 105);
    EXPECT_EQ(parseSlotName("C05"), std::nullopt);
    EXPECT_EQ(slotsText({3, 1, 2, 99, 100, 150}), "A01-A03, A99-B00, B50");
}
