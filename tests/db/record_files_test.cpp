#include <gtest/gtest.h>
#include <memory>

#include <filesystem>
#include <fstream>
#include <random>

#include "db/record_files.h"
#include "db/record_scan.h"
#include "db_builder.h"
#include "failing_disk.h"
#include "pcg_builder.h"
#include "temp_dir.h"

using namespace pelvaro;
using namespace pelvaro::db;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;

namespace {

std::vector<Byte> fileBytes(const RecordFiles& files, Kind kind) {
    return readBytes(files.pathOf(kind));
}

DbProgramEntry programEntry(std::string_view name, unsigned voice) {
    DbProgramEntry e;
    const auto p = makeProgram(name, {.voice = voice});
    std::ranges::copy(p, e.bytes.begin());
    e.setExplanation("From: x");
    return e;
}

}  // namespace

TEST(RecordFiles, AFreshDatabaseIsOneHeaderRecordPerFile) {
    TempDir dir;
    RecordFiles files;
    files.createRecordFiles(dir.path());
    EXPECT_EQ(files.startDirectory(), dir.path());
    EXPECT_EQ(files.pathOf(Kind::Program), dir.file("temp.prg"));

    EXPECT_EQ(fileBytes(files, Kind::Program), std::vector<Byte>(264, 0));
    EXPECT_EQ(fileBytes(files, Kind::Combination), std::vector<Byte>(264, 0));
    EXPECT_EQ(fileBytes(files, Kind::DrumKit), std::vector<Byte>(504, 0));
    std::vector<Byte> classHeader(24, 0);
    std::ranges::copy(std::string_view("No Class"), classHeader.begin());
    EXPECT_EQ(fileBytes(files, Kind::Class), classHeader);
    for (Kind k : {Kind::Program, Kind::Combination, Kind::DrumKit, Kind::Class})
        EXPECT_EQ(files.count(k), 0);
    EXPECT_EQ(files.read<ClassEntry>(0).name(), "No Class");
}

TEST(RecordFiles, AppendWritesTheRecordThenTheCount) {
    TempDir dir;
    RecordFiles files;
    files.createRecordFiles(dir.path());

    DbProgramEntry first = programEntry("PIANO", 1);
    first.setIdNumber(777);  // replaced by the record number
    EXPECT_EQ(files.append(first), 1);
    std::vector<Byte> prg = fileBytes(files, Kind::Program);
    ASSERT_EQ(prg.size(), 2u * 264);
    EXPECT_EQ(le32(prg, 164), 1) << "entryCount in record 0";
    EXPECT_EQ(le32(prg, 264 + 164), 1) << "idNumber of record 1";
    EXPECT_TRUE(std::equal(prg.begin() + 264, prg.begin() + 264 + 164, first.bytes.begin()));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&prg[264 + 168])), "From: x");
    EXPECT_EQ(std::count(prg.begin(), prg.begin() + 264, 0), 263) << "only the count in record 0";

    DbProgramEntry second = programEntry("ORGAN", 2);
    EXPECT_EQ(files.append(second), 2);
    EXPECT_EQ(files.count(Kind::Program), 2);
    EXPECT_EQ(files.read<DbProgramEntry>(2).idNumber(), 2);
    EXPECT_EQ(entryName(files.read<DbProgramEntry>(2)), "ORGAN");

    // Classes keep the count where the other records keep parentId.
    ClassEntry piano;
    piano.setName("Piano");
    ClassEntry grand;
    grand.setName("Grand");
    grand.setParentId(1);
    EXPECT_EQ(files.append(piano), 1);
    EXPECT_EQ(files.append(grand), 2);
    const std::vector<Byte> tur = fileBytes(files, Kind::Class);
    ASSERT_EQ(tur.size(), 3u * 24);
    EXPECT_EQ(le32(tur, 20), 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&tur[48])), "Grand");
    EXPECT_EQ(le32(tur, 48 + 20), 1);

    DbDrumKitEntry kit;
    EXPECT_EQ(files.append(kit), 1);
    EXPECT_EQ(le32(fileBytes(files, Kind::DrumKit), 504 + 420), 1);
}

