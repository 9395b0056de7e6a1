// Reading a whole file through the file layer, as the contact reader does:
// short reads, failures that tests inject, and files that are no regular
// file, refused before anything is read.
#include "core/exchange/Contact.h"
#include "core/exchange/ContactReader.h"
#include "core/file/FileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace ruvo {
namespace {

class ReadWholeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/readwhole-XXXXXX";
        ASSERT_TRUE(::mkdtemp(name));
        dir_ = name;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    fs::path dir_;
};

TEST_F(ReadWholeFileTest, ShortReadsMakeTheWholeFile) {
    std::string content;
    for (int i = 0; i < 50000; ++i)
        content += static_cast<char>(i * 7);
    const std::string path = Write("big.bin", content);
    ScopedFileOps calls;
    calls->read = [](int fd, void* buffer, size_t size) {
        return ::read(fd, buffer, std::min<size_t>(size, 333));
    };
    std::string bytes = "left over";
    EXPECT_FALSE(ReadWholeFile(path, bytes));
    EXPECT_EQ(bytes, content);
}

TEST_F(ReadWholeFileTest, FailuresAreTheContactReadersToo) {
    const std::string vcard = Write("a.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:a\r\nEND:VCARD\r\n");
    {
        ScopedFileOps calls;
        calls->read = [](int, void*, size_t) -> ssize_t {
            errno = EIO;
            return -1;
        };
        std::string bytes;
        EXPECT_EQ(ReadWholeFile(vcard, bytes).value(), EIO);
        try {
            exchange::ReadContactsFile(vcard);
            ADD_FAILURE() << "no failure";
        } catch (const exchange::ExchangeError& failure) {
            // The I/O message table's text, in the window's language.
            EXPECT_EQ(std::string(failure.what()), vcard + ": I/O エラー (5)");
        }
    }
    EXPECT_EQ(exchange::ReadContactsFile(vcard).contacts.size(), 1u);
}

TEST_F(ReadWholeFileTest, OnlyRegularFilesAreRead) {
    const std::string fifo = (dir_ / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string bytes;
    // A FIFO without a writer would block a plain open: refused at once.
    EXPECT_EQ(ReadWholeFile(fifo, bytes).value(), EACCES);
    EXPECT_EQ(ReadWholeFile(dir_.string(), bytes).value(), EISDIR);
    EXPECT_EQ(ReadWholeFile((dir_ / "missing").string(), bytes).value(), ENOENT);
}

} // namespace
} // namespace ruvo
