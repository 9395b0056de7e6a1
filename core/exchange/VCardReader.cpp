#include "core/exchange/VCardReader.h"

#include "core/exchange/InputText.h"
#include "core/messages/MessageText.h"
#include "core/text/Cp932.h"
#include "core/text/Utf8.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <vector>

namespace ruvo::exchange {

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

bool StartsWithIgnoringCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsIgnoringCase(s.substr(0, prefix.size()), prefix);
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

struct Param {
    std::string name;  // upper case; empty for a bare 2.1 value such as CELL
    std::string value; // quotes removed
};

// One unfolded content line.
struct Property {
    std::size_t line = 0;
    std::string name; // upper case, group prefix removed
    std::vector<Param> params;
    std::string_view rawValue;
    std::string joined; // holds the value when folded lines had to be joined
    bool hasColon = true;
};

// A card the reader cannot understand: it is skipped, with this note.
struct CardProblem {
    std::string message;
};

// The name of a property line: letters, digits, '-', '_' and the dots of a
// group prefix, then ';' or ':'. A line that is not one continues the value
// before it (quoted-printable or BASE64 written without folding) or is
// ignored.
bool LooksLikePropertyLine(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) ||
                               text[i] == '-' || text[i] == '_' || text[i] == '.'))
        ++i;
    return i > 0 && i < text.size() && (text[i] == ':' || text[i] == ';');
}

struct Reader {
    std::string_view bytes;
    // What a value without CHARSET is read as first.
    Encoding encoding;
    // A file without any LF ends its lines with CR alone; in any other, a CR
    // not before the LF is part of a value (and becomes a space).
    bool crEndsLines = bytes.find('\n') == std::string_view::npos;
    std::size_t pos = 0;
    std::size_t line = 0;
    // Set when a value of the card being read had to be read as
    // Windows-1252.
    mutable bool guessedWindows1252 = false;

    // The next physical line without its end; false at the end of input. LF,
    // CR LF and CR CR LF (written by some exports) end a line.
    bool NextLine(std::string_view& out) {
        if (pos >= bytes.size())
            return false;
        std::size_t stop = bytes.find(crEndsLines ? '\r' : '\n', pos);
        if (stop == std::string_view::npos)
            stop = bytes.size();
        std::size_t end = stop;
        while (!crEndsLines && end > pos && bytes[end - 1] == '\r')
            --end;
        out = bytes.substr(pos, end - pos);
        pos = stop < bytes.size() ? stop + 1 : stop;
        ++line;
        return true;
    }

    // The line NextLine would give, without taking it.
    bool PeekLine(std::string_view& out) const {
        Reader copy = *this;
        return copy.NextLine(out);
    }

    bool PeekContinuation() const {
        return pos < bytes.size() && (bytes[pos] == ' ' || bytes[pos] == '\t');
    }

    // Appends the next line to the property's value.
    void JoinNextLine(Property& property, std::string_view separator = {}) {
        std::string_view next;
        NextLine(next);
        std::string value(property.rawValue);
        value.append(separator);
        value.append(next);
        property.joined = std::move(value);
        property.rawValue = property.joined;
    }

    // True when the line after the property goes on with its value: not
    // blank and no property line of its own.
    bool NextLineContinues() const {
        std::string_view next;
        return PeekLine(next) && !Trim(next).empty() && !LooksLikePropertyLine(next);
    }

    // The next logical line: folds undone, quoted-printable and BASE64
    // values joined across their lines.
    bool NextProperty(Property& property) {
        std::string_view first;
        do {
            if (!NextLine(first))
                return false;
        } while (Trim(first).empty());
        property = Property{};
        property.line = line;
        std::string_view text = first;
        std::string joined;
        bool usesJoined = false;
        while (PeekContinuation()) {
            std::string_view next;
            NextLine(next);
            if (!usesJoined)
                joined.assign(text);
            usesJoined = true;
            joined.append(next.substr(1));
        }
        if (usesJoined) {
            property.joined = std::move(joined);
            text = property.joined;
        }
        if (!Parse(text, property))
            return true;
        if (IsQuotedPrintable(property)) {
            for (;;) {
                // A soft line break: '=' at the end of a line, the value
                // going on in the next line.
                if (!property.rawValue.empty() && property.rawValue.back() == '=' &&
                    pos < bytes.size()) {
                    property.rawValue.remove_suffix(1);
                    JoinNextLine(property);
                } else if (NextLineContinues()) {
                    // Some phones break a long value without the '='.
                    JoinNextLine(property);
                } else {
                    break;
                }
            }
        } else if (IsBase64(property)) {
            // vCard 2.1 lets BASE64 lines go unindented, up to a blank line.
            while (NextLineContinues())
                JoinNextLine(property);
        }
        return true;
    }

