#pragma once
// Direct access to one DBF table through the engine's work areas, for the tables the shell
// writes without a window: the shipped tables' writer (tools/dbftable) and the named print
// sets. The table is opened in a free work area and closed with the object; the current work
// area is the same afterwards.
//
// Engine errors never halt here: every engine call runs with immediate reporting off (an
// ERivozError is caught too), and a failing operation returns false with Error() saying why.
// Texts are UTF-8 on this side; the table holds them in its code page (the one its header
// names, else DOS 437 unless AnsiTables is set when it is opened).

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/os/codepage.h"

class TTableAccess {
public:
    TTableAccess() = default;
    ~TTableAccess();
    TTableAccess(const TTableAccess&) = delete;
    TTableAccess& operator=(const TTableAccess&) = delete;

    // Opens path (shared unless exclusive) in the lowest free work area; readOnly opens it for
    // reading (a file the user may not write serves; changes are refused).
    bool Open(const std::string& path, bool exclusive = false, bool readOnly = false);
    void Close();
    bool IsOpen() const { return FArea != 0; }

    int RecordCount();
    int FieldCount() const { return FFieldCount; }
    // 1-based; 0 when the table has no such field (names are cut to 10 characters and found
    // without regard to letter case).
    int FieldNo(std::string_view name);
    // The name of field n ("" for none).
    std::string FieldName(int n);
    char FieldType(int n);

    // Reads record n (1 .. RecordCount()) into the field values.
    bool Go(int n);
    // Field n of the record read: texts trimmed of trailing blanks; numbers in plain decimal
    // text ('.' as the point, as many decimals as the field holds); logicals "T" or "F";
    // dates YYYYMMDD.
    std::string Text(int n);
    double Number(int n);
    bool Logical(int n);
    // Field n of the record read as the table stores it, trimmed ("1e99" where Number gives
    // the nearest value its type holds).
    std::string StoredText(int n);

    // A new record: Blank() clears the field values, the setters fill them (a field not set
    // stays blank), Append() writes them as a new last record under the append lock.
    void Blank();
    // Sets a field from text as its type reads it: texts as given (cut to the field), numbers
    // in decimal text ('.' or ',' as the point), logicals T/Y/J/1 or F/N/0, dates YYYYMMDD.
    // False for a field that is missing, a memo, or a text its type cannot read.
    bool SetText(int n, std::string_view value);
    bool SetNumber(int n, double value);
    bool SetLogical(int n, bool value);
    bool Append();
    // Why value would not be stored in text field n as it stands ("" when it would): characters
    // the table's page lacks, or more than the field holds. what names the input.
    std::string TextProblem(int n, std::string_view value, std::string_view what);

    // Why the last operation failed.
    const std::string& Error() const { return FError; }

private:
    // Runs engine work in the table's area with reporting off; false (and FError) when the
    // engine failed.
    template <class Work> bool Run(const char* operation, Work&& work);
    bool Fail(std::string text);
    os::CodePage Page() const; // of the table's texts

    std::uint8_t FArea = 0;
    int FFieldCount = 0;
    std::string FPath;
    std::string FError;
};

// The table `name` ("q1toolx.dbf") in directory dir, found without regard to letter case. When
// dir lacks it and can be written, the copy the program ships is put there first, so the user
// works on a table of their own. "" when there is none; problem (when given) then says why a
// copy could not be made.
std::string ShippedTableIn(const std::string& dir, const std::string& name,
                           std::string* problem = nullptr);
