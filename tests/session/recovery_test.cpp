// Recovery copies: the database that Exit, New Database, Open Database or a killed copy would
// have lost is kept, byte for byte, as an ordinary database.
#include "session/recovery.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>

#include "db/database_file.h"
#include "db_builder.h"
#include "pcg/pcg_files.h"
#include "random_pcg.h"
#include "session/session.h"
#include "session/start_folder.h"
#include "template_image.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using db::Kind;
namespace fs = std::filesystem;

namespace {

std::array<std::vector<Byte>, db::kKindCount> workingBytes(const db::RecordFiles& files) {
    std::array<std::vector<Byte>, db::kKindCount> bytes;
    for (Kind kind : db::kAllKinds)
        bytes[static_cast<std::size_t>(kind)] = readBytes(files.pathOf(kind));
    return bytes;
}

std::array<std::vector<Byte>, db::kKindCount> memberBytes(const std::string& database) {
    const db::DatabasePaths paths = db::databasePaths(database.substr(0, database.size() - 4));
    std::array<std::vector<Byte>, db::kKindCount> bytes;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = readBytes(paths.members[i]);
    return bytes;
}

// A start folder with the template, and a folder for recovery copies.
struct Places {
    TempDir start;
    TempDir recovery;
    std::string templatePath = start.file("bos.dat");
    Places() { pcg::writePcgFile(synthetic::makeTemplateImage(), templatePath); }
};

void emptySlot(session::Session& s, int slot) {
    const auto c = s.command("Delete", session::Session::Changes::DatabaseAndPcg);
    pcg::emptyPcgSlot(s.pcg(), pcg::SlotKind::Program, slot);
}

void importThrough(session::Session& s, const std::string& path) {
    const auto c = s.command("Import Pcg", session::Session::Changes::DatabaseAndPcg);
    pcg::importPcg(s.pcg(), path);
}

void sendSomething(session::Session& s, std::uint32_t seed) {
    s.pcg() = synthetic::randomPcg(seed, "/sets/" + std::to_string(seed) + ".pcg");
    db::EventLines events;
    s.engine().sendPcgToDatabase(events, {});
}

}  // namespace

TEST(Recovery, ACopyIsAnOrdinaryDatabaseListedWithItsOriginSizeAndCounts) {
    TestDatabase db;
    db.addProgram("PIANO");
    db.addCombination("SPLIT", {synthetic::plays(0)}, {.timbreProgramIds = {1}});
    db.addDrumKit(3);
    db.addClass("Keys");
    TempDir folder;
    const std::string copies = folder.path() + "/copies";
    const std::string first = session::saveRecoveryCopy(db.files(), copies, "/home/me/bank.pvd");
    EXPECT_EQ(memberBytes(first), workingBytes(db.files()));
    auto listed = session::recoveryCopies(copies);
    ASSERT_EQ(listed.size(), 1u);
    const session::RecoveryCopy& copy = listed[0];
    EXPECT_EQ(copy.database, first);
    EXPECT_EQ(copy.ranIn, db.dir().path());
    EXPECT_EQ(copy.cameFrom, "/home/me/bank.pvd");
    EXPECT_EQ(std::tuple(copy.programs, copy.combinations, copy.drumKits, copy.classes),
              std::tuple(1, 1, 1, 1));
    EXPECT_TRUE(copy.pcg.empty());
    EXPECT_EQ(copy.savedAt.size(), 19u);  // "2026-12-08 14:05:31"
    EXPECT_EQ(copy.savedAt[4], '-');
    EXPECT_EQ(copy.savedAt[13], ':');
    std::int64_t bytes = 0;
    for (const auto& entry : fs::directory_iterator(copies))
        bytes += static_cast<std::int64_t>(entry.file_size());
    EXPECT_EQ(copy.bytes, bytes) << "the five files and the .where";
    EXPECT_EQ(session::recoveryFolderSize(copies), bytes);

    // It opens as any database does.
    TestDatabase other;
    db::openDatabase(other.files(), first);
    EXPECT_EQ(workingBytes(other.files()), workingBytes(db.files()));

    // A copy saved by the previous version: its .where names the folder it ran in, and nothing
    // else.
    writeBytes(first.substr(0, first.size() - 4) + ".where", {'/', 'o', 'l', 'd'});
    listed = session::recoveryCopies(copies);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].ranIn, "/old");
    EXPECT_EQ(listed[0].cameFrom, "");
    EXPECT_EQ(listed[0].programs, 1);

    session::deleteRecoveryCopy(listed[0]);
    EXPECT_TRUE(fs::is_empty(copies));
}

