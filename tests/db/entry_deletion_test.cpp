#include <gtest/gtest.h>
#include <memory>

#include "db/entry_deletion.h"
#include "db/followed_entry.h"
#include "db_builder.h"
#include "failing_disk.h"

using namespace pelvaro;
using namespace pelvaro::db;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;

namespace {

using Lines = std::vector<std::string>;

EntryFields playing(std::array<std::int32_t, 8> ids) {
    EntryFields f;
    f.timbreProgramIds = ids;
    return f;
}

// Five programs P1..P5 and combinations that play some of them.
struct Five {
    TestDatabase db;
    Lines events;
    Five() {
        for (int i = 1; i <= 5; ++i)
            db.addProgram("P" + std::to_string(i), {.voice = 10u + i});
    }
    RecordFiles& files() { return db.files(); }
    std::string name(int id) const { return entryName(db.program(id)); }
};

}  // namespace

TEST(EntryDeletion, TheLastProgramMovesIntoTheFreedNumberAndItsReferencesFollow) {
    Five f;
    f.db.addCombination("C1", {plays(0)}, playing({1, 0, -1}));
    f.db.addCombination("C2", {plays(0), plays(1)}, playing({5, 2, 5}));
    const auto formerFive = f.db.program(5);
    const auto before = f.db.fileBytes(Kind::Program);

    EXPECT_EQ(deleteProgramEntry(f.files(), 3, f.events), Deletion::Deleted);
    EXPECT_TRUE(f.events.empty());
    EXPECT_EQ(f.files().count(Kind::Program), 4);
    const auto prg = f.db.fileBytes(Kind::Program);
    ASSERT_EQ(prg.size(), 6u * 264) << "the file is never shortened";
    EXPECT_EQ(le32(prg, 164), 4);
    auto moved = formerFive;
    moved.setIdNumber(3);
    EXPECT_TRUE(std::equal(moved.bytes.begin(), moved.bytes.end(), prg.begin() + 3 * 264));
    EXPECT_TRUE(std::equal(prg.begin() + 5 * 264, prg.end(), before.begin() + 5 * 264))
        << "the former last record stays beyond the count";
    EXPECT_EQ(f.db.combination(2).timbreProgramId(0), 3);
    EXPECT_EQ(f.db.combination(2).timbreProgramId(1), 2);
    EXPECT_EQ(f.db.combination(2).timbreProgramId(2), 3);
    EXPECT_EQ(f.db.combination(1).timbreProgramId(0), 1);
    EXPECT_EQ(f.db.combination(1).timbreProgramId(1), 0);
    EXPECT_EQ(f.db.combination(1).timbreProgramId(2), -1);

    // The last entry: only the count drops.
    const auto cmb = f.db.fileBytes(Kind::Combination);
    const auto prgBefore = f.db.fileBytes(Kind::Program);
    EXPECT_EQ(deleteProgramEntry(f.files(), 4, f.events), Deletion::Deleted);
    EXPECT_EQ(f.files().count(Kind::Program), 3);
    auto prgAfter = f.db.fileBytes(Kind::Program);
    EXPECT_EQ(le32(prgAfter, 164), 3);
    setLe32(prgAfter, 164, 4);
    EXPECT_EQ(prgAfter, prgBefore);
    EXPECT_EQ(f.db.fileBytes(Kind::Combination), cmb);
}

TEST(EntryDeletion, AProgramACombinationPlaysIsRefusedAndNothingChanges) {
    Five f;
    f.db.addCombination("C1", {plays(0)}, playing({0, 0, 0, 0, 0, 0, 0, 2}));
    const auto prg = f.db.fileBytes(Kind::Program);
    const auto cmb = f.db.fileBytes(Kind::Combination);
    f.events.push_back("old");
    deleteProgramEntries(f.files(), {2}, f.events);
    EXPECT_EQ(f.events, Lines{"Program 2 is used by some Combinations.Cannot delete it."});
    EXPECT_EQ(f.db.fileBytes(Kind::Program), prg);
    EXPECT_EQ(f.db.fileBytes(Kind::Combination), cmb);
    EXPECT_EQ(f.files().count(Kind::Program), 5);
    for (int bad : {0, 6, -1})
        EXPECT_EQ(deleteProgramEntry(f.files(), bad, f.events), Deletion::NoSuchEntry);
    EXPECT_EQ(f.db.fileBytes(Kind::Program), prg);
}

