#pragma once

#include <QIcon>
#include <QPixmap>

namespace pelvaro::app {

// The application's 32 x 32 icon: a few keys of a keyboard, drawn rather than shipped.
QPixmap iconPixmap();
QIcon applicationIcon();

}  // namespace pelvaro::app
