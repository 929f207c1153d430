#pragma once
// A fresh folder for one test, removed with everything in it when the test ends.

#include <functional>
#include <set>
#include <string>

namespace pelvaro::testing {

class TempDir {
  public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// The names of what a folder holds, without the folder's path.
std::set<std::string> namesIn(const std::string& folder);

// The text of the file error the action throws, or "no error".
std::string fileErrorText(const std::function<void()>& action);

}  // namespace pelvaro::testing
