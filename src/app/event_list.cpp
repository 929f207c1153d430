#include "app/event_list.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "app/control_names.h"

namespace pelvaro::app {

EventList::EventList(QWidget* parent) : QListWidget(parent) {
    setObjectName(QLatin1String(names::kEventList));
    setAccessibleName(QStringLiteral("Event list"));
    setToolTip(QStringLiteral("What the last command could not do; right-click to copy"));
    setMinimumHeight(30);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);  // each row's size is given as it is added (showLines)
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
    if (lines.empty()) return;
    // Every row is one line of text, as wide as the widest line (each different line measured
    // once). So the rows are equal, and a list of thousands of lines (a run of many files) is
    // laid out without measuring each row, which would take longer than the run's sends.
    const QFontMetrics metrics(font());
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(lines.size()));
    std::unordered_set<std::string_view> measured;
    int widest = 0;
    for (const std::string& line : lines) {
        texts << QString::fromStdString(line);
        if (measured.insert(line).second)
            widest = std::max(widest, metrics.horizontalAdvance(texts.back()));
    }
    addItem(texts.front());
    const QSize first = sizeHintForIndex(model()->index(0, 0));
    const QSize size(first.width() - metrics.horizontalAdvance(texts.front()) + widest,
                     first.height());
    item(0)->setSizeHint(size);
    for (qsizetype i = 1; i < texts.size(); ++i) {
        auto* row = new QListWidgetItem(texts[i]);
        row->setSizeHint(size);
        addItem(row);
    }
    scrollToBottom();
}

void EventList::copyLines() {
    QStringList lines;
    const QList<QListWidgetItem*> chosen = selectedItems();
    for (int i = 0; i < count(); ++i)
        if (chosen.isEmpty() || item(i)->isSelected()) lines << item(i)->text();
    if (!lines.isEmpty()) QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

}  // namespace pelvaro::app
