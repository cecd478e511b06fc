#pragma once
// Helpers shared by the work-area commands (unit `dbf4`: work_areas, locking, navigation, open,
// search, transfer); not for callers outside them.

#include <cstdint>
#include <memory>
#include <string>

#include "dbf/base/hooks.h"
#include "dbf/table/area_record.h"

namespace dbf::detail {

// The current area's record; nullptr when empty.
TWorkArea* Cur();
// The slot that holds area a still (callbacks may close areas); 0 when a is gone.
std::uint8_t SlotOf(const TWorkArea* a);

// Record buffer <-> field-variable block of one area (virtual files copy the bytes).
void ScatterArea(TWorkArea& a);
void GatherArea(TWorkArea& a);
void ClearArea(TWorkArea& a);

// Record count from the file size for a shared table.
void RefreshCount(TWorkArea& a);

inline bool HasIndex() {
    return IndexHooks.IndexActive != nullptr && IndexHooks.IndexActive();
}

// Relation step after a move of the current area.
void NotifyMove();

// Releases every lock of a; the last unlock failure (0 when none) is returned.
std::uint32_t ReleaseLocks(TWorkArea& a);

// Closes the table file of a; for a shared table that changed, the count and the end mark are
// written while holding the append lock. Reports through SetError.
void CloseTableFile(TWorkArea& a);

// Opens a's table file again in the given mode (Pack's exclusive pass and back). Keeps the
// area's position; false (nothing reported) when the file cannot be opened in that mode, and
// the area is then closed.
bool ReopenTable(TWorkArea& a, std::uint16_t mode, std::uint16_t& code);

// Puts a freshly opened area into the current slot (Use).
void InstallArea(std::unique_ptr<TWorkArea> area);

// The table is opened for reading only: changes are refused with code 5.
bool RefuseReadOnly(TWorkArea& a, const std::string& routine);

} // namespace dbf::detail
