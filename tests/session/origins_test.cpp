// Where every sound came from, and the musician's marks: every PCG file sent can be given back
// byte for byte for as long as its sounds stay as they were, through whatever else the
// database goes through; marks follow their entries.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "db_builder.h"
#include "pcg/pcg_files.h"
#include "random_pcg.h"
#include "session/batch_send.h"
#include "session/commands.h"
#include "session/merge_databases.h"
#include "session/organise_commands.h"
#include "session/organise_rules.h"
#include "session/origin_commands.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using db::Kind;
using What = db::MarkChange::What;

namespace {

struct Sent {
    TestDatabase db;
    TempDir files;
    session::Session& s = db.session();

    std::string file(int seed) { return files.file("set" + std::to_string(seed) + ".pcg"); }
    std::string write(int seed) {
        synthetic::writeRandomPcgFile(file(seed), static_cast<std::uint32_t>(seed));
        return file(seed);
    }
    void sendFiles(const std::vector<int>& seeds) {
        std::vector<std::string> paths;
        for (int seed : seeds)
            paths.push_back(write(seed));
        session::BatchSend run(s, paths);
        while (!run.done())
            run.sendNext();
        ASSERT_FALSE(run.failure());
    }
    // The file as given back, and the slots said to differ.
    std::pair<std::vector<Byte>, std::vector<std::string>> givenBack(int seed) {
        const auto number = session::sentFileNamed(s, file(seed));
        EXPECT_TRUE(number) << seed;
        if (!number) return {};
        const std::string out = files.file("back.pcg");
        const auto result = session::giveBackPcg(s, *number, out);
        EXPECT_FALSE(result.failure) << *result.failure;
        return {readBytes(out), result.differences};
    }
    void expectGivenBack(const std::vector<int>& seeds, const std::string& when) {
        for (int seed : seeds) {
            const auto [bytes, differences] = givenBack(seed);
            EXPECT_TRUE(bytes == readBytes(file(seed))) << "file " << seed << " " << when;
            EXPECT_TRUE(differences.empty()) << differences.front();
        }
    }
};

}  // namespace

TEST(Origins, EveryFileSentIsGivenBackByteForByteThroughLaterWork) {
    Sent t;
    t.s.setClock([] { return std::int64_t{1796731200}; });  // 2026-12-08 12:00 UTC
    // Entries made here first, so that deleting them moves sent ones to other numbers.
    const int own = t.db.addProgram("OWN");
    t.db.addCombination("OWNCOMBI", {synthetic::off()});
    t.sendFiles({1, 2, 3});
    // One more by Import Pcg and Send PCG to Database, sent twice: a second origin each.
    ASSERT_FALSE(session::importPcg(t.s, t.write(4)).refusal);
    session::sendPcgToDatabase(t.s, session::PcgPart::Everything, {});
    session::sendPcgToDatabase(t.s, session::PcgPart::Everything, {});
    const std::vector<int> all{1, 2, 3, 4};
    t.expectGivenBack(all, "as sent");
    EXPECT_EQ(t.s.origins().files().size(), 5u);
    EXPECT_EQ(t.s.origins().files()[3].name, "set4.pcg");
    EXPECT_EQ(t.s.origins().files()[3].folder, t.files.path());

    // Stored sounds renamed, entries deleted (the last ones taking their numbers), a later send
    // undone and done again, an export opened again: every file still comes back as it was.
    const auto renamed = session::replaceInNames(
        t.s, Kind::Program, {2, 3, 4}, {.mode = db::NameEdit::Mode::Number, .base = "Re "});
    ASSERT_GT(renamed.renamed, 0);
    session::deleteEntries(t.s, Kind::Program, {own});
    session::deleteEntries(t.s, Kind::Combination, {1});
    t.expectGivenBack(all, "after renaming and deleting");
    t.sendFiles({5});
    t.s.undoLog().undo();
    EXPECT_FALSE(session::sentFileNamed(t.s, t.file(5))) << "the send is undone with its origins";
    t.s.undoLog().undo();
    t.s.undoLog().redo();
    t.s.undoLog().redo();
    t.expectGivenBack({1, 2, 3, 4, 5}, "after undo and redo");
    const std::string pvd = t.files.file("bank.pvd");
    session::exportDatabase(t.s, pvd);
    session::newDatabase(t.s);
    EXPECT_TRUE(t.s.origins().files().empty());
    const auto opened = session::openDatabase(t.s, pvd);
    EXPECT_FALSE(opened.refusal);
    t.expectGivenBack({1, 2, 3, 4, 5}, "after export and open");

    // A sound changed since, and one deleted: the file is written all the same, and says so.
    const std::vector<db::Origin> slots =
        t.s.origins().originsOfFile(*session::sentFileNamed(t.s, t.file(2)));
    const auto program = std::ranges::find(slots, Kind::Program, &db::Origin::kind);
    const auto combination = std::ranges::find(slots, Kind::Combination, &db::Origin::kind);
    ASSERT_NE(program, slots.end());
    ASSERT_NE(combination, slots.end());
    {
        const auto step = t.s.command("Edit", session::Session::Changes::Database);
        auto entry = t.db.program(program->id);
        entry.bytes[40] ^= 0x55;
        t.s.files().write(program->id, entry);
    }
    session::deleteEntries(t.s, Kind::Combination, {combination->id});
    const auto [bytes, differences] = t.givenBack(2);
    EXPECT_EQ(bytes.size(), pcg::kPcgSize);
    EXPECT_NE(bytes, readBytes(t.file(2)));
    EXPECT_NE(std::ranges::find(differences, db::originSlotText(Kind::Program, program->slot) +
                                                 ": program " + std::to_string(program->id) +
                                                 " changed since"),
              differences.end());
    EXPECT_NE(
        std::ranges::find(differences, db::originSlotText(Kind::Combination, combination->slot) +
                                           ": combination was deleted; the slot is empty"),
        differences.end());
    t.expectGivenBack({1, 3}, "beside a file that changed");

    // What the detail panel shows of an entry: the first origin, and how many more files.
    const std::vector<db::Origin> kits = t.s.origins().originsOf(Kind::DrumKit, 1);
    std::set<std::int32_t> from;
    for (const db::Origin& o : kits)
        from.insert(o.file);
    ASSERT_GT(from.size(), 1u);
    const session::OriginsText text = session::originsText(t.s, Kind::DrumKit, 1);
    EXPECT_EQ(text.line, "From set1.pcg " + db::originSlotText(Kind::DrumKit, kits[0].slot) +
                             ", 8 Dec 2026, and " + std::to_string(from.size() - 1) + " more file" +
                             (from.size() > 2 ? "s" : ""));
    EXPECT_EQ(std::ranges::count(text.whole, '\n') + 1, static_cast<std::ptrdiff_t>(kits.size()));
}

