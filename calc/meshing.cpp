#include "calc/meshing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <tuple>

#include "calc/geardata.h"
#include "calc/solvers.h"
#include "calc/tables.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"

namespace {

std::string GearNo(int i) {
    return std::to_string(i);
}

// Transverse chamfer angle of the tool of gear i.
long double ChamferAngleT(const TGearData& g, int i) {
    return ArcTan(std::tan(DegToRad(g.alkP0[i])) / Cos(g.betaRad));
}

// See CutTipDiameter.
long double CutTip(const TGearData& g, int i) {
    return g.kmn[i] < 0 ? g.daTool[i] : g.da[i];
}

} // namespace

namespace {

// The sine, cosine and tangent of one angle, from one sincosl.
struct AngleFns {
    long double s = 0, c = 1, t = 0;
    explicit AngleFns(long double a) {
        SinAndCos(a, s, c);
        t = s / c;
    }
};

// See ToolFlankEndDepth; alpha and apr are the pressure and protuberance angles of the tool.
long double FlankEndDepth(const TGearData& g, int i, const AngleFns& alpha, const AngleFns& apr) {
    const long double rho = g.rhoaP0[i];
    const long double plain = g.haP0[i] - rho * (1 - alpha.s);
    if (g.prP0mn[i] == 0) return plain;

    // Normal section, u along the datum line from the tooth centre, h depth below it. The tip
    // circle stands out of the main flank by the protuberance; the protuberance flank leaves it
    // at the protuberance angle (tangent point P) and meets the main flank in the corner Q,
    // where the main flank ends.
    const long double hc = g.haP0[i] - rho;
    const long double pr = g.prP0[i];
    const long double uc = g.mn * Pi / 4 - hc * alpha.t + (pr - rho) / alpha.c;
    const long double uP = uc + rho * apr.c;
    const long double hP = hc + rho * apr.s;
    // Main flank u = pi mn / 4 - h tan(alpha); protuberance flank u = uP - (h - hP) tan(apr).
    const long double den = alpha.t - apr.t;
    const long double hQ = den > 0 ? (g.mn * Pi / 4 - uP - hP * apr.t) / den : 0;
    if (den > 0 && hQ <= hP && std::isfinite(hQ)) return hQ;
    // No protuberance flank (its tangent point on the tip circle lies above the corner, or its
    // angle is not below alpha): the tip circle itself stands out of the main flank by pr, and
    // the flank ends where it enters that circle, rho - pr from the circle's centre.
    if (!(pr > 0) || !(pr < 2 * rho)) return plain;
    return hc + (rho - pr) * alpha.s - std::sqrt(pr * (2 * rho - pr)) * alpha.c;
}

} // namespace

long double ToolFlankEndDepth(int i) {
    const TGearData& g = GearData;
    const AngleFns alpha(g.alphaRad);
    return FlankEndDepth(g, i, alpha, AngleFns(DegToRad(g.alprP0[i])));
}

long double ToolFlankEndHeight(int i) {
    const TGearData& g = GearData;
    if (g.ChamferOn[i]) return g.hFfP0[i];
    const long double rf = std::fmax(g.rhofP0[i], 0.0L);
    return g.hfP0[i] - rf * (1 - PairAngles(g).sinAlpha);
}

long double LineOfActionDiameter(int i, long double depth, long double xE) {
    const TGearData& g = GearData;
    // Distance of the flank point from the pitch line, towards the gear body; the point it
    // generates lies on the line of action H / sin(alpha_t) from the pitch point.
    const long double H = depth - xE * g.mn;
    const long double s = Sin(g.alphat);
    const long double X = g.d[i] * s - 2 * H / s;
    const long double db = g.db[i];
    if (g.z[i] > 0) {
        if (X <= 0) return db; // the flank point lies beyond the interference point
        return std::sqrt(db * db + X * X);
    }
    if (X >= 0) return db;
    return -std::sqrt(db * db + X * X);
}

namespace {

long double InvArcCos(long double c);

// Bounds of inv(arccos c), 0 < c < 1, without an inverse function: with t = tan(arccos c),
// t - atan(t) lies between t^3 / 3 - t^5 / 5 and t^3 / 3.
inline void InvArcCosBounds(long double c, long double& lo, long double& hi) {
    const long double t2 = (1 - c) * (1 + c) / (c * c), t3 = t2 * std::sqrt(t2);
    hi = t3 / 3;
    lo = hi - t3 * t2 / 5;
}

// Sine and cosine from one argument reduction (the values sin and cos give).
inline void SinCos(double a, double& s, double& c) {
    sincos(a, &s, &c);
}
inline void SinCos(long double a, long double& s, long double& c) {
    sincosl(a, &s, &c);
}

// How far a point of the tool of one gear, at the generating shift xTool, cuts into the involute
// tooth of the shift xE (the same, or on a premachined gear the finished involute's). A tool
// point (u along the pitch line, transverse; depth h below the datum line) with its transverse
// normal (nu, nv) touches the gear when the normal passes through the pitch point: that fixes
// the roll angle in closed form, and so the gear point it cuts.
class InvoluteReach {
public:
    InvoluteReach(const TGearData& g, int i, long double xE, const AngleFns& alpha,
                  long double xTool) {
        r_ = g.d[i] / 2;
        rb_ = g.db[i] / 2;
        cb_ = Cos(g.betaRad);
        shift_ = xTool * g.mn;
        // tan(alpha_t) = tan(alpha) / cos(beta).
        const long double tat = alpha.t / cb_;
        const long double st = g.mt * Pi / 2 + 2 * xE * g.mn * tat;
        gap0_ = Pi / g.z[i] - st / g.d[i] - (tat - g.alphat);
    }

    long double BaseRadius() const { return rb_; }
    long double CosBeta() const { return cb_; }

    // > 0: the gear point cut lies inside the involute tooth (it cuts the involute away);
    // R: its radius. -1 below the base circle, where there is no involute.
    template <class T> T At(T u, T h, T nu, T nv, T& R) const {
        const T v = h - T(shift_);
        const T p = v * nu / nv; // u - r phi at contact
        const T phi = (u - p) / T(r_);
        const T q = T(r_) - v;
        R = std::sqrt(p * p + q * q);
        if (!(R > T(rb_))) return T(-1); // no involute below the base circle
        // The point's pressure angle a: cos a = rb / R, tan a = s / rb. Its polar angle less
        // inv a is atan2(p, q) - s / rb + a; with q > 0 the two angles add in one atan2.
        const T rb = T(rb_);
        const T s = std::sqrt((R - rb) * (R + rb));
        const T polarPlusA = q > 0 ? std::atan2(p * rb + q * s, q * rb - p * s)
                                   : std::atan2(p, q) + std::acos(rb / R);
        return polarPlusA - s / rb + phi - T(gap0_);
    }

private:
    long double r_ = 0, rb_ = 0, cb_ = 1, shift_ = 0, gap0_ = 0;
};

// The fillet-cutting part of the tool below the main flank of one gear at one shift, and the
// points it cuts. The search runs in double precision; the crossing is then refined in extended
// precision.
class FilletCut {
public:
    // alpha: the tool's pressure angle; depth: where its main flank ends (ToolFlankEndDepth).
    FilletCut(const TGearData& g, int i, long double xE, const AngleFns& alpha, long double depth)
        : reach_(g, i, xE, alpha, xE) {
        cb_ = reach_.CosBeta();
        rho_ = g.rhoaP0[i];
        protuberance_ = g.prP0mn[i] != 0;
        const long double pr = protuberance_ ? g.prP0[i] : 0;
        apr_ = protuberance_ ? DegToRad(g.alprP0[i]) : g.alphaRad;
        const AngleFns apr = protuberance_ ? AngleFns(apr_) : alpha;
        // Normal section, depth h below the datum line: the tip-radius centre stands out of the
        // main flank by the protuberance.
        hc_ = g.haP0[i] - rho_;
        ucn_ = g.mn * Pi / 4 - hc_ * alpha.t + (pr - rho_) / alpha.c;
        hP_ = hc_ + rho_ * apr.s;
        uP_ = ucn_ + rho_ * apr.c;
        hQ_ = depth;
        tpr_ = apr.t;
        // The transverse direction of the protuberance flank's normal: (1, tan(apr) / cos(beta))
        // normalised.
        const long double tprT = tpr_ / cb_;
        const long double n = std::sqrt(1 + tprT * tprT);
        nuPr_ = 1 / n;
        nvPr_ = tprT / n;
    }

