#include "core/text/FullWidthKana.h"

#include "core/text/Cp932.h"
#include "core/text/Utf8.h"

#include <string_view>

namespace ruvo::exchange {

namespace {

// Full-width forms of U+FF61 to U+FF9F.
constexpr char32_t kFull[] = {
    U'。', U'「', U'」', U'、', U'・', U'ヲ', U'ァ', U'ィ', U'ゥ', U'ェ', U'ォ', U'ャ', U'ュ',
    U'ョ', U'ッ', U'ー', U'ア', U'イ', U'ウ', U'エ', U'オ', U'カ', U'キ', U'ク', U'ケ', U'コ',
    U'サ', U'シ', U'ス', U'セ', U'ソ', U'タ', U'チ', U'ツ', U'テ', U'ト', U'ナ', U'ニ', U'ヌ',
    U'ネ', U'ノ', U'ハ', U'ヒ', U'フ', U'ヘ', U'ホ', U'マ', U'ミ', U'ム', U'メ', U'モ', U'ヤ',
    U'ユ', U'ヨ', U'ラ', U'リ', U'ル', U'レ', U'ロ', U'ワ', U'ン', U'゛', U'゜'};
static_assert(std::size(kFull) == 0xFF9F - 0xFF61 + 1);

// Plain kana whose voiced form is the next code point.
bool TakesVoicedMark(char32_t c) {
    return std::u32string_view(U"カキクケコサシスセソタチツテトハヒフヘホ").find(c) !=
           std::u32string_view::npos;
}

} // namespace

std::string ToFullWidthKatakana(std::string_view utf8) {
    // Readings are mostly pure half-width kana; ASCII-only text needs nothing.
    bool any = false;
    for (const char c : utf8)
        any = any || c == '\xEF';
    if (!any)
        return std::string(utf8);
    const std::u32string in = utf8::ToUtf32(utf8);
    std::u32string out;
    out.reserve(in.size());
    for (const char32_t c : in) {
        if (c < 0xFF61 || c > 0xFF9F) {
            out += c;
            continue;
        }
        const char32_t full = kFull[c - 0xFF61];
        if ((c == 0xFF9E || c == 0xFF9F) && !out.empty()) {
            char32_t& last = out.back();
            if (c == 0xFF9E && TakesVoicedMark(last)) {
                ++last; // the voiced kana follows its plain one
                continue;
            }
            if (c == 0xFF9F && last >= U'ハ' && last <= U'ホ' && (last - U'ハ') % 3 == 0) {
                last += 2;
                continue;
            }
            if (c == 0xFF9E && (last == U'ウ' || last == U'ワ' || last == U'ヲ')) {
                last = last == U'ウ' ? U'ヴ' : last == U'ワ' ? U'ヷ' : U'ヺ';
                continue;
            }
        }
        out += full;
    }
    return utf8::FromUtf32(out);
}

bool AppendCp932AsUtf8(std::string& out, std::string_view bytes, bool fullWidth) {
    bool valid = true;
    char32_t pending = 0; // the last kana, held back for a voiced mark
    const auto flush = [&] {
        if (pending != 0)
            utf8::Append(out, pending);
        pending = 0;
    };
    for (std::size_t pos = 0; pos < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[pos]);
        if (byte < 0x80) {
            flush();
            out += static_cast<char>(byte);
            ++pos;
            continue;
        }
        const cp932::Char c = cp932::CharAt(bytes, pos);
        pos += c.bytes.size();
        valid = valid && c.valid;
        const char32_t code = c.valid ? c.code : U'\uFFFD';
        if (!fullWidth || code < 0xFF61 || code > 0xFF9F) {
            flush();
            utf8::Append(out, code);
            continue;
        }
        if (code == 0xFF9E && pending != 0 && TakesVoicedMark(pending)) {
            utf8::Append(out, pending + 1);
            pending = 0;
        } else if (code == 0xFF9F && pending >= U'ハ' && pending <= U'ホ' &&
                   (pending - U'ハ') % 3 == 0) {
            utf8::Append(out, pending + 2);
            pending = 0;
        } else if (code == 0xFF9E && (pending == U'ウ' || pending == U'ワ' || pending == U'ヲ')) {
            utf8::Append(out, pending == U'ウ' ? U'ヴ' : pending == U'ワ' ? U'ヷ' : U'ヺ');
            pending = 0;
        } else {
            flush();
            pending = kFull[code - 0xFF61];
        }
    }
    flush();
    return valid;
}

} // namespace ruvo::exchange