    static bool IsQuotedPrintable(const Property& property) {
        return std::any_of(property.params.begin(), property.params.end(), [](const Param& p) {
            return (p.name == "ENCODING" || p.name.empty()) &&
                   EqualsIgnoringCase(p.value, "QUOTED-PRINTABLE");
        });
    }

    static bool IsBase64(const Property& property) {
        return std::any_of(property.params.begin(), property.params.end(), [](const Param& p) {
            return (p.name == "ENCODING" || p.name.empty()) &&
                   (EqualsIgnoringCase(p.value, "BASE64") || EqualsIgnoringCase(p.value, "B"));
        });
    }

    // False for a line without ':' outside quotes: its name is all it has.
    static bool Parse(std::string_view text, Property& property) {
        // The name and parameters end at the first ':' outside quotes.
        bool quoted = false;
        std::size_t colon = std::string_view::npos;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '"')
                quoted = !quoted;
            else if (text[i] == ':' && !quoted) {
                colon = i;
                break;
            }
        }
        if (colon == std::string_view::npos) {
            property.name = Upper(Trim(text));
            property.hasColon = false;
            return false;
        }
        const std::string_view head = text.substr(0, colon);
        property.rawValue = text.substr(colon + 1);

        std::vector<std::string_view> parts;
        quoted = false;
        std::size_t start = 0;
        for (std::size_t i = 0; i <= head.size(); ++i) {
            if (i < head.size() && head[i] == '"')
                quoted = !quoted;
            if (i == head.size() || (head[i] == ';' && !quoted)) {
                parts.push_back(head.substr(start, i - start));
                start = i + 1;
            }
        }
        std::string_view name = Trim(parts[0]);
        if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos)
            name.remove_prefix(dot + 1);
        property.name = Upper(name);
        for (std::size_t i = 1; i < parts.size(); ++i) {
            const std::string_view part = Trim(parts[i]);
            const std::size_t equals = part.find('=');
            Param param;
            std::string_view value = part;
            if (equals != std::string_view::npos) {
                param.name = Upper(Trim(part.substr(0, equals)));
                value = Trim(part.substr(equals + 1));
            }
            std::string unquoted;
            for (const char c : value)
                if (c != '"')
                    unquoted += c;
            param.value = std::move(unquoted);
            property.params.push_back(std::move(param));
        }
        return true;
    }

    static std::optional<std::string> ParamValue(const Property& property, std::string_view name) {
        for (const Param& p : property.params)
            if (p.name == name)
                return p.value;
        return std::nullopt;
    }

    // True when a TYPE (or a bare 2.1 parameter) lists the given type.
    static bool HasType(const Property& property, std::string_view type) {
        for (const Param& p : property.params) {
            if (!p.name.empty() && p.name != "TYPE")
                continue;
            std::string_view rest = p.value;
            while (!rest.empty()) {
                const std::size_t comma = rest.find(',');
                if (EqualsIgnoringCase(Trim(rest.substr(0, comma)), type))
                    return true;
                if (comma == std::string_view::npos)
                    break;
                rest.remove_prefix(comma + 1);
            }
        }
        return false;
    }

    static int HexDigit(char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    }

    static std::string DecodeQuotedPrintable(const Property& property) {
        const std::string_view in = property.rawValue;
        std::string out;
        out.reserve(in.size());
        for (std::size_t i = 0; i < in.size(); ++i) {
            if (in[i] != '=') {
                out += in[i];
                continue;
            }
            const int high = i + 1 < in.size() ? HexDigit(in[i + 1]) : -1;
            const int low = i + 2 < in.size() ? HexDigit(in[i + 2]) : -1;
            if (high < 0 || low < 0)
                throw CardProblem{
                    messages::Fill(messages::kVCardBadQuotedPrintable, property.name)};
            out += static_cast<char>(high << 4 | low);
            i += 2;
        }
        return out;
    }

    // The value as UTF-8 text, escapes not yet undone.
    std::string Text(const Property& property) const {
        std::string value;
        if (IsQuotedPrintable(property)) {
            value = DecodeQuotedPrintable(property);
        } else if (IsBase64(property)) {
            std::optional<std::string> decoded = DecodeBase64(property.rawValue);
            if (!decoded)
                throw CardProblem{messages::Fill(messages::kVCardBadBase64, property.name)};
            value = std::move(*decoded);
        } else {
            value = property.rawValue;
        }
        if (const std::optional<std::string> charset = ParamValue(property, "CHARSET")) {
            std::string utf8;
            bool unknown = false;
            if (!DecodeCharset(value, *charset, utf8, unknown))
                throw CardProblem{
                    unknown ? messages::Fill(messages::kVCardUnknownCharset, *charset)
                            : messages::Fill(
                                  messages::Fill(messages::kVCardNotValidInCharset, property.name),
                                  *charset)};
            return utf8;
        }
        return DecodeBytes(std::move(value));
    }

    // A value without CHARSET: in the source's encoding when it is valid
    // there; else, in a Shift-JIS source, as UTF-8 if it is; else as
    // Windows-1252 (8-bit text from a Western program), which the card's
    // note tells.
    std::string DecodeBytes(std::string value) const {
        if (utf8::IsValid(value) && (encoding == Encoding::Utf8 || !cp932::IsValid(value)))
            return value;
        if (encoding == Encoding::Cp932 && cp932::IsValid(value))
            return cp932::ToUtf8(value);
        guessedWindows1252 = true;
        return Windows1252ToUtf8(value);
    }
};

