// The groups of near-duplicates are exactly those a comparison of every pair finds, and the
// groups of one name hold only names that are the same and sounds that are not.
#include "transfer/near_duplicates.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "db_builder.h"
#include "transfer/similarity.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using db::Kind;
using Groups = std::vector<std::vector<std::int32_t>>;

namespace {

// Every pair compared: the groups of chains within `most`, largest first, then by lowest ID.
Groups pairwiseGroups(const db::RecordFiles& files, Kind kind, int most) {
    const auto coder = kind == Kind::Program ? transfer::SoundCoder::forPrograms(files)
                                             : transfer::SoundCoder::forCombinations(files);
    const std::int32_t count = files.count(kind);
    std::vector<transfer::SoundValues> v;
    for (std::int32_t n = 1; n <= count; ++n)
        v.push_back(coder.read(files, n));
    std::vector<std::int32_t> group(static_cast<std::size_t>(count));
    std::iota(group.begin(), group.end(), 0);
    for (std::int32_t a = 0; a < count; ++a)
        for (std::int32_t b = a + 1; b < count; ++b)
            if (transfer::distance(kind, v[a], v[b]) <= most && group[a] != group[b]) {
                const std::int32_t from = std::max(group[a], group[b]);
                const std::int32_t to = std::min(group[a], group[b]);
                std::ranges::replace(group, from, to);
            }
    Groups groups(static_cast<std::size_t>(count));
    for (std::int32_t n = 0; n < count; ++n)
        groups[static_cast<std::size_t>(group[n])].push_back(n + 1);
    std::erase_if(groups, [](const auto& g) { return g.size() < 2; });
    std::stable_sort(groups.begin(), groups.end(),
                     [](const auto& a, const auto& b) { return a.size() > b.size(); });
    return groups;
}

Byte another(std::mt19937& r, Byte b) {
    return static_cast<Byte>(b + 1 + r() % 255);
}

// A collection with near-duplicates planted at 0 to most + 1 changed values, in chains; half the
// sounds share a run of zeros, a cluster of sounds each a few values from one model shares
// nearly every block, and sixty copies of one sound differ in one byte only.
struct Planted {
    TestDatabase db;
    std::mt19937 r;
    int most;
    std::vector<std::vector<Byte>> programs;  // whole entries
    Planted(unsigned seed, int mostBytes) : r(seed), most(mostBytes) {}

    void change(std::vector<Byte>& e, Kind kind, std::size_t from, std::size_t to) {
        for (int k = static_cast<int>(r() % static_cast<unsigned>(most + 2)); k > 0; --k) {
            const std::size_t at = from + r() % (to - from);
            e[at] = another(r, e[at]);
            if (kind == Kind::Program && r() % 8 == 0) setLe32(e, 260, 1 + r() % 4);
            if (kind == Kind::Combination && r() % 4 == 0)
                setLe32(e, 232 + 4 * (r() % 8), static_cast<std::int32_t>(r() % 6) - 1);
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
        for (int i = 0; i < 90; ++i) {
            std::vector<Byte> e(264, 0);
            for (std::size_t at = 0; at < 164; ++at)
                e[at] = static_cast<Byte>(r());
            if (i % 2 == 0) std::fill(e.begin() + 100, e.begin() + 162, Byte{0});
            e[10] = static_cast<Byte>(r() % 3);
            if (e[10] == 2) {
                e[12] = static_cast<Byte>(r() % 5);
                setLe32(e, 260, e[12] < 4 ? 1 + static_cast<std::int32_t>(r() % 4) : -e[12]);
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
        for (int i = 0; i < 5; ++i)
            db.addProgram("P", {.voice = i < 2 ? 1u : 2u + i});  // programs 1 and 2: one sound
        for (int i = 0; i < 80; ++i) {
            std::vector<Byte> e(264, 0);
            for (std::size_t at = 10; at < 136; ++at)
                e[at] = static_cast<Byte>(r());
            if (i % 2 == 0) std::fill(e.begin() + 10, e.begin() + 60, Byte{0});
            for (int t = 0; t < 8; ++t)
                setLe32(e, 232 + 4 * static_cast<std::size_t>(t),
                        static_cast<std::int32_t>(r() % 7) - 1);
            chain(e, Kind::Combination, 132);
        }
        const auto model = makeCombination("MODEL", {plays(1), plays(2)});
        for (int i = 0; i < 70; ++i) {
            std::vector<Byte> e(264, 0);
            std::ranges::copy(model, e.begin());
            setLe32(e, 232, 1 + static_cast<std::int32_t>(r() % 2));
            change(e, Kind::Combination, 60, 100);
            db.files().appendEntry(Kind::Combination, e);
        }
    }
};

}  // namespace

TEST(NearDuplicates, TheCandidateSearchFindsExactlyTheGroupsOfAComparisonOfEveryPair) {
    for (const int most : {1, 2, 3, 8}) {
        Planted p(static_cast<unsigned>(100 + most), most);
        p.addPrograms();
        p.addCombinations();
        for (const Kind kind : {Kind::Program, Kind::Combination}) {
            SCOPED_TRACE(std::to_string(most) + (kind == Kind::Program ? " programs" : " combis"));
            const Groups expected = pairwiseGroups(p.db.files(), kind, most);
            ASSERT_GE(expected.size(), 10u) << "the collection plants groups";
            EXPECT_EQ(transfer::nearDuplicateGroups(p.db.files(), kind, most), expected);
            // A group as the window shows it counts the same distances as findSimilar.
            const auto full = kind == Kind::Program
                                  ? transfer::SoundCoder::forPrograms(p.db.files())
                                  : transfer::SoundCoder::forCombinations(p.db.files());
            // The distance from an entry's bytes is the distance of its values.
            const auto target = full.read(p.db.files(), 1);
            for (std::int32_t n = 1; n <= p.db.files().count(kind); n += 7) {
                db::DbProgramEntry e;
                p.db.files().readEntry(kind, n, e.bytes);
                const int d = transfer::distance(kind, target, full.encode(e.bytes));
                ASSERT_EQ(full.distanceUpTo(target, e.bytes, 200), d);
                ASSERT_EQ(full.distanceUpTo(target, e.bytes, d - 1), d) << "stops above most";
            }
            const auto& g = expected.front();
            const auto view = transfer::GroupDescriber(p.db.files(), kind).describe(g, g.back());
            for (std::size_t i = 0; i < g.size(); ++i)
                EXPECT_EQ(view.members[i].bytes,
                          transfer::distance(kind, full.read(p.db.files(), g.back()),
                                             full.read(p.db.files(), g[i])));
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
