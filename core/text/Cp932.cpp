#include "core/text/Cp932.h"

#include "core/text/Utf8.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iconv.h>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace ruvo::cp932 {

namespace {

// One conversion direction of glibc's iconv. A descriptor is not safe to
// share between threads: each use takes the lock.
class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("no iconv converter from ") + from + " to " + to);
    }
    ~Iconv() { iconv_close(cd_); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // Converts the whole input; false when any of it cannot be converted.
    bool Convert(const char* in, std::size_t inLength, std::string& out) {
        const std::lock_guard lock(mutex_);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.resize(inLength * 2 + 16);
        char* inPtr = const_cast<char*>(in);
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        const std::size_t result = iconv(cd_, &inPtr, &inLength, &outPtr, &outLeft);
        if (result == static_cast<std::size_t>(-1) || inLength != 0) {
            out.clear();
            return false;
        }
        out.resize(out.size() - outLeft);
        return true;
    }

private:
    iconv_t cd_;
    std::mutex mutex_;
};

// What a single byte becomes in UTF-8 in one InvalidByte mode: at most
// four bytes ("\xNN"), copied whole and kept in part.
struct SingleForm {
    std::uint8_t length = 0;
    std::array<char, 4> bytes{};
};
using SingleForms = std::array<SingleForm, 256>;

constexpr std::size_t kModes = 3;

std::size_t ModeIndex(InvalidByte invalid) {
    return static_cast<std::size_t>(invalid);
}

SingleForm FormOf(std::string_view text) {
    SingleForm form;
    form.length = static_cast<std::uint8_t>(text.size());
    std::memcpy(form.bytes.data(), text.data(), text.size());
    return form;
}

SingleForm HexEscape(unsigned char byte) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02X", byte);
    return FormOf(hex);
}

// The code point of every single byte and every lead/trail pair, 0 where
// the bytes are no character; read once from iconv. With it, the UTF-8 of
// every single byte in each InvalidByte mode, so that a conversion is one
// lookup a byte.
class DecodeTable {
public:
    DecodeTable() : pairs_(kPairRows * 256, 0) {
        Iconv toUtf32("UTF-32LE", "CP932");
        std::string out;
        const auto codeOf = [&](const char* bytes, std::size_t length) -> char32_t {
            if (!toUtf32.Convert(bytes, length, out) || out.size() != 4)
                return 0;
            const auto* u = reinterpret_cast<const unsigned char*>(out.data());
            return static_cast<char32_t>(u[0] | u[1] << 8 | u[2] << 16 | u[3] << 24);
        };
        for (int value = 0; value < 256; ++value) {
            const char byte = static_cast<char>(value);
            singles_[value] = IsLeadByte(static_cast<unsigned char>(value)) ? 0 : codeOf(&byte, 1);
            singleValid_[value] =
                !IsLeadByte(static_cast<unsigned char>(value)) && (value == 0 || singles_[value]);
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsLeadByte(static_cast<unsigned char>(lead)))
                continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                pairs_[PairIndex(static_cast<unsigned char>(lead),
                                 static_cast<unsigned char>(trail))] = codeOf(pair, 2);
            }
        }
        for (int value = 0; value < 256; ++value) {
            const auto byte = static_cast<unsigned char>(value);
            SingleForm utf8;
            if (singleValid_[byte])
                utf8.length = static_cast<std::uint8_t>(
                    utf8::Put(utf8.bytes.data(), singles_[byte]) - utf8.bytes.data());
            const SingleForm hex = singleValid_[byte] ? utf8 : HexEscape(byte);
            forms_[ModeIndex(InvalidByte::Replacement)][byte] =
                singleValid_[byte] ? utf8 : FormOf("\uFFFD");
            forms_[ModeIndex(InvalidByte::HexEscape)][byte] = hex;
            SingleForm& escaped = forms_[ModeIndex(InvalidByte::Escaped)][byte];
            switch (byte) {
            case '\\':
                escaped = FormOf("\\\\");
                break;
            case '"':
                escaped = FormOf("\\\"");
                break;
            case '\t':
                escaped = FormOf("\\t");
                break;
            case '\r':
                escaped = FormOf("\\r");
                break;
            case '\n':
                escaped = FormOf("\\n");
                break;
            default:
                escaped = byte < 0x20 || byte == 0x7F ? HexEscape(byte) : hex;
            }
        }
    }

    bool Single(unsigned char byte, char32_t& code) const {
        code = singles_[byte];
        return singleValid_[byte];
    }
    bool SingleValid(unsigned char byte) const { return singleValid_[byte]; }
    char32_t Pair(unsigned char lead, unsigned char trail) const {
        return pairs_[PairIndex(lead, trail)];
    }
    const SingleForms& Forms(InvalidByte invalid) const { return forms_[ModeIndex(invalid)]; }

