#pragma once
// The state the main window owns from its creation to its destruction: the open PCG and the
// open database.

#include <string>

#include "db/record_files.h"
#include "pcg/pcg_image.h"

namespace pelvaro::db {

struct Session {
    pcg::PcgState pcg;
    RecordFiles db;

    // Start-up in the order the main window runs it: the empty PCG and the empty-slot templates
    // from the template file in startDirectory, then the working files there. Throws FileError;
    // a failed start-up has created nothing that needs removing.
    void startUp(const std::string& startDirectory);

    // Exit: closes and deletes the working files from the start directory, wherever the current
    // directory is by then. Nothing is saved.
    void shutDown();
};

}  // namespace pelvaro::db
