// The tooth-form blocks drawn into DXF files and onto the screen, checked by
// toothform_check.py against references it computes from the same gear inputs (involute and
// rolling formulas with mpmath, the envelope of the rolled tool with shapely).

#include "tests/drawings/gear_fixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "calc/meshing.h"
#include "drawings/annotate.h"
#include "drawings/rackcut.h"
#include "drawings/toolprofile.h"
#include "drawings/toothform.h"
#include "drawings/toothgeom.h"
#include "framework/ui/drawing_window.h"
#include "framework/core/text.h"
#include "platform/gui/application.h"

using namespace cadtest;
using drawtest::Num;
using drawtest::TGearCase;

namespace {

class ToothFormTest : public drawtest::GearTest {
protected:
    // The blocks of gear 2 as the tooth views define them, inserted once each.
    void DrawBlocks(bool transverse, bool filletBlock, int toolTexts = 0) {
        const TGearData& g = GearData;
        CadBeginDrawing(-200, -200, 200, 200);
        CadWriteTables(0);
        CadBeginBlocksSection();
        DiametersForShift(g.xeh);
        CadBeginBlock("WERKZS2");
        DrawToolProfile(2, transverse, toolTexts);
        CadEndBlock();
        CadBeginBlock("ZAHN2");
        DrawGeneratedTooth(2);
        CadEndBlock();
        DiametersForShift(g.xee);
        CadBeginBlock("EVOLV2");
        DrawToothGapContour(2, true);
        CadEndBlock();
        CadBeginBlock("DTEIL");
        DrawDiameterArcs(2, 90, 0, 0);
        CadEndBlock();
        if (filletBlock) {
            CadBeginBlock("TROCH2");
            CadSetColour(5);
            DrawRootFillet(2, 1);
            DrawRootFillet(2, 2);
            CadEndBlock();
        }
        CadEndSection();
        CadBeginEntities();
        CadInsertBlock("ZAHN2", 0, 0, 0, 1, 1);
        CadInsertBlock("EVOLV2", 0, 0, 180.0L / g.z[2], 1, 1);
        CadInsertBlock("EVOLV2", 0, 0, -180.0L / g.z[2], 1, 1);
        CadInsertBlock("DTEIL", 0, 0, 0, 1, 1);
        if (filletBlock) CadInsertBlock("TROCH2", 0, 0, 0, 1, 1);
        CadEndSection();
        CadCloseOutput();
    }

    std::string WriteDxf(const std::string& base, bool transverse, bool filletBlock,
                         int toolTexts = 0) {
        OpenDxf(base);
        EXPECT_EQ(AbortFlag, 0);
        DrawBlocks(transverse, filletBlock, toolTexts);
        EXPECT_EQ(AbortFlag, 0);
        return Path(base + ".dxf");
    }

    // The reference check's arguments for the current gear.
    std::string CaseArgs(const std::string& checks) const {
        const TGearData& g = GearData;
        const TGearCase& c = case_;
        // A premachined gear: the rough tool at its shift, the finished involute from dFf.
        const bool rough = g.q[2] > 0;
        std::string a =
            "z=" + std::to_string(c.z2) + " mn=" + Num(c.mn) + " alpha=20 beta=" + Num(c.beta) +
            " x=" + Num(rough ? g.xeh[2] : g.xee[2]) + " haP0mn=" + Num(g.haP0mn[2]) +
            " hfP0mn=" + Num(g.hfP0mn[2]) +
            " rhoaP0mn=" + Num(g.rhoaP0mn[2]) + " N=" + std::to_string(g.InvolutePoints) +
            " shapes=" + std::to_string(g.GearShapes) + " dFf=" + Num(g.dFf[2]);
        if (c.rhofP0mn > 0) a += " rhofP0mn=" + Num(c.rhofP0mn);
        if (c.prP0mn > 0) a += " prP0mn=" + Num(c.prP0mn) + " alprP0=" + Num(c.alprP0);
        if (c.alkP0 > 0) a += " alkP0=" + Num(c.alkP0) + " hFfP0mn=" + Num(c.hFfP0mn);
        if (rough) a += " xfin=" + Num(g.xee[2]) + " dFfin=" + Num(g.dFf[2]);
        return a + " checks=" + checks;
    }

