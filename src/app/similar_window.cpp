#include "app/similar_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/busy_window.h"
#include "app/control_names.h"
#include "app/database_watch.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "db/name_replace.h"
#include "session/organise_commands.h"

namespace pelvaro::app {

using namespace names::similar;

namespace {
enum Column { kBytes, kId, kName, kParameters };
}  // namespace

SimilarWindow::SimilarWindow(session::Session& session, const DatabaseWatch& watch,
                             Dialogs& dialogs, db::Kind kind, std::int32_t id,
                             ComparePair comparePair, QWidget* parent)
    : QDialog(parent),
      session_(session),
      watch_(watch),
      dialogs_(dialogs),
      kind_(kind),
      id_(id),
      comparePair_(std::move(comparePair)),
      busy_(new BusyWindow(this)) {
    setObjectName(QLatin1String(kWindow));
    setWindowTitle(QStringLiteral("Find Similar"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(640, 480);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    heading_ = named(new QLabel, kHeading);
    top->addWidget(heading_, 1);
    auto* shownLabel = new QLabel(QStringLiteral("&Show:"));
    shown_ = named(new QSpinBox, kShown);
    shown_->setRange(1, 1000);
    shown_->setValue(kDefaultShown);
    shown_->setToolTip(QStringLiteral("How many of the nearest entries are listed"));
    shown_->setAccessibleName(QStringLiteral("Show"));
    shownLabel->setBuddy(shown_);
    top->addWidget(shownLabel);
    top->addWidget(shown_);
    layout->addLayout(top);

    auto* gone = new QHBoxLayout;
    note_ = named(new QLabel, kOutOfDate);
    note_->setWordWrap(true);
    refresh_ = named(new QPushButton(QStringLiteral("&Refresh")), kRefresh);
    refresh_->setToolTip(QStringLiteral("Find the entries nearest to what this ID holds now"));
    gone->addWidget(note_, 1);
    gone->addWidget(refresh_);
    note_->hide();
    refresh_->hide();
    layout->addLayout(gone);

    list_ = named(new QTreeWidget, kList);
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({QStringLiteral("Bytes"), QStringLiteral("ID"), QStringLiteral("Name"),
                            QStringLiteral("Differs in")});
    list_->setToolTip(
        QStringLiteral("The nearest entries: how many compared bytes differ, and which parameters; "
                       "double-click one to compare it"));
    list_->setAccessibleName(QStringLiteral("Nearest entries"));
    layout->addWidget(list_, 1);

    auto* buttons = new QHBoxLayout;
    compare_ = named(new QPushButton(QStringLiteral("&Compare")), kCompare);
    compare_->setToolTip(QStringLiteral("Compare the chosen entry with the one of this row"));
    auto* close = named(new QPushButton(QStringLiteral("C&lose")), kClose);
    close->setToolTip(QStringLiteral("Close this window"));
    // Enter chooses a row of the list; it presses no button.
    for (QPushButton* b : {compare_, close, refresh_})
        b->setAutoDefault(false);
    buttons->addWidget(compare_);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(shown_, &QSpinBox::valueChanged, this, &SimilarWindow::refresh);
    connect(refresh_, &QPushButton::clicked, this, &SimilarWindow::refresh);
    connect(list_, &QTreeWidget::itemActivated, this, &SimilarWindow::compareChosen);
    connect(compare_, &QPushButton::clicked, this, &SimilarWindow::compareChosen);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(&watch_, &DatabaseWatch::changed, this, &SimilarWindow::databaseChanged);
    refresh();
}

void SimilarWindow::refresh() {
    guardedWhileBusy(this, dialogs_, *busy_, [&] {
        const auto found =
            session::findSimilar(session_, kind_, id_, static_cast<std::size_t>(shown_->value()));
        entry_.emplace(session_.files(), kind_, id_);
        shownAt_ = watch_.revision();
        shownEntry_ = QString::number(id_) + QLatin1Char(' ') +
                      textOf(db::storedName(session_.files(), kind_, id_));
        heading_->setText(QStringLiteral("Nearest to ") +
                          QString::fromStdString(db::kindWord(kind_)) + QLatin1Char(' ') +
                          shownEntry_);
        list_->clear();
        for (const transfer::Neighbour& n : found) {
            auto* item = new QTreeWidgetItem(
                list_,
                {QString::number(n.bytes), QString::number(n.id), QString::fromStdString(n.name),
                 QString::fromStdString(transfer::parameterText(n.parameters))});
            item->setData(kId, Qt::UserRole, n.id);
            item->setTextAlignment(kBytes, Qt::AlignRight | Qt::AlignVCenter);
            item->setTextAlignment(kId, Qt::AlignRight | Qt::AlignVCenter);
        }
        list_->header()->resizeSections(QHeaderView::ResizeToContents);
        if (list_->topLevelItemCount() > 0) list_->setCurrentItem(list_->topLevelItem(0));
        showGone(false);
    });
}

void SimilarWindow::databaseChanged() {
    if (watch_.revision() == shownAt_ || !entry_) return;
    bool found = false;
    guarded(this, dialogs_, [&] { found = entry_->findAgain(session_.files(), session_.names()); });
    if (found) {
        id_ = entry_->id();
        refresh();
        return;
    }
    // The list was found for a sound that is no longer stored as it was; every later change
    // looks for it again, until Refresh takes what the ID holds now.
    list_->clear();
    showGone(true);
}

void SimilarWindow::showGone(bool gone) {
    if (gone)
        note_->setText(QStringLiteral("%1 %2 has been changed or deleted since the list was found.")
                           .arg(QString::fromStdString(db::capitalKindWord(kind_)))
                           .arg(shownEntry_));
    note_->setVisible(gone);
    refresh_->setVisible(gone);
    refresh_->setEnabled(gone && id_ <= session_.files().count(kind_));
    shown_->setEnabled(!gone);
    compare_->setEnabled(!gone);
}

void SimilarWindow::compareChosen() {
    const QTreeWidgetItem* item = list_->currentItem();
    if (item == nullptr || !comparePair_) return;
    guarded(this, dialogs_,
            [&] { comparePair_(kind_, id_, item->data(kId, Qt::UserRole).toInt()); });
}

}  // namespace pelvaro::app
