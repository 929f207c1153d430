// The main window's controls and menus. Every control carries its design name as its object
// name, so tests and accessibility tools find it by that name.

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "app/elided_label.h"
#include "app/entry_list_model.h"
#include "app/limited_memo.h"
#include "app/main_window.h"
#include "app/widgets.h"

namespace pelvaro::app {

namespace {

// A number field of the search groups: digits and blanks only, up to `digits` characters.
QLineEdit* numberEdit(const char* name, int digits) {
    auto* edit = named(new QLineEdit, name);
    edit->setMaxLength(digits);
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9 ]{0,%1}").arg(digits)), edit));
    edit->setMaximumWidth(16 + 10 * digits);
    return edit;
}

QLineEdit* displayEdit(const char* name) {
    auto* edit = named(new QLineEdit, name);
    edit->setReadOnly(true);
    edit->setEnabled(false);
    return edit;
}

// A database list: one column of rows of one height, so a refill of a million rows costs no
// more than a few (a list view would place every row one by one).
QTableView* entryList(const char* name, EntryListModel* model) {
    auto* list = named(new QTableView, name);
    list->setModel(model);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setTabKeyNavigation(false);  // Tab leaves the list, as from any other control
    list->setShowGrid(false);
    list->setWordWrap(false);
    list->setCornerButtonEnabled(false);
    list->horizontalHeader()->hide();
    list->horizontalHeader()->setStretchLastSection(true);
    list->verticalHeader()->hide();
    QFont font = list->font();
    font.setStyleHint(QFont::Monospace);
    font.setFamily(QStringLiteral("monospace"));
    list->setFont(font);
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 2);
    list->setMinimumWidth(180);
    return list;
}

QListWidget* displayList(const char* name) {
    auto* list = named(new QListWidget, name);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setFocusPolicy(Qt::NoFocus);
    list->setMinimumHeight(40);  // a few lines; the window may be small
    return list;
}

// The event list: 50 pixels high until the user drags the splitter above it.
class EventList : public QListWidget {
  public:
    QSize sizeHint() const override { return {QListWidget::sizeHint().width(), 50}; }
};

QFrame* detailPanel(const char* name) {
    auto* panel = named(new QFrame, name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    panel->setEnabled(false);
    return panel;
}

}  // namespace

void MainWindow::buildWindow() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 2, 4, 4);
    auto* rule = named(new QFrame, "Bevel1");
    rule->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    layout->addWidget(rule);

    pages_ = named(new QTabWidget, "PageControl");
    pages_->addTab(buildProgramsPage(), QStringLiteral("Database Programs"));
    pages_->addTab(buildCombinationsPage(), QStringLiteral("Database Combinations"));
    pages_->addTab(buildPcgPage(true), QStringLiteral("Pcg Programs"));
    pages_->addTab(buildPcgPage(false), QStringLiteral("Pcg Combinations"));
    pages_->setCurrentWidget(programsPage_);

    // The event list starts 50 pixels high under the tabs; the splitter between them makes it
    // taller for a run that wrote many lines.
    eventList_ = named(new EventList, "Aevents");
    eventList_->setMinimumHeight(30);
    eventList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    eventList_->setContextMenuPolicy(Qt::ActionsContextMenu);
    const auto eventAction = [this](const char* name, const QString& caption,
                                    const QKeySequence& keys, void (MainWindow::*handler)()) {
        auto* action = new QAction(caption, eventList_);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, handler);
        eventList_->addAction(action);
    };
    eventAction("CopyEvents", QStringLiteral("&Copy"), QKeySequence::Copy, &MainWindow::copyEvents);
    eventAction("SelectAllEvents", QStringLiteral("Select &All"), QKeySequence::SelectAll,
                &MainWindow::selectAllEvents);
    splitter_ = named(new QSplitter(Qt::Vertical), "EventSplitter");
    splitter_->addWidget(pages_);
    splitter_->addWidget(eventList_);
    splitter_->setCollapsible(0, false);
    splitter_->setCollapsible(1, false);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 0);
    layout->addWidget(splitter_, 1);
    setCentralWidget(central);
    setAcceptDrops(true);
    buildMenus();
    buildStatusBar();
    setTabOrders();
    setToolTips();
}

