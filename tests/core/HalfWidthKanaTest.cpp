#include "core/text/HalfWidthKana.h"

#include "core/text/Utf8.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo {
namespace {

struct CharCase {
    char32_t from;
    std::u32string_view to;
};

void PrintTo(const CharCase& c, std::ostream* os) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c.from));
    *os << name;
}

// Every hiragana, in code order.
const CharCase kHiragana[] = {
    {U'ぁ', U"ｧ"},  {U'あ', U"ｱ"},  {U'ぃ', U"ｨ"},  {U'い', U"ｲ"},  {U'ぅ', U"ｩ"},  {U'う', U"ｳ"},
    {U'ぇ', U"ｪ"},  {U'え', U"ｴ"},  {U'ぉ', U"ｫ"},  {U'お', U"ｵ"},  {U'か', U"ｶ"},  {U'が', U"ｶﾞ"},
    {U'き', U"ｷ"},  {U'ぎ', U"ｷﾞ"}, {U'く', U"ｸ"},  {U'ぐ', U"ｸﾞ"}, {U'け', U"ｹ"},  {U'げ', U"ｹﾞ"},
    {U'こ', U"ｺ"},  {U'ご', U"ｺﾞ"}, {U'さ', U"ｻ"},  {U'ざ', U"ｻﾞ"}, {U'し', U"ｼ"},  {U'じ', U"ｼﾞ"},
    {U'す', U"ｽ"},  {U'ず', U"ｽﾞ"}, {U'せ', U"ｾ"},  {U'ぜ', U"ｾﾞ"}, {U'そ', U"ｿ"},  {U'ぞ', U"ｿﾞ"},
    {U'た', U"ﾀ"},  {U'だ', U"ﾀﾞ"}, {U'ち', U"ﾁ"},  {U'ぢ', U"ﾁﾞ"}, {U'っ', U"ｯ"},  {U'つ', U"ﾂ"},
    {U'づ', U"ﾂﾞ"}, {U'て', U"ﾃ"},  {U'で', U"ﾃﾞ"}, {U'と', U"ﾄ"},  {U'ど', U"ﾄﾞ"}, {U'な', U"ﾅ"},
    {U'に', U"ﾆ"},  {U'ぬ', U"ﾇ"},  {U'ね', U"ﾈ"},  {U'の', U"ﾉ"},  {U'は', U"ﾊ"},  {U'ば', U"ﾊﾞ"},
    {U'ぱ', U"ﾊﾟ"}, {U'ひ', U"ﾋ"},  {U'び', U"ﾋﾞ"}, {U'ぴ', U"ﾋﾟ"}, {U'ふ', U"ﾌ"},  {U'ぶ', U"ﾌﾞ"},
    {U'ぷ', U"ﾌﾟ"}, {U'へ', U"ﾍ"},  {U'べ', U"ﾍﾞ"}, {U'ぺ', U"ﾍﾟ"}, {U'ほ', U"ﾎ"},  {U'ぼ', U"ﾎﾞ"},
    {U'ぽ', U"ﾎﾟ"}, {U'ま', U"ﾏ"},  {U'み', U"ﾐ"},  {U'む', U"ﾑ"},  {U'め', U"ﾒ"},  {U'も', U"ﾓ"},
    {U'ゃ', U"ｬ"},  {U'や', U"ﾔ"},  {U'ゅ', U"ｭ"},  {U'ゆ', U"ﾕ"},  {U'ょ', U"ｮ"},  {U'よ', U"ﾖ"},
    {U'ら', U"ﾗ"},  {U'り', U"ﾘ"},  {U'る', U"ﾙ"},  {U'れ', U"ﾚ"},  {U'ろ', U"ﾛ"},  {U'ゎ', U"ゎ"},
    {U'わ', U"ﾜ"},  {U'ゐ', U"ゐ"}, {U'ゑ', U"ゑ"}, {U'を', U"ｦ"},  {U'ん', U"ﾝ"},  {U'ゔ', U"ｳﾞ"},
    {U'ゕ', U"ゕ"}, {U'ゖ', U"ゖ"},
};

