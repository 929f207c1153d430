#pragma once
// pelvaro-cli arrange: the arrange window's commands as steps on the command line, run through
// the same session commands, so that the same steps write the same bytes.

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "session/arrange_commands.h"

namespace pelvaro::cli {

extern const char* const kArrangeHelp;

struct ArrangeStep {
    std::string text;  // as typed: "move A05-A07 B10"
    std::function<session::ArrangeResult(session::Session&)> run;
};

// The steps of the command line (each word may hold several words of a step, as a quoted step
// does), or why they do not parse.
struct ArrangeSteps {
    std::vector<ArrangeStep> steps;
    std::string error;
};
ArrangeSteps parseArrangeSteps(const std::vector<std::string>& words);

// Imports the PCG file `input` into the session, runs the steps on it in order (each step's
// summary a line on out) and writes the result as Export Pcg writes `output`. The first step
// that cannot be done stops the command: its message, naming the step, goes to err, nothing is
// written, and the exit status is kFailed.
int arrangePcg(session::Session& session, const std::string& input, const std::string& output,
               const std::vector<ArrangeStep>& steps, std::ostream& out, std::ostream& err);

}  // namespace pelvaro::cli
