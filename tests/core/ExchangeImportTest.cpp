// Reading vCard and CSV sources into contacts and mapping them to entries:
// what lands in the table and what the report says.

#include "core/book/table/PhoneBookTable.h"
#include "core/exchange/ContactImport.h"
#include "core/exchange/ContactReader.h"
#include "core/messages/Language.h"
#include "core/text/Cp932.h"
#include "core/text/FullWidthKana.h"

#include "tests/core/ExchangeTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace ruvo::exchange {
namespace {

using test::Entries;
using test::ReportLines;

// The report lines below are the English ones, as ruvotel prints them
// under a C locale.
template <class Case> class InEnglish : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override { messages::SetLanguage(messages::Language::English); }
    void TearDown() override { messages::SetLanguage(messages::Language::Japanese); }
};

std::string ReadFixture(const std::string& name) {
    std::ifstream in(std::string(RUVO_TEST_DATA) + "/exchange/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct FixtureCase {
    const char* file;
    const char* format;
    bool allNumbers;
    std::vector<std::string> entries;
    std::vector<std::string> report;
};

void PrintTo(const FixtureCase& c, std::ostream* os) {
    *os << c.file << (c.allNumbers ? " --all-numbers" : "");
}

class FixtureImport : public InEnglish<FixtureCase> {};

TEST_P(FixtureImport, GivesTheseEntriesAndReport) {
    const FixtureCase& c = GetParam();
    const ContactSource source = ReadContacts(ReadFixture(c.file), c.file);
    EXPECT_EQ(source.format, c.format);
    PhoneBookTable table;
    ImportOptions options;
    options.allNumbers = c.allNumbers;
    const ImportReport report = ImportContacts(table, source, options);
    EXPECT_EQ(Entries(table), c.entries);
    EXPECT_EQ(ReportLines(report), c.report);
    EXPECT_EQ(report.imported, c.entries.size());
}

const FixtureCase kFixtures[] = {
    {"phone21-sjis.vcf",
     "vCard 2.1",
     false,
     {"05|山田 太郎|ﾔﾏﾀﾞ ﾀﾛｳ|09011112222", "|表 ソ能|ﾋｮｳ ｿﾉｳ|08033334444",
      "12|長谷川 花子|ﾊｾｶﾞﾜ ﾊﾅｺ|0655556666"},
     {}},
    {"phone21-sjis.vcf",
     "vCard 2.1",
     true,
     {"05|山田 太郎|ﾔﾏﾀﾞ ﾀﾛｳ|0312345678", "05|山田 太郎|ﾔﾏﾀﾞ ﾀﾛｳ|09011112222",
      "|表 ソ能|ﾋｮｳ ｿﾉｳ|08033334444", "12|長谷川 花子|ﾊｾｶﾞﾜ ﾊﾅｺ|0655556666"},
     {}},
    {"apple30.vcf",
     "vCard 3.0",
     false,
     {"|佐藤 一郎|ｻﾄｳ ｲﾁﾛｳ|09077778888", "|Smith Bob|ｽﾐｽ ﾎﾞﾌﾞ|0399990000"},
     {}},
    {"android40.vcf",
     "vCard 4.0",
     false,
     {"|鈴木 次郎|ｽｽﾞｷ ｼﾞﾛｳ|09044445555", "|高橋 三郎|ﾀｶﾊｼ ｻﾌﾞﾛｳ|07012123434"},
     {}},
    {"google-new.csv",
     "CSV (Google)",
     false,
     {"03|田中 花子|ﾀﾅｶ ﾊﾅｺ|0310002000", "|Lee Anne \"Annie\"||0350006000"},
     {}},
    {"google-new.csv",
     "CSV (Google)",
     true,
     {"03|田中 花子|ﾀﾅｶ ﾊﾅｺ|09010002000", "03|田中 花子|ﾀﾅｶ ﾊﾅｺ|0310002000",
      "|Lee Anne \"Annie\"||0350006000", "|Lee Anne \"Annie\"||0350007000"},
     {}},
    {"google-old.csv",
     "CSV (Google)",
     false,
     {"|伊藤 四郎|ｲﾄｳ ｼﾛｳ|08020003000"},
     {"google-old.csv:3: 渡辺 五郎: no telephone number; skipped"}},
    {"outlook.csv",
     "CSV",
     false,
     {"|中村 六郎|ﾅｶﾑﾗ ﾛｸﾛｳ|09030004000", "|小林 七子|ｺﾊﾞﾔｼ ﾅﾅｺ|0457008000"},
     {}},
    {"book.csv",
     "CSV (phone book)",
     false,
     {"01|加藤 八郎|ｶﾄｳ ﾊﾁﾛｳ|0312345678", "02|表, ソ能|ﾋｮｳ|09011112222"},
     {}},
};
INSTANTIATE_TEST_SUITE_P(Exchange, FixtureImport, ::testing::ValuesIn(kFixtures));

// Sources that are not what they claim: an error naming the source and line.
// (A vCard costs only the cards that cannot be read: see VCardReaderTest.)
struct BadCase {
    const char* name;
    std::string bytes;
    const char* message;
};

void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.name;
}

