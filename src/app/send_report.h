#pragma once
// The report of "Send PCG Files to Database": every file with the programs, combinations and
// drum kits it brought that were new and those already stored, or why it was skipped, then the
// totals. It can be copied as text and saved as CSV.

#include <vector>

#include "app/report_window.h"
#include "session/batch_send.h"

namespace pelvaro::app {

class SendReport : public ReportWindow {
    Q_OBJECT

  public:
    SendReport(const std::vector<session::FileReport>& lines, const session::BatchTotals& totals,
               bool cancelled, Dialogs& dialogs, Settings& settings, QWidget* parent = nullptr);
};

}  // namespace pelvaro::app
