#pragma once
// The SQLite yardstick our sends are measured against (see sqlite_anchor.cpp).

#include <memory>
#include <string>

namespace pelvaro::bench {

class SqliteAnchor {
  public:
    // A SQLite store of n programs and n combinations in folder, made as the anchor makes it
    // (synchronous as given: OFF, NORMAL or FULL).
    SqliteAnchor(int n, const std::string& folder, const std::string& synchronous = "OFF");
    ~SqliteAnchor();
    SqliteAnchor(const SqliteAnchor&) = delete;
    SqliteAnchor& operator=(const SqliteAnchor&) = delete;

    // One run of the anchor: its PCG made (not timed), then its whole-PCG send in one
    // transaction, timed. Returns the send's milliseconds.
    double sendMs();

  private:
    struct Store;
    std::unique_ptr<Store> store_;
};

}  // namespace pelvaro::bench
