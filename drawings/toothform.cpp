#include "drawings/toothform.h"

#include <cmath>
#include <string>
#include <vector>

#include "cad/cadblock.h"
#include "cad/cadout.h"
#include "calc/geardata.h"
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

using TFlankFunc = TFlankPoint (*)(int, Extended);

void EmitPolyline(const std::vector<TVertex>& v) {
    CadBeginPolyline(0);
    for (const TVertex& p : v)
        CadVertex(p.x, p.y, p.angle);
    CadEndPolyline();
}

// Right flank points from diameter ds in steps h (k = first .. N - 2), the tip arc to the mirrored
// tip point, and the left flank back down to k = 1.
void AppendFlanksAndTip(std::vector<TVertex>& v, int i, TFlankFunc flank, Extended ds, Extended h,
                        int first, int N) {
    const TGearData& g = GearData;
    for (int k = first; k <= N - 2; ++k) {
        const TFlankPoint p = flank(i, ds + k * h);
        v.push_back({p.x, p.y, 0});
    }
    // The tip is taken at dax itself rather than at the accumulated steps.
    const TFlankPoint a = flank(i, g.dax[i]);
    v.push_back({a.x, a.y, 2.0L * a.psi});
    v.push_back({-a.x, a.y, 0});
    for (int k = N - 2; k >= 1; --k) {
        const TFlankPoint p = flank(i, ds + k * h);
        v.push_back({-p.x, p.y, 0});
    }
}

// Contour of an internal gear: straight from the gap middle on the root circle into the tool-tip
// fillet at the foot of the flank, flank, tip, and back mirrored.
std::vector<TVertex> InternalContour(int i, TFlankFunc flank, bool premachined) {
    const TGearData& g = GearData;
    const int N = UsedInvolutePoints();
    const Extended dfx = g.dfx[i];
    TFlankPoint P1 = flank(i, dfx);
    TFlankPoint P2 = flank(i, 0.99999L * dfx);
    const Extended theta1 = ArcTan2(P2.x - P1.x, P2.y - P1.y); // flank tangent towards the tip
    if (premachined) {
        P1.x -= g.prP0[i];
        P2.x -= g.prP0[i];
    }
    const Extended piz = Pi / g.z[i];
    const Extended Gx = -cosl(-HalfPi - piz) * dfx / 2.0L;
    const Extended Gy = -sinl(-HalfPi - piz) * dfx / 2.0L;
    const Extended theta2 = ArcTan2(Gx - P1.x, Gy - P1.y);
    Extended cx = 0, cy = 0, t1x = 0, t1y = 0, t2x = 0, t2y = 0, A = 0;
    if (!CornerFillet(P1.x, P1.y, theta1, theta2, g.rhoaP0[i], cx, cy, t1x, t1y, t2x, t2y, A)) {
        // Flank and root line parallel: a sharp corner at the foot of the flank.
        t1x = t2x = P1.x;
        t1y = t2y = P1.y;
        A = 0;
    }
    Extended ds = -2.0L * Hypot(t1x, t1y);
    if (premachined && g.prP0mn[i] > 0 && g.ToolAux[i] > 0) ds = g.d[i] - 2.0L * g.ToolAux[i];
    const Extended h = (g.dax[i] - ds) / (N - 1);

    std::vector<TVertex> v;
    v.push_back({Gx, Gy, 0});
    v.push_back({t2x, t2y, -A});
    v.push_back({t1x, t1y, 0});
    AppendFlanksAndTip(v, i, flank, ds, h, 1, N);
    v.push_back({-t1x, t1y, -A});
    v.push_back({-t2x, t2y, 0});
    v.push_back({-Gx, Gy, 0});
    return v;
}

std::vector<TVertex> ExternalContour(int i) {
    const TGearData& g = GearData;
    const int N = UsedInvolutePoints();
    std::vector<TVertex> v;
    if (BaseCircleAboveRootForm(i)) {
        const Extended ds = g.db[i];
        const Extended h = (g.dax[i] - ds) / (N - 1);
        AppendFlanksAndTip(v, i, InvolutePoint, ds, h, 0, N);
        const TFlankPoint p = InvolutePoint(i, ds);
        v.push_back({-p.x, p.y, 0});
        return v;
    }
    const Extended ds = RootFormDiameter(i);
    const Extended h = (g.dax[i] - ds) / (N - 1);
    const Extended rho = g.rhoaP0[i];
    const Extended rf = fabsl(g.dfx[i]) / 2.0L;
    const Extended piz = Pi / g.z[i];
    const Extended Gx = rf * sinl(piz);
    const Extended Gy = rf * cosl(piz);
    const TFlankPoint F = InvolutePoint(i, ds);
    const Extended thetaF = atanl(F.x / F.y);
    // Fillet of the tool-tip radius through F, tangent to the root circle in T.
    const Extended delta = TriangleAngle(ds / 2.0L, g.dfx[i] / 2.0L + rho, rho);
    const Extended thetaC = thetaF + delta;
    const Extended Tx = g.dfx[i] / 2.0L * sinl(thetaC);
    const Extended Ty = g.dfx[i] / 2.0L * cosl(thetaC);
    const Extended gamma = TriangleAngle(rho, rho, Hypot(F.x - Tx, F.y - Ty));
    v.push_back({Gx, Gy, piz - thetaC});
    v.push_back({Tx, Ty, -gamma});
    AppendFlanksAndTip(v, i, InvolutePoint, ds, h, 0, N);
    v.push_back({-F.x, F.y, -gamma});
    v.push_back({-Tx, Ty, piz - thetaC});
    v.push_back({-Gx, Gy, 0});
    return v;
}

