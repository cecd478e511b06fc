#pragma once
// Index engine (unit `vovor`): semaphore files of shared tables, one small file beside each table
// (extension ".@S@") that counts the programs using the table's indexes and the readers at work,
// marks a writer, and carries a change counter that every writer increases. Index reads and updates
// of a shared table run inside counted brackets; only the outermost bracket touches the file. When
// the counter differs from the one this program saw last, another program changed the indexes: the
// anchors are read again and the node cache and descent paths are dropped before the controlling
// index is positioned again.

#include <cstdint>
#include <string>

#include "platform/os/file.h"

namespace dbf {

enum TSemaphoreAction : int {
    kSemLogin = 0,
    kSemLogout = 1,
    kSemIncRead = 2,
    kSemDecRead = 3,
    kSemLock = 4,
    kSemUnlock = 5,
};

inline constexpr int kSemaphoreAreas = 34;
inline constexpr std::uint16_t kMaxChangeCounter = 65534;
inline constexpr std::uint8_t kMaxReaders = 127;

// The one record of a semaphore file.
struct TSemaphoreRecord {
    std::uint8_t Users = 0;
    std::uint8_t Readers = 0;
    std::uint16_t Counter = 0;
};

// State of one logged-in work area.
struct TSemaphoreControl {
    os::File File;
    std::string FileName;
    TSemaphoreRecord Last;
    std::uint8_t UsersAtLogin = 0;
    std::uint16_t CounterSeen = 0;
    bool RegionLocked = false;
    bool CountedReader = false;
    std::int32_t ReadNest = 0;
    std::int32_t LockNest = 0;
};

// Directory for semaphore files; empty: beside the table.
extern std::string SemaphoreDirectory;
// Seconds a writer waits for the readers to leave (0: no limit).
extern std::uint32_t SemaphoreReadTimeout;

// Name of the semaphore file of table file `tableFile`.
std::string SemaphoreFileName(const std::string& tableFile);

// One action for the current work area (see TSemaphoreAction); false with the error set.
bool HandleSemafore(int action);

// The counted brackets: reads of index blocks, and updates of an index.
void SetReadSemaphoreProc(bool on);
void SetLockSemaphoreProc(bool on);

// The semaphore state of work area a (1..34); nullptr when it is not logged in.
const TSemaphoreControl* SemaphoreState(std::uint8_t a);
// Whether the current work area's indexes run under the semaphore protocol.
bool SemaphoreInUse();
// Logs every work area out (engine start and end).
void ResetSemaphores();

// Re-reads the anchors of all open orders of the current work area; false with the error set.
bool ReadAnchorNodes();

} // namespace dbf
