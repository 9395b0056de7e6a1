#pragma once

#include <string>
#include <string_view>

namespace ruvo {

// Text brought into a one-line value from outside (a paste, a drop, an
// import), made fit for a phone-book line: each run of TAB, CR, LF and the
// Unicode line and paragraph separators becomes one space, every other
// control character (C0, DEL, C1) is dropped, everything else is kept.
std::u32string SingleLineText(std::u32string_view text);

} // namespace ruvo
