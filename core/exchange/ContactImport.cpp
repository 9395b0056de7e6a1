#include "core/exchange/ContactImport.h"

#include "core/book/LineFormat.h"
#include "core/book/table/PhoneBookTable.h"
#include "core/exchange/InputText.h"
#include "core/text/Cp932.h"
#include "core/text/HalfWidthKana.h"
#include "core/text/Utf8.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <unordered_set>

namespace ruvo::exchange {

namespace {

std::string Join(const std::string& family, const std::string& given, const char* space) {
    if (family.empty())
        return given;
    if (given.empty())
        return family;
    return family + space + given;
}

std::string Describe(char32_t c) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    std::string text = code;
    if (c >= 0x20) {
        text += " '";
        utf8::Append(text, c);
        text += "'";
    }
    return text;
}

struct Importer {
    PhoneBookTable& table;
    const ImportOptions& options;
    ImportReport report;
    std::unordered_set<std::string> bookNumbers;
    std::unordered_set<std::string> importedNumbers;

    void Report(const ContactSource& source, const Contact& contact, const std::string& name,
                std::string message) {
        report.lines.push_back({source.name, contact.line, name, std::move(message)});
    }

    // The code page 932 form of a field, or nothing after reporting why not.
    std::optional<std::string> Encode(const ContactSource& source, const Contact& contact,
                                      const std::string& name, const std::string& text,
                                      const char* field) {
        std::size_t at = 0;
        if (std::optional<std::string> bytes = cp932::FromUtf8(text, &at))
            return bytes;
        const std::u32string rest = utf8::ToUtf32(std::string_view(text).substr(at));
        Report(source, contact, name,
               std::string(field) + " holds " + Describe(rest.empty() ? 0 : rest[0]) +
                   ", which Shift-JIS cannot hold; not imported");
        return std::nullopt;
    }

    void Import(const ContactSource& source, const Contact& contact) {
        const std::string name = contact.familyName.empty() && contact.givenName.empty()
                                     ? contact.formattedName
                                     : Join(contact.familyName, contact.givenName, " ");
        const std::string reading =
            ToHalfWidthKana(Join(contact.familyReading, contact.givenReading, " "));
        const std::string shownName = name.empty() ? "(no name)" : name;

        std::vector<std::string> chosen;
        std::optional<std::string> preferred;
        for (const ContactPhone& phone : contact.phones) {
            std::string number = NormalizeNumber(phone.number);
            if (number.empty())
                continue;
            if (phone.preferred && !preferred)
                preferred = number;
            if (std::find(chosen.begin(), chosen.end(), number) == chosen.end())
                chosen.push_back(std::move(number));
        }
        if (chosen.empty()) {
            Report(source, contact, shownName, "no telephone number; skipped");
            ++report.skipped;
            return;
        }
        if (!options.allNumbers)
            chosen = {preferred.value_or(chosen.front())};

        const std::optional<std::string> nameBytes =
            Encode(source, contact, shownName, name, "the name");
        const std::optional<std::string> readingBytes =
            nameBytes ? Encode(source, contact, shownName, reading, "the reading") : std::nullopt;
        // Stored as the window stores a typed group, so that 5 and 05 sort together.
        const std::string groupText = NormalizeGroup(contact.group.value_or(options.group));
        const std::optional<std::string> groupBytes =
            readingBytes ? Encode(source, contact, shownName, groupText, "the group")
                         : std::nullopt;
        if (!groupBytes) {
            ++report.skipped;
            return;
        }

        for (const std::string& number : chosen) {
            if (!options.keepDuplicates) {
                const bool inBook = bookNumbers.contains(number);
                if (inBook || !importedNumbers.insert(number).second) {
                    Report(source, contact, shownName,
                           "number " + number +
                               (inBook ? " is already in the book" : " was imported before") +
                               "; skipped");
                    ++report.skipped;
                    continue;
                }
            }
            table.AppendEntry();
            table.SetField(Field::Group, *groupBytes);
            table.SetField(Field::Name, *nameBytes);
            table.SetField(Field::Kana, *readingBytes);
            table.SetField(Field::Tel, number);
            std::string cuts;
            const auto checkCut = [&](Field field, const std::string& bytes, const char* what) {
                if (bytes.size() <= FieldDefs()[static_cast<std::size_t>(field)].width)
                    return;
                if (!cuts.empty())
                    cuts += "; ";
                cuts +=
                    std::string(what) + " cut to \"" + cp932::ToUtf8(table.GetField(field)) + "\"";
            };
            checkCut(Field::Group, *groupBytes, "group");
            checkCut(Field::Name, *nameBytes, "name");
            checkCut(Field::Kana, *readingBytes, "reading");
            checkCut(Field::Tel, number, "number");
            table.CommitEntry();
            ++report.imported;
            if (!cuts.empty()) {
                Report(source, contact, shownName, cuts);
                ++report.cut;
            }
        }
    }
};

} // namespace

std::string NormalizeNumber(std::string_view number) {
    std::string_view text = number;
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (text.size() >= 4 && (text.starts_with("tel:") || text.starts_with("TEL:")))
        text.remove_prefix(4);
    std::string digits;
    for (const char c : text)
        if (c >= '0' && c <= '9')
            digits += c;
    if (text.starts_with("+81") && digits.starts_with("81"))
        digits.replace(0, 2, "0");
    return digits;
}

std::string FormatReportLine(const ReportLine& line) {
    std::string text = line.source + ":" + std::to_string(line.line) + ": ";
    if (!line.name.empty())
        text += line.name + ": ";
    return text + line.message;
}

std::string FormatCounts(const ImportReport& report) {
    return std::to_string(report.imported) + " imported, " + std::to_string(report.skipped) +
           " skipped, " + std::to_string(report.cut) + " cut";
}

namespace {

ImportReport Run(PhoneBookTable& table, const std::vector<const ContactSource*>& sources,
                 const ImportOptions& options) {
    Importer importer{table, options, {}, {}, {}};
    if (!options.keepDuplicates) {
        const std::size_t rows = table.RowCount();
        importer.bookNumbers.reserve(rows * 2);
        for (std::size_t row = 0; row < rows; ++row) {
            const CellValue tel = table.Cell(row, Field::Tel);
            if (!tel.text.empty())
                importer.bookNumbers.emplace(tel.text);
        }
    }
    for (const ContactSource* source : sources) {
        // The reader's notes among the contacts' lines, in the order of the
        // source.
        auto note = source->notes.begin();
        const auto reportNotesUpTo = [&](std::size_t line) {
            for (; note != source->notes.end() && note->line <= line; ++note) {
                importer.report.lines.push_back({source->name, note->line, {}, note->message});
                importer.report.skipped += note->skipped ? 1 : 0;
            }
        };
        for (const Contact& contact : source->contacts) {
            reportNotesUpTo(contact.line);
            importer.Import(*source, contact);
        }
        reportNotesUpTo(static_cast<std::size_t>(-1));
    }
    return std::move(importer.report);
}

} // namespace

ImportReport ImportContacts(PhoneBookTable& table, const std::vector<ContactSource>& sources,
                            const ImportOptions& options) {
    std::vector<const ContactSource*> pointers;
    for (const ContactSource& source : sources)
        pointers.push_back(&source);
    return Run(table, pointers, options);
}

ImportReport ImportContacts(PhoneBookTable& table, const ContactSource& source,
                            const ImportOptions& options) {
    return Run(table, {&source}, options);
}

} // namespace ruvo::exchange
