// Plane geometry in extended precision.
#include "framework/core/geom2d.h"

#include <cmath>
#include <string>

#include "framework/core/errorlist.h"
#include "framework/core/text.h"

namespace {

constexpr Extended TwoPi = 2 * Pi;
constexpr Extended BetweenTolerance = 1e-12L;
constexpr Extended RayLength = 100;
constexpr Extended ParallelTolerance = 1e-15L; // |sin| of the angle between the lines

} // namespace

Extended Det2(Extended a, Extended b, Extended c, Extended d) {
    return a * d - b * c;
}

bool Solve2x2(Extended a1, Extended b1, Extended c1, Extended a2, Extended b2, Extended c2,
              Extended& x, Extended& y) {
    const Extended det = Det2(a1, b1, a2, b2);
    if (det == 0 || !std::isfinite(det)) {
        x = 0;
        y = 0;
        return false;
    }
    x = Det2(c1, b1, c2, b2) / det;
    y = Det2(a1, c1, a2, c2) / det;
    return true;
}

bool LineIntersection(Extended x1, Extended y1, Extended x2, Extended y2, Extended x3, Extended y3,
                      Extended x4, Extended y4, Extended& x, Extended& y) {
    // (x1, y1) + t (d1) = (x3, y3) + s (d2)  =>  t d1 - s d2 = p3 - p1
    Extended t = 0;
    Extended s = 0;
    // Directions from angles (cos pi is not exactly -1 apart from sin pi) leave parallel lines a
    // determinant of rounding size: such lines are parallel, not crossing far away.
    const Extended det = Det2(x2 - x1, -(x4 - x3), y2 - y1, -(y4 - y3));
    const Extended scale = Hypot(x2 - x1, y2 - y1) * Hypot(x4 - x3, y4 - y3);
    const bool ok = std::fabs(det) > ParallelTolerance * scale &&
                    Solve2x2(x2 - x1, -(x4 - x3), x3 - x1, y2 - y1, -(y4 - y3), y3 - y1, t, s);
    if (!ok) t = 0;
    x = x1 + t * (x2 - x1);
    y = y1 + t * (y2 - y1);
    return ok;
}

bool Between(Extended v, Extended a, Extended b) {
    if (v >= std::fmin(a, b) && v <= std::fmax(a, b)) return true;
    return std::fabs(a - b) < BetweenTolerance && std::fabs(v - b) < BetweenTolerance;
}

bool SegmentIntersection(Extended x1, Extended y1, Extended x2, Extended y2, Extended x3,
                         Extended y3, Extended x4, Extended y4, Extended& x, Extended& y) {
    const bool crossing = LineIntersection(x1, y1, x2, y2, x3, y3, x4, y4, x, y);
    if (!crossing) {
        // Parallel: the stand-in point (x1, y1) counts only when both segments lie on one line;
        // distinct parallel lines never meet.
        const Extended dx = x4 - x3;
        const Extended dy = y4 - y3;
        const Extended len = Hypot(dx, dy);
        const Extended off =
            len > 0 ? std::fabs(Det2(dx, dy, x1 - x3, y1 - y3)) / len : Hypot(x1 - x3, y1 - y3);
        const Extended scale = 1 + std::fabs(x1) + std::fabs(y1) + std::fabs(x3) + std::fabs(y3);
        if (off > 1e-15L * scale) return false;
    }
    return Between(x, x1, x2) && Between(y, y1, y2) && Between(x, x3, x4) && Between(y, y3, y4);
}

void RotateAndMove(Extended px, Extended py, Extended cx, Extended cy, Extended angle, Extended& x,
                   Extended& y) {
    RotatePoint(x, y, px - cx, py - cy, angle);
    x += cx;
    y += cy;
}

Extended TriangleAngle(Extended a, Extended b, Extended c) {
    if (a == 0 || b == 0) return 0;
    return ArcCos((a * a + b * b - c * c) / (2 * a * b));
}

