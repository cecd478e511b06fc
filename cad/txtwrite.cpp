#include "cad/txtwrite.h"

#include <algorithm>

#include "cad/cadstate.h"
#include "cad/dxfwrite.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"

int TTxtWriter::Close() {
    if (!sink_) return 0;
    if (InBlock()) EndBlock(); // a definition that was never ended
    Direct();
    TCadBox box = bounds_.Model();
    long double limits[4];
    if (Limits(limits)) {
        box.Add(limits[0], limits[1]);
        box.Add(limits[2], limits[3]);
    }
    Record("MINMAX", {box.XMin, box.YMin, box.XMax, box.YMax});
    if (HasBlocks()) {
        buf_ += "SECTION BLOCKS";
        EndLine();
        CopyPart(Blocks);
    }
    buf_ += "SECTION ENTITIES";
    EndLine();
    CopyPart(Entities);
    buf_ += "EOF";
    EndLine();
    return FinishFile();
}

void TTxtWriter::Real(long double x) {
    const std::size_t at = buf_.size();
    AppendFixed(buf_, x, CadDecimals);
    if (DecimalSign == 2)
        std::replace(buf_.begin() + static_cast<std::ptrdiff_t>(at), buf_.end(), '.', ',');
}

void TTxtWriter::Record(std::string_view name, std::initializer_list<long double> values) {
    if (!sink_ || !Valid(values)) return;
    buf_ += name;
    for (long double v : values) {
        buf_ += '\t';
        Real(v);
    }
    EndLine();
}

void TTxtWriter::BeginBlock(std::string_view name) {
    if (!sink_) return;
    buf_ += "BLOCK\t" + CadFileName1252(DefineBlock(name));
    EndLine();
}

void TTxtWriter::EndBlock() {
    if (!sink_ || !InBlock()) return;
    buf_ += "END OF BLOCK";
    EndLine();
    EndBlockPart();
}

void TTxtWriter::Line(long double x1, long double y1, long double x2, long double y2) {
    if (!sink_ || !Valid({x1, y1, x2, y2})) return;
    bounds_.Line(x1, y1, x2, y2);
    Record("LINE", {x1, y1, x2, y2});
}

void TTxtWriter::Circle(long double x, long double y, long double r) {
    if (!sink_ || !Valid({x, y, r})) return;
    bounds_.Circle(x, y, r);
    Record("CIRCLE", {x, y, r});
}

void TTxtWriter::Arc(long double xc, long double yc, long double startDeg, long double endDeg,
                     long double r) {
    if (IsFullCircle(startDeg, endDeg)) {
        Circle(xc, yc, r);
        return;
    }
    if (!sink_ || !Valid({xc, yc, r, startDeg, endDeg})) return;
    bounds_.Arc(xc, yc, startDeg, endDeg, r);
    Record("ARC", {xc, yc, r, startDeg, endDeg});
}

void TTxtWriter::Text(std::string_view text, long double x, long double y) {
    if (!sink_ || !Valid({x, y})) return;
    const std::string stored = CadFileText(text); // one byte a character
    bounds_.Text(x, y, static_cast<long double>(stored.size()), CadTextHeight, CadTextWidthFactor,
                 CadTextAngle, kTextDescent);
    buf_ += "TEXT\t";
    Real(x);
    buf_ += '\t';
    Real(y);
    buf_ += '\t';
    buf_ += stored;
    EndLine();
}

void TTxtWriter::Solid(long double x1, long double y1, long double x2, long double y2,
                       long double x3, long double y3, long double x4, long double y4) {
    if (!sink_ || !Valid({x1, y1, x2, y2, x3, y3, x4, y4})) return;
    bounds_.Line(x1, y1, x2, y2);
    bounds_.Line(x3, y3, x4, y4);
    Record("SOLID", {x1, y1, x2, y2, x3, y3, x4, y4});
}

void TTxtWriter::Insert(std::string_view name, long double x, long double y, long double angleDeg,
                        long double scaleX, long double scaleY) {
    if (!sink_ || !Valid({x, y, angleDeg, scaleX, scaleY})) return;
    const std::string placed = PlacedName(name);
    // Placed as a reader places it, from the numbers as written.
    bounds_.Insert(placed, AsWritten(x), AsWritten(y), AsWritten(angleDeg), AsWritten(scaleX),
                   AsWritten(scaleY), InsertRounding(scaleX, scaleY));
    buf_ += "INSERT\t" + CadFileName1252(placed);
    for (long double v : {x, y, angleDeg, scaleX, scaleY}) {
        buf_ += '\t';
        Real(v);
    }
    EndLine();
}

void TTxtWriter::SetColour(std::int32_t c) {
    CurrentLayer = LayerNameOf(c);
}
