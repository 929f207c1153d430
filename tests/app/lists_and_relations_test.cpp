// Lists and relations in the main window: where-used below the detail panels, Used By on the
// PCG program lines, the Compare window, and Export List on each tab.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QTreeWidget>

#include "app/elided_label.h"
#include "window_fixture.h"

using namespace pelvaro;
using namespace pelvaro::testing;

namespace {

// PIANO (A00) played by three combinations, two drum programs on one kit slot, a pad and its
// copy that differs in three bytes.
PcgBuilder relationsPcg() {
    PcgBuilder b;
    b.program(0, "PIANO", {.osc1 = 10, .voice = 1})
        .program(1, "BASS", {.osc1 = 20, .voice = 2})
        .drumProgram(2, "KIT ONE", 1, 3)
        .drumProgram(3, "KIT TWO", 1, 4)
        .program(4, "PAD", {.oscMode = 1, .osc1 = 30, .osc2 = 31, .voice = 5});
    b.program(5, "PAD 3B", {.oscMode = 1, .osc1 = 30, .osc2 = 31, .voice = 5});
    // The copy differs from PAD in three bytes beyond the name.
    for (const std::size_t at : {40u, 41u, 100u})
        b.image().program(5)[at] ^= 0x5A;
    b.combination(0, "SPLIT", {plays(0), plays(1)}, 1)
        .combination(1, "LAYER", {plays(0), plays(0), plays(2)}, 2)
        .combination(2, "STACK", {plays(4), plays(0), outside(3)}, 3);
    return b;
}

struct Relations : WindowFixture {
    Relations() {
        importPcg(relationsPcg());
        press(Qt::Key_S, Qt::ControlModifier);
        if (rows(names::kProgramsPage.list).size() != 6 ||
            rows(names::kCombinationsPage.list).size() != 3)
            throw std::runtime_error("the relations PCG was not stored as expected");
    }
    QString line(const char* name) const { return find<QLabel>(name)->text(); }
    QString status(const char* name) const { return line(name); }
    QString tip(const char* name) const { return find<QLabel>(name)->toolTip(); }
    // Selects rows of a database list (the first by a click, the others with Ctrl).
    void choose(const char* list, std::initializer_list<int> rowsToChoose) {
        bool first = true;
        for (int r : rowsToChoose) {
            clickRow(list, r, first ? Qt::NoModifier : Qt::ControlModifier);
            first = false;
        }
    }
    QDialog* compareWindow() const { return form->findChild<QDialog*>(names::compare::kWindow); }
    QStringList compareRows(const char* tree) const {
        QStringList out;
        auto* list = compareWindow()->findChild<QTreeWidget*>(tree);
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QStringList cells;
            for (int c = 0; c < list->columnCount(); ++c)
                cells << list->topLevelItem(i)->text(c);
            out << cells.join('|');
        }
        return out;
    }
    QString verdict() const {
        return compareWindow()->findChild<QLabel*>(names::compare::kVerdict)->text();
    }
    QTableView* picker(const char* name) const {
        return compareWindow()->findChild<QTableView*>(name);
    }
    QString picked(const char* name) const {
        return picker(name)->currentIndex().data().toString();
    }
    QStringList offered(const char* name) const {
        QStringList out;
        for (int r = 0; r < picker(name)->model()->rowCount(); ++r)
            out << picker(name)->model()->index(r, 0).data().toString();
        return out;
    }
    // Types into a picker's filter box a character at a time, after clearing it.
    void filter(const char* name, const QString& text) const {
        auto* edit = compareWindow()->findChild<QLineEdit*>(name);
        edit->clear();
        for (const QChar c : text)
            edit->insert(c);
    }
};

}  // namespace

TEST(WhereUsed, TheLinesBelowThePanelsFollowTheFocusedRowsAndEveryChange) {
    Relations w;
    w.clickRow(names::kProgramsPage.list, 0);
    EXPECT_EQ(w.line(names::kProgramsPage.whereUsed),
              "Played by 3 combinations: 1 SPLIT, 2 LAYER, 3 STACK");
    EXPECT_EQ(w.tip(names::kProgramsPage.whereUsed), "Played by:\n1 SPLIT\n2 LAYER\n3 STACK");
    w.showPage(kDatabaseCombinations);
    w.clickRow(names::kCombinationsPage.list, 2);
    EXPECT_EQ(w.line(names::kCombinationsPage.whereUsed), "Plays 5 PAD, 1 PIANO, GM");

    // Delete of a combination: PIANO is then played by two.
    w.clickRow(names::kCombinationsPage.list, 1);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    w.showPage(kDatabasePrograms);
    w.clickRow(names::kProgramsPage.list, 0);
    EXPECT_EQ(w.line(names::kProgramsPage.whereUsed), "Played by 2 combinations: 1 SPLIT, 2 STACK");

    // A refused Delete keeps its line as it is; the refused program's players are one click away.
    w.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(w.lines(names::kEventList),
              QStringList{"Program 1 is used by some Combinations.Cannot delete it."});
    w.clickRow(names::kProgramsPage.list, 0);
    EXPECT_EQ(w.line(names::kProgramsPage.whereUsed), "Played by 2 combinations: 1 SPLIT, 2 STACK");
}

