#pragma once
// The rows of a picker: a key behind each row (an entry ID, a slot), ascending, its text made
// only when a view asks for it. A picker over every entry of a million-entry database holds no
// string and, until it is narrowed, not even the list of keys.

#include <QAbstractListModel>
#include <cstdint>
#include <functional>
#include <vector>

namespace pelvaro::app {

class PickListModel : public QAbstractListModel {
    Q_OBJECT

  public:
    using Label = std::function<QString(std::int32_t key)>;
    explicit PickListModel(Label label, QObject* parent = nullptr);

    // The keys 1 to count.
    void setRange(std::int32_t count);
    // These keys, ascending.
    void setKeys(std::vector<std::int32_t> keys);
    // Either with the keys it has keeps its rows (a view keeps its place in them) and only
    // asks for their texts again.

    std::int32_t keyAt(int row) const;
    // The row that shows the key, or -1.
    int rowOf(std::int32_t key) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

  private:
    void rowsRenamed();

    Label label_;
    bool range_ = true;
    std::int32_t count_ = 0;
    std::vector<std::int32_t> keys_;
};

}  // namespace pelvaro::app
