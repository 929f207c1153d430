// The main window's parts and how they are put together, the guard every command runs in, and
// what the window shows after each command.
#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/about_box.h"
#include "app/app_icon.h"
#include "app/arrange_window.h"
#include "app/busy_window.h"
#include "app/class_assignment_dialog.h"
#include "app/class_editor.h"
#include "app/control_names.h"
#include "app/database_page.h"
#include "app/database_watch.h"
#include "app/dialogs.h"
#include "app/event_list.h"
#include "app/main_menus.h"
#include "app/pcg_page.h"
#include "app/progress_window.h"
#include "app/status_panel.h"
#include "app/undo_captions.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "app/work_keeper.h"
#include "db/details.h"
#include "io/progress.h"
#include "pcg/pcg_files.h"
#include "pcg/pcg_lists.h"
#include "session/origin_commands.h"
#include "session/summaries.h"

namespace pelvaro::app {

MainWindow::MainWindow(Dialogs& dialogs, const QString& startDirectory, const Places& places,
                       QWidget* parent)
    : QMainWindow(parent),
      dialogs_(dialogs),
      places_(places),
      settings_(std::make_unique<Settings>(places.settingsFile)) {
    setObjectName(QLatin1String(names::kMainWindow));
    setWindowTitle(kApplicationTitle);
    setWindowIcon(applicationIcon());
    resize(640, 720);
    const std::string start = localPath(startDirectory);
    session_ = std::make_unique<session::Session>(
        start,
        places_.templateFile.isEmpty() ? pcg::templatePathIn(start)
                                       : localPath(places_.templateFile),
        places_.recoveryFolder.isEmpty() ? std::string() : localPath(places_.recoveryFolder));
    watch_ = std::make_unique<DatabaseWatch>(session_->files());
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
    arrange_ = new ArrangeWindow(*session_, dialogs_, this);
    // The arrange window's Undo and Redo are the Edit menu's; what its commands did shows here.
    connect(arrange_, &ArrangeWindow::undoRequested, this, &MainWindow::undo);
    connect(arrange_, &ArrangeWindow::redoRequested, this, &MainWindow::redo);
    connect(arrange_, &ArrangeWindow::pcgChanged, this,
            [this](const QString& summary, const QStringList& events) {
                guard([&] {
                    refreshPcgLists();
                    refreshDatabaseLists();
                    showResult(summary);
                    if (!events.isEmpty()) {
                        db::EventLines lines;
                        for (const QString& line : events)
                            lines.push_back(line.toStdString());
                        events_->showLines(lines);
                    }
                });
            });

    for (DatabasePage* page : {programs_, combinations_}) {
        connect(page, &DatabasePage::searchRequested, this, [this, page] { search(*page); });
        connect(page, &DatabasePage::submitRequested, this, [this, page] { submitClicked(*page); });
        connect(page, &DatabasePage::editClassesRequested, this,
                [this, page] { editClassesClicked(*page); });
        // Another row: what was edited in a panel and not submitted is not dropped unasked.
        connect(page, &DatabasePage::focusedEntryChanged, this, [this, page] {
            if (!editsSettled()) {
                page->returnToShownEntry();
                return;
            }
            guard([this] { showEntryDetails(); });
        });
        connect(page, &DatabasePage::selectionChanged, this, &MainWindow::updateEditMenu);
        connect(page, &DatabasePage::rowChoiceChanged, this, [this, page] {
            if (!editsSettled()) return;
            guard([this, page] { showChosenRows(*page); });
        });
    }
    for (PcgPage* page : {pcgPrograms_, pcgCombinations_}) {
        connect(page, &PcgPage::bankChanged, this, &MainWindow::refreshPcgLists);
        connect(page, &PcgPage::currentSlotChanged, this, &MainWindow::updateEditMenu);
    }
    connect(pcgPrograms_, &PcgPage::usedByRequested, this,
            [this] { pcgPrograms_->showUsedBy(session_->pcg()); });
    connect(pcgPrograms_, &PcgPage::combinationChosen, this, [this](int slot) {
        pcgCombinations_->setBank(slot / pcg::kBankSize);
        refreshPcgLists();
        pages_->setCurrentWidget(pcgCombinations_);
        pcgCombinations_->setCurrentLine(slot % pcg::kBankSize);
    });
    connect(pages_, &QTabWidget::currentChanged, this, &MainWindow::updateEditMenu);
    keeper_ = new WorkKeeper(
        *session_, dialogs_, places_.recoveryFolder, this,
        [this](const std::function<void()>& work) { guard(work); },
        [this](const session::Outcome& outcome, bool refill) {
            if (refill) {
                refreshPcgLists();
                refreshDatabaseLists();
            }
            present(outcome);
        });
    if (QWidget* bar = keeper_->makeLastRunBar())
        qobject_cast<QBoxLayout*>(centralWidget()->layout())->insertWidget(0, bar);
    restoreWindowPlaces();
    updateUndoActions();
    updateStatus();
    updateEditMenu();
}

MainWindow::~MainWindow() {
    saveWindowPlaces();
    session_->shutDown();  // nothing left to do after a close
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!editsSettled()) {
        event->ignore();
        return;
    }
    // Questions that may stop the closing go before this point; from here on the window closes.
    emit closing();
    keeper_->keepWorkBeforeClosing();
    // The settings too are written (and synced) while the window shows: nothing is left to do
    // once it has gone.
    saveWindowPlaces();
    QMainWindow::closeEvent(event);
}

