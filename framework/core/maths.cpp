// utilmath: elementary mathematics in extended precision.
#include "framework/core/maths.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "framework/core/errorlist.h"

namespace {
constexpr Extended TwoPi = 2 * Pi;
// 2^63: every long double at or beyond it is a whole number and no int64 holds it.
constexpr Extended Int64Limit = 9223372036854775808.0L;

void Report(std::string_view name, std::string_view suffix) {
    if (name.empty()) return;
    std::string msg(name);
    msg += suffix;
    AddError(msg);
}

// Exact 10^k for 0 <= k <= 27 (5^27 still fits the 64-bit mantissa); powl beyond.
Extended ExactPow10(int k) {
    if (k < 0 || k > 27) return powl(10.0L, static_cast<Extended>(k));
    Extended p = 1;
    for (int i = 0; i < k; ++i)
        p *= 10;
    return p;
}

std::int64_t Clamp64(Extended r) {
    if (std::isnan(r)) return 0;
    if (r < -Int64Limit) return std::numeric_limits<std::int64_t>::min();
    if (r >= Int64Limit) return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(r);
}

std::int32_t Clamp32(Extended r) {
    if (std::isnan(r)) return 0;
    if (r < static_cast<Extended>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    if (r > static_cast<Extended>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(r);
}

bool Fits64(Extended r) {
    return std::isfinite(r) && r >= -Int64Limit && r < Int64Limit;
}
bool Fits32(Extended r) {
    return std::isfinite(r) &&
           r >= static_cast<Extended>(std::numeric_limits<std::int32_t>::min()) &&
           r <= static_cast<Extended>(std::numeric_limits<std::int32_t>::max());
}

Extended Frac(Extended x) {
    return x - truncl(x);
}

struct SinCos {
    Extended s = 0, c = 1;
};
thread_local ValueMemo<SinCos, 1> SinCosMemo;
thread_local ValueMemo<Extended, 1> ArcTanMemo;

struct Involute {
    Extended a = 0, cosA = 1;
};
thread_local ValueMemo<Involute, 1> ArcInvMemo;

// The logarithm of a power's base (the tolerance formulas raise one diameter to several powers).
thread_local ValueMemo<Extended, 1> LogMemo;

Extended Log(Extended x) {
    return LogMemo.Of({x}, [&x](Extended& l) {
        l = logl(x);
        return true;
    });
}
} // namespace

void SinAndCos(Extended x, Extended& s, Extended& c) {
    const SinCos v = SinCosMemo.Of({x}, [&x](SinCos& v) {
        sincosl(x, &v.s, &v.c);
        return true;
    });
    s = v.s;
    c = v.c;
}

Extended Sin(Extended x) {
    Extended s = 0, c = 1;
    SinAndCos(x, s, c);
    return s;
}

Extended Cos(Extended x) {
    Extended s = 0, c = 1;
    SinAndCos(x, s, c);
    return c;
}

Extended ArcTan(Extended x) {
    return ArcTanMemo.Of({x}, [&x](Extended& a) {
        a = atanl(x);
        return true;
    });
}

Extended Tan(Extended x) {
    // One argument reduction for both (the same sine and cosine as sinl and cosl give).
    Extended s = 0, c = 1;
    SinAndCos(x, s, c);
    if (c == 0) {
        AddError("Error: function tan in Unit math");
        return 1.0E30L;
    }
    return s / c;
}

Extended ArcSin(Extended x) {
    if (x == 1) return HalfPi;
    if (x == -1) return -HalfPi;
    if (!(fabsl(x) <= 1)) {
        AddError("Error: ArcSin in unit math");
        return HalfPi;
    }
    return ArcTan(x / sqrtl(1 - x * x));
}

Extended ArcCos(Extended x) {
    if (x == 1) return 0;
    if (x == -1) return Pi;
    if (!(fabsl(x) <= 1)) {
        AddError("Error: function ArcCos in math");
        return 0;
    }
    return HalfPi - ArcTan(x / sqrtl(1 - x * x));
}

Extended ArcCosLimited(std::string_view, Extended x) {
    if (!(fabsl(x) <= 1)) return 0;
    return ArcCos(x);
}

Extended Power(std::string_view Name, Extended X, Extended Y) {
    if (X < 0) {
        Report(Name, " (pow)");
        return expl(Y * Log(-X));
    }
    if (X == 0) return 0;
    const Extended t = Y * Log(X);
    if (t > 3000) return 1.0E3000L;
    if (t < -3000) return 0;
    return expl(t);
}

Extended SqrtChecked(std::string_view Name, Extended x) {
    if (x < 0) {
        Report(Name, " (sqrt)");
        return 0;
    }
    return sqrtl(x);
}

Extended ArcInv(Extended y) {
    Extended c = 1;
    return ArcInv(y, c);
}

namespace {

// ArcInv's search; false (with the message) where it finds no angle.
bool SolveInvolute(Extended y, Extended& result, Extended& cosA) {
    cosA = 1;
    result = 0;
    if (!std::isfinite(y)) {
        AddError("Error: ArcInv in unit math");
        return false;
    }
    if (y == 0) return true;
    // Newton's method kept inside a shrinking bracket [lo, hi] (bisection whenever a Newton
    // step would leave it): the answer plain bisection gives, in about five steps instead of
    // sixty; every calculation inverts the involute a dozen times. Accepted when the involute
    // matches to 1e-15 and the next step is below 1e-17, so the angle itself is exact to that
    // tolerance even where the involute is flat.
    Extended lo = -1.57L, hi = 1.57L;
    // Inv(a) = a^3/3 + 2a^5/15 + ...: a = u (1 - 2u^2/15) with u = cbrt(3y) to first order.
    Extended a = 0;
    bool settled = false; // the double stage converged
    if (fabsl(y) > 1e-30L && fabsl(y) < 1e6L) {
        // Newton in double precision first (its functions cost a fraction of the extended
        // ones); the extended steps below then start within about an ulp of double and need
        // two evaluations.
        const double yd = static_cast<double>(y);
        const double u = std::cbrt(3 * yd);
        double ad = u * (1 - 2 * u * u / 15);
        if (!(ad > -1.57 && ad < 1.57)) ad = yd > 0 ? 1.5699 : -1.5699;
        for (int n = 0; n < 12; ++n) {
            double sd = 0, cd = 1;
            sincos(ad, &sd, &cd);
            const double td = sd / cd;
            const double next = ad - (td - ad - yd) / (td * td);
            if (!(next > -1.57 && next < 1.57)) break; // left to the bracketed search below
            const double step = std::fabs(next - ad);
            ad = next;
            // Newton squares the error: after a step this small, what is left is about the
            // square of it, below double resolution.
            if (step <= 1e-9 * std::fabs(ad)) {
                settled = true;
                break;
            }
        }
        a = ad;
    } else {
        const Extended u = cbrtl(3 * y);
        a = u * (1 - 2 * u * u / 15);
        if (!(a > lo && a < hi)) a = y > 0 ? 1.5699L : -1.5699L;
    }
    if (settled) {
        // From a root exact to double precision one extended Newton step leaves an error far
        // below an extended ulp (Newton squares it); cos follows to first order (the second is
        // the square of a double ulp).
        Extended s = 0, c = 1;
        sincosl(a, &s, &c);
        const Extended t = s / c;
        const Extended d = (t - a - y) / (t * t);
        if (fabsl(d) <= 1e-12L * fabsl(a)) {
            cosA = c + s * d;
            result = a - d;
            return true;
        }
    }
    Extended lastStep = hi - lo;
    for (int steps = 1; steps <= 800; ++steps) {
        Extended s = 0, c = 1;
        sincosl(a, &s, &c); // |a| < 1.57: cos a > 0
        const Extended t = s / c;
        const Extended f = t - a - y;
        cosA = c;
        if (f == 0) {
            result = a;
            return true;
        }
        if (f > 0)
            hi = a;
        else
            lo = a;
        Extended next = a - f / (t * t);
        // Bisect when Newton leaves the bracket or stops converging (rounding noise where
        // the involute is flat).
        if (!(next >= lo && next <= hi) || !(fabsl(next - a) < lastStep / 2)) next = (lo + hi) / 2;
        if (fabsl(f) < ArcInvTolerance && (fabsl(next - a) <= 1e-17L || hi - lo <= 1e-17L)) {
            result = a;
            return true;
        }
        lastStep = fabsl(next - a);
        a = next;
    }
    AddError("Error: ArcInv in unit math");
    cosA = 1;
    return false;
}

} // namespace

Extended ArcInv(Extended y, Extended& cosA) {
    const Involute v =
        ArcInvMemo.Of({y}, [&y](Involute& v) { return SolveInvolute(y, v.a, v.cosA); });
    cosA = v.cosA;
    return v.a;
}

// rintl rounds to nearest (the rounding mode is never changed), like nearbyintl, but without
// saving and restoring the floating-point environment on every call.
bool TryRound(Extended x, std::int64_t& out) {
    const Extended r = rintl(x);
    if (!Fits64(r)) return false;
    out = static_cast<std::int64_t>(r);
    return true;
}

bool TryRoundInt(Extended x, std::int32_t& out) {
    const Extended r = rintl(x);
    if (!Fits32(r)) return false;
    out = static_cast<std::int32_t>(r);
    return true;
}

std::int64_t Round(Extended x) {
    std::int64_t v = 0;
    if (TryRound(x, v)) return v;
    AddError("Error: Round in unit math");
    return Clamp64(rintl(x));
}

std::int64_t Trunc(Extended x) {
    const Extended r = truncl(x);
    if (Fits64(r)) return static_cast<std::int64_t>(r);
    AddError("Error: Trunc in unit math");
    return Clamp64(r);
}

std::int32_t RoundInt(Extended x) {
    std::int32_t v = 0;
    if (TryRoundInt(x, v)) return v;
    AddError("Error: Round in unit math");
    return Clamp32(rintl(x));
}

std::int32_t TruncInt(Extended x) {
    const Extended r = truncl(x);
    if (Fits32(r)) return static_cast<std::int32_t>(r);
    AddError("Error: Trunc in unit math");
    return Clamp32(r);
}

Extended RoundDec(int n, Extended x) {
    if (!std::isfinite(x)) return x;
    // Exact powers of ten: multiply for n >= 0, divide for n < 0, so that 10^-n is never
    // represented inexactly. rintl rounds halves to the even neighbour.
    if (n >= 0) {
        const Extended p = ExactPow10(n);
        const Extended scaled = x * p;
        if (!std::isfinite(scaled) || fabsl(scaled) >= Int64Limit) return x; // no fraction left
        return rintl(scaled) / p;
    }
    const Extended p = ExactPow10(-n);
    if (!std::isfinite(p)) return 0;
    return rintl(x / p) * p;
}

Extended IntPower(Extended x, int n) {
    if (n == 0) return 1;
    // Count in a wider type: -INT_MIN does not fit an int.
    const long long count = n > 0 ? n : -static_cast<long long>(n);
    Extended r = 1;
    if (count > 4096) {
        r = powl(x, static_cast<Extended>(count)); // no loop that a huge exponent could stall
    } else {
        for (long long k = count; k > 0; --k)
            r *= x;
    }
    return n > 0 ? r : 1 / r;
}

Extended Inv(Extended a) {
    return Tan(a) - a;
}

Extended Log10(Extended x) {
    return x <= 0 ? 0 : log10l(x);
}

Extended Pow10(Extended x) {
    return powl(10.0L, x);
}

Extended Floor(Extended x) {
    const Extended t = truncl(x);
    return x < 0 ? t - 1 : t;
}

int Exponent10(Extended x) {
    if (x == 0 || !std::isfinite(x)) return 0;
    return RoundInt(Floor(Log10(fabsl(x))));
}

Extended Hypot(Extended x, Extended y) {
    return sqrtl(x * x + y * y);
}

Extended Cathetus(Extended r, Extended x) {
    if (fabsl(r) <= fabsl(x)) return 0;
    return sqrtl(r * r - x * x);
}

Extended ArcTan2(Extended x, Extended y) {
    if (x == 0) return y >= 0 ? HalfPi : -HalfPi;
    const Extended a = atanl(y / x);
    return x < 0 ? a + Pi : a;
}

Extended ArcTan2Swapped(Extended y, Extended x) {
    return ArcTan2(x, y);
}

Extended RadToDeg(Extended x) {
    return x * 180 / Pi;
}
Extended DegToRad(Extended x) {
    return x * Pi / 180;
}

Extended NormAngle(Extended x) {
    Extended a = TwoPi * Frac(x / TwoPi);
    if (a < 0) a += TwoPi;
    if (a >= TwoPi) a = 0; // a tiny negative angle would round up to 2 pi
    return a;
}

Extended AngleDiffDeg(Extended a, Extended b) {
    Extended d = (Frac(b / 360) - Frac(a / 360)) * 360;
    if (d < 0) d += 360;
    return d;
}

Extended RotX(Extended p, Extended q, Extended a) {
    return cosl(a) * q - sinl(a) * p;
}
Extended RotY(Extended p, Extended q, Extended a) {
    return cosl(a) * p + sinl(a) * q;
}

void RotatePoint(Extended& X, Extended& Y, Extended x, Extended y, Extended a) {
    const Extended c = cosl(a), s = sinl(a);
    X = x * c - y * s;
    Y = y * c + x * s;
}

void RotateMovePoint(Extended& X, Extended& Y, Extended dx, Extended dy, Extended angleDeg,
                     Extended x, Extended y) {
    RotatePoint(X, Y, x, y, DegToRad(angleDeg));
    X += dx;
    Y += dy;
}

void ScaleRotateMovePoint(Extended& X, Extended& Y, Extended sx, Extended sy, Extended dx,
                          Extended dy, Extended angleDeg, Extended x, Extended y) {
    RotateMovePoint(X, Y, dx, dy, angleDeg, x * sx, y * sy);
}

bool IsEqual(Extended a, Extended b) {
    return fabsl(a - b) < EqualTolerance;
}

bool IsBetween(Extended x, Extended a, Extended b) {
    return (a < x && x < b) || (b < x && x < a);
}

Extended PercentDiff(Extended ref, Extended v) {
    if (ref == 0) return 0;
    return fabsl((v - ref) / ref) * 100;
}

Extended Max(Extended a, Extended b) {
    return a > b ? a : b;
}
Extended Min(Extended a, Extended b) {
    return a < b ? a : b;
}
std::int32_t IMax(std::int32_t a, std::int32_t b) {
    return a > b ? a : b;
}
std::int32_t IMin(std::int32_t a, std::int32_t b) {
    return a < b ? a : b;
}

std::int32_t ILimit(std::int32_t v, std::int32_t hi, std::int32_t lo) {
    return IMin(IMax(v, lo), hi);
}

void SwapReal(Extended& a, Extended& b) {
    const Extended t = a;
    a = b;
    b = t;
}

Extended Sign(Extended x) {
    return x >= 0 ? 1 : -1;
}
Extended SignAtLeastOne(Extended x) {
    return x >= 1 ? 1 : -1;
}
Extended Mean2(Extended a, Extended b) {
    return (a + b) / 2;
}
bool IsEven(std::int64_t n) {
    return n % 2 == 0;
}
Extended InchToMm(Extended x) {
    return x * MmPerInch;
}
Extended MmToInch(Extended x) {
    return x / MmPerInch;
}
Extended RoundToDouble(Extended x) {
    return static_cast<Extended>(static_cast<double>(x));
}

void NiceScale(Extended& Lo, Extended& Hi, Extended& Step, Extended A, Extended B, int n) {
    if (n < 1) n = 1; // an axis has at least one division
    // Only a range with no width of its own is widened by a unit either side: a narrow but real
    // range (micrometre deviations in mm) keeps its own scale.
    if (std::fabs(B - A) <= 1e-15L * std::max(std::fabs(A), std::fabs(B))) {
        A -= 1;
        B += 1;
    }
    B -= (B - A) * 1e-5L; // an end on a step is not pushed one step further
    const Extended raw = (B - A) / n;
    const int e = Exponent10(raw);
    const Extended p = e >= 0 ? ExactPow10(e) : 1 / ExactPow10(-e);
    const Extended r = raw / p;
    Extended f = 10;
    if (r < 1.5L)
        f = 1;
    else if (r < 3)
        f = 2;
    else if (r < 8)
        f = 5;
    Step = f * p;
    Hi = (Floor(B / Step) + 1) * Step;
    Lo = Floor(A / Step) * Step;
}
