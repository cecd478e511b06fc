// File > Print: the graphic printout into a PDF file with the presets of the drawing on screen
// (checked with poppler's pdfinfo and pdftoppm), and the named print sets of "printout.dbf":
// one saved after the shipped ones (read back with python3-dbfread), a cancelled name that
// leaves the table alone, a set loaded into the dialog. QOR_SHOTS=<folder> writes pictures of the
// dialogs and the printed sheets there.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QPixmap>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "dbf/browse/browse_window.h"
#include "calc/calcentry.h"
#include "drawings/production.h"
#include "drawings/quicksheets.h"
#include "framework/ui/listing.h"
#include "framework/ui/printout.h"
#include "shell/job/jobfile.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/ui/draw_device.h"
#include "platform/gui/application.h"
#include "platform/gui/printer.h"
#include "platform/gui/responder.h"
#include "shell/main_window.h"
#include "shell/print_dialog.h"
#include "shell/printer_info.h"
#include "shell/startup.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

class PrintTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Application->Initialize(); }

    void SetUp() override {
        Dir = qortest::FreshTestDir("qor_print_");
        ::setenv("XDG_CONFIG_HOME", (Dir / "xdg").c_str(), 1);
        InitProgram();
        for (std::string* d : {&ConfigDir, &TempDir, &DefaultDataDir, &DataDir})
            *d = AddBackslash(Dir.string());
        fs::create_directories(Dir / "dbf");
        DbfDir = AddBackslash((Dir / "dbf").string());
        PrintoutDbfDir = AddBackslash((Dir / "none").string());
        ScriptedResponder quiet;
        ResponderScope scope(quiet);
        Window = NewForm<Thh>(nullptr);
        Window->Show();
    }

    void TearDown() override {
        Window->Free();
        DoneProgram();
        fs::remove_all(Dir);
    }

    // Runs File > Print with the steps on the dialog (and the questions they raise).
    void Print(ScriptedResponder& r) {
        ResponderScope scope(r);
        Window->mi_fileprint->Click();
        EXPECT_EQ(r.Unexpected(), 0) << ::testing::PrintToString(r.Seen());
        EXPECT_EQ(r.Pending(), 0);
    }

    static void Shot(TForm& f, const std::string& name) {
        if (const char* shots = std::getenv("QOR_SHOTS"))
            f.Widget()->grab().save(QString::fromStdString(std::string(shots) + "/" + name));
    }

    // python3-dbfread's records, one line each: the values joined with '|'.
    static std::vector<std::string> Records(const std::string& table) {
        const std::string out = qortest::RunCommand(
            "/usr/bin/python3 -c \"import sys, dbfread\n"
            "for r in dbfread.DBF(sys.argv[1], encoding='cp437', char_decode_errors='strict'):\n"
            "    print('|'.join(str(v) for v in r.values()))\" '" +
            table + "' 2>&1");
        std::vector<std::string> lines;
        for (std::size_t at = 0, nl; (nl = out.find('\n', at)) != std::string::npos; at = nl + 1)
            lines.push_back(out.substr(at, nl - at));
        return lines;
    }

    fs::path Dir;
    Thh* Window = nullptr;
};

// A word of page 1 and its box in mm from the page's upper left corner (pdftotext -bbox).
struct WordBox {
    double X1 = -1, Y1 = -1, X2 = -1, Y2 = -1;
};
WordBox FindWord(const std::string& pdf, const std::string& word) {
    const std::string xml = qortest::RunCommand("pdftotext -bbox -f 1 -l 1 '" + pdf + "' - 2>&1");
    const std::string tail = "\">" + word + "</word>";
    const std::size_t end = xml.find(tail);
    WordBox b;
    if (end == std::string::npos) return b;
    const std::size_t start = xml.rfind("<word ", end);
    std::sscanf(xml.c_str() + start, "<word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\"",
                &b.X1, &b.Y1, &b.X2, &b.Y2);
    for (double* v : {&b.X1, &b.Y1, &b.X2, &b.Y2})
        *v *= 25.4 / 72;
    return b;
}

// Page 1's size in mm (pdfinfo).
std::pair<double, double> PageSize(const std::string& pdf) {
    const std::string info = qortest::RunCommand("pdfinfo '" + pdf + "' 2>&1");
    double w = 0, h = 0;
    const std::size_t at = info.find("Page size:");
    if (at != std::string::npos) std::sscanf(info.c_str() + at, "Page size: %lf x %lf", &w, &h);
    return {w * 25.4 / 72, h * 25.4 / 72};
}

