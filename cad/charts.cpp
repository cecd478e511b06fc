#include "cad/charts.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "cad/cadout.h"
#include "cad/dimensions.h"
#include "framework/core/geom2d.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/diagram_limits.h"
#include "framework/ui/dialogs.h"
#include "platform/os/utf8.h"

TDiagramWindow DiagramWindow;

namespace {

TDiagramWindow& W() {
    return DiagramWindow;
}

long double Map(long double v, long double lo, long double hi, long double size,
                long double origin) {
    const long double range = hi - lo;
    if (range == 0) return origin;
    return (v - lo) / range * size + origin;
}

// Limits with the larger value last.
void Order(long double& a, long double& b) {
    if (b < a) std::swap(a, b);
}

// At most this many ticks: more are no scale a reader can use.
constexpr int TickMax = 1000;

} // namespace

long double DiagramX(long double x) {
    return Map(x, W().XMin, W().XMax, W().Width, W().OriginX);
}

long double DiagramY(long double y) {
    return Map(y, W().YMin, W().YMax, W().Height, W().OriginY);
}

long double DiagramLengthY(long double l) {
    const long double range = W().YMax - W().YMin;
    return range == 0 ? 0 : l / range * W().Height;
}

void ResetDiagramVars() {
    DiagramWindow = TDiagramWindow{};
}

void ResetDiagram() {
    ResetDiagramVars();
    SetDiagramSize(160, 120);
    SetDiagramOrigin(0, 0);
}

void SetDiagramSize(long double width, long double height) {
    W().Width = width;
    W().Height = height;
}

void SetDiagramOrigin(long double x, long double y) {
    W().OriginX = x;
    W().OriginY = y;
}

void SetDiagramWorld(long double xmin, long double ymin, long double xmax, long double ymax) {
    W().XMin = xmin;
    W().YMin = ymin;
    W().XMax = xmax;
    W().YMax = ymax;
    W().XRange = xmax - xmin;
    W().YRange = ymax - ymin;
}

void ScaleDiagramWorld(long double fx, long double fy) {
    SetDiagramWorld(W().XMin / fx, W().YMin / fy, W().XMax / fx, W().YMax / fy);
}

void DiagramMoveTo(long double x, long double y) {
    CadMoveTo(DiagramX(x), DiagramY(y));
    W().CurrentX = x;
    W().CurrentY = y;
}

void DiagramLineTo(long double x, long double y) {
    DiagramClipLine(W().CurrentX, W().CurrentY, x, y);
    W().CurrentX = x;
    W().CurrentY = y;
}

void DiagramClipLine(long double x1, long double y1, long double x2, long double y2) {
    long double xmin = W().XMin, xmax = W().XMax, ymin = W().YMin, ymax = W().YMax;
    Order(xmin, xmax);
    Order(ymin, ymax);
    const long double tx = 0.01L * fabsl(W().XRange);
    const long double ty = 0.01L * fabsl(W().YRange);
    auto nearInside = [&](long double x, long double y) {
        return xmin - tx < x && x < xmax + tx && ymin - ty < y && y < ymax + ty;
    };
    // A segment that overshoots by less than 1 % is drawn uncut; any other is cut at the
    // border, also one that crosses the window with both ends outside.
    if (!(nearInside(x1, y1) && nearInside(x2, y2)) &&
        !ClipSegmentToBox(x1, y1, x2, y2, xmin, ymin, xmax, ymax))
        return;
    CadLine(DiagramX(x1), DiagramY(y1), DiagramX(x2), DiagramY(y2));
}

void DiagramLine(long double x1, long double y1, long double x2, long double y2) {
    CadLine(DiagramX(x1), DiagramY(y1), DiagramX(x2), DiagramY(y2));
}

void DiagramText(std::string_view text, long double x, long double y) {
    CadText(text, DiagramX(x), DiagramY(y));
}

void DiagramNumber(std::string_view text, long double x, long double y) {
    DiagramText(text, x, y);
}

