#include "app/arrange_window.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "app/control_names.h"
#include "app/slot_list.h"
#include "app/undo_captions.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "pcg/arrange.h"
#include "session/session.h"

namespace pelvaro::app {

using namespace arrange;
using namespace names::arrange;

namespace {

const QString kCaption = QStringLiteral("Arrange Pcg");

pcg::SlotKind kindOf(ListContent content) {
    return content == ListContent::Combinations ? pcg::SlotKind::Combination
                                                : pcg::SlotKind::Program;
}

QString wordOf(ListContent content) {
    return QString::fromStdString(pcg::kindWord(kindOf(content), 2));
}

// A button with its caption (access key included) and its name for a screen reader.
QPushButton* button(const char* name, const QString& caption, const QString& tip) {
    auto* b = named(new QPushButton(caption), name);
    b->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    b->setToolTip(tip);
    return b;
}

}  // namespace

ArrangeWindow::ArrangeWindow(session::Session& session, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), session_(session), dialogs_(dialogs) {
    setObjectName(QLatin1String(kWindow));
    setWindowTitle(kCaption);
    // Above the main window, which stays usable beside it.
    setWindowFlags((windowFlags() & ~Qt::WindowType_Mask) | Qt::Tool);
    setModal(false);
    shownFor_ = session_.pcg().image;
    resize(760, 640);
    auto* layout = new QVBoxLayout(this);
    tabs_ = named(new QTabWidget, kTabs);
    tabs_->setAccessibleName(QStringLiteral("Programs, combinations and drum kits"));
    tabs_->addTab(bankPage(ListContent::Programs), QStringLiteral("&Programs"));
    tabs_->addTab(bankPage(ListContent::Combinations), QStringLiteral("C&ombinations"));
    tabs_->addTab(kitPage(), QStringLiteral("&Drum Kits"));
    layout->addWidget(tabs_, 1);

    preview_ = named(new QLabel, kPreview);
    preview_->setAccessibleName(QStringLiteral("What the drop will do"));
    preview_->setWordWrap(true);
    preview_->setMinimumHeight(2 * preview_->fontMetrics().lineSpacing());
    layout->addWidget(preview_);

    moveTo_ = button(kMoveTo, QStringLiteral("&Move To..."),
                     QStringLiteral("Move the selected slots to a slot you name; what stands "
                                    "there is pushed toward B99"));
    swap_ = button(kSwap, QStringLiteral("S&wap"),
                   QStringLiteral("Two selected slots or kits trade places; a run of slots "
                                  "trades places with a run you name"));
    copyTo_ = button(kCopyTo, QStringLiteral("&Copy To..."),
                     QStringLiteral("Copy the selected slots into the free slots from a slot "
                                    "you name"));
    empty_ = button(kEmpty, QStringLiteral("&Empty"),
                    QStringLiteral("Empty the selected slots or kits, as Delete does"));
    scope_ = named(new QComboBox, kScope);
    scope_->addItems({QStringLiteral("Banks A and B"), QStringLiteral("Bank A"),
                      QStringLiteral("Bank B"), QStringLiteral("Selection")});
    scope_->setAccessibleName(QStringLiteral("Scope"));
    scope_->setToolTip(QStringLiteral("The slots Sort by Name and Close Gaps work on"));
    auto* scopeLabel = new QLabel(QStringLiteral("&Scope:"));
    scopeLabel->setObjectName(QLatin1String(kScope) + QStringLiteral("Label"));
    scopeLabel->setBuddy(scope_);
    sort_ = button(kSortByName, QStringLiteral("Sort by &Name"),
                   QStringLiteral("Sort the used slots of the scope by name; empty slots stay "
                                  "where they are"));
    closeGaps_ = button(kCloseGaps, QStringLiteral("Close &Gaps"),
                        QStringLiteral("Move the used slots of the scope up so that the free "
                                       "ones come last"));
    undo_ = button(kUndo, QStringLiteral("&Undo"), QStringLiteral("Take back the last command"));
    redo_ = button(kRedo, QStringLiteral("&Redo"),
                   QStringLiteral("Do again the last command taken back"));
    auto* close = button(kClose, QStringLiteral("Close"), QStringLiteral("Close this window"));
    auto* commands = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{moveTo_, swap_, copyTo_, empty_})
        commands->addWidget(w);
    commands->addSpacing(12);
    for (QWidget* w : std::initializer_list<QWidget*>{scopeLabel, scope_, sort_, closeGaps_})
        commands->addWidget(w);
    commands->addStretch(1);
    layout->addLayout(commands);
    auto* history = new QHBoxLayout;
    history->addWidget(undo_);
    history->addWidget(redo_);
    history->addStretch(1);
    history->addWidget(close);
    layout->addLayout(history);