// Page 1 rendered by pdftoppm at dpi in colour: width, height and RGB bytes.
struct Picture {
    int W = 0, H = 0;
    std::string Rgb;
};
Picture Render(const std::string& pdf, const std::string& stem, int dpi) {
    qortest::RunCommand("pdftoppm -r " + std::to_string(dpi) + " -singlefile '" + pdf + "' '" +
                        stem + "'");
    const std::string ppm = qortest::ReadFileBytes(stem + ".ppm");
    Picture p;
    int max = 0, used = 0;
    if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &p.W, &p.H, &max, &used) == 3)
        p.Rgb = ppm.substr(static_cast<std::size_t>(used) + 1);
    return p;
}

// Non-white pixels of page 1 rendered at 30 dpi in grey.
int InkedPixels(const std::string& pdf, const std::string& stem) {
    qortest::RunCommand("pdftoppm -r 30 -gray -singlefile '" + pdf + "' '" + stem + "'");
    const std::string pgm = qortest::ReadFileBytes(stem + ".pgm");
    // P5 <w> <h> <max> then the bytes.
    std::size_t at = 0;
    for (int fields = 0; fields < 4 && at < pgm.size(); ++fields) {
        while (at < pgm.size() && std::isspace(static_cast<unsigned char>(pgm[at])))
            ++at;
        while (at < pgm.size() && !std::isspace(static_cast<unsigned char>(pgm[at])))
            ++at;
    }
    int inked = 0;
    for (std::size_t i = at + 1; i < pgm.size(); ++i)
        inked += static_cast<unsigned char>(pgm[i]) < 200;
    return inked;
}

} // namespace

TEST_F(PrintTest, GraphicGoesToPdfWithThePresetsOfTheDrawing) {
    struct Case {
        int Kind;       // DrawingKind of the picture on screen
        int Configured; // PrinterOrientation of the configuration
        int Pick;       // orientation picked in the dialog, -1 none
        const char* ScaleX;
        bool PresetLandscape;
        bool Landscape;
    } cases[] = {
        {1, 2, -1, "1", true, true}, // a screen drawing: the configured screen dump
        {0, 1, -1, "1", false, false}, {2, 2, -1, "1", false, false}, // an A4 sheet: upright
        {2, 2, 1, "1", false, true},   {3, 1, -1, "1", true, true},   // an A3 sheet: lying
    };
    ScreendumpScale = 1.0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Kind * 10 + c.Pick);
        DrawDevice->ClearDevice();
        DrawDevice->DrawHeader(0, 0, 160, 120);
        for (int i = 0; i <= 16; ++i)
            DrawDevice->DrawLine(0, i * 7.5, 160, 120 - i * 7.5);
        DrawingKind = static_cast<std::uint16_t>(c.Kind);
        PrinterOrientation = static_cast<std::uint16_t>(c.Configured);
        const std::string pdf = (Dir / ("kind" + std::to_string(c.Kind) + ".pdf")).string();
        fs::remove(pdf);
        ScriptedResponder r;
        r.OnForm([&](TForm& f) {
            auto& p = dynamic_cast<TForm_printconf&>(f);
            EXPECT_EQ(p.Edit_scalex->Text(), c.ScaleX);
            EXPECT_EQ(p.Edit_scaley->Text(), "1");
            EXPECT_EQ(p.Edit_xorigin->Text(), "0");
            EXPECT_EQ(p.RadioGroup_hochquer->ItemIndex(), c.PresetLandscape ? 1 : 0);
            EXPECT_TRUE(Respond::Press(f, "Button_pdf"));
            EXPECT_EQ(p.Label_printer->Caption(), "PDF: " + fs::path(pdf).filename().string());
            EXPECT_TRUE(Respond::Pick(f, "RadioGroup_printmono", 0));
            if (c.Pick >= 0) {
                EXPECT_TRUE(Respond::Pick(f, "RadioGroup_hochquer", c.Pick));
            }
            Shot(f, "printconf_en.png");
            EXPECT_TRUE(Respond::Press(f, "Button_ok"));
        });
        r.OnDialog([&](TCommonDialog& d) {
            dynamic_cast<TSaveDialog&>(d).Choose(pdf);
            return true;
        });
        Print(r);
        EXPECT_EQ(AbortFlag, 0);
        const std::string info = qortest::RunCommand("pdfinfo '" + pdf + "' 2>&1");
        double w = 0, h = 0;
        const std::size_t at = info.find("Page size:");
        ASSERT_NE(at, std::string::npos) << info;
        std::sscanf(info.c_str() + at, "Page size: %lf x %lf", &w, &h);
        EXPECT_EQ(w > h, c.Landscape) << w << " x " << h;
        EXPECT_GT(InkedPixels(pdf, (Dir / "page").string()), 200);
        // The next printout goes to the printer again.
        EXPECT_EQ(Printer()->OutputFileName(), "");
    }
}

