// Calculation entry, input checks, sequence and base geometry. Numbers are textbook values
// (ISO 21771 / DIN 3960) evaluated in mpmath, or exact by construction; the full cross-check of
// every base-geometry value runs in basegeom_ref.py.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "calc/basegeom.h"
#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "calc/tables.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/maths.h"

namespace {

std::vector<std::string> Messages() {
    std::vector<std::string> m;
    for (int n = 1; n <= ErrorCount; ++n)
        m.push_back(ErrorList[n]);
    return m;
}

bool Has(const std::string& msg) {
    const auto m = Messages();
    return std::find(m.begin(), m.end(), msg) != m.end();
}

class CalcTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitGearDataUnit();
        UnitSystem = 0;
        AbortFlag = 0;
        ClearErrors();
    }
    void TearDown() override {
        InitGearDataUnit();
        AbortFlag = 0;
        ClearErrors();
    }
    // Spur pair T1: mn 2, z 20/40, no shifts, basic rack type 1, zero allowances.
    static void SpurT1() {
        TGearData& g = GearData;
        g.mn = 2;
        g.z = {20, 40};
        g.x = {0, 0};
        g.b = 20;
        g.alpha = 20;
        g.beta = 0;
        g.a = 0;
        g.BasicRackType = {1, 1};
        g.TipInputMode = {2, 2};
        g.kmn = {0, 0};
        g.q = {0, 0};
        g.TsnSeries = {11, 11};
        g.Asne = {0, 0};
        g.Asni = {0, 0};
        g.AaField = 9;
        g.Aae = 0;
        g.Aai = 0;
    }
};

TEST_F(CalcTest, StartUpDefaults) {
    const TGearData& g = GearData;
    EXPECT_EQ(g.alpha, 20.0L);
    EXPECT_EQ(g.beta, 9.0L);
    EXPECT_EQ(g.mn, 6.5L);
    EXPECT_EQ(g.z[1], 16);
    EXPECT_EQ(g.z[2], 58);
    EXPECT_EQ(g.x[2], 0.57L);
    EXPECT_EQ(g.a, 250.0L);
    EXPECT_EQ(g.DM[1], 12.0L);
    EXPECT_EQ(g.DM[2], 12.0L);
    EXPECT_EQ(g.BasicRackName[2], "Normal");
    EXPECT_EQ(g.haP0mn[1], 1.25L);
    EXPECT_EQ(g.TolZone[1], "6 e 27");
    EXPECT_EQ(g.AaFieldName, "js11");
    EXPECT_EQ(g.DrawingName[1], "Helical Gear");
    EXPECT_EQ(g.MatName[2], "17CrNiMo6");
    EXPECT_EQ(g.MatRho[1], 7.8L);
    EXPECT_EQ(g.CalcMode, 1);
    EXPECT_EQ(g.LoadChar[1], 'N');
    EXPECT_EQ(g.LoadChar[6], 'N');
    EXPECT_EQ(g.LoadSpectrum.size(), std::size_t(LoadSpectrumSize));
    EXPECT_TRUE(g.DrawRootCurve);
    EXPECT_EQ(g.GearShapes, 30);
    EXPECT_EQ(g.Planets, 3);
    EXPECT_EQ(g.SelectedGear, 1);
    EXPECT_EQ(g.Pn, 25.4L / 6.5L);
}

TEST_F(CalcTest, PerGearIndexIsChecked) {
    EXPECT_THROW(GearData.z[0], std::out_of_range);
    EXPECT_THROW(GearData.x[3], std::out_of_range);
}

TEST_F(CalcTest, StartUpExample) {
    CalculateGears();
    const TGearData& g = GearData;
    EXPECT_EQ(CalcErrorFlag, 0);
    EXPECT_NEAR(double(g.a), 249.995698703, 1e-9);
    EXPECT_NEAR(double(g.alphawt), 0.417936609135, 1e-12);
    EXPECT_NEAR(double(g.d[1]), 105.296373082, 1e-9);
    EXPECT_NEAR(double(g.d[2]), 381.699352422, 1e-9);
    EXPECT_NEAR(double(g.db[1]), 98.801366576, 1e-9);
    EXPECT_NEAR(double(g.db[2]), 358.154953837, 1e-9);
    EXPECT_NEAR(double(g.dw[1]), 108.106248088, 1e-9);
    EXPECT_NEAR(double(g.dw[2]), 391.885149319, 1e-9);
    EXPECT_EQ(g.TolZone[1], "e 25");
    EXPECT_EQ(g.TolZone[2], "e 25");
    // js7 of ISO 286 for 180..250 mm: 46 um.
    EXPECT_EQ(g.AaFieldName, "js 7");
    EXPECT_NEAR(double(g.Aae), 0.023, 1e-15);
    EXPECT_NEAR(double(g.Aai), -0.023, 1e-15);
}

