#include <gtest/gtest.h>
#include <memory>
#include <unordered_map>

#include "db/entry_deletion.h"
#include "db/record_scan.h"
#include "failing_disk.h"
#include "large_database.h"
#include "random_changes.h"
#include "template_image.h"
#include "transfer/matching.h"
#include "transfer_fixture.h"

using namespace pelvaro;
using namespace pelvaro::db;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;
using namespace pelvaro::transfer;

namespace {

// The engine's answer and the answer of a scan from entry 1 must agree: these tests change the
// record files behind the engine's back (through RecordFiles, as the other windows do) and ask.
PcgBuilder threePrograms() {
    PcgBuilder b;
    b.program(0, "ONE", {.voice = 1}).program(1, "TWO", {.voice = 2});
    b.program(2, "THREE", {.voice = 3});
    return b;
}

}  // namespace

TEST(MatchIndex, FollowsWritesAndMovesMadeByOthers) {
    TransferSetup s(threePrograms());
    for (int slot = 0; slot < 3; ++slot)
        EXPECT_EQ(s.engine.sendProgramToDatabase(slot), slot + 1);

    // Submit and class assignment rewrite whole entries; the sound stays where it was.
    auto two = s.db.program(2);
    std::ranges::copy(std::string_view("RENAMED..."), two.bytes.begin());
    two.setExplanation("mine");
    two.setClassId(0, 4);
    s.db.files().write(2, two);
    EXPECT_EQ(s.engine.sendProgramToDatabase(1), 2);

    // A record rewritten with another sound is found under its new bytes only.
    auto three = s.db.program(3);
    std::ranges::copy(s.pcg.image.program(0), three.bytes.begin());
    s.db.files().write(3, three);
    EXPECT_EQ(s.engine.sendProgramToDatabase(0), 1) << "the lowest number wins";
    s.db.files().write(1, s.db.program(2));  // entry 1 now holds TWO's sound as well
    EXPECT_EQ(s.engine.sendProgramToDatabase(0), 3);
    EXPECT_EQ(s.engine.sendProgramToDatabase(1), 1);
    EXPECT_EQ(s.engine.sendProgramToDatabase(2), 4) << "THREE's sound is gone: a new entry";

    // A deletion moves the last entry into the freed number.
    std::vector<std::string> events;
    db::deleteProgramEntries(s.db.files(), {1}, events);
    EXPECT_EQ(s.count(Kind::Program), 3);
    EXPECT_EQ(s.engine.sendProgramToDatabase(2), 1) << "THREE, moved from 4 to 1";
    EXPECT_EQ(s.engine.sendProgramToDatabase(1), 2);
    EXPECT_EQ(s.count(Kind::Program), 3);
}

TEST(MatchIndex, NeverAnswersWithARecordBeyondTheCount) {
    TransferSetup s(threePrograms());
    s.engine.sendPcgToDatabase(s.events, {});
    ASSERT_EQ(s.count(Kind::Program), 3);

    // The last entry deleted: its record stays in the file but is no entry.
    s.db.files().moveLastEntryInto(Kind::Program, 3);
    EXPECT_EQ(s.engine.sendProgramToDatabase(2), 3) << "appended again as entry 3";
    EXPECT_EQ(s.count(Kind::Program), 3);

    // A count raised without a write makes the old record an entry again.
    s.db.files().setCount(Kind::Program, 2);
    s.db.files().setCount(Kind::Program, 3);
    EXPECT_EQ(s.engine.sendProgramToDatabase(2), 3);
    EXPECT_EQ(s.count(Kind::Program), 3);
}

