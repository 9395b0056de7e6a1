#pragma once

#include "core/text/KanaRow.h"

#include <bitset>
#include <optional>
#include <string_view>

namespace ruvo {

// The sections of a printed directory: entries whose reading starts with no
// kana that sort before every kana (empty, symbols, digits, Latin), the ten
// kana rows, and those that sort after them (kanji, ｰ, iteration marks).
enum class DirectorySection { BeforeKana, A, Ka, Sa, Ta, Na, Ha, Ma, Ya, Ra, Wa, AfterKana };

// The heading of a section: 英数・記号, あ ... わ, その他 (UTF-8).
std::string_view DirectorySectionHeading(DirectorySection section);

// Decides the headings of a directory, entry by entry in the saved order
// (reading, then group). An entry with a kana opens the section of its row;
// one with none opens BeforeKana while no kana entry came yet, AfterKana
// after one. A section's heading is shown once, before its first entry: an
// entry of a section already headed (out of the row order) goes on under
// the heading above it, so that no heading is ever printed twice.
class DirectoryHeadings {
public:
    // The heading to print before the next entry, whose reading is given
    // (code page 932 bytes); nothing when it goes on under the one above.
    std::optional<DirectorySection> Next(std::string_view reading);

private:
    std::optional<DirectorySection> current_;
    std::bitset<12> shown_;
    bool kanaSeen_ = false;
};

} // namespace ruvo
