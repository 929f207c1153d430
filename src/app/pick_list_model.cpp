#include "app/pick_list_model.h"

#include <algorithm>
#include <exception>

namespace pelvaro::app {

PickListModel::PickListModel(Label label, QObject* parent)
    : QAbstractListModel(parent), label_(std::move(label)) {}

void PickListModel::setRange(std::int32_t count) {
    count = std::max<std::int32_t>(count, 0);
    if (range_ && count == count_) return rowsRenamed();
    beginResetModel();
    range_ = true;
    count_ = count;
    keys_.clear();
    endResetModel();
}

void PickListModel::setKeys(std::vector<std::int32_t> keys) {
    if (!range_ && keys == keys_) return rowsRenamed();
    beginResetModel();
    range_ = false;
    keys_ = std::move(keys);
    count_ = static_cast<std::int32_t>(keys_.size());
    endResetModel();
}

void PickListModel::rowsRenamed() {
    if (count_ > 0) emit dataChanged(index(0, 0), index(count_ - 1, 0), {Qt::DisplayRole});
}

std::int32_t PickListModel::keyAt(int row) const {
    return range_ ? row + 1 : keys_[static_cast<std::size_t>(row)];
}

int PickListModel::rowOf(std::int32_t key) const {
    if (range_) return key >= 1 && key <= count_ ? key - 1 : -1;
    const auto at = std::ranges::lower_bound(keys_, key);
    return at != keys_.end() && *at == key ? static_cast<int>(at - keys_.begin()) : -1;
}

int PickListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count_;
}

QVariant PickListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count_) return {};
    // A row is read when the view paints it; a file that fails then shows the row empty rather
    // than ending the program from inside a paint.
    try {
        return label_(keyAt(index.row()));
    } catch (const std::exception&) {
        return QString();
    }
}

}  // namespace pelvaro::app
