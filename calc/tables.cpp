#include "calc/tables.h"

#include <array>
#include <cmath>
#include <limits>

#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/maths.h"

namespace {

// ISO 286-1 standard tolerances IT4..IT11 in micrometres, by size range 1..21.
constexpr std::array<std::array<std::int32_t, 8>, 21> IsoTable{{
    {3, 4, 6, 10, 14, 25, 40, 60},           // up to 3
    {4, 5, 8, 12, 18, 30, 48, 75},           // 3 to 6
    {4, 6, 9, 15, 22, 36, 58, 90},           // 6 to 10
    {5, 8, 11, 18, 27, 43, 70, 110},         // 10 to 18
    {6, 9, 13, 21, 33, 52, 84, 130},         // 18 to 30
    {7, 11, 16, 25, 39, 62, 100, 160},       // 30 to 50
    {8, 13, 19, 30, 46, 74, 120, 190},       // 50 to 80
    {10, 15, 22, 35, 54, 87, 140, 220},      // 80 to 120
    {12, 18, 25, 40, 63, 100, 160, 250},     // 120 to 180
    {14, 20, 29, 46, 72, 115, 185, 290},     // 180 to 250
    {16, 23, 32, 52, 81, 130, 210, 320},     // 250 to 315
    {18, 25, 36, 57, 89, 140, 230, 360},     // 315 to 400
    {20, 27, 40, 63, 97, 155, 250, 400},     // 400 to 500
    {22, 32, 44, 70, 110, 175, 280, 440},    // 500 to 630
    {25, 36, 50, 80, 125, 200, 320, 500},    // 630 to 800
    {28, 40, 56, 90, 140, 230, 360, 560},    // 800 to 1000
    {33, 47, 66, 105, 165, 260, 420, 660},   // 1000 to 1250
    {39, 55, 78, 125, 195, 310, 500, 780},   // 1250 to 1600
    {46, 65, 92, 150, 230, 370, 600, 920},   // 1600 to 2000
    {55, 78, 110, 175, 280, 440, 700, 1100}, // 2000 to 2500
    {68, 96, 135, 210, 330, 540, 860, 1350}, // over 2500
}};

// Lower limits of ISO size ranges 2..21.
constexpr std::array<long long, 20> IsoRangeStarts{
    3, 6, 10, 18, 30, 50, 80, 120, 180, 250, 315, 400, 500, 630, 800, 1000, 1250, 1600, 2000, 2500};

// DIN 3967 tooth-thickness tolerances, series 21..30, by diameter range 1..11.
constexpr std::array<std::array<std::int32_t, 10>, 11> TsnTable{{
    {3, 5, 8, 12, 20, 30, 50, 80, 130, 200},
    {5, 8, 12, 20, 30, 50, 80, 130, 200, 300},
    {6, 10, 16, 25, 40, 60, 100, 160, 250, 400},
    {8, 12, 20, 30, 50, 80, 130, 200, 300, 500},
    {10, 16, 25, 40, 60, 100, 160, 250, 400, 600},
    {12, 20, 30, 50, 80, 130, 200, 300, 500, 800},
    {16, 25, 40, 60, 100, 160, 250, 400, 600, 1000},
    {20, 30, 50, 80, 130, 200, 300, 500, 800, 1300},
    {25, 40, 60, 100, 160, 250, 400, 600, 1000, 1600},
    {30, 50, 80, 130, 200, 300, 500, 800, 1300, 2000},
    {40, 60, 100, 160, 250, 400, 600, 1000, 1600, 2400},
}};

// DIN 3967 upper allowances (absolute), series a..h, by diameter range 1..11.
constexpr std::array<std::array<std::int32_t, 11>, 11> AsneTable{{
    {100, 85, 70, 58, 48, 40, 33, 22, 10, 5, 0},
    {135, 110, 95, 75, 65, 54, 44, 30, 14, 7, 0},
    {180, 150, 125, 105, 85, 70, 60, 40, 19, 9, 0},
    {250, 200, 170, 140, 115, 95, 80, 56, 26, 12, 0},
    {330, 280, 230, 190, 155, 130, 110, 75, 35, 17, 0},
    {450, 370, 310, 260, 210, 175, 145, 100, 48, 22, 0},
    {600, 500, 420, 340, 290, 240, 200, 135, 64, 30, 0},
    {820, 680, 560, 460, 390, 320, 270, 180, 85, 41, 0},
    {1100, 920, 760, 620, 520, 430, 360, 250, 115, 56, 0},
    {1500, 1250, 1020, 840, 700, 580, 480, 330, 155, 75, 0},
    {2000, 1650, 1350, 1150, 940, 780, 640, 450, 210, 100, 0},
}};

// Lower limits of DIN ranges 2..11.
constexpr std::array<long long, 10> DinRangeStarts{10,   50,   125,  280,  560,
                                                   1000, 1600, 2500, 4000, 6300};

constexpr std::array<const char*, 8> AaFieldNames{"js 4", "js 5", "js 6", "js 7",
                                                  "js 8", "js 9", "js10", "js11"};
constexpr std::array<const char*, 11> AsnSeriesNames{"a", "ab", "b", "bc", "c", "cd",
                                                     "d", "e",  "f", "g",  "h"};

// Whole millimetres of |size| - offset, truncated; a size on a range limit thus falls into the
// lower range whatever its sign. Non-finite or huge sizes land in the last range.
long long WholeSize(long double size, long double offset) {
    const long double v = std::fabs(size) - offset;
    if (!(v < 1e15L)) // also NaN
        return std::numeric_limits<long long>::max();
    if (v <= 0.0L) return 0;
    return static_cast<long long>(v); // truncation toward zero
}

template <std::size_t N> int RangeOf(long long n, const std::array<long long, N>& starts) {
    if (n < 0)
        n = n == std::numeric_limits<long long>::min() ? std::numeric_limits<long long>::max() : -n;
    int r = 1;
    for (long long s : starts)
        if (n >= s) ++r;
    return r;
}

} // namespace

