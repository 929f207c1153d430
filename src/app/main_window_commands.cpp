// The commands of the main window's menus and tabs: each reads what is chosen, asks for a file
// where it needs one, calls the session function that does the work and shows the outcome.
#include <QAction>
#include <QDate>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
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
#include "io/safe_files.h"
#include "lists/html.h"
#include "lists/tables.h"
#include "pcg/pcg_lists.h"
#include "transfer/comparison.h"

namespace pelvaro::app {

// ---- File menu --------------------------------------------------------------------------------

void MainWindow::newDatabase() {
    guard([&] {
        present(session::newDatabase(*session_));
        refreshDatabaseLists();
    });
}

void MainWindow::openDatabase() {
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

void MainWindow::recoverDatabase() {
    keeper_->showRecoverWindow();
}

void MainWindow::exportDatabase() {
    guard([&] {
        // The dialog offers the database's own name (bank.pvd, also for one opened from a
        // recovery copy), or starts in the last folder for a database made new.
        const std::string& own = session_->databasePath();
        const auto path = dialogs_.saveFile(
            this, textOf(std::string(db::kDatabaseFilter)),
            own.empty() ? settings_->folder(Settings::FileKind::Database) : shownPath(own));
        if (!path) return;
        const session::Outcome outcome = session::exportDatabase(*session_, localPath(*path));
        present(outcome);
        refreshDatabaseLists();
        rememberFile(Settings::FileKind::Database, shownPath(outcome.path));
    });
}

void MainWindow::exportList() {
    guard([&] {
        const QString filter =
            QStringLiteral("CSV Files (*.csv);;Pages to Print (*.html *.htm)|*.csv");
        const auto chosen =
            dialogs_.saveFile(this, filter, settings_->folder(Settings::FileKind::Report));
        if (!chosen) return;
        // The format is the name's: a page for .html or .htm, CSV otherwise.
        QString path = *chosen;
        const QString suffix = QFileInfo(path).suffix().toLower();
        const bool html = suffix == QLatin1String("html") || suffix == QLatin1String("htm");
        if (!html && suffix != QLatin1String("csv")) path += QStringLiteral(".csv");
        const std::string date = QDate::currentDate().toString(Qt::ISODate).toStdString();
        std::string text;
        std::size_t rows = 0;
        if (const PcgPage* page = pcgPageInFront()) {
            const pcg::PcgState& pcg = session_->pcg();
            const std::string source =
                pcg.pcgFileName.empty() ? "New PCG" : fileNameOf(pcg.pcgFileName).toStdString();
            text = html ? lists::htmlPage(lists::pcgPage(pcg, page->kind(), source, date))
                        : lists::tableCsv(lists::pcgTable(pcg, page->kind()));
            rows = pcg::kSlotCount;
        } else {
            const DatabasePage* list = databasePageInFront();
            const std::string& database = session_->databasePath();
            const std::string source =
                database.empty() ? "New database" : fileNameOf(database).toStdString();
            const std::vector<std::int32_t>& ids = list->rowIds();
            text =
                html ? lists::htmlPage(
                           lists::databasePage(session_->files(), list->kind(), ids, source, date))
                     : lists::tableCsv(lists::databaseTable(session_->files(), list->kind(), ids));
            rows = ids.size();
        }
        io::writeFileSafely(localPath(path), text);
        settings_->rememberFolder(Settings::FileKind::Report, path);
        showResult(QStringLiteral("Exported the list of %1 to %2")
                       .arg(counted(static_cast<std::int64_t>(rows), "row", "rows"),
                            QFileInfo(path).fileName()));
    });
}

void MainWindow::exitProgram() {
    close();
}

// ---- Edit menu --------------------------------------------------------------------------------

void MainWindow::undo() {
    guard([&] {
        const session::Outcome outcome = session::undo(*session_);
        if (outcome.summary.empty()) return;  // nothing to take back
        refreshPcgLists();
        refreshDatabaseLists();
        present(outcome);
    });
}

void MainWindow::redo() {
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
        // Any tab but the programs' sends combinations, as the menu's rule offers it on the
        // database tabs alone.
        const DatabasePage* page = databasePageInFront();
        if (!page) page = combinations_;
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
    guard([&] {
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
        QStringList choices;
        std::vector<int> keys;  // the entry or slot behind each choice
        int left = 0;
        int right = 1;
        CompareWindow::Compare compareAt;
        QString title;
        if (const DatabasePage* page = databasePageInFront()) {
            compareEntries(page->kind(), page->chosenEntries(), 0, 1);
            return;
        } else {
            const PcgPage* pcgPage = pcgPageInFront();
            const bool programs = pcgPage->kind() == pcg::SlotKind::Program;
            const pcg::PcgState& pcg = session_->pcg();
            const auto& used = programs ? pcg.occupancy.programUsed : pcg.occupancy.combinationUsed;
            const int current = pcgPage->currentSlot();
            for (int slot = 0; slot < pcg::kSlotCount; ++slot) {
                if (used[slot] != 1) continue;
                if (slot == current) left = static_cast<int>(keys.size());
                keys.push_back(slot);
                choices << textOf(pcg::pcgListLine(
                    pcg, pcgPage->kind(), slot < pcg::kBankSize ? 0 : 1, slot % pcg::kBankSize));
            }
            right = left + 1 < static_cast<int>(keys.size()) ? left + 1 : left - 1;
            title = programs ? QStringLiteral("Compare Pcg Programs")
                             : QStringLiteral("Compare Pcg Combinations");
            compareAt = [this, keys, programs](int l, int r) {
                const int a = keys[static_cast<std::size_t>(l)];
                const int b = keys[static_cast<std::size_t>(r)];
                return programs ? transfer::comparePcgPrograms(session_->pcg(), a, b)
                                : transfer::comparePcgCombinations(session_->pcg(), a, b);
            };
        }
        auto* window = new CompareWindow(title, choices, left, right, compareAt, this);
        window->show();
        showResult(QStringLiteral("Compared %1 and %2: %3")
                       .arg(choices.value(left), choices.value(right),
                            window->findChild<QLabel*>(QStringLiteral("CompareVerdict"))->text()));
    });
}

void MainWindow::compareEntries(db::Kind kind, const std::vector<std::int32_t>& ids, int left,
                                int right) {
    const bool programs = kind == db::Kind::Program;
    const db::RecordFiles& files = session_->files();
    QStringList choices;
    for (const std::int32_t id : ids)
        choices << QString::number(id) + QLatin1Char(' ') +
                       textOf(programs ? db::entryName(files.read<db::DbProgramEntry>(id))
                                       : db::entryName(files.read<db::DbCombinationEntry>(id)));
    const CompareWindow::Compare compareAt = [this, ids, programs](int l, int r) {
        const auto a = ids[static_cast<std::size_t>(l)];
        const auto b = ids[static_cast<std::size_t>(r)];
        return programs ? transfer::compareProgramEntries(session_->files(), a, b)
                        : transfer::compareCombinationEntries(session_->files(), a, b);
    };
    auto* window = new CompareWindow(
        programs ? QStringLiteral("Compare Programs") : QStringLiteral("Compare Combinations"),
        choices, left, right, compareAt, this);
    window->show();
    showResult(QStringLiteral("Compared %1 and %2: %3")
                   .arg(choices.value(left), choices.value(right),
                        window->findChild<QLabel*>(names::compare::kVerdict)->text()));
}

void MainWindow::findSimilar() {
    const DatabasePage* page = databasePageInFront();
    const auto entry = page ? page->focusedEntry() : std::nullopt;
    if (!entry) return;
    auto* window = new SimilarWindow(
        *session_, dialogs_, page->kind(), *entry,
        [this](db::Kind kind, std::int32_t a, std::int32_t b) {
            guard([&] { compareEntries(kind, {a, b}, 0, 1); });
        },
        this);
    window->show();
}

void MainWindow::findNearDuplicates() {
    const DatabasePage* page = databasePageInFront();
    if (!page) return;
    auto* window = new NearDuplicatesWindow(
        *session_, dialogs_, page->kind(),
        [this](db::Kind kind, std::int32_t a, std::int32_t b) {
            guard([&] { compareEntries(kind, {a, b}, 0, 1); });
        },
        [this](const session::MergeResult& merged) {
            guard([&] {
                refreshDatabaseLists();
                events_->showLines(merged.events);
                showResult(QString::fromStdString(merged.summary));
            });
        },
        this);
    window->show();
}

void MainWindow::editDatabaseClasses() {
    guard([&] { classEditor_->refreshClassEditor(); });
    classEditor_->exec();
}

void MainWindow::classifyByRules() {
    ClassifyRulesWindow window(
        *session_, dialogs_, *settings_,
        [this](const QString& summary) { databaseChangedBy(summary); }, this);
    window.exec();
}

void MainWindow::replaceInNames() {
    const DatabasePage* page = databasePageInFront();
    if (!page || page->chosenEntries().empty()) return;
    ReplaceNamesWindow window(
        *session_, dialogs_, page->kind(), page->chosenEntries(),
        [this](const QString& summary) { databaseChangedBy(summary); }, this);
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
        const session::Outcome outcome = session::exportPcg(*session_, localPath(*path));
        rememberFile(Settings::FileKind::Pcg, shownPath(outcome.path));
        present(outcome);
    });
}

