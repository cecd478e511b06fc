// Plausibility warnings, the final checks of gear 2 and the tool auxiliary value.
#include <cmath>

#include "calc/meshing.h"
#include "calc/warnings.h"
#include "calcb_fixture.h"
#include "framework/core/maths.h"

namespace {

using calcb_test::CountOf;
using calcb_test::Messages;
using calcb_test::PairTest;
using WarningsTest = PairTest;

TEST_F(WarningsTest, LargeShiftOfGearTwoIsReportedOnce) {
    SpurT1();
    GearData.x[2] = 1.6L;
    CalculateGears();
    EXPECT_EQ(CalcErrorFlag, 0);
    EXPECT_EQ(CountOf("Warning: x > 1.5 !"), 1);
}

TEST_F(WarningsTest, CleanPairRaisesNoFinalMessage) {
    SpurT1();
    GearData.k = {3, 5};
    CalculateGears();
    EXPECT_EQ(ErrorCount, 0) << (ErrorCount ? Messages().front() : "");
}

TEST_F(WarningsTest, LoadValuesGetTheirDefaults) {
    SpurT1();
    GearData.MatRho[1] = 0;
    GearData.LoadGearValue1[2] = 0;
    GearData.LoadGearValue2[1] = 0;
    CalculateGears();
    EXPECT_EQ(GearData.MatRho[1], 7.8L);
    EXPECT_EQ(GearData.LoadGearValue1[2], 1.0L);
    EXPECT_EQ(GearData.LoadGearValue2[1], 1.0L);
}

TEST_F(WarningsTest, PlausibilityChecksOfBothGearsAndThePair) {
    // z 8 without shift: undercut, small clearance after a raised tip, whole gear ratio.
    Pair(2, 8, 40, 0, 1.6L, 0, 20, 3.5L);
    CalculateGears();
    ASSERT_EQ(CalcErrorFlag, 0);
    ClearErrors();
    CalcWarnings();
    EXPECT_EQ(CountOf("Warning: undercut ! (1)"), 1);
    EXPECT_EQ(CountOf("gear ratio !"), 1);
    EXPECT_EQ(CountOf("Warning: x > 1.5   (2) !"), 1);
    EXPECT_EQ(CountOf("Warning: spec.sliding > 2 !"), 1);
    EXPECT_EQ(CountOf("Warning: undercut ! (2)"), 0);
}

TEST_F(WarningsTest, WarningModeSilencesOnlyTheMarkedChecks) {
    Pair(2, 8, 40, 0, 1.6L, 0, 20, 3.5L);
    CalculateGears();
    GearData.WarningMode = 1;
    ClearErrors();
    CalcWarnings();
    EXPECT_EQ(CountOf("Warning: undercut ! (1)"), 0);
    EXPECT_EQ(CountOf("gear ratio !"), 0);
    EXPECT_EQ(CountOf("Warning: spec.sliding > 2 !"), 0);
    // Not marked: still reported.
    EXPECT_EQ(CountOf("Warning: x > 1.5   (2) !"), 1);
}

TEST_F(WarningsTest, TipAndRootAgainstTheOperatingPitchCircle) {
    SpurT1();
    CalculateGears();
    TGearData& g = GearData;
    g.da[1] = g.dw[1] - 1;
    g.dfmax[2] = g.dw[2] + 1;
    g.TipModeValue[1] = -0.1L;
    g.jtmin = -0.01L;
    ClearErrors();
    CalcWarnings();
    EXPECT_EQ(CountOf("Error  : dw > da ! (1)"), 1);
    EXPECT_EQ(CountOf("Error  : dw < df ! (2)"), 1);
    EXPECT_EQ(CountOf("Error  : clearance sh.add. < 0 ! (1)"), 1);
    EXPECT_EQ(CountOf("Warning: clearance sh.add. < 0.12mn ! (1)"), 0);
    EXPECT_EQ(CountOf("Warning: jtmin < 0 !"), 1); // once, though checked per gear
}

TEST_F(WarningsTest, RingGearInterference) {
    InternalT3();
    CalculateGears();
    GearData.IntInterference = -0.2L;
    ClearErrors();
    CalcWarnings();
    EXPECT_EQ(CountOf("meshing interference !"), 1);
    EXPECT_EQ(CountOf("gear ratio !"), 1); // u = -4
}

TEST_F(WarningsTest, ToolAuxOfAProtuberanceTool) {
    SpurT1();
    GearData.BasicRackType = {3, 1};
    CalculateGears();
    const TGearData& g = GearData;
    ASSERT_EQ(CalcErrorFlag, 0);
    EXPECT_EQ(g.ToolAux[2], 0.0L);
    // d - 2 ToolAux: where the involute cut by the main flank begins, between the root and
    // the pitch circle, and the same circle as the root form circle (no allowances).
    ASSERT_GT(g.ToolAux[1], 0.0L);
    const long double start = g.d[1] - 2 * g.ToolAux[1];
    EXPECT_GT(start, g.dfmax[1]);
    EXPECT_LT(start, g.d[1]);
    EXPECT_NEAR(start, g.dFf[1], 1e-12L);
    // The protuberance ends the main flank higher than the tip radius of a plain tool would.
    const long double plain = g.haP0[1] - g.rhoaP0[1] * (1 - std::sin(g.alphaRad));
    EXPECT_LT(ToolFlankEndDepth(1), plain);
}

} // namespace
