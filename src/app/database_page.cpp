#include "app/database_page.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableView>
#include <algorithm>
#include <array>
#include <unordered_set>

#include "app/elided_label.h"
#include "app/entry_list_model.h"
#include "app/limited_memo.h"
#include "app/widgets.h"
#include "app/window_text.h"

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
    auto* list = named(new EntryListView, name);
    list->setModel(model);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setTabKeyNavigation(false);  // Tab leaves the list, as from any other control
    // Rows dragged out go onto the arrange window's slots; nothing is dropped here.
    list->setDragEnabled(true);
    list->setDragDropMode(QAbstractItemView::DragOnly);
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

void showLines(QListWidget* list, const auto& lines) {
    list->clear();
    for (const std::string& line : lines)
        list->addItem(textOf(line));
}

}  // namespace

const names::DatabasePageNames& DatabasePage::names() const {
    return kind_ == db::Kind::Program ? names::kProgramsPage : names::kCombinationsPage;
}

DatabasePage::DatabasePage(db::Kind kind, const db::RecordFiles& files,
                           const db::OriginStore& marks, QWidget* parent)
    : QWidget(parent), kind_(kind) {
    const bool programs = kind == db::Kind::Program;
    setObjectName(QLatin1String(names().page));
    auto* row = new QHBoxLayout(this);
    rows_ = new EntryListModel(files, kind, &marks, this);
    list_ = entryList(names().list, rows_);
    list_->setItemDelegate(new MarksDelegate(list_));
    list_->setAccessibleName(programs ? QStringLiteral("Program entries")
                                      : QStringLiteral("Combination entries"));
    list_->setToolTip(
        programs ? QStringLiteral("The program entries; Ctrl and Shift choose several")
                 : QStringLiteral("The combination entries; Ctrl and Shift choose several"));
    auto* listSide = new QVBoxLayout;
    listSide->addWidget(list_, 1);
    listSide->addLayout(buildRowChoice());
    row->addLayout(listSide, 1);
    list_->installEventFilter(this);

    auto* side = new QVBoxLayout;
    buildSearchGroup(side);
    editEnabled_ = named(new QCheckBox(QStringLiteral("Edit Enabled")), names().editEnabled);
    editEnabled_->setToolTip(
        QStringLiteral("Allow the name, explanation and classes to be changed"));
    side->addWidget(editEnabled_);
    buildPanel(side);
    row->addLayout(side, 1);

    connect(searchButton_, &QPushButton::clicked, this, &DatabasePage::searchRequested);
    connect(submit_, &QPushButton::clicked, this, &DatabasePage::submitRequested);
    connect(editClasses_, &QPushButton::clicked, this, &DatabasePage::editClassesRequested);
    connect(editEnabled_, &QCheckBox::clicked, this, &DatabasePage::editEnabledClicked);
    // The panel follows the focused row, whether a click or a key moved it.
    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (!returning_) emit focusedEntryChanged();
    });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &DatabasePage::selectionChanged);
    connect(rows_, &QAbstractItemModel::modelReset, this, &DatabasePage::selectionChanged);
    for (QComboBox* choice : {showChoice_, sortChoice_})
        connect(choice, &QComboBox::currentIndexChanged, this, &DatabasePage::rowChoiceChanged);
}

namespace {
// The items of "Show:", in their order.
using Show = db::MarkFilter::Show;
struct ShowItem {
    const char* caption;
    db::MarkFilter filter;
};
const std::array<ShowItem, 9> kShowItems = {{
    {"All but hidden", {Show::AllButHidden}},
    {"Favourites", {Show::Favourites}},
    {"Rated 1 and up", {Show::RatedAtLeast, 1}},
    {"Rated 2 and up", {Show::RatedAtLeast, 2}},
    {"Rated 3 and up", {Show::RatedAtLeast, 3}},
    {"Rated 4 and up", {Show::RatedAtLeast, 4}},
    {"Rated 5 and up", {Show::RatedAtLeast, 5}},
    {"Hidden only", {Show::HiddenOnly}},
    {"Everything", {Show::Everything}},
}};
}  // namespace

