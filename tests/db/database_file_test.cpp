#include "db/database_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <memory>

#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include "db/listing.h"
#include "db_builder.h"
#include "failing_disk.h"
#include "io/progress.h"
#include "io/safe_files.h"

using namespace pelvaro;
using namespace pelvaro::db;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;
namespace fs = std::filesystem;

namespace {

using Snapshot = DatabaseSnapshot;

std::set<std::string> filesIn(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

// A small database of every kind, with classes in use and one stale record past the programs.
void fill(TestDatabase& db) {
    const int kit = db.addDrumKit(3, "kit");
    const int keys = db.addClass("Keys");
    const int piano = db.addClass("Piano", keys);
    const int p1 = db.addProgram("PIANO 1", {.osc1 = 10}, {.classIds = {piano}});
    const int drums = db.addProgram("DRUMS", {.oscMode = 2, .kitSlot = 1}, {.drumKitId = kit});
    db.addProgram("GONE", {.voice = 9});
    db.addCombination("SPLIT", {plays(0), plays(1), outside(3)},
                      {.timbreProgramIds = {p1, drums, -1}, .classIds = {keys}});
    db.files().moveLastEntryInto(Kind::Program, 3);
}

struct Exported {
    TestDatabase source;
    TempDir out;
    std::string pvd;
    Exported() {
        fill(source);
        pvd = exportDatabase(source.files(), out.file("bank")).database;
    }
    std::string member(Kind k) const {
        return out.file("bank" + std::string(kMemberExtensions[static_cast<int>(k)]));
    }
};

// A database in use that differs from the exported one, to see that a refused open keeps it.
struct InUse {
    TestDatabase db;
    InUse() {
        db.addClass("Mine");
        db.addProgram("MINE", {.voice = 4}, {.classIds = {1}, .explanation = "keep me"});
    }
};

}  // namespace

TEST(DatabaseBaseName, CutsAtTheFirstPvdOfTheFileNameOnly) {
    EXPECT_EQ(databaseBaseName("/d/bank"), "/d/bank");
    EXPECT_EQ(databaseBaseName("/d/bank.pvd"), "/d/bank");
    EXPECT_EQ(databaseBaseName("/d/bank.PVD"), "/d/bank.PVD");
    EXPECT_EQ(databaseBaseName("/d/a.pvd.b.pvd"), "/d/a");
    EXPECT_EQ(databaseBaseName("/d/x.pvd.old/bank"), "/d/x.pvd.old/bank");
    EXPECT_EQ(databaseBaseName("/d/x.pvd.old/bank.pvd"), "/d/x.pvd.old/bank");
    EXPECT_EQ(databaseBaseName("bank.pvdx"), "bank");

    const DatabasePaths p = databasePaths("/d/bank");
    EXPECT_EQ(p.database, "/d/bank.pvd");
    EXPECT_EQ(p.members, (std::array<std::string, 4>{"/d/bank.prg", "/d/bank.cmb", "/d/bank.dru",
                                                     "/d/bank.tur"}));
}

TEST(ExportDatabase, AnEmptyDatabaseIsFiveFilesOf800264264504And24Bytes) {
    TestDatabase db;
    TempDir out;
    const Snapshot before(db);
    exportDatabase(db.files(), out.file("bank"));

    EXPECT_EQ(filesIn(out.path()),
              (std::set<std::string>{"bank.pvd", "bank.prg", "bank.cmb", "bank.dru", "bank.tur"}))
        << "no temporary file is left";
    const std::vector<Byte> pvd = readBytes(out.file("bank.pvd"));
    ASSERT_EQ(pvd.size(), 800u);
    const std::array<std::string, 4> ext = {".prg", ".cmb", ".dru", ".tur"};
    for (int i = 0; i < 4; ++i) {
        const std::string path = out.file("bank" + ext[i]);
        EXPECT_EQ(fieldText(ConstBytes(pvd).subspan(200 * i, 200)), path);
        EXPECT_EQ(pvd[200 * i + path.size()], 0);
        EXPECT_EQ(readBytes(path), db.fileBytes(db::kAllKinds[i])) << ext[i];
    }
    EXPECT_EQ(readBytes(out.file("bank.prg")).size(), 264u);
    EXPECT_EQ(readBytes(out.file("bank.cmb")).size(), 264u);
    EXPECT_EQ(readBytes(out.file("bank.dru")).size(), 504u);
    EXPECT_EQ(readBytes(out.file("bank.tur")).size(), 24u);

    // The working files stay open and unchanged: the next append goes on as before.
    EXPECT_EQ(Snapshot(db), before);
    EXPECT_EQ(db.addProgram("NEXT"), 1);
    EXPECT_EQ(readBytes(out.file("bank.prg")).size(), 264u) << "later changes are not exported";
}

TEST(ExportDatabase, TheChosenNameGivesTheFiveNames) {
    TestDatabase db;
    TempDir out;
    exportDatabase(db.files(), out.file("bank"));
    exportDatabase(db.files(), out.file("bank.pvd"));
    EXPECT_EQ(filesIn(out.path()),
              (std::set<std::string>{"bank.pvd", "bank.prg", "bank.cmb", "bank.dru", "bank.tur"}));

    exportDatabase(db.files(), out.file("Bank.PVD"));
    EXPECT_TRUE(fs::exists(out.file("Bank.PVD.pvd")));
    EXPECT_TRUE(fs::exists(out.file("Bank.PVD.tur")));

    // A ".pvd" in a folder name is no cut: the files go into that folder.
    fs::create_directory(out.file("x.pvd.old"));
    const DatabasePaths p = exportDatabase(db.files(), out.file("x.pvd.old/bank"));
    EXPECT_EQ(p.database, out.file("x.pvd.old/bank.pvd"));
    EXPECT_EQ(filesIn(out.file("x.pvd.old")),
              (std::set<std::string>{"bank.pvd", "bank.prg", "bank.cmb", "bank.dru", "bank.tur"}));
    EXPECT_FALSE(fs::exists(out.file("x.pvd")));
}

TEST(ExportDatabase, ANameThatDoesNotFitThePathFieldsIsRefusedBeforeAnythingIsWritten) {
    TestDatabase db;
    TempDir out;
    // Member paths of 199 characters fit; of 200 they do not.
    const std::string dir = out.path() + "/";
    const std::string fits = dir + std::string(199 - 4 - dir.size(), 'n');
    EXPECT_NO_THROW(exportDatabase(db.files(), fits));
    EXPECT_EQ(readBytes(fits + ".pvd")[199], 0);
    EXPECT_EQ(fieldText(ConstBytes(readBytes(fits + ".pvd")).first(200)).size(), 199u);
    fs::remove_all(out.path());
    fs::create_directory(out.path());

    try {
        exportDatabase(db.files(), fits + "n");
        FAIL() << "a path of 200 characters was accepted";
    } catch (const RefusalError& e) {
        EXPECT_EQ(e.refusal().caption, "File name error");
        EXPECT_EQ(e.refusal().text,
                  "This name is too long for a database file.Please choose a shorter one.");
    }
    EXPECT_TRUE(filesIn(out.path()).empty());
}

TEST(ExportDatabase, TheWorkingFilesAreNeverExportTargets) {
    TestDatabase db;
    db.addProgram("KEEP");
    const std::vector<Byte> prg = db.fileBytes(Kind::Program);
    for (const std::string name : {"temp", "temp.pvd", "./temp"}) {
        const std::string chosen =
            name == "./temp" ? db.dir().path() + "/./temp" : db.dir().file(name);
        try {
            exportDatabase(db.files(), chosen);
            ADD_FAILURE() << name;
        } catch (const RefusalError& e) {
            EXPECT_EQ(e.refusal().caption, "File name error");
            EXPECT_EQ(e.refusal().text,
                      "This name belongs to the working files of the database in use.Please "
                      "choose another one.");
        }
    }
    EXPECT_EQ(filesIn(db.dir().path()),
              (std::set<std::string>{"temp.prg", "temp.cmb", "temp.dru", "temp.pvo", "temp.tur"}));
    EXPECT_EQ(db.fileBytes(Kind::Program), prg);

    // A folder where a member file would go fails before any file is replaced.
    TempDir out;
    exportDatabase(db.files(), out.file("bank"));
    const std::vector<Byte> before = readBytes(out.file("bank.prg"));
    db.addProgram("MORE");
    fs::remove(out.file("bank.tur"));
    fs::create_directory(out.file("bank.tur"));
    try {
        exportDatabase(db.files(), out.file("bank"));
        ADD_FAILURE();
    } catch (const io::FileError& e) {
        EXPECT_STREQ(e.what(),
                     ("Cannot create file " + out.file("bank.tur") + "\nIs a directory").c_str());
    }
    EXPECT_EQ(readBytes(out.file("bank.prg")), before);
}

TEST(ExportDatabase, AFailedExportLeavesTheEarlierExportWhole) {
    TestDatabase db;
    TempDir out;
    db.addProgram("FIRST");
    exportDatabase(db.files(), out.file("bank"));
    std::array<std::vector<Byte>, 5> before;
    const std::array<std::string, 5> names = {"bank.pvd", "bank.prg", "bank.cmb", "bank.dru",
                                              "bank.tur"};
    for (int i = 0; i < 5; ++i)
        before[i] = readBytes(out.file(names[i]));

    db.addProgram("SECOND", {.voice = 2});
    const Snapshot working(db);
    for (int n = 1; n <= 5; ++n) {
        for (FailNth::Op op : {FailNth::Op::Write, FailNth::Op::ShortWrite, FailNth::Op::Create}) {
            auto fault = std::make_unique<FailNth>(op, n);
            EXPECT_THROW(exportDatabase(db.files(), out.file("bank")), io::FileError);
            fault.reset();
            for (int i = 0; i < 5; ++i)
                EXPECT_EQ(readBytes(out.file(names[i])), before[i]) << names[i] << " n=" << n;
            EXPECT_EQ(filesIn(out.path()).size(), 5u) << "temporary files are removed";
            EXPECT_EQ(Snapshot(db), working);
        }
    }
}

TEST(OpenDatabase, AnExportedDatabaseComesBackByteForByte) {
    Exported e;
    const Snapshot exported(e.source);
    ASSERT_EQ(exported.counts, (std::array<std::int32_t, 4>{2, 1, 1, 2}));
    ASSERT_EQ(exported.bytes[0].size(), 4u * 264) << "the stale record is in the file";

    TestDatabase target;
    target.addProgram("OTHER");
    openDatabase(target.files(), e.pvd);
    EXPECT_EQ(Snapshot(target), exported);

    const ListRefill lists = listRows(target.files(), {}, Kind::Program);
    EXPECT_EQ(lists.programRowIds, (std::vector<std::int32_t>{1, 2})) << "GONE is not listed";
    EXPECT_EQ(lists.combinationRowIds, (std::vector<std::int32_t>{1}));
    EXPECT_EQ(rowLabel(target.files(), Kind::Program, lists.programRowIds, 1), "2     DRUMS      ");
    EXPECT_EQ(lists.classChoices, (std::vector<std::string>{" ", "No Class", "Keys", "Piano"}));

    // The member files are only read, and the next append takes the stale record's place.
    EXPECT_EQ(readBytes(e.member(Kind::Program)), exported.bytes[0]);
    EXPECT_EQ(target.addProgram("NEW"), 3);
    EXPECT_EQ(entryName(target.program(3)), "NEW");
    EXPECT_EQ(readBytes(e.member(Kind::Program)), exported.bytes[0]);
}

TEST(OpenDatabase, AMissingDatabaseOrMemberFileChangesNothing) {
    Exported e;
    InUse in;
    const Snapshot before(in.db);

    const std::string missing = e.out.file("nothing.pvd");
    try {
        openDatabase(in.db.files(), missing);
        FAIL();
    } catch (const io::FileError& err) {
        EXPECT_STREQ(err.what(),
                     ("Cannot open file " + missing + "\nNo such file or directory").c_str());
    }
    EXPECT_EQ(Snapshot(in.db), before);

    fs::remove(e.member(Kind::DrumKit));
    try {
        openDatabase(in.db.files(), e.pvd);
        FAIL();
    } catch (const io::FileError& err) {
        EXPECT_STREQ(err.what(),
                     ("Cannot open file " + e.member(Kind::DrumKit) + "\nNo such file or directory")
                         .c_str());
    }
    EXPECT_EQ(Snapshot(in.db), before);

    // A member that is a pipe is refused at once, not waited on.
    ASSERT_EQ(::mkfifo(e.member(Kind::DrumKit).c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(openDatabase(in.db.files(), e.pvd), io::FileError);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(Snapshot(in.db), before);
}

TEST(OpenDatabase, EveryKindOfDamageIsRefusedAndTheDatabaseInUseStaysAsItWas) {
    struct Damage {
        const char* what;
        Kind member;  // the file damaged and named in the message
        std::function<void(std::vector<Byte>&)> apply;
        std::string problem;
    };
    const std::vector<Damage> cases = {
        {"shorter than a record", Kind::Program, [](auto& b) { b.resize(100); },
         "is shorter than one record"},
        {"empty class file", Kind::Class, [](auto& b) { b.clear(); }, "is shorter than one record"},
        {"negative count", Kind::Combination, [](auto& b) { setLe32(b, 136, -1); },
         "has a negative entry count"},
        {"count past the records", Kind::DrumKit, [](auto& b) { setLe32(b, 420, 2); },
         "holds fewer records than its entry count (2)"},
        {"count of the stale record", Kind::Program, [](auto& b) { setLe32(b, 164, 4); },
         "holds fewer records than its entry count (4)"},
        {"wrong ID number", Kind::Program, [](auto& b) { setLe32(b, 2 * 264 + 164, 7); },
         "entry 2 has the ID number 7"},
        {"wrong kit ID number", Kind::DrumKit, [](auto& b) { setLe32(b, 504 + 420, 0); },
         "entry 1 has the ID number 0"},
        {"missing drum kit", Kind::Program, [](auto& b) { setLe32(b, 2 * 264 + 260, 2); },
         "entry 2 names drum kit 2, which does not exist"},
        {"missing timbre program", Kind::Combination,
         [](auto& b) { setLe32(b, 264 + 232 + 4 * 7, 3); },
         "entry 1 names program 3, which does not exist"},
        {"timbre below -1", Kind::Combination, [](auto& b) { setLe32(b, 264 + 232, -2); },
         "entry 1 names program -2, which does not exist"},
        {"missing class", Kind::Program, [](auto& b) { b[264 + 248 + 9] = 3; },
         "entry 1 names class 3, which does not exist"},
        {"negative class byte", Kind::Combination, [](auto& b) { b[264 + 220 + 1] = 0xFF; },
         "entry 1 names class -1, which does not exist"},
        {"missing parent", Kind::Class, [](auto& b) { setLe32(b, 24 + 20, 3); },
         "class 1 names parent 3, which does not exist"},
        {"negative parent", Kind::Class, [](auto& b) { setLe32(b, 48 + 20, -1); },
         "class 2 names parent -1, which does not exist"},
        {"own parent", Kind::Class, [](auto& b) { setLe32(b, 24 + 20, 1); },
         "class 1 lies below itself"},
        {"loop of parents", Kind::Class, [](auto& b) { setLe32(b, 24 + 20, 2); },
         "class 1 lies below itself"},
    };
    for (const Damage& d : cases) {
        SCOPED_TRACE(d.what);
        Exported e;
        std::vector<Byte> bytes = readBytes(e.member(d.member));
        d.apply(bytes);
        writeBytes(e.member(d.member), bytes);
        InUse in;
        const Snapshot before(in.db);
        try {
            openDatabase(in.db.files(), e.pvd);
            ADD_FAILURE() << "opened";
        } catch (const RefusalError& err) {
            EXPECT_EQ(err.refusal().caption, "Database error");
            EXPECT_EQ(err.refusal().text,
                      "This database cannot be opened: " + e.member(d.member) + ": " + d.problem);
        }
        EXPECT_EQ(Snapshot(in.db), before);
        EXPECT_EQ(
            filesIn(in.db.dir().path()),
            (std::set<std::string>{"temp.prg", "temp.cmb", "temp.dru", "temp.pvo", "temp.tur"}));
    }

    // A database file cut short names no members it can be trusted with.
    Exported e;
    std::vector<Byte> pvd = readBytes(e.pvd);
    pvd.resize(700);
    writeBytes(e.pvd, pvd);
    InUse in;
    const Snapshot before(in.db);
    try {
        openDatabase(in.db.files(), e.pvd);
        ADD_FAILURE() << "opened";
    } catch (const RefusalError& err) {
        EXPECT_EQ(err.refusal().text,
                  "This database cannot be opened: " + e.pvd + ": is shorter than 800 bytes");
    }
    EXPECT_EQ(Snapshot(in.db), before);
}

TEST(OpenDatabase, AFullDiskDuringTheCopyKeepsTheDatabaseInUse) {
    struct Counter : RecordObserver {
        int replaced = 0;
        void recordWritten(Kind, std::int32_t, ConstBytes) override {}
        void countChanged(Kind, std::int32_t) override {}
        void fileReplaced(Kind) override { ++replaced; }
    };
    Exported e;
    InUse in;
    Counter counter;
    in.db.files().addObserver(&counter);
    const Snapshot before(in.db);
    for (int n = 1; n <= 4; ++n) {
        auto fault = std::make_unique<FailNth>(FailNth::Op::ShortWrite, n);
        EXPECT_THROW(openDatabase(in.db.files(), e.pvd), io::FileError);
        fault.reset();
        EXPECT_EQ(Snapshot(in.db), before) << n;
        EXPECT_EQ(counter.replaced, 0);
        EXPECT_EQ(filesIn(in.db.dir().path()).size(), 5u) << "no half copy is left";
    }
    openDatabase(in.db.files(), e.pvd);
    EXPECT_EQ(counter.replaced, 4);
    EXPECT_EQ(Snapshot(in.db), Snapshot(e.source));
}

TEST(OpenDatabase, ADatabaseNamingTheWorkingFilesThemselvesOpensAsItIs) {
    InUse in;
    const Snapshot before(in.db);
    std::vector<Byte> pvd(800, 0);
    for (int i = 0; i < 4; ++i)
        putFieldText(Bytes(pvd).subspan(200 * i, 200), in.db.files().pathOf(db::kAllKinds[i]));
    writeBytes(in.db.dir().file("self.pvd"), pvd);
    openDatabase(in.db.files(), in.db.dir().file("self.pvd"));
    EXPECT_EQ(Snapshot(in.db), before);
    // And the files are still the locked working files: appends reach them.
    EXPECT_EQ(in.db.addProgram("MORE"), 2);
    EXPECT_EQ(entryName(in.db.program(2)), "MORE");
}

TEST(NewDatabase, GivesTheStateOfAStart) {
    InUse in;
    newDatabase(in.db.files());
    TestDatabase fresh;
    EXPECT_EQ(Snapshot(in.db), Snapshot(fresh));
    const ListRefill lists = listRows(in.db.files(), {}, Kind::Program);
    EXPECT_TRUE(lists.programRowIds.empty());
    EXPECT_EQ(lists.classChoices, (std::vector<std::string>{" ", "No Class"}));
}

TEST(OpenDatabase, AClassCountLoweredInTheClassFileNamesTheClassFile) {
    Exported e;
    // fill() gives entries classes 1 and 2; the class file's count now leaves class 2 out.
    std::vector<Byte> classes = readBytes(e.member(Kind::Class));
    setLe32(classes, 20, 1);
    writeBytes(e.member(Kind::Class), classes);
    InUse in;
    const Snapshot before(in.db);
    try {
        openDatabase(in.db.files(), e.pvd);
        ADD_FAILURE() << "opened";
    } catch (const RefusalError& err) {
        EXPECT_EQ(err.refusal().text, "This database cannot be opened: " + e.member(Kind::Class) +
                                          ": its class count (1) leaves out class 2, which "
                                          "entries use");
    }
    EXPECT_EQ(Snapshot(in.db), before);
}

TEST(OpenDatabase, AMemberWithALongEmptyTailOpensAndExportsWithItsHolesKept) {
    Exported e;
    // Stale zeros beyond the entries, a gibibyte of them, that take no room on the disk.
    const std::vector<Byte> programs = readBytes(e.member(Kind::Program));
    fs::resize_file(e.member(Kind::Program), std::uintmax_t{1} << 30);
    InUse in;
    openDatabase(in.db.files(), e.pvd);
    TempDir out;
    const DatabasePaths paths = exportDatabase(in.db.files(), out.file("again"));
    EXPECT_EQ(fs::file_size(paths.members[0]), std::uintmax_t{1} << 30) << "every byte is kept";
    struct stat st {};
    ASSERT_EQ(::stat(paths.members[0].c_str(), &st), 0);
    EXPECT_LT(st.st_blocks * 512, 1 << 20) << "the tail stays a hole";
    std::vector<Byte> head(programs.size());
    const io::FileStream copy = io::FileStream::openRead(paths.members[0]);
    copy.readExactAt(0, head);
    EXPECT_EQ(head, programs);
}

TEST(OpenDatabase, AnExportByAnotherCopyIsWaitedForAndOpenedWhole) {
    Exported e;
    TestDatabase other;
    other.addProgram("OTHER 1");
    other.addProgram("OTHER 2", {.voice = 2});
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        // The other copy holds the folder from before its export to after it.
        const io::FolderLock theirs(e.out.path());
        [[maybe_unused]] const auto written = ::write(ready[1], "x", 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        exportDatabase(other.files(), e.out.file("bank"));
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    InUse in;
    openDatabase(in.db.files(), e.pvd);
    EXPECT_EQ(in.db.files().count(Kind::Program), 2) << "the other copy's export, whole";
    EXPECT_EQ(entryName(in.db.program(1)), "OTHER 1");
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
}

// Open and Export tell a waiting window how far they have come, on the thread that waits,
// whatever core the work ran on: every byte they copy, and for Open the records it read to check
// them; a damaged member is refused all the same when checked beside the copies.
TEST(OpenDatabase, ReportsTheBytesItCopiesAndStillRefusesADamagedMember) {
    TestDatabase stored;
    for (int i = 0; i < 30; ++i)
        stored.addProgram("P" + std::to_string(i),
                          {.osc1 = i, .voice = static_cast<unsigned>(i + 1)});
    stored.addCombination("C", {synthetic::plays(0)}, {.timbreProgramIds = {1}});
    const DatabasePaths paths = exportDatabase(stored.files(), stored.dir().file("bank"));
    std::int64_t members = 0;
    for (const std::string& member : paths.members)
        members += static_cast<std::int64_t>(std::filesystem::file_size(member));

    TestDatabase opened;
    std::int64_t reported = 0;
    {
        const io::ProgressScope scope([&](std::int64_t bytes) { reported += bytes; });
        openDatabase(opened.files(), paths.database);
        // The copies, and the entries read to check them (all but the headers and classes).
        EXPECT_GT(reported, members + members / 2);
        EXPECT_LE(reported, 2 * members);
        reported = 0;
        exportDatabase(opened.files(), opened.dir().file("again"));
        EXPECT_EQ(reported, members);
    }
    reported = 0;
    openDatabase(opened.files(), paths.database);
    EXPECT_EQ(reported, 0) << "no scope, no report";

    // A combination naming a program that does not exist: refused, the working files kept.
    auto bad = stored.files().read<DbCombinationEntry>(1);
    bad.setTimbreProgramId(0, 99);
    stored.files().write(1, bad);
    exportDatabase(stored.files(), stored.dir().file("bank"));
    const DatabaseSnapshot before(opened);
    EXPECT_THROW(openDatabase(opened.files(), paths.database), RefusalError);
    EXPECT_TRUE(DatabaseSnapshot(opened) == before);
}
