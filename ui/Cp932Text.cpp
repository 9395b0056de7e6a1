#include "Cp932Text.h"

#include <iconv.h>

namespace ruvo {

namespace {

// One iconv descriptor per direction, kept for the life of the program; the
// window uses them from its one thread only.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts one whole piece; false when any of it cannot be converted.
    bool convert(const char* in, std::size_t inLength, std::string& out) const {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.resize(inLength * 4 + 16);
        char* inPtr = const_cast<char*>(in);
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        const std::size_t result = iconv(cd_, &inPtr, &inLength, &outPtr, &outLeft);
        if (result == static_cast<std::size_t>(-1) || inLength != 0) {
            out.clear();
            return false;
        }
        out.resize(out.size() - outLeft);
        return true;
    }

private:
    iconv_t cd_;
};

const Converter& ToUnicode() {
    static const Converter converter("UTF-16LE", "CP932");
    return converter;
}

const Converter& FromUnicode() {
    static const Converter converter("CP932", "UTF-16LE");
    return converter;
}

QString FromUtf16Bytes(const std::string& bytes) {
    return QString(reinterpret_cast<const QChar*>(bytes.data()),
                   static_cast<qsizetype>(bytes.size() / 2));
}

bool IsLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

} // namespace

QString DecodeCp932(std::string_view bytes) {
    std::string utf16;
    if (ToUnicode().convert(bytes.data(), bytes.size(), utf16))
        return FromUtf16Bytes(utf16);

    // Some bytes are not code page 932: go character by character so that
    // the rest still shows.
    QString result;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = (IsLead(byte) && i + 1 < bytes.size()) ? 2 : 1;
        if (ToUnicode().convert(bytes.data() + i, length, utf16)) {
            result += FromUtf16Bytes(utf16);
            i += length;
        } else {
            result += QChar(QChar::ReplacementCharacter);
            ++i;
        }
    }
    return result;
}

std::optional<std::string> EncodeCp932(const QString& text, QString* unencodable) {
    const auto* data = reinterpret_cast<const char*>(text.utf16());
    std::string bytes;
    if (FromUnicode().convert(data, static_cast<std::size_t>(text.size()) * 2, bytes))
        return bytes;
    if (unencodable) {
        unencodable->clear();
        std::string piece;
        for (qsizetype i = 0; i < text.size();) {
            const qsizetype length = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
            if (!FromUnicode().convert(data + i * 2, static_cast<std::size_t>(length) * 2, piece)) {
                *unencodable = text.mid(i, length);
                break;
            }
            i += length;
        }
    }
    return std::nullopt;
}

int Cp932Length(const QString& text) {
    const auto* data = reinterpret_cast<const char*>(text.utf16());
    std::string bytes;
    if (FromUnicode().convert(data, static_cast<std::size_t>(text.size()) * 2, bytes))
        return static_cast<int>(bytes.size());
    int length = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype units = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        length += FromUnicode().convert(data + i * 2, static_cast<std::size_t>(units) * 2, bytes)
                      ? static_cast<int>(bytes.size())
                      : 1;
        i += units;
    }
    return length;
}

} // namespace ruvo
