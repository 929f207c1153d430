#pragma once
// Small helpers for building windows.

#include <QLabel>
#include <QObject>
#include <QString>

namespace pelvaro::app {

// Gives a control its object name, by which tests and accessibility tools find it.
template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A label tied to its control: the control is known by the label's words ("Drum ID", or
// spoken when given) to a screen reader, whatever group or panel it sits in.
inline QLabel* labelFor(const QString& text, QWidget* control, const QString& spoken = {}) {
    auto* label = new QLabel(text);
    label->setBuddy(control);
    QString name = spoken.isEmpty() ? text : spoken;
    name.remove(QLatin1Char('&'));
    if (name.endsWith(QLatin1Char(':'))) name.chop(1);
    control->setAccessibleName(name);
    return label;
}

}  // namespace pelvaro::app
