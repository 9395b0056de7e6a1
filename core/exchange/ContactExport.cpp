#include "core/exchange/ContactExport.h"

#include "core/book/PhoneBookFile.h"
#include "core/book/table/PhoneBookTable.h"
#include "core/exchange/InputText.h"
#include "core/file/FileSystem.h"
#include "core/file/SafeWrite.h"
#include "core/messages/MessageText.h"
#include "core/text/Cp932.h"
#include "core/text/FullWidthKana.h"
#include "core/text/Utf8.h"

#include <array>

namespace ruvo::exchange {

namespace {

constexpr std::string_view kCrLf = "\r\n";

struct Entry {
    std::string_view group, name, reading, tel; // code page 932, as stored
};

// Splits at the first space: family before, given after (else all family).
std::pair<std::string_view, std::string_view> SplitAtSpace(std::string_view text) {
    const std::size_t space = text.find(' ');
    if (space == std::string_view::npos)
        return {text, {}};
    return {text.substr(0, space), text.substr(space + 1)};
}

// valid turns false when some byte went out as U+FFFD.
std::string Utf8(std::string_view bytes, bool& valid) {
    std::string out;
    valid = AppendCp932AsUtf8(out, bytes, false) && valid;
    return out;
}

bool IsMobile(std::string_view tel) {
    return tel.starts_with("070") || tel.starts_with("080") || tel.starts_with("090");
}

// Appends a vCard 3.0 text value with \ , ; escaped.
void AppendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        if (c == '\\' || c == ',' || c == ';')
            out += '\\';
        out += c;
    }
}

// Appends one content line, folded so that no line passes 75 octets and no
// fold splits a UTF-8 character.
void AppendFolded(std::string& out, std::string_view line) {
    if (line.size() <= 75) {
        out.append(line);
        out += kCrLf;
        return;
    }
    std::size_t lineLength = 0;
    std::size_t limit = 75;
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t length = std::max<std::size_t>(1, utf8::SequenceLength(line, i));
        if (lineLength + length > limit) {
            out += "\r\n ";
            lineLength = 1;
        }
        out.append(line.substr(i, length));
        lineLength += length;
        i += length;
    }
    out += kCrLf;
}

// Buffers reused from entry to entry.
struct VCardBuffers {
    std::string name, reading, line;
};

void AppendProperty(std::string& out, std::string& line, std::string_view head,
                    std::string_view value) {
    line.assign(head);
    AppendEscaped(line, value);
    AppendFolded(out, line);
}

// False when some byte went out as U+FFFD; so for WriteGoogle.
bool WriteVCard(std::string& out, const Entry& e, VCardBuffers& b) {
    b.name.clear();
    bool valid = AppendCp932AsUtf8(b.name, e.name, false);
    b.reading.clear();
    valid = AppendCp932AsUtf8(b.reading, e.reading, true) && valid;
    const auto [family, given] = SplitAtSpace(b.name);
    const auto [familyReading, givenReading] = SplitAtSpace(b.reading);
    out += "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    AppendProperty(out, b.line, "FN:", b.name);
    b.line.assign("N:");
    AppendEscaped(b.line, family);
    b.line += ';';
    AppendEscaped(b.line, given);
    b.line += ";;;";
    AppendFolded(out, b.line);
    if (!b.reading.empty()) {
        AppendProperty(out, b.line, "X-PHONETIC-LAST-NAME:", familyReading);
        if (!givenReading.empty())
            AppendProperty(out, b.line, "X-PHONETIC-FIRST-NAME:", givenReading);
        AppendProperty(out, b.line, "SORT-STRING:", b.reading);
    }
    if (!e.tel.empty())
        AppendProperty(out, b.line,
                       IsMobile(e.tel) ? "TEL;TYPE=CELL:" : "TEL;TYPE=VOICE:", Utf8(e.tel, valid));
    if (!e.group.empty())
        AppendProperty(out, b.line, "X-GNO:", Utf8(e.group, valid));
    out += "END:VCARD\r\n";
    return valid;
}

