// Printer (PDF output checked with poppler's pdfinfo), the reference drawing on a bitmap and on
// the printer, screen, cursor and clipboard.

#include "platform/gui/application.h"
#include "platform/gui/canvas.h"
#include "platform/gui/canvas_qt.h"
#include "platform/gui/printer.h"
#include "platform/gui/screen.h"
#include "tests/testutil.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

// The program's own application object, created once for all tests (never destroyed).
void EnsureApp() {
    Application->Initialize();
}

using qortest::RunCommand;

// pdfinfo's "Key: value" lines.
std::map<std::string, std::string> PdfInfo(const std::string& path) {
    std::map<std::string, std::string> info;
    const std::string text = RunCommand("pdfinfo '" + path + "' 2>/dev/null");
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) eol = text.size();
        const std::string line = text.substr(pos, eol - pos);
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::size_t v = colon + 1;
            while (v < line.size() && line[v] == ' ')
                ++v;
            info[line.substr(0, colon)] = line.substr(v);
        }
        pos = eol + 1;
    }
    return info;
}

// Page width and height in points from pdfinfo's "Page size: W x H pts ...".
std::pair<double, double> PageSizePts(const std::map<std::string, std::string>& info) {
    const auto it = info.find("Page size");
    if (it == info.end()) return {0, 0};
    double w = 0, h = 0;
    std::sscanf(it->second.c_str(), "%lf x %lf", &w, &h);
    return {w, h};
}

// The reference drawing, laid out in units of a hundredth of the shorter page side so that the
// same picture fits a bitmap and a printer page. tests/platform/gui_canvas_check.py probes the
// files it gives with its own geometry.
void DrawReferenceDrawing(TCanvas& c, int width, int height) {
    const double u = std::min(width, height) / 100.0;
    auto U = [u](double v) { return static_cast<int>(std::lround(v * u)); };
    c.Brush.Style = bsSolid;
    c.Brush.Color = clWhite;
    c.Pen.Style = psClear;
    c.FillRect(Rect(0, 0, width, height));
    c.Pen.Width = std::max(1, U(0.25));
    // Lines in each style, from x = 10u to 90u at y = 10u, 15u, 20u, 25u.
    const TPenStyle styles[] = {psSolid, psDash, psDot, psDashDot};
    for (int i = 0; i < 4; ++i) {
        c.Pen.Style = styles[i];
        c.Pen.Color = clBlack;
        c.MoveTo(U(10), U(10 + 5 * i));
        c.LineTo(U(90), U(10 + 5 * i));
    }
    c.Pen.Style = psSolid;
    // Quarter arc (0 to 90 degrees) about (30u, 50u), radius 12u, in red.
    c.Pen.Color = clRed;
    c.Arc(U(18), U(38), U(42) + 1, U(62) + 1, U(50), U(50), U(30), U(30));
    // Full circle (equal rays) about (60u, 50u), radius 12u, in blue.
    c.Pen.Color = clBlue;
    c.Arc(U(48), U(38), U(72) + 1, U(62) + 1, U(70), U(40), U(70), U(40));
    // Filled triangle, green with a black outline.
    c.Pen.Color = clBlack;
    c.Brush.Color = clLime;
    const TPoint tri[] = {{U(10), U(70)}, {U(40), U(70)}, {U(25), U(95)}};
    c.Polygon(tri);
    // Text rotated by 90 degrees: runs upwards from (75u, 95u), character height 5u, navy.
    c.Brush.Style = bsClear;
    c.Font.Name = "Arial";
    c.Font.SetHeight(-U(5));
    c.Font.Color = clNavy;
    c.Font.Orientation = 900;
    c.TextOut(U(75), U(95), "Zahnrad");
    c.Font.Orientation = 0;
}

class GuiCanvasPrint : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        const char* out = std::getenv("QOR_CANVAS_OUT");
        dir_ = out != nullptr && *out != '\0'
                   ? std::filesystem::path(out)
                   : std::filesystem::path(QOR_BINARY_DIR) / "gui_canvas_print";
        std::filesystem::create_directories(dir_);
        printer_ = std::make_unique<TPrinter>();
    }
    std::string File(const std::string& name) const { return (dir_ / name).string(); }
    static bool HavePdfInfo() { return !RunCommand("pdfinfo -v 2>&1").empty(); }

    std::filesystem::path dir_;
    std::unique_ptr<TPrinter> printer_;
};

