// The arrange window over a session: drags with the line saying what the drop will do and the
// target marked before the drop, Ctrl for a swap, selections in one list, database entries
// dropped on a slot, the question before Empty, the undo steps' names; every control named for
// a screen reader; and the window writing the same bytes as pelvaro-cli for the same steps.
#include "app/arrange_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <memory>
#include <sstream>

#include "app/slot_list.h"
#include "cli/commands.h"
#include "db_builder.h"
#include "pcg/pcg_files.h"
#include "random_pcg.h"
#include "scripted_dialogs.h"
#include "template_image.h"
#include "window_fixture.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using namespace pelvaro::app::arrange;
using namespace pelvaro::app::names::arrange;
using app::SlotList;

namespace {

// Four programs in bank A (a drum program on kit 1), three in bank B with a gap at B12, and
// two combinations on them.
pcg::PcgState smallPcg() {
    PcgBuilder b;
    b.program(0, "PIANO", {.osc1 = 1, .voice = 1})
        .program(1, "strings", {.osc1 = 2, .voice = 2})
        .drumProgram(2, "DRUMS", 1, 3)
        .program(3, "Bass", {.osc1 = 4, .voice = 4})
        .program(110, "ORGAN", {.osc1 = 5, .voice = 5})
        .program(111, "PAD", {.osc1 = 6, .voice = 6})
        .program(113, "LEAD", {.osc1 = 7, .voice = 7});
    b.combination(0, "SONG 1", {plays(0), plays(2), off(1), outside(0)}, 1)
        .combination(1, "SONG 2", {plays(110), plays(111), plays(1)}, 2);
    return stateOf(b);
}

struct ArrangeFixture {
    TestDatabase db;
    session::Session& session = db.session();
    ScriptedDialogs dialogs;
    std::unique_ptr<app::ArrangeWindow> window;
    QStringList told;  // what the window told the main window

    explicit ArrangeFixture(const pcg::PcgState& pcg) {
        session.pcg() = pcg;
        window = std::make_unique<app::ArrangeWindow>(session, dialogs);
        QObject::connect(window.get(), &app::ArrangeWindow::pcgChanged,
                         [this](const QString& summary, const QStringList& events) {
                             told << summary + (events.isEmpty() ? "" : " | " + events.join("|"));
                         });
        window->show();
        QApplication::setActiveWindow(window.get());
        (void)QTest::qWaitForWindowActive(window.get());
    }
    template <class T = QWidget>
    T* find(const char* name) const {
        return in<T>(window.get(), name);
    }
    SlotList* list(const char* name) const { return find<SlotList>(name); }
    QString line(const char* name, int row) const {
        return list(name)->model()->index(row, 0).data().toString();
    }
    QString preview() const { return find<QLabel>(kPreview)->text(); }
    void tab(int index) { find<QTabWidget>(kTabs)->setCurrentIndex(index); }
    void click(const char* name, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        SlotList* view = list(name);
        const QModelIndex index = view->model()->index(row, 0);
        view->scrollTo(index, QAbstractItemView::PositionAtCenter);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers,
                          view->visualRect(index).center());
    }
    void press(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
    // What a drag of a list's selection carries, as the list starts it.
    std::unique_ptr<QMimeData> dragOf(const char* name) const {
        SlotList* view = list(name);
        return std::unique_ptr<QMimeData>(
            view->model()->mimeData(view->selectionModel()->selectedIndexes()));
    }
    QPoint at(const char* name, int row) const {
        SlotList* view = list(name);
        const QModelIndex index = view->model()->index(row, 0);
        view->scrollTo(index, QAbstractItemView::PositionAtCenter);
        return view->visualRect(index).center();
    }
    // The drag over a row: whether the list would take the drop there.
    bool hover(const char* name, int row, const QMimeData& mime, Qt::KeyboardModifiers keys = {}) {
        QDragEnterEvent enter(at(name, row), Qt::MoveAction | Qt::CopyAction, &mime, Qt::LeftButton,
                              keys);
        QCoreApplication::sendEvent(list(name)->viewport(), &enter);
        QDragMoveEvent move(at(name, row), Qt::MoveAction | Qt::CopyAction, &mime, Qt::LeftButton,
                            keys);
        QCoreApplication::sendEvent(list(name)->viewport(), &move);
        return move.isAccepted();
    }
    // A drop arrives where the drag was taken, after the drag came over the row.
    void drop(const char* name, int row, const QMimeData& mime, Qt::KeyboardModifiers keys = {}) {
        hover(name, row, mime, keys);
        QDropEvent event(at(name, row), Qt::MoveAction | Qt::CopyAction, &mime, Qt::LeftButton,
                         keys);
        QCoreApplication::sendEvent(list(name)->viewport(), &event);
    }
    std::string undoName() const { return session.undoLog().undoName(); }
};

}  // namespace