TEST_F(PrintTest, NamedSetsAreAppendedAndLoaded) {
    const std::vector<std::string> shipped = Records(QOR_SOURCE_DIR "/data/printout.dbf");
    ASSERT_EQ(shipped.size(), 4u) << ::testing::PrintToString(shipped);
    const std::string table = (Dir / "dbf" / "printout.dbf").string();
    struct Case {
        const char* Name; // nullptr: the name question is cancelled
        int Load;         // the set then loaded (radio item)
        const char *ScaleX, *OriginY;
        int Orientation, Shading;
        bool Fit, Border;
    } cases[] = {
        {nullptr, 1, "1.9", "0", 0, 1, false, false},
        {"Gear 17 A3", 4, "2.5", "30", 0, 0, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name != nullptr ? c.Name : "cancelled");
        const std::string before = qortest::ReadFileBytes(table);
        ScriptedResponder r;
        r.OnForm([&](TForm& f) {
            auto& p = dynamic_cast<TForm_printconf&>(f);
            Respond::Type(f, "Edit_scalex", "2,5");
            Respond::Type(f, "Edit_scaley", "0.75");
            Respond::Type(f, "Edit_xorigin", "-12");
            Respond::Type(f, "Edit_yorigin", "30");
            Respond::Pick(f, "RadioGroup_hochquer", 0);
            Respond::Pick(f, "RadioGroup_printmono", 0);
            Respond::Check(f, "CheckBox_anpassen", true);
            Respond::Check(f, "CheckBox_umrandung", true);
            EXPECT_TRUE(Respond::Press(f, "Button_append"));
            // Whatever was saved, the dialog then takes a set from the table.
            Respond::Type(f, "Edit_scalex", "7");
            EXPECT_TRUE(Respond::Press(f, "Button_db"));
            EXPECT_EQ(p.Edit_scalex->Text(), c.ScaleX);
            EXPECT_EQ(p.Edit_yorigin->Text(), c.OriginY);
            EXPECT_EQ(p.RadioGroup_hochquer->ItemIndex(), c.Orientation);
            EXPECT_EQ(p.RadioGroup_printmono->ItemIndex(), c.Shading);
            EXPECT_EQ(p.CheckBox_anpassen->Checked(), c.Fit);
            EXPECT_EQ(p.CheckBox_umrandung->Checked(), c.Border);
            Respond::Press(f, "Button_cancel");
        });
        r.OnForm([&](TForm& f) { // the name
            if (c.Name == nullptr) {
                Respond::Key(f, VK_ESCAPE);
                return;
            }
            Respond::Type(f, "EditEinText", c.Name);
            Respond::Press(f, "Button_ok");
        });
        r.OnForm([&](TForm& f) { // the set to load, in the browse window
            auto& w = dynamic_cast<dbf::Tdbf4&>(f);
            EXPECT_EQ(w.Label_title1->Caption(), "Printout");
            w.GoRecord(c.Load + 1);
            Shot(f, "printsets_en.png");
            w.Accept();
        });
        Print(r);
        EXPECT_EQ(AbortFlag, 1); // the dialog was cancelled: nothing printed
        const std::vector<std::string> now = Records(table);
        if (c.Name == nullptr) {
            // The first use put the shipped table in place; a cancelled name leaves it alone.
            EXPECT_EQ(now, shipped);
            if (!before.empty()) {
                EXPECT_EQ(qortest::ReadFileBytes(table), before);
            }
        } else {
            ASSERT_EQ(now.size(), 5u) << ::testing::PrintToString(now);
            EXPECT_EQ(std::vector<std::string>(now.begin(), now.begin() + 4), shipped);
            EXPECT_EQ(now[4], "Gear 17 A3|2.5|0.75|-12|30|False|True|True|True");
            EXPECT_EQ(PrintoutRecNo, 5);
        }
    }
}

