// The commands as the window and pelvaro-cli run them: each one undo step named as its menu
// names it (none when nothing changed), with the status line and the event list it reports.
#include "session/commands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "db_builder.h"
#include "session/given_files.h"
#include "temp_dir.h"

using namespace pelvaro;
using namespace pelvaro::testing;

TEST(Commands, OneStepEachWithItsLineAndItsEvents) {
    TestDatabase db;
    session::Session& s = db.session();
    PcgBuilder band;
    band.program(0, "PIANO", {.osc1 = 10, .voice = 1})
        .drumProgram(1, "DRUMS", 1, 3)
        .combination(0, "SPLIT", {plays(0), plays(5)}, 1);
    s.pcg() = stateOf(band, "/sets/band.pcg");

    session::Outcome o = session::sendPcgToDatabase(s, session::PcgPart::Everything, {});
    EXPECT_EQ(o.summary,
              "Sent 2 programs: 2 new, 0 already stored; 1 combination: 1 new, 0 already stored; "
              "with them 1 drum kit new");
    EXPECT_EQ(o.events, db::EventLines{"Program A5 of this combination is not present."});
    EXPECT_EQ(s.undoLog().undoName(), "Send PCG to Database");

    // Into an empty PCG: the combination takes its program along, the drum program its kit.
    s.pcg() = stateOf(PcgBuilder());
    o = session::sendToPcg(s, db::Kind::Combination, {1});
    EXPECT_EQ(o.summary, "Placed 1 program and 1 combination");
    o = session::sendToPcg(s, db::Kind::Program, {1, 2});
    EXPECT_EQ(o.summary, "Placed 1 program") << "a kit the slot held already is no placement";
    o = session::sendToPcg(s, db::Kind::Program, {2});
    EXPECT_EQ(o.summary, "Nothing placed: the PCG holds these already");
    EXPECT_EQ(session::emptySlot(s, pcg::SlotKind::Program, 1).summary, "Emptied program A01");

    o = session::deleteEntries(s, db::Kind::Program, {1, 2});
    EXPECT_EQ(o.summary, "Deleted 1 program; see the event list");
    EXPECT_EQ(o.events, db::EventLines{"Program 1 is used by some Combinations.Cannot delete it."});
    EXPECT_EQ(session::undo(s).summary, "Undid Delete");
    EXPECT_EQ(session::redo(s).summary, "Redid Delete");
    EXPECT_EQ(session::undo(s).summary, "Undid Delete");

    // The search's line names what was asked for, with the rows it found of all.
    session::Search found = session::searchPrograms(
        s, {.name = " pi ", .drumId = "", .soundFrom = "10", .soundTo = "", .classIndex = 0}, "");
    EXPECT_FALSE(found.error);
    EXPECT_EQ(found.summary, "Found 1 of 2 programs: name pi, sound 10-");
    EXPECT_EQ(found.rows.programRowIds, std::vector<std::int32_t>{1});
    found = session::searchCombinations(s, {.name = "\xe9", .programId = "", .classIndex = 1},
                                        "No Class");
    EXPECT_EQ(found.summary, "Found 0 of 1 combination: name \xc3\xa9, class No Class");
    EXPECT_EQ(session::searchPrograms(s, {}, "").summary, "Showing all 2 programs");
    EXPECT_EQ(session::searchPrograms(s, {.drumId = "1 2"}, "").error,
              "'1 2' is not a valid integer value");

    // A file that is no PCG: refused with its message, the PCG as it was, and no step.
    writeBytes(db.dir().file("x.pcg"), {'K', 'O', 'R', 'G', '4'});
    const pcg::PcgImage before = s.pcg().image;
    const std::string lastStep = s.undoLog().undoName();
    o = session::importPcg(s, db.dir().file("x.pcg"));
    EXPECT_EQ(o.summary, "Not imported: x.pcg");
    ASSERT_TRUE(o.refusal);
    EXPECT_EQ(o.refusal->caption, "File type error");
    EXPECT_EQ(s.pcg().image, before);
    EXPECT_EQ(s.undoLog().undoName(), lastStep);
    EXPECT_FALSE(s.undoLog().canRedo() && s.undoLog().redoName() == "Import Pcg");
}

// However files arrive (named at start, handed over, dropped, chosen), one rule says what each is.
TEST(Commands, AGivenPathIsTakenForOneKindByOneRule) {
    TempDir dir;
    const std::string folder = dir.file("old disk.pcg");
    std::filesystem::create_directories(folder);
    using session::GivenKind;
    const std::vector<std::pair<std::string, GivenKind>> cases = {
        {"/m/bank.pvd", GivenKind::Database},  {"/m/BANK.PVD", GivenKind::Other},
        {"/m/a.pcg.pvd", GivenKind::Database}, {"/m/C.PCG", GivenKind::Pcg},
        {"/m/a.pvd.Pcg", GivenKind::Pcg},      {"/m/notes.txt", GivenKind::Other},
        {"/m/pcg", GivenKind::Other},          {folder, GivenKind::Folder}};
    for (const auto& [path, kind] : cases)
        EXPECT_EQ(session::givenKind(path), kind) << path;
}