void DiagramTextSize(std::int32_t font, long double angle, long double height, long double width) {
    const long double k = std::max(W().Width / 160, W().Height / 110);
    CadSetTextSize(font, angle, height * k, width * k);
}

void DiagramArrow(std::int32_t direction, long double x, long double y, long double size) {
    const long double half = size / 8;
    long double ax = 0, ay = 0, bx = 0, by = 0;
    switch (direction) {
    case 0:
    case 1:
        ax = bx = x - size;
        ay = y + half;
        by = y - half;
        break;
    case 2:
        ay = by = y - size;
        ax = x + half;
        bx = x - half;
        break;
    case 3:
        ax = bx = x + size;
        ay = y + half;
        by = y - half;
        break;
    case 4:
        ay = by = y + size;
        ax = x + half;
        bx = x - half;
        break;
    default:
        return;
    }
    // The fourth corner repeats the third: a triangle in the order solids are read.
    CadSolid(x, y, ax, ay, bx, by, bx, by);
}

void DiagramDimensionA(std::string_view t1, std::string_view t2, std::string_view t3,
                       long double x1, long double y1, long double x2, long double y2,
                       long double yLine) {
    CadDimensionA(t1, t2, t3, DiagramX(x1), DiagramY(y1), DiagramX(x2), DiagramY(y2),
                  DiagramY(yLine));
}

void DiagramDimensionB(std::string_view t1, std::string_view t2, std::string_view t3,
                       long double x1, long double y1, long double x2, long double y2,
                       long double xLine, const long double* textAt) {
    CadDimensionB(t1, t2, t3, DiagramX(x1), DiagramY(y1), DiagramX(x2), DiagramY(y2),
                  DiagramX(xLine), textAt);
}

int DiagramTickCount(long double lo, long double hi, long double step) {
    if (!(step > 0) || !std::isfinite(hi - lo)) return 1;
    const long double n = nearbyintl((hi - lo) / step);
    if (!(n >= 0)) return 1;
    return static_cast<int>(std::min<long double>(n, TickMax)) + 1;
}

long double DiagramTick(long double lo, long double step, int k) {
    const long double v = lo + k * step;
    // A tick that should be 0 must not be labelled with the rounding left over.
    return fabsl(v) < 1e-9L * step ? 0 : v;
}

namespace {

bool AskLimits() {
    return CadRequestedCode != 3 && EnterDiagramLimits != 0 && ParamCount() < 2;
}

// The user's limits, when the dialog is due and answered with OK.
bool TypedLimits(std::string_view xText, std::string_view yText, std::string_view title,
                 long double xlo, long double ylo, long double xhi, long double yhi,
                 TDiagramLimits& typed) {
    auto form = CreateForm<TEinDiagramLimits>();
    form->SetCalcLimits(xlo, ylo, xhi, yhi);
    form->Label_x->SetCaption(OemToAnsiString(xText));
    form->Label_y->SetCaption(OemToAnsiString(yText));
    form->SetCaption(OemToAnsiString(title));
    form->ShowModal();
    if (AbortFlag != 0) {
        AbortFlag = 0;
        return false;
    }
    typed = DiagramUserLimits;
    return true;
}

} // namespace

namespace {

// The title above the chart's middle; where the y axis and its arrow rise through it, beside
// them on the side with more room.
void DiagramTitle(std::string_view title, bool yAxis) {
    const TDiagramWindow& w = DiagramWindow;
    CadSetColour(4);
    DiagramTextSize(2, 0, 3.5L, 2.5L);
    const long double chars = static_cast<long double>(os::Utf8Length(title));
    const long double cw = CadTextHeight * CadTextWidthFactor;
    long double x = std::max(w.OriginX, w.OriginX + w.Width / 2 - chars * 3.5L / 2);
    if (yAxis && title.find_first_not_of(' ') != std::string_view::npos) {
        // The visible text, as wide as the font it is drawn in makes it, and the axis with its
        // arrow (a quarter of 0.04 height wide); beside them the title goes without its leading
        // blanks, which the fonts draw in different widths.
        const TTextSpan span = CadTextSpan(title);
        const long double axis = DiagramX(0), half = 0.005L * w.Height + 0.5L * cw;
        if (axis + half > x + span.from && axis - half < x + span.to) {
            const bool right = w.OriginX + w.Width - axis >= axis - w.OriginX;
            title.remove_prefix(title.find_first_not_of(' '));
            x = right ? axis + half : axis - half - CadTextSpan(title).to;
        }
    }
    CadText(title, x, w.OriginY + w.Height + 3.0L);
}

} // namespace

