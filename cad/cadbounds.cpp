#include "cad/cadbounds.h"

#include <algorithm>
#include <cmath>

#include "framework/core/text.h"

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;
constexpr long double kDegree = kPi / 180;

bool Finite(long double v) {
    return v - v == 0;
}

// Convex outline of the points (monotone chain), counter-clockwise, without repeated points.
std::vector<TCadBounds::TPoint> Outline(std::vector<TCadBounds::TPoint> p) {
    if (p.size() < 3) return p;
    std::sort(p.begin(), p.end(),
              [](const auto& a, const auto& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    auto cross = [](const auto& o, const auto& a, const auto& b) {
        return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
    };
    std::vector<TCadBounds::TPoint> h(2 * p.size());
    std::size_t k = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        while (k >= 2 && cross(h[k - 2], h[k - 1], p[i]) <= 0)
            --k;
        h[k++] = p[i];
    }
    for (std::size_t i = p.size() - 1, t = k + 1; i-- > 0;) {
        while (k >= t && cross(h[k - 2], h[k - 1], p[i]) <= 0)
            --k;
        h[k++] = p[i];
    }
    h.resize(k > 1 ? k - 1 : k);
    return h;
}

} // namespace

// ---- boxes ---------------------------------------------------------------------------------

void TCadBox::Add(long double x, long double y) {
    if (!Finite(x) || !Finite(y)) return;
    if (Empty) {
        XMin = XMax = x;
        YMin = YMax = y;
        Empty = false;
        return;
    }
    XMin = std::min(XMin, x);
    XMax = std::max(XMax, x);
    YMin = std::min(YMin, y);
    YMax = std::max(YMax, y);
}

void TCadBox::Add(const TCadBox& b) {
    if (b.Empty) return;
    Add(b.XMin, b.YMin);
    Add(b.XMax, b.YMax);
}

long double TCadBox::MaxAbs() const {
    if (Empty) return 0;
    return std::max({fabsl(XMin), fabsl(XMax), fabsl(YMin), fabsl(YMax)});
}

bool TCadBox::Overlaps(const TCadBox& b, long double gap) const {
    if (Empty || b.Empty) return false;
    return XMin < b.XMax + gap && b.XMin < XMax + gap && YMin < b.YMax + gap && b.YMin < YMax + gap;
}

bool TCadBox::Contains(const TCadBox& b, long double tol) const {
    if (b.Empty) return true;
    if (Empty) return false;
    return b.XMin >= XMin - tol && b.XMax <= XMax + tol && b.YMin >= YMin - tol &&
           b.YMax <= YMax + tol;
}

// ---- bounds of a drawing -------------------------------------------------------------------

void TCadBounds::Add(long double x, long double y) {
    if (!Finite(x) || !Finite(y)) return;
    if (current_ != nullptr)
        current_->push_back({x, y});
    else
        model_.Add(x, y);
}

void TCadBounds::Clear() {
    model_ = TCadBox();
    blocks_.clear();
    current_ = nullptr;
    currentName_.clear();
}

void TCadBounds::BeginBlock(std::string_view name) {
    if (current_ != nullptr) EndBlock();
    currentName_ = UpperCaseStr(name);
    current_ = &blocks_[currentName_];
    current_->clear();
}

void TCadBounds::EndBlock() {
    if (current_ == nullptr) return;
    *current_ = Outline(std::move(*current_));
    current_ = nullptr;
}

void TCadBounds::Point(long double x, long double y) {
    Add(x, y);
}

void TCadBounds::Line(long double x1, long double y1, long double x2, long double y2) {
    Add(x1, y1);
    Add(x2, y2);
}

void TCadBounds::ArcPoints(long double xc, long double yc, long double a0, long double sweep,
                           long double r) {
    r = fabsl(r);
    if (!Finite(xc) || !Finite(yc) || !Finite(a0) || !Finite(sweep) || !Finite(r)) return;
    if (sweep < 0) {
        a0 += sweep;
        sweep = -sweep;
    }
    Add(xc + r * cosl(a0), yc + r * sinl(a0));
    Add(xc + r * cosl(a0 + sweep), yc + r * sinl(a0 + sweep));
    if (current_ == nullptr) {
        // The extreme points of the arc: where it crosses the axes through its centre.
        for (long double k = ceill(a0 / (kPi / 2)); k * (kPi / 2) <= a0 + sweep; k += 1)
            Add(xc + r * cosl(k * kPi / 2), yc + r * sinl(k * kPi / 2));
        return;
    }
    // An enclosing polygon: the points on the arc and, between them, the corners of the
    // tangents, which lie r (1 / cos(d / 2) - 1) outside the arc.
    const long double n = std::max(1.0L, ceill(sweep / kDegree));
    const long double d = sweep / n;
    const long double outer = r / cosl(d / 2);
    for (long double k = 0; k < n; k += 1) {
        const long double a = a0 + k * d;
        Add(xc + r * cosl(a), yc + r * sinl(a));
        Add(xc + outer * cosl(a + d / 2), yc + outer * sinl(a + d / 2));
    }
}

