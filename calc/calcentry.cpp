#include "calc/calcentry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "calc/basegeom.h"
#include "calc/fields.h"
#include "calc/inspect.h"
#include "calc/meshing.h"
#include "calc/tables.h"
#include "calc/warnings.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"

namespace {

// The message of the fatal error that stopped the last CalcSequence (empty when none did).
std::string SequenceFatal;

// Runs one step; when it sets CalcErrorFlag, remembers the fatal message it raised (the latest
// new one; a full list may have moved the older lines). Only the fatal messages from before are
// kept aside (there are seldom any): the others come before the step's own in the list.
template <class Step> bool RunStep(Step step) {
    const int before = ErrorCount;
    std::vector<std::string> fatalBefore;
    for (int n = 1; n <= before; ++n)
        if (ErrorList[n].str().rfind("Fatal", 0) == 0) fatalBefore.push_back(ErrorList[n]);
    step();
    if (CalcErrorFlag == 0) return true;
    SequenceFatal.clear();
    std::string fresh;
    for (int n = ErrorCount; n >= 1 && SequenceFatal.empty(); --n) {
        const std::string& text = ErrorList[n];
        const bool fatal = text.rfind("Fatal", 0) == 0;
        if (text == ErrorListLeftOut ||
            (fatal && std::find(fatalBefore.begin(), fatalBefore.end(), text) != fatalBefore.end()))
            continue;
        if (fatal) SequenceFatal = text;
        if (fresh.empty() && n > before) fresh = text;
    }
    if (SequenceFatal.empty()) SequenceFatal = fresh;
    if (SequenceFatal.empty()) SequenceFatal = "Fatal  : calculation stopped !";
    return false;
}

// Range messages share their first words, so the message help finds one entry for all of them;
// values are named as gearcalc and job tools name them ("Q[1]", "|kmn[2]|>1e8 mm").
void Fatal(const std::string& text) {
    AddError(text);
    CalcErrorFlag = 1;
}

std::string Named(const char* name, int gear) {
    return gear == 0 ? std::string(name) : name + ("[" + std::to_string(gear) + "]");
}

// "Fatal  : range " and the value's range (`shown`), whole in the list's 36 characters: with
// " !" where it fits, without where only that fits, else the value's name alone.
void FatalRange(const std::string& name, const std::string& shown) {
    const std::string text = "Fatal  : range " + shown;
    if (FitsMessageList(text + " !"))
        Fatal(text + " !");
    else if (FitsMessageList(text))
        Fatal(text);
    else
        Fatal("Fatal  : range " + name + " !");
}

// Every calculation runs these checks twice and as a rule every one passes: each compares in
// line and builds its message out of line.
[[gnu::cold, gnu::noinline]] void WholeFault(const char* name, int gear, long long lo,
                                             long long hi) {
    FatalRange(Named(name, gear),
               Named(name, gear) + " " + std::to_string(lo) + ".." + std::to_string(hi));
}

inline void CheckWhole(const char* name, int gear, long long v, long long lo, long long hi) {
    if (v < lo || v > hi) [[unlikely]]
        WholeFault(name, gear, lo, hi);
}

// A limit of a range message to three significant digits, rounded so that the message holds for
// every value it is given for (an upper limit down, a lower one up): 1e8, 0.001, 39.3, 3.94e-8.
std::string LimitNumber(long double v, bool upper) {
    int e = static_cast<int>(std::floor(std::log10(v)));
    long double m = v / std::pow(10.0L, e - 2); // 100 <= m < 1000
    m = upper ? std::floor(m * (1 + 1e-12L)) : std::ceil(m * (1 - 1e-12L));
    if (m >= 1000) m /= 10, ++e;
    if (e < -3 || e > 4) {
        std::string digits = std::to_string(static_cast<int>(m));
        while (digits.size() > 1 && digits.back() == '0')
            digits.pop_back();
        const std::string rest = digits.substr(1);
        return digits.substr(0, 1) + (rest.empty() ? "" : "." + rest) + "e" + std::to_string(e);
    }
    std::string text = FixedPointText(m * std::pow(10.0L, e - 2), std::max(2 - e, 0));
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    return text;
}

// The kind of a real input and so the unit of its limit in a message.
enum class Unit { Length, Factor, Angle };

// A limit in the unit of the sheets, with it (lengths in mm or inch, angles in degrees).
std::string LimitText(long double limit, Unit unit, bool upper) {
    if (unit == Unit::Factor) return LimitNumber(limit, upper);
    if (unit == Unit::Angle) return LimitNumber(limit, upper) + AngleUnitText();
    const bool inch = UnitSystem == 1;
    return LimitNumber(inch ? limit / 25.4L : limit, upper) + " " + LengthUnitText();
}

// The largest magnitude of a real input.
struct Magnitude {
    long double limit;
    Unit unit;
};
constexpr Magnitude Length{kMaxInputLength, Unit::Length}, Factor{kMaxInputFactor, Unit::Factor},
    Angle{kMaxToolAngle, Unit::Angle}, Module{kMaxModule, Unit::Length};

[[gnu::cold, gnu::noinline]] void MagnitudeFault(const char* name, int gear, Magnitude m) {
    FatalRange(Named(name, gear),
               "|" + Named(name, gear) + "|>" + LimitText(m.limit, m.unit, true));
}

inline void CheckMagnitude(const char* name, int gear, long double v, const Magnitude& m) {
    if (!(std::fabs(v) <= m.limit)) [[unlikely]]
        MagnitudeFault(name, gear, m);
}

[[gnu::cold, gnu::noinline]] void ResolutionFault(const char* name, int gear) {
    FatalRange(Named(name, gear),
               "0<|" + Named(name, gear) + "|<" + LimitText(kMinLength, Unit::Length, false));
}

inline void CheckResolution(const char* name, int gear, long double v) {
    if (v != 0 && std::fabs(v) < kMinLength) [[unlikely]]
        ResolutionFault(name, gear);
}

// A value below 0 where 0 up to the magnitude is the range.
[[gnu::cold, gnu::noinline]] void NegativeFault(const char* name, int gear, Magnitude m) {
    FatalRange(Named(name, gear), Named(name, gear) + " 0.." + LimitText(m.limit, m.unit, true));
}

// The reals of the pair and of each gear with their largest magnitudes, in the order checked.
struct PairReal {
    const char* name;
    long double TGearData::*field;
};
constexpr PairReal PairLengths[] = {
    {"b", &TGearData::b}, {"a", &TGearData::a}, {"Aae", &TGearData::Aae}, {"Aai", &TGearData::Aai}};

struct GearReal {
    const char* name;
    PerGear<long double> TGearData::*field;
    Magnitude m;
};
constexpr GearReal GearReals[] = {{"bGear", &TGearData::bGear, Length},
                                  {"da", &TGearData::da, Length},
                                  {"kmn", &TGearData::kmn, Length},
                                  {"TipModeValue", &TGearData::TipModeValue, Length},
                                  {"Asne", &TGearData::Asne, Length},
                                  {"Asni", &TGearData::Asni, Length},
                                  {"q", &TGearData::q, Length},
                                  {"qTol", &TGearData::qTol, Length},
                                  {"DM", &TGearData::DM, Length},
                                  {"x", &TGearData::x, Factor},
                                  {"hfP0mn", &TGearData::hfP0mn, Factor},
                                  {"haP0mn", &TGearData::haP0mn, Factor},
                                  {"rhoaP0mn", &TGearData::rhoaP0mn, Factor},
                                  {"rhofP0mn", &TGearData::rhofP0mn, Factor},
                                  {"prP0mn", &TGearData::prP0mn, Factor},
                                  {"hFfP0mn", &TGearData::hFfP0mn, Factor},
                                  {"alprP0", &TGearData::alprP0, Angle},
                                  {"alkP0", &TGearData::alkP0, Angle}};

// Every whole number that enters the calculation, in the range its dialog offers; every real in
// a range no gear leaves. A value outside would make the arithmetic meaningless (or overflow).
void CheckValueRanges() {
    const TGearData& g = GearData;
    const int grades = g.QualityStandard == 1 ? 11 : 12; // ISO 1328 or DIN 3961
    CheckWhole("QualityStandard", 0, g.QualityStandard, 0, 1);
    CheckWhole("MeasureMode", 0, g.MeasureMode, 0, 1);
    CheckWhole("WarningMode", 0, g.WarningMode, 0, 1);
    // Field 9 and series 11 and above mean allowances entered: only 0 lies outside.
    CheckWhole("AaField", 0, g.AaField, 1, UINT16_MAX);
    for (int i = 1; i <= 2; ++i) {
        CheckWhole("z", i, g.z[i], -kMaxTeeth, kMaxTeeth);
        CheckWhole("k", i, g.k[i], -kMaxTeeth, kMaxTeeth);
        CheckWhole("Q", i, g.Q[i], 1, grades);
        CheckWhole("TsnSeries", i, g.TsnSeries[i], 1, UINT16_MAX);
        if (g.TsnSeries[i] < 11) CheckWhole("AsnSeries", i, g.AsnSeries[i], 1, 11);
        CheckWhole("TipInputMode", i, g.TipInputMode[i], 1, 3);
        CheckWhole("BasicRackType", i, g.BasicRackType[i], 0, 9);
    }
    CheckMagnitude("mn", 0, g.mn, Module);
    // A module of 0 or less has a message of its own (the base step).
    if (g.mn > 0 && g.mn < kMinModule) [[unlikely]]
        FatalRange("mn", "mn<" + LimitText(kMinModule, Unit::Length, false));
    // Where 0 means something else (not given, propose, fatal), a length too small for the job
    // file's seven decimals would load back as that 0.
    CheckResolution("b", 0, g.b);
    CheckResolution("a", 0, g.a);
    for (const PairReal& r : PairLengths)
        CheckMagnitude(r.name, 0, g.*r.field, Length);
    for (int i = 1; i <= 2; ++i) {
        CheckResolution("DM", i, g.DM[i]);
        // Of the tip's three values only the one its mode takes is typed (tip clearance, addendum
        // reduction, tip diameter); the other two the calculation derives from it.
        const PerGear<long double>* typedTip[] = {&g.TipModeValue, &g.kmn, &g.da};
        for (const GearReal& r : GearReals) {
            const PerGear<long double>& v = g.*r.field;
            const bool tipValue = &v == &g.TipModeValue || &v == &g.kmn || &v == &g.da;
            if (tipValue && g.TipInputMode[i] >= 1 && g.TipInputMode[i] <= 3 &&
                &v != typedTip[g.TipInputMode[i] - 1])
                continue;
            CheckMagnitude(r.name, i, v[i], r.m);
        }
        // A tool's radii are never negative (the presets 1 to 3 bring their own tip radius).
        const bool ownTip = g.BasicRackType[i] < 1 || g.BasicRackType[i] > 3;
        if (ownTip && g.rhoaP0mn[i] < 0) [[unlikely]]
            NegativeFault("rhoaP0mn", i, Factor);
        if (g.rhofP0mn[i] < 0) [[unlikely]]
            NegativeFault("rhofP0mn", i, Factor);
        // A ball is 0 (the calculation chooses it) or a diameter, as its field takes it.
        if (g.DM[i] < 0) [[unlikely]]
            NegativeFault("DM", i, Length);
        // Premachining leaves material for the finish, never less than the finished tooth.
        if (g.q[i] < 0) [[unlikely]]
            NegativeFault("q", i, Length);
        if (g.qTol[i] < 0) [[unlikely]]
            NegativeFault("qTol", i, Length);
    }
}

} // namespace

