#include "platform/os/errors.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>

namespace os {

int ErrnoToDos(int err) {
    switch (err) {
    case 0:
        return kOk;
    case ENOENT:
        return kErrFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return kErrPathNotFound;
    case EMFILE:
    case ENFILE:
        return kErrTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
    case ENOTEMPTY:
        return kErrAccessDenied;
    case EBADF:
        return kErrInvalidHandle;
    case ENOMEM:
        return kErrNotEnoughMemory;
    case EINVAL:
        return kErrInvalidData;
    case EXDEV:
        return kErrNotSameDevice;
    case EROFS:
        return kErrWriteProtect;
    case EBUSY:
    case ETXTBSY:
        return kErrSharingViolation;
    case EAGAIN:
    case EDEADLK:
        return kErrLockViolation;
    case EEXIST:
        return kErrFileExists;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return kErrWriteFault;
    default:
        return kErrGeneralFailure;
    }
}

int ErrnoToDosForPath(int err, const char* path) {
    if (err != ENOENT || path == nullptr) return ErrnoToDos(err);
    // A missing file in an existing directory is "file not found"; a missing directory on
    // the way is "path not found".
    std::string dir(path);
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    const auto slash = dir.rfind('/');
    if (slash == std::string::npos)
        dir = ".";
    else
        dir.resize(slash == 0 ? 1 : slash);
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return kErrFileNotFound;
    return kErrPathNotFound;
}

} // namespace os
