#include "calc/inspect.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "calc/meshing.h"
#include "calc/tables.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"
#include "framework/core/settings.h"

namespace {

std::string GearNo(int i) {
    return std::to_string(i);
}

constexpr long double Sqrt2 = 1.414213562373095048801688724209698079L;

} // namespace

namespace {

// What the span and ball dimensions of one gear share at every shift: worked out once per gear
// (each dimension is then a sum or one inverse involute away).
struct SpanBase {
    long double atShift0 = 0; // the span at shift 0
    long double perShift = 0; // its change per unit of shift
};

SpanBase MakeSpanBase(int i) {
    TGearData& g = GearData;
    const TPairAngles& a = PairAngles(g);
    const long double s = g.z[i] < 0 ? -1 : 1;
    if (g.k[i] == 0) {
        const long double dM = 2 * g.mn * g.x[i] + g.d[i];
        const long double bM = ArcTan(Tan(g.betaRad) * dM / g.d[i]);
        const long double aM =
            ArcCosLimited("", Cos(g.betaRad) * a.cosAlpha * g.d[i] / dM / Cos(bM));
        // Counted on |z| and given the sign back: an internal gear spans as many spaces as the
        // external gear of the same size spans teeth.
        const long double v =
            std::fabs(static_cast<long double>(g.z[i])) * a.invAt / a.invAlpha * aM / Pi + 1;
        std::int32_t k = 1;
        if (std::isfinite(v) && v >= 1 && v < 2.0e9L) k = static_cast<std::int32_t>(v);
        g.k[i] = s < 0 ? -k : k;
    }
    SpanBase b;
    // |k| teeth (spaces of a ring gear) whatever sign k was given with.
    b.atShift0 = a.cosAlpha * g.mn * (a.invAt * g.z[i] + (s * std::abs(g.k[i]) - s / 2) * Pi);
    b.perShift = 2 * g.mn * a.sinAlpha;
    return b;
}

struct BallBase {
    long double tanAlpha = 0, invAt = 0, oddFactor = 1, cosBetab = 1;
};

BallBase MakeBallBase(int i) {
    const TGearData& g = GearData;
    const TPairAngles& a = PairAngles(g);
    BallBase b;
    b.tanAlpha = a.tanAlpha;
    b.invAt = a.invAt;
    b.cosBetab = a.cosBetab;
    // Odd tooth numbers: the balls lie in spaces half a pitch out of line.
    if (!IsEven(g.z[i])) b.oddFactor = Cos(HalfPi / g.z[i]);
    return b;
}

// The dimension over balls and, in contact, the diameter of the circle through the points
// where the ball touches the flanks (0 when it cannot touch an involute: the ball would sink
// below the base circle, aK < 0 among them).
struct BallDim {
    long double M = 0, contact = 0, aK = 0;
};

BallDim BallAt(int i, const BallBase& b, long double xE, long double DM) {
    const TGearData& g = GearData;
    const long double eta = (Pi - 4 * xE * b.tanAlpha) / 2 / g.z[i];
    long double cK = 1;
    BallDim r;
    r.aK = ArcInv(DM / g.db[i] / b.cosBetab - (eta - b.invAt), cK);
    const long double dK = g.db[i] / cK;
    r.M = IsEven(g.z[i]) ? dK + DM : b.oddFactor * dK + DM;
    // The ball touches each flank on the flank's normal through its centre, which lies in the
    // plane tangent to the base cylinder: in the transverse section the contact lies DM/2
    // cos(beta_b) from the centre along the base tangent, nearer the base circle on an external
    // gear, further out on an internal one.
    const long double rb = std::fabs(g.db[i]) / 2;
    const long double tanK = std::sqrt((1 - cK) * (1 + cK)) / cK;
    const long double along =
        r.aK < 0 ? -1 : rb * tanK + (g.z[i] > 0 ? -1 : 1) * DM / 2 * b.cosBetab;
    if (along > 0) r.contact = 2 * std::sqrt(rb * rb + along * along);
    return r;
}

// The dimension over balls DM[i] at shift xE, with the message of a ball whose centre would lie
// below the base circle.
BallDim BallOfGear(int i, const BallBase& b, long double xE) {
    const BallDim r = BallAt(i, b, xE, GearData.DM[i]);
    if (r.aK < 0) AddError(i == 1 ? "Error  : Dm ball !  (1)" : "Error  : Dm ball !  (2)");
    return r;
}

// Keeps the message list as it was: what a search finds again was said by the calculation. A
// search raises at most a few distinct messages (an inverse, a square root, a chamfer crossing):
// they are added behind the list's lines, which only a list near full could lose to them, so
// only such a list is copied.
class KeepMessages {
public:
    KeepMessages() {
        if (count_ + 3 >= ErrorListSize) list_ = std::make_unique<decltype(ErrorList)>(ErrorList);
    }
    ~KeepMessages() {
        ErrorCount = count_;
        if (list_) ErrorList = *list_;
    }

private:
    std::uint16_t count_ = ErrorCount;
    std::unique_ptr<decltype(ErrorList)> list_;
};

// One of the five generating shifts a dimension is given for: the shift xE of its involute and
// the shift xK at which the tool cut its tip (on a premachined gear the finished flank keeps the
// premachined tip: the premachining shift of the same limit).
struct TMeasuredShift {
    long double xE, xK;
    bool operator==(const TMeasuredShift&) const = default;
};

// Premachining lower and upper limit, nominal shift, finishing lower and upper limit (the order
// of WminV, WmaxV, Wtheo, Wmin, Wmax).
std::array<TMeasuredShift, TSpanGauge::ShiftCount> MeasuredShifts(const TGearData& g, int i) {
    return {{{g.xEminV[i], g.xEminV[i]},
             {g.xEmaxV[i], g.xEmaxV[i]},
             {g.x[i], g.x[i] + g.xEmaxV[i] - g.xEmax[i]},
             {g.xEmin[i], g.xEminV[i]},
             {g.xEmax[i], g.xEmaxV[i]}}};
}

// The form diameters of a shift the meshing step has found (dFf of xEmaxV, dFa and dFaK of the
// finished limits); false for the others.
bool MeshingRoot(const TGearData& g, int i, long double xE, long double& root) {
    if (xE != g.xEmaxV[i]) return false;
    root = g.dFf[i];
    return true;
}
bool MeshingTip(const TGearData& g, int i, TMeasuredShift s, long double& tip) {
    if (s == TMeasuredShift{g.xEmax[i], g.xEmaxV[i]})
        tip = g.dFa[i];
    else if (s == TMeasuredShift{g.xEmin[i], g.xEminV[i]})
        tip = g.dFaK[i];
    else
        return false;
    return true;
}

// Where a contact diameter (positive) lies on the flank of gear i generated at shift xE: how far
// towards the root beyond the root form diameter (negative), towards the tip beyond the tip form
// diameter (positive), or 0 on the involute. The form diameters are searched for only where
// their bounds leave it open.
class FlankOfShift {
public:
    FlankOfShift(int i, TMeasuredShift shift, const TFormBounds& bounds)
        : i_(i), shift_(shift), bounds_(bounds) {
        const TGearData& g = GearData;
        haveRoot_ = MeshingRoot(g, i, shift.xE, root_);
        haveTip_ = MeshingTip(g, i, shift, tip_);
        if (haveRoot_) bounds_.rootLo = bounds_.rootHi = root_;
        if (haveTip_) bounds_.tipLo = tip_;
        if (bounds_.tipExact && !haveTip_) {
            tip_ = bounds_.tipLo;
            haveTip_ = true;
        }
    }

