// Unit utzmds: the virtual-file dataset.
#include "dbf/dataset/vfile_dataset.h"

#include <cmath>
#include <optional>
#include <unistd.h>

#include "dbf/base/errors.h"
#include "dbf/base/files.h"
#include "dbf/base/hooks.h"
#include "dbf/base/messages.h"
#include "dbf/base/runtime.h"
#include "dbf/base/text.h"
#include "dbf/dataset/field_list.h"
#include "dbf/memo/memo.h"
#include "dbf/table/field_vars.h"
#include "dbf/table/table_file.h"
#include "dbf/table/work_areas.h"
#include "platform/os/file.h"
#include "platform/os/paths.h"

namespace dbf {

namespace {

// A number for the name of a new virtual file: the clock's milliseconds, never one given
// before (two opens in the same millisecond get different names).
std::string NextVFileNumber() {
    static std::uint32_t last = 0;
    std::uint32_t n = TickCount() & 0x7FFFFFFFu;
    if (n <= last) n = last + 1;
    last = n;
    return std::to_string(n);
}

bool Numeric(char t) {
    return t == 'N' || t == 'F';
}

std::int64_t RoundToInt64(double v) {
    if (!std::isfinite(v) || std::fabs(v) >= 9.2e18) return 0;
    return std::llround(v);
}

// One field's value from a source area's block into a target area's block (the target is the
// current area); a text goes from the source's code page into the target's. A memo reference
// of a table becomes a number in a virtual file; a number going back into a memo field takes
// the memo text from area memoSource (0: none).
void CopyValue(const TDbfFieldDesc& tf, std::uint8_t* tv, const TDbfFieldDesc& sf,
               const std::uint8_t* sv, std::uint8_t sourceArea, std::uint8_t memoSource) {
    if (tf.Type == 'C' && sf.Type == 'C') {
        const TWorkArea* from = WorkAreaSlot(sourceArea);
        const TWorkArea* to = CurrentWorkArea();
        std::string s = GetVarString(sv);
        if (from != nullptr && to != nullptr) s = TextInPage(s, from->Page, to->Page);
        SetVarString(tv, s.substr(0, tf.Length), tf.Length);
    } else if (Numeric(tf.Type) && Numeric(sf.Type)) {
        if (tf.Decimals > 0)
            SetVarDouble(tv,
                         sf.Decimals > 0 ? GetVarDouble(sv) : static_cast<double>(GetVarInt64(sv)));
        else
            SetVarInt64(tv, sf.Decimals > 0 ? RoundToInt64(GetVarDouble(sv)) : GetVarInt64(sv));
    } else if (tf.Type == 'D' && sf.Type == 'D') {
        SetVarString(tv, GetVarString(sv), kDateVarSize - 1);
    } else if (tf.Type == 'L' && sf.Type == 'L') {
        SetVarBool(tv, GetVarBool(sv));
    } else if (Numeric(tf.Type) && sf.Type == 'M') {
        SetVarInt64(tv, GetVarInt32(sv));
    } else if (tf.Type == 'M' && Numeric(sf.Type)) {
        const std::int64_t block = GetVarInt64(sv);
        std::int32_t copied = 0;
        if (memoSource != 0 && block != 0 && block >= INT32_MIN && block <= INT32_MAX &&
            MemoHooks.CopyMemoAppend != nullptr)
            copied = MemoHooks.CopyMemoAppend(memoSource, static_cast<std::int32_t>(block));
        if (LastErrorCode == 0) SetVarInt32(tv, copied);
    }
}

// Appends every record of area `from` (from its top; deleted ones left out when hideDeleted)
// to area `to`, field by field by name. Ends in area `from`; the error stays pending.
void CopyRecords(std::uint8_t from, std::uint8_t to, bool hideDeleted, bool progress,
                 const std::string& title, std::uint8_t memoSource) {
    Select(from);
    TWorkArea* src = CurrentWorkArea();
    TWorkArea* dst = WorkAreaSlot(to);
    std::vector<int> map(dst->Fields.size(), -1); // target field -> source field
    for (std::size_t i = 0; i < dst->Fields.size(); ++i)
        for (std::size_t j = 0; j < src->Fields.size(); ++j)
            if (dst->Fields[i].Name == src->Fields[j].Name) {
                map[i] = static_cast<int>(j);
                break;
            }
    GoTop();
    const std::int32_t step = RecCount() / 100;
    std::optional<TTzProgress100> bar;
    if (progress && step >= 1) bar.emplace(nullptr, title);
    while (LastErrorCode == 0 && !dEOF()) {
        if (!(hideDeleted && Deleted())) {
            Select(to);
            ClearRecord();
            dst->FieldVars[0] = src->FieldVars[0] != 0 ? 1 : 0;
            for (std::size_t i = 0; i < map.size() && LastErrorCode == 0; ++i) {
                if (map[i] < 0) continue;
                const auto j = static_cast<std::size_t>(map[i]);
                CopyValue(dst->Fields[i], dst->FieldVars + FieldVarOffset(dst->Fields, i + 1),
                          src->Fields[j], src->FieldVars + FieldVarOffset(src->Fields, j + 1),
                          from, memoSource);
            }
            if (LastErrorCode == 0) Append();
            Select(from);
            if (LastErrorCode != 0) break;
        }
        if (bar && RecNo() % step == 0) bar->Step();
        Skip(1);
    }
}

// A table open in a free work area (under an alias of its own) for the length of a transfer;
// back to `home` on every exit, the pending error kept.
class TransferArea {
public:
    TransferArea(const std::string& command, std::uint8_t home) : FHome(home) {
        if (!Select(0)) return;
        Use(command + " ALIAS *VFILE" + std::to_string(CurrentArea()) + "*");
        if (LastErrorCode == 0) FArea = CurrentArea();
        Select(FHome);
    }
    ~TransferArea() {
        const KeepEngineError keep;
        if (FArea != 0) {
            Select(FArea);
            Use("");
        }
        Select(FHome);
    }
    TransferArea(const TransferArea&) = delete;
    TransferArea& operator=(const TransferArea&) = delete;
    std::uint8_t Area() const { return FArea; }

private:
    std::uint8_t FHome;
    std::uint8_t FArea = 0;
};

// A name for the new table beside target that no file has.
std::string NewTableBeside(const std::string& target) {
    static unsigned counter = 0;
    const std::string dir = FSplit(target).Dir;
    for (;;) {
        const std::string name = dir + "TZP" + std::to_string(static_cast<long>(::getpid())) + "_" +
                                 std::to_string(++counter) + ".DBF";
        if (!os::FileExists(name)) return name;
    }
}

} // namespace

TTzLLDataSet::~TTzLLDataSet() {
    // Closed here while the block still lives; a save that fails now is told, not kept.
    try {
        Close();
    } catch (const std::exception& e) {
        DatasetMessage(e.what());
        FSkipSave = true;
        try {
            Close();
        } catch (...) {
        }
    }
}

// ---- opening and closing ----

bool TTzLLDataSet::OpenDbf(const std::string& /*fileName*/) {
    std::vector<TDbfFieldDesc> fields;
    if (!FieldsFromDbfFields(Name(), DbfFields, true, fields)) return false;
    for (TDbfFieldDesc& f : fields) // B, G and P corrected to memos: numbers here too
        if (f.Type == 'M') f = TDbfFieldDesc{f.Name, 'N', 10, 0, 0};
    const std::size_t size = ComputeFieldVarsSize(fields);
    if (size > 0xFFFF) {
        SetError(kErrBadFieldType, "Fields of " + Name() + " need " + std::to_string(size) +
                                       " bytes, a record holds at most 65535 [OpenDbf]");
        return false;
    }
    FBlock.assign(size, 0);
    std::string name = "*" + NextVFileNumber() + "* VIRTUAL FILE";
    if (FAppendMode == ASCENDING) name += " ASCENDING";
    if (FAppendMode == DESCENDING) name += " DESCENDING";
    Use(name, FBlock.data(), static_cast<std::uint16_t>(size));
    if (LastErrorCode != 0) return false;
    AddStru(fields);
    if (LastErrorCode == 0) return true;
    const KeepEngineError keep;
    Use("");
    return false;
}

void TTzLLDataSet::DoAfterOpen() {
    TTzCDataSet::DoAfterOpen();
    try {
        // Sorted files are filled in key order, the others in file order.
        RunCommand("DoAfterOpen", [this] {
            if (FAppendMode == ASCENDING || FAppendMode == DESCENDING)
                Set_VFileMode_To(FAppendMode);
            if (LastErrorCode == 0) Set_VFileKey_To([this] { return KeyText(); });
        });
        if (PopulateFromDisk) ReadFromDisk();
        if (FAppendMode == LIFO || FAppendMode == INSERTION)
            RunCommand("DoAfterOpen", [this] { Set_VFileMode_To(FAppendMode); });
    } catch (...) {
        FSkipSave = true;
        try {
            Close();
        } catch (...) {
        }
        FSkipSave = false;
        throw;
    }
    RefreshAfterCommand();
}

void TTzLLDataSet::DoBeforeClose() {
    TTzCDataSet::DoBeforeClose();
    if (SaveToDisk && FChanged && !FSkipSave) WriteToDisk();
}

std::int32_t TTzLLDataSet::TziClose() {
    const std::int32_t r = TTzCDataSet::TziClose();
    FBlock.clear();
    return r;
}

// ---- order ----

std::string TTzLLDataSet::KeyText() {
    if (KeyMaker) return KeyFromFieldVars(KeyMaker);
    const KeepEngineError keep;
    const TWorkArea* a = CurrentWorkArea();
    if (a == nullptr || a->Fields.empty()) return {};
    if (a->Fields[0].Type == 'D') return BlockDateToDbfText(GetVarString(FieldAddress(1)));
    return FieldStr(1);
}

void TTzLLDataSet::SetAppendMode(LStatusType mode) {
    FAppendMode = mode;
    if (!Active()) return;
    CheckBrowseMode();
    RunCommand("SetAppendMode", [this, mode] {
        if (mode == ASCENDING || mode == DESCENDING) {
            Set_VFileKey_To([this] { return KeyText(); });
            if (LastErrorCode == 0) SortVFile(mode);
        } else {
            Set_VFileMode_To(mode);
        }
    });
    RefreshAfterCommand();
}

// ---- changes (no locks: the records are the program's own) ----

bool TTzLLDataSet::Changing(void (*change)(), bool moveOff) {
    change();
    if (LastErrorCode != 0) return false;
    if (moveOff) MoveOffHidden();
    MarkModified();
    return LastErrorCode == 0;
}

bool TTzLLDataSet::s_AppendWithLock() {
    SelectArea("s_AppendWithLock");
    // At the end an INSERTION file appends: the new record goes last, not before the last.
    const bool last = FAppendMode == INSERTION && Eof();
    if (last) Set_VFileMode_To(FIFO);
    const bool done = Changing(&dbf::Append, true);
    if (last) {
        const KeepEngineError keep;
        Set_VFileMode_To(INSERTION);
    }
    return done;
}

bool TTzLLDataSet::s_DeleteWithLock() {
    SelectArea("s_DeleteWithLock");
    return Changing(&DeleteRec, true);
}

bool TTzLLDataSet::s_RestoreWithLock() {
    SelectArea("s_RestoreWithLock");
    return Changing(&RecallRec, false);
}

bool TTzLLDataSet::s_ReplaceWithLock() {
    SelectArea("s_ReplaceWithLock");
    return Changing(&Replace, true);
}

// ---- disk ----

void TTzLLDataSet::ReadFromDisk() {
    const std::string file = ResolveExisting(DbfFileName());
    if (DbfFileName().empty() || !FileExists(file)) return;
    CheckBrowseMode();
    FChanged = true; // a part read is no copy of the table
    RunCommand("ReadFromDisk", [&] {
        const std::uint8_t home = CurrentArea();
        const TransferArea table(file, home);
        if (table.Area() == 0) return;
        // An empty virtual file takes the table's code page: nothing the table holds is lost.
        if (RecCount() == 0) CurrentWorkArea()->Page = WorkAreaSlot(table.Area())->Page;
        CopyRecords(table.Area(), home, HideDeletedRecs(), ShowProgress, "Reading from disk...", 0);
    });
    RunCommand("ReadFromDisk", [] { GoTop(); });
    FChanged = false;
    RefreshAfterCommand();
}

void TTzLLDataSet::WriteToDisk() {
    if (DbfFileName().empty()) return;
    CheckBrowseMode();
    UpdateCursorPos();
    const std::string target = ResolveExisting(DbfFileName());
    const std::string fresh = NewTableBeside(target);
    std::string freshMemo;
    // The new table is removed on every exit that did not make it the target.
    struct Discard {
        const std::string& table;
        const std::string& memo;
        bool armed = true;
        ~Discard() {
            if (!armed) return;
            os::RemoveFile(table);
            if (!memo.empty()) os::RemoveFile(memo);
        }
    } discard{fresh, freshMemo};
    RunCommand("WriteToDisk", [&] {
        if (!CreateTableFromDbfFields(Name(), fresh, DbfFields, false)) {
            if (LastErrorCode == 0)
                SetError(kErrInvalidParameter, "Could not create \"" + fresh + "\" [WriteToDisk]");
            return;
        }
        // The replacement keeps the code page the table's header names.
        if (FileExists(target)) {
            if (const int code = KeepLanguageDriver(target, fresh); code != 0) {
                SetError(static_cast<std::uint16_t>(code), "\"" + fresh + "\" [WriteToDisk]");
                return;
            }
        }
        const std::uint8_t home = CurrentArea();
        std::uint8_t version = 0;
        {
            const TransferArea out(fresh + " EXCLUSIVE", home);
            if (out.Area() == 0) return;
            const TWorkArea* made = WorkAreaSlot(out.Area());
            version = made->Prolog[0];
            if (made->HasMemo) freshMemo = MemoNameFor(fresh, version);
            // Memo texts come from the target's memo file.
            std::optional<TransferArea> old;
            if (made->HasMemo && FileExists(target)) {
                old.emplace(target, home);
                if (old->Area() == 0) return;
            }
            CopyRecords(home, out.Area(), HideDeletedRecs(), ShowProgress, "Writing to disk...",
                        old ? old->Area() : 0);
        }
        if (LastErrorCode != 0) return;
        // Another program that has the table open would go on working on the replaced file.
        if (FileExists(target)) {
            os::File probe;
            const int code =
                probe.Open(target, os::OpenMode{os::Access::ReadWrite, os::Share::DenyAll});
            if (code != 0) {
                SetError(static_cast<std::uint16_t>(code),
                         "\"" + target + "\" is open in another program or work area; the " +
                             "virtual file was not written [WriteToDisk]");
                return;
            }
        }
        int code = 0;
        if (!freshMemo.empty()) code = os::RenameOver(freshMemo, MemoNameFor(target, version));
        if (code == 0) code = os::RenameOver(fresh, target);
        if (code != 0) {
            SetError(static_cast<std::uint16_t>(code), "\"" + target + "\" [WriteToDisk]");
            return;
        }
        discard.armed = false;
    });
    CursorPosChanged();
    FChanged = false;
}

} // namespace dbf