void DrawDiagramAxes(std::string_view xText, std::string_view yText, std::string_view title,
                     long double xmin, long double ymin, long double xmax, long double ymax,
                     std::int32_t xTextMode) {
    Order(xmin, xmax);
    Order(ymin, ymax);
    DrawingKind = 1;
    const TDiagramWindow& w = DiagramWindow;

    long double xlo = 0, xhi = 0, xstep = 0, ylo = 0, yhi = 0, ystep = 0;
    NiceScale(xlo, xhi, xstep, xmin, xmax, 6);
    NiceScale(ylo, yhi, ystep, ymin, ymax, 6);
    TDiagramLimits typed;
    if (AskLimits() && TypedLimits(xText, yText, title, xlo, ylo, xhi, yhi, typed)) {
        // Typed in the wrong order they still make an axis that runs upwards.
        Order(typed.xmin, typed.xmax);
        Order(typed.ymin, typed.ymax);
        NiceScale(xlo, xhi, xstep, typed.xmin, typed.xmax, 6);
        NiceScale(ylo, yhi, ystep, typed.ymin, typed.ymax, 6);
    }

    SetDiagramWorld(xlo, ylo, xhi, yhi);
    const long double xr = w.XRange;
    const long double yr = w.YRange;
    DiagramTitle(title, xlo <= 0 && 0 <= xhi);
    CadSetColour(17);
    const int xTicks = DiagramTickCount(xlo, xhi, xstep);
    const int yTicks = DiagramTickCount(ylo, yhi, ystep);

    if (ylo <= 0 && 0 <= yhi) {
        DiagramLine(xlo, 0, xhi + 0.05L * xr, 0);
        DiagramArrow(1, DiagramX(xhi + 0.05L * xr), DiagramY(0), 0.04L * w.Width);
    }
    DiagramTextSize(2, 0, 2.2L, 1.65L);
    for (int k = 0; k < xTicks; ++k) {
        const long double x = DiagramTick(xlo, xstep, k);
        DiagramLine(x, ylo, x, ylo - 0.01L * yr);
        DiagramText(FloatToStrSig3Eng(x), x - 0.03L * xr, ylo - 0.07L * yr);
    }
    if (xTextMode == 0 || xTextMode == 1)
        DiagramText(xText, xhi + 0.06L * xr, ylo - 0.07L * yr);
    else if (xTextMode == 2)
        DiagramText(xText, xhi + 0.01L * xr, ylo + 0.03L * yr);

    if (xlo <= 0 && 0 <= xhi) {
        DiagramLine(0, ylo, 0, yhi + 0.05L * yr);
        DiagramArrow(2, DiagramX(0), DiagramY(yhi + 0.05L * yr), 0.04L * w.Height);
    }
    DiagramTextSize(2, 0, 2.2L, 1.65L);
    for (int k = 0; k < yTicks; ++k) {
        const long double y = DiagramTick(ylo, ystep, k);
        DiagramLine(xlo, y, xlo - 0.01L * xr, y);
        DiagramText(FloatToStrSig3Eng(y), xlo - 0.1L * xr, y - 0.01L * yr);
    }
    DiagramText(yText, xlo - 0.1L * xr, yhi + 0.07L * yr);

    CadSetColour(17);
    CadSetScreenLineStyle(1);
    for (int k = 0; k < xTicks; ++k) {
        const long double x = DiagramTick(xlo, xstep, k);
        DiagramLine(x, ylo, x, yhi);
    }
    for (int k = 0; k < yTicks; ++k) {
        const long double y = DiagramTick(ylo, ystep, k);
        DiagramLine(xlo, y, xhi, y);
    }
}