// A "printout.dbf" in PrintoutDbfDir takes the set in place (a read-only copy of DbfDir stays
// out of it), its name in the table's DOS code page.
TEST_F(PrintTest, SetsInThePrintoutDirectoryAreUsedInPlace) {
    fs::create_directories(Dir / "sets");
    const std::string table = (Dir / "sets" / "printout.dbf").string();
    fs::copy_file(QOR_SOURCE_DIR "/data/printout.dbf", table);
    PrintoutDbfDir = AddBackslash((Dir / "sets").string());
    ScriptedResponder r;
    r.OnForm([](TForm& f) {
        Respond::Type(f, "Edit_scalex", "1.5");
        EXPECT_TRUE(Respond::Press(f, "Button_append"));
        Respond::Press(f, "Button_cancel");
    });
    r.OnForm([](TForm& f) {
        Respond::Type(f, "EditEinText", "Zahnr\u00e4der A4");
        Respond::Press(f, "Button_ok");
    });
    Print(r);
    const std::vector<std::string> now = Records(table);
    ASSERT_EQ(now.size(), 5u) << ::testing::PrintToString(now);
    EXPECT_THAT(now[4], ::testing::StartsWith("Zahnr\u00e4der A4|1.5|"));
    EXPECT_FALSE(fs::exists(Dir / "dbf" / "printout.dbf"));
}

// The printer information window lists the printer's capabilities; pictures of the dialogs
// with Korean texts on them.
TEST_F(PrintTest, PrinterInfoAndKoreanTexts) {
    Window->SetLanguage(8);
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
        EXPECT_TRUE(Respond::Press(f, "Button_pdf"));
        Shot(f, "printconf_ko.png");
        EXPECT_TRUE(Respond::Press(f, "Button_info"));
        Respond::Press(f, "Button_cancel");
    });
    r.OnDialog([&](TCommonDialog& d) {
        dynamic_cast<TSaveDialog&>(d).Choose((Dir / "\uAE30\uC5B4 \uB3C4\uBA74.pdf").string());
        return true;
    });
    r.OnForm([&](TForm& f) {
        auto& info = dynamic_cast<TForm_printerinfo&>(f);
        EXPECT_EQ(info.Caption(), "Printer Info");
        EXPECT_EQ(info.StringGrid1->Cells(0, 0), "Name");
        EXPECT_EQ(info.StringGrid1->Cells(0, 15), "Schriften");
        EXPECT_EQ(info.StringGrid1->RowCount(), 16 + std::stoi(info.StringGrid1->Cells(1, 15)));
        EXPECT_GT(std::stoi(info.StringGrid1->Cells(1, 9)), 0); // DPI
        Shot(f, "printerinfo.png");
        Respond::Press(f, "Button_ok");
    });
    Print(r);
}

