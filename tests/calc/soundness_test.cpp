// The final checks of both gears: every condition under which a result cannot exist reaches the
// message list after the calculation, and a dimension without solution is no number. The
// conditions of these pairs are worked out independently in soundness_ref.py (mpmath).
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "calc/inspect.h"
#include "calcb_fixture.h"

namespace {

using calcb_test::CountOf;
using calcb_test::Messages;
using calcb_test::PairTest;

struct TCase {
    const char* name;
    std::function<void()> setUp;
    std::vector<std::string> errors; // the final checks' errors, in this order
    std::vector<const PerGear<long double>*> noNumber; // fields without solution (gear 2 / 1)
    int gear;                                           // of noNumber
};

const TGearData& g = GearData;

class SoundnessTest : public PairTest {
protected:
    // z 6 with x 0.5 beside a ring of 58 (the former internal example): its tip is pointed, the
    // ring's tip reaches past its interference point, and contact starts in its fillet.
    static void UnsoundInternal() {
        Pair(6.5L, 6, -58, 0.5L, 0.2L, 0, 88, 12);
        GearData.TsnSeries = {5, 5};
        GearData.AsnSeries = {8, 8};
    }
    static std::vector<TCase> Cases();
};

std::vector<TCase> SoundnessTest::Cases() {
    return {
        {"ball proposed at the upper allowance sinks at the lower",
         [] {
             Pair(1.1379L, 18, 23, 0.6563L, -0.5621L, 26.2014L, 88, 0);
             GearData.MeasureMode = 1;
             GearData.TsnSeries = {5, 10};
             GearData.AsnSeries = {8, 9};
         },
         {"Error  : Dm ball !  (2)"},
         {&g.MdKmin, &g.MdKminV, &g.MdRmin, &g.MdRminV},
         2},
        {"unsound internal pair",
         UnsoundInternal,
         {"Error  : tooth collision da2 !", "Error  : dNf < dFf (1) !",
          "Error  : pointed tooth (1) !"},
         {},
         0},
        {"z 7 with shortened tips",
         [] {
             Pair(2, 7, 8, 0.55L, 0.5L, 0, 20, 3.5L);
             GearData.kmn = {0.5L, 0.5L};
         },
         {"Error  : ratio eps.alpha < 1 !"},
         {},
         0},
        {"small ball in the fillet of gear 1",
         [] { Pair(2, 20, 40, 0, 0, 0, 20, 2.4L); },
         {"Error  : ball contact < dFf (1) !"},
         {&g.MdKtheo, &g.MdKmax, &g.MdKmin, &g.MdRtheo},
         1},
        {"large ball over the ring's tip form circle",
         [] {
             Pair(3, 20, -80, 0.3L, 0.3L, 0, 20, 5);
             GearData.DM[2] = 7;
         },
         {"Error  : dNf < dFf (1) !", "Error  : ball contact > dFa (2) !"},
         {&g.MdKtheo, &g.MdKmaxV, &g.MdRmin},
         2},
        {"span over too many teeth and over one",
         [] {
             Pair(3, 25, 60, 0.2L, 0, 15, 40, 5);
             GearData.k = {7, 1};
         },
         {"Error  : span contact > dFa (1) !", "Error  : span contact < dFf (2) !"},
         {&g.Wtheo, &g.Wmax, &g.WminV},
         1},
    };
}

TEST_F(SoundnessTest, ImpossibleResultsReachTheListAndPrintNoNumber) {
    for (const TCase& c : Cases()) {
        Reset();
        c.setUp();
        CalculateGears();
        ASSERT_EQ(CalcErrorFlag, 0) << c.name;
        // A dimension without solution is no number, and no fatal "not finite" result.
        EXPECT_EQ(FirstNonFiniteValue(), "") << c.name;
        for (const PerGear<long double>* f : c.noNumber)
            EXPECT_TRUE(std::isnan((*f)[c.gear])) << c.name;
        const std::vector<std::string> m = Messages();
        std::vector<std::string> errors;
        for (const std::string& s : m) {
            EXPECT_LE(s.size(), 36u) << s;
            if (s.rfind("Error  : ", 0) == 0) errors.push_back(s);
        }
        // Exactly these errors, once each, ahead of the plausibility warnings of gear 2.
        EXPECT_EQ(errors, c.errors) << c.name;
        for (std::size_t n = 0; n < c.errors.size(); ++n)
            EXPECT_EQ(m[n], c.errors[n]) << c.name;
        // The same on a second calculation: nothing kept or doubled.
        CalculateGears();
        EXPECT_EQ(Messages(), m) << c.name;
    }
}

TEST_F(SoundnessTest, SoundPairsKeepEveryNumber) {
    for (int z2 : {40, -80}) {
        Reset();
        Pair(3, 20, z2, 0.3L, 0.3L, 12, 40, 0);
        GearData.MeasureMode = 1;
        GearData.TsnSeries = {5, 5};
        GearData.AsnSeries = {8, 8};
        CalculateGears();
        ASSERT_EQ(CalcErrorFlag, 0);
        EXPECT_EQ(ErrorCount, 0) << (ErrorCount ? Messages().front() : "");
        for (int i = 1; i <= 2; ++i) {
            EXPECT_EQ(MeasureFaults(i), 0u);
            for (long double v : {g.Wtheo[i], g.WminV[i], g.MdKmax[i], g.MdRmin[i]})
                EXPECT_TRUE(std::isfinite(v)) << z2;
        }
    }
}

TEST_F(SoundnessTest, EveryCheckAtOnceInItsOrder) {
    // Both gears fail several checks: the errors come first, in the order of the checks and
    // gear by gear, each once; the plausibility warnings of gear 2 follow.
    UnsoundInternal();
    GearData.DM = {1, 40};
    GearData.k = {9, -1};
    CalculateGears();
    EXPECT_EQ(Messages(), (std::vector<std::string>{
                              "Error  : tooth collision da2 !", "Error  : dNf < dFf (1) !",
                              "Error  : pointed tooth (1) !", "Error  : Dm ball !  (1)",
                              "Error  : span contact > dFa (1) !", "Error  : Dm ball !  (2)",
                              "Error  : span contact > dFa (2) !", "ball diameter !",
                              "No. of teeth measured !"}));
}

} // namespace