namespace {

// The name of a value that is no finite number, "" where it is NaN on purpose (and reported).
std::string NotFinite(const char* field, const long double& ref) {
    // A tip without involute leaves the pair without a path of contact, and nothing measured
    // along it.
    const TGearData& g = GearData;
    const bool noContact = &ref == &g.galpha || &ref == &g.epsalpha || &ref == &g.epsgamma ||
                           &ref == &g.gAC || &ref == &g.gEC || &ref == &g.zetaA1 ||
                           &ref == &g.zetaA2 || &ref == &g.zetaE1 || &ref == &g.zetaE2 ||
                           &ref == &g.jtShiftMin || &ref == &g.jtShiftMax;
    return std::isnan(ref) && noContact && ContactWithoutInvolute() ? "" : field;
}

std::string NotFinite(const char* field, const PerGear<long double>& ref, int i) {
    // An inspection dimension without solution, the tip thickness of a tip that no involute
    // reaches, the usable root without a path of contact.
    const TGearData& g = GearData;
    if (std::isnan(ref[i]) && ((MeasureFaults(i) != 0 && IsMeasureResult(g, ref)) ||
                               (TipInsideBaseCircle(i) && IsTipThicknessResult(g, ref)) ||
                               (&ref == &g.dNf && ContactWithoutInvolute())))
        return "";
    return Named(field, i);
}

// True where the bits are those of a normal number, a zero or a denormal, which is all that
// arithmetic yields short of an infinity or a NaN: integer operations only, so a look at every
// value of the gear data loads no real. Whatever else is judged by std::isfinite.
static_assert(std::numeric_limits<long double>::digits == 64, "x87 extended precision");
inline bool SurelyFinite(const long double& v) {
    std::uint64_t significand = 0;
    std::uint16_t signExponent = 0;
    std::memcpy(&significand, &v, sizeof significand);
    std::memcpy(&signExponent, reinterpret_cast<const unsigned char*>(&v) + sizeof significand,
                sizeof signExponent);
    const unsigned exponent = signExponent & 0x7FFFu;
    return significand >> 63 != 0 ? exponent != 0x7FFFu : exponent == 0;
}

// The first value that is no finite number names itself, unless it is NaN on purpose.
[[gnu::noinline]] void JudgeNotFinite(std::string& name, const char* field,
                                      const long double& ref) {
    if (!std::isfinite(ref) && name.empty()) name = NotFinite(field, ref);
}

[[gnu::noinline]] void JudgeNotFinite(std::string& name, const char* field,
                                      const PerGear<long double>& ref, int i) {
    if (!std::isfinite(ref[i]) && name.empty()) name = NotFinite(field, ref, i);
}

} // namespace

