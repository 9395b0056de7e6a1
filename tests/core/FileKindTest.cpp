// Telling a phone book from files that are plainly something else, and the
// refusal that names them.

#include "core/exchange/FileKind.h"
#include "core/file/FileSystem.h"
#include "core/text/Cp932.h"

#include "tests/core/ExchangeTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace ruvo::exchange {
namespace {

using test::Utf16;

using namespace std::string_literals;
namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Data(const std::string& name) {
    return ReadBytes(fs::path(RUVO_TEST_DATA) / name);
}

std::string Cp932(const char* utf8) {
    return cp932::FromUtf8(utf8).value();
}

struct KindCase {
    const char* what;
    std::string head;
    FileKind kind;
};

void PrintTo(const KindCase& c, std::ostream* os) {
    *os << c.what;
}

class KindOfBytesTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(KindOfBytesTest, TellsTheKind) {
    EXPECT_EQ(KindOfBytes(GetParam().head), GetParam().kind);
}

const KindCase kKinds[] = {
    {"sample", ReadBytes(fs::path(RUVO_SOURCE_DIR) / "examples" / "sample-phonebook.txt"),
     FileKind::PhoneBook},
    {"realistic", Data("file/realistic.txt"), FileKind::PhoneBook},
    {"exchange book", Data("exchange/book.txt"), FileKind::PhoneBook},
    {"empty", "", FileKind::PhoneBook},
    {"two lines", Cp932("ルーヴォ電話帳\r\n01\t山田\tﾔﾏﾀﾞ\t0312345678:0:0\r\n"),
     FileKind::PhoneBook},
    {"odd bytes, no NUL", "\x80\xFD\xFF\x81\r\n\xEF\xBB\r\n"s, FileKind::PhoneBook},
    // A header with a stray NUL, as the reader's own tests have one.
    {"one NUL",
     Cp932("ルーヴォ電話帳\r\n\r\n") + "a\tb\x00z\r\n\r\n\r\n\r\n"s +
         Cp932("01\t山田太郎\tﾔﾏﾀﾞ ﾀﾛｳ\t0312345678:0:0\r\n"),
     FileKind::PhoneBook},
    // Commas in the first line, but no contact columns.
    {"comma header", Cp932("電話帳,2024\r\n\r\n\r\n\r\n\r\n\r\n"), FileKind::PhoneBook},
    {"header that reads like a contacts CSV",
     Cp932("名前,電話番号\r\nh2\r\nh3\r\nh4\r\nh5\r\nh6\r\n01\t山田\tﾔﾏﾀﾞ\t0312345678:0:0\r\n"),
     FileKind::PhoneBook},
    {"vCard with BOM and blank lines",
     "\xEF\xBB\xBF\r\n\r\n  \r\nBEGIN:VCARD\r\nVERSION:3.0\r\nFN:a\r\nEND:VCARD\r\n",
     FileKind::VCard},
    {"lower-case vCard", "begin:vcard\nversion:2.1\nn:a;b\nend:vcard\n", FileKind::VCard},
    {"vCard fixture", Data("exchange/apple30.vcf"), FileKind::VCard},
    {"Shift-JIS vCard", Data("exchange/phone21-sjis.vcf"), FileKind::VCard},
    {"Google CSV", Data("exchange/google-new.csv"), FileKind::ContactsCsv},
    {"old Google CSV", Data("exchange/google-old.csv"), FileKind::ContactsCsv},
    {"Outlook CSV", Data("exchange/outlook.csv"), FileKind::ContactsCsv},
    {"the book's own CSV", Data("exchange/book.csv"), FileKind::ContactsCsv},
    // Few NULs, as compressed image data has: the signature decides.
    {"PNG", "\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDR"s + std::string(500, '\xAB'), FileKind::NotText},
    {"ELF",
     "\x7F"
     "ELF\x02\x01\x01\x00\x00\x00\x00\x00"s,
     FileKind::NotText},
    {"binary without a signature", std::string(64, '\x00') + "\x12\x34\xFF", FileKind::NotText},
    // The import reads vCards in UTF-16, so they are named for what they are.
    {"UTF-16 vCard with BOM", "\xFF\xFE"s + Utf16(u"BEGIN:VCARD\r\nVERSION:3.0\r\nEND:VCARD\r\n"),
     FileKind::VCard},
    {"UTF-16BE vCard with BOM",
     "\xFE\xFF"s + Utf16(u"BEGIN:VCARD\r\nVERSION:3.0\r\nEND:VCARD\r\n", true), FileKind::VCard},
    {"UTF-16 vCard without BOM", Utf16(u"BEGIN:VCARD\r\nVERSION:3.0\r\nEND:VCARD\r\n"),
     FileKind::VCard},
    {"UTF-16 book without BOM",
     Utf16(u"ルーヴォ電話帳\r\n\r\n\r\n\r\n\r\n\r\n01\t山田太郎\tﾔﾏﾀﾞﾀﾛｳ\t0312345678:0:0\r\n"),
     FileKind::NotText},
};

INSTANTIATE_TEST_SUITE_P(Kinds, KindOfBytesTest, ::testing::ValuesIn(kKinds));

class FileKindFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "filekind-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return (dir_ / name).string();
    }

    fs::path dir_;
};

