// Files that reach the main window other than through a menu's dialog: the recent files,
// files dropped on it or named on the command line, many PCG files sent in one go, and
// databases merged into the open one.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTabWidget>

#include "app/database_page.h"
#include "app/dialogs.h"
#include "app/event_list.h"
#include "app/main_menus.h"
#include "app/main_window.h"
#include "app/merge_report.h"
#include "app/pcg_page.h"
#include "app/progress_window.h"
#include "app/send_report.h"
#include "app/window_text.h"
#include "session/batch_send.h"
#include "session/given_files.h"
#include "session/merge_databases.h"

namespace pelvaro::app {

void MainWindow::openRecentFile(Settings::FileKind kind, const QString& path) {
    const bool pcgFile = kind == Settings::FileKind::Pcg;
    if (!QFileInfo(path).isFile()) {
        settings_->removeRecentFile(kind, path);
        (pcgFile ? recentPcgFiles_ : recentDatabases_)->refill();
        dialogs_.showError(
            this, pcgFile ? QStringLiteral("Recent Pcg Files") : QStringLiteral("Recent Databases"),
            QStringLiteral("%1 is no longer there. It has been taken off the list.").arg(path));
        return;
    }
    if (!pcgFile && !editsSettled()) return;
    guard([&] {
        if (pcgFile)
            importPcgFile(path);
        else
            openDatabaseFile(path);
    });
}

void MainWindow::sendFiles(const QStringList& paths) {
    std::vector<session::FileReport> done;
    bool cancelled = false;
    session::BatchTotals totals;
    bool finished = false;
    guard([&] {
        events_->showLines({});
        std::vector<std::string> chosen;
        for (const QString& path : paths)
            chosen.push_back(localPath(path));
        session::BatchSend batch(*session_, chosen);
        const auto finish = [&] {
            done.assign(batch.lines().begin(),
                        batch.lines().begin() + static_cast<std::ptrdiff_t>(batch.next()));
            totals = batch.totals();
            events_->showLines(session::reportEvents(done));
            refreshDatabaseLists();
        };
        cancelled = !ProgressRun(*progressWindow_, ProgressRun::Files::Many).sendFiles(batch);
        finish();
        // What was sent before a failure stays sent and is shown; the message follows.
        if (batch.failure()) {
            showFailure(*batch.failure());
            return;
        }
        finished = true;
        showResult(QString::fromStdString(session::reportText({}, totals)).trimmed() +
                   (cancelled ? QStringLiteral("; cancelled") : QString()));
    });
    if (!finished) return;
    SendReport report(std::move(done), totals, cancelled, dialogs_, *settings_, this);
    report.exec();
}

void MainWindow::mergeDatabaseFiles(const QStringList& paths) {
    std::optional<session::MergeOutcome> merged;
    guard([&] {
        std::vector<std::string> chosen;
        for (const QString& path : paths)
            chosen.push_back(localPath(path));
        merged = session::mergeDatabases(*session_, chosen);
        events_->showLines(merged->events);
        refreshDatabaseLists();
        // What was merged before a failure stays merged and is shown; the message follows.
        if (merged->failure)
            showFailure(*merged->failure);
        else
            showResult(QString::fromStdString(merged->summary));
    });
    if (!merged || merged->failure) return;
    MergeReport report(*merged, dialogs_, *settings_, this);
    report.exec();
}

void MainWindow::takeFiles(const QStringList& paths, bool merge) {
    if (!editsSettled()) return;
    const auto kind = [](const QString& p) {
        return session::givenKind(QFile::encodeName(p).toStdString());
    };
    if (merge && databasePageInFront() != nullptr) {
        // Shift over a database tab: the databases come into this one; the rest is taken as
        // without Shift.
        QStringList databases;
        QStringList rest;
        for (const QString& path : paths)
            (kind(path) == session::GivenKind::Database ? databases : rest) << path;
        if (!databases.isEmpty()) mergeDatabaseFiles(databases);
        if (rest.isEmpty()) return;
        takeFiles(rest);
        return;
    }
    if (paths.size() == 1 && kind(paths[0]) == session::GivenKind::Database) {
        guard([&] { openDatabaseFile(paths[0]); });
        return;
    }
    const bool pcgTab = pcgPageInFront() != nullptr;
    QStringList taken;
    QStringList refused;
    for (const QString& path : paths) {
        const session::GivenKind k = kind(path);
        const bool takes =
            k == session::GivenKind::Pcg || (!pcgTab && k == session::GivenKind::Folder);
        (takes ? taken : refused) << path;
    }
    if (!refused.isEmpty()) {
        refuseFiles(refused);
        if (taken.isEmpty()) return;
    }
    if (!pcgTab) {
        sendFiles(taken);
        return;
    }
    if (taken.size() != 1) {
        dialogs_.showError(this, QStringLiteral("Not taken"),
                           QStringLiteral("One PCG file can be imported at a time. To send "
                                          "several to the database, drop them on a database "
                                          "tab."));
        return;
    }
    guard([&] { importPcgFile(taken[0]); });
}

void MainWindow::refuseFiles(const QStringList& paths) {
    dialogs_.showError(this, QStringLiteral("Not taken"),
                       QStringLiteral("PELVARO takes PCG files (.pcg), folders of them on a "
                                      "database tab, and one database file (.pvd) at a time "
                                      "(with Shift held over a database tab, any number, merged "
                                      "into the open database). Not taken:\n") +
                           paths.join(QStringLiteral("\n")));
}

void MainWindow::openGivenFiles(const QStringList& paths) {
    if (!editsSettled()) return;
    for (const QString& path : paths)
        guard([&] {
            if (session::givenKind(localPath(path)) == session::GivenKind::Database)
                openDatabaseFile(path);
            else
                importPcgFile(path);
        });
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    event->acceptProposedAction();
    if (paths.isEmpty()) {
        dialogs_.showError(this, QStringLiteral("Not taken"),
                           QStringLiteral("Only files on this computer can be dropped here."));
        return;
    }
    takeFiles(paths, event->modifiers().testFlag(Qt::ShiftModifier));
}

}  // namespace pelvaro::app
