#include "core/text/Cp932.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ruvo::cp932 {
namespace {

struct CharCase {
    const char* what;
    std::string text;
    std::size_t pos;
    std::string bytes;
    char32_t code;
    bool valid;
};

TEST(Cp932Test, CharactersAndTheirValidity) {
    const CharCase cases[] = {
        {"ASCII", "a", 0, "a", U'a', true},
        {"NUL is a character", std::string(1, '\0'), 0, std::string(1, '\0'), 0, true},
        {"half-width katakana", "\xB1", 0, "\xB1", U'ｱ', true},
        {"kanji", "\x95\x5C", 0, "\x95\x5C", U'表', true},
        {"second byte 0x5C is no separator", "x\x83\x5C", 1, "\x83\x5C", U'ソ', true},
        {"NEC row 13", "\x87\x54", 0, "\x87\x54", U'Ⅰ', true},
        {"lead byte at the end", "x\x82", 1, "\x82", 0, false},
        {"lead byte with a bad trail", "\x82\x20z", 0, "\x82", 0, false},
        {"0x80 begins nothing", "\x80", 0, "\x80", 0, false},
        {"0xA0 begins nothing", "\xA0", 0, "\xA0", 0, false},
        {"0xFD begins nothing", "\xFD", 0, "\xFD", 0, false},
    };
    for (const CharCase& c : cases) {
        const Char got = CharAt(c.text, c.pos);
        EXPECT_EQ(got.bytes, c.bytes) << c.what;
        EXPECT_EQ(got.valid, c.valid) << c.what;
        if (c.valid) {
            EXPECT_EQ(got.code, c.code) << c.what;
        }
        EXPECT_EQ(CharLength(c.text, c.pos),
                  IsLeadByte(c.text[c.pos]) && c.pos + 1 < c.text.size() ? 2u : 1u)
            << c.what;
    }
}

// Reading backwards agrees with walking the text from its start.
TEST(Cp932Test, SecondByteFromARunOfLeadBytes) {
    const std::string texts[] = {"a\x81\t",      "\x81\x81\t",    "\x81\x81\x81\t",
                                 "\x95\x5C\x5C", "x\x82\xA0\x82", "\xE0\x40\x81"};
    for (const std::string& text : texts) {
        std::vector<bool> second(text.size(), false);
        for (std::size_t pos = 0; pos < text.size(); pos += CharLength(text, pos))
            if (CharLength(text, pos) == 2)
                second[pos + 1] = true;
        for (std::size_t pos = 0; pos < text.size(); ++pos)
            EXPECT_EQ(IsSecondByte(text, pos), second[pos]) << testing::PrintToString(text) << pos;
    }
    // Read from a later start, the run stops there.
    EXPECT_TRUE(IsSecondByte("\x81\x81\x81\t", 3));
    EXPECT_FALSE(IsSecondByte("\x81\x81\x81\t", 3, 1));
}

TEST(Cp932Test, WalkVisitsEveryByteOnce) {
    const std::string text = "a\x82\xA0\x82\x20\x95\x5C\x82";
    std::string seen;
    std::vector<bool> valid;
    ForEachChar(text, [&](const Char& c) {
        seen += c.bytes;
        valid.push_back(c.valid);
    });
    EXPECT_EQ(seen, text);
    EXPECT_EQ(valid, (std::vector<bool>{true, true, false, true, true, false}));
}

TEST(Cp932Test, InvalidBytesShowAsAsked) {
    const std::string bytes = "a\x80\x95\x5C\x82";
    EXPECT_EQ(ToUtf8(bytes), "a\uFFFD表\uFFFD");
    EXPECT_EQ(ToUtf8(bytes, InvalidByte::HexEscape), "a\\x80表\\x82");
    EXPECT_EQ(ToUtf16(bytes), u"a\uFFFD表\uFFFD");
}

struct ModeCase {
    const char* what;
    std::string bytes;
    std::string replacement, hex, escaped;
};

// Each InvalidByte mode on the bytes that tell them apart; a pair whose
// second byte is '\' or '"' is one character in every mode.
TEST(Cp932Test, EachModeShowsItsBytes) {
    const ModeCase cases[] = {
        {"characters", "a\x95\x5C\xB1", "a表ｱ", "a表ｱ", "a表ｱ"},
        {"backslash and quote", "a\\\"", "a\\\"", "a\\\"", "a\\\\\\\""},
        {"second byte 0x5C", "\x83\x5C", "ソ", "ソ", "ソ"},
        {"TAB CR LF", "\t\r\n", "\t\r\n", "\t\r\n", "\\t\\r\\n"},
        {"other control bytes", std::string("\x01\x1F\x7F\0", 4), std::string("\x01\x1F\x7F\0", 4),
         std::string("\x01\x1F\x7F\0", 4), "\\x01\\x1F\\x7F\\x00"},
        {"bytes that begin nothing", "\x80\xA0\xFD\xFE\xFF", "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD",
         "\\x80\\xA0\\xFD\\xFE\\xFF", "\\x80\\xA0\\xFD\\xFE\\xFF"},
        {"lead byte before a TAB", "\x82\t", "\uFFFD\t", "\\x82\t", "\\x82\\t"},
        {"lead byte at the end", "x\x82", "x\uFFFD", "x\\x82", "x\\x82"},
    };
    for (const ModeCase& c : cases) {
        EXPECT_EQ(ToUtf8(c.bytes), c.replacement) << c.what;
        EXPECT_EQ(ToUtf8(c.bytes, InvalidByte::HexEscape), c.hex) << c.what;
        std::string out = "kept ";
        AppendUtf8(out, c.bytes, InvalidByte::Escaped);
        EXPECT_EQ(out, "kept " + c.escaped) << c.what;
    }
}

TEST(Cp932Test, FirstInvalidByte) {
    EXPECT_EQ(FirstInvalid(""), npos);
    EXPECT_EQ(FirstInvalid(std::string("a\x95\x5C\xB1\0", 5)), npos);
    EXPECT_EQ(FirstInvalid("a\x95\x5C\x80\x81"), 3u);
    EXPECT_EQ(FirstInvalid("\x82\x20z"), 0u);
    EXPECT_EQ(FirstInvalid("ab\x82"), 2u);
    EXPECT_TRUE(IsValid("\x87\x54"));
}

TEST(Cp932Test, EncodingNamesTheFirstUnencodableCharacter) {
    EXPECT_EQ(FromUtf8("ﾔﾏﾀﾞ 山田 表"),
              std::optional<std::string>("\xD4\xCF\xC0\xDE \x8E\x52\x93\x63 \x95\x5C"));
    std::size_t at = 99;
    EXPECT_EQ(FromUtf8("ab😀c", &at), std::nullopt);
    EXPECT_EQ(at, 2u);
    EXPECT_EQ(FromUtf8("山剝", &at), std::nullopt);
    EXPECT_EQ(at, 3u);
    EXPECT_EQ(FromUtf16(u"x😀", &at), std::nullopt);
    EXPECT_EQ(at, 1u);
    EXPECT_EQ(FromUtf16(u"電話"), std::optional<std::string>("\x93\x64\x98\x62"));
}

// Every character of the code page comes back from Unicode as a character
// with the same code point (duplicates of the NEC and IBM rows may come back
// as the other of their byte pairs).
TEST(Cp932Test, EveryCharacterSurvivesUnicode) {
    int characters = 0;
    for (int lead = 0; lead < 256; ++lead) {
        for (int trail = 0; trail < 256; ++trail) {
            const std::string pair = {static_cast<char>(lead), static_cast<char>(trail)};
            const Char c = CharAt(pair, 0);
            if (!c.valid || c.bytes.size() != 2)
                continue;
            ++characters;
            const auto back = FromUtf8(ToUtf8(c.bytes));
            ASSERT_TRUE(back) << lead << " " << trail;
            const Char again = CharAt(*back, 0);
            EXPECT_EQ(again.code, c.code) << lead << " " << trail;
        }
    }
    EXPECT_GT(characters, 7000);
}

} // namespace
} // namespace ruvo::cp932
