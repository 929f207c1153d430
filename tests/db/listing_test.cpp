#include "db/listing.h"

#include <gtest/gtest.h>

#include "db/class_tree.h"
#include "db/database_file.h"
#include "db/details.h"
#include "db/row_choice.h"
#include "db_builder.h"
#include "random_changes.h"

using namespace pelvaro;
using namespace pelvaro::db;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;

namespace {

using Rows = std::vector<std::int32_t>;

Rows programRows(TestDatabase& db, const ListFilter& f) {
    const ListRefill r = listRows(db.files(), f, Kind::Program);
    EXPECT_TRUE(r.programsRefilled);
    return r.programRowIds;
}

Rows combinationRows(TestDatabase& db, const ListFilter& f) {
    const ListRefill r = listRows(db.files(), f, Kind::Combination);
    EXPECT_TRUE(r.combinationsRefilled);
    return r.combinationRowIds;
}

ListFilter byName(std::string text) {
    return ListFilter{.nameText = std::move(text)};
}
ListFilter byClass(std::int32_t k) {
    return ListFilter{.classId = k};
}
ListFilter byReference(std::int32_t ref) {
    return ListFilter{.reference = ref};
}
ListFilter bySound(std::int32_t from, std::int32_t to) {
    return ListFilter{.soundFrom = from, .soundTo = to};
}

}  // namespace

TEST(RowLabel, PutsTheNameAfterTheSixthCharacterOfTheNumberAndElevenBlanks) {
    EXPECT_EQ(rowLabel(1, "ABC"), "1     ABC      ");
    EXPECT_EQ(rowLabel(12, "ABC"), "12    ABC       ");
    EXPECT_EQ(rowLabel(123456, "ABC"), "123456ABC           ");
    EXPECT_EQ(rowLabel(1234567, "ABC"), "123456ABC7           ")
        << "the name always goes in after the sixth character";
    EXPECT_EQ(rowLabel(3, ""), "3           ");
    EXPECT_EQ(rowLabel(1, " PAD "), "1      PAD       ") << "names are not trimmed";

    TestDatabase db;
    db.addProgram("PIANO 1");
    db.addProgram("ABCDEFGHIJ");
    const Rows ids{2, 1};
    EXPECT_EQ(rowLabel(db.files(), Kind::Program, ids, 0), "1     ABCDEFGHIJ      ");
    EXPECT_EQ(rowLabel(db.files(), Kind::Program, ids, 1), "2     PIANO 1      ");
    EXPECT_EQ(rowLabel(db.files(), Kind::Program, Rows{9}, 0), "1           ")
        << "an ID that names no entry";
}

TEST(Listing, AnEmptyDatabaseGivesEmptyListsAndTwoClassChoices) {
    TestDatabase db;
    const ListRefill r = listRows(db.files(), {}, Kind::Combination);
    EXPECT_TRUE(r.programsRefilled);
    EXPECT_TRUE(r.combinationsRefilled);
    EXPECT_TRUE(r.programRowIds.empty());
    EXPECT_TRUE(r.combinationRowIds.empty());
    EXPECT_EQ(r.classChoices, (std::vector<std::string>{" ", "No Class"}));

    db.addClass("Keys");
    db.addClass("Piano", 1);
    EXPECT_EQ(listRows(db.files(), {}, Kind::Program).classChoices,
              (std::vector<std::string>{" ", "No Class", "Keys", "Piano"}))
        << "names, not paths";
}

TEST(Listing, TheNameTestIsASubstringInUpperCaseOfTheCodePage) {
    TestDatabase db;
    db.addProgram("PIANO 1");
    db.addProgram("ORGAN");
    db.addProgram("GrandPiano");
    db.addProgram("\xE9lan");  // élan
    db.addProgram("STRASSE");
    db.addProgram(
        "stra\xDF"
        "e");  // straße: ß has no capital of its own

    EXPECT_EQ(programRows(db, byName("pia")), (Rows{1, 3}));
    EXPECT_EQ(programRows(db, byName("\xC9LAN")), (Rows{4}));
    EXPECT_EQ(programRows(db, byName("\xE9L")), (Rows{4}));
    EXPECT_EQ(programRows(db, byName("SS")), (Rows{5}));
    EXPECT_EQ(programRows(db, byName("\xDF")), (Rows{6}));
    EXPECT_EQ(programRows(db, byName("XYZ")), Rows{});

    // The rows of a result are numbered from 1 without gaps.
    const Rows rows = programRows(db, byName("pia"));
    EXPECT_EQ(rowLabel(db.files(), Kind::Program, rows, 0), "1     PIANO 1      ");
    EXPECT_EQ(rowLabel(db.files(), Kind::Program, rows, 1), "2     GrandPiano      ");

    db.addCombination("Piano Pad", {});
    db.addCombination("BRASS", {});
    EXPECT_EQ(combinationRows(db, byName("PIANO")), (Rows{1}));

    EXPECT_EQ(upperCase8Bit('\xF7'), '\xF7') << "the division sign is no letter";
    EXPECT_EQ(upperCase8Bit('\xFF'), '\xFF');
    EXPECT_EQ(upperCase8Bit('\xFE'), '\xDE');
}

