#include <gtest/gtest.h>

#include <QDir>
#include <filesystem>

#include <sys/stat.h>

#include "app/about_box.h"
#include "app/class_assignment_dialog.h"
#include "app/class_editor.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "pcg/pcg_files.h"
#include "pcg_builder.h"
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
              QString::fromStdString("Cannot open file " + dir.file("bos.dat") +
                                     "\nNo such file or directory"));
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
              QString::fromStdString("Cannot create file " + dir.file("temp.prg") +
                                     "\nAnother copy of PELVARO is already using this folder."));
    for (const char* name : kWorkingFiles)
        EXPECT_TRUE(std::filesystem::exists(dir.file(name)));
    EXPECT_EQ(std::filesystem::file_size(dir.file("temp.tur")), 24u);
}

TEST(StartUp, EveryControlOfTheDesignIsFoundByItsObjectName) {
    TempDir dir;
    putTemplate(dir);
    ScriptedDialogs dialogs;
    auto form = app::createMainWindow(dialogs, QString::fromStdString(dir.path()));
    ASSERT_TRUE(form);
    const auto expectNames = [](const QObject* window, std::initializer_list<const char*> names) {
        for (const char* name : names)
            EXPECT_TRUE(window->findChild<QObject*>(QLatin1String(name)))
                << window->objectName().toStdString() << " has no " << name;
    };
    EXPECT_EQ(form->objectName(), "TForm1");
    expectNames(form.get(), {"Bevel1",
                             "PageControl",
                             "TabSheet1",
                             "TabSheet2",
                             "TabSheet3",
                             "TabSheet4",
                             "Aevents",
                             "DPListBox",
                             "SearchEdit1",
                             "SearchCombo1",
                             "MaskEdit1",
                             "MaskFrom1",
                             "MaskTo1",
                             "Button2",
                             "CheckBox1",
                             "Panel1",
                             "IDNumber1",
                             "DrumId1",
                             "Name1",
                             "ListBox1",
                             "Memo1",
                             "Button4",
                             "Button5",
                             "Button6",
                             "DCListBox",
                             "SearchEdit2",
                             "SearchCombo2",
                             "MaskEdit2",
                             "Button1",
                             "CheckBox2",
                             "Panel2",
                             "IDNumber2",
                             "Name2",
                             "ListBox2",
                             "TimbIDBox",
                             "Memo2",
                             "Button3",
                             "Button7",
                             "Button8",
                             "RadioGroup1",
                             "RadioGroup2",
                             "PPListBox",
                             "PCListBox",
                             "Edit1",
                             "NewDatabase",
                             "OpenDatabase",
                             "SaveDatabaseAs",
                             "N2",
                             "Exit1",
                             "SendItem",
                             "SendData",
                             "Delete1",
                             "NewPcg1",
                             "ImportPcg",
                             "ExportPcg1",
                             "SendPCGtoDatabase2",
                             "Contents1",
                             "About1",
                             "SearchforHelpOn1",
                             "HowtoUseHelp1",
                             "EditDatabaseClasses1",
                             "SendOnlyProgramsofPCG1",
                             "SendOnlyCombinationsofPCG1"});
    const std::pair<const QObject*, const char*> windows[] = {
        {form->classEditor(), "TForm2"},
        {form->progressWindow(), "TForm3"},
        {form->classAssignmentDialog(), "TForm4"},
        {form->aboutBox(), "TForm5"}};
    for (const auto& [window, name] : windows)
        EXPECT_EQ(window->objectName(), name);
    expectNames(form->classEditor(), {"TreeView1", "Label1", "Label2", "ClassName", "ComboBox1",
                                      "Button1", "Button2", "Button3", "Button4", "Bevel1"});
    expectNames(form->progressWindow(), {"Bevel1", "Bevel2", "ProgressBar1", "ProgressBar2"});
    expectNames(form->classAssignmentDialog(), {"Label1", "Label2", "Label3", "Label4", "Avaible",
                                                "Selected", "Button1", "Button2", "BitBtn1"});
}

TEST(StartUp, WhatStandsUnderTheWorkingFilesNamesIsNeverWrittenThrough) {
    TempDir dir;
    putTemplate(dir);
    TempDir elsewhere;
    const std::vector<Byte> precious(2000, 0x42);
    writeBytes(elsewhere.file("mine.pcg"), precious);
    writeBytes(elsewhere.file("also.pcg"), precious);
    std::filesystem::create_symlink(elsewhere.file("mine.pcg"), dir.file("temp.prg"));
    std::filesystem::create_hard_link(elsewhere.file("also.pcg"), dir.file("temp.cmb"));
    ASSERT_EQ(::mkfifo(dir.file("temp.dru").c_str(), 0666), 0);
    std::filesystem::create_directory(dir.file("temp.tur"));
    ScriptedDialogs dialogs;
    auto form = app::createMainWindow(dialogs, QString::fromStdString(dir.path()));
    ASSERT_TRUE(form);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(readBytes(elsewhere.file("mine.pcg")), precious);
    EXPECT_EQ(readBytes(elsewhere.file("also.pcg")), precious);
    for (const char* name : kWorkingFiles) {
        EXPECT_TRUE(
            std::filesystem::is_regular_file(std::filesystem::symlink_status(dir.file(name))))
            << name;
        EXPECT_EQ(std::filesystem::hard_link_count(dir.file(name)), 1u) << name;
    }
    EXPECT_EQ(std::filesystem::file_size(dir.file("temp.prg")), 264u);
    form.reset();
    EXPECT_EQ(readBytes(elsewhere.file("mine.pcg")), precious);
}

TEST(StartUp, ATemplateThatIsNoPcgEndsTheStartWithItsMessage) {
    for (const bool shortFile : {false, true}) {
        TempDir dir;
        const pcg::PcgImage image = synthetic::makeTemplateImage();
        std::vector<Byte> bytes(image.bytes().begin(), image.bytes().end());
        if (shortFile)
            bytes.resize(1000);
        else
            bytes[4] = '4';  // "KORG4"
        writeBytes(dir.file("bos.dat"), bytes);
        ScriptedDialogs dialogs;
        EXPECT_FALSE(app::createMainWindow(dialogs, QString::fromStdString(dir.path())));
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].caption, "File type error");
        EXPECT_EQ(dialogs.messages[0].text,
                  QString::fromStdString("The empty-PCG template must be a Korg5 Pcg file of "
                                         "69416 bytes. This one is not: " +
                                         dir.file("bos.dat")));
        for (const char* name : kWorkingFiles)
            EXPECT_FALSE(std::filesystem::exists(dir.file(name)));
    }
}
