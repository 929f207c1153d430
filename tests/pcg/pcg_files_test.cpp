#include <gtest/gtest.h>
#include <memory>

#include <filesystem>

#include "failing_disk.h"
#include "io/file_stream.h"
#include "pcg/pcg_files.h"
#include "pcg/pcg_lists.h"
#include "pcg_builder.h"
#include "temp_dir.h"
#include "template_image.h"

using namespace pelvaro;
using namespace pelvaro::pcg;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;

namespace {

// A start directory holding the template file, and the state start-up leaves.
struct Started {
    TempDir dir;
    PcgState pcg;
    Started() {
        writePcgFile(synthetic::makeTemplateImage(), templatePathIn(dir.path()));
        loadEmptyPcg(pcg, templatePathIn(dir.path()));
        loadTemplates(pcg, templatePathIn(dir.path()));
    }
};

// Everything an import may change, to compare before and after a refused one.
struct Snapshot {
    PcgImage image;
    SlotOccupancy occupancy;
    std::string fileName;
    std::vector<std::string> lines;
    explicit Snapshot(PcgState& pcg)
        : image(pcg.image),
          occupancy(pcg.occupancy),
          fileName(pcg.pcgFileName),
          lines(pcgListLines(pcg, 0, 0).programs) {}
    bool operator==(const Snapshot&) const = default;
};

std::vector<Byte> withLength(std::vector<Byte> bytes, std::size_t length) {
    bytes.resize(length, 0x5A);
    return bytes;
}

}  // namespace

TEST(EmptyPcg, EverySlotHoldsTheTemplatesA00AndNoFlagIsSet) {
    Started s;
    const PcgImage file = synthetic::makeTemplateImage();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        ASSERT_TRUE(std::ranges::equal(s.pcg.image.program(slot), file.program(0))) << slot;
        ASSERT_TRUE(std::ranges::equal(s.pcg.image.combination(slot), file.combination(0)));
    }
    EXPECT_TRUE(std::ranges::equal(s.pcg.templates.program, file.program(0)));
    EXPECT_TRUE(std::ranges::equal(s.pcg.templates.combination, file.combination(0)));
    EXPECT_EQ(s.pcg.occupancy, SlotOccupancy{});
    EXPECT_TRUE(s.pcg.pcgFileName.empty());
    for (const auto& line : pcgListLines(s.pcg, 1, 0).programs)
        EXPECT_EQ(line.substr(3), "    ----------");
}

TEST(EmptyPcg, AMissingTemplateIsAFileErrorAndAShortOrForeignOneIsRefused) {
    Started s;
    PcgBuilder b;
    b.program(0, "KEEP", {.voice = 3});
    s.pcg.image = b.image();
    const PcgImage before = s.pcg.image;

    std::filesystem::remove(templatePathIn(s.dir.path()));
    try {
        newPcg(s.pcg, templatePathIn(s.dir.path()));
        FAIL() << "no template file";
    } catch (const io::FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + templatePathIn(s.dir.path()) +
                                             "\nNo such file or directory");
    }
    EXPECT_EQ(s.pcg.image, before);

    // A template that is no PCG would become every new PCG and every export from it.
    const PcgImage shipped = synthetic::makeTemplateImage();
    std::vector<Byte> korg4(shipped.bytes().begin(), shipped.bytes().end());
    korg4[4] = '4';
    std::vector<Byte> korg5 = korg4;
    korg5[4] = '5';
    korg5.resize(kPcgSize - 1);
    for (const auto& bytes : {std::vector<Byte>(100, 1), korg4, korg5}) {
        writeBytes(templatePathIn(s.dir.path()), bytes);
        using Load = void (*)(PcgState&, const std::string&);
        for (const Load load : {Load{loadEmptyPcg}, Load{loadTemplates}}) {
            try {
                load(s.pcg, templatePathIn(s.dir.path()));
                ADD_FAILURE() << "a template of " << bytes.size() << " bytes was taken";
            } catch (const io::RefusalError& e) {
                EXPECT_EQ(e.refusal().caption, "File type error");
                EXPECT_EQ(e.refusal().text,
                          "The empty-PCG template must be a Korg5 Pcg file of 69416 bytes. "
                          "This one is not: " +
                              templatePathIn(s.dir.path()));
            }
        }
        EXPECT_EQ(s.pcg.image, before);
    }
}

