#pragma once

#include <QIcon>
#include <QPixmap>
#include <array>

class QPainter;

namespace pelvaro::app {

// The sizes in pixels the icon is shipped in (packaging/icons/) and carried by applicationIcon().
inline constexpr std::array<int, 8> kIconSizes = {16, 22, 24, 32, 48, 64, 128, 256};

// The application's icon: a few keys of a keyboard in a dark rounded case under an orange line,
// drawn rather than shipped. paintIcon() paints it into the square (0, 0, size, size) of any
// size; packaging/icons/scalable/org.pelvaro.Pelvaro.svg is the same picture.
void paintIcon(QPainter& painter, int size);
QPixmap iconPixmap(int size = 32);
QIcon applicationIcon();  // drawn at any size asked, kIconSizes listed as its own

}  // namespace pelvaro::app
