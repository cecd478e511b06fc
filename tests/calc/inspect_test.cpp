// Inspection dimensions and accuracy tolerances. The dimensions of the test pairs are their
// published figures (textbook formulas, evaluated in mpmath); meshing_ref.py cross-checks every
// dimension at all five shifts and every tolerance of both standards.
#include <cmath>

#include "calc/inspect.h"
#include "calcb_fixture.h"
#include "framework/core/maths.h"

namespace {

using calcb_test::CountOf;
using calcb_test::PairTest;
using InspectTest = PairTest;

TEST(RoundTolValue, StepsOfTheStandard) {
    EXPECT_NEAR(RoundTolValue(4.26L), 4.3L, 1e-15L);
    EXPECT_EQ(RoundTolValue(7.4L), 7.5L);
    EXPECT_EQ(RoundTolValue(10.2L), 10.0L);
    EXPECT_EQ(RoundTolValue(10.6L), 11.0L);
    EXPECT_EQ(RoundTolValue(5.0L), 5.0L);
    EXPECT_EQ(RoundTolValue(10.0L), 10.0L);
    // Halves go to the even neighbour in each step.
    EXPECT_NEAR(RoundTolValue(4.25L), 4.2L, 1e-15L);
    EXPECT_EQ(RoundTolValue(7.25L), 7.0L);
    EXPECT_EQ(RoundTolValue(7.75L), 8.0L);
    EXPECT_EQ(RoundTolValue(12.5L), 12.0L);
    EXPECT_EQ(RoundTolValue(13.5L), 14.0L);
}

TEST_F(InspectTest, SpurPairSpanAndBalls) {
    SpurT1();
    CalculateGears();
    const TGearData& g = GearData;
    EXPECT_EQ(g.k[1], 3);
    EXPECT_EQ(g.k[2], 5);
    EXPECT_NEAR(g.Wtheo[1], 15.320878752L, 1e-9L);
    EXPECT_NEAR(g.Wtheo[2], 27.689626070L, 1e-9L);
    EXPECT_NEAR(g.MdKtheo[1], 44.929290017L, 1e-9L);
    EXPECT_NEAR(g.MdKtheo[2], 85.001794675L, 1e-9L);
    // Zero allowances: all five shifts are one.
    EXPECT_EQ(g.Wmax[2], g.Wtheo[2]);
    EXPECT_EQ(g.WminV[2], g.Wtheo[2]);
    EXPECT_EQ(g.MdKminV[1], g.MdKtheo[1]);
    // Even tooth numbers: pins measure as balls.
    EXPECT_EQ(g.MdRtheo[1], g.MdKtheo[1]);
    EXPECT_EQ(g.MdRtheo[2], g.MdKtheo[2]);
}

TEST_F(InspectTest, BallDiameterProposalOfTheSpurPair) {
    SpurT1();
    GearData.DM[2] = 0;
    CalculateGears();
    EXPECT_NEAR(GearData.DM[2], 3.4L, 1e-15L);
}

TEST_F(InspectTest, RingGearSpansSpaces) {
    InternalT3();
    CalculateGears();
    const TGearData& g = GearData;
    EXPECT_NEAR(g.MdKtheo[1], 66.535225923L, 1e-9L);
    EXPECT_NEAR(g.MdKtheo[2], -233.280434554L, 1e-9L);
    // Spaces spanned on the ring gear count like teeth on an external gear of its size.
    EXPECT_LT(g.k[2], 0);
    EXPECT_LT(g.Wtheo[2], 0.0L);
}

TEST_F(InspectTest, OddHelicalPairPinsDifferFromBalls) {
    HelicalT5();
    GearData.k = {3, 6};
    CalculateGears();
    const TGearData& g = GearData;
    EXPECT_NEAR(g.Wtheo[1], 23.545139596L, 1e-9L);
    EXPECT_NEAR(g.Wtheo[2], 50.499442227L, 1e-9L);
    EXPECT_NEAR(g.MdKtheo[1], 60.530819008L, 1e-9L);
    EXPECT_NEAR(g.MdKtheo[2], 139.504662546L, 1e-9L);
    EXPECT_NEAR(g.MdRtheo[1], 60.768718530L, 1e-9L);
    EXPECT_NEAR(g.MdRtheo[2], 139.594457457L, 1e-9L);
}

TEST_F(InspectTest, OddSpurGearPinsMeasureAsBalls) {
    Pair(2, 21, 40, 0, 0, 0, 20, 3.5L);
    CalculateGears();
    EXPECT_EQ(GearData.MdRtheo[1], GearData.MdKtheo[1]);
}

TEST_F(InspectTest, AllowancesOrderTheFiveDimensions) {
    SpurT1();
    TGearData& g = GearData;
    g.Asne = {-0.05L, -0.06L};
    g.Asni = {-0.1L, -0.12L};
    g.q = {0.1L, 0.1L};
    g.qTol = {0.05L, 0.05L};
    CalculateGears();
    for (int i = 1; i <= 2; ++i) {
        EXPECT_LT(g.Wmin[i], g.Wmax[i]);
        EXPECT_LT(g.Wmax[i], g.Wtheo[i]);
        EXPECT_LT(g.Wtheo[i], g.WminV[i]); // premachined: thicker by the machining allowance
        EXPECT_LT(g.WminV[i], g.WmaxV[i]);
        EXPECT_LT(g.MdKmin[i], g.MdKmax[i]);
        EXPECT_LT(g.MdKmaxV[i] - g.MdKminV[i], g.MdKmaxV[i]);
        EXPECT_GT(g.MdKmaxV[i], g.MdKminV[i]);
    }
}

TEST_F(InspectTest, MeasureModeProposesAgain) {
    SpurT1();
    GearData.k = {7, 9};
    GearData.DM = {9, 9};
    GearData.MeasureMode = 1;
    CalculateGears();
    EXPECT_EQ(GearData.k[1], 3);
    EXPECT_EQ(GearData.k[2], 5);
    EXPECT_NEAR(GearData.DM[2], 3.4L, 1e-15L);
}

TEST_F(InspectTest, IsoToleranceExamples) {
    // Q 5, mn 2, d 50: ffalpha 6.1 -> 6, fp 5.85 -> 6.
    Pair(2, 25, 50, 0, 0, 0, 20, 3.5L);
    TGearData& g = GearData;
    g.QualityStandard = 1;
    g.Q = {5, 5};
    CalculateGears();
    EXPECT_EQ(g.ffalpha[1], 6.0L);
    EXPECT_EQ(g.fp[1], 6.0L);
    // Q 7: the factor is 2, ffalpha 12.2 -> 12.
    g.Q = {7, 7};
    CalculateGears();
    EXPECT_EQ(g.ffalpha[1], 12.0L);
    EXPECT_EQ(g.Rs[1], 0.0L); // a DIN value only
}

TEST_F(InspectTest, IsoRoundsAfterTheClassFactor) {
    // Q 6, mn 2, d 200: fp = sqrt 2 (0.2 + 0.8 + 5) = 8.485 rounds to 8.5.
    Pair(2, 25, 100, 0, 0, 0, 20, 3.5L);
    TGearData& g = GearData;
    g.QualityStandard = 1;
    g.Q = {6, 6};
    CalculateGears();
    EXPECT_EQ(g.fp[2], 8.5L);
    // sqrt 2 (0.375 mn + 5) = 8.132 rounds to 8.
    EXPECT_EQ(g.fis[2], 8.0L);
    // Fbeta is rounded like the others.
    EXPECT_EQ(g.Fbeta[2], RoundTolValue(g.Fbeta[2]));
    EXPECT_EQ(g.Fbeta[2], RoundTolValue(std::hypot(g.ffbeta[2], g.fHbeta[2])));
}

TEST_F(InspectTest, IsoValidityRangeWarnings) {
    Pair(0.4L, 20, 4000, 0, 0, 0, 5, 1);
    GearData.QualityStandard = 1;
    GearData.WarningMode = 0;
    CalculateGears();
    ASSERT_EQ(CalcErrorFlag, 0);
    ClearErrors();
    CalcTolerances();
    EXPECT_EQ(CountOf("Warning: Fr: (0.5<=mn<=70)"), 1);
    EXPECT_EQ(CountOf("Warning: fis: (1<=mn<=50)"), 1);
    EXPECT_EQ(CountOf("Warning: fis: (5<=z<=400)"), 1);
    EXPECT_EQ(CountOf("Warning: Fr: (5<=z<=1000)"), 1);  // z 4000
    EXPECT_EQ(CountOf("Warning: fis: (5<=d<=2500)"), 0); // d 1600
    ClearErrors();
    GearData.WarningMode = 1;
    CalcTolerances();
    for (const std::string& m : calcb_test::Messages()) {
        EXPECT_NE(m.rfind("Warning: Fr:", 0), 0u) << m;
        EXPECT_NE(m.rfind("Warning: fis:", 0), 0u) << m;
    }
}

TEST_F(InspectTest, DinToleranceStepsAboveQualityNine) {
    SpurT1();
    TGearData& g = GearData;
    g.QualityStandard = 0;
    // Above quality 9 the steps of the profile and pitch values are 1.6, the runout steps stay
    // 1.4: same gear size, so the ratios show the steps.
    g.Q = {9, 9};
    CalculateGears();
    const long double ff9 = g.ffalpha[2];
    const long double fr9 = g.Fr[2];
    g.Q = {9, 10};
    CalculateGears();
    EXPECT_NEAR(g.ffalpha[2] / ff9, 1.6L, 1e-15L);
    EXPECT_NEAR(g.Fr[2] / fr9, 1.4L, 1e-15L);
    EXPECT_NEAR(g.ffbeta[2] * g.ffbeta[2] + g.fHbeta[2] * g.fHbeta[2], g.Fbeta[2] * g.Fbeta[2],
                1e-12L);
}

TEST_F(InspectTest, DinWarnsWhenTheToothThicknessToleranceIsBelowTwiceRunout) {
    SpurT1();
    GearData.Asne = {-0.01L, -0.01L};
    GearData.Asni = {-0.011L, -0.011L}; // Tsn 1 micrometre
    GearData.Q = {8, 8};
    CalculateGears();
    ClearErrors();
    CalcTolerances();
    EXPECT_EQ(CountOf("Warning: Tsn < 2Rs !  (1)"), 1);
    EXPECT_EQ(CountOf("Warning: Tsn < 2Rs !  (2)"), 1);
}

} // namespace
