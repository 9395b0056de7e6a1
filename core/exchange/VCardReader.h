#pragma once

#include "core/exchange/Contact.h"

#include <string>
#include <string_view>

namespace ruvo::exchange {

// True when the bytes (after any byte-order mark and blank lines) begin with
// BEGIN:VCARD.
bool LooksLikeVCard(std::string_view bytes);

// Reads every card of a vCard 2.1, 3.0 or 4.0 source. Each value is decoded
// (quoted-printable, then its CHARSET or the source's encoding) before its
// escapes are undone and it is split at ';', so a Shift-JIS trail byte 0x5C
// is never taken for a backslash. Throws ExchangeError "SOURCE:LINE: ..." for
// a source that is no well-formed vCard.
ContactSource ReadVCards(std::string_view bytes, const std::string& source);

} // namespace ruvo::exchange
