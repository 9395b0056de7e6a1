// What the mapping from contacts to entries makes of what real contact files
// hold (extensions, e-mail addresses in TEL, fax lines, a family sharing a
// line, stray spaces, company cards, accented names, readings in kanji) and
// what its report says it changed or skipped.

#include "core/book/PhoneBookFile.h"
#include "core/book/table/PhoneBookTable.h"
#include "core/exchange/ContactExport.h"
#include "core/exchange/ContactImport.h"
#include "core/exchange/ContactReader.h"
#include "core/messages/Language.h"
#include "core/text/Cp932.h"
#include "core/text/PlainLatin.h"
#include "core/text/Utf8.h"

#include "tests/core/ExchangeTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace ruvo::exchange {
namespace {

using test::Entries;
using test::ReportLines;

using messages::Language;

std::string Card(const std::string& body) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\n" + body + "END:VCARD\r\n";
}

// One behaviour: the cards, read as the source "in", imported into a book
// that holds "05|山田 太郎|ﾔﾏﾀﾞ ﾀﾛｳ|0311112222".
struct MappingCase {
    const char* what;
    std::string vcard;
    ImportOptions options;
    Language language;
    std::vector<std::string> entries; // after the book's own
    std::vector<std::string> report;
    std::size_t skipped;
};

void PrintTo(const MappingCase& c, std::ostream* os) {
    *os << c.what;
}

class ImportMapping : public ::testing::TestWithParam<MappingCase> {
protected:
    void TearDown() override { messages::SetLanguage(Language::Japanese); }
};

TEST_P(ImportMapping, StoresAndReports) {
    const MappingCase& c = GetParam();
    messages::SetLanguage(c.language);
    PhoneBookTable table;
    table.AppendEntry();
    table.SetField(Field::Group, "05");
    table.SetField(Field::Name, *cp932::FromUtf8("山田 太郎"));
    table.SetField(Field::Kana, *cp932::FromUtf8("ﾔﾏﾀﾞ ﾀﾛｳ"));
    table.SetField(Field::Tel, "0311112222");
    table.CommitEntry();
    const ImportReport report = ImportContacts(table, ReadContacts(c.vcard, "in"), c.options);
    std::vector<std::string> expected = {"05|山田 太郎|ﾔﾏﾀﾞ ﾀﾛｳ|0311112222"};
    expected.insert(expected.end(), c.entries.begin(), c.entries.end());
    EXPECT_EQ(Entries(table), expected);
    EXPECT_EQ(ReportLines(report), c.report);
    EXPECT_EQ(report.imported, c.entries.size());
    EXPECT_EQ(report.skipped, c.skipped);
}

ImportOptions AllNumbers() {
    ImportOptions options;
    options.allNumbers = true;
    return options;
}

ImportOptions KeepDuplicates() {
    ImportOptions options;
    options.keepDuplicates = true;
    return options;
}

// Guessing readings with a dictionary that is not there.
ImportOptions GuessWithoutDictionary() {
    ImportOptions options;
    options.guessReadings = true;
    options.dictionaryFolder = "/nonexistent/mecab/dictionary";
    return options;
}