void MainWindow::buildStatusBar() {
    // Three lines: the open PCG, the open database, what the last command did.
    auto* panel = named(new QWidget, "StatusPanel");
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(2, 0, 2, 0);
    grid->setVerticalSpacing(0);
    pcgStatus_ = named(new ElidedLabel, "StatusPcg");
    databaseStatus_ = named(new ElidedLabel, "StatusDatabase");
    resultStatus_ = named(new ElidedLabel, "StatusResult");
    grid->addWidget(pcgStatus_, 0, 0);
    grid->addWidget(databaseStatus_, 1, 0);
    grid->addWidget(resultStatus_, 2, 0);
    statusBar()->addWidget(panel, 1);
    statusBar()->setSizeGripEnabled(true);
}

void MainWindow::setTabOrders() {
    // Each tab: the list, the search fields and Search, Edit Enabled, then the entry's fields
    // and Submit (reached when editing is enabled), then the event list.
    const auto chain = [](std::initializer_list<QWidget*> widgets) {
        QWidget* previous = nullptr;
        for (QWidget* w : widgets) {
            if (previous) QWidget::setTabOrder(previous, w);
            previous = w;
        }
    };
    for (QPlainTextEdit* memo : {programExplanation_, combinationExplanation_})
        memo->setTabChangesFocus(true);
    chain({pages_->tabBar(),
           programList_,
           programNameSearch_,
           programClassSearch_,
           drumIdSearch_,
           soundFromSearch_,
           soundToSearch_,
           programSearchButton_,
           programEditEnabled_,
           programName_,
           programEditClasses_,
           programExplanation_,
           programSubmit_,
           combinationList_,
           combinationNameSearch_,
           combinationClassSearch_,
           programIdSearch_,
           combinationSearchButton_,
           combinationEditEnabled_,
           combinationName_,
           combinationEditClasses_,
           combinationExplanation_,
           combinationSubmit_,
           programBankButtons_->button(0),
           programBankButtons_->button(1),
           pcgProgramList_,
           combinationBankButtons_->button(0),
           combinationBankButtons_->button(1),
           pcgCombinationList_,
           eventList_});
}