    bool HasProtuberanceFlank() const { return protuberance_ && hP_ > hQ_; }
    bool Protuberance() const { return protuberance_; }
    long double BaseRadius() const { return reach_.BaseRadius(); }

    // Piece 0: the protuberance flank from Q (w = 0) to P (w = 1); piece 1: the tip radius from
    // its upper tangent point (w = 0) to its lowest point (w = 1). Returns how far the cut point
    // reaches into the involute tooth (> 0: cut) and its radius R.
    template <class T> T Cut(int piece, T w, T& R) const {
        if (piece == 0) {
            const T h = T(hQ_) + T(hP_ - hQ_) * w;
            return reach_.At<T>((T(uP_) + (T(hP_) - h) * T(tpr_)) / T(cb_), h, T(nuPr_),
                                T(nvPr_), R);
        }
        const T t = T(apr_) + (T(HalfPi) - T(apr_)) * w;
        T c = 1, sn = 0;
        SinCos(t, sn, c);
        return reach_.At<T>((T(ucn_) + T(rho_) * c) / T(cb_), T(hc_) + T(rho_) * sn, T(cb_) * c,
                            sn, R);
    }

private:
    InvoluteReach reach_;
    long double cb_ = 1, rho_ = 0, apr_ = 0, hc_ = 0, ucn_ = 0;
    long double hP_ = 0, uP_ = 0, hQ_ = 0, tpr_ = 0, nuPr_ = 0, nvPr_ = 1;
    bool protuberance_ = false;
};

// The radius where the reach cut(w, R) of a run of tool points changes sign inside [lo, hi]
// (cut(lo) <= 0 < cut(hi), or the other way round): found by the Illinois step in double
// precision, then polished by secant steps in extended precision.
template <class Cut>
long double CrossingRadius(const Cut& cut, double lo, double hi, double flo, double fhi) {
    double R = 0;
    const bool hiInside = fhi > 0;
    IllinoisBracket([&](double m) { return cut(m, R); },
                    [hiInside](double v) { return (v > 0) == hiInside; }, lo, hi, flo, fhi, 100,
                    1e-11, true);
    long double RL = 0;
    long double w0 = lo, w1 = hi;
    long double f0 = cut(w0, RL);
    long double f1 = w1 == w0 ? f0 : cut(w1, RL);
    // Across a bracket this narrow the reach is a straight line far beyond extended precision:
    // one secant step that stays inside it lands on the crossing.
    const long double width = w1 - w0;
    for (int n = 0; n < 4 && f1 != f0 && f1 != 0; ++n) {
        const long double next = w1 - f1 * (w1 - w0) / (f1 - f0);
        if (!(std::fabs(next - w1) <= 1e-9L) || !std::isfinite(next)) break;
        const bool inside = n == 0 && width <= 1e-11L && next >= lo && next <= hi;
        w0 = w1;
        f0 = f1;
        w1 = next;
        f1 = cut(w1, RL);
        if (inside || std::fabs(w1 - w0) <= 1e-18L) break;
    }
    // The last evaluation was at w1: RL is its radius.
    return RL;
}

// The maximum of f in [a, b] (f(x) = fx, a < x < b) by Brent's method: golden sections with
// parabolic steps. Returns -w of the first point found where f > 0, or 1 when the maximum is at
// most 0 (to 1e-11 in w: the reach there is within far less of its maximum).
template <class F> double MaximumBelowZero(F f, double a, double b, double x, double fx) {
    if (fx > 0) return -x;
    constexpr double Golden = 0.3819660112501051;
    double w = x, v = x, fw = fx, fv = fx, d = 0, e = 0;
    for (int n = 0; n < 100; ++n) {
        const double m = (a + b) / 2, tol = 1e-11 + 1e-10 * std::fabs(x);
        if (std::fabs(x - m) <= 2 * tol - (b - a) / 2) break;
        bool golden = true;
        if (std::fabs(e) > tol) {
            // The parabola through x, w, v; its vertex taken when it falls well inside.
            double r = (x - w) * (fx - fv), q = (x - v) * (fx - fw);
            double p = (x - v) * q - (x - w) * r;
            q = 2 * (q - r);
            if (q > 0) p = -p;
            q = std::fabs(q);
            const double last = e;
            e = d;
            if (std::fabs(p) < std::fabs(q * last / 2) && p > q * (a - x) && p < q * (b - x)) {
                d = p / q;
                const double u = x + d;
                if (u - a < 2 * tol || b - u < 2 * tol) d = x < m ? tol : -tol;
                golden = false;
            }
        }
        if (golden) {
            e = (x < m ? b : a) - x;
            d = Golden * e;
        }
        const double u = std::fabs(d) >= tol ? x + d : x + (d > 0 ? tol : -tol);
        const double fu = f(u);
        if (fu > 0) return -u;
        if (fu >= fx) {
            (u < x ? b : a) = x;
            v = w;
            fv = fw;
            w = x;
            fw = fx;
            x = u;
            fx = fu;
        } else {
            (u < x ? a : b) = u;
            if (fu >= fw || w == x) {
                v = w;
                fv = fw;
                w = u;
                fw = fu;
            } else if (fu >= fv || v == x || v == w) {
                v = u;
                fv = fu;
            }
        }
    }
    return 1;
}

// Along one piece of the tool from w = 0, the first cut point that reaches into the tooth: its
// diameter; 0 when there is none before the cut points pass below the base circle (or the part
// ends). fStart: the reach at w = 0. With bound, only the diameter of the last sample before
// the crossing: no nearer the centre than the crossing, since the cut points come closer to the
// centre going down the tool.
long double FirstCut(const FilletCut& cut, int piece, double fStart, int Steps, bool bound) {
    const double rb = static_cast<double>(cut.BaseRadius());
    double R = 0;
    // The cut points come closer to the centre going down the tool; sample only where they lie
    // outside the base circle (closely: an undercut may reach only just above it).
    double wEnd = 1;
    cut.Cut<double>(piece, 1.0, R);
    if (!(R > rb) && Steps > 4) {
        double lo = 0, hi = 1;
        const double ghi = R - rb;
        cut.Cut<double>(piece, 0.0, R);
        const double glo = R - rb;
        if (!(glo > 0)) return 0;
        auto outside = [&](double w) {
            double Rw = 0;
            cut.Cut<double>(piece, w, Rw);
            return Rw - rb;
        };
        IllinoisBracket(
            outside, [](double g) { return !(g > 0); }, lo, hi, glo, ghi, 60, 1e-6, false);
        wEnd = lo;
    }
    auto crossing = [&](double w0, double w1, double f0, double f1) -> long double {
        if (bound) {
            double Rp = 0;
            cut.Cut<double>(piece, w0, Rp);
            return 2 * Rp * (1 + 1e-12);
        }
        auto reach = [&](auto m, auto& Rm) { return cut.Cut(piece, m, Rm); };
        return 2 * CrossingRadius(reach, w0, w1, f0, f1);
    };
    if (fStart > 0) {
        // Inside the tooth from the first point on: the involute begins at the highest point of
        // that cut (the points need not come closer to the centre along a protuberance flank).
        double top = 0;
        for (int k = 0; k <= Steps; ++k)
            if (cut.Cut<double>(piece, wEnd * k / Steps, R) > 0)
                top = std::fmax(top, R);
            else
                break;
        return top > rb ? 2 * top : 0;
    }
    double wPrev = 0, fPrev = fStart;
    int best = 0; // the sample nearest to cutting
    double fBest = fStart;
    for (int k = 1; k <= Steps; ++k) {
        const double w = wEnd * k / Steps;
        const double f = cut.Cut<double>(piece, w, R);
        if (fPrev <= 0 && f > 0) return crossing(wPrev, w, fPrev, f);
        if (f > fBest) {
            best = k;
            fBest = f;
        }
        wPrev = w;
        fPrev = f;
    }
    // A cut narrower than the samples (a small protuberance lets the tip radius reach past the
    // involute over a short arc only) shows as a maximum of the reach: search about the nearest,
    // by parabolas through the best three points (golden sections where a parabola does not
    // help), until a point cuts or the maximum is found.
    const double lo = wEnd * std::max(best - 1, 0) / Steps;
    const double hi = wEnd * std::min(best + 1, Steps) / Steps;
    if (best == 0 || best == Steps) {
        // The largest sample at an end of the piece: where the reach still climbs towards that
        // end, it is largest there (no cut), and the neighbouring piece goes on from it.
        const double end = wEnd * best / Steps, step = 1e-6 * (hi - lo);
        const double fIn = cut.Cut<double>(piece, best == 0 ? end + step : end - step, R);
        if (fIn < fBest) return 0;
    }
    const double top = MaximumBelowZero([&](double w) { return cut.Cut<double>(piece, w, R); }, lo,
                                        hi, wEnd * best / Steps, fBest);
    if (top > 0) return 0;
    return crossing(lo, -top, cut.Cut<double>(piece, lo, R), cut.Cut<double>(piece, -top, R));
}

// Where the fillet cuts the involute. The tip radius of the tool (an ellipse in the transverse
// section of a helical gear) and the protuberance flank touch the gear where their normal passes
// through the pitch point; for a point of the tool with its normal that gives the roll angle in
// closed form, and so the point it cuts. Going down the tool from the end of the main flank
// (protuberance flank, then tip radius), the cut points come closer to the gear centre; where
// they first reach into the involute tooth, above the base circle, the involute begins. This
// happens on an undercut gear and with a protuberance, whose relief cuts into the flank. A zero
// tip radius makes the points the path of the tool's corner. Returns 0 when the involute is not
// cut.
long double FilletCrossingDiameter(const TGearData& g, int i, long double xE, const AngleFns& alpha,
                                   long double depth, bool bound = false) {
    const FilletCut cut(g, i, xE, alpha, depth);
    double R = 0;
    if (cut.HasProtuberanceFlank()) {
        const long double d = FirstCut(cut, 0, cut.Cut<double>(0, 0.0, R), 4, bound);
        if (d != 0) return d;
    }
    const double f0 = cut.Cut<double>(1, 0.0, R);
    if (cut.Protuberance() && f0 > 0) return 0; // the involute ends above: not resolved here
    return FirstCut(cut, 1, f0, 8, bound);
}

// The root radius of the tool of one gear at one shift: a concave arc, tangent to the flank it
// ends (the main flank, or the chamfer flank of a chamfering tool) and to the tool root line,
// whose gear points round the tooth's tip corner. Run from its tangent point on the flank
// (w = 0) to the one on the root line (w = 1).
class RootRoundingCut {
public:
    RootRoundingCut(const TGearData& g, int i, long double xE, const AngleFns& alpha,
                    long double xTool)
        : reach_(g, i, xE, alpha, xTool) {
        cb_ = reach_.CosBeta();
        rho_ = g.rhofP0[i];
        // Normal section, depth h below the datum line (negative: towards the tool root). The
        // flank the arc ends meets the root line at uRoot; the centre lies rho below the root
        // line and rho off that flank, on the side of the space.
        long double uRoot = g.mn * Pi / 4 + g.hfP0[i] * alpha.t;
        AngleFns gamma = alpha;
        a_ = g.alphaRad;
        if (g.ChamferOn[i]) {
            a_ = DegToRad(g.alkP0[i]);
            gamma = AngleFns(a_);
            uRoot = g.mn * Pi / 4 + g.hFfP0[i] * alpha.t + (g.hfP0[i] - g.hFfP0[i]) * gamma.t;
        }
        hc_ = rho_ - g.hfP0[i];
        uc_ = uRoot + rho_ * (1 - gamma.s) / gamma.c;
    }

