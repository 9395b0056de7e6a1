#include "core/text/Utf8.h"

namespace ruvo::utf8 {

std::size_t SequenceLength(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80)
        return 1;
    // The lead byte gives the length; the range of the second byte is what
    // rules out overlong forms (E0, F0), surrogates (ED) and values past
    // U+10FFFF (F4). C0, C1 and F5 to FF begin nothing.
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (length > text.size() - pos)
        return 0;
    const auto second = static_cast<unsigned char>(text[pos + 1]);
    if (second < low || second > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if (next < 0x80 || next > 0xBF)
            return 0;
    }
    return length;
}

std::size_t FirstInvalid(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        // ASCII runs are the common case.
        if (static_cast<unsigned char>(text[pos]) < 0x80) {
            ++pos;
            continue;
        }
        const std::size_t length = SequenceLength(text, pos);
        if (length == 0)
            return pos;
        pos += length;
    }
    return npos;
}

std::optional<char32_t> Next(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    const std::size_t length = SequenceLength(text, pos);
    if (length == 0) {
        ++pos;
        return std::nullopt;
    }
    char32_t code = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (std::size_t i = 1; i < length; ++i)
        code = code << 6 | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
    pos += length;
    return code;
}

std::u32string ToUtf32(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();)
        out += Next(text, pos).value_or(U'\uFFFD');
    return out;
}

std::string FromUtf32(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char32_t code : text)
        Append(out, code);
    return out;
}

} // namespace ruvo::utf8
