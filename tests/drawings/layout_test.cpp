// The quick sheets and tooth views of gear 2 for every kind of gear (z 6 to 300, internal, helix
// up to 45 degrees): each view and table on its sheet and clear of the others, no label on
// another, every arc of a tooth view through its limits, as
// python3-ezdxf reads the DXF files (layout_check.py); the same sheets and the drawings that
// define blocks they do not insert as IGES files, read by OpenCASCADE (tools/igescheck), which
// must show exactly what the DXF file of the same drawing shows.

#include "tests/drawings/sheets_testutil.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "drawings/production.h"
#include "drawings/quicksheets.h"
#include "drawings/toothviews.h"
#include "framework/core/shelldata.h"
#include "framework/core/text.h"
#include "shell/job/jobfile.h"

using namespace sheettest;

namespace {

class LayoutTest : public SheetTest {};

TJob Job(int z1, int z2, long double mn, long double beta, long double x1, long double x2,
         long double q2 = 0) {
    TJob j;
    j.z1 = z1;
    j.z2 = z2;
    j.mn = mn;
    j.beta = beta;
    j.x1 = x1;
    j.x2 = x2;
    j.q2 = q2;
    if (z2 < 0) { // a ring gear's span and allowances
        j.k2 = 8;
        j.Aae = 0.10L;
        j.Aai = 0.05L;
    }
    return j;
}

struct TSheet {
    const char* name;
    void (*draw)(std::uint16_t);
    const char* limits; // the drawing's limits, and the paper its views and tables stay on
};

const TSheet Sheets[] = {
    {"quick", DrawQuickSheet, "sheet=0,0,160,120"},
    {"quick3", DrawQuickSheet3, "sheet=0,0,200,120"},
    {"quick4", DrawQuickSheet4, "sheet=-2,-5,422,305 paper=0,0,420,297"},
    // Tooth views: arcs through their limits, labels apart and off the lines.
    {"contact", [](std::uint16_t c) { ToothDrawing(c, 2, 7, 1, 1); }, "view=1 lines=1"},
    {"gap", [](std::uint16_t c) { ToothDrawing(c, 2, 2, 1, 1); }, "view=1 tip=1 lines=1"},
    {"tooth", [](std::uint16_t c) { ToothDrawing(c, 2, 3, 1, 1); }, "view=1 lines=1"},
};

// The gears every sheet and view is drawn for, each its own test, so that they run side by side.
const struct TGearJob {
    const char* name;
    TJob job;
} GearJobs[] = {
    {"z6", Job(12, 6, 6.5L, 0, 0.5L, 0.5L)},
    {"z7", Job(12, 7, 6.5L, 0, 0.5L, 0.3L)},
    {"z12_allowance", Job(20, 12, 3, 0, 0, 0.4L, 0.3L)},
    {"z58", Job(6, 58, 6.5L, 0, 0.5L, 0.57L)},
    {"z58_h35", Job(6, 58, 6.5L, 35, 0.5L, 0.57L)},
    {"z20_h45", Job(20, 20, 2, 45, 0, 0)},
    {"z300", Job(30, 300, 1, 0, 0, 0)},
    {"z300_h45", Job(30, 300, 1, 45, 0, 0)},
    {"z25_tip", Job(20, 25, 2, 0, 0, 1.2L)}, // the tip 2.2 mn above the reference circle
    {"int24", Job(12, -24, 4, 0, 0, 0)},
    {"int58", Job(6, -58, 6.5L, 0, 0.5L, -0.2L)},
    {"int58_z16", Job(16, -58, 6.5L, 0, 0.52L, 0.2L)},
    {"int120_h30", Job(30, -120, 2, 30, 0, 0)},
    {"int300", Job(40, -300, 1, 0, 0, 0)},
};

// Named in the test's name.
void PrintTo(const TGearJob& j, std::ostream* os) {
    *os << j.name;
}

class EveryGearLayout : public LayoutTest, public ::testing::WithParamInterface<TGearJob> {};

TEST_P(EveryGearLayout, EveryViewAndTableOnItsSheetAndApart) {
    const TGearJob& j = GetParam();
    Calculate(j.job);
    std::string batch;
    for (const TSheet& s : Sheets) {
        const std::string base = std::string(s.name) + "_" + j.name;
        const std::string file =
            ToFile(base, 1, [&](int code) { s.draw(static_cast<std::uint16_t>(code)); });
        // A copy in the build folder for a look.
        const std::string copy = std::string(QOR_BINARY_DIR) + "/layout_" + base + ".dxf";
        std::error_code ec;
        std::filesystem::copy_file(file, copy, std::filesystem::copy_options::overwrite_existing,
                                   ec);
        batch += file + " label=" + base + " " + s.limits + "\n";
    }
    const std::string list = Path("layout.txt");
    WriteFileBytes(list, batch);
    int status = -1;
    const std::string out =
        RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                       "/tests/drawings/layout_check.py --batch '" + list + "' 2>&1",
                   status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out.find("FAIL"), std::string::npos) << out;
    EXPECT_GE(std::count(out.begin(), out.end(), '\n'), 4 * 6) << out; // each drawing checked
}

