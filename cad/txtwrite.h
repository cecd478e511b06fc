#pragma once
// txtwrite: the writer of CAD code 5, the TXT drawing format: one record per line, the record
// name and its values separated by tabs, CR LF. It carries the extents, named blocks with their
// entities, the entities and the block inserts; no layers, colours, line types or text sizes:
//   MINMAX xmin ymin xmax ymax | SECTION BLOCKS | BLOCK name | END OF BLOCK | SECTION ENTITIES
//   LINE x1 y1 x2 y2 | CIRCLE x y r | ARC xc yc r start end | TEXT x y text
//   SOLID x1 y1 x2 y2 x3 y3 x4 y4 | INSERT name x y angle sx sy | EOF
// Reals have CadDecimals decimals, with a comma when DecimalSign is 2. Texts and names hold no
// tab or other control character (written as blanks), so every record keeps its fields.
//
// The file holds each record kind's section once (sectionwrite.h): MINMAX first, enclosing the
// limits of every drawing begun in the output and everything drawn (inserts as their blocks
// place them, texts by their characters at the text size with their descenders), then SECTION
// BLOCKS with every block (a name the file already holds gets a suffix, as in DXF), SECTION
// ENTITIES with every entity, EOF.

#include <memory>
#include <string>
#include <string_view>

#include "cad/sectionwrite.h"

class TTxtWriter : public TSectionWriter {
public:
    std::string Extension() const override { return "txt"; }
    int Close() override;

    void BeginBlock(std::string_view name) override;
    void EndBlock() override;

    void Line(long double x1, long double y1, long double x2, long double y2) override;
    void Circle(long double x, long double y, long double r) override;
    // A full circle is written as CIRCLE.
    void Arc(long double xc, long double yc, long double startDeg, long double endDeg,
             long double r) override;
    void Text(std::string_view text, long double x, long double y) override;
    void Solid(long double x1, long double y1, long double x2, long double y2, long double x3,
               long double y3, long double x4, long double y4) override;
    void Insert(std::string_view name, long double x, long double y, long double angleDeg,
                long double scaleX, long double scaleY) override;
    // Sets CurrentLayer as the DXF writer does; writes nothing.
    void SetColour(std::int32_t c) override;

private:
    void Record(std::string_view name, std::initializer_list<long double> values);
    void Real(long double x);
};
