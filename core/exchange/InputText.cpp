#include "core/exchange/InputText.h"

#include "core/exchange/Contact.h"
#include "core/text/Cp932.h"
#include "core/text/SingleLineText.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace ruvo::exchange {

void ThrowAt(const std::string& source, std::size_t line, const std::string& what) {
    throw ExchangeError(source + ":" + std::to_string(line) + ": " + what);
}

namespace {

// Length of the valid UTF-8 sequence at pos, or 0.
std::size_t Utf8SequenceAt(std::string_view s, std::size_t pos) {
    const auto b0 = static_cast<unsigned char>(s[pos]);
    if (b0 < 0x80)
        return 1;
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0)
            low = 0xA0;
        if (b0 == 0xED)
            high = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0)
            low = 0x90;
        if (b0 == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (pos + length > s.size())
        return 0;
    const auto b1 = static_cast<unsigned char>(s[pos + 1]);
    if (b1 < low || b1 > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        const auto b = static_cast<unsigned char>(s[pos + i]);
        if (b < 0x80 || b > 0xBF)
            return 0;
    }
    return length;
}

std::size_t LineOf(std::string_view bytes, std::size_t pos) {
    return 1 + static_cast<std::size_t>(std::count(bytes.begin(), bytes.begin() + pos, '\n'));
}

bool Utf16ToUtf8(std::string_view bytes, bool bigEndian, std::string& out, std::size_t& badAt) {
    const auto unit = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    out.clear();
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00) {
            if (i + 3 >= bytes.size() || unit(i + 2) < 0xDC00 || unit(i + 2) >= 0xE000) {
                badAt = i;
                return false;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xDC00 && c < 0xE000) {
            badAt = i;
            return false;
        }
        cp932::AppendUtf8(out, c);
    }
    if (bytes.size() % 2 != 0) {
        badAt = bytes.size() - 1;
        return false;
    }
    return true;
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t pos = 0; pos < bytes.size();) {
        // ASCII runs are the common case.
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            ++pos;
            continue;
        }
        const std::size_t length = Utf8SequenceAt(bytes, pos);
        if (length == 0)
            return false;
        pos += length;
    }
    return true;
}

bool Cp932ToUtf8(std::string_view bytes, std::string& utf8) {
    utf8.clear();
    utf8.reserve(bytes.size() * 3 / 2);
    bool valid = true;
    cp932::ForEachChar(bytes, [&](const cp932::Char& c) {
        valid = valid && c.valid;
        if (c.valid)
            cp932::AppendUtf8(utf8, c.code);
    });
    return valid;
}

bool DecodeSource(std::string_view bytes, std::string& utf8, Encoding& defaultEncoding,
                  std::size_t& badLine) {
    defaultEncoding = Encoding::Utf8;
    badLine = 0;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        const std::string_view rest = bytes.substr(3);
        if (!IsValidUtf8(rest)) {
            std::size_t pos = 0;
            while (pos < rest.size()) {
                const std::size_t length = Utf8SequenceAt(rest, pos);
                if (length == 0)
                    break;
                pos += length;
            }
            badLine = LineOf(rest, pos);
            return false;
        }
        utf8.assign(rest);
        return true;
    }
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        std::size_t badAt = 0;
        if (!Utf16ToUtf8(bytes.substr(2), bytes[0] == '\xFE', utf8, badAt)) {
            badLine = 1 + static_cast<std::size_t>(std::count(utf8.begin(), utf8.end(), '\n'));
            return false;
        }
        return true;
    }
    if (IsValidUtf8(bytes)) {
        utf8.assign(bytes);
        return true;
    }
    defaultEncoding = Encoding::Cp932;
    if (!Cp932ToUtf8(bytes, utf8)) {
        std::size_t pos = 0;
        while (pos < bytes.size() && cp932::CharAt(bytes, pos).valid)
            pos += cp932::CharAt(bytes, pos).bytes.size();
        badLine = LineOf(bytes, pos);
        return false;
    }
    return true;
}

bool DecodeCharset(std::string_view bytes, std::string_view charset, std::string& utf8,
                   bool& unknownCharset) {
    unknownCharset = false;
    const std::string name = Upper(charset);
    if (name == "UTF-8" || name == "UTF8" || name == "US-ASCII" || name == "ASCII") {
        if (!IsValidUtf8(bytes))
            return false;
        utf8.assign(bytes);
        return true;
    }
    if (name == "SHIFT_JIS" || name == "SHIFT-JIS" || name == "SJIS" || name == "CP932" ||
        name == "WINDOWS-31J" || name == "MS_KANJI" || name == "X-SJIS" || name == "CSSHIFTJIS")
        return Cp932ToUtf8(bytes, utf8);
    if (name == "ISO-8859-1" || name == "LATIN1") {
        utf8.clear();
        for (const char c : bytes)
            cp932::AppendUtf8(utf8, static_cast<unsigned char>(c));
        return true;
    }
    unknownCharset = true;
    return false;
}

std::u32string ToUtf32(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const auto b0 = static_cast<unsigned char>(utf8[pos]);
        const std::size_t length = std::max<std::size_t>(1, Utf8SequenceAt(utf8, pos));
        char32_t c = length == 1 ? b0 : b0 & (0xFF >> (length + 1));
        for (std::size_t i = 1; i < length; ++i)
            c = c << 6 | (static_cast<unsigned char>(utf8[pos + i]) & 0x3F);
        out += c;
        pos += length;
    }
    return out;
}

std::string ToUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char32_t c : text)
        cp932::AppendUtf8(out, c);
    return out;
}

std::string FileNameForMessage(std::string_view path) {
    if (IsValidUtf8(path))
        return std::string(path);
    return cp932::ToUtf8(path, cp932::InvalidByte::Replacement);
}

std::string OneLine(std::string_view utf8) {
    // Most values have no control character at all.
    if (std::none_of(utf8.begin(), utf8.end(), [](char c) {
            const auto b = static_cast<unsigned char>(c);
            return b < 0x20 || b == 0x7F || b == 0xC2 || b == 0xE2;
        }))
        return std::string(utf8);
    return ToUtf8(SingleLineText(ToUtf32(utf8)));
}

} // namespace ruvo::exchange
