#pragma once

#include <optional>
#include <string>
#include <string_view>

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

// Entry point (c): every committed entry of the table in the saved order
// (reading, then group), written in the format. The table's selected order
// is as before afterwards; a pending entry is settled first.
std::string ExportEntries(PhoneBookTable& table, ExportFormat format);

// ExportEntries written to a file atomically, like a save. Throws
// EInOutError.
void ExportEntriesToFile(const std::string& path, PhoneBookTable& table, ExportFormat format);

} // namespace ruvo::exchange
