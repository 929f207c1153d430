#include <gtest/gtest.h>

#include "pcg/pcg_lists.h"
#include "pcg_builder.h"

using namespace pelvaro;
using namespace pelvaro::pcg;
using namespace pelvaro::synthetic;

namespace {

// The offset of a view inside the image it belongs to.
std::size_t offsetIn(const PcgImage& image, ConstBytes view) {
    return static_cast<std::size_t>(view.data() - image.bytes().data());
}

}  // namespace

TEST(PcgLayout, SlotsAndKitsLieAtTheirOffsets) {
    const PcgImage image;
    EXPECT_EQ(offsetIn(image, image.program(0)), 20376u);
    EXPECT_EQ(offsetIn(image, image.program(99)), 20376u + 99 * 164);
    EXPECT_EQ(offsetIn(image, image.program(100)), 53016u);
    EXPECT_EQ(offsetIn(image, image.program(199)), 53016u + 99 * 164);
    EXPECT_EQ(offsetIn(image, image.programName(100)), 3088u);
    EXPECT_EQ(offsetIn(image, image.combination(0)), 6776u);
    EXPECT_EQ(offsetIn(image, image.combination(100)), 39416u);
    EXPECT_EQ(offsetIn(image, image.combinationName(100)), 1088u);
    EXPECT_EQ(offsetIn(image, image.combinationName(0)), 88u);
    EXPECT_EQ(offsetIn(image, image.programName(199)), 2088u + 1990);
    EXPECT_EQ(offsetIn(image, image.drumKit(0)), 4121u);
    EXPECT_EQ(offsetIn(image, image.drumKit(1)), 4541u);
    EXPECT_EQ(offsetIn(image, image.drumKit(2)), 36776u);
    EXPECT_EQ(offsetIn(image, image.drumKit(3)), 37196u);
    EXPECT_EQ(image.bytes().size(), 69416u);
    EXPECT_THROW(image.program(200), std::out_of_range);
    EXPECT_THROW(image.drumKit(4), std::out_of_range);
}

TEST(PcgLayout, ProgramFieldsShareByteTwelve) {
    auto p = makeProgram("X", {.oscMode = 1, .osc1 = 0x1234, .osc2 = 0x0456});
    const ConstProgramBytes bytes(p.data(), kProgramSize);
    EXPECT_EQ(oscMode(bytes), 1);
    EXPECT_EQ(osc1Sound(bytes), 0x1234);
    EXPECT_EQ(p[12], 0x34);
    EXPECT_EQ(p[13], 0x12);
    EXPECT_EQ(osc2Sound(bytes), 0x0456);
    EXPECT_EQ(p[15], 0x56);

    p = makeProgram("D", {.oscMode = 2, .kitSlot = 3});
    EXPECT_EQ(drumKitSlot(ConstProgramBytes(p.data(), kProgramSize)), 3);
    p[10] = 0xFF;  // the mode byte is signed
    EXPECT_EQ(oscMode(ConstProgramBytes(p.data(), kProgramSize)), -1);
}

TEST(PcgLayout, TimbreFieldsResolveByFlagsThenBank) {
    const auto c = makeCombination("C", {plays(107), off(3), outside(5)});
    const ConstCombinationBytes bytes(c.data(), kCombinationSize);
    EXPECT_EQ(c[40], 107);
    EXPECT_EQ(timbreProgram(bytes, 0), 107);
    EXPECT_FALSE(timbreDisabled(bytes, 0));
    EXPECT_FALSE(timbreOutsideBanks(bytes, 0));
    EXPECT_TRUE(timbreDisabled(bytes, 1));
    EXPECT_EQ(c[40 + 12 + 11], 0x10);
    EXPECT_TRUE(timbreOutsideBanks(bytes, 2));
    EXPECT_EQ(c[40 + 24 + 10], 0xC0);
    EXPECT_TRUE(timbreDisabled(bytes, 7));
}

