#include "drawings/annotate.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "cad/cadout.h"
#include "cad/cadtrace.h"
#include "calc/geardata.h"
#include "drawings/toothgeom.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"

namespace {

// Where DrawAngleArc puts the label of its arc when the label stands as at the end of an arc
// of half span labelSpan, and the label's box; lift moves it that much further from the arc
// (a label outside an arc that bends down would otherwise reach up across it).
TLabelBox LabelOf(std::string_view text, bool inside, Extended xc, Extended yc, Extended labelSpan,
                  Extended D, Extended theta, Extended lift = 0) {
    const Extended mn = GearData.mn;
    const Extended lambda = DegToRad(theta - 90.0L) + 0.8L * DegToRad(labelSpan);
    Extended x = 0, y = 0;
    if (inside) {
        x = xc + (D / 2.0L - 0.12L * mn - lift) * sinl(lambda);
        y = yc + (D / 2.0L - 0.12L * mn - lift) * cosl(lambda);
    } else {
        x = xc + (D / 2.0L + 0.08L * mn + lift) * sinl(lambda);
        y = yc + (D / 2.0L + 0.05L * mn + lift) * cosl(lambda);
    }
    return TextBox(text, x, y, -labelSpan, 0.1L * mn, 0.08L * mn * CadTextFactor);
}

// True when the arc of diameter D over +-w about theta passes through the label.
bool Crosses(const TLabelBox& l, Extended xc, Extended yc, Extended w, Extended D, Extended theta) {
    const Extended uu = l.ux * l.ux + l.uy * l.uy, vv = l.vx * l.vx + l.vy * l.vy;
    for (int k = 0; k <= 512; ++k) { // steps far shorter than a label's margin
        const Extended t = DegToRad(theta - w + 2 * w * k / 512.0L);
        const Extended r = D / 2.0L; // a negative D lies about theta + 180 degrees
        const Extended px = xc + r * cosl(t) - l.x, py = yc + r * sinl(t) - l.y;
        const Extended s = (px * l.ux + py * l.uy) / uu, h = (px * l.vx + py * l.vy) / vv;
        if (s > 0 && s < 1 && h > 0 && h < 1) return true;
    }
    return false;
}

// True when some part of the arc of diameter D over +-w about theta lies in the window.
bool InWindow(const TViewWindow& v, Extended xc, Extended yc, Extended w, Extended D,
              Extended theta) {
    constexpr int steps = 1024; // far finer than a label or a line width
    for (int k = 0; k <= steps; ++k) {
        const Extended t = DegToRad(theta - w + 2 * w * k / static_cast<Extended>(steps));
        const Extended x = xc + D / 2.0L * cosl(t), y = yc + D / 2.0L * sinl(t);
        if (x >= v.XMin && x <= v.XMax && y >= v.YMin && y <= v.YMax) return true;
    }
    return false;
}

// The arc of diameter D over +-w about theta (a negative D about theta + 180 degrees).
void DrawArcLine(Extended xc, Extended yc, Extended w, Extended D, Extended theta) {
    if (D >= 0)
        CadArc(xc, yc, theta - w, theta + w, D / 2.0L);
    else
        CadArc(xc, yc, theta + 180.0L + w, theta + 180.0L - w, -D / 2.0L);
}

// The arc with its label placed as for the half span labelSpan.
void DrawArcLabelled(std::string_view text, bool inside, Extended xc, Extended yc, Extended w,
                     Extended D, Extended theta, Extended labelSpan, Extended lift = 0) {
    const Extended mn = GearData.mn;
    CadSetTextSize(2, -labelSpan, 0.1L * mn, 0.08L * mn);
    DrawArcLine(xc, yc, w, D, theta);
    const TLabelBox l = LabelOf(text, inside, xc, yc, labelSpan, D, theta, lift);
    CadText(text, l.x, l.y);
}

// The half span of an arc cut where it meets the line y = yLimit.
Extended LimitedSpan(Extended yc, Extended w, Extended D, Extended yLimit) {
    if (D == 0) return w; // a point circle has no span to limit
    const Extended c = fabsl((yLimit - yc) / (D / 2.0L));
    const Extended wLimit = RadToDeg(ArcCosLimited("", c));
    return wLimit < fabsl(w) && wLimit != 0 ? wLimit : w;
}

} // namespace

