// Export: what it reports about bytes it cannot convert, and the targets it
// refuses because they are the book in use or its backup.

#include "core/book/PhoneBookFile.h"
#include "core/book/table/PhoneBookTable.h"
#include "core/exchange/ContactExport.h"
#include "core/messages/Language.h"
#include "core/text/Cp932.h"

#include "tests/core/ExchangeTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace ruvo::exchange {
namespace {

using test::EnglishMessages;

using namespace std::string_literals;
namespace fs = std::filesystem;

std::string Cp932(const std::string& utf8) {
    return cp932::FromUtf8(utf8).value();
}

const std::string kHeaders =
    Cp932("ルーヴォ電話帳\r\n\r\n\r\n\r\n\r\nｸﾞﾙｰﾌﾟ\t姓名\tフリガナ\t電話番号\r\n");

// Line 7 sorts after line 8, whose name holds 0x80 (no character); line 9
// has a bad group (0xFD) and number (0xFF).
const std::string kBadBook = kHeaders + Cp932("01\t佐藤\tｻﾄｳ\t0311112222:0:0\r\n") + "02\t" +
                             Cp932("山") + "\x80" + Cp932("田\tｱｵｷ\t0322223333:0:0\r\n") +
                             "0\xFD\t" + Cp932("鈴木\tｽｽﾞｷ\t") + "0333\xFF:0:0\r\n"s;

std::vector<std::string> Lines(const ExportReport& report) {
    std::vector<std::string> lines;
    for (const ReportLine& line : report.lines)
        lines.push_back(FormatReportLine(line));
    return lines;
}

struct ReportCase {
    ExportFormat format;
    const char* name;
    std::string written; // a piece of the output that shows the name as written
    std::vector<std::string> report;
};

void PrintTo(const ReportCase& c, std::ostream* os) {
    *os << c.name;
}

class ExportReportTest : public ::testing::TestWithParam<ReportCase> {};

TEST_P(ExportReportTest, NamesEachFieldWrittenAsReplacement) {
    const EnglishMessages english;
    const ReportCase& c = GetParam();
    for (const bool sorted : {false, true}) {
        HeaderLines headers;
        PhoneBookTable table;
        ReadPhoneBookData(kBadBook, headers, table);
        table.SelectOrder(sorted ? "iKey" : "");
        std::string out = "old";
        const ExportReport report = ExportEntries(table, c.format, out, "book.txt");
        EXPECT_EQ(report.exported, 3u);
        EXPECT_EQ(Lines(report), c.report) << c.name;
        EXPECT_NE(out.find(c.written), std::string::npos) << c.name << "\n" << out;
        EXPECT_FALSE(out.starts_with("old"));
        EXPECT_EQ(table.SortedOrderSelected(), sorted);
        // The bytes-only form writes the same.
        EXPECT_EQ(ExportEntries(table, c.format), out);
    }
}

const std::vector<std::string> kReplaced = {
    "book.txt:8: 山\uFFFD田: field 姓名 holds bytes that are not Shift-JIS; written as U+FFFD",
    "book.txt:9: 鈴木: field ｸﾞﾙｰﾌﾟ holds bytes that are not Shift-JIS; written as U+FFFD",
    "book.txt:9: 鈴木: field 電話番号 holds bytes that are not Shift-JIS; written as U+FFFD",
};

INSTANTIATE_TEST_SUITE_P(
    Formats, ExportReportTest,
    ::testing::Values(
        ReportCase{ExportFormat::VCard, "vcard", "FN:山\uFFFD田\r\n", kReplaced},
        ReportCase{ExportFormat::Google, "google", ",,山\uFFFD田,,,アオキ,", kReplaced},
        // The bytes as stored, 0x80 included.
        ReportCase{ExportFormat::VCard21,
                   "vcard21",
                   "FN;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=8E=52=80=93=63\r\n",
                   {}},
        ReportCase{ExportFormat::Csv, "csv", "02," + Cp932("山") + "\x80" + Cp932("田,ｱｵｷ"), {}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ExportReport, CleanBookReportsNothingAndCounts) {
    const EnglishMessages english;
    HeaderLines headers;
    PhoneBookTable table;
    ReadPhoneBookData(kHeaders + Cp932("01\t佐藤\tｻﾄｳ\t0311112222:0:0\r\n"), headers, table);
    std::string out;
    const ExportReport report = ExportEntries(table, ExportFormat::VCard, out);
    EXPECT_TRUE(report.Clean());
    EXPECT_EQ(FormatCounts(report), "1 exported");

    ExportReport reported;
    reported.exported = 5;
    reported.lines.resize(2);
    EXPECT_EQ(FormatCounts(reported), "5 exported, 2 reported");
}

TEST(ExportReport, DefaultBookNameAndFileExport) {
    const EnglishMessages english;
    HeaderLines headers;
    PhoneBookTable table;
    ReadPhoneBookData(kBadBook, headers, table);
    std::string out;
    const ExportReport report = ExportEntries(table, ExportFormat::VCard, out);
    ASSERT_EQ(report.lines.size(), 3u);
    EXPECT_EQ(report.lines[0].source, "<book>");

    std::string pattern = (fs::temp_directory_path() / "export-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path file = fs::path(pattern) / "out.vcf";
    const ExportReport toFile =
        ExportEntriesToFile(file.string(), table, ExportFormat::Google, "TEL.TXT");
    std::ifstream in(file, std::ios::binary);
    const std::string written{std::istreambuf_iterator<char>(in), {}};
    fs::remove_all(pattern);
    EXPECT_EQ(Lines(toFile).size(), 3u);
    EXPECT_EQ(toFile.lines[0].source, "TEL.TXT");
    EXPECT_EQ(toFile.exported, 3u);
    std::string google;
    ExportEntries(table, ExportFormat::Google, google);
    EXPECT_EQ(written, google);
}

// Targets spelled in many ways; each names the book, its backup or another
// file. The folder holds book.txt, other.txt, sub/, link -> book.txt, a hard
// link "hard", and, when withBackup, book.BAK.
struct TargetCase {
    const char* what;
    std::string target; // under the folder
    bool withBackup;
    bool refused;
};

void PrintTo(const TargetCase& c, std::ostream* os) {
    *os << c.what;
}

class ExportTargetTest : public ::testing::TestWithParam<TargetCase> {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "export-target-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        std::ofstream(dir_ / "book.txt") << "book";
        std::ofstream(dir_ / "other.txt") << "other";
        fs::create_directory(dir_ / "sub");
        fs::create_symlink("book.txt", dir_ / "link");
        fs::create_hard_link(dir_ / "book.txt", dir_ / "hard");
        fs::create_symlink("book.BAK", dir_ / "backup-link");
        fs::create_symlink("backup-link", dir_ / "link-to-backup-link");
        fs::create_symlink("nowhere.vcf", dir_ / "dangling");
        fs::create_symlink("sub/../book.txt", dir_ / "sub-link");
        if (GetParam().withBackup)
            std::ofstream(dir_ / "book.BAK") << "backup";
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
};

TEST_P(ExportTargetTest, RefusesTheBookAndItsBackupOnly) {
    const TargetCase& c = GetParam();
    const std::string book = (dir_ / "book.txt").string();
    const std::string target = c.target == "<relative book>"
                                   ? fs::relative(dir_ / "book.txt").string()
                                   : (dir_.string() + "/" + c.target);
    if (!c.refused) {
        EXPECT_NO_THROW(RefuseExportOver(target, book));
        return;
    }
    try {
        RefuseExportOver(target, book);
        ADD_FAILURE() << "not refused";
    } catch (const Error& error) {
        EXPECT_EQ(error.what(), target + " は使用中の電話帳かそのバックアップなので、"
                                         "エクスポート先にはできません");
    }
    EXPECT_EQ(fs::file_size(dir_ / "book.txt"), 4u);
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, ExportTargetTest,
    ::testing::Values(TargetCase{"same path", "book.txt", false, true},
                      TargetCase{"dot slash", "./book.txt", false, true},
                      TargetCase{"relative", "<relative book>", false, true},
                      TargetCase{"dot dot", "sub/../book.txt", false, true},
                      TargetCase{"double slash", "sub//..//book.txt", false, true},
                      TargetCase{"symbolic link", "link", false, true},
                      TargetCase{"link with dot dot", "sub-link", false, true},
                      TargetCase{"hard link", "hard", false, true},
                      TargetCase{"backup", "book.BAK", true, true},
                      TargetCase{"backup through dot dot", "sub/../book.BAK", true, true},
                      TargetCase{"link to backup", "backup-link", true, true},
                      TargetCase{"backup not made yet", "book.BAK", false, true},
                      TargetCase{"backup not made yet, dot dot", "sub/../book.BAK", false, true},
                      TargetCase{"dangling link to the backup", "backup-link", false, true},
                      TargetCase{"chain of dangling links", "link-to-backup-link", false, true},
                      TargetCase{"different file", "other.txt", true, false},
                      TargetCase{"new file", "new.vcf", true, false},
                      TargetCase{"new file, no backup", "new.vcf", false, false},
                      TargetCase{"new file in a subfolder", "sub/book.txt", false, false},
                      TargetCase{"dangling link elsewhere", "dangling", false, false},
                      TargetCase{"missing folder", "no-such/book.txt", false, false}),
    [](const auto& test) {
        std::string name;
        for (const char ch : std::string(test.param.what))
            name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return name;
    });

} // namespace
} // namespace ruvo::exchange
