#include "app/recovery_dialog.h"

#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/control_names.h"
#include "app/dialogs.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "io/wording.h"

namespace pelvaro::app {

namespace {

enum Column { Saved, Database, Programs, Combinations, Classes, Pcg, Size, RanIn };

// "840 KB", "12.3 MB", "1.0 GB".
QString sizeText(std::int64_t bytes) {
    constexpr double kKilo = 1024.0;
    const auto n = static_cast<double>(bytes);
    if (n < kKilo * kKilo) return QStringLiteral("%1 KB").arg(std::ceil(n / kKilo), 0, 'f', 0);
    if (n < kKilo * kKilo * kKilo)
        return QStringLiteral("%1 MB").arg(n / (kKilo * kKilo), 0, 'f', 1);
    return QStringLiteral("%1 GB").arg(n / (kKilo * kKilo * kKilo), 0, 'f', 1);
}

QString number(std::int32_t n) {
    return QString::fromStdString(grouped(n));
}

QString pcgName(const session::RecoveryCopy& copy) {
    return copy.pcgFileName.empty() ? QStringLiteral("a new PCG") : fileNameOf(copy.pcgFileName);
}

QString databaseName(const session::RecoveryCopy& copy) {
    return copy.cameFrom.empty() ? QStringLiteral("a new database") : fileNameOf(copy.cameFrom);
}

}  // namespace

QString RecoveryDialog::keptWork(const session::RecoveryCopy& copy) {
    if (copy.database.empty()) return QStringLiteral("the PCG ") + pcgName(copy);
    return databaseName(copy) +
           (copy.pcg.empty() ? QString() : QStringLiteral(" and the PCG ") + pcgName(copy));
}

RecoveryDialog::RecoveryDialog(QString folder, std::int64_t limitBytes, Dialogs& dialogs,
                               QWidget* parent)
    : QDialog(parent), folder_(std::move(folder)), limitBytes_(limitBytes), dialogs_(dialogs) {
    setObjectName(QLatin1String(names::recovery::kWindow));
    setWindowTitle(QStringLiteral("Recover Database"));
    resize(820, 380);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("Work kept when it would have been lost, newest first: databases, and "
                       "PCGs never exported. Open one to work on it again.")));
    list_ = named(new QTreeWidget, names::recovery::kList);
    list_->setAccessibleName(QStringLiteral("Recovery copies"));
    list_->setHeaderLabels({QStringLiteral("Saved"), QStringLiteral("Database"),
                            QStringLiteral("Programs"), QStringLiteral("Combinations"),
                            QStringLiteral("Classes"), QStringLiteral("PCG"),
                            QStringLiteral("Size"), QStringLiteral("Ran in")});
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->header()->setSectionResizeMode(RanIn, QHeaderView::Stretch);
    layout->addWidget(list_, 1);
    total_ = named(new QLabel, names::recovery::kTotal);
    total_->setWordWrap(true);
    layout->addWidget(total_);
    auto* buttons = new QHBoxLayout;
    open_ = named(new QPushButton(QStringLiteral("&Open")), names::recovery::kOpen);
    open_->setToolTip(
        QStringLiteral("Open the chosen copy's database as Open Database would, and put its "
                       "PCG back"));
    delete_ = named(new QPushButton(QStringLiteral("&Delete")), names::recovery::kDelete);
    delete_->setToolTip(QStringLiteral("Delete the chosen copy and its files"));
    auto* close = named(new QPushButton(QStringLiteral("&Close")), names::recovery::kClose);
    close->setToolTip(QStringLiteral("Close this window"));
    list_->setToolTip(QStringLiteral("The recovery copies, newest first, with what each holds"));
    buttons->addWidget(open_);
    buttons->addWidget(delete_);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(open_, &QPushButton::clicked, this, &RecoveryDialog::openClicked);
    connect(delete_, &QPushButton::clicked, this, &RecoveryDialog::deleteClicked);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &RecoveryDialog::openClicked);
}

void RecoveryDialog::fill(int current) {
    const std::string folder = QFile::encodeName(folder_).toStdString();
    copies_ = session::recoveryCopies(folder);
    list_->clear();
    for (const session::RecoveryCopy& copy : copies_) {
        const bool database = !copy.database.empty();
        auto* item = new QTreeWidgetItem(list_);
        item->setText(Saved, QString::fromStdString(copy.savedAt));
        item->setToolTip(Saved, shownPath(database ? copy.database : copy.pcg));
        if (database) {
            item->setText(Database, databaseName(copy));
            item->setToolTip(Database, shownPath(copy.cameFrom));
            item->setText(Programs, number(copy.programs));
            item->setText(Combinations, number(copy.combinations));
            item->setText(Classes, number(copy.classes));
        }
        if (!copy.pcg.empty()) {
            item->setText(Pcg, pcgName(copy));
            item->setToolTip(Pcg, shownPath(copy.pcgFileName));
        }
        item->setText(Size, sizeText(copy.bytes));
        item->setText(RanIn, shownPath(copy.ranIn));
        for (const int column : {Programs, Combinations, Classes, Size})
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
    const int count = static_cast<int>(copies_.size());
    if (count > 0) list_->setCurrentItem(list_->topLevelItem(std::min(current, count - 1)));
    total_->setText(QStringLiteral("%1, %2 in all. The folder is kept under %3: the oldest "
                                   "copies go first, but never the newest copy of a database.")
                        .arg(counted(count, "copy", "copies"),
                             sizeText(session::recoveryFolderSize(folder)),
                             sizeText(limitBytes_).replace(QStringLiteral(".0 "), " ")));
    open_->setEnabled(count > 0);
    delete_->setEnabled(count > 0);
}

int RecoveryDialog::chosenRow() const {
    QTreeWidgetItem* item = list_->currentItem();
    return item ? list_->indexOfTopLevelItem(item) : -1;
}

std::optional<std::string> RecoveryDialog::chooseCopy() {
    chosen_.reset();
    fill();
    exec();
    return chosen_;
}

void RecoveryDialog::openClicked() {
    const int row = chosenRow();
    if (row < 0) return;
    chosen_ = copies_[static_cast<std::size_t>(row)].file();
    accept();
}

void RecoveryDialog::deleteClicked() {
    const int row = chosenRow();
    if (row < 0) return;
    const session::RecoveryCopy& copy = copies_[static_cast<std::size_t>(row)];
    const std::optional<int> answer = dialogs_.ask(
        this, QStringLiteral("Delete Recovery Copy"),
        QStringLiteral("Delete the recovery copy of %1 saved %2 (%3)? Its files are removed for "
                       "good.")
            .arg(keptWork(copy), QString::fromStdString(copy.savedAt), sizeText(copy.bytes)),
        {QStringLiteral("&Delete"), QStringLiteral("Cancel")});
    if (answer != 0) return;
    guarded(this, dialogs_, [&] { session::deleteRecoveryCopy(copy); });
    // The neighbour stays chosen (the one after it, or before it when it was the last), so a
    // second Delete never falls on the newest copy by surprise.
    fill(row);
}

}  // namespace pelvaro::app
