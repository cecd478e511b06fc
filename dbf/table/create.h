#pragma once
// Creating tables (dBASE III/IV layout) and empty memo files.
//
// A new file replaces an existing one only once it is complete: it is written to a temporary
// file in the same directory, flushed and renamed over the target. A table another program
// holds open is not replaced (its sharing refuses the exclusive test open).

#include <cstdint>
#include <string>
#include <vector>

#include "dbf/table/area_record.h"

namespace dbf {

// Creates the table `name` (default extension "DBF") with the given fields, completing the
// definitions in place (names trimmed, cut to 10 characters and upper-cased; lengths of D, L
// and memo fields fixed; decimals 0 except for N and F). With a memo-type field (M, B, G, P)
// the version is 0x8B and an empty memo file is written beside it. The area is left closed.
// Success is LastErrorCode == 0 afterwards.
void CreateDbf(TWorkArea& area, const std::string& name, std::vector<TDbfFieldDesc>& fields);

// Writes a new empty memo file for a table of version `version` (an existing file of that name
// is replaced). blockSize must be at least 1.
void CreateMemoFile(const std::string& name, std::uint8_t version, std::uint16_t blockSize,
                    const std::string& caller);

} // namespace dbf
