#pragma once

#include <string>
#include <string_view>

// Bytes from outside turned into UTF-8: how a source's encoding is found,
// and the few charsets a vCard property may name.
namespace ruvo::exchange {

enum class Encoding { Utf8, Cp932 };

// A source's text: a byte-order mark (UTF-8, UTF-16LE, UTF-16BE) decides and
// is dropped; otherwise valid UTF-8 stays as it is and anything else is read
// as code page 932. Returns false, with the 1-based line of the first bad
// byte in badLine, when the bytes are not text in the encoding found.
// defaultEncoding receives what a vCard property without CHARSET is in.
bool DecodeSource(std::string_view bytes, std::string& utf8, Encoding& defaultEncoding,
                  std::size_t& badLine);

// The UTF-8 form of bytes in a named charset (case ignored): UTF-8, US-ASCII,
// ISO-8859-1, Shift_JIS and its aliases. False for an unknown charset or
// bytes that are not valid in it; unknownCharset tells which.
bool DecodeCharset(std::string_view bytes, std::string_view charset, std::string& utf8,
                   bool& unknownCharset);

// A file name as UTF-8 for a message. Valid UTF-8 (what the system gives)
// stays as it is; other bytes are read as code page 932, since a name
// written in Shift-JIS (a disk from Windows) shows right that way, and a byte
// that is no character of either shows as U+FFFD.
std::string FileNameForMessage(std::string_view path);

// SingleLineText on UTF-8.
std::string OneLine(std::string_view utf8);

} // namespace ruvo::exchange
