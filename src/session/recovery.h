#pragma once
// Recovery copies: work that would otherwise be lost (Exit, New Database or Open Database over a
// changed database, a changed PCG never exported, what a killed copy left) is kept in a folder
// of the user's, named by the date and time it was saved ("recovery-20261208-140531-0001"). A
// database is kept as an ordinary stored database (a ".pvd" and its four member files, openable
// with Open Database), a PCG as an ordinary PCG file (".pcg"). Beside each copy, a small ".where"
// file names the folder the program ran in, the database file the copy came from and the file
// the PCG was imported from.
//
// The folder stays under a size limit and a number of copies: the oldest go first, but the
// newest copy of each database (told apart by the file it came from) always stays.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/record_files.h"
#include "pcg/pcg_image.h"

namespace pelvaro::session {

struct RecoveryLimits {
    std::int64_t bytes = std::int64_t{1} << 30;  // all copies together
    // A folder of a thousand small copies takes long to list and longer to look through.
    std::size_t copies = 200;
};

struct RecoveryCopy {
    std::string database;  // the ".pvd" path; empty for a copy of a PCG alone
    std::string savedAt;   // "2026-12-08 14:05:31"
    std::string ranIn;     // the folder the program ran in
    // The database file it was opened from or last exported to; empty for a database created
    // new, and for copies saved by versions that did not keep it.
    std::string cameFrom;
    std::int32_t programs = 0;
    std::int32_t combinations = 0;
    std::int32_t drumKits = 0;
    std::int32_t classes = 0;
    std::int64_t bytes = 0;   // every file of the copy together
    std::string pcg;          // the kept PCG file; empty when no PCG was kept
    std::string pcgFileName;  // the file that PCG was imported from; empty for a new PCG

    // The file the copy is known by: its database, or its PCG when it keeps a PCG alone.
    const std::string& file() const { return database.empty() ? pcg : database; }
};

// What one copy keeps: the database in the given files (none when null), the PCG (none when
// null), and where they came from.
struct CopyContents {
    const std::array<const io::FileStream*, db::kKindCount>* database = nullptr;
    const io::FileStream* origins = nullptr;  // the database's origins and marks
    const pcg::PcgImage* pcg = nullptr;
    std::string pcgFileName;
    std::string ranIn;
    std::string cameFrom;
};

// Saves a copy in folder (made when missing), written the safe way as an export, then keeps
// the folder within limits. Returns the copy as recoveryCopies() lists it.
RecoveryCopy saveRecoveryCopy(const CopyContents& contents, const std::string& folder,
                              const RecoveryLimits& limits = {});
// The database in use. Returns its ".pvd".
std::string saveRecoveryCopy(const db::RecordFiles& files, const std::string& folder,
                             const std::string& cameFrom = {}, const RecoveryLimits& limits = {});

// Saves four working files left behind (in kind order) when they hold any entry or class, with
// the PCG a killed copy left (see live_state.h), as one copy; saves nothing when there is
// neither.
std::optional<RecoveryCopy> saveLeftBehind(const std::array<std::string, db::kKindCount>& paths,
                                           const std::optional<pcg::PcgImage>& pcg,
                                           const CopyContents& origin, const std::string& folder,
                                           const RecoveryLimits& limits = {});
// The copies in folder, newest first. A copy whose files cannot be read is listed with what
// could be read. A copy saved by an earlier version (a ".where" holding the folder alone) is
// listed with no origin.
std::vector<RecoveryCopy> recoveryCopies(const std::string& folder);
// The copy whose database or PCG file is path, as listed; nullopt when it is gone.
std::optional<RecoveryCopy> recoveryCopy(const std::string& path);

// The size in bytes of every file in the folder.
std::int64_t recoveryFolderSize(const std::string& folder);

// Drops the oldest copies until the folder holds no more than limits allow, never the newest
// copy of a database (nor of a PCG kept alone).
void keepWithinLimits(const std::string& folder, const RecoveryLimits& limits);

// Removes a copy: its database file, its four member files, its PCG and its ".where".
void deleteRecoveryCopy(const RecoveryCopy& copy);

}  // namespace pelvaro::session
