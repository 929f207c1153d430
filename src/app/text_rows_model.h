#pragma once
// A read-only table whose cells are made only when a view asks for them: a preview of 100,000
// entries holds what the core returned, not 400,000 strings.

#include <QAbstractTableModel>
#include <QStringList>
#include <functional>

namespace pelvaro::app {

class TextRowsModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    // cell(row, column) gives the text of a cell.
    using Cell = std::function<QString(int row, int column)>;
    explicit TextRowsModel(QStringList headers, QObject* parent = nullptr);

    // New rows: `rows` of them, each cell made by `cell` when it is shown.
    void setRows(int rows, Cell cell);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    QStringList headers_;
    int rows_ = 0;
    Cell cell_;
};

}  // namespace pelvaro::app
