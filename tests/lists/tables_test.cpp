// The tables of a PCG and of a database as text and CSV: what each cell says, CSV quoting,
// names in the instrument's code page, and cells a spreadsheet would run.
#include "lists/tables.h"

#include <gtest/gtest.h>

#include "db_builder.h"
#include "lists/csv.h"

using namespace pelvaro;
using namespace pelvaro::testing;

TEST(Csv, QuotingCodePageAndFormulas) {
    EXPECT_EQ(lists::csvRow({"PIANO 1", "a,b", "say \"hi\"", "two\r\nlines", ""}),
              "PIANO 1,\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\",\r\n");
    EXPECT_EQ(latin1ToUtf8("Caf\xe9 \xb5"), "Caf\xc3\xa9 \xc2\xb5");
    // What a spreadsheet would run is shown as text; names that merely start with a sign stay.
    EXPECT_EQ(lists::csvField("=1+2"), "'=1+2");
    EXPECT_EQ(lists::csvField("@SUM(A1)"), "'@SUM(A1)");
    EXPECT_EQ(lists::csvField("-cmd|' /C calc'!A0"), "'-cmd|' /C calc'!A0");
    EXPECT_EQ(lists::csvField("=a,b"), "\"'=a,b\"");
    EXPECT_EQ(lists::csvField("-PAD-"), "-PAD-");
    EXPECT_EQ(lists::csvField("+5th"), "+5th");
    EXPECT_EQ(lists::csvField("-12"), "-12");
}

TEST(Tables, APcgTableHasEverySlotWithItsModeKitAndTimbres) {
    PcgBuilder b;
    b.program(0, "PIANO 1", {.osc1 = 10})
        .program(1, "Pad\xe9", {.oscMode = 1, .osc1 = 20, .osc2 = 30})
        .drumProgram(2, "DRUMS", 3);
    b.combination(0, "SPLIT", {plays(0), off(), outside(5), plays(7), plays(2)});
    const pcg::PcgState state = stateOf(b);

    const lists::Table programs = lists::pcgTable(state, pcg::SlotKind::Program);
    EXPECT_EQ(programs.headings,
              (std::vector<std::string>{"Slot", "Name", "Mode", "Drum kit slot"}));
    ASSERT_EQ(programs.rows.size(), 200u);
    EXPECT_EQ(programs.rows[0], (std::vector<std::string>{"A00", "PIANO 1", "Single", ""}));
    EXPECT_EQ(programs.rows[1], (std::vector<std::string>{"A01", "Pad\xc3\xa9", "Double", ""}));
    EXPECT_EQ(programs.rows[2], (std::vector<std::string>{"A02", "DRUMS", "Drums", "3"}));
    EXPECT_EQ(programs.rows[3], (std::vector<std::string>{"A03", "", "", ""}));
    EXPECT_EQ(programs.rows[199][0], "B99");

    const lists::Table combinations = lists::pcgTable(state, pcg::SlotKind::Combination);
    ASSERT_EQ(combinations.headings.size(), 10u);
    EXPECT_EQ(combinations.rows[0],
              (std::vector<std::string>{"A00", "SPLIT", "A00 PIANO 1", "", "GM", "empty slot A07",
                                        "A02 DRUMS", "", "", ""}));
    EXPECT_EQ(lists::tableText({{"Slot", "Name"}, {{"A00", "a\r\nb\tc\nd"}}}),
              "Slot\tName\nA00\ta b c d\n");
}

TEST(Tables, ADatabaseTableHasIdsNamesClassPathsAndWhatEachEntryPlays) {
    TestDatabase db;
    const int keys = db.addClass("Keys");
    const int pianos = db.addClass("Pianos", keys);
    const int kit = db.addDrumKit(3);
    const int piano = db.addProgram("PIANO 1", {.osc1 = 10},
                                    {.classIds = {pianos, 0, keys}, .explanation = "warm"});
    const int drums = db.addProgram("DRUMS", {.oscMode = 2, .kitSlot = 1}, {.drumKitId = kit});
    db.addCombination("SPLIT", {plays(0), plays(1), outside(3)},
                      {.timbreProgramIds = {piano, drums, -1}, .explanation = "two\r\nlines"});

    const lists::Table programs =
        lists::databaseTable(db.files(), db::Kind::Program, {drums, piano});
    EXPECT_EQ(programs.rows, (std::vector<std::vector<std::string>>{
                                 {"2", "DRUMS", "", "1", ""},
                                 {"1", "PIANO 1", "Keys->Pianos; Keys", "", "warm"}}));
    const lists::Table combinations = lists::databaseTable(db.files(), db::Kind::Combination, {1});
    EXPECT_EQ(lists::tableCsv(combinations),
              "ID,Name,Classes,Timbre program IDs,Explanation\r\n1,SPLIT,,1 2 GM,\"two\r\n"
              "lines\"\r\n");
}
