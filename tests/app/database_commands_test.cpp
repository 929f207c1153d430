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
    return w.lines("Aevents");
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
    EXPECT_EQ(w.rows("DPListBox"), QStringList());
    EXPECT_EQ(w.find<QComboBox>("SearchCombo1")->count(), 2);

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

    EXPECT_EQ(w.rows("DPListBox"), QStringList({"1     PIANO 1      ", "2     GrandPiano      ",
                                                "3     DRUMS      ", "4     ORGAN      "}));
    EXPECT_EQ(w.rows("DCListBox"), QStringList({"1     SPLIT      ", "2     GAP      "}));
    EXPECT_EQ(eventLines(w), QStringList({"Program A5 of this combination is not present."}));

    // The first rows' details.
    EXPECT_EQ(w.find<QLineEdit>("IDNumber1")->text(), "1");
    EXPECT_EQ(w.find<QLineEdit>("DrumId1")->text(), "-----------");
    EXPECT_EQ(w.find<QLineEdit>("Name1")->text(), "PIANO 1");
    EXPECT_EQ(w.find<QPlainTextEdit>("Memo1")->toPlainText(), "From: " + w.file("band.pcg"));
    EXPECT_EQ(w.lines("ListBox1"), QStringList(10, " "));
    EXPECT_EQ(w.lines("TimbIDBox"), QStringList({"1", "3"}));
    w.clickRow("DPListBox", 2);
    EXPECT_EQ(w.find<QLineEdit>("DrumId1")->text(), "1");
    EXPECT_EQ(w.find<QLineEdit>("Name1")->text(), "DRUMS");

    // A second send adds nothing.
    w.press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(w.rows("DPListBox").size(), 4);
    EXPECT_EQ(w.form->session().files().count(db::Kind::DrumKit), 1);
}

TEST(DatabaseWindow, SendOnlyCommandsAndSendToDatabaseOfOneSlot) {
    WindowFixture w;
    w.importPcg(bandPcg());
    w.action("SendOnlyCombinationsofPCG1")->trigger();
    EXPECT_EQ(w.rows("DPListBox"), QStringList({"1     PIANO 1      ", "2     DRUMS      "}))
        << "only the programs the combinations play";
    EXPECT_EQ(w.rows("DCListBox").size(), 2);

    w.showPage(kPcgPrograms);
    w.find<QListWidget>("PPListBox")->setCurrentRow(1);
    w.press(Qt::Key_Insert);
    EXPECT_EQ(w.rows("DPListBox").last(), "3     GrandPiano      ");
    EXPECT_TRUE(eventLines(w).isEmpty()) << "Send To Database clears the event list";

    // Insert on an empty slot does nothing.
    w.find<QListWidget>("PPListBox")->setCurrentRow(50);
    w.press(Qt::Key_Insert);
    EXPECT_EQ(w.rows("DPListBox").size(), 3);

    w.action("SendOnlyProgramsofPCG1")->trigger();
    EXPECT_EQ(w.rows("DPListBox").size(), 4);
    EXPECT_EQ(w.form->progressWindow()->programBar()->value(), 200);
    EXPECT_EQ(w.form->progressWindow()->combinationBar()->value(), 0);
}