TEST_F(CalcTest, RepeatedCalculationGivesTheSameData) {
    CalculateGears();
    TGearData first = GearData;
    const auto firstMessages = Messages();
    CalculateGears();
    // The given centre distance is replaced by the one the shifts give; only the shift sum
    // that the given centre distance needed (xSum) may differ.
    first.xSum = GearData.xSum;
    EXPECT_TRUE(GearData == first);
    EXPECT_EQ(Messages(), firstMessages);
    const TGearData second = GearData;
    CalculateGears();
    EXPECT_TRUE(GearData == second);
    EXPECT_EQ(Messages(), firstMessages);
}

TEST_F(CalcTest, CentreDistanceAllowanceFollowsTheResultingCentreDistance) {
    // Given 255 (250..315: IT7 52 um) the pair settles at 249.9957 (180..250: 46 um).
    GearData.a = 255;
    CalculateGears();
    EXPECT_NEAR(double(GearData.a), 249.995698703, 1e-9);
    EXPECT_NEAR(double(GearData.Aae), 0.023, 1e-15);
}

TEST_F(CalcTest, EnteredCentreDistanceAllowancesStay) {
    GearData.AaField = 9;
    GearData.Aae = 0.031L;
    GearData.Aai = -0.012L;
    CalculateGears();
    EXPECT_EQ(GearData.Aae, 0.031L);
    EXPECT_EQ(GearData.Aai, -0.012L);
    EXPECT_EQ(GearData.AaFieldName, "");
    // jtmin = (2 Aai tan an - (Asne1 + Asne2)) / cos b with the DIN e allowances 40 um
    // (d1 105.3) and 75 um (d2 381.7).
    const long double expect =
        (2 * -0.012L * tanl(20 * Pi / 180) + 0.040L + 0.075L) / cosl(9 * Pi / 180);
    EXPECT_NEAR(double(GearData.jtmin), double(expect), 1e-15);
}

TEST_F(CalcTest, SpurAndInternalPairs) {
    SpurT1();
    CalculateGears();
    const TGearData& g = GearData;
    EXPECT_EQ(CalcErrorFlag, 0);
    EXPECT_NEAR(double(g.a), 60.0, 1e-13);
    EXPECT_NEAR(double(g.d[2]), 80.0, 1e-15);
    EXPECT_NEAR(double(g.db[1]), 37.587704831436338, 1e-13); // 40 cos 20
    EXPECT_NEAR(double(g.dfmax[1]), 35.0, 1e-15);
    EXPECT_NEAR(double(g.da[1]), 44.0, 1e-15);
    EXPECT_NEAR(double(g.TipModeValue[1]), 0.5, 1e-13); // c = 0.25 mn

    GearData.mn = 3;
    GearData.z[2] = -80;
    CalculateGears();
    EXPECT_EQ(CalcErrorFlag, 0);
    EXPECT_NEAR(double(g.a), -90.0, 1e-13);
    EXPECT_NEAR(double(g.d[2]), -240.0, 1e-15);
    EXPECT_NEAR(double(g.db[2]), -225.526228989, 1e-9);
    EXPECT_NEAR(double(g.dfmax[2]), -247.5, 1e-13);
    EXPECT_NEAR(double(g.da[2]), -234.0, 1e-13);
}

