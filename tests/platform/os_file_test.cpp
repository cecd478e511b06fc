// File handles: DOS error codes, reads and writes, share modes and byte-range locks between
// handles and between processes.

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "os_testutil.h"
#include "platform/os/file.h"
#include "platform/os/paths.h"
#include "platform/os/process.h"

namespace {

using os::Access;
using os::Disposition;
using os::File;
using os::OpenMode;
using os::Share;

constexpr OpenMode kRwDenyNone{Access::ReadWrite, Share::DenyNone};
constexpr OpenMode kRwDenyAll{Access::ReadWrite, Share::DenyAll};
constexpr OpenMode kReadDenyNone{Access::Read, Share::DenyNone};

// The table regions the DBF engine locks: 1 GiB and up.
constexpr std::uint64_t kLockBase = 0x40000000;

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    File f;
    ASSERT_EQ(f.Open(path, kRwDenyNone, Disposition::CreateAlways), 0);
    ASSERT_EQ(f.Write(bytes.data(), bytes.size()), 0);
}

std::string ReadFileBytes(const std::string& path) {
    std::string s;
    EXPECT_EQ(os::ReadWholeFile(path, s), 0);
    return s;
}

// A child process that runs body(), reports its result byte through a pipe and then waits
// until it is killed or told to go. The parent reads the result before testing.
class Child {
public:
    template <class F> explicit Child(F body) {
        int up[2], down[2];
        if (::pipe(up) != 0 || ::pipe(down) != 0) std::abort();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(up[0]);
            ::close(down[1]);
            const char r = static_cast<char>(body());
            (void)!::write(up[1], &r, 1);
            char go;
            (void)!::read(down[0], &go, 1); // until the parent closes its end or kills us
            ::_exit(0);
        }
        ::close(up[1]);
        ::close(down[0]);
        up_ = up[0];
        down_ = down[1];
        char r = -1;
        if (::read(up_, &r, 1) != 1) r = -1;
        result_ = r;
    }
    ~Child() {
        if (pid_ > 0) Finish();
        if (up_ >= 0) ::close(up_);
    }
    int result() const { return result_; }
    void Kill() {
        ::kill(pid_, SIGKILL);
        Reap();
    }
    void Finish() {
        if (down_ >= 0) ::close(down_);
        down_ = -1;
        Reap();
    }

private:
    void Reap() {
        int st;
        while (::waitpid(pid_, &st, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }
    pid_t pid_ = -1;
    int up_ = -1, down_ = -1;
    int result_ = -1;
};

class OsFile : public ::testing::Test {
protected:
    ostest::ScratchDir dir;
    std::string table = dir / "table.dbf";
    void SetUp() override { WriteFileBytes(table, std::string(4096, 'x')); }
};

TEST_F(OsFile, MissingFileAndMissingDirectoryGiveTwoAndThree) {
    File f;
    EXPECT_EQ(f.Open(dir / "nope.dbf", kRwDenyNone), os::kErrFileNotFound);
    EXPECT_EQ(f.Open(dir / "nodir/nope.dbf", kRwDenyNone), os::kErrPathNotFound);
    EXPECT_EQ(f.Open(table + "/below", kRwDenyNone), os::kErrPathNotFound); // a file as a dir
    EXPECT_EQ(f.Open(dir / "nodir/new.dbf", kRwDenyNone, Disposition::CreateNew),
              os::kErrPathNotFound);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.Open("", kRwDenyNone), os::kErrPathNotFound);
}

TEST_F(OsFile, DirectoryOpenedAsFileIsAccessDenied) {
    File f;
    EXPECT_EQ(f.Open(dir.path(), kReadDenyNone), os::kErrAccessDenied);
}

TEST_F(OsFile, PermissionDeniedIsFive) {
    File f;
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod(table.c_str(), 0444), 0);
        EXPECT_EQ(f.Open(table, OpenMode{Access::Write, Share::DenyNone}), os::kErrAccessDenied);
        // Reading is still allowed, and a read-only open cannot write.
        ASSERT_EQ(f.Open(table, kReadDenyNone), 0);
        char c = 'y';
        EXPECT_EQ(f.Write(&c, 1), os::kErrAccessDenied);
        return;
    }
    // Root passes every permission bit; a read-only kernel attribute still refuses writers.
    const std::string ro = "/sys/kernel/mm/transparent_hugepage/hpage_pmd_size";
    if (!os::FileExists(ro)) GTEST_SKIP() << "running as root and " << ro << " is missing";
    EXPECT_EQ(f.Open(ro, OpenMode{Access::Write, Share::DenyNone}), os::kErrAccessDenied);
}