    // A copy in the build folder, for a look at the drawing.
    static std::string KeptCopy(const std::string& file) {
        const std::string copy = std::string(QOR_BINARY_DIR) + "/toothform_" +
                                 std::filesystem::path(file).filename().string();
        std::error_code ec;
        std::filesystem::copy_file(file, copy, std::filesystem::copy_options::overwrite_existing,
                                   ec);
        return ec ? file : copy;
    }

    // Runs the reference check on a file; every line it printed goes into the failure text.
    void Check(const std::string& file, const std::string& checks, const std::string& extra = "") {
        RunCheck("'" + KeptCopy(file) + "' " + CaseArgs(checks) + " " + extra);
    }

    static std::string RunCheck(const std::string& args) {
        int status = -1;
        const std::string out =
            RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                           "/tests/drawings/toothform_check.py " + args + " 2>&1",
                       status);
        EXPECT_EQ(status, 0) << out;
        EXPECT_EQ(out.find("FAIL"), std::string::npos) << out;
        EXPECT_NE(out.find("ok   ezdxf audit: 0 errors"), std::string::npos) << out;
        return out;
    }
};

TEST_F(ToothFormTest, SpurGearContourAndItsFillet) {
    Calculate({2, 18, 20, 0, 0});
    const std::string f = WriteDxf("spur", true, true);
    Check(f, "finite,evolv,zahn,union,fillet", "fillet_block=TROCH2");
}

TEST_F(ToothFormTest, SpurGearWithToolTipFilletInTheContour) {
    Calculate({2, 18, 20, 0.5L, 0});
    GearData.InvolutePoints = 15;
    GearData.GearShapes = 40;
    const std::string f = WriteDxf("spurx", true, false);
    Check(f, "finite,evolv,zahn,union");
}

TEST_F(ToothFormTest, HelicalGearInTheTransverseSection) {
    Calculate({3, 17, 25, 0.3L, 15});
    const std::string f = WriteDxf("helical", true, false);
    Check(f, "finite,evolv,zahn,union");
}

TEST_F(ToothFormTest, HelicalGearFilletFollowsTheEllipticTipRadius) {
    // In the transverse section the tool's tip radius is an ellipse, stretched along the pitch
    // line by 1 / cos(beta), and so is the tip-radius centre's distance from the tooth centre.
    Calculate({3, 17, 25, 0, 15});
    const std::string f = WriteDxf("helicalfillet", true, true);
    Check(f, "finite,evolv,fillet,union", "fillet_block=TROCH2");
}

TEST_F(ToothFormTest, InternalGear) {
    Calculate({3, 20, -80, 0, 0});
    const std::string f = WriteDxf("internal", true, false);
    Check(f, "finite,evolv,internal");
}

