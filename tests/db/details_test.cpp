#include "db/details.h"

#include <gtest/gtest.h>

#include "db/class_tree.h"
#include "db/listing.h"
#include "db_builder.h"

using namespace pelvaro;
using namespace pelvaro::db;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;

namespace {
const std::array<std::string, 10> kNoClasses = {" ", " ", " ", " ", " ", " ", " ", " ", " ", " "};
}

TEST(Details, ProgramFields) {
    TestDatabase db;
    const int keys = db.addClass("Keys");
    const int piano = db.addClass("Piano", keys);
    const int grand = db.addClass("Grand", piano);
    db.addProgram("PIANO 1", {}, {.classIds = {grand, 0, keys}, .explanation = "From: a\r\nb"});
    db.addProgram("DRUMS", {.oscMode = 2, .kitSlot = 5}, {.drumKitId = -5});
    db.addProgram("KIT", {.oscMode = 2}, {.drumKitId = 3});

    const ProgramDetails d = programDetails(db.files(), 1);
    EXPECT_EQ(d.idNumber, "1");
    EXPECT_EQ(d.drumId, "-----------");
    EXPECT_EQ(d.name, "PIANO 1");
    EXPECT_EQ(d.explanation, "From: a\nb");
    EXPECT_EQ(d.classes, (std::array<std::string, 10>{"Keys->Piano->Grand", " ", "Keys", " ", " ",
                                                      " ", " ", " ", " ", " "}));
    EXPECT_EQ(programDetails(db.files(), 2).drumId, "-5");
    EXPECT_EQ(programDetails(db.files(), 2).classes, kNoClasses);
    EXPECT_EQ(programDetails(db.files(), 3).drumId, "3");
    EXPECT_EQ(programDetails(db.files(), 3).idNumber, "3");

    const ClassTree tree = ClassTree::read(db.files());
    EXPECT_EQ(tree.path(0), "No Class");
    EXPECT_EQ(tree.path(keys), "Keys");
    EXPECT_EQ(tree.path(grand), "Keys->Piano->Grand");
    EXPECT_EQ(tree.path(4), "") << "no such class";
    EXPECT_EQ(tree.path(-1), "");
}

TEST(Details, CombinationFieldsAndTheTimbreIds) {
    TestDatabase db;
    db.addClass("Split");
    db.addCombination(
        "SPLIT", {plays(0), off(), off(), plays(1), off(), outside(2)},
        {.timbreProgramIds = {4, 0, 0, 9, 0, -1, 0, 0}, .classIds = {1}, .explanation = "two"});
    const CombinationDetails d = combinationDetails(db.files(), 1);
    EXPECT_EQ(d.idNumber, "1");
    EXPECT_EQ(d.name, "SPLIT");
    EXPECT_EQ(d.explanation, "two");
    EXPECT_EQ(d.classes[0], "Split");
    EXPECT_EQ(d.classes[1], " ");
    EXPECT_EQ(d.timbreIds, (std::vector<std::string>{"4", "9", "GM"}));
}

TEST(Details, EachPanelShowsTheEntryOfTheFocusedRowOfItsList) {
    TestDatabase db;
    DetailPanels p = entryDetails(db.files(), std::nullopt, std::nullopt);
    EXPECT_FALSE(p.program);
    EXPECT_FALSE(p.combination);

    db.addProgram("A");
    db.addProgram("B");
    db.addCombination("C", {});
    p = entryDetails(db.files(), 2, 1);
    ASSERT_TRUE(p.program);
    EXPECT_EQ(p.program->name, "B");
    ASSERT_TRUE(p.combination);
    EXPECT_EQ(p.combination->name, "C");
    p = entryDetails(db.files(), 1, std::nullopt);
    EXPECT_EQ(p.program->name, "A");
    EXPECT_FALSE(p.combination);
}

