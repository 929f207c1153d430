// Many PCG files sent in one go: the same database as importing and sending each by hand, in
// name order, with every file that is no PCG skipped and said why.
#include "session/batch_send.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "db_builder.h"
#include "pcg/pcg_files.h"
#include "random_pcg.h"
#include "session/session.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using db::Kind;
namespace fs = std::filesystem;

namespace {

// A folder as users keep them: PCG files at two levels (one named in capitals), a file that is
// no PCG though it is called one, a text file, and an empty folder.
struct Collection {
    TempDir dir;
    std::string root = dir.file("sets");
    Collection() {
        fs::create_directories(root + "/old disk");
        fs::create_directories(root + "/empty");
        synthetic::writeRandomPcgFile(root + "/b.pcg", 2);
        synthetic::writeRandomPcgFile(root + "/a.pcg", 1);
        synthetic::writeRandomPcgFile(root + "/old disk/C.PCG", 3);
        synthetic::writeRandomPcgFile(root + "/old disk/d.pcg", 4);
        writeBytes(root + "/foreign.pcg", {'K', 'O', 'R', 'G', '4', 0, 0, 0});
        synthetic::writeRandomPcgFile(root + "/cut.pcg", 5);
        fs::resize_file(root + "/cut.pcg", 40000);
        synthetic::writeRandomPcgFile(root + "/gone.pcg", 6);
        writeBytes(root + "/notes.txt", {'h', 'i'});
    }
};

std::array<std::vector<Byte>, db::kKindCount> filesOf(TestDatabase& db) {
    std::array<std::vector<Byte>, db::kKindCount> bytes;
    for (Kind kind : db::kAllKinds)
        bytes[static_cast<std::size_t>(kind)] = db.fileBytes(kind);
    return bytes;
}

}  // namespace

TEST(BatchSend, AFolderGivesTheDatabaseOfEveryFileSentByHandInNameOrder) {
    Collection c;
    TestDatabase byHand;
    for (const char* name : {"a.pcg", "b.pcg", "old disk/C.PCG", "old disk/d.pcg"}) {
        pcg::PcgState& pcg = byHand.session().pcg();
        if (pcg::importPcg(pcg, c.root + "/" + name) != pcg::ImportResult::Imported) continue;
        db::EventLines events;
        byHand.session().engine().sendPcgToDatabase(events, {});
    }

    TestDatabase batched;
    const pcg::PcgImage open = batched.session().pcg().image;
    session::BatchSend batch(batched.session(),
                             {c.root, c.dir.file("missing.pcg"), c.root + "/empty"});
    // A file that a folder took the place of after the files were listed.
    fs::remove(c.root + "/gone.pcg");
    fs::create_directory(c.root + "/gone.pcg");
    while (!batch.done())
        batch.sendNext();
    EXPECT_EQ(filesOf(batched), filesOf(byHand));
    EXPECT_TRUE(batched.session().pcg().image == open) << "the open PCG is not touched";

    std::vector<std::pair<std::string, std::string>> lines;
    for (const session::FileReport& line : batch.lines())
        lines.emplace_back(fs::relative(line.path, c.dir.path()).string(), line.skipped);
    EXPECT_EQ(lines, (std::vector<std::pair<std::string, std::string>>{
                         {"sets/a.pcg", ""},
                         {"sets/b.pcg", ""},
                         {"sets/cut.pcg", "40,000 bytes; a PCG file has 69,416"},
                         {"sets/foreign.pcg", "does not begin with KORG5"},
                         {"sets/gone.pcg", "is a folder"},
                         {"sets/old disk/C.PCG", ""},
                         {"sets/old disk/d.pcg", ""},
                         {"missing.pcg", "cannot be read: No such file or directory"},
                         {"sets/empty", "a folder without PCG files"}}));

    // What is new and what was stored already adds up to the database's counts.
    const session::BatchTotals totals = batch.totals();
    EXPECT_EQ(totals.files, 4);
    EXPECT_EQ(totals.skipped, 5);
    EXPECT_EQ(totals.counts.programs.fresh, batched.files().count(Kind::Program));
    EXPECT_EQ(totals.counts.combinations.fresh, batched.files().count(Kind::Combination));
    EXPECT_EQ(totals.counts.drumKits.fresh, batched.files().count(Kind::DrumKit));
    EXPECT_EQ(totals.counts.drumKits.sent, 4 * 4);
    EXPECT_GT(totals.counts.programs.stored(), 0) << "the files share sounds";
    const auto& first = batch.lines()[0].counts.programs;
    EXPECT_EQ(first.fresh + first.stored(),
              static_cast<std::int32_t>(
                  std::ranges::count(synthetic::randomPcg(1).occupancy.programUsed, Byte{1})));
}

TEST(BatchSend, TheReportAsTextCsvAndEventLines) {
    std::vector<session::FileReport> lines(2);
    lines[0].path = "/sets/a, \"b\".pcg";
    lines[0].counts = {.programs = {4, 3}, .combinations = {2, 2}, .drumKits = {4, 1}};
    lines[0].events = {"Program A5 of this combination is not present."};
    lines[1].path = "/sets/x.pcg";
    lines[1].skipped = "does not begin with KORG5";
    const session::BatchTotals totals{1, 1, lines[0].counts};
    EXPECT_EQ(session::reportText(lines, totals),
              "/sets/a, \"b\".pcg: programs 3 new, 1 stored; combinations 2 new, 0 stored; drum "
              "kits 1 new, 3 stored\n"
              "/sets/x.pcg: skipped: does not begin with KORG5\n"
              "Sent 1 file, skipped 1: programs 3 new, 1 stored; combinations 2 new, 0 stored; "
              "drum kits 1 new, 3 stored\n");
    EXPECT_EQ(session::reportCsv(lines),
              "File,Programs new,Programs stored,Combinations new,Combinations stored,Drum kits "
              "new,Drum kits stored,Skipped\r\n"
              "\"/sets/a, \"\"b\"\".pcg\",3,1,2,0,1,3,\r\n"
              "/sets/x.pcg,,,,,,,does not begin with KORG5\r\n");
    EXPECT_EQ(
        session::reportEvents(lines),
        (db::EventLines{"/sets/a, \"b\".pcg", "Program A5 of this combination is not present.",
                        "/sets/x.pcg: skipped: does not begin with KORG5"}));
}

TEST(BatchSend, TheTimeLeftIsReckonedFromTheFilesDoneAndRounded) {
    using session::timeLeftText;
    EXPECT_EQ(timeLeftText(900, 0, 10), "Time left: known after the first file");
    EXPECT_EQ(timeLeftText(90, 9, 10), "Less than a second left");  // 10 ms a file
    EXPECT_EQ(timeLeftText(1000, 2, 3), "About 1 second left");     // 0.5 s a file
    EXPECT_EQ(timeLeftText(1000, 1, 90), "About 1 minute left");    // 89 s: nearer 1 than 2
    EXPECT_EQ(timeLeftText(1000, 1, 60), "About 59 seconds left");
    EXPECT_EQ(timeLeftText(1000, 1, 152), "About 3 minutes left");  // 151 s
    EXPECT_EQ(timeLeftText(1000, 10, 36010), "About 1 hour left");  // 3600 s
    EXPECT_EQ(timeLeftText(1000, 2, 15002), "About 2 hours 5 minutes left");
    EXPECT_EQ(timeLeftText(0, 5, 5), "Less than a second left");
}