// The contour the program draws begins and ends its involute at the form circles the
// calculation prints (and DTEIL draws): a ring gear's fillet meets the flank at |dFf|, an
// external gear's tip rounding by the tool root radius leaves it at dFa, and a flank finished
// after premachining (allowance q) begins its finished involute at dFf.
TEST_F(ToothFormTest, ContourInvoluteRunsBetweenTheCalculatedFormCircles) {
    struct {
        TGearCase c;
        bool ring;
        long double q = 0;
    } cases[] = {{{3, 20, -80, 0, 0}, true},
                 {{2, 20, -40, 0, 0}, true},
                 {{2, 20, 40, 0, 0, 4, 1.25L, 1, 0.25L, 0.3L, 0, 0, 20, 1}, false},
                 {{3, 20, 25, 0, 9, 4, 1.25L, 1, 0.25L, 0.2L, 0, 0, 20, 1}, false},
                 {{2, 20, 30, 0, 0}, false, 0.2L}};
    for (const auto& [c, ring, q] : cases) {
        Calculate(c);
        const TGearData& g = GearData;
        if (q > 0) { // the first vertex on the finished involute
            GearData.q[2] = q;
            CalculateGears();
            const std::vector<TCutVertex> h = CutToothHalf(2, 20, 30);
            const auto first = std::find_if(h.begin(), h.end(), [](const TCutVertex& v) {
                return fabsl(atan2l(v.x, v.y) - InvolutePoint(2, 2 * hypotl(v.x, v.y)).psi) < 1e-12;
            });
            ASSERT_NE(first, h.end());
            EXPECT_NEAR(hypotl(first->x, first->y), g.dFf[2] / 2, 1e-9L);
            continue;
        }
        // A vertex carries the part of the segment that leaves it: the flank runs from the
        // first flank vertex to the vertex after the last one.
        const std::vector<TCutVertex> h = CutToothHalf(2, 20, 30);
        std::size_t first = h.size(), last = h.size();
        for (std::size_t n = 0; n < h.size(); ++n)
            if (h[n].part == TCutPart::Flank) {
                if (first == h.size()) first = n;
                last = n;
            }
        ASSERT_LT(last + 1, h.size() + (ring ? 1 : 0)) << c.z2;
        if (ring)
            EXPECT_NEAR(std::hypot(h[first].x, h[first].y), std::fabs(g.dFf[2]) / 2, 1e-9L)
                << c.z2;
        else
            EXPECT_NEAR(std::hypot(h[last + 1].x, h[last + 1].y), g.dFa[2] / 2, 1e-9L) << c.z2;
    }
}

