#include "core/book/table/TwoThreads.h"

#include <exception>
#include <system_error>
#include <thread>

namespace ruvo::table {

void OnTwoThreads(const std::function<void()>& first, const std::function<void()>& second) {
    std::exception_ptr secondFailure;
    std::thread other;
    try {
        other = std::thread([&] {
            try {
                second();
            } catch (...) {
                secondFailure = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        // No thread to be had: both on this one, as a small book does.
        first();
        second();
        return;
    }
    std::exception_ptr firstFailure;
    try {
        first();
    } catch (...) {
        firstFailure = std::current_exception();
    }
    other.join();
    if (firstFailure)
        std::rethrow_exception(firstFailure);
    if (secondFailure)
        std::rethrow_exception(secondFailure);
}

} // namespace ruvo::table
