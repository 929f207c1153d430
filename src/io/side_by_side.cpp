#include "io/side_by_side.h"

#include <atomic>
#include <exception>
#include <thread>

#include "io/file_stream.h"
#include "io/progress.h"

namespace pelvaro::io {

void sideBySide(const std::function<void()>& first, const std::function<void()>& second) {
    if (faultsInjected()) {
        first();
        second();
        return;
    }
    // The worker's progress is told on this thread, with this thread's own.
    const std::function<void(std::int64_t)> listener = currentListener();
    std::atomic<std::int64_t> worked{0};
    std::exception_ptr firstError;
    std::thread worker([&] {
        const ProgressScope scope([&](std::int64_t bytes) { worked += bytes; });
        try {
            first();
        } catch (...) {
            firstError = std::current_exception();
        }
    });
    std::exception_ptr secondError;
    {
        const ProgressScope scope([&](std::int64_t bytes) {
            if (listener) listener(bytes + worked.exchange(0));
        });
        try {
            second();
        } catch (...) {
            secondError = std::current_exception();
        }
    }
    worker.join();
    if (const std::int64_t rest = worked.exchange(0); listener && rest > 0) listener(rest);
    if (firstError) std::rethrow_exception(firstError);
    if (secondError) std::rethrow_exception(secondError);
}

}  // namespace pelvaro::io
