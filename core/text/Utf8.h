#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// UTF-8, strictly: a sequence is valid only in its shortest form, never for
// a surrogate (U+D800 to U+DFFF) and never past U+10FFFF. The one place the
// program takes UTF-8 apart or puts it together.
namespace ruvo::utf8 {

inline constexpr std::size_t npos = std::string_view::npos;

// Writes the UTF-8 of one code point at out, which has room for 4 bytes, and
// returns the end of what it wrote; a surrogate or a value past U+10FFFF,
// which UTF-8 cannot hold, is written as U+FFFD. Inline for the converters
// that fill a buffer a character at a time.
inline char* Put(char* out, char32_t code) {
    if (code < 0x80) {
        *out = static_cast<char>(code);
        return out + 1;
    }
    if (code < 0x800) {
        out[0] = static_cast<char>(0xC0 | code >> 6);
        out[1] = static_cast<char>(0x80 | (code & 0x3F));
        return out + 2;
    }
    if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        code = 0xFFFD;
    if (code < 0x10000) {
        out[0] = static_cast<char>(0xE0 | code >> 12);
        out[1] = static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out[2] = static_cast<char>(0x80 | (code & 0x3F));
        return out + 3;
    }
    out[0] = static_cast<char>(0xF0 | code >> 18);
    out[1] = static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out[2] = static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out[3] = static_cast<char>(0x80 | (code & 0x3F));
    return out + 4;
}

// Appends the UTF-8 of one code point, as Put writes it.
inline void Append(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
        return;
    }
    char bytes[4];
    out.append(bytes, static_cast<std::size_t>(Put(bytes, code) - bytes));
}

// Bytes taken by the valid sequence that begins at pos (inside text), 1 to
// 4; 0 when the bytes there are no valid sequence, a cut-off one included.
std::size_t SequenceLength(std::string_view text, std::size_t pos);

// The offset of the first byte that begins no valid sequence, npos when the
// whole text is valid.
std::size_t FirstInvalid(std::string_view text);

inline bool IsValid(std::string_view text) {
    return FirstInvalid(text) == npos;
}

// The code point of the sequence at pos (inside text), pos moved past it;
// nothing when the bytes there are no valid sequence, and then pos moves on
// by one byte.
std::optional<char32_t> Next(std::string_view text, std::size_t& pos);

// The code points of text, a byte that begins no valid sequence as U+FFFD.
std::u32string ToUtf32(std::string_view text);

// Code points as UTF-8, each as Append writes it.
std::string FromUtf32(std::u32string_view text);

} // namespace ruvo::utf8
