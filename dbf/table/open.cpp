// Work-area commands (unit `dbf4`): opening a table in the current work area, the USE command.

#include <cstring>
#include <memory>
#include <new>

#include "dbf/table/work_areas.h"
#include "dbf/table/internal.h"
#include "dbf/table/table_file.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/base/files.h"
#include "dbf/base/text.h"
#include "platform/os/codepage.h"

namespace dbf {

std::uint16_t SharedOpenMode = 66;
std::uint16_t OpenModeOverride = 65535;
bool AnsiTables = false;

namespace {

bool ContinuesWord(char c) {
    const auto u = static_cast<unsigned char>(c);
    return os::AnsiIsAlpha(u) || (c >= '0' && c <= '9') || c == '_' || c == '\\';
}

// Removes every whole-word occurrence of word found in `find` from both texts (they have the
// same length: `find` is an upper-case copy of `text`, or the text itself when null).
bool RemoveKeyword(std::string_view word, std::string& text, std::string* find) {
    std::string& hay = find != nullptr ? *find : text;
    bool removed = false;
    std::size_t p = 0;
    while ((p = hay.find(word, p)) != std::string::npos) {
        const std::size_t after = p + word.size();
        if (after < hay.size() && ContinuesWord(hay[after])) {
            ++p;
            continue;
        }
        hay.erase(p, word.size());
        if (find != nullptr) text.erase(p, word.size());
        removed = true;
    }
    return removed;
}

std::string TrimBlanks(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ')
        ++b;
    while (e > b && s[e - 1] == ' ')
        --e;
    return s.substr(b, e - b);
}

// The word after " ALIAS " (blanks skipped), at most 64 characters; the text is cut before the
// keyword. Empty when there is no alias.
std::string TakeAlias(std::string& text, std::string* find) {
    std::string& hay = find != nullptr ? *find : text;
    const std::size_t p = hay.find(" ALIAS ");
    if (p == std::string::npos) return {};
    std::size_t b = p + 7;
    while (b < text.size() && text[b] == ' ')
        ++b;
    std::size_t e = b;
    while (e < text.size() && text[e] != ' ')
        ++e;
    std::string alias = text.substr(b, e - b);
    text.erase(p);
    if (find != nullptr) find->erase(p);
    return alias.substr(0, 64);
}

bool AliasTaken(const std::string& alias, std::uint8_t except) {
    for (std::uint8_t i = 1; i <= kUserAreas; ++i) {
        if (i == except) continue;
        const TWorkArea* other = WorkAreaSlot(i);
        if (other != nullptr && other->Alias == alias) return true;
    }
    return false;
}

std::string AliasInUse(const std::string& alias) {
    return "Alias name \"" + alias + "\" already in use. [USE]";
}

// Restores the run-time's file-open mode on every exit.
class FileModeScope {
public:
    FileModeScope() : saved_(FileMode) {}
    ~FileModeScope() { FileMode = saved_; }
    FileModeScope(const FileModeScope&) = delete;
    FileModeScope& operator=(const FileModeScope&) = delete;

private:
    std::uint16_t saved_;
};

void UseTable(const std::string& command, std::uint8_t* buffer, std::uint16_t size,
              RecordHookProc hook, std::uint32_t hookData) {
    const std::string sizeText = NumStr(size);
    if ((buffer == nullptr) != (size == 0)) {
        SetError(kErrInvalidParameter,
                 "Buffer is NIL or size is zero, attempting to open " + command + " [USE]");
        return;
    }
    // Keywords are matched on an upper-case copy; the name keeps its own letters (file names
    // are case-sensitive here).
    std::string text = command + " ";
    std::string upper = TzUpperStr(text);
    bool exclusive = RemoveKeyword(" EXCLUSIVE", text, &upper);
    std::string alias = TzUpperStr(TakeAlias(text, &upper));
    text = TrimBlanks(text);
    if (text.empty()) {
        SetError(kErrInvalidParameter, "No file name given [USE(" + command + ")]");
        return;
    }
    const std::string fileName = DefaultExt(FExpand(text), "DBF");
    if (alias.empty()) alias = TzUpperStr(FSplit(fileName).Name).substr(0, 64);

    std::uint16_t mode = exclusive ? kExclusiveOpenMode : SharedOpenMode;
    if (SharedOpenMode == kExclusiveOpenMode) exclusive = true;
    if (!MultiUser) {
        mode = kExclusiveOpenMode;
        exclusive = true;
    }
    if (OpenModeOverride < 65535) mode = OpenModeOverride;

    std::unique_ptr<TWorkArea> area;
    try {
        area = std::make_unique<TWorkArea>();
    } catch (const std::bad_alloc&) {
        SetError(kErrNoMemory, "[USE(" + command + ",<@Buffer>," + sizeText + ")]");
        return;
    }
    area->FileName = fileName;
    // The header may name another page (OpenDbf).
    area->Page = AnsiTables ? os::CodePage::Cp1252 : os::CodePage::Cp437;
    area->RecordHook = hook;
    area->ReadHook = hook;
    area->WriteHook = hook;
    {
        FileModeScope restore;
        bool opened = false;
        // Byte-range locks need a handle with write access: a shared table opened for reading
        // is opened for reading and writing when the file allows it (changes stay refused).
        if (!exclusive && MultiUser && (mode & 7u) == 0) {
            ErrorReportingOff quiet;
            FileMode = static_cast<std::uint16_t>((mode & ~7u) | 2u);
            opened = OpenDbf(*area);
            LastErrorCode = 0;
        }
        if (!opened) {
            FileMode = mode;
            if (!OpenDbf(*area)) return;
        }
    }
    area->OpenMode = mode;
    area->Alias = alias;
    area->Opened = true;
    area->Exclusive = exclusive;
    area->HookData = hookData;

    const std::uint16_t need = FieldVarsSize(*area);
    if (buffer == nullptr) {
        try {
            area->OwnedFieldVars.assign(need, 0);
        } catch (const std::bad_alloc&) {
            CloseDbf(*area);
            SetError(kErrNoMemory, "[USE(" + command + ",Nil,0)]");
            return;
        }
        area->FieldVars = area->OwnedFieldVars.data();
        area->OwnsFieldVars = true;
        area->FieldVarsSize = need;
    } else {
        if (size != need) {
            CloseDbf(*area);
            SetError(kErrInvalidSize, "Database record/buffer size mismatch: " + command +
                                          " [USE()]\n\r" + "Record Size=" + NumStr(need) +
                                          ", Buffer Size=" + sizeText);
            return;
        }
        area->FieldVars = buffer;
        area->FieldVarsSize = size;
    }
    if (AliasTaken(alias, CurrentAreaNo)) {
        CloseDbf(*area);
        SetError(kErrInvalidParameter, AliasInUse(alias));
        return;
    }
    try {
        area->SwapBuffer.assign(need, 0);
    } catch (const std::bad_alloc&) {
        CloseDbf(*area);
        SetError(kErrNoMemory, "[USE(" + command + ",<@Buffer>," + sizeText + ")]");
        return;
    }
    TWorkArea* a = area.get();
    detail::InstallArea(std::move(area));

    // From here a failure frees the area again, also when a report leaves by exception.
    try {
        detail::RefreshCount(*a);
        if (a->RecordCount < 1) {
            std::memset(a->FieldVars, 0, a->FieldVarsSize);
            detail::ClearArea(*a);
            a->RecNo = 0;
            a->Bof = a->Eof = true;
        } else {
            GoTop();
        }
        if (LastErrorCode != 0) {
            const std::uint16_t code = LastErrorCode;
            const std::string errorText = ErrorText;
            FreeWorkArea();
            LastErrorCode = code;
            ErrorText = errorText;
            return;
        }
        if (a->HasMemo && MemoHooks.OpenMemofile != nullptr) {
            MemoHooks.OpenMemofile(a->FileName);
            if (LastErrorCode != 0) {
                // What the memo file is (a pipe, a folder, a device) outlives closing the area.
                const std::uint16_t code = LastErrorCode;
                const std::string cause = ErrorCauseWords(code);
                const std::string memo = ErrorText;
                FreeWorkArea();
                SetErrorCause(code,
                              "Problem opening memo file: " + memo + " [USE(" + command +
                                  ",<@Buffer>," + sizeText + ")]",
                              cause);
                return;
            }
        }
        a->UpdateState = usUnchanged;
    } catch (...) {
        if (WorkAreaSlot(CurrentAreaNo) == a) {
            ErrorReportingOff quiet;
            FreeWorkArea();
        }
        throw;
    }
}

} // namespace

void Use(const std::string& command, std::uint8_t* buffer, std::uint16_t size) {
    UseWithBuffer(command, buffer, size, nullptr, 0);
}

void UseWithBuffer(const std::string& command, std::uint8_t* buffer, std::uint16_t size,
                   RecordHookProc hook, std::uint32_t hookData) {
    LastErrorCode = 0;
    FreeWorkArea();
    if (TrimBlanks(command).empty()) return;
    if (command.find("LINKED LIST") != std::string::npos ||
        command.find("VIRTUAL FILE") != std::string::npos) {
        UseVirtual(command, buffer, size);
        return;
    }
    UseTable(command, buffer, size, hook, hookData);
}

void UseVirtual(const std::string& command, std::uint8_t* buffer, std::uint16_t size) {
    const std::string sizeText = NumStr(size);
    if (VirtualFileHandler == nullptr) {
        SetError(kErrVirtualNotLinked, "[USE(" + command + ",<@Buffer>," + sizeText + ")]");
        return;
    }
    if (buffer == nullptr || size == 0) {
        SetError(kErrInvalidParameter,
                 "NIL buffer pointer [USE(" + command + ",Nil," + sizeText + ")]");
        return;
    }
    std::string text = command + " ";
    RemoveKeyword(" LINKED LIST", text, nullptr);
    RemoveKeyword(" VIRTUAL FILE", text, nullptr);
    RemoveKeyword("LINKED LIST", text, nullptr);
    RemoveKeyword("VIRTUAL FILE", text, nullptr);
    std::string alias;
    {
        std::string probe = text;
        alias = TakeAlias(probe, nullptr);
        if (alias.empty()) {
            const std::string trimmed = TrimBlanks(text);
            alias = trimmed.substr(0, trimmed.find(' '));
        }
        const std::size_t dot = alias.find('.');
        if (dot != std::string::npos) alias.erase(dot);
        alias = alias.substr(0, 64);
    }
    if (AliasTaken(alias, CurrentAreaNo)) {
        SetError(kErrInvalidParameter, AliasInUse(alias));
        return;
    }
    std::memset(buffer, 0, size);
    auto area = std::make_unique<TWorkArea>();
    area->Alias = alias;
    area->IsVirtual = true;
    area->RecordLength = size;
    area->FieldVarsSize = size;
    area->FieldVars = buffer;
    area->RecordBuffer.assign(size, '\0');
    area->Bof = area->Eof = true;
    area->Exclusive = true;
    area->Opened = true;
    area->UpdateState = usUnchanged;
    const std::pair<const char*, std::uint8_t> storage[] = {
        {" TO HEAP", 1}, {" TO EMS", 2}, {" TO EXT", 3}, {" TO XMS", 3}, {" TO BIGGEST", 5}};
    for (const auto& [word, kind] : storage)
        if (RemoveKeyword(word, text, nullptr)) area->VirtualStorage = kind;
    const std::pair<const char*, std::uint8_t> orders[] = {
        {" FIFO", 0}, {" LIFO", 1}, {" INSERTION", 2}, {" ASCENDING", 3}, {" DESCENDING", 4}};
    for (const auto& [word, order] : orders)
        if (RemoveKeyword(word, text, nullptr)) area->VirtualOrder = order;
    std::size_t e = text.size();
    while (e > 0 && text[e - 1] == ' ')
        --e;
    area->FileName = text.substr(0, e);
    TWorkArea* a = area.get();
    detail::InstallArea(std::move(area));
    a->VirtualOp = 4;
    try {
        VirtualFileHandler(*a);
    } catch (...) {
        detail::InstallArea(nullptr);
        throw;
    }
    if (LastErrorCode != 0) detail::InstallArea(nullptr);
}

} // namespace dbf
