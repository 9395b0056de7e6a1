#pragma once

// An entry line of a phone-book file, as read and as written:
//     group TAB name TAB reading TAB number ":0:0" CR LF
// and what a value must be for its line to read back as it was written.

#include "core/text/Cp932.h"
#include "core/text/TextHelpers.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

namespace detail {
// What the writer puts after a number, which a reader cuts off again.
inline constexpr std::string_view kNumberEnd = ":0:0";
} // namespace detail

// Cuts an entry line (without its line end) into fields at every TAB that
// stands on a character boundary; the line ends at its first NUL. The fields
// view line, nothing is copied. Returns how many fields the line holds, 1 to
// kLineFields; fields past that count are left as they were. A fourth field
// ends at the next TAB too: anything after it is no field of the entry.
inline std::size_t SplitEntryLine(std::string_view line, LineFields& fields);

// The number that a line's fourth field holds: its bytes before the first ':'
// on a character boundary (the ":0:0" that the writer puts after it).
inline std::string_view NumberPart(std::string_view field);

// Appends the entry line of the fields as it is written, line end included;
// a number that is not empty is followed by ":0:0".
inline void AppendEntryLine(std::string& out, const LineFields& fields);

// The part of a value before its first NUL, which is all a line carries of
// it; none when that part holds a CR or LF, or a TAB that a reader of the
// line would take for a separator. A TAB that a lead byte has taken as its
// second byte is read back as part of the value, as SplitEntryLine keeps it.
inline std::optional<std::string_view> StorablePart(std::string_view value);

// True when the value ends in a lead byte without its second byte: written,
// that byte would take the TAB after it and run into the next field.
inline bool EndsInLoneLeadByte(std::string_view value);

// True when the number holds a ':' on a character boundary, which a reader
// would take for the start of the ":0:0" after it.
inline bool NumberHoldsColon(std::string_view number);

// The form a group is stored in, wherever an entry comes from (the edit
// boxes, an import): digits padded to two (5 becomes 05), anything else as
// it is. Digits beyond 2147483647 stay as they are too, so that an import
// is not stopped by one contact's group; no edit box holds that many.
std::string NormalizeGroup(std::string_view group);

// Defined here: the reader splits every line and the table checks every
// value of it, the writer appends every line, and a call into another file
// per line and per value is a cost that a million-entry book notices.

inline std::size_t SplitEntryLine(std::string_view line, LineFields& fields) {
    // Cut as SplitText cuts at TAB, without copying the fields.
    line = line.substr(0, line.find('\0'));
    std::size_t count = 0;
    std::size_t pos = 0;
    while (count < fields.size()) {
        const std::size_t tab = FindByteAtBoundary(line, '\t', pos);
        if (tab == std::string_view::npos) {
            fields[count++] = line.substr(pos);
            break;
        }
        fields[count++] = line.substr(pos, tab - pos);
        pos = tab + 1;
    }
    return count;
}

inline std::string_view NumberPart(std::string_view field) {
    return field.substr(0, FindByteAtBoundary(field, ':'));
}

inline void AppendEntryLine(std::string& out, const LineFields& fields) {
    // One resize and plain copies: the writer calls this for every entry.
    const std::string_view numberEnd = fields[3].empty() ? std::string_view() : detail::kNumberEnd;
    const std::size_t start = out.size();
    out.resize(start + fields[0].size() + fields[1].size() + fields[2].size() + fields[3].size() +
               numberEnd.size() + 3 + kLineEnd.size());
    char* p = out.data() + start;
    const auto put = [&p](std::string_view text) {
        if (!text.empty())
            std::memcpy(p, text.data(), text.size());
        p += text.size();
    };
    put(fields[0]);
    *p++ = '\t';
    put(fields[1]);
    *p++ = '\t';
    put(fields[2]);
    *p++ = '\t';
    put(fields[3]);
    put(numberEnd);
    put(kLineEnd);
}

namespace detail {

// True when one of the eight bytes at p is below 0x0E (NUL, TAB, LF and CR
// among them).
inline bool HoldsLowByte(const char* p) {
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kHighBits = 0x8080808080808080;
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return ((word - kOnes * 0x0E) & ~word & kHighBits) != 0;
}

} // namespace detail

inline std::optional<std::string_view> StorablePart(std::string_view value) {
    // Values nearly always come without a byte below 0x0E: check eight
    // bytes at a time, the last eight overlapping, and look closer only
    // where such a byte is.
    const std::size_t size = value.size();
    std::size_t i = 0;
    if (size >= 8) {
        while (i + 8 <= size && !detail::HoldsLowByte(value.data() + i))
            i += 8;
        if (i + 8 > size) {
            if (!detail::HoldsLowByte(value.data() + size - 8))
                return value;
            i = size - 8;
        }
    }
    for (; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(value[i]);
        if (byte > '\r')
            continue;
        if (byte == 0)
            return value.substr(0, i);
        if (byte == '\t' && cp932::IsSecondByte(value, i))
            continue;
        if (byte == '\t' || byte == '\n' || byte == '\r')
            return std::nullopt;
    }
    return value;
}

// Inlined before the table's trimming loop is optimized, not after: left to
// the usual order, the loop that calls this for every value read came out
// longer than with the test written in place.
[[gnu::always_inline]] inline bool EndsInLoneLeadByte(std::string_view value) {
    return !value.empty() && cp932::IsLeadByte(static_cast<unsigned char>(value.back())) &&
           !cp932::IsSecondByte(value, value.size() - 1);
}

inline bool NumberHoldsColon(std::string_view number) {
    return FindByteAtBoundary(number, ':') != std::string_view::npos;
}

} // namespace ruvo
