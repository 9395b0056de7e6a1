#pragma once

#include "core/book/table/PhoneBookTable.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo {

// One doubtful entry: its line in the file (entries begin at line 7, in file
// order) and what is wrong, in UTF-8, in the messages' language.
struct Finding {
    std::size_t line = 0;
    std::string message;
};

// Looks at every committed entry in natural order (the file's order) for: a
// reading with anything but half-width katakana, spaces, ASCII letters and
// digits; an empty name or reading; a number that is not all digits; a number
// that an earlier entry has too; a name, reading or number filled to its
// width (it may have been cut); bytes that are no code-page-932 character.
std::vector<Finding> CheckPhoneBook(const PhoneBookTable& table);

// True for a reading (code page 932) that holds anything but half-width
// katakana, spaces, ASCII letters and digits, as the check reports it; an
// empty reading is not doubtful in this sense (the check says it is empty).
bool IsDoubtfulReading(std::string_view reading);

} // namespace ruvo
