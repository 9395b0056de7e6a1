#pragma once

#include "core/book/table/RecordArena.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ruvo::table {

inline constexpr std::size_t kRecordFields = 4;

// A committed entry as packed in the arena: one byte of set flags, the four
// text lengths, then the four texts back to back.
class EntryRecord {
public:
    explicit EntryRecord(const std::uint8_t* bytes) : bytes_(bytes) {}

    // Packs the texts (each at most 255 bytes) and their set flags, bit f
    // for field f, into the arena.
    static const std::uint8_t* Pack(RecordArena& arena, std::uint8_t setFlags,
                                    const std::array<std::string, kRecordFields>& texts);
    static const std::uint8_t* PackViews(RecordArena& arena, std::uint8_t setFlags,
                                         const std::array<std::string_view, kRecordFields>& texts);

    bool IsSet(std::size_t field) const { return (bytes_[0] >> field) & 1; }
    // The field's text; "" when it is unset.
    std::string_view Text(std::size_t field) const {
        std::size_t offset = kHeader;
        for (std::size_t f = 0; f < field; ++f)
            offset += bytes_[1 + f];
        return {reinterpret_cast<const char*>(bytes_ + offset), bytes_[1 + field]};
    }
    // The field's text, or none when it is unset.
    std::optional<std::string_view> Value(std::size_t field) const {
        return IsSet(field) ? std::optional(Text(field)) : std::nullopt;
    }

private:
    static constexpr std::size_t kHeader = 1 + kRecordFields;
    const std::uint8_t* bytes_;
};

} // namespace ruvo::table
