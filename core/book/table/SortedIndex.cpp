#include "core/book/table/SortedIndex.h"

#include "core/book/table/SortKey.h"
#include "core/book/table/TwoThreads.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace ruvo::table {

namespace {

using Item = SortedIndex::Item;

constexpr std::size_t kChunkBytes = 8;
// Up to 8 key bytes from `depth` on, big-endian, padded with zeros.
Item::Chunk ChunkAt(const std::uint8_t* key, std::size_t size, std::size_t depth) {
    const std::uint8_t* bytes = key + 2 + depth;
    const std::size_t count = depth < size ? std::min(size - depth, kChunkBytes) : 0;
    Item::Chunk chunk = 0;
    for (std::size_t i = 0; i < kChunkBytes; ++i)
        chunk = (chunk << 8) | (i < count ? bytes[i] : 0);
    return chunk;
}

// How many key bytes from `depth` on every item's key shares with the first
// one's, up to the shortest key's end.
std::size_t SharedLength(const Item* first, const Item* last, std::size_t depth) {
    const std::uint8_t* const base = first->key + 2 + depth;
    std::size_t shared = first->size - depth;
    for (const Item* i = first + 1; i != last && shared > 0; ++i) {
        if (i + 8 < last)
            SortedIndex::Prefetch(i[8].key);
        const std::uint8_t* const bytes = i->key + 2 + depth;
        std::size_t n = std::min<std::size_t>(shared, i->size - depth);
        std::size_t k = 0;
        while (k + 8 <= n) {
            std::uint64_t a, b;
            std::memcpy(&a, base + k, 8);
            std::memcpy(&b, bytes + k, 8);
            if (a != b)
                break;
            k += 8;
        }
        while (k < n && base[k] == bytes[k])
            ++k;
        shared = k;
    }
    return shared;
}

// Runs this short are sorted by comparisons; longer ones are split by
// their next chunk byte first.
constexpr std::ptrdiff_t kRadixRun = 48;

// Byte i (0..7) of a chunk.
unsigned ChunkByte(Item::Chunk chunk, std::size_t i) {
    return static_cast<unsigned>(chunk >> (56 - 8 * i)) & 0xFF;
}

// The order of items by chunk, then by KeyLess; the chunks of both were taken
// at the same depth of keys that agree before it.
bool ItemLess(const Item& a, const Item& b) {
    if (a.chunk != b.chunk)
        return a.chunk < b.chunk;
    return KeyLess(a.key, a.seq, b.key, b.seq);
}

void SortItems(Item* first, Item* last, std::size_t depth);

// How many leading chunk bytes every item shares, found in one pass.
std::size_t SharedChunkBytes(const Item* first, const Item* last) {
    std::uint64_t differ = 0;
    for (const Item* i = first; i != last; ++i)
        differ |= i->chunk ^ first->chunk;
    return differ != 0 ? static_cast<std::size_t>(std::countl_zero(differ)) / 8 : kChunkBytes;
}

// How many items have each value of chunk byte `byte`.
std::array<std::size_t, 256> CountBytes(const Item* first, const Item* last, std::size_t byte) {
    std::array<std::size_t, 256> count{};
    for (const Item* i = first; i != last; ++i)
        ++count[ChunkByte(i->chunk, byte)];
    return count;
}

// Moves the items, in place, into buckets by chunk byte `byte`, of the
// sizes count holds (American flag sort).
void Distribute(Item* first, std::size_t byte, const std::array<std::size_t, 256>& count) {
    std::array<Item*, 256> next, end;
    Item* at = first;
    for (std::size_t b = 0; b < 256; ++b) {
        next[b] = at;
        at += count[b];
        end[b] = at;
    }
    for (std::size_t b = 0; b < 256; ++b) {
        while (next[b] != end[b]) {
            Item moving = *next[b];
            for (unsigned to = ChunkByte(moving.chunk, byte); to != b;
                 to = ChunkByte(moving.chunk, byte))
                std::swap(moving, *next[to]++);
            *next[b]++ = moving;
        }
    }
}

// Items whose chunks agree before byte `byte` sorted by the rest of their
// chunks, byte by byte into 256 buckets moved in place (American flag
// sort), and by KeyLess among equal chunks. A byte that every item shares
// costs one counting pass: the leading 01 of a reading's key, and the 22 that
// begins every kana's weight.
void SortByChunkBytes(Item* first, Item* last, std::size_t byte, std::size_t depth) {
    for (;;) {
        if (last - first <= kRadixRun) {
            std::sort(first, last, ItemLess);
            return;
        }
        if (byte == kChunkBytes)
            break;
        if (byte == 0) {
            byte = SharedChunkBytes(first, last);
            if (byte == kChunkBytes)
                break;
        }
        const std::array<std::size_t, 256> count = CountBytes(first, last, byte);
        if (count[ChunkByte(first->chunk, byte)] == static_cast<std::size_t>(last - first)) {
            ++byte;
            continue;
        }
        Distribute(first, byte, count);
        Item* bucket = first;
        for (std::size_t b = 0; b < 256; ++b) {
            SortByChunkBytes(bucket, bucket + count[b], byte + 1, depth);
            bucket += count[b];
        }
        return;
    }
    // Every chunk is the same. Keys that end within it are prefixes of the
    // others (zero padding equals their bytes), so they come first.
    Item* longer =
        std::partition(first, last, [&](const Item& i) { return i.size <= depth + kChunkBytes; });
    std::sort(first, longer, [](const Item& a, const Item& b) {
        return a.size != b.size ? a.size < b.size : a.seq < b.seq;
    });
    SortItems(longer, last, depth + kChunkBytes);
}

// Sorts items whose keys agree on their first `depth` bytes by chunks of
// their keys, so that most of the work stays within the item array instead
// of following key pointers.
void SortItems(Item* first, Item* last, std::size_t depth) {
    if (last - first < 2)
        return;
    if (depth > 0) {
        // Entries with the same reading share a long run of key bytes: skip
        // it at once rather than one chunk after another.
        depth += SharedLength(first, last, depth);
        for (Item* i = first; i != last; ++i)
            i->chunk = ChunkAt(i->key, i->size, depth);
    }
    SortByChunkBytes(first, last, 0, depth);
}

// A bijective hash of the node id, so no two priorities are equal.
std::uint32_t Priority(std::uint32_t id) {
    id ^= id >> 16;
    id *= 0x85EBCA6Bu;
    id ^= id >> 13;
    id *= 0xC2B2AE35u;
    id ^= id >> 16;
    return id;
}

} // namespace

