#pragma once
// A binary file handle with Windows-like sharing and byte-range locking.
//
// Error style: every operation returns an int, 0 on success or a DOS code of errors.h.
//
// Share modes and byte-range locks are open-file-description locks (F_OFD_SETLK): they belong
// to one File (like a Windows handle), stay while other descriptors of the same file are closed,
// are never inherited by started programs (descriptors are close-on-exec), and vanish when the
// File is closed or its process dies. Classic POSIX record locks are never used: those belong
// to the process and would be dropped by any close of the file.
//
// Share modes are kept as shared locks on single bytes at the very top of the offset range
// (see kShareAreaBase), far above any byte a program reads, writes or locks.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/errors.h"

namespace os {

enum class Access { Read, Write, ReadWrite };

// What other openers of the same file may do while this File is open.
enum class Share {
    DenyAll,   // nobody else may open it
    DenyWrite, // others may open it for reading only
    DenyRead,  // others may open it for writing only
    DenyNone,  // others may read and write
};

enum class Disposition {
    OpenExisting, // fails with 2/3 when the file is missing
    OpenAlways,   // opens, creating an empty file when missing
    CreateAlways, // creates or truncates to length 0 (truncation only after sharing allowed it)
    CreateNew,    // creates; fails with kErrFileExists when the name exists
};

struct OpenMode {
    Access access = Access::ReadWrite;
    Share share = Share::DenyAll;
};

// The runtime's numeric file-open modes: access in bits 0..2 (0 read, 1 write, 2 read/write),
// sharing in bits 4..6 (0 compatibility and 16 deny all, 32 deny write, 48 deny read, 64 deny
// none). Compatibility mode shares nothing, as on Windows. Examples: 18 read/write deny all,
// 66 (0x42) read/write deny none, 64 read deny none.
OpenMode OpenModeFromDos(unsigned mode);

// First offset of the area reserved for share-mode bytes; byte-range locks must end below it.
inline constexpr std::uint64_t kShareAreaBase = 0x7FFFFFFF00000000ULL;

class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens path (closing what this File held). New files get mode 0666 & ~umask. Only a
    // regular file opens: a folder, a named pipe, a device or a socket is refused with
    // kErrAccessDenied (ErrorCauseText names what it is), and the open never waits on one.
    // Sharing is checked against every other open File of the same file, in this and in other
    // processes: a conflict gives kErrSharingViolation and leaves the file untouched.
    int Open(const std::string& path, OpenMode mode, Disposition disp = Disposition::OpenExisting);
    int Open(const std::string& path, unsigned dosMode,
             Disposition disp = Disposition::OpenExisting) {
        return Open(path, OpenModeFromDos(dosMode), disp);
    }

    // Releases every lock and the share mode, closes. Closing a closed File is a no-op (0).
    int Close();

    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    OpenMode Mode() const { return mode_; }
    int Descriptor() const { return fd_; }

    // Position for Read and Write.
    int Seek(std::uint64_t pos);
    std::uint64_t Tell() const { return pos_; }

    // Reads up to n bytes at the position and advances it; got receives the count, which is
    // smaller than n only at the end of the file (still success).
    int ReadSome(void* buf, std::size_t n, std::size_t& got);
    // Reads exactly n bytes; fewer (end of file) gives kErrReadFault. The position advances
    // by what was read.
    int Read(void* buf, std::size_t n);
    // Writes n bytes at the position and advances it; a full disk gives kErrWriteFault.
    int Write(const void* buf, std::size_t n);

    // The same at an explicit offset; the position is left alone.
    int ReadSomeAt(std::uint64_t offset, void* buf, std::size_t n, std::size_t& got);
    int ReadAt(std::uint64_t offset, void* buf, std::size_t n);
    int WriteAt(std::uint64_t offset, const void* buf, std::size_t n);

    int Size(std::uint64_t& size) const;
    // Sets the file's length (shortens, or extends with zero bytes). The position stays.
    int Truncate(std::uint64_t size);
    // Writes the file's buffers to the disk (fsync).
    int Flush();

