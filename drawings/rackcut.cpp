#include "drawings/rackcut.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "calc/geardata.h"
#include "calc/meshing.h"
#include "calc/solvers.h"
#include "drawings/toolprofile.h"
#include "drawings/toothgeom.h"

namespace {

// One piece of the right half of the tool (normal section, block frame of the tool profile),
// run from the tip upward by s in [0, 1]: a straight line from a to b with the outward normal
// at angle th0, or an arc about c whose point with the outward normal at angle th lies at
// c + side rho (cos th, sin th) (side +1 convex, -1 concave), th from th0 to th1. An arc of
// radius 0 is a corner.
struct TPiece {
    TCutPart part = TCutPart::Flank;
    bool arc = false;
    TToolPoint a, b, c;
    Extended rho = 0, side = 1, th0 = 0, th1 = 0;
};

struct TImage {
    Extended x = 0, y = 0, R = 0;
};

// The gap on the +y axis cut by the rolled rack; a(R) below is the polar angle of its right
// side at radius R, from +y towards +x.
class TRackCut {
public:
    explicit TRackCut(int i);

    // The point of the gear that the tool point of piece p at s cuts: the tool touches the gear
    // there when its normal passes through the pitch point (the instantaneous centre). In the
    // transverse section every length along the pitch line is 1 / cos(beta) longer, and the
    // normal (nu, nv) becomes (nu cos(beta), nv). With w the distance of the tool point from
    // the pitch point along the pitch line at contact, the rack has rolled by phi = (w - u) / r
    // and the point lies at Rot(phi) (w, r + v).
    TImage Image(const TPiece& p, Extended s) const {
        Extended u = 0, v = 0, th = p.th0;
        if (p.arc) {
            th = p.th0 + s * (p.th1 - p.th0);
            u = p.c.x + p.side * p.rho * cosl(th);
            v = p.c.y + p.side * p.rho * sinl(th);
        } else {
            u = p.a.x + s * (p.b.x - p.a.x);
            v = p.a.y + s * (p.b.y - p.a.y);
        }
        const Extended w = v * cb_ * cosl(th) / sinl(th);
        const Extended phi = (w - u / cb_) / r_;
        const Extended c = cosl(phi), sn = sinl(phi);
        TImage m;
        m.x = w * c - (r_ + v) * sn;
        m.y = w * sn + (r_ + v) * c;
        m.R = hypotl(m.x, m.y);
        return m;
    }

    // The furthest any piece reaches at radius R (-inf when none crosses it).
    Extended Reach(Extended R) const;
    // The point is part of the gap's boundary: between the root and the tip circle, inside the
    // half pitch, and no piece reaches further at its radius.
    bool OnBoundary(const TImage& m) const {
        if (!(m.R >= rf_ * (1 - 1e-15L) && m.R <= ra_ * (1 + 1e-15L))) return false;
        const Extended a = atan2l(m.x, m.y);
        if (a < 0 || a > halfPitch_) return false;
        return a >= Reach(m.R) - 1e-11L * mn_ / m.R;
    }

    std::vector<TCutVertex> Half(int flankPoints, int filletPoints) const;

private:
    struct TSample {
        Extended s, R;
    };
    // joined: the piece follows the last one on the tool outline.
    void AddPiece(const TPiece& p, bool joined = true);
    std::vector<TSample> SampleRadius(const TPiece& p) const;

