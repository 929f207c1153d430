#include <gtest/gtest.h>

#include "pcg/file_stream.h"
#include "pcg_builder.h"
#include "temp_dir.h"

using namespace pelvaro;
using namespace pelvaro::testing;

TEST(FileStream, ErrorsCarryTheirTexts) {
    TempDir dir;
    auto textOf = [](auto&& action) -> std::string {
        try {
            action();
        } catch (const FileError& e) {
            return e.what();
        }
        return "no error";
    };
    EXPECT_EQ(textOf([&] { FileStream::openRead(dir.file("nope")); }),
              "Cannot open file " + dir.file("nope"));
    EXPECT_EQ(textOf([&] { FileStream::create(dir.file("no/dir/x")); }),
              "Cannot create file " + dir.file("no/dir/x"));

    writeBytes(dir.file("small"), {1, 2, 3});
    const FileStream small = FileStream::openRead(dir.file("small"));
    std::array<Byte, 4> four{};
    EXPECT_EQ(textOf([&] { small.readExactAt(0, four); }), "Stream read error");
    EXPECT_EQ(small.readAt(1, four), 2u);
    EXPECT_EQ(four[0], 2);
    EXPECT_EQ(four[1], 3);

    FileStream readOnly = FileStream::openRead(dir.file("small"));
    EXPECT_EQ(textOf([&] { readOnly.writeAt(0, four); }), "Stream write error");
}

TEST(FileStream, CopyFromReplacesTheWholeContents) {
    TempDir dir;
    std::vector<Byte> big(3 << 20);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<Byte>(i * 7 + i / 4096);
    writeBytes(dir.file("src"), big);
    writeBytes(dir.file("dst"), std::vector<Byte>(5 << 20, 0xEE));
    const FileStream source = FileStream::openRead(dir.file("src"));
    FileStream target = FileStream::create(dir.file("dst"));
    target.writeAt(0, std::vector<Byte>(5 << 20, 0xEE));
    target.copyFrom(source);
    target.close();
    EXPECT_EQ(readBytes(dir.file("dst")), big);
}

TEST(FileStream, LockedFilesRefuseASecondHolderWithoutTouchingTheFirst) {
    TempDir dir;
    FileStream first = FileStream::createLocked(dir.file("w"));
    first.writeAt(0, std::vector<Byte>{9, 8, 7});
    EXPECT_THROW(FileStream::createLocked(dir.file("w")), FileError);
    EXPECT_EQ(readBytes(dir.file("w")), (std::vector<Byte>{9, 8, 7}));
    first.close();
    FileStream again = FileStream::createLocked(dir.file("w"));
    EXPECT_EQ(again.size(), 0) << "a file left by an ended run is taken over and emptied";
}

TEST(FileStream, InjectedFaultsStrikeTheChosenOperation) {
    TempDir dir;
    FileStream f = FileStream::create(dir.file("f"));
    faults::failNth(faults::Op::Write, 2);
    f.writeAt(0, std::vector<Byte>{1});
    EXPECT_THROW(f.writeAt(1, std::vector<Byte>{2}), FileError);
    f.writeAt(1, std::vector<Byte>{3});  // the fault strikes once

    faults::failNth(faults::Op::ShortWrite, 1);
    EXPECT_THROW(f.writeAt(0, std::vector<Byte>{4, 4, 4, 4}), FileError);
    f.close();
    EXPECT_EQ(readBytes(dir.file("f")), (std::vector<Byte>{4, 4}))
        << "half of the bytes reached the disk";
    faults::clear();
}
