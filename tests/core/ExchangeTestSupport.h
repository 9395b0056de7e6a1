#pragma once

// What the exchange tests (readers, import, export, file kinds) share: the
// table and report as lines to compare, UTF-16 bytes, and English messages
// for a while.

#include "core/book/table/PhoneBookTable.h"
#include "core/exchange/ContactImport.h"
#include "core/messages/Language.h"
#include "core/text/Cp932.h"

#include <string>
#include <string_view>
#include <vector>

namespace ruvo::exchange::test {

// The table's entries in natural order as "group|name|reading|number", UTF-8.
inline std::vector<std::string> Entries(const PhoneBookTable& table) {
    std::vector<std::string> rows;
    for (std::size_t row = 0; row < table.RowCount(); ++row) {
        std::string text;
        for (Field f : {Field::Group, Field::Name, Field::Kana, Field::Tel}) {
            if (f != Field::Group)
                text += '|';
            text += cp932::ToUtf8(table.Cell(row, f).text);
        }
        rows.push_back(text);
    }
    return rows;
}

inline std::vector<std::string> ReportLines(const ImportReport& report) {
    std::vector<std::string> lines;
    for (const ReportLine& line : report.lines)
        lines.push_back(FormatReportLine(line));
    return lines;
}

// UTF-16 code units as bytes, little-endian unless big, without a
// byte-order mark.
inline std::string Utf16(std::u16string_view text, bool big = false) {
    std::string out;
    for (const char16_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>(unit >> 8);
        out += big ? high : low;
        out += big ? low : high;
    }
    return out;
}

// The same after its byte-order mark.
inline std::string MarkedUtf16(std::u16string_view text, bool big = false) {
    return (big ? "\xFE\xFF" : "\xFF\xFE") + Utf16(text, big);
}

// The core's messages in English for as long as it lives (its default is
// the window's Japanese), as ruvotel prints them under a C locale.
struct EnglishMessages {
    EnglishMessages() { messages::SetLanguage(messages::Language::English); }
    ~EnglishMessages() { messages::SetLanguage(messages::Language::Japanese); }
    EnglishMessages(const EnglishMessages&) = delete;
    EnglishMessages& operator=(const EnglishMessages&) = delete;
};

} // namespace ruvo::exchange::test