TEST(ArrangeWindow, DragsShowWhatTheDropWillDoAndCtrlSwaps) {
    ArrangeFixture w(smallPcg());
    w.click(kProgramsA, 0);
    w.click(kProgramsA, 1, Qt::ShiftModifier);
    auto mime = w.dragOf(kProgramsA);
    EXPECT_EQ(mime->data(app::kSlotsMimeType), "programs 0,1");

    EXPECT_TRUE(w.hover(kProgramsB, 10, *mime));
    EXPECT_EQ(w.preview(),
              "Moves 2 programs to B10-B11; 2 combinations follow them; B10-B11 pushed to "
              "B12-B13, B13 pushed to B14");
    EXPECT_EQ(w.list(kProgramsB)->insertRow(), 10);
    EXPECT_EQ(w.list(kProgramsA)->insertRow(), -1);
    w.drop(kProgramsB, 10, *mime);
    EXPECT_EQ(w.line(kProgramsB, 10), "B10    PIANO");
    EXPECT_EQ(w.line(kProgramsB, 14), "B14    LEAD");
    EXPECT_EQ(w.line(kProgramsA, 0), "A00    ----------");
    EXPECT_EQ(w.list(kProgramsB)->insertRow(), -1);
    EXPECT_EQ(w.list(kProgramsB)->selectedSlots(), (std::vector{110, 111}));
    EXPECT_EQ(w.undoName(), "Move 2 Programs");
    EXPECT_EQ(w.find<QPushButton>(kUndo)->text(), "&Undo Move 2 Programs");
    EXPECT_EQ(w.told, QStringList{w.preview()});
    EXPECT_TRUE(w.preview().startsWith("Moved 2 programs to B10-B11"));

    // Ctrl: B10 and B11 trade places with A02 and A03; the slots marked are those.
    mime = w.dragOf(kProgramsB);
    EXPECT_TRUE(w.hover(kProgramsA, 2, *mime, Qt::ControlModifier));
    EXPECT_EQ(w.preview(), "Swaps B10-B11 with A02-A03; 2 combinations follow them");
    EXPECT_EQ(w.list(kProgramsA)->swapRows(), (std::vector{2, 3}));
    w.drop(kProgramsA, 2, *mime, Qt::ControlModifier);
    EXPECT_EQ(w.line(kProgramsA, 2), "A02    PIANO");
    EXPECT_EQ(w.line(kProgramsB, 10), "B10    DRUMS");
    EXPECT_EQ(w.undoName(), "Swap Programs");

    // No room: the line says how many free slots are missing; a drop there changes nothing.
    w.click(kProgramsB, 10);
    w.click(kProgramsB, 12, Qt::ShiftModifier);
    mime = w.dragOf(kProgramsB);
    EXPECT_FALSE(w.hover(kProgramsB, 98, *mime));
    EXPECT_EQ(w.preview(), "Cannot move 3 programs to B98: 1 free slot is missing from B98 on");
    const pcg::PcgImage before = w.session.pcg().image;
    w.drop(kProgramsB, 98, *mime);
    EXPECT_EQ(w.session.pcg().image, before);
    w.dialogs.answerText("B98");
    w.press(kMoveTo);
    EXPECT_EQ(w.session.pcg().image, before);
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].text,
              "Cannot move 3 programs to B98: 1 free slot is missing from B98 on");
    EXPECT_EQ(w.undoName(), "Swap Programs");

    // Ctrl+A selects a whole bank; a click in the other bank lets it go.
    w.list(kProgramsA)->setFocus();
    QTest::keyClick(w.list(kProgramsA), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w.list(kProgramsA)->selectedSlots().size(), 100u);
    w.click(kProgramsB, 5);
    EXPECT_TRUE(w.list(kProgramsA)->selectedSlots().empty());

    // Undo and Redo in the window, by the names of the steps.
    w.press(kUndo);
    EXPECT_EQ(w.line(kProgramsA, 2), "A02    DRUMS");
    EXPECT_EQ(w.find<QPushButton>(kRedo)->text(), "&Redo Swap Programs");
    EXPECT_EQ(w.told.back(), "Undid Swap Programs");
    w.press(kRedo);
    EXPECT_EQ(w.line(kProgramsA, 2), "A02    PIANO");
}

