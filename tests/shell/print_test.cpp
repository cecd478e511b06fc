// File > Print: the graphic printout into a PDF file with the presets of the drawing on screen
// (checked with poppler's pdfinfo and pdftoppm), and the named print sets of "printout.dbf":
// one saved after the shipped ones (read back with python3-dbfread), a cancelled name that
// leaves the table alone, a set loaded into the dialog. QOR_SHOTS=<folder> writes pictures of the
// dialogs and the printed sheets there. Then every command that writes a file the user names
// (docs/writing-files.md), and the writers under faults.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "cad/cadout.h"
#include "dbf/browse/browse_window.h"
#include "dbf/browse/facade.h"
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
#include "framework/ui/dialogs.h"
#include "shell/config_dialog.h"
#include "shell/file_commands.h"
#include "shell/main_window.h"
#include "shell/print_dialog.h"
#include "shell/printer_info.h"
#include "shell/startup.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;
using ::testing::Contains;
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

    // File > Print into the PDF file pdf: the file chosen, then more(dialog), then OK.
    void ToPdf(const std::string& pdf, const std::function<void(TForm&)>& more) {
        fs::remove(pdf);
        ScriptedResponder r;
        r.OnForm([&](TForm& f) {
            EXPECT_TRUE(Respond::Press(f, "Button_pdf"));
            more(f);
            EXPECT_TRUE(Respond::Press(f, "Button_ok"));
        });
        r.OnDialog([&](TCommonDialog& d) {
            dynamic_cast<TSaveDialog&>(d).Choose(pdf);
            return true;
        });
        Print(r);
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

    // The job "job" and the tool table in the test folder, which the CAD outputs, the listing
    // files and the table window write into too.
    void WritingSetUp() {
        CadDir = DbfDir = AddBackslash(Dir.string());
        fs::copy_file(QOR_SOURCE_DIR "/data/spur.q1w", P("job.q1w"));
        fs::copy_file(QOR_SOURCE_DIR "/data/q1toolx.dbf", P("q1toolx.dbf"));
        DataFileName = "job";
        TextDeviceWindow = 1; // the TXT device asks for its file
        HtmlBrowser = "";     // the HTML device too
        os::IgnoreFileSizeSignal();
    }
    std::string P(const std::string& name) const { return (Dir / name).string(); }

    // Runs a command: its save or print dialog gets typed (none when empty), its messages the
    // answers. What was asked and said.
    std::string Run(const std::function<void()>& command, const std::string& typed,
                    const std::vector<int>& answers) {
        ScriptedResponder r;
        if (!typed.empty())
            r.OnDialog([typed](TCommonDialog& d) {
                if (auto* print = dynamic_cast<TPrintDialog*>(&d))
                    print->ToFile = true, print->FileName = typed;
                else
                    dynamic_cast<TOpenDialog&>(d).Choose(typed);
                return true;
            });
        for (const int a : answers)
            r.OnMessage(a);
        ResponderScope scope(r);
        AbortFlag = 0;
        command();
        EXPECT_EQ(r.Unexpected() + r.Pending(), 0) << ::testing::PrintToString(r.Seen());
        return ::testing::PrintToString(r.Seen());
    }

    fs::path Dir;
    Thh* Window = nullptr;
};