    std::vector<TPiece> pieces_;
    std::vector<std::vector<TSample>> samples_; // per piece, R monotonic between neighbours
    Extended r_ = 0, cb_ = 1, rf_ = 0, ra_ = 0, mn_ = 1, halfPitch_ = 0;
    TToolShape tool_;
};

constexpr int Samples = 64;
// How far a chord of the contour may leave the generated curve, in modules (the drawing promises
// 0.0005).
constexpr Extended ChordTolerance = 4e-4L;

// Distance of q from the line through u and w (from u when they coincide).
template <class P> Extended ChordDeviation(const P& q, const P& u, const P& w) {
    const Extended dx = w.x - u.x, dy = w.y - u.y, len = hypotl(dx, dy);
    if (!(len > 0)) return hypotl(q.x - u.x, q.y - u.y);
    return fabsl((q.x - u.x) * dy - (q.y - u.y) * dx) / len;
}

// Adds (by add, in order) the points of the curve at(s) between u = at(s0) and w = at(s1) that
// keep every chord within tol of it: halving wherever the middle or a quarter of the curve
// leaves the chord further (a curve bending fast in its parameter gets many points there).
template <class At, class Add, class P>
void RefineChord(const At& at, const Add& add, Extended tol, Extended s0, const P& u, Extended s1,
                 const P& w, int depth = 0) {
    const Extended sm = (s0 + s1) / 2;
    const P m = at(sm);
    const Extended worst =
        std::max({ChordDeviation(m, u, w), ChordDeviation(at((s0 + sm) / 2), u, w),
                  ChordDeviation(at((sm + s1) / 2), u, w)});
    if (worst <= tol || depth >= 30) return;
    RefineChord(at, add, tol, s0, u, sm, m, depth + 1);
    add(m);
    RefineChord(at, add, tol, sm, m, s1, w, depth + 1);
}

// The root of f in the bracket [lo, hi] of a sign change.
template <class F> Extended Root(F f, Extended lo, Extended hi, Extended flo, Extended fhi) {
    const bool hiNegative = fhi < 0;
    IllinoisBracket(
        f, [hiNegative](Extended v) { return (v < 0) == hiNegative; }, lo, hi, flo, fhi, 200,
        1e-19L, true);
    return (lo + hi) / 2;
}

TRackCut::TRackCut(int i) {
    const TGearData& g = GearData;
    r_ = g.d[i] / 2;
    cb_ = cosl(g.betaRad);
    mn_ = g.mn;
    tool_ = ToolShape(i);
    const TToolShape& t = tool_;
    rf_ = r_ + t.tipY;
    // The tool root line cuts the tip circle it reaches: a larger tip circle is not generated.
    ra_ = std::min(g.dax[i] / 2, r_ + t.rootY);
    halfPitch_ = Pi / g.z[i];

    TPiece tip;
    tip.part = TCutPart::Fillet;
    tip.arc = true;
    tip.c = t.Ca;
    tip.rho = t.rhoA;
    tip.th0 = -HalfPi;
    tip.th1 = -t.alpr;
    AddPiece(tip);
    auto line = [&](TCutPart part, TToolPoint a, TToolPoint b, Extended th) {
        TPiece p;
        p.part = part;
        p.a = a;
        p.b = b;
        p.th0 = p.th1 = th;
        AddPiece(p);
    };
    if (t.protuberance) line(TCutPart::Protuberance, t.P, t.Q, -t.alpr);
    const TToolPoint rootCorner{t.xC, t.rootY};
    line(TCutPart::Flank, t.Q, t.K, -t.alpha);
    if (t.chamfer) line(TCutPart::Chamfer, t.K, t.rootRadius ? t.E : rootCorner, -t.gamma);
    if (t.rootRadius) {
        TPiece root;
        root.part = TCutPart::TipRounding;
        root.arc = true;
        root.c = t.Cf;
        root.rho = t.rhoF;
        root.side = -1;
        root.th0 = -t.gamma;
        root.th1 = -HalfPi;
        AddPiece(root);
    }
    // A flank finished after pre-machining (an allowance q): the involute of the finished
    // thickness snx, cut by a finishing tool's straight flank from the root form circle (where
    // the calculation puts the start of the finished involute) up.
    const Extended ta = tanl(g.alphaRad);
    const Extended u0 = (Pi * g.mn - g.snx[i]) / 2; // its flank on the pitch line
    const Extended uRough = Pi * g.mn / 4 - t.datumY * ta;
    if (fabsl(u0 - uRough) > 1e-12L * g.mn) {
        const Extended k2 = 1 + cb_ * cb_ / (ta * ta); // 1 + (nu / nv)^2 in the transverse
        const Extended vBase = -r_ / k2;               // its contact on the base circle
        // Its contact on the circle of radius R.
        auto contact = [&](Extended R) {
            const Extended q = r_ * r_ - k2 * (r_ * r_ - R * R);
            return q > 0 ? (-r_ + sqrtl(q)) / k2 : vBase;
        };
        const Extended vStart = contact(std::min(RootFormDiameter(i) / 2, ra_));
        const Extended vTip = contact(ra_);
        TPiece p;
        p.a = {u0 + vStart * ta, vStart};
        p.b = {u0 + vTip * ta, vTip};
        p.th0 = p.th1 = -g.alphaRad;
        AddPiece(p, false);
    }
    for (const TPiece& p : pieces_)
        samples_.push_back(SampleRadius(p));
}

void TRackCut::AddPiece(const TPiece& p, bool joined) {
    if (!p.arc && hypotl(p.b.x - p.a.x, p.b.y - p.a.y) <= 1e-12L * mn_) return;
    if (p.arc && p.th0 == p.th1) return;
    TPiece q = p;
    // A normal along the pitch line touches nowhere: keep the angles off it.
    const Extended lim = -1e-9L;
    q.th0 = std::min(q.th0, lim);
    q.th1 = std::min(q.th1, lim);
    // A convex corner between the last piece and this one cuts with every normal between the
    // two: a corner piece (an arc of radius 0).
    if (joined && !pieces_.empty() && pieces_.back().th1 < q.th0 - 1e-15L) {
        TPiece corner;
        corner.part = pieces_.back().part;
        corner.arc = true;
        corner.c = q.arc ? TToolPoint{q.c.x + q.side * q.rho * cosl(q.th0),
                                      q.c.y + q.side * q.rho * sinl(q.th0)}
                         : q.a;
        corner.th0 = pieces_.back().th1;
        corner.th1 = q.th0;
        pieces_.push_back(corner);
    }
    pieces_.push_back(q);
}

// Samples of the radius along piece k; a turning point of the radius between samples becomes a
// sample of its own, so that the radius is monotonic between neighbours.
std::vector<TRackCut::TSample> TRackCut::SampleRadius(const TPiece& pc) const {
    std::vector<TSample> out;
    for (int j = 0; j <= Samples; ++j) {
        const Extended s = Extended(j) / Samples;
        out.push_back({s, Image(pc, s).R});
    }
    std::vector<TSample> refined;
    for (std::size_t j = 0; j < out.size(); ++j) {
        if (j == 0 || j + 1 >= out.size() ||
            (out[j].R - out[j - 1].R) * (out[j + 1].R - out[j].R) >= 0) {
            refined.push_back(out[j]);
            continue;
        }
        // Golden section for the turning point in [s(j-1), s(j+1)].
        const Extended sign = out[j].R > out[j - 1].R ? 1 : -1; // +1: a maximum
        auto f = [&](Extended s) { return sign * Image(pc, s).R; };
        Extended lo = out[j - 1].s, hi = out[j + 1].s;
        const Extended g = (sqrtl(5.0L) - 1) / 2;
        Extended x1 = hi - g * (hi - lo), x2 = lo + g * (hi - lo);
        Extended f1 = f(x1), f2 = f(x2);
        for (int n = 0; n < 120 && hi - lo > 1e-18L; ++n) {
            if (f1 > f2) {
                hi = x2;
                x2 = x1;
                f2 = f1;
                x1 = hi - g * (hi - lo);
                f1 = f(x1);
            } else {
                lo = x1;
                x1 = x2;
                f1 = f2;
                x2 = lo + g * (hi - lo);
                f2 = f(x2);
            }
        }
        const TSample turn{(lo + hi) / 2, Image(pc, (lo + hi) / 2).R};
        if (turn.s < out[j].s) refined.push_back(turn);
        refined.push_back(out[j]);
        if (turn.s > out[j].s) refined.push_back(turn);
    }
    return refined;
}

Extended TRackCut::Reach(Extended R) const {
    Extended best = -std::numeric_limits<Extended>::infinity();
    for (std::size_t k = 0; k < pieces_.size(); ++k) {
        const TPiece& p = pieces_[k];
        const std::vector<TSample>& sm = samples_[k];
        for (std::size_t j = 0; j + 1 < sm.size(); ++j) {
            const Extended f0 = sm[j].R - R, f1 = sm[j + 1].R - R;
            if ((f0 > 0 && f1 > 0) || (f0 < 0 && f1 < 0)) continue;
            Extended s = sm[j].s;
            if (f0 != 0)
                s = f1 == 0 ? sm[j + 1].s
                            : Root([&](Extended t) { return Image(p, t).R - R; }, sm[j].s,
                                   sm[j + 1].s, f0, f1);
            const TImage m = Image(p, s);
            best = std::max(best, atan2l(m.x, m.y));
        }
    }
    return best;
}

std::vector<TCutVertex> TRackCut::Half(int flankPoints, int filletPoints) const {
    struct TRun {
        std::size_t piece;
        Extended s0, s1;
    };
    std::vector<TRun> runs;
    for (std::size_t k = 0; k < pieces_.size(); ++k) {
        const TPiece& p = pieces_[k];
        auto on = [&](Extended s) { return OnBoundary(Image(p, s)); };
        // Where the boundary changes between s0 (state a) and s1.
        auto edge = [&](Extended s0, Extended s1, bool a) {
            for (int n = 0; n < 64; ++n) {
                const Extended m = (s0 + s1) / 2;
                if (on(m) == a)
                    s0 = m;
                else
                    s1 = m;
            }
            return a ? s0 : s1;
        };
        constexpr int Steps = 48;
        bool prev = on(0);
        Extended start = 0;
        for (int j = 1; j <= Steps; ++j) {
            const Extended s = Extended(j) / Steps, sPrev = Extended(j - 1) / Steps;
            const bool cur = on(s);
            if (cur && !prev) start = edge(sPrev, s, false);
            if (!cur && prev) runs.push_back({k, start, edge(sPrev, s, true)});
            prev = cur;
        }
        if (prev) runs.push_back({k, start, 1});
    }
    // The boundary holds one point at each radius (the furthest reach there), so its pieces
    // follow each other along the tooth in the order of their radii, whichever order the tool
    // gave them (the finishing flank of a premachined gear runs between the rough tool's tip
    // radius and its chamfer or root radius): each run from root to tip, then sorted.
    const auto radius = [&](const TRun& run, bool end) {
        return Image(pieces_[run.piece], end ? run.s1 : run.s0).R;
    };
    for (TRun& run : runs)
        if (radius(run, false) > radius(run, true)) std::swap(run.s0, run.s1);
    const auto byStart = [&](const TRun& a, const TRun& b) {
        return radius(a, false) < radius(b, false);
    };
    // Two runs over the same radii: the sampling missed where one of them leaves the boundary
    // (a piece that ends on the tip circle where another one cuts just below it). The one that
    // reaches further there keeps the overlap; the other ends where it begins, and goes on after
    // its end if it reaches past that.
    const auto at = [&](const TRun& run, Extended R) {
        const TPiece& p = pieces_[run.piece];
        const auto f = [&](Extended s) { return Image(p, s).R - R; };
        return Root(f, run.s0, run.s1, f(run.s0), f(run.s1));
    };
    const auto reach = [&](const TRun& run, Extended R) {
        const TImage m = Image(pieces_[run.piece], at(run, R));
        return atan2l(m.x, m.y);
    };
    // A run of no length only touches the boundary where another piece goes on.
    const auto noLength = [&](const TRun& run) {
        const TImage p = Image(pieces_[run.piece], run.s0), q = Image(pieces_[run.piece], run.s1);
        return hypotl(p.x - q.x, p.y - q.y) <= 1e-9L * mn_;
    };
    std::erase_if(runs, noLength);
    for (int pass = 0, overlap = 1; overlap && pass < 100; ++pass) {
        overlap = 0;
        std::sort(runs.begin(), runs.end(), byStart);
        for (std::size_t k = 0; k + 1 < runs.size() && !overlap; ++k) {
            const TRun a = runs[k], b = runs[k + 1];
            const Extended aEnd = radius(a, true), bStart = radius(b, false),
                           bEnd = radius(b, true);
            if (aEnd <= bStart) continue;
            overlap = 1;
            const Extended mid = (bStart + std::min(aEnd, bEnd)) / 2;
            const bool aKeeps = reach(a, mid) >= reach(b, mid);
            const TRun keep = aKeeps ? a : b, lost = aKeeps ? b : a;
            TRun& lose = runs[aKeeps ? k + 1 : k];
            const Extended from = std::max(radius(keep, false), radius(lost, false)),
                           to = std::min(radius(keep, true), radius(lost, true));
            // The part of the losing run below the overlap, then the part above it.
            lose.s1 = radius(lost, false) < from ? at(lost, from) : lost.s0;
            if (radius(lost, true) > to) {
                TRun above = lost;
                above.s0 = at(lost, to);
                runs.push_back(above);
            }
        }
        std::erase_if(runs, noLength);
    }

    std::vector<TCutVertex> out;
    auto add = [&](const TImage& m, TCutPart part) {
        // Gap frame to the tooth: the tooth right of the gap turned onto the axis, mirrored.
        const Extended psi = halfPitch_ - atan2l(m.x, m.y);
        TCutVertex v{m.R * sinl(psi), m.R * cosl(psi), 0, part};
        if (!out.empty() && hypotl(v.x - out.back().x, v.y - out.back().y) <= 1e-9L * mn_) {
            out.back().part = part;
            return;
        }
        out.push_back(v);
    };
    // The root circle from the middle of the gap to where the tool's tip radius leaves it.
    const TImage T = Image(pieces_.front(), 0);
    const Extended aT = atan2l(T.x, T.y);
    if (aT > 0) {
        add({0, rf_, rf_}, TCutPart::Root);
        out.back().angle = std::min(aT, halfPitch_);
    }
    const Extended span = ra_ - rf_;
    for (const TRun& run : runs) {
        const TPiece& p = pieces_[run.piece];
        const TImage a = Image(p, run.s0), b = Image(p, run.s1);
        int n = filletPoints;
        if (p.part == TCutPart::Flank)
            n = flankPoints;
        else if (p.part != TCutPart::Fillet)
            n = std::clamp(int(ceill(flankPoints * fabsl(b.R - a.R) / span)), 3, flankPoints);
        // n points evenly along the piece, and between them more wherever a chord would
        // leave the curve by more than the tolerance: the fillet runs fast in the tool's
        // parameter where it meets the flank.
        const auto at = [&](Extended s) { return Image(p, s); };
        const auto addPart = [&](const TImage& m) { add(m, p.part); };
        Extended sPrev = run.s0;
        TImage prev = Image(p, sPrev);
        add(prev, p.part);
        for (int j = 1; j < n; ++j) {
            const Extended s = run.s0 + (run.s1 - run.s0) * j / (n - 1);
            const TImage cur = Image(p, s);
            RefineChord(at, addPart, ChordTolerance * mn_, sPrev, prev, s, cur);
            add(cur, p.part);
            sPrev = s;
            prev = cur;
        }
    }
    return out;
}

} // namespace

