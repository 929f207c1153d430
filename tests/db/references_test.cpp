// The index of which entries play which, against a plain scan of the record files: after sends,
// appends, overwrites, deletions, undo and redo, Open and New Database and writes a failing disk
// cut short, it answers what reading the files entry by entry answers.
#include "db/references.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "db/database_file.h"
#include "db/entry_deletion.h"
#include "db_builder.h"
#include "failing_disk.h"
#include "random_pcg.h"

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

std::int32_t anyOf(std::mt19937& r, std::int32_t count) {
    return count < 1 ? 0 : static_cast<std::int32_t>(r() % static_cast<std::uint32_t>(count)) + 1;
}

// Timbre program IDs as the database holds them: none, outside the banks, a program entry,
// and the same program on two timbres.
std::array<std::int32_t, 8> someTimbres(std::mt19937& r, std::int32_t programs) {
    std::array<std::int32_t, 8> ids{};
    for (std::size_t t = 0; t < ids.size(); ++t) {
        switch (r() % 4) {
            case 0:
                ids[t] = 0;
                break;
            case 1:
                ids[t] = -1;
                break;
            case 2:
                ids[t] = t > 0 ? ids[t - 1] : anyOf(r, programs);
                break;
            default:
                ids[t] = anyOf(r, programs);
        }
    }
    return ids;
}

// Entries to delete: some at random, often the last one.
Ids someEntries(std::mt19937& r, std::int32_t count) {
    Ids ids;
    if (count < 1) return ids;
    if (r() % 2) ids.push_back(count);
    for (std::uint32_t i = r() % 3; i > 0; --i)
        ids.push_back(anyOf(r, count));
    return ids;
}

// Change number kind (0-9) to the database, its details drawn from r; returns what it was.
std::string change(TestDatabase& db, std::mt19937& r, std::uint32_t kind,
                   const db::DatabasePaths& saved) {
    session::Session& s = db.session();
    db::RecordFiles& files = s.files();
    db::EventLines events;
    const std::int32_t programs = files.count(Kind::Program);
    const std::int32_t combinations = files.count(Kind::Combination);
    switch (kind) {
        case 0: {
            const auto c = s.command("Send PCG to Database", Changes::Database);
            s.engine().sendPcgToDatabase(synthetic::randomPcg(r()), events, {});
            return "send";
        }
        case 1: {
            const auto c = s.command("Add", Changes::Database);
            for (std::uint32_t i = 1 + r() % 3; i > 0; --i)
                db.addCombination("ADDED", {plays(0)},
                                  {.timbreProgramIds = someTimbres(r, programs)});
            return "append";
        }
        case 2: {
            if (combinations == 0) return "nothing";
            const auto c = s.command("Submit", Changes::Database);
            const std::int32_t n = anyOf(r, combinations);
            auto entry = files.read<db::DbCombinationEntry>(n);
            const auto ids = someTimbres(r, programs);
            for (int t = 0; t < 8; ++t)
                entry.setTimbreProgramId(t, ids[static_cast<std::size_t>(t)]);
            files.write(n, entry);
            return "overwrite combination " + std::to_string(n);
        }
        case 3: {
            if (programs == 0) return "nothing";
            const auto c = s.command("Submit", Changes::Database);
            const std::int32_t n = anyOf(r, programs);
            auto entry = files.read<db::DbProgramEntry>(n);
            const std::int32_t kits = files.count(Kind::DrumKit);
            entry.setDrumKitId(r() % 4 == 0 ? -4 - static_cast<std::int32_t>(r() % 3)
                                            : static_cast<std::int32_t>(r() % (kits + 1)));
            files.write(n, entry);
            return "overwrite program " + std::to_string(n);
        }
        case 4: {
            const auto c = s.command("Delete", Changes::Database);
            const Ids ids = someEntries(r, combinations);
            db::deleteCombinationEntries(files, ids, events);
            return "delete combinations " + text(ids);
        }
        case 5: {
            const auto c = s.command("Delete", Changes::Database);
            const Ids ids = someEntries(r, programs);
            db::deleteProgramEntries(files, ids, events);
            return "delete programs " + text(ids);
        }
        case 6:
            s.undoLog().undo();
            return "undo";
        case 7:
            s.undoLog().redo();
            return "redo";
        case 8: {
            // A send, an append, an overwrite, a deletion or an Open Database on a disk that
            // fails part way.
            const std::uint32_t what = std::array<std::uint32_t, 7>{0, 1, 2, 3, 4, 5, 9}[r() % 7];
            const auto op = r() % 2 ? FailNth::Op::Write : FailNth::Op::ShortWrite;
            const FailNth fail(op, 1 + static_cast<int>(r() % 4));
            try {
                return change(db, r, what, saved) + " on a failing disk";
            } catch (const io::FileError&) {
                const std::array<const char*, 10> names{"send",
                                                        "append",
                                                        "overwrite combination",
                                                        "overwrite program",
                                                        "delete combinations",
                                                        "delete programs",
                                                        "",
                                                        "",
                                                        "",
                                                        "open or new database"};
                return std::string(names[what]) + " failed part way";
            }
        }
        default:
            if (r() % 2) {
                s.openDatabase(saved.database);
                return "open database";
            }
            s.newDatabase();
            return "new database";
    }
}

}  // namespace

TEST(References, AnswersWhatAPlainScanOfTheFilesFindsAfterEveryKindOfChange) {
    for (const std::uint32_t seed : {1u, 2u, 3u, 4u, 5u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TestDatabase db;
        const TempDir elsewhere;
        session::Session& s = db.session();
        std::mt19937 r(seed);
        db::EventLines events;
        s.engine().sendPcgToDatabase(synthetic::randomPcg(r()), events, {});
        db.addDrumKit(50);
        const db::DatabasePaths saved = s.exportDatabase(elsewhere.file("saved"));
        std::vector<std::string> steps{"first send"};
        for (int step = 0; step <= 60; ++step) {
            if (step > 0) steps.push_back(change(db, r, r() % 10, saved));
            const std::string found = differences(s.references(), s.files());
            if (found.empty()) continue;
            std::string last;
            for (std::size_t i = steps.size() > 4 ? steps.size() - 4 : 0; i < steps.size(); ++i)
                last += "  " + std::to_string(i) + " " + steps[i] + "\n";
            ADD_FAILURE() << "after step " << steps.size() - 1 << " of\n" << last << found;
            // Scanned afresh, so the steps after it are checked as well.
            s.references().fileReplaced(Kind::Combination);
            s.references().fileReplaced(Kind::Program);
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
