// kelmgraf: the drawing window and its display list.
#include "framework/ui/drawing_window.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "framework/ui/printout.h"
#include "framework/ui/step_form.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/maths.h"
#include "framework/core/text.h"
#include "platform/gui/printer.h"
#include "platform/gui/screen.h"
#include "platform/os/clock.h"
#include "platform/os/utf8.h"

// ---- unit state ------------------------------------------------------------------------------

TDisplayList* DisplayList = nullptr;
TFkelmgra* DrawWindow = nullptr;
std::uint8_t DrawToPrinter = 0;
TViewport Viewport{0, 0, 1, 1};
TWorldWindow WorldWindow{0, 0, 1, 1};
TViewport SavedViewport{0, 0, 1, 1};
TWorldWindow SavedLimits{0, 0, 1, 1};
long double ScaleX = 1;
long double ScaleY = 1;
long double PageScaleX = 1;
long double PageScaleY = 1;
TDragRect DragRect{0, 0, 0, 0};
char PanKey = ' ';

namespace {

// Whether the last recorded colour, style and width are known to be in force at the end of the
// list. Unknown after a clear (the list starts afresh with colour 1 and width 1) and after a
// paint, so the next call records its value again rather than trusting a stale one.
bool colourKnown = false;
bool styleKnown = false;
bool widthKnown = false;

void ForgetRecordedPen() {
    colourKnown = styleKnown = widthKnown = false;
}

// Pixels are kept well inside the range the rasteriser and int arithmetic handle.
constexpr long double kPixelLimit = 1.0e9L;

int RoundPx(long double v) {
    if (std::isnan(v)) return 0;
    v = std::clamp(v, -kPixelLimit, kPixelLimit);
    return static_cast<int>(lrintl(v)); // the default rounding mode: halves to even
}

std::int32_t ClampZoom(long double v) {
    if (std::isnan(v)) return 0;
    v = std::clamp(v, static_cast<long double>(-ZoomRectLimit),
                   static_cast<long double>(ZoomRectLimit));
    return static_cast<std::int32_t>(lrintl(v));
}

std::int32_t ClampZoom(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, -ZoomRectLimit, ZoomRectLimit));
}

} // namespace

int VirtualScreenWidth() {
    return ScreenWidth > 0 ? ScreenWidth : 640;
}
int VirtualScreenHeight() {
    return ScreenHeight > 0 ? ScreenHeight : 480;
}

int PixelX(long double x) {
    return RoundPx((x - VisibleWindow.XMin) * ScaleX) + Viewport.X1;
}
int PixelY(long double y) {
    return Viewport.Y2 - RoundPx((y - VisibleWindow.YMin) * ScaleY);
}
int LengthX(long double l) {
    return RoundPx(ScaleX * l);
}
int LengthY(long double l) {
    return RoundPx(ScaleY * l);
}
int ScreenFracX(long double f) {
    return RoundPx(VirtualScreenWidth() * f);
}
int ScreenFracY(long double f) {
    return RoundPx(VirtualScreenHeight() * f);
}

long double WorldXOfPixel(long double px) {
    return (px - Viewport.X1) / ScaleX + VisibleWindow.XMin;
}
long double WorldYOfPixel(long double py) {
    return (Viewport.Y2 - py) / ScaleY + VisibleWindow.YMin;
}

void InitDrawWindowState() {
    DrawToPrinter = 0;
    Viewport = {0, 0, 1, 1};
    WorldWindow = {0, 0, 1, 1};
    SavedViewport = {0, 0, 1, 1};
    SavedLimits = {0, 0, 1, 1};
    ScaleX = ScaleY = PageScaleX = PageScaleY = 1;
    DragRect = {0, 0, 0, 0};
    PanKey = ' ';
    TFkelmgra::TextSizeMode = 0;
    TFkelmgra::CurrentColour = -1;
    TFkelmgra::CurrentLineStyle = 99;
    TFkelmgra::CurrentLineWidth = 1;
    TFkelmgra::StepMode = 0;
    ForgetRecordedPen();
}

// ---- record texts ----------------------------------------------------------------------------

namespace {

// x rounded to 8 significant digits: its decimal digits "d.ddddddd" and exponent.
struct Digits8 {
    bool negative = false;
    std::string digits; // without trailing zeros, at least one digit
    int exponent = 0;   // value = d.ddd... * 10^exponent
};

Digits8 SplitDigits(long double x) {
    Digits8 d;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 7);
    std::string_view s(buf, static_cast<std::size_t>(res.ptr - buf));
    if (!s.empty() && s.front() == '-') {
        d.negative = true;
        s.remove_prefix(1);
    }
    const std::size_t e = s.find('e');
    d.digits.push_back(s[0]);
    if (e > 2) d.digits.append(s.substr(2, e - 2));
    std::string_view ex = s.substr(e + 1);
    bool expNeg = false;
    if (!ex.empty() && (ex.front() == '+' || ex.front() == '-')) {
        expNeg = ex.front() == '-';
        ex.remove_prefix(1);
    }
    int v = 0;
    std::from_chars(ex.data(), ex.data() + ex.size(), v);
    d.exponent = expNeg ? -v : v;
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

// The double nearest to the 8-digit decimal value of x (what reading its text back gives). The
// digits come from x as a double: the digit conversion of doubles is many times faster than
// that of long doubles, and 8 digits lie far inside a double's precision.
double RoundToRecord(long double x) {
    const double d = static_cast<double>(x);
    if (!std::isfinite(d) || d == 0) return d;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific, 7);
    double v = 0;
    std::from_chars(buf, res.ptr, v);
    return v;
}

std::string IntText(double v) {
    if (!std::isfinite(v)) return "0";
    const long double c = std::clamp<long double>(v, -9.0e18L, 9.0e18L);
    return std::to_string(static_cast<long long>(c));
}

bool ParseDouble(std::string_view s, double& v) {
    if (s.empty()) return false;
    std::string_view t = s;
    if (t.front() == '+') return false;
    const auto res = std::from_chars(t.data(), t.data() + t.size(), v);
    return res.ec == std::errc() && res.ptr == t.data() + t.size();
}

// Which fields of a record are integers (bit k for value k).
unsigned IntegerFields(int code) {
    switch (code) {
    case drColour:
    case drLineStyle:
    case drLineWidth:
    case drPause:
        return 1u;
    case drTextStyle:
        return 1u << 2;
    case drWindow:
        return 0xFu;
    default:
        return 0u;
    }
}

} // namespace

void TReplayTextStyle::Take(const double* v) {
    Height = v[0] * 1.6L * TextHeightFactor;
    Width = v[1] * 1.1L * GraphicsTextWH;
    Angle = v[3];
}

