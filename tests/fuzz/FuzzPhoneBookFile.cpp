// Feeds arbitrary bytes to the phone-book reader, saves what it read, reads
// the saved file again and checks that nothing was lost or changed on the way.

#include "core/book/PhoneBookFile.h"
#include "core/book/table/PhoneBookTable.h"
#include "core/file/FileSystem.h"
#include "core/text/TextHelpers.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Entry = std::array<std::string, ruvo::kFieldCount>;

std::string gFolder;

void RemoveFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(gFolder, ignored);
}

// The entries in the given order, as texts (unset reads as empty).
std::vector<Entry> Walk(ruvo::PhoneBookTable& table, const char* order) {
    std::vector<Entry> entries;
    table.SelectOrder(order);
    for (table.MoveFirst(); !table.AtEnd(); table.MoveNext()) {
        Entry entry;
        for (std::size_t f = 0; f < ruvo::kFieldCount; ++f) {
            entry[f] = table.GetField(static_cast<ruvo::Field>(f));
        }
        entries.push_back(entry);
    }
    table.SelectOrder("");
    return entries;
}

// The entries in natural order with the set flag of every field.
std::vector<std::array<std::pair<bool, std::string>, ruvo::kFieldCount>>
Cells(const ruvo::PhoneBookTable& table) {
    std::vector<std::array<std::pair<bool, std::string>, ruvo::kFieldCount>> rows;
    for (std::size_t row = 0; row < table.RowCount(); ++row) {
        rows.emplace_back();
        for (std::size_t f = 0; f < ruvo::kFieldCount; ++f) {
            const ruvo::CellValue cell = table.Cell(row, static_cast<ruvo::Field>(f));
            rows.back()[f] = {cell.set, std::string(cell.text)};
        }
    }
    return rows;
}

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_phonebook_file: %s\n", what);
        std::abort();
    }
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Every input is saved three times: a folder in memory keeps that cheap.
    const char* base = std::getenv("TMPDIR");
    if (base == nullptr || *base == '\0') {
        base = ::access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm" : "/tmp";
    }
    std::string pattern = std::string(base) + "/ruvo-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    gFolder = pattern;
    std::atexit(RemoveFolder);
    // Durability is not what is checked here, and syncing every save would
    // slow the search down a hundredfold. Held for the whole run.
    static ruvo::ScopedFileOps noSync;
    noSync->fsync = [](int) { return 0; };
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string input = gFolder + "/input.txt";
    const std::string saved = gFolder + "/saved.txt";

    ruvo::PhoneBookTable first;
    first.OpenTable();
    ruvo::HeaderLines headers;
    ReadPhoneBookData(bytes, headers, first);

    // The file reader agrees with the in-memory one, also when every read
    // delivers only a few bytes.
    {
        std::ofstream(input, std::ios::binary) << bytes;
        const std::size_t chunk = 1 + size % 13;
        ruvo::PhoneBookTable fromFile;
        fromFile.OpenTable();
        ruvo::HeaderLines fileHeaders;
        {
            ruvo::ScopedFileOps shortReads;
            shortReads->read = [chunk](int fd, void* buffer, size_t length) {
                return ::read(fd, buffer, std::min(length, chunk));
            };
            ReadPhoneBookFile(input, fileHeaders, fromFile);
        }
        Check(fileHeaders == headers, "file reader gives other header lines");
        Check(Cells(fromFile) == Cells(first), "file reader gives other entries");
    }

    WritePhoneBookFile(saved, headers, first);
    Check(!first.SortedOrderSelected(), "natural order not restored after saving");
    const std::vector<Entry> written = Walk(first, "iKey");

    ruvo::PhoneBookTable second;
    second.OpenTable();
    ruvo::HeaderLines secondHeaders;
    ReadPhoneBookFile(saved, secondHeaders, second);
    Check(secondHeaders == headers, "header lines changed by a save");
    Check(second.EntryCount() == first.EntryCount(), "entry count changed by a save");

    Check(Walk(second, "") == written, "entries changed by a save");

    // Once every field is set, saving again gives the same bytes.
    WritePhoneBookFile(saved, secondHeaders, second);
    ruvo::PhoneBookTable third;
    third.OpenTable();
    ruvo::HeaderLines thirdHeaders;
    ReadPhoneBookFile(saved, thirdHeaders, third);
    const std::string savedTwice = ReadAll(saved);
    WritePhoneBookFile(saved, thirdHeaders, third);
    Check(ReadAll(saved) == savedTwice, "second save of the same entries differs");
    return 0;
}
