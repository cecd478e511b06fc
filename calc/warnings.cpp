#include "calc/warnings.h"

#include <cmath>
#include <string>
#include <tuple>
#include <utility>

#include "calc/geardata.h"
#include "calc/inspect.h"
#include "calc/meshing.h"
#include "calc/tables.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"

namespace {

std::string GearNo(int i) {
    return std::to_string(i);
}

// The end of the straight main flank below the datum line, in mn: the tangent point of the tip
// radius, or the corner with the protuberance flank.
long double FlankEndDepthMn(const TGearData& g, int i, long double alpha) {
    const long double ha = g.haP0mn[i], rho = g.rhoaP0mn[i];
    if (g.prP0mn[i] == 0) return ha - rho * (1 - Sin(alpha));
    const long double apr = DegToRad(g.alprP0[i]);
    const long double xc = Pi / 4 + (g.prP0mn[i] - rho) / Cos(alpha) - (ha - rho) * std::tan(alpha);
    const long double xP = xc + rho * Cos(apr), dP = ha - rho + rho * Sin(apr);
    // The protuberance flank x = xP + (dP - d) tan(apr) meets the main flank x = pi/4 - d tan(a).
    const long double t = std::tan(alpha) - std::tan(apr);
    return t == 0 ? dP : (Pi / 4 - xP - dP * std::tan(apr)) / t;
}

// Whether a tool tip radius rho (mm) leaves the gap of the internal gear i, with the flank of
// shift xE and the root cut at xK, open down to the root circle.
bool RingGapOpen(int i, long double xE, long double xK, long double rho) {
    return GapClosingDiameter(i, xE, xK, rho) == 0;
}

// The largest tool tip radius (in mn) whose fillets leave the gap of the internal gear i, with
// the flank of shift xE and the root cut at xK, open down to the root circle: beyond it the
// fillets of the two flanks meet on the middle of the gap, short of the root circle. rhoMn itself
// when it fits, and when no radius does (the flanks meet before the root circle).
long double RingGapTipRadiusMax(const TGearData& g, int i, long double xE, long double xK,
                                long double rhoMn) {
    auto fits = [&](long double rho) { return RingGapOpen(i, xE, xK, rho); };
    long double lo = 0, hi = rhoMn * g.mn;
    if (fits(hi) || !fits(0)) return rhoMn;
    for (int n = 0; n < 60; ++n)
        (fits((lo + hi) / 2) ? lo : hi) = (lo + hi) / 2;
    return lo / g.mn;
}

// A limit of a tool factor as a message names it (three decimals): the largest figure that the
// check passes when typed, so "rhoaP0 > 0.413" is given for 0.414 and not for 0.413.
std::string FactorAtMost(long double limit) {
    const long double n = std::floor(limit * 1000);
    for (long double k : {n + 1, n, n - 1}) {
        const std::string text = FixedPointText(k / 1000, 3);
        if (ParseReal(text) <= limit) return text;
    }
    return FixedPointText((n - 2) / 1000, 3);
}

// "Error  : gap closes d=52.857 mm (2)": the diameter in the unit of the sheets, as closely as
// the list's 36 characters take it.
std::string GapClosesMessage(long double mm, int i) {
    std::string text;
    for (int decimals = 3; decimals >= 0; --decimals) {
        text = "Error  : gap closes d=" + MessageLength(mm, decimals) + " (" + GearNo(i) + ")";
        if (FitsMessageList(text)) break;
    }
    return text;
}

} // namespace

bool PointedTooth(const TGearData& g, int i) {
    for (long double s : TipThicknesses(g, i))
        if (s <= 0) return true;
    return false;
}

bool ShiftLimitsCrossed(const TGearData& g, int i) {
    return g.xEmax[i] < g.xEmin[i] || g.xEmaxV[i] < g.xEminV[i];
}

bool FitsMessageList(const std::string& text) {
    return ShortString<ErrorTextCapacity>(text) == text;
}

std::string MessageLength(long double mm, int decimals) {
    const bool inch = UnitSystem == 1;
    return FixedPointText(inch ? mm / 25.4L : mm, inch ? decimals + 1 : decimals) + " " +
           LengthUnitText();
}

std::string MessageAngle(long double degrees) {
    std::string text = FixedPointText(degrees, 4);
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text + AngleUnitText();
}

long double RingGapTipRadiusMax(const TGearData& g, int i, long double rhoMn) {
    return std::fmin(RingGapTipRadiusMax(g, i, g.xEmin[i], g.xEminV[i], rhoMn),
                     RingGapTipRadiusMax(g, i, g.xEmax[i], g.xEmaxV[i], rhoMn));
}

bool RingGapClosedForEveryTipRadius(const TGearData& g, int i) {
    return !RingGapOpen(i, g.xEmin[i], g.xEminV[i], 0) || !RingGapOpen(i, g.xEmax[i], g.xEmaxV[i], 0);
}