std::string RealToRecordText(long double x) {
    if (std::isnan(x)) return "NAN";
    if (std::isinf(x)) return x < 0 ? "-INF" : "INF";
    if (x == 0) return "0";
    const Digits8 d = SplitDigits(x);
    std::string out = d.negative ? "-" : "";
    const int n = static_cast<int>(d.digits.size());
    const int e = d.exponent;
    if (e >= -4 && e <= 7) {
        if (e >= 0) {
            for (int i = 0; i <= e; ++i)
                out.push_back(i < n ? d.digits[static_cast<std::size_t>(i)] : '0');
            if (n > e + 1) {
                out.push_back('.');
                out.append(d.digits, static_cast<std::size_t>(e + 1));
            }
        } else {
            out += "0.";
            out.append(static_cast<std::size_t>(-e - 1), '0');
            out += d.digits;
        }
        return out;
    }
    out.push_back(d.digits[0]);
    if (n > 1) {
        out.push_back('.');
        out.append(d.digits, 1);
    }
    out.push_back('E');
    if (e < 0) out.push_back('-');
    const int a = std::abs(e);
    if (a < 10) out.push_back('0');
    out += std::to_string(a);
    return out;
}

// ---- TDisplayList ----------------------------------------------------------------------------

int TDisplayList::ValueCount(int code) {
    switch (code) {
    case drMoveTo:
    case drLineTo:
    case drText:
        return 2;
    case drCircle:
        return 3;
    case drLine:
    case drTextStyle:
        return 4;
    case drArc:
    case drSolid:
    case drWindow:
        return 8;
    case drColour:
    case drLineStyle:
    case drLineWidth:
    case drPause:
        return 1;
    default:
        return 0;
    }
}

void TDisplayList::Push(int code, std::uint32_t first, std::uint32_t text) {
    records_.push_back({code, first, text});
    ++generation_;
}

void TDisplayList::AddReals(int code, std::initializer_list<long double> values) {
    const auto first = static_cast<std::uint32_t>(values_.size());
    for (long double v : values)
        values_.push_back(RoundToRecord(v));
    Push(code, first, 0);
}

void TDisplayList::AddInts(int code, std::initializer_list<std::int64_t> values) {
    const auto first = static_cast<std::uint32_t>(values_.size());
    for (std::int64_t v : values)
        values_.push_back(static_cast<double>(v));
    Push(code, first, 0);
}

void TDisplayList::AddWindow(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                             long double xmin, long double ymin, long double xmax,
                             long double ymax) {
    const auto first = static_cast<std::uint32_t>(values_.size());
    for (std::int32_t v : {x1, y1, x2, y2})
        values_.push_back(v);
    for (long double v : {xmin, ymin, xmax, ymax})
        values_.push_back(RoundToRecord(v));
    Push(drWindow, first, 0);
}

void TDisplayList::AddTextStyle(long double height, long double width, std::int32_t font,
                                long double angle) {
    const auto first = static_cast<std::uint32_t>(values_.size());
    values_.push_back(RoundToRecord(height));
    values_.push_back(RoundToRecord(width));
    values_.push_back(font);
    values_.push_back(RoundToRecord(angle));
    Push(drTextStyle, first, 0);
}

void TDisplayList::AddText(long double x, long double y, std::string_view text) {
    const auto first = static_cast<std::uint32_t>(values_.size());
    values_.push_back(RoundToRecord(x));
    values_.push_back(RoundToRecord(y));
    const auto t = static_cast<std::uint32_t>(texts_.size());
    texts_.emplace_back(text);
    Push(drText, first, t);
}

void TDisplayList::AddRaw(std::string_view line) {
    const auto t = static_cast<std::uint32_t>(texts_.size());
    texts_.emplace_back(line);
    Push(0, t, t);
}

void TDisplayList::AddLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t semi = line.find(';');
    const int code = StrToInteger(line.substr(0, semi));
    const int n = ValueCount(code);
    if (n == 0 || semi == std::string_view::npos) {
        AddRaw(line);
        return;
    }
    // Fields: every field but the last ends at the next ";", the last runs to the end.
    const int fieldCount = code == drText ? 3 : n;
    std::array<std::string_view, 8> fields{};
    std::string_view rest = line.substr(semi + 1);
    for (int k = 0; k < fieldCount; ++k) {
        if (k == fieldCount - 1) {
            fields[static_cast<std::size_t>(k)] = rest;
            break;
        }
        const std::size_t p = rest.find(';');
        if (p == std::string_view::npos) {
            AddRaw(line);
            return;
        }
        fields[static_cast<std::size_t>(k)] = rest.substr(0, p);
        rest = rest.substr(p + 1);
    }
    std::array<double, 8> v{};
    const unsigned ints = IntegerFields(code);
    for (int k = 0; k < n; ++k) {
        const std::string_view f = fields[static_cast<std::size_t>(k)];
        double& out = v[static_cast<std::size_t>(k)];
        if (code == drWindow && k < 4) {
            // The viewport: the integers nearest to the numbers.
            double r = 0;
            if (!ParseDouble(f, r) || !std::isfinite(r)) {
                AddRaw(line);
                return;
            }
            out = static_cast<double>(RoundPx(r));
        } else if (ints & (1u << k)) {
            out = StrToInteger(f);
        } else if (!ParseDouble(f, out)) {
            AddRaw(line);
            return;
        }
    }
    const auto first = static_cast<std::uint32_t>(values_.size());
    values_.insert(values_.end(), v.begin(), v.begin() + n);
    std::uint32_t t = 0;
    if (code == drText) {
        t = static_cast<std::uint32_t>(texts_.size());
        texts_.emplace_back(fields[2]);
    }
    Push(code, first, t);
}

void TDisplayList::Clear() {
    records_.clear();
    values_.clear();
    texts_.clear();
    ++generation_;
}

void TDisplayList::Replace(TDisplayList&& other) {
    records_ = std::move(other.records_);
    values_ = std::move(other.values_);
    texts_ = std::move(other.texts_);
    ++generation_;
}

std::string TDisplayList::Line(int i) const {
    if (i < 0 || i >= Count()) throw std::out_of_range("display list record index");
    const Record& r = records_[static_cast<std::size_t>(i)];
    if (r.Code == 0) return texts_.at(r.First);
    std::string s = std::to_string(r.Code);
    const int n = ValueCount(r.Code);
    const unsigned ints = IntegerFields(r.Code);
    const double* v = Values(r);
    for (int k = 0; k < n; ++k) {
        s.push_back(';');
        s += (ints & (1u << k)) ? IntText(v[k]) : RealToRecordText(v[k]);
    }
    if (r.Code == drText) {
        s.push_back(';');
        s += texts_.at(r.Text);
    }
    return s;
}

std::vector<std::string> TDisplayList::Lines() const {
    std::vector<std::string> out;
    out.reserve(records_.size());
    for (int i = 0; i < Count(); ++i)
        out.push_back(Line(i));
    return out;
}

std::string TDisplayList::Text() const {
    std::string out;
    for (int i = 0; i < Count(); ++i) {
        out += Line(i);
        out += "\r\n";
    }
    return out;
}

void TDisplayList::SetText(std::string_view text) {
    Clear();
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find_first_of("\r\n", pos);
        if (eol == std::string_view::npos) eol = text.size();
        AddLine(text.substr(pos, eol - pos));
        pos = eol;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    }
}

// ---- zoom rectangle --------------------------------------------------------------------------

