#pragma once
// Memo files (unit `memo`): the second file beside a table that holds the texts of its memo fields
// (type M).
//
// Three layouts ("flavours"), chosen by the table's version byte:
//   0x83 dBASE III  ".DBT", 512-byte blocks, text ended by two 0x1A (read up to the first);
//   0x8B/0x8C dBASE IV ".DBT", block size from the header, memos in groups that start with
//             FF FF 08 00 and a little-endian total length, released groups on a free list;
//   0xF5 FoxPro ".FPT", big-endian header and block size, memos start with type and length.
// A memo field holds the first block of its memo as decimal text (0 or blanks: none; negative:
// a group-headed memo inside a dBASE III file).
//
// Two ways in: a byte interface (GetMemoText / PutMemoText / AddMemo) that reads and writes a
// memo exactly as stored, and the engine's memo line table with its text-file driver
// (GetMemo / EditMemo / AssignMemo), which other engine units use line by line. Both see the
// text as fields are seen: in the table's own code page.
//
// Everything acts on the current work area and its memo context; failures go through
// MemoError, which releases the memo lock before storing the error, so no failure leaves the
// file locked. Writers serialise on a one-byte lock at offset 10 of the memo file, held from
// the append position until the header update.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/table/area_record.h"
#include "platform/os/file.h"

namespace dbf {

inline constexpr std::uint8_t kMemoDbase3 = 0x83;
inline constexpr std::uint8_t kMemoDbase4 = 0x8B;
inline constexpr std::uint8_t kMemoLevel7 = 0x8C;
inline constexpr std::uint8_t kMemoFoxPro = 0xF5;

// Memo context of one work area (TWorkArea::MemoFile), created by OpenMemofile and freed by
// CloseMemofile.
struct TMemoFile {
    os::File File;
    std::string FileName;
    std::uint8_t Flavour = kMemoDbase4;
    std::uint16_t BlockSize = 512; // never 0
    bool Locked = false;           // this area holds the memo lock
    std::shared_ptr<void> Blob;    // the blob unit's descriptor for this area
};

// ---- settings ----
extern bool MemoSharedReopen;      // open memo files shared even for an exclusive area
extern bool MemoWidthOn;           // wrap lines read into the line table at MemoWidth
extern int MemoWidth;              // 78
extern std::uint32_t MemoLockWait; // how long a writer waits for the memo lock (ms)
// The longest memo the engine takes into memory or copies (64 MiB): a longer one (a damaged
// file, a dBASE III memo without its end mark in a huge file) is refused with kErrInvalidSize,
// the table, the record and the limit named (ReportMemoTooLong).
extern std::uint64_t MemoSizeLimit;
// Reports the current record's memo as longer than MemoSizeLimit; context goes in brackets.
void ReportMemoTooLong(const std::string& context);
// Blocks read by the most recent GetMemo / GetMemoText (added to the released-block counter of
// a dBASE IV file by UpdateMemoHeader).
extern std::uint32_t MemoBlocksRead;

// Fills MemoHooks (open, close, re-create, add, memo text, text-file driver) and the expression
// engine's memo-text hook. Called at engine start, after the work areas were set up (which
// empties the table).
void RegisterMemoHooks();

// ---- memo file lifecycle ----
void OpenMemofile(const std::string& tableName);
void CloseMemofile();
// A new empty memo file for the table `name` in the current area's flavour (the default one
// when no table is in use) and the default block size.
void CreateMemofile(const std::string& name);
void RecreateMemofile(const std::string& name);
std::uint8_t GetMemoType();
// The memo file name that belongs to a table file name and version (letter case of the
// extension follows the table's; an existing file is found whatever its letter case).
std::string MemoNameFor(const std::string& tableName, std::uint8_t version);

// The current area's memo context; nullptr when none.
TMemoFile* CurrentMemo();
// false when usable; otherwise reports 215 or 1019 and returns true.
bool CheckMemoArea(const std::string& context);
void MemoError(std::uint16_t code, const std::string& text);
std::string MemoFileName();

bool LockMemofile();
bool UnlockMemofile();
// Pads the file to a block boundary and returns the offset at which a new memo starts (a new
// 513-byte dBASE III file gives 513: its first memo goes to block 1). 0 on failure. The memo
// lock stays held until UpdateMemoHeader or an error releases it.
std::uint64_t LockMemoPadAndSeekEOF(const std::string& context);
bool MainHeaderWrite(std::uint32_t block);
void UpdateMemoHeader();
void AddReleasedBlocks(std::uint32_t n);
// Reads the 8 bytes at block (nothing for block <= 0); on success block becomes the number of
// blocks the group surely owns (a count never larger than what any writer gave it).
bool ReadGroupHeader(std::int32_t& block, std::array<std::uint8_t, 8>& header);
bool WriteGroupHeader(std::uint64_t offset, std::uint32_t length, TMemoFile& memo);
void CommitMemofile();
// Block size of another memo file for copying (0 in a header gives the default). The file
// position is left at 0.
std::uint16_t MemoFileBlockSize(os::File& file, std::uint8_t flavour);

// ---- byte interface ----
// The memo that starts at block (negative: its absolute value) exactly as stored, after the
// area's read conversion: dBASE III text up to its 0x1A (or the end of the file), group memos
// by their stored length, which the file must hold (1003 when it does not). Block 0 gives ""
// and true.
bool GetMemoText(std::int32_t block, std::string& text);
// Writes text as the memo of a field whose memo started at oldBlock (0: none). dBASE IV
// rewrites in place when the old group is large enough, else takes free blocks or the end of
// the file; dBASE III and FoxPro append. Returns the new first block; 0 for an empty text
// (nothing written) or a failure (LastErrorCode set).
std::int32_t PutMemoText(std::string_view text, std::int32_t oldBlock);
// Appends text without its trailing blanks as a new memo; its first block, 0 when empty or on
// failure.
std::int32_t AddMemo(const std::string& text);

// dBASE IV free-block list; other flavours: 0 and nothing.
std::int32_t AllocMemoBlocks(std::uint32_t needed, std::int32_t oldBlock,
                             const std::string& context);
void FreeMemoBlocks(std::uint32_t start, std::uint32_t count);

// ---- line table ----
inline constexpr std::uint8_t kLineCR = 13;    // the line ended with CR (LF)
inline constexpr std::uint8_t kLineSoft = 141; // ended with a soft return 0x8D LF
inline constexpr std::uint8_t kLineWrap = 0;   // broken by word wrap, no end of its own

struct TMemoLine {
    std::string Text;
    std::uint8_t Kind = kLineWrap;
};

// The engine's one memo line table (lines numbered from 1).
struct TMemoLineTable {
    std::vector<TMemoLine> Lines;
    std::int32_t Current = 1;
    std::string Pending; // driver output that has not formed a whole line yet
};
extern TMemoLineTable MemoLines;

// Line width for reading into the table: MemoWidth when MemoWidthOn, else 253.
int MemoLineWidth();
// Splits memo text into lines: CR (with a following LF) and 0x8D LF end lines; longer lines
// are wrapped after their last blank within the width, or at the width. No character is lost:
// joining the lines again (JoinMemoLines) gives the text back, except that a CR without LF
// gains its LF. maxLines 0: no limit. An empty text gives one empty line.
std::vector<TMemoLine> SplitMemoLines(std::string_view text, int width, std::int32_t maxLines = 0);
std::string JoinMemoLines(const std::vector<TMemoLine>& lines, std::string_view pending = {});

void ClearMemoLines();
std::int32_t MemoLineCount();
// Stores line n (1-based; the table grows as needed).
void SetMemoLine(std::int32_t n, std::string_view text, std::uint8_t kind);
std::string MemoLine(std::int32_t n);
std::uint8_t MemoLineKind(std::int32_t n);
// Reads the memo at block into the line table; maxLines 0 means no limit.
bool GetMemo(std::int32_t block, std::int32_t maxLines = 0);
// Writes the line table and the pending text as the memo of a field whose memo started at
// oldBlock; the new first block, 0 when nothing was to be written or on failure.
std::int32_t EditMemo(std::int32_t oldBlock);

// ---- text-file driver ----
// A memo as a sequential text file: Reset / ReadLn / Eof to read, Rewrite or Append with
// Write / WriteLn to write, Close stores the memo and its new first block in the block
// variable given to AssignMemo. Reading delivers the lines of the line table, wrapped lines
// joined to the following ones; writing stores what was written, line ends as CR LF.
class TMemoTextFile {
public:
    enum class Mode { Unassigned, Closed, Input, Output };

