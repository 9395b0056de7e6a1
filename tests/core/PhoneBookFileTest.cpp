#include "core/book/PhoneBookFile.h"
#include "core/book/table/PhoneBookTable.h"
#include "core/error/Errors.h"
#include "core/file/FileSystem.h"
#include "core/file/InOutError.h"
#include "core/file/SafeWrite.h"
#include "core/text/TextHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <type_traits>
#include <unistd.h>
#include <vector>

using namespace std::string_literals;
namespace fs = std::filesystem;

namespace ruvo {
namespace {

// The messages of the I/O message table, as a failure carries them (UTF-8).
const std::string kNotFound = "ファイルが見つかりません";
const std::string kPathNotFound = "ファイル名の指定が間違っています";
const std::string kTooManyFiles = "オープンしたファイルが多すぎます";
const std::string kAccessDenied = "ファイルへのアクセスが拒否されました";
const std::string kDiskFull = "ディスクがいっぱいです";
std::string OtherError(int code) {
    return "I/O エラー (" + std::to_string(code) + ")";
}

using Value = std::optional<std::string>;
using Entry = std::array<Value, kFieldCount>;
const Value kUnset;

// The entries in the selected order, unset fields as nullopt.
std::vector<Entry> EntriesOf(const PhoneBookTable& table) {
    std::vector<Entry> entries;
    for (std::size_t row = 0; row < table.RowCount(); ++row) {
        Entry entry;
        for (std::size_t f = 0; f < kFieldCount; ++f) {
            const CellValue cell = table.Cell(row, static_cast<Field>(f));
            if (cell.set) {
                entry[f] = std::string(cell.text);
            }
        }
        entries.push_back(entry);
    }
    return entries;
}

std::string Show(const std::string& bytes) {
    std::ostringstream out;
    for (const unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            out << c;
        } else {
            out << "\\x" << std::hex << static_cast<int>(c) << std::dec;
        }
    }
    return out.str();
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A fresh folder per test, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "ruvo-file-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    // Names of the files in the folder, sorted.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& item : fs::directory_iterator(path_)) {
            names.push_back(item.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // Paths of the files (not folders) below the folder, relative, sorted.
    std::vector<std::string> FileNames() const {
        std::vector<std::string> names;
        for (const auto& item : fs::recursive_directory_iterator(path_)) {
            if (!item.is_directory()) {
                names.push_back(fs::relative(item.path(), path_).string());
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

// Writes succeed for budget bytes in all; the one after fails with error.
void FailWritesAfter(std::size_t budget, int error) {
    CurrentFileOps().write = [budget, error](int fd, const void* buffer,
                                             size_t size) mutable -> ssize_t {
        if (budget == 0) {
            errno = error;
            return -1;
        }
        const ssize_t n = ::write(fd, buffer, std::min(size, budget));
        if (n > 0) {
            budget -= static_cast<std::size_t>(n);
        }
        return n;
    };
}

// Makes every call of a FileOps member fail with error.
template <typename Result, typename... Args>
void Fail(std::function<Result(Args...)>& call, int error) {
    call = [error](Args...) -> Result {
        errno = error;
        if constexpr (std::is_pointer_v<Result>) {
            return nullptr;
        } else {
            return -1;
        }
    };
}

// Reads give at most chunk bytes; after budget bytes in all they fail.
void LimitReads(std::size_t chunk, std::size_t budget = SIZE_MAX, int error = EIO) {
    CurrentFileOps().read = [=](int fd, void* buffer, size_t size) mutable -> ssize_t {
        if (budget == 0) {
            errno = error;
            return -1;
        }
        const ssize_t n = ::read(fd, buffer, std::min({size, chunk, budget}));
        if (n > 0) {
            budget -= static_cast<std::size_t>(n);
        }
        return n;
    };
}

template <typename Operation> EInOutError CatchInOut(Operation operation) {
    try {
        operation();
    } catch (const EInOutError& e) {
        return e;
    }
    ADD_FAILURE() << "no EInOutError";
    return EInOutError(0, "");
}

// Who a child process runs as.
struct Identity {
    uid_t uid;
    gid_t gid;
    std::vector<gid_t> groups;
};

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;
constexpr gid_t kStaff = 54321; // a group nobody belongs to unless given it

// Runs action in a forked child (as identity when one is given) and returns
// the text it returned. An alarm ends a child that blocks, so that a fault
// fails the test instead of hanging the run.
std::string RunInChild(const std::function<std::string()>& action,
                       const std::optional<Identity>& identity = std::nullopt) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return "(no pipe)";
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        std::string result;
        if (identity && (::setgroups(identity->groups.size(), identity->groups.data()) != 0 ||
                         ::setgid(identity->gid) != 0 || ::setuid(identity->uid) != 0)) {
            result = "(cannot switch user)";
        } else {
            ::alarm(20);
            try {
                result = action();
            } catch (const std::exception& e) {
                result = std::string("(exception) ") + e.what();
            }
        }
        for (std::size_t done = 0; done < result.size();) {
            const ssize_t n = ::write(pipeFds[1], result.data() + done, result.size() - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string out;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno != EINTR) {
            break;
        }
        if (n > 0) {
            out.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(pipeFds[0]);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) {
        return "(no child)";
    }
    if (WIFSIGNALED(status)) {
        return "(killed by signal " + std::to_string(WTERMSIG(status)) + ")";
    }
    return out;
}

HeaderLines Headers(std::initializer_list<std::string> lines) {
    HeaderLines headers;
    std::copy(lines.begin(), lines.end(), headers.begin());
    return headers;
}

const std::string kSixLines = "h1\r\nh2\r\nh3\r\nh4\r\nh5\r\nh6\r\n";
const HeaderLines kSixHeaders = Headers({"h1", "h2", "h3", "h4", "h5", "h6"});

// ---------------------------------------------------------------------------
// Reading and writing back: each case is read from memory, from a file and
// from a file that delivers one byte per read, then saved.

struct RoundTripCase {
    const char* what;
    std::string file;
    HeaderLines headers;
    std::vector<Entry> entries; // in the order of the file
    std::string saved;
};

void PrintTo(const RoundTripCase& c, std::ostream* os) {
    *os << c.what;
}

const RoundTripCase kRoundTripCases[] = {
    {"empty file", "", HeaderLines{}, {}, "\r\n\r\n\r\n\r\n\r\n\r\n"},
    {"three lines only",
     "a\r\nb\r\nc\r\n",
     Headers({"a", "b", "c"}),
     {},
     "a\r\nb\r\nc\r\n\r\n\r\n\r\n"},
    {"blank entry line",
     kSixLines + "\r\n",
     kSixHeaders,
     {{"", kUnset, kUnset, kUnset}},
     kSixLines + "\t\t\t\r\n"},
    {"blank last line",
     kSixLines + "01\tA\tK\t1\r\n\r\n",
     kSixHeaders,
     {{"01", "A", "K", "1"}, {"", kUnset, kUnset, kUnset}},
     kSixLines + "\t\t\t\r\n01\tA\tK\t1:0:0\r\n"},
    {"two items",
     kSixLines + "01\tTaro\r\n",
     kSixHeaders,
     {{"01", "Taro", kUnset, kUnset}},
     kSixLines + "01\tTaro\t\t\r\n"},
    {"telephone suffixes",
     kSixLines + "01\tA\tK1\t123:0:0\r\n02\tB\tK2\t123\r\n03\tC\tK3\t:0:0\r\n04\tD\tK4\t5:1:2\r\n",
     kSixHeaders,
     {{"01", "A", "K1", "123"},
      {"02", "B", "K2", "123"},
      {"03", "C", "K3", ""},
      {"04", "D", "K4", "5"}},
     kSixLines + "01\tA\tK1\t123:0:0\r\n02\tB\tK2\t123:0:0\r\n03\tC\tK3\t\r\n04\tD\tK4\t5:0:0\r\n"},
    // The ":" after a lead byte is its trail byte, not the separator.
    {"colon as trail byte",
     kSixLines + "01\tA\tK\t\x81:9:0:0\r\n",
     kSixHeaders,
     {{"01", "A", "K", "\x81:9"}},
     kSixLines + "01\tA\tK\t\x81:9:0:0\r\n"},
    {"fifth item dropped",
     kSixLines + "01\tA\tK\t1\textra\tmore\r\n",
     kSixHeaders,
     {{"01", "A", "K", "1"}},
     kSixLines + "01\tA\tK\t1:0:0\r\n"},
    {"LF line ends",
     "h1\nh2\nh3\nh4\nh5\nh6\n01\tA\tK\t1\n",
     kSixHeaders,
     {{"01", "A", "K", "1"}},
     kSixLines + "01\tA\tK\t1:0:0\r\n"},
    {"CR alone is dropped, one line",
     "a\rb\rc\r",
     Headers({"abc"}),
     {},
     "abc\r\n\r\n\r\n\r\n\r\n\r\n"},
    {"CR inside a line, CR CR LF",
     "h\r1\r\r\nh2\r\nh3\r\nh4\r\nh5\r\nh6\r\n0\r1\tA\r\r\n",
     Headers({"h1", "h2", "h3", "h4", "h5", "h6"}),
     {{"01", "A", kUnset, kUnset}},
     kSixLines + "01\tA\t\t\r\n"},
    {"Ctrl-Z as last byte after a line end",
     kSixLines + "01\tA\r\n\x1a",
     kSixHeaders,
     {{"01", "A", kUnset, kUnset}},
     kSixLines + "01\tA\t\t\r\n"},
    {"Ctrl-Z as last byte of a line",
     kSixLines + "01\tA\x1a",
     kSixHeaders,
     {{"01", "A", kUnset, kUnset}},
     kSixLines + "01\tA\t\t\r\n"},
    {"Ctrl-Z after the sixth line ends the reading",
     kSixLines + "\x1a"
                 "01\tA\r\n",
     kSixHeaders,
     {},
     kSixLines},
    {"Ctrl-Z at the start of an entry line ends the reading",
     kSixLines + "01\tA\r\n\x1a"
                 "02\tB\r\n",
     kSixHeaders,
     {{"01", "A", kUnset, kUnset}},
     kSixLines + "01\tA\t\t\r\n"},
    {"Ctrl-Z inside an entry line costs the rest of that line only",
     kSixLines + "01\tA\x1ajunk\tX\r\n02\tB\r\n",
     kSixHeaders,
     {{"01", "A", kUnset, kUnset}, {"02", "B", kUnset, kUnset}},
     kSixLines + "01\tA\t\t\r\n02\tB\t\t\r\n"},
    {"Ctrl-Z in header lines",
     "h1\x1a junk\r\n\x1ajunk\nh3\r\nh4\r\nh5\r\nh6\r\n01\r\n",
     Headers({"h1", "", "h3", "h4", "h5", "h6"}),
     {{"01", kUnset, kUnset, kUnset}},
     "h1\r\n\r\nh3\r\nh4\r\nh5\r\nh6\r\n01\t\t\t\r\n"},
    {"last line without line end",
     kSixLines + "01\tA\tK\t1",
     kSixHeaders,
     {{"01", "A", "K", "1"}},
     kSixLines + "01\tA\tK\t1:0:0\r\n"},
    // TAB, a byte-order mark, NUL, a lone lead byte and 電話帳 stay as they are.
    {"header bytes kept",
     "\xef\xbb\xbf"
     "a\tb\r\nx\0y\r\n\x93\x64\x98\x62\x92\xa0\r\n\x81\r\n\r\n \r\n"s,
     Headers({"\xef\xbb\xbf"
              "a\tb",
              "x\0y"s, "\x93\x64\x98\x62\x92\xa0", "\x81", "", " "}),
     {},
     "\xef\xbb\xbf"
     "a\tb\r\nx\0y\r\n\x93\x64\x98\x62\x92\xa0\r\n\x81\r\n\r\n \r\n"s},
    {"NUL ends what an entry line holds",
     kSixLines + "01\tA\0B\tK\t1\r\n"s,
     kSixHeaders,
     {{"01", "A", kUnset, kUnset}},
     kSixLines + "01\tA\t\t\r\n"},
    // ｲ, ｱ, ｱ: sorted by reading, then by group; "1" stays unpadded.
    {"saved in key order",
     kSixLines + "1\tC\t\xb2\t3\r\n02\tB\t\xb1\t2\r\n01\tA\t\xb1\t1\r\n",
     kSixHeaders,
     {{"1", "C", "\xb2", "3"}, {"02", "B", "\xb1", "2"}, {"01", "A", "\xb1", "1"}},
     kSixLines + "01\tA\t\xb1\t1:0:0\r\n02\tB\t\xb1\t2:0:0\r\n1\tC\t\xb2\t3:0:0\r\n"},
    // A lead byte before a TAB takes it as its second byte: the TAB is part
    // of the value, and the line is written back the same.
    {"TAB taken by a lead byte",
     kSixLines + "01\t\x81\tname\t\x83\x5c\t03:0:0\r\n",
     kSixHeaders,
     {{"01", "\x81\tname", "\x83\x5c", "03"}},
     kSixLines + "01\t\x81\tname\t\x83\x5c\t03:0:0\r\n"},
    // A lead byte alone at the end of a value would take the TAB after it
    // when the saved line is read again, and the next field with it: it goes.
    {"lone lead byte at the end of a value",
     kSixLines + "01\tName\x8e\r\n02\tB\tK\t12\x8e\r\n",
     kSixHeaders,
     {{"01", "Name", kUnset, kUnset}, {"02", "B", "K", "12"}},
     kSixLines + "01\tName\t\t\r\n02\tB\tK\t12:0:0\r\n"},
    // The reader cuts most lines in one scan for control bytes; these take
    // its turns.
    {"a TAB or colon ends the number, anything after it is no field",
     kSixLines + "01\tA\tK\t12:34\tjunk\r\n02\tB\tK\t34\t5:6\r\n",
     kSixHeaders,
     {{"01", "A", "K", "12"}, {"02", "B", "K", "34"}},
     kSixLines + "01\tA\tK\t12:0:0\r\n02\tB\tK\t34:0:0\r\n"},
    {"TAB after characters whose second bytes lie in the lead range",
     kSixLines + "01\t\x94\xfc\x94\xfc\tK\t1\r\n",
     kSixHeaders,
     {{"01", "\x94\xfc\x94\xfc", "K", "1"}},
     kSixLines + "01\t\x94\xfc\x94\xfc\tK\t1:0:0\r\n"},
    {"a lead byte before LF",
     kSixLines + "01\tA\tK\x81\n02\tB\r\n",
     kSixHeaders,
     {{"01", "A", "K", kUnset}, {"02", "B", kUnset, kUnset}},
     kSixLines + "02\tB\t\t\r\n01\tA\tK\t\r\n"},
    {"other control bytes stay in their field",
     kSixLines + "01\tA\x01\x1f\tK\t1\r\n",
     kSixHeaders,
     {{"01", "A\x01\x1f", "K", "1"}},
     kSixLines + "01\tA\x01\x1f\tK\t1:0:0\r\n"},
    {"values cut and trimmed by the table",
     kSixLines + "123\t" + std::string(35, 'n') + "\tK  \t" + std::string(25, '9') + "\r\n",
     kSixHeaders,
     {{"12", std::string(30, 'n'), "K", std::string(20, '9')}},
     kSixLines + "12\t" + std::string(30, 'n') + "\tK\t" + std::string(20, '9') + ":0:0\r\n"},
};

enum class Source { Memory, File, FileByteByByte };

class RoundTripTest : public testing::TestWithParam<std::tuple<RoundTripCase, Source>> {};

TEST_P(RoundTripTest, ReadsAndSavesTheFile) {
    const auto& [c, source] = GetParam();
    TempDir dir;
    const std::string path = dir / "TEL.TXT";
    WriteBytes(path, c.file);

    PhoneBookTable table;
    table.OpenTable();
    HeaderLines headers;
    headers.fill("old");
    switch (source) {
    case Source::Memory:
        ReadPhoneBookData(c.file, headers, table);
        break;
    case Source::File:
        ReadPhoneBookFile(path, headers, table);
        break;
    case Source::FileByteByByte: {
        ScopedFileOps calls;
        LimitReads(1);
        ReadPhoneBookFile(path, headers, table);
        break;
    }
    }
    EXPECT_EQ(headers, c.headers);
    EXPECT_EQ(EntriesOf(table), c.entries);

    WritePhoneBookFile(path, headers, table);
    EXPECT_EQ(Show(ReadBytes(path)), Show(c.saved));
    EXPECT_FALSE(table.SortedOrderSelected());
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"TEL.TXT"});
}

INSTANTIATE_TEST_SUITE_P(Cases, RoundTripTest,
                         testing::Combine(testing::ValuesIn(kRoundTripCases),
                                          testing::Values(Source::Memory, Source::File,
                                                          Source::FileByteByByte)));

TEST(ReadPhoneBookFileTest, RealisticFileSavesByteForByte) {
    const std::string original = ReadBytes(RUVO_TEST_DATA "/file/realistic.txt");
    ASSERT_GT(original.size(), 1000u);
    // The same file with its entry lines in reverse order, LF line ends.
    std::vector<std::string> lines;
    std::istringstream in(original);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line.substr(0, line.size() - 1));
    }
    std::string reversed;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        reversed += lines[i < 6 ? i : lines.size() - 1 - (i - 6)] + "\n";
    }

