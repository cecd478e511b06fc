#include "calc/basegeom.h"

#include <cmath>
#include <string>

#include "calc/geardata.h"
#include "calc/tables.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"
#include "framework/core/text.h"

namespace {

// z1 + z2 without integer overflow, whatever the tooth numbers.
long double ToothSum(const TGearData& g) {
    return static_cast<long double>(g.z[1]) + static_cast<long double>(g.z[2]);
}

void Fatal(const std::string& msg) {
    AddError(msg);
    CalcErrorFlag = 1;
}

} // namespace

void CalcUnit0() {
    TGearData& g = GearData;
    if (CalcErrorFlag != 0) {
        AddError("Fatal  : Unit0");
        return;
    }
    if (!(g.alpha >= 5.0L && g.alpha <= 45.0L)) {
        Fatal("Fatal  : alpha !");
        return;
    }
    if (std::fabs(g.beta) > 45.0L) AddError("Fatal  : beta > 45" + AngleUnitText() + "!");
    if (!(g.mn > 0.0L)) {
        Fatal("Fatal  : mn <= 0!");
        return;
    }
    if (!(g.b > 0.0L)) {
        Fatal("Fatal  : b <= 0!");
        return;
    }
    for (int i = 1; i <= 2; ++i) {
        if (std::abs(static_cast<long long>(g.z[i])) < 2) {
            Fatal("Fatal  : z" + std::to_string(i) + " < 2!");
            return;
        }
    }
    if (std::abs(static_cast<long long>(g.z[2])) < std::abs(static_cast<long long>(g.z[1])))
        AddError("Error  : z2 < z1 !");
    if (g.z[1] < 0) AddError("Error  : z1 < 0 !");

    for (int i = 1; i <= 2; ++i) {
        if (g.b > g.bGear[i]) g.bGear[i] = g.b;
        if (g.alkP0[i] == 0.0L) g.alkP0[i] = g.alpha;
        if (g.alkP0[i] == g.alpha) {
            g.ChamferOn[i] = false;
            g.hFfP0mn[i] = g.hfP0mn[i];
        } else {
            g.ChamferOn[i] = true;
        }
    }

    g.alphaRad = DegToRad(g.alpha);
    g.betaRad = DegToRad(g.beta);
    g.Pn = 25.4L / g.mn;
    const long double cb = Cos(g.betaRad);
    g.mt = g.mn / cb;
    for (int i = 1; i <= 2; ++i)
        g.d[i] = g.z[i] * g.mt;
    g.alphat = ArcTan(Tan(g.alphaRad) / cb);

    const long double s = Sin(g.alphaRad);
    g.zg = 2.0L / (s * s);
    g.zgPract = 5.0L / 6.0L * g.zg;
    const long double cb3 = IntPower(cb, 3);
    for (int i = 1; i <= 2; ++i)
        g.xmin[i] = (g.zgPract - g.z[i] / cb3) / g.zg;
}

void CentreDistance() {
    TGearData& g = GearData;
    if (CalcErrorFlag != 0) return;
    if (g.a == 0.0L) {
        g.alphawt = 0.0L;
        g.xSum = 0.0L;
        return;
    }
    long double c = Cos(g.alphat) * (g.d[1] + g.d[2]) / 2.0L / g.a;
    if (c > 1.0L || c < 0.0L) {
        AddError("Cent.distance corr. !");
        g.ad = g.mn / 2.0L / Cos(g.betaRad) * ToothSum(g);
        if (PercentDiff(g.ad, g.a) > 20.0L) g.a = g.ad;
        c = Cos(g.alphat) * (g.d[1] + g.d[2]) / 2.0L / g.a;
    }
    g.alphawt = ArcCos(c);
    const long double zs = ToothSum(g);
    g.xSum = (Inv(g.alphawt) - Inv(g.alphat)) * zs / 2.0L / Tan(g.alphaRad);
}

