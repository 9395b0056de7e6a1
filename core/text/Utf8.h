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

// Appends the UTF-8 of one code point; a surrogate or a value past U+10FFFF,
// which UTF-8 cannot hold, is appended as U+FFFD.
void Append(std::string& out, char32_t code);

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