const long double StandardModules[StandardModuleCount] = {
    0.05L, 0.06L, 0.08L, 0.1L,  0.12L, 0.16L, 0.2L,  0.25L, 0.3L,  0.4L, 0.5L, 0.6L,
    0.7L,  0.8L,  0.9L,  1.0L,  1.25L, 1.5L,  2.0L,  2.5L,  3.0L,  4.0L, 5.0L, 6.0L,
    8.0L,  10.0L, 12.0L, 16.0L, 20.0L, 25.0L, 32.0L, 40.0L, 50.0L, 60.0L};

int DiameterRangeIndex(long long n) {
    return RangeOf(n, IsoRangeStarts);
}

int DinRangeIndex(long long n) {
    return RangeOf(n, DinRangeStarts);
}

int IsoSizeRange(long double size) {
    // "Over 80 up to and including 120": a size counts into the next range only once it is
    // larger than a limit (by more than the last digits of a computed centre distance).
    const long double v = std::fabs(size);
    if (std::isnan(v)) return static_cast<int>(IsoRangeStarts.size()) + 1;
    int r = 1;
    for (long long s : IsoRangeStarts)
        if (v > static_cast<long double>(s) * (1.0L + 1e-12L)) ++r;
    return r;
}

std::int32_t IsoItTol(int grade, long double size) {
    if (grade < 1 || grade > 8) return 0;
    const int r = IsoSizeRange(size);
    return IsoTable[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(grade - 1)];
}

std::int32_t DinTsnTol(int series, long double d) {
    if (series < 1 || series > 10) return 0;
    const int r = DinRangeIndex(WholeSize(d, 0.0001L));
    return TsnTable[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(series - 1)];
}

