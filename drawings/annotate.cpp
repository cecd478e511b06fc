#include "drawings/annotate.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "cad/cadout.h"
#include "calc/geardata.h"
#include "drawings/toothgeom.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "platform/os/utf8.h"

namespace {

// Where DrawAngleArc puts its label, and the label's box: corners from the insertion point
// along the baseline (u) and up (v).
struct TLabel {
    Extended x, y, ux, uy, vx, vy;
};

TLabel LabelOf(std::string_view text, bool inside, Extended xc, Extended yc, Extended w,
               Extended D, Extended theta) {
    const Extended mn = GearData.mn;
    const Extended lambda = DegToRad(theta - 90.0L) + 0.8L * DegToRad(w);
    TLabel l{};
    if (inside) {
        l.x = xc + (D / 2.0L - 0.12L * mn) * sinl(lambda);
        l.y = yc + (D / 2.0L - 0.12L * mn) * cosl(lambda);
    } else {
        l.x = xc + (D / 2.0L + 0.08L * mn) * sinl(lambda);
        l.y = yc + (D / 2.0L + 0.05L * mn) * cosl(lambda);
    }
    const Extended a = DegToRad(-w);
    const Extended width = static_cast<Extended>(os::Utf8Length(text)) * 0.08L * mn * CadTextFactor;
    const Extended height = 0.1L * mn;
    l.ux = width * cosl(a);
    l.uy = width * sinl(a);
    l.vx = -height * sinl(a);
    l.vy = height * cosl(a);
    return l;
}

// True when the two label boxes overlap (separating axes of the two rectangles).
bool Overlap(const TLabel& a, const TLabel& b) {
    auto corners = [](const TLabel& l, Extended (&x)[4], Extended (&y)[4]) {
        x[0] = l.x, y[0] = l.y;
        x[1] = l.x + l.ux, y[1] = l.y + l.uy;
        x[2] = l.x + l.ux + l.vx, y[2] = l.y + l.uy + l.vy;
        x[3] = l.x + l.vx, y[3] = l.y + l.vy;
    };
    Extended ax[4], ay[4], bx[4], by[4];
    corners(a, ax, ay);
    corners(b, bx, by);
    for (const TLabel* l : {&a, &b})
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

// True when the arc of diameter D over +-w about theta passes through the label.
bool Crosses(const TLabel& l, Extended xc, Extended yc, Extended w, Extended D, Extended theta) {
    const Extended uu = l.ux * l.ux + l.uy * l.uy, vv = l.vx * l.vx + l.vy * l.vy;
    for (int k = 0; k <= 64; ++k) {
        const Extended t = DegToRad(theta - w + 2 * w * k / 64.0L);
        const Extended r = D / 2.0L; // a negative D lies about theta + 180 degrees
        const Extended px = xc + r * cosl(t) - l.x, py = yc + r * sinl(t) - l.y;
        const Extended s = (px * l.ux + py * l.uy) / uu, h = (px * l.vx + py * l.vy) / vv;
        if (s > 0 && s < 1 && h > 0 && h < 1) return true;
    }
    return false;
}

} // namespace

void DrawAngleArc(std::string_view text, bool inside, Extended xc, Extended yc, Extended w,
                  Extended D, Extended theta) {
    const Extended mn = GearData.mn;
    CadSetTextSize(2, -w, 0.1L * mn, 0.08L * mn);
    if (D >= 0)
        CadArc(xc, yc, theta - w, theta + w, D / 2.0L);
    else
        CadArc(xc, yc, theta + 180.0L + w, theta + 180.0L - w, -D / 2.0L);
    const TLabel l = LabelOf(text, inside, xc, yc, w, D, theta);
    CadText(text, l.x, l.y);
}

void DrawLimitedAngleArc(std::string_view text, bool inside, Extended xc, Extended yc, Extended w,
                         Extended D, Extended theta, Extended yLimit) {
    if (D != 0) { // a point circle has no span to limit
        const Extended c = fabsl((yLimit - yc) / (D / 2.0L));
        const Extended wLimit = RadToDeg(ArcCosLimited("", c));
        if (wLimit < fabsl(w) && wLimit != 0) w = wLimit;
    }
    DrawAngleArc(text, inside, xc, yc, w, D, theta);
}

void DrawLabelledCircle(std::string_view text, Extended xc, Extended yc, Extended /*a*/, Extended D,
                        Extended S) {
    CadCircle(xc, yc, fabsl(D) / 2.0L);
    CadSetTextSize(2, 0, S / 25.0L, S / 35.0L);
    CadTextLine(text);
}

void DrawDiameterArcs(int i, Extended theta, Extended xc, Extended yc, Extended rMin,
                      Extended rMax) {
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
    std::vector<TArc> arcs = {
        {"d", 17, g.d[i]}, {"db", 25, g.db[i]}, {"df", 19, g.dfx[i]}, {"da", 21, g.dax[i]},
        {"dFf", 20, RootFormDiameter(i)}};
    if (g.dFa[i] != g.da[i]) arcs.push_back({"dFa", 29, Mean2(g.dFa[i], g.dFaK[i])});
    std::erase_if(arcs, [&](const TArc& a) {
        return fabsl(a.D) / 2.0L < rMin || fabsl(a.D) / 2.0L > rMax;
    });
    // Each label at the end of its arc, outside it; one that would lie on another label or
    // arc goes inside its arc, else its arc is drawn longer until the label is clear.
    std::vector<TLabel> placed;
    for (std::size_t k = 0; k < arcs.size(); ++k) {
        TArc& a = arcs[k];
        bool found = false;
        for (int step = 0; step <= 8 && !found; ++step)
            for (const bool inside : {false, true}) {
                const Extended span = w * (1 + 0.25L * step);
                const TLabel l = LabelOf(a.text, inside, xc, yc, span, a.D, theta);
                bool clear = true;
                for (const TLabel& p : placed) // nor this arc through a label placed before
                    clear = clear && !Overlap(l, p) && !Crosses(p, xc, yc, span, a.D, theta);
                for (std::size_t j = 0; j < arcs.size() && clear; ++j)
                    if (j != k)
                        clear = !Crosses(l, xc, yc, j < k ? arcs[j].span : w, arcs[j].D, theta);
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

void DrawDiameterCircles(int i, Extended x0, Extended y0) {
    const TGearData& g = GearData;
    const Extended S = fabsl(g.dfx[i]);
    CadMoveTo(x0 - S / 4.0L, y0 + S / 4.0L);
    auto circle = [&](int colour, const char* label, Extended D) {
        CadSetColour(colour);
        DrawLabelledCircle(std::string(label) + LengthToStrDec(3, D), x0, y0, 0, D, S);
    };
    circle(18, "dw = ", g.dwx[i]);
    circle(17, "d = ", g.d[i]);
    circle(29, "db = ", g.db[i]);
    circle(19, "df = ", g.dfx[i]);
    circle(21, "da = ", g.dax[i]);
    const Extended dFf = RootFormDiameter(i);
    if (dFf != g.db[i]) circle(20, "dFf = ", dFf);
    if (g.dFa[i] != g.da[i]) circle(29, "dFa = ", g.dFa[i]);
    circle(24, "dNf = ", g.dNf[i]);
    CadSetColour(0);
}