TEST(Recovery, TheFolderKeepsWithinItsLimitsButNeverTheNewestCopyOfADatabase) {
    TestDatabase db;
    TempDir folder;
    const std::string copies = folder.path() + "/copies";
    // Copies of three databases, each a little larger than the one before.
    std::vector<session::RecoveryCopy> saved;
    for (int i = 0; i < 9; ++i) {
        db.addProgram("MORE", {.voice = static_cast<unsigned>(i + 2)});
        const std::string from =
            "/music/" + std::string(1, static_cast<char>('a' + i % 3)) + ".pvd";
        saved.push_back(
            *session::recoveryCopy(session::saveRecoveryCopy(db.files(), copies, from)));
    }
    ASSERT_EQ(session::recoveryCopies(copies).size(), 9u) << "within the default limits";
    const auto programsListed = [&] {
        std::vector<std::int32_t> programs;
        for (const session::RecoveryCopy& c : session::recoveryCopies(copies))
            programs.push_back(c.programs);
        return programs;
    };

    // Room for five of them: the oldest go.
    session::keepWithinLimits(copies, {.bytes = saved[8].bytes * 5, .copies = 200});
    EXPECT_EQ(programsListed(), (std::vector<std::int32_t>{9, 8, 7, 6, 5}));
    // Room for one and a count of two: the newest of each database stays all the same.
    session::keepWithinLimits(copies, {.bytes = saved[8].bytes, .copies = 2});
    EXPECT_EQ(programsListed(), (std::vector<std::int32_t>{9, 8, 7}));
    // A save keeps the limits of its session; the copy it made is the newest of its own.
    db.addProgram("LAST", {.voice = 99});
    session::saveRecoveryCopy(db.files(), copies, "/music/a.pvd", {.bytes = 1, .copies = 1});
    EXPECT_EQ(programsListed(), (std::vector<std::int32_t>{10, 9, 8})) << "a.pvd's older copy went";
}

TEST(Recovery, AChangedDatabaseIsKeptBeforeNewOpenAndExitButNotWhenExported) {
    Places places;
    {
        session::Session s(places.start.path(), places.templatePath, places.recovery.path());
        s.newDatabase();  // nothing changed: nothing kept
        EXPECT_TRUE(session::recoveryCopies(places.recovery.path()).empty());
        sendSomething(s, 1);
        EXPECT_TRUE(s.databaseChanged());
        const auto before = workingBytes(s.files());
        s.newDatabase();
        auto copies = session::recoveryCopies(places.recovery.path());
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(memberBytes(copies[0].database), before);
        EXPECT_FALSE(s.databaseChanged());

        sendSomething(s, 2);
        TempDir out;
        s.exportDatabase(out.file("bank"));
        EXPECT_FALSE(s.databaseChanged());
        s.openDatabase(out.file("bank.pvd"));
        EXPECT_EQ(session::recoveryCopies(places.recovery.path()).size(), 1u)
            << "exported: nothing to keep";

        sendSomething(s, 3);
        const auto atExit = workingBytes(s.files());
        s.shutDown();
        copies = session::recoveryCopies(places.recovery.path());
        ASSERT_EQ(copies.size(), 2u);
        EXPECT_EQ(memberBytes(copies[0].database), atExit);
        EXPECT_FALSE(fs::exists(places.start.file("temp.prg")));
    }
    {
        session::Session s(places.start.path(), places.templatePath, places.recovery.path());
        sendSomething(s, 4);
        TempDir out;
        s.exportDatabase(out.file("bank"));
        s.shutDown();
        EXPECT_EQ(session::recoveryCopies(places.recovery.path()).size(), 2u)
            << "exit right after an export keeps nothing";
    }
}

