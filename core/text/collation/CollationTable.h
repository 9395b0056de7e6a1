#pragma once

#include <cstddef>
#include <cstdint>

namespace ruvo::collation {

// How the comparison treats a character; see the weight table's header.
// The three most frequent classes come first: the key builder takes them
// on a branch-free path.
enum class CharClass : std::uint8_t {
    Base,
    Kana,
    VoiceMark,
    Pua,
    Prolong,
    Iteration,
    WordSort,
    Expansion,
};

// Flag bits of CollationRow::kana.
inline constexpr std::uint8_t kKanaSmall = 1;
inline constexpr std::uint8_t kKanaHiragana = 2;
inline constexpr std::uint8_t kKanaFull = 4;

// One row of weights-cp932.tsv, transcribed by GenerateCollationTable.cmake.
struct CollationRow {
    std::uint16_t code;    // one- or two-byte CP932 code; 0 for a row that only serves expansions
    std::uint16_t unicode; // the UTF-16 unit the code decodes to
    CharClass cls;
    std::uint8_t script;
    std::uint8_t primary;
    std::uint8_t diacritic;
    std::uint8_t caseWeight;
    std::uint8_t kana;          // kKana* bits, for kana, prolong and iteration rows
    std::uint16_t expansion[2]; // UTF-16 units an expansion row sorts as
};

extern const CollationRow kCollationRows[];
extern const std::size_t kCollationRowCount;

} // namespace ruvo::collation