INSTANTIATE_TEST_SUITE_P(Gears, EveryGearLayout, ::testing::ValuesIn(GearJobs),
                         [](const auto& info) { return std::string(info.param.name); });

// The shipped example jobs, and two with every text of the sheets at its capacity: no line runs
// through a text and no text lies on another (layout_check.py: the texts' boxes against every
// line) in the tooth drawings 3 and 5 (a ring gear's label column where its rolled planet
// leaves room), the meshing view, the tool, the charts, the production drawing of one and of
// both gears with its tables and frame, the data tables and the quick sheets (each title block);
// the tool, the charts and the production drawing keep their texts on their sheets too. Small
// pinions of wide and narrow face (their section's dimensions close together), a tooth thickness
// tolerance of 0.008 mm and inch units run for the drawings they concern; every length is in the
// sheet's unit.
// A pinion of z teeth and shift x on the shipped spur gear, the pair's face width b and the
// gears' bG.
void Pinion(int z, long double mn, long double x, long double b, long double bG) {
    TGearData& g = GearData;
    g.mn = mn, g.z = {40, z}, g.x = {0, x}, g.beta = 0, g.a = 0, g.b = b, g.bGear = {bG, bG};
}

// The jobs of the check, each its own test, so that they run side by side.
const struct TTextJob {
    const char* name;
    const char* job;
    int titleBlock;
    bool full;
    std::function<void()> change = [] {};
    const char* only = ""; // the drawings drawn (all when empty)
    int unit = 0;          // UnitSystem
} TextJobs[] = {
    {"spur", "spur", 0, false},
    {"helical", "helical", 3, false},
    {"internal", "internal", 1, false},
    {"helical_full", "helical", 2, true},
    {"internal_full", "internal", 0, true},
    {"z9_b8", "spur", 0, false, [] { Pinion(9, 1, 0.5L, 8, 88); }, "production"},
    {"z9_b400", "spur", 0, false, [] { Pinion(9, 1, 0.5L, 400, 400); }, "production"},
    {"z12", "spur", 0, false, [] { Pinion(12, 1, -0.041L, 10, 88); }, "production"},
    {"z20_mn05", "spur", 0, false, [] { Pinion(20, 0.5L, 0, 8, 88); }, "production"},
    // Further diameters larger than the tip: twice, 1.7 times and three times its diameter.
    {"flange2", "spur", 0, false, [] { Pinion(30, 2, 0, 20, 20), GearData.dOptional[2] = 128; },
     "production"},
    {"flange_z9", "spur", 0, false,
     [] { Pinion(9, 1, 0.5L, 10, 10), GearData.dOptional[2] = 20.297L; }, "production"},
    {"flange_z16", "spur", 0, false,
     [] { Pinion(16, 1, 0.5L, 10, 10), GearData.dOptional[2] = 57; }, "production"},
    // In inch units: the root's dimension outside the tip's, the tip's texts in the middle of
    // theirs or above its extension line.
    {"flange_in_z7", "spur", 0, false,
     [] { Pinion(7, 0.6L, 0.305L, 18.5L, 18.5L), GearData.dOptional[2] = 7.05L; }, "production", 1},
    {"flange_in_z6", "spur", 0, false, [] { Pinion(6, 8, 0, 10, 10), GearData.dOptional[2] = 96; },
     "production", 1},
    {"tsn008", "spur", 0, false, // Tsn2 0.008 on a large backlash
     [] {
         TGearData& g = GearData;
         g.TsnSeries = {11, 11}, g.Asni = {-0.4L, -0.083L};
     },
     "backlash"},
    {"inch", "spur", 0, false, [] {}, "sliding backlash production", 1}};