// Page 1 of a PDF: its size in mm (pdfinfo), its picture at dpi in RGB (pdftoppm) and the
// box of its ink in mm from the upper left corner.
struct Page {
    double W = 0, H = 0;
    int Px = 0, Py = 0;
    std::string Rgb;
    double X1 = 1e9, Y1 = 1e9, X2 = -1, Y2 = -1;
    int Rgb8(std::size_t pixel, int c) const {
        return static_cast<unsigned char>(Rgb[3 * pixel + c]);
    }
};
Page ReadPage(const std::string& pdf, const std::string& stem, int dpi) {
    Page p;
    const std::string info = qortest::RunCommand("pdfinfo '" + pdf + "' 2>&1");
    const std::size_t at = info.find("Page size:");
    if (at != std::string::npos) std::sscanf(info.c_str() + at, "Page size: %lf x %lf", &p.W, &p.H);
    p.W *= 25.4 / 72, p.H *= 25.4 / 72;
    qortest::RunCommand("pdftoppm -r " + std::to_string(dpi) + " -singlefile '" + pdf + "' '" +
                        stem + "'");
    const std::string ppm = qortest::ReadFileBytes(stem + ".ppm");
    int max = 0, used = 0;
    if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &p.Px, &p.Py, &max, &used) != 3) return p;
    p.Rgb = ppm.substr(static_cast<std::size_t>(used) + 1);
    const double mm = 25.4 / dpi;
    for (int y = 0; y < p.Py; ++y)
        for (int x = 0; x < p.Px; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * p.Px + x;
            if (p.Rgb8(i, 0) + p.Rgb8(i, 1) + p.Rgb8(i, 2) >= 600) continue;
            p.X1 = std::min(p.X1, x * mm), p.X2 = std::max(p.X2, (x + 1) * mm);
            p.Y1 = std::min(p.Y1, y * mm), p.Y2 = std::max(p.Y2, (y + 1) * mm);
        }
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

void Drawing(std::uint16_t code) {
    CadOpenOutput(code);
    if (AbortFlag == 0) CadCloseOutput();
}

void Listing(std::uint16_t device) {
    ListBegin(device, "");
    if (AbortFlag != 0 || !ListRewrite()) return;
    ListLine("a line");
    ListEnd();
}

void PdfPrintout() {
    if (ChoosePdfOutput(nullptr, DataDir, DataFileName) && BeginPrintJob()) {
        Printer()->Canvas()->TextOut(100, 100, "printed into a file");
        EndPrintJob();
    }
    Printer()->SetOutputFileName("");
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
        const char* Refused = nullptr; // typed first: the table cannot hold it, the name stays
    } cases[] = {
        {nullptr, 1, "1.9", "0", 0, 1, false, false},
        {"Gear 17 A3", 4, "2.5", "30", 0, 0, true, true},
        {"Zahnrad 20\u00b0 \u03b1", 4, "2.5", "30", 0, 0, true, true, "Zahnrad \u20ac 20\u00b0 \u03b1"},
    };
    std::size_t named = 4;
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
            if (c.Refused != nullptr) {
                Respond::Type(f, "EditEinText", c.Refused);
                Respond::Press(f, "Button_ok");
                EXPECT_EQ(f.ModalResult(), mrNone);
            }
            Respond::Type(f, "EditEinText", c.Name);
            Respond::Press(f, "Button_ok");
        });
        if (c.Refused != nullptr) r.OnMessage(IDOK);
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
            ASSERT_EQ(now.size(), ++named) << ::testing::PrintToString(now);
            EXPECT_EQ(std::vector<std::string>(now.begin(), now.begin() + 4), shipped);
            EXPECT_EQ(now.back(), c.Name + std::string("|2.5|0.75|-12|30|False|True|True|True"));
            if (c.Refused != nullptr)
                EXPECT_THAT(r.Seen(), Contains(HasSubstr("cannot hold \"\u20ac\"")));
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

