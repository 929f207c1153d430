// The main window at home on the desktop: what it remembers between runs, its recent files, the
// status bar after each kind of command, the keyboard, the event list and the tooltips.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabBar>
#include <filesystem>

#include "app/busy_window.h"
#include "app/class_assignment_dialog.h"
#include "app/class_editor.h"
#include "app/places.h"
#include "app/progress_window.h"
#include "io/paths.h"
#include "session/commands.h"
#include "session/recovery.h"
#include "window_fixture.h"

using namespace pelvaro;
using namespace pelvaro::testing;
namespace fs = std::filesystem;

namespace {

QString status(const WindowFixture& w, const char* name) {
    return w.find<QLabel>(name)->text();
}

// The captions of a recent-files menu, without the separator and Clear.
QStringList recent(const WindowFixture& w, const char* menu) {
    QStringList captions;
    for (QAction* action : w.find<QMenu>(menu)->actions())
        if (!action->isSeparator() && !action->objectName().startsWith("Clear"))
            captions << action->text();
    return captions;
}

QString focusName() {
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus->objectName() : QStringLiteral("(none)");
}

// The controls Tab visits from the one that has the focus, until it comes back to it.
QStringList tabWalk(WindowFixture& w) {
    w.activate();
    QStringList visited;
    const QWidget* start = QApplication::focusWidget();
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (QApplication::focusWidget() == start) break;
        visited << focusName();
    }
    return visited;
}

}  // namespace

TEST(Desktop, SizesFoldersAndRecentFilesAreRememberedBetweenRuns) {
    WindowFixture w;
    fs::create_directories(w.dir.file("sets"));
    fs::create_directories(w.dir.file("banks"));
    bandPcg().writeTo(w.dir.file("sets/band.pcg"));
    auto* splitter = w.find<QSplitter>(names::kEventSplitter);
    EXPECT_EQ(splitter->sizes().value(1), 50) << "the event list starts 50 pixels high";
    w.form->resize(700, 740);
    const QSize size = w.form->size();
    // The user drags the bar above the event list 40 pixels up.
    QSplitterHandle* bar = splitter->handle(1);
    const QPoint grip = bar->rect().center();
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, grip);
    QTest::mouseMove(bar, grip - QPoint(0, 40));
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, grip - QPoint(0, 40));
    ASSERT_EQ(splitter->sizes().value(1), 90);
    const QList<int> sizes = splitter->sizes();
    w.form->classEditor()->resize(600, 420);

    w.dialogs.answerOpen(w.file("sets/band.pcg"));
    w.press(Qt::Key_I, Qt::ControlModifier);
    w.press(Qt::Key_S, Qt::ControlModifier);
    w.dialogs.answerSave(w.file("banks/bank"));
    w.action(names::kExportDatabase)->trigger();
    ASSERT_TRUE(w.dialogs.messages.empty());
    EXPECT_EQ(w.dialogs.folders, (QStringList{"", ""})) << "the first dialogs start at home";
    w.form.reset();

    // The next run.
    w.form = app::createMainWindow(w.dialogs, QString::fromStdString(w.dir.path()), w.places());
    ASSERT_TRUE(w.form);
    w.form->show();
    EXPECT_EQ(w.form->size(), size);
    EXPECT_EQ(w.find<QSplitter>(names::kEventSplitter)->sizes(), sizes);
    EXPECT_EQ(w.form->classEditor()->size(), QSize(600, 420));
    EXPECT_EQ(recent(w, names::kRecentPcgFiles), QStringList{"&1 band.pcg"});
    EXPECT_EQ(recent(w, names::kRecentDatabases), QStringList{"&1 bank.pvd"});
    EXPECT_EQ(w.action("RecentPcgFile1")->toolTip(), w.file("sets/band.pcg"));
    // PCG dialogs start where the last PCG was, database dialogs where the last database was.
    w.press(Qt::Key_I, Qt::ControlModifier);
    w.action(names::kOpenDatabase)->trigger();
    w.action(names::kExportPcg)->trigger();
    EXPECT_EQ(w.dialogs.folders.mid(2),
              (QStringList{w.file("sets"), w.file("banks"), w.file("sets")}));

    // A recent database opens as Open Database would.
    w.action("RecentDatabase1")->trigger();
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 4);
    w.action("RecentPcgFile1")->trigger();
    EXPECT_EQ(w.lines(names::kPcgProgramsPage.list).value(0), "A00    PIANO 1");
    EXPECT_TRUE(w.dialogs.messages.empty());
}

