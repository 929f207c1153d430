#include "app/work_keeper.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QStatusBar>
#include <QWidget>
#include <algorithm>

#include "app/dialogs.h"
#include "app/recovery_bar.h"
#include "app/recovery_dialog.h"
#include "db/database_file.h"
#include "io/paths.h"
#include "io/progress.h"
#include "session/given_files.h"

namespace pelvaro::app {

WorkKeeper::WorkKeeper(session::Session& session, Dialogs& dialogs, QString recoveryFolder,
                       QWidget* window, Guard guard, Present present)
    : QObject(window),
      session_(session),
      dialogs_(dialogs),
      recoveryFolder_(std::move(recoveryFolder)),
      window_(window),
      guard_(std::move(guard)),
      present_(std::move(present)) {}

QWidget* WorkKeeper::makeLastRunBar() {
    std::optional<session::Session::LastRun> last = session_.lastRun();
    if (!last) return nullptr;
    bar_ = new RecoveryBar(std::move(last->copy), window_);
    connect(bar_, &RecoveryBar::openRequested, this, [this] { openCopy(bar_->copy().file()); });
    connect(bar_, &RecoveryBar::showAllRequested, this, &WorkKeeper::showRecoverWindow);
    return bar_;
}

void WorkKeeper::showRecoverWindow() {
    if (recoveryFolder_.isEmpty()) return;
    RecoveryDialog recovery(recoveryFolder_, session_.recoveryLimits().bytes, dialogs_, window_);
    if (const std::optional<std::string> chosen = recovery.chooseCopy()) openCopy(*chosen);
    // A bar that offers a copy deleted meanwhile has nothing left to offer.
    if (bar_ && !session::recoveryCopy(bar_->copy().file())) bar_->hide();
}

void WorkKeeper::openCopy(const std::string& file) {
    bool opened = false;
    guard_([&] {
        // The database may be open already when its PCG fails: the lists show what is.
        const session::Outcome outcome = session::openRecoveryCopy(session_, file);
        present_(outcome, true);
        opened = !outcome.failure;
    });
    // The user has chosen what to work on: the offer at the top has had its answer.
    if (opened && bar_) bar_->hide();
}

bool WorkKeeper::mayReplaceWork(const QStringList& files) {
    std::vector<std::string> opened;
    for (const QString& file : files)
        opened.push_back(QFile::encodeName(file).toStdString());
    const std::optional<std::string> question = session::replacedWorkQuestion(session_, opened);
    if (!question) return true;
    if (dialogs_.ask(window_, QStringLiteral("Files From Another Start"),
                     QString::fromStdString(*question),
                     {QStringLiteral("&Take the Files"), QStringLiteral("Cancel")}) != 0)
        return false;
    const bool importsPcg = std::ranges::any_of(opened, [](const std::string& path) {
        return session::givenKind(path) != session::GivenKind::Database;
    });
    if (!importsPcg) return true;
    bool kept = false;
    guard_([&] {
        if (const std::optional<session::RecoveryCopy> copy = session_.keepPcgCopy())
            present_({.summary = "The PCG before it was kept as " + io::fileNameOf(copy->pcg),
                      .events = db::EventLines{session::keptCopyLine(*copy)}},
                     false);
        kept = true;
    });
    // A PCG that could not be kept is not replaced.
    return kept;
}

void WorkKeeper::keepWorkBeforeClosing() {
    if (session_.ended()) return;
    const bool work = session_.databaseChanged() || session_.pcgChanged();
    const auto progressLine = [](std::int64_t megabytes) {
        return "Keeping your work as a recovery copy before PELVARO closes: " +
               std::to_string(megabytes) + " MB written";
    };
    if (work) {
        present_({.summary = progressLine(0)}, false);
        window_->repaint();
    }
    guard_([&] {
        // The line in the status bar goes with the busy window, which listens further out and
        // keeps every window painted once the work takes long; until then the window paints the
        // line itself, at most every 30 ms.
        const std::function<void(std::int64_t)> outer = io::currentListener();
        std::int64_t written = 0;
        auto* main = qobject_cast<QMainWindow*>(window_);
        QElapsedTimer sincePainted;
        sincePainted.start();
        const io::ProgressScope scope([&](std::int64_t bytes) {
            const std::int64_t before = written >> 20;
            written += bytes;
            if (written >> 20 != before) {
                present_({.summary = progressLine(written >> 20)}, false);
                if (main && sincePainted.elapsed() >= 30) {
                    main->statusBar()->repaint();
                    sincePainted.restart();
                }
            }
            if (outer) outer(bytes);
        });
        present_(session::exitProgram(session_), false);
    });
}

}  // namespace pelvaro::app
