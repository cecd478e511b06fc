#include "calc/relations.h"

#include <cmath>
#include <functional>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "calc/geardata.h"
#include "calc/meshing.h"
#include "calc/tables.h"
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

const std::vector<TRelation>& GearRelations() {
    static const std::vector<TRelation> table = {
        {"db <= dNf",
         {},
         [](const TSide& t) { return std::isnan(t.g.dNf[t.i]) || Outside(t, t.g.dNf[t.i]); }},
        {"dFf <= dNf",
         {"Error  : dNf < dFf (#) !"},
         [](const TSide& t) {
             return std::isnan(t.g.dNf[t.i]) || Holds(t.g.dFf[t.i], t.g.dNf[t.i], t.eps);
         }},
        {"db <= dFf, df <= dFf",
         {},
         [](const TSide& t) {
             return Outside(t, t.g.dFf[t.i]) && Holds(t.g.dfmax[t.i], t.g.dFf[t.i], t.eps);
         }},
        {"dNa <= dFa", {}, [](const TSide& t) { return Holds(t.g.dNa[t.i], t.g.dFa[t.i], t.eps); }},
        {"dFa <= da",
         {"Error  : db > da  (#) !"}, // (a tip inside the base circle: dFa on it)
         [](const TSide& t) {
             return Holds(t.g.dFa[t.i], t.g.da[t.i], t.eps) &&
                    Holds(t.g.dFaK[t.i], t.g.da[t.i], t.eps);
         }},
        {"db < dFa",
         {"Error  : db > da  (#) !"},
         [](const TSide& t) {
             const long double rb = std::fabs(t.g.db[t.i]);
             return std::fabs(t.g.dFa[t.i]) - rb > t.eps && std::fabs(t.g.dFaK[t.i]) - rb > t.eps;
         }},
        {"dFf <= dFa",
         {"Error  : db > da  (#) !", "Error  : dFf > dFa (#) !"},
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
             const TGearData& g = t.g;
             for (long double v : {g.sat[t.i], g.san[t.i], g.satMax[t.i], g.satMin[t.i],
                                   g.sanMax[t.i], g.samin[t.i], g.saK[t.i], g.alphaat[t.i]})
                 if (std::isnan(v)) return false;
             return true;
         }},
        {"tooth not pointed below dFa",
         {"Error  : db > da  (#) !"},
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
         {"Error  : db > da  (#) !", "Error  : pointed tooth (#) !"},
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
         {"Error  : db > da  (1) !", "Error  : db > da  (2) !"},
         [](const TSide& t) { return !std::isnan(t.g.galpha); }},
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

bool Excused(const TRelation& r, int i) {
    // A full list leaves messages out: what it left out may be the excuse.
    if (ErrorCount > 0 && ErrorList[ErrorCount].str() == ErrorListLeftOut) return true;
    for (std::string_view e : r.excuses) {
        std::string text(e);
        if (const auto at = text.find('#'); at != std::string::npos)
            text.replace(at, 1, std::to_string(i));
        if (Listed(text)) return true;
    }
    return false;
}

} // namespace

std::vector<std::string> BrokenRelations() {
    const TGearData& g = GearData;
    std::vector<std::string> broken;
    const long double eps = 1e-9L * g.mn;
    const bool pair = !IsFixedCompanion(g);
    for (int i = pair ? 1 : 2; i <= 2; ++i) {
        const TSide side{g, i, g.z[i] < 0 ? -1.0L : 1.0L, eps};
        for (const TRelation& r : GearRelations())
            if (!r.holds(side) && !Excused(r, i))
                broken.push_back(std::string(r.name) + " (" + std::to_string(i) + ")");
    }
    if (pair && g.z[1] + g.z[2] != 0)
        for (const TRelation& r : PairRelations())
            if (!r.holds({g, 1, 1, eps}) && !Excused(r, 1)) broken.push_back(r.name);
    return broken;
}
