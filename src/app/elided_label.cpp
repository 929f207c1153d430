#include "app/elided_label.h"

#include <QPainter>

namespace pelvaro::app {

namespace {
const QString kDots = QStringLiteral("...");

// What a cut leaves hanging before the dots: the blanks, and a comma or a colon that would
// announce a word no longer there.
void chopLoose(QString& head) {
    while (!head.isEmpty() && (head.back().isSpace() || head.back() == QLatin1Char(',') ||
                               head.back() == QLatin1Char(';') || head.back() == QLatin1Char(':')))
        head.chop(1);
}
}  // namespace

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setLine(const QString& line) {
    setText(line);
    setToolTip(line);
}

QString ElidedLabel::fitted(const QString& text, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(text) <= width) return text;
    for (qsizetype blank = text.lastIndexOf(QLatin1Char(' ')); blank > 0;
         blank = text.lastIndexOf(QLatin1Char(' '), blank - 1)) {
        QString head = text.left(blank);
        chopLoose(head);
        if (!head.isEmpty() && metrics.horizontalAdvance(head + kDots) <= width)
            return head + kDots;
    }
    // Not even the first word fits: it is cut where the room ends.
    QString head = text;
    while (!head.isEmpty() && metrics.horizontalAdvance(head + kDots) > width)
        head.chop(1);
    return head.isEmpty() ? QString() : head + kDots;
}

QString ElidedLabel::shownText() const {
    return fitted(text(), fontMetrics(), contentsRect().width());
}

QSize ElidedLabel::minimumSizeHint() const {
    return {fontMetrics().averageCharWidth() * 4, QLabel::minimumSizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, shownText());
}

}  // namespace pelvaro::app
