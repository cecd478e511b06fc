#pragma once
// File-system services: existence, rename, remove, temporary names, free space, and finding
// names without regard to letter case. Error style as in errors.h: 0 or a DOS code.

#include <cstdint>
#include <string>

#include "platform/os/errors.h"

namespace os {

// True when path names an existing file that is not a directory (symbolic links followed).
bool FileExists(const std::string& path);
// True when path names an existing directory.
bool DirectoryExists(const std::string& path);

// Atomically replaces (or creates) to by from; both must be on one file system
// (kErrNotSameDevice otherwise).
int RenameOver(const std::string& from, const std::string& to);
// Removes a file (not a directory).
int RemoveFile(const std::string& path);
// Creates one directory (the parent must exist); an existing directory counts as success.
int MakeDirectory(const std::string& path);
// Creates the directory and every missing parent.
int MakeDirectories(const std::string& path);
// Removes an empty directory.
int RemoveDirectory(const std::string& path);

// Size and modification time (seconds since 1970, UTC) of a file.
int FileSize(const std::string& path, std::uint64_t& size);
int FileModTime(const std::string& path, std::int64_t& unixSeconds);

// The directory for temporary files: $TMPDIR when it is an existing directory, else /tmp.
// No trailing '/'.
std::string TempDirectory();

// The user's base directory of the XDG kind: $XDG_CONFIG_HOME or $XDG_DATA_HOME when set to an
// absolute path, else ~/.config or ~/.local/share; "" without a home directory. No trailing '/'.
enum class XdgKind { Config, Data };
std::string XdgDirectory(XdgKind kind);

// A folder no other user may enter: a folder (not a symbolic link) of the effective user's own
// that grants nothing to group and others.
bool IsPrivateFolder(const std::string& dir);
// Makes dir such a folder: created with mode 0700 when missing (its parent must exist); a folder
// of the user's own that grants more has its rights narrowed to 0700. A symbolic link, a name
// that is no folder and another user's folder are refused (ErrorCauseText says which). 0 or a
// code.
int MakePrivateFolder(const std::string& dir);
// MakePrivateFolder, and the folder noted in the same step for removal by a signal that ends the
// run (after the drafts, when it is empty then; at most four are kept), the signals held over
// it: a run that a signal ends never leaves behind the (empty) folder it made. The
// folder is held (a shared lock) till RemoveScratchFolder, so that runs sharing it never remove
// it under one another: only the last run that holds it removes it.
int MakeScratchFolder(const std::string& dir);
// Removes dir when it is empty and no other run holds it (a folder of MakeScratchFolder), or
// when it is empty (any other folder); its note for a signal goes.
void RemoveScratchFolder(const std::string& dir);

// Creates a new empty file in dir whose name begins with prefix (and ends with ext, e.g.
// ".tmp", or nothing) and does not exist yet; created exclusively, so two callers never get
// the same name. name receives the full path. The name stays within kMaxNameBytes: a longer
// prefix is cut (at a character boundary).
int CreateTempFile(const std::string& dir, const std::string& prefix, std::string& name,
                   const std::string& ext = ".tmp");

// Drafts left by a signal. Once RemoveDraftsOnSignal() has run, every file CreateTempFile makes
// is noted as a draft until it is gone (renamed into place or removed); SIGINT, SIGTERM or SIGHUP
// then removes the drafts still there and ends the process with 128 + the signal's number, so
// the files being replaced stay as they were. A signal the process was started ignoring stays
// ignored (nohup, a job in a script's background). For runs whose every output appears complete
// or not at all (the batch modes); the handler does nothing but unlink and _exit.
void RemoveDraftsOnSignal();
// The same for a program with an event loop, which must not be left in the middle of its work:
// the first of those signals is only noted (DeferredSignal) and written as one byte (its number)
// into a pipe whose reading end is returned (-1 when no pipe can be had: then the signal ends
// the program at once, as above). The work in hand completes; the loop, woken by the pipe, ends
// the program with EndAfterSignal. A second signal before that ends it at once.
int DeferDraftSignals();
// The signal noted by DeferDraftSignals' handler, 0 while none came.
int DeferredSignal();
// Removes the drafts still there and ends the process with 128 + sig; the caller has done its
// own clean-up (temporary files) first. Never returns.
[[noreturn]] void EndAfterSignal(int sig);
// Tests: the signal sig arrives as soon as the n-th draft (or scratch folder, MakeScratchFolder)
// from now on has been made (0: never).
void SignalAtDraftForTesting(int n, int sig);
// The same from the environment: QOR_SIGNAL_AT_DRAFT=n[:sig] (SIGTERM unless sig is given).
void SignalAtDraftFromEnvironment();

// Space available to an unprivileged caller on the file system holding path, in bytes.
int FreeDiskSpace(const std::string& path, std::uint64_t& bytes);

// The current working directory (no trailing '/').
std::string CurrentDirectory();
// path made absolute against the current directory, with "." and ".." and repeated '/'
// removed lexically (symbolic links are not resolved).
std::string AbsolutePath(const std::string& path);

// Letter-case-insensitive comparison of two file names (UTF-8): ASCII letters and the
// accented Latin-1 letters compare equal to their capitals.
bool SameNameNoCase(const std::string& a, const std::string& b);

// Finds name in directory dir without regard to letter case. An exact match wins; among
// several case-variants the first in byte order is taken. real receives dir + "/" + the name
// as it is stored. kErrFileNotFound when no entry matches, kErrPathNotFound when dir is missing.
int FindNameNoCase(const std::string& dir, const std::string& name, std::string& real);

// Resolves every component of path without regard to letter case (components that exist as
// written are taken as they are). real receives the path as stored on disk.
int ResolvePathNoCase(const std::string& path, std::string& real);

} // namespace os
