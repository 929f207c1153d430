// Merge Database as one command: bad databases skipped with their reasons while the others
// come in, the report, one step of Undo, and a failing disk at every write.
#include "session/merge_databases.h"

#include <gtest/gtest.h>

#include <memory>

#include "consistency.h"
#include "db_builder.h"
#include "failing_disk.h"
#include "random_pcg.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using db::Kind;

namespace {

// B: two files sent, a class on a program; exported beside the test's folder.
std::string databaseB(TestDatabase& b) {
    for (const std::uint32_t seed : {3u, 4u}) {
        db::EventLines events;
        b.session().engine().sendPcgToDatabase(randomPcg(seed, "/b/bank.pcg"), events, {});
    }
    const int keys = b.addClass("Keys");
    auto p = b.program(1);
    p.setClassId(0, b.addClass("Pianos", keys));
    b.files().write(1, p);
    return b.session().exportDatabase(b.dir().file("b.pvd")).database;
}

void sendInto(TestDatabase& a) {
    db::EventLines events;
    a.session().engine().sendPcgToDatabase(randomPcg(4, "/a/bank.pcg"), events, {});
}

}  // namespace

TEST(MergeDatabases, SkipsWhatIsNoGoodDatabaseMergesTheRestAndUndoesItWhole) {
    TestDatabase b;
    const std::string good = databaseB(b);
    // A damaged member: a program names class 9, which the class file does not hold.
    TestDatabase d;
    d.addProgram("BAD", {}, {.classIds = {9}});
    const std::string damaged = d.session().exportDatabase(d.dir().file("d.pvd")).database;
    TestDatabase a;
    sendInto(a);
    // A database file naming the working files of the open database.
    std::vector<Byte> block(db::kDatabaseFileSize);
    for (Kind kind : db::kAllKinds)
        putFieldText(Bytes(block).subspan(static_cast<std::size_t>(kind) * db::kPathFieldSize,
                                          db::kPathFieldSize),
                     a.files().pathOf(kind));
    const std::string own = a.dir().file("own.pvd");
    writeBytes(own, block);
    const std::string pcg = a.dir().file("bank.pvd");
    synthetic::writeRandomPcgFile(pcg, 1);
    const DatabaseSnapshot before(a);

    const session::MergeOutcome m = session::mergeDatabases(
        a.session(), {a.dir().file("missing.pvd"), pcg, damaged, own, good, good});
    ASSERT_FALSE(m.failure);
    ASSERT_EQ(m.lines.size(), 6u);
    EXPECT_EQ(m.lines[0].skipped,
              "Cannot open file " + a.dir().file("missing.pvd") + ": No such file or directory");
    EXPECT_TRUE(
        m.lines[1].skipped.starts_with("This database cannot be opened: " + pcg + ": names"))
        << m.lines[1].skipped;
    EXPECT_EQ(m.lines[2].skipped, "This database cannot be opened: " + d.dir().file("d.prg") +
                                      ": entry 1 names class 9, which does not exist");
    EXPECT_EQ(m.lines[3].skipped, "This database cannot be opened: " + own +
                                      ": names the working files of the database in use");
    const session::SendCounts& c = m.lines[4].counts;
    EXPECT_EQ(c.programs.sent, b.files().count(Kind::Program));
    EXPECT_EQ(c.programs.fresh, a.files().count(Kind::Program) - before.counts[0]);
    EXPECT_GT(c.programs.stored(), 0) << "the file both sent";
    EXPECT_EQ(m.lines[4].classesCreated, (std::vector<std::string>{"Keys", "Keys->Pianos"}));
    EXPECT_EQ(m.lines[5].counts.programs.fresh, 0) << "the second time brings nothing";
    EXPECT_TRUE(m.lines[5].classesCreated.empty());
    EXPECT_EQ(m.lines[4].ids.programs.size(), static_cast<std::size_t>(c.programs.sent) + 1);
    EXPECT_EQ(m.totals.databases, 2);
    EXPECT_EQ(m.totals.skipped, 4);

    // The report: a line per database and its notes, the totals; CSV; the event list.
    session::MergeReport line = m.lines[4];
    line.path = "/x/b.pvd";
    line.counts = {.programs = {4, 3}, .combinations = {2, 2}, .drumKits = {4, 1}};
    line.notes = {"No room in program 7 for the classes (nine at most): Pads."};
    session::MergeReport skipped{.path = "/x/c, d.pvd", .skipped = "Cannot open file /x/c, d.pvd"};
    const std::vector<session::MergeReport> lines{line, skipped};
    EXPECT_EQ(session::mergeReportText(lines, session::totalsOf(lines)),
              "/x/b.pvd: programs 3 new, 1 stored; combinations 2 new, 0 stored; drum kits 1 new, "
              "3 stored; classes 2 created\n"
              "  Classes created: Keys and Keys->Pianos\n"
              "  No room in program 7 for the classes (nine at most): Pads.\n"
              "/x/c, d.pvd: skipped: Cannot open file /x/c, d.pvd\n"
              "Merged 1 database, skipped 1: programs 3 new, 1 stored; combinations 2 new, 0 "
              "stored; drum kits 1 new, 3 stored; classes 2 created\n");
    session::FileReport file{
        .path = "/x/a.pcg", .skipped = {}, .counts = line.counts, .events = {}};
    EXPECT_EQ(session::mergeReportCsv({file}, lines),
              "File,Programs new,Programs stored,Combinations new,Combinations stored,Drum kits "
              "new,Drum kits stored,Classes created,Notes,Skipped\r\n"
              "/x/a.pcg,3,1,2,0,1,3,,,\r\n"
              "/x/b.pvd,3,1,2,0,1,3,2,\"Classes created: Keys and Keys->Pianos\n"
              "No room in program 7 for the classes (nine at most): Pads.\",\r\n"
              "\"/x/c, d.pvd\",,,,,,,,,\"Cannot open file /x/c, d.pvd\"\r\n");
    EXPECT_EQ(session::mergeReportEvents(lines),
              (db::EventLines{"/x/b.pvd", "Classes created: Keys and Keys->Pianos",
                              "No room in program 7 for the classes (nine at most): Pads.",
                              "/x/c, d.pvd: skipped: Cannot open file /x/c, d.pvd"}));
    EXPECT_EQ(m.summary, session::mergeReportText({}, m.totals)
                             .substr(0, session::mergeReportText({}, m.totals).size() - 1));

    // One step of Undo takes it all back, classes included; Redo brings it again.
    const DatabaseSnapshot merged(a);
    EXPECT_EQ(a.session().undoLog().undoName(), "Merge Database");
    a.session().undoLog().undo();
    EXPECT_EQ(DatabaseSnapshot(a), before);
    a.session().undoLog().redo();
    EXPECT_EQ(DatabaseSnapshot(a), merged);
}