// The contour of every kind of tooth against an independent generating simulation: the rack
// rolled over the pitch circle, the envelope of its positions (toothform_check.py builds the
// rack from its textbook definition and rolls it), and against the union of the tool positions
// drawn in ZAHN2. Fillet, undercut, protuberance relief, chamfer and tip rounding alike, also on
// a premachined gear; with the default point counts no chord of the contour leaves the envelope
// by more than 0.0005 mn, and the contour runs along the tooth without crossing itself.
TEST_F(ToothFormTest, EveryContourPointLiesOnTheRolledRackEnvelope) {
    auto tool = [](TGearCase c, long double ha, long double rho, long double rhof, long double pr,
                   long double apr, long double alk, long double hFf) {
        c.rack = 4;
        c.haP0mn = ha;
        c.rhoaP0mn = rho;
        c.rhofP0mn = rhof;
        c.prP0mn = pr;
        c.alprP0 = apr;
        c.alkP0 = alk;
        c.hFfP0mn = hFf;
        return c;
    };
    auto premachined = [](TGearCase c, long double q) {
        c.q2 = q;
        return c;
    };
    const TGearCase cases[] = {
        {2, 18, 8, 0.6L, 0},     // small pinion, no undercut
        {1, 18, 8, 0, 0},        // undercut
        {0.5L, 18, 10, -0.29L, 0}, // deep undercut (less: no ball, fatal)
        {2, 18, 20, 0, 0},       // the tip-radius fillet reaches below the tool form circle
        {5, 18, 20, -0.5L, 0},   // undercut
        {20, 18, 40, 0.6L, 0},
        {3, 18, 40, -0.5L, 0},
        {3, 17, 25, 0.3L, 15},
        {2, 18, 30, 0, 25},
        {4, 18, 12, 0, 35},
        tool({3, 18, 20, 0, 0}, 1.4L, 0.4L, 0, 0.03L, 10, 0, 0),      // protuberance
        tool({3, 18, 25, 0, 0}, 1.4L, 0.4L, 0, 0.3L, 10, 0, 0),       // large protuberance
        tool({2, 18, 25, 0.2L, 0}, 1.25L, 0.25L, 0, 0, 0, 40, 0.85L), // tip chamfer
        tool({4, 18, 30, 0.1L, 0}, 1.25L, 0.25L, 0.3L, 0, 0, 0,
             0), // tip rounding by the root radius
        tool({2, 18, 18, 0.2L, 20}, 1.4L, 0.4L, 0.2L, 0.02L, 6, 30, 0.8L),
        tool({2, 18, 20, 0, 0}, 1.25L, 0, 0, 0, 0, 0, 0), // sharp tool tip
        {2, 18, 7, 0.3L, 0},                              // the smallest pinions
        {2, 18, 6, 0.5L, 0},
        {3, 18, 30, 0.2L, 45},                            // the steepest helix
        {1, 18, 300, 0, 0},                               // a large wheel
        // Premachined (the finished involute from dFf) with root radius, chamfer, protuberance.
        premachined(tool({3, 20, 25, 0, 0}, 1.25L, 0.25L, 0.2L, 0, 0, 0, 0), 0.1L),
        premachined(tool({3, 20, 24, 0, 0}, 1.25L, 0.25L, 0, 0, 0, 45, 0.7L), 0.03L),
        premachined(tool({2, 20, 40, 0.3L, 15}, 1.25L, 0.25L, 0.25L, 0, 0, 0, 0), 0.04L),
        premachined(tool({2, 18, 30, 0.2L, 20}, 1.4L, 0.4L, 0.2L, 0.02L, 6, 30, 0.8L), 0.05L),
        // Ring gears: chords against the involute, which bends sharply near the base circle.
        {2, 9, -18, 0, 0}, tool({2, 12, -25, 0, 0}, 1.25L, 0.38L, 0, 0, 0, 0, 0),
        {2, 20, -40, 0.3L, 0}, {2, 15, -30, 0, 20}, {2, 20, -40, 0, 0},
    };
    std::string batch;
    int k = 0;
    for (const TGearCase& c : cases) {
        Calculate(c);
        // Between two positions a sharp tool corner leaves a scallop of the first order.
        GearData.GearShapes = c.rhoaP0mn > 0 ? 120 : 600;
        const std::string name = "sweep" + std::to_string(++k);
        GearData.dNf[2] = 2 * GearData.dax[2]; // the whole fillet in TROCH2
        const std::string f = KeptCopy(WriteDxf(name, true, c.z2 > 0));
        batch += f + " label=" + name + " " +
                 CaseArgs(c.z2 < 0    ? "finite,chords,loopfree"
                          : c.q2 > 0 ? "finite,envelope,chords,loopfree,dff"
                                     : "finite,envelope,chords,union,loopfree,dff") +
                 "\n";
    }
    const std::string list = std::string(QOR_BINARY_DIR) + "/toothform_sweep.txt";
    WriteFileBytes(list, batch);
    const std::string out = RunCheck("--batch '" + list + "'");
    std::cout << out;
}

// With a tooth-thickness tolerance the contour is drawn at the mean shift, and so are its form
// circles: the dFf and dFa arcs lie where the drawn involute begins and ends (plain, helical
// with the tool tip radius of a reported case, chamfered and premachined, tip rounding, and a
// ring gear whose tip the tool's chamfer cuts to the involute of its angle from dFa on).
TEST_F(ToothFormTest, FormArcsMeetTheDrawnInvoluteAtTheMeanShift) {
    TGearCase chamfered{3, 20, 24, 0, 0, 4, 1.25L, 1, 0.25L, 0, 0, 0, 45, 0.7L};
    chamfered.q2 = 0.03L;
    TGearCase ring{3, 170, -179, 0.7988L, 0, 4, 1.25L, 1, 0.1898L, 0, 0, 0, 36.513L, 0.59L};
    ring.x1 = -0.7988L;
    const TGearCase cases[] = {{2, 18, 25, 0, 0},
                               {1.5L, 20, 17, 0.6695L, 24.9222L, 4, 1.25L, 1, 0.2086L},
                               chamfered,
                               {2, 18, 30, 0.1L, 0, 4, 1.25L, 1, 0.25L, 0.3L},
                               ring};
    std::string batch;
    int k = 0;
    for (const TGearCase& c : cases) {
        Calculate(c);
        GearData.TsnSeries[2] = 7;
        GearData.AsnSeries[2] = 8;
        CalculateGears();
        ASSERT_GT(GearData.xEmax[2] - GearData.xEmin[2], 0.01L);
        const std::string name = "formarcs" + std::to_string(++k);
        const char* checks =
            c.z2 < 0 ? "finite,formcircles,loopfree,evolv,chords" : "finite,formcircles,loopfree";
        batch += KeptCopy(WriteDxf(name, true, false)) + " label=" + name + " " + CaseArgs(checks) +
                 "\n";
    }
    const std::string list = std::string(QOR_BINARY_DIR) + "/toothform_formarcs.txt";
    WriteFileBytes(list, batch);
    const std::string out = RunCheck("--batch '" + list + "'");
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 33) << out; // dFa of three
}

