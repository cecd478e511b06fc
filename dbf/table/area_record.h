#pragma once
// The engine's record for one open table (or virtual file) in a work area, and the field entry
// of a table. The file layer (table_file.h) fills the header part; the work-area commands, the
// memo layer, the index engine and the expression engine keep their state here too.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dbf/base/runtime.h"
#include "platform/os/codepage.h"
#include "platform/os/file.h"

namespace dbf {

struct CompiledExpr; // owned by the expression engine, freed through its hooks
struct TMemoFile;    // owned by the memo layer, closed through its hooks

// One field of a table: name (upper case, at most 11 characters as read), type letter
// (C, D, F, L, M, N), length and decimals, and the offset of its first byte in the record
// (the first field is at 1, right after the deletion flag).
struct TDbfFieldDesc {
    std::string Name;
    char Type = 'C';
    std::uint8_t Length = 0;
    std::uint8_t Decimals = 0;
    std::uint16_t Offset = 0;
};

// Record hook: gets the bytes after the deletion flag as stored in the file, and their count.
using RecordHookProc = void (*)(char* bytes, std::uint16_t count);

enum : std::uint8_t {
    usClosed = 0,    // no file open
    usUnchanged = 1, // open, nothing written since the last prolog update
    usRewritten = 2, // records rewritten in place
    usAppended = 3,  // records appended: count and end mark are rewritten at flush/close
};

// What the append of record RecNo changed may be put back from: the file's size and the bytes
// from the end of the records on (the end mark and what a record covered) as they were, the
// header as it was on disk when the append wrote it, and the area's update state.
struct TAppendUndo {
    std::int32_t RecNo = 0; // 0: nothing to put back
    std::uint64_t FileSize = 0;
    std::uint64_t TailOffset = 0;
    std::vector<char> Tail;
    std::vector<std::uint8_t> Header;
    std::uint8_t UpdateState = 0;
};

struct TWorkArea {
    std::string FileName;  // full path with its default extension
    std::string ShortName; // name and extension without directory
    std::array<std::uint8_t, 32> Prolog{};
    bool HasMemo = false;
    bool IgnoreDeleted = false;
    std::uint16_t HeaderLength = 0; // bytes before record 1
    std::uint16_t RecordLength = 0; // bytes per record, deletion flag included
    std::uint8_t FieldCount = 0;
    std::vector<TDbfFieldDesc> Fields; // Fields[0] is field number 1
    std::uint8_t UpdateState = usClosed;
    std::string LastUpdate;         // YYYYMMDD from the prolog
    std::vector<char> RecordBuffer; // RecordLength bytes, byte 0 the deletion flag
    std::int32_t RecordCount = 0;
    std::int32_t RecNo = 0;
    bool Eof = false;           // past the last record (EOF)
    bool Bof = false;           // before the first record, or empty table (BOF)
    std::uint16_t OpenMode = 0; // file-open mode used at open
    bool Opened = false;
    // The code page of the table's texts, in the file and in memory alike (record buffer, field
    // variables, index keys, memos): the page its header names, else the setting's default
    // (DOS 437, or Windows 1252 with AnsiTables). Virtual files hold Windows 1252 texts.
    os::CodePage Page = os::CodePage::Cp1252;
    std::uint32_t HookData = 0;
    RecordHookProc RecordHook = nullptr; // caller's hook, taken over as read/write hook
    RecordHookProc ReadHook = nullptr;
    RecordHookProc WriteHook = nullptr;
    os::File File;

    // Virtual file (in memory) instead of a disk file.
    bool IsVirtual = false;
    std::uint8_t VirtualOp = 0;        // 1 close, 3 read record, 8 write or append record
    std::int32_t VirtualArg = 0;       // record number of the request
    std::shared_ptr<void> VirtualFile; // the virtual-file manager's control block
    std::uint8_t VirtualOrder = 0;     // 0 FIFO, 1 LIFO, 2 INSERTION, 3 ASCENDING, 4 DESCENDING
    std::uint8_t VirtualStorage = 1;   // 1 HEAP, 2 EMS, 3 EXT or XMS, 5 BIGGEST

    // Field-variable block: the typed copy of the current record.
    std::uint8_t* FieldVars = nullptr;
    std::uint16_t FieldVarsSize = 0;
    bool OwnsFieldVars = false;
    std::vector<std::uint8_t> OwnedFieldVars; // storage when OwnsFieldVars
    // Per field (Fields order): 1 when the program wrote the field's variable since the block
    // was last filled from the record. A value assigned to a blank N, F or L field is written
    // ("0", "F"); a blank field nobody assigned stays blank.
    std::vector<std::uint8_t> AssignedVars;

    std::function<bool()> OnFilter;
    CompiledExpr* FilterExpr = nullptr;
    std::function<void()> RelationProc;
    std::string Alias;
    std::function<bool()> OnWhile;
    CompiledExpr* WhileExpr = nullptr;
    TMemoFile* MemoFile = nullptr;
    std::uint8_t LockState = 0; // 0 none, 1 file, 2 append, 3 records
    std::int16_t LockCount = 0;
    std::vector<std::int32_t> LockList;
    std::vector<std::uint8_t> SwapBuffer;
    bool Exclusive = false;

    // The bytes of record StoredRecNo exactly as they are in the file (before the read hook).
    // Writing that record back keeps the stored bytes of every field whose value did not
    // change.
    std::vector<char> StoredRecord;
    std::int32_t StoredRecNo = 0;

    // The last append, until the next one (a failing index update takes it back).
    TAppendUndo LastAppend;
};

// Restores the current work area on every exit of a scope, also when an engine report leaves
// it by ERivozError. Operations that switch areas for their own work hold one.
class CurrentAreaGuard {
public:
    CurrentAreaGuard() : saved_(CurrentAreaNo) {}
    ~CurrentAreaGuard() { CurrentAreaNo = saved_; }
    CurrentAreaGuard(const CurrentAreaGuard&) = delete;
    CurrentAreaGuard& operator=(const CurrentAreaGuard&) = delete;

private:
    std::uint8_t saved_;
};

} // namespace dbf
