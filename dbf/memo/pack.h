#pragma once
// Memo unit (`memo`): packing a memo file and copying memos between memo files of any flavour and
// block size.
//
// Memo files only grow: a rewritten memo goes to the end (dBASE III, FoxPro) and its old blocks
// stay behind. PackMemofile writes a new file holding only the memos the records point to, in
// record order, each pointer copied on its own, and renumbers the memo fields. The new file is
// complete and on disk before it replaces the old one, and the fields are rewritten only after
// that; a failure at any step leaves the old file and the old fields (the old file is kept
// under a second name until the fields point into the new one).
//
// CopyMemoData moves one memo in pieces of 512 bytes (or one block when no conversion is
// needed and blocks are larger), so memory use does not depend on the memo's size. A text memo
// copied between tables of different code pages is converted as a whole instead.

#include <cstdint>
#include <string>

#include "dbf/memo/memo.h"
#include "dbf/table/area_record.h"
#include "platform/os/file.h"

namespace dbf {

// One copy, filled by the caller.
struct TMemoCopyRequest {
    os::File* Source = nullptr;
    os::File* Dest = nullptr;
    std::string SourceName; // for messages
    std::string DestName;
    std::uint16_t SourceBlockSize = 512;
    std::uint16_t DestBlockSize = 512;
    std::uint8_t SourceFlavour = kMemoDbase4;
    std::uint8_t DestFlavour = kMemoDbase4;
    // 0: no memo. Negative: the absolute value, a group-headed memo inside a dBASE III file.
    std::int32_t SourceBlock = 0;
    std::uint64_t DestOffset = 0;          // where the copy begins (a block boundary)
    std::int32_t DestBlock = 0;            // its block number
    RecordHookProc WriteConvert = nullptr; // destination area's write conversion
    RecordHookProc ReadConvert = nullptr;  // source area's read conversion
    bool DestDbase3 = false;
    // The tables' code pages: a text memo goes from the source's into the destination's, line
    // ends kept; a character the destination lacks becomes "?" and is noted in *Lost (UTF-8,
    // each once) when Lost is given. Binary data is copied as it is.
    os::CodePage SourcePage = os::CodePage::Cp1252;
    os::CodePage DestPage = os::CodePage::Cp1252;
    std::string* Lost = nullptr;
};

// The copy itself. Returns the destination block (negated when a dBASE III destination got
// the group form because the data cannot be a dBASE III text: it holds NUL or 0x1A bytes or
// begins like a group header); 0 when there was nothing to copy or on failure (LastErrorCode
// set: 217, 30 or another read code, 1005 on a short write, 1003 for a block outside the
// source file). A partial copy stays in the destination file.
std::int32_t CopyMemoData(TMemoCopyRequest& request);

// Copies the memo at block of sourceArea's memo file to the end of the current area's memo
// file; the new first block, 0 when nothing was copied or on failure.
std::int32_t CopyMemoAppend(std::uint8_t sourceArea, std::int32_t block);
// The same, written at the source's block number in the current area's memo file.
std::int32_t CopyMemoSameBlock(std::uint8_t sourceArea, std::int32_t block);

// Packs the current area's memo file (the table must be in exclusive use, as Pack makes it).
// Failures through the engine error: 1012 too little disk space, the I/O code of a failed
// create, write, flush or rename (nothing changed then), 1003 for a memo field that pointed
// outside the memo file (that field becomes 0, packing goes on; reported at the end).
void PackMemofile();

// Fills the memo hooks of packing and copying (Pack, AppendFrom). RegisterMemoHooks calls it.
void RegisterMemoPackHooks();

} // namespace dbf
