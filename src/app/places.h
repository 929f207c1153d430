#pragma once
// Where the program keeps what is the user's own beside their files: recovery copies of
// databases. Tests give a folder of their own; the program takes the user's data folder.

#include <QString>

namespace pelvaro::app {

struct Places {
    QString recoveryFolder;  // empty: no recovery copies are kept

    // The user's data folder (QStandardPaths::AppDataLocation), "recovery" below it.
    static Places standard();
};

}  // namespace pelvaro::app
