// Canvas on an in-memory bitmap: pixel coverage of the Windows-style primitives, pen styles,
// arcs, fills, text placement and rotation, raster modes, PNG files.

#include "platform/gui/application.h"
#include "platform/gui/canvas.h"
#include "platform/gui/canvas_qt.h"
#include "platform/gui/screen.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// The program's own application object, created once for all tests (never destroyed).
void EnsureApp() {
    Application->Initialize();
}

class GuiCanvas : public ::testing::Test {
protected:
    void SetUp() override { EnsureApp(); }

    // True when a pixel within d of (x, y) has colour c.
    static bool Near(const TCanvas& cv, double x, double y, TColor c, int d = 1) {
        const int ix = static_cast<int>(std::lround(x));
        const int iy = static_cast<int>(std::lround(y));
        for (int dy = -d; dy <= d; ++dy)
            for (int dx = -d; dx <= d; ++dx)
                if (cv.Pixel(ix + dx, iy + dy) == c) return true;
        return false;
    }

    // Lengths of the alternating runs (first run "on") of colour c along row y from x0 to x1.
    static std::vector<int> Runs(const TCanvas& cv, int y, int x0, int x1, TColor c) {
        std::vector<int> runs;
        bool on = true;
        int len = 0;
        for (int x = x0; x < x1; ++x) {
            const bool px = cv.Pixel(x, y) == c;
            if (px == on) {
                ++len;
            } else {
                runs.push_back(len);
                on = px;
                len = 1;
            }
        }
        runs.push_back(len);
        return runs;
    }

    static int CountColour(const TCanvas& cv, int x0, int y0, int x1, int y1, TColor c) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (cv.Pixel(x, y) == c) ++n;
        return n;
    }

    static int CountNot(const TCanvas& cv, int x0, int y0, int x1, int y1, TColor c) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (cv.Pixel(x, y) != c && cv.Pixel(x, y) != clInvalid) ++n;
        return n;
    }
};

TEST_F(GuiCanvas, ColoursAreWindowsColorRefs) {
    EXPECT_EQ(RGB(255, 0, 0), 0x0000FF);
    EXPECT_EQ(RGB(0, 0, 255), 0xFF0000);
    EXPECT_EQ(GetRValue(0x123456), 0x56);
    EXPECT_EQ(GetGValue(0x123456), 0x34);
    EXPECT_EQ(GetBValue(0x123456), 0x12);
    const QColor q = ToQColor(clRed);
    EXPECT_EQ(q.red(), 255);
    EXPECT_EQ(q.blue(), 0);
    EXPECT_EQ(FromQColor(QColor(0, 0, 128)), clNavy);
    // Contrast as the accessibility guidelines measure it, and colours made to read.
    EXPECT_NEAR(ContrastRatio(clBlack, clWhite), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(clBlue, clBlack), 2.44, 0.01);
    EXPECT_NEAR(ContrastRatio(clRed, clWhite), 4.0, 0.01);
    EXPECT_EQ(WithContrast(clRed, clWhite, 3.0), clRed); // reads already: unchanged
    for (const TColor bg : {clBlack, clWhite})
        for (const TColor c : {clBlue, clNavy, clYellow, clAqua, clMaroon}) {
            const TColor m = WithContrast(c, bg, 4.5);
            EXPECT_GE(ContrastRatio(m, bg), 4.5) << c << " on " << bg;
            // The hue stays: the strongest channel of the colour is still the strongest.
            const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            const int strongest = r >= g && r >= b ? 0 : g >= b ? 1 : 2;
            const int mr = GetRValue(m), mg = GetGValue(m), mb = GetBValue(m);
            const int channel[3] = {mr, mg, mb};
            EXPECT_EQ(channel[strongest], std::max({mr, mg, mb})) << c << " on " << bg;
        }
    // System colours resolve to plain colours; clNone never reaches a device as a system value.
    EXPECT_GE(ColorToRGB(clBtnFace), 0);
    EXPECT_LE(ColorToRGB(clBtnFace), 0xFFFFFF);
    EXPECT_EQ(ColorToRGB(clNone), clWhite);
    EXPECT_EQ(ColorToRGB(0x7F123456), 0x123456); // stray high bits are not a colour

    TBitmap bmp(4, 4);
    bmp.Canvas()->SetPixel(1, 2, RGB(10, 20, 30));
    EXPECT_EQ(bmp.Canvas()->Pixel(1, 2), RGB(10, 20, 30));
    EXPECT_EQ(bmp.Canvas()->Pixel(0, 0), clWhite); // a new bitmap is white
    EXPECT_EQ(bmp.Canvas()->Pixel(4, 0), clInvalid);
    EXPECT_EQ(bmp.Canvas()->Pixel(-1, 0), clInvalid);
}

