#include "core/book/table/SortKey.h"

#include "core/text/collation/Collation.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

using namespace std::string_literals;

namespace ruvo::table {
namespace {

using Value = std::optional<std::string>;

struct KanaGroup {
    Value kana, group;
};

void PrintTo(const KanaGroup& e, std::ostream* os) {
    auto show = [](const Value& v) { return v ? "\"" + *v + "\"" : "unset"s; };
    *os << "{" << show(e.kana) << ", " << show(e.group) << "}";
}

const std::uint8_t* Key(RecordArena& arena, const KanaGroup& e) {
    auto view = [](const Value& v) {
        return v ? std::optional<std::string_view>(*v) : std::nullopt;
    };
    return MakeSortKey(arena, view(e.kana), view(e.group));
}

// Each list is in ascending order, every entry strictly before the next.
const std::vector<KanaGroup> kAscending[] = {
    // Unset before the empty text before any text; Kana decides first.
    {{std::nullopt, "02"s}, {""s, std::nullopt}, {""s, "01"s}, {"A"s, std::nullopt}},
    // Group decides between equal readings, as text: 09 before 1 before 10.
    {{"A"s, std::nullopt}, {"A"s, ""s}, {"A"s, "09"s}, {"A"s, "1"s}, {"A"s, "10"s}},
    // A reading that begins another comes first, whatever the groups.
    {{"A"s, "99"s}, {"AB"s, std::nullopt}, {"AB"s, "00"s}, {"B"s, std::nullopt}},
};

TEST(SortKeyTest, OrdersByKanaThenGroup) {
    RecordArena arena;
    for (const auto& list : kAscending) {
        for (std::size_t i = 0; i + 1 < list.size(); ++i) {
            const std::uint8_t* a = Key(arena, list[i]);
            const std::uint8_t* b = Key(arena, list[i + 1]);
            EXPECT_LT(CompareKeys(a, b), 0) << testing::PrintToString(list[i]) << " before "
                                            << testing::PrintToString(list[i + 1]);
            EXPECT_GT(CompareKeys(b, a), 0);
            EXPECT_EQ(CompareKeys(a, Key(arena, list[i])), 0);
        }
    }
}

TEST(SortKeyTest, EqualKeysFallBackOnTheSequenceNumber) {
    RecordArena arena;
    const std::uint8_t* a = Key(arena, {"A"s, "01"s});
    const std::uint8_t* b = Key(arena, {"A"s, "01"s});
    const std::uint8_t* c = Key(arena, {"B"s, "01"s});
    EXPECT_TRUE(KeyLess(a, 1, b, 2));
    EXPECT_FALSE(KeyLess(b, 2, a, 1));
    EXPECT_FALSE(KeyLess(a, 1, a, 1));
    EXPECT_TRUE(KeyLess(a, 9, c, 1));
}

// Any two entries compare as the pair of their fields' collation keys does,
// an unset field before every text.
TEST(SortKeyTest, AgreesWithComparingTheFieldsOneByOne) {
    const char* pieces[] = {"A", "a", "B", "\x83\x41", "\x82\xA0", "\xB1", "-", "'", "1", "0", " "};
    std::mt19937 rng(5);
    auto randomValue = [&]() -> Value {
        if (rng() % 6 == 0)
            return std::nullopt;
        std::string text;
        for (std::size_t n = rng() % 5; n > 0; --n)
            text += pieces[rng() % std::size(pieces)];
        return text;
    };
    auto part = [](const Value& v) { return v ? "\x01" + CollationKey(*v) : std::string(); };
    RecordArena arena;
    for (int round = 0; round < 5000; ++round) {
        const KanaGroup a{randomValue(), randomValue()}, b{randomValue(), randomValue()};
        const auto ra = std::make_tuple(part(a.kana), part(a.group));
        const auto rb = std::make_tuple(part(b.kana), part(b.group));
        const int expected = ra < rb ? -1 : (rb < ra ? 1 : 0);
        const int c = CompareKeys(Key(arena, a), Key(arena, b));
        ASSERT_EQ((c > 0) - (c < 0), expected)
            << testing::PrintToString(a) << " against " << testing::PrintToString(b);
    }
}

} // namespace
} // namespace ruvo::table
