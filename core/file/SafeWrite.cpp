#include "core/file/SafeWrite.h"

#include "core/file/InOutError.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace ruvo {

namespace {

constexpr std::size_t kCopyBlock = 1 << 20;

// Removes the temporary file of a write unless the write went through. Only
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

mode_t ModeBits(const struct stat& st) {
    return st.st_mode & 07777;
}

// Where a write goes and how.
struct Target {
    std::string path; // the file the user's path names, links resolved
    bool exists = false;
    struct stat st {}; // of that file, when it exists
    // The file itself is emptied and written, rather than replaced by a
    // temporary beside it.
    bool inPlace = false;
    const struct stat* copyOf = nullptr; // for a copy: the file copied
    FileDescriptor file;                 // the temporary, or the file itself
    TempFileGuard temp;                  // removes the temporary unless committed
};

// Resolves links, refuses a folder (and, for a save, a file the user may not
// write), and tells whether the file has to be written in place.
FileError LookAtTarget(const std::string& path, Target& target) {
    const FileOps& ops = CurrentFileOps();
    if (const FileError error = ResolveLinks(path, target.path)) {
        return error;
    }
    target.exists = ops.stat(target.path.c_str(), &target.st) == 0;
    if (target.exists) {
        if (S_ISDIR(target.st.st_mode)) {
            return FileError(EISDIR);
        }
        if (target.copyOf != nullptr) {
            return {};
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
    if (target.copyOf != nullptr) {
        return {};
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

// Creates the temporary that is to replace the target; for a save, with the
// target's owner, group and mode. Falls back to writing in place when the
// folder takes no new file or, for a save, no temporary can take them.
FileError OpenReplacement(Target& target) {
    std::string tempPath;
    if (const FileError error = CreateTempBeside(target.path, tempPath, target.file)) {
        // A copy goes in place only over a file that is there: rather that
        // than keep a copy that does not match its source.
        if (!PermissionRefused(error.value()) ||
            (target.copyOf != nullptr && !(target.exists && S_ISREG(target.st.st_mode)))) {
            return error;
        }
        target.inPlace = true;
        return {};
    }
    target.temp.path = tempPath;
    // A copy takes its attributes once written, since writing sets the times.
    if (target.copyOf != nullptr ||
        GiveAttributes(target.file.get(), target.exists ? &target.st : nullptr)) {
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
FileError OpenInPlace(Target& target) {
    const FileOps& ops = CurrentFileOps();
    if (target.copyOf != nullptr) {
        const int fd = ops.open(target.path.c_str(), O_WRONLY | O_CLOEXEC, 0);
        if (fd < 0) {
            return FileError::Last();
        }
        target.file.Reset(fd);
        // Someone else's file takes no times from us: they are left.
        const mode_t mode = ModeBits(*target.copyOf);
        if (ModeBits(target.st) != mode && ops.fchmod(fd, mode) != 0) {
            return FileError::Last();
        }
        return ops.ftruncate(fd, 0) == 0 ? FileError() : FileError::Last();
    }
    // A FIFO with no reader must not hold the save up: opening it without
    // waiting fails at once instead.
    const bool special = target.exists && !S_ISREG(target.st.st_mode);
    const int fd =
        ops.open(target.path.c_str(),
                 O_WRONLY | O_TRUNC | O_CREAT | O_CLOEXEC | (special ? O_NONBLOCK : 0), 0666);
    if (fd < 0) {
        // ENXIO: a FIFO nobody reads, a socket.
        return FileError(errno == ENXIO ? EACCES : errno);
    }
    target.file.Reset(fd);
    return special ? ClearNonBlocking(fd) : FileError();
}

// The first step: decides where and how the write goes and opens that file.
// Nothing has been written yet when it fails.
FileError PrepareTarget(const std::string& path, Target& target) {
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

// A copy's temporary, once written: the mode and times of the file copied.
FileError GiveCopyAttributes(const Target& target) {
    if (target.inPlace) {
        return {};
    }
    const FileOps& ops = CurrentFileOps();
    const int fd = target.file.get();
    const struct timespec times[2] = {target.copyOf->st_atim, target.copyOf->st_mtim};
    if (ops.fchmod(fd, ModeBits(*target.copyOf)) != 0 || ops.futimens(fd, times) != 0) {
        return FileError::Last();
    }
    return {};
}

// The last step: syncs and closes the written file and, for a temporary,
// renames it over the target and makes the rename durable.
FileError Commit(Target& target) {
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

FileError WriteSafely(const std::string& path, const BodyWriter& write, const struct stat* copyOf) {
    Target target;
    target.copyOf = copyOf;
    if (const FileError error = PrepareTarget(path, target)) {
        return error;
    }
    FileError error = write(target.file.get());
    if (!error && copyOf != nullptr) {
        error = GiveCopyAttributes(target);
    }
    // After a failure the file is only closed; the temporary goes with
    // target.
    return error ? CloseAfter(target.file, error) : Commit(target);
}

void SaveBytes(const std::string& path, std::string_view bytes) {
    if (const FileError error =
            WriteSafely(path, [bytes](int fd) { return WriteAll(fd, bytes); })) {
        ThrowInOutError(error.value(), path);
    }
}

bool CopyFileSilently(const std::string& source, const std::string& destination) {
    struct stat sourceStat;
    FileDescriptor in;
    if (OpenRegularFile(source, sourceStat, in)) {
        return false;
    }
    // Copying a file onto itself would empty it.
    if (SameFile(source, destination)) {
        return false;
    }
    const int from = in.get();
    return !WriteSafely(
        destination, [from](int fd) { return CopyBytes(from, fd); }, &sourceStat);
}

} // namespace ruvo