    long double xE() const { return shift_.xE; }
    TMeasuredShift Shift() const { return shift_; }

    long double Outside(long double contact) {
        const TGearData& g = GearData;
        const long double eps = 1e-9L * g.mn;
        if (!(contact >= 0 && contact < Infinity)) return -Infinity;
        if (g.z[i_] < 0) {
            // A ring gear: the bounds are the form diameters (negative).
            if (contact > std::fabs(bounds_.rootLo) + eps)
                return std::fabs(bounds_.rootLo) - contact;
            if (contact < std::fabs(bounds_.tipLo) - eps) return std::fabs(bounds_.tipLo) - contact;
            return 0;
        }
        if (contact < bounds_.rootHi + eps) {
            if (!haveRoot_) {
                const KeepMessages keep;
                root_ = bounds_.rootLo == bounds_.rootHi ? bounds_.rootLo
                                                         : RootFormDiameterAt(i_, shift_.xE);
                haveRoot_ = true;
            }
            if (contact < root_ - eps) return contact - root_;
        }
        if (contact > bounds_.tipLo - eps) {
            if (!haveTip_) {
                const KeepMessages keep;
                tip_ = TipFormDiameterAt(i_, shift_.xE, shift_.xK);
                haveTip_ = true;
            }
            if (contact > tip_ + eps) return contact - tip_;
        }
        return 0;
    }

private:
    static constexpr long double Infinity = std::numeric_limits<long double>::infinity();
    int i_;
    TMeasuredShift shift_;
    TFormBounds bounds_;
    long double root_ = 0, tip_ = 0;
    bool haveRoot_ = false, haveTip_ = false;
};

// The limit between lo (test false) and hi (test true), by bisection.
template <class Test> long double Boundary(long double lo, long double hi, Test test) {
    for (int n = 0; n < 200 && hi - lo > 1e-15L * hi; ++n) {
        const long double mid = (lo + hi) / 2;
        (test(mid) ? hi : lo) = mid;
    }
    return hi;
}

// The value of the grid step nearest to target inside (lo, hi) that passes fits; 0 if none.
template <class Fits>
long double OnGrid(long double target, long double lo, long double hi, long double step,
                   Fits fits) {
    long double v = std::clamp(target, lo, hi);
    v = target <= lo ? std::ceil(lo / step) * step : std::floor(v / step) * step;
    for (int n = 0; n < 3; ++n, v += target <= lo ? step : -step)
        if (v > lo && v < hi && fits(v)) return v;
    return 0;
}

PerGear<unsigned> Faults;

constexpr long double NoSolution = std::numeric_limits<long double>::quiet_NaN();

} // namespace

