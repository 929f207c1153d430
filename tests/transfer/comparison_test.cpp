// Two sounds side by side: the fields a musician reads, every differing byte after the name with
// its offset and both values, whether the matching rule looks at it, and the verdict.
#include "transfer/comparison.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "db_builder.h"
#include "pcg_builder.h"

using namespace pelvaro;
using namespace pelvaro::synthetic;
using pelvaro::testing::TestDatabase;
using transfer::Comparison;

namespace {

// A differing byte as the Compare window lists it: offset, left, right (hex), compared.
std::string line(int offset, Byte left, Byte right, bool compared) {
    char text[32];
    std::snprintf(text, sizeof text, "%d %02X %02X %s", offset, left, right,
                  compared ? "yes" : "no");
    return text;
}

std::vector<std::string> listed(const Comparison& c) {
    std::vector<std::string> lines;
    for (const transfer::ByteDifference& d : c.bytes)
        lines.push_back(line(d.offset, d.left, d.right, d.compared));
    return lines;
}

pcg::ConstProgramBytes asProgram(const std::vector<Byte>& bytes) {
    return pcg::ConstProgramBytes(bytes.data(), pcg::kProgramSize);
}
pcg::ConstCombinationBytes asCombination(const std::vector<Byte>& bytes) {
    return pcg::ConstCombinationBytes(bytes.data(), pcg::kCombinationSize);
}

// A byte of a record set to a value of its own; returns the line the comparison lists for it.
std::string change(std::vector<Byte>& record, int offset, Byte value, bool compared) {
    const Byte was = record[static_cast<std::size_t>(offset)];
    EXPECT_NE(was, value) << "byte " << offset;
    record[static_cast<std::size_t>(offset)] = value;
    return line(offset, was, value, compared);
}

}  // namespace

TEST(Comparison, ProgramFieldsBytesAndVerdicts) {
    const auto piano = makeProgram("PIANO 1", {.osc1 = 300, .voice = 4});
    const auto pad = makeProgram("PAD", {.oscMode = 1, .osc1 = 20, .osc2 = 513, .voice = 5});
    const auto drums = makeProgram("DRUMS", {.oscMode = 2, .kitSlot = 3, .voice = 4});

    Comparison c = transfer::comparePrograms({"PIANO 1", asProgram(piano), ""},
                                             {"PAD", asProgram(pad), ""}, false);
    EXPECT_EQ(c.labels, (std::vector<std::string>{"Name", "Mode", "Oscillator 1 sound",
                                                  "Oscillator 2 sound", "Drum kit"}));
    EXPECT_EQ(c.left, (std::vector<std::string>{"PIANO 1", "Single", "300", "", ""}));
    EXPECT_EQ(c.right, (std::vector<std::string>{"PAD", "Double", "20", "513", ""}));
    c = transfer::comparePrograms({"DRUMS", asProgram(drums), "slot 3"},
                                  {"PIANO 1", asProgram(piano), ""}, true);
    EXPECT_EQ(c.left, (std::vector<std::string>{"DRUMS", "Drums", "", "", "slot 3"}));
    // One drum program: its kit slot is oscillator 1's low byte to the other, compared as such
    // (300 is 2C 01); the other parameter bytes come from the same voice.
    std::vector<std::string> expected{"10 02 00 yes", "12 03 2C yes"};
    if (drums[13] != 0x01) expected.push_back(line(13, drums[13], 0x01, true));
    EXPECT_EQ(listed(c), expected);
    EXPECT_EQ(c.comparedDifferences, static_cast<int>(expected.size()));

    // The name never counts and is never listed, whatever its length.
    const auto renamed = makeProgram("LONGERNAME", {.osc1 = 300, .voice = 4});
    c = transfer::comparePrograms({"PIANO 1", asProgram(piano), ""},
                                  {"LONGERNAME", asProgram(renamed), ""}, false);
    EXPECT_TRUE(c.bytes.empty());
    EXPECT_EQ(c.comparedDifferences, 0);
    EXPECT_EQ(c.verdict, "identical apart from the name");
    c = transfer::comparePrograms({"PIANO 1", asProgram(piano), ""},
                                  {"PIANO 1", asProgram(piano), ""}, false);
    EXPECT_TRUE(c.bytes.empty());
    EXPECT_EQ(c.verdict, "identical");

    // Three compared bytes (the first and the last of the range among them) and the uncompared
    // tail, listed in ascending order; only the three count.
    auto other = renamed;
    expected.clear();
    expected.push_back(change(other, 10, 1, true));
    expected.push_back(change(other, 77, 0xA5, true));
    expected.push_back(change(other, 161, 0xFF, true));
    expected.push_back(change(other, 162, 0x80, false));
    expected.push_back(change(other, 163, 0x7F, false));
    c = transfer::comparePrograms({"PIANO 1", asProgram(piano), ""},
                                  {"LONGERNAME", asProgram(other), ""}, false);
    EXPECT_EQ(listed(c), expected);
    EXPECT_EQ(c.comparedDifferences, 3);
    EXPECT_EQ(c.verdict, "different in 3 bytes");
    EXPECT_EQ(c.right[1], "Double");

    // The tail alone: listed, not a difference.
    auto tail = piano;
    const std::string tailLine = change(tail, 163, 0xEE, false);
    c = transfer::comparePrograms({"PIANO 1", asProgram(piano), ""},
                                  {"PIANO 1", asProgram(tail), ""}, false);
    EXPECT_EQ(listed(c), std::vector<std::string>{tailLine});
    EXPECT_EQ(c.comparedDifferences, 0);
    EXPECT_EQ(c.verdict, "identical");
    auto single = piano;
    const std::string singleLine = change(single, 100, 0x42, true);
    c = transfer::comparePrograms({"PIANO 1", asProgram(piano), ""},
                                  {"PIANO 1", asProgram(single), ""}, false);
    EXPECT_EQ(listed(c), std::vector<std::string>{singleLine});
    EXPECT_EQ(c.verdict, "different in 1 byte");
}