namespace {

// The zoom rectangle as exactly as the last zoom gave it. ZoomRect holds whole pixels of the
// unzoomed viewport; a mouse zoom deep inside a drawing needs the fraction too, or every zoom
// would shift the section by up to half a pixel times the magnification.
struct ExactZoom {
    long double X1, X2, Y1, Y2;
};
ExactZoom exactZoom{0, 640, 0, 480};

// The scales of the section before the aspect rule: the screen mapping stretches them onto the
// window and applies its own rule there.
long double RawScaleX = 1;
long double RawScaleY = 1;

TZoomRect Rounded(const ExactZoom& z) {
    return {ClampZoom(z.X1), ClampZoom(z.X2), ClampZoom(z.Y1), ClampZoom(z.Y2)};
}

// The visible window and the scales of a zoom rectangle; false (and nothing changed) when the
// viewport, the world window or the section is empty.
bool ApplyZoom(long double x1, long double y1, long double x2, long double y2) {
    const long double vw = static_cast<long double>(Viewport.X2) - Viewport.X1;
    const long double vh = static_cast<long double>(Viewport.Y2) - Viewport.Y1;
    const long double ww = WorldWindow.XMax - WorldWindow.XMin;
    const long double wh = WorldWindow.YMax - WorldWindow.YMin;
    if (vw == 0 || vh == 0 || ww == 0 || wh == 0 || x1 == x2 || y1 == y2) return false;
    VisibleWindow.XMin = WorldWindow.XMin + (x1 - Viewport.X1) / vw * ww;
    VisibleWindow.XMax = WorldWindow.XMin + (x2 - Viewport.X1) / vw * ww;
    VisibleWindow.YMin = WorldWindow.YMin + (y1 - Viewport.Y1) / vh * wh;
    VisibleWindow.YMax = WorldWindow.YMin + (y2 - Viewport.Y1) / vh * wh;
    ScaleX = vw / (VisibleWindow.XMax - VisibleWindow.XMin);
    ScaleY = vh / (VisibleWindow.YMax - VisibleWindow.YMin);
    RawScaleX = ScaleX;
    RawScaleY = ScaleY;
    PageScaleX = ScaleX;
    PageScaleY = ScaleY;
    if (KeepAspect) {
        // The screen's pixels are square whatever the window's shape: equal scales keep a gear
        // round on a wide screen too.
        ScaleX = ScaleY = std::min(ScaleX, ScaleY);
        // The page: 0.75 x width / height makes world units equally long on a 4:3 page.
        const long double sw = VirtualScreenWidth(), sh = VirtualScreenHeight();
        const long double a = PageScaleY * 0.75L * sw / sh;
        if (PageScaleX >= a)
            PageScaleX = a;
        else
            PageScaleY = PageScaleX / (sw * 0.75L / sh);
    }
    return true;
}

void SetZoomRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    if (x1 == x2 || y1 == y2) return;
    if (!ApplyZoom(x1, y1, x2, y2)) return;
    ZoomRect = {x1, x2, y1, y2};
    exactZoom = {static_cast<long double>(x1), static_cast<long double>(x2),
                 static_cast<long double>(y1), static_cast<long double>(y2)};
}

void SetZoomRectExact(long double x1, long double y1, long double x2, long double y2) {
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return;
    const ExactZoom z{x1, x2, y1, y2};
    const TZoomRect r = Rounded(z);
    if (r.X1 == r.X2 || r.Y1 == r.Y2) return;
    if (!ApplyZoom(x1, y1, x2, y2)) return;
    ZoomRect = r;
    exactZoom = z;
}

// At a replayed window record: the zoom in force, with its fraction while ZoomRect is still the
// one it was rounded to.
void ReapplyZoom() {
    if (ZoomRect == Rounded(exactZoom))
        SetZoomRectExact(exactZoom.X1, exactZoom.Y1, exactZoom.X2, exactZoom.Y2);
    else
        SetZoomRect(ZoomRect.X1, ZoomRect.Y1, ZoomRect.X2, ZoomRect.Y2);
}

} // namespace

// ---- the screen mapping ----------------------------------------------------------------------

TScreenMapping TScreenMapping::Of(int width, int height) {
    TScreenMapping m;
    // Pixels 0 .. ScreenWidth of the virtual screen onto 0 .. width - 1 of the surface.
    const long double fx = std::max(width - 1, 1) / static_cast<long double>(VirtualScreenWidth());
    const long double fy =
        std::max(height - 1, 1) / static_cast<long double>(VirtualScreenHeight());
    m.ScaleX = RawScaleX * fx;
    m.ScaleY = RawScaleY * fy;
    if (KeepAspect) m.ScaleX = m.ScaleY = std::min(m.ScaleX, m.ScaleY);
    // What the section leaves free of its viewport is shared out on both sides.
    const long double freeX = (static_cast<long double>(Viewport.X2) - Viewport.X1) * fx -
                              (VisibleWindow.XMax - VisibleWindow.XMin) * m.ScaleX;
    const long double freeY = (static_cast<long double>(Viewport.Y2) - Viewport.Y1) * fy -
                              (VisibleWindow.YMax - VisibleWindow.YMin) * m.ScaleY;
    m.OriginX = Viewport.X1 * fx + (std::isfinite(freeX) ? freeX / 2 : 0);
    m.OriginY = Viewport.Y2 * fy - (std::isfinite(freeY) ? freeY / 2 : 0);
    return m;
}

int TScreenMapping::X(long double x) const {
    return RoundPx(OriginX + (x - VisibleWindow.XMin) * ScaleX);
}
int TScreenMapping::Y(long double y) const {
    return RoundPx(OriginY - (y - VisibleWindow.YMin) * ScaleY);
}
int TScreenMapping::LenX(long double l) const {
    return RoundPx(ScaleX * l);
}
int TScreenMapping::LenY(long double l) const {
    return RoundPx(ScaleY * l);
}
long double TScreenMapping::WorldX(long double px) const {
    return (px - OriginX) / ScaleX + VisibleWindow.XMin;
}
long double TScreenMapping::WorldY(long double py) const {
    return (OriginY - py) / ScaleY + VisibleWindow.YMin;
}

// ---- window and view -------------------------------------------------------------------------

void TFkelmgra::SetScale(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    SetZoomRect(x1, y1, x2, y2);
}

void TFkelmgra::SetWindow(bool keepAspect, bool frame, long double vx1, long double vy1,
                          long double vx2, long double vy2, long double xmin, long double ymin,
                          long double xmax, long double ymax) {
    Viewport.X1 = ScreenFracX(vx1);
    Viewport.X2 = ScreenFracX(vx2);
    Viewport.Y1 = ScreenFracY(1 - vy2);
    Viewport.Y2 = ScreenFracY(1 - vy1);
    if (frame) {
        ++Viewport.X1;
        ++Viewport.Y1;
        --Viewport.X2;
        --Viewport.Y2;
    }
    if (DisplayList != nullptr)
        DisplayList->AddWindow(Viewport.X1, Viewport.Y1, Viewport.X2, Viewport.Y2, xmin, ymin, xmax,
                               ymax);
    WorldWindow = {xmin, ymin, xmax, ymax};
    KeepAspect = keepAspect ? 1 : 0;
    if (xmin == xmax || ymin == ymax) {
        AbortFlag = 1;
        return;
    }
    SetScale(Viewport.X1, Viewport.Y1, Viewport.X2, Viewport.Y2);
}

