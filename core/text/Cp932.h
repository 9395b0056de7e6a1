#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Code page 932 (Shift-JIS as Windows has it), the one encoding of the
// phone-book file: its character boundaries, and the conversion to and from
// Unicode. glibc's "CP932" converter is the engine; what it does not take as
// one character is invalid here too.
namespace ruvo::cp932 {

// True for a lead byte of a double-byte character (0x81 to 0x9F and 0xE0 to
// 0xFC), whether or not the pair it begins is a character.
constexpr bool IsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Bytes taken by the character that begins at pos: 2 for a lead byte with a
// byte after it, else 1. pos must be inside text.
constexpr std::size_t CharLength(std::string_view text, std::size_t pos) {
    return IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

// True when the byte at pos is the second byte of a double-byte character,
// the text read from `start` on. A character ends just before the run of
// lead-range bytes in front of pos; they pair off from there, so an odd run
// makes pos a second byte. Lets a byte found by a fast search be checked
// without walking the text from its start.
constexpr bool IsSecondByte(std::string_view text, std::size_t pos, std::size_t start = 0) {
    std::size_t run = 0;
    while (pos - run > start && IsLeadByte(static_cast<unsigned char>(text[pos - run - 1])))
        ++run;
    return run % 2 == 1;
}

// One character of a byte string: its bytes, and its code point when the
// bytes are a character of the code page (valid); a lead byte whose pair is
// no character is a character of one invalid byte, so a walk goes on with
// the byte after it.
struct Char {
    std::string_view bytes;
    char32_t code = 0;
    bool valid = false;
};

// The character that begins at pos (inside text).
Char CharAt(std::string_view text, std::size_t pos);

// Calls visit(const Char&) for every character of text, in order.
template <class Visit> void ForEachChar(std::string_view text, Visit&& visit) {
    for (std::size_t pos = 0; pos < text.size();) {
        const Char c = CharAt(text, pos);
        visit(c);
        pos += c.bytes.size();
    }
}

// How a decoder shows a byte that begins no character.
enum class InvalidByte {
    Replacement, // U+FFFD, one per byte
    HexEscape,   // "\xNN", so that every byte can be told from the text
    // As HexEscape, and the text kept to one line from which every byte can
    // be read back: backslash and double quote become \\ and \", TAB, CR
    // and LF \t, \r and \n, every other control byte (below 0x20, 0x7F)
    // \xNN too.
    Escaped,
};

// The offset of the first byte that begins no character, npos when every
// byte is part of one.
inline constexpr std::size_t npos = std::string_view::npos;
std::size_t FirstInvalid(std::string_view bytes);

inline bool IsValid(std::string_view bytes) {
    return FirstInvalid(bytes) == npos;
}

// Appends the bytes as UTF-8, invalid bytes shown as asked; for a writer
// that streams many fields into one buffer.
void AppendUtf8(std::string& out, std::string_view bytes,
                InvalidByte invalid = InvalidByte::Replacement);

// The bytes as UTF-8 and as UTF-16; invalid bytes shown as asked.
std::string ToUtf8(std::string_view bytes, InvalidByte invalid = InvalidByte::Replacement);
std::u16string ToUtf16(std::string_view bytes);

// UTF-8 or UTF-16 text as code page 932 bytes; nothing when some character
// has no code page 932 form (or the text is not valid UTF), and then
// unencodableAt (if given) receives the offset, in code units, of the first
// such character.
std::optional<std::string> FromUtf8(std::string_view utf8, std::size_t* unencodableAt = nullptr);
std::optional<std::string> FromUtf16(std::u16string_view utf16,
                                     std::size_t* unencodableAt = nullptr);

} // namespace ruvo::cp932