QLayout* DatabasePage::buildRowChoice() {
    showChoice_ = named(new QComboBox, names().showChoice);
    for (const ShowItem& item : kShowItems)
        showChoice_->addItem(QLatin1String(item.caption));
    sortChoice_ = named(new QComboBox, names().sortChoice);
    // In the order of db::RowOrder.
    sortChoice_->addItems({QStringLiteral("ID"), QStringLiteral("Name"), QStringLiteral("Rating"),
                           QStringLiteral("First came in"), QStringLiteral("Files it came from")});
    showChoice_->setToolTip(
        QStringLiteral("Which entries the list shows by their marks: F favourite, 1 to 5 rate, "
                       "0 no rating, H hide or show"));
    sortChoice_->setToolTip(QStringLiteral("The order of the list"));
    auto* line = new QHBoxLayout;
    line->addWidget(labelFor(QStringLiteral("Show:"), showChoice_));
    line->addWidget(showChoice_, 1);
    line->addWidget(labelFor(QStringLiteral("Sort:"), sortChoice_));
    line->addWidget(sortChoice_, 1);
    return line;
}

db::RowChoice DatabasePage::rowChoice() const {
    return {
        .show =
            kShowItems[static_cast<std::size_t>(std::max(0, showChoice_->currentIndex()))].filter,
        .order = static_cast<db::RowOrder>(std::max(0, sortChoice_->currentIndex()))};
}