long double SpanMeasure(int i, long double xE) {
    const SpanBase b = MakeSpanBase(i);
    return b.atShift0 + xE * b.perShift;
}

long double BallMeasure(int i, long double xE) {
    return BallOfGear(i, MakeBallBase(i), xE).M;
}

unsigned MeasureFaults(int i) {
    return Faults[i];
}

long double ShownBallDiameter(int i) {
    return Faults[i] & NoBall ? NoSolution : GearData.DM[i];
}

void ClearMeasureFaults() {
    Faults = {0, 0};
}

bool IsMeasureResult(const TGearData& g, const PerGear<long double>& field) {
    for (const PerGear<long double>* f :
         {&g.Wtheo, &g.Wmax, &g.Wmin, &g.WmaxV, &g.WminV, &g.MdKtheo, &g.MdKmax, &g.MdKmin,
          &g.MdKmaxV, &g.MdKminV, &g.MdRtheo, &g.MdRmax, &g.MdRmin, &g.MdRmaxV, &g.MdRminV})
        if (f == &field) return true;
    return false;
}

TBallGauge::TBallGauge(int i) : i_(i), tip_(CutTipDiameter(i)) {
    const TGearData& g = GearData;
    const KeepMessages keep;
    shifts_.reserve(TSpanGauge::ShiftCount);
    // The form diameters CalcTolerances takes for each shift.
    for (const TMeasuredShift s : MeasuredShifts(g, i)) {
        Shift m{s.xE, 0, 0};
        if (!MeshingRoot(g, i, s.xE, m.dFf)) m.dFf = RootFormDiameterAt(i, s.xE);
        if (!MeshingTip(g, i, s, m.dFa)) m.dFa = TipFormDiameterAt(i, s.xE, s.xK);
        shifts_.push_back(m);
    }
}

bool TBallGauge::Judge(long double DM, bool high) const {
    const TGearData& g = GearData;
    const KeepMessages keep;
    const BallBase base = MakeBallBase(i_);
    const long double sign = g.z[i_] < 0 ? -1 : 1;
    for (const Shift& s : shifts_) {
        const BallDim b = BallAt(i_, base, s.xE, DM);
        // No seat (an external gear's ball falls through, a ring gear's is too large): a ball
        // that does not fit, whichever way it is judged.
        if (b.contact == 0) return false;
        const long double dY = sign * b.contact;
        if (high ? !(b.M > tip_ && dY >= s.dFf) : !(dY <= s.dFa)) return false;
    }
    return true;
}

