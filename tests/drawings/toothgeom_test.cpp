// Tooth-form geometry functions, the drawing counts and the diameter arcs of "DTEIL". The arcs
// are read back with ezdxf (tests/cad/dxf_check.py).

#include "tests/cad/cad_testutil.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <functional>

#include "calc/geardata.h"
#include "drawings/annotate.h"
#include "drawings/toolprofile.h"
#include "drawings/toothform.h"
#include "drawings/toothgeom.h"

using namespace cadtest;

namespace {

class ToothGeomTest : public CadTest {
protected:
    void SetUp() override {
        CadTest::SetUp();
        InitGearDataUnit();
        ClearErrors();
        CadDecimals = 9;
    }
    void TearDown() override {
        CadTest::TearDown();
        InitGearDataUnit();
        ClearErrors();
    }
    // A bare gear 2 with the values the functions read (no calculation).
    static void Gear(int z, long double d, long double db, long double dfx, long double rho,
                     long double dFf = 0) {
        TGearData& g = GearData;
        g.dFf[2] = dFf;
        g.z[2] = z;
        g.d[2] = d;
        g.db[2] = db;
        g.dfx[2] = dfx;
        g.rhoaP0[2] = rho;
        g.alphaRad = DegToRad(20.0L);
    }
    struct TArc {
        double cx, cy, r, a0, a1;
    };
    // The arcs of block DTEIL in an ezdxf report.
    static std::vector<TArc> DteilArcs(const std::vector<std::string>& lines) {
        std::vector<TArc> out;
        for (const auto& l : lines) {
            if (l.rfind("entity DTEIL ARC", 0) != 0) continue;
            std::istringstream in(l.substr(16));
            std::string layer;
            TArc a{};
            in >> layer >> a.cx >> a.cy >> a.r >> a.a0 >> a.a1;
            out.push_back(a);
        }
        return out;
    }
    // Gear 2's diameter arcs alone in block DTEIL of <base>.dxf (square drawing of half-width
    // extent); ezdxf's report of the file, its exit status in status.
    std::vector<std::string> DiameterArcsReport(const std::string& base, long double extent,
                                                int& status) {
        OpenDxf(base);
        CadBeginDrawing(-extent, -extent, extent, extent);
        CadWriteTables(0);
        CadBeginBlocksSection();
        CadBeginBlock("DTEIL");
        DrawDiameterArcs(2, 90, 0, 0);
        CadEndBlock();
        CadEndSection();
        CadBeginEntities();
        CadInsertBlock("DTEIL", 0, 0, 0, 1, 1);
        CadEndSection();
        CadCloseOutput();
        return EzdxfReport(Path(base + ".dxf"), status);
    }
};

TEST_F(ToothGeomTest, RootFormDiameterIsTheCalculatedOne) {
    Gear(20, 40, 37.5L, 35, 0.5L, 37.5L);
    EXPECT_TRUE(BaseCircleAboveRootForm(2));
    EXPECT_EQ(RootFormDiameter(2), 37.5L);
    Gear(20, 40, 37.5L, 37.2L, 0.5L, 37.9L);
    EXPECT_FALSE(BaseCircleAboveRootForm(2));
    EXPECT_EQ(RootFormDiameter(2), 37.9L);
    Gear(-80, -240, -225.5L, -247.5L, 0.5L, -229.75L); // internal: never the base circle
    EXPECT_FALSE(BaseCircleAboveRootForm(2));
    EXPECT_EQ(RootFormDiameter(2), -229.75L);
}

TEST_F(ToothGeomTest, InvolutePointAtThePitchCircleOfAHelicalGear) {
    TGearData& g = GearData;
    const long double beta = DegToRad(15.0L);
    const long double d = 25 * 3 / cosl(beta);
    const long double at = atanl(tanl(DegToRad(20.0L)) / cosl(beta));
    Gear(25, d, d * cosl(at), d - 7.5L, 0.75L);
    g.betaRad = beta;
    g.alphat = at;
    g.snx[2] = 5.4L;
    const TFlankPoint p = InvolutePoint(2, d);
    EXPECT_NEAR(p.psi, 5.4L / (d * cosl(beta)), 1e-15L);
    EXPECT_NEAR(std::hypot(p.x, p.y), d / 2, 1e-12L);
    EXPECT_NEAR(p.x / p.y, tanl(p.psi), 1e-15L);
    // Below the base circle the pressure angle is taken as 0: the base-circle half angle.
    const TFlankPoint b = InvolutePoint(2, d * 0.5L);
    EXPECT_NEAR(b.psi, 5.4L / (d * cosl(beta)) + tanl(at) - at, 1e-15L);
    EXPECT_EQ(ErrorCount, 0);
}

TEST_F(ToothGeomTest, InvolutePointOfDiameterZeroReportsOnce) {
    Gear(20, 40, 37.5L, 35, 0.5L);
    GearData.snx[2] = 3;
    for (int k = 0; k < 2; ++k) {
        const TFlankPoint p = InvolutePoint(2, 0);
        EXPECT_EQ(p.x, 0);
        EXPECT_EQ(p.y, 0);
        EXPECT_EQ(p.psi, 0);
    }
    ASSERT_EQ(ErrorCount, 1);
    EXPECT_EQ(ErrorList[1].str(), "Fatal  : d = 0 !");
    const TFlankPoint q = InvolutePointXe(2, 0);
    EXPECT_TRUE(std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.psi));
}