// A drawing in its A4 or A3 frame prints whole with all it holds (the product line above the
// sheet, the screen's footer below): centred on paper turned as the sheet is, at its true size
// where the page holds it, else as large as fits (the production drawing and Quick 4 on A4 fill
// the page one way), times the scales and moved by the origin in mm (the ink's box on pdftoppm's
// page); poppler's pdftotext finds the product line on the page.
TEST_F(PrintTest, SheetsPrintWholeOnThePaperTheyFit) {
    LoadJobFile(QOR_SOURCE_DIR "/data/spur.q1w");
    ASSERT_EQ(AbortFlag, 0);
    CalculateGears();
    auto sheetA4 = [] { // the A4 frame's outer edge alone
        DrawDevice->ClearDevice();
        DrawDevice->DrawHeader(-5, -5, 215, 307);
        for (const auto& [x1, y1, x2, y2] : {std::array<double, 4>{0, 0, 210, 0},
                                             {210, 0, 210, 297},
                                             {210, 297, 0, 297},
                                             {0, 297, 0, 0}})
            DrawDevice->DrawLine(x1, y1, x2, y2);
        DrawingKind = 2;
    };
    struct Case {
        const char* Name;
        std::function<void()> Draw;
        const char *Scale, *OriginX, *OriginY;
        bool Landscape;
        double W, H; // the ink on paper, mm (0: as large as the page holds it)
    } cases[] = {
        {"production drawing", [] { ProductionDrawing(3, 2, 7); }, "1", "0", "0", false, 0, 0},
        {"Quick 4", [] { DrawQuickSheet4(3); }, "1", "0", "0", true, 0, 0},
        {"A4 sheet at half size, moved", sheetA4, "0.5", "10", "-20", false, 105, 148.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        c.Draw();
        ASSERT_EQ(AbortFlag, 0);
        const std::string pdf = (Dir / (std::string(c.Name) + ".pdf")).string();
        ToPdf(pdf, [&](TForm& f) {
            Respond::Type(f, "Edit_scalex", c.Scale);
            Respond::Type(f, "Edit_scaley", c.Scale);
            Respond::Type(f, "Edit_xorigin", c.OriginX);
            Respond::Type(f, "Edit_yorigin", c.OriginY);
        });
        ASSERT_EQ(AbortFlag, 0);
        const Page p = ReadPage(pdf, (Dir / "page").string(), 40);
        EXPECT_EQ(p.W > p.H, c.Landscape) << p.W << " x " << p.H;
        if (c.W > 0) {
            EXPECT_NEAR(p.X2 - p.X1, c.W, 2.5);
            EXPECT_NEAR(p.Y2 - p.Y1, c.H, 2.5);
        } else {
            EXPECT_NEAR(std::max((p.X2 - p.X1) / p.W, (p.Y2 - p.Y1) / p.H), 1, 0.015);
            const std::string words = qortest::RunCommand("pdftotext -bbox '" + pdf + "' -");
            const std::size_t word = words.find(">Dimensions<");
            ASSERT_NE(word, std::string::npos) << words;
            const std::size_t at = words.rfind("<word", word);
            double box[4] = {-1, -1, 1e9, 1e9}, mm = 25.4 / 72;
            std::sscanf(words.c_str() + at,
                        "<word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\"", &box[0],
                        &box[1], &box[2], &box[3]);
            EXPECT_TRUE(box[0] >= 0 && box[1] >= 0 && box[2] * mm <= p.W && box[3] * mm <= p.H)
                << words.substr(at, 120);
        }
        EXPECT_NEAR((p.X1 + p.X2) / 2, p.W / 2 + std::atof(c.OriginX), 1.5);
        EXPECT_NEAR((p.Y1 + p.Y2) / 2, p.H / 2 + std::atof(c.OriginY), 1.5);
        if (const char* shots = std::getenv("QOR_SHOTS"))
            fs::copy_file(pdf, fs::path(shots) / fs::path(pdf).filename(),
                          fs::copy_options::overwrite_existing);
    }
}

// In colour, a colour that vanishes on white paper prints dark in its own hue (contrast to
// white at least 4.5:1), red stays red; in monochrome all is black (a filled band, pdftoppm).
TEST_F(PrintTest, LightColoursPrintDarkOnWhitePaper) {
    struct Case {
        int Colour, Shading; // palette entry; 0 monochrome, 1 colour
        int R, G, B;         // what it must print as (within 40), R -1: dark enough
    } cases[] = {{14, 1, -1, 0, 0}, {11, 1, -1, 0, 0}, {15, 1, -1, 0, 0},
                 {7, 1, -1, 0, 0},  {4, 1, 255, 0, 0}, {14, 0, 0, 0, 0}};
    ColorGraphics = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Colour * 10 + c.Shading);
        DrawDevice->ClearDevice();
        DrawDevice->DrawHeader(0, 0, 160, 120);
        DrawDevice->SetDrawColor(c.Colour);
        DrawDevice->DrawSolid(20, 40, 140, 40, 20, 80, 140, 80);
        DrawingKind = 0;
        const std::string pdf = (Dir / "colour.pdf").string();
        ToPdf(pdf, [&](TForm& f) { Respond::Pick(f, "RadioGroup_printmono", c.Shading); });
        const Page p = ReadPage(pdf, (Dir / "colour").string(), 20);
        std::map<int, int> seen; // the band: the most frequent colour that is not the paper
        for (std::size_t i = 0; i < p.Rgb.size() / 3; ++i)
            if (p.Rgb8(i, 0) + p.Rgb8(i, 1) + p.Rgb8(i, 2) < 750)
                ++seen[(p.Rgb8(i, 0) << 16) | (p.Rgb8(i, 1) << 8) | p.Rgb8(i, 2)];
        ASSERT_FALSE(seen.empty());
        const int rgb = std::max_element(seen.begin(), seen.end(), [](auto& a, auto& b) {
                            return a.second < b.second;
                        })->first;
        const int r = rgb >> 16, g = (rgb >> 8) & 255, b = rgb & 255;
        auto lin = [](int v) {
            return v <= 10 ? v / 255.0 / 12.92 : std::pow((v / 255.0 + 0.055) / 1.055, 2.4);
        };
        const double contrast = 1.05 / (0.2126 * lin(r) + 0.7152 * lin(g) + 0.0722 * lin(b) + 0.05);
        if (c.R >= 0) {
            EXPECT_LE(std::abs(r - c.R) + std::abs(g - c.G) + std::abs(b - c.B), 40) << rgb;
        } else {
            EXPECT_GE(contrast, 4.4) << r << " " << g << " " << b;
        }
        if (c.Colour == 14 && c.Shading == 1) {
            EXPECT_TRUE(std::abs(r - g) < 8 && b + 40 < r) << rgb; // a dark yellow, no grey
        }
    }
}

