#include "core/text/TextHelpers.h"
#include "core/error/Errors.h"
#include "core/text/Cp932.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace std::string_literals;

namespace ruvo {
namespace {

struct SplitCase {
    const char* what;
    std::string text;
    std::string delimiter;
    bool quoted;
    StringList items;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.what;
}

class SplitTextTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTextTest, GivesTheItems) {
    const SplitCase& c = GetParam();
    StringList list{"left", "over"};
    const int count = SplitText(c.text, c.delimiter, list, c.quoted);
    EXPECT_EQ(list, c.items);
    EXPECT_EQ(count, static_cast<int>(list.size()));
}

const SplitCase kPlainCases[] = {
    {"empty text", "", "\t", false, {""}},
    {"empty item kept", "a\t\tb", "\t", false, {"a", "", "b"}},
    {"trailing delimiter", "a\t", "\t", false, {"a", ""}},
    {"only a delimiter", "\t", "\t", false, {"", ""}},
    {"no delimiter, spaces kept", "  ab c  ", "\t", false, {"  ab c  "}},
    {"NUL ends the text", "a\tb\0c\td"s, "\t", false, {"a", "b"}},
    {"NUL right after a delimiter", "a\t\0b"s, "\t", false, {"a", ""}},
    // ソ and 表 end in 0x5C; only the lone 0x5C between them splits.
    {"0x5C as trail byte", "\x83\x5c\\\x95\x5c", "\\", false, {"\x83\x5c", "\x95\x5c"}},
    {"TAB after a lead byte is its trail byte", "\x81\tb\tc", "\t", false, {"\x81\tb", "c"}},
    {"lead byte at the end", "a\t\x81", "\t", false, {"a", "\x81"}},
    // 山田太郎 TAB ﾔﾏﾀﾞﾀﾛｳ: half-width katakana are single bytes.
    {"Shift-JIS items",
     "\x8e\x52\x93\x63\x91\xbe\x98\x59\t\xd4\xcf\xc0\xde\xc0\xdb\xb3",
     "\t",
     false,
     {"\x8e\x52\x93\x63\x91\xbe\x98\x59", "\xd4\xcf\xc0\xde\xc0\xdb\xb3"}},
    {"longer delimiter consumed whole", "1ab2ab", "ab", false, {"1", "2", ""}},
    {"empty delimiter never matches", "a\tb", "", false, {"a\tb"}},
    {"quote is ordinary in plain mode", "\"a\tb\"", "\t", false, {"\"a", "b\""}},
};
INSTANTIATE_TEST_SUITE_P(Plain, SplitTextTest, testing::ValuesIn(kPlainCases));

const SplitCase kQuotedCases[] = {
    {"TAB inside quotes", "\"a\tb\"\tc", "\t", true, {"a\tb", "c"}},
    {"doubled quote", "\"a\"\"b\"", "\t", true, {"a\"b"}},
    {"two quotes then z", "\"\"\tz", "\t", true, {"", "z"}},
    {"quote inside an item is ordinary", "x\"y\tz", "\t", true, {"x\"y", "z"}},
    {"quoted item ends the text", "\"a\"", "\t", true, {"a"}},
    {"quoted item then delimiter", "\"a\"\t", "\t", true, {"a", ""}},
    {"two quoted items", "\"a\"\t\"b\"", "\t", true, {"a", "b"}},
    {"plain then quoted", "a\t\"b\tc\"", "\t", true, {"a", "b\tc"}},
    {"unterminated keeps every byte", "\"abc", "\t", true, {"abc"}},
    {"quote as trail byte is no quote", "\"\x81\"x\"\ty", "\t", true, {"\x81\"x", "y"}},
    // After the closing quote the scan moves on by one byte, whatever it is:
    // a lead byte there does not take the next byte with it.
    {"other byte after the closing quote is dropped", "\"a\"xb\tc", "\t", true, {"a", "b", "c"}},
    {"lead byte after the closing quote", "\"a\"\x82\xa0z\tc", "\t", true, {"a", "\xa0z", "c"}},
    {"TAB after a lead byte after the closing quote", "\"a\"\x81\tb", "\t", true, {"a", "", "b"}},
    {"longer delimiter after the closing quote consumed whole", "\"a\"ab2", "ab", true, {"a", "2"}},
};
INSTANTIATE_TEST_SUITE_P(Quoted, SplitTextTest, testing::ValuesIn(kQuotedCases));

// The rule read forwards: a lead byte and the byte after it are one
// character.
std::size_t FindForwards(std::string_view text, char byte, std::size_t pos) {
    while (pos < text.size()) {
        if (text[pos] == byte) {
            return pos;
        }
        pos += cp932::IsLeadByte(static_cast<unsigned char>(text[pos])) ? 2 : 1;
    }
    return std::string_view::npos;
}

TEST(FindByteAtBoundaryTest, AgreesWithAForwardScan) {
    // Lead bytes, bytes that are both lead and trail, TAB, ':' and 0x5C.
    const char alphabet[] = {'\t', ':', 'a', '\x5c', '\x81', '\x9f', '\xe0', '\xfc', '\xa0'};
    std::mt19937 random(7);
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 12, ' ');
        for (char& c : text) {
            c = alphabet[random() % sizeof alphabet];
        }
        const std::size_t start = text.empty() ? 0 : random() % text.size();
        for (const char byte : {'\t', ':', '\x81'}) {
            ASSERT_EQ(FindByteAtBoundary(text, byte, start), FindForwards(text, byte, start))
                << testing::PrintToString(text) << " from " << start;
        }
    }
}

struct PadCase {
    std::string text;
    int width;
    std::string expected;
};

TEST(ZeroPadDigitsTest, PadsDigitOnlyTextsAndLeavesOthers) {
    const PadCase cases[] = {
        {"7", 2, "07"},
        {"07", 2, "07"},
        {"0", 2, "00"},
        {"123", 2, "123"},
        {"007", 2, "07"},
        {"", 2, ""},
        {" 7", 2, " 7"},
        {"7 ", 2, "7 "},
        {"1a", 2, "1a"},
        {"-7", 2, "-7"},
        {"+7", 2, "+7"},
        {"\x82\x56", 2, "\x82\x56"}, // full-width 7
        {"0", 0, "0"},
        {"42", 0, "42"},
        {"5", 16, "0000000000000005"},
        {"5", 17, "5"},
        {"2147483647", 2, "2147483647"},
        {"000000000000000000002147483647", 2, "2147483647"},
    };
    for (const PadCase& c : cases) {
        EXPECT_EQ(ZeroPadDigits(c.text, c.width), c.expected)
            << "'" << c.text << "' width " << c.width;
    }
}

TEST(ZeroPadDigitsTest, NumberBeyond32BitsIsAConvertError) {
    for (const std::string text : {"2147483648", "4294967296", "99999999999999999999999999"}) {
        try {
            ZeroPadDigits(text, 2);
            ADD_FAILURE() << text << " was accepted";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + text + "' は整数ではありません");
        }
    }
}

TEST(IsDigitTest, TrueForExactlyTheTenDigits) {
    for (int byte = 0; byte < 256; ++byte) {
        EXPECT_EQ(IsDigit(static_cast<unsigned char>(byte)), byte >= 0x30 && byte <= 0x39) << byte;
    }
}

} // namespace
} // namespace ruvo
