#pragma once
// A list of the arrange window: its rows are dragged to the other lists and take drops. While
// something is dragged over a row, the window is asked what a drop there would do and marks
// the target on the lists before the drop: a line where the records will be inserted, or a
// frame around each slot they will trade places with.

#include <QListView>
#include <functional>
#include <vector>

#include "app/slot_list_model.h"

namespace pelvaro::app {

class SlotList : public QListView {
    Q_OBJECT

  public:
    // Asked while a drag is over row `row`, swap when Ctrl is held: whether a drop there would
    // change something. Then told of the drop, or that the drag left.
    struct DropHandlers {
        std::function<bool(SlotList*, const QMimeData*, int row, bool swap)> hover;
        std::function<void(SlotList*, const QMimeData*, int row, bool swap)> drop;
        std::function<void()> leave;
    };

    explicit SlotList(SlotListModel* model, QWidget* parent = nullptr);

    SlotListModel* slotModel() const { return model_; }
    void setDropHandlers(DropHandlers handlers) { handlers_ = std::move(handlers); }

    // The marks drawn over the rows while something is dragged: a line above row insertRow
    // (-1: none), a frame around each of swapRows.
    void setMarks(int insertRow, std::vector<int> swapRows);
    int insertRow() const { return insertRow_; }
    const std::vector<int>& swapRows() const { return swapRows_; }

    // The selected slots (or kits), ascending; and a selection of these slots (the others in
    // this list are let go).
    std::vector<int> selectedSlots() const;
    void selectSlots(const std::vector<int>& slots);

  protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    // The row under a point of the viewport, or -1.
    int rowAt(const QPoint& point) const;
    // The list scrolls by itself while a drag lingers at its top or bottom edge.
    void scrollWhileDragging(const QPoint& point);

    SlotListModel* model_;
    DropHandlers handlers_;
    int insertRow_ = -1;
    std::vector<int> swapRows_;
};

// A drag out of a list, shown by `text` (the first line it carries and how many more) rather
// than by a picture of the rows; the drag owns `mime`.
void dragShowing(QAbstractItemView* list, QMimeData* mime, const QString& text,
                 Qt::DropActions actions, Qt::DropAction preferred);

}  // namespace pelvaro::app
