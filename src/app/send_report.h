#pragma once
// The report of "Send PCG Files to Database": every file with the programs, combinations and
// drum kits it brought that were new and those already stored, or why it was skipped, then the
// totals. It can be copied as text and saved as CSV.

#include <QDialog>
#include <vector>

#include "session/batch_send.h"

class QLabel;
class QTreeWidget;

namespace pelvaro::app {

class Dialogs;
class Settings;

class SendReport : public QDialog {
    Q_OBJECT

  public:
    SendReport(std::vector<session::FileReport> lines, const session::BatchTotals& totals,
               bool cancelled, Dialogs& dialogs, Settings& settings, QWidget* parent = nullptr);

  public slots:
    void copyClicked();
    void saveClicked();

  private:
    std::vector<session::FileReport> lines_;
    session::BatchTotals totals_;
    Dialogs& dialogs_;
    Settings& settings_;
};

}  // namespace pelvaro::app