// A drawing in its A4 or A3 frame prints whole: centred on the paper turned as the sheet is, at
// its true size where the page holds it (the A4 sheet on A4), else as large as fits (the A3
// sheet at 0.707), times the scales and moved by the origin in mm (pdftotext reads where two
// marks of the sheet landed).
TEST_F(PrintTest, SheetsPrintWholeOnThePaperTheyFit) {
    struct Case {
        int Kind;
        double X1, Y1, X2, Y2; // the drawing's window
        double W, H;           // its sheet
        const char *Scale, *OriginX, *OriginY;
        bool Landscape;
        double K; // paper mm per sheet mm
    } cases[] = {
        {2, -5, -5, 215, 307, 210, 297, "1", "0", "0", false, 1.0},
        {3, -2, -5, 422, 305, 420, 297, "1", "0", "0", true, 297.0 / 420},
        {2, -5, -5, 225, 310, 210, 297, "0.5", "10", "-20", false, 0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Kind * 10 + c.K);
        DrawDevice->ClearDevice();
        DrawDevice->DrawHeader(c.X1, c.Y1, c.X2, c.Y2);
        for (const auto& [x1, y1, x2, y2] : {std::array<double, 4>{0, 0, c.W, 0},
                                             {c.W, 0, c.W, c.H},
                                             {c.W, c.H, 0, c.H},
                                             {0, c.H, 0, 0}})
            DrawDevice->DrawLine(x1, y1, x2, y2);
        DrawDevice->DrawText("LLmark", 20, 20);
        DrawDevice->DrawText("URmark", c.W - 40, c.H - 30);
        DrawingKind = static_cast<std::uint16_t>(c.Kind);
        const std::string pdf = (Dir / "sheet.pdf").string();
        fs::remove(pdf);
        ScriptedResponder r;
        r.OnForm([&](TForm& f) {
            EXPECT_TRUE(Respond::Press(f, "Button_pdf"));
            Respond::Type(f, "Edit_scalex", c.Scale);
            Respond::Type(f, "Edit_scaley", c.Scale);
            Respond::Type(f, "Edit_xorigin", c.OriginX);
            Respond::Type(f, "Edit_yorigin", c.OriginY);
            EXPECT_TRUE(Respond::Press(f, "Button_ok"));
        });
        r.OnDialog([&](TCommonDialog& d) {
            dynamic_cast<TSaveDialog&>(d).Choose(pdf);
            return true;
        });
        Print(r);
        ASSERT_EQ(AbortFlag, 0);
        const auto [pw, ph] = PageSize(pdf);
        EXPECT_EQ(pw > ph, c.Landscape) << pw << " x " << ph;
        // Where a point of the sheet lands on the paper (mm from the upper left corner).
        const double k = c.K, ox = std::atof(c.OriginX), oy = std::atof(c.OriginY);
        const double left = (pw - c.W * k) / 2 + ox, top = (ph - c.H * k) / 2 + oy;
        auto at = [&](double x, double y) { return std::pair{left + k * x, top + k * (c.H - y)}; };
        const WordBox ll = FindWord(pdf, "LLmark"), ur = FindWord(pdf, "URmark");
        ASSERT_GE(ll.X1, 0) << "LLmark";
        ASSERT_GE(ur.X1, 0) << "URmark";
        // The text starts at its point; its box ends within a text height below it.
        EXPECT_NEAR(ll.X1, at(20, 20).first, 1.0);
        EXPECT_NEAR(ur.X1, at(c.W - 40, c.H - 30).first, 1.0);
        EXPECT_NEAR(ur.X1 - ll.X1, k * (c.W - 60), 0.3);
        EXPECT_NEAR(ll.Y2 - ur.Y2, k * (c.H - 50), 0.3);
        EXPECT_NEAR(ll.Y2, at(20, 20).second, 6 * k);
    }
}

// The production drawing (A4) and the Quick 4 sheet (A3) of the spur example, as File > Print
// sends them to a PDF with the dialog's presets: upright and true to size, lying and as large as
// A4 holds it; the ink of the sheet fills that size, centred, nothing of it cut.
TEST_F(PrintTest, ProductionDrawingAndQuick4SheetPrintWhole) {
    LoadJobFile(QOR_SOURCE_DIR "/data/spur.q1w");
    ASSERT_EQ(AbortFlag, 0);
    CalculateGears();
    ASSERT_EQ(CalcErrorFlag, 0);
    struct Case {
        const char* Name;
        void (*Draw)();
        bool Landscape;
        double K, W, H;
    } cases[] = {
        {"production drawing", [] { ProductionDrawing(3, 2, 7); }, false, 1.0, 210, 297},
        {"Quick 4", [] { DrawQuickSheet4(3); }, true, 297.0 / 420, 420, 297},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        c.Draw();
        ASSERT_EQ(AbortFlag, 0);
        const std::string pdf = (Dir / "drawing.pdf").string();
        ScriptedResponder r;
        r.OnForm([&](TForm& f) {
            EXPECT_TRUE(Respond::Press(f, "Button_pdf"));
            EXPECT_TRUE(Respond::Press(f, "Button_ok"));
        });
        r.OnDialog([&](TCommonDialog& d) {
            dynamic_cast<TSaveDialog&>(d).Choose(pdf);
            return true;
        });
        Print(r);
        ASSERT_EQ(AbortFlag, 0);
        const auto [pw, ph] = PageSize(pdf);
        EXPECT_EQ(pw > ph, c.Landscape) << pw << " x " << ph;
        // The ink of the sheet: the sheet's size on the paper, in the middle of the page.
        const Picture p = Render(pdf, (Dir / "drawing").string(), 40);
        ASSERT_GT(p.W, 0);
        int x1 = p.W, y1 = p.H, x2 = -1, y2 = -1;
        for (int y = 0; y < p.H; ++y)
            for (int x = 0; x < p.W; ++x) {
                const std::size_t i = 3 * (static_cast<std::size_t>(y) * p.W + x);
                const int sum = static_cast<unsigned char>(p.Rgb[i]) +
                                static_cast<unsigned char>(p.Rgb[i + 1]) +
                                static_cast<unsigned char>(p.Rgb[i + 2]);
                if (sum < 600) {
                    x1 = std::min(x1, x), x2 = std::max(x2, x);
                    y1 = std::min(y1, y), y2 = std::max(y2, y);
                }
            }
        const double mm = 25.4 / 40;
        EXPECT_NEAR((x2 - x1 + 1) * mm, c.W * c.K, 2.5) << x1 << ".." << x2;
        EXPECT_NEAR((y2 - y1 + 1) * mm, c.H * c.K, 2.5) << y1 << ".." << y2;
        EXPECT_NEAR((x1 + x2 + 1) * mm / 2, pw / 2, 1.5);
        EXPECT_NEAR((y1 + y2 + 1) * mm / 2, ph / 2, 1.5);
        if (const char* shots = std::getenv("QOR_SHOTS"))
            fs::copy_file(pdf, fs::path(shots) / (std::string(c.Name) + ".pdf"),
                          fs::copy_options::overwrite_existing);
    }
}

