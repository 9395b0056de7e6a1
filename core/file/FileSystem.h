#pragma once

#include <cerrno>
#include <functional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

namespace ruvo {

// The file layer's one convention for results: every call returns a
// FileError, which is empty when the call went through and otherwise holds
// the errno of the first thing that failed. What a call produces (a count, a
// descriptor, a path) comes back through its parameters, so that a
// descriptor or a count is never mistaken for an error. The first failure
// wins: a cleanup that fails after it (close, unlink, sync) never replaces
// it, with the one exception of CloseAfter().
class [[nodiscard]] FileError {
public:
    constexpr FileError() = default;
    constexpr explicit FileError(int value) : value_(value) {}
    // The errno left by the call that has just failed.
    [[nodiscard]] static FileError Last() { return FileError(errno); }

    [[nodiscard]] constexpr int value() const { return value_; }
    // True when something failed.
    [[nodiscard]] constexpr explicit operator bool() const { return value_ != 0; }

private:
    int value_ = 0;
};

// The POSIX calls the file code makes, one place to swap them. Tests replace
// members under a ScopedFileOps, which puts the calls back when it goes; the
// program never changes them. Each returns what the POSIX call returns and
// leaves errno set.
struct FileOps {
    std::function<int(const char* path, int flags, mode_t mode)> open;
    // mkostemp(): template ends in "XXXXXX" and is filled in on success.
    std::function<int(char* pathTemplate, int flags)> mkostemp;
    std::function<ssize_t(int fd, void* buffer, size_t size)> read;
    std::function<ssize_t(int fd, const void* buffer, size_t size)> write;
    std::function<int(int fd)> fsync;
    std::function<int(int fd)> close;
    std::function<int(const char* from, const char* to)> rename;
    std::function<int(const char* path, struct stat* st)> stat;
    std::function<int(const char* path, struct stat* st)> lstat;
    std::function<int(int fd, struct stat* st)> fstat;
    std::function<int(int fd, mode_t mode)> fchmod;
    std::function<int(int fd, uid_t owner, gid_t group)> fchown;
    std::function<int(int fd, const struct timespec times[2])> futimens;
    std::function<int(int fd, off_t length)> ftruncate;
    // fcntl() with an int argument (F_GETFL, F_SETFL).
    std::function<int(int fd, int command, int argument)> fcntl;
    std::function<int(const char* path)> unlink;
    // realpath(path, nullptr): a path to release with free(), or nullptr.
    std::function<char*(const char* path)> realpath;
    // readlink(): the link's text into buffer, without a terminating NUL.
    std::function<ssize_t(const char* path, char* buffer, size_t size)> readlink;
};

// The calls in force; the real ones unless a test replaced them.
[[nodiscard]] FileOps& CurrentFileOps();

// Replaces file calls for as long as it lives:
//     ScopedFileOps calls;
//     calls->write = [](int, const void*, size_t) -> ssize_t { errno = ENOSPC; return -1; };
// On destruction the calls in force when it was made come back, also when a
// test fails or throws half-way. Guards nest.
class ScopedFileOps {
public:
    ScopedFileOps() : saved_(CurrentFileOps()) {}
    ~ScopedFileOps() { CurrentFileOps() = std::move(saved_); }
    ScopedFileOps(const ScopedFileOps&) = delete;
    ScopedFileOps& operator=(const ScopedFileOps&) = delete;

    FileOps* operator->() const { return &CurrentFileOps(); }

private:
    FileOps saved_;
};

// Owns a descriptor; the destructor closes it quietly (for failure paths).
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    // Takes fd; a descriptor held before is closed quietly.
    void Reset(int fd);
    [[nodiscard]] int get() const { return fd_; }
    // Closes now; nothing to close is no failure.
    FileError Close();
    // Gives up the descriptor without closing it.
    [[nodiscard]] int Release();

private:
    int fd_ = -1;
};

// Closes file at the end of an operation on it that ended with error. A
// failing close is reported in place of the earlier failure: it is the last
// word on the file, and one failed operation reports one failure.
FileError CloseAfter(FileDescriptor& file, FileError error);

// read() that retries on EINTR; count is the bytes read, 0 at the end.
FileError ReadSome(int fd, char* buffer, size_t size, size_t& count);

// Writes every byte, retrying short writes and EINTR.
FileError WriteAll(int fd, std::string_view bytes);

// fsync(). EINVAL (a file that cannot be synced, such as a device) counts as
// success.
FileError SyncFile(int fd);

// The folder part of a path ("." when it has none, "/" for the root).
[[nodiscard]] std::string FolderOf(const std::string& path);

// The file a path names in target: for a symbolic link the file it points
// to, so that replacing it keeps the link; other paths as they are. A path
// that names nothing, or a dangling link, is no error: it comes back as it
// is.
FileError ResolveLinks(const std::string& path, std::string& target);

// The absolute path of the file that path names, without ".", ".." or
// symbolic links: realpath() for a file that exists; for one that does not
// (yet), the real path of its folder joined to its name, a dangling link
// followed to the path it points to. Fails when the folder cannot be
// resolved.
FileError CanonicalPath(const std::string& path, std::string& canonical);

// True when a and b name one file, however spelled: two files that exist
// are the same when device and inode agree (links followed, so hard and
// symbolic links count); two that do not exist yet, when their
// CanonicalPath agrees. One that exists and one that does not, or a path
// that cannot be resolved, are different.
[[nodiscard]] bool SameFile(const std::string& a, const std::string& b);

// Opens a regular file (links followed) for reading into file and fills st.
// Never blocks: a FIFO, socket, device or folder is refused with EACCES
// before any reading starts.
FileError OpenRegularFile(const std::string& path, struct stat& st, FileDescriptor& file);

// The whole content of a regular file (links followed) into bytes, read
// through the calls in force. A folder fails with EISDIR, any other file
// that is no regular file with EACCES, before anything is read.
FileError ReadWholeFile(const std::string& path, std::string& bytes);

// False only when the path is known to name nothing (a missing file or
// folder, or a link to one: writing through it creates the file); an
// unreadable folder may hide a file.
[[nodiscard]] bool PathMayExist(const std::string& path);

// True when path names a folder (links followed).
[[nodiscard]] bool IsFolder(const std::string& path);

// Clears O_NONBLOCK on fd.
FileError ClearNonBlocking(int fd);

// Creates an empty temporary file beside target, named "<target>.XXXXXX",
// into file, and sets tempPath.
FileError CreateTempBeside(const std::string& target, std::string& tempPath, FileDescriptor& file);

// Makes a rename in folder durable; failures are ignored, since the rename
// itself has already happened.
void SyncFolder(const std::string& folder);

// The process's file-creation mask.
[[nodiscard]] mode_t CurrentUmask();

// True when the mode bits of st give the calling user write permission
// (for root: any write bit), whatever access() would say.
[[nodiscard]] bool ModeAllowsWrite(const struct stat& st);

} // namespace ruvo