void PrintTo(const TTextJob& j, std::ostream* os) {
    *os << j.name;
}

class TextsOffTheLines : public LayoutTest, public ::testing::WithParamInterface<TTextJob> {};

TEST_P(TextsOffTheLines, ExampleJobsKeepTheirTextsOffTheLines) {
    const struct {
        const char* name;
        std::function<void(std::uint16_t)> draw;
        const char* onSheet = "";
    } drawings[] = {
        {"tooth3", [](std::uint16_t c) { ToothDrawing(c, 2, 3, 1, 1); }},
        {"tooth5", [](std::uint16_t c) { ToothDrawing(c, 2, 5, 1, 1); }},
        {"contact", [](std::uint16_t c) { ToothDrawing(c, 2, 7, 1, 1); }},
        {"tool", [](std::uint16_t c) { ToothDrawing(c, 2, 6, 1, 3); }, " sheet=limits"},
        {"backlash", [](std::uint16_t c) { ProductionDrawing(c, 2, 11); }, " sheet=limits"},
        {"sliding", [](std::uint16_t c) { ProductionDrawing(c, 2, 12); }, " sheet=limits"},
        {"production", [](std::uint16_t c) { ProductionDrawing(c, 2, 7); },
         " sheet=limits paper=0,0,210,297"},
        {"both", [](std::uint16_t c) { ProductionDrawing(c, 3, 7); }},
        {"datablock", [](std::uint16_t c) { ProductionDrawing(c, 2, 4); }},
        {"datameasure", [](std::uint16_t c) { ProductionDrawing(c, 2, 8); }},
        {"quick", DrawQuickSheet},
        {"quick3", DrawQuickSheet3},
        {"quick4", DrawQuickSheet4}};
    struct Restore {
        ~Restore() {
            InitShellData();
            TitleTexts[1] = TitleTexts[2] = "";
            FourthRowLabel.clear();
            TitleBlockOption = 0;
            UnitSystem = 0;
        }
    } restore;
    const TTextJob& run = GetParam();
    LoadJobFile(std::string(QOR_SOURCE_DIR) + "/data/" + run.job + ".q1w");
    ASSERT_EQ(AbortFlag, 0) << run.job;
    TGearData& g = GearData;
    TitleBlockOption = run.titleBlock;
    if (run.full) { // long names, title lines, signatures and the last change records
        const std::string w(80, 'W');
        for (int i = 1; i <= 2; ++i) {
            g.DrawingName[i] = w;
            g.DrawingNumber[i] = w;
            g.DrawingName2[i] = w;
        }
        TitleTexts[1] = TitleTexts[2] = w;
        for (int r = 1; r <= 4; ++r)
            DrawingInfo.Rows[r] = {"08.12.2026", w};
        DrawingInfo.ReplacementFor = DrawingInfo.ReplacedBy = w;
        FourthRowLabel = "Released";
        ChangeCount = 9;
        for (int e = 1; e <= ChangeCount; ++e)
            ChangeTable[e] = {w, "08.12.2026", w, ""};
    }
    run.change();
    UnitSystem = static_cast<std::uint16_t>(run.unit);
    CalculateGears();
    ASSERT_EQ(CalcErrorFlag, 0) << run.job;
    GearData.RingGearShapes = 40; // as many lines as the shipped 200 make, in a fifth
    std::string batch;
    int drawn = 0;
    for (const auto& d : drawings) {
        const std::string only = std::string(" ") + run.only + " ";
        if (*run.only && only.find(' ' + std::string(d.name) + ' ') == std::string::npos) continue;
        const std::string base = std::string(run.name) + "_" + d.name;
        // A ring gear's sizes without their sign (the sliding chart's values have theirs).
        const bool sizes = g.z[2] < 0 && std::string(d.name) != "sliding";
        batch += ToFile(base, 1, [&](int c) { d.draw(static_cast<std::uint16_t>(c)); }) +
                 " label=" + base + " lines=1 unit=" + (run.unit ? "in" : "mm") + d.onSheet +
                 (sizes ? " unsigned=" + FloatToStrDec(3, g.zn[2]) : "") + "\n";
        ++drawn;
    }
    WriteFileBytes(Path("lines.txt"), batch);
    int status = -1;
    const std::string out =
        RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                       "/tests/drawings/layout_check.py --batch '" + Path("lines.txt") + "' 2>&1",
                   status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out.find("FAIL"), std::string::npos) << out;
    EXPECT_GE(std::count(out.begin(), out.end(), '\n'), 3 * drawn) << out; // each checked
}

