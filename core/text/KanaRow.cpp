#include "core/text/KanaRow.h"

#include "core/text/Cp932.h"

#include <array>

namespace ruvo {
namespace {

// The row of each full-width katakana from ァ (U+30A1) to ヶ (U+30F6).
constexpr std::array<KanaRow, 0x30F6 - 0x30A1 + 1> kKatakanaRows = [] {
    std::array<KanaRow, 0x30F6 - 0x30A1 + 1> rows{};
    // The first katakana of each row after ア's, up to ヴ ヵ ヶ.
    const struct {
        char32_t first;
        KanaRow row;
    } starts[] = {{U'ァ', KanaRow::A},  {U'カ', KanaRow::Ka}, {U'サ', KanaRow::Sa},
                  {U'タ', KanaRow::Ta}, {U'ナ', KanaRow::Na}, {U'ハ', KanaRow::Ha},
                  {U'マ', KanaRow::Ma}, {U'ャ', KanaRow::Ya}, {U'ラ', KanaRow::Ra},
                  {U'ヮ', KanaRow::Wa}, {U'ヴ', KanaRow::A},  {U'ヵ', KanaRow::Ka}};
    std::size_t next = 0;
    for (char32_t c = U'ァ'; c <= U'ヶ'; ++c) {
        if (next < std::size(starts) && c == starts[next].first)
            ++next;
        rows[c - U'ァ'] = starts[next - 1].row;
    }
    return rows;
}();

// The same for half-width katakana from ｦ (U+FF66) to ﾝ (U+FF9D); ｰ
// (U+FF70) begins no row.
std::optional<KanaRow> HalfWidthRow(char32_t c) {
    if (c == U'ｦ' || c == U'ﾜ' || c == U'ﾝ')
        return KanaRow::Wa;
    if (c == U'ｰ')
        return std::nullopt;
    if (c >= U'ｧ' && c <= U'ｫ')
        return KanaRow::A;
    if (c >= U'ｬ' && c <= U'ｮ')
        return KanaRow::Ya;
    if (c == U'ｯ')
        return KanaRow::Ta;
    // ｱ to ﾜ: five kana a row, but three in ﾔ's and one in ﾜ's.
    constexpr std::array<char32_t, kKanaRowCount> kFirsts = {U'ｱ', U'ｶ', U'ｻ', U'ﾀ', U'ﾅ',
                                                             U'ﾊ', U'ﾏ', U'ﾔ', U'ﾗ', U'ﾜ'};
    for (std::size_t row = kKanaRowCount; row-- > 0;)
        if (c >= kFirsts[row])
            return static_cast<KanaRow>(row);
    return std::nullopt;
}

bool PassedOver(char32_t c) {
    return c == U'-' || c == U'\'' || c == U'ﾞ' || c == U'ﾟ' || c == U'゛' || c == U'゜';
}

} // namespace

std::optional<KanaRow> KanaRowOf(std::string_view reading) {
    for (std::size_t pos = 0; pos < reading.size();) {
        const cp932::Char c = cp932::CharAt(reading, pos);
        pos += c.bytes.size();
        if (!c.valid)
            return std::nullopt;
        if (PassedOver(c.code))
            continue;
        if (c.code >= U'ｦ' && c.code <= U'ﾝ')
            return HalfWidthRow(c.code);
        // Hiragana ぁ to ゖ stand 0x60 before their katakana.
        const char32_t katakana = c.code >= U'ぁ' && c.code <= U'ゖ' ? c.code + 0x60 : c.code;
        if (katakana >= U'ァ' && katakana <= U'ヶ')
            return kKatakanaRows[katakana - U'ァ'];
        return std::nullopt;
    }
    return std::nullopt;
}

std::string_view KanaRowName(KanaRow row) {
    constexpr std::array<std::string_view, kKanaRowCount> kNames = {"あ", "か", "さ", "た", "な",
                                                                    "は", "ま", "や", "ら", "わ"};
    return kNames[static_cast<std::size_t>(row)];
}

} // namespace ruvo
