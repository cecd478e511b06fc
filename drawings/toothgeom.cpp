#include "drawings/toothgeom.h"

#include <cmath>

#include "calc/geardata.h"
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

bool BaseCircleAboveRootForm(int i) {
    const TGearData& g = GearData;
    return g.z[i] > 0 && g.dFf[i] <= g.db[i];
}

Extended RootFormDiameter(int i) {
    return GearData.dFf[i];
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