// With no print queue set up, the printout says so and offers a PDF file: Yes prints into the
// chosen file, No keeps the dialog open; "Printer..." offers it at once; so does a listing on the
// system printer.
TEST_F(PrintTest, WithoutAPrinterThePrintoutOffersAPdfFile) {
    PrintQueues = [] { return std::vector<std::string>{}; };
    struct QueuesBack {
        ~QueuesBack() { PrintQueues = nullptr; } // the system's again
    } back;
    DrawDevice->ClearDevice();
    DrawDevice->DrawHeader(0, 0, 160, 120);
    DrawDevice->DrawLine(0, 0, 160, 120);
    DrawingKind = 0;
    const std::string pdf = (Dir / "noprinter.pdf").string();
    auto choose = [&](TCommonDialog& d) {
        dynamic_cast<TSaveDialog&>(d).Choose(pdf);
        return true;
    };
    struct Case {
        const char* Button; // pressed first
        int Answer;         // to the question
    } cases[] = {{"Button_ok", IDYES}, {"Button_ok", IDNO}, {"Button_printer", IDYES}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Button) + std::to_string(c.Answer));
        fs::remove(pdf);
        ScriptedResponder r;
        r.OnForm([&](TForm& f) {
            auto& p = dynamic_cast<TForm_printconf&>(f);
            EXPECT_EQ(p.Label_printer->Caption(),
                      "No printer is set up: OK prints into a PDF file");
            EXPECT_TRUE(Respond::Press(f, c.Button));
            if (c.Button == std::string("Button_printer")) Respond::Press(f, "Button_ok");
            if (c.Answer == IDNO) Respond::Press(f, "Button_cancel"); // still open
        });
        r.OnMessage(c.Answer);
        if (c.Answer == IDYES) r.OnDialog(choose);
        Print(r);
        ASSERT_GE(r.Seen().size(), 2u);
        EXPECT_THAT(r.Seen()[1], HasSubstr(NoPrinterQuestion));
        EXPECT_EQ(fs::exists(pdf), c.Answer == IDYES);
        EXPECT_EQ(Printer()->OutputFileName(), "");
    }
    // The file the last case printed is asked about before it is replaced.
    ScriptedResponder r;
    r.OnMessage(IDYES).OnDialog(choose).OnMessage(IDYES).OnDialog(
        [](TCommonDialog&) { return true; });
    ResponderScope scope(r);
    ListBegin(ListDevicePrinter, "");
    ASSERT_TRUE(ListRewrite());
    ListLine("printed into a file");
    ListEnd();
    EXPECT_EQ(r.Unexpected(), 0) << ::testing::PrintToString(r.Seen());
    EXPECT_THAT(qortest::RunCommand("pdftotext '" + pdf + "' -"), HasSubstr("printed into a file"));
    EXPECT_EQ(Printer()->OutputFileName(), "");
}

