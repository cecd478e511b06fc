#include "platform/gui/canvas.h"

#include "platform/gui/canvas_qt.h"
#include "platform/gui/screen.h"
#include "platform/os/errors.h"
#include "platform/os/file.h"

#include <QBitmap>
#include <QBuffer>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPolygon>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

// ---------------------------------------------------------------------------------------------
// Colours

namespace {

bool HaveGuiApp() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

// Classic Windows desktop colours, used without a GUI application (batch, images in tests).
TColor DefaultSystemColor(int index) {
    switch (index) {
    case 0:
        return RGB(192, 192, 192); // scroll bar
    case 1:
        return RGB(0, 128, 128); // desktop
    case 5:
        return RGB(255, 255, 255); // window
    case 8:
        return RGB(0, 0, 0); // window text
    case 13:
        return RGB(0, 0, 128); // highlight
    case 14:
        return RGB(255, 255, 255); // highlight text
    case 15:
        return RGB(192, 192, 192); // button face
    case 16:
        return RGB(128, 128, 128); // button shadow
    case 17:
        return RGB(128, 128, 128); // grey text
    case 18:
        return RGB(0, 0, 0); // button text
    case 20:
        return RGB(255, 255, 255); // button highlight
    case 23:
        return RGB(0, 0, 0); // tooltip text
    case 24:
        return RGB(255, 255, 225); // tooltip background
    default:
        return RGB(192, 192, 192);
    }
}

TColor FromQRgb(QRgb c) {
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

} // namespace

namespace {
double Luminance(TColor c) {
    c = ColorToRGB(c);
    const auto lin = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(GetRValue(c)) + 0.7152 * lin(GetGValue(c)) + 0.0722 * lin(GetBValue(c));
}
} // namespace

double ContrastRatio(TColor a, TColor b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TColor WithContrast(TColor c, TColor against, double ratio) {
    c = ColorToRGB(c);
    if (ContrastRatio(c, against) >= ratio) return c;
    // Away from the other colour: toward white from a dark one, toward black from a light one.
    const int target = Luminance(against) < 0.18 ? 255 : 0;
    const auto mix = [&](int v, int k) { return v + (target - v) * k / 64; };
    for (int k = 1; k <= 64; ++k) {
        const TColor m = RGB(mix(GetRValue(c), k), mix(GetGValue(c), k), mix(GetBValue(c), k));
        if (ContrastRatio(m, against) >= ratio) return m;
    }
    return target == 255 ? clWhite : clBlack;
}

TColor ColorToRGB(TColor c) {
    if (c == clNone || c == clDefault) return clWhite;
    if ((static_cast<std::uint32_t>(c) & 0x80000000u) == 0)
        return static_cast<TColor>(static_cast<std::uint32_t>(c) & 0x00FFFFFFu);
    const int index = static_cast<int>(static_cast<std::uint32_t>(c) & 0xFF);
    if (!HaveGuiApp()) return DefaultSystemColor(index);
    const QPalette pal = QGuiApplication::palette();
    QColor q;
    switch (index) {
    case 0:
        q = pal.color(QPalette::Mid);
        break;
    case 1:
        return DefaultSystemColor(1);
    case 5:
        q = pal.color(QPalette::Base);
        break;
    case 8:
        q = pal.color(QPalette::Text);
        break;
    case 13:
        q = pal.color(QPalette::Highlight);
        break;
    case 14:
        q = pal.color(QPalette::HighlightedText);
        break;
    case 15:
        q = pal.color(QPalette::Button);
        break;
    case 16:
        q = pal.color(QPalette::Dark);
        break;
    case 17:
        q = pal.color(QPalette::Disabled, QPalette::Text);
        break;
    case 18:
        q = pal.color(QPalette::ButtonText);
        break;
    case 20:
        q = pal.color(QPalette::Light);
        break;
    case 23:
        q = pal.color(QPalette::ToolTipText);
        break;
    case 24:
        q = pal.color(QPalette::ToolTipBase);
        break;
    default:
        return DefaultSystemColor(index);
    }
    return FromQRgb(q.rgb());
}

QColor ToQColor(TColor c) {
    const TColor v = ColorToRGB(c);
    return QColor(GetRValue(v), GetGValue(v), GetBValue(v));
}

TColor FromQColor(const QColor& c) {
    return FromQRgb(c.rgb());
}

// ---------------------------------------------------------------------------------------------
// Font

namespace {

int MulDivRound(long long a, long long b, long long c) {
    if (c == 0) return 0;
    long long n = a * b;
    long long q = (n >= 0 ? n + c / 2 : n - c / 2) / c;
    q = std::clamp<long long>(q, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    return static_cast<int>(q);
}

int SanePpi(int ppi) {
    return ppi > 0 && ppi < 100000 ? ppi : 96;
}

int RoundToInt(double v) {
    if (!std::isfinite(v)) return 0;
    v = std::nearbyint(v);
    if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

void InstallFontSubstitutes() {
    static bool done = false;
    if (done) return;
    done = true;
    // Windows face names, mapped to the metric-compatible free faces.
    QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "DejaVu Sans"});
    QFont::insertSubstitutions("Microsoft Sans Serif", {"Liberation Sans", "DejaVu Sans"});
    QFont::insertSubstitutions("MS Shell Dlg", {"Liberation Sans", "DejaVu Sans"});
    QFont::insertSubstitutions("MS Shell Dlg 2", {"Liberation Sans", "DejaVu Sans"});
    QFont::insertSubstitutions("Tahoma", {"Liberation Sans", "DejaVu Sans"});
    QFont::insertSubstitutions("System", {"Liberation Sans", "DejaVu Sans"});
    QFont::insertSubstitutions("Arial", {"Liberation Sans", "DejaVu Sans"});
    QFont::insertSubstitutions("Helvetica", {"Liberation Sans", "DejaVu Sans"});
    QFont::insertSubstitutions("Times New Roman", {"Liberation Serif", "DejaVu Serif"});
    QFont::insertSubstitutions("Courier New", {"Liberation Mono", "DejaVu Sans Mono"});
    QFont::insertSubstitutions("Courier", {"Liberation Mono", "DejaVu Sans Mono"});
    QFont::insertSubstitutions("Terminal", {"Liberation Mono", "DejaVu Sans Mono"});
    QFont::insertSubstitutions("Fixedsys", {"Liberation Mono", "DejaVu Sans Mono"});
}

} // namespace

int TFont::Size() const {
    if (!heightGiven_) return size_;
    return -MulDivRound(height_, 72, SanePpi(PixelsPerInch));
}

void TFont::SetSize(int points) {
    size_ = points;
    heightGiven_ = false;
}

int TFont::Height() const {
    if (heightGiven_) return height_;
    return -MulDivRound(size_, SanePpi(PixelsPerInch), 72);
}

void TFont::SetHeight(int pixels) {
    height_ = pixels;
    heightGiven_ = true;
}

QFont ToQFont(const TFont& font, int pixelsPerInch) {
    InstallFontSubstitutes();
    TFont f = font;
    f.PixelsPerInch = SanePpi(pixelsPerInch);
    QFont q(QString::fromStdString(f.Name));
    q.setBold((f.Style & fsBold) != 0);
    q.setItalic((f.Style & fsItalic) != 0);
    q.setUnderline((f.Style & fsUnderline) != 0);
    q.setStrikeOut((f.Style & fsStrikeOut) != 0);
    if (f.Pitch == fpFixed) {
        q.setFixedPitch(true);
        q.setStyleHint(QFont::TypeWriter);
    }
    int h = f.Height();
    if (h == 0) h = -MulDivRound(8, f.PixelsPerInch, 72); // the system's default size
    constexpr int kMaxPixels = 20000;
    if (h < 0) {
        q.setPixelSize(std::clamp(-h, 1, kMaxPixels));
    } else {
        // A positive height is the cell (ascent + descent): find the em size that gives it.
        const int cell = std::clamp(h, 1, kMaxPixels);
        q.setPixelSize(cell);
        const QFontMetricsF fm(q);
        const double measured = fm.ascent() + fm.descent();
        int em = cell;
        if (measured > 0.5)
            em = std::clamp(RoundToInt(cell * static_cast<double>(cell) / measured), 1, kMaxPixels);
        q.setPixelSize(em);
    }
    if (f.Width > 0) {
        const QFontMetricsF fm(q);
        const double avg = fm.averageCharWidth();
        if (avg > 0.01) q.setStretch(std::clamp(RoundToInt(100.0 * f.Width / avg), 1, 4000));
    }
    return q;
}

double FontAdvanceInAverageWidths(const std::string& family, TFontStyles style,
                                  std::string_view text) {
    if (!HaveGuiApp()) return std::numeric_limits<double>::quiet_NaN();
    // Measured large, where hinting leaves the proportions alone; the last font is kept.
    struct Measure {
        std::string family;
        TFontStyles style = 0;
        QFontMetricsF metrics{QFont()};
        double average = 0;
    };
    static std::optional<Measure> last;
    if (!last || last->family != family || last->style != style) {
        TFont f;
        f.Name = family;
        f.Style = style;
        f.SetHeight(-1000);
        const QFontMetricsF m(ToQFont(f, 96));
        last = Measure{family, style, m, m.averageCharWidth()};
    }
    if (!(last->average > 0)) return std::numeric_limits<double>::quiet_NaN();
    return last->metrics.horizontalAdvance(
               QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))) /
           last->average;
}