    template <class T> T Cut(T w, T& R) const {
        const T t = T(a_) + (T(HalfPi) - T(a_)) * w;
        T c = 1, sn = 0;
        SinCos(t, sn, c);
        return reach_.At<T>((T(uc_) - T(rho_) * c) / T(cb_), T(hc_) - T(rho_) * sn, T(cb_) * c,
                            sn, R);
    }

private:
    InvoluteReach reach_;
    long double cb_ = 1, rho_ = 0, a_ = 0, hc_ = 0, uc_ = 0;
};

// Where the tool root radius, at the shift xTool, cuts the involute of the shift xE of an
// external gear below its tip: the lowest gear point of the arc that lies inside the involute
// tooth, as a diameter; 0 when none does. With xTool = xE the arc starts on the involute (its
// tangent point makes the flank's last point); its gear points then usually run outside the
// involute and down before they turn up into the tooth towards the tip circle, so the involute
// ends below the point the flank's end makes. On a premachined gear the rounding is cut at the
// premachining shift, and the finished involute (thinner) runs up into it.
long double TipRoundingCrossingDiameter(const TGearData& g, int i, long double xE,
                                        const AngleFns& alpha, long double xTool) {
    const RootRoundingCut cut(g, i, xE, alpha, xTool);
    auto reach = [&](auto w, auto& R) { return cut.Cut(w, R); };
    constexpr int Steps = 16;
    double w[Steps + 1], f[Steps + 1], R[Steps + 1];
    for (int k = 0; k <= Steps; ++k) {
        w[k] = double(k) / Steps;
        R[k] = 0;
        f[k] = k == 0 && xTool == xE && !g.ChamferOn[i] ? 0.0 : cut.Cut<double>(w[k], R[k]);
    }
    long double best = 0;
    auto take = [&best](long double r) {
        if (best == 0 || r < best) best = r;
    };
    int lowest = -1; // the sample inside the tooth with the smallest radius
    // (after a chamfer the arc may start inside the tooth already)
    for (int k = 0; k <= Steps; ++k) {
        if (!(f[k] > 0)) continue;
        if (k > 0 && !(f[k - 1] > 0)) take(CrossingRadius(reach, w[k - 1], w[k], f[k - 1], f[k]));
        if (lowest < 0 || R[k] < R[lowest]) lowest = k;
    }
    if (lowest < 0) return 0;
    // A radius still falling inside the tooth: its minimum between the neighbouring samples.
    if (lowest > 0 && lowest < Steps && f[lowest - 1] > 0 && R[lowest - 1] > R[lowest] &&
        R[lowest + 1] > R[lowest]) {
        double lo = w[lowest - 1], hi = w[lowest + 1];
        for (int n = 0; n < 60; ++n) {
            const double m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
            double R1 = 0, R2 = 0;
            cut.Cut<double>(m1, R1);
            cut.Cut<double>(m2, R2);
            if (R1 < R2)
                hi = m2;
            else
                lo = m1;
        }
        long double RL = 0;
        if (cut.Cut<long double>((lo + hi) / 2, RL) > 0) take(RL);
        take(R[lowest]);
    } else {
        take(R[lowest]);
    }
    return 2 * best;
}

// The root form diameter of an internal gear as its tooth drawing makes it; negative like the
// gear's diameters.
long double InternalRootFormDiameter(const TGearData& g, int i, long double xE) {
    const long double rf = std::fabs(g.d[i] - 2 * g.haP0[i] + 2 * xE * g.mn) / 2;
    return -2 * InternalFilletRadius(rf, std::fabs(CutTip(g, i)) / 2, std::fabs(g.db[i]) / 2,
                                     g.rhoaP0[i]);
}

} // namespace