const MappingCase kMappings[] = {
    // Readings: without the dictionary, none is guessed, and that is said
    // once, not for every contact.
    {"no dictionary is said once",
     Card("FN:山田花子\r\nTEL:0311113333\r\n") + Card("FN:鈴木一郎\r\nTEL:0311114444\r\n") +
         Card("FN:Anna\r\nTEL:0311115555\r\n"),
     GuessWithoutDictionary(),
     Language::English,
     {"|山田花子||0311113333", "|鈴木一郎||0311114444", "|Anna||0311115555"},
     {"in:1: 山田花子: no dictionary (mecab-ipadic-utf8), so no reading can be guessed"},
     0},
    // Numbers: the digits the set dials; the rest is said, not glued on.
    {"an extension is left out and said",
     Card("FN:Anna\r\nTEL:03-1234-5678 ext. 5\r\n"),
     {},
     Language::English,
     {"|Anna||0312345678"},
     {"in:1: Anna: left out of the number 0312345678: ext. 5"},
     0},
    {"an extension is left out and said, in Japanese",
     Card("FN:Anna\r\nTEL:03-1234-5678 ext. 5\r\n"),
     {},
     Language::Japanese,
     {"|Anna||0312345678"},
     {"in:1: Anna: 番号 0312345678 から内線などを除きました: ext. 5"},
     0},
    {"a remark after the number",
     Card("FN:Anna\r\nTEL:045-111-2222 (自宅)\r\n"),
     {},
     Language::English,
     {"|Anna||0451112222"},
     {"in:1: Anna: left out of the number 0451112222: (自宅)"},
     0},
    {"country codes: Japan's becomes the trunk 0, another follows 010",
     Card("FN:Bea\r\nTEL:+81 90-7777-0003\r\n") + Card("FN:Cid\r\nTEL:+1 415 555 0100\r\n"),
     {},
     Language::English,
     {"|Bea||09077770003", "|Cid||01014155550100"},
     {},
     0},
    {"an e-mail address in TEL is said; the contact's number is taken",
     Card("FN:Taro\r\nTEL;TYPE=PREF:taro@example.com\r\nTEL:090-1111-2222\r\n"),
     {},
     Language::English,
     {"|Taro||09011112222"},
     {"in:1: Taro: no telephone number in 'taro@example.com'"},
     0},
    {"a contact with no usable number is skipped",
     Card("FN:Taro\r\nTEL:taro@example.com\r\n") + Card("FN:Jiro\r\n"),
     {},
     Language::English,
     {},
     {"in:1: Taro: no telephone number in 'taro@example.com'",
      "in:1: Taro: no telephone number; skipped", "in:6: Jiro: no telephone number; skipped"},
     2},

    // Fax lines: only when every number is asked for.
    {"the voice number, not a preferred fax",
     Card("FN:Office\r\nTEL;TYPE=FAX;TYPE=PREF:03-5555-0001\r\nTEL;TYPE=WORK:03-5555-0002\r\n"),
     {},
     Language::English,
     {"|Office||0355550002"},
     {},
     0},
    {"a fax number only is skipped",
     Card("FN:Office\r\nTEL;TYPE=FAX:03-5555-0001\r\n"),
     {},
     Language::English,
     {},
     {"in:1: Office: only a fax number; skipped"},
     1},
    {"a fax number only is skipped, in Japanese",
     Card("FN:Office\r\nTEL;TYPE=FAX:03-5555-0001\r\n"),
     {},
     Language::Japanese,
     {},
     {"in:1: Office: FAX 番号しかないのでスキップしました"},
     1},
    {"every number, fax lines too, with allNumbers",
     Card("FN:Office\r\nTEL:03-5555-0002\r\nTEL;TYPE=FAX:03-5555-0001\r\n") +
         Card("FN:Fax desk\r\nTEL;TYPE=FAX:03-5555-0003\r\n"),
     AllNumbers(),
     Language::English,
     {"|Office||0355550002", "|Office||0355550001", "|Fax desk||0355550003"},
     {},
     0},

    // Duplicates: the same name and the same number.
    {"a family sharing a line is imported whole",
     Card("N:高橋;正雄;;;\r\nTEL:0268-12-3456\r\n") +
         Card("N:高橋;美代子;;;\r\nTEL:0268-12-3456\r\n"),
     {},
     Language::English,
     {"|高橋 正雄||0268123456", "|高橋 美代子||0268123456"},
     {},
     0},
    {"the book's number under another name is imported",
     Card("FN:山田 花子\r\nTEL:03-1111-2222\r\n"),
     {},
     Language::English,
     {"|山田 花子||0311112222"},
     {},
     0},
    {"the book's name and number are skipped",
     Card("N:山田;太郎;;;\r\nTEL:+81 3-1111-2222\r\n"),
     {},
     Language::English,
     {},
     {"in:1: 山田 太郎: number 0311112222 is already in the book; skipped"},
     1},
    {"the book's name and number, in Japanese",
     Card("N:山田;太郎;;;\r\nTEL:03-1111-2222\r\n"),
     {},
     Language::Japanese,
     {},
     {"in:1: 山田 太郎: 番号 0311112222 は同じ名前で電話帳にあるのでスキップしました"},
     1},
    {"the book's name and number kept when asked",
     Card("N:山田;太郎;;;\r\nTEL:03-1111-2222\r\n"),
     KeepDuplicates(),
     Language::English,
     {"|山田 太郎||0311112222"},
     {},
     0},
    // The names differ only past the name's 30 bytes: stored, they would be
    // the same entry twice.
    {"names the same once cut, and the same number",
     Card("FN:" + std::string(30, 'n') + "1\r\nTEL:0120-000-111\r\n") +
         Card("FN:" + std::string(30, 'n') + "2\r\nTEL:0120000111\r\n"),
     {},
     Language::English,
     {"|" + std::string(30, 'n') + "||0120000111"},
     {"in:1: " + std::string(30, 'n') + "1: name cut to \"" + std::string(30, 'n') + "\"",
      "in:6: " + std::string(30, 'n') + "2: number 0120000111 was imported before; skipped"},
     1},

    // Names: trimmed parts, the organisation for a company card, never none.
    {"spaces around each part of the name and reading",
     Card("N: Nikdo;Nikdovic ;;;\r\nX-PHONETIC-LAST-NAME:ﾆｸﾄﾞ \r\nTEL:090-2222-3333\r\n") +
         Card("N:鈴木\xE3\x80\x80;\xE3\x80\x80花子;;;\r\nTEL:090-2222-4444\r\n"),
     {},
     Language::English,
     {"|Nikdo Nikdovic|ﾆｸﾄﾞ|09022223333", "|鈴木 花子||09022224444"},
     {},
     0},
    {"a company card is named after the organisation",
     Card("N:;;;;\r\nORG:株式会社ルーヴォ商事;営業部\r\nTEL:03-5210-1234\r\n"),
     {},
     Language::English,
     {"|株式会社ルーヴォ商事||0352101234"},
     {},
     0},
    {"a contact with no name at all is never stored",
     Card("N:;;;;\r\nTEL:090-3333-4444\r\n") + Card("FN:Ok\r\nTEL:090-3333-5555\r\n"),
     {},
     Language::English,
     {"|Ok||09033335555"},
     {"in:1: no name; skipped"},
     1},
    {"a contact with no name, in Japanese",
     Card("TEL:090-3333-4444\r\n"),
     {},
     Language::Japanese,
     {},
     {"in:1: 名前がないのでスキップしました"},
     1},

    // A reading in kanji is stored as it came and said.
    {"a reading the book check would doubt",
     Card("N:東海林;純;;;\r\nX-PHONETIC-LAST-NAME:東海林\r\nX-PHONETIC-FIRST-NAME:じゅん\r\n"
          "TEL:090-4444-5555\r\n"),
     {},
     Language::English,
     {"|東海林 純|東海林 ｼﾞｭﾝ|09044445555"},
     {"in:1: 東海林 純: the reading \"東海林 ｼﾞｭﾝ\" holds more than half-width katakana, "
      "spaces, letters and digits"},
     0},

    // Accents the code page lacks are dropped; other characters still stop
    // the contact.
    {"accented Latin letters lose their accents",
     Card("N:Dvořák;Antonín;;;\r\nTEL:090-5555-6666\r\n") +
         Card("FN:Jürgen Straße\r\nTEL:090-5555-7777\r\n"),
     {},
     Language::English,
     {"|Dvorak Antonin||09055556666", "|Jurgen Strasse||09055557777"},
     {"in:1: Dvořák Antonín: name written without accents: \"Dvorak Antonin\"",
      "in:6: Jürgen Straße: name written without accents: \"Jurgen Strasse\""},
     0},
    {"accents dropped, in Japanese",
     Card("FN:Łucja Ñúñez\r\nTEL:090-5555-8888\r\n"),
     {},
     Language::Japanese,
     {"|Lucja Nunez||09055558888"},
     {"in:1: Łucja Ñúñez: 名前をアクセント記号なしで登録しました: \"Lucja Nunez\""},
     0},
    {"a character beyond accents still stops the contact",
     Card("FN:Åsa \xF0\x9F\x98\x80\r\nTEL:090-5555-9999\r\n"),
     {},
     Language::English,
     {},
     {"in:1: Åsa \xF0\x9F\x98\x80: the name holds U+1F600 '\xF0\x9F\x98\x80', which Shift-JIS "
      "cannot hold; not imported"},
     1},
};
INSTANTIATE_TEST_SUITE_P(Exchange, ImportMapping, ::testing::ValuesIn(kMappings));

