// pelvaro-cli similar and duplicates: what they print of a database, as text and as CSV, without
// a template, and the mistakes they refuse.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/commands.h"
#include "cli_run.h"
#include "db_builder.h"

using namespace pelvaro;
using namespace pelvaro::testing;

namespace {

// A stored database: two near copies of a piano (one named in Latin-1), a far organ, and two
// combinations of one name that play other programs.
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
        path = db.session().exportDatabase(db.dir().file("mine")).database;
    }
};

}  // namespace

TEST(CliOrganise, SimilarAndDuplicatesPrintWhatTheWindowsList) {
    const Stored s;
    CliOutcome r = runCli({"similar", s.path, "--program", "1", "-n", "1", "--csv"});
    ASSERT_EQ(r.status, cli::kDone) << r.err;
    EXPECT_EQ(r.out, "ID,Name,Bytes\r\n2,Caf\xC3\xA9,1\r\n");
    r = runCli({"similar", s.path, "--combination", "2"});
    EXPECT_EQ(r.out, "ID\tName\tBytes\tDiffers in\n1\tSplit\t1\ttimbre 1 program\n");

    r = runCli({"duplicates", s.path, "--max-bytes", "1", "--csv"});
    EXPECT_EQ(r.out, "Group,ID,Name\r\n1,1,PIANO\r\n1,2,Caf\xC3\xA9\r\n");
    r = runCli({"duplicates", s.path, "--combinations", "--same-name"});
    EXPECT_EQ(r.out,
              "Group\tID\tName\tBytes\tDiffers in\n1\t1\tSplit\t0\t\n1\t2\tSPLIT\t1\ttimbre 1 "
              "program\n");
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
            "'9' is no number of bytes from 1 to 8");
    refused({"similar", s.path, "--program", "4"}, cli::kFailed, "There is no program with ID 4.");
}
