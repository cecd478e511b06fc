#pragma once
// String grid and draw grid: a table of cells with fixed (title) rows and columns at the top and
// left, a current cell, per-column widths and per-row heights, and owner drawing through
// OnDrawCell on the grid's Canvas. With goEditing a cell opens for editing by Enter, F2, a
// double-click or the first key typed on it (which replaces its text); with goTabs Tab and
// Shift+Tab go from cell to cell, also out of the editor.

#include "platform/gui/controls.h"

#include <functional>
#include <string>
#include <vector>

enum TGridOption : unsigned {
    goFixedVertLine = 1,
    goFixedHorzLine = 2,
    goVertLine = 4,
    goHorzLine = 8,
    goRangeSelect = 16,
    goDrawFocusSelected = 32,
    goRowSizing = 64,
    goColSizing = 128,
    goEditing = 256,
    goTabs = 512,
    goRowSelect = 1024,
    goAlwaysShowEditor = 2048,
    goThumbTracking = 4096
};
using TGridOptions = unsigned;

enum TGridDrawFlag : unsigned { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = unsigned;

using TSelectCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;
using TDrawCellEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TSetEditEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, const std::string& Value)>;

class TDrawGrid : public TWinControl {
public:
    explicit TDrawGrid(TComponent* AOwner);
    ~TDrawGrid() override;

    int ColCount() const { return FColCount; }
    int RowCount() const { return FRowCount; }
    virtual void SetColCount(int n);
    virtual void SetRowCount(int n);
    int FixedCols() const { return FFixedCols; }
    int FixedRows() const { return FFixedRows; }
    void SetFixedCols(int n);
    void SetFixedRows(int n);

    int DefaultColWidth() const { return FDefaultColWidth; }
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultColWidth(int w);
    void SetDefaultRowHeight(int h);
    // Checked: an index outside the grid throws std::out_of_range.
    int ColWidths(int col) const;
    void SetColWidths(int col, int w);
    int RowHeights(int row) const;
    void SetRowHeights(int row, int h);
    // The most characters the cells of a column take (0: no limit): typing stops there, as in
    // an edit with a MaxLength.
    int ColMaxLength(int col) const;
    void SetColMaxLength(int col, int n);

    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions o);
    TColor FixedColor = clBtnFace;
    bool DefaultDrawing = true;

    // The current cell. Setting it from code asks OnSelectCell too; a refusal keeps the old cell.
    int Col() const { return FCol; }
    int Row() const { return FRow; }
    void SetCol(int c) { SelectCell(c, FRow); }
    void SetRow(int r) { SelectCell(FCol, r); }
    bool SelectCell(int col, int row);
    int TopRow() const { return FTopRow; }
    int LeftCol() const { return FLeftCol; }
    void SetTopRow(int r);
    void SetLeftCol(int c);

    // Cell rectangle in client pixels (as if no scrolling beyond LeftCol/TopRow), and the cell
    // under a client point (-1, -1 outside the cells).
    TRect CellRect(int col, int row) const;
    void MouseToCell(int x, int y, int& col, int& row) const;

    // The canvas OnDrawCell draws on; valid only while OnDrawCell runs (nullptr otherwise).
    TCanvas* Canvas() const { return FPaintCanvas; }

    TSelectCellEvent OnSelectCell;
    TDrawCellEvent OnDrawCell;
    TSetEditEvent OnSetEditText;

    // What a person does: click a cell (mouse down, selection, mouse up, click), or double-click.
    void ClickCell(int col, int row);
    void DblClickCell(int col, int row);

    // Layer internals.
    void DoMouseDown(TMouseButton b, TShiftState s, int x, int y) override;
    void DoDblClick() override;
    // Draws every cell on the canvas (default drawing, then OnDrawCell).
    void PaintCells(TCanvas& canvas);
    virtual std::string CellText(int, int) const { return {}; }
    virtual void CellEdited(int col, int row, const std::string& value);
    // Moves the current cell by a key (arrows, page keys, Home/End); true when handled.
    bool NavigateKey(std::uint16_t key);
    // Tab (forward) or Shift+Tab with goTabs: the next cell to the right, then the next row's
    // first; false, and nothing moves, past the first or last cell (the key then leaves the
    // grid).
    bool TabCell(bool forward);
    bool CanFocus() const override { return true; }
    // An editable grid opens its current cell by Enter (an open cell ends with it).
    bool WantsReturn() const override { return (FOptions & goEditing) && Enabled(); }

protected:
    void SyncWidget() override;
    void GridChanged();
    void CheckCell(int col, int row) const;
    TCanvas* FPaintCanvas = nullptr;
    int FLastMouseCol = -1, FLastMouseRow = -1;

private:
    int FColCount = 5, FRowCount = 5, FFixedCols = 1, FFixedRows = 1;
    int FDefaultColWidth = 64, FDefaultRowHeight = 24;
    std::vector<int> FColWidths, FRowHeights;
    std::vector<int> FColMaxLength; // by column; missing entries are 0
    TGridOptions FOptions =
        goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;
    int FCol = 1, FRow = 1, FTopRow = 1, FLeftCol = 1;
};

class TStringGrid : public TDrawGrid {
public:
    explicit TStringGrid(TComponent* AOwner);
    // Checked: a cell outside the grid throws std::out_of_range.
    const std::string& Cells(int col, int row) const;
    void SetCells(int col, int row, std::string_view s);
    void SetColCount(int n) override;
    void SetRowCount(int n) override;
    // What a person does: select a cell and type into it (goEditing only); fires
    // OnSetEditText. Returns whether the text was taken.
    bool TypeCell(int col, int row, std::string_view s);

    std::string CellText(int col, int row) const override { return Cells(col, row); }
    void CellEdited(int col, int row, const std::string& value) override;

private:
    void Resize();
    std::vector<std::vector<std::string>> FCells; // [row][col]
};
