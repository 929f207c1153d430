#include <gtest/gtest.h>

#include <set>

#include "demo_pcg.h"
#include "pcg/pcg_files.h"
#include "pcg_builder.h"
#include "template_image.h"

using namespace pelvaro;
using namespace pelvaro::pcg;
using namespace pelvaro::synthetic;

namespace {
const std::string kData = PELVARO_DATA_DIR;

std::vector<Byte> bytesOf(const PcgImage& image) {
    return std::vector<Byte>(image.bytes().begin(), image.bytes().end());
}

// The first offset at which two byte strings differ, for a readable failure.
std::string firstDifference(const std::vector<Byte>& a, const std::vector<Byte>& b) {
    const auto [x, y] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (x == a.end() && y == b.end()) return "equal";
    return "first difference at offset " + std::to_string(x - a.begin());
}
}  // namespace

TEST(ShippedData, TheGeneratorWritesTheCommittedFiles) {
    EXPECT_EQ(
        firstDifference(readBytes(kData + "/bos.dat"), bytesOf(synthetic::makeTemplateImage())),
        "equal")
        << "regenerate with: build/.../make_data data";
    EXPECT_EQ(firstDifference(readBytes(kData + "/demo.pcg"), bytesOf(synthetic::makeDemoImage())),
              "equal");
}

TEST(ShippedData, TheTemplateIsABelievableEmptyPcg) {
    const PcgImage t = synthetic::makeTemplateImage();
    ASSERT_EQ(t.bytes().size(), 69416u);
    EXPECT_TRUE(std::equal(kMagic.begin(), kMagic.end(), t.bytes().begin()));
    const std::string_view prog("EMPTYPROG\0", 10);
    const std::string_view comb("EMPTYCOMB\0", 10);
    for (int s = 0; s < kSlotCount; ++s) {
        ASSERT_TRUE(std::ranges::equal(t.programName(s), prog)) << s;
        ASSERT_TRUE(std::ranges::equal(t.combinationName(s), comb)) << s;
    }
    auto nonZero = [](ConstBytes b, ByteRange r) {
        return std::any_of(b.begin() + r.begin, b.begin() + r.end, [](Byte x) { return x != 0; });
    };
    EXPECT_TRUE(nonZero(t.program(0), kProgramCompared));
    EXPECT_TRUE(nonZero(t.combination(0), kCombinationCompared));
    EXPECT_EQ(oscMode(t.program(0)), 0);
}

TEST(ShippedData, TheDemoHoldsEveryKindOfSlotANewcomerShouldSee) {
    const PcgState demo = stateOf([] {
        PcgBuilder b;
        b.image() = synthetic::makeDemoImage();
        return b;
    }());
    const auto& used = demo.occupancy;
    const auto programs = std::count(used.programUsed.begin(), used.programUsed.end(), 1);
    const auto combinations =
        std::count(used.combinationUsed.begin(), used.combinationUsed.end(), 1);
    EXPECT_GE(programs, 25);
    EXPECT_LE(programs, 35);
    EXPECT_GE(combinations, 15);
    EXPECT_LE(combinations, 25);
    EXPECT_EQ(used.drumKitUsed, (std::array<Byte, 4>{1, 1, 1, 1}));

    std::set<int> kitSlots;
    int twoOscillators = 0;
    bool bankB = false;
    for (int s = 0; s < kSlotCount; ++s) {
        if (used.programUsed[s] != 1) continue;
        bankB |= s >= kBankSize;
        const auto p = demo.image.program(s);
        if (oscMode(p) == program::kDrumMode) kitSlots.insert(drumKitSlot(p));
        if (oscMode(p) == program::kTwoOscillators) ++twoOscillators;
    }
    EXPECT_TRUE(bankB);
    EXPECT_EQ(kitSlots, (std::set<int>{0, 1, 2, 3, 5}));
    EXPECT_GE(twoOscillators, 3);
    // Two programs differ only in their names.
    EXPECT_TRUE(sameRange(demo.image.program(12), demo.image.program(13), kProgramCompared));
    EXPECT_NE(nameText(demo.image.programName(12)), nameText(demo.image.programName(13)));

    bool disabled = false, outsideBanks = false, emptySlot = false;
    for (int s = 0; s < kSlotCount; ++s) {
        if (used.combinationUsed[s] != 1) continue;
        const auto c = demo.image.combination(s);
        for (int t = 0; t < combination::kTimbreCount; ++t) {
            if (timbreDisabled(c, t)) {
                disabled = true;
            } else if (timbreOutsideBanks(c, t)) {
                outsideBanks = true;
            } else if (used.programUsed[timbreProgram(c, t)] != 1) {
                emptySlot = true;
            }
        }
    }
    EXPECT_TRUE(disabled);
    EXPECT_TRUE(outsideBanks);
    EXPECT_TRUE(emptySlot);
}
