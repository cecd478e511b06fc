#pragma once
// Unit ucommon: textual field lists (DbfFields), creating a table from one, the datasets'
// message boxes and the adoption of the user's date and number settings.
//
// A DbfFields line holds four items separated by commas: the field name (at most 10
// characters), the type letter, the length and the decimals; blanks around items are ignored.
// A line of type X is skipped when a table is created.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/table/area_record.h"

namespace dbf {

struct TDbfFieldDef {
    std::string Name;
    char Type = 'C';
    int Length = 0;
    int Decimals = 0;
};

// False for a line without exactly three commas, or whose length or decimals are not
// non-negative numbers. The name is trimmed and cut to 10 characters, the type is the first
// letter of its item, upper-cased.
bool ParseDbfFieldLine(std::string_view line, TDbfFieldDef& def);
// "NAME, N, 12, 2"
std::string DbfFieldLine(const TDbfFieldDef& def);

// Corrects a definition as a new table needs it; true when it changed. B, G and P become M;
// another unknown type becomes C; N and F: length at most 20, decimals at most 18, and
// decimals that leave fewer than 2 places before them (point and a digit) become length - 2,
// never negative; C: length at most 254, no decimals.
bool CorrectFieldDef(TDbfFieldDef& def);
// "Invalid field definition for OWNER: NAME,N,25,20. Will use corrected definition: ..."
std::string CorrectionMessage(const std::string& owner, const TDbfFieldDef& was,
                              const std::string& oldType, const TDbfFieldDef& now);

// The field definitions of the lines, corrected as a new table needs them (each correction told
// by a message naming owner; a memo of a virtual file becomes N(10,0); X lines skipped). False
// for an empty list (with a message) or a malformed line.
bool FieldsFromDbfFields(const std::string& owner, const std::vector<std::string>& lines,
                         bool virtualFile, std::vector<TDbfFieldDesc>& fields);
// Creates fileName from the lines (a memo of a virtual file becomes N(10,0)); every corrected
// definition is told by a message naming owner. False for an empty list (with a message), a
// malformed line, or when the engine fails (its error pending).
bool CreateTableFromDbfFields(const std::string& owner, const std::string& fileName,
                              const std::vector<std::string>& lines, bool virtualFile);

// Dataset messages are shown (message box "Message:") only while the mode is 2, the default.
// SetMessageMode returns the previous mode and sets a nonzero one.
std::uint8_t SetMessageMode(std::uint8_t mode);
void DatasetMessage(const std::string& text);

// The engine's decimal and thousands characters, four-digit years and date format from the
// class library's settings (FormatSettings): a short date format beginning with y gives the
// year-first format 1, with d the format 3 (separator "-"), 5 (".") or 2, anything else 0.
void ApplyLocaleDateFormat();

} // namespace dbf
