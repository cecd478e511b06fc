// The tooth views drawn into DXF files and onto the screen, checked by toothviews_check.py
// against the textbook geometry of the pair (mpmath) and for overlapping outlines (shapely).

#include "tests/drawings/gear_fixture.h"

#include <QPixmap>
#include <QString>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "cad/screenwrite.h"
#include "drawings/gearviews.h"
#include "drawings/toothviews.h"
#include "framework/ui/dialogs.h"
#include "platform/gui/application.h"

using namespace cadtest;
using drawtest::Num;
using drawtest::TGearCase;

namespace {

TGearCase Pair(TGearCase c, long double x1) {
    c.x1 = x1;
    return c;
}
const TGearCase Spur{2, 18, 23, 0.2L, 0}, Helical{3, 17, 31, 0.3L, 15},
    Internal = Pair({3, 24, -72, -0.4L, 0}, 0.5L);

class ToothViewsTest : public drawtest::GearTest {
protected:
    // One view into base.dxf without questions, and the line the check script takes for it.
    std::string ViewLine(const std::string& base, int view, const std::string& checks,
                         const std::string& extra = "") {
        CadBatchOutput = 1;
        DataFileName = Path(base);
        ToothDrawing(1, 2, static_cast<std::uint16_t>(view), 1, 1);
        CadBatchOutput = 0;
        EXPECT_EQ(AbortFlag, 0) << base;
        return Path(base + ".dxf") + " label=" + base + " checks=" + checks + extra + PairArgs() +
               "\n";
    }
    static std::string PairArgs() {
        const TGearData& g = GearData;
        return " z1=" + std::to_string(g.z[1]) + " z2=" + std::to_string(g.z[2]) +
               " mn=" + Num(g.mn) + " alpha=" + Num(g.alpha) + " beta=" + Num(g.beta) +
               " aDraw=" + Num(g.aDraw) + " xe1=" + Num(g.xee[1]) + " xe2=" + Num(g.xee[2]) +
               " dNa1=" + Num(g.dNa[1]) + " dNa2=" + Num(g.dNa[2]) + " dax1=" + Num(g.dax[1]) +
               " dax2=" + Num(g.dax[2]) + " dfx1=" + Num(g.dfx[1]) +
               " planets=" + std::to_string(g.Planets);
    }
    void CheckBatch(const std::string& lines) {
        WriteFileBytes(Path("batch.txt"), lines);
        int status = -1;
        const std::string out = RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                                               "/tests/drawings/toothviews_check.py --batch '" +
                                               Path("batch.txt") + "' 2>&1",
                                           status);
        EXPECT_EQ(status, 0) << out;
        EXPECT_EQ(out.find("FAIL"), std::string::npos) << out;
        EXPECT_NE(out.find("ok   "), std::string::npos) << out;
        std::cout << out;
    }
    // The pair without backlash: the contours of the shifts x at the centre distance the
    // calculation found for them.
    void NoBacklash() {
        GearData.xee = GearData.x;
        GearData.aDraw = GearData.a;
        GearData.DrawDiameters = 1;
        DiametersForShift(GearData.xee);
    }
};

// View 4: a contour per tooth. View 7: the line of action belongs to the centre distance the
// gears are drawn at (also one moved from the calculated), C, E, A, the contact ratio, the
// window (small ring gears of 17 and 18 teeth on either side of its rule). View 8: planets of
// every parity about either gear.
TEST_F(ToothViewsTest, ViewsAgainstTheTextbookPair) {
    struct TCase {
        TGearCase pair;
        int view;
        long double moveCentre; // aDraw - a
        std::uint16_t sun;      // view 8: SelectedGear
        const char* checks;
    };
    const TCase cases[] = {
        {Spur, 4, 0, 0, "view4"},
        {Spur, 7, 0, 0, "contact,eps,frame"},
        {Helical, 7, 0.4L, 0, "contact,frame"},
        {Internal, 7, 0, 0, "contact,eps,frame"},
        {Internal, 7, -0.6L, 0, "contact,frame"},
        {Pair({3, 6, -17, -0.5L, 0}, 0.5L), 7, 0, 0, "frame"},
        {Pair({3, 6, -18, -0.5L, 0}, 0.5L), 7, 0, 0, "frame"},
        {{2, 18, 23, 0, 0}, 8, 0, 1, "planets,mesh"},
        {{2, 18, 23, 0, 0}, 8, 0, 2, "mesh"},
        {{2, 17, 24, 0, 0}, 8, 0, 2, "mesh"},
        {{2, 17, 23, 0, 0}, 8, 0, 1, "planets,mesh"},
        {Internal, 8, 0, 2, "planets,mesh"},
    };
    std::string batch;
    int k = 0;
    for (const TCase& c : cases) {
        Calculate(c.pair);
        if (c.view == 8) NoBacklash();
        GearData.aDraw += c.moveCentre;
        GearData.SelectedGear = c.sun;
        GearData.Planets = c.sun == 1 ? 3 : 4;
        batch += ViewLine("view" + std::to_string(++k), c.view, c.checks, " touch=1");
    }
    CheckBatch(batch);
}

