#pragma once

#include <string>
#include <string_view>

namespace ruvo::exchange {

// Half-width katakana (U+FF61 to U+FF9F) in UTF-8 text rewritten as
// full-width katakana, a kana followed by ﾞ or ﾟ as its voiced form (ｶﾞ → ガ,
// ｳﾞ → ヴ, ﾜﾞ → ヷ); a mark with nothing to join becomes ゛ or ゜. Everything
// else stays. The inverse of ToHalfWidthKana for katakana.
std::string ToFullWidthKatakana(std::string_view utf8);

// Appends code page 932 bytes as UTF-8, half-width katakana made full-width
// as above when fullWidth is set; a byte that begins no character becomes
// U+FFFD, and then the result is false.
bool AppendCp932AsUtf8(std::string& out, std::string_view cp932, bool fullWidth);

} // namespace ruvo::exchange