TEST(Listing, AClassFindsItsOwnEntriesAndThoseOfItsDescendantsOnly) {
    TestDatabase db;
    const int keys = db.addClass("Keys");
    const int pads = db.addClass("Pads");
    // Grand lies below Piano although its number is lower.
    const int grand = db.addClass("Grand", 4);
    const int piano = db.addClass("Piano", keys);

    db.addProgram("P-PIANO", {}, {.classIds = {piano}});
    db.addProgram("P-GRAND", {}, {.classIds = {0, 0, 0, 0, 0, 0, 0, 0, 0, grand}});
    db.addProgram("P-KEYS", {}, {.classIds = {keys}});
    db.addProgram("P-PADS", {}, {.classIds = {pads, 0}});
    db.addProgram("P-NONE");

    const ClassTree tree = ClassTree::read(db.files());
    EXPECT_EQ(tree.withDescendants(piano), (Rows{grand, piano}));
    EXPECT_EQ(tree.withDescendants(keys), (Rows{keys, grand, piano}));
    EXPECT_EQ(tree.withDescendants(0), Rows{});
    EXPECT_EQ(tree.withDescendants(-1), Rows{});
    EXPECT_EQ(tree.withDescendants(5), Rows{});

    EXPECT_EQ(programRows(db, byClass(piano)), (Rows{1, 2})) << "not P-KEYS, the parent's";
    EXPECT_EQ(programRows(db, byClass(keys)), (Rows{1, 2, 3}));
    EXPECT_EQ(programRows(db, byClass(0)), (Rows{5})) << "No Class: ten empty slots";
    EXPECT_EQ(programRows(db, byClass(-1)), (Rows{1, 2, 3, 4, 5}));
    EXPECT_EQ(programRows(db, byClass(-2)), Rows{}) << "typed text matches nothing";

    db.addCombination("C-GRAND", {}, {.classIds = {pads, grand}});
    db.addCombination("C-NONE", {});
    EXPECT_EQ(combinationRows(db, byClass(piano)), (Rows{1}));
    EXPECT_EQ(combinationRows(db, byClass(0)), (Rows{2}));
}

