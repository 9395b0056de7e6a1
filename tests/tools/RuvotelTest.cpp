// Runs the built ruvotel executable on files in a fresh folder and checks its
// output, its exit code and what it leaves on disk.

#include "ToolFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace std::string_literals;
using ruvo::test::ReadFile;
using ruvo::test::ToCp932;

namespace {

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class RuvotelTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "ruvotel-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Path(const std::string& name) const { return dir_ / name; }

    // Runs ruvotel with args in the test's folder, under a Japanese locale
    // unless another is given (LC_ALL; the other locale variables unset).
    RunResult Run(const std::vector<std::string>& args,
                  const std::string& locale = "ja_JP.UTF-8") const {
        const fs::path outPath = dir_ / ".stdout";
        const fs::path errPath = dir_ / ".stderr";
        std::vector<std::string> environment;
        for (char** variable = environ; *variable; ++variable) {
            const std::string_view entry = *variable;
            if (!entry.starts_with("LC_") && !entry.starts_with("LANG=") &&
                !entry.starts_with("LANGUAGE="))
                environment.emplace_back(entry);
        }
        environment.push_back("LC_ALL=" + locale);
        std::vector<char*> envp;
        for (std::string& entry : environment)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
                chdir(dir_.c_str()) != 0)
                _exit(127);
            // Kept across exec: a ruvotel that blocks is ended and fails the
            // test instead of hanging the run.
            alarm(30);
            std::vector<char*> argv{const_cast<char*>(RUVOTEL_EXE)};
            for (const std::string& arg : args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execve(RUVOTEL_EXE, argv.data(), envp.data());
            _exit(127);
        }
        RunResult result;
        int status = 0;
        if (pid < 0 || waitpid(pid, &status, 0) != pid) {
            ADD_FAILURE() << "could not run " << RUVOTEL_EXE;
            return result;
        }
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.out = ReadFile(outPath);
        result.err = ReadFile(errPath);
        fs::remove(outPath);
        fs::remove(errPath);
        return result;
    }

    fs::path dir_;
};

// Unsorted, with LF line ends, an unpadded group, a telephone suffix other
// than ":0:0", an entry without reading and one with an empty reading. The
// readings differ in their first half-width katakana, whose order is the same
// in every collation, so the expected order does not hang on collation details.
const std::string kUnsortedBook = ToCp932("ルーヴォ電話帳\n"
                                          "2024/05/18\n"
                                          "\n"
                                          "\n"
                                          "\n"
                                          "ｸﾞﾙｰﾌﾟ\t姓名\tフリガナ\t電話番号\n"
                                          "03\t佐藤一郎\tｻﾄｳｲﾁﾛｳ\t0451112222:0:0\n"
                                          "02\t伊藤花子\tｲﾄｳﾊﾅｺ\t0312345678:1:2\n"
                                          "01\t佐藤次郎\tｻﾄｳｲﾁﾛｳ\t09011112222\n"
                                          "05\t無名\n"
                                          "1\t青木\tｱｵｷ\t:0:0\n"
                                          "04\t空読み\t\t0120000000\n");

const std::string kSortedBook = ToCp932("ルーヴォ電話帳\r\n"
                                        "2024/05/18\r\n"
                                        "\r\n"
                                        "\r\n"
                                        "\r\n"
                                        "ｸﾞﾙｰﾌﾟ\t姓名\tフリガナ\t電話番号\r\n"
                                        "05\t無名\t\t\r\n"
                                        "04\t空読み\t\t0120000000:0:0\r\n"
                                        "1\t青木\tｱｵｷ\t\r\n"
                                        "02\t伊藤花子\tｲﾄｳﾊﾅｺ\t0312345678:0:0\r\n"
                                        "01\t佐藤次郎\tｻﾄｳｲﾁﾛｳ\t09011112222:0:0\r\n"
                                        "03\t佐藤一郎\tｻﾄｳｲﾁﾛｳ\t0451112222:0:0\r\n");

TEST_F(RuvotelTest, SortInPlaceKeepsBackupAndRewritesSortedWithCrLf) {
    WriteFile(Path("book.txt"), kUnsortedBook);

    const RunResult result = Run({"sort", "book.txt"});

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(ReadFile(Path("book.txt")), kSortedBook);
    EXPECT_EQ(ReadFile(Path("book.BAK")), kUnsortedBook);
}

// UTF-8 file names: the backup takes the extension after the last "." of
// the last path component, found byte by byte.
struct BackupCase {
    std::string file;
    std::string backup;
    std::vector<std::string> bystanders; // left as they are
};

void PrintTo(const BackupCase& c, std::ostream* os) {
    *os << c.file;
}

class RuvotelBackupTest : public RuvotelTest, public testing::WithParamInterface<BackupCase> {};

TEST_P(RuvotelBackupTest, SortMakesTheBackupBesideTheFile) {
    const BackupCase& c = GetParam();
    fs::create_directories(Path(c.file).parent_path());
    WriteFile(Path(c.file), kUnsortedBook);
    for (const std::string& bystander : c.bystanders) {
        fs::create_directories(Path(bystander).parent_path());
        WriteFile(Path(bystander), "untouched");
    }

    const RunResult result = Run({"sort", c.file});

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(Path(c.file)), kSortedBook);
    EXPECT_EQ(ReadFile(Path(c.backup)), kUnsortedBook);
    std::vector<std::string> expected = c.bystanders;
    expected.push_back(c.file);
    expected.push_back(c.backup);
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(dir_)) {
        if (!item.is_directory())
            files.push_back(fs::relative(item.path(), dir_).string());
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, expected);
    for (const std::string& bystander : c.bystanders)
        EXPECT_EQ(ReadFile(Path(bystander)), "untouched") << bystander;
}

