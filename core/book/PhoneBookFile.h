#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace ruvo {

class PhoneBookTable;

// The six header lines of a phone-book file, kept byte for byte.
using HeaderLines = std::array<std::string, 6>;

// Called before each entry line is read and before each entry is written, so
// that a window can process its events meanwhile. May be empty.
using MessagePump = std::function<void()>;

// The path with its extension replaced by ".BAK" (appended when it has none).
std::string BackupName(std::string_view path);

// Copies the file to its backup name; a failure is ignored. Only a regular
// file is copied.
void MakeBackupCopy(const std::string& path);

// Reads the six header lines into headers and appends every further line to
// the table as a committed entry. Throws EInOutError; a path that is no
// regular file (a FIFO, socket, device or folder) is refused with code 5
// before anything is read.
void ReadPhoneBookFile(const std::string& path, HeaderLines& headers, PhoneBookTable& table,
                       const MessagePump& pump = {});

// ReadPhoneBookFile on bytes held in memory, by the same rules; cannot fail
// but for failures of the table.
void ReadPhoneBookData(std::string_view bytes, HeaderLines& headers, PhoneBookTable& table,
                       const MessagePump& pump = {});

// Writes the header lines and then every committed entry in the order of
// "iKey", each line ending in CR LF, replacing the file only once everything
// is written. The table is only read: its selected order, its current entry
// and a pending entry (which is not written) stay as they are.
// Throws EInOutError; the file is then as it was before, unless it had to be
// written in place (a file with further hard links, a folder that takes no
// new file, a replacement that cannot take the file's owner, group and
// mode). A file without write permission is refused. Symbolic links are
// followed; mode, owner and group are kept.
void WritePhoneBookFile(const std::string& path, const HeaderLines& headers,
                        const PhoneBookTable& table, const MessagePump& pump = {});

} // namespace ruvo