    for (const std::string& file : {original, reversed}) {
        TempDir dir;
        const std::string path = dir / "DENWA.TXT";
        WriteBytes(path, file);
        PhoneBookTable table;
        table.OpenTable();
        HeaderLines headers;
        ReadPhoneBookFile(path, headers, table);
        EXPECT_EQ(table.EntryCount(), lines.size() - 6);
        WritePhoneBookFile(path, headers, table);
        EXPECT_EQ(Show(ReadBytes(path)), Show(original));
    }
}

TEST(ReadPhoneBookFileTest, LinesLongerThanAReadBlock) {
    const std::string longHeader(3 * 1024 * 1024 + 7, 'h');
    const std::string longName(2 * 1024 * 1024, 'n');
    TempDir dir;
    const std::string path = dir / "LONG.TXT";
    WriteBytes(path, longHeader + "\r\n2\r\n3\r\n4\r\n5\r\n6\r\n01\t" + longName + "\tK\r\n02\r\n");

    PhoneBookTable table;
    table.OpenTable();
    HeaderLines headers;
    ReadPhoneBookFile(path, headers, table);
    EXPECT_TRUE(headers[0] == longHeader);
    EXPECT_EQ(headers[5], "6");
    EXPECT_EQ(EntriesOf(table), (std::vector<Entry>{{"01", std::string(30, 'n'), "K", kUnset},
                                                    {"02", kUnset, kUnset, kUnset}}));
}

TEST(ReadPhoneBookFileTest, AppendsToTheTableAndPumpsOncePerEntryLine) {
    PhoneBookTable table;
    table.OpenTable();
    table.AppendEntry();
    table.SetField(Field::Name, "kept");
    table.CommitEntry();

    int pumped = 0;
    HeaderLines headers;
    ReadPhoneBookData(kSixLines + "01\r\n02\r\n03\r\n", headers, table, [&] { ++pumped; });
    EXPECT_EQ(table.EntryCount(), 4u);
    EXPECT_EQ(pumped, 3);
    EXPECT_EQ(table.Cell(0, Field::Name).text, "kept");

    pumped = 0;
    WritePhoneBookFile(TempDir() / "X.TXT", headers, table, [&] { ++pumped; });
    EXPECT_EQ(pumped, 4);
}

TEST(ReadPhoneBookFileTest, OpenFailuresByCode) {
    TempDir dir;
    fs::create_directory(dir / "folder");
    struct Case {
        std::string path;
        int code;
        std::string message;
    } cases[] = {
        {dir / "missing.txt", 2, kNotFound},
        {dir / "nofolder/missing.txt", 3, kPathNotFound},
        {dir / "folder", 5, kAccessDenied},
    };
    for (const Case& c : cases) {
        PhoneBookTable table;
        table.OpenTable();
        HeaderLines headers;
        headers.fill("old");
        const EInOutError e = CatchInOut([&] { ReadPhoneBookFile(c.path, headers, table); });
        EXPECT_EQ(e.code(), c.code) << c.path;
        EXPECT_EQ(Show(e.what()), Show(c.message)) << c.path;
        EXPECT_EQ(headers[0], "old");
        EXPECT_EQ(table.EntryCount(), 0u);
    }
}

TEST(ReadPhoneBookFileTest, ErrnoMapsOntoTheMessageTable) {
    TempDir dir;
    struct Case {
        int error;
        int code;
        std::string message;
    } cases[] = {
        {ENOENT, 2, kNotFound},     {ENOTDIR, 3, kPathNotFound}, {EMFILE, 4, kTooManyFiles},
        {ENFILE, 4, kTooManyFiles}, {EACCES, 5, kAccessDenied},  {EPERM, 5, kAccessDenied},
        {EROFS, 5, kAccessDenied},  {EISDIR, 5, kAccessDenied},  {ENOSPC, 101, kDiskFull},
        {EDQUOT, 101, kDiskFull},   {EIO, EIO, OtherError(EIO)}, {EBUSY, EBUSY, OtherError(EBUSY)},
    };
    for (const Case& c : cases) {
        const EInOutError e = CatchInOut([&] { ThrowInOutError(c.error, dir / "x.txt"); });
        EXPECT_EQ(e.code(), c.code) << c.error;
        EXPECT_EQ(Show(e.what()), Show(c.message)) << c.error;
    }
}

TEST(ReadPhoneBookFileTest, ReadFailureKeepsWhatWasReadBeforeIt) {
    ScopedFileOps calls;
    TempDir dir;
    const std::string path = dir / "TEL.TXT";
    const std::string file = kSixLines + "01\tA\r\n02\tB\r\n03\tC\r\n";
    WriteBytes(path, file);
    struct Case {
        std::size_t failAfter;
        HeaderLines headers;
        std::size_t entries;
    } cases[] = {
        // In the third header line: the first two replaced, the third holds
        // what was read of it, the later ones are untouched.
        {9, Headers({"h1", "h2", "h", "old", "old", "old"}), 0},
        // In the second entry line: only the first entry was added.
        {kSixLines.size() + 8, kSixHeaders, 1},
    };
    for (const Case& c : cases) {
        LimitReads(1, c.failAfter, EIO);
        PhoneBookTable table;
        table.OpenTable();
        HeaderLines headers;
        headers.fill("old");
        const EInOutError e = CatchInOut([&] { ReadPhoneBookFile(path, headers, table); });
        EXPECT_EQ(e.code(), EIO);
        EXPECT_EQ(Show(e.what()), Show(OtherError(EIO)));
        EXPECT_EQ(headers, c.headers);
        EXPECT_EQ(table.EntryCount(), c.entries);
        EXPECT_EQ(table.State(), TableState::Settled);
    }
}

// ---------------------------------------------------------------------------
// Only regular files are read: a FIFO would block the open or the first read
// for good, a device such as /dev/zero would be read until memory runs out.

struct SpecialFileCase {
    const char* what;
    // Makes TEL.TXT in the folder something other than a regular file.
    std::function<void(const TempDir&)> make;
    // The file is looked at while it is still a regular file; it becomes
    // the special one only when it is opened.
    bool swappedAfterTheLook = false;
};

void PrintTo(const SpecialFileCase& c, std::ostream* os) {
    *os << c.what;
}

void MakeFifo(const std::string& path) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0) << std::strerror(errno);
}

