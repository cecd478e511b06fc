#include "platform/os/file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/os/paths.h"

namespace os {

namespace {

// Marker bytes of the share-mode protocol. Every open File holds a shared lock on the bytes
// that describe it; an opener tests the other openers' bytes while holding the gate byte, so
// test-and-take is atomic between processes.
constexpr std::uint64_t kGate = kShareAreaBase;
constexpr std::uint64_t kOpenRead = kShareAreaBase + 1;
constexpr std::uint64_t kOpenWrite = kShareAreaBase + 2;
constexpr std::uint64_t kDenyRead = kShareAreaBase + 3;
constexpr std::uint64_t kDenyWrite = kShareAreaBase + 4;

constexpr std::uint64_t kMaxOffset = static_cast<std::uint64_t>(LLONG_MAX);

struct flock MakeLock(short type, std::uint64_t offset, std::uint64_t length) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    fl.l_pid = 0; // required for open-file-description locks
    return fl;
}

int SetLock(int fd, short type, std::uint64_t offset, std::uint64_t length, bool wait) {
    struct flock fl = MakeLock(type, offset, length);
    for (;;) {
        if (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return 0;
        if (errno != EINTR) return errno;
    }
}

// True when an open file description other than fd's holds a lock overlapping the range.
bool HeldByOther(int fd, std::uint64_t offset, std::uint64_t length) {
    struct flock fl = MakeLock(F_WRLCK, offset, length);
    if (::fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;
    return fl.l_type != F_UNLCK;
}

bool WantsRead(Access a) {
    return a != Access::Write;
}
bool WantsWrite(Access a) {
    return a != Access::Read;
}
bool DeniesRead(Share s) {
    return s == Share::DenyAll || s == Share::DenyRead;
}
bool DeniesWrite(Share s) {
    return s == Share::DenyAll || s == Share::DenyWrite;
}

// The descriptors of every open File of the program, for IsOpenInThisProgram. Never destroyed:
// Files that live in other globals close during the program's end, in any order.
std::mutex& OpenFilesLock() {
    static auto* m = new std::mutex;
    return *m;
}
std::vector<int>& OpenFiles() {
    static auto* fds = new std::vector<int>;
    return *fds;
}
void NoteOpen(int fd) {
    const std::lock_guard<std::mutex> hold(OpenFilesLock());
    OpenFiles().push_back(fd);
}
void NoteClosed(int fd) {
    const std::lock_guard<std::mutex> hold(OpenFilesLock());
    auto& fds = OpenFiles();
    fds.erase(std::remove(fds.begin(), fds.end(), fd), fds.end());
}

// The files this process read, for a run that must never write over them (GuardFilesRead).
struct TFileRead {
    dev_t Device;
    ino_t Inode;
    std::string Path;
};
std::atomic<bool> gGuardFilesRead{false};
std::vector<TFileRead>& FilesRead() {
    static auto* files = new std::vector<TFileRead>;
    return *files;
}
void NoteRead(int fd, const std::string& path) {
    if (!gGuardFilesRead.load()) return;
    struct stat st {};
    if (::fstat(fd, &st) != 0) return;
    const std::lock_guard<std::mutex> hold(OpenFilesLock());
    for (const TFileRead& f : FilesRead())
        if (f.Device == st.st_dev && f.Inode == st.st_ino && f.Path == AbsolutePath(path)) return;
    FilesRead().push_back({st.st_dev, st.st_ino, AbsolutePath(path)});
}

bool RangeOk(std::uint64_t offset, std::uint64_t length) {
    return offset <= kShareAreaBase && length <= kShareAreaBase - offset;
}

// open(2) that never waits: with O_NONBLOCK a named pipe opens (or fails) at once instead of
// waiting for the other end, and O_NOCTTY keeps a terminal from becoming ours. Anything but a
// regular file is closed again and refused with its type noted. The descriptor returned blocks
// as usual. -1 with code set on failure.
int OpenRegular(const std::string& path, int flags, int& code) {
    code = kOk;
    int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (fd < 0) {
        const int err = errno;
        struct stat st {};
        // A pipe without a reader (ENXIO for writing) or a device that is not there: say
        // what the name is rather than the system's word for the failure.
        if (err != ENOENT && err != EISDIR && ::stat(path.c_str(), &st) == 0 &&
            !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
            code = NoteNotRegularFile(st.st_mode);
        else
            code = ErrnoToDosForPath(err, path.c_str());
        errno = err;
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        code = ErrnoToDos(errno);
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        code = NoteNotRegularFile(st.st_mode);
        ::close(fd);
        errno = 0;
        return -1;
    }
    const int fl = ::fcntl(fd, F_GETFL);
    if (fl != -1) (void)::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    return fd;
}

} // namespace

OpenMode OpenModeFromDos(unsigned mode) {
    OpenMode m;
    switch (mode & 7u) {
    case 0:
        m.access = Access::Read;
        break;
    case 1:
        m.access = Access::Write;
        break;
    default:
        m.access = Access::ReadWrite;
        break;
    }
    switch ((mode >> 4) & 7u) {
    case 2:
        m.share = Share::DenyWrite;
        break;
    case 3:
        m.share = Share::DenyRead;
        break;
    case 4:
        m.share = Share::DenyNone;
        break;
    default:
        m.share = Share::DenyAll;
        break; // compatibility mode and deny all
    }
    return m;
}

File::~File() {
    Close();
}

File::File(File&& other) noexcept
    : fd_(other.fd_), pos_(other.pos_), path_(std::move(other.path_)), mode_(other.mode_),
      locks_(std::move(other.locks_)) {
    other.fd_ = -1;
    other.pos_ = 0;
    other.locks_.clear();
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        pos_ = other.pos_;
        path_ = std::move(other.path_);
        mode_ = other.mode_;
        locks_ = std::move(other.locks_);
        other.fd_ = -1;
        other.pos_ = 0;
        other.locks_.clear();
    }
    return *this;
}

int File::Open(const std::string& path, OpenMode mode, Disposition disp) {
    Close();
    if (path.empty()) return NoteCode(kErrPathNotFound);

    int create = 0;
    switch (disp) {
    case Disposition::OpenExisting:
        break;
    case Disposition::OpenAlways:
    case Disposition::CreateAlways:
        create = O_CREAT;
        break;
    case Disposition::CreateNew:
        create = O_CREAT | O_EXCL;
        break;
    }
    // The descriptor is opened for reading and writing whenever the file allows it, so that
    // share markers (shared locks need read access) and byte-range locks (exclusive locks need
    // write access) work for every access mode; the access mode itself is enforced here.
    int code = kOk;
    int fd = OpenRegular(path, O_RDWR | create, code);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == ETXTBSY || errno == EPERM)) {
        if (mode.access == Access::Read)
            fd = OpenRegular(path, O_RDONLY | create, code);
        else if (mode.access == Access::Write)
            fd = OpenRegular(path, O_WRONLY | create, code);
    }
    if (fd < 0) return code;

