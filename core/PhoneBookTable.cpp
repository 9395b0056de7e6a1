#include "PhoneBookTable.h"

#include "Collation.h"
#include "Cp932.h"
#include "Errors.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace ruvo {

namespace {

const std::array<FieldDef, kFieldCount> kFieldDefs{{
    // "ｸﾞﾙｰﾌﾟ"
    {"Group", 2, "\xB8\xDE\xD9\xB0\xCC\xDF", 2, FieldAlignment::Center},
    // "姓名"
    {"Name", 30, "\x90\xA9\x96\xBC", 30, FieldAlignment::Left},
    // "フリガナ"
    {"Kana", 30, "\x83\x74\x83\x8A\x83\x4B\x83\x69", 30, FieldAlignment::Left},
    // "電話番号"
    {"Tel", 20, "\x93\x64\x98\x62\x94\xD4\x8D\x86", 20, FieldAlignment::Left},
}};

// "空のデータセットには, この操作は実行できません"
constexpr const char* kEmptyTableText =
    "\x8B\xF3\x82\xCC\x83\x66\x81\x5B\x83\x5E\x83\x5A\x83\x62\x83\x67\x82\xC9\x82\xCD\x2C\x20"
    "\x82\xB1\x82\xCC\x91\x80\x8D\xEC\x82\xCD\x8E\xC0\x8D\x73\x82\xC5\x82\xAB\x82\xDC\x82\xB9"
    "\x82\xF1";
// "データセットが編集または挿入モードではありません"
constexpr const char* kNotEditingText =
    "\x83\x66\x81\x5B\x83\x5E\x83\x5A\x83\x62\x83\x67\x82\xAA\x95\xD2\x8F\x57\x82\xDC\x82\xBD"
    "\x82\xCD\x91\x7D\x93\xFC\x83\x82\x81\x5B\x83\x68\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC"
    "\x82\xB9\x82\xF1";
// "項目 '" ... "' が見つかりません"
constexpr const char* kFieldHead = "\x8D\x80\x96\xDA\x20\x27";
constexpr const char* kNotFoundTail = "\x27\x20\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC"
                                      "\x82\xB9\x82\xF1";
// "項目 '" ... "' の値にタブや改行は入れられません"
constexpr const char* kNoLineBreakTail =
    "\x27\x20\x82\xCC\x92\x6C\x82\xC9\x83\x5E\x83\x75\x82\xE2\x89\xFC\x8D\x73\x82\xCD"
    "\x93\xFC\x82\xEA\x82\xE7\x82\xEA\x82\xDC\x82\xB9\x82\xF1";
// "インデックス '" ... "' が見つかりません"
constexpr const char* kIndexNotFoundHead = "\x83\x43\x83\x93\x83\x66\x83\x62\x83\x4E\x83\x58"
                                           "\x20\x27";
// "閉じているデータセットには, この操作は実行できません"
constexpr const char* kClosedTableText =
    "\x95\xC2\x82\xB6\x82\xC4\x82\xA2\x82\xE9\x83\x66\x81\x5B\x83\x5E\x83\x5A\x83\x62\x83\x67"
    "\x82\xC9\x82\xCD\x2C\x20\x82\xB1\x82\xCC\x91\x80\x8D\xEC\x82\xCD\x8E\xC0\x8D\x73\x82\xC5"
    "\x82\xAB\x82\xDC\x82\xB9\x82\xF1";

constexpr std::string_view kFieldNames[kFieldCount] = {"Group", "Name", "Kana", "Tel"};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// True when one of the eight bytes at p is below 0x0E (NUL, TAB, LF and CR
// among them).
bool HoldsLowByte(const char* p) {
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kHighBits = 0x8080808080808080;
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return ((word - kOnes * 0x0E) & ~word & kHighBits) != 0;
}

// The part of text before its first NUL, which is all a field keeps; none
// when that part holds a TAB, CR or LF, bytes that a phone-book line cannot
// carry inside a value.
std::optional<std::string_view> StorablePart(std::string_view text) {
    // The file reader stores four values per line, nearly always without a
    // byte below 0x0E: check eight bytes at a time, the last eight
    // overlapping, and look closer only where such a byte is.
    const std::size_t size = text.size();
    std::size_t i = 0;
    if (size >= 8) {
        while (i + 8 <= size && !HoldsLowByte(text.data() + i))
            i += 8;
        if (i + 8 > size) {
            if (!HoldsLowByte(text.data() + size - 8))
                return text;
            i = size - 8;
        }
    }
    for (; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte > '\r')
            continue;
        if (byte == 0)
            return text.substr(0, i);
        if (byte == '\t' || byte == '\n' || byte == '\r')
            return std::nullopt;
    }
    return text;
}