const SpecialFileCase kSpecialFileCases[] = {
    {"FIFO", [](const TempDir& dir) { MakeFifo(dir / "TEL.TXT"); }},
    {"link to a FIFO",
     [](const TempDir& dir) {
         MakeFifo(dir / "fifo");
         ASSERT_EQ(::symlink("fifo", (dir / "TEL.TXT").c_str()), 0);
     }},
    {"FIFO in the file's place once looked at",
     [](const TempDir& dir) { MakeFifo(dir / "TEL.TXT"); }, true},
    {"Unix socket",
     [](const TempDir& dir) {
         const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
         ASSERT_GE(fd, 0);
         sockaddr_un address{};
         address.sun_family = AF_UNIX;
         const std::string path = dir / "TEL.TXT";
         ASSERT_LT(path.size(), sizeof address.sun_path);
         std::strcpy(address.sun_path, path.c_str());
         EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
         ::close(fd);
     }},
    {"folder", [](const TempDir& dir) { fs::create_directory(dir / "TEL.TXT"); }},
    {"link to /dev/null",
     [](const TempDir& dir) { ASSERT_EQ(::symlink("/dev/null", (dir / "TEL.TXT").c_str()), 0); }},
    {"link to /dev/zero",
     [](const TempDir& dir) { ASSERT_EQ(::symlink("/dev/zero", (dir / "TEL.TXT").c_str()), 0); }},
};

