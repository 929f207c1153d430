#include "app/slot_list.h"

#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <algorithm>

namespace pelvaro::app {

namespace {
// How near the edge a drag makes the list scroll, in pixels.
constexpr int kScrollMargin = 16;
}  // namespace

SlotList::SlotList(SlotListModel* model, QWidget* parent) : QListView(parent), model_(model) {
    setModel(model);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setUniformItemSizes(true);
}

void SlotList::setMarks(int insertRow, std::vector<int> swapRows) {
    if (insertRow == insertRow_ && swapRows == swapRows_) return;
    insertRow_ = insertRow;
    swapRows_ = std::move(swapRows);
    viewport()->update();
}

std::vector<int> SlotList::selectedSlots() const {
    std::vector<int> chosenSlots;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        chosenSlots.push_back(model_->slotOf(index.row()));
    std::ranges::sort(chosenSlots);
    return chosenSlots;
}

void SlotList::selectSlots(const std::vector<int>& chosenSlots) {
    QItemSelection selection;
    for (const int slot : chosenSlots)
        if (const int row = model_->rowOf(slot); row >= 0)
            selection.select(model_->index(row), model_->index(row));
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!selection.isEmpty())
        selectionModel()->setCurrentIndex(selection.indexes().front(),
                                          QItemSelectionModel::NoUpdate);
}

int SlotList::rowAt(const QPoint& point) const {
    const QModelIndex index = indexAt(point);
    return index.isValid() ? index.row() : -1;
}

void SlotList::scrollWhileDragging(const QPoint& point) {
    QScrollBar* bar = verticalScrollBar();
    if (point.y() < kScrollMargin)
        bar->setValue(bar->value() - bar->singleStep());
    else if (point.y() > viewport()->height() - kScrollMargin)
        bar->setValue(bar->value() + bar->singleStep());
}

void SlotList::startDrag(Qt::DropActions) {
    const QModelIndexList indexes = selectionModel()->selectedIndexes();
    if (indexes.isEmpty()) return;
    // The records move only when the window has done the drop, never by the view taking rows
    // out of its model.
    QString text = model_->data(indexes.front(), Qt::DisplayRole).toString();
    if (indexes.size() > 1) text += QStringLiteral("  and %1 more").arg(indexes.size() - 1);
    dragShowing(this, model_->mimeData(indexes), text, Qt::MoveAction | Qt::CopyAction,
                Qt::MoveAction);
}

void dragShowing(QAbstractItemView* list, QMimeData* mime, const QString& text,
                 Qt::DropActions actions, Qt::DropAction preferred) {
    auto* drag = new QDrag(list);
    drag->setMimeData(mime);
    const QFontMetrics metrics(list->font());
    QPixmap picture(metrics.horizontalAdvance(text) + 12, metrics.height() + 6);
    picture.fill(list->palette().color(QPalette::Highlight));
    QPainter painter(&picture);
    painter.setPen(list->palette().color(QPalette::HighlightedText));
    painter.drawText(picture.rect(), Qt::AlignCenter, text);
    painter.end();
    drag->setPixmap(picture);
    drag->exec(actions, preferred);
}

void SlotList::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void SlotList::dragMoveEvent(QDragMoveEvent* event) {
    const QPoint point = event->position().toPoint();
    const int row = rowAt(point);
    scrollWhileDragging(point);
    const bool swap = event->modifiers().testFlag(Qt::ControlModifier);
    if (row >= 0 && handlers_.hover && handlers_.hover(this, event->mimeData(), row, swap)) {
        // Entries dragged from a database stay there; chosenSlots dragged here move.
        event->setDropAction(event->mimeData()->hasFormat(kEntriesMimeType) ? Qt::CopyAction
                                                                            : Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void SlotList::dragLeaveEvent(QDragLeaveEvent* event) {
    if (handlers_.leave) handlers_.leave();
    event->accept();
}

void SlotList::dropEvent(QDropEvent* event) {
    const int row = rowAt(event->position().toPoint());
    const bool swap = event->modifiers().testFlag(Qt::ControlModifier);
    if (row < 0 || !handlers_.drop) {
        event->ignore();
        if (handlers_.leave) handlers_.leave();
        return;
    }
    event->setDropAction(event->mimeData()->hasFormat(kEntriesMimeType) ? Qt::CopyAction
                                                                        : Qt::MoveAction);
    event->accept();
    handlers_.drop(this, event->mimeData(), row, swap);
}

void SlotList::paintEvent(QPaintEvent* event) {
    QListView::paintEvent(event);
    if (insertRow_ < 0 && swapRows_.empty()) return;
    QPainter painter(viewport());
    const QColor mark = palette().color(QPalette::Highlight);
    painter.setPen(QPen(mark, 2));
    for (const int row : swapRows_)
        painter.drawRect(visualRect(model_->index(row)).adjusted(1, 1, -1, -1));
    if (insertRow_ >= 0) {
        const QRect rect = visualRect(model_->index(insertRow_));
        painter.setPen(QPen(mark, 3));
        painter.drawLine(rect.left(), rect.top() + 1, rect.right(), rect.top() + 1);
        painter.setBrush(mark);
        painter.drawEllipse(QPoint(rect.left() + 3, rect.top() + 1), 3, 3);
    }
}

}  // namespace pelvaro::app