Item SortedIndex::MakeItem(const std::uint8_t* key, std::uint32_t seq, const std::uint8_t* record) {
    const auto size = static_cast<std::uint16_t>(KeyBytes(key).size());
    return {ChunkAt(key, size, 0), key, record, seq, size};
}

void SortedIndex::Sort(std::vector<Item>& items) {
    Item* const first = items.data();
    Item* const last = first + items.size();
    const std::size_t byte = items.size() >= kTwoThreadEntries ? SharedChunkBytes(first, last) : 0;
    if (items.size() < kTwoThreadEntries || byte == kChunkBytes) {
        SortItems(first, last, 0);
        return;
    }
    // Split by the first byte in which the chunks differ, then sort the
    // buckets on two threads, about half of the items each.
    const std::array<std::size_t, 256> count = CountBytes(first, last, byte);
    Distribute(first, byte, count);
    std::size_t split = 0, before = 0;
    while (split < 256 && 2 * (before + count[split]) <= items.size())
        before += count[split++];
    const auto sortBuckets = [&](std::size_t from, std::size_t to, Item* bucket) {
        for (std::size_t b = from; b < to; bucket += count[b++])
            SortByChunkBytes(bucket, bucket + count[b], byte + 1, 0);
    };
    OnTwoThreads([&] { sortBuckets(0, split, first); },
                 [&] { sortBuckets(split, 256, first + before); });
}