    const int flags = ::fcntl(fd, F_GETFL);
    const int acc = flags & O_ACCMODE;
    const bool canRead = acc == O_RDONLY || acc == O_RDWR;
    const bool canWrite = acc == O_WRONLY || acc == O_RDWR;

    // Sharing: the gate serialises openers; then the other openers' markers are tested and
    // our own are taken.
    bool gate = false;
    if (canWrite) gate = SetLock(fd, F_WRLCK, kGate, 1, true) == 0;
    bool conflict = false;
    if (WantsRead(mode.access) && HeldByOther(fd, kDenyRead, 1)) conflict = true;
    if (WantsWrite(mode.access) && HeldByOther(fd, kDenyWrite, 1)) conflict = true;
    if (DeniesRead(mode.share) && HeldByOther(fd, kOpenRead, 1)) conflict = true;
    if (DeniesWrite(mode.share) && HeldByOther(fd, kOpenWrite, 1)) conflict = true;
    int err = 0;
    if (!conflict && canRead) {
        if (WantsRead(mode.access) && !err) err = SetLock(fd, F_RDLCK, kOpenRead, 1, false);
        if (WantsWrite(mode.access) && !err) err = SetLock(fd, F_RDLCK, kOpenWrite, 1, false);
        if (DeniesRead(mode.share) && !err) err = SetLock(fd, F_RDLCK, kDenyRead, 1, false);
        if (DeniesWrite(mode.share) && !err) err = SetLock(fd, F_RDLCK, kDenyWrite, 1, false);
    }
    if (gate) SetLock(fd, F_UNLCK, kGate, 1, false);
    if (conflict || err) {
        ::close(fd); // drops every lock of this description
        return conflict ? kErrSharingViolation : ErrnoToDos(err);
    }

