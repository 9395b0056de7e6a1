#pragma once

#include <string>
#include <string_view>

namespace ruvo {

// Text rewritten the way an input method's half-width katakana mode enters
// it: hiragana and katakana become their half-width forms (U+FF61 to U+FF9F),
// a voiced or semi-voiced kana two characters (が → ｶﾞ, ぱ → ﾊﾟ), the marks
// ゛ ゜ and their combining forms ﾞ ﾟ, 。「」、・ー their half-width forms, the
// ideographic space a space and U+FF01 to U+FF5E the ASCII U+0021 to U+007E.
// Every other character, including kana with no half-width form (ゐ ゑ ゎ ゕ
// ゖ and their katakana, ヸ ヹ) and half-width text, stays as it is.
std::u32string ToHalfWidthKana(std::u32string_view text);

// The same for UTF-8 text. Bytes that are not valid UTF-8 stay as they are.
std::string ToHalfWidthKana(std::string_view utf8);

} // namespace ruvo