// On paper a colour that vanishes on white prints dark in its own hue; red prints red; in
// monochrome everything is black (pdftoppm's picture of a filled band).
TEST_F(PrintTest, LightColoursPrintDarkOnWhitePaper) {
    struct Case {
        int Colour;  // palette entry
        int Shading; // 0 monochrome, 1 colour
        int R, G, B; // about what the band must print (within 40); -1: dark enough is enough
    } cases[] = {
        {14, 1, -1, -1, -1}, // yellow
        {11, 1, -1, -1, -1}, // aqua
        {15, 1, -1, -1, -1}, // white
        {7, 1, -1, -1, -1},  // silver
        {4, 1, 255, 0, 0},   // red stays
        {14, 0, 0, 0, 0},    // monochrome
    };
    ColorGraphics = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Colour * 10 + c.Shading);
        DrawDevice->ClearDevice();
        DrawDevice->DrawHeader(0, 0, 160, 120);
        DrawDevice->SetDrawColor(c.Colour);
        DrawDevice->DrawSolid(20, 40, 140, 40, 20, 80, 140, 80);
        DrawingKind = 0;
        const std::string pdf = (Dir / "colour.pdf").string();
        fs::remove(pdf);
        ScriptedResponder r;
        r.OnForm([&](TForm& f) {
            EXPECT_TRUE(Respond::Press(f, "Button_pdf"));
            EXPECT_TRUE(Respond::Pick(f, "RadioGroup_printmono", c.Shading));
            EXPECT_TRUE(Respond::Press(f, "Button_ok"));
        });
        r.OnDialog([&](TCommonDialog& d) {
            dynamic_cast<TSaveDialog&>(d).Choose(pdf);
            return true;
        });
        Print(r);
        ASSERT_EQ(AbortFlag, 0);
        const Picture p = Render(pdf, (Dir / "colour").string(), 20);
        // The band's colour: the most frequent colour that is not the paper.
        std::map<int, int> seen;
        for (std::size_t i = 0; i + 2 < p.Rgb.size(); i += 3) {
            const int r8 = static_cast<unsigned char>(p.Rgb[i]),
                      g8 = static_cast<unsigned char>(p.Rgb[i + 1]),
                      b8 = static_cast<unsigned char>(p.Rgb[i + 2]);
            if (r8 + g8 + b8 < 3 * 250) ++seen[(r8 << 16) | (g8 << 8) | b8];
        }
        ASSERT_FALSE(seen.empty());
        const int rgb = std::max_element(seen.begin(), seen.end(), [](auto& a, auto& b) {
                            return a.second < b.second;
                        })->first;
        const int r8 = rgb >> 16, g8 = (rgb >> 8) & 255, b8 = rgb & 255;
        if (c.R >= 0) {
            EXPECT_NEAR(r8, c.R, 40);
            EXPECT_NEAR(g8, c.G, 40);
            EXPECT_NEAR(b8, c.B, 40);
        }
        // Contrast against white (relative luminance of sRGB): at least 3 to 1 as graphics
        // need, a light colour darkened to 4.5 to 1.
        auto lin = [](int v) {
            const double x = v / 255.0;
            return x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
        };
        const double l = 0.2126 * lin(r8) + 0.7152 * lin(g8) + 0.0722 * lin(b8);
        EXPECT_GE(1.05 / (l + 0.05), c.R < 0 ? 4.4 : 3.0) << r8 << " " << g8 << " " << b8;
        if (c.Colour == 14 && c.Shading == 1) {
            EXPECT_NEAR(r8, g8, 8); // yellow: a dark yellow, no grey
            EXPECT_LT(b8 + 40, r8);
        }
    }
}