// The components of a structured value, split at ';' and unescaped.
std::vector<std::string> Components(std::string_view text) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            parts.back() += (next == 'n' || next == 'N') ? '\n' : next;
        } else if (c == ';') {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    for (std::string& part : parts)
        part = OneLine(part);
    return parts;
}

std::string Single(std::string_view text) {
    std::string out;
    for (const std::string& part : Components(text)) {
        if (!out.empty())
            out += ';';
        out += part;
    }
    return out;
}

std::string Part(const std::vector<std::string>& parts, std::size_t i) {
    return i < parts.size() ? parts[i] : std::string();
}

// A reading a card offers; the candidates by preference: X-PHONETIC-*,
// N;SORT-AS, SORT-STRING, SOUND;X-IRMC-N.
struct Reading {
    std::string family, given;
    bool present = false;
};
using Readings = std::array<Reading, 4>;

// Takes what the card needs from one property; throws CardProblem for a
// value it cannot decode.
void ReadProperty(const Reader& reader, const Property& property, Contact& card,
                  std::string& version, Readings& readings) {
    const std::string& name = property.name;
    if (name == "VERSION") {
        version = std::string(Trim(property.rawValue));
    } else if (name == "FN") {
        card.formattedName = Single(reader.Text(property));
    } else if (name == "N") {
        const std::vector<std::string> parts = Components(reader.Text(property));
        card.familyName = Part(parts, 0);
        card.givenName = Part(parts, 1);
        if (const std::optional<std::string> sortAs = Reader::ParamValue(property, "SORT-AS")) {
            const std::string text = reader.DecodeBytes(*sortAs);
            const std::size_t cut = text.find_first_of(",;");
            readings[1] = {OneLine(text.substr(0, cut)),
                           cut == std::string::npos ? "" : OneLine(text.substr(cut + 1)),
                           !text.empty()};
        }
    } else if (name == "ORG") {
        card.organization = Part(Components(reader.Text(property)), 0);
    } else if (name == "X-PHONETIC-LAST-NAME") {
        readings[0].family = Single(reader.Text(property));
        readings[0].present = true;
    } else if (name == "X-PHONETIC-FIRST-NAME") {
        readings[0].given = Single(reader.Text(property));
        readings[0].present = true;
    } else if (name == "SORT-STRING") {
        readings[2] = {Single(reader.Text(property)), "", true};
    } else if (name == "SOUND" && Reader::HasType(property, "X-IRMC-N")) {
        const std::vector<std::string> parts = Components(reader.Text(property));
        readings[3] = {Part(parts, 0), Part(parts, 1), true};
    } else if (name == "TEL") {
        ContactPhone phone;
        phone.number = Single(reader.Text(property));
        phone.preferred = Reader::HasType(property, "PREF") || Reader::ParamValue(property, "PREF");
        phone.fax = Reader::HasType(property, "FAX") || Reader::HasType(property, "PAGER");
        card.phones.push_back(std::move(phone));
    } else if (name == "X-GNO") {
        card.group = std::string(Trim(Single(reader.Text(property))));
    }
}

} // namespace

