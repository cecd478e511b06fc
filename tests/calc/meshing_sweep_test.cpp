// A sweep over many pairs, tools and settings (fixed seed): every result of the meshing,
// inspection and tolerance steps must be a number and the form circles must lie on the flank.
#include <cmath>
#include <random>
#include <string>

#include "calc/inspect.h"
#include "calcb_fixture.h"

namespace {

using calcb_test::CountOf;
using calcb_test::PairTest;
using MeshingSweepTest = PairTest;

TEST_F(MeshingSweepTest, ResultsAreNumbersAndFormCirclesLieOnTheFlank) {
    std::mt19937 rng(20261207);
    auto uni = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    };
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int calculated = 0;
    for (int n = 0; n < 400; ++n) {
        Reset();
        const int z1 = pick(7, 60);
        const bool ring = pick(0, 3) == 0;
        const int z2 = ring ? -pick(z1 + 12, 200) : pick(z1, 160);
        Pair(uni(0.5, 12), z1, z2, uni(-0.4, 1.0), ring ? uni(0, 0.6) : uni(-0.4, 1.0),
             pick(0, 1) ? 0 : uni(0, 35), uni(5, 80), 0);
        TGearData& g = GearData;
        g.MeasureMode = 1;
        g.QualityStandard = pick(0, 1);
        g.Q = {pick(4, 11), pick(4, 11)};
        g.BasicRackType = {static_cast<std::uint16_t>(pick(1, 3)),
                           static_cast<std::uint16_t>(pick(1, 3))};
        if (pick(0, 3) == 0) {
            // A chamfered tool with a root radius.
            g.BasicRackType = {4, 4};
            g.hfP0mn = {1, 1};
            g.haP0mn = {1.25L, 1.25L};
            g.rhoaP0mn = {0.25L, 0.25L};
            g.rhofP0mn = {0.1L, 0.1L};
            g.prP0mn = {0, 0};
            g.alprP0 = {0, 0};
            g.alkP0 = {30, 35};
            g.hFfP0mn = {uni(0.3, 0.9), uni(0.3, 0.9)};
        }
        if (pick(0, 2) == 0) {
            g.Asne = {-0.05L, -0.08L};
            g.Asni = {-0.1L, -0.16L};
            g.q = {0.1L, 0.1L};
            g.qTol = {0.05L, 0.05L};
        }
        CalculateGears();
        if (CalcErrorFlag != 0) continue;
        ++calculated;
        const std::string pair =
            "pair " + std::to_string(n) + ": z " + std::to_string(z1) + "/" + std::to_string(z2);
        for (long double v : {g.epsalpha, g.epsbeta, g.galpha, g.zetaA1, g.zetaA2, g.zetaE1,
                              g.zetaE2, g.IntInterference})
            ASSERT_TRUE(std::isfinite(v)) << pair;
        for (int i = 1; i <= 2; ++i) {
            for (long double v :
                 {g.dFf[i], g.dFa[i], g.dFaK[i], g.dNa[i], g.dNf[i], g.sat[i], g.satMax[i],
                  g.satMin[i], g.saK[i], g.ToolAux[i], g.ffalpha[i], g.Fp[i], g.Fbeta[i],
                  g.fi2[i], g.Fi2[i]})
                ASSERT_TRUE(std::isfinite(v)) << pair << " gear " << i;
            // An inspection dimension is a number, or no number with its reason reported.
            const unsigned faults = MeasureFaults(i);
            for (long double v : {g.Wmax[i], g.WminV[i], g.MdKmax[i], g.MdKminV[i], g.MdRmax[i]})
                ASSERT_TRUE(std::isfinite(v) || (std::isnan(v) && faults != 0))
                    << pair << " gear " << i;
            if (faults & BallCannotSeat) {
                EXPECT_EQ(CountOf("Error  : Dm ball !  (" + std::to_string(i) + ")"), 1) << pair;
            }
            // The involute runs from the root form circle to the tip form circle: above the base
            // circle and the root, below the tip (for a ring gear, measured from the centre: the
            // tip lies inside, the root outside).
            const std::string at = pair + " gear " + std::to_string(i);
            if (g.z[i] > 0) {
                EXPECT_GE(g.dFf[i], g.db[i]) << at;
                EXPECT_GT(g.dFf[i], g.dfmax[i]) << at;
                EXPECT_LE(g.dFa[i], g.da[i]) << at;
            } else {
                EXPECT_LE(g.dFf[i], g.db[i]) << at;
                EXPECT_GT(g.dFf[i], g.dfmax[i]) << at;
                EXPECT_LE(g.dFa[i], g.da[i]) << at;
            }
        }
    }
    EXPECT_GT(calculated, 300);
}

} // namespace