// With no print queue set up, the printout says so and offers a PDF file: Yes prints into the
// chosen file, No keeps the dialog open; "Printer..." offers the file at once; a listing on the
// system printer asks the same.
TEST_F(PrintTest, WithoutAPrinterThePrintoutOffersAPdfFile) {
    PrintQueues = [] { return std::vector<std::string>{}; };
    struct QueuesBack {
        ~QueuesBack() { PrintQueues = nullptr; } // the system's again
    } back;
    DrawDevice->ClearDevice();
    DrawDevice->DrawHeader(0, 0, 160, 120);
    DrawDevice->DrawLine(0, 0, 160, 120);
    DrawingKind = 0;
    struct Case {
        const char* What;
        const char* Button; // pressed first
        int Answer;         // to the question
        bool Printed;
    } cases[] = {
        {"OK, yes", "Button_ok", IDYES, true},
        {"OK, no", "Button_ok", IDNO, false},
        {"Printer..., yes", "Button_printer", IDYES, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const std::string pdf = (Dir / "noprinter.pdf").string();
        fs::remove(pdf);
        std::string label;
        ScriptedResponder r;
        r.OnForm([&](TForm& f) {
            auto& p = dynamic_cast<TForm_printconf&>(f);
            label = p.Label_printer->Caption();
            EXPECT_TRUE(Respond::Press(f, c.Button));
            if (std::string(c.Button) == "Button_printer") {
                EXPECT_EQ(p.Label_printer->Caption(), "PDF: noprinter.pdf");
                EXPECT_TRUE(Respond::Press(f, "Button_ok"));
            }
            if (!c.Printed) Respond::Press(f, "Button_cancel"); // still open
        });
        r.OnMessage(c.Answer);
        if (c.Answer == IDYES) {
            r.OnDialog([&](TCommonDialog& d) {
                dynamic_cast<TSaveDialog&>(d).Choose(pdf);
                return true;
            });
        }
        Print(r);
        EXPECT_EQ(label, "No printer is set up: OK prints into a PDF file");
        ASSERT_GE(r.Seen().size(), 2u);
        EXPECT_THAT(r.Seen()[1], HasSubstr(NoPrinterQuestion));
        EXPECT_EQ(fs::exists(pdf), c.Printed);
        EXPECT_EQ(AbortFlag, c.Printed ? 0 : 1);
        if (c.Printed) {
            EXPECT_GT(InkedPixels(pdf, (Dir / "page").string()), 50);
        }
        EXPECT_EQ(Printer()->OutputFileName(), "");
    }

    // A listing on the system printer.
    const std::string pdf = (Dir / "listing.pdf").string();
    ScriptedResponder r;
    r.OnMessage(IDYES);
    r.OnDialog([&](TCommonDialog& d) {
        dynamic_cast<TSaveDialog&>(d).Choose(pdf);
        return true;
    });
    r.OnDialog([](TCommonDialog&) { return true; }); // the pages to print
    {
        ResponderScope scope(r);
        ListBegin(ListDevicePrinter, "");
        ASSERT_TRUE(ListRewrite());
        ListLine("printed into a file");
        ListEnd();
    }
    EXPECT_EQ(r.Unexpected(), 0) << ::testing::PrintToString(r.Seen());
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_THAT(qortest::RunCommand("pdftotext '" + pdf + "' - 2>&1"),
                HasSubstr("printed into a file"));
    EXPECT_EQ(Printer()->OutputFileName(), "");
}
