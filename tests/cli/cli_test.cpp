// pelvaro-cli: each command with what it prints, its exit status and its messages, the files it
// writes compared at the byte with the core doing the same steps, and the program itself run as
// a script runs it (its own temporary folder, the current folder left alone).
#include "cli/commands.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "band_pcg.h"
#include "cli_run.h"
#include "db/database_file.h"
#include "db_builder.h"
#include "pcg/pcg_files.h"
#include "session/batch_send.h"
#include "session/merge_databases.h"
#include "template_image.h"

using namespace pelvaro;
using namespace pelvaro::testing;
namespace fs = std::filesystem;

namespace {

std::string text(const std::vector<Byte>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// A folder with the template, the band PCG, a folder of two more PCG files (one foreign).
struct CliFolder {
    TempDir dir;
    std::string templ = dir.file("bos.dat");
    std::string band = dir.file("band.pcg");
    std::string sets = dir.file("sets");
    CliFolder() {
        pcg::writePcgFile(synthetic::makeTemplateImage(), templ);
        bandPcg().writeTo(band);
        fs::create_directories(sets + "/more");
        PcgBuilder other;
        other.program(0, "PIANO 1", {.osc1 = 10, .voice = 1}).program(5, "BASS", {.osc1 = 7});
        other.writeTo(sets + "/more/other.pcg");
        writeBytes(sets + "/foreign.pcg", {'K', 'O', 'R', 'G', '3'});
    }
    CliOutcome operator()(std::vector<std::string> arguments) const {
        arguments.insert(arguments.end(), {"--template", templ});
        return runCli(arguments);
    }
    std::array<std::vector<Byte>, db::kKindCount> members(const std::string& database) const {
        const db::DatabasePaths paths = db::databasePaths(dir.file(database));
        std::array<std::vector<Byte>, db::kKindCount> bytes;
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = readBytes(paths.members[i]);
        return bytes;
    }
};

}  // namespace

TEST(Cli, UsageHelpAndMistakes) {
    CliOutcome r = runCli({});
    EXPECT_EQ(r.status, cli::kBadUsage);
    EXPECT_TRUE(r.out.empty());
    EXPECT_TRUE(r.err.starts_with("Usage: pelvaro-cli COMMAND [OPTIONS]\n"));
    r = runCli({"--help"});
    EXPECT_EQ(r.status, cli::kDone);
    EXPECT_TRUE(r.out.starts_with("Usage: pelvaro-cli COMMAND [OPTIONS]\n"));
    EXPECT_TRUE(r.err.empty());
    // Every command of the usage text runs and tells its own usage.
    const std::string usage = r.out;
    int listed = 0;
    for (std::size_t at = usage.find("\n  "); at != std::string::npos;
         at = usage.find("\n  ", at + 1)) {
        if (usage[at + 3] == ' ') continue;  // a description's further line
        const std::string command = usage.substr(at + 3, usage.find(' ', at + 3) - at - 3);
        r = runCli({command, "--help"});
        EXPECT_EQ(r.status, cli::kDone) << command;
        EXPECT_TRUE(r.out.starts_with("Usage: pelvaro-cli " + command + " ")) << command;
        ++listed;
    }
    EXPECT_GE(listed, 7);
    r = runCli({"frob"});
    EXPECT_EQ(r.status, cli::kBadUsage);
    EXPECT_TRUE(r.err.starts_with("pelvaro-cli: no command frob\n\nUsage: "));

    const auto mistake = [](std::vector<std::string> arguments, const std::string& message) {
        const std::string command = arguments[0];
        const CliOutcome run = runCli(arguments);
        EXPECT_EQ(run.status, cli::kBadUsage) << message;
        EXPECT_EQ(run.err, "pelvaro-cli " + command + ": " + message + "\nTry 'pelvaro-cli " +
                               command + " --help'.\n");
        EXPECT_TRUE(run.out.empty());
    };
    mistake({"add", "db.pvd"}, "missing arguments");
    mistake({"list"}, "missing arguments");
    mistake({"list", "a.pvd", "b.pvd"}, "too many arguments: b.pvd");
    mistake({"list", "a.pvd", "--frob"}, "unknown option --frob");
    mistake({"list", "a.pvd", "--name"}, "--name needs a value");
    mistake({"list", "a.pvd", "--programs", "--combinations"},
            "--programs and --combinations exclude each other");
    mistake({"extract", "a.pvd", "--programs", "1"}, "-o OUT.pcg is needed");
    mistake({"extract", "a.pvd", "--programs", "1,x", "-o", "o.pcg"},
            "'x' is no entry ID or range of IDs");
    mistake({"extract", "a.pvd", "--programs", "5-2", "-o", "o.pcg"},
            "'5-2' is no entry ID or range of IDs");
    mistake({"show", "a.pcg", "--name", "x"}, "unknown option --name");
}

TEST(Cli, AddSendsEveryFileAsTheSessionDoesAndStoresTheDatabaseBack) {
    CliFolder f;
    CliOutcome r = f({"add", f.dir.file("mine.pvd"), f.band, f.sets});
    ASSERT_EQ(r.status, cli::kDone) << r.err;
    EXPECT_TRUE(r.err.empty());
    EXPECT_EQ(r.out, f.band +
                         ": programs 4 new, 0 stored; combinations 2 new, 0 stored; drum kits 1 "
                         "new, 3 stored\n" +
                         f.sets + "/foreign.pcg: skipped: does not begin with KORG5\n" + f.sets +
                         "/more/other.pcg: programs 1 new, 1 stored; combinations 0 new, 0 stored; "
                         "drum kits 0 new, 4 stored\n"
                         "Sent 2 files, skipped 1: programs 5 new, 1 stored; combinations 2 new, 0 "
                         "stored; drum kits 1 new, 7 stored\n");

    // The same database as the session's own send of the same files, exported.
    {
        TestDatabase same;
        session::BatchSend batch(same.session(), {f.band, f.sets});
        while (!batch.done())
            batch.sendNext();
        same.session().exportDatabase(f.dir.file("same.pvd"));
    }
    EXPECT_EQ(f.members("mine"), f.members("same"));
    EXPECT_TRUE(text(readBytes(f.dir.file("mine.pvd"))).starts_with(f.dir.file("mine.prg")));

    // Added again, nothing is new and not a byte changes.
    const auto before = f.members("mine");
    r = f({"add", f.dir.file("mine"), f.sets, "--csv"});
    ASSERT_EQ(r.status, cli::kDone) << r.err;
    EXPECT_EQ(r.out,
              "File,Programs new,Programs stored,Combinations new,Combinations stored,Drum kits "
              "new,Drum kits stored,Skipped\r\n" +
                  f.sets + "/foreign.pcg,,,,,,,does not begin with KORG5\r\n" + f.sets +
                  "/more/other.pcg,0,2,0,0,0,4,\r\n");
    EXPECT_EQ(f.members("mine"), before);
}

TEST(Cli, AddMergesTheDatabasesAmongThePathsAfterTheFiles) {
    CliFolder f;
    ASSERT_EQ(f({"add", f.dir.file("other.pvd"), f.sets}).status, cli::kDone);
    const std::string other = f.dir.file("other.pvd");
    const std::string missing = f.dir.file("missing.pvd");
    CliOutcome r = f({"add", f.dir.file("mine.pvd"), other, f.band, missing});
    ASSERT_EQ(r.status, cli::kDone) << r.err;
    const std::string band =
        "programs 4 new, 0 stored; combinations 2 new, 0 stored; drum kits 1 "
        "new, 3 stored";
    // The explanations both hold are gained, whole or cut: the folder's name decides.
    const std::string gained =
        "  Explanations gained by entries stored already after \"Also: \": 2 ";
    const std::size_t at = r.out.find(gained);
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(0, at) + r.out.substr(r.out.find('\n', at) + 1),
              f.band + ": " + band + "\nSent 1 file, skipped 0: " + band + "\n" + other +
                  ": programs 1 new, 1 stored; combinations 0 new, 0 stored; drum kits 0 new, 1 "
                  "stored; classes 0 created\n" +
                  missing + ": skipped: Cannot open file " + missing +
                  ": No such file or directory\n"
                  "Merged 1 database, skipped 1: programs 1 new, 1 stored; combinations 0 new, 0 "
                  "stored; drum kits 0 new, 1 stored; classes 0 created\n");
    // The same database as the session's own send and merge.
    {
        TestDatabase same;
        session::BatchSend batch(same.session(), {f.band});
        while (!batch.done())
            batch.sendNext();
        session::mergeDatabases(same.session(), {other});
        same.session().exportDatabase(f.dir.file("same.pvd"));
    }
    EXPECT_EQ(f.members("mine"), f.members("same"));

