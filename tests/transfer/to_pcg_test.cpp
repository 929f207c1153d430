#include <gtest/gtest.h>

#include "transfer_fixture.h"

using namespace pelvaro;
using namespace pelvaro::db;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;
using namespace pelvaro::transfer;

namespace {

using Lines = std::vector<std::string>;

// Everything a placement may change.
struct Snapshot {
    pcg::PcgImage image;
    pcg::SlotOccupancy occupancy;
    explicit Snapshot(const pcg::PcgState& s) : image(s.image), occupancy(s.occupancy) {}
    bool operator==(const pcg::PcgState& s) const {
        return image == s.image && occupancy == s.occupancy;
    }
};

std::string nameAt(const TransferSetup& s, int slot) {
    return pcg::nameText(s.pcg.image.programName(slot));
}

}  // namespace

TEST(ToPcg, AProgramAlreadyInTheImageIsReusedAndNothingChanges) {
    PcgBuilder b;
    b.program(112, "IN B12", {.voice = 4});
    b.image().program(112)[162] ^= 0xFF;
    TransferSetup s(b);
    const int id = s.db.addProgram("OTHER NAME", {.voice = 4});
    const Snapshot before(s.pcg);
    EXPECT_EQ(s.engine.sendProgramToPcg(id, s.events), 112);
    EXPECT_TRUE(before == s.pcg) << "not even the name";
    EXPECT_TRUE(s.events.empty());

    // An identical record in a free slot is reused too: every slot is compared.
    const int other = s.db.addProgram("X", {.voice = 9});
    b.program(40, "FREE", {.voice = 9});
    s.import(b);
    s.pcg.occupancy.programUsed[40] = 0;
    EXPECT_EQ(s.engine.sendProgramToPcg(other, s.events), 40);
    EXPECT_EQ(s.pcg.occupancy.programUsed[40], 0);
}

TEST(ToPcg, ANewProgramTakesTheFirstFreeSlotBankAFirst) {
    PcgBuilder b;
    for (int slot = 0; slot < 10; ++slot)
        b.program(slot, "USED", {.voice = 100u + slot});
    b.program(11, "USED", {.voice = 200});
    TransferSetup s(b);
    const int id = s.db.addProgram("NEWCOMER", {.osc1 = 77, .voice = 5});
    EXPECT_EQ(s.engine.sendProgramToPcg(id, s.events), 10);
    EXPECT_TRUE(std::ranges::equal(s.pcg.image.program(10), s.db.program(id).program()));
    EXPECT_EQ(nameAt(s, 10), "NEWCOMER");
    EXPECT_EQ(s.pcg.occupancy.programUsed[10], 1);

    for (int slot = 0; slot < 100; ++slot)
        s.pcg.occupancy.programUsed[slot] = 1;
    const int next = s.db.addProgram("BANK B", {.voice = 6});
    EXPECT_EQ(s.engine.sendProgramToPcg(next, s.events), 100);
    EXPECT_TRUE(std::ranges::equal(s.pcg.image.program(100), s.db.program(next).program()));
    EXPECT_TRUE(
        std::ranges::equal(s.pcg.image.programName(100), s.db.program(next).program().first(10)));

    // With every slot used: the line, and nothing placed.
    for (auto& flag : s.pcg.occupancy.programUsed)
        flag = 1;
    const int last = s.db.addProgram("NO ROOM", {.voice = 7});
    const Snapshot before(s.pcg);
    EXPECT_EQ(s.engine.sendProgramToPcg(last, s.events), -1);
    EXPECT_EQ(s.events, Lines{"No Program Slots for Program 3"});
    EXPECT_TRUE(before == s.pcg);
}

