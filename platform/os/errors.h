#pragma once
// Error codes of the OS layer.
//
// Every function of platform/os that can fail returns an int: 0 for success, otherwise one of
// the DOS error codes below (the codes the DBF engine and the text-file layer test and show),
// never a raw errno. Results travel through reference parameters.

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
};

// Maps an errno value to the codes above. ENOENT gives kErrFileNotFound; callers that know the
// path use ErrnoToDosForPath, which tells a missing file (2) from a missing directory (3).
int ErrnoToDos(int err);

// As ErrnoToDos, for a failure on path: ENOENT gives 3 when the path's directory is missing.
int ErrnoToDosForPath(int err, const char* path);

} // namespace os
