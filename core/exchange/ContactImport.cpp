#include "core/exchange/ContactImport.h"

#include "core/book/BookCheck.h"
#include "core/book/LineFormat.h"
#include "core/book/table/PhoneBookTable.h"
#include "core/messages/MessageText.h"
#include "core/phone/TelephoneNumber.h"
#include "core/reading/ReadingGuess.h"
#include "core/text/Cp932.h"
#include "core/text/HalfWidthKana.h"
#include "core/text/PlainLatin.h"
#include "core/text/Utf8.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace ruvo::exchange {

namespace {

// Spaces around a part of a name, the ideographic one too: "Nikdo " and
// "　花子" are what a form left them.
std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";
    for (;;) {
        if (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove_prefix(1);
        else if (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
            text.remove_suffix(1);
        else if (text.starts_with(kIdeographicSpace))
            text.remove_prefix(kIdeographicSpace.size());
        else if (text.ends_with(kIdeographicSpace))
            text.remove_suffix(kIdeographicSpace.size());
        else
            return text;
    }
}

std::string Join(std::string_view family, std::string_view given) {
    family = Trimmed(family);
    given = Trimmed(given);
    if (family.empty())
        return std::string(given);
    if (given.empty())
        return std::string(family);
    std::string text(family);
    text += ' ';
    text += given;
    return text;
}

// The name an entry gets: the person's, else the formatted one, else the
// organisation's (a shop or a company card has only that).
std::string NameOf(const Contact& contact) {
    std::string name = Join(contact.familyName, contact.givenName);
    if (name.empty())
        name = Trimmed(contact.formattedName);
    if (name.empty())
        name = Trimmed(contact.organization);
    return name;
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

// Name and number pairs (code page 932, as the table stores them), each with
// whether the book had it. The pairs' bytes live in large blocks, so that
// one costs no allocation of its own: an import of many contacts looks up
// and adds one per entry.
class EntryKeys {
public:
    void Reserve(std::size_t count) { from_.reserve(count); }

    // Adds the pair; where it came from when it was there already.
    std::optional<bool> Add(std::string_view name, std::string_view number, bool fromBook) {
        scratch_.assign(name);
        scratch_ += '\t'; // in neither field
        scratch_ += number;
        if (const auto it = from_.find(std::string_view(scratch_)); it != from_.end())
            return it->second;
        from_.emplace(Store(scratch_), fromBook);
        return std::nullopt;
    }

private:
    std::string_view Store(std::string_view key) {
        constexpr std::size_t kBlock = std::size_t{1} << 16;
        if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < key.size()) {
            blocks_.emplace_back();
            blocks_.back().reserve(std::max(kBlock, key.size()));
        }
        std::string& block = blocks_.back();
        const std::size_t at = block.size();
        block.append(key); // within its capacity: the views into it stay valid
        return std::string_view(block).substr(at);
    }

    std::deque<std::string> blocks_;
    std::unordered_map<std::string_view, bool> from_;
    std::string scratch_;
};

// A number chosen for an entry, and what its text held besides.
struct ChosenNumber {
    std::string digits;
    std::string leftOut;
};

struct Importer {
    PhoneBookTable& table;
    const ImportOptions& options;
    ImportReport report;
    // The book's entries and those imported, unless duplicates are kept.
    EntryKeys entries;
    // Loaded at the first contact without a reading.
    reading::ReadingGuesser guesser;
    bool toldNoDictionary = false;

    void Report(const ContactSource& source, const Contact& contact, const std::string& name,
                std::string message) {
        report.lines.push_back({source.name, contact.line, name, std::move(message)});
    }

    // The code page 932 form of a field, or nothing after reporting why not.
    std::optional<std::string> Encode(const ContactSource& source, const Contact& contact,
                                      const std::string& name, const std::string& text,
                                      std::string_view notHeld) {
        std::size_t at = 0;
        if (std::optional<std::string> bytes = cp932::FromUtf8(text, &at))
            return bytes;
        const std::u32string rest = utf8::ToUtf32(std::string_view(text).substr(at));
        Report(source, contact, name,
               messages::Fill(notHeld, Describe(rest.empty() ? 0 : rest[0])));
        return std::nullopt;
    }

    // The numbers to import: every one with allNumbers, else the preferred
    // voice number or the first; empty after reporting why when there is
    // none.
    std::vector<ChosenNumber> ChooseNumbers(const ContactSource& source, const Contact& contact,
                                            const std::string& name) {
        std::vector<ChosenNumber> chosen;
        std::optional<std::size_t> preferred;
        bool faxLeftOut = false;
        for (const ContactPhone& phone : contact.phones) {
            if (phone.fax && !options.allNumbers) {
                faxLeftOut = true;
                continue;
            }
            phone::DialledNumber number = phone::ReadTelephoneNumber(phone.number);
            if (number.digits.empty()) {
                if (const std::string_view written = Trimmed(phone.number); !written.empty())
                    Report(source, contact, name,
                           messages::Fill(messages::kImportNotANumber, written));
                continue;
            }
            auto same = std::find_if(chosen.begin(), chosen.end(), [&](const ChosenNumber& c) {
                return c.digits == number.digits;
            });
            if (same == chosen.end()) {
                chosen.push_back({std::move(number.digits), std::move(number.leftOut)});
                same = chosen.end() - 1;
            }
            if (phone.preferred && !preferred)
                preferred = static_cast<std::size_t>(same - chosen.begin());
        }
        if (chosen.empty()) {
            Report(source, contact, name,
                   std::string(faxLeftOut ? messages::kImportOnlyFax : messages::kImportNoNumber));
            return chosen;
        }
        if (!options.allNumbers && chosen.size() > 1) {
            ChosenNumber one = std::move(chosen[preferred.value_or(0)]);
            chosen.clear();
            chosen.push_back(std::move(one));
        }
        return chosen;
    }

    // The dictionary's first proposal for the name, half-width; false when
    // it has none (or there is no dictionary).
    bool GuessReading(const std::string& name, std::string& reading) {
        const std::optional<std::string> proposal = guesser.FirstProposal(name);
        if (!proposal)
            return false;
        reading = ToHalfWidthKana(*proposal);
        return true;
    }

    void Import(const ContactSource& source, const Contact& contact) {
        const std::string name = NameOf(contact);
        if (name.empty()) {
            Report(source, contact, {}, std::string(messages::kImportNoName));
            ++report.skipped;
            return;
        }
        std::string reading = ToHalfWidthKana(Join(contact.familyReading, contact.givenReading));
        const bool guessed =
            reading.empty() && options.guessReadings && GuessReading(name, reading);

        const std::vector<ChosenNumber> chosen = ChooseNumbers(source, contact, name);
        if (chosen.empty()) {
            ++report.skipped;
            return;
        }

        // A Latin letter the code page lacks is written without its accent
        // rather than the contact lost (the table has none the code page
        // holds); tried only for a name that needs it, which few do.
        std::optional<std::string> nameBytes = cp932::FromUtf8(name);
        std::string plainName;
        if (!nameBytes) {
            plainName = WithPlainLatinLetters(name);
            nameBytes = Encode(source, contact, name, plainName, messages::kImportNameNotSjis);
        }
        const std::optional<std::string> readingBytes =
            nameBytes ? Encode(source, contact, name, reading, messages::kImportReadingNotSjis)
                      : std::nullopt;
        // Stored as the window stores a typed group, so that 5 and 05 sort together.
        const std::string groupText = NormalizeGroup(contact.group.value_or(options.group));
        const std::optional<std::string> groupBytes =
            readingBytes ? Encode(source, contact, name, groupText, messages::kImportGroupNotSjis)
                         : std::nullopt;
        if (!groupBytes) {
            ++report.skipped;
            return;
        }
        if (guessed)
            Report(source, contact, name, messages::Fill(messages::kImportReadingGuessed, reading));
        else if (reading.empty() && options.guessReadings && !guesser.Available() &&
                 !toldNoDictionary) {
            Report(source, contact, name, std::string(messages::kImportNoDictionary));
            toldNoDictionary = true;
        }
        const std::string_view storedName = FittedToField(Field::Name, *nameBytes);
        const std::string_view storedReading = FittedToField(Field::Kana, *readingBytes);

        bool first = true;
        for (const ChosenNumber& number : chosen) {
            if (!options.keepDuplicates) {
                if (const std::optional<bool> inBook =
                        entries.Add(storedName, FittedToField(Field::Tel, number.digits), false)) {
                    Report(
                        source, contact, name,
                        messages::Fill(*inBook ? messages::kImportInBook : messages::kImportBefore,
                                       number.digits));
                    ++report.skipped;
                    continue;
                }
            }
            table.AppendEntry();
            table.SetField(Field::Group, *groupBytes);
            table.SetField(Field::Name, *nameBytes);
            table.SetField(Field::Kana, *readingBytes);
            table.SetField(Field::Tel, number.digits);
            table.CommitEntry();
            ++report.imported;

            // What is said of the contact, once, with its first entry.
            if (first) {
                first = false;
                if (!plainName.empty() && plainName != name)
                    Report(source, contact, name,
                           messages::Fill(messages::kImportAccentsDropped, plainName));
                if (IsDoubtfulReading(storedReading))
                    Report(source, contact, name,
                           messages::Fill(messages::kImportReadingNotKana,
                                          cp932::ToUtf8(storedReading)));
            }
            if (!number.leftOut.empty())
                Report(source, contact, name,
                       messages::Fill(messages::kImportLeftOut, {number.digits, number.leftOut}));
            std::string cuts;
            const auto checkCut = [&](Field field, const std::string& bytes,
                                      std::string_view message) {
                const std::string_view stored = FittedToField(field, bytes);
                if (bytes.size() <= FieldDefs()[static_cast<std::size_t>(field)].width)
                    return;
                const std::string cut = messages::Fill(message, cp932::ToUtf8(stored));
                cuts = cuts.empty() ? cut : messages::Fill(messages::kImportAlso, {cuts, cut});
            };
            checkCut(Field::Group, *groupBytes, messages::kImportGroupCut);
            checkCut(Field::Name, *nameBytes, messages::kImportNameCut);
            checkCut(Field::Kana, *readingBytes, messages::kImportReadingCut);
            checkCut(Field::Tel, number.digits, messages::kImportNumberCut);
            if (!cuts.empty()) {
                Report(source, contact, name, cuts);
                ++report.cut;
            }
        }
    }
};

} // namespace

std::string FormatReportLine(const ReportLine& line) {
    std::string text = line.source + ":" + std::to_string(line.line) + ": ";
    if (!line.name.empty())
        text += line.name + ": ";
    return text + line.message;
}

std::string FormatCounts(const ImportReport& report) {
    return messages::Fill(messages::kImportCounts,
                          {std::to_string(report.imported), std::to_string(report.skipped),
                           std::to_string(report.cut)});
}

namespace {

ImportReport Run(PhoneBookTable& table, const std::vector<const ContactSource*>& sources,
                 const ImportOptions& options) {
    Importer importer{table, options, {}, {}, reading::ReadingGuesser(options.dictionaryFolder),
                      false};
    if (!options.keepDuplicates) {
        const std::size_t rows = table.RowCount();
        std::size_t contacts = 0;
        for (const ContactSource* source : sources)
            contacts += source->contacts.size();
        importer.entries.Reserve(rows + contacts);
        for (std::size_t row = 0; row < rows; ++row) {
            const CellValue tel = table.Cell(row, Field::Tel);
            if (!tel.text.empty())
                importer.entries.Add(table.Cell(row, Field::Name).text, tel.text, true);
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
