#pragma once

#include "core/file/FileSystem.h"

#include <functional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace ruvo {

// Writes the body of a file to a descriptor; the first failure comes back.
using BodyWriter = std::function<FileError(int fd)>;

// Writes a file so that it is replaced only once everything is written: the
// body goes to a temporary beside the file, which is synced and renamed over
// it. Symbolic links are followed, so the link stays and the file it names
// is replaced.
//
// A save (copyOf null) refuses a folder and a file the user may not write,
// gives the replacement the old file's owner, group and mode (a new file:
// what a plain create gives), and writes the file itself in place, emptied,
// where a replacement would lose something: a file with further hard
// links, anything but a regular file, a dangling link, a folder that takes no
// new file, a replacement that cannot take the owner, group and mode.
//
// A copy (copyOf the stat of the file copied) gives the new file copyOf's
// mode and times and replaces whatever is there, but a folder; it is written
// in place only where the folder takes no new file and a regular file is
// there already, mode first, so that a file that cannot take the mode keeps
// its bytes.
//
// After a failure the file is as it was, unless it was being written in
// place; a temporary is removed.
FileError WriteSafely(const std::string& path, const BodyWriter& write,
                      const struct stat* copyOf = nullptr);

// WriteSafely of bytes held in memory, as a save. Throws EInOutError.
void SaveBytes(const std::string& path, std::string_view bytes);

// Whole-file copy of source onto destination by WriteSafely, replacing it
// without asking. Returns false on any failure, and when both name the same
// file.
[[nodiscard]] bool CopyFileSilently(const std::string& source, const std::string& destination);

} // namespace ruvo
