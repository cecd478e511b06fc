#pragma once
// File helpers of the engine. Paths use '/'. Helpers report through SetError only where noted
// (EraseFiles, UniqueFilename); the others return a code or a flag.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dbf {

struct FSplitResult {
    std::string Dir;  // with a trailing '/' when not empty
    std::string Name; // without extension, at most 64 characters
    std::string Ext;  // with its dot, or empty
};

FSplitResult FSplit(std::string_view path);
std::string FExpand(std::string_view name);
std::string StripExt(std::string_view name);
std::string DefaultExt(std::string_view name, std::string_view ext);
std::string ForceExt(std::string_view name, std::string_view ext);
std::string FileNameExt(std::string_view name);
std::string FileBaseName(std::string_view name);
std::string ShortPathName(std::string_view name);
bool FileExists(const std::string& name);

// Modification time of a file as a packed date stamp (see UnpackTime); 0 and DosError set on
// failure.
std::int32_t FileDate(const std::string& name);
bool FileModifiedToday(const std::string& name);

// Erases a file only when nobody else holds it open; 0 or the code.
int EraseExclusive(const std::string& name);
// One file, or every ordinary file matching a mask with '*' and '?' (letter case ignored).
void EraseFiles(const std::string& mask);

// Free space for the caller on the file system of path, in KB; "" is the current directory.
double DiskFree(const std::string& path);
double DiskFreeDrive(int drive);

// A new empty file with the prefix "TZP" in the temporary directory; empty on failure.
std::string UniqueFilename();

// A path that names an existing file, found without regard to letter case when the exact
// spelling does not exist; the name unchanged when nothing matches.
std::string ResolveExisting(const std::string& name);

// File search with a mask ('*', '?', letter case ignored) in the mask's directory. Hidden
// (dot) files and directories are not returned.
struct TzSearchRec {
    std::string Name; // name without directory
    std::uint64_t Size = 0;
    std::int32_t Time = 0;            // packed date stamp
    std::string Dir;                  // directory of the search, with its '/'
    std::vector<std::string> pending; // names still to be returned
};
int TzFindFirst(const std::string& mask, TzSearchRec& rec);
int TzFindNext(TzSearchRec& rec);
void TzFindClose(TzSearchRec& rec);

} // namespace dbf
