#pragma once

#include <optional>
#include <string>
#include <string_view>

// Bytes from outside turned into UTF-8: how a source's encoding is found,
// and the few charsets a vCard property may name.
namespace ruvo::exchange {

enum class Encoding { Utf8, Cp932 };

// The byte order of UTF-16 text: named by a byte-order mark, or, without
// one, seen in its first characters (ASCII with a NUL beside each, as a
// vCard or CSV begins). Nothing for any other text.
enum class Utf16Order { LittleEndian, BigEndian };
std::optional<Utf16Order> Utf16OrderOf(std::string_view bytes);

// A source's text: a byte-order mark (UTF-8, UTF-16LE, UTF-16BE) decides and
// is dropped; UTF-16 without one is taken as UTF-16 too; otherwise valid
// UTF-8 stays as it is and anything else is read as code page 932. Returns false, with the 1-based
// line of the first bad byte in badLine, when the bytes are not text in the encoding found.
// defaultEncoding receives what a vCard property without CHARSET is in.
bool DecodeSource(std::string_view bytes, std::string& utf8, Encoding& defaultEncoding,
                  std::size_t& badLine);

// What the values of a source without a byte-order mark are read as first:
// UTF-8 when it is valid UTF-8, or when its multi-byte UTF-8 characters
// outnumber the bytes that begin none (UTF-8 with stray 8-bit bytes, as a
// program that mixes Latin-1 in writes it); code page 932 otherwise.
Encoding LikelyEncoding(std::string_view bytes);

// The UTF-8 form of bytes in a named charset (case ignored): UTF-8, US-ASCII,
// ISO-8859-1, Shift_JIS and its aliases by our own codecs, any other that
// glibc's iconv knows (windows-1252, ISO-8859-2, KOI8-R, EUC-JP...) by
// iconv. False for an unknown charset or bytes that are not valid in it;
// unknownCharset tells which.
bool DecodeCharset(std::string_view bytes, std::string_view charset, std::string& utf8,
                   bool& unknownCharset);

// A file name as UTF-8 for a message. Valid UTF-8 (what the system gives)
// stays as it is; other bytes are read as code page 932, since a name
// written in Shift-JIS (a disk from Windows) shows right that way, and a byte
// that is no character of either shows as U+FFFD.
std::string FileNameForMessage(std::string_view path);

// Windows-1252 (what "8-bit text" from a Western system most often is) as
// UTF-8; the five bytes it leaves undefined become U+FFFD.
std::string Windows1252ToUtf8(std::string_view bytes);

// BASE64 (RFC 4648, line breaks and spaces ignored, padding optional);
// nothing when a character is outside its alphabet.
std::optional<std::string> DecodeBase64(std::string_view text);

// SingleLineText on UTF-8.
std::string OneLine(std::string_view utf8);

} // namespace ruvo::exchange
