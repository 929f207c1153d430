#pragma once
// The open PCG and the open database, from start-up to exit, with the transfer engine that
// moves sounds between them and the undo log of the commands that change them. The session
// wires its parts itself, in the order their lives depend on: the engine's index and the undo
// log watch the record files, so they are made after them and go before them.
//
// Nothing a user did is lost: a database changed since it was created, opened or exported is
// kept as a recovery copy before Exit, New Database or Open Database replace it, and the working
// files a killed copy left in the start folder are kept the same way at the next start.

#include <optional>
#include <string>

#include "db/database_file.h"
#include "db/name_column.h"
#include "db/record_files.h"
#include "db/references.h"
#include "pcg/pcg_image.h"
#include "session/undo_log.h"
#include "transfer/engine.h"

namespace pelvaro::session {

class Session {
  public:
    // Start-up: the empty PCG and the two empty-slot templates from the template file, then the
    // working files in startDirectory. Working files a copy no longer running left there with
    // entries in them are kept first as a recovery copy in recoveryFolder (none when it is
    // empty). Throws io::FileError (or io::RefusalError for a template of another kind); a
    // failed start-up has created nothing that needs removing and has removed nothing.
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
        int exceptions_;
    };
    Command command(std::string name, Changes changes) { return {*this, std::move(name), changes}; }

    UndoLog& undoLog() { return undo_; }
    const UndoLog& undoLog() const { return undo_; }

    // Whether the database has changed since it was created, opened or exported.
    bool databaseChanged() const { return changed_; }
    // The database file last opened or exported; empty for a database created new.
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

    // Exit: keeps a changed database as a recovery copy, then closes and deletes the working
    // files from the start directory. When the copy cannot be saved the working files stay, for
    // the next start to keep.
    void shutDown();

  private:
    std::string templatePath_;
    std::string recoveryFolder_;
    pcg::PcgState pcg_;
    db::RecordFiles files_;
    transfer::TransferEngine engine_;
    db::References references_{files_};
    db::NameColumn names_{files_};
    UndoLog undo_;
    bool changed_ = false;
    std::string databasePath_;
};

}  // namespace pelvaro::session
