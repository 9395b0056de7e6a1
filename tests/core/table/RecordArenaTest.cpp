#include "core/book/table/RecordArena.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace ruvo::table {
namespace {

// Allocations of every size, some larger than a block: each keeps its bytes
// while later ones start new blocks.
TEST(RecordArenaTest, EarlierAllocationsKeepTheirBytes) {
    const std::size_t sizes[] = {1,
                                 5,
                                 255,
                                 RecordArena::kChunkSize - 300,
                                 RecordArena::kChunkSize,
                                 RecordArena::kChunkSize + 1,
                                 7};
    RecordArena arena;
    for (int round = 0; round < 2; ++round) {
        std::vector<std::pair<std::uint8_t*, std::string>> written;
        for (int repeat = 0; repeat < 3; ++repeat) {
            for (std::size_t size : sizes) {
                std::string bytes(size, static_cast<char>('a' + written.size() % 26));
                std::uint8_t* p = arena.Allocate(size);
                std::memcpy(p, bytes.data(), size);
                written.emplace_back(p, bytes);
            }
        }
        for (const auto& [p, bytes] : written)
            ASSERT_EQ(std::string(reinterpret_cast<const char*>(p), bytes.size()), bytes);
        arena.Clear(); // and the arena is as good as new
    }
}

} // namespace
} // namespace ruvo::table
