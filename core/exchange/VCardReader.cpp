#include "core/exchange/VCardReader.h"

#include "core/exchange/InputText.h"
#include "core/text/Cp932.h"
#include "core/text/Utf8.h"

#include <algorithm>
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
};

struct Reader {
    std::string_view bytes;
    const std::string& source;
    Encoding encoding;
    std::size_t pos = 0;
    std::size_t line = 0;

    [[noreturn]] void Fail(std::size_t at, const std::string& what) const {
        ThrowAt(source, at, what);
    }

    // The next physical line without its end; false at the end of input.
    bool NextLine(std::string_view& out) {
        if (pos >= bytes.size())
            return false;
        const std::size_t end = bytes.find_first_of("\r\n", pos);
        const std::size_t stop = end == std::string_view::npos ? bytes.size() : end;
        out = bytes.substr(pos, stop - pos);
        pos = stop;
        if (pos < bytes.size() && bytes[pos] == '\r')
            ++pos;
        if (pos < bytes.size() && bytes[pos] == '\n')
            ++pos;
        ++line;
        return true;
    }

    bool PeekContinuation() const {
        return pos < bytes.size() && (bytes[pos] == ' ' || bytes[pos] == '\t');
    }

    // The next logical line: folds undone, quoted-printable soft breaks joined.
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
        Parse(text, property);
        if (IsQuotedPrintable(property)) {
            // A soft line break: '=' at the end of a line, the value going on
            // in the next line.
            while (!property.rawValue.empty() && property.rawValue.back() == '=' &&
                   pos < bytes.size()) {
                std::string_view next;
                NextLine(next);
                std::string value(property.rawValue.substr(0, property.rawValue.size() - 1));
                value.append(next);
                property.joined = std::move(value);
                property.rawValue = property.joined;
            }
        }
        return true;
    }

    static bool IsQuotedPrintable(const Property& property) {
        return std::any_of(property.params.begin(), property.params.end(), [](const Param& p) {
            return (p.name == "ENCODING" || p.name.empty()) &&
                   EqualsIgnoringCase(p.value, "QUOTED-PRINTABLE");
        });
    }

    void Parse(std::string_view text, Property& property) {
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
        if (colon == std::string_view::npos)
            Fail(property.line, "a vCard line without ':'");
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
    }

    std::optional<std::string> ParamValue(const Property& property, std::string_view name) const {
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

    std::string DecodeQuotedPrintable(const Property& property) const {
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
                Fail(property.line, "a bad quoted-printable escape in " + property.name);
            out += static_cast<char>(high << 4 | low);
            i += 2;
        }
        return out;
    }

    // The value as UTF-8 text, escapes not yet undone.
    std::string Text(const Property& property) const {
        std::string value = IsQuotedPrintable(property) ? DecodeQuotedPrintable(property)
                                                        : std::string(property.rawValue);
        std::string utf8;
        if (const std::optional<std::string> charset = ParamValue(property, "CHARSET")) {
            bool unknown = false;
            if (!DecodeCharset(value, *charset, utf8, unknown))
                Fail(property.line, unknown ? "unknown charset '" + *charset + "'"
                                            : property.name + " is not valid " + *charset);
            return utf8;
        }
        return DecodeBytes(value, property.line, property.name);
    }

    std::string DecodeBytes(const std::string& value, std::size_t at,
                            const std::string& what) const {
        if (encoding == Encoding::Utf8) {
            if (!utf8::IsValid(value))
                Fail(at, what + " is not valid UTF-8");
            return value;
        }
        if (!cp932::IsValid(value))
            Fail(at, what + " holds bytes that are no Shift-JIS character");
        return cp932::ToUtf8(value);
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

} // namespace

bool LooksLikeVCard(std::string_view bytes) {
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
    if (bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE") ||
        bytes.starts_with("\xFE\xFF")) {
        std::size_t badLine = 0;
        if (!DecodeSource(bytes, decoded, encoding, badLine))
            ThrowAt(source, badLine, "not valid text in the encoding its byte-order mark names");
        bytes = decoded;
    } else if (!utf8::IsValid(bytes)) {
        encoding = Encoding::Cp932;
    }

    Reader reader{bytes, source, encoding};
    Property property;
    std::optional<Contact> card;
    std::string version;
    // Reading candidates by preference: X-PHONETIC-*, N;SORT-AS, SORT-STRING,
    // SOUND;X-IRMC-N.
    struct Reading {
        std::string family, given;
        bool present = false;
    };
    Reading readings[4];
    while (reader.NextProperty(property)) {
        const std::string& name = property.name;
        if (name == "BEGIN") {
            if (!EqualsIgnoringCase(Trim(property.rawValue), "VCARD"))
                reader.Fail(property.line, "BEGIN of something else than a vCard");
            if (card)
                reader.Fail(property.line, "BEGIN:VCARD inside a card");
            card.emplace();
            card->line = property.line;
            version.clear();
            for (Reading& r : readings)
                r = Reading{};
            continue;
        }
        if (!card)
            reader.Fail(property.line, "expected BEGIN:VCARD");
        if (name == "END") {
            for (const Reading& r : readings) {
                if (r.present) {
                    card->familyReading = r.family;
                    card->givenReading = r.given;
                    break;
                }
            }
            if (result.format.empty())
                result.format = "vCard " + (version.empty() ? std::string("3.0") : version);
            result.contacts.push_back(std::move(*card));
            card.reset();
            continue;
        }
        if (name == "VERSION") {
            version = std::string(Trim(property.rawValue));
        } else if (name == "FN") {
            card->formattedName = Single(reader.Text(property));
        } else if (name == "N") {
            const std::vector<std::string> parts = Components(reader.Text(property));
            card->familyName = Part(parts, 0);
            card->givenName = Part(parts, 1);
            if (const std::optional<std::string> sortAs = reader.ParamValue(property, "SORT-AS")) {
                const std::string text = reader.DecodeBytes(*sortAs, property.line, "SORT-AS");
                const std::size_t cut = text.find_first_of(",;");
                readings[1] = {OneLine(text.substr(0, cut)),
                               cut == std::string::npos ? "" : OneLine(text.substr(cut + 1)),
                               !text.empty()};
            }
        } else if (name == "X-PHONETIC-LAST-NAME") {
            readings[0].family = Single(reader.Text(property));
            readings[0].present = true;
        } else if (name == "X-PHONETIC-FIRST-NAME") {
            readings[0].given = Single(reader.Text(property));
            readings[0].present = true;
        } else if (name == "SORT-STRING") {
            readings[2] = {Single(reader.Text(property)), "", true};
        } else if (name == "SOUND" && (reader.HasType(property, "X-IRMC-N"))) {
            const std::vector<std::string> parts = Components(reader.Text(property));
            readings[3] = {Part(parts, 0), Part(parts, 1), true};
        } else if (name == "TEL") {
            ContactPhone phone;
            phone.number = Single(reader.Text(property));
            phone.preferred =
                reader.HasType(property, "PREF") || reader.ParamValue(property, "PREF");
            card->phones.push_back(std::move(phone));
        } else if (name == "X-GNO") {
            card->group = std::string(Trim(Single(reader.Text(property))));
        }
    }
    if (card)
        ThrowAt(source, card->line, "a card without END:VCARD");
    if (result.format.empty())
        result.format = "vCard";
    return result;
}

} // namespace ruvo::exchange
