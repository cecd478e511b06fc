// The tooth views (wheel, tooth contact, planets, the menu and its configuration) drawn into
// DXF files and onto the screen, checked by toothviews_check.py against the textbook geometry
// of the pair (mpmath) and for overlapping outlines (shapely).

#include "tests/drawings/gear_fixture.h"

#include <QPixmap>
#include <QString>
#include <QWidget>

#include <cmath>
#include <fstream>

#include "drawings/gearchoice.h"
#include "framework/ui/dialogs.h"
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
            std::filesystem::copy_file(Path(base + ".dxf"), std::string(keep) + "/" + base + ".dxf",
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
        batch +=
            ViewDxf(name, 7) + " label=" + name + " " + PairArgs() + " checks=" + c.checks + "\n";
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
        {{2, 18, 23, 0, 0}, 1, 3},
        {{2, 18, 23, 0, 0}, 2, 3},
        {{2, 17, 24, 0, 0}, 2, 4},
        {{2, 18, 24, 0, 0}, 2, 3},
        {{2, 17, 23, 0, 0}, 1, 5},
        {{2, 17, 23, 0, 0}, 2, 3},
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
        batch += ViewDxf(name, 8) + " label=" + name + " " + PairArgs() + " checks=mesh" +
                 (c.sun == 1 || c.pair.z2 < 0 ? ",planets" : "") + " touch=1\n";
    }
    CheckBatch("planets", batch);
}

// A question of the menu chain answered by the script: the item it opens on (0-based, -1 not
// checked), then the item chosen and OK.
ScriptedResponder::FormStep Choose(int opensOn, int item,
                                   std::vector<std::string>* seen = nullptr) {
    return [=](TForm& f) {
        if (seen != nullptr) seen->push_back(Respond::Question(f));
        if (auto* list = FindControl<TListBox>(f, "ListBox1")) {
            if (opensOn >= 0) {
                EXPECT_EQ(list->ItemIndex(), opensOn) << Respond::Question(f);
            }
            EXPECT_TRUE(Respond::Pick(f, "ListBox1", item));
            EXPECT_TRUE(Respond::Press(f, "button_ok"));
            return;
        }
        auto* radio = FindControl<TRadioGroup>(f, "RadioGroup1");
        ASSERT_NE(radio, nullptr) << Respond::Question(f);
        if (opensOn >= 0) {
            EXPECT_EQ(radio->ItemIndex(), opensOn) << Respond::Question(f);
        }
        EXPECT_TRUE(Respond::Pick(f, "RadioGroup1", item));
        EXPECT_TRUE(Respond::Press(f, "Button_ok"));
    };
}

ScriptedResponder::FormStep Ok(const char* typed = nullptr) {
    return [=](TForm& f) {
        if (typed != nullptr) {
            EXPECT_TRUE(Respond::Type(f, "EditEinText", typed));
        }
        EXPECT_TRUE(Respond::Press(f, "Button_ok"));
    };
}