TEST(Recovery, ExitKeepsTheChangedPcgWithTheDatabaseAndItIsOfferedUntilAnExportHoldsIt) {
    Places places;
    TempDir out;
    PcgBuilder band;
    band.program(0, "PIANO").program(1, "PAD", {.voice = 2}).program(2, "BASS", {.voice = 3});
    band.writeTo(out.file("band.pcg"));
    std::vector<Byte> atExit;
    {
        session::Session s(places.start.path(), places.templatePath, places.recovery.path());
        sendSomething(s, 1);
        s.exportDatabase(out.file("bank"));
        s.openDatabase(out.file("bank.pvd"));
        importThrough(s, out.file("band.pcg"));
        EXPECT_FALSE(s.pcgChanged()) << "as on disk";
        emptySlot(s, 0);
        EXPECT_TRUE(s.pcgChanged());
        s.undoLog().undo();
        EXPECT_FALSE(s.pcgChanged()) << "back as it was imported";
        emptySlot(s, 1);
        s.exportPcg(out.file("saved"));
        EXPECT_FALSE(s.pcgChanged()) << "exported";
        emptySlot(s, 0);
        {
            const auto c = s.command("New Pcg", session::Session::Changes::DatabaseAndPcg);
            pcg::newPcg(s.pcg(), s.templatePath());
        }
        EXPECT_FALSE(s.pcgChanged()) << "a new PCG";
        s.undoLog().undo();
        ASSERT_TRUE(s.pcgChanged());
        db::EventLines events;
        {
            const auto c = s.command("Send To Database", session::Session::Changes::Database);
            s.engine().sendSlotToDatabase(pcg::SlotKind::Program, 2, events);
        }
        atExit.assign(s.pcg().image.bytes().begin(), s.pcg().image.bytes().end());
        s.shutDown();
        ASSERT_TRUE(s.keptCopy());
        EXPECT_EQ(s.keptCopy()->cameFrom, out.file("bank.pvd"));
    }
    const auto copies = session::recoveryCopies(places.recovery.path());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(readBytes(copies[0].pcg), atExit);
    EXPECT_EQ(copies[0].pcgFileName, out.file("band.pcg"));

    session::Session s(places.start.path(), places.templatePath, places.recovery.path());
    const auto last = s.lastRun();
    ASSERT_TRUE(last);
    EXPECT_FALSE(last->killed);
    EXPECT_EQ(last->copy.database, copies[0].database);
    EXPECT_EQ(last->copy.cameFrom, out.file("bank.pvd"));
    EXPECT_EQ(last->copy.programs, copies[0].programs);

    // The database comes back under its own name, changed; the PCG under its file's name.
    s.openRecoveryCopy(last->copy);
    EXPECT_EQ(s.databasePath(), out.file("bank.pvd"));
    EXPECT_TRUE(s.databaseChanged());
    EXPECT_EQ(memberBytes(last->copy.database), workingBytes(s.files()));
    EXPECT_EQ(s.recoverPcg(last->copy), pcg::ImportResult::Imported);
    EXPECT_EQ(s.pcg().pcgFileName, out.file("band.pcg"));
    EXPECT_EQ(s.pcg().occupancy.programUsed[2], 1);
    EXPECT_EQ(s.pcg().occupancy.programUsed[0], 0);
    EXPECT_TRUE(s.pcgChanged());
    EXPECT_EQ(s.undoLog().undoName(), "Recover Pcg");

    // Opened, its work is the session's: an Exit at once keeps it again, and that is offered.
    EXPECT_FALSE(s.lastRun());
    s.shutDown();
    ASSERT_TRUE(s.keptCopy());
    {
        session::Session next(places.start.path(), places.templatePath, places.recovery.path());
        const auto again = next.lastRun();
        ASSERT_TRUE(again);
        EXPECT_EQ(again->copy.database, s.keptCopy()->database);
        EXPECT_EQ(memberBytes(again->copy.database), memberBytes(last->copy.database));
        next.openRecoveryCopy(again->copy);
        next.exportDatabase(out.file("bank"));
        next.shutDown();
    }
    session::Session exported(places.start.path(), places.templatePath, places.recovery.path());
    EXPECT_FALSE(exported.lastRun()) << "an export holds it";
}

