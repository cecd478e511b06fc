#include "drawings/toolprofile.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "cad/cadout.h"
#include "cad/cadtrace.h"
#include "calc/geardata.h"
#include "drawings/annotate.h"
#include "framework/core/geom2d.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
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

// A length of the tool as a factor of the module and in the sheet's unit, every one with it.
std::string LengthLine(const std::string& label, Extended factor, Extended mm) {
    return label + FloatToStrSig3(factor) + " * mn = " + LengthToStr(mm) + " " + LengthUnitText();
}

// The boxes of lines written down from (x, y) as CadTextLine writes them (an empty line is
// left out); next: the baseline of a line after them.
std::vector<TLabelBox> ColumnBoxes(const std::vector<std::string>& lines, Extended x, Extended y,
                                   Extended* next = nullptr) {
    const Extended h = CadTextHeight;
    std::vector<TLabelBox> boxes;
    for (const std::string& l : lines)
        if (!l.empty()) {
            boxes.push_back(TextBox(l, x, y, 0, h, h * CadTextWidthFactor));
            y -= 1.6L * h * CadLineSpacing;
        }
    if (next) *next = y;
    return boxes;
}

// The tool's data beside it, and its name.
std::vector<std::string> DataLines(int i) {
    const TGearData& g = GearData;
    std::vector<std::string> data = {"gear " + std::to_string(i),
                                     LengthLine("hfP0 = ", g.hfP0mn[i], g.hfP0[i]),
                                     LengthLine("haP0 = ", g.haP0mn[i], g.haP0[i]),
                                     LengthLine("raP0 = ", g.rhoaP0mn[i], g.rhoaP0[i])};
    if (g.rhofP0mn[i] > 0) data.push_back(LengthLine("rfP0 = ", g.rhofP0mn[i], g.rhofP0[i]));
    if (g.prP0mn[i] > 0) {
        data.push_back(LengthLine("prP0 = ", g.prP0mn[i], g.prP0[i]));
        data.push_back("alpha prP0 = " + FloatToStrSig3(g.alprP0[i]) + AngleUnitText());
    }
    if (g.ChamferOn[i]) {
        data.push_back(LengthLine("hFfP0 = ", g.hFfP0mn[i], g.hFfP0[i]));
        data.push_back("alpha kP0 = " + FloatToStrSig3(g.alkP0[i]) + AngleUnitText());
    }
    return data;
}
std::vector<std::string> NameLines(int i) {
    return {GearData.DrawingNumber[i].str(), GearData.DrawingName[i].str(), "(Tool)"};
}

void TextColumn(const std::vector<std::string>& lines, Extended x, Extended y) {
    CadMoveTo(x, y);
    for (const std::string& l : lines)
        CadTextLine(l);
}

} // namespace

Extended ToolTextsRight(int i) {
    // Their size as DrawToolProfile sets it: 0.08 mn high, 0.06 mn wide.
    const Extended mn = GearData.mn;
    Extended w = 0;
    for (const auto& lines : {DataLines(i), NameLines(i)})
        for (const std::string& l : lines)
            w = std::max(w, CadTextSpan(l, 0.08L * mn, 0.75L * CadTextFactor).to);
    return 1.6L * mn + w;
}

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

    auto outline = [&] {
        CadSetColour(3);
        rootPart(1.0L);
        if (protuberance) pen.Line(Q, P, 1.0L);
        pen.Arc(Ca, 270.0L, 360.0L - tipEndDeg, rhoA);
        pen.Line({Ca.x, -H}, {-Ca.x, -H}, 1.0L);
        // Left half, mirrored.
        pen.Arc({-Ca.x, Ca.y}, 180.0L + tipEndDeg, 270.0L, rhoA);
        if (protuberance) pen.Line(Q, P, -1.0L);
        rootPart(-1.0L);
    };
    if (withTexts != 1) {
        outline();
        return;
    }
    TCadTrace trace;
    CadDrawTraced(trace, [&] {
        outline();
        CadSetColour(1);
        CadLine(0, -H - 0.1L * mn, 0, yR + 0.1L * mn);
        CadLine(-mn, yD, mn, yD);
    });
    CadSetColour(4);
    CadSetTextSize(2, 0, 0.08L * mn, 0.06L * mn);
    const std::vector<std::string> data = DataLines(i);
    const Extended dataX = 1.5L * mn, dataY = yR - 0.15L * mn;
    Extended below = 0;
    const std::vector<TLabelBox> taken = ColumnBoxes(data, dataX, dataY, &below);
    // The tool's name beside the centre line above the datum line; a name wider than the tooth
    // there goes up a line at a time, where the tooth is wider, and where it crosses the flank
    // even below the root line, under the data.
    const std::vector<std::string> name = NameLines(i);
    const Extended step = 1.6L * CadTextHeight * CadLineSpacing;
    const auto clear = [&](Extended x, Extended y) {
        const auto boxes = ColumnBoxes(name, x, y);
        return std::all_of(boxes.begin(), boxes.end(),
                           [&](const TLabelBox& b) { return LabelClear(b, taken, &trace); });
    };
    Extended x = 0.05L * mn, y = yD + 0.03L * mn;
    bool ok = clear(x, y);
    while (!ok && y + step + CadTextHeight < yR)
        ok = clear(x, y += step);
    if (!ok) {
        x = dataX;
        y = below - step;
    }
    TextColumn(name, x, y);
    TextColumn(data, dataX, dataY);
}
