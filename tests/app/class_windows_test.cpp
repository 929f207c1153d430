// The class editor and the class assignment dialog, driven from the main window.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "app/class_assignment_dialog.h"
#include "app/class_editor.h"
#include "window_fixture.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;

namespace {

QStringList texts(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// "name" for a top-level node, "parent/child" below it, in tree order.
QStringList treeLines(const QTreeWidget* tree) {
    QStringList out;
    std::function<void(const QTreeWidgetItem*, const QString&)> walk =
        [&](const QTreeWidgetItem* item, const QString& prefix) {
            const QString line = prefix + item->text(0);
            out << line;
            EXPECT_TRUE(item->childCount() == 0 || item->isExpanded()) << line.toStdString();
            for (int i = 0; i < item->childCount(); ++i)
                walk(item->child(i), line + "/");
        };
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        walk(tree->topLevelItem(i), "");
    return out;
}

QTreeWidgetItem* node(QTreeWidget* tree, const QString& name) {
    const auto found = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

struct ClassFixture : WindowFixture {
    QWidget* editor() { return form->classEditor(); }
    QWidget* dialog() { return form->classAssignmentDialog(); }

    // Opens the class editor, runs `inside`, closes it with the close box.
    void withEditor(const std::function<void()>& inside) {
        whileModal(editor(), inside);
        action(names::kEditDatabaseClasses)->trigger();
    }
    void typeClass(const QString& name, int parentIndex) {
        auto* edit = in<QLineEdit>(editor(), names::classEditor::kClassName);
        edit->clear();
        QTest::keyClicks(edit, name);
        in<QComboBox>(editor(), names::classEditor::kParent)->setCurrentIndex(parentIndex);
    }
    void addClass(const QString& name, int parentIndex) {
        typeClass(name, parentIndex);
        QTest::mouseClick(in<QPushButton>(editor(), names::classEditor::kAdd), Qt::LeftButton);
    }
    // Opens the class assignment dialog with "Edit Classes" of the active tab.
    void withDialog(const std::function<void()>& inside) {
        whileModal(dialog(), inside);
        const bool programs = find<QTabWidget>(names::kPages)->currentIndex() == 0;
        if (!find<QCheckBox>(programs ? names::kProgramsPage.editEnabled
                                      : names::kCombinationsPage.editEnabled)
                 ->isChecked())
            click(programs ? names::kProgramsPage.editEnabled
                           : names::kCombinationsPage.editEnabled);
        click(programs ? names::kProgramsPage.editClasses : names::kCombinationsPage.editClasses);
    }
    void chooseAndPress(const char* list, int row, const char* button) {
        auto* l = in<QListWidget>(dialog(), list);
        l->setCurrentRow(row);
        QTest::mouseClick(in<QPushButton>(dialog(), button), Qt::LeftButton);
    }
    QStringList selectedLines() {
        return texts(in<QListWidget>(dialog(), names::classDialog::kSelected));
    }
    void ok() {
        QTest::mouseClick(in<QPushButton>(dialog(), names::classDialog::kOk), Qt::LeftButton);
    }

    // Program entries with the given classes, straight into the open database.
    void programsWithClasses(const std::vector<std::vector<int>>& classes) {
        auto& files = form->session().files();
        unsigned voice = 1;
        for (const auto& ids : classes) {
            db::DbProgramEntry e;
            std::ranges::copy(makeProgram("P" + std::to_string(voice), {.voice = voice}),
                              e.bytes.begin());
            for (std::size_t s = 0; s < ids.size(); ++s)
                e.setClassId(static_cast<int>(s), ids[s]);
            files.append(e);
            ++voice;
        }
    }
    void classesNamed(const std::vector<std::pair<std::string, int>>& classes) {
        for (const auto& [name, parent] : classes) {
            db::ClassEntry c;
            c.setName(name);
            c.setParentId(parent);
            form->session().files().append(c);
        }
    }
    // The Search button of the programs tab, which refills the lists.
    void search() { click(names::kProgramsPage.searchButton); }
};

}  // namespace

TEST(ClassEditor, AddsClassesUnderTheirParentsAndTheMainWindowFollows) {
    ClassFixture w;
    w.withEditor([&] {
        auto* tree = in<QTreeWidget>(w.editor(), names::classEditor::kTree);
        auto* combo = in<QComboBox>(w.editor(), names::classEditor::kParent);
        auto* add = in<QPushButton>(w.editor(), names::classEditor::kAdd);
        EXPECT_EQ(w.editor()->windowTitle(), "Edit Classes");
        EXPECT_EQ(treeLines(tree), QStringList({"No Class"}));
        EXPECT_EQ(combo->count(), 1);
        EXPECT_EQ(combo->itemText(0), "No Parent Class");
        EXPECT_EQ(combo->currentIndex(), -1);
        EXPECT_FALSE(add->isEnabled());
        EXPECT_FALSE(in<QPushButton>(w.editor(), names::classEditor::kImport)->isEnabled());
        EXPECT_FALSE(in<QPushButton>(w.editor(), names::classEditor::kSave)->isEnabled());
        EXPECT_EQ(in<QLabel>(w.editor(), names::classEditor::kNameLabel)->text(), "Class Name:");
        EXPECT_EQ(in<QLabel>(w.editor(), names::classEditor::kParentLabel)->text(),
                  "Parent Class:");

        w.typeClass("   ", 0);
        EXPECT_FALSE(add->isEnabled()) << "a name of blanks";
        w.typeClass("X", -1);
        EXPECT_FALSE(add->isEnabled()) << "no parent chosen";
        w.addClass("X", 0);
        EXPECT_TRUE(in<QLineEdit>(w.editor(), names::classEditor::kClassName)->text().isEmpty());
        EXPECT_EQ(combo->currentIndex(), -1);
        EXPECT_FALSE(add->isEnabled());
        w.addClass("Y", 1);
        w.addClass("A name of twenty-five ch", 0);
        EXPECT_EQ(treeLines(tree), QStringList({"No Class", "X", "X/Y", "A name of twenty-fi"}));
        EXPECT_EQ(combo->count(), 4);
        EXPECT_EQ(combo->itemText(2), "Y");
        in<QLineEdit>(w.editor(), names::classEditor::kClassName)->setText("kept");
    });
    EXPECT_FALSE(w.editor()->isVisible());
    const auto* choices = w.find<QComboBox>(names::kProgramsPage.classSearch);
    QStringList items;
    for (int i = 0; i < choices->count(); ++i)
        items << choices->itemText(i);
    EXPECT_EQ(items, QStringList({" ", "No Class", "X", "Y", "A name of twenty-fi"}));
    EXPECT_EQ(w.form->session().files().read<db::ClassEntry>(2).parentId(), 1);

    // The name typed last is still there when the editor opens again.
    w.withEditor([&] {
        EXPECT_EQ(in<QLineEdit>(w.editor(), names::classEditor::kClassName)->text(), "kept");
    });
}

TEST(ClassEditor, DeletingRenumbersAndRefusesWhatIsInUse) {
    ClassFixture w;
    w.classesNamed({{"A", 0}, {"B", 0}, {"C", 0}});
    w.programsWithClasses({{3}, {2}});
    db::DbProgramEntry named = w.form->session().files().read<db::DbProgramEntry>(2);
    putFieldText(Bytes(named.bytes).first(pcg::kNameSize), "PAD CAF\xc9");  // Latin-1 É
    w.form->session().files().write(2, named);
    db::DbCombinationEntry combination;  // nameless
    combination.setClassId(0, 2);
    w.form->session().files().append(combination);
    w.search();
    w.click(names::kProgramsPage.editEnabled);
    EXPECT_EQ(w.lines(names::kProgramsPage.classes)[0], "C");

    w.withEditor([&] {
        auto* tree = in<QTreeWidget>(w.editor(), names::classEditor::kTree);
        // B is used by a program and by a combination: the core's two refusals, a message box
        // each, and nothing changes.
        tree->setCurrentItem(node(tree, "B"));
        QTest::mouseClick(in<QPushButton>(w.editor(), names::classEditor::kDelete), Qt::LeftButton);
        ASSERT_EQ(w.dialogs.messages.size(), 2u);
        EXPECT_EQ(w.dialogs.messages[0].caption, "Cannot Delete Program");
        // Under each fixed text, the entries that carry the class.
        EXPECT_EQ(w.dialogs.messages[0].text,
                  "This class is used by some Programs.You cannot delete it before deleting these "
                  "programs.\nUsed by program 2 PAD CAF\u00c9");
        EXPECT_EQ(w.dialogs.messages[1].text,
                  "This class is used by some Combinations.You cannot delete it before deleting "
                  "these combinations.\nUsed by combination 1");
        EXPECT_EQ(treeLines(tree), QStringList({"No Class", "A", "B", "C"}));

        // "No Class" deletes nothing.
        tree->setCurrentItem(tree->topLevelItem(0));
        QTest::mouseClick(in<QPushButton>(w.editor(), names::classEditor::kDelete), Qt::LeftButton);
        EXPECT_EQ(tree->topLevelItemCount(), 4);

        // Deleting class 1 of three moves the last class, C, into number 1.
        tree->setCurrentItem(node(tree, "A"));
        QTest::mouseClick(in<QPushButton>(w.editor(), names::classEditor::kDelete), Qt::LeftButton);
        EXPECT_EQ(treeLines(tree), QStringList({"No Class", "C", "B"}));
    });
    EXPECT_EQ(w.dialogs.messages.size(), 2u);
    EXPECT_EQ(w.lines(names::kProgramsPage.classes)[0], "C")
        << "the entry that carried class 3 now carries class 1, and its details show it";
}

TEST(ClassDialog, SingleModeAddsRemovesAndWritesTheSlots) {
    ClassFixture w;
    w.classesNamed({{"X", 0}, {"Y", 1}, {"Z", 2}, {"W", 0}});
    w.programsWithClasses({{}});
    w.search();
    w.withDialog([&] {
        EXPECT_EQ(w.dialog()->windowTitle(), "Edit Classes");
        EXPECT_EQ(texts(in<QListWidget>(w.dialog(), names::classDialog::kAvailable)),
                  QStringList({"X", "X->Y", "X->Y->Z", "W"}));
        EXPECT_EQ(w.selectedLines(), QStringList(10, " "));
        w.chooseAndPress(names::classDialog::kAvailable, 2, names::classDialog::kAdd);
        EXPECT_EQ(w.selectedLines(), QStringList({"1- X->Y->Z"}));
        w.chooseAndPress(names::classDialog::kAvailable, 2,
                         names::classDialog::kAdd);  // already there
        w.chooseAndPress(names::classDialog::kAvailable, 0, names::classDialog::kAdd);
        w.chooseAndPress(names::classDialog::kAvailable, 3, names::classDialog::kAdd);
        EXPECT_EQ(w.selectedLines(), QStringList({"1- X->Y->Z", "2- X", "3- W"}));
        w.chooseAndPress(names::classDialog::kSelected, 1, names::classDialog::kRemove);
        EXPECT_EQ(w.selectedLines(), QStringList({"1- X->Y->Z", "2- W"}));
        w.ok();
    });
    EXPECT_FALSE(w.dialog()->isVisible());
    const auto entry = w.form->session().files().read<db::DbProgramEntry>(1);
    EXPECT_EQ(entry.classId(0), 3);
    EXPECT_EQ(entry.classId(1), 4);
    EXPECT_EQ(entry.classId(2), 0);
    const QStringList rows = w.lines(names::kProgramsPage.classes);
    EXPECT_EQ(rows.mid(0, 3), QStringList({"X->Y->Z", "W", " "}));

    // The close box writes nothing, but the lists are refreshed all the same.
    w.find<QLineEdit>(names::kProgramsPage.nameSearch)->setText("nothing like it");
    w.search();
    EXPECT_TRUE(w.rows(names::kProgramsPage.list).isEmpty());
    w.find<QLineEdit>(names::kProgramsPage.nameSearch)->clear();
    w.search();
    w.withDialog(
        [&] { w.chooseAndPress(names::classDialog::kAvailable, 0, names::classDialog::kAdd); });
    EXPECT_EQ(w.form->session().files().read<db::DbProgramEntry>(1), entry);
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 1);
}

TEST(ClassDialog, SeveralModeAppendsNewClassesAfterEachEntrysOwn) {
    ClassFixture w;
    w.classesNamed({{"C1", 0}, {"C2", 0}, {"C3", 0}, {"C4", 0}, {"C5", 0}, {"C6", 0}, {"C7", 0}});
    w.programsWithClasses({{1, 2}, {1, 2, 3, 4, 5}});
    w.search();
    w.clickRow(names::kProgramsPage.list, 0);
    w.clickRow(names::kProgramsPage.list, 1, Qt::ControlModifier);
    w.withDialog([&] {
        EXPECT_EQ(w.selectedLines(), QStringList({"1- Unavaible", "2- Unavaible", "3- Unavaible",
                                                  "4- Unavaible", "5- Unavaible"}));
        w.chooseAndPress(names::classDialog::kSelected, 0,
                         names::classDialog::kRemove);  // a locked slot stays
        EXPECT_EQ(w.selectedLines().size(), 5);
        w.chooseAndPress(names::classDialog::kAvailable, 5, names::classDialog::kAdd);  // C6
        w.chooseAndPress(names::classDialog::kAvailable, 2,
                         names::classDialog::kAdd);  // C3, which the second entry has
        EXPECT_EQ(w.selectedLines().mid(5), QStringList({"6- C6", "7- C3"}));
        w.ok();
    });
    const auto first = w.form->session().files().read<db::DbProgramEntry>(1);
    const auto second = w.form->session().files().read<db::DbProgramEntry>(2);
    std::vector<int> a, b;
    for (int s = 0; s < 10; ++s) {
        a.push_back(first.classId(s));
        b.push_back(second.classId(s));
    }
    EXPECT_EQ(a, (std::vector<int>{1, 2, 6, 3, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(b, (std::vector<int>{1, 2, 3, 4, 5, 6, 0, 0, 0, 0}));
}

TEST(ClassDialog, NothingHappensWithoutACurrentRow) {
    ClassFixture w;
    w.click(names::kProgramsPage.editEnabled);
    w.click(names::kProgramsPage.editClasses);
    EXPECT_FALSE(w.dialog()->isVisible());
}

TEST(ClassSearch, AClassFindsItsEntriesAndThoseOfItsDescendants) {
    ClassFixture w;
    w.withEditor([&] {
        w.addClass("Keys", 0);
        w.addClass("Piano", 1);
        w.addClass("Grand", 2);
        w.addClass("Pads", 0);
    });
    w.programsWithClasses({{2}, {3}, {4}, {1}, {}});
    w.search();
    auto* combo = w.find<QComboBox>(names::kProgramsPage.classSearch);
    combo->setCurrentIndex(combo->findText("Piano"));
    w.search();
    EXPECT_EQ(w.rows(names::kProgramsPage.list), QStringList({"1     P1      ", "2     P2      "}));
    combo->setCurrentIndex(combo->findText("Keys"));
    w.search();
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 3);
    combo->setCurrentIndex(combo->findText("No Class"));
    w.search();
    EXPECT_EQ(w.rows(names::kProgramsPage.list), QStringList({"1     P5      "}));
}