TEST(Comparison, ADrumProgramsKitSlotCountsOnlyWhenTheKitsDiffer) {
    const auto onKit1 = makeProgram("DRUMS", {.oscMode = 2, .kitSlot = 1, .voice = 6});
    const auto onKit2 = makeProgram("DRUMS", {.oscMode = 2, .kitSlot = 2, .voice = 6});

    // Kits of the same content: byte 12 is listed, but no difference.
    Comparison c = transfer::comparePrograms({"DRUMS", asProgram(onKit1), "slot 1"},
                                             {"DRUMS", asProgram(onKit2), "slot 2"}, true);
    EXPECT_EQ(c.left[4], "slot 1");
    EXPECT_EQ(c.right[4], "slot 2");
    EXPECT_EQ(listed(c), std::vector<std::string>{"12 01 02 no"});
    EXPECT_EQ(c.comparedDifferences, 0);
    EXPECT_EQ(c.verdict, "identical");
    c = transfer::comparePrograms({"DRUMS", asProgram(onKit1), "ID 4"},
                                  {"BEATS", asProgram(onKit2), "ID 4"}, true);
    EXPECT_EQ(c.verdict, "identical apart from the name");
    // Other bytes still count beside it.
    auto more = onKit2;
    const std::string line40 = change(more, 40, 0xC1, true);
    const std::string line90 = change(more, 90, 0xC2, true);
    c = transfer::comparePrograms({"DRUMS", asProgram(onKit1), "slot 1"},
                                  {"DRUMS", asProgram(more), "slot 2"}, true);
    EXPECT_EQ(listed(c), (std::vector<std::string>{"12 01 02 no", line40, line90}));
    EXPECT_EQ(c.comparedDifferences, 2);
    EXPECT_EQ(c.verdict, "different in 2 bytes");

    // Kits of other contents: the same bytes on the same slot still make another sound.
    c = transfer::comparePrograms({"DRUMS", asProgram(onKit1), "ID 1"},
                                  {"DRUMS", asProgram(onKit1), "ID 2"}, false);
    EXPECT_TRUE(c.bytes.empty());
    EXPECT_EQ(c.verdict, "different in the drum kit");
    // On other slots, byte 12 is a compared difference as well.
    c = transfer::comparePrograms({"DRUMS", asProgram(onKit1), "slot 1"},
                                  {"DRUMS", asProgram(onKit2), "slot 2"}, false);
    EXPECT_EQ(listed(c), std::vector<std::string>{"12 01 02 yes"});
    // The kit is no byte: the count is that of the bytes listed beside the verdict.
    EXPECT_EQ(c.verdict, "different in 1 byte and in the drum kit");
    c = transfer::comparePrograms({"DRUMS", asProgram(onKit1), "slot 1"},
                                  {"DRUMS", asProgram(more), "slot 2"}, false);
    EXPECT_EQ(listed(c), (std::vector<std::string>{"12 01 02 yes", line40, line90}));
    EXPECT_EQ(c.verdict, "different in 3 bytes and in the drum kit");
}

