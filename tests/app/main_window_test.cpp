#include <gtest/gtest.h>

#include <QDir>
#include <filesystem>

#include <sys/stat.h>

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QComboBox>
#include <QTabBar>
#include <functional>

#include "app/about_box.h"
#include "app/arrange_window.h"
#include "app/busy_window.h"
#include "app/class_assignment_dialog.h"
#include "app/class_editor.h"
#include "app/classify_rules_window.h"
#include "app/main_window.h"
#include "app/near_duplicates_window.h"
#include "app/progress_window.h"
#include "app/recovery_bar.h"
#include "app/recovery_dialog.h"
#include "app/replace_names_window.h"
#include "app/send_report.h"
#include "app/similar_window.h"
#include "pcg/pcg_files.h"
#include "pcg_builder.h"
#include "scripted_dialogs.h"
#include "temp_dir.h"
#include "template_image.h"
#include "window_fixture.h"

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

namespace {

// The controls of a window a user reaches with the keyboard that a screen reader cannot name,
// and those that carry no object name for the tests to find them by.
QStringList unnamedControls(QWidget* window) {
    QStringList missing;
    const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            // The rows of a list are its own; the list is what a reader names.
            if (!child || !child->object()) continue;
            const QAccessible::State state = child->state();
            if (state.focusable && !state.invisible && child->text(QAccessible::Name).isEmpty())
                missing << QStringLiteral("no accessible name: %1 %2")
                               .arg(QLatin1String(child->object()->metaObject()->className()),
                                    child->object()->objectName());
            if (!qobject_cast<QAbstractItemView*>(child->object())) walk(child);
        }
    };
    walk(QAccessible::queryAccessibleInterface(window));
    for (QWidget* control : window->findChildren<QWidget*>()) {
        // What Qt makes inside its own widgets (a combo's edit line, a list's scroll bars and
        // viewport, a tab bar's arrows) belongs to them.
        bool own = true;
        for (QWidget* w = control; w && w != window; w = w->parentWidget())
            if (w->objectName().startsWith(QLatin1String("qt_")) ||
                (w != control && (qobject_cast<QComboBox*>(w) || qobject_cast<QTabBar*>(w) ||
                                  qobject_cast<QAbstractScrollArea*>(w))))
                own = false;
        if (own && control->focusPolicy() != Qt::NoFocus && control->objectName().isEmpty())
            missing << QStringLiteral("no object name: %1 \"%2\"")
                           .arg(QLatin1String(control->metaObject()->className()),
                                control->accessibleName());
    }
    return missing;
}

}  // namespace

TEST(Windows, EveryControlHasAnObjectNameAndEveryFocusableOneANameForAScreenReader) {
    WindowFixture w;
    w.importPcg(bandPcg());
    w.press(Qt::Key_S, Qt::ControlModifier);
    w.clickRow(names::kProgramsPage.list, 0);  // two entries chosen: Compare opens on them
    w.clickRow(names::kProgramsPage.list, 1, Qt::ControlModifier);
    w.form->compare();
    w.form->busyWindow()->show();
    app::RecoveryDialog recovery(QString::fromStdString(w.recovery.path()), 1 << 30, w.dialogs,
                                 w.form.get());
    session::RecoveryCopy kept;
    kept.database = "/b.pvd";
    kept.pcg = "/b.pcg";
    app::RecoveryBar bar(kept);
    app::SendReport report({}, {}, false, w.dialogs, w.form->settings(), w.form.get());
    app::ClassifyRulesWindow rules(w.form->session(), w.dialogs, w.form->settings(), {},
                                   w.form.get());
    app::ReplaceNamesWindow replace(w.form->session(), w.dialogs, db::Kind::Program, {1}, {},
                                    w.form.get());
    w.action(names::kFindSimilar)->trigger();
    w.action(names::kFindNearDuplicates)->trigger();
    w.press(Qt::Key_R, Qt::ControlModifier);  // Arrange Pcg
    w.form->progressWindow()->beginFiles();
    for (QWidget* window : std::initializer_list<QWidget*>{
             w.form.get(), w.form->classEditor(), w.form->classAssignmentDialog(),
             w.form->progressWindow(), w.form->aboutBox(), w.form->busyWindow(),
             w.find<QDialog>(names::compare::kWindow), &recovery, &report, &bar, &rules, &replace,
             w.find<QWidget>(app::names::similar::kWindow),
             w.find<QWidget>(app::names::nearDuplicates::kWindow), w.form->arrangeWindow()}) {
        window->show();
        EXPECT_EQ(unnamedControls(window), QStringList()) << window->objectName().toStdString();
        if (window != w.form.get()) window->hide();
    }
    w.form->progressWindow()->endFiles();
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
