#include "core/book/table/SortKey.h"

#include "core/text/collation/Collation.h"

#include <memory>
#include <string>

namespace ruvo::table {

namespace {

// A collation key built in place: on the stack for a text of a field's
// width, on the heap for a longer one.
class KeyBuffer {
public:
    explicit KeyBuffer(std::string_view text) {
        std::uint8_t* out = stack_;
        if (CollationKeyRoom(text.size()) > sizeof stack_) {
            heap_ = std::make_unique_for_overwrite<std::uint8_t[]>(CollationKeyRoom(text.size()));
            out = heap_.get();
        }
        bytes_ = {reinterpret_cast<const char*>(out), WriteCollationKey(text, out)};
    }
    KeyBuffer(const KeyBuffer&) = delete; // bytes_ views the object's own storage
    KeyBuffer& operator=(const KeyBuffer&) = delete;
    std::string_view Bytes(std::size_t cap) const { return bytes_.substr(0, cap); }

private:
    std::uint8_t stack_[CollationKeyRoom(32)];
    std::unique_ptr<std::uint8_t[]> heap_;
    std::string_view bytes_;
};

} // namespace

// Layout: the Kana part with every 0x00 written as 00 FF and ended by 00 00,
// then the Group part. A part is empty for an unset field and 0x01 followed
// by the collation key for a text. The escape keeps a Kana key that is a
// prefix of another one sorting first, whatever Group follows.
const std::uint8_t* MakeSortKey(RecordArena& arena, std::optional<std::string_view> kana,
                                std::optional<std::string_view> group) {
    const std::optional<KeyBuffer> kanaBuffer =
        kana ? std::optional<KeyBuffer>(std::in_place, *kana) : std::nullopt;
    const std::optional<KeyBuffer> groupBuffer =
        group ? std::optional<KeyBuffer>(std::in_place, *group) : std::nullopt;
    // Caps far above the key of any 30-byte text; they keep the 16-bit
    // length honest whatever the collation returns.
    const std::string_view kanaKey = kana ? kanaBuffer->Bytes(0x3FF0) : std::string_view();
    const std::string_view groupKey = group ? groupBuffer->Bytes(0x7FF0) : std::string_view();
    const auto zeros = static_cast<std::size_t>(std::count(kanaKey.begin(), kanaKey.end(), '\0'));
    const auto size = static_cast<std::uint16_t>((kana ? 1 + kanaKey.size() + zeros : 0) + 2 +
                                                 (group ? 1 + groupKey.size() : 0));
    std::uint8_t* key = arena.Allocate(2 + size);
    std::memcpy(key, &size, 2);
    std::uint8_t* out = key + 2;
    auto append = [&out](std::string_view bytes) {
        if (!bytes.empty())
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