void TFkelmgra::Header(long double xmin, long double ymin, long double xmax, long double ymax) {
    const long double ww = WorldWindow.XMax - WorldWindow.XMin;
    const long double wh = WorldWindow.YMax - WorldWindow.YMin;
    if (ww != 0 && wh != 0) {
        const long double sw = VirtualScreenWidth(), sh = VirtualScreenHeight();
        AspectFactor = (sw * 0.75L / sh) * 640 / ww / (480 / wh);
    }
    SetWindow(true, true, 0, 0, 1, 1, xmin, ymin, xmax, ymax);
    SetLineStyle(0);
    SaveLimit();
}

void TFkelmgra::SaveLimit() {
    SavedLimits = WorldWindow;
}

void TFkelmgra::RestoreLimit() {
    SetWindow(true, true, 0, 0, 1, 1, SavedLimits.XMin, SavedLimits.YMin, SavedLimits.XMax,
              SavedLimits.YMax);
}

void TFkelmgra::ReSetWindow() {
    SetWindow(false, false, 0, 0, 1, 1, 0, 0, 1, 1);
    ResetZoom();
}

void TFkelmgra::ResetZoom() {
    SetScale(Viewport.X1, Viewport.Y1, Viewport.X2, Viewport.Y2);
}

void TFkelmgra::SaveViewPort() {
    SavedViewport = Viewport;
}
void TFkelmgra::RetrieveViewPort() {
    Viewport = SavedViewport;
}

void TFkelmgra::Regen() {
    RestoreLimit();
    SetWindow(true, true, 0, 0, 1, 1, 0, 0, 1, 1);
    ResetZoom();
    SetScale(ZoomRect.X1, ZoomRect.Y1, ZoomRect.X2, ZoomRect.Y2);
    ClearViewPort();
}

void TFkelmgra::Clear() {
    if (DisplayList != nullptr) DisplayList->Clear();
    ForgetRecordedPen();
    if (DrawWindow != nullptr) {
        DrawWindow->Invalidate();
        DrawWindow->Show();
    }
}

void TFkelmgra::ClearViewPort() {
    if (DrawWindow == nullptr) return;
    // The hourglass stays until the repaint that follows has replayed the list.
    if (DrawWindow->Widget() != nullptr) SetWaitCursor();
    DrawWindow->Invalidate();
    DrawWindow->Show();
}

long double TFkelmgra::EinX(long double f) {
    return (WorldWindow.XMax - WorldWindow.XMin) * f;
}
long double TFkelmgra::EinY(long double f) {
    return (WorldWindow.YMax - WorldWindow.YMin) * f;
}

// ---- recording -------------------------------------------------------------------------------

void TFkelmgra::circle(long double x, long double y, long double r) {
    if (DisplayList != nullptr) DisplayList->AddReals(drCircle, {x, y, r});
}

void TFkelmgra::line(long double x1, long double y1, long double x2, long double y2) {
    if (DisplayList != nullptr) DisplayList->AddReals(drLine, {x1, y1, x2, y2});
}

void TFkelmgra::Arc(long double x, long double y, long double a1, long double a2, long double r) {
    // A sweep of whole turns is a full circle (reduced to [0, 360) it would be no arc at all).
    const long double sweep = a2 - a1;
    if (std::isfinite(sweep) && sweep != 0 && std::fabs(remainderl(sweep, 360)) < 1e-9L) {
        circle(x, y, r);
        return;
    }
    const long double r1 = a1 - 360 * truncl(a1 / 360);
    const long double r2 = a2 - 360 * truncl(a2 / 360);
    long double span = r2 - r1;
    if (span < 0) span += 360;
    const long double c1 = cosl(DegToRad(a1)), s1 = sinl(DegToRad(a1));
    const long double c2 = cosl(DegToRad(a2)), s2 = sinl(DegToRad(a2));
    if (span < 4) {
        line(x + r * c1, y + r * s1, x + r * c2, y + r * s2);
        return;
    }
    if (DisplayList != nullptr)
        DisplayList->AddReals(
            drArc, {x - r, y - r, x + r, y + r, x + r * c1, y + r * s1, x + r * c2, y + r * s2});
}

void TFkelmgra::Rectangle(long double x1, long double y1, long double x2, long double y2) {
    line(x1, y1, x2, y1);
    line(x2, y1, x2, y2);
    line(x2, y2, x1, y2);
    line(x1, y2, x1, y1);
}

void TFkelmgra::Solid(long double x1, long double y1, long double x2, long double y2,
                      long double x3, long double y3, long double x4, long double y4) {
    if (DisplayList != nullptr) DisplayList->AddReals(drSolid, {x1, y1, x2, y2, x3, y3, x4, y4});
}

void TFkelmgra::OutTextXY(std::string_view text, long double x, long double y) {
    if (DisplayList != nullptr) DisplayList->AddText(x, y, text);
}

void TFkelmgra::SetColorIndex(std::int32_t c) {
    if (c > MaxColour || (colourKnown && c == CurrentColour)) return;
    if (DisplayList != nullptr) DisplayList->AddInts(drColour, {c});
    CurrentColour = c;
    colourKnown = true;
}

std::uint8_t TFkelmgra::GetColorTurbo(std::uint8_t c) {
    static constexpr std::uint8_t kLow[8] = {0, 12, 14, 10, 11, 9, 13, 15};
    if (c > 15) c = static_cast<std::uint8_t>(c % 16);
    return c <= 7 ? kLow[c] : static_cast<std::uint8_t>(c - 7);
}

void TFkelmgra::SetColorAcad(std::uint8_t c) {
    SetColorIndex(GetColorTurbo(c));
}

std::int32_t TFkelmgra::GetColor() {
    return CurrentColour;
}

void TFkelmgra::SetLineStyle(std::uint16_t s) {
    if (styleKnown && s == CurrentLineStyle) return;
    if (DisplayList != nullptr) DisplayList->AddInts(drLineStyle, {s});
    CurrentLineStyle = s;
    styleKnown = true;
}

void TFkelmgra::SetLineStyleName(std::string_view name) {
    std::uint16_t s = 0;
    if (name == "DOTTED" || name == "PUNKT")
        s = 1;
    else if (name == "CENTER" || name == "DASHDOT" || name == "STRICHPUNKT")
        s = 2;
    else if (name == "DASHED" || name == "HIDDEN" || name == "VERDECKT")
        s = 3;
    SetLineStyle(s);
}

void TFkelmgra::SetLineWidth(std::uint16_t w) {
    if (widthKnown && w == CurrentLineWidth) return;
    if (DisplayList != nullptr) DisplayList->AddInts(drLineWidth, {w});
    CurrentLineWidth = w;
    widthKnown = true;
}

void TFkelmgra::SleepMs(std::int32_t ms) {
    if (DisplayList != nullptr) DisplayList->AddInts(drPause, {ms});
}