bool TBallGauge::Seats(long double DM) const {
    const KeepMessages keep;
    const BallBase base = MakeBallBase(i_);
    for (const Shift& s : shifts_)
        if (BallAt(i_, base, s.xE, DM).contact == 0) return false;
    return true;
}

long double TBallGauge::Largest() const {
    const TGearData& g = GearData;
    const long double az = std::fabs(static_cast<long double>(g.z[i_]));
    const long double scale = std::fabs(g.db[i_]) * Cos(g.betab);
    long double cap = 0;
    for (const Shift& s : shifts_) {
        const long double eta = (Pi + 4 * std::fabs(s.xE) * Tan(g.alphaRad)) / (2 * az);
        cap = std::max(cap, scale * (1 + Inv(g.alphat) + eta));
    }
    return cap;
}

TBallProposal ProposeBallDiameter(int i) {
    const TGearData& g = GearData;
    const long double usual = DmMess(g.z[i], g.betaRad, g.alphaRad, g.xEmin[i], g.mn);
    const TBallGauge gauge(i);
    if (std::isfinite(usual) && gauge.Fits(usual)) return {usual, true, true};
    long double cap = gauge.Largest();
    const auto noFit = [&](long double DM) { return TBallProposal{DM, false, gauge.Seats(DM)}; };
    if (!(cap > 0) || !std::isfinite(cap)) return noFit(usual);
    if (g.z[i] < 0 && !gauge.Seats(cap)) {
        // A ring gear's larger balls find no seat: search below the largest that does.
        long double seated = 0;
        for (int n = 0; n < 200 && cap - seated > 1e-15L * cap; ++n) {
            const long double mid = (seated + cap) / 2;
            (gauge.Seats(mid) ? seated : cap) = mid;
        }
        cap = seated;
    }
    // The grids in mm: 0.1, 0.01, 0.001 mm, or 0.001, 0.0001 in.
    std::vector<long double> steps{0.1L, 0.01L, 0.001L};
    if (UnitSystem == 1) steps = {0.0254L, 0.00254L};
    if (!(cap > 0)) return noFit(usual);
    if (!gauge.HighEnough(cap)) {
        // No ball that seats stands above the tip: on a ring gear the largest that seats comes
        // nearest (and gives a dimension).
        for (long double step : steps)
            if (const long double v =
                    OnGrid(cap, 0, cap, step, [&](long double d) { return gauge.Seats(d); });
                v > 0 && g.z[i] < 0)
                return noFit(v);
        return noFit(usual);
    }
    const long double lo = Boundary(0, cap, [&](long double d) { return gauge.HighEnough(d); });
    // Between lo and cap every ball seats: the largest that touches no higher than dFa.
    const long double hi = gauge.LowEnough(cap) ? cap : Boundary(lo, cap, [&](long double d) {
        return !gauge.LowEnough(d);
    });
    const long double target = std::isfinite(usual) ? usual : lo;
    if (lo < hi) {
        for (long double step : steps)
            if (const long double v =
                    OnGrid(target, lo, hi, step, [&](long double d) { return gauge.Fits(d); });
                v > 0)
                return {v, true, true};
        if (gauge.Fits((lo + hi) / 2)) return {(lo + hi) / 2, true, true};
    }
    // No ball fits: the nearest that stands above the tip circle and touches above dFf.
    for (long double step : steps)
        if (const long double v =
                OnGrid(target, lo, cap, step, [&](long double d) { return gauge.HighEnough(d); });
            v > 0)
            return noFit(v);
    return noFit(usual);
}

struct TSpanGauge::Flanks {
    std::vector<FlankOfShift> distinct;
    int of[ShiftCount] = {};
    // The span over k at shift x: atShift0 + perK k + perShift x; its anvils' contact.
    long double atShift0 = 0, perK = 0, perShift = 0, db2 = 0, cosBetab = 1;
};

