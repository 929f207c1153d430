#include "session/session.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "pcg/pcg_files.h"
#include "session/recovery.h"

namespace pelvaro::session {

namespace {

// Whether the file at path begins with exactly the image (an import takes the first 69416
// bytes of a longer file). A file that cannot be read is not the image.
bool holdsImage(const std::string& path, const pcg::PcgImage& image) {
    if (path.empty()) return false;
    try {
        const io::FileStream file = io::FileStream::openRead(path);
        pcg::PcgImage onDisk;
        return file.readAt(0, onDisk.bytes()) == pcg::kPcgSize && onDisk == image;
    } catch (const io::FileError&) {
        return false;
    }
}

}  // namespace

Session::Session(const std::string& startDirectory, const std::string& templatePath,
                 const std::string& recoveryFolder)
    : templatePath_(templatePath),
      recoveryFolder_(recoveryFolder),
      live_(recoveryFolder, startDirectory),
      engine_(pcg_, files_),
      undo_(files_, pcg_, changed_, origins_) {
    // Without a template there is no PCG to make or judge (a command that only reads the
    // database); the image then stays all zeros.
    if (!templatePath_.empty()) {
        pcg::loadEmptyPcg(pcg_, templatePath_);
        pcg::loadTemplates(pcg_, templatePath_);
    }
    emptyPcg_ = pcg_.image;
    files_.createRecordFiles(startDirectory, [&](const auto& left) {
        if (!live_.keeps()) return;
        // No copy works in this folder now: what is kept under its names was left by one that
        // was killed (or could not save its copy at Exit).
        const LiveState::Left kept = live_.left();
        const std::optional<RecoveryCopy> copy = saveLeftBehind(left, kept.pcg,
                                                                {.pcgFileName = kept.pcgFileName,
                                                                 .ranIn = startDirectory,
                                                                 .cameFrom = kept.databasePath},
                                                                recoveryFolder_, limits_);
        if (copy) live_.markLastRun({copy->file(), true});
        live_.forget();
    });
    // After the record files, whose start keeps what a killed copy left (its origins with them).
    try {
        origins_.createWorkingFile(startDirectory);
    } catch (...) {
        files_.removeRecordFiles();
        throw;
    }
    pcg_.pcgFileName.clear();
    changed_ = false;
    undo_.setPcgListener([this] { pcgTouched(); });
}

Session::Session(const std::string& startDirectory)
    : Session(startDirectory, pcg::templatePathIn(startDirectory)) {}

Session::Command::Command(Session& session, std::string name, Changes changes)
    : log_(session.undo_),
      files_(session.files_),
      origins_(session.origins_),
      exceptions_(std::uncaught_exceptions()) {
    files_.flush();
    log_.begin(std::move(name), changes == Changes::DatabaseAndPcg);
    files_.beginBatch();
}

Session::Command::~Command() noexcept(false) {
    std::exception_ptr failed;
    try {
        files_.endBatch(std::uncaught_exceptions() > exceptions_);
        origins_.flush();
    } catch (...) {
        failed = std::current_exception();
    }
    log_.end();
    if (failed) std::rethrow_exception(failed);
}

std::optional<RecoveryCopy> Session::keepWork(bool withPcg) {
    if (recoveryFolder_.empty()) return std::nullopt;
    const bool database = changed_;
    const bool pcg = withPcg && pcgChanged();
    if (!database && !pcg) return std::nullopt;
    files_.flush();  // the copy is made of the files
    const std::array<const io::FileStream*, db::kKindCount> streams = {
        &files_.stream(db::Kind::Program), &files_.stream(db::Kind::Combination),
        &files_.stream(db::Kind::DrumKit), &files_.stream(db::Kind::Class)};
    origins_.flush();
    return saveRecoveryCopy({.database = database ? &streams : nullptr,
                             .origins = &origins_.stream(),
                             .pcg = pcg ? &pcg_.image : nullptr,
                             .pcgFileName = pcg ? pcg_.pcgFileName : std::string(),
                             .ranIn = startDirectory(),
                             .cameFrom = database ? databasePath_ : std::string()},
                            recoveryFolder_, limits_);
}

std::optional<std::string> Session::keepRecoveryCopy() {
    keptCopy_ = keepWork(false);
    if (!keptCopy_) return std::nullopt;
    return keptCopy_->database;
}

std::optional<RecoveryCopy> Session::keepPcgCopy() {
    if (recoveryFolder_.empty() || !pcgChanged()) return std::nullopt;
    return saveRecoveryCopy({.pcg = &pcg_.image,
                             .pcgFileName = pcg_.pcgFileName,
                             .ranIn = startDirectory(),
                             .cameFrom = {}},
                            recoveryFolder_, limits_);
}

void Session::noteDatabasePath() {
    try {
        live_.keepDatabasePath(databasePath_);
    } catch (const std::exception&) {
        // Only the name a killed copy's database would be kept under: not worth failing for.
    }
}

void Session::newDatabase() {
    keepRecoveryCopy();
    db::newDatabase(files_);
    origins_.reset();
    undo_.clear();
    changed_ = false;
    databasePath_.clear();
    noteDatabasePath();
}

void Session::openDatabase(const std::string& databasePath) {
    keepRecoveryCopy();
    db::openDatabase(files_, databasePath, &names_, &origins_);
    undo_.clear();
    changed_ = false;
    databasePath_ = databasePath;
    noteDatabasePath();
}

void Session::openRecoveryCopy(const RecoveryCopy& copy) {
    if (copy.database.empty()) return;
    openDatabase(copy.database);
    databasePath_ = copy.cameFrom;
    changed_ = true;
    noteDatabasePath();
    // Its work is the session's now, and kept as the session's is: the start offers it no more.
    live_.unmarkLastRun(copy.file());
}

db::DatabasePaths Session::exportDatabase(const std::string& chosen) {
    files_.flush();  // the copy is made of the files
    origins_.flush();
    db::DatabasePaths paths = db::exportDatabase(files_, chosen, &origins_.stream());
    changed_ = false;
    databasePath_ = paths.database;
    noteDatabasePath();
    return paths;
}

void Session::endRun() {
    if (ended_) return;
    ended_ = true;
    try {
        keptCopy_ = keepWork(true);
        if (keptCopy_) live_.markLastRun({keptCopy_->file(), false});
    } catch (...) {
        // Kept in place instead: the next start in this folder saves them.
        files_.closeRecordFiles();
        origins_.closeWorkingFile();
        throw;
    }
    live_.forget();
    files_.removeRecordFiles();
    origins_.removeWorkingFile();
}

void Session::shutDown() {
    try {
        endRun();
    } catch (const std::exception&) {
        // The working files stay for the next start, which keeps them.
    }
}

std::optional<Session::LastRun> Session::lastRun() {
    const std::optional<LiveState::Mark> mark = live_.lastRun();
    if (!mark) return std::nullopt;
    std::optional<RecoveryCopy> copy = recoveryCopy(mark->copy);
    if (!copy) {
        live_.unmarkLastRun(mark->copy);
        return std::nullopt;
    }
    return LastRun{std::move(*copy), mark->killed};
}

bool Session::pcgChanged() const {
    if (!pcgChanged_)
        pcgChanged_ = pcg_.image != emptyPcg_ && !holdsImage(pcg_.pcgFileName, pcg_.image) &&
                      !holdsImage(pcgExportedTo_, pcg_.image);
    return *pcgChanged_;
}

std::string Session::pcgOnDisk() const {
    if (pcgChanged() || pcg_.image == emptyPcg_) return {};
    return holdsImage(pcgExportedTo_, pcg_.image) ? pcgExportedTo_ : pcg_.pcgFileName;
}

std::int64_t Session::now() const {
    if (clock_) return clock_();
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void Session::pcgTouched() {
    pcgChanged_.reset();
    if (!live_.keeps()) return;
    try {
        if (pcgChanged())
            live_.keepPcg(pcg_.image, pcg_.pcgFileName);
        else
            live_.forgetPcg();
    } catch (const std::exception&) {
        // The PCG stays in memory, and Exit keeps it; only a crash before then would lose it.
    }
}

std::string Session::exportPcg(const std::string& chosen) {
    const std::string written = pcg::pcgExportName(chosen);
    pcg::writePcgFile(pcg_.image, written);
    pcgExportedTo_ = written;
    pcgTouched();
    return written;
}

pcg::ImportResult Session::recoverPcg(const RecoveryCopy& copy) {
    if (copy.pcg.empty()) return pcg::ImportResult::NotCompatible;
    const auto step = command("Recover Pcg", Changes::DatabaseAndPcg);
    const pcg::ImportResult result = pcg::importPcg(pcg_, copy.pcg);
    if (result == pcg::ImportResult::Imported) {
        pcg_.pcgFileName = copy.pcgFileName;
        live_.unmarkLastRun(copy.file());
    }
    return result;
}

}  // namespace pelvaro::session