long double ToolPointedAddendum(long double alpha, long double prP0mn) {
    // The flanks x = pi/4 + prP0 / cos(alpha) - h tan(alpha) of both sides meet at x = 0.
    return (Pi / 4 * Cos(alpha) + prP0mn) / Sin(alpha);
}

std::string ToolPointedAddendumText(long double alpha, long double prP0mn) {
    // The grid point below the limit (an addendum on the limit itself is pointed too).
    return FixedPointText((std::ceil(ToolPointedAddendum(alpha, prP0mn) * 1000) - 1) / 1000, 3);
}

std::string ToolPointedWarning(long double alpha, long double prP0mn) {
    return "Warning: haP0 > " + ToolPointedAddendumText(alpha, prP0mn) + " mn: pointed !";
}

long double ToolRootRadiusMax(const TGearData& g, int i) {
    const long double alpha = DegToRad(g.alpha);
    const long double alk = g.alkP0[i] == 0 ? g.alpha : g.alkP0[i];
    const bool chamfer = std::fabs(alk - g.alpha) >= 0.001L;
    const long double hf = g.hfP0mn[i], hFf = chamfer ? g.hFfP0mn[i] : hf;
    // Tangent to the root line and the flank (gamma), the root radius must end before the
    // middle of the space and above the lower end of that flank.
    const long double gamma = chamfer ? DegToRad(alk) : alpha;
    const long double lift = 1 - Sin(gamma);
    const long double xK = hf * std::tan(alpha) + Pi / 4 - (hf - hFf) * std::tan(alpha);
    const long double xC = xK + (hf - hFf) * std::tan(gamma);
    const long double flankHeight = chamfer ? hf - hFf : hf + FlankEndDepthMn(g, i, alpha);
    return std::fmin((Pi / 2 - xC) * Cos(gamma) / lift, flankHeight / lift);
}

void ToolProfileWarnings(int i) {
    const TGearData& g = GearData;
    const long double alpha = DegToRad(g.alpha);
    const long double alk = g.alkP0[i] == 0 ? g.alpha : g.alkP0[i];
    const bool chamfer = std::fabs(alk - g.alpha) >= 0.001L;
    const long double hf = g.hfP0mn[i], hFf = chamfer ? g.hFfP0mn[i] : hf;
    const long double rhoMax = RackTipRadiusMax(alpha, g.haP0mn[i], g.prP0mn[i]);
    // A tool whose flanks meet at or below its tip line has no tip to round: what must change is
    // its addendum, not the radius.
    if (!(rhoMax > 0))
        AddError(ToolPointedWarning(alpha, g.prP0mn[i]));
    else if (g.rhoaP0mn[i] > rhoMax)
        AddError("Warning: rhoaP0 > " + FactorAtMost(rhoMax) + " mn !");
    // A ring gear's gap bottom at both limits of its tolerance; where its flanks meet before the
    // root circle, no radius opens it.
    if (g.z[i] < 0 && g.d[i] < 0 && g.db[i] < 0) {
        if (RingGapClosedForEveryTipRadius(g, i)) {
            if (g.rhoaP0mn[i] > 0) AddError("Warning: no rhoaP0 opens the gap !");
        } else if (const long double gap = RingGapTipRadiusMax(g, i, g.rhoaP0mn[i]);
                   g.rhoaP0mn[i] > gap) {
            AddError("Warning: gap rhoaP0 <= " + FactorAtMost(gap) + " mn !");
        }
    }
    if (chamfer && hFf > hf) AddError("Warning: hFfP0 > hfP0 = " + FactorAtMost(hf) + " mn !");
    if (g.rhofP0mn[i] > 0) {
        const long double rhofMax = ToolRootRadiusMax(g, i);
        if (g.rhofP0mn[i] > rhofMax)
            AddError("Warning: rhofP0 > " + FactorAtMost(std::fmax(rhofMax, 0.0L)) + " mn !");
    }
    if (g.alkP0[i] != 0 && g.alkP0[i] < g.alpha)
        AddError("alfa kP0 < alfa = " + MessageAngle(g.alpha) + " !");
}

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
        if (all && g.bGear[i] < Sin(g.betab) * g.WminV[i] + 2 + 0.03L * g.WminV[i] && g.beta > 0)
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
        if (CutTipDiameter(i) < g.dw[i]) AddError("Error  : dw > da ! (" + n + ")");
    }
}

