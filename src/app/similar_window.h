#pragma once
// "Find Similar": the other entries of one kind nearest to the one the user has chosen, nearest
// first, each with how many compared bytes differ and which parameters those are. Choosing a
// row (double-click, Enter, "Compare") opens the Compare window on the pair. Changes nothing.

#include <QDialog>
#include <cstdint>
#include <functional>

#include "db/record_files.h"

class QLabel;
class QSpinBox;
class QTreeWidget;

namespace pelvaro::session {
class Session;
}

namespace pelvaro::app {

class BusyWindow;
class Dialogs;

class SimilarWindow : public QDialog {
    Q_OBJECT

  public:
    // The controls' object names.
    // How many entries are listed at first.
    static constexpr int kDefaultShown = 50;

    // Opens the Compare window on two entries of a kind (the chosen one first).
    using ComparePair = std::function<void(db::Kind, std::int32_t, std::int32_t)>;
    SimilarWindow(session::Session& session, Dialogs& dialogs, db::Kind kind, std::int32_t id,
                  ComparePair comparePair, QWidget* parent = nullptr);

  public slots:
    // Finds the nearest entries again, as many as "Show:" says.
    void refresh();
    // Opens the Compare window on the chosen entry and the current row's.
    void compareChosen();

  private:
    session::Session& session_;
    Dialogs& dialogs_;
    db::Kind kind_;
    std::int32_t id_;
    ComparePair comparePair_;
    BusyWindow* busy_;
    QLabel* heading_;
    QSpinBox* shown_;
    QTreeWidget* list_;
};

}  // namespace pelvaro::app
