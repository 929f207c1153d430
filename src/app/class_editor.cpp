#include "app/class_editor.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "app/dialogs.h"
#include "app/widgets.h"
#include "classes/class_table.h"

namespace pelvaro::app {

TForm2::TForm2(db::RecordFiles& files, Dialogs& dialogs, std::function<void()> closed,
               QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      files_(files),
      dialogs_(dialogs),
      closed_(std::move(closed)) {
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(QStringLiteral("Edit Classes"));
    resize(449, 300);

    TreeView1 = named(new QTreeWidget(this), "TreeView1");
    TreeView1->setHeaderHidden(true);
    TreeView1->setIndentation(19);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setGeometry(8, 8, 200, 284);

    Bevel1 = named(new QFrame(this), "Bevel1");
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(216, 8, 225, 168);
    Label2 = named(new QLabel(QStringLiteral("Class Name:"), this), "Label2");
    Label2->setGeometry(224, 14, 200, 20);
    ClassName = named(new QLineEdit(this), "ClassName");
    ClassName->setGeometry(224, 34, 209, 24);
    Label1 = named(new QLabel(QStringLiteral("Parent Class:"), this), "Label1");
    Label1->setGeometry(224, 62, 200, 20);
    ComboBox1 = named(new QComboBox(this), "ComboBox1");  // pick from the list only
    ComboBox1->setGeometry(224, 82, 209, 24);
    Button1 = named(new QPushButton(QStringLiteral("Add Class To Database"), this), "Button1");
    Button1->setGeometry(224, 114, 209, 28);
    Button1->setEnabled(false);
    FullLabel = named(new QLabel(this), "FullLabel");
    FullLabel->setGeometry(224, 146, 209, 24);
    FullLabel->setWordWrap(true);

    Button2 = named(new QPushButton(QStringLiteral("Delete"), this), "Button2");
    Button2->setGeometry(224, 184, 209, 28);
    Button3 = named(new QPushButton(QStringLiteral("Import Classes"), this), "Button3");
    Button3->setGeometry(224, 220, 209, 28);
    Button3->setEnabled(false);
    Button4 = named(new QPushButton(QStringLiteral("Save Classes"), this), "Button4");
    Button4->setGeometry(224, 256, 209, 28);
    Button4->setEnabled(false);

    connect(ClassName, &QLineEdit::textChanged, this, &TForm2::ComboBox1Change);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TForm2::ComboBox1Change);
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
}

void TForm2::refreshClassEditor() {
    const classes::ClassEditorContent content = classes::refreshClassEditor(files_);
    ComboBox1->clear();
    for (const std::string& item : content.comboItems)
        ComboBox1->addItem(QString::fromLatin1(item));
    ComboBox1->setCurrentIndex(-1);

    TreeView1->clear();
    classNodes.assign(content.nodes.size(), nullptr);
    std::vector<QTreeWidgetItem*> items;
    for (const classes::ClassNode& node : content.nodes) {
        const QStringList text{QString::fromLatin1(node.name)};
        auto* item = node.parentNode < 0 ? new QTreeWidgetItem(TreeView1, text)
                                         : new QTreeWidgetItem(items[node.parentNode], text);
        item->setData(0, Qt::UserRole, node.classId);
        items.push_back(item);
        if (node.classId >= 0 && static_cast<std::size_t>(node.classId) < classNodes.size())
            classNodes[node.classId] = item;
    }
    TreeView1->expandAll();
    FullLabel->setText(content.full ? QStringLiteral("127 classes: no more can be added.")
                                    : QString());
    ComboBox1Change();
}

void TForm2::ComboBox1Change() {
    Button1->setEnabled(classes::addButtonEnabled(
        files_, ClassName->text().toLatin1().toStdString(), ComboBox1->currentIndex()));
}

void TForm2::Button1Click() {
    // A file error is shown like every other handler's; the tree then shows what the class
    // file holds.
    guarded(this, dialogs_, [&] {
        classes::addClass(files_, ClassName->text().toLatin1().toStdString(),
                          ComboBox1->currentIndex());
    });
    guarded(this, dialogs_, [&] { refreshClassEditor(); });
    ClassName->clear();
    ComboBox1->setCurrentIndex(-1);
    ComboBox1Change();
}

void TForm2::Button2Click() {
    const QTreeWidgetItem* selected = TreeView1->currentItem();
    if (selected && selected->isSelected()) {
        const int classId = selected->data(0, Qt::UserRole).toInt();
        guarded(this, dialogs_, [&] {
            const classes::ClassDeletion result = classes::deleteClass(files_, classId);
            for (const db::Refusal& refusal : result.refusals)
                dialogs_.showError(this, QString::fromLatin1(refusal.caption),
                                   QString::fromLatin1(refusal.text));
        });
    }
    guarded(this, dialogs_, [&] { refreshClassEditor(); });
}

void TForm2::done(int result) {
    QDialog::done(result);
    FormDestroy();
}

void TForm2::FormDestroy() {
    hide();
    if (closed_) closed_();
}

}  // namespace pelvaro::app