void TFkelmgra::SetTextStyle(std::int32_t font, long double angle, long double height,
                             long double width) {
    if (DisplayList != nullptr) DisplayList->AddTextStyle(height, width, font, angle);
}

void TFkelmgra::SetTextSizeMode(std::uint8_t b) {
    TextSizeMode = b;
}

int TFkelmgra::GetDirection(long double a) {
    return (a > 45 && a < 135) || (a > 225 && a < 315) || (a > -135 && a < -45) ? 1 : 0;
}

void TFkelmgra::DrawKelmoraLogo() {
    Header(-1, -1, 38, 33);
    SetLineStyle(0);
    // A gear wheel standing on a bar: hub ring and bar in blue, rim and teeth in fuchsia,
    // three spokes in blue.
    const long double cx = 18.5L, cy = 17.5L;
    auto ringSegment = [&](long double r1, long double r2, long double a, long double b) {
        const long double ca = cosl(a), sa = sinl(a), cb = cosl(b), sb = sinl(b);
        Solid(cx + r1 * ca, cy + r1 * sa, cx + r2 * ca, cy + r2 * sa, cx + r1 * cb, cy + r1 * sb,
              cx + r2 * cb, cy + r2 * sb);
    };
    SetColorIndex(9);
    for (int i = 0; i < 12; ++i)
        ringSegment(3, 5, 2 * Pi * i / 12, 2 * Pi * (i + 1) / 12);
    Solid(2, 0, 35, 0, 2, 1.5L, 35, 1.5L);
    SetColorIndex(13);
    for (int i = 0; i < 20; ++i)
        ringSegment(10, 12, 2 * Pi * i / 20, 2 * Pi * (i + 1) / 20);
    for (int i = 0; i < 21; ++i) {
        const long double a = 2 * Pi * i / 21, h = Pi / 21 * 0.55L, t = Pi / 21 * 0.35L;
        Solid(cx + 12 * cosl(a - h), cy + 12 * sinl(a - h), cx + 12 * cosl(a + h),
              cy + 12 * sinl(a + h), cx + 14.5L * cosl(a - t), cy + 14.5L * sinl(a - t),
              cx + 14.5L * cosl(a + t), cy + 14.5L * sinl(a + t));
    }
    SetColorIndex(9);
    for (int i = 0; i < 3; ++i) {
        const long double a = DegToRad(90 + 120 * i), w = 0.08L;
        ringSegment(5, 10, a - w, a + w);
    }
    MoveTo(0, 0);
}

// ---- direct drawing --------------------------------------------------------------------------

void TFkelmgra::LineTo(long double x, long double y) {
    if (DrawWindow == nullptr) return;
    const TScreenMapping m = DrawWindow->ClientMapping();
    DrawWindow->Canvas()->LineTo(m.X(x), m.Y(y));
}

void TFkelmgra::MoveTo(long double x, long double y) {
    if (DrawWindow == nullptr) return;
    const TScreenMapping m = DrawWindow->ClientMapping();
    DrawWindow->Canvas()->MoveTo(m.X(x), m.Y(y));
}

void TFkelmgra::SetWaitCursor() {
    Screen()->SetCursor(crHourGlass);
}
// Back to the cursor each window shows itself (the arrow on the drawing window).
void TFkelmgra::SetOldCursor() {
    Screen()->SetCursor(crDefault);
}

// ---- replay ----------------------------------------------------------------------------------

namespace {

// One replay target: the screen mapping onto a window buffer or picture, or the printer
// mapping onto the printer's page.
struct Target {
    TCanvas* canvas = nullptr;
    bool printer = false;
    long double pageW = 0, pageH = 0;
    TColor textColour = clBlack;
    // The screen: the surface's size and its device pixels per pixel (pen widths).
    int width = 1, height = 1;
    double pixelRatio = 1;
    TScreenMapping map;
    // The palette as the screen shows it over the background: lines and fills at 3:1, texts
    // at 4.5:1 at least (pure blue on black would hardly show).
    std::array<TColor, 16> lineColours{}, textColours{};

    void ReadPalette() {
        for (std::size_t c = 0; c < 16; ++c) {
            const auto p = static_cast<TColor>(Palette[c]);
            // On paper a colour that would vanish on white prints dark.
            lineColours[c] = printer ? ColourOnPaper(p) : WithContrast(p, BackgroundColour, 3.0);
            textColours[c] = printer ? ColourOnPaper(p) : WithContrast(p, BackgroundColour, 4.5);
        }
    }

    // After a change of the view (a window record): the screen mapping again.
    void Remap() {
        if (!printer) map = TScreenMapping::Of(width, height);
    }
    int PenWidth(int w) const {
        if (printer) return 4 * w;
        return std::max(1, static_cast<int>(std::lround(std::max(w, 1) * pixelRatio)));
    }

