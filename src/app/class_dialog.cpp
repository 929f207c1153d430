#include "app/class_dialog.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

#include "app/dialogs.h"
#include "app/widgets.h"

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
        list->addItem(QString::fromLatin1(line));
}
}  // namespace

TForm4::TForm4(db::RecordFiles& files, Dialogs& dialogs, std::function<void()> closed,
               QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      files_(files),
      dialogs_(dialogs),
      closed_(std::move(closed)) {
    setObjectName(QStringLiteral("TForm4"));
    setWindowTitle(QStringLiteral("Edit Classes"));
    setFixedSize(374, 269);

    Label1 = named(new QLabel(QStringLiteral("Select Classes"), this), "Label1");
    Label1->setGeometry(8, 6, 200, 20);
    QFont heading = Label1->font();
    heading.setBold(true);
    Label1->setFont(heading);
    Label2 = named(new QLabel(QStringLiteral("(Max 9 Classes)"), this), "Label2");
    Label2->setGeometry(120, 6, 200, 20);
    Label3 = named(new QLabel(QStringLiteral("Avaible Classes"), this), "Label3");
    Label3->setGeometry(8, 30, 150, 18);
    Label4 = named(new QLabel(QStringLiteral("Selected Classes"), this), "Label4");
    Label4->setGeometry(208, 30, 150, 18);
    Avaible = named(new QListWidget(this), "Avaible");
    Avaible->setSelectionMode(QAbstractItemView::SingleSelection);
    Avaible->setGeometry(8, 50, 158, 170);
    Selected = named(new QListWidget(this), "Selected");
    Selected->setSelectionMode(QAbstractItemView::SingleSelection);
    Selected->setGeometry(208, 50, 158, 170);
    Button1 = named(new QPushButton(QStringLiteral(">"), this), "Button1");
    Button1->setGeometry(172, 90, 30, 26);
    Button2 = named(new QPushButton(QStringLiteral("<"), this), "Button2");
    Button2->setGeometry(172, 130, 30, 26);
    BitBtn1 = named(new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                                    QStringLiteral("OK"), this),
                    "BitBtn1");
    BitBtn1->setGeometry(148, 232, 80, 28);
    BitBtn1->setDefault(true);

    connect(Button1, &QPushButton::clicked, this, &TForm4::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm4::Button2Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm4::BitBtn1Click);
}

void TForm4::prepareClassDialog(db::Kind kind, std::int32_t entry,
                                const std::vector<std::int32_t>& selected) {
    model_.prepareClassDialog(files_, kind, entry, selected);
    fill(Avaible, model_.avaibleLines());
    showLines();
}

void TForm4::showLines() {
    fill(Selected, model_.selectedLines());
}

void TForm4::Button1Click() {
    if (model_.addChosenClass(chosenRow(Avaible))) showLines();
}

void TForm4::Button2Click() {
    if (model_.removeChosenSlot(chosenRow(Selected))) showLines();
}

void TForm4::BitBtn1Click() {
    guarded(this, dialogs_, [&] { model_.writeClasses(files_); });
    accept();
}

void TForm4::done(int result) {
    QDialog::done(result);
    FormDeactivate();
}

void TForm4::FormDeactivate() {
    hide();
    if (closed_) closed_();
}

}  // namespace pelvaro::app