private:
    // Lead bytes packed into 0..59, times 256 trail bytes.
    static constexpr std::size_t kPairRows = 60;
    static std::size_t PairIndex(unsigned char lead, unsigned char trail) {
        const std::size_t row = lead <= 0x9F ? lead - 0x81u : lead - 0xE0u + 31u;
        return row * 256 + trail;
    }

    std::array<char32_t, 256> singles_{};
    std::array<bool, 256> singleValid_{};
    std::vector<char32_t> pairs_;
    std::array<SingleForms, kModes> forms_{};
};

const DecodeTable& Table() {
    static const DecodeTable table;
    return table;
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
}

Iconv& FromUtf8Converter() {
    static Iconv converter("CP932", "UTF-8");
    return converter;
}

Iconv& FromUtf16Converter() {
    static Iconv converter("CP932", "UTF-16LE");
    return converter;
}

// The first unencodable character of text, by converting growing prefixes
// character by character; only runs once the whole text has failed.
template <class CharT, class Length>
std::size_t FirstUnencodable(std::basic_string_view<CharT> text, Iconv& converter,
                             Length characterLength) {
    std::string piece;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = characterLength(text, i);
        if (!converter.Convert(reinterpret_cast<const char*>(text.data() + i),
                               length * sizeof(CharT), piece))
            return i;
        i += length;
    }
    return text.size();
}

std::size_t Utf8Length(std::string_view text, std::size_t i) {
    return std::max<std::size_t>(1, utf8::SequenceLength(text, i));
}

std::size_t Utf16Length(std::u16string_view text, std::size_t i) {
    return text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size() ? 2 : 1;
}

} // namespace

Char CharAt(std::string_view text, std::size_t pos) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    const DecodeTable& table = Table();
    if (IsLeadByte(byte) && pos + 1 < text.size()) {
        const char32_t code = table.Pair(byte, static_cast<unsigned char>(text[pos + 1]));
        if (code != 0)
            return {text.substr(pos, 2), code, true};
        return {text.substr(pos, 1), 0, false};
    }
    char32_t code = 0;
    const bool valid = table.Single(byte, code);
    return {text.substr(pos, 1), code, valid};
}

std::size_t FirstInvalid(std::string_view bytes) {
    const DecodeTable& table = Table();
    const auto* const begin = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = begin + bytes.size();
    for (const auto* p = begin; p < end;) {
        if (IsLeadByte(*p) && end - p > 1 && table.Pair(p[0], p[1]) != 0) {
            p += 2;
        } else if (table.SingleValid(*p)) {
            ++p;
        } else {
            return static_cast<std::size_t>(p - begin);
        }
    }
    return npos;
}

void AppendUtf8(std::string& out, std::string_view bytes, InvalidByte invalid) {
    const DecodeTable& table = Table();
    const SingleForms& singles = table.Forms(invalid);
    // Written in place: no byte takes more than four bytes of UTF-8, a pair
    // (always in the BMP) no more than three.
    const std::size_t start = out.size();
    out.resize(start + 4 * bytes.size());
    char* o = out.data() + start;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        if (IsLeadByte(*p) && end - p > 1) {
            if (const char32_t code = table.Pair(p[0], p[1])) {
                o = utf8::Put(o, code);
                p += 2;
                continue;
            }
        }
        const SingleForm& form = singles[*p++];
        std::memcpy(o, form.bytes.data(), form.bytes.size());
        o += form.length;
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
}

std::string ToUtf8(std::string_view bytes, InvalidByte invalid) {
    std::string out;
    AppendUtf8(out, bytes, invalid);
    return out;
}

std::u16string ToUtf16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    ForEachChar(bytes, [&](const Char& c) { AppendUtf16(out, c.valid ? c.code : U'\uFFFD'); });
    return out;
}

std::optional<std::string> FromUtf8(std::string_view utf8, std::size_t* unencodableAt) {
    std::string bytes;
    if (FromUtf8Converter().Convert(utf8.data(), utf8.size(), bytes))
        return bytes;
    if (unencodableAt)
        *unencodableAt = FirstUnencodable(utf8, FromUtf8Converter(), Utf8Length);
    return std::nullopt;
}

std::optional<std::string> FromUtf16(std::u16string_view utf16, std::size_t* unencodableAt) {
    std::string bytes;
    if (FromUtf16Converter().Convert(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2,
                                     bytes))
        return bytes;
    if (unencodableAt)
        *unencodableAt = FirstUnencodable(utf16, FromUtf16Converter(), Utf16Length);
    return std::nullopt;
}

} // namespace ruvo::cp932