TEST(ArrangeWindow, PlacesEntriesEmptiesAfterAskingAndSwapsKits) {
    ArrangeFixture w(smallPcg());
    const int kit = w.db.addDrumKit(9);
    const int a = w.db.addProgram("NEW A", {.voice = 21});
    const int b =
        w.db.addProgram("NEW B", {.oscMode = 2, .voice = 22}, EntryFields{.drumKitId = kit});
    const auto entries =
        std::unique_ptr<QMimeData>(app::entriesMimeData(db::Kind::Program, {a, b}));
    EXPECT_EQ(entries->data(app::kEntriesMimeType),
              "programs " + QByteArray::number(a) + "," + QByteArray::number(b));
    EXPECT_FALSE(w.hover(kCombinationsA, 1, *entries)) << "programs go to programs only";
    EXPECT_TRUE(w.hover(kProgramsA, 1, *entries));
    EXPECT_EQ(w.preview(), "Places 2 programs at A01-A02; A01-A03 pushed to A03-A05");
    w.drop(kProgramsA, 1, *entries);
    EXPECT_EQ(w.line(kProgramsA, 1), "A01    NEW A");
    EXPECT_EQ(w.line(kProgramsA, 2), "A02    NEW B");
    EXPECT_EQ(w.line(kProgramsA, 5), "A05    Bass");
    EXPECT_EQ(w.undoName(), "Place 2 Programs");

    // Empty asks first, naming who plays the program; Cancel leaves it.
    w.click(kProgramsA, 0);
    w.press(kEmpty);
    ASSERT_EQ(w.dialogs.asked.size(), 1u);
    EXPECT_EQ(w.dialogs.asked[0].text,
              "This combination plays a program that is to be emptied and will then play an "
              "empty slot:\nA00 SONG 1\n\nEmpty 1 program: A00?");
    EXPECT_EQ(w.dialogs.asked[0].buttons, (QStringList{"&Empty", "Cancel"}));
    EXPECT_EQ(w.line(kProgramsA, 0), "A00    PIANO");
    w.dialogs.answerQuestion(0);
    w.press(kEmpty);
    EXPECT_EQ(w.line(kProgramsA, 0), "A00    ----------");
    EXPECT_EQ(w.undoName(), "Empty 1 Program");

    // A kit dragged onto another trades places with it.
    w.tab(kDrumKitsTab);
    EXPECT_EQ(w.line(kDrumKits, 1), "Kit 1    A04 DRUMS");
    w.click(kDrumKits, 1);
    auto mime = w.dragOf(kDrumKits);
    EXPECT_TRUE(w.hover(kDrumKits, 3, *mime));
    EXPECT_EQ(w.preview(), "Swaps drum kits 1 and 3; 1 drum program follows them");
    EXPECT_EQ(w.list(kDrumKits)->swapRows(), (std::vector{3}));
    w.drop(kDrumKits, 3, *mime);
    EXPECT_EQ(w.line(kDrumKits, 3), "Kit 3    A04 DRUMS");
    EXPECT_EQ(w.undoName(), "Swap Drum Kits");

    // Move To... names its slot; a name that is no slot is said so.
    w.tab(kProgramsTab);
    w.click(kProgramsA, 1);
    w.dialogs.answerText("C01");
    w.press(kMoveTo);
    EXPECT_EQ(w.dialogs.messages.back().text, "\"C01\" names no slot: slots are A00 to B99.");
    w.dialogs.answerText("b50");
    w.press(kMoveTo);
    EXPECT_EQ(w.line(kProgramsB, 50), "B50    NEW A");
    EXPECT_EQ(w.undoName(), "Move 1 Program");
}

