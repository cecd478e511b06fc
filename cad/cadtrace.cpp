#include "cad/cadtrace.h"

#include <algorithm>
#include <cmath>

#include "cad/cadout.h"
#include "cad/cadstate.h"
#include "framework/core/maths.h"
#include "framework/core/text.h"

namespace {

// Chords of a traced curve: at most this many degrees each, and at least 8 to a circle.
constexpr long double kStepDeg = 2;

bool Finite(long double v) {
    return v - v == 0;
}

} // namespace

void TCadTrace::BeginBlock(std::string_view name) {
    if (to_) to_->BeginBlock(name);
    current_ = &blocks_[UpperCaseStr(name)];
    current_->clear();
}

void TCadTrace::EndBlock() {
    if (to_) to_->EndBlock();
    current_ = &model_;
}

void TCadTrace::AbandonBlock() {
    if (to_) to_->AbandonBlock();
    current_ = &model_;
}

void TCadTrace::Text(std::string_view text, long double x, long double y) {
    if (to_) to_->Text(text, x, y);
    // The outline of its visible characters in the text size in force.
    if (text.find_first_not_of(' ') == std::string_view::npos) return;
    const auto [from, to] = CadTextSpan(text);
    const long double c = cosl(DegToRad(CadTextAngle)), s = sinl(DegToRad(CadTextAngle));
    const auto at = [&](long double u, long double v, long double& X, long double& Y) {
        X = x + u * c - v * s;
        Y = y + u * s + v * c;
    };
    long double px[4], py[4];
    at(from, 0, px[0], py[0]);
    at(to, 0, px[1], py[1]);
    at(to, CadTextHeight, px[2], py[2]);
    at(from, CadTextHeight, px[3], py[3]);
    for (int k = 0; k < 4; ++k)
        Add(px[k], py[k], px[(k + 1) % 4], py[(k + 1) % 4]);
}

void TCadTrace::SetColour(std::int32_t c) {
    if (to_) to_->SetColour(c);
}

void TCadTrace::SetTextStyle(std::int32_t font, long double angleDeg, long double height,
                             long double width) {
    if (to_) to_->SetTextStyle(font, angleDeg, height, width);
}

void TCadTrace::SetLineStyle(std::int32_t style) {
    if (to_) to_->SetLineStyle(style);
}

void TCadTrace::Add(long double x1, long double y1, long double x2, long double y2) {
    if (!Finite(x1) || !Finite(y1) || !Finite(x2) || !Finite(y2)) return;
    current_->push_back({static_cast<double>(x1), static_cast<double>(y1), static_cast<double>(x2),
                         static_cast<double>(y2)});
}

void TCadTrace::Curve(long double xc, long double yc, long double r, long double a0,
                      long double sweep) {
    if (!(r > 0) || !Finite(sweep)) return;
    const int n = std::clamp(static_cast<int>(ceill(fabsl(sweep) / DegToRad(kStepDeg))), 1, 100000);
    long double x = xc + r * cosl(a0), y = yc + r * sinl(a0);
    for (int k = 1; k <= n; ++k) {
        const long double a = a0 + sweep * k / n;
        const long double nx = xc + r * cosl(a), ny = yc + r * sinl(a);
        Add(x, y, nx, ny);
        x = nx;
        y = ny;
    }
}

void TCadTrace::Line(long double x1, long double y1, long double x2, long double y2) {
    if (to_) to_->Line(x1, y1, x2, y2);
    Add(x1, y1, x2, y2);
}

void TCadTrace::Circle(long double x, long double y, long double r) {
    if (to_) to_->Circle(x, y, r);
    Curve(x, y, r, 0, 2 * Pi);
}

void TCadTrace::Arc(long double xc, long double yc, long double startDeg, long double endDeg,
                    long double r) {
    if (to_) to_->Arc(xc, yc, startDeg, endDeg, r);
    long double sweep = fmodl(endDeg - startDeg, 360.0L);
    if (sweep <= 0) sweep += 360;
    Curve(xc, yc, r, DegToRad(startDeg), DegToRad(sweep));
}

void TCadTrace::Solid(long double x1, long double y1, long double x2, long double y2,
                      long double x3, long double y3, long double x4, long double y4) {
    if (to_) to_->Solid(x1, y1, x2, y2, x3, y3, x4, y4);
    // The order of a solid's corners: 1, 2, 4, 3 round its outline.
    Add(x1, y1, x2, y2);
    Add(x2, y2, x4, y4);
    Add(x4, y4, x3, y3);
    Add(x3, y3, x1, y1);
}

