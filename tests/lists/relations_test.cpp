// The where-used lines below the detail panels: who plays a program, who shares its drum kit,
// what a combination plays; shortened on the line, listed in the tooltip, names in UTF-8.
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