TEST(ToPcg, ADrumProgramTakesItsKitAndPointsByteTwelveAtIt) {
    PcgBuilder b;
    b.drumKit(2, 5).drumProgram(0, "USES KIT2", 2, 1);
    TransferSetup s(b);
    ASSERT_EQ(s.pcg.occupancy.drumKitUsed, (std::array<Byte, 4>{0, 0, 1, 0}));
    const int kit = s.db.addDrumKit(5);
    const int drums =
        s.db.addProgram("DRUMS", {.oscMode = 2, .kitSlot = 0, .voice = 3}, kitRef(kit));
    const auto kitsBefore = std::vector<Byte>(s.pcg.image.bytes().begin() + 4121,
                                              s.pcg.image.bytes().begin() + 4121 + 840);
    EXPECT_EQ(s.engine.sendProgramToPcg(drums, s.events), 1);
    EXPECT_EQ(s.pcg.image.program(1)[12], 2) << "the kit reused from used kit slot 2";
    EXPECT_EQ(s.db.program(drums).program()[12], 0) << "the entry itself is not changed";
    EXPECT_TRUE(
        std::equal(kitsBefore.begin(), kitsBefore.end(), s.pcg.image.bytes().begin() + 4121));
    EXPECT_EQ(s.pcg.occupancy.drumKitUsed, (std::array<Byte, 4>{0, 0, 1, 0}));

    // Another kit goes into the first free kit slot; a free slot holding an equal kit by chance
    // is no reason to skip slot 0.
    const int kit2 = s.db.addDrumKit(6);
    const int drums2 =
        s.db.addProgram("DRUMS 2", {.oscMode = 2, .kitSlot = 3, .voice = 4}, kitRef(kit2));
    b.drumKit(3, 6);
    const auto kit3 = s.pcg.image.drumKit(3);
    std::ranges::copy(makeDrumKit(6), kit3.begin());
    EXPECT_EQ(s.engine.sendProgramToPcg(drums2, s.events), 2);
    EXPECT_EQ(s.pcg.image.program(2)[12], 0);
    EXPECT_TRUE(std::ranges::equal(s.pcg.image.drumKit(0), s.db.drumKit(kit2).drumKit()));
    EXPECT_EQ(s.pcg.occupancy.drumKitUsed, (std::array<Byte, 4>{1, 0, 1, 0}));

    // Sending it again reuses the program placed in slot 2 through its kit in slot 0.
    EXPECT_EQ(s.engine.sendProgramToPcg(drums2, s.events), 2);
    EXPECT_TRUE(s.events.empty());

    // A kit reference of 0 or below places no kit and keeps byte 12.
    const int far = s.db.addProgram("FAR", {.oscMode = 2, .kitSlot = 6, .voice = 8}, kitRef(-6));
    EXPECT_EQ(s.engine.sendProgramToPcg(far, s.events), 3);
    EXPECT_EQ(s.pcg.image.program(3)[12], 6);
}

TEST(ToPcg, NoFreeKitSlotLeavesTheKitAndProgramLinesAndTakesNoSlot) {
    PcgBuilder b;
    for (int k = 0; k < 4; ++k)
        b.drumKit(k, 10u + k).drumProgram(k, "KIT USER", k, 20u + k);
    TransferSetup s(b);
    const int kit = s.db.addDrumKit(99);
    const int drums = s.db.addProgram("DRUMS", {.oscMode = 2, .voice = 3}, kitRef(kit));
    const Snapshot before(s.pcg);
    EXPECT_EQ(s.engine.sendProgramToPcg(drums, s.events), -1);
    EXPECT_EQ(s.events,
              (Lines{"No Drum Kit Slots for Drumkit 1", "No Drum Kit Slots for Program 1"}));
    EXPECT_TRUE(before == s.pcg);

    // Under a combination: the kit's line, the program's, then the combination's.
    const int comb = s.db.addCombination("C", {plays(0)}, plan({drums}));
    s.events.clear();
    EXPECT_EQ(s.engine.sendCombinationToPcg(comb, s.events), -1);
    EXPECT_EQ(s.events, (Lines{"No Drum Kit Slots for Drumkit 1", "No Drum Kit Slots for Program 1",
                               "No Drum Kit Slots for Combination 1"}));
    EXPECT_TRUE(before == s.pcg);
}

