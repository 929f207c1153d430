#pragma once
// What a path given to the program is taken for, one rule for every way files arrive: named on
// the command line, handed over by another start, dropped on the window, chosen for Send PCG
// Files to Database.

#include <string>

namespace pelvaro::session {

enum class GivenKind {
    Database,  // a name ending in ".pvd" (in this case, as Open Database cuts the name)
    Pcg,       // a name ending in ".pcg" in any case, as a folder's PCG files are found
    Folder,    // a folder on disk (its PCG files are sent)
    Other,     // anything else: not taken
};
GivenKind givenKind(const std::string& path);
// Whether the name ends in ".pcg" in any case (a file's kind by its name alone).
bool hasPcgName(const std::string& path);

}  // namespace pelvaro::session