class SpecialFileTest : public testing::TestWithParam<SpecialFileCase> {};

TEST_P(SpecialFileTest, IsRefusedWithoutBackupOrReading) {
    const SpecialFileCase& c = GetParam();
    ScopedFileOps calls;
    TempDir dir;
    const std::string path = dir / "TEL.TXT";
    c.make(dir);
    const std::string regular = dir / "regular";
    if (c.swappedAfterTheLook) {
        WriteBytes(regular, kSixLines);
    }
    const std::vector<std::string> before = dir.Names();

    const std::string outcome = RunInChild([&] {
        // Should a fault let the reading start, it stops after 16 MB rather
        // than filling the memory.
        std::size_t budget = 16 << 20;
        calls->read = [&budget](int fd, void* buffer, size_t size) -> ssize_t {
            if (budget == 0) {
                errno = EFBIG;
                return -1;
            }
            const ssize_t n = ::read(fd, buffer, std::min(size, budget));
            budget -= n > 0 ? static_cast<std::size_t>(n) : 0;
            return n;
        };
        if (c.swappedAfterTheLook) {
            calls->stat = [path, regular](const char* p, struct stat* st) {
                return ::stat(p == path ? regular.c_str() : p, st);
            };
        }
        PhoneBookTable table;
        table.OpenTable();
        table.AppendEntry();
        table.SetField(Field::Name, "kept");
        table.CommitEntry();
        HeaderLines headers;
        headers.fill("old");
        MakeBackupCopy(path);
        const EInOutError e = CatchInOut([&] { ReadPhoneBookFile(path, headers, table); });
        return std::to_string(e.code()) + " " + e.what() + " | " + headers[0] + " " + headers[5] +
               " | " + std::to_string(table.EntryCount());
    });

    EXPECT_EQ(Show(outcome), Show("5 " + kAccessDenied + " | old old | 1"));
    EXPECT_EQ(dir.Names(), before) << "no backup";
}

INSTANTIATE_TEST_SUITE_P(Kinds, SpecialFileTest, testing::ValuesIn(kSpecialFileCases));

TEST(ReadPhoneBookFileTest, FailingCallOfTheOpenIsReported) {
    TempDir dir;
    const std::string path = dir / "TEL.TXT";
    WriteBytes(path, kSixLines + "01\tA\r\n");
    const std::function<void()> injections[] = {
        [] { Fail(CurrentFileOps().stat, EIO); },
        [] { Fail(CurrentFileOps().open, EIO); },
        [] { Fail(CurrentFileOps().fstat, EIO); },
        [] { Fail(CurrentFileOps().fcntl, EIO); },
    };
    for (const auto& inject : injections) {
        PhoneBookTable table;
        table.OpenTable();
        HeaderLines headers;
        headers.fill("old");
        const EInOutError e = CatchInOut([&] {
            ScopedFileOps calls;
            inject();
            ReadPhoneBookFile(path, headers, table);
        });
        EXPECT_EQ(e.code(), EIO);
        EXPECT_EQ(Show(e.what()), Show(OtherError(EIO)));
        EXPECT_EQ(headers[0], "old");
        EXPECT_EQ(table.EntryCount(), 0u);
    }
}

// ---------------------------------------------------------------------------
// Saving: the target is replaced only once the new content is complete.

class WritePhoneBookFileTest : public testing::Test {
protected:
    void SetUp() override {
        path_ = dir_ / "TEL.TXT";
        WriteBytes(path_, kOld);
        table_.OpenTable();
    }
    // Entries in an order that sorting changes.
    void Fill(std::size_t count) {
        for (std::size_t i = count; i > 0; --i) {
            table_.AppendEntry();
            table_.SetField(Field::Group, "01");
            table_.SetField(Field::Name, "Name " + std::to_string(i));
            table_.SetField(Field::Kana, "K" + std::to_string(100000 + i));
            table_.SetField(Field::Tel, std::to_string(i));
            table_.CommitEntry();
        }
    }
    // The table still holds count entries, in the natural order Fill gave
    // them (readings falling): the save only read it.
    void ExpectTableKept(std::size_t count) {
        EXPECT_EQ(table_.EntryCount(), count);
        EXPECT_FALSE(table_.SortedOrderSelected());
        std::size_t seen = 0;
        std::string previous = "~";
        for (table_.MoveFirst(); !table_.AtEnd(); table_.MoveNext()) {
            const std::string kana = table_.GetField(Field::Kana);
            EXPECT_GT(previous, kana);
            previous = kana;
            ++seen;
        }
        EXPECT_EQ(seen, count);
    }
    void ExpectTargetUntouched() {
        EXPECT_TRUE(ReadBytes(path_) == kOld);
        EXPECT_EQ(dir_.Names(), std::vector<std::string>{"TEL.TXT"});
    }

    const std::string kOld = kSixLines + "99\told\tOLD\t1:0:0\r\n";
    ScopedFileOps calls_;
    TempDir dir_;
    std::string path_;
    PhoneBookTable table_;
};