TSpanGauge::TSpanGauge(int i) : i_(i), flanks_(std::make_unique<Flanks>()) {
    const TGearData& g = GearData;
    const KeepMessages keep;
    const auto shifts = MeasuredShifts(g, i);
    // Without allowances several shifts coincide: each distinct shift once. Bounds of the form
    // diameters where the meshing step has not found both.
    long double openE[ShiftCount], openK[ShiftCount];
    TFormBounds bounds[ShiftCount];
    int nOpen = 0;
    auto openAt = [&](TMeasuredShift s) {
        int n = 0;
        while (n < nOpen && !(openE[n] == s.xE && openK[n] == s.xK))
            ++n;
        return n;
    };
    for (const TMeasuredShift s : shifts) {
        long double known = 0;
        const bool root = MeshingRoot(g, i, s.xE, known), tip = MeshingTip(g, i, s, known);
        if ((root && tip) || openAt(s) < nOpen) continue;
        openE[nOpen] = s.xE;
        openK[nOpen] = s.xK;
        bounds[nOpen].rootKnown = root;
        bounds[nOpen++].tipKnown = tip;
    }
    FormDiameterBounds(i, openE, openK, nOpen, bounds);
    Flanks& f = *flanks_;
    const TPairAngles& a = PairAngles(g);
    const long double s = g.z[i] < 0 ? -1 : 1, c = a.cosAlpha * g.mn;
    f.atShift0 = c * (a.invAt * g.z[i] - s / 2 * Pi);
    f.perK = c * Pi;
    f.perShift = 2 * g.mn * a.sinAlpha;
    f.db2 = g.db[i] * g.db[i];
    f.cosBetab = a.cosBetab;
    std::vector<FlankOfShift>& d = flanks_->distinct;
    d.reserve(ShiftCount);
    for (int n = 0; n < ShiftCount; ++n) {
        int same = 0;
        while (same < static_cast<int>(d.size()) && !(d[same].Shift() == shifts[n]))
            ++same;
        if (same == static_cast<int>(d.size())) {
            const int at = openAt(shifts[n]);
            d.emplace_back(i, shifts[n], at == nOpen ? TFormBounds{} : bounds[at]);
        }
        flanks_->of[n] = same;
    }
}

TSpanGauge::~TSpanGauge() = default;

int TSpanGauge::Distinct(int n) const {
    return flanks_->of[n];
}

long double TSpanGauge::Shift(int n) const {
    return flanks_->distinct[flanks_->of[n]].xE();
}

long double TSpanGauge::Span(std::int32_t k, int n) const {
    const Flanks& f = *flanks_;
    // |k| teeth (spaces of a ring gear) whatever sign k was given with.
    const std::int32_t signedK = GearData.z[i_] < 0 ? -std::abs(k) : std::abs(k);
    return f.atShift0 + signedK * f.perK + Shift(n) * f.perShift;
}

long double TSpanGauge::Outside(long double c, int n) {
    return flanks_->distinct[flanks_->of[n]].Outside(c);
}

long double TSpanGauge::SpanOutside(long double W, int n) {
    const TGearData& g = GearData;
    // The anvils touch the two flanks along parallel lines of one plane tangent to the base
    // cylinder, W apart; across the axis their distance is W cos(beta_b). Placed symmetric about
    // the base cylinder, both touch at the same diameter, and any other place takes one of them
    // lower and the other higher.
    if (!(W * g.z[i_] > 0)) return -std::numeric_limits<long double>::infinity();
    const long double across = W * flanks_->cosBetab;
    return Outside(std::sqrt(flanks_->db2 + across * across), n);
}

unsigned TSpanGauge::Faults(std::int32_t k) {
    unsigned f = 0;
    for (int n = 0; n < ShiftCount; ++n)
        if (const long double o = SpanOutside(Span(k, n), n); o != 0)
            f |= o < 0 ? SpanBelowForm : SpanAboveForm;
    return f;
}