bool MainWindow::mayReplaceWork(const QStringList& opened) {
    return keeper_->mayReplaceWork(opened);
}

void MainWindow::buildWindow() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 2, 4, 4);
    auto* rule = named(new QFrame, names::kRule);
    rule->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    layout->addWidget(rule);

    pages_ = named(new QTabWidget, names::kPages);
    pages_->setAccessibleName(QStringLiteral("Tabs"));
    programs_ = new DatabasePage(db::Kind::Program, session_->files(), session_->origins());
    combinations_ = new DatabasePage(db::Kind::Combination, session_->files(), session_->origins());
    pcgPrograms_ = new PcgPage(pcg::SlotKind::Program, session_->pcg());
    pcgCombinations_ = new PcgPage(pcg::SlotKind::Combination, session_->pcg());
    pages_->addTab(programs_, QStringLiteral("Database Programs"));
    pages_->addTab(combinations_, QStringLiteral("Database Combinations"));
    pages_->addTab(pcgPrograms_, QStringLiteral("Pcg Programs"));
    pages_->addTab(pcgCombinations_, QStringLiteral("Pcg Combinations"));
    pages_->setCurrentWidget(programs_);
    pages_->setTabToolTip(0, QStringLiteral("Search and edit the programs of the database"));
    pages_->setTabToolTip(1, QStringLiteral("Search and edit the combinations of the database"));
    pages_->setTabToolTip(2, QStringLiteral("The programs of the PCG in use"));
    pages_->setTabToolTip(3, QStringLiteral("The combinations of the PCG in use"));

    // The event list starts 50 pixels high under the tabs; the splitter between them makes it
    // taller for a run that wrote many lines.
    events_ = new EventList;
    splitter_ = named(new QSplitter(Qt::Vertical), names::kEventSplitter);
    splitter_->setToolTip(QStringLiteral("Drag to make the event list taller"));
    splitter_->addWidget(pages_);
    splitter_->addWidget(events_);
    splitter_->setCollapsible(0, false);
    splitter_->setCollapsible(1, false);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 0);
    layout->addWidget(splitter_, 1);
    setCentralWidget(central);
    setAcceptDrops(true);
    buildMenus();
    status_ = new StatusPanel;
    statusBar()->addWidget(status_, 1);
    statusBar()->setSizeGripEnabled(true);
    setTabOrders();
}

void MainWindow::buildMenus() {
    recentDatabases_ = new RecentFilesMenu(*settings_, Settings::FileKind::Database,
                                           QStringLiteral("Recent &Databases"), this);
    recentPcgFiles_ = new RecentFilesMenu(*settings_, Settings::FileKind::Pcg,
                                          QStringLiteral("&Recent Pcg Files"), this);
    connect(recentDatabases_, &RecentFilesMenu::chosen, this,
            [this](const QString& path) { openRecentFile(Settings::FileKind::Database, path); });
    connect(recentPcgFiles_, &RecentFilesMenu::chosen, this,
            [this](const QString& path) { openRecentFile(Settings::FileKind::Pcg, path); });
    menus_ = std::make_unique<MainMenus>(*this, menuBar(), recentDatabases_, recentPcgFiles_,
                                         !places_.recoveryFolder.isEmpty());
    // The Edit menu's rule runs when the menu opens too, as the commands it offers demand.
    connect(menus_->menu(names::kEditMenu), &QMenu::aboutToShow, this, &MainWindow::updateEditMenu);
    for (DatabasePage* page : {programs_, combinations_})
        page->setMarkActions(menus_->markActions());
}