    int X(long double x) const {
        if (!printer) return map.X(x);
        if (PrintPageFit.On) return PrintPageFit.X(x);
        const long double sw = VirtualScreenWidth();
        return RoundPx(pageW * PrintOffsetX / 210) +
               RoundPx(pageW * ((x - VisibleWindow.XMin) * PageScaleX + Viewport.X1) * PrintScaleX /
                       sw);
    }
    int Y(long double y) const {
        if (!printer) return map.Y(y);
        if (PrintPageFit.On) return PrintPageFit.Y(y);
        const long double sh = VirtualScreenHeight();
        return RoundPx(pageW * PrintOffsetY / 210) +
               RoundPx(pageH * (Viewport.Y2 - (y - VisibleWindow.YMin) * PageScaleY) * PrintScaleY /
                       sh);
    }
    int LenX(long double l) const {
        if (!printer) return map.LenX(l);
        if (PrintPageFit.On) return PrintPageFit.LenX(l);
        return RoundPx(pageW * PageScaleX * l * PrintScaleX / VirtualScreenWidth());
    }
    int LenY(long double l) const {
        if (!printer) return map.LenY(l);
        if (PrintPageFit.On) return PrintPageFit.LenY(l);
        return RoundPx(pageH * PageScaleY * l * PrintScaleY / VirtualScreenHeight());
    }
};

// What a colour record does to the pen, brush and font of a target.
void ApplyColour(Target& t, std::int64_t c) {
    TCanvas& cv = *t.canvas;
    if (c >= 1 && c <= 15) {
        const bool colour = t.printer ? (WinPrintMode == 2 || WinPrintMode == 3) : ColorGraphics;
        if (colour) {
            cv.Pen.Color = cv.Brush.Color = t.lineColours[static_cast<std::size_t>(c)];
        } else {
            cv.Pen.Color = clBlack;
            cv.Brush.Color = BackgroundColour;
        }
        t.textColour = !ColorGraphics || (t.printer && WinPrintMode == 1)
                           ? clBlack
                           : t.textColours[static_cast<std::size_t>(c)];
    } else if (c == 0) {
        cv.Pen.Color = cv.Brush.Color = BackgroundColour;
        t.textColour = BackgroundColour;
    } else if (c == 16) {
        // The palette stops at 15; 16 draws in the colour that always shows on the background.
        const TColor fg = t.printer ? clBlack : (static_cast<TColor>(BackgroundColour) ^ 0xFFFFFF);
        cv.Pen.Color = cv.Brush.Color = fg;
        if (ColorGraphics && !(t.printer && WinPrintMode == 1))
            t.textColour = fg;
        else
            t.textColour = clBlack;
    }
    // Other values change only the replay colour.
}

void ShowStepDialog() {
    TForm_anistep form(DrawWindow);
    form.ShowModal();
    if (form.RunToEnd) TFkelmgra::StepMode = 0;
}

TFontStyles GraphicsFontStyle() {
    if (GraphicsTextStyle < 1 || GraphicsTextStyle > 15) return 0;
    return GraphicsTextStyle & (fsBold | fsItalic | fsUnderline | fsStrikeOut);
}

void DrawTextRecord(Target& t, long double x, long double y, const std::string& text,
                    long double height, long double width, long double angle) {
    const int hpx = t.LenY(height);
    if (hpx < 1) return; // too small to show
    const long double rad = DegToRad(angle);
    long double tx = x, ty = y + 0.75L * height;
    if (angle != 0) {
        tx = x - sinl(rad) * height * 0.7L;
        ty = y + cosl(rad) * height * 0.75L;
    }
    TCanvas& cv = *t.canvas;
    TFont& f = cv.Font;
    f.Name = GraphicsFont;
    f.SetHeight(hpx);
    // The average character width in whole pixels, never above the width asked (rounded up it
    // would carry a text past the room it was fitted into): the pixels of a thousandfold width,
    // a thousandth of them taken down.
    f.Width = std::max(0, static_cast<int>(floorl(t.LenX(1000 * width) / 1000.0L)));
    long double tenths = fmodl(angle * 10, 3600);
    f.Orientation = RoundPx(tenths);
    f.Style = GraphicsFontStyle();
    f.Color = t.textColour;
    const TBrushStyle saved = cv.Brush.Style;
    cv.Brush.Style = bsClear;
    cv.TextOut(t.X(tx), t.Y(ty), text);
    cv.Brush.Style = saved;
}

void Replay(Target& t) {
    if (DisplayList == nullptr || t.canvas == nullptr) return;
    TCanvas& cv = *t.canvas;
    t.Remap();
    t.ReadPalette();
    cv.Pen.Width = t.printer ? 1 : t.PenWidth(1);
    cv.Pen.Style = psSolid;
    cv.Pen.Mode = pmCopy;
    cv.Brush.Style = bsClear;
    ApplyColour(t, 1);
    TReplayTextStyle text;

    if (t.printer && PrintBorder) {
        if (ColorGraphics) cv.Pen.Color = t.lineColours[11];
        const TWorldWindow& w = WorldWindow;
        const TPoint frame[5] = {{t.X(w.XMin), t.Y(w.YMin)},
                                 {t.X(w.XMin), t.Y(w.YMax)},
                                 {t.X(w.XMax), t.Y(w.YMax)},
                                 {t.X(w.XMax), t.Y(w.YMin)},
                                 {t.X(w.XMin), t.Y(w.YMin)}};
        cv.Polyline(frame);
    }

    const TDisplayList& list = *DisplayList;
    for (const TDisplayList::Record& r : list.Records()) {
        if (r.Code == 0) continue;
        const double* v = list.Values(r);
        switch (r.Code) {
        case drMoveTo:
            cv.MoveTo(t.X(v[0]), t.Y(v[1]));
            break;
        case drLineTo:
            cv.LineTo(t.X(v[0]), t.Y(v[1]));
            break;
        case drCircle: {
            cv.Brush.Style = bsClear;
            const long double x = v[0], y = v[1], rr = v[2];
            cv.Ellipse(t.X(x - rr), t.Y(y - rr), t.X(x + rr), t.Y(y + rr));
            break;
        }
        case drLine:
            cv.MoveTo(t.X(v[0]), t.Y(v[1]));
            cv.LineTo(t.X(v[2]), t.Y(v[3]));
            break;
        case drArc:
            cv.Arc(t.X(v[0]), t.Y(v[1]), t.X(v[2]), t.Y(v[3]), t.X(v[4]), t.Y(v[5]), t.X(v[6]),
                   t.Y(v[7]));
            break;
        case drText:
            DrawTextRecord(t, v[0], v[1], list.TextOf(r), text.Height, text.Width, text.Angle);
            break;
        case drSolid: {
            cv.Brush.Style = bsSolid;
            if (!ColorGraphics) cv.Brush.Color = clBlack;
            // Vertex order 1-2-4-3: a solid's corners come in the order DXF gives them.
            const TPoint quad[4] = {{t.X(v[0]), t.Y(v[1])},
                                    {t.X(v[2]), t.Y(v[3])},
                                    {t.X(v[6]), t.Y(v[7])},
                                    {t.X(v[4]), t.Y(v[5])}};
            cv.Polygon(quad);
            break;
        }
        case drColour: {
            const std::int64_t c = static_cast<std::int64_t>(v[0]);
            if (c == 0 && TFkelmgra::StepMode && !t.printer) ShowStepDialog();
            ApplyColour(t, c);
            break;
        }
        case drTextStyle:
            text.Take(v);
            break;
        case drWindow: {
            Viewport = {RoundPx(v[0]), RoundPx(v[1]), RoundPx(v[2]), RoundPx(v[3])};
            WorldWindow = {v[4], v[5], v[6], v[7]};
            // An empty window ends the replay; the caller's AbortFlag is none of its business
            // (paints also run while other commands' dialogs are open).
            if (WorldWindow.XMin == WorldWindow.XMax || WorldWindow.YMin == WorldWindow.YMax)
                return;
            ReapplyZoom();
            t.Remap();
            break;
        }
        case drLineStyle:
            switch (static_cast<int>(v[0])) {
            case 1:
                cv.Pen.Style = psDot;
                break;
            case 2:
                cv.Pen.Style = psDashDot;
                break;
            case 3:
                cv.Pen.Style = psDash;
                break;
            default:
                cv.Pen.Style = psSolid;
                break;
            }
            cv.Pen.Mode = pmCopy;
            break;
        case drLineWidth: {
            const int w = static_cast<int>(std::clamp(v[0], 0.0, 1000.0));
            cv.Pen.Width = t.printer ? 4 * w : (w == 0 ? 0 : t.PenWidth(w));
            break;
        }
        case drPause:
            if (!t.printer && v[0] > 0)
                os::SleepMs(static_cast<std::uint32_t>(std::min(v[0], 60000.0)));
            break;
        default:
            break;
        }
    }
}

} // namespace

long double GraphicsTextAdvance(std::string_view text) {
    const double measured = FontAdvanceInAverageWidths(GraphicsFont, GraphicsFontStyle(), text);
    return std::isfinite(measured) ? measured : DefaultFontAdvance(text);
}

