#pragma once

// An entry line of a phone-book file, as read and as written:
//     group TAB name TAB reading TAB number ":0:0" CR LF
// and what a value must be for its line to read back as it was written.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ruvo {

// The fields of an entry line, in their order on it: group, name, reading,
// number.
inline constexpr std::size_t kLineFields = 4;
using LineFields = std::array<std::string_view, kLineFields>;

// What ends every line written, the header lines too.
inline constexpr std::string_view kLineEnd = "\r\n";

// Cuts an entry line (without its line end) into fields at every TAB that
// stands on a character boundary; the line ends at its first NUL. The fields
// view line, nothing is copied. Returns how many fields the line holds, 1 to
// kLineFields; fields past that count are left as they were. A fourth field
// ends at the next TAB too: anything after it is no field of the entry.
std::size_t SplitEntryLine(std::string_view line, LineFields& fields);

// The number that a line's fourth field holds: its bytes before the first ':'
// on a character boundary (the ":0:0" that the writer puts after it).
std::string_view NumberPart(std::string_view field);

// Appends the entry line of the fields as it is written, line end included;
// a number that is not empty is followed by ":0:0".
void AppendEntryLine(std::string& out, const LineFields& fields);

// The part of a value before its first NUL, which is all a line carries of
// it; none when that part holds a CR or LF, or a TAB that a reader of the
// line would take for a separator. A TAB that a lead byte has taken as its
// second byte is read back as part of the value, as SplitEntryLine keeps it.
std::optional<std::string_view> StorablePart(std::string_view value);

// True when the value ends in a lead byte without its second byte: written,
// that byte would take the TAB after it and run into the next field.
bool EndsInLoneLeadByte(std::string_view value);

// True when the number holds a ':' on a character boundary, which a reader
// would take for the start of the ":0:0" after it.
bool NumberHoldsColon(std::string_view number);

// The form a group is stored in, wherever an entry comes from (the edit
// boxes, an import): digits padded to two (5 becomes 05), anything else as
// it is. Digits beyond 2147483647 stay as they are too, so that an import
// is not stopped by one contact's group; no edit box holds that many.
std::string NormalizeGroup(std::string_view group);

} // namespace ruvo