namespace {

void ApplyBasicRackPreset(TGearData& g, int i) {
    switch (g.BasicRackType[i]) {
    case 1:
    case 2:
    case 3: {
        const int t = g.BasicRackType[i];
        g.hfP0mn[i] = 1.0L;
        g.haP0mn[i] = t == 3 ? 1.4L : 1.25L;
        g.rhoaP0mn[i] = t == 1 ? 0.25L : t == 2 ? 0.375L : 0.4L;
        g.alprP0[i] = t == 3 ? 6.0L : 0.0L;
        g.prP0mn[i] = t == 3 ? 0.02L : 0.0L;
        g.alkP0[i] = g.alpha;
        g.BasicRackName[i] = t == 3 ? "Protub." : "Normal";
        g.hFfP0mn[i] = g.hfP0mn[i];
        break;
    }
    case 4:
    case 8:
        g.BasicRackName[i] = "";
        break;
    case 5:
    case 9:
        g.alprP0[i] = 0.0L;
        g.prP0mn[i] = 0.0L;
        g.BasicRackName[i] = "Normal";
        break;
    default:
        break;
    }
    if (std::fabs(g.alkP0[i] - g.alpha) < 0.001L) {
        g.ChamferOn[i] = false;
        g.hFfP0mn[i] = g.hfP0mn[i];
    } else {
        g.ChamferOn[i] = true;
    }
}

} // namespace

void CalcUnit1() {
    TGearData& g = GearData;
    if (CalcErrorFlag != 0) {
        AddError("Fatal  : Unit1");
        return;
    }
    // Tooth-thickness allowances: from the DIN tables, or as entered.
    for (int i = 1; i <= 2; ++i) {
        if (g.TsnSeries[i] < 11) {
            g.Asne[i] = -DinAsneDev(g.AsnSeries[i], g.d[i]) / 1000.0L;
            g.Tsn[i] = DinTsnTol(g.TsnSeries[i], g.d[i]) / 1000.0L;
            g.Asni[i] = g.Asne[i] - g.Tsn[i];
        } else {
            g.Tsn[i] = g.Asne[i] - g.Asni[i];
        }
    }
    // The angle functions are taken once; the step needs each of them several times.
    const long double cb = Cos(g.betaRad);
    const long double cat = Cos(g.alphat);
    const long double ta = Tan(g.alphaRad);
    g.ad = g.mn / 2.0L / cb * ToothSum(g);
    for (int i = 1; i <= 2; ++i) {
        if (g.TsnSeries[i] < 11)
            g.TolZone[i] =
                AsnSeriesNameOf(g.AsnSeries[i]) + " " + std::to_string(20 + g.TsnSeries[i]);
        else
            g.TolZone[i] = "";
    }
    for (int i = 1; i <= 2; ++i)
        ApplyBasicRackPreset(g, i);
    for (int i = 1; i <= 2; ++i) {
        g.hfP0[i] = g.hfP0mn[i] * g.mn;
        g.haP0[i] = g.haP0mn[i] * g.mn;
        g.rhoaP0[i] = g.rhoaP0mn[i] * g.mn;
        g.rhofP0[i] = g.rhofP0mn[i] * g.mn;
        g.prP0[i] = g.prP0mn[i] * g.mn;
        g.hFfP0[i] = g.hFfP0mn[i] * g.mn;
    }

    g.betab = ArcTan(Tan(g.betaRad) * cat);
    const long double zs = ToothSum(g);
    if (zs != 0.0L)
        g.invalwt = Inv(g.alphat) + 2.0L * ta * (g.x[1] + g.x[2]) / zs;
    else
        g.invalwt = Inv(g.alphat);
    // A negative involute has no operating pressure angle either (the inverse would be < 0).
    long double caw = 1;
    g.alphawt = g.invalwt < 0.0L ? 0.0L : ArcInv(g.invalwt, caw);
    if (g.alphawt <= 0.0L) {
        g.alphawt = 0.0L;
        CalcErrorFlag = 1;
        AddError("Fatal  : alpha wt !");
        AbortFlag = 1;
        return;
    }
    const long double cbb = Cos(g.betab);
    g.betabAux = cbb * cbb;

    // Generating profile shifts, finished and premachined.
    const long double t = 2.0L * g.mn * ta;
    const long double s = g.mn * Sin(g.alphaRad);
    for (int i = 1; i <= 2; ++i) {
        g.xEmin[i] = g.x[i] + g.Asni[i] / t;
        g.xEmax[i] = g.x[i] + g.Asne[i] / t;
        if (std::fabs(g.q[i]) >= 1e-5L) {
            g.xEminV[i] = g.x[i] + g.Asne[i] / t + g.q[i] / s;
            g.xEmaxV[i] = g.x[i] + g.Asne[i] / t + (g.q[i] + g.qTol[i]) / s;
            // A premachining tolerance below half the finish tolerance is hard to hold.
            if (g.WarningMode == 0 && g.qTol[i] < g.Tsn[i] / 2.0L)
                AddError("Warning: q tol < Tsn/2  (" + std::to_string(i) + ")");
        } else {
            g.q[i] = 0.0L;
            g.qTol[i] = 0.0L;
            g.xEminV[i] = g.xEmin[i];
            g.xEmaxV[i] = g.xEmax[i];
        }
    }

    for (int i = 1; i <= 2; ++i) {
        g.zn[i] = g.z[i] / cb / g.betabAux;
        g.dn[i] = g.mn * g.zn[i];
        g.dw[i] = cat * g.d[i] / caw;
        g.dfmax[i] = g.d[i] - 2.0L * g.haP0[i] + 2.0L * g.xEmaxV[i] * g.mn;
        if (g.z[i] > 0 && g.dfmax[i] <= 0.0L) {
            Fatal("Fatal  : df <=0 ! (" + std::to_string(i) + ")");
            return;
        }
        g.dfmin[i] = g.d[i] - 2.0L * g.haP0[i] + 2.0L * g.xEminV[i] * g.mn;
        g.daNom[i] = 2.0L * (g.x[i] * g.mn + g.hfP0[i]) + g.d[i];
        g.daTool[i] = 2.0L * (g.hfP0[i] + g.haP0[i]) + g.dfmax[i];
        g.db[i] = cat * g.d[i];
        g.dToolMid[i] = (g.daTool[i] + g.dfmax[i]) / 2.0L;
    }

    g.pn = Pi * g.mn;
    g.pt = g.pn / cb;
    g.ptb = cat * g.pt;
    g.pet = g.ptb;
    g.pen = Cos(g.alphaRad) * g.pn;

    g.a = (g.dw[1] + g.dw[2]) / 2.0L;

    // Centre-distance allowances and backlash follow from the centre distance just found.
    if (g.AaField < 9) {
        g.AaFieldName = AaFieldNameOf(g.AaField);
        g.Aae = IsoItTol(g.AaField, std::fabs(g.a)) / 2000.0L;
        g.Aai = -g.Aae;
    } else {
        g.AaFieldName = "";
    }
    g.jtmin = (2.0L * g.Aai * ta - (g.Asne[1] + g.Asne[2])) / cb;
    g.jtmax = (2.0L * g.Aae * ta - (g.Asni[1] + g.Asni[2])) / cb;
}

