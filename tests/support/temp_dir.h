#pragma once
// A fresh folder for one test, removed with everything in it when the test ends.

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

}  // namespace pelvaro::testing
