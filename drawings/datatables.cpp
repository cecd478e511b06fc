#include "drawings/datatables.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "cad/cadout.h"
#include "cad/drawing_table.h"
#include "calc/geardata.h"
#include "calc/inspect.h"
#include "calc/tables.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"

namespace {

const TGearData& G() {
    return GearData;
}

int Mate(int i) {
    return i == 1 ? 2 : 1;
}

bool Internal(int i) {
    return G().z[i] < 0;
}

// The usual (6, 3) length of the tables, without the sign of an internal gear; a value that does
// not exist (NaN, with its message in the list: the tip thickness of a tip without involute)
// leaves its cell empty.
std::string Len63(Extended v) {
    return std::isnan(v) ? "" : LengthToStrFix(6, 3, v);
}

// A dimension without solution (NaN, with its message in the list) leaves its cell empty.
std::string Dec(int n, Extended v) {
    return std::isnan(v) ? "" : LengthToStrDec(n, v);
}

// Two limits joined by "/", min first as the symbol ("min./max.") says. A limit without solution
// reads "-", so that the other is never taken for it ("/22.539"); without either the cell is
// empty.
std::string MinMax(Extended min, Extended max) {
    if (std::isnan(min) && std::isnan(max)) return "";
    const auto limit = [](Extended v) { return std::isnan(v) ? std::string("-") : Dec(3, v); };
    return limit(min) + "/" + limit(max);
}

TInspectionLimits Limits(int i, Extended maxV, Extended max, Extended minV, Extended min) {
    if (!Internal(i)) return {maxV, max, minV, min};
    const auto larger = [](Extended a, Extended b) {
        return std::isnan(a) || std::isnan(b) ? a + b : std::max(fabsl(a), fabsl(b));
    };
    const auto smaller = [](Extended a, Extended b) {
        return std::isnan(a) || std::isnan(b) ? a + b : std::min(fabsl(a), fabsl(b));
    };
    return {larger(maxV, minV), larger(max, min), smaller(maxV, minV), smaller(max, min)};
}

std::string QualityStandardName() {
    return G().QualityStandard == 1 ? "ISO 1328" : "DIN 3961";
}

std::string CentreDistanceText() {
    const TGearData& g = G();
    if (g.AaField < 9) return LengthToStr(fabsl(g.a)) + " " + g.AaFieldName.str();
    return LengthToStr(fabsl(g.a)) + " " + ToleranceToStr(g.Aae, g.Aai);
}

} // namespace

std::string GearKindText(int i) {
    std::string s = G().beta == 0 ? "Spur Gear" : "Helical Gear";
    s += ", ";
    s += Internal(i) ? "intern. toothed" : "extern. toothed";
    return s;
}

std::string ToothAlignmentText(int i) {
    if (G().beta == 0) return "     -";
    switch (G().ToothAlignment[i]) {
    case 1:
        return "right-hand";
    case 2:
        return "left-hand";
    default:
        return " ";
    }
}

std::string QualityText(int i) {
    return IntToString(G().Q[i]) + " " + QualityStandardName();
}

// ---- the ruled data block -------------------------------------------------------------------

