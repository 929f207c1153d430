#pragma once
// pelvaro-cli: the window's work on many files, for scripts. Each command runs in a session of
// its own whose working files lie in a private folder (locked as the window's are), never in the
// current folder, and writes the same bytes as the window does for the same steps.

#include <ostream>
#include <string>
#include <vector>

namespace pelvaro::cli {

// Exit statuses.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kBadUsage = 2;

// Runs the command line (without the program's name). Results go to out, messages to err.
int runCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace pelvaro::cli