TEST(ArrangeWindow, EveryFocusableControlHasAName) {
    ArrangeFixture w(smallPcg());
    int named = 0;
    for (int tab : {kProgramsTab, kCombinationsTab, kDrumKitsTab}) {
        w.tab(tab);
        for (QWidget* control : w.window->findChildren<QWidget*>()) {
            if (!control->isVisible() || control->focusPolicy() == Qt::NoFocus) continue;
            QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(control);
            named += seen && !seen->text(QAccessible::Name).isEmpty();
            EXPECT_FALSE(seen && seen->text(QAccessible::Name).isEmpty())
                << control->metaObject()->className() << " " << control->objectName().toStdString();
        }
    }
    EXPECT_GT(named, 30);
}

TEST(ArrangeWindow, WritesTheBytesPelvaroCliWritesForTheSameSteps) {
    const pcg::PcgState start = synthetic::stagePcg(8, 24);
    ArrangeFixture w(start);
    w.click(kProgramsA, 5);
    w.click(kProgramsA, 7, Qt::ShiftModifier);
    w.drop(kProgramsB, 10, *w.dragOf(kProgramsA));
    w.tab(kCombinationsTab);
    w.click(kCombinationsA, 1);
    w.drop(kCombinationsB, 20, *w.dragOf(kCombinationsA), Qt::ControlModifier);
    w.find<QComboBox>(kScope)->setCurrentIndex(kBankA);
    w.press(kSortByName);
    w.tab(kProgramsTab);
    w.find<QComboBox>(kScope)->setCurrentIndex(kBothBanks);
    w.press(kCloseGaps);
    w.tab(kDrumKitsTab);
    w.click(kDrumKits, 0);
    w.drop(kDrumKits, 2, *w.dragOf(kDrumKits));
    w.tab(kProgramsTab);
    w.click(kProgramsA, 11);
    w.dialogs.answerQuestion(0);
    w.press(kEmpty);
    EXPECT_EQ(w.told.size(), 6);
    EXPECT_TRUE(w.dialogs.messages.empty());
    pcg::writePcgFile(w.session.pcg().image, w.db.dir().file("window.pcg"));

    const std::string templ = w.db.dir().file("bos.dat");
    pcg::writePcgFile(synthetic::makeTemplateImage(), templ);
    pcg::writePcgFile(start.image, w.db.dir().file("in.pcg"));
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(cli::runCommandLine(
                  {"arrange", w.db.dir().file("in.pcg"), "-o", w.db.dir().file("cli.pcg"),
                   "--template", templ, "move A05-A07 B10", "swap combinations A01 B20",
                   "sort A combinations", "close-gaps programs", "swap-kits 0 2", "empty A11"},
                  out, err),
              cli::kDone)
        << err.str();
    EXPECT_EQ(readBytes(w.db.dir().file("window.pcg")), readBytes(w.db.dir().file("cli.pcg")));
}
