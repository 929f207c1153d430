// Recovery copies: the database that Exit, New Database, Open Database or a killed copy would
// have lost is kept, byte for byte, as an ordinary database.
#include "session/recovery.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "db/database_file.h"
#include "db_builder.h"
#include "pcg/pcg_files.h"
#include "random_pcg.h"
#include "session/session.h"
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

void sendSomething(session::Session& s, std::uint32_t seed) {
    s.pcg() = synthetic::randomPcg(seed, "/sets/" + std::to_string(seed) + ".pcg");
    db::EventLines events;
    s.engine().sendPcgToDatabase(events, {});
}

}  // namespace

TEST(Recovery, ACopyIsAnOrdinaryDatabaseListedNewestFirstAndTwentyAreKept) {
    TestDatabase db;
    db.addProgram("PIANO");
    db.addCombination("SPLIT", {synthetic::plays(0)}, {.timbreProgramIds = {1}});
    db.addClass("Keys");
    TempDir folder;
    const std::string first = session::saveRecoveryCopy(db.files(), folder.path() + "/copies");
    EXPECT_EQ(memberBytes(first), workingBytes(db.files()));
    const std::vector<session::RecoveryCopy> copies =
        session::recoveryCopies(folder.path() + "/copies");
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].database, first);
    EXPECT_EQ(copies[0].ranIn, db.dir().path());
    EXPECT_EQ(copies[0].programs, 1);
    EXPECT_EQ(copies[0].combinations, 1);
    EXPECT_EQ(copies[0].classes, 1);
    EXPECT_EQ(copies[0].savedAt.size(), 19u);  // "2026-12-08 14:05:31"
    EXPECT_EQ(copies[0].savedAt[4], '-');
    EXPECT_EQ(copies[0].savedAt[13], ':');

    // It opens as any database does.
    TestDatabase other;
    db::openDatabase(other.files(), first);
    EXPECT_EQ(workingBytes(other.files()), workingBytes(db.files()));

    // Newest first; the folder keeps twenty.
    std::vector<std::string> saved{first};
    for (int i = 0; i < 22; ++i) {
        db.addProgram("MORE", {.voice = static_cast<unsigned>(i + 2)});
        saved.push_back(session::saveRecoveryCopy(db.files(), folder.path() + "/copies"));
    }
    const auto kept = session::recoveryCopies(folder.path() + "/copies");
    ASSERT_EQ(kept.size(), 20u);
    EXPECT_EQ(kept.front().database, saved.back());
    EXPECT_EQ(kept.front().programs, 23);
    EXPECT_EQ(kept.back().database, saved[3]);
    EXPECT_FALSE(fs::exists(saved[0]));

    session::deleteRecoveryCopy(kept.front());
    EXPECT_EQ(session::recoveryCopies(folder.path() + "/copies").size(), 19u);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder.path() + "/copies"))
        ++files;
    EXPECT_EQ(files, 19u * 6) << "five files and the .where of each copy, none of the deleted";
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

TEST(Recovery, TheWorkingFilesOfAKilledCopyAreKeptAtTheNextStart) {
    Places places;
    TempDir expected;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        session::Session s(places.start.path(), places.templatePath, places.recovery.path());
        sendSomething(s, 7);
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
    const auto kept = memberBytes(copies[0].database);
    for (Kind kind : db::kAllKinds)
        EXPECT_EQ(kept[static_cast<std::size_t>(kind)],
                  readBytes(expected.file(std::to_string(static_cast<int>(kind)))))
            << db::layoutOf(kind).fileName;
    EXPECT_EQ(s.files().count(Kind::Program), 0) << "the new start has a fresh database";

    // Working files without a single entry are not worth a copy.
    s.files().closeRecordFiles();
    session::Session again(places.start.path(), places.templatePath, places.recovery.path());
    EXPECT_EQ(session::recoveryCopies(places.recovery.path()).size(), 1u);
}