TEST(Origins, MarksFollowTheirEntriesAndEachChangeIsOneStep) {
    TestDatabase db;
    session::Session& s = db.session();
    for (const char* name : {"ONE", "TWO", "THREE", "FOUR"})
        db.addProgram(name, {.osc1 = 5});
    const auto mark = [&](std::vector<std::int32_t> ids, db::MarkChange change) {
        return session::markEntries(s, Kind::Program, ids, change);
    };
    const auto marks = [&](std::int32_t id) { return s.origins().marks(Kind::Program, id); };
    EXPECT_EQ(mark({3}, {What::ToggleFavourite}).summary, "Marked 1 program as favourites");
    mark({4}, {What::Rating, 4});
    mark({2, 4}, {What::ToggleHidden});
    EXPECT_EQ(s.undoLog().undoName(), "Hide");
    const std::size_t steps = s.undoLog().bytes();
    mark({2, 4}, {What::Hide});
    EXPECT_EQ(s.undoLog().bytes(), steps) << "nothing changed, no step";
    EXPECT_EQ(marks(4), (db::Marks{.favourite = false, .hidden = true, .rating = 4}));

    // Deleting ONE moves FOUR to number 1, its marks with it; Undo takes both back.
    session::deleteEntries(s, Kind::Program, {1});
    EXPECT_EQ(marks(1), (db::Marks{.hidden = true, .rating = 4}));
    EXPECT_EQ(marks(3), (db::Marks{.favourite = true}));
    s.undoLog().undo();
    EXPECT_EQ(marks(1), db::Marks{});
    EXPECT_EQ(marks(4).rating, 4);

    // They are the database's: exported, opened, and merged into the kept entry.
    TempDir out;
    session::exportDatabase(s, out.file("marks"));
    session::newDatabase(s);
    EXPECT_EQ(marks(4), db::Marks{});
    session::openDatabase(s, out.file("marks.pvd"));
    EXPECT_EQ(marks(3), (db::Marks{.favourite = true}));
    session::merge(s, session::previewMerge(s, Kind::Program, {2, 3, 4}, 2));
    EXPECT_EQ(marks(2), (db::Marks{.favourite = true, .hidden = false, .rating = 4}))
        << "favourite when any was, the highest rating, hidden only when all were";
    EXPECT_EQ(s.files().count(Kind::Program), 2);
    EXPECT_EQ(marks(1), db::Marks{});
}

