#include "core/book/table/SortKey.h"

#include "core/text/collation/Collation.h"

#include <string>

namespace ruvo::table {

// Layout: the Kana part with every 0x00 written as 00 FF and ended by 00 00,
// then the Group part. A part is empty for an unset field and 0x01 followed
// by the collation key for a text. The escape keeps a Kana key that is a
// prefix of another one sorting first, whatever Group follows.
const std::uint8_t* MakeSortKey(RecordArena& arena, std::optional<std::string_view> kana,
                                std::optional<std::string_view> group) {
    std::string kanaKey = kana ? CollationKey(*kana) : std::string();
    std::string groupKey = group ? CollationKey(*group) : std::string();
    // Caps far above the key of any 30-byte text; they keep the 16-bit
    // length honest whatever the collation returns.
    kanaKey.resize(std::min<std::size_t>(kanaKey.size(), 0x3FF0));
    groupKey.resize(std::min<std::size_t>(groupKey.size(), 0x7FF0));
    const auto zeros = static_cast<std::size_t>(std::count(kanaKey.begin(), kanaKey.end(), '\0'));
    const auto size = static_cast<std::uint16_t>((kana ? 1 + kanaKey.size() + zeros : 0) + 2 +
                                                 (group ? 1 + groupKey.size() : 0));
    std::uint8_t* key = arena.Allocate(2 + size);
    std::memcpy(key, &size, 2);
    std::uint8_t* out = key + 2;
    auto append = [&out](std::string_view bytes) {
        std::memcpy(out, bytes.data(), bytes.size());
        out += bytes.size();
    };
    if (kana) {
        *out++ = 0x01;
        for (std::string_view rest = kanaKey;;) {
            const std::size_t zero = rest.find('\0');
            append(rest.substr(0, zero));
            if (zero == std::string_view::npos)
                break;
            *out++ = 0x00;
            *out++ = 0xFF;
            rest.remove_prefix(zero + 1);
        }
    }
    *out++ = 0x00;
    *out++ = 0x00;
    if (group) {
        *out++ = 0x01;
        append(groupKey);
    }
    return key;
}

} // namespace ruvo::table
