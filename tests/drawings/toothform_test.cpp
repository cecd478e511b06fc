// The tooth-form blocks drawn into DXF files and onto the screen, checked by
// toothform_check.py against references it computes from the same gear inputs (involute and
// rolling formulas with mpmath, the envelope of the rolled tool with shapely).

#include "tests/cad/cad_testutil.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cmath>

#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "drawings/annotate.h"
#include "drawings/toolprofile.h"
#include "drawings/toothform.h"
#include "drawings/toothgeom.h"
#include "framework/ui/drawing_window.h"
#include "framework/core/text.h"
#include "platform/gui/application.h"

using namespace cadtest;

namespace {

struct TGearCase {
    long double mn;
    int z1, z2;
    long double x2;
    long double beta;
    int rack = 1; // preset; 4 keeps the factors below
    long double haP0mn = 1.25L, hfP0mn = 1.0L, rhoaP0mn = 0.25L;
    long double rhofP0mn = 0, prP0mn = 0, alprP0 = 0, alkP0 = 0, hFfP0mn = 0;
};

std::string Num(long double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17Lg", v);
    return buf;
}

class ToothFormTest : public CadTest {
protected:
    void SetUp() override {
        CadTest::SetUp();
        InitGearDataUnit();
        UnitSystem = 0;
        ClearErrors();
        CadDecimals = 12; // the checks compare to 1e-6 and better
    }
    void TearDown() override {
        CadTest::TearDown();
        InitGearDataUnit();
        ClearErrors();
    }

    void Calculate(const TGearCase& c) {
        case_ = c;
        TGearData& g = GearData;
        g.alpha = 20;
        g.beta = c.beta;
        g.mn = c.mn;
        g.b = 20;
        g.a = 0;
        g.AaField = 9;
        g.Aae = g.Aai = 0;
        g.z = {c.z1, c.z2};
        g.x = {0, c.x2};
        g.bGear = {20, 20};
        g.BasicRackType = {1, static_cast<std::uint16_t>(c.rack)};
        g.haP0mn[2] = c.haP0mn;
        g.hfP0mn[2] = c.hfP0mn;
        g.rhoaP0mn[2] = c.rhoaP0mn;
        g.rhofP0mn[2] = c.rhofP0mn;
        g.prP0mn[2] = c.prP0mn;
        g.alprP0[2] = c.alprP0;
        g.alkP0[2] = c.alkP0;
        g.hFfP0mn[2] = c.hFfP0mn;
        g.TipInputMode = {2, 2};
        g.kmn = {0, 0};
        g.TsnSeries = {11, 11};
        g.Asne = {0, 0};
        g.Asni = {0, 0};
        g.q = {0, 0};
        g.qTol = {0, 0};
        g.DM = {3.5L, 3.5L};
        g.k = {0, 0};
        g.DrawRootCurve = true;
        g.DrawDiameters = 2;
        CalculateGears();
        ASSERT_EQ(CalcErrorFlag, 0) << ErrorList[1].str();
    }

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

    // Runs the reference check on a file; every line it printed goes into the failure text.
    void Check(const std::string& file, const std::string& checks, const std::string& extra = "") {
        const TGearData& g = GearData;
        // A copy stays in the build folder for a look at the drawing.
        std::error_code ec;
        std::filesystem::copy_file(file,
                                   std::string(QOR_BINARY_DIR) + "/toothform_" +
                                       std::filesystem::path(file).filename().string(),
                                   std::filesystem::copy_options::overwrite_existing, ec);
        const std::string cmd =
            std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
            "/tests/drawings/toothform_check.py '" + file + "' z=" + std::to_string(case_.z2) +
            " mn=" + Num(case_.mn) + " alpha=20 beta=" + Num(case_.beta) + " x=" + Num(case_.x2) +
            " haP0mn=" + Num(case_.haP0mn) + " hfP0mn=" + Num(case_.hfP0mn) +
            " rhoaP0mn=" + Num(case_.rhoaP0mn) + " N=" + std::to_string(g.InvolutePoints) +
            " shapes=" + std::to_string(g.GearShapes) + " checks=" + checks + " " + extra + " 2>&1";
        int status = -1;
        const std::string out = RunCommand(cmd, status);
        EXPECT_EQ(status, 0) << out;
        EXPECT_EQ(out.find("FAIL"), std::string::npos) << out;
        EXPECT_NE(out.find("ok   ezdxf audit: 0 errors"), std::string::npos) << out;
    }

    TGearCase case_{};
};

TEST_F(ToothFormTest, SpurGearWithFilletFromTheBaseCircle) {
    Calculate({2, 18, 20, 0, 0});
    ASSERT_TRUE(BaseCircleAboveRootForm(2));
    const std::string f = WriteDxf("spur", true, false);
    Check(f, "finite,evolv,zahn,union,fillet");
}

TEST_F(ToothFormTest, SpurGearWithToolTipFilletInTheContour) {
    Calculate({2, 18, 20, 0.5L, 0});
    ASSERT_FALSE(BaseCircleAboveRootForm(2));
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
    ASSERT_TRUE(BaseCircleAboveRootForm(2));
    const std::string f = WriteDxf("helicalfillet", true, false);
    Check(f, "finite,evolv,fillet,union");
}

TEST_F(ToothFormTest, InternalGear) {
    Calculate({3, 20, -80, 0, 0});
    const std::string f = WriteDxf("internal", true, false);
    Check(f, "finite,evolv,zahn");
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
    // The data texts: one line each, in order; the chamfer height alone has no unit.
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
    EXPECT_EQ(texts[10], "hFfP0 = 0.8 * mn = 1.6");
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
