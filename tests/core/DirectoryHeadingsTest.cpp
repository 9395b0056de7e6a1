#include "core/book/DirectoryHeadings.h"

#include "core/book/table/PhoneBookTable.h"
#include "core/text/Cp932.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ruvo {
namespace {

std::string Sjis(std::string_view utf8) {
    return cp932::FromUtf8(utf8).value();
}

TEST(KanaRowOf, FirstKanaDecidesTheRow) {
    const struct {
        const char* reading;
        std::optional<KanaRow> row;
    } cases[] = {
        {"ｱｵｷ", KanaRow::A},          {"ｶﾞｯｺｳ", KanaRow::Ka}, // voiced with its row
        {"ﾊﾟﾝ", KanaRow::Ha},                                 // semi-voiced
        {"ｯﾀ", KanaRow::Ta},                                  // small kana
        {"ｧｲ", KanaRow::A},                                   //
        {"ｮｼ", KanaRow::Ya},                                  //
        {"ｳﾞｨｵﾗ", KanaRow::A},                                // ｳﾞ is ウ voiced
        {"ﾔﾏﾀﾞ", KanaRow::Ya},                                //
        {"ﾖｺﾔﾏ", KanaRow::Ya},                                //
        {"ﾗｲ", KanaRow::Ra},                                  //
        {"ﾛｰﾄﾞ", KanaRow::Ra},                                //
        {"ﾜﾀﾞ", KanaRow::Wa},                                 //
        {"ｦｶ", KanaRow::Wa},                                  //
        {"ﾝｺ", KanaRow::Wa},                                  // ん goes with わ
        {"ﾏﾂﾓﾄ", KanaRow::Ma},                                //
        {"ﾉﾑﾗ", KanaRow::Na},                                 //
        {"ｿﾉ", KanaRow::Sa},                                  //
        {"ヴァイオリン", KanaRow::A},                         // full-width katakana
        {"ヶ丘", KanaRow::Ka},                                //
        {"ヵ", KanaRow::Ka},                                  //
        {"ゐど", KanaRow::Wa},                                // hiragana
        {"ぱん", KanaRow::Ha},                                //
        {"ん", KanaRow::Wa},                                  //
        {"-ｱｲ", KanaRow::A},                                  // the collation passes over - and ﾞ
        {"ﾞｱ", KanaRow::A},                                   //
        {"", std::nullopt},                                   //
        {" ｱ", std::nullopt},                                 // a space sorts first
        {"ABC", std::nullopt},                                //
        {"123", std::nullopt},                                //
        {"(ｶ)", std::nullopt},                                //
        {"ｰｱ", std::nullopt},                                 // the long vowel mark starts no row
        {"漢字", std::nullopt},                               //
        {"ゝ", std::nullopt},                                 // nor an iteration mark
    };
    for (const auto& c : cases)
        EXPECT_EQ(KanaRowOf(Sjis(c.reading)), c.row) << c.reading;
    // A byte that begins no character starts no row.
    EXPECT_EQ(KanaRowOf("\x81"), std::nullopt);
}

// The readings in the table's saved order, each behind the heading (if
// any) printed before it: "[あ]", "ｱｵｷ".
std::vector<std::string> Directory(const std::vector<std::string>& readings) {
    PhoneBookTable table;
    for (const std::string& reading : readings) {
        table.AppendEntry();
        table.SetField(Field::Kana, Sjis(reading));
        table.CommitEntry();
    }
    std::vector<std::string> lines;
    DirectoryHeadings headings;
    table.ForEachEntry(PhoneBookTable::Walk::Saved, [&](const PhoneBookTable::EntryFields& f) {
        const std::string_view reading = f[static_cast<std::size_t>(Field::Kana)].text;
        if (const auto section = headings.Next(reading))
            lines.push_back("[" + std::string(DirectorySectionHeading(*section)) + "]");
        lines.push_back(cp932::ToUtf8(reading));
        return true;
    });
    return lines;
}

// The headings over the real sort: no-kana readings that sort first under
// their own heading, each row's heading once before its first entry, and
// what sorts after the kana (kanji, ｰ, iteration marks) under その他 at
// the end rather than under わ.
TEST(DirectoryHeadings, OneHeadingBeforeTheFirstEntryOfEachSection) {
    const std::vector<std::string> lines =
        Directory({"ﾜﾀﾞ", "ｰｱ", "ｶﾞｯｺｳ", "ABC", "ｱｵｷ", "漢字", "ｶﾄｳ", "", "123", "ﾝｺ", "ｯﾀ",
                   "ｳﾞｨｵﾗ", "ヶ丘", "-ｱｲ", "ゝ"});
    const std::vector<std::string> expected = {"[英数・記号]", "",      "123", "ABC",   //
                                               "[あ]",         "-ｱｲ",   "ｱｵｷ", "ｳﾞｨｵﾗ", //
                                               "[か]",         "ｶﾞｯｺｳ", "ｶﾄｳ", "ヶ丘",  //
                                               "[た]",         "ｯﾀ",                    //
                                               "[わ]",         "ﾜﾀﾞ",   "ﾝｺ",           //
                                               "[その他]",     "漢字",  "ゝ",  "ｰｱ"};
    EXPECT_EQ(lines, expected);
}

TEST(DirectoryHeadings, NoKanaFirstNeedsNoHeadingOfItsOwnWhenAbsent) {
    EXPECT_EQ(Directory({"ﾏﾂﾓﾄ", "ﾏｴﾀﾞ"}), (std::vector<std::string>{"[ま]", "ﾏｴﾀﾞ", "ﾏﾂﾓﾄ"}));
    EXPECT_EQ(Directory({}), std::vector<std::string>{});
}

// A section whose heading was shown already goes on under the heading
// above it instead of repeating its own.
TEST(DirectoryHeadings, OutOfOrderEntryStaysUnderTheHeadingAbove) {
    DirectoryHeadings headings;
    EXPECT_EQ(headings.Next(Sjis("ｶﾄｳ")), DirectorySection::Ka);
    EXPECT_EQ(headings.Next(Sjis("ｻﾄｳ")), DirectorySection::Sa);
    EXPECT_EQ(headings.Next(Sjis("ｶﾄｳ")), std::nullopt);
    EXPECT_EQ(headings.Next(Sjis("ABC")), DirectorySection::AfterKana);
    EXPECT_EQ(headings.Next(Sjis("ｻﾄｳ")), std::nullopt);
}

} // namespace
} // namespace ruvo