    r = f({"add", f.dir.file("mine.pvd"), other, "--csv"});
    ASSERT_EQ(r.status, cli::kDone) << r.err;
    EXPECT_EQ(r.out,
              "File,Programs new,Programs stored,Combinations new,Combinations stored,Drum kits "
              "new,Drum kits stored,Classes created,Notes,Skipped\r\n" +
                  other + ",0,2,0,0,0,1,0,,\r\n");
}

TEST(Cli, AddFailuresSayWhyAndLeaveTheDatabaseAsItWas) {
    CliFolder f;
    ASSERT_EQ(f({"add", f.dir.file("mine.pvd"), f.band}).status, cli::kDone);
    const auto before = f.members("mine");
    const auto pvd = readBytes(f.dir.file("mine.pvd"));

    // No template.
    CliOutcome r =
        runCli({"add", f.dir.file("mine.pvd"), f.sets, "--template", f.dir.file("none.dat")});
    EXPECT_EQ(r.status, cli::kFailed);
    EXPECT_NE(r.err.find(f.dir.file("none.dat")), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
    // A template of another kind.
    r = runCli({"add", f.dir.file("mine.pvd"), f.sets, "--template", f.sets + "/foreign.pcg"});
    EXPECT_EQ(r.status, cli::kFailed);
    EXPECT_EQ(r.err,
              "pelvaro-cli add: The empty-PCG template must be a Korg5 Pcg file of 69416 "
              "bytes. This one is not: " +
                  f.sets + "/foreign.pcg\n");
    // A member file cut short is refused before anything is sent.
    const db::DatabasePaths paths = db::databasePaths(f.dir.file("mine"));
    std::vector<Byte> cut = before[0];
    cut.resize(cut.size() - 7);
    writeBytes(paths.members[0], cut);
    r = f({"add", f.dir.file("mine.pvd"), f.sets});
    EXPECT_EQ(r.status, cli::kFailed);
    EXPECT_TRUE(r.err.starts_with("pelvaro-cli add: ")) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(readBytes(paths.members[0]), cut);
    EXPECT_EQ(readBytes(f.dir.file("mine.pvd")), pvd);
    for (std::size_t i = 1; i < before.size(); ++i)
        EXPECT_EQ(readBytes(paths.members[i]), before[i]);
}

TEST(Cli, ListTheRowsOfTheDatabaseTabsUnderTheFiltersOfSearch) {
    CliFolder f;
    ASSERT_EQ(f({"add", f.dir.file("mine.pvd"), f.band}).status, cli::kDone);
    const std::string from = "From: " + f.band;
    CliOutcome r = f({"list", f.dir.file("mine.pvd")});
    ASSERT_EQ(r.status, cli::kDone) << r.err;
    EXPECT_EQ(r.out,
              "ID\tName\tClasses\tDrum kit ID\tExplanation\n"
              "1\tPIANO 1\t\t\t" +
                  from + "\n2\tGrandPiano\t\t\t" + from + "\n3\tDRUMS\t\t1\t" + from +
                  "\n4\tORGAN\t\t\t" + from + "\n");
    r = f({"list", f.dir.file("mine.pvd"), "--name", "piano"});
    EXPECT_EQ(r.out.substr(r.out.find('\n') + 1),
              "1\tPIANO 1\t\t\t" + from + "\n2\tGrandPiano\t\t\t" + from + "\n");
    r = f({"list", f.dir.file("mine.pvd"), "--drum", "1", "--csv"});
    EXPECT_EQ(r.out, "ID,Name,Classes,Drum kit ID,Explanation\r\n3,DRUMS,,1," + from + "\r\n");
    r = f({"list", f.dir.file("mine.pvd"), "--sound", "11-20"});
    EXPECT_EQ(r.out.substr(r.out.find('\n') + 1),
              "2\tGrandPiano\t\t\t" + from + "\n4\tORGAN\t\t\t" + from + "\n");
    r = f({"list", f.dir.file("mine.pvd"), "--combinations"});
    EXPECT_EQ(r.out, "ID\tName\tClasses\tTimbre program IDs\tExplanation\n1\tSPLIT\t\t1 3\t" +
                         from + "\n2\tGAP\t\t\t" + from + "\n");
    r = f({"list", f.dir.file("mine.pvd"), "--combinations", "--program", "3"});
    EXPECT_EQ(r.out.substr(r.out.find('\n') + 1), "1\tSPLIT\t\t1 3\t" + from + "\n");

    // What Search refuses, the command refuses as bad usage; a missing database is a failure.
    r = f({"list", f.dir.file("mine.pvd"), "--drum", "x"});
    EXPECT_EQ(r.status, cli::kBadUsage);
    EXPECT_TRUE(r.err.starts_with("pelvaro-cli list: ")) << r.err;
    r = f({"list", f.dir.file("none.pvd")});
    EXPECT_EQ(r.status, cli::kFailed);
    EXPECT_NE(r.err.find(f.dir.file("none")), std::string::npos) << r.err;
    // Listing a database makes and judges no PCG: no template is asked for.
    r = runCli(
        {"list", f.dir.file("mine.pvd"), "--drum", "1", "--template", f.dir.file("none.dat")});
    EXPECT_EQ(r.status, cli::kDone) << r.err;
    EXPECT_EQ(r.out.substr(r.out.find('\n') + 1), "3\tDRUMS\t\t1\t" + from + "\n");
}

TEST(Cli, ExtractWritesTheEntriesAsSendToPcgDoes) {
    CliFolder f;
    ASSERT_EQ(f({"add", f.dir.file("mine.pvd"), f.band}).status, cli::kDone);
    CliOutcome r = f({"extract", f.dir.file("mine.pvd"), "--programs", "4,3", "--combinations",
                      "2,1", "-o", f.dir.file("out")});
    ASSERT_EQ(r.status, cli::kDone) << r.err;

    // The core doing the same: the database opened, the entries sent, the PCG exported.
    TestDatabase same;
    same.session().openDatabase(f.dir.file("mine.pvd"));
    db::EventLines programLines;
    db::EventLines combinationLines;
    same.session().engine().sendEntriesToPcg(db::Kind::Program, {4, 3}, programLines);
    same.session().engine().sendEntriesToPcg(db::Kind::Combination, {2, 1}, combinationLines);
    const auto& image = same.session().pcg().image;
    EXPECT_EQ(readBytes(f.dir.file("out.pcg")),
              std::vector<Byte>(image.bytes().begin(), image.bytes().end()));
    std::string lines;
    for (const auto& line : programLines)
        lines += line + "\n";
    for (const auto& line : combinationLines)
        lines += line + "\n";
    EXPECT_EQ(r.out, lines);

    // An ID the database does not hold is refused, and nothing is written.
    r = f({"extract", f.dir.file("mine.pvd"), "--programs", "1,5", "-o", f.dir.file("bad.pcg")});
    EXPECT_EQ(r.status, cli::kFailed);
    EXPECT_EQ(r.err, "pelvaro-cli extract: " + f.dir.file("mine.pvd") +
                         " holds no program with ID 5 (it holds 4)\n");
    EXPECT_FALSE(fs::exists(f.dir.file("bad.pcg")));
}

TEST(Cli, ShowTheBanksOfAPcgFile) {
    CliFolder f;
    CliOutcome r = f({"show", f.band});
    ASSERT_EQ(r.status, cli::kDone) << r.err;
    std::vector<std::string> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u + 4 * 100);
    EXPECT_EQ(lines[0], "Programs");
    EXPECT_EQ(lines[1], "A00    PIANO 1");
    EXPECT_EQ(lines[3], "A02    DRUMS");
    EXPECT_EQ(lines[4], "A03    ----------");
    EXPECT_EQ(lines[101], "B00    ORGAN");
    EXPECT_EQ(lines[201], "Combinations");
    EXPECT_EQ(lines[202], "A00    SPLIT");

    r = f({"show", f.band, "--combinations", "--csv"});
    EXPECT_TRUE(
        r.out.starts_with("Slot,Name,Timbre 1,Timbre 2,Timbre 3,Timbre 4,Timbre 5,Timbre "
                          "6,Timbre 7,Timbre 8\r\nA00,SPLIT,A00 PIANO 1,A02 DRUMS,"))
        << r.out.substr(0, 200);
    EXPECT_NE(r.out.find("\r\nA01,GAP,empty slot A05,,"), std::string::npos);

    r = f({"show", f.sets + "/foreign.pcg"});
    EXPECT_EQ(r.status, cli::kFailed);
    EXPECT_EQ(r.err,
              "pelvaro-cli show: This is not a compatible Pcg file. Please select a Korg5 "
              "Pcg file.\n");
    EXPECT_TRUE(r.out.empty());
}