INSTANTIATE_TEST_SUITE_P(Jobs, TextsOffTheLines, ::testing::ValuesIn(TextJobs),
                         [](const auto& info) { return std::string(info.param.name); });

// View > Tables > Roll Angle: the table of one gear, and those of both one above the other, fill
// their window from its top, wholly inside it.
TEST_F(LayoutTest, RollAngleTablesFillTheirWindow) {
    Calculate(Job(6, 58, 6.5L, 0, 0.5L, 0.57L));
    const struct {
        int gear;
        const char* sheet;
        double top;
    } cases[] = {{2, "sheet=-5,-5,70,41", 41}, {3, "sheet=-5,-5,70,82", 82}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.gear);
        const std::string dxf = ToFile("roll" + std::to_string(c.gear), 1, [&](int code) {
            ProductionDrawing(static_cast<std::uint16_t>(code), static_cast<std::uint16_t>(c.gear),
                              9);
        });
        int status = -1;
        const std::string out =
            RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                           "/tests/drawings/layout_check.py '" + dxf + "' " + c.sheet + " 2>&1",
                       status);
        EXPECT_EQ(status, 0) << out;
        const std::string bounds = RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                                              "/tests/cad/dxf_bounds.py '" + dxf + "' 2>&1");
        const auto drawn = Numbers(ReportValue(bounds, "drawn"));
        ASSERT_EQ(drawn.size(), 4u) << bounds;
        EXPECT_GT(drawn[3], c.top - 8) << bounds;
    }
}

// The sheets and views on the screen for a look: the smallest pinion and the helical wheel. On
// the window's own 640 x 480 screen "Quick 3" keeps all it draws above its footer line (texts as
// the window writes them: 1.6 times their height, three quarters of that above the baseline).
TEST_F(LayoutTest, SheetsOfSmallAndHelicalGearsOnTheScreen) {
    const struct {
        const char* name;
        TJob job;
    } jobs[] = {{"z7", Job(12, 7, 6.5L, 0, 0.5L, 0.3L)},
                {"h35", Job(6, 58, 6.5L, 35, 0.5L, 0.57L)},
                {"int58", Job(6, -58, 6.5L, 0, 0.5L, -0.2L)}};
    for (const auto& j : jobs) {
        Calculate(j.job);
        for (const TSheet& s : Sheets) {
            if (std::string(s.name) != "quick") {
                EXPECT_GT(Screen(std::string(s.name) + "_" + j.name, [&] { s.draw(3); }),
                          s.name[0] == 'q' ? 20000 : 10000);
            }
        }
        ScreenWidth = 640, ScreenHeight = 480;
        DrawQuickSheet3(3);
        double h = 0, footer = -1, lowest = 1e9;
        for (std::string l : DisplayList->Lines()) {
            std::replace(l.begin(), l.end(), ';', ' ');
            const auto v = Numbers(l);
            const int code = v.empty() ? 0 : static_cast<int>(v[0]);
            if (code == 9) h = 1.6 * v[1];
            if (code == 6 && l.find("KELMORA") != std::string::npos) footer = v[2] + 0.75 * h;
            else if (code == 6) lowest = std::min(lowest, v[2] - 0.25 * h);
            if (code == 3) lowest = std::min(lowest, v[2] - v[3]);
            if (code == 4) lowest = std::min({lowest, v[2], v[4]});
            if (code == 5) { // counter-clockwise from (v5, v6) to (v7, v8), its bottom if passed
                const double cx = (v[1] + v[3]) / 2, cy = (v[2] + v[4]) / 2;
                auto turn = [&](double x, double y, double from) {
                    const double t = std::fmod(std::atan2(y - cy, x - cx) - from, 2 * M_PI);
                    return t < 0 ? t + 2 * M_PI : t;
                };
                const double a = std::atan2(v[6] - cy, v[5] - cx);
                const bool bottom = turn(cx, cy - 1, a) < turn(v[7], v[8], a);
                lowest = std::min({lowest, v[6], v[8], bottom ? v[2] : 1e9});
            }
        }
        EXPECT_GT(footer, 1) << j.name;
        EXPECT_GT(lowest, footer) << j.name;
    }
}

