// Find Similar and Find Near Duplicates: the windows show what the session finds, compare a pair
// through the main window's callback, preview a merge and carry it out as one undo step, and
// follow the changes made in the main window while they are open.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include "app/control_names.h"
#include "app/database_watch.h"
#include "app/near_duplicates_window.h"
#include "app/replace_names_window.h"
#include "app/similar_window.h"
#include "db_builder.h"
#include "scripted_dialogs.h"
#include "window_fixture.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using app::NearDuplicatesWindow;
using app::SimilarWindow;
using db::Kind;
namespace names = app::names;

namespace {

// PIANO 1 and a chain of two near copies (byte 57 changed, then byte 58), the first played by a
// combination;
// two different organs of one name.
struct Collection {
    TestDatabase db;
    app::DatabaseWatch watch{db.files()};
    ScriptedDialogs dialogs;
    std::vector<std::tuple<Kind, std::int32_t, std::int32_t>> compared;
    Collection() {
        db.addProgram("PIANO 1", {.voice = 1});
        for (const auto& [name, at] : {std::pair{"PIANO 2", 57}, std::pair{"PIANO 3", 58}}) {
            auto copy = db.program(db.files().count(Kind::Program));
            putFieldText(Bytes(copy.bytes).first(10), name);
            copy.bytes[static_cast<std::size_t>(at)] ^= 1;
            db.files().append(copy);
        }
        db.addProgram("ORGAN", {.voice = 2});
        db.addProgram("ORGAN", {.voice = 3});
        db.addCombination("SPLIT", {plays(0)}, {.timbreProgramIds = {2}});
    }
    auto comparePair() {
        return [this](Kind kind, std::int32_t a, std::int32_t b) {
            compared.emplace_back(kind, a, b);
        };
    }
};

QStringList row(const QTreeWidget* list, int r) {
    QStringList cells;
    for (int c = 0; c < list->columnCount(); ++c)
        cells << list->topLevelItem(r)->text(c);
    return cells;
}

// A double click on row r, as a user makes it: a click, then the double click.
void doubleClick(QTreeWidget* list, int r) {
    const QPoint at = list->visualItemRect(list->topLevelItem(r)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// Every control the user can reach has an object name and a name a screen reader says.
void expectEveryControlNamed(const QWidget* window) {
    // The parts Qt builds inside a spin box, a combo box or a tab bar are named by their owner.
    const auto inside = [](const QWidget* w) {
        for (const QWidget* p = w->parentWidget(); p != nullptr; p = p->parentWidget())
            if (qobject_cast<const QAbstractSpinBox*>(p) || qobject_cast<const QComboBox*>(p) ||
                qobject_cast<const QTabBar*>(p))
                return true;
        return false;
    };
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        if (w->focusPolicy() == Qt::NoFocus || w->objectName().startsWith(QLatin1String("qt_")) ||
            inside(w))
            continue;
        EXPECT_FALSE(w->objectName().isEmpty()) << w->metaObject()->className();
        const auto* button = qobject_cast<const QAbstractButton*>(w);
        EXPECT_FALSE((button ? button->text() : w->accessibleName()).isEmpty())
            << w->objectName().toStdString();
    }
}

}  // namespace

TEST(OrganiseWindows, FindSimilarListsTheNearestAndComparesTheChosenPair) {
    Collection c;
    auto* window =
        new SimilarWindow(c.db.session(), c.watch, c.dialogs, Kind::Program, 3, c.comparePair());
    window->show();
    auto* list = window->findChild<QTreeWidget*>(names::similar::kList);
    EXPECT_EQ(window->findChild<QLabel*>(names::similar::kHeading)->text(),
              "Nearest to program 3 PIANO 3");
    ASSERT_EQ(list->topLevelItemCount(), 4);
    EXPECT_EQ(row(list, 0), (QStringList{"1", "2", "PIANO 2", "byte 58"}));
    EXPECT_EQ(row(list, 1), (QStringList{"2", "1", "PIANO 1", "byte 57, byte 58"}));

    window->findChild<QSpinBox*>(names::similar::kShown)->setValue(1);
    EXPECT_EQ(list->topLevelItemCount(), 1);
    doubleClick(list, 0);
    EXPECT_EQ(c.compared, (decltype(c.compared){{Kind::Program, 3, 2}}));
    expectEveryControlNamed(window);
    delete window;
}

TEST(OrganiseWindows, NearDuplicatesPreviewsTheMergeAndMergesAsOneUndoStep) {
    Collection c;
    session::Session& s = c.db.session();
    const DatabaseSnapshot before(c.db);
    std::vector<std::string> summaries;
    auto* window = new NearDuplicatesWindow(
        s, c.watch, c.dialogs, Kind::Program,
        {.comparePair = c.comparePair(),
         .merged = [&](const session::MergeResult& r) { summaries.push_back(r.summary); }});
    window->show();
    const auto text = [&](const char* name) { return window->findChild<QLabel*>(name)->text(); };
    auto* groups = window->findChild<QTableView*>(names::nearDuplicates::kGroups);
    auto* keep = window->findChild<QComboBox*>(names::nearDuplicates::kKeep);
    auto* preview = window->findChild<QPlainTextEdit*>(names::nearDuplicates::kPreview);
    auto* members = window->findChild<QTreeWidget*>(names::nearDuplicates::kMembers);
    auto* merge = window->findChild<QPushButton*>(names::nearDuplicates::kMerge);
    const auto previewOf = [&](std::int32_t kept) {
        QStringList lines;
        for (const std::string& line :
             session::previewMerge(s, Kind::Program, {1, 2, 3}, kept).lines)
            lines << QString::fromStdString(line);
        return lines.join('\n');
    };

    EXPECT_EQ(text(names::nearDuplicates::kFound),
              "1 group of near duplicates (3 programs), 1 group of one name");
    ASSERT_EQ(groups->model()->rowCount(), 1);
    EXPECT_EQ(groups->model()->index(0, 3).data().toString(), "PIANO 1");
    EXPECT_EQ(keep->currentText(), "1 PIANO 1") << "the lowest ID is kept unless chosen";
    EXPECT_EQ(row(members, 2), (QStringList{"3", "PIANO 3", "2", "byte 57, byte 58"}));
    EXPECT_EQ(preview->toPlainText(), previewOf(1));
    keep->setCurrentIndex(2);
    EXPECT_EQ(row(members, 0), (QStringList{"1", "PIANO 1", "2", "byte 57, byte 58"}));
    EXPECT_EQ(preview->toPlainText(), previewOf(3));
    doubleClick(members, 1);
    EXPECT_EQ(c.compared, (decltype(c.compared){{Kind::Program, 3, 2}}));
    expectEveryControlNamed(window);

    QTest::mouseClick(merge, Qt::LeftButton);
    ASSERT_EQ(summaries.size(), 1u);
    EXPECT_EQ(text(names::nearDuplicates::kResult), QString::fromStdString(summaries[0]));
    EXPECT_EQ(s.undoLog().undoName(), "Merge 2 Programs");
    EXPECT_EQ(s.files().count(Kind::Program), 3);
    EXPECT_EQ(text(names::nearDuplicates::kFound),
              "0 groups of near duplicates (0 programs), 1 group of one name")
        << "the groups are found again";
    EXPECT_FALSE(merge->isEnabled());

    // The other page: different sounds of one name are listed, never merged.
    window->findChild<QTabWidget*>(names::nearDuplicates::kPages)->setCurrentIndex(1);
    EXPECT_EQ(keep->count(), 2);
    EXPECT_EQ(members->topLevelItemCount(), 2);
    EXPECT_TRUE(preview->toPlainText().isEmpty());
    EXPECT_FALSE(merge->isEnabled());
    delete window;

    s.undoLog().undo();
    EXPECT_EQ(DatabaseSnapshot(c.db), before);
    EXPECT_TRUE(c.dialogs.messages.empty());
}

namespace {

// Two near pianos, two organs of one name and a pad, sent from a PCG into the database (IDs 1-5).
struct Organised : WindowFixture {
    Organised() {
        PcgBuilder b;
        b.program(0, "PIANO 1", {.osc1 = 10})
            .program(1, "PIANO 2", {.osc1 = 11})
            .program(2, "ORGAN", {.voice = 2})
            .program(3, "ORGAN", {.voice = 3})
            .program(4, "PAD", {.voice = 4});
        importPcg(b);
        press(Qt::Key_S, Qt::ControlModifier);
    }
    // A command of the main window, then what the event loop tells the other windows.
    void command(int key, Qt::KeyboardModifiers modifiers) {
        press(key, modifiers);
        QCoreApplication::processEvents();
    }
    void deleteProgram(int row) {
        clickRow(names::kProgramsPage.list, row);
        command(Qt::Key_Delete, Qt::ControlModifier);
    }
};

// "2 PIANO 2" for each row of the Find Similar list, by ID.
QStringList similarRows(const QWidget* window) {
    QStringList rows;
    auto* list = in<QTreeWidget>(window, names::similar::kList);
    for (int r = 0; r < list->topLevelItemCount(); ++r)
        rows << list->topLevelItem(r)->text(1) + ' ' + list->topLevelItem(r)->text(2);
    rows.sort();
    return rows;
}

}  // namespace

TEST(OrganiseWindows, FindSimilarFollowsTheChangesOfTheMainWindow) {
    Organised w;
    w.clickRow(names::kProgramsPage.list, 0);
    w.action(names::kFindSimilar)->trigger();
    auto* window = w.form->findChild<SimilarWindow*>();
    ASSERT_NE(window, nullptr);
    auto* note = in<QLabel>(window, names::similar::kOutOfDate);
    EXPECT_EQ(similarRows(window), (QStringList{"2 PIANO 2", "3 ORGAN", "4 ORGAN", "5 PAD"}));
    // Another entry deleted (the pad takes its number), undone, redone: the list follows.
    w.deleteProgram(1);
    EXPECT_EQ(similarRows(window), (QStringList{"2 PAD", "3 ORGAN", "4 ORGAN"}));
    w.command(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(similarRows(window)[0], "2 PIANO 2");
    w.command(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(similarRows(window)[0], "2 PAD");
    EXPECT_FALSE(note->isVisibleTo(window));
    // The chosen entry deleted: the list goes, a note says why; Undo brings both back.
    w.deleteProgram(0);
    EXPECT_TRUE(similarRows(window).isEmpty());
    EXPECT_TRUE(note->isVisibleTo(window));
    EXPECT_EQ(note->text(),
              "Program 1 PIANO 1 has been changed or deleted since the list was found.");
    w.command(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(note->isVisibleTo(window));
    EXPECT_EQ(similarRows(window).size(), 3);
    // New Database: nothing is left to look at, and Refresh has no entry to look for.
    w.form->newDatabase();
    QCoreApplication::processEvents();
    EXPECT_TRUE(note->isVisibleTo(window));
    EXPECT_FALSE(in<QPushButton>(window, names::similar::kRefresh)->isEnabled());
}

TEST(OrganiseWindows, NearDuplicatesGoOutOfDateAndActOnTheGroupsOfOneName) {
    Organised w;
    w.action(names::kFindNearDuplicates)->trigger();
    auto* window = w.form->findChild<NearDuplicatesWindow*>();
    ASSERT_NE(window, nullptr);
    namespace nd = names::nearDuplicates;
    auto* note = in<QLabel>(window, nd::kOutOfDate);
    auto* merge = in<QPushButton>(window, nd::kMerge);
    const auto found = [&] { return in<QLabel>(window, nd::kFound)->text(); };
    EXPECT_EQ(found(), "1 group of near duplicates (2 programs), 1 group of one name");
    // Changes made elsewhere leave the groups in sight, out of date, until Refresh.
    w.deleteProgram(4);
    EXPECT_TRUE(note->isVisibleTo(window));
    EXPECT_FALSE(merge->isEnabled());
    EXPECT_FALSE(in<QTableView>(window, nd::kGroups)->isEnabled());
    QTest::mouseClick(in<QPushButton>(window, nd::kRefresh), Qt::LeftButton);
    EXPECT_FALSE(note->isVisibleTo(window));
    w.command(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(note->isVisibleTo(window));
    QTest::mouseClick(in<QPushButton>(window, nd::kRefresh), Qt::LeftButton);
    // Its own merge finds the groups again at once.
    QTest::mouseClick(merge, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_FALSE(note->isVisibleTo(window));
    EXPECT_EQ(found(), "0 groups of near duplicates (0 programs), 1 group of one name");

    in<QTabWidget>(window, nd::kPages)->setCurrentIndex(1);
    QTest::mouseClick(in<QPushButton>(window, nd::kShowInList), Qt::LeftButton);
    EXPECT_EQ(w.find<QTabWidget>(names::kPages)->currentIndex(), kDatabasePrograms);
    auto* list = w.find<QTableView>(names::kProgramsPage.list);
    QStringList chosen;
    for (const QModelIndex& row : list->selectionModel()->selectedRows())
        chosen << row.data().toString().simplified();
    EXPECT_EQ(chosen.size(), 2);
    EXPECT_TRUE(chosen.filter("ORGAN").size() == 2) << chosen.join(", ").toStdString();

    QTimer::singleShot(0, [&] {
        auto* replace = qobject_cast<app::ReplaceNamesWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(replace, nullptr);
        EXPECT_TRUE(in<QRadioButton>(replace, names::replaceNames::kNumberMode)->isChecked());
        const QAbstractItemModel* changes =
            in<QTableView>(replace, names::replaceNames::kChanges)->model();
        ASSERT_EQ(changes->rowCount(), 2);
        EXPECT_EQ(changes->index(1, 2).data().toString(), "ORGAN 02");
        replace->close();
    });
    QTest::mouseClick(in<QPushButton>(window, nd::kNumberNames), Qt::LeftButton);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// Names as the records hold them (single-byte text) show as they are wherever a command's result
// names them: a merge's status line and event lines, Replace in Names' preview and the list
// after it, the question before Delete empties a played program on a PCG tab.
TEST(OrganiseWindows, StoredNamesShowAsTheyAreWhereverAResultNamesThem) {
    WindowFixture w;
    PcgBuilder b;
    b.program(0, "\xc9LAN 1", {.osc1 = 10})
        .program(1, "\xc9LAN 2", {.osc1 = 11})
        .combination(0, "S\xd6LO", {plays(1)});
    w.importPcg(b);
    w.press(Qt::Key_S, Qt::ControlModifier);

    w.action(names::kFindNearDuplicates)->trigger();
    auto* window = w.form->findChild<NearDuplicatesWindow*>();
    ASSERT_NE(window, nullptr);
    QTest::mouseClick(in<QPushButton>(window, names::nearDuplicates::kMerge), Qt::LeftButton);
    EXPECT_EQ(w.find<QLabel>(names::kStatusResult)->toolTip(),
              QString("Merged 1 program into program 1 \u00c9LAN 1: 1 combination now plays it "
                      "(1 timbre with a sound that differs)"));
    EXPECT_EQ(w.lines(names::kEventList),
              QStringList{"Merged program 2 \u00c9LAN 2 into program 1 \u00c9LAN 1."});
    window->close();

    w.clickRow(names::kProgramsPage.list, 0);
    QTimer::singleShot(0, [] {
        auto* replace = qobject_cast<app::ReplaceNamesWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(replace, nullptr);
        in<QLineEdit>(replace, names::replaceNames::kFind)->setText("\u00c9LAN");
        in<QLineEdit>(replace, names::replaceNames::kReplacement)->setText("\u00d1U");
        const QAbstractItemModel* changes =
            in<QTableView>(replace, names::replaceNames::kChanges)->model();
        EXPECT_EQ(changes->index(0, 2).data().toString(), "\u00d1U 1");
        QTest::mouseClick(in<QPushButton>(replace, names::replaceNames::kApply), Qt::LeftButton);
        replace->close();
    });
    w.action(names::kReplaceInNames)->trigger();
    EXPECT_TRUE(w.rows(names::kProgramsPage.list).join('\n').contains("\u00d1U 1"));

    w.showPage(kPcgPrograms);
    w.find<QListWidget>(names::kPcgProgramsPage.list)->setCurrentRow(1);
    w.dialogs.answerQuestion(1);  // Cancel
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_FALSE(w.dialogs.asked.empty());
    EXPECT_TRUE(w.dialogs.asked.back().text.contains("A01 \u00c9LAN 2"))
        << w.dialogs.asked.back().text.toStdString();
    EXPECT_TRUE(w.dialogs.asked.back().text.contains("S\u00d6LO"));
}
