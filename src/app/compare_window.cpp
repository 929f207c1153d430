#include "app/compare_window.h"
#include "app/control_names.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/widgets.h"

namespace pelvaro::app {

namespace {
QString hex(Byte b) {
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}
}  // namespace

CompareWindow::CompareWindow(const QString& title, QStringList choices, int left, int right,
                             Compare compare, QWidget* parent)
    : QDialog(parent), compare_(std::move(compare)) {
    setObjectName(QLatin1String(names::compare::kWindow));
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(620, 560);
    auto* layout = new QVBoxLayout(this);
    auto* picks = new QHBoxLayout;
    leftPick_ = named(new QComboBox, names::compare::kLeft);
    rightPick_ = named(new QComboBox, names::compare::kRight);
    leftPick_->setAccessibleName(QStringLiteral("Left sound"));
    rightPick_->setAccessibleName(QStringLiteral("Right sound"));
    for (QComboBox* pick : {leftPick_, rightPick_}) {
        pick->addItems(choices);
        pick->setToolTip(QStringLiteral("The sound shown on this side"));
        picks->addWidget(pick, 1);
    }
    leftPick_->setCurrentIndex(left);
    rightPick_->setCurrentIndex(right);
    layout->addLayout(picks);

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
    for (QComboBox* pick : {leftPick_, rightPick_})
        connect(pick, &QComboBox::currentIndexChanged, this, &CompareWindow::refresh);
    refresh();
}

void CompareWindow::refresh() {
    const transfer::Comparison c = compare_(leftPick_->currentIndex(), rightPick_->currentIndex());
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