// The fillet's centre lies rf - rho from the gear centre, on the flank's normal, which touches
// the base circle: along that normal the centre is sqrt((rf - rho)^2 - rb^2) from the base
// circle, the tangent point rho further.
long double InternalFilletRadius(long double rf, long double ra, long double rb, long double rho) {
    // Asked for at each shift by every step that judges a ring gear's root: remembered.
    thread_local ValueMemo<long double, 4> memo;
    return memo.Of({rf, ra, rb, rho}, [&](long double& RF) {
        const long double r = std::fmax(rho, 0.0L);
        if (r == 0) {
            RF = rf;
            return true;
        }
        const long double lowest = std::fmax(ra, rb);
        const long double c = rf - r;
        RF = lowest;
        if (c > rb) RF = std::fmax(lowest, std::hypot(rb, r + std::sqrt((c - rb) * (c + rb))));
        RF = std::fmin(RF, rf);
        return true;
    });
}

namespace {

// The gap of the ring gear i at shift xE is (c - inv(alpha_y)) |y| wide at y: c.
long double GapWidthConstant(const TGearData& g, int i, long double xE) {
    const TPairAngles& a = PairAngles(g);
    const long double st = (Pi / 2 + 2 * xE * a.tanAlpha) * g.mt;
    return Pi / std::abs(g.z[i]) - st / std::fabs(g.d[i]) + a.invAt;
}

// A chamfer thins a ring gear's tooth towards its tip: where its flank bounds the gap, the two
// sides meet further out than the involutes of the main flank (at `flanks`). The radius where
// the chamfer's flanks (cut at xK) meet, never beyond rf; `flanks` where the chamfer does not
// bound the gap there.
long double ChamferMeetRadius(int i, long double xK, long double flanks, long double rf) {
    const long double half = Pi / std::abs(GearData.z[i]);
    const auto reaches = [&](long double R) {
        return -ChamferFlankHalfAngle(i, -2 * R, xK) >= half;
    };
    if (reaches(flanks)) return flanks;
    if (!reaches(rf)) return rf;
    long double lo = flanks, hi = rf;
    for (int n = 0; n < 100 && hi - lo > 1e-15L * hi; ++n)
        (reaches((lo + hi) / 2) ? hi : lo) = (lo + hi) / 2;
    return hi;
}

} // namespace

long double RingFilletMeetRadius(long double RF, long double rb, long double rho,
                                 long double open) {
    if (!(rho > 0)) return 0;
    // The centre lies rho along the flank's normal, which makes the pressure angle with the
    // radius: rho sin(alpha) further in, rho cos(alpha) across into the gap.
    const long double sa = RF > rb ? std::sqrt(1 - (rb / RF) * (rb / RF)) : 0;
    const long double cr = RF - rho * sa, ct = rho * std::sqrt(1 - sa * sa);
    const long double past = std::atan2(ct, cr) - open; // the centre's angle past the line
    if (!(past > 0)) return 0;
    // The fillet runs out from the flank: it crosses the line at the outer of its two points.
    const long double Rc = std::hypot(cr, ct), across = Rc * std::sin(past);
    return Rc * std::cos(past) + std::sqrt(std::fmax(rho * rho - across * across, 0.0L));
}

namespace {

// Where the sides of a ring gear's gap meet, from its base, root and tip radii, the tool's tip
// radius and the gap's width constant c (GapWidthConstant): the radius where the involutes of
// the main flanks meet (flanks: a chamfer may thin the tooth further out) or where the fillets
// do. Every step that judges the ring's root asks at the same few shifts: remembered.
struct GapMeet {
    long double radius = 0;
    bool flanks = false;
};

GapMeet RingGapMeet(long double rb, long double rf, long double ra, long double rho,
                    long double c) {
    thread_local ValueMemo<GapMeet, 5> memo;
    return memo.Of({rb, rf, ra, rho, c}, [&](GapMeet& m) {
        const long double RF = InternalFilletRadius(rf, ra, rb, rho);
        // The involutes of the main flanks meet where the gap's half angle c - inv(alpha)
        // vanishes.
        long double involutes = rb;
        bool solved = true;
        if (c > 0) {
            long double ca = 1;
            // (an angle of 0 is no solution: its message must come at every call)
            solved = ArcInv(c, ca) != 0;
            involutes = rb / ca;
        }
        // Flanks that meet before the fillet leaves them (it would lie beyond that point).
        if (involutes <= RF)
            m = {involutes, true};
        else
            m = {RingFilletMeetRadius(RF, rb, rho, c - InvArcCos(rb / RF)), false};
        return solved;
    });
}

} // namespace

long double GapClosingDiameter(int i, long double xE, long double xK, long double rho) {
    const TGearData& g = GearData;
    if (g.z[i] >= 0) return 0;
    const long double rb = std::fabs(g.db[i]) / 2;
    const long double rf = std::fabs(g.d[i] - 2 * g.haP0[i] + 2 * xK * g.mn) / 2;
    const GapMeet m =
        RingGapMeet(rb, rf, std::fabs(CutTip(g, i)) / 2, rho, GapWidthConstant(g, i, xE));
    return -2 * (m.flanks && g.ChamferOn[i] ? ChamferMeetRadius(i, xK, m.radius, rf) : m.radius);
}

long double RootFormDiameterAt(int i, long double xE) {
    const TGearData& g = GearData;
    if (g.z[i] < 0) {
        // No form circle beyond the point where the sides of the gap meet.
        const long double dF = InternalRootFormDiameter(g, i, xE);
        const long double meet = GapClosingDiameter(i, xE, xE, g.rhoaP0[i]);
        return meet < 0 ? std::fmax(dF, meet) : dF;
    }
    const AngleFns alpha(g.alphaRad);
    const bool protuberance = g.prP0mn[i] != 0;
    const long double depth =
        FlankEndDepth(g, i, alpha, protuberance ? AngleFns(DegToRad(g.alprP0[i])) : alpha);
    const long double s = Sin(g.alphat);
    const bool undercut = g.d[i] * s - 2 * (depth - xE * g.mn) / s <= 0;
    // The end of the main flank makes the lowest involute point unless the fillet cuts higher.
    long double dF = LineOfActionDiameter(i, depth, xE);
    if (g.z[i] > 0 && (undercut || protuberance))
        dF = std::fmax(dF, FilletCrossingDiameter(g, i, xE, alpha, depth));
    return dF;
}

namespace {

// inv(arccos c) for 0 < c <= 1 with one inverse function instead of three: tan(arccos c) is
// sqrt(1 - c^2) / c. A ratio beyond 1 (a diameter inside the base circle) counts as angle 0.
long double InvArcCos(long double c, long double& tanA) {
    struct Involute {
        long double inv = 0, tan = 0;
    };
    // Taken again for the same diameters by every step that judges a flank: remembered.
    thread_local ValueMemo<Involute, 1> memo;
    const Involute v = memo.Of({c}, [&c](Involute& v) {
        if (!(std::fabs(c) <= 1) || c == 0) return true;
        v.tan = std::sqrt(1 - c * c) / c;
        v.inv = v.tan - std::acos(c);
        return true;
    });
    tanA = v.tan;
    return v.inv;
}

long double InvArcCos(long double c) {
    long double t = 0;
    return InvArcCos(c, t);
}

// The flanks of a gear cut by a chamfered tool: the involute of the main flank and the involute
// of the chamfer flank. Their thicknesses at a diameter y depend linearly on the generating
// shift; everything else is worked out once per gear.
struct ChamferFlanks {
    int i = 1;
    long double invAt = 0, db = 0, st0 = 0, stPerX = 0;  // main flank (thickness / d)
    long double invAk = 0, dbk = 0, sk0 = 0, skPerX = 0; // chamfer flank (thickness / d)
    long double sinAt = 0, sinAk = 0, hFf = 0, mn = 0, d = 0;

