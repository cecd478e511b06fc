// Display list records, their text form, the world-to-pixel mapping and the keyboard zoom and
// pan of the drawing window, without a window. Expected record texts and zoom rectangles were
// worked out by hand and with mpmath from the formulas, not taken from this program's output.

#include "framework/ui/draw_device.h"
#include "framework/core/globals.h"
#include "framework/ui/drawing_window.h"
#include "framework/core/settings.h"
#include "platform/gui/responder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

class DisplayListTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitAllSettings();
        InitDrawWindowState();
        ScreenWidth = 640;
        ScreenHeight = 480;
        AbortFlag = 0;
        device_ = new TDrawDevice;
        DrawDevice = device_;
    }
    void TearDown() override { delete device_; }
    static std::vector<std::string> Lines() { return DisplayList->Lines(); }
    TDrawDevice* device_ = nullptr;
};

TEST_F(DisplayListTest, ScriptedRecordingGivesTheRecordLines) {
    TFkelmgra::Header(0, 0, 160, 120);
    TFkelmgra::Arc(10, 20, 30, 120, 5);
    TFkelmgra::SetColorIndex(3);
    TFkelmgra::SetColorIndex(3);
    TFkelmgra::Solid(0, 0, 10, 0, 0, 5, 10, 5);
    TFkelmgra::OutTextXY("a;b c", 1.5L, 2.25L);
    TFkelmgra::Arc(50, 60, 0, 360, 10);
    TFkelmgra::Arc(0, 0, 10, 12, 100);
    TFkelmgra::SetTextStyle(2, 30, 3.5L, 2.5L);
    TFkelmgra::SleepMs(5);
    TFkelmgra::SleepMs(5);
    TFkelmgra::Rectangle(0, 0, 2, 1);
    const std::vector<std::string> expected = {
        "10;1;1;639;479;0;0;160;120",
        "11;0",
        "5;5;15;15;25;14.330127;22.5;7.5;24.330127",
        "8;3",
        "7;0;0;10;0;0;5;10;5",
        "6;1.5;2.25;a;b c",
        "3;50;60;10",
        "4;98.480775;17.364818;97.81476;20.791169",
        "9;3.5;2.5;2;30",
        "13;5",
        "13;5",
        "4;0;0;2;0",
        "4;2;0;2;1",
        "4;2;1;0;1",
        "4;0;1;0;0",
    };
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(AbortFlag, 0);
}

TEST_F(DisplayListTest, ArcsAcrossZeroAndWholeTurns) {
    TFkelmgra::Arc(5, 5, 350, 10, 2);   // 20 degrees through 0
    TFkelmgra::Arc(1, 2, 90, 810, 3);   // two whole turns
    TFkelmgra::Arc(1, 2, -90, 270, 3);  // one turn from a negative start
    TFkelmgra::Arc(1, 2, 45, 45, 3);    // no sweep at all: a point chord
    TFkelmgra::Arc(0, 0, 10, 13.9L, 1); // just under 4 degrees: a chord
    const std::vector<std::string> l = Lines();
    ASSERT_EQ(l.size(), 5u);
    EXPECT_EQ(l[0], "5;3;3;7;7;6.9696155;4.6527036;6.9696155;5.3472964");
    EXPECT_EQ(l[1], "3;1;2;3");
    EXPECT_EQ(l[2], "3;1;2;3");
    EXPECT_EQ(l[3].substr(0, 2), "4;");
    EXPECT_EQ(l[4].substr(0, 2), "4;");
}

TEST_F(DisplayListTest, RealTexts) {
    EXPECT_EQ(RealToRecordText(0), "0");
    EXPECT_EQ(RealToRecordText(12.5L), "12.5");
    EXPECT_EQ(RealToRecordText(10.0L / 3), "3.3333333");
    EXPECT_EQ(RealToRecordText(-2.0L / 3), "-0.66666667");
    EXPECT_EQ(RealToRecordText(12345678), "12345678");
    EXPECT_EQ(RealToRecordText(123456789), "1.2345679E08");
    EXPECT_EQ(RealToRecordText(0.0001L), "0.0001");
    EXPECT_EQ(RealToRecordText(-0.0001234L), "-0.0001234");
    EXPECT_EQ(RealToRecordText(0.00001L), "1E-05");
    EXPECT_EQ(RealToRecordText(-2.5e-19L), "-2.5E-19");
    EXPECT_EQ(RealToRecordText(1e100L), "1E100");
    EXPECT_EQ(RealToRecordText(99999999.5L), "1E08");
    EXPECT_EQ(RealToRecordText(1000), "1000");
}

