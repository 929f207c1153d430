#include "classes/class_table.h"

#include <gtest/gtest.h>

#include "db/class_tree.h"
#include "db_builder.h"

using namespace pelvaro;
using namespace pelvaro::classes;
using io::Refusal;
using namespace pelvaro::db;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;

namespace {

std::string path(TestDatabase& db, std::int32_t classId) {
    return std::string(db::ClassTree::read(db.files()).path(classId));
}

std::array<std::vector<Byte>, 3> filesOf(TestDatabase& db) {
    return {db.fileBytes(Kind::Program), db.fileBytes(Kind::Combination),
            db.fileBytes(Kind::Class)};
}

}  // namespace

TEST(ClassEditor, AFreshDatabaseShowsNoClassAndNoParentClass) {
    TestDatabase db;
    const ClassEditorContent c = classEditorContent(db.files());
    EXPECT_EQ(c.nodes, (std::vector<ClassNode>{{0, -1, "No Class"}}));
    EXPECT_EQ(c.parentChoices, (std::vector<std::string>{"No Parent Class"}));
    EXPECT_FALSE(c.full);
}

TEST(ClassEditor, EachClassSitsBelowItsParentWhateverTheNumbers) {
    TestDatabase db;
    db.addClass("Child", 3);   // 1, below Mid
    db.addClass("Top");        // 2
    db.addClass("Mid", 2);     // 3
    db.addClass("Other");      // 4
    db.addClass("Second", 3);  // 5, after Child below Mid
    const ClassEditorContent c = classEditorContent(db.files());
    EXPECT_EQ(c.nodes, (std::vector<ClassNode>{{0, -1, "No Class"},
                                               {2, -1, "Top"},
                                               {3, 1, "Mid"},
                                               {1, 2, "Child"},
                                               {5, 2, "Second"},
                                               {4, -1, "Other"}}));
    EXPECT_EQ(c.parentChoices, (std::vector<std::string>{"No Parent Class", "Child", "Top", "Mid",
                                                         "Other", "Second"}));
    EXPECT_EQ(path(db, 5), "Top->Mid->Second");
}

TEST(ClassEditor, ALoopOfParentsInADamagedFileIsShownOnceAndEnds) {
    TestDatabase db;
    db.addClass("A", 2);
    db.addClass("B", 1);
    db.addClass("C", 9);  // no such parent: shown at the top
    const ClassEditorContent c = classEditorContent(db.files());
    EXPECT_EQ(c.nodes, (std::vector<ClassNode>{
                           {0, -1, "No Class"}, {3, -1, "C"}, {1, -1, "A"}, {2, 2, "B"}}));
    EXPECT_EQ(path(db, 1), "A") << "the lowest class of the loop counts as the top";
    EXPECT_EQ(path(db, 2), "A->B");
    EXPECT_EQ(path(db, 3), "C");
}

TEST(ClassEditor, TheAddRuleAndAddingClasses) {
    TestDatabase db;
    EXPECT_FALSE(canAddClass(db.files(), "   \t", 0)) << "spaces only";
    EXPECT_FALSE(canAddClass(db.files(), "X", -1)) << "no parent chosen";
    EXPECT_FALSE(canAddClass(db.files(), "X", 1)) << "no such parent";
    EXPECT_TRUE(canAddClass(db.files(), "X", 0));
    EXPECT_EQ(addClass(db.files(), "X", -1), -1);
    EXPECT_EQ(db.files().count(Kind::Class), 0);

    EXPECT_EQ(addClass(db.files(), "X", 0), 1);
    EXPECT_EQ(addClass(db.files(), "Y", 1), 2);
    EXPECT_EQ(db.classEntry(1).name(), "X");
    EXPECT_EQ(db.classEntry(1).parentId(), 0);
    EXPECT_EQ(db.classEntry(2).parentId(), 1);
    EXPECT_EQ(le32(db.fileBytes(Kind::Class), 20), 2) << "entryCount in the header record";
    EXPECT_EQ(path(db, 2), "X->Y");
    EXPECT_EQ(path(db, 0), "No Class");

    EXPECT_EQ(addClass(db.files(), "  lead", 2), 3);
    EXPECT_EQ(db.classEntry(3).name(), "  lead") << "stored as typed";
    EXPECT_EQ(addClass(db.files(), "ABCDEFGHIJKLMNOPQRSTUVWXY", 0), 4);
    const std::vector<Byte> tur = db.fileBytes(Kind::Class);
    EXPECT_EQ(std::string(tur.begin() + 4 * 24, tur.begin() + 4 * 24 + 20),
              std::string("ABCDEFGHIJKLMNOPQRS") + '\0');
    EXPECT_EQ(le32(tur, 4 * 24 + 20), 0);
}

