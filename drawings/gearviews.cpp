#include "drawings/gearviews.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "cad/cadblock.h"
#include "cad/cadout.h"
#include "calc/geardata.h"
#include "drawings/annotate.h"
#include "drawings/toothgeom.h"
#include "framework/core/geom2d.h"
#include "framework/core/globals.h"
#include "framework/core/text.h"

namespace {

std::string Block(const char* name, int i) {
    return name + std::to_string(i);
}

bool Even(std::int32_t n) {
    return n % 2 == 0;
}

// A marked point of the path of contact: a small circle and its letter above left.
void MarkPoint(const char* letter, Extended x, Extended y) {
    const Extended mn = GearData.mn;
    CadCircle(x, y, mn / 15.0L);
    CadText(letter, x - mn / 10.0L, y + mn / 8.0L);
}

struct TPoint {
    Extended x = 0, y = 0;
    bool found = false;
};

// The intersection of the line T1 T2 with the circle of diameter D about (0, yc): the one with
// the larger x (first) or the other.
TPoint OnCircle(Extended yc, Extended D, const TPoint& T1, const TPoint& T2, bool first) {
    TPoint a, b;
    bool none = true;
    CircleLineIntersection(0, yc, D / 2.0L, T1.x, T1.y, T2.x, T2.y, a.x, a.y, b.x, b.y, none);
    TPoint p = first ? a : b;
    p.found = !none;
    return p;
}

// Gear 2's diameter arcs: above the window for an external gear, about +y (reaching into the
// window from below) for an internal one.
void Gear2Arcs(Extended w2, Extended Y0, Extended Y1) {
    const TGearData& g = GearData;
    const Extended a = g.aDraw;
    const bool showDw = fabsl(g.dwx[2] - g.d[2]) > 0.05L * g.mn;
    if (g.z[2] > 0) {
        if (a - g.db[2] / 2.0L < Y1) DrawLimitedAngleArc("db2", false, 0, a, w2, g.db[2], 270, Y1);
        if (a - g.dfmax[2] / 2.0L < Y1 && BaseCircleAboveRootForm(2))
            DrawLimitedAngleArc("df2", true, 0, a, w2, g.dfx[2], 270, Y1);
        DrawLimitedAngleArc("d2", false, 0, a, w2, g.d[2], 270, Y1);
        if (showDw) DrawLimitedAngleArc("dw2", false, 0, a, w2, g.dwx[2], 270, Y1);
    } else {
        DrawLimitedAngleArc("db2", true, 0, a, -w2, fabsl(g.db[2]), 90, Y0);
        DrawLimitedAngleArc("df2", true, 0, a, -w2, fabsl(g.dfx[2]), 90, Y0);
        DrawLimitedAngleArc("d2", true, 0, a, -w2, fabsl(g.d[2]), 90, Y0);
        if (showDw) DrawLimitedAngleArc("dw2", true, 0, a, -w2, fabsl(g.dwx[2]), 90, Y0);
    }
}

// The usable diameters dFa and dNf of gear i about (0, yc), when the drawing shows diameters.
void UsableDiameterArcs(int i, Extended yc, Extended theta, Extended w, Extended yLimit) {
    const TGearData& g = GearData;
    const std::string n = std::to_string(i);
    if (g.dFa[i] != g.da[i]) {
        CadSetColour(29);
        DrawLimitedAngleArc("dFa" + n, false, 0, yc, w, g.dFa[i], theta, yLimit);
    }
    // Close to db or d the label would sit on theirs: a wider arc moves it aside.
    const bool close =
        fabsl(g.db[i] - g.dNf[i]) < 0.15L * g.mn || fabsl(g.d[i] - g.dNf[i]) < 0.15L * g.mn;
    CadSetColour(24);
    DrawLimitedAngleArc("dNf" + n, false, 0, yc, close ? 1.2L * w : w, g.dNf[i], theta, yLimit);
}

// The path of contact within the window and its points A (start), B, C (pitch point), D and E
// (end). The line of action is the one of the pair at aDraw, through the pitch point on the
// operating pitch circles dwx.
void PathOfContact(Extended W, Extended Y0, Extended Y1, Extended t) {
    const TGearData& g = GearData;
    if (g.z[1] + g.z[2] == 0) return; // no pair: no path
    const Extended aw = DrawingPressureAngle();
    const Extended s = sinl(aw), c = cosl(aw);
    CadSetColour(0);
    TPoint T1{-g.db[1] / 2.0L * s, g.db[1] / 2.0L * c, true};
    TPoint T2{g.db[2] / 2.0L * s, g.aDraw - g.db[2] / 2.0L * c, true};
    if (T1.x == T2.x && T1.y == T2.y) return; // no line through one point
    Extended x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    LineIntersection(T1.x, T1.y, T2.x, T2.y, 0, Y0, 1, Y0, x1, y1);
    if (x1 < -W) LineIntersection(T1.x, T1.y, T2.x, T2.y, -W, 0, -W, 1, x1, y1);
    LineIntersection(T1.x, T1.y, T2.x, T2.y, 0, Y1, 1, Y1, x2, y2);
    if (x2 > W) LineIntersection(T1.x, T1.y, T2.x, T2.y, W, 0, W, 1, x2, y2);
    CadLine(x1, y1, x2, y2);

    CadSetColour(3);
    CadSetTextSize(2, RadToDeg(aw), 0.6L * t, 0.5L * t);
    const Extended mn = g.mn;
    const Extended yC = g.dwx[1] / 2.0L;
    CadCircle(0, yC, mn / 15.0L);
    CadText("C", mn / 20.0L, yC + mn / 8.0L);
    const TPoint E = OnCircle(0, g.dNa[1], T1, T2, g.z[1] >= 0);
    if (E.found) MarkPoint("E", E.x, E.y);
    const TPoint A = OnCircle(g.aDraw, g.dNa[2], T1, T2, g.z[2] < 0);
    if (A.found) MarkPoint("A", A.x, A.y);
    // B and D lie one base pitch from E and A, inside the path when it is longer than 1.05
    // base pitches (at aDraw = a that is the contact ratio's test).
    if (!A.found || !E.found || g.pet <= 0) return;
    const Extended len = hypotl(E.x - A.x, E.y - A.y);
    if (len / g.pet <= 1.05L) return;
    const Extended ux = (E.x - A.x) / len, uy = (E.y - A.y) / len;
    MarkPoint("B", E.x - g.pet * ux, E.y - g.pet * uy);
    MarkPoint("D", A.x + g.pet * ux, A.y + g.pet * uy);
}

} // namespace

