#include "drawings/annotate.h"

#include <cmath>
#include <string>

#include "cad/cadout.h"
#include "calc/geardata.h"
#include "drawings/toothgeom.h"
#include "framework/core/text.h"

void DrawAngleArc(std::string_view text, bool inside, Extended xc, Extended yc, Extended w,
                  Extended D, Extended theta) {
    const Extended mn = GearData.mn;
    CadSetTextSize(2, -w, 0.1L * mn, 0.08L * mn);
    if (D >= 0)
        CadArc(xc, yc, theta - w, theta + w, D / 2.0L);
    else
        CadArc(xc, yc, theta + 180.0L + w, theta + 180.0L - w, -D / 2.0L);
    const Extended lambda = DegToRad(theta - 90.0L) + 0.8L * DegToRad(w);
    Extended x = 0;
    Extended y = 0;
    if (inside) {
        x = xc + (D / 2.0L - 0.12L * mn) * sinl(lambda);
        y = yc + (D / 2.0L - 0.12L * mn) * cosl(lambda);
    } else {
        x = xc + (D / 2.0L + 0.08L * mn) * sinl(lambda);
        y = yc + (D / 2.0L + 0.05L * mn) * cosl(lambda);
    }
    CadText(text, x, y);
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

void DrawDiameterArcs(int i, Extended theta, Extended xc, Extended yc) {
    const TGearData& g = GearData;
    if (g.z[i] == 0) return; // no pitch to span
    const Extended w = 1.5L * 180.0L / g.z[i];
    CadSetColour(0);
    CadSetColour(17);
    DrawAngleArc("d", false, xc, yc, w, g.d[i], theta);
    CadSetColour(25);
    DrawAngleArc("db", false, xc, yc, w, g.db[i], theta);
    CadSetColour(19);
    DrawAngleArc("df", false, xc, yc, w, g.dfx[i], theta);
    CadSetColour(21);
    DrawAngleArc("da", false, xc, yc, w, g.dax[i], theta);
    CadSetColour(20);
    const Extended dFf = RootFormDiameter(i);
    // A form diameter close to the base diameter gets a wider arc so the labels do not overlap.
    const Extended wFf = fabsl(dFf - g.db[i]) < 0.1L * g.mn ? 1.2L * w : w;
    DrawAngleArc("dFf", false, xc, yc, wFf, dFf, theta);
    if (g.dFa[i] != g.da[i]) {
        CadSetColour(29);
        DrawAngleArc("dFa", false, xc, yc, w, Mean2(g.dFa[i], g.dFaK[i]), theta);
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