TEST_F(OsFile, ReadWriteSeekSizeTruncate) {
    File f;
    ASSERT_EQ(f.Open(table, kRwDenyAll), 0);
    std::uint64_t size = 0;
    ASSERT_EQ(f.Size(size), 0);
    EXPECT_EQ(size, 4096u);
    ASSERT_EQ(f.Seek(10), 0);
    ASSERT_EQ(f.Write("HEAD", 4), 0);
    EXPECT_EQ(f.Tell(), 14u);
    ASSERT_EQ(f.WriteAt(4094, "END!", 4), 0); // extends by two bytes
    ASSERT_EQ(f.Size(size), 0);
    EXPECT_EQ(size, 4098u);
    EXPECT_EQ(f.Tell(), 14u);

    char buf[8] = {};
    ASSERT_EQ(f.ReadAt(8, buf, 8), 0);
    EXPECT_EQ(std::string(buf, 8), "xxHEADxx");
    // Reading past the end: ReadSome reports the short count, Read reports code 100.
    std::size_t got = 99;
    ASSERT_EQ(f.ReadSomeAt(4096, buf, 8, got), 0);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(std::string(buf, 2), "D!");
    ASSERT_EQ(f.Seek(4090), 0);
    EXPECT_EQ(f.Read(buf, 16), os::kErrReadFault);
    EXPECT_EQ(f.Tell(), 4098u);

    ASSERT_EQ(f.Truncate(100), 0);
    ASSERT_EQ(f.Size(size), 0);
    EXPECT_EQ(size, 100u);
    ASSERT_EQ(f.Truncate(200), 0); // extending fills with zero bytes
    ASSERT_EQ(f.ReadAt(150, buf, 4), 0);
    EXPECT_EQ(std::string(buf, 4), std::string(4, '\0'));
    EXPECT_EQ(f.Flush(), 0);
    EXPECT_EQ(f.Close(), 0);
    EXPECT_EQ(f.Close(), 0);
    EXPECT_EQ(f.Read(buf, 1), os::kErrInvalidHandle);
    EXPECT_EQ(f.Lock(0, 1), os::kErrInvalidHandle);
}

TEST_F(OsFile, DispositionsCreateTruncateAndRefuseExisting) {
    File f;
    EXPECT_EQ(f.Open(table, kRwDenyAll, Disposition::CreateNew), os::kErrFileExists);
    EXPECT_EQ(ReadFileBytes(table).size(), 4096u); // untouched
    ASSERT_EQ(f.Open(dir / "new.dbf", kRwDenyAll, Disposition::CreateNew), 0);
    ASSERT_EQ(f.Write("abc", 3), 0);
    ASSERT_EQ(f.Open(dir / "new.dbf", kRwDenyAll, Disposition::OpenAlways), 0); // keeps
    std::uint64_t size = 0;
    ASSERT_EQ(f.Size(size), 0);
    EXPECT_EQ(size, 3u);
    ASSERT_EQ(f.Open(dir / "new.dbf", kRwDenyAll, Disposition::CreateAlways), 0); // truncates
    ASSERT_EQ(f.Size(size), 0);
    EXPECT_EQ(size, 0u);
}

TEST_F(OsFile, DosOpenModeNumbers) {
    const OpenMode m18 = os::OpenModeFromDos(18);
    EXPECT_EQ(m18.access, Access::ReadWrite);
    EXPECT_EQ(m18.share, Share::DenyAll);
    const OpenMode m66 = os::OpenModeFromDos(0x42);
    EXPECT_EQ(m66.access, Access::ReadWrite);
    EXPECT_EQ(m66.share, Share::DenyNone);
    const OpenMode m64 = os::OpenModeFromDos(64);
    EXPECT_EQ(m64.access, Access::Read);
    EXPECT_EQ(m64.share, Share::DenyNone);
    EXPECT_EQ(os::OpenModeFromDos(32 + 1).share, Share::DenyWrite);
    EXPECT_EQ(os::OpenModeFromDos(32 + 1).access, Access::Write);
    EXPECT_EQ(os::OpenModeFromDos(48).share, Share::DenyRead);
    EXPECT_EQ(os::OpenModeFromDos(2).share, Share::DenyAll); // compatibility mode
}

