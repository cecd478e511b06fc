#pragma once
// The engine's work-area commands in the manner of dBASE: tables open in numbered work areas,
// every operation acts on the current one. Field access, locking, navigation, record changes,
// and opening a table with Use.
//
// Areas 1..33 are the caller's; 34 and 35 are the engine's own (35 holds the source table of
// AppendFrom). Every public operation first checks that the current area holds a table (215)
// and clears the last error code. Failures go through SetError (errors.h).
// Unit `dbf4`: these commands live in work_areas, locking, navigation, open, search and
// transfer.
//
// Sharing between programs: byte-range locks on the table file far above its data (LockBase),
// per handle, so one table opened in two areas conflicts with itself. The file lock covers the
// append byte and the region of every record the table can number, however large it grows. Closing a shared table
// writes the record count and the end mark while holding the append lock, with the file size
// read just before, so another program's append in between is never overwritten.
//
// Virtual files: the record buffer and the caller's block are separate storage here. The
// virtual-file manager reads into and writes from RecordBuffer; the engine copies RecordBuffer
// to the block after a read and the block to RecordBuffer before a write.

#include <cstdint>
#include <functional>
#include <string>

#include "dbf/table/area_record.h"

namespace dbf {

inline constexpr std::uint8_t kUserAreas = 33;
inline constexpr std::uint8_t kAreaSlots = 35;
inline constexpr std::uint16_t kExclusiveOpenMode = 18; // read/write, deny all

// ---- settings (process-wide) ----
extern bool MultiUser;                // byte-range locking; false opens every table exclusively
extern std::uint32_t LockBase;        // file offset of the lock area
extern std::uint32_t FileLockLength;  // shortest file-lock region (it reaches past every record's)
extern std::uint16_t RecordLockLimit; // records one area may hold locked; 0 no limit
extern std::uint8_t LockRetries;      // extra attempts after a failed lock
extern std::uint8_t LockRetryWait;    // milliseconds between attempts
extern std::function<bool()> LockRetryCallback; // asked whether to start the retries again
extern bool IndexUpdate;               // Replace keeps the controlling index's keys in step
extern bool ConfirmPack;               // Pack asks before it starts
extern std::uint16_t SharedOpenMode;   // file-open mode of a shared table (66)
extern std::uint16_t OpenModeOverride; // below 65535: replaces the mode Use chose
// The page of a table whose header names none: Windows 1252 when set, else DOS 437.
extern bool AnsiTables;
// How long closing a shared table that changed waits for the append lock (ms) before it leaves
// the count and end mark to the program that holds it.
extern std::uint32_t CloseLockWait;

// ---- work-area table ----
// Slot n (1..35), nullptr when empty or out of range.
TWorkArea* WorkAreaSlot(std::uint8_t n);
// The current area's record, nullptr when empty.
TWorkArea* CurrentWorkArea();
// Engine start and end of the work areas: slots emptied, shared mode set; at the end slots 34
// and 35, then CloseAll.
void InitWorkAreas();
void DoneWorkAreas();

// ---- work areas and field access ----
bool Select(std::uint8_t area);
std::uint8_t CurrentArea();
bool CheckDbfInUse(const std::string& operation);
std::string DbfName();
std::uint8_t FieldCount();
char FieldType(std::uint8_t n);
std::uint8_t FieldLen(std::uint8_t n);
std::uint8_t FieldDec(std::uint8_t n);
std::uint8_t* FieldAddress(std::uint8_t n);
void Field(std::uint8_t n, std::string& name);
std::string Field(std::uint8_t n);
std::uint8_t FieldNo(const std::string& name);
void FieldStr(std::uint8_t n, std::string& text);
std::string FieldStr(std::uint8_t n);
bool Deleted();
void ClearRecord();
void Scatter();
void Gather();
std::uint16_t RecSize();
std::uint16_t FieldVarsSize(const TWorkArea& area);
std::string NumStr(std::int64_t n);
bool IsWhileOn();
void FreeWorkArea();
void CloseAll();

// ---- locking ----
std::uint32_t LockRegion(bool unlock, os::File& file, std::uint64_t offset, std::uint64_t length);
void WaitTicks(std::uint32_t ms);
bool LockWithRetry(os::File& file, std::uint64_t offset, std::uint64_t length);
bool LockBaseByte();
void UnlockBaseByte();
std::uint32_t UnlockRecordRegion(std::int32_t n);
bool FLock();
bool ALock();
bool RLock();
bool IsLocked(std::int32_t n);
bool UnlockRec(std::int32_t n);
void Unlock();
// The locked region of record n of an area (offset, length), as other programs see it.
std::uint64_t RecordLockOffset(const TWorkArea& area, std::int32_t n);

// ---- records and navigation ----
void RefreshRecCount();
std::int32_t RecCount();
std::int32_t RecNo();
bool dEOF();
bool dBOF();
void GoTop();
void GoBottom();
void GoFirst();
void GoLast();
void Skip(std::int32_t n = 1);
void Go(std::int32_t n);
bool GoIfValid(std::int32_t n);
void Dbf4RawGo(std::int32_t n);
void Dbf4RawGoNotify(std::int32_t n); // Dbf4RawGo, then the relation step
void Append();
void Replace();
void DeleteRec();
void RecallRec();
bool Pack();
bool SetIgnoreDel(bool flag);
std::function<void()> SetRelation(std::function<void()> proc);
bool MoveOffHidden();
bool RecordVisible();
bool WhileHolds();

// ---- opening a table ----
void Use(const std::string& command, std::uint8_t* buffer = nullptr, std::uint16_t size = 0);
void UseWithBuffer(const std::string& command, std::uint8_t* buffer, std::uint16_t size,
                   RecordHookProc hook, std::uint32_t hookData);
void UseVirtual(const std::string& command, std::uint8_t* buffer, std::uint16_t size);

} // namespace dbf
