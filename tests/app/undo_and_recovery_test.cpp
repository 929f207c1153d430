// Nothing a user did is lost: undo and redo from the Edit menu and their shortcuts, recovery
// copies at Exit, and the Recover Database window.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>

#include "app/class_editor.h"
#include "db/database_file.h"
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

TEST(Recovery, TheRecoverWindowListsTheCopiesNewestFirstOpensOneAndDeletesOne) {
    WindowFixture w;
    w.importPcg(bandPcg());
    w.press(Qt::Key_S, Qt::ControlModifier);
    const auto first = workingFiles(w);
    w.action(names::kNewDatabase)->trigger();  // kept as a copy
    w.showPage(kPcgPrograms);
    w.clickRow(names::kPcgProgramsPage.list, 0);
    w.press(Qt::Key_Insert);                   // one program
    w.action(names::kNewDatabase)->trigger();  // kept as a newer copy
    ASSERT_TRUE(w.rows(names::kProgramsPage.list).isEmpty());
    ASSERT_EQ(session::recoveryCopies(w.recovery.path()).size(), 2u);

    const auto inRecovery = [&](std::function<void(QDialog*)> inside) {
        QTimer::singleShot(0, w.form.get(), [&w, inside] {
            auto* dialog = w.form->findChild<QDialog*>(names::recovery::kWindow);
            ASSERT_TRUE(dialog);
            inside(dialog);
            if (dialog->isVisible()) dialog->close();
        });
        w.action(names::kRecoverDatabase)->trigger();
    };
    // Listed newest first, with what each holds; Delete removes the newest.
    inRecovery([](QDialog* dialog) {
        auto* list = dialog->findChild<QTreeWidget*>(names::recovery::kList);
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->topLevelItem(0)->text(2), "1");
        EXPECT_EQ(list->topLevelItem(1)->text(2), "4");
        EXPECT_EQ(list->topLevelItem(1)->text(3), "2");
        list->setCurrentItem(list->topLevelItem(0));
        dialog->findChild<QPushButton*>(names::recovery::kDelete)->click();
        EXPECT_EQ(list->topLevelItemCount(), 1);
    });
    EXPECT_EQ(session::recoveryCopies(w.recovery.path()).size(), 1u);
    // Open brings the older one back, as Open Database would.
    inRecovery(
        [](QDialog* dialog) { dialog->findChild<QPushButton*>(names::recovery::kOpen)->click(); });
    EXPECT_EQ(workingFiles(w), first);
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 4);
}