// Every katakana, in code order.
const CharCase kKatakana[] = {
    {U'ァ', U"ｧ"},  {U'ア', U"ｱ"},  {U'ィ', U"ｨ"},  {U'イ', U"ｲ"},  {U'ゥ', U"ｩ"},  {U'ウ', U"ｳ"},
    {U'ェ', U"ｪ"},  {U'エ', U"ｴ"},  {U'ォ', U"ｫ"},  {U'オ', U"ｵ"},  {U'カ', U"ｶ"},  {U'ガ', U"ｶﾞ"},
    {U'キ', U"ｷ"},  {U'ギ', U"ｷﾞ"}, {U'ク', U"ｸ"},  {U'グ', U"ｸﾞ"}, {U'ケ', U"ｹ"},  {U'ゲ', U"ｹﾞ"},
    {U'コ', U"ｺ"},  {U'ゴ', U"ｺﾞ"}, {U'サ', U"ｻ"},  {U'ザ', U"ｻﾞ"}, {U'シ', U"ｼ"},  {U'ジ', U"ｼﾞ"},
    {U'ス', U"ｽ"},  {U'ズ', U"ｽﾞ"}, {U'セ', U"ｾ"},  {U'ゼ', U"ｾﾞ"}, {U'ソ', U"ｿ"},  {U'ゾ', U"ｿﾞ"},
    {U'タ', U"ﾀ"},  {U'ダ', U"ﾀﾞ"}, {U'チ', U"ﾁ"},  {U'ヂ', U"ﾁﾞ"}, {U'ッ', U"ｯ"},  {U'ツ', U"ﾂ"},
    {U'ヅ', U"ﾂﾞ"}, {U'テ', U"ﾃ"},  {U'デ', U"ﾃﾞ"}, {U'ト', U"ﾄ"},  {U'ド', U"ﾄﾞ"}, {U'ナ', U"ﾅ"},
    {U'ニ', U"ﾆ"},  {U'ヌ', U"ﾇ"},  {U'ネ', U"ﾈ"},  {U'ノ', U"ﾉ"},  {U'ハ', U"ﾊ"},  {U'バ', U"ﾊﾞ"},
    {U'パ', U"ﾊﾟ"}, {U'ヒ', U"ﾋ"},  {U'ビ', U"ﾋﾞ"}, {U'ピ', U"ﾋﾟ"}, {U'フ', U"ﾌ"},  {U'ブ', U"ﾌﾞ"},
    {U'プ', U"ﾌﾟ"}, {U'ヘ', U"ﾍ"},  {U'ベ', U"ﾍﾞ"}, {U'ペ', U"ﾍﾟ"}, {U'ホ', U"ﾎ"},  {U'ボ', U"ﾎﾞ"},
    {U'ポ', U"ﾎﾟ"}, {U'マ', U"ﾏ"},  {U'ミ', U"ﾐ"},  {U'ム', U"ﾑ"},  {U'メ', U"ﾒ"},  {U'モ', U"ﾓ"},
    {U'ャ', U"ｬ"},  {U'ヤ', U"ﾔ"},  {U'ュ', U"ｭ"},  {U'ユ', U"ﾕ"},  {U'ョ', U"ｮ"},  {U'ヨ', U"ﾖ"},
    {U'ラ', U"ﾗ"},  {U'リ', U"ﾘ"},  {U'ル', U"ﾙ"},  {U'レ', U"ﾚ"},  {U'ロ', U"ﾛ"},  {U'ヮ', U"ヮ"},
    {U'ワ', U"ﾜ"},  {U'ヰ', U"ヰ"}, {U'ヱ', U"ヱ"}, {U'ヲ', U"ｦ"},  {U'ン', U"ﾝ"},  {U'ヴ', U"ｳﾞ"},
    {U'ヵ', U"ヵ"}, {U'ヶ', U"ヶ"}, {U'ヷ', U"ﾜﾞ"}, {U'ヸ', U"ヸ"}, {U'ヹ', U"ヹ"}, {U'ヺ', U"ｦﾞ"},
};

