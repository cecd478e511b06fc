// The final checks of both gears: every condition under which a result cannot exist reaches the
// message list after the calculation, ahead of gear 2's plausibility warnings, each once; a
// dimension without solution is no number but no fatal result either. Which conditions hold for
// which pair is worked out independently in soundness_ref.py (mpmath, through gearcalc).
#include <cmath>
#include <string>
#include <vector>

#include "calc/inspect.h"
#include "calcb_fixture.h"

namespace {

using calcb_test::Messages;
using calcb_test::PairTest;
using SoundnessTest = PairTest;

TEST_F(SoundnessTest, EveryCheckAtOnceInItsOrder) {
    // z 6 with x 0.52 beside a ring of 58 (the former internal example): its tip is pointed, the
    // ring's tip reaches past its interference point, and contact starts in its fillet; a ball
    // too small for gear 1, one too large for the ring, spans over too many teeth and spaces.
    // With x 0.5 the pinion is the dimensions dialog's fixed companion: only the ring's own
    // results are judged.
    const std::vector<std::string> ring = {"Error  : Dm ball !  (2)",
                                           "Error  : span contact > dFa (2) !", "ball diameter !",
                                           "No. of teeth measured !"};
    std::vector<std::string> all = {"Error  : tooth collision da2 !", "Error  : dNf < dFf (1) !",
                                    "Error  : pointed tooth (1) !", "Error  : Dm ball !  (1)",
                                    "Error  : span contact > dFa (1) !"};
    all.insert(all.end(), ring.begin(), ring.end());
    for (const auto& [x1, want] : {std::pair{0.52L, all}, {0.5L, ring}}) {
        SCOPED_TRACE(static_cast<double>(x1));
        Pair(6.5L, 6, -58, x1, 0.2L, 0, 88, 12);
        TGearData& g = GearData;
        g.TsnSeries = {5, 5};
        g.AsnSeries = {8, 8};
        g.DM = {1, 40};
        g.k = {9, -1};
        for (int run = 0; run < 2; ++run) { // the same again: nothing kept or doubled
            CalculateGears();
            ASSERT_EQ(CalcErrorFlag, 0);
            EXPECT_EQ(FirstNonFiniteValue(), "");
            EXPECT_EQ(Messages(), want);
            for (int i = 1; i <= 2; ++i) {
                EXPECT_EQ(MeasureFaults(i), unsigned(BallCannotSeat | SpanAboveForm));
                for (long double v : {g.MdKtheo[i], g.MdRmin[i], g.Wtheo[i], g.WminV[i]})
                    EXPECT_TRUE(std::isnan(v));
            }
        }
        // A calculation that stops before its inspection step leaves no faults behind.
        g.mn = 0;
        CalculateGears();
        ASSERT_EQ(CalcErrorFlag, 1);
        EXPECT_EQ(MeasureFaults(1) | MeasureFaults(2), 0u);
    }
}

} // namespace