// The program as a script runs it: its statuses reach the shell, results go to standard output
// and messages to standard error, the working files live in a temporary folder of its own that
// is gone afterwards, and a current folder holding working files of the window is not touched.
TEST(Cli, TheProgramKeepsToItsOwnTemporaryFolder) {
    CliFolder f;
    const std::string temp = f.dir.file("tmp");
    const std::string here = f.dir.file("here");
    fs::create_directories(temp);
    fs::create_directories(here);
    for (const char* name : {"temp.prg", "temp.cmb", "temp.dru", "temp.tur", "bos.dat"})
        writeBytes(here + "/" + name, {'m', 'i', 'n', 'e'});
    const auto shell = [&](const std::string& arguments) {
        const std::string command = "cd '" + here + "' && TMPDIR='" + temp +
                                    "' '" PELVARO_CLI "' " + arguments + " >'" + f.dir.file("out") +
                                    "' 2>'" + f.dir.file("err") + "'";
        const int status = std::system(command.c_str());
        return CliOutcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                          text(readBytes(f.dir.file("out"))), text(readBytes(f.dir.file("err")))};
    };
    CliOutcome r = shell("add mine.pvd ../band.pcg --template ../bos.dat");
    EXPECT_EQ(r.status, cli::kDone) << r.err;
    EXPECT_TRUE(r.out.starts_with(f.band + ": programs 4 new"));
    EXPECT_TRUE(fs::exists(here + "/mine.pvd"));
    r = shell("show ../sets/foreign.pcg --template ../bos.dat");
    EXPECT_EQ(r.status, cli::kFailed);
    EXPECT_TRUE(r.out.empty());
    EXPECT_TRUE(r.err.starts_with("pelvaro-cli show: This is not")) << r.err;
    r = shell("list");
    EXPECT_EQ(r.status, cli::kBadUsage);
    EXPECT_TRUE(r.out.empty());

    EXPECT_TRUE(fs::is_empty(temp)) << "the private folder is removed";
    for (const char* name : {"temp.prg", "temp.cmb", "temp.dru", "temp.tur", "bos.dat"})
        EXPECT_EQ(readBytes(here + "/" + name), (std::vector<Byte>{'m', 'i', 'n', 'e'})) << name;
}

