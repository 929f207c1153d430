#pragma once
// The groups a search found, a row each: its number, how many entries it holds, its lowest entry's
// ID and a name (the group's own, or its lowest entry's, read when the view shows the row), so
// tens of thousands of groups cost nothing until shown.

#include <QAbstractTableModel>
#include <cstdint>
#include <string>
#include <vector>

#include "db/record_files.h"

namespace pelvaro::app {

class GroupListModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    GroupListModel(const db::RecordFiles& files, db::Kind kind, QObject* parent = nullptr);

    // names: one per group (groups of one name), or none (each shows its lowest entry's name).
    void setGroups(std::vector<std::vector<std::int32_t>> groups,
                   std::vector<std::string> names = {});
    const std::vector<std::int32_t>& group(int row) const {
        return groups_[static_cast<std::size_t>(row)];
    }
    // The name the row shows (empty when it cannot be read).
    QString nameOf(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    const db::RecordFiles& files_;
    db::Kind kind_;
    std::vector<std::vector<std::int32_t>> groups_;
    std::vector<std::string> names_;  // Latin-1
};

}  // namespace pelvaro::app