    // Runtime I/O result of the last operation (0, 8, 100 to 104); reading it clears it.
    int IOResult();
    Mode FileMode() const { return mode_; }

    void Reset();
    void Rewrite();
    void Append();
    bool Eof();
    // The next line without its line end; false (line empty) at the end of the memo.
    bool ReadLn(std::string& line);
    void Write(std::string_view text);
    void WriteLn(std::string_view text = {});
    void Close();

private:
    friend bool AssignMemo(TMemoTextFile& f, std::int32_t& block);
    bool Begin(Mode required);
    void Feed(std::string_view bytes);
    void EndLine(std::uint8_t kind);
    bool Refill();

    Mode mode_ = Mode::Unassigned;
    std::int32_t* block_ = nullptr;
    std::uint8_t area_ = 0;
    int result_ = 0;
    std::size_t nextLine_ = 0; // input: index of the next line to deliver
    std::string in_;           // input: delivered but not yet read
    std::size_t inPos_ = 0;
    bool held8D_ = false; // output: a 0x8D waiting for the byte after it
    bool heldCR_ = false; // output: a CR whose LF may follow
};

// Prepares f for the memo whose first block is held in block (block must outlive f's use).
// Fails with 215 or 1019 and leaves f untouched.
bool AssignMemo(TMemoTextFile& f, std::int32_t& block);

// The memo's text as the program shows it: its lines joined, in the table's code page.
bool MemoPlainText(std::int32_t block, std::string& text);

// The text of memo block as the expression engine sees it: the lines read through the
// driver, each cut to 255 characters, appended without separators. Empty (false) while the
// memo unit is not in MemoHooks.
bool MemoExprText(std::int32_t block, std::string& text);

} // namespace dbf
