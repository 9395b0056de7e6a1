#include "core/text/SingleLineText.h"

namespace ruvo {

namespace {

bool BreaksLine(char32_t c) {
    return c == U'\t' || c == U'\r' || c == U'\n' || c == U'\u2028' || c == U'\u2029';
}

bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

} // namespace

std::u32string SingleLineText(std::u32string_view text) {
    std::u32string result;
    result.reserve(text.size());
    bool inBreak = false;
    for (const char32_t c : text) {
        if (BreaksLine(c)) {
            if (!inBreak)
                result += U' ';
            inBreak = true;
            continue;
        }
        // A control character inside a run of breaks does not end the run.
        if (IsControl(c))
            continue;
        inBreak = false;
        result += c;
    }
    return result;
}

} // namespace ruvo
