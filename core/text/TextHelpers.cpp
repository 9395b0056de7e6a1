#include "core/text/TextHelpers.h"

#include "core/error/Errors.h"
#include "core/messages/MessageText.h"
#include "core/text/Cp932.h"

#include <cstdint>
#include <cstring>

namespace ruvo {

namespace {

// First occurrence of delimiter at or after pos that begins on a character
// boundary (counted from pos), or npos.
std::size_t FindAtBoundary(std::string_view text, std::string_view delimiter, std::size_t pos) {
    if (delimiter.empty()) {
        return std::string_view::npos;
    }
    if (delimiter.size() == 1) {
        return FindByteAtBoundary(text, delimiter[0], pos);
    }
    while (pos < text.size()) {
        if (text.compare(pos, delimiter.size(), delimiter) == 0) {
            return pos;
        }
        pos += cp932::CharLength(text, pos);
    }
    return std::string_view::npos;
}

// Takes the quoted item whose opening quote stands at pos; leaves pos just
// after the closing quote, or at the end when there is none.
std::string ExtractQuoted(std::string_view text, std::size_t& pos) {
    std::string item;
    ++pos;
    while (pos < text.size()) {
        if (text[pos] == '"') {
            if (pos + 1 < text.size() && text[pos + 1] == '"') {
                item.push_back('"');
                pos += 2;
                continue;
            }
            ++pos;
            return item;
        }
        const std::size_t length = cp932::CharLength(text, pos);
        item.append(text.substr(pos, length));
        pos += length;
    }
    return item;
}

} // namespace

std::size_t FindByteAtBoundary(std::string_view text, char byte, std::size_t pos) {
    while (pos < text.size()) {
        const void* found = std::memchr(text.data() + pos, byte, text.size() - pos);
        if (found == nullptr) {
            return std::string_view::npos;
        }
        const std::size_t hit =
            static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
        if (!cp932::IsSecondByte(text, hit, pos)) {
            return hit;
        }
        pos = hit + 1;
    }
    return std::string_view::npos;
}

int SplitText(std::string_view text, std::string_view delimiter, StringList& list, bool quoted) {
    text = text.substr(0, text.find('\0'));
    list.clear();
    std::size_t pos = 0;
    for (;;) {
        while (quoted && pos < text.size() && text[pos] == '"') {
            list.push_back(ExtractQuoted(text, pos));
            if (pos == text.size()) {
                // A quoted item that ends the text is its last item.
                return static_cast<int>(list.size());
            }
            // Step over what follows the closing quote: the delimiter, or
            // else one stray byte, which is dropped. A byte, not a
            // character: a lead byte there does not take its neighbour.
            pos += delimiter.size() > 1 && text.compare(pos, delimiter.size(), delimiter) == 0
                       ? delimiter.size()
                       : 1;
        }
        const std::size_t hit = FindAtBoundary(text, delimiter, pos);
        if (hit == std::string_view::npos) {
            list.emplace_back(text.substr(pos));
            return static_cast<int>(list.size());
        }
        list.emplace_back(text.substr(pos, hit - pos));
        // The whole delimiter is consumed, also when it is longer than a byte.
        pos = hit + delimiter.size();
    }
}

bool IsDigit(unsigned char byte) {
    return static_cast<unsigned char>(byte - 0x30) < 10;
}

std::string ZeroPadDigits(std::string_view text, int width) {
    if (text.empty()) {
        return {};
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        if (!IsDigit(static_cast<unsigned char>(c))) {
            return std::string(text);
        }
        // Saturates above the 32-bit limit, so any length of digits is safe.
        value = std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(c - '0'),
                                        std::uint64_t{1} << 32);
    }
    if (value > 2147483647) {
        throw EConvertError(messages::Fill(messages::kNotAnInteger, text));
    }
    std::string digits = std::to_string(value);
    // The number is always written, also 0 with width 0; widths above 16 pad
    // nothing.
    if (width <= 16 && digits.size() < static_cast<std::size_t>(std::max(width, 0))) {
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    }
    return digits;
}

} // namespace ruvo
