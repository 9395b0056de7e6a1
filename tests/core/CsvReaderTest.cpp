// The CSV reader: the contacts it reads from each program's columns and from
// sources that bend the rules, and the notes it leaves on what it skipped or
// had to guess.

#include "core/exchange/CsvReader.h"
#include "core/exchange/ContactReader.h"
#include "core/messages/Language.h"

#include "tests/core/ExchangeTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ruvo::exchange {
namespace {

using test::MarkedUtf16;
using test::Utf16;

using messages::Language;

// A contact as "LINE name|family|given|organization|numbers", each number
// marked " fax" or " preferred" when it is.
std::string Describe(const Contact& c) {
    std::string text = std::to_string(c.line) + " " + c.formattedName + "|" + c.familyName + "|" +
                       c.givenName + "|" + c.organization + "|";
    for (std::size_t i = 0; i < c.phones.size(); ++i) {
        text += (i ? "," : "") + c.phones[i].number;
        text += c.phones[i].fax ? " fax" : "";
        text += c.phones[i].preferred ? " preferred" : "";
    }
    return text;
}

std::vector<std::string> Contacts(const ContactSource& source) {
    std::vector<std::string> out;
    for (const Contact& c : source.contacts)
        out.push_back(Describe(c));
    return out;
}

std::vector<std::string> Notes(const ContactSource& source) {
    std::vector<std::string> out;
    for (const SourceNote& n : source.notes)
        out.push_back(std::to_string(n.line) + ": " + n.message);
    return out;
}

class EnglishNotes : public ::testing::Test {
protected:
    void SetUp() override { messages::SetLanguage(Language::English); }
    void TearDown() override { messages::SetLanguage(Language::Japanese); }
};

struct CsvCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> contacts;
    std::vector<std::string> notes;
};

void PrintTo(const CsvCase& c, std::ostream* os) {
    *os << c.name;
}

class CsvRead : public EnglishNotes, public ::testing::WithParamInterface<CsvCase> {};

TEST_P(CsvRead, GivesTheseContactsAndNotes) {
    const CsvCase& c = GetParam();
    const ContactSource source = ReadContacts(c.bytes, "in");
    EXPECT_EQ(Contacts(source), c.contacts);
    EXPECT_EQ(Notes(source), c.notes);
}

const CsvCase kCsvCases[] = {
    {"empty cells past the header are dropped",
     "Name,Mobile Phone\r\na,1,\r\nb,2,, \r\n",
     {"2 a||||1", "3 b||||2"},
     {}},
    {"a row with a value past the header is skipped",
     "Name,Mobile Phone\r\na,1\r\nb,2,3\r\nc,4,,x\r\nd,5\r\n",
     {"2 a||||1", "5 d||||5"},
     {"3: a row of 3 cells under a header of 2; skipped",
      "4: a row of 4 cells under a header of 2; skipped"}},
    {"a short row leaves the rest empty",
     "Company,Name,Mobile Phone\r\nX\r\nY,b\r\n",
     {"2 |||X|", "3 b|||Y|"},
     {}},
    {"text after a closing quote stays in the cell",
     "Name,Mobile Phone\r\n\"a\"b,1\r\n\"c\" \"d\",\"2\"3\r\n",
     {"2 ab||||1", "3 c \"d\"||||23"},
     {}},
    // The quoted line end moves the lines on; the note names the row the
    // unclosed quote is in.
    {"an unclosed quote ends the rows before it",
     "Name,Notes,Mobile Phone\r\na,\"x\r\ny\",1\r\nb,\"oops,2\r\nc,,3\r\n",
     {"2 a||||1"},
     {"4: a quoted cell is never closed; skipped from this row to the end"}},
    {"rows in several encodings",
     "Name,Mobile Phone\r\n"
     "Jos\xC3\xA9,1\r\n"                // UTF-8
     "\x8E\x52\x93\x63,2\r\n"           // Shift-JIS 山田
     "Jos\xE9,3\r\n"                    // Windows-1252
     "\x93\x81\x94x\x96,\"4\x80\"\r\n", // Windows-1252 with a byte it lacks
     {"2 José||||1", "3 山田||||2", "4 José||||3", "5 “\uFFFD”x–||||4€"},
     {"4: neither UTF-8 nor Shift-JIS; read as Windows-1252",
      "5: neither UTF-8 nor Shift-JIS; read as Windows-1252"}},
    {"a byte-order mark and a Shift-JIS row",
     "\xEF\xBB\xBFName,Mobile Phone\r\n\xE4\xBD\x90\xE8\x97\xA4,1\r\n\x8E\x52\x93\x63,2\r\n",
     {"2 佐藤||||1", "3 山田||||2"},
     {}},
    {"a Windows-1252 header",
     "Soci\xE9t\xE9,Name,Mobile Phone\r\na,b,1\r\n",
     {"2 b||||1"},
     {"1: neither UTF-8 nor Shift-JIS; read as Windows-1252"}},
    {"Shift-JIS as a whole, a Shift-JIS header",
     "\x96\xBC\x91\x4F,\x93\x64\x98\x62\x94\xD4\x8D\x86\r\n\x8E\x52\x93\x63,03\r\n",
     {"2 山田||||03"},
     {}},
    // 上 is U+4E0A: one of its bytes is an LF.
    {"UTF-16LE", MarkedUtf16(u"上,Name,Mobile Phone\r\n上,a,1\r\n", false), {"2 a||||1"}, {}},
    {"UTF-16BE", MarkedUtf16(u"Name,Mobile Phone\r\n上,1\r\n", true), {"2 上||||1"}, {}},
    {"UTF-16LE without a mark", Utf16(u"Name,Mobile Phone\r\n上,1\r\n", false), {"2 上||||1"}, {}},
    {"Thunderbird",
     "First Name,Last Name,Display Name,Nickname,Primary Email,Secondary Email,Screen Name,"
     "Work Phone,Home Phone,Fax Number,Pager Number,Mobile Number,Home Address,Organization\r\n"
     "Taro,Yamada,Yamada Taro,,t@example.com,,,03-1,03-2,03-3,03-4,090-5,,ACME,\r\n"
     "Hanako,,,,,,,,,,,090-6,,,\r\n",
     {"2 Yamada Taro|Yamada|Taro|ACME|03-1,03-2,03-3 fax,03-4 fax,090-5", "3 ||Hanako||090-6"},
     {}},
    {"Outlook's faxes and company",
     "First Name,Last Name,Company,Business Phone,Business Fax,Home Fax,Other Fax,Pager,"
     "Primary Phone\r\n"
     "A,B,Co,03-1,03-2,03-3,03-4,03-5,090\r\n",
     {"2 |B|A|Co|03-1,03-2 fax,03-3 fax,03-4 fax,03-5 fax,090 preferred"},
     {}},
    {"Google's organisation",
     "Name,Organization 1 - Name,Phone 1 - Type,Phone 1 - Value\r\nA,Org,* Mobile,090 ::: 03\r\n",
     {"2 A|||Org|090 preferred,03"},
     {}},
};
INSTANTIATE_TEST_SUITE_P(Exchange, CsvRead, ::testing::ValuesIn(kCsvCases));