TEST(Emptiness, OnlyBytesTenTo161OfAProgramCount) {
    PcgBuilder b;
    PcgState pcg = stateOf(b);
    auto slot = [&](int s) { return pcg.image.program(s); };

    std::ranges::copy(std::string_view("RENAMED!!!"), slot(1).begin());
    slot(2)[162] ^= 0xFF;
    slot(2)[163] ^= 0xFF;
    slot(3)[161] ^= 0x01;
    slot(4)[10] ^= 0x01;
    computeOccupancy(pcg);
    EXPECT_EQ(pcg.occupancy.programUsed[0], 0);
    EXPECT_EQ(pcg.occupancy.programUsed[1], 0) << "a name alone does not make a slot used";
    EXPECT_EQ(pcg.occupancy.programUsed[2], 0) << "bytes 162-163 are not compared";
    EXPECT_EQ(pcg.occupancy.programUsed[3], 1);
    EXPECT_EQ(pcg.occupancy.programUsed[4], 1);
}

TEST(Emptiness, OnlyBytesTenTo131OfACombinationCount) {
    PcgState pcg = stateOf(PcgBuilder{});
    for (std::size_t i = 132; i < 136; ++i)
        pcg.image.combination(105)[i] ^= 0xFF;
    pcg.image.combination(106)[131] ^= 0x01;
    pcg.image.combination(107)[0] ^= 0x01;
    computeOccupancy(pcg);
    EXPECT_EQ(pcg.occupancy.combinationUsed[105], 0);
    EXPECT_EQ(pcg.occupancy.combinationUsed[106], 1);
    EXPECT_EQ(pcg.occupancy.combinationUsed[107], 0);
}

TEST(DrumKitScan, MarksTheKitsOfUsedDrumProgramsOnly) {
    PcgBuilder b;
    b.drumProgram(0, "K1", 1, 1)
        .drumProgram(150, "K3", 3, 2)
        .drumProgram(5, "K4", 4, 3)                       // names no kit of the image
        .drumProgram(6, "K200", 200, 4)                   // nor does this
        .program(7, "NOTDRUM", {.osc1 = 2, .voice = 5});  // byte 12 is a sound here
    PcgState pcg = stateOf(b);
    EXPECT_EQ(pcg.occupancy.drumKitUsed, (std::array<Byte, 4>{0, 1, 0, 1}));

    // A drum program whose slot is not marked used plays nothing.
    pcg.occupancy.programUsed[150] = 0;
    scanDrumKits(pcg);
    EXPECT_EQ(pcg.occupancy.drumKitUsed, (std::array<Byte, 4>{0, 1, 0, 0}));

    // A flag counts only when it is exactly 1.
    pcg.occupancy.programUsed[0] = 2;
    scanDrumKits(pcg);
    EXPECT_EQ(pcg.occupancy.drumKitUsed, (std::array<Byte, 4>{0, 0, 0, 0}));
}

