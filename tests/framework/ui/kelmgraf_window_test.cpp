// The drawing window on the headless display: the replay into its back buffer (pixel probes at
// places worked out from the mapping by hand), the printer replay into a PDF, the step dialog,
// the keys as Qt delivers them and the mouse zoom driven with QTest.
//
// With QOR_KELMGRAF_OUT set, the picture tests also leave a PNG and a PDF there for
// kelmgraf_picture_check.py, which reads them with its own PNG decoder and with poppler.

#include "framework/ui/step_form.h"
#include "framework/ui/draw_device.h"
#include "framework/core/globals.h"
#include "framework/ui/drawing_window.h"
#include "framework/core/settings.h"
#include "platform/gui/application.h"
#include "platform/gui/printer.h"
#include "platform/gui/menus.h"
#include "platform/gui/responder.h"

#include <QApplication>
#include <QMenuBar>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr TColor kWhite = RGB(255, 255, 255);
constexpr TColor kRed = RGB(255, 0, 0);  // palette entry 12
constexpr TColor kBlue = RGB(0, 0, 255); // palette entry 9
constexpr double kScale = 478.0 / 120.0; // pixels per mm of Header(0, 0, 160, 120) on 640 x 480

std::string OutDir() {
    const char* d = std::getenv("QOR_KELMGRAF_OUT");
    return d != nullptr ? std::string(d) : std::string();
}

class DrawWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application->Initialize();
        InitAllSettings();
        InitDrawWindowState();
        ScreenWidth = 640;
        ScreenHeight = 480;
        BackgroundColour = kWhite;
        ColorGraphics = true;
        AbortFlag = 0;
        device_ = new TDrawDevice;
        DrawDevice = device_;
        form_ = NewForm<TFkelmgra>(nullptr);
        ASSERT_EQ(DrawWindow, form_);
        form_->SetClientWidth(641);
        form_->SetClientHeight(481);
    }
    void TearDown() override {
        form_->Free();
        delete device_;
        EXPECT_EQ(DrawWindow, nullptr);
    }
    // True when a pixel of the colour lies within one pixel of (x, y).
    bool ColourNear(int x, int y, TColor c) const {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (form_->ClientPixel(x + dx, y + dy) == c) return true;
        return false;
    }
    // The red pixels' bounding box is the circle's: centre and radius within a pixel.
    void ExpectRedCircle(int cx, int cy, int r) const {
        int x0 = 10000, x1 = -1, y0 = 10000, y1 = -1;
        for (int y = 0; y < 481; ++y)
            for (int x = 0; x < 641; ++x)
                if (form_->ClientPixel(x, y) == kRed) {
                    x0 = std::min(x0, x), x1 = std::max(x1, x);
                    y0 = std::min(y0, y), y1 = std::max(y1, y);
                }
        EXPECT_NEAR((x0 + x1) / 2.0, cx, 1.0);
        EXPECT_NEAR((y0 + y1) / 2.0, cy, 1.0);
        EXPECT_NEAR((x1 - x0) / 2.0, r, 1.0);
        EXPECT_NEAR((y1 - y0) / 2.0, r, 1.0);
    }
    // The red circle of the printing tests, 3 pixels wide: 12 printer pixels, visible when the
    // page is rendered coarsely.
    void DrawPrintCircle() {
        device_->DrawHeader(0, 0, 160, 120);
        device_->SetDrawColor(12);
        TFkelmgra::SetLineWidth(3);
        device_->DrawCircle(80, 60, 10);
    }
    // Where the printing tests write: QOR_KELMGRAF_OUT for the picture check, else a folder of
    // their own (removed by the test).
    static std::string PrintDir(const char* name) {
        const std::string dir =
            OutDir().empty() ? (std::filesystem::temp_directory_path() / name).string() : OutDir();
        std::filesystem::create_directories(dir);
        return dir;
    }
    // The list replayed onto the printer into a PDF file.
    void PrintToPdf(const std::string& pdf) {
        TPrinter& p = *Printer();
        ASSERT_TRUE(p.SetOutputFileName(pdf));
        ASSERT_TRUE(p.BeginDoc()) << p.LastError();
        DrawToPrinter = 1;
        form_->FormPaint(form_);
        DrawToPrinter = 0;
        ASSERT_TRUE(p.EndDoc()) << p.LastError();
        p.SetOutputFileName("");
        EXPECT_TRUE(std::filesystem::exists(pdf));
    }
    static int WX(double mm) { return static_cast<int>(std::lround(mm * kScale)) + 1; }
    static int WY(double mm) { return 479 - static_cast<int>(std::lround(mm * kScale)); }

    TDrawDevice* device_ = nullptr;
    TFkelmgra* form_ = nullptr;
};