    // Windows-style exclusive byte-range locks of this handle, never waiting. A range that
    // another File holds (in any process) gives kErrLockViolation, as does a range that
    // overlaps one this File already holds (locks do not merge). Unlock needs exactly the
    // offset and length of a held lock, else kErrNotLocked. Length 0 is a no-op. Ranges must
    // end at or below kShareAreaBase (else kErrInvalidParameter).
    int Lock(std::uint64_t offset, std::uint64_t length);
    int Unlock(std::uint64_t offset, std::uint64_t length);
    // Whether another File holds a lock that overlaps the range (this File's own locks do not
    // count). Returns 0 and sets locked, or an error.
    int TestLock(std::uint64_t offset, std::uint64_t length, bool& locked) const;

private:
    struct Range {
        std::uint64_t offset;
        std::uint64_t length;
    };
    int fd_ = -1;
    std::uint64_t pos_ = 0;
    std::string path_;
    OpenMode mode_{};
    std::vector<Range> locks_;
};

// Opens an existing regular file for reading: fd receives a close-on-exec descriptor (the
// caller closes it). The open never waits: a named pipe without a writer or a device is
// refused like a folder or a socket (kErrAccessDenied, ErrorCauseText names what it is).
// 0 or a code.
int OpenForReading(const std::string& path, int& fd);

// Writes every byte to an open descriptor that may be a pipe, a socket or a terminal (standard
// output), going on after interruptions and waiting while a non-blocking one is full. done
// receives the bytes written. A reader that has gone gives NoteReaderGone(done, reader).
// 0 or a code.
int WriteAllTo(int fd, std::string_view bytes, std::uint64_t& done,
               const std::string& reader = "the reader");

// The most ReadWholeFile takes unless its caller sets another limit.
inline constexpr std::uint64_t kReadWholeFileLimit = 64ull << 20;

// Reads a whole (small) regular file into bytes. A file larger than limit bytes, also one that
// grows beyond it while being read, gives kErrFileTooLarge (ErrorCauseText names the limit)
// and no bytes. 0 or a code.
int ReadWholeFile(const std::string& path, std::string& bytes,
                  std::uint64_t limit = kReadWholeFileLimit);

// Replaces path by bytes safely (BeginReplace, the bytes, CommitReplace below): path is either
// the old or the complete new file. 0 or a code (the draft is removed on failure). The new file
// keeps the old one's permissions; a symbolic link stays a link to the replaced file.
int WriteWholeFileAtomic(const std::string& path, std::string_view bytes);

// ---- replacing a file ------------------------------------------------------------------------
// The one way the program's writers put a file in place. BeginReplace makes an empty draft
// beside the file a name stands for; the writer fills it; CommitReplace checks that the draft is
// whole and renames it over the file. Until then the file replaced is never touched, and a
// draft that fails is removed.

struct Replacement {
    std::string Target; // the file replaced: a symbolic link is followed and stays a link
    std::string Draft;  // the draft beside it ("" when none is made)
};

// Refuses at once, the same way for every writer, a name that is no regular file: a folder, a
// device ("it is a device, not a file"), a named pipe or a socket (kErrAccessDenied; the cause
// names what it is); also an existing file that may not be written, and one the run read while
// it guards them (GuardFilesRead: kErrSharingViolation, the cause names the file read). Otherwise
// creates the draft (exclusively, under a new name ".<name>.<random><ext>") with the permissions
// the file has or a new file gets. 0 or a code.
int BeginReplace(const std::string& linkOrPath, Replacement& r, const std::string& ext = ".tmp");

// Checks the draft: it must hold exactly expectedSize bytes (when expectedSize >= 0) and, when
// whole is given, whole(fd, size) must find it complete (it returns "" then, else what is
// wrong). A draft cut short by a full disk or a file-size limit is refused with that cause
// (kErrWriteFault). Then the draft is flushed to the disk and renamed over the target. On any
// failure the draft is removed and the target stays as it was. 0 or a code.
using DraftCheck = std::function<std::string(int fd, std::uint64_t size)>;
int CommitReplace(Replacement& r, long long expectedSize, const DraftCheck& whole = {});
// Drops the draft; the target stays as it was.
void AbandonReplace(Replacement& r);

// From now on every regular file the process opens for reading (File with read access,
// OpenForReading) is noted, and BeginReplace never replaces one of them: the same file on disk
// under any name (a link, another spelling of its path). For runs whose outputs are named after
// their inputs (the batch modes), so that an output never lands on what the run reads.
void GuardFilesRead();
// The name (absolute) under which the process read the file path names while guarding them; ""
// when it read no such file, or does not guard.
std::string FileReadAs(const std::string& path);

// Whether the program holds path open as a File (a table, a memo or index file): the same file
// on disk, whatever name it was opened under.
bool IsOpenInThisProgram(const std::string& path);

} // namespace os