TEST(RecordFiles, AFailedAppendRaisesNeitherTheCountNorTheHeader) {
    TempDir dir;
    RecordFiles files;
    files.createRecordFiles(dir.path());
    DbProgramEntry e = programEntry("A", 1);
    files.append(e);
    for (FailNth::Op op : {FailNth::Op::Write, FailNth::Op::ShortWrite}) {
        auto fault = std::make_unique<FailNth>(op, 1);
        DbProgramEntry next = programEntry("B", 2);
        EXPECT_THROW(files.append(next), io::FileError);
        fault.reset();
        EXPECT_EQ(files.count(Kind::Program), 1);
        EXPECT_EQ(le32(fileBytes(files, Kind::Program), 164), 1);
    }
    // The next append overwrites whatever the failed one left beyond the count.
    DbProgramEntry next = programEntry("C", 3);
    EXPECT_EQ(files.append(next), 2);
    EXPECT_EQ(files.read<DbProgramEntry>(2), next);
}

TEST(RecordFiles, ReadingPastTheEndGivesZerosNotStaleBytes) {
    TempDir dir;
    RecordFiles files;
    files.createRecordFiles(dir.path());
    DbProgramEntry e = programEntry("X", 1);
    files.append(e);
    std::vector<Byte> buffer(264, 0xAB);
    files.readEntry(Kind::Program, 5, buffer);
    EXPECT_EQ(buffer, std::vector<Byte>(264, 0));
    // A record cut short by the end of the file: what is there, then zeros.
    std::filesystem::resize_file(files.pathOf(Kind::Program), 264 + 100);
    std::fill(buffer.begin(), buffer.end(), 0xAB);
    files.readEntry(Kind::Program, 1, buffer);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 100, e.bytes.begin()));
    EXPECT_EQ(std::count(buffer.begin() + 100, buffer.end(), 0), 164);
}

TEST(RecordFiles, WriteAndSetCountChangeOnlyTheirBytes) {
    TempDir dir;
    RecordFiles files;
    files.createRecordFiles(dir.path());
    DbProgramEntry a = programEntry("A", 1);
    DbProgramEntry b = programEntry("B", 2);
    files.append(a);
    files.append(b);
    b.setClassId(0, 5);
    b.setClassId(9, -1);
    b.setDrumKitId(-5);
    files.write(2, b);
    const auto again = files.read<DbProgramEntry>(2);
    EXPECT_EQ(again.classId(0), 5);
    EXPECT_EQ(again.classId(9), -1);
    EXPECT_EQ(again.bytes[248 + 9], 0xFF);
    EXPECT_EQ(again.drumKitId(), -5);
    EXPECT_EQ(files.read<DbProgramEntry>(1), a);

    files.setCount(Kind::Program, 1);
    EXPECT_EQ(files.count(Kind::Program), 1);
    const auto prg = fileBytes(files, Kind::Program);
    EXPECT_EQ(prg.size(), 3u * 264) << "the record beyond the count stays in the file";
    EXPECT_EQ(le32(prg, 164), 1);
}

TEST(RecordFiles, ExplanationKeepsItsZeroByteInsideTheField) {
    DbProgramEntry e;
    std::fill(e.bytes.begin(), e.bytes.end(), 0x11);
    e.setExplanation(std::string(100, 'x'));
    EXPECT_EQ(e.explanation(), std::string(79, 'x'));
    EXPECT_EQ(e.bytes[168 + 79], 0);
    EXPECT_EQ(e.bytes[248], 0x11) << "the class slots after the field are untouched";
    e.setExplanation("AB");
    EXPECT_EQ(e.explanation(), "AB");
    EXPECT_EQ(e.bytes[168 + 3], 'x') << "bytes after the zero byte keep what they held";
}

