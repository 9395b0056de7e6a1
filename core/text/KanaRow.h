#pragma once

#include <optional>
#include <string_view>

namespace ruvo {

// The rows of the kana table (gojūon), by their first kana, in the order a
// Japanese directory lists them.
enum class KanaRow { A, Ka, Sa, Ta, Na, Ha, Ma, Ya, Ra, Wa };
inline constexpr int kKanaRowCount = 10;

// The row of a reading (code page 932 bytes) by its first kana: katakana
// of either width and hiragana, voiced and small kana with their row
// (ｶﾞ → Ka, ｯ → Ta, ｳﾞ → A, ヵ ヶ → Ka, ﾝ ｦ ヰ → Wa). The hyphen, the
// apostrophe and the voiced marks ﾞ ﾟ before it are passed over, as the
// collation passes them over. Nothing when the reading starts with no kana
// (empty, Latin, digits, symbols, kanji, the long vowel mark ｰ, the
// iteration marks).
std::optional<KanaRow> KanaRowOf(std::string_view reading);

// The row's name as a heading: あ か さ た な は ま や ら わ (UTF-8).
std::string_view KanaRowName(KanaRow row);

} // namespace ruvo