// The rest of the storing rule, for a text without NUL: at most `width`
// bytes without splitting a double-byte character, no trailing spaces.
std::string_view FitToField(std::string_view text, std::size_t width) {
    if (text.size() > width) {
        std::size_t end = 0;
        while (end < width) {
            std::size_t step = cp932::IsLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
            if (end + step > width)
                break;
            end += step;
        }
        text = text.substr(0, end);
    }
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

// Bump allocator for records and sort keys: one block per megabyte instead of
// one heap block per entry. Space of replaced records is reused only after
// Clear.
class Arena {
public:
    std::uint8_t* Allocate(std::size_t size) {
        if (size > left_) {
            std::size_t chunk = std::max(size, kChunkSize);
            std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[chunk]);
            chunks_.push_back(std::move(block));
            next_ = chunks_.back().get();
            left_ = chunk;
        }
        std::uint8_t* result = next_;
        next_ += size;
        left_ -= size;
        return result;
    }
    void Clear() {
        chunks_.clear();
        chunks_.shrink_to_fit();
        next_ = nullptr;
        left_ = 0;
    }

private:
    static constexpr std::size_t kChunkSize = std::size_t{1} << 20;
    std::vector<std::unique_ptr<std::uint8_t[]>> chunks_;
    std::uint8_t* next_ = nullptr;
    std::size_t left_ = 0;
};

// A committed entry: one byte of set flags, the four text lengths, then the
// four texts back to back.
constexpr std::size_t kRecordHeader = 1 + kFieldCount;

struct Record {
    const std::uint8_t* bytes;

    bool IsSet(std::size_t field) const { return (bytes[0] >> field) & 1; }
    std::string_view Text(std::size_t field) const {
        std::size_t offset = kRecordHeader;
        for (std::size_t f = 0; f < field; ++f)
            offset += bytes[1 + f];
        return {reinterpret_cast<const char*>(bytes + offset), bytes[1 + field]};
    }
};

// Sort key of an entry, one byte string whose byte order is the order of
// (Kana, Group): a 16-bit length, then the Kana part with every 0x00 written
// as 00 FF and ended by 00 00, then the Group part. A part is empty for an
// unset field and 0x01 followed by the collation key for a text, so unset
// sorts before every text, "" included.
std::string_view KeyBytes(const std::uint8_t* key) {
    std::uint16_t size;
    std::memcpy(&size, key, 2);
    return {reinterpret_cast<const char*>(key + 2), size};
}

int CompareKeys(const std::uint8_t* a, const std::uint8_t* b) {
    std::string_view ka = KeyBytes(a), kb = KeyBytes(b);
    std::size_t common = std::min(ka.size(), kb.size());
    int c = common ? std::memcmp(ka.data(), kb.data(), common) : 0;
    if (c != 0)
        return c;
    return ka.size() < kb.size() ? -1 : (ka.size() > kb.size() ? 1 : 0);
}

// Entries with equal keys keep the order of their sequence numbers.
bool KeyLess(const std::uint8_t* a, std::uint32_t seqA, const std::uint8_t* b, std::uint32_t seqB) {
    int c = CompareKeys(a, b);
    return c != 0 ? c < 0 : seqA < seqB;
}