TEST(RecordFiles, ASecondCopyInTheSameFolderIsRefusedAndTheFirstKeepsItsFiles) {
    TempDir dir;
    RecordFiles first;
    first.createRecordFiles(dir.path());
    DbProgramEntry e = programEntry("MINE", 1);
    first.append(e);
    const auto before = fileBytes(first, Kind::Program);

    RecordFiles second;
    try {
        second.createRecordFiles(dir.path());
        FAIL() << "the files are held by the first copy";
    } catch (const io::FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot create file " + dir.file("temp.prg") +
                      "\nAnother copy of PELVARO is already using this folder.");
    }
    EXPECT_FALSE(second.isOpen());
    second.removeRecordFiles();  // the refused copy's exit removes nothing
    EXPECT_EQ(fileBytes(first, Kind::Program), before);
    EXPECT_EQ(first.read<DbProgramEntry>(1), e);
}

TEST(RecordFiles, ExitDeletesTheFilesFromTheStartFolderWhereverTheProgramIsNow) {
    TempDir start;
    TempDir elsewhere;
    const auto previous = std::filesystem::current_path();
    {
        RecordFiles files;
        files.createRecordFiles(start.path());
        std::filesystem::current_path(elsewhere.path());
        std::ofstream(elsewhere.file("temp.prg")) << "not ours";
        files.removeRecordFiles();
    }
    std::filesystem::current_path(previous);
    for (const char* name : {"temp.prg", "temp.cmb", "temp.dru", "temp.tur"})
        EXPECT_FALSE(std::filesystem::exists(start.file(name))) << name;
    EXPECT_TRUE(std::filesystem::exists(elsewhere.file("temp.prg")));
}

TEST(RecordFiles, FilesThatCannotBeCreatedLeaveNothingOpen) {
    TempDir dir;
    RecordFiles files;
    EXPECT_THROW(files.createRecordFiles(dir.file("missing")), io::FileError);
    EXPECT_FALSE(files.isOpen());
    // The third file fails: the two made before it are not held.
    auto fault = std::make_unique<FailNth>(FailNth::Op::Create, 3);
    EXPECT_THROW(files.createRecordFiles(dir.path()), io::FileError);
    fault.reset();
    EXPECT_FALSE(files.isOpen());
    RecordFiles other;
    other.createRecordFiles(dir.path());
    EXPECT_TRUE(other.isOpen());
}

TEST(RecordFiles, ResetGivesAFreshDatabaseInTheHeldFiles) {
    TempDir dir;
    RecordFiles files;
    files.createRecordFiles(dir.path());
    DbProgramEntry e = programEntry("X", 1);
    files.append(e);
    ClassEntry c;
    c.setName("C");
    files.append(c);
    files.resetRecordFiles();
    EXPECT_EQ(fileBytes(files, Kind::Program), std::vector<Byte>(264, 0));
    EXPECT_EQ(fileBytes(files, Kind::Class).size(), 24u);
    EXPECT_EQ(files.count(Kind::Program), 0);
    EXPECT_EQ(files.count(Kind::Class), 0);
    RecordFiles second;
    EXPECT_THROW(second.createRecordFiles(dir.path()), io::FileError) << "still held";
}

TEST(RecordFiles, MoveLastEntryIntoGivesTheLastEntryTheFreedNumber) {
    TempDir dir;
    RecordFiles files;
    files.createRecordFiles(dir.path());
    std::vector<DbProgramEntry> entries;
    for (unsigned i = 1; i <= 5; ++i) {
        entries.push_back(programEntry("P" + std::to_string(i), i));
        files.append(entries.back());
    }
    files.moveLastEntryInto(Kind::Program, 3);
    EXPECT_EQ(files.count(Kind::Program), 4);
    const auto moved = files.read<DbProgramEntry>(3);
    EXPECT_EQ(moved.idNumber(), 3);
    EXPECT_EQ(entryName(moved), "P5");
    EXPECT_TRUE(
        std::equal(moved.bytes.begin(), moved.bytes.begin() + 164, entries[4].bytes.begin()));
    const auto prg = fileBytes(files, Kind::Program);
    EXPECT_EQ(prg.size(), 6u * 264) << "the file is never shortened";
    EXPECT_EQ(le32(prg, 164), 4);
    EXPECT_EQ(le32(prg, 5 * 264 + 164), 5) << "the old last record stays as it was";

    files.moveLastEntryInto(Kind::Program, 4);  // the last one itself: only the count drops
    EXPECT_EQ(files.count(Kind::Program), 3);
    EXPECT_EQ(entryName(files.read<DbProgramEntry>(3)), "P5");
    EXPECT_THROW(files.moveLastEntryInto(Kind::Program, 4), std::out_of_range);

    // A class record has no idNumber: it moves unchanged.
    ClassEntry a, b;
    a.setName("A");
    b.setName("B");
    b.setParentId(1);
    files.append(a);
    files.append(b);
    files.moveLastEntryInto(Kind::Class, 1);
    EXPECT_EQ(files.read<ClassEntry>(1), b);
    EXPECT_EQ(files.count(Kind::Class), 1);
}