// IGES files of the drawings that define blocks they do not place (the gear data tables of one
// gear, the tooth views, the quick sheets): OpenCASCADE transfers exactly the geometry the DXF
// file of the same drawing shows, and lists only the blocks it places as definitions.
TEST_F(LayoutTest, IgesShowsWhatTheDxfShows) {
    using Draw = void (*)(int);
    const struct {
        const char* name;
        Draw draw;
    } drawings[] = {
        {"quick4", [](int c) { DrawQuickSheet4(static_cast<std::uint16_t>(c)); }},
        {"quick3", [](int c) { DrawQuickSheet3(static_cast<std::uint16_t>(c)); }},
        {"tooth", [](int c) { ToothDrawing(static_cast<std::uint16_t>(c), 2, 3, 1, 1); }},
        {"gap", [](int c) { ToothDrawing(static_cast<std::uint16_t>(c), 2, 2, 1, 1); }},
        {"table", [](int c) { ProductionDrawing(static_cast<std::uint16_t>(c), 2, 4); }},
        {"measure", [](int c) { ProductionDrawing(static_cast<std::uint16_t>(c), 2, 5); }},
        {"roll", [](int c) { ProductionDrawing(static_cast<std::uint16_t>(c), 2, 9); }},
    };
    for (const TJob& job : {Job(6, 58, 6.5L, 0, 0.5L, 0.57L), Job(6, -58, 6.5L, 0, 0.5L, -0.2L)}) {
        Calculate(job);
        for (const auto& d : drawings) {
            const std::string base = std::string(d.name) + (job.z2 < 0 ? "_int" : "_ext");
            SCOPED_TRACE(base);
            const std::string dxf = ToFile(base, 1, d.draw);
            const std::string igs = ToFile(base, 2, d.draw);
            int status = -1;
            const std::string bounds =
                RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                               "/tests/cad/dxf_bounds.py '" + dxf + "' 2>&1",
                           status);
            ASSERT_EQ(status, 0) << bounds;
            const std::string iges = IgesCheckReport(igs, status);
            EXPECT_EQ(status, 0) << iges;
            EXPECT_EQ(ReportValue(iges, "fails"), "0") << iges;
            const auto want = Numbers(ReportValue(bounds, "geometry"));
            const auto got = Numbers(ReportValue(iges, "bbox"));
            ASSERT_EQ(want.size(), 4u) << bounds;
            ASSERT_EQ(got.size(), 4u) << iges;
            for (int k = 0; k < 4; ++k)
                EXPECT_NEAR(got[k], want[k], 2e-3) << k << "\n" << bounds;
            // Definitions are marked as such.
            std::istringstream lines(iges);
            for (std::string l; std::getline(lines, l);) {
                if (l.rfind("definition ", 0) == 0) {
                    EXPECT_NE(l.find(" use 2 subordinate 1 "), std::string::npos) << l;
                }
            }
        }
    }
}

} // namespace
