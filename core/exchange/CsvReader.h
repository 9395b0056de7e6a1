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

// The rows of a CSV text, and where they stopped short.
struct CsvRows {
    std::vector<CsvRow> rows;
    // The line of the row with a quoted cell that is never closed: the rows
    // end before it. 0 when the text was read to its end.
    std::size_t unclosedQuoteLine = 0;
};

// Splits text into rows by RFC 4180 (quoted cells may hold commas, quotes as
// "" and line ends; CR LF or LF end a row); blank lines are skipped. Where
// a text breaks the rules it is read as spreadsheet programs read it: text
// after a closing quote is kept in the cell, up to the next comma or line
// end. Only ASCII bytes delimit, and no byte of a UTF-8, Shift-JIS or
// Windows-1252 character but an ASCII one is ASCII, so the text may be in
// any of these.
CsvRows ParseCsv(std::string_view text);

// True when the first row of the decoded bytes names columns the reader knows
// (a name or reading, and a telephone number).
bool LooksLikeKnownCsv(std::string_view bytes);

// Reads contacts from a Google Contacts (new or old), Outlook, Thunderbird or
// phone-book CSV; columns are matched by name. Encoding: UTF-16 by its
// byte-order mark or its look; else, after a UTF-8 mark if there is one,
// UTF-8 when the whole is valid, else code page 932 when the whole is valid
// (and unmarked), else row by row: a row valid in UTF-8 or code page 932 is
// read so, any other as Windows-1252 with a note. Skipped with a note: a row
// with more cells than the header (empty ones past it are dropped quietly),
// and everything from a quoted cell that is never closed. Notes go to the
// source's notes, in the order of their lines. Throws ExchangeError
// "SOURCE:LINE: ..." for unknown headers and for bad UTF-16.
ContactSource ReadCsvContacts(std::string_view bytes, const std::string& source);

} // namespace ruvo::exchange
