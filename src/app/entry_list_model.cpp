#include "app/entry_list_model.h"

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
    return label_ ? label_(index.row(), rowIds_[static_cast<std::size_t>(index.row())]) : QString();
}

}  // namespace pelvaro::app