TEST_F(CalcTest, TableAllowancesAtD100) {
    SpurT1();
    GearData.mn = 5; // d1 = 100
    GearData.TsnSeries = {5, 5};
    GearData.AsnSeries = {8, 8};
    GearData.AaField = 4;
    CalculateGears();
    const TGearData& g = GearData;
    EXPECT_NEAR(double(g.Asne[1]), -0.040, 1e-18);
    EXPECT_NEAR(double(g.Tsn[1]), 0.040, 1e-18);
    EXPECT_NEAR(double(g.Asni[1]), -0.080, 1e-18);
    EXPECT_EQ(g.TolZone[1], "e 25");
    // a = 150 lies in 120..180: IT7 40 um.
    EXPECT_NEAR(double(g.Aae), 0.020, 1e-18);
    // Generating shifts: x + Asn / (2 mn tan an).
    EXPECT_NEAR(double(g.xEmax[1]), -0.040 / (10 * std::tan(20 * M_PI / 180)), 1e-15);
}

// Whole numbers outside the ranges their dialogs offer and reals no gear can have stop the
// calculation with a fatal message before anything is computed; the edges still pass.
TEST_F(CalcTest, ValuesOutsideTheirRangesStopBeforeAnythingIsComputed) {
    const struct {
        void (*set)(TGearData&);
        const char* msg; // "" for a value on the edge of its range
    } cases[] = {
        {[](TGearData& g) { g.Q[1] = INT32_MIN; }, "Fatal  : range Q[1] 1..12 !"},
        {[](TGearData& g) { g.Q[2] = 13; }, "Fatal  : range Q[2] 1..12 !"},
        {[](TGearData& g) { g.Q[2] = 12; }, ""},
        {[](TGearData& g) { g.QualityStandard = 1, g.Q[2] = 12; }, "Fatal  : range Q[2] 1..11 !"},
        {[](TGearData& g) { g.QualityStandard = 1, g.Q[2] = 100000; },
         "Fatal  : range Q[2] 1..11 !"},
        {[](TGearData& g) { g.z[1] = INT32_MAX; }, "Fatal  : range z[1] -10000..10000 !"},
        {[](TGearData& g) { g.z[2] = -10001; }, "Fatal  : range z[2] -10000..10000 !"},
        {[](TGearData& g) { g.k[2] = INT32_MIN; }, "Fatal  : range k[2] -10000..10000 !"},
        {[](TGearData& g) { g.AsnSeries[1] = 0; }, "Fatal  : range AsnSeries[1] 1..11 !"},
        {[](TGearData& g) { g.AsnSeries[2] = 12; }, "Fatal  : range AsnSeries[2] 1..11 !"},
        {[](TGearData& g) { g.AsnSeries[2] = 12, g.TsnSeries[2] = 11; }, ""},
        {[](TGearData& g) { g.TsnSeries[2] = 0; }, "Fatal  : range TsnSeries[2] 1..65535"},
        {[](TGearData& g) { g.AaField = 0; }, "Fatal  : range AaField 1..65535 !"},
        {[](TGearData& g) { g.TipInputMode[1] = 4; }, "Fatal  : range TipInputMode[1] 1..3"},
        {[](TGearData& g) { g.BasicRackType[2] = 10; }, "Fatal  : range BasicRackType[2] 0..9"},
        {[](TGearData& g) { g.QualityStandard = 2; }, "Fatal  : range QualityStandard 0..1"},
        {[](TGearData& g) { g.MeasureMode = -1; }, "Fatal  : range MeasureMode 0..1 !"},
        {[](TGearData& g) { g.WarningMode = 7; }, "Fatal  : range WarningMode 0..1 !"},
        {[](TGearData& g) { g.mn = 1e4089L; }, "Fatal  : range |mn|>1000 mm !"},
        {[](TGearData& g) { g.kmn[1] = std::numeric_limits<long double>::max(); },
         "Fatal  : range |kmn[1]|>1e8 mm !"},
        {[](TGearData& g) { UnitSystem = 1, g.kmn[1] = -1e9L; },
         "Fatal  : range |kmn[1]|>3.93e6 in !"},
        {[](TGearData& g) { UnitSystem = 1, g.mn = 1e-4L; }, "Fatal  : range mn<3.94e-5 in !"},
        {[](TGearData& g) { UnitSystem = 1, g.DM[2] = 1e-7L; },
         "Fatal  : range 0<|DM[2]|<3.94e-8 in"},
        {[](TGearData& g) { g.TipInputMode[2] = 1, g.TipModeValue[2] = -1.5e8L; },
         "Fatal  : range TipModeValue[2] !"},
        // (a tip value the mode derives is not judged as typed)
        {[](TGearData& g) { g.TipModeValue[2] = -1.5e8L, g.da[1] = 2e8L; }, ""},
        {[](TGearData& g) { g.q[1] = -0.01L; }, "Fatal  : range q[1] 0..1e8 mm !"},
        {[](TGearData& g) { g.qTol[2] = -1e-6L; }, "Fatal  : range qTol[2] 0..1e8 mm !"},
        {[](TGearData& g) { g.x[2] = -100.5L; }, "Fatal  : range |x[2]|>100 !"},
        {[](TGearData& g) { g.x[2] = -100, g.x[1] = 100; }, ""},
        {[](TGearData& g) { g.alkP0[1] = 91; }, "Fatal  : range |alkP0[1]|>90\u00B0 !"},
        {[](TGearData& g) { g.rhofP0mn[2] = -0.01L; }, "Fatal  : range rhofP0mn[2] 0..100 !"},
        {[](TGearData& g) { g.rhoaP0mn[1] = -0.0774L, g.BasicRackType[1] = 4; },
         "Fatal  : range rhoaP0mn[1] 0..100 !"},
        {[](TGearData& g) { g.rhoaP0mn[1] = -0.0774L, g.BasicRackType[1] = 1; }, ""},
    };
    CalculateGears();
    ASSERT_EQ(CalcErrorFlag, 0);
    const TGearData good = GearData;
    for (const auto& c : cases) {
        GearData = good;
        UnitSystem = 0;
        c.set(GearData);
        CheckInputRanges();
        if (*c.msg == '\0') {
            EXPECT_EQ(CalcErrorFlag, 0) << Messages().front();
            continue;
        }
        const TGearData input = GearData;
        CalculateGears();
        EXPECT_EQ(CalcErrorFlag, 1) << c.msg;
        EXPECT_TRUE(Has(c.msg)) << c.msg << " (whole, as the list keeps it)";
        EXPECT_TRUE(GearData == input) << c.msg << ": something was computed";
    }
    UnitSystem = 0;
}

