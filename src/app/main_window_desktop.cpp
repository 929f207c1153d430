// The main window at home on the desktop: the places and files it remembers, the status bar
// and the event list, and many PCG files sent at once, dropped or given on the command line.
#include "app/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QSplitter>

#include "app/class_assignment_dialog.h"
#include "app/class_editor.h"
#include "app/dialogs.h"
#include "app/elided_label.h"
#include "app/limited_memo.h"
#include "app/progress_window.h"
#include "app/send_report.h"
#include "app/window_text.h"

namespace pelvaro::app {

void MainWindow::restoreWindowPlaces() {
    const QByteArray geometry = settings_->bytes(QStringLiteral("window/geometry"));
    if (!geometry.isEmpty()) restoreGeometry(geometry);
    const int events = settings_->bytes(QStringLiteral("window/eventListHeight")).toInt();
    if (events > 0) eventListHeight_ = events;
    connect(splitter_, &QSplitter::splitterMoved, this,
            [this] { eventListHeight_ = splitter_->sizes().value(1, eventListHeight_); });
    const QByteArray editor = settings_->bytes(QStringLiteral("classEditor/geometry"));
    if (!editor.isEmpty()) classEditor_->restoreGeometry(editor);
    const QByteArray assignment = settings_->bytes(QStringLiteral("classAssignment/geometry"));
    if (!assignment.isEmpty()) classDialog_->restoreGeometry(assignment);
}

void MainWindow::placeEventList() {
    const int room = splitter_->height() - splitter_->handleWidth();
    if (room > eventListHeight_) splitter_->setSizes({room - eventListHeight_, eventListHeight_});
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    placeEventList();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    placeEventList();
}

void MainWindow::saveWindowPlaces() {
    settings_->setBytes(QStringLiteral("window/geometry"), saveGeometry());
    settings_->setBytes(QStringLiteral("window/eventListHeight"),
                        QByteArray::number(eventListHeight_));
    settings_->setBytes(QStringLiteral("classEditor/geometry"), classEditor_->saveGeometry());
    settings_->setBytes(QStringLiteral("classAssignment/geometry"), classDialog_->saveGeometry());
    settings_->sync();
}

void MainWindow::updateStatus() {
    if (!pcgStatus_) return;
    const pcg::PcgState& pcg = session_->pcg();
    const QString pcgName =
        pcg.pcgFileName.empty() ? QStringLiteral("New PCG") : fileNameOf(pcg.pcgFileName);
    pcgStatus_->setLine(pcgName + QStringLiteral(": ") +
                        QString::fromStdString(session::pcgSummary(pcg)));
    const std::string& database = session_->databasePath();
    const QString databaseName =
        database.empty() ? QStringLiteral("New database") : fileNameOf(database);
    databaseStatus_->setLine(
        databaseName + QStringLiteral(": ") +
        QString::fromStdString(session::databaseSummary(session_->files())) +
        (session_->databaseChanged() ? QStringLiteral(" (changed)") : QString()));
}

void MainWindow::showResult(const QString& text) {
    resultStatus_->setLine(text);
}

QString MainWindow::folderFor(Settings::FileKind kind) const {
    return settings_->folder(kind);
}

void MainWindow::rememberFile(Settings::FileKind kind, const QString& path) {
    settings_->rememberFolder(kind, path);
    settings_->addRecentFile(kind, path);
    fillRecentMenu(kind);
}

void MainWindow::fillRecentMenu(Settings::FileKind kind) {
    const bool pcgFiles = kind == Settings::FileKind::Pcg;
    QMenu* menu = pcgFiles ? recentPcgMenu_ : recentDatabaseMenu_;
    menu->clear();
    const QStringList files = settings_->recentFiles(kind);
    for (int i = 0; i < files.size(); ++i) {
        const QString& path = files[i];
        // "&1 bank.pcg": the number is the access key; the whole path is the tooltip.
        QAction* action = menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(
            QFileInfo(path).fileName().replace(QLatin1Char('&'), QStringLiteral("&&"))));
        action->setObjectName(
            QStringLiteral("%1%2").arg(pcgFiles ? "RecentPcgFile" : "RecentDatabase").arg(i + 1));
        action->setToolTip(path);
        connect(action, &QAction::triggered, this,
                [this, kind, path] { openRecentFile(kind, path); });
    }
    menu->addSeparator();
    QAction* clear = menu->addAction(QStringLiteral("&Clear"));
    clear->setObjectName(pcgFiles ? QStringLiteral("ClearRecentPcgFiles")
                                  : QStringLiteral("ClearRecentDatabases"));
    clear->setToolTip(QStringLiteral("Empty this list; the files stay where they are"));
    clear->setEnabled(!files.isEmpty());
    connect(clear, &QAction::triggered, this, [this, kind] { clearRecentFiles(kind); });
}

