#include "io/file_stream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "failing_disk.h"
#include "pcg_builder.h"
#include "temp_dir.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;
namespace fs = std::filesystem;

TEST(FileStream, ErrorsCarryTheirTextsThenTheFileAndTheSystemsReason) {
    TempDir dir;
    EXPECT_EQ(fileErrorText([&] { io::FileStream::openRead(dir.file("nope")); }),
              "Cannot open file " + dir.file("nope") + "\nNo such file or directory");
    EXPECT_EQ(fileErrorText([&] { io::FileStream::openRead(dir.path()); }),
              "Cannot open file " + dir.path() + "\nIs a directory");
    EXPECT_EQ(fileErrorText([&] { io::FileStream::createNew(dir.file("no/dir/x")); }),
              "Cannot create file " + dir.file("no/dir/x") + "\nNo such file or directory");

    writeBytes(dir.file("small"), {1, 2, 3});
    EXPECT_EQ(fileErrorText([&] { io::FileStream::createNew(dir.file("small")); }),
              "Cannot create file " + dir.file("small") + "\nFile exists");
    const io::FileStream small = io::FileStream::openRead(dir.file("small"));
    std::array<Byte, 4> four{};
    EXPECT_EQ(fileErrorText([&] { small.readExactAt(0, four); }),
              "Stream read error\n" + dir.file("small") + ": Input/output error");
    EXPECT_EQ(small.readAt(1, four), 2u);
    EXPECT_EQ(four[0], 2);
    EXPECT_EQ(four[1], 3);

    io::FileStream readOnly = io::FileStream::openRead(dir.file("small"));
    EXPECT_EQ(fileErrorText([&] { readOnly.writeAt(0, four); }),
              "Stream write error\n" + dir.file("small") + ": Bad file descriptor");
    try {
        readOnly.writeAt(0, four);
    } catch (const io::FileError& e) {
        EXPECT_EQ(e.headline(), "Stream write error");
        EXPECT_EQ(e.detail(), dir.file("small") + ": Bad file descriptor");
    }
}

TEST(FileStream, CopyFromReplacesTheWholeContentsAndKeepsHolesAsHoles) {
    TempDir dir;
    std::vector<Byte> big(3 << 20);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<Byte>(i * 7 + i / 4096);
    writeBytes(dir.file("src"), big);
    io::FileStream target = io::FileStream::createNew(dir.file("dst"));
    target.writeAt(0, std::vector<Byte>(5 << 20, 0xEE));
    target.copyFrom(io::FileStream::openRead(dir.file("src")));
    target.close();
    EXPECT_EQ(readBytes(dir.file("dst")), big);

    // Three records, then a tail of 256 MiB that holds nothing: the copy keeps every byte and
    // takes no more room than the original.
    {
        io::FileStream sparse = io::FileStream::createNew(dir.file("sparse"));
        sparse.writeAt(0, std::vector<Byte>(3 * 264, 0x5A));
        sparse.truncate(std::int64_t{256} << 20);
    }
    io::FileStream copy = io::FileStream::createNew(dir.file("copy"));
    copy.copyFrom(io::FileStream::openRead(dir.file("sparse")));
    EXPECT_EQ(copy.size(), std::int64_t{256} << 20);
    std::vector<Byte> head(4 * 264);
    copy.readExactAt(0, head);
    EXPECT_TRUE(
        std::all_of(head.begin(), head.begin() + 3 * 264, [](Byte b) { return b == 0x5A; }));
    EXPECT_TRUE(std::all_of(head.begin() + 3 * 264, head.end(), [](Byte b) { return b == 0; }));
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("copy").c_str(), &st), 0);
    EXPECT_LT(st.st_blocks * 512, 1 << 20) << "the empty tail stays a hole";
}