    connect(moveTo_, &QPushButton::clicked, this, &ArrangeWindow::moveTo);
    connect(swap_, &QPushButton::clicked, this, &ArrangeWindow::swap);
    connect(copyTo_, &QPushButton::clicked, this, &ArrangeWindow::copyTo);
    connect(empty_, &QPushButton::clicked, this, &ArrangeWindow::empty);
    connect(sort_, &QPushButton::clicked, this, &ArrangeWindow::sortByName);
    connect(closeGaps_, &QPushButton::clicked, this, &ArrangeWindow::closeGaps);
    connect(undo_, &QPushButton::clicked, this, &ArrangeWindow::undo);
    connect(redo_, &QPushButton::clicked, this, &ArrangeWindow::redo);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(new QShortcut(QKeySequence::Delete, this), &QShortcut::activated, this,
            &ArrangeWindow::empty);
    connect(tabs_, &QTabWidget::currentChanged, this, [this] {
        clearMarks();
        updateButtons();
    });
    updateButtons();
}

QWidget* ArrangeWindow::bankPage(ListContent content) {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    const bool programs = content == ListContent::Programs;
    for (int bank = 0; bank < 2; ++bank) {
        auto* list = new SlotList(new SlotListModel(session_.pcg(), content, bank, this));
        list->setObjectName(QLatin1String(programs
                                              ? (bank == 0 ? kProgramsA : kProgramsB)
                                              : (bank == 0 ? kCombinationsA : kCombinationsB)));
        const QString bankName = bank == 0 ? QStringLiteral("A") : QStringLiteral("B");
        list->setAccessibleName((programs ? QStringLiteral("Programs of bank ")
                                          : QStringLiteral("Combinations of bank ")) +
                                bankName);
        list->setToolTip(
            QStringLiteral("Drag the selected slots onto a slot to move them "
                           "there; hold Ctrl while dropping to swap them"));
        auto* label = new QLabel(QStringLiteral("Bank &") + bankName);
        label->setObjectName(list->objectName() + QStringLiteral("Label"));
        label->setBuddy(list);
        grid->addWidget(label, 0, bank);
        grid->addWidget(list, 1, bank);
        connectList(list);
    }
    return page;
}

QWidget* ArrangeWindow::kitPage() {
    auto* page = new QWidget;
    auto* box = new QVBoxLayout(page);
    auto* list = new SlotList(new SlotListModel(session_.pcg(), ListContent::Kits, 0, this));
    list->setObjectName(QLatin1String(kDrumKits));
    list->setAccessibleName(QStringLiteral("Drum kits and the drum programs that play them"));
    list->setToolTip(
        QStringLiteral("Drag a kit onto another to swap them; the drum programs "
                       "follow their kits"));
    auto* label = new QLabel(QStringLiteral("Drum &kits and the drum programs that play them"));
    label->setObjectName(list->objectName() + QStringLiteral("Label"));
    label->setBuddy(list);
    box->addWidget(label);
    box->addWidget(list, 1);
    connectList(list);
    return page;
}

void ArrangeWindow::connectList(SlotList* list) {
    lists_.push_back(list);
    list->setDropHandlers({[this](SlotList* l, const QMimeData* m, int row, bool swapping) {
                               return hover(l, m, row, swapping);
                           },
                           [this](SlotList* l, const QMimeData* m, int row, bool swapping) {
                               drop(l, m, row, swapping);
                           },
                           [this] { leaveDrag(); }});
    // One list holds the selection: choosing in bank B lets go of bank A.
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, list] {
        if (list->selectionModel()->hasSelection())
            for (SlotList* other : listsOf(list->slotModel()->content()))
                if (other != list) other->clearSelection();
        updateButtons();
    });
}

