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
#include "platform/gui/responder.h"

#include <QApplication>
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
    device_->DrawHeader(0, 0, 160, 120);
    device_->SetDrawColor(12);
    TFkelmgra::SetLineWidth(3); // 12 printer pixels: visible when the page is rendered coarsely
    device_->DrawCircle(80, 60, 10);
    const std::string dir = OutDir().empty()
                                ? (std::filesystem::temp_directory_path() / "qor_kelmgraf").string()
                                : OutDir();
    std::filesystem::create_directories(dir);
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
    device_->DrawHeader(0, 0, 160, 120);
    device_->SetDrawColor(12);
    TFkelmgra::SetLineWidth(3);
    device_->DrawCircle(80, 60, 10);
    const std::string dir =
        OutDir().empty() ? (std::filesystem::temp_directory_path() / "qor_kelmgraf2").string()
                         : OutDir();
    std::filesystem::create_directories(dir);
    const std::string pdf = dir + "/framed.pdf";
    PrintScaleX = PrintScaleY = 0.5;
    PrintOffsetX = 21; // a tenth of the page width
    PrintOffsetY = 0;
    PrintBorder = 1;
    WinPrintMode = 2; // palette colours
    TPrinter& p = *Printer();
    ASSERT_TRUE(p.SetOutputFileName(pdf));
    ASSERT_TRUE(p.BeginDoc()) << p.LastError();
    DrawToPrinter = 1;
    form_->FormPaint(form_);
    DrawToPrinter = 0;
    ASSERT_TRUE(p.EndDoc()) << p.LastError();
    p.SetOutputFileName("");
    EXPECT_TRUE(std::filesystem::exists(pdf));
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

} // namespace
