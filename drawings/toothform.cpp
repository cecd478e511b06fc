#include "drawings/toothform.h"

#include <cmath>
#include <string>
#include <vector>

#include "cad/cadblock.h"
#include "cad/cadout.h"
#include "calc/geardata.h"
#include "drawings/rackcut.h"
#include "drawings/toothgeom.h"
#include "framework/core/geom2d.h"
#include "framework/core/globals.h"

namespace {

constexpr std::int32_t MaxCount = 2000; // far beyond any useful resolution; bounds the work

std::int32_t UsedCount(std::int32_t& setting, std::int32_t byDefault, std::int32_t least) {
    if (setting == 0)
        setting = byDefault;
    else if (setting < least)
        setting = least;
    else if (setting > MaxCount)
        setting = MaxCount;
    return setting;
}

struct TVertex {
    Extended x;
    Extended y;
    Extended angle; // included angle of the segment to the next vertex
};

void EmitPolyline(const std::vector<TVertex>& v) {
    CadBeginPolyline(0);
    for (const TVertex& p : v)
        CadVertex(p.x, p.y, p.angle);
    CadEndPolyline();
}

// The included angle of the arc about the origin from a to b, the short way.
Extended AngleAbout(Extended ax, Extended ay, Extended bx, Extended by) {
    return atan2l(ax * by - ay * bx, ax * bx + ay * by);
}

// One tooth from its right half (gap middle to the tip): the tip arc and the left half, the
// mirror image run backwards (a mirrored arc run backwards turns the same way).
std::vector<TVertex> WholeTooth(const std::vector<TCutVertex>& h) {
    std::vector<TVertex> v;
    if (h.empty()) return v;
    const std::size_t n = h.size();
    for (std::size_t k = 0; k + 1 < n; ++k)
        v.push_back({h[k].x, h[k].y, h[k].angle});
    const TCutVertex& A = h[n - 1];
    const bool pointed = fabsl(A.x) <= 1e-12L * fabsl(A.y);
    const Extended after = n >= 2 ? h[n - 2].angle : 0; // the mirrored last segment
    v.push_back({A.x, A.y, pointed ? after : AngleAbout(A.x, A.y, -A.x, A.y)});
    if (!pointed) v.push_back({-A.x, A.y, after});
    for (std::size_t k = n - 1; k-- > 0;)
        v.push_back({-h[k].x, h[k].y, k >= 1 ? h[k - 1].angle : 0});
    return v;
}

// The tool of an internal gear at its central position, filling the gap on the -y axis that it
// cuts: the gap contour from the tip circle down one side, across the root and up the other
// side, closed along the tip circle (where the tool goes on into free space).
std::vector<TVertex> InternalToolTooth(int i) {
    std::vector<TCutVertex> h = CutToothHalf(i, UsedInvolutePoints(), UsedFilletResolution());
    std::vector<TVertex> v;
    if (h.empty()) return v;
    // Turned so that the gap middle lies on -y: the gap's left side.
    const Extended turn = Pi / fabsl(Extended(GearData.z[i]));
    for (TCutVertex& p : h) {
        const Extended x = p.x * cosl(turn) + p.y * sinl(turn);
        const Extended y = -p.x * sinl(turn) + p.y * cosl(turn);
        p.x = x;
        p.y = y;
    }
    const std::size_t n = h.size();
    for (std::size_t k = n; k-- > 0;)
        v.push_back({h[k].x, h[k].y, k >= 1 ? -h[k - 1].angle : 0});
    v.back().angle = -h[0].angle; // on into the mirrored side
    for (std::size_t k = 1; k < n; ++k)
        v.push_back({-h[k].x, h[k].y, k + 1 < n ? -h[k].angle : 0});
    v.push_back(v.front());
    v.back().angle = 0;
    return v;
}

} // namespace

std::int32_t UsedGearShapes() {
    return UsedCount(GearData.GearShapes, 30, 1);
}
std::int32_t UsedInvolutePoints() {
    return UsedCount(GearData.InvolutePoints, 20, 2);
}
std::int32_t UsedFilletResolution() {
    return UsedCount(GearData.FilletResolution, 30, 2);
}