void SortedIndex::Build(std::vector<Item>& items) {
    Sort(items);
    *this = SortedIndex();
    nodes_.resize(items.size() + 1);
    std::vector<std::uint32_t> rightSpine;
    for (std::uint32_t id = 1; id <= items.size(); ++id) {
        const Item& item = items[id - 1];
        nodes_[id] = {0, 0, 1, item.seq, item.key, item.record};
        std::uint32_t last = 0;
        while (!rightSpine.empty() && Priority(rightSpine.back()) < Priority(id)) {
            last = rightSpine.back();
            rightSpine.pop_back();
        }
        nodes_[id].left = last;
        if (!rightSpine.empty())
            nodes_[rightSpine.back()].right = id;
        rightSpine.push_back(id);
    }
    root_ = rightSpine.empty() ? 0 : rightSpine.front();
    FixSizes(root_);
    inOrder_ = true;
}

std::size_t SortedIndex::LowerBound(const std::uint8_t* key, std::uint32_t seq) const {
    std::size_t pos = 0;
    for (std::uint32_t t = root_; t != 0;) {
        const Node& n = nodes_[t];
        if (KeyLess(n.key, n.seq, key, seq)) {
            pos += nodes_[n.left].size + 1;
            t = n.right;
        } else {
            t = n.left;
        }
    }
    return pos;
}

void SortedIndex::ReserveInsert() {
    if (freeList_ == 0 && nodes_.size() == nodes_.capacity())
        nodes_.reserve(2 * nodes_.size());
}

void SortedIndex::Insert(std::size_t pos, std::uint32_t seq, const std::uint8_t* key,
                         const std::uint8_t* record) {
    const std::uint32_t id = NewNode();
    inOrder_ = false;
    nodes_[id] = {0, 0, 1, seq, key, record};
    std::uint32_t left, right;
    Split(root_, pos, left, right);
    root_ = Merge(Merge(left, id), right);
}

void SortedIndex::Erase(std::size_t pos) {
    std::uint32_t left, middle, right;
    inOrder_ = false;
    Split(root_, pos, left, right);
    Split(right, 1, middle, right);
    root_ = Merge(left, right);
    nodes_[middle].left = freeList_;
    freeList_ = middle;
}

std::uint32_t SortedIndex::NewNode() {
    if (freeList_ != 0) {
        const std::uint32_t id = freeList_;
        freeList_ = nodes_[id].left;
        return id;
    }
    nodes_.push_back({});
    return static_cast<std::uint32_t>(nodes_.size() - 1);
}

void SortedIndex::Update(std::uint32_t t) {
    nodes_[t].size = nodes_[nodes_[t].left].size + nodes_[nodes_[t].right].size + 1;
}

void SortedIndex::FixSizes(std::uint32_t t) {
    if (t == 0)
        return;
    FixSizes(nodes_[t].left);
    FixSizes(nodes_[t].right);
    Update(t);
}

// Splits t into its first k nodes and the rest.
void SortedIndex::Split(std::uint32_t t, std::size_t k, std::uint32_t& left, std::uint32_t& right) {
    if (t == 0) {
        left = right = 0;
        return;
    }
    const std::size_t leftSize = nodes_[nodes_[t].left].size;
    if (k <= leftSize) {
        std::uint32_t inner;
        Split(nodes_[t].left, k, left, inner);
        nodes_[t].left = inner;
        right = t;
    } else {
        std::uint32_t inner;
        Split(nodes_[t].right, k - leftSize - 1, inner, right);
        nodes_[t].right = inner;
        left = t;
    }
    Update(t);
}

std::uint32_t SortedIndex::Merge(std::uint32_t a, std::uint32_t b) {
    if (a == 0)
        return b;
    if (b == 0)
        return a;
    if (Priority(a) > Priority(b)) {
        const std::uint32_t merged = Merge(nodes_[a].right, b);
        nodes_[a].right = merged;
        Update(a);
        return a;
    }
    const std::uint32_t merged = Merge(a, nodes_[b].left);
    nodes_[b].left = merged;
    Update(b);
    return b;
}

} // namespace ruvo::table