TLabelBox TextBox(std::string_view text, Extended x, Extended y, Extended angleDeg, Extended h,
                  Extended cw) {
    const Extended a = DegToRad(angleDeg);
    const Extended width = h > 0 ? CadTextSpan(text, h, cw / h).to : 0;
    return {x, y, width * cosl(a), width * sinl(a), -h * sinl(a), h * cosl(a)};
}

bool LabelsOverlap(const TLabelBox& a, const TLabelBox& b) {
    auto corners = [](const TLabelBox& l, Extended(&x)[4], Extended(&y)[4]) {
        x[0] = l.x, y[0] = l.y;
        x[1] = l.x + l.ux, y[1] = l.y + l.uy;
        x[2] = l.x + l.ux + l.vx, y[2] = l.y + l.uy + l.vy;
        x[3] = l.x + l.vx, y[3] = l.y + l.vy;
    };
    Extended ax[4], ay[4], bx[4], by[4];
    corners(a, ax, ay);
    corners(b, bx, by);
    // Separating axes: the edges of both boxes.
    for (const TLabelBox* l : {&a, &b})
        for (const auto& [nx, ny] : {std::pair{l->ux, l->uy}, std::pair{l->vx, l->vy}}) {
            Extended a0 = 1e300L, a1 = -1e300L, b0 = 1e300L, b1 = -1e300L;
            for (int k = 0; k < 4; ++k) {
                a0 = std::min(a0, ax[k] * nx + ay[k] * ny);
                a1 = std::max(a1, ax[k] * nx + ay[k] * ny);
                b0 = std::min(b0, bx[k] * nx + by[k] * ny);
                b1 = std::max(b1, bx[k] * nx + by[k] * ny);
            }
            if (a1 <= b0 || b1 <= a0) return false;
        }
    return true;
}

namespace {

// The box grown by a sixth of its height on every side: the margin keeps labels readable apart
// and off the lines also where the screen's font is a little larger, or a reader draws an arc
// by chords.
TLabelBox Grown(const TLabelBox& box) {
    const Extended lu = hypotl(box.ux, box.uy), lv = hypotl(box.vx, box.vy);
    if (lu == 0 || lv == 0) return box;
    const Extended m = lv / 6;
    const Extended ex = box.ux / lu * m, ey = box.uy / lu * m, fx = box.vx / lv * m,
                   fy = box.vy / lv * m;
    return {box.x - ex - fx, box.y - ey - fy, box.ux + 2 * ex,
            box.uy + 2 * ey, box.vx + 2 * fx, box.vy + 2 * fy};
}

} // namespace

int LabelConflicts(const TLabelBox& box, const std::vector<TLabelBox>& taken,
                   const TCadTrace* lines) {
    const Extended lu = hypotl(box.ux, box.uy), lv = hypotl(box.vx, box.vy);
    if (lu == 0 || lv == 0) return 0; // no text
    const Extended m = lv / 6;
    const TLabelBox grown = Grown(box);
    int n = static_cast<int>(std::count_if(taken.begin(), taken.end(), [&](const TLabelBox& t) {
        return LabelsOverlap(t.text ? grown : box, t);
    }));
    if (lines) n += lines->Crossings(box.x, box.y, box.ux, box.uy, box.vx, box.vy, m);
    return n;
}

bool LabelClear(const TLabelBox& box, const std::vector<TLabelBox>& taken, const TCadTrace* lines) {
    return LabelConflicts(box, taken, lines) == 0;
}

