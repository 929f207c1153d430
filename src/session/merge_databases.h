#pragma once
// "Merge Database": the entries of other databases brought into the open one, with what they
// carry (transfer/database_merge.h), as one command and one step of Undo ("Merge Database").
// A database that cannot be read, is damaged, or is the open database's own working files is
// skipped with its reason and the others go on; a failing disk stops the merge with what was
// merged before it kept, which Undo takes back whole.

#include <optional>
#include <string>
#include <vector>

#include "db/event_lines.h"
#include "session/batch_send.h"
#include "session/session.h"
#include "session/summaries.h"
#include "transfer/database_merge.h"

namespace pelvaro::session {

// One line of the report: a database merged, or skipped and why. Texts are UTF-8.
struct MergeReport {
    std::string path{};
    std::string skipped{};  // empty for a database that was merged
    // Per kind its entries (sent) and those that were new here (fresh).
    SendCounts counts{};
    std::vector<std::string> classesCreated{};  // their paths here, in the order they were made
    // What did not come in whole: classes without room, explanations cut, classes an entry had
    // no room for.
    std::vector<std::string> notes{};
    // Where its entries went (its ID -> the ID here), for what follows them.
    transfer::EntryMapping ids{};
    bool merged() const { return skipped.empty(); }
};

struct MergeTotals {
    std::int32_t databases = 0;
    std::int32_t skipped = 0;
    SendCounts counts;
    std::int32_t classesCreated = 0;
};

struct MergeOutcome {
    std::vector<MergeReport> lines;  // every database given, in order, up to a failure
    MergeTotals totals;
    std::string summary;    // the status line: the report's totals line
    db::EventLines events;  // the event list: each database and its notes (reportEvents)
    // A failing file stopped the merge (io::FileError's text); what the lines tell was merged
    // and stays merged.
    std::optional<std::string> failure;
};

// Merges the databases (".pvd" files) in the order given.
MergeOutcome mergeDatabases(Session& session, const std::vector<std::string>& databases);

MergeTotals totalsOf(const std::vector<MergeReport>& lines);
// The report as text: a line per database with its notes below it, then the totals.
std::string mergeReportText(const std::vector<MergeReport>& lines, const MergeTotals& totals);
// The report as CSV (RFC 4180): a header, a row per PCG file sent (`files`, when databases are
// merged beside them) and per database.
std::string mergeReportCsv(const std::vector<FileReport>& files,
                           const std::vector<MergeReport>& databases);
// The event list of a merge: each database, then its notes.
db::EventLines mergeReportEvents(const std::vector<MergeReport>& lines);

}  // namespace pelvaro::session