    if (disp == Disposition::CreateAlways && ::ftruncate(fd, 0) != 0) {
        const int e = errno;
        ::close(fd);
        return ErrnoToDos(e);
    }
    fd_ = fd;
    pos_ = 0;
    path_ = path;
    mode_ = mode;
    locks_.clear();
    NoteOpen(fd);
    if (WantsRead(mode.access)) NoteRead(fd, path);
    return kOk;
}

int File::Close() {
    if (fd_ < 0) return kOk;
    const int fd = fd_;
    fd_ = -1;
    pos_ = 0;
    locks_.clear();
    NoteClosed(fd);
    // Closing the only descriptor of the description releases its locks.
    if (::close(fd) != 0 && errno != EINTR) return ErrnoToDos(errno);
    return kOk;
}

int File::Seek(std::uint64_t pos) {
    if (fd_ < 0) return kErrInvalidHandle;
    if (pos > kMaxOffset) return kErrInvalidParameter;
    pos_ = pos;
    return kOk;
}

int File::ReadSomeAt(std::uint64_t offset, void* buf, std::size_t n, std::size_t& got) {
    got = 0;
    if (fd_ < 0) return kErrInvalidHandle;
    if (!WantsRead(mode_.access)) return NoteCode(kErrAccessDenied);
    if (offset > kMaxOffset) return kErrInvalidParameter;
    auto* p = static_cast<char*>(buf);
    while (got < n) {
        const std::size_t chunk = std::min<std::size_t>(n - got, 1u << 30);
        const ssize_t r = ::pread(fd_, p + got, chunk, static_cast<off_t>(offset + got));
        if (r < 0) {
            if (errno == EINTR) continue;
            return ErrnoToDos(errno);
        }
        if (r == 0) break; // end of file
        got += static_cast<std::size_t>(r);
    }
    return kOk;
}

int File::ReadAt(std::uint64_t offset, void* buf, std::size_t n) {
    std::size_t got = 0;
    const int rc = ReadSomeAt(offset, buf, n, got);
    if (rc != kOk) return rc;
    return got == n ? kOk : kErrReadFault;
}

int File::WriteAt(std::uint64_t offset, const void* buf, std::size_t n) {
    if (fd_ < 0) return kErrInvalidHandle;
    if (!WantsWrite(mode_.access)) return NoteCode(kErrAccessDenied);
    if (offset > kMaxOffset || n > kMaxOffset - offset) return kErrInvalidParameter;
    const auto* p = static_cast<const char*>(buf);
    std::size_t done = 0;
    while (done < n) {
        const std::size_t chunk = std::min<std::size_t>(n - done, 1u << 30);
        const ssize_t w = ::pwrite(fd_, p + done, chunk, static_cast<off_t>(offset + done));
        if (w < 0) {
            if (errno == EINTR) continue;
            return ErrnoToDos(errno);
        }
        if (w == 0) return kErrWriteFault;
        done += static_cast<std::size_t>(w);
    }
    return kOk;
}

int File::ReadSome(void* buf, std::size_t n, std::size_t& got) {
    const int rc = ReadSomeAt(pos_, buf, n, got);
    pos_ += got;
    return rc;
}

int File::Read(void* buf, std::size_t n) {
    std::size_t got = 0;
    const int rc = ReadSome(buf, n, got);
    if (rc != kOk) return rc;
    return got == n ? kOk : kErrReadFault;
}

int File::Write(const void* buf, std::size_t n) {
    const int rc = WriteAt(pos_, buf, n);
    if (rc == kOk) pos_ += n;
    return rc;
}

int File::Size(std::uint64_t& size) const {
    size = 0;
    if (fd_ < 0) return kErrInvalidHandle;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return ErrnoToDos(errno);
    size = static_cast<std::uint64_t>(st.st_size);
    return kOk;
}

int File::Truncate(std::uint64_t size) {
    if (fd_ < 0) return kErrInvalidHandle;
    if (!WantsWrite(mode_.access)) return NoteCode(kErrAccessDenied);
    if (size > kMaxOffset) return kErrInvalidParameter;
    while (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
        if (errno != EINTR) return ErrnoToDos(errno);
    }
    return kOk;
}