std::string FirstNonFiniteValue() {
    std::string name;
    // Every value is looked at by its bits; only one that may be no finite number costs more.
    VisitGearFields(
        GearData, [&name](const char* field, const auto& ref) __attribute__((always_inline)) {
            using T = std::decay_t<decltype(ref)>;
            if constexpr (std::is_same_v<T, long double>) {
                if (!SurelyFinite(ref)) [[unlikely]]
                    JudgeNotFinite(name, field, ref);
            } else if constexpr (std::is_same_v<T, PerGear<long double>>) {
                if (!SurelyFinite(ref[1])) [[unlikely]]
                    JudgeNotFinite(name, field, ref, 1);
                if (!SurelyFinite(ref[2])) [[unlikely]]
                    JudgeNotFinite(name, field, ref, 2);
            }
        });
    return name;
}

void CheckInputRanges() {
    const TGearData& g = GearData;
    ClearErrors();
    if (!(g.alpha > 5.0L && g.alpha < 50.0L)) {
        AddError("Fatal  : 5 < alpha < 50" + AngleUnitText() + " !");
        CalcErrorFlag = 1;
    }
    if (!(g.beta > -0.001L && g.beta < 60.0L)) {
        AddError("Fatal  : 0 <= beta < 60" + AngleUnitText() + " !");
        CalcErrorFlag = 1;
    }
    if (g.z[2] == 0) {
        AddError("Fatal  : z = 0 !");
        CalcErrorFlag = 1;
    }
    if (g.Pn == 0.0L) {
        AddError("Fatal  : Pn = 0 !");
        CalcErrorFlag = 1;
    }
    if (g.x[2] > 1.5L)
        AddError("Warning: x > 1.5 !");
    else if (g.x[2] < -1.5L)
        AddError("Warning: x < -1.5 !");
    CheckValueRanges();
}

