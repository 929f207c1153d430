// Undo and redo over whole histories of commands: undoing them all gives back the working files
// and the PCG byte for byte as they were at the start, redoing them all as they were at the end,
// and the matching index finds what the files hold all along.
#include "session/undo_log.h"

#include <gtest/gtest.h>

#include <random>

#include "classes/class_assignment.h"
#include "classes/class_table.h"
#include "db/details.h"
#include "db/entry_deletion.h"
#include "db_builder.h"
#include "linear_transfer.h"
#include "pcg/pcg_files.h"
#include "random_pcg.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using db::Kind;
using Changes = session::Session::Changes;

namespace {

// Everything undo must give back: the four working files whole (their lengths and the stale
// records beyond the counts too), the counters and the PCG.
struct World {
    std::array<std::vector<Byte>, db::kKindCount> files;
    std::array<std::int32_t, db::kKindCount> counts{};
    pcg::PcgImage image;
    pcg::SlotOccupancy occupancy;
    std::string pcgFileName;
    bool operator==(const World&) const = default;
};

World worldOf(TestDatabase& db) {
    World w;
    for (Kind kind : db::kAllKinds) {
        w.files[static_cast<std::size_t>(kind)] = db.fileBytes(kind);
        w.counts[static_cast<std::size_t>(kind)] = db.files().count(kind);
    }
    const pcg::PcgState& pcg = db.session().pcg();
    w.image = pcg.image;
    w.occupancy = pcg.occupancy;
    w.pcgFileName = pcg.pcgFileName;
    return w;
}

std::vector<std::int32_t> someIds(std::mt19937& r, std::int32_t count, int most) {
    std::vector<std::int32_t> ids;
    for (int i = 0; i < most && count > 0; ++i)
        ids.push_back(static_cast<std::int32_t>(r() % static_cast<std::uint32_t>(count)) + 1);
    return ids;
}

// One command of the window, chosen at random, run as the window runs it.
void randomCommand(session::Session& s, std::mt19937& r) {
    db::RecordFiles& files = s.files();
    db::EventLines events;
    switch (r() % 11) {
        case 0: {
            const auto c = s.command("Import Pcg", Changes::DatabaseAndPcg);
            s.pcg() = synthetic::randomPcg(r(), "/sets/" + std::to_string(r() % 50) + ".pcg");
            break;
        }
        case 1: {
            const auto c = s.command("Send PCG to Database", Changes::Database);
            s.engine().sendPcgToDatabase(events, {});
            break;
        }
        case 2: {
            const auto c = s.command("Send To Database", Changes::Database);
            s.engine().sendSlotToDatabase(
                r() % 2 ? pcg::SlotKind::Program : pcg::SlotKind::Combination,
                static_cast<int>(r() % 200), events);
            break;
        }
        case 3: {
            const auto c = s.command("Send To PCG", Changes::DatabaseAndPcg);
            const Kind kind = r() % 2 ? Kind::Program : Kind::Combination;
            s.engine().sendEntriesToPcg(kind, someIds(r, files.count(kind), 6), events);
            break;
        }
        case 4: {
            const auto c = s.command("Delete", Changes::Database);
            if (r() % 2)
                db::deleteProgramEntries(files, someIds(r, files.count(Kind::Program), 3), events);
            else
                db::deleteCombinationEntries(files, someIds(r, files.count(Kind::Combination), 3),
                                             events);
            break;
        }
        case 5: {
            const auto c = s.command("Delete", Changes::DatabaseAndPcg);
            pcg::emptyPcgSlot(s.pcg(),
                              r() % 2 ? pcg::SlotKind::Program : pcg::SlotKind::Combination,
                              static_cast<int>(r() % 200));
            break;
        }
        case 6: {
            const auto c = s.command("Submit", Changes::Database);
            if (files.count(Kind::Program) > 0)
                db::submitProgram(files, someIds(r, files.count(Kind::Program), 1)[0],
                                  "NAME" + std::to_string(r() % 100), "note\nmore");
            break;
        }
        case 7: {
            const auto c = s.command("Add Class", Changes::Database);
            classes::addClass(
                files, "Class" + std::to_string(r() % 100),
                static_cast<int>(r() % static_cast<std::uint32_t>(files.count(Kind::Class) + 1)));
            break;
        }
        case 8: {
            const auto c = s.command("Delete Class", Changes::Database);
            if (files.count(Kind::Class) > 0)
                classes::deleteClass(files, someIds(r, files.count(Kind::Class), 1)[0]);
            break;
        }
        case 9: {
            const auto c = s.command("Edit Classes", Changes::Database);
            const Kind kind = r() % 2 ? Kind::Program : Kind::Combination;
            if (files.count(kind) == 0 || files.count(Kind::Class) == 0) break;
            classes::ClassAssignment assignment;
            const auto ids = someIds(r, files.count(kind), 1 + static_cast<int>(r() % 3));
            assignment.load(files, kind, ids[0],
                            ids.size() > 1 ? ids : std::vector<std::int32_t>{});
            assignment.addChosenClass(
                static_cast<int>(r() % static_cast<std::uint32_t>(files.count(Kind::Class))));
            assignment.writeClasses(files);
            break;
        }
        default: {
            const auto c = s.command("New Pcg", Changes::DatabaseAndPcg);
            pcg::newPcg(s.pcg(), s.templatePath());
        }
    }
}

}  // namespace

