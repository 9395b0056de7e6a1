#pragma once

#include <string>
#include <string_view>

namespace ruvo::exchange {

// Writes bytes to path the way a save does: into a temporary file beside it,
// synced, then renamed over it, so that a failure leaves the file as it was.
// A symbolic link is followed and kept; an existing file keeps its mode.
// Throws EInOutError.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

} // namespace ruvo::exchange
