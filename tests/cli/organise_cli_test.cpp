// pelvaro-cli similar, duplicates and dedupe: what they print of a database, as text and as CSV,
// without a template, what dedupe writes, and the mistakes they refuse.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/commands.h"
#include "cli_run.h"
#include "db_builder.h"

using namespace pelvaro;
using namespace pelvaro::testing;

namespace {

// A stored database: two near copies of a piano (one named in Latin-1), a far organ, two
// combinations of one name that play other programs, and the first of them sent again from
// another slot.
struct Stored {
    TestDatabase db;
    std::string path;
    Stored() {
        const auto piano = makeProgram("PIANO", {.voice = 1});
        db.addProgram("PIANO", {.voice = 1});
        db::DbProgramEntry copy;
        std::ranges::copy(piano, copy.bytes.begin());
        std::ranges::copy(std::string("Caf\xE9\0\0\0\0\0\0", 10), copy.bytes.begin());
        copy.bytes[57] ^= 1;
        db.files().append(copy);
        db.addProgram("ORGAN", {.voice = 2});
        db.addCombination("Split", {plays(0)}, {.timbreProgramIds = {1}});
        db.addCombination("SPLIT", {plays(0)}, {.timbreProgramIds = {3}});
        db.addCombination("Split 2", {plays(7)}, {.timbreProgramIds = {1}});
        path = db.session().exportDatabase(db.dir().file("mine")).database;
    }
};

// How many bytes 10-161 of two programs of these voices differ in: how far a timbre on one is
// from a timbre on the other.
int apart(unsigned a, unsigned b) {
    const auto x = makeProgram("", {.voice = a});
    const auto y = makeProgram("", {.voice = b});
    int n = 0;
    for (std::size_t i = 10; i < 162; ++i)
        n += x[i] != y[i];
    return n;
}

}  // namespace

TEST(CliOrganise, SimilarAndDuplicatesPrintWhatTheWindowsList) {
    const Stored s;
    CliOutcome r = runCli({"similar", s.path, "--program", "1", "-n", "1", "--csv"});
    ASSERT_EQ(r.status, cli::kDone) << r.err;
    EXPECT_EQ(r.out, "ID,Name,Bytes\r\n2,Caf\xC3\xA9,1\r\n");
    const std::string organ = std::to_string(apart(1, 2));
    r = runCli({"similar", s.path, "--combination", "2", "-n", "1"});
    EXPECT_EQ(r.out, "ID\tName\tBytes\tDiffers in\n1\tSplit\t" + organ +
                         "\ttimbre 1: ORGAN -> PIANO, " + organ + " bytes\n");
    // A long list of parameters is cut as the windows cut it.
    r = runCli({"similar", s.path, "--program", "3", "-n", "1"});
    EXPECT_TRUE(r.out.ends_with(" and " + std::to_string(apart(1, 2) - 7) + " more\n")) << r.out;

    r = runCli({"duplicates", s.path, "--max-bytes", "1", "--csv"});
    EXPECT_EQ(r.out, "Group,ID,Name,Bytes\r\n1,1,PIANO,0\r\n1,2,Caf\xC3\xA9,1\r\n");
    r = runCli({"duplicates", s.path, "--combinations", "--max-bytes", "0", "--csv"});
    EXPECT_EQ(r.out, "Group,ID,Name,Bytes\r\n1,1,Split,0\r\n1,3,Split 2,0\r\n")
        << "the same sound sent from another slot";
    r = runCli({"duplicates", s.path, "--combinations", "--same-name"});
    EXPECT_EQ(r.out, "Group\tID\tName\tBytes\tDiffers in\n1\t1\tSplit\t0\t\n1\t2\tSPLIT\t" + organ +
                         "\ttimbre 1: PIANO -> ORGAN, " + organ + " bytes\n");
    EXPECT_TRUE(r.err.empty());

    const auto refused = [](std::vector<std::string> arguments, int status,
                            const std::string& message) {
        const CliOutcome run = runCli(arguments);
        EXPECT_EQ(run.status, status) << message;
        EXPECT_TRUE(run.err.starts_with("pelvaro-cli " + arguments[0] + ": " + message + "\n"))
            << run.err;
        EXPECT_TRUE(run.out.empty());
    };
    refused({"similar", s.path}, cli::kBadUsage, "--program ID or --combination ID is needed");
    refused({"similar", s.path, "--program", "1", "--combination", "1"}, cli::kBadUsage,
            "--program and --combination exclude each other");
    refused({"similar", s.path, "--program", "x"}, cli::kBadUsage, "'x' is no entry ID");
    refused({"duplicates", s.path, "--max-bytes", "9"}, cli::kBadUsage,
            "'9' is no number of bytes from 0 to 8");
    refused({"similar", s.path, "--program", "4"}, cli::kFailed, "There is no program with ID 4.");
}

TEST(CliOrganise, DedupeMergesEveryGroupAndWritesTheDatabaseOnlyWhenItSucceeds) {
    namespace fs = std::filesystem;
    const Stored s;
    const std::string out = s.db.dir().file("clean.pvd");
    const auto before = readBytes(s.path);
    CliOutcome r = runCli({"dedupe", s.path, "--max-bytes", "1", "-o", out, "--csv"});
    ASSERT_EQ(r.status, cli::kDone) << r.err;
    // The piano copy goes into the piano; then "Split 2" plays what "Split" plays: merged too.
    EXPECT_EQ(r.out, "Kept,Merged,Kind,Bytes\r\n1,2,program,1\r\n1,3,combination,0\r\n");
    EXPECT_EQ(readBytes(s.path), before) << "-o leaves the database given as it was";
    TestDatabase opened;
    opened.session().openDatabase(out);
    EXPECT_EQ(opened.files().count(db::Kind::Program), 2);
    ASSERT_EQ(opened.files().count(db::Kind::Combination), 2);
    EXPECT_EQ(opened.combination(1).timbreProgramId(0), 1);
    EXPECT_EQ(opened.combination(2).timbreProgramId(0), 2) << "the organ took number 2";

    // In place, the combinations only: nothing is the same sound but "Split 2".
    r = runCli({"dedupe", s.path, "--combinations", "--max-bytes", "0"});
    ASSERT_EQ(r.status, cli::kDone) << r.err;
    EXPECT_EQ(r.out, "Kept\tMerged\tKind\tBytes\n1\t3\tcombination\t0\n");
    TestDatabase again;
    again.session().openDatabase(s.path);
    EXPECT_EQ(again.files().count(db::Kind::Program), 3);
    EXPECT_EQ(again.files().count(db::Kind::Combination), 2);

    const auto refused = [&](std::vector<std::string> arguments, int status,
                             const std::string& message) {
        const auto was = readBytes(s.path);
        const CliOutcome run = runCli(arguments);
        EXPECT_EQ(run.status, status) << message;
        EXPECT_TRUE(run.err.starts_with("pelvaro-cli dedupe: " + message)) << run.err;
        EXPECT_EQ(readBytes(s.path), was);
        EXPECT_FALSE(fs::exists(s.db.dir().file("none.pvd")));
    };
    refused({"dedupe", s.path}, cli::kBadUsage, "--max-bytes N is needed");
    refused({"dedupe", s.path, "--max-bytes", "x"}, cli::kBadUsage,
            "'x' is no number of bytes from 0 to 8");
    refused({"dedupe", s.db.dir().file("missing.pvd"), "--max-bytes", "1", "-o",
             s.db.dir().file("none.pvd")},
            cli::kFailed, "Cannot open file " + s.db.dir().file("missing.pvd"));
}