TEST(ImportCounts, InEitherLanguage) {
    ImportReport report;
    report.imported = 12;
    report.skipped = 3;
    report.cut = 1;
    messages::SetLanguage(Language::English);
    EXPECT_EQ(FormatCounts(report), "12 imported, 3 skipped, 1 cut");
    messages::SetLanguage(Language::Japanese);
    EXPECT_EQ(FormatCounts(report), "12 件インポート、3 件スキップ、1 件切り詰め");
}

// Every letter of the two blocks becomes ASCII letters, and none of them
// is one the code page could have stored as it is.
TEST(PlainLatinLetters, CoverLatin1AndExtendedAWithLettersTheCodePageLacks) {
    std::size_t letters = 0;
    for (char32_t c = 0x00C0; c <= 0x017F; ++c) {
        const std::string_view plain = PlainLatinLetter(c);
        std::string written;
        utf8::Append(written, c);
        // × and ÷, the code page's own, are no letters.
        if (c == 0x00D7 || c == 0x00F7) {
            EXPECT_EQ(plain, "") << written;
            continue;
        }
        ++letters;
        EXPECT_FALSE(cp932::FromUtf8(written)) << written;
        EXPECT_TRUE(!plain.empty() && plain.size() <= 2 &&
                    std::all_of(plain.begin(), plain.end(),
                                [](char l) {
                                    return (l >= 'A' && l <= 'Z') || (l >= 'a' && l <= 'z') ||
                                           l == '\'';
                                }))
            << written << " -> " << plain;
    }
    EXPECT_EQ(letters, 190u);
    EXPECT_EQ(PlainLatinLetter(U'e'), "");
    EXPECT_EQ(PlainLatinLetter(U'\u0180'), "");
}