TEST_F(DrawWindowTest, CircleOnTheVirtualScreen) {
    device_->DrawHeader(0, 0, 160, 120);
    device_->SetDrawColor(12);
    device_->DrawCircle(80, 60, 10);
    form_->PaintNow();
    // Centre (320, 240), radius 40 pixels, within a pixel.
    ExpectRedCircle(320, 240, 40);
    EXPECT_EQ(form_->ClientPixel(320, 240), kWhite);
    EXPECT_TRUE(ColourNear(320 + 28, 240 - 28, kRed)); // on the ring at 45 degrees
    EXPECT_FALSE(ColourNear(320 + 24, 240 - 24, kRed));
    EXPECT_FALSE(ColourNear(320 + 32, 240 - 32, kRed));
    if (!OutDir().empty()) {
        EXPECT_TRUE(TFkelmgra::SaveDrawingPicture(OutDir() + "/circle.png"));
    }
}

TEST_F(DrawWindowTest, FullCircleArcShowsAsACircle) {
    device_->DrawHeader(0, 0, 160, 120);
    device_->SetDrawColor(12);
    device_->DrawArc(80, 60, 0, 360, 10);
    form_->PaintNow();
    ExpectRedCircle(320, 240, 40);
}

TEST_F(DrawWindowTest, SolidFollowsTheDxfVertexOrder) {
    device_->DrawHeader(0, 0, 160, 120);
    device_->SetDrawColor(9);
    // Corners 1-2 along the bottom, 3-4 along the top: a square, not a bow tie.
    device_->DrawSolid(10, 10, 50, 10, 10, 50, 50, 50);
    form_->PaintNow();
    EXPECT_EQ(form_->ClientPixel(WX(12), WY(30)), kBlue); // left middle: outside a bow tie
    EXPECT_EQ(form_->ClientPixel(WX(48), WY(30)), kBlue);
    EXPECT_EQ(form_->ClientPixel(WX(30), WY(30)), kBlue);
    EXPECT_EQ(form_->ClientPixel(WX(55), WY(30)), kWhite);
}

TEST_F(DrawWindowTest, EmptyWindowRecordEndsTheReplayWithoutAbortFlag) {
    device_->DrawHeader(0, 0, 160, 120);
    device_->SetDrawColor(12);
    device_->DrawLine(10, 20, 150, 20);
    DisplayList->AddLine("10;1;1;639;479;5;5;5;9");
    device_->DrawLine(10, 100, 150, 100);
    AbortFlag = 0;
    form_->PaintNow();
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(form_->ClientPixel(WX(80), WY(20)), kRed);
    EXPECT_EQ(form_->ClientPixel(WX(80), WY(100)), kWhite);
}

TEST_F(DrawWindowTest, WidthAfterAPaintIsRecordedAgain) {
    device_->DrawHeader(0, 0, 160, 120);
    device_->SetDrawColor(12);
    TFkelmgra::SetLineWidth(5);
    device_->DrawLine(10, 20, 150, 20);
    TFkelmgra::SetLineWidth(1);
    device_->DrawLine(10, 40, 150, 40);
    form_->PaintNow();
    const int before = DisplayList->Count();
    // After the paint the list still ends in width 1; asking for 1 must still record it, and
    // asking for 5 must, too.
    TFkelmgra::SetLineWidth(5);
    device_->DrawLine(10, 60, 150, 60);
    EXPECT_EQ(DisplayList->Line(before), "12;5");
    form_->PaintNow();
    // Thick lines cover pixels two rows off their centre line, thin ones do not.
    EXPECT_EQ(form_->ClientPixel(WX(80), WY(20) + 2), kRed);
    EXPECT_EQ(form_->ClientPixel(WX(80), WY(40) + 2), kWhite);
    EXPECT_EQ(form_->ClientPixel(WX(80), WY(60) + 2), kRed);
}