// A tool that cannot exist is warned by the input check with the limit it passes: just beyond
// that limit the drawn tool outline crosses itself, just below it does not. The blocks of such a
// tool are still drawn (and stay finite).
TEST_F(ToothFormTest, ImpossibleToolsAreWarnedWithTheLimit) {
    struct TLimit {
        const char* message; // up to the limit
        long double TGearCase::*field;
        TGearCase c;
        long double tooFar; // a value beyond the limit
        bool crossing;      // beyond the limit the outline crosses itself
    };
    TGearCase plain{2, 18, 25, 0, 0, 4};
    TGearCase protuberance = plain, chamfer = plain;
    protuberance.haP0mn = 1.4L;
    protuberance.prP0mn = 0.3L;
    protuberance.alprP0 = 10;
    chamfer.alkP0 = 40;
    chamfer.hFfP0mn = 0.85L;
    const TLimit limits[] = {
        {"Warning: rhoaP0 > ", &TGearCase::rhoaP0mn, plain, 0.8L, true},
        {"Warning: rhoaP0 > ", &TGearCase::rhoaP0mn, protuberance, 0.9L, true},
        {"Warning: hFfP0 > hfP0 = ", &TGearCase::hFfP0mn, chamfer, 1.2L, true},
        {"Warning: rhofP0 > ", &TGearCase::rhofP0mn, plain, 0.9L, true},
        {"Warning: rhofP0 > ", &TGearCase::rhofP0mn, chamfer, 0.9L, true},
        {"alfa kP0 < alfa = ", &TGearCase::alkP0, chamfer, 15, false},
    };
    auto warned = [](const std::string& prefix) -> std::string {
        for (int k = 1; k <= ErrorCount; ++k)
            if (ErrorList[k].str().rfind(prefix, 0) == 0) return ErrorList[k].str();
        return "";
    };
    std::string batch;
    int n = 0;
    for (const TLimit& t : limits) {
        TGearCase c = t.c;
        c.*t.field = t.tooFar;
        Calculate(c);
        const std::string msg = warned(t.message);
        ASSERT_FALSE(msg.empty()) << t.message;
        const long double limit = std::stold(msg.substr(std::string(t.message).size()));
        if (!t.crossing) {
            EXPECT_EQ(msg, "alfa kP0 < alfa = 20" + AngleUnitText() + " !");
            continue;
        }
        for (const long double f : {1.03L, 0.97L}) {
            c.*t.field = f * limit;
            Calculate(c);
            EXPECT_EQ(warned(t.message).empty(), f < 1) << msg << " at " << Num(c.*t.field);
            const std::string name = "limit" + std::to_string(++n);
            const std::string file = KeptCopy(WriteDxf(name, false, false));
            batch += file + " label=" + name + " checks=finite," + (f < 1 ? "simple" : "crossing") +
                     " z=25 mn=2 alpha=20\n";
        }
    }
    const std::string list = std::string(QOR_BINARY_DIR) + "/toothform_limits.txt";
    WriteFileBytes(list, batch);
    RunCheck("--batch '" + list + "'");
}

TEST_F(ToothFormTest, FilletOfACentreBeyondThePitchLineRolls) {
    // u = haP0 - x mn - rho < 0: the tip-radius centre lies outside the pitch circle.
    Calculate({2, 18, 20, 1.0L, 0, 4, 1.25L, 1.0L, 0.45L});
    GearData.dNf[2] = GearData.d[2] * 2; // every fillet vertex is drawn
    const std::string f = WriteDxf("ucentre", true, true);
    Check(f, "finite,fillet", "fillet_block=TROCH2");
}