void DrawAngleArc(std::string_view text, bool inside, Extended xc, Extended yc, Extended w,
                  Extended D, Extended theta) {
    DrawArcLabelled(text, inside, xc, yc, w, D, theta, w);
}

void DrawLimitedAngleArc(std::string_view text, bool inside, Extended xc, Extended yc, Extended w,
                         Extended D, Extended theta, Extended yLimit) {
    DrawAngleArc(text, inside, xc, yc, LimitedSpan(yc, w, D, yLimit), D, theta);
}

void DrawLimitedArcLines(const std::vector<TLimitedArc>& arcs) {
    for (const TLimitedArc& a : arcs)
        DrawArcLine(a.xc, a.yc, LimitedSpan(a.yc, a.w, a.D, a.yLimit), a.D, a.theta);
}

void DrawLimitedAngleArcs(const std::vector<TLimitedArc>& arcs, std::vector<TLabelBox>& taken,
                          const TCadTrace* lines) {
    for (const TLimitedArc& a : arcs) {
        const Extended w = LimitedSpan(a.yc, a.w, a.D, a.yLimit);
        // The label as at the arc's end, then nearer its middle, then the same at its other
        // end; its own side of the arc first, then a text height further off. Where every
        // place meets a line or label, the one that meets fewest.
        Extended span = w, lift = 0;
        bool inside = a.inside;
        int least = -1;
        for (const Extended end : {1.0L, -1.0L})
            for (int step = 0; step <= 6 && least != 0; ++step)
                for (int k = 0; k < 4 && least != 0; ++k) {
                    const bool in = (k % 2 == 0) == a.inside;
                    const Extended s = end * w * (1 - 0.125L * step),
                                   up = k / 2 * 0.1L * GearData.mn;
                    const int n = LabelConflicts(
                        LabelOf(a.text, in, a.xc, a.yc, s, a.D, a.theta, up), taken, lines);
                    if (least < 0 || n < least) {
                        span = s;
                        inside = in;
                        lift = up;
                        least = n;
                    }
                }
        taken.push_back(LabelOf(a.text, inside, a.xc, a.yc, span, a.D, a.theta, lift));
        CadSetColour(a.colour);
        DrawArcLabelled(a.text, inside, a.xc, a.yc, w, a.D, a.theta, span, lift);
    }
}

void DrawLabelledCircle(std::string_view text, Extended xc, Extended yc, Extended /*a*/, Extended D,
                        Extended S) {
    CadCircle(xc, yc, fabsl(D) / 2.0L);
    CadSetTextSize(2, 0, S / 25.0L, S / 35.0L);
    CadTextLine(text);
}