void TableDrawingData(int i) {
    const TGearData& g = G();
    CadSetColour(3);
    CadLine(0, 140, 120, 140);
    for (Extended y : {125, 115, 105, 95, 85, 75, 60, 45, 30, 0})
        CadLineDX(0, y, 120);
    CadLineDX(25, 15, 95);
    CadLineDY(0, 0, 140);
    CadLineDY(25, 0, 30);
    CadLineDY(75, 0, 140);
    CadLineDY(120, 0, 140);

    // Every text within its field: labels before the symbols (or the rule at x 75), symbols
    // and the "part" and "No. of" labels before the rule at 75, values before the edge.
    const auto put = [](std::string_view text, Extended x, Extended y, Extended right) {
        CadTextWithin(text, x, y, right - x);
    };
    CadSetColour(5);
    CadSetTextSize(2, 0, 5, 5);
    put(g.beta == 0 ? "Spur Gear" : "Helical Gear", 3, 130, 75);
    CadSetColour(4);
    CadSetTextSize(2, 0, 3.5L, 2.8L);
    put(Internal(i) ? "intern. toothed" : "extern. toothed", 78, 130, 120);

    auto row = [&](Extended y, std::string_view label, std::string_view symbol) {
        put(label, 3, y, symbol.empty() ? 75 : 55);
        put(symbol, 55, y, 75);
    };
    auto value = [&](std::string_view text, Extended x, Extended y) { put(text, x, y, 120); };
    row(118, "Normal module", "mn");
    value(Dec(3, g.mn), 87, 118);
    row(108, "No.of teeth", "z");
    value(IntToString(g.z[i]), 89, 108);
    row(98, "Basic rack", "");
    value(g.BasicRackName[i].str(), 84, 98);
    row(88, "Helix angle", "beta");
    value(FloatToStrDec(2, g.beta) + " deg", 84, 88);
    row(78, "tooth alignment", "");
    value(ToothAlignmentText(i), 79, 78);

    CadSetTextSize(2, 0, 3.5L, 3);
    row(68.5L, "Addendum modification", "");
    row(62.5L, "factor            x      ", "");
    value(FloatToStrDec(3, g.x[i]), 84, 62.5L);
    row(53.5L, "Flank tolerance class", "");
    value(QualityText(i), 84, 53.5L);
    row(47.5L, "tolerance zone DIN 3967", "");
    value(g.TolZone[i].str(), 84, 47.5L);
    row(38.5L, "Center distance", "");
    row(32.5L, "of housing", "a");
    if (g.AaField < 9) {
        value(LengthToStrFix(5, 2, fabsl(g.a)) + " " + g.AaFieldName.str(), 79, 32.5L);
    } else {
        value(LengthToStrFix(5, 2, fabsl(g.a)), 79, 38.5L);
        if (UnitSystem != 1)
            value(FloatToStrSigned(3, g.Aae) + "/" + FloatToStrSigned(3, g.Aai), 79, 32.5L);
    }
    // Below y 30 the labels of the mating gear stand in the column before the rule at x 25.
    put("complem.", 3, 18, 25);
    put("gear", 3, 8, 25);
    put("part", 28, 23.5L, 75);
    put("number", 28, 17.5L, 75);
    value(g.DrawingNumber[Mate(i)].str(), 84, 17.5L);
    put("No. of", 28, 8.5L, 55);
    put("teeth", 28, 2.5L, 55);
    put("z", 55, 2.5L, 75);
    value(IntToString(g.z[Mate(i)]), 84, 2.5L);
}

// ---- measurement tables ---------------------------------------------------------------------

TInspectionLimits PinLimits(int i) {
    const TGearData& g = G();
    return Limits(i, g.MdRmaxV[i], g.MdRmax[i], g.MdRminV[i], g.MdRmin[i]);
}

TInspectionLimits BallLimits(int i) {
    const TGearData& g = G();
    return Limits(i, g.MdKmaxV[i], g.MdKmax[i], g.MdKminV[i], g.MdKmin[i]);
}

TInspectionLimits SpanLimits(int i) {
    const TGearData& g = G();
    return Limits(i, g.WmaxV[i], g.Wmax[i], g.WminV[i], g.Wmin[i]);
}

// A ring gear is spanned over spaces.
std::string SpannedText(int i) {
    return Internal(i) ? "no. of spaces meas." : "no. of teeth meas.";
}

// A ring gear's k carries its sign.
std::string SpannedCount(int i) {
    return IntToStrLeadBlank(std::abs(G().k[i]), 6);
}

Extended InspectionSize(int i, Extended v) {
    return Internal(i) ? fabsl(v) : v;
}

