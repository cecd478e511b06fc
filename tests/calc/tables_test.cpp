// Standard tables and measurement proposals. Expected values: ISO 286-1, DIN 3967 and the
// module series of DIN 780 as published; the proposals against mpmath evaluations of the
// ball-contact geometry (noted at each value).
#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <limits>

#include "calc/tables.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/maths.h"

namespace {

constexpr long double Deg20 = 20.0L * Pi / 180.0L;

class TablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearErrors();
        AbortFlag = 0;
        UnitSystem = 0;
    }
    void TearDown() override {
        AbortFlag = 0;
        UnitSystem = 0;
        ClearErrors();
    }
};

TEST_F(TablesTest, RangeIndexesStartAtTheRangeLimits) {
    EXPECT_EQ(DiameterRangeIndex(0), 1);
    EXPECT_EQ(DiameterRangeIndex(2), 1);
    EXPECT_EQ(DiameterRangeIndex(3), 2);
    EXPECT_EQ(DiameterRangeIndex(249), 10);
    EXPECT_EQ(DiameterRangeIndex(250), 11);
    EXPECT_EQ(DiameterRangeIndex(2499), 20);
    EXPECT_EQ(DiameterRangeIndex(2500), 21);
    EXPECT_EQ(DiameterRangeIndex(1000000), 21);
    EXPECT_EQ(DiameterRangeIndex(-3), 2);
    EXPECT_EQ(DiameterRangeIndex(std::numeric_limits<long long>::min()), 21);
    EXPECT_EQ(DinRangeIndex(9), 1);
    EXPECT_EQ(DinRangeIndex(10), 2);
    EXPECT_EQ(DinRangeIndex(6299), 10);
    EXPECT_EQ(DinRangeIndex(6300), 11);
    EXPECT_EQ(DinRangeIndex(99999), 11);
    EXPECT_EQ(DinRangeIndex(-50), 3);
}

TEST_F(TablesTest, IsoToleranceLowerRangeOnTheLimit) {
    EXPECT_EQ(IsoItTol(4, 250.0L), 46);
    EXPECT_EQ(IsoItTol(4, 250.5L), 52);
    EXPECT_EQ(IsoItTol(1, 3.0L), 3);
    EXPECT_EQ(IsoItTol(1, 3.5L), 4);
    EXPECT_EQ(IsoItTol(8, 0.0L), 60);
    EXPECT_EQ(IsoItTol(9, 100.0L), 0);
    EXPECT_EQ(IsoItTol(0, 100.0L), 0);
}

TEST_F(TablesTest, IsoSizeRangesAreOverOneLimitUpToAndIncludingTheNext) {
    // ISO 286-1 "over 80 up to and including 120": IT7 on and either side of every limit.
    const int limits[] = {3,   6,   10,  18,  30,  50,   80,   120,  180,  250,
                          315, 400, 500, 630, 800, 1000, 1250, 1600, 2000, 2500};
    const int it7[] = {10, 12, 15, 18, 21, 25,  30,  35,  40,  46, 52,
                       57, 63, 70, 80, 90, 105, 125, 150, 175, 210};
    for (int k = 0; k < 20; ++k) {
        const long double s = limits[k];
        for (const auto& [size, tol] : {std::pair{s, it7[k]},
                                        {-s, it7[k]},
                                        {s - 0.0079L, it7[k]},
                                        {s + 0.0001L, it7[k + 1]},
                                        {-s - 0.0079L, it7[k + 1]}})
            EXPECT_EQ(IsoItTol(4, size), tol) << static_cast<double>(size);
    }
}

TEST_F(TablesTest, IsoToleranceOfInternalPairsUsesTheSize) {
    // An internal pair has a negative centre distance; the range is that of its size.
    EXPECT_EQ(IsoItTol(4, -250.0L), 46);
    EXPECT_EQ(IsoItTol(4, -250.5L), 52);
    EXPECT_EQ(IsoItTol(4, -90.0L), 35);
    EXPECT_EQ(IsoItTol(1, -3.0L), 3);
}