INSTANTIATE_TEST_SUITE_P(
    Names, RuvotelBackupTest,
    testing::Values(BackupCase{"リスト.txt", "リスト.BAK", {}},
                    BackupCase{"電話帳", "電話帳.BAK", {}},
                    BackupCase{"ゼンブ.TXT", "ゼンブ.BAK", {}},
                    BackupCase{"v1.あ/data", "v1.あ/data.BAK", {"v1.BAK"}},
                    BackupCase{"社員.名簿/ソフト.txt", "社員.名簿/ソフト.BAK", {"社員.BAK"}},
                    BackupCase{"a.b.c", "a.b.BAK", {"a.BAK"}},
                    BackupCase{"book.txt", "book.BAK", {}}));

TEST_F(RuvotelTest, SortToOutputOnlyReadsTheInput) {
    WriteFile(Path("book.txt"), kUnsortedBook);
    WriteFile(Path("sorted.txt"), "old content that must go");

    const RunResult result = Run({"sort", "book.txt", "-o", "sorted.txt"});

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(ReadFile(Path("sorted.txt")), kSortedBook);
    EXPECT_EQ(ReadFile(Path("book.txt")), kUnsortedBook);
    EXPECT_FALSE(fs::exists(Path("book.BAK")));
    EXPECT_FALSE(fs::exists(Path("sorted.BAK")));
}

TEST_F(RuvotelTest, OutputOptionFormsAreEquivalent) {
    WriteFile(Path("book.txt"), kUnsortedBook);
    const std::vector<std::vector<std::string>> forms = {
        {"sort", "-o", "out.txt", "book.txt"},
        {"sort", "book.txt", "--output", "out.txt"},
        {"sort", "book.txt", "--output=out.txt"},
        {"sort", "-oout.txt", "book.txt"},
    };
    for (const auto& args : forms) {
        fs::remove(Path("out.txt"));
        const RunResult result = Run(args);
        EXPECT_EQ(result.exitCode, 0) << args[1];
        EXPECT_EQ(ReadFile(Path("out.txt")), kSortedBook) << args[1];
    }
    EXPECT_EQ(ReadFile(Path("book.txt")), kUnsortedBook);
}

TEST_F(RuvotelTest, DumpShowsUnsetEmptyAndUndecodableFieldsApart) {
    using namespace std::string_literals;
    const std::string book = ToCp932("ルーヴォ電話帳\r\n") + // Japanese header
                             "\r\n"s +                       // empty header
                             "a\tb\\c \"q\"\x00z\r\n"s +     // TAB, backslash, quote, NUL
                             "\x80\xFD\x81\r\n"s +           // bytes that are no character
                             "\r\n\r\n"s +                   // headers 5 and 6
                             ToCp932("01\t山田太郎\tﾔﾏﾀﾞ ﾀﾛｳ\t0312345678:0:0\r\n") +
                             ToCp932("02\t佐藤\r\n") +              // reading and number unset
                             "\t\t\t\r\n"s +                        // four empty fields
                             ToCp932("03\tソニー\t\\N\t:0:0\r\n") + // ソ ends in 0x5C; text \N
                             // Bad bytes; a lone lead byte at the end of a value goes.
                             "04\tA\x80-\t\x81\x7F-\tx\x81\r\n"s;
    WriteFile(Path("book.txt"), book);

    const RunResult result = Run({"dump", "book.txt"});

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "H\tルーヴォ電話帳\n"
                          "H\t\"\"\n"
                          "H\ta\\tb\\\\c \\\"q\\\"\\x00z\n"
                          "H\t\\x80\\xFD\\x81\n"
                          "H\t\"\"\n"
                          "H\t\"\"\n"
                          "E\t01\t山田太郎\tﾔﾏﾀﾞ ﾀﾛｳ\t0312345678\n"
                          "E\t02\t佐藤\t\\N\t\\N\n"
                          "E\t\"\"\t\"\"\t\"\"\t\"\"\n"
                          "E\t03\tソニー\t\\\\N\t\"\"\n"
                          "E\t04\tA\\x80-\t\\x81\\x7F-\tx\n");
    EXPECT_FALSE(fs::exists(Path("book.BAK")));
}

TEST_F(RuvotelTest, DumpOfEmptyFileShowsSixEmptyHeaders) {
    WriteFile(Path("empty.txt"), "");
    const RunResult result = Run({"dump", "empty.txt"});
    EXPECT_EQ(result.exitCode, 0);
    std::string expected;
    for (int i = 0; i < 6; ++i)
        expected += "H\t\"\"\n";
    EXPECT_EQ(result.out, expected);
}

TEST_F(RuvotelTest, MissingFileFailsWithTheSystemMessage) {
    const std::vector<std::vector<std::string>> commands = {
        {"sort", "missing.txt"},
        {"sort", "missing.txt", "-o", "out.txt"},
        {"dump", "missing.txt"},
    };
    for (const auto& args : commands) {
        const RunResult result = Run(args);
        EXPECT_EQ(result.exitCode, 1) << args.size();
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "ruvotel: ファイルが見つかりません\n");
        EXPECT_FALSE(fs::exists(Path("missing.txt")));
        EXPECT_FALSE(fs::exists(Path("out.txt")));
    }
}

// Messages follow the locale: Japanese under ja_JP, English otherwise.
TEST_F(RuvotelTest, MessagesFollowTheLocale) {
    struct LocaleCase {
        const char* locale;
        const char* message;
    };
    for (const LocaleCase& c : {
             LocaleCase{"ja_JP.UTF-8", "ruvotel: ファイルが見つかりません\n"},
             LocaleCase{"C", "ruvotel: file not found\n"},
             LocaleCase{"en_US.UTF-8", "ruvotel: file not found\n"},
             LocaleCase{"", "ruvotel: file not found\n"},
         }) {
        const RunResult result = Run({"dump", "missing.txt"}, c.locale);
        EXPECT_EQ(result.exitCode, 1) << c.locale;
        EXPECT_EQ(result.err, c.message) << c.locale;
    }
}