Extended DrawingPressureAngle() {
    const TGearData& g = GearData;
    if (g.aDraw == 0) return g.alphat;
    const Extended c = cosl(g.alphat) * (g.d[1] + g.d[2]) / 2.0L / g.aDraw;
    if (!(c >= 0 && c <= 1)) return g.alphat;
    return ArcCos(c);
}

void DrawGearWheel(std::uint16_t gear, bool withToothShape) {
    if (AbortFlag != 0) return;
    if (gear < 1 || gear > 2) return;
    const std::int32_t z = GearData.z[gear];
    if (z == 0) return;
    const Extended step = 360.0L / z;
    const std::string evolv = Block("EVOLV", gear), zahn = Block("ZAHN", gear);
    for (std::int32_t k = 0; k < std::abs(z); ++k) {
        const Extended phi = k * step;
        CadSetColour(0);
        CadInsertBlock(evolv, 0, 0, 360.0L - phi + step / 2.0L, 1, 1);
        if (withToothShape) CadInsertBlock(zahn, 0, 0, 360.0L - phi, 1, 1);
    }
}

void DrawRingGearWithPlanet() {
    TGearData& g = GearData;
    // A count from a file below 1 would never end the loop; the dialog allows 1 .. 20000.
    if (g.RingGearShapes == 0) g.RingGearShapes = 200;
    g.RingGearShapes = std::clamp<std::int32_t>(g.RingGearShapes, 1, 20000);
    if (g.z[2] == 0 || g.dwx[1] == 0) return;
    const Extended step = 360.0L / g.z[2];
    CadSetColour(0);
    for (std::int32_t k = 0; k < std::abs(g.z[2]); ++k)
        CadInsertBlock("EVOLV2", 0, 0, 90.0L + k * step, 1, 1);
    const Extended delta = 2.0L * Pi / g.RingGearShapes;
    CadSetColour(1);
    CadCircle(0, 0, fabsl(g.dwx[2]) / 2.0L);
    const Extended R = (-g.dwx[1] - g.dwx[2]) / 2.0L;
    // Positions counted, not summed: exactly RingGearShapes of them.
    for (std::int32_t k = 0; k < g.RingGearShapes; ++k) {
        const Extended theta = k * delta;
        const Extended rho = -theta * (g.dwx[2] / g.dwx[1] + 1.0L);
        CadInsertBlock("RAD1", R * cosl(theta), R * sinl(theta), RadToDeg(-(rho + Pi / 2.0L)), 1,
                       1);
    }
}

void PlaceGearsInMesh(std::int32_t count, std::uint16_t centreSelector, Extended angle) {
    const TGearData& g = GearData;
    const std::int32_t n = count <= 0 ? 3 : std::min<std::int32_t>(count, 100);
    const int s = centreSelector == 1 ? 2 : 1;
    const int b = centreSelector == 1 ? 1 : 2;
    if (g.z[s] == 0 || g.z[b] == 0 || g.dwx[s] == 0 || g.dwx[b] == 0) return;
    const Extended rotS = -angle * g.z[b] / g.z[s];
    CadSetColour(0);
    const Extended step = 2.0L * Pi / n;
    // The phase sets a tooth of one gear into a gap of the other below the centre, for either
    // gear in the centre (turning both by 180 degrees more would put an odd gear's tooth where
    // its gap belongs).
    Extended phase = Even(g.z[b]) ? (180.0L / g.z[b]) * g.dwx[b] / g.dwx[s] : 0;
    if (Even(g.z[s])) phase += 180.0L / g.z[s];
    CadInsertBlock(Block("RAD", s), 0, 0, phase + rotS, 1, 1);
    const Extended R = (g.dwx[s] + g.dwx[b]) / 2.0L;
    for (std::int32_t k = 0; k < n; ++k) {
        const Extended theta = k * step;
        const Extended psi = (g.dwx[s] / g.dwx[b] + 1.0L) * theta;
        CadInsertBlock(Block("RAD", b), R * sinl(theta), -R * cosl(theta),
                       RadToDeg(psi) + 180.0L - 180.0L / g.z[b] + angle, 1, 1);
    }
}

