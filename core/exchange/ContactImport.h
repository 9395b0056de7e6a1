#pragma once

#include "core/exchange/Contact.h"

#include <cstddef>
#include <string>
#include <vector>

namespace ruvo {
class PhoneBookTable;
}

namespace ruvo::exchange {

struct ImportOptions {
    std::string group;           // for contacts without one of their own
    bool allNumbers = false;     // one entry per number, not the preferred one only
    bool keepDuplicates = false; // import numbers already in the book or import
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
// "N imported, N skipped, N cut".
std::string FormatCounts(const ImportReport& report);

// Entry point (b): maps each contact to phone-book entries and appends them
// to the table as committed entries. Name: family and given joined by one
// space, else the formatted name; reading: half-width katakana; number:
// digits only, "+81" as a leading 0; group: the contact's, else
// options.group, as NormalizeGroup gives it (5 becomes 05). A contact with
// a character code page 932 cannot hold, or with no number, is not
// imported; a number already in the table or earlier in the import is
// skipped unless keepDuplicates; a field longer than its width is cut by the
// table. Each of these adds a line to the report. The table must be open and
// settled.
ImportReport ImportContacts(PhoneBookTable& table, const ContactSource& source,
                            const ImportOptions& options);

// Several sources into one table; duplicates are looked for across them.
ImportReport ImportContacts(PhoneBookTable& table, const std::vector<ContactSource>& sources,
                            const ImportOptions& options);

// The digits of a telephone number, "+81" made a leading 0.
std::string NormalizeNumber(std::string_view number);

} // namespace ruvo::exchange