TEST_F(DrawWindowTest, MonochromeDrawsBlack) {
    ColorGraphics = false;
    device_->DrawHeader(0, 0, 160, 120);
    device_->SetDrawColor(12);
    device_->DrawLine(10, 20, 150, 20);
    form_->PaintNow();
    EXPECT_EQ(form_->ClientPixel(WX(80), WY(20)), RGB(0, 0, 0));
}

TEST_F(DrawWindowTest, TextRecordDrawsItsWholeText) {
    device_->DrawHeader(0, 0, 160, 120);
    device_->SetDrawColor(9);
    device_->SetDrawTextStyle(2, 0, 5, 5);
    device_->DrawText("M;M;M", 20, 60);
    form_->PaintNow();
    // The text (8 mm high: 5 x 1.6) lies to the right of x = 20 mm, about y = 60 mm.
    int blue = 0, left = 641;
    for (int y = WY(72); y <= WY(50); ++y)
        for (int x = 0; x < 641; ++x)
            if (form_->ClientPixel(x, y) == kBlue) {
                ++blue;
                left = std::min(left, x);
            }
    EXPECT_GT(blue, 50);
    EXPECT_GE(left, WX(20) - 2);
    // Five characters of about 5.5 mm: the text reaches well past the first "M".
    int right = 0;
    for (int y = WY(72); y <= WY(50); ++y)
        for (int x = 0; x < 641; ++x)
            if (form_->ClientPixel(x, y) == kBlue) right = std::max(right, x);
    EXPECT_GT(right, WX(20 + 15));
}

// Without a GUI (batch modes) texts are placed by the widths of the default graphics font: the
// font's own (single characters: a pair such as "ff" may be joined in a ligature).
TEST_F(DrawWindowTest, DefaultFontWidthsAreThoseOfTheGraphicsFont) {
    ASSERT_EQ(GraphicsFont, "Arial");
    for (char c = ' '; c < 127; ++c)
        EXPECT_NEAR(GraphicsTextAdvance({&c, 1}), DefaultFontAdvance({&c, 1}), 3e-3) << c;
    EXPECT_GT(GraphicsTextAdvance("WWWWW"), 7.5); // capitals are wider than the average
}

TEST_F(DrawWindowTest, StepModeAsksAtColourZero) {
    device_->DrawHeader(0, 0, 160, 120);
    device_->SetDrawColor(0);
    device_->DrawLine(1, 1, 2, 2);
    ScriptedResponder responder;
    responder.OnForm([](TForm& f) { Respond::Press(f, "Button_endstep"); });
    ResponderScope scope(responder);
    TFkelmgra::StepMode = 1;
    form_->PaintNow();
    EXPECT_EQ(responder.Seen().size(), 1u);
    EXPECT_EQ(TFkelmgra::StepMode, 0); // "++" runs to the end
    form_->PaintNow();
    EXPECT_EQ(responder.Seen().size(), 1u);
    EXPECT_EQ(responder.Unexpected(), 0);
}

TEST_F(DrawWindowTest, PrintsOnePageToPdf) {
    DrawPrintCircle();
    const std::string dir = PrintDir("qor_kelmgraf");
    const std::string pdf = dir + "/circle.pdf";
    std::filesystem::remove(pdf);
    TPrinter& p = *Printer();
    ASSERT_TRUE(p.SetOutputFileName(pdf));
    ASSERT_TRUE(p.BeginDoc()) << p.LastError();
    const int pw = p.PageWidth(), ph = p.PageHeight();
    DrawToPrinter = 1;
    form_->FormPaint(form_);
    DrawToPrinter = 0;
    ASSERT_TRUE(p.EndDoc()) << p.LastError();
    p.SetOutputFileName("");
    std::ifstream in(pdf, std::ios::binary);
    std::string head(5, '\0');
    in.read(head.data(), 5);
    EXPECT_EQ(head, "%PDF-");
    EXPECT_GT(pw, 0);
    std::ofstream(dir + "/circle_page.txt") << pw << " " << ph << "\n";
    if (OutDir().empty()) std::filesystem::remove_all(dir);
}

