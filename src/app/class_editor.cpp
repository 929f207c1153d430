#include "app/class_editor.h"
#include "app/control_names.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "app/dialogs.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "classes/class_table.h"
#include "session/commands.h"

namespace pelvaro::app {

ClassEditor::ClassEditor(session::Session& session, Dialogs& dialogs, std::function<void()> closed,
                         QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      session_(session),
      dialogs_(dialogs),
      closed_(std::move(closed)) {
    setObjectName(QLatin1String(names::classEditor::kWindow));
    setWindowTitle(QStringLiteral("Edit Classes"));
    resize(449, 300);
    setMinimumSize(449, 300);

    tree_ = named(new QTreeWidget(this), names::classEditor::kTree);
    tree_->setHeaderHidden(true);
    tree_->setIndentation(19);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setGeometry(8, 8, 200, 284);
    tree_->setToolTip(QStringLiteral("The classes of the database; a class lies below its parent"));
    tree_->setAccessibleName(QStringLiteral("Classes"));

    // The fields on the right, in a column of their own that follows the window's right edge.
    rightColumn_ = new QWidget(this);
    rightColumn_->setGeometry(216, 0, 233, 300);
    QWidget* const column = rightColumn_;
    const auto place = [](QWidget* w, int x, int y, int width, int height) {
        w->setGeometry(x - 216, y, width, height);
    };
    auto* frame = named(new QFrame(column), names::classEditor::kFrame);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    place(frame, 216, 8, 225, 168);
    place(named(new QLabel(QStringLiteral("Class Name:"), column), names::classEditor::kNameLabel),
          224, 14, 200, 20);
    className_ = named(new QLineEdit(column), names::classEditor::kClassName);
    place(className_, 224, 34, 209, 24);
    className_->setToolTip(QStringLiteral("The name of the class to add"));
    className_->setAccessibleName(QStringLiteral("Class Name"));
    place(named(new QLabel(QStringLiteral("Parent Class:"), column),
                names::classEditor::kParentLabel),
          224, 62, 200, 20);
    parentChoice_ =
        named(new QComboBox(column), names::classEditor::kParent);  // pick from the list only
    place(parentChoice_, 224, 82, 209, 24);
    parentChoice_->setToolTip(QStringLiteral("The class the new class lies below"));
    parentChoice_->setAccessibleName(QStringLiteral("Parent Class"));
    addButton_ = named(new QPushButton(QStringLiteral("Add Class To Database"), column),
                       names::classEditor::kAdd);
    place(addButton_, 224, 114, 209, 28);
    addButton_->setEnabled(false);
    addButton_->setToolTip(QStringLiteral("Add the class named above below its parent"));
    fullLabel_ = named(new QLabel(column), names::classEditor::kFull);
    place(fullLabel_, 224, 146, 209, 24);
    fullLabel_->setWordWrap(true);

    deleteButton_ =
        named(new QPushButton(QStringLiteral("Delete"), column), names::classEditor::kDelete);
    place(deleteButton_, 224, 184, 209, 28);
    deleteButton_->setToolTip(
        QStringLiteral("Delete the chosen class; entries and classes below it lose it"));
    auto* importButton = named(new QPushButton(QStringLiteral("Import Classes"), column),
                               names::classEditor::kImport);
    place(importButton, 224, 220, 209, 28);
    importButton->setEnabled(false);
    importButton->setToolTip(QStringLiteral("Not available"));
    auto* saveButton =
        named(new QPushButton(QStringLiteral("Save Classes"), column), names::classEditor::kSave);
    place(saveButton, 224, 256, 209, 28);
    saveButton->setEnabled(false);
    saveButton->setToolTip(QStringLiteral("Not available"));

    connect(className_, &QLineEdit::textChanged, this, &ClassEditor::updateAddButton);
    connect(parentChoice_, &QComboBox::currentIndexChanged, this, &ClassEditor::updateAddButton);
    connect(addButton_, &QPushButton::clicked, this, &ClassEditor::addClicked);
    connect(deleteButton_, &QPushButton::clicked, this, &ClassEditor::deleteClicked);
}

void ClassEditor::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    tree_->setGeometry(8, 8, width() - 249, height() - 16);
    rightColumn_->move(width() - 233, 0);
}

void ClassEditor::refreshClassEditor() {
    const classes::ClassEditorContent content = classes::classEditorContent(session_.files());
    parentChoice_->clear();
    for (const std::string& item : content.parentChoices)
        parentChoice_->addItem(textOf(item));
    parentChoice_->setCurrentIndex(-1);

    tree_->clear();
    std::vector<QTreeWidgetItem*> items;
    for (const classes::ClassNode& node : content.nodes) {
        const QStringList text{textOf(node.name)};
        auto* item = node.parentNode < 0 ? new QTreeWidgetItem(tree_, text)
                                         : new QTreeWidgetItem(items[node.parentNode], text);
        // The node keeps its class number, so the selected node names the class to delete.
        item->setData(0, Qt::UserRole, node.classId);
        items.push_back(item);
    }
    tree_->expandAll();
    fullLabel_->setText(content.full ? QStringLiteral("127 classes: no more can be added.")
                                     : QString());
    updateAddButton();
}

void ClassEditor::updateAddButton() {
    addButton_->setEnabled(classes::canAddClass(session_.files(), bytesOf(className_->text()),
                                                parentChoice_->currentIndex()));
}

void ClassEditor::addClicked() {
    // A file error is shown like every other handler's; the tree then shows what the class
    // file holds.
    guarded(this, dialogs_, [&] {
        session::addClass(session_, bytesOf(className_->text()), parentChoice_->currentIndex());
    });
    guarded(this, dialogs_, [&] { refreshClassEditor(); });
    className_->clear();
    parentChoice_->setCurrentIndex(-1);
    updateAddButton();
}

void ClassEditor::deleteClicked() {
    const QTreeWidgetItem* selected = tree_->currentItem();
    if (selected && selected->isSelected()) {
        const int classId = selected->data(0, Qt::UserRole).toInt();
        guarded(this, dialogs_, [&] {
            const classes::ClassDeletion result = session::deleteClass(session_, classId);
            for (const io::Refusal& refusal : result.refusals)
                dialogs_.showError(this, QString::fromStdString(refusal.caption),
                                   QString::fromStdString(refusal.text));
        });
    }
    guarded(this, dialogs_, [&] { refreshClassEditor(); });
}

void ClassEditor::done(int result) {
    // Every closing (the close box, Escape) hides the editor and refreshes the main window.
    QDialog::done(result);
    hide();
    if (closed_) closed_();
}

}  // namespace pelvaro::app
