#pragma once

#include "core/book/table/RecordArena.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

namespace ruvo::table {

// The sort key of an entry for the index iKey: one byte string whose unsigned
// byte order is the order of (Kana, Group). An unset field sorts before every
// text, "" included; texts compare by their collation keys. Stored in the
// arena as a 16-bit length, then the bytes.
const std::uint8_t* MakeSortKey(RecordArena& arena, std::optional<std::string_view> kana,
                                std::optional<std::string_view> group);

// The bytes of a key made by MakeSortKey.
inline std::string_view KeyBytes(const std::uint8_t* key) {
    std::uint16_t size;
    std::memcpy(&size, key, 2);
    return {reinterpret_cast<const char*>(key + 2), size};
}

// Negative, zero or positive as entry key a sorts before, with or after b.
inline int CompareKeys(const std::uint8_t* a, const std::uint8_t* b) {
    const std::string_view ka = KeyBytes(a), kb = KeyBytes(b);
    const std::size_t common = std::min(ka.size(), kb.size());
    const int c = common ? std::memcmp(ka.data(), kb.data(), common) : 0;
    if (c != 0)
        return c;
    return ka.size() < kb.size() ? -1 : (ka.size() > kb.size() ? 1 : 0);
}

// The index's total order: by key, and entries with equal keys by their
// sequence numbers (order of addition).
inline bool KeyLess(const std::uint8_t* a, std::uint32_t seqA, const std::uint8_t* b,
                    std::uint32_t seqB) {
    const int c = CompareKeys(a, b);
    return c != 0 ? c < 0 : seqA < seqB;
}

} // namespace ruvo::table
