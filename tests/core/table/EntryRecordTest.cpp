#include "core/book/table/EntryRecord.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ruvo::table {
namespace {

struct PackCase {
    const char* what;
    std::uint8_t setFlags;
    std::array<std::string, kRecordFields> texts;
};

void PrintTo(const PackCase& c, std::ostream* os) {
    *os << c.what;
}

const PackCase kPackCases[] = {
    {"all unset", 0, {"", "", "", ""}},
    {"all set and empty", 0xF, {"", "", "", ""}},
    {"some set", 0b0101, {"01", "", "\xB1\xB2", ""}},
    {"bytes of every kind", 0xF, {"\x82\x4F", std::string("a\0b", 3), "\t\xFF", "03-1234"}},
    {"longest texts",
     0xF,
     {std::string(255, 'g'), std::string(255, 'n'), "", std::string(20, '9')}},
};

class EntryRecordTest : public testing::TestWithParam<PackCase> {};

// A record reads back what was packed, also after more records follow it.
TEST_P(EntryRecordTest, ReadsBackWhatWasPacked) {
    const PackCase& c = GetParam();
    RecordArena arena;
    const EntryRecord record{EntryRecord::Pack(arena, c.setFlags, c.texts)};
    const EntryRecord next{EntryRecord::Pack(arena, 0xF, {"x", "y", "z", "w"})};
    for (std::size_t f = 0; f < kRecordFields; ++f) {
        const bool set = (c.setFlags >> f) & 1;
        EXPECT_EQ(record.IsSet(f), set) << f;
        EXPECT_EQ(record.Text(f), c.texts[f]) << f;
        EXPECT_EQ(record.Value(f), set ? std::optional<std::string_view>(c.texts[f]) : std::nullopt)
            << f;
    }
    EXPECT_EQ(next.Text(3), "w");
}

INSTANTIATE_TEST_SUITE_P(Cases, EntryRecordTest, testing::ValuesIn(kPackCases));

} // namespace
} // namespace ruvo::table