void CheckSoundness() {
    const TGearData& g = GearData;
    const long double eps = 1e-9L * g.mn;
    // Beside the fixed companion only the designed gear's own results are judged: the pair and
    // gear 1 stand for no mating gear of the user's.
    const bool pair = !IsFixedCompanion(g);
    const int first = pair ? 1 : 2;
    // A tip circle beyond what the tool cuts, and one that no involute reaches (no contact
    // ratio then). Every other check takes the tip the tool leaves.
    // Tips without involute at either limit (none below the tip, or a tip inside the base circle).
    bool noInvolute[3] = {};
    for (int i = first; i <= 2; ++i)
        noInvolute[i] = TipWithoutInvolute(i) || TipInsideBaseCircle(i);
    for (int i = first; i <= 2; ++i) {
        if (g.kmn[i] < 0) AddError("Error  : kmn < 0 !  (" + GearNo(i) + ")");
        // A tip inside the base circle (also one whose involute a chamfer ends outside it: its
        // tip thickness is empty, and this says why); else a tip outside it whose chamfer,
        // rounding or crossing flanks leave no involute below it.
        if (TipInsideBaseCircle(i))
            AddError("Error  : db > da  (" + GearNo(i) + ") !");
        else if (noInvolute[i])
            AddError("Error  : no involute (" + GearNo(i) + ") !");
    }
    if (pair) {
        // A tip that runs into the root of the mating gear.
        for (int i = 1; i <= 2; ++i)
            if (g.a - (CutTipDiameter(i) + g.dfmax[OddEvenIndex(i)]) / 2 < -eps)
                AddError("Error  : clearance sh.add. < 0 ! (" + GearNo(i) + ")");
        for (int i = 1; i <= 2; ++i) {
            const int j = OddEvenIndex(i);
            if (CutTipDiameter(j) > TipLimitDiameter(i))
                AddError("Error  : tooth collision da" + GearNo(j) + " !");
        }
        if (g.z[2] < 0 && g.IntInterference < 0) AddError("Error  : meshing interference !");
        for (int i = 1; i <= 2; ++i)
            if (g.dNf[i] < g.dFf[i] - eps) AddError("Error  : dNf < dFf (" + GearNo(i) + ") !");
        // Entered centre-distance allowances whose upper one lies below the lower one: the
        // backlash limits cross.
        if (g.Aae < g.Aai) AddError("Error  : Aae < Aai !");
    }
    for (int i = first; i <= 2; ++i)
        if (PointedTooth(g, i)) AddError("Error  : pointed tooth (" + GearNo(i) + ") !");
    // A flank without involute between its form circles (an undercut reaching past a chamfer's
    // crossing), at either limit, each with its own root form (the lower limit's sought only
    // where its bounds leave it open); a tip without involute says so already.
    for (int i = first; i <= 2; ++i) {
        if (noInvolute[i]) continue;
        bool above = g.dFf[i] > g.dFa[i] + eps;
        if (!above) {
            TFormBounds b;
            b.tipKnown = true;
            const long double xE = g.xEminV[i];
            FormDiameterBounds(i, &xE, &xE, 1, &b);
            above = b.rootHi > g.dFaK[i] + eps && RootFormDiameterAt(i, xE) > g.dFaK[i] + eps;
        }
        if (above) AddError("Error  : dFf > dFa (" + GearNo(i) + ") !");
    }
    // A ring gear's gap whose sides (fillets included) meet short of its root circle, at either
    // limit.
    for (int i = first; i <= 2; ++i) {
        if (g.z[i] >= 0) continue;
        for (const auto& [xE, xK, root] : {std::tuple{g.xEmax[i], g.xEmaxV[i], g.dfmax[i]},
                                           {g.xEmin[i], g.xEminV[i], g.dfmin[i]}}) {
            const long double meet = std::fabs(GapClosingDiameter(i, xE, xK, g.rhoaP0[i]));
            if (!(meet > 0 && meet < std::fabs(root) - eps)) continue;
            AddError(GapClosesMessage(meet, i));
            break;
        }
    }
    if (pair && g.z[1] + g.z[2] != 0 && g.epsalpha < 1) AddError("Error  : ratio eps.alpha < 1 !");
    for (int i = first; i <= 2; ++i) {
        const unsigned f = MeasureFaults(i);
        const std::string n = " (" + GearNo(i) + ") !";
        if (f & NoBall) AddError("Error  : no ball for this x" + n);
        if (f & BallCannotSeat) AddError("Error  : Dm ball !  (" + GearNo(i) + ")");
        if (f & BallBelowForm) AddError("Error  : ball contact < dFf" + n);
        if (f & BallAboveForm) AddError("Error  : ball contact > dFa" + n);
        if (f & SpanBelowForm) AddError("Error  : span contact < dFf" + n);
        if (f & SpanAboveForm) AddError("Error  : span contact > dFa" + n);
    }
    // (gear 2's are its plausibility check's)
    if (pair && ShiftLimitsCrossed(g, 1)) AddError("Error  : xemin>xemax (1)");
}
