#pragma once
// TDBGrid: a data-aware grid on a Qt table view over a model of the dataset. Rows are the
// dataset's records in its current order (TRowMap: fetched lazily from both ends), each row's
// display texts decoded once into a small cache. The grid follows the dataset's current record
// and moves it when the user picks another row; typing edits the current record, which is
// posted when the user leaves the row.
//
// Beyond the plain data grid it carries what the engine's grid needs (unit atzgrids builds its
// TTzGrid on it): per-row colours through OnChangeColorsEvent, deleted records drawn in
// DeletedColor unless selected, boolean boxes for logical fields, AutoAppend, a depressed
// (sorted) title set by a right click on it, corner clicks, and date edit masks. What the
// engine knows (is a record deleted, restoring it, the date picture) comes in through the
// virtual hooks.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/data/rowmap.h"
#include "platform/gui/controls.h"
#include "platform/gui/grids.h"

class TDataSource;
class TDataSet;
class TField;

enum TDBGridOption : unsigned {
    dgEditing = 1,
    dgAlwaysShowEditor = 2,
    dgTitles = 4,
    dgIndicator = 8,
    dgColumnResize = 16,
    dgColLines = 32,
    dgRowLines = 64,
    dgTabs = 128,
    dgRowSelect = 256,
    dgAlwaysShowSelection = 512,
    dgConfirmDelete = 1024,
    dgCancelOnExit = 2048,
};
using TDBGridOptions = unsigned;

enum TTzBooleanBox {
    bbCheckBox,
    bbCheckMark,
    bbText,
    bbFillBox,
    bbFillBoxRed,
    bbRButton,
    bbRButtonRed,
    bbDot,
    bbDotRed
};

// The seven colours of a cell, set afresh for every cell before OnChangeColorsEvent.
struct TGridColors {
    TColor IndicatorColor, CellColor, CellTextColor, HiliteColor, HiliteTextColor, DeletedColor,
        DeletedTextColor;
};

class TDBGrid;
struct TColumn {
    std::string FieldName;
    TField* Field = nullptr; // bound while the dataset is open
    std::string TitleCaption;
    int Width = 64;
    TColor Color = clWindow;
    TColor FontColor = clWindowText;
    TAlignment Alignment = taLeftJustify;
    bool ReadOnly = false;
    bool Visible = true;
};

using TGridColumnEvent = std::function<void(TObject* Sender, int column)>;
using TChangeColorsEvent = std::function<void(TObject* Sender, int dataRow, TGridColors& colors)>;
// The drawing events of a data cell: its rectangle in the view's pixels, its field, or its data
// column (0-based) and column.
using TDrawDataCellEvent =
    std::function<void(TObject* Sender, const TRect& Rect, TField* Field, TGridDrawState State)>;
using TDrawColumnCellEvent = std::function<void(TObject* Sender, const TRect& Rect, int DataCol,
                                                TColumn& Column, TGridDrawState State)>;

class TDBGrid : public TWinControl {
public:
    explicit TDBGrid(TComponent* AOwner);
    ~TDBGrid() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;

    TDBGridOptions Options() const { return FOptions; }
    void SetOptions(TDBGridOptions o);
    bool ReadOnly() const { return FReadOnly; }
    // Enter opens the current cell of an editable grid, never the dialog's default button.
    bool WantsReturn() const override { return (FOptions & dgEditing) && !FReadOnly; }
    void SetReadOnly(bool on);
    TColor FixedColor = clBtnFace;
    bool DefaultDrawing = true;
    // Down or Tab beyond the last row appends a record.
    bool AutoAppend = true;
    TTzBooleanBox BooleanBox() const { return FBooleanBox; }
    void SetBooleanBox(TTzBooleanBox b);

    // Columns: one per visible field when the dataset opens (text fields as wide as their
    // size, numbers right-aligned).
    int ColumnCount() const { return static_cast<int>(FColumns.size()); }
    TColumn& Columns(int i) { return FColumns.at(static_cast<std::size_t>(i)); }
    // Moves a column; the depressed title follows, and the columns count as customised.
    void MoveColumn(int from, int to);
    // False while the columns are those the grid built from the dataset's fields.
    bool ColumnsCustomized() const { return FColumnsCustomized; }
    void SetColumnsCustomized(bool on) { FColumnsCustomized = on; }
    // Columns kept in view while the others scroll sideways, counted from the first data column
    // (the indicator does not count); their cells are drawn in FixedColor and can still be
    // picked and edited. The number is stored as set; reading gives the columns that are fixed
    // (all but one at most).
    int FixedColumns() const;
    void SetFixedColumns(int n);
    // Current column (0-based) and its field.
    int SelectedIndex() const { return FSelectedIndex; }
    void SetSelectedIndex(int column);
    TField* SelectedField() const;
    // The current record's row in the grid's order (0-based, -1 when none).
    int CurrentRow();

