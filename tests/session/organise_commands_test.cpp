// Merging a group of near-duplicates: what the preview says, what the merge writes, the
// combinations it makes one sound merged as well, one undo step that gives back every byte, and
// dedupe, which merges every group.
#include "session/organise_commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "consistency.h"
#include "db_builder.h"
#include "io/refusal.h"
#include "plain_distance.h"
#include "random_pcg.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using db::Kind;
using Lines = std::vector<std::string>;
using Ids = std::vector<std::int32_t>;

namespace {

int addProgram(TestDatabase& db, std::string_view name, std::vector<Byte> record,
               const EntryFields& fields = {}) {
    std::ranges::fill(Bytes(record).first(10), Byte{0});
    std::ranges::copy(name, record.begin());
    db::DbProgramEntry e;
    std::ranges::copy(record, e.bytes.begin());
    e.setDrumKitId(fields.drumKitId);
    for (std::size_t s = 0; s < fields.classIds.size(); ++s)
        e.setClassId(static_cast<int>(s), fields.classIds[s]);
    return db.files().append(e);
}

std::array<std::int32_t, 8> playing(std::int32_t a, std::int32_t b = 0) {
    return {a, b};
}

}  // namespace

TEST(Merge, CombinationsFollowTheKeptProgramWhichGainsTheClassesAndOneUndoGivesBackEveryByte) {
    TestDatabase db;
    for (int c = 1; c <= 12; ++c)
        db.addClass("C" + std::to_string(c));
    const auto base = makeProgram("", {.voice = 5});
    auto oneOff = base;
    oneOff[57] ^= 1;
    auto twoOff = oneOff;
    twoOff[60] ^= 1;
    addProgram(db, "PIANO 1", makeProgram("", {.voice = 1}));
    addProgram(db, "PIANO 2", twoOff, {.classIds = {1, 2}});
    addProgram(db, "PIANO 3", oneOff, {.classIds = {2, 3, 4, 5, 6, 7, 8, 9, 10}});
    addProgram(db, "ORGAN", makeProgram("", {.voice = 9}));
    addProgram(db, "PIANO 5", base, {.classIds = {11}});
    db.addCombination("C1", {plays(0), plays(1)}, {.timbreProgramIds = playing(2, 4)});
    db.addCombination("C2", {plays(0), plays(1)}, {.timbreProgramIds = playing(3, 5)});
    db.addCombination("C3", {plays(0)}, {.timbreProgramIds = playing(1)});
    session::Session& s = db.session();
    const DatabaseSnapshot before(db);
    const auto keptBefore = db.program(5);

    const auto plan = session::previewMerge(s, Kind::Program, {5, 3, 2}, 5);
    EXPECT_EQ(
        plan.lines,
        (Lines{"Keeps program 5 PIANO 5.", "Merges and deletes 2 programs: 2 PIANO 2, 3 PIANO 3.",
               "Combination 1 C1, timbre 1: plays program 5 in place of 2, a sound 2 bytes "
               "different.",
               "Combination 2 C2, timbre 1: plays program 5 in place of 3, a sound 1 byte "
               "different.",
               "Program 5 gains the classes: C1, C2, C3, C4, C5, C6, C7, C8.",
               "No room in program 5 for the classes (nine at most): C9, C10."}));
    EXPECT_EQ(DatabaseSnapshot(db), before) << "a preview changes nothing";
    EXPECT_FALSE(s.undoLog().canUndo());

    const session::MergeResult result = session::merge(s, plan);
    // Program 5 took number 2, then ORGAN (4) number 3.
    EXPECT_EQ(result.kept, 2);
    EXPECT_EQ(result.summary,
              "Merged 2 programs into program 2 PIANO 5: 2 combinations now play it (2 timbres "
              "with a sound that differs), 8 classes gained, 2 classes left out");
    EXPECT_EQ(result.classesLeftOut, (Lines{"C9", "C10"}));
    EXPECT_EQ(*result.events,
              (Lines{"Merged program 2 PIANO 2 into program 5 PIANO 5.",
                     "Merged program 3 PIANO 3 into program 5 PIANO 5.",
                     "Program 5 PIANO 5 is now program 2.",
                     "No room in program 2 for the classes (nine at most): C9, C10."}));
    EXPECT_EQ(s.files().count(Kind::Program), 3);
    EXPECT_EQ(joined(databaseProblems(s.files())), "");
    auto kept = keptBefore;  // only its number and its classes change
    kept.setIdNumber(2);
    for (int slot = 0; slot < 10; ++slot)
        kept.setClassId(slot,
                        std::array{11, 1, 2, 3, 4, 5, 6, 7, 8, 0}[static_cast<std::size_t>(slot)]);
    EXPECT_EQ(db.program(2), kept);
    EXPECT_EQ(db::entryName(db.program(3)), "ORGAN");
    for (const auto& [combination, t0, t1] : {std::tuple{1, 2, 3}, {2, 2, 2}, {3, 1, 0}}) {
        EXPECT_EQ(db.combination(combination).timbreProgramId(0), t0) << combination;
        EXPECT_EQ(db.combination(combination).timbreProgramId(1), t1) << combination;
    }

    ASSERT_TRUE(s.undoLog().canUndo());
    EXPECT_EQ(s.undoLog().undoName(), "Merge 2 Programs") << "counted as the summary counts";
    s.undoLog().undo();
    EXPECT_EQ(DatabaseSnapshot(db), before);
    EXPECT_FALSE(s.undoLog().canUndo());
}