void FromQFont(const QFont& qfont, TFont& font) {
    font.Name = qfont.family().toStdString();
    TFontStyles s = 0;
    if (qfont.bold()) s |= fsBold;
    if (qfont.italic()) s |= fsItalic;
    if (qfont.underline()) s |= fsUnderline;
    if (qfont.strikeOut()) s |= fsStrikeOut;
    font.Style = s;
    font.Pitch = qfont.fixedPitch() ? fpFixed : fpDefault;
    if (qfont.pointSizeF() > 0)
        font.SetSize(RoundToInt(qfont.pointSizeF()));
    else if (qfont.pixelSize() > 0)
        font.SetHeight(-qfont.pixelSize());
}

// ---------------------------------------------------------------------------------------------
// Canvas

struct TCanvas::Impl {
    QPaintDevice* device = nullptr;
    int ppi = 96;
    std::unique_ptr<QPainter> painter;
    TPoint pos;

    // What the open painter has, to skip redundant state changes in long replays.
    bool stateValid = false;
    TPen pen;
    TBrush brush;

    // The last font asked for: replays write many texts in one font, and finding a face and
    // fitting its size is far dearer than drawing the text.
    bool fontValid = false;
    TFont fontKey;
    int fontPpi = 0;
    QFont qfont;

    const QFont& fontFor(const TFont& f) {
        if (!fontValid || fontPpi != ppi || !(fontKey == f)) {
            qfont = ToQFont(f, ppi);
            fontKey = f;
            fontPpi = ppi;
            fontValid = true;
        }
        return qfont;
    }

