#pragma once

#include "core/error/Errors.h"

#include <string>
#include <string_view>

namespace ruvo::exchange {

// What a file holds, as far as its first bytes tell. Only files that are
// plainly something else are told apart; anything that could be a phone
// book (empty, short, odd bytes) is PhoneBook.
enum class FileKind {
    PhoneBook,
    VCard,       // what LooksLikeVCard takes
    ContactsCsv, // a CSV whose header row names known contact columns
    NotText,     // a binary file, an image, UTF-16 or UTF-32 text
};

// The kind of a file from its first bytes (its first 64 KiB is plenty).
FileKind KindOfBytes(std::string_view head);

// The kind of the file at path, from at most its first 64 KiB. A path that
// cannot be opened or read, or names no regular file, is PhoneBook: the open
// that follows reports the failure in its own words.
FileKind KindOfFile(const std::string& path);

// A file refused as a phone book; the message names it.
class ENotAPhoneBook : public Error {
public:
    ENotAPhoneBook(FileKind kind, const std::string& message) : Error(message), kind_(kind) {}
    FileKind kind() const { return kind_; }

private:
    FileKind kind_;
};

// Throws ENotAPhoneBook when KindOfFile(path) is not PhoneBook, before
// anything of the file is taken as entries or a backup is made of it.
void RefuseIfNotPhoneBook(const std::string& path);

} // namespace ruvo::exchange