TEST(UndoLog, UndoingEveryCommandGivesBackTheStartAndRedoingGivesBackTheEnd) {
    for (std::uint32_t seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TestDatabase db;
        session::Session& s = db.session();
        std::mt19937 r(seed);
        // A database with some history already, and stale records beyond the counts.
        s.pcg() = synthetic::randomPcg(r(), "/sets/first.pcg");
        db::EventLines events;
        s.engine().sendPcgToDatabase(events, {});
        db::deleteProgramEntries(s.files(), {1, 2}, events);
        const World start = worldOf(db);

        for (int i = 0; i < 40; ++i)
            randomCommand(s, r);
        const World end = worldOf(db);
        int undone = 0;
        while (s.undoLog().canUndo()) {
            s.undoLog().undo();
            ++undone;
        }
        EXPECT_GT(undone, 10);
        EXPECT_TRUE(worldOf(db) == start) << "undoing everything";
        while (s.undoLog().canRedo())
            s.undoLog().redo();
        EXPECT_TRUE(worldOf(db) == end) << "redoing everything";

        // The index follows every undo and redo: a send through it stores what a plain scan of
        // the files stores.
        s.pcg() = synthetic::randomPcg(r(), "/sets/last.pcg");
        {
            const auto c = s.command("Send PCG to Database", Changes::Database);
            s.engine().sendPcgToDatabase(events, {});
        }
        const World indexed = worldOf(db);
        s.undoLog().undo();
        LinearTransfer linear(s.pcg(), s.files(), LinearTransfer::Reads::WholeFile);
        std::vector<std::string> linearEvents;
        linear.sendPcgToDatabase(linearEvents);
        EXPECT_TRUE(worldOf(db) == indexed) << "the index after undo and redo";
    }
}

TEST(UndoLog, StepsAreNamedAfterTheirCommandsAndOnlyChangesCount) {
    TestDatabase db;
    session::Session& s = db.session();
    EXPECT_FALSE(s.undoLog().canUndo());
    s.pcg() = synthetic::randomPcg(5, "/sets/a.pcg");
    db::EventLines events;
    {
        const auto c = s.command("Send PCG to Database", Changes::Database);
        s.engine().sendPcgToDatabase(events, {});
    }
    EXPECT_EQ(s.undoLog().undoName(), "Send PCG to Database");
    // A second send stores nothing new: no step.
    {
        const auto c = s.command("Send PCG to Database", Changes::Database);
        s.engine().sendPcgToDatabase(events, {});
    }
    {
        const auto c = s.command("New Pcg", Changes::DatabaseAndPcg);
        pcg::newPcg(s.pcg(), s.templatePath());
    }
    EXPECT_EQ(s.undoLog().undoName(), "New Pcg");
    s.undoLog().undo();
    EXPECT_EQ(s.pcg().pcgFileName, "/sets/a.pcg");
    EXPECT_EQ(s.undoLog().undoName(), "Send PCG to Database");
    EXPECT_EQ(s.undoLog().redoName(), "New Pcg");
    s.undoLog().undo();
    EXPECT_EQ(s.files().count(Kind::Program), 0);
    EXPECT_FALSE(s.undoLog().canUndo());
    // A new command drops what could be redone.
    {
        const auto c = s.command("Add Class", Changes::Database);
        classes::addClass(s.files(), "Keys", 0);
    }
    EXPECT_FALSE(s.undoLog().canRedo());
    EXPECT_EQ(s.undoLog().undoName(), "Add Class");
}

TEST(UndoLog, TheOldestStepsGoBeyondAHundred) {
    TestDatabase db;
    session::Session& s = db.session();
    for (int i = 0; i < 120; ++i) {
        const auto c = s.command("Add Class", Changes::Database);
        classes::addClass(s.files(), "C" + std::to_string(i % 100), 0);
        if (s.files().count(Kind::Class) >= 100) {
            const auto d = s.command("Delete Class", Changes::Database);
            classes::deleteClass(s.files(), 1);
        }
    }
    int undone = 0;
    while (s.undoLog().canUndo()) {
        s.undoLog().undo();
        ++undone;
    }
    EXPECT_EQ(undone, static_cast<int>(session::UndoLog::kMostSteps));
}

TEST(UndoLog, ACommandThatLeavesEveryByteAsItWasIsNoStepAndKeepsWhatCouldBeRedone) {
    TestDatabase db;
    session::Session& s = db.session();
    db.addProgram("PIANO", {}, {.explanation = "warm"});
    db.addClass("Keys");
    TempDir out;
    s.exportDatabase(out.file("bank"));
    {
        const auto c = s.command("Add Class", Changes::Database);
        classes::addClass(s.files(), "Pads", 0);
    }
    s.undoLog().undo();
    ASSERT_EQ(s.undoLog().redoName(), "Add Class");
    const World before = worldOf(db);
    s.exportDatabase(out.file("bank"));

    // Submit with nothing edited, and the class assignment's OK with nothing changed, write
    // the bytes that are there.
    const db::ProgramDetails shown = db::programDetails(s.files(), 1);
    {
        const auto c = s.command("Submit", Changes::Database);
        ASSERT_TRUE(db::submitProgram(s.files(), 1, shown.name, shown.explanation));
    }
    {
        const auto c = s.command("Edit Classes", Changes::DatabaseAndPcg);
        classes::ClassAssignment assignment;
        assignment.load(s.files(), Kind::Program, 1, {});
        assignment.writeClasses(s.files());
    }
    EXPECT_TRUE(worldOf(db) == before);
    EXPECT_FALSE(s.undoLog().canUndo());
    EXPECT_EQ(s.undoLog().redoName(), "Add Class");
    EXPECT_FALSE(s.databaseChanged()) << "still as exported";

    // A real change is a step and drops the redo.
    {
        const auto c = s.command("Submit", Changes::Database);
        db::submitProgram(s.files(), 1, "GRAND", shown.explanation);
    }
    EXPECT_EQ(s.undoLog().undoName(), "Submit");
    EXPECT_FALSE(s.undoLog().canRedo());
    EXPECT_TRUE(s.databaseChanged());
}