void MainWindow::openRecentFile(Settings::FileKind kind, const QString& path) {
    const bool pcgFile = kind == Settings::FileKind::Pcg;
    if (!QFileInfo(path).isFile()) {
        settings_->removeRecentFile(kind, path);
        fillRecentMenu(kind);
        dialogs_.showError(
            this, pcgFile ? QStringLiteral("Recent Pcg Files") : QStringLiteral("Recent Databases"),
            QStringLiteral("%1 is no longer there. It has been taken off the list.").arg(path));
        return;
    }
    guard([&] {
        if (pcgFile)
            importPcgFile(path);
        else
            openDatabaseFile(path);
    });
}

void MainWindow::clearRecentFiles(Settings::FileKind kind) {
    settings_->clearRecentFiles(kind);
    fillRecentMenu(kind);
}

void MainWindow::copyEvents() {
    QStringList lines;
    const QList<QListWidgetItem*> chosen = eventList_->selectedItems();
    for (int i = 0; i < eventList_->count(); ++i)
        if (chosen.isEmpty() || eventList_->item(i)->isSelected())
            lines << eventList_->item(i)->text();
    if (!lines.isEmpty()) QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

void MainWindow::selectAllEvents() {
    eventList_->selectAll();
}

void MainWindow::sendFiles(const QStringList& paths) {
    std::vector<session::FileReport> done;
    bool cancelled = false;
    session::BatchTotals totals;
    bool finished = false;
    guard([&] {
        eventLines_.clear();
        showEvents();
        std::vector<std::string> chosen;
        for (const QString& path : paths)
            chosen.push_back(localPath(path));
        session::BatchSend batch(*session_, chosen);
        const int count = static_cast<int>(std::ranges::count_if(
            batch.lines(), [](const session::FileReport& line) { return line.sent(); }));
        const auto command =
            session_->command("Send PCG Files to Database", session::Session::Changes::Database);
        progressWindow_->resetBars();
        progressWindow_->beginFiles();
        progressWindow_->showWindow();
        progressWindow_->drawCaption(QStringLiteral("Programs:"), QPoint(110, 12));
        progressWindow_->drawCaption(QStringLiteral("Combinations:"), QPoint(102, 65));
        const auto finish = [&] {
            progressWindow_->hideWindow();
            progressWindow_->endFiles();
            done.assign(batch.lines().begin(),
                        batch.lines().begin() + static_cast<std::ptrdiff_t>(batch.next()));
            totals = batch.totals();
            eventLines_ = session::reportEvents(done);
            showEvents();
            refreshDatabaseLists();
        };
        const transfer::Progress step = [this](transfer::ProgressBar bar) {
            if (bar == transfer::ProgressBar::Programs)
                progressWindow_->stepProgramBar();
            else
                progressWindow_->stepCombinationBar();
        };
        try {
            int number = 0;
            while (!batch.done() && !progressWindow_->cancelled()) {
                const session::FileReport& line = batch.lines()[batch.next()];
                if (line.sent()) {
                    // Cancel is looked at between two files only.
                    progressWindow_->showFile(
                        ++number, count, QFile::decodeName(QByteArray::fromStdString(line.path)));
                    if (progressWindow_->cancelled()) break;
                }
                batch.sendNext(step);
            }
        } catch (...) {
            // What was sent before the failure stays sent and is shown; the message follows.
            finish();
            throw;
        }
        cancelled = !batch.done();
        finish();
        finished = true;
        showResult(QFile::decodeName(
                       QByteArray::fromStdString(session::reportText({}, totals)).trimmed()) +
                   (cancelled ? QStringLiteral("; cancelled") : QString()));
    });
    if (!finished) return;
    SendReport report(std::move(done), totals, cancelled, dialogs_, *settings_, this);
    report.exec();
}

void MainWindow::takeFiles(const QStringList& paths) {
    const auto isDatabase = [](const QString& p) { return p.endsWith(QStringLiteral(".pvd")); };
    const auto isFolder = [](const QString& p) { return QFileInfo(p).isDir(); };
    const auto isPcg = [](const QString& p) {
        return p.endsWith(QStringLiteral(".pcg"), Qt::CaseInsensitive);
    };
    if (paths.size() == 1 && isDatabase(paths[0])) {
        guard([&] { openDatabaseFile(paths[0]); });
        return;
    }
    const Tab tab = tabInFront();
    const bool pcgTab = tab == Tab::PcgPrograms || tab == Tab::PcgCombinations;
    QStringList taken;
    QStringList refused;
    for (const QString& path : paths)
        (isPcg(path) || (!pcgTab && isFolder(path)) ? taken : refused) << path;
    if (!refused.isEmpty()) {
        dialogs_.showError(
            this, QStringLiteral("Not taken"),
            QStringLiteral("PELVARO takes PCG files (.pcg), folders of them on a database tab, "
                           "and one database file (.pvd) at a time. Not taken:\n") +
                refused.join(QStringLiteral("\n")));
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

void MainWindow::openGivenFiles(const QStringList& paths) {
    for (const QString& path : paths)
        guard([&] {
            if (path.endsWith(QStringLiteral(".pvd")))
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
    takeFiles(paths);
}

}  // namespace pelvaro::app