TEST(PlainLatinLetters, WriteTheBaseLetter) {
    const std::pair<const char*, const char*> cases[] = {
        {"é è ê ë É", "e e e e E"},
        {"ø Ø å", "o O a"},
        {"ł Ł ń ś ź ż", "l L n s z z"},
        {"ü Ü ñ Ñ", "u U n N"},
        {"ß æ Œ þ", "ss ae OE th"},
        {"č ě ř š ž ů", "c e r s z u"},
        {"ğ ı İ ş", "g i I s"},
        {"ő ű", "o u"},
        {"山田 ä", "山田 a"},
        {"\xFF"
         "é",
         "\xFF"
         "e"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(WithPlainLatinLetters(in), out) << in;
}

// The sample book exported as vCard and imported into an empty book: every
// entry comes back, the family sharing a number (高橋正雄, 高橋美代子)
// included, and nothing is said.
TEST(ImportRoundTrip, SampleBookComesBackWhole) {
    messages::SetLanguage(Language::English);
    PhoneBookTable book;
    HeaderLines headers;
    ReadPhoneBookFile(std::string(RUVO_SOURCE_DIR) + "/examples/sample-phonebook.txt", headers,
                      book);
    ASSERT_EQ(book.RowCount(), 38u);
    PhoneBookTable imported;
    const ImportReport report = ImportContacts(
        imported, ReadContacts(ExportEntries(book, ExportFormat::VCard), "sample.vcf"), {});
    EXPECT_EQ(ReportLines(report), std::vector<std::string>{});
    EXPECT_EQ(report.imported, 38u);
    std::vector<std::string> original = Entries(book);
    std::vector<std::string> back = Entries(imported);
    std::sort(original.begin(), original.end());
    std::sort(back.begin(), back.end());
    EXPECT_EQ(back, original);
    EXPECT_NE(std::find(back.begin(), back.end(), "02|高橋美代子|ﾀｶﾊｼ ﾐﾖｺ|0268123456"), back.end());
    messages::SetLanguage(Language::Japanese);
}

} // namespace
} // namespace ruvo::exchange
