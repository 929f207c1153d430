#pragma once
// The report of "Merge Database": every database with the programs, combinations and drum kits
// it brought that were new and those already stored, and the classes it made, with what did
// not come in whole below it, or why it was skipped; then the totals. It can be copied as text
// and saved as CSV.

#include "app/report_window.h"
#include "session/merge_databases.h"

namespace pelvaro::app {

class MergeReport : public ReportWindow {
    Q_OBJECT

  public:
    MergeReport(const session::MergeOutcome& merged, Dialogs& dialogs, Settings& settings,
                QWidget* parent = nullptr);
};

}  // namespace pelvaro::app
