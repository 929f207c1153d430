// The windows the menus open beside the main window: Arrange Pcg fed by drags from a database
// list and by "Send To PCG at...", its changes shown on the PCG tabs at once; Classify by Rules
// and Replace in Names, Find Similar and Find Near Duplicates on the database tabs.
#include <gtest/gtest.h>

#include <QDragEnterEvent>
#include <QMimeData>
#include <QRadioButton>

#include "app/arrange_window.h"
#include "app/classify_rules_window.h"
#include "app/near_duplicates_window.h"
#include "app/replace_names_window.h"
#include "app/similar_window.h"
#include "app/slot_list.h"
#include "window_fixture.h"

using namespace pelvaro;
using namespace pelvaro::testing;

TEST(MenuWindows, ArrangeTakesEntriesDraggedFromADatabaseListAndSendToPcgAt) {
    WindowFixture w;
    w.importPcg(bandPcg());
    w.press(Qt::Key_S, Qt::ControlModifier);
    w.press(Qt::Key_N, Qt::ControlModifier);  // an empty PCG to arrange
    w.press(Qt::Key_R, Qt::ControlModifier);
    app::ArrangeWindow* arrange = w.form->arrangeWindow();
    ASSERT_TRUE(arrange->isVisible());

    // Programs 1 and 2 dragged from the database list onto slot A10 of the arrange window.
    w.activate();
    w.clickRow(names::kProgramsPage.list, 0);
    w.clickRow(names::kProgramsPage.list, 1, Qt::ControlModifier);
    auto* rows = w.find<QTableView>(names::kProgramsPage.list);
    const std::unique_ptr<QMimeData> dragged(
        rows->model()->mimeData(rows->selectionModel()->selectedIndexes()));
    EXPECT_EQ(dragged->data(app::kEntriesMimeType), "programs 1,2");
    auto* bankA = arrange->findChild<app::SlotList*>(names::arrange::kProgramsA);
    const QPoint at = bankA->visualRect(bankA->model()->index(10, 0)).center();
    QDragEnterEvent enter(at, Qt::CopyAction, dragged.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(bankA->viewport(), &enter);
    QDropEvent drop(at, Qt::CopyAction, dragged.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(bankA->viewport(), &drop);
    EXPECT_EQ(w.lines(names::kPcgProgramsPage.list).mid(10, 2),
              (QStringList{"A10    PIANO 1", "A11    GrandPiano"}));
    EXPECT_EQ(w.action(names::kUndo)->text(), "&Undo Place 2 Programs");

    // The organ by name of its slot.
    w.activate();
    w.clickRow(names::kProgramsPage.list, 3);
    w.dialogs.answerText("b07");
    w.action(names::kSendToPcgAt)->trigger();
    w.showPage(kPcgPrograms);
    QTest::mouseClick(w.find<QRadioButton>(names::kPcgProgramsPage.bankB), Qt::LeftButton);
    w.showPage(kDatabasePrograms);
    EXPECT_EQ(w.lines(names::kPcgProgramsPage.list).value(7), "B07    ORGAN");
    w.dialogs.answerText("C01");
    w.action(names::kSendToPcgAt)->trigger();
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].text, "C01 is no slot: A00 to A99 or B00 to B99.");
}

TEST(MenuWindows, TheOrganisingWindowsOpenOnTheDatabaseTabs) {
    WindowFixture w;
    w.importPcg(bandPcg());
    w.press(Qt::Key_S, Qt::ControlModifier);
    w.showPage(kPcgPrograms);
    w.form->updateEditMenu();
    EXPECT_FALSE(w.action(names::kClassifyByRules)->isEnabled());
    w.showPage(kDatabasePrograms);
    w.clickRow(names::kProgramsPage.list, 0);
    w.form->updateEditMenu();
    ASSERT_TRUE(w.action(names::kReplaceInNames)->isEnabled());
    QString titles;
    for (const auto& [action, window] :
         {std::pair{names::kClassifyByRules, app::names::rules::kWindow},
          std::pair{names::kReplaceInNames, app::names::replaceNames::kWindow}}) {
        QTimer::singleShot(0, w.form.get(), [&, window] {
            QWidget* open = w.form->findChild<QWidget*>(QLatin1String(window));
            titles += open ? open->windowTitle() + ";" : QStringLiteral("none;");
            if (open) open->close();
        });
        w.action(action)->trigger();
    }
    EXPECT_EQ(titles, "Classify by Rules;Replace in Names;");

    // The finders stay open beside the main window.
    w.action(names::kFindSimilar)->trigger();
    w.action(names::kFindNearDuplicates)->trigger();
    for (const char* window : {app::names::similar::kWindow, app::names::nearDuplicates::kWindow}) {
        auto* open = w.form->findChild<QWidget*>(QLatin1String(window));
        ASSERT_TRUE(open && open->isVisible()) << window;
        open->close();
    }
}