// The print dialog offers every print queue and the PDF file and starts on the choice in use: a
// PDF file chosen before stays chosen (File > Print's "Printer...", a listing on the printer),
// a queue picked there replaces it, and Qt's own dialog lists the file even where no queue is set
// up. Its Print button asks nothing about an existing file: the printout asks, about the file
// it writes.
TEST_F(PrintTest, ThePrintDialogOffersEveryPrinterAndKeepsTheChoiceInUse) {
    const std::vector<std::string> queues{"Office", "Lab 2"};
    PrintQueues = [] { return std::vector<std::string>{"Office", "Lab 2"}; };
    struct Back {
        ~Back() {
            PrintQueues = nullptr;
            Application->AssumeDisplay = false;
            Printer()->SetOutputFileName("");
            Printer()->SetPrinterIndex(-1);
        }
    } back;
    DrawDevice->ClearDevice();
    DrawDevice->DrawHeader(0, 0, 160, 120);
    DrawDevice->DrawLine(0, 0, 160, 120);
    DrawingKind = 0;
    const std::string first = (Dir / "first.pdf").string(), second = (Dir / "second.pdf").string();
    std::vector<std::string> offered; // the choice each dialog started on
    // Each answer notes what the dialog offered, then picks ("" keeps the choice, a path chooses
    // that PDF file, else a queue).
    auto answer = [&](const std::string& pick) {
        return [&, pick](TCommonDialog& d) {
            auto& p = dynamic_cast<TPrintDialog&>(d);
            EXPECT_EQ(p.Printers, queues);
            offered.push_back(p.ToFile ? "file " + p.FileName : "queue " + p.PrinterName);
            if (pick.find('/') != std::string::npos) p.ToFile = true, p.FileName = pick;
            else if (!pick.empty()) p.ToFile = false, p.PrinterName = pick;
            return true;
        };
    };
    std::vector<std::string> labels;
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
        auto& p = dynamic_cast<TForm_printconf&>(f);
        for (const char* button :
             {"Button_pdf", "Button_printer", "Button_printer", "Button_printer", "Button_printer"}) {
            EXPECT_TRUE(Respond::Press(f, button));
            labels.push_back(p.Label_printer->Caption());
        }
        EXPECT_TRUE(Respond::Press(f, "Button_ok"));
    });
    r.OnDialog([&](TCommonDialog& d) {
        dynamic_cast<TSaveDialog&>(d).Choose(first);
        return true;
    });
    r.OnDialog(answer("")).OnDialog(answer("Lab 2")).OnDialog(answer("")).OnDialog(answer(second));
    Print(r);
    EXPECT_EQ(labels, (std::vector<std::string>{"PDF: first.pdf", "PDF: first.pdf",
                                                "Printer: Lab 2", "Printer: Lab 2",
                                                "PDF: second.pdf"}));
    EXPECT_EQ(offered, (std::vector<std::string>{"file " + first, "file " + first,
                                                 "queue Lab 2", "queue Lab 2"}));
    EXPECT_FALSE(fs::exists(first));
    EXPECT_GT(InkedPixels(second, (Dir / "page").string()), 100);

    // The page-range dialog of a listing, the PDF file in use: Qt's dialog shows the file as the
    // choice, beside every queue Qt knows, and OK keeps it.
    Application->AssumeDisplay = true;
    PrintQueues = nullptr; // the system's queues, as Qt's dialog lists them
    ASSERT_TRUE(Printer()->SetOutputFileName(first));
    TPrintDialog print(nullptr);
    print.MinPage = 1;
    print.MaxPage = 3;
    print.Options = poPageNums;
    int items = -1, current = -2;
    QString file, asked;
    qortest::WriteFileBytes(first, "old"); // the printout asks about it, Qt's dialog does not
    QTimer::singleShot(0, qApp, [&] {
        QWidget* w = QApplication::activeModalWidget();
        ASSERT_NE(w, nullptr);
        auto* list = w->findChild<QComboBox*>("printers");
        ASSERT_NE(list, nullptr);
        items = list->count();
        current = list->currentIndex();
        if (auto* edit = w->findChild<QLineEdit*>("filename")) file = edit->text();
        if (const char* shots = std::getenv("QOR_SHOTS"))
            w->grab().save(QString::fromStdString(std::string(shots) + "/print_pages.png"));
        QTimer::singleShot(0, w, [&asked, w] { // a question of Qt's is noted and answered No
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                asked = box->text(), box->button(QMessageBox::No)->click(),
                QMetaObject::invokeMethod(w, "reject");
        });
        w->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    ASSERT_TRUE(print.Execute()) << asked.toStdString();
    const int known = static_cast<int>(Printer()->Printers().size());
    EXPECT_GE(items, known + 1); // the queues, maybe a separator, the file
    EXPECT_LE(items, known + 2);
    EXPECT_EQ(current, items - 1);
    EXPECT_EQ(file.toStdString(), first);
    EXPECT_TRUE(print.ToFile);
    EXPECT_EQ(Printer()->OutputFileName(), first);
}

// Each command with the job's name typed (the format's extension is added: the job stays), an
// existing file of the format (the question names it; No keeps it), a link to /dev/null and a
// file the program holds open (both refused, saying what they are).
TEST_F(PrintTest, EveryCommandThatWritesANamedFileTakesTheOnePath) {
    WritingSetUp();
    dbf::DbfOpen("q1toolx");
    dbf::Tdbf4& table = dbf::DbfWindow();
    const std::pair<const char*, std::function<void()>> rows[] = {
        {"q1w", [] { SaveJobAsCommand(); }}, // File > Save As
        {"dxf", [] { Drawing(1); }},         // the CAD outputs
        {"igs", [] { Drawing(2); }},
        {"txt", [] { Drawing(5); }},
        {"txt", [] { Listing(3); }}, // listings into a file, a TXT and an HTML file
        {"txt", [] { Listing(6); }},
        {"htm", [] { Listing(7); }},
        {"pdf", &PdfPrintout}, // print into a PDF file
        {"pdf", [this] { PrintTextFile(P("job.q1w")), Printer()->SetOutputFileName(""); }},
        {"htm", [&] { table.mi_fileExportHtml->Click(); }}, // the table window's exports
        {"txt", [&] { table.mi_fileSaveAsDelimited->Click(); }},
        {"cfg",
         [this] { FormPtr<Tconfig>(NewForm<Tconfig>(Window))->Button_exportClick(nullptr); }}};
    int row = 0;
    for (const auto& [format, command] : rows) {
        const std::string ext = std::string(".") + format;
        SCOPED_TRACE("row " + std::to_string(++row));
        const bool saveAs = ext == ".q1w";
        const std::string job = qortest::ReadFileBytes(P("job.q1w"));
        const std::string written = P(saveAs ? "job.q1w" : "job.q1w" + ext);
        Run(command, P("job.q1w"), saveAs ? std::vector{IDYES} : std::vector<int>{});
        EXPECT_TRUE(fs::exists(written) && fs::file_size(written) > 0);
        EXPECT_TRUE(saveAs || qortest::ReadFileBytes(P("job.q1w")) == job);
        qortest::WriteFileBytes(P("old" + ext), "old");
        EXPECT_THAT(Run(command, P("old" + ext), {IDNO}),
                    HasSubstr(P("old" + ext) + " already exists.   overwrite ?"));
        fs::create_symlink("/dev/null", P("null" + ext));
        DataModified = 1; // Save As onto a device leaves the job unsaved
        EXPECT_THAT(
            Run(command, P("null" + ext), {IDOK}),
            HasSubstr(P("null" + ext) + " could not be written: it is a device, not a file"));
        EXPECT_EQ(DataModified, 1);
        os::File held;
        ASSERT_EQ(held.Open(P("old" + ext), os::OpenMode{os::Access::Read, os::Share::DenyNone}),
                  0);
        EXPECT_THAT(Run(command, P("old" + ext), {IDOK}),
                    HasSubstr("could not be written: the program has it open"));
        EXPECT_EQ(qortest::ReadFileBytes(P("old" + ext)), "old");
        std::error_code gone;
        for (const std::string& name : {P("old" + ext), P("null" + ext), saveAs ? "" : written})
            fs::remove(name, gone);
    }
}

// Writers under faults say why and keep the file that was there: a PDF printout cut short by a
// file-size limit (as by a full disk), a text printer that is a pipe nobody reads (reported
// after the wait, never waited on for ever).
TEST_F(PrintTest, WritersUnderFaultsSayWhyAndKeepTheOldFile) {
    WritingSetUp();
    Run(&PdfPrintout, P("sheet.pdf"), {});
    const std::string pdf = qortest::ReadFileBytes(P("sheet.pdf"));
    ASSERT_GT(pdf.size(), 2048u);
    rlimit l{};
    getrlimit(RLIMIT_FSIZE, &l);
    const auto limit = [&](rlim_t bytes) { l.rlim_cur = bytes, setrlimit(RLIMIT_FSIZE, &l); };
    ASSERT_EQ(::mkfifo(P("lp.fifo").c_str(), 0600), 0);
    TextPrinterTarget = P("lp.fifo");
    TextPrinterWait = 300;
    const std::tuple<std::function<void()>, std::string, std::vector<int>, std::string> rows[] = {
        {[&] { limit(2048), PdfPrintout(), limit(RLIM_INFINITY); },
         P("sheet.pdf"),
         {IDYES, IDOK},
         P("sheet.pdf") + ": the file is too large (file-size limit). The existing file was kept."},
        {[] { Listing(2); },
         "",
         {IDNO, IDOK},
         "LPT1: " + P("lp.fifo") +
             ": it is a named pipe (FIFO) nobody read from within 0.3 seconds"},
        // A reader that takes 100 bytes of a listing larger than the pipe holds, and leaves.
        {[&] {
             std::thread reader([fifo = P("lp.fifo")] {
                 const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
                 pollfd p{fd, POLLIN, 0};
                 char got[100];
                 if (::poll(&p, 1, 20000) == 1) (void)!::read(fd, got, sizeof got);
                 ::close(fd);
             });
             TextPrinterWait = 20000;
             ListBegin(2, "");
             if (AbortFlag == 0 && ListRewrite()) {
                 for (int i = 0; i < 3000; ++i)
                     ListLine("a line of a listing larger than the printer's pipe holds");
                 ListEnd();
             }
             TextPrinterWait = 300;
             reader.join();
         },
         "",
         {IDNO, IDOK},
         "LPT1: " + P("lp.fifo") + ": the printer closed the connection after "}};
    for (const auto& [command, typed, answers, said] : rows) {
        EXPECT_THAT(Run(command, typed, answers), HasSubstr(said));
        EXPECT_EQ(qortest::ReadFileBytes(P("sheet.pdf")), pdf);
    }
    // The PDF kept is whole for an independent reader.
    EXPECT_THAT(qortest::RunCommand("pdfinfo '" + P("sheet.pdf") + "' 2>&1"), HasSubstr("Pages:"));
}
