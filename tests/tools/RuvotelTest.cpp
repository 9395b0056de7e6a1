// Runs the built ruvotel executable on files in a fresh folder and checks its
// output, its exit code and what it leaves on disk.

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

namespace {

// Code-page-932 bytes of a UTF-8 text, so that fixtures can be written
// readably.
std::string ToCp932(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("no CP932 converter");
    std::string out(utf8.size() * 2 + 1, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<std::size_t>(-1))
        throw std::runtime_error("not convertible to CP932: " + utf8);
    out.resize(out.size() - outLeft);
    return out;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

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

    // Runs ruvotel with args in the test's folder.
    RunResult Run(const std::vector<std::string>& args) const {
        const fs::path outPath = dir_ / ".stdout";
        const fs::path errPath = dir_ / ".stderr";
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
            execv(RUVOTEL_EXE, argv.data());
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
                             "04\tA\x80-\t\x81\x7F-\tx\x81\r\n"s;   // bad and lone lead bytes
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
                          "E\t04\tA\\x80-\t\\x81\\x7F-\tx\\x81\n");
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
        const RunResult result = Run(c.args);
        EXPECT_EQ(result.exitCode, 2) << c.what;
        EXPECT_EQ(result.out, "") << c.what;
        EXPECT_NE(result.err.find("Usage: ruvotel"), std::string::npos) << c.what;
    }
    EXPECT_EQ(ReadFile(Path("book.txt")), kUnsortedBook);
    EXPECT_FALSE(fs::exists(Path("book.BAK")));
}

TEST_F(RuvotelTest, HelpAndVersionGoToStandardOutput) {
    const RunResult help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: ruvotel", 0), 0u);
    EXPECT_EQ(help.err, "");

    const RunResult sortHelp = Run({"sort", "--help"});
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

} // namespace
