#pragma once
// Unit vfiles: the engine's virtual-file manager. A work area opened with the words VIRTUAL FILE
// (or LINKED LIST) keeps its records in memory, not in a file: fixed-length records of the
// area's record length (byte 0 the deletion flag, 1 deleted, 0 not; then the caller's block).
// The work-area commands hand every record operation of such an area to the manager's handler,
// which InitVFiles installs in the engine's virtual-file hook.
//
// A virtual file keeps its records in one of five orders: FIFO (new records at the end), LIFO
// (at the front), INSERTION (before the current record), ASCENDING or DESCENDING (sorted by the
// text a key maker gives for a record). Records are held in a sequence addressed by position
// (sequence.h): going to record n, adding and removing a record take O(log n) wherever it lies,
// and a sorted append asks the key maker O(log n) times.
//
// The key maker reads the record from the area's field-variable block: to compare a stored
// record the manager puts it into the block, asks, and puts the block back.
//
// Every public operation checks that the current area holds a virtual file (215, 1100) and
// reports through SetError; a failing operation leaves the list as it was.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dbf/table/area_record.h"

namespace dbf {

enum LStatusType : std::uint8_t {
    FIFO = 0,
    LIFO = 1,
    INSERTION = 2,
    ASCENDING = 3,
    DESCENDING = 4
};

// The sort key of the record in the current area's field-variable block (Windows 1252 text).
using TVFileKeyMaker = std::function<std::string()>;

// Installs the handler in the engine's virtual-file hook (engine start).
void InitVFiles();
// The handler itself (for the hook): the request in area.VirtualOp / VirtualArg.
void VFileHandler(TWorkArea& area);

// Request codes of the handler.
enum : std::uint8_t {
    kVfClose = 1,
    kVfDelete = 2,
    kVfRead = 3,
    kVfOpen = 4,
    kVfPack = 5,
    kVfPop = 6,
    kVfAppend = 7,
    kVfWrite = 8,
    kVfRecall = 9,
    kVfRemove = 10,
    kVfZap = 12,
};

// The field list of the current virtual file (up to 255 definitions: name, type C, D, F, L, M
// or N, length, decimals; offsets are set here): names trimmed and upper-cased, D 8 long, L 1,
// M becomes N(10,0); C, F and N need a length. The fields must fit the record.
void AddStru(const std::vector<TDbfFieldDesc>& defs);
// Takes the first record into the record buffer and the block, and removes it.
void PopRec();
// Removes the current record.
void SnipRec();
// Removes every record.
void ZapVFile();
void Set_VFileKey_To(TVFileKeyMaker keyMaker);
// The order of the current virtual file (0 when the area holds none).
std::uint8_t Get_VFileMode();
// A sorted order can be set only while the file has fewer than 2 records (or already has it).
void Set_VFileMode_To(std::uint8_t mode);
// Sorts the records by the key maker (ASCENDING or DESCENDING) and goes to the top.
void SortVFile(std::uint8_t mode);

} // namespace dbf
