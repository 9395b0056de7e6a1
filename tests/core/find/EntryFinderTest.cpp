#include "find/EntryFinder.h"

#include "Cp932.h"
#include "PhoneBookTable.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace ruvo