// A vCard 2.1 property: plain ASCII as it is, anything else in Shift-JIS
// and quoted-printable with soft line breaks, so that no raw 0x5C trail
// byte reaches a reader that would take it for a backslash.
void AppendVCard21(std::string& out, std::string_view name, std::string_view value) {
    bool ascii = true;
    for (const char c : value)
        ascii =
            ascii && static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
    if (ascii) {
        out.append(name);
        out += ':';
        out += value;
        out += kCrLf;
        return;
    }
    const std::string head = std::string(name) + ";CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:";
    out += head;
    std::size_t lineLength = head.size();
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < value.size();) {
        // Both bytes of a double-byte character are encoded, the trail byte
        // 0x5C included.
        const std::size_t charLength = cp932::CharLength(value, i);
        const auto first = static_cast<unsigned char>(value[i]);
        const bool plain = charLength == 1 && first >= 0x21 && first < 0x7F && first != '=';
        const std::size_t length = plain ? 1 : 3 * charLength;
        if (lineLength + length > 75) {
            out += "=\r\n";
            lineLength = 0;
        }
        for (std::size_t k = 0; k < charLength; ++k) {
            const auto byte = static_cast<unsigned char>(value[i + k]);
            if (plain) {
                out += static_cast<char>(byte);
            } else {
                out += '=';
                out += kHex[byte >> 4];
                out += kHex[byte & 15];
            }
        }
        lineLength += length;
        i += charLength;
    }
    out += kCrLf;
}

// ';', ',' and '\' escaped at character boundaries of code page 932 text:
// 2.1 itself escapes ';' only, but readers that follow 3.0 (vobject) take a
// bare comma for a separator, and 2.1 readers accept "\,".
std::string Escape21(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = cp932::CharLength(bytes, i);
        if (length == 1 && (bytes[i] == ';' || bytes[i] == ',' || bytes[i] == '\\'))
            out += '\\';
        out.append(bytes.substr(i, length));
        i += length;
    }
    return out;
}

void WriteVCard21(std::string& out, const Entry& e) {
    const auto [family, given] = SplitAtSpace(e.name);
    const auto [familyReading, givenReading] = SplitAtSpace(e.reading);
    out += "BEGIN:VCARD\r\nVERSION:2.1\r\n";
    AppendVCard21(out, "N", Escape21(family) + ";" + Escape21(given) + ";;;");
    AppendVCard21(out, "FN", Escape21(e.name));
    if (!e.reading.empty())
        AppendVCard21(out, "SOUND;X-IRMC-N",
                      Escape21(familyReading) + ";" + Escape21(givenReading) + ";;;");
    if (!e.tel.empty())
        AppendVCard21(out, IsMobile(e.tel) ? "TEL;CELL" : "TEL;VOICE", e.tel);
    if (!e.group.empty())
        AppendVCard21(out, "X-GNO", Escape21(e.group));
    out += "END:VCARD\r\n";
}

// An RFC 4180 cell: quoted when it holds a comma, a quote or a line end.
void AppendCell(std::string& out, std::string_view cell) {
    if (cell.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(cell);
        return;
    }
    out += '"';
    for (const char c : cell) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void AppendRow(std::string& out, std::initializer_list<std::string_view> cells) {
    bool first = true;
    for (const std::string_view cell : cells) {
        if (!first)
            out += ',';
        first = false;
        AppendCell(out, cell);
    }
    out += kCrLf;
}

bool WriteGoogle(std::string& out, const Entry& e, VCardBuffers& b) {
    b.name.clear();
    bool valid = AppendCp932AsUtf8(b.name, e.name, false);
    b.reading.clear();
    valid = AppendCp932AsUtf8(b.reading, e.reading, true) && valid;
    const auto [family, given] = SplitAtSpace(b.name);
    const auto [familyReading, givenReading] = SplitAtSpace(b.reading);
    b.line.assign("* myContacts");
    if (!e.group.empty()) {
        b.line += " ::: Group ";
        valid = AppendCp932AsUtf8(b.line, e.group, false) && valid;
    }
    const std::string_view label = e.tel.empty() ? "" : IsMobile(e.tel) ? "Mobile" : "Home";
    AppendRow(out, {given, "", family, givenReading, "", familyReading, b.line, label,
                    Utf8(e.tel, valid)});
    return valid;
}

// The entries' place in the file: after the six header lines.
constexpr std::size_t kFirstEntryLine = 7;

// A line for each field that holds a byte that begins no character, walking
// the natural order (which the table has selected) so that each line can
// name the entry's line in the file. Only run once the writing has met such
// a byte, so a clean export never walks the entries twice.
void ReportUndecodable(const PhoneBookTable& table, const std::string& bookName,
                       ExportReport& report) {
    std::string scratch;
    std::size_t row = 0;
    table.ForEachEntry(
        PhoneBookTable::Walk::Natural, [&](const PhoneBookTable::EntryFields& entry) {
            std::string name;
            for (std::size_t f = 0; f < kFieldCount; ++f) {
                scratch.clear();
                if (AppendCp932AsUtf8(scratch, entry[f].text, false))
                    continue;
                if (name.empty())
                    AppendCp932AsUtf8(name, entry[static_cast<std::size_t>(Field::Name)].text,
                                      false);
                report.lines.push_back(
                    {bookName, kFirstEntryLine + row, name,
                     messages::Fill(messages::kExportNotShiftJis, FieldDefs()[f].caption)});
            }
            ++row;
            return true;
        });
}

} // namespace