TEST_F(DrawWindowTest, PrintsWithScaleOffsetBorderAndPaletteColours) {
    DrawPrintCircle();
    const std::string dir = PrintDir("qor_kelmgraf2");
    PrintScaleX = PrintScaleY = 0.5;
    PrintOffsetX = 21; // a tenth of the page width
    PrintOffsetY = 0;
    PrintBorder = 1;
    WinPrintMode = 2; // palette colours
    PrintToPdf(dir + "/framed.pdf");
    if (OutDir().empty()) std::filesystem::remove_all(dir);
}

TEST_F(DrawWindowTest, FormAndStepDialogCaptions) {
    EXPECT_EQ(form_->Caption(), "KelmGraf");
    TForm_anistep step(nullptr);
    EXPECT_EQ(step.Caption(), "Animation");
    EXPECT_EQ(step.Button_nextstep->Caption(), "+");
    EXPECT_EQ(step.Button_endstep->Caption(), "++");
    EXPECT_TRUE(step.Button_nextstep->Default());
    EXPECT_TRUE(step.Button_endstep->Cancel());
    EXPECT_EQ(step.ClientWidth(), 104);
    EXPECT_EQ(step.ClientHeight(), 48);
}

TEST_F(DrawWindowTest, LogoRecordsItsSolidsInsideItsWindow) {
    device_->DrawLogo();
    const std::vector<std::string> l = DisplayList->Lines();
    ASSERT_FALSE(l.empty());
    EXPECT_EQ(l[0], "10;1;1;639;479;-1;-1;38;33");
    int solids[3] = {0, 0, 0}, part = -1;
    for (const std::string& line : l) {
        if (line == "8;9" || line == "8;13") ++part;
        if (line.rfind("7;", 0) == 0) {
            ASSERT_GE(part, 0);
            ++solids[part];
        }
    }
    EXPECT_EQ(solids[0], 13);
    EXPECT_EQ(solids[1], 41);
    EXPECT_EQ(solids[2], 3);
    for (const TDisplayList::Record& r : DisplayList->Records())
        if (r.Code == drSolid)
            for (int k = 0; k < 8; ++k) {
                const double v = DisplayList->Values(r)[k];
                EXPECT_GE(v, -1);
                EXPECT_LE(v, k % 2 == 0 ? 38 : 33);
            }
    form_->PaintNow();
    int blue = 0, fuchsia = 0;
    for (int y = 0; y < 481; y += 2)
        for (int x = 0; x < 641; x += 2) {
            const TColor c = form_->ClientPixel(x, y);
            blue += c == RGB(0, 0, 255);
            fuchsia += c == RGB(255, 0, 255);
        }
    EXPECT_GT(blue, 100);
    EXPECT_GT(fuchsia, 1000);
}

// ---- keys and mouse ----------------------------------------------------------------------------