void MainWindow::sendWithProgress(session::PcgPart part) {
    guard([&] {
        session::Outcome outcome;
        try {
            const ProgressRun run(*progressWindow_);
            outcome = session::sendPcgToDatabase(*session_, part, run.step(), &outcome);
        } catch (...) {
            // What was sent before the failure stays sent and is shown; the message follows.
            present(outcome);
            refreshDatabaseLists();
            throw;
        }
        present(outcome);
        refreshDatabaseLists();
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
    const QStringList chosen =
        dialogs_.openFilesAndFolders(this, kPcgFilter, settings_->folder(Settings::FileKind::Pcg));
    if (chosen.isEmpty()) return;
    settings_->rememberFolder(Settings::FileKind::Pcg, chosen.first());
    sendFiles(chosen);
}

// ---- Help menu --------------------------------------------------------------------------------

void MainWindow::showAbout() {
    aboutBox_->exec();
}

// ---- Database tabs ----------------------------------------------------------------------------

void MainWindow::search() {
    guard([&] {
        const DatabasePage* page = databasePageInFront();
        if (!page) page = combinations_;
        const session::Search found =
            page->kind() == db::Kind::Program
                ? session::searchPrograms(*session_, page->programSearch(), page->chosenClassText())
                : session::searchCombinations(*session_, page->combinationSearch(),
                                              page->chosenClassText());
        if (found.error) {
            dialogs_.showError(this, kApplicationTitle, textOf(*found.error));
            return;
        }
        refreshDatabaseLists(found.rows);
        showResult(QString::fromStdString(found.summary));
    });
}

void MainWindow::submitClicked() {
    guard([&] {
        const DatabasePage* page = databasePageInFront();
        if (!page) page = combinations_;
        const auto id = page->focusedEntry();
        if (!id) return;
        present(session::submitEntry(*session_, page->kind(), *id, page->editedName(),
                                     page->editedMemo()));
        refreshDatabaseLists();
    });
}

void MainWindow::editClassesClicked() {
    const DatabasePage* page = databasePageInFront();
    if (!page) page = combinations_;
    const auto entry = page->focusedEntry();
    if (!entry) return;
    bool prepared = false;
    guard([&] {
        classDialog_->prepare(page->kind(), *entry, page->selectedEntries());
        prepared = true;
    });
    if (prepared) classDialog_->exec();
}

// ---- Pcg tabs ---------------------------------------------------------------------------------

void MainWindow::showUsedBy() {
    const int slot = pcgPrograms_->currentSlot();
    if (slot < 0) return;
    const pcg::PcgState& pcg = session_->pcg();
    auto* menu = new QMenu(this);
    menu->setObjectName(QLatin1String(names::kUsedByList));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const std::vector<int> players = pcg::combinationsPlaying(pcg, slot);
    if (players.empty())
        menu->addAction(QStringLiteral("No combination plays %1").arg(textOf(pcg::slotName(slot))))
            ->setEnabled(false);
    for (const int combination : players) {
        const int bank = combination < pcg::kBankSize ? 0 : 1;
        const int line = combination % pcg::kBankSize;
        QAction* go =
            menu->addAction(textOf(pcg::pcgListLine(pcg, pcg::SlotKind::Combination, bank, line)));
        go->setToolTip(QStringLiteral("Show this combination"));
        connect(go, &QAction::triggered, this, [this, bank, line] {
            pcgCombinations_->setBank(bank);
            refreshPcgLists();
            pages_->setCurrentWidget(pcgCombinations_);
            pcgCombinations_->setCurrentLine(line);
        });
    }
    menu->setToolTipsVisible(true);
    QListWidget* list = pcgPrograms_->list();
    const QRect line = list->visualItemRect(list->currentItem());
    menu->popup(list->viewport()->mapToGlobal(line.bottomLeft()));
}

}  // namespace pelvaro::app
