// The index of which entries play which, against a plain scan of the record files: after sends,
// appends, overwrites, deletions, undo and redo, Open and New Database and writes a failing disk
// cut short, it answers what reading the files entry by entry answers.
#include "db/references.h"

#include <gtest/gtest.h>

#include <map>

#include "db/entry_deletion.h"
#include "db_builder.h"
#include "random_changes.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using db::Kind;
using Changes = session::Session::Changes;
using Ids = std::vector<std::int32_t>;

namespace {

// Entry by entry, as the files hold them: for each program entry the combinations one of whose
// timbres names it, for each drum-kit entry the programs whose drumKitId names it.
struct Scan {
    std::map<std::int32_t, Ids> players;
    std::map<std::int32_t, Ids> kitUsers;
};

Scan plainScan(const db::RecordFiles& files) {
    Scan scan;
    std::vector<Byte> record(db::CombinationLayout::kSize);
    for (std::int32_t c = 1; c <= files.count(Kind::Combination); ++c) {
        files.readEntry(Kind::Combination, c, record);
        for (int t = 0; t < 8; ++t) {
            const std::int32_t p = le32(record, db::CombinationLayout::kTimbreProgramIds + 4 * t);
            if (p < 1) continue;  // none, or a program outside the banks
            Ids& list = scan.players[p];
            if (list.empty() || list.back() != c) list.push_back(c);
        }
    }
    for (std::int32_t p = 1; p <= files.count(Kind::Program); ++p) {
        files.readEntry(Kind::Program, p, record);
        const std::int32_t kit = le32(record, db::ProgramLayout::kDrumKitId);
        if (kit >= 1) scan.kitUsers[kit].push_back(p);
    }
    return scan;
}

std::string text(const Ids& ids) {
    std::string t = "{";
    for (const std::int32_t id : ids)
        t += (t.size() > 1 ? ", " : "") + std::to_string(id);
    return t + "}";
}

// Asks the index about every program and kit the files name, the entries around them and the
// values that name none; returns the answers that differ from the plain scan.
std::string differences(db::References& references, const db::RecordFiles& files) {
    const Scan scan = plainScan(files);
    std::string found;
    int shown = 0;
    const auto compare = [&](const char* what, std::int32_t id, const Ids& got,
                             const std::map<std::int32_t, Ids>& expected) {
        const auto it = expected.find(id);
        const Ids want = it == expected.end() ? Ids{} : it->second;
        if (got == want || ++shown > 5) return;
        found += std::string(what) + " " + std::to_string(id) + ": " + text(got) +
                 ", the files say " + text(want) + "\n";
    };
    std::int32_t programs = files.count(Kind::Program);
    if (!scan.players.empty()) programs = std::max(programs, scan.players.rbegin()->first);
    for (std::int32_t p = -2; p <= programs + 1; ++p)
        compare("program", p, references.combinationsPlaying(p), scan.players);
    std::int32_t kits = files.count(Kind::DrumKit);
    if (!scan.kitUsers.empty()) kits = std::max(kits, scan.kitUsers.rbegin()->first);
    for (std::int32_t k = -6; k <= kits + 1; ++k)
        compare("kit", k, references.programsOnKit(k), scan.kitUsers);
    return found;
}

}  // namespace

