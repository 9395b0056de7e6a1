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

} // namespace ruvo::phone
