#pragma once
// A one-line label that never widens its window: a text longer than the room it has is shown
// cut after the last whole word that fits, with "..." ("mybank.pvd: 1,234 programs, 56..."),
// and whole in its tooltip. Lines stay one line rather than wrap, so the status bar and the
// where-used line below a detail panel keep their height whatever they say. Only a first word
// wider than the whole room is cut inside itself.

#include <QLabel>

namespace pelvaro::app {

class ElidedLabel : public QLabel {
    Q_OBJECT

  public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    // Sets the text, and the tooltip to the text.
    void setLine(const QString& text);
    // The text as it is drawn in the room the label has now.
    QString shownText() const;
    // The text as it is drawn in `width` pixels of this font.
    static QString fitted(const QString& text, const QFontMetrics& metrics, int width);

    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace pelvaro::app