TEST(MatchIndex, RebuildsAfterReplacedFilesAndFailedWrites) {
    TransferSetup s(threePrograms());
    s.engine.sendPcgToDatabase(s.events, {});
    const auto prg = s.file(Kind::Program);

    // New Database: nothing is found any more.
    s.db.files().resetRecordFiles();
    EXPECT_EQ(s.engine.sendProgramToDatabase(2), 1);

    // Open Database: a whole file comes from elsewhere, here the three programs from before.
    const std::string stored = s.db.dir().file("stored.prg");
    writeBytes(stored, prg);
    replaceWorkingFile(s.db.files(), Kind::Program, stored);
    EXPECT_EQ(s.count(Kind::Program), 3);
    EXPECT_EQ(s.engine.sendProgramToDatabase(1), 2);
    EXPECT_EQ(s.engine.sendProgramToDatabase(2), 3);

    // A write cut short by a full disk: only the first half of the record reached the file,
    // and that half is all that differs, so entry 1 holds the new sound after all. The index
    // cannot know; it forgets what it knew and reads the file again.
    auto one = s.db.program(1);
    one.bytes[20] ^= 0xFF;
    PcgBuilder b = threePrograms();
    std::ranges::copy(one.program(), b.image().program(3).begin());
    s.import(b);
    auto fault = std::make_unique<FailNth>(FailNth::Op::ShortWrite, 1);
    EXPECT_THROW(s.db.files().write(1, one), io::FileError);
    fault.reset();
    EXPECT_EQ(s.engine.sendProgramToDatabase(3), 1);
    EXPECT_EQ(s.engine.sendProgramToDatabase(0), 4) << "entry 1 no longer holds ONE";
    EXPECT_EQ(s.engine.sendProgramToDatabase(2), 3);
}

TEST(MatchIndex, ManyEqualSoundsInTheChainKeepTheirOrder) {
    // Drum programs with equal bytes but different kits share one chain; the lowest entry whose
    // kit equals the image's wins, whatever the order the entries were written in.
    TransferSetup s;
    for (unsigned v = 1; v <= 6; ++v)
        s.db.addDrumKit(v);
    for (int k = 6; k >= 1; --k)
        s.db.addProgram("D", {.oscMode = 2, .kitSlot = 0, .voice = 9}, kitRef(k));
    PcgBuilder b;
    b.drumKit(0, 4).drumProgram(0, "D", 0, 9);
    s.import(b);
    EXPECT_EQ(s.engine.sendProgramToDatabase(0), 3);
    // Rewrite entry 1 to play kit 4 too: now it is first.
    s.db.files().write(1, s.db.program(3));
    EXPECT_EQ(s.engine.sendProgramToDatabase(0), 1);
    // Entry 5 given the sound of entry 1 and entry 1 another kit: 3 wins again.
    auto one = s.db.program(1);
    one.setDrumKitId(6);
    s.db.files().write(1, one);
    EXPECT_EQ(s.engine.sendProgramToDatabase(0), 3);
    EXPECT_EQ(s.count(Kind::Program), 6);
}

namespace {

std::uint64_t keyOf(Kind kind, ConstBytes record) {
    if (kind == Kind::Program)
        return programKey(pcg::ConstProgramBytes(record.data(), pcg::kProgramSize));
    if (kind == Kind::Combination)
        return combinationKey(pcg::ConstCombinationBytes(record.data(), pcg::kCombinationSize));
    return drumKitKey(pcg::ConstDrumKitBytes(record.data(), pcg::kDrumKitSize));
}

// Whether the stored entry holds the sound of record, by the rules.
bool sameSound(Kind kind, ConstBytes stored, ConstBytes record, const RecordFiles& files,
               const pcg::PcgImage& image) {
    if (kind == Kind::Program) {
        DbProgramEntry entry;
        std::ranges::copy(stored, entry.bytes.begin());
        return sameProgram(entry, pcg::ConstProgramBytes(record.data(), pcg::kProgramSize), files,
                           image);
    }
    if (kind == Kind::Combination) {
        DbCombinationEntry entry;
        std::ranges::copy(stored, entry.bytes.begin());
        return sameCombination(entry,
                               pcg::ConstCombinationBytes(record.data(), pcg::kCombinationSize));
    }
    DbDrumKitEntry entry;
    std::ranges::copy(stored, entry.bytes.begin());
    return sameDrumKit(entry, pcg::ConstDrumKitBytes(record.data(), pcg::kDrumKitSize));
}

std::int32_t indexAnswer(MatchIndex& index, Kind kind, ConstBytes record,
                         const pcg::PcgImage& image) {
    if (kind == Kind::Program)
        return index.findProgram(pcg::ConstProgramBytes(record.data(), pcg::kProgramSize), image);
    if (kind == Kind::Combination)
        return index.findCombination(
            pcg::ConstCombinationBytes(record.data(), pcg::kCombinationSize));
    return index.findDrumKit(pcg::ConstDrumKitBytes(record.data(), pcg::kDrumKitSize));
}

// For every record the files hold (the entries', and those left beyond the counts), the index's
// answer against the lowest entry with its sound that a scan from entry 1 finds.
std::string differences(MatchIndex& index, const RecordFiles& files, const pcg::PcgImage& image) {
    std::string found;
    for (const Kind kind : {Kind::Program, Kind::Combination, Kind::DrumKit}) {
        const auto size = static_cast<std::int64_t>(layoutOf(kind).recordSize);
        const auto records = static_cast<std::int32_t>(files.stream(kind).size() / size);
        std::vector<std::vector<Byte>> record(static_cast<std::size_t>(records));
        std::unordered_map<std::uint64_t, std::vector<std::int32_t>> entriesOfKey;  // ascending
        for (std::int32_t n = 1; n < records; ++n) {
            auto& bytes = record[static_cast<std::size_t>(n)];
            bytes.resize(static_cast<std::size_t>(size));
            files.readEntry(kind, n, bytes);
            if (n <= files.count(kind)) entriesOfKey[keyOf(kind, bytes)].push_back(n);
        }
        for (std::int32_t n = 1; n < records && found.size() < 1000; ++n) {
            const auto& bytes = record[static_cast<std::size_t>(n)];
            std::int32_t lowest = -1;
            for (const std::int32_t e : entriesOfKey[keyOf(kind, bytes)]) {
                if (!sameSound(kind, record[static_cast<std::size_t>(e)], bytes, files, image))
                    continue;
                lowest = e;
                break;
            }
            const std::int32_t answer = indexAnswer(index, kind, bytes, image);
            if (answer != lowest)
                found += "the sound of " +
                         std::string(kind == Kind::Program       ? "program"
                                     : kind == Kind::Combination ? "combination"
                                                                 : "kit") +
                         " record " + std::to_string(n) + ": the index says " +
                         std::to_string(answer) + ", a scan " + std::to_string(lowest) + "\n";
        }
    }
    return found;
}

}  // namespace