void TableMeasurementItem(int i) {
    if (CalcErrorFlag != 0) return;
    const TGearData& g = G();
    CadSetColour(19);
    auto t = TableBegin(0, 100, 3.5L, {27, 9, 9},
                        {"measurement   (" + g.DrawingNumber[i].str() + ")", "premach.", "fin."});
    const std::string dm = Dec(3, InspectionSize(i, ShownBallDiameter(i)));
    const std::string k = SpannedCount(i);
    const auto limitRows = [&](const std::string& label, const TInspectionLimits& v) {
        TableRow(*t, {label + " max.", Dec(3, v.maxV), Dec(3, v.max)});
        TableRow(*t, {label + " min.", Dec(3, v.minV), Dec(3, v.min)});
    };
    TableRow(*t, {"pin diameter DM", dm, dm});
    TableRow(*t, {"Dim.ov/betw.pins  MdR theor.", "", Dec(4, InspectionSize(i, g.MdRtheo[i]))});
    limitRows("Dim.ov/betw.pins  MdR", PinLimits(i));
    TableRow(*t, {"ball diameter DM", dm, dm});
    TableRow(*t, {"Dim.ov/betw.balls  MdK theor.", "", Dec(4, InspectionSize(i, g.MdKtheo[i]))});
    limitRows("Dim.ov/betw.balls  MdK", BallLimits(i));
    TableRow(*t, {SpannedText(i) + " k", k, k});
    TableRow(*t, {"Span measurement W theor.", "", Dec(4, InspectionSize(i, g.Wtheo[i]))});
    limitRows("Span measurement W", SpanLimits(i));
}

namespace {

// The ball and span rows of the two measurement tables: premachined column only with both.
void MeasurementRows(TDrawingTable& t, int i, bool both) {
    const TGearData& g = G();
    auto put = [&](std::string_view label, std::string_view symbol, const std::string& pre,
                   const std::string& fin) {
        if (both)
            TableRow(t, {label, symbol, pre, fin});
        else
            TableRow(t, {label, symbol, fin});
    };
    const std::string dm = Dec(3, fabsl(ShownBallDiameter(i)));
    const std::string k = SpannedCount(i);
    put("ball diameter", "DM", dm, dm);
    put("Dim.ov/betw.balls", "MK nom", "", Dec(4, fabsl(g.MdKtheo[i])));
    const TInspectionLimits mk = BallLimits(i);
    put("Dim.ov/betw.balls", "MK max", Dec(3, mk.maxV), Dec(3, mk.max));
    put("Dim.ov/betw.balls", "MK min", Dec(3, mk.minV), Dec(3, mk.min));
    put(SpannedText(i), "k", k, k);
    put("Span measurement", "W nom", "", Dec(4, fabsl(g.Wtheo[i])));
    const TInspectionLimits w = SpanLimits(i);
    put("Span measurement", "W max", Dec(3, w.maxV), Dec(3, w.max));
    put("Span measurement", "W min", Dec(3, w.minV), Dec(3, w.min));
}

} // namespace

void TableMeasurement(int i, Extended x, Extended y, Extended h) {
    CadSetColour(19);
    auto t = TableBegin(x, y, h, {16, 6, 6, 6}, {"measurement", "", "premach.", "fin."});
    MeasurementRows(*t, i, true);
}

void TableMeasurementShort(int i, Extended x, Extended y, Extended h) {
    CadSetColour(19);
    auto t = TableBegin(x, y, h, {17, 7, 7}, {"measurement", "", ""});
    MeasurementRows(*t, i, false);
}

