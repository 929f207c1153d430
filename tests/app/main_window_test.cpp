#include <gtest/gtest.h>

#include <QDir>
#include <filesystem>

#include "app/main_window.h"
#include "pcg/pcg_files.h"
#include "scripted_dialogs.h"
#include "temp_dir.h"
#include "template_image.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;

namespace {
const char* const kWorkingFiles[] = {"temp.prg", "temp.cmb", "temp.dru", "temp.tur"};

void putTemplate(const TempDir& dir) {
    pcg::writePcgFile(synthetic::makeTemplateImage(), dir.file("bos.dat"));
}
}  // namespace

TEST(StartUp, TheMainWindowRunsTheStartUpAndItsDestructionRemovesTheWorkingFiles) {
    TempDir dir;
    putTemplate(dir);
    ScriptedDialogs dialogs;
    auto form = app::createMainWindow(dialogs, QString::fromStdString(dir.path()));
    ASSERT_TRUE(form);
    EXPECT_EQ(form->windowTitle(), "PELVARO");
    EXPECT_TRUE(dialogs.messages.empty());
    for (const char* name : kWorkingFiles)
        EXPECT_TRUE(std::filesystem::exists(dir.file(name)));
    EXPECT_EQ(std::filesystem::file_size(dir.file("temp.dru")), 504u);
    EXPECT_EQ(form->session().files().startDirectory(), dir.path());
    EXPECT_EQ(form->session().pcg().occupancy, pcg::SlotOccupancy{});
    EXPECT_TRUE(form->session().pcg().pcgFileName.empty());

    form.reset();
    for (const char* name : kWorkingFiles)
        EXPECT_FALSE(std::filesystem::exists(dir.file(name)));
    EXPECT_TRUE(std::filesystem::exists(dir.file("bos.dat")));
}

TEST(StartUp, WithoutTheTemplateFileTheMessageIsShownAndNoWindowIsMade) {
    TempDir dir;
    ScriptedDialogs dialogs;
    EXPECT_FALSE(app::createMainWindow(dialogs, QString::fromStdString(dir.path())));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              QString::fromStdString("Cannot open file " + dir.file("bos.dat")));
    for (const char* name : kWorkingFiles)
        EXPECT_FALSE(std::filesystem::exists(dir.file(name)));
}

TEST(StartUp, ASecondCopyInTheSameFolderIsRefusedAndLeavesTheFirstOnesFiles) {
    TempDir dir;
    putTemplate(dir);
    ScriptedDialogs dialogs;
    auto first = app::createMainWindow(dialogs, QString::fromStdString(dir.path()));
    ASSERT_TRUE(first);
    EXPECT_FALSE(app::createMainWindow(dialogs, QString::fromStdString(dir.path())));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              QString::fromStdString("Cannot create file " + dir.file("temp.prg")));
    for (const char* name : kWorkingFiles)
        EXPECT_TRUE(std::filesystem::exists(dir.file(name)));
    EXPECT_EQ(std::filesystem::file_size(dir.file("temp.tur")), 24u);
}