TEST_F(RuvotelTest, FifoIsRefusedAtOnce) {
    ASSERT_EQ(mkfifo(Path("fifo.txt").c_str(), 0644), 0);
    WriteFile(Path("book.txt"), kUnsortedBook);
    const std::vector<std::vector<std::string>> commands = {
        {"sort", "fifo.txt"},
        {"dump", "fifo.txt"},
        {"sort", "book.txt", "-o", "fifo.txt"},
    };
    for (const auto& args : commands) {
        const RunResult result = Run(args);
        EXPECT_EQ(result.exitCode, 1) << args.back();
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "ruvotel: ファイルへのアクセスが拒否されました\n");
        EXPECT_TRUE(fs::is_fifo(Path("fifo.txt")));
        EXPECT_FALSE(fs::exists(Path("fifo.BAK")));
    }
    EXPECT_EQ(ReadFile(Path("book.txt")), kUnsortedBook);
}

TEST_F(RuvotelTest, FailedWriteLeavesInputAndReportsFailure) {
    WriteFile(Path("book.txt"), kUnsortedBook);

    const RunResult result = Run({"sort", "book.txt", "-o", "no-such-folder/out.txt"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind("ruvotel: ", 0), 0u) << result.err;
    EXPECT_GT(result.err.size(), std::string("ruvotel: \n").size());
    EXPECT_EQ(ReadFile(Path("book.txt")), kUnsortedBook);
}

struct UsageCase {
    const char* what;
    std::vector<std::string> args;
};

TEST_F(RuvotelTest, WrongUsageShowsUsageAndExitsWith2) {
    WriteFile(Path("book.txt"), kUnsortedBook);
    const UsageCase cases[] = {
        {"no arguments", {}},
        {"unknown command", {"frobnicate", "book.txt"}},
        {"sort without file", {"sort"}},
        {"dump without file", {"dump"}},
        {"two files", {"sort", "book.txt", "other.txt"}},
        {"-o without value", {"sort", "book.txt", "-o"}},
        {"-o twice", {"sort", "book.txt", "-o", "a.txt", "-o", "b.txt"}},
        {"empty output", {"sort", "book.txt", "--output="}},
        {"-o on dump", {"dump", "book.txt", "-o", "out.txt"}},
        {"unknown option", {"sort", "-x", "book.txt"}},
    };
    for (const UsageCase& c : cases) {
        const RunResult result = Run(c.args, "C");
        EXPECT_EQ(result.exitCode, 2) << c.what;
        EXPECT_EQ(result.out, "") << c.what;
        EXPECT_NE(result.err.find("Usage: ruvotel"), std::string::npos) << c.what;
    }
    EXPECT_EQ(ReadFile(Path("book.txt")), kUnsortedBook);
    EXPECT_FALSE(fs::exists(Path("book.BAK")));
}

TEST_F(RuvotelTest, HelpAndVersionGoToStandardOutput) {
    const RunResult help = Run({"--help"}, "C");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: ruvotel", 0), 0u);
    EXPECT_EQ(help.err, "");
    // The same options in Japanese.
    const RunResult japanese = Run({"--help"});
    EXPECT_EQ(japanese.out.rfind("使い方: ruvotel", 0), 0u);
    for (const char* option :
         {"--format", "--group", "--all-numbers", "--keep-duplicates", "--dry-run", "-o, --output"})
        EXPECT_NE(japanese.out.find(option), std::string::npos) << option;
    const RunResult wrong = Run({"sort"});
    EXPECT_EQ(wrong.err.rfind("ruvotel: FILE がありません\n使い方: ruvotel", 0), 0u) << wrong.err;

    const RunResult sortHelp = Run({"sort", "--help"}, "C");
    EXPECT_EQ(sortHelp.exitCode, 0);
    EXPECT_EQ(sortHelp.out, help.out);

    const RunResult version = Run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "ruvotel " RUVOTEL_VERSION "\n");
    EXPECT_EQ(version.err, "");
}

// The sample phone book must be clean code page 932 and already in the form
// the writer produces (CR LF, ":0:0"), so sorting it only reorders its lines.
TEST_F(RuvotelTest, SamplePhoneBookDumpsCleanlyAndSortsToTheSameLines) {
    const fs::path sample = fs::path(RUVO_SOURCE_DIR) / "examples" / "sample-phonebook.txt";
    ASSERT_TRUE(fs::exists(sample));

    const RunResult dump = Run({"dump", sample.string()});
    EXPECT_EQ(dump.exitCode, 0);
    EXPECT_EQ(dump.out.find("\\x"), std::string::npos) << "bytes that are no character";
    EXPECT_EQ(dump.out.find("\\N"), std::string::npos) << "unset fields";
    std::istringstream lines(dump.out);
    std::string line;
    int headers = 0;
    int entries = 0;
    while (std::getline(lines, line)) {
        if (line.rfind("H\t", 0) == 0) {
            ++headers;
        } else {
            ++entries;
            EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 4) << line;
        }
    }
    EXPECT_EQ(headers, 6);
    EXPECT_GE(entries, 24);

    const RunResult sort = Run({"sort", sample.string(), "-o", "sorted.txt"});
    ASSERT_EQ(sort.exitCode, 0) << sort.err;
    auto lineSet = [](const std::string& bytes) {
        std::vector<std::string> result;
        std::size_t start = 0;
        for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos;
             start = end + 2)
            result.push_back(bytes.substr(start, end - start));
        EXPECT_EQ(start, bytes.size()) << "a line without CR LF";
        std::sort(result.begin() + std::min<std::size_t>(6, result.size()), result.end());
        return result;
    };
    EXPECT_EQ(lineSet(ReadFile(Path("sorted.txt"))), lineSet(ReadFile(sample)));
}

// Contact exchange: export, import and check.

const std::string kHeaders = ToCp932("ルーヴォ電話帳\r\n2024/05/18\r\n\r\n\r\n\r\n"
                                     "ｸﾞﾙｰﾌﾟ\t姓名\tフリガナ\t電話番号\r\n");