void TCadTrace::Insert(std::string_view name, long double x, long double y, long double angleDeg,
                       long double scaleX, long double scaleY) {
    if (to_) to_->Insert(name, x, y, angleDeg, scaleX, scaleY);
    const auto it = blocks_.find(UpperCaseStr(name));
    if (it == blocks_.end() || &it->second == current_) return;
    const long double c = cosl(DegToRad(angleDeg)), s = sinl(DegToRad(angleDeg));
    const auto at = [&](double px, double py, long double& X, long double& Y) {
        const long double u = px * scaleX, v = py * scaleY;
        X = x + u * c - v * s;
        Y = y + u * s + v * c;
    };
    const std::vector<TPiece> pieces = it->second; // a block placed into itself stays apart
    for (const TPiece& p : pieces) {
        long double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        at(p.x1, p.y1, x1, y1);
        at(p.x2, p.y2, x2, y2);
        Add(x1, y1, x2, y2);
    }
}

void TCadTrace::BeginPolyline(std::uint8_t flags) {
    if (to_) to_->BeginPolyline(flags);
    vertex_ = false;
    closed_ = (flags & 1) != 0;
}

void TCadTrace::Vertex(long double x, long double y, long double bulge) {
    if (to_) to_->Vertex(x, y, bulge);
    Point(x, y, bulge);
}

void TCadTrace::Point(long double x, long double y, long double bulge) {
    if (vertex_) {
        const long double dx = x - px_, dy = y - py_, chord = hypotl(dx, dy);
        const long double angle = 4 * atanl(pb_);
        if (pb_ == 0 || !(chord > 0) || !(fabsl(tanl(angle / 2)) > 1e-300L)) {
            Add(px_, py_, x, y);
        } else {
            // The centre lies left of the chord by (chord / 2) cot(angle / 2).
            const long double off = 0.5L / tanl(angle / 2);
            const long double xc = (px_ + x) / 2 - dy * off, yc = (py_ + y) / 2 + dx * off;
            Curve(xc, yc, hypotl(px_ - xc, py_ - yc), atan2l(py_ - yc, px_ - xc), angle);
        }
    } else {
        fx_ = x;
        fy_ = y;
        vertex_ = true;
    }
    px_ = x;
    py_ = y;
    pb_ = bulge;
}

void TCadTrace::EndPolyline() {
    if (to_) to_->EndPolyline();
    if (vertex_ && closed_) Point(fx_, fy_, 0);
    vertex_ = closed_ = false;
}

int TCadTrace::Crossings(long double x, long double y, long double ux, long double uy,
                         long double vx, long double vy, long double margin) const {
    const long double lu = hypotl(ux, uy), lv = hypotl(vx, vy);
    if (!(lu > 0) || !(lv > 0)) return 0;
    // The grown box, and the frame in which it is the unit square.
    const long double ex = ux / lu * margin, ey = uy / lu * margin;
    const long double fx = vx / lv * margin, fy = vy / lv * margin;
    x -= ex + fx;
    y -= ey + fy;
    ux += 2 * ex, uy += 2 * ey, vx += 2 * fx, vy += 2 * fy;
    const long double det = ux * vy - uy * vx;
    if (!(fabsl(det) > 0)) return 0;
    long double xmin = x, xmax = x, ymin = y, ymax = y;
    for (const auto& [cx, cy] : {std::pair{x + ux, y + uy}, std::pair{x + vx, y + vy},
                                 std::pair{x + ux + vx, y + uy + vy}}) {
        xmin = std::min(xmin, cx), xmax = std::max(xmax, cx);
        ymin = std::min(ymin, cy), ymax = std::max(ymax, cy);
    }
    const auto frame = [&](double px, double py, long double& s, long double& t) {
        const long double dx = px - x, dy = py - y;
        s = (dx * vy - dy * vx) / det;
        t = (ux * dy - uy * dx) / det;
    };
    int n = 0;
    for (const TPiece& p : model_) {
        if (std::max(p.x1, p.x2) < xmin || std::min(p.x1, p.x2) > xmax ||
            std::max(p.y1, p.y2) < ymin || std::min(p.y1, p.y2) > ymax)
            continue;
        long double s1 = 0, t1 = 0, s2 = 0, t2 = 0;
        frame(p.x1, p.y1, s1, t1);
        frame(p.x2, p.y2, s2, t2);
        // Clip the piece to 0 <= s, t <= 1 (Liang-Barsky).
        long double lo = 0, hi = 1;
        const long double ds = s2 - s1, dt = t2 - t1;
        bool inside = true;
        for (const auto& [q, d] : {std::pair{s1, ds}, std::pair{t1, dt}}) {
            for (const auto& [start, delta] : {std::pair{q, d}, std::pair{1 - q, -d}}) {
                if (delta == 0) {
                    inside = inside && start >= 0;
                    continue;
                }
                const long double r = -start / delta;
                if (delta > 0)
                    lo = std::max(lo, r);
                else
                    hi = std::min(hi, r);
            }
        }
        if (inside && lo <= hi) ++n;
    }
    return n;
}

void CadTrace(TCadTrace& trace, const std::function<void()>& draw) {
    CadDrawTo(trace, draw);
}

void CadDrawTraced(TCadTrace& trace, const std::function<void()>& draw) {
    trace.to_ = CadActiveWriter();
    CadDrawTo(trace, draw);
    trace.to_ = nullptr;
}
