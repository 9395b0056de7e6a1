#include "core/book/LineFormat.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace std::string_literals;

namespace ruvo {
namespace {

std::vector<std::string> Split(std::string_view line) {
    LineFields fields;
    const std::size_t count = SplitEntryLine(line, fields);
    return {fields.begin(), fields.begin() + static_cast<std::ptrdiff_t>(count)};
}

struct SplitCase {
    const char* what;
    std::string line;
    std::vector<std::string> fields;
};

const SplitCase kSplitCases[] = {
    {"four fields", "01\tName\tKana\t0312:0:0", {"01", "Name", "Kana", "0312:0:0"}},
    {"a group only", "01", {"01"}},
    {"an empty line", "", {""}},
    {"empty fields", "\t\t\t", {"", "", "", ""}},
    {"a fifth field is dropped", "a\tb\tc\td\te\tf", {"a", "b", "c", "d"}},
    {"the line ends at NUL", "a\tb\0\tc"s, {"a", "b"}},
    {"a lead byte takes the TAB", "\x81\tx\ty", {"\x81\tx", "y"}},
    {"a whole character before the TAB", "\x81\x81\tx", {"\x81\x81", "x"}},
    {"a lead byte at the end", "a\t\x81", {"a", "\x81"}},
};

class SplitEntryLineTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitEntryLineTest, GivesTheFields) {
    EXPECT_EQ(Split(GetParam().line), GetParam().fields);
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitEntryLineTest, testing::ValuesIn(kSplitCases));

TEST(NumberPartTest, EndsAtTheFirstColonOfItsOwn) {
    const std::pair<std::string, std::string> cases[] = {
        {"0312:0:0", "0312"},
        {"0312", "0312"},
        {":0:0", ""},
        {"", ""},
        {"\x81:5:0:0", "\x81:5"},
        {"\x81\x81:0:0", "\x81\x81"},
    };
    for (const auto& [field, number] : cases)
        EXPECT_EQ(NumberPart(field), number) << testing::PrintToString(field);
}

TEST(AppendEntryLineTest, WritesTheLineWithItsEnd) {
    std::string out = "x";
    AppendEntryLine(out, {"01", "Name", "Kana", "0312"});
    AppendEntryLine(out, {"", "", "", ""});
    EXPECT_EQ(out, "x01\tName\tKana\t0312:0:0\r\n\t\t\t\r\n");
}

// Whatever passes the checks comes back from its written line as it went in:
// the checks are all a value needs to be stored.
TEST(LineFormatTest, StorableValuesSurviveTheirLine) {
    const char alphabet[] = {'a', ' ', '\t', ':', '0', '\x81', '\x40', '\xe0'};
    std::mt19937 random(7);
    int kept = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string values[kLineFields];
        for (std::string& value : values) {
            value.resize(random() % 5);
            for (char& c : value)
                c = alphabet[random() % sizeof alphabet];
        }
        bool storable = !NumberHoldsColon(values[3]);
        for (const std::string& value : values)
            storable = storable && StorablePart(value) == std::string_view(value) &&
                       !EndsInLoneLeadByte(value);
        if (!storable)
            continue;
        ++kept;
        std::string line;
        AppendEntryLine(line, {values[0], values[1], values[2], values[3]});
        ASSERT_TRUE(line.ends_with("\r\n"));
        line.resize(line.size() - 2);
        LineFields fields;
        ASSERT_EQ(SplitEntryLine(line, fields), kLineFields) << testing::PrintToString(line);
        for (std::size_t f = 0; f < 3; ++f)
            ASSERT_EQ(fields[f], values[f]) << testing::PrintToString(line);
        ASSERT_EQ(NumberPart(fields[3]), values[3]) << testing::PrintToString(line);
    }
    // Enough rounds ran to say something.
    EXPECT_GT(kept, 1000);
}

TEST(EndsInLoneLeadByteTest, CountsTheLeadBytesBeforeTheEnd) {
    const std::pair<std::string, bool> cases[] = {
        {"", false},         {"a", false},           {"\x81", true},
        {"\x81\x81", false}, {"\x81\x81\x81", true}, {"a\x81", true},
        {"\x81 ", false},    {"\x81\x40\xe0", true},
    };
    for (const auto& [value, lone] : cases)
        EXPECT_EQ(EndsInLoneLeadByte(value), lone) << testing::PrintToString(value);
}

TEST(NormalizeGroupTest, OneDigitBecomesTwoAndNothingThrows) {
    const std::pair<std::string, std::string> cases[] = {
        {"5", "05"},
        {"0", "00"},
        {"05", "05"},
        {"12", "12"},
        {"007", "07"},
        {"", ""},
        {"7a", "7a"},
        {" 5", " 5"},
        {"\x82\x54", "\x82\x54"},     // full-width 5
        {"2147483648", "2147483648"}, // beyond a number: kept, for the width to cut
    };
    for (const auto& [group, normal] : cases)
        EXPECT_EQ(NormalizeGroup(group), normal) << "'" << group << "'";
}

} // namespace
} // namespace ruvo
