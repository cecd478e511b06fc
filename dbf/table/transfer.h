#pragma once
// Unit `dbf4`: bulk transfer into and out of the table in the current work area: AppendFrom appends
// the records of another table (open in another area or read from its file) or of a virtual file,
// matching fields by name and converting between field types; CopyToDelimited writes the table
// as comma-separated text; AppendFromDelimited reads such text back as new records.
//
// Delimited text (Windows 1252 bytes, converted from and to the table's page): one line per record,
// CR LF line ends, a final byte 26. C values are enclosed in DelimQuote with a quote inside a
// value doubled (as spreadsheet programs write and read it); D values are YYYYMMDD; numbers are
// the stored text without leading blanks; L the stored character; memo fields are not written
// and take no column, in either direction. Appending to a shared table needs the file or append
// lock, taken by the caller.

#include <cstdint>
#include <functional>
#include <string>

namespace dbf {

extern char DelimSeparator;          // ","
extern char DelimQuote;              // '"'; 0 means no quoting
extern std::uint16_t LineBufferSize; // longest line AppendFromDelimited tokenises (2048)

// 0 same fields and no memo, 1 the same with memo, 2 different.
int CompareStructures(std::uint8_t targetArea, std::uint8_t sourceArea);

// Appends the records of `source` (a table file name, or an open virtual file with the word
// VIRTUAL or LINKED) to the current area's table while continueFunc (when given) says so.
// Texts (fields and text memos) go from the source's code page into the target's. Returns the
// error code (0 success); the records appended before a failure stay.
std::uint16_t AppendFrom(const std::string& source, const std::function<bool()>& continueFunc = {});

// Writes the table as delimited text (extension "TXT" added when missing; an existing file is
// replaced only once the new one is complete). With header a first line holds the field names.
// Returns the number of record lines written.
std::int32_t CopyToDelimited(const std::string& name, bool header);
// The characters (UTF-8, each once) the last CopyToDelimited wrote as "?": delimited text is
// Windows text, and a table of another page holds characters Windows text lacks (box drawing,
// Greek letters in a DOS table).
extern std::string DelimitedLost;
// The characters (UTF-8, each once) the last AppendFrom or AppendFromDelimited stored as "?"
// in fields and memos: the target table's code page lacks them.
extern std::string AppendLost;
std::int32_t CopyToText(const std::string& name);

// Appends one record per non-empty line of the text file; with progress a progress window
// titled "Appending..." runs meanwhile. Returns the number of records appended.
std::int32_t AppendFromDelimited(const std::string& name, bool progress);

} // namespace dbf
