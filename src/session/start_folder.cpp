#include "session/start_folder.h"

#include <thread>

#include "db/entries.h"
#include "io/file_stream.h"

namespace pelvaro::session {

bool startFolderBusy(const std::string& startDirectory) {
    const std::string folder = startDirectory.empty() || startDirectory.back() == '/'
                                   ? startDirectory
                                   : startDirectory + "/";
    for (db::Kind kind : db::kAllKinds)
        if (io::FileStream::isHeld(folder + std::string(db::layoutOf(kind).fileName))) return true;
    return false;
}

bool waitForStartFolder(const std::string& startDirectory,
                        const std::function<bool(int asked)>& stillWaiting,
                        std::chrono::milliseconds pause) {
    for (int asked = 1; startFolderBusy(startDirectory); ++asked) {
        if (!stillWaiting(asked)) return false;
        std::this_thread::sleep_for(pause);
    }
    return true;
}

}  // namespace pelvaro::session