namespace {

// CheckInput without the tool's warnings (the first check of CalculateGears, whose messages the
// final one replaces: the tool values it would judge are those of the calculation before).
bool CheckInputValues() {
    TGearData& g = GearData;
    CheckInputRanges();
    if (CalcErrorFlag != 0) return false;
    g.alphaRad = g.alpha * Pi / 180.0L;
    g.betaRad = g.beta * Pi / 180.0L;
    const long double cb = Cos(g.betaRad);
    g.d[2] = g.mn / cb * g.z[2];
    g.alphat = ArcTan(Tan(g.alphaRad) / cb);
    const long double cat = Cos(g.alphat);
    g.betab = ArcTan(cat * Tan(g.betaRad));
    g.db[2] = cat * g.d[2];
    g.DrawingName[1] = "";
    g.DrawingName2[1] = "";
    g.DrawingNumber[1] = "";
    return true;
}

} // namespace

void CheckInput() {
    if (CheckInputValues()) ToolProfileWarnings(2);
}

void CalcSequence() {
    SequenceFatal.clear();
    if (CalcErrorFlag != 0) {
        SequenceFatal = "Fatal  : calculation stopped !";
        return;
    }
    if (!RunStep(CalcUnit0) || !RunStep(CentreDistance) || !RunStep(CalcUnit1)) return;
    if (AbortFlag == 0 && !RunStep(TipRootInputModes)) return;
    if (!RunStep(CalcUnit2) || !RunStep(CalcTolerances)) return;
    if (!RunStep(ToolAuxValues) || !RunStep(CalcWarnings)) return;
    RunStep(MeanLimitValues);
}