// The menu as a user works it on the screen: "Gear (involute)" of gear 2 draws one contour
// per tooth; the menu comes back on the next item; Config sets 40 points per flank, and the
// next contour (the tooth gap) has them.
TEST_F(ToothViewsTest, MenuDrawsConfiguresAndComesBack) {
    Application->Initialize();
    Calculate({2, 18, 23, 0.2L, 0, 1, 1.25L, 1, 0.38L});
    TGearData& g = GearData;
    g.DrawDiameters = 1;
    g.InvolutePoints = 0;
    const std::string gearList = Path("gear.txt"), gapList = Path("gap.txt");
    auto keepDisplayList = [](const std::string& file) {
        std::string text;
        for (const auto& l : DisplayList->Lines())
            text += l + "\n";
        WriteFileBytes(file, text);
    };
    std::vector<std::string> seen;
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
         if (const char* shots = std::getenv("QOR_SHOT_DIR"))
             f.Widget()->grab().save(QString::fromStdString(std::string(shots) + "/menu.png"));
         Choose(0, 3, &seen)(f); // "Gear (involute)"
     })
        .OnForm(Choose(-1, 1)) // gear 2
        .OnForm([&](TForm& f) {
            keepDisplayList(gearList);
            Choose(4, 8)(f); // back on item 5; "Config"
        })
        .OnForm(Choose(0, 0, &seen)) // "Steps for involute and tooth shape"
        .OnForm([](TForm& f) { EXPECT_TRUE(Respond::Press(f, "Button_ok")); }) // root curve
        .OnForm(Ok())                                                          // fillet
        .OnForm(Ok("40"))                                                      // flank points
        .OnForm(Choose(-1, 1))                                                 // polyline
        .OnForm(Ok())                                                          // ring shapes
        .OnForm(Ok())                                                          // gear shapes
        .OnForm(Choose(1, 4)) // back on item 2; "return"
        .OnForm(Choose(9, 1)) // back on "return .."; "Tooth gap (involute)"
        .OnForm(Choose(1, 1)) // gear 2 kept
        .OnForm([&](TForm& f) {
            keepDisplayList(gapList);
            Choose(2, 9)(f); // "return .."
        });
    ResponderScope scope(r);
    ToothDrawing(3, 1, 0, 0, 1);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_EQ(r.Pending(), 0);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NE(seen[0].find("Tooth drawing"), std::string::npos) << seen[0];
    EXPECT_NE(seen[1].find("Configuration tooth grahics"), std::string::npos) << seen[1];
    EXPECT_EQ(g.InvolutePoints, 40);
    EXPECT_EQ(ToothDrawingName, "ZLUCK2");

    std::string rotations;
    for (int k = 0; k < 23; ++k)
        rotations += (k ? "/" : "") + Num(360.0L - k * 360.0L / 23 + 180.0L / 23);
    g.InvolutePoints = 20;
    std::string batch =
        gearList + " " + PairArgs() + " N=20 rotations=" + rotations + " checks=flank\n";
    batch += gapList + " " + PairArgs() + " N=40 rotations=" + Num(180.0L / 23) + "/" +
             Num(-180.0L / 23) + " checks=flank\n";
    CheckBatch("menu", batch);
}

// The planetary view asked for interactively with its item preset: the number of planets,
// which gear is the sun (both texts side by side), the rotation; then the same questions again
// until one is cancelled. QOR_SHOT_DIR keeps pictures of the questions.
TEST_F(ToothViewsTest, PlanetQuestionsComeBackUntilCancelled) {
    Application->Initialize();
    Calculate({2, 18, 23, 0, 0});
    const char* shots = std::getenv("QOR_SHOT_DIR");
    std::vector<std::string> asked;
    auto shot = [&](TForm& f, const std::string& name) {
        std::string q = Respond::Question(f);
        if (auto* radio = FindControl<TRadioGroup>(f, "RadioGroup1"))
            for (int i = 0; i < radio->Items().Count(); ++i)
                q += " | " + radio->Items()[i];
        asked.push_back(q);
        if (shots != nullptr && f.Widget() != nullptr)
            f.Widget()->grab().save(QString::fromStdString(std::string(shots) + "/" + name));
    };
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
         shot(f, "planets_count.png");
         Ok("4")(f);
     })
        .OnForm([&](TForm& f) {
            shot(f, "planets_sun.png");
            Choose(-1, 1)(f); // gear 1 in the centre
        })
        .OnForm([&](TForm& f) {
            shot(f, "planets_angle.png");
            Ok("12.5")(f);
        })
        .OnForm([&](TForm& f) {
            shot(f, "tooth_menu_again.png");
            EXPECT_TRUE(Respond::Press(f, "Button_Cancel"));
        });
    ResponderScope scope(r);
    ToothDrawing(3, 2, 8, 0, 1);
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_EQ(AbortFlag, 1); // the cancelled question ends it
    EXPECT_EQ(GearData.Planets, 4);
    EXPECT_EQ(GearData.SelectedGear, 2);
    EXPECT_EQ(GearData.RotationAngle, 12.5L);
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_NE(asked[0].find("Number of planetary gears"), std::string::npos) << asked[0];
    EXPECT_NE(asked[1].find("sun gear =  23 teeth, Planet wheels =  18 teeth"), std::string::npos)
        << asked[1];
    EXPECT_NE(asked[1].find("sun gear =  18 teeth, Planet wheels =  23 teeth"), std::string::npos)
        << asked[1];
    EXPECT_NE(asked[2].find("angle of rotation gear 1 [deg]"), std::string::npos) << asked[2];
    EXPECT_NE(asked[3].find("Number of planetary gears"), std::string::npos) << asked[3];
    EXPECT_EQ(ToothDrawingName, "ZPLANET");
}

