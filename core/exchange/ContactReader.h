#pragma once

#include "core/exchange/Contact.h"

#include <string>
#include <string_view>

namespace ruvo::exchange {

// Entry point (a): the contacts of one source, its format found from its
// content: BEGIN:VCARD, else a CSV header row with known columns. Throws
// ExchangeError "SOURCE:LINE: ..." for anything it cannot read; never
// returns part of a source.
ContactSource ReadContacts(std::string_view bytes, const std::string& sourceName);

// ReadContacts on a file's bytes; a file that cannot be read throws
// ExchangeError "PATH: reason".
ContactSource ReadContactsFile(const std::string& path);

} // namespace ruvo::exchange
