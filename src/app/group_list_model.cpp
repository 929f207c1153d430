#include "app/group_list_model.h"

#include <exception>

#include "app/window_text.h"
#include "db/name_replace.h"
#include "transfer/similarity.h"

namespace pelvaro::app {

namespace {
enum Column { kNumber, kEntries, kLowest, kName, kColumns };
}  // namespace

GroupListModel::GroupListModel(const db::RecordFiles& files, db::Kind kind, QObject* parent)
    : QAbstractTableModel(parent), files_(files), kind_(kind) {}

void GroupListModel::setGroups(std::vector<std::vector<std::int32_t>> groups,
                               std::vector<std::string> names) {
    beginResetModel();
    groups_ = std::move(groups);
    names_ = std::move(names);
    endResetModel();
}

int GroupListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(groups_.size());
}

int GroupListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant GroupListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role == Qt::TextAlignmentRole && index.column() != kName)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    const auto row = static_cast<std::size_t>(index.row());
    switch (index.column()) {
        case kNumber:
            return QString::number(index.row() + 1);
        case kEntries:
            return QString::number(groups_[row].size());
        case kLowest:
            return QString::number(groups_[row].front());
        default:
            return nameOf(index.row());
    }
}

QString GroupListModel::nameOf(int r) const {
    const auto row = static_cast<std::size_t>(r);
    if (row >= groups_.size()) return {};
    if (row < names_.size()) return textOf(names_[row]);
    // Read when the view paints the row; a file that fails shows it empty, rather than ending
    // the program from inside a paint.
    try {
        return textOf(db::storedName(files_, kind_, groups_[row].front()));
    } catch (const std::exception&) {
        return QString();
    }
}

QVariant GroupListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case kNumber:
            return QStringLiteral("Group");
        case kEntries:
            return QStringLiteral("Entries");
        case kLowest:
            return QStringLiteral("Lowest ID");
        default:
            return QStringLiteral("Name");
    }
}

}  // namespace pelvaro::app
