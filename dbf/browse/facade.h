#pragma once
// Unit w32rivoz, procedures: the table facade. The shell reaches DBF tables only through these
// procedures over the one browse window (Tdbf4, browse_window.h): open a table by name, go to a
// record, show the window in a mode and let the user pick or edit, read and write fields of the
// current record by number or dBASE name, append, count, close. One table is open at a time.
//
// Usual order: DbfOpen -> DbfSetTitles -> DbfGoto (optional) -> DbfSetupMode (modal; AbortFlag
// tells whether the user accepted) -> DbfSelectedRecNo / DbfFieldText / DbfFieldBool, or
// DbfAppend and the setters -> DbfClose.
//
// Engine errors never halt here: the window records the engine's code of a failed operation
// (DbfErrorCode), the procedures show it and set AbortFlag.

#include <cstdint>
#include <string>
#include <string_view>

class TComponent;

namespace dbf {

class Tdbf4;

// Written when the browse window is accepted: the record picked, the grid row and column
// (1 until then).
extern std::int32_t DbfSelectedRecNo;
extern std::int32_t DbfGridPosA;
extern std::int32_t DbfGridPosB;

// The one browse window: created by the main window (CreateDbfWindow with itself as owner), or
// on first use without an owner. FreeDbfWindow closes the table and frees the window.
Tdbf4& DbfWindow();
void CreateDbfWindow(TComponent* owner);
void FreeDbfWindow();

// Opens table `name` of DbfDir (".dbf" added when the name has no "."). A table that cannot be
// written there (directory not writable, file read-only) is opened as a working copy in a
// folder of its own in TempDir, its memo file with it; the edit view says so. A missing table: CheckFileReadable's message and AbortFlag.
void DbfOpen(std::string_view name);
// Opens the table at path; an engine error is shown ("Error  : DBF Error n") with AbortFlag.
void DbfUse(const std::string& path);
void DbfSetTitles(std::string_view title1, std::string_view title2);
// Shows the window modally. Modes 1, 4, 5 are read views (1 hides deleted records, 4 shows
// them, 5 leaves the setting); every other mode edits. text "CLOSE": a click, an arrow key or
// a search accepts the record at once.
void DbfSetupMode(std::string_view text, std::uint16_t mode);
// Goes to record n: above the count "DBF #n not found." goes to ErrorList and the last record
// is taken; below 1 record 1. Nothing on an empty table.
void DbfGoto(std::int32_t n);
void DbfGotoClamped(std::int32_t n);
// Closes the table; field values set since the record was read are written first. When they
// cannot be (another program holds the record) the error is shown, AbortFlag set, and the
// table closes unchanged.
void DbfClose();
// Appends a blank record under the append lock; false when the lock was refused.
bool DbfAppend();
std::int32_t DbfRecNo();
std::int32_t DbfRecCount();
// The engine's code of the last failed operation of the window, 0 when none.
std::int32_t DbfErrorCode();
void DbfResetError();
void DbfClearError();
// Field n (1-based) of the current record as the engine writes it as text.
void DbfFieldText(int n, std::string& text);
std::string DbfFieldText(int n);
// By dBASE name (cut to 10 characters). The setters put the table into edit state; the record
// is written when the window is accepted, the record left, or the table closed.
bool DbfFieldBool(std::string_view name);
void DbfSetFieldBool(std::string_view name, bool value);
void DbfSetFieldString(std::string_view name, std::string_view value);
void DbfSetFieldFloat(std::string_view name, long double value);
void DbfSetFieldInt(std::string_view name, std::int64_t value);

} // namespace dbf
