#include "db/session.h"

#include "pcg/pcg_files.h"

namespace pelvaro::db {

void Session::startUp(const std::string& startDirectory) {
    const std::string templatePath = pcg::templatePathIn(startDirectory);
    pcg::loadEmptyPcg(pcg, templatePath);
    pcg::loadTemplates(pcg, templatePath);
    db.createRecordFiles(startDirectory);
    pcg.pcgFileName.clear();
}

void Session::shutDown() { db.removeRecordFiles(); }

}  // namespace pelvaro::db
