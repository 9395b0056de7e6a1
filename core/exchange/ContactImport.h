#pragma once

#include "core/exchange/Contact.h"
#include "core/reading/ReadingGuess.h"

#include <cstddef>
#include <string>
#include <vector>

namespace ruvo {
class PhoneBookTable;
}

namespace ruvo::exchange {

struct ImportOptions {
    std::string group;           // for contacts without one of their own
    bool allNumbers = false;     // one entry per number, fax numbers too, not one voice number
    bool keepDuplicates = false; // import entries already in the book or import
    // A contact without a reading gets the one the dictionary proposes for
    // its name, reported so that it can be checked.
    bool guessReadings = false;
    // Where the dictionary is; another folder only for a test without one.
    std::string dictionaryFolder = std::string(reading::kIpadicFolder);
};

// One contact that was skipped or changed, as "SOURCE:LINE: NAME: message",
// or what the reader noted, as "SOURCE:LINE: message" (no name).
struct ReportLine {
    std::string source;
    std::size_t line = 0;
    std::string name;    // UTF-8, as imported (or as the source had it)
    std::string message; // UTF-8
};

struct ImportReport {
    std::vector<ReportLine> lines;
    std::size_t imported = 0; // entries appended
    std::size_t skipped = 0;  // contacts or numbers not imported
    std::size_t cut = 0;      // entries with a field cut to its width
    bool Clean() const { return lines.empty(); }
};

std::string FormatReportLine(const ReportLine& line);
// "N imported, N skipped, N cut", in the current language.
std::string FormatCounts(const ImportReport& report);

// Entry point (b): maps each contact to phone-book entries and appends them
// to the table as committed entries, reporting in the current language.
//   name: family and given joined by one space, each trimmed, else the
//     formatted name, else the organisation; a contact with none is skipped.
//     A Latin letter code page 932 lacks loses its accent (é → e, ß → ss).
//   reading: half-width katakana; one the book check would doubt (not
//     kana) is stored and reported.
//   number: phone::ReadTelephoneNumber's digits; what it leaves out (an
//     extension, a remark) is reported, and a value with no number at all.
//     The preferred voice number, else the first; with allNumbers every
//     number, fax numbers too. A contact with no number is skipped, one
//     with fax numbers only too unless allNumbers.
//   group: the contact's, else options.group, as NormalizeGroup gives it
//     (5 becomes 05).
// A contact with another character code page 932 cannot hold is not
// imported. An entry with the same name and number as one in the table or
// earlier in the import is skipped unless keepDuplicates: people sharing a
// line are all imported. A field longer than its width is cut by the
// table. Each of these adds a line to the report. The table must be open
// and settled.
ImportReport ImportContacts(PhoneBookTable& table, const ContactSource& source,
                            const ImportOptions& options);

// Several sources into one table; duplicates are looked for across them.
ImportReport ImportContacts(PhoneBookTable& table, const std::vector<ContactSource>& sources,
                            const ImportOptions& options);

} // namespace ruvo::exchange