    // Both involute functions at the tip circle, asked for at every shift.
    long double tip = 0, invMainTip = 0, invChamferTip = 0;

    long double Main(long double y, long double xE) const {
        return (invAt + st0 + xE * stPerX - (y == tip ? invMainTip : InvArcCos(db / y))) * y;
    }
    long double Chamfer(long double y, long double xE) const {
        return (invAk + sk0 + xE * skPerX - (y == tip ? invChamferTip : InvArcCos(dbk / y))) * y;
    }
    // Main(y, xE) - Chamfer(y, xK) and its derivative: d/dy [(C - inv a(y)) y] = C - inv a -
    // tan a.
    long double Difference(long double y, long double xE, long double xK,
                           long double& slope) const {
        long double tm = 0, tc = 0;
        const long double im = InvArcCos(db / y, tm);
        const long double ic = InvArcCos(dbk / y, tc);
        const long double cm = invAt + st0 + xE * stPerX;
        const long double cc = invAk + sk0 + xK * skPerX;
        slope = (cm - im - tm) - (cc - ic - tc);
        return (cm - im) * y - (cc - ic) * y;
    }
    // Newton's method in double precision inside [lo, hi] (Difference(lo) <= 0 <
    // Difference(hi)); returns the midpoint when it does not settle.
    long double StartInDouble(long double lo, long double hi, long double xE,
                              long double xK) const {
        double a = static_cast<double>(lo), b = static_cast<double>(hi);
        const double cm = static_cast<double>(invAt + st0 + xE * stPerX);
        const double cc = static_cast<double>(invAk + sk0 + xK * skPerX);
        const double bm = static_cast<double>(db), bk = static_cast<double>(dbk);
        auto inv = [](double c, double& t) {
            t = 0;
            if (!(std::fabs(c) <= 1) || c == 0) return 0.0;
            t = std::sqrt(1 - c * c) / c;
            return t - std::acos(c);
        };
        auto difference = [&](double y, double& slope) {
            double tm = 0, tc = 0;
            const double im = inv(bm / y, tm), ic = inv(bk / y, tc);
            slope = (cm - im - tm) - (cc - ic - tc);
            return (cm - im) * y - (cc - ic) * y;
        };
        double y = (a + b) / 2;
        if (BracketedNewton(difference, y, a, b, 60, 1e-13, false)) return y;
        return (lo + hi) / 2;
    }
    // The chamfer corner of the tool, hFf above its datum line, makes a point on each flank's
    // line of action; the two flanks cross between those two diameters.
    long double CornerDiameter(long double base, long double s, long double xE) const {
        const long double X = d * s + 2 * (hFf + xE * mn) / s;
        return (d < 0 ? -1 : 1) * std::sqrt(base * base + X * X);
    }
};

ChamferFlanks MakeChamferFlanks(const TGearData& g, int i) {
    const long double ak = ChamferAngleT(g, i);
    const long double tak = std::tan(ak);
    const long double tat = std::tan(g.alphat);
    ChamferFlanks c;
    c.i = i;
    c.d = g.d[i];
    c.mn = g.mn;
    c.hFf = g.hFfP0[i];
    c.invAt = tat - g.alphat;
    c.db = g.db[i];
    c.st0 = g.mt * Pi / 2 / g.d[i];
    c.stPerX = 2 * g.mn * tat / g.d[i];
    c.invAk = tak - ak;
    c.dbk = Cos(ak) * g.d[i];
    c.sk0 = ((tak - tat) * 2 * g.hFfP0[i] + g.mt * Pi / 2) / g.d[i];
    c.skPerX = tak * 2 * g.mn / g.d[i];
    c.sinAt = Sin(g.alphat);
    c.sinAk = Sin(ak);
    c.tip = g.da[i];
    c.invMainTip = InvArcCos(c.db / c.tip);
    c.invChamferTip = InvArcCos(c.dbk / c.tip);
    return c;
}

// Tip thickness at da of a gear whose involute is generated at shift xInv and whose chamfer
// is cut at shift xChamfer: the thinner of the two flanks governs at the tip.
long double ChamferedTipThickness(const ChamferFlanks& c, long double da, long double xInv,
                                  long double xChamfer) {
    return std::fmin(c.Main(da, xInv), c.Chamfer(da, xChamfer));
}

// The crossing of the main flank's involute of the shift xE with the chamfer flank's cut at the
// shift xK: the same shift, or on a premachined gear the premachining shift that cut the chamfer
// (see FormDiameterTool).
long double ChamferCrossing(TGearData& g, const ChamferFlanks& c, long double xE, long double xK) {
    const int i = c.i;
    auto f = [&](long double y) { return c.Main(y, xE) - c.Chamfer(y, xK); };
    const long double tip = g.da[i];
    const long double fTip = f(tip);
    if (!(fTip > 0)) {
        // The chamfer flank does not reach the tip circle.
        g.saK[i] = c.Main(tip, xE);
        return tip;
    }
    // Bracket: the two corner points (a finished involute, thinner, crosses above them: up to
    // the tip), else the whole flank (external gears: down to the base circle; internal gears:
    // out to the root).
    long double lo = c.CornerDiameter(c.dbk, c.sinAk, xK);
    long double hi = c.CornerDiameter(c.db, c.sinAt, xK);
    long double flo = f(lo), fhi = f(hi);
    if (flo <= 0 && !(fhi > 0) && xE != xK) {
        hi = tip;
        fhi = fTip;
    }
    if (!(flo <= 0 && fhi > 0)) {
        lo = g.z[i] > 0 ? g.db[i] : g.dfmax[i];
        flo = f(lo);
        hi = tip;
        fhi = fTip;
    }
    if (!(flo <= 0) || !std::isfinite(flo)) {
        AddError("Error  : dFa cutting tool (" + GearNo(i) + ")");
        g.saK[i] = c.Chamfer(tip, xK);
        return tip;
    }
    // Newton's method on the thickness difference (its slope is cheap: see Difference), kept
    // inside the bracket, where a step that would leave it bisects instead. It starts from the
    // root in double precision, whose functions cost a fraction of the extended ones; the
    // extended steps then need two evaluations.
    long double y = c.StartInDouble(lo, hi, xE, xK);
    BracketedNewton(
        [&](long double v, long double& slope) { return c.Difference(v, xE, xK, slope); }, y, lo,
        hi, 200, 1e-17L, true);
    g.saK[i] = c.Chamfer(y, xK);
    return y;
}

// The tip form diameter of a chamfered gear: where the involute of the shift xE meets the
// chamfer cut at xK, or lower, where it meets the tool root radius's rounding above the chamfer
// (a finished involute, thinner than the premachined one, can run past the chamfer into it).
long double ChamferedTipForm(TGearData& g, const ChamferFlanks& c, long double xE,
                             long double xK) {
    long double dF = ChamferCrossing(g, c, xE, xK);
    const int i = c.i;
    if (g.rhofP0mn[i] > 0 && g.z[i] > 0) {
        const long double cut = TipRoundingCrossingDiameter(g, i, xE, AngleFns(g.alphaRad), xK);
        if (cut > 0 && cut < dF) dF = cut;
    }
    return dF;
}

} // namespace

long double FormDiameterTool(int i, long double xE) {
    TGearData& g = GearData;
    if (CalcErrorFlag != 0) {
        AddError("Fatal  : dFa alpha tk !");
        return 0;
    }
    return ChamferedTipForm(g, MakeChamferFlanks(g, i), xE, xE);
}

long double ChamferFlankHalfAngle(int i, long double y, long double xK) {
    if (y == 0) return 0;
    return MakeChamferFlanks(GearData, i).Chamfer(y, xK) / y;
}

