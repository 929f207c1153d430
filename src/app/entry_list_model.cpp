#include "app/entry_list_model.h"

#include <exception>

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
        return QString::fromLatin1(
            db::rowLabel(files_, kind_, rowIds_, static_cast<std::size_t>(index.row())));
    } catch (const std::exception&) {
        return QString();
    }
}

}  // namespace pelvaro::app
