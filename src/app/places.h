#pragma once
// Where the program keeps what is the user's own beside their files: recovery copies of
// databases and its settings; and where it works when started from the desktop menu. Tests
// give folders and files of their own; the program takes the user's.

#include <QString>

namespace pelvaro::app {

struct Places {
    QString recoveryFolder;  // empty: no recovery copies are kept
    QString settingsFile;    // empty: nothing is remembered beyond the run
    QString templateFile;    // the empty-PCG template; empty: "bos.dat" in the start folder

    // The user's data folder (QStandardPaths::AppDataLocation) with "recovery" below it, and
    // "pelvaro.conf" in the user's configuration folder.
    static Places standard();
};

// Where a run works and which template it takes. Started in a folder that holds "bos.dat", the
// program works there with that file. Started anywhere else (from the desktop menu) with an
// installed template, it works in "work" below the user's data folder with the installed one;
// without an installed template it works in the current folder, whose missing "bos.dat" is
// then named in the start-up message.
struct StartPlace {
    QString folder;
    QString templateFile;
};
StartPlace chooseStart(const QString& currentFolder, const QString& dataFolder,
                       const QString& installedTemplate);

}  // namespace pelvaro::app
