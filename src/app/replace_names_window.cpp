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

// A field for a part of a name: single-byte characters, ten at most.
QLineEdit* nameField(const char* name, const QString& tip) {
    auto* edit = named(new QLineEdit, name);
    edit->setMaxLength(static_cast<int>(pcg::kNameSize));
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[\\x{1}-\\x{FF}]*")), edit));
    edit->setToolTip(tip);
    return edit;
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
    form->addRow(labelFor(QStringLiteral("&Find:"), find_), find_);
    replacement_ = nameField(names::replaceNames::kReplacement,
                             QStringLiteral("The text that takes its place (may be empty)"));
    form->addRow(labelFor(QStringLiteral("Replace &with:"), replacement_), replacement_);
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
    form->addRow(labelFor(QStringLiteral("&Base:"), base_), base_);
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
        QStringLiteral("Each name that changes; a name longer than ten characters is cut"));
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

void ReplaceNamesWindow::reload() {
    names_.clear();
    guarded(this, dialogs_, [&] { names_ = db::storedNames(session_.files(), kind_, ids_); });
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
    plan_ = db::planNames(names_, edit());
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
                return textOf(db::cutMark(change));
        }
    });
    summary_->setText(textOf(session::namesPlanSummary(plan_)));
    apply_->setEnabled(!plan_.changes.empty());
}

void ReplaceNamesWindow::applyClicked() {
    std::optional<session::RenameResult> result;
    guarded(this, dialogs_,
            [&] { result = session::replaceInNames(session_, kind_, ids_, edit()); });
    reload();
    if (!result) return;
    const QString summary = textOf(result->summary);
    summary_->setText(summary);
    if (!result->outcome.changes.empty() && changed_) changed_(summary);
}

}  // namespace pelvaro::app
