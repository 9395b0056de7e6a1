#include "core/book/PhoneBook.h"
#include "core/error/Errors.h"
#include "core/file/FileSystem.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace ruvo {
namespace {

namespace fs = std::filesystem;

const std::string kHeaders = "h1\r\nh2\r\nh3\r\nh4\r\nh5\r\nh6\r\n";
const std::string kBook = kHeaders + "01\tB\t\xB2\t0312:0:0\r\n"
                                     "01\tA\t\xB1\t0311:0:0\r\n";
const std::string kSorted = kHeaders + "01\tA\t\xB1\t0311:0:0\r\n"
                                       "01\tB\t\xB2\t0312:0:0\r\n";

class PhoneBookTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/phonebook-XXXXXX";
        ASSERT_TRUE(::mkdtemp(name));
        dir_ = name;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
        return Path(name);
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path dir_;
};

TEST_F(PhoneBookTest, OpenBacksUpAndSaveWritesSortedAndEndsTheHistory) {
    const std::string path = Write("TEL.TXT", kBook);
    PhoneBook book;
    book.Open(path);
    EXPECT_EQ(Read("TEL.BAK"), kBook);
    EXPECT_EQ(book.Path(), path);
    EXPECT_TRUE(book.ReadWhole());
    EXPECT_EQ(book.Table().EntryCount(), 2u);
    EXPECT_FALSE(book.Table().NextUndo()) << "the entries read are no step";

    book.Table().DeleteEntry();
    EXPECT_TRUE(book.Table().NextUndo());
    book.Table().Undo();
    book.Save();
    EXPECT_EQ(Read("TEL.TXT"), kSorted);
    EXPECT_EQ(book.Table().EntryCount(), 2u);
    EXPECT_FALSE(book.Table().NextUndo());

    PhoneBook command(PhoneBook::History::None);
    command.Open(path, false);
    command.Table().DeleteEntry();
    EXPECT_FALSE(command.Table().NextUndo());
}

// What a book that could not be read whole may still be saved to: never
// the file it came from, however that is named, until it is re-opened.
TEST_F(PhoneBookTest, PartialReadIsNeverSavedOverItsFile) {
    const std::string path = Write("TEL.TXT", kBook);
    ASSERT_EQ(::symlink("TEL.TXT", Path("LINK").c_str()), 0);
    PhoneBook book;
    {
        ScopedFileOps calls;
        calls->read = [](int, void*, size_t) -> ssize_t {
            errno = EIO;
            return -1;
        };
        EXPECT_THROW(book.Open(path), EInOutError);
    }
    EXPECT_EQ(book.Path(), path);
    EXPECT_FALSE(book.ReadWhole());
    EXPECT_THROW(book.Save(), Error);
    EXPECT_THROW(book.SaveAs(Path("LINK")), Error);
    EXPECT_THROW(book.SaveAs(Path("./TEL.TXT")), Error);
    EXPECT_EQ(Read("TEL.TXT"), kBook);

    book.SaveAs(Path("OTHER.TXT"));
    EXPECT_EQ(book.Path(), Path("OTHER.TXT"));
    EXPECT_TRUE(book.ReadWhole());

    // A name that held nothing when it was opened may be saved once free.
    PhoneBook fresh;
    EXPECT_THROW(fresh.Open(Path("NEW.TXT")), EInOutError);
    fresh.Save();
    EXPECT_EQ(Read("NEW.TXT").size(), 12u) << "six empty header lines";
}

TEST_F(PhoneBookTest, SaveAsBacksUpWhatItReplacesAndUntitledBooksNeedAName) {
    const std::string path = Write("TEL.TXT", kBook);
    Write("OLD.TXT", "old");
    PhoneBook book;
    book.Open(path, false);
    book.SaveAs(Path("OLD.TXT"));
    EXPECT_EQ(Read("OLD.BAK"), "old");
    EXPECT_EQ(Read("OLD.TXT"), kSorted);
    book.SaveAs(Path("NEW.TXT"));
    EXPECT_FALSE(fs::exists(Path("NEW.BAK")));

    book.StartUntitled();
    EXPECT_EQ(book.Path(), "");
    EXPECT_EQ(book.Headers(), HeaderLines{});
    EXPECT_THROW(book.Save(), EInOutError);
}

} // namespace
} // namespace ruvo
