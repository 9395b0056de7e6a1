#include "core/book/PhoneBookFile.h"

#include "core/book/table/PhoneBookTable.h"
#include "core/error/Errors.h"
#include "core/file/FileSystem.h"
#include "core/messages/MessageText.h"
#include "core/text/TextHelpers.h"

#include <algorithm>
#include <array>
#include <cerrno>
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
constexpr std::string_view kLineEnd = "\r\n";

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

private:
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

// The telephone number of a fourth item: its bytes before the first ":"
// that stands on a character boundary.
std::string_view TelPart(std::string_view item) {
    return item.substr(0, FindByteAtBoundary(item, ':'));
}

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
        if (const FileError error = reader.ReadLine(storage, line)) {
            return error;
        }
        // Cut as SplitText cuts at TAB, without copying the items; only
        // the first four are used.
        line = line.substr(0, line.find('\0'));
        std::array<std::string_view, kFieldCount> items;
        std::size_t count = 0;
        std::size_t pos = 0;
        while (count < items.size()) {
            const std::size_t tab = FindByteAtBoundary(line, '\t', pos);
            if (tab == std::string_view::npos) {
                items[count++] = line.substr(pos);
                break;
            }
            items[count++] = line.substr(pos, tab - pos);
            pos = tab + 1;
        }
        table.AppendEntry();
        table.SetField(Field::Group, items[0]);
        if (count >= 2) {
            table.SetField(Field::Name, items[1]);
        }
        if (count >= 3) {
            table.SetField(Field::Kana, items[2]);
        }
        if (count >= 4) {
            table.SetField(Field::Tel, TelPart(items[3]));
        }
        table.CommitEntry();
    }
}

// Removes the temporary file of a save unless the save went through. Only
// on a failure, which is then reported already: a temporary that will not go
// cannot be reported besides.
class TempFileGuard {
public:
    ~TempFileGuard() {
        if (!path.empty()) {
            CurrentFileOps().unlink(path.c_str());
        }
    }
    std::string path;
};

// Gives a new file the owner, group and mode of the file it is to replace
// (old), or for a file not there before the mode a plain create gives, and
// checks that they took: a set-id bit, for one, may be dropped silently.
// False when the new file cannot stand in for the old one.
bool GiveAttributes(int fd, const struct stat* old) {
    const FileOps& ops = CurrentFileOps();
    const mode_t mode = old != nullptr ? old->st_mode & 07777 : 0666 & ~CurrentUmask();
    // Owner first: a change of owner may clear set-id bits.
    if (old != nullptr && ops.fchown(fd, old->st_uid, old->st_gid) != 0) {
        return false;
    }
    struct stat now;
    if (ops.fchmod(fd, mode) != 0 || ops.fstat(fd, &now) != 0) {
        return false;
    }
    return (now.st_mode & 07777) == mode &&
           (old == nullptr || (now.st_uid == old->st_uid && now.st_gid == old->st_gid));
}