TEST_F(DisplayListTest, EqualColourStyleAndWidthAreRecordedOnce) {
    TFkelmgra::SetColorIndex(5);
    TFkelmgra::SetColorIndex(5);
    TFkelmgra::SetColorIndex(17); // above MaxColour
    TFkelmgra::SetColorIndex(16);
    TFkelmgra::SetLineStyle(2);
    TFkelmgra::SetLineStyle(2);
    TFkelmgra::SetLineWidth(3);
    TFkelmgra::SetLineWidth(3);
    TFkelmgra::SetLineStyleName("PUNKT");
    TFkelmgra::SetLineStyleName("HIDDEN");
    TFkelmgra::SetLineStyleName("STRICHPUNKT");
    TFkelmgra::SetLineStyleName("dashed"); // names are case-sensitive: solid
    const std::vector<std::string> expected = {"8;5",  "8;16", "11;2", "12;3",
                                               "11;1", "11;3", "11;2", "11;0"};
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(TFkelmgra::GetColor(), 16);
}

TEST_F(DisplayListTest, ClearForgetsTheRecordedColourAndWidth) {
    TFkelmgra::SetColorIndex(4);
    TFkelmgra::SetLineWidth(2);
    TFkelmgra::SetLineStyle(1);
    device_->ClearDevice();
    EXPECT_EQ(DisplayList->Count(), 0);
    // The first colour, width and style of the new drawing must be in the list, or the replay
    // would draw with colour 1, width 1 and solid lines.
    TFkelmgra::SetColorIndex(4);
    TFkelmgra::SetLineWidth(2);
    TFkelmgra::SetLineStyle(1);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"8;4", "12;2", "11;1"}));
}

TEST_F(DisplayListTest, ColourMappings) {
    const int low[8] = {0, 12, 14, 10, 11, 9, 13, 15};
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(TFkelmgra::GetColorTurbo(static_cast<std::uint8_t>(c)), low[c]);
    for (int c = 8; c < 16; ++c)
        EXPECT_EQ(TFkelmgra::GetColorTurbo(static_cast<std::uint8_t>(c)), c - 7);
    EXPECT_EQ(TDrawDevice::MapPenColour(20), 11);
    EXPECT_EQ(TDrawDevice::MapPenColour(255), 8);
    device_->SetPenColor(20);
    TFkelmgra::SetColorAcad(1);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"8;11", "8;12"}));
}

TEST_F(DisplayListTest, DirectionsOfTexts) {
    EXPECT_EQ(TFkelmgra::GetDirection(90), 1);
    EXPECT_EQ(TFkelmgra::GetDirection(270), 1);
    EXPECT_EQ(TFkelmgra::GetDirection(-90), 1);
    EXPECT_EQ(TFkelmgra::GetDirection(45), 0);
    EXPECT_EQ(TFkelmgra::GetDirection(135), 0);
    EXPECT_EQ(TFkelmgra::GetDirection(180), 0);
    EXPECT_EQ(TFkelmgra::GetDirection(0), 0);
}