TEST(FileStream, WorkingFilesRefuseASecondHolderWithoutTouchingTheFirst) {
    TempDir dir;
    io::FileStream first = io::FileStream::openWorkingFile(dir.file("w"));
    first.writeAt(0, std::vector<Byte>{9, 8, 7});
    EXPECT_TRUE(io::FileStream::isHeld(dir.file("w")));
    EXPECT_EQ(fileErrorText([&] { io::FileStream::openWorkingFile(dir.file("w")); }),
              "Cannot create file " + dir.file("w") +
                  "\nAnother copy of PELVARO is already using this folder.");
    EXPECT_EQ(readBytes(dir.file("w")), (std::vector<Byte>{9, 8, 7}));
    first.close();
    EXPECT_FALSE(io::FileStream::isHeld(dir.file("w")));
    io::FileStream again = io::FileStream::openWorkingFile(dir.file("w"));
    EXPECT_EQ(again.size(), 0) << "a file left by an ended run gives way to a new one";
}

TEST(FileStream, AWorkingFileNeverWritesThroughWhatStandsUnderItsName) {
    TempDir dir;
    const std::string mine = dir.file("mine.pcg");
    const std::vector<Byte> precious(2000, 0x42);
    writeBytes(mine, precious);

    // A symbolic link and a second name of the user's file: each loses its name only.
    fs::create_symlink(mine, dir.file("link"));
    io::FileStream viaLink = io::FileStream::openWorkingFile(dir.file("link"));
    viaLink.writeAt(0, std::vector<Byte>(264, 0));
    fs::create_hard_link(mine, dir.file("hard"));
    io::FileStream viaHardLink = io::FileStream::openWorkingFile(dir.file("hard"));
    viaHardLink.writeAt(0, std::vector<Byte>(264, 0));
    EXPECT_EQ(readBytes(mine), precious);
    EXPECT_FALSE(fs::is_symlink(dir.file("link")));
    EXPECT_EQ(fs::hard_link_count(mine), 1u);

    // A pipe, an empty folder: gone, a new file in their place. A folder with files in it stays
    // and says why.
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0666), 0);
    EXPECT_EQ(io::FileStream::openWorkingFile(dir.file("fifo")).size(), 0);
    EXPECT_TRUE(fs::is_regular_file(dir.file("fifo")));
    fs::create_directory(dir.file("empty"));
    EXPECT_EQ(io::FileStream::openWorkingFile(dir.file("empty")).size(), 0);
    fs::create_directories(dir.file("full/inside"));
    EXPECT_EQ(fileErrorText([&] { io::FileStream::openWorkingFile(dir.file("full")); }),
              "Cannot create file " + dir.file("full") + "\nDirectory not empty");
    EXPECT_TRUE(fs::exists(dir.file("full/inside")));

    // A device node (only root may make one): its name goes, the device is not opened.
    if (::geteuid() == 0) {
        ASSERT_EQ(::mknod(dir.file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
        EXPECT_EQ(io::FileStream::openWorkingFile(dir.file("null")).size(), 0);
        EXPECT_TRUE(fs::is_regular_file(dir.file("null")));
    }
}

TEST(FileStream, InjectedFaultsStrikeTheChosenOperation) {
    TempDir dir;
    io::FileStream f = io::FileStream::createNew(dir.file("f"));
    {
        FailNth fault(FailNth::Op::Write, 2);
        f.writeAt(0, std::vector<Byte>{1});
        EXPECT_EQ(fileErrorText([&] { f.writeAt(1, std::vector<Byte>{2}); }),
                  "Stream write error\n" + dir.file("f") + ": Input/output error");
        f.writeAt(1, std::vector<Byte>{3});  // the fault strikes once
    }
    auto fault = std::make_unique<FailNth>(FailNth::Op::ShortWrite, 1);
    EXPECT_EQ(fileErrorText([&] {
                  f.writeAt(0, std::vector<Byte>{4, 4, 4, 4});
              }),
              "Stream write error\n" + dir.file("f") + ": No space left on device");
    f.close();
    EXPECT_EQ(readBytes(dir.file("f")), (std::vector<Byte>{4, 4}))
        << "half of the bytes reached the disk";
    fault.reset();
}
