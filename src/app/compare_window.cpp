#include "app/compare_window.h"
#include "app/control_names.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "app/pick_list_model.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "db/listing.h"
#include "db/name_column.h"
#include "pcg/pcg_lists.h"
#include "session/session.h"

namespace pelvaro::app {

namespace {

QString hex(Byte b) {
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

// A picker's list: rows of one height in one column, so a million rows cost no more than a few.
QTableView* pickList(const char* name, PickListModel* model) {
    auto* list = named(new QTableView, name);
    list->setModel(model);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setTabKeyNavigation(false);
    list->setShowGrid(false);
    list->setWordWrap(false);
    list->setCornerButtonEnabled(false);
    list->horizontalHeader()->hide();
    list->horizontalHeader()->setStretchLastSection(true);
    list->verticalHeader()->hide();
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 2);
    list->setMinimumHeight(list->fontMetrics().height() * 6);
    return list;
}

}  // namespace

CompareWindow* CompareWindow::entries(session::Session& session, db::Kind kind, std::int32_t left,
                                      std::int32_t right, QWidget* parent) {
    const bool programs = kind == db::Kind::Program;
    Source source;
    source.title =
        programs ? QStringLiteral("Compare Programs") : QStringLiteral("Compare Combinations");
    source.filterTip = QStringLiteral(
        "Shows only the entries whose name holds this text (in any case), and the entry of "
        "this ID");
    source.label = [&session, kind](std::int32_t id) {
        const db::RecordFiles& files = session.files();
        if (id < 1 || id > files.count(kind)) return QString::number(id);
        const std::string name = kind == db::Kind::Program
                                     ? db::entryName(files.read<db::DbProgramEntry>(id))
                                     : db::entryName(files.read<db::DbCombinationEntry>(id));
        return name.empty() ? QString::number(id)
                            : QString::number(id) + QLatin1Char(' ') + textOf(name);
    };
    source.filterHint = QStringLiteral("Filter by name or ID");
    source.fill = [&session, kind](PickListModel& model, const QString& filter) {
        const std::int32_t count = session.files().count(kind);
        if (filter.isEmpty()) return model.setRange(count);
        // The names in memory answer as the Name search does, without reading a record.
        std::string text = bytesOf(filter);
        std::ranges::transform(text, text.begin(), db::upperCase8Bit);
        std::vector<std::int32_t> keys = session.names().holding(kind, text);
        bool number = false;
        const int id = filter.trimmed().toInt(&number);
        if (number && id >= 1 && id <= count) {
            const auto at = std::ranges::lower_bound(keys, id);
            if (at == keys.end() || *at != id) keys.insert(at, id);
        }
        model.setKeys(std::move(keys));
    };
    source.compare = [&session, programs](std::int32_t a, std::int32_t b) {
        return programs ? transfer::compareProgramEntries(session.files(), a, b)
                        : transfer::compareCombinationEntries(session.files(), a, b);
    };
    return new CompareWindow(source, left, right, parent);
}

CompareWindow* CompareWindow::pcgSlots(session::Session& session, pcg::SlotKind kind, int current,
                                       QWidget* parent) {
    const bool programs = kind == pcg::SlotKind::Program;
    const auto used = [&session, programs] {
        const pcg::SlotOccupancy& occupancy = session.pcg().occupancy;
        return programs ? occupancy.programUsed : occupancy.combinationUsed;
    };
    Source source;
    source.title = programs ? QStringLiteral("Compare Pcg Programs")
                            : QStringLiteral("Compare Pcg Combinations");
    source.filterTip =
        QStringLiteral("Shows only the slots whose line (slot and name) holds this text");
    source.filterHint = QStringLiteral("Filter by slot or name");
    source.label = [&session, kind](std::int32_t slot) {
        return textOf(pcg::pcgListLine(session.pcg(), kind, slot < pcg::kBankSize ? 0 : 1,
                                       slot % pcg::kBankSize));
    };
    source.fill = [used, label = source.label](PickListModel& model, const QString& filter) {
        const auto flags = used();
        std::vector<std::int32_t> keys;
        for (int slot = 0; slot < pcg::kSlotCount; ++slot)
            if (flags[slot] == 1 &&
                (filter.isEmpty() || label(slot).contains(filter, Qt::CaseInsensitive)))
                keys.push_back(slot);
        model.setKeys(std::move(keys));
    };
    source.compare = [&session, programs](std::int32_t a, std::int32_t b) {
        return programs ? transfer::comparePcgPrograms(session.pcg(), a, b)
                        : transfer::comparePcgCombinations(session.pcg(), a, b);
    };
    // The next used slot, or after the last the one before.
    const auto flags = used();
    int right = current;
    for (int slot = current + 1; slot < pcg::kSlotCount && right == current; ++slot)
        if (flags[slot] == 1) right = slot;
    for (int slot = current - 1; slot >= 0 && right == current; --slot)
        if (flags[slot] == 1) right = slot;
    return new CompareWindow(source, current, right, parent);
}

CompareWindow::CompareWindow(Source source, std::int32_t left, std::int32_t right, QWidget* parent)
    : QDialog(parent), source_(std::move(source)) {
    setObjectName(QLatin1String(names::compare::kWindow));
    setWindowTitle(source_.title);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(640, 680);
    auto* layout = new QVBoxLayout(this);
    auto* picks = new QHBoxLayout;
    picks->addLayout(buildSide(sides_[0], QStringLiteral("&Left:"), names::compare::kLeftFilter,
                               names::compare::kLeft, QStringLiteral("left")));
    picks->addLayout(buildSide(sides_[1], QStringLiteral("&Right:"), names::compare::kRightFilter,
                               names::compare::kRight, QStringLiteral("right")));
    layout->addLayout(picks, 2);

    fields_ = named(new QTreeWidget, names::compare::kFields);
    fields_->setAccessibleName(QStringLiteral("The two sounds side by side"));
    fields_->setRootIsDecorated(false);
    fields_->setHeaderLabels({QString(), QStringLiteral("Left"), QStringLiteral("Right")});
    fields_->setToolTip(QStringLiteral("What each side is; values that differ are bold"));
    layout->addWidget(fields_, 3);
    verdict_ = named(new QLabel, names::compare::kVerdict);
    QFont bold = verdict_->font();
    bold.setBold(true);
    verdict_->setFont(bold);
    layout->addWidget(verdict_);
    bytes_ = named(new QTreeWidget, names::compare::kBytes);
    bytes_->setAccessibleName(QStringLiteral("The bytes that differ"));
    bytes_->setRootIsDecorated(false);
    bytes_->setHeaderLabels({QStringLiteral("Offset"), QStringLiteral("Left"),
                             QStringLiteral("Right"), QStringLiteral("Compared")});
    bytes_->setToolTip(QStringLiteral(
        "The bytes after the name that differ; \"no\": the matching rule leaves the byte out"));
    layout->addWidget(bytes_, 2);
    auto* close = named(new QPushButton(QStringLiteral("&Close")), names::compare::kClose);
    close->setToolTip(QStringLiteral("Close this window"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    sides_[0].key = left;
    sides_[1].key = right;
    reread();
}

QLayout* CompareWindow::buildSide(Side& side, const QString& caption, const char* filterName,
                                  const char* listName, const QString& which) {
    auto* column = new QVBoxLayout;
    auto* heading = new QLabel(caption);
    side.filter = named(new QLineEdit, filterName);
    side.filter->setPlaceholderText(source_.filterHint);
    side.filter->setClearButtonEnabled(true);
    side.filter->setToolTip(source_.filterTip);
    side.filter->setAccessibleName(QStringLiteral("Filter of the %1 sound").arg(which));
    heading->setBuddy(side.filter);
    side.model = new PickListModel(source_.label, this);
    side.list = pickList(listName, side.model);
    side.list->setAccessibleName(QStringLiteral("The %1 sound").arg(which));
    side.list->setToolTip(QStringLiteral("The sound shown on this side"));
    column->addWidget(heading);
    column->addWidget(side.filter);
    column->addWidget(side.list, 1);
    connect(side.filter, &QLineEdit::textChanged, this, [this, &side] { reread({&side}); });
    connect(side.list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, &side](const QModelIndex& current) {
                if (filling_ || !current.isValid()) return;
                side.key = side.model->keyAt(current.row());
                refresh();
            });
    return column;
}

void CompareWindow::reread(std::initializer_list<Side*> sides) {
    try {
        for (Side* side : sides)
            fill(*side);
    } catch (const std::exception& e) {
        showFailure(e);
        return;
    }
    refresh();
}

void CompareWindow::reread() {
    reread({&sides_[0], &sides_[1]});
}

void CompareWindow::fill(Side& side) {
    filling_ = true;
    const struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{filling_};
    source_.fill(*side.model, side.filter->text());
    int row = side.model->rowOf(side.key);
    if (row < 0 && side.model->rowCount() > 0) {
        row = 0;
        side.key = side.model->keyAt(0);
    }
    if (row < 0) return;  // nothing holds the filter: the sound shown stays
    // Rows that stayed as they were keep the place the user scrolled to.
    const QModelIndex at = side.model->index(row, 0);
    if (side.list->currentIndex() == at) return;
    side.list->setCurrentIndex(at);
    side.list->scrollTo(at);
}

void CompareWindow::showFailure(const std::exception& e) {
    fields_->clear();
    bytes_->clear();
    verdict_->setText(QString::fromLocal8Bit(e.what()));
}

bool CompareWindow::event(QEvent* event) {
    // Back from the main window, where entries or slots may have changed.
    if (event->type() == QEvent::WindowActivate) reread();
    return QDialog::event(event);
}

QString CompareWindow::summary() const {
    return QStringLiteral("Compared %1 and %2: %3")
        .arg(source_.label(sides_[0].key), source_.label(sides_[1].key), verdict_->text());
}

void CompareWindow::refresh() {
    transfer::Comparison c;
    try {
        c = source_.compare(sides_[0].key, sides_[1].key);
    } catch (const std::exception& e) {
        showFailure(e);
        return;
    }
    fields_->clear();
    for (std::size_t i = 0; i < c.labels.size(); ++i) {
        auto* item = new QTreeWidgetItem(
            fields_, {QString::fromStdString(c.labels[i]), QString::fromStdString(c.left[i]),
                      QString::fromStdString(c.right[i])});
        if (c.left[i] != c.right[i]) {
            QFont bold = item->font(1);
            bold.setBold(true);
            item->setFont(1, bold);
            item->setFont(2, bold);
        }
    }
    fields_->header()->resizeSections(QHeaderView::ResizeToContents);
    verdict_->setText(QString::fromStdString(c.verdict));
    bytes_->clear();
    for (const transfer::ByteDifference& d : c.bytes)
        new QTreeWidgetItem(bytes_, {QString::number(d.offset), hex(d.left), hex(d.right),
                                     d.compared ? QStringLiteral("yes") : QStringLiteral("no")});
}

}  // namespace pelvaro::app