TEST(ToPcg, ACombinationPlacesItsProgramsAndRewritesOnlyTheirTimbres) {
    PcgBuilder b;
    b.program(0, "USED").program(1, "USED", {.voice = 2});
    TransferSetup s(b);
    for (int i = 1; i <= 7; ++i)
        s.db.addProgram("P" + std::to_string(i), {.voice = 10u + i});
    const int id = s.db.addCombination(
        "SPLIT", {plays(150), off(33), plays(151), outside(9), off(), plays(107), plays(5), off()},
        plan({5, 0, 7, -1, 0, 0, 0, 0}));
    EXPECT_EQ(s.engine.sendCombinationToPcg(id, s.events), 0);
    EXPECT_TRUE(s.events.empty());
    EXPECT_TRUE(std::ranges::equal(s.pcg.image.program(2), s.db.program(5).program()));
    EXPECT_TRUE(std::ranges::equal(s.pcg.image.program(3), s.db.program(7).program()));
    EXPECT_EQ(s.pcg.occupancy.programUsed[4], 0) << "programs 5 and 7 only";

    auto expected = s.db.combination(id);
    expected.combination()[40] = 2;
    expected.combination()[40 + 24] = 3;
    EXPECT_TRUE(std::ranges::equal(s.pcg.image.combination(0), expected.combination()));
    EXPECT_EQ(s.pcg.image.combination(0)[40 + 12], 33) << "a disabled timbre keeps its byte";
    EXPECT_EQ(s.pcg.image.combination(0)[40 + 60], 107) << "a missing program keeps its byte";
    EXPECT_EQ(pcg::nameText(s.pcg.image.combinationName(0)), "SPLIT");
    EXPECT_EQ(s.pcg.occupancy.combinationUsed[0], 1);

    // The entry's timbres still name the source PCG's slots 150 and 151, so slot 0 is another
    // combination to the matching rule: sent again, it takes slot 1 and reuses its programs.
    EXPECT_EQ(s.engine.sendCombinationToPcg(id, s.events), 1);
    EXPECT_TRUE(std::ranges::equal(s.pcg.image.combination(1), s.pcg.image.combination(0)));
    EXPECT_EQ(std::ranges::count(s.pcg.occupancy.programUsed, 1), 4);
}

TEST(ToPcg, TwoTimbresOnOneEntryShareItsSlot) {
    TransferSetup s;
    const int p = s.db.addProgram("SHARED", {.voice = 3});
    const int id = s.db.addCombination("DOUBLE", {plays(9), plays(9), plays(9)}, plan({p, 0, p}));
    EXPECT_EQ(s.engine.sendCombinationToPcg(id, s.events), 0);
    EXPECT_EQ(s.pcg.image.combination(0)[40], 0);
    EXPECT_EQ(s.pcg.image.combination(0)[40 + 12], 9);
    EXPECT_EQ(s.pcg.image.combination(0)[40 + 24], 0);
    EXPECT_EQ(std::ranges::count(s.pcg.occupancy.programUsed, 1), 1);
}