long double DefaultFontAdvance(std::string_view text) {
    // Advances of Liberation Sans (metric-compatible with Arial) in its units, for the printable
    // ASCII characters, and its average character width; a CJK character is one em wide.
    static constexpr short kAdvance[95] = {
        569,  569,  727,  1139, 1139, 1821, 1366, 391,  682,  682,  797,  1196, 569,  682,
        569,  569,  1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 569,  569,
        1196, 1196, 1196, 1139, 2079, 1366, 1366, 1479, 1479, 1366, 1251, 1593, 1479, 569,
        1024, 1366, 1139, 1706, 1479, 1593, 1366, 1593, 1479, 1366, 1251, 1479, 1366, 1933,
        1366, 1366, 1251, 569,  569,  569,  961,  1139, 682,  1139, 1139, 1024, 1139, 1139,
        569,  1139, 1139, 455,  455,  1024, 455,  1706, 1139, 1139, 1139, 1139, 682,  1024,
        569,  1139, 1024, 1479, 1024, 1024, 1024, 684,  532,  684,  1196};
    constexpr long double kAverage = 1208, kEm = 2048;
    long double sum = 0;
    for (std::size_t k = 0; k < text.size();) {
        const char32_t c = os::Utf8Next(text, k);
        if (c >= 32 && c < 127)
            sum += kAdvance[c - 32];
        else
            sum += c >= 0x2E80 ? kEm : kAverage;
    }
    return sum / kAverage;
}

void TFkelmgra::ReplayToCanvas(TCanvas& canvas, int width, int height, double pixelRatio) {
    Target t;
    t.canvas = &canvas;
    t.width = std::max(width, 1);
    t.height = std::max(height, 1);
    t.pixelRatio = pixelRatio > 0 ? pixelRatio : 1;
    Replay(t);
}

TScreenMapping TFkelmgra::ClientMapping() const {
    const TSize s = Canvas()->DeviceSize();
    if (s.cx > 0 && s.cy > 0) return TScreenMapping::Of(s.cx, s.cy);
    return TScreenMapping::Of(ClientWidth(), ClientHeight());
}

bool TFkelmgra::SaveDrawingPicture(const std::string& path) {
    TBitmap bmp;
    if (!bmp.SetSize(VirtualScreenWidth() + 1, VirtualScreenHeight() + 1)) return false;
    TCanvas& c = *bmp.Canvas();
    c.Brush.Style = bsSolid;
    c.Brush.Color = BackgroundColour;
    c.FillRect(Rect(0, 0, bmp.Width(), bmp.Height()));
    ReplayToCanvas(c, bmp.Width(), bmp.Height());
    return bmp.SaveToFile(path);
}

// ---- pictures over the drawing ---------------------------------------------------------------

namespace {

struct KeptDrawing {
    TDisplayList List;
    TViewport View, SavedView;
    TWorldWindow World, SavedWorld;
    TZoomRect Zoom;
    ExactZoom Exact;
    TVisibleWindow Visible;
    long double Scales[6];
    std::uint8_t Aspect;
    long double Aspectf;
    std::uint16_t Kind;
};

std::unique_ptr<KeptDrawing> kept;
TForm* keptFor = nullptr;            // the dialog whose closing brings the drawing back
std::uint64_t pictureGeneration = 0; // the list as the picture left it

void OnModalEnded(TForm* form) {
    if (kept && form == keptFor) RestoreDrawingUnderPicture();
}

} // namespace

void KeepDrawingUnderPicture() {
    if (DisplayList == nullptr) return;
    // Picture after picture: the drawing under the first one is the one to come back.
    if (kept && DisplayList->Generation() == pictureGeneration) return;
    kept = std::make_unique<KeptDrawing>(
        KeptDrawing{*DisplayList,
                    Viewport,
                    SavedViewport,
                    WorldWindow,
                    SavedLimits,
                    ZoomRect,
                    exactZoom,
                    VisibleWindow,
                    {ScaleX, ScaleY, PageScaleX, PageScaleY, RawScaleX, RawScaleY},
                    KeepAspect,
                    AspectFactor,
                    DrawingKind});
    TForm* top = TForm::TopForm();
    keptFor = top != nullptr && top->Modal() ? top : nullptr;
    if (keptFor != nullptr) ModalEndedHook = OnModalEnded;
    pictureGeneration = DisplayList->Generation();
}

void PictureDrawn() {
    if (kept && DisplayList != nullptr) pictureGeneration = DisplayList->Generation();
}

bool DrawingKeptUnderPicture() {
    return kept != nullptr;
}

void RestoreDrawingUnderPicture() {
    std::unique_ptr<KeptDrawing> k = std::move(kept);
    keptFor = nullptr;
    if (!k || DisplayList == nullptr || DisplayList->Generation() != pictureGeneration) return;
    DisplayList->Replace(std::move(k->List));
    Viewport = k->View;
    SavedViewport = k->SavedView;
    WorldWindow = k->World;
    SavedLimits = k->SavedWorld;
    ZoomRect = k->Zoom;
    exactZoom = k->Exact;
    VisibleWindow = k->Visible;
    ScaleX = k->Scales[0], ScaleY = k->Scales[1], PageScaleX = k->Scales[2];
    PageScaleY = k->Scales[3], RawScaleX = k->Scales[4], RawScaleY = k->Scales[5];
    KeepAspect = k->Aspect;
    AspectFactor = k->Aspectf;
    DrawingKind = k->Kind;
    ForgetRecordedPen();
    TFkelmgra::ClearViewPort();
}

// ---- the window ------------------------------------------------------------------------------

TFkelmgra::TFkelmgra(TComponent* AOwner) : TForm(AOwner) {
    SetName("FKelmgra");
    DevicePixels = true; // the replay maps onto the screen's own pixels
    SetCaption("KelmGraf");
    SetBounds(Left(), Top(), 544, 386);
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnPaint = [this](TObject* s) { PaintBuffer(s); };
    OnDblClick = [this](TObject* s) { FormDblClick(s); };
    OnKeyDown = [this](TObject* s, std::uint16_t& k, TShiftState sh) { FormKeyDown(s, k, sh); };
    OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        FormMouseDown(s, b, sh, x, y);
    };
    OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        FormMouseUp(s, b, sh, x, y);
    };
    OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { FormMouseMove(s, sh, x, y); };
    if (DrawWindow == nullptr) DrawWindow = this;
}

TFkelmgra::~TFkelmgra() {
    if (DrawWindow == this) DrawWindow = nullptr;
}

void TFkelmgra::FormCreate(TObject*) {
    InitDrawWindowState();
    Dragging = 0;
    DoubleClicked = 0;
}

void TFkelmgra::PaintBuffer(TObject*) {
    TCanvas& c = *Canvas();
    c.Brush.Style = bsSolid;
    c.Brush.Color = BackgroundColour;
    c.Pen.Mode = pmCopy;
    const TSize size = c.DeviceSize();
    c.FillRect(Rect(0, 0, size.cx, size.cy));
    ReplayToCanvas(c, size.cx, size.cy, PixelRatio());
    ForgetRecordedPen();
    Screen()->SetCursor(crDefault);
}