bool GetArcCenter(Extended x1, Extended y1, Extended x2, Extended y2, Extended dphi, Extended& cx,
                  Extended& cy, Extended& start, Extended& r, Extended& end) {
    const Extended mx = (x1 + x2) / 2;
    const Extended my = (y1 + y2) / 2;
    cx = mx;
    cy = my;
    start = 0;
    end = 0;
    r = 0;
    const Extended h2 = dphi / 2;
    const Extended sh2 = std::sin(h2);
    if (sh2 == 0) {
        AddError("Fehler in GetArcCenter (dphi = " + FloatToStrSig3(dphi) + " ! ");
        return false;
    }
    const Extended l = Hypot(x2 - x1, y2 - y1);
    if (l == 0) {
        AddError("GetArcCenter l12=0");
        return false;
    }
    const Extended h = std::sin(dphi) == 0 ? 0 : l / 2 / std::tan(h2);
    r = std::fabs(l / 2 / sh2);
    cx = mx + h * -(y2 - y1) / l;
    cy = my + h * (x2 - x1) / l;
    const Extended a1 = ArcTan2(x1 - cx, y1 - cy);
    const Extended a2 = ArcTan2(x2 - cx, y2 - cy);
    if (dphi >= 0) {
        start = a1;
        end = a2;
    } else {
        start = a2;
        end = a1;
    }
    return true;
}

void QuadraticRoots(Extended a, Extended b, Extended c, Extended& x1, Extended& x2, bool& noRoots) {
    x1 = 0;
    x2 = 0;
    if (a == 0) {
        noRoots = b == 0;
        if (!noRoots) x1 = x2 = -c / b;
        return;
    }
    const Extended d = b * b - 4 * a * c;
    noRoots = !(d >= 0);
    if (noRoots) return;
    const Extended sd = std::sqrt(d);
    x1 = (-b + sd) / (2 * a);
    x2 = (-b - sd) / (2 * a);
}

void CircleLineIntersection(Extended cx, Extended cy, Extended r, Extended x1, Extended y1,
                            Extended x2, Extended y2, Extended& ix1, Extended& iy1, Extended& ix2,
                            Extended& iy2, bool& noIntersection) {
    if (x2 == x1) {
        const Extended q = r * r - (x1 - cx) * (x1 - cx);
        if (q >= 0) {
            const Extended s = std::sqrt(q);
            ix1 = x1;
            ix2 = x1;
            iy1 = cy + s;
            iy2 = cy - s;
            noIntersection = false;
        } else {
            ix1 = iy1 = ix2 = iy2 = 0;
            noIntersection = true;
        }
        return;
    }
    const Extended m = (y2 - y1) / (x2 - x1);
    const Extended b = y1 - m * x1;
    QuadraticRoots(m * m + 1, 2 * ((b - cy) * m - cx), (b - cy) * (b - cy) + cx * cx - r * r, ix1,
                   ix2, noIntersection);
    if (noIntersection) {
        iy1 = iy2 = 0;
        return;
    }
    iy1 = m * ix1 + b;
    iy2 = m * ix2 + b;
}

bool RayIntersection(Extended x1, Extended y1, Extended a1, Extended x2, Extended y2, Extended a2,
                     Extended& x, Extended& y) {
    x = 0;
    y = 0;
    return LineIntersection(x1, y1, x1 + RayLength * std::cos(a1), y1 + RayLength * std::sin(a1),
                            x2, y2, x2 + RayLength * std::cos(a2), y2 + RayLength * std::sin(a2), x,
                            y);
}

bool BoxOverlap(Extended x, Extended y, Extended xmin, Extended ymin, Extended xmax,
                Extended ymax) {
    return xmin <= x && x <= xmax && ymin <= y && y <= ymax;
}

bool SegmentBoxIntersection(Extended x1, Extended y1, Extended x2, Extended y2, Extended xmin,
                            Extended ymin, Extended xmax, Extended ymax, Extended& x, Extended& y) {
    const Extended sides[4][4] = {{xmin, ymin, xmax, ymin},
                                  {xmax, ymin, xmax, ymax},
                                  {xmax, ymax, xmin, ymax},
                                  {xmin, ymax, xmin, ymin}};
    for (const auto& s : sides) {
        if (SegmentIntersection(x1, y1, x2, y2, s[0], s[1], s[2], s[3], x, y)) return true;
    }
    x = 0;
    y = 0;
    return false;
}

