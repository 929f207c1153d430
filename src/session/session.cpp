#include "session/session.h"

#include <exception>

#include "pcg/pcg_files.h"
#include "session/recovery.h"

namespace pelvaro::session {

Session::Session(const std::string& startDirectory, const std::string& templatePath,
                 const std::string& recoveryFolder)
    : templatePath_(templatePath),
      recoveryFolder_(recoveryFolder),
      engine_(pcg_, files_),
      undo_(files_, pcg_, changed_) {
    pcg::loadEmptyPcg(pcg_, templatePath_);
    pcg::loadTemplates(pcg_, templatePath_);
    files_.createRecordFiles(startDirectory, [&](const auto& left) {
        if (!recoveryFolder_.empty()) saveLeftWorkingFiles(left, startDirectory, recoveryFolder_);
    });
    pcg_.pcgFileName.clear();
    changed_ = false;
}

Session::Session(const std::string& startDirectory)
    : Session(startDirectory, pcg::templatePathIn(startDirectory)) {}

Session::Command::Command(Session& session, std::string name, Changes changes)
    : log_(session.undo_), files_(session.files_), exceptions_(std::uncaught_exceptions()) {
    files_.flush();
    log_.begin(std::move(name), changes == Changes::DatabaseAndPcg);
    files_.beginBatch();
}

Session::Command::~Command() noexcept(false) {
    std::exception_ptr failed;
    try {
        files_.endBatch(std::uncaught_exceptions() > exceptions_);
    } catch (...) {
        failed = std::current_exception();
    }
    log_.end();
    if (failed) std::rethrow_exception(failed);
}

std::optional<std::string> Session::keepRecoveryCopy() {
    if (!changed_ || recoveryFolder_.empty()) return std::nullopt;
    files_.flush();  // the copy is made of the files
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
    files_.flush();  // the copy is made of the files
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
