#include "app/slot_list_model.h"

#include <QApplication>
#include <QMimeData>
#include <QPalette>
#include <algorithm>
#include <optional>

#include "app/window_text.h"
#include "pcg/arrange.h"
#include "pcg/pcg_lists.h"

namespace pelvaro::app {

namespace {

const char* wordOf(ListContent content) {
    switch (content) {
        case ListContent::Programs:
            return "programs";
        case ListContent::Combinations:
            return "combinations";
        default:
            return "kits";
    }
}

QByteArray payload(ListContent content, const std::vector<int>& numbers) {
    QByteArray text = wordOf(content);
    for (std::size_t i = 0; i < numbers.size(); ++i)
        text += (i == 0 ? " " : ",") + QByteArray::number(numbers[i]);
    return text;
}

}  // namespace

Dragged draggedOf(const QMimeData* mime) {
    Dragged dragged;
    if (!mime) return dragged;
    const bool chosenSlots = mime->hasFormat(kSlotsMimeType);
    if (!chosenSlots && !mime->hasFormat(kEntriesMimeType)) return dragged;
    const QList<QByteArray> words =
        mime->data(chosenSlots ? kSlotsMimeType : kEntriesMimeType).trimmed().split(' ');
    if (words.size() != 2) return dragged;
    const auto content = [&]() -> std::optional<ListContent> {
        for (const ListContent c :
             {ListContent::Programs, ListContent::Combinations, ListContent::Kits})
            if (words[0] == wordOf(c) && (chosenSlots || c != ListContent::Kits)) return c;
        return std::nullopt;
    }();
    if (!content) return dragged;
    for (const QByteArray& number : words[1].split(',')) {
        bool ok = false;
        const int n = number.toInt(&ok);
        if (!ok || n < 0) return Dragged{};
        dragged.numbers.push_back(n);
    }
    dragged.of = *content;
    dragged.what = chosenSlots ? Dragged::What::Slots : Dragged::What::Entries;
    return dragged;
}

QMimeData* entriesMimeData(db::Kind kind, const std::vector<std::int32_t>& ids) {
    auto* mime = new QMimeData;
    mime->setData(kEntriesMimeType, payload(kind == db::Kind::Program ? ListContent::Programs
                                                                      : ListContent::Combinations,
                                            std::vector<int>(ids.begin(), ids.end())));
    return mime;
}

SlotListModel::SlotListModel(const pcg::PcgState& pcg, ListContent content, int bank,
                             QObject* parent)
    : QAbstractListModel(parent),
      pcg_(pcg),
      content_(content),
      first_(content == ListContent::Kits || bank == 0 ? 0 : pcg::kBankSize) {}

int SlotListModel::slotOf(int row) const {
    return first_ + row;
}

int SlotListModel::rowOf(int slot) const {
    const int row = slot - first_;
    return row >= 0 && row < rowCount() ? row : -1;
}

void SlotListModel::refresh() {
    emit dataChanged(index(0), index(rowCount() - 1));
}

int SlotListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return content_ == ListContent::Kits ? pcg::kDrumKitCount : pcg::kBankSize;
}

QVariant SlotListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const int slot = slotOf(index.row());
    if (content_ == ListContent::Kits) {
        if (role == Qt::DisplayRole) return textOf(pcg::drumKitLine(pcg_, slot));
        return {};
    }
    const bool programs = content_ == ListContent::Programs;
    const bool used =
        (programs ? pcg_.occupancy.programUsed[slot] : pcg_.occupancy.combinationUsed[slot]) == 1;
    switch (role) {
        case Qt::DisplayRole:
            return textOf(pcg::pcgListLine(
                pcg_, programs ? pcg::SlotKind::Program : pcg::SlotKind::Combination,
                slot / pcg::kBankSize, slot % pcg::kBankSize));
        case Qt::ForegroundRole:
            // Empty chosenSlots are pale, so the used ones stand out and the gaps show.
            if (!used) return QApplication::palette().color(QPalette::Disabled, QPalette::Text);
            return {};
        default:
            return {};
    }
}

Qt::ItemFlags SlotListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

QStringList SlotListModel::mimeTypes() const {
    return {kSlotsMimeType, kEntriesMimeType};
}

QMimeData* SlotListModel::mimeData(const QModelIndexList& indexes) const {
    std::vector<int> chosenSlots;
    for (const QModelIndex& index : indexes)
        chosenSlots.push_back(slotOf(index.row()));
    std::ranges::sort(chosenSlots);
    auto* mime = new QMimeData;
    mime->setData(kSlotsMimeType, payload(content_, chosenSlots));
    return mime;
}

Qt::DropActions SlotListModel::supportedDragActions() const {
    return Qt::MoveAction | Qt::CopyAction;
}

Qt::DropActions SlotListModel::supportedDropActions() const {
    return Qt::MoveAction | Qt::CopyAction;
}

}  // namespace pelvaro::app
