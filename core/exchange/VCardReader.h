#pragma once

#include "core/exchange/Contact.h"

#include <string>
#include <string_view>

namespace ruvo::exchange {

// True when the bytes (after any byte-order mark and blank lines; UTF-16
// with or without a mark) begin with BEGIN:VCARD.
bool LooksLikeVCard(std::string_view bytes);

// Reads every card of a vCard 2.1, 3.0 or 4.0 source. Each value is decoded
// (quoted-printable or BASE64, then its CHARSET or the source's encoding)
// before its escapes are undone and it is split at ';', so a Shift-JIS trail
// byte 0x5C is never taken for a backslash. A card it cannot understand is
// skipped and noted (source.notes), and so are lines it passes over; the
// cards around them are read. Throws ExchangeError "SOURCE:LINE: ..." only
// for a source whose byte-order mark its bytes belie.
ContactSource ReadVCards(std::string_view bytes, const std::string& source);

} // namespace ruvo::exchange