TEST_F(ToothFormTest, FilletOfACentreOnThePitchLineHasNoNaN) {
    // u = 5 - 3.5 - 1.5 = 0 exactly: the trochoid of the centre has its cusp at the root point.
    Calculate({4, 18, 20, 0.875L, 0, 4, 1.25L, 1.0L, 0.375L});
    ASSERT_EQ(GearData.haP0[2] - GearData.xee[2] * GearData.mn - GearData.rhoaP0[2], 0.0L);
    GearData.dNf[2] = GearData.d[2] * 2;
    const std::string f = WriteDxf("uzero", true, true);
    Check(f, "finite,fillet", "fillet_block=TROCH2 root_only=1");
    // The same on the screen: no record carries a NaN.
    AbortFlag = 0;
    CadOpenOutput(3);
    DisplayList->Clear();
    DrawBlocks(true, true);
    for (const auto& rec : Records()) {
        EXPECT_EQ(rec.find("nan"), std::string::npos) << rec;
        EXPECT_EQ(rec.find("NAN"), std::string::npos) << rec;
    }
}

TEST_F(ToothFormTest, ToolProfileInTheNormalSection) {
    Calculate({2, 18, 20, 0.2L, 0});
    const std::string f = WriteDxf("tool", false, false, 1);
    Check(f, "finite,tool");
}

TEST_F(ToothFormTest, ProtuberanceToolWithChamferAndRootRadius) {
    TGearCase c{2, 18, 20, 0.2L, 0, 4, 1.4L, 1.0L, 0.4L};
    c.rhofP0mn = 0.2L;
    c.prP0mn = 0.02L;
    c.alprP0 = 6;
    c.alkP0 = 30;
    c.hFfP0mn = 0.8L;
    Calculate(c);
    ASSERT_TRUE(GearData.ChamferOn[2]);
    GearData.DrawingNumber[2] = "Z-4711";
    GearData.DrawingName[2] = "Ritzel";
    const std::string f = WriteDxf("protub", false, false, 1);
    Check(f, "finite,tool", "prP0mn=0.02 alprP0=6 alkP0=30");
    int status = -1;
    const auto lines = EzdxfReport(f, status);
    ASSERT_EQ(status, 0) << Joined(lines);
    // The data texts: one line each, in order; every length with its unit.
    std::vector<std::string> texts;
    for (const auto& l : lines)
        if (l.rfind("entity WERKZS2 TEXT", 0) == 0) {
            const auto q1 = l.find('\'');
            const auto q2 = l.find('\'', q1 + 1);
            texts.push_back(l.substr(q1 + 1, q2 - q1 - 1));
        }
    ASSERT_EQ(texts.size(), 12u) << Joined(lines);
    EXPECT_EQ(texts[0], "Z-4711");
    EXPECT_EQ(texts[1], "Ritzel");
    EXPECT_EQ(texts[2], "(Tool)");
    EXPECT_EQ(texts[3], "gear 2");
    const char* labels[] = {"hfP0 = ", "haP0 = ",       "raP0 = ",  "rfP0 = ",
                            "prP0 = ", "alpha prP0 = ", "hFfP0 = ", "alpha kP0 = "};
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(texts[4 + k].rfind(labels[k], 0), 0u) << texts[4 + k];
    EXPECT_EQ(texts[4], "hfP0 = 1 * mn = 2 mm");
    EXPECT_EQ(texts[6], "raP0 = 0.4 * mn = 0.8 mm");
    EXPECT_EQ(texts[10], "hFfP0 = 0.8 * mn = 1.6 mm");
}

