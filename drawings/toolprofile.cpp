#include "drawings/toolprofile.h"

#include <cmath>
#include <string>

#include "cad/cadout.h"
#include "calc/geardata.h"
#include "framework/core/geom2d.h"
#include "framework/core/globals.h"
#include "framework/core/text.h"

namespace {

using TPoint = TToolPoint;

// The primitives of one half, mirrored by sign (+1 right, -1 left) and scaled in x by 1/k.
class THalfPen {
public:
    THalfPen(Extended k, bool elliptic) : k_(k), elliptic_(elliptic) {}
    void Line(TPoint a, TPoint b, Extended sign) const {
        if (a.x == b.x && a.y == b.y) return; // corners that coincide without a chamfer
        CadLine(sign * a.x / k_, a.y, sign * b.x / k_, b.y);
    }
    void Arc(TPoint c, Extended startDeg, Extended endDeg, Extended r) const {
        if (elliptic_)
            CadPolyline(c.x / k_, c.y, startDeg, endDeg, r, 1.0L / k_, 1.0L, 5.0L);
        else
            CadArc(c.x / k_, c.y, startDeg, endDeg, r);
    }

private:
    Extended k_;
    bool elliptic_;
};

std::string LengthLine(const std::string& label, Extended factor, Extended mm, bool unit) {
    std::string s = label + FloatToStrSig3(factor) + " * mn = " + LengthToStr(mm);
    if (unit) s += " " + LengthUnitText();
    return s;
}

} // namespace

TToolShape ToolShape(int i) {
    const TGearData& g = GearData;
    const Extended mn = g.mn;
    const Extended alpha = g.alphaRad;
    const Extended ta = Tan(alpha);
    const Extended H = (g.d[i] - g.dfx[i]) / 2.0L;
    const Extended haP0 = g.haP0[i];
    const Extended hfP0 = g.hfP0[i];
    TToolShape t;
    t.tipY = -H;
    t.datumY = haP0 - H;
    t.rootY = hfP0 + haP0 - H;
    t.spaceMid = Pi * mn / 2.0L;
    t.rhoA = g.rhoaP0[i];
    t.rhoF = g.rhofP0[i];
    t.alpha = alpha;
    t.protuberance = g.prP0mn[i] != 0;
    t.chamfer = g.ChamferOn[i];
    t.rootRadius = g.rhofP0mn[i] > 0;
    t.alpr = t.protuberance ? DegToRad(g.alprP0[i]) : alpha;

    // Flank foot on the root line, chamfer corner and chamfer foot.
    const Extended xf = hfP0 * ta + Pi * mn / 4.0L;
    t.K = {xf - (hfP0 - g.hFfP0[i]) * ta, g.hFfP0[i] + haP0 - H};
    t.xC = t.K.x + (hfP0 - g.hFfP0[i]) * Tan(DegToRad(g.alkP0[i]));

    // Tip radius centre, tangent point P on the (protuberance) flank, corner Q with the main flank.
    const Extended rhoA = t.rhoA;
    t.Ca.y = rhoA - H;
    if (t.protuberance) {
        t.Ca.x = Pi * mn / 4.0L + g.prP0[i] / cosl(alpha) - (haP0 - rhoA) * ta - rhoA / cosl(alpha);
        RotateAndMove(t.Ca.x, -H, t.Ca.x, t.Ca.y, HalfPi - t.alpr, t.P.x, t.P.y);
        if (!RayIntersection(t.P.x, t.P.y, HalfPi - t.alpr, Pi * mn / 4.0L, t.datumY,
                             HalfPi - alpha, t.Q.x, t.Q.y))
            t.Q = t.P; // protuberance parallel to the flank: no corner of its own
    } else {
        t.Ca.x = Pi * mn / 4.0L - (haP0 - rhoA) * ta - rhoA / cosl(alpha);
        t.P = {t.Ca.x + rhoA * cosl(alpha), t.Ca.y - rhoA * sinl(alpha)};
        t.Q = t.P;
    }
    if (!t.chamfer) t.K = {xf, t.rootY};

    // Root radius: tangent to the root line and to the chamfer (or main) flank.
    t.gamma = t.chamfer ? DegToRad(g.alkP0[i]) : alpha;
    const Extended rhoF = t.rhoF;
    t.Cf = {t.xC + rhoF * (1.0L - sinl(t.gamma)) / cosl(t.gamma), t.rootY - rhoF};
    t.E = {t.Cf.x - rhoF * cosl(t.gamma), t.Cf.y + rhoF * sinl(t.gamma)};
    if (!t.chamfer && t.rootRadius) t.K = t.E;
    return t;
}

