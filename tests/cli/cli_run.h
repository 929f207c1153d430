#pragma once
// pelvaro-cli's commands run in the test's process, with what they print and their status.

#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace pelvaro::testing {

struct CliOutcome {
    int status;
    std::string out;
    std::string err;
};

inline CliOutcome runCli(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::runCommandLine(arguments, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace pelvaro::testing
