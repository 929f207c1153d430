#include "app/send_report.h"

#include "app/control_names.h"

namespace pelvaro::app {

namespace {

QString number(std::int32_t n) {
    return QString::number(n);
}

ReportWindow::Content contentOf(const std::vector<session::FileReport>& lines,
                                const session::BatchTotals& totals, bool cancelled) {
    ReportWindow::Content content{
        .name = names::report::kWindow,
        .title = QStringLiteral("PCG Files Sent to the Database"),
        .headers = {QStringLiteral("File"), QStringLiteral("Programs\nnew"),
                    QStringLiteral("Programs\nstored"), QStringLiteral("Combinations\nnew"),
                    QStringLiteral("Combinations\nstored"), QStringLiteral("Drum kits\nnew"),
                    QStringLiteral("Drum kits\nstored"), QStringLiteral("Skipped")},
        .listName = QStringLiteral("Files sent"),
        .listTip = QStringLiteral("Every file with what it brought, or why it was skipped"),
        .rows = {},
        .totals = {},
        .text = session::reportText(lines, totals),
        .csv = session::reportCsv(lines)};
    for (const session::FileReport& line : lines) {
        ReportWindow::Row row{.path = line.path, .counts = {}, .skipped = {}, .lines = {}};
        if (!line.sent()) {
            row.skipped = QString::fromStdString(line.skipped);
        } else {
            const session::SendCounts& n = line.counts;
            row.counts = {number(n.programs.fresh),     number(n.programs.stored()),
                          number(n.combinations.fresh), number(n.combinations.stored()),
                          number(n.drumKits.fresh),     number(n.drumKits.stored())};
        }
        content.rows.push_back(std::move(row));
    }
    // The totals line of the text report.
    content.totals = QString::fromStdString(session::reportText({}, totals)).trimmed();
    if (cancelled)
        content.totals += QStringLiteral("\nCancelled: the files after these were not sent.");
    return content;
}

}  // namespace

SendReport::SendReport(const std::vector<session::FileReport>& lines,
                       const session::BatchTotals& totals, bool cancelled, Dialogs& dialogs,
                       Settings& settings, QWidget* parent)
    : ReportWindow(contentOf(lines, totals, cancelled), dialogs, settings, parent) {}

}  // namespace pelvaro::app
