#include "core/book/PhoneBookFile.h"

#include "core/book/LineFormat.h"
#include "core/book/table/PhoneBookTable.h"
#include "core/error/Errors.h"
#include "core/file/FileSystem.h"
#include "core/file/InOutError.h"
#include "core/file/SafeWrite.h"
#include "core/messages/MessageText.h"
#include "core/text/Cp932.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace ruvo {

namespace {

constexpr std::size_t kBlockSize = 1 << 20;
constexpr std::size_t kMinBlockSize = 1 << 16;
constexpr char kCtrlZ = 0x1A;

// Cuts a phone-book file into lines: LF or CR LF ends a line, a lone CR is
// dropped, a Ctrl-Z ends its line and the rest of that line is skipped. Reads
// either bytes held in memory or a descriptor, in big blocks.
class LineReader {
public:
    explicit LineReader(std::string_view bytes)
        : data_(bytes.data()), end_(bytes.size()), exhausted_(true) {}
    // blockSize: bytes asked for per read.
    LineReader(int fd, std::size_t blockSize)
        : fd_(fd), blockSize_(blockSize), block_(new char[blockSize]) {}

    // True when no byte is left or the next one is a Ctrl-Z: the end of the
    // entry lines.
    FileError AtEntriesEnd(bool& end) {
        bool held = false;
        if (const FileError error = HoldByte(held)) {
            return error;
        }
        end = !held || data_[pos_] == kCtrlZ;
        return {};
    }

    // The next line without its line end; empty at the end of the input.
    // line views either the reader's block (valid until the next call) or
    // storage. After a failure storage holds what was read of the line.
    FileError ReadLine(std::string& storage, std::string_view& line) {
        // Most lines lie whole in the block and end in CR LF or LF with no
        // other CR and no Ctrl-Z: those need no copy.
        if (pos_ < end_) {
            const char* const begin = data_ + pos_;
            const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', end_ - pos_));
            if (lf != nullptr) {
                const char* stop = lf > begin && lf[-1] == '\r' ? lf - 1 : lf;
                const auto length = static_cast<std::size_t>(stop - begin);
                if (std::memchr(begin, '\r', length) == nullptr &&
                    std::memchr(begin, kCtrlZ, length) == nullptr) {
                    line = std::string_view(begin, length);
                    pos_ = static_cast<std::size_t>(lf - data_) + 1;
                    return {};
                }
            }
        }
        const FileError error = ReadLineSlowly(storage);
        line = storage;
        return error;
    }

    // The usual entry line, cut into its fields as SplitEntryLine cuts it
    // (the fourth as NumberPart cuts it) with one scan for control bytes:
    // the line lies whole in the block, ends in LF or CR LF and holds no
    // other CR, no NUL and no Ctrl-Z. The fields view the block until the
    // next call. Any other line is left to ReadLine: false, nothing taken.
    bool ReadPlainEntryLine(LineFields& fields, std::size_t& count) {
        const char* const begin = data_ + pos_;
        const char* const end = data_ + end_;
        const char* fieldStart = begin;
        const char* fourthEnd = nullptr;
        std::size_t tabs = 0;
        for (const char* p = begin;; ++p) {
            p = NextControlByte(p, end);
            if (p == end)
                return false;
            const char byte = *p;
            if (byte == '\t') {
                const std::string_view seen(begin, static_cast<std::size_t>(p - begin) + 1);
                if (cp932::IsSecondByte(seen, seen.size() - 1,
                                        static_cast<std::size_t>(fieldStart - begin)))
                    continue;
                if (tabs < 3) {
                    fields[tabs++] =
                        std::string_view(fieldStart, static_cast<std::size_t>(p - fieldStart));
                    fieldStart = p + 1;
                } else if (fourthEnd == nullptr) {
                    fourthEnd = p; // a fourth field ends at the next TAB too
                }
            } else if (byte == '\n' || (byte == '\r' && p + 1 != end && p[1] == '\n')) {
                const char* const stop = fourthEnd != nullptr ? fourthEnd : p;
                const std::string_view last(fieldStart,
                                            static_cast<std::size_t>(stop - fieldStart));
                fields[tabs] = tabs == 3 ? NumberPart(last) : last;
                count = tabs + 1;
                pos_ = static_cast<std::size_t>(p - data_) + (byte == '\r' ? 2 : 1);
                return true;
            } else if (byte == '\r' || byte == '\0' || byte == kCtrlZ) {
                return false;
            }
        }
    }

private:
    // The first byte below 0x20 from p on, or end; eight bytes at a time.
    static const char* NextControlByte(const char* p, const char* end) {
        constexpr std::uint64_t kOnes = 0x0101010101010101;
        constexpr std::uint64_t kHighBits = 0x8080808080808080;
        for (; end - p >= 8; p += 8) {
            std::uint64_t word;
            std::memcpy(&word, p, sizeof word);
            // The lowest byte marked is the first one below 0x20 (little-endian).
            const std::uint64_t low = (word - kOnes * 0x20) & ~word & kHighBits;
            if (low != 0)
                return p + std::countr_zero(low) / 8;
        }
        while (p != end && static_cast<unsigned char>(*p) >= 0x20)
            ++p;
        return p;
    }

