#include "core/book/table/LiveSlots.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace ruvo::table {
namespace {

// Checks every position and every slot against a plain list of flags.
void ExpectAgrees(const LiveSlots& live, const std::vector<bool>& flags) {
    std::size_t before = 0;
    for (std::size_t slot = 0; slot < flags.size(); ++slot) {
        ASSERT_EQ(live.LiveBefore(slot), before) << "slot " << slot;
        if (flags[slot]) {
            ASSERT_EQ(live.Find(before), slot) << "position " << before;
            ++before;
        }
    }
    ASSERT_EQ(live.LiveBefore(flags.size()), before);
}

// Appends and removals in every mix, across sizes that cross powers of two.
class LiveSlotsTest : public testing::TestWithParam<unsigned> {};

TEST_P(LiveSlotsTest, PositionsFollowAppendsAndRemovals) {
    std::mt19937 rng(GetParam());
    LiveSlots live;
    std::vector<bool> flags;
    ExpectAgrees(live, flags);
    for (int step = 0; step < 600; ++step) {
        std::vector<std::size_t> alive;
        for (std::size_t s = 0; s < flags.size(); ++s) {
            if (flags[s])
                alive.push_back(s);
        }
        if (alive.empty() || rng() % 3 != 0) {
            if (step % 2 == 0)
                live.ReserveAppend();
            live.Append();
            flags.push_back(true);
        } else {
            const std::size_t slot = alive[rng() % alive.size()];
            live.Remove(slot);
            flags[slot] = false;
        }
        ExpectAgrees(live, flags);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, LiveSlotsTest, testing::Values(1u, 2u, 3u));

TEST(LiveSlotsTest, RemovingFromTheFrontShiftsEveryPosition) {
    LiveSlots live;
    for (int i = 0; i < 9; ++i)
        live.Append();
    live.Remove(0);
    live.Remove(1);
    live.Remove(8);
    ExpectAgrees(live, {false, false, true, true, true, true, true, true, false});
    EXPECT_EQ(live.Find(0), 2u);
    EXPECT_EQ(live.Find(5), 7u);
}

} // namespace
} // namespace ruvo::table
