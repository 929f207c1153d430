// The commands of the main window's menus and tabs: each reads what is chosen, asks for a file
// where it needs one, calls the session function that does the work and shows the outcome.
#include <QAction>
#include <QFileInfo>
#include <QTabWidget>

#include "app/about_box.h"
#include "app/arrange_window.h"
#include "app/class_assignment_dialog.h"
#include "app/class_editor.h"
#include "app/classify_rules_window.h"
#include "app/compare_window.h"
#include "app/database_page.h"
#include "app/dialogs.h"
#include "app/event_list.h"
#include "app/list_export.h"
#include "app/main_menus.h"
#include "app/main_window.h"
#include "app/near_duplicates_window.h"
#include "app/pcg_page.h"
#include "app/progress_window.h"
#include "app/replace_names_window.h"
#include "app/similar_window.h"
#include "app/window_text.h"
#include "app/work_keeper.h"
#include "db/database_file.h"
#include "pcg/arrange.h"
#include "pcg/pcg_files.h"
#include "pcg/pcg_lists.h"

namespace pelvaro::app {

// ---- File menu --------------------------------------------------------------------------------

void MainWindow::newDatabase() {
    if (!editsSettled()) return;
    guard([&] {
        present(session::newDatabase(*session_));
        refreshDatabaseLists();
    });
}

void MainWindow::openDatabase() {
    if (!editsSettled()) return;
    guard([&] {
        const auto path = dialogs_.openFile(this, textOf(std::string(db::kDatabaseFilter)),
                                            settings_->folder(Settings::FileKind::Database));
        if (path) openDatabaseFile(*path);
    });
}

void MainWindow::openDatabaseFile(const QString& path) {
    present(session::openDatabase(*session_, localPath(path)));
    refreshDatabaseLists();
    rememberFile(Settings::FileKind::Database, path);
}

void MainWindow::mergeDatabase() {
    if (!editsSettled()) return;
    const QStringList chosen = dialogs_.openFiles(this, textOf(std::string(db::kDatabaseFilter)),
                                                  settings_->folder(Settings::FileKind::Database));
    if (chosen.isEmpty()) return;
    settings_->rememberFolder(Settings::FileKind::Database, chosen.first());
    mergeDatabaseFiles(chosen);
}

void MainWindow::recoverDatabase() {
    if (!editsSettled()) return;
    keeper_->showRecoverWindow();
}

void MainWindow::exportDatabase() {
    if (!editsSettled()) return;
    guard([&] {
        // The dialog offers the database's own name (bank.pvd, also for one opened from a
        // recovery copy), or starts in the last folder for a database made new.
        const std::string& own = session_->databasePath();
        const auto path = dialogs_.saveFile(
            this, textOf(std::string(db::kDatabaseFilter)),
            own.empty() ? settings_->folder(Settings::FileKind::Database) : shownPath(own));
        if (!path) return;
        const std::string chosen = localPath(QFileInfo(*path).absoluteFilePath());
        const db::DatabasePaths names = db::databasePaths(db::databaseBaseName(chosen));
        QStringList replaced{shownPath(names.database)};
        for (const std::string& member : names.members)
            replaced << shownPath(member);
        if (!mayReplace(this, dialogs_, replaced)) return;
        const session::Outcome outcome = session::exportDatabase(*session_, chosen);
        present(outcome);
        refreshDatabaseLists();
        rememberFile(Settings::FileKind::Database, shownPath(outcome.path));
    });
}

void MainWindow::exportList() {
    guard([&] {
        const auto summary = exportShownList(this, dialogs_, *settings_, *session_,
                                             databasePageInFront(), pcgPageInFront());
        if (summary) showResult(*summary);
    });
}

void MainWindow::exitProgram() {
    close();
}

// ---- Edit menu --------------------------------------------------------------------------------

void MainWindow::undo() {
    if (!editsSettled()) return;
    guard([&] {
        const session::Outcome outcome = session::undo(*session_);
        if (outcome.summary.empty()) return;  // nothing to take back
        refreshPcgLists();
        refreshDatabaseLists();
        present(outcome);
    });
}

void MainWindow::redo() {
    if (!editsSettled()) return;
    guard([&] {
        const session::Outcome outcome = session::redo(*session_);
        if (outcome.summary.empty()) return;
        refreshPcgLists();
        refreshDatabaseLists();
        present(outcome);
    });
}

void MainWindow::sendToPcg() {
    guard([&] {
        const DatabasePage* page = databasePageInFront();
        if (!page) return;
        present(session::sendToPcg(*session_, page->kind(), page->chosenEntries()));
        refreshPcgLists();
    });
}

void MainWindow::sendToPcgAt() {
    const DatabasePage* page = databasePageInFront();
    if (!page || page->chosenEntries().empty()) return;
    const auto typed = dialogs_.askText(this, QStringLiteral("Send To PCG at"),
                                        QStringLiteral("The slot the first entry goes to:"),
                                        QStringLiteral("A00"));
    if (!typed) return;
    const std::optional<int> slot = pcg::parseSlotName(typed->trimmed().toStdString());
    if (!slot) {
        dialogs_.showError(this, QStringLiteral("Send To PCG at"),
                           QStringLiteral("%1 is no slot: A00 to A99 or B00 to B99.").arg(*typed));
        return;
    }
    arrange_->placeEntries(page->kind(), page->chosenEntries(), *slot);
}

void MainWindow::sendToDatabase() {
    if (!editsSettled()) return;
    guard([&] {
        const PcgPage* page = pcgPageInFront();
        if (!page) {
            events_->showLines({});
            return;
        }
        present(session::sendSlotToDatabase(*session_, page->kind(), page->currentSlot()));
        refreshDatabaseLists();
    });
}

void MainWindow::deleteSelection() {
    if (!editsSettled()) return;
    guard([&] {
        // Who plays the program will play an empty slot: asked first, as Arrange's Empty asks.
        if (const PcgPage* pcgPage = pcgPageInFront();
            pcgPage && pcgPage->currentSlot() >= 0 &&
            !mayEmpty(this, dialogs_, QStringLiteral("Delete"), session_->pcg(),
                      pcg::planEmpty(session_->pcg(), pcgPage->kind(), {pcgPage->currentSlot()})))
            return;
        events_->showLines({});
        if (const DatabasePage* page = databasePageInFront()) {
            const std::vector<std::int32_t> ids = page->chosenEntries();
            if (ids.empty()) return;
            present(session::deleteEntries(*session_, page->kind(), ids));
            refreshDatabaseLists();
        } else if (const PcgPage* pcgPage = pcgPageInFront()) {
            const int slot = pcgPage->currentSlot();
            if (slot < 0) return;
            present(session::emptySlot(*session_, pcgPage->kind(), slot));
            refreshPcgLists();
        }
    });
}

void MainWindow::compare() {
    updateEditMenu();
    if (!menus_->action(names::kCompare)->isEnabled()) return;
    guard([&] {
        if (const DatabasePage* page = databasePageInFront()) {
            const std::vector<std::int32_t> ids = page->chosenEntries();
            compareEntries(page->kind(), ids[0], ids[1]);
        } else {
            const PcgPage* pcgPage = pcgPageInFront();
            showCompare(
                CompareWindow::pcgSlots(*session_, pcgPage->kind(), pcgPage->currentSlot(), this));
        }
    });
}

void MainWindow::compareEntries(db::Kind kind, std::int32_t left, std::int32_t right) {
    showCompare(CompareWindow::entries(*session_, kind, left, right, this));
}

void MainWindow::showCompare(CompareWindow* window) {
    window->show();
    showResult(window->summary());
}

void MainWindow::findSimilar() {
    const DatabasePage* page = databasePageInFront();
    const auto entry = page ? page->focusedEntry() : std::nullopt;
    if (!entry) return;
    auto* window = new SimilarWindow(
        *session_, *watch_, dialogs_, page->kind(), *entry,
        [this](db::Kind kind, std::int32_t a, std::int32_t b) {
            guard([&] { compareEntries(kind, a, b); });
        },
        this);
    window->show();
}

void MainWindow::findNearDuplicates() {
    if (!editsSettled()) return;
    const DatabasePage* page = databasePageInFront();
    if (!page) return;
    NearDuplicatesWindow::Calls calls;
    calls.comparePair = [this](db::Kind kind, std::int32_t a, std::int32_t b) {
        guard([&] { compareEntries(kind, a, b); });
    };
    calls.merged = [this](const session::MergeResult& merged) {
        guard([&] {
            refreshDatabaseLists();
            present(merged);
        });
    };
    calls.numberNames = [this](db::Kind kind, const std::vector<std::int32_t>& ids,
                               const QString& base) { replaceNamesOf(kind, ids, base); };
    calls.showInList = [this](db::Kind kind, const std::vector<std::int32_t>& ids) {
        showEntriesInList(kind, ids);
    };
    auto* window = new NearDuplicatesWindow(*session_, *watch_, dialogs_, page->kind(),
                                            std::move(calls), this);
    window->show();
}

void MainWindow::showEntriesInList(db::Kind kind, const std::vector<std::int32_t>& ids) {
    if (!editsSettled()) return;
    DatabasePage* page = kind == db::Kind::Program ? programs_ : combinations_;
    guard([&] {
        if (!page->selectEntries(ids)) {
            refreshDatabaseLists();
            page->selectEntries(ids);
        }
        pages_->setCurrentWidget(page);
        page->list()->setFocus();
    });
    raise();
    activateWindow();
}

void MainWindow::editDatabaseClasses() {
    if (!editsSettled()) return;
    guard([&] { classEditor_->refreshClassEditor(); });
    classEditor_->exec();
}

void MainWindow::classifyByRules() {
    if (!editsSettled()) return;
    ClassifyRulesWindow window(
        *session_, dialogs_, *settings_,
        [this](const QString& summary) { databaseChangedBy(summary); }, this);
    window.exec();
}

void MainWindow::replaceInNames() {
    if (!editsSettled()) return;
    const DatabasePage* page = databasePageInFront();
    if (!page || page->chosenEntries().empty()) return;
    replaceNamesOf(page->kind(), page->chosenEntries());
}

void MainWindow::replaceNamesOf(db::Kind kind, const std::vector<std::int32_t>& ids,
                                const std::optional<QString>& numberingBase) {
    if (!editsSettled()) return;
    ReplaceNamesWindow window(
        *session_, dialogs_, kind, ids,
        [this](const QString& summary) { databaseChangedBy(summary); }, this);
    if (numberingBase) window.startNumbering(*numberingBase);
    window.exec();
}

// ---- Pcg menu ---------------------------------------------------------------------------------

void MainWindow::newPcg() {
    guard([&] {
        present(session::newPcg(*session_));
        refreshPcgLists();
    });
}

void MainWindow::arrangePcg() {
    arrange_->refresh();
    arrange_->show();
    arrange_->raise();
    arrange_->activateWindow();
}

void MainWindow::importPcg() {
    guard([&] {
        const auto path =
            dialogs_.openFile(this, kPcgFilter, settings_->folder(Settings::FileKind::Pcg));
        if (path) importPcgFile(*path);
    });
}

void MainWindow::importPcgFile(const QString& path) {
    const session::Outcome outcome = session::importPcg(*session_, localPath(path));
    if (!outcome.refusal) {
        refreshPcgLists();
        rememberFile(Settings::FileKind::Pcg, path);
    }
    present(outcome);
}

void MainWindow::exportPcg() {
    guard([&] {
        const auto path =
            dialogs_.saveFile(this, kPcgFilter, settings_->folder(Settings::FileKind::Pcg));
        if (!path) return;
        const std::string chosen = localPath(*path);
        if (!mayReplace(this, dialogs_, {shownPath(pcg::pcgExportName(chosen))})) return;
        const session::Outcome outcome = session::exportPcg(*session_, chosen);
        rememberFile(Settings::FileKind::Pcg, shownPath(outcome.path));
        present(outcome);
    });
}

void MainWindow::sendWithProgress(session::PcgPart part) {
    if (!editsSettled()) return;
    guard([&] {
        session::Outcome outcome;
        {
            const ProgressRun run(*progressWindow_);
            outcome = session::sendPcgToDatabase(*session_, part, run.step());
        }
        refreshDatabaseLists();
        present(outcome);
    });
}

void MainWindow::sendPcgToDatabase() {
    sendWithProgress(session::PcgPart::Everything);
}

void MainWindow::sendOnlyProgramsOfPcg() {
    sendWithProgress(session::PcgPart::Programs);
}

void MainWindow::sendOnlyCombinationsOfPcg() {
    sendWithProgress(session::PcgPart::Combinations);
}

void MainWindow::sendPcgFilesToDatabase() {
    if (!editsSettled()) return;
    const QStringList chosen =
        dialogs_.openFilesAndFolders(this, QStringLiteral("Send PCG Files to Database"), kPcgFilter,
                                     settings_->folder(Settings::FileKind::Pcg));
    if (chosen.isEmpty()) return;
    settings_->rememberFolder(Settings::FileKind::Pcg, chosen.first());
    sendFiles(chosen);
}

// ---- Help menu --------------------------------------------------------------------------------

void MainWindow::showAbout() {
    aboutBox_->exec();
}

// ---- Database tabs ----------------------------------------------------------------------------

void MainWindow::search(const DatabasePage& page) {
    if (!editsSettled()) return;
    guard([&] {
        session::Search found =
            page.kind() == db::Kind::Program
                ? session::searchPrograms(*session_, page.programSearch(), page.chosenClassText(),
                                          page.rowChoice())
                : session::searchCombinations(*session_, page.combinationSearch(),
                                              page.chosenClassText(), page.rowChoice());
        if (found.error) {
            dialogs_.showError(this, kApplicationTitle, textOf(*found.error));
            return;
        }
        refreshDatabaseLists(found.rows, &page, std::move(found.shown));
        showResult(QString::fromStdString(found.summary));
    });
}

void MainWindow::submitClicked(const DatabasePage& page) {
    guard([&] {
        const auto id = page.focusedEntry();
        if (!id) return;
        present(session::submitEntry(*session_, page.kind(), *id, page.editedName(),
                                     page.editedMemo()));
        refreshDatabaseLists();
    });
}

void MainWindow::editClassesClicked(const DatabasePage& page) {
    if (!editsSettled()) return;
    const auto entry = page.focusedEntry();
    if (!entry) return;
    bool prepared = false;
    guard([&] {
        classDialog_->prepare(page.kind(), *entry, page.selectedEntries());
        prepared = true;
    });
    if (prepared) classDialog_->exec();
}

}  // namespace pelvaro::app
