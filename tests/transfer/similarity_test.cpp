// The distance between two sounds, counted as the matching rules compare them (a kit or a
// program by how far it is from the other), the entries nearest to one, and the parameters named.
#include "transfer/similarity.h"

#include <gtest/gtest.h>

#include "db_builder.h"
#include "io/refusal.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using db::Kind;
using transfer::findSimilar;

namespace {

using Names = std::vector<std::string>;

int addProgram(TestDatabase& db, const std::vector<Byte>& record, std::int32_t kit = 0) {
    db::DbProgramEntry e;
    std::ranges::copy(record, e.bytes.begin());
    e.setDrumKitId(kit);
    return db.files().append(e);
}

int addCombination(TestDatabase& db, const std::vector<Byte>& record,
                   std::array<std::int32_t, 8> programs) {
    db::DbCombinationEntry e;
    std::ranges::copy(record, e.bytes.begin());
    for (int t = 0; t < 8; ++t)
        e.setTimbreProgramId(t, programs[static_cast<std::size_t>(t)]);
    return db.files().append(e);
}

// What findSimilar says of each other entry: ID, bytes, parameters, in its order.
struct Near {
    std::int32_t id;
    int bytes;
    Names parameters;
    bool operator==(const Near&) const = default;
};
std::vector<Near> nearest(TestDatabase& db, Kind kind, std::int32_t id, std::size_t count = 20) {
    std::vector<Near> out;
    for (const auto& n : findSimilar(db.files(), kind, id, count))
        out.push_back({n.id, n.bytes, n.parameters});
    return out;
}

int differing(const std::vector<Byte>& a, const std::vector<Byte>& b, std::size_t from,
              std::size_t to) {
    int n = 0;
    for (std::size_t i = from; i < to; ++i)
        n += a[i] != b[i];
    return n;
}

}  // namespace

TEST(Similarity, ProgramsDifferInTheBytesTheMatchingRuleComparesNamedAfterTheirFields) {
    TestDatabase db;
    const auto base = makeProgram("PIANO 1", {.oscMode = 1, .osc1 = 10, .osc2 = 30, .voice = 3});
    const int kept = addProgram(db, base);
    auto renamed = base;  // another name and another tail: the same sound
    std::ranges::copy(std::string("Other\0\0\0\0\0", 10), renamed.begin());
    renamed[162] ^= 0xFF;
    renamed[163] ^= 0xFF;
    const int same = addProgram(db, renamed);
    auto tweaked = base;
    tweaked[10] = 0;      // oscMode
    tweaked[12] ^= 1;     // osc1Sound, low byte
    tweaked[13] ^= 1;     // osc1Sound, high byte
    tweaked[16] ^= 1;     // osc2Sound
    tweaked[57] ^= 0x80;  // an opaque byte
    const int far = addProgram(db, tweaked);

    EXPECT_EQ(nearest(db, Kind::Program, kept),
              (std::vector<Near>{{same, 0, {}},
                                 {far, 5, {"oscMode", "osc1Sound", "osc2Sound", "byte 57"}}}));
    EXPECT_EQ(findSimilar(db.files(), Kind::Program, kept, 1)[0].name, "Other");
    EXPECT_EQ(nearest(db, Kind::Program, far, 1),
              (std::vector<Near>{{kept, 5, {"oscMode", "osc1Sound", "osc2Sound", "byte 57"}}}))
        << "ties go to the lower ID";
    EXPECT_TRUE(nearest(db, Kind::Program, kept, 0).empty());
    try {
        findSimilar(db.files(), Kind::Program, 4, 20);
        FAIL() << "no program 4";
    } catch (const io::RefusalError& e) {
        EXPECT_EQ(e.refusal(), (io::Refusal{"Find Similar", "There is no program with ID 4."}));
    }
}

TEST(Similarity, ADrumProgramsKitCountsTheBytesTheKitsDifferIn) {
    TestDatabase db;
    auto kitBytes = makeDrumKit(5);
    const int kit = db.addDrumKit(5);
    db::DbDrumKitEntry copy;  // the same compared bytes; byte 419 is not compared
    std::ranges::copy(kitBytes, copy.bytes.begin());
    copy.bytes[419] ^= 0xFF;
    const int sameKit = db.files().append(copy);
    const int otherKit = db.addDrumKit(6);

    const auto drums = makeProgram("DRUMS", {.oscMode = 2, .kitSlot = 0, .voice = 4});
    auto onSlot3 = drums;
    onSlot3[12] = 3;
    auto slot5 = drums;
    slot5[12] = 5;
    auto slot6 = drums;
    slot6[12] = 6;
    auto single = drums;
    single[10] = 0;

    const int a = addProgram(db, drums, kit);
    const int b = addProgram(db, onSlot3, sameKit);
    const int c = addProgram(db, drums, otherKit);
    const int d = addProgram(db, slot5, -5);  // plays no stored kit
    const int e = addProgram(db, slot6, -6);
    const int f = addProgram(db, single);

    const int kits = differing(kitBytes, makeDrumKit(6), 0, 419);
    ASSERT_GT(kits, 100);
    EXPECT_EQ(nearest(db, Kind::Program, a),
              (std::vector<Near>{{b, 0, {}},
                                 {d, 1, {"drum kit"}},
                                 {e, 1, {"drum kit"}},
                                 {f, 2, {"oscMode", "drum kit"}},
                                 {c, kits, {"drum kit: " + std::to_string(kits) + " bytes"}}}));
    EXPECT_EQ(nearest(db, Kind::Program, d),
              (std::vector<Near>{{a, 1, {"drum kit"}},
                                 {b, 1, {"drum kit"}},
                                 {c, 1, {"drum kit"}},
                                 {e, 1, {"drumKitSlot"}},
                                 {f, 2, {"oscMode", "drumKitSlot"}}}));
}

