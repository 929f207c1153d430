#pragma once
// The rows of one list of the arrange window (one bank of program or combination slots, or the
// four drum kits with the drum programs that play them), with a tooltip on each slot saying who
// plays the program or what the combination plays, and what a drag carries to it.

#include <QAbstractListModel>
#include <QString>
#include <cstdint>
#include <vector>

#include "db/record_files.h"
#include "pcg/pcg_image.h"

class QMimeData;

namespace pelvaro::app {

enum class ListContent { Programs, Combinations, Kits };

// Slots dragged between the arrange window's lists: "programs 3,4,5" (slot numbers 0-199),
// "combinations 7", "kits 2".
inline const QString kSlotsMimeType = QStringLiteral("application/x-pelvaro-slots");
// Entries dragged from a database list: "programs 1,4,7" or "combinations 2,3" (entry IDs).
inline const QString kEntriesMimeType = QStringLiteral("application/x-pelvaro-entries");

struct Dragged {
    enum class What { Nothing, Slots, Entries };
    What what = What::Nothing;
    ListContent of = ListContent::Programs;
    std::vector<int> numbers;
};
// What a drag carries; Nothing for anything the lists do not take.
Dragged draggedOf(const QMimeData* mime);
// A drag of database entries, as a database list makes one for the arrange window.
QMimeData* entriesMimeData(db::Kind kind, const std::vector<std::int32_t>& ids);

class SlotListModel : public QAbstractListModel {
    Q_OBJECT

  public:
    // bank: 0 for A, 1 for B; ignored for the kits.
    SlotListModel(const pcg::PcgState& pcg, ListContent content, int bank,
                  QObject* parent = nullptr);

    ListContent content() const { return content_; }
    // The slot (0-199) or kit (0-3) behind a row, and the row of one (-1: not in this list).
    int slotOf(int row) const;
    int rowOf(int slot) const;
    // Every row may read differently now.
    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;

  private:
    const pcg::PcgState& pcg_;
    ListContent content_;
    int first_;  // the slot of row 0
};

}  // namespace pelvaro::app
