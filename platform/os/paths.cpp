#include "platform/os/paths.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <pthread.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

#include "platform/os/utf8.h"

namespace os {

namespace {

bool StatOk(const std::string& path, struct stat& st) {
    return ::stat(path.c_str(), &st) == 0;
}

// Lower-case form of a code point for name comparison: ASCII, Latin-1 and the Windows 1252
// letters of Latin Extended-A.
char32_t FoldCase(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    switch (c) {
    case 0x160:
        return 0x161;
    case 0x152:
        return 0x153;
    case 0x17D:
        return 0x17E;
    case 0x178:
        return 0xFF;
    default:
        return c;
    }
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

} // namespace

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && StatOk(path, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && StatOk(path, st) && S_ISDIR(st.st_mode);
}

int RenameOver(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        const int e = errno;
        // Tell which side is missing.
        if (e == ENOENT && ::access(from.c_str(), F_OK) != 0)
            return ErrnoToDosForPath(e, from.c_str());
        return ErrnoToDosForPath(e, to.c_str());
    }
    return kOk;
}

int RemoveFile(const std::string& path) {
    if (DirectoryExists(path)) return NoteNotRegularFile(S_IFDIR);
    if (::unlink(path.c_str()) != 0) return ErrnoToDosForPath(errno, path.c_str());
    return kOk;
}

int MakeDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) != 0) {
        if (errno == EEXIST && DirectoryExists(path)) return kOk;
        if (errno == EEXIST) return kErrAccessDenied;
        return ErrnoToDosForPath(errno, path.c_str());
    }
    return kOk;
}

int MakeDirectories(const std::string& path) {
    if (path.empty()) return kErrPathNotFound;
    if (DirectoryExists(path)) return kOk;
    for (std::size_t pos = path.find('/', 1); pos != std::string::npos;
         pos = path.find('/', pos + 1)) {
        const std::string part = path.substr(0, pos);
        if (!DirectoryExists(part)) {
            const int rc = MakeDirectory(part);
            if (rc != kOk) return rc;
        }
    }
    return MakeDirectory(path);
}

int RemoveDirectory(const std::string& path) {
    if (::rmdir(path.c_str()) != 0) return ErrnoToDosForPath(errno, path.c_str());
    return kOk;
}

int FileSize(const std::string& path, std::uint64_t& size) {
    size = 0;
    struct stat st {};
    if (!StatOk(path, st)) return ErrnoToDosForPath(errno, path.c_str());
    if (S_ISDIR(st.st_mode)) return NoteNotRegularFile(S_IFDIR);
    size = static_cast<std::uint64_t>(st.st_size);
    return kOk;
}

int FileModTime(const std::string& path, std::int64_t& unixSeconds) {
    unixSeconds = 0;
    struct stat st {};
    if (!StatOk(path, st)) return ErrnoToDosForPath(errno, path.c_str());
    unixSeconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    return kOk;
}

