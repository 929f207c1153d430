#include "io/side_by_side.h"

#include <exception>
#include <thread>

#include "io/file_stream.h"

namespace pelvaro::io {

void sideBySide(const std::function<void()>& first, const std::function<void()>& second) {
    if (faultsInjected()) {
        first();
        second();
        return;
    }
    std::exception_ptr firstError;
    std::thread worker([&] {
        try {
            first();
        } catch (...) {
            firstError = std::current_exception();
        }
    });
    std::exception_ptr secondError;
    try {
        second();
    } catch (...) {
        secondError = std::current_exception();
    }
    worker.join();
    if (firstError) std::rethrow_exception(firstError);
    if (secondError) std::rethrow_exception(secondError);
}

}  // namespace pelvaro::io
