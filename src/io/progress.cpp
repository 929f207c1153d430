#include "io/progress.h"

namespace pelvaro::io {

namespace {
thread_local ProgressScope* innermost = nullptr;
}  // namespace

ProgressScope::ProgressScope(std::function<void(std::int64_t)> listener)
    : listener_(std::move(listener)), outer_(innermost) {
    innermost = this;
}

ProgressScope::~ProgressScope() {
    innermost = outer_;
}

std::function<void(std::int64_t)> currentListener() {
    return innermost ? innermost->listener_ : std::function<void(std::int64_t)>();
}

void reportProgress(std::int64_t bytes) {
    if (innermost && innermost->listener_) innermost->listener_(bytes);
}

}  // namespace pelvaro::io