// The number of points per flank can no longer be set to 1 (the flank step would be
// undefined): 1 is refused and asked again.
TEST_F(ToothViewsTest, OneFlankPointIsRefused) {
    Calculate({2, 18, 23, 0, 0});
    std::vector<std::string> messages;
    ScriptedResponder r;
    r.OnForm(Choose(0, 0))
        .OnForm([](TForm& f) { EXPECT_TRUE(Respond::Press(f, "Button_ok")); })
        .OnForm(Ok())
        .OnForm(Ok("1"))
        .OnMessage(IDOK)
        .OnForm(Ok("2"))
        .OnForm(Choose(-1, 0))
        .OnForm(Ok())
        .OnForm(Ok())
        .OnForm(Choose(1, 4));
    ResponderScope scope(r);
    ConfigureToothGraphics();
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_EQ(GearData.InvolutePoints, 2);
    EXPECT_FALSE(CadUsePolylines);
    ASSERT_GE(r.Seen().size(), 5u);
    EXPECT_NE(r.Seen()[4].find("Valid Data are: 2 .. 256 !"), std::string::npos) << r.Seen()[4];
}

// What the driver refuses: a fatal calculation error (the message browser instead), mode 2
// and a choice beyond the menu (a message each); an internal gear's generated gap is the ring
// with its planet.
TEST_F(ToothViewsTest, RefusalsAndTheRingGearsGap) {
    Calculate(Shifted({3, 24, -72, -0.4L, 0}, 0.5L));
    ToothDrawing(3, 2, 6, 2, 1);
    EXPECT_EQ(AbortFlag, 1);
    ToothDrawing(3, 2, 11, 1, 1);
    EXPECT_EQ(AbortFlag, 1);
    ASSERT_EQ(responder_.Messages.size(), 2u);
    EXPECT_EQ(responder_.Messages[0], "Tooth drawing: mode 2 is not supported !");
    EXPECT_EQ(responder_.Messages[1], "Tooth drawing: no item 11 !");

    AbortFlag = 0;
    const std::string f = ViewDxf("ring", 3);
    EXPECT_EQ(ToothDrawingName, "ZRADH2");
    int status = -1;
    const auto lines = EzdxfReport(f, status);
    int planets = 0;
    for (const auto& l : lines)
        planets += l.rfind("entity model INSERT 1 RAD1 ", 0) == 0;
    EXPECT_EQ(planets, 200) << Joined(lines);
    EXPECT_EQ(GearData.RingGearShapes, 200);

    CalcErrorFlag = 1;
    AddError("Fatal  : d = 0 !");
    int browsers = 0;
    responder_.Form = [&](TForm& form) {
        ++browsers;
        BatchResponder::CancelForm(form);
    };
    DisplayList->Clear();
    ToothDrawing(3, 2, 4, 1, 1);
    EXPECT_EQ(DisplayList->Count(), 0);
    EXPECT_EQ(browsers, 1);
    CalcErrorFlag = 0;
}

// Views 1 to 8 of a spur, a helical and an internal pair on the screen: each fills the window
// with its drawing (QOR_SHOT_DIR keeps the pictures for a look).
TEST_F(ToothViewsTest, EveryViewOnTheScreen) {
    Application->Initialize();
    const char* shots = std::getenv("QOR_SHOT_DIR");
    const TGearCase pairs[] = {
        {2, 18, 23, 0.2L, 0}, {3, 17, 31, 0.3L, 15}, Shifted({3, 24, -72, -0.4L, 0}, 0.5L)};
    const char* names[] = {"spur", "helical", "internal"};
    for (int k = 0; k < 3; ++k) {
        Calculate(pairs[k]);
        GearData.Planets = 3;
        GearData.RingGearShapes = 24;
        for (int view = 1; view <= 8; ++view) {
            SCOPED_TRACE(std::string(names[k]) + " view " + std::to_string(view));
            AbortFlag = 0;
            DisplayList->Clear();
            ToothDrawing(3, 2, static_cast<std::uint16_t>(view), 1, 1);
            ASSERT_EQ(AbortFlag, 0);
            const std::string png = Path("view.png");
            ASSERT_TRUE(TFkelmgra::SaveDrawingPicture(png));
            int status = -1;
            const std::string out = RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                                                   "/tests/drawings/png_ink.py '" + png + "' 2>&1",
                                               status);
            ASSERT_EQ(status, 0) << out;
            // Far more than the footer line: the gear, tooth or tool across the window.
            EXPECT_GT(std::stol(out), 2500) << out;
            if (shots != nullptr) {
                std::error_code ec;
                std::filesystem::copy_file(png,
                                           std::string(shots) + "/" + names[k] + "_view" +
                                               std::to_string(view) + ".png",
                                           std::filesystem::copy_options::overwrite_existing, ec);
            }
        }
    }
}

} // namespace