TEST(References, AnswersWhatAPlainScanOfTheFilesFindsAfterEveryKindOfChange) {
    for (const std::uint32_t seed : {1u, 2u, 3u, 4u, 5u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TestDatabase db;
        RandomChanges changes(db, seed);
        changes.make(Change::Send);
        for (int step = 0; step < 60; ++step) {
            changes.step();
            const std::string found = differences(db.session().references(), db.files());
            if (found.empty()) continue;
            ADD_FAILURE() << "after\n" << changes.lastSteps() << found;
            // Scanned afresh, so the steps after it are checked as well.
            db.session().references().fileReplaced(Kind::Combination);
            db.session().references().fileReplaced(Kind::Program);
        }
    }
}

TEST(References, EachPlayerOnceAscendingAndNeverForNoneOrOutsideTheBanks) {
    TestDatabase db;
    db::References& references = db.session().references();
    const int kit1 = db.addDrumKit(1);
    const int kit2 = db.addDrumKit(2);
    const int piano = db.addProgram("PIANO", {.osc1 = 10});
    const int pad = db.addProgram("PAD", {.osc1 = 11});
    const int drums = db.addProgram("DRUMS", {.oscMode = 2, .kitSlot = 0}, {.drumKitId = kit1});
    db.addProgram("DRUMS 2", {.oscMode = 2, .kitSlot = 0, .voice = 2}, {.drumKitId = kit1});
    db.addProgram("FAR KIT", {.oscMode = 2, .kitSlot = 5}, {.drumKitId = -5});
    db.addProgram("DRUMS 3", {.oscMode = 2, .kitSlot = 1}, {.drumKitId = kit2});
    db.addCombination("ONE", {}, {.timbreProgramIds = {pad, pad, -1, 0, piano}});
    db.addCombination("GM ONLY", {}, {.timbreProgramIds = {-1, 0, 0, -1}});
    db.addCombination("THREE", {}, {.timbreProgramIds = {0, 0, 0, 0, 0, 0, 0, pad}});
    db.addCombination("FOUR", {}, {.timbreProgramIds = {piano, pad, piano}});

    EXPECT_EQ(references.combinationsPlaying(pad), (Ids{1, 3, 4}));
    EXPECT_EQ(references.combinationsPlaying(piano), (Ids{1, 4}));
    for (const std::int32_t none : {-1, 0, drums, 7, 1000})
        EXPECT_EQ(references.combinationsPlaying(none), Ids{}) << none;
    EXPECT_EQ(references.programsOnKit(kit1), (Ids{3, 4}));
    EXPECT_EQ(references.programsOnKit(kit2), (Ids{6}));
    for (const std::int32_t none : {-5, -1, 0, 3, 5})
        EXPECT_EQ(references.programsOnKit(none), Ids{}) << none;

    // Entries appended and written again after the index was made, among the scanned ones.
    db.addCombination("FIVE", {}, {.timbreProgramIds = {pad, -1, pad}});
    db.addCombination("SIX", {}, {.timbreProgramIds = {drums}});
    db.addProgram("DRUMS 4", {.oscMode = 2, .kitSlot = 0, .voice = 3}, {.drumKitId = kit1});
    EXPECT_EQ(references.combinationsPlaying(pad), (Ids{1, 3, 4, 5}));
    EXPECT_EQ(references.combinationsPlaying(drums), (Ids{6}));
    EXPECT_EQ(references.programsOnKit(kit1), (Ids{3, 4, 7}));
    auto five = db.combination(5);
    five.setTimbreProgramId(0, piano);
    five.setTimbreProgramId(2, piano);
    db.files().write(5, five);
    auto one = db.combination(1);
    for (int t = 0; t < 8; ++t)
        one.setTimbreProgramId(t, t == 6 ? drums : 0);
    db.files().write(1, one);
    EXPECT_EQ(references.combinationsPlaying(pad), (Ids{3, 4}));
    EXPECT_EQ(references.combinationsPlaying(piano), (Ids{4, 5}));
    EXPECT_EQ(references.combinationsPlaying(drums), (Ids{1, 6}));
    auto seven = db.program(7);
    seven.setDrumKitId(kit2);
    db.files().write(7, seven);
    EXPECT_EQ(references.programsOnKit(kit1), (Ids{3, 4}));
    EXPECT_EQ(references.programsOnKit(kit2), (Ids{6, 7}));
    EXPECT_EQ(differences(references, db.files()), "");
}

TEST(References, AnUndoneDeletionOfTheLastEntryIsFoundAgain) {
    TestDatabase db;
    session::Session& s = db.session();
    db::References& references = s.references();
    db::EventLines events;
    const int kit = db.addDrumKit(1);
    const int piano = db.addProgram("PIANO", {.osc1 = 10});
    db.addCombination("ONE", {}, {.timbreProgramIds = {piano}});
    db.addCombination("TWO", {}, {.timbreProgramIds = {-1, piano}});
    EXPECT_EQ(references.combinationsPlaying(piano), (Ids{1, 2}));
    {
        const auto c = s.command("Delete", Changes::Database);
        db::deleteCombinationEntries(s.files(), {2}, events);
    }
    EXPECT_EQ(references.combinationsPlaying(piano), (Ids{1}));
    s.undoLog().undo();
    ASSERT_EQ(s.files().count(Kind::Combination), 2);
    // The undo raises the count without writing the records it brings back (the deletion of
    // the last entry lowered the count alone): the index must not stay blind to them.
    EXPECT_EQ(references.combinationsPlaying(piano), (Ids{1, 2}));
    s.undoLog().redo();
    EXPECT_EQ(references.combinationsPlaying(piano), (Ids{1}));

    // The same for a program appended after the index was made, then deleted and brought back.
    EXPECT_EQ(references.programsOnKit(kit), Ids{});
    const int drums = db.addProgram("DRUMS", {.oscMode = 2}, {.drumKitId = kit});
    EXPECT_EQ(references.programsOnKit(kit), (Ids{drums}));
    {
        const auto c = s.command("Delete", Changes::Database);
        db::deleteProgramEntries(s.files(), {drums}, events);
    }
    EXPECT_EQ(references.programsOnKit(kit), Ids{});
    s.undoLog().undo();
    ASSERT_EQ(s.files().count(Kind::Program), drums);
    EXPECT_EQ(references.programsOnKit(kit), (Ids{drums}));
}
