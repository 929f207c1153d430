#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>

#include "app/about_box.h"
#include "app/app_icon.h"
#include "app/busy_window.h"
#include "app/class_assignment_dialog.h"
#include "app/class_editor.h"
#include "app/dialogs.h"
#include "app/elided_label.h"
#include "app/entry_list_model.h"
#include "app/limited_memo.h"
#include "app/progress_window.h"
#include "app/recovery_dialog.h"
#include "app/window_text.h"
#include "db/database_file.h"
#include "db/details.h"
#include "db/entry_deletion.h"
#include "io/file_stream.h"
#include "io/progress.h"
#include "pcg/pcg_files.h"
#include "pcg/pcg_lists.h"
#include "session/summaries.h"

namespace pelvaro::app {

MainWindow::MainWindow(Dialogs& dialogs, const QString& startDirectory, const Places& places,
                       QWidget* parent)
    : QMainWindow(parent),
      dialogs_(dialogs),
      places_(places),
      settings_(std::make_unique<Settings>(places.settingsFile)) {
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(kApplicationTitle);
    setWindowIcon(applicationIcon());
    resize(640, 720);
    const std::string start = localPath(startDirectory);
    session_ = std::make_unique<session::Session>(
        start,
        places_.templateFile.isEmpty() ? pcg::templatePathIn(start)
                                       : localPath(places_.templateFile),
        places_.recoveryFolder.isEmpty() ? std::string() : localPath(places_.recoveryFolder));
    buildWindow();
    refreshPcgLists();
    refreshDatabaseLists();

    // The other windows, in their order, each once for the whole run. Closing either class
    // window refreshes the lists, so a changed class table shows everywhere.
    const auto refresh = [this] { guard([this] { refreshDatabaseLists(); }); };
    classEditor_ = new ClassEditor(*session_, dialogs_, refresh, this);
    progressWindow_ = new ProgressWindow(this);
    classDialog_ = new ClassAssignmentDialog(*session_, dialogs_, refresh, this);
    aboutBox_ = new AboutBox(this);
    busy_ = new BusyWindow(this);
    busy_->setOtherWindow(progressWindow_);

    connect(programSearchButton_, &QPushButton::clicked, this, &MainWindow::search);
    connect(combinationSearchButton_, &QPushButton::clicked, this, &MainWindow::search);
    connect(programSubmit_, &QPushButton::clicked, this, &MainWindow::submitClicked);
    connect(combinationSubmit_, &QPushButton::clicked, this, &MainWindow::submitClicked);
    connect(programEditClasses_, &QPushButton::clicked, this, &MainWindow::editClassesClicked);
    connect(combinationEditClasses_, &QPushButton::clicked, this, &MainWindow::editClassesClicked);
    for (QCheckBox* box : {programEditEnabled_, combinationEditEnabled_})
        connect(box, &QCheckBox::clicked, this, [this, box] { editEnabledClicked(box); });
    // The panels follow the focused row, whether a click or a key moved it.
    for (QTableView* list : {programList_, combinationList_})
        connect(list->selectionModel(), &QItemSelectionModel::currentChanged, this,
                &MainWindow::showFocusedEntry);
    qApp->installEventFilter(this);
    restoreWindowPlaces();
    updateUndoActions();
    updateStatus();
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    saveWindowPlaces();
    session_->shutDown();
}

void MainWindow::guard(const std::function<void()>& handler) {
    // Long work reports how far it has come; the busy window shows it once it takes long.
    std::optional<app::Shown> shown;
    if (busy_) {
        busy_->begin();
        const io::ProgressScope scope([this](std::int64_t bytes) { busy_->advance(bytes); });
        shown = guarded(this, dialogs_, handler);
        busy_->end();
    } else {
        shown = guarded(this, dialogs_, handler);
    }
    if (shown)
        showResult(QStringLiteral("Failed: ") + shown->text.section(QLatin1Char('\n'), 0, 0));
    updateUndoActions();
    updateStatus();
}

// ---- Lists and panels -------------------------------------------------------------------------

bool MainWindow::isSearchField(const QObject* object) const {
    for (const QWidget* field :
         {static_cast<QWidget*>(programNameSearch_), static_cast<QWidget*>(programClassSearch_),
          static_cast<QWidget*>(drumIdSearch_), static_cast<QWidget*>(soundFromSearch_),
          static_cast<QWidget*>(soundToSearch_), static_cast<QWidget*>(combinationNameSearch_),
          static_cast<QWidget*>(combinationClassSearch_), static_cast<QWidget*>(programIdSearch_)})
        if (object == field || (object && object->parent() == field)) return true;
    return false;
}

MainWindow::Tab MainWindow::tabInFront() const {
    const QWidget* page = pages_->currentWidget();
    if (page == combinationsPage_) return Tab::DatabaseCombinations;
    if (page == pcgProgramsPage_) return Tab::PcgPrograms;
    if (page == pcgCombinationsPage_) return Tab::PcgCombinations;
    return Tab::DatabasePrograms;
}
int MainWindow::programBank() const {
    return programBankButtons_->checkedId() == 0 ? 0 : 1;
}
int MainWindow::combinationBank() const {
    return combinationBankButtons_->checkedId() == 0 ? 0 : 1;
}

void MainWindow::refreshPcgLists() {
    const pcg::PcgListLines lines =
        pcg::pcgListLines(session_->pcg(), programBank(), combinationBank());
    // The lines are replaced in place, so the current line stays where the user left it.
    for (int i = 0; i < pcg::kBankSize; ++i) {
        pcgProgramList_->item(i)->setText(textOf(lines.programs[i]));
        pcgCombinationList_->item(i)->setText(textOf(lines.combinations[i]));
    }
}

void MainWindow::refreshDatabaseLists(const db::ListFilter& filter, db::Kind searched) {
    db::ListRefill refill = db::listRows(session_->files(), filter, searched, &session_->names());
    const auto fill = [](QTableView* list, EntryListModel* rows, std::vector<std::int32_t> ids) {
        rows->setRows(std::move(ids));
        // Right after a refill the first row is the selected one.
        if (rows->rowCount() > 0)
            list->selectionModel()->setCurrentIndex(rows->index(0),
                                                    QItemSelectionModel::ClearAndSelect);
    };
    if (refill.programsRefilled) fill(programList_, programRows_, std::move(refill.programRowIds));
    if (refill.combinationsRefilled)
        fill(combinationList_, combinationRows_, std::move(refill.combinationRowIds));

    for (QComboBox* combo : {programClassSearch_, combinationClassSearch_}) {
        combo->clear();
        for (const std::string& choice : refill.classChoices)
            combo->addItem(textOf(choice));
        combo->setCurrentIndex(0);
    }
    for (QLineEdit* field : {programNameSearch_, combinationNameSearch_, drumIdSearch_,
                             programIdSearch_, soundFromSearch_, soundToSearch_})
        field->clear();
    showEntryDetails();
}

std::optional<std::int32_t> MainWindow::focusedEntry(bool programs) const {
    const QTableView* list = programs ? programList_ : combinationList_;
    const std::vector<std::int32_t>& ids = (programs ? programRows_ : combinationRows_)->rowIds();
    const int row = currentRow(list);
    if (row < 0 || static_cast<std::size_t>(row) >= ids.size()) return std::nullopt;
    return ids[static_cast<std::size_t>(row)];
}

void MainWindow::showFocusedEntry() {
    guard([&] { showEntryDetails(); });
}

void MainWindow::showEntryDetails() {
    const db::DetailPanels panels =
        db::entryDetails(session_->files(), focusedEntry(true), focusedEntry(false));
    for (QLineEdit* field :
         {programId_, combinationId_, programDrumId_, programName_, combinationName_})
        field->clear();
    for (LimitedMemo* memo : {programExplanation_, combinationExplanation_})
        memo->clear();
    for (QListWidget* list : {programClasses_, combinationClasses_, timbreIds_})
        list->clear();
    if (panels.program) {
        programId_->setText(textOf(panels.program->idNumber));
        programDrumId_->setText(textOf(panels.program->drumId));
        programName_->setText(textOf(panels.program->name));
        programExplanation_->setPlainText(textOf(panels.program->explanation));
        showDetail(programClasses_, panels.program->classes);
    }
    if (panels.combination) {
        combinationId_->setText(textOf(panels.combination->idNumber));
        combinationName_->setText(textOf(panels.combination->name));
        combinationExplanation_->setPlainText(textOf(panels.combination->explanation));
        showDetail(combinationClasses_, panels.combination->classes);
        showDetail(timbreIds_, panels.combination->timbreIds);
    }
    showWhereUsed();
}

std::vector<std::int32_t> MainWindow::chosenEntries(bool programs) const {
    const QTableView* list = programs ? programList_ : combinationList_;
    const std::vector<std::int32_t>& ids = (programs ? programRows_ : combinationRows_)->rowIds();
    std::vector<std::int32_t> chosen;
    if (ids.empty()) return chosen;
    const std::vector<int> selected = selectedRows(list);
    if (selected.size() >= 2) {
        for (int r : selected)
            chosen.push_back(ids[static_cast<std::size_t>(r)]);
    } else if (const auto entry = focusedEntry(programs)) {
        chosen.push_back(*entry);
    }
    return chosen;
}

int MainWindow::chosenSlot(bool programs) const {
    const int line = (programs ? pcgProgramList_ : pcgCombinationList_)->currentRow();
    if (line < 0) return -1;
    return pcg::slotOf(programs ? programBank() : combinationBank(), line);
}

void MainWindow::showEvents() {
    eventList_->clear();
    for (const std::string& line : eventLines_)
        eventList_->addItem(textOf(line));
    if (!eventLines_.empty()) eventList_->scrollToBottom();
}

// ---- File menu --------------------------------------------------------------------------------

void MainWindow::newDatabase() {
    guard([&] {
        session_->newDatabase();
        refreshDatabaseLists();
        showResult(QStringLiteral("New database"));
    });
}

void MainWindow::openDatabase() {
    guard([&] {
        const auto path = dialogs_.openFile(this, textOf(std::string(db::kDatabaseFilter)),
                                            folderFor(Settings::FileKind::Database));
        if (path) openDatabaseFile(*path);
    });
}

void MainWindow::openDatabaseFile(const QString& path) {
    session_->openDatabase(localPath(path));
    refreshDatabaseLists();
    rememberFile(Settings::FileKind::Database, path);
    showResult(QStringLiteral("Opened %1: %2")
                   .arg(QFileInfo(path).fileName(),
                        QString::fromStdString(session::databaseSummary(session_->files()))));
}

void MainWindow::recoverDatabase() {
    if (places_.recoveryFolder.isEmpty()) return;
    RecoveryDialog recovery(places_.recoveryFolder, dialogs_, this);
    const std::optional<std::string> chosen = recovery.chooseCopy();
    if (chosen)
        guard([&] {
            session_->openDatabase(*chosen);
            refreshDatabaseLists();
            showResult(QStringLiteral("Opened the recovery copy ") + fileNameOf(*chosen));
        });
}

void MainWindow::exportDatabase() {
    guard([&] {
        const auto path = dialogs_.saveFile(this, textOf(std::string(db::kDatabaseFilter)),
                                            folderFor(Settings::FileKind::Database));
        if (!path) return;
        const db::DatabasePaths written = session_->exportDatabase(localPath(*path));
        refreshDatabaseLists();
        rememberFile(Settings::FileKind::Database, shownPath(written.database));
        showResult(QStringLiteral("Exported ") + fileNameOf(written.database));
    });
}

void MainWindow::exitProgram() {
    close();
}

// ---- Edit menu --------------------------------------------------------------------------------

void MainWindow::undo() {
    guard([&] {
        if (!session_->undoLog().canUndo()) return;
        const QString name = textOf(session_->undoLog().undoName());
        session_->undoLog().undo();
        refreshPcgLists();
        refreshDatabaseLists();
        showResult(QStringLiteral("Undid ") + name);
    });
}

void MainWindow::redo() {
    guard([&] {
        if (!session_->undoLog().canRedo()) return;
        const QString name = textOf(session_->undoLog().redoName());
        session_->undoLog().redo();
        refreshPcgLists();
        refreshDatabaseLists();
        showResult(QStringLiteral("Redid ") + name);
    });
}

void MainWindow::updateUndoActions() {
    if (!undoAction_) return;
    const session::UndoLog& log = session_->undoLog();
    undoAction_->setEnabled(log.canUndo());
    undoAction_->setText(log.canUndo() ? QStringLiteral("&Undo ") + textOf(log.undoName())
                                       : QStringLiteral("&Undo"));
    redoAction_->setEnabled(log.canRedo());
    redoAction_->setText(log.canRedo() ? QStringLiteral("&Redo ") + textOf(log.redoName())
                                       : QStringLiteral("&Redo"));
}

void MainWindow::updateEditMenu() {
    bool toPcg = false;
    bool toDatabase = false;
    bool remove = false;
    switch (tabInFront()) {
        case Tab::DatabasePrograms:
        case Tab::DatabaseCombinations: {
            const bool programs = tabInFront() == Tab::DatabasePrograms;
            const QTableView* list = programs ? programList_ : combinationList_;
            toPcg = remove = list->model()->rowCount() > 0 && currentRow(list) >= 0;
            break;
        }
        case Tab::PcgPrograms:
        case Tab::PcgCombinations: {
            const bool programs = tabInFront() == Tab::PcgPrograms;
            if (const int slot = chosenSlot(programs); slot >= 0) {
                const auto& used = programs ? session_->pcg().occupancy.programUsed
                                            : session_->pcg().occupancy.combinationUsed;
                toDatabase = remove = used[slot] == 1;
            }
            break;
        }
    }
    sendToPcgAction_->setEnabled(toPcg);
    sendToDatabaseAction_->setEnabled(toDatabase);
    deleteAction_->setEnabled(remove);
    // Compare: exactly two chosen entries, or a used PCG slot and another used one.
    bool comparable = false;
    switch (tabInFront()) {
        case Tab::DatabasePrograms:
            comparable = selectedRows(programList_).size() == 2;
            break;
        case Tab::DatabaseCombinations:
            comparable = selectedRows(combinationList_).size() == 2;
            break;
        case Tab::PcgPrograms:
        case Tab::PcgCombinations: {
            const auto& used = tabInFront() == Tab::PcgPrograms
                                   ? session_->pcg().occupancy.programUsed
                                   : session_->pcg().occupancy.combinationUsed;
            comparable = toDatabase && std::ranges::count(used, Byte{1}) >= 2;
            break;
        }
    }
    compareAction_->setEnabled(comparable);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Before a shortcut of the Edit menu acts, its rule runs, as when the menu opens: a shortcut
    // acts only if its item is enabled for what is selected now.
    const auto* target = qobject_cast<QWidget*>(watched);
    // Enter in a search field runs its tab's Search, as a click on the button would.
    if (event->type() == QEvent::KeyPress && isSearchField(watched)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            search();
            return true;
        }
    }
    if (event->type() == QEvent::ShortcutOverride && target && target->window() == this) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (const QAction* action : {sendToPcgAction_, sendToDatabaseAction_, deleteAction_}) {
            if (action->shortcut() == pressed) {
                updateEditMenu();
                break;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::sendToPcg() {
    guard([&] {
        const bool programs = tabInFront() == Tab::DatabasePrograms;
        const auto command =
            session_->command("Send To PCG", session::Session::Changes::DatabaseAndPcg);
        const pcg::PcgState before = session_->pcg();
        // The kit scan and the clearing of the event list run even with nothing to send.
        session_->engine().sendEntriesToPcg(programs ? db::Kind::Program : db::Kind::Combination,
                                            chosenEntries(programs), eventLines_);
        showEvents();
        refreshPcgLists();
        // What took a slot: a slot that was empty and is used now, a kit whose bytes changed.
        const pcg::PcgState& after = session_->pcg();
        std::int32_t programsPlaced = 0;
        std::int32_t combinationsPlaced = 0;
        std::int32_t kitsPlaced = 0;
        for (int s = 0; s < pcg::kSlotCount; ++s) {
            programsPlaced +=
                before.occupancy.programUsed[s] == 0 && after.occupancy.programUsed[s] == 1;
            combinationsPlaced +=
                before.occupancy.combinationUsed[s] == 0 && after.occupancy.combinationUsed[s] == 1;
        }
        for (int k = 0; k < pcg::kDrumKitCount; ++k) {
            const auto was = before.image.drumKit(k);
            const auto now = after.image.drumKit(k);
            kitsPlaced += !std::equal(was.begin(), was.end(), now.begin(), now.end());
        }
        showResult(QString::fromStdString(session::placeSummary(programsPlaced, combinationsPlaced,
                                                                kitsPlaced, !eventLines_.empty())));
    });
}

void MainWindow::sendToDatabase() {
    guard([&] {
        eventLines_.clear();
        showEvents();
        const Tab tab = tabInFront();
        if (tab != Tab::PcgPrograms && tab != Tab::PcgCombinations) return;
        const bool programs = tab == Tab::PcgPrograms;
        const int slot = chosenSlot(programs);
        if (slot < 0) return;
        const auto command =
            session_->command("Send To Database", session::Session::Changes::Database);
        const db::RecordFiles& files = session_->files();
        const std::array<std::int32_t, 3> before = {files.count(db::Kind::Program),
                                                    files.count(db::Kind::Combination),
                                                    files.count(db::Kind::DrumKit)};
        session_->engine().sendSlotToDatabase(
            programs ? pcg::SlotKind::Program : pcg::SlotKind::Combination, slot, eventLines_);
        showEvents();
        refreshDatabaseLists();
        showResult(QString::fromStdString(
            session::sendSummary({.sentPrograms = programs ? 1 : 0,
                                  .sentCombinations = programs ? 0 : 1,
                                  .newPrograms = files.count(db::Kind::Program) - before[0],
                                  .newCombinations = files.count(db::Kind::Combination) - before[1],
                                  .newDrumKits = files.count(db::Kind::DrumKit) - before[2]})));
    });
}

void MainWindow::deleteSelection() {
    guard([&] {
        eventLines_.clear();
        showEvents();
        switch (tabInFront()) {
            case Tab::DatabasePrograms:
            case Tab::DatabaseCombinations: {
                const bool programs = tabInFront() == Tab::DatabasePrograms;
                const std::vector<std::int32_t> ids = chosenEntries(programs);
                if (ids.empty()) return;
                const auto command =
                    session_->command("Delete", session::Session::Changes::Database);
                const db::Kind kind = programs ? db::Kind::Program : db::Kind::Combination;
                const std::int32_t before = session_->files().count(kind);
                if (programs)
                    db::deleteProgramEntries(session_->files(), ids, eventLines_);
                else
                    db::deleteCombinationEntries(session_->files(), ids, eventLines_);
                showEvents();
                refreshDatabaseLists();
                const std::int32_t deleted = before - session_->files().count(kind);
                QString result =
                    deleted == 0 ? QStringLiteral("Deleted nothing")
                                 : QStringLiteral("Deleted ") +
                                       (programs ? counted(deleted, "program", "programs")
                                                 : counted(deleted, "combination", "combinations"));
                if (!eventLines_.empty()) result += QStringLiteral("; see the event list");
                showResult(result);
                break;
            }
            case Tab::PcgPrograms:
            case Tab::PcgCombinations: {
                const bool programs = tabInFront() == Tab::PcgPrograms;
                const int slot = chosenSlot(programs);
                if (slot < 0) return;
                const auto command =
                    session_->command("Delete", session::Session::Changes::DatabaseAndPcg);
                pcg::emptyPcgSlot(session_->pcg(),
                                  programs ? pcg::SlotKind::Program : pcg::SlotKind::Combination,
                                  slot);
                refreshPcgLists();
                showResult(
                    QStringLiteral("Emptied ") +
                    (programs ? QStringLiteral("program ") : QStringLiteral("combination ")) +
                    textOf(pcg::slotPrefix(slot < pcg::kBankSize ? 0 : 1, slot % pcg::kBankSize)));
                break;
            }
        }
    });
}

void MainWindow::editDatabaseClasses() {
    guard([&] { classEditor_->refreshClassEditor(); });
    classEditor_->exec();
}

// ---- Pcg menu ---------------------------------------------------------------------------------

void MainWindow::newPcg() {
    guard([&] {
        const auto command =
            session_->command("New Pcg", session::Session::Changes::DatabaseAndPcg);
        pcg::newPcg(session_->pcg(), session_->templatePath());
        refreshPcgLists();
        showResult(QStringLiteral("New PCG"));
    });
}

void MainWindow::importPcg() {
    guard([&] {
        const auto path = dialogs_.openFile(this, kPcgFilter, folderFor(Settings::FileKind::Pcg));
        if (path) importPcgFile(*path);
    });
}

void MainWindow::importPcgFile(const QString& path) {
    const auto command = session_->command("Import Pcg", session::Session::Changes::DatabaseAndPcg);
    if (pcg::importPcg(session_->pcg(), localPath(path)) == pcg::ImportResult::NotCompatible) {
        showResult(QStringLiteral("Not imported: ") + QFileInfo(path).fileName());
        dialogs_.showError(this, textOf(std::string(pcg::kNotCompatibleCaption)),
                           textOf(std::string(pcg::kNotCompatibleText)));
        return;
    }
    refreshPcgLists();
    rememberFile(Settings::FileKind::Pcg, path);
    showResult(QStringLiteral("Imported %1: %2")
                   .arg(QFileInfo(path).fileName(),
                        QString::fromStdString(session::pcgSummary(session_->pcg()))));
}

void MainWindow::exportPcg() {
    guard([&] {
        const auto path = dialogs_.saveFile(this, kPcgFilter, folderFor(Settings::FileKind::Pcg));
        if (!path) return;
        const std::string written = pcg::pcgExportName(localPath(*path));
        pcg::writePcgFile(session_->pcg().image, written);
        rememberFile(Settings::FileKind::Pcg, shownPath(written));
        showResult(QStringLiteral("Exported ") + fileNameOf(written));
    });
}

void MainWindow::sendWithProgress(const char* name,
                                  void (transfer::TransferEngine::*send)(db::EventLines&,
                                                                         const transfer::Progress&),
                                  bool programs, bool combinations) {
    const auto command = session_->command(name, session::Session::Changes::Database);
    const db::RecordFiles& files = session_->files();
    const std::array<std::int32_t, 3> before = {files.count(db::Kind::Program),
                                                files.count(db::Kind::Combination),
                                                files.count(db::Kind::DrumKit)};
    progressWindow_->resetBars();
    progressWindow_->showWindow();
    progressWindow_->drawCaption(QStringLiteral("Programs:"), QPoint(110, 12));
    progressWindow_->drawCaption(QStringLiteral("Combinations:"), QPoint(102, 65));
    const auto finish = [&] {
        progressWindow_->hideWindow();
        showEvents();
        refreshDatabaseLists();
        const pcg::SlotOccupancy& used = session_->pcg().occupancy;
        showResult(QString::fromStdString(session::sendSummary(
            {.sentPrograms =
                 programs ? static_cast<std::int32_t>(std::ranges::count(used.programUsed, Byte{1}))
                          : 0,
             .sentCombinations = combinations ? static_cast<std::int32_t>(std::ranges::count(
                                                    used.combinationUsed, Byte{1}))
                                              : 0,
             .newPrograms = files.count(db::Kind::Program) - before[0],
             .newCombinations = files.count(db::Kind::Combination) - before[1],
             .newDrumKits = files.count(db::Kind::DrumKit) - before[2]})));
    };
    try {
        (session_->engine().*send)(eventLines_, [this](transfer::ProgressBar bar) {
            if (bar == transfer::ProgressBar::Programs)
                progressWindow_->stepProgramBar();
            else
                progressWindow_->stepCombinationBar();
        });
    } catch (...) {
        // What was sent before the failure stays sent and is shown; the message follows.
        finish();
        throw;
    }
    finish();
}

void MainWindow::sendPcgToDatabase() {
    guard([&] {
        sendWithProgress("Send PCG to Database", &transfer::TransferEngine::sendPcgToDatabase, true,
                         true);
    });
}

void MainWindow::sendPcgFilesToDatabase() {
    const QStringList chosen =
        dialogs_.openFilesAndFolders(this, kPcgFilter, folderFor(Settings::FileKind::Pcg));
    if (chosen.isEmpty()) return;
    settings_->rememberFolder(Settings::FileKind::Pcg, chosen.first());
    sendFiles(chosen);
}

void MainWindow::sendOnlyProgramsOfPcg() {
    guard([&] {
        sendWithProgress("Send Only Programs of PCG",
                         &transfer::TransferEngine::sendOnlyProgramsOfPcg, true, false);
    });
}

void MainWindow::sendOnlyCombinationsOfPcg() {
    guard([&] {
        sendWithProgress("Send Only Combinations of PCG",
                         &transfer::TransferEngine::sendOnlyCombinationsOfPcg, false, true);
    });
}

// ---- Database tabs ----------------------------------------------------------------------------

void MainWindow::search() {
    guard([&] {
        // A class typed into the editable combo rather than picked is no choice at all.
        const auto classIndex = [](const QComboBox* combo) {
            const int i = combo->currentIndex();
            return i >= 0 && combo->currentText() == combo->itemText(i) ? i : -1;
        };
        const bool programs = tabInFront() == Tab::DatabasePrograms;
        db::SearchParse search;
        if (programs) {
            search = db::parseProgramSearch({.name = bytesOf(programNameSearch_->text()),
                                             .drumId = bytesOf(drumIdSearch_->text()),
                                             .soundFrom = bytesOf(soundFromSearch_->text()),
                                             .soundTo = bytesOf(soundToSearch_->text()),
                                             .classIndex = classIndex(programClassSearch_)});
        } else {
            search =
                db::parseCombinationSearch({.name = bytesOf(combinationNameSearch_->text()),
                                            .programId = bytesOf(programIdSearch_->text()),
                                            .classIndex = classIndex(combinationClassSearch_)});
        }
        if (search.error) {
            dialogs_.showError(this, kApplicationTitle, textOf(*search.error));
            return;
        }
        // The refill clears the fields, so the line names what was searched for.
        QStringList asked;
        const auto ask = [&](const QString& label, const QString& text) {
            if (!text.trimmed().isEmpty()) asked << label + text.trimmed();
        };
        if (programs) {
            ask(QStringLiteral("name "), programNameSearch_->text());
            if (classIndex(programClassSearch_) > 0)
                ask(QStringLiteral("class "), programClassSearch_->currentText());
            ask(QStringLiteral("drum kit "), drumIdSearch_->text());
            if (!soundFromSearch_->text().trimmed().isEmpty() ||
                !soundToSearch_->text().trimmed().isEmpty())
                asked << QStringLiteral("sound %1-%2")
                             .arg(soundFromSearch_->text().trimmed(),
                                  soundToSearch_->text().trimmed());
        } else {
            ask(QStringLiteral("name "), combinationNameSearch_->text());
            if (classIndex(combinationClassSearch_) > 0)
                ask(QStringLiteral("class "), combinationClassSearch_->currentText());
            ask(QStringLiteral("program "), programIdSearch_->text());
        }
        const db::Kind kind = programs ? db::Kind::Program : db::Kind::Combination;
        refreshDatabaseLists(search.filter, kind);
        const auto rows = (programs ? programRows_ : combinationRows_)->rowCount();
        const std::int32_t all = session_->files().count(kind);
        const char* one = programs ? "program" : "combination";
        const char* many = programs ? "programs" : "combinations";
        showResult((asked.isEmpty()
                        ? QStringLiteral("Showing all ") + counted(all, one, many)
                        : QStringLiteral("Found %1 of %2").arg(rows).arg(counted(all, one, many)) +
                              QStringLiteral(": ") + asked.join(QStringLiteral(", "))));
    });
}

void MainWindow::editEnabledClicked(QCheckBox* box) {
    QFrame* panel = box == programEditEnabled_ ? programPanel_ : combinationPanel_;
    panel->setEnabled(box->isChecked());
    panel->setFrameShadow(box->isChecked() ? QFrame::Raised : QFrame::Sunken);
}

void MainWindow::submitClicked() {
    guard([&] {
        const bool programs = tabInFront() == Tab::DatabasePrograms;
        const auto id = focusedEntry(programs);
        if (!id) return;
        const auto command = session_->command("Submit", session::Session::Changes::Database);
        if (programs)
            db::submitProgram(session_->files(), *id, bytesOf(programName_->text()),
                              bytesOf(programExplanation_->toPlainText()));
        else
            db::submitCombination(session_->files(), *id, bytesOf(combinationName_->text()),
                                  bytesOf(combinationExplanation_->toPlainText()));
        refreshDatabaseLists();
        showResult(QStringLiteral("Stored ") +
                   (programs ? QStringLiteral("program ") : QStringLiteral("combination ")) +
                   QString::number(*id));
    });
}

void MainWindow::editClassesClicked() {
    const bool programs = tabInFront() == Tab::DatabasePrograms;
    const auto entry = focusedEntry(programs);
    if (!entry) return;
    const EntryListModel* rows = programs ? programRows_ : combinationRows_;
    std::vector<std::int32_t> selected;
    for (int r : selectedRows(programs ? programList_ : combinationList_))
        selected.push_back(rows->rowIds()[static_cast<std::size_t>(r)]);
    bool prepared = false;
    guard([&] {
        classDialog_->prepare(programs ? db::Kind::Program : db::Kind::Combination, *entry,
                              selected);
        prepared = true;
    });
    if (prepared) classDialog_->exec();
}

// ---- Pcg tabs ---------------------------------------------------------------------------------

void MainWindow::bankChanged() {
    refreshPcgLists();
}

// ---- Help menu --------------------------------------------------------------------------------

void MainWindow::showAbout() {
    aboutBox_->exec();
}

std::unique_ptr<MainWindow> createMainWindow(Dialogs& dialogs, const QString& startDirectory,
                                             const Places& places) {
    try {
        return std::make_unique<MainWindow>(dialogs, startDirectory, places);
    } catch (const io::FileError& e) {
        std::fprintf(stderr, "PELVARO: %s\n", e.what());
        dialogs.showError(nullptr, kApplicationTitle, QString::fromLocal8Bit(e.what()));
        return nullptr;
    } catch (const io::RefusalError& e) {
        // A template file of another kind.
        std::fprintf(stderr, "PELVARO: %s\n", e.what());
        dialogs.showError(nullptr, QString::fromLocal8Bit(e.refusal().caption),
                          QString::fromLocal8Bit(e.refusal().text));
        return nullptr;
    }
}

}  // namespace pelvaro::app
