// The main window's controls and menus. Object names are the window design's control names, so
// tests (and readers of the design) find every control by the name they know.

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
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

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

QListView* entryList(const char* name, EntryListModel* model) {
    auto* list = named(new QListView, name);
    list->setModel(model);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setUniformItemSizes(true);  // rows are never measured one by one
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QFont font = list->font();
    font.setStyleHint(QFont::Monospace);
    font.setFamily(QStringLiteral("monospace"));
    list->setFont(font);
    list->setMinimumWidth(180);
    return list;
}

QListWidget* displayList(const char* name) {
    auto* list = named(new QListWidget, name);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setFocusPolicy(Qt::NoFocus);
    return list;
}

QFrame* detailPanel(const char* name) {
    auto* panel = named(new QFrame, name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    panel->setEnabled(false);
    return panel;
}

}  // namespace

void TForm1::buildWindow() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 2, 4, 4);
    auto* rule = named(new QFrame, "Bevel1");
    rule->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    layout->addWidget(rule);

    PageControl = named(new QTabWidget, "PageControl");
    PageControl->addTab(buildProgramsPage(), QStringLiteral("Database Programs"));
    PageControl->addTab(buildCombinationsPage(), QStringLiteral("Database Combinations"));
    PageControl->addTab(buildPcgPage(true), QStringLiteral("Pcg Programs"));
    PageControl->addTab(buildPcgPage(false), QStringLiteral("Pcg Combinations"));
    PageControl->setCurrentIndex(static_cast<int>(Page::DatabasePrograms));
    layout->addWidget(PageControl, 1);

    Aevents = named(new QListWidget, "Aevents");
    Aevents->setFixedHeight(50);
    layout->addWidget(Aevents);
    setCentralWidget(central);
    buildMenus();
}

