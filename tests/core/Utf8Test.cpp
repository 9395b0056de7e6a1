#include "core/text/Utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace ruvo::utf8 {
namespace {

struct SequenceCase {
    const char* what;
    std::string bytes;
    std::size_t length; // 0: no valid sequence
    char32_t code;
};

// The edges of each sequence length, and what lies just past them.
const SequenceCase kSequences[] = {
    {"ASCII", "a", 1, U'a'},
    {"NUL", std::string(1, '\0'), 1, 0},
    {"smallest of two bytes", "\xC2\x80", 2, 0x80},
    {"largest of two bytes", "\xDF\xBF", 2, 0x7FF},
    {"overlong NUL", "\xC0\x80", 0, 0},
    {"overlong U+007F", "\xC1\xBF", 0, 0},
    {"smallest of three bytes", "\xE0\xA0\x80", 3, 0x800},
    {"overlong U+07FF", "\xE0\x9F\xBF", 0, 0},
    {"just below the surrogates", "\xED\x9F\xBF", 3, 0xD7FF},
    {"first surrogate", "\xED\xA0\x80", 0, 0},
    {"last surrogate", "\xED\xBF\xBF", 0, 0},
    {"just past the surrogates", "\xEE\x80\x80", 3, 0xE000},
    {"hiragana", "\xE3\x81\x82", 3, U'あ'},
    {"largest of three bytes", "\xEF\xBF\xBF", 3, 0xFFFF},
    {"smallest of four bytes", "\xF0\x90\x80\x80", 4, 0x10000},
    {"overlong U+FFFF", "\xF0\x8F\xBF\xBF", 0, 0},
    {"U+10FFFF", "\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
    {"past U+10FFFF", "\xF4\x90\x80\x80", 0, 0},
    {"lead byte F5", "\xF5\x80\x80\x80", 0, 0},
    {"byte FF", "\xFF", 0, 0},
    {"lone continuation byte", "\x80", 0, 0},
    {"two bytes cut off", "\xC3", 0, 0},
    {"three bytes cut off", "\xE3\x81", 0, 0},
    {"four bytes cut off", "\xF0\x9F\x98", 0, 0},
    {"ASCII where a continuation belongs", "\xE3\x41\x82", 0, 0},
    {"lead byte where a continuation belongs", "\xE3\x81\xE3\x81\x82", 0, 0},
};

TEST(Utf8Test, SequencesAtTheirEdges) {
    for (const SequenceCase& c : kSequences) {
        EXPECT_EQ(SequenceLength(c.bytes, 0), c.length) << c.what;
        const bool valid = c.length == c.bytes.size();
        EXPECT_EQ(IsValid(c.bytes), valid) << c.what;
        EXPECT_EQ(FirstInvalid("ab" + c.bytes), valid ? npos : 2) << c.what;

        std::size_t pos = 0;
        const std::optional<char32_t> code = Next(c.bytes, pos);
        if (c.length == 0) {
            EXPECT_EQ(code, std::nullopt) << c.what;
            EXPECT_EQ(pos, 1u) << c.what;
            continue;
        }
        EXPECT_EQ(code, c.code) << c.what;
        EXPECT_EQ(pos, c.length) << c.what;
        std::string back;
        Append(back, c.code);
        EXPECT_EQ(back, c.bytes.substr(0, c.length)) << c.what;
    }
}

TEST(Utf8Test, InvalidBytesBecomeOneReplacementEach) {
    EXPECT_EQ(ToUtf32("a\xE3\x81"
                      "b\xC0\x80\xE3\x81\x82"),
              U"a\uFFFD\uFFFDb\uFFFD\uFFFDあ");
    EXPECT_EQ(FirstInvalid("a\xC3\xA9\x80\xFF"), 3u);
    EXPECT_EQ(FirstInvalid(""), npos);
}

TEST(Utf8Test, CodePointsUtf8CannotHoldBecomeReplacement) {
    EXPECT_EQ(FromUtf32(U"a\U0001F600"), "a\xF0\x9F\x98\x80");
    const std::u32string unheld = {0xD800, 0xDFFF, 0x110000, 0xFFFFFFFF};
    EXPECT_EQ(FromUtf32(unheld), "\uFFFD\uFFFD\uFFFD\uFFFD");
    const std::string text = "ﾔﾏﾀﾞ 山田 \U0010FFFF";
    EXPECT_EQ(FromUtf32(ToUtf32(text)), text);
}

} // namespace
} // namespace ruvo::utf8
