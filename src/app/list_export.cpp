#include "app/list_export.h"

#include <QDate>
#include <QFileInfo>

#include "app/database_page.h"
#include "app/dialogs.h"
#include "app/pcg_page.h"
#include "app/settings.h"
#include "app/window_text.h"
#include "io/safe_files.h"
#include "lists/html.h"
#include "lists/tables.h"
#include "session/session.h"

namespace pelvaro::app {

std::optional<QString> exportShownList(QWidget* parent, Dialogs& dialogs, Settings& settings,
                                       const session::Session& session,
                                       const DatabasePage* databasePage, const PcgPage* pcgPage) {
    const auto chosen = dialogs.saveFileOfType(
        parent,
        {QStringLiteral("CSV Files (*.csv)"), QStringLiteral("Pages to Print (*.html *.htm)")},
        settings.folder(Settings::FileKind::Report));
    if (!chosen) return std::nullopt;
    // A name's own extension decides the format; without one, the type chosen does.
    QString path = chosen->path;
    const QString suffix = QFileInfo(path).suffix().toLower();
    bool html = suffix == QLatin1String("html") || suffix == QLatin1String("htm");
    if (!html && suffix != QLatin1String("csv")) {
        html = chosen->type == 1;
        path += html ? QStringLiteral(".html") : QStringLiteral(".csv");
    }
    if (!mayReplace(parent, dialogs, {path})) return std::nullopt;
    const std::string date = QDate::currentDate().toString(Qt::ISODate).toStdString();
    std::string text;
    std::size_t rows = 0;
    if (!databasePage) {
        const pcg::PcgState& pcg = session.pcg();
        const QString source =
            pcg.pcgFileName.empty() ? QStringLiteral("New PCG") : fileNameOf(pcg.pcgFileName);
        text =
            html ? lists::htmlPage(lists::pcgPage(pcg, pcgPage->kind(), source.toStdString(), date))
                 : lists::tableCsv(lists::pcgTable(pcg, pcgPage->kind()));
        rows = pcg::kSlotCount;
    } else {
        const std::string& database = session.databasePath();
        const QString source =
            database.empty() ? QStringLiteral("New database") : fileNameOf(database);
        const std::vector<std::int32_t>& ids = databasePage->rowIds();
        const db::Kind kind = databasePage->kind();
        text = html ? lists::htmlPage(lists::databasePage(session.files(), kind, ids,
                                                          source.toStdString(), date))
                    : lists::tableCsv(lists::databaseTable(session.files(), kind, ids));
        rows = ids.size();
    }
    io::writeFileSafely(localPath(path), text);
    settings.rememberFolder(Settings::FileKind::Report, path);
    return QStringLiteral("Exported the list of %1 to %2")
        .arg(counted(static_cast<std::int64_t>(rows), "row", "rows"), QFileInfo(path).fileName());
}

}  // namespace pelvaro::app
