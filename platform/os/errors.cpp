#include "platform/os/errors.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace os {

namespace {

// The code the OS layer returned last on this thread and what lies behind it: the errno, the
// type of a name that is no regular file, the limit a file went beyond.
thread_local int gLastCode = 0;
thread_local int gLastErrno = 0;
thread_local unsigned gLastFileType = 0;
thread_local unsigned long long gLastLimit = 0;
thread_local std::string gLastText;

int Record(int code, int err) {
    gLastCode = code;
    gLastErrno = err;
    gLastFileType = 0;
    gLastLimit = 0;
    gLastText.clear();
    return code;
}

// What a name that is no regular file is, in words.
std::string FileTypeText(unsigned type) {
    switch (type) {
    case S_IFDIR:
        return "it is a folder";
    case S_IFIFO:
        return "it is a named pipe (FIFO), not a file";
    case S_IFCHR:
    case S_IFBLK:
        return "it is a device, not a file";
    case S_IFSOCK:
        return "it is a socket, not a file";
    default:
        return "it is no regular file";
    }
}

int Map(int err) {
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
    case EPIPE:
    case ECONNRESET:
        return kErrWriteFault;
    default:
        return kErrGeneralFailure;
    }
}

std::string DirectoryOf(const std::string& path) {
    std::string dir(path);
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    const auto slash = dir.rfind('/');
    if (slash == std::string::npos) return ".";
    dir.resize(slash == 0 ? 1 : slash);
    return dir;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// What the path itself says about a failure to reach it: a name or path beyond the limits, the
// first folder on the way that is missing or is no folder. Empty when the path looks fine.
std::string PathCause(const std::string& path) {
    if (path.empty()) return {};
    if (path.size() >= PATH_MAX) return "the name is too long";
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (end - start > kMaxNameBytes) return "the name is too long";
        start = end + 1;
    }
    std::string prefix;
    std::size_t pos = path[0] == '/' ? 1 : 0;
    const std::string dir = DirectoryOf(path);
    if (dir == "." || dir == "/") return {};
    for (;;) {
        const std::size_t slash = dir.find('/', pos);
        prefix = dir.substr(0, slash);
        if (!prefix.empty()) {
            struct stat st {};
            if (::stat(prefix.c_str(), &st) != 0) return "the folder " + prefix + " does not exist";
            if (!S_ISDIR(st.st_mode)) return prefix + " is no folder";
        }
        if (slash == std::string::npos) return {};
        pos = slash + 1;
    }
}

// The bytes a writer may still put into the folder of path; the most there can be when unknown.
unsigned long long FreeBytesBeside(const std::string& path) {
    struct statvfs vfs {};
    if (path.empty() || ::statvfs(DirectoryOf(path).c_str(), &vfs) != 0) return ULLONG_MAX;
    return static_cast<unsigned long long>(vfs.f_bavail) *
           (vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize);
}

// A write that failed with "disk full" although the disk has room: the file-size limit.
bool FileSizeLimitHit(const std::string& path) {
    struct rlimit rl {};
    if (::getrlimit(RLIMIT_FSIZE, &rl) != 0 || rl.rlim_cur == RLIM_INFINITY) return false;
    return FreeBytesBeside(path) > static_cast<unsigned long long>(rl.rlim_cur) + (1u << 20);
}

} // namespace

int ErrnoToDos(int err) {
    return Record(Map(err), err);
}

int NoteCode(int code) {
    return Record(code, 0);
}

int LastErrnoFor(int code) {
    return gLastCode == code ? gLastErrno : 0;
}

bool KnowsCauseOf(int code) {
    return code != kOk && gLastCode == code &&
           (gLastErrno != 0 || gLastFileType != 0 || gLastLimit != 0 || !gLastText.empty());
}

int NoteCause(int code, std::string text) {
    Record(code, 0);
    gLastText = std::move(text);
    return code;
}

int NoteNotRegularFile(unsigned mode) {
    Record(kErrAccessDenied, 0);
    gLastFileType = mode & S_IFMT;
    return kErrAccessDenied;
}

int NoteTooLarge(unsigned long long limit) {
    Record(kErrFileTooLarge, 0);
    gLastLimit = limit;
    return kErrFileTooLarge;
}