TEST_F(FileKindFiles, WhatCannotBeReadIsLeftToTheOpen) {
    EXPECT_EQ(KindOfFile((dir_ / "missing.txt").string()), FileKind::PhoneBook);
    EXPECT_EQ(KindOfFile(dir_.string()), FileKind::PhoneBook);
    EXPECT_NO_THROW(RefuseIfNotPhoneBook((dir_ / "missing.txt").string()));

    const std::string vcard = Write("a.vcf", "BEGIN:VCARD\r\nEND:VCARD\r\n");
    ScopedFileOps calls;
    calls->read = [](int, void*, size_t) -> ssize_t {
        errno = EIO;
        return -1;
    };
    EXPECT_EQ(KindOfFile(vcard), FileKind::PhoneBook);
}

// The head is what decides: a vCard's first bytes past 64 KiB of blank
// lines are not looked for, and no more than that is read.
TEST_F(FileKindFiles, ReadsTheHeadOnlyThroughTheFileLayer) {
    const std::string near = Write("near.vcf", std::string(60 * 1024, '\n') + "BEGIN:VCARD\n");
    const std::string far = Write("far.vcf", std::string(70 * 1024, '\n') + "BEGIN:VCARD\n");
    ScopedFileOps calls;
    std::size_t read = 0;
    const auto realRead = calls->read;
    calls->read = [&](int fd, void* buffer, size_t size) -> ssize_t {
        const ssize_t n = realRead(fd, buffer, size);
        read += n > 0 ? static_cast<std::size_t>(n) : 0;
        return n;
    };
    EXPECT_EQ(KindOfFile(near), FileKind::VCard);
    read = 0;
    EXPECT_EQ(KindOfFile(far), FileKind::PhoneBook);
    EXPECT_EQ(read, 64u * 1024);
}

struct RefusalCase {
    const char* file;
    std::string bytes;
    FileKind kind;
    const char* message; // UTF-8
};

TEST_F(FileKindFiles, RefusalNamesTheFileAndItsKind) {
    const RefusalCase cases[] = {
        {"連絡先.vcf", "BEGIN:VCARD\r\nEND:VCARD\r\n", FileKind::VCard,
         "は vCard の連絡先ファイルで、電話帳ではありません"},
        {"g.csv", "Name,Mobile Phone\r\na,1\r\n", FileKind::ContactsCsv,
         "は連絡先の CSV ファイルで、電話帳ではありません"},
        {"x.png", "\x89PNG\r\n\x1A\n\x00\x00\x00\x0D"s, FileKind::NotText,
         "はテキストファイルではないので、電話帳として開けません"},
    };
    for (const RefusalCase& c : cases) {
        const std::string path = Write(c.file, c.bytes);
        try {
            RefuseIfNotPhoneBook(path);
            ADD_FAILURE() << c.file << " was not refused";
        } catch (const ENotAPhoneBook& error) {
            EXPECT_EQ(error.kind(), c.kind) << c.file;
            // The path as given.
            EXPECT_EQ(error.what(), path + " " + c.message) << c.file;
        }
    }
    EXPECT_NO_THROW(RefuseIfNotPhoneBook(Write("book.txt", Data("exchange/book.txt"))));
}

// The message names the file as the user sees it: a UTF-8 name as it is,
// even with a character code page 932 lacks, and a name written in
// Shift-JIS (from an old file system) decoded.
TEST_F(FileKindFiles, RefusalShowsTheFileNameReadably) {
    struct NameCase {
        std::string onDisk;
        std::string shown;
    };
    for (const NameCase& c : {
             NameCase{"\xF0\x9F\x93\x9E.vcf", "\xF0\x9F\x93\x9E.vcf"},
             NameCase{Cp932("電話帳.vcf"), "電話帳.vcf"},
         }) {
        const std::string path = Write(c.onDisk, "BEGIN:VCARD\r\nEND:VCARD\r\n");
        try {
            RefuseIfNotPhoneBook(path);
            ADD_FAILURE() << c.shown << " not refused";
        } catch (const ENotAPhoneBook& error) {
            EXPECT_EQ(error.what(), dir_.string() + "/" + c.shown +
                                        " は vCard の連絡先ファイルで、電話帳ではありません");
        }
    }
}

} // namespace
} // namespace ruvo::exchange
