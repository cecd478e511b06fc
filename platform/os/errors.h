#pragma once
// Error codes of the OS layer.
//
// Every function of platform/os that can fail returns an int: 0 for success, otherwise one of
// the DOS error codes below (the codes the DBF engine and the text-file layer test and show),
// never a raw errno. Results travel through reference parameters.

#include <cstddef>
#include <string>

namespace os {

enum : int {
    kOk = 0,
    kErrFileNotFound = 2,      // the file does not exist (its directory does)
    kErrPathNotFound = 3,      // a directory of the path does not exist, or is not a directory
    kErrTooManyOpenFiles = 4,  // EMFILE, ENFILE
    kErrAccessDenied = 5,      // permissions, a directory opened as a file, read-only file
    kErrInvalidHandle = 6,     // operation on a closed File
    kErrNotEnoughMemory = 8,   // ENOMEM
    kErrInvalidAccess = 12,    // an open mode that makes no sense
    kErrInvalidData = 13,      // EINVAL and malformed arguments
    kErrNotSameDevice = 17,    // rename across file systems
    kErrWriteProtect = 19,     // read-only file system
    kErrGeneralFailure = 31,   // I/O error and every errno without a closer code
    kErrSharingViolation = 32, // another opener's share mode refuses this open
    kErrLockViolation = 33,    // a byte range is locked by another handle
    kErrFileExists = 80,       // exclusive create of a name that exists
    kErrInvalidParameter = 87, // a lock range outside what locks may cover
    kErrNotLocked = 158,       // unlocking a range this handle has not locked
    kErrReadFault = 100,       // end of file: fewer bytes read than asked
    kErrWriteFault = 101,      // disk full: fewer bytes written than asked
    kErrFileTooLarge = 223,    // larger than its reader takes (ReadWholeFile; never an engine code)
};

// Maps an errno value to the codes above. ENOENT gives kErrFileNotFound; callers that know the
// path use ErrnoToDosForPath, which tells a missing file (2) from a missing directory (3).
int ErrnoToDos(int err);

// As ErrnoToDos, for a failure on path: ENOENT gives 3 when the path's directory is missing.
int ErrnoToDosForPath(int err, const char* path);

// One DOS code covers several causes (3: a missing folder or a name too long; 101: a full disk,
// a quota or a file-size limit). The two functions above remember, per thread, the errno behind
// the code they returned last; NoteCode records a code returned without an errno.
int NoteCode(int code);
// The errno recorded with code, 0 when the code last returned was another one.
int LastErrnoFor(int code);
// True when the code last returned is code and the system told more about it (an errno, the
// type of a name that is no regular file, a size limit): ErrorCauseText then says what.
bool KnowsCauseOf(int code);

// kErrAccessDenied for a name that is no regular file: a folder, a named pipe (FIFO), a device
// or a socket (st_mode's file type). The type is kept for ErrorCauseText, which names it.
int NoteNotRegularFile(unsigned mode);
// code, with a cause the system's codes cannot say ("it belongs to another user");
// ErrorCauseText gives text for it.
int NoteCause(int code, std::string text);
// kErrFileTooLarge for a file longer than limit bytes; ErrorCauseText names the limit.
int NoteTooLarge(unsigned long long limit);
// kErrWriteFault for a file at path that came out shorter or other than written, of size bytes,
// with the likely cause (a file-size limit it reached, a disk without room) when the system
// tells one; else "the file came out incomplete".
int NoteIncompleteWrite(const std::string& path, unsigned long long size);

// The cause of a failure with code in words, for a message: "the folder does not exist",
// "permission denied", "the disk is full", "the file is too large", "the name is too long", ...
// When path is given the path itself is looked at too (which part is missing or too long).
std::string ErrorCauseText(int code, const std::string& path = {});

// The longest name of one directory entry, in bytes.
inline constexpr std::size_t kMaxNameBytes = 255;

// Writing past a file-size limit (ulimit -f) would end the process with SIGXFSZ; with the signal
// ignored the write fails with EFBIG and is reported like any other failed write. Leaves a
// handler someone else installed alone; safe to call more than once.
void IgnoreFileSizeSignal();
// Writing into a pipe or a socket whose reader has gone would end the process with SIGPIPE;
// with the signal ignored the write fails with EPIPE and is reported like any other failed
// write (NoteReaderGone). Programs the process starts get the default action back
// (StartProcess). The same rules as IgnoreFileSizeSignal.
void IgnoreBrokenPipeSignal();
// kErrWriteFault for a write into a pipe or socket whose reader closed it once bytes bytes had
// gone into it (not necessarily read); ErrorCauseText says "<reader> closed the connection after
// N bytes had gone into the pipe".
int NoteReaderGone(unsigned long long bytes, const std::string& reader = "the reader");

} // namespace os
