// The CSV reader: the contacts it reads from each program's columns.

#include "core/exchange/CsvReader.h"
#include "core/exchange/ContactReader.h"
#include "core/messages/Language.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ruvo::exchange {
namespace {

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
    {"Thunderbird",
     "First Name,Last Name,Display Name,Nickname,Primary Email,Secondary Email,Screen Name,"
     "Work Phone,Home Phone,Fax Number,Pager Number,Mobile Number,Home Address,Organization\r\n"
     "Taro,Yamada,Yamada Taro,,t@example.com,,,03-1,03-2,03-3,03-4,090-5,,ACME\r\n"
     "Hanako,,,,,,,,,,,090-6,,\r\n",
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
    {"no telephone column", "Name,Organization,Company\r\n", false},
};
INSTANTIATE_TEST_SUITE_P(Exchange, CsvHeader, ::testing::ValuesIn(kHeaders));

} // namespace
} // namespace ruvo::exchange
