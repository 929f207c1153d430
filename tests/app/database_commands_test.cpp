// The database side of the main window, driven as a user drives it: menus, shortcuts, clicks.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <filesystem>

#include "app/progress_window.h"
#include "window_fixture.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;

namespace {

// A window with bandPcg imported and sent to the database.
struct BandFixture : WindowFixture {
    BandFixture() {
        importPcg(bandPcg(), "band.pcg");
        press(Qt::Key_S, Qt::ControlModifier);
    }
};

QStringList eventLines(const WindowFixture& w) {
    return w.lines(names::kEventList);
}
}  // namespace

TEST(DatabaseWindow, SendPcgToDatabaseStepsTheProgressWindowAndListsTheEntries) {
    WindowFixture w;
    w.importPcg(bandPcg(), "band.pcg");
    app::ProgressWindow* progress = w.form->progressWindow();
    int steps = 0;
    bool visibleWhileStepping = true;
    for (QProgressBar* bar : {progress->programBar(), progress->combinationBar()})
        QObject::connect(bar, &QProgressBar::valueChanged, [&](int) {
            ++steps;
            visibleWhileStepping &= progress->isVisible();
        });
    EXPECT_EQ(w.rows(names::kProgramsPage.list), QStringList());
    EXPECT_EQ(w.find<QComboBox>(names::kProgramsPage.classSearch)->count(), 2);

    w.press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(steps, 400);
    EXPECT_TRUE(visibleWhileStepping);
    EXPECT_FALSE(progress->isVisible()) << "hidden at the end";
    EXPECT_EQ(progress->programBar()->value(), 200);
    EXPECT_EQ(progress->combinationBar()->value(), 200);
    EXPECT_EQ(progress->programBar()->maximum(), 200);
    ASSERT_EQ(progress->captions().size(), 2u);
    EXPECT_EQ(progress->captions()[0].first, "Programs:");
    EXPECT_EQ(progress->captions()[0].second, QPoint(110, 12));
    EXPECT_EQ(progress->captions()[1].first, "Combinations:");
    EXPECT_EQ(progress->captions()[1].second, QPoint(102, 65));

    EXPECT_EQ(w.rows(names::kProgramsPage.list),
              QStringList({"1     PIANO 1      ", "2     GrandPiano      ", "3     DRUMS      ",
                           "4     ORGAN      "}));
    EXPECT_EQ(w.rows(names::kCombinationsPage.list),
              QStringList({"1     SPLIT      ", "2     GAP      "}));
    EXPECT_EQ(eventLines(w), QStringList({"Program A5 of this combination is not present."}));

    // The first rows' details.
    EXPECT_EQ(w.find<QLineEdit>(names::kProgramsPage.id)->text(), "1");
    EXPECT_EQ(w.find<QLineEdit>(names::kProgramsPage.drumId)->text(), "-----------");
    EXPECT_EQ(w.find<QLineEdit>(names::kProgramsPage.name)->text(), "PIANO 1");
    EXPECT_EQ(w.find<QPlainTextEdit>(names::kProgramsPage.explanation)->toPlainText(),
              "From: " + w.file("band.pcg"));
    EXPECT_EQ(w.lines(names::kProgramsPage.classes), QStringList(10, " "));
    EXPECT_EQ(w.lines(names::kCombinationsPage.timbreIds), QStringList({"1", "3"}));
    w.clickRow(names::kProgramsPage.list, 2);
    EXPECT_EQ(w.find<QLineEdit>(names::kProgramsPage.drumId)->text(), "1");
    EXPECT_EQ(w.find<QLineEdit>(names::kProgramsPage.name)->text(), "DRUMS");

    // A second send adds nothing.
    w.press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 4);
    EXPECT_EQ(w.form->session().files().count(db::Kind::DrumKit), 1);
}

