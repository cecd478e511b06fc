#include "cad/txtwrite.h"

#include <algorithm>

#include "cad/cadstate.h"
#include "cad/dxfwrite.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"

int TTxtWriter::Close() {
    if (!sink_) return 0;
    buf_ += "EOF";
    EndLine();
    return Finish();
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

void TTxtWriter::BeginDrawing(long double xmin, long double ymin, long double xmax,
                              long double ymax) {
    Record("MINMAX", {xmin, ymin, xmax, ymax});
}

void TTxtWriter::BeginBlocksSection() {
    if (!sink_) return;
    buf_ += "SECTION BLOCKS";
    EndLine();
}

void TTxtWriter::BeginBlock(std::string_view name) {
    if (!sink_) return;
    buf_ += "BLOCK\t" + CadFileName1252(name);
    EndLine();
}

void TTxtWriter::EndBlock() {
    if (!sink_) return;
    buf_ += "END OF BLOCK";
    EndLine();
}

void TTxtWriter::BeginEntities() {
    if (!sink_) return;
    buf_ += "SECTION ENTITIES";
    EndLine();
}

void TTxtWriter::Line(long double x1, long double y1, long double x2, long double y2) {
    Record("LINE", {x1, y1, x2, y2});
}

void TTxtWriter::Circle(long double x, long double y, long double r) {
    Record("CIRCLE", {x, y, r});
}

void TTxtWriter::Arc(long double xc, long double yc, long double startDeg, long double endDeg,
                     long double r) {
    if (IsFullCircle(startDeg, endDeg))
        Circle(xc, yc, r);
    else
        Record("ARC", {xc, yc, r, startDeg, endDeg});
}

void TTxtWriter::Text(std::string_view text, long double x, long double y) {
    if (!sink_ || !Valid({x, y})) return;
    buf_ += "TEXT\t";
    Real(x);
    buf_ += '\t';
    Real(y);
    buf_ += '\t';
    buf_ += CadFileText(text);
    EndLine();
}

void TTxtWriter::Solid(long double x1, long double y1, long double x2, long double y2,
                       long double x3, long double y3, long double x4, long double y4) {
    Record("SOLID", {x1, y1, x2, y2, x3, y3, x4, y4});
}

void TTxtWriter::Insert(std::string_view name, long double x, long double y, long double angleDeg,
                        long double scaleX, long double scaleY) {
    if (!sink_ || !Valid({x, y, angleDeg, scaleX, scaleY})) return;
    buf_ += "INSERT\t" + CadFileName1252(name);
    for (long double v : {x, y, angleDeg, scaleX, scaleY}) {
        buf_ += '\t';
        Real(v);
    }
    EndLine();
}

void TTxtWriter::SetColour(std::int32_t c) {
    CurrentLayer = LayerNameOf(c);
}
