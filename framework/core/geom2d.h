#pragma once
// Plane geometry in extended precision for the calculation, the CAD layer, the charts and the
// tooth-form construction: 2 x 2 systems, intersections of lines, segments, rays and circles,
// arcs through two points, fillets between two lines and the clipping of a segment to a box.
// Angles are radians; points are given x before y; inputs come first, outputs follow as
// references; routines that can fail return a success flag and leave defined (zero) outputs.

#include "framework/core/maths.h"

// a d - b c
Extended Det2(Extended a, Extended b, Extended c, Extended d);

// a1 x + b1 y = c1, a2 x + b2 y = c2 by Cramer's rule. A determinant of exactly 0 gives
// x = y = 0 and false.
bool Solve2x2(Extended a1, Extended b1, Extended c1, Extended a2, Extended b2, Extended c2,
              Extended& x, Extended& y);

// Intersection of the line through (x1, y1), (x2, y2) with the line through (x3, y3), (x4, y4).
// Parallel lines (directions within 1e-15 rad) give false and the point (x1, y1).
bool LineIntersection(Extended x1, Extended y1, Extended x2, Extended y2, Extended x3, Extended y3,
                      Extended x4, Extended y4, Extended& x, Extended& y);

// v lies in [min(a, b), max(a, b)], or a and b coincide (1e-12) and v is on them.
bool Between(Extended v, Extended a, Extended b);

// Intersection of the segments (x1, y1)-(x2, y2) and (x3, y3)-(x4, y4), end points included.
// Parallel segments meet only when they lie on one line; then the result is the first segment's
// start when it lies within the second segment.
bool SegmentIntersection(Extended x1, Extended y1, Extended x2, Extended y2, Extended x3,
                         Extended y3, Extended x4, Extended y4, Extended& x, Extended& y);

// (px, py) turned counterclockwise about (cx, cy) by angle.
void RotateAndMove(Extended px, Extended py, Extended cx, Extended cy, Extended angle, Extended& x,
                   Extended& y);

// The angle between the sides a and b of a triangle with sides a, b, c; 0 when a or b is 0.
Extended TriangleAngle(Extended a, Extended b, Extended c);

// Centre (cx, cy) and radius r of the arc from point 1 to point 2 with the included angle dphi
// (positive counterclockwise), with the start and end angles of that arc run counterclockwise.
// An included angle whose half sine is 0 (a straight line) or two equal points report a message
// and give false with the centre at the midpoint, r = 0 and both angles 0: callers must not draw
// that arc.
bool GetArcCenter(Extended x1, Extended y1, Extended x2, Extended y2, Extended dphi, Extended& cx,
                  Extended& cy, Extended& start, Extended& r, Extended& end);

// Roots of a x^2 + b x + c: x1 = (-b + sqrt(D)) / 2a, x2 = (-b - sqrt(D)) / 2a. A negative
// discriminant gives x1 = x2 = 0 and noRoots. a = 0 is solved as the linear equation.
void QuadraticRoots(Extended a, Extended b, Extended c, Extended& x1, Extended& x2, bool& noRoots);

// Intersections of the circle (cx, cy, r) with the line through (x1, y1), (x2, y2). A tangent
// gives two equal points; no intersection gives zeros (x outputs keep x1 on a vertical line).
void CircleLineIntersection(Extended cx, Extended cy, Extended r, Extended x1, Extended y1,
                            Extended x2, Extended y2, Extended& ix1, Extended& iy1, Extended& ix2,
                            Extended& iy2, bool& noIntersection);

// Intersection of the line through (x1, y1) with direction a1 and the line through (x2, y2)
// with direction a2. Parallel lines give false and the point (x1, y1).
bool RayIntersection(Extended x1, Extended y1, Extended a1, Extended x2, Extended y2, Extended a2,
                     Extended& x, Extended& y);

// xmin <= x <= xmax and ymin <= y <= ymax.
bool BoxOverlap(Extended x, Extended y, Extended xmin, Extended ymin, Extended xmax, Extended ymax);

// The first intersection of the segment with a side of the box (bottom, right, top, left);
// false when there is none.
bool SegmentBoxIntersection(Extended x1, Extended y1, Extended x2, Extended y2, Extended xmin,
                            Extended ymin, Extended xmax, Extended ymax, Extended& x, Extended& y);

// Clips the segment to the box: ends outside are moved onto the border. A segment that crosses
// the box with both ends outside keeps its inner part. False (and all four coordinates 0) when
// no part of the segment lies in the box.
bool ClipSegmentToBox(Extended& x1, Extended& y1, Extended& x2, Extended& y2, Extended xmin,
                      Extended ymin, Extended xmax, Extended ymax);

// The arc of radius r tangent to line 1 (through (x1, y1), direction a1) and line 2 (through
// (x2, y2), direction a2): centre, tangent points on line 1 and line 2 and the sweep from the
// first tangent point to the second. False (all outputs 0) when the lines are parallel.
bool FilletArc(Extended x1, Extended y1, Extended a1, Extended x2, Extended y2, Extended a2,
               Extended r, Extended& cx, Extended& cy, Extended& t1x, Extended& t1y, Extended& t2x,
               Extended& t2y, Extended& sweep);

// a + pi, less 2 pi when above 2 pi.
Extended OppositeAngle(Extended a);

// The fillet of radius r in the corner at (x0, y0) between the rays that leave it with the
// directions a1 and a2 (the centre lies inside that angle); the first tangent point lies on ray
// a1, the second on ray a2; the sweep is made non-negative (0 <= sweep < 2 pi).
bool CornerFillet(Extended x0, Extended y0, Extended a1, Extended a2, Extended r, Extended& cx,
                  Extended& cy, Extended& t1x, Extended& t1y, Extended& t2x, Extended& t2y,
                  Extended& sweep);