ListContent ArrangeWindow::content() const {
    switch (tabs_ ? tabs_->currentIndex() : kProgramsTab) {
        case kCombinationsTab:
            return ListContent::Combinations;
        case kDrumKitsTab:
            return ListContent::Kits;
        default:
            return ListContent::Programs;
    }
}

std::vector<SlotList*> ArrangeWindow::listsOf(ListContent c) const {
    std::vector<SlotList*> out;
    for (SlotList* list : lists_)
        if (list->slotModel()->content() == c) out.push_back(list);
    return out;
}

std::vector<int> ArrangeWindow::selection() const {
    std::vector<int> chosenSlots;
    for (SlotList* list : listsOf(content())) {
        const std::vector<int> selected = list->selectedSlots();
        chosenSlots.insert(chosenSlots.end(), selected.begin(), selected.end());
    }
    return chosenSlots;
}

void ArrangeWindow::refresh() {
    entriesDrop_.reset();
    for (SlotList* list : lists_)
        list->slotModel()->refresh();
    if (session_.pcg().image != shownFor_) {
        // Changed elsewhere: the line is no longer true. The result of the command that changed
        // it takes its place, now or when it comes (noteResult).
        showLine(notedFresh_ ? noted_ : QString());
        awaitingNote_ = !notedFresh_ && isVisible();
    }
    notedFresh_ = false;
    updateButtons();
}

void ArrangeWindow::noteResult(const QString& summary) {
    noted_ = summary;
    if (awaitingNote_)
        showLine(summary);
    else
        notedFresh_ = true;
}

void ArrangeWindow::showLine(const QString& text) {
    lastSummary_ = text;
    shownFor_ = session_.pcg().image;
    awaitingNote_ = false;
    preview_->setText(lastSummary_);
}

std::optional<int> ArrangeWindow::askSlot(const QString& caption, const QString& label,
                                          int suggested) {
    const auto answer =
        dialogs_.askText(this, caption, label, QString::fromStdString(pcg::slotName(suggested)));
    if (!answer) return std::nullopt;
    const auto slot = pcg::parseSlotName(bytesOf(answer->trimmed()));
    if (!slot)
        dialogs_.showError(
            this, kCaption,
            QStringLiteral("\"%1\" names no slot: slots are A00 to B99.").arg(answer->trimmed()));
    return slot;
}

void ArrangeWindow::moveTo() {
    guarded(this, dialogs_, [&] {
        const std::vector<int> chosen = selection();
        if (chosen.empty() || content() == ListContent::Kits) return;
        const auto target =
            askSlot(QStringLiteral("Move To"),
                    QStringLiteral("The first slot the selected %1 go to:").arg(wordOf(content())),
                    chosen.front());
        if (!target) return;
        const int moved = static_cast<int>(std::ranges::count_if(
            chosen, [&](int s) { return pcg::slotUsed(session_.pcg(), kindOf(content()), s); }));
        const session::ArrangeResult result =
            session::moveSlots(session_, kindOf(content()), chosen, *target);
        showResult(result);
        if (result.done()) selectLanded(*target, moved);
    });
}

void ArrangeWindow::swap() {
    guarded(this, dialogs_, [&] {
        const std::vector<int> chosen = selection();
        if (content() == ListContent::Kits) {
            if (chosen.size() == 2)
                showResult(session::swapDrumKits(session_, chosen[0], chosen[1]));
            return;
        }
        if (chosen.empty()) return;
        const pcg::SlotKind kind = kindOf(content());
        if (chosen.size() == 2) {
            showResult(session::swapSlots(session_, kind, {chosen[0]}, {chosen[1]}));
            return;
        }
        const auto target =
            askSlot(QStringLiteral("Swap"),
                    QStringLiteral("The first slot of the run the selected %1 trade places with:")
                        .arg(wordOf(content())),
                    chosen.front());
        if (target) showResult(session::swapSlotsAt(session_, kind, chosen, *target));
    });
}

void ArrangeWindow::copyTo() {
    guarded(this, dialogs_, [&] {
        const std::vector<int> chosen = selection();
        if (chosen.empty() || content() == ListContent::Kits) return;
        const auto target =
            askSlot(QStringLiteral("Copy To"),
                    QStringLiteral("The copies go into the free slots from:"), chosen.front());
        if (target) showResult(session::copySlots(session_, kindOf(content()), chosen, *target));
    });
}

