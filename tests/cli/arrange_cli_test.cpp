// pelvaro-cli arrange: every kind of step writes what the same plans give on the same PCG; a
// step that cannot be done, or a file that is no PCG, fails and writes nothing; a step that does
// not parse is bad usage.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/commands.h"
#include "cli_run.h"
#include "pcg/arrange.h"
#include "pcg/pcg_files.h"
#include "pcg_builder.h"
#include "random_pcg.h"
#include "temp_dir.h"
#include "template_image.h"

using namespace pelvaro;
using namespace pelvaro::pcg;
namespace fs = std::filesystem;

namespace {

struct Arrange {
    pelvaro::testing::TempDir dir;
    std::string templ = dir.file("bos.dat");
    std::string in = dir.file("in.pcg");
    std::string out = dir.file("out.pcg");
    PcgState pcg = synthetic::stagePcg(21, 20);
    Arrange() {
        writePcgFile(synthetic::makeTemplateImage(), templ);
        writePcgFile(pcg.image, in);
    }
    pelvaro::testing::CliOutcome operator()(std::vector<std::string> steps) const {
        std::vector<std::string> arguments = {"arrange", in, "-o", out, "--template", templ};
        arguments.insert(arguments.end(), steps.begin(), steps.end());
        return pelvaro::testing::runCli(arguments);
    }
};

}  // namespace

TEST(CliArrange, EveryStepAsThePlansDoIt) {
    Arrange a;
    const auto r = a({"move",
                      "A05-A07,A09",
                      "B10",
                      "swap combinations",
                      "A01-A03",
                      "B20",
                      "swap",
                      "A00",
                      "A04",
                      "copy",
                      "combination",
                      "B30",
                      "A50",
                      "sort",
                      "A",
                      "programs",
                      "sort combinations AB",
                      "close-gaps",
                      "B",
                      "empty",
                      "combinations",
                      "A10,A12",
                      "swap-kits",
                      "0",
                      "3",
                      "empty-kits",
                      "1,2",
                      "empty",
                      "A11"});
    ASSERT_EQ(r.status, cli::kDone) << r.err;
    PcgState expected = a.pcg;
    const auto step = [&](const ArrangePlan& plan) {
        apply(expected, plan);
        return plan.summary;
    };
    std::string lines;
    lines +=
        "move A05-A07,A09 B10: " + step(planMove(expected, SlotKind::Program, {5, 6, 7, 9}, 110)) +
        "\n";
    lines += "swap combinations A01-A03 B20: " +
             step(planSwap(expected, SlotKind::Combination, {1, 2, 3}, {120, 121, 122})) + "\n";
    lines += "swap A00 A04: " + step(planSwap(expected, SlotKind::Program, {0}, {4})) + "\n";
    lines +=
        "copy combination B30 A50: " + step(planCopy(expected, SlotKind::Combination, {130}, 50)) +
        "\n";
    lines += "sort A programs: " + step(planSortByName(expected, SlotKind::Program, bankSlots(0))) +
             "\n";
    lines += "sort combinations AB: " +
             step(planSortByName(expected, SlotKind::Combination, allSlots())) + "\n";
    lines +=
        "close-gaps B: " + step(planCloseGaps(expected, SlotKind::Program, bankSlots(1))) + "\n";
    lines += "empty combinations A10,A12: " +
             step(planEmpty(expected, SlotKind::Combination, {10, 12})) + "\n";
    lines += "swap-kits 0 3: " + step(planSwapDrumKits(expected, 0, 3)) + "\n";
    lines += "empty-kits 1,2: " + step(planEmptyDrumKits(expected, {1, 2})) + "\n";
    lines += "empty A11: " + step(planEmpty(expected, SlotKind::Program, {11})) + "\n";
    EXPECT_EQ(r.out, lines);
    EXPECT_EQ(synthetic::readBytes(a.out),
              std::vector<Byte>(expected.image.bytes().begin(), expected.image.bytes().end()));
}

TEST(CliArrange, StatusesAndNothingWrittenOnFailure) {
    Arrange a;
    synthetic::writeBytes(a.out, {'o', 'l', 'd'});
    const auto failed = [&](std::vector<std::string> steps, int status, const std::string& err) {
        const auto r = a(steps);
        EXPECT_EQ(r.status, status) << r.err;
        EXPECT_EQ(r.err, err);
        EXPECT_EQ(synthetic::readBytes(a.out), (std::vector<Byte>{'o', 'l', 'd'}));
    };
    const std::string usage = "\nTry 'pelvaro-cli arrange --help'.\n";
    failed({"move", "A05", "B10", "sort", "C"}, cli::kBadUsage,
           "pelvaro-cli arrange: step 'sort C': 'C' is no slot or run of slots (A00-B99)" + usage);
    failed({"jump", "A05"}, cli::kBadUsage,
           "pelvaro-cli arrange: 'jump' is no step (try --help)" + usage);
    failed({"move", "A05"}, cli::kBadUsage,
           "pelvaro-cli arrange: step 'move A05': move takes SLOTS TARGET" + usage);
    failed({"empty", "programs", "combinations", "A05"}, cli::kBadUsage,
           "pelvaro-cli arrange: step 'empty programs combinations A05': a step names one kind "
           "of slots" +
               usage);
    failed({"swap-kits", "0", "4"}, cli::kBadUsage,
           "pelvaro-cli arrange: step 'swap-kits 0 4': '4' is no drum kit (0-3)" + usage);

    // Entries placed from a database: IDs that name none, or a database that cannot be read.
    const std::string db = a.dir.file("db.pvd");
    ASSERT_EQ(pelvaro::testing::runCli({"add", db, a.in, "--template", a.templ}).status,
              cli::kDone);
    failed(
        {"place", db, "A00"}, cli::kBadUsage,
        "pelvaro-cli arrange: step 'place " + db + " A00': place takes DB.pvd IDS TARGET" + usage);
    failed({"place", db, "x", "A00"}, cli::kBadUsage,
           "pelvaro-cli arrange: step 'place " + db +
               " x A00': 'x' is no entry ID or range of IDs" + usage);
    failed({"place " + db + " combinations 1,999 A00"}, cli::kFailed,
           "pelvaro-cli arrange: step 1 'place " + db +
               " combinations 1,999 A00': There is no combination with ID 999; nothing was "
               "written\n");
    const auto unread = a({"sort", "place", a.dir.file("none.pvd"), "1", "A00"});
    EXPECT_EQ(unread.status, cli::kFailed);
    EXPECT_TRUE(unread.err.starts_with("pelvaro-cli arrange: step 2 'place ")) << unread.err;
    EXPECT_NE(unread.err.find("none"), std::string::npos) << unread.err;
    EXPECT_EQ(synthetic::readBytes(a.out), (std::vector<Byte>{'o', 'l', 'd'}));

    // A full bank B: the second step finds no room, and nothing is written.
    a.pcg = synthetic::stagePcg(4, 0);
    writePcgFile(a.pcg.image, a.in);
    failed({"sort AB", "move A00-A01 B99"}, cli::kFailed,
           "pelvaro-cli arrange: step 2 'move A00-A01 B99': Cannot move 2 programs to B99: 2 "
           "free slots are missing from B99 on; nothing was written\n");
    synthetic::writeBytes(a.in, {'K', 'O', 'R', 'G', '3'});
    failed({"sort"}, cli::kFailed,
           "pelvaro-cli arrange: This is not a compatible Pcg file. Please select a Korg5 Pcg "
           "file.\n");
}
