#pragma once
// "Send PCG Files to Database": many PCG files sent in one go, each exactly as Import Pcg
// followed by Send PCG to Database would send it (same entries, same order, "From: " and that
// file's path), without touching the PCG the user has open. A file that is no PCG is skipped
// with its reason; a failure to write the database stops the run, and what was sent stays.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/event_lines.h"
#include "session/session.h"
#include "session/summaries.h"
#include "transfer/engine.h"

namespace pelvaro::session {

// One line of the report: a file sent, with what was new and what was stored already, or a
// file or folder skipped, with why.
struct FileReport {
    std::string path;
    // Why the file was skipped ("40,000 bytes; a PCG file has 69,416", "does not begin with
    // KORG5", "is a folder", "cannot be read: Permission denied"); empty for a file sent.
    std::string skipped;
    SendCounts counts;      // the file's used slots and its four drum kits, and how many were new
    db::EventLines events;  // what the send reported ("Program A5 of this combination is not ...")
    bool sent() const { return skipped.empty(); }
};

struct BatchTotals {
    std::int32_t files = 0;
    std::int32_t skipped = 0;
    SendCounts counts;
};

// The files to send for what was chosen, in order: a file as it stands, a folder as the PCG
// files below it (every level, "*.pcg" in any case, in name order). A folder without any, or a
// name that is neither, is a line that says so.
std::vector<FileReport> filesToSend(const std::vector<std::string>& chosen);

// The run is one undo step, "Send PCG Files to Database", from its making to its end.
class BatchSend {
  public:
    BatchSend(Session& session, const std::vector<std::string>& chosen);

    // The files and skipped lines, in order; sent() of each once its turn has come.
    const std::vector<FileReport>& lines() const { return lines_; }
    // The next line to work on, or lines().size() when all are done.
    std::size_t next() const { return next_; }
    // Every line has had its turn, or a failure stopped the run.
    bool done() const { return next_ >= lines_.size() || failure_; }
    // Sends the next file (or passes over a skipped line): its own image, the engine's send of
    // a whole PCG. A file that cannot be read, or is no PCG, becomes a skipped line. A failure
    // to write the database stops the run there: failure() tells it, and the files before it
    // stay sent.
    const FileReport& sendNext(const transfer::Progress& progress = {});
    // What stopped the run (io::FileError's text), or nothing.
    const std::optional<std::string>& failure() const { return failure_; }

    BatchTotals totals() const;

  private:
    Session& session_;
    Session::Command step_;
    std::vector<FileReport> lines_;
    std::size_t next_ = 0;
    std::optional<std::string> failure_;
};

// What is left of a run, reckoned from the time its first `done` of `total` files took: "About
// 40 seconds left", "About 3 minutes left", "About 1 hour 5 minutes left".
std::string timeLeftText(std::int64_t elapsedMilliseconds, std::int32_t done, std::int32_t total);

// The report as text: a line per file, then the totals.
std::string reportText(const std::vector<FileReport>& lines, const BatchTotals& totals);
// The report as CSV (RFC 4180): a header, a row per file.
std::string reportCsv(const std::vector<FileReport>& lines);
// The event list of a run: each file's lines after a line naming it.
db::EventLines reportEvents(const std::vector<FileReport>& lines);

}  // namespace pelvaro::session
