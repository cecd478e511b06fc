#include "drawings/toothgeom.h"

#include <cmath>

#include "calc/geardata.h"
#include "framework/core/errorlist.h"

namespace {

// The start of the involute drawing as the tool-tip radius leaves it (tip radius tangent point).
Extended ToolFormDiameter(int i) {
    const TGearData& g = GearData;
    return g.dfx[i] + 2.0L * g.rhoaP0[i] * (1.0L - sinl(g.alphaRad));
}

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

bool BaseCircleAboveRootForm(int i) {
    const TGearData& g = GearData;
    return g.db[i] >= ToolFormDiameter(i) && g.z[i] >= 0;
}

Extended RootFormDiameter(int i) {
    return BaseCircleAboveRootForm(i) ? GearData.db[i] : ToolFormDiameter(i);
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