    bool isImage() const { return device != nullptr && device->devType() == QInternal::Image; }
    QImage* image() const { return isImage() ? static_cast<QImage*>(device) : nullptr; }

    QPainter* begin() {
        if (painter) return painter.get();
        if (device == nullptr) return nullptr;
        if (auto* img = image(); img != nullptr && img->isNull()) return nullptr;
        auto p = std::make_unique<QPainter>();
        if (!p->begin(device)) return nullptr;
        p->setRenderHint(QPainter::Antialiasing, false);
        p->setRenderHint(QPainter::TextAntialiasing, true);
        painter = std::move(p);
        stateValid = false;
        return painter.get();
    }

    void end() {
        if (painter) {
            if (painter->isActive()) painter->end();
            painter.reset();
        }
        stateValid = false;
    }
};

namespace {

// Windows styled-line patterns in screen pixels (on, off, ...); scaled to the device's resolution
// so a dash keeps its length on paper.
std::vector<double> PatternFor(TPenStyle s) {
    switch (s) {
    case psDash:
        return {18, 6};
    case psDot:
        return {3, 3};
    case psDashDot:
        return {9, 6, 3, 6};
    case psDashDotDot:
        return {9, 3, 3, 3, 3, 3};
    default:
        return {};
    }
}

QPen MakeQPen(const TPen& p, int ppi) {
    if (p.Style == psClear) return QPen(Qt::NoPen);
    const int w = std::clamp(p.Width, 1, 10000);
    QPen pen(ToQColor(p.Color));
    pen.setWidth(w);
    pen.setJoinStyle(w > 1 ? Qt::RoundJoin : Qt::MiterJoin);
    const std::vector<double> pattern = PatternFor(p.Style);
    if (pattern.empty()) {
        // Flat caps leave out a thin line's end pixel, as the Windows line drawing does.
        pen.setCapStyle(w > 1 ? Qt::RoundCap : Qt::FlatCap);
        return pen;
    }
    pen.setCapStyle(Qt::FlatCap);
    const double scale = std::max(1.0, ppi / 96.0);
    QList<qreal> dashes;
    for (double d : pattern)
        dashes.append(std::max(0.5, d * scale / w)); // Qt counts dashes in pen widths
    pen.setDashPattern(dashes);
    return pen;
}

QBrush MakeQBrush(const TBrush& b) {
    const QColor c = ToQColor(b.Color);
    switch (b.Style) {
    case bsSolid:
        return QBrush(c, Qt::SolidPattern);
    case bsClear:
        return QBrush(Qt::NoBrush);
    case bsHorizontal:
        return QBrush(c, Qt::HorPattern);
    case bsVertical:
        return QBrush(c, Qt::VerPattern);
    case bsFDiagonal:
        return QBrush(c, Qt::BDiagPattern); // Qt names the diagonals the other way
    case bsBDiagonal:
        return QBrush(c, Qt::FDiagPattern);
    case bsCross:
        return QBrush(c, Qt::CrossPattern);
    case bsDiagCross:
        return QBrush(c, Qt::DiagCrossPattern);
    }
    return QBrush(Qt::NoBrush);
}

QPainter::CompositionMode ModeFor(TPenMode m) {
    switch (m) {
    case pmNot:
        return QPainter::RasterOp_NotDestination;
    case pmXor:
        return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor:
        return QPainter::RasterOp_NotSourceXorDestination;
    case pmCopy:
        break;
    }
    return QPainter::CompositionMode_SourceOver;
}

// Keeps coordinates inside a range the rasteriser handles; clipping does the rest.
constexpr int kCoordLimit = 1 << 27;
int Clip(int v) {
    return std::clamp(v, -kCoordLimit, kCoordLimit);
}

QString ToQ(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Normalised box: left < right, top < bottom (a GDI box may be given in any corner order).
void Normalise(int& x1, int& y1, int& x2, int& y2) {
    x1 = Clip(x1), y1 = Clip(y1), x2 = Clip(x2), y2 = Clip(y2);
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
}

// Parametric angle in 1/16 degree of the point where the ray from the box centre through (px,
// py) meets the ellipse; Qt measures arcs by the ellipse parameter, Windows by the ray.
double RayParamAngle(const QRectF& box, int px, int py) {
    const double cx = box.center().x();
    const double cy = box.center().y();
    const double rx = std::max(box.width() / 2.0, 1e-9);
    const double ry = std::max(box.height() / 2.0, 1e-9);
    const double dx = px - cx;
    const double dy = cy - py; // y up
    if (dx == 0.0 && dy == 0.0) return 0.0;
    double deg = std::atan2(dy / ry, dx / rx) * 180.0 / M_PI;
    if (deg < 0) deg += 360.0;
    return deg;
}

struct ArcAngles {
    int start16;
    int span16;
};

ArcAngles ArcFor(const QRectF& box, int x3, int y3, int x4, int y4) {
    const double a1 = RayParamAngle(box, x3, y3);
    const double a2 = RayParamAngle(box, x4, y4);
    double span = a2 - a1;
    while (span <= 0.0)
        span += 360.0;
    // Equal rays: the whole ellipse.
    if (span >= 360.0 - 1e-9 || (x3 == x4 && y3 == y4)) span = 360.0;
    return {RoundToInt(a1 * 16.0), RoundToInt(span * 16.0)};
}

} // namespace

namespace {

// Applies pen, brush and raster mode to the painter when they changed since the last call.
QPainter* Prepare(TCanvas::Impl& d, const TCanvas& c) {
    QPainter* p = d.begin();
    if (p == nullptr) return nullptr;
    if (!d.stateValid || !(d.pen == c.Pen)) {
        p->setPen(MakeQPen(c.Pen, d.ppi));
        if (d.isImage()) p->setCompositionMode(ModeFor(c.Pen.Mode));
        d.pen = c.Pen;
    }
    if (!d.stateValid || !(d.brush == c.Brush)) {
        p->setBrush(MakeQBrush(c.Brush));
        d.brush = c.Brush;
    }
    d.stateValid = true;
    return p;
}

void Changed(const TCanvas& c) {
    if (c.OnChange) c.OnChange();
}

} // namespace

TCanvas::TCanvas() : impl_(std::make_unique<Impl>()) {}

TCanvas::~TCanvas() {
    impl_->end();
}

bool TCanvas::HandleAllocated() const {
    if (impl_->device == nullptr) return false;
    if (auto* img = impl_->image()) return !img->isNull();
    return true;
}

TSize TCanvas::DeviceSize() const {
    if (impl_->device == nullptr) return {};
    if (auto* img = impl_->image()) return {img->width(), img->height()};
    return {impl_->device->width(), impl_->device->height()};
}

int TCanvas::PixelsPerInch() const {
    return impl_->ppi;
}

TPoint TCanvas::PenPos() const {
    return impl_->pos;
}
void TCanvas::SetPenPos(TPoint p) {
    impl_->pos = p;
}
void TCanvas::MoveTo(int x, int y) {
    impl_->pos = {x, y};
}

void TCanvas::LineTo(int x, int y) {
    if (QPainter* p = Prepare(*impl_, *this)) {
        p->drawLine(QPoint(Clip(impl_->pos.x), Clip(impl_->pos.y)), QPoint(Clip(x), Clip(y)));
        Changed(*this);
    }
    impl_->pos = {x, y};
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    Normalise(x1, y1, x2, y2);
    QPainter* p = Prepare(*impl_, *this);
    if (p == nullptr || x2 - x1 < 1 || y2 - y1 < 1) return;
    if (Pen.Style == psClear) {
        // Without a pen the filled area is one pixel smaller in each direction.
        if (Brush.Style != bsClear && x2 - x1 > 1 && y2 - y1 > 1)
            p->fillRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1), p->brush());
    } else {
        // An aliased outline covers the rectangle plus one pixel: this gives x1 .. x2 - 1.
        p->drawRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
    }
    Changed(*this);
}