class BadSource : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadSource, FailsNamingSourceAndLine) {
    const BadCase& c = GetParam();
    messages::SetLanguage(messages::Language::English);
    try {
        ReadContacts(c.bytes, "in");
        ADD_FAILURE() << "no error";
    } catch (const ExchangeError& error) {
        EXPECT_STREQ(error.what(), c.message);
    }
    messages::SetLanguage(messages::Language::Japanese);
}

const BadCase kBadSources[] = {
    {"binary", std::string("\x00\x01\xFF\xFE\x80", 5),
     "in:1: not a text file, so no contacts can be read from it"},
    {"unknown columns", "Foo,Bar\r\n1,2\r\n",
     "in:1: neither a vCard nor a CSV with known column names"},
};
INSTANTIATE_TEST_SUITE_P(Exchange, BadSource, ::testing::ValuesIn(kBadSources));

// A CSV that bends the rules loses only what cannot be read: the rest is
// imported, and the report says what was skipped or guessed.
struct CsvFaultCase {
    const char* name;
    std::string csv;
    std::vector<std::string> entries;
    std::vector<std::string> report;
};

void PrintTo(const CsvFaultCase& c, std::ostream* os) {
    *os << c.name;
}

class CsvFault : public ::testing::TestWithParam<CsvFaultCase> {
protected:
    void SetUp() override { messages::SetLanguage(messages::Language::English); }
    void TearDown() override { messages::SetLanguage(messages::Language::Japanese); }
};

TEST_P(CsvFault, ImportsTheRestAndReports) {
    const CsvFaultCase& c = GetParam();
    PhoneBookTable table;
    const ImportReport report = ImportContacts(table, ReadContacts(c.csv, "in"), {});
    EXPECT_EQ(Entries(table), c.entries);
    EXPECT_EQ(ReportLines(report), c.report);
}

const CsvFaultCase kCsvFaults[] = {
    {"unterminated quote",
     "Name,Phone 1 - Value\r\na,0311110001\r\n\"abc,0311110002\r\n\r\n",
     {"|a||0311110001"},
     {"in:3: a quoted cell is never closed; skipped from this row to the end"}},
    {"text after quote", "Name,Mobile Phone\r\n\"a\"b,0311110001\r\n", {"|ab||0311110001"}, {}},
    {"ragged row",
     "Name,Mobile Phone\r\na,0311110001\r\nb,0311110002,3\r\nc,0311110004,\r\n",
     {"|a||0311110001", "|c||0311110004"},
     {"in:3: a row of 3 cells under a header of 2; skipped"}},
    {"undecodable bytes",
     "Name,Mobile Phone\r\na,0311110001\r\n\x85\x40,0311110002\r\n",
     {"|a||0311110001", "|…@||0311110002"},
     {"in:3: neither UTF-8 nor Shift-JIS; read as Windows-1252"}},
};
INSTANTIATE_TEST_SUITE_P(Exchange, CsvFault, ::testing::ValuesIn(kCsvFaults));