    FileError ReadLineSlowly(std::string& line) {
        line.clear();
        for (;;) {
            bool held = false;
            if (const FileError error = HoldByte(held); error || !held) {
                return error;
            }
            const char* const begin = data_ + pos_;
            const char* const stop = data_ + end_;
            const char* p = begin;
            while (p != stop && *p != '\n' && *p != '\r' && *p != kCtrlZ) {
                ++p;
            }
            line.append(begin, p);
            pos_ = static_cast<std::size_t>(p - data_);
            if (p == stop) {
                continue;
            }
            const char stopByte = *p;
            ++pos_;
            if (stopByte == '\n') {
                return {};
            }
            if (stopByte == kCtrlZ) {
                // A stray Ctrl-Z costs the rest of its line only, not the
                // rest of the phone book.
                return SkipRestOfLine();
            }
            // A CR is never kept: before an LF it is part of the line end,
            // anywhere else it is dropped.
        }
    }

    // Reads on when every byte held has been used; held tells whether a
    // byte is held afterwards (false at the end of the input).
    FileError HoldByte(bool& held) {
        if (pos_ == end_) {
            if (const FileError error = Refill()) {
                return error;
            }
        }
        held = pos_ != end_;
        return {};
    }

    // Called only when every byte held has been used.
    FileError Refill() {
        if (exhausted_) {
            return {};
        }
        std::size_t n = 0;
        if (const FileError error = ReadSome(fd_, block_.get(), blockSize_, n)) {
            return error;
        }
        if (n == 0) {
            exhausted_ = true;
        }
        data_ = block_.get();
        pos_ = 0;
        end_ = n;
        return {};
    }

    FileError SkipRestOfLine() {
        for (;;) {
            bool held = false;
            if (const FileError error = HoldByte(held); error || !held) {
                return error;
            }
            const void* lf = std::memchr(data_ + pos_, '\n', end_ - pos_);
            if (lf != nullptr) {
                pos_ = static_cast<std::size_t>(static_cast<const char*>(lf) - data_) + 1;
                return {};
            }
            pos_ = end_;
        }
    }

