#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "framework/core/errorlist.h"
#include "framework/core/geom2d.h"
#include "framework/core/globals.h"

namespace {

constexpr long double kTol = 1e-15L;

// Distance of point (px, py) from the line through (x, y) with direction a.
long double LineDistance(long double px, long double py, long double x, long double y,
                         long double a) {
    return std::fabs(std::cos(a) * (py - y) - std::sin(a) * (px - x));
}

TEST(Geom2d, Solve2x2AndDeterminant) {
    EXPECT_EQ(Det2(1, 2, 3, 4), -2.0L);
    long double x = 9, y = 9;
    ASSERT_TRUE(Solve2x2(2, 1, 5, 1, -1, 1, x, y)); // 2x + y = 5, x - y = 1
    EXPECT_NEAR(x, 2.0L, kTol);
    EXPECT_NEAR(y, 1.0L, kTol);
    x = y = 9;
    EXPECT_FALSE(Solve2x2(1, 2, 3, 2, 4, 6, x, y));
    EXPECT_EQ(x, 0.0L);
    EXPECT_EQ(y, 0.0L);
}

TEST(Geom2d, LineIntersection) {
    long double x = 0, y = 0;
    ASSERT_TRUE(LineIntersection(0, 0, 2, 2, 0, 2, 2, 0, x, y));
    EXPECT_NEAR(x, 1.0L, kTol);
    EXPECT_NEAR(y, 1.0L, kTol);
    // Parallel lines: false and the first point.
    EXPECT_FALSE(LineIntersection(3, 4, 5, 4, 0, 0, 1, 0, x, y));
    EXPECT_EQ(x, 3.0L);
    EXPECT_EQ(y, 4.0L);
}

TEST(Geom2d, BetweenIncludesBoundsAndDegenerateRanges) {
    EXPECT_TRUE(Between(1, 1, 2));
    EXPECT_TRUE(Between(2, 3, 2));
    EXPECT_FALSE(Between(3.0001L, 1, 3));
    // A range of zero width accepts a value within 1e-12 of it.
    EXPECT_TRUE(Between(5 + 5e-13L, 5, 5));
    EXPECT_FALSE(Between(5 + 5e-12L, 5, 5));
}

TEST(Geom2d, SegmentIntersection) {
    long double x = 0, y = 0;
    // Crossing.
    ASSERT_TRUE(SegmentIntersection(0, 0, 4, 4, 0, 4, 4, 0, x, y));
    EXPECT_NEAR(x, 2.0L, kTol);
    EXPECT_NEAR(y, 2.0L, kTol);
    // Meeting at an end point: bounds are inclusive.
    EXPECT_TRUE(SegmentIntersection(0, 0, 1, 1, 1, 1, 2, 0, x, y));
    EXPECT_NEAR(x, 1.0L, kTol);
    // The lines cross outside the second segment.
    EXPECT_FALSE(SegmentIntersection(0, 0, 1, 1, 3, 0, 4, -1, x, y));
    // Vertical segment against a horizontal one (zero-width ranges).
    EXPECT_TRUE(SegmentIntersection(1, -1, 1, 1, 0, 0, 2, 0, x, y));
    EXPECT_NEAR(x, 1.0L, kTol);
    EXPECT_NEAR(y, 0.0L, kTol);
    // Collinear, disjoint.
    EXPECT_FALSE(SegmentIntersection(0, 0, 1, 0, 2, 0, 3, 0, x, y));
    // Collinear, the first start inside the second segment.
    EXPECT_TRUE(SegmentIntersection(2.5L, 0, 5, 0, 2, 0, 3, 0, x, y));
    EXPECT_EQ(x, 2.5L);
    // Distinct parallel lines never meet, even when the first start lies in the second
    // segment's bounding box.
    EXPECT_FALSE(SegmentIntersection(0.5L, 0.6L, 1.5L, 1.6L, 0, 0.5L, 1, 1.5L, x, y));
}

TEST(Geom2d, RotateAndMoveAndTriangleAngle) {
    long double x = 0, y = 0;
    RotateAndMove(2, 1, 1, 1, HalfPi, x, y);
    EXPECT_NEAR(x, 1.0L, kTol);
    EXPECT_NEAR(y, 2.0L, kTol);
    EXPECT_NEAR(TriangleAngle(3, 4, 5), HalfPi, kTol);
    EXPECT_NEAR(TriangleAngle(1, 1, 1), Pi / 3, 1e-14L);
    EXPECT_EQ(TriangleAngle(0, 4, 5), 0.0L);
}

TEST(Geom2d, GetArcCenter) {
    long double cx, cy, st, r, en;
    // Quarter circle counterclockwise from (1, 0) to (0, 1) about the origin.
    ASSERT_TRUE(GetArcCenter(1, 0, 0, 1, HalfPi, cx, cy, st, r, en));
    EXPECT_NEAR(cx, 0.0L, kTol);
    EXPECT_NEAR(cy, 0.0L, kTol);
    EXPECT_NEAR(r, 1.0L, kTol);
    EXPECT_NEAR(st, 0.0L, kTol);
    EXPECT_NEAR(en, HalfPi, kTol);
    // Clockwise from (0, 1) to (1, 0): the same arc, start and end exchanged.
    ASSERT_TRUE(GetArcCenter(0, 1, 1, 0, -HalfPi, cx, cy, st, r, en));
    EXPECT_NEAR(cx, 0.0L, kTol);
    EXPECT_NEAR(cy, 0.0L, kTol);
    EXPECT_NEAR(st, 0.0L, kTol);
    EXPECT_NEAR(en, HalfPi, kTol);
    // Half circle: centre at the midpoint, r half the chord.
    ASSERT_TRUE(GetArcCenter(0, 0, 4, 2, Pi, cx, cy, st, r, en));
    EXPECT_NEAR(cx, 2.0L, 1e-14L);
    EXPECT_NEAR(cy, 1.0L, 1e-14L);
    EXPECT_NEAR(r, std::sqrt(5.0L), 1e-14L);
}

TEST(Geom2d, GetArcCenterFailureIsReportedWithDefinedOutputs) {
    ClearErrors();
    long double cx = 7, cy = 7, st = 7, r = 7, en = 7;
    EXPECT_FALSE(GetArcCenter(0, 0, 2, 4, 0, cx, cy, st, r, en));
    EXPECT_EQ(cx, 1.0L);
    EXPECT_EQ(cy, 2.0L);
    EXPECT_EQ(r, 0.0L);
    EXPECT_EQ(st, 0.0L);
    EXPECT_EQ(en, 0.0L);
    ASSERT_EQ(ErrorCount, 1);
    EXPECT_EQ(std::string(ErrorList[1]), "Fehler in GetArcCenter (dphi = 0 ! ");
    // Two equal points.
    EXPECT_FALSE(GetArcCenter(3, 3, 3, 3, 1, cx, cy, st, r, en));
    EXPECT_EQ(cx, 3.0L);
    EXPECT_EQ(r, 0.0L);
    ASSERT_EQ(ErrorCount, 2);
    EXPECT_EQ(std::string(ErrorList[2]), "GetArcCenter l12=0");
    ClearErrors();
}

TEST(Geom2d, QuadraticRoots) {
    long double x1, x2;
    bool none = true;
    QuadraticRoots(1, -3, 2, x1, x2, none);
    EXPECT_FALSE(none);
    EXPECT_NEAR(x1, 2.0L, kTol);
    EXPECT_NEAR(x2, 1.0L, kTol);
    QuadraticRoots(1, 0, 1, x1, x2, none);
    EXPECT_TRUE(none);
    EXPECT_EQ(x1, 0.0L);
    EXPECT_EQ(x2, 0.0L);
    QuadraticRoots(0, 2, -4, x1, x2, none); // degenerate: the linear root
    EXPECT_FALSE(none);
    EXPECT_EQ(x1, 2.0L);
}

TEST(Geom2d, CircleLineIntersection) {
    long double ix1, iy1, ix2, iy2;
    bool none = true;
    CircleLineIntersection(0, 0, 1, -2, 0.5L, 2, 0.5L, ix1, iy1, ix2, iy2, none);
    ASSERT_FALSE(none);
    EXPECT_NEAR(ix1, std::sqrt(0.75L), 1e-15L);
    EXPECT_NEAR(ix2, -std::sqrt(0.75L), 1e-15L);
    EXPECT_NEAR(iy1, 0.5L, kTol);
    // Vertical tangent: two equal points.
    CircleLineIntersection(2, 3, 1, 3, 0, 3, 1, ix1, iy1, ix2, iy2, none);
    ASSERT_FALSE(none);
    EXPECT_EQ(ix1, 3.0L);
    EXPECT_EQ(iy1, 3.0L);
    EXPECT_EQ(iy2, 3.0L);
    // Horizontal tangent.
    CircleLineIntersection(0, 0, 2, -1, 2, 1, 2, ix1, iy1, ix2, iy2, none);
    ASSERT_FALSE(none);
    EXPECT_NEAR(ix1, 0.0L, 1e-15L);
    EXPECT_NEAR(ix2, 0.0L, 1e-15L);
    EXPECT_NEAR(iy1, 2.0L, 1e-15L);
    // Slanted line y = x through the circle of radius sqrt 2 about the origin: (1, 1), (-1, -1).
    CircleLineIntersection(0, 0, std::sqrt(2.0L), 0, 0, 1, 1, ix1, iy1, ix2, iy2, none);
    ASSERT_FALSE(none);
    EXPECT_NEAR(ix1, 1.0L, 1e-15L);
    EXPECT_NEAR(iy1, 1.0L, 1e-15L);
    EXPECT_NEAR(ix2, -1.0L, 1e-15L);
    // A line that misses.
    CircleLineIntersection(0, 0, 1, -2, 5, 2, 5, ix1, iy1, ix2, iy2, none);
    EXPECT_TRUE(none);
    EXPECT_EQ(iy1, 0.0L);
    EXPECT_EQ(ix2, 0.0L);
}

TEST(Geom2d, RayIntersectionAndBox) {
    long double x = 5, y = 5;
    ASSERT_TRUE(RayIntersection(0, 0, Pi / 4, 4, 0, 3 * Pi / 4, x, y));
    EXPECT_NEAR(x, 2.0L, 1e-14L);
    EXPECT_NEAR(y, 2.0L, 1e-14L);
    EXPECT_FALSE(RayIntersection(0, 0, 0, 0, 1, Pi, x, y));
    EXPECT_TRUE(BoxOverlap(0, 0, 0, 0, 1, 1));
    EXPECT_TRUE(BoxOverlap(1, 1, 0, 0, 1, 1));
    EXPECT_FALSE(BoxOverlap(1.0001L, 0.5L, 0, 0, 1, 1));
    ASSERT_TRUE(SegmentBoxIntersection(0.5L, 0.5L, 0.5L, 3, 0, 0, 1, 1, x, y));
    EXPECT_NEAR(x, 0.5L, kTol);
    EXPECT_NEAR(y, 1.0L, kTol);
    EXPECT_FALSE(SegmentBoxIntersection(0.2L, 0.2L, 0.8L, 0.8L, 0, 0, 1, 1, x, y));
}

TEST(Geom2d, ClipSegmentToBox) {
    long double x1 = 1, y1 = 1, x2 = 2, y2 = 3;
    EXPECT_TRUE(ClipSegmentToBox(x1, y1, x2, y2, 0, 0, 4, 4));
    EXPECT_EQ(x1, 1.0L);
    EXPECT_EQ(y2, 3.0L);
    // One end outside: moved onto the border.
    x1 = 1, y1 = 1, x2 = 7, y2 = 1;
    EXPECT_TRUE(ClipSegmentToBox(x1, y1, x2, y2, 0, 0, 4, 4));
    EXPECT_EQ(x1, 1.0L);
    EXPECT_NEAR(x2, 4.0L, kTol);
    EXPECT_NEAR(y2, 1.0L, kTol);
    x1 = -2, y1 = -2, x2 = 2, y2 = 2;
    EXPECT_TRUE(ClipSegmentToBox(x1, y1, x2, y2, 0, 0, 4, 4));
    EXPECT_NEAR(x1, 0.0L, kTol);
    EXPECT_NEAR(y1, 0.0L, kTol);
    EXPECT_EQ(x2, 2.0L);
    // Both ends outside, crossing the whole box: both ends clipped.
    x1 = -1, y1 = 2, x2 = 6, y2 = 2;
    EXPECT_TRUE(ClipSegmentToBox(x1, y1, x2, y2, 0, 0, 4, 4));
    EXPECT_NEAR(x1, 0.0L, kTol);
    EXPECT_NEAR(y1, 2.0L, kTol);
    EXPECT_NEAR(x2, 4.0L, kTol);
    EXPECT_NEAR(y2, 2.0L, kTol);
    // Diagonal through the box, backwards.
    x1 = 5, y1 = 6, x2 = -1, y2 = 0;
    EXPECT_TRUE(ClipSegmentToBox(x1, y1, x2, y2, 0, 0, 4, 4));
    EXPECT_NEAR(x1, 3.0L, kTol);
    EXPECT_NEAR(y1, 4.0L, kTol);
    EXPECT_NEAR(x2, 0.0L, kTol);
    EXPECT_NEAR(y2, 1.0L, kTol);
    // Both ends outside, missing the box.
    x1 = -1, y1 = 5, x2 = 5, y2 = 11;
    EXPECT_FALSE(ClipSegmentToBox(x1, y1, x2, y2, 0, 0, 4, 4));
    EXPECT_EQ(x1, 0.0L);
    EXPECT_EQ(y1, 0.0L);
    EXPECT_EQ(x2, 0.0L);
    EXPECT_EQ(y2, 0.0L);
}

// The fillet must touch both lines: centre at distance r from each line, tangent points on
// the lines and at distance r from the centre.
void ExpectTangentFillet(long double x1, long double y1, long double a1, long double x2,
                         long double y2, long double a2, long double r, long double cx,
                         long double cy, long double t1x, long double t1y, long double t2x,
                         long double t2y) {
    EXPECT_NEAR(LineDistance(cx, cy, x1, y1, a1), r, 1e-14L);
    EXPECT_NEAR(LineDistance(cx, cy, x2, y2, a2), r, 1e-14L);
    EXPECT_NEAR(LineDistance(t1x, t1y, x1, y1, a1), 0.0L, 1e-14L);
    EXPECT_NEAR(LineDistance(t2x, t2y, x2, y2, a2), 0.0L, 1e-14L);
    EXPECT_NEAR(std::hypot(t1x - cx, t1y - cy), r, 1e-14L);
    EXPECT_NEAR(std::hypot(t2x - cx, t2y - cy), r, 1e-14L);
}

TEST(Geom2d, CornerFilletBetweenRaysLeavingTheCorner) {
    long double cx, cy, t1x, t1y, t2x, t2y, sweep;
    const long double r = 0.5L;
    // Rays +x and +y from (1, 2): the fillet centre lies in that quadrant.
    ASSERT_TRUE(CornerFillet(1, 2, 0, HalfPi, r, cx, cy, t1x, t1y, t2x, t2y, sweep));
    EXPECT_NEAR(cx, 1.5L, 1e-14L);
    EXPECT_NEAR(cy, 2.5L, 1e-14L);
    EXPECT_NEAR(t1x, 1.5L, 1e-14L);
    EXPECT_NEAR(t1y, 2.0L, 1e-14L);
    EXPECT_NEAR(t2x, 1.0L, 1e-14L);
    EXPECT_NEAR(t2y, 2.5L, 1e-14L);
    EXPECT_GE(sweep, 0.0L);
    EXPECT_LT(sweep, 2 * Pi);
    // Obtuse corner (135 degrees): the centre lies on the bisector at r / sin(67.5 deg).
    const long double a2 = 3 * Pi / 4;
    ASSERT_TRUE(CornerFillet(0, 0, 0, a2, r, cx, cy, t1x, t1y, t2x, t2y, sweep));
    const long double dist = r / std::sin(a2 / 2);
    EXPECT_NEAR(cx, dist * std::cos(a2 / 2), 1e-14L);
    EXPECT_NEAR(cy, dist * std::sin(a2 / 2), 1e-14L);
    ExpectTangentFillet(0, 0, 0, 0, 0, a2, r, cx, cy, t1x, t1y, t2x, t2y);
    // Parallel lines have no fillet.
    EXPECT_FALSE(CornerFillet(0, 0, 0, Pi, r, cx, cy, t1x, t1y, t2x, t2y, sweep));
    EXPECT_EQ(cx, 0.0L);
    EXPECT_EQ(sweep, 0.0L);
}

TEST(Geom2d, FilletArcTouchesBothLines) {
    long double cx, cy, t1x, t1y, t2x, t2y, sweep;
    // Line 1 through (5, 0) along x, line 2 through (0, 5) along y (crossing at the origin).
    ASSERT_TRUE(FilletArc(5, 0, Pi, 0, 5, -HalfPi, 1, cx, cy, t1x, t1y, t2x, t2y, sweep));
    ExpectTangentFillet(5, 0, Pi, 0, 5, -HalfPi, 1, cx, cy, t1x, t1y, t2x, t2y);
    // The sweep is the angle from the first tangent point to the second about the centre.
    const long double s1 = std::atan2(t1y - cy, t1x - cx);
    const long double s2 = std::atan2(t2y - cy, t2x - cx);
    EXPECT_NEAR(std::remainder(sweep - (s2 - s1), 2 * Pi), 0.0L, 1e-14L);
    EXPECT_NEAR(OppositeAngle(0.5L), 0.5L + Pi, kTol);
    EXPECT_NEAR(OppositeAngle(5), 5 + Pi - 2 * Pi, kTol);
}

} // namespace
