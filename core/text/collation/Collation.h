#pragma once

#include <string>
#include <string_view>

namespace ruvo {

// Sort key of a code-page-932 text in the Japanese order of the Windows
// comparison (CompareStringA, ja-JP, no flags). Comparing two keys as byte
// strings (std::string::compare, which compares unsigned bytes) gives the
// order of comparing the texts; equal keys mean the texts compare equal.
// The text ends at its first NUL byte. Any byte sequence is accepted.
std::string CollationKey(std::string_view text);

// Compares two texts by their collation keys: negative, zero or positive.
int CompareCollated(std::string_view a, std::string_view b);

} // namespace ruvo