TEST(ToPcg, TooFewFreeProgramSlotsRefuseTheCombinationWithNothingPlaced) {
    PcgBuilder b;
    for (int slot = 0; slot < 198; ++slot)
        b.program(slot, "FULL", {.voice = 500u + slot});
    TransferSetup s(b);
    // All three programs are in the image already; the check still counts three.
    const int p1 = s.db.addProgram("A", {.voice = 500});
    const int p2 = s.db.addProgram("B", {.voice = 501});
    const int p3 = s.db.addProgram("C", {.voice = 502});
    const int id = s.db.addCombination("BIG", {plays(0), plays(1), plays(2)}, plan({p1, p2, p3}));
    const Snapshot before(s.pcg);
    EXPECT_EQ(s.engine.sendCombinationToPcg(id, s.events), -1);
    EXPECT_EQ(s.events, Lines{"No Program Slots for Combination 1"});
    EXPECT_TRUE(before == s.pcg);

    // With every combination slot used and none identical.
    for (auto& flag : s.pcg.occupancy.combinationUsed)
        flag = 1;
    s.events.clear();
    EXPECT_EQ(s.engine.sendCombinationToPcg(id, s.events), -1);
    EXPECT_EQ(s.events, Lines{"No Combination Slots for Combination 1"});
}

TEST(ToPcg, SendToPcgScansTheKitsClearsTheEventsAndGoesInListOrder) {
    PcgBuilder b;
    b.drumKit(0, 1).drumProgram(0, "ON KIT 0", 0, 1);
    TransferSetup s(b);
    // A stale flag: no program plays kit slot 1, so the command's scan frees it.
    s.pcg.occupancy.drumKitUsed = {1, 1, 1, 1};
    const int kit = s.db.addDrumKit(2);
    const int drums = s.db.addProgram("D", {.oscMode = 2, .voice = 2}, kitRef(kit));
    const int plain = s.db.addProgram("PLAIN", {.voice = 3});
    s.events.push_back("old");
    s.engine.sendEntriesToPcg(Kind::Program, {plain, drums, 99}, s.events);
    EXPECT_EQ(nameAt(s, 1), "PLAIN");
    EXPECT_EQ(nameAt(s, 2), "D");
    EXPECT_EQ(s.pcg.image.program(2)[12], 1);
    EXPECT_EQ(s.events, Lines{"Program 99 is not present."});

    // Stored from a PCG where its program sat in slot 1, where it lands here too.
    const int comb = s.db.addCombination("C", {plays(1)}, plan({plain}));
    s.engine.sendEntriesToPcg(Kind::Combination, {comb, comb}, s.events);
    EXPECT_TRUE(s.events.empty());
    EXPECT_EQ(s.pcg.occupancy.combinationUsed[0], 1);
    EXPECT_EQ(s.pcg.occupancy.combinationUsed[1], 0) << "the second finds the first";
    EXPECT_EQ(s.pcg.image.combination(0)[40], 1);
}

TEST(ToPcg, IdsThatNameNoEntryReadNothingAndPlaceNothing) {
    TransferSetup s;
    const int kit = s.db.addDrumKit(1);
    const int dangling = s.db.addProgram("D", {.oscMode = 2, .voice = 2}, kitRef(kit + 5));
    const int comb = s.db.addCombination("C", {plays(1), plays(2)}, plan({dangling + 1, dangling}));
    const Snapshot before(s.pcg);
    for (int id : {0, -3, 2})
        EXPECT_EQ(s.engine.sendDrumKitToPcg(id, s.events), -1);
    EXPECT_EQ(s.engine.sendProgramToPcg(0, s.events), -1);
    EXPECT_EQ(s.engine.sendCombinationToPcg(2, s.events), -1);
    EXPECT_EQ(s.events, (Lines{"Drumkit 0 is not present.", "Drumkit -3 is not present.",
                               "Drumkit 2 is not present.", "Program 0 is not present.",
                               "Combination 2 is not present."}));
    s.events.clear();
    EXPECT_EQ(s.engine.sendProgramToPcg(dangling, s.events), -1);
    EXPECT_EQ(s.events, (Lines{"Drumkit 6 is not present.", "No Drum Kit Slots for Program 1"}));
    s.events.clear();
    EXPECT_EQ(s.engine.sendCombinationToPcg(comb, s.events), -1);
    EXPECT_EQ(s.events,
              (Lines{"Program 2 is not present.", "No Drum Kit Slots for Combination 1"}));
    EXPECT_TRUE(before == s.pcg);
}
