#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ruvo {

using StringList = std::vector<std::string>;

// Position of the first byte equal to byte, at or after pos, that begins a
// character when the text is read from pos on; npos when there is none.
std::size_t FindByteAtBoundary(std::string_view text, char byte, std::size_t pos = 0);

// Cuts text at every occurrence of delimiter that starts on a character
// boundary. The text ends at its first NUL byte. Fills list and returns the
// number of items, always at least 1. In quoted mode an item may be quoted
// with '"', a doubled '"' standing for one.
int SplitText(std::string_view text, std::string_view delimiter, StringList& list, bool quoted);

// Digit-only text rewritten as a number with at least width digits (0 to 16);
// any other text unchanged. Throws EConvertError beyond 2147483647.
std::string ZeroPadDigits(std::string_view text, int width);

// True for the bytes '0' to '9'.
bool IsDigit(unsigned char byte);

} // namespace ruvo