void TCanvas::FillRect(const TRect& r) {
    int x1 = r.Left, y1 = r.Top, x2 = r.Right, y2 = r.Bottom;
    Normalise(x1, y1, x2, y2);
    QPainter* p = Prepare(*impl_, *this);
    if (p == nullptr || x2 == x1 || y2 == y1 || Brush.Style == bsClear) return;
    p->fillRect(QRect(x1, y1, x2 - x1, y2 - y1), p->brush());
    Changed(*this);
}

void TCanvas::FrameRect(const TRect& r) {
    int x1 = r.Left, y1 = r.Top, x2 = r.Right, y2 = r.Bottom;
    Normalise(x1, y1, x2, y2);
    QPainter* p = Prepare(*impl_, *this);
    if (p == nullptr || x2 == x1 || y2 == y1) return;
    const QColor c = ToQColor(Brush.Color);
    p->fillRect(QRect(x1, y1, x2 - x1, 1), c);
    p->fillRect(QRect(x1, y2 - 1, x2 - x1, 1), c);
    p->fillRect(QRect(x1, y1, 1, y2 - y1), c);
    p->fillRect(QRect(x2 - 1, y1, 1, y2 - y1), c);
    Changed(*this);
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    Normalise(x1, y1, x2, y2);
    QPainter* p = Prepare(*impl_, *this);
    if (p == nullptr || x2 - x1 < 1 || y2 - y1 < 1) return;
    p->drawEllipse(QRectF(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
    Changed(*this);
}

namespace {
enum class ArcKind { Arc, Chord, Pie };

void DrawArcKind(TCanvas& c, TCanvas::Impl& d, ArcKind kind, int x1, int y1, int x2, int y2, int x3,
                 int y3, int x4, int y4) {
    Normalise(x1, y1, x2, y2);
    QPainter* p = Prepare(d, c);
    if (p == nullptr || x2 - x1 < 1 || y2 - y1 < 1) return;
    const QRectF box(x1, y1, x2 - x1 - 1, y2 - y1 - 1);
    const ArcAngles a = ArcFor(box, Clip(x3), Clip(y3), Clip(x4), Clip(y4));
    switch (kind) {
    case ArcKind::Arc:
        p->drawArc(box, a.start16, a.span16);
        break;
    case ArcKind::Chord:
        p->drawChord(box, a.start16, a.span16);
        break;
    case ArcKind::Pie:
        p->drawPie(box, a.start16, a.span16);
        break;
    }
    Changed(c);
}
} // namespace

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    DrawArcKind(*this, *impl_, ArcKind::Arc, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    DrawArcKind(*this, *impl_, ArcKind::Chord, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    DrawArcKind(*this, *impl_, ArcKind::Pie, x1, y1, x2, y2, x3, y3, x4, y4);
}

namespace {
QPolygon ToQPolygon(std::span<const TPoint> points) {
    QPolygon poly;
    poly.reserve(static_cast<qsizetype>(points.size()));
    for (const TPoint& pt : points)
        poly.append(QPoint(Clip(pt.x), Clip(pt.y)));
    return poly;
}
} // namespace

void TCanvas::Polygon(std::span<const TPoint> points) {
    QPainter* p = Prepare(*impl_, *this);
    if (p == nullptr || points.size() < 2) return;
    p->drawPolygon(ToQPolygon(points), Qt::OddEvenFill);
    Changed(*this);
}

void TCanvas::Polyline(std::span<const TPoint> points) {
    QPainter* p = Prepare(*impl_, *this);
    if (p == nullptr || points.size() < 2) return;
    p->drawPolyline(ToQPolygon(points));
    Changed(*this);
}

namespace {

// Draws text with its cell's top-left corner at (x, y), rotated about that point.
int DrawTextAt(TCanvas& c, TCanvas::Impl& d, int x, int y, std::string_view text,
               const QRect* clip) {
    QPainter* p = Prepare(d, c);
    if (p == nullptr || !HaveGuiApp()) return 0;
    const QFont f = d.fontFor(c.Font);
    const QString s = ToQ(text);
    const QFontMetricsF fm(f, d.device);
    const double width = fm.horizontalAdvance(s);
    const double height = fm.ascent() + fm.descent();
    const int advance = RoundToInt(std::ceil(width - 1e-6));
    p->save();
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (clip != nullptr) {
        p->setClipRect(*clip);
        if (c.Brush.Style != bsClear) p->fillRect(*clip, ToQColor(c.Brush.Color));
    }
    p->translate(Clip(x), Clip(y));
    if (c.Font.Orientation % 3600 != 0) p->rotate(-c.Font.Orientation / 10.0);
    if (clip == nullptr && c.Brush.Style != bsClear)
        p->fillRect(QRectF(0, 0, width, height), ToQColor(c.Brush.Color));
    p->setFont(f);
    p->setPen(QPen(ToQColor(c.Font.Color)));
    p->drawText(QPointF(0, fm.ascent()), s);
    p->restore();
    d.stateValid = false; // restore() brought back the saved pen and brush; re-apply to be safe
    Changed(c);
    return advance;
}

} // namespace

void TCanvas::TextOut(int x, int y, std::string_view text) {
    const int w = DrawTextAt(*this, *impl_, x, y, text, nullptr);
    impl_->pos = {x + w, y};
}

void TCanvas::TextRect(const TRect& r, int x, int y, std::string_view text) {
    int x1 = r.Left, y1 = r.Top, x2 = r.Right, y2 = r.Bottom;
    Normalise(x1, y1, x2, y2);
    const QRect clip(Clip(x1), Clip(y1), Clip(x2) - Clip(x1), Clip(y2) - Clip(y1));
    DrawTextAt(*this, *impl_, x, y, text, &clip);
}

int TCanvas::DrawText(TRect& r, std::string_view text, unsigned format) {
    if (!HaveGuiApp()) return 0;
    int x1 = r.Left, y1 = r.Top, x2 = r.Right, y2 = r.Bottom;
    Normalise(x1, y1, x2, y2);
    const QFont& f = impl_->fontFor(Font);
    int flags = 0;
    if (format & DT_CENTER)
        flags |= Qt::AlignHCenter;
    else if (format & DT_RIGHT)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            flags |= Qt::AlignVCenter;
        else if (format & DT_BOTTOM)
            flags |= Qt::AlignBottom;
        else
            flags |= Qt::AlignTop;
    } else {
        flags |= Qt::AlignTop;
    }
    if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE)) flags |= Qt::TextWordWrap;
    if (format & DT_EXPANDTABS) flags |= Qt::TextExpandTabs;
    if (!(format & DT_NOPREFIX)) flags |= Qt::TextShowMnemonic;
    if (format & DT_NOCLIP) flags |= Qt::TextDontClip;
    QString s = ToQ(text);
    if (format & DT_SINGLELINE)
        s.replace(QLatin1Char('\n'), QLatin1Char(' ')).remove(QLatin1Char('\r'));
    const QRect box(x1, y1, x2 - x1, y2 - y1);
    if (format & DT_CALCRECT) {
        const QFontMetricsF fm(f, impl_->device);
        // An empty width means "as wide as the text" for a single line.
        const int width = (format & DT_WORDBREAK) && box.width() > 0 ? box.width() : 100000;
        const QRectF need = fm.boundingRect(QRectF(x1, y1, width, 100000), flags, s);
        const int needW = RoundToInt(std::ceil(need.width() - 1e-6));
        const int needH = RoundToInt(std::ceil(need.height() - 1e-6));
        r.Bottom = y1 + needH;
        if (!(format & DT_WORDBREAK) || box.width() <= 0) r.Right = x1 + needW;
        return needH;
    }
    QPainter* p = Prepare(*impl_, *this);
    if (p == nullptr) return 0;
    p->save();
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->setFont(f);
    p->setPen(QPen(ToQColor(Font.Color)));
    p->setLayoutDirection((format & DT_RTLREADING) ? Qt::RightToLeft : Qt::LeftToRight);
    QRect used;
    p->drawText(box, flags, s, &used);
    p->restore();
    impl_->stateValid = false;
    Changed(*this);
    return used.height();
}

