#pragma once
// What the commands of pelvaro-cli share: the words typed after the command's name, a mistake in
// them, the paths they name, and a folder of their own for the working files.

#include <stdlib.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "db/database_file.h"
#include "io/file_stream.h"

namespace pelvaro::cli {

// A mistake in what was typed: the message, then exit status 2.
struct UsageError {
    std::string text;
};

struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    bool help = false;
};

// A command's work: results to out, messages to err; returns the exit status. A mistake in what
// was typed is thrown as UsageError, a refusal as io::RefusalError, a failure as any other
// exception: the table's runner prints them, each after "pelvaro-cli COMMAND: ".
using Handler = int (*)(const Arguments&, std::ostream& out, std::ostream& err);

// A row of the table of commands: everything the runner and the usage text know of a command.
// The handler stands second, so no row can be written without one.
struct Command {
    const char* name;
    Handler handler;
    const char* synopsis;          // the words after the name in the usage text: "DB.pvd PATH..."
    const char* purpose;           // the usage text's description; '\n' starts a further line
    const char* help;              // 'pelvaro-cli COMMAND --help'
    std::set<std::string> flags;   // options without a value
    std::set<std::string> values;  // options with a value
    std::size_t leastPositional;
    std::size_t mostPositional;
};

// Entry IDs as typed: numbers and ranges, "1,4,10-12". Anything else is a UsageError.
std::vector<std::int32_t> parseIds(const std::string& text);

inline std::string absolute(const std::string& path) {
    std::error_code error;
    const std::filesystem::path p = std::filesystem::absolute(path, error);
    return error ? path : p.lexically_normal().string();
}

// The database file a chosen name stands for, as the window's Open names it.
inline std::string databaseFile(const std::string& chosen) {
    return db::databaseBaseName(absolute(chosen)) + std::string(db::kDatabaseExtension);
}

// A folder of its own for the working files, removed with them at the end.
class PrivateFolder {
  public:
    PrivateFolder() {
        std::error_code error;
        std::string pattern =
            (std::filesystem::temp_directory_path(error) / "pelvaro-cli-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw io::FileError::cannotCreate(pattern, errno);
        path_ = pattern;
    }
    ~PrivateFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace pelvaro::cli
