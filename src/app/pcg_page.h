#pragma once
// A PCG tab: the bank selector ("A" or "B") above the list of the bank's 100 slots of one kind,
// and below it a line on the current slot, whole in its tooltip: the combinations that play the
// program, or what each timbre of the combination plays. Built once for the programs and once
// for the combinations.

#include <QWidget>
#include <string>
#include <vector>

#include "app/control_names.h"
#include "pcg/pcg_image.h"

class QButtonGroup;
class QListWidget;

namespace pelvaro::app {

class ElidedLabel;

class PcgPage : public QWidget {
    Q_OBJECT

  public:
    // The page shows `pcg`, as it stands whenever its lines are set.
    PcgPage(pcg::SlotKind kind, const pcg::PcgState& pcg, QWidget* parent = nullptr);

    pcg::SlotKind kind() const { return kind_; }
    const names::PcgPageNames& names() const;
    QListWidget* list() const { return list_; }

    // 0 for bank A, 1 for bank B.
    int bank() const;
    void setBank(int bank);
    // The lines of the shown bank, replaced in place so the current line stays where it was;
    // the line on the current slot with them.
    void setLines(const std::vector<std::string>& lines);
    // The slot number (0-199) of the current line, or -1.
    int currentSlot() const;
    void setCurrentLine(int line);

    // Pops up, under the current program line, the combinations of the PCG that play it; one
    // chosen is reported by combinationChosen.
    void showUsedBy(const pcg::PcgState& pcg);

    // The page's controls in the order Tab visits them.
    std::vector<QWidget*> tabChain() const;

  signals:
    void bankChanged();
    void currentSlotChanged();
    // Used By was chosen on a program line (programs only).
    void usedByRequested();
    // A combination of the used-by menu was chosen: its slot (0-199).
    void combinationChosen(int slot);

  private:
    void showWhereUsed();

    pcg::SlotKind kind_;
    const pcg::PcgState& pcg_;
    QButtonGroup* banks_;
    QListWidget* list_;
    ElidedLabel* whereUsed_;
};

}  // namespace pelvaro::app
