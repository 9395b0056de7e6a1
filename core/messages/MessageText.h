#pragma once

#include "core/messages/Messages.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace ruvo::messages {

// The text with its %s and %d replaced by the values, in order. A value is
// never searched for another %, so one holding "%s" stays as it is; a mark
// beyond the last value stays too.
inline std::string Fill(std::string_view text, std::initializer_list<std::string_view> values) {
    std::string out;
    out.reserve(text.size() + 32);
    auto value = values.begin();
    std::size_t from = 0;
    for (std::size_t at = text.find('%'); at != std::string_view::npos && value != values.end();
         at = text.find('%', from)) {
        if (at + 1 >= text.size())
            break;
        out.append(text.substr(from, at - from));
        out.append(*value++);
        from = at + 2;
    }
    out.append(text.substr(from));
    return out;
}

// The text with its %s or %d replaced by value.
inline std::string Fill(std::string_view text, std::string_view value) {
    return Fill(text, {value});
}

} // namespace ruvo::messages
