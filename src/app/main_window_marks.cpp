// The commands on where sounds came from and on the musician's marks: marking the chosen
// entries, the lists' choice of which entries they show and in which order, and giving a sent
// PCG file back.
#include <QAction>

#include "app/database_page.h"
#include "app/dialogs.h"
#include "app/event_list.h"
#include "app/main_window.h"
#include "app/window_text.h"
#include "pcg/pcg_files.h"
#include "session/origin_commands.h"

namespace pelvaro::app {

void MainWindow::mark(const db::MarkChange& change) {
    DatabasePage* page = databasePageInFront();
    if (!page) return;
    guard([&] {
        const std::vector<std::int32_t> ids = page->chosenEntries();
        if (ids.empty()) return;
        present(session::markEntries(*session_, page->kind(), ids, change));
        // The rows stay where they are, so that the next row is one arrow key away; a row that
        // the list's choice no longer takes goes at the next refill.
        page->marksChanged();
    });
}

void MainWindow::showChosenRows(DatabasePage& page) {
    page.showRows(
        session::shownRows(*session_, page.kind(), page.refilledRows(), page.rowChoice()));
    showEntryDetails();
}

void MainWindow::giveBackPcgFile() {
    const QString caption = QStringLiteral("Give Back a PCG File");
    guard([&] {
        const std::vector<db::SentFile>& sent = session_->origins().files();
        if (sent.empty()) {
            dialogs_.showError(this, caption,
                               QStringLiteral("No PCG file has been sent to this database."));
            return;
        }
        // The newest send first: name, folder and when it was sent.
        QStringList items;
        for (auto file = sent.rbegin(); file != sent.rend(); ++file)
            items << QStringLiteral("%1    %2    %3")
                         .arg(shownPath(file->name), shownPath(file->folder),
                              sessionText(session::sentDate(file->sent, true)));
        const auto chosen = dialogs_.choose(
            this, caption, QStringLiteral("The PCG file to write as it was sent:"), items);
        if (!chosen || *chosen < 0 || *chosen >= items.size()) return;
        const db::SentFile file = sent[sent.size() - 1 - static_cast<std::size_t>(*chosen)];
        // A file that had a name is offered under it; the open PCG never saved had none.
        const QString folder = settings_->folder(Settings::FileKind::Pcg);
        const QString offered =
            file.folder.empty()
                ? folder
                : (folder.isEmpty() ? QString() : folder + QLatin1Char('/')) + shownPath(file.name);
        const auto path = dialogs_.saveFile(this, kPcgFilter, offered);
        if (!path) return;
        const std::string target = localPath(*path);
        if (!mayReplace(this, dialogs_, {shownPath(pcg::pcgExportName(target))})) return;
        const session::GiveBackResult result = session::giveBackPcg(*session_, file.number, target);
        present(result);
        if (result.failure || result.refusal) return;
        if (!result.path.empty()) rememberFile(Settings::FileKind::Pcg, shownPath(result.path));
        if (result.differences.empty()) return;
        db::EventLines lines;
        QStringList shown;
        for (const std::string& difference : result.differences) {
            lines.push_back(difference);
            shown << sessionText(difference);
        }
        if (!result.events) events_->showLines(lines);
        dialogs_.showMessage(
            this, caption,
            QStringLiteral("The file is written. These slots hold other sounds than when it was "
                           "sent:\n%1")
                .arg(shown.join(QLatin1Char('\n'))));
    });
}

}  // namespace pelvaro::app