TEST_F(GuiCanvas, FontSizeAndHeightConvertLikeWindows) {
    TFont f;
    f.PixelsPerInch = 96;
    f.SetSize(10);
    EXPECT_EQ(f.Height(), -13); // -MulDiv(10, 96, 72)
    EXPECT_FALSE(f.HeightInPixels());
    f.SetHeight(-20);
    EXPECT_EQ(f.Size(), 15); // -MulDiv(-20, 72, 96)
    EXPECT_TRUE(f.HeightInPixels());
    f.PixelsPerInch = 600;
    f.SetSize(12);
    EXPECT_EQ(f.Height(), -100);
}

TEST_F(GuiCanvas, LineExcludesEndPixelAndMovesPen) {
    TBitmap bmp(50, 50);
    TCanvas& c = *bmp.Canvas();
    c.Pen.Color = clBlack;
    c.MoveTo(5, 10);
    c.LineTo(20, 10);
    EXPECT_EQ(c.PenPos(), (TPoint{20, 10}));
    EXPECT_EQ(c.Pixel(5, 10), clBlack);
    EXPECT_EQ(c.Pixel(19, 10), clBlack);
    EXPECT_EQ(c.Pixel(20, 10), clWhite);
    EXPECT_EQ(c.Pixel(4, 10), clWhite);
    EXPECT_EQ(CountNot(c, 0, 0, 50, 50, clWhite), 15);
    // A vertical line continues from the pen position.
    c.LineTo(20, 30);
    EXPECT_EQ(c.Pixel(20, 10), clBlack);
    EXPECT_EQ(c.Pixel(20, 29), clBlack);
    EXPECT_EQ(c.Pixel(20, 30), clWhite);
    // A clear pen draws nothing but still moves.
    c.Pen.Style = psClear;
    c.LineTo(40, 30);
    EXPECT_EQ(c.Pixel(30, 30), clWhite);
    EXPECT_EQ(c.PenPos(), (TPoint{40, 30}));
}