TEST_F(TablesTest, IsoToleranceAbove500mmFollowsIso286) {
    // ISO 286-1 Table 1, sizes over 500 mm.
    EXPECT_EQ(IsoItTol(1, 700.0L), 25);  // IT4 630..800
    EXPECT_EQ(IsoItTol(1, 1100.0L), 33); // IT4 1000..1250
    EXPECT_EQ(IsoItTol(1, 1500.0L), 39);
    EXPECT_EQ(IsoItTol(1, 1800.0L), 46);
    EXPECT_EQ(IsoItTol(1, 2200.0L), 55);
    EXPECT_EQ(IsoItTol(1, 3000.0L), 68);
    const int it5[] = {32, 36, 40, 47, 55, 65, 78, 96};
    const long double sizes[] = {600, 700, 900, 1100, 1500, 1800, 2200, 3000};
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(IsoItTol(2, sizes[n]), it5[n]) << "IT5 at " << double(sizes[n]);
    EXPECT_EQ(IsoItTol(3, 3000.0L), 135); // IT6 over 2500
    EXPECT_EQ(IsoItTol(4, 1100.0L), 105); // IT7
    EXPECT_EQ(IsoItTol(4, 1500.0L), 125);
    EXPECT_EQ(IsoItTol(4, 2200.0L), 175);
    EXPECT_EQ(IsoItTol(5, 700.0L), 125); // IT8
    EXPECT_EQ(IsoItTol(5, 1100.0L), 165);
    EXPECT_EQ(IsoItTol(5, 1500.0L), 195);
    EXPECT_EQ(IsoItTol(6, 600.0L), 175); // IT9 500..630
    EXPECT_EQ(IsoItTol(8, 600.0L), 440); // IT11 unchanged
}

TEST_F(TablesTest, IsoToleranceOfNonFiniteSizes) {
    EXPECT_EQ(IsoItTol(4, std::numeric_limits<long double>::infinity()), 210);
    EXPECT_EQ(IsoItTol(4, std::numeric_limits<long double>::quiet_NaN()), 210);
    EXPECT_EQ(IsoItTol(4, 1e30L), 210);
}

TEST_F(TablesTest, DinToothThicknessTolerancesAndAllowances) {
    EXPECT_EQ(DinTsnTol(5, 124.9L), 40);
    EXPECT_EQ(DinTsnTol(5, 125.0L), 40); // on the limit: lower range
    EXPECT_EQ(DinTsnTol(5, 125.5L), 50);
    EXPECT_EQ(DinTsnTol(1, 10.0L), 3);
    EXPECT_EQ(DinTsnTol(10, 7000.0L), 2400);
    EXPECT_EQ(DinTsnTol(11, 100.0L), 0);
    EXPECT_EQ(DinTsnTol(0, 100.0L), 0);
    EXPECT_EQ(DinAsneDev(8, 60.0L), 40);
    EXPECT_EQ(DinAsneDev(1, 5.0L), 100);
    EXPECT_EQ(DinAsneDev(11, 500.0L), 0);
    EXPECT_EQ(DinAsneDev(10, 7000.0L), 100);
    EXPECT_EQ(DinAsneDev(12, 60.0L), 0);
    // Internal gears: negative diameters.
    EXPECT_EQ(DinTsnTol(5, -124.9L), 40);
    EXPECT_EQ(DinTsnTol(5, -125.0L), 40);
    EXPECT_EQ(DinTsnTol(1, -10.0L), 3);
    EXPECT_EQ(DinTsnTol(1, -10.5L), 5);
    EXPECT_EQ(DinAsneDev(8, -240.0L), 56);
}

TEST_F(TablesTest, NamesOutsideTheTablesAreEmpty) {
    EXPECT_EQ(AaFieldNameOf(1), "js 4");
    EXPECT_EQ(AaFieldNameOf(8), "js11");
    EXPECT_EQ(AaFieldNameOf(0), "");
    EXPECT_EQ(AaFieldNameOf(9), "");
    EXPECT_EQ(AsnSeriesNameOf(1), "a");
    EXPECT_EQ(AsnSeriesNameOf(8), "e");
    EXPECT_EQ(AsnSeriesNameOf(11), "h");
    EXPECT_EQ(AsnSeriesNameOf(0), "");
    EXPECT_EQ(AsnSeriesNameOf(12), "");
}

