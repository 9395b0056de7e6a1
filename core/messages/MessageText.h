#pragma once

#include "core/messages/Messages.h"

#include <string>
#include <string_view>

namespace ruvo::messages {

// The text with its %s or %d replaced by value.
inline std::string Fill(std::string_view text, std::string_view value) {
    std::string out(text);
    if (const std::size_t at = out.find('%'); at != std::string::npos && at + 1 < out.size())
        out.replace(at, 2, value);
    return out;
}

} // namespace ruvo::messages
