#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ruvo {

// Sort key of a code-page-932 text in the Japanese order of the Windows
// comparison (CompareStringA, ja-JP, no flags). Comparing two keys as byte
// strings (std::string::compare, which compares unsigned bytes) gives the
// order of comparing the texts; equal keys mean the texts compare equal.
// The text ends at its first NUL byte. Any byte sequence is accepted.
std::string CollationKey(std::string_view text);

// The room WriteCollationKey needs for a text of `size` bytes: more than the
// key itself, since short sections are copied in whole blocks.
constexpr std::size_t CollationKeyRoom(std::size_t size) {
    return 13 * size + 9 + 32;
}

// Writes CollationKey(text) to out, which has CollationKeyRoom(text.size())
// bytes, and returns the key's size. Allocates nothing for a text of up to
// 96 bytes; touches no state but out, so threads may call it at once.
std::size_t WriteCollationKey(std::string_view text, unsigned char* out);

// Compares two texts by their collation keys: negative, zero or positive.
int CompareCollated(std::string_view a, std::string_view b);

} // namespace ruvo
