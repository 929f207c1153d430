#include <gtest/gtest.h>
#include <memory>

#include "failing_disk.h"
#include "transfer_fixture.h"

using namespace pelvaro;
using namespace pelvaro::db;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;
using namespace pelvaro::transfer;

namespace {

constexpr auto kPrograms = Kind::Program;
constexpr auto kCombinations = Kind::Combination;
constexpr auto kKits = Kind::DrumKit;

std::array<std::int32_t, 8> timbreIds(const DbCombinationEntry& e) {
    std::array<std::int32_t, 8> ids{};
    for (int t = 0; t < 8; ++t)
        ids[t] = e.timbreProgramId(t);
    return ids;
}

}  // namespace

TEST(ToDatabase, ANewEntryIsTheRecordTheIdAndTheExplanationAndNothingElse) {
    PcgBuilder b;
    b.program(7, "PIANO", {.osc1 = 300}).drumProgram(8, "DRUMS", 1).drumKit(1, 4);
    b.combination(3, "SPLIT", {plays(7), plays(8)});
    TransferSetup s(b, "/home/me/sets/live.pcg");

    EXPECT_EQ(s.engine.sendProgramToDatabase(7), 1);
    const auto prg = s.file(kPrograms);
    ASSERT_EQ(prg.size(), 2u * 264);
    EXPECT_EQ(le32(prg, 164), 1) << "entryCount";
    EXPECT_TRUE(std::ranges::equal(std::span(prg).subspan(264, 164), s.pcg.image.program(7)));
    EXPECT_EQ(le32(prg, 264 + 164), 1) << "idNumber";
    const std::string from = "From: /home/me/sets/live.pcg";
    EXPECT_TRUE(std::ranges::equal(std::span(prg).subspan(264 + 168, from.size()), from));
    EXPECT_EQ(std::count(prg.begin() + 264 + 168 + from.size(), prg.end(), 0),
              264 - 168 - static_cast<long>(from.size()))
        << "the explanation's zero bytes, classIds, reserved bytes and drumKitId are all zero";

    // A drum program stores its kit first and refers to it.
    EXPECT_EQ(s.engine.sendProgramToDatabase(8), 2);
    EXPECT_EQ(s.db.program(2).drumKitId(), 1);
    const auto dru = s.file(kKits);
    ASSERT_EQ(dru.size(), 2u * 504);
    EXPECT_TRUE(std::ranges::equal(std::span(dru).subspan(504, 420), s.pcg.image.drumKit(1)));
    EXPECT_EQ(le32(dru, 504 + 420), 1);
    EXPECT_EQ(s.db.drumKit(1).explanation(), from);

    EXPECT_EQ(s.engine.sendCombinationToDatabase(3, s.events), 1);
    const auto comb = s.db.combination(1);
    EXPECT_TRUE(std::ranges::equal(comb.combination(), s.pcg.image.combination(3)))
        << "the timbres keep the source PCG's slot bytes";
    EXPECT_EQ(timbreIds(comb), (std::array<std::int32_t, 8>{1, 2, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(comb.explanation(), from);
    for (int c = 0; c < 10; ++c)
        EXPECT_EQ(comb.classId(c), 0);
    EXPECT_TRUE(s.events.empty());
}

TEST(ToDatabase, TheExplanationKeepsTheEndOfALongPath) {
    EXPECT_EQ(newEntryExplanation(""), "From: ");
    const std::string fits(73, 'f');
    EXPECT_EQ(newEntryExplanation(fits), "From: " + fits);
    std::string path = "/" + std::string(100, 'd') +
                       "/0123456789012345678901234567890123456789"
                       "0123456789012345678901234567/x.pcg";
    const std::string text = newEntryExplanation(path);
    EXPECT_EQ(text.size(), 79u);
    EXPECT_EQ(text, "From: ..." + path.substr(path.size() - 70));
    EXPECT_EQ(newEntryExplanation(std::string(74, 'g')), "From: ..." + std::string(70, 'g'));

    // Stored: 79 characters, the zero byte, and nothing after it but zeros.
    PcgBuilder b;
    b.program(0, "P");
    TransferSetup s(b, path);
    s.engine.sendProgramToDatabase(0);
    const auto prg = s.file(kPrograms);
    EXPECT_TRUE(std::ranges::equal(std::span(prg).subspan(264 + 168, 79), text));
    EXPECT_EQ(prg[264 + 168 + 79], 0);
    EXPECT_EQ(le32(prg, 264 + 164), 1);
    EXPECT_EQ(prg[264 + 248], 0) << "the class slots after the field are untouched";
}

TEST(ToDatabase, SendingTheSamePcgTwiceAddsNothing) {
    PcgBuilder b;
    b.program(0, "PIANO", {.osc1 = 1}).program(1, "PAD", {.oscMode = 1, .osc2 = 4, .voice = 2});
    b.drumProgram(2, "DRUMS", 0, 3).drumProgram(150, "FAR", 6, 4).drumKit(0, 1).drumKit(3, 2);
    b.combination(0, "SPLIT", {plays(0), plays(2), off(), outside(3), plays(105)});
    b.combination(199, "LAYER", {plays(1), plays(150)}, 2);
    TransferSetup s(b);
    int steps = 0;
    s.events.push_back("an old line");
    s.engine.sendPcgToDatabase(s.events, [&](ProgressBar) { ++steps; });
    EXPECT_EQ(steps, 400);
    EXPECT_EQ(s.events, std::vector<std::string>{"Program B5 of this combination is not present."});
    EXPECT_EQ(s.count(kPrograms), 4);
    EXPECT_EQ(s.count(kCombinations), 2);
    // Every kit slot, used or not; slots 1 and 2 hold the template's kit and share one entry.
    EXPECT_EQ(s.count(kKits), 3);
    EXPECT_TRUE(std::ranges::equal(s.db.drumKit(2).drumKit(), s.pcg.image.drumKit(1)));
    EXPECT_TRUE(std::ranges::equal(s.db.drumKit(3).drumKit(), s.pcg.image.drumKit(3)));

    const auto prg = s.file(kPrograms), cmb = s.file(kCombinations), dru = s.file(kKits);
    s.import(b, "/music/again.pcg");
    s.engine.sendPcgToDatabase(s.events, {});
    EXPECT_EQ(s.file(kPrograms), prg);
    EXPECT_EQ(s.file(kCombinations), cmb);
    EXPECT_EQ(s.file(kKits), dru);
}

TEST(ToDatabase, ProgramsDifferingOnlyInNameOrTailAreOneEntryNamedAfterTheFirst) {
    PcgBuilder b;
    b.program(4, "FIRST", {.voice = 5}).program(120, "SECOND", {.voice = 5});
    b.program(121, "THIRD", {.voice = 5});
    b.image().program(121)[162] ^= 0xFF;
    b.image().program(121)[163] ^= 0xFF;
    b.combination(0, "C1", {plays(4)}).combination(1, "C2", {plays(4)});
    b.image().combination(1)[132] ^= 0xFF;
    b.image().combination(1)[135] ^= 0xFF;
    b.drumKit(0, 8).drumKit(1, 8);
    b.image().drumKit(1)[419] ^= 0xFF;
    TransferSetup s(b);
    EXPECT_EQ(s.engine.sendProgramToDatabase(4), 1);
    EXPECT_EQ(s.engine.sendProgramToDatabase(120), 1);
    EXPECT_EQ(s.engine.sendProgramToDatabase(121), 1);
    EXPECT_EQ(s.count(kPrograms), 1);
    EXPECT_EQ(entryName(s.db.program(1)), "FIRST");
    EXPECT_EQ(s.engine.sendCombinationToDatabase(1, s.events), 1);
    EXPECT_EQ(s.engine.sendCombinationToDatabase(0, s.events), 1);
    EXPECT_EQ(s.count(kCombinations), 1);
    EXPECT_EQ(s.engine.sendDrumKitToDatabase(1), 1);
    EXPECT_EQ(s.engine.sendDrumKitToDatabase(0), 1);
    EXPECT_EQ(s.count(kKits), 1);
    EXPECT_EQ(s.db.drumKit(1).drumKit()[419], s.pcg.image.drumKit(1)[419]) << "the first kept";
}

TEST(ToDatabase, DrumProgramsAreOneEntryOnlyWhenTheirKitsAreEqual) {
    PcgBuilder b;
    b.drumKit(0, 1).drumKit(1, 1).drumKit(2, 2);
    b.drumProgram(0, "DRUMS A", 0, 9)
        .drumProgram(1, "DRUMS B", 1, 9)
        .drumProgram(2, "DRUMS C", 2, 9);
    TransferSetup s(b);
    EXPECT_EQ(s.engine.sendProgramToDatabase(0), 1);
    EXPECT_EQ(s.engine.sendProgramToDatabase(1), 1) << "equal kits in slots 0 and 1";
    EXPECT_EQ(s.engine.sendProgramToDatabase(2), 2) << "another kit";
    EXPECT_EQ(s.count(kPrograms), 2);
    EXPECT_EQ(s.count(kKits), 2);
    EXPECT_EQ(s.db.program(1).drumKitId(), 1);
    EXPECT_EQ(s.db.program(2).drumKitId(), 2);
    EXPECT_EQ(s.db.program(1).program()[12], 0) << "the entry keeps its own kit slot byte";

    // Kit slot bytes of 4 and more: minus the byte, no kit entry.
    b.drumProgram(3, "FAR", 7, 9).drumProgram(4, "FARTHER", 255, 9);
    s.import(b);
    EXPECT_EQ(s.engine.sendProgramToDatabase(3), 3);
    EXPECT_EQ(s.db.program(3).drumKitId(), -7);
    EXPECT_EQ(s.engine.sendProgramToDatabase(4), 4);
    EXPECT_EQ(s.db.program(4).drumKitId(), -255);
    EXPECT_EQ(s.count(kKits), 2);
}

TEST(ToDatabase, TimbresStoreZeroMinusOneOrTheirProgramAndReportMissingPrograms) {
    PcgBuilder b;
    b.program(0, "P0").program(1, "P1", {.voice = 2}).program(3, "P3", {.voice = 3});
    b.program(150, "P150", {.voice = 4});
    b.combination(
        10, "MIX",
        {plays(0), plays(1), off(3), plays(1), outside(0), plays(150), plays(107), off(107)});
    TransferSetup s(b);
    s.events.push_back("stale");  // the single sends never clear the list
    EXPECT_EQ(s.engine.sendCombinationToDatabase(10, s.events), 1);
    EXPECT_EQ(timbreIds(s.db.combination(1)),
              (std::array<std::int32_t, 8>{1, 2, 0, 2, -1, 3, 0, 0}));
    EXPECT_EQ(s.events, (std::vector<std::string>{
                            "stale", "Program B7 of this combination is not present."}));
    EXPECT_EQ(s.count(kPrograms), 3) << "the disabled timbre's used slot 3 is not sent";
    EXPECT_EQ(entryName(s.db.program(3)), "P150");

    // A slot byte of 200 or more names no slot: reported like an empty slot, labelled B and the
    // byte minus 100.
    b.combination(11, "ODD", {plays(250), plays(5), plays(200)});
    s.import(b);
    s.events.clear();
    EXPECT_EQ(s.engine.sendCombinationToDatabase(11, s.events), 2);
    EXPECT_EQ(timbreIds(s.db.combination(2)), (std::array<std::int32_t, 8>{}));
    EXPECT_EQ(s.events,
              (std::vector<std::string>{"Program B150 of this combination is not present.",
                                        "Program A5 of this combination is not present.",
                                        "Program B100 of this combination is not present."}));
}

TEST(ToDatabase, EmptyOrImpossibleSlotsSendNothing) {
    PcgBuilder b;
    b.program(0, "P").combination(0, "C", {plays(0)});
    TransferSetup s(b);
    for (int slot : {-1, 1, 200, 100000}) {
        EXPECT_EQ(s.engine.sendProgramToDatabase(slot), -1);
        EXPECT_EQ(s.engine.sendCombinationToDatabase(slot, s.events), -1);
    }
    for (int kit : {-1, 4})
        EXPECT_EQ(s.engine.sendDrumKitToDatabase(kit), -1);
    EXPECT_EQ(s.count(kPrograms), 0);
    EXPECT_EQ(s.count(kCombinations), 0);
    EXPECT_EQ(s.count(kKits), 0);
    EXPECT_TRUE(s.events.empty());
    EXPECT_EQ(s.file(kPrograms).size(), 264u);

    // A flag counts only when it is exactly 1.
    s.pcg.occupancy.programUsed[0] = 2;
    EXPECT_EQ(s.engine.sendProgramToDatabase(0), -1);
}

TEST(ToDatabase, SendOnlyCombinationsStoresExactlyThePlayedPrograms) {
    PcgBuilder b;
    b.program(0, "PLAYED", {.voice = 1}).program(1, "UNPLAYED", {.voice = 2});
    b.program(2, "OFF", {.voice = 3}).drumProgram(3, "DRUMS", 2, 4).drumKit(2, 6).drumKit(0, 7);
    b.combination(0, "A", {plays(0), off(2), plays(3)}).combination(150, "B", {plays(0), plays(9)});
    TransferSetup s(b);
    std::vector<ProgressBar> bars;
    s.engine.sendOnlyCombinationsOfPcg(s.events, [&](ProgressBar bar) { bars.push_back(bar); });
    EXPECT_EQ(bars, std::vector<ProgressBar>(200, ProgressBar::Combinations));
    EXPECT_EQ(s.count(kCombinations), 2);
    ASSERT_EQ(s.count(kPrograms), 2);
    EXPECT_EQ(entryName(s.db.program(1)), "PLAYED");
    EXPECT_EQ(entryName(s.db.program(2)), "DRUMS");
    EXPECT_EQ(s.count(kKits), 1) << "the kit of the played drum program only";
    EXPECT_EQ(s.events, std::vector<std::string>{"Program A9 of this combination is not present."});

    TransferSetup p(b);
    bars.clear();
    p.events.push_back("old");
    p.engine.sendOnlyProgramsOfPcg(p.events, [&](ProgressBar bar) { bars.push_back(bar); });
    EXPECT_EQ(bars, std::vector<ProgressBar>(200, ProgressBar::Programs));
    EXPECT_TRUE(p.events.empty());
    EXPECT_EQ(p.count(kPrograms), 4);
    EXPECT_EQ(p.count(kCombinations), 0);
    EXPECT_EQ(p.count(kKits), 1);
}

TEST(ToDatabase, SendToDatabaseSendsTheOneSlotAfterClearingTheEvents) {
    PcgBuilder b;
    b.program(105, "B05").combination(107, "C", {plays(3)});
    TransferSetup s(b);
    s.events.push_back("old");
    s.engine.sendSlotToDatabase(pcg::SlotKind::Program, 105, s.events);
    EXPECT_TRUE(s.events.empty());
    EXPECT_EQ(s.count(kPrograms), 1);
    s.engine.sendSlotToDatabase(pcg::SlotKind::Combination, 107, s.events);
    EXPECT_EQ(s.events, std::vector<std::string>{"Program A3 of this combination is not present."});
    EXPECT_EQ(s.count(kCombinations), 1);
    s.engine.sendSlotToDatabase(pcg::SlotKind::Combination, 108, s.events);
    EXPECT_TRUE(s.events.empty());
    EXPECT_EQ(s.count(kCombinations), 1);
}

TEST(ToDatabase, AFullDiskStopsTheSendAndLosesNothing) {
    PcgBuilder b;
    b.program(0, "P0").program(1, "P1", {.voice = 2}).combination(0, "C", {plays(0), plays(1)});
    TransferSetup s(b);
    s.engine.sendProgramToDatabase(0);
    const auto prg = s.file(kPrograms);

    // The record of program 2 is written half, then the disk is full.
    auto fault = std::make_unique<FailNth>(FailNth::Op::ShortWrite, 1);
    EXPECT_THROW(s.engine.sendPcgToDatabase(s.events, {}), io::FileError);
    fault.reset();
    EXPECT_EQ(s.count(kPrograms), 1);
    EXPECT_EQ(s.count(kCombinations), 0);
    const auto after = s.file(kPrograms);
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + 2 * 264, prg.begin()));

    // The record is written but the count is not: the record beyond the count is no entry.
    fault = std::make_unique<FailNth>(FailNth::Op::Write, 2);
    EXPECT_THROW(s.engine.sendProgramToDatabase(1), io::FileError);
    fault.reset();
    EXPECT_EQ(s.count(kPrograms), 1);
    EXPECT_EQ(s.engine.sendProgramToDatabase(1), 2) << "stored now, under the next number";
    EXPECT_EQ(s.engine.sendProgramToDatabase(1), 2);
    s.engine.sendPcgToDatabase(s.events, {});
    EXPECT_EQ(s.count(kPrograms), 2);
    EXPECT_EQ(s.count(kCombinations), 1);
    EXPECT_EQ(timbreIds(s.db.combination(1)), (std::array<std::int32_t, 8>{1, 2}));
}

// A combination's timbre bytes are slot numbers of its own PCG; what it plays once stored is the
// program entries they led to. The same bytes playing other programs are another combination.
TEST(ToDatabase, ACombinationPlayingOtherProgramsIsStoredAgainNamingThem) {
    PcgBuilder b;
    b.program(0, "PIANO", {.osc1 = 10}).program(3, "STRINGS", {.osc1 = 20, .voice = 2});
    b.combination(0, "Piano Str", {plays(0), plays(3), plays(5)});
    TransferSetup s(b, "/music/first.pcg");
    s.engine.sendPcgToDatabase(s.events, {});
    const auto prg = s.file(kPrograms), cmb = s.file(kCombinations);
    ASSERT_EQ(s.count(kCombinations), 1);

    PcgBuilder copy = b;  // program A00 differs in two bytes, the combination is unchanged
    copy.image().program(0)[20] ^= 0x01;
    copy.image().program(0)[90] ^= 0x40;
    s.import(copy, "/music/second.pcg");
    s.engine.sendPcgToDatabase(s.events, {});
    ASSERT_EQ(s.count(kPrograms), 3);
    ASSERT_EQ(s.count(kCombinations), 2);
    const auto prg2 = s.file(kPrograms), cmb2 = s.file(kCombinations);
    EXPECT_TRUE(std::equal(prg.begin() + 264, prg.end(), prg2.begin() + 264)) << "kept as stored";
    EXPECT_TRUE(std::equal(cmb.begin() + 264, cmb.end(), cmb2.begin() + 264));
    EXPECT_TRUE(
        std::ranges::equal(std::span(cmb2).subspan(2 * 264, 136), copy.image().combination(0)));
    EXPECT_EQ(le32(cmb2, 2 * 264 + 136), 2) << "idNumber";
    EXPECT_EQ(timbreIds(s.db.combination(2)), (std::array<std::int32_t, 8>{3, 2, 0}));
    EXPECT_EQ(timbreIds(s.db.combination(1)), (std::array<std::int32_t, 8>{1, 2, 0}));
    EXPECT_EQ(s.db.combination(2).explanation(), "From: /music/second.pcg");
    EXPECT_EQ(s.events, std::vector<std::string>{"Program A5 of this combination is not present."})
        << "written for the combination stored";

    // Sent again, alone or with the whole PCG: found, nothing stored, no line.
    for (int round = 0; round < 2; ++round) {
        if (round == 0)
            s.engine.sendSlotToDatabase(pcg::SlotKind::Combination, 0, s.events);
        else
            s.engine.sendPcgToDatabase(s.events, {});
        EXPECT_TRUE(s.events.empty());
        EXPECT_EQ(s.file(kPrograms), prg2);
        EXPECT_EQ(s.file(kCombinations), cmb2);
    }
    EXPECT_EQ(s.engine.sendCombinationToDatabase(0, s.events), 2);
}