void ArrangeWindow::empty() {
    guarded(this, dialogs_, [&] {
        const std::vector<int> chosen = selection();
        if (chosen.empty()) return;
        const bool kits = content() == ListContent::Kits;
        const pcg::ArrangePlan plan =
            kits ? pcg::planEmptyDrumKits(session_.pcg(), chosen)
                 : pcg::planEmpty(session_.pcg(), kindOf(content()), chosen);
        if (!mayEmpty(this, dialogs_, QStringLiteral("Empty"), session_.pcg(), plan)) return;
        showResult(kits ? session::emptyDrumKits(session_, chosen)
                        : session::emptySlots(session_, kindOf(content()), chosen));
    });
}

std::vector<int> ArrangeWindow::scopeSlots() const {
    switch (scope_->currentIndex()) {
        case kBankA:
            return pcg::bankSlots(0);
        case kBankB:
            return pcg::bankSlots(1);
        case kSelection:
            return selection();
        default:
            return pcg::allSlots();
    }
}

void ArrangeWindow::sortByName() {
    guarded(this, dialogs_, [&] {
        if (content() == ListContent::Kits) return;
        showResult(session::sortByName(session_, kindOf(content()), scopeSlots()));
    });
}

void ArrangeWindow::closeGaps() {
    guarded(this, dialogs_, [&] {
        if (content() == ListContent::Kits) return;
        showResult(session::closeGaps(session_, kindOf(content()), scopeSlots()));
    });
}

void ArrangeWindow::undo() {
    noted_.clear();
    emit undoRequested();
    if (!noted_.isEmpty()) showLine(noted_);
}

void ArrangeWindow::redo() {
    noted_.clear();
    emit redoRequested();
    if (!noted_.isEmpty()) showLine(noted_);
}

session::ArrangeResult ArrangeWindow::placeEntries(db::Kind kind,
                                                   const std::vector<std::int32_t>& ids,
                                                   int target) {
    session::ArrangeResult result;
    guarded(this, dialogs_, [&] {
        result = session::placeEntries(session_, kind, ids, target);
        showResult(result);
    });
    return result;
}

pcg::ArrangePlan ArrangeWindow::dropPlan(SlotList* list, const QMimeData* mime, int row,
                                         bool swapping) const {
    const Dragged dragged = draggedOf(mime);
    const ListContent here = list->slotModel()->content();
    if (dragged.what == Dragged::What::Nothing || dragged.of != here) return {};
    const pcg::PcgState& pcg = session_.pcg();
    const int target = list->slotModel()->slotOf(row);
    if (here == ListContent::Kits) {
        if (dragged.what != Dragged::What::Slots || dragged.numbers.size() != 1) return {};
        return pcg::planSwapDrumKits(pcg, dragged.numbers[0], target);
    }
    const pcg::SlotKind kind = kindOf(here);
    if (dragged.what == Dragged::What::Entries) {
        const db::Kind entries =
            here == ListContent::Programs ? db::Kind::Program : db::Kind::Combination;
        const std::vector<std::int32_t> ids(dragged.numbers.begin(), dragged.numbers.end());
        if (entriesDrop_ && entriesDrop_->kind == entries && entriesDrop_->ids == ids &&
            entriesDrop_->target == target)
            return entriesDrop_->plan;
        pcg::ArrangePlan plan;
        try {
            plan = session::placePlan(session_, entries, ids, target);
        } catch (const std::exception&) {
            // A database that cannot be read now: the drop itself will say why.
            plan = pcg::planInsert(pcg, kind, static_cast<int>(ids.size()), target);
        }
        entriesDrop_ = EntriesDrop{entries, ids, target, plan};
        return plan;
    }
    return swapping ? pcg::planSwapAt(pcg, kind, dragged.numbers, target)
                    : pcg::planMove(pcg, kind, dragged.numbers, target);
}

bool ArrangeWindow::hover(SlotList* list, const QMimeData* mime, int row, bool swapping) {
    const pcg::ArrangePlan plan = dropPlan(list, mime, row, swapping);
    clearMarks();
    if (plan.preview.empty()) {
        preview_->setText(lastSummary_);
        return false;
    }
    for (SlotList* other : listsOf(list->slotModel()->content())) {
        std::vector<int> rows;
        for (const int slot : plan.swapWith)
            if (const int r = other->slotModel()->rowOf(slot); r >= 0) rows.push_back(r);
        const int insertRow = plan.insertAt >= 0 ? other->slotModel()->rowOf(plan.insertAt) : -1;
        other->setMarks(insertRow, rows);
    }
    preview_->setText(sessionText(plan.preview));
    return plan.changes();
}