TEST_F(WritePhoneBookFileTest, FailureAtAnyStepLeavesTheTargetAsItWas) {
    constexpr std::size_t kCount = 40000; // more than one write block
    Fill(kCount);
    auto failCall = [](auto& call, int error) {
        call = [error](auto...) {
            errno = error;
            return -1;
        };
    };
    struct Case {
        const char* what;
        std::function<void()> inject;
        int code;
        std::string message;
    } cases[] = {
        {"disk full at once", [] { FailWritesAfter(0, ENOSPC); }, 101, kDiskFull},
        {"disk full after the headers", [] { FailWritesAfter(30, ENOSPC); }, 101, kDiskFull},
        {"disk full in the second block", [] { FailWritesAfter(1100000, ENOSPC); }, 101, kDiskFull},
        {"quota", [] { FailWritesAfter(100, EDQUOT); }, 101, kDiskFull},
        {"write I/O error", [] { FailWritesAfter(100, EIO); }, EIO, OtherError(EIO)},
        {"fsync fails", [&] { failCall(CurrentFileOps().fsync, EIO); }, EIO, OtherError(EIO)},
        {"close fails",
         [] {
             CurrentFileOps().close = [](int fd) {
                 ::close(fd);
                 errno = ENOSPC;
                 return -1;
             };
         },
         101, kDiskFull},
        {"rename fails", [&] { failCall(CurrentFileOps().rename, EXDEV); }, EXDEV,
         OtherError(EXDEV)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const EInOutError e = CatchInOut([&] {
            ScopedFileOps calls;
            c.inject();
            WritePhoneBookFile(path_, kSixHeaders, table_);
        });
        EXPECT_EQ(e.code(), c.code);
        EXPECT_EQ(Show(e.what()), Show(c.message));
        ExpectTargetUntouched();
        ExpectTableKept(kCount);
    }
}

TEST_F(WritePhoneBookFileTest, NoSpaceForTheTemporaryIsNoReasonToWriteInPlace) {
    Fill(3);
    for (const int error : {ENOSPC, EDQUOT}) {
        calls_->mkostemp = [error](char*, int) {
            errno = error;
            return -1;
        };
        const EInOutError e = CatchInOut([&] { WritePhoneBookFile(path_, kSixHeaders, table_); });
        EXPECT_EQ(e.code(), 101);
        EXPECT_EQ(Show(e.what()), Show(kDiskFull));
        ExpectTargetUntouched();
        EXPECT_EQ(table_.EntryCount(), 3u);
        EXPECT_FALSE(table_.SortedOrderSelected());
    }
}

// A save only reads the table: in either selected order, its order, its
// current entry and a pending change stay as they were, and the pending
// change is not written.
TEST_F(WritePhoneBookFileTest, WritingLeavesTheTableAsItWas) {
    for (const bool sorted : {false, true}) {
        SCOPED_TRACE(sorted ? "sorted" : "natural");
        table_.ClearEntries();
        Fill(3);
        table_.SelectOrder(sorted ? "iKey" : "");
        table_.MoveTo(2);
        table_.EditEntry();
        table_.SetField(Field::Name, "typed");
        WritePhoneBookFile(path_, kSixHeaders, table_);
        EXPECT_EQ(ReadBytes(path_), kSixLines + "01\tName 1\tK100001\t1:0:0\r\n" +
                                        "01\tName 2\tK100002\t2:0:0\r\n" +
                                        "01\tName 3\tK100003\t3:0:0\r\n");
        EXPECT_EQ(table_.SortedOrderSelected(), sorted);
        EXPECT_EQ(table_.State(), TableState::Changing);
        EXPECT_EQ(table_.CurrentRow(), std::optional<std::size_t>(1));
        EXPECT_EQ(table_.GetField(Field::Name), "typed");
        table_.DiscardEntry();
        EXPECT_EQ(table_.GetField(Field::Name), "Name 2");
    }
}

TEST_F(WritePhoneBookFileTest, ReadOnlyFileIsRefusedAndKept) {
    Fill(3);
    ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
    const EInOutError e = CatchInOut([&] { WritePhoneBookFile(path_, kSixHeaders, table_); });
    EXPECT_EQ(e.code(), 5);
    EXPECT_EQ(Show(e.what()), Show(kAccessDenied));
    ExpectTargetUntouched();
    // Refused before anything was written: the table was not even sorted.
    EXPECT_EQ(table_.EntryCount(), 3u);
    EXPECT_FALSE(table_.SortedOrderSelected());
}

TEST_F(WritePhoneBookFileTest, MissingFolderDirectoryAndMissingFile) {
    Fill(1);
    fs::create_directory(dir_ / "folder");
    const EInOutError noFolder =
        CatchInOut([&] { WritePhoneBookFile(dir_ / "nofolder/TEL.TXT", kSixHeaders, table_); });
    EXPECT_EQ(noFolder.code(), 3);
    EXPECT_EQ(Show(noFolder.what()), Show(kPathNotFound));
    const EInOutError isDir =
        CatchInOut([&] { WritePhoneBookFile(dir_ / "folder", kSixHeaders, table_); });
    EXPECT_EQ(isDir.code(), 5);
    EXPECT_EQ(table_.EntryCount(), 1u);

    // A file that does not exist yet is created with the usual mode.
    const mode_t oldMask = ::umask(027);
    WritePhoneBookFile(dir_ / "NEW.TXT", kSixHeaders, table_);
    ::umask(oldMask);
    EXPECT_EQ(ReadBytes(dir_ / "NEW.TXT"), kSixLines + "01\tName 1\tK100001\t1:0:0\r\n");
    struct stat st;
    ASSERT_EQ(::stat((dir_ / "NEW.TXT").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(WritePhoneBookFileTest, KeepsModeOwnerSymbolicAndHardLinks) {
    Fill(2);
    const std::string expected =
        kSixLines + "01\tName 1\tK100001\t1:0:0\r\n01\tName 2\tK100002\t2:0:0\r\n";

    // Mode bits and owner carry over to the new file.
    ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(path_.c_str(), 1234, 5678), 0);
    }
    WritePhoneBookFile(path_, kSixHeaders, table_);
    struct stat st;
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 1234u);
        EXPECT_EQ(st.st_gid, 5678u);
    }
    EXPECT_EQ(ReadBytes(path_), expected);

    // Saving through a symbolic link replaces the file it points to.
    WriteBytes(path_, kOld);
    const std::string link = dir_ / "LINK.TXT";
    ASSERT_EQ(::symlink("TEL.TXT", link.c_str()), 0);
    WritePhoneBookFile(link, kSixHeaders, table_);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(path_), expected);

    // A file with a second name is written in place, so both names see it.
    WriteBytes(path_, kOld);
    const std::string hard = dir_ / "HARD.TXT";
    ASSERT_EQ(::link(path_.c_str(), hard.c_str()), 0);
    WritePhoneBookFile(path_, kSixHeaders, table_);
    EXPECT_EQ(ReadBytes(hard), expected);
    EXPECT_TRUE(fs::equivalent(path_, hard));
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"HARD.TXT", "LINK.TXT", "TEL.TXT"}));
}

