#include "session/given_files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "db/database_file.h"

namespace pelvaro::session {

GivenKind givenKind(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return GivenKind::Folder;
    if (path.ends_with(db::kDatabaseExtension)) return GivenKind::Database;
    return hasPcgName(path) ? GivenKind::Pcg : GivenKind::Other;
}

bool hasPcgName(const std::string& path) {
    constexpr std::string_view kPcg = ".pcg";
    return path.size() >= kPcg.size() &&
           std::ranges::equal(
               std::string_view(path).substr(path.size() - kPcg.size()), kPcg,
               [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

}  // namespace pelvaro::session