TEST(Similarity, ACombinationsTimbresCountTheProgramsTheyPlayByContent) {
    TestDatabase db;
    const int piano = db.addProgram("PIANO", {.voice = 1});
    const int pianoCopy = db.addProgram("PIANO B", {.voice = 1});  // the same sound
    const int organ = db.addProgram("ORGAN", {.voice = 2});
    const auto base = makeCombination("SPLIT", {plays(0), plays(1), off(5), outside(9)}, 3);
    const int kept = addCombination(db, base, {piano, organ, 0, -1});
    auto moved = base;  // plays the copy, from another slot
    moved[40] = 77;
    const int same = addCombination(db, moved, {pianoCopy, organ, 0, -1});
    const int other = addCombination(db, base, {organ, organ, 0, -1});
    auto offByte = base;  // a disabled timbre's program byte counts as it stands
    offByte[40 + 24] = 6;
    offByte[40 + 36 + 10] = 0x80;  // timbre 4's bank: no longer "GM"
    const int raw = addCombination(db, offByte, {piano, organ, 0, 0});
    auto flags = base;
    flags[40 + 12 + 11] = 0x10;  // timbre 2 switched off
    flags[131] ^= 1;
    flags[132] ^= 1;  // not compared
    const int off = addCombination(db, flags, {piano, 0, 0, -1});

    const int apart =
        differing(makeProgram("", {.voice = 1}), makeProgram("", {.voice = 2}), 10, 162);
    ASSERT_GT(apart, 100);
    EXPECT_EQ(
        nearest(db, Kind::Combination, kept),
        (std::vector<Near>{
            {same, 0, {}},
            {raw, 2, {"timbre 3 program", "timbre 4 bank"}},
            {off, 3, {"timbre 2 program", "timbre 2 flags", "byte 131"}},
            {other, apart, {"timbre 1: PIANO -> ORGAN, " + std::to_string(apart) + " bytes"}}}));
}

TEST(Similarity, ProgramsOfTheSameSoundOrAByteApartKeepCombinationsNearAmongManyPrograms) {
    TestDatabase db;
    auto piano = makeProgram("Piano", {.voice = 1});
    const int a = addProgram(db, piano);
    const int copy = addProgram(db, piano);
    piano[57] ^= 1;
    std::ranges::copy(std::string("Caf\xE9\0", 5), piano.begin());
    const int near = addProgram(db, piano);
    for (unsigned v = 2; v < 200; ++v)  // many programs, few combinations: measured one by one
        db.addProgram("Other", {.voice = v});
    const auto split = makeCombination("SPLIT", {plays(0), plays(1)});
    const int kept = addCombination(db, split, {a, a});
    auto moved = split;
    moved[40] = 9;  // another slot, the same sound
    const int same = addCombination(db, moved, {copy, a});
    const int byteOff = addCombination(db, split, {near, a});
    const int twoOff = addCombination(db, split, {near, near});

    EXPECT_EQ(nearest(db, Kind::Combination, kept),
              (std::vector<Near>{{same, 0, {}},
                                 {byteOff, 1, {"timbre 1: Piano -> Caf\xC3\xA9, 1 byte"}},
                                 {twoOff,
                                  2,
                                  {"timbre 1: Piano -> Caf\xC3\xA9, 1 byte",
                                   "timbre 2: Piano -> Caf\xC3\xA9, 1 byte"}}}));
    EXPECT_EQ(nearest(db, Kind::Combination, twoOff, 1),
              (std::vector<Near>{{byteOff, 1, {"timbre 2: Caf\xC3\xA9 -> Piano, 1 byte"}}}));
}

TEST(Similarity, AListOfParametersNamesEightAtMostAndCountsTheRest) {
    std::vector<std::string> many;
    for (int i = 0; i < 142; ++i)
        many.push_back("byte " + std::to_string(30 + i));
    EXPECT_EQ(transfer::parameterText({many.begin(), many.begin() + 8}),
              "byte 30, byte 31, byte 32, byte 33, byte 34, byte 35, byte 36, byte 37");
    EXPECT_EQ(transfer::parameterText({many.begin(), many.begin() + 9}),
              "byte 30, byte 31, byte 32, byte 33, byte 34, byte 35, byte 36 and 2 more");
    EXPECT_EQ(transfer::parameterText(many),
              "byte 30, byte 31, byte 32, byte 33, byte 34, byte 35, byte 36 and 135 more");
    EXPECT_EQ(transfer::parameterText({}), "");
}
