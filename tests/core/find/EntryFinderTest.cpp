#include "core/find/EntryFinder.h"

#include "core/book/table/PhoneBookTable.h"
#include "core/text/Cp932.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace ruvo {
namespace {

std::string Cp932(std::string_view utf8) {
    return cp932::FromUtf8(utf8).value();
}

struct MatchCase {
    const char* query;
    const char* name;
    const char* kana;
    const char* tel;
    bool matches;
};

TEST(FindPatternTest, KanaFormsCaseAndDigits) {
    const MatchCase cases[] = {
        {"やまだ", "山田太郎", "ﾔﾏﾀﾞ ﾀﾛｳ", "0312345678", true},
        {"ヤマダ", "山田太郎", "ﾔﾏﾀﾞ ﾀﾛｳ", "0312345678", true},
        {"ﾔﾏﾀﾞ", "山田太郎", "ﾔﾏﾀﾞ ﾀﾛｳ", "0312345678", true},
        {"やまた", "山田太郎", "ﾔﾏﾀﾞ ﾀﾛｳ", "0312345678", true}, // ﾀ then ﾞ: a prefix
        {"だろ", "山田太郎", "ﾔﾏﾀﾞ ﾀﾛｳ", "0312345678", false},
        {"ばんく", "", "ﾊﾞﾝｸ", "", true},
        {"ぱん", "", "ﾊﾞﾝｸ", "", false}, // semi-voiced is not voiced
        {"山田", "山田太郎", "", "", true},
        {"田太", "山田太郎", "", "", true},
        {"tanaka", "TANAKA Shoten", "", "", true},
        {"ＴＡＮＡＫＡ", "tanaka", "", "", true},
        {"03-1234", "", "", "0312345678", true},
        {"(03) 1234", "", "", "0312345678", true},
        {"１２３４", "", "", "0312345678", true},
        {"5678", "", "", "0312345678", true},
        {"03-9999", "", "", "0312345678", false},
        {"a1", "", "", "0312345678", false}, // not a number: no digit match
        {"😀", "山田", "ﾔﾏﾀﾞ", "03", false},
    };
    for (const MatchCase& c : cases) {
        const FindPattern pattern(c.query);
        EXPECT_EQ(pattern.Matches(Cp932(c.name), Cp932(c.kana), c.tel), c.matches)
            << c.query << " in " << c.name << " / " << c.kana << " / " << c.tel;
    }
}

TEST(FindPatternTest, TrailByteIsNoMatch) {
    // 院 is 0x89 0x40 and ー is 0x81 0x5B: their second bytes are '@' and '['.
    EXPECT_FALSE(FindPattern("@").Matches("\x89\x40", "", ""));
    EXPECT_FALSE(FindPattern("[").Matches("\x81\x5B", "", ""));
    EXPECT_TRUE(FindPattern("@").Matches("\x89\x40@", "", ""));
}

class FindRowTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* kana : {"ｱｵｷ", "ﾔﾏﾀﾞ", "ｲﾄｳ", "ﾔﾏﾓﾄ", "ｳｴﾉ"}) {
            table.AppendEntry();
            table.SetField(Field::Kana, Cp932(kana));
            table.CommitEntry();
        }
    }
    PhoneBookTable table;
};

TEST_F(FindRowTest, FromTheCurrentRowOnAndRound) {
    const FindPattern yama("やま");
    ASSERT_TRUE(FindRow(table, yama, 0, true));
    EXPECT_EQ(FindRow(table, yama, 0, true)->row, 1u);
    EXPECT_EQ(FindRow(table, yama, 1, true)->row, 1u); // the start row counts
    EXPECT_EQ(FindRow(table, yama, 2, true)->row, 3u);
    const auto wrapped = FindRow(table, yama, 4, true);
    EXPECT_EQ(wrapped->row, 1u);
    EXPECT_TRUE(wrapped->wrapped);
    EXPECT_FALSE(FindRow(table, yama, 2, true)->wrapped);
    EXPECT_EQ(FindRow(table, yama, 2, false)->row, 1u);
    const auto back = FindRow(table, yama, 0, false);
    EXPECT_EQ(back->row, 3u);
    EXPECT_TRUE(back->wrapped);
    EXPECT_FALSE(FindRow(table, FindPattern("きむら"), 0, true));
    EXPECT_FALSE(FindRow(table, FindPattern(""), 0, true));
    EXPECT_TRUE(FindPattern("").Empty());
    // Nothing can hold an emoji: the query finds nothing, and is no empty one.
    EXPECT_FALSE(FindPattern("😀").Empty());
    EXPECT_FALSE(FindRow(table, FindPattern("😀"), 0, true));
}

// Every search of the find box: forward and backward, from the first, a
// middle and the last row, looking at the start row or advancing past it.
struct WrapCase {
    std::vector<const char*> kana; // the book, one reading a row
    const char* query;
    std::size_t current;
    bool forward;
    bool advance;
    std::optional<std::size_t> row; // nothing when no row matches
    bool wrapped;
};