TSize TCanvas::TextExtent(std::string_view text) const {
    if (!HaveGuiApp()) return {};
    const QFont f = impl_->fontFor(Font);
    const QString s = ToQ(text);
    if (impl_->device != nullptr && HandleAllocated()) {
        const QFontMetricsF fm(f, impl_->device);
        return {RoundToInt(std::ceil(fm.horizontalAdvance(s) - 1e-6)),
                RoundToInt(std::ceil(fm.ascent() + fm.descent() - 1e-6))};
    }
    const QFontMetricsF fm(f);
    return {RoundToInt(std::ceil(fm.horizontalAdvance(s) - 1e-6)),
            RoundToInt(std::ceil(fm.ascent() + fm.descent() - 1e-6))};
}

TColor TCanvas::Pixel(int x, int y) const {
    const QImage* img = impl_->image();
    if (img == nullptr || img->isNull() || x < 0 || y < 0 || x >= img->width() ||
        y >= img->height())
        return clInvalid;
    return FromQRgb(img->pixel(x, y));
}

void TCanvas::SetPixel(int x, int y, TColor c) {
    QPainter* p = Prepare(*impl_, *this);
    if (p == nullptr) return;
    p->save();
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->fillRect(QRect(Clip(x), Clip(y), 1, 1), ToQColor(c));
    p->restore();
    Changed(*this);
}