void TCadBounds::Circle(long double x, long double y, long double r) {
    ArcPoints(x, y, 0, 2 * kPi, r);
}

void TCadBounds::Arc(long double xc, long double yc, long double startDeg, long double endDeg,
                     long double r) {
    long double sweep = fmodl(endDeg - startDeg, 360.0L);
    if (sweep <= 0) sweep += 360;
    ArcPoints(xc, yc, startDeg * kDegree, sweep * kDegree, r);
}

void TCadBounds::Segment(long double x1, long double y1, long double x2, long double y2,
                         long double bulge) {
    const long double dx = x2 - x1, dy = y2 - y1;
    const long double c = hypotl(dx, dy);
    if (bulge == 0 || !(c > 0) || !Finite(bulge)) {
        Line(x1, y1, x2, y2);
        return;
    }
    // Included angle 4 atan(bulge); the centre lies left of the chord by (c/2) cot(angle/2).
    const long double angle = 4 * atanl(bulge);
    const long double t = tanl(angle / 2);
    if (!(fabsl(t) > 1e-300L)) {
        Line(x1, y1, x2, y2);
        return;
    }
    const long double off = 0.5L / t;
    const long double xc = (x1 + x2) / 2 - dy * off;
    const long double yc = (y1 + y2) / 2 + dx * off;
    const long double r = hypotl(x1 - xc, y1 - yc);
    ArcPoints(xc, yc, atan2l(y1 - yc, x1 - xc), angle, r);
}

void TCadBounds::Text(long double x, long double y, long double chars, long double height,
                      long double widthFactor, long double angleDeg, long double descent) {
    const long double w = chars * height * widthFactor;
    const long double a = angleDeg * kDegree;
    const long double c = cosl(a), s = sinl(a);
    for (const long double v : {-descent * height, height}) {
        Add(x - v * s, y + v * c);
        Add(x + w * c - v * s, y + w * s + v * c);
    }
}

void TCadBounds::BeginPolyline(bool closed) {
    closed_ = closed;
    hasVertex_ = false;
}

void TCadBounds::Vertex(long double x, long double y, long double bulge) {
    if (hasVertex_) {
        Segment(prev_.x, prev_.y, x, y, prevBulge_);
    } else {
        Point(x, y);
        first_ = {x, y};
        hasVertex_ = true;
    }
    prev_ = {x, y};
    prevBulge_ = bulge;
}

void TCadBounds::EndPolyline() {
    if (hasVertex_ && closed_) Segment(prev_.x, prev_.y, first_.x, first_.y, prevBulge_);
    hasVertex_ = closed_ = false;
}

std::vector<TCadBounds::TPoint> TCadBounds::PlacedOutline(std::string_view name, long double x,
                                                          long double y, long double angleDeg,
                                                          long double scaleX,
                                                          long double scaleY) const {
    std::vector<TPoint> out;
    const auto it = blocks_.find(UpperCaseStr(name));
    if (it == blocks_.end()) return out;
    const long double a = angleDeg * kDegree;
    const long double c = cosl(a), s = sinl(a);
    for (const TPoint& p : it->second) {
        const long double px = p.x * scaleX, py = p.y * scaleY;
        out.push_back({x + px * c - py * s, y + px * s + py * c});
    }
    return out;
}

TCadBox TCadBounds::Placed(std::string_view name, long double x, long double y,
                           long double angleDeg, long double scaleX, long double scaleY) const {
    TCadBox b;
    for (const TPoint& p : PlacedOutline(name, x, y, angleDeg, scaleX, scaleY))
        b.Add(p.x, p.y);
    return b;
}

void TCadBounds::Insert(std::string_view name, long double x, long double y, long double angleDeg,
                        long double scaleX, long double scaleY, long double pad) {
    const auto it = blocks_.find(UpperCaseStr(name));
    if (it == blocks_.end() || &it->second == current_) return;
    const long double a = angleDeg * kDegree;
    const long double c = cosl(a), s = sinl(a);
    const long double d = pad;
    for (const TPoint& p : it->second) {
        const long double px = p.x * scaleX, py = p.y * scaleY;
        const long double X = x + px * c - py * s, Y = y + px * s + py * c;
        for (const long double dx : {-d, d})
            for (const long double dy : {-d, d})
                Add(X + dx, Y + dy);
    }
}

TCadBox TCadBounds::Block(std::string_view name) const {
    TCadBox b;
    const auto it = blocks_.find(UpperCaseStr(name));
    if (it != blocks_.end())
        for (const TPoint& p : it->second)
            b.Add(p.x, p.y);
    return b;
}

bool TCadBounds::HasBlock(std::string_view name) const {
    return blocks_.count(UpperCaseStr(name)) != 0;
}