TEST(DatabaseWindow, SendOnlyCommandsAndSendToDatabaseOfOneSlot) {
    WindowFixture w;
    w.importPcg(bandPcg());
    w.action(names::kSendOnlyCombinations)->trigger();
    EXPECT_EQ(w.rows(names::kProgramsPage.list),
              QStringList({"1     PIANO 1      ", "2     DRUMS      "}))
        << "only the programs the combinations play";
    EXPECT_EQ(w.rows(names::kCombinationsPage.list).size(), 2);

    w.showPage(kPcgPrograms);
    w.find<QListWidget>(names::kPcgProgramsPage.list)->setCurrentRow(1);
    w.press(Qt::Key_Insert);
    EXPECT_EQ(w.rows(names::kProgramsPage.list).last(), "3     GrandPiano      ");
    EXPECT_TRUE(eventLines(w).isEmpty()) << "Send To Database clears the event list";

    // Insert on an empty slot does nothing.
    w.find<QListWidget>(names::kPcgProgramsPage.list)->setCurrentRow(50);
    w.press(Qt::Key_Insert);
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 3);

    w.action(names::kSendOnlyPrograms)->trigger();
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 4);
    EXPECT_EQ(w.form->progressWindow()->programBar()->value(), 200);
    EXPECT_EQ(w.form->progressWindow()->combinationBar()->value(), 0);
}

