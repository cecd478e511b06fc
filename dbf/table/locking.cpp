// Work-area commands (unit `dbf4`): byte-range locking of shared tables, and closing and reopening
// a table file.

#include <algorithm>
#include <limits>

#include "dbf/table/work_areas.h"
#include "dbf/table/internal.h"
#include "dbf/table/table_file.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "platform/os/clock.h"

namespace dbf {

bool MultiUser = true;
std::uint32_t LockBase = 0x40000000u;
std::uint32_t FileLockLength = 0x3FFFFFFFu;
std::uint16_t RecordLockLimit = 0;
std::uint8_t LockRetries = 0;
std::uint8_t LockRetryWait = 0;
std::function<bool()> LockRetryCallback;
std::uint32_t CloseLockWait = 5000;

namespace {

// Stores a code and text for the caller to read back, without reporting.
void StoreError(std::uint16_t code, const std::string& text) {
    LastErrorCode = code;
    ErrorText = text;
}

bool TakesLocks(const TWorkArea& a) {
    return MultiUser && !a.Exclusive && !a.IsVirtual;
}

std::uint64_t AppendByte() {
    return std::uint64_t{LockBase} + 1;
}

// Length of the file lock of a table, from the append byte on. It reaches to the end of the
// region of the last record the table can number, so that it excludes every record lock (record
// locks keep their offsets, which other programs share, also past the first GiB of a large
// table); never less than FileLockLength.
std::uint64_t FileLockSpan(const TWorkArea& a) {
    const std::uint64_t lastRecordEnd =
        RecordLockOffset(a, std::numeric_limits<std::int32_t>::max()) + a.RecordLength;
    return std::max<std::uint64_t>(FileLockLength, lastRecordEnd - AppendByte());
}

// Removes node i of the lock list, unlocking its region first; the unlock result.
std::uint32_t DropNode(TWorkArea& a, std::size_t i) {
    const std::int32_t n = a.LockList[i];
    std::uint32_t code = 0;
    if (TakesLocks(a)) code = LockRegion(true, a.File, RecordLockOffset(a, n), a.RecordLength);
    a.LockList.erase(a.LockList.begin() + static_cast<std::ptrdiff_t>(i));
    a.LockCount = static_cast<std::int16_t>(a.LockList.size());
    if (a.LockList.empty()) a.LockState = 0;
    return code;
}

bool LockFileOrAppend(std::uint8_t state, const char* name) {
    if (CheckDbfInUse(name)) return false;
    TWorkArea* a = detail::Cur();
    if (a->IsVirtual) {
        SetError(kErrLinkedList, std::string(" [") + name + "]");
        return false;
    }
    if (a->LockState == state) return true;
    if (a->LockState != 0) return false;
    if (TakesLocks(*a)) {
        const std::uint64_t length = state == 1 ? FileLockSpan(*a) : 1;
        if (!LockWithRetry(a->File, AppendByte(), length)) return false;
    }
    a->LockState = state;
    return true;
}

// The append byte for closing a changed shared table: waits (sleeping, GUI events other than
// input handled) up to CloseLockWait.
bool AppendLockForClose(TWorkArea& a) {
    const std::uint64_t start = os::TickCount64();
    for (;;) {
        const int code = a.File.Lock(AppendByte(), 1);
        if (code == 0) return true;
        if (code != os::kErrLockViolation) return false;
        if (os::TickCount64() - start >= CloseLockWait) return false;
        if (TerminatingHook != nullptr && TerminatingHook()) return false;
        WaitTicks(10);
    }
}

} // namespace

std::uint64_t RecordLockOffset(const TWorkArea& area, std::int32_t n) {
    return std::uint64_t{LockBase} + area.HeaderLength +
           static_cast<std::uint64_t>(std::max(n, 1) - 1) * area.RecordLength;
}

std::uint32_t LockRegion(bool unlock, os::File& file, std::uint64_t offset, std::uint64_t length) {
    if (!MultiUser) return 0;
    const int code = unlock ? file.Unlock(offset, length) : file.Lock(offset, length);
    return static_cast<std::uint32_t>(code);
}

void WaitTicks(std::uint32_t ms) {
    const std::uint32_t entry = os::TickCount();
    for (;;) {
        if (ms >= 10 && ProcessEventsHook != nullptr) ProcessEventsHook();
        const std::uint32_t now = os::TickCount();
        if (now < entry) return; // the tick count wrapped
        const std::uint32_t elapsed = now - entry;
        if (elapsed >= ms) return;
        if (TerminatingHook != nullptr && TerminatingHook()) return;
        // Sleep rather than spin; short slices keep windows drawn during long waits.
        os::SleepMs(std::min<std::uint32_t>(ms - elapsed, 10));
    }
}

bool LockWithRetry(os::File& file, std::uint64_t offset, std::uint64_t length) {
    int attempts = 0;
    do {
        if (LockRegion(false, file, offset, length) == 0) return true;
        if (attempts < LockRetries) WaitTicks(LockRetryWait);
        ++attempts;
        if (attempts > LockRetries && LockRetryCallback && LockRetryCallback()) attempts = 0;
    } while (attempts <= LockRetries);
    return false;
}

bool LockBaseByte() {
    if (!MultiUser) return true;
    TWorkArea* a = detail::Cur();
    if (a == nullptr || a->IsVirtual || !a->File.IsOpen()) return false;
    return LockWithRetry(a->File, LockBase, 1);
}

void UnlockBaseByte() {
    TWorkArea* a = detail::Cur();
    if (a == nullptr || a->IsVirtual) return;
    const std::uint32_t code = LockRegion(true, a->File, LockBase, 1);
    if (code != 0) {
        SetError(static_cast<std::uint16_t>(code), "Error attempting to UNLOCK file " +
                                                       a->FileName + " in Workarea " +
                                                       NumStr(CurrentAreaNo));
    }
}

std::uint32_t UnlockRecordRegion(std::int32_t n) {
    TWorkArea* a = detail::Cur();
    if (a == nullptr || !TakesLocks(*a)) return 0;
    return LockRegion(true, a->File, RecordLockOffset(*a, n), a->RecordLength);
}

bool FLock() {
    LastErrorCode = 0;
    return LockFileOrAppend(1, "FLock");
}

bool ALock() {
    LastErrorCode = 0;
    return LockFileOrAppend(2, "ALock");
}

bool RLock() {
    LastErrorCode = 0;
    if (CheckDbfInUse("RLock")) return false;
    TWorkArea* a = detail::Cur();
    if (a->IsVirtual) {
        SetError(kErrLinkedList, " [RLock]");
        return false;
    }
    const std::int32_t n = a->RecNo;
    if (a->LockState == 3 &&
        std::find(a->LockList.begin(), a->LockList.end(), n) != a->LockList.end())
        return true;
    if (a->LockState == 1 || a->LockState == 2) return false;
    if (RecordLockLimit > 0 && a->LockCount >= static_cast<std::int32_t>(RecordLockLimit)) {
        SetError(kErrBeyondRange, "Rivoz record lock limit exceeded [RLock]");
        return false;
    }
    // No record to lock (empty table, or past the end): a region computed for it would cover
    // the append byte or bytes of no record.
    if (n < 1 || n > a->RecordCount) return false;
    if (TakesLocks(*a) && !LockWithRetry(a->File, RecordLockOffset(*a, n), a->RecordLength))
        return false;
    try {
        a->LockList.push_back(n);
    } catch (const std::bad_alloc&) {
        if (TakesLocks(*a)) LockRegion(true, a->File, RecordLockOffset(*a, n), a->RecordLength);
        SetError(kErrNoMemory, "[RLock]");
        return false;
    }
    a->LockState = 3;
    a->LockCount = static_cast<std::int16_t>(a->LockList.size());
    return true;
}

bool IsLocked(std::int32_t n) {
    LastErrorCode = 0;
    if (CheckDbfInUse("IsLocked")) return false;
    const TWorkArea* a = detail::Cur();
    if (a->IsVirtual) {
        SetError(kErrLinkedList, "[IsLocked]");
        return false;
    }
    if (a->LockState == 1) return true;
    return std::find(a->LockList.begin(), a->LockList.end(), n) != a->LockList.end();
}

bool UnlockRec(std::int32_t n) {
    LastErrorCode = 0;
    TWorkArea* a = detail::Cur();
    if (a == nullptr) return true;
    const std::string tag = "[UnlockRec(" + NumStr(n) + ")]";
    if (n >= 1) {
        const auto it = std::find(a->LockList.begin(), a->LockList.end(), n);
        if (it == a->LockList.end()) {
            StoreError(kErrInvalidParameter, "Record not locked. " + tag);
            return false;
        }
        const std::uint32_t code = DropNode(*a, static_cast<std::size_t>(it - a->LockList.begin()));
        if (code != 0) {
            StoreError(static_cast<std::uint16_t>(code), tag);
            return false;
        }
        return true;
    }
    if (n == -1 || n == -2) {
        if (a->LockList.empty()) return true; // nothing held, nothing to release
        const std::size_t i = n == -1 ? 0 : a->LockList.size() - 1;
        const std::uint32_t code = DropNode(*a, i);
        if (code != 0) {
            StoreError(static_cast<std::uint16_t>(code), tag);
            return false;
        }
        return true;
    }
    if (n == -3) {
        std::uint32_t failed = 0;
        while (!a->LockList.empty()) {
            const std::uint32_t code = DropNode(*a, a->LockList.size() - 1);
            if (code != 0) failed = code;
        }
        if (failed != 0) {
            StoreError(static_cast<std::uint16_t>(failed), tag);
            return false;
        }
        return true;
    }
    StoreError(kErrInvalidParameter, tag);
    return false;
}

void Unlock() {
    LastErrorCode = 0;
    if (CheckDbfInUse("Unlock")) return;
    TWorkArea* a = detail::Cur();
    if (a->IsVirtual || a->LockState == 0) return;
    const std::uint32_t code = detail::ReleaseLocks(*a);
    LastErrorCode = static_cast<std::uint16_t>(code);
}

namespace detail {

std::uint32_t ReleaseLocks(TWorkArea& a) {
    std::uint32_t code = 0;
    if (a.LockState == 3 || !a.LockList.empty()) {
        while (!a.LockList.empty()) {
            const std::uint32_t c = DropNode(a, a.LockList.size() - 1);
            if (c != 0) code = c;
        }
    } else if ((a.LockState == 1 || a.LockState == 2) && TakesLocks(a)) {
        code = LockRegion(true, a.File, AppendByte(), a.LockState == 1 ? FileLockSpan(a) : 1);
    }
    a.LockState = 0;
    a.LockCount = 0;
    return code;
}

void CloseTableFile(TWorkArea& a) {
    if (a.IsVirtual) {
        CloseDbf(a);
        return;
    }
    const bool changed = a.UpdateState == usRewritten || a.UpdateState == usAppended;
    if (TakesLocks(a) && changed && a.File.IsOpen()) {
        // Another program may append between our reading the size and writing the count and
        // the end mark: both happen under the append lock (or a file lock we hold already).
        bool covered = a.LockState == 1 || a.LockState == 2;
        if (!covered) {
            ReleaseLocks(a);
            covered = AppendLockForClose(a);
        }
        if (covered) {
            RefreshCount(a);
        } else {
            // The holder is changing the table and brings count and end mark up to date when
            // it is done; writing ours now could overwrite its new records.
            a.UpdateState = usUnchanged;
        }
    } else {
        RefreshCount(a);
        ReleaseLocks(a);
    }
    // Closing the handle releases every lock it still holds.
    CloseDbf(a);
    a.LockList.clear();
    a.LockState = 0;
    a.LockCount = 0;
}

bool ReopenTable(TWorkArea& a, std::uint16_t mode, std::uint16_t& code) {
    code = 0;
    CloseTableFile(a);
    const std::uint16_t savedMode = FileMode;
    FileMode = mode;
    bool ok = false;
    {
        ErrorReportingOff quiet;
        LastErrorCode = 0;
        ok = OpenDbf(a);
        code = LastErrorCode;
        LastErrorCode = 0;
    }
    FileMode = savedMode;
    if (!ok) {
        if (code == 0) code = 5;
        return false;
    }
    if (FieldVarsSize(a) != a.FieldVarsSize) {
        // The file was replaced by one of another structure meanwhile.
        ErrorReportingOff quiet;
        CloseDbf(a);
        code = kErrInvalidSize;
        return false;
    }
    a.OpenMode = mode;
    return true;
}

bool RefuseReadOnly(TWorkArea& a, const std::string& routine) {
    if (a.IsVirtual || (a.OpenMode & 7u) != 0) return false;
    SetError(kErrAccessDenied, "File is open for reading only: " + a.FileName + " " + routine);
    return true;
}

} // namespace detail

} // namespace dbf
