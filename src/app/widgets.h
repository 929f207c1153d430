#pragma once
// Small helpers for building windows.

#include <QObject>

namespace pelvaro::app {

// Gives a control its object name, by which tests and accessibility tools find it.
template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

}  // namespace pelvaro::app