TEST_F(OsFile, DenyAllRefusesEverySecondOpenWith32) {
    File first, second;
    ASSERT_EQ(first.Open(table, 18u), 0);
    EXPECT_EQ(second.Open(table, 0x42u), os::kErrSharingViolation);
    EXPECT_EQ(second.Open(table, 64u), os::kErrSharingViolation);
    EXPECT_EQ(second.Open(table, kRwDenyAll), os::kErrSharingViolation);
    // A refused CreateAlways must not have truncated the file.
    EXPECT_EQ(second.Open(table, kRwDenyNone, Disposition::CreateAlways), os::kErrSharingViolation);
    std::uint64_t size = 0;
    ASSERT_EQ(first.Size(size), 0);
    EXPECT_EQ(size, 4096u);
    first.Close();
    EXPECT_EQ(second.Open(table, 0x42u), 0);
}

TEST_F(OsFile, DenyAllOpenRefusedWhileOthersHaveTheFileOpen) {
    File reader, exclusive;
    ASSERT_EQ(reader.Open(table, kReadDenyNone), 0);
    EXPECT_EQ(exclusive.Open(table, kRwDenyAll), os::kErrSharingViolation);
    reader.Close();
    EXPECT_EQ(exclusive.Open(table, kRwDenyAll), 0);
}

TEST_F(OsFile, DenyWriteLetsReadersInAndKeepsWritersOut) {
    File a, b, c;
    ASSERT_EQ(a.Open(table, OpenMode{Access::Read, Share::DenyWrite}), 0);
    EXPECT_EQ(b.Open(table, kReadDenyNone), 0);
    EXPECT_EQ(c.Open(table, kRwDenyNone), os::kErrSharingViolation);
    EXPECT_EQ(c.Open(table, OpenMode{Access::Write, Share::DenyNone}), os::kErrSharingViolation);
    // A second deny-write reader is fine: nobody writes.
    EXPECT_EQ(c.Open(table, OpenMode{Access::Read, Share::DenyWrite}), 0);
    // While a writer is open, deny-write cannot be had.
    a.Close();
    b.Close();
    c.Close();
    ASSERT_EQ(a.Open(table, kRwDenyNone), 0);
    EXPECT_EQ(b.Open(table, OpenMode{Access::Read, Share::DenyWrite}), os::kErrSharingViolation);
    EXPECT_EQ(b.Open(table, kRwDenyNone), 0);
}

TEST_F(OsFile, SharingHoldsAcrossProcessesAndDiesWithTheHolder) {
    const std::string path = table;
    Child child([&] {
        static File f; // lives until the child is killed
        return f.Open(path, kRwDenyAll);
    });
    ASSERT_EQ(child.result(), 0);
    File f;
    EXPECT_EQ(f.Open(table, kRwDenyNone), os::kErrSharingViolation);
    child.Kill();
    EXPECT_EQ(f.Open(table, kRwDenyNone), 0);
}

TEST_F(OsFile, SecondHandleInTheSameProcessSeesTheRecordLock) {
    File a, b;
    ASSERT_EQ(a.Open(table, kRwDenyNone), 0);
    ASSERT_EQ(b.Open(table, kRwDenyNone), 0);
    const std::uint64_t rec5 = kLockBase + 100 + 4 * 50;
    ASSERT_EQ(a.Lock(rec5, 50), 0);
    EXPECT_EQ(b.Lock(rec5, 50), os::kErrLockViolation);
    EXPECT_EQ(b.Lock(rec5 + 49, 1), os::kErrLockViolation); // any overlap
    EXPECT_EQ(b.Lock(rec5 + 50, 50), 0);                    // the next record is free
    bool locked = false;
    ASSERT_EQ(b.TestLock(rec5, 50, locked), 0);
    EXPECT_TRUE(locked);
    ASSERT_EQ(a.TestLock(rec5, 50, locked), 0);
    EXPECT_FALSE(locked); // its own lock does not count
    // Unlocking frees the range for the other handle.
    ASSERT_EQ(a.Unlock(rec5, 50), 0);
    EXPECT_EQ(b.Lock(rec5, 50), 0);
    // Data bytes are never blocked by lock regions.
    char buf[4];
    EXPECT_EQ(a.ReadAt(0, buf, 4), 0);
    EXPECT_EQ(a.WriteAt(0, "abcd", 4), 0);
}