const std::string kTwoEntries = kHeaders + ToCp932("05\t山田 太郎\tﾔﾏﾀﾞ ﾀﾛｳ\t09011112222:0:0\r\n"
                                                   "1\t表\tﾋｮｳ\t0312345678:0:0\r\n");

std::string Fixture(const std::string& name) {
    return ReadFile(fs::path(RUVO_TEST_DATA) / "exchange" / name);
}

struct ExportCase {
    std::string format;
    std::string bytes;
};

class RuvotelExport : public RuvotelTest, public ::testing::WithParamInterface<ExportCase> {};

TEST_P(RuvotelExport, WritesTheSavedOrderInTheFormat) {
    WriteFile(Path("book.txt"), kTwoEntries);
    const RunResult toStdout = Run({"export", "book.txt", "--format", GetParam().format}, "C");
    ASSERT_EQ(toStdout.exitCode, 0) << toStdout.err;
    EXPECT_EQ(toStdout.out, GetParam().bytes);
    EXPECT_EQ(toStdout.err, "ruvotel: 2 exported\n");
    const RunResult toFile =
        Run({"export", "book.txt", "--format=" + GetParam().format, "-o", "out"}, "C");
    ASSERT_EQ(toFile.exitCode, 0) << toFile.err;
    EXPECT_EQ(toFile.err, "ruvotel: 2 exported\n");
    EXPECT_EQ(ReadFile(Path("out")), GetParam().bytes);
    EXPECT_EQ(ReadFile(Path("book.txt")), kTwoEntries);
    EXPECT_FALSE(fs::exists(Path("book.BAK")));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, RuvotelExport,
    ::testing::Values(
        ExportCase{"vcard", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:表\r\nN:表;;;;\r\n"
                            "X-PHONETIC-LAST-NAME:ヒョウ\r\nSORT-STRING:ヒョウ\r\n"
                            "TEL;TYPE=VOICE:0312345678\r\nX-GNO:1\r\nEND:VCARD\r\n"
                            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:山田 太郎\r\nN:山田;太郎;;;\r\n"
                            "X-PHONETIC-LAST-NAME:ヤマダ\r\nX-PHONETIC-FIRST-NAME:タロウ\r\n"
                            "SORT-STRING:ヤマダ タロウ\r\nTEL;TYPE=CELL:09011112222\r\n"
                            "X-GNO:05\r\nEND:VCARD\r\n"},
        ExportCase{
            "vcard21",
            "BEGIN:VCARD\r\nVERSION:2.1\r\n"
            "N;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=95=5C;;;;\r\n"
            "FN;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=95=5C\r\n"
            "SOUND;X-IRMC-N;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=CB=AE=B3;;;;\r\n"
            "TEL;VOICE:0312345678\r\nX-GNO:1\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nVERSION:2.1\r\n"
            "N;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=8E=52=93=63;=91=BE=98=59;;;\r\n"
            "FN;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=8E=52=93=63=20=91=BE=98=59\r\n"
            "SOUND;X-IRMC-N;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=D4=CF=C0=DE;=C0=\r\n"
            "=DB=B3;;;\r\n"
            "TEL;CELL:09011112222\r\nX-GNO:05\r\nEND:VCARD\r\n"},
        ExportCase{"google",
                   "\xEF\xBB\xBF"
                   "First Name,Middle Name,Last Name,Phonetic First Name,Phonetic Middle "
                   "Name,Phonetic Last Name,Labels,Phone 1 - Label,Phone 1 - Value\r\n"
                   ",,表,,,ヒョウ,* myContacts ::: Group 1,Home,0312345678\r\n"
                   "太郎,,山田,タロウ,,ヤマダ,* myContacts ::: Group 05,Mobile,09011112222\r\n"},
        ExportCase{"csv", ToCp932("グループ,名前,フリガナ,電話番号\r\n1,表,ﾋｮｳ,0312345678\r\n"
                                  "05,山田 太郎,ﾔﾏﾀﾞ ﾀﾛｳ,09011112222\r\n")}),
    [](const auto& test) { return test.param.format; });

// A name with 0x80, which begins no Shift-JIS character: the UTF-8 formats
// write U+FFFD and say so, the Shift-JIS ones write the byte as stored.
struct BadBytesCase {
    std::string format;
    int exitCode;
    std::string written; // part of the output
    std::string err;
};

class RuvotelExportBadBytes : public RuvotelTest,
                              public ::testing::WithParamInterface<BadBytesCase> {};

TEST_P(RuvotelExportBadBytes, ReportsWhatWentOutAsReplacement) {
    const BadBytesCase& c = GetParam();
    const std::string book = kHeaders + ToCp932("01\t佐藤\tｻﾄｳ\t0311112222:0:0\r\n02\t山") +
                             "\x80" + ToCp932("田\tﾔﾏﾀﾞ\t0322223333:0:0\r\n");
    WriteFile(Path("book.txt"), book);
    const RunResult toStdout = Run({"export", "book.txt", "--format", c.format}, "C");
    EXPECT_EQ(toStdout.exitCode, c.exitCode);
    EXPECT_EQ(toStdout.err, c.err);
    EXPECT_NE(toStdout.out.find(c.written), std::string::npos) << toStdout.out;
    const RunResult toFile = Run({"export", "book.txt", "--format", c.format, "-o", "out"}, "C");
    EXPECT_EQ(toFile.exitCode, c.exitCode);
    EXPECT_EQ(toFile.err, c.err);
    EXPECT_EQ(ReadFile(Path("out")), toStdout.out);
    EXPECT_EQ(ReadFile(Path("book.txt")), book);
}

const std::string kReplacedName = "book.txt:8: 山\uFFFD田: field 姓名 holds bytes that are not "
                                  "Shift-JIS; written as U+FFFD\nruvotel: 2 exported, 1 reported\n";