// The pair in mesh without backlash at 20 rotations over a pitch of gear 1 and where its flank
// passes the pitch point: the outlines never overlap and always touch.
TEST_F(ToothViewsTest, MeshedOutlinesTouchWithoutOverlap) {
    std::string batch;
    for (const TGearCase& c : {Spur, Helical, Pair({1, 25, 40, -0.2L, 0}, 0.3L), Internal}) {
        Calculate(c);
        NoBacklash();
        TGearData& g = GearData;
        g.InvolutePoints = 60;
        const long double atPitch = RadToDeg(g.snx[1] / std::cos(g.betaRad) / g.d[1] +
                                             Inv(g.alphat) - Inv(DrawingPressureAngle()));
        for (int k = 0; k <= 20; ++k) {
            g.RotationAngle = k < 20 ? k * 360.0L / g.z[1] / 20 : atPitch;
            batch += ViewLine("mesh" + std::to_string(c.z2) + "_" + std::to_string(k), 7, "mesh",
                              k == 20 ? " touch=1 pitch=1" : " touch=1");
        }
    }
    CheckBatch(batch);
}

ScriptedResponder::FormStep Choose(int opensOn, int item) {
    return [=](TForm& f) {
        const bool list = FindControl<TListBox>(f, "ListBox1") != nullptr;
        const int shown = list ? FindControl<TListBox>(f, "ListBox1")->ItemIndex()
                               : FindControl<TRadioGroup>(f, "RadioGroup1")->ItemIndex();
        if (opensOn >= 0) {
            EXPECT_EQ(shown, opensOn) << Respond::Question(f);
        }
        EXPECT_TRUE(Respond::Pick(f, list ? "ListBox1" : "RadioGroup1", item));
        EXPECT_TRUE(Respond::Press(f, list ? "button_ok" : "Button_ok"));
    };
}

ScriptedResponder::FormStep Ok(const char* typed = "") {
    return [=](TForm& f) {
        if (*typed) Respond::Type(f, "EditEinText", typed);
        EXPECT_TRUE(Respond::Press(f, "Button_ok"));
    };
}

// The menu as a user works it: "Gear (involute)" of gear 2 draws a contour per tooth; the menu
// comes back on the next item; Config refuses 1 point per flank and takes 40, and the next
// contour (the tooth gap) has 40 points on each flank.
TEST_F(ToothViewsTest, MenuDrawsConfiguresAndComesBack) {
    Application->Initialize();
    Calculate({2, 18, 23, 0.2L, 0, 1, 1.25L, 1, 0.38L});
    GearData.DrawDiameters = 1;
    const std::string gear = Path("gear.txt"), gap = Path("gap.txt");
    auto keep = [](const std::string& file) {
        std::string text;
        for (const auto& l : DisplayList->Lines())
            text += l + "\n";
        WriteFileBytes(file, text);
    };
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
         if (const char* shots = std::getenv("QOR_SHOT_DIR"))
             f.Widget()->grab().save(QString::fromStdString(std::string(shots) + "/menu.png"));
         Choose(0, 3)(f); // "Gear (involute)"
     })
        .OnForm(Choose(-1, 1)) // gear 2
        .OnForm([&](TForm& f) {
            keep(gear);
            Choose(4, 8)(f); // back on item 5; "Config"
        })
        .OnForm(Choose(0, 0)) // "Steps for involute and tooth shape"
        .OnForm(Ok())         // root curve
        .OnForm(Ok())         // fillet
        .OnForm(Ok("1"))      // points per flank: refused
        .OnMessage(IDOK)
        .OnForm(Ok("40"))
        .OnForm(Choose(-1, 1)) // polyline
        .OnForm(Ok())          // ring gear positions
        .OnForm(Ok())          // tool positions
        .OnForm(Choose(1, 4))  // back on item 2; "return"
        .OnForm(Choose(9, 1))  // back on "return .."; "Tooth gap (involute)"
        .OnForm(Choose(1, 1))  // gear 2 kept
        .OnForm([&](TForm& f) {
            keep(gap);
            Choose(2, 9)(f); // "return .."
        });
    ResponderScope scope(r);
    ToothDrawing(3, 1, 0, 0, 1);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_EQ(r.Pending(), 0);
    ASSERT_GE(r.Seen().size(), 8u);
    EXPECT_NE(r.Seen()[7].find("Valid Data are: 2 .. 256 !"), std::string::npos) << r.Seen()[7];
    EXPECT_EQ(ToothDrawingName, "ZLUCK2");
    std::string rotations = Num(180.0L / 23);
    for (int k = 1; k < 23; ++k)
        rotations += "/" + Num(360.0L - k * 360.0L / 23 + 180.0L / 23);
    CheckBatch(gear + " N=20 checks=flank rotations=" + rotations + PairArgs() + "\n" + gap +
               " N=40 checks=flank rotations=" + Num(180.0L / 23) + "/" + Num(-180.0L / 23) +
               PairArgs() + "\n");
}