TEST(Import, LoadsTheWholeImageAndRecomputesTheFlags) {
    Started s;
    PcgBuilder b;
    b.program(0, "ONE", {.voice = 1}).drumProgram(105, "DRUMS", 2, 2);
    b.combination(199, "LAST", {plays(0)});
    b.writeTo(s.dir.file("first.pcg"));

    ASSERT_EQ(importPcg(s.pcg, s.dir.file("first.pcg")), ImportResult::Imported);
    EXPECT_EQ(s.pcg.image, b.image());
    EXPECT_EQ(s.pcg.pcgFileName, s.dir.file("first.pcg"));
    EXPECT_EQ(s.pcg.occupancy.programUsed[0], 1);
    EXPECT_EQ(s.pcg.occupancy.programUsed[105], 1);
    EXPECT_EQ(s.pcg.occupancy.combinationUsed[199], 1);
    EXPECT_EQ(std::count(s.pcg.occupancy.programUsed.begin(), s.pcg.occupancy.programUsed.end(), 1),
              2);
    EXPECT_EQ(s.pcg.occupancy.drumKitUsed, (std::array<Byte, 4>{0, 0, 1, 0}));

    // A second import replaces the first entirely, kit usage included.
    PcgBuilder second;
    second.drumProgram(50, "OTHER", 0, 9);
    second.writeTo(s.dir.file("second.pcg"));
    ASSERT_EQ(importPcg(s.pcg, s.dir.file("second.pcg")), ImportResult::Imported);
    EXPECT_EQ(s.pcg.image, second.image());
    EXPECT_EQ(s.pcg.occupancy.programUsed[0], 0);
    EXPECT_EQ(s.pcg.occupancy.programUsed[50], 1);
    EXPECT_EQ(s.pcg.occupancy.drumKitUsed, (std::array<Byte, 4>{1, 0, 0, 0}));
}

TEST(Import, ALongerFileGivesItsFirst69416Bytes) {
    Started s;
    PcgBuilder b;
    b.program(199, "END", {.voice = 4});
    writeBytes(s.dir.file("long.pcg"), withLength(b.bytes(), kPcgSize + 5000));
    ASSERT_EQ(importPcg(s.pcg, s.dir.file("long.pcg")), ImportResult::Imported);
    EXPECT_EQ(s.pcg.image, b.image());
    writePcgFile(s.pcg.image, s.dir.file("out.pcg"));
    EXPECT_EQ(readBytes(s.dir.file("out.pcg")), b.bytes());
}