    // The tip shown over the column titles (what a click on them does); "" none.
    const std::string& TitleHint() const { return FTitleHint; }
    void SetTitleHint(const std::string& hint);

    // The depressed (sorted) title, -1 for none.
    int DepressedColumn() const { return FDepressed; }
    bool DepressDisabled() const { return FDepressDisabled; }
    void SetDepressDisabled(bool on);
    void DepressTitle(int column);
    void ClearDepressedTitle();

    // ---- the rows (read by the view; tests read them too)
    int RowCount();
    std::string CellText(int row, int column);
    bool RowDeleted(int row);
    // Colours of a data cell as drawn (after OnChangeColorsEvent, deletion and selection; a
    // cell of a fixed column takes FixedColor and the grid's font colour as its own).
    TGridColors CellColors(int row, int column, bool selected, bool& deleted);
    // The edit mask the editor of a column gets ("" none).
    std::string ColumnEditMask(int column);

    // ---- what a person does
    // A click on a data cell (button left: select, then toggle a logical field under it).
    void ClickCell(int row, int column, TMouseButton button = mbLeft);
    // Mouse button released on a title (-1: the indicator corner).
    void TitleMouseUp(int column, TMouseButton button, TShiftState shift = 0);
    // A key as the keyboard gives it: OnKeyDown, the grid's keys, then the character.
    void PressKey(std::uint16_t key, TShiftState shift = 0);
    // Types a text into the current cell as the editor would.
    bool TypeCell(const std::string& text);
    // After a way out of the record's edit was refused: the edited cell is current again and
    // has the keyboard.
    void BackToEdit();
    // Scrolls the view so that row shows (and moves nothing).
    void ScrollToRow(int row);
    // Rows visible in the view: first and count (0 headless).
    int TopRow() const;

    TGridColumnEvent OnDepressTitle;
    TGridColumnEvent OnCellClick;
    TNotifyEvent OnCornerLeftClick, OnCornerRightClick;
    TChangeColorsEvent OnChangeColorsEvent;
    // After the grid has drawn a data cell, with the cell's record shown to the fields:
    // OnDrawDataCell while the columns are not customised, then OnDrawColumnCell. Canvas() is
    // where the cell was drawn, meanwhile.
    TDrawDataCellEvent OnDrawDataCell;
    TDrawColumnCellEvent OnDrawColumnCell;
    TCanvas* Canvas() const { return FPaintCanvas; }

    // Layer internals.
    bool HandleKey(std::uint16_t key, TShiftState shift);
    bool HandleChar(char c);
    void RowPicked(int row);
    void CommitCell(int row, int column, const std::string& text);
    void ToggleField(int row, int column);
    void DataChanged(int what);
    bool IsBooleanColumn(int column, std::string* trueText = nullptr,
                         std::string* falseText = nullptr) const;
    bool CanEditColumn(int column) const;
    int CurrentRowCached() const;
    // The two drawing events of one painted cell (row and column 0-based).
    void DrawCellEvents(const TRect& rect, int row, int column, TGridDrawState state);

protected:
    // The hooks of the engine's grid. The displayed record is deleted (called while the row's
    // record is shown to the fields); the current record is deleted; restore it.
    virtual bool DisplayedRecordDeleted() { return false; }
    virtual bool CurrentRecordDeleted() { return false; }
    virtual void RestoreCurrentRecord() {}
    // Mask of a date column when none is set ("" = none).
    virtual std::string DateEditMask() { return {}; }
    // Why the text typed into a cell of field would not be stored as it stands ("" when it
    // would): typing it is then refused with that message and the cell stays open with it.
    virtual std::string CellTextProblem(const TField& /*field*/, const std::string& /*text*/) {
        return {};
    }
    void SyncWidget() override;

private:
    struct Impl;
    friend struct Impl;
    void BuildColumns();
    void ResetRows();
    bool EnsureCurrent(int row);
    bool ConfirmRestore();
    struct CachedRow {
        std::vector<std::string> Texts;
        bool Deleted = false;
    };
    const CachedRow* Cached(int row);

    std::unique_ptr<Impl> FImpl;
    std::vector<TColumn> FColumns;
    TRowMap FRows;
    std::vector<std::pair<int, CachedRow>> FCache; // small, most recent last
    TDBGridOptions FOptions = dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines |
                              dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit;
    bool FReadOnly = false;
    TTzBooleanBox FBooleanBox = bbCheckBox;
    int FSelectedIndex = 0;
    int FDepressed = -1;
    bool FDepressDisabled = false;
    bool FColumnsCustomized = false;
    int FFixedColumns = 0;
    TCanvas* FPaintCanvas = nullptr;
    std::string FTitleHint;
};

// Draws a boolean box into a cell (Qt painter in the implementation; exposed for the tests'
// geometry): the square S the marks are drawn in for a cell rectangle.
TRect BooleanBoxSquare(const TRect& cell);
