#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ruvo {

class PhoneBookTable;

// What the user typed into the find box, ready to be looked for in the
// entries. Kana forms count as one (hiragana, full-width and half-width
// katakana, voiced marks included: やまだ, ヤマダ and ﾔﾏﾀﾞ are the same), as
// do full-width and half-width letters and digits, and letters ignore
// case. A query made of digits and separators (- ( ) + . and spaces) also
// finds a number holding those digits: 03-1234 finds 031234....
class FindPattern {
public:
    explicit FindPattern(std::string_view utf8Query);

    // True for a query with nothing to look for. A query with a character no
    // field can hold is not empty: it finds nothing.
    bool Empty() const { return foldable_ && folded_.empty(); }
    // True when the query is a number, so that numbers are looked at too.
    bool SeeksNumber() const { return !digits_.empty(); }

    // True when the name or the reading holds the query, or the number its
    // digits. The fields are code page 932 bytes as the table holds them.
    bool Matches(std::string_view name, std::string_view kana, std::string_view tel) const;

private:
    bool FieldHolds(std::string_view field) const;

    std::string folded_;    // the query folded, in code page 932
    bool foldable_ = false; // false when the query has a character no field can hold
    std::string digits_;    // the query's digits, when it is a number
};

// Where a search ended: the matching row, and whether the search passed the
// end of the list (forward) or its start (backward) on its way there. The
// advancing step counts: the next from the last row is the first row, found
// with a wrap. Finding the start row itself without advancing is no wrap.
struct FoundRow {
    std::size_t row = 0;
    bool wrapped = false;
};

// The first row of the table's selected order whose entry matches, looking
// from `current` on (backwards when not forward), or from the row after it
// (before it) when advance, as the find box's next and previous do; the
// search goes round once, so with advance `current` itself comes last.
// Nothing when no entry matches.
std::optional<FoundRow> FindRow(const PhoneBookTable& table, const FindPattern& pattern,
                                std::size_t current, bool forward, bool advance = false);

} // namespace ruvo