TEST(PcgLists, LinesShowPrefixBlanksAndNameTableEntry) {
    PcgBuilder b;
    b.program(107, "PIANO 1", {.voice = 1}).program(3, "X", {.voice = 2});
    b.combination(99, "COMBI", {plays(0)});
    PcgState pcg = stateOf(b);
    // The list shows the name table, not the record's own name bytes.
    std::ranges::copy(std::string_view("TABLENAME\0", 10), pcg.image.programName(3).begin());
    // A used slot whose name entry starts with a zero byte shows only the prefix.
    pcg.image.programName(107)[0] = 0;

    PcgListLines lines = pcgListLines(pcg, 0, 0);
    ASSERT_EQ(lines.programs.size(), 100u);
    EXPECT_EQ(lines.programs[0], "A00    ----------");
    EXPECT_EQ(lines.programs[3], "A03    TABLENAME");
    EXPECT_EQ(lines.programs[9], "A09    ----------");
    EXPECT_EQ(lines.programs[10], "A10    ----------");
    EXPECT_EQ(lines.combinations[99], "A99    COMBI");

    lines = pcgListLines(pcg, 1, 0);
    EXPECT_EQ(lines.programs[7], "B07    ");
    EXPECT_EQ(lines.programs[0], "B00    ----------");
    EXPECT_EQ(lines.combinations[99], "A99    COMBI") << "each list keeps its own bank";

    // An emptied slot's name reads "EMPTYPROG"; shown as such if the slot were used.
    std::ranges::copy(std::string_view("EMPTYPROG\0", 10), pcg.image.programName(107).begin());
    EXPECT_EQ(pcgListLine(pcg, SlotKind::Program, 1, 7), "B07    EMPTYPROG");
    // A ten-character name is shown whole, without a terminator.
    std::ranges::copy(std::string_view("ABCDEFGHIJ"), pcg.image.programName(107).begin());
    EXPECT_EQ(pcgListLine(pcg, SlotKind::Program, 1, 7), "B07    ABCDEFGHIJ");
}

TEST(PcgLists, TheLinesChangeNoStateAndTheKitScanFollowsTheUsedDrumPrograms) {
    PcgBuilder b;
    b.drumProgram(0, "K", 2);
    PcgState pcg = stateOf(b);
    pcg.occupancy.drumKitUsed = {1, 1, 0, 1};
    const SlotOccupancy before = pcg.occupancy;
    pcgListLines(pcg, 0, 0);
    EXPECT_EQ(pcg.occupancy, before) << "the lines only read";
    scanDrumKits(pcg);
    EXPECT_EQ(pcg.occupancy.drumKitUsed, (std::array<Byte, 4>{0, 0, 1, 0}));
}

TEST(PcgSlots, EmptyingASlotWritesTheTemplateAndTheEmptyName) {
    PcgBuilder b;
    b.drumKit(1, 3).drumProgram(105, "DRUMS", 1).program(5, "KEEP");
    b.combination(7, "COMB", {plays(105)});
    pcg::PcgState pcg = stateOf(b);
    ASSERT_EQ(pcg.occupancy.drumKitUsed[1], 1);
    const pcg::PcgImage before = pcg.image;

    emptyPcgSlot(pcg, pcg::SlotKind::Program, 105);
    EXPECT_TRUE(std::ranges::equal(pcg.image.program(105), pcg.templates.program));
    const auto name = pcg.image.programName(105);
    EXPECT_TRUE(std::ranges::equal(name, std::string_view("EMPTYPROG\0", 10)));
    EXPECT_EQ(pcg.occupancy.programUsed[105], 0);
    EXPECT_EQ(pcg.occupancy.drumKitUsed[1], 0) << "no used program plays kit slot 1 any more";
    EXPECT_EQ(pcg.occupancy.combinationUsed[7], 1) << "the combination playing it is left alone";
    // Nothing else in the image moved.
    auto expected = before;
    std::ranges::copy(pcg.templates.program, expected.program(105).begin());
    std::ranges::copy(std::string_view("EMPTYPROG\0", 10), expected.programName(105).begin());
    EXPECT_TRUE(expected == pcg.image);

    emptyPcgSlot(pcg, pcg::SlotKind::Combination, 7);
    EXPECT_TRUE(std::ranges::equal(pcg.image.combination(7), pcg.templates.combination));
    EXPECT_TRUE(
        std::ranges::equal(pcg.image.combinationName(7), std::string_view("EMPTYCOMB\0", 10)));
    EXPECT_EQ(pcg.occupancy.combinationUsed[7], 0);

    const pcg::PcgImage now = pcg.image;
    emptyPcgSlot(pcg, pcg::SlotKind::Program, 200);
    emptyPcgSlot(pcg, pcg::SlotKind::Combination, -1);
    EXPECT_TRUE(now == pcg.image);
}
