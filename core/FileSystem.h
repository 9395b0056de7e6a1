#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

namespace ruvo {

// The POSIX calls the file code makes, one place to swap them. Tests replace
// members to make a call fail with a chosen errno (a full disk, a failing
// rename) and restore them with ResetFileOps(); the program never changes
// them. Each returns what the POSIX call returns and leaves errno set.
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
};

// The calls in force; the real ones unless a test replaced them.
FileOps& CurrentFileOps();
void ResetFileOps();

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
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now; returns 0 or the errno of the failed close.
    int Close();
    // Gives up the descriptor without closing it.
    int Release();

private:
    int fd_ = -1;
};

// read() that retries on EINTR; returns the count, 0 at the end, or -errno.
ssize_t ReadSome(int fd, char* buffer, size_t size);

// Writes every byte, retrying short writes and EINTR; returns 0 or errno.
int WriteAll(int fd, std::string_view bytes);

// fsync(); returns 0 or errno. EINVAL (a file that cannot be synced, such as
// a device) counts as success.
int SyncFile(int fd);

// The folder part of a path ("." when it has none, "/" for the root).
std::string FolderOf(const std::string& path);

// The file a path names: for a symbolic link the file it points to, so that
// replacing it keeps the link. Other paths come back as they are.
std::string ResolveLinks(const std::string& path);

// ResolveLinks() that reports why it could not tell: returns 0 or errno and
// sets target. A path that names nothing, or a dangling link, is no error:
// it comes back as it is.
int ResolveLinks(const std::string& path, std::string& target);

// Opens a regular file (links followed) for reading and fills st. Never
// blocks: a FIFO, socket, device or folder is refused with EACCES before
// any reading starts. Returns the descriptor or -errno.
int OpenRegularFile(const std::string& path, struct stat& st);

// Clears O_NONBLOCK on fd; returns 0 or errno.
int ClearNonBlocking(int fd);

// Creates an empty temporary file beside target, named "<target>.XXXXXX";
// returns the descriptor or -errno and sets tempPath.
int CreateTempBeside(const std::string& target, std::string& tempPath);

// Makes a rename in folder durable; failures are ignored, since the rename
// itself has already happened.
void SyncFolder(const std::string& folder);

// The process's file-creation mask.
mode_t CurrentUmask();

// True when the mode bits of st give the calling user write permission
// (for root: any write bit), whatever access() would say.
bool ModeAllowsWrite(const struct stat& st);

} // namespace ruvo