    const char* data_ = nullptr;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    int fd_ = -1;
    std::size_t blockSize_ = 0;
    bool exhausted_ = false;
    std::unique_ptr<char[]> block_;
};

// Reads the header lines and then the entry lines; a failed read leaves
// everything read before it in place.
FileError ReadLines(LineReader& reader, HeaderLines& headers, PhoneBookTable& table,
                    const MessagePump& pump) {
    std::string storage;
    std::string_view line;
    for (std::string& header : headers) {
        const FileError error = reader.ReadLine(storage, line);
        header.assign(line);
        if (error) {
            return error;
        }
    }
    for (;;) {
        bool end = false;
        if (const FileError error = reader.AtEntriesEnd(end)) {
            return error;
        }
        if (end) {
            return {};
        }
        if (pump) {
            pump();
        }
        LineFields fields;
        std::size_t count = 0;
        if (!reader.ReadPlainEntryLine(fields, count)) {
            if (const FileError error = reader.ReadLine(storage, line)) {
                return error;
            }
            count = SplitEntryLine(line, fields);
            if (count >= 4) {
                fields[3] = NumberPart(fields[3]);
            }
        }
        table.AppendCommitted(fields, count);
    }
}

// Writes the header lines and then every entry in the saved order (that of "iKey"), each line
// ending in CR LF, in big blocks.
FileError WriteBody(int fd, const HeaderLines& headers, const PhoneBookTable& table,
                    const MessagePump& pump) {
    std::string out;
    out.reserve(kMinBlockSize);
    for (const std::string& header : headers) {
        out += header;
        out += kLineEnd;
    }
    FileError error;
    table.ForEachEntry(PhoneBookTable::Walk::Saved, [&](const PhoneBookTable::EntryFields& entry) {
        if (pump) {
            pump();
        }
        AppendEntryLine(out, {entry[static_cast<std::size_t>(Field::Group)].text,
                              entry[static_cast<std::size_t>(Field::Name)].text,
                              entry[static_cast<std::size_t>(Field::Kana)].text,
                              entry[static_cast<std::size_t>(Field::Tel)].text});
        if (out.size() >= kBlockSize) {
            error = WriteAll(fd, out);
            out.clear();
        }
        return !error;
    });
    return error ? error : WriteAll(fd, out);
}

} // namespace

std::string BackupName(std::string_view path) {
    // Paths are UTF-8 bytes, not code page 932: read as the latter, a byte
    // in 0x81..0x9F would swallow the "." or "/" after it. Neither byte is
    // ever part of a UTF-8 (or code page 932) character, so search bytes.
    const std::size_t lastSlash = path.rfind('/');
    const std::size_t lastDot = path.rfind('.');
    const bool hasExtension = lastDot != std::string_view::npos &&
                              (lastSlash == std::string_view::npos || lastDot > lastSlash);
    std::string name(path.substr(0, hasExtension ? lastDot : path.size()));
    name += ".BAK";
    return name;
}

void MakeBackupCopy(const std::string& path) {
    // A failed copy never stops the open.
    static_cast<void>(CopyFileSilently(path, BackupName(path)));
}

void ReadPhoneBookData(std::string_view bytes, HeaderLines& headers, PhoneBookTable& table,
                       const MessagePump& pump) {
    LineReader reader(bytes);
    // Bytes held in memory never fail to read.
    static_cast<void>(ReadLines(reader, headers, table, pump));
}

void ReadPhoneBookFile(const std::string& path, HeaderLines& headers, PhoneBookTable& table,
                       const MessagePump& pump) {
    struct stat st;
    FileDescriptor file;
    if (const FileError error = OpenRegularFile(path, st, file)) {
        ThrowInOutError(error.value(), path);
    }
    // Most phone books are small: no need for a whole block for them.
    const std::size_t blockSize =
        st.st_size > 0 ? std::min<std::size_t>(kBlockSize,
                                               std::max<std::size_t>(kMinBlockSize, st.st_size + 1))
                       : kBlockSize;
    LineReader reader(file.get(), blockSize);
    if (const FileError error = CloseAfter(file, ReadLines(reader, headers, table, pump))) {
        ThrowInOutError(error.value(), path);
    }
}

void WritePhoneBookFile(const std::string& path, const HeaderLines& headers,
                        const PhoneBookTable& table, const MessagePump& pump) {
    if (const FileError error =
            WriteSafely(path, [&](int fd) { return WriteBody(fd, headers, table, pump); })) {
        ThrowInOutError(error.value(), path);
    }
}

} // namespace ruvo