TEST(MergeDatabases, AFailingDiskAtAnyWriteKeepsWhatWasMergedAndUndoTakesItBack) {
    TestDatabase b;
    const std::string good = databaseB(b);
    DatabaseSnapshot whole = [&] {
        TestDatabase a;
        sendInto(a);
        session::mergeDatabases(a.session(), {good});
        return DatabaseSnapshot(a);
    }();
    for (FailNth::Op op : {FailNth::Op::Write, FailNth::Op::ShortWrite}) {
        int struck = 0;
        for (int n = 1; n < 400; ++n) {
            SCOPED_TRACE("write " + std::to_string(n));
            TestDatabase a;
            sendInto(a);
            const DatabaseSnapshot before(a);
            auto fault = std::make_unique<FailNth>(op, n);
            const session::MergeOutcome m = session::mergeDatabases(a.session(), {good});
            const bool failed = fault->pending() == false;
            fault.reset();
            if (!failed) {
                EXPECT_FALSE(m.failure);
                EXPECT_EQ(DatabaseSnapshot(a), whole);
                break;
            }
            ++struck;
            ASSERT_TRUE(m.failure);
            EXPECT_TRUE(m.failure->starts_with("Stream write error")) << *m.failure;
            const auto problems = databaseProblems(a.files());
            EXPECT_TRUE(problems.empty()) << joined(problems);
            if (a.session().undoLog().canUndo()) a.session().undoLog().undo();
            EXPECT_EQ(DatabaseSnapshot(a), before);
            if (::testing::Test::HasFailure()) break;
        }
        EXPECT_GT(struck, 3);
    }
}
