#pragma once
// Recovery copies: a database that would otherwise be lost (Exit, New Database or Open Database
// over a changed database, working files left by a copy that was killed) is kept as an ordinary
// stored database (a ".pvd" and its four member files, openable with Open Database) in a folder
// of the user's, named by the date and time it was saved. Beside each, a small ".where" file
// names the folder the program ran in. The folder keeps the newest kKeptCopies.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/record_files.h"

namespace pelvaro::session {

inline constexpr std::size_t kKeptCopies = 20;

struct RecoveryCopy {
    std::string database;  // the ".pvd" path
    std::string savedAt;   // "2026-12-08 14:05:31"
    std::string ranIn;     // the folder the program ran in
    std::int32_t programs = 0;
    std::int32_t combinations = 0;
    std::int32_t classes = 0;
};

// Saves the database in use as a recovery copy in folder (made when missing) and drops the
// copies beyond the newest kKeptCopies. Written the safe way, as an export. Returns its ".pvd".
std::string saveRecoveryCopy(const db::RecordFiles& files, const std::string& folder);

// Saves four working files left behind (in kind order) as a recovery copy, when they hold any
// entry or class; otherwise saves nothing.
std::optional<std::string> saveLeftWorkingFiles(
    const std::array<std::string, db::kKindCount>& paths, const std::string& ranIn,
    const std::string& folder);

// The copies in folder, newest first. A copy whose files cannot be read is listed with what
// could be read.
std::vector<RecoveryCopy> recoveryCopies(const std::string& folder);

// Removes a copy: its database file, its four member files and its ".where".
void deleteRecoveryCopy(const RecoveryCopy& copy);

}  // namespace pelvaro::session