const std::uint8_t* MakeSortKey(Arena& arena, bool kanaSet, std::string_view kana, bool groupSet,
                                std::string_view group) {
    std::string kanaKey = kanaSet ? CollationKey(kana) : std::string();
    std::string groupKey = groupSet ? CollationKey(group) : std::string();
    // Caps far above the key of any 30-byte text; they keep the 16-bit
    // length honest whatever the collation returns.
    kanaKey.resize(std::min<std::size_t>(kanaKey.size(), 0x3FF0));
    groupKey.resize(std::min<std::size_t>(groupKey.size(), 0x7FF0));
    std::size_t zeros = static_cast<std::size_t>(std::count(kanaKey.begin(), kanaKey.end(), '\0'));
    auto size = static_cast<std::uint16_t>((kanaSet ? 1 + kanaKey.size() + zeros : 0) + 2 +
                                           (groupSet ? 1 + groupKey.size() : 0));
    std::uint8_t* key = arena.Allocate(2 + size);
    std::memcpy(key, &size, 2);
    std::uint8_t* out = key + 2;
    auto append = [&out](std::string_view bytes) {
        std::memcpy(out, bytes.data(), bytes.size());
        out += bytes.size();
    };
    if (kanaSet) {
        *out++ = 0x01;
        for (std::string_view rest = kanaKey;;) {
            std::size_t zero = rest.find('\0');
            append(rest.substr(0, zero));
            if (zero == std::string_view::npos)
                break;
            *out++ = 0x00;
            *out++ = 0xFF;
            rest.remove_prefix(zero + 1);
        }
    }
    *out++ = 0x00;
    *out++ = 0x00;
    if (groupSet) {
        *out++ = 0x01;
        append(groupKey);
    }
    return key;
}

// Counts live slots by sequence number (a Fenwick tree): the natural order
// with deleted entries counting 0, giving rank and k-th in O(log n).
class LiveSlots {
public:
    void Clear() {
        tree_.assign(1, 0);
        tree_.shrink_to_fit();
    }
    void Append() {
        std::size_t i = tree_.size();
        std::uint32_t sum = 1;
        std::size_t stop = i - (i & (~i + 1));
        for (std::size_t j = i - 1; j > stop; j -= j & (~j + 1))
            sum += tree_[j];
        tree_.push_back(sum);
    }
    void Remove(std::size_t slot) {
        for (std::size_t i = slot + 1; i < tree_.size(); i += i & (~i + 1))
            --tree_[i];
    }
    // Number of live slots before `slot`.
    std::size_t LiveBefore(std::size_t slot) const {
        std::size_t sum = 0;
        for (std::size_t i = slot; i > 0; i -= i & (~i + 1))
            sum += tree_[i];
        return sum;
    }
    // The slot of the live entry at 0-based position k; k < number of live slots.
    std::size_t Find(std::size_t k) const {
        std::size_t pos = 0;
        std::size_t step = 1;
        while (step * 2 < tree_.size())
            step *= 2;
        for (; step > 0; step /= 2) {
            if (pos + step < tree_.size() && tree_[pos + step] <= k) {
                pos += step;
                k -= tree_[pos];
            }
        }
        return pos; // 1-based index pos + 1, so slot pos
    }

private:
    std::vector<std::uint32_t> tree_ = std::vector<std::uint32_t>(1, 0);
};

// The sorted order: a treap with subtree sizes, so that position lookups,
// inserts and erases all take O(log n). Node 0 is the empty tree. Priorities
// come from a bijective hash of the node id, so no two are equal.
class SortedIndex {
public:
    // An entry to be sorted: its key, seq and record, and the bytes of its
    // key at the depth being sorted.
    struct Chunk {
        std::uint64_t high, low;
        bool operator==(const Chunk&) const = default;
        bool operator<(const Chunk& o) const {
            return high != o.high ? high < o.high : low < o.low;
        }
    };
    struct Item {
        Chunk chunk;
        const std::uint8_t* key;
        const std::uint8_t* record;
        std::uint32_t seq;
        std::uint16_t size;
    };

    void Clear() {
        std::vector<Node>(1).swap(nodes_);
        root_ = 0;
        freeList_ = 0;
        inOrder_ = true;
    }
    std::size_t Size() const { return nodes_[root_].size; }

    static Item MakeItem(const std::uint8_t* key, std::uint32_t seq, const std::uint8_t* record) {
        auto size = static_cast<std::uint16_t>(KeyBytes(key).size());
        return {ChunkAt(key, size, 0), key, record, seq, size};
    }