void ArrangeWindow::drop(SlotList* list, const QMimeData* mime, int row, bool swapping) {
    guarded(this, dialogs_, [&] {
        clearMarks();
        const Dragged dragged = draggedOf(mime);
        const ListContent here = list->slotModel()->content();
        if (dragged.what == Dragged::What::Nothing || dragged.of != here) {
            preview_->setText(lastSummary_);
            return;
        }
        const int target = list->slotModel()->slotOf(row);
        if (dragged.what == Dragged::What::Entries) {
            std::vector<std::int32_t> ids(dragged.numbers.begin(), dragged.numbers.end());
            placeEntries(here == ListContent::Programs ? db::Kind::Program : db::Kind::Combination,
                         ids, target);
        } else if (here == ListContent::Kits) {
            if (dragged.numbers.size() == 1)
                showResult(session::swapDrumKits(session_, dragged.numbers[0], target));
        } else {
            const pcg::SlotKind kind = kindOf(here);
            const int moved = static_cast<int>(std::ranges::count_if(dragged.numbers, [&](int s) {
                return pcg::isSlot(s) && pcg::slotUsed(session_.pcg(), kind, s);
            }));
            const session::ArrangeResult result =
                swapping ? session::swapSlotsAt(session_, kind, dragged.numbers, target)
                         : session::moveSlots(session_, kind, dragged.numbers, target);
            showResult(result);
            if (result.done() && !swapping) selectLanded(target, moved);
        }
    });
}

void ArrangeWindow::selectLanded(int target, int count) {
    // The moved records stay selected where they went, in the list of their first slot (the
    // selection is one list's).
    std::vector<int> landed;
    for (int i = 0; i < count; ++i)
        landed.push_back(target + i);
    for (SlotList* list : listsOf(content()))
        if (list->slotModel()->rowOf(target) >= 0) list->selectSlots(landed);
}

void ArrangeWindow::leaveDrag() {
    clearMarks();
    preview_->setText(lastSummary_);
}

void ArrangeWindow::clearMarks() {
    for (SlotList* list : lists_)
        list->setMarks(-1, {});
}

void ArrangeWindow::showResult(const session::ArrangeResult& result) {
    showLine(sessionText(result.summary));
    if (result.verdict == session::ArrangeResult::Verdict::Refused)
        dialogs_.showError(this, kCaption, lastSummary_);
    if (result.failure) dialogs_.showError(this, kCaption, sessionText(*result.failure));
    refresh();
    if (result.done() || (result.events && !result.events->empty())) {
        QStringList events;
        if (result.events)
            for (const std::string& line : *result.events)
                events << sessionText(line);
        emit pcgChanged(lastSummary_, events);
    }
}

void ArrangeWindow::updateButtons() {
    if (!undo_) return;
    const bool kits = content() == ListContent::Kits;
    const std::size_t chosen = selection().size();
    moveTo_->setEnabled(!kits && chosen > 0);
    copyTo_->setEnabled(!kits && chosen > 0);
    swap_->setEnabled(kits ? chosen == 2 : chosen > 0);
    empty_->setEnabled(chosen > 0);
    for (QWidget* w : std::initializer_list<QWidget*>{scope_, sort_, closeGaps_})
        w->setEnabled(!kits);
    const session::UndoLog& log = session_.undoLog();
    undo_->setEnabled(log.canUndo());
    undo_->setText(undoCaption(log));
    redo_->setEnabled(log.canRedo());
    redo_->setText(redoCaption(log));
}

bool mayEmpty(QWidget* parent, Dialogs& dialogs, const QString& caption, const pcg::PcgState& pcg,
              const pcg::ArrangePlan& plan) {
    const std::string question = pcg::emptyQuestion(pcg, plan);
    return question.empty() ||
           dialogs.ask(parent, caption, sessionText(question),
                       {QStringLiteral("&Empty"), QStringLiteral("Cancel")}) == 0;
}

}  // namespace pelvaro::app
