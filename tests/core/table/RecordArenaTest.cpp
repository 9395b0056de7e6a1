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

// What was allocated from an adopted arena lives on with the adopting one;
// both go on allocating.
TEST(RecordArenaTest, AdoptedBlocksOutliveTheirArena) {
    RecordArena arena;
    std::uint8_t* mine = arena.Allocate(3);
    std::memcpy(mine, "abc", 3);
    std::uint8_t* theirs = nullptr;
    {
        RecordArena other;
        theirs = other.Allocate(RecordArena::kChunkSize + 5);
        std::memset(theirs, 'x', RecordArena::kChunkSize + 5);
        arena.Adopt(std::move(other));
        EXPECT_NE(other.Allocate(1), nullptr);
    }
    std::memcpy(arena.Allocate(2), "de", 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mine), 3), "abc");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(theirs), RecordArena::kChunkSize + 5),
              std::string(RecordArena::kChunkSize + 5, 'x'));
}

} // namespace
} // namespace ruvo::table