QWidget* MainWindow::buildProgramsPage() {
    auto* page = named(new QWidget, "TabSheet1");
    programsPage_ = page;
    auto* row = new QHBoxLayout(page);
    programRows_ = new EntryListModel(session_->files(), db::Kind::Program, this);
    programList_ = entryList("DPListBox", programRows_);
    row->addWidget(programList_, 1);

    auto* side = new QVBoxLayout;
    auto* search = named(new QGroupBox(QStringLiteral("Search")), "GroupBox1");
    auto* grid = new QGridLayout(search);
    programNameSearch_ = named(new QLineEdit, "SearchEdit1");
    programClassSearch_ = named(new QComboBox, "SearchCombo1");
    programClassSearch_->setEditable(true);
    programClassSearch_->setInsertPolicy(QComboBox::NoInsert);
    drumIdSearch_ = numberEdit("MaskEdit1", 5);
    soundFromSearch_ = numberEdit("MaskFrom1", 3);
    soundToSearch_ = numberEdit("MaskTo1", 3);
    programSearchButton_ = named(new QPushButton(QStringLiteral("Search")), "Button2");
    grid->addWidget(new QLabel(QStringLiteral("Name:")), 0, 0);
    grid->addWidget(programNameSearch_, 0, 1, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Class:")), 1, 0);
    grid->addWidget(programClassSearch_, 1, 1, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Drum ID:")), 2, 0);
    grid->addWidget(drumIdSearch_, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Osc Sound:")), 3, 0);
    grid->addWidget(new QLabel(QStringLiteral("from:")), 3, 1, Qt::AlignRight);
    grid->addWidget(soundFromSearch_, 3, 2);
    grid->addWidget(new QLabel(QStringLiteral("to:")), 3, 3, Qt::AlignRight);
    grid->addWidget(soundToSearch_, 3, 4);
    grid->addWidget(programSearchButton_, 4, 3, 1, 2);
    side->addWidget(search);

    programEditEnabled_ = named(new QCheckBox(QStringLiteral("Edit Enabled")), "CheckBox1");
    side->addWidget(programEditEnabled_);

    programPanel_ = detailPanel("Panel1");
    auto* form = new QGridLayout(programPanel_);
    programId_ = displayEdit("IDNumber1");
    programDrumId_ = displayEdit("DrumId1");
    programName_ = named(new QLineEdit, "Name1");
    programName_->setMaxLength(10);
    programClasses_ = displayList("ListBox1");
    programExplanation_ = named(new LimitedMemo(79), "Memo1");
    programExplanation_->setMinimumHeight(40);
    programSubmit_ = named(new QPushButton(QStringLiteral("Submit")), "Button4");
    programEditClasses_ = named(new QPushButton(QStringLiteral("Edit Classes")), "Button5");
    editProgram_ = named(new QPushButton(QStringLiteral("Edit Program")), "Button6");
    editProgram_->setEnabled(false);
    form->addWidget(new QLabel(QStringLiteral("IDNumber:")), 0, 0);
    form->addWidget(programId_, 0, 1);
    form->addWidget(new QLabel(QStringLiteral("Drum Kit ID:")), 1, 0);
    form->addWidget(programDrumId_, 1, 1);
    form->addWidget(new QLabel(QStringLiteral("Name:")), 2, 0);
    form->addWidget(programName_, 2, 1);
    form->addWidget(new QLabel(QStringLiteral("Classes:")), 3, 0, Qt::AlignTop);
    form->addWidget(programClasses_, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(programEditClasses_);
    buttons->addWidget(editProgram_);
    form->addLayout(buttons, 4, 1);
    form->addWidget(new QLabel(QStringLiteral("Explanation:")), 5, 0, Qt::AlignTop);
    form->addWidget(programExplanation_, 5, 1);
    form->addWidget(programSubmit_, 6, 1, Qt::AlignRight);
    side->addWidget(programPanel_, 1);
    programUsedBy_ = named(new ElidedLabel, "WhereUsed1");
    side->addWidget(programUsedBy_);
    row->addLayout(side, 1);
    return page;
}

QWidget* MainWindow::buildCombinationsPage() {
    auto* page = named(new QWidget, "TabSheet2");
    combinationsPage_ = page;
    auto* row = new QHBoxLayout(page);
    combinationRows_ = new EntryListModel(session_->files(), db::Kind::Combination, this);
    combinationList_ = entryList("DCListBox", combinationRows_);
    row->addWidget(combinationList_, 1);

    auto* side = new QVBoxLayout;
    auto* search = named(new QGroupBox(QStringLiteral("Search")), "GroupBox2");
    auto* grid = new QGridLayout(search);
    combinationNameSearch_ = named(new QLineEdit, "SearchEdit2");
    combinationClassSearch_ = named(new QComboBox, "SearchCombo2");  // pick from the list only
    programIdSearch_ = numberEdit("MaskEdit2", 5);
    combinationSearchButton_ = named(new QPushButton(QStringLiteral("Search")), "Button1");
    grid->addWidget(new QLabel(QStringLiteral("Name:")), 0, 0);
    grid->addWidget(combinationNameSearch_, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Class:")), 1, 0);
    grid->addWidget(combinationClassSearch_, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Program ID:")), 2, 0);
    grid->addWidget(programIdSearch_, 2, 1);
    grid->addWidget(combinationSearchButton_, 3, 2);
    side->addWidget(search);

    combinationEditEnabled_ = named(new QCheckBox(QStringLiteral("Edit Enabled")), "CheckBox2");
    side->addWidget(combinationEditEnabled_);

    combinationPanel_ = detailPanel("Panel2");
    auto* form = new QGridLayout(combinationPanel_);
    combinationId_ = displayEdit("IDNumber2");
    combinationName_ = named(new QLineEdit, "Name2");
    combinationName_->setMaxLength(10);
    combinationClasses_ = displayList("ListBox2");
    timbreIds_ = displayList("TimbIDBox");
    combinationExplanation_ = named(new LimitedMemo(79), "Memo2");
    combinationExplanation_->setMinimumHeight(40);
    combinationSubmit_ = named(new QPushButton(QStringLiteral("Submit")), "Button3");
    combinationEditClasses_ = named(new QPushButton(QStringLiteral("Edit Classes")), "Button7");
    editCombination_ = named(new QPushButton(QStringLiteral("Edit Combi.")), "Button8");
    editCombination_->setEnabled(false);
    form->addWidget(new QLabel(QStringLiteral("IDNumber:")), 0, 0);
    form->addWidget(combinationId_, 0, 1);
    form->addWidget(new QLabel(QStringLiteral("TimbreIDs:")), 1, 0, Qt::AlignTop);
    form->addWidget(timbreIds_, 1, 1);
    form->addWidget(new QLabel(QStringLiteral("Name:")), 2, 0);
    form->addWidget(combinationName_, 2, 1);
    form->addWidget(new QLabel(QStringLiteral("Classes:")), 3, 0, Qt::AlignTop);
    form->addWidget(combinationClasses_, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(combinationEditClasses_);
    buttons->addWidget(editCombination_);
    form->addLayout(buttons, 4, 1);
    form->addWidget(new QLabel(QStringLiteral("Explanation:")), 5, 0, Qt::AlignTop);
    form->addWidget(combinationExplanation_, 5, 1);
    form->addWidget(combinationSubmit_, 6, 1, Qt::AlignRight);
    side->addWidget(combinationPanel_, 1);
    combinationPlays_ = named(new ElidedLabel, "WhereUsed2");
    side->addWidget(combinationPlays_);
    row->addLayout(side, 1);
    return page;
}

QWidget* MainWindow::buildPcgPage(bool programs) {
    auto* page = named(new QWidget, programs ? "TabSheet3" : "TabSheet4");
    auto* column = new QVBoxLayout(page);
    auto* group =
        named(new QGroupBox(QStringLiteral("Bank")), programs ? "RadioGroup1" : "RadioGroup2");
    auto* items = new QButtonGroup(group);
    auto* row = new QHBoxLayout(group);
    for (int i = 0; i < 2; ++i) {
        auto* button = new QRadioButton(i == 0 ? QStringLiteral("A") : QStringLiteral("B"), group);
        button->setObjectName(QStringLiteral("%1Bank%2").arg(group->objectName(), button->text()));
        items->addButton(button, i);
        row->addWidget(button);
    }
    items->button(0)->setChecked(true);
    row->addStretch(1);
    connect(items, &QButtonGroup::idClicked, this, [this] { bankChanged(); });
    column->addWidget(group);

    auto* list = named(new QListWidget, programs ? "PPListBox" : "PCListBox");
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    QFont font = list->font();
    font.setStyleHint(QFont::Monospace);
    font.setFamily(QStringLiteral("monospace"));
    list->setFont(font);
    for (int i = 0; i < 100; ++i)
        list->addItem(QString());
    column->addWidget(list, 1);
    if (programs) {
        // Right-click on a program line: the combinations of the PCG that play it.
        list->setContextMenuPolicy(Qt::ActionsContextMenu);
        auto* usedBy = new QAction(QStringLiteral("&Used By"), list);
        usedBy->setObjectName(QStringLiteral("UsedBy"));
        connect(usedBy, &QAction::triggered, this, &MainWindow::showUsedBy);
        list->addAction(usedBy);
    }

    if (programs) {
        programBankButtons_ = items;
        pcgProgramList_ = list;
        pcgProgramsPage_ = page;
    } else {
        combinationBankButtons_ = items;
        pcgCombinationList_ = list;
        pcgCombinationsPage_ = page;
    }
    return page;
}

void MainWindow::buildMenus() {
    auto item = [this](QMenu* menu, const char* name, const QString& caption,
                       const QKeySequence& shortcut, void (MainWindow::*handler)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(shortcut);
        if (handler)
            connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return action;
    };
    QMenuBar* bar = menuBar();

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    item(file, "NewDatabase", QStringLiteral("&New Database"), {}, &MainWindow::newDatabase);
    item(file, "OpenDatabase", QStringLiteral("&Open Database"), {}, &MainWindow::openDatabase);
    recentDatabaseMenu_ = file->addMenu(QStringLiteral("Recent &Databases"));
    recentDatabaseMenu_->setObjectName(QStringLiteral("RecentDatabases"));
    item(file, "RecoverDatabase", QStringLiteral("&Recover Database..."), {},
         &MainWindow::recoverDatabase)
        ->setEnabled(!places_.recoveryFolder.isEmpty());
    item(file, "SaveDatabaseAs", QStringLiteral("&Export Database"), {},
         &MainWindow::exportDatabase);
    item(file, "ExportList", QStringLiteral("Export &List..."), {}, &MainWindow::exportList);
    file->addSeparator()->setObjectName(QStringLiteral("N2"));
    item(file, "Exit1", QStringLiteral("E&xit"), {}, &MainWindow::exitProgram);

    editMenu_ = bar->addMenu(QStringLiteral("&Edit"));
    editMenu_->setObjectName(QStringLiteral("Edit1"));
    connect(editMenu_, &QMenu::aboutToShow, this, &MainWindow::updateEditMenu);
    undoAction_ = item(editMenu_, "Undo", QStringLiteral("&Undo"),
                       QKeySequence(Qt::CTRL | Qt::Key_Z), &MainWindow::undo);
    redoAction_ = item(editMenu_, "Redo", QStringLiteral("&Redo"), {}, &MainWindow::redo);
    redoAction_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    editMenu_->addSeparator()->setObjectName(QStringLiteral("UndoSeparator"));
    sendToPcgAction_ = item(editMenu_, "SendItem", QStringLiteral("Send To &PCG"),
                            QKeySequence(Qt::CTRL | Qt::Key_Insert), &MainWindow::sendToPcg);
    sendToDatabaseAction_ = item(editMenu_, "SendData", QStringLiteral("Send To &Database"),
                                 QKeySequence(Qt::Key_Insert), &MainWindow::sendToDatabase);
    deleteAction_ = item(editMenu_, "Delete1", QStringLiteral("&Delete"),
                         QKeySequence(Qt::CTRL | Qt::Key_Delete), &MainWindow::deleteSelection);
    for (QAction* a : {sendToPcgAction_, sendToDatabaseAction_, deleteAction_})
        a->setEnabled(false);
    item(editMenu_, "EditDatabaseClasses1", QStringLiteral("Edit Database &Classes"), {},
         &MainWindow::editDatabaseClasses);
    compareAction_ =
        item(editMenu_, "Compare", QStringLiteral("C&ompare..."), {}, &MainWindow::compare);
    compareAction_->setEnabled(false);

    QMenu* pcgMenu = bar->addMenu(QStringLiteral("&Pcg"));
    pcgMenu->setObjectName(QStringLiteral("Pcg1"));
    item(pcgMenu, "NewPcg1", QStringLiteral("&New Pcg"), QKeySequence(Qt::CTRL | Qt::Key_N),
         &MainWindow::newPcg);
    item(pcgMenu, "ImportPcg", QStringLiteral("&Import Pcg"), QKeySequence(Qt::CTRL | Qt::Key_I),
         &MainWindow::importPcg);
    recentPcgMenu_ = pcgMenu->addMenu(QStringLiteral("&Recent Pcg Files"));
    recentPcgMenu_->setObjectName(QStringLiteral("RecentPcgFiles"));
    item(pcgMenu, "ExportPcg1", QStringLiteral("&Export Pcg"), QKeySequence(Qt::CTRL | Qt::Key_E),
         &MainWindow::exportPcg);
    item(pcgMenu, "SendPCGtoDatabase2", QStringLiteral("Send PCG to &Database"),
         QKeySequence(Qt::CTRL | Qt::Key_S), &MainWindow::sendPcgToDatabase);
    item(pcgMenu, "SendPcgFiles", QStringLiteral("Send PCG &Files to Database..."), {},
         &MainWindow::sendPcgFilesToDatabase);
    item(pcgMenu, "SendOnlyProgramsofPCG1", QStringLiteral("Send Only &Programs of PCG"), {},
         &MainWindow::sendOnlyProgramsOfPcg);
    item(pcgMenu, "SendOnlyCombinationsofPCG1", QStringLiteral("Send Only &Combinations of PCG"),
         {}, &MainWindow::sendOnlyCombinationsOfPcg);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    for (const auto& [name, caption] : {std::pair{"Contents1", "&Contents"},
                                        std::pair{"SearchforHelpOn1", "&Search for Help On..."},
                                        std::pair{"HowtoUseHelp1", "&How to Use Help"}})
        item(help, name, QLatin1String(caption), {}, nullptr)->setEnabled(false);
    item(help, "About1", QStringLiteral("&About..."), {}, &MainWindow::showAbout);
    for (QMenu* menu : bar->findChildren<QMenu*>())
        menu->setToolTipsVisible(true);
    fillRecentMenu(Settings::FileKind::Pcg);
    fillRecentMenu(Settings::FileKind::Database);
}

void MainWindow::setToolTips() {
    static const std::pair<const char*, const char*> kTips[] = {
        // Menus
        {"NewDatabase", "Start an empty database (a changed one is kept as a recovery copy)"},
        {"OpenDatabase", "Open a database file (.pvd) in place of the one in use"},
        {"RecoverDatabase", "List the databases kept when they would have been lost"},
        {"SaveDatabaseAs", "Write the database in use to a database file (.pvd)"},
        {"ExportList", "Write the list of this tab as CSV or as a page to print (.html)"},
        {"Compare", "Show two chosen entries, or two PCG slots, side by side"},
        {"UsedBy", "The combinations of the PCG that play this program"},
        {"WhereUsed1", "The combinations that play the program; rest here for all of them"},
        {"WhereUsed2", "The programs the combination plays; rest here for all of them"},
        {"Exit1", "Keep a changed database as a recovery copy and end PELVARO"},
        {"Undo", "Take back the last command that changed the database or the PCG"},
        {"Redo", "Do again the last command taken back"},
        {"SendItem", "Place the chosen database entries in the PCG, with what they play"},
        {"SendData", "Store the chosen PCG slot in the database, with what it plays"},
        {"Delete1", "Delete the chosen entries, or empty the chosen PCG slot"},
        {"EditDatabaseClasses1", "Add and delete the classes of the database"},
        {"NewPcg1", "Start an empty PCG from the template"},
        {"ImportPcg", "Read a PCG file in place of the PCG in use"},
        {"ExportPcg1", "Write the PCG in use to a PCG file for the instrument"},
        {"SendPCGtoDatabase2", "Store every program, combination and drum kit of the PCG"},
        {"SendPcgFiles", "Store everything in many PCG files and folders of them at once"},
        {"SendOnlyProgramsofPCG1", "Store the programs of the PCG and their drum kits"},
        {"SendOnlyCombinationsofPCG1", "Store the combinations of the PCG and what they play"},
        {"Contents1", "No help file is installed"},
        {"SearchforHelpOn1", "No help file is installed"},
        {"HowtoUseHelp1", "No help file is installed"},
        {"About1", "The version of PELVARO"},
        {"CopyEvents", "Copy the chosen lines (all lines when none is chosen)"},
        {"SelectAllEvents", "Choose every line of the event list"},
        // Database Programs
        {"DPListBox", "The program entries; Ctrl and Shift choose several"},
        {"SearchEdit1", "Part of the name to look for; Enter searches"},
        {"SearchCombo1", "Only entries of this class and the classes below it"},
        {"MaskEdit1", "Only drum programs on the drum kit of this ID"},
        {"MaskFrom1", "Lowest oscillator sound number"},
        {"MaskTo1", "Highest oscillator sound number"},
        {"Button2", "Show the programs that match every field filled in"},
        {"CheckBox1", "Allow the name, explanation and classes to be changed"},
        {"IDNumber1", "The entry's ID in the database"},
        {"DrumId1", "The ID of the drum kit this drum program plays"},
        {"Name1", "The program's name, up to 10 characters"},
        {"ListBox1", "The classes of the program"},
        {"Button5", "Choose the classes of the chosen entries"},
        {"Button6", "Not available"},
        {"Memo1", "Your notes on the program, up to 79 characters"},
        {"Button4", "Store the name and explanation"},
        // Database Combinations
        {"DCListBox", "The combination entries; Ctrl and Shift choose several"},
        {"SearchEdit2", "Part of the name to look for; Enter searches"},
        {"SearchCombo2", "Only entries of this class and the classes below it"},
        {"MaskEdit2", "Only combinations that play the program of this ID"},
        {"Button1", "Show the combinations that match every field filled in"},
        {"CheckBox2", "Allow the name, explanation and classes to be changed"},
        {"IDNumber2", "The entry's ID in the database"},
        {"TimbIDBox", "The program IDs its eight timbres play"},
        {"Name2", "The combination's name, up to 10 characters"},
        {"ListBox2", "The classes of the combination"},
        {"Button7", "Choose the classes of the chosen entries"},
        {"Button8", "Not available"},
        {"Memo2", "Your notes on the combination, up to 79 characters"},
        {"Button3", "Store the name and explanation"},
        // Pcg tabs and the rest
        {"RadioGroup1BankA", "Show bank A"},
        {"RadioGroup1BankB", "Show bank B"},
        {"RadioGroup2BankA", "Show bank A"},
        {"RadioGroup2BankB", "Show bank B"},
        {"PPListBox", "The program slots of the PCG's bank"},
        {"PCListBox", "The combination slots of the PCG's bank"},
        {"Aevents", "What the last command could not do; right-click to copy"},
        {"EventSplitter", "Drag to make the event list taller"},
    };
    for (const auto& [name, tip] : kTips) {
        const QString objectName = QLatin1String(name);
        if (auto* action = findChild<QAction*>(objectName))
            action->setToolTip(QLatin1String(tip));
        else if (auto* widget = findChild<QWidget*>(objectName))
            widget->setToolTip(QLatin1String(tip));
    }
    pages_->setTabToolTip(0, QStringLiteral("Search and edit the programs of the database"));
    pages_->setTabToolTip(1, QStringLiteral("Search and edit the combinations of the database"));
    pages_->setTabToolTip(2, QStringLiteral("The programs of the PCG in use"));
    pages_->setTabToolTip(3, QStringLiteral("The combinations of the PCG in use"));
    recentPcgMenu_->menuAction()->setToolTip(QStringLiteral("Import a PCG file used lately"));
    recentDatabaseMenu_->menuAction()->setToolTip(QStringLiteral("Open a database used lately"));
}

}  // namespace pelvaro::app