TEST(CsvReadJapanese, NotesInJapanese) {
    messages::SetLanguage(Language::Japanese);
    const ContactSource source =
        ReadContacts("Name,Mobile Phone\r\na,1,2\r\nJos\xE9,3\r\n\"b,4\r\n", "in");
    EXPECT_EQ(Notes(source),
              (std::vector<std::string>{
                  "2: この行は 3 列あり、見出しの 2 列より多いので読み飛ばしました",
                  "3: UTF-8 でも Shift-JIS でもないので、Windows-1252 として読みました",
                  "4: 引用符が閉じていないので、この行から最後までを読み飛ばしました"}));
    EXPECT_EQ(Contacts(source), std::vector<std::string>{"3 José||||3"});
}

TEST_F(EnglishNotes, Utf16ThatIsNotIsRefused) {
    const std::string bytes = MarkedUtf16(u"Name,Mobile Phone\r\na,1\r\n\xD800", false);
    try {
        ReadContacts(bytes, "in");
        ADD_FAILURE() << "no error";
    } catch (const ExchangeError& error) {
        EXPECT_STREQ(error.what(),
                     "in:3: not valid text in the encoding its byte-order mark names");
    }
}

// Whether the first line names columns the reader knows.
struct HeaderCase {
    const char* name;
    std::string bytes;
    bool known;
};

void PrintTo(const HeaderCase& c, std::ostream* os) {
    *os << c.name;
}

class CsvHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(CsvHeader, IsKnownOrNot) {
    EXPECT_EQ(LooksLikeKnownCsv(GetParam().bytes), GetParam().known);
}

const HeaderCase kHeaders[] = {
    {"Thunderbird",
     "First Name,Last Name,Display Name,Nickname,Primary Email,Work Phone,Home Phone,"
     "Mobile Number,Organization\r\n",
     true},
    {"a name and a fax only", "Display Name,Fax Number\n", true},
    {"UTF-16BE", MarkedUtf16(u"Name,Mobile Phone\r\na,1\r\n", true), true},
    {"a Windows-1252 column", "Soci\xE9t\xE9,Name,Home Phone\r\n", true},
    {"no telephone column", "Name,Organization,Company\r\n", false},
    {"an unclosed quote", "Name,\"Mobile Phone\r\n", false},
};
INSTANTIATE_TEST_SUITE_P(Exchange, CsvHeader, ::testing::ValuesIn(kHeaders));

} // namespace
} // namespace ruvo::exchange