QWidget* TForm1::buildProgramsPage() {
    auto* page = named(new QWidget, "TabSheet1");
    auto* row = new QHBoxLayout(page);
    programRows = new EntryListModel(this);
    DPListBox = entryList("DPListBox", programRows);
    row->addWidget(DPListBox, 1);

    auto* side = new QVBoxLayout;
    auto* search = named(new QGroupBox(QStringLiteral("Search")), "GroupBox1");
    auto* grid = new QGridLayout(search);
    SearchEdit1 = named(new QLineEdit, "SearchEdit1");
    SearchCombo1 = named(new QComboBox, "SearchCombo1");
    SearchCombo1->setEditable(true);
    SearchCombo1->setInsertPolicy(QComboBox::NoInsert);
    MaskEdit1 = numberEdit("MaskEdit1", 5);
    MaskFrom1 = numberEdit("MaskFrom1", 3);
    MaskTo1 = numberEdit("MaskTo1", 3);
    Button2 = named(new QPushButton(QStringLiteral("Search")), "Button2");
    grid->addWidget(new QLabel(QStringLiteral("Name:")), 0, 0);
    grid->addWidget(SearchEdit1, 0, 1, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Class:")), 1, 0);
    grid->addWidget(SearchCombo1, 1, 1, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Drum ID:")), 2, 0);
    grid->addWidget(MaskEdit1, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Osc Sound:")), 3, 0);
    grid->addWidget(new QLabel(QStringLiteral("from:")), 3, 1, Qt::AlignRight);
    grid->addWidget(MaskFrom1, 3, 2);
    grid->addWidget(new QLabel(QStringLiteral("to:")), 3, 3, Qt::AlignRight);
    grid->addWidget(MaskTo1, 3, 4);
    grid->addWidget(Button2, 4, 3, 1, 2);
    side->addWidget(search);

    CheckBox1 = named(new QCheckBox(QStringLiteral("Edit Enabled")), "CheckBox1");
    side->addWidget(CheckBox1);

    Panel1 = detailPanel("Panel1");
    auto* form = new QGridLayout(Panel1);
    IDNumber1 = displayEdit("IDNumber1");
    DrumId1 = displayEdit("DrumId1");
    Name1 = named(new QLineEdit, "Name1");
    Name1->setMaxLength(10);
    ListBox1 = displayList("ListBox1");
    Memo1 = named(new LimitedMemo(79), "Memo1");
    Button4 = named(new QPushButton(QStringLiteral("Submit")), "Button4");
    Button5 = named(new QPushButton(QStringLiteral("Edit Classes")), "Button5");
    Button6 = named(new QPushButton(QStringLiteral("Edit Program")), "Button6");
    Button6->setEnabled(false);
    form->addWidget(new QLabel(QStringLiteral("IDNumber:")), 0, 0);
    form->addWidget(IDNumber1, 0, 1);
    form->addWidget(new QLabel(QStringLiteral("Drum Kit ID:")), 1, 0);
    form->addWidget(DrumId1, 1, 1);
    form->addWidget(new QLabel(QStringLiteral("Name:")), 2, 0);
    form->addWidget(Name1, 2, 1);
    form->addWidget(new QLabel(QStringLiteral("Classes:")), 3, 0, Qt::AlignTop);
    form->addWidget(ListBox1, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button5);
    buttons->addWidget(Button6);
    form->addLayout(buttons, 4, 1);
    form->addWidget(new QLabel(QStringLiteral("Explanation:")), 5, 0, Qt::AlignTop);
    form->addWidget(Memo1, 5, 1);
    form->addWidget(Button4, 6, 1, Qt::AlignRight);
    side->addWidget(Panel1, 1);
    row->addLayout(side, 1);
    return page;
}

QWidget* TForm1::buildCombinationsPage() {
    auto* page = named(new QWidget, "TabSheet2");
    auto* row = new QHBoxLayout(page);
    combinationRows = new EntryListModel(this);
    DCListBox = entryList("DCListBox", combinationRows);
    row->addWidget(DCListBox, 1);

    auto* side = new QVBoxLayout;
    auto* search = named(new QGroupBox(QStringLiteral("Search")), "GroupBox2");
    auto* grid = new QGridLayout(search);
    SearchEdit2 = named(new QLineEdit, "SearchEdit2");
    SearchCombo2 = named(new QComboBox, "SearchCombo2");  // pick from the list only
    MaskEdit2 = numberEdit("MaskEdit2", 5);
    Button1 = named(new QPushButton(QStringLiteral("Search")), "Button1");
    grid->addWidget(new QLabel(QStringLiteral("Name:")), 0, 0);
    grid->addWidget(SearchEdit2, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Class:")), 1, 0);
    grid->addWidget(SearchCombo2, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Program ID:")), 2, 0);
    grid->addWidget(MaskEdit2, 2, 1);
    grid->addWidget(Button1, 3, 2);
    side->addWidget(search);

    CheckBox2 = named(new QCheckBox(QStringLiteral("Edit Enabled")), "CheckBox2");
    side->addWidget(CheckBox2);

    Panel2 = detailPanel("Panel2");
    auto* form = new QGridLayout(Panel2);
    IDNumber2 = displayEdit("IDNumber2");
    Name2 = named(new QLineEdit, "Name2");
    Name2->setMaxLength(10);
    ListBox2 = displayList("ListBox2");
    TimbIDBox = displayList("TimbIDBox");
    Memo2 = named(new LimitedMemo(79), "Memo2");
    Button3 = named(new QPushButton(QStringLiteral("Submit")), "Button3");
    Button7 = named(new QPushButton(QStringLiteral("Edit Classes")), "Button7");
    Button8 = named(new QPushButton(QStringLiteral("Edit Combi.")), "Button8");
    Button8->setEnabled(false);
    form->addWidget(new QLabel(QStringLiteral("IDNumber:")), 0, 0);
    form->addWidget(IDNumber2, 0, 1);
    form->addWidget(new QLabel(QStringLiteral("TimbreIDs:")), 1, 0, Qt::AlignTop);
    form->addWidget(TimbIDBox, 1, 1);
    form->addWidget(new QLabel(QStringLiteral("Name:")), 2, 0);
    form->addWidget(Name2, 2, 1);
    form->addWidget(new QLabel(QStringLiteral("Classes:")), 3, 0, Qt::AlignTop);
    form->addWidget(ListBox2, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button7);
    buttons->addWidget(Button8);
    form->addLayout(buttons, 4, 1);
    form->addWidget(new QLabel(QStringLiteral("Explanation:")), 5, 0, Qt::AlignTop);
    form->addWidget(Memo2, 5, 1);
    form->addWidget(Button3, 6, 1, Qt::AlignRight);
    side->addWidget(Panel2, 1);
    row->addLayout(side, 1);
    return page;
}

QWidget* TForm1::buildPcgPage(bool programs) {
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
    connect(items, &QButtonGroup::idClicked, this, [this] { RadioGroup1Click(); });
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
        RadioGroup1 = group;
        RadioGroup1Items = items;
        PPListBox = list;
    } else {
        RadioGroup2 = group;
        RadioGroup2Items = items;
        PCListBox = list;
    }
    return page;
}

void TForm1::buildMenus() {
    auto item = [this](QMenu* menu, const char* name, const QString& caption,
                       const QKeySequence& shortcut, void (TForm1::*handler)()) {
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
    item(file, "NewDatabase", QStringLiteral("&New Database"), {}, &TForm1::NewDatabaseClick);
    item(file, "OpenDatabase", QStringLiteral("&Open Database"), {}, &TForm1::OpenDatabaseClick);
    item(file, "SaveDatabaseAs", QStringLiteral("&Export Database"), {},
         &TForm1::SaveDatabaseAsClick);
    file->addSeparator()->setObjectName(QStringLiteral("N2"));
    item(file, "Exit1", QStringLiteral("E&xit"), {}, &TForm1::Exit1Click);

    Edit1 = bar->addMenu(QStringLiteral("&Edit"));
    Edit1->setObjectName(QStringLiteral("Edit1"));
    connect(Edit1, &QMenu::aboutToShow, this, &TForm1::Edit1Click);
    SendItem = item(Edit1, "SendItem", QStringLiteral("Send To &PCG"),
                    QKeySequence(Qt::CTRL | Qt::Key_Insert), &TForm1::SendItemClick);
    SendData = item(Edit1, "SendData", QStringLiteral("Send To &Database"),
                    QKeySequence(Qt::Key_Insert), &TForm1::SendDataClick);
    Delete1 = item(Edit1, "Delete1", QStringLiteral("&Delete"),
                   QKeySequence(Qt::CTRL | Qt::Key_Delete), &TForm1::Delete1Click);
    for (QAction* a : {SendItem, SendData, Delete1})
        a->setEnabled(false);
    item(Edit1, "EditDatabaseClasses1", QStringLiteral("Edit Database &Classes"), {},
         &TForm1::EditDatabaseClasses1Click);

    QMenu* pcgMenu = bar->addMenu(QStringLiteral("&Pcg"));
    pcgMenu->setObjectName(QStringLiteral("Pcg1"));
    item(pcgMenu, "NewPcg1", QStringLiteral("&New Pcg"), QKeySequence(Qt::CTRL | Qt::Key_N),
         &TForm1::NewPcg1Click);
    item(pcgMenu, "ImportPcg", QStringLiteral("&Import Pcg"), QKeySequence(Qt::CTRL | Qt::Key_I),
         &TForm1::ImportPcgClick);
    item(pcgMenu, "ExportPcg1", QStringLiteral("&Export Pcg"), QKeySequence(Qt::CTRL | Qt::Key_E),
         &TForm1::ExportPcg1Click);
    item(pcgMenu, "SendPCGtoDatabase2", QStringLiteral("Send PCG to &Database"),
         QKeySequence(Qt::CTRL | Qt::Key_S), &TForm1::SendPCGtoDatabase2Click);
    item(pcgMenu, "SendOnlyProgramsofPCG1", QStringLiteral("Send Only &Programs of PCG"), {},
         &TForm1::SendOnlyProgramsofPCG1Click);
    item(pcgMenu, "SendOnlyCombinationsofPCG1", QStringLiteral("Send Only &Combinations of PCG"),
         {}, &TForm1::SendOnlyCombinationsofPCG1Click);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    for (const auto& [name, caption] : {std::pair{"Contents1", "&Contents"},
                                        std::pair{"SearchforHelpOn1", "&Search for Help On..."},
                                        std::pair{"HowtoUseHelp1", "&How to Use Help"}})
        item(help, name, QLatin1String(caption), {}, nullptr)->setEnabled(false);
    item(help, "About1", QStringLiteral("&About..."), {}, &TForm1::About1Click);
}

}  // namespace pelvaro::app