void DatabasePage::setMarkActions(const QList<QAction*>& actions) {
    // Their keys are the list's alone (Qt::WidgetShortcut): typed into a search field they are
    // text.
    list_->addActions(actions);
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void DatabasePage::marksChanged() {
    rows_->marksChanged();
}

void DatabasePage::buildSearchGroup(QVBoxLayout* side) {
    const bool programs = kind_ == db::Kind::Program;
    const int span = programs ? 4 : 2;
    auto* search = named(new QGroupBox(QStringLiteral("Search")), names().searchGroup);
    auto* grid = new QGridLayout(search);
    nameSearch_ = named(new QLineEdit, names().nameSearch);
    classSearch_ = named(new QComboBox, names().classSearch);
    if (programs) {
        // Programs take a class typed in as well as one picked; combinations only a pick.
        classSearch_->setEditable(true);
        classSearch_->setInsertPolicy(QComboBox::NoInsert);
        classSearch_->lineEdit()->setAccessibleName(QStringLiteral("Class"));
    }
    referenceSearch_ = numberEdit(names().referenceSearch, 5);
    searchButton_ = named(new QPushButton(QStringLiteral("Search")), names().searchButton);
    grid->addWidget(labelFor(QStringLiteral("Name:"), nameSearch_), 0, 0);
    grid->addWidget(nameSearch_, 0, 1, 1, span);
    grid->addWidget(labelFor(QStringLiteral("Class:"), classSearch_), 1, 0);
    grid->addWidget(classSearch_, 1, 1, 1, span);
    grid->addWidget(labelFor(programs ? QStringLiteral("Drum ID:") : QStringLiteral("Program ID:"),
                             referenceSearch_),
                    2, 0);
    grid->addWidget(referenceSearch_, 2, 1);
    if (programs) {
        soundFrom_ = numberEdit(names().soundFrom, 3);
        soundTo_ = numberEdit(names().soundTo, 3);
        grid->addWidget(new QLabel(QStringLiteral("Osc Sound:")), 3, 0);
        grid->addWidget(
            labelFor(QStringLiteral("from:"), soundFrom_, QStringLiteral("Osc Sound from")), 3, 1,
            Qt::AlignRight);
        grid->addWidget(soundFrom_, 3, 2);
        grid->addWidget(labelFor(QStringLiteral("to:"), soundTo_, QStringLiteral("Osc Sound to")),
                        3, 3, Qt::AlignRight);
        grid->addWidget(soundTo_, 3, 4);
        grid->addWidget(searchButton_, 4, 3, 1, 2);
        referenceSearch_->setToolTip(
            QStringLiteral("Only drum programs on the drum kit of this ID"));
        soundFrom_->setToolTip(QStringLiteral("Lowest oscillator sound number"));
        soundTo_->setToolTip(QStringLiteral("Highest oscillator sound number"));
        searchButton_->setToolTip(
            QStringLiteral("Show the programs that match every field filled in"));
    } else {
        grid->addWidget(searchButton_, 3, 2);
        referenceSearch_->setToolTip(
            QStringLiteral("Only combinations that play the program of this ID"));
        searchButton_->setToolTip(
            QStringLiteral("Show the combinations that match every field filled in"));
    }
    fromFile_ = named(new QLineEdit, names().fromFileSearch);
    grid->addWidget(labelFor(QStringLiteral("From file:"), fromFile_), programs ? 4 : 3, 0);
    grid->addWidget(fromFile_, programs ? 4 : 3, 1, 1, programs ? 2 : 1);
    fromFile_->setToolTip(
        QStringLiteral("Part of the name of a PCG file the sound came from; Enter searches"));
    nameSearch_->setToolTip(QStringLiteral("Part of the name to look for; Enter searches"));
    classSearch_->setToolTip(QStringLiteral("Only entries of this class and the classes below it"));
    side->addWidget(search);
    for (QWidget* field : std::initializer_list<QWidget*>{
             nameSearch_, classSearch_, referenceSearch_, soundFrom_, soundTo_, fromFile_})
        if (field) field->installEventFilter(this);
}

void DatabasePage::buildPanel(QVBoxLayout* side) {
    const bool programs = kind_ == db::Kind::Program;
    const QString kindName = QString::fromStdString(db::kindWord(kind_));
    panel_ = named(new QFrame, names().panel);
    panel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel_->setLineWidth(1);
    panel_->setEnabled(false);
    auto* form = new QGridLayout(panel_);
    id_ = displayEdit(names().id);
    name_ = named(new QLineEdit, names().name);
    name_->setMaxLength(10);
    classes_ = displayList(names().classes);
    explanation_ = named(new LimitedMemo(79), names().explanation);
    explanation_->setMinimumHeight(40);
    explanation_->setTabChangesFocus(true);
    submit_ = named(new QPushButton(QStringLiteral("Submit")), names().submit);
    editClasses_ = named(new QPushButton(QStringLiteral("Edit Classes")), names().editClasses);
    editRecord_ = named(
        new QPushButton(programs ? QStringLiteral("Edit Program") : QStringLiteral("Edit Combi.")),
        names().editRecord);
    editRecord_->setEnabled(false);
    form->addWidget(labelFor(QStringLiteral("IDNumber:"), id_), 0, 0);
    form->addWidget(id_, 0, 1);
    if (programs) {
        drumId_ = displayEdit(names().drumId);
        form->addWidget(labelFor(QStringLiteral("Drum Kit ID:"), drumId_), 1, 0);
        form->addWidget(drumId_, 1, 1);
        drumId_->setToolTip(QStringLiteral("The ID of the drum kit this drum program plays"));
    } else {
        timbreIds_ = displayList(names().timbreIds);
        form->addWidget(labelFor(QStringLiteral("TimbreIDs:"), timbreIds_), 1, 0, Qt::AlignTop);
        form->addWidget(timbreIds_, 1, 1);
        timbreIds_->setToolTip(QStringLiteral("The program IDs its eight timbres play"));
    }
    form->addWidget(labelFor(QStringLiteral("Name:"), name_), 2, 0);
    form->addWidget(name_, 2, 1);
    form->addWidget(labelFor(QStringLiteral("Classes:"), classes_), 3, 0, Qt::AlignTop);
    form->addWidget(classes_, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(editClasses_);
    buttons->addWidget(editRecord_);
    form->addLayout(buttons, 4, 1);
    form->addWidget(labelFor(QStringLiteral("Explanation:"), explanation_), 5, 0, Qt::AlignTop);
    form->addWidget(explanation_, 5, 1);
    form->addWidget(submit_, 6, 1, Qt::AlignRight);
    side->addWidget(panel_, 1);
    whereUsed_ = named(new ElidedLabel, names().whereUsed);
    side->addWidget(whereUsed_);
    origins_ = named(new ElidedLabel, names().origins);
    side->addWidget(origins_);

    id_->setToolTip(QStringLiteral("The entry's ID in the database"));
    name_->setToolTip(QStringLiteral("The %1's name, up to 10 characters").arg(kindName));
    classes_->setToolTip(QStringLiteral("The classes of the %1").arg(kindName));
    editClasses_->setToolTip(QStringLiteral("Choose the classes of the chosen entries"));
    editRecord_->setToolTip(QStringLiteral("Not available"));
    explanation_->setToolTip(
        QStringLiteral("Your notes on the %1, up to 79 characters").arg(kindName));
    submit_->setToolTip(QStringLiteral("Store the name and explanation"));
    whereUsed_->setToolTip(
        programs
            ? QStringLiteral("The combinations that play the program; rest here for all of them")
            : QStringLiteral("The programs the combination plays; rest here for all of them"));
}

void DatabasePage::editEnabledClicked() {
    const bool on = editEnabled_->isChecked();
    panel_->setEnabled(on);
    panel_->setFrameShadow(on ? QFrame::Raised : QFrame::Sunken);
}

bool DatabasePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        // Home and End go to the first and the last row and choose it, as in every list here
        // (a table would only move along the row).
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Home || key == Qt::Key_End) && rows_->rowCount() > 0) {
            const int row = key == Qt::Key_Home ? 0 : rows_->rowCount() - 1;
            list_->selectionModel()->setCurrentIndex(rows_->index(row),
                                                     QItemSelectionModel::ClearAndSelect);
            list_->scrollTo(rows_->index(row));
            return true;
        }
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit searchRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DatabasePage::setRows(std::vector<std::int32_t> refilled, std::vector<std::int32_t> shown) {
    refilled_ = std::move(refilled);
    showRows(std::move(shown));
}

