#include "app/entry_list_model.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <exception>

#include "app/slot_list.h"
#include "app/slot_list_model.h"
#include "app/window_text.h"
#include "db/listing.h"

namespace pelvaro::app {

EntryListModel::EntryListModel(const db::RecordFiles& files, db::Kind kind,
                               const db::OriginStore* marks, QObject* parent)
    : QAbstractListModel(parent), files_(files), kind_(kind), marks_(marks) {}

void EntryListModel::setRows(std::vector<std::int32_t> rowIds) {
    beginResetModel();
    rowIds_ = std::move(rowIds);
    endResetModel();
}

void EntryListModel::marksChanged() {
    if (!rowIds_.empty()) emit dataChanged(index(0), index(rowCount() - 1));
}

namespace {

// The star, then the rating, each in a place of its own so that the marks of rows line up.
QString marksText(const db::Marks& m) {
    if (!m.favourite && m.rating == 0) return {};
    return (m.favourite ? QStringLiteral("\u2605 ") : QStringLiteral("  ")) +
           (m.rating > 0 ? QString::number(m.rating) : QStringLiteral(" "));
}

QString marksWords(const db::Marks& m) {
    QStringList words;
    if (m.favourite) words << QStringLiteral("Favourite");
    if (m.rating > 0) words << QStringLiteral("rated %1").arg(m.rating);
    if (m.hidden) words << QStringLiteral("hidden");
    QString text = words.join(QStringLiteral(", "));
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text;
}

}  // namespace

int EntryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rowIds_.size());
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role == kMarksRole || role == Qt::ToolTipRole || role == Qt::ForegroundRole) {
        if (!marks_) return {};
        const db::Marks m = marks_->marks(kind_, rowIds_[static_cast<std::size_t>(index.row())]);
        if (m == db::Marks{}) return {};
        if (role == kMarksRole) return marksText(m);
        if (role == Qt::ToolTipRole) return marksWords(m);
        return m.hidden ? QVariant(QColor(Qt::gray)) : QVariant();
    }
    if (role != Qt::DisplayRole) return {};
    // A row is read when the view paints it; a file that fails then shows the row empty, like
    // an entry that is gone, rather than ending the program from inside a paint.
    try {
        return textOf(db::rowLabel(files_, kind_, rowIds_, static_cast<std::size_t>(index.row())));
    } catch (const std::exception&) {
        return QString();
    }
}

Qt::ItemFlags EntryListModel::flags(const QModelIndex& index) const {
    return QAbstractListModel::flags(index) |
           (index.isValid() ? Qt::ItemIsDragEnabled : Qt::NoItemFlags);
}

QStringList EntryListModel::mimeTypes() const {
    return {kEntriesMimeType};
}

QMimeData* EntryListModel::mimeData(const QModelIndexList& indexes) const {
    std::vector<int> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid() && index.row() < rowCount()) rows.push_back(index.row());
    std::ranges::sort(rows);
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<std::int32_t> ids;
    for (const int r : rows)
        ids.push_back(rowIds_[static_cast<std::size_t>(r)]);
    return entriesMimeData(kind_, ids);
}

Qt::DropActions EntryListModel::supportedDragActions() const {
    return Qt::CopyAction;
}

QString EntryListModel::dragText(const QModelIndexList& indexes) const {
    std::vector<int> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid() && index.row() < rowCount()) rows.push_back(index.row());
    std::ranges::sort(rows);
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty()) return {};
    QString text =
        textOf(db::entryLabel(files_, kind_, rowIds_[static_cast<std::size_t>(rows.front())]))
            .trimmed();
    if (rows.size() > 1) text += QStringLiteral("  and %1 more").arg(rows.size() - 1);
    return text;
}

void MarksDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    const QString marks = index.data(EntryListModel::kMarksRole).toString();
    if (marks.isEmpty()) return;
    painter->save();
    const bool selected = option.state & QStyle::State_Selected;
    QColor colour = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    if (const QVariant grey = index.data(Qt::ForegroundRole); grey.isValid() && !selected)
        colour = grey.value<QColor>();
    painter->setPen(colour);
    // The rating in the place of one digit at the right end, a drawn star (fonts draw the
    // character at any size) in the place of two before it.
    const QRect room = option.rect.adjusted(0, 0, -4, 0);
    const QFontMetrics digits(option.font);
    painter->setFont(option.font);
    painter->drawText(room, Qt::AlignRight | Qt::AlignVCenter, marks.right(1));
    if (marks.startsWith(QChar(0x2605))) {
        const double size = digits.ascent();
        const QPointF centre(room.right() - 2.5 * digits.horizontalAdvance(QLatin1Char('0')),
                             room.center().y() + 0.5);
        QPolygonF star;
        for (int point = 0; point < 10; ++point) {
            const double radius = (point % 2 == 0 ? 0.55 : 0.23) * size;
            const double angle = -M_PI / 2 + point * M_PI / 5;
            star << centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
        }
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setBrush(colour);
        painter->drawPolygon(star);
    }
    painter->restore();
}

void EntryListView::startDrag(Qt::DropActions actions) {
    auto* entries = qobject_cast<EntryListModel*>(model());
    const QModelIndexList indexes = selectionModel()->selectedIndexes();
    if (!entries || indexes.isEmpty()) return;
    dragShowing(this, entries->mimeData(indexes), entries->dragText(indexes), actions,
                Qt::CopyAction);
}

}  // namespace pelvaro::app
