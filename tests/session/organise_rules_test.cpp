// Classify by Rules and Replace in Names as commands: one undo step each that gives back the
// exact bytes, no step for a run that changes nothing, and the summary lines.
#include "session/organise_rules.h"

#include <gtest/gtest.h>

#include "db_builder.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using db::Kind;

TEST(OrganiseRules, ClassifyIsOneUndoStepAndChangesNothingTwice) {
    TestDatabase db;
    db.addClass("Pads");
    for (int k = 2; k <= 10; ++k)
        db.addClass("K" + std::to_string(k));
    db.addProgram("Pad 1");
    db.addProgram("PAD FULL", {}, {.classIds = {2, 3, 4, 5, 6, 7, 8, 9, 10}});
    db.addCombination("PadSplit", {});
    const DatabaseSnapshot before(db);
    classes::ClassRule pads{.text = "pad", .classId = 1, .classPath = "Pads"};

    const session::ClassifyResult r = session::classifyByRules(db.session(), {pads});
    EXPECT_EQ(r.summary, "Gave 2 classes to 2 entries; 1 entry holds nine classes");
    EXPECT_EQ(session::ruleOutcomeText(r.preview.rules[0]),
              "2 gain the class, 0 have it, 1 holds nine classes");
    EXPECT_EQ(db.session().undoLog().undoName(), "Classify by Rules");
    const DatabaseSnapshot after(db);

    const session::ClassifyResult again = session::classifyByRules(db.session(), {pads});
    EXPECT_EQ(again.summary, "No entry gains a class; 1 entry holds nine classes");
    EXPECT_EQ(session::ruleOutcomeText(again.preview.rules[0]),
              "0 gain the class, 2 have it, 1 holds nine classes");
    db.session().undoLog().undo();
    EXPECT_EQ(DatabaseSnapshot(db), before) << "the run that changed nothing left no step";
    EXPECT_FALSE(db.session().undoLog().canUndo());
    db.session().undoLog().redo();
    EXPECT_EQ(DatabaseSnapshot(db), after);
}

TEST(OrganiseRules, ReplaceInNamesIsOneUndoStep) {
    TestDatabase db;
    db.addProgram("PIANO 1");
    db.addProgram("Piano \xE9");
    db.addProgram("ORGAN");
    const DatabaseSnapshot before(db);
    const db::NameEdit edit{.find = "piano", .replacement = "Grand Pia"};

    EXPECT_EQ(session::namesPlanSummary(
                  db::planNames(db::storedNames(db.files(), Kind::Program, {1, 2, 3}), edit)),
              "2 names change, 2 of them cut to ten characters; 1 stays as it is");
    const session::RenameResult r =
        session::replaceInNames(db.session(), Kind::Program, {1, 2, 3}, edit);
    EXPECT_EQ(r.summary, "Renamed 2 programs; 2 names cut to ten characters");
    EXPECT_EQ(db::storedName(db.files(), Kind::Program, 2), "Grand Pia ");
    EXPECT_EQ(db.session().undoLog().undoName(), "Replace in Names");

    const session::RenameResult none =
        session::replaceInNames(db.session(), Kind::Program, {3}, edit);
    EXPECT_EQ(none.summary, "No name changed");
    db.session().undoLog().undo();
    EXPECT_EQ(DatabaseSnapshot(db), before);
    EXPECT_FALSE(db.session().undoLog().canUndo());
}
