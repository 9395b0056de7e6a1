#include "core/find/EntryFinder.h"

#include "core/book/table/PhoneBookTable.h"
#include "core/text/Cp932.h"
#include "core/text/HalfWidthKana.h"

#include <array>
#include <cstring>
#include <vector>

namespace ruvo {

namespace {

// The folded bytes of one code page 932 character: one or two bytes.
struct Folded {
    std::uint8_t length = 0;
    std::array<char, 3> bytes{};
};

// Text folded for comparing: kana and full-width forms made half-width,
// letters lower case.
std::string FoldUtf8(std::string_view utf8) {
    std::string folded = ToHalfWidthKana(utf8);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

// Every character of the code page folded, worked out once: a field is
// then folded by table lookups, without leaving code page 932.
class FoldTable {
public:
    FoldTable() : pairs_(65536) {
        for (int value = 0; value < 256; ++value) {
            const std::string byte(1, static_cast<char>(value));
            singles_[value] = FoldOf(byte);
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!cp932::IsLeadByte(static_cast<unsigned char>(lead)))
                continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
                pairs_[lead << 8 | trail] = FoldOf(pair);
            }
        }
    }

    // Writes the folded text to out, which holds three bytes per byte of
    // text; returns its length. Bytes that are no character stay as they are.
    std::size_t Fold(std::string_view text, char* out) const {
        char* const start = out;
        const auto* p = reinterpret_cast<const unsigned char*>(text.data());
        const auto* const end = p + text.size();
        while (p < end) {
            const Folded* folded = &singles_[*p];
            std::size_t length = 1;
            if (cp932::IsLeadByte(*p) && p + 1 < end) {
                folded = &pairs_[*p << 8 | p[1]];
                length = 2;
            }
            if (folded->length == 0) {
                std::memcpy(out, p, length);
                out += length;
            } else {
                std::memcpy(out, folded->bytes.data(), 3);
                out += folded->length;
            }
            p += length;
        }
        return static_cast<std::size_t>(out - start);
    }

private:
    static Folded FoldOf(std::string_view bytes) {
        const cp932::Char c = cp932::CharAt(bytes, 0);
        if (!c.valid || c.bytes.size() != bytes.size())
            return {};
        const auto folded = cp932::FromUtf8(FoldUtf8(cp932::ToUtf8(c.bytes)));
        if (!folded || folded->empty() || folded->size() > 3)
            return {};
        Folded result;
        result.length = static_cast<std::uint8_t>(folded->size());
        std::copy(folded->begin(), folded->end(), result.bytes.begin());
        return result;
    }

    std::array<Folded, 256> singles_{};
    std::vector<Folded> pairs_;
};

const FoldTable& Folds() {
    static const FoldTable table;
    return table;
}

// The length of the separator of telephone numbers at pos, 0 for none.
std::size_t NumberSeparatorAt(std::string_view text, std::size_t pos) {
    for (const std::string_view separator : {"-", " ", "(", ")", "+", ".", "ｰ", "‐", "−"})
        if (text.substr(pos, separator.size()) == separator)
            return separator.size();
    return 0;
}

} // namespace

FindPattern::FindPattern(std::string_view utf8Query) {
    const std::string folded = FoldUtf8(utf8Query);
    if (auto bytes = cp932::FromUtf8(folded)) {
        folded_ = *std::move(bytes);
        foldable_ = true;
    }
    std::string digits;
    bool number = !folded.empty();
    for (std::size_t i = 0; i < folded.size() && number;) {
        if (folded[i] >= '0' && folded[i] <= '9') {
            digits += folded[i++];
        } else if (const std::size_t length = NumberSeparatorAt(folded, i)) {
            i += length;
        } else {
            number = false;
        }
    }
    if (number)
        digits_ = digits;
}

bool FindPattern::FieldHolds(std::string_view field) const {
    if (!foldable_ || folded_.empty() || field.empty())
        return false;
    // Fields hold at most a few dozen bytes; longer ones fold on the heap.
    char local[3 * 64];
    std::string heap;
    char* buffer = local;
    if (field.size() > 64) {
        heap.resize(3 * field.size());
        buffer = heap.data();
    }
    const std::string_view text(buffer, Folds().Fold(field, buffer));
    for (std::size_t hit = text.find(folded_); hit != std::string_view::npos;
         hit = text.find(folded_, hit + 1))
        if (!cp932::IsSecondByte(text, hit))
            return true;
    return false;
}

bool FindPattern::Matches(std::string_view name, std::string_view kana,
                          std::string_view tel) const {
    if (!digits_.empty() && tel.find(digits_) != std::string_view::npos)
        return true;
    return FieldHolds(name) || FieldHolds(kana);
}

std::optional<FoundRow> FindRow(const PhoneBookTable& table, const FindPattern& pattern,
                                std::size_t current, bool forward, bool advance) {
    const std::size_t rows = table.RowCount();
    if (rows == 0 || pattern.Empty())
        return std::nullopt;
    current = std::min(current, rows - 1);
    for (std::size_t step = 0; step < rows; ++step) {
        // How far the row is from current, 1 to rows when advancing: the
        // count tells whether the end (or the start) has been passed.
        const std::size_t offset = step + (advance ? 1 : 0);
        const std::size_t row =
            forward ? (current + offset) % rows : (current + rows - offset) % rows;
        if (pattern.Matches(table.Cell(row, Field::Name).text, table.Cell(row, Field::Kana).text,
                            pattern.SeeksNumber() ? table.Cell(row, Field::Tel).text
                                                  : std::string_view()))
            return FoundRow{row, forward ? current + offset >= rows : offset > current};
    }
    return std::nullopt;
}

} // namespace ruvo