std::string TempDirectory() {
    const char* env = std::getenv("TMPDIR");
    std::string dir = env != nullptr ? env : "";
    if (dir.empty() || !DirectoryExists(dir)) dir = "/tmp";
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

std::string XdgDirectory(XdgKind kind) {
    const char* env = std::getenv(kind == XdgKind::Config ? "XDG_CONFIG_HOME" : "XDG_DATA_HOME");
    // Only an absolute path counts; a relative one is to be ignored.
    if (env != nullptr && *env == '/') {
        std::string dir = env;
        while (dir.size() > 1 && dir.back() == '/')
            dir.pop_back();
        return dir;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home != '/') return {};
    std::string dir = home;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir + (kind == XdgKind::Config ? "/.config" : "/.local/share");
}

namespace {

// The drafts of a run that removes them on a signal: fixed slots the handler reads without
// allocating; a slot's path is only read while its flag is set.
constexpr int kDraftSlots = 64;
constexpr std::size_t kDraftPathBytes = 4096;
struct DraftSlot {
    std::atomic<int> used{0};
    char path[kDraftPathBytes];
};
DraftSlot gDrafts[kDraftSlots];
std::atomic<bool> gDraftsGuarded{false};
int gSignalAtDraft = 0, gSignalToRaise = 0;
constexpr int kDraftSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Folders of the run's own scratch files, removed after the drafts when they are empty then.
// A scratch folder in a shared place may serve several runs at once: each run holds it open
// with a shared lock, and only a run that gets it alone removes it (ReleaseFolder).
constexpr int kFolderSlots = 4;
struct FolderSlot {
    std::atomic<int> used{0};
    int fd = -1;
    char path[kDraftPathBytes];
};
FolderSlot gFolders[kFolderSlots];

// Removes the slot's folder when it is empty and no other run holds it; the slot is freed.
// Only system calls: the signal handler uses it too.
void ReleaseFolder(FolderSlot& slot) {
    if (::flock(slot.fd, LOCK_EX | LOCK_NB) == 0) (void)::rmdir(slot.path);
    (void)::close(slot.fd);
    slot.fd = -1;
    slot.used.store(0);
}

void RemoveDrafts() {
    for (DraftSlot& slot : gDrafts)
        if (slot.used.load() == 1) (void)::unlink(slot.path);
    for (FolderSlot& slot : gFolders)
        if (slot.used.load() == 1) ReleaseFolder(slot);
}

extern "C" void RemoveDraftsAndEnd(int sig) {
    RemoveDrafts();
    ::_exit(128 + sig);
}

// A program with an event loop ends there: the first signal is only told through the pipe (the
// work in hand completes); a second one before the loop took the first ends it at once.
std::atomic<int> gDeferredSignal{0};
int gSignalPipe[2] = {-1, -1};

extern "C" void DeferDraftSignal(int sig) {
    int none = 0;
    if (gSignalPipe[1] < 0 || !gDeferredSignal.compare_exchange_strong(none, sig))
        RemoveDraftsAndEnd(sig);
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(sig);
    (void)!::write(gSignalPipe[1], &byte, 1);
    errno = saved;
}

void InstallDraftHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (const int sig : kDraftSignals)
        sigaddset(&action.sa_mask, sig);
    gDraftsGuarded.store(true);
    for (const int sig : kDraftSignals) {
        // A signal the program was started ignoring (SIGHUP under nohup, SIGINT in a job a
        // script put into the background) stays ignored: whoever started us asked for that.
        struct sigaction current {};
        if (::sigaction(sig, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0 &&
            current.sa_handler == SIG_IGN)
            continue;
        ::sigaction(sig, &action, nullptr);
    }
}

// Blocks the draft signals while a draft is made and noted, so none arrives in between.
class DraftSignalsHeld {
public:
    DraftSignalsHeld() : on_(gDraftsGuarded.load()) {
        if (!on_) return;
        sigset_t held;
        sigemptyset(&held);
        for (const int sig : kDraftSignals)
            sigaddset(&held, sig);
        pthread_sigmask(SIG_BLOCK, &held, &before_);
    }
    ~DraftSignalsHeld() {
        if (on_) pthread_sigmask(SIG_SETMASK, &before_, nullptr);
    }
    DraftSignalsHeld(const DraftSignalsHeld&) = delete;
    DraftSignalsHeld& operator=(const DraftSignalsHeld&) = delete;

private:
    bool on_;
    sigset_t before_{};
};

// Tests: the signal asked for (SignalAtDraftForTesting) once its step has come.
void SignalIfDue() {
    if (gSignalAtDraft > 0 && --gSignalAtDraft == 0) ::raise(gSignalToRaise);
}

void NoteDraft(const std::string& name) {
    if (!gDraftsGuarded.load()) return;
    // The handler removes it wherever the working directory is then.
    const std::string path = name.empty() || name[0] == '/' ? name : CurrentDirectory() + "/" + name;
    if (path.size() >= kDraftPathBytes) return;
    DraftSlot* free = nullptr;
    for (DraftSlot& slot : gDrafts) {
        // A draft renamed into place or removed frees its slot.
        if (slot.used.load() == 1 && ::access(slot.path, F_OK) != 0 && errno == ENOENT)
            slot.used.store(0);
        if (free == nullptr && slot.used.load() == 0) free = &slot;
    }
    if (free != nullptr) {
        std::memcpy(free->path, path.c_str(), path.size() + 1);
        free->used.store(1);
    }
    SignalIfDue(); // held till noted
}

} // namespace

void RemoveDraftsOnSignal() {
    InstallDraftHandler(&RemoveDraftsAndEnd);
}

int DeferDraftSignals() {
    if (gSignalPipe[0] < 0 && ::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        RemoveDraftsOnSignal(); // no pipe: the signal ends the program at once
        return -1;
    }
    InstallDraftHandler(&DeferDraftSignal);
    return gSignalPipe[0];
}

int DeferredSignal() {
    return gDeferredSignal.load();
}

void EndAfterSignal(int sig) {
    RemoveDrafts();
    ::_exit(128 + sig);
}

namespace {
FolderSlot* FindFolderSlot(const std::string& dir) {
    for (FolderSlot& slot : gFolders)
        if (slot.used.load() == 1 && dir == slot.path) return &slot;
    return nullptr;
}

// Notes dir for removal with fd, the folder held under a shared lock (in place of a hold of a
// folder of that name that went).
void NoteFolder(const std::string& dir, int fd) {
    if (FolderSlot* held = FindFolderSlot(dir); held != nullptr) {
        ::close(held->fd);
        held->fd = fd;
        return;
    }
    for (FolderSlot& slot : gFolders) {
        if (slot.used.load() != 0) continue;
        std::memcpy(slot.path, dir.c_str(), dir.size() + 1);
        slot.fd = fd;
        slot.used.store(1);
        return;
    }
    ::close(fd); // no slot: the folder simply stays
}

// Whether path still names the folder fd holds open.
bool NameLeadsTo(const std::string& path, int fd) {
    struct stat held {}, named {};
    return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}
} // namespace

void RemoveScratchFolder(const std::string& dir) {
    const DraftSignalsHeld held;
    if (FolderSlot* slot = FindFolderSlot(dir); slot != nullptr)
        ReleaseFolder(*slot);
    else
        (void)::rmdir(dir.c_str());
}

void SignalAtDraftForTesting(int n, int sig) {
    gSignalAtDraft = n;
    gSignalToRaise = sig;
}

void SignalAtDraftFromEnvironment() {
    const char* at = std::getenv("QOR_SIGNAL_AT_DRAFT");
    int n = 0, sig = SIGTERM;
    if (at != nullptr && std::sscanf(at, "%d:%d", &n, &sig) >= 1) SignalAtDraftForTesting(n, sig);
}

bool IsPrivateFolder(const std::string& dir) {
    struct stat st {};
    return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

int MakePrivateFolder(const std::string& dir) {
    if (dir.empty()) return NoteCode(kErrPathNotFound);
    int fd = -1;
    // Another run of the program that ends may remove the shared folder it found empty between
    // our mkdir and open: then it is made again.
    for (int attempt = 0; attempt < 5 && fd < 0; ++attempt) {
        if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
            return ErrnoToDosForPath(errno, dir.c_str());
        // Whatever stands there now is looked at without following a link another user may
        // have planted in a shared folder.
        fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 && errno != ENOENT) break;
    }
    if (fd < 0) {
        struct stat lst {};
        if (::lstat(dir.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode))
            return NoteCause(kErrAccessDenied, "it is a symbolic link, not a folder of your own");
        if (errno == ENOTDIR) return NoteCause(kErrAccessDenied, "it is no folder");
        return ErrnoToDosForPath(errno, dir.c_str());
    }
    struct stat st {};
    int code = kOk;
    if (::fstat(fd, &st) != 0)
        code = ErrnoToDos(errno);
    else if (st.st_uid != ::geteuid())
        code = NoteCause(kErrAccessDenied, "the folder belongs to another user");
    else if ((st.st_mode & 077) != 0 && ::fchmod(fd, 0700) != 0)
        code = ErrnoToDos(errno);
    ::close(fd);
    return code;
}

int MakeScratchFolder(const std::string& dir) {
    const DraftSignalsHeld held;
    const std::string path = AbsolutePath(dir);
    if (path.size() >= kDraftPathBytes) return NoteCode(kErrInvalidParameter);
    // Another run that ends may remove the folder between its making and its lock: the folder
    // held is the one the name leads to once locked, made again as often as it went.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const int rc = MakePrivateFolder(path);
        if (rc != kOk) return rc;
        if (const FolderSlot* slot = FindFolderSlot(path);
            slot != nullptr && NameLeadsTo(path, slot->fd))
            return kOk; // held already
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT) continue;
            return ErrnoToDosForPath(errno, path.c_str());
        }
        if (::flock(fd, LOCK_SH) != 0 || !NameLeadsTo(path, fd)) {
            ::close(fd);
            continue;
        }
        SignalIfDue(); // a test's signal comes here, between the folder and its note, once held
        NoteFolder(path, fd);
        return kOk;
    }
    return NoteCode(kErrPathNotFound);
}

