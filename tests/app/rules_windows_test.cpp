// "Classify by Rules" and "Replace in Names" as the user drives them: the preview they show,
// Apply, the step Undo takes back, and the rules kept in the settings.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include "app/classify_rules_window.h"
#include "app/replace_names_window.h"
#include "app/settings.h"
#include "db_builder.h"
#include "scripted_dialogs.h"
#include "window_fixture.h"

using namespace pelvaro;
using namespace pelvaro::testing;
namespace rw = pelvaro::app::names::rules;
namespace nw = pelvaro::app::names::replaceNames;

namespace {

// The rows of a table as shown, cells joined by " | ".
QStringList rowsOf(const QAbstractItemModel* model) {
    QStringList rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(r, c).data().toString();
        rows << cells.join(QStringLiteral(" | "));
    }
    return rows;
}

void click(QWidget* window, const char* button) {
    auto* b = in<QPushButton>(window, button);
    ASSERT_TRUE(b->isEnabled()) << button;
    QTest::mouseClick(b, Qt::LeftButton);
}

void type(QWidget* window, const char* field, const QString& text) {
    auto* edit = in<QLineEdit>(window, field);
    edit->clear();
    QTest::keyClicks(edit, text);
}

// Every control that takes the keyboard can be told apart by a screen reader.
void expectNamedControls(QWidget* window) {
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(window) ||
            qobject_cast<QAbstractSpinBox*>(w->parentWidget()) ||
            qobject_cast<QComboBox*>(w->parentWidget()))
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty())
            << w->metaObject()->className() << " " << w->objectName().toStdString();
    }
}

const QString kPianoE = QStringLiteral("Piano \u00E9");

struct Rules : ::testing::Test {
    TestDatabase db;
    ScriptedDialogs dialogs;
    TempDir config;
    app::Settings settings{QString::fromStdString(config.file("pelvaro.conf"))};
    QStringList changes;  // what the main window was told

    Rules() {
        db.addClass("Keys");
        db.addClass("Piano", 1);
        db.addProgram("PIANO 1");
        db.addProgram("Piano \xE9");
        db.addProgram("ORGAN");
    }
    std::unique_ptr<app::ClassifyRulesWindow> rulesWindow() {
        auto w = std::make_unique<app::ClassifyRulesWindow>(
            db.session(), dialogs, settings, [this](const QString& s) { changes << s; });
        w->show();
        return w;
    }
};

}  // namespace

TEST_F(Rules, PreviewApplyAndRulesKeptAcrossWindows) {
    auto w = rulesWindow();
    expectNamedControls(w.get());
    EXPECT_FALSE(in<QPushButton>(w.get(), rw::kAdd)->isEnabled()) << "no text yet";
    type(w.get(), rw::kText, QStringLiteral("piano"));
    auto* classes = in<QComboBox>(w.get(), rw::kClass);
    EXPECT_EQ(classes->itemText(1), QStringLiteral("Keys->Piano"));
    classes->setCurrentIndex(1);
    click(w.get(), rw::kAdd);
    in<QComboBox>(w.get(), rw::kTest)->setCurrentIndex(1);
    type(w.get(), rw::kText, QStringLiteral("org"));
    classes->setCurrentIndex(0);
    click(w.get(), rw::kAdd);

    auto* table = in<QTableWidget>(w.get(), rw::kRules);
    EXPECT_EQ(rowsOf(table->model()),
              (QStringList{"name contains \"piano\" | Keys->Piano | 2 gain the class, 0 have it",
                           "name begins with \"org\" | Keys | 1 gains the class, 0 have it"}));
    table->selectRow(0);
    EXPECT_EQ(rowsOf(in<QTableView>(w.get(), rw::kEntries)->model()),
              (QStringList{"Program 1 | PIANO 1 | gains the class",
                           "Program 2 | " + kPianoE + " | gains the class"}));
    EXPECT_EQ(in<QLabel>(w.get(), rw::kSummary)->text(), "Gives 3 classes to 3 entries");

    click(w.get(), rw::kApply);
    EXPECT_EQ(changes, QStringList{"Gave 3 classes to 3 entries"});
    EXPECT_EQ(in<QLabel>(w.get(), rw::kSummary)->text(), "Gave 3 classes to 3 entries");
    EXPECT_EQ(rowsOf(table->model())[0],
              "name contains \"piano\" | Keys->Piano | 0 gain the class, 2 have it");
    EXPECT_FALSE(in<QPushButton>(w.get(), rw::kApply)->isEnabled());
    EXPECT_EQ(db.program(2).classId(0), 2);
    EXPECT_EQ(db.session().undoLog().undoName(), "Classify by Rules");
    w.reset();

    // The rules come back in the next window, and after a change in the one after it, from the
    // settings file.
    auto next = rulesWindow();
    EXPECT_EQ(in<QTableWidget>(next.get(), rw::kRules)->rowCount(), 2);
    in<QTableWidget>(next.get(), rw::kRules)->selectRow(0);
    EXPECT_EQ(in<QLineEdit>(next.get(), rw::kText)->text(), "piano");
    click(next.get(), rw::kRemove);
    next.reset();
    settings.sync();
    app::Settings reread(QString::fromStdString(config.file("pelvaro.conf")));
    ASSERT_EQ(reread.classifyRules().size(), 1);
    EXPECT_EQ(reread.classifyRules()[0], "begins\tboth\torg\t0\t0\t0\t1\tKeys");
}