TEST_F(TablesTest, StepStandardModule) {
    // DIN 780 series 1 as published, in mm.
    const long double din780[] = {0.05L, 0.06L, 0.08L, 0.1L, 0.12L, 0.16L, 0.2L, 0.25L, 0.3L,
                                  0.4L,  0.5L,  0.6L,  0.7L, 0.8L,  0.9L,  1L,   1.25L, 1.5L,
                                  2L,    2.5L,  3L,    4L,   5L,    6L,    8L,   10L,   12L,
                                  16L,   20L,   25L,   32L,  40L,   50L,   60L};
    ASSERT_EQ(std::size(din780), static_cast<std::size_t>(StandardModuleCount));
    // From each standard module and from just above and below it: up the next larger, down the
    // next smaller, 0 the nearest at or above; beyond either end of the series the module stays.
    for (int k = 0; k < StandardModuleCount; ++k) {
        const long double m = din780[k], above = m * 1.0002L, below = m * 0.9998L;
        const bool top = k + 1 == StandardModuleCount, bottom = k == 0;
        const long double cases[][3] = {{+1, m, top ? m : din780[k + 1]},
                                        {-1, m, bottom ? m : din780[k - 1]},
                                        {0, m, m},
                                        {+1, above, top ? above : din780[k + 1]},
                                        {-1, above, m},
                                        {+1, below, m},
                                        {-1, below, bottom ? below : din780[k - 1]}};
        for (const auto& c : cases)
            EXPECT_EQ(StepStandardModule(static_cast<int>(c[0]), c[1]), c[2])
                << c[0] << " from " << static_cast<double>(c[1]);
    }
    // The reproducers: 70 up, 0.001 down, 2.0005 up.
    EXPECT_EQ(StepStandardModule(+1, 70), 70);
    EXPECT_EQ(StepStandardModule(-1, 70), 60);
    EXPECT_EQ(StepStandardModule(-1, 0.001L), 0.001L);
    EXPECT_EQ(StepStandardModule(+1, 2.0005L), 2.5L);
    EXPECT_EQ(StepStandardModule(-1, 2.0005L), 2);
    EXPECT_EQ(StepStandardModule(+1, std::numeric_limits<long double>::quiet_NaN()), 0.0L);
    AbortFlag = 1;
    EXPECT_EQ(StepStandardModule(+1, 2.5L), 0.0L);
}

TEST_F(TablesTest, BallDiameterProposal) {
    // mpmath, ball touching the flanks at d + 2 x mn: 1.72444912193 for z 20, mn 1.
    EXPECT_EQ(DmMess(20, 0, Deg20, 0, 1), RoundDec(1, 1.7L));
    // Below 0.5 mm unrounded: 0.172444912193388707.
    EXPECT_NEAR(double(DmMess(20, 0, Deg20, 0, 0.1L)), 0.172444912193388707, 1e-15);
    // Internal gear z -80, mn 3: 4.97987 -> 5.0.
    EXPECT_EQ(DmMess(-80, 0, Deg20, 0, 3), RoundDec(1, 5.0L));
    // Helical z 31, beta 12, x 0.3, mn 2: 3.56880 -> 3.6.
    EXPECT_EQ(DmMess(31, 12.0L * Pi / 180.0L, Deg20, 0.3L, 2), RoundDec(1, 3.6L));
    // Imperial: 0.214363 in -> 0.214 in.
    UnitSystem = 1;
    EXPECT_NEAR(double(DmMess(24, 0, Deg20, 0, 25.4L / 8)), 0.214 * 25.4, 1e-12);
    EXPECT_EQ(ErrorCount, 0);
}

TEST_F(TablesTest, BallDiameterWithoutContactIsNone) {
    // A shift that puts the measuring circle inside the base circle has no usual ball: 0, and
    // nothing stops (z 20 at 20 degrees: from x -0.6031 down).
    for (const long double x : {-9.0L, -0.61L})
        EXPECT_EQ(DmMess(20, 0, Deg20, x, 1), 0.0L);
    EXPECT_GT(DmMess(20, 0, Deg20, -0.6L, 1), 0.0L);
    EXPECT_EQ(ErrorCount, 0);
    EXPECT_EQ(CalcErrorFlag, 0);
    EXPECT_EQ(DmMess(0, 0, Deg20, 0, 1), 0.0L);
}

