// The application icon as PNG files for the desktop's icon theme (./dev icons).
//   make_icons <folder>   ->  <folder>/NxN/org.pelvaro.Pelvaro.png for every size the program
//                             carries (16 to 256 pixels)

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "app/app_icon.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("icons");

    for (int size : pelvaro::app::kIconSizes) {
        const QString folder = QStringLiteral("%1/%2x%2").arg(out).arg(size);
        if (!QDir().mkpath(folder)) {
            std::fprintf(stderr, "make_icons: cannot create %s\n", qPrintable(folder));
            return 1;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            pelvaro::app::paintIcon(painter, size);
        }
        const QString file = folder + QStringLiteral("/org.pelvaro.Pelvaro.png");
        if (!image.convertToFormat(QImage::Format_ARGB32).save(file, "PNG")) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
        std::printf("%s\n", qPrintable(file));
    }
    return 0;
}
