// Unit w32rivoz, procedures: the table facade over the one browse window.
#include "dbf/browse/facade.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "dbf/base/errors.h"
#include "dbf/browse/browse_window.h"
#include "framework/core/config_file.h"
#include "framework/core/errorlist.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/text.h"
#include "framework/ui/questions.h"
#include "platform/os/errors.h"
#include "platform/os/paths.h"

namespace dbf {

std::int32_t DbfSelectedRecNo = 1;
std::int32_t DbfGridPosA = 1;
std::int32_t DbfGridPosB = 1;

namespace {

Tdbf4* gWindow = nullptr;

void ShowDbfError(const char* what, const char* consequence = nullptr) {
    Tdbf4& w = DbfWindow();
    const auto code = static_cast<std::uint16_t>(w.ErrorCode());
    std::string text = std::string("Error  : ") + what + std::to_string(code) + ": " +
                       ErrorCauseWords(code); // what the number means, in words
    if (!w.ErrorText().empty()) text += "\n" + w.ErrorText();
    if (consequence != nullptr) text += "\n" + std::string(consequence);
    ShowError(text);
    AbortFlag = 1;
}

// Copies the table and its memo file (same name, .dbt or .fpt, any letter case) from dir into
// a folder of this opening's own in TempDir (another program's working copy, or a file of the
// user's there, is never overwritten); the copies lose a read-only attribute, and go with the
// folder at the end of the program. The copy's path, or "" (reported, AbortFlag).
std::string CopyToTemp(const std::string& dir, const std::string& name) {
    std::string folder = AddBackslash(TempDir) + LowerCaseStr(ProgramName) + "-copy-XXXXXX";
    std::string problem;
    const auto failed = [&problem] {
        ShowError("No working copy of the table can be made: " + problem);
        return std::string();
    };
    if (::mkdtemp(folder.data()) == nullptr) {
        problem = FileErrorCause(os::ErrnoToDos(errno), folder);
        return failed();
    }
    NoteTemporaryFolder(folder);
    std::string real;
    if (os::FindNameNoCase(dir, name, real) != 0) real = AddBackslash(dir) + name;
    const std::string target = AddBackslash(folder) + name;
    if (!CopyShippedFile(real, target, &problem)) return failed();
    NoteTemporaryFile(target);
    const std::string base = BaseNameNoExt(name);
    for (const char* ext : {".dbt", ".fpt"}) {
        std::string memo;
        if (os::FindNameNoCase(dir, base + ext, memo) != 0) continue;
        const std::string memoTarget =
            AddBackslash(folder) + std::filesystem::path(memo).filename().string();
        if (!CopyShippedFile(memo, memoTarget, &problem)) return failed();
        NoteTemporaryFile(memoTarget);
    }
    return target;
}

} // namespace

Tdbf4& DbfWindow() {
    if (!gWindow) gWindow = new Tdbf4(nullptr);
    return *gWindow;
}

void CreateDbfWindow(TComponent* owner) {
    if (!gWindow) gWindow = new Tdbf4(owner);
}

void FreeDbfWindow() {
    if (!gWindow) return;
    Tdbf4* w = gWindow;
    gWindow = nullptr;
    w->CloseTable();
    std::error_code ec;
    std::filesystem::remove(w->SortIndexName(), ec);
    w->Free();
}

void DbfOpen(std::string_view nameIn) {
    std::string name(nameIn);
    if (name.find('.') == std::string::npos) name += ".dbf";
    const std::string dir = AddBackslash(DbfDir);
    std::string path;
    if (os::FindNameNoCase(DbfDir, name, path) != 0) path = dir + name;
    if (!CheckFileReadable(path)) return;
    // Write check: a table whose directory or file this user cannot write is used as a copy in
    // TempDir, so the window can still edit (the copy is a working copy, and says why).
    const std::string probe = dir + "TEST.$$$";
    std::FILE* f = std::fopen(probe.c_str(), "wb");
    bool writable = f && std::fputs("DBF Write Check\r\n", f) >= 0;
    if (f) writable = (std::fclose(f) == 0) && writable;
    if (f) std::remove(probe.c_str());
    // The permission bits count as the read-only attribute (also for a user whom the system
    // would let write anyway).
    struct stat st {};
    std::string why = TableNotWritableWhy(path, true);
    if (why.empty() && (::stat(DbfDir.c_str(), &st) != 0 || (st.st_mode & 0222) == 0))
        why = "its folder is marked read-only";
    if (why.empty() && !writable) why = "its folder cannot be written";
    writable = why.empty();
    const std::string original = path;
    if (!writable) {
        const std::uint8_t savedAbort = AbortFlag;
        path = CopyToTemp(DbfDir, std::filesystem::path(path).filename().string());
        if (path.empty()) return;
        AbortFlag = savedAbort;
    }
    DbfUse(path);
    if (!writable) DbfWindow().SetWorkingCopy(original, why);
    // The tables' folder itself may be one whose files are not kept.
    if (writable && InNotKeptFolder(path))
        DbfWindow().SetNotKept("your data folder " + UserDataDir() +
                               " could not be made or written.\nTo keep changes, make it "
                               "writable for you, then start the program again.");
}

void DbfUse(const std::string& path) {
    DbfResetError();
    DbfWindow().OpenTable(path);
    if (DbfErrorCode() != 0) ShowDbfError("DBF Error ");
    DbfClearError();
}

void DbfSetTitles(std::string_view title1, std::string_view title2) {
    DbfWindow().SetTitles(OemToAnsiString(title1), OemToAnsiString(title2));
}

void DbfSetupMode(std::string_view text, std::uint16_t mode) {
    DbfWindow().SetupMode(text, mode);
}

void DbfGoto(std::int32_t n) {
    const std::int32_t count = DbfRecCount();
    // An empty table has no record to go to.
    if (count <= 0) return;
    if (n > count) {
        AddError("DBF #" + std::to_string(n) + " not found.");
        n = count;
    }
    DbfResetError();
    DbfGotoClamped(n);
    if (DbfErrorCode() != 0) ShowDbfError("Database #");
    DbfClearError();
}

void DbfGotoClamped(std::int32_t n) {
    if (n < 1 || n > DbfRecCount()) n = 1;
    DbfWindow().GoRecord(n);
}

void DbfClose() {
    DbfResetError();
    DbfWindow().CloseTable();
    if (DbfErrorCode() != 0) ShowDbfError("DBF Error ", "The changes to the record were not saved.");
    DbfClearError();
}

bool DbfAppend() {
    return DbfWindow().AppendRecordLocked();
}

std::int32_t DbfRecNo() {
    return DbfWindow().CurrentRecNo();
}

std::int32_t DbfRecCount() {
    return DbfWindow().RecordCount();
}

std::int32_t DbfErrorCode() {
    return DbfWindow().ErrorCode();
}

void DbfResetError() {
    DbfWindow().ResetError();
}

void DbfClearError() {
    DbfWindow().ClearError();
}

void DbfFieldText(int n, std::string& text) {
    DbfWindow().GetFieldByIndex(n, text);
}

std::string DbfFieldText(int n) {
    std::string text;
    DbfFieldText(n, text);
    return text;
}

bool DbfFieldBool(std::string_view name) {
    return DbfWindow().GetFieldBool(name.substr(0, 255));
}

void DbfSetFieldBool(std::string_view name, bool value) {
    DbfWindow().SetFieldBool(name, value);
}

void DbfSetFieldString(std::string_view name, std::string_view value) {
    DbfWindow().SetFieldString(name, value);
}

void DbfSetFieldFloat(std::string_view name, long double value) {
    DbfWindow().SetFieldFloat(name, value);
}

void DbfSetFieldInt(std::string_view name, std::int64_t value) {
    DbfWindow().SetFieldInt(name, value);
}

} // namespace dbf
