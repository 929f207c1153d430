#include <gtest/gtest.h>
#include <memory>

#include "failing_disk.h"
#include "io/file_stream.h"
#include "pcg_builder.h"
#include "temp_dir.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;

TEST(FileStream, ErrorsCarryTheirTexts) {
    TempDir dir;
    auto textOf = [](auto&& action) -> std::string {
        try {
            action();
        } catch (const io::FileError& e) {
            return e.what();
        }
        return "no error";
    };
    EXPECT_EQ(textOf([&] { io::FileStream::openRead(dir.file("nope")); }),
              "Cannot open file " + dir.file("nope"));
    EXPECT_EQ(textOf([&] { io::FileStream::create(dir.file("no/dir/x")); }),
              "Cannot create file " + dir.file("no/dir/x"));

    writeBytes(dir.file("small"), {1, 2, 3});
    const io::FileStream small = io::FileStream::openRead(dir.file("small"));
    std::array<Byte, 4> four{};
    EXPECT_EQ(textOf([&] { small.readExactAt(0, four); }), "Stream read error");
    EXPECT_EQ(small.readAt(1, four), 2u);
    EXPECT_EQ(four[0], 2);
    EXPECT_EQ(four[1], 3);

    io::FileStream readOnly = io::FileStream::openRead(dir.file("small"));
    EXPECT_EQ(textOf([&] { readOnly.writeAt(0, four); }), "Stream write error");
}

TEST(FileStream, CopyFromReplacesTheWholeContents) {
    TempDir dir;
    std::vector<Byte> big(3 << 20);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<Byte>(i * 7 + i / 4096);
    writeBytes(dir.file("src"), big);
    writeBytes(dir.file("dst"), std::vector<Byte>(5 << 20, 0xEE));
    const io::FileStream source = io::FileStream::openRead(dir.file("src"));
    io::FileStream target = io::FileStream::create(dir.file("dst"));
    target.writeAt(0, std::vector<Byte>(5 << 20, 0xEE));
    target.copyFrom(source);
    target.close();
    EXPECT_EQ(readBytes(dir.file("dst")), big);
}

TEST(FileStream, LockedFilesRefuseASecondHolderWithoutTouchingTheFirst) {
    TempDir dir;
    io::FileStream first = io::FileStream::createLocked(dir.file("w"));
    first.writeAt(0, std::vector<Byte>{9, 8, 7});
    EXPECT_THROW(io::FileStream::createLocked(dir.file("w")), io::FileError);
    EXPECT_EQ(readBytes(dir.file("w")), (std::vector<Byte>{9, 8, 7}));
    first.close();
    io::FileStream again = io::FileStream::createLocked(dir.file("w"));
    EXPECT_EQ(again.size(), 0) << "a file left by an ended run is taken over and emptied";
}

TEST(FileStream, InjectedFaultsStrikeTheChosenOperation) {
    TempDir dir;
    io::FileStream f = io::FileStream::create(dir.file("f"));
    {
        FailNth fault(FailNth::Op::Write, 2);
        f.writeAt(0, std::vector<Byte>{1});
        EXPECT_THROW(f.writeAt(1, std::vector<Byte>{2}), io::FileError);
        f.writeAt(1, std::vector<Byte>{3});  // the fault strikes once
    }
    auto fault = std::make_unique<FailNth>(FailNth::Op::ShortWrite, 1);
    EXPECT_THROW(f.writeAt(0, std::vector<Byte>{4, 4, 4, 4}), io::FileError);
    f.close();
    EXPECT_EQ(readBytes(dir.file("f")), (std::vector<Byte>{4, 4}))
        << "half of the bytes reached the disk";
    fault.reset();
}