TEST_F(GuiCanvasPrint, ReferenceDrawingOnABitmap) {
    TBitmap bmp(800, 600);
    TCanvas& c = *bmp.Canvas();
    DrawReferenceDrawing(c, 800, 600);
    const double u = 6.0;
    auto at = [&](double x, double y) {
        return c.Pixel(static_cast<int>(std::lround(x * u)), static_cast<int>(std::lround(y * u)));
    };
    auto nearColour = [&](double x, double y, TColor col) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (c.Pixel(static_cast<int>(std::lround(x * u)) + dx,
                            static_cast<int>(std::lround(y * u)) + dy) == col)
                    return true;
        return false;
    };
    // Ink share along each line: solid 1, dash 18/24, dot 3/6, dash-dot 12/24.
    const double share[] = {1.0, 0.75, 0.5, 0.5};
    for (int i = 0; i < 4; ++i) {
        int ink = 0;
        for (int x = 60; x < 540; ++x)
            ink += c.Pixel(x, static_cast<int>((10 + 5 * i) * u)) == clBlack;
        EXPECT_NEAR(ink / 480.0, share[i], 0.04) << "line " << i;
    }
    for (double deg : {10.0, 45.0, 80.0})
        EXPECT_TRUE(nearColour(30 + 12 * std::cos(deg * M_PI / 180),
                               50 - 12 * std::sin(deg * M_PI / 180), clRed))
            << deg;
    for (double deg : {135.0, 225.0, 315.0})
        EXPECT_FALSE(nearColour(30 + 12 * std::cos(deg * M_PI / 180),
                                50 - 12 * std::sin(deg * M_PI / 180), clRed))
            << deg;
    for (double deg = 0; deg < 360; deg += 30)
        EXPECT_TRUE(nearColour(60 + 12 * std::cos(deg * M_PI / 180),
                               50 - 12 * std::sin(deg * M_PI / 180), clBlue))
            << deg;
    EXPECT_EQ(at(25, 78), clLime);
    EXPECT_TRUE(nearColour(25, 70, clBlack));
    EXPECT_EQ(at(5, 78), clWhite);
    int text = 0;
    for (int y = static_cast<int>(70 * u); y < static_cast<int>(95 * u); ++y)
        for (int x = static_cast<int>(75 * u); x < static_cast<int>(81 * u); ++x)
            text += c.Pixel(x, y) != clWhite;
    EXPECT_GT(text, 100);
    ASSERT_TRUE(bmp.SaveToFile(File("reference.png"))) << bmp.LastError();
}

TEST_F(GuiCanvasPrint, ReferenceDrawingToPdfInBothOrientations) {
    for (TPrinterOrientation o : {poPortrait, poLandscape}) {
        const bool landscape = o == poLandscape;
        const std::string path =
            File(landscape ? "reference-landscape.pdf" : "reference-portrait.pdf");
        std::filesystem::remove(path);
        ASSERT_TRUE(printer_->SetOutputFileName(path));
        ASSERT_TRUE(printer_->SetOrientation(o));
        printer_->Title = "Reference drawing";
        // A4 at 600 pixels per inch.
        const int w = printer_->PageWidth(), h = printer_->PageHeight();
        EXPECT_NEAR(landscape ? h : w, 210.0 / 25.4 * 600, 4); // Qt rounds A4 to whole points
        EXPECT_NEAR(landscape ? w : h, 297.0 / 25.4 * 600, 4);
        ASSERT_TRUE(printer_->BeginDoc()) << printer_->LastError();
        EXPECT_TRUE(printer_->Printing());
        EXPECT_EQ(printer_->PageNumber(), 1);
        EXPECT_EQ(printer_->Canvas()->PixelsPerInch(), 600);
        EXPECT_FALSE(std::filesystem::exists(path)); // appears complete at the end only
        DrawReferenceDrawing(*printer_->Canvas(), w, h);
        ASSERT_TRUE(printer_->EndDoc()) << printer_->LastError();
        EXPECT_FALSE(printer_->Printing());
        ASSERT_TRUE(std::filesystem::exists(path));
        if (!HavePdfInfo()) GTEST_SKIP() << "pdfinfo is not installed";
        const auto info = PdfInfo(path);
        EXPECT_EQ(info.count("Pages") ? info.at("Pages") : "", "1");
        EXPECT_EQ(info.count("Title") ? info.at("Title") : "", "Reference drawing");
        const auto [pw, ph] = PageSizePts(info);
        EXPECT_NEAR(landscape ? pw : ph, 841.89, 1.0);
        EXPECT_NEAR(landscape ? ph : pw, 595.28, 1.0);
    }
    // No temporary PDF files left behind.
    for (const auto& e : std::filesystem::directory_iterator(dir_))
        EXPECT_NE(e.path().filename().string().rfind(".reference-", 0), 0u) << e.path();
}

