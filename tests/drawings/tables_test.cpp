// The drawing data tables, the workshop data sheet, the pair's two charts and the clean-up of
// the temporary drawing files, checked by sheets_check.py against textbook references (mpmath)
// through independent readers (ezdxf, csv).

#include "tests/drawings/sheets_testutil.h"

#include <cmath>
#include <filesystem>

#include "cad/charts.h"
#include "cad/screenwrite.h"
#include "drawings/datatables.h"
#include "drawings/pair_charts.h"
#include "drawings/tempfiles.h"
#include "drawings/workshop.h"
#include "framework/core/text.h"
#include "framework/ui/listing.h"

using namespace sheettest;
namespace fs = std::filesystem;

namespace {

class TablesTest : public SheetTest {};

TEST_F(TablesTest, WorkshopSheetSpanMeasurementAgainstTheBaseTangentLength) {
    // Spur and helical, external, and a ring gear spanned over spaces; the listing goes to the
    // TXT device, read by csv. The last job's pin of 2.2 mm sinks below the base circle at the
    // lower allowance: those rows stand without values.
    const struct {
        TJob job;
        long double dm;
        const char* blank;
    } jobs[] = {
        {{}, 0, ""},
        {{31, 17, 3, 15, 0.1L, -0.3L}, 0, ""},
        {{20, -70, 2, 0, 0.3L, 0.3L, 0.03L, -0.03L, -0.05L, -0.10L, -0.04L, -0.09L, 0, 0}, 0, ""},
        {{}, 2.2L, "MdR_min.,MdK_min."}};
    for (const auto& [j, dm, blank] : jobs) {
        SCOPED_TRACE(j.z2);
        Calculate(j);
        if (dm > 0) {
            GearData.DM[2] = dm;
            CalculateGears();
        }
        TextDeviceWindow = 0;
        TextDevice = ListDeviceTxt;
        const int before = ListFileCounter;
        WorkshopSheet(0);
        ASSERT_EQ(AbortFlag, 0);
        ASSERT_EQ(ListFileCounter, before + 1);
        Check("workshop", ListResultFile, GearArgs(2) + " blank=" + blank);
    }
    // The fixed text file: the page head carries both gears' names and numbers (the
    // calculation empties gear 1's, so they are set again).
    GearData.DrawingName[1] = "PINION";
    GearData.DrawingNumber[1] = "D-100";
    WorkshopSheet(ListDeviceOutDos);
    const std::string text = ReadFileBytes(ListResultFile); // OUTDOS.TXT
    for (const char* part : {"PINION", "D-100", "WHEEL", "D-200", "Production Sheet"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    if (getenv("QOR_SHOW_SHEET") != nullptr) std::fputs(text.c_str(), stderr);
}

// The workshop sheet's limits, in its TXT form (csv) and its HTML form (html5lib), read as on
// the production drawing's measurement tables, the item table and the data-and-measurement
// table (ezdxf): the same numbers in the same rows, max never below min, and a ring gear's
// without their sign.
TEST_F(TablesTest, WorkshopSheetLimitsReadAsOnTheProductionDrawing) {
    // The teeth or spaces to span proposed (k 0) where the default 3 has no solution.
    const TJob jobs[] = {
        {},
        {.z1 = 40, .z2 = 7, .x2 = 0.5L, .k2 = 0},
        {31, 17, 3, 35, 0.1L, -0.3L},
        {.z1 = 20, .z2 = -60, .x2 = 0, .k2 = 0},
        {.z1 = 24, .z2 = -51, .mn = 3, .beta = 15, .x1 = 0.2L, .x2 = 0.1L, .q2 = 0.2L, .k2 = 0},
        // A pin that sinks below the base circle at the lower allowance: one limit of two.
        {.dm2 = 2.2L}};
    HtmlBrowser = "true"; // the HTML form goes to qor1w.htm in the temporary folder
    for (std::size_t n = 0; n < std::size(jobs); ++n) {
        const TJob& j = jobs[n];
        SCOPED_TRACE(std::to_string(j.z2) + " teeth, beta " + Num(j.beta));
        Calculate(j);
        const std::string dxf =
            Dxf("measure" + std::to_string(n), [] { TableMeasurement(2, 0, 100, 3.5L); });
        const std::string item =
            Dxf("item" + std::to_string(n), [] { TableMeasurementItem(2); });
        const std::string data =
            Dxf("data" + std::to_string(n), [] { TableDataMeasurement(2, 4); });
        TextDeviceWindow = 0;
        TextDevice = ListDeviceTxt;
        WorkshopSheet(0);
        ASSERT_EQ(AbortFlag, 0);
        const std::string txt = ListResultFile;
        WorkshopSheet(ListDeviceHtml);
        ASSERT_EQ(AbortFlag, 0);
        Check("limits", dxf,
              "txt='" + txt + "' html='" + ListResultFile + "' item='" + item + "' data='" + data +
                  "' ring=" + (j.z2 < 0 ? "1" : "0") + " premach=" + (j.q2 > 0 ? "1" : "0") +
                  (j.dm2 > 0 ? " blank=MdR_min.,MdK_min." : ""));
        fs::remove(ListResultFile); // the next sheet's HTML file is new again
    }
}

TEST_F(TablesTest, RollAngleTableAgainstTheInvoluteAtEachDiameter) {
    const TJob jobs[] = {{}, {31, 17, 3, 15, 0.1L, -0.3L}};
    for (const TJob& j : jobs) {
        SCOPED_TRACE(j.z2);
        Calculate(j);
        const TGearData& g = GearData;
        const std::string f =
            Dxf("roll" + std::to_string(j.z2), [] { TableRollAngle(2, 0, 20, 3); });
        Check("rollangle", f,
              GearArgs(2) + " da=" + Num(g.da[2]) + " dFa=" + Num(g.dFa[2]) +
                  " dNa=" + Num(g.dNa[2]) + " d=" + Num(g.d[2]) + " dNf=" + Num(g.dNf[2]));
    }
}

TEST_F(TablesTest, ToleranceTableFollowsTheQualityStandard) {
    const struct {
        int standard;
        int rows;
    } cases[] = {{1, 14}, {0, 10}};
    for (const auto& c : cases) {
        TJob j;
        j.quality = c.standard;
        Calculate(j);
        const std::string f =
            Dxf("tol" + std::to_string(c.standard), [] { TableGearTolerances(2, 0, 90, 3.5L); });
        Check("rows", f, "rows=" + std::to_string(c.rows));
    }
}

TEST_F(TablesTest, GearDataListShowsTheShiftRangeAndTheAddendumReductionAsFactors) {
    // xe is the mean shift plus-minus half the range; the reduction k mn as a factor of mn.
    Calculate({});
    GearData.kmn[2] = 0.5L;
    CadOpenOutput(3);
    CadBeginDrawing(0, 0, 160, 120);
    CadBeginEntities();
    TableGearData(2, 2, 0, 118, 2.1L);
    CadEndSection();
    CadCloseOutput();
    const TGearData& g = GearData;
    const std::string xe = FloatToStrDec(3, (g.xEmax[2] + g.xEmin[2]) / 2) + "\u00B1" +
                           FloatToStrDec(3, (g.xEmax[2] - g.xEmin[2]) / 2);
    // Half the range, worked out from the entered allowances: Tsn / (2 mn tan alpha) / 2.
    const long double half = (job_.Asne2 - job_.Asni2) / (2 * 2 * tanl(20 * M_PIl / 180)) / 2;
    EXPECT_NEAR(double((g.xEmax[2] - g.xEmin[2]) / 2), double(half), 1e-12);
    int found = 0;
    for (const std::string& r : RecordsOf(6)) {
        for (const std::string& t : {xe, std::string("0.25 mn")})
            if (r.size() > t.size() && r.compare(r.size() - t.size(), t.size(), t) == 0) ++found;
    }
    EXPECT_EQ(found, 2) << Joined(Records());
}

// ---- the pair's charts ----------------------------------------------------------------------

TEST_F(TablesTest, SlidingCurvesFollowTheSlidingFormulaAndCrossZeroAtThePitchPoint) {
    // The last pair's pitch point lies off its path of contact, far left of the chart: no
    // letter C there, and no text on a line or on another text (layout_check.py).
    const TJob jobs[] = {{},
                         {18, 37, 2.5L, 0, 0.3L, -0.1L},
                         {20, -61, 2, 0, 0.2L, 0.1L},
                         {100, -108, 3, 0, 0, 0}, // an end value wider than a grid cell
                         {36, -101, 1, 0, 0.478L, 0.8L}};
    for (const TJob& j : jobs) {
        SCOPED_TRACE(j.z2);
        Calculate(j);
        const std::string f = Dxf(
            "zeta" + std::to_string(std::abs(j.z2)), [] { SlidingDiagramSheet(); }, 160, 120);
        const TDiagramWindow& w = DiagramWindow;
        const TGearData& g = GearData;
        Check("sliding", f,
              "z1=" + std::to_string(g.z[1]) + " z2=" + std::to_string(g.z[2]) +
                  " mn=" + Num(g.mn) + " alpha=20 beta=" + Num(g.beta) + " x1=" + Num(g.x[1]) +
                  " x2=" + Num(g.x[2]) + " ox=16 oy=12 w=100 h=90 xmin=" + Num(w.XMin) +
                  " ymin=" + Num(w.YMin) + " xmax=" + Num(w.XMax) + " ymax=" + Num(w.YMax) +
                  " layer1=" + std::to_string(18) + " layer2=" + std::to_string(21));
        Check("finite", f, "");
        int status = -1;
        const std::string out = RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                                               "/tests/drawings/layout_check.py '" + f +
                                               "' lines=1 2>&1",
                                           status);
        EXPECT_EQ(status, 0) << out;
    }
}

TEST_F(TablesTest, BacklashChartsDimensionTheAllowances) {
    // The charts' total is jt cos(beta); the texts give the normal backlash jn (6.4 % less at
    // 20 degrees), checked against DIN 3967 for a spur and a helical pair.
    TJob helical;
    helical.beta = 25;
    for (const TJob& j : {TJob{}, helical}) {
        Calculate(j);
        const std::string f = Dxf(
            "backlash", [] { BacklashSheet(); }, 160, 120);
        const TGearData& g = GearData;
        Check("backlash", f,
              "alpha=20 beta=" + Num(g.beta) + " Aae=" + Num(g.Aae) + " Aai=" + Num(g.Aai) +
                  " Asne1=" + Num(g.Asne[1]) + " Asni1=" + Num(g.Asni[1]) +
                  " Asne2=" + Num(g.Asne[2]) + " Asni2=" + Num(g.Asni[2]) + " scale=0.5");
        Check("finite", f, "");
    }
}

TEST_F(TablesTest, BacklashSheetWithoutBacklashHasTextsButNoCharts) {
    // Zero backlash gave a scale of 100 / 0; a negative one drew the charts upside down.
    TJob zero;
    zero.Aae = zero.Aai = zero.Asne1 = zero.Asni1 = zero.Asne2 = zero.Asni2 = 0;
    TJob negative = zero;
    negative.Asni1 = negative.Asne1 = 0.05L;
    for (const TJob& j : {zero, negative}) {
        Calculate(j);
        const std::string f = Dxf(
            "nobacklash", [] { BacklashSheet(); }, 160, 120);
        const std::string out = Check("finite", f, "types=TEXT");
        EXPECT_NE(ReadFileBytes(f).find("jt cos(b) max = 2 Aae tan(al) - Asni1 - Asni2"),
                  std::string::npos);
        EXPECT_NE(ReadFileBytes(f).find("jn = jt cos(b) cos(al)"), std::string::npos);
    }
}

TEST_F(TablesTest, ChartSheetsOnTheScreen) {
    Calculate({});
    for (const auto& [name, sheet] :
         {std::pair{"zeta", &SlidingDiagramSheet}, std::pair{"backlash", &BacklashSheet}}) {
        const long ink = Screen(name, [sheet] {
            CadOpenOutput(3);
            CadBeginDrawing(0, 0, 160, 120);
            CadBeginEntities();
            sheet();
            CadEndSection();
            CadCloseOutput();
        });
        EXPECT_GT(ink, 20000) << name;
        EXPECT_EQ(ErrorCount, 0) << ErrorList[1].str();
    }
}

// ---- temporary files ------------------------------------------------------------------------

TEST_F(TablesTest, DeleteTempFilesRemovesOnlyThisProgramsBlockFiles) {
    // The user's logo files and other programs' files beside them stay.
    const std::vector<std::string> others = {"$logo_1.dx$", "$LOGO_2.dx$", "$OTHER.dx$",
                                             "outwin.txt"};
    for (const std::string& n : others)
        WriteFileBytes(Path(n), "0\r\nEOF\r\n");
    CadOpenOutput(3);
    CadBeginDrawing(0, 0, 100, 100);
    CadBeginBlocksSection();
    for (const char* name : {"RAD2", "ZAHN2"}) {
        CadBeginBlock(name);
        CadLine(0, 0, 10, 10);
        CadEndBlock();
    }
    CadEndSection();
    ASSERT_TRUE(fs::exists(CadBlockFileName("RAD2")));
    AbortFlag = 1;
    EXPECT_TRUE(DeleteTempFiles());
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_FALSE(fs::exists(CadBlockFileName("RAD2")));
    EXPECT_FALSE(fs::exists(CadBlockFileName("ZAHN2")));
    EXPECT_FALSE(fs::exists(CadBlockDir()));
    for (const std::string& n : others)
        EXPECT_TRUE(fs::exists(Path(n))) << n;
    EXPECT_TRUE(DeleteTempFiles()); // nothing left to delete
}

} // namespace