void DrawDiameterArcs(int i, Extended theta, Extended xc, Extended yc, Extended rMin, Extended rMax,
                      const TViewWindow& window, const TCadTrace* lines) {
    const TGearData& g = GearData;
    if (g.z[i] == 0) return; // no pitch to span
    const Extended w = 1.5L * 180.0L / g.z[i];
    struct TArc {
        const char* text;
        std::int32_t colour;
        Extended D;
        bool inside = false;
        Extended span = 0;
    };
    std::vector<TArc> arcs = {{"d", 17, g.d[i]},
                              {"db", 25, g.db[i]},
                              {"df", 19, g.dfx[i]},
                              {"da", 21, g.dax[i]},
                              {"dFf", 20, RootFormDiameter(i)}};
    if (g.dFa[i] != g.da[i]) arcs.push_back({"dFa", 29, TipFormDiameter(i)});
    std::erase_if(arcs, [&](const TArc& a) {
        return fabsl(a.D) / 2.0L < rMin || fabsl(a.D) / 2.0L > rMax ||
               !InWindow(window, xc, yc, w, a.D, theta);
    });
    // Each label at the end of its arc, outside it; one that would lie on another label or
    // arc goes inside its arc, else its arc is drawn longer until the label is clear.
    std::vector<TLabelBox> placed;
    for (std::size_t k = 0; k < arcs.size(); ++k) {
        TArc& a = arcs[k];
        bool found = false;
        for (int step = 0; step <= 8 && !found; ++step)
            for (const bool inside : {false, true}) {
                const Extended span = w * (1 + 0.25L * step);
                const TLabelBox l = LabelOf(a.text, inside, xc, yc, span, a.D, theta);
                bool clear = true;
                for (const TLabelBox& p : placed) // nor this arc through a label placed before
                    clear = clear && !LabelsOverlap(l, p) &&
                            !Crosses(Grown(p), xc, yc, span, a.D, theta);
                for (std::size_t j = 0; j < arcs.size() && clear; ++j)
                    if (j != k)
                        clear =
                            !Crosses(Grown(l), xc, yc, j < k ? arcs[j].span : w, arcs[j].D, theta);
                clear = clear && (lines == nullptr || LabelClear(l, {}, lines));
                if (clear || (step == 8 && inside)) {
                    a.inside = inside;
                    a.span = span;
                    placed.push_back(l);
                    found = true;
                    break;
                }
            }
    }
    CadSetColour(0);
    for (const TArc& a : arcs) {
        CadSetColour(a.colour);
        DrawAngleArc(a.text, a.inside, xc, yc, a.span, a.D, theta);
    }
    CadSetColour(24);
}

namespace {

struct TDiameterCircle {
    std::int32_t colour;
    std::string label;
    Extended D;
};

// The circles of gear i and their labels, in the order of the column.
std::vector<TDiameterCircle> DiameterCircleList(int i) {
    const TGearData& g = GearData;
    std::vector<TDiameterCircle> list;
    auto circle = [&](std::int32_t colour, const char* label, Extended D) {
        list.push_back({colour, std::string(label) + LengthToStrDec(3, fabsl(D)), D});
    };
    circle(18, "dw = ", g.dwx[i]);
    circle(17, "d = ", g.d[i]);
    circle(29, "db = ", g.db[i]);
    circle(19, "df = ", g.dfx[i]);
    circle(21, "da = ", g.dax[i]);
    const Extended dFf = RootFormDiameter(i);
    if (dFf != g.db[i]) circle(20, "dFf = ", dFf);
    if (g.dFa[i] != g.da[i]) circle(29, "dFa = ", TipFormDiameter(i));
    if (!std::isnan(g.dNf[i])) circle(24, "dNf = ", g.dNf[i]); // none without a path of contact
    return list;
}

} // namespace

TCadBox DiameterColumn(int i, Extended x, Extended y) {
    const Extended S = fabsl(GearData.dfx[i]), h = S / 25.0L;
    const std::vector<TDiameterCircle> list = DiameterCircleList(i);
    // The labels' size as DrawLabelledCircle sets it: S / 25 high, S / 35 wide.
    Extended width = 0;
    for (const TDiameterCircle& c : list)
        width = std::max(width, CadTextSpan(c.label, h, 25.0L / 35.0L * CadTextFactor).to);
    TCadBox b;
    b.Add(x, y + h);
    b.Add(x + width, y - 1.6L * h * (static_cast<Extended>(list.size()) - 1) - kTextDescent * h);
    return b;
}

void DrawDiameterCircles(int i, Extended x0, Extended y0) {
    const Extended S = fabsl(GearData.dfx[i]);
    DrawDiameterCircles(i, x0, y0, x0 - S / 4.0L, y0 + S / 4.0L);
}

void DrawDiameterCircles(int i, Extended x0, Extended y0, Extended columnX, Extended columnY) {
    const Extended S = fabsl(GearData.dfx[i]);
    CadMoveTo(columnX, columnY);
    for (const TDiameterCircle& c : DiameterCircleList(i)) {
        CadSetColour(c.colour);
        DrawLabelledCircle(c.label, x0, y0, 0, c.D, S);
    }
    CadSetColour(0);
}
