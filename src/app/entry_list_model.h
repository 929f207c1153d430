#pragma once
// The rows of a database list: the entry ID behind each row, with the row's text made only
// when the view asks for it, so a list of 100,000 entries refills without 100,000 strings.

#include <QAbstractListModel>
#include <cstdint>
#include <functional>
#include <vector>

namespace pelvaro::app {

class EntryListModel : public QAbstractListModel {
    Q_OBJECT

  public:
    // The text of row r (counting from 0) showing entry id.
    using LabelFunction = std::function<QString(int row, std::int32_t id)>;

    explicit EntryListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

    void setRows(std::vector<std::int32_t> rowIds, LabelFunction label);
    const std::vector<std::int32_t>& rowIds() const { return rowIds_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

  private:
    std::vector<std::int32_t> rowIds_;
    LabelFunction label_;
};

}  // namespace pelvaro::app
