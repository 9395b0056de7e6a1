#include "core/exchange/InputText.h"

#include "core/exchange/Contact.h"
#include "core/text/Cp932.h"
#include "core/text/SingleLineText.h"
#include "core/text/Utf8.h"

#include <algorithm>
#include <cctype>
#include <iconv.h>
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

// Bytes in a charset iconv knows, as UTF-8; nothing when iconv has no such
// converter (unknown set) or the bytes are not valid in it.
std::optional<std::string> IconvToUtf8(std::string_view bytes, const std::string& charset,
                                       bool& unknown) {
    unknown = false;
    const iconv_t cd = iconv_open("UTF-8", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        unknown = true;
        return std::nullopt;
    }
    std::string out(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    const bool flushed = iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1) || !flushed)
        return std::nullopt;
    out.resize(out.size() - outLeft);
    if (!utf8::IsValid(out))
        return std::nullopt;
    return out;
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

std::optional<Utf16Order> Utf16OrderOf(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE"))
        return Utf16Order::LittleEndian;
    if (bytes.starts_with("\xFE\xFF"))
        return Utf16Order::BigEndian;
    // Without a mark: the first characters (up to eight) are ASCII, each
    // with its NUL on the same side.
    const std::size_t units = std::min<std::size_t>(bytes.size() / 2, 8);
    if (units < 2)
        return std::nullopt;
    const auto isAscii = [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b != 0 && b < 0x80;
    };
    bool little = true;
    bool big = true;
    for (std::size_t i = 0; i < units; ++i) {
        const char first = bytes[2 * i];
        const char second = bytes[2 * i + 1];
        little = little && isAscii(first) && second == '\0';
        big = big && first == '\0' && isAscii(second);
    }
    if (little)
        return Utf16Order::LittleEndian;
    if (big)
        return Utf16Order::BigEndian;
    return std::nullopt;
}

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
    if (const std::optional<Utf16Order> order = Utf16OrderOf(bytes)) {
        const bool marked = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
        std::size_t badAt = 0;
        if (!Utf16ToUtf8(bytes.substr(marked ? 2 : 0), *order == Utf16Order::BigEndian, utf8,
                         badAt)) {
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

Encoding LikelyEncoding(std::string_view bytes) {
    std::size_t characters = 0;
    std::size_t strays = 0;
    for (std::size_t pos = 0; pos < bytes.size();) {
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            ++pos;
        } else if (const std::size_t length = utf8::SequenceLength(bytes, pos); length > 0) {
            ++characters;
            pos += length;
        } else {
            ++strays;
            ++pos;
        }
    }
    return characters > strays || strays == 0 ? Encoding::Utf8 : Encoding::Cp932;
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
    if (std::optional<std::string> text = IconvToUtf8(bytes, name, unknownCharset)) {
        utf8 = std::move(*text);
        return true;
    }
    return false;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    // 0x80 to 0x9F; 0 where the code page defines nothing.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b < 0xA0)
            utf8::Append(out, kHigh[b - 0x80] != 0 ? kHigh[b - 0x80] : 0xFFFD);
        else
            utf8::Append(out, b);
    }
    return out;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
    const auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z')
            return c - 'A';
        if (c >= 'a' && c <= 'z')
            return c - 'a' + 26;
        if (c >= '0' && c <= '9')
            return c - '0' + 52;
        if (c == '+')
            return 62;
        if (c == '/')
            return 63;
        return -1;
    };
    std::string out;
    out.reserve(text.size() / 4 * 3);
    unsigned bits = 0;
    int count = 0;
    bool padding = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        if (c == '=') {
            padding = true;
            continue;
        }
        const int v = value(c);
        if (v < 0 || padding)
            return std::nullopt;
        bits = (bits << 6) | static_cast<unsigned>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
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