// The mapping's reports, one per contact that was skipped or changed.
struct MappingCase {
    const char* name;
    std::string vcard;
    ImportOptions options;
    std::vector<std::string> entries;
    std::vector<std::string> report;
    std::size_t imported, skipped, cut;
};

void PrintTo(const MappingCase& c, std::ostream* os) {
    *os << c.name;
}

class Mapping : public InEnglish<MappingCase> {};

TEST_P(Mapping, AppendsAndReports) {
    const MappingCase& c = GetParam();
    PhoneBookTable table;
    table.AppendEntry();
    table.SetField(Field::Name, "Old");
    table.SetField(Field::Tel, "0311112222");
    table.CommitEntry();
    const ImportReport report = ImportContacts(table, ReadContacts(c.vcard, "in"), c.options);
    std::vector<std::string> expected = {"|Old||0311112222"};
    expected.insert(expected.end(), c.entries.begin(), c.entries.end());
    EXPECT_EQ(Entries(table), expected);
    EXPECT_EQ(ReportLines(report), c.report);
    EXPECT_EQ(report.imported, c.imported);
    EXPECT_EQ(report.skipped, c.skipped);
    EXPECT_EQ(report.cut, c.cut);
}

std::string Card(const std::string& body) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\n" + body + "END:VCARD\r\n";
}