TEST_F(DisplayListTest, TextRoundTripKeepsEveryLine) {
    const std::string text = "10;1;1;639;479;-1;-1;38;33\r\n"
                             "4;0;0;12.5;3.3333333\n"
                             "6;1;2;x;y;z\r\n"
                             "6;1;2;\n"
                             "garbage\n"
                             "4;1;2\n"
                             "99;1;2\n"
                             "3;1;2;3;4\n"
                             "8;abc\n"
                             "5;1;2;3;4;5;6;7;1E-05\n";
    DisplayList->SetText(text);
    const std::vector<std::string> expected = {"10;1;1;639;479;-1;-1;38;33",
                                               "4;0;0;12.5;3.3333333",
                                               "6;1;2;x;y;z",
                                               "6;1;2;",
                                               "garbage",
                                               "4;1;2",
                                               "99;1;2",
                                               "3;1;2;3;4",
                                               "8;0", // unreadable integers count as 0
                                               "5;1;2;3;4;5;6;7;1E-05"};
    EXPECT_EQ(Lines(), expected);
    const auto& recs = DisplayList->Records();
    EXPECT_EQ(recs[2].Code, drText);
    EXPECT_EQ(DisplayList->TextOf(recs[2]), "x;y;z");
    // Lines that cannot be read draw nothing.
    for (int i : {4, 5, 6, 7})
        EXPECT_EQ(recs[static_cast<std::size_t>(i)].Code, 0) << i;
    EXPECT_EQ(recs[8].Code, drColour);
    EXPECT_DOUBLE_EQ(DisplayList->Values(recs[9])[7], 1e-5);
    // Text() writes CR LF lines that read back the same.
    TDisplayList copy;
    copy.SetText(DisplayList->Text());
    EXPECT_EQ(copy.Lines(), expected);
    EXPECT_THROW(DisplayList->Line(10), std::out_of_range);
    EXPECT_THROW(DisplayList->Line(-1), std::out_of_range);
}

TEST_F(DisplayListTest, HeaderMapsTheWorldOntoTheVirtualScreen) {
    TFkelmgra::Header(0, 0, 160, 120);
    EXPECT_EQ(Viewport, (TViewport{1, 1, 639, 479}));
    EXPECT_EQ(ZoomRect, (TZoomRect{1, 639, 1, 479}));
    // Equal scales with KeepAspect on a 4:3 screen: the smaller, 478 / 120.
    EXPECT_NEAR(static_cast<double>(ScaleX), 478.0 / 120, 1e-12);
    EXPECT_NEAR(static_cast<double>(ScaleY), 478.0 / 120, 1e-12);
    EXPECT_EQ(PixelX(80), 320);
    EXPECT_EQ(PixelY(60), 240);
    EXPECT_EQ(PixelX(0), 1);
    EXPECT_EQ(PixelY(0), 479);
    EXPECT_EQ(LengthX(10), 40);
    // 90 * 478 / 120 = 358.5 rounds to the even 358.
    EXPECT_EQ(PixelX(90), 359);
    EXPECT_NEAR(static_cast<double>(WorldXOfPixel(PixelX(33))), 33, 0.3);
    EXPECT_NEAR(static_cast<double>(WorldYOfPixel(PixelY(77))), 77, 0.3);
    // The first Header after start finds the world window (0, 0)-(1, 1).
    EXPECT_NEAR(static_cast<double>(AspectFactor), 640.0 / 480, 1e-15);
    TFkelmgra::Header(0, 0, 320, 120);
    EXPECT_NEAR(static_cast<double>(AspectFactor), 1.0 * 640 / 160 / (480.0 / 120), 1e-15);
    EXPECT_NEAR(static_cast<double>(ScaleX), 638.0 / 320, 1e-12);
    EXPECT_NEAR(static_cast<double>(ScaleY), 638.0 / 320, 1e-12);
    EXPECT_NEAR(static_cast<double>(TFkelmgra::EinX(0.5)), 160, 1e-15);
    EXPECT_NEAR(static_cast<double>(TFkelmgra::EinY(0.25)), 30, 1e-15);
}

