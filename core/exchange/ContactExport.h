#pragma once

#include "core/exchange/ContactImport.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo {
class PhoneBookTable;
}

namespace ruvo::exchange {

enum class ExportFormat {
    VCard,   // vCard 3.0, UTF-8, CRLF, folded at 75 octets
    VCard21, // vCard 2.1, Shift-JIS, quoted-printable, reading in SOUND;X-IRMC-N
    Google,  // Google Contacts CSV, UTF-8 with a byte-order mark
    Csv,     // the book's four columns, code page 932, values as stored
};

// "vcard", "vcard21", "google", "csv".
std::optional<ExportFormat> ParseExportFormat(std::string_view name);

// What an export did. The UTF-8 formats (vCard 3.0, Google) write a byte
// that begins no Shift-JIS character as U+FFFD, and each field that held one
// gets a line: "BOOK:LINE: NAME: field 姓名 holds bytes that are not
// Shift-JIS; written as U+FFFD". LINE is 7 plus the entry's place in the
// natural order, that is its line in the file as read (entries added since
// come after); the lines are in that order. NAME is the name as exported.
// vCard 2.1 and CSV write the bytes as stored and report nothing.
struct ExportReport {
    std::size_t exported = 0; // entries written
    std::vector<ReportLine> lines;
    bool Clean() const { return lines.empty(); }
};

// "N exported", and ", N reported" when there are report lines.
std::string FormatCounts(const ExportReport& report);

// Entry point (c): every committed entry of the table in the saved order
// (reading, then group), written in the format into out (whatever it held
// goes). Report lines name the book bookName. The table is only read: its
// order, its current entry and a pending entry (not written) stay.
ExportReport ExportEntries(const PhoneBookTable& table, ExportFormat format, std::string& out,
                           const std::string& bookName = "<book>");

// The bytes alone, for callers that need no report.
std::string ExportEntries(const PhoneBookTable& table, ExportFormat format);

// ExportEntries written to a file atomically, like a save. Throws
// EInOutError.
ExportReport ExportEntriesToFile(const std::string& path, const PhoneBookTable& table,
                                 ExportFormat format, const std::string& bookName = "<book>");

// Throws ruvo::Error (naming target) when target is the book
// at bookPath or its backup (BackupName), however spelled: ./, .., a
// symbolic or hard link, a dangling link to either; see SameFile. Call it
// before anything is written.
void RefuseExportOver(const std::string& target, const std::string& bookPath);

} // namespace ruvo::exchange