TEST(Submit, WritesTheNameIntoItsTenBytesAndNothingElse) {
    TestDatabase db;
    db.addProgram("PIANO 1", {.osc1 = 7}, {.drumKitId = 0, .classIds = {0}, .explanation = "x"});
    DbProgramEntry before = db.program(1);

    ASSERT_TRUE(submitProgram(db.files(), 1, "AB", "x"));
    DbProgramEntry after = db.program(1);
    const std::array<Byte, 10> name = {'A', 'B', 0, 'N', 'O', ' ', '1', 0, 0, 0};
    EXPECT_TRUE(std::equal(name.begin(), name.end(), after.bytes.begin()));
    EXPECT_TRUE(
        std::equal(before.bytes.begin() + 10, before.bytes.end(), after.bytes.begin() + 10));
    EXPECT_EQ(entryName(after), "AB");
    const ListRefill r = listRows(db.files(), {}, Kind::Program);
    EXPECT_EQ(rowLabel(db.files(), Kind::Program, r.programRowIds, 0), "1     AB      ");

    ASSERT_TRUE(submitProgram(db.files(), 1, "ABCDEFGHIJ", "x"));
    after = db.program(1);
    EXPECT_EQ(std::string(after.bytes.begin(), after.bytes.begin() + 10), "ABCDEFGHIJ");
    EXPECT_EQ(after.bytes[10], before.bytes[10]) << "oscMode";
    ASSERT_TRUE(submitProgram(db.files(), 1, "ABCDEFGHIJKLM", "x"));
    EXPECT_TRUE(std::equal(after.bytes.begin(), after.bytes.end(), db.program(1).bytes.begin()))
        << "a longer name is cut to ten";

    ASSERT_TRUE(submitProgram(db.files(), 1, "", "x"));
    EXPECT_EQ(db.program(1).bytes[0], 0);
    EXPECT_EQ(db.program(1).bytes[1], 'B');
    EXPECT_EQ(rowLabel(db.files(), Kind::Program, r.programRowIds, 0), "1           ");
}

TEST(Submit, TheExplanationWithItsZeroByteAndLineBreaksAsCarriageReturnAndLineFeed) {
    TestDatabase db;
    const std::string long79(79, 'z');
    db.addCombination("C", {},
                      {.timbreProgramIds = {1, -1}, .classIds = {0, 0}, .explanation = long79});
    db.addProgram("P");
    const DbCombinationEntry before = db.combination(1);

    ASSERT_TRUE(submitCombination(db.files(), 1, "C", "a\nb"));
    const DbCombinationEntry after = db.combination(1);
    const std::string stored(after.bytes.begin() + 140, after.bytes.begin() + 140 + 80);
    EXPECT_EQ(stored, std::string("a\r\nb") + '\0' + std::string(74, 'z') + '\0')
        << "the bytes after the zero byte keep what they held";
    EXPECT_TRUE(
        std::equal(before.bytes.begin() + 220, before.bytes.end(), after.bytes.begin() + 220));
    EXPECT_EQ(after.idNumber(), 1);
    EXPECT_EQ(combinationDetails(db.files(), 1).explanation, "a\nb");

    EXPECT_EQ(storedExplanation("x\r\ny\rz"), "x\r\ny\r\nz");
    EXPECT_EQ(storedExplanation(std::string(100, 'q')), std::string(79, 'q'));
    EXPECT_EQ(storedExplanation(std::string(78, 'q') + "\nr"), std::string(78, 'q'))
        << "a line break is two characters and is not cut in two";
    EXPECT_EQ(storedExplanation(std::string(77, 'q') + "\n"), std::string(77, 'q') + "\r\n");

    // No entry behind the ID (an empty list): nothing is written.
    const auto file = db.fileBytes(Kind::Combination);
    EXPECT_FALSE(submitCombination(db.files(), 0, "X", "y"));
    EXPECT_FALSE(submitCombination(db.files(), 2, "X", "y"));
    EXPECT_EQ(db.fileBytes(Kind::Combination), file);
}