TEST(DatabaseWindow, SendToPcgWithSeveralSelectedRowsFillsTheDashedLines) {
    BandFixture w;
    w.press(Qt::Key_N, Qt::ControlModifier);
    w.clickRow(names::kProgramsPage.list, 0);
    w.clickRow(names::kProgramsPage.list, 2, Qt::ControlModifier);
    w.clickRow(names::kProgramsPage.list, 3, Qt::ControlModifier);
    w.press(Qt::Key_Insert, Qt::ControlModifier);
    const QStringList lines = w.lines(names::kPcgProgramsPage.list);
    EXPECT_EQ(lines[0], "A00    PIANO 1");
    EXPECT_EQ(lines[1], "A01    DRUMS");
    EXPECT_EQ(lines[2], "A02    ORGAN");
    EXPECT_EQ(lines[3], "A03    ----------");
    const auto& pcg = w.form->session().pcg();
    EXPECT_EQ(pcg.image.program(1)[12], 0) << "the drum program plays the kit placed in slot 0";
    EXPECT_EQ(pcg.occupancy.drumKitUsed, (std::array<Byte, 4>{1, 0, 0, 0}));

    // Ctrl+A and Shift-click select several rows from the keyboard and the mouse too.
    w.press(Qt::Key_N, Qt::ControlModifier);
    w.showPage(kDatabaseCombinations);
    w.clickRow(names::kCombinationsPage.list, 0);
    w.clickRow(names::kCombinationsPage.list, 1, Qt::ShiftModifier);
    w.press(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(w.lines(names::kPcgCombinationsPage.list).mid(0, 3),
              QStringList({"A00    SPLIT", "A01    GAP", "A02    ----------"}));
    w.find<QTableView>(names::kProgramsPage.list)->setFocus();
    w.showPage(kDatabasePrograms);
    QTest::keyClick(w.find<QTableView>(names::kProgramsPage.list), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(
        w.find<QTableView>(names::kProgramsPage.list)->selectionModel()->selectedRows().size(), 4);
}

TEST(DatabaseWindow, DeleteOnEachTab) {
    BandFixture w;
    // A program a combination plays is refused with its line.
    w.clickRow(names::kProgramsPage.list, 2);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(eventLines(w),
              QStringList({"Program 3 is used by some Combinations.Cannot delete it."}));
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 4);
    // A program no combination plays goes, and the last entry moves into its number.
    w.clickRow(names::kProgramsPage.list, 1);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(eventLines(w).isEmpty());
    EXPECT_EQ(w.rows(names::kProgramsPage.list),
              QStringList({"1     PIANO 1      ", "2     ORGAN      ", "3     DRUMS      "}));
    EXPECT_EQ(w.form->session().files().read<db::DbProgramEntry>(2).idNumber(), 2);

    w.showPage(kDatabaseCombinations);
    w.clickRow(names::kCombinationsPage.list, 0);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(w.rows(names::kCombinationsPage.list), QStringList({"1     GAP      "}));

    // SPLIT plays PIANO 1: the question of Arrange's Empty first; Cancel leaves it.
    w.showPage(kPcgPrograms);
    w.find<QListWidget>(names::kPcgProgramsPage.list)->setCurrentRow(0);
    const std::string undone = w.form->session().undoLog().undoName();
    w.dialogs.answerQuestion(1);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(w.dialogs.asked.size(), 1u);
    EXPECT_EQ(w.dialogs.asked[0].caption, "Delete");
    EXPECT_EQ(w.dialogs.asked[0].text,
              "This combination plays a program that is to be emptied and will then play an "
              "empty slot:\nA00 SPLIT\n\nEmpty 1 program: A00 PIANO 1?");
    EXPECT_EQ(w.dialogs.asked[0].buttons, (QStringList{"&Empty", "Cancel"}));
    EXPECT_EQ(w.lines(names::kPcgProgramsPage.list)[0], "A00    PIANO 1");
    EXPECT_EQ(w.form->session().undoLog().undoName(), undone);
    w.dialogs.answerQuestion(0);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(w.lines(names::kPcgProgramsPage.list)[0], "A00    ----------");
    EXPECT_TRUE(std::ranges::equal(w.form->session().pcg().image.programName(0),
                                   std::string_view("EMPTYPROG\0", 10)));

    w.showPage(kPcgCombinations);
    w.find<QListWidget>(names::kPcgCombinationsPage.list)->setCurrentRow(1);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(w.lines(names::kPcgCombinationsPage.list)[1], "A01    ----------");
    EXPECT_EQ(w.form->session().pcg().occupancy.combinationUsed[1], 0);
}

TEST(DatabaseWindow, CtrlDeleteOnAnEmptySlotDoesNothingWhateverTheMenuShowedBefore) {
    BandFixture w;
    ASSERT_EQ(eventLines(w).size(), 1);
    w.showPage(kPcgPrograms);
    w.find<QListWidget>(names::kPcgProgramsPage.list)->setCurrentRow(0);
    w.find<QMenu>(names::kEditMenu)->aboutToShow();
    ASSERT_TRUE(w.action(names::kDelete)->isEnabled());
    w.find<QListWidget>(names::kPcgProgramsPage.list)->setCurrentRow(7);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_FALSE(w.action(names::kDelete)->isEnabled());
    EXPECT_EQ(eventLines(w).size(), 1) << "the command did not run, so nothing was cleared";
    EXPECT_EQ(w.lines(names::kPcgProgramsPage.list)[0], "A00    PIANO 1");
}

TEST(DatabaseWindow, EditMenuRuleOnTheDatabaseTabs) {
    WindowFixture w;
    auto rule = [&] {
        w.find<QMenu>(names::kEditMenu)->aboutToShow();
        return std::tuple{w.action(names::kSendToPcg)->isEnabled(),
                          w.action(names::kSendToDatabase)->isEnabled(),
                          w.action(names::kDelete)->isEnabled()};
    };
    EXPECT_EQ(rule(), std::tuple(false, false, false));
    w.showPage(kDatabaseCombinations);
    EXPECT_EQ(rule(), std::tuple(false, false, false));
    w.importPcg(bandPcg());
    w.press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(rule(), std::tuple(true, false, true));
    w.showPage(kDatabasePrograms);
    EXPECT_EQ(rule(), std::tuple(true, false, true));
    EXPECT_TRUE(w.action(names::kEditDatabaseClasses)->isEnabled());
}

TEST(DatabaseWindow, SearchFiltersTheActiveListAndClearsTheFields) {
    BandFixture w;
    const QStringList combinations = w.rows(names::kCombinationsPage.list);
    auto search = [&](const char* field, const QString& text) {
        auto* edit = w.find<QLineEdit>(field);
        edit->clear();
        QTest::keyClicks(edit, text);
        const bool programs =
            w.find<QTabWidget>(names::kPages)->currentIndex() == kDatabasePrograms;
        w.click(programs ? names::kProgramsPage.searchButton
                         : names::kCombinationsPage.searchButton);
    };
    search(names::kProgramsPage.nameSearch, "pia");
    EXPECT_EQ(w.rows(names::kProgramsPage.list),
              QStringList({"1     PIANO 1      ", "2     GrandPiano      "}));
    EXPECT_EQ(w.rows(names::kCombinationsPage.list), combinations)
        << "the other tab keeps its rows";
    for (const char* field : {names::kProgramsPage.nameSearch, names::kProgramsPage.referenceSearch,
                              names::kProgramsPage.soundFrom, names::kProgramsPage.soundTo})
        EXPECT_TRUE(w.find<QLineEdit>(field)->text().isEmpty()) << field;
    EXPECT_EQ(w.find<QComboBox>(names::kProgramsPage.classSearch)->currentIndex(), 0);
    EXPECT_EQ(w.find<QComboBox>(names::kProgramsPage.classSearch)->currentText(), " ");

    search(names::kProgramsPage.referenceSearch, "1");
    EXPECT_EQ(w.rows(names::kProgramsPage.list), QStringList({"1     DRUMS      "}));
    search(names::kProgramsPage.soundFrom, "20");
    EXPECT_EQ(w.rows(names::kProgramsPage.list), QStringList({"1     GrandPiano      "}));
    w.find<QLineEdit>(names::kProgramsPage.soundTo)->setText("15");
    search(names::kProgramsPage.soundFrom, "10");
    EXPECT_EQ(w.rows(names::kProgramsPage.list),
              QStringList({"1     PIANO 1      ", "2     ORGAN      "}));

    // Digits with a blank between are no number: a message, and the list stays.
    search(names::kProgramsPage.referenceSearch, "1 2");
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].text, "'1 2' is not a valid integer value");
    EXPECT_EQ(w.rows(names::kProgramsPage.list),
              QStringList({"1     PIANO 1      ", "2     ORGAN      "}));

    // A class name typed into the editable combo, not chosen, matches nothing.
    w.find<QLineEdit>(names::kProgramsPage.referenceSearch)->clear();
    w.find<QComboBox>(names::kProgramsPage.classSearch)->setEditText("Pianos");
    search(names::kProgramsPage.nameSearch, "");
    EXPECT_TRUE(w.rows(names::kProgramsPage.list).isEmpty());

    w.showPage(kDatabaseCombinations);
    search(names::kCombinationsPage.referenceSearch, "3");
    EXPECT_EQ(w.rows(names::kCombinationsPage.list), QStringList({"1     SPLIT      "}));
    // Every field blank: both lists refill.
    w.showPage(kDatabasePrograms);
    search(names::kProgramsPage.nameSearch, "");
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 4);
    EXPECT_EQ(w.rows(names::kCombinationsPage.list), combinations);
}