const std::vector<const char*> kFive = {"ｱｵｷ ｹﾝ", "ﾔﾏﾀﾞ ｹﾝ", "ｲﾄｳ ｹﾝ", "ﾔﾏﾓﾄ ｹﾝ", "ｳｴﾉ ｹﾝ"};
const std::vector<const char*> kOne = {"ﾔﾏﾀﾞ"};
constexpr bool kForward = true, kBackward = false, kAdvance = true, kStay = false;

TEST(FindRowWrapTest, PassingTheEndOrTheStartIsAWrap) {
    const WrapCase cases[] = {
        // Forward from the start row itself: every row matches.
        {kFive, "けん", 0, kForward, kStay, 0, false},
        {kFive, "けん", 2, kForward, kStay, 2, false},
        {kFive, "けん", 4, kForward, kStay, 4, false},
        {kFive, "あおき", 2, kForward, kStay, 0, true},
        {kFive, "やま", 4, kForward, kStay, 1, true},
        {kFive, "うえの", 4, kForward, kStay, 4, false},
        {kFive, "いとう", 3, kForward, kStay, 2, true},
        // Forward past the start row: from the last, the step itself wraps.
        {kFive, "けん", 0, kForward, kAdvance, 1, false},
        {kFive, "けん", 2, kForward, kAdvance, 3, false},
        {kFive, "けん", 4, kForward, kAdvance, 0, true},
        {kFive, "あおき", 4, kForward, kAdvance, 0, true},
        {kFive, "あおき", 0, kForward, kAdvance, 0, true},
        {kFive, "いとう", 2, kForward, kAdvance, 2, true},
        {kFive, "うえの", 3, kForward, kAdvance, 4, false},
        {kFive, "うえの", 4, kForward, kAdvance, 4, true},
        {kFive, "やま", 1, kForward, kAdvance, 3, false},
        {kFive, "やま", 3, kForward, kAdvance, 1, true},
        // Backward from the start row itself.
        {kFive, "けん", 0, kBackward, kStay, 0, false},
        {kFive, "けん", 2, kBackward, kStay, 2, false},
        {kFive, "けん", 4, kBackward, kStay, 4, false},
        {kFive, "あおき", 0, kBackward, kStay, 0, false},
        {kFive, "あおき", 2, kBackward, kStay, 0, false},
        {kFive, "うえの", 0, kBackward, kStay, 4, true},
        {kFive, "やま", 0, kBackward, kStay, 3, true},
        {kFive, "いとう", 1, kBackward, kStay, 2, true},
        // Backward past the start row: from the first, the step itself wraps.
        {kFive, "けん", 0, kBackward, kAdvance, 4, true},
        {kFive, "けん", 2, kBackward, kAdvance, 1, false},
        {kFive, "けん", 4, kBackward, kAdvance, 3, false},
        {kFive, "うえの", 0, kBackward, kAdvance, 4, true},
        {kFive, "うえの", 4, kBackward, kAdvance, 4, true},
        {kFive, "あおき", 1, kBackward, kAdvance, 0, false},
        {kFive, "あおき", 0, kBackward, kAdvance, 0, true},
        {kFive, "いとう", 2, kBackward, kAdvance, 2, true},
        {kFive, "やま", 1, kBackward, kAdvance, 3, true},
        {kFive, "やま", 3, kBackward, kAdvance, 1, false},
        // A current row beyond the list is its last row.
        {kFive, "けん", 9, kForward, kStay, 4, false},
        {kFive, "けん", 9, kForward, kAdvance, 0, true},
        {kFive, "けん", 9, kBackward, kAdvance, 3, false},
        // Nothing found, whichever way.
        {kFive, "きむら", 2, kForward, kAdvance, std::nullopt, false},
        {kFive, "きむら", 2, kBackward, kStay, std::nullopt, false},
        // One row: it is found again only by going round.
        {kOne, "やまだ", 0, kForward, kStay, 0, false},
        {kOne, "やまだ", 0, kForward, kAdvance, 0, true},
        {kOne, "やまだ", 0, kBackward, kStay, 0, false},
        {kOne, "やまだ", 0, kBackward, kAdvance, 0, true},
        {kOne, "きむら", 0, kForward, kAdvance, std::nullopt, false},
    };
    for (const WrapCase& c : cases) {
        PhoneBookTable table;
        for (const char* kana : c.kana) {
            table.AppendEntry();
            table.SetField(Field::Kana, Cp932(kana));
            table.CommitEntry();
        }
        const auto found = FindRow(table, FindPattern(c.query), c.current, c.forward, c.advance);
        const std::string what = std::string(c.query) + " from " + std::to_string(c.current) +
                                 (c.forward ? " forward" : " backward") +
                                 (c.advance ? " advancing" : "") + " in " +
                                 std::to_string(c.kana.size()) + " rows";
        ASSERT_EQ(found.has_value(), c.row.has_value()) << what;
        if (!found)
            continue;
        EXPECT_EQ(found->row, *c.row) << what;
        EXPECT_EQ(found->wrapped, c.wrapped) << what;
    }
}

} // namespace
} // namespace ruvo
