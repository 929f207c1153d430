// The groups of near-duplicates are exactly those a comparison of every pair finds, by the
// distance counted plainly (tests/support), and the groups of one name hold only names that
// are the same and sounds that are not.
#include "transfer/near_duplicates.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "db_builder.h"
#include "plain_distance.h"
#include "transfer/similarity.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using db::Kind;
using Groups = std::vector<std::vector<std::int32_t>>;

namespace {

Byte another(std::mt19937& r, Byte b) {
    return static_cast<Byte>(b + 1 + r() % 255);
}

// A collection with near-duplicates planted at 0 to most + 1 changed values, in chains; half the
// sounds share a run of zeros, a cluster of sounds each a few values from one model shares
// nearly every block, and sixty copies of one sound differ in one byte only. The kits and the
// programs the combinations play are of one content, a byte or two apart, or far apart.
struct Planted {
    TestDatabase db;
    std::mt19937 r;
    int most;
    std::vector<std::int32_t> played;  // the programs the combinations play, -1 and 0 among them
    Planted(unsigned seed, int mostBytes) : r(seed), most(mostBytes) {}

    void change(std::vector<Byte>& e, Kind kind, std::size_t from, std::size_t to) {
        for (int k = static_cast<int>(r() % static_cast<unsigned>(most + 2)); k > 0; --k) {
            const std::size_t at = from + r() % (to - from);
            e[at] = another(r, e[at]);
            if (kind == Kind::Program && r() % 8 == 0) setLe32(e, 260, 1 + r() % 6);
            if (kind == Kind::Combination && r() % 4 == 0)
                setLe32(e, 232 + 4 * (r() % 8), played[r() % played.size()]);
        }
    }
    // A sound, then copies of it and of its copies.
    void chain(std::vector<Byte> e, Kind kind, std::size_t end) {
        for (int copies = static_cast<int>(r() % 4); copies >= 0; --copies) {
            db.files().appendEntry(kind, e);
            change(e, kind, pcg::kNameSize, end);
        }
    }
    void addPrograms() {
        for (unsigned v = 1; v <= 4; ++v)
            db.addDrumKit(v <= 2 ? 1 : v);  // kits 1 and 2 of one content
        for (int k = 1; k <= 2; ++k) {      // kits 5 and 6: kit 3 a byte and two bytes off
            auto kit = db.drumKit(3);
            for (int b = 0; b < k; ++b)
                kit.bytes[static_cast<std::size_t>(100 + 50 * b)] ^= 0x21;
            db.files().append(kit);
        }
        for (int i = 0; i < 90; ++i) {
            std::vector<Byte> e(264, 0);
            for (std::size_t at = 0; at < 164; ++at)
                e[at] = static_cast<Byte>(r());
            if (i % 2 == 0) std::fill(e.begin() + 100, e.begin() + 162, Byte{0});
            e[10] = static_cast<Byte>(r() % 3);
            if (e[10] == 2) {
                e[12] = static_cast<Byte>(r() % 5);
                setLe32(e, 260, e[12] < 4 ? 1 + static_cast<std::int32_t>(r() % 6) : -e[12]);
            }
            chain(e, Kind::Program, 162);
        }
        const auto model = makeProgram("MODEL", {.voice = 7});
        for (int i = 0; i < 100; ++i) {
            std::vector<Byte> e(264, 0);
            std::ranges::copy(model, e.begin());
            change(e, Kind::Program, 10, 40);
            db.files().appendEntry(Kind::Program, e);
        }
        // Sixty copies of one sound that differ in one byte only.
        for (int i = 0; i < 60; ++i) {
            std::vector<Byte> e(264, 0);
            std::ranges::copy(makeProgram("COPY", {.voice = 8}), e.begin());
            e[99] = static_cast<Byte>(i);
            db.files().appendEntry(Kind::Program, e);
        }
    }
    void addCombinations() {
        // One sound twice, the same a byte off and three bytes off, another sound, and drum
        // programs on kits a byte apart.
        db::DbProgramEntry p;
        std::ranges::copy(makeProgram("P", {.voice = 1}), p.bytes.begin());
        played = {-1, 0, db.files().append(p), db.files().append(p)};
        for (const std::size_t at : {20, 30, 40}) {
            p.bytes[at] ^= 0x11;
            if (at != 30) played.push_back(db.files().append(p));
        }
        played.push_back(db.addProgram("Q", {.voice = 9}));
        for (const std::int32_t kit : {3, 5})
            played.push_back(db.addProgram("D", {.oscMode = 2, .kitSlot = 1}, {.drumKitId = kit}));
        for (int i = 0; i < 80; ++i) {
            std::vector<Byte> e(264, 0);
            for (std::size_t at = 10; at < 136; ++at)
                e[at] = static_cast<Byte>(r());
            if (i % 2 == 0) std::fill(e.begin() + 10, e.begin() + 60, Byte{0});
            for (int t = 0; t < 8; ++t)
                setLe32(e, 232 + 4 * static_cast<std::size_t>(t), played[r() % played.size()]);
            chain(e, Kind::Combination, 132);
        }
        const auto model = makeCombination("MODEL", {plays(1), plays(2)});
        for (int i = 0; i < 70; ++i) {
            std::vector<Byte> e(264, 0);
            std::ranges::copy(model, e.begin());
            setLe32(e, 232, played[2 + r() % (played.size() - 2)]);
            change(e, Kind::Combination, 60, 100);
            db.files().appendEntry(Kind::Combination, e);
        }
        // Sixty of one model that differ in the program timbre 1 plays (one sound, a byte or
        // three bytes off it, another sound) and in one byte or none: a kit or program that
        // counts more than one value at a place where they vary.
        const auto split = makeCombination("SPLIT", {plays(3), plays(4)}, 5);
        for (int i = 0; i < 60; ++i) {
            std::vector<Byte> e(264, 0);
            std::ranges::copy(split, e.begin());
            setLe32(e, 232, played[2 + r() % 5]);
            setLe32(e, 236, played[2]);
            if (r() % 2 == 0) e[60 + r() % 20] ^= 0x40;
            db.files().appendEntry(Kind::Combination, e);
        }
    }
};

}  // namespace

