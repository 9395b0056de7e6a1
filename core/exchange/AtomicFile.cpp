#include "AtomicFile.h"

#include "PhoneBookFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ruvo::exchange {

namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a symbolic link names, so that the link stays a link.
std::string Resolve(const std::string& path) {
    char resolved[PATH_MAX];
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
        ::realpath(path.c_str(), resolved) != nullptr)
        return resolved;
    return path;
}

} // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
    const std::string target = Resolve(path);
    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        ThrowInOutError(EISDIR, path);
    std::string temp = target + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        ThrowInOutError(errno, path);
    const auto fail = [&](int error) {
        ::close(fd);
        ::unlink(temp.c_str());
        ThrowInOutError(error, path);
    };
    mode_t mode = 0666;
    if (exists) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    if (::fchmod(fd, mode) != 0)
        fail(errno);
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t count = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            fail(errno);
        done += static_cast<std::size_t>(count);
    }
    if (::fsync(fd) != 0)
        fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        ThrowInOutError(error, path);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        ThrowInOutError(error, path);
    }
    const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

} // namespace ruvo::exchange
