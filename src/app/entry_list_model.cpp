#include "app/entry_list_model.h"

#include <algorithm>
#include <exception>

#include "app/slot_list_model.h"
#include "app/window_text.h"
#include "db/listing.h"

namespace pelvaro::app {

EntryListModel::EntryListModel(const db::RecordFiles& files, db::Kind kind, QObject* parent)
    : QAbstractListModel(parent), files_(files), kind_(kind) {}

void EntryListModel::setRows(std::vector<std::int32_t> rowIds) {
    beginResetModel();
    rowIds_ = std::move(rowIds);
    endResetModel();
}

int EntryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rowIds_.size());
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
    // A row is read when the view paints it; a file that fails then shows the row empty, like
    // an entry that is gone, rather than ending the program from inside a paint.
    try {
        return textOf(db::rowLabel(files_, kind_, rowIds_, static_cast<std::size_t>(index.row())));
    } catch (const std::exception&) {
        return QString();
    }
}

Qt::ItemFlags EntryListModel::flags(const QModelIndex& index) const {
    return QAbstractListModel::flags(index) |
           (index.isValid() ? Qt::ItemIsDragEnabled : Qt::NoItemFlags);
}

QStringList EntryListModel::mimeTypes() const {
    return {kEntriesMimeType};
}

QMimeData* EntryListModel::mimeData(const QModelIndexList& indexes) const {
    std::vector<int> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid() && index.row() < rowCount()) rows.push_back(index.row());
    std::ranges::sort(rows);
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<std::int32_t> ids;
    for (const int r : rows)
        ids.push_back(rowIds_[static_cast<std::size_t>(r)]);
    return entriesMimeData(kind_, ids);
}

Qt::DropActions EntryListModel::supportedDragActions() const {
    return Qt::CopyAction;
}

}  // namespace pelvaro::app