INSTANTIATE_TEST_SUITE_P(
    Formats, RuvotelExportBadBytes,
    ::testing::Values(
        BadBytesCase{"vcard", 3, "FN:山\uFFFD田\r\n", kReplacedName},
        BadBytesCase{"google", 3, ",,山\uFFFD田,,,ヤマダ,", kReplacedName},
        BadBytesCase{"vcard21", 0,
                     "FN;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=8E=52=80=93=63\r\n",
                     "ruvotel: 2 exported\n"},
        BadBytesCase{"csv", 0, ToCp932("02,山") + "\x80" + ToCp932("田,ﾔﾏﾀﾞ,0322223333\r\n"),
                     "ruvotel: 2 exported\n"}),
    [](const auto& test) { return test.param.format; });

// OUT that is FILE or its backup, however spelled, is refused before
// anything is written.
TEST_F(RuvotelTest, ExportOverTheBookOrItsBackupIsRefused) {
    WriteFile(Path("book.txt"), kTwoEntries);
    fs::create_directory(Path("sub"));
    fs::create_symlink("book.txt", Path("link"));
    fs::create_hard_link(Path("book.txt"), Path("hard"));
    for (const std::string target :
         {"book.txt", "./book.txt", "sub/../book.txt", "link", "hard", "book.BAK"}) {
        const RunResult result = Run({"export", "book.txt", "--format", "csv", "-o", target});
        EXPECT_EQ(result.exitCode, 1) << target;
        EXPECT_EQ(result.out, "") << target;
        EXPECT_EQ(result.err, "ruvotel: " + target +
                                  " は使用中の電話帳かそのバックアップなので、エクスポート先には"
                                  "できません\n")
            << target;
        EXPECT_EQ(ReadFile(Path("book.txt")), kTwoEntries) << target;
        EXPECT_FALSE(fs::exists(Path("book.BAK"))) << target;
    }
    // An existing backup is not written over either.
    WriteFile(Path("book.BAK"), "backup");
    EXPECT_EQ(Run({"export", "book.txt", "-o", "sub/../book.BAK"}).exitCode, 1);
    EXPECT_EQ(ReadFile(Path("book.BAK")), "backup");
    // Another file is no book.
    EXPECT_EQ(Run({"export", "book.txt", "-o", "sub/book.txt"}).exitCode, 0);
    EXPECT_EQ(ReadFile(Path("book.txt")), kTwoEntries);
}

// A FILE that is plainly no phone book is refused by every command that
// reads one, before the backup and before anything is written.
struct NotABookCase {
    const char* what;
    std::string file;
    std::string bytes;
    std::string err;
};

class RuvotelNotABook : public RuvotelTest, public ::testing::WithParamInterface<NotABookCase> {};