TEST(WhereUsed, ALineTooLongForItsRoomEndsAtAWordWithDotsAndIsWholeInItsTooltip) {
    Relations w;
    w.clickRow(names::kProgramsPage.list, 0);
    auto* used = w.find<app::ElidedLabel>(names::kProgramsPage.whereUsed);
    auto* status = w.find<app::ElidedLabel>(names::kStatusResult);
    status->setLine(
        "Sent 12 programs, 3 combinations and 1 drum kit to the database: "
        "9 were there already");
    const int windowWidth = w.form->width();
    for (app::ElidedLabel* label : {used, status}) {
        const QString text = label->text();
        label->setFixedWidth(label->fontMetrics().horizontalAdvance(text) * 2 / 3);
        QApplication::processEvents();
        const QString shown = label->shownText();
        ASSERT_TRUE(shown.endsWith("...")) << shown.toStdString();
        const QString head = shown.chopped(3);
        // The words shown are the text's own, and the cut falls after a whole word.
        EXPECT_TRUE(text.startsWith(head)) << shown.toStdString();
        EXPECT_FALSE(text.at(head.size()).isLetterOrNumber()) << shown.toStdString();
        EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->contentsRect().width());
        EXPECT_EQ(w.form->width(), windowWidth);
        // Room for the whole line shows it whole.
        label->setFixedWidth(label->fontMetrics().horizontalAdvance(text) + 8);
        EXPECT_EQ(label->shownText(), text);
    }
    EXPECT_EQ(status->toolTip(), status->text());
    EXPECT_EQ(used->toolTip(), "Played by:\n1 SPLIT\n2 LAYER\n3 STACK");
}

TEST(WhereUsed, UsedByOnAPcgProgramLineGoesToTheCombination) {
    Relations w;
    w.showPage(kPcgPrograms);
    w.clickRow(names::kPcgProgramsPage.list, 0);
    w.action(names::kUsedBy)->trigger();
    auto* menu = w.form->findChild<QMenu*>(names::kUsedByList);
    ASSERT_TRUE(menu);
    QStringList captions;
    for (QAction* a : menu->actions())
        captions << a->text();
    EXPECT_EQ(captions, (QStringList{"A00    SPLIT", "A01    LAYER", "A02    STACK"}));
    menu->actions()[1]->trigger();
    menu->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w.find<QTabWidget>(names::kPages)->currentIndex(), kPcgCombinations);
    EXPECT_EQ(w.find<QListWidget>(names::kPcgCombinationsPage.list)->currentRow(), 1);

    w.showPage(kPcgPrograms);
    w.clickRow(names::kPcgProgramsPage.list, 5);
    w.action(names::kUsedBy)->trigger();
    menu = w.form->findChild<QMenu*>(names::kUsedByList);
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "No combination plays A05");
    EXPECT_FALSE(menu->actions()[0]->isEnabled());
    menu->close();
}