TEST(RecordFiles, ObserversSeeEveryChange) {
    struct Log : RecordObserver {
        std::vector<std::string> lines;
        void recordWritten(Kind k, std::int32_t n, ConstBytes r) override {
            lines.push_back("write " + std::to_string(int(k)) + " " + std::to_string(n) + " " +
                            std::to_string(r.size()));
        }
        void countChanged(Kind k, std::int32_t c) override {
            lines.push_back("count " + std::to_string(int(k)) + " " + std::to_string(c));
        }
        void fileReplaced(Kind k) override { lines.push_back("file " + std::to_string(int(k))); }
    } log;
    TempDir dir;
    RecordFiles files;
    files.createRecordFiles(dir.path());
    files.addObserver(&log);
    DbCombinationEntry c;
    files.append(c);
    files.append(c);
    files.moveLastEntryInto(Kind::Combination, 1);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"write 1 1 264", "count 1 1", "write 1 2 264",
                                                   "count 1 2", "write 1 1 264", "count 1 1"}));
    log.lines.clear();
    files.resetRecordFiles();
    EXPECT_EQ(log.lines, (std::vector<std::string>{"file 0", "file 1", "file 2", "file 3"}));
    files.removeObserver(&log);
    files.append(c);
    EXPECT_EQ(log.lines.size(), 4u);
}

TEST(RecordFiles, ReplaceFilesCopiesWholeFilesAndTakesTheirCounts) {
    TempDir dir;
    RecordFiles source;
    source.createRecordFiles(dir.path());
    for (unsigned i = 1; i <= 3; ++i) {
        DbProgramEntry e = programEntry("S" + std::to_string(i), i);
        source.append(e);
    }
    source.setCount(Kind::Program, 2);  // a stale record beyond the count travels along
    const auto sourceBytes = fileBytes(source, Kind::Program);

    TempDir other;
    RecordFiles files;
    files.createRecordFiles(other.path());
    replaceWorkingFile(files, Kind::Program, source.pathOf(Kind::Program));
    EXPECT_EQ(files.count(Kind::Program), 2);
    EXPECT_EQ(fileBytes(files, Kind::Program), sourceBytes);
    EXPECT_EQ(files.count(Kind::Class), 0);
    EXPECT_EQ(fileBytes(files, Kind::Class), fileBytes(source, Kind::Class));
}

// ---- Gathered writes (RecordFiles::Batch)

namespace {

// Counts the writes that reach the file layer.
class CountWrites : public io::FaultInjector {
  public:
    CountWrites() : previous_(io::setFaultInjector(this)) {}
    ~CountWrites() override { io::setFaultInjector(previous_); }
    CountWrites(const CountWrites&) = delete;
    CountWrites& operator=(const CountWrites&) = delete;
    Outcome before(io::FileOp op) override {
        if (op == io::FileOp::Write) ++writes;
        return Outcome::Proceed;
    }
    int writes = 0;