void MainWindow::setTabOrders() {
    // Each tab in reading order, then the event list.
    std::vector<QWidget*> chain{pages_->tabBar()};
    for (const auto* page : {programs_, combinations_})
        for (QWidget* w : page->tabChain())
            chain.push_back(w);
    for (const auto* page : {pcgPrograms_, pcgCombinations_})
        for (QWidget* w : page->tabChain())
            chain.push_back(w);
    chain.push_back(events_);
    for (std::size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void MainWindow::guard(const std::function<void()>& handler) {
    // Long work reports how far it has come; the busy window shows it once it takes long, and
    // has gone before a message of the command shows.
    const std::optional<Shown> shown = busy_ ? caughtWhileBusy(*busy_, handler) : caught(handler);
    if (shown) {
        dialogs_.showError(this, shown->caption, shown->text);
        showResult(QStringLiteral("Failed: ") + shown->text.section(QLatin1Char('\n'), 0, 0));
    }
    updateUndoActions();
    updateStatus();
    updateEditMenu();
    if (arrange_ && arrange_->isVisible()) arrange_->refresh();
}

bool MainWindow::editsSettled() {
    bool settled = false;
    for (DatabasePage* page : {programs_, combinations_}) {
        const auto edit = page->unsubmitted();
        if (!edit) continue;
        const auto answer = dialogs_.ask(
            this, kApplicationTitle,
            QStringLiteral("Store the changes to %1 %2 \"%3\"?")
                .arg(QString::fromStdString(db::kindWord(page->kind())))
                .arg(edit->id)
                .arg(edit->storedName),
            {QStringLiteral("&Store"), QStringLiteral("&Discard"), QStringLiteral("Cancel")});
        if (!answer || *answer == 2) return false;
        if (*answer == 0) {
            bool stored = false;
            guard([&] {
                present(session::submitEntry(*session_, page->kind(), edit->id, page->editedName(),
                                             page->editedMemo()));
                stored = true;
            });
            if (!stored) return false;
        }
        settled = true;
    }
    // The panels show what is stored now: the edits stored, or dropped as the user chose.
    if (settled) guard([this] { showEntryDetails(); });
    return true;
}

void MainWindow::present(const session::Outcome& outcome) {
    if (outcome.events) events_->showLines(*outcome.events);
    if (!outcome.summary.empty()) showResult(QString::fromStdString(outcome.summary));
    if (outcome.refusal)
        dialogs_.showError(this, QString::fromStdString(outcome.refusal->caption),
                           QString::fromStdString(outcome.refusal->text));
    if (outcome.failure) showFailure(*outcome.failure);
}

void MainWindow::showFailure(const std::string& failure) {
    const QString text = QString::fromStdString(failure);
    dialogs_.showError(this, kApplicationTitle, text);
    showResult(QStringLiteral("Failed: ") + text.section(QLatin1Char('\n'), 0, 0));
}

DatabasePage* MainWindow::databasePageInFront() const {
    return qobject_cast<DatabasePage*>(pages_->currentWidget());
}

PcgPage* MainWindow::pcgPageInFront() const {
    return qobject_cast<PcgPage*>(pages_->currentWidget());
}

void MainWindow::refreshPcgLists() {
    const pcg::PcgListLines lines =
        pcg::pcgListLines(session_->pcg(), pcgPrograms_->bank(), pcgCombinations_->bank());
    pcgPrograms_->setLines(lines.programs);
    pcgCombinations_->setLines(lines.combinations);
}

void MainWindow::refreshDatabaseLists() {
    refreshDatabaseLists(
        db::listRows(session_->files(), {}, db::Kind::Program, &session_->names()));
}

void MainWindow::refreshDatabaseLists(const db::ListRefill& refill, const DatabasePage* searched,
                                      std::vector<std::int32_t> searchedShown) {
    for (DatabasePage* page : {programs_, combinations_}) {
        const bool programs = page == programs_;
        if (!(programs ? refill.programsRefilled : refill.combinationsRefilled)) continue;
        const std::vector<std::int32_t>& rows =
            programs ? refill.programRowIds : refill.combinationRowIds;
        page->setRows(rows, page == searched ? std::move(searchedShown)
                                             : session::shownRows(*session_, page->kind(), rows,
                                                                  page->rowChoice()));
    }
    for (DatabasePage* page : {programs_, combinations_}) {
        page->setClassChoices(refill.classChoices);
        page->clearSearchFields();
    }
    showEntryDetails();
}

void MainWindow::showEntryDetails() {
    const std::optional<std::int32_t> program = programs_->focusedEntry();
    const std::optional<std::int32_t> combination = combinations_->focusedEntry();
    const db::DetailPanels panels = db::entryDetails(session_->files(), program, combination);
    programs_->showDetails(panels.program);
    combinations_->showDetails(panels.combination);
    programs_->showWhereUsed(program ? std::optional(lists::programWhereUsed(
                                           session_->files(), session_->references(), *program))
                                     : std::nullopt);
    combinations_->showWhereUsed(
        combination ? std::optional(lists::combinationPlays(session_->files(), *combination))
                    : std::nullopt);
    for (auto [page, id] : {std::pair{programs_, program}, std::pair{combinations_, combination}}) {
        const session::OriginsText origins =
            id ? session::originsText(*session_, page->kind(), *id) : session::OriginsText{};
        page->showOrigins(QString::fromStdString(origins.line),
                          QString::fromStdString(origins.whole));
    }
}

void MainWindow::updateEditMenu() {
    if (!menus_) return;
    bool toPcg = false;
    bool toDatabase = false;
    bool remove = false;
    bool comparable = false;
    if (const DatabasePage* page = databasePageInFront()) {
        toPcg = remove = page->hasCurrentRow();
        comparable = page->selectedEntries().size() == 2;
    } else if (const PcgPage* pcgPage = pcgPageInFront()) {
        const pcg::SlotOccupancy& occupancy = session_->pcg().occupancy;
        const auto& used = pcgPage->kind() == pcg::SlotKind::Program ? occupancy.programUsed
                                                                     : occupancy.combinationUsed;
        const int slot = pcgPage->currentSlot();
        toDatabase = remove = slot >= 0 && used[slot] == 1;
        // Compare: a used slot and another used one.
        comparable = toDatabase && std::ranges::count(used, Byte{1}) >= 2;
    }
    menus_->action(names::kSendToPcg)->setEnabled(toPcg);
    menus_->action(names::kSendToPcgAt)->setEnabled(toPcg);
    menus_->action(names::kSendToDatabase)->setEnabled(toDatabase);
    menus_->action(names::kDelete)->setEnabled(remove);
    menus_->action(names::kCompare)->setEnabled(comparable);
    menus_->action(names::kFindSimilar)->setEnabled(toPcg);
    menus_->action(names::kFindNearDuplicates)->setEnabled(databasePageInFront() != nullptr);
    menus_->action(names::kClassifyByRules)->setEnabled(databasePageInFront() != nullptr);
    menus_->action(names::kReplaceInNames)->setEnabled(toPcg);
    for (QAction* action : menus_->markActions())
        action->setEnabled(toPcg);
}

void MainWindow::updateUndoActions() {
    if (!menus_) return;
    const session::UndoLog& log = session_->undoLog();
    QAction* undoAction = menus_->action(names::kUndo);
    QAction* redoAction = menus_->action(names::kRedo);
    undoAction->setEnabled(log.canUndo());
    undoAction->setText(undoCaption(log));
    redoAction->setEnabled(log.canRedo());
    redoAction->setText(redoCaption(log));
}

void MainWindow::updateStatus() {
    if (status_) status_->showSession(*session_);
}

void MainWindow::showResult(const QString& text) {
    status_->showResult(text);
    if (arrange_) arrange_->noteResult(text);
}

void MainWindow::databaseChangedBy(const QString& summary) {
    guard([&] {
        refreshDatabaseLists();
        showResult(summary);
    });
}

void MainWindow::restoreWindowPlaces() {
    using Place = Settings::WindowPlace;
    const QByteArray geometry = settings_->geometry(Place::Main);
    if (!geometry.isEmpty()) restoreGeometry(geometry);
    const int events = settings_->eventListHeight();
    if (events > 0) eventListHeight_ = events;
    connect(splitter_, &QSplitter::splitterMoved, this,
            [this] { eventListHeight_ = splitter_->sizes().value(1, eventListHeight_); });
    const QByteArray editor = settings_->geometry(Place::ClassEditor);
    if (!editor.isEmpty()) classEditor_->restoreGeometry(editor);
    const QByteArray assignment = settings_->geometry(Place::ClassAssignment);
    if (!assignment.isEmpty()) classDialog_->restoreGeometry(assignment);
}

void MainWindow::saveWindowPlaces() {
    using Place = Settings::WindowPlace;
    settings_->setGeometry(Place::Main, saveGeometry());
    settings_->setEventListHeight(eventListHeight_);
    settings_->setGeometry(Place::ClassEditor, classEditor_->saveGeometry());
    settings_->setGeometry(Place::ClassAssignment, classDialog_->saveGeometry());
    settings_->sync();
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

void MainWindow::rememberFile(Settings::FileKind kind, const QString& path) {
    settings_->rememberFolder(kind, path);
    settings_->addRecentFile(kind, path);
    (kind == Settings::FileKind::Pcg ? recentPcgFiles_ : recentDatabases_)->refill();
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
