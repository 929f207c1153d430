// A copy of the program killed in the middle of writing files (kill -9, a power cut): the files
// a user keeps are the old ones or the new ones, never a mix, and nothing half-written stays
// behind once the folder is used again.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <random>
#include <set>
#include <thread>

#include "consistency.h"
#include "db/database_file.h"
#include "db_builder.h"
#include "io/safe_files.h"
#include "large_database.h"
#include "pcg/pcg_files.h"
#include "random_pcg.h"
#include "template_image.h"

using namespace pelvaro;
using namespace pelvaro::db;
using namespace pelvaro::testing;
namespace fs = std::filesystem;

namespace {

// Ends the process on the n-th file operation, as kill -9 would at that moment.
class DiesAtNth : public io::FaultInjector {
  public:
    explicit DiesAtNth(int n) : remaining_(n) { io::setFaultInjector(this); }
    Outcome before(io::FileOp) override {
        if (--remaining_ == 0) ::_exit(0);
        return Outcome::Proceed;
    }

  private:
    int remaining_;
};

using FiveFiles = std::array<std::vector<Byte>, 5>;

FiveFiles bytesOf(const DatabasePaths& paths) {
    return {readBytes(paths.database), readBytes(paths.members[0]), readBytes(paths.members[1]),
            readBytes(paths.members[2]), readBytes(paths.members[3])};
}

// Ends the process before its n-th write, as kill -9 would at that moment: what the files hold
// changes at writes only, so these are all the states a kill can leave.
class DiesAtNthWrite : public io::FaultInjector {
  public:
    explicit DiesAtNthWrite(int n) : remaining_(n) { io::setFaultInjector(this); }
    Outcome before(io::FileOp op) override {
        if (op == io::FileOp::Write && --remaining_ == 0) ::_exit(0);
        return Outcome::Proceed;
    }

  private:
    int remaining_;
};

// Runs `work` in a child process that the file layer ends at its n-th operation (writesOnly:
// its n-th write); true when the child ran to its end without meeting it.
bool runKilledAt(int n, const std::function<void()>& work, bool writesOnly = false) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::optional<DiesAtNth> dies;
        std::optional<DiesAtNthWrite> diesWriting;
        if (writesOnly)
            diesWriting.emplace(n);
        else
            dies.emplace(n);
        try {
            work();
        } catch (...) {
            ::_exit(2);
        }
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

}  // namespace

TEST(KilledCopies, AnExportKilledAtAnyStepLeavesTheOldOrTheNewDatabaseAndNoOtherFile) {
    TestDatabase older;
    older.addProgram("OLD");
    older.addClass("Old");
    TestDatabase newer;
    newer.addProgram("NEW 1");
    newer.addProgram("NEW 2", {.voice = 2});
    newer.addCombination("C", {synthetic::plays(0)}, {.timbreProgramIds = {1}});
    // The database file names its members by their paths: both exports go to the same place.
    TempDir out;
    const DatabasePaths paths = exportDatabase(newer.files(), out.file("bank"));
    const FiveFiles newFiles = bytesOf(paths);
    exportDatabase(older.files(), out.file("bank"));
    const FiveFiles oldFiles = bytesOf(paths);
    const std::set<std::string> five = namesIn(out.path());

    int steps = 0;
    for (int n = 1; n < 200; ++n) {
        SCOPED_TRACE("killed at file operation " + std::to_string(n));
        const bool completed =
            runKilledAt(n, [&] { exportDatabase(newer.files(), out.file("bank")); });
        // The next user of the folder puts it in order, as the next export or open would.
        {
            io::FolderLock lock(out.path());
            io::tidyFolder(out.path());
        }
        EXPECT_EQ(namesIn(out.path()), five);
        const FiveFiles now = bytesOf(paths);
        EXPECT_TRUE(now == oldFiles || now == newFiles) << "a mix of two exports";
        // Back to the old export for the next round.
        exportDatabase(older.files(), out.file("bank"));
        ++steps;
        if (completed) break;
    }
    EXPECT_GT(steps, 10) << "every step of an export was tried";
}

