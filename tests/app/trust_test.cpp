// The window never drops what the user gave it: keys after a file command land where the cursor
// was, an edit not submitted is stored or dropped as the user answers, a file is replaced only
// after a question naming it, the list type chosen is the type written, Home and End go to the
// ends of a list, and a message never shows over an empty busy window.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <filesystem>

#include "app/busy_window.h"
#include "failing_disk.h"
#include "window_fixture.h"

using namespace pelvaro;
using namespace pelvaro::testing;
namespace fs = std::filesystem;

namespace {

// The busy window shows at the first report of work, as it would after its delay.
struct AtOnce {
    AtOnce() { app::BusyWindow::setDelay(0); }
    ~AtOnce() { app::BusyWindow::setDelay(400); }
};

struct Stored : WindowFixture {
    Stored() {
        importPcg(bandPcg());
        press(Qt::Key_S, Qt::ControlModifier);
        showPage(kDatabasePrograms);
        clickRow(names::kProgramsPage.list, 0);
        click(names::kProgramsPage.editEnabled);
    }
    QLineEdit* name() const { return find<QLineEdit>(names::kProgramsPage.name); }
};

}  // namespace

// Counts the times a window shows.
struct Shows : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Show;
        return false;
    }
};

// The user takes long over a file dialog: that is no work of the program's, and the busy window
// does not flash up empty ("Working... 0 MB") the moment the work begins.
TEST(Trust, TheTimeInAFileDialogIsNotWorkToWaitFor) {
    static qint64 now = 0;
    app::BusyWindow::setClock([] { return now; });
    Stored w;
    Shows busy;
    w.form->busyWindow()->installEventFilter(&busy);
    w.dialogs.whenFileAsked = [] { now += 5000; };
    w.dialogs.answerSave(w.file("bank"));
    w.action(names::kExportDatabase)->trigger();
    EXPECT_TRUE(fs::exists(w.dir.file("bank.pvd")));
    EXPECT_EQ(busy.count, 0);
    app::BusyWindow::setClock(nullptr);
}

TEST(Trust, KeysAfterAFileCommandLandWhereTheCursorWas) {
    const AtOnce atOnce;
    Stored w;
    w.click(names::kProgramsPage.nameSearch);
    auto* field = w.find<QLineEdit>(names::kProgramsPage.nameSearch);
    ASSERT_EQ(QApplication::focusWidget(), field);
    w.dialogs.answerSave(w.file("bank"));
    w.action(names::kExportDatabase)->trigger();  // the busy window shows while it copies
    EXPECT_EQ(QApplication::activeWindow(), w.form.get());
    EXPECT_EQ(QApplication::focusWidget(), field);
    QTest::keyClicks(QApplication::focusWidget(), "pad");
    EXPECT_EQ(field->text(), "pad");
}

TEST(Trust, AMessageNeverShowsOverTheBusyWindow) {
    const AtOnce atOnce;
    Stored w;
    bool busyShown = true;
    w.dialogs.whenShown = [&](const ScriptedDialogs::Message&) {
        busyShown = w.form->busyWindow()->isVisible();
    };
    w.dialogs.answerSave(w.file("bank"));
    {
        const FailNth fail(FailNth::Op::Rename, 1);  // the copies written, their names not
        w.action(names::kExportDatabase)->trigger();
    }
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_FALSE(busyShown);
}

TEST(Trust, AnEditNotSubmittedIsStoredOrDroppedAsTheUserAnswers) {
    Stored w;
    const QString question = "Store the changes to program 1 \"PIANO 1\"?";
    w.name()->setText("WARM PAD");

    // Cancel: the click is taken back, the edit stays.
    w.dialogs.answerQuestion(2);
    w.clickRow(names::kProgramsPage.list, 1);
    ASSERT_EQ(w.dialogs.asked.size(), 1u);
    EXPECT_EQ(w.dialogs.asked[0].text, question);
    EXPECT_EQ(w.dialogs.asked[0].buttons, (QStringList{"&Store", "&Discard", "Cancel"}));
    EXPECT_EQ(w.find<QLineEdit>(names::kProgramsPage.id)->text(), "1");
    EXPECT_EQ(w.name()->text(), "WARM PAD");

    // Store: written as Submit writes it, then the row clicked is shown.
    w.dialogs.answerQuestion(0);
    w.clickRow(names::kProgramsPage.list, 1);
    EXPECT_EQ(db::entryName(w.form->session().files().read<db::DbProgramEntry>(1)), "WARM PAD");
    EXPECT_EQ(w.find<QLineEdit>(names::kProgramsPage.id)->text(), "2");
    EXPECT_EQ(w.form->session().undoLog().undoName(), "Submit");

    // Discard before New Database: nothing stored, the new database comes.
    w.name()->setText("GONE");
    w.dialogs.answerQuestion(1);
    w.action(names::kNewDatabase)->trigger();
    EXPECT_EQ(w.dialogs.asked.size(), 3u);
    EXPECT_TRUE(w.rows(names::kProgramsPage.list).isEmpty());
}

TEST(Trust, FilesAreReplacedOnlyAfterAQuestionNamingThem) {
    Stored w;
    w.dialogs.answerSave(w.file("live"));
    w.press(Qt::Key_E, Qt::ControlModifier);
    const std::vector<Byte> first = readBytes(w.dir.file("live.pcg"));
    EXPECT_TRUE(w.dialogs.asked.empty()) << "nothing stood there";

    // The final name is asked about (".pcg" added); Cancel writes nothing.
    w.press(Qt::Key_N, Qt::ControlModifier);
    w.dialogs.answerSave(w.file("live"));
    w.dialogs.answerQuestion(1);
    w.press(Qt::Key_E, Qt::ControlModifier);
    ASSERT_EQ(w.dialogs.asked.size(), 1u);
    EXPECT_EQ(w.dialogs.asked[0].text, w.file("live.pcg") + " already exists. Replace it?");
    EXPECT_EQ(readBytes(w.dir.file("live.pcg")), first);

    // A database is five files: every one that stands there is named.
    w.dialogs.answerSave(w.file("bank.pvd"));
    w.action(names::kExportDatabase)->trigger();
    w.dialogs.answerSave(w.file("bank"));
    w.dialogs.answerQuestion(0);
    w.action(names::kExportDatabase)->trigger();
    ASSERT_EQ(w.dialogs.asked.size(), 2u);
    for (const char* member : {"bank.pvd", "bank.prg", "bank.cmb", "bank.dru", "bank.tur"})
        EXPECT_TRUE(w.dialogs.asked[1].text.contains(w.file(member))) << member;
}

TEST(Trust, ExportListWritesTheTypeChosenAndHomeAndEndGoToTheEnds) {
    Stored w;
    w.dialogs.answerSave(w.file("glasslist"), 1);  // "Pages to Print"
    w.action(names::kExportList)->trigger();
    EXPECT_TRUE(fs::exists(w.dir.file("glasslist.html")));
    EXPECT_FALSE(fs::exists(w.dir.file("glasslist.csv")));
    EXPECT_TRUE(readBytes(w.dir.file("glasslist.html")).size() > 15);

    auto* list = w.find<QTableView>(names::kProgramsPage.list);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_End);
    EXPECT_EQ(list->currentIndex().row(), 3);
    EXPECT_EQ(list->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(w.find<QLineEdit>(names::kProgramsPage.id)->text(), "4");
    QTest::keyClick(list, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(list->currentIndex().row(), 0);
    EXPECT_TRUE(list->selectionModel()->isRowSelected(0));
}