void TipRootInputModes() {
    TGearData& g = GearData;
    if (CalcErrorFlag != 0) return;
    for (int i = 1; i <= 2; ++i) {
        const int j = OddEvenIndex(i);
        switch (g.TipInputMode[i]) {
        case 1:
            g.da[i] = 2.0L * (g.a - g.TipModeValue[i]) - g.dfmax[j];
            g.kmn[i] = (g.daTool[i] - g.da[i]) / 2.0L;
            break;
        case 2:
            if (std::fabs(g.kmn[i]) < 0.005L) g.kmn[i] = 0.0L;
            g.da[i] = g.daTool[i] - 2.0L * g.kmn[i];
            g.TipModeValue[i] = g.a - (g.da[i] + g.dfmax[j]) / 2.0L;
            break;
        case 3:
            g.kmn[i] = (g.daTool[i] - g.da[i]) / 2.0L;
            g.TipModeValue[i] = g.a - (g.da[i] + g.dfmax[j]) / 2.0L;
            break;
        default:
            break;
        }
        // A tip diameter across the axis (an addendum reduction or tip clearance larger than
        // the gear): no tooth has such a tip.
        if (g.da[i] * g.z[i] < 0) {
            Fatal("Fatal  : da of the wrong sign (" + std::to_string(i) + ") !");
            return;
        }
    }
}
