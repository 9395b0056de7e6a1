#include "core/book/table/SortedIndex.h"

#include "core/book/table/SortKey.h"

#include <algorithm>

namespace ruvo::table {

namespace {

using Item = SortedIndex::Item;

constexpr std::size_t kChunkBytes = 16;
// Runs this short are sorted on whole keys, which then stay in the cache,
// instead of fetching every key again for each further chunk.
constexpr std::ptrdiff_t kSmallRun = 1024;

// Up to 16 key bytes from `depth` on, big-endian, padded with zeros.
Item::Chunk ChunkAt(const std::uint8_t* key, std::size_t size, std::size_t depth) {
    const std::uint8_t* bytes = key + 2 + depth;
    const std::size_t count = depth < size ? std::min(size - depth, kChunkBytes) : 0;
    Item::Chunk chunk{0, 0};
    for (std::size_t i = 0; i < 8; ++i)
        chunk.high = (chunk.high << 8) | (i < count ? bytes[i] : 0);
    for (std::size_t i = 8; i < 16; ++i)
        chunk.low = (chunk.low << 8) | (i < count ? bytes[i] : 0);
    return chunk;
}

// Sorts items whose keys agree on their first `depth` bytes by chunks of
// their keys, so that most comparisons stay within the item array instead
// of following key pointers.
void SortItems(Item* first, Item* last, std::size_t depth) {
    if (last - first < 2)
        return;
    if (depth > 0) {
        for (Item* i = first; i != last; ++i)
            i->chunk = ChunkAt(i->key, i->size, depth);
    }
    std::sort(first, last, [](const Item& a, const Item& b) { return a.chunk < b.chunk; });
    for (Item* run = first; run != last;) {
        Item* runEnd = run + 1;
        while (runEnd != last && runEnd->chunk == run->chunk)
            ++runEnd;
        if (runEnd - run > 1) {
            // Keys that end within this chunk are prefixes of the others
            // (zero padding equals their bytes), so they come first.
            Item* longer = std::partition(
                run, runEnd, [&](const Item& i) { return i.size <= depth + kChunkBytes; });
            std::sort(run, longer, [](const Item& a, const Item& b) {
                return a.size != b.size ? a.size < b.size : a.seq < b.seq;
            });
            if (runEnd - longer <= kSmallRun)
                std::sort(longer, runEnd, [](const Item& a, const Item& b) {
                    return KeyLess(a.key, a.seq, b.key, b.seq);
                });
            else
                SortItems(longer, runEnd, depth + kChunkBytes);
        }
        run = runEnd;
    }
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
    SortItems(items.data(), items.data() + items.size(), 0);
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
