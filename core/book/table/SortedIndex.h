#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ruvo::table {

// The sorted order of the index iKey: entries (sequence number, sort key,
// record) ordered by KeyLess, in a treap with subtree sizes, so that finding
// by position, inserting and erasing each take O(log n). A new index is
// empty.
class SortedIndex {
public:
    // An entry to be sorted by Build.
    struct Item {
        // Up to 8 key bytes from the depth being sorted, big-endian: with
        // them an item takes 32 bytes.
        using Chunk = std::uint64_t;
        Chunk chunk;
        const std::uint8_t* key;
        const std::uint8_t* record;
        std::uint32_t seq;
        std::uint16_t size;
    };
    static Item MakeItem(const std::uint8_t* key, std::uint32_t seq, const std::uint8_t* record);

    struct Entry {
        std::uint32_t seq;
        const std::uint8_t* record;
    };

    // Asks the cache for a record that is about to be read.
    static void Prefetch(const std::uint8_t* record) {
#if defined(__GNUC__)
        __builtin_prefetch(record);
        __builtin_prefetch(record + 63); // a record may straddle two cache lines
#else
        (void)record;
#endif
    }

    // Replaces the content by the items, which it sorts by KeyLess in
    // O(n log n); the tree is then built in O(n).
    void Build(std::vector<Item>& items);
    // Sorts items by KeyLess, as Build does, for a walk without a tree.
    static void Sort(std::vector<Item>& items);

    std::size_t Size() const {
        return nodes_[root_].size;
    }

    // The entry at 0-based position pos < Size().
    Entry At(std::size_t pos) const {
        const std::uint32_t id = NodeAt(pos);
        // Nodes are laid out in sorted order when the index is built, so the
        // records a traversal reads next are usually those a few ids on.
        if (id + kPrefetchDistance < nodes_.size())
            Prefetch(nodes_[id + kPrefetchDistance].record);
        return {nodes_[id].seq, nodes_[id].record};
    }
    const std::uint8_t* KeyAt(std::size_t pos) const {
        return nodes_[NodeAt(pos)].key;
    }
    // Gives the entry at pos a new key and record; the caller keeps the order.
    void Replace(std::size_t pos, const std::uint8_t* key, const std::uint8_t* record) {
        Node& n = nodes_[NodeAt(pos)];
        n.key = key;
        n.record = record;
    }

    // Number of entries ordered before (key, seq).
    std::size_t LowerBound(const std::uint8_t* key, std::uint32_t seq) const;

    // Makes sure the next Insert allocates nothing.
    void ReserveInsert();
    // Inserts an entry so that it ends up at position pos <= Size().
    void Insert(std::size_t pos, std::uint32_t seq, const std::uint8_t* key,
                const std::uint8_t* record);
    // Removes the entry at position pos < Size().
    void Erase(std::size_t pos);

private:
    struct Node {
        std::uint32_t left, right, size, seq;
        const std::uint8_t* key;
        const std::uint8_t* record;
    };

    static constexpr std::size_t kPrefetchDistance = 4;

    std::uint32_t NodeAt(std::size_t pos) const {
        if (inOrder_)
            return static_cast<std::uint32_t>(pos + 1);
        std::uint32_t t = root_;
        for (;;) {
            const std::size_t leftSize = nodes_[nodes_[t].left].size;
            if (pos < leftSize) {
                t = nodes_[t].left;
            } else if (pos == leftSize) {
                return t;
            } else {
                pos -= leftSize + 1;
                t = nodes_[t].right;
            }
        }
    }

    std::uint32_t NewNode();
    void Update(std::uint32_t t);
    void FixSizes(std::uint32_t t);
    void Split(std::uint32_t t, std::size_t k, std::uint32_t& left, std::uint32_t& right);
    std::uint32_t Merge(std::uint32_t a, std::uint32_t b);

    // Node 0 is the empty tree.
    std::vector<Node> nodes_ = std::vector<Node>(1);
    std::uint32_t root_ = 0;
    // Erased nodes, linked through `left`.
    std::uint32_t freeList_ = 0;
    // Node ids still follow the sorted order, as built: position p is node
    // p + 1, found without a search until the first insert or erase.
    bool inOrder_ = true;
};

} // namespace ruvo::table