TEST(ClassEditor, TheTableStopsAt127Classes) {
    TestDatabase db;
    for (int k = 1; k <= 126; ++k)
        db.addClass("C" + std::to_string(k));
    EXPECT_FALSE(classEditorContent(db.files()).full);
    EXPECT_EQ(addClass(db.files(), "Last", 126), 127);
    EXPECT_TRUE(classEditorContent(db.files()).full);
    EXPECT_FALSE(canAddClass(db.files(), "More", 0));
    EXPECT_EQ(addClass(db.files(), "More", 0), -1);
    EXPECT_EQ(db.files().count(Kind::Class), 127);
}

TEST(ClassEditor, AClassInUseIsRefusedWithOneMessagePerKind) {
    TestDatabase db;
    const int a = db.addClass("A");
    const int b = db.addClass("B");
    const int c = db.addClass("C");
    db.addProgram("P1");
    db.addProgram("P2", {}, {.classIds = {0, 0, 0, 0, 0, 0, 0, 0, 0, b}});  // the last program
    db.addCombination("C1", {}, {.classIds = {a}});
    db.addCombination("C2", {}, {.classIds = {c, b}});
    const auto before = filesOf(db);

    const std::string programs =
        "This class is used by some Programs.You cannot delete it before deleting these programs.";
    const std::string combinations =
        "This class is used by some Combinations.You cannot delete it before deleting these "
        "combinations.";
    ClassDeletion d = deleteClass(db.files(), b);
    EXPECT_FALSE(d.deleted);
    EXPECT_EQ(d.refusals,
              (std::vector<Refusal>{
                  {"Cannot Delete Program", programs + "\nUsed by program 2 P2"},
                  {"Cannot Delete Program", combinations + "\nUsed by combination 2 C2"}}));
    d = deleteClass(db.files(), a);
    EXPECT_EQ(d.refusals, (std::vector<Refusal>{{"Cannot Delete Program",
                                                 combinations + "\nUsed by combination 1 C1"}}));
    EXPECT_EQ(filesOf(db), before);
    EXPECT_EQ(db.files().count(Kind::Class), 3);

    // "No Class" and numbers that are no class delete nothing.
    for (int k : {0, 4, -1}) {
        d = deleteClass(db.files(), k);
        EXPECT_FALSE(d.deleted);
        EXPECT_TRUE(d.refusals.empty());
    }
    EXPECT_EQ(filesOf(db), before);
}

TEST(ClassEditor, ARefusalNamesTheFirstEntriesThatCarryTheClassAndCountsTheOthers) {
    TestDatabase db;
    const int used = db.addClass("Pads");
    const auto secondLine = [&] {
        const ClassDeletion d = deleteClass(db.files(), used);
        EXPECT_FALSE(d.deleted);
        const std::string& text = d.refusals.at(0).text;
        return text.substr(text.find('\n') + 1);
    };
    // Names as the records hold them, in Latin-1 and padded with blanks.
    db.addProgram("Warm Pad", {}, {.classIds = {used}});
    db.addProgram("Piano");
    db.addProgram("Caf\xe9 Pad", {}, {.classIds = {0, used}});
    EXPECT_EQ(secondLine(), "Used by programs 1 Warm Pad and 3 Caf\u00e9 Pad");
    db.addProgram("Str Pad   ", {}, {.classIds = {used}});
    EXPECT_EQ(secondLine(), "Used by programs 1 Warm Pad, 3 Caf\u00e9 Pad and 4 Str Pad");
    // Beyond three, the first two and how many more.
    for (int i = 0; i < 1200; ++i)
        db.addProgram("More", {}, {.classIds = {used}});
    EXPECT_EQ(secondLine(), "Used by programs 1 Warm Pad, 3 Caf\u00e9 Pad and 1,201 more");
}

