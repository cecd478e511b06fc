// The tooth views (wheel, tooth contact, planets, the menu and its configuration) drawn into
// DXF files and onto the screen, checked by toothviews_check.py against the textbook geometry
// of the pair (mpmath) and for overlapping outlines (shapely).

#include "tests/drawings/gear_fixture.h"

#include <cmath>
#include <fstream>

#include "drawings/gearchoice.h"
#include "drawings/gearviews.h"
#include "drawings/toothform.h"
#include "drawings/toothviews.h"
#include "framework/core/text.h"
#include "framework/ui/drawing_window.h"
#include "platform/gui/application.h"

using namespace cadtest;
using drawtest::Num;
using drawtest::TGearCase;

namespace {

class ToothViewsTest : public drawtest::GearTest {
protected:
    // One view into the DXF file base.dxf of the test directory, without questions.
    std::string ViewDxf(const std::string& base, int view, int gear = 2) {
        CadBatchOutput = 1;
        DataFileName = Path(base);
        ToothDrawing(1, static_cast<std::uint16_t>(gear), static_cast<std::uint16_t>(view), 1, 1);
        CadBatchOutput = 0;
        EXPECT_EQ(AbortFlag, 0) << base;
        // QOR_KEEP_DIR keeps a copy of every drawing for a look.
        if (const char* keep = std::getenv("QOR_KEEP_DIR")) {
            std::error_code ec;
            std::filesystem::copy_file(Path(base + ".dxf"),
                                       std::string(keep) + "/" + base + ".dxf",
                                       std::filesystem::copy_options::overwrite_existing, ec);
        }
        return Path(base + ".dxf");
    }

    // The pair as the check script takes it.
    static std::string PairArgs() {
        const TGearData& g = GearData;
        return "z1=" + std::to_string(g.z[1]) + " z2=" + std::to_string(g.z[2]) +
               " mn=" + Num(g.mn) + " alpha=" + Num(g.alpha) + " beta=" + Num(g.beta) +
               " aDraw=" + Num(g.aDraw) + " xe1=" + Num(g.xee[1]) + " xe2=" + Num(g.xee[2]) +
               " x1=" + Num(g.x[1]) + " x2=" + Num(g.x[2]) + " dNa1=" + Num(g.dNa[1]) +
               " dNa2=" + Num(g.dNa[2]) + " dax1=" + Num(g.dax[1]) + " dax2=" + Num(g.dax[2]) +
               " epsalpha=" + Num(g.epsalpha) + " planets=" + std::to_string(g.Planets);
    }

    static std::string RunCheck(const std::string& args) {
        int status = -1;
        const std::string out =
            RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                           "/tests/drawings/toothviews_check.py " + args + " 2>&1",
                       status);
        EXPECT_EQ(status, 0) << out;
        EXPECT_EQ(out.find("FAIL"), std::string::npos) << out;
        EXPECT_NE(out.find("ok   "), std::string::npos) << out;
        return out;
    }

    // A batch of "FILE args" lines checked by one run of the script.
    void CheckBatch(const std::string& name, const std::string& lines) {
        const std::string list = Path(name + ".txt");
        WriteFileBytes(list, lines);
        std::cout << RunCheck("--batch '" + list + "'");
    }
};

TGearCase Shifted(TGearCase c, long double x1) {
    c.x1 = x1;
    return c;
}

// The pair in mesh without backlash (contours of the shifts x1 and x2 at the centre distance
// the calculation found for them): at 20 rotations over one pitch of gear 1, and where a
// flank passes the pitch point, the two outlines never overlap and always touch.
TEST_F(ToothViewsTest, MeshedOutlinesTouchWithoutOverlap) {
    const TGearCase pairs[] = {Shifted({2, 18, 23, 0.2L, 0}, 0), Shifted({3, 17, 31, 0.3L, 15}, 0),
                               Shifted({1, 25, 40, -0.2L, 0}, 0.3L),
                               Shifted({3, 24, -72, -0.4L, 0}, 0.5L)};
    std::string batch;
    for (const TGearCase& c : pairs) {
        Calculate(c);
        TGearData& g = GearData;
        g.xee = g.x;
        g.aDraw = g.a;
        g.DrawDiameters = 1;
        g.InvolutePoints = 60;
        const long double p1 = 360.0L / g.z[1];
        // Gear 1's right flank reaches the pitch point when turned by its half tooth angle on
        // the operating pitch circle.
        DiametersForShift(g.xee);
        const long double atPitch = RadToDeg(g.snx[1] / std::cos(g.betaRad) / g.d[1] +
                                             Inv(g.alphat) - Inv(DrawingPressureAngle()));
        for (int k = 0; k <= 20; ++k) {
            g.RotationAngle = k < 20 ? k * p1 / 20 : atPitch;
            const std::string name = "mesh" + std::to_string(c.z2) + "_" + std::to_string(k);
            batch += ViewDxf(name, 7) + " label=" + name + " " + PairArgs() +
                     " checks=mesh,zerobacklash touch=1" + (k == 20 ? " pitch=1" : "") + "\n";
        }
    }
    CheckBatch("mesh", batch);
}