void SpecificSliding() {
    TGearData& g = GearData;
    g.zetaA1 = g.zetaA2 = g.zetaE1 = g.zetaE2 = 0;
    const long double up = static_cast<long double>(g.z[2]) / g.z[1];
    const long double at = ArcTan(Tan(g.alphaRad) / Cos(g.betaRad));
    long double aw = at;
    if (g.a != 0)
        aw = ArcCosLimited("", Cos(at) * (g.z[1] + g.z[2]) * g.mn / (2 * g.a) / Cos(g.betaRad));
    if (Cos(aw) == 0) {
        AddError("Error  : spec.sliding !");
        return;
    }
    if (CalcErrorFlag != 0) {
        AddError("Fatal  : spec.sliding alpha sw !");
        return;
    }
    if (g.z[1] + g.z[2] == 0) return;
    if (std::isnan(g.galpha)) {
        g.zetaA1 = g.zetaA2 = g.zetaE1 = g.zetaE2 = std::numeric_limits<long double>::quiet_NaN();
        return;
    }
    const long double aA1 = ArcCosLimited("", g.db[1] / g.dNa[1]);
    const long double aA2 = ArcCosLimited("", g.db[2] / g.dNa[2]);
    const long double tw = Tan(aw);
    const long double tA1 = Tan(aA1);
    const long double tA2 = Tan(aA2);
    const long double tE1 = tw - (tA2 - tw) * g.db[2] / g.db[1];
    const long double tE2 = tw - (tA1 - tw) * g.db[1] / g.db[2];
    // A contact point on a base circle makes the sliding unbounded there: such an end takes the
    // clamp value, like every value beyond +-1000.
    constexpr long double Clamp = -1000;
    constexpr long double Zero = 1e-12L;
    auto value = [&](long double tDen, long double factor) {
        if (std::fabs(tDen) < Zero) return Clamp;
        const long double v = (1 - tw / tDen) * factor;
        return std::fabs(v) > 1000 || !std::isfinite(v) ? Clamp : v;
    };
    g.zetaA1 = value(tE1, (up + 1) / up);
    g.zetaA2 = value(tA2, up + 1);
    g.zetaE1 = value(tA1, (up + 1) / up);
    g.zetaE2 = value(tE2, up + 1);
}

const TPairAngles& PairAngles(const TGearData& g) {
    static TPairAngles a;
    if (a.alpha != g.alphaRad || a.alphat != g.alphat || a.betab != g.betab) {
        a.alpha = g.alphaRad;
        a.alphat = g.alphat;
        a.betab = g.betab;
        sincosl(g.alphaRad, &a.sinAlpha, &a.cosAlpha);
        a.tanAlpha = a.sinAlpha / a.cosAlpha;
        a.invAlpha = a.tanAlpha - g.alphaRad;
        a.invAt = Inv(g.alphat);
        a.cosBetab = Cos(g.betab);
    }
    return a;
}

long double CutTipDiameter(int i) {
    return CutTip(GearData, i);
}

long double TipCollision() {
    const TGearData& g = GearData;
    const long double da1 = CutTip(g, 1), da2 = CutTip(g, 2);
    const long double aa1 = ArcCosLimited("", g.db[1] / da1);
    const long double aa2 = ArcCosLimited("", g.db[2] / da2);
    const long double ra1 = da1 / 2;
    const long double ra2 = da2 / 2;
    long double d1 = 0, d2 = 0;
    if (g.a != 0) {
        d1 = ArcCosLimited("", (ra1 * ra1 + g.a * g.a - ra2 * ra2) / (2 * g.a * ra1));
        d2 = ArcCosLimited("", (ra2 * ra2 + g.a * g.a - ra1 * ra1) / (2 * g.a * ra2));
    }
    return (Inv(aa2) + d2 - Inv(g.alphawt)) * g.db[2] / 2 +
           (Inv(aa1) + d1 - Inv(g.alphawt)) * g.db[1] / 2;
}

long double TipLimitDiameter(int i) {
    const TGearData& g = GearData;
    if (g.z[i] < 0) return CutTip(g, OddEvenIndex(i));
    return 2 * Sign(g.z[OddEvenIndex(i)]) *
           Hypot(g.a - Cos(g.alphawt) * g.db[i] / 2, Sin(g.alphawt) * g.db[i] / 2);
}

namespace {

// Where the tool's root line lies at shift xE: a tip circle beyond it is cut back to it (at a
// lower shift the root line lies lower, whatever the tip at the upper shift: so nothing jumps
// when kmn or the root radius passes 0).
long double ToppingDiameter(const TGearData& g, int i, long double xE) {
    // daTool itself at the upper shift, so that a full tip keeps da exactly.
    return xE == g.xEmaxV[i] ? g.daTool[i] : g.daTool[i] + 2 * (xE - g.xEmaxV[i]) * g.mn;
}

// The tip of the gear at the lower limit of its tooth thickness: the tool's root line lies
// lower there (see ToppingDiameter).
long double LowerLimitTip(const TGearData& g, int i) {
    return Min(CutTip(g, i), ToppingDiameter(g, i, g.xEminV[i]));
}

// dF limited to where the two involute flanks of the tooth generated at shift xE cross: its
// thickness (inv(alpha_t) + st / d - inv(alpha_y)) y is 0 there. An external tooth with no
// thickness at the base circle has no involute at all (db); a ring gear's tooth whose thickness
// never vanishes limits nothing. The crossing is inverted only where it lies below dF (beyond it
// on a ring gear).
long double PointedLimit(const TGearData& g, int i, long double xE, long double dF) {
    const TPairAngles& a = PairAngles(g);
    const long double st = (Pi / 2 + 2 * xE * a.tanAlpha) * g.mt;
    const long double c = a.invAt + st / g.d[i];
    const bool external = g.z[i] > 0;
    if (!(c > 0)) return external ? Min(dF, g.db[i]) : dF;
    // The involute at dF (0 at or inside the base circle) against that of the crossing, where
    // its bounds leave it open; at the same tip circle as last time (the shifts share it) the
    // same.
    static long double lastRatio[3] = {-1, -1, -1}, lastInv[3] = {};
    const long double ratio = std::fabs(dF) > std::fabs(g.db[i]) ? g.db[i] / dF : 1;
    if (ratio != lastRatio[i] && ratio < 1) {
        long double lo = 0, hi = 0;
        InvArcCosBounds(ratio, lo, hi);
        if (external ? !(hi > c) : !(c > lo)) return dF;
    }
    if (ratio != lastRatio[i]) {
        lastRatio[i] = ratio;
        lastInv[i] = ratio < 1 ? InvArcCos(ratio) : 0;
    }
    const long double at = lastInv[i];
    if (external ? !(at > c) : !(c > at)) return dF;
    long double ca = 1;
    ArcInv(c, ca);
    return g.db[i] / ca;
}

// The tip form diameter dF found for the involute of the shift xE whose tip the tool cut at the
// shift xK (the same, or the premachining shift), limited by what exists there: never beyond da,
// the tip the tool leaves or the point where the flanks cross, and never inside the base circle,
// where the involute ends (also when the whole tip lies inside it).
long double LimitedTipForm(const TGearData& g, int i, long double xE, long double xK,
                           long double dF) {
    dF = Min(Min(dF, g.da[i]), ToppingDiameter(g, i, xK));
    dF = PointedLimit(g, i, xE, dF);
    if (std::fabs(dF) < std::fabs(g.db[i])) dF = g.db[i];
    return dF;
}

// The tip's seven thicknesses (of GearData, or a const copy): every check of a pointed tooth
// and of an empty tip takes them from here.
template <class Data> auto TipThicknessOnlyFields(Data& g) {
    return std::array{&g.sat, &g.san, &g.saK, &g.satMax, &g.sanMax, &g.satMin, &g.samin};
}
// The same with the tip pressure angle, which a tip inside the base circle lacks as well.
template <class Data> auto TipThicknessFields(Data& g) {
    const auto t = TipThicknessOnlyFields(g);
    return std::array{t[0], t[1], t[2], t[3], t[4], t[5], t[6], &g.alphaat};
}

} // namespace