TEST_F(CalcTest, EveryRealOfTheGearDataIsCheckedForFiniteness) {
    CalculateGears();
    EXPECT_EQ(FirstNonFiniteValue(), "");
    GearData.dFf[2] = std::numeric_limits<long double>::quiet_NaN();
    EXPECT_EQ(FirstNonFiniteValue(), "dFf[2]");
    GearData.galpha = -std::numeric_limits<long double>::infinity();
    EXPECT_EQ(FirstNonFiniteValue(), "galpha");
    GearData.galpha = std::numeric_limits<long double>::max();
    GearData.dFf[2] = 0;
    GearData.Rs[1] = std::numeric_limits<long double>::infinity();
    EXPECT_EQ(FirstNonFiniteValue(), "Rs[1]");
}

TEST_F(CalcTest, InputRangeChecks) {
    GearData.alpha = 5;
    CalculateGears();
    EXPECT_EQ(CalcErrorFlag, 1);
    EXPECT_TRUE(Has("Fatal  : 5 < alpha < 50\u00B0 !"));

    InitGearDataUnit();
    GearData.alpha = 5.0001L;
    CheckInputRanges();
    EXPECT_EQ(CalcErrorFlag, 0);

    GearData.alpha = 50;
    GearData.beta = 60;
    GearData.z[2] = 0;
    CheckInputRanges();
    EXPECT_EQ(CalcErrorFlag, 1);
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{"Fatal  : 5 < alpha < 50\u00B0 !",
                                        "Fatal  : 0 <= beta < 60\u00B0 !", "Fatal  : z = 0 !"}));
    GearData.alpha = 20;
    GearData.z[2] = 58;
    GearData.beta = -0.001L;
    CheckInputRanges();
    EXPECT_TRUE(Has("Fatal  : 0 <= beta < 60\u00B0 !"));
    GearData.beta = 0;
    CheckInputRanges();
    EXPECT_EQ(CalcErrorFlag, 0);
}

TEST_F(CalcTest, FatalInputKeepsThePreviousResults) {
    CalculateGears();
    const TGearData before = GearData;
    GearData.z[2] = 0;
    CalculateGears();
    EXPECT_EQ(CalcErrorFlag, 1);
    EXPECT_EQ(GearData.d[1], before.d[1]);
    EXPECT_EQ(GearData.a, before.a);
}

