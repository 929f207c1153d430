// Failures in the middle of the core's multi-step writes, at every point where the file layer
// can fail, and files that cannot be read: the database stays consistent (every counter with
// its header and its records, every reference on an entry that exists) and what failed says so.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <memory>

#include <filesystem>
#include <set>

#include "classes/class_table.h"
#include "consistency.h"
#include "db/database_file.h"
#include "db_builder.h"
#include "failing_disk.h"
#include "pcg/pcg_files.h"
#include "session/commands.h"
#include "session/organise_commands.h"
#include "template_image.h"

using namespace pelvaro;
using namespace pelvaro::db;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;
using Op = FailNth::Op;

namespace {

using Snapshot = DatabaseSnapshot;

// Classes 1 "Keys", 2 "Pianos" below it, 3 "Drums", 4 "Kits" below Drums; program 1 carries
// Pianos, program 2 Drums and Kits, the combination Kits.
void fill(TestDatabase& db) {
    const int keys = db.addClass("Keys");
    db.addClass("Pianos", keys);
    const int drums = db.addClass("Drums");
    db.addClass("Kits", drums);
    const int kit = db.addDrumKit(3);
    const int piano = db.addProgram("PIANO", {.osc1 = 10}, {.classIds = {2}});
    const int perc =
        db.addProgram("PERC", {.oscMode = 2, .kitSlot = 1}, {.drumKitId = kit, .classIds = {3, 4}});
    db.addCombination("SPLIT", {plays(0), plays(1)},
                      {.timbreProgramIds = {piano, perc}, .classIds = {0, 4}});
}

void expectConsistent(const RecordFiles& files) {
    const auto problems = databaseProblems(files);
    EXPECT_TRUE(problems.empty()) << joined(problems);
}

// Runs action once per failure point of kind op on a fresh database; returns the failures met.
int everyFailurePoint(Op op, const std::function<void(TestDatabase&)>& action,
                      const std::function<void(TestDatabase&, const Snapshot&)>& check) {
    int failures = 0;
    for (int n = 1; n < 200; ++n) {
        SCOPED_TRACE("failure point " + std::to_string(n));
        TestDatabase db;
        fill(db);
        const Snapshot before(db);
        auto fault = std::make_unique<FailNth>(op, n);
        bool failed = false;
        try {
            action(db);
        } catch (const io::FileError&) {
            failed = true;
        }
        const bool struck = !fault->pending();
        fault.reset();
        if (!struck) break;
        EXPECT_TRUE(failed);
        ++failures;
        check(db, before);
        if (::testing::Test::HasFailure()) break;
    }
    return failures;
}

}  // namespace

TEST(CoreFaults, AHeaderHalfWrittenByAFullDiskIsPutBack) {
    TestDatabase db;
    fill(db);
    const Snapshot before(db);
    // The record is the first write of an append, the entry count in the header the second.
    auto fault = std::make_unique<FailNth>(Op::ShortWrite, 2);
    EXPECT_THROW(db.addProgram("NEW", {.voice = 9}), io::FileError);
    fault.reset();
    EXPECT_EQ(db.files().count(Kind::Program), 2);
    const std::vector<Byte> programs = db.fileBytes(Kind::Program);
    EXPECT_EQ(le32(programs, 164), 2) << "the header says what the counter says";
    EXPECT_TRUE(std::equal(before.bytes[0].begin(), before.bytes[0].end(), programs.begin()));
    expectConsistent(db.files());

    // Every failure point of every kind of append leaves the database consistent.
    for (Op op : {Op::Write, Op::ShortWrite}) {
        EXPECT_GT(everyFailurePoint(
                      op,
                      [](TestDatabase& d) {
                          d.addDrumKit(5);
                          d.addClass("More", 2);
                          d.addCombination("X", {plays(0)}, {.timbreProgramIds = {1}});
                      },
                      [](TestDatabase& d, const Snapshot&) { expectConsistent(d.files()); }),
                  0);
    }
}

TEST(CoreFaults, DeletingAClassThatFailsHalfWayLeavesNoEntryOnAMissingClass) {
    // Class 1 goes and class 4 takes its number: the entries and the parent that named 4 are
    // rewritten. Whatever write fails, every class byte and parent still names a class.
    for (Op op : {Op::Write, Op::ShortWrite, Op::Read}) {
        EXPECT_GT(everyFailurePoint(
                      op,
                      [](TestDatabase& d) {
                          auto pianos = d.classEntry(2);
                          pianos.setParentId(0);
                          d.files().write(2, pianos);
                          EXPECT_TRUE(classes::deleteClass(d.files(), 1).deleted);
                      },
                      [](TestDatabase& d, const Snapshot&) { expectConsistent(d.files()); }),
                  0);
    }
    // Without a failure: Kits is class 1 now, below Drums, on program 2 and the combination.
    TestDatabase db;
    fill(db);
    auto pianos = db.classEntry(2);
    pianos.setParentId(0);
    db.files().write(2, pianos);
    ASSERT_TRUE(classes::deleteClass(db.files(), 1).deleted);
    EXPECT_EQ(db.files().count(Kind::Class), 3);
    EXPECT_EQ(db.classEntry(1).name(), "Kits");
    EXPECT_EQ(db.classEntry(1).parentId(), 3);
    EXPECT_EQ(db.program(2).classId(1), 1);
    EXPECT_EQ(db.combination(1).classId(1), 1);
    expectConsistent(db.files());
}

