#include "core/text/TextHelpers.h"

#include "core/error/Errors.h"
#include "core/file/FileSystem.h"
#include "core/messages/MessageText.h"
#include "core/text/Cp932.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace ruvo {

namespace {

// First occurrence of delimiter at or after pos that begins on a character
// boundary (counted from pos), or npos.
std::size_t FindAtBoundary(std::string_view text, std::string_view delimiter, std::size_t pos) {
    if (delimiter.empty()) {
        return std::string_view::npos;
    }
    if (delimiter.size() == 1) {
        return FindByteAtBoundary(text, delimiter[0], pos);
    }
    while (pos < text.size()) {
        if (text.compare(pos, delimiter.size(), delimiter) == 0) {
            return pos;
        }
        pos += cp932::CharLength(text, pos);
    }
    return std::string_view::npos;
}

// Takes the quoted item whose opening quote stands at pos; leaves pos just
// after the closing quote, or at the end when there is none.
std::string ExtractQuoted(std::string_view text, std::size_t& pos) {
    std::string item;
    ++pos;
    while (pos < text.size()) {
        if (text[pos] == '"') {
            if (pos + 1 < text.size() && text[pos + 1] == '"') {
                item.push_back('"');
                pos += 2;
                continue;
            }
            ++pos;
            return item;
        }
        const std::size_t length = cp932::CharLength(text, pos);
        item.append(text.substr(pos, length));
        pos += length;
    }
    return item;
}

constexpr std::size_t kCopyBlock = 1 << 20;

// Copies every byte of in to out.
FileError CopyBytes(int in, int out) {
    std::unique_ptr<char[]> block(new char[kCopyBlock]);
    for (;;) {
        std::size_t n = 0;
        if (const FileError error = ReadSome(in, block.get(), kCopyBlock, n)) {
            return error;
        }
        if (n == 0) {
            return {};
        }
        if (const FileError error = WriteAll(out, std::string_view(block.get(), n))) {
            return error;
        }
    }
}

} // namespace

std::size_t FindByteAtBoundary(std::string_view text, char byte, std::size_t pos) {
    while (pos < text.size()) {
        const void* found = std::memchr(text.data() + pos, byte, text.size() - pos);
        if (found == nullptr) {
            return std::string_view::npos;
        }
        const std::size_t hit =
            static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
        if (!cp932::IsSecondByte(text, hit, pos)) {
            return hit;
        }
        pos = hit + 1;
    }
    return std::string_view::npos;
}

int SplitText(std::string_view text, std::string_view delimiter, StringList& list, bool quoted) {
    text = text.substr(0, text.find('\0'));
    list.clear();
    std::size_t pos = 0;
    for (;;) {
        while (quoted && pos < text.size() && text[pos] == '"') {
            list.push_back(ExtractQuoted(text, pos));
            if (pos == text.size()) {
                // A quoted item that ends the text is its last item.
                return static_cast<int>(list.size());
            }
            // Step over what follows the closing quote: the delimiter, or
            // else one stray byte, which is dropped. A byte, not a
            // character: a lead byte there does not take its neighbour.
            pos += delimiter.size() > 1 && text.compare(pos, delimiter.size(), delimiter) == 0
                       ? delimiter.size()
                       : 1;
        }
        const std::size_t hit = FindAtBoundary(text, delimiter, pos);
        if (hit == std::string_view::npos) {
            list.emplace_back(text.substr(pos));
            return static_cast<int>(list.size());
        }
        list.emplace_back(text.substr(pos, hit - pos));
        // The whole delimiter is consumed, also when it is longer than a byte.
        pos = hit + delimiter.size();
    }
}

bool IsDigit(unsigned char byte) {
    return static_cast<unsigned char>(byte - 0x30) < 10;
}

std::string ZeroPadDigits(std::string_view text, int width) {
    if (text.empty()) {
        return {};
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        if (!IsDigit(static_cast<unsigned char>(c))) {
            return std::string(text);
        }
        // Saturates above the 32-bit limit, so any length of digits is safe.
        value = std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(c - '0'),
                                        std::uint64_t{1} << 32);
    }
    if (value > 2147483647) {
        throw EConvertError(messages::Fill(messages::kNotAnInteger, text));
    }
    std::string digits = std::to_string(value);
    // The number is always written, also 0 with width 0; widths above 16 pad
    // nothing.
    if (width <= 16 && digits.size() < static_cast<std::size_t>(std::max(width, 0))) {
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    }
    return digits;
}

std::string NormalizeGroup(std::string_view group) {
    try {
        return ZeroPadDigits(group, 2);
    } catch (const EConvertError&) {
        return std::string(group);
    }
}

bool CopyFileSilently(const std::string& source, const std::string& destination) {
    const FileOps& ops = CurrentFileOps();
    struct stat sourceStat;
    FileDescriptor in;
    if (OpenRegularFile(source, sourceStat, in)) {
        return false;
    }
    const mode_t mode = sourceStat.st_mode & 07777;

    std::string target;
    if (ResolveLinks(destination, target)) {
        return false;
    }
    struct stat targetStat;
    const bool targetExists = ops.stat(target.c_str(), &targetStat) == 0;
    if (!targetExists && errno != ENOENT) {
        return false;
    }
    if (targetExists && (S_ISDIR(targetStat.st_mode) || (targetStat.st_dev == sourceStat.st_dev &&
                                                         targetStat.st_ino == sourceStat.st_ino))) {
        // Copying a file onto itself would truncate it.
        return false;
    }

    std::string tempPath;
    FileDescriptor out;
    if (const FileError error = CreateTempBeside(target, tempPath, out)) {
        // A folder that takes no new file: overwrite an existing backup in
        // place rather than keep one that does not match the file opened.
        const int e = error.value();
        if (!targetExists || !S_ISREG(targetStat.st_mode) ||
            !(e == EACCES || e == EPERM || e == EROFS)) {
            return false;
        }
        const int fd = ops.open(target.c_str(), O_WRONLY | O_CLOEXEC, 0);
        if (fd < 0) {
            return false;
        }
        out.Reset(fd);
        // The mode first, so that a backup that cannot take it keeps its
        // bytes. Someone else's file takes no times from us: they are left.
        if ((targetStat.st_mode & 07777) != mode && ops.fchmod(fd, mode) != 0) {
            return false;
        }
        const bool ok = ops.ftruncate(fd, 0) == 0 && !CopyBytes(in.get(), fd) && !SyncFile(fd);
        return !out.Close() && ok;
    }
    const int tempFd = out.get();
    const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    bool ok = !CopyBytes(in.get(), tempFd) && ops.fchmod(tempFd, mode) == 0 &&
              ops.futimens(tempFd, times) == 0 && !SyncFile(tempFd);
    ok = !out.Close() && ok;
    ok = ok && ops.rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok) {
        // Nothing more to report if the temporary cannot go: the copy has
        // failed already.
        ops.unlink(tempPath.c_str());
        return false;
    }
    SyncFolder(FolderOf(target));
    return true;
}

} // namespace ruvo
