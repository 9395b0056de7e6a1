#include "core/book/table/SortedIndex.h"

#include "core/book/table/SortKey.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace ruvo::table {
namespace {

struct Keyed {
    const std::uint8_t* key;
    std::uint32_t seq;
};

void ExpectOrder(const SortedIndex& index, const std::vector<Keyed>& expected) {
    ASSERT_EQ(index.Size(), expected.size());
    for (std::size_t pos = 0; pos < expected.size(); ++pos) {
        ASSERT_EQ(index.At(pos).seq, expected[pos].seq) << "position " << pos;
        ASSERT_EQ(index.KeyAt(pos), expected[pos].key) << "position " << pos;
    }
}

std::vector<Keyed> SortedCopy(std::vector<Keyed> entries) {
    std::sort(entries.begin(), entries.end(),
              [](const Keyed& a, const Keyed& b) { return KeyLess(a.key, a.seq, b.key, b.seq); });
    return entries;
}

// Readings by shape: short and varied, sharing beginnings longer than one
// chunk of the sort, and many equal ones, so that every branch of the sort
// runs.
struct BuildCase {
    const char* what;
    std::string prefix;
    int count;
    int suffixChars;
};

void PrintTo(const BuildCase& c, std::ostream* os) {
    *os << c.what;
}

const BuildCase kBuildCases[] = {
    {"empty", "", 0, 0},
    {"one", "", 1, 3},
    {"short varied readings", "", 500, 4},
    {"long shared beginnings", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", 3000, 6},
    {"mostly equal readings", "ABCDEFGHIJKLMNOPQRST", 3000, 0},
};

class SortedIndexBuildTest : public testing::TestWithParam<BuildCase> {};

TEST_P(SortedIndexBuildTest, BuildSortsByKeyThenSequence) {
    const BuildCase& c = GetParam();
    std::mt19937 rng(3);
    RecordArena arena;
    std::vector<Keyed> entries;
    std::vector<SortedIndex::Item> items;
    for (int i = 0; i < c.count; ++i) {
        std::string kana = c.prefix;
        for (std::size_t n = c.suffixChars ? rng() % c.suffixChars : 0; n > 0; --n)
            kana += "AB\xB1"[rng() % 3];
        const std::string group = std::to_string(rng() % 3);
        const std::uint8_t* key = MakeSortKey(arena, kana, group);
        // Sequence numbers out of order, as after edits.
        const auto seq = static_cast<std::uint32_t>((i * 7919) % (c.count + 1));
        entries.push_back({key, seq});
        items.push_back(SortedIndex::MakeItem(key, seq, key));
    }
    SortedIndex index;
    index.Build(items);
    ExpectOrder(index, SortedCopy(entries));
}

INSTANTIATE_TEST_SUITE_P(Cases, SortedIndexBuildTest, testing::ValuesIn(kBuildCases));

// Readings of half-width katakana as a phone book holds them, many of them
// equal or one the beginning of another, with unset and empty fields, in
// numbers that take the sort's byte passes down to the groups and the
// sequence numbers.
struct KanaCase {
    const char* what;
    std::vector<std::string> pieces;
    int count;
    int maxPieces;
};

void PrintTo(const KanaCase& c, std::ostream* os) {
    *os << c.what;
}

const KanaCase kKanaCases[] = {
    {"voiced marks and long vowels",
     {"\xB6", "\xB6\xDE", "\xCA\xDF", "\xCA\xDE", "\xCA", "\xB0", " ", "\xBB", "\xAF"},
     6000,
     8},
    {"one reading, groups and order decide", {"\xD4\xCF\xC0\xDE \xC0\xDB\xB3"}, 3000, 1},
    {"each the beginning of the next", {"\xB1", "\xB0"}, 4000, 40},
    {"empty readings among short ones", {"\xB1", "\xB2\xDE"}, 2000, 2},
    {"enough to be sorted on two threads", {"\xB6", "\xB6\xDE", "\xB0", " "}, 100000, 6},
};

class SortedIndexKanaTest : public testing::TestWithParam<KanaCase> {};

TEST_P(SortedIndexKanaTest, SortAgreesWithComparingKeys) {
    const KanaCase& c = GetParam();
    std::mt19937 rng(11);
    const std::optional<std::string> groups[] = {std::nullopt, "",   "01",      "1",
                                                 "10",         "99", "\x82\x4F"};
    RecordArena arena;
    std::vector<Keyed> entries;
    std::vector<SortedIndex::Item> items;
    for (int i = 0; i < c.count; ++i) {
        std::optional<std::string> kana;
        if (rng() % 10 != 0) {
            kana.emplace();
            for (std::size_t n = rng() % (c.maxPieces + 1); n > 0; --n)
                *kana += c.pieces[rng() % c.pieces.size()];
        }
        const std::optional<std::string>& group = groups[rng() % std::size(groups)];
        const std::uint8_t* key = MakeSortKey(arena, kana, group);
        const auto seq = static_cast<std::uint32_t>((i * 7919) % (c.count + 1));
        entries.push_back({key, seq});
        items.push_back(SortedIndex::MakeItem(key, seq, key));
    }
    SortedIndex::Sort(items);
    const std::vector<Keyed> expected = SortedCopy(entries);
    ASSERT_EQ(items.size(), expected.size());
    for (std::size_t pos = 0; pos < items.size(); ++pos)
        ASSERT_EQ(items[pos].seq, expected[pos].seq) << "position " << pos;
}

INSTANTIATE_TEST_SUITE_P(Cases, SortedIndexKanaTest, testing::ValuesIn(kKanaCases));

// Inserts at the bound, erases and replacements keep the index equal to a
// sorted list.
TEST(SortedIndexTest, ChangesKeepTheOrder) {
    std::mt19937 rng(9);
    RecordArena arena;
    std::vector<Keyed> expected;
    std::vector<SortedIndex::Item> items;
    std::uint32_t nextSeq = 0;
    auto newKey = [&] { return MakeSortKey(arena, std::to_string(rng() % 50), "01"); };
    for (; nextSeq < 100; ++nextSeq) {
        const std::uint8_t* key = newKey();
        expected.push_back({key, nextSeq});
        items.push_back(SortedIndex::MakeItem(key, nextSeq, nullptr));
    }
    SortedIndex index;
    index.Build(items);
    expected = SortedCopy(expected);
    for (int step = 0; step < 2000; ++step) {
        const int op = static_cast<int>(rng() % 3);
        if (op == 0 || expected.empty()) {
            const std::uint8_t* key = newKey();
            const std::size_t pos = index.LowerBound(key, nextSeq);
            index.ReserveInsert();
            index.Insert(pos, nextSeq, key, nullptr);
            expected.push_back({key, nextSeq++});
        } else if (op == 1) {
            const std::size_t pos = rng() % expected.size();
            index.Erase(pos);
            expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(pos));
        } else {
            // A copy of the old key keeps the place.
            const std::size_t pos = rng() % expected.size();
            const std::size_t size = 2 + KeyBytes(expected[pos].key).size();
            std::uint8_t* same = arena.Allocate(size);
            std::copy_n(expected[pos].key, size, same);
            index.Replace(pos, same, same);
            EXPECT_EQ(index.At(pos).record, same);
            expected[pos].key = same;
        }
        expected = SortedCopy(expected);
        ASSERT_NO_FATAL_FAILURE(ExpectOrder(index, expected)) << "step " << step;
    }
}

} // namespace
} // namespace ruvo::table
