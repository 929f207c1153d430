#pragma once
// Small helpers for building windows.

#include <QObject>

namespace pelvaro::app {

// Gives a control the name it has in the window design, so tests and readers find it by it.
template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

}  // namespace pelvaro::app
