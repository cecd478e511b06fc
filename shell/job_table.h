#pragma once
// preview and suchen: the job-file table window TForm_preview and its search dialog
// TForm_Suchen. The window shows a table of rows (row 0 the titles) in a string grid, lets the
// user pick a row (a click on it, or Enter / OK for the current row), sort by a column (a click
// on its title), search for a text (Ctrl+F, F3 for the next hit) and copy the table to a
// spreadsheet. File > Open (Table) fills it with one row per job file of the data directory.

#include <functional>
#include <string>
#include <vector>

#include "platform/gui/controls.h"
#include "platform/gui/forms.h"
#include "platform/gui/grids.h"
#include "platform/gui/menus.h"

using TTableRow = std::vector<std::string>;

// ---- the job files of a directory -------------------------------------------------------------

// The titles of the job table: "File", "Date  y/m/d", "No", "mn  " + length unit, "z",
// "alpha  " + angle unit, "ß  " + angle unit, "x".
TTableRow JobTableTitles();
// One row per job file of dir (plain, visible files whose extension is "." + DataFileExt in any
// letter case), in the order of their names: file name, file date yyyy/mm/dd, the drawing
// number of gear 2, mn (3.3 digits in the current unit), z of gear 2, alpha and beta (3.2
// digits), x of gear 2 (1.3 digits). Each file is read into a scratch copy: the program's gear
// data stays as it is. A file that cannot be read gets its name and date and empty values.
// progress, when given, hears each file name before the file is read. No limit on the count.
std::vector<TTableRow> ScanJobFiles(const std::string& dir,
                                    const std::function<void(const std::string&)>& progress = {});

// The order of rows that sorts them by the text of column col (character codes, so padded
// numbers and y/m/d dates sort in their order); rows with equal texts keep their order.
std::vector<int> SortOrder(const std::vector<TTableRow>& rows, int col);

// ---- spreadsheet export ------------------------------------------------------------------------

// Copies cells (row 0 the titles) into a new spreadsheet shown to the user; false when no
// spreadsheet program could be started ("Could not start Excel") or the workbook could not be
// written (why says so). Set by the spreadsheet interface; while it is empty the export says
// "Could not start Excel".
using TableToSpreadsheetFunc =
    std::function<bool(const std::vector<TTableRow>& cells, std::string& why)>;
extern TableToSpreadsheetFunc TableToSpreadsheet;

// ---- the windows -------------------------------------------------------------------------------

class TForm_Suchen : public TForm {
public:
    explicit TForm_Suchen(TComponent* AOwner);
    TLabel* Label_suchen;
    TEdit* Edit_suchbegriff;
    TButton* Button_suchen;
    TButton* Button_cancel;
};

class TForm_preview : public TForm {
public:
    explicit TForm_preview(TComponent* AOwner);

    TMainMenu* MainMenu1;
    TMenuItem *mi_File, *mi_fileExportExcel, *mi_fileExit, *mi_edit, *mi_editsearch, *SearchNext1,
        *mi_Help, *mi_HelpHelp;
    TStringGrid* StringGrid1;
    TPanel* Panel_buttons;
    TButton *Button_ok, *Button_cancel, *Button_help;

    // 0 the job files of DataDir, 2 materials, 3 multistage: the caption.
    int ListKind = 0;
    // The row the user picked (1..), 0 while none; ModalResult is mrOk after a pick.
    int SelectedRow = 0;
    std::string SearchText;
    int SearchRow = 0;

    // Titles and rows into the grid (columns as many as titles; widths fit the texts).
    void SetTable(const TTableRow& titles, const std::vector<TTableRow>& rows);
    const std::vector<TTableRow>& Rows() const { return FRows; }
    // Sorts the rows by column col; the row that was current stays current.
    void SortByColumn(int col);
    // Looks for SearchText in the rows after SearchRow; a hit becomes the current cell.
    bool FindText();

    void FormShow(TObject* Sender);
    void StringGrid1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                              int Y);
    void StringGrid1MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void mi_editsearchClick(TObject* Sender);
    void SearchNext1Click(TObject* Sender);
    void mi_fileExportExcelClick(TObject* Sender);
    void mi_fileExitClick(TObject* Sender);
    void Button_okClick(TObject* Sender);
    void mi_HelpHelpClick(TObject* Sender);

private:
    void Pick(int row);
    void ShowRows();
    void FitColumns();
    std::vector<TTableRow> FRows;
    int FDownRow = -1; // the data row a left button went down on
};