void TableDataMeasurement(int i, std::uint16_t kind) {
    const TGearData& g = G();
    CadSetColour(19);
    auto t = TableBegin(0, 150, 5, {22, 10, 12}, {GearKindText(i), "", ""});
    TableRow(*t, {"Normal module", "mn", LengthToStr(g.mn)});
    TableRow(*t, {"No.of teeth", "z", IntToString(g.z[i])});
    TableRow(*t, {"Basic rack", "", g.BasicRackName[i].str()});
    TableRow(*t, {"Helix angle", "beta", AngleToDms(g.beta)});
    TableRow(*t, {"tooth alignment", "", ToothAlignmentText(i)});
    TableRow(*t, {"Pressure Angle", "alpha", AngleToDms(g.alpha)});
    TableRow(*t, {"Profile shift coeff.", "x", FloatToStrSig3(g.x[i])});
    TableRow(*t, {"Flank tolerance class", "", QualityText(i)});
    TableRow(*t, {"tolerance zone DIN 3967", "", g.TolZone[i].str()});
    TableRow(*t, {"Center distance of housing", "a", CentreDistanceText()});

    const bool premachined = g.q[i] > 0;
    // One measurement's rows: the premachined pair only with a machining allowance.
    const auto limitRows = [&](const char* what, const char* symbol, const TInspectionLimits& v) {
        if (premachined)
            TableRow(*t, {std::string(what) + " premach.", symbol, MinMax(v.minV, v.maxV)});
        TableRow(*t, {std::string(what) + " fin.", symbol, MinMax(v.min, v.max)});
    };
    if (kind == 1 || kind == 4) {
        TableRow(*t, {"ball diameter", "DM", Dec(3, fabsl(ShownBallDiameter(i)))});
        limitRows("Dim.ov/betw.balls", "MdK min./max.", BallLimits(i));
    }
    if (kind == 2 || kind == 4) {
        TableRow(*t, {"pin diameter", "DM", Dec(3, fabsl(ShownBallDiameter(i)))});
        limitRows("Dim.ov/betw.pins", Internal(i) ? "MdR min./max." : "mdr min./max.",
                  PinLimits(i));
    }
    if (kind == 3 || kind == 4) {
        TableRow(*t, {SpannedText(i), "k", SpannedCount(i)});
        limitRows("Span measurement", "W min./max.", SpanLimits(i));
    }
    TableRow(*t, {"complem.gear Part No.", "", g.DrawingNumber[Mate(i)].str()});
    TableRow(*t, {"complem.gear No.of teeth", "", IntToString(g.z[Mate(i)])});
}

// ---- the gear data list ---------------------------------------------------------------------

void TableGearData(int kind, int i, Extended x, Extended y, Extended h) {
    const TGearData& g = G();
    const bool full = kind == 2;
    const bool internal = Internal(i);
    CadSetColour(19);
    auto t = TableBegin(x, y, h, {18, 4, 9}, {GearKindText(i), "", ""});
    TableRow(*t, {"Flank tolerance class", "", QualityText(i)});
    TableRow(*t, {"tolerance zone DIN 3967", "", "  " + g.TolZone[i].str()});
    TableRow(*t, {"Normal module", "mn", Len63(g.mn)});
    if (full) {
        TableRow(*t, {"Normal Pitch", "1/in", FloatToStrFix(5, 4, g.Pn)});
        TableRow(*t, {"Transverse module", "mt", Len63(g.mt)});
    }
    TableRow(*t, {"No.of teeth", "z", IntToStrLeadBlank(g.z[i], 9)});
    TableRow(*t, {"Pressure Angle", "alpha", FloatToStrFix(6, 3, g.alpha)});
    // The tool's dedendum is the gear's addendum; both are factors of the module.
    TableRow(*t, {"Addendum", "ha", FloatToStrFix(2, 3, g.hfP0mn[i]) + " * m"});
    TableRow(*t, {"Dedendum", "hf", FloatToStrFix(2, 3, g.haP0mn[i]) + " * m"});
    if (full) TableRow(*t, {"Tooth depth", "h", Len63(g.h[i])});
    TableRow(*t, {"Helix angle", "beta", FloatToStrFix(6, 3, g.beta)});
    TableRow(*t, {"tooth alignment", "", ToothAlignmentText(i)});
    TableRow(*t, {"Generated pitch diameter", "d", Len63(fabsl(g.d[i]))});
    TableRow(*t, {"Tip diameter", "da", Len63(fabsl(g.da[i]))});
    TableRow(*t, {"Root diameter", "df",
                  Dec(2, fabsl(g.dfmax[i])) + (internal ? " +" : " ") +
                      LengthToStrFix(1, 2, (g.dfmin[i] - g.dfmax[i]) * SignAtLeastOne(g.z[i]))});
    TableRow(*t, {"Base circle diameter", "db", Len63(fabsl(g.db[i]))});
    // kmn is a length: shown as a multiple of the module, as its unit says.
    if (fabsl(g.kmn[i]) > 0.01L && g.mn != 0)
        TableRow(*t, {"Addendum reduction", "kmn", FloatToStrSig3(g.kmn[i] / g.mn) + " mn"});
    if (g.ChamferOn[i])
        TableRow(*t, {"Tip diameter utiliz.", "dFa",
                      LengthToStrFix(5, 3, fabsl(Mean2(g.dFaK[i], g.dFa[i])))});
    if (!internal) TableRow(*t, {"Form diameter", "dFf", Len63(fabsl(g.dFf[i]))});
    TableRow(*t, {internal ? "Profile shift coeff. (-)" : "Profile shift coeff.", "x",
                  FloatToStrFix(5, 4, g.x[i])});
    // The mean shift and half its range, so that mean +- half gives the two limits.
    TableRow(*t, {internal ? "Gen.addend.modif.coeff. (-)" : "Gen.addend.modif.coeff.", "xe",
                  FloatToStrDec(3, (g.xEmax[i] + g.xEmin[i]) / 2) + "\u00B1" +
                      FloatToStrDec(3, fabsl(g.xEmax[i] - g.xEmin[i]) / 2)});
    TableRow(*t, {"Normal space width", "en", Len63(g.en[i])});
    TableRow(*t, {"Normal tooth thickn.", "sn", Len63(g.sn[i])});
    if (full) {
        TableRow(*t, {"Upper tooth thickn.allow.", "Asne", Len63(g.Asne[i])});
        TableRow(*t, {"Lower tooth thickn.allow.", "Asni", Len63(g.Asni[i])});
        TableRow(*t, {"Normal top land", "samin", Len63(g.samin[i])});
        TableRow(*t, {"Facewidth", "b", Len63(g.bGear[i])});
        TableRow(*t, {"virtual number of teeth", "zn", FloatToStrFix(6, 3, g.zn[i])});
    }
}