bool ClipSegmentToBox(Extended& x1, Extended& y1, Extended& x2, Extended& y2, Extended xmin,
                      Extended ymin, Extended xmax, Extended ymax) {
    const bool in1 = BoxOverlap(x1, y1, xmin, ymin, xmax, ymax);
    const bool in2 = BoxOverlap(x2, y2, xmin, ymin, xmax, ymax);
    if (in1 && in2) return true;

    // Parametric clipping (Liang-Barsky): the part t in [t0, t1] of p(t) = p1 + t (p2 - p1)
    // lies inside the box. It handles one or both ends outside alike and, unlike a search of the
    // box sides, keeps a segment that crosses the box with both ends outside.
    const Extended dx = x2 - x1;
    const Extended dy = y2 - y1;
    Extended t0 = 0;
    Extended t1 = 1;
    const Extended p[4] = {-dx, dx, -dy, dy};
    const Extended q[4] = {x1 - xmin, xmax - x1, y1 - ymin, ymax - y1};
    bool visible = true;
    for (int k = 0; k < 4 && visible; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0) visible = false;
            continue;
        }
        const Extended t = q[k] / p[k];
        if (p[k] < 0) {
            if (t > t1)
                visible = false;
            else if (t > t0)
                t0 = t;
        } else {
            if (t < t0)
                visible = false;
            else if (t < t1)
                t1 = t;
        }
    }
    if (!visible) {
        x1 = y1 = x2 = y2 = 0;
        return false;
    }
    const Extended ox = x1;
    const Extended oy = y1;
    // Ends already inside stay exactly as they were.
    if (!in1) {
        x1 = ox + t0 * dx;
        y1 = oy + t0 * dy;
    }
    if (!in2) {
        x2 = ox + t1 * dx;
        y2 = oy + t1 * dy;
    }
    return true;
}

bool FilletArc(Extended x1, Extended y1, Extended a1, Extended x2, Extended y2, Extended a2,
               Extended r, Extended& cx, Extended& cy, Extended& t1x, Extended& t1y, Extended& t2x,
               Extended& t2y, Extended& sweep) {
    cx = cy = t1x = t1y = t2x = t2y = sweep = 0;
    Extended ix = 0;
    Extended iy = 0;
    if (!RayIntersection(x1, y1, a1, x2, y2, a2, ix, iy)) return false;

    // The centre lies on the side of each line where the other line's given point is.
    const Extended th1 = NormAngle(ArcTan2(ix - x1, iy - y1));
    const Extended th2 = NormAngle(ArcTan2(x2 - x1, y2 - y1));
    const Extended off1 = th1 <= th2 ? HalfPi : -HalfPi;
    const Extended ph1 = NormAngle(ArcTan2(ix - x2, iy - y2));
    const Extended ph2 = NormAngle(ArcTan2(x1 - x2, y1 - y2));
    const Extended off2 = ph1 <= ph2 ? HalfPi : -HalfPi;

    const Extended n1x = r * std::cos(a1 + off1);
    const Extended n1y = r * std::sin(a1 + off1);
    const Extended n2x = r * std::cos(a2 + off2);
    const Extended n2y = r * std::sin(a2 + off2);
    // T1 = P1 + s1 u1 and T2 = P2 + s2 u2 on the two lines with T1 + n1 = T2 + n2 (the centre).
    const Extended u1x = std::cos(a1);
    const Extended u1y = std::sin(a1);
    const Extended u2x = std::cos(a2);
    const Extended u2y = std::sin(a2);
    Extended s1 = 0;
    Extended s2 = 0;
    if (!Solve2x2(u1x, -u2x, x2 - x1 + n2x - n1x, u1y, -u2y, y2 - y1 + n2y - n1y, s1, s2))
        return false;
    t1x = x1 + s1 * u1x;
    t1y = y1 + s1 * u1y;
    t2x = x2 + s2 * u2x;
    t2y = y2 + s2 * u2y;
    cx = t1x + n1x;
    cy = t1y + n1y;
    sweep = ArcTan2(t2x - cx, t2y - cy) - ArcTan2(t1x - cx, t1y - cy);
    return true;
}

Extended OppositeAngle(Extended a) {
    Extended o = a + Pi;
    if (o > TwoPi) o -= TwoPi;
    return o;
}

bool CornerFillet(Extended x0, Extended y0, Extended a1, Extended a2, Extended r, Extended& cx,
                  Extended& cy, Extended& t1x, Extended& t1y, Extended& t2x, Extended& t2y,
                  Extended& sweep) {
    const Extended b2 = OppositeAngle(a2);
    const bool ok = FilletArc(x0 + std::cos(a1), y0 + std::sin(a1), a1, x0 + std::cos(b2),
                              y0 + std::sin(b2), a2, r, cx, cy, t1x, t1y, t2x, t2y, sweep);
    if (ok && sweep < 0) sweep += TwoPi;
    return ok;
}
