#pragma once
// A start folder that another copy of the program still holds. A copy that is exiting keeps its
// working files while it saves its recovery copy, which for a large database takes seconds; a
// new start in that folder waits for it instead of failing.

#include <chrono>
#include <functional>
#include <string>

namespace pelvaro::session {

// Whether a running copy holds the working files of the start folder.
bool startFolderBusy(const std::string& startDirectory);

// Waits while the start folder is busy, pausing between looks. Before each pause stillWaiting
// is asked, with how many times it has been asked (from 1), so the caller can say that it waits
// and can give up: false ends the wait. Returns true once the folder is free (at once when it
// was), false when the caller gave up.
bool waitForStartFolder(const std::string& startDirectory,
                        const std::function<bool(int asked)>& stillWaiting,
                        std::chrono::milliseconds pause = std::chrono::milliseconds(100));

}  // namespace pelvaro::session