TEST(Compare, TwoEntriesSideBySideWithTheBytesThatDiffer) {
    Relations w;
    // A copy of PAD that differs only in its name, as another collection may have it.
    db::RecordFiles& files = w.form->session().files();
    db::DbProgramEntry copy = files.read<db::DbProgramEntry>(5);
    putFieldText(Bytes(copy.bytes).first(pcg::kNameSize), "PAD CAF\xc9");  // Latin-1 É
    files.append(copy);
    w.click(names::kProgramsPage.searchButton);  // the list shows the seventh entry

    // One row chosen: nothing to compare.
    w.clickRow(names::kProgramsPage.list, 4);
    w.form->updateEditMenu();
    EXPECT_FALSE(w.action(names::kCompare)->isEnabled());
    w.choose(names::kProgramsPage.list, {4, 6});
    w.form->updateEditMenu();
    ASSERT_TRUE(w.action(names::kCompare)->isEnabled());
    w.action(names::kCompare)->trigger();
    ASSERT_TRUE(w.compareWindow());
    EXPECT_EQ(w.verdict(), "identical apart from the name");
    EXPECT_EQ(w.compareRows(names::compare::kFields),
              (QStringList{"Name|PAD|PAD CAF\u00c9", "Mode|Double|Double",
                           "Oscillator 1 sound|30|30", "Oscillator 2 sound|31|31", "Drum kit||"}));
    EXPECT_TRUE(w.compareRows(names::compare::kBytes).isEmpty());
    EXPECT_EQ(w.status(names::kStatusResult),
              "Compared 5 PAD and 7 PAD CAF\u00c9: identical apart from the name");
    w.compareWindow()->close();
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // PAD and its copy with three other bytes; the bytes listed with both values in hex.
    w.choose(names::kProgramsPage.list, {4, 5});
    w.action(names::kCompare)->trigger();
    ASSERT_TRUE(w.compareWindow());
    EXPECT_EQ(w.verdict(), "different in 3 bytes");
    const PcgBuilder built = relationsPcg();
    const auto pad = built.image().program(4);
    const auto hex = [](Byte b) { return QString("%1").arg(b, 2, 16, QChar('0')).toUpper(); };
    QStringList expected;
    for (const int at : {40, 41, 100})
        expected << QString("%1|%2|%3|yes").arg(at).arg(hex(pad[at])).arg(hex(pad[at] ^ 0x5A));
    EXPECT_EQ(w.compareRows(names::compare::kBytes), expected);

    // Each picker offers every program, the two chosen ones picked.
    EXPECT_EQ(w.offered(names::compare::kRight),
              (QStringList{"1 PIANO", "2 BASS", "3 KIT ONE", "4 KIT TWO", "5 PAD", "6 PAD 3B",
                           "7 PAD CAF\u00c9"}));
    EXPECT_EQ(w.picked(names::compare::kLeft), "5 PAD");
    EXPECT_EQ(w.picked(names::compare::kRight), "6 PAD 3B");
    // A third entry, never chosen in the list, picked through the filter: a part of the name in
    // any case, or an ID.
    w.filter(names::compare::kRightFilter, "bas");
    EXPECT_EQ(w.offered(names::compare::kRight), QStringList{"2 BASS"});
    EXPECT_EQ(w.picked(names::compare::kRight), "2 BASS");
    EXPECT_EQ(w.compareRows(names::compare::kFields).value(0), "Name|PAD|BASS");
    w.filter(names::compare::kRightFilter, "caf\u00e9");
    EXPECT_EQ(w.offered(names::compare::kRight), QStringList{"7 PAD CAF\u00c9"});
    EXPECT_EQ(w.verdict(), "identical apart from the name");
    w.filter(names::compare::kLeftFilter, "3");
    EXPECT_EQ(w.offered(names::compare::kLeft), (QStringList{"3 KIT ONE", "6 PAD 3B"}));
    EXPECT_EQ(w.compareRows(names::compare::kFields).value(0), "Name|KIT ONE|PAD CAF\u00c9");
    w.picker(names::compare::kLeft)
        ->setCurrentIndex(w.picker(names::compare::kLeft)->model()->index(1, 0));
    EXPECT_EQ(w.compareRows(names::compare::kFields).value(0), "Name|PAD 3B|PAD CAF\u00c9");
    // A filter that leaves no row keeps the sound shown.
    w.filter(names::compare::kLeftFilter, "XYZ");
    EXPECT_TRUE(w.offered(names::compare::kLeft).isEmpty());
    EXPECT_EQ(w.compareRows(names::compare::kFields).value(0), "Name|PAD 3B|PAD CAF\u00c9");
    // Back from the main window, where an entry was added, the pickers offer it.
    w.filter(names::compare::kLeftFilter, "caf");
    files.append(copy);
    QEvent activated(QEvent::WindowActivate);
    QApplication::sendEvent(w.compareWindow(), &activated);
    EXPECT_EQ(w.offered(names::compare::kLeft),
              (QStringList{"7 PAD CAF\u00c9", "8 PAD CAF\u00c9"}));
    w.compareWindow()->close();
}

TEST(Compare, ThePickersOfAMillionEntriesOfferThemAll) {
    Relations w;
    // Entries past the six stored read as zeros: nameless programs.
    w.form->session().files().setCount(db::Kind::Program, 1'000'000);
    w.click(names::kProgramsPage.searchButton);
    w.choose(names::kProgramsPage.list, {0, 1});
    w.action(names::kCompare)->trigger();
    ASSERT_TRUE(w.compareWindow());
    EXPECT_EQ(w.picker(names::compare::kLeft)->model()->rowCount(), 1'000'000);
    w.filter(names::compare::kRightFilter, "999999");
    EXPECT_EQ(w.offered(names::compare::kRight), QStringList{"999999"});
    EXPECT_EQ(w.compareRows(names::compare::kFields).value(0), "Name|PIANO|");
    w.filter(names::compare::kRightFilter, "kit");
    EXPECT_EQ(w.offered(names::compare::kRight), (QStringList{"3 KIT ONE", "4 KIT TWO"}));
    w.compareWindow()->close();
}

