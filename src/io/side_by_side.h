#pragma once
// Two pieces of work that read and write files of their own, run at once on two cores: the
// check of a database while its files are copied, the matching index of the programs while
// that of the combinations is built. While a disk that fails on purpose is installed (the
// tests') they run one after the other, first then second, so a test's n-th file operation is
// always the same one.

#include <functional>

namespace pelvaro::io {

// Runs both and returns when both have ended. When either throws, the exception of `first`
// is rethrown if it threw, otherwise that of `second`.
void sideBySide(const std::function<void()>& first, const std::function<void()>& second);

}  // namespace pelvaro::io
