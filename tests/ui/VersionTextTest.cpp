// The version text of the window title, from the embedded record and from
// records handed in place of it.
#include "app/VersionText.h"

#include <gtest/gtest.h>

namespace {

using ruvo::VersionRecord;
using ruvo::VersionText;

const std::string kJapanese("\x11\x04\xA4\x03", 4); // 0x0411, code page 932

VersionRecord Record(const std::string& translation, const std::string& key,
                     const std::string& fileVersion) {
    return VersionRecord{{{"\\VarFileInfo\\Translation", translation},
                          {"\\StringFileInfo\\" + key + "\\FileVersion", fileVersion}}};
}

TEST(VersionText, ThisProgram) {
    EXPECT_EQ(VersionText(), "0.900");
}

struct VersionCase {
    const char* fileVersion;
    const char* text;
};

class FileVersions : public testing::TestWithParam<VersionCase> {};

TEST_P(FileVersions, FixedBytePositions) {
    const VersionRecord record = Record(kJapanese, "041103A4", GetParam().fileVersion);
    EXPECT_EQ(VersionText(&record), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, FileVersions,
                         testing::Values(VersionCase{"0.9.0.0", "0.900"},
                                         VersionCase{"1.2.3.4", "1.234"},
                                         VersionCase{"10.2.3.4", "1...."},
                                         VersionCase{"1.0", "1.0"}, VersionCase{"1", "1."}));

TEST(VersionText, ValueEndsAtItsZeroByte) {
    const VersionRecord record = Record(kJapanese, "041103A4",
                                        std::string("1.2\0"
                                                    "3.4",
                                                    7));
    EXPECT_EQ(VersionText(&record), "1.2");
}

TEST(VersionText, NoRecordGivesNothing) {
    EXPECT_EQ(VersionText(nullptr), "");
    const VersionRecord empty;
    EXPECT_EQ(VersionText(&empty), "");
}

TEST(VersionText, NoTranslationGivesNothing) {
    const VersionRecord record{{{"\\StringFileInfo\\041103A4\\FileVersion", "0.9.0.0"}}};
    EXPECT_EQ(VersionText(&record), "");
}

TEST(VersionText, NoFileVersionUnderTheKeyGivesNothing) {
    // The key comes from the record's translation, not from the system's
    // language: 0411/932 values do not count for a 0409/1252 record.
    const VersionRecord record = Record(std::string("\x09\x04\xE4\x04", 4), "041103A4", "0.9.0.0");
    EXPECT_EQ(VersionText(&record), "");
}

TEST(VersionText, KeyFromTheFirstTranslation) {
    // Language 0x0409, code page 1252: "040904E4"; a second entry is ignored.
    const VersionRecord record =
        Record(std::string("\x09\x04\xE4\x04\x11\x04\xA4\x03", 8), "040904E4", "2.3.4.5");
    EXPECT_EQ(VersionText(&record), "2.345");
}

} // namespace
