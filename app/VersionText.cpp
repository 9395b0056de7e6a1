#include "app/VersionText.h"

#include <cstdint>
#include <cstdio>

namespace ruvo {

namespace {

// The value under a query path and its reported length; 0 when absent.
std::size_t QueryValue(const VersionRecord& record, const std::string& path,
                       const std::string** value) {
    const auto found = record.values.find(path);
    if (found == record.values.end())
        return 0;
    *value = &found->second;
    return found->second.size();
}

} // namespace

std::string VersionText(const VersionRecord* record) {
    std::string result;
    if (!record)
        return result;

    const std::string* translation = nullptr;
    if (QueryValue(*record, "\\VarFileInfo\\Translation", &translation) == 0)
        return result;
    // Low word the language, high word the code page, little-endian; the key
    // is the language's four hex digits, then the code page's.
    std::uint32_t entry = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const auto byte =
            i < translation->size() ? static_cast<unsigned char>((*translation)[i]) : 0u;
        entry |= static_cast<std::uint32_t>(byte) << (8 * i);
    }
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(entry));
    const std::string key = std::string(hex + 4, 4) + std::string(hex, 4);

    const std::string* fileVersion = nullptr;
    if (QueryValue(*record, "\\StringFileInfo\\" + key + "\\FileVersion", &fileVersion) == 0)
        return result;
    // A zero-terminated string: it ends at its first zero byte.
    const std::string text = fileVersion->substr(0, fileVersion->find('\0'));
    const auto byteAt = [&text](std::size_t position) {
        return position <= text.size() ? text.substr(position - 1, 1) : std::string();
    };
    result = byteAt(1) + "." + byteAt(3) + byteAt(5) + byteAt(7);
    return result;
}

std::string VersionText() {
    return VersionText(&OwnVersionRecord());
}

} // namespace ruvo
