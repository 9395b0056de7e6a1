#include "tools/ruvotel/Cp932Decoder.h"

#include "core/text/Cp932.h"
#include "core/text/Utf8.h"

#include <cstdio>

namespace ruvo {

namespace {

std::string HexEscape(unsigned char byte) {
    char text[5];
    std::snprintf(text, sizeof text, "\\x%02X", byte);
    return text;
}

} // namespace

Cp932Decoder::Cp932Decoder() {
    for (int value = 0; value < 256; ++value) {
        const auto byte = static_cast<unsigned char>(value);
        const std::string text =
            cp932::ToUtf8(std::string(1, static_cast<char>(byte)), cp932::InvalidByte::HexEscape);
        plain_[byte] = text;
        switch (byte) {
        case '\\':
            escaped_[byte] = "\\\\";
            break;
        case '"':
            escaped_[byte] = "\\\"";
            break;
        case '\t':
            escaped_[byte] = "\\t";
            break;
        case '\r':
            escaped_[byte] = "\\r";
            break;
        case '\n':
            escaped_[byte] = "\\n";
            break;
        default:
            escaped_[byte] = byte < 0x20 || byte == 0x7F ? HexEscape(byte) : text;
        }
    }
}

void Cp932Decoder::Append(std::string& out, std::string_view bytes, bool escaped) const {
    const auto& single = escaped ? escaped_ : plain_;
    cp932::ForEachChar(bytes, [&](const cp932::Char& c) {
        if (c.bytes.size() == 2)
            utf8::Append(out, c.code);
        else
            out += single[static_cast<unsigned char>(c.bytes[0])];
    });
}

std::string Cp932Decoder::Decode(std::string_view bytes, bool escaped) const {
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    Append(out, bytes, escaped);
    return out;
}

} // namespace ruvo