TEST(Comparison, CombinationFieldsBytesAndVerdicts) {
    const auto split = makeCombination("SPLIT", {plays(0), off(), outside(5), plays(107)}, 3);
    const auto copy = makeCombination("SPLIT 2", {plays(0), off(), outside(5), plays(107)}, 3);
    const std::array<std::string, 8> timbres{"A00 PIANO 1", "off", "GM",  "B07 ORGAN",
                                             "off",         "off", "off", "off"};
    std::array<std::string, 8> others = timbres;
    others[1] = "ID 7 BASS";

    Comparison c = transfer::compareCombinations({"SPLIT", asCombination(split), timbres},
                                                 {"SPLIT 2", asCombination(copy), others});
    EXPECT_EQ(c.labels,
              (std::vector<std::string>{"Name", "Timbre 1", "Timbre 2", "Timbre 3", "Timbre 4",
                                        "Timbre 5", "Timbre 6", "Timbre 7", "Timbre 8"}));
    EXPECT_EQ(c.left, (std::vector<std::string>{"SPLIT", "A00 PIANO 1", "off", "GM", "B07 ORGAN",
                                                "off", "off", "off", "off"}));
    EXPECT_EQ(c.right[0], "SPLIT 2");
    EXPECT_EQ(c.right[2], "ID 7 BASS");
    EXPECT_TRUE(c.bytes.empty());
    EXPECT_EQ(c.comparedDifferences, 0);
    EXPECT_EQ(c.verdict, "identical apart from the name");
    c = transfer::compareCombinations({"SPLIT", asCombination(split), timbres},
                                      {"SPLIT", asCombination(split), timbres});
    EXPECT_EQ(c.verdict, "identical");

    auto other = copy;
    std::vector<std::string> expected;
    expected.push_back(change(other, 10, 0xF0, true));
    expected.push_back(change(other, 64, 0x01, true));  // timbre 3's program byte
    expected.push_back(change(other, 131, 0xAB, true));
    for (int at = 132; at < 136; ++at)
        expected.push_back(change(other, at, static_cast<Byte>(0xE0 + at - 132), false));
    other[3] = 'X';  // the name
    c = transfer::compareCombinations({"SPLIT", asCombination(split), timbres},
                                      {"SPLIT 2", asCombination(other), timbres});
    EXPECT_EQ(listed(c), expected);
    EXPECT_EQ(c.comparedDifferences, 3);
    EXPECT_EQ(c.verdict, "different in 3 bytes");
}

// The sides as the lists show them: names in UTF-8 from the records' Latin-1, a kit by its entry
// (one entry: one kit) or by its content in a PCG, each timbre by what it plays.
TEST(Comparison, EntriesAndSlotsAsTheListsShowThem) {
    TestDatabase db;
    const int kit = db.addDrumKit(3);
    const int a =
        db.addProgram("Pian\xe9", {.oscMode = 2, .kitSlot = 1, .voice = 4}, {.drumKitId = kit});
    const int b =
        db.addProgram("Pian\xe9 2", {.oscMode = 2, .kitSlot = 3, .voice = 4}, {.drumKitId = kit});
    Comparison c = transfer::compareProgramEntries(db.files(), a, b);
    EXPECT_EQ(c.left[0], "Pian\xc3\xa9");
    EXPECT_EQ(c.right[4], "ID 1");
    EXPECT_EQ(c.verdict, "identical apart from the name") << "one kit entry: one kit";
    db.addCombination("SPLIT", {plays(0), off(), outside(5)}, {.timbreProgramIds = {a, 0, -1, 9}});
    c = transfer::compareCombinationEntries(db.files(), 1, 1);
    EXPECT_EQ(std::vector(c.left.begin() + 1, c.left.begin() + 5),
              (std::vector<std::string>{"ID 1 Pian\xc3\xa9", "-", "GM", "ID 9"}));

    PcgBuilder pcg;
    pcg.drumProgram(0, "KIT \xc4", 0, 7).drumProgram(1, "KIT B", 2, 7);
    pcg.drumKit(0, 5).drumKit(2, 5);  // the same kit in two slots
    pcg.combination(0, "SPLIT", {plays(1), off(), outside(5), plays(150)}, 1);
    const pcg::PcgState state = stateOf(pcg);
    c = transfer::comparePcgPrograms(state, 0, 1);
    EXPECT_EQ(c.left[0], "KIT \xc3\x84");
    EXPECT_EQ(c.right[4], "slot 2");
    EXPECT_EQ(c.verdict, "identical apart from the name") << "kits of one content are one kit";
    c = transfer::comparePcgCombinations(state, 0, 0);
    EXPECT_EQ(std::vector(c.left.begin() + 1, c.left.begin() + 5),
              (std::vector<std::string>{"A01 KIT B", "off", "GM", "empty slot B50"}));
}
