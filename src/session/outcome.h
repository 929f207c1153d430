#pragma once
// What a command did, then the error that stopped it, if any: the one family of results the
// session hands the window and pelvaro-cli. Every command's result is an Outcome, or a struct
// that adds its own fields to one, so a caller shows what was done and then the failure,
// whatever the command, and no layer catches, presents and throws again.

#include <optional>
#include <string>

#include "db/event_lines.h"
#include "io/file_stream.h"
#include "io/refusal.h"

namespace pelvaro::session {

// What a command did, then what stopped it, if anything. Texts are UTF-8.
struct Outcome {
    std::string summary{};  // the status bar's line on it
    // The event list after the command, for the commands that clear it when they start (the
    // sends and Delete); nothing: the event list stays as it was.
    std::optional<db::EventLines> events{};
    // A refusal the user is shown in a message box (a file that is no PCG).
    std::optional<io::Refusal> refusal{};
    std::string path{};  // the file the command read or wrote, when it names one
    // A failing file stopped the command part way (io::FileError's text: the message, then the
    // system's reason): what the fields above tell was done and stays done, and the user is
    // shown this after it. Nothing: the command ran to its end.
    std::optional<std::string> failure{};
};

// Runs a command's work into its result: a failing file on the way (io::FileError) becomes the
// result's failure, after what the result tells was done before it.
template <class Work>
void untilFailure(Outcome& outcome, Work&& work) {
    try {
        work();
    } catch (const io::FileError& e) {
        outcome.failure = e.what();
    }
}

}  // namespace pelvaro::session