TEST(Merge, ADrumKitMergesOnlyIntoAKitOfTheSameContent) {
    TestDatabase db;
    db.addDrumKit(1);
    auto copy = db.drumKit(1);
    copy.bytes[419] ^= 0xFF;  // not compared: the same content
    db.files().append(copy);
    db.addDrumKit(3);
    const auto drums = makeProgram("", {.oscMode = 2, .kitSlot = 1, .voice = 4});
    addProgram(db, "D1", drums, {.drumKitId = 1});
    addProgram(db, "D2", drums, {.drumKitId = 2});
    addProgram(db, "D3", makeProgram("", {.oscMode = 2, .voice = 6}), {.drumKitId = 2});
    addProgram(db, "D4", drums, {.drumKitId = 3});
    addProgram(db, "D5", makeProgram("", {.oscMode = 2, .voice = 7}), {.drumKitId = 3});
    session::Session& s = db.session();

    const auto plan = session::previewMerge(s, Kind::Program, {1, 2, 4}, 1);
    EXPECT_EQ(plan.lines,
              (Lines{"Keeps program 1 D1.", "Merges and deletes 2 programs: 2 D2, 4 D4.",
                     "No combination plays the merged programs.",
                     "Drum program 3 D3: plays drum kit 1 in place of 2, a kit of the "
                     "same content."}));
    const auto result = session::merge(s, plan);
    EXPECT_EQ(result.summary,
              "Merged 2 programs into program 1 D1: 1 drum program now plays its "
              "drum kit");
    EXPECT_EQ(s.files().count(Kind::Program), 3);
    EXPECT_EQ(db::entryName(db.program(2)), "D5");
    EXPECT_EQ(db.program(2).drumKitId(), 3) << "a kit of another content stays";
    EXPECT_EQ(db.program(3).drumKitId(), 1);
    EXPECT_EQ(s.files().count(Kind::DrumKit), 3) << "kits are never deleted";
}

TEST(Merge, APlanWhoseEntriesChangedOrThatKeepsNoneOfThemIsRefusedAndNothingChanges) {
    TestDatabase db;
    db.addCombination("A", {plays(0)}, {.classIds = {1}});
    db.addCombination("B", {plays(0)}, {.classIds = {2}});
    db.addClass("One");
    db.addClass("Two");
    session::Session& s = db.session();
    const auto refusal = [&](const std::function<void()>& command) {
        try {
            command();
        } catch (const io::RefusalError& e) {
            EXPECT_EQ(e.refusal().caption, "Merge");
            return e.refusal().text;
        }
        return std::string("no refusal");
    };
    EXPECT_EQ(refusal([&] {
                  session::previewMerge(s, Kind::Combination, {1, 2}, 3);
              }),
              "The combination to keep must be one of those merged.");
    EXPECT_EQ(refusal([&] {
                  session::previewMerge(s, Kind::Combination, {1, 1}, 1);
              }),
              "Choose at least two entries to merge.");

    const auto plan = session::previewMerge(s, Kind::Combination, {1, 2}, 1);
    auto b = db.combination(2);
    b.bytes[0] = 'C';
    db.files().write(2, b);
    const DatabaseSnapshot before(db);
    EXPECT_EQ(refusal([&] { session::merge(s, plan); }),
              "The database has changed since these combinations were found. Please find them "
              "again.");
    EXPECT_EQ(DatabaseSnapshot(db), before);
    EXPECT_FALSE(s.undoLog().canUndo()) << "no byte changed: no undo step";

    const auto result = session::merge(s, session::previewMerge(s, Kind::Combination, {1, 2}, 1));
    EXPECT_EQ(result.summary, "Merged 1 combination into combination 1 A: 1 class gained");
    EXPECT_EQ(s.undoLog().undoName(), "Merge 1 Combination");
    EXPECT_EQ(db.combination(1).classId(1), 2);
}

