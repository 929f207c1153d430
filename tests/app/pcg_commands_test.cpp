// The PCG side of the main window, driven as a user drives it.
#include <gtest/gtest.h>

#include <QLineEdit>

#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <filesystem>

#include "pcg_builder.h"
#include "window_fixture.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;

namespace {

PcgBuilder somePcg() {
    PcgBuilder b;
    b.program(0, "PIANO 1", {.voice = 1}).program(105, "BANK B 5", {.voice = 2});
    b.combination(3, "COMBI", {plays(0)});
    return b;
}
}  // namespace

TEST(MainWindow, StartsWithEmptyPcgListsAndTheMenusOfTheDesign) {
    WindowFixture w;
    EXPECT_EQ(w.form->windowTitle(), "PELVARO");
    const QStringList programs = w.lines(names::kPcgProgramsPage.list);
    ASSERT_EQ(programs.size(), 100);
    EXPECT_EQ(programs[0], "A00    ----------");
    EXPECT_EQ(programs[99], "A99    ----------");
    for (const QString& line : programs + w.lines(names::kPcgCombinationsPage.list))
        EXPECT_TRUE(line.endsWith("    ----------")) << line.toStdString();

    struct Item {
        const char* name;
        const char* caption;
        QKeySequence shortcut;
        bool enabled;
    };
    const Item items[] = {
        {names::kNewDatabase, "&New Database", {}, true},
        {names::kOpenDatabase, "&Open Database", QKeySequence(Qt::CTRL | Qt::Key_O), true},
        {names::kExportDatabase, "&Export Database", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E),
         true},
        {names::kExit, "E&xit", {}, true},
        {names::kSendToPcg, "Send To &PCG", QKeySequence(Qt::CTRL | Qt::Key_Insert), false},
        {names::kSendToDatabase, "Send To &Database", QKeySequence(Qt::Key_Insert), false},
        {names::kDelete, "&Delete", QKeySequence(Qt::CTRL | Qt::Key_Delete), false},
        {names::kEditDatabaseClasses, "Edit Database &Classes", {}, true},
        {names::kNewPcg, "&New Pcg", QKeySequence(Qt::CTRL | Qt::Key_N), true},
        {names::kImportPcg, "&Import Pcg", QKeySequence(Qt::CTRL | Qt::Key_I), true},
        {names::kExportPcg, "&Export Pcg", QKeySequence(Qt::CTRL | Qt::Key_E), true},
        {names::kSendPcgToDatabase, "Send PCG to &Database", QKeySequence(Qt::CTRL | Qt::Key_S),
         true},
        {names::kSendOnlyPrograms, "Send Only &Programs of PCG", {}, true},
        {names::kSendOnlyCombinations, "Send Only &Combinations of PCG", {}, true},
        {names::kContents, "&Contents", {}, false},
        {names::kSearchForHelp, "&Search for Help On...", {}, false},
        {names::kHowToUseHelp, "&How to Use Help", {}, false},
        {names::kAbout, "&About...", {}, true},
    };
    for (const Item& item : items) {
        SCOPED_TRACE(item.name);
        QAction* a = w.action(item.name);
        EXPECT_EQ(a->text(), item.caption);
        EXPECT_EQ(a->shortcut(), item.shortcut);
        EXPECT_EQ(a->isEnabled(), item.enabled);
    }
    QStringList menus;
    for (QAction* a : w.form->menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, QStringList({"&File", "&Edit", "&Pcg", "&Help"}));
    EXPECT_EQ(w.find<QTabWidget>(names::kPages)->currentIndex(), 0);
    EXPECT_EQ(w.find<QTabWidget>(names::kPages)->tabText(3), "Pcg Combinations");
}

