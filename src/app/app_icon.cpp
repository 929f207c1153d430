#include "app/app_icon.h"

#include <QIconEngine>
#include <QPainter>

#include <algorithm>

namespace pelvaro::app {

// The picture is laid out on a grid of 32 x 32 units with one-unit lines. Every outline runs
// through the middle of a unit, so that at 32 pixels (and at whole multiples of it) each line
// covers whole pixels and the antialiased drawing stays sharp.
void paintIcon(QPainter& p, int size) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    QPen outline(Qt::black, 1.0);
    outline.setJoinStyle(Qt::MiterJoin);
    p.setPen(outline);
    p.setBrush(QColor(40, 40, 48));
    p.drawRoundedRect(QRectF(1.5, 6.5, 30, 21), 3, 3);
    // Seven white keys with four black ones above them.
    p.setBrush(Qt::white);
    for (int i = 0; i < 7; ++i)
        p.drawRect(QRectF(3.5 + 4 * i, 12.5, 3, 13));
    p.setBrush(Qt::black);
    for (int i : {0, 1, 3, 4})
        p.drawRect(QRectF(5.5 + 4 * i, 12.5, 2, 7));
    QPen line(QColor(255, 170, 0), 1.0);
    line.setCapStyle(Qt::SquareCap);
    p.setPen(line);
    p.drawLine(QPointF(4.5, 9.5), QPointF(27.5, 9.5));
    p.restore();
}

QPixmap iconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    paintIcon(p, size);
    return pixmap;
}

namespace {
// The icon drawn at the size it is asked for, when it is asked for: a window that shows no
// icon (offscreen, or before the desktop asks) paints none.
class PaintedIcon : public QIconEngine {
  public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        const int size = std::min(rect.width(), rect.height());
        painter->save();
        painter->translate(rect.topLeft());
        paintIcon(*painter, size);
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
        return iconPixmap(std::min(size.width(), size.height()));
    }
    QIconEngine* clone() const override { return new PaintedIcon; }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (int size : kIconSizes)
            sizes << QSize(size, size);
        return sizes;
    }
};
}  // namespace

QIcon applicationIcon() {
    return QIcon(new PaintedIcon);
}

}  // namespace pelvaro::app