TEST(Desktop, RecentFilesKeepTheLastEightNewestFirstDropWhatHasGoneAndClear) {
    WindowFixture w;
    for (int i = 1; i <= 9; ++i)
        w.importPcg(bandPcg(), ("set" + std::to_string(i) + ".pcg").c_str());
    w.dialogs.answerOpen(w.file("set3.pcg"));
    w.press(Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(recent(w, names::kRecentPcgFiles),
              (QStringList{"&1 set3.pcg", "&2 set9.pcg", "&3 set8.pcg", "&4 set7.pcg",
                           "&5 set6.pcg", "&6 set5.pcg", "&7 set4.pcg", "&8 set2.pcg"}));
    // Exporting a PCG puts the new file first too.
    w.dialogs.answerSave(w.file("mine"));
    w.press(Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(recent(w, names::kRecentPcgFiles).value(0), "&1 mine.pcg");

    // A file that has gone is taken off the list, with a message saying so.
    fs::remove(w.dir.file("set9.pcg"));
    w.action("RecentPcgFile3")->trigger();
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].caption, "Recent Pcg Files");
    EXPECT_EQ(w.dialogs.messages[0].text,
              w.file("set9.pcg") + " is no longer there. It has been taken off the list.");
    EXPECT_FALSE(recent(w, names::kRecentPcgFiles).contains("&3 set9.pcg"));
    EXPECT_EQ(recent(w, names::kRecentPcgFiles).size(), 7);

    EXPECT_TRUE(w.action(names::kClearRecentPcgFiles)->isEnabled());
    w.action(names::kClearRecentPcgFiles)->trigger();
    EXPECT_TRUE(recent(w, names::kRecentPcgFiles).isEmpty());
    EXPECT_FALSE(w.action(names::kClearRecentPcgFiles)->isEnabled());
    EXPECT_TRUE(w.form->settings().recentFiles(app::Settings::FileKind::Pcg).isEmpty());
}

