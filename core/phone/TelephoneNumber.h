#pragma once

#include <string>
#include <string_view>

// Telephone numbers as people write them in contact files, read by
// libphonenumber for Japan: the digits a Japanese telephone set dials.
namespace ruvo::phone {

struct DialledNumber {
    // What the set dials: a number of Japan with its leading 0, a foreign one
    // after Japan's international prefix 010; empty when the text holds no
    // number.
    std::string digits;
    // What the number was written with but the set cannot store, trimmed:
    // an extension ("ext. 5", "x5", ";ext=102"), pauses and waits with the
    // digits after them ("p123", ",,9"), letters or a remark ("自宅").
    std::string leftOut;
};

// The number in UTF-8 text: a number of Japan in any common form
// ("03-1234-5678", "(03) 1234-5678", "+81 (0)3-1234-5678", full-width
// digits and hyphens), a foreign one with its country code ("+1 415 555
// 0100"), or a "tel:" URI.
DialledNumber ReadTelephoneNumber(std::string_view text);

// A stored number (the digits the set dials) as people read it, grouped by
// libphonenumber for Japan: 03-1234-5678, 090-1234-5678, 0120-123-456, and
// a foreign one after 010 as dialled from Japan (010 1 415-555-0100). What
// it cannot group (a short number such as 117, a number of no known range,
// anything but ASCII digits) comes back as it is.
std::string FormatTelephoneNumber(std::string_view stored);

namespace detail {

// ReadTelephoneNumber without its shortcut: every text through
// libphonenumber. ReadTelephoneNumber reads a plain number of Japan (ASCII
// digits grouped by hyphens, brackets and spaces, starting with one 0 and
// not Japan's international prefix 010) itself, as the library would, since
// parsing costs more than the rest of an import; this is for the tests that
// hold the two to the same result.
DialledNumber ReadWithLibrary(std::string_view text);

} // namespace detail

} // namespace ruvo::phone
