// Work-area commands (unit `dbf4`), records and navigation: moving the current record, record
// count, appending, rewriting, deleting, recalling and packing.

#include <algorithm>
#include <cstring>
#include <limits>

#include "dbf/table/work_areas.h"
#include "dbf/table/internal.h"
#include "dbf/table/table_file.h"
#include "dbf/base/errors.h"

namespace dbf {

bool IndexUpdate = true;
bool ConfirmPack = false;

namespace {

using detail::Cur;
using detail::HasIndex;

// Brackets a read sequence (or an update) in the index engine's semaphore; released on every
// exit, read failures and reports included.
class SemaphoreBracket {
public:
    SemaphoreBracket(void (*proc)(bool), bool on) : proc_(on ? proc : nullptr) {
        if (proc_ != nullptr) proc_(true);
    }
    ~SemaphoreBracket() { Release(); }
    void Release() {
        if (proc_ != nullptr) {
            auto p = proc_;
            proc_ = nullptr;
            p(false);
        }
    }
    SemaphoreBracket(const SemaphoreBracket&) = delete;
    SemaphoreBracket& operator=(const SemaphoreBracket&) = delete;

private:
    void (*proc_)(bool);
};

std::string Quoted(const TWorkArea& a) {
    return "Database \"" + a.FileName + "\"";
}

// Reads record n and unpacks it; false when the file layer failed (it has set the error).
bool ReadRecord(TWorkArea& a, std::int32_t n) {
    GetDbfRecord(a, n);
    if (LastErrorCode != 0) return false;
    detail::ScatterArea(a);
    return LastErrorCode == 0;
}

void GoPastEnd(TWorkArea& a) {
    detail::ClearArea(a);
    a.RecNo = a.RecordCount + 1;
    a.Bof = a.Eof = true;
}

void SetEOF(TWorkArea& a) {
    a.Eof = true;
    if (HasIndex() && IndexHooks.IndexMarkEOF != nullptr) IndexHooks.IndexMarkEOF();
}

void SetBOF(TWorkArea& a) {
    a.Bof = true;
    if (HasIndex() && IndexHooks.IndexMarkBOF != nullptr) IndexHooks.IndexMarkBOF();
}

void IndexSyncIf(bool idx) {
    if (idx && IndexHooks.IndexSync != nullptr) IndexHooks.IndexSync();
}

void RefreshKeysIf(bool idx) {
    if (idx && IndexHooks.IndexRefreshKeys != nullptr) IndexHooks.IndexRefreshKeys();
}

bool Visible(TWorkArea& a) {
    if (a.IgnoreDeleted && !a.RecordBuffer.empty()) {
        const char flag = a.RecordBuffer[0];
        if (a.IsVirtual ? flag != 0 : flag == '*') return false;
    }
    if (a.OnFilter) {
        CurrentAreaGuard guard;
        const std::function<bool()> filter = a.OnFilter; // the callback may replace it
        return filter();
    }
    if (a.FilterExpr != nullptr && ParserHooks.EvaluateLogical != nullptr) {
        CurrentAreaGuard guard;
        return ParserHooks.EvaluateLogical(a.FilterExpr);
    }
    return true;
}

bool WhileOk(TWorkArea& a) {
    bool ok = true;
    if (a.OnWhile) {
        CurrentAreaGuard guard;
        const std::function<bool()> cond = a.OnWhile;
        ok = cond();
    }
    if (a.WhileExpr != nullptr && ParserHooks.EvaluateLogical != nullptr &&
        detail::SlotOf(&a) != 0) {
        CurrentAreaGuard guard;
        ok = ParserHooks.EvaluateLogical(a.WhileExpr);
    }
    return ok;
}

// A callback closed or replaced the area being moved: stop with 215.
bool Gone(const TWorkArea* a, const char* routine) {
    if (Cur() == a) return false;
    SetError(kErrNoDatabase, std::string("No database in use [") + routine +
                                 "]  WorkArea = " + NumStr(CurrentAreaNo));
    return true;
}

// One step of the index engine: the record it leads to in pos. False when the index failed
// (a damaged node): its own error stands, and no record is read for a number it did not mean.
bool IndexStep(std::int32_t (*step)(), std::int32_t& pos) {
    pos = step();
    return LastErrorCode == 0;
}

bool InLockList(const TWorkArea& a, std::int32_t n) {
    return std::find(a.LockList.begin(), a.LockList.end(), n) != a.LockList.end();
}

void TopInternal(TWorkArea& a) {
    detail::RefreshCount(a);
    if (a.RecordCount == 0) return;
    const bool idx = HasIndex();
    SemaphoreBracket bracket(IndexHooks.ReadSemaphore, idx);
    std::int32_t pos = 1;
    if (idx && IndexHooks.IndexTop != nullptr) {
        if (!IndexStep(IndexHooks.IndexTop, pos)) return;
        if (pos == a.RecordCount + 1) {
            GoPastEnd(a);
            return;
        }
    }
    if (!ReadRecord(a, pos)) return;
    while (!Visible(a) && !a.Eof && LastErrorCode == 0) {
        if (Gone(&a, "GoTop")) return;
        if (idx) {
            pos = a.RecordCount + 1;
            if (IndexHooks.IndexNext != nullptr && !IndexStep(IndexHooks.IndexNext, pos)) return;
            if (IndexHooks.IndexEOF != nullptr && IndexHooks.IndexEOF()) pos = a.RecordCount + 1;
        } else {
            ++pos;
        }
        if (pos > a.RecordCount) {
            GoPastEnd(a);
            IndexSyncIf(idx);
        } else if (!ReadRecord(a, pos)) {
            return;
        }
    }
    RefreshKeysIf(idx);
}

void BottomInternal(TWorkArea& a) {
    detail::RefreshCount(a);
    if (a.RecordCount == 0) return;
    const bool idx = HasIndex();
    SemaphoreBracket bracket(IndexHooks.ReadSemaphore, idx);
    std::int32_t pos = a.RecordCount;
    if (idx && IndexHooks.IndexBottom != nullptr) {
        if (!IndexStep(IndexHooks.IndexBottom, pos)) return;
        if (pos == a.RecordCount + 1) {
            GoPastEnd(a);
            return;
        }
    }
    if (!ReadRecord(a, pos)) return;
    while (!Visible(a) && LastErrorCode == 0) {
        if (Gone(&a, "GoBottom")) return;
        bool top = false;
        if (idx) {
            std::int32_t prior = pos;
            if (IndexHooks.IndexPrior != nullptr && !IndexStep(IndexHooks.IndexPrior, prior))
                return;
            top = prior == pos || (IndexHooks.IndexBOF != nullptr && IndexHooks.IndexBOF());
            pos = prior;
        } else {
            --pos;
            top = pos < 1 || a.Bof;
        }
        if (top) {
            GoPastEnd(a);
            IndexSyncIf(idx);
            SetBOF(a);
            SetEOF(a);
            break;
        }
        if (!ReadRecord(a, pos)) return;
    }
    RefreshKeysIf(idx);
}

bool WritableArea(TWorkArea& a, const char* routine) {
    return !detail::RefuseReadOnly(a, routine);
}

void VirtualRequest(TWorkArea& a, std::uint8_t op, std::int32_t n) {
    a.VirtualOp = op;
    a.VirtualArg = n;
    if (VirtualFileHandler != nullptr) VirtualFileHandler(a);
}

// Puts the area back on record n after a reopen (or on the first record, or empty).
void Reposition(TWorkArea& a, std::int32_t n) {
    detail::RefreshCount(a);
    if (a.RecordCount < 1) {
        detail::ClearArea(a);
        a.RecNo = 0;
        a.Bof = a.Eof = true;
        return;
    }
    if (n < 1 || n > a.RecordCount) n = 1;
    ReadRecord(a, n);
}

} // namespace

namespace detail {

void RefreshCount(TWorkArea& a) {
    if (a.Exclusive || a.IsVirtual || !a.File.IsOpen() || a.RecordLength == 0) return;
    std::uint64_t size = 0;
    if (a.File.Size(size) != 0) return;
    const std::uint64_t records =
        size > a.HeaderLength ? (size - a.HeaderLength) / a.RecordLength : 0;
    a.RecordCount = static_cast<std::int32_t>(
        std::min<std::uint64_t>(records, std::numeric_limits<std::int32_t>::max()));
}

void NotifyMove() {
    TWorkArea* a = Cur();
    if (a == nullptr || !a->RelationProc) return;
    const std::uint8_t slot = CurrentAreaNo;
    std::function<void()> proc = std::move(a->RelationProc);
    a->RelationProc = nullptr;
    const std::int32_t noted = a->RecNo;
    std::uint8_t* found =
        IndexHooks.IndexFoundFlag != nullptr ? IndexHooks.IndexFoundFlag() : nullptr;
    const std::uint8_t savedFound = found != nullptr ? *found : 0;
    auto restore = [&] {
        if (found != nullptr) *found = savedFound;
        if (WorkAreaSlot(slot) == a && !a->RelationProc) a->RelationProc = std::move(proc);
    };
    try {
        CurrentAreaGuard guard;
        proc();
    } catch (...) {
        restore();
        throw;
    }
    restore();
    if (WorkAreaSlot(slot) == a && LastErrorCode == 0 && a->RecNo != noted)
        SetError(kErrCyclicRelation, a->FileName);
}

} // namespace detail

void RefreshRecCount() {
    if (TWorkArea* a = Cur()) detail::RefreshCount(*a);
}

std::int32_t RecCount() {
    LastErrorCode = 0;
    if (CheckDbfInUse("RecCount")) return 0;
    TWorkArea* a = Cur();
    detail::RefreshCount(*a);
    return a->RecordCount;
}

std::int32_t RecNo() {
    LastErrorCode = 0;
    if (CheckDbfInUse("RecNo")) return 0;
    return Cur()->RecNo;
}

bool dEOF() {
    LastErrorCode = 0;
    if (CheckDbfInUse("dEOF")) return true;
    TWorkArea* a = Cur();
    detail::RefreshCount(*a);
    if (a->RecNo > a->RecordCount) a->Eof = true;
    if (HasIndex() && IndexHooks.IndexEOF != nullptr) return IndexHooks.IndexEOF();
    return a->Eof;
}

bool dBOF() {
    LastErrorCode = 0;
    if (CheckDbfInUse("dBOF")) return true;
    if (HasIndex() && IndexHooks.IndexBOF != nullptr) return IndexHooks.IndexBOF();
    return Cur()->Bof;
}

void GoTop() {
    LastErrorCode = 0;
    if (CheckDbfInUse("GoTop")) return;
    TopInternal(*Cur());
    detail::NotifyMove();
}

void GoBottom() {
    LastErrorCode = 0;
    if (CheckDbfInUse("GoBottom")) return;
    BottomInternal(*Cur());
    detail::NotifyMove();
}

void GoFirst() {
    if (RecCount() <= 0) return;
    if (IsWhileOn()) {
        std::function<void()> relation = SetRelation(nullptr);
        TWorkArea* a = Cur();
        while (!dBOF() && LastErrorCode == 0)
            Skip(-1);
        Skip(0);
        if (Cur() == a) SetRelation(std::move(relation));
    } else {
        GoTop();
    }
}

void GoLast() {
    if (RecCount() <= 0) return;
    if (IsWhileOn()) {
        while (!dEOF() && LastErrorCode == 0)
            Skip(1);
        Skip(-1);
    } else {
        GoBottom();
    }
}

void Skip(std::int32_t n) {
    LastErrorCode = 0;
    if (CheckDbfInUse("SKIP()")) return;
    TWorkArea* a = Cur();
    if (a->RecordCount == 0) detail::RefreshCount(*a); // others may have appended since
    std::int32_t lastGood = a->RecordCount + 1;
    if (n == 0) {
        if (a->RecordCount >= 1 && !a->Eof && a->RecNo >= 1 && a->RecNo <= a->RecordCount) {
            if (!ReadRecord(*a, a->RecNo)) return;
        } else {
            detail::ClearArea(*a);
        }
        detail::NotifyMove();
        return;
    }
    if (n > 0 && a->Eof) {
        SetError(kErrBeyondRange, Quoted(*a) + " is past EOF. [SKIP]");
        return;
    }
    if (a->RecordCount == 0) {
        a->Bof = a->Eof = true;
        SetError(kErrBeyondRange, Quoted(*a) + " is empty. [SKIP]");
        return;
    }
    if (n < 0 && dBOF()) return;
    a->Bof = a->Eof = false;
    std::int32_t pos = a->RecNo;
    const bool idx = HasIndex();
    SemaphoreBracket bracket(IndexHooks.ReadSemaphore, idx);
    std::int32_t counter = 0;
    bool atEnd = false;
    bool whileOk = true;
    do {
        if (n < 0) {
            if (Visible(*a) && WhileOk(*a)) lastGood = a->RecNo;
            if (Gone(a, "SKIP()")) return;
            if (idx && IndexHooks.IndexPrior != nullptr) {
                std::int32_t prior = 0;
                if (!IndexStep(IndexHooks.IndexPrior, prior)) return;
                atEnd = prior == pos;
                pos = prior;
            } else if (a->RecNo <= 1) {
                atEnd = true;
                pos = 1;
            } else {
                pos = a->RecNo - 1;
            }
            if (pos != a->RecNo || a->Eof) {
                if (!ReadRecord(*a, pos)) return;
            }
            if (Visible(*a)) --counter;
        } else {
            if (idx && IndexHooks.IndexNext != nullptr) {
                std::int32_t next = 0;
                if (!IndexStep(IndexHooks.IndexNext, next)) return;
                atEnd = next == pos;
                pos = next;
            } else {
                detail::RefreshCount(*a);
                pos = a->RecNo + 1;
                if (pos > a->RecordCount) {
                    atEnd = true;
                    pos = a->RecordCount;
                }
            }
            // At the end the last record is loaded already.
            if (pos != a->RecNo) {
                if (!ReadRecord(*a, pos)) return;
            }
            if (Visible(*a)) ++counter;
        }
        if (Gone(a, "SKIP()")) return;
        whileOk = WhileOk(*a);
        if (Gone(a, "SKIP()")) return;
    } while (counter != n && !atEnd && whileOk);

    if (atEnd) {
        if (n > 0) {
            a->RecNo = a->RecordCount + 1;
            a->Eof = true;
            detail::ClearArea(*a);
            IndexSyncIf(idx);
        } else {
            TopInternal(*a);
            SetBOF(*a);
            if (a->Eof) detail::ClearArea(*a);
        }
    }
    if (!whileOk) {
        if (n > 0) {
            SetEOF(*a);
        } else if (lastGood <= a->RecordCount) {
            ReadRecord(*a, lastGood);
        } else {
            a->RecNo = a->RecordCount + 1;
            detail::ClearArea(*a);
        }
        a->Bof = true;
        if (idx) {
            IndexSyncIf(idx);
            if (IndexHooks.IndexMarkBOF != nullptr) IndexHooks.IndexMarkBOF();
        }
    }
    bracket.Release();
    RefreshKeysIf(idx);
    detail::NotifyMove();
}

void Go(std::int32_t n) {
    LastErrorCode = 0;
    if (CheckDbfInUse("GO()")) return;
    TWorkArea* a = Cur();
    if (n > a->RecordCount) detail::RefreshCount(*a);
    const std::string text = "Invalid record number = " + NumStr(n) + " " + Quoted(*a) + " [GO]";
    if (a->RecordCount > 0) {
        a->Bof = a->Eof = false;
        if (n >= 1 && n <= a->RecordCount) {
            const bool idx = HasIndex();
            {
                SemaphoreBracket bracket(IndexHooks.ReadSemaphore, idx);
                if (!ReadRecord(*a, n)) return;
                IndexSyncIf(idx);
                RefreshKeysIf(idx);
            }
            detail::NotifyMove();
        } else {
            a->RecNo = a->RecordCount + 1;
            a->Eof = true;
            detail::ClearArea(*a);
            SetError(kErrBeyondRange, text);
        }
    } else {
        a->Bof = a->Eof = true;
        detail::ClearArea(*a);
        SetError(kErrBeyondRange, text);
    }
}

bool GoIfValid(std::int32_t n) {
    const std::int32_t count = RecCount();
    if (n < 1 || n > count) return false;
    Go(n);
    return LastErrorCode == 0;
}

void Dbf4RawGo(std::int32_t n) {
    LastErrorCode = 0;
    if (CheckDbfInUse("Dbf4RawGo")) return;
    TWorkArea* a = Cur();
    if (n > a->RecordCount) {
        a->RecNo = a->RecordCount + 1;
        a->Eof = true;
        detail::ClearArea(*a);
    } else if (n >= 1) {
        ReadRecord(*a, n);
    } else {
        SetError(kErrBeyondRange, "Invalid record number = " + NumStr(n) + " [Dbf4RawGo]");
    }
}

void Dbf4RawGoNotify(std::int32_t n) {
    Dbf4RawGo(n);
    if (LastErrorCode == 0) detail::NotifyMove();
}

namespace {

// The index keys of the record just written are brought in step by `update`. When an order
// cannot follow, the index engine has undone its own changes; the record goes back too (the
// stored bytes `before`, or the appended record is taken back), so table and indexes always
// agree. The caller's field values stay. False after reporting.
bool KeysFollowOrRollBack(TWorkArea& a, void (*update)(), const std::vector<char>& before,
                          bool appended) {
    std::uint16_t code = 0;
    std::string text;
    {
        ErrorReportingOff quiet;
        update();
        code = LastErrorCode;
        text = ErrorText;
    }
    if (code == 0) return true;
    {
        ErrorReportingOff quiet;
        const std::vector<std::uint8_t> values(a.FieldVars, a.FieldVars + a.FieldVarsSize);
        const std::vector<std::uint8_t> assigned = a.AssignedVars;
        const std::int32_t rec = a.RecNo;
        int undo = 0;
        if (appended) {
            undo = DropLastRecord(a);
            GoPastEnd(a);
        } else if (!before.empty()) {
            WriteStoredRecord(a, rec, before);
            undo = LastErrorCode;
            ReadRecord(a, rec);
        }
        if (undo != 0) {
            code = static_cast<std::uint16_t>(undo);
            text = "File:  " + a.FileName + " could not be put back after: " + text;
        }
        IndexSyncIf(true);
        RefreshKeysIf(true);
        std::memcpy(a.FieldVars, values.data(), values.size());
        a.AssignedVars = assigned;
    }
    SetError(code, text);
    return false;
}

} // namespace

void Append() {
    LastErrorCode = 0;
    if (CheckDbfInUse("Append")) return;
    TWorkArea* a = Cur();
    if (!WritableArea(*a, "[APPEND]")) return;
    if (MultiUser && !a->Exclusive && a->LockState != 1 && a->LockState != 2) {
        SetError(kErrAccessDenied, "File must be locked to append: " + a->FileName + " [APPEND]");
        return;
    }
    detail::RefreshCount(*a);
    detail::GatherArea(*a);
    if (LastErrorCode != 0) return;
    const bool idx = HasIndex();
    {
        SemaphoreBracket bracket(IndexHooks.LockSemaphore, idx);
        AppendDbfRecord(*a);
        if (LastErrorCode != 0) return;
        detail::ScatterArea(*a);
        if (idx && IndexHooks.AppendNewKey != nullptr &&
            !KeysFollowOrRollBack(*a, IndexHooks.AppendNewKey, {}, true))
            return;
    }
    a->Eof = a->Bof = false;
    detail::NotifyMove();
}

void Replace() {
    LastErrorCode = 0;
    if (CheckDbfInUse("Replace")) return;
    TWorkArea* a = Cur();
    if (!WritableArea(*a, "[REPLACE]")) return;
    if (a->RecNo <= 0) {
        SetError(kErrBeyondRange, Quoted(*a) + " is empty. [REPLACE]");
        return;
    }
    if (a->RecNo > a->RecordCount) {
        SetError(kErrBeyondRange, Quoted(*a) + " is at EOF. [REPLACE]");
        return;
    }
    if (!a->Exclusive && a->LockState != 1 && !InLockList(*a, a->RecNo)) {
        SetError(kErrRecordNotLocked,
                 "Record #" + NumStr(a->RecNo) + " in " + a->FileName + " [REPLACE]");
        return;
    }
    const bool keys = IndexUpdate && HasIndex() && !a->IsVirtual;
    {
        SemaphoreBracket bracket(IndexHooks.LockSemaphore, keys);
        if (keys) {
            // Let the index engine see the stored version's keys, then put the caller's
            // values back.
            a->SwapBuffer.assign(a->FieldVars, a->FieldVars + a->FieldVarsSize);
            const std::vector<std::uint8_t> assigned = a->AssignedVars;
            if (!ReadRecord(*a, a->RecNo)) return;
            if (IndexHooks.IndexNoteOldKeys != nullptr) IndexHooks.IndexNoteOldKeys();
            std::memcpy(a->FieldVars, a->SwapBuffer.data(), a->FieldVarsSize);
            a->AssignedVars = assigned;
        }
        detail::GatherArea(*a);
        if (LastErrorCode != 0) return;
        std::vector<char> before;
        if (keys && a->StoredRecNo == a->RecNo) before = a->StoredRecord;
        PutDbfRecord(*a, a->RecNo);
        if (LastErrorCode != 0) return;
        detail::ScatterArea(*a);
        if (keys && IndexHooks.IndexUpdateKeys != nullptr &&
            !KeysFollowOrRollBack(*a, IndexHooks.IndexUpdateKeys, before, false))
            return;
    }
    detail::NotifyMove();
}

namespace {

void SetDeleteFlag(bool deleted) {
    const char* routine = deleted ? "DeleteRec" : "RecallRec";
    LastErrorCode = 0;
    if (CheckDbfInUse(routine)) return;
    TWorkArea* a = Cur();
    if (!WritableArea(*a, deleted ? "[DeleteRec]" : "[RecallRec]")) return;
    if (!a->Exclusive && a->LockState != 1 && !InLockList(*a, a->RecNo)) {
        SetError(kErrRecordNotLocked, deleted ? a->FileName + " Record not locked [DeleteRec]"
                                              : std::string("Record not locked [RecallRec]"));
        return;
    }
    if (!deleted) detail::RefreshCount(*a);
    if (a->RecNo >= 1 && a->RecNo <= a->RecordCount) {
        if (a->IsVirtual) {
            VirtualRequest(*a, deleted ? 2 : 9, a->RecNo);
            return;
        }
        if (a->FieldVars != nullptr) a->FieldVars[0] = deleted ? 1 : 0;
        if (!a->RecordBuffer.empty()) a->RecordBuffer[0] = deleted ? '*' : ' ';
        WriteDeleteFlag(*a, a->RecNo);
    } else if (!deleted) {
        SetError(kErrInvalidOperation, a->FileName + " at EOF [RecallRec]");
    }
}

} // namespace

void DeleteRec() {
    SetDeleteFlag(true);
}

void RecallRec() {
    SetDeleteFlag(false);
}

// Moves the kept records down over the deleted ones, cuts the file after the last kept record
// and writes one end mark. False after reporting.
bool PackRecords(TWorkArea& a) {
    bool result = true;
    // Writes are flushed once at the end, and no related area follows the pass.
    struct Suspend {
        TWorkArea& a;
        bool flush = FlushAfterWrite;
        std::function<void()> relation = std::move(a.RelationProc);
        ~Suspend() {
            FlushAfterWrite = flush;
            if (!a.RelationProc) a.RelationProc = std::move(relation);
        }
    } suspend{a};
    FlushAfterWrite = false;
    a.RelationProc = nullptr;

    // Records move as stored: characters of the DOS page that the Windows page lacks, and
    // the text forms other programs chose, stay exactly as they were.
    std::vector<char> bytes;
    std::int32_t target = 0;
    std::int32_t kept = 0;
    for (std::int32_t i = 1; i <= a.RecordCount && result; ++i) {
        const int code = ReadStoredRecord(a, i, bytes);
        if (code != 0) {
            SetError(static_cast<std::uint16_t>(code), "Error packing " + a.FileName + " [Pack]");
            result = false;
            break;
        }
        if (bytes[0] == '*') {
            if (target == 0) target = i;
            continue;
        }
        ++kept;
        if (target > 0) {
            WriteStoredRecord(a, target, bytes);
            if (LastErrorCode != 0) {
                result = false;
                break;
            }
            ++target;
        }
    }
    if (result) {
        a.UpdateState = usAppended;
        const std::uint64_t end =
            std::uint64_t{a.HeaderLength} + std::uint64_t(kept) * a.RecordLength;
        int code = a.File.Truncate(end);
        const std::uint8_t eof = EofByte;
        if (code == 0) code = a.File.WriteAt(end, &eof, 1);
        if (code != 0) {
            SetError(static_cast<std::uint16_t>(code), "Error packing " + a.FileName);
            result = false;
        } else {
            a.RecordCount = kept;
            a.StoredRecNo = 0;
            UpdateDbfHeader(a);
            FlushFile(a.File);
            if (LastErrorCode != 0) result = false;
            if (kept == 0) {
                detail::ClearArea(a);
                a.Eof = a.Bof = true;
                a.RecNo = 0;
            } else if (!ReadRecord(a, 1)) {
                result = false;
            }
        }
    }
    return result;
}

bool Pack() {
    LastErrorCode = 0;
    if (CheckDbfInUse("Pack")) return false;
    TWorkArea* a = Cur();
    if (a->IsVirtual) {
        VirtualRequest(*a, 5, 0);
        detail::NotifyMove();
        return LastErrorCode == 0;
    }
    if (!WritableArea(*a, "[Pack]")) return false;
    detail::RefreshCount(*a);
    if (a->RecordCount == 0) return true;

    const std::uint16_t sharedMode = a->OpenMode;
    const std::int32_t startRec = a->RecNo;
    bool reopened = false;
    if (!a->Exclusive) {
        detail::ReleaseLocks(*a);
        std::uint16_t code = 0;
        if (!detail::ReopenTable(*a, kExclusiveOpenMode, code)) {
            const std::uint16_t busy = code;
            if (!detail::ReopenTable(*a, sharedMode, code)) {
                const std::string name = a->FileName;
                FreeWorkArea();
                SetError(code, "Cannot re-open database sharable. " + name + " [Pack]");
                return false;
            }
            Reposition(*a, startRec);
            // Nothing was packed: the user hears why and what to do, never silence.
            SetError(busy, "Nothing was packed: " + a->FileName +
                               " is open in another program or window, and packing needs it "
                               "to itself. Close the table there, then pack again. [Pack]");
            return false;
        }
        a->Exclusive = true;
        reopened = true;
    }

    // Back to shared use on every exit once the table was made exclusive here.
    bool result = true;
    auto backToShared = [&]() -> bool {
        if (!reopened) return true;
        reopened = false;
        const std::int32_t at = a->RecNo;
        std::uint16_t code = 0;
        a->Exclusive = false;
        if (!detail::ReopenTable(*a, sharedMode, code)) {
            const std::string name = a->FileName;
            FreeWorkArea();
            SetError(code, "Cannot re-open database sharable. " + name + " [Pack]");
            return false;
        }
        Reposition(*a, at);
        return true;
    };
    struct SharedAgain {
        std::function<bool()> f;
        ~SharedAgain() {
            if (f) {
                try {
                    f();
                } catch (...) {
                }
            }
        }
    } sharedAgain{backToShared};

    if (ConfirmPack) {
        const bool ok = ConfirmHook != nullptr && ConfirmHook("PACK " + a->FileName);
        if (!ok) {
            sharedAgain.f = nullptr;
            backToShared();
            return false;
        }
    }

    if (!PackRecords(*a)) result = false;
    if (result && a->HasMemo && MemoHooks.PackMemofile != nullptr) {
        MemoHooks.PackMemofile();
        if (LastErrorCode != 0) result = false;
    }
    if (result && HasIndex() && IndexHooks.Reindex != nullptr) IndexHooks.Reindex();

    sharedAgain.f = nullptr;
    if (!backToShared()) return false;
    detail::NotifyMove();
    return result;
}

bool SetIgnoreDel(bool flag) {
    LastErrorCode = 0;
    if (CheckDbfInUse("SetIgnoreDel")) return false;
    TWorkArea* a = Cur();
    const bool previous = a->IgnoreDeleted;
    a->IgnoreDeleted = flag;
    Skip(0);
    return previous;
}

std::function<void()> SetRelation(std::function<void()> proc) {
    TWorkArea* a = Cur();
    if (a == nullptr) return {};
    std::function<void()> old = std::move(a->RelationProc);
    a->RelationProc = std::move(proc);
    if (a->RelationProc) detail::NotifyMove();
    return old;
}

bool MoveOffHidden() {
    TWorkArea* a = Cur();
    if (a == nullptr) return false;
    if (WhileOk(*a) && Visible(*a)) return false;
    if (Cur() != a) return false;
    Unlock();
    const std::int32_t noted = a->RecNo;
    std::function<void()> relation = std::move(a->RelationProc);
    a->RelationProc = nullptr;
    Skip(1);
    if (Cur() == a && dEOF()) {
        GoIfValid(noted);
        Skip(-1);
    }
    if (Cur() == a && !a->RelationProc) a->RelationProc = std::move(relation);
    return true;
}

bool RecordVisible() {
    TWorkArea* a = Cur();
    return a != nullptr && Visible(*a);
}

bool WhileHolds() {
    TWorkArea* a = Cur();
    return a == nullptr || WhileOk(*a);
}

} // namespace dbf