TEST_F(ToothGeomTest, PremachinedFlankUsesTheMeanShiftWithAllowance) {
    TGearData& g = GearData;
    Gear(20, 40, 40 * cosl(DegToRad(20.0L)), 35, 0.5L);
    g.alphat = DegToRad(20.0L);
    g.mn = 2;
    g.xEmaxV[2] = 0.3L;
    g.xEminV[2] = 0.1L;
    const TFlankPoint p = InvolutePointXe(2, 40);
    // sn of the mean shift 0.2: mn (pi/2 + 2 x tan alpha).
    const long double sn = 2 * (Pi / 2 + 0.4L * tanl(DegToRad(20.0L)));
    EXPECT_NEAR(p.psi, sn / 40, 1e-15L);
}

TEST_F(ToothGeomTest, CountsTakeTheirDefaultsAndStayDefined) {
    TGearData& g = GearData;
    g.GearShapes = 0;
    g.InvolutePoints = 0;
    g.FilletResolution = 0;
    EXPECT_EQ(UsedGearShapes(), 30);
    EXPECT_EQ(UsedInvolutePoints(), 20);
    EXPECT_EQ(UsedFilletResolution(), 30);
    EXPECT_EQ(g.GearShapes, 30);
    EXPECT_EQ(g.InvolutePoints, 20);
    EXPECT_EQ(g.FilletResolution, 30);
    // One point per flank leaves no step; negative or huge values from a file are clamped.
    g.InvolutePoints = 1;
    EXPECT_EQ(UsedInvolutePoints(), 2);
    g.GearShapes = -5;
    EXPECT_EQ(UsedGearShapes(), 1);
    g.FilletResolution = 2000000000;
    EXPECT_EQ(UsedFilletResolution(), 2000);
    g.InvolutePoints = 7;
    EXPECT_EQ(UsedInvolutePoints(), 7);
}

TEST_F(ToothGeomTest, RollRange) {
    EXPECT_NEAR(RollRange(20), 0.69L / logl(20.0L) + 0.225L, 1e-18L);
    EXPECT_NEAR(RollRange(20), 0.455L, 5e-4L);
    EXPECT_EQ(RollRange(1), 0.3L);
    EXPECT_EQ(RollRange(-80), 0.3L);
}

// The screen records of a drawing step, without opening anything else.
class ToothScreenTest : public ToothGeomTest {
protected:
    void SetUp() override {
        ToothGeomTest::SetUp();
        CadOpenOutput(3);
        CadBeginDrawing(-50, -50, 50, 50);
        DisplayList->Clear();
    }
    void TearDown() override {
        CadCloseOutput();
        ToothGeomTest::TearDown();
    }
    static void SpurData() {
        TGearData& g = GearData;
        Gear(20, 40, 40 * cosl(DegToRad(20.0L)), 35, 0.5L);
        g.alphat = DegToRad(20.0L);
        g.mn = 2;
        g.dax[2] = 44;
        g.snx[2] = Pi;
        g.haP0[2] = 2.5L;
        g.hfP0[2] = 2;
        g.dNf[2] = 38;
        g.DrawRootCurve = true;
        g.DrawDiameters = 2;
    }
};

TEST_F(ToothScreenTest, AbortFlagDrawsNothing) {
    SpurData();
    AbortFlag = 1;
    DrawGeneratedTooth(2);
    DrawToothGapContour(2, true);
    DrawRootFillet(2, 1);
    DrawRootContour(2);
    DrawToolProfile(2, false, 1);
    EXPECT_TRUE(Records().empty());
}