void DatabasePage::showRows(std::vector<std::int32_t> shown) {
    rows_->setRows(std::move(shown));
    // Right after a refill the first row is the selected one.
    if (rows_->rowCount() > 0)
        list_->selectionModel()->setCurrentIndex(rows_->index(0),
                                                 QItemSelectionModel::ClearAndSelect);
}

const std::vector<std::int32_t>& DatabasePage::rowIds() const {
    return rows_->rowIds();
}

std::optional<std::int32_t> DatabasePage::focusedEntry() const {
    const QModelIndex current = list_->currentIndex();
    const std::vector<std::int32_t>& ids = rows_->rowIds();
    if (!current.isValid() || static_cast<std::size_t>(current.row()) >= ids.size())
        return std::nullopt;
    return ids[static_cast<std::size_t>(current.row())];
}

std::vector<std::int32_t> DatabasePage::selectedEntries() const {
    std::vector<int> selected;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows())
        selected.push_back(index.row());
    std::ranges::sort(selected);
    std::vector<std::int32_t> entries;
    for (const int r : selected)
        entries.push_back(rows_->rowIds()[static_cast<std::size_t>(r)]);
    return entries;
}

std::vector<std::int32_t> DatabasePage::chosenEntries() const {
    std::vector<std::int32_t> chosen = selectedEntries();
    if (chosen.size() >= 2) return chosen;
    chosen.clear();
    if (const auto entry = focusedEntry()) chosen.push_back(*entry);
    return chosen;
}

