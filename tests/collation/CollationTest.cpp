#include "core/text/collation/Collation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using ruvo::CollationKey;
using ruvo::CompareCollated;

namespace {

std::string readFile(const std::string& name) {
    const std::string path = std::string(RUVO_TEST_DATA) + "/collation/" + name;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot open " << path;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::string> splitLines(const std::string& content) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            end = content.size();
        }
        lines.push_back(content.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

std::string hex(std::string_view bytes) {
    std::string out;
    char buf[4];
    for (unsigned char b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        out += buf;
    }
    if (!out.empty()) {
        out.pop_back();
    }
    return out;
}

int sign(int v) {
    return (v > 0) - (v < 0);
}

const char* relation(int s) {
    return s < 0 ? "less" : s > 0 ? "greater" : "equal";
}

// A line of a sorted reference list: every string compared equal to the
// lines of its rank and less than every line of a higher rank.
struct RankedLine {
    int rank;
    std::string text;
};

struct SortedFile {
    const char* name;
    std::size_t lines;
    int distinctRanks;
};

void PrintTo(const SortedFile& f, std::ostream* os) {
    *os << f.name;
}

std::vector<RankedLine> readSorted(const char* name) {
    std::vector<RankedLine> lines;
    for (const std::string& line : splitLines(readFile(name))) {
        // Split at the first TAB only: a string may itself be a lone TAB.
        const std::size_t tab = line.find('\t');
        EXPECT_NE(tab, std::string::npos) << line;
        lines.push_back({std::stoi(line.substr(0, tab)), line.substr(tab + 1)});
    }
    return lines;
}

class SortedReference : public testing::TestWithParam<SortedFile> {};

TEST_P(SortedReference, AdjacentLinesCompareAsTheirRanks) {
    const std::vector<RankedLine> lines = readSorted(GetParam().name);
    ASSERT_EQ(lines.size(), GetParam().lines);
    ASSERT_EQ(lines.back().rank + 1, GetParam().distinctRanks);

    int failures = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const RankedLine& prev = lines[i - 1];
        const RankedLine& cur = lines[i];
        ASSERT_TRUE(cur.rank == prev.rank || cur.rank == prev.rank + 1) << "line " << i + 1;
        const int expected = cur.rank == prev.rank ? 0 : -1;
        const int forward = sign(CompareCollated(prev.text, cur.text));
        const int backward = sign(CompareCollated(cur.text, prev.text));
        if (forward != expected || backward != -expected) {
            ADD_FAILURE() << GetParam().name << " line " << i + 1 << ": [" << hex(prev.text)
                          << "] vs [" << hex(cur.text) << "] should be " << relation(expected)
                          << ", is " << relation(forward) << " (reversed: " << relation(backward)
                          << ")";
            if (++failures == 20) {
                return;
            }
        }
    }
}

TEST_P(SortedReference, SortingReproducesTheRanks) {
    std::vector<RankedLine> lines = readSorted(GetParam().name);
    ASSERT_EQ(lines.size(), GetParam().lines);
    std::vector<int> expectedRanks;
    for (const RankedLine& line : lines) {
        expectedRanks.push_back(line.rank);
    }

    std::shuffle(lines.begin(), lines.end(), std::mt19937(20240611));
    std::vector<std::string> keys;
    for (const RankedLine& line : lines) {
        keys.push_back(CollationKey(line.text));
    }
    std::vector<std::size_t> order(lines.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });

    std::vector<int> ranks;
    for (std::size_t i : order) {
        ranks.push_back(lines[i].rank);
    }
    EXPECT_EQ(ranks, expectedRanks);
}

INSTANTIATE_TEST_SUITE_P(Windows, SortedReference,
                         testing::Values(SortedFile{"handpicked.sorted.txt", 520, 513},
                                         SortedFile{"random.sorted.txt", 3000, 2630},
                                         SortedFile{"chars.sorted.txt", 9798, 9391}),
                         [](const testing::TestParamInfo<SortedFile>& test) {
                             const std::string name = test.param.name;
                             return name.substr(0, name.find('.'));
                         });

// Every pair compares as Windows did, in both directions.
TEST(CollationPairs, MatchWindowsResults) {
    const std::vector<std::string> lines = splitLines(readFile("pairs.txt"));
    ASSERT_EQ(lines.size(), 5200u);

    std::map<std::string, int> failuresByStep;
    int failures = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::vector<std::string> f = splitTabs(lines[i]);
        ASSERT_EQ(f.size(), 4u) << "line " << i + 1;
        const int expected = std::stoi(f[2]) - 2; // 1 less, 2 equal, 3 greater
        const int forward = sign(CompareCollated(f[0], f[1]));
        const int backward = sign(CompareCollated(f[1], f[0]));
        if (forward != expected || backward != -expected) {
            ++failuresByStep[f[3]];
            if (++failures <= 20) {
                ADD_FAILURE() << "pairs.txt line " << i + 1 << " (" << f[3] << "): [" << hex(f[0])
                              << "] vs [" << hex(f[1]) << "] should be " << relation(expected)
                              << ", is " << relation(forward);
            }
        }
    }
    for (const auto& [step, count] : failuresByStep) {
        ADD_FAILURE() << count << " pairs decided at step " << step << " differ";
    }
}