std::optional<ExportFormat> ParseExportFormat(std::string_view name) {
    if (name == "vcard")
        return ExportFormat::VCard;
    if (name == "vcard21")
        return ExportFormat::VCard21;
    if (name == "google")
        return ExportFormat::Google;
    if (name == "csv")
        return ExportFormat::Csv;
    return std::nullopt;
}

std::string FormatCounts(const ExportReport& report) {
    return report.lines.empty()
               ? messages::Fill(messages::kExportCounts, std::to_string(report.exported))
               : messages::Fill(
                     messages::kExportCountsReported,
                     {std::to_string(report.exported), std::to_string(report.lines.size())});
}

ExportReport ExportEntries(const PhoneBookTable& table, ExportFormat format, std::string& out,
                           const std::string& bookName) {
    out.clear();
    out.reserve(table.EntryCount() * (format == ExportFormat::Csv ? 48 : 200));
    switch (format) {
    case ExportFormat::Google:
        out += "\xEF\xBB\xBF";
        AppendRow(out, {"First Name", "Middle Name", "Last Name", "Phonetic First Name",
                        "Phonetic Middle Name", "Phonetic Last Name", "Labels", "Phone 1 - Label",
                        "Phone 1 - Value"});
        break;
    case ExportFormat::Csv:
        // グループ,名前,フリガナ,電話番号 in code page 932.
        out += "\x83\x4F\x83\x8B\x81\x5B\x83\x76,\x96\xBC\x91\x4F,\x83\x74\x83\x8A\x83\x4B\x83\x69,"
               "\x93\x64\x98\x62\x94\xD4\x8D\x86\r\n";
        break;
    case ExportFormat::VCard:
    case ExportFormat::VCard21:
        break;
    }
    Entry e;
    VCardBuffers buffers;
    bool valid = true;
    ExportReport report;
    table.ForEachEntry(PhoneBookTable::Walk::Saved, [&](const PhoneBookTable::EntryFields& entry) {
        e.group = entry[static_cast<std::size_t>(Field::Group)].text;
        e.name = entry[static_cast<std::size_t>(Field::Name)].text;
        e.reading = entry[static_cast<std::size_t>(Field::Kana)].text;
        e.tel = entry[static_cast<std::size_t>(Field::Tel)].text;
        switch (format) {
        case ExportFormat::VCard:
            valid = WriteVCard(out, e, buffers) && valid;
            break;
        case ExportFormat::VCard21:
            WriteVCard21(out, e);
            break;
        case ExportFormat::Google:
            valid = WriteGoogle(out, e, buffers) && valid;
            break;
        case ExportFormat::Csv:
            AppendRow(out, {e.group, e.name, e.reading, e.tel});
            break;
        }
        ++report.exported;
        return true;
    });
    // The report names entries by their lines in the file, which a second
    // walk in the natural order gives; only a report costs it.
    if (!valid)
        ReportUndecodable(table, bookName, report);
    return report;
}

std::string ExportEntries(const PhoneBookTable& table, ExportFormat format) {
    std::string out;
    ExportEntries(table, format, out);
    return out;
}

ExportReport ExportEntriesToFile(const std::string& path, const PhoneBookTable& table,
                                 ExportFormat format, const std::string& bookName) {
    std::string bytes;
    ExportReport report = ExportEntries(table, format, bytes, bookName);
    SaveBytes(path, bytes);
    return report;
}

void RefuseExportOver(const std::string& target, const std::string& bookPath) {
    if (SameFile(target, bookPath) || SameFile(target, BackupName(bookPath)))
        throw Error(messages::Fill(messages::kExportOverBook, FileNameForMessage(target)));
}

} // namespace ruvo::exchange