TEST(Compare, TwoPcgSlotsAndTwoCombinations) {
    Relations w;
    w.showPage(kPcgPrograms);
    w.clickRow(names::kPcgProgramsPage.list, 2);
    w.form->updateEditMenu();
    ASSERT_TRUE(w.action(names::kCompare)->isEnabled());
    w.action(names::kCompare)->trigger();
    ASSERT_TRUE(w.compareWindow());
    // The current slot against the next used one: two drum programs on one kit slot.
    EXPECT_EQ(w.picked(names::compare::kLeft), "A02    KIT ONE");
    EXPECT_EQ(w.picked(names::compare::kRight), "A03    KIT TWO");
    EXPECT_EQ(w.compareRows(names::compare::kFields).value(4), "Drum kit|slot 1|slot 1");
    // The used slots, narrowed by a part of their line.
    EXPECT_EQ(w.offered(names::compare::kRight).size(), 6);
    w.filter(names::compare::kRightFilter, "pad");
    EXPECT_EQ(w.offered(names::compare::kRight), (QStringList{"A04    PAD", "A05    PAD 3B"}));
    EXPECT_EQ(w.compareRows(names::compare::kFields).value(0), "Name|KIT ONE|PAD");
    w.compareWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    w.showPage(kPcgCombinations);
    w.clickRow(names::kPcgCombinationsPage.list, 0);
    w.action(names::kCompare)->trigger();
    ASSERT_TRUE(w.compareWindow());
    const QStringList fields = w.compareRows(names::compare::kFields);
    EXPECT_EQ(fields.value(0), "Name|SPLIT|LAYER");
    EXPECT_EQ(fields.value(1), "Timbre 1|A00 PIANO|A00 PIANO");
    EXPECT_EQ(fields.value(2), "Timbre 2|A01 BASS|A00 PIANO");
    EXPECT_EQ(fields.value(3), "Timbre 3|off|A02 KIT ONE");
    EXPECT_TRUE(w.verdict().startsWith("different in ")) << w.verdict().toStdString();
    w.compareWindow()->close();
}

TEST(ExportList, EachTabWritesItsListAsCsvOrAsAPage) {
    Relations w;
    const auto written = [&](const char* name) {
        const std::vector<Byte> bytes = readBytes(w.dir.file(name));
        return QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()),
                                 static_cast<qsizetype>(bytes.size()));
    };
    // A database tab writes its rows as filtered.
    w.find<QLineEdit>(names::kProgramsPage.nameSearch)->setText("KIT");
    w.click(names::kProgramsPage.searchButton);
    w.dialogs.answerSave(w.file("kits"));
    w.action(names::kExportList)->trigger();
    EXPECT_EQ(written("kits.csv"),
              "ID,Name,Classes,Drum kit ID,Explanation\r\n"
              "3,KIT ONE,,1,From: " +
                  w.file("import.pcg") + "\r\n4,KIT TWO,,1,From: " + w.file("import.pcg") + "\r\n");
    EXPECT_EQ(w.status(names::kStatusResult), "Exported the list of 2 rows to kits.csv");

    w.showPage(kDatabaseCombinations);
    w.dialogs.answerSave(w.file("combis.html"));
    w.action(names::kExportList)->trigger();
    const QString page = written("combis.html");
    EXPECT_TRUE(page.startsWith("<!DOCTYPE html>\n"));
    EXPECT_TRUE(page.contains("<h1>Database Combinations</h1>"));
    EXPECT_TRUE(page.contains("<h2>3 combinations</h2>"));
    EXPECT_TRUE(page.contains("<tr><td>2</td><td>LAYER</td><td></td><td>1 1 3</td>"));

    // A PCG tab writes both banks of its kind.
    w.showPage(kPcgPrograms);
    w.dialogs.answerSave(w.file("programs.csv"));
    w.action(names::kExportList)->trigger();
    const QStringList csv = written("programs.csv").split("\r\n");
    ASSERT_EQ(csv.size(), 202);
    EXPECT_EQ(csv[0], "Slot,Name,Mode,Drum kit slot");
    EXPECT_EQ(csv[3], "A02,KIT ONE,Drums,1");
    EXPECT_EQ(csv[6], "A05,PAD 3B,Double,");
    EXPECT_EQ(csv[7], "A06,,,");
    EXPECT_EQ(csv[200], "B99,,,");
    w.showPage(kPcgCombinations);
    w.dialogs.answerSave(w.file("combis-pcg.htm"));
    w.action(names::kExportList)->trigger();
    const QString pcgPage = written("combis-pcg.htm");
    EXPECT_TRUE(pcgPage.contains("<h2>Bank A</h2>"));
    EXPECT_TRUE(pcgPage.contains("<h2>Bank B</h2>"));
    EXPECT_TRUE(
        pcgPage.contains("<td>A02</td><td>STACK</td><td>A04 PAD</td><td>A00 PIANO</td>"
                         "<td>GM</td>"));
    EXPECT_TRUE(w.dialogs.messages.empty());
}