  private:
    io::FaultInjector* previous_;
};

// Every call of the observers and the watcher, as text; the watcher's with the bytes it can
// read through RecordFiles at that moment (what is about to be overwritten).
struct CallLog : RecordObserver, WriteWatcher {
    explicit CallLog(RecordFiles& f) : files(f) {
        files.addObserver(this);
        files.setWriteWatcher(this);
    }
    ~CallLog() override {
        files.removeObserver(this);
        files.setWriteWatcher(nullptr);
    }
    CallLog(const CallLog&) = delete;
    CallLog& operator=(const CallLog&) = delete;
    static std::string hex(ConstBytes bytes) {
        std::uint64_t h = 1469598103934665603ull;
        for (Byte b : bytes)
            h = (h ^ b) * 1099511628211ull;
        return std::to_string(h);
    }
    void recordWritten(Kind k, std::int32_t n, ConstBytes r) override {
        lines.push_back("write " + std::to_string(int(k)) + " " + std::to_string(n) + " " + hex(r));
    }
    void countChanged(Kind k, std::int32_t c) override {
        lines.push_back("count " + std::to_string(int(k)) + " " + std::to_string(c));
    }
    void fileReplaced(Kind k) override { lines.push_back("file " + std::to_string(int(k))); }
    void writeFailed(Kind k) override { lines.push_back("failed " + std::to_string(int(k))); }
    void beforeWrite(Kind k, std::int32_t n) override {
        std::vector<Byte> old(layoutOf(k).recordSize);
        files.readEntry(k, n, old);
        lines.push_back("before " + std::to_string(int(k)) + " " + std::to_string(n) + " " +
                        hex(old));
    }
    RecordFiles& files;
    std::vector<std::string> lines;
};

std::vector<Byte> scanned(const RecordFiles& files, Kind kind) {
    std::vector<Byte> all;
    scanRecords(files, kind, 0, files.count(kind) + 2, [&](std::int32_t, ConstBytes record) {
        all.insert(all.end(), record.begin(), record.end());
    });
    return all;
}

std::vector<Byte> readOneByOne(const RecordFiles& files, Kind kind) {
    std::vector<Byte> all;
    std::vector<Byte> record(layoutOf(kind).recordSize);
    for (std::int32_t n = 0; n <= files.count(kind) + 2; ++n) {
        files.readEntry(kind, n, record);
        all.insert(all.end(), record.begin(), record.end());
    }
    return all;
}

// A kit, programs on it, a combination playing them, an overwrite among the appends.
void smallSend(RecordFiles& f) {
    DbDrumKitEntry kit;
    kit.bytes[3] = 7;
    f.append(kit);
    for (unsigned i = 1; i <= 5; ++i) {
        DbProgramEntry e = programEntry("P" + std::to_string(i), i);
        e.setDrumKitId(1);
        f.append(e);
    }
    DbCombinationEntry c;
    c.setTimbreProgramId(0, 3);
    c.setTimbreProgramId(1, 5);
    f.append(c);
    auto second = f.read<DbProgramEntry>(2);
    second.setExplanation("rewritten");
    f.write(2, second);
}

}  // namespace

TEST(RecordFiles, ABatchWritesEachFileOnceWithItsCounterAfterItsRecords) {
    TempDir plainDir;
    TempDir batchDir;
    RecordFiles plain;
    RecordFiles batched;
    plain.createRecordFiles(plainDir.path());
    batched.createRecordFiles(batchDir.path());
    smallSend(plain);
    const std::vector<Byte> emptyPrograms = fileBytes(batched, Kind::Program);
    CountWrites counted;
    {
        const RecordFiles::Batch batch(batched);
        {
            const RecordFiles::Batch inner(batched);  // joins the outer one
            smallSend(batched);
        }
        EXPECT_EQ(counted.writes, 0) << "nothing is written while the batch is open";
        EXPECT_EQ(fileBytes(batched, Kind::Program), emptyPrograms);
        // Everything read through RecordFiles is as if written: counts, records, the header.
        for (Kind k : kAllKinds) {
            EXPECT_EQ(batched.count(k), plain.count(k));
            EXPECT_EQ(readOneByOne(batched, k), readOneByOne(plain, k)) << int(k);
            EXPECT_EQ(scanned(batched, k), scanned(plain, k)) << int(k);
        }
    }
    EXPECT_EQ(counted.writes, 6) << "per file its records in one write, then its counter";
    for (Kind k : kAllKinds)
        EXPECT_EQ(fileBytes(batched, k), fileBytes(plain, k)) << int(k);
}