TEST(DatabaseWindow, SubmitWritesTheNameAndExplanationWhenEditingIsEnabled) {
    BandFixture w;
    auto* name = w.find<QLineEdit>(names::kProgramsPage.name);
    auto* memo = w.find<QPlainTextEdit>(names::kProgramsPage.explanation);
    EXPECT_FALSE(name->isEnabled());
    EXPECT_FALSE(w.find<QPushButton>(names::kProgramsPage.submit)->isEnabled());
    w.click(names::kProgramsPage.editEnabled);
    EXPECT_TRUE(name->isEnabled());
    EXPECT_TRUE(w.find<QPushButton>(names::kProgramsPage.submit)->isEnabled());
    EXPECT_FALSE(w.find<QPushButton>(names::kProgramsPage.editRecord)->isEnabled())
        << "Edit Program never acts";
    EXPECT_EQ(name->maxLength(), 10);

    name->setText("AB");
    memo->setPlainText("line one\nline two");
    w.click(names::kProgramsPage.submit);
    const auto entry = w.form->session().files().read<db::DbProgramEntry>(1);
    EXPECT_EQ(std::string(entry.bytes.begin(), entry.bytes.begin() + 7),
              std::string("AB\0NO 1", 7));
    EXPECT_EQ(entry.explanation(), "line one\r\nline two");
    EXPECT_EQ(w.rows(names::kProgramsPage.list)[0], "1     AB      ");
    EXPECT_EQ(memo->toPlainText(), "line one\nline two");

    // The memo holds 79 stored characters, a line break counting two.
    memo->setPlainText(QString(100, 'x'));
    EXPECT_EQ(memo->toPlainText().size(), 79);

    w.click(names::kProgramsPage.editEnabled);
    EXPECT_FALSE(name->isEnabled());
}

