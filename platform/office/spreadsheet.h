#pragma once
// The spreadsheet automation the program drives in place of "Excel.Application": make the
// application visible, add a workbook, open a text file as a workbook, set the value of a
// cell. The workbooks are held here; Update() writes each one changed since the last update as
// an .xlsx file (libxlsxwriter) and, while the application is visible, starts the configured
// spreadsheet program on it.
//
// A cell's text becomes a number when the whole text (blanks around it aside) reads as one with
// the decimal sign in force and nothing is lost by it, as a spreadsheet program reads typed
// input; otherwise it stays text. Thousands separators are never read, so "20.000" under a
// decimal comma stays text instead of becoming twenty thousand; nor are texts with a leading
// zero ("0815") or more than 15 significant digits, which a number would change.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The spreadsheet program: a command line (program and leading arguments, split as Windows
// splits them), the workbook file added as the last argument. Empty: the environment variable
// QOR1W_SPREADSHEET, else "xdg-open" (the desktop's program for .xlsx files).
extern std::string SpreadsheetCommand;

// The message for a spreadsheet program that cannot be started: "Could not start Excel", the
// program, and the setting that chooses it (QOR1W_SPREADSHEET).
std::string SpreadsheetStartProblem(std::string_view program);

// The number a cell text stands for, with decimal ('.' or ',') as the decimal sign; false when
// the text stays text.
bool SpreadsheetNumber(std::string_view text, char decimal, double& value);

// A text every spreadsheet program reads, as the program's windows show it: well-formed UTF-8
// stays; a byte that begins no well-formed sequence (a Latin-1 file name, say) becomes U+FFFD,
// and so do U+FFFE and U+FFFF, which no workbook can hold; NUL, which would end the text,
// becomes its symbol U+2400. Other control characters stay: the workbook writer stores them
// as _xHHHH_, which spreadsheet programs read back as the character (a job line with a byte 1
// comes back whole); a cell text that holds such a sequence itself is stored with its
// underscore as _x005F_, so it reads back as written. Cells and sheet names pass through it.
std::string SpreadsheetText(std::string_view text);

class TExcelApplication {
public:
    // Creates the application: nullptr when the spreadsheet program cannot be found (why says
    // which program).
    static std::unique_ptr<TExcelApplication> Create(std::string* why = nullptr);

    // Where the workbook files go (the temporary directory); the decimal sign cells are read
    // with.
    std::string Directory;
    char DecimalSeparator = '.';

    bool Visible() const { return FVisible; }
    void SetVisible(bool on) { FVisible = on; }

    // Workbooks.Add: a new empty workbook with one sheet becomes the active one.
    void AddWorkbook();
    // Workbooks.OpenText: the text file (Windows 1252, any line end; a tab between cells) as a
    // new active workbook named after the file. False when the file cannot be read.
    bool OpenText(const std::string& path);
    // Cells(row, column).Value := text, on the active workbook's sheet (rows and columns from
    // 1; a workbook is added when there is none). False outside the sheet's bounds.
    bool SetCellValue(int row, int column, std::string_view text);

    // Writes every workbook changed since the last update that holds a cell, each under a name
    // of its own, so a file the spreadsheet program has open is never overwritten; while
    // visible, starts the program on each. False when a file could not be written or the
    // program not started (LastError says which).
    bool Update();

    const std::string& LastError() const { return FLastError; }
    // The files written so far, in order.
    const std::vector<std::string>& WrittenFiles() const { return FWritten; }

    struct Cell {
        bool IsNumber = false;
        double Number = 0;
        std::string Text;
    };
    struct Workbook {
        std::string Name;
        std::map<std::pair<int, int>, Cell> Cells; // (row, column) from 1
        bool Changed = false;
        int Writes = 0;
    };
    const std::vector<Workbook>& Workbooks() const { return FBooks; }

private:
    explicit TExcelApplication(std::vector<std::string> command);
    bool WriteWorkbook(Workbook& book, std::string& path);

    std::vector<std::string> FCommand;
    std::vector<Workbook> FBooks;
    bool FVisible = false;
    std::string FLastError;
    std::vector<std::string> FWritten;
};
