// The production drawing, the quick sheets of gear 2 and the redraw of the configured view:
// DXF files read by ezdxf (sheets_check.py), IGES files by OpenCASCADE (tools/igescheck), and
// the screen pictures, left in the build folder as sheets_*.png for a look.

#include "tests/drawings/sheets_testutil.h"

#include <filesystem>
#include <vector>

#include "drawings/production.h"
#include "drawings/quicksheets.h"
#include "drawings/toothviews.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"

using namespace sheettest;
namespace fs = std::filesystem;

namespace {

class SheetsTest : public SheetTest {
protected:
    // Block files left anywhere below TempDir.
    long BlockFilesLeft() const {
        long n = 0;
        for (const auto& e : fs::recursive_directory_iterator(dir_))
            if (e.path().extension() == ".dx$") ++n;
        return n;
    }
    static std::string IgesCheck(const std::string& file, int& status) {
        return IgesCheckReport(file, status);
    }
};

TJob InternalJob() {
    TJob j;
    j.z1 = 24;
    j.z2 = -72;
    j.mn = 3;
    j.x1 = 0.5L;
    j.x2 = -0.4L;
    j.Aae = 0.10L;
    j.Aai = 0.05L;
    return j;
}

// Both gears side by side (frames and sheets as blocks), to DXF and IGES; the section of an
// internal gear is hatched at 45 degrees, an external one is not.
TEST_F(SheetsTest, ProductionDrawingOfBothGearsToDxfAndIges) {
    const struct {
        TJob job;
        const char* hatch;
    } cases[] = {{TJob{}, "0"}, {InternalJob(), "12"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.job.z2);
        Calculate(c.job);
        const std::string tag = std::to_string(std::abs(c.job.z2));
        const auto draw = [](int code) { ProductionDrawing(code, 3, 7); };
        Check("sheet", ToFile("prod" + tag, 1, draw),
              std::string("blocks=frame_1,frame_2,zeich1,zeich2 inserts=zeich1,zeich2 hatch=") +
                  c.hatch);
        int status = -1;
        const std::string iges = IgesCheck(ToFile("prod" + tag, 2, draw), status);
        EXPECT_EQ(status, 0) << iges;
        EXPECT_NE(iges.find("fails 0"), std::string::npos) << iges;
        // One gear: its own frame, the section drawn directly.
        Check("sheet", ToFile("prod1_" + tag, 1, [](int code) { ProductionDrawing(code, 2, 7); }),
              std::string("blocks=frame_1 inserts=frame_1 hatch=") + c.hatch);
    }
}

// A preset "both" on an element of one gear draws gear 2; a preset "Table Gear data,
// measurement" lists balls, pins and span.
TEST_F(SheetsTest, PresetElementsOfOneGear) {
    Calculate({});
    for (int item : {1, 2, 3, 8}) {
        SCOPED_TRACE(item);
        DisplayList->Clear();
        ProductionDrawing(3, 2, static_cast<std::uint16_t>(item));
        const auto gear2 = Records();
        DisplayList->Clear();
        ProductionDrawing(3, 3, static_cast<std::uint16_t>(item));
        EXPECT_EQ(AbortFlag, 0);
        EXPECT_GT(gear2.size(), 10u);
        EXPECT_EQ(Records(), gear2);
    }
    std::string texts;
    for (const auto& r : RecordsOf(6))
        texts += r + "\n";
    for (const char* row : {"ball diameter", "pin diameter", "no. of teeth meas.",
                            "Span measurement fin.", "Dim.ov/betw.pins fin."})
        EXPECT_NE(texts.find(row), std::string::npos) << row << "\n" << texts;
}

// A choice dialog answered with item (0-based), after checking the item it opens on.
ScriptedResponder::FormStep Choose(int opensOn, int item) {
    return [=](TForm& f) {
        const bool list = FindControl<TListBox>(f, "ListBox1") != nullptr;
        const int shown = list ? FindControl<TListBox>(f, "ListBox1")->ItemIndex()
                               : FindControl<TRadioGroup>(f, "RadioGroup1")->ItemIndex();
        EXPECT_EQ(shown, opensOn) << Respond::Question(f);
        EXPECT_TRUE(Respond::Pick(f, list ? "ListBox1" : "RadioGroup1", item));
        EXPECT_TRUE(Respond::Press(f, list ? "button_ok" : "Button_ok"));
    };
}

// The menu as a user works it: "Table Gear data" of both gears inserts both tables side by
// side; the menu comes back on the next item, and "return .." ends it.
TEST_F(SheetsTest, MenuDrawsBothTablesAndComesBackOnTheNextItem) {
    Calculate({});
    long both = 0;
    ScriptedResponder r;
    r.OnForm(Choose(0, 3))    // "Table Gear data"
        .OnForm(Choose(0, 2)) // gear 1+2
        .OnForm([&](TForm& f) {
            for (const auto& line : Records())
                both += line.find("Spur Gear") != std::string::npos;
            Choose(4, 12)(f); // "return .."
        });
    ResponderScope scope(r);
    ProductionDrawing(3, 0, 0);
    EXPECT_EQ(r.Unexpected(), 0) << ::testing::PrintToString(r.Seen());
    EXPECT_EQ(r.Pending(), 0);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(both, 2);
}

TEST_F(SheetsTest, QuickSheet3BlocksInsertsAndBlockFiles) {
    Calculate({});
    Check("sheet", ToFile("quick3", 1, [](int code) { DrawQuickSheet3(code); }),
          "blocks=RAD2,ZAHN2,EVOLV2,WERKZS2,DTEIL inserts=RAD2,ZAHN2,EVOLV2,WERKZS2,DTEIL");
    const long ink = Screen("quick3", [] { DrawQuickSheet3(3); });
    EXPECT_GT(ink, 20000);
    EXPECT_EQ(BlockFilesLeft(), 0);
}

// Every value of ResultScreen draws its sheet (told apart by the extents it opens), and
// nothing is drawn while drawing after input is off or after a fatal error.
TEST_F(SheetsTest, RedrawCurrentViewDrawsTheConfiguredSheet) {
    Calculate({});
    const struct {
        int screen;
        TWorldWindow extents;
    } cases[] = {{0, {0, 0, Quick3Width, 120}}, {1, {0, 0, Quick3Width, 120}},
                 {2, {0, 0, Quick3Width, 120}}, {3, {-5, -5, 225, 310}},
                 {4, {0, 0, 80, 120}},          {5, {}},
                 {6, {-2, -5, 422, 305}},       {7, {0, 0, Quick3Width, 120}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.screen);
        ResultScreen = c.screen;
        ToothDrawingName = "";
        SavedLimits = {};
        DisplayList->Clear();
        RedrawCurrentView();
        EXPECT_EQ(AbortFlag, 0);
        EXPECT_GT(DisplayList->Count(), 50);
        if (c.screen == 5)
            EXPECT_EQ(ToothDrawingName, "ZRADE2");
        else
            EXPECT_EQ(SavedLimits, c.extents);
        EXPECT_EQ(BlockFilesLeft(), 0);
    }
    using Switch = void (*)();
    for (const Switch off : {Switch([] { HelpLevel = 0; }), Switch([] { CalcErrorFlag = 1; }),
                             Switch([] { AbortFlag = 1; })}) {
        HelpLevel = 1;
        DisplayList->Clear();
        off();
        RedrawCurrentView();
        EXPECT_EQ(DisplayList->Count(), 0);
        CalcErrorFlag = 0;
        AbortFlag = 0;
    }
    HelpLevel = 1;
}

// The sheets on the screen, left for a look: every sheet of the external pair, the internal
// gear 2 on the sheets that draw it differently, and two with the Korean interface.
TEST_F(SheetsTest, SheetsOnTheScreen) {
    const std::function<void()> draw[] = {
        [] { ProductionDrawing(3, 2, 7); }, [] { ProductionDrawing(3, 3, 7); },
        [] { DrawQuickSheet(3); }, [] { DrawQuickSheet3(3); }, [] { DrawQuickSheet4(3); }};
    const char* names[] = {"prod_one", "prod_both", "quick", "quick3", "quick4"};
    const struct {
        bool internal, korean;
        std::vector<int> sheets;
    } runs[] = {{false, false, {0, 1, 2, 3, 4}}, {true, false, {1, 3, 4}}, {false, true, {0, 3}}};
    for (const auto& run : runs) {
        Calculate(run.internal ? InternalJob() : TJob{});
        Language = run.korean ? 8 : 2;
        for (const int k : run.sheets) {
            const std::string name =
                std::string(names[k]) + (run.internal ? "_int" : "") + (run.korean ? "_ko" : "_en");
            SCOPED_TRACE(name);
            EXPECT_GT(Screen(name, draw[k]), 20000);
        }
    }
    Language = 2;
}

} // namespace
