// Where a sound came from and the musician's marks, in the main window: the keys on the chosen
// rows of a database list, Undo of a mark, the Show and Sort choices, the origins line of the
// detail panel, the search by file and Give Back.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>

#include "app/elided_label.h"
#include "app/entry_list_model.h"
#include "session/origin_commands.h"
#include "window_fixture.h"

using namespace pelvaro;
using namespace pelvaro::testing;

namespace {

// A window with bandPcg imported from band.pcg and sent to the database: four programs.
struct MarksFixture : WindowFixture {
    MarksFixture() {
        importPcg(bandPcg(), "band.pcg");
        press(Qt::Key_S, Qt::ControlModifier);
    }
    QTableView* list() const { return find<QTableView>(names::kProgramsPage.list); }
    // What row r shows beside its text, and says in its tooltip.
    QString marks(int r) const {
        return list()->model()->index(r, 0).data(app::EntryListModel::kMarksRole).toString();
    }
    QString tip(int r) const {
        return list()->model()->index(r, 0).data(Qt::ToolTipRole).toString();
    }
    void key(int key) { QTest::keyClick(list(), static_cast<Qt::Key>(key)); }
    void show(const char* item) {
        auto* choice = find<QComboBox>(names::kProgramsPage.showChoice);
        choice->setCurrentIndex(choice->findText(QLatin1String(item)));
    }
};

}  // namespace

TEST(MarksWindow, KeysMarkEverySelectedRowWhereItStandsAndUndoTakesAMarkBack) {
    MarksFixture w;
    const QStringList rows = w.rows(names::kProgramsPage.list);
    w.clickRow(names::kProgramsPage.list, 0);
    w.clickRow(names::kProgramsPage.list, 1, Qt::ShiftModifier);
    w.key(Qt::Key_F);
    w.key(Qt::Key_3);
    EXPECT_EQ(w.marks(0), "\u2605 3");
    EXPECT_EQ(w.tip(1), "Favourite, rated 3");
    EXPECT_EQ(w.list()->currentIndex().row(), 1) << "the current row stays";
    EXPECT_EQ(w.rows(names::kProgramsPage.list), rows) << "the row texts stay as they were";

    // Reviewing with the arrow keys: the next row hidden, the first one's rating cleared.
    w.key(Qt::Key_Down);
    w.key(Qt::Key_H);
    EXPECT_EQ(w.tip(2), "Hidden");
    EXPECT_TRUE(w.list()->model()->index(2, 0).data(Qt::ForegroundRole).isValid()) << "grey";
    EXPECT_EQ(w.list()->currentIndex().row(), 2);
    w.key(Qt::Key_Up);
    w.key(Qt::Key_Up);
    w.key(Qt::Key_0);
    EXPECT_EQ(w.tip(0), "Favourite");
    EXPECT_EQ(w.list()->model()->rowCount(), 4) << "a hidden row goes at the next refill";

    // Typed into a search field the keys are text.
    auto* name = w.find<QLineEdit>(names::kProgramsPage.nameSearch);
    QTest::keyClicks(name, "F3h");
    EXPECT_EQ(name->text(), "F3h");
    EXPECT_EQ(w.tip(3), "");

    // Undo takes the last mark back; the lists refilled leave the hidden entry out.
    EXPECT_EQ(w.action(names::kUndo)->text(),
              "&Undo " +
                  QString::fromStdString(session::markStepName({db::MarkChange::What::Rating, 0})));
    w.press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(w.rows(names::kProgramsPage.list),
              QStringList({rows[0], rows[1], "3     ORGAN      "}));
    EXPECT_EQ(w.tip(0), "Favourite, rated 3");
    EXPECT_EQ(w.list()->contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_EQ(w.list()->actions().size(), 8) << "the right-click menu holds the marks";
}

TEST(MarksWindow, ShowAndSortChooseTheRowsWhichKeepTheirNumbers) {
    MarksFixture w;
    w.clickRow(names::kProgramsPage.list, 1);
    w.key(Qt::Key_H);
    w.clickRow(names::kProgramsPage.list, 3);
    w.key(Qt::Key_5);
    w.clickRow(names::kProgramsPage.list, 2);
    w.key(Qt::Key_2);
    w.show("Hidden only");
    EXPECT_EQ(w.rows(names::kProgramsPage.list), QStringList({"1     GrandPiano      "}));
    w.show("Rated 2 and up");
    EXPECT_EQ(w.rows(names::kProgramsPage.list),
              QStringList({"1     DRUMS      ", "2     ORGAN      "}));
    w.show("Everything");
    w.find<QComboBox>(names::kProgramsPage.sortChoice)->setCurrentText("Rating");
    EXPECT_EQ(w.rows(names::kProgramsPage.list),
              QStringList({"1     ORGAN      ", "2     DRUMS      ", "3     PIANO 1      ",
                           "4     GrandPiano      "}));
    // A search keeps the choice, and its line counts what the list shows.
    w.show("All but hidden");
    w.click(names::kProgramsPage.searchButton);
    EXPECT_EQ(w.rows(names::kProgramsPage.list),
              QStringList({"1     ORGAN      ", "2     DRUMS      ", "3     PIANO 1      "}));
    EXPECT_EQ(w.find<QLabel>(names::kStatusResult)->text(),
              "Found 3 of 4 programs: all but hidden");
}

TEST(OriginsWindow, TheDetailLineSearchByFileAndGiveBackOfTheFileAsSent) {
    MarksFixture w;
    const auto text = session::originsText(w.form->session(), db::Kind::Program, 1);
    ASSERT_TRUE(QString::fromStdString(text.line).startsWith("From band.pcg A"));
    const auto* origins = w.find<app::ElidedLabel>(names::kProgramsPage.origins);
    EXPECT_EQ(origins->text(), QString::fromStdString(text.line));
    EXPECT_EQ(origins->toolTip(), QString::fromStdString(text.whole));

    auto* fromFile = w.find<QLineEdit>(names::kProgramsPage.fromFileSearch);
    QTest::keyClicks(fromFile, "other");
    QTest::keyClick(fromFile, Qt::Key_Return);
    EXPECT_EQ(w.rows(names::kProgramsPage.list), QStringList());
    EXPECT_EQ(fromFile->text(), "") << "cleared by the refill, as every search field";
    QTest::keyClicks(fromFile, "BAND");
    QTest::keyClick(fromFile, Qt::Key_Return);
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 4);

    w.dialogs.answerChoice(0);
    w.dialogs.answerSave(w.file("back.pcg"));
    w.action(names::kGiveBackPcg)->trigger();
    ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();
    ASSERT_EQ(w.dialogs.asked.size(), 1u);
    EXPECT_TRUE(w.dialogs.asked[0].buttons.value(0).startsWith(
        "band.pcg    " + QString::fromStdString(w.dir.path()) + "    "));
    EXPECT_TRUE(w.dialogs.folders.back().endsWith("/band.pcg")) << "offered under its name";
    EXPECT_TRUE(readBytes(w.dir.file("back.pcg")) == readBytes(w.dir.file("band.pcg")));
}