TEST(KilledCopies, AnOpenKilledAtAnyStepLeavesTheNextStartWithAFolderOfItsOwnFilesOnly) {
    TestDatabase stored;
    stored.addProgram("STORED");
    TempDir out;
    const std::string pvd = exportDatabase(stored.files(), out.file("bank")).database;
    TempDir start;
    pcg::writePcgFile(synthetic::makeTemplateImage(), start.file("bos.dat"));
    for (int n = 1; n < 200; ++n) {
        SCOPED_TRACE("killed at file operation " + std::to_string(n));
        const bool completed = runKilledAt(n, [&] {
            session::Session s(start.path());
            openDatabase(s.files(), pvd);
        });
        {
            // The next start in the folder.
            session::Session s(start.path());
            EXPECT_EQ(namesIn(start.path()),
                      (std::set<std::string>{"bos.dat", "temp.cmb", "temp.dru", "temp.prg",
                                             "temp.pvo", "temp.tur"}));
            EXPECT_EQ(s.files().count(Kind::Program), 0);
            s.shutDown();
        }
        if (completed) break;
    }
}

TEST(KilledCopies, RealKillsDuringLargeExportsLeaveOneWholeDatabase) {
    TempDir work;
    const DatabasePaths big = synthetic::writeLargeDatabase(work.file("big"), 20000, 20000);
    TestDatabase large;
    openDatabase(large.files(), big.database);
    TestDatabase small;
    small.addProgram("SMALL");
    TempDir out;
    const DatabasePaths paths = exportDatabase(large.files(), out.file("bank"));
    const FiveFiles largeFiles = bytesOf(paths);
    exportDatabase(small.files(), out.file("bank"));
    const FiveFiles smallFiles = bytesOf(paths);
    const std::set<std::string> five = namesIn(out.path());

    std::mt19937 random(7);
    for (int round = 0; round < 12; ++round) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (;;)
                exportDatabase(large.files(), out.file("bank"));
        }
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + random() % 30000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        {
            io::FolderLock lock(out.path());
            io::tidyFolder(out.path());
        }
        EXPECT_EQ(namesIn(out.path()), five) << "round " << round;
        const FiveFiles now = bytesOf(paths);
        EXPECT_TRUE(now == smallFiles || now == largeFiles)
            << "a mix of two exports, round " << round;
        exportDatabase(small.files(), out.file("bank"));
    }
}

TEST(KilledCopies, ASendKilledAtAnyStepLeavesEveryCounterOnItsRecordsAndEveryReferenceOnAnEntry) {
    // A send gathers its writes and writes them at its end (RecordFiles::Batch): killed before
    // any of its writes, or after the last, the working files the next start keeps hold
    // a database whose counters cover records that are there and name only counted entries.
    const pcg::PcgState first = synthetic::randomPcg(11, "/first.pcg");
    const pcg::PcgState second = synthetic::randomPcg(12, "/second.pcg");
    int steps = 0;
    for (int n = 1; n < 200; ++n) {
        SCOPED_TRACE("killed before write " + std::to_string(n));
        TestDatabase db;
        db::EventLines events;
        db.session().engine().sendPcgToDatabase(first, events, {});
        const DatabaseSnapshot before(db);
        const bool completed = runKilledAt(
            n,
            [&] {
                const auto command = db.session().command("Send PCG to Database",
                                                          session::Session::Changes::Database);
                db.session().engine().sendPcgToDatabase(second, events, {});
            },
            true);
        // The files as the killed copy left them, opened as the next start would keep them.
        TestDatabase after;
        for (Kind kind : kAllKinds)
            replaceWorkingFile(after.files(), kind, db.files().pathOf(kind));
        const auto problems = databaseProblems(after.files());
        EXPECT_TRUE(problems.empty()) << joined(problems);
        for (Kind kind : kAllKinds)
            EXPECT_GE(after.files().count(kind), before.counts[static_cast<std::size_t>(kind)]);
        if (completed) {
            EXPECT_GT(after.files().count(Kind::Program), before.counts[0]) << "the send stored";
        }
        ++steps;
        if (completed || ::testing::Test::HasFailure()) break;
    }
    EXPECT_GT(steps, 3) << "every step of a send was tried";
}
