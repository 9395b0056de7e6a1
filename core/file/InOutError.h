#pragma once

#include <string>

namespace ruvo {

// The EInOutError for an errno value, by the I/O message table: a missing
// file (2) or folder (3), too many open files (4), access denied (5), a full
// disk (101); any other errno is shown as its number.
[[noreturn]] void ThrowInOutError(int errnoValue, const std::string& path);

// The text of that EInOutError, for a caller that reports the failure in a
// message of its own.
std::string InOutErrorText(int errnoValue, const std::string& path);

} // namespace ruvo