int CreateTempFile(const std::string& dir, const std::string& prefix, std::string& name,
                   const std::string& ext) {
    name.clear();
    if (!DirectoryExists(dir)) return NoteCode(kErrPathNotFound);
    // The name stays within the limit of one directory entry: a long prefix (the name of the
    // file a temporary stands for) is cut, never the random part or the extension.
    std::string head = prefix;
    const std::size_t fixed = 8 + ext.size();
    if (fixed >= kMaxNameBytes) return NoteCode(kErrInvalidParameter);
    if (head.size() + fixed > kMaxNameBytes) head = Utf8LeftBytes(head, kMaxNameBytes - fixed);
    static thread_local std::mt19937_64 rng{std::random_device{}() ^
                                            (static_cast<std::uint64_t>(::getpid()) << 32)};
    static constexpr char kHex[] = "0123456789abcdef";
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::uint64_t r = rng();
        std::string candidate = JoinPath(dir, head);
        for (int k = 0; k < 8; ++k, r >>= 4)
            candidate += kHex[r & 15];
        candidate += ext;
        const DraftSignalsHeld held;
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            NoteDraft(candidate);
            name = candidate;
            return kOk;
        }
        if (errno != EEXIST) return ErrnoToDosForPath(errno, candidate.c_str());
    }
    return NoteCode(kErrFileExists);
}

