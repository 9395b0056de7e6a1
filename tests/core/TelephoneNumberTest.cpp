#include "core/phone/TelephoneNumber.h"

#include <gtest/gtest.h>

#include <span>

#include <string>
#include <vector>

namespace ruvo::phone {
namespace {

struct NumberCase {
    const char* written;
    const char* digits;
    const char* leftOut;
};

void ExpectRead(std::span<const NumberCase> cases) {
    for (const NumberCase& c : cases) {
        const DialledNumber number = ReadTelephoneNumber(c.written);
        EXPECT_EQ(number.digits, c.digits) << c.written;
        EXPECT_EQ(number.leftOut, c.leftOut) << c.written;
    }
}

// Numbers as contact files from phones, mail clients and web services write
// them, and what the set is to dial.
TEST(ReadTelephoneNumber, WrittenFormsOfOneNumber) {
    const NumberCase cases[] = {
        // Japan, as dialled at home.
        {"090-1234-5678", "09012345678", ""},
        {"(03) 1234-5678", "0312345678", ""},
        {"03.1234.5678", "0312345678", ""},
        {"0120-123-456", "0120123456", ""},
        {"\xEF\xBC\x90\xEF\xBC\x93\xEF\xBC\x8D\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x93\xEF\xBC\x94"
         "\xEF\xBC\x8D\xEF\xBC\x95\xEF\xBC\x96\xEF\xBC\x97\xEF\xBC\x98", // ０３－１２３４－５６７８
         "0312345678", ""},
        {"  117 ", "117", ""}, // short numbers keep every digit
        {"8190", "8190", ""},  // no '+': not a country code
        // Japan, written with its country code: the trunk 0 comes back.
        {"+81 90 1234 5678", "09012345678", ""},
        {"+81 (0)90-7777-0003", "09077770003", ""},
        {"+81-3-1234-5678", "0312345678", ""},
        {"tel:+81-45-111-2222", "0451112222", ""},
        {"TEL:+81-45-111-2222", "0451112222", ""},
        // Abroad: after Japan's international prefix.
        {"+1 415 555 0100", "01014155550100", ""},
        {"+44 20 7946 0958", "010442079460958", ""},
        {"010 1 415 555 0100", "01014155550100", ""},
        {"+1 555 0100", "01015550100", ""},
    };
    ExpectRead(cases);
}

// What a set cannot store is not glued to the digits: the number ends there
// and the rest is handed back to be reported.
TEST(ReadTelephoneNumber, ExtensionsPausesAndRemarksAreLeftOut) {
    const NumberCase cases[] = {
        {"03-1234-5678 ext. 5", "0312345678", "ext. 5"},
        {"0312345678x5", "0312345678", "x5"},
        {"tel:+81-3-1234-5678;ext=102", "0312345678", ";ext=102"},
        {"0312345678p123", "0312345678", "p123"},
        {"0312345678w9", "0312345678", "w9"},
        {"0312345678,,123", "0312345678", ",,123"},
        {"03-1234-5678 (\xE8\x87\xAA\xE5\xAE\x85)", "0312345678", "(\xE8\x87\xAA\xE5\xAE\x85)"},
        {"090-1111-2222 / 03-1234-5678", "09011112222", "/ 03-1234-5678"},
        {"1-800-FLOWERS", "1800", "FLOWERS"},
    };
    ExpectRead(cases);
}

TEST(ReadTelephoneNumber, TextWithoutANumber) {
    const NumberCase cases[] = {
        {"", "", ""},
        {"taro@example.com", "", "taro@example.com"},
        {"ext.", "", "ext."},
        {"+", "", ""},
        {"\xFF\xFE", "", "\xFF\xFE"}, // no UTF-8 at all
    };
    ExpectRead(cases);
}

// The shortcut for a plain number of Japan gives what the library gives, at
// its edges too: a 0 then 0 or 10, too few or too many digits, a bracket or
// a space anywhere, a tel: URI.
TEST(ReadTelephoneNumber, PlainNumbersReadAsTheLibraryReadsThem) {
    std::vector<std::string> cases = {
        "0312345678",
        "03-1234-5678",
        "(03) 1234-5678",
        "03 1234 5678",
        "03(1234)5678",
        "(0422) 34-5678",
        "090-1234-5678",
        "090 1234 5678",
        "0120-123-456",
        "0570-000-111",
        "050-1234-5678",
        "0268-12-3456",
        "0466-12-3456",
        "0-3-1234-5678",
        " 03-1234-5678 ",
        "tel:03-1234-5678",
        "03--1234--5678",
        "(((03)))1234",
        "03-1234-5678-",
        "-03-1234",
        "0",
        "03",
        "031",
        "0312",
        "03123",
        "01",
        "012",
        "0123",
        "0100",
        "0101234567",
        "010 1 415 555 0100",
        "010 81 3 1234 5678",
        "00",
        "0012",
        "0033-010-1-415-555-0100",
        "00371234567",
        "0000000000",
        "0999999999",
        "08012345678",
        "07012345678",
        "06-6123-4567",
        "011-123-4567",
        "0800-123-4567",
        "0990-12-3456",
        "0123456789012345",
        "01234567890123456",
        "012345678901234567",
        "0312345678901234567890",
    };
    // Every length from 1 to 20, with the trunk 0 and grouped as people do.
    for (std::size_t length = 1; length <= 20; ++length) {
        std::string digits = "0";
        for (std::size_t i = 1; i < length; ++i)
            digits += static_cast<char>('0' + (i * 7 + 3) % 10);
        cases.push_back(digits);
        if (length > 4)
            cases.push_back("(" + digits.substr(0, 3) + ") " + digits.substr(3, 2) + "-" +
                            digits.substr(5));
    }
    for (const std::string& text : cases) {
        const DialledNumber fast = ReadTelephoneNumber(text);
        const DialledNumber library = detail::ReadWithLibrary(text);
        EXPECT_EQ(fast.digits, library.digits) << text;
        EXPECT_EQ(fast.leftOut, library.leftOut) << text;
    }
}

// Stored numbers as the printed directory shows them.
TEST(FormatTelephoneNumber, GroupedAsPeopleReadThem) {
    const struct {
        const char* stored;
        const char* shown;
    } cases[] = {
        {"0312345678", "03-1234-5678"},           // Tokyo
        {"09012345678", "090-1234-5678"},         // a mobile
        {"0120123456", "0120-123-456"},           // free dial
        {"0459876543", "045-987-6543"},           // Yokohama
        {"01016502530000", "010 1 650-253-0000"}, // abroad, after 010
        {"117", "117"},                           // short numbers as stored
        {"12345", "12345"},                       // no number of any range
        {"03-1234-5678", "03-1234-5678"},         // not all digits: as stored
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatTelephoneNumber(c.stored), c.shown) << c.stored;
}

} // namespace
} // namespace ruvo::phone
