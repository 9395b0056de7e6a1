#include "core/book/table/TwoThreads.h"

#include <exception>
#include <thread>

namespace ruvo::table {

void OnTwoThreads(const std::function<void()>& first, const std::function<void()>& second) {
    std::exception_ptr secondFailure;
    std::thread other([&] {
        try {
            second();
        } catch (...) {
            secondFailure = std::current_exception();
        }
    });
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
