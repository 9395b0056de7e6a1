#include "core/book/LineFormat.h"

#include "core/error/Errors.h"
#include "core/text/Cp932.h"
#include "core/text/TextHelpers.h"

#include <cstdint>
#include <cstring>

namespace ruvo {

namespace {

constexpr std::string_view kNumberEnd = ":0:0";

// True when one of the eight bytes at p is below 0x0E (NUL, TAB, LF and CR
// among them).
bool HoldsLowByte(const char* p) {
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kHighBits = 0x8080808080808080;
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return ((word - kOnes * 0x0E) & ~word & kHighBits) != 0;
}

} // namespace

std::size_t SplitEntryLine(std::string_view line, LineFields& fields) {
    // Cut as SplitText cuts at TAB, without copying the fields.
    line = line.substr(0, line.find('\0'));
    std::size_t count = 0;
    std::size_t pos = 0;
    while (count < fields.size()) {
        const std::size_t tab = FindByteAtBoundary(line, '\t', pos);
        if (tab == std::string_view::npos) {
            fields[count++] = line.substr(pos);
            break;
        }
        fields[count++] = line.substr(pos, tab - pos);
        pos = tab + 1;
    }
    return count;
}

std::string_view NumberPart(std::string_view field) {
    return field.substr(0, FindByteAtBoundary(field, ':'));
}

void AppendEntryLine(std::string& out, const LineFields& fields) {
    out += fields[0];
    out += '\t';
    out += fields[1];
    out += '\t';
    out += fields[2];
    out += '\t';
    if (!fields[3].empty()) {
        out += fields[3];
        out += kNumberEnd;
    }
    out += kLineEnd;
}

std::optional<std::string_view> StorablePart(std::string_view value) {
    // The file reader stores four values per line, nearly always without a
    // byte below 0x0E: check eight bytes at a time, the last eight
    // overlapping, and look closer only where such a byte is.
    const std::size_t size = value.size();
    std::size_t i = 0;
    if (size >= 8) {
        while (i + 8 <= size && !HoldsLowByte(value.data() + i))
            i += 8;
        if (i + 8 > size) {
            if (!HoldsLowByte(value.data() + size - 8))
                return value;
            i = size - 8;
        }
    }
    for (; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(value[i]);
        if (byte > '\r')
            continue;
        if (byte == 0)
            return value.substr(0, i);
        if (byte == '\t' && cp932::IsSecondByte(value, i))
            continue;
        if (byte == '\t' || byte == '\n' || byte == '\r')
            return std::nullopt;
    }
    return value;
}

bool EndsInLoneLeadByte(std::string_view value) {
    return !value.empty() && cp932::IsLeadByte(static_cast<unsigned char>(value.back())) &&
           !cp932::IsSecondByte(value, value.size() - 1);
}

bool NumberHoldsColon(std::string_view number) {
    return FindByteAtBoundary(number, ':') != std::string_view::npos;
}

std::string NormalizeGroup(std::string_view group) {
    try {
        return ZeroPadDigits(group, 2);
    } catch (const EConvertError&) {
        return std::string(group);
    }
}

} // namespace ruvo
