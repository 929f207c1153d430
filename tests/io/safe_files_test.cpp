#include "io/safe_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "pcg_builder.h"
#include "temp_dir.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;
namespace fs = std::filesystem;

namespace {

void writeKept(const std::string& target, const std::vector<Byte>& bytes) {
    io::AtomicFile file(target);
    file.stream().writeAt(0, bytes);
    file.commit();
}
}  // namespace

TEST(SafeFiles, ANewFileHasNoNameUntilItIsCompleteAndLeavesNothingWithoutCommit) {
    TempDir dir;
    writeBytes(dir.file("kept"), {1, 2, 3});
    {
        io::AtomicFile file(dir.file("kept"));
        file.stream().writeAt(0, std::vector<Byte>(100, 7));
        EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"kept"}) << "nothing to see yet";
    }
    EXPECT_EQ(readBytes(dir.file("kept")), (std::vector<Byte>{1, 2, 3}));
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"kept"});
    writeKept(dir.file("kept"), std::vector<Byte>(100, 7));
    EXPECT_EQ(readBytes(dir.file("kept")), std::vector<Byte>(100, 7));
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"kept"});
}

TEST(SafeFiles, AnyNameTheFileSystemTakesCanBeWrittenAndATooLongOneSaysSo) {
    TempDir dir;
    // The longest name a folder takes: the temporary name beside it does not grow with it.
    const std::string longest = dir.file(std::string(251, 'n') + ".pcg");
    writeKept(longest, {1});
    writeKept(longest, {2});
    EXPECT_EQ(readBytes(longest), std::vector<Byte>{2});
    EXPECT_EQ(namesIn(dir.path()).size(), 1u);
    const std::string tooLong = dir.file(std::string(252, 'n') + ".pcg");
    EXPECT_EQ(fileErrorText([&] { writeKept(tooLong, {1}); }),
              "Cannot create file " + tooLong + "\nFile name too long");
}

TEST(SafeFiles, WhatIsNoFileIsNeverReplacedAndALinkIsFollowed) {
    TempDir dir;
    fs::create_directory(dir.file("folder.pcg"));
    ASSERT_EQ(::mkfifo(dir.file("fifo.pcg").c_str(), 0666), 0);
    EXPECT_EQ(fileErrorText([&] { writeKept(dir.file("folder.pcg"), {1}); }),
              "Cannot create file " + dir.file("folder.pcg") + "\nIs a directory");
    EXPECT_EQ(fileErrorText([&] { writeKept(dir.file("fifo.pcg"), {1}); }),
              "Cannot create file " + dir.file("fifo.pcg") + "\nNot a regular file");
    EXPECT_TRUE(fs::is_directory(dir.file("folder.pcg")));
    EXPECT_TRUE(fs::is_fifo(dir.file("fifo.pcg")));
    if (::geteuid() == 0) {
        ASSERT_EQ(::mknod(dir.file("null.pcg").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
        EXPECT_EQ(fileErrorText([&] { writeKept(dir.file("null.pcg"), {1}); }),
                  "Cannot create file " + dir.file("null.pcg") + "\nNot a regular file");
        EXPECT_TRUE(fs::is_character_file(dir.file("null.pcg")));
    }

    // A link: the file it names is replaced in one step and the link stays; a link to a file
    // that does not exist yet makes that file.
    fs::create_directory(dir.file("real"));
    writeBytes(dir.file("real/bank.pcg"), {1});
    fs::create_symlink("real/bank.pcg", dir.file("link.pcg"));
    writeKept(dir.file("link.pcg"), {2});
    EXPECT_TRUE(fs::is_symlink(dir.file("link.pcg")));
    EXPECT_EQ(readBytes(dir.file("real/bank.pcg")), std::vector<Byte>{2});
    fs::create_symlink(dir.file("real/new.pcg"), dir.file("dangling.pcg"));
    writeKept(dir.file("dangling.pcg"), {3});
    EXPECT_EQ(readBytes(dir.file("real/new.pcg")), std::vector<Byte>{3});
    EXPECT_EQ(namesIn(dir.file("real")), (std::set<std::string>{"bank.pcg", "new.pcg"}));
}

TEST(SafeFiles, AReplacedFileStaysWholeForWhoHoldsItAndLeavesNoSecondName) {
    TempDir dir;
    writeBytes(dir.file("a"), {1, 1});
    writeBytes(dir.file("b"), {2, 2});
    writeBytes(dir.file("new-a"), {10});
    writeBytes(dir.file("new-b"), {20});
    const io::FileStream held = io::FileStream::openRead(dir.file("a"));
    const std::vector<io::Replacement> swaps{{dir.file("new-a"), dir.file("a")},
                                             {dir.file("new-b"), dir.file("b")}};
    io::replaceAll(swaps);
    EXPECT_EQ(readBytes(dir.file("a")), std::vector<Byte>{10});
    EXPECT_EQ(readBytes(dir.file("b")), std::vector<Byte>{20});
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"a", "b"}));
    std::vector<Byte> before(2);
    held.readAt(0, before);
    EXPECT_EQ(before, (std::vector<Byte>{1, 1}));
    struct stat st {};
    ASSERT_EQ(::fstat(held.descriptor(), &st), 0);
    EXPECT_EQ(st.st_nlink, 0u) << "the former file has no name left";
}

TEST(SafeFiles, TidyingAFolderTakesBackASetOfRenamesLeftHalfDone) {
    TempDir dir;
    writeBytes(dir.file("a"), {1});
    writeBytes(dir.file("b"), {2});
    // A copy killed after its journal, its kept former files and the first of two renames.
    writeBytes(dir.file(".pelvaro-tmp-new-a"), {10});
    ASSERT_EQ(::link(dir.file("a").c_str(), dir.file(".pelvaro-old-a").c_str()), 0);
    ASSERT_EQ(::link(dir.file("b").c_str(), dir.file(".pelvaro-old-b").c_str()), 0);
    ASSERT_EQ(::rename(dir.file(".pelvaro-tmp-new-a").c_str(), dir.file("a").c_str()), 0);
    writeBytes(dir.file(".pelvaro-tmp-new-b"), {20});
    writeBytes(dir.file("c"), {30});  // a target that had no file before the run
    const auto entry = [](const std::string& s) {
        return std::to_string(s.size()) + ":" + s + "\n";
    };
    const std::string journal =
        "PELVARO-JOURNAL 1\n" + entry(dir.file("a")) + entry(dir.file(".pelvaro-old-a")) +
        entry(dir.file("b")) + entry(dir.file(".pelvaro-old-b")) + entry(dir.file("c")) + entry("");
    writeBytes(dir.file(".pelvaro-journal-x"), std::vector<Byte>(journal.begin(), journal.end()));
    io::tidyFolder(dir.path());
    EXPECT_EQ(readBytes(dir.file("a")), std::vector<Byte>{1});
    EXPECT_EQ(readBytes(dir.file("b")), std::vector<Byte>{2});
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"a", "b"}));
}

TEST(SafeFiles, AFolderLockMakesASecondCopyWaitAndTheSameCopyGoOn) {
    TempDir dir;
    writeBytes(dir.file("bank"), {1});
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        // The other copy: holds the folder a while, writes, lets go.
        const io::FolderLock theirs(dir.path());
        [[maybe_unused]] const auto written = ::write(ready[1], "x", 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        writeKept(dir.file("bank"), {2});
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    {
        const io::FolderLock mine(dir.path());
        EXPECT_EQ(readBytes(dir.file("bank")), std::vector<Byte>{2})
            << "this copy waited until the other had written";
        const io::FolderLock again(dir.path());  // held already by this copy: no wait
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
}
