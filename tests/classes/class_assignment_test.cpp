#include "classes/class_assignment.h"

#include <gtest/gtest.h>

#include "db_builder.h"

using namespace pelvaro;
using namespace pelvaro::classes;
using namespace pelvaro::db;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;

namespace {

using Lines = std::vector<std::string>;

std::array<int, 10> slotsOf(const DbProgramEntry& e) {
    std::array<int, 10> s{};
    for (int i = 0; i < 10; ++i)
        s[i] = e.classId(i);
    return s;
}
std::array<int, 10> slotsOf(const DbCombinationEntry& e) {
    std::array<int, 10> s{};
    for (int i = 0; i < 10; ++i)
        s[i] = e.classId(i);
    return s;
}

// Classes 1-12: "K1".."K12", K2 below K1.
void addClasses(TestDatabase& db) {
    db.addClass("K1");
    db.addClass("K2", 1);
    for (int k = 3; k <= 12; ++k)
        db.addClass("K" + std::to_string(k));
}

}  // namespace

TEST(ClassAssignment, SingleModeStartsWithTenUnnumberedLines) {
    TestDatabase db;
    addClasses(db);
    db.addProgram("P", {}, {.classIds = {}});
    db.addProgram("Q", {}, {.classIds = {2, 5}});
    ClassAssignment dialog;

    dialog.load(db.files(), Kind::Program, 2, {2});
    EXPECT_FALSE(dialog.severalMode());
    EXPECT_EQ(dialog.availableCount(), 12);
    EXPECT_EQ(dialog.availablePath(1), "K1->K2");
    EXPECT_EQ(dialog.selectedLines(),
              (Lines{"K1->K2", "K5", " ", " ", " ", " ", " ", " ", " ", " "}));

    dialog.load(db.files(), Kind::Program, 1, {});
    EXPECT_EQ(dialog.selectedLines(), Lines(10, " "));
    EXPECT_TRUE(dialog.addChosenClass(2));
    EXPECT_EQ(dialog.selectedLines(), (Lines{"1- K3"}));
    EXPECT_FALSE(dialog.addChosenClass(2)) << "already there";
    EXPECT_FALSE(dialog.addChosenClass(-1)) << "no row chosen";
    EXPECT_FALSE(dialog.addChosenClass(12));
    EXPECT_EQ(dialog.selectedLines(), (Lines{"1- K3"}));
}

TEST(ClassAssignment, NineClassesAtMostAndRemovalShiftsTowardsTheFront) {
    TestDatabase db;
    addClasses(db);
    db.addProgram("P");
    ClassAssignment dialog;
    dialog.load(db.files(), Kind::Program, 1, {1});
    for (int row = 0; row < 9; ++row)
        EXPECT_TRUE(dialog.addChosenClass(row));
    EXPECT_FALSE(dialog.addChosenClass(9)) << "nine classes reached";
    EXPECT_EQ(dialog.pendingClassIds()[9], 0);
    EXPECT_EQ(dialog.selectedLines().size(), 9u);
    EXPECT_EQ(dialog.selectedLines()[8], "9- K9");

    dialog.load(db.files(), Kind::Program, 1, {1});
    dialog.addChosenClass(0);
    dialog.addChosenClass(3);
    dialog.addChosenClass(6);
    EXPECT_TRUE(dialog.removeChosenSlot(1));
    EXPECT_EQ(dialog.selectedLines(), (Lines{"1- K1", "2- K7"}));
    EXPECT_FALSE(dialog.removeChosenSlot(2)) << "no such row";
    EXPECT_TRUE(dialog.removeChosenSlot(1));
    EXPECT_TRUE(dialog.removeChosenSlot(0));
    EXPECT_TRUE(dialog.selectedLines().empty());

    // OK writes the ten slots into the entry and nothing else.
    const DbProgramEntry before = db.program(1);
    dialog.addChosenClass(4);
    dialog.addChosenClass(1);
    dialog.writeClasses(db.files());
    DbProgramEntry expected = before;
    expected.setClassId(0, 5);
    expected.setClassId(1, 2);
    EXPECT_EQ(db.program(1), expected);
}

