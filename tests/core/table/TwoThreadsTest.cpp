#include "core/book/table/TwoThreads.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace ruvo::table {
namespace {

// Which side throws, and what the caller then gets.
struct ThrowCase {
    bool firstThrows, secondThrows;
    const char* thrown; // nullptr: nothing
};

class TwoThreadsTest : public testing::TestWithParam<ThrowCase> {};

TEST_P(TwoThreadsTest, BothRunAndAFailureComesBack) {
    const ThrowCase& c = GetParam();
    bool firstRan = false, secondRan = false;
    std::string caught;
    try {
        OnTwoThreads(
            [&] {
                firstRan = true;
                if (c.firstThrows)
                    throw std::runtime_error("first");
            },
            [&] {
                secondRan = true;
                if (c.secondThrows)
                    throw std::runtime_error("second");
            });
    } catch (const std::runtime_error& e) {
        caught = e.what();
    }
    EXPECT_TRUE(firstRan);
    EXPECT_TRUE(secondRan);
    EXPECT_EQ(caught, c.thrown ? c.thrown : "");
}

INSTANTIATE_TEST_SUITE_P(Cases, TwoThreadsTest,
                         testing::Values(ThrowCase{false, false, nullptr},
                                         ThrowCase{false, true, "second"},
                                         ThrowCase{true, false, "first"},
                                         ThrowCase{true, true, "first"}));

} // namespace
} // namespace ruvo::table
