#include "cad/drawing_table.h"

#include "cad/cadout.h"

namespace {

void SetCells(TDrawingTable& table, std::initializer_list<std::string_view> texts) {
    int k = 1;
    for (const std::string_view t : texts) {
        if (k > TableColumnMax) break;
        table.Cells[k++] = t;
    }
    for (; k <= TableColumnMax; ++k)
        table.Cells[k] = "";
}

// The cells of the current row, each within its column; where no rule parts the columns (the
// header row) a text may also take the empty cells after it.
void WriteCells(TDrawingTable& table, bool ruled) {
    CadSetColour(18);
    for (int i = 1; i < table.EdgeCount; ++i) {
        int end = i;
        while (!ruled && end + 1 < table.EdgeCount && table.Cells[end + 1].str().empty())
            ++end;
        CadTextWithin(" " + table.Cells[i].str(), table.ColumnX[i - 1], table.TextY,
                      table.ColumnX[end] - table.ColumnX[i - 1]);
    }
    table.RuleY -= table.RowHeight;
    table.TextY -= table.RowHeight;
}

} // namespace

std::unique_ptr<TDrawingTable> TableBegin(long double x0, long double y0, long double h,
                                          std::initializer_list<long double> widths,
                                          std::initializer_list<std::string_view> texts) {
    auto table = std::make_unique<TDrawingTable>();
    TDrawingTable& t = *table;
    SetCells(t, texts);
    t.ColumnX[0] = x0;
    auto w = widths.begin();
    for (int k = 1; k <= TableColumnMax; ++k) {
        const long double width = w != widths.end() ? *w++ : 0;
        t.ColumnX[k] = t.ColumnX[k - 1] + h * width * 0.9L;
    }
    t.TextHeight = h;
    t.RowHeight = 2 * h;
    t.TopY = y0;
    t.RuleY = y0 - 2 * h;
    t.TextY = y0 - 1.5L * h;
    int k = 1;
    while (k <= TableColumnMax && t.ColumnX[k] != t.ColumnX[k - 1])
        ++k;
    t.EdgeCount = k;
    t.HorizontalRules = true;
    t.VerticalRules = true;

    const long double right = t.ColumnX[t.EdgeCount - 1];
    CadSetColour(17);
    CadRectangle(x0, y0, right, y0 - 2 * h);
    CadLine(x0, y0, x0, y0 - 2 * h);
    CadLine(right, y0, right, y0 - 2 * h);
    CadSetTextSize(2, 0, h, 0.75L * h);
    WriteCells(t, false);
    return table;
}

void TableWriteRow(TDrawingTable& table) {
    WriteCells(table, table.VerticalRules);
}

void TableRow(TDrawingTable& table, std::initializer_list<std::string_view> texts) {
    SetCells(table, texts);
    CadSetColour(17);
    const long double right = table.ColumnX[table.EdgeCount - 1];
    if (table.HorizontalRules) CadLine(table.ColumnX[0], table.RuleY, right, table.RuleY);
    for (int i = 1; i <= table.EdgeCount; ++i)
        if (table.VerticalRules || i == 1 || i == table.EdgeCount)
            CadLine(table.ColumnX[i - 1], table.RuleY + table.RowHeight, table.ColumnX[i - 1],
                    table.RuleY);
    TableWriteRow(table);
}

void DrawParallelLines(std::int32_t n, double x, double y, double length, double spacing) {
    for (std::int32_t i = 1; i <= n; ++i)
        CadLine(x, y - i * spacing, x + length, y - i * spacing);
}