std::vector<TCutVertex> CutToothHalf(int i, int flankPoints, int filletPoints) {
    if (GearData.z[i] < 0) return InternalToothHalf(i, InvolutePoint, flankPoints);
    return TRackCut(i).Half(std::max(flankPoints, 2), std::max(filletPoints, 3));
}

namespace {

// Where the chamfer's involute (chamfer(R), the half tooth angle it leaves) begins to cut the
// flank's (flank(R)) of a ring gear between its tip radius ra and RF: ra when it leaves the tip
// whole, RF when it takes the whole flank.
template <class Flank, class Chamfer>
Extended InternalChamferStart(const Flank& flank, const Chamfer& chamfer, Extended ra,
                              Extended RF) {
    const auto thinner = [&](Extended R) { return chamfer(R) < flank(R); };
    if (!(RF > ra) || !thinner(ra)) return ra;
    if (thinner(RF)) return RF;
    Extended lo = ra, hi = RF;
    for (int k = 0; k < 200 && hi - lo > 1e-15L * hi; ++k) {
        const Extended mid = (lo + hi) / 2;
        (thinner(mid) ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

} // namespace

std::vector<TCutVertex> InternalToothHalf(int i, TFlankFunc flank, int flankPoints) {
    const TGearData& g = GearData;
    const Extended rf = fabsl(g.dfx[i]) / 2, ra = fabsl(g.dax[i]) / 2;
    const Extended rb = fabsl(g.db[i]) / 2, rho = g.rhoaP0[i];
    const Extended halfPitch = Pi / fabsl(Extended(g.z[i]));
    // The flank about -y: polar angle from -y towards +x, and the unit vectors there.
    auto angleAt = [&](Extended R) {
        const TFlankPoint p = flank(i, -2 * R);
        return atan2l(p.x, -p.y);
    };
    auto point = [](Extended R, Extended ang) {
        return TCutVertex{R * sinl(ang), -R * cosl(ang), 0, TCutPart::Flank};
    };
    // Fillet: the circle of the tool tip radius inside the root circle (centre at rf - rho),
    // tangent to the flank on the gap side at radius RF. Its centre lies rho along the flank
    // normal, which makes the pressure angle a with the radius.
    const Extended RF = InternalFilletRadius(rf, ra, rb, rho);
    const Extended aF = angleAt(RF), sa = RF > rb ? sqrtl(1 - (rb / RF) * (rb / RF)) : 0.0L;
    // Centre and the tangent point on the root circle.
    const Extended cr = RF - rho * sa, ct = rho * sqrtl(1 - sa * sa);
    const Extended aC = aF + atan2l(ct, cr), Rc = hypotl(cr, ct);
    TCutVertex F = point(RF, aF);
    const TCutVertex C = point(Rc, aC);
    TCutVertex T = point(rf, aC);

    std::vector<TCutVertex> out;
    auto arcAngle = [](const TCutVertex& c, const TCutVertex& from, const TCutVertex& to) {
        const Extended ax = from.x - c.x, ay = from.y - c.y, bx = to.x - c.x, by = to.y - c.y;
        return atan2l(ax * by - ay * bx, ax * bx + ay * by);
    };
    // A chamfered tool cuts the tooth's tip to the involute of its chamfer (at the shift of the
    // root): the involute flank ends where the two cross, the calculation's dFa.
    const bool chamfer = g.ChamferOn[i] != 0;
    const Extended xK = RoughShift(i);
    auto chamferAt = [&](Extended R) { return -ChamferFlankHalfAngle(i, -2 * R, xK); };
    // The side of the gap: the thinner of the flank and the chamfer.
    auto sideAt = [&](Extended R) {
        return chamfer ? std::min(angleAt(R), chamferAt(R)) : angleAt(R);
    };
    // Where the two sides meet on the gap's middle line, as the calculation finds it
    // (GapClosingDiameter): the flanks, when they cross before the fillet leaves them (the gap
    // closes before its root circle), else the fillets, when their centres lie past that line.
    // The contour starts there, so the sides never cross.
    Extended RStart = RF;
    const Extended meet = RingFilletMeetRadius(RF, rb, rho, halfPitch - aF);
    if (aF >= halfPitch && sideAt(ra) < halfPitch) {
        Extended lo = ra, hi = RF;
        for (int n = 0; n < 80; ++n) {
            const Extended m = (lo + hi) / 2;
            (sideAt(m) < halfPitch ? lo : hi) = m;
        }
        RStart = hi;
    } else if (meet == 0) {
        TCutVertex G = point(rf, halfPitch);
        G.part = TCutPart::Root;
        G.angle = arcAngle({0, 0, 0, TCutPart::Root}, G, T);
        out.push_back(G);
    } else {
        T = point(meet, halfPitch);
    }
    if (RStart == RF && rho > 0 && hypotl(F.x - T.x, F.y - T.y) > 1e-12L * g.mn) {
        T.part = TCutPart::Fillet;
        T.angle = arcAngle(C, T, F);
        out.push_back(T);
    }
    const Extended RK =
        chamfer ? std::min(InternalChamferStart(angleAt, chamferAt, ra, RF), RStart) : ra;
    // The flank from F up to the tip circle: evenly in radius, and between these points more
    // wherever a chord would leave the involute by more than the tolerance (it bends sharply
    // near the base circle).
    const int n = std::max(flankPoints, 2);
    const auto piece = [&](Extended R0, Extended R1, int count, TCutPart part, auto angle) {
        const auto at = [&](Extended R) {
            TCutVertex v = point(R, angle(R));
            v.part = part;
            return v;
        };
        const auto add = [&](const TCutVertex& v) { out.push_back(v); };
        Extended RPrev = R0;
        TCutVertex prev = at(R0);
        out.push_back(prev);
        for (int k = 1; k < count; ++k) {
            const Extended R = R0 + (R1 - R0) * k / (count - 1);
            const TCutVertex cur = at(R);
            RefineChord(at, add, ChordTolerance * g.mn, RPrev, prev, R, cur);
            if (k + 1 < count) out.push_back(cur);
            RPrev = R;
            prev = cur;
        }
        return prev;
    };
    // A tooth whose sides meet on its middle line short of the tip circle (a chamfer or the
    // flanks bring it to a point) ends in that point: its sides never cross.
    Extended tip = ra;
    if (sideAt(ra) < 0 && sideAt(RStart) >= 0) {
        Extended lo = ra, hi = RStart;
        for (int k = 0; k < 200 && hi - lo > 1e-15L * hi; ++k) {
            const Extended mid = (lo + hi) / 2;
            (sideAt(mid) < 0 ? lo : hi) = mid;
        }
        tip = hi;
    }
    // (a gap that closes where the chamfer bounds it starts on the chamfer)
    const Extended flankEnd = std::max(RK, tip);
    TCutVertex end = flankEnd < RStart ? piece(RStart, flankEnd, n, TCutPart::Flank, angleAt)
                                       : TCutVertex{};
    if (RK > tip) { // the chamfer's share of the points by its depth, at least 3
        const int m = std::clamp(int(ceill(n * (RK - tip) / (RF - ra))), 3, n);
        end = piece(RK, tip, m, TCutPart::Chamfer, chamferAt);
    }
    if (tip > ra) end = point(tip, 0); // on the middle line
    end.part = RK > tip ? TCutPart::Chamfer : TCutPart::Flank;
    out.push_back(end);
    return out;
}