TEST(MainWindow, ImportByShortcutShowsTheFileAndBankBIsOneClickAway) {
    WindowFixture w;
    somePcg().writeTo(w.dir.file("some.pcg"));
    w.dialogs.answerOpen(w.file("some.pcg"));
    w.press(Qt::Key_I, Qt::ControlModifier);
    ASSERT_EQ(w.dialogs.filters, QStringList({"Pcg Files (*.pcg)|*.pcg"}));
    EXPECT_TRUE(w.dialogs.messages.empty());
    EXPECT_EQ(w.lines(names::kPcgProgramsPage.list)[0], "A00    PIANO 1");
    EXPECT_EQ(w.lines(names::kPcgCombinationsPage.list)[3], "A03    COMBI");

    w.showPage(kPcgPrograms);
    QTest::mouseClick(w.find<QRadioButton>(names::kPcgProgramsPage.bankB), Qt::LeftButton);
    EXPECT_EQ(w.lines(names::kPcgProgramsPage.list)[5], "B05    BANK B 5");
    EXPECT_EQ(w.lines(names::kPcgProgramsPage.list)[0], "B00    ----------");
    EXPECT_EQ(w.lines(names::kPcgCombinationsPage.list)[3], "A03    COMBI")
        << "the other list keeps its bank";
}

TEST(MainWindow, AForeignFileGetsTheFileTypeMessageAndChangesNothing) {
    WindowFixture w;
    somePcg().writeTo(w.dir.file("some.pcg"));
    w.dialogs.answerOpen(w.file("some.pcg"));
    w.press(Qt::Key_I, Qt::ControlModifier);
    const QStringList before = w.lines(names::kPcgProgramsPage.list);

    auto bytes = somePcg().bytes();
    bytes[0] = 'k';
    writeBytes(w.dir.file("foreign.pcg"), bytes);
    bytes[0] = 'K';
    bytes.resize(1000);
    writeBytes(w.dir.file("short.pcg"), bytes);
    for (const char* name : {"foreign.pcg", "short.pcg"}) {
        w.dialogs.messages.clear();
        w.dialogs.answerOpen(w.file(name));
        w.press(Qt::Key_I, Qt::ControlModifier);
        ASSERT_EQ(w.dialogs.messages.size(), 1u);
        EXPECT_EQ(w.dialogs.messages[0].caption, "File type error");
        EXPECT_EQ(w.dialogs.messages[0].text,
                  "This is not a compatible Pcg file.Please select a Korg5 Pcg file.");
        EXPECT_EQ(w.lines(names::kPcgProgramsPage.list), before);
        EXPECT_EQ(w.form->session().pcg().pcgFileName, w.dir.file("some.pcg"));
    }
    // Cancelling the dialog does nothing at all.
    w.dialogs.messages.clear();
    w.press(Qt::Key_I, Qt::ControlModifier);
    EXPECT_TRUE(w.dialogs.messages.empty());
    EXPECT_EQ(w.lines(names::kPcgProgramsPage.list), before);
}

TEST(MainWindow, ExportAndNewPcgByShortcut) {
    WindowFixture w;
    somePcg().writeTo(w.dir.file("some.pcg"));
    w.dialogs.answerOpen(w.file("some.pcg"));
    w.press(Qt::Key_I, Qt::ControlModifier);

    // Typed into a search field, Ctrl+E is still Export Pcg, not the field's "end of line".
    auto* search = w.find<QLineEdit>(names::kProgramsPage.nameSearch);
    search->setFocus();
    QTest::keyClicks(search, "pad");
    search->setCursorPosition(0);
    w.dialogs.answerSave(w.file("out.pcg.bak"));
    QTest::keyClick(search, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(readBytes(w.dir.file("out.pcg")), somePcg().bytes());
    EXPECT_EQ(search->text(), "pad");
    EXPECT_EQ(search->cursorPosition(), 0);
    // So is Ctrl+Z, which every text field takes for its own undo: the Import is undone.
    QTest::keyClick(search, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(w.form->session().undoLog().redoName(), "Import Pcg");

    w.press(Qt::Key_N, Qt::ControlModifier);
    for (const QString& line : w.lines(names::kPcgProgramsPage.list))
        EXPECT_TRUE(line.endsWith("----------")) << line.toStdString();
    EXPECT_TRUE(w.form->session().pcg().pcgFileName.empty());
}

TEST(MainWindow, AFileErrorIsShownAndTheProgramGoesOn) {
    WindowFixture w;
    w.dialogs.answerSave(w.file("no/such/folder/x"));
    w.press(Qt::Key_E, Qt::ControlModifier);
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].caption, "PELVARO");
    EXPECT_EQ(w.dialogs.messages[0].text, "Cannot create file " + w.file("no/such/folder/x.pcg") +
                                              "\nNo such file or directory");

    w.dialogs.answerOpen(w.file("missing.pcg"));
    w.press(Qt::Key_I, Qt::ControlModifier);
    ASSERT_EQ(w.dialogs.messages.size(), 2u);
    EXPECT_EQ(w.dialogs.messages[1].text,
              "Cannot open file " + w.file("missing.pcg") + "\nNo such file or directory");

    w.dialogs.answerSave(w.file("fine"));
    w.press(Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(readBytes(w.dir.file("fine.pcg")).size(), 69416u);
}

TEST(MainWindow, ANameThatIsNotTextInTheSystemsEncodingIsRefusedNeverAnotherFileWritten) {
    WindowFixture w;
    // A Latin-1 name ("caf\xE9") as a UTF-8 system shows it: with a replacement character.
    const QString chosen = QFile::decodeName(QByteArray::fromStdString(w.dir.file("caf\xE9")));
    ASSERT_TRUE(chosen.contains(QChar::ReplacementCharacter));
    const auto before = std::filesystem::directory_iterator(w.dir.path());
    const std::size_t files =
        static_cast<std::size_t>(std::distance(before, std::filesystem::directory_iterator()));
    w.dialogs.answerSave(chosen);
    w.press(Qt::Key_E, Qt::ControlModifier);
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].caption, "File name error");
    EXPECT_EQ(w.dialogs.messages[0].text,
              "The name " + chosen +
                  " holds characters that this system cannot write as they stand. Please choose "
                  "another name.");
    EXPECT_EQ(
        static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(w.dir.path()),
                                               std::filesystem::directory_iterator())),
        files)
        << "no file written under another name";
}