std::int32_t TSpanGauge::Nearest(std::int32_t usual, bool& fits) {
    const TGearData& g = GearData;
    const std::int32_t s = g.z[i_] < 0 ? -1 : 1;
    const std::int32_t top = std::clamp<std::int32_t>(std::abs(g.z[i_]), 1, kMaxTeeth);
    const std::int32_t want = std::abs(usual);
    // Each shift's contact climbs with k: the k that fit are one run. The usual k fits as a
    // rule, or one a few steps towards the run does: walk there from it (the contacts near the
    // pitch circle need no form diameter searched for).
    fits = true;
    if (want >= 1 && want <= top) {
        const unsigned first = Faults(s * want);
        if (first == 0) return s * want;
        if (first == SpanBelowForm || first == SpanAboveForm) {
            const std::int32_t dir = first == SpanBelowForm ? 1 : -1;
            for (std::int32_t k = want + dir; k >= 1 && k <= top; k += dir) {
                const unsigned f = Faults(s * k);
                if (f == 0) return s * k;
                if (f != first) break; // past the run without meeting it: none fits
            }
        }
    }
    // Otherwise every k: the middle of the run for usual 0, or the one that misses least.
    std::int32_t lo = 0, hi = 0, best = 1;
    long double bestMiss = std::numeric_limits<long double>::infinity();
    for (std::int32_t k = 1; k <= top; ++k) {
        long double miss = 0;
        for (int n = 0; n < ShiftCount; ++n)
            miss = std::fmax(miss, std::fabs(SpanOutside(Span(s * k, n), n)));
        if (miss == 0) {
            if (lo == 0) lo = k;
            hi = k;
        } else if (lo != 0) {
            break;
        } else if (miss < bestMiss ||
                   (miss == bestMiss && std::abs(k - want) < std::abs(best - want))) {
            bestMiss = miss;
            best = k;
        }
    }
    fits = lo != 0;
    if (fits) best = want == 0 ? (lo + hi) / 2 : std::clamp(want, lo, hi);
    return s * best;
}

long double BallDimOddTeeth(int i, long double M) {
    const TGearData& g = GearData;
    if (!IsEven(g.z[i]) && g.beta > 0) return (M - g.DM[i]) / Cos(HalfPi / g.z[i]) + g.DM[i];
    return M;
}

long double RoundTolValue(long double x) {
    if (x < 5) return RoundDec(1, x);
    if (x <= 10) return static_cast<long double>(Round(2 * x)) / 2;
    return static_cast<long double>(Round(x));
}

void IsoTolerances(int i) {
    TGearData& g = GearData;
    const long double g5 = IntPower(Sqrt2, g.Q[i] - 5);
    const long double d = std::fabs(g.d[i]);
    const long double mn = g.mn;
    const long double sd = std::sqrt(d);
    const long double sb = std::sqrt(g.bGear[i]);
    const long double az = std::fabs(static_cast<long double>(g.z[i]));
    const bool warn = g.WarningMode == 0;

    // Every value is rounded after the class factor is applied, as the standard rounds.
    g.ffalpha[i] = RoundTolValue(g5 * (0.55L * mn + 5));
    g.fHalpha[i] = RoundTolValue(g5 * (0.001L * d + 0.4L * mn + 4));
    g.Falpha[i] = RoundTolValue(Hypot(g.ffalpha[i], g.fHalpha[i]));
    g.fp[i] = RoundTolValue(g5 * (0.001L * d + 0.4L * mn + 5));
    g.fu[i] = Sqrt2 * g.fp[i];
    g.Fp[i] = RoundTolValue(g5 * (0.55L * sd + 0.002L * d + 0.7L * mn + 12));
    g.Fr[i] = 0.9L * g.Fp[i];
    if (warn) {
        if (az < 5 || az > 1000) AddError("Warning: Fr: (5<=z<=1000)");
        if (d < 5 || d > 15000) AddError("Warning: Fr: (5<=d<=15000)");
        if (mn < 0.5L || mn > 70) AddError("Warning: Fr: (0.5<=mn<=70)");
    }
    g.fHbeta[i] = RoundTolValue(g5 * (0.35L * sb + 0.05L * sd + 4));
    g.ffbeta[i] = RoundTolValue(g5 * (0.45L * sb + 0.07L * sd + 4));
    g.Fbeta[i] = RoundTolValue(Hypot(g.ffbeta[i], g.fHbeta[i]));
    g.fis[i] = RoundTolValue(g5 * (0.375L * mn + 5));
    g.Fis[i] = g.Fp[i] + g.fis[i];
    if (warn) {
        if (az < 5 || az > 400) AddError("Warning: fis: (5<=z<=400)");
        if (d < 5 || d > 2500) AddError("Warning: fis: (5<=d<=2500)");
        if (mn < 1 || mn > 50) AddError("Warning: fis: (1<=mn<=50)");
    }
    g.fi2[i] = RoundTolValue(g5 * (0.01L * sd + 2.96L * mn + 0.8L));
    g.Fi2[i] = RoundTolValue(g5 * (1.01L * sd + 3.2L * mn + 6.4L));
    g.Rs[i] = 0; // a DIN value only: never keep one from an earlier DIN calculation
}

