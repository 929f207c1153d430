#include "app/near_duplicates_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/busy_window.h"
#include "app/control_names.h"
#include "app/database_watch.h"
#include "app/group_list_model.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "db/name_replace.h"
#include "session/summaries.h"

namespace pelvaro::app {

using namespace names::nearDuplicates;

namespace {

enum MemberColumn { kId, kName, kBytes, kParameters };

QTableView* groupTable(GroupListModel* model, const char* name, const QString& accessible) {
    auto* view = named(new QTableView, name);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    // Rows of one height: tens of thousands of groups are laid out without measuring any.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setStretchLastSection(true);
    view->setAccessibleName(accessible);
    return view;
}

QString counted(std::int64_t n, const std::string& singular, const std::string& plural) {
    return QString::fromStdString(countOf(n, singular.c_str(), plural.c_str()));
}

// The base that numbers a group of one name: the name and a blank while two digits still fit
// after them ("ORGAN " gives ORGAN 01, ORGAN 02, ...), else the name alone.
QString numberingBase(const QString& name) {
    return name.size() + 3 <= static_cast<int>(pcg::kNameSize) ? name + QLatin1Char(' ') : name;
}

}  // namespace

NearDuplicatesWindow::NearDuplicatesWindow(session::Session& session, const DatabaseWatch& watch,
                                           Dialogs& dialogs, db::Kind kind, Calls calls,
                                           QWidget* parent)
    : QDialog(parent),
      session_(session),
      watch_(watch),
      dialogs_(dialogs),
      kind_(kind),
      calls_(std::move(calls)),
      busy_(new BusyWindow(this)),
      nearModel_(new GroupListModel(session.files(), kind, this)),
      nameModel_(new GroupListModel(session.files(), kind, this)) {
    setObjectName(QLatin1String(kWindow));
    setWindowTitle(QStringLiteral("Find Near Duplicates"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(760, 680);
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    auto* maxLabel = new QLabel(QStringLiteral("Differing &bytes at most:"));
    maxBytes_ = named(new QSpinBox, kMaxBytes);
    maxBytes_->setRange(transfer::kLeastMaxBytes, transfer::kMostMaxBytes);
    maxBytes_->setValue(transfer::kDefaultMaxBytes);
    maxBytes_->setToolTip(QStringLiteral(
        "Entries whose compared bytes differ in at most this many are near duplicates"));
    maxBytes_->setAccessibleName(QStringLiteral("Differing bytes at most"));
    maxLabel->setBuddy(maxBytes_);
    auto* findButton = named(new QPushButton(QStringLiteral("&Find")), kFind);
    findButton->setToolTip(QStringLiteral("Find the groups again"));
    found_ = named(new QLabel, kFound);
    top->addWidget(maxLabel);
    top->addWidget(maxBytes_);
    top->addWidget(findButton);
    top->addWidget(found_, 1);
    layout->addLayout(top);

    outOfDateBar_ = new QWidget;
    auto* bar = new QHBoxLayout(outOfDateBar_);
    bar->setContentsMargins(0, 0, 0, 0);
    auto* note =
        named(new QLabel(QStringLiteral("The database has changed since these groups were found.")),
              kOutOfDate);
    note->setWordWrap(true);
    auto* refresh = named(new QPushButton(QStringLiteral("&Refresh")), kRefresh);
    refresh->setToolTip(
        QStringLiteral("Find the groups again (in a large collection this takes a while)"));
    bar->addWidget(note, 1);
    bar->addWidget(refresh);
    outOfDateBar_->hide();
    layout->addWidget(outOfDateBar_);

    pages_ = named(new QTabWidget, kPages);
    pages_->setAccessibleName(QStringLiteral("Groups"));
    nearList_ = groupTable(nearModel_, kGroups, QStringLiteral("Groups of near duplicates"));
    nearList_->setToolTip(QStringLiteral("Groups of near duplicates, the largest first"));
    nameList_ = groupTable(nameModel_, kNameGroups, QStringLiteral("Groups of one name"));
    nameList_->setToolTip(
        QStringLiteral("Entries that share a name but are different sounds, the largest first"));
    pages_->addTab(nearList_, QStringLiteral("&Near duplicates"));
    pages_->addTab(nameList_, QStringLiteral("Same na&me, different sounds"));
    layout->addWidget(pages_, 2);

    auto* membersLabel = new QLabel(QStringLiteral("&Entries of the group:"));
    members_ = named(new QTreeWidget, kMembers);
    members_->setRootIsDecorated(false);
    members_->setHeaderLabels({QStringLiteral("ID"), QStringLiteral("Name"),
                               QStringLiteral("Bytes"), QStringLiteral("Differs in")});
    members_->setToolTip(QStringLiteral(
        "How each entry differs from the one to keep; double-click one to compare them"));
    members_->setAccessibleName(QStringLiteral("Entries of the group"));
    membersLabel->setBuddy(members_);
    layout->addWidget(membersLabel);
    layout->addWidget(members_, 2);

    auto* keepRow = new QHBoxLayout;
    auto* keepLabel = new QLabel(QStringLiteral("&Keep:"));
    keep_ = named(new QComboBox, kKeep);
    keep_->setToolTip(QStringLiteral("The entry the others are merged into"));
    keep_->setAccessibleName(QStringLiteral("Keep"));
    keepLabel->setBuddy(keep_);
    merge_ = named(new QPushButton(QStringLiteral("&Merge")), kMerge);
    merge_->setToolTip(QStringLiteral(
        "Merge the group into the entry to keep, as the preview says (one undo step)"));
    numberNames_ = named(new QPushButton(QStringLiteral("N&umber These Names...")), kNumberNames);
    numberNames_->setToolTip(
        QStringLiteral("Give the entries of this name numbered names in Replace in Names"));
    showInList_ = named(new QPushButton(QStringLiteral("Sho&w in List")), kShowInList);
    showInList_->setToolTip(
        QStringLiteral("Choose the entries of the group in the list of the main window"));
    keepRow->addWidget(keepLabel);
    keepRow->addWidget(keep_, 1);
    keepRow->addWidget(merge_);
    keepRow->addWidget(numberNames_);
    keepRow->addWidget(showInList_);
    layout->addLayout(keepRow);

    auto* previewLabel = new QLabel(QStringLiteral("What the merge &changes:"));
    preview_ = named(new QPlainTextEdit, kPreview);
    preview_->setReadOnly(true);
    preview_->setToolTip(QStringLiteral("Everything the merge changes, before it runs"));
    preview_->setAccessibleName(QStringLiteral("What the merge changes"));
    previewLabel->setBuddy(preview_);
    layout->addWidget(previewLabel);
    layout->addWidget(preview_, 1);

    auto* bottom = new QHBoxLayout;
    result_ = named(new QLabel, kResult);
    result_->setWordWrap(true);
    auto* close = named(new QPushButton(QStringLiteral("C&lose")), kClose);
    close->setToolTip(QStringLiteral("Close this window"));
    // Enter presses no button here: a merge, or a new search, only by a click or its access key.
    for (QPushButton* b : {findButton, merge_, close, refresh, numberNames_, showInList_})
        b->setAutoDefault(false);
    bottom->addWidget(result_, 1);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(findButton, &QPushButton::clicked, this, &NearDuplicatesWindow::find);
    connect(refresh, &QPushButton::clicked, this, &NearDuplicatesWindow::find);
    connect(pages_, &QTabWidget::currentChanged, this, &NearDuplicatesWindow::showChosenGroup);
    for (QTableView* list : {nearList_, nameList_})
        connect(list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                &NearDuplicatesWindow::showChosenGroup);
    connect(keep_, &QComboBox::currentIndexChanged, this, &NearDuplicatesWindow::keepChanged);
    connect(members_, &QTreeWidget::itemActivated, this, &NearDuplicatesWindow::compareMember);
    connect(merge_, &QPushButton::clicked, this, &NearDuplicatesWindow::mergeClicked);
    connect(numberNames_, &QPushButton::clicked, this, &NearDuplicatesWindow::numberNamesClicked);
    connect(showInList_, &QPushButton::clicked, this, [this] {
        const Entries group = chosenGroup();
        if (!group.empty() && calls_.showInList)
            guarded(this, dialogs_, [&] { calls_.showInList(kind_, group); });
    });
    connect(&watch_, &DatabaseWatch::changed, this, &NearDuplicatesWindow::databaseChanged);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    find();
}

NearDuplicatesWindow::~NearDuplicatesWindow() = default;

bool NearDuplicatesWindow::onNamePage() const {
    return pages_->currentIndex() == 1;
}

QTableView* NearDuplicatesWindow::groupList() const {
    return onNamePage() ? nameList_ : nearList_;
}

NearDuplicatesWindow::Entries NearDuplicatesWindow::chosenGroup() const {
    const QModelIndex current = groupList()->currentIndex();
    if (outOfDate_ || !current.isValid()) return {};
    return (onNamePage() ? nameModel_ : nearModel_)->group(current.row());
}

std::int32_t NearDuplicatesWindow::kept() const {
    return keep_->currentData().toInt();
}

void NearDuplicatesWindow::find() {
    guardedWhileBusy(this, dialogs_, *busy_, [&] {
        auto groups = session::findNearDuplicates(session_, kind_, maxBytes_->value());
        auto sameNames = session::findSameNames(session_, kind_);
        describer_ = std::make_unique<transfer::GroupDescriber>(session_.files(), kind_);
        std::size_t entries = 0;
        for (const auto& g : groups)
            entries += g.size();
        found_->setText(
            counted(static_cast<std::int64_t>(groups.size()), "group", "groups") +
            QStringLiteral(" of near duplicates (%1), %2 of one name")
                .arg(counted(static_cast<std::int64_t>(entries), db::kindWord(kind_),
                             db::kindWord(kind_, 2)),
                     counted(static_cast<std::int64_t>(sameNames.size()), "group", "groups")));
        nearModel_->setGroups(std::move(groups));
        std::vector<std::vector<std::int32_t>> nameGroups;
        std::vector<std::string> names;
        for (auto& g : sameNames) {
            names.push_back(std::move(g.name));
            nameGroups.push_back(std::move(g.members));
        }
        nameModel_->setGroups(std::move(nameGroups), std::move(names));
        foundAt_ = watch_.revision();
        showOutOfDate(false);
    });
    for (QTableView* list : {nearList_, nameList_}) {
        list->resizeColumnsToContents();
        if (list->model()->rowCount() > 0) list->setCurrentIndex(list->model()->index(0, 0));
    }
    showChosenGroup();
}

void NearDuplicatesWindow::showChosenGroup() {
    const std::vector<std::int32_t> group = chosenGroup();
    const QSignalBlocker blocker(keep_);
    keep_->clear();
    if (describer_) {
        for (const std::int32_t id : group)
            keep_->addItem(QString::number(id) + QLatin1Char(' ') +
                               textOf(db::storedName(session_.files(), kind_, id)),
                           id);
    }
    keepChanged();
}

void NearDuplicatesWindow::keepChanged() {
    plan_.reset();
    members_->clear();
    preview_->clear();
    const std::vector<std::int32_t> group = chosenGroup();
    if (describer_ && !group.empty()) {
        guarded(this, dialogs_, [&] {
            for (const transfer::GroupMember& m : describer_->describe(group, kept()).members) {
                auto* item = new QTreeWidgetItem(
                    members_, {QString::number(m.id), textOf(m.name), QString::number(m.bytes),
                               QString::fromStdString(transfer::parameterText(m.parameters))});
                item->setData(kId, Qt::UserRole, m.id);
                item->setTextAlignment(kId, Qt::AlignRight | Qt::AlignVCenter);
                item->setTextAlignment(kBytes, Qt::AlignRight | Qt::AlignVCenter);
            }
            members_->header()->resizeSections(QHeaderView::ResizeToContents);
            // Entries of one name are different sounds: they are compared here, not merged.
            if (onNamePage()) return;
            plan_ = session::previewMerge(session_, kind_, group, kept());
            QStringList lines;
            for (const std::string& line : plan_->lines)
                lines << QString::fromStdString(line);
            preview_->setPlainText(lines.join(QLatin1Char('\n')));
        });
    }
    updateButtons();
}

void NearDuplicatesWindow::updateButtons() {
    const bool chosen = !chosenGroup().empty();
    merge_->setEnabled(plan_.has_value() && !outOfDate_);
    numberNames_->setEnabled(chosen && onNamePage());
    showInList_->setEnabled(chosen);
}

void NearDuplicatesWindow::databaseChanged() {
    if (watch_.revision() != foundAt_) showOutOfDate(true);
}

void NearDuplicatesWindow::showOutOfDate(bool outOfDate) {
    if (outOfDate == outOfDate_) return;
    outOfDate_ = outOfDate;
    outOfDateBar_->setVisible(outOfDate);
    // The groups stay in sight, greyed; what was shown of one is no longer true.
    for (QTableView* list : {nearList_, nameList_})
        list->setEnabled(!outOfDate);
    if (outOfDate) {
        const QSignalBlocker blocker(keep_);
        keep_->clear();
        plan_.reset();
        members_->clear();
        preview_->clear();
    }
    updateButtons();
}

void NearDuplicatesWindow::numberNamesClicked() {
    const Entries group = chosenGroup();
    if (group.empty() || !onNamePage() || !calls_.numberNames) return;
    const QString name = nameModel_->nameOf(nameList_->currentIndex().row());
    guarded(this, dialogs_, [&] { calls_.numberNames(kind_, group, numberingBase(name)); });
}

void NearDuplicatesWindow::compareMember() {
    const QTreeWidgetItem* item = members_->currentItem();
    if (item == nullptr || !calls_.comparePair) return;
    guarded(this, dialogs_,
            [&] { calls_.comparePair(kind_, kept(), item->data(kId, Qt::UserRole).toInt()); });
}

void NearDuplicatesWindow::mergeClicked() {
    if (!plan_ || outOfDate_) return;
    guardedWhileBusy(this, dialogs_, *busy_, [&] {
        const session::MergeResult result = session::merge(session_, *plan_);
        result_->setText(sessionText(result.summary));
        if (calls_.merged) calls_.merged(result);
    });
    // The numbers have moved: the groups are found again.
    find();
}

}  // namespace pelvaro::app
