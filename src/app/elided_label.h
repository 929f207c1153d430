#pragma once
// A one-line label that never widens its window: a text longer than the room it has is shown
// cut in the middle ("mybank.pvd: 1,234 pro…12 classes"), and whole in its tooltip.

#include <QLabel>

namespace pelvaro::app {

class ElidedLabel : public QLabel {
  public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    // Sets the text, and the tooltip to the text.
    void setLine(const QString& text);

    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace pelvaro::app