TEST(DatabaseWindow, SendToPcgWithSeveralSelectedRowsFillsTheDashedLines) {
    BandFixture w;
    w.press(Qt::Key_N, Qt::ControlModifier);
    w.clickRow("DPListBox", 0);
    w.clickRow("DPListBox", 2, Qt::ControlModifier);
    w.clickRow("DPListBox", 3, Qt::ControlModifier);
    w.press(Qt::Key_Insert, Qt::ControlModifier);
    const QStringList lines = w.lines("PPListBox");
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
    w.clickRow("DCListBox", 0);
    w.clickRow("DCListBox", 1, Qt::ShiftModifier);
    w.press(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(w.lines("PCListBox").mid(0, 3),
              QStringList({"A00    SPLIT", "A01    GAP", "A02    ----------"}));
    w.find<QTableView>("DPListBox")->setFocus();
    w.showPage(kDatabasePrograms);
    QTest::keyClick(w.find<QTableView>("DPListBox"), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w.find<QTableView>("DPListBox")->selectionModel()->selectedRows().size(), 4);
}

TEST(DatabaseWindow, DeleteOnEachTab) {
    BandFixture w;
    // A program a combination plays is refused with its line.
    w.clickRow("DPListBox", 2);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(eventLines(w),
              QStringList({"Program 3 is used by some Combinations.Cannot delete it."}));
    EXPECT_EQ(w.rows("DPListBox").size(), 4);
    // A program no combination plays goes, and the last entry moves into its number.
    w.clickRow("DPListBox", 1);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(eventLines(w).isEmpty());
    EXPECT_EQ(w.rows("DPListBox"),
              QStringList({"1     PIANO 1      ", "2     ORGAN      ", "3     DRUMS      "}));
    EXPECT_EQ(w.form->session().files().read<db::DbProgramEntry>(2).idNumber(), 2);

    w.showPage(kDatabaseCombinations);
    w.clickRow("DCListBox", 0);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(w.rows("DCListBox"), QStringList({"1     GAP      "}));

    w.showPage(kPcgPrograms);
    w.find<QListWidget>("PPListBox")->setCurrentRow(0);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(w.lines("PPListBox")[0], "A00    ----------");
    EXPECT_TRUE(std::ranges::equal(w.form->session().pcg().image.programName(0),
                                   std::string_view("EMPTYPROG\0", 10)));

    w.showPage(kPcgCombinations);
    w.find<QListWidget>("PCListBox")->setCurrentRow(1);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(w.lines("PCListBox")[1], "A01    ----------");
    EXPECT_EQ(w.form->session().pcg().occupancy.combinationUsed[1], 0);
}

TEST(DatabaseWindow, CtrlDeleteOnAnEmptySlotDoesNothingWhateverTheMenuShowedBefore) {
    BandFixture w;
    ASSERT_EQ(eventLines(w).size(), 1);
    w.showPage(kPcgPrograms);
    w.find<QListWidget>("PPListBox")->setCurrentRow(0);
    w.find<QMenu>("Edit1")->aboutToShow();
    ASSERT_TRUE(w.action("Delete1")->isEnabled());
    w.find<QListWidget>("PPListBox")->setCurrentRow(7);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_FALSE(w.action("Delete1")->isEnabled());
    EXPECT_EQ(eventLines(w).size(), 1) << "the command did not run, so nothing was cleared";
    EXPECT_EQ(w.lines("PPListBox")[0], "A00    PIANO 1");
}

TEST(DatabaseWindow, EditMenuRuleOnTheDatabaseTabs) {
    WindowFixture w;
    auto rule = [&] {
        w.find<QMenu>("Edit1")->aboutToShow();
        return std::tuple{w.action("SendItem")->isEnabled(), w.action("SendData")->isEnabled(),
                          w.action("Delete1")->isEnabled()};
    };
    EXPECT_EQ(rule(), std::tuple(false, false, false));
    w.showPage(kDatabaseCombinations);
    EXPECT_EQ(rule(), std::tuple(false, false, false));
    w.importPcg(bandPcg());
    w.press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(rule(), std::tuple(true, false, true));
    w.showPage(kDatabasePrograms);
    EXPECT_EQ(rule(), std::tuple(true, false, true));
    EXPECT_TRUE(w.action("EditDatabaseClasses1")->isEnabled());
}

TEST(DatabaseWindow, SearchFiltersTheActiveListAndClearsTheFields) {
    BandFixture w;
    const QStringList combinations = w.rows("DCListBox");
    auto search = [&](const char* field, const QString& text) {
        auto* edit = w.find<QLineEdit>(field);
        edit->clear();
        QTest::keyClicks(edit, text);
        const bool programs =
            w.find<QTabWidget>("PageControl")->currentIndex() == kDatabasePrograms;
        w.click(programs ? "Button2" : "Button1");
    };
    search("SearchEdit1", "pia");
    EXPECT_EQ(w.rows("DPListBox"), QStringList({"1     PIANO 1      ", "2     GrandPiano      "}));
    EXPECT_EQ(w.rows("DCListBox"), combinations) << "the other tab keeps its rows";
    for (const char* field : {"SearchEdit1", "MaskEdit1", "MaskFrom1", "MaskTo1"})
        EXPECT_TRUE(w.find<QLineEdit>(field)->text().isEmpty()) << field;
    EXPECT_EQ(w.find<QComboBox>("SearchCombo1")->currentIndex(), 0);
    EXPECT_EQ(w.find<QComboBox>("SearchCombo1")->currentText(), " ");

    search("MaskEdit1", "1");
    EXPECT_EQ(w.rows("DPListBox"), QStringList({"1     DRUMS      "}));
    search("MaskFrom1", "20");
    EXPECT_EQ(w.rows("DPListBox"), QStringList({"1     GrandPiano      "}));
    w.find<QLineEdit>("MaskTo1")->setText("15");
    search("MaskFrom1", "10");
    EXPECT_EQ(w.rows("DPListBox"), QStringList({"1     PIANO 1      ", "2     ORGAN      "}));

    // Digits with a blank between are no number: a message, and the list stays.
    search("MaskEdit1", "1 2");
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].text, "'1 2' is not a valid integer value");
    EXPECT_EQ(w.rows("DPListBox"), QStringList({"1     PIANO 1      ", "2     ORGAN      "}));

    // A class name typed into the editable combo, not chosen, matches nothing.
    w.find<QLineEdit>("MaskEdit1")->clear();
    w.find<QComboBox>("SearchCombo1")->setEditText("Pianos");
    search("SearchEdit1", "");
    EXPECT_TRUE(w.rows("DPListBox").isEmpty());

    w.showPage(kDatabaseCombinations);
    search("MaskEdit2", "3");
    EXPECT_EQ(w.rows("DCListBox"), QStringList({"1     SPLIT      "}));
    // Every field blank: both lists refill.
    w.showPage(kDatabasePrograms);
    search("SearchEdit1", "");
    EXPECT_EQ(w.rows("DPListBox").size(), 4);
    EXPECT_EQ(w.rows("DCListBox"), combinations);
}