TEST_F(WritePhoneBookFileTest, FolderThatTakesNoNewFileIsWrittenInPlace) {
    Fill(1);
    struct stat before;
    ASSERT_EQ(::stat(path_.c_str(), &before), 0);
    for (const int error : {EACCES, EPERM}) {
        calls_->mkostemp = [error](char*, int) {
            errno = error;
            return -1;
        };
        WriteBytes(path_, kOld);
        WritePhoneBookFile(path_, kSixHeaders, table_);
        EXPECT_EQ(ReadBytes(path_), kSixLines + "01\tName 1\tK100001\t1:0:0\r\n");
        struct stat after;
        ASSERT_EQ(::stat(path_.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
    }
    // In place, a failure is reported like any other.
    FailWritesAfter(10, ENOSPC);
    const EInOutError e = CatchInOut([&] { WritePhoneBookFile(path_, kSixHeaders, table_); });
    EXPECT_EQ(e.code(), 101);
    EXPECT_FALSE(table_.SortedOrderSelected());
}

// Every call a save's decisions rest on can fail; whatever fails, the file
// ends up either as it was or wholly rewritten, keeping its mode and owner,
// and no temporary is left behind (unless removing it is what failed).

enum class Outcome { Replaced, InPlace, Refused };

struct SaveCallCase {
    const char* what;
    std::function<void()> inject;
    Outcome outcome;
    int code = 0; // of a refusal
    std::string message = {};
    bool newFile = false;     // TEL.TXT is not there before the save
    bool throughLink = false; // saved as LINK.TXT, a link to TEL.TXT
    bool tempLeft = false;    // removing the temporary is what failed
};

void PrintTo(const SaveCallCase& c, std::ostream* os) {
    *os << c.what;
}

const SaveCallCase kSaveCallCases[] = {
    {.what = "nothing fails", .inject = [] {}, .outcome = Outcome::Replaced},
    {.what = "nothing fails, through a link",
     .inject = [] {},
     .outcome = Outcome::Replaced,
     .throughLink = true},
    {.what = "nothing fails, new file",
     .inject = [] {},
     .outcome = Outcome::Replaced,
     .newFile = true},
    {.what = "lstat fails",
     .inject = [] { Fail(CurrentFileOps().lstat, EIO); },
     .outcome = Outcome::Refused,
     .code = EIO,
     .message = OtherError(EIO)},
    {.what = "lstat fails, new file",
     .inject = [] { Fail(CurrentFileOps().lstat, EIO); },
     .outcome = Outcome::Refused,
     .code = EIO,
     .message = OtherError(EIO),
     .newFile = true},
    {.what = "realpath fails",
     .inject = [] { Fail(CurrentFileOps().realpath, EACCES); },
     .outcome = Outcome::Refused,
     .code = 5,
     .message = kAccessDenied,
     .throughLink = true},
    {.what = "stat fails",
     .inject = [] { Fail(CurrentFileOps().stat, EIO); },
     .outcome = Outcome::Refused,
     .code = EIO,
     .message = OtherError(EIO)},
    {.what = "fchown fails",
     .inject = [] { Fail(CurrentFileOps().fchown, EPERM); },
     .outcome = Outcome::InPlace},
    {.what = "fchown fails, through a link",
     .inject = [] { Fail(CurrentFileOps().fchown, EPERM); },
     .outcome = Outcome::InPlace,
     .throughLink = true},
    {.what = "fchmod fails",
     .inject = [] { Fail(CurrentFileOps().fchmod, EPERM); },
     .outcome = Outcome::InPlace},
    {.what = "fchmod fails, new file",
     .inject = [] { Fail(CurrentFileOps().fchmod, EPERM); },
     .outcome = Outcome::InPlace,
     .newFile = true},
    {.what = "mode does not take",
     .inject =
         [] {
             CurrentFileOps().fchmod = [](int fd, mode_t mode) {
                 return ::fchmod(fd, mode & ~S_IRGRP);
             };
         },
     .outcome = Outcome::InPlace},
    {.what = "owner does not take",
     .inject =
         [] {
             CurrentFileOps().fstat = [](int fd, struct stat* st) {
                 const int result = ::fstat(fd, st);
                 ++st->st_uid;
                 return result;
             };
         },
     .outcome = Outcome::InPlace},
    {.what = "fstat fails",
     .inject = [] { Fail(CurrentFileOps().fstat, EIO); },
     .outcome = Outcome::InPlace},
    {.what = "fchown fails, the temporary cannot be removed",
     .inject =
         [] {
             Fail(CurrentFileOps().fchown, EPERM);
             Fail(CurrentFileOps().unlink, EBUSY);
         },
     .outcome = Outcome::Refused,
     .code = EBUSY,
     .message = OtherError(EBUSY),
     .tempLeft = true},
    {.what = "fchown fails, the file cannot be opened",
     .inject =
         [] {
             Fail(CurrentFileOps().fchown, EPERM);
             Fail(CurrentFileOps().open, EACCES);
         },
     .outcome = Outcome::Refused,
     .code = 5,
     .message = kAccessDenied},
    {.what = "write fails, the temporary cannot be removed",
     .inject =
         [] {
             FailWritesAfter(0, ENOSPC);
             Fail(CurrentFileOps().unlink, EBUSY);
         },
     .outcome = Outcome::Refused,
     .code = 101,
     .message = kDiskFull,
     .tempLeft = true},
};

class SaveCallTest : public WritePhoneBookFileTest,
                     public testing::WithParamInterface<SaveCallCase> {};

TEST_P(SaveCallTest, FileIsKeptOrWhollyRewritten) {
    const SaveCallCase& c = GetParam();
    Fill(2);
    const std::string expected =
        kSixLines + "01\tName 1\tK100001\t1:0:0\r\n01\tName 2\tK100002\t2:0:0\r\n";
    const bool root = ::geteuid() == 0;
    std::vector<std::string> names{"TEL.TXT"};
    struct stat before {};
    if (c.newFile) {
        ASSERT_EQ(::unlink(path_.c_str()), 0);
    } else {
        ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
        if (root) {
            ASSERT_EQ(::chown(path_.c_str(), 1234, 5678), 0);
        }
        ASSERT_EQ(::stat(path_.c_str(), &before), 0);
    }
    std::string savedAs = path_;
    if (c.throughLink) {
        savedAs = dir_ / "LINK.TXT";
        ASSERT_EQ(::symlink("TEL.TXT", savedAs.c_str()), 0);
        names.insert(names.begin(), "LINK.TXT");
    }

    std::optional<EInOutError> error;
    try {
        ScopedFileOps calls;
        c.inject();
        WritePhoneBookFile(savedAs, kSixHeaders, table_);
    } catch (const EInOutError& e) {
        error = e;
    }

    if (c.outcome == Outcome::Refused) {
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code(), c.code);
        EXPECT_EQ(Show(error->what()), Show(c.message));
        EXPECT_EQ(table_.EntryCount(), 2u);
        if (c.newFile) {
            EXPECT_FALSE(fs::exists(path_));
            names.clear();
        } else {
            EXPECT_TRUE(ReadBytes(path_) == kOld);
        }
    } else {
        ASSERT_FALSE(error) << Show(error->what());
        EXPECT_EQ(Show(ReadBytes(path_)), Show(expected));
    }
    struct stat after {};
    if (!c.newFile) {
        ASSERT_EQ(::stat(path_.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino == before.st_ino, c.outcome != Outcome::Replaced);
        EXPECT_EQ(after.st_mode & 07777, 0640u);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
    } else if (c.outcome != Outcome::Refused) {
        ASSERT_EQ(::stat(path_.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode & 07777, 0666u & ~CurrentUmask());
    }
    if (c.throughLink) {
        EXPECT_TRUE(fs::is_symlink(savedAs));
    }
    std::vector<std::string> found = dir_.Names();
    if (c.tempLeft) {
        ASSERT_EQ(found.size(), names.size() + 1);
        const auto temp = std::find_if(found.begin(), found.end(), [](const std::string& name) {
            return name.rfind("TEL.TXT.", 0) == 0;
        });
        ASSERT_NE(temp, found.end());
        found.erase(temp);
    }
    EXPECT_EQ(found, names);
}

INSTANTIATE_TEST_SUITE_P(Calls, SaveCallTest, testing::ValuesIn(kSaveCallCases));

// One failure is reported per read or save: a failing close of the file is
// reported in place of an earlier failure; any other cleanup that fails
// (removing the temporary) leaves the first failure standing.
TEST(FileFailureTest, FailingCloseIsReportedOverAnEarlierFailure) {
    enum class Operation { Read, Save };
    const auto failClose = [] {
        CurrentFileOps().close = [](int fd) {
            ::close(fd);
            errno = ENOSPC;
            return -1;
        };
    };
    const auto failRead = [] { LimitReads(1, 9, EIO); };
    const auto failWrite = [] { FailWritesAfter(0, EIO); };
    struct Case {
        const char* what;
        Operation operation;
        std::function<void()> inject;
        int code;
        std::string message;
    } cases[] = {
        {"read fails", Operation::Read, failRead, EIO, OtherError(EIO)},
        {"read fails, then the close", Operation::Read,
         [&] {
             failRead();
             failClose();
         },
         101, kDiskFull},
        {"only the close fails after reading", Operation::Read, failClose, 101, kDiskFull},
        {"write fails", Operation::Save, failWrite, EIO, OtherError(EIO)},
        {"write fails, then the close", Operation::Save,
         [&] {
             failWrite();
             failClose();
         },
         101, kDiskFull},
        {"sync fails, then the close", Operation::Save,
         [&] {
             Fail(CurrentFileOps().fsync, EIO);
             failClose();
         },
         101, kDiskFull},
        {"write fails, the temporary cannot be removed", Operation::Save,
         [&] {
             failWrite();
             Fail(CurrentFileOps().unlink, EBUSY);
         },
         EIO, OtherError(EIO)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir / "TEL.TXT";
        WriteBytes(path, kSixLines + "01\tA\r\n");
        PhoneBookTable table;
        table.OpenTable();
        HeaderLines headers;
        const EInOutError e = CatchInOut([&] {
            ScopedFileOps calls;
            c.inject();
            if (c.operation == Operation::Read) {
                ReadPhoneBookFile(path, headers, table);
            } else {
                WritePhoneBookFile(path, kSixHeaders, table);
            }
        });
        EXPECT_EQ(e.code(), c.code);
        EXPECT_EQ(Show(e.what()), Show(c.message));
    }
}

// Saving as an ordinary user: the owner, group and mode of the file stay as
// they were, whether the saver owns the file or only belongs to its group.
struct SaverCase {
    const char* what;
    uid_t fileUid;
    gid_t fileGid;
    mode_t fileMode;
    uid_t folderUid;
    gid_t folderGid;
    mode_t folderMode;
    std::vector<gid_t> saverGroups; // the saver is nobody
    bool inPlace;                   // no replacement could take the owner
};

TEST_F(WritePhoneBookFileTest, OrdinaryUserKeepsOwnerGroupAndMode) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "switching to another user needs root";
    }
    const SaverCase cases[] = {
        {"member of the file's group in a shared folder",
         0,
         kStaff,
         0664,
         0,
         kStaff,
         0775,
         {kStaff},
         true},
        {"owner", kNobody, kNoGroup, 0640, kNobody, kNoGroup, 0755, {kNoGroup}, false},
        {"owner, file in another group of his",
         kNobody,
         kStaff,
         0640,
         kNobody,
         kNoGroup,
         0755,
         {kNoGroup, kStaff},
         false},
        {"owner, file in a group he has left",
         kNobody,
         kStaff,
         0640,
         kNobody,
         kNoGroup,
         0755,
         {kNoGroup},
         true},
    };
    Fill(1);
    const std::string expected = kSixLines + "01\tName 1\tK100001\t1:0:0\r\n";
    ASSERT_EQ(::chmod(dir_.path().c_str(), 0755), 0);
    for (const SaverCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = dir_ / c.what;
        const std::string path = folder + "/TEL.TXT";
        ASSERT_TRUE(fs::create_directory(folder));
        ASSERT_EQ(::chown(folder.c_str(), c.folderUid, c.folderGid), 0);
        ASSERT_EQ(::chmod(folder.c_str(), c.folderMode), 0);
        WriteBytes(path, kOld);
        ASSERT_EQ(::chown(path.c_str(), c.fileUid, c.fileGid), 0);
        ASSERT_EQ(::chmod(path.c_str(), c.fileMode), 0);
        struct stat before;
        ASSERT_EQ(::stat(path.c_str(), &before), 0);

        const std::string outcome = RunInChild(
            [&] {
                WritePhoneBookFile(path, kSixHeaders, table_);
                return std::string("saved");
            },
            Identity{kNobody, kNoGroup, c.saverGroups});

        EXPECT_EQ(Show(outcome), "saved");
        struct stat after;
        ASSERT_EQ(::stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_uid, c.fileUid);
        EXPECT_EQ(after.st_gid, c.fileGid);
        EXPECT_EQ(after.st_mode & 07777, c.fileMode);
        EXPECT_EQ(after.st_ino == before.st_ino, c.inPlace);
        EXPECT_EQ(Show(ReadBytes(path)), Show(expected));
        std::vector<std::string> names;
        for (const auto& item : fs::directory_iterator(folder)) {
            names.push_back(item.path().filename().string());
        }
        EXPECT_EQ(names, std::vector<std::string>{"TEL.TXT"});
    }
}

// ---------------------------------------------------------------------------
// Backup copy.

TEST(BackupNameTest, ReplacesOrAppendsTheExtension) {
    const std::pair<std::string, std::string> cases[] = {
        {"/tel/DATA.TXT", "/tel/DATA.BAK"},
        {"/tel/DATA", "/tel/DATA.BAK"},
        {"/tel.d/DATA", "/tel.d/DATA.BAK"},
        {"/tel/data.txt", "/tel/data.BAK"},
        {"/tel/DATA.bak", "/tel/DATA.BAK"},
        {"/tel/DATA.BAK", "/tel/DATA.BAK"},
        {"/tel/a.b.c", "/tel/a.b.BAK"},
        {"/tel/DATA.", "/tel/DATA.BAK"},
        {"DATA.TXT", "DATA.BAK"},
        {"DATA", "DATA.BAK"},
        // An extension that is ソ (trail byte 0x5C).
        {"/tel/DATA.\x83\x5c", "/tel/DATA.BAK"},
        // 表.d as folder: its dot is not the file's.
        {"/\x95\x5c.d/DATA", "/\x95\x5c.d/DATA.BAK"},
        // Backslash and colon are ordinary name characters here.
        {"/tel/C:\\TEL\\DATA", "/tel/C:\\TEL\\DATA.BAK"},
        {"/tel/a.b\\c", "/tel/a.BAK"},
    };
    for (const auto& [path, backup] : cases) {
        EXPECT_EQ(Show(BackupName(path)), Show(backup)) << Show(path);
    }
}

// UTF-8 file names, as they come from the file dialog. Their bytes in
// 0x81..0x9F are no lead bytes: they never hide a "." or "/" after them.
struct BackupCase {
    std::string file;   // relative to a fresh folder
    std::string backup; // the same
    // Files that must be left as they are, such as a backup name that a
    // misread "/" would produce.
    std::vector<std::string> bystanders;
};

void PrintTo(const BackupCase& c, std::ostream* os) {
    *os << c.file;
}

const BackupCase kBackupCases[] = {
    {"リスト.txt", "リスト.BAK", {}},
    {"電話帳", "電話帳.BAK", {}},
    {"ゼンブ.TXT", "ゼンブ.BAK", {}},
    {"v1.あ/data", "v1.あ/data.BAK", {"v1.BAK"}},
    {"社員.名簿/ソフト.txt", "社員.名簿/ソフト.BAK", {"社員.BAK", "社員.名簿/ソフト.txt.BAK"}},
    {"a.b.c", "a.b.BAK", {"a.BAK"}},
    {"tel.d/DATA", "tel.d/DATA.BAK", {"tel.BAK"}},
    {"DATA.TXT", "DATA.BAK", {}},
};

class BackupFileTest : public testing::TestWithParam<BackupCase> {};

TEST_P(BackupFileTest, NameIsFoundByteByByte) {
    const BackupCase& c = GetParam();
    EXPECT_EQ(BackupName(c.file), c.backup);
    EXPECT_EQ(BackupName("/home/山田/" + c.file), "/home/山田/" + c.backup);
}

TEST_P(BackupFileTest, CopyLandsBesideTheFile) {
    const BackupCase& c = GetParam();
    TempDir dir;
    fs::create_directories(fs::path(dir / c.file).parent_path());
    WriteBytes(dir / c.file, kSixLines);
    for (const std::string& bystander : c.bystanders) {
        fs::create_directories(fs::path(dir / bystander).parent_path());
        WriteBytes(dir / bystander, "untouched");
    }
    MakeBackupCopy(dir / c.file);
    EXPECT_EQ(ReadBytes(dir / c.backup), kSixLines);
    for (const std::string& bystander : c.bystanders) {
        EXPECT_EQ(ReadBytes(dir / bystander), "untouched") << bystander;
    }
    std::vector<std::string> expected = c.bystanders;
    expected.push_back(c.file);
    expected.push_back(c.backup);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(dir.FileNames(), expected);
}

INSTANTIATE_TEST_SUITE_P(Names, BackupFileTest, testing::ValuesIn(kBackupCases));

TEST(MakeBackupCopyTest, CopiesBesideTheFileAndReplacesAnOldBackup) {
    TempDir dir;
    WriteBytes(dir / "TEL.TXT", "new content");
    WriteBytes(dir / "TEL.BAK", "older backup, longer than the new content");
    ASSERT_EQ(::chmod((dir / "TEL.TXT").c_str(), 0604), 0);
    MakeBackupCopy(dir / "TEL.TXT");
    EXPECT_EQ(ReadBytes(dir / "TEL.BAK"), "new content");
    struct stat st;
    ASSERT_EQ(::stat((dir / "TEL.BAK").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"TEL.BAK", "TEL.TXT"}));

    // A missing file makes no backup and raises nothing.
    MakeBackupCopy(dir / "MISSING.TXT");
    EXPECT_FALSE(fs::exists(dir / "MISSING.BAK"));
}

TEST(MakeBackupCopyTest, BackupFileOpenedDirectlyIsLeftAlone) {
    TempDir dir;
    const std::string content = kSixLines + "01\tA\tK\t1:0:0\r\n";
    WriteBytes(dir / "TEL.BAK", content);
    MakeBackupCopy(dir / "TEL.BAK");
    EXPECT_EQ(ReadBytes(dir / "TEL.BAK"), content);

    PhoneBookTable table;
    table.OpenTable();
    HeaderLines headers;
    ReadPhoneBookFile(dir / "TEL.BAK", headers, table);
    EXPECT_EQ(table.EntryCount(), 1u);
}

TEST(CopyFileSilentlyTest, NeverCopiesAFileOntoItself) {
    TempDir dir;
    const std::string source = dir / "TEL.TXT";
    WriteBytes(source, "precious");
    ASSERT_EQ(::link(source.c_str(), (dir / "HARD").c_str()), 0);
    ASSERT_EQ(::symlink("TEL.TXT", (dir / "SOFT").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "TEL.TXT").c_str(), (dir / "SOURCE-LINK").c_str()), 0);
    const std::pair<std::string, std::string> cases[] = {
        {source, source},
        {source, dir / "HARD"},
        {source, dir / "SOFT"},
        {dir / "SOURCE-LINK", source},
        {dir / "HARD", dir / "SOFT"},
        {source, dir / "." + "/TEL.TXT"},
    };
    for (const auto& [from, to] : cases) {
        EXPECT_FALSE(CopyFileSilently(from, to)) << from << " -> " << to;
        EXPECT_EQ(ReadBytes(source), "precious");
    }
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"HARD", "SOFT", "SOURCE-LINK", "TEL.TXT"}));
}