TEST(ClassAssignment, SeveralModeAppendsTheNewClassesAfterEachEntrysOwn) {
    TestDatabase db;
    addClasses(db);
    db.addCombination("TWO", {}, {.classIds = {1, 2}});
    db.addCombination("FIVE", {}, {.classIds = {3, 4, 5, 6, 7}});
    db.addCombination("NOT SELECTED", {}, {.classIds = {1}});
    ClassAssignment dialog;
    dialog.load(db.files(), Kind::Combination, 2, {1, 2});
    EXPECT_TRUE(dialog.severalMode());
    EXPECT_EQ(dialog.selectedLines(), (Lines{"1- Unavaible", "2- Unavaible", "3- Unavaible",
                                             "4- Unavaible", "5- Unavaible"}));
    EXPECT_FALSE(dialog.removeChosenSlot(0)) << "a locked slot";

    EXPECT_TRUE(dialog.addChosenClass(1));  // K2, which TWO has
    EXPECT_TRUE(dialog.addChosenClass(7));  // K8
    EXPECT_TRUE(dialog.addChosenClass(2));  // K3, which FIVE has
    EXPECT_TRUE(dialog.addChosenClass(9));  // K10
    EXPECT_FALSE(dialog.addChosenClass(10)) << "at most four more";
    EXPECT_EQ(dialog.selectedLines().back(), "9- K10");
    EXPECT_EQ(dialog.selectedLines()[5], "6- K1->K2");
    const auto other = db.combination(3);

    dialog.writeClasses(db.files());
    EXPECT_EQ(slotsOf(db.combination(1)), (std::array<int, 10>{1, 2, 8, 3, 10, 0, 0, 0, 0, 0}));
    EXPECT_EQ(slotsOf(db.combination(2)), (std::array<int, 10>{3, 4, 5, 6, 7, 2, 8, 10, 0, 0}));
    EXPECT_EQ(db.combination(3), other);
}

TEST(ClassAssignment, SeveralModeWithAFullEntryChangesNothing) {
    TestDatabase db;
    addClasses(db);
    db.addProgram("FULL", {}, {.classIds = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}});
    db.addProgram("NONE");
    const auto file = db.fileBytes(Kind::Program);
    ClassAssignment dialog;
    dialog.load(db.files(), Kind::Program, 1, {1, 2});
    EXPECT_EQ(dialog.selectedLines().size(), 10u);
    EXPECT_EQ(dialog.selectedLines()[9], "10- Unavaible");
    EXPECT_FALSE(dialog.addChosenClass(11));
    dialog.writeClasses(db.files());
    EXPECT_EQ(db.fileBytes(Kind::Program), file);
}

TEST(ClassAssignment, RowsFollowTheSlotsTheyShowAndClassesAbove127CannotBePut) {
    TestDatabase db;
    for (int k = 1; k <= 128; ++k)
        db.addClass("K" + std::to_string(k));
    // Stored with a gap, as no dialog would leave it.
    db.addProgram("GAP", {}, {.classIds = {1, 0, 0, 0, 0, 0, 0, 0, 0, 5}});
    ClassAssignment dialog;
    dialog.load(db.files(), Kind::Program, 1, {});
    EXPECT_EQ(dialog.availableCount(), 128);
    EXPECT_FALSE(dialog.addChosenClass(127)) << "class 128 fits no slot";
    EXPECT_TRUE(dialog.addChosenClass(126));
    EXPECT_EQ(dialog.selectedLines(), (Lines{"1- K1", "2- K127", "10- K5"}));
    EXPECT_TRUE(dialog.removeChosenSlot(2));
    EXPECT_EQ(dialog.selectedLines(), (Lines{"1- K1", "2- K127"}));
    dialog.writeClasses(db.files());
    EXPECT_EQ(slotsOf(db.program(1)), (std::array<int, 10>{1, 127, 0, 0, 0, 0, 0, 0, 0, 0}));
}