// View 4: one contour insert per tooth, a gap on the +y axis.
TEST_F(ToothViewsTest, GearViewInsertsOneContourPerTooth) {
    Calculate({2, 18, 23, 0.2L, 0});
    CheckBatch("view4", ViewDxf("view4", 4) + " " + PairArgs() + " checks=view4\n");
}

// View 7: the line of action belongs to the centre distance the gears are drawn at (also when
// that is not the calculated one), through the pitch point on the operating pitch circles;
// E and A on the usable tip circles; the data box; the window of the Part's limits, with the
// small ring gears of 17 and 18 teeth on either side of the rule for its upper edge.
TEST_F(ToothViewsTest, ToothContactFollowsTheDrawingCentreDistance) {
    struct TCase {
        TGearCase pair;
        long double moveCentre; // aDraw - a
        const char* checks;
    };
    const TCase cases[] = {
        {{2, 18, 23, 0.2L, 0}, 0, "contact,eps,frame"},
        {{3, 17, 31, 0.3L, 15}, 0.4L, "contact,frame"},
        {Shifted({3, 24, -72, -0.4L, 0}, 0.5L), 0, "contact,eps,frame"},
        {Shifted({3, 24, -72, -0.4L, 0}, 0.5L), -0.6L, "contact,frame"},
        {Shifted({3, 6, -17, -0.5L, 0}, 0.5L), 0, "frame"},
        {Shifted({3, 6, -18, -0.5L, 0}, 0.5L), 0, "frame"},
    };
    std::string batch;
    int k = 0;
    for (const TCase& c : cases) {
        Calculate(c.pair);
        GearData.aDraw = GearData.a + c.moveCentre;
        const std::string name = "contact" + std::to_string(++k);
        batch += ViewDxf(name, 7) + " label=" + name + " " + PairArgs() + " checks=" + c.checks +
                 "\n";
    }
    CheckBatch("contact", batch);
}

// View 8: the planets sit one drawing centre distance from the central gear, evenly spaced,
// and mesh with it whichever gear is in the centre and whatever the tooth numbers' parity.
TEST_F(ToothViewsTest, PlanetsMeshWithTheCentralGear) {
    struct TCase {
        TGearCase pair;
        std::uint16_t sun; // SelectedGear
        int planets;
    };
    const TCase cases[] = {
        {{2, 18, 23, 0, 0}, 1, 3}, {{2, 18, 23, 0, 0}, 2, 3}, {{2, 17, 24, 0, 0}, 2, 4},
        {{2, 18, 24, 0, 0}, 2, 3}, {{2, 17, 23, 0, 0}, 1, 5}, {{2, 17, 23, 0, 0}, 2, 3},
        {Shifted({3, 24, -72, -0.4L, 0}, 0.5L), 2, 3},
    };
    std::string batch;
    int k = 0;
    for (const TCase& c : cases) {
        Calculate(c.pair);
        TGearData& g = GearData;
        g.xee = g.x;
        g.aDraw = g.a;
        g.DrawDiameters = 1;
        g.SelectedGear = c.sun;
        g.Planets = c.planets;
        g.RotationAngle = 7.5L;
        const std::string name = "planets" + std::to_string(++k);
        batch += ViewDxf(name, 8) + " label=" + name + " " + PairArgs() +
                 " checks=mesh" + (c.sun == 1 || c.pair.z2 < 0 ? ",planets" : "") + " touch=1\n";
    }
    CheckBatch("planets", batch);
}

TEST_F(ToothViewsTest, Shots) {
    Application->Initialize();
    const char* shots = std::getenv("QOR_SHOT_DIR");
    const TGearCase pairs[] = {{2, 18, 23, 0.2L, 0}, {3, 17, 31, 0.3L, 15}, {3, 20, -61, 0, 0}};
    int k = 0;
    for (const TGearCase& c : pairs) {
        Calculate(c);
        GearData.Planets = 3;
        ++k;
        for (int view = 1; view <= 8; ++view) {
            AbortFlag = 0;
            DisplayList->Clear();
            ToothDrawing(3, 2, view, 1, 1);
            EXPECT_EQ(AbortFlag, 0);
            if (shots != nullptr) {
                std::ofstream out(std::string(shots) + "/pair" + std::to_string(k) + "_view" +
                                  std::to_string(view) + ".txt");
                for (const auto& l : DisplayList->Lines())
                    out << l << "\n";
            }
            if (shots != nullptr)
                TFkelmgra::SaveDrawingPicture(std::string(shots) + "/pair" + std::to_string(k) +
                                              "_view" + std::to_string(view) + ".png");
        }
    }
}

} // namespace