// ---- tolerances, basic rack, messages, roll angles ------------------------------------------

int GearToleranceRowCount() {
    return G().QualityStandard == 1 ? 14 : 10;
}

void TableGearTolerances(int i, Extended x, Extended y, Extended h) {
    const TGearData& g = G();
    auto t =
        TableBegin(x, y, h, {22, 6, 6}, {"Gear tolerances to " + QualityStandardName(), "", ""});
    auto row = [&](std::string_view label, std::string_view symbol, Extended um) {
        TableRow(*t, {label, symbol, LengthToStrFix(1, 3, um / 1000)});
    };
    if (g.QualityStandard == 1) {
        row("Cumulative pitch tolerance, total", "FpT", g.Fp[i]);
        row("Single pitch tolerance", "fpT", g.fp[i]);
        row("Profile tolerance, total", "FalphaT", g.Falpha[i]);
        row("Profile form tolerance", "ffalphaT", g.ffalpha[i]);
        row("Profile slope tolerance", "fHalphaT", g.fHalpha[i]);
        row("Helix tolerance, total", "FbetaT", g.Fbeta[i]);
        row("Helix form tolerance, total", "ffbetaT", g.ffbeta[i]);
        row("Helix slope tolerance", "fHbetaT", g.fHbeta[i]);
        row("Single flank composite tol., total", "FisT", g.Fis[i]);
        row("Single flank comp.tol.,tooth-to-t.", "fisT", g.fis[i]);
        row("Adjacent pitch difference tol.", "fuT", g.fu[i]);
        row("Runout tolerance", "FrT", g.Fr[i]);
        row("Radial composite deviation", "Fi''", g.Fi2[i]);
        row("Tooth-to-tooth rad.comp.dev.", "fi''", g.fi2[i]);
    } else {
        row("Profile form tolerance", "ff", g.ffalpha[i]);
        row("Profile slope tolerance", "fHalpha", g.fHalpha[i]);
        row("Profile tolerance, total", "Ff", g.Falpha[i]);
        row("Helix form tolerance", "fbef", g.ffbeta[i]);
        row("Helix slope tolerance", "fHbe", g.fHbeta[i]);
        row("Helix tolerance, total", "Fbe", g.Fbeta[i]);
        row("Single pitch tolerance", "fp", g.fp[i]);
        row("Adjacent pitch difference", "fu", g.fu[i]);
        row("Cumulative pitch tol.tot.", "Fp", g.Fp[i]);
        row("Runout tolerance", "Fr", g.Fr[i]);
    }
}

