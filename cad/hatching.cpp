#include "cad/hatching.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "cad/cadout.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"

RangeArray<THatchVertex, 1, HatchVertexMax + 1> HatchVertices;
std::uint16_t HatchCount = 0;

void HatchClear() {
    HatchCount = 0;
}

void HatchAddPoint(long double x, long double y) {
    // The count stays raised (never wraps), so a later Hatch of the buffer reports the overflow.
    if (HatchCount < std::numeric_limits<std::uint16_t>::max()) ++HatchCount;
    if (HatchCount > HatchVertexMax) {
        AddError("Schraffurfehler");
        return;
    }
    HatchVertices[HatchCount] = THatchVertex{x, y};
}

namespace {

struct Crossing {
    long double x = 0, y = 0;
};

// The crossings of the hatch line y = t x + c with the closed polygon of n vertices (vertex n
// equal to vertex 1). ci holds y - t x of each vertex. An edge counts when c lies in
// [ci, ci+1) in either direction: a line through a vertex where the outline passes on counts
// it once, a line that only touches a corner counts it twice or not at all, and an edge along
// the line never counts, so the crossings always pair up. False after an eleventh crossing.
bool FindCrossings(int n, const RangeArray<long double, 1, HatchVertexMax + 1>& ci, long double c,
                   RangeArray<Crossing, 1, QSort2Max>& out, int& count) {
    count = 0;
    for (int i = 1; i < n; ++i) {
        const long double c0 = ci[i];
        const long double c1 = ci[i + 1];
        if (!((c0 <= c && c < c1) || (c1 <= c && c < c0))) continue;
        if (count == QSort2Max) return false;
        const THatchVertex& a = HatchVertices[i];
        const THatchVertex& b = HatchVertices[i + 1];
        const long double u = (c - c0) / (c1 - c0);
        out[++count] = Crossing{a.X + u * (b.X - a.X), a.Y + u * (b.Y - a.Y)};
    }
    return true;
}

// Joins the crossings of one hatch line in pairs along the line. A pair that meets in one point
// (a line that only grazes a corner) draws nothing.
void DrawHatchLine(const RangeArray<Crossing, 1, QSort2Max>& cross, int count, long double tiny) {
    int ref = 1;
    for (int i = 2; i <= count; ++i)
        if (cross[i].x < cross[ref].x) ref = i;
    TSortKeys keys;
    TSortIndex index;
    for (int i = 1; i <= count; ++i)
        keys[i] = static_cast<double>(Hypot(cross[i].x - cross[ref].x, cross[i].y - cross[ref].y));
    QSort2(keys, index, count);
    for (int i = 1; i + 1 <= count; i += 2) {
        const Crossing& p = cross[index[i]];
        const Crossing& q = cross[index[i + 1]];
        if (keys[i + 1] - keys[i] > tiny) CadLine(p.x, p.y, q.x, q.y);
    }
}

} // namespace

void Hatch(int n, long double spacing, long double angleDeg) {
    if (n == 0) n = HatchCount;
    if (n > HatchVertexMax) {
        AddError("Fatal  : n schraff !");
        return;
    }
    if (n < 3) { // fewer than three vertices enclose nothing
        AddError("Error  : hatch polygon empty");
        return;
    }
    if (!(spacing >= 0) || !std::isfinite(spacing)) {
        AddError("Error  : hatch spacing");
        return;
    }
    if (!(fabsl(angleDeg) < 90)) {
        AddError("Error  : hatch angle");
        return;
    }

    const THatchVertex first = HatchVertices[1];
    if (HatchVertices[n].X != first.X || HatchVertices[n].Y != first.Y) {
        ++n; // the slot after the last vertex is kept free for this
        HatchVertices[n] = first;
    }
    const long double a = DegToRad(angleDeg);
    const long double t = Tan(a);

    RangeArray<long double, 1, HatchVertexMax + 1> ci;
    long double cMin = 1e30L;
    long double cMax = -1e30L;
    for (int i = 1; i <= n; ++i) {
        ci[i] = HatchVertices[i].Y - t * HatchVertices[i].X;
        cMin = std::min(cMin, ci[i]);
        cMax = std::max(cMax, ci[i]);
    }
    const long double step = spacing == 0 ? (cMax - cMin) / 10 : spacing / cosl(a);
    const bool lines = angleDeg != 0 && step > 0;
    if (lines && !((cMax - cMin) / step <= HatchLineMax)) {
        AddError("Error  : hatch spacing too fine");
        return;
    }

    CadSetColour(5);
    CadBeginPolyline(0);
    for (int i = 1; i <= n; ++i)
        CadVertex(HatchVertices[i].X, HatchVertices[i].Y, 0);
    CadEndPolyline();
    if (!lines) return;

    CadSetColour(3);
    RangeArray<Crossing, 1, QSort2Max> cross;
    for (long k = 1;; ++k) {
        const long double c = cMin + k * step;
        int count = 0;
        if (!FindCrossings(n, ci, c, cross, count)) {
            AddError("Fatal  : schraff schnittp");
            AbortFlag = 1;
            return;
        }
        if (count > 0) DrawHatchLine(cross, count, 1e-9L * (cMax - cMin));
        if (c >= cMax) break;
    }
}