std::int32_t DinAsneDev(int series, long double d) {
    if (series < 1 || series > 11) return 0;
    const int r = DinRangeIndex(WholeSize(d, 0.0001L));
    return AsneTable[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(series - 1)];
}

std::string AaFieldNameOf(int field) {
    if (field < 1 || field > 8) return {};
    return AaFieldNames[static_cast<std::size_t>(field - 1)];
}

std::string AsnSeriesNameOf(int series) {
    if (series < 1 || series > 11) return {};
    return AsnSeriesNames[static_cast<std::size_t>(series - 1)];
}

long double StepStandardModule(int dir, long double m) {
    if (AbortFlag != 0 || !std::isfinite(m)) return 0.0L;
    // A module typed as a standard value (or read back from inches) counts as that value.
    auto same = [m](long double s) { return std::fabs(s - m) <= 1e-9L * s; };
    const long double* first = StandardModules;
    const long double* last = StandardModules + StandardModuleCount;
    if (dir > 0) {
        // The next larger standard module; above the series the module stays.
        for (const long double* s = first; s != last; ++s)
            if (*s > m && !same(*s)) return *s;
        return m;
    }
    if (dir < 0) {
        // The next smaller; below the series the module stays.
        for (const long double* s = last; s != first; --s)
            if (s[-1] < m && !same(s[-1])) return s[-1];
        return m;
    }
    // The nearest standard module at or above m (the largest above the series).
    for (const long double* s = first; s != last; ++s)
        if (*s >= m || same(*s)) return *s;
    return last[-1];
}

