// The where-used lines below the detail panels: who plays a program, who shares its drum kit,
// what a combination plays, of the database and of the open PCG; shortened on the line, listed
// in the tooltip, names in UTF-8.
#include "lists/relations.h"

#include <gtest/gtest.h>

#include "db_builder.h"

using namespace pelvaro;
using namespace pelvaro::testing;

TEST(WhereUsed, PlayersKitSharersAndTimbres) {
    TestDatabase db;
    const int piano = db.addProgram("PIANO \xe9", {.osc1 = 10});
    const int kit = db.addDrumKit(3);
    const int one = db.addProgram("KIT ONE", {.oscMode = 2, .kitSlot = 1}, {.drumKitId = kit});
    const int two = db.addProgram("KIT TWO", {.oscMode = 2, .kitSlot = 1}, {.drumKitId = kit});
    const int lonely = db.addProgram("LONELY", {.osc1 = 11});
    db.addCombination("SPLIT", {plays(0), plays(1)}, {.timbreProgramIds = {piano, one}});
    db.addCombination("LAYER", {plays(0), plays(0)}, {.timbreProgramIds = {piano, piano}});
    db.addCombination("STACK", {plays(0), outside(3)}, {.timbreProgramIds = {two, -1, piano}});
    db::References& references = db.session().references();

    const lists::WhereUsed used = lists::programWhereUsed(db.files(), references, piano);
    EXPECT_EQ(used.line, "Played by 3 combinations: 1 SPLIT, 2 LAYER, 3 STACK");
    EXPECT_EQ(used.tip, (std::vector<std::string>{"Played by:", "1 SPLIT", "2 LAYER", "3 STACK"}));
    EXPECT_EQ(lists::programWhereUsed(db.files(), references, one).line,
              "Played by 1 combination: 1 SPLIT; its drum kit also by 1 program: 3 KIT TWO");
    EXPECT_EQ(lists::programWhereUsed(db.files(), references, lonely).line,
              "Played by no combination");

    const lists::WhereUsed stack = lists::combinationPlays(db.files(), 3);
    EXPECT_EQ(stack.line, "Plays 3 KIT TWO, GM, 1 PIANO \xc3\xa9");
    ASSERT_EQ(stack.tip.size(), 8u);
    EXPECT_EQ(stack.tip[1], "Timbre 2: GM");
    EXPECT_EQ(stack.tip[3], "Timbre 4: -");

    // Past three on the line "...", past forty in the tooltip "... and N more".
    for (int i = 0; i < 42; ++i)
        db.addCombination("MORE", {plays(0)}, {.timbreProgramIds = {lonely}});
    const lists::WhereUsed many = lists::programWhereUsed(db.files(), references, lonely);
    EXPECT_EQ(many.line, "Played by 42 combinations: 4 MORE, 5 MORE, 6 MORE, ...");
    ASSERT_EQ(many.tip.size(), 42u);
    EXPECT_EQ(many.tip.back(), "... and 2 more");
}

TEST(WhereUsed, OfTheSlotsOfThePcg) {
    PcgBuilder b;
    b.program(0, "PIANO \xe9", {.osc1 = 1})
        .program(5, "PAD", {.osc1 = 2})
        .drumProgram(2, "KIT ONE", 1, 3)
        .drumProgram(104, "KIT TWO", 1, 4);
    b.combination(0, "SPLIT", {plays(5), outside(3), off(0), plays(7), plays(210), plays(0)})
        .combination(100, "LAYER", {plays(5), plays(2)})
        .combination(3, "GHOST", {plays(7)});
    const pcg::PcgState pcg = stateOf(b);

    const lists::WhereUsed split = lists::pcgCombinationPlays(pcg, 0);
    EXPECT_EQ(split.line, "Plays A05 PAD, GM, empty slot A07, slot byte 210, A00 PIANO \xc3\xa9");
    ASSERT_EQ(split.tip.size(), 8u);
    EXPECT_EQ(split.tip[2], "Timbre 3: off");
    EXPECT_EQ(split.tip[3], "Timbre 4: empty slot A07");
    EXPECT_EQ(lists::pcgCombinationPlays(pcg, 1).line, "Empty slot");

    const lists::WhereUsed pad = lists::pcgProgramWhereUsed(pcg, 5);
    EXPECT_EQ(pad.line, "Played by 2 combinations: A00 SPLIT, B00 LAYER");
    EXPECT_EQ(pad.tip, (std::vector<std::string>{"Played by:", "A00 SPLIT", "B00 LAYER"}));
    EXPECT_EQ(lists::pcgProgramWhereUsed(pcg, 2).line,
              "Played by 1 combination: B00 LAYER; its drum kit also by 1 program: B04 KIT TWO");
    EXPECT_EQ(lists::pcgProgramWhereUsed(pcg, 7).line,
              "Empty slot, played by 2 combinations: A00 SPLIT, A03 GHOST");
    EXPECT_EQ(lists::pcgProgramWhereUsed(pcg, 8).line, "Empty slot, played by no combination");
}
