#pragma once
// The rows of a database list: the entry ID behind each row, with the row's text made by the
// core's row label only when the view asks for it, so a list of 100,000 entries refills without
// 100,000 strings; and the view of such a list, whose drags name the entries they carry.

#include <QAbstractListModel>
#include <QTableView>
#include <cstdint>
#include <vector>

#include "db/record_files.h"

namespace pelvaro::app {

class EntryListModel : public QAbstractListModel {
    Q_OBJECT

  public:
    // Rows of entries of kind (Program or Combination) from the record files.
    EntryListModel(const db::RecordFiles& files, db::Kind kind, QObject* parent = nullptr);

    void setRows(std::vector<std::int32_t> rowIds);
    const std::vector<std::int32_t>& rowIds() const { return rowIds_; }

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
    std::vector<std::int32_t> rowIds_;
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
