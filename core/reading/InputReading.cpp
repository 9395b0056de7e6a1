#include "core/reading/InputReading.h"

#include "core/text/HalfWidthKana.h"
#include "core/text/Utf8.h"

namespace ruvo::reading {
namespace {

bool IsKana(char32_t c) {
    return (c >= U'\u3041' && c <= U'\u3096') ||                 // hiragana
           (c >= U'\u30A1' && c <= U'\u30FA') ||                 // katakana
           c == U'\u30FC' || c == U'\u309B' || c == U'\u309C' || // ー ゛ ゜
           (c >= U'\uFF66' && c <= U'\uFF9F');                   // half-width katakana
}

// Characters that stand for themselves in a reading: kana, ASCII letters
// and digits, spaces and their full-width forms.
bool IsOwnReading(char32_t c) {
    return IsKana(c) || (c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'Z') ||
           (c >= U'a' && c <= U'z') || c == U' ' || c == U'\u3000' ||
           (c >= U'\uFF10' && c <= U'\uFF19') || (c >= U'\uFF21' && c <= U'\uFF3A') ||
           (c >= U'\uFF41' && c <= U'\uFF5A');
}

template <class Test> bool All(std::string_view text, Test test) {
    if (!utf8::IsValid(text))
        return false;
    for (const char32_t c : utf8::ToUtf32(text))
        if (!test(c))
            return false;
    return true;
}

} // namespace

void InputReading::Preedit(std::string_view text) {
    // While romaji is being typed the preedit is part kana, part letters
    // ("やまｄ"); once converted it is kanji. The kana that count are the
    // last that stood alone.
    if (!text.empty() && All(text, IsKana))
        lastKana_.assign(text);
}

void InputReading::Commit(std::string_view text, bool preeditRemains) {
    if (text.empty())
        return;
    if (!partial_.empty())
        // Typed after part of a word was deleted: which kana are left of
        // it is not known.
        lost_ = true;
    else if (All(text, IsOwnReading))
        segments_.push_back({std::string(text), ToHalfWidthKana(text)});
    else if (!lastKana_.empty() && !preeditRemains)
        segments_.push_back({std::string(text), ToHalfWidthKana(lastKana_)});
    else
        lost_ = true;
    lastKana_.clear();
}

void InputReading::TextChanged(std::string_view boxText) {
    if (boxText.empty()) {
        Clear();
        return;
    }
    if (lost_)
        return;
    // A deletion at the end keeps the commits before it: the user takes
    // back the last word typed, one character at a time if need be (the
    // word's rest waits in partial_ until it is gone too).
    std::size_t length = 0;
    std::size_t kept = 0;
    while (kept < segments_.size() && length + segments_[kept].text.size() <= boxText.size() &&
           boxText.substr(length, segments_[kept].text.size()) == segments_[kept].text) {
        length += segments_[kept].text.size();
        ++kept;
    }
    const std::string_view rest = boxText.substr(length);
    if (kept < segments_.size() && segments_[kept].text.starts_with(rest)) {
        segments_.resize(kept);
        partial_.assign(rest);
    } else if (rest.empty()) {
        segments_.resize(kept);
        partial_.clear();
    } else {
        lost_ = true;
    }
}

void InputReading::Clear() {
    segments_.clear();
    lastKana_.clear();
    partial_.clear();
    lost_ = false;
}

std::string InputReading::Text() const {
    std::string text;
    for (const Segment& segment : segments_)
        text += segment.text;
    return text;
}

std::optional<std::string> InputReading::Reading(std::string_view boxText) const {
    if (lost_ || !partial_.empty() || segments_.empty() || Text() != boxText)
        return std::nullopt;
    std::string reading;
    for (const Segment& segment : segments_)
        reading += segment.reading;
    return reading;
}

} // namespace ruvo::reading
