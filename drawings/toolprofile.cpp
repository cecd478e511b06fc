#include "drawings/toolprofile.h"

#include <cmath>
#include <string>

#include "cad/cadout.h"
#include "calc/geardata.h"
#include "framework/core/geom2d.h"
#include "framework/core/globals.h"
#include "framework/core/text.h"

namespace {

struct TPoint {
    Extended x = 0;
    Extended y = 0;
};

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

void DrawToolProfile(int i, bool transverse, int withTexts) {
    if (AbortFlag != 0) return;
    const TGearData& g = GearData;
    const Extended mn = g.mn;
    const Extended alpha = g.alphaRad;
    const Extended ta = Tan(alpha);
    const Extended H = (g.d[i] - g.dfx[i]) / 2.0L;
    const Extended haP0 = g.haP0[i];
    const Extended hfP0 = g.hfP0[i];
    const Extended rhoA = g.rhoaP0[i];
    const Extended rhoF = g.rhofP0[i];
    const Extended yD = haP0 - H;
    const Extended yR = hfP0 + haP0 - H;
    const Extended k = transverse ? cosl(g.betaRad) : 1.0L;
    const THalfPen pen(k, transverse && g.betaRad != 0);
    const bool protuberance = g.prP0mn[i] != 0;
    const bool chamfer = g.ChamferOn[i];
    const bool rootRadius = g.rhofP0mn[i] > 0;
    const Extended alprDeg = g.alprP0[i];
    const Extended alprRad = DegToRad(alprDeg);

    // Right half (x >= 0). Flank foot on the root line, chamfer corner and chamfer foot.
    const Extended xf = hfP0 * ta + Pi * mn / 4.0L;
    const TPoint K{xf - (hfP0 - g.hFfP0[i]) * ta, g.hFfP0[i] + haP0 - H};
    const Extended xC = K.x + (hfP0 - g.hFfP0[i]) * Tan(DegToRad(g.alkP0[i]));

    // Tip radius centre, tangent point P on the (protuberance) flank, corner Q with the main flank.
    TPoint Ca;
    TPoint P;
    TPoint Q;
    Ca.y = rhoA - H;
    if (protuberance) {
        Ca.x = Pi * mn / 4.0L + g.prP0[i] / cosl(alpha) - (haP0 - rhoA) * ta - rhoA / cosl(alpha);
        RotateAndMove(Ca.x, -H, Ca.x, Ca.y, HalfPi - alprRad, P.x, P.y);
        if (!RayIntersection(P.x, P.y, HalfPi - alprRad, Pi * mn / 4.0L, yD, HalfPi - alpha, Q.x,
                             Q.y))
            Q = P; // protuberance parallel to the flank: no corner of its own
    } else {
        Ca.x = Pi * mn / 4.0L - (haP0 - rhoA) * ta - rhoA / cosl(alpha);
        P = {Ca.x + rhoA * cosl(alpha), Ca.y - rhoA * sinl(alpha)};
        Q = P;
    }

    // Root radius: tangent to the root line and to the chamfer (or main) flank.
    const Extended gamma = chamfer ? DegToRad(g.alkP0[i]) : alpha;
    const TPoint Cf{xC + rhoF * (1.0L - sinl(gamma)) / cosl(gamma), yR - rhoF};
    const TPoint E{Cf.x - rhoF * cosl(gamma), Cf.y + rhoF * sinl(gamma)};
    const TPoint spaceMid{Pi * mn / 2.0L, yR};
    const Extended gammaDeg = RadToDeg(gamma);
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