bool TipWithoutInvolute(int i) {
    const TGearData& g = GearData;
    return std::fabs(g.dFa[i]) <= std::fabs(g.db[i]) || std::fabs(g.dFaK[i]) <= std::fabs(g.db[i]);
}

bool ContactWithoutInvolute() {
    return TipWithoutInvolute(1) || TipWithoutInvolute(2);
}

long double LowerLimitTipDiameter(int i) {
    return LowerLimitTip(GearData, i);
}

bool TipInsideBaseCircle(int i) {
    const TGearData& g = GearData;
    const long double rb = std::fabs(g.db[i]);
    return std::fabs(CutTip(g, i)) < rb || std::fabs(LowerLimitTip(g, i)) < rb;
}

std::array<long double, 7> TipThicknesses(const TGearData& g, int i) {
    std::array<long double, 7> v{};
    const auto fields = TipThicknessOnlyFields(g);
    for (std::size_t n = 0; n < v.size(); ++n)
        v[n] = (*fields[n])[i];
    return v;
}

bool IsTipThicknessResult(const TGearData& g, const PerGear<long double>& field) {
    for (const PerGear<long double>* f : TipThicknessFields(g))
        if (f == &field) return true;
    return false;
}

long double RoundedTipFormDiameter(int i, long double xE, long double xK) {
    const TGearData& g = GearData;
    if (g.rhofP0mn[i] <= 0) return g.da[i];
    // The point the end of the straight flank makes, unless the root radius cuts lower. A
    // finished involute (thinner than the premachined one) runs up into the premachined rounding.
    const bool finished = xE != xK && g.z[i] > 0;
    long double dF = finished ? g.da[i] : LineOfActionDiameter(i, -ToolFlankEndHeight(i), xE);
    if (g.z[i] > 0) {
        const long double cut = TipRoundingCrossingDiameter(g, i, xE, AngleFns(g.alphaRad), xK);
        if (cut > 0) dF = std::fmin(dF, cut);
    }
    return Min(dF, g.da[i]);
}

void FormDiameterBounds(int i, const long double* xE, const long double* xK, int n,
                        TFormBounds* out) {
    const TGearData& g = GearData;
    if (g.z[i] < 0) {
        // Closed forms (and the chamfer's crossing, rare on a ring gear).
        for (int k = 0; k < n; ++k) {
            if (!out[k].rootKnown) out[k].rootLo = out[k].rootHi = RootFormDiameterAt(i, xE[k]);
            if (out[k].tipKnown) continue;
            out[k].tipLo = TipFormDiameterAt(i, xE[k], xK[k]);
            out[k].tipExact = true;
        }
        return;
    }
    // What the shifts share, worked out once.
    const AngleFns alpha(g.alphaRad);
    const bool protuberance = g.prP0mn[i] != 0;
    const long double depth =
        FlankEndDepth(g, i, alpha, protuberance ? AngleFns(DegToRad(g.alprP0[i])) : alpha);
    const long double s = Sin(g.alphat);
    const bool chamfer = g.ChamferOn[i];
    const ChamferFlanks c = chamfer ? MakeChamferFlanks(g, i) : ChamferFlanks{};
    const long double flankTop = ToolFlankEndHeight(i);
    for (int k = 0; k < n; ++k) {
        TFormBounds& b = out[k];
        const long double x = xE[k];
        if (!b.rootKnown) {
            b.rootLo = b.rootHi = LineOfActionDiameter(i, depth, x);
            if (g.d[i] * s - 2 * (depth - x * g.mn) / s <= 0 || protuberance)
                b.rootHi = std::fmax(b.rootLo, FilletCrossingDiameter(g, i, x, alpha, depth, true));
        }
        if (b.tipKnown) continue;
        // Every point a tool point cuts lies at least as far from the centre as the point's own
        // depth puts it: the rounding by the root radius no nearer than its tangent point on
        // the flank (the radial estimate).
        // A finished involute crosses the premachined chamfer or rounding (cut at xK) above
        // where the premachined one does.
        const long double xk = xK[k];
        b.tipLo = g.da[i];
        if (chamfer) {
            // The two flanks cross between the points the chamfer corner makes on each, when
            // the thickness difference changes sign there (FormDiameterTool searches there).
            // A finished involute (x below xk) crosses above where the premachined one does.
            const long double lo = c.CornerDiameter(c.dbk, c.sinAk, xk);
            const long double hi = c.CornerDiameter(c.db, c.sinAt, xk);
            if (c.Main(lo, xk) - c.Chamfer(lo, xk) <= 0 && c.Main(hi, xk) - c.Chamfer(hi, xk) > 0) {
                b.tipLo = std::fmin(g.da[i], std::fmin(lo, hi));
            } else {
                b.tipLo = TipFormDiameterAt(i, x, xk);
                b.tipExact = true;
            }
        } else if (g.rhofP0mn[i] > 0) {
            b.tipLo = std::fmin(g.da[i], g.d[i] + 2 * (xk * g.mn + flankTop));
        }
        if (!b.tipExact) b.tipLo = LimitedTipForm(g, i, x, xk, b.tipLo);
    }
}

long double TipFormDiameterAt(int i, long double xE) {
    return TipFormDiameterAt(i, xE, xE);
}

long double TipFormDiameterAt(int i, long double xE, long double xK) {
    TGearData& g = GearData;
    if (!g.ChamferOn[i]) return LimitedTipForm(g, i, xE, xK, RoundedTipFormDiameter(i, xE, xK));
    const long double saK = g.saK[i];
    const long double dF = ChamferedTipForm(g, MakeChamferFlanks(g, i), xE, xK);
    g.saK[i] = saK;
    return LimitedTipForm(g, i, xE, xK, dF);
}