TEST(ClassEditor, AClassWithSubClassesIsRefusedAfterTheUsageScans) {
    TestDatabase db;
    const int top = db.addClass("Top");
    db.addClass("Sub", top);
    const auto before = filesOf(db);
    ClassDeletion d = deleteClass(db.files(), top);
    EXPECT_FALSE(d.deleted);
    EXPECT_EQ(d.refusals, (std::vector<Refusal>{{"Cannot Delete Class",
                                                 "This class has sub classes.You cannot delete "
                                                 "it before deleting them."}}));
    EXPECT_EQ(filesOf(db), before);

    db.addProgram("P", {}, {.classIds = {top}});
    d = deleteClass(db.files(), top);
    ASSERT_EQ(d.refusals.size(), 1u) << "only the usage message";
    EXPECT_EQ(d.refusals[0].caption, "Cannot Delete Program");
}

TEST(ClassEditor, DeletingMovesTheLastClassIntoTheFreedNumber) {
    TestDatabase db;
    db.addClass("A");       // 1, deleted
    db.addClass("Sub", 3);  // 2, below the class that moves
    db.addClass("C");       // 3, the last
    db.addProgram("P1", {}, {.classIds = {3, 2}});
    db.addProgram("P2", {}, {.classIds = {2}});
    db.addCombination("K1", {}, {.classIds = {2, 3}});
    const auto p2 = db.program(2);
    const auto turBefore = db.fileBytes(Kind::Class);

    const ClassDeletion d = deleteClass(db.files(), 1);
    EXPECT_TRUE(d.deleted);
    EXPECT_TRUE(d.refusals.empty());
    EXPECT_EQ(db.files().count(Kind::Class), 2);
    const auto tur = db.fileBytes(Kind::Class);
    ASSERT_EQ(tur.size(), 4u * 24) << "never shortened";
    EXPECT_EQ(le32(tur, 20), 2);
    EXPECT_EQ(db.classEntry(1).name(), "C");
    EXPECT_EQ(db.classEntry(1).parentId(), 0);
    EXPECT_EQ(db.classEntry(2).name(), "Sub");
    EXPECT_EQ(db.classEntry(2).parentId(), 1);
    EXPECT_TRUE(std::equal(turBefore.begin() + 72, turBefore.end(), tur.begin() + 72))
        << "the former last record stays beyond the count";
    EXPECT_EQ(db.program(1).classId(0), 1);
    EXPECT_EQ(db.program(1).classId(1), 2);
    EXPECT_EQ(db.program(2), p2) << "unchanged";
    EXPECT_EQ(db.combination(1).classId(0), 2);
    EXPECT_EQ(db.combination(1).classId(1), 1);
    EXPECT_EQ(path(db, 2), "C->Sub");

    // Deleting the last class only lowers the count.
    db.addClass("Last");
    const auto all = filesOf(db);
    EXPECT_TRUE(deleteClass(db.files(), 3).deleted);
    EXPECT_EQ(db.files().count(Kind::Class), 2);
    auto after = filesOf(db);
    EXPECT_EQ(after[0], all[0]);
    EXPECT_EQ(after[1], all[1]);
    setLe32(after[2], 20, 3);
    EXPECT_EQ(after[2], all[2]) << "only entryCount changed";
}
