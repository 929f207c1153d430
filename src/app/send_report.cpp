#include "app/send_report.h"
#include "app/control_names.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/dialogs.h"
#include "app/settings.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "io/safe_files.h"

namespace pelvaro::app {

namespace {
const QString kCsvFilter = QStringLiteral("CSV Files (*.csv)|*.csv");

QString number(std::int32_t n) {
    return QString::number(n);
}
}  // namespace

SendReport::SendReport(std::vector<session::FileReport> lines, const session::BatchTotals& totals,
                       bool cancelled, Dialogs& dialogs, Settings& settings, QWidget* parent)
    : QDialog(parent),
      lines_(std::move(lines)),
      totals_(totals),
      dialogs_(dialogs),
      settings_(settings) {
    setObjectName(QLatin1String(names::report::kWindow));
    setWindowTitle(QStringLiteral("PCG Files Sent to the Database"));
    resize(960, 420);
    auto* layout = new QVBoxLayout(this);
    auto* list = named(new QTreeWidget, names::report::kList);
    list->setAccessibleName(QStringLiteral("Files sent"));
    list->setRootIsDecorated(false);
    list->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Programs\nnew"),
                           QStringLiteral("Programs\nstored"), QStringLiteral("Combinations\nnew"),
                           QStringLiteral("Combinations\nstored"), QStringLiteral("Drum kits\nnew"),
                           QStringLiteral("Drum kits\nstored"), QStringLiteral("Skipped")});
    for (const session::FileReport& line : lines_) {
        const QString path = QFile::decodeName(QByteArray::fromStdString(line.path));
        QTreeWidgetItem* item = nullptr;
        if (!line.sent()) {
            item = new QTreeWidgetItem(
                list, {path, {}, {}, {}, {}, {}, {}, QString::fromStdString(line.skipped)});
        } else {
            const session::SendCounts& n = line.counts;
            item = new QTreeWidgetItem(
                list, {path, number(n.programs.fresh), number(n.programs.stored()),
                       number(n.combinations.fresh), number(n.combinations.stored()),
                       number(n.drumKits.fresh), number(n.drumKits.stored())});
            for (int c = 1; c <= 6; ++c)
                item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        }
        item->setToolTip(0, path);
    }
    // The path takes the room the counts leave; a long one is cut in its middle. The other
    // columns are as wide as their widest text, each different text measured once: a column
    // sized to its contents would measure every row again at each showing and hiding.
    list->setTextElideMode(Qt::ElideMiddle);
    list->setUniformRowHeights(true);
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    for (int c = 1; c < list->columnCount(); ++c) {
        QSet<QString> measured;
        int width = header->sectionSizeHint(c);
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            if (!measured.contains(list->topLevelItem(row)->text(c))) {
                measured.insert(list->topLevelItem(row)->text(c));
                width =
                    std::max(width, list->sizeHintForIndex(list->model()->index(row, c)).width());
            }
        header->resizeSection(c, width);
    }
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    layout->addWidget(list, 1);
    // The totals line of the text report.
    QString totalsText = QString::fromStdString(session::reportText({}, totals_)).trimmed();
    if (cancelled)
        totalsText += QStringLiteral("\nCancelled: the files after these were not sent.");
    auto* summary = named(new QLabel(totalsText), names::report::kTotals);
    layout->addWidget(summary);
    auto* buttons = new QHBoxLayout;
    auto* copy = named(new QPushButton(QStringLiteral("&Copy")), names::report::kCopy);
    copy->setToolTip(QStringLiteral("Copy the report as text"));
    auto* save = named(new QPushButton(QStringLiteral("&Save as CSV...")), names::report::kSave);
    save->setToolTip(QStringLiteral("Save the report as a CSV file for a spreadsheet"));
    auto* close = named(new QPushButton(QStringLiteral("C&lose")), names::report::kClose);
    close->setToolTip(QStringLiteral("Close the report"));
    list->setToolTip(QStringLiteral("Every file with what it brought, or why it was skipped"));
    buttons->addWidget(copy);
    buttons->addWidget(save);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(copy, &QPushButton::clicked, this, &SendReport::copyClicked);
    connect(save, &QPushButton::clicked, this, &SendReport::saveClicked);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void SendReport::copyClicked() {
    QApplication::clipboard()->setText(
        QFile::decodeName(QByteArray::fromStdString(session::reportText(lines_, totals_))));
}

void SendReport::saveClicked() {
    guarded(this, dialogs_, [&] {
        const auto path =
            dialogs_.saveFile(this, kCsvFilter, settings_.folder(Settings::FileKind::Report));
        if (!path) return;
        settings_.rememberFolder(Settings::FileKind::Report, *path);
        QString name = *path;
        if (!name.endsWith(QStringLiteral(".csv"))) name += QStringLiteral(".csv");
        if (!mayReplace(this, dialogs_, {name})) return;
        // The name is checked to survive the file system's encoding, as every writer's is.
        io::writeFileSafely(localPath(name), session::reportCsv(lines_));
    });
}

}  // namespace pelvaro::app
