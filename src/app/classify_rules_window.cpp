#include "app/classify_rules_window.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/control_names.h"
#include "app/dialogs.h"
#include "app/settings.h"
#include "app/text_rows_model.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "classes/class_table.h"
#include "db/name_replace.h"
#include "session/commands.h"
#include "session/organise_rules.h"
#include "session/session.h"

namespace pelvaro::app {

using classes::ClassRule;
using classes::RuleScope;
using classes::RuleTest;

namespace {

constexpr std::int32_t kLargestSlotClass = 127;

QSpinBox* numberBox(const char* name, int lowest, int highest, const QString& tip) {
    auto* box = named(new QSpinBox, name);
    box->setRange(lowest, highest);
    box->setToolTip(tip);
    return box;
}

QPushButton* button(const QString& text, const char* name, const QString& tip) {
    auto* b = named(new QPushButton(text), name);
    b->setToolTip(tip);
    return b;
}

}  // namespace

ClassifyRulesWindow::ClassifyRulesWindow(session::Session& session, Dialogs& dialogs,
                                         Settings& settings,
                                         std::function<void(const QString&)> changed,
                                         QWidget* parent)
    : QDialog(parent),
      session_(session),
      dialogs_(dialogs),
      settings_(settings),
      changed_(std::move(changed)) {
    setObjectName(QLatin1String(names::rules::kWindow));
    setWindowTitle(QStringLiteral("Classify by Rules"));
    resize(640, 620);
    auto* layout = new QVBoxLayout(this);

    table_ = named(new QTableWidget(0, 3), names::rules::kRules);
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("Rule"), QStringLiteral("Class"), QStringLiteral("Preview")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setToolTip(QStringLiteral(
        "The rules, applied in this order; a later rule sees the classes an earlier one gave"));
    layout->addWidget(labelFor(QStringLiteral("R&ules:"), table_));
    layout->addWidget(table_, 2);

    auto* editor = new QGroupBox(QStringLiteral("Rule"));
    auto* form = new QFormLayout(editor);
    test_ = named(new QComboBox, names::rules::kTest);
    test_->addItems({QStringLiteral("name contains"), QStringLiteral("name begins with"),
                     QStringLiteral("oscillator sound in"), QStringLiteral("is a drum program"),
                     QStringLiteral("plays drum kit"),
                     QStringLiteral("combination plays program")});
    test_->setToolTip(QStringLiteral("What an entry must be to gain the class"));
    form->addRow(labelFor(QStringLiteral("&Test:"), test_), test_);
    scope_ = named(new QComboBox, names::rules::kScope);
    scope_->addItems({QStringLiteral("Programs and combinations"), QStringLiteral("Programs"),
                      QStringLiteral("Combinations")});
    scope_->setToolTip(QStringLiteral("The entries whose names the rule looks at"));
    form->addRow(labelFor(QStringLiteral("&Entries:"), scope_), scope_);
    text_ = named(new QLineEdit, names::rules::kText);
    text_->setMaxLength(static_cast<int>(pcg::kNameSize));
    text_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[\\x{1}-\\x{FF}]*")), text_));
    text_->setToolTip(
        QStringLiteral("A part of the name, compared in upper case as the search compares it"));
    form->addRow(labelFor(QStringLiteral("Te&xt:"), text_), text_);
    from_ = numberBox(names::rules::kFrom, 0, 999, QStringLiteral("The lowest oscillator sound"));
    to_ = numberBox(names::rules::kTo, 0, 999, QStringLiteral("The highest oscillator sound"));
    auto* range = new QHBoxLayout;
    range->addWidget(from_);
    range->addWidget(labelFor(QStringLiteral("T&o:"), to_));
    range->addWidget(to_);
    range->addStretch(1);
    form->addRow(labelFor(QStringLiteral("&From:"), from_), range);
    id_ = numberBox(names::rules::kId, 1, 99999999,
                    QStringLiteral("The ID of the drum kit or of the program played"));
    form->addRow(labelFor(QStringLiteral("&ID:"), id_), id_);
    class_ = named(new QComboBox, names::rules::kClass);
    class_->setToolTip(QStringLiteral("The class the rule gives"));
    class_->setPlaceholderText(QStringLiteral("No class yet: make one with New Class..."));
    newClass_ = button(QStringLiteral("Ne&w Class..."), names::rules::kNewClass,
                       QStringLiteral("Add a class to the database for the rule to give"));
    auto* classRow = new QHBoxLayout;
    classRow->addWidget(class_, 1);
    classRow->addWidget(newClass_);
    form->addRow(labelFor(QStringLiteral("C&lass:"), class_), classRow);
    add_ = button(QStringLiteral("&Add Rule"), names::rules::kAdd,
                  QStringLiteral("Add the rule described above after the others"));
    change_ = button(QStringLiteral("C&hange Rule"), names::rules::kChange,
                     QStringLiteral("Make the chosen rule the one described above"));
    remove_ = button(QStringLiteral("&Remove Rule"), names::rules::kRemove,
                     QStringLiteral("Take the chosen rule off the list"));
    auto* editButtons = new QHBoxLayout;
    for (QPushButton* b : {add_, change_, remove_})
        editButtons->addWidget(b);
    editButtons->addStretch(1);
    form->addRow(editButtons);
    layout->addWidget(editor);

    entries_ = new TextRowsModel(
        {QStringLiteral("Entry"), QStringLiteral("Name"), QStringLiteral("Outcome")}, this);
    entriesView_ = named(new QTableView, names::rules::kEntries);
    entriesView_->setModel(entries_);
    entriesView_->verticalHeader()->hide();
    entriesView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    entriesView_->horizontalHeader()->setStretchLastSection(true);
    entriesView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    entriesView_->setToolTip(QStringLiteral("What the chosen rule does to each entry it finds"));
    layout->addWidget(labelFor(QStringLiteral("E&ntries the chosen rule finds:"), entriesView_));
    layout->addWidget(entriesView_, 3);

    summary_ = named(new QLabel, names::rules::kSummary);
    summary_->setWordWrap(true);
    layout->addWidget(summary_);
    apply_ = button(QStringLiteral("A&pply"), names::rules::kApply,
                    QStringLiteral("Give the classes shown; Undo takes them back"));
    auto* close = button(QStringLiteral("&Close"), names::rules::kClose,
                         QStringLiteral("Close this window; the rules are kept"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(apply_);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    for (const QString& line : settings_.classifyRules())
        if (auto rule = classes::parseRuleLine(bytesOf(line))) rules_.push_back(std::move(*rule));

    connect(table_, &QTableWidget::itemSelectionChanged, this, &ClassifyRulesWindow::ruleChosen);
    connect(test_, &QComboBox::currentIndexChanged, this, &ClassifyRulesWindow::testChanged);
    for (QComboBox* box : {test_, scope_, class_})
        connect(box, &QComboBox::currentIndexChanged, this, &ClassifyRulesWindow::updateButtons);
    connect(text_, &QLineEdit::textChanged, this, &ClassifyRulesWindow::updateButtons);
    for (QSpinBox* box : {from_, to_, id_})
        connect(box, &QSpinBox::valueChanged, this, &ClassifyRulesWindow::updateButtons);
    connect(newClass_, &QPushButton::clicked, this, &ClassifyRulesWindow::newClassClicked);
    connect(add_, &QPushButton::clicked, this, &ClassifyRulesWindow::addClicked);
    connect(change_, &QPushButton::clicked, this, &ClassifyRulesWindow::changeClicked);
    connect(remove_, &QPushButton::clicked, this, &ClassifyRulesWindow::removeClicked);
    connect(apply_, &QPushButton::clicked, this, &ClassifyRulesWindow::applyClicked);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    reload();
    testChanged();
}

void ClassifyRulesWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    reload();
}

void ClassifyRulesWindow::reload() {
    guarded(this, dialogs_, [&] {
        tree_ = db::ClassTree::read(session_.files());
        const QVariant chosen = class_->currentData();
        class_->clear();
        // An entry's class slot holds classes up to 127 only.
        for (std::int32_t k = 1; k <= std::min(tree_.count(), kLargestSlotClass); ++k)
            class_->addItem(textOf(std::string(tree_.path(k))), k);
        class_->setCurrentIndex(class_->findData(chosen));
    });
    rulesChanged(chosenRow());
}

int ClassifyRulesWindow::chosenRow() const {
    const auto rows = table_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ClassifyRulesWindow::testChanged() {
    const auto test = static_cast<RuleTest>(test_->currentIndex());
    const bool byName = test == RuleTest::NameContains || test == RuleTest::NameBeginsWith;
    scope_->setEnabled(byName);
    text_->setEnabled(byName);
    from_->setEnabled(test == RuleTest::SoundIn);
    to_->setEnabled(test == RuleTest::SoundIn);
    id_->setEnabled(test == RuleTest::PlaysDrumKit || test == RuleTest::PlaysProgram);
    updateButtons();
}

ClassRule ClassifyRulesWindow::editedRule() const {
    ClassRule rule;
    rule.test = static_cast<RuleTest>(test_->currentIndex());
    const bool byName =
        rule.test == RuleTest::NameContains || rule.test == RuleTest::NameBeginsWith;
    if (byName) {
        rule.scope = static_cast<RuleScope>(scope_->currentIndex());
        rule.text = bytesOf(text_->text());
    }
    if (rule.test == RuleTest::SoundIn) {
        rule.from = from_->value();
        rule.to = to_->value();
    }
    if (rule.test == RuleTest::PlaysDrumKit || rule.test == RuleTest::PlaysProgram)
        rule.id = id_->value();
    if (class_->currentIndex() >= 0) {
        rule.classId = class_->currentData().toInt();
        rule.classPath = std::string(tree_.path(rule.classId));
    }
    return rule;
}

void ClassifyRulesWindow::showRuleInEditor(const ClassRule& rule) {
    test_->setCurrentIndex(static_cast<int>(rule.test));
    scope_->setCurrentIndex(static_cast<int>(rule.scope));
    text_->setText(textOf(rule.text));
    from_->setValue(rule.from);
    to_->setValue(rule.to);
    id_->setValue(rule.id);
    class_->setCurrentIndex(class_->findData(classes::ruleClass(tree_, rule).classId));
}

void ClassifyRulesWindow::updateButtons() {
    const ClassRule rule = editedRule();
    const bool usable =
        classes::ruleProblem(rule).empty() && classes::ruleClass(tree_, rule).problem.empty();
    add_->setEnabled(usable);
    change_->setEnabled(usable && chosenRow() >= 0);
    remove_->setEnabled(chosenRow() >= 0);
    apply_->setEnabled(preview_.classesGiven > 0);
}

void ClassifyRulesWindow::ruleChosen() {
    const int row = chosenRow();
    if (row >= 0 && row < static_cast<int>(rules_.size())) showRuleInEditor(rules_[row]);
    showChosenEntries();
    updateButtons();
}

void ClassifyRulesWindow::newClassClicked() {
    const auto typed = dialogs_.askText(this, QStringLiteral("New Class"),
                                        QStringLiteral("The name of the new class:"), QString());
    if (!typed) return;
    const QString name = typed->trimmed();
    const std::optional<QString> problem = classNameProblem(name);
    if (problem) {
        dialogs_.showError(this, QStringLiteral("New Class"), *problem);
        return;
    }
    std::int32_t added = -1;
    guarded(this, dialogs_, [&] { added = session::addClass(session_, bytesOf(name), 0); });
    if (added < 1) return;
    reload();
    class_->setCurrentIndex(class_->findData(added));
    if (changed_) changed_(QStringLiteral("Added class %1").arg(name));
}

std::optional<QString> ClassifyRulesWindow::classNameProblem(const QString& name) const {
    constexpr auto kMost = static_cast<int>(db::kClassNameSize) - 1;
    if (name.isEmpty()) return QStringLiteral("A class needs a name.");
    if (textOf(bytesOf(name)) != name || name.contains(QChar(0)))
        return QStringLiteral("\"%1\" holds characters a class name cannot hold.").arg(name);
    if (name.size() > kMost)
        return QStringLiteral("A class name holds %1 characters at most; \"%2\" has %3.")
            .arg(kMost)
            .arg(name)
            .arg(name.size());
    if (!classes::canAddClass(session_.files(), bytesOf(name), 0))
        return QStringLiteral("The database holds as many classes as it can: none can be added.");
    return std::nullopt;
}

void ClassifyRulesWindow::addClicked() {
    rules_.push_back(editedRule());
    rulesChanged(static_cast<int>(rules_.size()) - 1);
}

void ClassifyRulesWindow::changeClicked() {
    const int row = chosenRow();
    if (row < 0 || row >= static_cast<int>(rules_.size())) return;
    rules_[row] = editedRule();
    rulesChanged(row);
}

void ClassifyRulesWindow::removeClicked() {
    const int row = chosenRow();
    if (row < 0 || row >= static_cast<int>(rules_.size())) return;
    rules_.erase(rules_.begin() + row);
    rulesChanged(std::min(row, static_cast<int>(rules_.size()) - 1));
}

void ClassifyRulesWindow::rulesChanged(int chosen) {
    QStringList lines;
    for (const ClassRule& rule : rules_)
        lines << textOf(classes::ruleLine(rule));
    settings_.setClassifyRules(lines);
    preview();
    const QSignalBlocker quiet(table_);
    table_->setRowCount(static_cast<int>(rules_.size()));
    for (int row = 0; row < static_cast<int>(rules_.size()); ++row) {
        const ClassRule& rule = rules_[row];
        const classes::RuleOutcome* outcome =
            row < static_cast<int>(preview_.rules.size()) ? &preview_.rules[row] : nullptr;
        const std::string path = outcome && outcome->classId > 0
                                     ? std::string(tree_.path(outcome->classId))
                                     : rule.classPath;
        table_->setItem(row, 0, new QTableWidgetItem(textOf(classes::ruleText(rule))));
        table_->setItem(row, 1, new QTableWidgetItem(textOf(path)));
        table_->setItem(
            row, 2,
            new QTableWidgetItem(outcome ? textOf(session::ruleOutcomeText(*outcome)) : QString()));
    }
    table_->clearSelection();
    if (chosen >= 0 && chosen < table_->rowCount()) {
        table_->selectRow(chosen);
        showRuleInEditor(rules_[chosen]);
    }
    table_->resizeColumnToContents(0);
    showChosenEntries();
    summary_->setText(textOf(session::rulesSummary(preview_, false)));
    updateButtons();
}

void ClassifyRulesWindow::preview() {
    preview_ = {};
    guarded(this, dialogs_, [&] { preview_ = classes::previewRules(session_.files(), rules_); });
}

void ClassifyRulesWindow::showChosenEntries() {
    const int row = chosenRow();
    if (row < 0 || row >= static_cast<int>(preview_.rules.size())) {
        entries_->setRows(0, {});
        return;
    }
    // Those that gain the class first, then those that have it, then those left out. A cell
    // looks its entry up when it is shown, in the preview of the moment.
    const classes::RuleOutcome& outcome = preview_.rules[row];
    const auto rows = outcome.gain.size() + outcome.already.size() + outcome.full.size();
    entries_->setRows(static_cast<int>(rows), [this, row](int r, int column) {
        if (row >= static_cast<int>(preview_.rules.size())) return QString();
        const classes::RuleOutcome& o = preview_.rules[row];
        auto i = static_cast<std::size_t>(r);
        const std::vector<classes::EntryRef>* part = &o.gain;
        QString what = QStringLiteral("gains the class");
        if (i >= part->size()) {
            i -= part->size();
            part = &o.already;
            what = QStringLiteral("has it already");
        }
        if (i >= part->size()) {
            i -= part->size();
            part = &o.full;
            what = QStringLiteral("holds nine classes: left out");
        }
        if (i >= part->size()) return QString();
        const classes::EntryRef& entry = (*part)[i];
        if (column == 0) return textOf(session::entryLabel(entry));
        if (column == 1) return textOf(db::storedName(session_.files(), entry.kind, entry.id));
        return what;
    });
}

void ClassifyRulesWindow::applyClicked() {
    std::optional<session::ClassifyResult> result;
    guarded(this, dialogs_, [&] { result = session::classifyByRules(session_, rules_); });
    rulesChanged(chosenRow());
    if (!result) return;
    const QString summary = sessionText(result->summary);
    summary_->setText(summary);
    if ((result->preview.entriesChanged > 0 || result->failure) && changed_) changed_(summary);
    if (result->failure) dialogs_.showError(this, windowTitle(), sessionText(*result->failure));
}

}  // namespace pelvaro::app
