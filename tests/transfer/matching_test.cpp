#include <gtest/gtest.h>

#include "db_builder.h"
#include "transfer/matching.h"

using namespace pelvaro;
using namespace pelvaro::db;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;
using namespace pelvaro::transfer;

namespace {

template <class Entry>
Entry entryOf(const std::vector<Byte>& record) {
    Entry e;
    std::ranges::copy(record, e.bytes.begin());
    return e;
}

pcg::ConstProgramBytes programView(const std::vector<Byte>& p) {
    return pcg::ConstProgramBytes(p.data(), pcg::kProgramSize);
}

}  // namespace

TEST(Matching, EachRuleComparesItsRangeAndNothingElse) {
    const auto kit = makeDrumKit(3);
    const auto kitEntry = entryOf<DbDrumKitEntry>(kit);
    auto other = kit;
    other[419] ^= 0xFF;
    EXPECT_TRUE(sameDrumKit(kitEntry, pcg::ConstDrumKitBytes(other.data(), 420)));
    other[418] ^= 0x01;
    EXPECT_FALSE(sameDrumKit(kitEntry, pcg::ConstDrumKitBytes(other.data(), 420)));
    other = kit;
    other[0] ^= 0x01;
    EXPECT_FALSE(sameDrumKit(kitEntry, pcg::ConstDrumKitBytes(other.data(), 420)));

    const auto comb = makeCombination("SPLIT", {plays(3), off(), outside(4)});
    const auto combEntry = entryOf<DbCombinationEntry>(comb);
    auto c = makeCombination("OTHER NAME", {plays(3), off(), outside(4)});
    for (int i = 132; i < 136; ++i)
        c[i] ^= 0xFF;
    EXPECT_TRUE(sameCombination(combEntry, pcg::ConstCombinationBytes(c.data(), 136)));
    c[131] ^= 0x01;
    EXPECT_FALSE(sameCombination(combEntry, pcg::ConstCombinationBytes(c.data(), 136)));
    c = makeCombination("SPLIT", {plays(4), off(), outside(4)});
    EXPECT_FALSE(sameCombination(combEntry, pcg::ConstCombinationBytes(c.data(), 136)))
        << "the timbres' slot bytes are compared raw";

    PcgBuilder b;
    const auto& image = b.image();
    const auto prog = makeProgram("PIANO", {.osc1 = 0x0102});
    const auto progEntry = entryOf<DbProgramEntry>(prog);
    auto p = makeProgram("ORGAN", {.osc1 = 0x0102});
    p[162] ^= 0xFF;
    p[163] ^= 0xFF;
    EXPECT_TRUE(sameProgram(progEntry, programView(p), nullptr, image));
    p[161] ^= 0x01;
    EXPECT_FALSE(sameProgram(progEntry, programView(p), nullptr, image));
    p = prog;
    p[12] ^= 0x01;  // oscillator 1's low byte, not a kit slot
    EXPECT_FALSE(sameProgram(progEntry, programView(p), nullptr, image));
    p = prog;
    p[10] = 1;
    EXPECT_FALSE(sameProgram(progEntry, programView(p), nullptr, image));
}

TEST(Matching, DrumProgramsCompareTheirKitsByContentAndIgnoreTheKitSlot) {
    TestDatabase db;
    const int kit = db.addDrumKit(7);
    auto drums = makeProgram("DRUMS", {.oscMode = 2, .kitSlot = 0});
    auto entry = entryOf<DbProgramEntry>(drums);
    entry.setDrumKitId(kit);

    PcgBuilder b;
    b.drumKit(0, 1).drumKit(1, 7).drumKit(2, 7).drumKit(3, 9);
    b.image().drumKit(2)[419] ^= 0xFF;  // uncompared
    const auto& image = b.image();
    auto onSlot = [&](int slot) {
        auto p = makeProgram("X", {.oscMode = 2, .kitSlot = slot});
        return sameProgram(entry, programView(p), db.files(), image);
    };
    EXPECT_FALSE(onSlot(0)) << "the entry's own slot byte, but another kit there";
    EXPECT_TRUE(onSlot(1));
    EXPECT_TRUE(onSlot(2));
    EXPECT_FALSE(onSlot(3));

    // A kit slot byte of 4 or more names no kit of the image: byte 12 is compared as it is.
    auto far = makeProgram("X", {.oscMode = 2, .kitSlot = 5});
    auto farEntry = entryOf<DbProgramEntry>(far);
    farEntry.setDrumKitId(kit);
    EXPECT_FALSE(kitCheckApplies(farEntry, programView(far)));
    EXPECT_TRUE(sameProgram(farEntry, programView(far), db.files(), image));
    far[12] = 6;
    EXPECT_FALSE(sameProgram(farEntry, programView(far), db.files(), image));

    // Without a kit reference the kit check does not apply either.
    auto plain = entryOf<DbProgramEntry>(makeProgram("DRUMS", {.oscMode = 2, .kitSlot = 1}));
    EXPECT_FALSE(sameProgram(plain, programView(makeProgram("X", {.oscMode = 2, .kitSlot = 2})),
                             db.files(), image));
    EXPECT_TRUE(sameProgram(plain, programView(makeProgram("X", {.oscMode = 2, .kitSlot = 1})),
                            db.files(), image));

    // A reference to a kit entry the database does not hold matches nothing, and nothing
    // beyond the count is read for it.
    entry.setDrumKitId(kit + 1);
    EXPECT_FALSE(onSlot(1));
}

TEST(Matching, RecordsThatMatchHaveEqualKeys) {
    auto p = makeProgram("A", {.oscMode = 2, .kitSlot = 0, .voice = 4});
    auto q = makeProgram("B", {.oscMode = 2, .kitSlot = 3, .voice = 4});
    q[162] = 9;
    EXPECT_EQ(programKey(programView(p)), programKey(programView(q)));
    q[161] ^= 1;
    EXPECT_NE(programKey(programView(p)), programKey(programView(q)));

    auto c = makeCombination("A", {plays(1)});
    auto d = makeCombination("B", {plays(1)});
    d[135] = 1;
    EXPECT_EQ(combinationKey(pcg::ConstCombinationBytes(c.data(), 136)),
              combinationKey(pcg::ConstCombinationBytes(d.data(), 136)));

    auto k = makeDrumKit(1);
    auto l = k;
    l[419] ^= 1;
    EXPECT_EQ(drumKitKey(pcg::ConstDrumKitBytes(k.data(), 420)),
              drumKitKey(pcg::ConstDrumKitBytes(l.data(), 420)));
    l[0] ^= 1;
    EXPECT_NE(drumKitKey(pcg::ConstDrumKitBytes(k.data(), 420)),
              drumKitKey(pcg::ConstDrumKitBytes(l.data(), 420)));
}
