// Meshing: contact ratios, specific sliding, form diameters, tip thickness, collision. The pair
// values are the published figures of the test pairs (textbook formulas, evaluated in mpmath);
// the full cross-check of every value runs in meshing_ref.py and dff_envelope.py.
#include <cmath>

#include "calc/meshing.h"
#include "calcb_fixture.h"
#include "framework/core/maths.h"

namespace {

using calcb_test::CountOf;
using calcb_test::PairTest;
using MeshingTest = PairTest;

TEST_F(MeshingTest, SpurPairContactAndSliding) {
    SpurT1();
    CalculateGears();
    const TGearData& g = GearData;
    ASSERT_EQ(CalcErrorFlag, 0);
    EXPECT_NEAR(g.epsalpha, 1.635185964L, 1e-9L);
    EXPECT_NEAR(g.zetaA1, -4.258475878L, 1e-9L);
    EXPECT_NEAR(g.zetaA2, 0.809830829L, 1e-9L);
    EXPECT_NEAR(g.zetaE1, 0.602811240L, 1e-9L);
    EXPECT_NEAR(g.zetaE2, -1.517694607L, 1e-9L);
    // A spur pair has no overlap: the total ratio is the transverse one.
    EXPECT_EQ(g.epsbeta, 0.0L);
    EXPECT_EQ(g.epsgamma, g.epsalpha);
    EXPECT_EQ(g.u, 2.0L);
    // The two partial ratios make up the transverse ratio.
    EXPECT_NEAR(g.epsa[1] + g.epsa[2], g.epsalpha, 1e-15L);
    EXPECT_EQ(g.IntInterference, 0.0L);
}

TEST_F(MeshingTest, RootFormDiameterWhereTheGeneratedInvoluteStarts) {
    SpurT1();
    CalculateGears();
    // mn 2, z 40: the tool's straight flank ends at 76.593, not at df + 2 rho (1 - sin alpha)
    // = 75.658.
    EXPECT_NEAR(GearData.dFf[2], 76.5927237L, 1e-7L);
    EXPECT_GT(GearData.dFf[1], GearData.db[1]);
    EXPECT_LT(GearData.dFf[1], GearData.dNf[1]);
}

TEST_F(MeshingTest, RootFormDiameterOfAnUndercutGear) {
    // z 10 without shift is undercut: the fillet cut by the tip radius crosses the involute
    // above the base circle (18.9417978110 by rolling the tool, dff_envelope.py).
    Pair(2, 10, 40, 0, 0, 0, 20, 3.5L);
    CalculateGears();
    EXPECT_NEAR(GearData.dFf[1], 18.9417978110L, 1e-9L);
    EXPECT_GT(GearData.dFf[1], GearData.db[1]);
    EXPECT_NEAR(GearData.dFf[2], 76.5927237L, 1e-7L);
    // A protuberance tool on an undercut gear: the base circle as the lower bound.
    GearData.BasicRackType = {3, 3};
    CalculateGears();
    EXPECT_GE(GearData.dFf[1], GearData.db[1]);
}

TEST_F(MeshingTest, ProtuberanceReliefCutsTheInvolute) {
    // The relief of a protuberance tool cuts into the flank above the point the end of the main
    // flank makes (95.40): the involute begins at 96.3511748143 (rolled, dff_envelope.py).
    Pair(4, 25, 67, 0.25L, 0.1L, 0, 40, 7);
    GearData.BasicRackType = {3, 3};
    CalculateGears();
    ASSERT_EQ(CalcErrorFlag, 0);
    EXPECT_NEAR(GearData.dFf[1], 96.3511748143L, 1e-9L);
    EXPECT_NEAR(GearData.dFf[2], 262.271922934L, 1e-8L);
}

TEST_F(MeshingTest, InternalPair) {
    InternalT3();
    CalculateGears();
    const TGearData& g = GearData;
    ASSERT_EQ(CalcErrorFlag, 0);
    EXPECT_NEAR(g.epsalpha, 1.889681330L, 1e-9L);
    EXPECT_NEAR(g.IntInterference, 1.412512148L, 1e-9L);
    // Diameters of the ring gear are negative; its root form circle lies outside the pitch
    // circle, its usable root circle inside the root form circle.
    EXPECT_LT(g.dFf[2], g.d[2]);
    EXPECT_GT(g.dFf[2], g.dfmax[2]);
    // Where the fillet of the tool tip radius, tangent to the root circle, meets the flank
    // (mpmath, meshing_ref.py): the rack's line of action would put it at -247.16, beyond the
    // root circle -247.5 by less than the fillet allows.
    EXPECT_NEAR(g.dFf[2], -246.6029462352287123L, 1e-12L);
    EXPECT_GT(g.dNf[2], g.dFf[2]);
}

TEST_F(MeshingTest, RingRootFormCircleNeverBeyondTheRoot) {
    // mn 2, z 20/-40: the rack formula put dFf at -85.333, beyond the root circle -85.0; the
    // fillet gives -84.4509178684785590 (mpmath).
    Pair(2, 20, -40, 0, 0, 0, 20, 3.5L);
    CalculateGears();
    ASSERT_EQ(CalcErrorFlag, 0);
    EXPECT_EQ(GearData.dfmax[2], -85.0L);
    EXPECT_NEAR(GearData.dFf[2], -84.4509178684785590L, 1e-12L);
    // Without a tip radius the involute reaches the root circle.
    GearData.BasicRackType = {4, 4};
    GearData.rhoaP0mn = {0, 0};
    GearData.alkP0 = {20, 20};
    CalculateGears();
    EXPECT_EQ(GearData.dFf[2], GearData.dfmax[2]);
}

TEST_F(MeshingTest, InterferenceValueIsNotKeptFromAnEarlierInternalPair) {
    InternalT3();
    CalculateGears();
    ASSERT_NE(GearData.IntInterference, 0.0L);
    SpurT1();
    CalculateGears();
    EXPECT_EQ(GearData.IntInterference, 0.0L);
}

TEST_F(MeshingTest, HelicalPair) {
    HelicalT5();
    CalculateGears();
    const TGearData& g = GearData;
    EXPECT_NEAR(g.epsalpha, 1.470674899L, 1e-9L);
    EXPECT_NEAR(g.epsbeta, 0.823846608L, 1e-9L);
    EXPECT_NEAR(g.epsgamma, g.epsalpha + g.epsbeta, 1e-15L);
    // Half the face width halves the overlap ratio.
    GearData.HalfFaceWidth = 1;
    CalculateGears();
    EXPECT_NEAR(GearData.epsbeta, 0.823846608L / 2, 1e-9L);
}

TEST_F(MeshingTest, ImperialPair) {
    Pair(25.4L / 8, 24, 48, 0, 0, 0, 20, 0);
    UnitSystem = 1;
    GearData.MeasureMode = 1;
    CalculateGears();
    EXPECT_NEAR(GearData.epsalpha, 1.674705148L, 1e-9L);
    // Ball diameters proposed in thousandths of an inch.
    EXPECT_NEAR(GearData.DM[1], 5.4356L, 1e-12L);
    EXPECT_NEAR(GearData.DM[2], 5.3848L, 1e-12L);
}

TEST_F(MeshingTest, SmallAddendumReductionIsDropped) {
    SpurT1();
    GearData.TipInputMode = {3, 2};
    GearData.da[1] = 44 - 0.001L; // kmn 0.0005 mm
    CalculateGears();
    EXPECT_EQ(GearData.kmn[1], 0.0L);
    EXPECT_EQ(GearData.da[1], GearData.daTool[1]);
}

TEST_F(MeshingTest, TipBeyondTheInterferencePointIsLimited) {
    // z 30 beside z 12 (x 0.5): a tool 1.6 mn deep cuts gear 1's tip beyond the interference
    // point of gear 2; a tip the tool cannot reach (kmn < 0) is cut back to the tool's 1 mn.
    TGearData& g = GearData;
    for (const long double hf : {1.6L, 1.0L}) {
        Pair(2, 30, 12, 0, 0.5L, 0, 20, 3.5L);
        g.BasicRackType[1] = 4;
        g.hfP0mn[1] = hf;
        g.prP0mn[1] = g.alkP0[1] = 0;
        g.TipInputMode[1] = 3;
        g.da[1] = 65.89L;
        CalculateGears();
        // The limit: twice the distance of gear 1's centre from gear 2's interference point.
        const long double rb2 = g.db[2] / 2;
        const long double limit =
            2 * std::hypot(g.a - std::cos(g.alphawt) * rb2, std::sin(g.alphawt) * rb2);
        EXPECT_NEAR(g.dNa[1], hf > 1 ? limit : g.daTool[1], 1e-12L);
        EXPECT_EQ(CountOf("Error  : tooth collision da1 !"), hf > 1 ? 1 : 0);
    }
}

TEST_F(MeshingTest, SpecificSlidingAtABaseCircleTakesTheClampValue) {
    // Gear 2's tip reaches so far that gear 1's end of contact lies on gear 1's base circle:
    // tan(aE1) = 0 there. Earlier values must not survive.
    TGearData& g = GearData;
    g.alphaRad = DegToRad(20);
    g.betaRad = 0;
    g.mn = 2;
    g.z = {20, 40};
    g.a = 0;
    g.db = {40 * std::cos(g.alphaRad), 80 * std::cos(g.alphaRad)};
    const long double tw = std::tan(g.alphaRad);
    const long double tA2 = tw * (1 + g.db[1] / g.db[2]); // makes tan(aE1) vanish
    g.dNa = {44, g.db[2] / std::cos(std::atan(tA2))};
    g.zetaA1 = g.zetaA2 = g.zetaE1 = g.zetaE2 = 123;
    ClearErrors();
    SpecificSliding();
    EXPECT_EQ(g.zetaA1, -1000.0L);
    EXPECT_NE(g.zetaA2, 123.0L);
    EXPECT_NE(g.zetaE1, 123.0L);
    EXPECT_NE(g.zetaE2, 123.0L);
    EXPECT_TRUE(std::isfinite(g.zetaA2) && std::isfinite(g.zetaE2));
    // Close to the base circle, but not on it: beyond -1000 the value is reported as -1000.
    g.dNa[2] = g.db[2] / std::cos(std::atan(tA2 * (1 - 1e-9L)));
    SpecificSliding();
    EXPECT_EQ(g.zetaA1, -1000.0L);
    g.dNa[2] = g.db[2] / std::cos(std::atan(tA2 * 0.9L));
    SpecificSliding();
    EXPECT_GT(g.zetaA1, -1000.0L);
    EXPECT_LT(g.zetaA1, -2.0L);
}

TEST_F(MeshingTest, ChamferTipFormDiameterAndTipThickness) {
    // A tool with a 30 degree chamfer (basic rack values kept as entered).
    Pair(3, 19, 55, 0.2L, 0, 0, 30, 5);
    TGearData& g = GearData;
    g.BasicRackType = {4, 4};
    g.hfP0mn = {1, 1};
    g.haP0mn = {1.25L, 1.25L};
    g.rhoaP0mn = {0.25L, 0.25L};
    g.rhofP0mn = {0, 0};
    g.prP0mn = {0, 0};
    g.alprP0 = {0, 0};
    g.alkP0 = {30, 30};
    g.hFfP0mn = {0.5L, 0.5L};
    CalculateGears();
    ASSERT_EQ(CalcErrorFlag, 0);
    ASSERT_TRUE(g.ChamferOn[1]);
    // The chamfer begins below the tip, and the chamfered tip is thinner than the involute
    // tooth would be there.
    EXPECT_LT(g.dFa[1], g.da[1]);
    EXPECT_GT(g.dFa[1], g.d[1]);
    const long double sInvolute =
        (Inv(g.alphat) + g.stMax[1] / g.d[1] - Inv(std::acos(g.db[1] / g.da[1]))) * g.da[1];
    EXPECT_LT(g.satMax[1], sInvolute);
    EXPECT_GT(g.satMax[1], 0.0L);
    // Thinner tolerance, thinner tip; no allowances: one shift, one thickness.
    EXPECT_EQ(g.satMax[1], g.satMin[1]);
    EXPECT_EQ(g.dFa[1], g.dFaK[1]);
    // saK: the chamfered tip thickness at the nominal shift (here the only shift).
    EXPECT_NEAR(g.saK[1], g.satMax[1], 1e-15L);
}

TEST_F(MeshingTest, ChamferOnARingGearLeavesDefinedValues) {
    InternalT3();
    TGearData& g = GearData;
    g.BasicRackType = {4, 4};
    g.hfP0mn = {1, 1};
    g.haP0mn = {1.25L, 1.25L};
    g.rhoaP0mn = {0.25L, 0.25L};
    g.prP0mn = {0, 0};
    g.alprP0 = {0, 0};
    g.alkP0 = {30, 30};
    g.hFfP0mn = {0.8L, 0.8L};
    g.saK[2] = 123;
    CalculateGears();
    ASSERT_EQ(CalcErrorFlag, 0);
    // The chamfer thins the ring gear's tooth towards its tip, as an external gear's: its tip is
    // thinner than the involute's.
    const long double sInvolute =
        (Inv(g.alphat) + g.stMax[2] / g.d[2] - Inv(std::acos(g.db[2] / g.da[2]))) * g.da[2];
    EXPECT_LT(g.satMax[2], sInvolute - 0.1L);
    EXPECT_NE(g.saK[2], 123.0L);
    EXPECT_TRUE(std::isfinite(g.dFa[2]));
    EXPECT_LE(g.dFa[2], g.da[2]); // on the root side of the tip circle
}

TEST_F(MeshingTest, ToolRootRadiusShortensTheInvoluteAtTheTip) {
    SpurT1();
    TGearData& g = GearData;
    g.BasicRackType = {4, 4};
    g.hfP0mn = {1, 1};
    g.haP0mn = {1.25L, 1.25L};
    g.rhoaP0mn = {0.25L, 0.25L};
    g.rhofP0mn = {0.3L, 0.3L};
    g.prP0mn = {0, 0};
    g.alprP0 = {0, 0};
    g.alkP0 = {20, 20};
    CalculateGears();
    // The root radius cuts the rounding into the involute below the point the end of the
    // straight flank makes (83.677 on the line of action): the involute ends at
    // 83.6167700831285 (rolled, dff_envelope.py).
    const long double H = 2 - 0.6L * (1 - std::sin(g.alphaRad));
    const long double s = std::sin(g.alphat);
    const long double X = g.d[2] * s + 2 * H / s;
    EXPECT_GT(std::sqrt(g.db[2] * g.db[2] + X * X), g.dFa[2] + 0.05L);
    EXPECT_NEAR(g.dFa[2], 83.6167700831285L, 1e-12L);
    EXPECT_EQ(g.dNa[2], g.dFa[2]);
    EXPECT_EQ(g.dFaK[2], g.dFa[2]);
    EXPECT_EQ(TipFormDiameterAt(2, g.xEmaxV[2]), g.dFa[2]);
}

} // namespace
