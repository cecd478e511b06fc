#include "drawings/gearviews.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "cad/cadblock.h"
#include "cad/cadout.h"
#include "cad/cadtrace.h"
#include "calc/geardata.h"
#include "drawings/annotate.h"
#include "drawings/toothform.h"
#include "drawings/toothgeom.h"
#include "framework/core/geom2d.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"

namespace {

std::string Block(const char* name, int i) {
    return name + std::to_string(i);
}

bool Even(std::int32_t n) {
    return n % 2 == 0;
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

// The diameter arcs of the tooth contact drawing, cut at the window's edge: gear 1's and an
// external gear 2's about their centres towards the pitch point, a ring gear's about +y
// (reaching into the window from below), and with DrawDiameters 2 the usable diameters.
std::vector<TLimitedArc> ContactArcs(Extended Y0, Extended Y1) {
    const TGearData& g = GearData;
    std::vector<TLimitedArc> arcs;
    const Extended a = g.aDraw;
    const Extended w1 = std::min(720.0L / g.z[1], 90.0L);
    const Extended w2 = std::min(720.0L / g.z[2], 90.0L);
    // An arc that does not reach past the window's edge would be drawn whole outside it (a
    // ring gear's base circle below the window, through the data box).
    auto arc = [&](const std::string& text, std::int32_t colour, bool inside, Extended yc,
                   Extended w, Extended D, Extended theta, Extended yLimit) {
        const bool up = (theta == 90) == (D > 0); // the arc about +y, its apex on top
        const Extended apex = yc + (up ? 1 : -1) * fabsl(D) / 2.0L;
        if (up ? apex > Y0 : apex < Y1)
            arcs.push_back({text, colour, inside, 0, yc, w, D, theta, yLimit});
    };
    if (g.db[1] / 2.0L > Y0) arc("db1", 1, false, 0, w1, g.db[1], 90, Y0);
    if (g.dfmax[1] / 2.0L > Y0 && BaseCircleAboveRootForm(1))
        arc("df1", 1, true, 0, w1, g.dfx[1], 90, Y0);
    arc("d1", 1, false, 0, w1, g.d[1], 90, Y0);
    if (fabsl(g.dwx[1] - g.d[1]) > 0.05L * g.mn) arc("dw1", 1, false, 0, w1, g.dwx[1], 90, Y0);
    const bool showDw2 = fabsl(g.dwx[2] - g.d[2]) > 0.05L * g.mn;
    if (g.z[2] > 0) {
        if (a - g.db[2] / 2.0L < Y1) arc("db2", 1, false, a, w2, g.db[2], 270, Y1);
        if (a - g.dfmax[2] / 2.0L < Y1 && BaseCircleAboveRootForm(2))
            arc("df2", 1, true, a, w2, g.dfx[2], 270, Y1);
        arc("d2", 1, false, a, w2, g.d[2], 270, Y1);
        if (showDw2) arc("dw2", 1, false, a, w2, g.dwx[2], 270, Y1);
    } else {
        arc("db2", 1, true, a, -w2, fabsl(g.db[2]), 90, Y0);
        arc("df2", 1, true, a, -w2, fabsl(g.dfx[2]), 90, Y0);
        arc("d2", 1, true, a, -w2, fabsl(g.d[2]), 90, Y0);
        if (showDw2) arc("dw2", 1, true, a, -w2, fabsl(g.dwx[2]), 90, Y0);
    }
    if (g.DrawDiameters != 2) return arcs;
    for (int i = 1; i <= 2; ++i) {
        const std::string n = std::to_string(i);
        const Extended yc = i == 1 ? 0 : a, theta = i == 1 ? 90 : 270, yLimit = i == 1 ? Y0 : Y1;
        const Extended w = i == 1 ? w1 : w2;
        if (g.dFa[i] != g.da[i])
            arc("dFa" + n, 29, false, yc, w, TipFormDiameter(i), theta, yLimit);
        // Close to db, d or dw its label would sit on theirs: a wider arc moves it aside.
        if (std::isnan(g.dNf[i])) continue; // no path of contact, no usable root
        auto near = [&](Extended D) { return fabsl(D - g.dNf[i]) < 0.15L * g.mn; };
        const bool close = near(g.db[i]) || near(g.d[i]) || near(g.dwx[i]);
        arc("dNf" + n, 24, false, yc, close ? 1.2L * w : w, g.dNf[i], theta, yLimit);
    }
    return arcs;
}

// A marked point of the path of contact: a small circle and its letter.
struct TMark {
    const char* letter;
    Extended x, y;
    Extended lx = 0, ly = 0; // where the letter stands
};

// The path of contact within the window, from (x1, y1) to (x2, y2), and its points A (start),
// B, C (pitch point), D and E (end). The line of action is the one of the pair at aDraw,
// through the pitch point on the operating pitch circles dwx.
struct TPath {
    bool drawn = false;
    Extended x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::vector<TMark> marks;
};

TPath PathOfContact(Extended W, Extended Y0, Extended Y1) {
    const TGearData& g = GearData;
    TPath p;
    if (g.z[1] + g.z[2] == 0) return p; // no pair: no path
    const Extended aw = DrawingPressureAngle();
    const Extended s = sinl(aw), c = cosl(aw);
    TPoint T1{-g.db[1] / 2.0L * s, g.db[1] / 2.0L * c, true};
    TPoint T2{g.db[2] / 2.0L * s, g.aDraw - g.db[2] / 2.0L * c, true};
    if (T1.x == T2.x && T1.y == T2.y) return p; // no line through one point
    LineIntersection(T1.x, T1.y, T2.x, T2.y, 0, Y0, 1, Y0, p.x1, p.y1);
    if (p.x1 < -W) LineIntersection(T1.x, T1.y, T2.x, T2.y, -W, 0, -W, 1, p.x1, p.y1);
    LineIntersection(T1.x, T1.y, T2.x, T2.y, 0, Y1, 1, Y1, p.x2, p.y2);
    if (p.x2 > W) LineIntersection(T1.x, T1.y, T2.x, T2.y, W, 0, W, 1, p.x2, p.y2);
    p.drawn = true;

    p.marks.push_back({"C", 0, g.dwx[1] / 2.0L});
    if (std::isnan(g.galpha)) return p; // the line of action holds no path of contact
    const TPoint E = OnCircle(0, g.dNa[1], T1, T2, g.z[1] >= 0);
    if (E.found) p.marks.push_back({"E", E.x, E.y});
    const TPoint A = OnCircle(g.aDraw, g.dNa[2], T1, T2, g.z[2] < 0);
    if (A.found) p.marks.push_back({"A", A.x, A.y});
    // B and D lie one base pitch from E and A, inside the path when it is longer than 1.05
    // base pitches (at aDraw = a that is the contact ratio's test).
    if (!A.found || !E.found || g.pet <= 0) return p;
    const Extended len = hypotl(E.x - A.x, E.y - A.y);
    if (len / g.pet <= 1.05L) return p;
    const Extended ux = (E.x - A.x) / len, uy = (E.y - A.y) / len;
    p.marks.push_back({"B", E.x - g.pet * ux, E.y - g.pet * uy});
    p.marks.push_back({"D", A.x + g.pet * ux, A.y + g.pet * uy});
    return p;
}

// The letters of the marked points: C right above its point, the others left above theirs,
// unless that lies on a letter placed before, on another point's circle or on a line of the
// view; then the first place around the point that is clear (further out if need be), or the
// one that meets fewest. taken receives the letters and the circles.
void PlaceLetters(TPath& p, Extended t, std::vector<TLabelBox>& taken, const TCadTrace& lines) {
    const Extended mn = GearData.mn;
    const Extended angle = RadToDeg(DrawingPressureAngle());
    const Extended h = 0.6L * t, cw = 0.5L * t * CadTextFactor;
    const Extended r = mn / 15.0L;
    const std::size_t circles = taken.size();
    for (const TMark& m : p.marks)
        taken.push_back({m.x - r, m.y - r, 2 * r, 0, 0, 2 * r, false});
    const Extended c = cosl(DegToRad(angle)), s = sinl(DegToRad(angle));
    for (std::size_t k = 0; k < p.marks.size(); ++k) {
        TMark& m = p.marks[k];
        m.lx = m.x + (k == 0 ? mn / 20.0L : -mn / 10.0L); // C comes first
        m.ly = m.y + mn / 8.0L;
        TLabelBox box = TextBox(m.letter, m.lx, m.ly, angle, h, cw);
        // Its own circle is no obstacle.
        std::vector<TLabelBox> others = taken;
        others.erase(others.begin() + static_cast<std::ptrdiff_t>(circles + k));
        const Extended bw = hypotl(box.ux, box.uy);
        int least = LabelConflicts(box, others, &lines);
        for (int ring = 0; ring < 8 && least != 0; ++ring) {
            const Extended gap = r + 0.25L * h + ring * 0.5L * h;
            for (int dir = 0; dir < 16 && least != 0; ++dir) {
                // Round the point in steps of 22.5 degrees, on the square of the ring.
                const Extended t = dir * Pi / 8, dx = std::clamp(1.5L * sinl(t), -1.0L, 1.0L),
                               dy = std::clamp(1.5L * cosl(t), -1.0L, 1.0L);
                // The letter's middle in its own frame, then turned with the text.
                const Extended mu = dx * (bw / 2 + gap) - bw / 2;
                const Extended mv = dy * (h / 2 + gap) - h / 2;
                const TLabelBox b =
                    TextBox(m.letter, m.x + mu * c - mv * s, m.y + mu * s + mv * c, angle, h, cw);
                if (const int n = LabelConflicts(b, others, &lines); n < least) {
                    least = n;
                    box = b;
                    m.lx = b.x;
                    m.ly = b.y;
                }
            }
        }
        taken.push_back(box);
    }
}

void DrawPathLine(const TPath& p) {
    if (!p.drawn) return;
    CadSetColour(0);
    CadLine(p.x1, p.y1, p.x2, p.y2);
}

// The marked points and their letters.
void DrawPath(const TPath& p, Extended t) {
    if (!p.drawn) return;
    const TGearData& g = GearData;
    CadSetColour(3);
    CadSetTextSize(2, RadToDeg(DrawingPressureAngle()), 0.6L * t, 0.5L * t);
    for (const TMark& m : p.marks) {
        CadCircle(m.x, m.y, g.mn / 15.0L);
        CadText(m.letter, m.lx, m.ly);
    }
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
    const Extended t = W / 22.0L;
    // The labels keep clear of every line the view draws: the teeth (the contour blocks traced
    // on their own), the frames, the centre line, the path of contact and the arcs.
    TCadTrace lines;
    if (withAnnotation)
        CadTrace(lines, [] {
            for (const int i : {1, 2}) {
                CadBeginBlock("EVOLV" + std::to_string(i));
                DrawToothGapContour(i, false);
                CadEndBlock();
            }
        });
    TPath path = PathOfContact(W, Y0, Y1);
    CadDrawTraced(lines, [&] {
        CadSetColour(0);
        for (const Extended r : {angle, angle + p1, angle - p1})
            CadInsertBlock("EVOLV1", 0, 0, r, 1, 1);
        CadSetColour(0);
        for (int k = 0; k <= 1; ++k) {
            CadInsertBlock("EVOLV2", 0, g.aDraw, p2 / 2.0L + 180.0L + k * p2 + rot2, 1, 1);
            CadInsertBlock("EVOLV2", 0, g.aDraw, 180.0L - p2 / 2.0L - k * p2 + rot2, 1, 1);
        }
        if (!withAnnotation) return;
        // Frame and data box, centre line, path of contact.
        CadSetColour(3);
        CadRectangle(-W, Y0, W, Y1);
        CadRectangle(-W, Y0, W, Y0 - 9.5L * t);
        CadSetColour(1);
        CadLine(0, Y0, 0, Y1);
        DrawPathLine(path);
    });
    if (!withAnnotation) return;

    CadSetColour(3);
    CadSetTextSize(2, 0, t, 0.8L * t);
    auto row = [&](int r) { return Y0 - 1.5L * t * (r + 1); };
    const std::string deg = AngleUnitText();
    const Extended x0 = -W + t;
    CadText("mn = " + LengthToStr(g.mn), x0, row(0));
    CadText("alpha= " + FloatToStrSig3(g.alpha) + deg, x0, row(1));
    CadText("beta = " + FloatToStrSig3(g.beta) + deg, x0, row(2));
    CadText("a = " + LengthToStrDec(3, fabsl(g.aDraw)), x0, row(3));
    // A tip without involute leaves no contact ratio (its error is in the list): no number.
    CadText("eps.al. = " + (std::isnan(g.epsalpha) ? "" : FloatToStrDec(3, g.epsalpha)), x0,
            row(4));
    CadText("phi = " + FloatToStrDec(2, angle) + deg, x0, row(5));
    for (int i = 1; i <= 2; ++i) {
        const std::string n = std::to_string(i);
        const Extended x = -W + 2.0L * W * i / 3.0L;
        CadText("z" + n + "  = " + IntToString(g.z[i]), x, row(0));
        CadText("dw" + n + " = " + LengthToStrDec(2, fabsl(g.dwx[i])), x, row(1));
        CadText("df" + n + " = " + LengthToStrDec(2, fabsl(g.dfx[i])), x, row(2));
        CadText("da" + n + " = " + LengthToStrDec(2, fabsl(g.dax[i])), x, row(3));
        CadText("db" + n + " = " + LengthToStrDec(2, fabsl(g.db[i])), x, row(4));
        CadText("xe" + n + " = " + FloatToStrFix(1, 3, g.xee[i]), x, row(5));
    }

    // Diameter arcs; the operating pitch circles are those of aDraw (dwx), which touch at the
    // pitch point. No label lies on another or on a line: the arcs are traced first, then the
    // letters of the path's points are placed, then the arcs' labels clear of them.
    const std::vector<TLimitedArc> arcs = ContactArcs(Y0, Y1);
    std::vector<TLabelBox> taken;
    CadTrace(lines, [&] { DrawLimitedArcLines(arcs); });
    PlaceLetters(path, t, taken, lines);
    DrawLimitedAngleArcs(arcs, taken, &lines);
    DrawPath(path, t);
    CadSetColour(0);
}
