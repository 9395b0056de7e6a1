#include "core/text/PlainLatin.h"

#include "core/text/Utf8.h"

#include <array>
#include <optional>

namespace ruvo {
namespace {

constexpr char32_t kFirst = 0x00C0;
constexpr char32_t kLast = 0x017F;

// By code point from U+00C0, eight to a row; "" for the two signs among the
// letters (× U+00D7, ÷ U+00F7). A letter with a stroke, a hook or a dot
// loses it like an accent (Ø, Ł, Đ, Ħ, ı); a ligature or a letter of its own
// becomes the letters it is written as in ASCII (Æ, Œ, Ĳ, ß, Þ, ð).
constexpr std::array<std::string_view, kLast - kFirst + 1> kPlain = {
    // U+00C0 ÀÁÂÃÄÅÆÇ ÈÉÊËÌÍÎÏ ÐÑÒÓÔÕÖ× ØÙÚÛÜÝÞß
    "A", "A", "A", "A", "A", "A", "AE", "C",  //
    "E", "E", "E", "E", "I", "I", "I", "I",   //
    "D", "N", "O", "O", "O", "O", "O", "",    //
    "O", "U", "U", "U", "U", "Y", "TH", "ss", //
    // U+00E0 àáâãäåæç èéêëìíîï ðñòóôõö÷ øùúûüýþÿ
    "a", "a", "a", "a", "a", "a", "ae", "c", //
    "e", "e", "e", "e", "i", "i", "i", "i",  //
    "d", "n", "o", "o", "o", "o", "o", "",   //
    "o", "u", "u", "u", "u", "y", "th", "y", //
    // U+0100 ĀāĂăĄąĆć ĈĉĊċČčĎď ĐđĒēĔĕĖė ĘęĚěĜĝĞğ
    "A", "a", "A", "a", "A", "a", "C", "c", //
    "C", "c", "C", "c", "C", "c", "D", "d", //
    "D", "d", "E", "e", "E", "e", "E", "e", //
    "E", "e", "E", "e", "G", "g", "G", "g", //
    // U+0120 ĠġĢģĤĥĦħ ĨĩĪīĬĭĮį İıĲĳĴĵĶķ ĸĹĺĻļĽľĿ
    "G", "g", "G", "g", "H", "h", "H", "h",   //
    "I", "i", "I", "i", "I", "i", "I", "i",   //
    "I", "i", "IJ", "ij", "J", "j", "K", "k", //
    "k", "L", "l", "L", "l", "L", "l", "L",   //
    // U+0140 ŀŁłŃńŅņŇ ňŉŊŋŌōŎŏ ŐőŒœŔŕŖŗ ŘřŚśŜŝŞş
    "l", "L", "l", "N", "n", "N", "n", "N",   //
    "n", "'n", "N", "n", "O", "o", "O", "o",  //
    "O", "o", "OE", "oe", "R", "r", "R", "r", //
    "R", "r", "S", "s", "S", "s", "S", "s",   //
    // U+0160 ŠšŢţŤťŦŧ ŨũŪūŬŭŮů ŰűŲųŴŵŶŷ ŸŹźŻżŽžſ
    "S", "s", "T", "t", "T", "t", "T", "t", //
    "U", "u", "U", "u", "U", "u", "U", "u", //
    "U", "u", "U", "u", "W", "w", "Y", "y", //
    "Y", "Z", "z", "Z", "z", "Z", "z", "s", //
};

} // namespace

std::string_view PlainLatinLetter(char32_t c) {
    return c >= kFirst && c <= kLast ? kPlain[c - kFirst] : std::string_view();
}

std::string WithPlainLatinLetters(std::string_view utf8) {
    // Every letter of the table begins with one of these bytes, which are
    // never the second byte of a sequence: most names are returned at once.
    if (utf8.find_first_of("\xC3\xC4\xC5") == std::string_view::npos)
        return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t start = pos;
        const std::optional<char32_t> code = utf8::Next(utf8, pos);
        const std::string_view plain = code ? PlainLatinLetter(*code) : std::string_view();
        if (plain.empty())
            out.append(utf8.substr(start, pos - start));
        else
            out.append(plain);
    }
    return out;
}

} // namespace ruvo