TEST_P(RuvotelNotABook, IsRefusedUntouched) {
    const NotABookCase& c = GetParam();
    const std::string stem = c.file.substr(0, c.file.rfind('.'));
    WriteFile(Path(c.file), c.bytes);
    WriteFile(Path("contacts.vcf"), Fixture("apple30.vcf"));
    const std::vector<std::vector<std::string>> commands = {
        {"sort", c.file},
        {"dump", c.file},
        {"sort", c.file, "-o", "out.txt"},
        {"export", c.file},
        {"export", c.file, "-o", "out.txt"},
        {"import", c.file, "contacts.vcf"},
        {"check", c.file},
    };
    for (const auto& args : commands) {
        const RunResult result = Run(args);
        EXPECT_EQ(result.exitCode, 1) << args[0];
        EXPECT_EQ(result.out, "") << args[0];
        EXPECT_EQ(result.err, c.err) << args[0];
        EXPECT_EQ(ReadFile(Path(c.file)), c.bytes) << args[0];
        EXPECT_FALSE(fs::exists(Path(stem + ".BAK"))) << args[0];
        EXPECT_FALSE(fs::exists(Path("out.txt"))) << args[0];
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RuvotelNotABook,
    ::testing::Values(
        NotABookCase{"vcard", "phone.vcf", Fixture("android40.vcf"),
                     "ruvotel: phone.vcf は vCard の連絡先ファイルで、電話帳ではありません\n"
                     "ruvotel: その連絡先を電話帳に入れるには: ruvotel import BOOK "
                     "phone.vcf\n"},
        NotABookCase{"google", "google.csv", Fixture("google-new.csv"),
                     "ruvotel: google.csv は連絡先の CSV ファイルで、電話帳ではありません\n"
                     "ruvotel: その連絡先を電話帳に入れるには: ruvotel import BOOK "
                     "google.csv\n"},
        NotABookCase{
            "png", "picture.png",
            "\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDR\x00\x00\x00\x10\x00\x00\x00\x10"
            "\x08\x06\x00\x00\x00\x1F\xF3\xFF\x61"s,
            "ruvotel: picture.png はテキストファイルではないので、電話帳として開けません\n"}),
    [](const auto& test) { return std::string(test.param.what); });

// Export in any format, then import into an empty book: the same entries,
// a one-digit group (the book's 1) stored as two as every import stores it.
TEST_F(RuvotelTest, ExportThenImportGivesTheEntriesBack) {
    const std::string book = Fixture("book.txt");
    WriteFile(Path("book.txt"), book);
    const RunResult original = Run({"dump", "book.txt"});
    for (const std::string format : {"vcard", "vcard21", "google", "csv"}) {
        ASSERT_EQ(Run({"export", "book.txt", "--format", format, "-o", "out." + format}).exitCode,
                  0);
        WriteFile(Path("new.txt"), book.substr(0, book.find("\r\n", book.find("電話番号")) + 2));
        WriteFile(Path("new.txt"), kHeaders);
        const RunResult import =
            Run({"import", "new.txt", "out." + format, "--keep-duplicates", "--no-guess"}, "C");
        EXPECT_EQ(import.exitCode, 0) << format << import.err;
        EXPECT_EQ(import.err, "ruvotel: 6 imported, 0 skipped, 0 cut\n") << format;
        const RunResult dump = Run({"dump", "new.txt"});
        auto entries = [](const std::string& text) {
            std::vector<std::string> lines;
            std::istringstream in(text);
            for (std::string line; std::getline(in, line);)
                if (line.starts_with("E\t"))
                    lines.push_back(line);
            std::sort(lines.begin(), lines.end());
            return lines;
        };
        std::vector<std::string> expected = entries(original.out);
        for (std::string& line : expected)
            if (line.size() > 3 && line[2] >= '0' && line[2] <= '9' && line[3] == '\t')
                line.insert(2, "0");
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(entries(dump.out), expected) << format;
    }
}

TEST_F(RuvotelTest, ImportReportsEachSkippedOrCutContactAndSavesSorted) {
    WriteFile(Path("book.txt"), kTwoEntries);
    WriteFile(Path("phone.vcf"), Fixture("phone21-sjis.vcf"));
    WriteFile(Path("old.csv"), Fixture("google-old.csv"));
    WriteFile(Path("more.vcf"), "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + std::string(33, 'x') +
                                    "\r\nTEL:+81 3 1234 5678\r\nEND:VCARD\r\n"
                                    "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\xF0\x9F\x93\x9E Desk\r\n"
                                    "TEL:03-9999-0001\r\nEND:VCARD\r\n"
                                    "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" +
                                    std::string(33, 'y') + "\r\nTEL:03-9999-0002\r\nEND:VCARD\r\n");
    const RunResult result = Run(
        {"import", "book.txt", "phone.vcf", "old.csv", "more.vcf", "--group", "07", "--no-guess"},
        "C");
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.err,
              "phone.vcf:1: 山田 太郎: number 09011112222 is already in the book; skipped\n"
              "old.csv:3: 渡辺 五郎: no telephone number; skipped\n"
              "more.vcf:1: " +
                  std::string(33, 'x') + ": name cut to \"" + std::string(30, 'x') +
                  "\"\n"
                  "more.vcf:6: \xF0\x9F\x93\x9E Desk: the name holds U+1F4DE '\xF0\x9F\x93\x9E', "
                  "which Shift-JIS cannot hold; not imported\n"
                  "more.vcf:11: " +
                  std::string(33, 'y') + ": name cut to \"" + std::string(30, 'y') +
                  "\"\n"
                  "ruvotel: 5 imported, 3 skipped, 2 cut\n");
    EXPECT_EQ(ReadFile(Path("book.BAK")), kTwoEntries);
    const RunResult dump = Run({"dump", "book.txt"});
    EXPECT_NE(dump.out.find("E\t07\t伊藤 四郎\tｲﾄｳ ｼﾛｳ\t08020003000\n"), std::string::npos)
        << dump.out;
    EXPECT_NE(dump.out.find("E\t07\t表 ソ能\tﾋｮｳ ｿﾉｳ\t08033334444\n"), std::string::npos);
    EXPECT_NE(dump.out.find("E\t12\t長谷川 花子\tﾊｾｶﾞﾜ ﾊﾅｺ\t0655556666\n"), std::string::npos);
    // The book's number under another name is another entry.
    EXPECT_NE(dump.out.find("E\t07\t" + std::string(30, 'x') + "\t\"\"\t0312345678\n"),
              std::string::npos);
    // Saved as sort saves it.
    ASSERT_EQ(Run({"sort", "book.txt", "-o", "resorted.txt"}).exitCode, 0);
    EXPECT_EQ(ReadFile(Path("resorted.txt")), ReadFile(Path("book.txt")));
}

// A group is stored as the window stores a typed one: one digit becomes
// two, whether it comes from --group or from the contact.
TEST_F(RuvotelTest, ImportStoresAOneDigitGroupAsTwoDigits) {
    struct GroupCase {
        std::vector<std::string> options;
        std::string cardGroup; // the card's X-GNO line, if any
        std::string stored;
    };
    const GroupCase cases[] = {
        {{"--group", "5"}, "", "05"},
        {{"--group=5"}, "", "05"},
        {{"--group", "05"}, "", "05"},
        {{}, "X-GNO:5\r\n", "05"},
        {{"--group", "5"}, "X-GNO:7\r\n", "07"},
        {{"--group", "12"}, "", "12"},
    };
    for (const GroupCase& c : cases) {
        WriteFile(Path("book.txt"), kHeaders);
        WriteFile(Path("contacts.vcf"), "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:新人\r\n"
                                        "TEL:080-1234-5678\r\n" +
                                            c.cardGroup + "END:VCARD\r\n");
        std::vector<std::string> args = {"import", "book.txt", "contacts.vcf", "--no-guess"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const RunResult result = Run(args);
        const std::string what = c.cardGroup + (c.options.empty() ? "" : c.options.back());
        EXPECT_EQ(result.exitCode, 0) << what << result.err;
        EXPECT_EQ(ReadFile(Path("book.txt")),
                  kHeaders + ToCp932(c.stored + "\t新人\t\t08012345678:0:0\r\n"))
            << what;
        fs::remove(Path("book.BAK"));
    }
}

// The report is in the locale's language, the counts too.
TEST_F(RuvotelTest, ImportReportsInTheLocalesLanguage) {
    const std::pair<std::string, std::string> cases[] = {
        {"ja_JP.UTF-8", "contacts.vcf:1: 新人: 番号 0312345678 から内線などを除きました: ext. 5\n"
                        "contacts.vcf:6: 名前がないのでスキップしました\n"
                        "ruvotel: 1 件インポート、1 件スキップ、0 件切り詰め\n"},
        {"C", "contacts.vcf:1: 新人: left out of the number 0312345678: ext. 5\n"
              "contacts.vcf:6: no name; skipped\n"
              "ruvotel: 1 imported, 1 skipped, 0 cut\n"},
    };
    for (const auto& [locale, err] : cases) {
        WriteFile(Path("book.txt"), kHeaders);
        WriteFile(Path("contacts.vcf"), "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:新人\r\n"
                                        "TEL:03-1234-5678 ext. 5\r\nEND:VCARD\r\n"
                                        "BEGIN:VCARD\r\nVERSION:3.0\r\n"
                                        "TEL:03-1234-5679\r\nEND:VCARD\r\n");
        const RunResult result =
            Run({"import", "book.txt", "contacts.vcf", "--dry-run", "--no-guess"}, locale);
        EXPECT_EQ(result.exitCode, 3) << locale;
        // Up to the dry run's own words, which follow the counts.
        EXPECT_EQ(result.err.substr(0, result.err.rfind(" (")) + "\n", err) << locale;
    }
}

TEST_F(RuvotelTest, ImportDryRunWritesNothing) {
    WriteFile(Path("book.txt"), kTwoEntries);
    WriteFile(Path("apple.vcf"), Fixture("apple30.vcf"));
    const RunResult result = Run({"import", "book.txt", "apple.vcf", "--dry-run"}, "C");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "ruvotel: 2 imported, 0 skipped, 0 cut (dry run, nothing written)\n");
    EXPECT_EQ(ReadFile(Path("book.txt")), kTwoEntries);
    EXPECT_FALSE(fs::exists(Path("book.BAK")));
}