TEST(Recovery, TheWorkingFilesAndThePcgOfAKilledCopyAreKeptAtTheNextStart) {
    Places places;
    TempDir expected;
    TempDir out;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        session::Session s(places.start.path(), places.templatePath, places.recovery.path());
        sendSomething(s, 7);
        s.exportDatabase(out.file("bank"));
        sendSomething(s, 8);
        emptySlot(s, 3);
        writeBytes(expected.file("pcg"),
                   std::vector<Byte>(s.pcg().image.bytes().begin(), s.pcg().image.bytes().end()));
        for (Kind kind : db::kAllKinds)
            writeBytes(expected.file(std::to_string(static_cast<int>(kind))),
                       readBytes(s.files().pathOf(kind)));
        [[maybe_unused]] const auto written = ::write(ready[1], "x", 1);
        for (;;)
            ::pause();
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    session::Session s(places.start.path(), places.templatePath, places.recovery.path());
    const auto copies = session::recoveryCopies(places.recovery.path());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].ranIn, places.start.path());
    EXPECT_EQ(copies[0].cameFrom, out.file("bank.pvd"));
    const auto kept = memberBytes(copies[0].database);
    for (Kind kind : db::kAllKinds)
        EXPECT_EQ(kept[static_cast<std::size_t>(kind)],
                  readBytes(expected.file(std::to_string(static_cast<int>(kind)))))
            << db::layoutOf(kind).fileName;
    EXPECT_EQ(readBytes(copies[0].pcg), readBytes(expected.file("pcg")));
    EXPECT_EQ(copies[0].pcgFileName, "/sets/8.pcg");
    EXPECT_EQ(s.files().count(Kind::Program), 0) << "the new start has a fresh database";
    const auto last = s.lastRun();
    ASSERT_TRUE(last);
    EXPECT_TRUE(last->killed);
    EXPECT_EQ(last->copy.pcg, copies[0].pcg);

    // Working files without a single entry are not worth a copy; the copy not opened is offered
    // again.
    s.files().closeRecordFiles();
    s.origins().closeWorkingFile();
    session::Session again(places.start.path(), places.templatePath, places.recovery.path());
    EXPECT_EQ(session::recoveryCopies(places.recovery.path()).size(), 1u);
    ASSERT_TRUE(again.lastRun());
    EXPECT_EQ(again.lastRun()->copy.database, copies[0].database);
}

TEST(Recovery, AStartWaitsWhileACopyStillKeepsItsWorkInTheFolder) {
    TempDir dir;
    EXPECT_FALSE(session::startFolderBusy(dir.path()));
    std::optional<io::FileStream> exiting = io::FileStream::openWorkingFile(dir.file("temp.cmb"));
    EXPECT_TRUE(session::startFolderBusy(dir.path()));
    std::vector<int> asked;
    const auto untilSecondLook = [&](int n) {
        asked.push_back(n);
        if (n == 2) exiting.reset();  // the copy has saved its work and gone
        return true;
    };
    EXPECT_TRUE(session::waitForStartFolder(dir.path(), untilSecondLook, {}));
    EXPECT_EQ(asked, (std::vector<int>{1, 2}));
    EXPECT_TRUE(session::waitForStartFolder(dir.path(), [](int) { return false; }));

    exiting = io::FileStream::openWorkingFile(dir.file("temp.tur"));
    EXPECT_FALSE(session::waitForStartFolder(dir.path(), [](int n) { return n < 3; }, {}));
}