void HatchRectangle(long double x1, long double y1, long double x2, long double y2,
                    long double spacing, long double angleDeg) {
    HatchVertices[1] = THatchVertex{x1, y1};
    HatchVertices[2] = THatchVertex{x2, y1};
    HatchVertices[3] = THatchVertex{x2, y2};
    HatchVertices[4] = THatchVertex{x1, y2};
    if (spacing == 0) {
        const long double side = std::max(fabsl(x2 - x1), fabsl(y2 - y1));
        std::int64_t s = 0;
        if (TryRound(side / 5, s)) spacing = static_cast<long double>(s);
    }
    Hatch(4, spacing, angleDeg);
}

// ---- qsort2 --------------------------------------------------------------------------------

namespace {

void SortPart(TSortKeys& keys, TSortIndex& index, int lo, int hi) {
    const double pivot = keys[(lo + hi) / 2];
    int i = lo;
    int j = hi;
    do {
        while (keys[i] < pivot)
            ++i;
        while (pivot < keys[j])
            --j;
        if (i <= j) {
            std::swap(keys[i], keys[j]);
            std::swap(index[i], index[j]);
            ++i;
            --j;
        }
    } while (i <= j);
    if (lo < j) SortPart(keys, index, lo, j);
    if (i < hi) SortPart(keys, index, i, hi);
}

} // namespace

void QSort2(TSortKeys& keys, TSortIndex& index, int n) {
    if (n > QSort2Max) {
        AddError("Fatal  : QSORT2 error");
        AbortFlag = 1;
        return;
    }
    for (int i = 1; i <= QSort2Max; ++i)
        index[i] = i;
    if (n > 1) SortPart(keys, index, 1, n);
}

// ---- freehand break line -------------------------------------------------------------------

namespace {

// SplitMix64: a small generator whose whole state is its seed.
class WaveRandom {
public:
    explicit WaveRandom(std::uint64_t seed) : state_(seed) {}
    // Uniform in [0, 1).
    long double Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        z ^= z >> 31;
        return static_cast<long double>(z >> 11) * 0x1.0p-53L;
    }
    void Mix(long double v) {
        const double d = static_cast<double>(v) + 0.0; // -0 and 0 seed alike
        std::uint64_t bits = 0;
        std::memcpy(&bits, &d, sizeof bits);
        state_ = (state_ ^ bits) * 0x100000001B3ULL + 0x9E3779B97F4A7C15ULL;
    }

private:
    std::uint64_t state_;
};

} // namespace

void FreehandLine(bool addToHatch, long double x1, long double y1, long double x2, long double y2,
                  long double amplitude) {
    WaveRandom random(0x51A7C0DEULL);
    for (const long double v : {x1, y1, x2, y2, amplitude})
        random.Mix(v);
    const long double length = Hypot(x2 - x1, y2 - y1);
    const long double d = atan2l(y2 - y1, x2 - x1);
    const long double piece = length / 6;
    const long double cd = cosl(d);
    const long double sd = sinl(d);

    CadMoveTo(x1, y1);
    if (addToHatch) HatchAddPoint(x1, y1);
    for (int i = 1; i <= 5; ++i) {
        const long double r1 = random.Next();
        const long double r2 = random.Next();
        const long double offset = (r1 - r2) * 2 * amplitude;
        const long double x = x1 + i * piece * cd - offset * sd;
        const long double y = y1 + i * piece * sd + offset * cd;
        CadLineTo(x, y);
        if (addToHatch) HatchAddPoint(x, y);
    }
    CadLineTo(x2, y2);
    if (addToHatch) HatchAddPoint(x2, y2);
}
