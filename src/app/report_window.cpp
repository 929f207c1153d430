#include "app/report_window.h"

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

#include "app/control_names.h"
#include "app/dialogs.h"
#include "app/settings.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "io/safe_files.h"

namespace pelvaro::app {

namespace {
const QString kCsvFilter = QStringLiteral("CSV Files (*.csv)|*.csv");
}  // namespace

ReportWindow::ReportWindow(Content content, Dialogs& dialogs, Settings& settings, QWidget* parent)
    : QDialog(parent),
      text_(std::move(content.text)),
      csv_(std::move(content.csv)),
      dialogs_(dialogs),
      settings_(settings) {
    setObjectName(QLatin1String(content.name));
    setWindowTitle(content.title);
    resize(960, 420);
    auto* layout = new QVBoxLayout(this);
    auto* list = named(new QTreeWidget, names::report::kList);
    list->setAccessibleName(content.listName);
    list->setHeaderLabels(content.headers);
    const int skippedColumn = static_cast<int>(content.headers.size()) - 1;
    bool anyLines = false;
    for (const Row& row : content.rows) {
        const QString path = QFile::decodeName(QByteArray::fromStdString(row.path));
        QStringList cells{path};
        cells << row.counts;
        while (cells.size() < skippedColumn)
            cells << QString();
        cells << row.skipped;
        auto* item = new QTreeWidgetItem(list, cells);
        for (int c = 1; c <= static_cast<int>(row.counts.size()); ++c)
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(0, path);
        for (const QString& text : row.lines) {
            auto* line = new QTreeWidgetItem(item, {text});
            line->setFirstColumnSpanned(true);
            line->setToolTip(0, text);
            anyLines = true;
        }
    }
    list->setRootIsDecorated(anyLines);
    list->expandAll();
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
    auto* summary = named(new QLabel(content.totals), names::report::kTotals);
    layout->addWidget(summary);
    auto* buttons = new QHBoxLayout;
    auto* copy = named(new QPushButton(QStringLiteral("&Copy")), names::report::kCopy);
    copy->setToolTip(QStringLiteral("Copy the report as text"));
    auto* save = named(new QPushButton(QStringLiteral("&Save as CSV...")), names::report::kSave);
    save->setToolTip(QStringLiteral("Save the report as a CSV file for a spreadsheet"));
    auto* close = named(new QPushButton(QStringLiteral("C&lose")), names::report::kClose);
    close->setToolTip(QStringLiteral("Close the report"));
    list->setToolTip(content.listTip);
    buttons->addWidget(copy);
    buttons->addWidget(save);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(copy, &QPushButton::clicked, this, &ReportWindow::copyClicked);
    connect(save, &QPushButton::clicked, this, &ReportWindow::saveClicked);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void ReportWindow::copyClicked() {
    QApplication::clipboard()->setText(QFile::decodeName(QByteArray::fromStdString(text_)));
}

void ReportWindow::saveClicked() {
    guarded(this, dialogs_, [&] {
        const auto path =
            dialogs_.saveFile(this, kCsvFilter, settings_.folder(Settings::FileKind::Report));
        if (!path) return;
        settings_.rememberFolder(Settings::FileKind::Report, *path);
        QString name = *path;
        if (!name.endsWith(QStringLiteral(".csv"))) name += QStringLiteral(".csv");
        if (!mayReplace(this, dialogs_, {name})) return;
        // The name is checked to survive the file system's encoding, as every writer's is.
        io::writeFileSafely(localPath(name), csv_);
    });
}

}  // namespace pelvaro::app
