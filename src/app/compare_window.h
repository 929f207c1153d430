#pragma once
// Two sounds side by side: the fields a musician reads, the bytes that differ beyond the name
// (offset, both values in hex, whether the matching rule looks at the byte) and its verdict.
// Two pickers choose the sounds among those offered: the two entries chosen in a database
// list, or every used slot of a PCG list.

#include <QDialog>
#include <QStringList>
#include <functional>

#include "transfer/comparison.h"

class QComboBox;
class QLabel;
class QTreeWidget;

namespace pelvaro::app {

class CompareWindow : public QDialog {
    Q_OBJECT

  public:
    using Compare = std::function<transfer::Comparison(int left, int right)>;
    CompareWindow(const QString& title, QStringList choices, int left, int right, Compare compare,
                  QWidget* parent = nullptr);

  public slots:
    void refresh();

  private:
    Compare compare_;
    QComboBox* leftPick_;
    QComboBox* rightPick_;
    QTreeWidget* fields_;
    QTreeWidget* bytes_;
    QLabel* verdict_;
};

}  // namespace pelvaro::app
