#include "core/book/table/RecordArena.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace ruvo::table {

void RecordArena::FreeChunk::operator()(std::uint8_t* chunk) const noexcept {
    std::free(chunk);
}

void RecordArena::Clear() noexcept {
    std::vector<std::unique_ptr<std::uint8_t[], FreeChunk>>().swap(chunks_);
    next_ = nullptr;
    left_ = 0;
}

void RecordArena::Adopt(RecordArena&& other) {
    chunks_.reserve(chunks_.size() + other.chunks_.size());
    for (std::unique_ptr<std::uint8_t[], FreeChunk>& chunk : other.chunks_)
        chunks_.push_back(std::move(chunk));
    other.Clear();
}

void RecordArena::StartChunk(std::size_t size) {
    // A large arena takes blocks of two megabytes on huge-page boundaries, so
    // that the kernel may back each with one huge page: a million entries
    // fault in some dozens of pages instead of tens of thousands. A small
    // one keeps blocks of normal pages, of which it touches only a few.
    const bool large = chunks_.size() >= kSmallChunks;
    const std::size_t unit = large ? kHugeChunkSize : kChunkSize;
    const std::size_t chunk = (std::max(size, unit) + unit - 1) / unit * unit;
    auto* block = static_cast<std::uint8_t*>(large ? std::aligned_alloc(kHugeChunkSize, chunk)
                                                   : std::malloc(chunk));
    if (block == nullptr)
        throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    if (large)
        static_cast<void>(madvise(block, chunk, MADV_HUGEPAGE));
#endif
    chunks_.emplace_back(block);
    next_ = block;
    left_ = chunk;
}

} // namespace ruvo::table