TEST_F(CalcTest, FatalErrorInsideTheStepsSurvives) {
    const struct {
        void (*set)();
        const char* msg;
    } cases[] = {
        {[] { GearData.mn = 0; }, "Fatal  : mn <= 0!"},
        {[] { GearData.b = 0; }, "Fatal  : b <= 0!"},
        {[] { GearData.alpha = 47; }, "Fatal  : alpha !"},
        {[] { GearData.z[1] = 1; }, "Fatal  : z1 < 2!"},
        {[] { GearData.z[2] = -1; }, "Fatal  : z2 < 2!"},
        // An addendum reduction (in range) larger than the gear: its tip across the axis.
        {[] { GearData.kmn[1] = 1e8L; }, "Fatal  : da of the wrong sign (1) !"},
    };
    for (const auto& c : cases) {
        InitGearDataUnit();
        c.set();
        CalculateGears();
        EXPECT_EQ(CalcErrorFlag, 1) << c.msg;
        EXPECT_TRUE(Has(c.msg)) << c.msg;
        // The final checks would judge stale results: none of their warnings appear.
        EXPECT_FALSE(Has("Warning: point teeth !")) << c.msg;
    }
}

TEST_F(CalcTest, NoOperatingPressureAngleIsFatal) {
    // Shift sum so negative that inv alpha_wt < 0.
    SpurT1();
    GearData.z = {10, 10};
    GearData.x = {-1.2L, -1.2L};
    CalculateGears();
    EXPECT_EQ(CalcErrorFlag, 1);
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_TRUE(Has("Fatal  : alpha wt !"));
}

TEST_F(CalcTest, RootDiameterAtOrBelowZeroIsFatalForExternalGears) {
    SpurT1();
    GearData.x = {-9, 9}; // df1 = 40 - 5 - 36 < 0; the shift sum stays 0
    CalculateGears();
    EXPECT_EQ(CalcErrorFlag, 1);
    EXPECT_TRUE(Has("Fatal  : df <=0 ! (1)"));
}

TEST_F(CalcTest, AStepsFatalMessageThatLetsItGoOnStaysWithTheFinalChecks) {
    // Above 45 degrees the base step says "Fatal  : beta > 45°!" and the calculation goes on: the
    // message stays, once, after the input checks' and before the final checks'.
    const std::string beta45 = "Fatal  : beta > 45\u00B0!";
    for (const auto& [beta, said] : {std::pair{45.0L, false}, {45.001L, true}, {59.9L, true}}) {
        SCOPED_TRACE(static_cast<double>(beta));
        GearData.beta = beta;
        GearData.x[2] = 1.6L;
        for (int run = 0; run < 2; ++run) {
            CalculateGears();
            EXPECT_EQ(CalcErrorFlag, 0);
            // The steps ran with this helix angle.
            EXPECT_NEAR(GearData.mt, GearData.mn / cosl(beta * Pi / 180), 1e-15L * GearData.mt);
            const auto m = Messages();
            ASSERT_FALSE(m.empty());
            EXPECT_EQ(std::count(m.begin(), m.end(), std::string("Warning: x > 1.5 !")), 1);
            EXPECT_EQ(m.front(), "Warning: x > 1.5 !");
            EXPECT_EQ(std::count(m.begin(), m.end(), beta45), said ? 1 : 0);
            if (said) {
                EXPECT_EQ(m.at(1), beta45);
            }
        }
    }
}

TEST_F(CalcTest, ProposedBallDiameterStays) {
    GearData.DM[2] = 0;
    CalculateGears();
    EXPECT_GT(GearData.DM[2], 0.0L);
    EXPECT_EQ(GearData.DM[2], RoundDec(1, GearData.DM[2]));
}

TEST_F(CalcTest, CompanionTextsAreEmptied) {
    GearData.DrawingName[1] = "x";
    GearData.DrawingNumber[1] = "y";
    GearData.DrawingName2[1] = "z";
    GearData.DrawingName[2] = "kept";
    CalculateGears();
    EXPECT_EQ(GearData.DrawingName[1], "");
    EXPECT_EQ(GearData.DrawingNumber[1], "");
    EXPECT_EQ(GearData.DrawingName2[1], "");
    EXPECT_EQ(GearData.DrawingName[2], "kept");
}

