#pragma once
// The open PCG and the open database, from start-up to exit, with the transfer engine that
// moves sounds between them and the undo log of the commands that change them. The session
// wires its parts itself, in the order their lives depend on: the engine's index and the undo
// log watch the record files, so they are made after them and go before them.
//
// Nothing a user did is lost: a database changed since it was created, opened or exported is
// kept as a recovery copy before Exit, New Database or Open Database replace it, and the working
// files a killed copy left in the start folder are kept the same way at the next start. A PCG
// changed by a command and never exported is kept too: in the recovery folder after every
// command that changes it (so a crash loses nothing), and with the copy that Exit keeps.

#include <functional>
#include <optional>
#include <string>

#include "db/database_file.h"
#include "db/name_column.h"
#include "db/origins.h"
#include "db/record_files.h"
#include "db/references.h"
#include "pcg/pcg_files.h"
#include "pcg/pcg_image.h"
#include "session/live_state.h"
#include "session/recovery.h"
#include "session/undo_log.h"
#include "transfer/engine.h"

namespace pelvaro::session {

class Session {
  public:
    // Start-up: the empty PCG and the two empty-slot templates from the template file, then the
    // working files in startDirectory. Working files a copy no longer running left there with
    // entries in them, and the PCG it kept, are kept first as a recovery copy in recoveryFolder
    // (none when it is empty), which lastRun() then names. Throws io::FileError (or
    // io::RefusalError for a template of another kind); a failed start-up has created nothing
    // that needs removing and has removed nothing. An empty templatePath
    // makes a session for the database alone, whose PCG is never used.
    Session(const std::string& startDirectory, const std::string& templatePath,
            const std::string& recoveryFolder = {});
    // The same with the template file "bos.dat" in startDirectory and no recovery copies.
    explicit Session(const std::string& startDirectory);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    // Closes the working files without deleting them; shutDown() deletes them.
    ~Session() = default;

    pcg::PcgState& pcg() { return pcg_; }
    const pcg::PcgState& pcg() const { return pcg_; }
    db::RecordFiles& files() { return files_; }
    const db::RecordFiles& files() const { return files_; }
    transfer::TransferEngine& engine() { return engine_; }
    // Which entries play which: the combinations of a program, the programs of a drum kit.
    db::References& references() { return references_; }
    // The entries' names in memory, for searches by name.
    db::NameColumn& names() { return names_; }
    // Where the entries came from, and the musician's marks on them.
    db::OriginStore& origins() { return origins_; }
    const db::OriginStore& origins() const { return origins_; }
    const std::string& startDirectory() const { return files_.startDirectory(); }
    // The template file every new PCG is made from.
    const std::string& templatePath() const { return templatePath_; }
    const std::string& recoveryFolder() const { return recoveryFolder_; }

    // What may change the PCG as well as the database.
    enum class Changes { Database, DatabaseAndPcg };
    // One command that can be undone: everything it changes between its making and its end
    // is one step of the undo log, named after it ("Send PCG to Database").
    // Its writes to the record files are gathered (db::RecordFiles::Batch) and written when it
    // ends; what was gathered before it is written before its step begins, so the step finds the
    // old bytes of what it changes in the files. A failure to write at the end is thrown from
    // the end (io::FileError), after the step is closed; the counters are then those the files
    // hold. A command that ends by an exception still writes what it gathered, quietly.
    class Command {
      public:
        Command(Session& session, std::string name, Changes changes);
        ~Command() noexcept(false);
        Command(const Command&) = delete;
        Command& operator=(const Command&) = delete;

      private:
        UndoLog& log_;
        db::RecordFiles& files_;
        db::OriginStore& origins_;
        int exceptions_;
    };
    Command command(std::string name, Changes changes) { return {*this, std::move(name), changes}; }

    UndoLog& undoLog() { return undo_; }
    const UndoLog& undoLog() const { return undo_; }

    // Whether the database has changed since it was created, opened or exported.
    bool databaseChanged() const { return changed_; }
    // The database file last opened or exported; empty for a database created new. For a
    // database opened from a recovery copy, the database the copy came from.
    const std::string& databasePath() const { return databasePath_; }

