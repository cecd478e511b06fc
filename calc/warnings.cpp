#include "calc/warnings.h"

#include <cmath>
#include <string>

#include "calc/geardata.h"
#include "calc/meshing.h"
#include "calc/tables.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"

namespace {

std::string GearNo(int i) {
    return std::to_string(i);
}

} // namespace

void ToolAuxValues() {
    TGearData& g = GearData;
    for (int i = 1; i <= 2; ++i) {
        if (g.prP0mn[i] == 0) {
            g.ToolAux[i] = 0;
            continue;
        }
        const long double xMean = (g.xEmaxV[i] + g.xEminV[i]) / 2;
        const long double dStart = RootFormDiameterAt(i, xMean);
        g.ToolAux[i] = (g.d[i] - dStart) / 2;
    }
}

void CalcWarnings() {
    TGearData& g = GearData;
    const long double mn = g.mn;
    const bool all = g.WarningMode == 0;
    const long double ta = Tan(g.alphaRad);
    const bool meshing = g.z[1] + g.z[2] != 0;

    for (int i = 1; i <= 2; ++i) {
        const std::string n = GearNo(i);
        if (g.sat[i] <= 0.15L * mn || g.san[i] <= 0.15L * mn)
            AddError("Warning: point teeth ! (" + n + ")");
        if (all && g.z[i] > 0 && g.xmin[i] > g.x[i]) AddError("Warning: undercut ! (" + n + ")");
        if (g.TipModeValue[i] < 0)
            AddError("Error  : clearance sh.add. < 0 ! (" + n + ")");
        else if (all && g.TipModeValue[i] < 0.12L * mn)
            AddError("Warning: clearance sh.add. < 0.12mn ! (" + n + ")");
    }
    if (std::abs(static_cast<long long>(g.z[2])) < std::abs(static_cast<long long>(g.z[1])))
        AddError("Warning: z2<z1 !");
    if (g.z[2] < 0 && g.IntInterference < 0) AddError("meshing interference !");
    if (all && meshing && std::isfinite(g.u) && g.u == std::trunc(g.u)) AddError("gear ratio !");
    if (g.epsalpha < 1 && meshing) AddError("eps.alpha < 1 !");
    if (g.epsbeta < 1 && g.beta > 0) AddError("eps.beta < 1 !");
    if (g.epsgamma < 1 && meshing) AddError("eps.gamma < 1 !");

    for (int i = 1; i <= 2; ++i) {
        const std::string n = GearNo(i);
        if (std::fabs(g.x[i]) > 1.5L) AddError("Warning: x > 1.5   (" + n + ") !");
        if (g.alpha < g.alprP0[i]) AddError("alfa prP0 > alfa !");
        if (g.alkP0[i] < g.alpha) AddError("alfa kP0 < alfa !");
        if (PercentDiff(DmMess(g.z[i], g.betaRad, g.alphaRad, g.xEmax[i], mn), g.DM[i]) > 50)
            AddError("ball diameter " + n + " !");
        if (PercentDiff(kmess(g.z[i], g.betaRad, g.alphaRad, g.xEmax[i], mn), g.k[i]) > 50)
            AddError("No. of teeth measured " + n + " !");
        if (all && g.bGear[i] < std::sin(g.betab) * g.WminV[i] + 2 + 0.03L * g.WminV[i] &&
            g.beta > 0)
            AddError("Warning: b < b min. (" + n + ")");
        if (all && g.Asne[i] > 2 * g.Aai * ta) AddError("Warning: Asne < Aau !  (" + n + ")");
        if (g.jtmin < 0) AddError("Warning: jtmin < 0 !");
        if (std::fabs(g.d[i]) < 2 && g.TsnSeries[i] < 11) AddError("Warning: Tsn DIN d<2 !");
        if (PercentDiff(g.sn[i], g.snMin[i]) > 25) AddError("Error  : Tol. Asne,Asni!");
    }
    if (all && (std::fabs(g.zetaE1) > 2 || std::fabs(g.zetaA1) > 2 || std::fabs(g.zetaE2) > 2 ||
                std::fabs(g.zetaA2) > 2))
        AddError("Warning: spec.sliding > 2 !");
    for (int i = 1; i <= 2; ++i) {
        if (g.xEmaxV[i] < g.xEminV[i]) AddError("Error  : xemin>xemax (" + GearNo(i) + ")");
        if (g.LoadGearValue1[i] == 0) g.LoadGearValue1[i] = 1.0L;
        if (g.LoadGearValue2[i] == 0) g.LoadGearValue2[i] = 1.0L;
        if (g.MatRho[i] == 0) g.MatRho[i] = 7.8L;
    }
    for (int i = 1; i <= 2; ++i) {
        const std::string n = GearNo(i);
        if (g.dfmax[i] >= g.dw[i]) AddError("Error  : dw < df ! (" + n + ")");
        if (g.da[i] < g.dw[i]) AddError("Error  : dw > da ! (" + n + ")");
    }
}