// Mode 2: views drawn into the output the caller opened, whatever it names before or after
// them, make one file in every format holding what the views drawn alone hold, as the readers
// see it (ezdxf: blocks, a name used again renamed with its inserts, entities; csv: records;
// OpenCASCADE: edges), each section once, a head. An output closed already is refused.
TEST_F(ToothViewsTest, ViewsIntoTheCallersOutputMakeOneDrawing) {
    Calculate(Spur);
    const struct {
        std::uint16_t code;
        int caller; // 0 names nothing, 1 begins the drawing first, 2 names extents at the end
        std::vector<int> views;
    } rows[] = {{1, 0, {3, 7}}, {1, 1, {3, 7}}, {1, 2, {3, 7}}, {1, 0, {8}},
                {5, 1, {3, 7}}, {5, 2, {3, 7}}, {2, 1, {3, 7}}};
    // What a reader sees beside what a file holds once (into head), with EVOLV2 renamed.
    const auto read = [&](std::uint16_t code, const std::string& file, const std::string& to,
                          std::vector<std::string>& head) {
        int status = -1;
        const std::string csv = "/usr/bin/python3 -c \"import csv,sys\nfor r in csv.reader(open("
                                "sys.argv[1],newline='',encoding='cp1252'),delimiter='\\t'): "
                                "print(' '.join(r))\" '";
        const auto lines = code == 1   ? EzdxfReport(file, status)
                           : code == 2 ? ReportLines(IgesCheckReport(file, status))
                                       : ReportLines(RunCommand(csv + file + "'", status));
        EXPECT_EQ(status, 0) << file;
        EXPECT_TRUE(code != 1 || Contains(lines, "audit_errors 0")) << file;
        std::vector<std::string> out;
        for (std::string l : lines) {
            if (code == 1   ? l.rfind("block ", 0) && l.rfind("entity ", 0)
                : code == 2 ? l.rfind("edge ", 0) != 0
                            : l == "EOF" || !l.rfind("MINMAX", 0) || !l.rfind("SECTION", 0)) {
                head.push_back(l);
                continue;
            }
            if (const auto at = (" " + l + " ").find(" EVOLV2 "); at != std::string::npos)
                l.replace(at, 6, to);
            out.push_back(l);
        }
        return out;
    };
    const std::string ext[] = {"", ".dxf", ".igs", "", "", ".txt"};
    int n = 0;
    for (const auto& r : rows) {
        const std::string base = "r" + std::to_string(++n);
        std::vector<std::string> expected, head;
        std::string extents; // of the view alone (DXF)
        for (std::size_t k = 0; k < r.views.size(); ++k) {
            DataFileName = Path(base + "v" + std::to_string(k));
            CadBatchOutput = 1;
            ToothDrawing(r.code, 2, static_cast<std::uint16_t>(r.views[k]), 1, 1);
            CadBatchOutput = 0;
            const auto seen =
                read(r.code, DataFileName + ext[r.code], k ? "EVOLV2_2" : "EVOLV2", head);
            expected.insert(expected.end(), seen.begin(), seen.end());
            extents = ReportValue(head, "extmin") + " " + ReportValue(head, "extmax");
            head.clear();
        }
        DataFileName = Path(base);
        CadBatchOutput = 1;
        CadOpenOutput(r.code);
        CadBatchOutput = 0;
        if (r.caller == 1) CadBeginDrawing(-30, -30, 30, 30);
        for (const int v : r.views)
            ToothDrawing(r.code, 2, static_cast<std::uint16_t>(v), 2, 1);
        if (r.caller == 2) CadBeginDrawing(-30, -30, 30, 30);
        CadCloseOutput();
        ASSERT_EQ(AbortFlag, 0) << base;
        auto joined = read(r.code, Path(base + ext[r.code]), "EVOLV2", head);
        std::sort(expected.begin(), expected.end());
        std::sort(joined.begin(), joined.end());
        EXPECT_EQ(joined, expected) << base;
        if (r.views.size() == 1) { // view 8 names no extents: the head says what it draws
            EXPECT_EQ(ReportValue(head, "extmin") + " " + ReportValue(head, "extmax"), extents);
        } else if (r.code == 5) {
            EXPECT_EQ(head, (std::vector<std::string>{head[0], "SECTION BLOCKS", "SECTION ENTITIES",
                                                      "EOF"}));
            EXPECT_LE(Numbers(head[0].substr(6))[0], -30); // the caller's extents
        }
    }
    EXPECT_TRUE(responder_.Messages.empty()) << Joined(responder_.Messages);
    // Into the output closed above, into the screen closed or never opened: refused alike.
    ToothDrawing(1, 2, 7, 2, 1);
    EXPECT_EQ(AbortFlag, 1);
    AbortFlag = 0;
    CadOpenOutput(3);
    CadCloseOutput();
    ToothDrawing(3, 2, 7, 2, 1);
    EXPECT_FALSE(TScreenWriter().JoinDrawings());
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(Joined(responder_.Messages), "Tooth drawing: no open output to draw into !\n"
                                           "Tooth drawing: no open output to draw into !\n");
}