TEST_F(CalcTest, BaseGeometryStep) {
    GearData.alpha = 45;
    CalcUnit0();
    EXPECT_EQ(CalcErrorFlag, 0);
    GearData.alpha = 45.01L;
    CalcUnit0();
    EXPECT_EQ(CalcErrorFlag, 1);
    EXPECT_TRUE(Has("Fatal  : alpha !"));
    ClearErrors();
    CalcUnit0();
    EXPECT_FALSE(Has("Fatal  : Unit0"));
    CalcErrorFlag = 1;
    CalcUnit0();
    EXPECT_TRUE(Has("Fatal  : Unit0"));

    InitGearDataUnit();
    ClearErrors();
    GearData.z = {-60, 20};
    GearData.b = 100;
    GearData.alkP0 = {0, 30};
    CalcUnit0();
    EXPECT_EQ(CalcErrorFlag, 0);
    EXPECT_TRUE(Has("Error  : z1 < 0 !"));
    EXPECT_TRUE(Has("Error  : z2 < z1 !"));
    EXPECT_EQ(GearData.bGear[1], 100.0L);
    EXPECT_EQ(GearData.alkP0[1], 20.0L);
    EXPECT_FALSE(GearData.ChamferOn[1]);
    EXPECT_TRUE(GearData.ChamferOn[2]);
    // zg = 2 / sin^2 20 deg = 17.0975...; xmin = (5/6 zg - z / cos^3 b) / zg.
    const long double s = sinl(20 * Pi / 180);
    EXPECT_NEAR(double(GearData.zg), double(2 / (s * s)), 1e-14);
    const long double c3 = powl(cosl(9 * Pi / 180), 3);
    EXPECT_NEAR(double(GearData.xmin[2]), double((5.0L / 6 * GearData.zg - 20 / c3) / GearData.zg),
                1e-15);
}

TEST_F(CalcTest, CentreDistanceStep) {
    SpurT1();
    GearData.a = 61; // x sum for a = 61: (inv aw - inv at) (z1 + z2) / (2 tan an)
    CalcUnit0();
    CentreDistance();
    const long double at = 20 * Pi / 180;
    const long double aw = acosl(60 * cosl(at) / 61);
    EXPECT_NEAR(double(GearData.xSum), double((tanl(aw) - aw - tanl(at) + at) * 60 / 2 / tanl(at)),
                1e-15);
    // Out of reach and more than 20 % away: the reference centre distance is taken.
    GearData.a = 20;
    CentreDistance();
    EXPECT_TRUE(Has("Cent.distance corr. !"));
    EXPECT_EQ(GearData.a, 60.0L);
    EXPECT_NEAR(double(GearData.alphawt), double(at), 1e-15);
    // Not given: nothing derived.
    GearData.a = 0;
    CentreDistance();
    EXPECT_EQ(GearData.alphawt, 0.0L);
    EXPECT_EQ(GearData.xSum, 0.0L);
}

TEST_F(CalcTest, BasicRackPresets) {
    GearData.BasicRackType = {3, 5};
    GearData.alprP0[2] = 10;
    GearData.prP0mn[2] = 0.05L;
    CalculateGears();
    const TGearData& g = GearData;
    EXPECT_EQ(g.BasicRackName[1], "Protub.");
    EXPECT_EQ(g.alprP0[1], 6.0L);
    EXPECT_EQ(g.haP0mn[1], 1.4L);
    EXPECT_EQ(g.rhoaP0mn[1], 0.4L);
    EXPECT_EQ(g.alkP0[1], 20.0L);
    EXPECT_FALSE(g.ChamferOn[1]);
    EXPECT_NEAR(double(g.haP0[1]), 1.4 * 6.5, 1e-15);
    EXPECT_EQ(g.BasicRackName[2], "Normal");
    EXPECT_EQ(g.alprP0[2], 0.0L);
    EXPECT_EQ(g.prP0mn[2], 0.0L);
    EXPECT_EQ(g.alkP0[2], 45.0L); // kept: a chamfer
    EXPECT_TRUE(g.ChamferOn[2]);

    GearData.BasicRackType[2] = 4;
    GearData.haP0mn[2] = 1.3L;
    CalculateGears();
    EXPECT_EQ(g.BasicRackName[2], "");
    EXPECT_EQ(g.haP0mn[2], 1.3L);
}

