#pragma once
// A stored database: an 800-byte database file (".pvd") naming four member files, which are
// byte copies of the four working files. Export copies the working files out, Open copies
// member files in, New starts empty working files.

#include <array>
#include <string>
#include <string_view>

#include "db/record_files.h"
#include "io/refusal.h"

namespace pelvaro::db {

class NameColumn;
class OriginStore;

using io::Refusal;
using io::RefusalError;

inline constexpr std::string_view kDatabaseExtension = ".pvd";
inline constexpr std::string_view kDatabaseFilter = "Database Files (*.pvd)|*.pvd";
inline constexpr std::size_t kDatabaseFileSize = 800;
// Four path fields of 200 bytes: 199 characters and a zero byte each.
inline constexpr std::size_t kPathFieldSize = 200;
inline constexpr std::array<std::string_view, kKindCount> kMemberExtensions = {".prg", ".cmb",
                                                                               ".dru", ".tur"};
static_assert(kKindCount * kPathFieldSize == kDatabaseFileSize);

inline constexpr std::string_view kDatabaseErrorCaption = "Database error";
inline constexpr std::string_view kDatabaseErrorText = "This database cannot be opened: ";
inline constexpr std::string_view kFileNameErrorCaption = "File name error";
inline constexpr std::string_view kNameTooLongText =
    "This name is too long for a database file.Please choose a shorter one.";
inline constexpr std::string_view kWorkingFileNameText =
    "This name belongs to the working files of the database in use.Please choose another one.";

// The chosen path cut before the first ".pvd" (exact case) of its file-name part; a ".pvd"
// inside a folder name is left alone. Without ".pvd" the path is the base as it stands.
std::string databaseBaseName(const std::string& chosen);

struct DatabasePaths {
    std::string database;                         // base + ".pvd"
    std::array<std::string, kKindCount> members;  // base + ".prg", ".cmb", ".dru", ".tur"
    std::string origins;                          // base + ".pvo"
};
DatabasePaths databasePaths(const std::string& base);

// Export Database: writes base + ".pvd" with the four member paths and the four member files as
// whole copies of the working files, each under a temporary name renamed into place only when
// all five are complete. A relative chosen path is made absolute first, since the database
// file must name its members wherever it is opened from. A base whose member paths do not fit
// their 200-byte fields, or that would put the members in place of the working files (which
// are deleted at exit), throws RefusalError ("File name error") before anything is written;
// file failures throw FileError. The working files are only read. Returns the paths written.
// The origins member (origins.h) goes with them when given.
DatabasePaths exportDatabase(const RecordFiles& files, const std::string& chosen,
                             const io::FileStream* origins = nullptr);

// The same five files from four open record files (in Kind order) under paths: a recovery copy
// of working files. The member paths must fit their fields ("File name error" otherwise).
DatabasePaths writeDatabase(const std::array<const io::FileStream*, kKindCount>& sources,
                            const DatabasePaths& paths, const io::FileStream* origins = nullptr);

// Open Database: reads the database file, opens and checks all four member files, and only then
// replaces the working files by copies of them and takes the counters from their header
// records. A database file or member that cannot be opened throws FileError ("Cannot open
// file"); a damaged one throws RefusalError ("Database error", the file and what is wrong). In
// both cases, as when a copy fails, the working files and the counters stay as they were.
// The names of the programs and combinations, read on the way, become `names`' columns.
// With `origins`, the origins member beside the programs member is read under the same locks
// and taken in once the record files are (a missing one: none; a damaged one: what can be read).
void openDatabase(RecordFiles& files, const std::string& databasePath, NameColumn* names = nullptr,
                  OriginStore* origins = nullptr);

// A stored database opened to be read rather than worked in: a database merged into the one in
// use. Its files are opened as Open Database opens them (under their folders' locks, so all
// five come from one export) and every member is checked as Open checks it; the members stay
// open for reading, as they were then, for as long as it lives. A file that cannot be opened
// or read throws io::FileError; a damaged one RefusalError ("Database error", the file and
// what is wrong), and so does a database whose members are the working files of `inUse`.
class StoredDatabase {
  public:
    explicit StoredDatabase(const std::string& databasePath, const RecordFiles* inUse = nullptr);

    const std::string& path() const { return path_; }
    const std::string& memberPath(Kind kind) const { return members_[static_cast<int>(kind)]; }
    const io::FileStream& stream(Kind kind) const { return streams_[static_cast<int>(kind)]; }
    std::int32_t count(Kind kind) const { return counts_[static_cast<int>(kind)]; }

  private:
    std::string path_;
    std::array<std::string, kKindCount> members_;
    std::array<io::FileStream, kKindCount> streams_;
    std::array<std::int32_t, kKindCount> counts_{};
};

// New Database: empty working files, as at start-up.
void newDatabase(RecordFiles& files);

}  // namespace pelvaro::db