void TCanvas::FloodFill(int x, int y, TColor c, TFillStyle style) {
    QImage* img = impl_->image();
    if (img == nullptr || img->isNull() || x < 0 || y < 0 || x >= img->width() ||
        y >= img->height() || Brush.Style == bsClear)
        return;
    impl_->end(); // read the finished picture
    const int w = img->width();
    const int h = img->height();
    const QRgb target = ToQColor(c).rgb() & 0xFFFFFFu;
    const QImage& src = *img;
    auto rgbAt = [&](int px, int py) { return src.pixel(px, py) & 0xFFFFFFu; };
    auto inside = [&](int px, int py) {
        const QRgb v = rgbAt(px, py);
        return style == fsSurface ? v == target : v != target;
    };
    if (!inside(x, y)) return;
    QImage mask(w, h, QImage::Format_Mono);
    if (mask.isNull()) return;
    mask.setColor(0, qRgb(255, 255, 255)); // outside the region
    mask.setColor(1, qRgb(0, 0, 0));       // inside
    mask.fill(0);
    std::vector<bool> seen(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), false);
    auto idx = [w](int px, int py) {
        return static_cast<std::size_t>(py) * static_cast<std::size_t>(w) +
               static_cast<std::size_t>(px);
    };
    std::vector<QPoint> stack{{x, y}};
    while (!stack.empty()) {
        QPoint pt = stack.back();
        stack.pop_back();
        int lx = pt.x();
        const int py = pt.y();
        if (seen[idx(lx, py)] || !inside(lx, py)) continue;
        while (lx > 0 && !seen[idx(lx - 1, py)] && inside(lx - 1, py))
            --lx;
        int rx = lx;
        while (rx < w && !seen[idx(rx, py)] && inside(rx, py)) {
            seen[idx(rx, py)] = true;
            mask.setPixel(rx, py, 1);
            ++rx;
        }
        for (int ny : {py - 1, py + 1}) {
            if (ny < 0 || ny >= h) continue;
            for (int sx = lx; sx < rx; ++sx)
                if (!seen[idx(sx, ny)] && inside(sx, ny)) stack.push_back({sx, ny});
        }
    }
    QPainter* p = Prepare(*impl_, *this);
    if (p == nullptr) return;
    const QRegion region(QBitmap::fromImage(mask));
    p->save();
    p->setClipRegion(region);
    p->fillRect(region.boundingRect(), p->brush());
    p->restore();
    impl_->stateValid = false;
    Changed(*this);
}

