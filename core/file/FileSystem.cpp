#include "core/file/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace ruvo {

namespace {

// What ReadWholeFile asks for at a time.
constexpr std::size_t kReadBlock = std::size_t{1} << 16;

FileOps RealFileOps() {
    FileOps ops;
    ops.open = [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); };
    ops.mkostemp = [](char* pathTemplate, int flags) { return ::mkostemp(pathTemplate, flags); };
    ops.read = [](int fd, void* buffer, size_t size) { return ::read(fd, buffer, size); };
    ops.write = [](int fd, const void* buffer, size_t size) { return ::write(fd, buffer, size); };
    ops.fsync = [](int fd) { return ::fsync(fd); };
    ops.close = [](int fd) { return ::close(fd); };
    ops.rename = [](const char* from, const char* to) { return ::rename(from, to); };
    ops.stat = [](const char* path, struct stat* st) { return ::stat(path, st); };
    ops.lstat = [](const char* path, struct stat* st) { return ::lstat(path, st); };
    ops.fstat = [](int fd, struct stat* st) { return ::fstat(fd, st); };
    ops.fchmod = [](int fd, mode_t mode) { return ::fchmod(fd, mode); };
    ops.fchown = [](int fd, uid_t owner, gid_t group) { return ::fchown(fd, owner, group); };
    ops.futimens = [](int fd, const struct timespec times[2]) { return ::futimens(fd, times); };
    ops.ftruncate = [](int fd, off_t length) { return ::ftruncate(fd, length); };
    ops.fcntl = [](int fd, int command, int argument) { return ::fcntl(fd, command, argument); };
    ops.unlink = [](const char* path) { return ::unlink(path); };
    ops.realpath = [](const char* path) { return ::realpath(path, nullptr); };
    ops.readlink = [](const char* path, char* buffer, size_t size) {
        return ::readlink(path, buffer, size);
    };
    return ops;
}

// Longest file name a temporary gets before its ".XXXXXX" suffix, so that a
// target whose name is near the limit still gets a temporary beside it.
constexpr std::size_t kTempStemMax = NAME_MAX - 7;

} // namespace

FileOps& CurrentFileOps() {
    static FileOps ops = RealFileOps();
    return ops;
}

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) {
        CurrentFileOps().close(fd_);
    }
}

void FileDescriptor::Reset(int fd) {
    if (fd_ >= 0) {
        CurrentFileOps().close(fd_);
    }
    fd_ = fd;
}

int FileDescriptor::Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

FileError FileDescriptor::Close() {
    if (fd_ < 0) {
        return {};
    }
    const int fd = fd_;
    fd_ = -1;
    // Linux frees the descriptor even when close() fails; never retry it.
    return CurrentFileOps().close(fd) == 0 ? FileError() : FileError::Last();
}

FileError CloseAfter(FileDescriptor& file, FileError error) {
    if (const FileError closeError = file.Close()) {
        return closeError;
    }
    return error;
}

FileError ReadSome(int fd, char* buffer, size_t size, size_t& count) {
    for (;;) {
        const ssize_t n = CurrentFileOps().read(fd, buffer, size);
        if (n >= 0) {
            count = static_cast<size_t>(n);
            return {};
        }
        if (errno != EINTR) {
            count = 0;
            return FileError::Last();
        }
    }
}

FileError WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = CurrentFileOps().write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return FileError::Last();
        }
        if (n == 0) {
            return FileError(EIO);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return {};
}

