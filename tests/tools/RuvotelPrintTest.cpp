// ruvotel print, run as a user runs it (no display, no Qt platform chosen),
// and the PDF it writes read back with poppler's tools: every entry in the
// saved order, the headings, the fonts, the paper.

#include "tests/tools/PdfTools.h"
#include "tests/tools/ToolFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace ruvo::test;

namespace {

const std::string kHeader =
    "ルーヴォ電話帳\r\n2024/05/18\r\n\r\n\r\n\r\nｸﾞﾙｰﾌﾟ\t姓名\tフリガナ\t電話番号\r\n";

// The first kana (or none) of the fixture's readings, by the heading they
// belong under: voiced and small kana with their rows, readings with no
// kana first and those that sort after every kana (kanji, ｰ) last.
const std::vector<std::pair<std::string, std::vector<std::string>>> kSections = {
    {"英数・記号", {"", "123", "ABC"}},
    {"あ", {"ｱ", "ｲ", "ｳﾞ", "ｧ", "ｴ", "ｵ"}},
    {"か", {"ｶ", "ｶﾞ", "ｷ", "ｸﾞ", "ｹ", "ｺ"}},
    {"さ", {"ｻ", "ｼﾞ", "ｽ", "ｾ", "ｿﾞ"}},
    {"た", {"ﾀ", "ﾁ", "ｯ", "ﾂ", "ﾃﾞ", "ﾄ"}},
    {"な", {"ﾅ", "ﾆ", "ﾇ", "ﾈ", "ﾉ"}},
    {"は", {"ﾊ", "ﾋﾟ", "ﾌﾞ", "ﾍ", "ﾎ"}},
    {"ま", {"ﾏ", "ﾐ", "ﾑ", "ﾒ", "ﾓ"}},
    {"や", {"ﾔ", "ｬ", "ﾕ", "ﾖ"}},
    {"ら", {"ﾗ", "ﾘ", "ﾙ", "ﾚ", "ﾛ"}},
    {"わ", {"ﾜ", "ｦ", "ﾝ"}},
    {"その他", {"漢", "ｰ"}},
};

struct FixtureEntry {
    std::string heading;
    std::string printed; // group, name, reading, number as people read it
};

class RuvotelPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "ruvotel-print-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // ruvotel with args in the test's folder, without a display or a Qt
    // platform; the exit code, standard error in err.
    int Run(const std::string& args, std::string* err = nullptr) const {
        const std::string command = "cd " + Quoted(dir_.string()) +
                                    " && env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY "
                                    "LC_ALL=C.UTF-8 " RUVOTEL_EXE " " +
                                    args + " >/dev/null 2>.stderr";
        const int status = std::system(command.c_str());
        if (err)
            *err = ReadFile(dir_ / ".stderr");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // A book of a few hundred entries in no order; entries by name.
    std::map<std::string, FixtureEntry> WriteBook(const fs::path& path, int entries) const {
        std::vector<std::pair<std::string, std::string>> firsts;
        for (const auto& [heading, kana] : kSections)
            for (const std::string& first : kana)
                firsts.emplace_back(heading, first);
        const char* tails[] = {"ﾔﾏ", "ｶﾜ ﾀﾛｳ", "ﾓﾄ", "ﾀﾞ ﾊﾅｺ"};
        std::map<std::string, FixtureEntry> byName;
        std::string bytes = kHeader;
        for (int i = 0; i < entries; ++i) {
            // Stepping by 7 through the firsts mixes the rows in the file.
            const auto& [heading, first] = firsts[(i * 7) % firsts.size()];
            const std::string reading = first.empty() ? "" : first + tails[i % 4];
            const std::string name = "名前" + std::to_string(1000 + i);
            const std::string group = std::to_string(10 + i % 90);
            const std::string seven = std::to_string(10000000 + i * 37).substr(1);
            std::string number, shown;
            switch (i % 5) {
            case 0: // Tokyo
                number = "035" + seven;
                shown = "03-5" + seven.substr(0, 3) + "-" + seven.substr(3);
                break;
            case 1: // a mobile
                number = "0901" + seven;
                shown = "090-1" + seven.substr(0, 3) + "-" + seven.substr(3);
                break;
            case 2: // free dial
                number = "01208" + seven.substr(2);
                shown = "0120-8" + seven.substr(2, 2) + "-" + seven.substr(4);
                break;
            case 3: // a short number, as stored
                number = "117";
                shown = "117";
                break;
            default: // no number of any range, as stored
                number = "1" + seven;
                shown = number;
            }
            bytes += ToCp932(group + "\t" + name + "\t" + reading + "\t" + number + ":0:0\r\n");
            byName[name] = {heading, Words(group + " " + name + " " + reading + " " + shown)};
        }
        std::ofstream(path, std::ios::binary) << bytes;
        return byName;
    }

    // The names in the saved order, as ruvotel sort writes them.
    std::vector<std::string> SavedOrder(const std::string& book) const {
        EXPECT_EQ(Run("sort " + book + " -o sorted.txt"), 0);
        std::vector<std::string> names;
        std::istringstream dump(CommandOutput("LC_ALL=C.UTF-8 " RUVOTEL_EXE " dump " +
                                              Quoted((dir_ / "sorted.txt").string())));
        for (std::string line; std::getline(dump, line);)
            if (line.starts_with("E\t")) {
                const std::size_t from = line.find('\t', 2) + 1;
                names.push_back(line.substr(from, line.find('\t', from) - from));
            }
        return names;
    }

    fs::path dir_;
};

// Every entry once, in the saved order, one a line; each heading once,
// just before the first entry of its section; every page names the book,
// its entries and the date, and ends in "n / N".
TEST_F(RuvotelPrintTest, EveryEntryInTheSavedOrderUnderItsHeading) {
    const auto fixture = WriteBook(dir_ / "TEL.TXT", 300);
    ASSERT_EQ(Run("print TEL.TXT -o directory.pdf"), 0);

    std::vector<std::string> expected;
    std::string heading;
    for (const std::string& name : SavedOrder("TEL.TXT")) {
        const FixtureEntry& entry = fixture.at(name);
        if (entry.heading != heading)
            expected.push_back(heading = entry.heading);
        expected.push_back(entry.printed);
    }
    ASSERT_EQ(expected.size(), 300u + kSections.size());
    const DirectoryText text = ReadDirectory((dir_ / "directory.pdf").string());
    EXPECT_EQ(text.body, expected);

    const std::size_t pages = text.heads.size();
    ASSERT_GE(pages, 2u);
    // 40 rows or more fill every page but the last.
    EXPECT_LE(pages, (300u + kSections.size()) / 40 + 1);
    ASSERT_EQ(text.feet.size(), pages);
    for (std::size_t page = 0; page < pages; ++page) {
        EXPECT_EQ(text.feet[page], std::to_string(page + 1) + " / " + std::to_string(pages));
        EXPECT_TRUE(text.heads[page].starts_with("TEL.TXT 300件 印刷日 ")) << text.heads[page];
    }
    EXPECT_EQ(PageCount((dir_ / "directory.pdf").string()), static_cast<int>(pages));
}

// No heading stands alone at the foot of a page: with from 38 to 48 あ
// entries before the first か entry, one of the books brings か's heading
// to the last place on the first page, and it goes over to the next page
// with its entry.
TEST_F(RuvotelPrintTest, NoHeadingAloneAtTheFootOfAPage) {
    bool headingMoved = false;
    for (int before = 38; before <= 48; ++before) {
        std::string bytes = kHeader;
        for (int i = 0; i < before + 3; ++i)
            bytes += ToCp932("01\t名前" + std::to_string(100 + i) + "\t" +
                             (i < before ? "ｱ" : "ｶ") + std::to_string(100 + i) + "\t117:0:0\r\n");
        std::ofstream(dir_ / "TEL.TXT", std::ios::binary) << bytes;
        ASSERT_EQ(Run("print TEL.TXT -o directory.pdf"), 0);
        const DirectoryText text = ReadDirectory((dir_ / "directory.pdf").string());
        ASSERT_EQ(text.body.size(), static_cast<std::size_t>(before + 3 + 2)) << before;
        for (const std::vector<std::string>& page : text.pages) {
            ASSERT_FALSE(page.empty());
            EXPECT_NE(page.back(), "か") << before << " あ entries";
            EXPECT_NE(page.back(), "あ") << before << " あ entries";
        }
        headingMoved |= text.pages.size() == 2 && text.pages[1].front() == "か" &&
                        text.pages[0].size() == static_cast<std::size_t>(before + 1);
    }
    EXPECT_TRUE(headingMoved);
}

// Every font embedded, whatever the paper.
TEST_F(RuvotelPrintTest, FontsEmbeddedAndPaperAsAsked) {
    WriteBook(dir_ / "TEL.TXT", 50);
    const struct {
        const char* option;
        const char* pageSize;
    } papers[] = {{"", "595 x 842 pts (A4)"},
                  {"--paper A4", "595 x 842 pts (A4)"},
                  {"--paper B5", "516 x 729 pts"}, // JIS B5, 182 x 257 mm
                  {"--paper=A5", "420 x 595 pts (A5)"},
                  {"--paper Letter", "612 x 792 pts (letter)"}};
    for (const auto& paper : papers) {
        ASSERT_EQ(Run(std::string("print TEL.TXT -o out.pdf ") + paper.option), 0) << paper.option;
        const std::string pdf = (dir_ / "out.pdf").string();
        EXPECT_EQ(PageSize(pdf), paper.pageSize) << paper.option;
        std::istringstream fonts(PdfFonts(pdf));
        int listed = 0;
        for (std::string line; std::getline(fonts, line);) {
            if (line.starts_with("name") || line.starts_with("----"))
                continue;
            ++listed;
            // name, type..., encoding, then emb sub uni.
            EXPECT_NE(line.find(" yes "), std::string::npos) << line;
            EXPECT_NE(line.find("IPAMincho"), std::string::npos) << line;
        }
        EXPECT_GE(listed, 1) << paper.option;
    }
}

TEST_F(RuvotelPrintTest, EmptyBookPrintsOnePageThatSaysSo) {
    std::ofstream(dir_ / "empty.txt", std::ios::binary) << kHeader;
    ASSERT_EQ(Run("print empty.txt -o empty.pdf"), 0);
    const std::string pdf = (dir_ / "empty.pdf").string();
    EXPECT_EQ(PageCount(pdf), 1);
    const DirectoryText text = ReadDirectory(pdf);
    EXPECT_EQ(text.body, std::vector<std::string>{"この電話帳には項目がありません。"});
    ASSERT_EQ(text.heads.size(), 1u);
    EXPECT_TRUE(text.heads[0].starts_with("empty.txt 0件 印刷日")) << text.heads[0];
    // The header lines are the file's, not the directory's.
    EXPECT_EQ(PdfText(pdf).find("2024/05/18"), std::string::npos);
}

// Never over the book or its backup; wrong usage says how.
TEST_F(RuvotelPrintTest, RefusalsAndUsage) {
    WriteBook(dir_ / "TEL.TXT", 5);
    const std::string book = ReadFile(dir_ / "TEL.TXT");
    std::string err;
    const struct {
        const char* args;
        int code;
        const char* says;
    } cases[] = {
        {"print TEL.TXT -o TEL.TXT", 1,
         "ruvotel: TEL.TXT is the phone book in use or its backup and cannot be printed to\n"},
        {"print TEL.TXT -o ./TEL.BAK", 1,
         "ruvotel: ./TEL.BAK is the phone book in use or its backup and cannot be printed to\n"},
        {"print TEL.TXT", 2, "ruvotel: print needs -o OUT.pdf\n"},
        {"print TEL.TXT -o x.pdf --paper B4", 2, "ruvotel: unknown paper 'B4'"},
        {"sort TEL.TXT --paper A4", 2, "ruvotel: option --paper belongs to print\n"},
        {"print missing.txt -o x.pdf", 1, "ruvotel: file not found\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.args, &err), c.code) << c.args;
        EXPECT_TRUE(err.starts_with(c.says)) << c.args << ": " << err;
    }
    EXPECT_EQ(ReadFile(dir_ / "TEL.TXT"), book);
    EXPECT_FALSE(fs::exists(dir_ / "x.pdf"));
    EXPECT_FALSE(fs::exists(dir_ / "TEL.BAK"));
}

} // namespace