int NoteIncompleteWrite(const std::string& path, unsigned long long size) {
    struct rlimit rl {};
    // A writer that buffers stops short of the limit by up to its buffer.
    if (::getrlimit(RLIMIT_FSIZE, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY &&
        size + (1u << 20) >= static_cast<unsigned long long>(rl.rlim_cur))
        return Record(kErrWriteFault, EFBIG);
    if (FreeBytesBeside(path) < (1u << 20)) return Record(kErrWriteFault, ENOSPC);
    return NoteCause(kErrWriteFault, "the file came out incomplete");
}

std::string ErrorCauseText(int code, const std::string& path) {
    if (gLastCode == code && code != kOk && !gLastText.empty()) return gLastText;
    const int err = LastErrnoFor(code);
    switch (code) {
    case kOk:
        return "no error";
    case kErrFileNotFound:
        return "the file does not exist";
    case kErrPathNotFound: {
        if (err == ENAMETOOLONG) return "the name is too long";
        if (err == ELOOP) return "too many symbolic links on the way";
        const std::string cause = path.empty() ? std::string() : PathCause(path);
        if (!cause.empty()) return cause;
        if (err == ENOTDIR) return "a part of the path is no folder";
        return "the folder does not exist";
    }
    case kErrTooManyOpenFiles:
        return "too many files are open";
    case kErrAccessDenied:
        if (gLastCode == code && gLastFileType != 0) return FileTypeText(gLastFileType);
        if (err == EISDIR) return "it is a folder";
        if (err == ENOTEMPTY) return "the folder is not empty";
        // A folder the user may not write into is "permission denied" like a file; only a
        // refusal without a system error behind it is put down to the name being a folder.
        if (err == 0 && !path.empty() && IsDirectory(path)) return "it is a folder";
        return "permission denied";
    case kErrInvalidHandle:
        return "the file is not open";
    case kErrNotEnoughMemory:
        return "not enough memory";
    case kErrInvalidAccess:
    case kErrInvalidData:
    case kErrInvalidParameter:
        return "the request is not valid for this file";
    case kErrNotSameDevice:
        return "the folders lie on different file systems";
    case kErrWriteProtect:
        return "the disk is read-only";
    case kErrSharingViolation:
        return "another program is using the file";
    case kErrLockViolation:
        return "another program has locked a part of the file";
    case kErrNotLocked:
        return "the part of the file was not locked";
    case kErrFileExists:
        return "the file exists already";
    case kErrFileTooLarge:
        if (gLastCode == code && gLastLimit != 0)
            return "it is larger than " + std::to_string(gLastLimit) +
                   " bytes (the limit for such a file)";
        return "the file is too large to be read";
    case kErrReadFault:
        return "the file ends unexpectedly";
    case kErrWriteFault:
        if (err == EFBIG || (err == 0 && FileSizeLimitHit(path)))
            return "the file is too large (file-size limit)";
        if (err == EDQUOT) return "the disk quota is used up";
        if (err == EPIPE || err == ECONNRESET) return "the reader closed the connection";
        return "the disk is full";
    default:
        break;
    }
    if (err == EIO) return "an input/output error of the disk";
    if (err != 0) return std::strerror(err);
    return "an unexpected failure of the system";
}

namespace {

// Ignores sig unless someone installed a handler of their own.
void IgnoreWhileDefault(int sig) {
    struct sigaction current {};
    if (::sigaction(sig, nullptr, &current) != 0) return;
    if (current.sa_handler != SIG_DFL || (current.sa_flags & SA_SIGINFO) != 0) return;
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(sig, &ignore, nullptr);
}

} // namespace

void IgnoreFileSizeSignal() {
    IgnoreWhileDefault(SIGXFSZ);
}

void IgnoreBrokenPipeSignal() {
    IgnoreWhileDefault(SIGPIPE);
}

int NoteReaderGone(unsigned long long bytes, const std::string& reader) {
    // What went into a pipe is not what its reader took: the figure is said as what it is.
    return NoteCause(kErrWriteFault, reader + " closed the connection after " +
                                         std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes") +
                                         " had gone into the pipe");
}

int ErrnoToDosForPath(int err, const char* path) {
    if (err != ENOENT || path == nullptr) return ErrnoToDos(err);
    const int saved = errno; // callers may still test errno
    // A missing file in an existing directory is "file not found"; a missing directory on
    // the way is "path not found".
    const int code = IsDirectory(DirectoryOf(path)) ? kErrFileNotFound : kErrPathNotFound;
    errno = saved;
    return Record(code, err);
}

} // namespace os
