#include "app/recovery_dialog.h"
#include "app/control_names.h"

#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/dialogs.h"
#include "app/widgets.h"

namespace pelvaro::app {

RecoveryDialog::RecoveryDialog(QString folder, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), folder_(std::move(folder)), dialogs_(dialogs) {
    setObjectName(QLatin1String(names::recovery::kWindow));
    setWindowTitle(QStringLiteral("Recover Database"));
    resize(640, 360);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Databases kept when they would have been lost, newest first. "
                                  "Open one to work on it again.")));
    list_ = named(new QTreeWidget, names::recovery::kList);
    list_->setAccessibleName(QStringLiteral("Recovery copies"));
    list_->setHeaderLabels({QStringLiteral("Saved"), QStringLiteral("Ran in"),
                            QStringLiteral("Programs"), QStringLiteral("Combinations"),
                            QStringLiteral("Classes")});
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    layout->addWidget(list_, 1);
    auto* buttons = new QHBoxLayout;
    open_ = named(new QPushButton(QStringLiteral("&Open")), names::recovery::kOpen);
    open_->setToolTip(QStringLiteral("Open the chosen copy as Open Database would"));
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

void RecoveryDialog::fill() {
    copies_ = session::recoveryCopies(QFile::encodeName(folder_).toStdString());
    list_->clear();
    for (const session::RecoveryCopy& copy : copies_)
        new QTreeWidgetItem(list_,
                            {QString::fromStdString(copy.savedAt),
                             QFile::decodeName(QByteArray::fromStdString(copy.ranIn)),
                             QString::number(copy.programs), QString::number(copy.combinations),
                             QString::number(copy.classes)});
    if (!copies_.empty()) list_->setCurrentItem(list_->topLevelItem(0));
    open_->setEnabled(!copies_.empty());
    delete_->setEnabled(!copies_.empty());
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
    chosen_ = copies_[static_cast<std::size_t>(row)].database;
    accept();
}

void RecoveryDialog::deleteClicked() {
    const int row = chosenRow();
    if (row < 0) return;
    guarded(this, dialogs_,
            [&] { session::deleteRecoveryCopy(copies_[static_cast<std::size_t>(row)]); });
    fill();
}

}  // namespace pelvaro::app
