// Another database brought in: the same entries and references as sending its PCG files would
// give, its explanations and classes carried along, and nothing added by a database that holds
// nothing new.
#include "transfer/database_merge.h"

#include <gtest/gtest.h>

#include "classes/class_table.h"
#include "db_builder.h"
#include "large_database.h"
#include "random_pcg.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using db::Kind;
using Gain = transfer::GainedExplanation::Gain;

namespace {

void sendFiles(TestDatabase& db, const std::vector<std::uint32_t>& seeds, const std::string& set) {
    for (const std::uint32_t seed : seeds) {
        db::EventLines events;
        db.session().engine().sendPcgToDatabase(
            randomPcg(seed, "/" + set + "/bank" + std::to_string(seed) + ".pcg"), events, {});
    }
}

std::string exported(TestDatabase& db, const std::string& name) {
    return db.session().exportDatabase(db.dir().file(name)).database;
}

struct Merged {
    transfer::DatabaseMergeResult result;
    std::vector<std::int32_t> made;
    std::vector<std::int32_t> leftOff;
};

Merged merge(TestDatabase& into, const std::string& database) {
    const db::StoredDatabase source(database, &into.files());
    db::ClassImport classes(
        into.files(), db::ClassTree::read(source.stream(Kind::Class), source.count(Kind::Class)),
        classes::kMaxClasses);
    Merged m{
        transfer::mergeDatabaseEntries(into.session().engine().databaseSide(), source, classes),
        {},
        {}};
    classes.importRest();
    m.made = classes.made();
    m.leftOff = classes.leftOff();
    return m;
}

std::vector<Byte> record(const TestDatabase& db, Kind kind, std::int32_t n) {
    std::vector<Byte> bytes(db::layoutOf(kind).recordSize);
    db.files().readEntry(kind, n, bytes);
    return bytes;
}

std::size_t explanationAt(Kind kind) {
    return kind == Kind::Program       ? db::ProgramLayout::kExplanation
           : kind == Kind::Combination ? db::CombinationLayout::kExplanation
                                       : db::DrumKitLayout::kExplanation;
}

}  // namespace

TEST(DatabaseMerge, BringsInWhatSendingItsFilesWouldAndNothingTwice) {
    // A and B share the sounds of one file; the expected database is A with B's files sent.
    TestDatabase a;
    TestDatabase expected;
    TestDatabase b;
    sendFiles(a, {1, 2}, "a");
    sendFiles(expected, {1, 2}, "a");
    sendFiles(b, {2, 3, 4, 5}, "b");
    sendFiles(expected, {2, 3, 4, 5}, "b");
    std::array<std::int32_t, 3> before{};
    for (Kind kind : {Kind::Program, Kind::Combination, Kind::DrumKit})
        before[static_cast<std::size_t>(kind)] = a.files().count(kind);

    const Merged m = merge(a, exported(b, "b.pvd"));
    for (Kind kind : {Kind::Program, Kind::Combination, Kind::DrumKit}) {
        SCOPED_TRACE(db::layoutOf(kind).fileName);
        const auto k = static_cast<std::size_t>(kind);
        ASSERT_EQ(a.files().count(kind), expected.files().count(kind));
        EXPECT_EQ(m.result.entries[k], b.files().count(kind));
        EXPECT_EQ(m.result.fresh[k], a.files().count(kind) - before[k]);
        // The new entries are the sent ones, byte for byte, at the same numbers; an entry stored
        // before keeps every byte but gains B's explanation after "Also: ".
        const std::size_t at = explanationAt(kind);
        for (std::int32_t n = 1; n <= a.files().count(kind); ++n) {
            std::vector<Byte> mine = record(a, kind, n);
            std::vector<Byte> sent = record(expected, kind, n);
            if (n <= before[k]) {
                const std::string own =
                    fieldText(ConstBytes(sent).subspan(at, db::kExplanationSize));
                const std::string now =
                    fieldText(ConstBytes(mine).subspan(at, db::kExplanationSize));
                EXPECT_TRUE(now == own || now.starts_with(own + "\r\nAlso: From: /b/")) << n << now;
                std::fill_n(mine.begin() + static_cast<std::ptrdiff_t>(at), db::kExplanationSize,
                            0);
                std::fill_n(sent.begin() + static_cast<std::ptrdiff_t>(at), db::kExplanationSize,
                            0);
            }
            ASSERT_EQ(mine, sent) << "entry " << n;
        }
    }
    EXPECT_GT(m.result.explanationsGained, 0) << "the shared file's entries";
    // Each entry of B went to an entry here of its sound, playing what it played there.
    for (std::int32_t n = 1; n <= b.files().count(Kind::Combination); ++n) {
        const auto theirs = b.combination(n);
        const auto mine = a.combination(m.result.ids.combinations[static_cast<std::size_t>(n)]);
        EXPECT_TRUE(sameRange(theirs.bytes, mine.bytes, pcg::kCombinationCompared)) << n;
        for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
            const std::int32_t there = theirs.timbreProgramId(t);
            EXPECT_EQ(mine.timbreProgramId(t),
                      there > 0 ? m.result.ids.programs[static_cast<std::size_t>(there)] : there);
        }
    }

    // B again, and A into itself: nothing changes.
    const DatabaseSnapshot merged(a);
    const Merged again = merge(a, exported(b, "b.pvd"));
    EXPECT_EQ(again.result.fresh, (std::array<std::int32_t, 3>{}));
    EXPECT_EQ(DatabaseSnapshot(a), merged);
    merge(a, exported(a, "a.pvd"));
    EXPECT_EQ(DatabaseSnapshot(a), merged);
}