TEST(Merge, CombinationsThatBecomeTheSameSoundAreMergedIntoTheLowestOfThemInTheSameStep) {
    TestDatabase db;
    db.addClass("Keys");
    db.addClass("Stage");
    auto piano = makeProgram("", {.voice = 3});
    addProgram(db, "Piano", piano);
    for (const std::size_t at : {40, 50, 60}) {  // three variants, a byte off each
        auto variant = piano;
        variant[at] ^= 1;
        addProgram(db, "Piano " + std::to_string(at), variant);
    }
    addProgram(db, "Organ", makeProgram("", {.voice = 8}));
    // "Piano Str" sent from five files whose pianos sat in other slots; one plays the organ.
    for (int c = 0; c < 5; ++c)
        db.addCombination("Piano Str", {plays(c), plays(9)},
                          {.timbreProgramIds = playing(1 + (c % 4), 5), .classIds = {c % 2 + 1}});
    db.addCombination("Organ Str", {plays(0), plays(9)}, {.timbreProgramIds = playing(5, 5)});
    session::Session& s = db.session();
    const DatabaseSnapshot before(db);

    const auto plan = session::previewMerge(s, Kind::Program, {1, 2, 3, 4}, 1);
    EXPECT_EQ(plan.lines,
              (Lines{"Keeps program 1 Piano.",
                     "Merges and deletes 3 programs: 2 Piano 40, 3 Piano 50, 4 Piano 60.",
                     "Combination 2 Piano Str, timbre 1: plays program 1 in place of 2, a sound 1 "
                     "byte different.",
                     "Combination 3 Piano Str, timbre 1: plays program 1 in place of 3, a sound 1 "
                     "byte different.",
                     "Combination 4 Piano Str, timbre 1: plays program 1 in place of 4, a sound 1 "
                     "byte different.",
                     "Merges and deletes 4 combinations that become the same sound as combination "
                     "1 Piano Str: 2 Piano Str, 3 Piano Str, 4 Piano Str, 5 Piano Str.",
                     "Combination 1 gains the classes: Stage."}));
    const session::MergeResult result = session::merge(s, plan);
    EXPECT_EQ(
        result.summary,
        "Merged 3 programs into program 1 Piano: 3 combinations now play it (3 timbres with a "
        "sound that differs), 4 combinations that became the same sound merged into others");
    EXPECT_EQ((*result.events)[3],
              "Merged combination 2 Piano Str into combination 1 Piano Str, the same sound now.");
    EXPECT_EQ(s.undoLog().undoName(), "Merge 3 Programs and 4 Combinations");
    EXPECT_EQ(s.files().count(Kind::Combination), 2);
    EXPECT_EQ(db::entryName(db.combination(2)), "Organ Str");
    EXPECT_EQ(db.combination(1).classId(0), 1);
    EXPECT_EQ(db.combination(1).classId(1), 2);
    EXPECT_EQ(joined(databaseProblems(s.files())), "");
    s.undoLog().undo();
    EXPECT_EQ(DatabaseSnapshot(db), before);
}

// The programs that two combinations play on the one timbre in which alone they differ: merged,
// they make the two one sound.
std::vector<std::pair<std::int32_t, std::int32_t>> onlyProgramsApart(const db::RecordFiles& files) {
    std::vector<std::pair<std::int32_t, std::int32_t>> found;
    const std::int32_t count = files.count(Kind::Combination);
    for (std::int32_t a = 1; a <= count; ++a)
        for (std::int32_t b = a + 1; b <= count; ++b) {
            const auto x = files.read<db::DbCombinationEntry>(a);
            const auto y = files.read<db::DbCombinationEntry>(b);
            std::vector<std::pair<std::int32_t, std::int32_t>> apart;
            bool same = true;
            for (std::size_t i = 10; i < 132 && same; ++i)
                same = (i >= 40 && (i - 40) % 12 == 0) || x.bytes[i] == y.bytes[i];
            for (int t = 0; t < 8 && same; ++t) {
                const std::int32_t p = x.timbreProgramId(t);
                const std::int32_t q = y.timbreProgramId(t);
                same =
                    (p > 0) == (q > 0) && (p > 0 || x.bytes[40 + 12 * t] == y.bytes[40 + 12 * t]);
                if (p > 0 && p != q) apart.emplace_back(p, q);
            }
            if (same && apart.size() == 1) found.push_back(apart.front());
        }
    return found;
}