TEST(Desktop, TheStatusBarSaysWhatIsOpenAndWhatTheLastCommandDid) {
    WindowFixture w;
    EXPECT_EQ(status(w, names::kStatusPcg), "New PCG: 0 programs, 0 combinations");
    EXPECT_EQ(status(w, names::kStatusDatabase),
              "New database: 0 programs, 0 combinations, 0 drum kits, 0 classes");
    EXPECT_EQ(status(w, names::kStatusResult), "");

    w.importPcg(bandPcg(), "band.pcg");
    EXPECT_EQ(status(w, names::kStatusResult), "Imported band.pcg: 4 programs, 2 combinations");
    EXPECT_EQ(status(w, names::kStatusPcg), "band.pcg: 4 programs, 2 combinations");
    w.press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(status(w, names::kStatusResult),
              "Sent 4 programs: 4 new, 0 already stored; 2 combinations: 2 new, 0 already "
              "stored; with them 1 drum kit new");
    EXPECT_EQ(status(w, names::kStatusDatabase),
              "New database: 4 programs, 2 combinations, 1 drum kit, 0 classes (changed)");
    w.press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(status(w, names::kStatusResult), "Nothing new to store");
    w.dialogs.answerSave(w.file("bank"));
    w.action(names::kExportDatabase)->trigger();
    EXPECT_EQ(status(w, names::kStatusResult), "Exported bank.pvd");
    EXPECT_EQ(status(w, names::kStatusDatabase),
              "bank.pvd: 4 programs, 2 combinations, 1 drum kit, 0 classes");

    w.showPage(kPcgPrograms);
    w.clickRow(names::kPcgProgramsPage.list, 1);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(status(w, names::kStatusResult), "Emptied program A01");
    w.press(Qt::Key_Insert);  // the empty slot: nothing to send
    w.clickRow(names::kPcgProgramsPage.list, 0);
    w.press(Qt::Key_Insert);
    EXPECT_EQ(status(w, names::kStatusResult), "Nothing new to store");

    w.press(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(status(w, names::kStatusResult), "New PCG");
    w.showPage(kDatabasePrograms);
    w.clickRow(names::kProgramsPage.list, 0);
    w.clickRow(names::kProgramsPage.list, 2, Qt::ControlModifier);
    w.press(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(status(w, names::kStatusResult), "Placed 2 programs");
    w.press(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(status(w, names::kStatusResult), "Nothing placed: the PCG holds these already");
    w.showPage(kDatabaseCombinations);
    w.clickRow(names::kCombinationsPage.list, 1);
    w.press(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(status(w, names::kStatusResult), "Placed 1 combination");

    w.showPage(kDatabasePrograms);
    w.clickRow(names::kProgramsPage.list, 2);  // DRUMS, which a combination plays
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(status(w, names::kStatusResult), "Deleted nothing; see the event list");
    w.clickRow(names::kProgramsPage.list, 1);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(status(w, names::kStatusResult), "Deleted 1 program");
    w.press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(status(w, names::kStatusResult), "Undid Delete");
    w.press(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(status(w, names::kStatusResult), "Redid Delete");

    w.find<QLineEdit>(names::kProgramsPage.nameSearch)->setText("piano");
    w.click(names::kProgramsPage.searchButton);
    EXPECT_EQ(status(w, names::kStatusResult), "Found 1 of 3 programs: name piano");
    w.click(names::kProgramsPage.searchButton);
    EXPECT_EQ(status(w, names::kStatusResult), "Showing all 3 programs");

    w.dialogs.answerSave(w.file("out"));
    w.press(Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(status(w, names::kStatusResult), "Exported out.pcg");
    w.dialogs.answerOpen(w.file("none.pvd"));
    w.action(names::kOpenDatabase)->trigger();
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(status(w, names::kStatusResult),
              "Failed: " + w.dialogs.messages[0].text.section('\n', 0, 0));
    // The changed database gives way to a new one and is kept: the status line and the event
    // list say where.
    w.action(names::kNewDatabase)->trigger();
    // (The failed Open kept one too, before it found no file: the newest is New Database's.)
    const auto copies = session::recoveryCopies(w.recovery.path());
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(status(w, names::kStatusResult),
              "New database; the database before it was kept as " +
                  QString::fromStdString(io::fileNameOf(copies[0].database)));
    EXPECT_EQ(w.lines(names::kEventList),
              QStringList{QString::fromStdString(session::keptCopyLine(copies[0]))});
    EXPECT_EQ(status(w, names::kStatusDatabase),
              "New database: 0 programs, 0 combinations, 0 drum kits, 0 classes");
}

TEST(Desktop, EnterSearchesTabLeavesTheExplanationAndTheEventListCopies) {
    WindowFixture w;
    w.importPcg(bandPcg());
    w.press(Qt::Key_S, Qt::ControlModifier);

    // Enter in each search field runs that tab's Search.
    auto* name = w.find<QLineEdit>(names::kProgramsPage.nameSearch);
    name->setFocus();
    QTest::keyClicks(name, "ORGAN");
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 1);
    EXPECT_TRUE(name->text().isEmpty()) << "a refill clears the search fields";
    auto* drum = w.find<QLineEdit>(names::kProgramsPage.referenceSearch);
    drum->setFocus();
    QTest::keyClicks(drum, "1");
    QTest::keyClick(drum, Qt::Key_Enter);
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 1);
    w.showPage(kDatabaseCombinations);
    auto* program = w.find<QLineEdit>(names::kCombinationsPage.referenceSearch);
    program->setFocus();
    QTest::keyClicks(program, "3");
    QTest::keyClick(program, Qt::Key_Return);
    EXPECT_EQ(w.rows(names::kCombinationsPage.list).size(), 1);
    auto* classes = w.find<QComboBox>(names::kCombinationsPage.classSearch);
    classes->setFocus();
    QTest::keyClick(classes, Qt::Key_Return);
    EXPECT_EQ(w.rows(names::kCombinationsPage.list).size(), 2);

    // Tab and Shift+Tab leave the explanation; Enter still breaks the line.
    w.showPage(kDatabasePrograms);
    w.click(names::kProgramsPage.editEnabled);
    auto* memo = w.find<QPlainTextEdit>(names::kProgramsPage.explanation);
    memo->setFocus();
    memo->clear();
    QTest::keyClicks(memo, "warm");
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, "pad");
    EXPECT_EQ(memo->toPlainText(), "warm\npad");
    QTest::keyClick(memo, Qt::Key_Tab);
    EXPECT_EQ(focusName(), names::kProgramsPage.submit);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);  // Submit
    EXPECT_EQ(w.form->session().files().read<db::DbProgramEntry>(1).explanation(), "warm\r\npad");
    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focusName(), names::kProgramsPage.editClasses);

    // The event list grows with the splitter and copies its lines.
    w.clickRow(names::kProgramsPage.list, 2);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    auto* events = w.find<QListWidget>(names::kEventList);
    ASSERT_EQ(events->count(), 1);
    events->setFocus();
    w.action(names::kSelectAllEvents)->trigger();
    EXPECT_EQ(events->selectedItems().size(), 1);
    QApplication::clipboard()->clear();
    QTest::keyClick(events, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(),
              "Program 3 is used by some Combinations.Cannot delete it.");
    EXPECT_EQ(events->contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_EQ(events->actions().size(), 2);
}

TEST(Desktop, TabVisitsTheControlsOfEachTabInReadingOrder) {
    WindowFixture w;
    w.importPcg(bandPcg());
    w.press(Qt::Key_S, Qt::ControlModifier);
    w.find<QWidget>(names::kProgramsPage.list)->setFocus();
    EXPECT_EQ(tabWalk(w),
              (QStringList{names::kProgramsPage.showChoice, names::kProgramsPage.sortChoice,
                           names::kProgramsPage.nameSearch, names::kProgramsPage.classSearch,
                           names::kProgramsPage.referenceSearch, names::kProgramsPage.soundFrom,
                           names::kProgramsPage.soundTo, names::kProgramsPage.fromFileSearch,
                           names::kProgramsPage.searchButton, names::kProgramsPage.editEnabled,
                           names::kEventList, "qt_tabwidget_tabbar"}));
    w.click(names::kProgramsPage.editEnabled);
    w.find<QWidget>(names::kProgramsPage.list)->setFocus();
    EXPECT_EQ(tabWalk(w),
              (QStringList{names::kProgramsPage.showChoice, names::kProgramsPage.sortChoice,
                           names::kProgramsPage.nameSearch, names::kProgramsPage.classSearch,
                           names::kProgramsPage.referenceSearch, names::kProgramsPage.soundFrom,
                           names::kProgramsPage.soundTo, names::kProgramsPage.fromFileSearch,
                           names::kProgramsPage.searchButton, names::kProgramsPage.editEnabled,
                           names::kProgramsPage.name, names::kProgramsPage.editClasses,
                           names::kProgramsPage.explanation, names::kProgramsPage.submit,
                           names::kEventList, "qt_tabwidget_tabbar"}));
    w.showPage(kDatabaseCombinations);
    w.find<QWidget>(names::kCombinationsPage.list)->setFocus();
    EXPECT_EQ(tabWalk(w),
              (QStringList{
                  names::kCombinationsPage.showChoice, names::kCombinationsPage.sortChoice,
                  names::kCombinationsPage.nameSearch, names::kCombinationsPage.classSearch,
                  names::kCombinationsPage.referenceSearch, names::kCombinationsPage.fromFileSearch,
                  names::kCombinationsPage.searchButton, names::kCombinationsPage.editEnabled,
                  names::kEventList, "qt_tabwidget_tabbar"}));
    w.showPage(kPcgPrograms);
    w.find<QWidget>(names::kPcgProgramsPage.list)->setFocus();
    EXPECT_EQ(tabWalk(w), (QStringList{names::kEventList, "qt_tabwidget_tabbar",
                                       names::kPcgProgramsPage.bankA}));
    w.showPage(kPcgCombinations);
    w.find<QWidget>(names::kPcgCombinationsPage.list)->setFocus();
    EXPECT_EQ(tabWalk(w), (QStringList{names::kEventList, "qt_tabwidget_tabbar",
                                       names::kPcgCombinationsPage.bankA}));
    // The tab bar switches tabs from the keyboard.
    w.find<QTabBar>("qt_tabwidget_tabbar")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    EXPECT_EQ(w.find<QTabWidget>(names::kPages)->currentIndex(), kPcgPrograms);
}

TEST(Desktop, EveryControlAndMenuItemSaysWhatItDoes) {
    WindowFixture w;
    QStringList without;
    for (QAction* action : w.form->findChildren<QAction*>()) {
        if (action->isSeparator() || action->objectName().isEmpty()) continue;
        // An action's tooltip defaults to its caption; each says more than that.
        const QString caption = action->text().remove('&');
        if (action->toolTip().isEmpty() || action->toolTip() == caption)
            without << action->objectName();
    }
    const auto controls = [&](QWidget* window) {
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            const bool control =
                qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
                qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractItemView*>(widget) ||
                qobject_cast<QPlainTextEdit*>(widget);
            // The combo's own line and list, the tab bar's scroll buttons, the lists of other
            // windows inside this one.
            if (!control || widget->objectName().isEmpty() ||
                widget->objectName().startsWith("qt_") ||
                qobject_cast<QTabBar*>(widget->parentWidget()) || widget->window() != window)
                continue;
            if (widget->toolTip().isEmpty()) without << widget->objectName();
        }
    };
    controls(w.form.get());
    controls(w.form->classEditor());
    controls(w.form->classAssignmentDialog());
    controls(w.form->progressWindow());
    EXPECT_TRUE(without.isEmpty()) << without.join(", ").toStdString();
    EXPECT_TRUE(w.find<QMenu>(names::kRecentPcgFiles)->toolTipsVisible());
}

TEST(Desktop, StartedFromTheDesktopMenuItWorksInAFolderOfItsOwn) {
    TempDir current;
    TempDir data;
    TempDir installed;
    const QString templ = QString::fromStdString(installed.file("bos.dat"));
    pcg::writePcgFile(synthetic::makeTemplateImage(), templ.toStdString());
    const QString here = QString::fromStdString(current.path());
    const QString dataFolder = QString::fromStdString(data.path());

    // No bos.dat where it was started: its own folder below the data folder, the installed one.
    app::StartPlace start = app::chooseStart(here, dataFolder, templ);
    EXPECT_EQ(start.folder, dataFolder + "/work");
    EXPECT_EQ(start.templateFile, templ);
    EXPECT_TRUE(fs::is_directory(data.file("work")));
    {
        ScriptedDialogs dialogs;
        app::Places places{.recoveryFolder = {}, .settingsFile = {}, .templateFile = templ};
        auto form = app::createMainWindow(dialogs, start.folder, places);
        ASSERT_TRUE(form) << dialogs.messages.at(0).text.toStdString();
        EXPECT_TRUE(fs::exists(data.file("work/temp.prg")));
        EXPECT_FALSE(fs::exists(current.file("temp.prg")));
    }
    // A bos.dat where it was started: there, as always.
    pcg::writePcgFile(synthetic::makeTemplateImage(), current.file("bos.dat"));
    start = app::chooseStart(here, dataFolder, templ);
    EXPECT_EQ(start.folder, here);
    EXPECT_EQ(start.templateFile, here + "/bos.dat");
    // Nothing installed: the current folder, whose missing template the start-up names.
    fs::remove(current.file("bos.dat"));
    start = app::chooseStart(here, dataFolder, QString::fromStdString(installed.file("no.dat")));
    EXPECT_EQ(start.folder, here);
    EXPECT_EQ(start.templateFile, here + "/bos.dat");
}

// Long work: the busy window shows (here at once) with how much was read or copied, the other
// windows are painted meanwhile (a timer runs), and it is gone when the command ends; during a
// send the send's own progress window stands in for it.
TEST(Desktop, LongWorkShowsTheBusyWindowAndKeepsTheProgramPainted) {
    struct AtOnce {
        AtOnce() { app::BusyWindow::setDelay(0); }
        ~AtOnce() { app::BusyWindow::setDelay(400); }
    } atOnce;
    WindowFixture w;
    w.importPcg(bandPcg());
    w.press(Qt::Key_S, Qt::ControlModifier);
    w.dialogs.answerSave(w.file("bank"));
    w.action(names::kExportDatabase)->trigger();

    QStringList seen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* busy = w.form->findChild<QDialog*>(names::busy::kWindow);
        const bool sending = w.form->progressWindow()->isVisible();
        const QString now =
            busy && busy->isVisible()
                ? busy->findChild<QLabel*>(names::busy::kText)->text().section(' ', 0, 0)
            : sending ? QStringLiteral("sending")
                      : QStringLiteral("idle");
        if (seen.isEmpty() || seen.back() != now) seen << now;
    });
    watch.start(0);
    w.dialogs.answerOpen(w.file("bank.pvd"));
    w.action(names::kOpenDatabase)->trigger();
    EXPECT_TRUE(seen.contains("Working...")) << seen.join(",").toStdString();
    EXPECT_FALSE(w.form->findChild<QDialog*>(names::busy::kWindow)->isVisible());
    EXPECT_EQ(status(w, names::kStatusResult).section(':', 0, 0), "Opened bank.pvd");

    seen.clear();
    w.press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(seen.contains("sending")) << seen.join(",").toStdString();
    EXPECT_FALSE(seen.contains("Working...")) << seen.join(",").toStdString();
    watch.stop();
}