TEST_F(DisplayListTest, WindowOperations) {
    device_->SetDrawWindow(true, true, 0.1L, 0.05L, 0.95L, 0.95L, 0, 0, 36.9L, 32);
    EXPECT_EQ(Lines().back(), "10;65;25;607;455;0;0;36.9;32");
    EXPECT_EQ(AbortFlag, 0);
    TFkelmgra::SaveLimit();
    TFkelmgra::SetWindow(false, false, 0, 0, 1, 1, 0, 0, 0, 5);
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(Lines().back(), "10;0;0;640;480;0;0;0;5");
    AbortFlag = 0;
    TFkelmgra::RestoreLimit();
    EXPECT_EQ(WorldWindow, (TWorldWindow{0, 0, 36.9L, 32}));
    EXPECT_EQ(Viewport, (TViewport{1, 1, 639, 479}));
    TFkelmgra::SaveViewPort();
    TFkelmgra::ReSetWindow();
    EXPECT_EQ(WorldWindow, (TWorldWindow{0, 0, 1, 1}));
    EXPECT_EQ(Viewport, (TViewport{0, 0, 640, 480}));
    EXPECT_EQ(KeepAspect, 0);
    TFkelmgra::RetrieveViewPort();
    EXPECT_EQ(Viewport, (TViewport{1, 1, 639, 479}));
    // Without a list nothing is recorded, and nothing fails.
    delete device_;
    device_ = nullptr;
    EXPECT_EQ(DisplayList, nullptr);
    TFkelmgra::line(0, 0, 1, 1);
    TFkelmgra::Header(0, 0, 10, 10);
    EXPECT_EQ(Viewport, (TViewport{1, 1, 639, 479}));
}

TEST_F(DisplayListTest, KeypadZoomAndPanKeys) {
    TFkelmgra::Header(0, 0, 160, 120);
    TFkelmgra::processKey(VK_ADD);
    EXPECT_EQ(LastKey, '+');
    EXPECT_EQ(PanKey, ' ');
    EXPECT_EQ(ZoomRect, (TZoomRect{54, 586, 41, 439}));
    const TZoomRect zoomed = ZoomRect;
    struct Pan {
        std::uint16_t key;
        char pan;
        TZoomRect expected;
    };
    const Pan pans[] = {
        {VK_UP, 'H', {54, 586, 1, 399}},       {VK_DOWN, 'P', {54, 586, 81, 479}},
        {VK_PRIOR, 'I', {54, 586, -158, 240}}, {VK_NEXT, 'Q', {54, 586, 240, 638}},
        {VK_LEFT, 'K', {107, 639, 41, 439}},   {VK_RIGHT, 'M', {1, 533, 41, 439}},
    };
    for (const Pan& p : pans) {
        ZoomRect = zoomed;
        TFkelmgra::SetScale(zoomed.X1, zoomed.Y1, zoomed.X2, zoomed.Y2);
        TFkelmgra::processKey(p.key);
        EXPECT_EQ(LastKey, 0);
        EXPECT_EQ(PanKey, p.pan);
        EXPECT_EQ(ZoomRect, p.expected) << p.pan;
    }
    TFkelmgra::SetScale(zoomed.X1, zoomed.Y1, zoomed.X2, zoomed.Y2);
    TFkelmgra::processKey(VK_ADD);
    EXPECT_EQ(ZoomRect, (TZoomRect{99, 541, 74, 406}));
    TFkelmgra::processKey(VK_ESCAPE);
    EXPECT_EQ(PanKey, '?');
    EXPECT_EQ(ZoomRect, (TZoomRect{1, 639, 1, 479}));
    TFkelmgra::processKey(VK_SUBTRACT);
    EXPECT_EQ(LastKey, '-');
    EXPECT_EQ(ZoomRect, (TZoomRect{-63, 703, -47, 527}));
    TFkelmgra::processKey(VK_F5);
    EXPECT_EQ(ZoomRect, (TZoomRect{1, 639, 1, 479}));
    // The main keyboard's plus and minus do not zoom.
    TFkelmgra::processKey(187);
    TFkelmgra::processKey(189);
    EXPECT_EQ(ZoomRect, (TZoomRect{1, 639, 1, 479}));
    EXPECT_EQ(PanKey, '?');
    // The zoomed section shows the world it names: the centre stays in place.
    TFkelmgra::processKey(VK_ADD);
    EXPECT_NEAR(static_cast<double>(WorldXOfPixel(320)), 80, 0.3);
    EXPECT_NEAR(static_cast<double>(WorldYOfPixel(240)), 60, 0.3);
}

