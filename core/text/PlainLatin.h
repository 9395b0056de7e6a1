#pragma once

#include <string>
#include <string_view>

// Latin letters the phone book's code page cannot hold (é, ø, ł, ß...),
// written as the set can show them: the base letter without its accent.
namespace ruvo {

// The ASCII form of a letter of Latin-1 Supplement or Latin Extended-A
// (U+00C0 to U+017F): é → "e", Ł → "L", ß → "ss", Æ → "AE", Þ → "TH"; empty
// for any other character (× and ÷ included).
std::string_view PlainLatinLetter(char32_t c);

// UTF-8 text with every letter PlainLatinLetter knows written in its ASCII
// form; anything else, invalid bytes included, as it is.
std::string WithPlainLatinLetters(std::string_view utf8);

} // namespace ruvo
