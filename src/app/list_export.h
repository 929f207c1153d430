#pragma once
// Export List: the list of the tab in front written as CSV or as a page to print.

#include <QString>
#include <optional>

class QWidget;

namespace pelvaro::session {
class Session;
}

namespace pelvaro::app {

class DatabasePage;
class Dialogs;
class PcgPage;
class Settings;

// Asks for the file (a name's own extension decides the format, else the type chosen), asks
// before replacing one, and writes the list of the database page or, when it is null, of the
// PCG page. Returns the line for the status bar, or nothing when the user cancelled.
std::optional<QString> exportShownList(QWidget* parent, Dialogs& dialogs, Settings& settings,
                                       const session::Session& session,
                                       const DatabasePage* databasePage, const PcgPage* pcgPage);

}  // namespace pelvaro::app
