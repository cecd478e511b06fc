// Root finders of the calculation, one of each kind: regula falsi with the Illinois step and
// Newton's method kept inside a bracket. Both keep the root bracketed, so a bad step never
// leaves the interval the caller trusts.
#pragma once

#include <cmath>

// Narrows [lo, hi] around a sign change of f by regula falsi with the Illinois step: when the
// same end moves twice, the value at the other end is halved. f(lo) and f(hi) lie on opposite
// sides; onHiSide(v) tells whether a value belongs to hi's side. Runs at most `steps` steps
// while hi - lo > width; with stopAtZero an exact zero ends the search with lo = hi.
template <class T, class F, class Side>
void IllinoisBracket(F f, Side onHiSide, T& lo, T& hi, T flo, T fhi, int steps, T width,
                     bool stopAtZero) {
    int moved = 0; // 1: hi moved last, -1: lo moved last
    for (int n = 0; n < steps && hi - lo > width; ++n) {
        T m = (lo * fhi - hi * flo) / (fhi - flo);
        if (!(m > lo && m < hi)) m = (lo + hi) / 2;
        const T fm = f(m);
        if (stopAtZero && fm == 0) {
            lo = hi = m;
            return;
        }
        if (onHiSide(fm)) {
            hi = m;
            fhi = fm;
            if (moved == 1) flo /= 2;
            moved = 1;
        } else {
            lo = m;
            flo = fm;
            if (moved == -1) fhi /= 2;
            moved = -1;
        }
    }
}

// Newton's method from y on a function with f(lo) <= 0 < f(hi); fs(y, slope) returns f(y) and
// sets its derivative. A step that would leave the bracket, or is not finite, bisects instead.
// Stops when a step is at most tol |y|, or with narrowStop when the bracket is that narrow;
// returns whether it stopped so (an exact zero counts) rather than after `steps` steps.
template <class T, class F>
bool BracketedNewton(F fs, T& y, T lo, T hi, int steps, T tol, bool narrowStop) {
    for (int n = 0; n < steps; ++n) {
        T slope = 0;
        const T fy = fs(y, slope);
        if (fy == 0) return true;
        if (fy > 0)
            hi = y;
        else
            lo = y;
        T next = y - fy / slope;
        if (!(next > std::fmin(lo, hi) && next < std::fmax(lo, hi)) || !std::isfinite(next))
            next = (lo + hi) / 2;
        const T step = std::fabs(next - y);
        y = next;
        if (step <= tol * std::fabs(y)) return true;
        if (narrowStop && std::fabs(hi - lo) <= tol * std::fabs(y)) return true;
    }
    return false;
}