// The key is byte for byte the Windows sort key.
struct KeyCase {
    const char* text;
    const char* key;
};

void PrintTo(const KeyCase& c, std::ostream* os) {
    *os << "[" << hex(c.text) << "]";
}

class CollationKeyBytes : public testing::TestWithParam<KeyCase> {};

TEST_P(CollationKeyBytes, MatchWindowsSortKey) {
    EXPECT_EQ(hex(CollationKey(GetParam().text)), GetParam().key) << hex(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, CollationKeyBytes,
    testing::Values(KeyCase{"", "01 01 01 01 00"},
                    // half-width, full-width katakana, hiragana
                    KeyCase{"\xB6", "22 0A 01 01 01 FF 02 C4 FF C4 FF 01 00"},
                    KeyCase{"\x83\x4A", "22 0A 01 01 01 FF 02 C4 FF FF 01 00"},
                    KeyCase{"\x82\xA9", "22 0A 01 01 01 FF 02 FF FF 01 00"},
                    // precomposed voiced kana against a separate voiced mark
                    KeyCase{"\x83\x4B", "22 0A 01 03 01 01 FF 02 C4 FF FF 01 00"},
                    KeyCase{"\xB6\xDE", "22 0A 01 05 01 01 FF 02 C4 FF C4 FF 01 00"},
                    // a voiced mark with nothing before it
                    KeyCase{"\xDE", "01 03 01 01 01 00"},
                    // long vowel mark after kana, at the start, after a word-sort character
                    KeyCase{"\xB6\xB1", "22 0A 22 02 01 01 01 FF 02 C4 C4 FF C4 C4 FF 01 00"},
                    KeyCase{"\xB6\xB0", "22 0A 22 02 01 01 01 FF 03 05 02 C4 C4 FF C4 C4 FF 01 00"},
                    KeyCase{"\xB0\xB1", "FF FF 22 02 01 01 01 FF 02 C4 FF C4 FF 01 00"},
                    KeyCase{"-\xB0", "06 82 01 01 01 01 FF FF 82 12 00"},
                    // word sort: position and weight of the hyphen
                    KeyCase{"coop", "0E 0A 0E 7C 0E 7C 0E 7E 01 01 01 01 00"},
                    KeyCase{"co-op", "0E 0A 0E 7C 0E 7C 0E 7E 01 01 01 01 FF FD 82 12 00"},
                    KeyCase{"coop-", "0E 0A 0E 7C 0E 7C 0E 7E 01 01 01 01 FF FB 82 12 00"},
                    KeyCase{"\x81\x7C", "01 01 01 01 FF FF 82 13 00"}));

// Decoding, equal variants and the order of the comparison's steps.
struct OrderCase {
    const char* name;
    std::string a;
    std::string b;
    int expected; // sign of compare(a, b)
};

void PrintTo(const OrderCase& c, std::ostream* os) {
    *os << c.name;
}

class CollationOrder : public testing::TestWithParam<OrderCase> {};

TEST_P(CollationOrder, ComparesAsWindows) {
    const OrderCase& c = GetParam();
    EXPECT_EQ(sign(CompareCollated(c.a, c.b)), c.expected) << hex(c.a) << " vs " << hex(c.b);
    EXPECT_EQ(sign(CompareCollated(c.b, c.a)), -c.expected) << hex(c.b) << " vs " << hex(c.a);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Cases, CollationOrder,
    testing::Values(
        // Undecodable double-byte codes all weigh as the middle dot (8145),
        // and a lead byte always takes the next byte with it.
        OrderCase{"LoneLeadByte", "\x81", "\x81\x45", 0},
        OrderCase{"LeadByteBeforeNul", "\x81\0A"s, "\x81\x45", 0},
        OrderCase{"InvalidTrailConsumed", "\x81\x20", "\x81\x45", 0},
        OrderCase{"InvalidTrailNotSpace", "\x81\x20", "\x81\x45 ", -1},
        OrderCase{"UnassignedCode", "\x85\x40", "\x81\x45", 0},
        OrderCase{"UnassignedLeadRange", "\xEB\x40", "\x81\x45", 0},
        OrderCase{"LeadSwallowsKana", "\x81\xB6", "\x81\x45", 0},
        // The text ends at its first NUL.
        OrderCase{"EmbeddedNul", "ab\0zz"s, "ab", 0}, OrderCase{"EmptyFirst", "", "\x01", -1},
        OrderCase{"EmptyBeforeWordSortOnly", "", "-", -1},
        OrderCase{"WordSortOnlyBeforeAnyPrimary", "--", " ", -1},
        // NEC and IBM duplicates of one character
        OrderCase{"NecDuplicate", "\x81\xE0", "\x87\x90", 0},
        // Marks repeat a non-kana anchor with case 02.
        OrderCase{"ProlongRepeatsLatin", "A\xB0", "Aa", 0},
        OrderCase{"ProlongRepeatsDigit", "1\xB0", "11", 0},
        OrderCase{"IterationRepeatsKanji", "\x8D\xB2\x81\x58\x96\xD8", "\x8D\xB2\x8D\xB2\x96\xD8",
                  0},
        OrderCase{"LoneMarksEqual", "\xB0", "\x81\x58", 0},
        OrderCase{"MarkAfterExpansion", "\x87\x6F\xB0", "\x87\x6F\xFF", 1},
        OrderCase{"IterationAfterVoicedKana", "\x82\xA2\x82\xB7\x82\xB8",
                  "\x82\xA2\x82\xB7\x81\x55", -1},
        // Diacritic decides before case and kana: ﾀﾞ (05) after ダ (03).
        OrderCase{"DiacriticBeforeCase", "\x83\x84\x83\x7D\x83\x5F\x81\x40\x83\x5E\x83\x8D\x83\x45",
                  "\xD4\xCF\xC0\xDE \xC0\xDB\xB3", -1},
        OrderCase{"VoicedMarksBeforeKanaType", "\x83\x70\x83\x70", "\xCA\xDE\xCA", -1},
        // Voiced marks add up modulo 256: 85 of them bring 05 round to 01,
        // which weighs like no diacritic at the end.
        OrderCase{"VoicedMarksWrapAround", "\xB6\xDE\xB6" + std::string(85, '\xDE'), "\xB6\xDE\xB6",
                  0},
        // Kana steps: size, mark, type, width.
        OrderCase{"HalfBeforeFull", "\xB6", "\x83\x4A", -1},
        OrderCase{"KatakanaBeforeHiragana", "\x83\x4A", "\x82\xA9", -1},
        OrderCase{"SmallBeforeNormal", "\xAF", "\xC2", -1},
        // Word sort: further right sorts first.
        OrderCase{"HyphenFurtherRightFirst", "coop-", "co-op", -1},
        OrderCase{"ApostropheBeforeHyphen", "co'op", "co-op", -1}),
    [](const testing::TestParamInfo<OrderCase>& test) { return std::string(test.param.name); });

// Long texts leave the stack buffer; their keys must still be exact.
TEST(CollationLongText, KeysOfRepeatedCharacters) {
    for (std::size_t n : {1u, 95u, 96u, 97u, 1000u}) {
        // word-sort characters: 4 bytes each, nothing else
        std::string hyphens(n, '-');
        EXPECT_EQ(CollationKey(hyphens).size(), 4 * n + 5) << n;
        // private-use bytes: 3 primary bytes each
        std::string pua(n, '\xFD');
        EXPECT_EQ(CollationKey(pua).size(), 3 * n + 5) << n;
        // expansions: two ordinary characters each
        std::string mm;
        for (std::size_t i = 0; i < n; ++i) {
            mm += "\x87\x6F";
        }
        EXPECT_EQ(CollationKey(mm), CollationKey(std::string(2 * n, 'm'))) << n;
        // a prefix sorts first
        std::string kana(n, '\xB1');
        EXPECT_LT(CompareCollated(kana, kana + "\xB1"), 0) << n;
    }
}

TEST(CollationEmptyText, ViewWithoutDataIsEmpty) {
    EXPECT_EQ(CollationKey(std::string_view()), CollationKey(""));
    EXPECT_EQ(CompareCollated(std::string_view(), ""), 0);
}

// Arbitrary bytes are accepted; the order stays consistent.
TEST(CollationArbitraryBytes, KeysAreConsistent) {
    std::mt19937 rng(7);
    std::vector<std::string> texts;
    for (int i = 0; i < 2000; ++i) {
        std::string s(rng() % 300, '\0');
        for (char& ch : s) {
            ch = static_cast<char>(rng() % 255 + 1);
        }
        texts.push_back(s);
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string key = CollationKey(texts[i]);
        ASSERT_FALSE(key.empty());
        EXPECT_EQ(key.back(), '\0');
        EXPECT_EQ(CollationKey(texts[i] + '\0' + texts[(i + 1) % texts.size()]), key);
        const std::string& other = texts[(i + 7) % texts.size()];
        EXPECT_EQ(sign(CompareCollated(texts[i], other)), -sign(CompareCollated(other, texts[i])));
    }
}

} // namespace