void CheckResults() {
    TGearData& g = GearData;
    const long double mn = g.mn;
    if (g.sat[2] <= 0.15L * mn || g.san[2] <= 0.15L * mn) AddError("Warning: point teeth !");
    if (g.z[2] > 0 && g.xmin[2] > g.x[2]) AddError("Warning: undercut !");
    if (std::fabs(g.x[2]) > 1.5L) AddError("Warning: x > 1.5 !");
    if (g.alpha < g.alprP0[2]) AddError("alfa prP0 > alfa !");
    // A ball far from the usual size is worth a word only when it does not stand above the tip
    // and touch the usable flank at every shift measured (the proposed ball does wherever a ball
    // can).
    if (PercentDiff(DmMess(g.z[2], g.betaRad, g.alphaRad, g.xEmax[2], mn), g.DM[2]) > 30.0L &&
        !TBallGauge(2).Fits(g.DM[2]))
        AddError("ball diameter !");
    // So is a number of teeth spanned whose span does not touch the usable flank at every shift.
    if (PercentDiff(kmess(g.z[2], g.betaRad, g.alphaRad, g.xEmax[2], mn), g.k[2]) > 30.0L &&
        !TSpanGauge(2).Fits(g.k[2]))
        AddError("No. of teeth measured !");
    if (g.bGear[2] < Sin(g.betab) * g.WminV[2] + 2.0L + 0.03L * g.WminV[2] && g.beta > 0.0L)
        AddError("Warning: b < b min. ");
    // A pair that jams at the limits of its tolerances (beside the dimensions dialog's fixed
    // companion gear 2 meets no gear of the user's).
    if (g.jtmin < 0 && !IsFixedCompanion(g)) AddError("Warning: jtmin < 0 !");
    // (2 mm: in inch 0.07874 in)
    if (std::fabs(g.d[2]) < 2.0L && g.TsnSeries[2] < 11)
        AddError("Warning: Tsn DIN d<" + MessageLength(2, UnitSystem == 1 ? 4 : 0) + " !");
    if (PercentDiff(g.sn[2], g.snMin[2]) > 25.0L) AddError("Error  : Tol. Asne,Asni!");
    if (ShiftLimitsCrossed(g, 2)) AddError("Error  : xemin>xemax"); // finished or premachined
}