bool PermissionRefused(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

// Where a save writes and how.
struct SaveTarget {
    std::string path; // the file the user's path names, links resolved
    bool exists = false;
    struct stat st {}; // of that file, when it exists
    // The file itself is emptied and written, rather than replaced by a
    // temporary beside it.
    bool inPlace = false;
    FileDescriptor file; // the temporary, or the file itself
    TempFileGuard temp;  // removes the temporary unless it was committed
};

// Resolves links, refuses a folder or a file the user may not write, and
// tells whether the file has to be written in place.
FileError LookAtTarget(const std::string& path, SaveTarget& target) {
    const FileOps& ops = CurrentFileOps();
    if (const FileError error = ResolveLinks(path, target.path)) {
        return error;
    }
    target.exists = ops.stat(target.path.c_str(), &target.st) == 0;
    if (target.exists) {
        if (S_ISDIR(target.st.st_mode)) {
            return FileError(EISDIR);
        }
        // Checked by the mode bits, since root may write anything and the
        // rename would replace a file nobody may write.
        if (!ModeAllowsWrite(target.st)) {
            return FileError(EACCES);
        }
        // Replacing a file with other names would cut it off from them.
        target.inPlace = !S_ISREG(target.st.st_mode) || target.st.st_nlink > 1;
        return {};
    }
    if (errno != ENOENT) {
        return FileError::Last();
    }
    struct stat linkStat;
    // A dangling link: writing through it creates the file it names.
    if (ops.lstat(target.path.c_str(), &linkStat) == 0) {
        target.inPlace = S_ISLNK(linkStat.st_mode);
    } else if (errno != ENOENT) {
        return FileError::Last();
    }
    return {};
}

// Creates the temporary that is to replace the target, with the target's
// owner, group and mode. Falls back to writing in place when the folder takes
// no new file or no temporary can take them.
FileError OpenReplacement(SaveTarget& target) {
    std::string tempPath;
    if (const FileError error = CreateTempBeside(target.path, tempPath, target.file)) {
        if (!PermissionRefused(error.value())) {
            return error;
        }
        target.inPlace = true;
        return {};
    }
    target.temp.path = tempPath;
    if (GiveAttributes(target.file.get(), target.exists ? &target.st : nullptr)) {
        return {};
    }
    // A member of the file's group saving it in a shared folder would own
    // the replacement. The close of the empty temporary cannot lose anything.
    static_cast<void>(target.file.Close());
    if (CurrentFileOps().unlink(tempPath.c_str()) != 0) {
        return FileError::Last();
    }
    target.temp.path.clear();
    target.inPlace = true;
    return {};
}

// Opens the target itself for writing, emptied.
FileError OpenInPlace(SaveTarget& target) {
    // A FIFO with no reader must not hold the save up: opening it without
    // waiting fails at once instead.
    const bool special = target.exists && !S_ISREG(target.st.st_mode);
    const int fd = CurrentFileOps().open(
        target.path.c_str(), O_WRONLY | O_TRUNC | O_CREAT | O_CLOEXEC | (special ? O_NONBLOCK : 0),
        0666);
    if (fd < 0) {
        // ENXIO: a FIFO nobody reads, a socket.
        return FileError(errno == ENXIO ? EACCES : errno);
    }
    target.file.Reset(fd);
    return special ? ClearNonBlocking(fd) : FileError();
}

// The first step of a save: decides where and how it writes and opens that
// file. Nothing has been written yet when it fails.
FileError PrepareTarget(const std::string& path, SaveTarget& target) {
    if (path.empty()) {
        return FileError(ENOENT);
    }
    if (const FileError error = LookAtTarget(path, target)) {
        return error;
    }
    if (!target.inPlace) {
        if (const FileError error = OpenReplacement(target)) {
            return error;
        }
    }
    return target.inPlace ? OpenInPlace(target) : FileError();
}

// The second step: writes the header lines and then every entry in the
// saved order (that of "iKey"), each line ending in CR LF, in big blocks.
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
        out += entry[static_cast<std::size_t>(Field::Group)].text;
        out += '\t';
        out += entry[static_cast<std::size_t>(Field::Name)].text;
        out += '\t';
        out += entry[static_cast<std::size_t>(Field::Kana)].text;
        out += '\t';
        const std::string_view tel = entry[static_cast<std::size_t>(Field::Tel)].text;
        if (!tel.empty()) {
            out += tel;
            out += ":0:0";
        }
        out += kLineEnd;
        if (out.size() >= kBlockSize) {
            error = WriteAll(fd, out);
            out.clear();
        }
        return !error;
    });
    return error ? error : WriteAll(fd, out);
}

// The last step: syncs and closes the written file and, for a temporary,
// renames it over the target and makes the rename durable.
FileError Commit(SaveTarget& target) {
    if (const FileError error = CloseAfter(target.file, SyncFile(target.file.get()))) {
        return error;
    }
    if (target.inPlace) {
        return {};
    }
    if (CurrentFileOps().rename(target.temp.path.c_str(), target.path.c_str()) != 0) {
        return FileError::Last();
    }
    target.temp.path.clear();
    SyncFolder(FolderOf(target.path));
    return {};
}

std::string InOutMessage(int code) {
    switch (code) {
    case 2:
        return std::string(messages::kFileNotFound);
    case 3:
        return std::string(messages::kPathNotFound);
    case 4:
        return std::string(messages::kTooManyFiles);
    case 5:
        return std::string(messages::kAccessDenied);
    case 100:
        return std::string(messages::kReadBeyondEnd);
    case 101:
        return std::string(messages::kDiskFull);
    case 106:
        return std::string(messages::kNotANumber);
    default:
        return messages::Fill(messages::kOtherInOutError, std::to_string(code));
    }
}

} // namespace

void ThrowInOutError(int errnoValue, const std::string& path) {
    int code = 0;
    switch (errnoValue) {
    case ENOENT: {
        struct stat st;
        const std::string folder = FolderOf(path);
        code = CurrentFileOps().stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? 2 : 3;
        break;
    }
    case ENOTDIR:
        code = 3;
        break;
    case EMFILE:
    case ENFILE:
        code = 4;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        code = 5;
        break;
    case ENOSPC:
    case EDQUOT:
        code = 101;
        break;
    default:
        // Any other errno is shown as its number, even where that number is
        // also one of the codes above.
        throw EInOutError(errnoValue,
                          messages::Fill(messages::kOtherInOutError, std::to_string(errnoValue)));
    }
    throw EInOutError(code, InOutMessage(code));
}

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

void SaveBytes(const std::string& path, std::string_view bytes) {
    SaveTarget target;
    if (const FileError error = PrepareTarget(path, target)) {
        ThrowInOutError(error.value(), path);
    }
    FileError error = WriteAll(target.file.get(), bytes);
    error = error ? CloseAfter(target.file, error) : Commit(target);
    if (error) {
        ThrowInOutError(error.value(), path);
    }
}

void WritePhoneBookFile(const std::string& path, const HeaderLines& headers,
                        const PhoneBookTable& table, const MessagePump& pump) {
    SaveTarget target;
    if (const FileError error = PrepareTarget(path, target)) {
        ThrowInOutError(error.value(), path);
    }
    FileError error = WriteBody(target.file.get(), headers, table, pump);
    // After a failed write the file is only closed; the temporary goes with
    // target.
    error = error ? CloseAfter(target.file, error) : Commit(target);
    if (error) {
        ThrowInOutError(error.value(), path);
    }
}

} // namespace ruvo