void TCanvas::CopyRect(const TRect& dest, const TCanvas& source, const TRect& src) {
    const QImage* srcImg = source.impl_->image();
    if (srcImg == nullptr || srcImg->isNull()) return;
    int sx1 = src.Left, sy1 = src.Top, sx2 = src.Right, sy2 = src.Bottom;
    Normalise(sx1, sy1, sx2, sy2);
    const QRect from = QRect(sx1, sy1, sx2 - sx1, sy2 - sy1).intersected(srcImg->rect());
    if (from.isEmpty()) return;
    const QImage part = srcImg->copy(from); // the source may be this very image
    QPainter* p = Prepare(*impl_, *this);
    if (p == nullptr) return;
    // Where src reached outside the source picture, dest shrinks in proportion.
    const double kx = (dest.Right - static_cast<double>(dest.Left)) / std::max(1, sx2 - sx1);
    const double ky = (dest.Bottom - static_cast<double>(dest.Top)) / std::max(1, sy2 - sy1);
    const QRectF to(Clip(dest.Left) + (from.left() - sx1) * kx,
                    Clip(dest.Top) + (from.top() - sy1) * ky, from.width() * kx,
                    from.height() * ky);
    p->save();
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->drawImage(to, part);
    p->restore();
    impl_->stateValid = false;
    Changed(*this);
}

void TCanvas::StretchDraw(const TRect& r, const TCanvas& source) {
    const QImage* srcImg = source.impl_->image();
    if (srcImg == nullptr || srcImg->isNull()) return;
    const QImage copy = srcImg->copy(); // the source may be this very image
    QPainter* p = Prepare(*impl_, *this);
    if (p == nullptr) return;
    p->save();
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->drawImage(QRect(Clip(r.Left), Clip(r.Top), Clip(r.Right) - Clip(r.Left),
                       Clip(r.Bottom) - Clip(r.Top)),
                 copy);
    p->restore();
    impl_->stateValid = false;
    Changed(*this);
}

void TCanvas::Draw(int x, int y, const TCanvas& source) {
    const TSize s = source.DeviceSize();
    StretchDraw(TRect{x, y, x + s.cx, y + s.cy}, source);
}

// ---------------------------------------------------------------------------------------------
// Qt binding