void TableBasicRack(int i, Extended x, Extended y, Extended h) {
    const TGearData& g = G();
    auto t = TableBegin(x, y, h, {22, 8, 4, 6}, {"Basic rack", "", "", ""});
    auto pair = [&](std::string_view label, std::string_view factorSymbol, Extended factor,
                    std::string_view lengthSymbol, Extended length) {
        TableRow(*t, {label, factorSymbol, "", FloatToStrFix(3, 3, factor)});
        TableRow(*t, {"", lengthSymbol, LengthUnitText(), LengthToStrFix(3, 3, length)});
    };
    auto angle = [&](std::string_view label, std::string_view symbol, Extended deg) {
        TableRow(*t, {label, symbol, AngleUnitText(), FloatToStrFix(3, 3, deg)});
    };
    pair("Dedendum of tool", "hfP0/mn", g.hfP0mn[i], "hfP0", g.hfP0[i]);
    pair("Addendum of tool", "haP0/mn", g.haP0mn[i], "haP0", g.haP0[i]);
    pair("Fillet radius of tool", "rhoaP0/mn", g.rhoaP0mn[i], "rhoaP0", g.rhoaP0[i]);
    pair("Root fillet radius of tool", "rhofP0/mn", g.rhofP0mn[i], "rhofP0", g.rhofP0[i]);
    if (g.prP0mn[i] != 0) {
        pair("Protuberance", "prP0/mn", g.prP0mn[i], "prP0", g.prP0[i]);
        angle("Protuberance angle", "al.prP0", g.alprP0[i]);
    }
    if (g.ChamferOn[i]) {
        pair("Depth of chamfer", "hFfP0/mn", g.hFfP0mn[i], "hFfP0", g.hFfP0[i]);
        angle("Chamfer pressure angle.", "al.kP0", g.alkP0[i]);
    }
    if (g.q[i] > 0 || g.qTol[i] > 0) {
        TableRow(*t, {"Machining allowance", "q", LengthUnitText(), LengthToStrFix(3, 3, g.q[i])});
        TableRow(*t, {"Tolerance Machining allowance", "q tol", LengthUnitText(),
                      "+" + LengthToStr(g.qTol[i])});
    }
}

void TableErrorMessages(Extended x, Extended y, Extended h) {
    auto t = TableBegin(x, y, h, {31}, {"Error messages"});
    for (int n = 1; n <= ErrorCount; ++n)
        TableRow(*t, {ErrorList[n].str()});
}

void TableRollAngle(int i, Extended x, Extended y, Extended h) {
    const TGearData& g = G();
    auto t =
        TableBegin(x, y, h, {8, 8, 8},
                   {"gear " + IntToString(i), "DIA." + LengthUnitText(), "ROLL" + AngleUnitText()});
    const struct {
        const char* symbol;
        Extended d;
    } rows[] = {
        {"da", g.da[i]}, {"dFa", g.dFa[i]}, {"dNa", g.dNa[i]}, {"d", g.d[i]}, {"dNf", g.dNf[i]}};
    // (dNf is empty without a path of contact; a tip inside the base circle has no roll angle)
    for (const auto& r : rows)
        TableRow(*t, {r.symbol, std::isnan(r.d) ? "" : LengthToStrFix(3, 2, fabsl(r.d)),
                      std::isnan(r.d) || fabsl(r.d) < fabsl(g.db[i])
                          ? ""
                          : FloatToStrFix(3, 2, RollTanAt(r.d, g.db[i]))});
}
