#include "core/book/table/RecordArena.h"

#include <algorithm>

namespace ruvo::table {

void RecordArena::Clear() noexcept {
    std::vector<std::unique_ptr<std::uint8_t[]>>().swap(chunks_);
    next_ = nullptr;
    left_ = 0;
}

void RecordArena::Adopt(RecordArena&& other) {
    chunks_.reserve(chunks_.size() + other.chunks_.size());
    for (std::unique_ptr<std::uint8_t[]>& chunk : other.chunks_)
        chunks_.push_back(std::move(chunk));
    other.Clear();
}

void RecordArena::StartChunk(std::size_t size) {
    const std::size_t chunk = std::max(size, kChunkSize);
    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[chunk]);
    chunks_.push_back(std::move(block));
    next_ = chunks_.back().get();
    left_ = chunk;
}

} // namespace ruvo::table