TEST(NearDuplicates, TheCandidateSearchFindsExactlyTheGroupsOfAComparisonOfEveryPair) {
    for (const int most : {0, 1, 2, 3, 8}) {
        Planted p(static_cast<unsigned>(100 + most), std::max(most, 1));
        p.addPrograms();
        p.addCombinations();
        const db::RecordFiles& files = p.db.files();
        const PlainDistance plainDistance(files);
        for (const Kind kind : {Kind::Program, Kind::Combination}) {
            SCOPED_TRACE(std::to_string(most) + (kind == Kind::Program ? " programs" : " combis"));
            const Groups expected = plainDistance.groups(kind, most);
            ASSERT_GE(expected.size(), most == 0 ? 2u : 10u) << "the collection plants groups";
            EXPECT_EQ(transfer::nearDuplicateGroups(files, kind, most), expected);
            // A group as the window shows it, and the nearest entries, count the same distance.
            const auto& g = expected.front();
            const auto view = transfer::GroupDescriber(files, kind).describe(g, g.back());
            for (std::size_t i = 0; i < g.size(); ++i)
                EXPECT_EQ(view.members[i].bytes, plainDistance(kind, g.back(), g[i]));
            for (std::int32_t target = 1; target <= files.count(kind); target += 41) {
                std::vector<std::pair<int, std::int32_t>> all;
                for (std::int32_t n = 1; n <= files.count(kind); ++n)
                    if (n != target) all.emplace_back(plainDistance(kind, target, n), n);
                std::ranges::sort(all);
                all.resize(12);
                std::vector<std::pair<int, std::int32_t>> found;
                for (const auto& n : transfer::findSimilar(files, kind, target, 12))
                    found.emplace_back(n.bytes, n.id);
                ASSERT_EQ(found, all) << target;
            }
        }
    }
}

TEST(NearDuplicates, SameNamesAreComparedAsTheSearchDoesAndOnlyDifferentSoundsAreListed) {
    TestDatabase db;
    db.addProgram("Pad", {.voice = 1});
    db.addProgram("Same", {.voice = 2});
    db.addProgram(" PAD  ", {.voice = 3});
    db.addProgram("Same", {.voice = 2});  // one sound twice: not listed
    db.addProgram(
        "\xC9"
        "clat",
        {.voice = 4});
    db.addProgram("pad", {.voice = 1});
    db.addProgram(
        "\xE9"
        "CLAT",
        {.voice = 5});
    db.addProgram("", {.voice = 6});  // no name
    db.addProgram("", {.voice = 7});

    const auto groups = transfer::sameNameGroups(db.files(), Kind::Program);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].name, "Pad");
    EXPECT_EQ(groups[0].members, (std::vector<std::int32_t>{1, 3, 6}));
    EXPECT_EQ(groups[1].name,
              "\xC9"
              "clat");
    EXPECT_EQ(groups[1].members, (std::vector<std::int32_t>{5, 7}));
}
