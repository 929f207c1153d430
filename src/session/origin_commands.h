#pragma once
// The commands on where sounds came from and on the musician's marks: marking entries, the
// origins of an entry as the detail panel and pelvaro-cli show them, and giving a sent PCG file
// back.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/origins.h"
#include "session/outcome.h"
#include "session/session.h"

namespace pelvaro::session {

// Sets or clears a mark on every chosen entry: one undo step, named for what it does
// ("Favourite", "Rate 3", "Hide"...). Entries that already carry the mark leave no step.
Outcome markEntries(Session& session, db::Kind kind, const std::vector<std::int32_t>& ids,
                    const db::MarkChange& change);
// The undo step's name of a change of marks.
std::string markStepName(const db::MarkChange& change);

// The origins of an entry as one line ("From bank01.pcg A05 "Warm Pad", 8 Dec 2026, and 3 more
// files") and as the whole list, a line per origin ("bank01.pcg A05 "Warm Pad", 8 Dec 2026
// 14:02"). Both empty for an entry without origins.
struct OriginsText {
    std::string line;
    std::string whole;
};
OriginsText originsText(const Session& session, db::Kind kind, std::int32_t id);
// "8 Dec 2026", and with the time "8 Dec 2026 14:02" (local time).
std::string sentDate(std::int64_t sent, bool withTime = false);

// The sent file a name (a file name, or a path as origins lists it) stands for: the newest send
// of that name, or the one sent on `sentOn` ("2026-12-08", or with the time "2026-12-08 14:02").
// nullopt: no send recorded it.
std::optional<std::int32_t> sentFileNamed(const Session& session, const std::string& name,
                                          const std::optional<std::string>& sentOn = {});

// Give Back a PCG File: writes the file as it was sent to `target` (as Export Pcg writes, the
// safe way). `differences` names each slot whose sound has changed since.
struct GiveBackResult : Outcome {
    std::vector<std::string> differences;
};
GiveBackResult giveBackPcg(Session& session, std::int32_t file, const std::string& target);

}  // namespace pelvaro::session