TEST(DatabaseMerge, ADatabaseOfManyBlocksComesInWholeAndOnce) {
    // Entries over several of the blocks read ahead on the second core: each one's key is the
    // key of its own record.
    TestDatabase a;
    constexpr std::int32_t kEntries = 16000;  // two blocks of each kind
    const std::string many =
        synthetic::writeCollectionDatabase(a.dir().file("many"), kEntries, kEntries, 50, 0, 1)
            .database;
    const Merged m = merge(a, many);
    EXPECT_EQ(m.result.fresh, (std::array<std::int32_t, 3>{kEntries, kEntries, 50}));
    const DatabaseSnapshot once(a);
    EXPECT_EQ(merge(a, many).result.fresh, (std::array<std::int32_t, 3>{}));
    EXPECT_EQ(DatabaseSnapshot(a), once);
}

TEST(DatabaseMerge, CarriesExplanationsAndClassesByPathAndMatchesKitsByContent) {
    TestDatabase a;
    const int keys = a.addClass("Keys");
    a.addClass("Pianos", keys);
    const int pianos = a.addClass("Pianos", keys);  // the same path as class 2
    const int drums = a.addClass("Drums");
    a.addDrumKit(3);
    const int kit = a.addDrumKit(5);
    const int piano =
        a.addProgram("PIANO", {.osc1 = 10}, {.classIds = {pianos}, .explanation = "mine"});
    const int perc = a.addProgram("PERC", {.oscMode = 2, .kitSlot = 1}, {.drumKitId = kit});
    a.addCombination("SPLIT", {plays(0)}, {.timbreProgramIds = {piano}});
    const int full = a.addProgram("FULL", {.osc1 = 30}, {.classIds = {1, 2, 3, 4, 1, 2, 3, 4, 1}});

    TestDatabase b;
    const int bDrums = b.addClass("Drums");
    const int bKeys = b.addClass("Keys");
    const int bPianos = b.addClass("Pianos", bKeys);
    const int bOrgans = b.addClass("Organs", bKeys);
    b.addClass("Unused", bOrgans);
    const int bKit = b.addDrumKit(5);  // A's kit 2 by content
    b.addProgram("Piano B", {.osc1 = 10},
                 {.classIds = {bPianos, bOrgans}, .explanation = "theirs"});
    // The drum program on another kit slot playing a kit of the same content: the same sound.
    b.addProgram("PERC", {.oscMode = 2, .kitSlot = 3}, {.drumKitId = bKit});
    const int bNew =
        b.addProgram("NEW", {.osc1 = 20}, {.classIds = {0, bDrums, bOrgans}, .explanation = "new"});
    b.addProgram("FULL", {.osc1 = 30}, {.classIds = {bOrgans}});
    // The same combination over another program is another sound; over the piano it is A's.
    b.addCombination("SPLIT", {plays(0)}, {.timbreProgramIds = {bNew}});
    b.addCombination("SPLIT 2", {plays(0)}, {.timbreProgramIds = {1}});

    const Merged m = merge(a, exported(b, "b.pvd"));
    // Keys->Organs and the class below it are made; Drums and Keys->Pianos are found.
    EXPECT_EQ(m.made, (std::vector<std::int32_t>{5, 6}));
    EXPECT_EQ(a.classEntry(5).name(), "Organs");
    EXPECT_EQ(a.classEntry(5).parentId(), keys);
    EXPECT_EQ(a.classEntry(6).parentId(), 5);
    EXPECT_TRUE(m.leftOff.empty());

    const int fresh = full + 1;
    EXPECT_EQ(m.result.ids.programs, (std::vector<std::int32_t>{0, piano, perc, fresh, full}));
    EXPECT_EQ(m.result.ids.drumKits, (std::vector<std::int32_t>{0, kit}));
    EXPECT_EQ(m.result.ids.combinations, (std::vector<std::int32_t>{0, 2, 1}));
    // The piano keeps its name and class 3 (Keys->Pianos, as class 2), and gains Organs and the
    // explanation after a line "Also: ".
    const auto p = a.program(piano);
    EXPECT_EQ(db::entryName(p), "PIANO");
    EXPECT_EQ(p.explanation(), "mine\r\nAlso: theirs");
    EXPECT_EQ(p.classId(0), pianos);
    EXPECT_EQ(p.classId(1), 5);
    EXPECT_EQ(p.classId(2), 0);
    // The new program: B's record, its classes here in the slots they had.
    const auto n = a.program(fresh);
    EXPECT_EQ(db::entryName(n), "NEW");
    EXPECT_EQ(n.explanation(), "new");
    EXPECT_EQ(n.classId(0), 0);
    EXPECT_EQ(n.classId(1), drums);
    EXPECT_EQ(n.classId(2), 5);
    EXPECT_EQ(a.combination(2).timbreProgramId(0), fresh);
    // An entry holding nine classes takes no tenth; it is named.
    ASSERT_EQ(m.result.classesLeftOut.size(), 1u);
    EXPECT_EQ(m.result.classesLeftOut[0].kind, Kind::Program);
    EXPECT_EQ(m.result.classesLeftOut[0].id, full);
    EXPECT_EQ(m.result.classesLeftOut[0].classes, (std::vector<std::int32_t>{5}));
    EXPECT_EQ(a.program(full).classId(9), 0);
}

