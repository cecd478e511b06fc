// Drawing tables, frames and title blocks, read back by ezdxf: the sheet passes the audit, the
// fields stand where the title block puts them, and the change records show their indexes.

#include "aids_testutil.h"

#include "cad/dimensions.h"
#include "cad/drawing_table.h"
#include "cad/frames.h"
#include "cad/hatching.h"
#include "framework/core/shelldata.h"
#include "platform/gui/application.h"

using namespace cadtest;

namespace {

class FrameTest : public AidsTest {
protected:
    void SetUp() override {
        AidsTest::SetUp();
        InitShellData();
        CharsetMode = 2;
    }
    static void SetChanges(int n) {
        ChangeCount = static_cast<std::uint16_t>(n);
        for (int i = 1; i <= n; ++i)
            ChangeTable[i] =
                TChangeEntry{"change " + std::to_string(i), "2024-01-0" + std::to_string(i % 10),
                             "N" + std::to_string(i), ""};
    }
    // The text at (x, y), "" when none.
    static std::string TextAt(const DxfDrawing& d, double x, double y) {
        for (const auto& t : d.Of("TEXT"))
            if (std::fabs(t.v[0] - x) < 1e-6 && std::fabs(t.v[1] - y) < 1e-6) return t.text;
        return "";
    }
};

TEST_F(FrameTest, A3SheetWithIsoTitleBlockAndATable) {
    TitleBlockOption = 2;
    SetChanges(10);
    DrawingInfo.Rows[1].Name = "Miller";
    OpenDxf("sheet");
    BeginSheet(3);
    CadWriteTables(0);
    CadBeginEntities();
    DrawFrame2(3, "Gear wheel", "QW-1001", " / ");
    EXPECT_EQ(DrawingKind, 3);
    auto table = TableBegin(20, 280, 3.5L, {27, 9, 9}, {"measurement", "premach.", "fin."});
    TableRow(*table, {"span", "12.345", "12.300"});
    TableRow(*table, {"balls", "", "30.120"});
    TableRow(*table, {"pins"});
    CadEndSection();
    CadCloseOutput();
    const DxfDrawing d = ReadWithEzdxf(Path("sheet.dxf"));
    ASSERT_EQ(d.auditErrors, 0) << d.report;

    // The block's origin on A3 is (235, 5).
    EXPECT_EQ(TextAt(d, 235 + 75, 5 + 24.5), "Document type");
    EXPECT_EQ(TextAt(d, 235 + 1, 5 + 33.5), "Responsible dept.");
    EXPECT_EQ(TextAt(d, 235 + 76, 5 + 10), "Gear wheel");
    EXPECT_EQ(TextAt(d, 235 + 76, 5 + 4), "QW-1001");
    EXPECT_TRUE(d.Texts("/").empty() && d.Texts(" / ").empty());
    EXPECT_EQ(TextAt(d, 235 + 76, 5 + 29), "Miller");
    EXPECT_EQ(TextAt(d, 235 + 130, 5 + 2), "K"); // ten change records: revision K
    EXPECT_EQ(d.Of("INSERT").size(), 0u);        // the logo only on the screen and the plotter
    EXPECT_EQ(TextAt(d, 1, 300).rfind("KELMORA   ", 0), 0u);

    // The table: cells with a leading blank, an empty cell as one blank, rows 2h apart.
    const double h = 3.5;
    EXPECT_EQ(TextAt(d, 20, 280 - 1.5 * h), " measurement");
    EXPECT_EQ(TextAt(d, 20 + 27 * 0.9 * h, 280 - 1.5 * h - 2 * h), " 12.345");
    EXPECT_EQ(TextAt(d, 20 + 27 * 0.9 * h, 280 - 1.5 * h - 4 * h), " ");
    EXPECT_EQ(TextAt(d, 20 + 36 * 0.9 * h, 280 - 1.5 * h - 6 * h), " ");
    const double right = 20 + 45 * 0.9 * h;
    for (int r = 2; r <= 4; ++r) {
        bool rule = false;
        for (const auto& l : d.Of("LINE"))
            rule |= SameValues(l.v, {20, 280 - 2 * r * h, right, 280 - 2 * r * h});
        EXPECT_TRUE(rule) << "rule under row " << r - 1;
    }
}

TEST_F(FrameTest, TenChangeRecordsShowTheLastEightWithTheirIndex) {
    struct Case {
        int style; // 1 DrawFrame; 2 DrawFrame2 A4 with the revision block
        std::uint16_t frameOption;
        std::vector<std::string> indexes; // rows 1..8
        double x, y1, step;               // index column and the rows' heights
    };
    const std::vector<std::string> lower = {"c", "d", "e", "f", "g", "h", "i", "j"};
    const std::vector<std::string> upper = {"C", "D", "E", "F", "G", "H", "I", "J"};
    const std::vector<std::string> numbers = {"3", "4", "5", "6", "7", "8", "9", "10"};
    for (const Case& k :
         {Case{1, 0, lower, 21, 10.7, 4.2}, Case{1, 1, numbers, 21, 10.7, 4.2},
          Case{2, 2, upper, 18.9, 10.25, 4.25}, Case{2, 0, lower, 18.9, 10.25, 4.25}}) {
        SCOPED_TRACE(testing::Message() << "style " << k.style << " option " << k.frameOption);
        FrameOption = k.frameOption;
        TitleBlockOption = 0;
        SetChanges(10);
        const DxfDrawing d = DrawDxf([&] {
            if (k.style == 1)
                DrawFrame("Gear", "1", "2");
            else
                DrawFrame2(4, "Gear", "1", "2");
        });
        ASSERT_EQ(d.auditErrors, 0) << d.report;
        for (int r = 1; r <= 8; ++r) {
            const double y = k.y1 + (r - 1) * k.step;
            EXPECT_EQ(TextAt(d, k.x, y), k.indexes[static_cast<std::size_t>(r - 1)]) << r;
            EXPECT_EQ(TextAt(d, k.x + (k.style == 1 ? 6 : 7.8), y),
                      "change " + std::to_string(r + 2));
        }
        EXPECT_TRUE(d.Texts("change 2").empty());
    }
}

TEST_F(FrameTest, NoFrameDrawsNothingButSetsTheSheetKind) {
    NoFrame = true;
    const DxfDrawing d = DrawDxf([] {
        DrawFrame2(4, "a", "b", "c");
        EXPECT_EQ(DrawingKind, 2);
        DrawFrame("a", "b", "c");
    });
    EXPECT_TRUE(d.entities.empty()) << d.report;
}

TEST_F(FrameTest, TableColumnsEndAtTheFirstZeroWidth) {
    const DxfDrawing d = DrawDxf([] {
        auto t = TableBegin(0, 100, 5, {10, 20, 0, 30}, {"a", "b", "c", "d"});
        EXPECT_EQ(t->EdgeCount, 3);
        TableRow(*t, {"1", "2", "3", "4"});
        auto all = TableBegin(0, 50, 2, {1, 1, 1, 1, 1, 1, 1}, {});
        EXPECT_EQ(all->EdgeCount, 8);
    });
    EXPECT_TRUE(d.Texts(" c").empty());
    EXPECT_TRUE(d.Texts(" 3").empty());
    EXPECT_EQ(d.Texts(" 2").size(), 1u);
    EXPECT_EQ(d.Texts(" ").size(), 7u); // the seven empty header cells of the second table
}

// The screen picture of an A3 sheet with a hatched, dimensioned part (left in the build folder
// as sheet_screen.png for a look).
TEST_F(FrameTest, ScreenSheetOfAHatchedDimensionedPart) {
    Application->Initialize();
    ScreenWidth = 1240;
    ScreenHeight = 900;
    SetChanges(3);
    FrameOption = 2;
    TitleBlockOption = 0;
    CadOpenOutput(3);
    BeginSheet(3);
    CadWriteTables(0);
    CadBeginEntities();
    DrawFrame2(3, "Shaft", "QW-1002", "Section A-A");
    CadSetColour(0);
    CadRectangle(60, 120, 300, 200);
    HatchClear();
    HatchAddPoint(300, 200);
    HatchAddPoint(100, 200);
    HatchAddPoint(100, 120);
    HatchAddPoint(200, 120);
    FreehandLine(true, 200, 120, 220, 200, 3);
    Hatch(0, 4, 45);
    CadDimensionA("200", "0.1", "-0.1", 100, 200, 300, 200, 220);
    CadDimensionB("80", "", "-0.05", 60, 120, 60, 200, 45);
    CadDimensionA("6", "", "", 60, 120, 66, 120, 105);
    auto table = TableBegin(30, 285, 3.5L, {27, 9, 9}, {"measurement", "premach.", "fin."});
    TableRow(*table, {"span", "12.345", "12.300"});
    TableRow(*table, {"balls", "30.150", "30.120"});
    TableRow(*table, {"pins", "", "29.870"});
    CadEndSection();
    CadCloseOutput();
    EXPECT_EQ(ErrorCount, 0);
    EXPECT_EQ(AbortFlag, 0);
    // Hatch lines 4 apart (5.66 along y) across a part 200 wide: the lines at 45 degrees.
    int hatch = 0;
    for (const auto& r : RecordsOf(4)) {
        double x1, y1, x2, y2;
        if (std::sscanf(r.c_str(), "4;%lf;%lf;%lf;%lf", &x1, &y1, &x2, &y2) == 4)
            hatch += std::fabs(std::fabs(x2 - x1) - std::fabs(y2 - y1)) < 1e-3 && x1 != x2;
    }
    EXPECT_GE(hatch, 30);
    EXPECT_LE(hatch, 36);
    const std::string png = std::string(QOR_BINARY_DIR) + "/sheet_screen.png";
    ASSERT_TRUE(TFkelmgra::SaveDrawingPicture(png));
    int status = -1;
    const std::string ink = RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                                           "/tests/drawings/png_ink.py '" + png + "' 2>&1",
                                       status);
    ASSERT_EQ(status, 0) << ink;
    EXPECT_GT(std::stol(ink), 20000) << ink;
}

} // namespace
