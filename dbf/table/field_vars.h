#pragma once
// Conversion between a record buffer and the field-variable block, the typed copy of a record.
//
// Block layout: byte 0 the deletion flag (bool), then one value per field in field order,
// packed without gaps (values are unaligned: use the accessors below):
//   C         length + 1  length byte and up to `length` characters
//   D         11          length byte and the date in the display order with a four-digit year
//                         (the year setting changes display and input only, so dates outside
//                         the century window survive a round trip)
//   N, F      8           with decimals: double; without decimals: signed 64-bit integer
//   L         1           bool
//   M         4           signed 32-bit memo reference
// Other types take no room.
//
// Writing a block back keeps the stored text of every N, F, D, L and M field whose value did
// not change, so a record read and written back is byte-identical whatever program wrote it.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/table/area_record.h"

namespace dbf {

inline constexpr std::size_t kDateVarSize = 11;

std::size_t FieldVarSize(const TDbfFieldDesc& field);
// 1 + the sizes of all fields.
std::size_t ComputeFieldVarsSize(const std::vector<TDbfFieldDesc>& fields);
// Offset of field n (1-based) in the block; 0 for n = 0 (the deletion flag).
std::size_t FieldVarOffset(const std::vector<TDbfFieldDesc>& fields, std::size_t n);

// Record buffer -> block, and back. A block smaller than the table's size reports 266.
void RecordToFieldVars(const TWorkArea& area, std::span<std::uint8_t> block);
void FieldVarsToRecord(TWorkArea& area, std::span<const std::uint8_t> block);

// Every Set* accessor below reports the address it wrote here (the work areas watch their
// blocks through it to tell a field the program assigned from one it left alone).
using VarWriteProc = void (*)(const std::uint8_t* p);
extern VarWriteProc VarWriteHook;

// Typed access to one value at p (unaligned).
std::string GetVarString(const std::uint8_t* p);
void SetVarString(std::uint8_t* p, std::string_view s, std::size_t capacity);
double GetVarDouble(const std::uint8_t* p);
void SetVarDouble(std::uint8_t* p, double v);
std::int64_t GetVarInt64(const std::uint8_t* p);
void SetVarInt64(std::uint8_t* p, std::int64_t v);
std::int32_t GetVarInt32(const std::uint8_t* p);
void SetVarInt32(std::uint8_t* p, std::int32_t v);
bool GetVarBool(const std::uint8_t* p);
void SetVarBool(std::uint8_t* p, bool v);

// The decoders of one stored field text (as RecordToFieldVars uses them).
double FieldTextToDouble(std::string_view text);
std::int64_t FieldTextToInt64(std::string_view text);
// Stored YYYYMMDD -> display order with a four-digit year; blanks give the blank picture.
std::string DbfTextToBlockDate(std::string_view text);
// Block date (any year form accepted as input) -> YYYYMMDD, 8 blanks for blank or invalid.
std::string BlockDateToDbfText(std::string_view date);

} // namespace dbf
