#include "core/file/InOutError.h"

#include "core/error/Errors.h"
#include "core/file/FileSystem.h"
#include "core/messages/MessageText.h"

#include <cerrno>
#include <sys/stat.h>

namespace ruvo {

namespace {

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

std::string InOutErrorText(int errnoValue, const std::string& path) {
    try {
        ThrowInOutError(errnoValue, path);
    } catch (const EInOutError& error) {
        return error.what();
    }
}

} // namespace ruvo
