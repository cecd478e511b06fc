// Memo unit (`memo`): the memo file's lifecycle, open, close, create, the memo lock, the append
// position, header and group-header writes.

#include <algorithm>
#include <cstring>

#include "dbf/table/work_areas.h"
#include "dbf/table/create.h"
#include "dbf/table/table_file.h"
#include "dbf/base/hooks.h"
#include "dbf/memo/memo.h"
#include "dbf/memo/bytes.h"
#include "dbf/memo/pack.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/base/files.h"
#include "dbf/expr/expression.h"
#include "platform/os/clock.h"

namespace dbf {

bool MemoSharedReopen = false;
bool MemoWidthOn = false;
int MemoWidth = 78;
std::uint32_t MemoLockWait = 1000;
std::uint32_t MemoBlocksRead = 0;

namespace {

constexpr std::uint64_t kLockByte = 10;

bool IsMemoFlavour(std::uint8_t v) {
    return v == kMemoDbase3 || v == kMemoDbase4 || v == kMemoLevel7 || v == kMemoFoxPro;
}

std::uint8_t DefaultFlavour() {
    return IsMemoFlavour(DefaultVersion) ? DefaultVersion : kMemoDbase4;
}

// dBASE IV sets its memo blocks in units of 512 bytes, dBASE 7 in units of 64; a block of
// fewer bytes would not even hold the header's fields.
bool Dbase4BlockSize(std::uint16_t bs) {
    return bs >= 64 && bs % 64 == 0;
}

std::uint16_t DefaultBlockSize() {
    return MemoBlockSize == 0 ? 512 : MemoBlockSize;
}

// The memo extension in the letter case of the table's own extension (x.dbf -> x.dbt).
std::string ExtLike(const std::string& tableName, std::string ext) {
    const std::string own = FSplit(tableName).Ext;
    bool lower = false, upper = false;
    for (char c : own) {
        if (c >= 'a' && c <= 'z') lower = true;
        if (c >= 'A' && c <= 'Z') upper = true;
    }
    if (lower && !upper) {
        for (char& c : ext)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return ext;
}

bool TakesMemoLock(const TWorkArea& a) {
    return MultiUser && !a.Exclusive;
}

std::string HookMemoText(std::int32_t block) {
    std::string text;
    MemoPlainText(block, text);
    return text;
}

void HookOpen(const std::string& tableName) {
    OpenMemofile(tableName);
}

std::int32_t HookAddMemo(const std::string& text) {
    return AddMemo(text);
}

} // namespace

void RegisterMemoHooks() {
    MemoHooks.AssignMemo = &AssignMemo;
    MemoHooks.OpenMemofile = &HookOpen;
    MemoHooks.CloseMemofile = &CloseMemofile;
    MemoHooks.RecreateMemofile = &RecreateMemofile;
    MemoHooks.AddMemo = &HookAddMemo;
    MemoHooks.MemoText = &HookMemoText;
    MemoTextHook = &MemoExprText;
    RegisterMemoPackHooks();
}

TMemoFile* CurrentMemo() {
    TWorkArea* a = CurrentWorkArea();
    return a == nullptr ? nullptr : a->MemoFile;
}

std::uint8_t GetMemoType() {
    const TWorkArea* a = CurrentWorkArea();
    if (a == nullptr) return DefaultFlavour();
    const std::uint8_t v = a->Prolog[0];
    return IsMemoFlavour(v) ? v : DefaultFlavour();
}

std::string MemoNameFor(const std::string& tableName, std::uint8_t version) {
    const std::string name = ForceExt(tableName, ExtLike(tableName, MemoFileExt(version)));
    return ResolveExisting(name);
}

std::string MemoFileName() {
    if (const TMemoFile* m = CurrentMemo()) return m->FileName;
    const TWorkArea* a = CurrentWorkArea();
    if (a == nullptr) return {};
    return ForceExt(a->FileName, MemoFileExt(DefaultVersion));
}

void MemoError(std::uint16_t code, const std::string& text) {
    {
        ErrorReportingOff quiet;
        UnlockMemofile();
    }
    SetError(code, text);
}

bool CheckMemoArea(const std::string& context) {
    LastErrorCode = 0;
    const std::string ctx = context.substr(0, 80);
    const TWorkArea* a = CurrentWorkArea();
    if (a == nullptr) {
        SetError(kErrNoDatabase, " [" + ctx + "]");
        return true;
    }
    if (a->MemoFile == nullptr) {
        SetError(kErrMemoOperation, a->FileName + " No Memo Field [" + ctx + "]");
        return true;
    }
    return false;
}

void OpenMemofile(const std::string& tableName) {
    LastErrorCode = 0;
    TWorkArea* a = CurrentWorkArea();
    if (a == nullptr) {
        SetError(kErrNoDatabase, " [USE]");
        return;
    }
    const std::uint8_t flavour = GetMemoType();
    const std::string name = MemoNameFor(tableName, flavour);
    if (a->MemoFile != nullptr) {
        SetError(kErrMemoOpen, name + " [USE]");
        return;
    }
    auto memo = std::make_unique<TMemoFile>();
    memo->Flavour = flavour;
    memo->BlockSize = DefaultBlockSize();
    memo->FileName = name;

    std::uint16_t mode = 18;
    if ((MultiUser && !a->Exclusive) || MemoSharedReopen) mode = 0x42;
    if (OpenModeOverride < 65535) mode = OpenModeOverride;
    const int code = memo->File.Open(name, mode);
    if (code != 0) {
        SetError(static_cast<std::uint16_t>(code), "Memo file not found: " + name + " [USE]");
        return;
    }

    // Block size from the header; 0 there means the default.
    std::array<std::uint8_t, 24> h{};
    std::size_t got = 0;
    if (flavour == kMemoDbase3) {
        memo->BlockSize = 512;
    } else if (flavour == kMemoFoxPro) {
        if (memo->File.ReadSomeAt(0, h.data(), 8, got) == 0 && got == 8) {
            const std::uint16_t bs = static_cast<std::uint16_t>((h[6] << 8) | h[7]);
            if (bs != 0) memo->BlockSize = bs;
        }
    } else if (memo->File.ReadSomeAt(0, h.data(), 24, got) == 0 && got == 24) {
        const std::uint16_t bs = static_cast<std::uint16_t>(h[20] | (h[21] << 8));
        if (bs != 0 && !Dbase4BlockSize(bs)) {
            // Damage: every memo address would point elsewhere, and a read could take the
            // rest of the file for each record.
            SetError(kErrInvalidSize, name + ": the block size " + std::to_string(bs) +
                                          " (bytes 20-21 of the header) is none of a dBASE IV "
                                          "memo file, whose blocks are a multiple of 64 bytes "
                                          "[USE]");
            return;
        }
        if (bs != 0) memo->BlockSize = bs;
    }
    a->MemoFile = memo.release();
}

void CloseMemofile() {
    TWorkArea* a = CurrentWorkArea();
    if (a == nullptr || a->MemoFile == nullptr) return;
    std::unique_ptr<TMemoFile> memo(a->MemoFile);
    a->MemoFile = nullptr;
    const std::string name = memo->FileName;
    const int code = memo->File.Close();
    memo.reset();
    if (code != 0) SetError(static_cast<std::uint16_t>(code), name + " [CloseMemofile]");
}

void CreateMemofile(const std::string& name) {
    // The memo name is forced: a table name handed in must never be overwritten.
    const std::uint8_t flavour = GetMemoType();
    const std::string memoName = ForceExt(name, ExtLike(name, MemoFileExt(flavour)));
    CreateMemoFile(memoName, flavour, DefaultBlockSize(), "CreateMemofile()");
}

void RecreateMemofile(const std::string& name) {
    LastErrorCode = 0;
    CloseMemofile();
    if (LastErrorCode != 0) return;
    CreateMemofile(name);
    if (LastErrorCode != 0) return;
    OpenMemofile(name);
}

bool LockMemofile() {
    TWorkArea* a = CurrentWorkArea();
    if (a == nullptr || a->MemoFile == nullptr) return false;
    if (!TakesMemoLock(*a)) return true;
    TMemoFile& m = *a->MemoFile;
    if (m.Locked) return true;
    // Another writer holds the byte only between its append position and its header update:
    // wait for it with real sleeps.
    const std::uint64_t start = os::TickCount64();
    for (;;) {
        const std::uint32_t code = LockRegion(false, m.File, kLockByte, 1);
        if (code == 0) {
            m.Locked = true;
            return true;
        }
        if (code != os::kErrLockViolation) return false;
        if (os::TickCount64() - start >= MemoLockWait) return false;
        if (TerminatingHook != nullptr && TerminatingHook()) return false;
        WaitTicks(10);
    }
}

bool UnlockMemofile() {
    TWorkArea* a = CurrentWorkArea();
    if (a == nullptr || a->MemoFile == nullptr) return true;
    TMemoFile& m = *a->MemoFile;
    if (!TakesMemoLock(*a) || !m.Locked) return true;
    m.Locked = false;
    return LockRegion(true, m.File, kLockByte, 1) == 0;
}

std::uint64_t LockMemoPadAndSeekEOF(const std::string& context) {
    TMemoFile* m = CurrentMemo();
    if (m == nullptr) return 0;
    if (!LockMemofile()) {
        MemoError(kErrMemoLock, m->FileName + " [" + context + "]");
        return 0;
    }
    std::uint64_t size = 0;
    int code = m->File.Size(size);
    if (code != 0) {
        MemoError(static_cast<std::uint16_t>(code), m->FileName + " [LockMemoPadAndSeekEOF]");
        return 0;
    }
    if (m->Flavour == kMemoDbase3 && size == 513) return 513;
    const std::uint64_t bs = m->BlockSize;
    // Block 0 is the header; a file shorter than one block is padded to one first.
    std::uint64_t target = size < bs ? bs : (size + bs - 1) / bs * bs;
    if (target > size) {
        const std::vector<std::uint8_t> zeros(static_cast<std::size_t>(target - size), 0);
        code = m->File.WriteAt(size, zeros.data(), zeros.size());
        if (code != 0) {
            MemoError(WriteCode(code), m->FileName + " [LockMemoPadAndSeekEOF]");
            return 0;
        }
    }
    m->File.Seek(target);
    return target;
}

bool MainHeaderWrite(std::uint32_t block) {
    TMemoFile* m = CurrentMemo();
    if (m == nullptr) return false;
    std::uint8_t b[4];
    if (m->Flavour == kMemoFoxPro)
        PutBe32(b, block);
    else
        PutLe32(b, block);
    const int code = m->File.WriteAt(0, b, 4);
    if (code != 0) {
        MemoError(WriteCode(code), m->FileName + " [MainHeaderWrite()]");
        return false;
    }
    return true;
}

void AddReleasedBlocks(std::uint32_t n) {
    TMemoFile* m = CurrentMemo();
    if (m == nullptr || (m->Flavour != kMemoDbase4 && m->Flavour != kMemoLevel7)) return;
    std::uint8_t b[4];
    int code = m->File.ReadAt(32, b, 4);
    if (code != 0) {
        MemoError(ReadCode(code), m->FileName + " [UpdateMemoHeader()]");
        return;
    }
    PutLe32(b, Le32(b) + n);
    code = m->File.WriteAt(32, b, 4);
    if (code != 0) MemoError(WriteCode(code), m->FileName + " [UpdateMemoHeader()]");
}

void UpdateMemoHeader() {
    TMemoFile* m = CurrentMemo();
    if (m == nullptr) return;
    std::uint64_t size = 0;
    int code = m->File.Size(size);
    if (code != 0) {
        MemoError(static_cast<std::uint16_t>(code), m->FileName + " [UpdateMemoHeader()]");
        return;
    }
    const std::uint64_t next = (size + m->BlockSize - 1) / m->BlockSize;
    if (!MainHeaderWrite(static_cast<std::uint32_t>(std::min<std::uint64_t>(next, 0xFFFFFFFFu))))
        return;
    if (m->Flavour == kMemoDbase4 || m->Flavour == kMemoLevel7) {
        AddReleasedBlocks(MemoBlocksRead);
        MemoBlocksRead = 0; // each read counts once
        if (LastErrorCode != 0) return;
    }
    if (!UnlockMemofile()) SetError(kErrMemoUnlock, m->FileName + " [UpdateMemoHeader()]");
}

bool WriteGroupHeader(std::uint64_t offset, std::uint32_t length, TMemoFile& memo) {
    if (offset == 0) return true;
    std::uint8_t h[8];
    if (memo.Flavour == kMemoFoxPro) {
        PutBe32(h, 1);
        PutBe32(h + 4, length);
    } else {
        h[0] = 0xFF;
        h[1] = 0xFF;
        h[2] = 0x08;
        h[3] = 0x00;
        PutLe32(h + 4, length + 8);
    }
    const int code = memo.File.WriteAt(offset, h, 8);
    if (code != 0) {
        MemoError(WriteCode(code), memo.FileName + " [WriteGroupHeader()]");
        return false;
    }
    return true;
}

bool ReadGroupHeader(std::int32_t& block, std::array<std::uint8_t, 8>& header) {
    if (block <= 0) return true;
    TMemoFile* m = CurrentMemo();
    if (m == nullptr) return false;
    std::size_t got = 0;
    const int code =
        m->File.ReadSomeAt(static_cast<std::uint64_t>(block) * m->BlockSize, header.data(), 8, got);
    if (code != 0 || got < 8) {
        MemoError(kErrReadFault, m->FileName + " [ReadGroupHeader()]");
        return false;
    }
    // A group of total length t (text + 8) surely owns (t - 8) div bs + 1 blocks; the larger
    // t div bs + 1 would reach into the next memo when t is a multiple of the block size.
    const std::uint32_t total = Le32(header.data() + 4);
    block = static_cast<std::int32_t>((total < 8 ? 0 : total - 8) / m->BlockSize + 1);
    return true;
}

void CommitMemofile() {
    TMemoFile* m = CurrentMemo();
    if (m == nullptr) return;
    const int code = m->File.Flush();
    if (code != 0) MemoError(static_cast<std::uint16_t>(code), m->FileName + " [CommitMemofile]");
}

std::uint16_t MemoFileBlockSize(os::File& file, std::uint8_t flavour) {
    std::uint16_t bs = 512;
    std::array<std::uint8_t, 24> h{};
    std::size_t got = 0;
    if (flavour == kMemoFoxPro) {
        if (file.ReadSomeAt(0, h.data(), 8, got) == 0 && got == 8)
            bs = static_cast<std::uint16_t>((h[6] << 8) | h[7]);
        else
            bs = 64;
    } else if (flavour != kMemoDbase3) {
        if (file.ReadSomeAt(0, h.data(), 24, got) == 0 && got == 24 && h[18] == 0x02 &&
            h[19] == 0x01)
            bs = static_cast<std::uint16_t>(h[20] | (h[21] << 8));
        if (bs != 0 && !Dbase4BlockSize(bs)) bs = 0; // damaged: the one the file was made with
    }
    file.Seek(0);
    return bs == 0 ? DefaultBlockSize() : bs;
}

} // namespace dbf
