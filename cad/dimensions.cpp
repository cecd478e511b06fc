#include "cad/dimensions.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "cad/cadout.h"
#include "framework/core/maths.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "platform/os/utf8.h"

namespace {

long double Chars(std::string_view s) {
    return static_cast<long double>(os::Utf8Length(s));
}

// A deviation as written when the other one differs: positive values get their "+".
std::string Signed(std::string_view text, long double value) {
    const std::string t = TrimBlanks(text);
    if (value > 0 && (t.empty() || t[0] != '+')) return "+" + t;
    return t;
}

// The length along the dimension line that its texts take, in the text size of a dimension.
long double TextRun(std::string_view t1, std::string_view t2, std::string_view t3) {
    const long double s = CadScale;
    const long double f = CadOutputCode == 3 ? GraphicsTextWH : CadTextFactor;
    // The width factor of the nominal text (2.5 wide, 3.5 high) as the layer works it out.
    const long double factor = 2.5L / 3.5L * CadTextFactor;
    const long double w2 = (std::max(Chars(t2), Chars(t3)) + 1) * 1.8L * factor * s * 1.1L;
    return Chars(t1) * 2.5L * f * s * 1.2L + w2;
}

// One dimension line along x (horizontal) or along y (vertical) from a to b, at the cross
// position p, with its texts, the nominal text starting at *textAt along the line when given.
// Otherwise the texts stand in the middle, or beside the upper end where they are longer than
// the dimension (as a short one has its arrow heads outside). Positions along the line are
// computed alike for both; across it the vertical line's texts stand on its left, as its texts
// are turned by 90 degrees.
void DimensionLine(bool vertical, std::string_view t1, std::string_view t2, std::string_view t3,
                   long double a, long double b, long double p, const long double* textAt) {
    const long double s = CadScale;
    if (b < a) std::swap(a, b);
    const long double w = TextRun(t1, t2, t3);
    long double at = (a + b) / 2 - w / 2;
    if (textAt)
        at = *textAt;
    else if (w > b - a)
        at = b + s;
    // A lower deviation next to the line that reaches an arrow head inside the dimension stands
    // off the line as far as the head is wide.
    const long double lowerAcross =
        b - a > 10 * s && at + w > b - 3.5L * s && at < b ? 0.75L : 0.5L;
    // A short dimension gets its arrow heads outside the extension lines.
    if (b - a <= 10 * s) std::swap(a, b);
    const long double angle = vertical ? 90 : 0;
    auto put = [&](std::string_view text, long double along, long double across) {
        if (vertical)
            CadText(text, p - across * s, along);
        else
            CadText(text, along, p + across * s);
    };

    CadSetTextSize(2, angle, 3.5L * s, 2.5L * s);
    put(t1, at, 1.0L);
    // A long nominal text reaches past the deviations' usual column: they keep half a
    // character clear of it.
    const long double t1End = at + (Chars(t1) + 0.5L) * 3.5L * CadTextWidthFactor * s;

    CadSetTextSize(2, angle, 2.5L * s, 1.8L * s);
    const long double a2 =
        std::max(at + (Chars(t1) + 1) * 2.5L * CadTextWidthFactor * s * 1.2L, t1End);
    const bool upper = !TrimBlanks(t2).empty();
    const bool lower = !TrimBlanks(t3).empty();
    if (lower && !upper) {
        put(t3, a2, lowerAcross);
    } else if (upper && !lower) {
        put(t2, a2, 2.5L);
    } else if (upper && lower) {
        const long double v2 = StrToReal(t2);
        const long double v3 = StrToReal(t3);
        if (v2 == -v3 && v2 != 0) {
            std::string t = TrimBlanks(t2);
            if (!t.empty() && t[0] == '+') t.erase(0, 1);
            put("\u00B1" + t, a2, 1.25L);
        } else {
            if (v3 != 0) put(Signed(t3, v3), a2, lowerAcross);
            if (v2 != 0) put(Signed(t2, v2), a2, 2.5L);
        }
    }

    if (vertical) {
        CadLine(p, a, p, b);
        CadArrow(p, a, 90);
        CadArrow(p, b, 270);
    } else {
        CadLine(a, p, b, p);
        CadArrow(a, p, 0);
        CadArrow(b, p, 180);
    }
}

} // namespace

void CadArrowHead(long double xt, long double yt, long double dirDeg, long double halfDeg,
                  long double length, long double shaft) {
    const long double d = DegToRad(dirDeg);
    const long double h = DegToRad(halfDeg);
    CadSolid(xt, yt, xt + length * cosl(d + h), yt + length * sinl(d + h),
             xt + length * cosl(d - h), yt + length * sinl(d - h), xt + length * cosl(d),
             yt + length * sinl(d));
    CadLine(xt, yt, xt + shaft * cosl(d), yt + shaft * sinl(d));
}

void CadArrow(long double x, long double y, long double dirDeg) {
    CadArrowHead(x, y, dirDeg, 10, 3.5L * CadScale, 3.5L * CadScale);
}

void CadDimLineH(std::string_view t1, std::string_view t2, std::string_view t3, long double xa,
                 long double xb, long double y) {
    DimensionLine(false, t1, t2, t3, xa, xb, y, nullptr);
}

void CadDimLineV(std::string_view t1, std::string_view t2, std::string_view t3, long double ya,
                 long double yb, long double x) {
    DimensionLine(true, t1, t2, t3, ya, yb, x, nullptr);
}

long double CadDimensionTextRun(std::string_view t1, std::string_view t2, std::string_view t3) {
    return TextRun(t1, t2, t3);
}

long double CadDimensionTextLength(std::string_view t1, std::string_view t2, std::string_view t3) {
    // A nominal text alone: its characters, without the room the layout leaves beside them.
    if (!TrimBlanks(t2).empty() || !TrimBlanks(t3).empty()) return TextRun(t1, t2, t3);
    return Chars(t1) * 2.5L * (CadOutputCode == 3 ? GraphicsTextWH : CadTextFactor) * CadScale;
}

void CadDimensionA(std::string_view t1, std::string_view t2, std::string_view t3, long double x1,
                   long double y1, long double x2, long double y2, long double yd) {
    CadSetColour(3);
    const long double end = y1 > yd ? yd - CadScale : yd + CadScale;
    CadLine(x1, y1, x1, end);
    CadLine(x2, y2, x2, end);
    CadDimLineH(t1, t2, t3, x1, x2, yd);
}

void CadDimensionB(std::string_view t1, std::string_view t2, std::string_view t3, long double x1,
                   long double y1, long double x2, long double y2, long double xd,
                   const long double* textAt) {
    CadSetColour(3);
    const long double end = x1 > xd ? xd - CadScale : xd + CadScale;
    CadLine(x1, y1, end, y1);
    CadLine(x2, y2, end, y2);
    DimensionLine(true, t1, t2, t3, y1, y2, xd, textAt);
}