TEST(EntryDeletion, SeveralSelectedEntriesGoUnderTheirNumbersAtThatMoment) {
    Five f;
    deleteProgramEntries(f.files(), {1, 5}, f.events);
    ASSERT_EQ(f.files().count(Kind::Program), 3);
    EXPECT_EQ(f.name(1), "P4");
    EXPECT_EQ(f.name(2), "P2");
    EXPECT_EQ(f.name(3), "P3");
    for (int id = 1; id <= 3; ++id)
        EXPECT_EQ(f.db.program(id).idNumber(), id);
    EXPECT_TRUE(f.events.empty());

    // A refusal in the middle: the others still go, one line for the refused one.
    Five g;
    g.db.addCombination("C", {plays(0)}, playing({3}));
    deleteProgramEntries(g.files(), {2, 3, 5, 4}, g.events);
    EXPECT_EQ(g.events, Lines{"Program 3 is used by some Combinations.Cannot delete it."});
    ASSERT_EQ(g.files().count(Kind::Program), 2);
    EXPECT_EQ(g.name(1), "P1");
    EXPECT_EQ(g.name(2), "P3");
    EXPECT_EQ(g.db.combination(1).timbreProgramId(0), 2) << "followed its program";

    // Combinations: never refused, never a line.
    TestDatabase db;
    for (int i = 1; i <= 5; ++i)
        db.addCombination("C" + std::to_string(i), {plays(i)});
    Lines events{"old"};
    deleteCombinationEntries(db.files(), {5, 1, 2}, events);
    EXPECT_TRUE(events.empty());
    ASSERT_EQ(db.files().count(Kind::Combination), 2);
    EXPECT_EQ(entryName(db.combination(1)), "C4");
    EXPECT_EQ(entryName(db.combination(2)), "C3");
    EXPECT_EQ(db.combination(2).idNumber(), 2);
}

TEST(EntryDeletion, AFailedDeletionLeavesEveryReferenceOnTheProgramItPlayed) {
    // Combinations 1-3 play the last program; the disk fills up at each write in turn.
    for (int failing = 1; failing <= 6; ++failing) {
        Five f;
        for (int c = 0; c < 3; ++c)
            f.db.addCombination("C", {plays(0)}, playing({5, 1}));
        const auto five = f.db.program(5);
        const std::vector<Byte> played(five.program().begin(), five.program().end());
        auto fault = std::make_unique<FailNth>(FailNth::Op::ShortWrite, failing);
        bool failed = false;
        try {
            deleteProgramEntry(f.files(), 2, f.events);
        } catch (const io::FileError&) {
            failed = true;
        }
        fault.reset();
        const int count = f.files().count(Kind::Program);
        EXPECT_EQ(count, failed ? 5 : 4) << failing;
        for (int c = 1; c <= 3; ++c) {
            const int id = f.db.combination(c).timbreProgramId(0);
            ASSERT_TRUE(id >= 1 && id <= count) << failing;
            EXPECT_TRUE(std::ranges::equal(f.db.program(id).program(), played)) << failing;
        }
    }
}

TEST(EntryDeletion, AFollowedEntryIsFoundUnderTheNumberItTook) {
    Five f;
    f.db.addCombination("C", {plays(0)}, playing({5, 0, 0}));
    FollowedEntry one(f.files(), Kind::Program, 1);
    FollowedEntry three(f.files(), Kind::Program, 3);
    FollowedEntry five(f.files(), Kind::Program, 5);
    FollowedEntry combination(f.files(), Kind::Combination, 1);
    ASSERT_EQ(deleteProgramEntry(f.files(), 3, f.events), Deletion::Deleted);
    const auto found = [&](FollowedEntry& e) {
        return e.findAgain(f.files(), f.db.session().names()) ? e.id() : -e.id();
    };
    EXPECT_EQ(found(one), 1);
    EXPECT_EQ(found(three), -3) << "deleted: not found, its number kept";
    EXPECT_EQ(found(five), 3) << "the last program took the freed number";
    EXPECT_EQ(found(combination), 1) << "the program it plays was renumbered, not its sound";
}
