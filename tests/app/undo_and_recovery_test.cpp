// Nothing a user did is lost: undo and redo from the Edit menu and their shortcuts, recovery
// copies at Exit, and the Recover Database window.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>

#include "app/class_editor.h"
#include "db/database_file.h"
#include "db_builder.h"
#include "session/recovery.h"
#include "window_fixture.h"

using namespace pelvaro;
using namespace pelvaro::testing;

namespace {

std::array<std::vector<Byte>, db::kKindCount> workingFiles(const WindowFixture& w) {
    std::array<std::vector<Byte>, db::kKindCount> bytes;
    for (db::Kind kind : db::kAllKinds)
        bytes[static_cast<std::size_t>(kind)] = readBytes(w.form->session().files().pathOf(kind));
    return bytes;
}

std::array<std::vector<Byte>, db::kKindCount> membersOf(const std::string& database) {
    const auto paths = db::databasePaths(database.substr(0, database.size() - 4));
    std::array<std::vector<Byte>, db::kKindCount> bytes;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = readBytes(paths.members[i]);
    return bytes;
}

// The Edit menu as the user sees it when it opens.
QString caption(WindowFixture& w, const char* action) {
    w.find<QMenu>(names::kEditMenu)->aboutToShow();
    return w.action(action)->text();
}

}  // namespace

TEST(UndoRedo, TheEditMenuUndoesAndRedoesEveryKindOfCommandByItsName) {
    WindowFixture w;
    EXPECT_EQ(caption(w, names::kUndo), "&Undo");
    EXPECT_FALSE(w.action(names::kUndo)->isEnabled());
    EXPECT_FALSE(w.action(names::kRedo)->isEnabled());
    const QList<QAction*> edit = w.find<QMenu>(names::kEditMenu)->actions();
    ASSERT_GE(edit.size(), 4);
    EXPECT_EQ(edit[0]->objectName(), names::kUndo);
    EXPECT_EQ(edit[1]->objectName(), names::kRedo);
    EXPECT_TRUE(edit[2]->isSeparator());
    EXPECT_EQ(edit[3]->objectName(), names::kSendToPcg);
    EXPECT_EQ(w.action(names::kUndo)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(w.action(names::kRedo)->shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                   QKeySequence(Qt::CTRL | Qt::Key_Y)}));

    w.importPcg(bandPcg());
    EXPECT_EQ(caption(w, names::kUndo), "&Undo Import Pcg");
    const QStringList imported = w.lines(names::kPcgProgramsPage.list);
    w.press(Qt::Key_S, Qt::ControlModifier);
    const auto sent = workingFiles(w);
    EXPECT_EQ(caption(w, names::kUndo), "&Undo Send PCG to Database");
    ASSERT_EQ(w.rows(names::kProgramsPage.list).size(), 4);

    w.press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(w.rows(names::kProgramsPage.list).isEmpty());
    EXPECT_EQ(caption(w, names::kUndo), "&Undo Import Pcg");
    EXPECT_EQ(caption(w, names::kRedo), "&Redo Send PCG to Database");
    w.press(Qt::Key_Z, Qt::ControlModifier);
    for (const QString& line : w.lines(names::kPcgProgramsPage.list))
        EXPECT_TRUE(line.endsWith("----------")) << line.toStdString();
    EXPECT_TRUE(w.form->session().pcg().pcgFileName.empty());

    w.press(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(w.lines(names::kPcgProgramsPage.list), imported);
    w.press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(workingFiles(w), sent);
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 4);
    EXPECT_FALSE(w.action(names::kRedo)->isEnabled());

    // Delete, then undo it: the entry and its number come back (the last entry, which moved
    // into the freed number, goes back to its own).
    w.showPage(kDatabasePrograms);
    w.clickRow(names::kProgramsPage.list, 1);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 3);
    EXPECT_EQ(caption(w, names::kUndo), "&Undo Delete");
    w.action(names::kUndo)->trigger();
    EXPECT_EQ(workingFiles(w), sent);

    // A class added in the class editor is a command as well.
    app::ClassEditor* editor = w.form->classEditor();
    WindowFixture::whileModal(editor, [&] {
        editor->findChild<QLineEdit*>(names::classEditor::kClassName)->setText("Keys");
        editor->findChild<QComboBox*>(names::classEditor::kParent)->setCurrentIndex(0);
        editor->addClicked();
    });
    w.action(names::kEditDatabaseClasses)->trigger();
    EXPECT_EQ(caption(w, names::kUndo), "&Undo Add Class");
    w.action(names::kUndo)->trigger();
    EXPECT_EQ(workingFiles(w), sent);

    // New Database ends the history.
    w.action(names::kNewDatabase)->trigger();
    EXPECT_FALSE(w.action(names::kUndo)->isEnabled());
    EXPECT_FALSE(w.action(names::kRedo)->isEnabled());
}

