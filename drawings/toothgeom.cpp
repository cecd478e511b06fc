#include "drawings/toothgeom.h"

#include <cmath>

#include "calc/geardata.h"
#include "calc/meshing.h"
#include "framework/core/errorlist.h"

namespace {

TFlankPoint FlankPointFor(Extended halfAngleAtPitch, int i, Extended dy) {
    const TGearData& g = GearData;
    const Extended alphaY = ArcCosLimited("", g.db[i] / dy);
    TFlankPoint p;
    p.psi = halfAngleAtPitch + Inv(g.alphat) - Inv(alphaY);
    p.x = (dy / 2.0L) * sinl(p.psi);
    p.y = (dy / 2.0L) * cosl(p.psi);
    return p;
}

} // namespace

Extended RoughShift(int i) {
    const TGearData& g = GearData;
    // As DiametersForShift places the root of the drawing: a premachined gear's is cut at the
    // mean premachining shift.
    return g.q[i] > 1e-5L ? (g.xEminV[i] + g.xEmaxV[i]) / 2.0L : g.xee[i];
}

bool BaseCircleAboveRootForm(int i) {
    const TGearData& g = GearData;
    return g.z[i] > 0 && RootFormDiameter(i) <= g.db[i];
}

// At the upper shift (no tolerance) the calculation's own values.
Extended RootFormDiameter(int i) {
    const Extended x = RoughShift(i);
    return x == GearData.xEmaxV[i] ? GearData.dFf[i] : RootFormDiameterAt(i, x);
}

Extended TipFormDiameter(int i) {
    const TGearData& g = GearData;
    const Extended x = RoughShift(i);
    return g.xee[i] == g.xEmax[i] && x == g.xEmaxV[i] ? g.dFa[i]
                                                      : TipFormDiameterAt(i, g.xee[i], x);
}

TFlankPoint InvolutePoint(int i, Extended dy) {
    const TGearData& g = GearData;
    if (dy == 0) {
        AddError("Fatal  : d = 0 !");
        return {};
    }
    return FlankPointFor(g.snx[i] / cosl(g.betaRad) / g.d[i], i, dy);
}

TFlankPoint InvolutePointXe(int i, Extended dy) {
    const TGearData& g = GearData;
    if (dy == 0) return {}; // the centre; keeps the division below defined
    const Extended sn = ((g.xEmaxV[i] + g.xEminV[i]) * Tan(g.alphaRad) + Pi / 2.0L) * g.mn;
    return FlankPointFor(sn / cosl(g.betaRad) / g.d[i], i, dy);
}

bool AlwaysZero() {
    return false;
}