TEST(RecordFiles, ABatchTellsObserversAndTheWatcherWhatWritingEachRecordWouldTell) {
    // The same random changes, with and without batches (nested, flushed part way): every
    // observer and watcher call is the same, with the same bytes readable in it,
    // every read agrees, and the files end byte for byte the same.
    for (const std::uint32_t seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TempDir plainDir;
        TempDir batchDir;
        RecordFiles plain;
        RecordFiles batched;
        plain.createRecordFiles(plainDir.path());
        batched.createRecordFiles(batchDir.path());
        CallLog plainLog(plain);
        CallLog batchLog(batched);
        std::mt19937 r(seed);
        std::vector<std::unique_ptr<RecordFiles::Batch>> open;
        for (int step = 0; step < 3000; ++step) {
            const std::uint32_t what = r() % 100;
            const Kind kind = kAllKinds[r() % kKindCount];
            const std::size_t size = layoutOf(kind).recordSize;
            std::vector<Byte> record(size);
            for (Byte& b : record)
                b = static_cast<Byte>(r());
            const std::int32_t count = plain.count(kind);
            if (what < 40) {
                plain.appendEntry(kind, record);
                batched.appendEntry(kind, record);
            } else if (what < 60 && count > 0) {
                const auto n = static_cast<std::int32_t>(1 + r() % static_cast<unsigned>(count));
                plain.writeEntry(kind, n, record);
                batched.writeEntry(kind, n, record);
            } else if (what < 68 && count > 0) {
                const auto n = static_cast<std::int32_t>(1 + r() % static_cast<unsigned>(count));
                plain.moveLastEntryInto(kind, n);
                batched.moveLastEntryInto(kind, n);
            } else if (what < 72) {
                const auto n = static_cast<std::int32_t>(r() % static_cast<unsigned>(count + 3));
                plain.setCount(kind, n);
                batched.setCount(kind, n);
            } else if (what < 80) {
                open.push_back(std::make_unique<RecordFiles::Batch>(batched));
            } else if (what < 86 && !open.empty()) {
                open.pop_back();
            } else if (what < 88) {
                batched.flush();
            } else if (what < 92) {
                const auto n = static_cast<std::int32_t>(r() % static_cast<unsigned>(count + 3));
                std::vector<Byte> a(size);
                std::vector<Byte> b(size);
                plain.readEntry(kind, n, a);
                batched.readEntry(kind, n, b);
                ASSERT_EQ(a, b) << "record " << n << " of kind " << int(kind) << " at " << step;
            } else if (what < 94) {
                ASSERT_EQ(scanned(plain, kind), scanned(batched, kind)) << "at step " << step;
            }
            ASSERT_EQ(plainLog.lines.size(), batchLog.lines.size()) << "at step " << step;
            if (!plainLog.lines.empty()) {
                ASSERT_EQ(plainLog.lines.back(), batchLog.lines.back()) << "at step " << step;
            }
            ASSERT_EQ(plain.count(kind), batched.count(kind));
        }
        while (!open.empty())
            open.pop_back();
        EXPECT_EQ(plainLog.lines, batchLog.lines);
        for (Kind k : kAllKinds)
            EXPECT_EQ(fileBytes(batched, k), fileBytes(plain, k)) << int(k);
    }
}

TEST(RecordFiles, ABatchThatGathersMoreThanItsBoundWritesItAndGoesOn) {
    TempDir dir;
    RecordFiles files;
    files.createRecordFiles(dir.path());
    const auto records =
        static_cast<std::int32_t>(RecordFiles::kMostGatheredBytes / ProgramLayout::kSize) + 10;
    CountWrites counted;
    {
        const RecordFiles::Batch batch(files);
        DbProgramEntry e = programEntry("P", 1);
        for (std::int32_t n = 1; n <= records; ++n)
            files.append(e);
        EXPECT_EQ(counted.writes, 2) << "the records gathered up to the bound, then the counter";
        EXPECT_EQ(le32(fileBytes(files, Kind::Program), 164), records - 10);
        EXPECT_EQ(files.read<DbProgramEntry>(records).idNumber(), records);
    }
    EXPECT_EQ(counted.writes, 4);
    const std::vector<Byte> bytes = fileBytes(files, Kind::Program);
    EXPECT_EQ(bytes.size(), (static_cast<std::size_t>(records) + 1) * ProgramLayout::kSize);
    EXPECT_EQ(le32(bytes, 164), records);
}

