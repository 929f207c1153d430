#include "app/text_rows_model.h"

#include <exception>

namespace pelvaro::app {

TextRowsModel::TextRowsModel(QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), headers_(std::move(headers)) {}

void TextRowsModel::setRows(int rows, Cell cell) {
    beginResetModel();
    rows_ = rows;
    cell_ = std::move(cell);
    endResetModel();
}

int TextRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TextRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant TextRowsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_ || !cell_) return {};
    // A cell that reads a file that fails shows empty rather than ending the program from
    // inside a paint.
    try {
        return cell_(index.row(), index.column());
    } catch (const std::exception&) {
        return QString();
    }
}

QVariant TextRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return headers_.value(section);
    return section + 1;
}

}  // namespace pelvaro::app
