// File helpers of the engine: names, erasing files others do not hold, temporary names, free
// space, file search.

#include "dbf/base/files.h"

#include <algorithm>
#include <ctime>
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/base/text.h"
#include "platform/os/file.h"
#include "platform/os/paths.h"

namespace dbf {

namespace {

std::size_t NameStart(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? 0 : slash + 1;
}

// Position of the extension's dot in path, or npos.
std::size_t ExtDot(std::string_view path) {
    const std::size_t start = NameStart(path);
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos || dot < start) return std::string_view::npos;
    return dot;
}

bool HasWildcards(std::string_view s) {
    return s.find_first_of("*?") != std::string_view::npos;
}

std::int32_t StampOf(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    TzTime x;
    x.year = tm.tm_year + 1900;
    x.month = tm.tm_mon + 1;
    x.day = tm.tm_mday;
    x.hour = tm.tm_hour;
    x.minute = tm.tm_min;
    x.second = tm.tm_sec;
    return PackTime(x);
}

// Ordinary, visible files of dir whose names match pattern (letter case ignored), sorted.
std::vector<std::string> MatchingFiles(const std::string& dir, const std::string& pattern,
                                       int& code) {
    std::vector<std::string> names;
    code = 0;
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (d == nullptr) {
        code = os::kErrPathNotFound;
        return names;
    }
    while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name.empty() || name[0] == '.') continue;
        if (fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
        struct stat st {};
        const std::string full = (dir.empty() ? std::string() : dir) + name;
        if (stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

int FillRec(TzSearchRec& rec, const std::string& dir) {
    if (rec.pending.empty()) {
        DosError = 18; // no more files
        return DosError;
    }
    rec.Name = rec.pending.front();
    rec.pending.erase(rec.pending.begin());
    struct stat st {};
    const std::string full = dir + rec.Name;
    if (stat(full.c_str(), &st) == 0) {
        rec.Size = static_cast<std::uint64_t>(st.st_size);
        rec.Time = StampOf(st.st_mtime);
    }
    DosError = 0;
    return 0;
}

} // namespace

FSplitResult FSplit(std::string_view path) {
    FSplitResult r;
    const std::size_t start = NameStart(path);
    r.Dir = std::string(path.substr(0, start));
    const std::size_t dot = ExtDot(path);
    if (dot == std::string_view::npos) {
        r.Name = std::string(path.substr(start));
    } else {
        r.Name = std::string(path.substr(start, dot - start));
        r.Ext = std::string(path.substr(dot));
    }
    if (r.Name.size() > 64) r.Name.resize(64);
    return r;
}

std::string FExpand(std::string_view name) {
    return os::AbsolutePath(std::string(name));
}

std::string StripExt(std::string_view name) {
    const std::size_t dot = ExtDot(name);
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string DefaultExt(std::string_view name, std::string_view ext) {
    if (ExtDot(name) != std::string_view::npos) return std::string(name);
    return RTrim(name) + "." + std::string(ext);
}

std::string ForceExt(std::string_view name, std::string_view ext) {
    return StripExt(name) + "." + std::string(ext);
}

std::string FileNameExt(std::string_view name) {
    return std::string(name.substr(NameStart(name)));
}

std::string FileBaseName(std::string_view name) {
    return StripExt(FileNameExt(name));
}

std::string ShortPathName(std::string_view name) {
    return std::string(name);
}

bool FileExists(const std::string& name) {
    return os::FileExists(name);
}

std::int32_t FileDate(const std::string& name) {
    std::int64_t t = 0;
    const int code = os::FileModTime(name, t);
    if (code != 0) {
        DosError = code;
        return 0;
    }
    DosError = 0;
    return StampOf(static_cast<std::time_t>(t));
}

bool FileModifiedToday(const std::string& name) {
    if (!os::FileExists(name)) return false;
    os::File f;
    int code = f.Open(name, os::OpenMode{os::Access::ReadWrite, os::Share::DenyNone});
    if (code == os::kErrAccessDenied || code == os::kErrSharingViolation)
        code = f.Open(name, os::OpenMode{os::Access::Read, os::Share::DenyNone});
    if (code != 0) return false;
    const std::int32_t stamp = FileDate(name);
    if (stamp == 0) return false;
    const TzTime t = UnpackTime(stamp);
    const TzDate today = TzGetDate();
    return t.year == today.year && t.month == today.month && t.day == today.day;
}

int EraseExclusive(const std::string& name) {
    os::File f;
    const int code = f.Open(name, os::OpenMode{os::Access::ReadWrite, os::Share::DenyAll});
    if (code != 0) return code;
    // Remove while the exclusive handle still keeps others out, then close.
    const int removed = os::RemoveFile(name);
    f.Close();
    return removed;
}

void EraseFiles(const std::string& mask) {
    if (!HasWildcards(mask)) {
        const int code = EraseExclusive(mask);
        if (code != 0) SetError(static_cast<std::uint16_t>(code), "Error erasing " + mask);
        return;
    }
    const std::size_t start = NameStart(mask);
    const std::string dir = mask.substr(0, start);
    int code = 0;
    const std::vector<std::string> names = MatchingFiles(dir, mask.substr(start), code);
    int failed = 0;
    for (const std::string& n : names) {
        if (EraseExclusive(dir + n) != 0) ++failed;
    }
    if (failed > 0)
        SetError(kErrAccessDenied,
                 "Could not erase " + std::to_string(failed) + " files like " + mask);
}

double DiskFree(const std::string& path) {
    std::uint64_t bytes = 0;
    if (os::FreeDiskSpace(path.empty() ? os::CurrentDirectory() : path, bytes) != 0)
        return 2147483647.0;
    return static_cast<double>(bytes) / 1024.0;
}

double DiskFreeDrive(int /*drive*/) {
    // No drive letters here: every drive number means the current directory's file system.
    return DiskFree("");
}

std::string UniqueFilename() {
    std::string name;
    const int code = os::CreateTempFile(os::TempDirectory(), "TZP", name);
    if (code != 0) {
        SetError(static_cast<std::uint16_t>(code),
                 "Error requesting unique file name [UniqueFilename]");
        return {};
    }
    return name;
}

std::string ResolveExisting(const std::string& name) {
    if (os::FileExists(name)) return name;
    std::string real;
    if (os::ResolvePathNoCase(name, real) == 0 && os::FileExists(real)) return real;
    return name;
}

int TzFindFirst(const std::string& mask, TzSearchRec& rec) {
    const std::size_t start = NameStart(mask);
    rec.Dir = mask.substr(0, start);
    int code = 0;
    rec.pending = MatchingFiles(rec.Dir, mask.substr(start), code);
    if (code != 0) {
        DosError = code;
        return code;
    }
    return FillRec(rec, rec.Dir);
}

int TzFindNext(TzSearchRec& rec) {
    return FillRec(rec, rec.Dir);
}

void TzFindClose(TzSearchRec& rec) {
    rec.pending.clear();
    DosError = 0;
}

} // namespace dbf