TEST(CopyFileSilentlyTest, FailedCopyKeepsTheEarlierBackup) {
    TempDir dir;
    WriteBytes(dir / "TEL.TXT", std::string(3 * 1024 * 1024, 'x'));
    WriteBytes(dir / "TEL.BAK", "earlier backup");
    for (const std::size_t failAfter : {std::size_t{0}, std::size_t{1500000}}) {
        ScopedFileOps calls;
        FailWritesAfter(failAfter, ENOSPC);
        EXPECT_FALSE(CopyFileSilently(dir / "TEL.TXT", dir / "TEL.BAK"));
        EXPECT_EQ(ReadBytes(dir / "TEL.BAK"), "earlier backup");
        EXPECT_EQ(dir.Names(), (std::vector<std::string>{"TEL.BAK", "TEL.TXT"}));
    }
    EXPECT_TRUE(CopyFileSilently(dir / "TEL.TXT", dir / "TEL.BAK"));
    EXPECT_EQ(ReadBytes(dir / "TEL.BAK"), std::string(3 * 1024 * 1024, 'x'));
    EXPECT_FALSE(CopyFileSilently(dir.path(), dir / "DIR.BAK"));
    EXPECT_FALSE(CopyFileSilently(dir / "TEL.TXT", dir.path()));
}