int FreeDiskSpace(const std::string& path, std::uint64_t& bytes) {
    bytes = 0;
    struct statvfs vfs {};
    if (::statvfs(path.empty() ? "." : path.c_str(), &vfs) != 0)
        return ErrnoToDosForPath(errno, path.c_str());
    const std::uint64_t unit = vfs.f_frsize != 0 ? vfs.f_frsize : vfs.f_bsize;
    const std::uint64_t blocks = vfs.f_bavail;
    bytes = unit != 0 && blocks > UINT64_MAX / unit ? UINT64_MAX : blocks * unit;
    return kOk;
}

std::string CurrentDirectory() {
    std::vector<char> buf(4096);
    for (;;) {
        if (::getcwd(buf.data(), buf.size()) != nullptr) return std::string(buf.data());
        if (errno != ERANGE || buf.size() > (1u << 20)) return ".";
        buf.resize(buf.size() * 2);
    }
}

std::string AbsolutePath(const std::string& path) {
    const std::string full =
        !path.empty() && path[0] == '/' ? path : JoinPath(CurrentDirectory(), path);
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= full.size()) {
        std::size_t next = full.find('/', pos);
        if (next == std::string::npos) next = full.size();
        const std::string part = full.substr(pos, next - pos);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = next + 1;
    }
    std::string out;
    for (const auto& p : parts)
        out += "/" + p;
    return out.empty() ? "/" : out;
}

bool SameNameNoCase(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const std::size_t i0 = i, j0 = j;
        const char32_t x = Utf8Next(a, i);
        const char32_t y = Utf8Next(b, j);
        if (x == 0xFFFD || y == 0xFFFD) {
            // Malformed bytes compare as bytes.
            if (a.compare(i0, i - i0, b, j0, j - j0) != 0) return false;
            continue;
        }
        if (FoldCase(x) != FoldCase(y)) return false;
    }
    return i == a.size() && j == b.size();
}

int FindNameNoCase(const std::string& dir, const std::string& name, std::string& real) {
    real.clear();
    const std::string d = dir.empty() ? "." : dir;
    if (!DirectoryExists(d)) return kErrPathNotFound;
    if (name.empty() || name.find('/') != std::string::npos) return kErrFileNotFound;
    struct stat st {};
    const std::string exact = JoinPath(dir, name);
    if (::lstat(JoinPath(d, name).c_str(), &st) == 0) {
        real = exact;
        return kOk;
    }
    std::unique_ptr<DIR, int (*)(DIR*)> dh(::opendir(d.c_str()), &::closedir);
    if (!dh) return ErrnoToDosForPath(errno, d.c_str());
    std::string best;
    bool found = false;
    while (const dirent* e = ::readdir(dh.get())) {
        const std::string entry = e->d_name;
        if (entry == "." || entry == "..") continue;
        if (SameNameNoCase(entry, name) && (!found || entry < best)) {
            best = entry;
            found = true;
        }
    }
    if (!found) return kErrFileNotFound;
    real = JoinPath(dir, best);
    return kOk;
}

int ResolvePathNoCase(const std::string& path, std::string& real) {
    real.clear();
    if (path.empty()) return kErrFileNotFound;
    std::string current = path[0] == '/' ? "/" : "";
    std::size_t pos = path[0] == '/' ? 1 : 0;
    while (pos <= path.size()) {
        std::size_t next = path.find('/', pos);
        const bool last = next == std::string::npos;
        if (last) next = path.size();
        const std::string part = path.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty()) {
            if (last) break;
            continue;
        }
        if (part == "." || part == "..") {
            current = JoinPath(current, part);
            continue;
        }
        std::string found;
        const int rc = FindNameNoCase(current, part, found);
        if (rc != kOk) return last && rc == kErrFileNotFound ? kErrFileNotFound : kErrPathNotFound;
        current = found;
        if (last) break;
    }
    real = current;
    return kOk;
}

} // namespace os