TEST(Origins, ADamagedOriginsMemberCostsOnlyWhatCannotBeRead) {
    Sent t;
    t.sendFiles({1, 2});
    session::markEntries(t.s, Kind::Program, {1}, {What::Favourite});
    const std::string pvd = t.files.file("bank.pvd");
    session::exportDatabase(t.s, pvd);
    const std::string member =
        db::originsMemberPath(db::databasePaths(t.files.file("bank")).members[0]);
    EXPECT_EQ(member, t.files.file("bank.pvo"));
    std::vector<Byte> bytes = readBytes(member);
    const DatabaseSnapshot records(t.db);

    // The last record cut short: the sends before it stay, the marks after them go.
    writeBytes(member, std::vector<Byte>(bytes.begin(), bytes.end() - 3));
    const auto opened = session::openDatabase(t.s, pvd);
    ASSERT_TRUE(opened.refusal);
    EXPECT_TRUE(opened.refusal->text.starts_with(
        "The origins and marks of this database cannot all be read: " + member + ": "))
        << opened.refusal->text;
    EXPECT_EQ(DatabaseSnapshot(t.db), records);
    EXPECT_EQ(t.s.origins().files().size(), 2u);
    EXPECT_FALSE(t.s.origins().marks(Kind::Program, 1).favourite);
    t.expectGivenBack({1, 2}, "from a member cut short");

    // Another file under its name, and none at all: no origins, the entries all there.
    writeBytes(member, {'K', 'O', 'R', 'G'});
    EXPECT_TRUE(session::openDatabase(t.s, pvd).refusal);
    EXPECT_TRUE(t.s.origins().files().empty());
    std::filesystem::remove(member);
    EXPECT_FALSE(session::openDatabase(t.s, pvd).refusal);
    EXPECT_TRUE(t.s.origins().files().empty());
    EXPECT_EQ(DatabaseSnapshot(t.db), records);
}

TEST(Origins, AMergedDatabaseGivesBackEveryFileSentIntoEitherAndJoinsTheMarks) {
    Sent b;
    b.sendFiles({1, 2});
    session::markEntries(b.s, Kind::Program, {1, 2, 3}, {What::Favourite});
    session::markEntries(b.s, Kind::Program, {2, 4, 5}, {What::Rating, 2});
    session::markEntries(b.s, Kind::Program, {1, 5, 6}, {What::Hide});
    const std::string pvd = session::exportDatabase(b.s, b.files.file("b")).path;
    Sent a;
    a.sendFiles({2, 3});
    session::markEntries(a.s, Kind::Program, {1, 2, 3, 4, 5, 6}, {What::Hide});
    session::markEntries(a.s, Kind::Program, {1, 4}, {What::Rating, 4});
    const auto marksOf = [](const session::Session& s) {
        std::vector<db::Marks> all{{}};
        for (std::int32_t id = 1; id <= s.files().count(Kind::Program); ++id)
            all.push_back(s.origins().marks(Kind::Program, id));
        return all;
    };
    const std::vector<db::Marks> before = marksOf(a.s);
    const std::vector<db::Marks> there = marksOf(b.s);

    const session::MergeOutcome m = session::mergeDatabases(a.s, {pvd});
    ASSERT_FALSE(m.failure);
    // Favourite when either is, the higher rating, hidden only when both are; an entry new here
    // as it was there.
    std::vector<db::Marks> expected = before;
    expected.resize(static_cast<std::size_t>(a.s.files().count(Kind::Program)) + 1);
    for (std::size_t id = 1; id < m.lines[0].ids.programs.size(); ++id) {
        const auto to = static_cast<std::size_t>(m.lines[0].ids.programs[id]);
        db::Marks& e = expected[to];
        const db::Marks& t = there[id];
        e.favourite = e.favourite || t.favourite;
        e.rating = std::max(e.rating, t.rating);
        e.hidden = to < before.size() ? e.hidden && t.hidden : t.hidden;
    }
    EXPECT_EQ(marksOf(a.s), expected);
    // Every file sent into either comes back whole, also after a merge of the same again.
    for (int seed : {1, 2}) {
        const auto number = session::sentFileNamed(a.s, b.file(seed));
        ASSERT_TRUE(number);
        const auto back = session::giveBackPcg(a.s, *number, a.files.file("back.pcg"));
        EXPECT_TRUE(back.differences.empty());
        EXPECT_TRUE(readBytes(a.files.file("back.pcg")) == readBytes(b.file(seed))) << seed;
    }
    a.expectGivenBack({2, 3}, "after the merge");
    const std::size_t files = a.s.origins().files().size();
    EXPECT_EQ(files, 4u);
    session::mergeDatabases(a.s, {pvd});
    EXPECT_EQ(a.s.origins().files().size(), files) << "nothing twice";
    EXPECT_EQ(a.s.undoLog().undoName(), "Merge Database");
    a.s.undoLog().undo();
    EXPECT_EQ(a.s.undoLog().undoName(), "Rate 4") << "the second merge changed nothing";
    EXPECT_EQ(a.s.origins().files().size(), 2u);
    EXPECT_EQ(marksOf(a.s), before);
}