TEST_F(GuiCanvasPrint, PagesAbortAndErrors) {
    const std::string path = File("pages.pdf");
    std::filesystem::remove(path);
    EXPECT_FALSE(printer_->NewPage());
    EXPECT_FALSE(printer_->EndDoc());
    EXPECT_FALSE(printer_->LastError().empty());
    ASSERT_TRUE(printer_->SetOutputFileName(path));
    ASSERT_TRUE(printer_->BeginDoc()) << printer_->LastError();
    EXPECT_FALSE(printer_->BeginDoc()); // one job at a time
    EXPECT_FALSE(printer_->SetOrientation(poLandscape));
    EXPECT_FALSE(printer_->SetOutputFileName(File("other.pdf")));
    printer_->Canvas()->TextOut(100, 100, "page 1");
    ASSERT_TRUE(printer_->NewPage());
    EXPECT_EQ(printer_->PageNumber(), 2);
    printer_->Canvas()->TextOut(100, 100, "page 2");
    ASSERT_TRUE(printer_->NewPage());
    ASSERT_TRUE(printer_->EndDoc());
    if (HavePdfInfo()) {
        EXPECT_EQ(PdfInfo(path)["Pages"], "3");
        const std::string text = RunCommand("pdftotext '" + path + "' - 2>/dev/null");
        EXPECT_NE(text.find("page 1"), std::string::npos);
        EXPECT_NE(text.find("page 2"), std::string::npos);
    }

    // An aborted job leaves the earlier file as it was and no temporary file.
    const auto before = std::filesystem::file_size(path);
    ASSERT_TRUE(printer_->BeginDoc());
    printer_->Canvas()->TextOut(10, 10, "aborted");
    printer_->Abort();
    EXPECT_TRUE(printer_->Aborted());
    EXPECT_FALSE(printer_->Printing());
    EXPECT_EQ(std::filesystem::file_size(path), before);
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_))
        entries += e.path().filename().string().rfind(".pages", 0) == 0;
    EXPECT_EQ(entries, 0);

    // A file in a folder that does not exist cannot be started.
    ASSERT_TRUE(printer_->SetOutputFileName(File("no/such/folder/x.pdf")));
    EXPECT_FALSE(printer_->BeginDoc());
    EXPECT_FALSE(printer_->Printing());
    EXPECT_NE(printer_->LastError().find("x.pdf"), std::string::npos);

    EXPECT_FALSE(printer_->SetPrinterIndex(static_cast<int>(printer_->Printers().size())));
    EXPECT_TRUE(printer_->SetPrinterIndex(-1));
    EXPECT_FALSE(printer_->SetPrinterByName("no such queue 4711"));
    EXPECT_TRUE(printer_->SetPrinterByName(""));

    // Without a file and without any print queue a job cannot start, and says so.
    ASSERT_TRUE(printer_->SetOutputFileName(""));
    if (printer_->Printers().empty() && printer_->PrinterName().empty()) {
        EXPECT_FALSE(printer_->BeginDoc());
        EXPECT_EQ(printer_->LastError(), "There is no default printer currently selected");
        EXPECT_EQ(printer_->PrinterIndex(), -1);
    }
}