TEST(Listing, ReferenceAndSoundFilters) {
    TestDatabase db;
    db.addProgram("ONE-10", {.osc1 = 10});                             // 1
    db.addProgram("TWO-5-10", {.oscMode = 1, .osc1 = 5, .osc2 = 10});  // 2
    db.addProgram("TWO-15-30", {.oscMode = 1, .osc1 = 15, .osc2 = 30});
    db.addProgram("DRUM", {.oscMode = 2, .kitSlot = 10}, {.drumKitId = 5});  // byte 12 is 10
    db.addProgram("DRUM-5", {.oscMode = 2, .kitSlot = 5}, {.drumKitId = -5});
    db.addProgram("ONE-20", {.osc1 = 20, .osc2 = 10});  // a single oscillator: osc2 is no sound
    db.addProgram("ONE-300", {.osc1 = 300});

    EXPECT_EQ(programRows(db, byReference(0)), (Rows{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(programRows(db, byReference(5)), (Rows{4}));
    EXPECT_EQ(programRows(db, byReference(-5)), (Rows{5}));

    EXPECT_EQ(programRows(db, bySound(10, -1)), (Rows{1, 2})) << "a drum program never passes";
    EXPECT_EQ(programRows(db, bySound(10, 20)), (Rows{1, 2, 3, 6}));
    EXPECT_EQ(programRows(db, bySound(30, 30)), (Rows{3}));
    EXPECT_EQ(programRows(db, bySound(300, -1)), (Rows{7})) << "sounds are 16-bit numbers";
    EXPECT_EQ(programRows(db, bySound(-1, 20)), (Rows{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(programRows(db, bySound(-3, 5)), (Rows{2})) << "no oscillator is no sound";

    db.addCombination("A", {}, {.timbreProgramIds = {1, 2}});
    db.addCombination("B", {}, {.timbreProgramIds = {0, 0, 0, 0, 0, 0, 0, 3}});
    db.addCombination("C", {}, {.timbreProgramIds = {-1}});
    EXPECT_EQ(combinationRows(db, byReference(3)), (Rows{2}));
    EXPECT_EQ(combinationRows(db, byReference(2)), (Rows{1}));
    EXPECT_EQ(combinationRows(db, byReference(0)), (Rows{1, 2, 3}));
    EXPECT_EQ(combinationRows(db, byReference(-1)), (Rows{1, 2, 3}));
}

TEST(Listing, OnlyTheActiveListRefillsUnderAFilter) {
    TestDatabase db;
    db.addProgram("PIANO");
    db.addCombination("PIANO C", {});

    ListRefill r = listRows(db.files(), byName("X"), Kind::Program);
    EXPECT_TRUE(r.programsRefilled);
    EXPECT_FALSE(r.combinationsRefilled) << "the other tab keeps its rows and row ids";

    r = listRows(db.files(), byReference(3), Kind::Combination);
    EXPECT_FALSE(r.programsRefilled);
    EXPECT_TRUE(r.combinationsRefilled);
    EXPECT_TRUE(r.combinationRowIds.empty());

    // A drum ID of 0 and a "to:" value without "from:" filter nothing: both lists refill.
    r = listRows(db.files(), ListFilter{.reference = 0, .soundTo = 20}, Kind::Combination);
    EXPECT_TRUE(r.programsRefilled);
    EXPECT_TRUE(r.combinationsRefilled);
    EXPECT_EQ(r.programRowIds, (Rows{1}));
    EXPECT_EQ(r.classChoices, (std::vector<std::string>{" ", "No Class"}));

    // A filtered call refills the searched list alone.
    r = listRows(db.files(), byName("P"), Kind::Program);
    EXPECT_TRUE(r.programsRefilled);
    EXPECT_FALSE(r.combinationsRefilled);
}

TEST(SearchFields, BlankFieldsDefaultsAndTheIntegerMessage) {
    SearchParse p = parseProgramSearch({.name = " \tpia  ", .classIndex = 0});
    ASSERT_FALSE(p.error);
    EXPECT_EQ(p.filter.nameText, "pia");
    EXPECT_EQ(p.filter.reference, 0);
    EXPECT_EQ(p.filter.soundFrom, -1);
    EXPECT_EQ(p.filter.soundTo, -1);
    EXPECT_EQ(p.filter.classId, -1);

    p = parseProgramSearch(
        {.drumId = "   5 ", .soundFrom = " 10", .soundTo = "20 ", .classIndex = 3});
    ASSERT_FALSE(p.error);
    EXPECT_EQ(p.filter.reference, 5);
    EXPECT_EQ(p.filter.soundFrom, 10);
    EXPECT_EQ(p.filter.soundTo, 20);
    EXPECT_EQ(p.filter.classId, 2);

    p = parseProgramSearch({.soundTo = "20", .classIndex = 1});
    EXPECT_EQ(p.filter.soundFrom, -1);
    EXPECT_EQ(p.filter.soundTo, -1) << "a to: value without a from: value is ignored";
    EXPECT_EQ(p.filter.classId, 0) << "No Class";
    EXPECT_FALSE(p.filter.isUnfiltered());

    p = parseProgramSearch({.classIndex = -1});
    EXPECT_EQ(p.filter.classId, -2) << "no item selected";

    p = parseProgramSearch({.drumId = " 1 2 "});
    EXPECT_EQ(p.error, "'1 2' is not a valid integer value");
    p = parseProgramSearch({.soundFrom = "1", .soundTo = "2 3"});
    EXPECT_EQ(p.error, "'2 3' is not a valid integer value");
    p = parseProgramSearch({.soundFrom = "99999999999"});
    EXPECT_EQ(p.error, "'99999999999' is not a valid integer value");

    CombinationSearchFields c{.name = "pad", .programId = "3", .classIndex = 2};
    p = parseCombinationSearch(c);
    ASSERT_FALSE(p.error);
    EXPECT_EQ(p.filter.nameText, "pad");
    EXPECT_EQ(p.filter.reference, 3);
    EXPECT_EQ(p.filter.classId, 1);
    EXPECT_EQ(p.filter.soundFrom, -1);
    EXPECT_EQ(parseCombinationSearch({.programId = "4 4"}).error,
              "'4 4' is not a valid integer value");
    EXPECT_TRUE(parseCombinationSearch({.programId = "  "}).filter.isUnfiltered());

    EXPECT_EQ(trimmed("\x01 a b\x1F "), "a b");
}

// A search by name from the names kept in memory finds exactly what reading every record finds,
// through every kind of change (renames, sends, deletions that move the last entry, undo, redo,
// failing disks, Open and New Database).
TEST(Listing, TheNamesInMemoryFindWhatTheRecordsFind) {
    const std::vector<std::string> texts = {"A", "Z", "QX", "\xe9", "PAD", "1", "NEW"};
    for (const std::uint32_t seed : {3u, 4u}) {
        TestDatabase db;
        RandomChanges changes(db, seed);
        for (int step = 0; step < 80; ++step) {
            changes.step();
            for (const Kind kind : {Kind::Program, Kind::Combination})
                for (const std::string& text : texts) {
                    const ListFilter filter{.nameText = text};
                    const ListRefill read = listRows(db.files(), filter, kind);
                    const ListRefill kept =
                        listRows(db.files(), filter, kind, &db.session().names());
                    ASSERT_EQ(kept.programRowIds, read.programRowIds) << text << " after\n"
                                                                      << changes.lastSteps();
                    ASSERT_EQ(kept.combinationRowIds, read.combinationRowIds)
                        << text << " after\n"
                        << changes.lastSteps();
                    ASSERT_EQ(kept.programsRefilled, read.programsRefilled);
                }
        }
    }
}

// Which rows a list shows by the marks, in which order, and the search by the file a sound came
// from: ties keep the ID order, sounds never sent come last by date.
TEST(Listing, TheChoiceOfMarksAndOrderAndTheFileFilterPickTheRows) {
    TestDatabase db;
    for (const char* name : {"b", "A", "c", "a2", "B"})
        db.addProgram(name);
    OriginStore& origins = db.session().origins();
    using What = MarkChange::What;
    origins.setMarks(Kind::Program, {2, 3}, {What::Rating, 4});
    origins.setMarks(Kind::Program, {1}, {What::Rating, 2});
    origins.setMarks(Kind::Program, {3}, {What::Hide});
    PcgBuilder pcg;
    pcg.program(0, "X").program(1, "Y");
    const auto send = [&](const char* file, std::int64_t when, std::int32_t id0, std::int32_t id1) {
        OriginStore::SentSlots slots;
        slots.programs[0] = id0;
        slots.programs[1] = id1;
        origins.recordSend(stateOf(pcg), slots, db.dir().file(file), when, db.files());
    };
    send("early.pcg", 1000, 0, 1);
    send("late.pcg", 2000, 4, 5);
    send("third.pcg", 3000, 4, 0);

    const auto rows = [&](RowOrder order, MarkFilter show = {}) {
        return chosenRows({1, 2, 3, 4, 5}, Kind::Program, {show, order}, origins,
                          db.session().names());
    };
    EXPECT_EQ(rows(RowOrder::Id), Rows({1, 2, 4, 5}));
    EXPECT_EQ(rows(RowOrder::Id, {MarkFilter::Show::HiddenOnly}), Rows({3}));
    const MarkFilter everything{MarkFilter::Show::Everything};
    EXPECT_EQ(rows(RowOrder::Name, everything), Rows({2, 4, 1, 5, 3}));
    EXPECT_EQ(rows(RowOrder::Rating, everything), Rows({2, 3, 1, 4, 5}));
    EXPECT_EQ(rows(RowOrder::FirstSent, everything), Rows({1, 4, 5, 2, 3}));
    EXPECT_EQ(rows(RowOrder::FileCount, everything), Rows({4, 1, 5, 2, 3}));

    ListFilter fromLate{.fromFile = "LATE"};
    EXPECT_EQ(listRows(db.files(), fromLate, Kind::Program, nullptr, &origins).programRowIds,
              Rows({4, 5}));
    fromLate.nameText = "b";
    const ListRefill r = listRows(db.files(), fromLate, Kind::Program, nullptr, &origins);
    EXPECT_EQ(r.programRowIds, Rows({5}));
    EXPECT_FALSE(r.combinationsRefilled) << "a search by file refills the searched list alone";
    EXPECT_EQ(listRows(db.files(), fromLate, Kind::Program).programRowIds, Rows());
}