void TFkelmgra::FormPaint(TObject*) {
    if (!DrawToPrinter) {
        PaintNow(); // erase and replay into the buffer, then show it
        return;
    }
    TPrinter& p = *Printer();
    SetWaitCursor();
    Target t;
    t.canvas = p.Canvas();
    t.printer = true;
    t.pageW = p.PageWidth();
    t.pageH = p.PageHeight();
    Replay(t);
    ForgetRecordedPen();
    Screen()->SetCursor(crDefault);
}

void TFkelmgra::FormDblClick(TObject*) {
    DoubleClicked = 1;
}

void TFkelmgra::FormKeyDown(TObject*, std::uint16_t& Key, TShiftState) {
    processKey(Key);
}

void TFkelmgra::processKey(std::uint16_t key) {
    switch (key) {
    case VK_UP:
        LastKey = 0, PanKey = 'H';
        break;
    case VK_DOWN:
        LastKey = 0, PanKey = 'P';
        break;
    case VK_LEFT:
        LastKey = 0, PanKey = 'K';
        break;
    case VK_RIGHT:
        LastKey = 0, PanKey = 'M';
        break;
    case VK_PRIOR:
        LastKey = 0, PanKey = 'I';
        break;
    case VK_NEXT:
        LastKey = 0, PanKey = 'Q';
        break;
    case VK_ADD:
        LastKey = '+', PanKey = ' ';
        break;
    case VK_SUBTRACT:
        LastKey = '-', PanKey = ' ';
        break;
    case VK_ESCAPE:
    case VK_F5:
        LastKey = 0, PanKey = '?';
        ResetZoom();
        break;
    default:
        return;
    }
    const TZoomRect z = ZoomRect;
    const std::int64_t x1 = z.X1, x2 = z.X2, y1 = z.Y1, y2 = z.Y2;
    if (LastKey == '+' || LastKey == '-') {
        const std::int64_t cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
        const auto scaled = [](std::int64_t size) -> long double {
            return LastKey == '+' ? size / ZoomIncrement : size * ZoomIncrement;
        };
        // Half sizes stay within the zoom limit, so zooming out stops instead of overflowing.
        const std::int64_t hy = ClampZoom(scaled(y2 - y1)) / 2;
        const std::int64_t hx = ClampZoom(scaled(x2 - x1)) / 2;
        SetScale(ClampZoom(cx - hx), ClampZoom(cy - hy), ClampZoom(cx + hx), ClampZoom(cy + hy));
    } else {
        const auto fracX = [&](long double f) -> std::int64_t { return ClampZoom((x2 - x1) * f); };
        const auto fracY = [&](long double f) -> std::int64_t { return ClampZoom((y2 - y1) * f); };
        auto shift = [&](std::int64_t dx, std::int64_t dy) {
            SetScale(ClampZoom(x1 + dx), ClampZoom(y1 + dy), ClampZoom(x2 + dx),
                     ClampZoom(y2 + dy));
        };
        switch (PanKey) {
        case '?':
            ResetZoom();
            break;
        case 'H':
            shift(0, -fracY(PanFactor));
            break;
        case 'I':
            shift(0, -fracY(5 * PanFactor));
            break;
        case 'P':
            shift(0, fracY(PanFactor));
            break;
        case 'Q':
            shift(0, fracY(5 * PanFactor));
            break;
        case 'K':
            shift(fracX(PanFactor), 0);
            break;
        case 'M':
            shift(-fracX(PanFactor), 0);
            break;
        default:
            break;
        }
    }
    ClearViewPort();
}

void TFkelmgra::DrawRectangle(int x1, int y1, int x2, int y2) {
    TCanvas& c = *Canvas();
    // The canvas counts device pixels.
    const double r = PixelRatio();
    const auto d = [r](int v) { return static_cast<int>(std::lround(v * r)); };
    x1 = d(x1), y1 = d(y1), x2 = d(x2), y2 = d(y2);
    c.MoveTo(x1, y1);
    c.LineTo(x2, y1);
    c.LineTo(x2, y2);
    c.LineTo(x1, y2);
    c.LineTo(x1, y1);
}

void TFkelmgra::FormMouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
    if (Button == mbRight) {
        ResetZoom();
        ClearViewPort();
        DoubleClicked = 0;
    } else if (Button == mbLeft && DoubleClicked) {
        RestoreLimit();
        ResetZoom();
        ReSetWindow();
        ClearViewPort();
        DoubleClicked = 0;
    } else if (Button == mbLeft && !Dragging) {
        Dragging = 1;
        Canvas()->Pen.Width = 1;
        DragRect = {X, Y, X, Y};
        DoubleClicked = 0;
    } else {
        DoubleClicked = 0;
    }
}

void TFkelmgra::FormMouseMove(TObject*, TShiftState, int X, int Y) {
    if (!Dragging) return;
    TCanvas& c = *Canvas();
    const TPenMode saved = c.Pen.Mode;
    c.Pen.Mode = pmNot;
    DrawRectangle(DragRect.X1, DragRect.Y1, DragRect.X2, DragRect.Y2);
    DragRect.X2 = X;
    DragRect.Y2 = Y;
    DrawRectangle(DragRect.X1, DragRect.Y1, DragRect.X2, DragRect.Y2);
    c.Pen.Mode = saved;
}

void TFkelmgra::FormMouseUp(TObject*, TMouseButton, TShiftState, int X, int Y) {
    if (!Dragging) return;
    DragRect.X2 = X;
    DragRect.Y2 = Y;
    Dragging = 0;
    const TDragRect d = DragRect;
    if (d.X1 == d.X2 || d.Y1 == d.Y2) return;
    SetWaitCursor();
    // Take the dragged corners back to the world through the window's mapping, then find the
    // zoom rectangle that shows that world rectangle (the inverse of SetZoomRect).
    const TScreenMapping m = ClientMapping();
    const long double r = PixelRatio();
    const long double wx1 = m.WorldX(std::min(d.X1, d.X2) * r);
    const long double wx2 = m.WorldX(std::max(d.X1, d.X2) * r);
    const long double wy1 = m.WorldY(std::max(d.Y1, d.Y2) * r);
    const long double wy2 = m.WorldY(std::min(d.Y1, d.Y2) * r);
    const long double ww = WorldWindow.XMax - WorldWindow.XMin;
    const long double wh = WorldWindow.YMax - WorldWindow.YMin;
    if (ww == 0 || wh == 0) {
        ClearViewPort();
        return;
    }
    const long double vw = static_cast<long double>(Viewport.X2) - Viewport.X1;
    const long double vh = static_cast<long double>(Viewport.Y2) - Viewport.Y1;
    const auto zx = [&](long double wx) {
        return std::clamp(Viewport.X1 + (wx - WorldWindow.XMin) / ww * vw,
                          static_cast<long double>(-ZoomRectLimit),
                          static_cast<long double>(ZoomRectLimit));
    };
    const auto zy = [&](long double wy) {
        return std::clamp(Viewport.Y1 + (wy - WorldWindow.YMin) / wh * vh,
                          static_cast<long double>(-ZoomRectLimit),
                          static_cast<long double>(ZoomRectLimit));
    };
    SetZoomRectExact(zx(wx1), zy(wy1), zx(wx2), zy(wy2));
    ClearViewPort();
}