struct FailureCase {
    const char* what;
    std::string source;
    std::string error;
};

class RuvotelImportFailure : public RuvotelTest,
                             public ::testing::WithParamInterface<FailureCase> {};

// A source that cannot be read stops the import before the book is touched.
TEST_P(RuvotelImportFailure, ExitsOneAndWritesNothing) {
    WriteFile(Path("book.txt"), kTwoEntries);
    WriteFile(Path("good.vcf"), Fixture("android40.vcf"));
    WriteFile(Path("bad"), GetParam().source);
    const RunResult result = Run({"import", "book.txt", "good.vcf", "bad"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, GetParam().error);
    EXPECT_EQ(ReadFile(Path("book.txt")), kTwoEntries);
    EXPECT_FALSE(fs::exists(Path("book.BAK")));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, RuvotelImportFailure,
    ::testing::Values(
        // UTF-16 after its mark, then a lone surrogate: nothing is to be
        // trusted.
        FailureCase{"beliedmark",
                    std::string("\xFF\xFE"
                                "B\0E\0G\0I\0N\0:\0V\0C\0A\0R\0D\0\r\0\n\0\x00\xD8",
                                30),
                    "ruvotel: bad:2: バイト順マークが示す文字コードのテキストではありません\n"},
        FailureCase{"garbage",
                    std::string("\x7F"
                                "ELF\x02\x01\x01\x00",
                                8),
                    "ruvotel: bad:1: テキストファイルではないので、連絡先として読めません\n"}),
    [](const auto& test) { return std::string(test.param.what); });

// A card that cannot be read costs only itself: the others come in, and the
// report says which was skipped and why.
TEST_F(RuvotelTest, ImportSkipsOnlyTheCardItCannotRead) {
    WriteFile(Path("book.txt"), kTwoEntries);
    WriteFile(Path("mixed.vcf"), "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=X-NOPE:a\r\nTEL:1\r\n"
                                 "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nN:Good;Anne;;;\r\n"
                                 "TEL:0312340000\r\nEND:VCARD\r\n");
    const RunResult result = Run({"import", "book.txt", "mixed.vcf", "--no-guess"}, "C");
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.err, "mixed.vcf:3: unknown charset X-NOPE; card skipped\n"
                          "ruvotel: 1 imported, 1 skipped, 0 cut\n");
    EXPECT_NE(ReadFile(Path("book.txt")).find("Good Anne\t\t0312340000:0:0\r\n"),
              std::string::npos);
}

// A CSV broken part way is imported up to the break, which the report names.
TEST_F(RuvotelTest, ImportOfACsvWithAnUnclosedQuoteKeepsTheRowsBeforeIt) {
    WriteFile(Path("book.txt"), kTwoEntries);
    WriteFile(Path("cut.csv"), "Name,Mobile Phone\nb,0312340000\n\"a,1\nc,2\n");
    const RunResult result = Run({"import", "book.txt", "cut.csv", "--no-guess"});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.err,
              "cut.csv:3: 引用符が閉じていないので、この行から最後までを読み飛ばしました\n"
              "ruvotel: 1 件インポート、0 件スキップ、0 件切り詰め\n");
    EXPECT_NE(ReadFile(Path("book.txt")).find("\tb\t\t0312340000:0:0\r\n"), std::string::npos);
}

// A contact without a reading gets the dictionary's proposal, reported so
// that it can be checked; one the file brings is kept; --no-guess leaves it
// empty. (The other import tests pass --no-guess to look at their reports.)
TEST_F(RuvotelTest, ImportGuessesMissingReadings) {
    const std::string contacts = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:山田;太郎;;;\r\n"
                                 "TEL:0312345678\r\nEND:VCARD\r\n"
                                 "BEGIN:VCARD\r\nVERSION:3.0\r\nN:佐藤;花子;;;\r\n"
                                 "X-PHONETIC-LAST-NAME:さとう\r\nTEL:0312345679\r\nEND:VCARD\r\n";
    WriteFile(Path("contacts.vcf"), contacts);
    WriteFile(Path("book.txt"), kHeaders);
    const RunResult guessed = Run({"import", "book.txt", "contacts.vcf"});
    EXPECT_EQ(guessed.exitCode, 3);
    EXPECT_EQ(guessed.err, "contacts.vcf:1: 山田 太郎: 読みを推測しました: ﾔﾏﾀﾞ ﾀﾛｳ\n"
                           "ruvotel: 2 件インポート、0 件スキップ、0 件切り詰め\n");
    const std::string book = ReadFile(Path("book.txt"));
    EXPECT_NE(book.find(ToCp932("\t山田 太郎\tﾔﾏﾀﾞ ﾀﾛｳ\t0312345678:0:0\r\n")), std::string::npos);
    EXPECT_NE(book.find(ToCp932("\t佐藤 花子\tｻﾄｳ\t0312345679:0:0\r\n")), std::string::npos);

    WriteFile(Path("book.txt"), kHeaders);
    const RunResult kept = Run({"import", "book.txt", "contacts.vcf", "--no-guess"});
    EXPECT_EQ(kept.exitCode, 0) << kept.err;
    EXPECT_NE(ReadFile(Path("book.txt")).find(ToCp932("\t山田 太郎\t\t0312345678:0:0\r\n")),
              std::string::npos);
}

