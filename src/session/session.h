#pragma once
// The open PCG and the open database, from start-up to exit, with the transfer engine that
// moves sounds between them. The session wires its parts itself, in the order their lives
// depend on: the engine's index watches the record files, so it is made after them and goes
// before them.

#include <string>

#include "db/record_files.h"
#include "pcg/pcg_image.h"
#include "transfer/engine.h"

namespace pelvaro::session {

class Session {
  public:
    // Start-up: the empty PCG and the two empty-slot templates from the template file, then the
    // working files in startDirectory. Throws io::FileError; a failed start-up has created
    // nothing that needs removing.
    Session(const std::string& startDirectory, const std::string& templatePath);
    // The same with the template file "bos.dat" in startDirectory.
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
    const std::string& startDirectory() const { return files_.startDirectory(); }
    // The template file every new PCG is made from.
    const std::string& templatePath() const { return templatePath_; }

    // Exit: closes and deletes the working files from the start directory, wherever the current
    // directory is by then. Nothing is saved.
    void shutDown();

  private:
    std::string templatePath_;
    pcg::PcgState pcg_;
    db::RecordFiles files_;
    transfer::TransferEngine engine_;
};

}  // namespace pelvaro::session