TEST(Import, AForeignOrShortFileIsRefusedAndNothingChanges) {
    Started s;
    PcgBuilder loaded;
    loaded.program(1, "LOADED", {.voice = 7}).drumProgram(2, "KIT", 1, 8);
    loaded.writeTo(s.dir.file("loaded.pcg"));
    ASSERT_EQ(importPcg(s.pcg, s.dir.file("loaded.pcg")), ImportResult::Imported);

    PcgBuilder other;
    other.program(0, "OTHER", {.voice = 9});
    const std::vector<Byte> good = other.bytes();
    struct Case {
        const char* what;
        std::vector<Byte> bytes;
    };
    auto withMagic = [&](std::string_view magic) {
        auto bytes = good;
        std::ranges::copy(magic, bytes.begin());
        return bytes;
    };
    const std::vector<Case> cases = {
        {"lower-case magic", withMagic("korg5")},
        {"another digit", withMagic("KORG6")},
        {"one letter off", withMagic("KORGS")},
        {"short by one byte", withLength(good, kPcgSize - 1)},
        {"only the magic", withLength(good, 5)},
        {"half a file", withLength(good, kPcgSize / 2)},
        {"empty file", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(s.dir.file("bad.pcg"), c.bytes);
        const Snapshot before(s.pcg);
        EXPECT_EQ(importPcg(s.pcg, s.dir.file("bad.pcg")), ImportResult::NotCompatible);
        EXPECT_TRUE(Snapshot(s.pcg) == before);
        EXPECT_EQ(s.pcg.pcgFileName, s.dir.file("loaded.pcg"));
    }
    EXPECT_EQ(kNotCompatibleText,
              "This is not a compatible Pcg file.Please select a Korg5 Pcg file.");
    EXPECT_EQ(kNotCompatibleCaption, "File type error");
}

TEST(Import, AFileThatCannotBeOpenedIsAFileErrorAndNothingChanges) {
    Started s;
    const Snapshot before(s.pcg);
    for (const std::string& path : {s.dir.file("missing.pcg"), s.dir.path()}) {
        try {
            importPcg(s.pcg, path);
            FAIL() << path;
        } catch (const io::FileError& e) {
            EXPECT_EQ(
                std::string(e.what()),
                "Cannot open file " + path +
                    (path == s.dir.path() ? "\nIs a directory" : "\nNo such file or directory"));
        }
        EXPECT_TRUE(Snapshot(s.pcg) == before);
    }
}

TEST(Export, NameIsCutAtPcgInsideTheFileNameOnly) {
    EXPECT_EQ(pcgExportName("/home/u/bank"), "/home/u/bank.pcg");
    EXPECT_EQ(pcgExportName("/home/u/bank.pcg"), "/home/u/bank.pcg");
    EXPECT_EQ(pcgExportName("/home/u/bank.pcg.old"), "/home/u/bank.pcg");
    EXPECT_EQ(pcgExportName("/home/u/bank.pcgx.pcg"), "/home/u/bank.pcg");
    EXPECT_EQ(pcgExportName("/home/u/bank.PCG"), "/home/u/bank.PCG.pcg");
    EXPECT_EQ(pcgExportName("/home/u/my.pcgfiles/bank"), "/home/u/my.pcgfiles/bank.pcg");
    EXPECT_EQ(pcgExportName("/home/u/my.pcgfiles/bank.pcg"), "/home/u/my.pcgfiles/bank.pcg");
    EXPECT_EQ(pcgExportName("bank"), "bank.pcg");
}

TEST(Export, AfterStartUpWritesTheTemplateWithA00InEverySlot) {
    Started s;
    writePcgFile(s.pcg.image, s.dir.file("empty.pcg"));
    const std::vector<Byte> written = readBytes(s.dir.file("empty.pcg"));
    ASSERT_EQ(written.size(), kPcgSize);

    const PcgImage file = synthetic::makeTemplateImage();
    std::vector<Byte> expected(file.bytes().begin(), file.bytes().end());
    for (int slot = 0; slot < kSlotCount; ++slot) {
        std::ranges::copy(file.program(0), expected.begin() + programOffset(slot));
        std::ranges::copy(file.combination(0), expected.begin() + combinationOffset(slot));
    }
    EXPECT_EQ(written, expected);
}

TEST(Export, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    Started s;
    const std::string target = s.dir.file("keep.pcg");
    writeBytes(target, {1, 2, 3});
    for (FailNth::Op op : {FailNth::Op::Create, FailNth::Op::Write, FailNth::Op::ShortWrite}) {
        auto fault = std::make_unique<FailNth>(op, 1);
        EXPECT_THROW(writePcgFile(s.pcg.image, target), io::FileError);
        fault.reset();
        EXPECT_EQ(readBytes(target), (std::vector<Byte>{1, 2, 3}));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(s.dir.path()),
                                std::filesystem::directory_iterator()),
                  2)
            << "only bos.dat and keep.pcg";
    }
    writePcgFile(s.pcg.image, target);
    EXPECT_EQ(readBytes(target).size(), kPcgSize);
}

TEST(Export, AFolderOrAMissingFolderCannotBeCreated) {
    Started s;
    std::filesystem::create_directory(s.dir.file("folder.pcg"));
    for (const std::string& path : {s.dir.file("folder.pcg"), s.dir.file("no/such/x.pcg")}) {
        try {
            writePcgFile(s.pcg.image, path);
            FAIL() << path;
        } catch (const io::FileError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Cannot create file " + path +
                          (path == s.dir.file("folder.pcg") ? "\nIs a directory"
                                                            : "\nNo such file or directory"));
        }
    }
    EXPECT_TRUE(std::filesystem::is_directory(s.dir.file("folder.pcg")));
}

TEST(NewPcg, ReturnsToTheEmptyPcgAndKeepsTheStartUpTemplates) {
    Started s;
    PcgBuilder b;
    b.program(3, "USED", {.voice = 2}).drumProgram(4, "KIT", 1, 3);
    b.combination(120, "C", {plays(3)});
    b.writeTo(s.dir.file("some.pcg"));
    ASSERT_EQ(importPcg(s.pcg, s.dir.file("some.pcg")), ImportResult::Imported);
    const EmptyTemplates templates = s.pcg.templates;

    // A changed template file on disk shows in the new image, never in the templates.
    PcgImage changed = synthetic::makeTemplateImage();
    changed.bytes()[5000] = 0x77;
    writePcgFile(changed, templatePathIn(s.dir.path()));

    newPcg(s.pcg, templatePathIn(s.dir.path()));
    EXPECT_TRUE(s.pcg.pcgFileName.empty());
    EXPECT_EQ(s.pcg.occupancy, SlotOccupancy{});
    EXPECT_EQ(s.pcg.image.bytes()[5000], 0x77);
    EXPECT_TRUE(std::ranges::equal(s.pcg.templates.program, templates.program));
    EXPECT_TRUE(std::ranges::equal(s.pcg.image.program(3), changed.program(0)));
    for (int bank : {0, 1})
        for (const auto& line : pcgListLines(s.pcg, bank, bank).combinations)
            EXPECT_EQ(line.substr(3), "    ----------");
}