void CanvasSetDevice(TCanvas& canvas, QPaintDevice* device, int pixelsPerInch) {
    TCanvas::Impl& d = canvas.impl();
    d.end();
    d.device = device;
    if (pixelsPerInch <= 0 && device != nullptr && device->devType() != QInternal::Image)
        pixelsPerInch = device->logicalDpiY();
    if (pixelsPerInch <= 0) pixelsPerInch = Screen()->PixelsPerInch();
    d.ppi = SanePpi(pixelsPerInch);
    canvas.Font.PixelsPerInch = d.ppi;
}

QPaintDevice* CanvasDevice(const TCanvas& canvas) {
    return canvas.impl().device;
}

void CanvasRelease(TCanvas& canvas) {
    canvas.impl().end();
}

bool CanvasBegin(TCanvas& canvas) {
    return canvas.impl().begin() != nullptr;
}

QPainter* CanvasPainter(TCanvas& canvas) {
    QPainter* p = Prepare(canvas.impl(), canvas);
    if (p != nullptr && HaveGuiApp()) p->setFont(canvas.impl().fontFor(canvas.Font));
    return p;
}

// ---------------------------------------------------------------------------------------------
// Bitmap

struct TBitmap::Data {
    QImage image;
};

TBitmap::TBitmap() : data_(std::make_unique<Data>()) {}

TBitmap::TBitmap(int width, int height) : TBitmap() {
    SetSize(width, height);
}

TBitmap::~TBitmap() {
    CanvasRelease(canvas_);
}

int TBitmap::Width() const {
    return data_->image.width();
}
int TBitmap::Height() const {
    return data_->image.height();
}

namespace {
constexpr int kMaxBitmapSide = 32767;

void SetImageDpi(QImage& img, int ppi) {
    const int dpm = RoundToInt(ppi / 0.0254);
    img.setDotsPerMeterX(dpm);
    img.setDotsPerMeterY(dpm);
}
} // namespace

bool TBitmap::SetSize(int width, int height) {
    width = std::clamp(width, 0, kMaxBitmapSide);
    height = std::clamp(height, 0, kMaxBitmapSide);
    if (width == Width() && height == Height()) return true;
    CanvasRelease(canvas_);
    if (width == 0 || height == 0) {
        data_->image = QImage();
        CanvasSetDevice(canvas_, nullptr);
        return true;
    }
    QImage next(width, height, QImage::Format_RGB32);
    if (next.isNull()) {
        lastError_ = "Out of memory for a bitmap of " + std::to_string(width) + " x " +
                     std::to_string(height) + " pixels";
        return false;
    }
    next.fill(Qt::white);
    if (!data_->image.isNull()) {
        QPainter p(&next);
        p.drawImage(0, 0, data_->image);
    }
    const int ppi = Screen()->PixelsPerInch();
    SetImageDpi(next, ppi);
    data_->image = std::move(next);
    CanvasSetDevice(canvas_, &data_->image, ppi);
    return true;
}

namespace {

std::string LowerExt(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string e = path.substr(dot + 1);
    for (char& ch : e)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return e;
}

std::string WriteErrorText(const std::string& path, int code) {
    return path + ": " + os::ErrorCauseText(code, path); // the cause in words
}

} // namespace

bool TBitmap::SaveToFile(const std::string& path) {
    lastError_.clear();
    CanvasRelease(canvas_);
    if (data_->image.isNull()) {
        lastError_ = "The bitmap is empty";
        return false;
    }
    const std::string ext = LowerExt(path);
    const char* format = "PNG";
    if (ext == "bmp")
        format = "BMP";
    else if (ext == "jpg" || ext == "jpeg")
        format = "JPG";
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(data_->image)) {
        lastError_ = path + ": " + writer.errorString().toStdString();
        return false;
    }
    buffer.close();
    const int rc = os::WriteWholeFileAtomic(
        path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (rc != os::kOk) {
        lastError_ = WriteErrorText(path, rc);
        return false;
    }
    return true;
}

bool TBitmap::LoadFromFile(const std::string& path) {
    lastError_.clear();
    QImageReader reader(QString::fromStdString(path));
    QImage img = reader.read();
    if (img.isNull()) {
        lastError_ = path + ": " + reader.errorString().toStdString();
        return false;
    }
    if (img.width() > kMaxBitmapSide || img.height() > kMaxBitmapSide) {
        lastError_ = path + ": the picture is too large";
        return false;
    }
    CanvasRelease(canvas_);
    img = img.convertToFormat(QImage::Format_RGB32);
    const int ppi = Screen()->PixelsPerInch();
    SetImageDpi(img, ppi);
    data_->image = std::move(img);
    CanvasSetDevice(canvas_, &data_->image, ppi);
    return true;
}

QImage& BitmapImage(TBitmap& bitmap) {
    CanvasRelease(*bitmap.Canvas());
    return bitmap.data().image;
}

const QImage& BitmapImage(const TBitmap& bitmap) {
    return bitmap.data().image;
}