TEST(Cli, OriginsRebuildMarkAndTheListFiltersOfMarks) {
    CliFolder f;
    const std::string mine = f.dir.file("mine.pvd");
    ASSERT_EQ(f({"add", mine, f.band, f.sets}).status, cli::kDone);
    CliOutcome r = f({"origins", mine, "--programs", "1", "--csv"});
    ASSERT_EQ(r.status, cli::kDone) << r.err;
    EXPECT_TRUE(
        r.out.starts_with("ID,Kind,File,Folder,Slot,Name there,Sent\r\n1,program,band.pcg," +
                          f.dir.path() + ",A00,PIANO 1,"))
        << r.out;
    r = f({"origins", mine, "--file", "other"});
    EXPECT_EQ(std::ranges::count(r.out, '\n'), 1 + 2 + 4) << "two programs and the four kits";

    // The file as it was sent, by its name or its path; what names no send writes nothing.
    const std::string out = f.dir.file("out.pcg");
    r = f({"rebuild", mine, "band.pcg", "-o", out});
    ASSERT_EQ(r.status, cli::kDone) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    EXPECT_TRUE(readBytes(out) == readBytes(f.band));
    fs::remove(out);
    EXPECT_EQ(f({"rebuild", mine, f.sets + "/more/other.pcg", "-o", out}).status, cli::kDone);
    EXPECT_TRUE(readBytes(out) == readBytes(f.sets + "/more/other.pcg"));
    fs::remove(out);
    r = f({"rebuild", mine, "band.pcg", "-o", out, "--sent", "1999-01-01"});
    EXPECT_EQ(r.status, cli::kFailed);
    EXPECT_EQ(r.err, "pelvaro-cli rebuild: No send of band.pcg on 1999-01-01 is recorded in " +
                         mine + ".\n");
    EXPECT_EQ(f({"rebuild", mine, "band.pcg", "-o", f.dir.file("none/out.pcg")}).status,
              cli::kFailed);
    ASSERT_EQ(f({"add", f.dir.file("empty.pvd"), f.sets + "/foreign.pcg"}).status, cli::kDone);
    r = f({"rebuild", f.dir.file("empty.pvd"), "band.pcg", "-o", out});
    EXPECT_EQ(r.status, cli::kFailed);
    EXPECT_NE(r.err.find("empty.pvd holds no origins"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(out));

    // Marks set, kept in the database, and filtering the list; an ID too far changes nothing.
    EXPECT_EQ(f({"mark", mine, "--programs", "1,2", "--favourite"}).out,
              "Marked 2 programs as favourites\n");
    EXPECT_EQ(f({"mark", mine, "--programs", "2", "--hide"}).status, cli::kDone);
    EXPECT_EQ(f({"mark", mine, "--programs", "4", "--rating", "4"}).status, cli::kDone);
    const auto ids = [&](std::vector<std::string> options) {
        options.insert(options.begin(), {"list", mine});
        const CliOutcome listed = f(options);
        std::string first;
        for (std::size_t at = listed.out.find('\n'); at + 1 < listed.out.size();
             at = listed.out.find('\n', at + 1))
            first += listed.out.substr(at + 1, listed.out.find('\t', at) - at - 1) + " ";
        return first;
    };
    EXPECT_EQ(ids({}), "1 3 4 5 ");
    EXPECT_EQ(ids({"--favourites"}), "1 ");
    EXPECT_EQ(ids({"--favourites", "--all"}), "1 2 ");
    EXPECT_EQ(ids({"--hidden"}), "2 ");
    EXPECT_EQ(ids({"--min-rating", "3"}), "4 ");
    const auto before = f.members("mine");
    r = f({"mark", mine, "--programs", "9", "--show"});
    EXPECT_EQ(r.status, cli::kFailed);
    EXPECT_EQ(r.err, "pelvaro-cli mark: There is no program with ID 9.\n");
    EXPECT_EQ(f.members("mine"), before);
    EXPECT_EQ(f({"mark", mine, "--programs", "1"}).status, cli::kBadUsage);
}