// A ring gear's gap bottom narrower than the tool's tip radius needs: the input check warns with
// the largest radius that fits; beyond it the two fillets meet on the middle of the gap, short of
// the root circle, and the drawing stays inside the root circle with the tool clear of the teeth.
TEST_F(ToothFormTest, RingGapTooNarrowForTheToolTipIsWarnedAndItsFilletsMeet) {
    TGearCase c{3, 7, -12, -0.4809L, 29.23L, 4, 1.25L, 1, 0.2033L};
    c.x1 = 0.5L;
    Calculate(c);
    std::string text = "Warning: gap rhoaP0 <= ";
    auto warned = [&] {
        for (int k = 1; k <= ErrorCount; ++k)
            if (ErrorList[k].str().rfind(text, 0) == 0) return ErrorList[k].str();
        return std::string();
    };
    ASSERT_FALSE(warned().empty());
    const long double limit = std::stold(warned().substr(text.size()));
    std::string batch;
    for (const long double f : {0.97L, 1.03L}) {
        c.rhoaP0mn = f * limit;
        Calculate(c);
        EXPECT_EQ(warned().empty(), f < 1) << Num(c.rhoaP0mn);
        const std::vector<TCutVertex> h = CutToothHalf(2, 20, 30);
        const TCutVertex& first = h.front();
        EXPECT_EQ(first.part == TCutPart::Root, f < 1);
        if (f > 1) { // on the gap's middle, inside the root circle
            EXPECT_NEAR(atan2l(first.x, -first.y), Pi / 12, 1e-15L);
            EXPECT_LT(hypotl(first.x, first.y), -GearData.dfx[2] / 2 - 1e-6L);
        }
        batch += WriteDxf(f < 1 ? "ringfits" : "ringmeets", true, false) + " " +
                 CaseArgs("finite,internal,loopfree") + "\n";
    }
    // Where the fillets meet (the second with a chamfer and a root radius): the drawing starts
    // at the diameter the calculation's message gives.
    TGearCase plain{3.862L, 14, -18, -0.624L, 0, 4, 1.307L, 1.004L, 0.357L};
    TGearCase chamfered{2.23L, 13, -19, -0.7L, 16.4L, 4, 1.273L, 1.007L, 0.183L, 0.099L};
    chamfered.alkP0 = 30.89L;
    chamfered.hFfP0mn = 0.735L;
    for (const TGearCase& meets : {c, plain, chamfered}) {
        Calculate(meets);
        const TCutVertex start = CutToothHalf(2, 20, 30).front();
        const long double R = hypotl(start.x, start.y), xe = GearData.xee[2];
        EXPECT_NEAR(R, -GapClosingDiameter(2, xe, xe, GearData.rhoaP0[2]) / 2, 1e-12L * R);
        text = "Error  : gap closes d=" + FixedPointText(2 * R, 3) + " mm (2)";
        EXPECT_EQ(warned(), text);
        batch += WriteDxf("ringmeets" + std::to_string(meets.z2), true, false) + " " +
                 CaseArgs("finite,internal,loopfree") + "\n";
    }
    // A gap whose flanks meet short of the root circle: the contour starts where they meet, on
    // the gap's middle, and never crosses itself.
    TGearCase closed{2, 10, -14, -0.8L, 0};
    closed.x1 = 0.3L;
    Calculate(closed);
    const std::vector<TCutVertex> h = CutToothHalf(2, 20, 30);
    EXPECT_NEAR(atan2l(h.front().x, -h.front().y), Pi / 14, 1e-15L);
    const long double xe = GearData.xee[2];
    EXPECT_NEAR(hypotl(h.front().x, h.front().y),
                -GapClosingDiameter(2, xe, xe, GearData.rhoaP0[2]) / 2, 1e-9L);
    // (no tool check: no tool cuts such a gap)
    batch += WriteDxf("ringclosed", true, false) + " " + CaseArgs("finite,loopfree") + "\n";
    WriteFileBytes(Path("ringgap.txt"), batch);
    RunCheck("--batch '" + Path("ringgap.txt") + "'");
}

