#include "app/pcg_page.h"

#include <QAction>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/widgets.h"
#include "app/window_text.h"
#include "pcg/pcg_lists.h"

namespace pelvaro::app {

const names::PcgPageNames& PcgPage::names() const {
    return kind_ == pcg::SlotKind::Program ? names::kPcgProgramsPage : names::kPcgCombinationsPage;
}

PcgPage::PcgPage(pcg::SlotKind kind, QWidget* parent) : QWidget(parent), kind_(kind) {
    const bool programs = kind == pcg::SlotKind::Program;
    setObjectName(QLatin1String(names().page));
    auto* column = new QVBoxLayout(this);
    auto* group = named(new QGroupBox(QStringLiteral("Bank")), names().bankGroup);
    banks_ = new QButtonGroup(group);
    auto* row = new QHBoxLayout(group);
    for (int i = 0; i < 2; ++i) {
        auto* button =
            named(new QRadioButton(i == 0 ? QStringLiteral("A") : QStringLiteral("B"), group),
                  i == 0 ? names().bankA : names().bankB);
        button->setToolTip(QStringLiteral("Show bank %1").arg(button->text()));
        button->setAccessibleName(QStringLiteral("Bank %1").arg(button->text()));
        banks_->addButton(button, i);
        row->addWidget(button);
    }
    banks_->button(0)->setChecked(true);
    row->addStretch(1);
    connect(banks_, &QButtonGroup::idClicked, this, &PcgPage::bankChanged);
    column->addWidget(group);

    list_ = named(new QListWidget, names().list);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    QFont font = list_->font();
    font.setStyleHint(QFont::Monospace);
    font.setFamily(QStringLiteral("monospace"));
    list_->setFont(font);
    for (int i = 0; i < pcg::kBankSize; ++i)
        list_->addItem(QString());
    list_->setAccessibleName(programs ? QStringLiteral("Program slots of the PCG")
                                      : QStringLiteral("Combination slots of the PCG"));
    list_->setToolTip(programs ? QStringLiteral("The program slots of the PCG's bank")
                               : QStringLiteral("The combination slots of the PCG's bank"));
    column->addWidget(list_, 1);
    connect(list_, &QListWidget::currentRowChanged, this, &PcgPage::currentSlotChanged);
    if (programs) {
        // Right-click on a program line: the combinations of the PCG that play it.
        list_->setContextMenuPolicy(Qt::ActionsContextMenu);
        auto* usedBy = new QAction(QStringLiteral("&Used By"), list_);
        usedBy->setObjectName(QLatin1String(names::kUsedBy));
        usedBy->setToolTip(QStringLiteral("The combinations of the PCG that play this program"));
        connect(usedBy, &QAction::triggered, this, &PcgPage::usedByRequested);
        list_->addAction(usedBy);
    }
}

int PcgPage::bank() const {
    return banks_->checkedId() == 0 ? 0 : 1;
}

void PcgPage::setBank(int bank) {
    banks_->button(bank == 0 ? 0 : 1)->setChecked(true);
}

void PcgPage::setLines(const std::vector<std::string>& lines) {
    for (int i = 0; i < pcg::kBankSize; ++i)
        list_->item(i)->setText(textOf(lines[static_cast<std::size_t>(i)]));
}

int PcgPage::currentSlot() const {
    const int line = list_->currentRow();
    return line < 0 ? -1 : pcg::slotOf(bank(), line);
}

void PcgPage::setCurrentLine(int line) {
    list_->setCurrentRow(line);
}

void PcgPage::showUsedBy(const pcg::PcgState& pcg) {
    const int slot = currentSlot();
    if (slot < 0) return;
    auto* menu = new QMenu(this);
    menu->setObjectName(QLatin1String(names::kUsedByList));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const std::vector<int> players = pcg::combinationsPlaying(pcg, slot);
    if (players.empty())
        menu->addAction(QStringLiteral("No combination plays %1").arg(textOf(pcg::slotName(slot))))
            ->setEnabled(false);
    for (const int combination : players) {
        QAction* go = menu->addAction(
            textOf(pcg::pcgListLine(pcg, pcg::SlotKind::Combination, combination / pcg::kBankSize,
                                    combination % pcg::kBankSize)));
        go->setToolTip(QStringLiteral("Show this combination"));
        connect(go, &QAction::triggered, this,
                [this, combination] { emit combinationChosen(combination); });
    }
    menu->setToolTipsVisible(true);
    const QRect line = list_->visualItemRect(list_->currentItem());
    menu->popup(list_->viewport()->mapToGlobal(line.bottomLeft()));
}

std::vector<QWidget*> PcgPage::tabChain() const {
    return {banks_->button(0), banks_->button(1), list_};
}

}  // namespace pelvaro::app