TEST(EditMenu, ThePcgTabsLookAtTheSlotOfTheChosenBank) {
    WindowFixture w;
    PcgBuilder b;
    b.program(105, "B FIVE", {.voice = 3});
    b.combination(7, "A SEVEN", {plays(0)});
    b.writeTo(w.dir.file("b.pcg"));
    w.dialogs.answerOpen(w.file("b.pcg"));
    w.press(Qt::Key_I, Qt::ControlModifier);
    QAction* toPcg = w.action(names::kSendToPcg);
    QAction* toDatabase = w.action(names::kSendToDatabase);
    QAction* remove = w.action(names::kDelete);
    auto rule = [&] {
        w.find<QMenu>(names::kEditMenu)->aboutToShow();
        return std::tuple{toPcg->isEnabled(), toDatabase->isEnabled(), remove->isEnabled()};
    };

    w.showPage(kPcgPrograms);
    EXPECT_EQ(rule(), std::tuple(false, false, false)) << "no current line";
    w.find<QListWidget>(names::kPcgProgramsPage.list)->setCurrentRow(5);
    EXPECT_EQ(rule(), std::tuple(false, false, false)) << "A05 is empty";
    QTest::mouseClick(w.find<QRadioButton>(names::kPcgProgramsPage.bankB), Qt::LeftButton);
    w.find<QListWidget>(names::kPcgProgramsPage.list)->setCurrentRow(5);
    EXPECT_EQ(rule(), std::tuple(false, true, true)) << "B05 is slot 105, used";

    w.showPage(kPcgCombinations);
    w.find<QListWidget>(names::kPcgCombinationsPage.list)->setCurrentRow(7);
    EXPECT_EQ(rule(), std::tuple(false, true, true));
    w.find<QListWidget>(names::kPcgCombinationsPage.list)->setCurrentRow(8);
    EXPECT_EQ(rule(), std::tuple(false, false, false));

    w.showPage(0);
    EXPECT_EQ(rule(), std::tuple(false, false, false)) << "an empty database";
}

TEST(AboutBox, ShowsNameVersionAndDate) {
    WindowFixture w;
    QDialog* about = w.find<QDialog>(names::about::kWindow);
    EXPECT_EQ(about->windowTitle(), "About...");
    QStringList texts;
    for (auto* label : about->findChildren<QLabel*>())
        if (!label->text().isEmpty()) texts << label->text();
    EXPECT_EQ(texts, QStringList({"PELVARO", "Ver 1.05 beta", "March 1999"}));
    EXPECT_EQ(about->findChild<QPushButton*>(names::about::kOk)->text(), "OK");
    QTimer::singleShot(0, about,
                       [about] { about->findChild<QPushButton*>(names::about::kOk)->click(); });
    w.action(names::kAbout)->trigger();
    EXPECT_FALSE(about->isVisible());
}