TEST_F(OsFile, LocksBehaveLikeWindowsHandleLocks) {
    File a;
    ASSERT_EQ(a.Open(table, kRwDenyNone), 0);
    ASSERT_EQ(a.Lock(kLockBase + 1, 0x3FFFFFFF), 0); // the whole-file region
    // The same handle cannot lock an overlapping range again; locks do not merge.
    EXPECT_EQ(a.Lock(kLockBase + 1, 1), os::kErrLockViolation);
    // Unlock needs the exact range.
    EXPECT_EQ(a.Unlock(kLockBase + 1, 1), os::kErrNotLocked);
    EXPECT_EQ(a.Unlock(kLockBase + 2, 0x3FFFFFFF), os::kErrNotLocked);
    EXPECT_EQ(a.Unlock(kLockBase + 1, 0x3FFFFFFF), 0);
    EXPECT_EQ(a.Unlock(kLockBase + 1, 0x3FFFFFFF), os::kErrNotLocked);
    // Length 0 is no lock at all; ranges must stay below the share area.
    EXPECT_EQ(a.Lock(kLockBase, 0), 0);
    EXPECT_EQ(a.Lock(os::kShareAreaBase, 1), os::kErrInvalidParameter);
    EXPECT_EQ(a.Lock(os::kShareAreaBase - 1, 2), os::kErrInvalidParameter);
    EXPECT_EQ(a.Lock(~0ULL - 5, 10), os::kErrInvalidParameter);
}