namespace {

// The second pass over both gears, once both have their tip values: the root form diameter, the
// usable tip of the mate and the transverse contact ratio of each gear's flank.
void FormAndUsableDiameters(TGearData& g) {
    const long double tanAwt = Tan(g.alphawt);
    for (int i = 1; i <= 2; ++i) {
        const int j = OddEvenIndex(i);
        g.stwAngle[i] = 2 * ArcSin(g.stw[i] / (2 * g.dw[i]));
        g.dFf[i] = RootFormDiameterAt(i, g.xEmaxV[i]);

        // The usable tip ends at the tip form circle or at the mate's interference point,
        // whichever comes first, also when the cut tip reaches past that point.
        const long double L = TipLimitDiameter(i);
        if (CutTip(g, j) > L) AddError("Error  : tooth collision da" + GearNo(j) + " !");
        g.dNa[j] = Min(L, g.dFa[j]);

        long double t = 0;
        if (TipWithoutInvolute(i)) {
            AddError("Error  : db > da  (" + GearNo(i) + ") !");
            t = -tanAwt;
        } else {
            const long double r = g.dFaK[i] / g.db[i];
            t = SqrtChecked("Error  : eps.alpha", r * r - 1) - tanAwt;
        }
        g.epsa[i] = t * g.z[i] / 2 / Pi;
    }
}

// The pair's values along the path of contact: its length and ends, the contact ratios, the
// usable root diameters, the gear ratio, the specific sliding and the interference value.
void PathOfContact(TGearData& g) {
    const long double sw = Sin(g.alphawt);
    const long double R1 = SqrtChecked("Error  : g alpha", g.dNa[1] * g.dNa[1] - g.db[1] * g.db[1]);
    const long double R2 = SqrtChecked("Error  : g alpha", g.dNa[2] * g.dNa[2] - g.db[2] * g.db[2]);
    if (g.z[1] < 0)
        g.galpha = (R2 - R1 - 2 * g.a * sw) / 2;
    else
        g.galpha = (R1 + Sign(g.z[2]) * R2 - 2 * g.a * sw) / 2;
    const long double s1 = Sign(g.z[1]);
    const long double s2 = Sign(g.z[2]);
    g.gEC = s1 * (Cathetus(g.dNa[1] / 2, g.db[1] / 2) - Cathetus(g.dw[1] / 2, g.db[1] / 2));
    g.gAC = s2 * (Cathetus(g.dNa[2] / 2, g.db[2] / 2) - Cathetus(g.dw[2] / 2, g.db[2] / 2));
    g.epsalpha = g.galpha / g.pet;
    if (g.epsalpha == 0) g.epsalpha = -0.01L;
    const bool noPath = ContactWithoutInvolute();

    {
        const long double q2 =
            SqrtChecked("Error  : dnf1", g.dNa[2] * g.dNa[2] - g.db[2] * g.db[2]);
        const long double v1 = 2 * g.a * sw - s2 * q2;
        g.dNf[1] = s1 * SqrtChecked("Error  : dnf1", g.db[1] * g.db[1] + v1 * v1);
        const long double q1 =
            SqrtChecked("Error  : dnf2", g.dNa[1] * g.dNa[1] - g.db[1] * g.db[1]);
        const long double v2 = 2 * g.a * sw - s1 * q1;
        g.dNf[2] = s2 * SqrtChecked("Error  : dnf2", g.db[2] * g.db[2] + v2 * v2);
    }
    if (noPath) {
        // A tip without involute meets no flank: there is no path of contact, and nothing
        // measured along it (SpecificSliding leaves the sliding empty too).
        for (long double* v : {&g.galpha, &g.epsalpha, &g.gAC, &g.gEC, &g.dNf[1], &g.dNf[2]})
            *v = std::numeric_limits<long double>::quiet_NaN();
    }

    const long double bEff = g.HalfFaceWidth != 0 ? g.b / 2 : g.b;
    g.epsbeta = bEff * Sin(g.betaRad) / Pi / g.mn;
    g.epsgamma = g.epsalpha + g.epsbeta;
    g.u = static_cast<long double>(g.z[2]) / g.z[1];

    SpecificSliding();
    if (CalcErrorFlag != 0)
        AddError("Fatal  : spec.sliding !");
    else
        // An external pair has no interference value; never keep one from an earlier pair.
        g.IntInterference = g.z[2] < 0 ? TipCollision() : 0;
}

} // namespace

void CalcUnit2() {
    TGearData& g = GearData;
    if (CalcErrorFlag != 0) {
        AddError("Fatal  : Unit2");
        return;
    }
    const TPairAngles& angles = PairAngles(g);
    const long double ta = angles.tanAlpha;
    const long double cb = Cos(g.betaRad);
    // Angle functions both gears need, taken once.
    const long double cat = Cos(g.alphat);
    const long double invAt = angles.invAt;
    const long double tanAwt = Tan(g.alphawt);
    const long double invAwt = tanAwt - g.alphawt;
    const long double tanBeta = std::tan(g.betaRad);

    for (int i = 1; i <= 2; ++i) {
        const int j = OddEvenIndex(i);
        g.kmn[i] = (g.daTool[i] - g.da[i]) / 2;
        if (std::fabs(g.kmn[i]) < 0.001L) {
            g.kmn[i] = 0;
            g.da[i] = g.daTool[i];
        }
        if (g.kmn[i] < 0) AddError("Error  : kmn < 0 !  (" + GearNo(i) + ")");
        g.TipModeValue[i] = g.a - (g.da[i] + g.dfmax[j]) / 2;
        g.h[i] = (CutTip(g, i) - g.dfmax[i]) / 2;

        g.sn[i] = (Pi / 2 + 2 * g.x[i] * ta) * g.mn;
        g.snMax[i] = (Pi / 2 + 2 * g.xEmax[i] * ta) * g.mn;
        g.snMin[i] = (Pi / 2 + 2 * g.xEmin[i] * ta) * g.mn;
        g.st[i] = g.sn[i] / cb;
        g.stMax[i] = g.snMax[i] / cb;
        g.stMin[i] = g.snMin[i] / cb;
        g.et[i] = g.pt - g.st[i];
        g.en[i] = cb * g.et[i];

        if (g.da[i] == 0) {
            AddError("Fatal  : da = 0 !");
            CalcErrorFlag = 1;
            return;
        }

        // Tip form diameters: where the involute of the main flank ends below the tip, for the
        // finished gear's upper and lower limit (on a premachined gear the finished involute
        // runs up into the chamfer or rounding the premachining cut).
        const bool chamfer = g.ChamferOn[i];
        const ChamferFlanks flanks = chamfer ? MakeChamferFlanks(g, i) : ChamferFlanks{};
        for (auto [dF, xE, xK] : {std::tuple{&g.dFa[i], g.xEmax[i], g.xEmaxV[i]},
                                  std::tuple{&g.dFaK[i], g.xEmin[i], g.xEminV[i]}}) {
            *dF = chamfer ? ChamferedTipForm(g, flanks, xE, xK) : RoundedTipFormDiameter(i, xE, xK);
            *dF = LimitedTipForm(g, i, xE, xK, *dF);
        }

        // The tip's thicknesses at the tip the tool leaves; those of the lower limit at the tip
        // the tool leaves there.
        const long double tip = CutTip(g, i), lowTip = LowerLimitTip(g, i);
        g.alphaat[i] = ArcCosLimited("", cat * g.d[i] / tip);
        const long double base = invAt - Inv(g.alphaat[i]);
        const long double lowBase = lowTip == tip ? base : invAt - InvArcCos(cat * g.d[i] / lowTip);
        g.sat[i] = (base + g.st[i] / g.d[i]) * tip;
        g.stw[i] = (invAt + g.st[i] / g.d[i] - invAwt) * g.dw[i];

        // (a ring gear's too: its chamfer thins the tooth towards its tip, inside the tip
        // circle, as it does an external gear's)
        if (chamfer) {
            g.satMax[i] = ChamferedTipThickness(flanks, tip, g.xEmax[i], g.xEmaxV[i]);
            g.satMin[i] = ChamferedTipThickness(flanks, lowTip, g.xEmin[i], g.xEminV[i]);
            g.saK[i] =
                ChamferedTipThickness(flanks, tip, g.x[i], g.x[i] + g.xEmaxV[i] - g.xEmax[i]);
        } else {
            g.satMax[i] = (base + g.stMax[i] / g.d[i]) * tip;
            g.satMin[i] = (lowBase + g.stMin[i] / g.d[i]) * lowTip;
            g.saK[i] = g.sat[i];
        }
        // Normal tip thicknesses: on the tip cylinder the helix angle is beta_a, tan beta_a =
        // tan beta da / d.
        auto normal = [&](long double y) {
            const long double tba = tanBeta * y / g.d[i];
            return 1 / std::sqrt(1 + tba * tba);
        };
        const long double cba = normal(tip);
        g.san[i] = cba * g.sat[i];
        g.sanMax[i] = cba * g.satMax[i];
        g.samin[i] = (lowTip == tip ? cba : normal(lowTip)) * g.satMin[i];
        // No involute reaches a tip inside the base circle: it has no pressure angle or
        // thickness there (CheckSoundness says so).
        constexpr long double None = std::numeric_limits<long double>::quiet_NaN();
        if (std::fabs(tip) < std::fabs(g.db[i]))
            for (PerGear<long double>* f : TipThicknessFields(g))
                (*f)[i] = None;
        if (std::fabs(lowTip) < std::fabs(g.db[i])) g.satMin[i] = g.samin[i] = None;
    }

    FormAndUsableDiameters(g);
    PathOfContact(g);
}