TEST(DatabaseWindow, ExportNewAndOpenDatabase) {
    BandFixture w;
    const std::vector<Byte> programs = readBytes(w.dir.file("temp.prg"));
    w.dialogs.answerSave(w.file("bank"));
    w.action(names::kExportDatabase)->trigger();
    EXPECT_EQ(w.dialogs.filters.last(), "Database Files (*.pvd)|*.pvd");
    EXPECT_EQ(std::filesystem::file_size(w.dir.file("bank.pvd")), 800u);
    EXPECT_EQ(readBytes(w.dir.file("bank.prg")), programs);

    w.action(names::kNewDatabase)->trigger();
    EXPECT_TRUE(w.rows(names::kProgramsPage.list).isEmpty());
    EXPECT_TRUE(w.rows(names::kCombinationsPage.list).isEmpty());
    EXPECT_EQ(w.find<QComboBox>(names::kCombinationsPage.classSearch)->count(), 2);

    // A database file that is not there changes nothing.
    w.dialogs.answerOpen(w.file("nothing.pvd"));
    w.action(names::kOpenDatabase)->trigger();
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].text,
              "Cannot open file " + w.file("nothing.pvd") + "\nNo such file or directory");

    w.dialogs.answerOpen(w.file("bank.pvd"));
    w.action(names::kOpenDatabase)->trigger();
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 4);
    EXPECT_EQ(w.rows(names::kCombinationsPage.list),
              QStringList({"1     SPLIT      ", "2     GAP      "}));
    EXPECT_EQ(readBytes(w.dir.file("temp.prg")), programs);

    // A damaged member file is refused with its own message.
    auto bytes = readBytes(w.dir.file("bank.cmb"));
    bytes[264 + 136] = 9;  // entry 1 claims to be entry 9
    writeBytes(w.dir.file("bank.cmb"), bytes);
    w.action(names::kNewDatabase)->trigger();
    w.dialogs.answerOpen(w.file("bank.pvd"));
    w.action(names::kOpenDatabase)->trigger();
    ASSERT_EQ(w.dialogs.messages.size(), 2u);
    EXPECT_EQ(w.dialogs.messages[1].caption, "Database error");
    EXPECT_TRUE(w.dialogs.messages[1].text.startsWith("This database cannot be opened: "));
    EXPECT_TRUE(w.rows(names::kProgramsPage.list).isEmpty());
}

TEST(DatabaseWindow, ExitRemovesTheWorkingFilesFromTheStartFolderAfterAnotherFolderWasUsed) {
    auto w = std::make_unique<WindowFixture>();
    TempDir elsewhere;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path());
    w->action(names::kExit)->trigger();
    EXPECT_FALSE(w->form->isVisible());
    const std::string start = w->dir.path();
    w->form.reset();
    std::filesystem::current_path(previous);
    for (const char* name : {"temp.prg", "temp.cmb", "temp.dru", "temp.tur"})
        EXPECT_FALSE(std::filesystem::exists(start + "/" + name)) << name;
}