TEST(RecordFiles, AFlushThatFailsAtAnyWriteLeavesEveryCounterOnRecordsItsFileHolds) {
    for (FailNth::Op op : {FailNth::Op::Write, FailNth::Op::ShortWrite}) {
        for (int n = 1;; ++n) {
            SCOPED_TRACE("write " + std::to_string(n) + (op == FailNth::Op::Write ? "" : " short"));
            TempDir dir;
            RecordFiles files;
            files.createRecordFiles(dir.path());
            smallSend(files);  // programs 1-5 on kit 1, a combination playing 3 and 5
            CallLog log(files);
            bool failed = false;
            auto fault = std::make_unique<FailNth>(op, n);
            try {
                const RecordFiles::Batch batch(files);
                // More of each kind, an entry moved down, and a count that goes down.
                smallSend(files);
                files.moveLastEntryInto(Kind::Program, 1);
                ClassEntry c;
                c.setName("C");
                files.append(c);
                files.setCount(Kind::Combination, 1);
            } catch (const io::FileError&) {
                failed = true;
            }
            const bool struck = !fault->pending();
            fault.reset();
            if (!struck) {
                EXPECT_EQ(files.count(Kind::Program), 9);
                break;
            }
            EXPECT_TRUE(failed);
            // Each counter is the one its header holds, and covers records in the file; every
            // reference names a counted entry.
            for (Kind k : kAllKinds) {
                const std::vector<Byte> bytes = fileBytes(files, k);
                const std::size_t size = layoutOf(k).recordSize;
                EXPECT_EQ(le32(bytes, layoutOf(k).countOffset), files.count(k)) << int(k);
                EXPECT_GE(bytes.size(), (static_cast<std::size_t>(files.count(k)) + 1) * size);
            }
            for (std::int32_t p = 1; p <= files.count(Kind::Program); ++p)
                EXPECT_LE(files.read<DbProgramEntry>(p).drumKitId(), files.count(Kind::DrumKit));
            for (std::int32_t c = 1; c <= files.count(Kind::Combination); ++c)
                for (int t = 0; t < 8; ++t)
                    EXPECT_LE(files.read<DbCombinationEntry>(c).timbreProgramId(t),
                              files.count(Kind::Program));
            // The observers heard the counts go back to those, and that writes failed.
            EXPECT_NE(std::ranges::find_if(
                          log.lines, [](const std::string& l) { return l.starts_with("failed "); }),
                      log.lines.end());
            // Nothing stays gathered: the next batch writes only its own.
            const std::int32_t programs = files.count(Kind::Program);
            {
                const RecordFiles::Batch batch(files);
                DbProgramEntry e = programEntry("AFTER", 9);
                EXPECT_EQ(files.append(e), programs + 1);
            }
            EXPECT_EQ(le32(fileBytes(files, Kind::Program), 164), programs + 1);
            EXPECT_EQ(entryName(files.read<DbProgramEntry>(programs + 1)), "AFTER");
            if (n > 40) {
                ADD_FAILURE() << "more writes than a batch of four files makes";
                break;
            }
        }
    }
}

TEST(RecordFiles, AMappedReadOfAFileCutShortByAnotherProgramReadsZerosAndGoesOn) {
    TempDir dir;
    RecordFiles files;
    files.createRecordFiles(dir.path());
    for (unsigned i = 1; i <= 40; ++i) {
        DbProgramEntry e = programEntry("P" + std::to_string(i), i);
        files.append(e);
    }
    const RecordFiles::Batch batch(files);
    EXPECT_EQ(entryName(files.read<DbProgramEntry>(30)), "P30");  // from the mapping
    // Another program empties the file under the mapping: its pages are gone, and a read of
    // them would end the program (SIGBUS) if it were not read again with a read call.
    std::filesystem::resize_file(files.pathOf(Kind::Program), 0);
    EXPECT_EQ(files.read<DbProgramEntry>(30), DbProgramEntry{});
    EXPECT_EQ(files.read<DbProgramEntry>(2), DbProgramEntry{});
}
