#pragma once
// The rows of a database list: the entry ID behind each row, with the row's text made by the
// core's row label only when the view asks for it, so a list of 100,000 entries refills without
// 100,000 strings; and the view of such a list, whose drags name the entries they carry and
// whose rows show the musician's marks beside their text.

#include <QAbstractListModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <cstdint>
#include <vector>

#include "db/origins.h"
#include "db/record_files.h"

namespace pelvaro::app {

class EntryListModel : public QAbstractListModel {
    Q_OBJECT

  public:
    // Rows of entries of kind (Program or Combination) from the record files, their marks from
    // `marks` (none without).
    EntryListModel(const db::RecordFiles& files, db::Kind kind,
                   const db::OriginStore* marks = nullptr, QObject* parent = nullptr);

    void setRows(std::vector<std::int32_t> rowIds);
    const std::vector<std::int32_t>& rowIds() const { return rowIds_; }
    // The marks of entries changed: the rows shown are drawn again, the rows stay as they are.
    void marksChanged();

    // A row's marks as drawn beside its text: a star for a favourite, then the rating ("★ 3");
    // its tooltip says them in words ("Favourite, rated 3, hidden"). A hidden entry's row is
    // grey. Nothing for an entry without marks.
    static constexpr int kMarksRole = Qt::UserRole + 1;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Rows dragged out of the list carry their entries (onto a slot of the arrange window).
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    // What a drag of these rows shows: the first entry by its ID and name ("12    Kalimba"), not
    // by its row, and how many more it carries.
    QString dragText(const QModelIndexList& indexes) const;

  private:
    const db::RecordFiles& files_;
    db::Kind kind_;
    const db::OriginStore* marks_;
    std::vector<std::int32_t> rowIds_;
};

// Draws a row as usual, then its marks (kMarksRole) at the right end.
class MarksDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

// A database list: its rows dragged out show dragText().
class EntryListView : public QTableView {
    Q_OBJECT

  public:
    using QTableView::QTableView;

  protected:
    void startDrag(Qt::DropActions actions) override;
};

}  // namespace pelvaro::app
