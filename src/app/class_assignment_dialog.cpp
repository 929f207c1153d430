#include "app/class_assignment_dialog.h"
#include "app/control_names.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

#include "app/dialogs.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "session/commands.h"

namespace pelvaro::app {

namespace {
// The row the user chose: the current row, when it is selected.
int chosenRow(const QListWidget* list) {
    const QListWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? list->currentRow() : -1;
}

void fill(QListWidget* list, const std::vector<std::string>& lines) {
    list->clear();
    for (const std::string& line : lines)
        list->addItem(textOf(line));
}

// A line of the available classes: the class's path, made only when the list shows it, so a
// class file of thousands of deep classes opens at once.
class ClassPathItem : public QListWidgetItem {
  public:
    ClassPathItem(const classes::ClassAssignment& assignment, int row)
        : assignment_(assignment), row_(row) {}
    QVariant data(int role) const override {
        if (role != Qt::DisplayRole) return QListWidgetItem::data(role);
        const std::string_view path = assignment_.availablePath(row_);
        return textOf(std::string(path));
    }

  private:
    const classes::ClassAssignment& assignment_;
    int row_;
};
}  // namespace

ClassAssignmentDialog::ClassAssignmentDialog(session::Session& session, Dialogs& dialogs,
                                             std::function<void()> closed, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      session_(session),
      dialogs_(dialogs),
      closed_(std::move(closed)) {
    setObjectName(QLatin1String(names::classDialog::kWindow));
    setWindowTitle(QStringLiteral("Edit Classes"));
    setFixedSize(374, 269);

    auto* heading =
        named(new QLabel(QStringLiteral("Select Classes"), this), names::classDialog::kHeading);
    heading->setGeometry(8, 6, 200, 20);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    named(new QLabel(QStringLiteral("(Max 9 Classes)"), this), names::classDialog::kLimit)
        ->setGeometry(120, 6, 200, 20);
    named(new QLabel(QStringLiteral("Avaible Classes"), this), names::classDialog::kAvailableLabel)
        ->setGeometry(8, 30, 150, 18);
    named(new QLabel(QStringLiteral("Selected Classes"), this), names::classDialog::kSelectedLabel)
        ->setGeometry(208, 30, 150, 18);
    available_ = named(new QListWidget(this), names::classDialog::kAvailable);
    available_->setSelectionMode(QAbstractItemView::SingleSelection);
    available_->setUniformItemSizes(true);  // lines are never measured one by one
    available_->setGeometry(8, 50, 158, 170);
    available_->setToolTip(QStringLiteral("Classes the entry can be given"));
    available_->setAccessibleName(QStringLiteral("Avaible Classes"));
    selected_ = named(new QListWidget(this), names::classDialog::kSelected);
    selected_->setSelectionMode(QAbstractItemView::SingleSelection);
    selected_->setGeometry(208, 50, 158, 170);
    selected_->setToolTip(QStringLiteral("The classes the entry will have"));
    selected_->setAccessibleName(QStringLiteral("Selected Classes"));
    auto* add = named(new QPushButton(QStringLiteral(">"), this), names::classDialog::kAdd);
    add->setGeometry(172, 90, 30, 26);
    add->setToolTip(QStringLiteral("Give the entry the chosen class"));
    auto* remove = named(new QPushButton(QStringLiteral("<"), this), names::classDialog::kRemove);
    remove->setGeometry(172, 130, 30, 26);
    remove->setToolTip(QStringLiteral("Take the chosen class off the entry"));
    auto* ok = named(new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                                     QStringLiteral("OK"), this),
                     names::classDialog::kOk);
    ok->setGeometry(148, 232, 80, 28);
    ok->setDefault(true);
    ok->setToolTip(QStringLiteral("Store the classes and close"));

    connect(add, &QPushButton::clicked, this, &ClassAssignmentDialog::addClicked);
    connect(remove, &QPushButton::clicked, this, &ClassAssignmentDialog::removeClicked);
    connect(ok, &QPushButton::clicked, this, &ClassAssignmentDialog::okClicked);
}

void ClassAssignmentDialog::prepare(db::Kind kind, std::int32_t entry,
                                    const std::vector<std::int32_t>& selected) {
    assignment_.load(session_.files(), kind, entry, selected);
    available_->clear();
    for (int row = 0; row < assignment_.availableCount(); ++row)
        available_->addItem(new ClassPathItem(assignment_, row));
    showSelectedLines();
}

void ClassAssignmentDialog::showSelectedLines() {
    fill(selected_, assignment_.selectedLines());
}

void ClassAssignmentDialog::addClicked() {
    if (assignment_.addChosenClass(chosenRow(available_))) showSelectedLines();
}

void ClassAssignmentDialog::removeClicked() {
    if (assignment_.removeChosenSlot(chosenRow(selected_))) showSelectedLines();
}

void ClassAssignmentDialog::okClicked() {
    guarded(this, dialogs_, [&] { session::assignClasses(session_, assignment_); });
    accept();
}

void ClassAssignmentDialog::done(int result) {
    // Every closing (OK, the close box, Escape) hides the dialog and refreshes the main window.
    QDialog::done(result);
    hide();
    if (closed_) closed_();
}

}  // namespace pelvaro::app