TEST(Recovery, ExitAfterAChangeLeavesACopyOfTheWorkingFilesAndAfterAnExportNone) {
    std::array<std::vector<Byte>, db::kKindCount> atExit;
    std::string recovery;
    {
        WindowFixture w;
        recovery = w.recovery.path();
        w.importPcg(bandPcg());
        w.press(Qt::Key_S, Qt::ControlModifier);
        atExit = workingFiles(w);
        w.action(names::kExit)->trigger();
        w.form.reset();
        const auto copies = session::recoveryCopies(recovery);
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(membersOf(copies[0].database), atExit);
        EXPECT_EQ(copies[0].ranIn, w.dir.path());
        EXPECT_EQ(copies[0].programs, 4);
    }
    {
        WindowFixture w;
        w.importPcg(bandPcg());
        w.press(Qt::Key_S, Qt::ControlModifier);
        w.dialogs.answerSave(w.file("bank"));
        w.action(names::kExportDatabase)->trigger();
        w.action(names::kExit)->trigger();
        w.form.reset();
        EXPECT_TRUE(session::recoveryCopies(w.recovery.path()).empty());
    }
}

TEST(Recovery, TheRecoverWindowSaysWhatEachCopyKeepsAsksBeforeDeletingAndOpensDatabaseOrPcg) {
    WindowFixture w;
    const std::string folder = w.recovery.path();
    TestDatabase big;
    for (int i = 0; i < 1234; ++i)
        big.addProgram("P" + std::to_string(i));
    session::saveRecoveryCopy(big.files(), folder, "/music/bank.pvd");
    TestDatabase small;
    small.addProgram("ONE");
    session::saveRecoveryCopy(small.files(), folder);
    const PcgBuilder band = bandPcg();
    session::saveRecoveryCopy(
        {.pcg = &band.image(), .pcgFileName = "/music/band.pcg", .ranIn = {}, .cameFrom = {}},
        folder);
    const auto copies = session::recoveryCopies(folder);

    const auto inRecovery = [&](std::function<void(QDialog*, QTreeWidget*)> inside) {
        QTimer::singleShot(0, w.form.get(), [&w, inside] {
            auto* dialog = w.form->findChild<QDialog*>(names::recovery::kWindow);
            ASSERT_TRUE(dialog);
            inside(dialog, dialog->findChild<QTreeWidget*>(names::recovery::kList));
            if (dialog->isVisible()) dialog->close();
        });
        w.action(names::kRecoverDatabase)->trigger();
    };
    const auto click = [](QDialog* dialog, const char* button) {
        dialog->findChild<QPushButton*>(button)->click();
    };
    inRecovery([&](QDialog* dialog, QTreeWidget* list) {
        ASSERT_EQ(list->topLevelItemCount(), 3);
        QStringList shown;  // saved, database, programs, combinations, classes, PCG
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 6; ++c)
                shown << list->topLevelItem(r)->text(c);
        EXPECT_EQ(shown, (QStringList{QString::fromStdString(copies[0].savedAt), "", "", "", "",
                                      "band.pcg", QString::fromStdString(copies[1].savedAt),
                                      "a new database", "1", "0", "0", "",
                                      QString::fromStdString(copies[2].savedAt), "bank.pvd",
                                      "1,234", "0", "0", ""}));
        EXPECT_TRUE(list->topLevelItem(2)->text(6).endsWith(" KB"));
        EXPECT_TRUE(
            dialog->findChild<QLabel*>(names::recovery::kTotal)->text().startsWith("3 copies, "));
        // Delete asks, naming the copy; the one after it is chosen then.
        list->setCurrentItem(list->topLevelItem(1));
        w.dialogs.answerQuestion(1);
        click(dialog, names::recovery::kDelete);
        EXPECT_EQ(list->topLevelItemCount(), 3) << "cancelled";
        EXPECT_TRUE(w.dialogs.asked.back().text.startsWith(
            "Delete the recovery copy of a new database saved " +
            QString::fromStdString(copies[1].savedAt)));
        w.dialogs.answerQuestion(0);
        click(dialog, names::recovery::kDelete);
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->currentItem()->text(1), "bank.pvd");
        click(dialog, names::recovery::kOpen);
    });
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 1234);
    EXPECT_EQ(w.form->session().databasePath(), "/music/bank.pvd");
    w.action(names::kExportDatabase)->trigger();
    EXPECT_EQ(w.dialogs.folders.back(), "/music/bank.pvd") << "Export offers its own name";

    // The last row deleted, the one before it is chosen: here the PCG kept alone, which opens
    // as the PCG under its own name.
    inRecovery([&](QDialog* dialog, QTreeWidget* list) {
        list->setCurrentItem(list->topLevelItem(1));
        w.dialogs.answerQuestion(0);
        click(dialog, names::recovery::kDelete);
        ASSERT_EQ(list->topLevelItemCount(), 1);
        EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
        click(dialog, names::recovery::kOpen);
    });
    EXPECT_EQ(w.form->session().pcg().image, band.image());
    EXPECT_EQ(w.form->session().pcg().pcgFileName, "/music/band.pcg");
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 1234) << "the database stays";
}