TEST(CopyFileSilentlyTest, LinkedBackupAndFolderThatTakesNoNewFile) {
    ScopedFileOps calls;
    TempDir dir;
    WriteBytes(dir / "TEL.TXT", "content");
    WriteBytes(dir / "elsewhere", "old");
    ASSERT_EQ(::symlink("elsewhere", (dir / "TEL.BAK").c_str()), 0);
    EXPECT_TRUE(CopyFileSilently(dir / "TEL.TXT", dir / "TEL.BAK"));
    EXPECT_TRUE(fs::is_symlink(dir / "TEL.BAK"));
    EXPECT_EQ(ReadBytes(dir / "elsewhere"), "content");

    calls->mkostemp = [](char*, int) {
        errno = EACCES;
        return -1;
    };
    WriteBytes(dir / "TEL.TXT", "newer");
    EXPECT_TRUE(CopyFileSilently(dir / "TEL.TXT", dir / "elsewhere"));
    EXPECT_EQ(ReadBytes(dir / "elsewhere"), "newer");
    EXPECT_FALSE(CopyFileSilently(dir / "TEL.TXT", dir / "NEW.BAK"));
}

TEST(CopyFileSilentlyTest, FailingCallKeepsTheEarlierBackup) {
    TempDir dir;
    auto refuseNewFiles = [] { Fail(CurrentFileOps().mkostemp, EACCES); };
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"lstat", [] { Fail(CurrentFileOps().lstat, EIO); }},
        {"stat", [] { Fail(CurrentFileOps().stat, EIO); }},
        {"fstat", [] { Fail(CurrentFileOps().fstat, EIO); }},
        {"fcntl", [] { Fail(CurrentFileOps().fcntl, EIO); }},
        {"fchmod", [] { Fail(CurrentFileOps().fchmod, EPERM); }},
        {"futimens", [] { Fail(CurrentFileOps().futimens, EPERM); }},
        {"fchmod in place",
         [&] {
             refuseNewFiles();
             Fail(CurrentFileOps().fchmod, EPERM);
         }},
        {"ftruncate in place",
         [&] {
             refuseNewFiles();
             Fail(CurrentFileOps().ftruncate, EIO);
         }},
    };
    for (const auto& [what, inject] : cases) {
        SCOPED_TRACE(what);
        WriteBytes(dir / "TEL.TXT", "new content");
        WriteBytes(dir / "TEL.BAK", "earlier backup");
        ASSERT_EQ(::chmod((dir / "TEL.TXT").c_str(), 0640), 0);
        ASSERT_EQ(::chmod((dir / "TEL.BAK").c_str(), 0644), 0);
        {
            ScopedFileOps calls;
            inject();
            EXPECT_FALSE(CopyFileSilently(dir / "TEL.TXT", dir / "TEL.BAK"));
        }
        EXPECT_EQ(ReadBytes(dir / "TEL.BAK"), "earlier backup");
        EXPECT_EQ(dir.Names(), (std::vector<std::string>{"TEL.BAK", "TEL.TXT"}));
    }
}

} // namespace
} // namespace ruvo
