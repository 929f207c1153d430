#pragma once
// The event list across the bottom of the main window: what the last command could not do, one
// line each. Its lines can be chosen and copied (Ctrl+C copies the chosen ones, or all when none
// is chosen; Ctrl+A chooses all), also from its context menu.

#include <QListWidget>

#include "db/event_lines.h"

namespace pelvaro::app {

class EventList : public QListWidget {
    Q_OBJECT

  public:
    explicit EventList(QWidget* parent = nullptr);

    // The list shows these lines (UTF-8), the last one in view.
    void showLines(const db::EventLines& lines);
    // 50 pixels high until the user drags the splitter above it.
    QSize sizeHint() const override;

  public slots:
    void copyLines();
};

}  // namespace pelvaro::app