TEST(DatabaseWindow, SubmitWritesTheNameAndExplanationWhenEditingIsEnabled) {
    BandFixture w;
    auto* name = w.find<QLineEdit>("Name1");
    auto* memo = w.find<QPlainTextEdit>("Memo1");
    EXPECT_FALSE(name->isEnabled());
    EXPECT_FALSE(w.find<QPushButton>("Button4")->isEnabled());
    w.click("CheckBox1");
    EXPECT_TRUE(name->isEnabled());
    EXPECT_TRUE(w.find<QPushButton>("Button4")->isEnabled());
    EXPECT_FALSE(w.find<QPushButton>("Button6")->isEnabled()) << "Edit Program never acts";
    EXPECT_EQ(name->maxLength(), 10);

    name->setText("AB");
    memo->setPlainText("line one\nline two");
    w.click("Button4");
    const auto entry = w.form->session().files().read<db::DbProgramEntry>(1);
    EXPECT_EQ(std::string(entry.bytes.begin(), entry.bytes.begin() + 7),
              std::string("AB\0NO 1", 7));
    EXPECT_EQ(entry.explanation(), "line one\r\nline two");
    EXPECT_EQ(w.rows("DPListBox")[0], "1     AB      ");
    EXPECT_EQ(memo->toPlainText(), "line one\nline two");

    // The memo holds 79 stored characters, a line break counting two.
    memo->setPlainText(QString(100, 'x'));
    EXPECT_EQ(memo->toPlainText().size(), 79);

    w.click("CheckBox1");
    EXPECT_FALSE(name->isEnabled());
}

TEST(DatabaseWindow, ExportNewAndOpenDatabase) {
    BandFixture w;
    const std::vector<Byte> programs = readBytes(w.dir.file("temp.prg"));
    w.dialogs.answerSave(w.file("bank"));
    w.action("SaveDatabaseAs")->trigger();
    EXPECT_EQ(w.dialogs.filters.last(), "Database Files (*.pvd)|*.pvd");
    EXPECT_EQ(std::filesystem::file_size(w.dir.file("bank.pvd")), 800u);
    EXPECT_EQ(readBytes(w.dir.file("bank.prg")), programs);

    w.action("NewDatabase")->trigger();
    EXPECT_TRUE(w.rows("DPListBox").isEmpty());
    EXPECT_TRUE(w.rows("DCListBox").isEmpty());
    EXPECT_EQ(w.find<QComboBox>("SearchCombo2")->count(), 2);

    // A database file that is not there changes nothing.
    w.dialogs.answerOpen(w.file("nothing.pvd"));
    w.action("OpenDatabase")->trigger();
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].text,
              "Cannot open file " + w.file("nothing.pvd") + "\nNo such file or directory");

    w.dialogs.answerOpen(w.file("bank.pvd"));
    w.action("OpenDatabase")->trigger();
    EXPECT_EQ(w.rows("DPListBox").size(), 4);
    EXPECT_EQ(w.rows("DCListBox"), QStringList({"1     SPLIT      ", "2     GAP      "}));
    EXPECT_EQ(readBytes(w.dir.file("temp.prg")), programs);

    // A damaged member file is refused with its own message.
    auto bytes = readBytes(w.dir.file("bank.cmb"));
    bytes[264 + 136] = 9;  // entry 1 claims to be entry 9
    writeBytes(w.dir.file("bank.cmb"), bytes);
    w.action("NewDatabase")->trigger();
    w.dialogs.answerOpen(w.file("bank.pvd"));
    w.action("OpenDatabase")->trigger();
    ASSERT_EQ(w.dialogs.messages.size(), 2u);
    EXPECT_EQ(w.dialogs.messages[1].caption, "Database error");
    EXPECT_TRUE(w.dialogs.messages[1].text.startsWith("This database cannot be opened: "));
    EXPECT_TRUE(w.rows("DPListBox").isEmpty());
}

TEST(DatabaseWindow, ExitRemovesTheWorkingFilesFromTheStartFolderAfterAnotherFolderWasUsed) {
    auto w = std::make_unique<WindowFixture>();
    TempDir elsewhere;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path());
    w->action("Exit1")->trigger();
    EXPECT_FALSE(w->form->isVisible());
    const std::string start = w->dir.path();
    w->form.reset();
    std::filesystem::current_path(previous);
    for (const char* name : {"temp.prg", "temp.cmb", "temp.dru", "temp.tur"})
        EXPECT_FALSE(std::filesystem::exists(start + "/" + name)) << name;
}