TEST_F(DisplayListTest, ZoomingOutAndPanningStopAtTheLimit) {
    TFkelmgra::Header(0, 0, 160, 120);
    for (int i = 0; i < 300; ++i)
        TFkelmgra::processKey(VK_SUBTRACT);
    EXPECT_LE(ZoomRect.X2, ZoomRectLimit);
    EXPECT_GE(ZoomRect.X1, -ZoomRectLimit);
    EXPECT_LT(ZoomRect.X1, ZoomRect.X2);
    EXPECT_LT(ZoomRect.Y1, ZoomRect.Y2);
    for (int i = 0; i < 300; ++i)
        TFkelmgra::processKey(VK_NEXT);
    EXPECT_LE(ZoomRect.Y2, ZoomRectLimit);
    EXPECT_LT(ZoomRect.Y1, ZoomRect.Y2);
    TFkelmgra::processKey(VK_ESCAPE);
    EXPECT_EQ(ZoomRect, (TZoomRect{1, 639, 1, 479}));
    // Zooming in ends at a section too small to halve; it never collapses.
    for (int i = 0; i < 100; ++i)
        TFkelmgra::processKey(VK_ADD);
    EXPECT_LT(ZoomRect.X1, ZoomRect.X2);
    EXPECT_LT(ZoomRect.Y1, ZoomRect.Y2);
}

TEST_F(DisplayListTest, DrawTextConvertsTheDosText) {
    // A DOS text (held as UTF-8) reaches the list as the display conversion gives it: itself,
    // or its 7-bit transliteration in that character mode.
    CharMode = 0;
    device_->DrawText("Z\xC3\xA4hne", 1, 2);
    EXPECT_EQ(Lines().back(), "6;1;2;Z\xC3\xA4hne");
    CharMode = 1;
    device_->DrawText("Z\xC3\xA4hne", 1, 2);
    EXPECT_EQ(Lines().back(), "6;1;2;Zaehne");
    CharMode = 0;
}

TEST_F(DisplayListTest, CheckInputFile) {
    struct Silent : ModalResponder {
        std::vector<std::string> texts;
        void RespondForm(TForm&) override {}
        int RespondMessage(const MessageQuestion& q) override {
            texts.push_back(q.Text);
            return IDOK;
        }
        bool RespondDialog(TCommonDialog&) override { return false; }
    } responder;
    ResponderScope scope(responder);
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "qor_kelmgraf_check";
    std::filesystem::create_directories(dir);
    const std::string present = (dir / "here.plt").string();
    std::ofstream(present) << "IN;\n";
    AbortFlag = 0;
    device_->CheckInputFile(present);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_TRUE(responder.texts.empty());
    device_->CheckInputFile((dir / "mis sing.plt").string());
    EXPECT_EQ(AbortFlag, 1);
    ASSERT_EQ(responder.texts.size(), 1u);
    EXPECT_EQ(responder.texts[0], (dir / "missing.plt").string() + " not found !");
    std::filesystem::remove_all(dir);
}

TEST_F(DisplayListTest, ASecondDeviceOwnsItsOwnList) {
    auto* second = new TDrawDevice;
    EXPECT_NE(DisplayList, nullptr);
    delete device_; // the first device frees only its own list
    device_ = second;
    TFkelmgra::line(0, 0, 1, 1);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"4;0;0;1;1"}));
}

TEST(OutputFileNameTest, ByArchiveModeAndCurrentFile) {
    InitAllSettings();
    DataFileName = "";
    EXPECT_EQ(OutputFileName(), "");
    DataFileName = "wheel";
    DataDir = "/data/jobs";
    DataFileExt = "q1w";
    ArchiveMode = 0;
    EXPECT_EQ(OutputFileName(), "/data/jobs/wheel.q1w");
    // In archive mode too: a job opened after the command line's is named by its full path,
    // the command line's by the name it was given (made absolute at start).
    ArchiveMode = 1;
    EXPECT_EQ(OutputFileName(), "/data/jobs/wheel.q1w");
    DataFileName = "/start/gear.q1w";
    EXPECT_EQ(OutputFileName(), "/start/gear.q1w");
    ArchiveMode = 0;
}

} // namespace