bool DatabasePage::selectEntries(const std::vector<std::int32_t>& ids) {
    const std::unordered_set<std::int32_t> wanted(ids.begin(), ids.end());
    QItemSelection rows;
    std::optional<int> first;
    std::size_t found = 0;
    const std::vector<std::int32_t>& shown = rows_->rowIds();
    for (std::size_t r = 0; r < shown.size(); ++r) {
        if (!wanted.contains(shown[r])) continue;
        const QModelIndex index = rows_->index(static_cast<int>(r));
        rows.select(index, index);
        if (!first) first = static_cast<int>(r);
        ++found;
    }
    if (ids.empty() || found < wanted.size()) return false;
    QItemSelectionModel* selection = list_->selectionModel();
    selection->setCurrentIndex(rows_->index(*first), QItemSelectionModel::NoUpdate);
    selection->select(rows, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_->scrollTo(rows_->index(*first));
    return true;
}

bool DatabasePage::hasCurrentRow() const {
    return rows_->rowCount() > 0 && list_->currentIndex().isValid();
}

void DatabasePage::setClassChoices(const std::vector<std::string>& choices) {
    classSearch_->clear();
    for (const std::string& choice : choices)
        classSearch_->addItem(textOf(choice));
    classSearch_->setCurrentIndex(0);
}

void DatabasePage::clearSearchFields() {
    for (QLineEdit* field : {nameSearch_, referenceSearch_, soundFrom_, soundTo_, fromFile_})
        if (field) field->clear();
}

namespace {
// File names are the file system's bytes, not the records' single-byte text.
std::string fileNamePart(const QLineEdit* field) {
    return QFile::encodeName(field->text()).toStdString();
}
}  // namespace

int DatabasePage::classIndex() const {
    const int i = classSearch_->currentIndex();
    return i >= 0 && classSearch_->currentText() == classSearch_->itemText(i) ? i : -1;
}

db::ProgramSearchFields DatabasePage::programSearch() const {
    return {.name = bytesOf(nameSearch_->text()),
            .drumId = bytesOf(referenceSearch_->text()),
            .soundFrom = bytesOf(soundFrom_->text()),
            .soundTo = bytesOf(soundTo_->text()),
            .classIndex = classIndex(),
            .fromFile = fileNamePart(fromFile_)};
}

db::CombinationSearchFields DatabasePage::combinationSearch() const {
    return {.name = bytesOf(nameSearch_->text()),
            .programId = bytesOf(referenceSearch_->text()),
            .classIndex = classIndex(),
            .fromFile = fileNamePart(fromFile_)};
}

std::string DatabasePage::chosenClassText() const {
    return bytesOf(classSearch_->currentText());
}

// What both kinds of panel show: the ID, the name, the explanation and the classes; nothing
// when there is no entry. The kind's own fields are filled by the caller.
template <class Details>
bool DatabasePage::showShared(const std::optional<Details>& details) {
    for (QLineEdit* field : {id_, drumId_, name_})
        if (field) field->clear();
    explanation_->clear();
    classes_->clear();
    if (timbreIds_) timbreIds_->clear();
    shownId_.reset();
    if (!details) return false;
    shownId_ = std::stoi(details->idNumber);
    shownName_ = textOf(details->name);
    shownMemo_ = textOf(details->explanation);
    id_->setText(textOf(details->idNumber));
    name_->setText(textOf(details->name));
    explanation_->setPlainText(textOf(details->explanation));
    showLines(classes_, details->classes);
    return true;
}

void DatabasePage::showDetails(const std::optional<db::ProgramDetails>& details) {
    if (showShared(details)) drumId_->setText(textOf(details->drumId));
}

void DatabasePage::showDetails(const std::optional<db::CombinationDetails>& details) {
    if (showShared(details)) showLines(timbreIds_, details->timbreIds);
}

void DatabasePage::showWhereUsed(const std::optional<lists::WhereUsed>& used) {
    QStringList tip;
    if (used)
        for (const std::string& line : used->tip)
            tip << QString::fromStdString(line);
    whereUsed_->setText(used ? QString::fromStdString(used->line) : QString());
    whereUsed_->setToolTip(tip.join(QLatin1Char('\n')));
}

void DatabasePage::showOrigins(const QString& line, const QString& whole) {
    origins_->setText(line);
    origins_->setToolTip(whole);
}

std::optional<DatabasePage::Unsubmitted> DatabasePage::unsubmitted() const {
    if (!shownId_ || !editEnabled_->isChecked()) return std::nullopt;
    if (name_->text() == shownName_ && explanation_->toPlainText() == shownMemo_)
        return std::nullopt;
    return Unsubmitted{*shownId_, shownName_};
}

void DatabasePage::returnToShownEntry() {
    if (!shownId_) return;
    const auto& ids = rows_->rowIds();
    const auto at = std::ranges::find(ids, *shownId_);
    if (at == ids.end()) return;
    returning_ = true;
    list_->selectionModel()->setCurrentIndex(rows_->index(static_cast<int>(at - ids.begin())),
                                             QItemSelectionModel::ClearAndSelect);
    returning_ = false;
}

std::string DatabasePage::editedName() const {
    return bytesOf(name_->text());
}

std::string DatabasePage::editedMemo() const {
    return bytesOf(explanation_->toPlainText());
}

std::vector<QWidget*> DatabasePage::tabChain() const {
    // The list and its choices, the search fields and Search, Edit Enabled, then the entry's fields
    // and Submit (reached when editing is enabled).
    std::vector<QWidget*> chain{list_,       showChoice_,  sortChoice_,
                                nameSearch_, classSearch_, referenceSearch_};
    if (soundFrom_) chain.insert(chain.end(), {soundFrom_, soundTo_});
    chain.insert(chain.end(), {fromFile_, searchButton_, editEnabled_, name_, editClasses_,
                               explanation_, submit_});
    return chain;
}

}  // namespace pelvaro::app
