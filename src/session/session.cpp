#include "session/session.h"

#include "pcg/pcg_files.h"

namespace pelvaro::session {

Session::Session(const std::string& startDirectory, const std::string& templatePath)
    : templatePath_(templatePath), engine_(pcg_, files_) {
    pcg::loadEmptyPcg(pcg_, templatePath_);
    pcg::loadTemplates(pcg_, templatePath_);
    files_.createRecordFiles(startDirectory);
    pcg_.pcgFileName.clear();
}

Session::Session(const std::string& startDirectory)
    : Session(startDirectory, pcg::templatePathIn(startDirectory)) {}

void Session::shutDown() {
    files_.removeRecordFiles();
}

}  // namespace pelvaro::session
