#include "core/exchange/InputText.h"

#include "core/exchange/Contact.h"
#include "core/text/Cp932.h"
#include "core/text/SingleLineText.h"
#include "core/text/Utf8.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace ruvo::exchange {

void ThrowAt(const std::string& source, std::size_t line, const std::string& what) {
    throw ExchangeError(source + ":" + std::to_string(line) + ": " + what);
}

namespace {

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
        utf8::Append(out, c);
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

bool DecodeSource(std::string_view bytes, std::string& utf8, Encoding& defaultEncoding,
                  std::size_t& badLine) {
    defaultEncoding = Encoding::Utf8;
    badLine = 0;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        const std::string_view rest = bytes.substr(3);
        if (const std::size_t bad = utf8::FirstInvalid(rest); bad != utf8::npos) {
            badLine = LineOf(rest, bad);
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
    if (utf8::IsValid(bytes)) {
        utf8.assign(bytes);
        return true;
    }
    defaultEncoding = Encoding::Cp932;
    if (const std::size_t bad = cp932::FirstInvalid(bytes); bad != cp932::npos) {
        badLine = LineOf(bytes, bad);
        return false;
    }
    utf8 = cp932::ToUtf8(bytes);
    return true;
}

bool DecodeCharset(std::string_view bytes, std::string_view charset, std::string& utf8,
                   bool& unknownCharset) {
    unknownCharset = false;
    const std::string name = Upper(charset);
    if (name == "UTF-8" || name == "UTF8" || name == "US-ASCII" || name == "ASCII") {
        if (!utf8::IsValid(bytes))
            return false;
        utf8.assign(bytes);
        return true;
    }
    if (name == "SHIFT_JIS" || name == "SHIFT-JIS" || name == "SJIS" || name == "CP932" ||
        name == "WINDOWS-31J" || name == "MS_KANJI" || name == "X-SJIS" || name == "CSSHIFTJIS") {
        if (!cp932::IsValid(bytes))
            return false;
        utf8 = cp932::ToUtf8(bytes);
        return true;
    }
    if (name == "ISO-8859-1" || name == "LATIN1") {
        utf8.clear();
        for (const char c : bytes)
            utf8::Append(utf8, static_cast<unsigned char>(c));
        return true;
    }
    unknownCharset = true;
    return false;
}

std::string FileNameForMessage(std::string_view path) {
    if (utf8::IsValid(path))
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
    return utf8::FromUtf32(SingleLineText(utf8::ToUtf32(utf8)));
}

} // namespace ruvo::exchange
