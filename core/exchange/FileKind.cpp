#include "core/exchange/FileKind.h"

#include "core/exchange/CsvReader.h"
#include "core/exchange/InputText.h"
#include "core/exchange/VCardReader.h"
#include "core/file/FileSystem.h"
#include "core/messages/MessageText.h"

#include <algorithm>
#include <sys/stat.h>

namespace ruvo::exchange {

namespace {

using namespace std::string_view_literals;

// Enough for any CSV header row and the blank lines before a vCard.
constexpr std::size_t kHeadSize = 64 * 1024;
// NULs are counted in this much of the head.
constexpr std::size_t kNulWindow = 8 * 1024;

// Beginnings of binary files that one may pick by mistake (images, PDF,
// office files, archives, programs), and the byte-order marks of UTF-16 and
// UTF-32 text.
constexpr std::string_view kBinarySignatures[] = {
    "\x89PNG\r\n\x1A\n"sv,
    "\xFF\xD8\xFF"sv,
    "GIF87a"sv,
    "GIF89a"sv,
    "%PDF-"sv,
    "PK\x03\x04"sv,
    "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"sv,
    "\x7F"
    "ELF"sv,
    "\x1F\x8B"sv,
    "SQLite format 3\0"sv,
    "\xFF\xFE"sv,
    "\xFE\xFF"sv,
    "\0\0\xFE\xFF"sv,
};

// A phone book has no business holding a NUL, but the reader takes one
// that has picked up a few (a header padded by some tool), so one NUL alone
// refuses nothing. Refused are a head that begins like a binary file and
// holds a NUL, and a head where more than one byte in ten is NUL: UTF-16
// text has a NUL for every ASCII character (TABs, digits, line ends), which
// puts even Japanese-only text well above that, and binary files are full
// of them.
bool LooksBinary(std::string_view head) {
    const std::string_view window = head.substr(0, kNulWindow);
    const auto nuls = static_cast<std::size_t>(std::count(window.begin(), window.end(), '\0'));
    if (nuls == 0)
        return false;
    for (const std::string_view signature : kBinarySignatures)
        if (window.starts_with(signature))
            return true;
    return nuls * 10 > window.size();
}

// True when a line after the six header lines is an entry line: three
// TABs, no NUL. A contacts CSV has none, so a phone book whose first header
// line happens to read like a CSV heading is still taken for what it is.
bool HoldsEntryLines(std::string_view head) {
    std::size_t line = 0;
    while (!head.empty()) {
        const std::size_t end = std::min(head.find('\n'), head.size());
        const std::string_view text = head.substr(0, end);
        if (line >= 6 && std::count(text.begin(), text.end(), '\t') == 3 &&
            text.find('\0') == std::string_view::npos)
            return true;
        head.remove_prefix(std::min(end + 1, head.size()));
        ++line;
    }
    return false;
}

} // namespace

FileKind KindOfBytes(std::string_view head) {
    head = head.substr(0, kHeadSize);
    // Contacts first: a CSV in UTF-16 with a byte-order mark is one the
    // import reads, so it is named for what it is.
    if (LooksLikeVCard(head))
        return FileKind::VCard;
    if (LooksLikeKnownCsv(head) && !HoldsEntryLines(head))
        return FileKind::ContactsCsv;
    if (LooksBinary(head))
        return FileKind::NotText;
    return FileKind::PhoneBook;
}

FileKind KindOfFile(const std::string& path) {
    struct stat st;
    FileDescriptor file;
    if (OpenRegularFile(path, st, file))
        return FileKind::PhoneBook;
    std::string head(kHeadSize, '\0');
    std::size_t size = 0;
    while (size < head.size()) {
        std::size_t count = 0;
        // A failed read judges what came before it; the read of the book
        // that follows meets the failure again and reports it.
        if (ReadSome(file.get(), head.data() + size, head.size() - size, count) || count == 0)
            break;
        size += count;
    }
    head.resize(size);
    return KindOfBytes(head);
}

void RefuseIfNotPhoneBook(const std::string& path) {
    const FileKind kind = KindOfFile(path);
    std::string_view text;
    switch (kind) {
    case FileKind::PhoneBook:
        return;
    case FileKind::VCard:
        text = messages::kNotABookVCard;
        break;
    case FileKind::ContactsCsv:
        text = messages::kNotABookCsv;
        break;
    case FileKind::NotText:
        text = messages::kNotABookBinary;
        break;
    }
    throw ENotAPhoneBook(kind, messages::Fill(text, FileNameForMessage(path)));
}

} // namespace ruvo::exchange
