#include "app/app_icon.h"

#include <QPainter>

namespace pelvaro::app {

QPixmap iconPixmap() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.setBrush(QColor(40, 40, 48));
    p.drawRoundedRect(1, 6, 30, 21, 3, 3);
    // Seven white keys with four black ones above them.
    p.setBrush(Qt::white);
    for (int i = 0; i < 7; ++i)
        p.drawRect(3 + 4 * i, 12, 3, 13);
    p.setBrush(Qt::black);
    for (int i : {0, 1, 3, 4})
        p.drawRect(5 + 4 * i, 12, 2, 7);
    p.setPen(QColor(255, 170, 0));
    p.drawLine(4, 9, 27, 9);
    return pixmap;
}

QIcon applicationIcon() {
    return QIcon(iconPixmap());
}

}  // namespace pelvaro::app