TEST_F(ToothFormTest, PremachinedContourOfAnInternalGear) {
    Calculate({3, 20, -80, 0, 0});
    GearData.q[2] = 0.1L;
    GearData.xEmaxV[2] = GearData.xEmax[2] + 0.05L;
    GearData.xEminV[2] = GearData.xEmin[2] + 0.05L;
    OpenDxf("premachined");
    DrawBlocks(true, false);
    int status = -1;
    const auto lines = EzdxfReport(Path("premachined.dxf"), status);
    ASSERT_EQ(status, 0) << Joined(lines);
    ASSERT_TRUE(Contains(lines, "audit_errors 0")) << Joined(lines);
    // Two polylines in EVOLV2: the finished contour and the pre-machined one, whose flank
    // points lie on the involute of the mean shift with allowance (0.05 more): its tooth is
    // thinner by 2 * 0.05 * mn * tan(alpha) at the reference circle, over its whole depth.
    std::vector<std::string> polys;
    for (const auto& l : lines)
        if (l.rfind("entity EVOLV2 POLYLINE", 0) == 0) polys.push_back(l);
    ASSERT_EQ(polys.size(), 2u) << Joined(lines);
    auto vertices = [](const std::string& l) {
        std::istringstream in(l.substr(22));
        std::string layer, open;
        int n = 0;
        in >> layer >> open >> n;
        std::vector<std::array<double, 3>> v(n);
        for (auto& p : v)
            in >> p[0] >> p[1] >> p[2];
        return v;
    };
    const auto fin = vertices(polys[0]);
    const auto pre = vertices(polys[1]);
    ASSERT_EQ(pre.size(), fin.size());
    const double d = -240, db = d * std::cos(20 * M_PI / 180);
    const double sn = 3 * (M_PI / 2 + 2 * (GearData.xEmaxV[2] + GearData.xEminV[2]) / 2 *
                                          std::tan(20 * M_PI / 180));
    auto inv = [](double a) { return std::tan(a) - a; };
    for (std::size_t k = 3; k + 4 < pre.size() / 2; ++k) {
        const double R = std::hypot(pre[k][0], pre[k][1]);
        const double psi = sn / d + inv(20 * M_PI / 180) - inv(std::acos(std::fabs(db) / (2 * R)));
        EXPECT_NEAR(std::atan(pre[k][0] / pre[k][1]), psi, 1e-8) << k;
    }
}

TEST_F(ToothFormTest, ScreenPictureShowsTheTooth) {
    Application->Initialize();
    Calculate({2, 18, 20, 0, 0});
    CadOpenOutput(3);
    ASSERT_EQ(AbortFlag, 0);
    DisplayList->Clear();
    const TGearData& g = GearData;
    // The whole drawing window on the tooth.
    CadBeginDrawing(-12, 14, 12, 24);
    CadWriteTables(0);
    CadBeginBlocksSection();
    DiametersForShift(g.xeh);
    CadBeginBlock("WERKZS2");
    DrawToolProfile(2, true, 0);
    CadEndBlock();
    CadBeginBlock("ZAHN2");
    DrawGeneratedTooth(2);
    CadEndBlock();
    DiametersForShift(g.xee);
    CadBeginBlock("EVOLV2");
    DrawToothGapContour(2, true);
    CadEndBlock();
    CadEndSection();
    CadBeginEntities();
    CadInsertBlock("ZAHN2", 0, 0, 0, 1, 1);
    CadInsertBlock("EVOLV2", 0, 0, 180.0L / g.z[2], 1, 1);
    CadInsertBlock("EVOLV2", 0, 0, -180.0L / g.z[2], 1, 1);
    CadEndSection();
    CadCloseOutput();
    const std::string png = std::string(QOR_BINARY_DIR) + "/toothform_screen.png";
    ASSERT_TRUE(TFkelmgra::SaveDrawingPicture(png));
    int status = -1;
    const std::string out = RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                                           "/tests/drawings/png_ink.py '" + png + "' 2>&1",
                                       status);
    ASSERT_EQ(status, 0) << out;
    // Many hundreds of tool outlines and the contour: far more than a blank or a border.
    EXPECT_GT(std::stol(out), 5000) << out;
}

} // namespace