// Marks, signs and spaces of the CJK blocks.
const CharCase kSigns[] = {
    {U'　', U" "},     {U'、', U"､"},  {U'。', U"｡"},  {U'「', U"｢"},  {U'」', U"｣"},
    {U'・', U"･"},     {U'ー', U"ｰ"},  {U'゛', U"ﾞ"},  {U'゜', U"ﾟ"},  {U'\u3099', U"ﾞ"},
    {U'\u309A', U"ﾟ"}, {U'〃', U"〃"}, {U'〈', U"〈"}, {U'『', U"『"}, {U'【', U"【"},
    {U'〜', U"〜"},    {U'ゝ', U"ゝ"}, {U'ゞ', U"ゞ"}, {U'ゟ', U"ゟ"}, {U'゠', U"゠"},
    {U'ヽ', U"ヽ"},    {U'ヾ', U"ヾ"}, {U'ヿ', U"ヿ"},
};

class CharTest : public testing::TestWithParam<CharCase> {};

TEST_P(CharTest, GivesTheHalfWidthForm) {
    const CharCase& c = GetParam();
    EXPECT_EQ(ToHalfWidthKana(std::u32string(1, c.from)), c.to);
}

INSTANTIATE_TEST_SUITE_P(Hiragana, CharTest, testing::ValuesIn(kHiragana));
INSTANTIATE_TEST_SUITE_P(Katakana, CharTest, testing::ValuesIn(kKatakana));
INSTANTIATE_TEST_SUITE_P(Signs, CharTest, testing::ValuesIn(kSigns));

// The kana tables hold every code point of their ranges, in order.
TEST(HalfWidthKanaTest, KanaTablesCoverEveryKana) {
    std::u32string hiragana;
    for (const CharCase& c : kHiragana)
        hiragana += c.from;
    std::u32string katakana;
    for (const CharCase& c : kKatakana)
        katakana += c.from;
    std::u32string expectedHiragana;
    for (char32_t c = 0x3041; c <= 0x3096; ++c)
        expectedHiragana += c;
    std::u32string expectedKatakana;
    for (char32_t c = 0x30A1; c <= 0x30FA; ++c)
        expectedKatakana += c;
    EXPECT_EQ(hiragana, expectedHiragana);
    EXPECT_EQ(katakana, expectedKatakana);
}

const std::u32string_view kFullWidthAscii =
    U"！＂＃＄％＆＇（）＊＋，－．／０１２３４５６７８９：；＜＝＞？"
    U"＠ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺ［＼］＾＿"
    U"｀ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚ｛｜｝～";
const std::u32string_view kAscii = U"!\"#$%&'()*+,-./0123456789:;<=>?"
                                   U"@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_"
                                   U"`abcdefghijklmnopqrstuvwxyz{|}~";

TEST(HalfWidthKanaTest, FullWidthAsciiBecomesAscii) {
    ASSERT_EQ(kFullWidthAscii.size(), 0xFF5Eu - 0xFF01u + 1);
    for (std::size_t i = 0; i < kFullWidthAscii.size(); ++i)
        ASSERT_EQ(kFullWidthAscii[i], 0xFF01 + i);
    EXPECT_EQ(ToHalfWidthKana(kFullWidthAscii), kAscii);
}

// Characters the tables above check exactly.
bool IsListed(char32_t c) {
    if (c >= 0xFF01 && c <= 0xFF5E)
        return true;
    for (const auto table :
         {std::span<const CharCase>(kHiragana), std::span<const CharCase>(kKatakana),
          std::span<const CharCase>(kSigns)}) {
        for (const CharCase& listed : table) {
            if (listed.from == c)
                return true;
        }
    }
    return false;
}

