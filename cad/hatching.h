#pragma once
// Hatching of section views, with qsort2 (the small sort that orders the crossings of one hatch
// line) and the freehand break line.
//
// A caller clears the polygon buffer, adds the outline of the cut area (its own points and
// those of FreehandLine), hatches with n = 0 and clears the buffer again. The outline is drawn
// in colour 5, the hatch lines in colour 3, all through the CAD primitives (cadout.h).
//
// Failures go to the message list: too many vertices ("Schraffurfehler" on adding, "Fatal  : n
// schraff !" on hatching), fewer than three vertices, a spacing below 0, an angle outside (-90, 90)
// or a spacing so fine that the lines could not be told apart (nothing is hatched then); more than
// ten crossings on one hatch line ("Fatal  : schraff schnittp") also sets AbortFlag and ends the
// hatching.

#include <cstdint>

#include "framework/core/fixedtypes.h"

struct THatchVertex {
    long double X = 0;
    long double Y = 0;
};

constexpr int HatchVertexMax = 100;
// The polygon buffer, with one slot beyond the last vertex for the closing vertex that Hatch
// adds to an open polygon.
extern RangeArray<THatchVertex, 1, HatchVertexMax + 1> HatchVertices;
// Vertices added since HatchClear; stays above HatchVertexMax once too many were added.
extern std::uint16_t HatchCount;
// The most hatch lines one polygon gets; a finer spacing is refused.
constexpr int HatchLineMax = 10000;

void HatchClear();
// Appends a vertex; beyond HatchVertexMax the point is refused with "Schraffurfehler".
void HatchAddPoint(long double x, long double y);
// Hatches the first n vertices of the buffer (n = 0: HatchCount) with lines spacing apart
// (measured across them; 0 chooses a tenth of the polygon's extent across the lines) at
// angleDeg. An open polygon is closed by a copy of its first vertex. Angle 0 draws the outline
// only.
void Hatch(int n, long double spacing, long double angleDeg);
// Hatches the axis-parallel rectangle; spacing 0 becomes the larger side / 5, rounded. The
// rectangle goes into the first four buffer slots; HatchCount stays.
void HatchRectangle(long double x1, long double y1, long double x2, long double y2,
                    long double spacing, long double angleDeg);

// qsort2: sorts keys[1..n] (n at most 10) ascending and permutes index alongside; index is set
// to 1..10 first. n above 10: "Fatal  : QSORT2 error", AbortFlag, nothing sorted.
constexpr int QSort2Max = 10;
using TSortKeys = RangeArray<double, 1, QSort2Max>;
using TSortIndex = RangeArray<int, 1, QSort2Max>;
void QSort2(TSortKeys& keys, TSortIndex& index, int n);

// A wavy break line of six pieces from (x1, y1) to (x2, y2); its five inner points lie off the
// straight line by less than 2 amplitude. The waves are drawn from a generator seeded by the
// line's own values, so the same drawing gives the same file every time. With addToHatch
// every point also goes into the polygon buffer.
void FreehandLine(bool addToHatch, long double x1, long double y1, long double x2, long double y2,
                  long double amplitude);
