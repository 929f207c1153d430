#include "app/replace_names_window.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include "app/control_names.h"
#include "app/dialogs.h"
#include "app/text_rows_model.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "session/organise_rules.h"
#include "session/session.h"
#include "session/summaries.h"

namespace pelvaro::app {

namespace {

constexpr int kNameSize = static_cast<int>(pcg::kNameSize);

// A field for a part of a name: single-byte characters. What is typed is never cut: the hint
// beside it says how much of a name it takes, and flags a text longer than a name.
QLineEdit* nameField(const char* name, const QString& tip) {
    auto* edit = named(new QLineEdit, name);
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[\\x{1}-\\x{FF}]*")), edit));
    edit->setToolTip(tip);
    return edit;
}

// The field and its hint, side by side for a row of the form.
QHBoxLayout* withFitHint(QLineEdit* field, const char* hintName) {
    auto* hint = named(new QLabel, hintName);
    const auto show = [field, hint] {
        const auto n = static_cast<int>(field->text().size());
        const bool fits = n <= kNameSize;
        hint->setText(fits
                          ? QStringLiteral("%1 of %2 characters").arg(n).arg(kNameSize)
                          : QStringLiteral("%1 characters: a name holds %2").arg(n).arg(kNameSize));
        hint->setStyleSheet(fits ? QString() : QStringLiteral("color: #b00020; font-weight: bold"));
        field->setStyleSheet(fits ? QString() : QStringLiteral("border: 2px solid #b00020"));
        field->setAccessibleDescription(hint->text());
    };
    QObject::connect(field, &QLineEdit::textChanged, hint, show);
    show();
    auto* row = new QHBoxLayout;
    row->addWidget(field, 1);
    row->addWidget(hint);
    return row;
}

}  // namespace

ReplaceNamesWindow::ReplaceNamesWindow(session::Session& session, Dialogs& dialogs, db::Kind kind,
                                       std::vector<std::int32_t> ids,
                                       std::function<void(const QString&)> changed, QWidget* parent)
    : QDialog(parent),
      session_(session),
      dialogs_(dialogs),
      kind_(kind),
      ids_(std::move(ids)),
      changed_(std::move(changed)) {
    setObjectName(QLatin1String(names::replaceNames::kWindow));
    setWindowTitle(QStringLiteral("Replace in Names"));
    resize(560, 560);
    auto* layout = new QVBoxLayout(this);
    chosen_ = named(new QLabel, names::replaceNames::kChosen);
    layout->addWidget(chosen_);

    auto* how = new QGroupBox(QStringLiteral("New names"));
    auto* form = new QFormLayout(how);
    replaceMode_ = named(new QRadioButton(QStringLiteral("&Replace a text")),
                         names::replaceNames::kReplaceMode);
    replaceMode_->setToolTip(QStringLiteral("Replace a text wherever a name holds it"));
    replaceMode_->setChecked(true);
    form->addRow(replaceMode_);
    find_ = nameField(names::replaceNames::kFind, QStringLiteral("The text to find in the names"));
    form->addRow(labelFor(QStringLiteral("&Find:"), find_),
                 withFitHint(find_, names::replaceNames::kFindFit));
    replacement_ = nameField(names::replaceNames::kReplacement,
                             QStringLiteral("The text that takes its place (may be empty)"));
    form->addRow(labelFor(QStringLiteral("Replace &with:"), replacement_),
                 withFitHint(replacement_, names::replaceNames::kReplacementFit));
    matchCase_ =
        named(new QCheckBox(QStringLiteral("Match &case")), names::replaceNames::kMatchCase);
    matchCase_->setToolTip(
        QStringLiteral("Find the text only as typed; otherwise in upper case, as the search"));
    form->addRow(matchCase_);
    numberMode_ = named(new QRadioButton(QStringLiteral("&Number the names")),
                        names::replaceNames::kNumberMode);
    numberMode_->setToolTip(QStringLiteral("Name the entries in list order: Pad 01, Pad 02, ..."));
    form->addRow(numberMode_);
    base_ = nameField(names::replaceNames::kBase,
                      QStringLiteral("The text before the number, as typed: \"Pad \" gives "
                                     "Pad 01, Pad 02, ..."));
    form->addRow(labelFor(QStringLiteral("&Base:"), base_),
                 withFitHint(base_, names::replaceNames::kBaseFit));
    start_ = named(new QSpinBox, names::replaceNames::kStart);
    start_->setRange(0, 99999);
    start_->setValue(1);
    start_->setToolTip(QStringLiteral("The number of the first entry"));
    form->addRow(labelFor(QStringLiteral("&Start at:"), start_), start_);
    layout->addWidget(how);

    changes_ = new TextRowsModel({QStringLiteral("ID"), QStringLiteral("Name"),
                                  QStringLiteral("New name"), QStringLiteral("Note")},
                                 this);
    changesView_ = named(new QTableView, names::replaceNames::kChanges);
    changesView_->setModel(changes_);
    changesView_->verticalHeader()->hide();
    changesView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    changesView_->horizontalHeader()->setStretchLastSection(true);
    changesView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    changesView_->setToolTip(
        QStringLiteral("Each name that changes; a name longer than ten characters is cut, and a "
                       "name that would be the same as another is marked"));
    layout->addWidget(labelFor(QStringLiteral("C&hanges:"), changesView_));
    layout->addWidget(changesView_, 1);

    summary_ = named(new QLabel, names::replaceNames::kSummary);
    summary_->setWordWrap(true);
    layout->addWidget(summary_);
    apply_ = named(new QPushButton(QStringLiteral("A&pply")), names::replaceNames::kApply);
    apply_->setToolTip(QStringLiteral("Write the new names; Undo takes them back"));
    auto* close = named(new QPushButton(QStringLiteral("&Close")), names::replaceNames::kClose);
    close->setToolTip(QStringLiteral("Close this window"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(apply_);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    for (QLineEdit* edit : {find_, replacement_, base_})
        connect(edit, &QLineEdit::textChanged, this, &ReplaceNamesWindow::plan);
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{replaceMode_, matchCase_})
        connect(b, &QAbstractButton::toggled, this, &ReplaceNamesWindow::plan);
    connect(start_, &QSpinBox::valueChanged, this, &ReplaceNamesWindow::plan);
    connect(apply_, &QPushButton::clicked, this, &ReplaceNamesWindow::applyClicked);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    reload();
}

void ReplaceNamesWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    reload();
}

void ReplaceNamesWindow::startNumbering(const QString& base) {
    numberMode_->setChecked(true);
    base_->setText(base);
    base_->setFocus();
    plan();
}

void ReplaceNamesWindow::reload() {
    names_.clear();
    inUse_ = {};
    guarded(this, dialogs_, [&] {
        names_ = db::storedNames(session_.files(), kind_, ids_);
        inUse_ = db::NamesInUse(session_.names(), kind_);
    });
    const auto count = static_cast<std::int64_t>(names_.size());
    chosen_->setText(QStringLiteral("The names of ") +
                     textOf(kind_ == db::Kind::Program
                                ? countOf(count, "chosen program", "chosen programs")
                                : countOf(count, "chosen combination", "chosen combinations")));
    plan();
}

db::NameEdit ReplaceNamesWindow::edit() const {
    db::NameEdit e;
    e.mode = replaceMode_->isChecked() ? db::NameEdit::Mode::Replace : db::NameEdit::Mode::Number;
    e.find = bytesOf(find_->text());
    e.replacement = bytesOf(replacement_->text());
    e.matchCase = matchCase_->isChecked();
    e.base = bytesOf(base_->text());
    e.start = start_->value();
    return e;
}

void ReplaceNamesWindow::plan() {
    const bool replacing = replaceMode_->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{find_, replacement_, matchCase_})
        w->setEnabled(replacing);
    for (QWidget* w : std::initializer_list<QWidget*>{base_, start_})
        w->setEnabled(!replacing);
    plan_ = db::planNames(names_, edit(), &inUse_);
    changes_->setRows(static_cast<int>(plan_.changes.size()), [this](int row, int column) {
        if (row >= static_cast<int>(plan_.changes.size())) return QString();
        const db::NameChange& change = plan_.changes[static_cast<std::size_t>(row)];
        switch (column) {
            case 0:
                return QString::number(change.id);
            case 1:
                return textOf(change.oldName);
            case 2:
                return textOf(change.newName);
            default:
                return textOf(db::changeNote(change));
        }
    });
    summary_->setText(textOf(session::namesPlanSummary(plan_)));
    apply_->setEnabled(!plan_.changes.empty());
}

void ReplaceNamesWindow::applyClicked() {
    const std::string question = session::sameNamesQuestion(plan_);
    if (!question.empty()) {
        const auto answer = dialogs_.ask(this, windowTitle(), QString::fromStdString(question),
                                         {QStringLiteral("&Apply"), QStringLiteral("Cancel")});
        if (answer != 0) return;
    }
    std::optional<session::RenameResult> result;
    guarded(this, dialogs_,
            [&] { result = session::replaceInNames(session_, kind_, ids_, edit()); });
    reload();
    if (!result) return;
    const QString summary = sessionText(result->summary);
    summary_->setText(summary);
    if ((result->renamed > 0 || result->failure) && changed_) changed_(summary);
    if (result->failure) dialogs_.showError(this, windowTitle(), sessionText(*result->failure));
}

}  // namespace pelvaro::app