TEST(DatabaseMerge, AnExplanationGainsTheOtherAfterAlsoWithinItsSeventyNineCharacters) {
    using transfer::gainExplanation;
    EXPECT_EQ(gainExplanation("mine", "theirs").text, "mine\r\nAlso: theirs");
    EXPECT_EQ(gainExplanation("mine", "theirs").gain, Gain::Whole);
    EXPECT_EQ(gainExplanation("", "theirs").text, "theirs");
    for (const auto& [own, other] : {std::pair{"same", "same"}, std::pair{"mine", ""},
                                     std::pair{"a\r\nAlso: b", "b"}, std::pair{"Warm pad", "pad"}})
        EXPECT_EQ(gainExplanation(own, other).gain, Gain::None) << own;

    // No room for the whole: as much as fits, and "...", never half a line break; then never
    // again.
    const std::string own(50, 'o');
    const std::string other = std::string(17, 'x') + "\r\n" + std::string(30, 'y');
    const auto cut = gainExplanation(own, other);
    EXPECT_EQ(cut.gain, Gain::Cut);
    EXPECT_EQ(cut.text, own + "\r\nAlso: " + std::string(17, 'x') + "...");
    EXPECT_EQ(cut.text.size(), 78u);
    EXPECT_EQ(gainExplanation(cut.text, other).gain, Gain::None);
    const auto fits = gainExplanation(std::string(40, 'o'), other);
    EXPECT_EQ(fits.text.size(), 79u);
    EXPECT_TRUE(fits.text.ends_with("yyy..."));
    // Fewer than ten characters of it would fit: none are taken.
    const auto full = gainExplanation(std::string(60, 'o'), other);
    EXPECT_EQ(full.gain, Gain::LeftOff);
    EXPECT_EQ(full.text, std::string(60, 'o'));
}
