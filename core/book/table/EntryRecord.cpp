#include "core/book/table/EntryRecord.h"

#include <algorithm>
#include <cstring>

namespace ruvo::table {

const std::uint8_t* EntryRecord::Pack(RecordArena& arena, std::uint8_t setFlags,
                                      const std::array<std::string, kRecordFields>& texts) {
    std::array<std::string_view, kRecordFields> views;
    std::copy(texts.begin(), texts.end(), views.begin());
    return PackViews(arena, setFlags, views);
}

const std::uint8_t*
EntryRecord::PackViews(RecordArena& arena, std::uint8_t setFlags,
                       const std::array<std::string_view, kRecordFields>& texts) {
    std::size_t size = kHeader;
    for (const std::string_view text : texts)
        size += text.size();
    std::uint8_t* bytes = arena.Allocate(size);
    bytes[0] = setFlags;
    std::uint8_t* out = bytes + kHeader;
    for (std::size_t f = 0; f < kRecordFields; ++f) {
        bytes[1 + f] = static_cast<std::uint8_t>(texts[f].size());
        if (!texts[f].empty())
            std::memcpy(out, texts[f].data(), texts[f].size());
        out += texts[f].size();
    }
    return bytes;
}

} // namespace ruvo::table