TEST_F(CalcTest, TipInputModes) {
    SpurT1();
    GearData.TipInputMode = {1, 3};
    GearData.TipModeValue[1] = 0.4L;
    GearData.da[2] = 83;
    CalculateGears();
    const TGearData& g = GearData;
    // Mode 1: da1 = 2 (a - c) - df2 = 2 (60 - 0.4) - 75 = 44.2.
    EXPECT_NEAR(double(g.da[1]), 44.2, 1e-13);
    EXPECT_NEAR(double(g.kmn[1]), -0.1, 1e-13);
    // Mode 3: kmn2 = (daTool2 - da2) / 2 = (84 - 83) / 2; clearance = a - (da2 + df1) / 2.
    EXPECT_NEAR(double(g.kmn[2]), 0.5, 1e-13);
    EXPECT_NEAR(double(g.TipModeValue[2]), 60 - (83 + 35) / 2.0, 1e-13);
    // Mode 2 with a reduction below 0.005 mm: none.
    GearData.TipInputMode = {2, 2};
    GearData.kmn = {0.004L, 0.2L};
    CalculateGears();
    EXPECT_EQ(g.kmn[1], 0.0L);
    EXPECT_NEAR(double(g.da[1]), 44.0, 1e-13);
    EXPECT_NEAR(double(g.da[2]), 83.6, 1e-13);
}

TEST_F(CalcTest, MachiningAllowance) {
    SpurT1();
    GearData.q = {0.1L, 0};
    GearData.qTol = {0.05L, 0.3L};
    CalculateGears();
    const TGearData& g = GearData;
    const double s = 2 * std::sin(20 * M_PI / 180);
    EXPECT_NEAR(double(g.xEminV[1]), 0.1 / s, 1e-15);
    EXPECT_NEAR(double(g.xEmaxV[1]), 0.15 / s, 1e-15);
    EXPECT_NEAR(double(g.dfmax[1]), 35 + 4 * 0.15 / s, 1e-13);
    // No allowance: the tolerance goes too and premachined equals finished.
    EXPECT_EQ(g.qTol[2], 0.0L);
    EXPECT_EQ(g.xEmaxV[2], g.xEmax[2]);
}

TEST_F(CalcTest, MeanLimitValuesAndShiftDiameters) {
    CalculateGears();
    const TGearData& g = GearData;
    EXPECT_EQ(g.aDraw, g.a);
    EXPECT_EQ(g.xee[2], (g.xEmin[2] + g.xEmax[2]) / 2);
    EXPECT_NEAR(double(g.dwx[1]), double(g.dw[1]), 1e-12);
    EXPECT_NEAR(double(g.dfx[2]), double(g.d[2] - 2 * g.haP0[2] + 2 * g.xee[2] * g.mn), 1e-13);

    // A drawing centre distance the gears cannot reach is refused, with a message.
    ClearErrors();
    GearData.aDraw = 100;
    DiametersForShift(GearData.xee);
    EXPECT_EQ(CalcErrorFlag, 1);
    EXPECT_EQ(ErrorCount, 1);
}

} // namespace

namespace {

// Tooth numbers at the ends of their type's range go through the base steps without integer
// overflow (the test build stops on undefined behaviour).
TEST_F(CalcTest, ExtremeToothNumbersInTheBaseSteps) {
    const std::int32_t big = std::numeric_limits<std::int32_t>::max();
    const std::int32_t cases[][2] = {{big, big}, {big, 58}, {-big, -big}, {16, big}};
    for (const auto& z : cases) {
        InitGearDataUnit();
        GearData.z = {z[0], z[1]};
        ClearErrors();
        CheckInput();
        if (CalcErrorFlag == 0) CalcUnit0();
        if (CalcErrorFlag == 0) CentreDistance();
        if (CalcErrorFlag == 0) CalcUnit1();
        if (CalcErrorFlag == 0) TipRootInputModes();
        if (CalcErrorFlag == 0) {
            EXPECT_TRUE(std::isfinite(GearData.a)) << z[0] << " " << z[1];
        }
    }
}

} // namespace
