#pragma once
// Linear dimensions and arrow heads for the charts and drawings: two extension lines, a
// dimension line with filled arrow heads, the nominal text and optional upper and lower
// deviations. Everything is built from the CAD primitives (cadout.h), so it reaches every
// output. Sizes scale with CadScale; dimensions are drawn in colour 3 and leave that colour and
// the deviation text size (2.5 CadScale high) in force.
//
// Texts: t1 the nominal text, t2 the upper and t3 the lower deviation (either may be empty).
// Equal deviations of opposite sign are written as one text "±" + t2.

#include <string_view>

// A filled arrow head with its tip at (xt, yt), opening towards dirDeg with the half angle
// halfDeg, plus a shaft line of length shaft from the tip.
void CadArrowHead(long double xt, long double yt, long double dirDeg, long double halfDeg,
                  long double length, long double shaft);
// The standard arrow: half angle 10 degrees, length and shaft 3.5 CadScale.
void CadArrow(long double x, long double y, long double dirDeg);

// Horizontal dimension line at height y between xa and xb with its texts. A dimension of at
// most 10 CadScale gets its arrow heads outside, pointing inwards; one shorter than its texts
// gets them beside its upper end.
void CadDimLineH(std::string_view t1, std::string_view t2, std::string_view t3, long double xa,
                 long double xb, long double y);
// Vertical dimension line at x between ya and yb, texts turned by 90 degrees.
void CadDimLineV(std::string_view t1, std::string_view t2, std::string_view t3, long double ya,
                 long double yb, long double x);

// Horizontal dimension of the points (x1, y1) and (x2, y2), dimension line at height yd. The
// extension lines run from the points to CadScale beyond the dimension line (the side is taken
// from y1 alone).
void CadDimensionA(std::string_view t1, std::string_view t2, std::string_view t3, long double x1,
                   long double y1, long double x2, long double y2, long double yd);
// Vertical dimension of the two points, dimension line at x = xd; the nominal text from
// *textAt on (y) when given, else as CadDimLineV puts it.
void CadDimensionB(std::string_view t1, std::string_view t2, std::string_view t3, long double x1,
                   long double y1, long double x2, long double y2, long double xd,
                   const long double* textAt = nullptr);
// The length along a dimension line that its texts' characters take (at the current CadScale).
long double CadDimensionTextLength(std::string_view t1, std::string_view t2, std::string_view t3);
// The length along the line that a dimension's texts are given (at the current CadScale): they
// stand in the middle of a dimension at least that long, else beyond its end.
long double CadDimensionTextRun(std::string_view t1, std::string_view t2, std::string_view t3);
