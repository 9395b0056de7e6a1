#include "core/exchange/CsvReader.h"

#include "core/exchange/InputText.h"
#include "core/messages/MessageText.h"
#include "core/text/Cp932.h"
#include "core/text/Utf8.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace ruvo::exchange {

namespace {

enum class Role {
    None,
    FormattedName,
    FamilyName,
    GivenName,
    FamilyReading,
    GivenReading,
    Reading,
    Group,
    Labels,
    Organization,
    Phone,          // a value cell; several values joined by " ::: "
    PreferredPhone, // Outlook's Primary Phone
    FaxPhone,       // a fax or pager number
    PhoneLabel,     // "Phone N - Label" / "Phone N - Type"
};

struct Synonym {
    std::string_view header; // compared ignoring ASCII case
    Role role;
};

// Column names of Google Contacts (new and old exports), Outlook,
// Thunderbird and the phone book's own CSV.
constexpr Synonym kSynonyms[] = {
    {"Name", Role::FormattedName},
    {"Display Name", Role::FormattedName},
    {"名前", Role::FormattedName},
    {"First Name", Role::GivenName},
    {"Given Name", Role::GivenName},
    {"Last Name", Role::FamilyName},
    {"Family Name", Role::FamilyName},
    {"Surname", Role::FamilyName},
    {"Phonetic First Name", Role::GivenReading},
    {"Given Name Yomi", Role::GivenReading},
    {"Given Yomi", Role::GivenReading},
    {"Phonetic Last Name", Role::FamilyReading},
    {"Family Name Yomi", Role::FamilyReading},
    {"Surname Yomi", Role::FamilyReading},
    {"フリガナ", Role::Reading},
    {"グループ", Role::Group},
    {"Labels", Role::Labels},
    {"Group Membership", Role::Labels},
    {"Organization", Role::Organization},
    {"Company", Role::Organization},
    {"Organization 1 - Name", Role::Organization},
    {"電話番号", Role::Phone},
    {"Primary Phone", Role::PreferredPhone},
    {"Mobile Phone", Role::Phone},
    {"Business Phone", Role::Phone},
    {"Business Phone 2", Role::Phone},
    {"Home Phone", Role::Phone},
    {"Home Phone 2", Role::Phone},
    {"Car Phone", Role::Phone},
    {"Other Phone", Role::Phone},
    {"Company Main Phone", Role::Phone},
    {"Assistant's Phone", Role::Phone},
    {"Callback", Role::Phone},
    {"Radio Phone", Role::Phone},
    {"ISDN", Role::Phone},
    {"TTY/TDD Phone", Role::Phone},
    {"Work Phone", Role::Phone},
    {"Mobile Number", Role::Phone},
    {"Pager", Role::FaxPhone},
    {"Business Fax", Role::FaxPhone},
    {"Home Fax", Role::FaxPhone},
    {"Other Fax", Role::FaxPhone},
    {"Fax Number", Role::FaxPhone},
    {"Pager Number", Role::FaxPhone},
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

struct Column {
    Role role = Role::None;
    int phoneNumber = 0; // N of "Phone N - ..."
};

// "Phone N - Value", "Phone N - Label", "Phone N - Type".
std::optional<Column> GooglePhoneColumn(std::string_view header) {
    if (!header.starts_with("Phone "))
        return std::nullopt;
    header.remove_prefix(6);
    int n = 0;
    std::size_t i = 0;
    while (i < header.size() && i < 3 && std::isdigit(static_cast<unsigned char>(header[i])))
        n = n * 10 + (header[i++] - '0');
    if (i == 0)
        return std::nullopt;
    const std::string_view rest = header.substr(i);
    if (rest == " - Value")
        return Column{Role::Phone, n};
    if (rest == " - Label" || rest == " - Type")
        return Column{Role::PhoneLabel, n};
    return std::nullopt;
}

Column ColumnOf(std::string_view header) {
    header = Trim(header);
    if (const std::optional<Column> phone = GooglePhoneColumn(header))
        return *phone;
    for (const Synonym& s : kSynonyms)
        if (EqualsIgnoringCase(header, s.header))
            return Column{s.role, 0};
    return Column{};
}

bool Known(const std::vector<Column>& columns) {
    bool name = false, phone = false;
    for (const Column& c : columns) {
        name = name || c.role == Role::FormattedName || c.role == Role::FamilyName ||
               c.role == Role::GivenName || c.role == Role::Reading;
        phone = phone || c.role == Role::Phone || c.role == Role::PreferredPhone ||
                c.role == Role::FaxPhone;
    }
    return name && phone;
}

// Cells that hold several values join them with " ::: ".
std::vector<std::string_view> Values(std::string_view cell) {
    std::vector<std::string_view> values;
    while (true) {
        const std::size_t at = cell.find(":::");
        values.push_back(Trim(cell.substr(0, at)));
        if (at == std::string_view::npos)
            break;
        cell.remove_prefix(at + 3);
    }
    return values;
}

// The label "Group NN" that export writes for the book's group.
std::optional<std::string> GroupLabel(std::string_view cell) {
    for (std::string_view label : Values(cell)) {
        if (label.starts_with("* "))
            label.remove_prefix(2);
        if (!label.starts_with("Group "))
            continue;
        const std::string_view digits = label.substr(6);
        if (!digits.empty() && digits.size() <= 2 &&
            std::all_of(digits.begin(), digits.end(),
                        [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            return std::string(digits);
    }
    return std::nullopt;
}

// Reads a row of a source that is no one encoding as a whole: as UTF-8 when
// all its cells are valid UTF-8, else as code page 932 when they are valid
// in that, else as Windows-1252, which takes any byte (a file from a
// Western European system). False for the last, a guess worth a note.
bool DecodeRow(CsvRow& row) {
    const auto all = [&](bool (*valid)(std::string_view)) {
        return std::all_of(row.cells.begin(), row.cells.end(),
                           [&](const std::string& cell) { return valid(cell); });
    };
    if (all(utf8::IsValid))
        return true;
    if (all(cp932::IsValid)) {
        for (std::string& cell : row.cells)
            cell = cp932::ToUtf8(cell);
        return true;
    }
    for (std::string& cell : row.cells)
        cell = Windows1252ToUtf8(cell);
    return false;
}

// The text to split into rows, as UTF-8 when the source is one encoding as
// a whole: UTF-16 by its mark or its look (Utf16OrderOf), UTF-8 by its mark
// or by being valid, else valid code page 932. Otherwise the bytes as they
// are (after a UTF-8 mark), with byRow set: each row is then decoded by
// itself, so that a few rows in another encoding (a file pasted together
// from several) cost nothing of the rest.
std::string_view WholeText(std::string_view bytes, std::string& decoded, bool& byRow,
                           const std::string& source) {
    byRow = false;
    if (Utf16OrderOf(bytes)) {
        Encoding encoding;
        std::size_t badLine = 0;
        if (!DecodeSource(bytes, decoded, encoding, badLine))
            ThrowAt(source, badLine, std::string(messages::kSourceNotInItsEncoding));
        return decoded;
    }
    const bool marked = bytes.starts_with("\xEF\xBB\xBF");
    if (marked)
        bytes.remove_prefix(3);
    if (utf8::IsValid(bytes))
        return bytes;
    if (!marked && cp932::IsValid(bytes)) {
        decoded = cp932::ToUtf8(bytes);
        return decoded;
    }
    byRow = true;
    return bytes;
}

// The first row of a source as UTF-8, for a look at its column names; only
// the first line is read. Nothing when the line holds no row.
std::optional<CsvRow> FirstRow(std::string_view bytes) {
    std::string decoded;
    std::string_view line;
    if (const std::optional<Utf16Order> order = Utf16OrderOf(bytes)) {
        // Up to the first LF code unit: an LF byte may be half of another.
        const std::size_t low = *order == Utf16Order::BigEndian ? 1 : 0;
        const bool marked = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
        std::size_t end = marked ? 2 : 0;
        while (end + 1 < bytes.size() && !(bytes[end + low] == '\n' && bytes[end + 1 - low] == 0))
            end += 2;
        Encoding encoding;
        std::size_t badLine = 0;
        if (!DecodeSource(bytes.substr(0, end), decoded, encoding, badLine))
            return std::nullopt;
        line = decoded;
    } else {
        line = bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(3) : bytes;
        line = line.substr(0, line.find('\n'));
    }
    CsvRows rows = ParseCsv(line);
    if (rows.rows.empty())
        return std::nullopt;
    DecodeRow(rows.rows[0]);
    return std::move(rows.rows[0]);
}

} // namespace

CsvRows ParseCsv(std::string_view text) {
    CsvRows result;
    std::size_t line = 1;
    std::size_t pos = 0;
    // The end of an unquoted run: the next comma or line end.
    const auto plainEnd = [&] {
        const std::size_t end = text.find_first_of(",\r\n", pos);
        return end == std::string_view::npos ? text.size() : end;
    };
    while (pos < text.size()) {
        CsvRow row;
        row.line = line;
        bool rowDone = false;
        while (!rowDone) {
            std::string cell;
            if (pos < text.size() && text[pos] == '"') {
                ++pos;
                while (true) {
                    // Nothing after an unclosed quote can be told apart
                    // into cells: its row and the rest are lost.
                    if (pos >= text.size()) {
                        result.unclosedQuoteLine = row.line;
                        return result;
                    }
                    const char c = text[pos++];
                    if (c == '"') {
                        if (pos < text.size() && text[pos] == '"') {
                            cell += '"';
                            ++pos;
                            continue;
                        }
                        break;
                    }
                    if (c == '\n')
                        ++line;
                    cell += c;
                }
                // "a"b: the text after the quote belongs to the cell, as
                // spreadsheet programs read it.
                const std::size_t stop = plainEnd();
                cell.append(text.substr(pos, stop - pos));
                pos = stop;
            } else {
                const std::size_t stop = plainEnd();
                cell.assign(text.substr(pos, stop - pos));
                pos = stop;
            }
            row.cells.push_back(std::move(cell));
            if (pos < text.size() && text[pos] == ',') {
                ++pos;
                continue;
            }
            if (pos < text.size() && text[pos] == '\r')
                ++pos;
            if (pos < text.size() && text[pos] == '\n')
                ++pos;
            ++line;
            rowDone = true;
        }
        if (row.cells.size() == 1 && row.cells[0].empty())
            continue;
        result.rows.push_back(std::move(row));
    }
    return result;
}

bool LooksLikeKnownCsv(std::string_view bytes) {
    const std::optional<CsvRow> header = FirstRow(bytes);
    if (!header)
        return false;
    std::vector<Column> columns;
    for (const std::string& cell : header->cells)
        columns.push_back(ColumnOf(cell));
    return Known(columns);
}

ContactSource ReadCsvContacts(std::string_view bytes, const std::string& source) {
    ContactSource result;
    result.name = source;
    const auto note = [&](std::size_t line, std::string_view message) {
        result.notes.push_back({line, std::string(message)});
    };
    std::string decoded;
    bool byRow = false;
    CsvRows parsed = ParseCsv(WholeText(bytes, decoded, byRow, source));
    std::vector<CsvRow>& rows = parsed.rows;
    if (rows.empty())
        ThrowAt(source, 1, "no header row");
    if (byRow && !DecodeRow(rows[0]))
        note(rows[0].line, messages::kCsvRowInWindowsLatin);
    std::vector<Column> columns;
    bool google = false, book = false;
    for (const std::string& cell : rows[0].cells) {
        columns.push_back(ColumnOf(cell));
        google = google || columns.back().role == Role::PhoneLabel ||
                 columns.back().role == Role::Labels;
        book = book || Trim(cell) == "グループ";
    }
    if (!Known(columns))
        ThrowAt(source, rows[0].line, "no column with a name and a telephone number");
    result.format = book ? "CSV (phone book)" : google ? "CSV (Google)" : "CSV";

    for (std::size_t r = 1; r < rows.size(); ++r) {
        CsvRow& row = rows[r];
        if (row.cells.size() > columns.size()) {
            // A comma at the end of each row, as some programs write, is no
            // cell of any column; a value past the header is one the row
            // cannot be matched with.
            if (std::any_of(row.cells.begin() + static_cast<std::ptrdiff_t>(columns.size()),
                            row.cells.end(),
                            [](const std::string& cell) { return !Trim(cell).empty(); })) {
                note(row.line,
                     messages::Fill(messages::kCsvRowTooLong, {std::to_string(row.cells.size()),
                                                               std::to_string(columns.size())}));
                continue;
            }
            row.cells.resize(columns.size());
        }
        if (byRow && !DecodeRow(row))
            note(row.line, messages::kCsvRowInWindowsLatin);
        Contact contact;
        contact.line = row.line;
        // The label of each Google phone, to find the preferred one ("* ").
        std::vector<std::pair<int, bool>> preferredByNumber;
        for (std::size_t c = 0; c < row.cells.size(); ++c)
            if (columns[c].role == Role::PhoneLabel && Trim(row.cells[c]).starts_with("* "))
                preferredByNumber.emplace_back(columns[c].phoneNumber, true);
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            const std::string value = OneLine(row.cells[c]);
            switch (columns[c].role) {
            case Role::FormattedName:
                contact.formattedName = value;
                break;
            case Role::FamilyName:
                contact.familyName = value;
                break;
            case Role::GivenName:
                contact.givenName = value;
                break;
            case Role::FamilyReading:
            case Role::Reading:
                contact.familyReading = value;
                break;
            case Role::GivenReading:
                contact.givenReading = value;
                break;
            case Role::Organization:
                if (contact.organization.empty())
                    contact.organization = value;
                break;
            case Role::Group:
                if (!value.empty())
                    contact.group = value;
                break;
            case Role::Labels:
                if (std::optional<std::string> group = GroupLabel(value))
                    contact.group = *group;
                break;
            case Role::Phone:
            case Role::PreferredPhone:
            case Role::FaxPhone: {
                const bool labelled =
                    std::any_of(preferredByNumber.begin(), preferredByNumber.end(),
                                [&](const auto& p) { return p.first == columns[c].phoneNumber; });
                bool first = true;
                for (std::string_view number : Values(value)) {
                    if (number.empty())
                        continue;
                    contact.phones.push_back({std::string(number),
                                              first && (columns[c].role == Role::PreferredPhone ||
                                                        (columns[c].phoneNumber > 0 && labelled)),
                                              columns[c].role == Role::FaxPhone});
                    first = false;
                }
                break;
            }
            case Role::PhoneLabel:
            case Role::None:
                break;
            }
        }
        result.contacts.push_back(std::move(contact));
    }
    if (parsed.unclosedQuoteLine != 0)
        note(parsed.unclosedQuoteLine, messages::kCsvQuoteNeverClosed);
    return result;
}

} // namespace ruvo::exchange