TEST_F(ToothScreenTest, ContourWithTwoPointsPerFlankFromAFileStaysFinite) {
    SpurData();
    GearData.InvolutePoints = 1;
    DrawToothGapContour(2, false);
    EXPECT_EQ(GearData.InvolutePoints, 2);
    ASSERT_FALSE(Records().empty());
    for (const auto& r : Records())
        EXPECT_EQ(r.find("nan"), std::string::npos) << r;
}

TEST_F(ToothGeomTest, DiameterArcsOfAnInternalGearLieAboutMinusY) {
    TGearData& g = GearData;
    Gear(-80, -240, -225.526L, -247.5L, 0.75L, -229.75L);
    g.mn = 3;
    g.dax[2] = -234;
    g.dFa[2] = g.da[2] = -234;
    int status = -1;
    const auto lines = DiameterArcsReport("dteil", 200, status);
    ASSERT_EQ(status, 0) << Joined(lines);
    ASSERT_TRUE(Contains(lines, "audit_errors 0")) << Joined(lines);
    // w = 1.5 * 180 / -80 = -3.375: arcs from 270 - 3.375 to 270 + 3.375 degrees.
    const auto arcs = DteilArcs(lines);
    for (const TArc& a : arcs) {
        EXPECT_NEAR(a.cx, 0, 1e-9);
        EXPECT_NEAR(a.cy, 0, 1e-9);
        // dFf lies 4.2 mm from db: its span is w too.
        EXPECT_NEAR(a.a0, 266.625, 1e-6) << a.r;
        EXPECT_NEAR(a.a1, 273.375, 1e-6) << a.r;
    }
    EXPECT_EQ(arcs.size(), 5u) << Joined(lines); // d, db, df, da, dFf; no dFa when it equals da
}

// Diameters close to each other keep their labels apart: a label that would lie on another
// label or arc goes inside its arc or to the end of a longer arc (layout_check.py reads the
// texts as ezdxf places them).
TEST_F(ToothGeomTest, LabelsOfCloseDiametersStayClear) {
    TGearData& g = GearData;
    const struct {
        const char* name;
        std::function<void()> gear;
        int arcs;
    } cases[] = {
        {"dFf just above db",
         [&] {
             Gear(20, 40, 37.5L, 36, 0.5L, 37.6L);
             g.mn = 2;
             g.dax[2] = 44;
             g.dFa[2] = 43;
             g.dFaK[2] = 43.4L;
             g.da[2] = 44;
         },
         6},
        {"pinion of 7 teeth", // d, db and dFf within a label's height
         [&] {
             Gear(7, 45.5L, 42.756L, 33.04L, 1.625L, 43.152L);
             g.mn = 6.5L;
             g.dax[2] = g.da[2] = g.dFa[2] = 62.29L;
         },
         5},
        {"ring gear with dFf by df",
         [&] {
             Gear(-58, -377, -354.264L, -390.86L, 1.625L, -389.9L);
             g.mn = 6.5L;
             g.dax[2] = g.da[2] = g.dFa[2] = -361.606L;
         },
         5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.gear();
        int status = -1;
        const auto lines = DiameterArcsReport("labels", 250, status);
        ASSERT_EQ(status, 0) << Joined(lines);
        const auto arcs = DteilArcs(lines);
        int dFa = 0;
        for (const TArc& a : arcs) {
            // Every arc spans at least the 1.5 pitches either side.
            EXPECT_GE(a.a1 - a.a0, 2 * 1.5 * 180 / std::abs(g.z[2]) - 1e-6) << a.r;
            if (std::fabs(a.r - 43.0 / 2) < 1e-9) ++dFa; // dFa: drawn at the upper shift
        }
        EXPECT_EQ(static_cast<int>(arcs.size()), c.arcs) << Joined(lines);
        EXPECT_EQ(dFa, c.arcs == 6 ? 1 : 0);
        const std::string out =
            RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                           "/tests/drawings/layout_check.py '" + Path("labels.dxf") +
                           "' sheet=-250,-250,250,250 2>&1",
                       status);
        EXPECT_EQ(status, 0) << out;
    }
}

TEST_F(ToothScreenTest, GeneratedToothInsertsTwiceTheShapesPlusOne) {
    SpurData();
    CadBeginBlocksSection();
    CadBeginBlock("WERKZS2");
    CadLine(0, 0, 1, 0);
    CadEndBlock();
    CadEndSection();
    CadBeginEntities();
    DisplayList->Clear();
    GearData.GearShapes = 5;
    DrawGeneratedTooth(2);
    int lines = 0;
    for (const auto& r : Records())
        if (r.rfind("4;", 0) == 0) ++lines;
    EXPECT_EQ(lines, 11);
}

} // namespace