TEST(CoreFaults, ANewDatabaseThatFailsKeepsTheDatabaseInUse) {
    for (Op op : {Op::Create, Op::Write, Op::ShortWrite}) {
        EXPECT_GT(everyFailurePoint(
                      op, [](TestDatabase& d) { newDatabase(d.files()); },
                      [](TestDatabase& d, const Snapshot& before) {
                          EXPECT_TRUE(Snapshot(d) == before);
                          expectConsistent(d.files());
                      }),
                  0);
    }
    // And one that succeeds is as at start-up.
    TestDatabase db;
    fill(db);
    newDatabase(db.files());
    for (Kind k : db::kAllKinds)
        EXPECT_EQ(db.files().count(k), 0);
    EXPECT_EQ(db.fileBytes(Kind::Class).size(), 24u);
    EXPECT_EQ(db.classEntry(0).name(), "No Class");
    expectConsistent(db.files());
}

TEST(CoreFaults, UnreadableFiles) {
    // Permissions do not stop root, so the reads are made by a child process that has given up
    // root for the unprivileged user nobody.
    TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    TestDatabase db;
    fill(db);
    const std::string pvd = exportDatabase(db.files(), dir.file("bank")).database;
    pcg::writePcgFile(synthetic::makeTemplateImage(), dir.file("locked.pcg"));
    ::chmod(dir.file("locked.pcg").c_str(), 0);
    ::chmod(dir.file("bank.cmb").c_str(), 0);
    for (const char* name : {"bank.pvd", "bank.prg", "bank.dru", "bank.tur"})
        ::chmod(dir.file(name).c_str(), 0644);
    const Snapshot before(db);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int status = 0;
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(16);
        pcg::PcgState pcg;
        try {
            pcg::importPcg(pcg, dir.file("locked.pcg"));
            status |= 1;
        } catch (const io::FileError& e) {
            if (std::string(e.what()) !=
                "Cannot open file " + dir.file("locked.pcg") + "\nPermission denied")
                status |= 2;
        }
        try {
            openDatabase(db.files(), pvd);
            status |= 4;
        } catch (const io::FileError& e) {
            if (std::string(e.what()) !=
                "Cannot open file " + dir.file("bank.cmb") + "\nPermission denied")
                status |= 8;
        }
        ::_exit(status);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 16) << "could not become the user nobody";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the PCG was read; 2: its message; 4: the database "
                                         "opened; 8: its message";
    EXPECT_TRUE(Snapshot(db) == before);
}

TEST(CoreFaults, ARenameThatFailsPutsBackWhatTheEarlierRenamesReplaced) {
    TestDatabase db;
    fill(db);
    TempDir out;
    const DatabasePaths paths = exportDatabase(db.files(), out.file("bank"));
    std::vector<std::vector<Byte>> exported;
    for (const std::string* f : {&paths.database, &paths.members[0], &paths.members[1],
                                 &paths.members[2], &paths.members[3]})
        exported.push_back(readBytes(*f));
    const auto namesIn = [](const std::string& folder) {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder))
            names.insert(e.path().filename().string());
        return names;
    };
    const std::set<std::string> exportedNames = namesIn(out.path());

    // A changed database exported over the first: the fifth rename is the database file's.
    db.addClass("Later");
    for (int n = 1; n <= 5; ++n) {
        SCOPED_TRACE("rename " + std::to_string(n));
        auto fault = std::make_unique<FailNth>(Op::Rename, n);
        EXPECT_THROW(exportDatabase(db.files(), out.file("bank")), io::FileError);
        fault.reset();
        std::size_t i = 0;
        for (const std::string* f : {&paths.database, &paths.members[0], &paths.members[1],
                                     &paths.members[2], &paths.members[3]})
            EXPECT_TRUE(readBytes(*f) == exported[i++]) << *f;
        EXPECT_EQ(namesIn(out.path()), exportedNames);
    }

    // Opening it: the third of four swaps fails, and the first two are put back.
    const Snapshot before(db);
    const std::set<std::string> workingNames = namesIn(db.dir().path());
    for (int n = 1; n <= 4; ++n) {
        SCOPED_TRACE("swap " + std::to_string(n));
        auto fault = std::make_unique<FailNth>(Op::Rename, n);
        EXPECT_THROW(openDatabase(db.files(), paths.database), io::FileError);
        fault.reset();
        EXPECT_TRUE(Snapshot(db) == before);
        EXPECT_EQ(namesIn(db.dir().path()), workingNames);
        expectConsistent(db.files());
    }
    openDatabase(db.files(), paths.database);
    EXPECT_EQ(db.files().count(Kind::Class), 4);
    // The working files are still held: a second holder is refused.
    RecordFiles second;
    EXPECT_THROW(second.createRecordFiles(db.dir().path()), io::FileError);
}

// A merge that a failing disk stops part way returns what it did with the failure after it, and
// Undo takes the whole of it back.
TEST(CoreFaults, AMergeStoppedPartWaySaysSoAndUndoTakesItBack) {
    int failures = 0;
    for (int n = 1; n < 200; ++n) {
        SCOPED_TRACE("failure point " + std::to_string(n));
        TestDatabase db;
        fill(db);
        const int copy = db.addProgram("PIANO 2", {.osc1 = 10});
        db.addCombination("LAYER", {plays(0)}, {.timbreProgramIds = {copy}});
        const Snapshot before(db);
        const transfer::MergePlan plan =
            session::previewMerge(db.session(), Kind::Program, {1, copy}, 1);
        auto fault = std::make_unique<FailNth>(Op::Write, n);
        const session::MergeResult merged = session::merge(db.session(), plan);
        const bool struck = !fault->pending();
        fault.reset();
        if (!struck) break;
        ++failures;
        EXPECT_TRUE(merged.failure);
        expectConsistent(db.files());
        session::undo(db.session());
        EXPECT_TRUE(Snapshot(db) == before);
        if (::testing::Test::HasFailure()) break;
    }
    EXPECT_GT(failures, 0);
}