long double RollRange(std::int32_t z) {
    if (z > 1) return 0.69L / logl(static_cast<Extended>(z)) + 4.5L / z;
    return 0.3L;
}

void DrawGeneratedTooth(int i) {
    if (AbortFlag != 0) return;
    const TGearData& g = GearData;
    if (g.z[i] < 0) {
        // No rack rolls on a ring gear's pitch circle, and a straight rack anywhere would cross
        // its root circle and teeth: the tool is shown where it fills the gap.
        CadSetColour(3);
        EmitPolyline(InternalToolTooth(i));
        return;
    }
    const int N = UsedGearShapes();
    const Extended Phi = RollRange(g.z[i]);
    const Extended step = Phi / N;
    const Extended r = g.d[i] / 2.0L;
    const std::string block = "WERKZS" + std::to_string(i);
    // Positions counted rather than summed, so both ends of the roll are drawn alike.
    for (int k = 0; k <= 2 * N; ++k) {
        const Extended phi = -Phi + k * step;
        const Extended c = cosl(phi);
        const Extended s = sinl(phi);
        const Extended X0 = (1.0L - c) * r;
        const Extended Y0 = (phi - s) * r;
        const Extended Xr = X0 * c + Y0 * s;
        const Extended Yr = Y0 * c - X0 * s;
        CadSetColour(0);
        CadInsertBlock(block, Yr, Xr + (g.d[i] - g.dfx[i]) / 2.0L + g.dfx[i] / 2.0L, RadToDeg(phi),
                       1.0L, 1.0L);
    }
}

void DrawToothGapContour(int i, bool withPremachined) {
    if (AbortFlag != 0) return;
    const TGearData& g = GearData;
    if (g.z[i] == 0) return; // no gear to draw
    CadSetColour(5);
    EmitPolyline(WholeTooth(CutToothHalf(i, UsedInvolutePoints(), UsedFilletResolution())));
    if (g.DrawRootCurve && g.z[i] > 0 && g.DrawDiameters == 2) {
        const Extended t = (g.dax[i] - g.dfx[i]) / 2.0L;
        CadSetColour(1);
        CadLine(0, g.dax[i] / 2.0L + 0.2L * t, 0, g.dfx[i] / 2.0L - 0.2L * t);
    }
    if (withPremachined && g.z[i] < 0 && g.q[i] > 0) DrawRootContour(i);
}

void DrawRootContour(int i) {
    if (AbortFlag != 0) return;
    if (GearData.z[i] >= 0) return; // the pre-machined contour of an internal gear
    CadSetColour(3);
    EmitPolyline(WholeTooth(InternalToothHalf(i, InvolutePointXe, UsedInvolutePoints())));
}

void DrawRootFillet(int i, int side) {
    if (AbortFlag != 0) return;
    const TGearData& g = GearData;
    if (g.z[i] <= 0 || g.d[i] == 0) return;
    const std::vector<TCutVertex> h = CutToothHalf(i, UsedInvolutePoints(), UsedFilletResolution());
    const Extended sign = side == 1 ? 1 : -1;
    // (the whole fillet where there is no path of contact and so no usable root)
    const Extended yMax = std::isnan(g.dNf[i]) ? HUGE_VALL : g.dNf[i] / 2.0L;
    std::size_t k = 0;
    CadBeginPolyline(0);
    if (!h.empty() && h[0].part == TCutPart::Root) {
        k = 1;
        if (side == 1 && h.size() > 1) {
            // The fillet of the other flank of the same gap starts the root arc across it.
            const Extended R = hypotl(h[1].x, h[1].y);
            const Extended psi = 2.0L * Pi / g.z[i] - atan2l(h[1].x, h[1].y);
            const Extended x = R * sinl(psi), y = R * cosl(psi);
            if (y < yMax) CadVertex(x, y, AngleAbout(x, y, h[1].x, h[1].y));
        }
    }
    // From the root circle up to the start of the involute flank.
    for (; k < h.size(); ++k) {
        const bool fillet = h[k].part == TCutPart::Fillet || h[k].part == TCutPart::Protuberance;
        if (h[k].y < yMax) CadVertex(sign * h[k].x, h[k].y, fillet ? sign * h[k].angle : 0);
        if (!fillet) break;
    }
    CadEndPolyline();
}