int File::Flush() {
    if (fd_ < 0) return kErrInvalidHandle;
    if (::fsync(fd_) != 0) {
        // Special files and some file systems cannot be synced; nothing is lost then.
        if (errno == EINVAL || errno == EROFS) return kOk;
        return ErrnoToDos(errno);
    }
    return kOk;
}

int File::Lock(std::uint64_t offset, std::uint64_t length) {
    if (fd_ < 0) return kErrInvalidHandle;
    if (length == 0) return kOk;
    if (!RangeOk(offset, length)) return kErrInvalidParameter;
    for (const Range& r : locks_)
        if (offset < r.offset + r.length && r.offset < offset + length) return kErrLockViolation;
    const int e = SetLock(fd_, F_WRLCK, offset, length, false);
    if (e == EAGAIN || e == EACCES) return kErrLockViolation;
    if (e == EBADF) return NoteCode(kErrAccessDenied); // descriptor without write access
    if (e != 0) return ErrnoToDos(e);
    locks_.push_back({offset, length});
    return kOk;
}

int File::Unlock(std::uint64_t offset, std::uint64_t length) {
    if (fd_ < 0) return kErrInvalidHandle;
    if (length == 0) return kOk;
    const auto it = std::find_if(locks_.begin(), locks_.end(), [&](const Range& r) {
        return r.offset == offset && r.length == length;
    });
    if (it == locks_.end()) return kErrNotLocked;
    const int e = SetLock(fd_, F_UNLCK, offset, length, false);
    if (e != 0) return ErrnoToDos(e);
    locks_.erase(it);
    return kOk;
}

int File::TestLock(std::uint64_t offset, std::uint64_t length, bool& locked) const {
    locked = false;
    if (fd_ < 0) return kErrInvalidHandle;
    if (length == 0) return kOk;
    if (!RangeOk(offset, length)) return kErrInvalidParameter;
    struct flock fl = MakeLock(F_WRLCK, offset, length);
    if (::fcntl(fd_, F_OFD_GETLK, &fl) != 0) return ErrnoToDos(errno);
    locked = fl.l_type != F_UNLCK;
    return kOk;
}

int WriteAllTo(int fd, std::string_view bytes, std::uint64_t& done, const std::string& reader) {
    done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::uint64_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            struct pollfd p {
                fd, POLLOUT, 0
            };
            (void)::poll(&p, 1, -1); // an error shows at the next write
            continue;
        }
        if (n < 0 && (errno == EPIPE || errno == ECONNRESET)) return NoteReaderGone(done, reader);
        return n < 0 ? ErrnoToDos(errno) : NoteCode(kErrWriteFault);
    }
    return kOk;
}

int OpenForReading(const std::string& path, int& fd) {
    fd = -1;
    if (path.empty()) return NoteCode(kErrPathNotFound);
    int code = kOk;
    fd = OpenRegular(path, O_RDONLY, code);
    if (fd >= 0) NoteRead(fd, path);
    return code;
}

int ReadWholeFile(const std::string& path, std::string& bytes, std::uint64_t limit) {
    bytes.clear();
    File f;
    int rc = f.Open(path, OpenMode{Access::Read, Share::DenyNone});
    if (rc != kOk) return rc;
    std::uint64_t size = 0;
    if ((rc = f.Size(size)) != kOk) return rc;
    if (size > limit) return NoteTooLarge(limit);
    if (size > bytes.max_size()) return kErrNotEnoughMemory;
    bytes.resize(static_cast<std::size_t>(size));
    std::size_t got = 0;
    rc = f.ReadSome(bytes.data(), bytes.size(), got);
    bytes.resize(got);
    if (rc != kOk) return rc;
    // A file that grew while being read (or one that tells no size, as in /proc): take the
    // rest too, within the limit.
    char buf[65536];
    for (;;) {
        if ((rc = f.ReadSome(buf, sizeof buf, got)) != kOk) return rc;
        if (got == 0) break;
        if (got > limit - bytes.size()) {
            bytes.clear();
            return NoteTooLarge(limit);
        }
        bytes.append(buf, got);
    }
    return f.Close();
}

