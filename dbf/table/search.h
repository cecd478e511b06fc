#pragma once
// Finding and touching records without an index: Search scans the table file for a text,
// Peek and Poke read and write the stored bytes of one field of any record, Locate and Continue
// find the next record whose field matches a value, LocateFields matches several fields at once.
//
// Every operation acts on the current work area and reports through SetError (errors.h).
// Belongs to unit `dbf4`.
// Peek, Search and Locate read the file directly without locks, so they see other programs'
// committed writes; Poke needs a record or file lock in shared use.
//
// Tables stored in the DOS code page: Locate compares in the table's own page (the search text
// is converted to it, and letter case is folded for the characters both pages share), so
// accented letters match whatever page the table uses. A search character the table's page
// cannot hold matches nothing.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace dbf {

// A value to look for: text (dates as date texts in the display format), a number, a logical,
// or nothing (the empty text).
using TLocateValue = std::variant<std::monostate, std::string, long double, std::int64_t, bool>;

// The pending Locate (process-wide): search text as compared, field number (0 none pending),
// and its switches.
struct TLocateState {
    std::string Text;
    std::uint8_t Field = 0;
    bool CaseSensitive = true;
    bool Exact = false;
    bool Contained = false;
};
extern TLocateState LocateState;

// Scans the table for text (trailing blanks cut, letter case ignored) from the first record
// (fromTop) or from the record after the current one. field: in, the field to look in (0 or a
// number above the field count: any); out, the field of the hit, 0 when nothing was found (the
// area then stays on its record).
void Search(const std::string& text, std::uint8_t& field, bool fromTop);

// The stored bytes of field n of record `record` (field 0: the deletion byte), without code-page
// translation; empty for a record or field out of range.
void Peek(std::uint8_t field, std::int32_t record, std::string& text);
std::string Peek(std::uint8_t field, std::int32_t record);

// Writes the bytes of text (at most the field's length) into field n of record `record`
// (field 0: the deletion byte).
void Poke(const std::string& text, std::uint8_t field, std::int32_t record);

// Parses a field clause ("NAME", "NAME NOCASE EXACT", "NAME CONTAINED") into the pending
// Locate's switches and returns the field number (0 after reporting 220).
std::uint8_t LocateField(const std::string& clause);

// Finds the first visible record from `start` on whose field matches value. The clause is the
// field name, optionally followed by NOCASE, EXACT or CONTAINED. Without a match the area is
// left past its end and the result is false.
bool Locate(const std::string& clause, const TLocateValue& value, bool ignoreCase,
            std::int32_t start, bool exact);

// The scan behind Locate, from record `start` with the switches LocateField set; init prepares
// text (trailing blanks, letter case, code page) and makes it the pending search text.
void LocateScan(const std::string& text, std::int32_t start, bool init);

// The next match after the current record.
void Continue();

// All named fields (separated by ";") match their values at one record. move false (or no
// match) returns to the record the area stood on.
bool LocateFields(const std::string& names, const std::vector<TLocateValue>& values,
                  bool ignoreCase, bool move, bool exact);

} // namespace dbf
