#include "calc/relations.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "calc/geardata.h"
#include "calc/inspect.h"
#include "calc/meshing.h"
#include "calc/tables.h"
#include "calc/warnings.h"
#include "framework/core/errorlist.h"
#include "framework/core/maths.h"

namespace {

// What one relation needs: the data, the gear, and the tolerance. The signed diameters grow
// from the root towards the tip on either kind of gear (a ring gear's tip lies inside its root),
// but every involute point lies outside the base circle: the base circle is compared in size.
struct TSide {
    const TGearData& g;
    int i;         // the gear (1 or 2)
    long double s; // +1 external, -1 ring gear (roll lengths grow towards its root)
    long double eps;
    bool pair; // false beside the fixed companion, which meets no gear of the user's
};

// The involute function of the pressure angle at diameter y (0 on or inside the base circle).
long double InvAt(const TGearData& g, int i, long double y) {
    const long double c = std::fabs(g.db[i] / y);
    if (!(c < 1)) return 0;
    return std::sqrt(1 - c * c) / c - std::acos(c);
}

// The transverse tooth thickness on the pitch circle at shift xE over the pitch diameter.
long double PitchThicknessRatio(const TGearData& g, int i, long double xE) {
    const long double st = (Pi / 2 + 2 * xE * std::tan(g.alphaRad)) * g.mn / std::cos(g.betaRad);
    return st / std::fabs(g.d[i]);
}

// An external tooth's thickness at y, a ring gear's gap width at y (shift xE): where it falls
// below 0 the two flanks have crossed.
long double OpenWidth(const TGearData& g, int i, long double xE, long double y) {
    const long double invAt = std::tan(g.alphat) - g.alphat;
    const long double ratio = PitchThicknessRatio(g, i, xE);
    const long double inv = InvAt(g, i, y);
    if (g.z[i] > 0) return y * (ratio + invAt - inv);
    return std::fabs(y) * (Pi / std::abs(g.z[i]) - ratio + invAt - inv);
}

// The roll length of the point of gear i at diameter D on the line of action, from the point
// where it touches the base circle.
long double Roll(const TGearData& g, int i, long double D) {
    return std::sqrt(std::fmax(D * D - g.db[i] * g.db[i], 0.0L)) / 2;
}

bool Holds(long double lhs, long double rhs, long double eps) {
    return lhs <= rhs + eps; // false for NaN
}

// D on or outside the base circle.
bool Outside(const TSide& t, long double D) {
    return Holds(std::fabs(t.g.db[t.i]), std::fabs(D), t.eps);
}

struct TRelation {
    const char* name;
    // The message (with " (i) !" or "  (i)" as its kind has it) that says why it may not hold.
    std::vector<const char*> excuses;
    std::function<bool(const TSide&)> holds;
};

bool Listed(std::string_view text);

// The message with the gear for '#'.
std::string ForGear(std::string_view text, int i) {
    std::string s(text);
    if (const auto at = s.find('#'); at != std::string::npos) s.replace(at, 1, std::to_string(i));
    return s;
}

bool AnyListed(const std::vector<const char*>& messages, int i) {
    for (const char* m : messages)
        if (Listed(ForGear(m, i))) return true;
    return false;
}

// The five generating shifts a dimension and a form circle are given for (premachining lower
// and upper limit, nominal, finished lower and upper limit, the order of WminV ... Wmax): the
// shift of the involute and the one that cut its tip (a finished flank runs up into the tip of
// the premachining shift of its limit).
std::array<std::pair<long double, long double>, 5> Shifts(const TGearData& g, int i) {
    return {{{g.xEminV[i], g.xEminV[i]},
             {g.xEmaxV[i], g.xEmaxV[i]},
             {g.x[i], g.x[i] + g.xEmaxV[i] - g.xEmax[i]},
             {g.xEmin[i], g.xEminV[i]},
             {g.xEmax[i], g.xEmaxV[i]}}};
}

using TRow = std::array<long double, 5>; // a dimension at the five shifts, in their order

TRow SpanRow(const TGearData& g, int i) {
    return {g.WminV[i], g.WmaxV[i], g.Wtheo[i], g.Wmin[i], g.Wmax[i]};
}
TRow BallRow(const TGearData& g, int i) {
    return {g.MdKminV[i], g.MdKmaxV[i], g.MdKtheo[i], g.MdKmin[i], g.MdKmax[i]};
}
TRow PinRow(const TGearData& g, int i) {
    return {g.MdRminV[i], g.MdRmaxV[i], g.MdRtheo[i], g.MdRmin[i], g.MdRmax[i]};
}

bool PartlyEmpty(const TRow& row) {
    return std::any_of(row.begin(), row.end(), [](long double v) { return std::isnan(v); });
}

// A dimension grows with the shift on either kind of gear (signed: a ring gear's spans and
// dimensions between balls shrink in size): ordered as its shifts are.
bool OrderedAsShifts(const TSide& t, const TRow& row) {
    const auto shifts = Shifts(t.g, t.i);
    for (int a = 0; a < 5; ++a)
        for (int b = 0; b < 5; ++b)
            if (shifts[a].first <= shifts[b].first && !Holds(row[a], row[b], t.eps) &&
                !std::isnan(row[a]) && !std::isnan(row[b]))
                return false;
    return true;
}

// A contact diameter (positive) on the flank of the n-th shift, between its root and tip form
// circles.
bool OnUsableFlank(const TSide& t, int n, long double contact) {
    const auto [xE, xK] = Shifts(t.g, t.i)[n];
    const long double root = std::fabs(RootFormDiameterAt(t.i, xE));
    const long double tip = std::fabs(TipFormDiameterAt(t.i, xE, xK));
    if (t.g.z[t.i] < 0) return Holds(tip, contact, t.eps) && Holds(contact, root, t.eps);
    return Holds(root, contact, t.eps) && Holds(contact, tip, t.eps);
}

// Where the anvils of the span W touch: both flanks at one diameter, W cos(beta_b) across the
// axis along the base tangent.
long double SpanContact(const TGearData& g, int i, long double W) {
    const long double across = W * std::cos(g.betab);
    return std::sqrt(g.db[i] * g.db[i] + across * across);
}

// Where the ball of the dimension M touches the flanks: its centre lies on the circle dK (M less
// the ball, over cos(90 / z) for an odd z), the contact DM / 2 cos(beta_b) from it along the
// base tangent, nearer the base circle on an external gear.
long double BallContact(const TGearData& g, int i, long double M) {
    const long double odd = g.z[i] % 2 != 0 ? std::cos(Pi / 2 / g.z[i]) : 1;
    const long double c = g.db[i] * odd / (M - g.DM[i]); // cos of the centre's pressure angle
    const long double rb = std::fabs(g.db[i]) / 2;
    const long double along =
        rb * std::sqrt(1 - c * c) / c + (g.z[i] > 0 ? -1 : 1) * g.DM[i] / 2 * std::cos(g.betab);
    return 2 * std::sqrt(rb * rb + along * along);
}

// Every dimension of the row that is given touches the flank of its shift (where: contact)
// between the form circles.
bool TouchesUsableFlank(const TSide& t, const TRow& row,
                        long double (*contact)(const TGearData&, int, long double)) {
    for (int n = 0; n < 5; ++n)
        if (!std::isnan(row[n]) && !OnUsableFlank(t, n, contact(t.g, t.i, row[n]))) return false;
    return true;
}

// A tip without involute below it: inside the base circle, or a tip outside it whose involute
// the chamfer, rounding or crossing flanks take away.
const std::vector<const char*> NoInvoluteMessages = {"Error  : db > da  (#) !",
                                                     "Error  : no involute (#) !"};
const std::vector<const char*> SpanMessages = {"Error  : span contact < dFf (#) !",
                                               "Error  : span contact > dFa (#) !"};
const std::vector<const char*> BallMessages = {
    "Error  : no ball for this x (#) !", "Error  : Dm ball !  (#)",
    "Error  : ball contact < dFf (#) !", "Error  : ball contact > dFa (#) !"};

// What a verdict's condition says of the results: its message must be listed (Yes), must not be
// (No), or the value lies within the tolerance of the check's limit, where either is right.
enum class TIs { No, Yes, Either };

TIs Is(bool holds) {
    return holds ? TIs::Yes : TIs::No;
}

// v beyond the limit `at` by more than eps: Yes; short of it by more: No; NaN: No.
TIs Beyond(long double v, long double at, long double eps) {
    if (std::isnan(v) || v < at - eps) return TIs::No;
    return v > at + eps ? TIs::Yes : TIs::Either;
}

// A verdict of the final checks and what it judges: the message (any of several) is listed
// exactly where the condition holds (a full list may have left it out).
struct TVerdict {
    const char* name;
    std::vector<const char*> messages; // with '#' for the gear
    std::function<TIs(const TSide&)> condition;
};

// The span of the roll length of gear i's tip the tool leaves beyond the interference point of
// its external mate (towards the mate's base circle; a ring gear's tip reaching in past it): the
// tips collide where it is positive.
long double TipPastInterferencePoint(const TSide& t) {
    const TGearData& g = t.g;
    const long double T1T2 = std::fabs(g.a) * std::sin(g.alphawt); // between the tangent points
    return t.s * (Roll(g, t.i, CutTipDiameter(t.i)) - T1T2);
}

// The tooth thickness of gear i at y (shift xE), of a ring gear's tooth too.
long double ToothWidth(const TGearData& g, int i, long double xE, long double y) {
    if (g.z[i] > 0) return OpenWidth(g, i, xE, y);
    const long double invAt = std::tan(g.alphat) - g.alphat;
    return std::fabs(y) * (PitchThicknessRatio(g, i, xE) - invAt + InvAt(g, i, y));
}

// A chamfer only thins the tooth: each tip thickness no thicker than the involute's at the same
// tip and limit, and thinner where the chamfer starts below that tip (its form circle inside
// the tip, the flanks not yet pointed there, no tool root radius rounding it instead).
bool ChamferOnlyThins(const TSide& t) {
    const TGearData& g = t.g;
    const int i = t.i;
    if (!g.ChamferOn[i]) return true;
    const long double tip = CutTipDiameter(i), low = LowerLimitTipDiameter(i);
    const bool rounded = g.z[i] > 0 && g.rhofP0mn[i] > 0;
    struct Limit {
        long double s, xE, y, dF;
        bool formKnown;
    };
    for (const Limit& l : {Limit{g.satMax[i], g.xEmax[i], tip, g.dFa[i], true},
                           Limit{g.satMin[i], g.xEmin[i], low, g.dFaK[i], true},
                           Limit{g.saK[i], g.x[i], tip, 0, false}}) {
        if (std::isnan(l.s)) continue; // (a tip inside the base circle: "db > da")
        const long double involute = ToothWidth(g, i, l.xE, l.y);
        if (!Holds(l.s, involute, t.eps)) return false;
        if (l.formKnown && !rounded && l.y - l.dF > t.eps &&
            ToothWidth(g, i, l.xE, l.dF) > t.eps && !(l.s < involute))
            return false;
    }
    return true;
}

// A ball the calculation chose itself (MeasureMode 1) fits wherever a ball does: none of a fine
// scale from 0.01 mn up to the largest that stands in a space fits where it does not.
bool ChosenBallFitsWhereOneDoes(const TSide& t) {
    const TGearData& g = t.g;
    if (g.MeasureMode != 1) return true;
    const TBallGauge gauge(t.i);
    if (gauge.Fits(g.DM[t.i])) return true;
    const long double lo = 0.01L * g.mn, hi = gauge.Largest();
    constexpr int Steps = 400;
    for (int n = 0; n <= Steps && hi > lo; ++n)
        if (gauge.Fits(lo * std::pow(hi / lo, static_cast<long double>(n) / Steps))) return false;
    return true;
}

const std::vector<TVerdict>& GearVerdicts() {
    static const std::vector<TVerdict> table = {
        {"pointed tooth: a tip thickness <= 0",
         {"Error  : pointed tooth (#) !"},
         [](const TSide& t) { return Is(PointedTooth(t.g, t.i)); }},
        {"kmn < 0", {"Error  : kmn < 0 !  (#)"},
         [](const TSide& t) { return Is(t.g.kmn[t.i] < 0); }},
        {"span row partly empty", SpanMessages,
         [](const TSide& t) { return Is(PartlyEmpty(SpanRow(t.g, t.i))); }},
        {"ball row partly empty", BallMessages,
         [](const TSide& t) {
             return Is(PartlyEmpty(BallRow(t.g, t.i)) || PartlyEmpty(PinRow(t.g, t.i)));
         }},
        // (gear 2's message is the plausibility check's, without the gear's number)
        {"xEmin > xEmax",
         {"Error  : xemin>xemax (#)"},
         [](const TSide& t) { return Is(ShiftLimitsCrossed(t.g, t.i)); }},
        // The pair's verdicts on the tip the tool leaves (beside the fixed companion, none).
        {"tip clearance < 0",
         {"Error  : clearance sh.add. < 0 ! (#)"},
         [](const TSide& t) {
             const TGearData& g = t.g;
             const long double clearance =
                 g.a - (CutTipDiameter(t.i) + g.dfmax[OddEvenIndex(t.i)]) / 2;
             return t.pair ? Beyond(-clearance, t.eps, t.eps) : TIs::No;
         }},
        {"tip past the mate's interference point",
         {"Error  : tooth collision da# !"},
         [](const TSide& t) {
             if (!t.pair || t.g.z[OddEvenIndex(t.i)] < 0) return TIs::No; // a ring limits none
             return Beyond(TipPastInterferencePoint(t), 0, t.eps);
         }},
        {"dNf < dFf",
         {"Error  : dNf < dFf (#) !"},
         [](const TSide& t) {
             return t.pair ? Beyond(t.g.dFf[t.i] - t.g.dNf[t.i], t.eps, t.eps) : TIs::No;
         }},
    };
    return table;
}

const std::vector<TRelation>& GearRelations() {
    static const std::vector<TRelation> table = {
        {"db <= dNf",
         {},
         [](const TSide& t) { return std::isnan(t.g.dNf[t.i]) || Outside(t, t.g.dNf[t.i]); }},
        {"dFf <= dNf",
         {"Error  : dNf < dFf (#) !"},
         [](const TSide& t) {
             return !t.pair || std::isnan(t.g.dNf[t.i]) || Holds(t.g.dFf[t.i], t.g.dNf[t.i], t.eps);
         }},
        {"db <= dFf, df <= dFf",
         {},
         [](const TSide& t) {
             return Outside(t, t.g.dFf[t.i]) && Holds(t.g.dfmax[t.i], t.g.dFf[t.i], t.eps);
         }},
        {"dNa <= dFa", {}, [](const TSide& t) { return Holds(t.g.dNa[t.i], t.g.dFa[t.i], t.eps); }},
        {"dFa <= da", NoInvoluteMessages, // (a tip inside the base circle: dFa on it)
         [](const TSide& t) {
             return Holds(t.g.dFa[t.i], t.g.da[t.i], t.eps) &&
                    Holds(t.g.dFaK[t.i], t.g.da[t.i], t.eps);
         }},
        {"db < dFa", NoInvoluteMessages,
         [](const TSide& t) {
             const long double rb = std::fabs(t.g.db[t.i]);
             return std::fabs(t.g.dFa[t.i]) - rb > t.eps && std::fabs(t.g.dFaK[t.i]) - rb > t.eps;
         }},
        {"dFf <= dFa",
         {"Error  : db > da  (#) !", "Error  : no involute (#) !", "Error  : dFf > dFa (#) !"},
         [](const TSide& t) {
             // each limit's own root form
             return Holds(t.g.dFf[t.i], t.g.dFa[t.i], t.eps) &&
                    Holds(RootFormDiameterAt(t.i, t.g.xEminV[t.i]), t.g.dFaK[t.i], t.eps);
         }},
        {"dNa not past the mate's interference point",
         {},
         [](const TSide& t) {
             const TGearData& g = t.g;
             const int j = OddEvenIndex(t.i);
             if (g.z[j] < 0) return true; // a ring gear limits no tip
             return Holds(t.s * Roll(g, t.i, g.dNa[t.i]),
                          t.s * std::fabs(g.a) * std::sin(g.alphawt), t.eps);
         }},
        {"galpha from dNf to dNa",
         {},
         [](const TSide& t) {
             const TGearData& g = t.g;
             if (std::isnan(g.galpha)) return true;
             const long double roll = t.s * (Roll(g, t.i, g.dNa[t.i]) - Roll(g, t.i, g.dNf[t.i]));
             return std::fabs(roll - g.galpha) <= t.eps;
         }},
        {"tip thickness empty only with its message",
         {"Error  : db > da  (#) !"},
         [](const TSide& t) {
             if (std::isnan(t.g.alphaat[t.i])) return false;
             for (long double v : TipThicknesses(t.g, t.i))
                 if (std::isnan(v)) return false;
             return true;
         }},
        {"tooth not pointed below dFa", NoInvoluteMessages,
         [](const TSide& t) {
             const TGearData& g = t.g;
             if (g.z[t.i] < 0) return true;
             return OpenWidth(g, t.i, g.xEmax[t.i], g.dFa[t.i]) >= -t.eps &&
                    OpenWidth(g, t.i, g.xEmin[t.i], g.dFaK[t.i]) >= -t.eps;
         }},
        {"gap open at dFf",
         {},
         [](const TSide& t) {
             const TGearData& g = t.g;
             return g.z[t.i] > 0 || OpenWidth(g, t.i, g.xEmaxV[t.i], g.dFf[t.i]) >= -t.eps;
         }},
        {"gap open to the root circle",
         {"Error  : gap closes d="},
         [](const TSide& t) {
             const TGearData& g = t.g;
             if (g.z[t.i] > 0) return true;
             for (const auto& [xE, root] :
                  {std::pair{g.xEmax[t.i], g.dfmax[t.i]}, {g.xEmin[t.i], g.dfmin[t.i]}})
                 if (OpenWidth(g, t.i, xE, root) < -t.eps) return false;
             return true;
         }},
        {"form circles at every shift",
         {"Error  : db > da  (#) !", "Error  : no involute (#) !",
          "Error  : pointed tooth (#) !"},
         [](const TSide& t) {
             const TGearData& g = t.g;
             const int i = t.i;
             // Nominal, finished limits (their tips cut at the premachining limits), and the
             // premachining limits themselves.
             const std::pair<long double, long double> shifts[] = {
                 {g.x[i], g.x[i] + g.xEmaxV[i] - g.xEmax[i]},
                 {g.xEmax[i], g.xEmaxV[i]},
                 {g.xEmin[i], g.xEminV[i]},
                 {g.xEmaxV[i], g.xEmaxV[i]},
                 {g.xEminV[i], g.xEminV[i]}};
             for (const auto& [xE, xK] : shifts) {
                 const long double root = RootFormDiameterAt(i, xE);
                 const long double tip = TipFormDiameterAt(i, xE, xK);
                 if (!Outside(t, root) || !Holds(tip, g.da[i], t.eps) ||
                     !(OpenWidth(g, i, xE, g.z[i] > 0 ? tip : root) >= -t.eps))
                     return false;
             }
             return true;
         }},
        {"spans and balls ordered as their shifts",
         {},
         [](const TSide& t) {
             return OrderedAsShifts(t, SpanRow(t.g, t.i)) &&
                    OrderedAsShifts(t, BallRow(t.g, t.i)) && OrderedAsShifts(t, PinRow(t.g, t.i));
         }},
        {"premachined shifts not below the finished ones",
         {"Error  : xemin>xemax (#)"},
         [](const TSide& t) {
             const TGearData& g = t.g;
             return Holds(g.xEmax[t.i], g.xEmaxV[t.i], t.eps) &&
                    Holds(g.xEmin[t.i], g.xEminV[t.i], t.eps);
         }},
        {"chamfered tip no thicker than the involute's", {}, ChamferOnlyThins},
        {"the chosen ball fits where one does", {}, ChosenBallFitsWhereOneDoes},
        {"span contact on the usable flank", SpanMessages,
         [](const TSide& t) { return TouchesUsableFlank(t, SpanRow(t.g, t.i), SpanContact); }},
        {"ball contact on the usable flank", BallMessages,
         [](const TSide& t) { return TouchesUsableFlank(t, BallRow(t.g, t.i), BallContact); }},
    };
    return table;
}

const std::vector<TVerdict>& PairVerdicts() {
    static const std::vector<TVerdict> table = {
        {"eps.alpha < 1",
         {"Error  : ratio eps.alpha < 1 !"},
         [](const TSide& t) { return Is(t.g.epsalpha < 1); }},
        {"interference of the tips of an internal pair",
         {"Error  : meshing interference !"},
         [](const TSide& t) {
             return t.g.z[2] < 0 ? Beyond(-t.g.IntInterference, 0, t.eps) : TIs::No;
         }},
        {"jtmin < 0", {"Warning: jtmin < 0 !"},
         [](const TSide& t) { return Beyond(-t.g.jtmin, 0, t.eps); }},
    };
    return table;
}

const std::vector<TRelation>& PairRelations() {
    static const std::vector<TRelation> table = {
        {"eps.alpha = galpha / pet, gAC + gEC = galpha",
         {},
         [](const TSide& t) {
             const TGearData& g = t.g;
             if (std::isnan(g.galpha)) return true;
             return std::fabs(g.epsalpha * g.pet - g.galpha) <= t.eps &&
                    std::fabs(g.gAC + g.gEC - g.galpha) <= t.eps;
         }},
        {"jtmin <= jtmax",
         {"Error  : xemin>xemax (1)", "Error  : xemin>xemax", "Error  : Aae < Aai !"},
         [](const TSide& t) { return Holds(t.g.jtmin, t.g.jtmax, t.eps); }},
        {"no path of contact, nothing measured along it",
         {},
         [](const TSide& t) {
             const TGearData& g = t.g;
             const bool none = std::isnan(g.galpha);
             for (long double v : {g.epsalpha, g.epsgamma, g.gAC, g.gEC, g.zetaA1, g.zetaA2,
                                   g.zetaE1, g.zetaE2, g.dNf[1], g.dNf[2]})
                 if (std::isnan(v) != none) return false;
             return true;
         }},
        {"no path of contact only with its message",
         {},
         [](const TSide& t) {
             // The message of the gear whose tip no involute reaches.
             const TGearData& g = t.g;
             if (!std::isnan(g.galpha)) return true;
             for (int i = 1; i <= 2; ++i) {
                 const long double rb = std::fabs(g.db[i]);
                 if ((std::fabs(g.dFa[i]) <= rb || std::fabs(g.dFaK[i]) <= rb) &&
                     AnyListed(NoInvoluteMessages, i))
                     return true;
             }
             return false;
         }},
    };
    return table;
}

bool Listed(std::string_view text) {
    for (int n = 1; n <= ErrorCount; ++n) {
        const std::string e = ErrorList[n].str();
        if (text.back() == '=' ? e.rfind(text, 0) == 0 : e == text) return true;
    }
    return false;
}

// A full list leaves messages out.
bool ListFull() {
    return ErrorCount > 0 && ErrorList[ErrorCount].str() == ErrorListLeftOut;
}


// A verdict's messages as the list gives them for gear i: gear 2's crossed limits come from its
// plausibility check, whose text names no gear.
std::vector<const char*> MessagesAsListed(const std::vector<const char*>& messages, int i) {
    std::vector<const char*> of = messages;
    if (i == 2)
        for (const char*& m : of)
            if (std::string_view(m) == "Error  : xemin>xemax (#)") m = "Error  : xemin>xemax";
    return of;
}

bool Excused(const TRelation& r, int i) {
    // (what a full list left out may be the excuse)
    return ListFull() || AnyListed(MessagesAsListed(r.excuses, i), i);
}

// The verdict's message is listed exactly where its condition holds (a full list may have left
// it out).
bool ListedExactlyWhereItHolds(const TVerdict& v, const TSide& t) {
    const TIs is = v.condition(t);
    if (is == TIs::Either) return true;
    const bool listed = AnyListed(MessagesAsListed(v.messages, t.i), t.i);
    return is == TIs::Yes ? listed || ListFull() : !listed;
}

// Form searches may raise messages of their own: the list stays as the calculation left it.
class TKeptMessages {
public:
    ~TKeptMessages() {
        ErrorCount = count_;
        ErrorList = list_;
    }

private:
    std::uint16_t count_ = ErrorCount;
    decltype(ErrorList) list_ = ErrorList;
};

} // namespace

std::vector<std::string> BrokenRelations() {
    const TKeptMessages kept;
    const TGearData& g = GearData;
    std::vector<std::string> broken;
    const long double eps = 1e-9L * g.mn;
    const bool pair = !IsFixedCompanion(g);
    for (int i = pair ? 1 : 2; i <= 2; ++i) {
        const TSide side{g, i, g.z[i] < 0 ? -1.0L : 1.0L, eps, pair};
        const std::string of = " (" + std::to_string(i) + ")";
        for (const TRelation& r : GearRelations())
            if (!r.holds(side) && !Excused(r, i)) broken.push_back(r.name + of);
        for (const TVerdict& v : GearVerdicts())
            if (!ListedExactlyWhereItHolds(v, side)) broken.push_back(v.name + of);
    }
    if (pair && g.z[1] + g.z[2] != 0) {
        const TSide side{g, 1, 1, eps, pair};
        for (const TRelation& r : PairRelations())
            if (!r.holds(side) && !Excused(r, 1)) broken.push_back(r.name);
        for (const TVerdict& v : PairVerdicts())
            if (!ListedExactlyWhereItHolds(v, side)) broken.push_back(v.name);
    }
    return broken;
}
