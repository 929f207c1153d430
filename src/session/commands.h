#pragma once
// The commands of the menus and buttons, for the window and for pelvaro-cli alike. Each command
// that changes the database or the PCG opens its own undo step, named as the menu names it, does
// its work through the core and returns what happened: the status bar's line on it and, for the
// commands that report what they could not do, the event list. A command that leaves every byte
// as it was leaves no step behind.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "classes/class_assignment.h"
#include "classes/class_table.h"
#include "db/event_lines.h"
#include "db/listing.h"
#include "db/row_choice.h"
#include "io/refusal.h"
#include "session/outcome.h"
#include "session/session.h"

namespace pelvaro::session {

// --- Edit menu
// "Send To PCG": the entries of one kind, in the order given (the chosen rows).
Outcome sendToPcg(Session& session, db::Kind kind, const std::vector<std::int32_t>& ids);
// "Send To Database": the slot of a PCG tab.
Outcome sendSlotToDatabase(Session& session, pcg::SlotKind kind, int slot);
// "Delete" on a database tab: the entries of one kind; on a PCG tab: one slot emptied.
Outcome deleteEntries(Session& session, db::Kind kind, const std::vector<std::int32_t>& ids);
Outcome emptySlot(Session& session, pcg::SlotKind kind, int slot);
// "Undo" and "Redo" of the last step (nothing when there is none).
Outcome undo(Session& session);
Outcome redo(Session& session);

// --- Database tabs
// Submit of an edited name and explanation (the memo's text).
Outcome submitEntry(Session& session, db::Kind kind, std::int32_t id, std::string_view name,
                    std::string_view memo);
// The class assignment dialog's OK.
void assignClasses(Session& session, const classes::ClassAssignment& assignment);
// The class editor's buttons.
std::int32_t addClass(Session& session, std::string_view name, int parentChoice);
classes::ClassDeletion deleteClass(Session& session, std::int32_t classId);

// Search: the rows of the searched list, the line that names what was searched for ("Found 12
// of 1,234 programs: name pad", "Showing all 3 programs"), or the message that stops it with the
// lists left as they were. className: the chosen class item's text, for the line. The line
// counts the rows the searched list shows under its choice of marks and order (`shown`); a
// choice that leaves rows out is named in it ("Found 9 of 12 programs: all but hidden").
struct Search {
    db::ListRefill rows;
    std::vector<std::int32_t> shown;
    std::string summary;
    std::optional<std::string> error;
};
Search searchPrograms(Session& session, const db::ProgramSearchFields& fields,
                      std::string_view className, const db::RowChoice& choice = {});
Search searchCombinations(Session& session, const db::CombinationSearchFields& fields,
                          std::string_view className, const db::RowChoice& choice = {});
// The rows a list shows of the rows a refill gave it (ascending IDs), under its choice.
std::vector<std::int32_t> shownRows(Session& session, db::Kind kind, std::vector<std::int32_t> rows,
                                    const db::RowChoice& choice);

// --- Pcg menu
// What of the PCG a whole send takes.
enum class PcgPart { Everything, Programs, Combinations };
// "Send PCG to Database", "Send Only Programs of PCG", "Send Only Combinations of PCG", the
// progress stepped once per slot. A failing disk stops the send: the account tells what was
// stored before it, and `failure` the error.
Outcome sendPcgToDatabase(Session& session, PcgPart part, const transfer::Progress& progress);
Outcome importPcg(Session& session, const std::string& path);
Outcome newPcg(Session& session);
Outcome exportPcg(Session& session, const std::string& chosen);

// --- File menu
Outcome newDatabase(Session& session);
Outcome openDatabase(Session& session, const std::string& path);
// A recovery copy (its ".pvd", or its ".pcg" when it keeps a PCG alone) brought back: its
// database opened under the name of the database it came from, its PCG put back under the name
// of the file it was imported from ("Recover Pcg", a step of its own). A copy gone, or a file of
// it that fails, is the outcome's failure (the database may be open already when its PCG fails).
Outcome openRecoveryCopy(Session& session, const std::string& path);
// The event line that says where work that would have been lost was kept.
std::string keptCopyLine(const RecoveryCopy& kept);
// Exit: the work of the run kept as a recovery copy (Session::endRun) and where it went. A copy
// that cannot be saved throws its io::FileError, which then also says that the working files
// stay for the next start.
Outcome exitProgram(Session& session);
// The question to ask before files given from outside replace work that would otherwise need a
// recovery copy: a database opened over a changed one, a PCG imported over a changed one.
// opened: the databases (".pvd") to open and the PCG to import, in the order they are taken.
// Nothing when no work would be replaced.
std::optional<std::string> replacedWorkQuestion(const Session& session,
                                                const std::vector<std::string>& opened);
Outcome exportDatabase(Session& session, const std::string& chosen);

}  // namespace pelvaro::session
