#include "ui/Cp932Text.h"

#include "core/text/Cp932.h"

namespace ruvo {

namespace {

std::u16string_view Utf16(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

} // namespace

QString DecodeCp932(std::string_view bytes) {
    const std::u16string text = cp932::ToUtf16(bytes);
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

std::optional<std::string> EncodeCp932(const QString& text, QString* unencodable) {
    std::size_t at = 0;
    auto bytes = cp932::FromUtf16(Utf16(text), &at);
    if (!bytes && unencodable && at < static_cast<std::size_t>(text.size())) {
        const auto position = static_cast<qsizetype>(at);
        const qsizetype length =
            text.at(position).isHighSurrogate() && position + 1 < text.size() ? 2 : 1;
        *unencodable = text.mid(position, length);
    }
    return bytes;
}

int Cp932Length(const QString& text) {
    if (const auto bytes = cp932::FromUtf16(Utf16(text)))
        return static_cast<int>(bytes->size());
    // Character by character; one without a code page 932 form counts as one.
    int length = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype units = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const auto bytes = cp932::FromUtf16(
            Utf16(text).substr(static_cast<std::size_t>(i), static_cast<std::size_t>(units)));
        length += bytes ? static_cast<int>(bytes->size()) : 1;
        i += units;
    }
    return length;
}

} // namespace ruvo
