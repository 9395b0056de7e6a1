#pragma once

#include "core/error/Errors.h"

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace ruvo {

// Code page 932 bytes as Unicode for display. Bytes that do not form a code
// page 932 character show as U+FFFD, one per byte.
QString DecodeCp932(std::string_view bytes);

// Unicode text as code page 932 bytes, or nothing when some character has
// no code page 932 form; unencodable then receives the first such character
// (a whole surrogate pair when it is one).
std::optional<std::string> EncodeCp932(const QString& text, QString* unencodable = nullptr);

// Bytes the text takes in code page 932; a character without a code page
// 932 form counts as one byte.
int Cp932Length(const QString& text);

// A text that code page 932 cannot hold; the message names the character.
class Cp932EncodeError : public Error {
public:
    using Error::Error;
};

} // namespace ruvo
