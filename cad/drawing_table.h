#pragma once
// The drawing-table writer: data tables on drawings (a header row and rows of up to seven text
// cells framed by rules), drawn row by row through the CAD primitives (cadout.h) so the same
// table reaches the screen and every CAD file. Also DrawParallelLines, the ruled lines of the
// frames' revision block.
//
// Geometry, with text height h: column k ends at x[k] = x[k-1] + h x width k x 0.9; the header
// occupies y0 down to y0 - 2h, data row r the band y0 - 2rh down to y0 - 2(r+1)h, its texts
// 1.5h below the band's top. Rules are drawn in colour 17, texts in colour 18. A text wider
// than its cell is fitted into it (CadTextWithin); in the header row, which has no inner
// rules, a text may also take the empty cells after it.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "framework/core/fixedtypes.h"

constexpr int TableColumnMax = 7;
constexpr int TableCellCapacity = 80;

class TDrawingTable {
public:
    RangeArray<long double, 0, TableColumnMax> ColumnX;
    long double TopY = 0;
    long double RuleY = 0; // the rule under the current row
    long double TextY = 0; // baseline of the current row's texts
    RangeArray<ShortString<TableCellCapacity>, 1, TableColumnMax> Cells;
    long double TextHeight = 0;
    long double RowHeight = 0;
    // Column edges in use: x[0] up to the first x equal to its predecessor (at most 8); a row
    // has EdgeCount - 1 cells.
    std::int32_t EdgeCount = 0;
    bool HorizontalRules = true; // the rule under each row
    bool VerticalRules = true;   // every column edge; when false only the two outer ones
};

// Frames the header row and writes its texts. Widths are in units of 0.9 h; a width of 0 ends
// the columns (further widths and texts are not used, nor more than seven).
std::unique_ptr<TDrawingTable> TableBegin(long double x0, long double y0, long double h,
                                          std::initializer_list<long double> widths,
                                          std::initializer_list<std::string_view> texts);
// Adds a row of up to seven cells (missing cells are empty).
void TableRow(TDrawingTable& table, std::initializer_list<std::string_view> texts);
// Writes the current cells (an empty cell as one blank) and steps down one row.
void TableWriteRow(TDrawingTable& table);

// n horizontal lines from x to x + length at the heights y - i x spacing, i = 1..n, in the
// colour in force.
void DrawParallelLines(std::int32_t n, double x, double y, double length, double spacing);
