#pragma once

#include "core/book/table/PhoneBookTable.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo::reading {
class ReadingGuesser;
}

namespace ruvo {

// One doubtful entry: its line in the file (entries begin at line 7, in file
// order) and what is wrong, in UTF-8, in the messages' language.
struct Finding {
    std::size_t line = 0;
    std::string message;
};

struct BookCheckResult {
    std::vector<Finding> findings;
    // Said once, in the messages' language, when readings were to be
    // compared with the dictionary and it is not there; else empty.
    std::string note;
};

// Looks at every committed entry in natural order (the file's order) for: a
// reading with anything but half-width katakana, spaces, ASCII letters and
// digits; an empty name or reading; a number that is not all digits; a number
// that an earlier entry has too; a name, reading or number filled to its
// width (it may have been cut); bytes that are no code-page-932 character.
// With a guesser, also for a reading the dictionary is sure is not the
// name's (ReadingGuesser::Check).
BookCheckResult CheckPhoneBook(const PhoneBookTable& table,
                               reading::ReadingGuesser* guesser = nullptr);

// True for a reading (code page 932) that holds anything but half-width
// katakana, spaces, ASCII letters and digits, as the check reports it; an
// empty reading is not doubtful in this sense (the check says it is empty).
bool IsDoubtfulReading(std::string_view reading);

} // namespace ruvo