// Every code point that no table above converts, half-width kana included,
// comes back unchanged; the UTF-8 overload agrees on every code point.
TEST(HalfWidthKanaTest, EverythingElseStaysAndUtf8Agrees) {
    std::vector<char32_t> changed;
    std::vector<char32_t> utf8Differs;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const std::u32string one(1, c);
        const std::u32string result = ToHalfWidthKana(one);
        if (!IsListed(c) && result != one)
            changed.push_back(c);
        if (ToHalfWidthKana(utf8::FromUtf32(one)) != utf8::FromUtf32(result))
            utf8Differs.push_back(c);
    }
    EXPECT_EQ(changed, std::vector<char32_t>{});
    EXPECT_EQ(utf8Differs, std::vector<char32_t>{});
}

struct TextCase {
    const char* what;
    std::u32string_view text;
    std::u32string_view half;
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.what;
}

const TextCase kTextCases[] = {
    {"empty", U"", U""},
    {"hiragana word", U"がっこう", U"ｶﾞｯｺｳ"},
    {"katakana name with a full-width space", U"ヤマダ　タロウ", U"ﾔﾏﾀﾞ ﾀﾛｳ"},
    {"combining marks after the base", U"か\u3099は\u309A", U"ｶﾞﾊﾟ"},
    {"long vowel and small kana", U"ジェーン・ドゥ", U"ｼﾞｪｰﾝ･ﾄﾞｩ"},
    {"kanji and full-width signs", U"山田（ヤマダ）　０９０－１２", U"山田(ﾔﾏﾀﾞ) 090-12"},
    {"already half-width", U"ｶﾞｯｺｳ ﾔﾏﾀﾞ abc", U"ｶﾞｯｺｳ ﾔﾏﾀﾞ abc"},
    {"kana without a half-width form", U"ゐヱヶヸ", U"ゐヱヶヸ"},
    {"outside the BMP", U"𠮷野や", U"𠮷野ﾔ"},
};

class TextTest : public testing::TestWithParam<TextCase> {};

TEST_P(TextTest, GivesTheHalfWidthText) {
    const TextCase& c = GetParam();
    EXPECT_EQ(ToHalfWidthKana(c.text), c.half);
    EXPECT_EQ(ToHalfWidthKana(c.half), c.half);
    EXPECT_EQ(ToHalfWidthKana(utf8::FromUtf32(c.text)), utf8::FromUtf32(c.half));
}

INSTANTIATE_TEST_SUITE_P(Text, TextTest, testing::ValuesIn(kTextCases));

struct BytesCase {
    const char* what;
    std::string_view utf8;
    std::string_view half;
};

void PrintTo(const BytesCase& c, std::ostream* os) {
    *os << c.what;
}

const BytesCase kBytesCases[] = {
    {"cut after the lead byte", "\xE3", "\xE3"},
    {"cut inside the sequence", "\xE3\x81", "\xE3\x81"},
    {"lead byte then ASCII",
     "\xE3\x81"
     "a",
     "\xE3\x81"
     "a"},
    {"lone continuation bytes", "\x81\x8C", "\x81\x8C"},
    {"invalid bytes around kana", "\xFF\xE3\x81\x8C\xC0", "\xFF\xEF\xBD\xB6\xEF\xBE\x9E\xC0"},
    {"Shift-JIS bytes", "\x83\x4A\x83\x69", "\x83\x4A\x83\x69"},
    {"full-width A after a cut sequence", "\xEF\xBC\xEF\xBC\xA1",
     "\xEF\xBC"
     "A"},
};

class BytesTest : public testing::TestWithParam<BytesCase> {};

TEST_P(BytesTest, KeepsBytesThatAreNotUtf8) {
    const BytesCase& c = GetParam();
    EXPECT_EQ(ToHalfWidthKana(c.utf8), c.half);
}

INSTANTIATE_TEST_SUITE_P(Bytes, BytesTest, testing::ValuesIn(kBytesCases));

} // namespace
} // namespace ruvo
