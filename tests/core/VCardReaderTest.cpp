// The vCard reader on what real files hold: one card it cannot understand
// costs only that card, and what it passed over is noted.

#include "core/exchange/VCardReader.h"
#include "core/messages/Language.h"

#include "tests/core/ExchangeTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ruvo::exchange {
namespace {

using test::MarkedUtf16;
using test::Utf16;

using namespace std::string_literals;

class VCardReaderTest : public ::testing::Test {
protected:
    void SetUp() override { messages::SetLanguage(messages::Language::English); }
    void TearDown() override { messages::SetLanguage(messages::Language::Japanese); }
};

// Each contact as "name|numbers", the name as the card gives it (family and
// given, else FN, else ORG in brackets), numbers joined by ',' with "fax:"
// before a fax.
std::vector<std::string> Contacts(const ContactSource& source) {
    std::vector<std::string> out;
    for (const Contact& c : source.contacts) {
        std::string name = !c.familyName.empty() || !c.givenName.empty()
                               ? c.familyName + " " + c.givenName
                           : !c.formattedName.empty() ? c.formattedName
                                                      : "[" + c.organization + "]";
        std::string numbers;
        for (const ContactPhone& phone : c.phones)
            numbers +=
                (numbers.empty() ? "" : ",") + std::string(phone.fax ? "fax:" : "") + phone.number;
        out.push_back(name + "|" + numbers);
    }
    return out;
}

std::vector<std::string> Notes(const ContactSource& source) {
    std::vector<std::string> out;
    for (const SourceNote& note : source.notes)
        out.push_back(std::to_string(note.line) + ": " + note.message);
    return out;
}

struct TolerantCase {
    const char* what;
    std::string bytes;
    std::vector<std::string> contacts;
    std::vector<std::string> notes;
};

const std::string kGood = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Good;Anne;;;\r\nTEL:1\r\nEND:VCARD\r\n";

TEST_F(VCardReaderTest, OneBadCardNeverCostsTheOthers) {
    const TolerantCase cases[] = {
        {"CR CR LF line ends with folded lines",
         "BEGIN:VCARD\r\r\nVERSION:3.0\r\r\nN:Ito;Ken\r\r\n ji;;;\r\r\nTEL:2\r\r\nEND:VCARD\r\r\n" +
             kGood,
         {"Ito Kenji|2", "Good Anne|1"},
         {}},
        {"quoted-printable continued without a soft break",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D0=A2=D0=B5\r\n"
         ";=D0=BC\r\nTEL:3\r\nEND:VCARD\r\n" +
             kGood,
         {"Те м|3", "Good Anne|1"},
         {}},
        {"unindented BASE64 photo up to a blank line",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Photo;Pat\r\nPHOTO;ENCODING=BASE64;TYPE=JPEG:/9j/4AAQ\r\n"
         "SkZJRgABAQ\r\nAAAQABAAD\r\n\r\nTEL:4\r\nEND:VCARD\r\n" +
             kGood,
         {"Photo Pat|4", "Good Anne|1"},
         {}},
        {"a bare CR inside a value",
         "BEGIN:VCARD\nVERSION:3.0\nFN:Two\rLines\nTEL:5\nEND:VCARD\n",
         {"Two Lines|5"},
         {}},
        {"a line without ':'",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN\r\nN:Colon;Less\r\nTEL:6\r\nEND:VCARD\r\n",
         {"Colon Less|6"},
         {"3: a line without ':', ignored"}},
        {"an AGENT holding a vCard of its own",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Boss;Big\r\nAGENT:\r\nBEGIN:VCARD\r\nVERSION:2.1\r\n"
         "N:Aide;Al\r\nTEL:99\r\nEND:VCARD\r\nTEL:7\r\nEND:VCARD\r\n" +
             kGood,
         {"Boss Big|7", "Good Anne|1"},
         {}},
        {"a charset iconv knows",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=windows-1252:M\xFC"
         "ller;J\xF6rg\r\nTEL:8\r\nEND:VCARD\r\n",
         {"Müller Jörg|8"},
         {}},
        {"8-bit Latin-1 in a 3.0 file, beside UTF-8",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Garc\xED"
         "a;Ana\r\nTEL:9\r\nEND:VCARD\r\n"
         "BEGIN:VCARD\r\nVERSION:3.0\r\nN:\xE5\xB1\xB1\xE7\x94\xB0;\r\nTEL:10\r\nEND:VCARD\r\n",
         {"García Ana|9", "山田 |10"},
         {"1: values that are neither UTF-8 nor Shift-JIS read as Windows-1252"}},
        {"an unknown charset costs its card",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=X-NOPE:abc\r\nTEL:11\r\nEND:VCARD\r\n" + kGood,
         {"Good Anne|1"},
         {"3: unknown charset X-NOPE; card skipped"}},
        {"a bad quoted-printable escape costs its card",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN;ENCODING=QUOTED-PRINTABLE:=G1;;;;\r\nEND:VCARD\r\n" +
             kGood,
         {"Good Anne|1"},
         {"3: a bad quoted-printable escape in N; card skipped"}},
        {"not valid in its charset",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;QUOTED-PRINTABLE:=FF\r\nEND:VCARD\r\n" +
             kGood,
         {"Good Anne|1"},
         {"3: N is not valid UTF-8; card skipped"}},
        {"a card without END before the next",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Open;Ended\r\nTEL:12\r\n" + kGood,
         {"Open Ended|12", "Good Anne|1"},
         {"1: a card without END:VCARD, read up to the next card or the end of the file"}},
        {"a card cut off at the end",
         kGood + "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Cut;Off\r\n",
         {"Good Anne|1", "Cut Off|"},
         {"6: a card without END:VCARD, read up to the next card or the end of the file"}},
        {"text between cards, noted once",
         kGood + "hello:x\r\nmore\r\n" + kGood,
         {"Good Anne|1", "Good Anne|1"},
         {"6: lines outside a card, ignored"}},
    };
    for (const TolerantCase& c : cases) {
        const ContactSource source = ReadVCards(c.bytes, "in");
        EXPECT_EQ(Contacts(source), c.contacts) << c.what;
        EXPECT_EQ(Notes(source), c.notes) << c.what;
    }
}

TEST_F(VCardReaderTest, TextValuesInBase64AreDecoded) {
    // "Tanaka" and "0312345678" in BASE64, as vCard 2.1 (BASE64) and 3.0
    // (b) write it, the name in Shift-JIS.
    const ContactSource source =
        ReadVCards("BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=SHIFT_JIS;ENCODING=BASE64:k2OShjs=\r\n"
                   "TEL;ENCODING=BASE64:MDMxMjM0NTY3OA==\r\nEND:VCARD\r\n"
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nFN;ENCODING=b:VGFuYWth\r\nTEL:1\r\nEND:VCARD\r\n",
                   "in");
    EXPECT_EQ(Contacts(source), (std::vector<std::string>{"田中 |0312345678", "Tanaka|1"}));
    EXPECT_EQ(Notes(source), std::vector<std::string>{});
}

TEST_F(VCardReaderTest, Utf16WithAndWithoutAByteOrderMark) {
    const std::u16string card =
        u"BEGIN:VCARD\r\nVERSION:3.0\r\nN:Wide;Will;;;\r\nTEL:5\r\nEND:VCARD\r\n";
    for (const std::string& bytes : {MarkedUtf16(card, false), MarkedUtf16(card, true),
                                     Utf16(card, false), Utf16(card, true)}) {
        EXPECT_TRUE(LooksLikeVCard(bytes));
        EXPECT_EQ(Contacts(ReadVCards(bytes, "in")), std::vector<std::string>{"Wide Will|5"});
    }
}

TEST_F(VCardReaderTest, FaxNumbersAndTheOrganisationAreTold) {
    const ContactSource source =
        ReadVCards("BEGIN:VCARD\r\nVERSION:3.0\r\nORG:Acme\\, Inc.;Sales\r\n"
                   "TEL;TYPE=WORK,FAX:2\r\nTEL;TYPE=PAGER:3\r\nTEL;TYPE=WORK:1\r\nEND:VCARD\r\n",
                   "in");
    EXPECT_EQ(Contacts(source), std::vector<std::string>{"[Acme, Inc.]|fax:2,fax:3,1"});
}

TEST_F(VCardReaderTest, NotesFollowTheLanguage) {
    messages::SetLanguage(messages::Language::Japanese);
    const ContactSource source = ReadVCards(
        "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=X-NOPE:abc\r\nTEL:11\r\nEND:VCARD\r\n", "in");
    EXPECT_EQ(Notes(source),
              std::vector<std::string>{
                  "3: 文字コード X-NOPE は読めないので、このカードを読み飛ばしました"});
}

// A byte-order mark that the bytes belie: nothing in the source can be
// trusted, so it is refused whole, saying why.
TEST_F(VCardReaderTest, ABrokenByteOrderMarkRefusesTheSource) {
    try {
        ReadVCards(MarkedUtf16(u"BEGIN:VCARD\r\n") + std::string("\x00\xD8", 2), "in");
        ADD_FAILURE() << "not refused";
    } catch (const ExchangeError& error) {
        EXPECT_STREQ(error.what(),
                     "in:2: not valid text in the encoding its byte-order mark names");
    }
}

} // namespace
} // namespace ruvo::exchange
