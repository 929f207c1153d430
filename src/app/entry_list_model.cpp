#include "app/entry_list_model.h"

#include <exception>

namespace pelvaro::app {

void EntryListModel::setRows(std::vector<std::int32_t> rowIds, LabelFunction label) {
    beginResetModel();
    rowIds_ = std::move(rowIds);
    label_ = std::move(label);
    endResetModel();
}

int EntryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rowIds_.size());
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
    if (!label_) return QString();
    // A row is read when the view paints it; a file that fails then shows the row empty, like
    // an entry that is gone, rather than ending the program from inside a paint.
    try {
        return label_(index.row(), rowIds_[static_cast<std::size_t>(index.row())]);
    } catch (const std::exception&) {
        return QString();
    }
}

}  // namespace pelvaro::app
