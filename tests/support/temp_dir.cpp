#include "temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "io/file_stream.h"

namespace pelvaro::testing {

TempDir::TempDir() {
    const std::string base = std::filesystem::temp_directory_path() / "pelvaro-test-XXXXXX";
    std::vector<char> name(base.begin(), base.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = name.data();
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

std::string fileErrorText(const std::function<void()>& action) {
    try {
        action();
    } catch (const io::FileError& e) {
        return e.what();
    }
    return "no error";
}

}  // namespace pelvaro::testing