namespace {

// The last few results of one proposal function, by its exact arguments.
template <class Result> class MeasureMemo {
public:
    struct Args {
        long double z, beta, alpha, x, mn;
        std::uint16_t units;
        bool operator==(const Args&) const = default;
    };
    const Result* Find(const Args& a) const {
        for (int n = 0; n < used_; ++n)
            if (entries_[n].args == a) return &entries_[n].value;
        return nullptr;
    }
    void Keep(const Args& a, Result v) {
        entries_[next_] = {a, v};
        next_ = (next_ + 1) % Size;
        if (used_ < Size) ++used_;
    }
    void Clear() { used_ = next_ = 0; }

private:
    static constexpr int Size = 4;
    struct Entry {
        Args args;
        Result value;
    };
    std::array<Entry, Size> entries_{};
    int used_ = 0, next_ = 0;
};

MeasureMemo<long double> DmMemo;
MeasureMemo<std::int32_t> KMemo;

// A result is remembered only when computing it reported nothing: a call that reports must
// report again (the error list may have been cleared in between).
template <class Result, class Compute>
Result Remembered(MeasureMemo<Result>& memo, const typename MeasureMemo<Result>::Args& args,
                  Compute compute) {
    if (const Result* v = memo.Find(args)) return *v;
    bool reported = false;
    const Result v = compute(reported);
    if (!reported) memo.Keep(args, v);
    return v;
}

// The functions of the two angles both estimates need, worked out once for the angles of the
// last call: a calculation asks at several shifts of the same gear.
struct EstimateAngles {
    long double beta = NAN, alpha = NAN;
    long double cb = 1, cb33 = 1, ca = 1, ta = 0, tb = 0, at = 0, invAt = 0;
    bool cb33Reported = false;
};

const EstimateAngles& AnglesOf(long double beta, long double alpha) {
    static EstimateAngles e;
    if (e.beta == beta && e.alpha == alpha) return e;
    e.beta = beta;
    e.alpha = alpha;
    e.cb = Cos(beta);
    e.ca = Cos(alpha);
    e.ta = Tan(alpha);
    e.tb = Tan(beta);
    e.at = ArcTan(e.ta / e.cb);
    e.invAt = Inv(e.at);
    // (a negative base is reported at every call, as before)
    e.cb33Reported = e.cb < 0;
    if (!e.cb33Reported) e.cb33 = Power("Error  : DmMess", e.cb, 3.3L);
    return e;
}

long double ComputeDmMess(long double z, long double beta, long double alpha, long double x,
                          long double mn, bool& reported) {
    const EstimateAngles& e = AnglesOf(beta, alpha);
    reported = e.cb33Reported; // Power reports a negative base
    const long double zv = z / (reported ? Power("Error  : DmMess", e.cb, 3.3L) : e.cb33);
    if (zv == 0.0L || !std::isfinite(zv)) return 0.0L;
    const long double ca = e.ca;
    // The measuring circle of the virtual spur gear inside its base circle (a shift far below
    // 0): no usual ball. That says nothing about the gear, which may well be sound.
    const long double c = ca * zv / (2.0L * x + zv);
    if (!(std::fabs(c) <= 1.0L) || c == 1.0L) return 0.0L;
    const long double ta = e.ta;
    const long double taM = std::sqrt((1.0L - c) * (1.0L + c)) / c; // tan(arccos c)
    const long double eta = (Pi - 4.0L * x * ta) / (2.0L * zv) + taM - (ta - alpha);
    const long double D = (Tan(eta) - taM) * ca * zv * mn;
    if (!(D > 0.0L) || !std::isfinite(D)) return 0.0L;
    if (D < 0.5L) return D;
    if (UnitSystem == 0) return RoundDec(1, D);
    return InchToMm(RoundDec(3, MmToInch(D)));
}

std::int32_t ComputeKmess(long double z, long double beta, long double alpha, long double x,
                          long double mn, bool& reported) {
    if (z == 0.0L) {
        AddError("Fatal  : z = 0 !");
        CalcErrorFlag = 1;
        reported = true;
        return 0;
    }
    const EstimateAngles& e = AnglesOf(beta, alpha);
    const long double cb = e.cb;
    const long double ta = e.ta;
    const long double d = mn / cb * z;
    const long double dM = d + 2.0L * mn * x;
    // cos of the helix angle at the measuring circle, tan bM = tan(beta) dM / d
    const long double tbM = e.tb * dM / d;
    const long double aM = ArcCosLimited("", e.ca * d / dM * cb * std::sqrt(1.0L + tbM * tbM));
    // No pressure angle at the measuring circle (it lies inside the base circle): no proposal.
    if (aM == 0.0L) return 0;
    // Count on |z| and give the sign back, so an internal gear spans as many spaces as the
    // external gear of the same size spans teeth.
    const long double v = std::fabs(z) * e.invAt / (ta - alpha) * aM / Pi + 1.0L;
    if (!std::isfinite(v) || v > 2.0e9L) return 0;
    const auto k = static_cast<std::int32_t>(v);
    return z < 0 ? -k : k;
}

} // namespace

long double DmMess(long double z, long double beta, long double alpha, long double x,
                   long double mn) {
    return Remembered(DmMemo, {z, beta, alpha, x, mn, UnitSystem},
                      [&](bool& r) { return ComputeDmMess(z, beta, alpha, x, mn, r); });
}

std::int32_t kmess(long double z, long double beta, long double alpha, long double x,
                   long double mn) {
    return Remembered(KMemo, {z, beta, alpha, x, mn, 0},
                      [&](bool& r) { return ComputeKmess(z, beta, alpha, x, mn, r); });
}

void ClearMeasureMemo() {
    DmMemo.Clear();
    KMemo.Clear();
}

long double RackTipRadiusMax(long double alpha, long double B, long double A) {
    return 0.99L * (Pi / 4.0L * Cos(alpha) - B * Sin(alpha) + A) / (1.0L - Sin(alpha));
}

long double RollTanAt(long double d, long double db) {
    // Internal gears carry negative diameters: their roll angles are those of the magnitudes.
    d = fabsl(d);
    db = fabsl(db);
    if (d <= db) return 0.0L;
    return RadToDeg(Tan(ArcCos(db / d)));
}

int OddEvenIndex(int n) {
    return (n % 2 + 2) % 2 + 1;
}