// Many sounds and many copies of each: sends, copies appended so that equal sounds chain,
// overwrites that move an entry from one chain to another, deletions that move the last entry
// into the freed number, undo, redo, failing disks, Open and New Database. After every step an
// index told of it all (and asked nothing in between) answers for every record the files hold
// what a plain scan answers.
TEST(MatchIndex, AgreesWithAPlainScanThroughThousandsOfChanges) {
    //                      Send Append Overwrite Rename Delete Undo Redo Failing Open New
    constexpr ChangeMix kMix = {1, 8, 4, 1, 4, 2, 1, 2, 1, 0};
    for (const std::uint32_t seed : {11u, 12u}) {
        TestDatabase db;
        MatchIndex index(db.files());
        RandomChanges changes(db, seed, kMix);
        for (int step = 0; step < 150; ++step) {
            changes.step();
            ASSERT_EQ(differences(index, db.files(), db.session().pcg().image), "")
                << "after\n"
                << changes.lastSteps();
        }
    }
}

// Past a few thousand records the programs are read on a second core beside the combinations
// and drum kits: every stored sound, all different, is found at its own entry.
TEST(MatchIndex, ABuildOnTwoCoresFindsEveryEntryAtItsPlace) {
    TestDatabase db;
    const DatabasePaths archive = writeArchiveDatabase(db.dir().file("archive"), 12000, 12000, 300);
    db.session().openDatabase(archive.database);
    RecordFiles& files = db.files();
    MatchIndex index(files);
    index.prepare();
    const pcg::PcgImage image = makeTemplateImage();
    int programsAsked = 0;
    scanEntries(files, Kind::Program, [&](std::int32_t n, ConstBytes record) {
        DbProgramEntry entry;
        std::ranges::copy(record, entry.bytes.begin());
        if (kitCheckApplies(entry, entry.program())) return;  // asks the PCG's kit
        ++programsAsked;
        ASSERT_EQ(index.findProgram(entry.program(), image), n);
    });
    EXPECT_GT(programsAsked, 6000);
    scanEntries(files, Kind::Combination, [&](std::int32_t n, ConstBytes record) {
        ASSERT_EQ(
            index.findCombination(pcg::ConstCombinationBytes(record.data(), pcg::kCombinationSize)),
            n);
    });
    scanEntries(files, Kind::DrumKit, [&](std::int32_t n, ConstBytes record) {
        ASSERT_EQ(index.findDrumKit(pcg::ConstDrumKitBytes(record.data(), pcg::kDrumKitSize)), n);
    });
}