TEST_F(OsFile, ClosingAnotherDescriptorKeepsTheLock) {
    File a, b;
    ASSERT_EQ(a.Open(table, kRwDenyNone), 0);
    ASSERT_EQ(a.Lock(kLockBase + 1, 1), 0);
    // Another File of the same file opened and closed in this process...
    {
        File other;
        ASSERT_EQ(other.Open(table, kRwDenyNone), 0);
    }
    // ...and a plain descriptor opened and closed (this would drop a classic POSIX lock).
    const int fd = ::open(table.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ASSERT_EQ(b.Open(table, kRwDenyNone), 0);
    EXPECT_EQ(b.Lock(kLockBase + 1, 1), os::kErrLockViolation);
    const std::string path = table;
    Child child([&] {
        File f;
        if (f.Open(path, kRwDenyNone) != 0) return 99;
        return f.Lock(kLockBase + 1, 1);
    });
    EXPECT_EQ(child.result(), os::kErrLockViolation);
}

TEST_F(OsFile, SecondProcessSeesTheLockAndKillFreesIt) {
    const std::string path = table;
    const std::uint64_t rec = kLockBase + 200;
    Child holder([&] {
        static File f;
        if (f.Open(path, kRwDenyNone) != 0) return 99;
        return f.Lock(rec, 40);
    });
    ASSERT_EQ(holder.result(), 0);
    File f;
    ASSERT_EQ(f.Open(table, kRwDenyNone), 0);
    EXPECT_EQ(f.Lock(rec, 40), os::kErrLockViolation);
    Child tester([&] {
        File g;
        if (g.Open(path, kRwDenyNone) != 0) return 99;
        return g.Lock(rec + 10, 1);
    });
    EXPECT_EQ(tester.result(), os::kErrLockViolation);
    holder.Kill();
    EXPECT_EQ(f.Lock(rec, 40), 0);
}

// An independent program using the classic POSIX lock call sees our locks, and we see its.
TEST_F(OsFile, LocksAreVisibleToOtherProgramsUsingLockf) {
    File f;
    ASSERT_EQ(f.Open(table, kRwDenyNone), 0);
    const std::uint64_t rec = kLockBase + 1000;
    ASSERT_EQ(f.Lock(rec, 10), 0);
    const std::string script =
        "import fcntl, os, sys\n"
        "fd = os.open(sys.argv[1], os.O_RDWR)\n"
        "try:\n"
        "    fcntl.lockf(fd, fcntl.LOCK_EX | fcntl.LOCK_NB, int(sys.argv[3]),"
        " int(sys.argv[2]))\n"
        "except OSError:\n"
        "    sys.exit(33)\n"
        "sys.exit(0)\n";
    os::SpawnOptions wait;
    wait.wait = true;
    int status = -1;
    ASSERT_EQ(
        os::StartProcess({ostest::Python(), "-c", script, table, std::to_string(rec + 5), "1"},
                         wait, status),
        0);
    EXPECT_EQ(status, 33);
    ASSERT_EQ(
        os::StartProcess({ostest::Python(), "-c", script, table, std::to_string(rec + 10), "5"},
                         wait, status),
        0);
    EXPECT_EQ(status, 0);
}

TEST_F(OsFile, MovedFileKeepsItsLocksAndSharing) {
    File a;
    ASSERT_EQ(a.Open(table, kRwDenyAll), 0);
    ASSERT_EQ(a.Lock(kLockBase, 1), 0);
    File b(std::move(a));
    EXPECT_FALSE(a.IsOpen());
    EXPECT_TRUE(b.IsOpen());
    EXPECT_EQ(b.Path(), table);
    File c;
    EXPECT_EQ(c.Open(table, kRwDenyNone), os::kErrSharingViolation);
    File d;
    d = std::move(b);
    EXPECT_EQ(d.Unlock(kLockBase, 1), 0); // the lock list moved along
    d.Close();
    EXPECT_EQ(c.Open(table, kRwDenyNone), 0);
}

TEST_F(OsFile, StartedProgramsDoNotInheritDescriptors) {
    File a;
    ASSERT_EQ(a.Open(table, kRwDenyAll), 0);
    const std::string script = "import os, sys\n"
                               "sys.exit(1 if os.path.exists(\"/proc/self/fd/\" + sys.argv[1]) "
                               "else 0)\n";
    os::SpawnOptions wait;
    wait.wait = true;
    int status = -1;
    ASSERT_EQ(os::StartProcess({ostest::Python(), "-c", script, std::to_string(a.Descriptor())},
                               wait, status),
              0);
    EXPECT_EQ(status, 0);
}

TEST_F(OsFile, WholeFileAtomicReplaceKeepsModeAndLeavesNoTemporary) {
    const std::string target = dir / "job.q1w";
    WriteFileBytes(target, "old");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(os::WriteWholeFileAtomic(target, "new contents\r\n"), 0);
    EXPECT_EQ(ReadFileBytes(target), "new contents\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    const std::string listing =
        ostest::RunPython("import os\nprint(sorted(os.listdir(\"" + dir.path() + "\")))");
    EXPECT_EQ(listing, "['job.q1w', 'table.dbf']\n");
    // A target in a missing directory fails and leaves nothing behind.
    EXPECT_EQ(os::WriteWholeFileAtomic(dir / "missing/job.q1w", "x"), os::kErrPathNotFound);
}

TEST_F(OsFile, WholeFileAtomicReplaceThroughASymbolicLinkKeepsTheLink) {
    const std::string real = dir / "real.cfg";
    const std::string link = dir / "link.cfg";
    WriteFileBytes(real, "old");
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    ASSERT_EQ(os::WriteWholeFileAtomic(link, "new"), 0);
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFileBytes(real), "new");
}

TEST(OsErrors, ErrnoMapping) {
    EXPECT_EQ(os::ErrnoToDos(ENOENT), 2);
    EXPECT_EQ(os::ErrnoToDos(ENOTDIR), 3);
    EXPECT_EQ(os::ErrnoToDos(EACCES), 5);
    EXPECT_EQ(os::ErrnoToDos(EAGAIN), 33);
    EXPECT_EQ(os::ErrnoToDos(ENOSPC), 101);
    EXPECT_EQ(os::ErrnoToDos(EROFS), 19);
    EXPECT_EQ(os::ErrnoToDos(EIO), 31);
    EXPECT_EQ(os::ErrnoToDosForPath(ENOENT, "/nonexistent-dir-xyz/file"), 3);
    EXPECT_EQ(os::ErrnoToDosForPath(ENOENT, "/tmp/nonexistent-file-xyz"), 2);
}

} // namespace