// Refused: a mode beyond 3 and a choice beyond the menu (a message each), a fatal calculation
// error (the message browser instead). An internal gear's generated gap is the ring with its
// planet at every one of RingGearShapes positions.
TEST_F(ToothViewsTest, RefusalsAndTheRingGearsGap) {
    Calculate(Internal);
    ToothDrawing(3, 2, 6, 4, 1);
    EXPECT_EQ(AbortFlag, 1);
    ToothDrawing(3, 2, 11, 1, 1);
    EXPECT_EQ(responder_.Messages,
              (std::vector<std::string>{"Tooth drawing: mode 4 is not supported !",
                                        "Tooth drawing: no item 11 !"}));
    AbortFlag = 0;
    ViewLine("ring", 3, "");
    EXPECT_EQ(ToothDrawingName, "ZRADH2");
    int status = -1, planets = 0;
    for (const auto& l : EzdxfReport(Path("ring.dxf"), status))
        planets += l.rfind("entity model INSERT 1 RAD1 ", 0) == 0;
    EXPECT_EQ(planets, 200);
    CalcErrorFlag = 1;
    AddError("Fatal  : d = 0 !");
    int browsers = 0;
    responder_.Form = [&](TForm& form) {
        ++browsers;
        BatchResponder::CancelForm(form);
    };
    DisplayList->Clear();
    ToothDrawing(3, 2, 4, 1, 1);
    EXPECT_EQ(DisplayList->Count(), 0);
    EXPECT_EQ(browsers, 1);
}

// Views 1 to 8 of a spur, a helical and an internal pair on the screen each fill the window
// (QOR_SHOT_DIR keeps the pictures for a look).
TEST_F(ToothViewsTest, EveryViewOnTheScreen) {
    Application->Initialize();
    const char* shots = std::getenv("QOR_SHOT_DIR");
    struct Size { // pictures large enough to judge a flank by eye
        std::uint16_t w = ScreenWidth, h = ScreenHeight;
        ~Size() { ScreenWidth = w, ScreenHeight = h; }
    } keep;
    if (shots) ScreenWidth = 1280, ScreenHeight = 960;
    const char* names[] = {"spur", "helical", "internal"};
    for (int k = 0; k < 3; ++k) {
        Calculate(k == 0 ? Spur : k == 1 ? Helical : Internal);
        GearData.RingGearShapes = 24;
        for (int view = 1; view <= 8; ++view) {
            SCOPED_TRACE(std::string(names[k]) + " view " + std::to_string(view));
            ToothDrawing(3, 2, static_cast<std::uint16_t>(view), 1, 1);
            ASSERT_EQ(AbortFlag, 0);
            const std::string png = shots ? std::string(shots) + "/" + names[k] + "_view" +
                                                std::to_string(view) + ".png"
                                          : Path("view.png");
            ASSERT_TRUE(TFkelmgra::SaveDrawingPicture(png));
            int status = -1;
            const std::string out = RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                                                   "/tests/drawings/png_ink.py '" + png + "' 2>&1",
                                               status);
            // Far more than the footer line: the gear, tooth or tool across the window.
            EXPECT_GT(std::stol(out), 2500) << out;
        }
    }
}

} // namespace