const MappingCase kMappings[] = {
    {"name and number already in the book",
     Card("FN:Old\r\nTEL:03-1111-2222\r\n") + Card("FN:B\r\nTEL:090\r\n"),
     {},
     {"|B||090"},
     {"in:1: Old: number 0311112222 is already in the book; skipped"},
     1,
     1,
     0},
    {"duplicates kept when asked",
     Card("FN:A\r\nTEL:03-1111-2222\r\n"),
     {"", false, true},
     {"|A||0311112222"},
     {},
     1,
     0,
     0},
    {"duplicate within the import",
     Card("FN:A\r\nTEL:090 1\r\n") + Card("FN:A\r\nTEL:+81901\r\n"),
     {},
     {"|A||0901"},
     {"in:6: A: number 0901 was imported before; skipped"},
     1,
     1,
     0},
    {"character outside Shift-JIS",
     Card("FN:Smile \xF0\x9F\x98\x80\r\nTEL:11\r\n") + Card("N:剝;x;;;\r\nTEL:22\r\n"),
     {},
     {},
     {"in:1: Smile \xF0\x9F\x98\x80: the name holds U+1F600 '\xF0\x9F\x98\x80', which Shift-JIS "
      "cannot hold; not imported",
      "in:6: 剝 x: the name holds U+525D '剝', which Shift-JIS cannot hold; not imported"},
     0,
     2,
     0},
    {"fields cut to their widths",
     Card("N:" + std::string(20, 'F') + ";" + std::string(15, 'G') +
          ";;;\r\nX-PHONETIC-LAST-NAME:" + std::string(12, 'k') +
          "\r\nTEL:+44 1234 5678 9012 3456 7\r\nX-GNO:123\r\n"),
     {},
     {"12|" + std::string(20, 'F') + " " + std::string(9, 'G') + "|kkkkkkkkkkkk|" +
      "01044123456789012345"},
     {"in:1: " + std::string(20, 'F') + " " + std::string(15, 'G') +
      ": group cut to \"12\"; name cut to \"" + std::string(20, 'F') + " " + std::string(9, 'G') +
      "\"; number cut to \"01044123456789012345\""},
     1,
     0,
     1},
    {"double-byte character at the cut",
     Card("FN:" + std::string(29, 'a') + "漢\r\nTEL:55\r\n"),
     {},
     {"|" + std::string(29, 'a') + "||55"},
     {"in:1: " + std::string(29, 'a') + "漢: name cut to \"" + std::string(29, 'a') + "\""},
     1,
     0,
     1},
    {"no number",
     Card("FN:Nobody\r\nTEL:ext.\r\n"),
     {},
     {},
     {"in:1: Nobody: no telephone number in 'ext.'", "in:1: Nobody: no telephone number; skipped"},
     0,
     1,
     0},
    {"group from the options, the contact's own first",
     Card("FN:A\r\nTEL:77\r\n") + Card("FN:B\r\nTEL:88\r\nX-GNO:02\r\n"),
     {"09", false, false},
     {"09|A||77", "02|B||88"},
     {},
     2,
     0,
     0},
    // A group is stored as the window stores a typed one: one digit becomes two.
    {"one-digit X-GNO made two digits",
     Card("FN:A\r\nTEL:71\r\nX-GNO:5\r\n"),
     {},
     {"05|A||71"},
     {},
     1,
     0,
     0},
    {"one-digit group label made two digits",
     "First Name,Last Name,Labels,Phone 1 - Label,Phone 1 - Value\r\n"
     "A,,* myContacts ::: Group 7,Mobile,71\r\n",
     {},
     {"07|A||71"},
     {},
     1,
     0,
     0},
    {"one-digit group from the options made two digits",
     Card("FN:A\r\nTEL:71\r\n"),
     {"3", false, false},
     {"03|A||71"},
     {},
     1,
     0,
     0},
    {"two digits, zero and other text as the window keeps them",
     Card("FN:A\r\nTEL:71\r\nX-GNO:12\r\n") + Card("FN:B\r\nTEL:72\r\nX-GNO:0\r\n") +
         Card("FN:C\r\nTEL:73\r\nX-GNO:7a\r\n") + Card("FN:D\r\nTEL:74\r\nX-GNO:\r\n"),
     {"3", false, false},
     {"12|A||71", "00|B||72", "7a|C||73", "|D||74"},
     {},
     4,
     0,
     0},
    {"digits beyond what a number holds are kept, then cut",
     Card("FN:A\r\nTEL:71\r\nX-GNO:99999999999\r\n"),
     {},
     {"99|A||71"},
     {"in:1: A: group cut to \"99\""},
     1,
     0,
     1},
    {"formatted name when there is no structured one; tabs and line breaks become spaces",
     Card("FN:Line\\nBreak\tTab\r\nN:;;;;\r\nSORT-STRING:かな\r\nTEL:11\r\n"),
     {},
     {"|Line Break Tab|ｶﾅ|11"},
     {},
     1,
     0,
     0},
    {"folded lines never split a character",
     Card("FN:あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへ\r\n ほ\r\nTEL:99\r\n"),
     {},
     {"|あいうえおかきくけこさしすせそ||99"},
     {"in:1: あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほ: name cut to "
      "\"あいうえおかきくけこさしすせそ\""},
     1,
     0,
     1},
};
INSTANTIATE_TEST_SUITE_P(Exchange, Mapping, ::testing::ValuesIn(kMappings));

struct TextCase {
    const char* in;
    const char* out;
};

TEST(FullWidthKatakana, JoinsVoicedMarks) {
    const TextCase cases[] = {
        {"ﾔﾏﾀﾞ ﾀﾛｳ", "ヤマダ タロウ"},
        {"ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ", "パピプペポ"},
        {"ｳﾞｧﾜﾞｦﾞ", "ヴァヷヺ"},
        {"ｶﾞﾞ", "ガ゛"},
        {"ｱﾞｰ･", "ア゛ー・"},
        {"ﾞABC1", "゛ABC1"},
        {"ｯﾞﾂﾞ", "ッ゛ヅ"},
        {"", ""},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(ToFullWidthKatakana(c.in), c.out) << c.in;
}

} // namespace
} // namespace ruvo::exchange