TEST_F(GuiCanvas, PenStylesFollowWindowsPatterns) {
    struct Case {
        TPenStyle style;
        std::vector<int> pattern; // on, off, ...
    };
    const std::vector<Case> cases = {
        {psSolid, {}},
        {psDash, {18, 6}},
        {psDot, {3, 3}},
        {psDashDot, {9, 6, 3, 6}},
        {psDashDotDot, {9, 3, 3, 3, 3, 3}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(static_cast<int>(k.style));
        TBitmap bmp(400, 10);
        TCanvas& c = *bmp.Canvas();
        c.Pen.Style = k.style;
        c.Pen.Color = clBlue;
        c.MoveTo(10, 5);
        c.LineTo(370, 5);
        EXPECT_EQ(c.Pixel(9, 5), clWhite);
        EXPECT_EQ(c.Pixel(10, 5), clBlue); // every pattern starts with ink
        EXPECT_EQ(c.Pixel(370, 5), clWhite);
        const std::vector<int> runs = Runs(c, 5, 10, 370, clBlue);
        if (k.pattern.empty()) {
            ASSERT_EQ(runs.size(), 1u);
            EXPECT_EQ(runs[0], 360);
            continue;
        }
        // All complete runs (the last may be cut by the line's end) repeat the pattern.
        ASSERT_GT(runs.size(), 2 * k.pattern.size());
        for (std::size_t i = 0; i + 1 < runs.size(); ++i)
            EXPECT_NEAR(runs[i], k.pattern[i % k.pattern.size()], 1) << "run " << i;
        // Only one row is touched.
        EXPECT_EQ(CountNot(c, 0, 0, 400, 5, clWhite) + CountNot(c, 0, 6, 400, 10, clWhite), 0);
    }
}

TEST_F(GuiCanvas, WidePenKeepsItsWidthAndPattern) {
    TBitmap bmp(300, 40);
    TCanvas& c = *bmp.Canvas();
    c.Pen.Width = 5;
    c.Pen.Color = clBlack;
    c.MoveTo(20, 20);
    c.LineTo(280, 20);
    EXPECT_EQ(c.Pixel(150, 18), clBlack);
    EXPECT_EQ(c.Pixel(150, 22), clBlack);
    EXPECT_EQ(c.Pixel(150, 15), clWhite);
    EXPECT_EQ(c.Pixel(150, 25), clWhite);
    // A wide dashed pen still shows gaps, with dashes of the same length on the screen.
    TBitmap dash(300, 40);
    TCanvas& d = *dash.Canvas();
    d.Pen.Width = 3;
    d.Pen.Style = psDash;
    d.MoveTo(20, 20);
    d.LineTo(280, 20);
    const std::vector<int> runs = Runs(d, 20, 20, 280, clBlack);
    ASSERT_GT(runs.size(), 4u);
    EXPECT_NEAR(runs[0], 18, 1);
    EXPECT_NEAR(runs[1], 6, 1);
}

TEST_F(GuiCanvas, RectangleAndFillRectExcludeRightAndBottom) {
    TBitmap bmp(40, 40);
    TCanvas& c = *bmp.Canvas();
    c.Pen.Color = clRed;
    c.Brush.Color = clYellow;
    c.Rectangle(10, 10, 20, 20);
    EXPECT_EQ(c.Pixel(10, 10), clRed);
    EXPECT_EQ(c.Pixel(19, 19), clRed);
    EXPECT_EQ(c.Pixel(19, 10), clRed);
    EXPECT_EQ(c.Pixel(20, 20), clWhite);
    EXPECT_EQ(c.Pixel(20, 15), clWhite);
    EXPECT_EQ(c.Pixel(15, 15), clYellow);
    EXPECT_EQ(CountColour(c, 0, 0, 40, 40, clRed), 36);
    EXPECT_EQ(CountColour(c, 0, 0, 40, 40, clYellow), 64);

    c.Brush.Color = clGreen;
    c.FillRect(Rect(25, 25, 30, 28));
    EXPECT_EQ(CountColour(c, 0, 0, 40, 40, clGreen), 15);
    EXPECT_EQ(c.Pixel(29, 27), clGreen);
    EXPECT_EQ(c.Pixel(30, 27), clWhite);

    // Corners may come in any order.
    TBitmap b2(40, 40);
    b2.Canvas()->Brush.Color = clBlue;
    b2.Canvas()->FillRect(Rect(30, 30, 25, 25));
    EXPECT_EQ(CountColour(*b2.Canvas(), 0, 0, 40, 40, clBlue), 25);

    // A clear brush leaves the inside alone; a clear pen makes the fill one pixel smaller.
    TBitmap b3(40, 40);
    TCanvas& e = *b3.Canvas();
    e.Brush.Style = bsClear;
    e.Rectangle(5, 5, 15, 15);
    EXPECT_EQ(e.Pixel(10, 10), clWhite);
    e.Brush.Style = bsSolid;
    e.Brush.Color = clBlue;
    e.Pen.Style = psClear;
    e.Rectangle(20, 20, 30, 30);
    EXPECT_EQ(CountColour(e, 0, 0, 40, 40, clBlue), 81);

    c.Brush.Color = clNavy;
    c.FrameRect(Rect(0, 0, 40, 40));
    EXPECT_EQ(CountColour(c, 0, 0, 40, 40, clNavy), 156);
}

TEST_F(GuiCanvas, ArcRunsCounterClockwiseFromStartToEndRay) {
    // Circle of radius 40 about (50, 50): box 10 .. 91 gives the pixels 10 .. 90.
    const double cx = 50, cy = 50, r = 40;
    auto on = [&](const TCanvas& c, double deg, TColor col) {
        const double a = deg * M_PI / 180.0;
        return Near(c, cx + r * std::cos(a), cy - r * std::sin(a), col);
    };
    {
        // From the ray to the right (0 degrees) to the ray upwards (90 degrees).
        TBitmap bmp(101, 101);
        TCanvas& c = *bmp.Canvas();
        c.Pen.Color = clRed;
        c.Arc(10, 10, 91, 91, 100, 50, 50, 0);
        for (double deg : {5.0, 30.0, 45.0, 60.0, 85.0})
            EXPECT_TRUE(on(c, deg, clRed)) << deg;
        for (double deg : {120.0, 180.0, 225.0, 270.0, 315.0, 350.0})
            EXPECT_FALSE(on(c, deg, clRed)) << deg;
        // The rays only give directions: points far outside the circle work the same.
        TBitmap far(101, 101);
        far.Canvas()->Pen.Color = clRed;
        far.Canvas()->Arc(10, 10, 91, 91, 1000, 50, 50, -1000);
        EXPECT_TRUE(on(*far.Canvas(), 45.0, clRed));
        EXPECT_FALSE(on(*far.Canvas(), 225.0, clRed));
    }
    {
        // Swapping the rays draws the other three quarters.
        TBitmap bmp(101, 101);
        TCanvas& c = *bmp.Canvas();
        c.Pen.Color = clRed;
        c.Arc(10, 10, 91, 91, 50, 0, 100, 50);
        for (double deg : {120.0, 180.0, 225.0, 270.0, 315.0})
            EXPECT_TRUE(on(c, deg, clRed)) << deg;
        for (double deg : {30.0, 45.0, 60.0})
            EXPECT_FALSE(on(c, deg, clRed)) << deg;
    }
    {
        // Equal rays: the full circle.
        TBitmap bmp(101, 101);
        TCanvas& c = *bmp.Canvas();
        c.Pen.Color = clBlue;
        c.Arc(10, 10, 91, 91, 80, 20, 80, 20);
        for (double deg = 0; deg < 360; deg += 15)
            EXPECT_TRUE(on(c, deg, clBlue)) << deg;
        EXPECT_EQ(c.Pixel(50, 50), clWhite); // an arc is never filled
    }
    {
        // A narrow arc across the 0-degree direction (from 350 to 10 degrees).
        TBitmap bmp(101, 101);
        TCanvas& c = *bmp.Canvas();
        c.Pen.Color = clBlack;
        const double a1 = -10 * M_PI / 180, a2 = 10 * M_PI / 180;
        c.Arc(10, 10, 91, 91, static_cast<int>(std::lround(cx + 100 * std::cos(a1))),
              static_cast<int>(std::lround(cy - 100 * std::sin(a1))),
              static_cast<int>(std::lround(cx + 100 * std::cos(a2))),
              static_cast<int>(std::lround(cy - 100 * std::sin(a2))));
        EXPECT_TRUE(on(c, 0.0, clBlack));
        EXPECT_FALSE(on(c, 90.0, clBlack));
        EXPECT_FALSE(on(c, 180.0, clBlack));
        EXPECT_FALSE(on(c, 270.0, clBlack));
    }
}

TEST_F(GuiCanvas, ArcOnEllipseStartsWhereTheRayMeetsIt) {
    // Ellipse with semi-axes 80 and 20 about (100, 50); the ray at 45 degrees meets it at
    // t = 80 * 20 / sqrt(80^2 + 20^2) along both axes.
    TBitmap bmp(201, 101);
    TCanvas& c = *bmp.Canvas();
    c.Pen.Color = clBlack;
    c.Arc(20, 30, 181, 71, 200, -50, 0, 50); // from 45 degrees to 180 degrees
    const double t = 80.0 * 20.0 / std::sqrt(80.0 * 80.0 + 20.0 * 20.0);
    EXPECT_TRUE(Near(c, 100 + t + 1, 50 - t, clBlack, 2));
    // Just before the start ray (40 degrees parametric from the ray's point) nothing is drawn.
    EXPECT_FALSE(Near(c, 100 + 80 * std::cos(0.3), 50 - 20 * std::sin(0.3), clBlack, 1));
    EXPECT_TRUE(Near(c, 100, 30, clBlack));  // the top of the ellipse lies inside the arc
    EXPECT_TRUE(Near(c, 20, 50, clBlack));   // ends at the left end
    EXPECT_FALSE(Near(c, 100, 70, clBlack)); // the bottom lies outside
}

TEST_F(GuiCanvas, EllipseChordAndPieFillWithTheBrush) {
    TBitmap bmp(100, 100);
    TCanvas& c = *bmp.Canvas();
    c.Pen.Color = clBlack;
    c.Brush.Color = clLime;
    c.Ellipse(10, 10, 51, 51);
    EXPECT_EQ(c.Pixel(30, 30), clLime);
    EXPECT_TRUE(Near(c, 10, 30, clBlack));
    EXPECT_TRUE(Near(c, 50, 30, clBlack));
    EXPECT_EQ(c.Pixel(12, 12), clWhite); // the box corner lies outside the ellipse
    c.Brush.Style = bsClear;
    c.Ellipse(55, 55, 95, 95);
    EXPECT_EQ(c.Pixel(75, 75), clWhite);

    TBitmap pie(100, 100);
    TCanvas& p = *pie.Canvas();
    p.Brush.Color = clRed;
    p.Pie(10, 10, 91, 91, 100, 50, 50, 0); // upper right quarter
    EXPECT_EQ(p.Pixel(65, 35), clRed);
    EXPECT_EQ(p.Pixel(35, 65), clWhite);
    EXPECT_EQ(p.Pixel(35, 35), clWhite);
    p.Brush.Color = clBlue;
    p.Chord(10, 10, 91, 91, 50, 100, 100, 50); // lower right, closed by the chord
    EXPECT_EQ(p.Pixel(75, 75), clBlue);
    EXPECT_EQ(p.Pixel(55, 55), clWhite); // between the chord and the centre
}

TEST_F(GuiCanvas, PolygonFillsAlternateAndOutlinesWithThePen) {
    TBitmap bmp(200, 200);
    TCanvas& c = *bmp.Canvas();
    c.Pen.Color = clBlack;
    c.Brush.Color = clGreen;
    // A pentagram: with alternate filling its centre pentagon stays empty, its tips are filled.
    std::vector<TPoint> star;
    const double R = 90, cx = 100, cy = 100;
    for (int i = 0; i < 5; ++i) {
        const double a = (90 + i * 144) * M_PI / 180;
        star.push_back({static_cast<int>(std::lround(cx + R * std::cos(a))),
                        static_cast<int>(std::lround(cy - R * std::sin(a)))});
    }
    c.Polygon(star);
    EXPECT_EQ(c.Pixel(100, 100), clWhite);
    EXPECT_EQ(c.Pixel(100, 30), clGreen); // the top tip
    EXPECT_TRUE(Near(c, star[0].x, star[0].y, clBlack));
    EXPECT_EQ(c.Pixel(5, 5), clWhite);

    // Triangle: the inside filled, the edges in the pen colour, nothing outside.
    TBitmap tri(100, 100);
    TCanvas& t = *tri.Canvas();
    t.Pen.Color = clRed;
    t.Brush.Color = clBlue;
    const TPoint pts[] = {{10, 10}, {90, 10}, {50, 80}};
    t.Polygon(pts);
    EXPECT_EQ(t.Pixel(50, 35), clBlue);
    EXPECT_EQ(t.Pixel(50, 10), clRed);
    EXPECT_EQ(t.Pixel(50, 8), clWhite);
    EXPECT_EQ(t.Pixel(10, 80), clWhite);
    // Polyline leaves the figure open and unfilled.
    TBitmap pl(100, 100);
    pl.Canvas()->Polyline(pts);
    EXPECT_EQ(pl.Canvas()->Pixel(50, 35), clWhite);
    EXPECT_EQ(pl.Canvas()->Pixel(50, 10), clBlack);
    EXPECT_FALSE(Near(*pl.Canvas(), 30, 45, clBlack, 2)); // no closing edge
    EXPECT_TRUE(Near(*pl.Canvas(), 70, 45, clBlack));
}

TEST_F(GuiCanvas, TextCellStartsAtThePointAndRotatesCounterClockwise) {
    TBitmap bmp(300, 300);
    TCanvas& c = *bmp.Canvas();
    c.Font.Name = "Arial";
    c.Font.SetHeight(-30);
    c.Font.Color = clBlack;
    c.Brush.Style = bsClear;
    const std::string text = "HHHHH";
    const TSize ext = c.TextExtent(text);
    // Liberation Sans (the Arial metric twin): cell = 30 px em * (0.905 + 0.212).
    EXPECT_NEAR(ext.cy, 34, 1);
    EXPECT_GT(ext.cx, 5 * 15);
    EXPECT_LT(ext.cx, 5 * 25);
    EXPECT_NEAR(c.TextWidth(text + text), 2 * ext.cx, 1);

    c.TextOut(20, 40, text);
    EXPECT_EQ(c.PenPos(), (TPoint{20 + ext.cx, 40}));
    const int ink = CountNot(c, 20, 40, 20 + ext.cx, 40 + ext.cy, clWhite);
    EXPECT_GT(ink, 200);
    EXPECT_EQ(CountNot(c, 0, 0, 300, 40, clWhite), 0);                // nothing above the cell
    EXPECT_EQ(CountNot(c, 0, 0, 19, 300, clWhite), 0);                // nothing left of it
    EXPECT_EQ(CountNot(c, 0, 40 + ext.cy + 1, 300, 300, clWhite), 0); // nor below

    // At 90 degrees the text runs upwards from the point; its cell lies above and right.
    TBitmap rot(300, 300);
    TCanvas& r = *rot.Canvas();
    r.Font = c.Font;
    r.Font.Orientation = 900;
    r.Brush.Style = bsClear;
    r.TextOut(100, 250, text);
    EXPECT_GT(CountNot(r, 100, 250 - ext.cx, 100 + ext.cy, 250, clWhite), 200);
    EXPECT_EQ(CountNot(r, 0, 251, 300, 300, clWhite), 0); // below the point
    EXPECT_EQ(CountNot(r, 0, 0, 99, 300, clWhite), 0);    // left of the point
    EXPECT_EQ(CountNot(r, 100 + ext.cy + 1, 0, 300, 300, clWhite), 0);
    EXPECT_EQ(CountNot(r, 0, 0, 300, 250 - ext.cx - 1, clWhite), 0);

    // At 180 degrees it runs to the left, upside down, above the point.
    TBitmap flip(300, 300);
    TCanvas& f = *flip.Canvas();
    f.Font = c.Font;
    f.Font.Orientation = 1800;
    f.Brush.Style = bsClear;
    f.TextOut(200, 100, text);
    EXPECT_GT(CountNot(f, 200 - ext.cx, 100 - ext.cy, 200, 100, clWhite), 200);
    EXPECT_EQ(CountNot(f, 0, 101, 300, 300, clWhite), 0);
    EXPECT_EQ(CountNot(f, 201, 0, 300, 300, clWhite), 0);
}

TEST_F(GuiCanvas, TextBackgroundFollowsTheBrush) {
    TBitmap bmp(200, 100);
    TCanvas& c = *bmp.Canvas();
    c.Font.SetHeight(-20);
    c.Font.Color = clBlack;
    c.Brush.Color = clYellow;
    c.TextOut(10, 10, "ii");
    const TSize e = c.TextExtent("ii");
    EXPECT_GT(CountColour(c, 10, 10, 10 + e.cx, 10 + e.cy, clYellow), e.cx * e.cy / 3);
    c.Brush.Style = bsClear;
    c.TextOut(10, 60, "ii");
    EXPECT_EQ(CountColour(c, 0, 50, 200, 100, clYellow), 0);
    // TextRect clips the text and fills the rest of the rectangle.
    c.Brush.Style = bsSolid;
    c.Brush.Color = clAqua;
    c.TextRect(Rect(100, 10, 120, 30), 100, 10, "WWWWWWWW");
    EXPECT_EQ(CountNot(c, 120, 0, 200, 50, clWhite), 0);
    EXPECT_GT(CountColour(c, 100, 10, 120, 30, clAqua), 0);
    EXPECT_GT(CountColour(c, 100, 10, 120, 30, clBlack), 0);
}

TEST_F(GuiCanvas, DrawTextWrapsAlignsAndMeasures) {
    TBitmap bmp(200, 200);
    TCanvas& c = *bmp.Canvas();
    c.Font.Name = "Arial";
    c.Font.SetHeight(-16);
    c.Font.Color = clBlack;
    const int line = c.TextHeight("Hg");
    // Measuring: four words that fit one per line in a narrow box give four lines.
    TRect calc = Rect(10, 10, 60, 10);
    const int h = c.DrawText(calc, "wheel wheel wheel wheel", DT_WORDBREAK | DT_CALCRECT);
    EXPECT_NEAR(h, 4 * line, 4);
    EXPECT_EQ(calc.Bottom, 10 + h);
    EXPECT_EQ(calc.Right, 60);
    EXPECT_EQ(CountNot(c, 0, 0, 200, 200, clWhite), 0); // measuring draws nothing
    TRect one = Rect(0, 0, 0, 0);
    c.DrawText(one, "wheel", DT_SINGLELINE | DT_CALCRECT);
    EXPECT_EQ(one.Right, c.TextWidth("wheel"));

    // Drawing: wrapped into the box, nothing outside it.
    TRect box = Rect(10, 10, 60, 190);
    c.DrawText(box, "wheel wheel wheel wheel", DT_WORDBREAK);
    EXPECT_GT(CountNot(c, 10, 10 + 3 * line, 60, 10 + 4 * line, clWhite), 10); // 4th line
    EXPECT_EQ(CountNot(c, 60, 0, 200, 200, clWhite), 0);
    EXPECT_EQ(CountNot(c, 0, 10 + 4 * line + 2, 200, 200, clWhite), 0);

    // Right alignment puts the ink at the right edge; the "&" is shown only with DT_NOPREFIX.
    TBitmap r(200, 40);
    TCanvas& rc = *r.Canvas();
    rc.Font = c.Font;
    TRect rr = Rect(0, 0, 200, 40);
    rc.DrawText(rr, "ab", DT_RIGHT | DT_SINGLELINE);
    EXPECT_EQ(CountNot(rc, 0, 0, 150, 40, clWhite), 0);
    EXPECT_GT(CountNot(rc, 180, 0, 200, 40, clWhite), 10);
    TRect m1 = Rect(0, 0, 0, 0), m2 = Rect(0, 0, 0, 0);
    rc.DrawText(m1, "&Print", DT_SINGLELINE | DT_CALCRECT);
    rc.DrawText(m2, "&Print", DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    EXPECT_NEAR(m1.Right, rc.TextWidth("Print"), 1);
    EXPECT_NEAR(m2.Right, rc.TextWidth("&Print"), 1);
    EXPECT_GT(m2.Right - m1.Right, rc.TextWidth("&") / 2);
}

TEST_F(GuiCanvas, CopyRectCopiesAndScalesAPart) {
    TBitmap src(20, 20);
    src.Canvas()->Brush.Color = clRed;
    src.Canvas()->FillRect(Rect(10, 0, 20, 10)); // top right quarter red
    TBitmap dst(100, 100);
    TCanvas& d = *dst.Canvas();
    d.CopyRect(Rect(0, 0, 40, 40), *src.Canvas(), Rect(10, 0, 20, 10)); // scaled by 4
    EXPECT_EQ(CountColour(d, 0, 0, 100, 100, clRed), 1600);
    d.CopyRect(Rect(50, 50, 70, 70), *src.Canvas(), Rect(0, 0, 20, 20));
    EXPECT_EQ(d.Pixel(65, 52), clRed);
    EXPECT_EQ(d.Pixel(55, 52), clWhite);
    EXPECT_EQ(d.Pixel(65, 65), clWhite);
    // A copy within one picture reads the picture as it was.
    d.CopyRect(Rect(20, 0, 60, 40), d, Rect(0, 0, 40, 40));
    EXPECT_EQ(CountColour(d, 0, 0, 100, 50, clRed), 60 * 40);
    // A source rectangle reaching outside the picture copies only what is there.
    TBitmap d2(100, 100);
    d2.Canvas()->CopyRect(Rect(0, 0, 40, 40), *src.Canvas(), Rect(10, -10, 30, 10));
    EXPECT_EQ(CountColour(*d2.Canvas(), 0, 0, 100, 100, clRed), 20 * 20);
    EXPECT_EQ(d2.Canvas()->Pixel(5, 25), clRed);
    EXPECT_EQ(d2.Canvas()->Pixel(5, 15), clWhite);
}

TEST_F(GuiCanvas, FontHeightSignChoosesEmOrCell) {
    TBitmap bmp(10, 10);
    TCanvas& c = *bmp.Canvas();
    c.Font.Name = "Arial";
    c.Font.SetHeight(40); // cell height
    EXPECT_NEAR(c.TextHeight("Hg"), 40, 1);
    c.Font.SetHeight(-40); // character (em) height: the cell is larger
    EXPECT_NEAR(c.TextHeight("Hg"), 45, 1);
    // Points at 96 pixels per inch: 24 pt = 32 px em.
    c.Font.SetSize(24);
    EXPECT_NEAR(c.TextHeight("Hg"), 36, 1);
    // A given average character width narrows or widens the text.
    c.Font.SetHeight(-40);
    const int natural = c.TextWidth("abcdefgh");
    c.Font.Width = 8;
    const int narrow = c.TextWidth("abcdefgh");
    EXPECT_LT(narrow, natural * 3 / 4);
    EXPECT_GT(narrow, 8 * 8 / 2);
    c.Font.Width = 0;
    c.Font.Style = fsBold;
    EXPECT_GT(c.TextWidth("abcdefgh"), natural);
}

TEST_F(GuiCanvas, NotModeDrawnTwiceRestoresThePicture) {
    TBitmap bmp(60, 60);
    TCanvas& c = *bmp.Canvas();
    c.Brush.Color = clRed;
    c.FillRect(Rect(0, 0, 30, 60));
    c.Pen.Mode = pmNot;
    auto band = [&] {
        c.MoveTo(10, 10);
        c.LineTo(50, 10);
        c.LineTo(50, 50);
        c.LineTo(10, 50);
        c.LineTo(10, 10);
    };
    band();
    EXPECT_EQ(c.Pixel(40, 10), clBlack);          // white inverted
    EXPECT_EQ(c.Pixel(20, 10), RGB(0, 255, 255)); // red inverted
    band();
    EXPECT_EQ(c.Pixel(40, 10), clWhite);
    EXPECT_EQ(c.Pixel(20, 10), clRed);
    c.Pen.Mode = pmXor;
    c.Pen.Color = clWhite;
    c.MoveTo(0, 30);
    c.LineTo(60, 30);
    EXPECT_EQ(c.Pixel(20, 30), RGB(0, 255, 255));
    EXPECT_EQ(c.Pixel(40, 30), clBlack);
}

TEST_F(GuiCanvas, FloodFillSurfaceAndBorder) {
    TBitmap bmp(50, 50);
    TCanvas& c = *bmp.Canvas();
    c.Pen.Color = clBlack;
    c.Brush.Style = bsClear;
    c.Rectangle(10, 10, 40, 40);
    c.Brush.Style = bsSolid;
    c.Brush.Color = clRed;
    c.FloodFill(20, 20, clWhite, fsSurface);
    EXPECT_EQ(CountColour(c, 0, 0, 50, 50, clRed), 28 * 28);
    EXPECT_EQ(c.Pixel(5, 5), clWhite);
    c.Brush.Color = clBlue;
    c.FloodFill(5, 5, clBlack, fsBorder); // everything outside the black frame
    EXPECT_EQ(CountColour(c, 0, 0, 50, 50, clBlue), 50 * 50 - 30 * 30);
    EXPECT_EQ(c.Pixel(20, 20), clRed);
    // Starting on a pixel that is not of the surface colour fills nothing.
    c.Brush.Color = clLime;
    c.FloodFill(20, 20, clWhite, fsSurface);
    EXPECT_EQ(CountColour(c, 0, 0, 50, 50, clLime), 0);
}

TEST_F(GuiCanvas, HugeCoordinatesAreClippedNotWrapped) {
    TBitmap bmp(100, 100);
    TCanvas& c = *bmp.Canvas();
    c.MoveTo(-2000000000, 50);
    c.LineTo(2000000000, 50);
    EXPECT_EQ(c.Pixel(0, 50), clBlack);
    EXPECT_EQ(c.Pixel(99, 50), clBlack);
    EXPECT_EQ(CountNot(c, 0, 0, 100, 50, clWhite), 0);
    c.Brush.Color = clRed;
    c.Rectangle(-5000000, -5000000, 5000000, 20);
    EXPECT_EQ(c.Pixel(50, 10), clRed);
    c.Ellipse(-2147483647, -2147483647, 2147483647, 2147483647); // must not crash
}

TEST_F(GuiCanvas, DrawingWithoutADeviceIsHarmless) {
    TCanvas c;
    EXPECT_FALSE(c.HandleAllocated());
    c.LineTo(10, 10);
    c.Rectangle(0, 0, 5, 5);
    c.TextOut(1, 1, "x");
    EXPECT_EQ(c.Pixel(0, 0), clInvalid);
    EXPECT_EQ(c.PenPos(), (TPoint{1, 1}));
    TBitmap empty;
    EXPECT_EQ(empty.Width(), 0);
    EXPECT_FALSE(empty.Canvas()->HandleAllocated());
    empty.Canvas()->LineTo(3, 3);
    EXPECT_FALSE(empty.SaveToFile(std::string(QOR_BINARY_DIR) + "/gui_canvas_empty.png"));
}

TEST_F(GuiCanvas, ResizingKeepsThePictureAndWhitensNewArea) {
    TBitmap bmp(20, 20);
    TCanvas& c = *bmp.Canvas();
    c.Brush.Color = clRed;
    c.FillRect(Rect(0, 0, 20, 20));
    ASSERT_TRUE(bmp.SetSize(40, 30));
    EXPECT_EQ(bmp.Width(), 40);
    EXPECT_EQ(c.Pixel(19, 19), clRed);
    EXPECT_EQ(c.Pixel(25, 5), clWhite);
    EXPECT_EQ(c.Pixel(5, 25), clWhite);
    c.FillRect(Rect(30, 20, 40, 30)); // the canvas draws on the new image
    EXPECT_EQ(c.Pixel(39, 29), clRed);
    EXPECT_FALSE(bmp.SetSize(-5, 10) && bmp.Width() != 0);
}

TEST_F(GuiCanvas, BindsToAWindowBufferThatChangesSize) {
    // What a window does with its back buffer: bind, draw, release to resize, bind again.
    QImage buffer(50, 40, QImage::Format_RGB32);
    buffer.fill(Qt::white);
    TCanvas c;
    int changes = 0;
    c.OnChange = [&changes] { ++changes; };
    CanvasSetDevice(c, &buffer, 96);
    EXPECT_TRUE(c.HandleAllocated());
    EXPECT_EQ(c.DeviceSize(), (TSize{50, 40}));
    c.Brush.Color = clRed;
    c.FillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(changes, 1);
    CanvasRelease(c);
    EXPECT_EQ(buffer.pixel(5, 5) & 0xFFFFFF, 0xFF0000u); // QImage is 0xRRGGBB
    buffer = QImage(80, 60, QImage::Format_RGB32);
    buffer.fill(Qt::white);
    CanvasSetDevice(c, &buffer, 96);
    c.FillRect(Rect(70, 50, 80, 60));
    EXPECT_EQ(c.Pixel(75, 55), clRed);
    EXPECT_EQ(c.Pixel(5, 5), clWhite);
    // Qt code can draw beside the canvas with its painter, pen and brush applied.
    c.Pen.Color = clBlue;
    QPainter* p = CanvasPainter(c);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->pen().color(), QColor(0, 0, 255));
    EXPECT_EQ(p->brush().color(), QColor(255, 0, 0));
    p->drawPoint(20, 20);
    EXPECT_EQ(c.Pixel(20, 20), clBlue);
    CanvasSetDevice(c, nullptr);
    EXPECT_FALSE(c.HandleAllocated());
    EXPECT_EQ(CanvasPainter(c), nullptr);
}

class GuiCanvasFiles : public GuiCanvas {
protected:
    void SetUp() override {
        GuiCanvas::SetUp();
        dir_ = std::filesystem::path(QOR_BINARY_DIR) / "gui_canvas_files";
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    std::filesystem::path dir_;
};

TEST_F(GuiCanvasFiles, PngRoundTripAndSafeReplace) {
    TBitmap bmp(64, 32);
    TCanvas& c = *bmp.Canvas();
    c.Brush.Color = RGB(12, 200, 34);
    c.FillRect(Rect(0, 0, 32, 32));
    const std::string path = (dir_ / "pic.png").string();
    ASSERT_TRUE(bmp.SaveToFile(path)) << bmp.LastError();
    {
        std::ifstream in(path, std::ios::binary);
        char sig[8] = {};
        in.read(sig, 8);
        EXPECT_EQ(std::string(sig, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    }
    // An independent decoder (Qt's image reader, not our canvas) sees the same pixels.
    const QImage img(QString::fromStdString(path));
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.width(), 64);
    EXPECT_EQ(qRed(img.pixel(5, 5)), 12);
    EXPECT_EQ(qGreen(img.pixel(5, 5)), 200);
    EXPECT_EQ(img.pixel(40, 5) & 0xFFFFFF, 0xFFFFFFu);

    TBitmap back;
    ASSERT_TRUE(back.LoadFromFile(path)) << back.LastError();
    EXPECT_EQ(back.Canvas()->Pixel(5, 5), RGB(12, 200, 34));
    EXPECT_EQ(back.Height(), 32);

    // Saving into a directory that does not exist fails and leaves no temporary file.
    EXPECT_FALSE(bmp.SaveToFile((dir_ / "nodir" / "x.png").string()));
    EXPECT_FALSE(bmp.LastError().empty());
    // A failed save never destroys the old file: a read-only directory refuses the new one.
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_exec);
    const bool writable = ::access(dir_.c_str(), W_OK) == 0; // root ignores permissions
    if (!writable) {
        TBitmap other(8, 8);
        EXPECT_FALSE(other.SaveToFile(path));
        const QImage still(QString::fromStdString(path));
        EXPECT_EQ(still.width(), 64);
    }
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_))
        ++entries;
    EXPECT_EQ(entries, 1); // only pic.png

    EXPECT_FALSE(back.LoadFromFile((dir_ / "missing.png").string()));
    std::ofstream(dir_ / "garbage.png") << "not a picture";
    EXPECT_FALSE(back.LoadFromFile((dir_ / "garbage.png").string()));
    EXPECT_EQ(back.Width(), 64); // the old picture stays
}

} // namespace