bool LooksLikeVCard(std::string_view bytes) {
    // UTF-16, with a byte-order mark or without: the ASCII of its head.
    std::string narrow;
    if (const std::optional<Utf16Order> order = Utf16OrderOf(bytes)) {
        const bool little = *order == Utf16Order::LittleEndian;
        std::size_t i = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF") ? 2 : 0;
        for (; i + 1 < bytes.size() && narrow.size() < 64; i += 2) {
            if (bytes[little ? i + 1 : i] != '\0')
                break;
            narrow += bytes[little ? i : i + 1];
        }
        bytes = narrow;
    }
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    while (!bytes.empty() && std::isspace(static_cast<unsigned char>(bytes.front())))
        bytes.remove_prefix(1);
    return StartsWithIgnoringCase(bytes, "BEGIN:VCARD");
}

ContactSource ReadVCards(std::string_view bytes, const std::string& source) {
    ContactSource result;
    result.name = source;
    std::string decoded;
    Encoding encoding = Encoding::Utf8;
    if (bytes.starts_with("\xEF\xBB\xBF") || Utf16OrderOf(bytes)) {
        std::size_t badLine = 0;
        if (!DecodeSource(bytes, decoded, encoding, badLine))
            ThrowAt(source, badLine, std::string(messages::kSourceNotInItsEncoding));
        bytes = decoded;
    } else {
        encoding = LikelyEncoding(bytes);
    }

    Reader reader{bytes, encoding};
    const auto note = [&](std::size_t line, std::string message, bool skipped = false) {
        result.notes.push_back({line, std::move(message), skipped});
    };
    Property property;
    std::optional<Contact> card;
    std::string version;
    Readings readings;
    // Within a card: a block nested in it (an AGENT's vCard) being passed
    // over, and whether the card is being passed over after a problem.
    std::size_t nested = 0;
    bool skipping = false;
    std::string previousName;
    // Lines outside a card are noted once for each run of them.
    bool notedOutside = false;

    const auto finishCard = [&] {
        if (!skipping) {
            for (const Reading& r : readings) {
                if (r.present) {
                    card->familyReading = r.family;
                    card->givenReading = r.given;
                    break;
                }
            }
            if (reader.guessedWindows1252)
                note(card->line, std::string(messages::kVCardReadAsWindows1252));
            result.contacts.push_back(std::move(*card));
        }
        if (result.format.empty())
            result.format = "vCard " + (version.empty() ? std::string("3.0") : version);
        card.reset();
    };
    const auto beginCard = [&] {
        card.emplace();
        card->line = property.line;
        version.clear();
        for (Reading& r : readings)
            r = Reading{};
        nested = 0;
        skipping = false;
        notedOutside = false;
        reader.guessedWindows1252 = false;
    };

    while (reader.NextProperty(property)) {
        const std::string& name = property.name;
        const bool beginsCard =
            name == "BEGIN" && EqualsIgnoringCase(Trim(property.rawValue), "VCARD");
        if (!card) {
            if (beginsCard) {
                beginCard();
            } else if (!notedOutside) {
                note(property.line, std::string(messages::kVCardOutside));
                notedOutside = true;
            }
            continue;
        }
        if (nested > 0) {
            if (name == "BEGIN")
                ++nested;
            else if (name == "END")
                --nested;
            continue;
        }
        if (name == "BEGIN") {
            // A vCard inside a card is an AGENT's; any other BEGIN opens a
            // block of its own. Both are passed over. A BEGIN:VCARD after
            // anything else means the card before lacked its END.
            if (beginsCard && previousName != "AGENT") {
                note(card->line, std::string(messages::kVCardNoEnd));
                finishCard();
                beginCard();
            } else {
                nested = 1;
            }
            previousName = name;
            continue;
        }
        previousName = name;
        if (name == "END") {
            finishCard();
            continue;
        }
        if (skipping)
            continue;
        if (!property.hasColon) {
            note(property.line, std::string(messages::kVCardNoColon));
            continue;
        }
        try {
            ReadProperty(reader, property, *card, version, readings);
        } catch (const CardProblem& problem) {
            note(property.line, problem.message, true);
            skipping = true;
        }
    }
    if (card) {
        note(card->line, std::string(messages::kVCardNoEnd));
        finishCard();
    }
    if (result.format.empty())
        result.format = "vCard";
    // A card's own note (its charset guessed) is made at its end, after the
    // notes of lines inside it.
    std::stable_sort(result.notes.begin(), result.notes.end(),
                     [](const SourceNote& a, const SourceNote& b) { return a.line < b.line; });
    return result;
}

} // namespace ruvo::exchange
