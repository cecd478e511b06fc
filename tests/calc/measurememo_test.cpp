// Remembered measurement proposals: a repeated question gets the same answer, a changed unit
// system a new one, and a proposal that reported an error reports it again.
#include <gtest/gtest.h>

#include "calc/tables.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/maths.h"

namespace {

constexpr long double Deg20 = 20.0L * Pi / 180.0L;

class MeasureMemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearErrors();
        ClearMeasureMemo();
        UnitSystem = 0;
    }
    void TearDown() override {
        UnitSystem = 0;
        ClearErrors();
        ClearMeasureMemo();
    }
};

TEST_F(MeasureMemoTest, UnitSystemIsPartOfTheQuestion) {
    // z 24, mn 25.4/8: 5.44482 mm unrounded; metric 5.4 mm, imperial 0.214 in.
    const long double mn = 25.4L / 8;
    EXPECT_EQ(DmMess(24, 0, Deg20, 0, mn), RoundDec(1, 5.4L));
    UnitSystem = 1;
    EXPECT_NEAR(double(DmMess(24, 0, Deg20, 0, mn)), 0.214 * 25.4, 1e-12);
    UnitSystem = 0;
    EXPECT_EQ(DmMess(24, 0, Deg20, 0, mn), RoundDec(1, 5.4L));
}

TEST_F(MeasureMemoTest, EveryArgumentCounts) {
    // More than the remembered entries, alternating: each answer belongs to its own question.
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(kmess(20, 0, Deg20, 0, 2), 3);
        EXPECT_EQ(kmess(80, 0, Deg20, 0, 3), 9);
        EXPECT_EQ(kmess(-80, 0, Deg20, 0, 3), -9);
        EXPECT_EQ(kmess(43, 15.0L * Pi / 180.0L, Deg20, -0.1L, 3), 6);
        EXPECT_EQ(kmess(43, 0, Deg20, -0.1L, 3), 5); // z 43 spur: 5.599 (mpmath)
        // mpmath: 1.72444912193 for z 20, mn 1; 3.44889824 for mn 2.
        EXPECT_EQ(DmMess(20, 0, Deg20, 0, 1), RoundDec(1, 1.7L));
        EXPECT_EQ(DmMess(20, 0, Deg20, 0, 2), RoundDec(1, 3.4L));
    }
    EXPECT_EQ(ErrorCount, 0);
}

TEST_F(MeasureMemoTest, ReportsAreRepeated) {
    EXPECT_EQ(kmess(0, 0, Deg20, 0, 2), 0);
    ClearErrors();
    EXPECT_EQ(kmess(0, 0, Deg20, 0, 2), 0);
    EXPECT_EQ(CalcErrorFlag, 1);
    ASSERT_EQ(ErrorCount, 1);
    EXPECT_EQ(ErrorList[1], "Fatal  : z = 0 !");
}

} // namespace