TEST_F(TablesTest, TeethSpannedProposal) {
    // z alpha_t / pi + 1 with x 0: 3.22 for z 20, 9.89 for z 80.
    EXPECT_EQ(kmess(20, 0, Deg20, 0, 2), 3);
    EXPECT_EQ(kmess(80, 0, Deg20, 0, 3), 9);
    // An internal gear spans as many spaces, with the sign of z.
    EXPECT_EQ(kmess(-80, 0, Deg20, 0, 3), -9);
    // Helical z 43, beta 15, x -0.1: 6.0966.
    EXPECT_EQ(kmess(43, 15.0L * Pi / 180.0L, Deg20, -0.1L, 3), 6);
    EXPECT_EQ(kmess(20, 0, Deg20, -9.0L, 1), 0); // measuring circle inside the base circle
    EXPECT_EQ(ErrorCount, 0);
    EXPECT_EQ(kmess(0, 0, Deg20, 0, 2), 0);
    EXPECT_EQ(CalcErrorFlag, 1);
    ASSERT_EQ(ErrorCount, 1);
    EXPECT_EQ(ErrorList[1], "Fatal  : z = 0 !");
}

TEST_F(TablesTest, SmallHelpers) {
    // 0.99 (pi/4 cos a - B sin a + A) / (1 - sin a), evaluated in mpmath: 0.467191509670771.
    EXPECT_NEAR(double(RackTipRadiusMax(Deg20, 1.25L, 0.0L)), 0.467191509670771, 1e-12);
    // Roll angles in degrees, tan(acos(db / d)) 180 / pi (mpmath); 57.3 for 180 / pi would
    // give 27.7516 and 20.7966. Internal gears (negative diameters) get those of |d|.
    const struct {
        long double d, db, deg;
    } rolls[] = {{100, 100, 0},
                 {90, 100, 0},
                 {100, 90, 27.74961253210154397549L},
                 {100, 94, 20.79559107969145027319L},
                 {-100, -94, 20.79559107969145027319L},
                 {-94, -100, 0}};
    for (const auto& r : rolls)
        EXPECT_NEAR(RollTanAt(r.d, r.db), r.deg, 1e-15L) << r.d << " " << r.db;
    EXPECT_EQ(OddEvenIndex(1), 2);
    EXPECT_EQ(OddEvenIndex(2), 1);
    EXPECT_EQ(StandardModules[0], 0.05L);
    EXPECT_EQ(StandardModules[StandardModuleCount - 1], 60.0L);
    for (int n = 1; n < StandardModuleCount; ++n)
        EXPECT_LT(StandardModules[n - 1], StandardModules[n]);
}

} // namespace

namespace {

// The calculation inverts the involute for every operating pressure angle and ball position:
// check the inverse from small to large angles against mpmath values of tan a - a.
TEST(InvoluteInverse, MatchesMpmathFromSmallToLargeAngles) {
    const struct {
        long double a, inv, tol;
    } cases[] = {
        {0.0001L, 3.33333334666666672063492085362e-13L, 1e-13L},
        {0.001L, 3.33333466666720634942504418034e-10L, 1e-14L},
        {0.01L, 3.33346667206371076724101980136e-7L, 1e-16L},
        {0.3L, 0.00933624960962323303530367969829L, 1e-17L},
        {0.45L, 0.0330550656165783705111525524086L, 1e-17L},
        {0.7L, 0.142288380463079448128135002213L, 1e-17L},
        {1.2L, 1.37215162212631893540999423603L, 1e-17L},
    };
    for (const auto& c : cases) {
        ClearErrors();
        EXPECT_NEAR(double(ArcInv(c.inv) - c.a), 0.0, double(c.tol)) << double(c.a);
        EXPECT_NEAR(double(ArcInv(-c.inv) + c.a), 0.0, double(c.tol)) << double(c.a);
        EXPECT_EQ(ErrorCount, 0) << double(c.a);
    }
}

} // namespace
