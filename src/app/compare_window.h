#pragma once
// Two sounds side by side: the fields a musician reads, the bytes that differ beyond the name
// (offset, both values in hex, whether the matching rule looks at the byte) and its verdict.
// Two pickers choose the sounds: on a database tab every entry of the kind, on a PCG tab every
// used slot of the kind, each picker narrowed by a filter box above it. The rows follow the
// session: they are read again whenever the window becomes active.

#include <QDialog>
#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>

#include "db/record_files.h"
#include "pcg/pcg_image.h"
#include "transfer/comparison.h"

class QLabel;
class QLayout;
class QLineEdit;
class QTableView;
class QTreeWidget;

namespace pelvaro::session {
class Session;
}

namespace pelvaro::app {

class PickListModel;

class CompareWindow : public QDialog {
    Q_OBJECT

  public:
    // Entries left and right of a database kind (Program or Combination).
    static CompareWindow* entries(session::Session& session, db::Kind kind, std::int32_t left,
                                  std::int32_t right, QWidget* parent);
    // The used slot `current` of a PCG kind on the left, the next used slot (or, after the
    // last, the one before) on the right.
    static CompareWindow* pcgSlots(session::Session& session, pcg::SlotKind kind, int current,
                                   QWidget* parent);

    // "Compared 5 PAD and 7 PAD CAFÉ: identical apart from the name", for the status line.
    QString summary() const;

  public slots:
    void refresh();

  protected:
    bool event(QEvent* event) override;

  private:
    // What the pickers offer and how two of them compare.
    struct Source {
        QString title;
        QString filterTip;
        QString filterHint;  // shown in the empty filter box
        // The keys (entry IDs or slots) a filter text leaves, put into the model.
        std::function<void(PickListModel& model, const QString& filter)> fill;
        std::function<QString(std::int32_t key)> label;
        std::function<transfer::Comparison(std::int32_t left, std::int32_t right)> compare;
    };
    struct Side {
        QLineEdit* filter = nullptr;
        QTableView* list = nullptr;
        PickListModel* model = nullptr;
        std::int32_t key = 0;  // the sound shown, also while the filter leaves no row
    };

    CompareWindow(Source source, std::int32_t left, std::int32_t right, QWidget* parent);
    QLayout* buildSide(Side& side, const QString& caption, const char* filterName,
                       const char* listName, const QString& which);
    // The rows of the sides for their filter texts, then the comparison.
    void reread(std::initializer_list<Side*> sides);
    void reread();
    // A side's rows: its sound stays when a row shows it, else the first row's is taken.
    void fill(Side& side);
    // A file that fails while the window reads: said where the verdict stands.
    void showFailure(const std::exception& e);

    Source source_;
    std::array<Side, 2> sides_;
    bool filling_ = false;
    QTreeWidget* fields_ = nullptr;
    QTreeWidget* bytes_ = nullptr;
    QLabel* verdict_ = nullptr;
};

}  // namespace pelvaro::app
