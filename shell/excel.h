#pragma once
// The Excel interface of the OLE menu: the current job file copied line by line into column 1
// of a spreadsheet (Start Excel, Export), and the workshop data sheet handed to the spreadsheet
// as a tab-separated text file it opens itself (Printout -> Excel). The spreadsheet is the
// automation of platform/office/spreadsheet.h; ExcelApp (framework/ui/questions.h) is the one
// that Start Excel creates and Export uses.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TExcelApplication;

// A new spreadsheet application, visible, with the temporary directory and the decimal sign in
// force; nullptr when there is none ("Could not start Excel" shown, with the program and the
// setting that chooses it).
std::unique_ptr<TExcelApplication> NewExcelApplication();

// The job-file table's export: the rows (the first one the titles) into a new workbook of an
// application of their own; false when no spreadsheet program could be started or
// the workbook not written or the program not run (why says which).
bool TableRowsToSpreadsheet(const std::vector<std::vector<std::string>>& cells, std::string& why);

// OLE > Start Excel: the job must have been saved; a new application with a new workbook
// receives the job file's lines. AbortFlag set on failure (the export items stay disabled).
void StartExcel();
// OLE > Export QOR1W -> Excel: a changed job is saved first, then its lines go to the sheet of
// ExcelApp again.
void ExportToExcel();
// OLE > Printout -> Excel: the workshop data sheet (mode) as a TXT listing, opened as a new
// workbook of an application of its own. With a fatal calculation error the messages are
// shown instead. The user's listing device settings are the same afterwards.
void PrintoutToExcel(std::uint16_t mode);

// OLE > Import Excel -> QOR1W: the sheet saved by the spreadsheet program as tab-separated
// text (UTF-8 or Windows 1252) is read back: its column A, line by line, is loaded as the job
// (the job keeps its name; a text that is no job changes nothing and is reported). AbortFlag
// set when cancelled or failed.
void ImportFromExcel();

// The listing Printout -> Excel hands over (the workshop data sheet on the listing device in
// force).
using WorkshopListingFunc = void (*)(std::uint16_t mode);
extern WorkshopListingFunc WorkshopListing;