FileError SyncFile(int fd) {
    for (;;) {
        if (CurrentFileOps().fsync(fd) == 0) {
            return {};
        }
        if (errno == EINTR) {
            continue;
        }
        return errno == EINVAL ? FileError() : FileError::Last();
    }
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    if (slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

FileError ResolveLinks(const std::string& path, std::string& target) {
    const FileOps& ops = CurrentFileOps();
    target = path;
    struct stat st;
    if (ops.lstat(path.c_str(), &st) != 0) {
        return errno == ENOENT ? FileError() : FileError::Last();
    }
    if (!S_ISLNK(st.st_mode)) {
        return {};
    }
    std::unique_ptr<char, decltype(&std::free)> resolved(ops.realpath(path.c_str()), &std::free);
    if (!resolved) {
        // A dangling link stays as it is: writing through it creates its
        // target.
        return errno == ENOENT ? FileError() : FileError::Last();
    }
    target = resolved.get();
    return {};
}

FileError CanonicalPath(const std::string& path, std::string& canonical) {
    const FileOps& ops = CurrentFileOps();
    using Resolved = std::unique_ptr<char, decltype(&std::free)>;
    std::string current = path;
    // As many links in a row as the kernel follows.
    for (int hops = 0; hops <= 40; ++hops) {
        if (const Resolved resolved{ops.realpath(current.c_str()), &std::free}) {
            canonical = resolved.get();
            return {};
        }
        if (errno != ENOENT) {
            return FileError::Last();
        }
        struct stat st;
        if (ops.lstat(current.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            std::string text(PATH_MAX, '\0');
            const ssize_t length = ops.readlink(current.c_str(), text.data(), text.size());
            if (length < 0) {
                return FileError::Last();
            }
            if (static_cast<std::size_t>(length) == text.size()) {
                return FileError(ENAMETOOLONG);
            }
            text.resize(static_cast<std::size_t>(length));
            current = text.starts_with('/') ? text : FolderOf(current) + "/" + text;
            continue;
        }
        const std::size_t slash = current.rfind('/');
        const std::string name = slash == std::string::npos ? current : current.substr(slash + 1);
        const Resolved folder{ops.realpath(FolderOf(current).c_str()), &std::free};
        if (!folder) {
            return FileError::Last();
        }
        canonical = folder.get();
        if (canonical != "/") {
            canonical += '/';
        }
        canonical += name;
        return {};
    }
    return FileError(ELOOP);
}

bool SameFile(const std::string& a, const std::string& b) {
    const FileOps& ops = CurrentFileOps();
    struct stat first;
    struct stat second;
    const bool haveFirst = ops.stat(a.c_str(), &first) == 0;
    const bool haveSecond = ops.stat(b.c_str(), &second) == 0;
    if (haveFirst && haveSecond) {
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    }
    if (haveFirst || haveSecond) {
        return false;
    }
    std::string canonicalA;
    std::string canonicalB;
    return !CanonicalPath(a, canonicalA) && !CanonicalPath(b, canonicalB) &&
           canonicalA == canonicalB;
}

FileError OpenRegularFile(const std::string& path, struct stat& st, FileDescriptor& file) {
    const FileOps& ops = CurrentFileOps();
    // Looked at before opening, so that no device is even opened.
    if (ops.stat(path.c_str(), &st) != 0) {
        return FileError::Last();
    }
    if (!S_ISREG(st.st_mode)) {
        return FileError(EACCES);
    }
    // Non-blocking, in case a FIFO took the file's place meanwhile: opening
    // one for reading would wait for a writer.
    const int fd = ops.open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0);
    if (fd < 0) {
        // ENXIO: a socket, or a device without its driver.
        return FileError(errno == ENXIO ? EACCES : errno);
    }
    FileDescriptor opened(fd);
    if (ops.fstat(fd, &st) != 0) {
        return FileError::Last();
    }
    if (!S_ISREG(st.st_mode)) {
        return FileError(EACCES);
    }
    if (const FileError error = ClearNonBlocking(fd)) {
        return error;
    }
    file.Reset(opened.Release());
    return {};
}

FileError ReadWholeFile(const std::string& path, std::string& bytes) {
    struct stat st;
    FileDescriptor file;
    if (const FileError error = OpenRegularFile(path, st, file)) {
        // A folder is named as one, not as a file that may not be read.
        struct stat what;
        if (error.value() == EACCES && CurrentFileOps().stat(path.c_str(), &what) == 0 &&
            S_ISDIR(what.st_mode))
            return FileError(EISDIR);
        return error;
    }
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    std::unique_ptr<char[]> buffer(new char[kReadBlock]);
    for (;;) {
        std::size_t count = 0;
        if (const FileError error = ReadSome(file.get(), buffer.get(), kReadBlock, count))
            return error;
        if (count == 0)
            return {};
        bytes.append(buffer.get(), count);
    }
}

bool PathMayExist(const std::string& path) {
    struct stat st;
    if (CurrentFileOps().stat(path.c_str(), &st) == 0) {
        return true;
    }
    return errno != ENOENT && errno != ENOTDIR;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return CurrentFileOps().stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

FileError ClearNonBlocking(int fd) {
    const FileOps& ops = CurrentFileOps();
    const int flags = ops.fcntl(fd, F_GETFL, 0);
    if (flags < 0 || ops.fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return FileError::Last();
    }
    return {};
}

FileError CreateTempBeside(const std::string& target, std::string& tempPath, FileDescriptor& file) {
    const std::size_t slash = target.rfind('/');
    const std::size_t stemStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t stemLength = std::min(target.size() - stemStart, kTempStemMax);
    tempPath = target.substr(0, stemStart + stemLength) + ".XXXXXX";
    std::vector<char> name(tempPath.begin(), tempPath.end());
    name.push_back('\0');
    const int fd = CurrentFileOps().mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        return FileError::Last();
    }
    tempPath.assign(name.data());
    file.Reset(fd);
    return {};
}

void SyncFolder(const std::string& folder) {
    const int fd = CurrentFileOps().open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) {
        return;
    }
    FileDescriptor guard(fd);
    static_cast<void>(SyncFile(fd));
}

mode_t CurrentUmask() {
    // umask() can only be read by setting it; the program has one thread.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

bool ModeAllowsWrite(const struct stat& st) {
    const uid_t uid = ::geteuid();
    if (uid == 0) {
        return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    }
    if (st.st_uid == uid) {
        return (st.st_mode & S_IWUSR) != 0;
    }
    bool inGroup = st.st_gid == ::getegid();
    if (!inGroup) {
        const int count = ::getgroups(0, nullptr);
        if (count > 0) {
            std::vector<gid_t> groups(static_cast<std::size_t>(count));
            const int got = ::getgroups(count, groups.data());
            inGroup = got > 0 && std::find(groups.begin(), groups.begin() + got, st.st_gid) !=
                                     groups.begin() + got;
        }
    }
    return (st.st_mode & (inGroup ? S_IWGRP : S_IWOTH)) != 0;
}

} // namespace ruvo