void DrawToolProfile(int i, bool transverse, int withTexts) {
    if (AbortFlag != 0) return;
    const TGearData& g = GearData;
    const Extended mn = g.mn;
    const TToolShape t = ToolShape(i);
    const Extended hfP0 = g.hfP0[i];
    const Extended haP0 = g.haP0[i];
    const Extended rhoA = t.rhoA;
    const Extended rhoF = t.rhoF;
    const Extended H = -t.tipY;
    const Extended yD = t.datumY;
    const Extended yR = t.rootY;
    const Extended k = transverse ? cosl(g.betaRad) : 1.0L;
    const THalfPen pen(k, transverse && g.betaRad != 0);
    const bool protuberance = t.protuberance;
    const bool chamfer = t.chamfer;
    const bool rootRadius = t.rootRadius;
    const Extended alprDeg = g.alprP0[i];
    const TPoint Ca = t.Ca, P = t.P, Q = t.Q, K = t.K, Cf = t.Cf, E = t.E;
    const Extended xC = t.xC;
    const TPoint spaceMid{t.spaceMid, yR};
    const Extended gammaDeg = RadToDeg(t.gamma);
    const Extended tipEndDeg = protuberance ? alprDeg : g.alpha;

    auto rootPart = [&](Extended sign) {
        if (rootRadius) {
            pen.Line(spaceMid, {Cf.x, yR}, sign);
            if (sign > 0)
                pen.Arc(Cf, 90.0L, 180.0L - gammaDeg, rhoF);
            else
                pen.Arc({-Cf.x, Cf.y}, gammaDeg, 90.0L, rhoF);
            if (chamfer) {
                pen.Line(E, K, sign);
                pen.Line(K, Q, sign);
            } else {
                pen.Line(E, Q, sign);
            }
        } else {
            pen.Line(spaceMid, {xC, yR}, sign);
            pen.Line({xC, yR}, K, sign);
            pen.Line(K, Q, sign);
        }
    };

    CadSetColour(3);
    rootPart(1.0L);
    if (protuberance) pen.Line(Q, P, 1.0L);
    pen.Arc(Ca, 270.0L, 360.0L - tipEndDeg, rhoA);
    pen.Line({Ca.x, -H}, {-Ca.x, -H}, 1.0L);
    // Left half, mirrored.
    pen.Arc({-Ca.x, Ca.y}, 180.0L + tipEndDeg, 270.0L, rhoA);
    if (protuberance) pen.Line(Q, P, -1.0L);
    rootPart(-1.0L);

    if (withTexts != 1) return;
    CadSetColour(1);
    CadLine(0, -H - 0.1L * mn, 0, yR + 0.1L * mn);
    CadLine(-mn, yD, mn, yD);
    CadSetColour(4);
    CadSetTextSize(2, 0, 0.08L * mn, 0.06L * mn);
    CadMoveTo(0.05L * mn, yD + 0.03L * mn);
    CadTextLine(g.DrawingNumber[i].str());
    CadTextLine(g.DrawingName[i].str());
    CadTextLine("(Tool)");
    CadMoveTo(1.5L * mn, yR - 0.15L * mn);
    CadTextLine("gear " + std::to_string(i));
    CadTextLine(LengthLine("hfP0 = ", g.hfP0mn[i], hfP0, true));
    CadTextLine(LengthLine("haP0 = ", g.haP0mn[i], haP0, true));
    CadTextLine(LengthLine("raP0 = ", g.rhoaP0mn[i], rhoA, true));
    if (rootRadius) CadTextLine(LengthLine("rfP0 = ", g.rhofP0mn[i], rhoF, true));
    if (g.prP0mn[i] > 0) {
        CadTextLine(LengthLine("prP0 = ", g.prP0mn[i], g.prP0[i], true));
        CadTextLine("alpha prP0 = " + FloatToStrSig3(alprDeg) + AngleUnitText());
    }
    if (chamfer) {
        CadTextLine(LengthLine("hFfP0 = ", g.hFfP0mn[i], g.hFfP0[i], false));
        CadTextLine("alpha kP0 = " + FloatToStrSig3(g.alkP0[i]) + AngleUnitText());
    }
}