    // Replaces the content by the items, sorted here in O(n log n); the tree
    // is then built in O(n).
    void Build(std::vector<Item>& items) {
        SortItems(items.data(), items.data() + items.size(), 0);
        Clear();
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

    struct Entry {
        std::uint32_t seq;
        const std::uint8_t* record;
    };
    Entry At(std::size_t pos) const {
        std::uint32_t id = NodeAt(pos);
        // Nodes are laid out in sorted order when the index is built, so the
        // records a traversal reads next are usually those a few ids on.
        if (id + kPrefetchDistance < nodes_.size())
            Prefetch(nodes_[id + kPrefetchDistance].record);
        return {nodes_[id].seq, nodes_[id].record};
    }
    const std::uint8_t* KeyAt(std::size_t pos) const { return nodes_[NodeAt(pos)].key; }
    void Replace(std::size_t pos, const std::uint8_t* key, const std::uint8_t* record) {
        Node& n = nodes_[NodeAt(pos)];
        n.key = key;
        n.record = record;
    }

    // Number of entries ordered before (key, seq).
    std::size_t LowerBound(const std::uint8_t* key, std::uint32_t seq) const {
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

    void Insert(std::size_t pos, std::uint32_t seq, const std::uint8_t* key,
                const std::uint8_t* record) {
        std::uint32_t id = NewNode();
        inOrder_ = false;
        nodes_[id] = {0, 0, 1, seq, key, record};
        std::uint32_t left, right;
        Split(root_, pos, left, right);
        root_ = Merge(Merge(left, id), right);
    }

    void Erase(std::size_t pos) {
        std::uint32_t left, middle, right;
        inOrder_ = false;
        Split(root_, pos, left, right);
        Split(right, 1, middle, right);
        root_ = Merge(left, right);
        nodes_[middle].left = freeList_;
        freeList_ = middle;
    }

private:
    struct Node {
        std::uint32_t left, right, size, seq;
        const std::uint8_t* key;
        const std::uint8_t* record;
    };

    static constexpr std::size_t kChunkBytes = 16;
    static constexpr std::size_t kPrefetchDistance = 4;
    // Runs this short are sorted on whole keys, which then stay in the cache,
    // instead of fetching every key again for each further chunk.
    static constexpr std::ptrdiff_t kSmallRun = 1024;

    static void Prefetch(const std::uint8_t* record) {
#if defined(__GNUC__)
        __builtin_prefetch(record);
        __builtin_prefetch(record + 63); // a record may straddle two cache lines
#else
        (void)record;
#endif
    }

    // Up to 16 key bytes from `depth` on, big-endian, padded with zeros.
    static Chunk ChunkAt(const std::uint8_t* key, std::size_t size, std::size_t depth) {
        const std::uint8_t* bytes = key + 2 + depth;
        std::size_t count = depth < size ? std::min(size - depth, kChunkBytes) : 0;
        Chunk chunk{0, 0};
        for (std::size_t i = 0; i < 8; ++i)
            chunk.high = (chunk.high << 8) | (i < count ? bytes[i] : 0);
        for (std::size_t i = 8; i < 16; ++i)
            chunk.low = (chunk.low << 8) | (i < count ? bytes[i] : 0);
        return chunk;
    }

    // Sorts items whose keys agree on their first `depth` bytes by chunks of
    // their keys, so that most comparisons stay within the item array instead
    // of following key pointers.
    static void SortItems(Item* first, Item* last, std::size_t depth) {
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

    static std::uint32_t Priority(std::uint32_t id) {
        id ^= id >> 16;
        id *= 0x85EBCA6Bu;
        id ^= id >> 13;
        id *= 0xC2B2AE35u;
        id ^= id >> 16;
        return id;
    }

    std::uint32_t NewNode() {
        if (freeList_ != 0) {
            std::uint32_t id = freeList_;
            freeList_ = nodes_[id].left;
            return id;
        }
        nodes_.push_back({});
        return static_cast<std::uint32_t>(nodes_.size() - 1);
    }

    void Update(std::uint32_t t) {
        nodes_[t].size = nodes_[nodes_[t].left].size + nodes_[nodes_[t].right].size + 1;
    }

    void FixSizes(std::uint32_t t) {
        if (t == 0)
            return;
        FixSizes(nodes_[t].left);
        FixSizes(nodes_[t].right);
        Update(t);
    }

    std::uint32_t NodeAt(std::size_t pos) const {
        if (inOrder_)
            return static_cast<std::uint32_t>(pos + 1);
        std::uint32_t t = root_;
        for (;;) {
            std::size_t leftSize = nodes_[nodes_[t].left].size;
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

    // Splits t into its first k nodes and the rest.
    void Split(std::uint32_t t, std::size_t k, std::uint32_t& left, std::uint32_t& right) {
        if (t == 0) {
            left = right = 0;
            return;
        }
        std::size_t leftSize = nodes_[nodes_[t].left].size;
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

    std::uint32_t Merge(std::uint32_t a, std::uint32_t b) {
        if (a == 0)
            return b;
        if (b == 0)
            return a;
        if (Priority(a) > Priority(b)) {
            std::uint32_t merged = Merge(nodes_[a].right, b);
            nodes_[a].right = merged;
            Update(a);
            return a;
        }
        std::uint32_t merged = Merge(a, nodes_[b].left);
        nodes_[b].left = merged;
        Update(b);
        return b;
    }

    std::vector<Node> nodes_ = std::vector<Node>(1);
    std::uint32_t root_ = 0;
    std::uint32_t freeList_ = 0;
    // Node ids still follow the sorted order, as built: position p is node
    // p + 1, found without a search until the first insert or erase.
    bool inOrder_ = true;
};

} // namespace

const std::array<FieldDef, kFieldCount>& FieldDefs() {
    return kFieldDefs;
}

struct PhoneBookTable::Impl {
    std::string name;
    TableObserver* observer = nullptr;
    TableState state = TableState::Settled;

    // Committed entries by sequence number (order of addition); null once deleted.
    Arena records;
    std::vector<const std::uint8_t*> slots;
    LiveSlots live;
    std::size_t count = 0;

    // The sorted order, kept only while it is selected.
    bool sorted = false;
    Arena keys;
    SortedIndex index;

    // The current entry by its row in the selected order, and its slot.
    bool hasCurrent = false;
    std::size_t currentRow = 0;
    std::uint32_t currentSeq = 0;
    const std::uint8_t* currentRecord = nullptr;
    bool atEnd = false;

    // The pending entry: a new one (Adding) or a change of the current one.
    std::array<std::string, kFieldCount> pending;
    std::uint8_t pendingSet = 0;
    bool pendingAssigned = false;

    // What the observer has seen of the current row and the state.
    struct Snapshot {
        TableState state;
        std::optional<std::size_t> row;
        bool hasCurrent;
        std::uint32_t seq;
    };

    [[noreturn]] void Fail(std::string_view text) const {
        std::string message = name;
        message += ": ";
        message += text;
        throw EDatabaseError(message);
    }

    void RequireOpen() const {
        if (state == TableState::Closed)
            Fail(kClosedTableText);
    }

    std::size_t FieldIndex(std::string_view fieldName) const {
        // Called four times per entry by the file reader and writer: one
        // comparison at most.
        std::size_t f = fieldName.size() == 5                                   ? 0
                        : fieldName.size() == 3                                 ? 3
                        : fieldName.size() == 4 && (fieldName[0] | 0x20) == 'k' ? 2
                                                                                : 1;
        if (EqualsIgnoringCase(fieldName, kFieldNames[f]))
            return f;
        std::string text = kFieldHead;
        text += fieldName;
        text += kNotFoundTail;
        Fail(text);
    }

    bool Pending() const { return state == TableState::Adding || state == TableState::Changing; }

    std::optional<std::size_t> CurrentRow() const {
        if (state == TableState::Adding)
            return count;
        if (state == TableState::Closed || !hasCurrent)
            return std::nullopt;
        return currentRow;
    }

    Snapshot Take() const { return {state, CurrentRow(), hasCurrent, currentSeq}; }

    // Tells the observer about a changed state or current entry since `before`.
    void Announce(const Snapshot& before) const {
        if (!observer)
            return;
        Snapshot after = Take();
        if (after.row != before.row || after.hasCurrent != before.hasCurrent ||
            (after.hasCurrent && after.seq != before.seq) ||
            (after.state == TableState::Adding) != (before.state == TableState::Adding))
            observer->currentChanged();
        if (after.state != before.state)
            observer->stateChanged();
    }

    SortedIndex::Entry EntryAt(std::size_t row) const {
        if (sorted)
            return index.At(row);
        // Until the first delete, positions are sequence numbers.
        auto seq = static_cast<std::uint32_t>(count == slots.size() ? row : live.Find(row));
        return {seq, slots[seq]};
    }

    void SetCurrent(std::size_t row) {
        SortedIndex::Entry entry = EntryAt(row);
        hasCurrent = true;
        currentRow = row;
        currentSeq = entry.seq;
        currentRecord = entry.record;
    }

    const std::uint8_t* PackPending() {
        std::size_t size = kRecordHeader;
        for (const std::string& text : pending)
            size += text.size();
        std::uint8_t* bytes = records.Allocate(size);
        bytes[0] = pendingSet;
        std::uint8_t* out = bytes + kRecordHeader;
        for (std::size_t f = 0; f < kFieldCount; ++f) {
            bytes[1 + f] = static_cast<std::uint8_t>(pending[f].size());
            std::memcpy(out, pending[f].data(), pending[f].size());
            out += pending[f].size();
        }
        return bytes;
    }

    const std::uint8_t* PendingSortKey() {
        constexpr auto kana = static_cast<std::size_t>(Field::Kana);
        constexpr auto group = static_cast<std::size_t>(Field::Group);
        return MakeSortKey(keys, (pendingSet >> kana) & 1, pending[kana], (pendingSet >> group) & 1,
                           pending[group]);
    }

    void Commit() {
        if (state == TableState::Adding)
            CommitNew();
        else if (state == TableState::Changing)
            CommitChange();
    }

    void CommitNew() {
        const std::uint8_t* record = PackPending();
        auto seq = static_cast<std::uint32_t>(slots.size());
        const std::uint8_t* key = sorted ? PendingSortKey() : nullptr;
        std::size_t row = sorted ? index.LowerBound(key, seq) : count;
        bool moves = row != count;
        if (moves && observer)
            observer->beginMoveRow(count, row);
        slots.push_back(record);
        live.Append();
        if (sorted)
            index.Insert(row, seq, key, record);
        ++count;
        state = TableState::Settled;
        hasCurrent = true;
        currentRow = row;
        currentSeq = seq;
        currentRecord = record;
        if (moves && observer)
            observer->endMoveRow();
    }

    void CommitChange() {
        const std::uint8_t* record = PackPending();
        std::size_t from = currentRow;
        std::size_t to = from;
        const std::uint8_t* key = nullptr;
        if (sorted) {
            key = PendingSortKey();
            to = index.LowerBound(key, currentSeq);
            // The entry itself is still in the tree and counted when it sorts before its new place.
            if (CompareKeys(index.KeyAt(from), key) < 0)
                --to;
        }
        bool moves = from != to;
        if (moves && observer)
            observer->beginMoveRow(from, to);
        slots[currentSeq] = record;
        currentRecord = record;
        if (sorted) {
            if (moves) {
                index.Erase(from);
                index.Insert(to, currentSeq, key, record);
            } else {
                index.Replace(from, key, record);
            }
        }
        state = TableState::Settled;
        currentRow = to;
        if (moves && observer)
            observer->endMoveRow();
    }

    void Discard() {
        if (state == TableState::Adding) {
            if (observer)
                observer->beginRemoveRow(count);
            state = TableState::Settled;
            if (count > 0)
                SetCurrent(count - 1);
            else
                hasCurrent = false;
            if (observer)
                observer->endRemoveRow();
        } else if (state == TableState::Changing) {
            state = TableState::Settled;
            if (pendingAssigned && observer)
                observer->rowChanged(currentRow);
        }
    }

    void Settle() {
        if (!Pending())
            return;
        if (pendingAssigned)
            Commit();
        else
            Discard();
    }

    void StartPending(TableState newState) {
        pendingSet = 0;
        pendingAssigned = false;
        for (std::string& text : pending)
            text.clear();
        if (newState == TableState::Changing) {
            Record record{currentRecord};
            for (std::size_t f = 0; f < kFieldCount; ++f) {
                pending[f] = record.Text(f);
                if (record.IsSet(f))
                    pendingSet |= std::uint8_t(1u << f);
            }
        }
        state = newState;
    }

    // Drops every entry, as one reset for the observer; the table is then
    // in state `after`.
    void DropEntries(TableState after) {
        if (observer)
            observer->beginReset();
        records.Clear();
        std::vector<const std::uint8_t*>().swap(slots);
        live.Clear();
        count = 0;
        keys.Clear();
        index.Clear();
        hasCurrent = false;
        state = after;
        atEnd = false;
        if (observer)
            observer->endReset();
    }

    void BuildSortedOrder() {
        constexpr auto kana = static_cast<std::size_t>(Field::Kana);
        constexpr auto group = static_cast<std::size_t>(Field::Group);
        keys.Clear();
        std::vector<SortedIndex::Item> items;
        items.reserve(count);
        for (std::uint32_t seq = 0; seq < slots.size(); ++seq) {
            if (!slots[seq])
                continue;
            Record record{slots[seq]};
            const std::uint8_t* key = MakeSortKey(keys, record.IsSet(kana), record.Text(kana),
                                                  record.IsSet(group), record.Text(group));
            items.push_back(SortedIndex::MakeItem(key, seq, slots[seq]));
        }
        index.Build(items);
        if (hasCurrent) {
            auto it = std::find_if(items.begin(), items.end(),
                                   [&](const SortedIndex::Item& i) { return i.seq == currentSeq; });
            currentRow = static_cast<std::size_t>(it - items.begin());
        }
    }
};

PhoneBookTable::PhoneBookTable(std::string name) : impl_(std::make_unique<Impl>()) {
    impl_->name = std::move(name);
}

PhoneBookTable::~PhoneBookTable() = default;

const std::string& PhoneBookTable::name() const {
    return impl_->name;
}

void PhoneBookTable::OpenTable() {
    Impl& d = *impl_;
    if (d.state != TableState::Closed)
        return;
    auto before = d.Take();
    d.state = TableState::Settled;
    d.atEnd = false;
    d.Announce(before);
}

void PhoneBookTable::CloseTable() {
    Impl& d = *impl_;
    if (d.state == TableState::Closed)
        return;
    auto before = d.Take();
    d.DropEntries(TableState::Closed);
    d.Announce(before);
}

void PhoneBookTable::ClearEntries() {
    Impl& d = *impl_;
    d.RequireOpen();
    auto before = d.Take();
    d.Settle();
    d.DropEntries(TableState::Settled);
    d.Announce(before);
}

void PhoneBookTable::AppendEntry() {
    Impl& d = *impl_;
    d.RequireOpen();
    auto before = d.Take();
    d.Settle();
    if (d.observer)
        d.observer->beginInsertRow(d.count);
    d.StartPending(TableState::Adding);
    d.atEnd = false;
    if (d.observer)
        d.observer->endInsertRow();
    d.Announce(before);
}

void PhoneBookTable::EditEntry() {
    Impl& d = *impl_;
    d.RequireOpen();
    if (d.Pending())
        return;
    if (d.count == 0) {
        AppendEntry();
        return;
    }
    auto before = d.Take();
    d.StartPending(TableState::Changing);
    d.Announce(before);
}

void PhoneBookTable::SetField(std::string_view field, std::string_view text) {
    std::size_t f = impl_->FieldIndex(field);
    SetField(static_cast<Field>(f), text);
}

void PhoneBookTable::SetField(Field field, std::string_view text) {
    Impl& d = *impl_;
    if (!d.Pending())
        d.Fail(kNotEditingText);
    auto f = static_cast<std::size_t>(field);
    const std::optional<std::string_view> storable = StorablePart(text);
    if (!storable) {
        std::string message = kFieldHead;
        message += kFieldNames[f];
        message += kNoLineBreakTail;
        d.Fail(message);
    }
    d.pending[f] = FitToField(*storable, kFieldDefs[f].width);
    d.pendingSet |= std::uint8_t(1u << f);
    d.pendingAssigned = true;
    if (d.observer)
        d.observer->rowChanged(*d.CurrentRow());
}

std::string PhoneBookTable::GetField(std::string_view field) const {
    return GetField(static_cast<Field>(impl_->FieldIndex(field)));
}

std::string PhoneBookTable::GetField(Field field) const {
    const Impl& d = *impl_;
    d.RequireOpen();
    auto f = static_cast<std::size_t>(field);
    if (d.Pending())
        return d.pending[f];
    if (!d.hasCurrent)
        return {};
    return std::string(Record{d.currentRecord}.Text(f));
}

void PhoneBookTable::CommitEntry() {
    Impl& d = *impl_;
    d.RequireOpen();
    auto before = d.Take();
    d.Commit();
    d.Announce(before);
}

void PhoneBookTable::DiscardEntry() {
    Impl& d = *impl_;
    d.RequireOpen();
    auto before = d.Take();
    d.Discard();
    d.Announce(before);
}

void PhoneBookTable::DeleteEntry() {
    Impl& d = *impl_;
    d.RequireOpen();
    if (d.state == TableState::Adding) {
        DiscardEntry();
        return;
    }
    if (d.count == 0)
        d.Fail(kEmptyTableText);
    auto before = d.Take();
    std::size_t row = d.currentRow;
    if (d.observer)
        d.observer->beginRemoveRow(row);
    d.state = TableState::Settled;
    d.slots[d.currentSeq] = nullptr;
    d.live.Remove(d.currentSeq);
    if (d.sorted)
        d.index.Erase(row);
    --d.count;
    if (d.count == 0)
        d.hasCurrent = false;
    else
        d.SetCurrent(std::min(row, d.count - 1));
    if (d.observer)
        d.observer->endRemoveRow();
    d.Announce(before);
}

void PhoneBookTable::MoveFirst() {
    MoveTo(1);
}

void PhoneBookTable::MoveNext() {
    MoveBy(1);
}

void PhoneBookTable::MovePrior() {
    MoveBy(-1);
}

void PhoneBookTable::MoveLast() {
    MoveTo(std::numeric_limits<long long>::max());
}

void PhoneBookTable::MoveBy(long long distance) {
    Impl& d = *impl_;
    d.RequireOpen();
    auto before = d.Take();
    d.Settle();
    if (d.count == 0) {
        d.atEnd = true;
    } else {
        auto last = static_cast<long long>(d.count - 1);
        auto from = static_cast<long long>(d.currentRow);
        long long to = distance > last - from ? last : std::max(from + distance, 0LL);
        d.atEnd = distance > last - from;
        if (to != from)
            d.SetCurrent(static_cast<std::size_t>(to));
    }
    d.Announce(before);
}

void PhoneBookTable::MoveTo(long long position) {
    Impl& d = *impl_;
    d.RequireOpen();
    auto before = d.Take();
    d.Settle();
    if (d.count == 0) {
        d.atEnd = true;
    } else {
        auto last = static_cast<long long>(d.count - 1);
        long long row = position <= 1 ? 0 : std::min(position - 1, last);
        d.SetCurrent(static_cast<std::size_t>(row));
        d.atEnd = false;
    }
    d.Announce(before);
}

bool PhoneBookTable::AtEnd() const {
    return impl_->state == TableState::Closed || impl_->atEnd;
}

std::size_t PhoneBookTable::EntryCount() const {
    return impl_->count;
}

void PhoneBookTable::SelectOrder(std::string_view order) {
    Impl& d = *impl_;
    d.RequireOpen();
    bool sorted = !order.empty();
    if (sorted && !EqualsIgnoringCase(order, "iKey")) {
        std::string text = kIndexNotFoundHead;
        text += order;
        text += kNotFoundTail;
        d.Fail(text);
    }
    auto before = d.Take();
    d.Settle();
    if (sorted != d.sorted) {
        if (d.observer)
            d.observer->beginReset();
        if (sorted) {
            d.BuildSortedOrder();
            d.sorted = true;
        } else {
            d.sorted = false;
            d.keys.Clear();
            d.index.Clear();
            if (d.hasCurrent)
                d.currentRow = d.live.LiveBefore(d.currentSeq);
        }
        if (d.observer)
            d.observer->endReset();
    }
    d.Announce(before);
}

bool PhoneBookTable::SortedOrderSelected() const {
    return impl_->sorted;
}

TableState PhoneBookTable::State() const {
    return impl_->state;
}

std::size_t PhoneBookTable::RowCount() const {
    return impl_->count + (impl_->state == TableState::Adding ? 1 : 0);
}

std::optional<std::size_t> PhoneBookTable::CurrentRow() const {
    return impl_->CurrentRow();
}

CellValue PhoneBookTable::Cell(std::size_t row, Field field) const {
    const Impl& d = *impl_;
    auto f = static_cast<std::size_t>(field);
    bool pendingRow = d.Pending() && d.CurrentRow() == row;
    if (pendingRow)
        return {((d.pendingSet >> f) & 1) != 0, d.pending[f]};
    if (row >= d.count)
        return {};
    Record record{d.EntryAt(row).record};
    return {record.IsSet(f), record.Text(f)};
}

bool PhoneBookTable::PendingEntryUntouched() const {
    return impl_->state == TableState::Adding && !impl_->pendingAssigned;
}

void PhoneBookTable::SetObserver(TableObserver* observer) {
    impl_->observer = observer;
}

} // namespace ruvo