// A point of the fillet cut by the tool-tip radius at the roll angle phi, before the turn to its
// flank. In the transverse section of a helical gear the tip radius is an ellipse with the
// semi-axes rho / cos(beta) along the pitch line and rho across it (a circle on a spur gear).
// The cutting point is the point of its lower half (towards the gear) whose normal passes
// through the pitch point; in rack coordinates, with the centre at (0, -u) and the pitch point
// at (-s, 0), its parameter t solves (A^2 - B^2) sin t cos t + A s sin t + u B cos t = 0.
void TrochoidPoint(Extended r, Extended rho, Extended u, Extended beta, Extended phi, Extended& X,
                   Extended& Y) {
    const Extended s = r * phi;
    const Extended A = rho / cosl(beta);
    const Extended B = rho;
    // The circle's answer: along the line from the pitch point through the centre.
    Extended t = 1.5L * Pi;
    if (s != 0 || u != 0) t = u >= 0 ? atan2l(-u, s) : atan2l(u, -s);
    if (A != B) {
        for (int k = 0; k < 60; ++k) {
            const Extended st = sinl(t);
            const Extended ct = cosl(t);
            const Extended g = (A * A - B * B) * st * ct + A * s * st + u * B * ct;
            const Extended dg = (A * A - B * B) * (ct * ct - st * st) + A * s * ct - u * B * st;
            if (dg == 0 || !std::isfinite(dg)) break;
            const Extended step = g / dg;
            t -= step;
            if (fabsl(step) < 1e-18L) break;
        }
    }
    const Extended ex = A * cosl(t);
    const Extended ey = -u + B * sinl(t);
    const Extended c = cosl(phi);
    const Extended sn = sinl(phi);
    X = (s + ex) * c - (r + ey) * sn;
    Y = (s + ex) * sn + (r + ey) * c;
    // A centre beyond the rolling line (u < 0): near the root the cutting point moves against
    // the roll, so the branch towards the tooth is the one of the opposite roll (-phi), which
    // is the mirror image: X(-phi) = -X(phi), Y(-phi) = Y(phi).
    if (u < 0) X = -X;
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
    UsedInvolutePoints();
    CadSetColour(5);
    EmitPolyline(g.z[i] > 0 ? ExternalContour(i) : InternalContour(i, InvolutePoint, false));
    if (g.DrawRootCurve && g.z[i] > 0 && BaseCircleAboveRootForm(i)) {
        if (g.DrawDiameters == 2) {
            const Extended t = (g.dax[i] - g.dfx[i]) / 2.0L;
            CadSetColour(1);
            CadLine(0, g.dax[i] / 2.0L + 0.2L * t, 0, g.dfx[i] / 2.0L - 0.2L * t);
        }
        CadSetColour(5);
        DrawRootFillet(i, 1);
        DrawRootFillet(i, 2);
    }
    if (withPremachined && g.z[i] < 0 && g.q[i] > 0) DrawRootContour(i);
}

void DrawRootContour(int i) {
    if (AbortFlag != 0) return;
    if (GearData.z[i] == 0) return;
    CadSetColour(3);
    EmitPolyline(InternalContour(i, InvolutePointXe, true));
}

void DrawRootFillet(int i, int side) {
    if (AbortFlag != 0) return;
    const TGearData& g = GearData;
    if (g.z[i] == 0 || g.d[i] == 0) return;
    const int N = UsedFilletResolution();
    const Extended r = g.d[i] / 2.0L;
    const Extended rho = g.rhoaP0[i];
    const Extended ta = Tan(g.alphaRad);
    const Extended u = g.haP0[i] - g.xee[i] * g.mn - rho;
    const Extended z = g.z[i];
    // The tip-radius centre's place along the pitch line, as an angle: in the transverse
    // section every length along the pitch line grows by 1 / cos(beta).
    const Extended eps = (Pi / 2.0L + 2.0L * g.xee[i] * ta) / z +
                         (u * ta + rho / cosl(g.alphaRad)) / (r * cosl(g.betaRad));
    Extended rEnd = 0;
    if (BaseCircleAboveRootForm(i))
        rEnd = g.db[i] / 2.0L;
    else if (g.z[i] > 0)
        rEnd = g.dfx[i] / 2.0L + rho * (1.0L - sinl(g.alphaRad));
    const Extended step = fabsl(2.0L * Pi / z) / N;
    CadBeginPolyline(0);
    for (int k = 0; k <= N; ++k) {
        const Extended phi = k * step;
        Extended X = 0;
        Extended Y = 0;
        TrochoidPoint(r, rho, u, g.betaRad, phi, X, Y);
        Extended Xe = 0;
        Extended Ye = 0;
        RotatePoint(Xe, Ye, X, Y, eps);
        if (side == 1 && k == 0) {
            // The fillet of the other flank of the same gap starts the line across its root.
            Extended Xo = 0;
            Extended Yo = 0;
            RotatePoint(Xo, Yo, -Xe, Ye, 2.0L * Pi / z);
            CadVertex(Xo, Yo, 0);
            X = Xo;
            Y = Yo;
        }
        if (Y < g.dNf[i] / 2.0L) CadVertex(side == 1 ? Xe : -Xe, Ye, 0);
        if (!(Hypot(X, Y) < rEnd)) break;
    }
    CadEndPolyline();
}
