#include "core/book/BookCheck.h"

#include "core/messages/MessageText.h"
#include "core/reading/ReadingGuess.h"
#include "core/text/Cp932.h"
#include "core/text/HalfWidthKana.h"

#include <optional>
#include <unordered_map>

namespace ruvo {
namespace {

constexpr std::size_t kFirstEntryLine = 7;

bool IsReadingChar(const cp932::Char& c) {
    if (!c.valid)
        return false;
    const char32_t code = c.code;
    return (code >= 0xFF61 && code <= 0xFF9F) || code == U' ' || (code >= U'0' && code <= U'9') ||
           (code >= U'A' && code <= U'Z') || (code >= U'a' && code <= U'z');
}

std::string_view FieldName(Field field) {
    switch (field) {
    case Field::Group:
        return messages::kCheckFieldGroup;
    case Field::Name:
        return messages::kCheckFieldName;
    case Field::Kana:
        return messages::kCheckFieldKana;
    case Field::Tel:
        return messages::kCheckFieldTel;
    }
    return {};
}

std::string Shown(std::string_view bytes) {
    return cp932::ToUtf8(bytes, cp932::InvalidByte::HexEscape);
}

// The dictionary's first reading of the name when it is sure the stored
// one is none of the name's; nothing otherwise. Only a name and a reading
// that are plain text are compared: the others are reported already.
std::optional<std::string> DisagreeingReading(reading::ReadingGuesser& guesser,
                                              std::string_view name, std::string_view kana) {
    if (!cp932::IsValid(name) || !cp932::IsValid(kana))
        return std::nullopt;
    const std::string nameText = cp932::ToUtf8(name);
    if (guesser.Check(nameText, cp932::ToUtf8(kana)) != reading::ReadingCheck::Disagrees)
        return std::nullopt;
    const std::optional<std::string> proposal = guesser.FirstProposal(nameText);
    return proposal ? ToHalfWidthKana(*proposal) : std::string();
}

} // namespace

bool IsDoubtfulReading(std::string_view reading) {
    bool plain = true;
    cp932::ForEachChar(reading, [&](const cp932::Char& c) { plain = plain && IsReadingChar(c); });
    return !plain;
}

BookCheckResult CheckPhoneBook(const PhoneBookTable& table, reading::ReadingGuesser* guesser) {
    BookCheckResult result;
    std::vector<Finding>& findings = result.findings;
    if (guesser && !guesser->Available()) {
        result.note = messages::kCheckNoDictionary;
        guesser = nullptr;
    }
    std::unordered_map<std::string_view, std::size_t> numbers;
    const std::size_t rows = table.RowCount();
    for (std::size_t row = 0; row < rows; ++row) {
        const std::size_t line = kFirstEntryLine + row;
        const auto add = [&](std::string message) {
            findings.push_back({line, std::move(message)});
        };
        for (Field field : {Field::Group, Field::Name, Field::Kana, Field::Tel}) {
            const std::string_view text = table.Cell(row, field).text;
            bool valid = true;
            cp932::ForEachChar(text, [&](const cp932::Char& c) { valid = valid && c.valid; });
            if (!valid)
                add(messages::Fill(messages::kCheckNotShiftJis, {FieldName(field), Shown(text)}));
            if (field != Field::Group &&
                text.size() == FieldDefs()[static_cast<std::size_t>(field)].width)
                add(messages::Fill(messages::kCheckFillsWidth,
                                   {FieldName(field), std::to_string(text.size())}));
        }
        const std::string_view name = table.Cell(row, Field::Name).text;
        const std::string_view reading = table.Cell(row, Field::Kana).text;
        const std::string_view tel = table.Cell(row, Field::Tel).text;
        if (name.empty())
            add(std::string(messages::kCheckEmptyName));
        if (reading.empty())
            add(std::string(messages::kCheckEmptyReading));
        else if (IsDoubtfulReading(reading))
            add(messages::Fill(messages::kCheckDoubtfulReading, Shown(reading)));
        else if (guesser && !name.empty())
            if (const std::optional<std::string> dictionary =
                    DisagreeingReading(*guesser, name, reading))
                add(messages::Fill(messages::kCheckReadingDisagrees,
                                   {Shown(reading), *dictionary}));
        if (tel.find_first_not_of("0123456789") != std::string_view::npos)
            add(messages::Fill(messages::kCheckNotDigits, Shown(tel)));
        if (!tel.empty()) {
            const auto [it, first] = numbers.emplace(tel, line);
            if (!first)
                add(messages::Fill(messages::kCheckDuplicateNumber,
                                   {Shown(tel), std::to_string(it->second)}));
        }
    }
    return result;
}

} // namespace ruvo