    // New Database and Open Database: a changed database is first kept as a recovery copy (a
    // copy that cannot be saved stops the command, the database stays); the undo history ends.
    void newDatabase();
    void openDatabase(const std::string& databasePath);
    // Export Database: the database counts as saved; the history stays.
    db::DatabasePaths exportDatabase(const std::string& chosen);
    // The recovery copy of the database in use, when it has changed and there is a folder for
    // it. Returns its database file.
    std::optional<std::string> keepRecoveryCopy();
    // A recovery copy of the PCG alone, when it differs from every file on disk (pcgChanged())
    // and there is a folder for it: before a file replaces it. nullopt when nothing was kept.
    std::optional<RecoveryCopy> keepPcgCopy();

    // Exit: keeps a changed database and a changed PCG as one recovery copy and marks it as
    // what this run left, then closes and deletes the working files from the start directory.
    // When the copy cannot be saved the working files are closed and stay (and the PCG kept
    // beside the copies), for the next start to keep, and the failure is thrown (io::FileError).
    // A second call, or one after shutDown(), does nothing.
    void endRun();
    // The same, quietly: for a session that ends with nobody to tell of a failure.
    void shutDown();
    // Whether endRun() or shutDown() has run: the working files are closed.
    bool ended() const { return ended_; }

    // The recovery copy that the last New Database, Open Database, openRecoveryCopy() or
    // shutDown() kept; nullopt when it kept none (nothing had changed).
    const std::optional<RecoveryCopy>& keptCopy() const { return keptCopy_; }

    // Opens the database of a recovery copy as Open Database does, under the name of the
    // database it came from (databasePath(), which Export suggests), and counts it as changed:
    // it differs from that file on disk. A copy without a database opens nothing.
    void openRecoveryCopy(const RecoveryCopy& copy);

    // What the last run in this start folder left: the copy its Exit kept, or the one a start
    // saved from what a killed copy left. Told at every start for as long as the copy holds work
    // that no export holds: until the copy is opened (openRecoveryCopy(), recoverPcg()), whose
    // work the session then keeps (an Exit while it is changed keeps it as the next copy), or
    // deleted, or a later run leaves a copy of its own.
    struct LastRun {
        RecoveryCopy copy;
        bool killed = false;  // saved at this start from what a killed copy left
    };
    std::optional<LastRun> lastRun();

    // Whether the PCG differs from every file it is known on disk as: the file it was imported
    // from, the one it was last exported to (exportPcg), and the empty PCG. Worked out when a
    // command, an undo or a redo changes the PCG; a change made outside a command is not seen.
    bool pcgChanged() const;
    // The file the PCG is on disk as (the one it was exported to or imported from), or nothing
    // for a PCG that differs from every file (pcgChanged()) or was never read or written.
    std::string pcgOnDisk() const;
    // The time of a send, in seconds since 1970: the system's clock, or the one a test sets.
    std::int64_t now() const;
    void setClock(std::function<std::int64_t()> clock) { clock_ = std::move(clock); }
    // Export Pcg: writes the image under pcg::pcgExportName(chosen); the PCG counts as saved.
    // Returns the file written.
    std::string exportPcg(const std::string& chosen);
    // Puts the PCG of a recovery copy back ("Recover Pcg", one undo step), with the name of the
    // file it was imported from. A file that is no PCG is NotCompatible and changes nothing.
    pcg::ImportResult recoverPcg(const RecoveryCopy& copy);

    // How much the recovery folder keeps (by default 1 GB and 200 copies).
    const RecoveryLimits& recoveryLimits() const { return limits_; }

  private:
    // A copy of what has changed since it was last saved: the database and, when withPcg, the
    // PCG. nullopt when nothing has, or there is no recovery folder.
    std::optional<RecoveryCopy> keepWork(bool withPcg);
    void pcgTouched();
    void noteDatabasePath();

    std::string templatePath_;
    std::string recoveryFolder_;
    LiveState live_;
    RecoveryLimits limits_;
    pcg::PcgState pcg_;
    db::RecordFiles files_;
    transfer::TransferEngine engine_;
    db::References references_{files_};
    db::NameColumn names_{files_};
    db::OriginStore origins_;
    UndoLog undo_;
    bool changed_ = false;
    std::string databasePath_;
    std::optional<RecoveryCopy> keptCopy_;
    bool ended_ = false;
    pcg::PcgImage emptyPcg_;
    std::string pcgExportedTo_;
    mutable std::optional<bool> pcgChanged_ = false;  // nullopt: to be worked out
    std::function<std::int64_t()> clock_;
};

}  // namespace pelvaro::session