void DrawToothContact(bool withAnnotation, Extended W, Extended Y0, Extended Y1, Extended angle) {
    const TGearData& g = GearData;
    if (g.z[1] == 0 || g.z[2] == 0) return;
    const Extended rot2 = -angle * g.z[1] / g.z[2];
    const Extended p1 = 360.0L / g.z[1];
    const Extended p2 = 360.0L / g.z[2];
    CadSetColour(0);
    for (const Extended r : {angle, angle + p1, angle - p1})
        CadInsertBlock("EVOLV1", 0, 0, r, 1, 1);
    CadSetColour(0);
    for (int k = 0; k <= 1; ++k) {
        CadInsertBlock("EVOLV2", 0, g.aDraw, p2 / 2.0L + 180.0L + k * p2 + rot2, 1, 1);
        CadInsertBlock("EVOLV2", 0, g.aDraw, 180.0L - p2 / 2.0L - k * p2 + rot2, 1, 1);
    }
    if (!withAnnotation) return;

    // Frame and data box.
    CadSetColour(3);
    CadRectangle(-W, Y0, W, Y1);
    const Extended t = W / 22.0L;
    CadSetTextSize(2, 0, t, 0.8L * t);
    CadRectangle(-W, Y0, W, Y0 - 9.5L * t);
    auto row = [&](int r) { return Y0 - 1.5L * t * (r + 1); };
    const std::string deg = AngleUnitText();
    const Extended x0 = -W + t;
    CadText("mn = " + LengthToStr(g.mn), x0, row(0));
    CadText("alpha= " + FloatToStrSig3(g.alpha) + deg, x0, row(1));
    CadText("beta = " + FloatToStrSig3(g.beta) + deg, x0, row(2));
    CadText("a = " + LengthToStrDec(3, g.aDraw), x0, row(3));
    CadText("eps.al. = " + FloatToStrDec(3, g.epsalpha), x0, row(4));
    CadText("phi = " + FloatToStrDec(2, angle) + deg, x0, row(5));
    for (int i = 1; i <= 2; ++i) {
        const std::string n = std::to_string(i);
        const Extended x = -W + 2.0L * W * i / 3.0L;
        CadText("z" + n + "  = " + IntToString(g.z[i]), x, row(0));
        CadText("dw" + n + " = " + LengthToStrDec(2, g.dwx[i]), x, row(1));
        CadText("df" + n + " = " + LengthToStrDec(2, g.dfx[i]), x, row(2));
        CadText("da" + n + " = " + LengthToStrDec(2, g.dax[i]), x, row(3));
        CadText("db" + n + " = " + LengthToStrDec(2, g.db[i]), x, row(4));
        CadText("xe" + n + " = " + FloatToStrFix(1, 3, g.xee[i]), x, row(5));
    }

    // Centre line and diameter arcs; the operating pitch circles are those of aDraw (dwx),
    // which touch at the pitch point.
    CadSetColour(1);
    CadLine(0, Y0, 0, Y1);
    const Extended w1 = std::min(720.0L / g.z[1], 90.0L);
    const Extended w2 = std::min(720.0L / g.z[2], 90.0L);
    if (g.db[1] / 2.0L > Y0) DrawLimitedAngleArc("db1", false, 0, 0, w1, g.db[1], 90, Y0);
    if (g.dfmax[1] / 2.0L > Y0 && BaseCircleAboveRootForm(1))
        DrawLimitedAngleArc("df1", true, 0, 0, w1, g.dfx[1], 90, Y0);
    DrawLimitedAngleArc("d1", false, 0, 0, w1, g.d[1], 90, Y0);
    if (fabsl(g.dwx[1] - g.d[1]) > 0.05L * g.mn)
        DrawLimitedAngleArc("dw1", false, 0, 0, w1, g.dwx[1], 90, Y0);
    Gear2Arcs(w2, Y0, Y1);
    if (g.DrawDiameters == 2) {
        UsableDiameterArcs(1, 0, 90, w1, Y0);
        UsableDiameterArcs(2, g.aDraw, 270, w2, Y1);
    }

    PathOfContact(W, Y0, Y1, t);
    CadSetColour(0);
}
