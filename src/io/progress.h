#pragma once
// Long work (a copy of a large file, a scan of every record) tells whoever waits on it how far
// it has come, in bytes, so a window can show that it is busy and stay painted. The waiting
// code opens a scope on its thread; the work reports without knowing who listens. Reports from
// other threads (the work run beside it) go nowhere.

#include <cstdint>
#include <functional>

namespace pelvaro::io {

class ProgressScope {
  public:
    explicit ProgressScope(std::function<void(std::int64_t bytes)> listener);
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

  private:
    std::function<void(std::int64_t)> listener_;
    ProgressScope* outer_;
    friend void reportProgress(std::int64_t bytes);
    friend std::function<void(std::int64_t)> currentListener();
};

// `bytes` more have been copied or read, on this thread; nothing without a scope.
void reportProgress(std::int64_t bytes);

// The listener of this thread's innermost scope (empty without one), for work that runs on
// another thread and has its bytes told here.
std::function<void(std::int64_t)> currentListener();

}  // namespace pelvaro::io
