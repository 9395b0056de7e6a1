#include "core/text/HalfWidthKana.h"

#include "core/text/Utf8.h"

#include <array>
#include <optional>

namespace ruvo {
namespace {

// A half-width form is one character, or a kana followed by ﾞ or ﾟ.
struct HalfForm {
    char32_t first = 0;
    char32_t second = 0;
};

constexpr HalfForm Form(std::u32string_view text) {
    return {text[0], text.size() > 1 ? text[1] : 0};
}

constexpr char32_t kBlockStart = 0x3000;
constexpr char32_t kFullWidthFirst = 0xFF01;
constexpr char32_t kFullWidthLast = 0xFF5E;
constexpr char32_t kFullWidthToAscii = 0xFEE0;

// Forms of U+3000 to U+30FF; first == 0 where there is none.
constexpr std::array<HalfForm, 0x100> kForms = [] {
    // ぁ (U+3041) to ゖ (U+3096); ァ to ヶ repeat this order 0x60 higher.
    constexpr std::u32string_view kKana[] = {
        U"ｧ",  U"ｱ",  U"ｨ",  U"ｲ",  U"ｩ",  U"ｳ",  U"ｪ",  U"ｴ",  U"ｫ",  U"ｵ",  // ぁ..お
        U"ｶ",  U"ｶﾞ", U"ｷ",  U"ｷﾞ", U"ｸ",  U"ｸﾞ", U"ｹ",  U"ｹﾞ", U"ｺ",  U"ｺﾞ", // か..ご
        U"ｻ",  U"ｻﾞ", U"ｼ",  U"ｼﾞ", U"ｽ",  U"ｽﾞ", U"ｾ",  U"ｾﾞ", U"ｿ",  U"ｿﾞ", // さ..ぞ
        U"ﾀ",  U"ﾀﾞ", U"ﾁ",  U"ﾁﾞ", U"ｯ",  U"ﾂ",  U"ﾂﾞ", U"ﾃ",  U"ﾃﾞ", U"ﾄ",  // た..と
        U"ﾄﾞ", U"ﾅ",  U"ﾆ",  U"ﾇ",  U"ﾈ",  U"ﾉ",                              // ど..の
        U"ﾊ",  U"ﾊﾞ", U"ﾊﾟ", U"ﾋ",  U"ﾋﾞ", U"ﾋﾟ", U"ﾌ",  U"ﾌﾞ", U"ﾌﾟ",        // は..ぷ
        U"ﾍ",  U"ﾍﾞ", U"ﾍﾟ", U"ﾎ",  U"ﾎﾞ", U"ﾎﾟ",                             // へ..ぽ
        U"ﾏ",  U"ﾐ",  U"ﾑ",  U"ﾒ",  U"ﾓ",  U"ｬ",  U"ﾔ",  U"ｭ",  U"ﾕ",  U"ｮ",  // ま..ょ
        U"ﾖ",  U"ﾗ",  U"ﾘ",  U"ﾙ",  U"ﾚ",  U"ﾛ",  U"",   U"ﾜ",  U"",   U"",   // よ..ゑ
        U"ｦ",  U"ﾝ",  U"ｳﾞ", U"",   U"",                                      // を..ゖ
    };
    static_assert(std::size(kKana) == 0x3096 - 0x3041 + 1);

    std::array<HalfForm, 0x100> forms{};
    for (std::size_t i = 0; i < std::size(kKana); ++i) {
        if (!kKana[i].empty()) {
            forms[0x41 + i] = Form(kKana[i]);
            forms[0xA1 + i] = Form(kKana[i]);
        }
    }
    forms[0x00] = Form(U" ");
    forms[0x01] = Form(U"､");
    forms[0x02] = Form(U"｡");
    forms[0x0C] = Form(U"｢");
    forms[0x0D] = Form(U"｣");
    forms[0x99] = Form(U"ﾞ");
    forms[0x9A] = Form(U"ﾟ");
    forms[0x9B] = Form(U"ﾞ");
    forms[0x9C] = Form(U"ﾟ");
    forms[0xF7] = Form(U"ﾜﾞ");
    forms[0xFA] = Form(U"ｦﾞ");
    forms[0xFB] = Form(U"･");
    forms[0xFC] = Form(U"ｰ");
    return forms;
}();

HalfForm HalfFormOf(char32_t c) {
    if (c - kBlockStart < kForms.size()) {
        const HalfForm& form = kForms[c - kBlockStart];
        if (form.first != 0)
            return form;
    } else if (c >= kFullWidthFirst && c <= kFullWidthLast) {
        return {c - kFullWidthToAscii, 0};
    }
    return {c, 0};
}

} // namespace

std::u32string ToHalfWidthKana(std::u32string_view text) {
    std::u32string result;
    result.reserve(text.size());
    for (const char32_t c : text) {
        const HalfForm form = HalfFormOf(c);
        result += form.first;
        if (form.second != 0)
            result += form.second;
    }
    return result;
}

std::string ToHalfWidthKana(std::string_view utf8) {
    std::string result;
    result.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        // Everything converted is U+3000..U+30FF (lead E3) or U+FF01..U+FF5E
        // (lead EF); such a lead byte can never be a continuation byte, so
        // every other byte is copied as it is.
        std::size_t next = i;
        const std::optional<char32_t> c =
            lead == 0xE3 || lead == 0xEF ? utf8::Next(utf8, next) : std::nullopt;
        if (!c) {
            result += utf8[i++];
            continue;
        }
        const HalfForm form = HalfFormOf(*c);
        if (form.first != *c) {
            utf8::Append(result, form.first);
            if (form.second != 0)
                utf8::Append(result, form.second);
        } else {
            result.append(utf8, i, next - i);
        }
        i = next;
    }
    return result;
}

} // namespace ruvo
