#include "app/event_list.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>

#include "app/control_names.h"

namespace pelvaro::app {

EventList::EventList(QWidget* parent) : QListWidget(parent) {
    setObjectName(QLatin1String(names::kEventList));
    setAccessibleName(QStringLiteral("Event list"));
    setToolTip(QStringLiteral("What the last command could not do; right-click to copy"));
    setMinimumHeight(30);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    const auto add = [this](const char* name, const QString& caption, const QString& tip,
                            const QKeySequence& keys, void (EventList::*handler)()) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        action->setToolTip(tip);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, handler);
        addAction(action);
    };
    add(names::kCopyEvents, QStringLiteral("&Copy"),
        QStringLiteral("Copy the chosen lines (all lines when none is chosen)"), QKeySequence::Copy,
        &EventList::copyLines);
    add(names::kSelectAllEvents, QStringLiteral("Select &All"),
        QStringLiteral("Choose every line of the event list"), QKeySequence::SelectAll,
        &QListWidget::selectAll);
}

QSize EventList::sizeHint() const {
    return {QListWidget::sizeHint().width(), 50};
}

void EventList::showLines(const db::EventLines& lines) {
    clear();
    for (const std::string& line : lines)
        addItem(QString::fromStdString(line));
    if (!lines.empty()) scrollToBottom();
}

void EventList::copyLines() {
    QStringList lines;
    const QList<QListWidgetItem*> chosen = selectedItems();
    for (int i = 0; i < count(); ++i)
        if (chosen.isEmpty() || item(i)->isSelected()) lines << item(i)->text();
    if (!lines.isEmpty()) QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

}  // namespace pelvaro::app