void CalculateGears() {
    TGearData& g = GearData;
    AbortFlag = 0;
    CalcErrorFlag = 0;
    ClearErrors();
    ClearMeasureMemo(); // each calculation proposes afresh
    ClearMeasureFaults();
    CheckInputValues();
    if (CalcErrorFlag != 0) return;
    // A ball of 0 is the calculation's to choose: the inspection step proposes it as the
    // measurement dialog does (ProposeBallDiameter); where none fits and there is no usual ball it
    // stays 0 and the ball dimensions are empty (NoBall).
    // Entered allowances (field 9 and above) are the user's; table fields are derived again.
    if (g.AaField < 9) {
        g.Aai = 0.0L;
        g.Aae = 0.0L;
    }
    CalcSequence();
    std::string fatal = SequenceFatal;
    // A result that is no finite number is never a success.
    if (const std::string name = FirstNonFiniteValue(); fatal.empty() && !name.empty())
        fatal = "Fatal  : not finite: " + name + " !";
    // A fatal message of a step that let the calculation go on (a helix angle above 45 degrees)
    // qualifies every result: it stays.
    std::vector<std::string> kept;
    for (int n = 1; n <= ErrorCount; ++n)
        if (std::string text = ErrorList[n]; text.rfind("Fatal", 0) == 0) kept.push_back(text);
    // The steps' other messages are dropped; the input and final checks speak for the result
    // (the final checks raise again whatever makes a result impossible).
    ClearErrors();
    CheckInput();
    if (fatal.empty()) {
        for (const std::string& text : kept)
            AddError(text);
        // First what makes a result impossible (both gears), then the plausibility of gear 2.
        CheckSoundness();
        CheckResults();
    } else {
        // The results mix old and new data: keep the stop visible and the flag set, and skip
        // the final checks, which would judge stale values.
        AddError(fatal);
        CalcErrorFlag = 1;
    }
}

void MeanLimitValues() {
    TGearData& g = GearData;
    g.Planets = g.PlanetCount;
    g.RotationAngle = RadToDeg(2.0L * ArcSin(g.stw[1] / (2.0L * g.dw[1])));
    for (int i = 1; i <= 2; ++i) {
        g.xee[i] = (g.xEmin[i] + g.xEmax[i]) / 2.0L;
        g.xeh[i] = (g.xEminV[i] + g.xEmaxV[i]) / 2.0L;
        g.dfx[i] = (g.dfmax[i] - g.dfmin[i]) / 2.0L;
        // The tool's root line: a full tip, or one beyond the tool's reach that it cuts back.
        if (g.kmn[i] < 0 || IsEqual(0.0L, g.kmn[i]))
            g.dax[i] = 2.0L * g.hfP0[i] + g.d[i] + (g.xEminV[i] + g.xEmaxV[i]) * g.mn;
        else
            g.dax[i] = g.da[i];
        g.snx[i] = (g.snMax[i] - g.snMin[i]) / 2.0L;
    }
    g.aDraw = g.a;
    DiametersForShift(g.xee);
}

void DiametersForShift(PerGear<long double> xs) {
    TGearData& g = GearData;
    const long double ta = Tan(g.alphaRad);
    const long double cat = Cos(g.alphat);
    // Operating pressure angle at the drawing centre distance (the transverse pressure angle
    // when none is set); checked once gear 1's thickness and diameters are written.
    long double c = 0.0L;
    long double w = g.alphat;
    if (g.aDraw != 0.0L) {
        c = cat * (g.d[1] + g.d[2]) / 2.0L / g.aDraw;
        if (!(c > 1.0L || c < 0.0L || !std::isfinite(c))) w = ArcCos(c);
    }
    const long double cw = Cos(w);
    for (int i = 1; i <= 2; ++i) {
        g.snx[i] = (Pi / 2.0L + 2.0L * xs[i] * ta) * g.mn;
        const bool premachined = g.q[i] > 1e-5L;
        const long double shift2 = premachined ? g.xEminV[i] + g.xEmaxV[i] : 2.0L * xs[i];
        g.dfx[i] = g.d[i] - 2.0L * g.haP0[i] + shift2 * g.mn;
        if (g.kmn[i] < 0 || IsEqual(0.0L, g.kmn[i]))
            g.dax[i] = 2.0L * g.hfP0[i] + g.d[i] + shift2 * g.mn;
        else
            g.dax[i] = g.da[i];
        if (g.aDraw != 0.0L && (c > 1.0L || c < 0.0L || !std::isfinite(c))) {
            // Drawings are refused on the flag; say why.
            AddError("Fatal  : centre distance drawing !");
            CalcErrorFlag = 1;
            return;
        }
        g.dwx[i] = cat * g.d[i] / cw;
    }
    g.jtShiftAvg = RadToDeg(2.0L * ArcSin(g.stw[1] / (2.0L * g.dw[1])));
    g.jtShiftMin = g.jtShiftAvg + RadToDeg(2.0L * g.gAC / g.dwx[1] / cw);
    g.jtShiftMax = g.jtShiftAvg - RadToDeg(2.0L * g.gEC / g.dwx[1] / cw);
}
