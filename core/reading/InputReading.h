#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo::reading {

// The reading of a name as the user typed it, built from what the input
// method showed and committed: "yamada" shows 「やまだ」 as its preedit, a
// conversion turns it into 「山田」, Enter commits 山田, whose reading is the
// last all-kana preedit, ﾔﾏﾀﾞ. Text committed without conversion (kana,
// Latin letters, digits, a space) is its own reading. The history only
// explains text added at the end of the box: an edit anywhere else, or a
// commit it cannot tell the kana of, leaves it with no reading rather than a
// wrong one, until the box is emptied.
class InputReading {
public:
    // The input method's preedit now (UTF-8); empty when it is gone.
    void Preedit(std::string_view text);
    // Text that went in at the end of the box: committed by the input method
    // or typed without one. preeditRemains: the input method kept part of
    // its text unconverted, so the kana seen belong to more than this commit.
    void Commit(std::string_view text, bool preeditRemains = false);
    // The box now holds boxText after an edit that was not a commit at its
    // end (a deletion, a paste, a change in the middle).
    void TextChanged(std::string_view boxText);
    // Forgets everything, as for an emptied box.
    void Clear();

    // The reading of boxText in half-width katakana (a space as a
    // half-width space), or nothing when the history does not explain it.
    std::optional<std::string> Reading(std::string_view boxText) const;

private:
    struct Segment {
        std::string text;    // as committed, UTF-8
        std::string reading; // half-width katakana
    };
    std::string Text() const;

    std::vector<Segment> segments_;
    std::string lastKana_; // the last all-kana preedit since the last commit
    std::string partial_;  // what is left of a word being deleted from the end
    bool lost_ = false;    // something went in that the history cannot read
};

} // namespace ruvo::reading