TEST_F(RuvotelTest, ImportOfAMissingSourceFails) {
    WriteFile(Path("book.txt"), kTwoEntries);
    const RunResult result = Run({"import", "book.txt", "nothere.vcf"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "ruvotel: nothere.vcf: ファイルが見つかりません\n");
    EXPECT_EQ(ReadFile(Path("book.txt")), kTwoEntries);
}

TEST_F(RuvotelTest, ExchangeUsageErrorsExitTwo) {
    WriteFile(Path("book.txt"), kTwoEntries);
    const std::vector<std::vector<std::string>> cases = {
        {"import", "book.txt"},
        {"import", "book.txt", "a.vcf", "--group", "123"},
        {"import", "book.txt", "a.vcf", "--group"},
        {"import", "book.txt", "a.vcf", "-o", "x"},
        {"export", "book.txt", "--format", "pdf"},
        {"export", "book.txt", "--all-numbers"},
        {"check", "book.txt", "--format", "csv"},
        {"check"},
    };
    for (const auto& args : cases) {
        const RunResult result = Run(args);
        EXPECT_EQ(result.exitCode, 2) << args.back();
        EXPECT_TRUE(result.err.starts_with("ruvotel: ")) << result.err;
        EXPECT_EQ(ReadFile(Path("book.txt")), kTwoEntries);
    }
}

// A reading is compared with the dictionary's readings of the name: a slip
// is reported with what the dictionary reads, a reading it gives (however
// unusual) is not, nor one of a name it cannot read.
TEST_F(RuvotelTest, CheckComparesReadingsWithTheDictionary) {
    WriteFile(Path("book.txt"), kHeaders + ToCp932("01\t山田太郎\tﾔﾏﾀﾞﾀﾛ\t0311112222\r\n"
                                                   "01\t鈴木一郎\tｽｽﾞｷ ｲﾁﾛｰ\t0311113333\r\n"
                                                   "02\t山崎\tﾔﾏｻｷ\t0311114444\r\n"
                                                   "02\t㈱日立製作所\tﾋﾀﾁｾｲｻｸｿ\t0311115555\r\n"
                                                   "03\t株式会社ソニー\tｿﾆｰ\t0311116666\r\n"
                                                   "03\t蠧\tｱ\t0311117777\r\n"));
    const RunResult japanese = Run({"check", "book.txt"});
    EXPECT_EQ(japanese.exitCode, 3);
    EXPECT_EQ(japanese.err, "");
    EXPECT_EQ(japanese.out,
              "book.txt:7: 読み \"ﾔﾏﾀﾞﾀﾛ\" は辞書にある名前の読みのどれとも合いません "
              "(辞書の読み: ﾔﾏﾀﾞ ﾀﾛｳ)\n"
              "book.txt:10: 読み \"ﾋﾀﾁｾｲｻｸｿ\" は辞書にある名前の読みのどれとも合いません "
              "(辞書の読み: ｶﾌﾞｼｷｶﾞｲｼｬﾋﾀﾁｾｲｻｸｼｮ)\n");
    const RunResult english = Run({"check", "book.txt"}, "C");
    EXPECT_EQ(english.out.substr(0, english.out.find('\n') + 1),
              "book.txt:7: the reading \"ﾔﾏﾀﾞﾀﾛ\" is none of the name's readings in the "
              "dictionary (it reads ﾔﾏﾀﾞ ﾀﾛｳ)\n");
}

TEST_F(RuvotelTest, CheckReportsDoubtfulEntries) {
    WriteFile(Path("clean.txt"), kTwoEntries);
    const RunResult clean = Run({"check", "clean.txt"});
    EXPECT_EQ(clean.exitCode, 0) << clean.out;
    EXPECT_EQ(clean.out, "");

    WriteFile(Path("book.txt"),
              kHeaders +
                  ToCp932("01\t山田\tやまだ\t090-1111-2222\r\n"
                          "02\t\t\t0312345678\r\n"
                          "03\t鈴木\tｽｽﾞｷ\t0312345678\r\n"
                          "04\t" +
                          std::string(30, 'n') + "\tABC 123\t" + std::string(20, '9') + "\r\n") +
                  "05\t\x85\x40\tA\t1\r\n");
    const RunResult japanese = Run({"check", "book.txt"});
    EXPECT_EQ(japanese.exitCode, 3);
    EXPECT_EQ(japanese.out.substr(0, japanese.out.find('\n') + 1),
              "book.txt:7: 読み \"やまだ\" に半角カタカナ、空白、英数字以外の文字があります\n");
    const RunResult result = Run({"check", "book.txt"}, "C");
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.out,
              "book.txt:7: the reading \"やまだ\" holds more than half-width katakana, spaces, "
              "letters and digits\n"
              "book.txt:7: the number \"090-1111-2222\" is not all digits\n"
              "book.txt:8: empty name\n"
              "book.txt:8: empty reading\n"
              "book.txt:9: the number 0312345678 is also on line 8\n"
              "book.txt:10: the name fills its 30 bytes; it may have been cut\n"
              "book.txt:10: the number fills its 20 bytes; it may have been cut\n"
              "book.txt:11: the name holds bytes that are no Shift-JIS character: \\x85@\n");
}

} // namespace