namespace {

class AnnotationTest : public ToothGeomTest {
protected:
    std::vector<std::string> Draw(const std::string& base, const std::function<void()>& body) {
        OpenDxf(base);
        CadBeginDrawing(-200, -200, 200, 200);
        CadWriteTables(0);
        CadBeginEntities();
        body();
        CadEndSection();
        CadCloseOutput();
        int status = -1;
        const auto lines = EzdxfReport(Path(base + ".dxf"), status);
        EXPECT_EQ(status, 0) << Joined(lines);
        EXPECT_TRUE(Contains(lines, "audit_errors 0")) << Joined(lines);
        std::vector<std::string> model;
        for (const auto& l : lines)
            if (l.rfind("entity model ", 0) == 0) model.push_back(l.substr(13));
        return model;
    }
    static std::vector<double> Numbers(const std::string& l, int skip) {
        std::istringstream in(l);
        std::string w;
        for (int k = 0; k < skip; ++k)
            in >> w;
        std::vector<double> v;
        for (double x; in >> x;)
            v.push_back(x);
        return v;
    }
};

TEST_F(AnnotationTest, LimitedArcIsCutAtTheLimitLineOnly) {
    GearData.mn = 2;
    const auto m = Draw("limited", [] {
        // Limit 6 above the centre on a circle of radius 12: half span arccos(0.5) = 60.
        DrawLimitedAngleArc("a", false, 0, 0, 80, 24, 90, 6);
        // Limit beyond the circle: the full span stays.
        DrawLimitedAngleArc("b", false, 0, 0, 80, 24, 90, 30);
        // Wider than the given span: the given span stays.
        DrawLimitedAngleArc("c", false, 0, 0, 10, 24, 90, 6);
    });
    std::vector<std::vector<double>> arcs;
    for (const auto& l : m)
        if (l.rfind("ARC ", 0) == 0) arcs.push_back(Numbers(l, 2));
    ASSERT_EQ(arcs.size(), 3u);
    EXPECT_NEAR(arcs[0][3], 30, 1e-6);
    EXPECT_NEAR(arcs[0][4], 150, 1e-6);
    EXPECT_NEAR(arcs[1][3], 10, 1e-6);
    EXPECT_NEAR(arcs[1][4], 170, 1e-6);
    EXPECT_NEAR(arcs[2][3], 80, 1e-6);
    EXPECT_NEAR(arcs[2][4], 100, 1e-6);
}

TEST_F(AnnotationTest, OutsideLabelSitsBeyondTheArcEnd) {
    GearData.mn = 2;
    const auto m = Draw("label", [] { DrawAngleArc("d", false, 0, 0, 10, 40, 90); });
    std::vector<double> text;
    for (const auto& l : m)
        if (l.rfind("TEXT ", 0) == 0) text = Numbers(l, 3);
    ASSERT_GE(text.size(), 5u);
    // lambda = 0 + 0.8 * 10 degrees from the y axis; radius 20 + 0.08 mn across, 20 + 0.05 mn up.
    const double lam = 8 * M_PI / 180;
    EXPECT_NEAR(text[0], 20.16 * std::sin(lam), 1e-6);
    EXPECT_NEAR(text[1], 20.10 * std::cos(lam), 1e-6);
    EXPECT_NEAR(text[2], 0.2, 1e-9); // height 0.1 mn
    EXPECT_NEAR(text[4], -10, 1e-9); // turned by -w
}

TEST_F(AnnotationTest, DiameterCirclesWithTheirLabels) {
    TGearData& g = GearData;
    Gear(20, 40, 37.5L, 35, 0.25L, 37.5L); // dFf = db
    g.mn = 2;
    g.dwx[2] = 41;
    g.dax[2] = 44;
    g.da[2] = 44;
    g.dFa[2] = 44;
    g.dNf[2] = 37.9L;
    const auto m = Draw("circles", [] { DrawDiameterCircles(2, 0, 0); });
    std::vector<std::string> labels;
    int circles = 0;
    for (const auto& l : m) {
        if (l.rfind("CIRCLE ", 0) == 0) ++circles;
        if (l.rfind("TEXT ", 0) == 0) {
            const auto q1 = l.find('\'');
            labels.push_back(l.substr(q1 + 1, l.find('\'', q1 + 1) - q1 - 1));
        }
    }
    // No dFf circle (it equals db) and no dFa circle (it equals da).
    EXPECT_EQ(circles, 6);
    const std::vector<std::string> expected = {"dw = 41.000", "d = 40.000",  "db = 37.500",
                                               "df = 35.000", "da = 44.000", "dNf = 37.900"};
    EXPECT_EQ(labels, expected);
}

} // namespace