TEST(Merge, AfterRandomMergesNoTwoEntriesAreOneSoundAndDedupeLeavesNone) {
    TestDatabase db;
    session::Session& s = db.session();
    for (const std::uint32_t seed : {3u, 4u, 5u}) {
        s.pcg() = synthetic::randomPcg(seed);
        db::EventLines events;
        s.engine().sendPcgToDatabase(events, {});
    }
    // Copies of combinations that play another program on one timbre.
    std::mt19937 r(17);
    const auto any = [&](Kind kind) {
        return static_cast<std::int32_t>(1 +
                                         r() % static_cast<std::uint32_t>(s.files().count(kind)));
    };
    for (int i = 0; i < 30; ++i) {
        auto copy = db.combination(any(Kind::Combination));
        const int t = static_cast<int>(r() % 8);
        if (copy.timbreProgramId(t) < 1) continue;
        copy.setTimbreProgramId(t, any(Kind::Program));
        db.files().append(copy);
    }
    const auto sameSounds = [&](Kind kind) {
        const PlainDistance distance(s.files());
        int pairs = 0;
        for (std::int32_t a = 1; a <= s.files().count(kind); ++a)
            for (std::int32_t b = a + 1; b <= s.files().count(kind); ++b)
                pairs += distance(kind, a, b, 0) == 0;
        return pairs;
    };
    ASSERT_GT(sameSounds(Kind::Combination), 0) << "combinations sent from other slots";
    ASSERT_FALSE(session::dedupe(s, true, true, 0).empty());
    ASSERT_EQ(sameSounds(Kind::Program) + sameSounds(Kind::Combination), 0);

    int folded = 0;
    for (int step = 0; step < 16; ++step) {
        const Kind kind = step % 4 == 3 ? Kind::Combination : Kind::Program;
        std::vector<std::int32_t> members{any(kind), any(kind)};
        if (const auto apart = onlyProgramsApart(s.files());
            kind == Kind::Program && !apart.empty()) {
            const auto [p, q] = apart[r() % apart.size()];
            members = {p, q, any(kind)};
        }
        std::ranges::sort(members);
        members.erase(std::unique(members.begin(), members.end()), members.end());
        if (members.size() < 2) continue;
        const auto kept = members[r() % members.size()];
        folded += session::merge(s, session::previewMerge(s, kind, members, kept)).folded;
        ASSERT_EQ(sameSounds(Kind::Program) + sameSounds(Kind::Combination), 0) << step;
        ASSERT_EQ(joined(databaseProblems(s.files())), "") << step;
    }
    EXPECT_GT(folded, 4);
}

TEST(Dedupe, MergesEachGroupIntoItsLowestIdAndNamesTheEntriesAsTheDatabaseHadThem) {
    TestDatabase db;
    const auto base = makeProgram("", {.voice = 5});
    auto near = base;
    near[70] ^= 4;
    auto far = makeProgram("", {.voice = 6});
    addProgram(db, "A", base);
    addProgram(db, "Far", far);
    addProgram(db, "B", near);
    addProgram(db, "C", near);
    addProgram(db, "Far 2", makeProgram("", {.voice = 7}));
    addProgram(db, "D", base);
    far[99] ^= 1;
    addProgram(db, "Far copy", far);  // moves when the first group's programs go
    db.addCombination("X", {plays(0)}, {.timbreProgramIds = playing(6)});
    db.addCombination("Y", {plays(1)}, {.timbreProgramIds = playing(1)});
    db.addCombination("Z", {plays(2)}, {.timbreProgramIds = playing(3)}, 2);
    db.addCombination("W", {plays(4)}, {.timbreProgramIds = playing(5)}, 3);
    auto w = db.combination(4);
    w.bytes[70] ^= 2;
    db.files().append(w);
    session::Session& s = db.session();

    const auto rows = session::dedupe(s, true, true, 1);
    const auto row = [](Kind kind, std::int32_t kept, std::int32_t merged, int bytes) {
        return std::tuple{kind, kept, merged, bytes};
    };
    std::vector<std::tuple<Kind, std::int32_t, std::int32_t, int>> got;
    for (const session::DedupeRow& d : rows)
        got.push_back(row(d.kind, d.kept, d.merged, d.bytes));
    EXPECT_EQ(got, (std::vector{row(Kind::Program, 1, 3, 1), row(Kind::Program, 1, 4, 1),
                                row(Kind::Program, 1, 6, 0), row(Kind::Combination, 1, 2, 0),
                                row(Kind::Program, 2, 7, 1), row(Kind::Combination, 4, 5, 1)}));
    EXPECT_EQ(s.files().count(Kind::Program), 3);
    EXPECT_EQ(s.files().count(Kind::Combination), 3);
    EXPECT_EQ(s.undoLog().undoName(), "Merge 1 Combination");
}