int WriteWholeFileAtomic(const std::string& linkOrPath, std::string_view bytes) {
    Replacement r;
    int rc = BeginReplace(linkOrPath, r, ".new");
    if (rc != kOk) return rc;
    File f;
    rc = f.Open(r.Draft, OpenMode{Access::Write, Share::DenyAll});
    if (rc == kOk) rc = f.Write(bytes.data(), bytes.size());
    const int closeRc = f.Close();
    if (rc == kOk) rc = closeRc;
    if (rc != kOk) {
        AbandonReplace(r);
        return rc;
    }
    return CommitReplace(r, static_cast<long long>(bytes.size()));
}

namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// Makes a rename in dir durable; failures only cost durability, so they are not reported.
void SyncFolder(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

} // namespace

int BeginReplace(const std::string& linkOrPath, Replacement& r, const std::string& ext) {
    r = {};
    if (linkOrPath.empty()) return NoteCode(kErrPathNotFound);
    // A symbolic link stays a link: the file it names is replaced.
    std::string path = linkOrPath;
    struct stat lst {};
    if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            path = real;
            std::free(real);
        }
    }
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    // A device, a pipe or a folder is never written into or replaced, whoever writes.
    if (exists && !S_ISREG(st.st_mode)) return NoteNotRegularFile(st.st_mode);
    if (exists && ::access(path.c_str(), W_OK) != 0) return ErrnoToDos(errno);
    if (const std::string read = FileReadAs(path); exists && !read.empty())
        return NoteCause(kErrSharingViolation, "it is " + read + ", which this run reads");
    const auto slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.empty()) return NoteNotRegularFile(S_IFDIR);
    if (const int rc = CreateTempFile(FolderOf(path), "." + base + ".", r.Draft, ext); rc != kOk) {
        r.Draft.clear();
        return rc;
    }
    // The replacement keeps the permissions of the file it replaces.
    if (exists) (void)::chmod(r.Draft.c_str(), st.st_mode & 07777);
    r.Target = path;
    return kOk;
}

int CommitReplace(Replacement& r, long long expectedSize, const DraftCheck& whole) {
    if (r.Draft.empty()) return NoteCode(kErrInvalidHandle);
    int rc = kOk;
    const int fd = ::open(r.Draft.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        rc = ErrnoToDosForPath(errno, r.Draft.c_str());
    } else {
        const auto size = static_cast<std::uint64_t>(st.st_size);
        if (expectedSize >= 0 && size != static_cast<std::uint64_t>(expectedSize)) {
            rc = NoteIncompleteWrite(r.Target, size);
        } else if (whole) {
            if (const std::string wrong = whole(fd, size); !wrong.empty()) {
                // The system's cause when there is one (a limit, a full disk), else the check's.
                rc = NoteIncompleteWrite(r.Target, size);
                if (LastErrnoFor(rc) == 0) rc = NoteCause(kErrWriteFault, wrong);
            }
        }
        if (rc == kOk && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
            rc = ErrnoToDos(errno);
    }
    if (fd >= 0) ::close(fd);
    if (rc == kOk) rc = RenameOver(r.Draft, r.Target);
    if (rc != kOk) {
        AbandonReplace(r);
        return rc;
    }
    r.Draft.clear();
    SyncFolder(FolderOf(r.Target)); // the new name must survive a crash as well as the contents
    return kOk;
}

void AbandonReplace(Replacement& r) {
    if (!r.Draft.empty()) (void)::unlink(r.Draft.c_str());
    r.Draft.clear();
}

void GuardFilesRead() {
    gGuardFilesRead.store(true);
}

std::string FileReadAs(const std::string& path) {
    struct stat st {};
    if (!gGuardFilesRead.load() || path.empty() || ::stat(path.c_str(), &st) != 0) return {};
    const std::lock_guard<std::mutex> hold(OpenFilesLock());
    for (const TFileRead& f : FilesRead()) {
        // Still that file under the name it was read by: a scratch file read and removed may
        // have left its inode number to a new one.
        struct stat now {};
        if (f.Device == st.st_dev && f.Inode == st.st_ino && ::stat(f.Path.c_str(), &now) == 0 &&
            now.st_dev == st.st_dev && now.st_ino == st.st_ino)
            return f.Path;
    }
    return {};
}

bool IsOpenInThisProgram(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
    const std::lock_guard<std::mutex> hold(OpenFilesLock());
    for (const int fd : OpenFiles()) {
        struct stat held {};
        if (::fstat(fd, &held) == 0 && held.st_dev == st.st_dev && held.st_ino == st.st_ino)
            return true;
    }
    return false;
}

} // namespace os
