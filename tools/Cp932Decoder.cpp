#include "Cp932Decoder.h"

#include <cerrno>
#include <cstdio>
#include <iconv.h>
#include <stdexcept>

namespace ruvo {

namespace {

bool IsLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Lead bytes 0x81-0x9F and 0xE0-0xFC packed into 0..59, times 256 trail bytes.
std::size_t DoubleIndex(unsigned char lead, unsigned char trail) {
    const std::size_t row = lead <= 0x9F ? lead - 0x81u : lead - 0xE0u + 31u;
    return row * 256 + trail;
}
constexpr std::size_t kDoubleCount = 60 * 256;

std::string HexEscape(unsigned char byte) {
    char text[5];
    std::snprintf(text, sizeof text, "\\x%02X", byte);
    return text;
}

class Converter {
public:
    Converter() : cd_(iconv_open("UTF-8", "CP932")) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("no CP932 converter in the C library");
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // The UTF-8 of exactly these bytes as one character, or "" when they are
    // not one whole character.
    std::string Convert(const char* bytes, std::size_t size) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char in[2] = {bytes[0], size > 1 ? bytes[1] : '\0'};
        char out[16];
        char* inPtr = in;
        char* outPtr = out;
        std::size_t inLeft = size;
        std::size_t outLeft = sizeof out;
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
            inLeft != 0)
            return {};
        return std::string(out, outPtr);
    }

private:
    iconv_t cd_;
};

} // namespace

Cp932Decoder::Cp932Decoder() : double_(kDoubleCount) {
    Converter converter;
    for (int value = 0; value < 256; ++value) {
        const auto byte = static_cast<unsigned char>(value);
        const char c = static_cast<char>(byte);
        std::string text = IsLead(byte) ? std::string() : converter.Convert(&c, 1);
        if (text.empty())
            text = HexEscape(byte);
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
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLead(static_cast<unsigned char>(lead)))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            double_[DoubleIndex(static_cast<unsigned char>(lead),
                                static_cast<unsigned char>(trail))] = converter.Convert(pair, 2);
        }
    }
}

void Cp932Decoder::Append(std::string& out, std::string_view bytes, bool escaped) const {
    const auto& single = escaped ? escaped_ : plain_;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\' && byte != '"') {
            out += static_cast<char>(byte);
            continue;
        }
        if (IsLead(byte) && i + 1 < bytes.size()) {
            const std::string& pair =
                double_[DoubleIndex(byte, static_cast<unsigned char>(bytes[i + 1]))];
            if (!pair.empty()) {
                out += pair;
                ++i;
                continue;
            }
        }
        out += single[byte];
    }
}

std::string Cp932Decoder::Decode(std::string_view bytes, bool escaped) const {
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    Append(out, bytes, escaped);
    return out;
}

} // namespace ruvo
