#pragma once
// Index engine (unit `vovor`): keeping the NDX indexes of a work area in step with its table, and
// the order commands: opening index files as orders 1..16, choosing the controlling order,
// searching a key; inserting and removing keys with node and root splits and shrinking; the
// record-level operations the work-area commands reach through the index hooks.
//
// Equal keys are kept in the order they were inserted after any equal keys already there, so
// appended records follow their equals. The controlling order (slot 1) is positioned after
// every change; the other orders are located by search whenever a key of theirs moves.

#include <cstdint>
#include <string>
#include <vector>

#include "dbf/index/ndx.h"

namespace dbf {

// Record number being inserted or removed (0 when none).
extern std::int32_t RecordBeingKeyed;

// ---- keys ----

// Inserts key (key length bytes) for the table's current record into order n (1..16).
bool AppendIndex(int order, const std::uint8_t* key);
// Removes the entry (key, rec) from order n. A key that is not there is a failure, except in a
// unique index whose key belongs to another record.
bool RemoveIndexKey(int order, const std::uint8_t* key, std::int32_t rec);
// Writes the order's header block from its anchor; the anchor-dirty flag stays set on failure.
bool WriteAnchorNode(TIndexControl& ctl);

// Keys of the newly appended current record into every open order; on failure the keys already
// inserted are removed again.
void AppendNewKey();
// After the current record was rewritten: moves its key in every order whose key changed (the
// orders' current keys hold the old ones).
void CompareKeys();
// Checks that the current record's key is in order 1 (all orders: every open order) and
// positions there.
void SyncIndex(bool allOrders);
// Current keys of all open orders from the loaded record.
void RefreshCurrentKeys();

// ---- orders ----

// Opens index file `nameWithOptions` (words UNIQUE, NOCACHE, SOUNDEX, DESCENDING may follow
// the name) as order n of the current work area.
bool SetIndexTo(const std::string& nameWithOptions, int order, KeyMakerProc keyMaker = {});
// Closes every order and opens the blank-separated names as orders 1, 2, ... A list longer
// than kMaxIndexListLength characters (counted with one blank between its words) or of more
// than 16 names is refused whole (code 220, the limit named): nothing is closed or opened.
inline constexpr std::size_t kMaxIndexListLength = 255;
void Set_Index_To(const std::string& names);
// Opens one file as order 1 and makes it controlling.
bool SetIndexToOrder1(const std::string& nameWithOptions, KeyMakerProc keyMaker = {});
// 0: natural order; 1..16: order n becomes the controlling order.
void Set_Order_To(int n);
// Order number of the controlling index; 0 in natural order or without index.
int ControllingOrder();
// Seeks text in the controlling order; positions the table; the found flag.
bool Find(const std::string& text);
// Switch EXACT; each returns the previous state.
bool ExactOnProc();
bool ExactOffProc();
// Closing orders (the work area logs out of its semaphore file with its last order).
void CloseOrder(int n);
void CloseIndexes();
// File name of order n; empty when not open.
std::string IndexFileName(int n);
// Key of order n for display; in natural order (order 0) "Rec:" and the record number.
std::string IndexKeyText(int n);
std::string ControllingKeyText();

struct TIndexInfo {
    std::string Expression;
    std::uint16_t KeyLength = 0;
    char KeyType = 'C';
    bool Unique = false;
    std::int32_t RecordCount = -1;
    std::string TableName;
};
// Header facts of an index file (opened shared, read-only when that is refused).
bool IndexInfo(const std::string& name, TIndexInfo& info);

// Splits "NAME OPTION OPTION..." into the name and the recognised option words.
struct TIndexOptions {
    std::string Name;
    bool Unique = false, NoCache = false, Soundex = false, Descending = false;
};
TIndexOptions ParseIndexOptions(const std::string& text);

// Name of the browse window's temporary sort index in directory dir: "$keltemp", this
// process's id and ".ndx", so two programs browsing tables of one directory never share it.
std::string TempSortIndexName(const std::string& dir);

// Fills the hook entries of the key maintenance, orders and semaphore brackets.
void InstallIndexMaintenanceHooks();

// Counters of node reads and writes done by the key maintenance (for measurements).
struct TIndexIoCounters {
    std::uint64_t Reads = 0;
    std::uint64_t Writes = 0;
};
extern TIndexIoCounters IndexIoCounters;

} // namespace dbf
