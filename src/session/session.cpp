#include "session/session.h"

#include "pcg/pcg_files.h"
#include "session/recovery.h"

namespace pelvaro::session {

Session::Session(const std::string& startDirectory, const std::string& templatePath,
                 const std::string& recoveryFolder)
    : templatePath_(templatePath),
      recoveryFolder_(recoveryFolder),
      engine_(pcg_, files_),
      undo_(files_, pcg_, changed_) {
    // Without a template there is no PCG to make or judge (a command that only reads the
    // database); the image then stays all zeros.
    if (!templatePath_.empty()) {
        pcg::loadEmptyPcg(pcg_, templatePath_);
        pcg::loadTemplates(pcg_, templatePath_);
    }
    files_.createRecordFiles(startDirectory, [&](const auto& left) {
        if (!recoveryFolder_.empty()) saveLeftWorkingFiles(left, startDirectory, recoveryFolder_);
    });
    pcg_.pcgFileName.clear();
    changed_ = false;
}

Session::Session(const std::string& startDirectory)
    : Session(startDirectory, pcg::templatePathIn(startDirectory)) {}

Session::Command::Command(Session& session, std::string name, Changes changes)
    : log_(session.undo_) {
    log_.begin(std::move(name), changes == Changes::DatabaseAndPcg);
}

Session::Command::~Command() {
    log_.end();
}

std::optional<std::string> Session::keepRecoveryCopy() {
    if (!changed_ || recoveryFolder_.empty()) return std::nullopt;
    return saveRecoveryCopy(files_, recoveryFolder_);
}

void Session::newDatabase() {
    keepRecoveryCopy();
    db::newDatabase(files_);
    undo_.clear();
    changed_ = false;
    databasePath_.clear();
}

void Session::openDatabase(const std::string& databasePath) {
    keepRecoveryCopy();
    db::openDatabase(files_, databasePath, &names_);
    undo_.clear();
    changed_ = false;
    databasePath_ = databasePath;
}

db::DatabasePaths Session::exportDatabase(const std::string& chosen) {
    db::DatabasePaths paths = db::exportDatabase(files_, chosen);
    changed_ = false;
    databasePath_ = paths.database;
    return paths;
}

void Session::shutDown() {
    try {
        keepRecoveryCopy();
    } catch (const std::exception&) {
        // Kept in place instead: the next start in this folder saves them.
        files_.closeRecordFiles();
        return;
    }
    files_.removeRecordFiles();
}

}  // namespace pelvaro::session