void DinTolerances(int i) {
    TGearData& g = GearData;
    const int Q = g.Q[i];
    const long double d = std::fabs(g.d[i]);
    const long double mn = g.mn;
    const long double smn = std::sqrt(mn);
    const long double sd = std::sqrt(d);
    const long double s =
        Q <= 9 ? IntPower(1.4L, Q - 5) : IntPower(1.4L, 4) * IntPower(1.6L, Q - 9);
    const long double t = IntPower(1.4L, Q - 5);

    const long double A = (9 * smn + mn) * 0.25L + 1.5L;
    const long double B = (3 * smn + mn) * 0.25L + 2.5L;
    g.ffalpha[i] = s * A;
    g.fHalpha[i] = s * B;
    g.Falpha[i] = s * std::sqrt(A * A + B * B);
    g.fp[i] = s * ((0.25L * sd + mn) * 0.315L + 4);
    g.fu[i] = s * ((0.25L * sd + mn) * 0.4L + 5);
    g.Fp[i] = s * 7.25L * Power("Error  : Fp", d, 1.0L / 3) /
              Power("Error  : Fp", std::fabs(static_cast<long double>(g.z[i])), 1.0L / 7);
    // (d is no negative number: the four fourth roots are one; so are the logarithms of mn)
    const long double d4 = Power("Error  : Fr", d, 0.25L);
    const long double lmn = Log10(mn);
    g.Fr[i] = t * (2.18L * smn + 1.68L + (1.2L * lmn + 2.3L) * d4);
    g.Rs[i] = t * (1.28L * smn + 1 + (0.7L * lmn + 1.33L) * d4);

    const long double b1 = 0.8L * std::sqrt(g.bGear[i]) + 4;
    if (Q < 7)
        g.Fbeta[i] = IntPower(1.25L, Q - 5) * b1;
    else if (Q <= 8)
        g.Fbeta[i] = IntPower(1.4L, Q - 6) * 1.25L * b1;
    else
        g.Fbeta[i] = IntPower(1.4L, 2) * 1.25L * b1 * IntPower(1.6L, Q - 8);
    // The message names carry a beta (a sharp s in the DOS code page the texts come from).
    const long double b2 = 4.16L * Power("Error  : FH\u00DF5", g.bGear[i], 0.14L);
    if (Q < 7)
        g.fHbeta[i] = IntPower(1.32L, Q - 5) * b2;
    else if (Q <= 8)
        g.fHbeta[i] = IntPower(1.4L, Q - 6) * 1.32L * b2;
    else
        g.fHbeta[i] = IntPower(1.4L, 2) * 1.32L * b2 * IntPower(1.55L, Q - 8);
    g.ffbeta[i] =
        SqrtChecked("Error  : f\u00DFf", g.Fbeta[i] * g.Fbeta[i] - g.fHbeta[i] * g.fHbeta[i]);
    g.Fi2[i] = t * (2.57L * smn + 2 + (0.432L * lmn + 3.12L) * d4);
    g.fi2[i] = t * (1.8L * smn + 1.6L * d4 - 1);
    g.Fis[i] = 0.8L * (g.Fp[i] + g.Falpha[i]);
    g.fis[i] = 0.7L * (g.fp[i] + g.Falpha[i]);

    if (g.WarningMode == 0 && mn >= 1 && g.Tsn[i] < 2 * g.Rs[i] / 1000)
        AddError("Warning: Tsn < 2Rs !  (" + GearNo(i) + ")");
}

