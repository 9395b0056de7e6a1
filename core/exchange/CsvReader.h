#pragma once

#include "core/exchange/Contact.h"

#include <string>
#include <string_view>
#include <vector>

namespace ruvo::exchange {

// One row of a CSV text: its cells and the line it begins on.
struct CsvRow {
    std::size_t line = 0;
    std::vector<std::string> cells;
};

// Splits UTF-8 text into rows by RFC 4180 (quoted cells may hold commas,
// quotes as "" and line ends; CR LF or LF end a row). Blank lines are
// skipped. Throws ExchangeError for an unterminated quote or text after a
// closing quote.
std::vector<CsvRow> ParseCsv(std::string_view utf8, const std::string& source);

// True when the first row of the decoded bytes names columns the reader knows
// (a name or reading, and a telephone number).
bool LooksLikeKnownCsv(std::string_view bytes);

// Reads contacts from a Google Contacts (new or old), Outlook, Thunderbird or
// phone-book CSV; columns are matched by name. Encoding: a byte-order mark, else UTF-8
// when valid, else code page 932. Throws ExchangeError "SOURCE:LINE: ..."
// for unknown headers, undecodable bytes and rows longer than the header.
ContactSource ReadCsvContacts(std::string_view bytes, const std::string& source);

} // namespace ruvo::exchange
