#pragma once
// pelvaro-cli origins, rebuild and mark: where the entries came from, a sent PCG file given
// back, and the musician's marks; and the marks' filter of list.

#include <ostream>

#include "cli/command_line.h"
#include "db/origins.h"
#include "session/session.h"

namespace pelvaro::cli {

extern const char* const kOriginsHelp;
extern const char* const kRebuildHelp;
extern const char* const kMarkHelp;
int origins(const Arguments& a, std::ostream& out, std::ostream& err);
int rebuild(const Arguments& a, std::ostream& out, std::ostream& err);
int mark(const Arguments& a, std::ostream& out, std::ostream& err);

// list's --hidden and --all (hidden entries are left out otherwise), then whether an entry
// passes them and --favourites and --min-rating N.
db::MarkFilter markFilter(const Arguments& a);
bool listed(const session::Session& s, const Arguments& a, const db::MarkFilter& filter,
            db::Kind kind, std::int32_t id);

}  // namespace pelvaro::cli