TEST_F(GuiCanvasPrint, CapabilitiesDescribeThePdfPage) {
    ASSERT_TRUE(printer_->SetOutputFileName(File("caps.pdf")));
    ASSERT_TRUE(printer_->SetOrientation(poPortrait));
    const TPrinterCapabilities caps = printer_->Capabilities();
    EXPECT_EQ(caps.Name, "PDF");
    EXPECT_EQ(caps.Technology, 2);
    EXPECT_EQ(caps.DpiX, 600);
    EXPECT_EQ(caps.DpiY, 600);
    EXPECT_NEAR(caps.WidthMm, 210, 1);
    EXPECT_NEAR(caps.HeightMm, 297, 1);
    EXPECT_EQ(caps.WidthPixels, printer_->PageWidth());
    EXPECT_EQ(caps.HeightPixels, printer_->PageHeight());
    EXPECT_FALSE(caps.Fonts.empty());
    EXPECT_EQ(printer_->PrinterName(), "PDF");
}

TEST(GuiScreen, SizeResolutionAndOneCursorOverride) {
    EnsureApp();
    EXPECT_GT(Screen()->Width(), 0);
    EXPECT_GT(Screen()->Height(), 0);
    EXPECT_GE(Screen()->PixelsPerInch(), 24);
    EXPECT_EQ(Screen()->Cursor(), crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    Screen()->SetCursor(crHourGlass);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Screen()->SetCursor(crHourGlass); // a second hourglass does not stack
    Screen()->SetCursor(crArrow);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::ArrowCursor);
    EXPECT_EQ(Screen()->Cursor(), crArrow);
    Screen()->SetCursor(crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    Screen()->SetCursor(crDefault); // harmless without an override
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    const auto fonts = Screen()->Fonts();
    EXPECT_FALSE(fonts.empty());
    Beep(); // must not block or fail headless
}

TEST(GuiScreen, ClipboardTextAndImage) {
    EnsureApp();
    const std::string text = "Zahnrad ÄÖÜ ß 齿轮\tline 2";
    Clipboard()->SetAsText(text);
    EXPECT_TRUE(Clipboard()->HasText());
    EXPECT_EQ(Clipboard()->AsText(), text);
    TBitmap bmp(10, 6);
    bmp.Canvas()->SetPixel(3, 4, clRed);
    Clipboard()->SetImage(bmp);
    EXPECT_TRUE(Clipboard()->HasImage());
    TBitmap back;
    ASSERT_TRUE(Clipboard()->GetImage(back));
    EXPECT_EQ(back.Width(), 10);
    EXPECT_EQ(back.Height(), 6);
    EXPECT_EQ(back.Canvas()->Pixel(3, 4), clRed);
    EXPECT_EQ(back.Canvas()->Pixel(4, 4), clWhite);
    Clipboard()->Clear();
    EXPECT_FALSE(Clipboard()->HasText());
    EXPECT_EQ(Clipboard()->AsText(), "");
    EXPECT_FALSE(Clipboard()->GetImage(back));
}

} // namespace

namespace {

// Batch modes run without a GUI application: the canvas, screen, clipboard and printer must
// degrade quietly there. The check runs in a fresh child process (no application object yet).
TEST(GuiCanvasBatch, WithoutAGuiApplicationNothingFailsLoudly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            int bad = 0;
            if (QCoreApplication::instance() != nullptr) bad |= 1;
            if (Screen()->Width() != 640 || Screen()->Height() != 480 ||
                Screen()->PixelsPerInch() != 96)
                bad |= 2;
            Screen()->SetCursor(crHourGlass);
            Screen()->SetCursor(crDefault);
            Beep();
            Clipboard()->SetAsText("x");
            if (Clipboard()->HasText() || !Clipboard()->AsText().empty()) bad |= 4;
            TBitmap bmp(20, 20);
            bmp.Canvas()->MoveTo(0, 5);
            bmp.Canvas()->LineTo(20, 5);
            if (bmp.Canvas()->Pixel(10, 5) != clBlack) bad |= 8;
            bmp.Canvas()->TextOut(0, 0, "no fonts here");
            if (bmp.Canvas()->TextExtent("abc").cx != 0) bad |= 16;
            TPrinter printer;
            printer.SetOutputFileName("/tmp/never-written.pdf");
            if (printer.BeginDoc() || printer.LastError().empty() || printer.PageWidth() != 0)
                bad |= 32;
            if (ColorToRGB(clBtnFace) != RGB(192, 192, 192)) bad |= 64;
            std::exit(bad);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
