#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ruvo::table {

// Bump allocator for records and sort keys: one block per megabyte instead of
// one heap block per entry. Nothing is given back before Clear.
class RecordArena {
public:
    // Returns `size` > 0 fresh bytes, valid until Clear or the arena's end.
    std::uint8_t* Allocate(std::size_t size) {
        if (size > left_)
            StartChunk(size);
        std::uint8_t* result = next_;
        next_ += size;
        left_ -= size;
        return result;
    }

    // Gives every block back; earlier allocations become invalid.
    void Clear() noexcept;

    // Takes over the blocks of other, which is left empty: what was
    // allocated from either stays valid as long as this arena.
    void Adopt(RecordArena&& other);

    static constexpr std::size_t kChunkSize = std::size_t{1} << 20;
    static constexpr std::size_t kHugeChunkSize = std::size_t{2} << 20;
    static constexpr std::size_t kSmallChunks = 4;

private:
    void StartChunk(std::size_t size);

    struct FreeChunk {
        void operator()(std::uint8_t* chunk) const noexcept;
    };
    std::vector<std::unique_ptr<std::uint8_t[], FreeChunk>> chunks_;
    std::uint8_t* next_ = nullptr;
    std::size_t left_ = 0;
};

} // namespace ruvo::table
