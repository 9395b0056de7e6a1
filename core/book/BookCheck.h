#pragma once

#include "core/book/table/PhoneBookTable.h"
#include "core/text/Cp932.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ruvo {

// One doubtful entry: its line in the file (entries begin at line 7, in file
// order) and what is wrong, in UTF-8.
struct Finding {
    std::size_t line = 0;
    std::string message;
};

// Looks at every committed entry in natural order (the file's order) for: a
// reading with anything but half-width katakana, spaces, ASCII letters and
// digits; an empty name or reading; a number that is not all digits; a number
// that an earlier entry has too; a name, reading or number filled to its
// width (it may have been cut); bytes that are no code-page-932 character.
inline std::vector<Finding> CheckPhoneBook(const PhoneBookTable& table);

// True for a reading (code page 932) that holds anything but half-width
// katakana, spaces, ASCII letters and digits, as the check reports it; an
// empty reading is not doubtful in this sense (the check says it is empty).
inline bool IsDoubtfulReading(std::string_view reading);

namespace detail {

inline constexpr std::size_t kFirstEntryLine = 7;

inline bool IsReadingChar(const cp932::Char& c) {
    if (!c.valid)
        return false;
    const char32_t code = c.code;
    return (code >= 0xFF61 && code <= 0xFF9F) || code == U' ' || (code >= U'0' && code <= U'9') ||
           (code >= U'A' && code <= U'Z') || (code >= U'a' && code <= U'z');
}

inline const char* FieldName(Field field) {
    switch (field) {
    case Field::Group:
        return "group";
    case Field::Name:
        return "name";
    case Field::Kana:
        return "reading";
    case Field::Tel:
        return "number";
    }
    return "";
}

} // namespace detail

inline bool IsDoubtfulReading(std::string_view reading) {
    bool plain = true;
    cp932::ForEachChar(reading,
                       [&](const cp932::Char& c) { plain = plain && detail::IsReadingChar(c); });
    return !plain;
}

inline std::vector<Finding> CheckPhoneBook(const PhoneBookTable& table) {
    std::vector<Finding> findings;
    std::unordered_map<std::string_view, std::size_t> numbers;
    const std::size_t rows = table.RowCount();
    for (std::size_t row = 0; row < rows; ++row) {
        const std::size_t line = detail::kFirstEntryLine + row;
        const auto add = [&](std::string message) {
            findings.push_back({line, std::move(message)});
        };
        for (Field field : {Field::Group, Field::Name, Field::Kana, Field::Tel}) {
            const std::string_view text = table.Cell(row, field).text;
            bool valid = true;
            cp932::ForEachChar(text, [&](const cp932::Char& c) { valid = valid && c.valid; });
            if (!valid)
                add(std::string("the ") + detail::FieldName(field) +
                    " holds bytes that are no Shift-JIS character: " +
                    cp932::ToUtf8(text, cp932::InvalidByte::HexEscape));
            if (field != Field::Group &&
                text.size() == FieldDefs()[static_cast<std::size_t>(field)].width)
                add(std::string("the ") + detail::FieldName(field) + " fills its " +
                    std::to_string(text.size()) + " bytes; it may have been cut");
        }
        const std::string_view name = table.Cell(row, Field::Name).text;
        const std::string_view reading = table.Cell(row, Field::Kana).text;
        const std::string_view tel = table.Cell(row, Field::Tel).text;
        if (name.empty())
            add("empty name");
        if (reading.empty()) {
            add("empty reading");
        } else if (IsDoubtfulReading(reading)) {
            add("the reading \"" + cp932::ToUtf8(reading, cp932::InvalidByte::HexEscape) +
                "\" holds more than half-width katakana, spaces, letters and digits");
        }
        if (tel.find_first_not_of("0123456789") != std::string_view::npos)
            add("the number \"" + cp932::ToUtf8(tel, cp932::InvalidByte::HexEscape) +
                "\" is not all digits");
        if (!tel.empty()) {
            const auto [it, first] = numbers.emplace(tel, line);
            if (!first)
                add("the number " + cp932::ToUtf8(tel, cp932::InvalidByte::HexEscape) +
                    " is also on line " + std::to_string(it->second));
        }
    }
    return findings;
}

} // namespace ruvo
