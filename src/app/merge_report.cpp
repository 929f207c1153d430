#include "app/merge_report.h"

#include "app/control_names.h"
#include "io/wording.h"

namespace pelvaro::app {

namespace {

QString number(std::int64_t n) {
    return QString::number(n);
}

ReportWindow::Content contentOf(const session::MergeOutcome& merged) {
    ReportWindow::Content content{
        .name = names::kMergeReport,
        .title = QStringLiteral("Databases Merged into the Database"),
        .headers = {QStringLiteral("Database"), QStringLiteral("Programs\nnew"),
                    QStringLiteral("Programs\nstored"), QStringLiteral("Combinations\nnew"),
                    QStringLiteral("Combinations\nstored"), QStringLiteral("Drum kits\nnew"),
                    QStringLiteral("Drum kits\nstored"), QStringLiteral("Classes\ncreated"),
                    QStringLiteral("Skipped")},
        .listName = QStringLiteral("Databases merged"),
        .listTip = QStringLiteral(
            "Every database with what it brought and what did not come in whole, or why it was "
            "skipped"),
        .rows = {},
        .totals = QString::fromStdString(merged.summary),
        .text = session::mergeReportText(merged.lines, merged.totals),
        .csv = session::mergeReportCsv({}, merged.lines)};
    for (const session::MergeReport& line : merged.lines) {
        ReportWindow::Row row{.path = line.path, .counts = {}, .skipped = {}, .lines = {}};
        if (!line.merged()) {
            row.skipped = QString::fromStdString(line.skipped);
        } else {
            const session::SendCounts& n = line.counts;
            row.counts = {number(n.programs.fresh),
                          number(n.programs.stored()),
                          number(n.combinations.fresh),
                          number(n.combinations.stored()),
                          number(n.drumKits.fresh),
                          number(n.drumKits.stored()),
                          number(static_cast<std::int64_t>(line.classesCreated.size()))};
            if (!line.classesCreated.empty())
                row.lines << QStringLiteral("Classes created: ") +
                                 QString::fromStdString(listed(line.classesCreated));
            for (const std::string& note : line.notes)
                row.lines << QString::fromStdString(note);
        }
        content.rows.push_back(std::move(row));
    }
    return content;
}

}  // namespace

MergeReport::MergeReport(const session::MergeOutcome& merged, Dialogs& dialogs, Settings& settings,
                         QWidget* parent)
    : ReportWindow(contentOf(merged), dialogs, settings, parent) {}

}  // namespace pelvaro::app