class DrawWindowInputTest : public DrawWindowTest {
protected:
    void SetUp() override {
        DrawWindowTest::SetUp();
        device_->DrawHeader(0, 0, 160, 120);
        form_->Show();
        QApplication::processEvents();
        client_ = form_->ClientWidget();
        ASSERT_NE(client_, nullptr);
        ASSERT_GE(client_->width(), 641);
    }
    QWidget* KeyTarget() const {
        QWidget* f = QApplication::focusWidget();
        return f != nullptr ? f : form_->Widget();
    }
    void Drag(QPoint from, QPoint to) {
        QTest::mousePress(client_, Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(client_, (from + to) / 2);
        QTest::mouseMove(client_, to);
        QTest::mouseRelease(client_, Qt::LeftButton, Qt::NoModifier, to);
    }
    QWidget* client_ = nullptr;
};

TEST_F(DrawWindowInputTest, KeypadKeysZoomMainKeyboardKeysDoNot) {
    QTest::keyClick(KeyTarget(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(ZoomRect, (TZoomRect{54, 586, 41, 439}));
    QTest::keyClick(KeyTarget(), Qt::Key_Up);
    EXPECT_EQ(ZoomRect, (TZoomRect{54, 586, 1, 399}));
    QTest::keyClick(KeyTarget(), Qt::Key_Escape);
    EXPECT_EQ(ZoomRect, (TZoomRect{1, 639, 1, 479}));
    QTest::keyClick(KeyTarget(), Qt::Key_Plus);
    QTest::keyClick(KeyTarget(), Qt::Key_Minus);
    EXPECT_EQ(ZoomRect, (TZoomRect{1, 639, 1, 479}));
    QTest::keyClick(KeyTarget(), Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(ZoomRect, (TZoomRect{-63, 703, -47, 527}));
    QTest::keyClick(KeyTarget(), Qt::Key_F5);
    EXPECT_EQ(ZoomRect, (TZoomRect{1, 639, 1, 479}));
}

TEST_F(DrawWindowInputTest, MouseDragZoomsToTheDraggedWorldRectangle) {
    // The world rectangle under the drag, from the unzoomed mapping.
    const double wx1 = (100 - 1) / kScale, wx2 = (500 - 1) / kScale;
    const double wy1 = (479 - 400) / kScale, wy2 = (479 - 100) / kScale;
    Drag(QPoint(100, 100), QPoint(500, 400));
    EXPECT_EQ(form_->Dragging, 0);
    const TZoomRect first = ZoomRect;
    EXPECT_NE(first, (TZoomRect{1, 639, 1, 479}));
    // Its corners now lie on the viewport's corners, within one pixel.
    EXPECT_NEAR(PixelX(wx1), Viewport.X1, 1);
    EXPECT_NEAR(PixelY(wy1), Viewport.Y2, 1);
    EXPECT_NEAR(PixelX(wx2), Viewport.X2, 1);
    EXPECT_NEAR(PixelY(wy2), Viewport.Y1, 1);
    // The same rectangle dragged the other way round.
    TFkelmgra::ResetZoom();
    Drag(QPoint(500, 400), QPoint(100, 100));
    EXPECT_EQ(ZoomRect, first);
    // A second zoom works from the mapping in force, so zooms do not drift.
    const double zx1 = WorldXOfPixel(200), zx2 = WorldXOfPixel(440);
    const double zy1 = WorldYOfPixel(300), zy2 = WorldYOfPixel(120);
    Drag(QPoint(200, 120), QPoint(440, 300));
    EXPECT_NEAR(PixelX(zx1), Viewport.X1, 1.5);
    EXPECT_NEAR(PixelY(zy1), Viewport.Y2, 1.5);
    EXPECT_NEAR(PixelX(zx2), Viewport.X2, 1.5);
    EXPECT_NEAR(PixelY(zy2), Viewport.Y1, 1.5);
}

TEST_F(DrawWindowInputTest, ClickWithoutMovementAndRubberBand) {
    form_->PaintNow();
    const TZoomRect before = ZoomRect;
    QTest::mouseClick(client_, Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
    EXPECT_EQ(ZoomRect, before);
    Drag(QPoint(200, 200), QPoint(200, 300)); // no width: nothing
    EXPECT_EQ(ZoomRect, before);
    // While dragging, the band inverts the pixels under it; the buffer is white there.
    QTest::mousePress(client_, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseMove(client_, QPoint(300, 250));
    EXPECT_EQ(form_->ClientPixel(200, 100), RGB(0, 0, 0));
    QTest::mouseMove(client_, QPoint(320, 260));
    EXPECT_EQ(form_->ClientPixel(200, 250), kWhite); // the old band is gone
    EXPECT_EQ(form_->ClientPixel(200, 260), RGB(0, 0, 0));
    QTest::mouseRelease(client_, Qt::LeftButton, Qt::NoModifier, QPoint(320, 260));
    EXPECT_NE(ZoomRect, before);
}

TEST_F(DrawWindowInputTest, ExposeAndRubberBandOnlyShowTheBuffer) {
    device_->SetDrawColor(12);
    device_->DrawLine(10, 20, 150, 20);
    form_->PaintNow();
    ASSERT_EQ(form_->ClientPixel(WX(80), WY(20)), kRed);
    // A record added behind the window's back shows only when something replays the list.
    DisplayList->AddLine("4;10;100;150;100");
    client_->repaint(); // an expose
    QApplication::processEvents();
    EXPECT_EQ(form_->ClientPixel(WX(80), WY(100)), kWhite);
    QTest::mousePress(client_, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    QTest::mouseMove(client_, QPoint(60, 70));
    QTest::mouseMove(client_, QPoint(70, 80));
    EXPECT_EQ(form_->ClientPixel(WX(80), WY(100)), kWhite);
    QTest::mouseRelease(client_, Qt::LeftButton, Qt::NoModifier, QPoint(70, 80));
    // The zoom replays.
    form_->PaintNow();
    TFkelmgra::processKey(VK_ESCAPE);
    form_->PaintNow();
    EXPECT_EQ(form_->ClientPixel(WX(80), WY(100)), kRed);
}

TEST_F(DrawWindowInputTest, RightButtonAndDoubleClickReset) {
    Drag(QPoint(100, 100), QPoint(500, 400));
    ASSERT_NE(ZoomRect, (TZoomRect{1, 639, 1, 479}));
    QTest::mouseClick(client_, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(ZoomRect, (TZoomRect{1, 639, 1, 479}));
    Drag(QPoint(100, 100), QPoint(500, 400));
    form_->FormDblClick(form_);
    form_->FormMouseDown(form_, mbLeft, ssDouble, 10, 10);
    EXPECT_EQ(form_->DoubleClicked, 0);
    EXPECT_EQ(form_->Dragging, 0);
    // Back to the drawing's own limits: the last window recorded is the reset window, and the
    // next paint shows the drawing unzoomed.
    EXPECT_EQ(DisplayList->Line(DisplayList->Count() - 2), "10;1;1;639;479;0;0;160;120");
    form_->PaintNow();
    EXPECT_EQ(ZoomRect, (TZoomRect{0, 640, 0, 480}));
}

// ---- the window's size and the screen's scaling ------------------------------------------------

// The box of the pixels of one colour in the client area (logical pixels).
struct Box {
    int X0 = 1 << 20, Y0 = 1 << 20, X1 = -1, Y1 = -1;
    double CentreX() const { return (X0 + X1) / 2.0; }
    double CentreY() const { return (Y0 + Y1) / 2.0; }
    int Width() const { return X1 - X0; }
    int Height() const { return Y1 - Y0; }
};
Box BoxOf(const TFkelmgra& f, TColor c) {
    Box b;
    for (int y = 0; y < f.ClientHeight(); ++y)
        for (int x = 0; x < f.ClientWidth(); ++x)
            if (f.ClientPixel(x, y) == c) {
                b.X0 = std::min(b.X0, x), b.X1 = std::max(b.X1, x);
                b.Y0 = std::min(b.Y0, y), b.Y1 = std::max(b.Y1, y);
            }
    return b;
}

// Every drawing fits the window it is shown in and follows a resize: the sheet's frame spans
// the client area in one direction and stands in its middle in the other (a drawing that keeps
// its aspect), or spans both (one that does not).
TEST_F(DrawWindowTest, DrawingFitsTheWindowAndFollowsAResize) {
    struct Case {
        int W, H;
        bool Aspect;
    };
    // (The headless screen is 800 x 600.)
    for (const Case c : {Case{641, 481, true}, Case{780, 450, true}, Case{400, 560, true},
                         Case{780, 450, false}}) {
        SCOPED_TRACE(std::to_string(c.W) + "x" + std::to_string(c.H) + (c.Aspect ? "" : " free"));
        DrawDevice->ClearDevice();
        if (c.Aspect)
            device_->DrawHeader(0, 0, 160, 120);
        else
            device_->SetDrawWindow(false, true, 0, 0, 1, 1, 0, 0, 160, 120);
        device_->SetDrawColor(12);
        TFkelmgra::Rectangle(0, 0, 160, 120);
        form_->SetClientWidth(c.W);
        form_->SetClientHeight(c.H);
        form_->PaintNow();
        const TSize size = form_->Canvas()->DeviceSize();
        ASSERT_EQ(size.cx, c.W);
        ASSERT_EQ(size.cy, c.H);
        const Box b = BoxOf(*form_, kRed);
        ASSERT_GE(b.X1, 0);
        const bool wide = c.W * 3 > c.H * 4;
        if (!c.Aspect || wide) { EXPECT_GE(b.Height(), c.H - 5); }
        if (!c.Aspect || !wide) { EXPECT_GE(b.Width(), c.W - 5); }
        EXPECT_NEAR(b.CentreX(), (c.W - 1) / 2.0, 1.5);
        EXPECT_NEAR(b.CentreY(), (c.H - 1) / 2.0, 1.5);
        if (c.Aspect) { EXPECT_NEAR(b.Width() / static_cast<double>(b.Height()), 4.0 / 3.0, 0.01); }
        // The window's mapping takes a pixel back to the world point drawn there.
        const TScreenMapping m = form_->ClientMapping();
        EXPECT_NEAR(static_cast<double>(m.WorldX(b.X1)), 160, 0.5);
        EXPECT_NEAR(static_cast<double>(m.WorldY(b.Y0)), 120, 0.5);
    }
}

// The printout keeps its page whatever the window's size (the picture check compares the
// pages of the two files).
TEST_F(DrawWindowTest, PrintoutKeepsItsPageWhenTheWindowIsResized) {
    DrawPrintCircle();
    const std::string dir = PrintDir("qor_kelmgraf3");
    PrintToPdf(dir + "/page_before.pdf");
    form_->SetClientWidth(780);
    form_->SetClientHeight(300);
    form_->PaintNow();
    PrintToPdf(dir + "/page_after.pdf");
    if (OutDir().empty()) std::filesystem::remove_all(dir);
}

// On a dark background the palette's dark colours are lightened until they read: lines 3:1,
// texts 4.5:1; light colours stay as they are.
TEST_F(DrawWindowTest, PaletteColoursReadOnTheBackground) {
    BackgroundColour = RGB(0, 0, 0);
    device_->DrawHeader(0, 0, 160, 120);
    device_->SetDrawColor(9); // blue
    device_->DrawLine(10, 20, 150, 20);
    device_->SetDrawColor(12); // red
    device_->DrawLine(10, 40, 150, 40);
    device_->SetDrawColor(9);
    device_->SetDrawTextStyle(2, 0, 5, 5);
    device_->DrawText("MMMM", 20, 80);
    form_->PaintNow();
    const TColor line = form_->ClientPixel(WX(80), WY(20));
    EXPECT_GE(ContrastRatio(line, RGB(0, 0, 0)), 3.0);
    EXPECT_EQ(GetBValue(line), 255); // still blue
    EXPECT_LT(GetRValue(line), 128);
    EXPECT_EQ(form_->ClientPixel(WX(80), WY(40)), kRed);
    // The text's own colour: its brightest pixel (the edges are smoothed into the black).
    TColor text = clBlack;
    for (int y = WY(90); y <= WY(80); ++y)
        for (int x = WX(20); x < WX(60); ++x)
            if (const TColor c = form_->ClientPixel(x, y);
                ContrastRatio(c, clBlack) > ContrastRatio(text, clBlack))
                text = c;
    EXPECT_GE(ContrastRatio(text, RGB(0, 0, 0)), 4.5);
    EXPECT_EQ(GetBValue(text), 255);
}

// With the screen scaled (the test runs once more with QT_SCALE_FACTOR=2), the drawing is made
// at the screen's own pixels, not drawn small and blown up.
TEST_F(DrawWindowTest, DrawsAtTheScreensPixelRatio) {
    const char* factor = std::getenv("QT_SCALE_FACTOR");
    const double expected = factor != nullptr ? std::atof(factor) : 1.0;
    form_->Show();
    QApplication::processEvents();
    ASSERT_EQ(form_->PixelRatio(), expected);
    device_->DrawHeader(0, 0, 160, 120);
    device_->SetDrawColor(12);
    device_->DrawCircle(80, 60, 37);
    form_->PaintNow();
    const TSize device = form_->Canvas()->DeviceSize();
    EXPECT_EQ(device.cx, static_cast<int>(std::ceil(form_->ClientWidth() * expected)));
    EXPECT_EQ(device.cy, static_cast<int>(std::ceil(form_->ClientHeight() * expected)));
    // Blown up, each logical row would be two equal device rows; drawn at the device's pixels,
    // the circle's rows pair up only by chance.
    int rowsOfCircle = 0, unpaired = 0;
    for (int y = 0; y + 1 < device.cy; y += 2) {
        bool red = false, differs = false;
        for (int x = 0; x < device.cx; ++x) {
            const bool a = form_->Canvas()->Pixel(x, y) == kRed;
            const bool b = form_->Canvas()->Pixel(x, y + 1) == kRed;
            red = red || a || b;
            differs = differs || a != b;
        }
        rowsOfCircle += red;
        unpaired += differs;
    }
    EXPECT_GT(rowsOfCircle, 100 * expected);
    if (expected >= 2) { EXPECT_GT(unpaired, rowsOfCircle / 4); }
    // The circle's size on the screen is the same at any scaling.
    const Box b = BoxOf(*form_, kRed);
    EXPECT_NEAR(b.Width(), 2 * 37 * kScale, 3);
}

// Keyboard zoom works however the view was opened: after a menu command chosen with the
// keyboard (the menu bar keeps the focus then) and after a click into the drawing.
TEST_F(DrawWindowInputTest, KeysZoomAfterKeyboardMenuUseAndAClick) {
    auto* menu = new TMainMenu(form_);
    auto* view = new TMenuItem(form_);
    view->SetCaption("&View");
    menu->Items()->Add(view);
    auto* quick = new TMenuItem(form_);
    quick->SetCaption("&Quick");
    int chosen = 0;
    quick->OnClick = [&](TObject*) { ++chosen; };
    view->Add(quick);
    form_->SetMenu(menu);
    QApplication::processEvents();
    // Alt+V, Return: the command runs from the keyboard.
    QTest::keyClick(form_->Widget(), Qt::Key_V, Qt::AltModifier);
    QApplication::processEvents();
    if (QWidget* popup = QApplication::activePopupWidget()) QTest::keyClick(popup, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(chosen, 1);
    QTest::keyClick(KeyTarget(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(ZoomRect, (TZoomRect{54, 586, 41, 439}));
    QTest::keyClick(KeyTarget(), Qt::Key_Escape);
    EXPECT_EQ(ZoomRect, (TZoomRect{1, 639, 1, 479}));
    QTest::mouseClick(client_, Qt::LeftButton, Qt::NoModifier, QPoint(300, 300));
    QTest::keyClick(KeyTarget(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(ZoomRect, (TZoomRect{54, 586, 41, 439}));
    // A menu opened by its access key while the bar is in use, then Esc out of it all: the
    // focus goes back to the drawing, and the next Esc reaches it.
    for (Qt::Key k : {Qt::Key_V, Qt::Key_Escape, Qt::Key_V, Qt::Key_Escape, Qt::Key_Escape}) {
        QWidget* popup = QApplication::activePopupWidget();
        QTest::keyClick(popup ? popup : KeyTarget(), k,
                        k == Qt::Key_V ? Qt::AltModifier : Qt::NoModifier);
    }
    EXPECT_EQ(QApplication::focusWidget(), client_);
    QTest::keyClick(KeyTarget(), Qt::Key_Escape);
    EXPECT_EQ(ZoomRect, (TZoomRect{1, 639, 1, 479}));
    // A menu bar left with the focus (no window had it before the menu) passes the keys on.
    TFkelmgra::processKey(VK_ESCAPE);
    menu->MenuBar()->setFocus(Qt::MenuBarFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(menu->MenuBar()));
    QTest::keyClick(KeyTarget(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(ZoomRect, (TZoomRect{54, 586, 41, 439}));
    QTest::keyClick(KeyTarget(), Qt::Key_Up);
    EXPECT_EQ(ZoomRect, (TZoomRect{54, 586, 1, 399}));
    // The window turned to again while its bar held the focus: the drawing gets it back.
    menu->MenuBar()->setFocus(Qt::ActiveWindowFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(form_->Widget()->window()->focusWidget(), client_);
}

} // namespace