void CalcTolerances() {
    TGearData& g = GearData;
    ClearMeasureFaults();
    if (CalcErrorFlag != 0) return;
    for (int i = 1; i <= 2; ++i) {
        if (g.MeasureMode == 1) g.k[i] = 0;
        // A ball the calculation chooses itself (none given, or MeasureMode 1) is the one the
        // measurement dialog proposes: one that fits wherever a ball does (0 where there is no
        // usual ball and none fits).
        if (g.MeasureMode == 1 || g.DM[i] == 0) {
            const long double DM = ProposeBallDiameter(i).DM;
            g.DM[i] = std::isfinite(DM) && DM > 0 ? DM : 0;
        }
        if (CalcErrorFlag != 0) return;
        // The first span fixes k[i]. A dimension whose contact misses the involute (below the
        // root form or above the tip form diameter of its own shift, or a ball that cannot touch
        // an involute at all) has no solution: no number.
        const bool proposeK = g.k[i] == 0;
        const bool noBall = !(g.DM[i] > 0); // none given and no usual ball
        MakeSpanBase(i);
        if (CalcErrorFlag != 0) return;
        const BallBase ball = MakeBallBase(i);
        TSpanGauge gauge(i);
        if (proposeK) {
            // A k proposed here is one whose span touches the usable flank at every shift, as
            // the measurement dialog proposes it; where none does, the nearest, and the span
            // checks below say so.
            bool fits = true;
            g.k[i] = gauge.Nearest(g.k[i], fits);
        }
        long double spans[5] = {}, dims[5] = {};
        for (int n = 0; n < TSpanGauge::ShiftCount; ++n) {
            // Without allowances several of the five shifts coincide: each distinct shift once.
            int same = 0;
            while (same < n && gauge.Distinct(same) != gauge.Distinct(n))
                ++same;
            if (same < n) {
                spans[n] = spans[same];
                dims[n] = dims[same];
                continue;
            }
            const long double xE = gauge.Shift(n);
            spans[n] = gauge.Span(g.k[i], n);
            if (const long double o = gauge.SpanOutside(spans[n], n); o != 0) {
                Faults[i] |= o < 0 ? SpanBelowForm : SpanAboveForm;
                spans[n] = NoSolution;
            }
            const BallDim b = noBall ? BallDim{} : BallOfGear(i, ball, xE);
            dims[n] = b.M;
            if (noBall) {
                Faults[i] |= NoBall;
                dims[n] = NoSolution;
            } else if (b.contact == 0) {
                Faults[i] |= BallCannotSeat;
                dims[n] = NoSolution;
            } else if (const long double o = gauge.Outside(b.contact, n); o != 0) {
                Faults[i] |= o < 0 ? BallBelowForm : BallAboveForm;
                dims[n] = NoSolution;
            }
        }
        g.WminV[i] = spans[0];
        g.WmaxV[i] = spans[1];
        g.Wtheo[i] = spans[2];
        g.Wmin[i] = spans[3];
        g.Wmax[i] = spans[4];
        g.MdKminV[i] = dims[0];
        g.MdKmaxV[i] = dims[1];
        g.MdKtheo[i] = dims[2];
        g.MdKmin[i] = dims[3];
        g.MdKmax[i] = dims[4];
        if (CalcErrorFlag != 0) return;

        g.MdRminV[i] = BallDimOddTeeth(i, g.MdKminV[i]);
        g.MdRmaxV[i] = BallDimOddTeeth(i, g.MdKmaxV[i]);
        g.MdRmin[i] = BallDimOddTeeth(i, g.MdKmin[i]);
        g.MdRmax[i] = BallDimOddTeeth(i, g.MdKmax[i]);
        g.MdRtheo[i] = BallDimOddTeeth(i, g.MdKtheo[i]);
    }
    for (int i = 1; i <= 2; ++i) {
        if (g.QualityStandard == 1)
            IsoTolerances(i);
        else
            DinTolerances(i);
        if (CalcErrorFlag != 0) return;
    }
    for (int i = 1; i <= 2; ++i)
        if (g.z[i] >= 1 && g.dfmax[i] <= 0) AddError("Invalid Data !");
}
