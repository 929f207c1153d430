#pragma once
// pelvaro-cli similar and duplicates: what "Find Similar..." and "Find Near Duplicates..." list,
// for scripts; and dedupe, their Merge for every group. The database is opened in working files
// of a private folder; no template is needed.

#include <ostream>

#include "cli/command_line.h"

namespace pelvaro::cli {

extern const char* const kSimilarHelp;
extern const char* const kDuplicatesHelp;
extern const char* const kDedupeHelp;

int similar(const Arguments& a, std::ostream& out, std::ostream& err);
int duplicates(const Arguments& a, std::ostream& out, std::ostream& err);
int dedupe(const Arguments& a, std::ostream& out, std::ostream& err);

}  // namespace pelvaro::cli
