#include "app/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <cstdio>

#include "app/about_box.h"
#include "app/app_icon.h"
#include "app/class_assignment_dialog.h"
#include "app/class_editor.h"
#include "app/dialogs.h"
#include "app/entry_list_model.h"
#include "app/limited_memo.h"
#include "app/progress_window.h"
#include "app/recovery_dialog.h"
#include "app/send_report.h"
#include "db/database_file.h"
#include "db/details.h"
#include "db/entry_deletion.h"
#include "io/file_stream.h"
#include "pcg/pcg_files.h"
#include "pcg/pcg_lists.h"
#include "session/batch_send.h"

namespace pelvaro::app {

namespace {
const QString kPcgFilter = QStringLiteral("Pcg Files (*.pcg)|*.pcg");

// The bytes of a chosen path, as the file system names the file. A name whose bytes are not text
// in the system's encoding reaches the program with replacement characters and would name
// another file: it is refused, naming it, rather than written under another name.
std::string localPath(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    if (path.contains(QChar::ReplacementCharacter) || QFile::decodeName(bytes) != path)
        throw io::RefusalError(io::Refusal{
            "File name error", "The name " + path.toStdString() +
                                   " holds characters that this system cannot write as they "
                                   "stand. Please choose another name."});
    return bytes.toStdString();
}
std::string bytesOf(const QString& text) {
    return text.toLatin1().toStdString();
}
QString textOf(const std::string& bytes) {
    return QString::fromLatin1(bytes);
}

// The focused row of a list, or -1.
int currentRow(const QListView* list) {
    return list->currentIndex().isValid() ? list->currentIndex().row() : -1;
}

// The rows selected in a list, first to last.
std::vector<int> selectedRows(const QListView* list) {
    std::vector<int> rows;
    for (const QModelIndex& index : list->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void showDetail(QListWidget* list, const auto& lines) {
    list->clear();
    for (const std::string& line : lines)
        list->addItem(textOf(line));
}
}  // namespace

MainWindow::MainWindow(Dialogs& dialogs, const QString& startDirectory, const Places& places,
                       QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), places_(places) {
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(kApplicationTitle);
    setWindowIcon(applicationIcon());
    resize(600, 640);
    const std::string start = localPath(startDirectory);
    session_ = std::make_unique<session::Session>(
        start, pcg::templatePathIn(start),
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

    connect(programSearchButton_, &QPushButton::clicked, this, &MainWindow::search);
    connect(combinationSearchButton_, &QPushButton::clicked, this, &MainWindow::search);
    connect(programSubmit_, &QPushButton::clicked, this, &MainWindow::submitClicked);
    connect(combinationSubmit_, &QPushButton::clicked, this, &MainWindow::submitClicked);
    connect(programEditClasses_, &QPushButton::clicked, this, &MainWindow::editClassesClicked);
    connect(combinationEditClasses_, &QPushButton::clicked, this, &MainWindow::editClassesClicked);
    for (QCheckBox* box : {programEditEnabled_, combinationEditEnabled_})
        connect(box, &QCheckBox::clicked, this, [this, box] { editEnabledClicked(box); });
    // The panels follow the focused row, whether a click or a key moved it.
    for (QListView* list : {programList_, combinationList_})
        connect(list->selectionModel(), &QItemSelectionModel::currentChanged, this,
                &MainWindow::showFocusedEntry);
    qApp->installEventFilter(this);
    updateUndoActions();
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    session_->shutDown();
}

void MainWindow::guard(const std::function<void()>& handler) {
    guarded(this, dialogs_, handler);
    updateUndoActions();
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
    db::ListRefill refill = db::listRows(session_->files(), filter, searched);
    const auto fill = [](QListView* list, EntryListModel* rows, std::vector<std::int32_t> ids) {
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
    const QListView* list = programs ? programList_ : combinationList_;
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
}

std::vector<std::int32_t> MainWindow::chosenEntries(bool programs) const {
    const QListView* list = programs ? programList_ : combinationList_;
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
    });
}

void MainWindow::openDatabase() {
    guard([&] {
        const auto path = dialogs_.openFile(this, textOf(std::string(db::kDatabaseFilter)));
        if (path) openDatabaseFile(*path);
    });
}

void MainWindow::openDatabaseFile(const QString& path) {
    session_->openDatabase(localPath(path));
    refreshDatabaseLists();
}

void MainWindow::recoverDatabase() {
    if (places_.recoveryFolder.isEmpty()) return;
    RecoveryDialog recovery(places_.recoveryFolder, dialogs_, this);
    const std::optional<std::string> chosen = recovery.chooseCopy();
    if (chosen)
        guard([&] {
            session_->openDatabase(*chosen);
            refreshDatabaseLists();
        });
}

void MainWindow::exportDatabase() {
    guard([&] {
        const auto path = dialogs_.saveFile(this, textOf(std::string(db::kDatabaseFilter)));
        if (!path) return;
        session_->exportDatabase(localPath(*path));
        refreshDatabaseLists();
    });
}

void MainWindow::exitProgram() {
    close();
}

// ---- Edit menu --------------------------------------------------------------------------------

void MainWindow::undo() {
    guard([&] {
        session_->undoLog().undo();
        refreshPcgLists();
        refreshDatabaseLists();
    });
}

void MainWindow::redo() {
    guard([&] {
        session_->undoLog().redo();
        refreshPcgLists();
        refreshDatabaseLists();
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
            const QListView* list = programs ? programList_ : combinationList_;
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
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Before a shortcut of the Edit menu acts, its rule runs, as when the menu opens: a shortcut
    // acts only if its item is enabled for what is selected now.
    const auto* target = qobject_cast<QWidget*>(watched);
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
        // The kit scan and the clearing of the event list run even with nothing to send.
        session_->engine().sendEntriesToPcg(programs ? db::Kind::Program : db::Kind::Combination,
                                            chosenEntries(programs), eventLines_);
        showEvents();
        refreshPcgLists();
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
        session_->engine().sendSlotToDatabase(
            programs ? pcg::SlotKind::Program : pcg::SlotKind::Combination, slot, eventLines_);
        showEvents();
        refreshDatabaseLists();
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
                if (programs)
                    db::deleteProgramEntries(session_->files(), ids, eventLines_);
                else
                    db::deleteCombinationEntries(session_->files(), ids, eventLines_);
                showEvents();
                refreshDatabaseLists();
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
    });
}

void MainWindow::importPcg() {
    guard([&] {
        const auto path = dialogs_.openFile(this, kPcgFilter);
        if (path) importPcgFile(*path);
    });
}

void MainWindow::importPcgFile(const QString& path) {
    const auto command = session_->command("Import Pcg", session::Session::Changes::DatabaseAndPcg);
    if (pcg::importPcg(session_->pcg(), localPath(path)) == pcg::ImportResult::NotCompatible) {
        dialogs_.showError(this, textOf(std::string(pcg::kNotCompatibleCaption)),
                           textOf(std::string(pcg::kNotCompatibleText)));
        return;
    }
    refreshPcgLists();
}

void MainWindow::exportPcg() {
    guard([&] {
        const auto path = dialogs_.saveFile(this, kPcgFilter);
        if (!path) return;
        pcg::writePcgFile(session_->pcg().image, pcg::pcgExportName(localPath(*path)));
    });
}

void MainWindow::sendWithProgress(
    const char* name,
    void (transfer::TransferEngine::*send)(db::EventLines&, const transfer::Progress&)) {
    const auto command = session_->command(name, session::Session::Changes::Database);
    progressWindow_->resetBars();
    progressWindow_->showWindow();
    progressWindow_->drawCaption(QStringLiteral("Programs:"), QPoint(110, 12));
    progressWindow_->drawCaption(QStringLiteral("Combinations:"), QPoint(102, 65));
    const auto finish = [this] {
        progressWindow_->hideWindow();
        showEvents();
        refreshDatabaseLists();
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
        sendWithProgress("Send PCG to Database", &transfer::TransferEngine::sendPcgToDatabase);
    });
}

void MainWindow::sendPcgFilesToDatabase() {
    const QStringList chosen = dialogs_.openFilesAndFolders(this, kPcgFilter);
    if (!chosen.isEmpty()) sendFiles(chosen);
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
    });
    if (!finished) return;
    SendReport report(std::move(done), totals, cancelled, dialogs_, this);
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

void MainWindow::sendOnlyProgramsOfPcg() {
    guard([&] {
        sendWithProgress("Send Only Programs of PCG",
                         &transfer::TransferEngine::sendOnlyProgramsOfPcg);
    });
}

void MainWindow::sendOnlyCombinationsOfPcg() {
    guard([&] {
        sendWithProgress("Send Only Combinations of PCG",
                         &transfer::TransferEngine::sendOnlyCombinationsOfPcg);
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
        refreshDatabaseLists(search.filter, programs ? db::Kind::Program : db::Kind::Combination);
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