TEST(RulesFirstTime, NewClassMakesTheClassARuleNeedsAsOneUndoStep) {
    TestDatabase db;
    db.addProgram("PAD 1");
    ScriptedDialogs dialogs;
    TempDir config;
    app::Settings settings(QString::fromStdString(config.file("pelvaro.conf")));
    QStringList changes;
    app::ClassifyRulesWindow w(db.session(), dialogs, settings,
                               [&](const QString& s) { changes << s; });
    w.show();
    auto* classes = in<QComboBox>(&w, rw::kClass);
    EXPECT_EQ(classes->count(), 0);
    EXPECT_FALSE(classes->placeholderText().isEmpty()) << "the empty choice says why";
    // Cancelled, and a name too long for a class: nothing is added.
    dialogs.answerText(QStringLiteral("Pads and Strings Soft"));
    click(&w, rw::kNewClass);
    click(&w, rw::kNewClass);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "A class name holds 19 characters at most; \"Pads and Strings Soft\" has 21.");
    EXPECT_EQ(db.files().count(db::Kind::Class), 0);

    dialogs.answerText(QStringLiteral(" Pads "));
    click(&w, rw::kNewClass);
    EXPECT_EQ(classes->currentText(), "Pads");
    EXPECT_EQ(db.classEntry(1).name(), "Pads");
    EXPECT_EQ(db.session().undoLog().undoName(), "Add Class");
    EXPECT_EQ(changes, QStringList{"Added class Pads"});
    type(&w, rw::kText, QStringLiteral("pad"));
    click(&w, rw::kAdd);
    EXPECT_EQ(in<QLabel>(&w, rw::kSummary)->text(), "Gives 1 class to 1 entry");
}

TEST_F(Rules, ReplaceInNamesPreviewApplyAndUndo) {
    const DatabaseSnapshot before(db);
    app::ReplaceNamesWindow w(db.session(), dialogs, db::Kind::Program, {1, 2, 3},
                              [this](const QString& s) { changes << s; });
    w.show();
    expectNamedControls(&w);
    EXPECT_EQ(in<QLabel>(&w, nw::kChosen)->text(), "The names of 3 chosen programs");
    type(&w, nw::kFind, QStringLiteral("piano"));
    // A text longer than a name is kept as typed and flagged beside the field.
    type(&w, nw::kReplacement, QStringLiteral("GRAND PIANO"));
    EXPECT_EQ(in<QLineEdit>(&w, nw::kReplacement)->text(), "GRAND PIANO");
    EXPECT_EQ(in<QLabel>(&w, nw::kReplacementFit)->text(), "11 characters: a name holds 10");
    type(&w, nw::kReplacement, QStringLiteral("GRANDPIANO"));
    EXPECT_EQ(in<QLabel>(&w, nw::kReplacementFit)->text(), "10 of 10 characters");
    auto* list = in<QTableView>(&w, nw::kChanges);
    const QString same = QStringLiteral("; same as another name");
    EXPECT_EQ(
        rowsOf(list->model()),
        (QStringList{"1 | PIANO 1 | GRANDPIANO | cut from \"GRANDPIANO 1\"" + same,
                     "2 | " + kPianoE + " | GRANDPIANO | cut from \"GRANDPIANO \u00E9\"" + same}));
    EXPECT_EQ(in<QLabel>(&w, nw::kSummary)->text(),
              "2 names change, 2 of them cut to ten characters, 2 the same as another name; 1 "
              "stays as it is");
    // Apply asks first; Cancel changes nothing.
    dialogs.answerQuestion(1);
    click(&w, nw::kApply);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text,
              "2 new names are the same as another name: \"GRANDPIANO\". "
              "Apply them all the same?");
    EXPECT_EQ(DatabaseSnapshot(db), before);
    EXPECT_TRUE(changes.isEmpty());

    // A radio button takes clicks on its circle and caption only, at its left end.
    auto* number = in<QRadioButton>(&w, nw::kNumberMode);
    QTest::mouseClick(number, Qt::LeftButton, Qt::NoModifier, QPoint(8, number->height() / 2));
    type(&w, nw::kBase, QStringLiteral("Pad "));
    in<QSpinBox>(&w, nw::kStart)->setValue(9);
    EXPECT_EQ(rowsOf(list->model()),
              (QStringList{"1 | PIANO 1 | Pad 09 | ", "2 | " + kPianoE + " | Pad 10 | ",
                           "3 | ORGAN | Pad 11 | "}));
    click(&w, nw::kApply);
    EXPECT_EQ(changes, QStringList{"Renamed 3 programs"});
    EXPECT_EQ(db::storedName(db.files(), db::Kind::Program, 3), "Pad 11");
    EXPECT_EQ(rowsOf(list->model()), QStringList());
    EXPECT_FALSE(in<QPushButton>(&w, nw::kApply)->isEnabled());

    EXPECT_EQ(db.session().undoLog().undoName(), "Replace in Names");
    db.session().undoLog().undo();
    EXPECT_EQ(DatabaseSnapshot(db), before);
    w.reload();
    EXPECT_EQ(rowsOf(list->model())[0], "1 | PIANO 1 | Pad 09 | ");
}
