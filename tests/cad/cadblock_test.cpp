// Screen blocks: block files, the read-back through the insert transform, nesting, the cache,
// and what closing the screen output deletes. Expected records were worked out by hand from the
// insert transform (x' = X + sx x cos a - sy y sin a, y' = Y + sx x sin a + sy y cos a).

#include "cad_testutil.h"

#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "framework/core/files.h"
#include "framework/core/maths.h"
#include "framework/core/text.h"

using namespace cadtest;

namespace {

// A record's fields as numbers, compared within 1e-6.
void ExpectRecord(const std::string& record, const std::vector<double>& expected) {
    std::vector<double> got;
    std::size_t start = 0;
    for (;;) {
        const auto semi = record.find(';', start);
        got.push_back(std::stod(record.substr(start, semi - start)));
        if (semi == std::string::npos) break;
        start = semi + 1;
    }
    ASSERT_EQ(got.size(), expected.size()) << record;
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_NEAR(got[i], expected[i], 1e-6) << record;
}

class ScreenBlockTest : public CadTest {
protected:
    void DefineBlock(const std::string& name, const std::function<void()>& body) {
        CadBeginBlocksSection();
        CadBeginBlock(name);
        body();
        CadEndBlock();
        CadEndSection();
    }
};

TEST_F(ScreenBlockTest, RotatedScaledInsertOfALine) {
    CadOpenOutput(3);
    DefineBlock("ROT", [] { CadLine(0, 0, 1, 0); });
    CadBeginEntities();
    DisplayList->Clear();
    CadInsertBlock("rot", 10, 0, 90, 2, 1); // other letter case, same block
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(RecordsOf(4), std::vector<std::string>{"4;10;0;10;2"});
    CadEndSection();
    CadCloseOutput();
}

TEST_F(ScreenBlockTest, BlockFileIsBareEntitiesInUtf8) {
    CadOpenOutput(3);
    CadBeginBlocksSection();
    CadBeginBlock("TXT");
    CadSetColour(2);
    CadSetTextSize(2, 0, 2.5L, 0);
    const std::string text = "Ma\u00DF \u00D820 \u00B10,1 45\u00B0 \u00C4rger \u00BD";
    CadText(text, 1, 2);
    CadEndBlock();
    const std::string file = CadBlockFileName("TXT");
    const std::string b = ReadFileBytes(file);
    EXPECT_EQ(b.rfind("  0\r\nTEXT\r\n  8\r\n2\r\n", 0), 0u) << b;
    EXPECT_NE(b.find("  1\r\n" + text + "\r\n"), std::string::npos);
    EXPECT_EQ(b.substr(b.size() - 10), "  0\r\nEOF\r\n");
    EXPECT_EQ(b.find("SECTION"), std::string::npos);
    CadEndSection();
    // The read-back shows the character itself.
    CadBeginEntities();
    CadInsertBlock("TXT", 0, 0, 0, 1, 1);
    const auto texts = RecordsOf(6);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "6;1;2;" + text);
    CadCloseOutput();
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(ScreenBlockTest, UndefinedBlockReportsAndSetsAbortFlag) {
    CadOpenOutput(3);
    CadBeginEntities();
    CadInsertBlock("NOSUCH", 0, 0, 0, 1, 1);
    EXPECT_EQ(AbortFlag, 1);
    ASSERT_GE(ErrorCount, 1);
    EXPECT_EQ(ErrorList[1], "Invalid temp directory");
    EXPECT_TRUE(RecordsOf(4).empty());
}

TEST_F(ScreenBlockTest, NestingBeyondFourLevelsStopsTheInsertWithoutEndingTheProgram) {
    CadOpenOutput(3);
    CadBeginBlocksSection();
    for (int i = 1; i <= 6; ++i) {
        CadBeginBlock("B" + std::to_string(i));
        CadLine(0, 0, i, 0);
        if (i < 6) CadInsertBlock("B" + std::to_string(i + 1), 0, 0, 0, 1, 1);
        CadEndBlock();
    }
    CadBeginBlock("LOOP");
    CadInsertBlock("loop", 1, 0, 0, 1, 1);
    CadEndBlock();
    CadEndSection();
    CadBeginEntities();
    DisplayList->Clear();
    CadInsertBlock("B3", 0, 0, 0, 1, 1); // B3 .. B6: four levels, fine
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(RecordsOf(4).size(), 4u);
    EXPECT_TRUE(responder_.Messages.empty());

    DisplayList->Clear();
    CadInsertBlock("B1", 0, 0, 0, 1, 1);
    EXPECT_EQ(AbortFlag, 1);
    ASSERT_EQ(responder_.Messages.size(), 1u);
    EXPECT_EQ(responder_.Messages[0], "error blockno.5");
    EXPECT_EQ(RecordsOf(4).size(), 4u); // levels 1..4 drew their lines
    EXPECT_EQ(CadBlockNesting, 0);
    EXPECT_EQ(CadInsertX, 0);

    AbortFlag = 0;
    responder_.Messages.clear();
    CadInsertBlock("LOOP", 0, 0, 0, 1, 1); // a block that inserts itself
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(responder_.Messages, std::vector<std::string>{"error blockno.5"});
}

TEST_F(ScreenBlockTest, UserLogoFilesSurviveTheScreenOutput) {
    const std::string logo2 = Path("$LOGO_2.dx$");
    const std::string logo1 = Path("$logo_1.dx$");
    const std::string logo3 = Path("$LOGO_3.dx$");
    const std::string logoBytes =
        "  0\r\nLINE\r\n  8\r\n0\r\n 10\r\n0\r\n 20\r\n0\r\n 11\r\n480\r\n"
        " 21\r\n0\r\n  0\r\nEOF\r\n";
    WriteFileBytes(logo2, logoBytes);
    WriteFileBytes(logo1, logoBytes);
    WriteFileBytes(logo3, logoBytes);
    CadOpenOutput(3);
    CadBeginDrawing(0, 0, 480, 360);
    DefineBlock("RAD1", [] { CadCircle(0, 0, 5); });
    CadBeginEntities();
    CadInsertBlock("RAD1", 0, 0, 0, 1, 1);
    CadEndSection();
    EXPECT_TRUE(std::filesystem::exists(CadBlockFileName("RAD1")));
    // The logos were inserted at their places, scaled to the drawing (480 x 360: scale 1).
    const auto lines = RecordsOf(4);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "4;436.8;3.6;916.8;3.6"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "4;436.8;345.6;916.8;345.6"), lines.end());
    CadCloseOutput();
    EXPECT_TRUE(std::filesystem::exists(logo2));
    EXPECT_TRUE(std::filesystem::exists(logo1));
    EXPECT_TRUE(std::filesystem::exists(logo3));
    EXPECT_EQ(ReadFileBytes(logo2), logoBytes);
    EXPECT_FALSE(std::filesystem::exists(CadBlockFileName("RAD1")));
    EXPECT_FALSE(std::filesystem::exists(CadBlockDir()));
}

TEST_F(ScreenBlockTest, ABlockIsReadOncePerDrawingWithTheSameOutput) {
    CadOpenOutput(3);
    DefineBlock("EVOLV2", [] {
        CadSetColour(1);
        CadArc(0, 10, 200, 340, 3);
        CadLine(-1, 7, 1, 7);
        CadSetTextSize(2, 10, 2, 1.5L);
        CadText("z", 0, 12);
    });
    CadBeginEntities();
    DisplayList->Clear();
    // The window records a colour or style only when it changes: start both runs alike.
    auto resetWindowState = [] {
        TFkelmgra::CurrentColour = -1;
        TFkelmgra::CurrentLineStyle = 99;
        TFkelmgra::CurrentLineWidth = 0;
    };
    resetWindowState();
    for (int k = 0; k < 20; ++k)
        CadInsertBlock("EVOLV2", 0, 0, k * 18.0L, 1, 1);
    EXPECT_EQ(CadBlockFilesParsed(), 1);
    const auto cached = Records();
    DisplayList->Clear();
    resetWindowState();
    for (int k = 0; k < 20; ++k) {
        CadClearBlockCache();
        CadInsertBlock("EVOLV2", 0, 0, k * 18.0L, 1, 1);
    }
    EXPECT_EQ(Records(), cached);
    // A new definition of the block is read again.
    DefineBlock("evolv2", [] { CadLine(0, 0, 3, 0); });
    CadBeginEntities();
    DisplayList->Clear();
    CadInsertBlock("EVOLV2", 0, 0, 0, 1, 1);
    EXPECT_EQ(RecordsOf(4), std::vector<std::string>{"4;0;0;3;0"});
    CadCloseOutput();
}

TEST_F(ScreenBlockTest, TextsComeBackWithoutOriginAlignmentOrASecondFactor) {
    CadTextFactor = 2;
    CadOpenOutput(3);
    CadBeginBlocksSection();
    CadBeginBlock("T");
    CadSetTextSize(2, 0, 2, 2); // width factor 2 x 2 / 2 = 2
    CadText("ab", 1, 1);
    CadEndBlock();
    CadBeginBlock("L");
    CadLine(0, 0, 1, 0);
    CadEndBlock();
    CadEndSection();
    CadBeginEntities();
    CadSetOrigin(100, 100);
    CadSetTextAlign(1, 1);
    DisplayList->Clear();
    CadInsertBlock("T", 10, 0, 0, 1, 1);
    EXPECT_EQ(RecordsOf(6), std::vector<std::string>{"6;11;1;ab"});
    EXPECT_EQ(CadTextWidthFactor, 2);
    // The caller's origin and alignment are back.
    EXPECT_EQ(CadOriginX, 100);
    EXPECT_EQ(CadTextAlignH, 1);
    // The insert itself ignores the origin.
    DisplayList->Clear();
    CadInsertBlock("L", 5, 5, 0, 1, 1);
    EXPECT_EQ(RecordsOf(4), std::vector<std::string>{"4;5;5;6;5"});
    CadCloseOutput();
}

TEST_F(ScreenBlockTest, NestedRotationsAddUp) {
    CadOpenOutput(3);
    CadBeginBlocksSection();
    CadBeginBlock("INNER");
    CadSetTextSize(2, 0, 4, 4);
    CadText("x", 0, 0);
    CadEndBlock();
    CadBeginBlock("OUTER");
    CadInsertBlock("INNER", 0, 0, 30, 1, 1);
    CadEndBlock();
    CadEndSection();
    CadBeginEntities();
    DisplayList->Clear();
    CadInsertBlock("OUTER", 0, 0, 60, 1, 1);
    const auto styles = RecordsOf(9);
    ASSERT_FALSE(styles.empty());
    // Height 4, width 4 x 1 x 0.95, font 2, angle 90.
    EXPECT_EQ(styles.back(), "9;4;3.8;2;90");
    CadCloseOutput();
}

TEST_F(ScreenBlockTest, ForeignBlockFilesAndTheirEntities) {
    LayerNames[5] = "SCHRAFFUR";
    EXPECT_EQ(LayerNumber("SCHRAFFUR"), 5);
    EXPECT_EQ(LayerNumber("21"), 21);
    EXPECT_EQ(LayerNumber("HATCH"), 0);
    // Written by another program: sections around the entities, a zero-radius arc, a closed
    // polyline, a polyline without vertices, a layer by name, comma decimals.
    const std::string file =
        "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n"
        "  0\r\nARC\r\n  8\r\n0\r\n 10\r\n0\r\n 20\r\n0\r\n 40\r\n0\r\n 50\r\n0\r\n 51\r\n90\r\n"
        "  0\r\nPOLYLINE\r\n  8\r\n0\r\n 66\r\n1\r\n 70\r\n1\r\n"
        "  0\r\nVERTEX\r\n  8\r\nSCHRAFFUR\r\n 10\r\n0\r\n 20\r\n0\r\n"
        "  0\r\nVERTEX\r\n  8\r\n21\r\n 10\r\n2\r\n 20\r\n0\r\n"
        "  0\r\nVERTEX\r\n  8\r\n0\r\n 10\r\n2\r\n 20\r\n2,5\r\n"
        "  0\r\nVERTEX\r\n  8\r\n0\r\n 10\r\n0\r\n 20\r\n2\r\n"
        "  0\r\nSEQEND\r\n  8\r\n0\r\n"
        "  0\r\nENDSEC\r\n"
        "  0\r\nPOLYLINE\r\n  8\r\n0\r\n 66\r\n1\r\n"
        "  0\r\nLINE\r\n  8\r\nfoo\r\n 10\r\n9\r\n 20\r\n9\r\n 11\r\n8\r\n 21\r\n8\r\n"
        "  0\r\nCIRCLE\r\n  8\r\n0\r\n 10\r\n1\r\n 20\r\n1\r\n 40\r\n0.5\r\n"
        "  0\r\nEOF\r\n";
    WriteFileBytes(Path("$FOREIGN.dx$"), file);
    CadOpenOutput(3);
    CadBeginEntities();
    DisplayList->Clear();
    CadInsertBlock("foreign", 0, 0, 0, 1, 1);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_TRUE(RecordsOf(5).empty()); // the zero-radius arc
    EXPECT_EQ(RecordsOf(4), (std::vector<std::string>{"4;0;0;2;0", "4;2;0;2;2.5", "4;2;2.5;0;2",
                                                      "4;0;2;0;0", "4;9;9;8;8"}));
    EXPECT_EQ(RecordsOf(3), std::vector<std::string>{"3;1;1;0.5"});
    EXPECT_EQ(responder_.Messages, std::vector<std::string>{"Error in DXF File"});
    CadCloseOutput();
    EXPECT_TRUE(std::filesystem::exists(Path("$FOREIGN.dx$")));
}

TEST_F(ScreenBlockTest, PolylineArcsAndMirroredInserts) {
    // Bulge 1: a half circle from (0,0) to (2,0), counter-clockwise: centre (1,0), 180..360.
    const std::string file = "  0\r\nPOLYLINE\r\n  8\r\n0\r\n 66\r\n1\r\n"
                             "  0\r\nVERTEX\r\n  8\r\n0\r\n 10\r\n0\r\n 20\r\n0\r\n 42\r\n1\r\n"
                             "  0\r\nVERTEX\r\n  8\r\n0\r\n 10\r\n2\r\n 20\r\n0\r\n"
                             "  0\r\nSEQEND\r\n  8\r\n0\r\n"
                             "  0\r\nARC\r\n  8\r\n0\r\n 10\r\n5\r\n 20\r\n0\r\n 40\r\n1\r\n"
                             " 50\r\n0\r\n 51\r\n90\r\n  0\r\nEOF\r\n";
    WriteFileBytes(Path("$BULGE.dx$"), file);
    CadOpenOutput(3);
    CadBeginEntities();
    DisplayList->Clear();
    CadInsertBlock("BULGE", 0, 0, 0, 1, 1);
    auto arcs = RecordsOf(5);
    ASSERT_EQ(arcs.size(), 2u);
    // Arc records hold the bounding square and the end points: centre (1,0), r 1, from
    // (0,0) to (2,0).
    ExpectRecord(arcs[0], {5, 0, -1, 2, 1, 0, 0, 2, 0});
    // Mirrored about the y axis: the quarter arc 0..90 at (5,0) becomes 90..180 at (-5,0).
    DisplayList->Clear();
    CadInsertBlock("BULGE", 0, 0, 0, -1, 1);
    arcs = RecordsOf(5);
    ASSERT_EQ(arcs.size(), 2u);
    ExpectRecord(arcs[1], {5, -6, -1, -4, 1, -5, 1, -6, 0});
    CadCloseOutput();
}

TEST_F(ScreenBlockTest, BlockFileThatCannotBeWrittenIsReported) {
    // A plain file where the directory should be: nobody can create the block directory.
    WriteFileBytes(Path("plainfile"), "x");
    TempDir = Path("plainfile");
    CadOpenOutput(3);
    CadBeginBlocksSection();
    CadBeginBlock("X");
    EXPECT_EQ(AbortFlag, 1);
    CadLine(0, 0, 1, 1);
    CadEndBlock();
    EXPECT_EQ(AbortFlag, 0);
    CadEndSection();
    EXPECT_EQ(responder_.Messages.size(), 1u);
    CadBeginEntities();
    CadInsertBlock("X", 0, 0, 0, 1, 1);
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(ErrorList[1], "Invalid temp directory");
}

} // namespace

namespace {

class DrawingHeadTest : public CadTest {};

TEST_F(DrawingHeadTest, ScreenFooterAndExtentsFrame) {
    const ClockReading clock{2026, 3, 9, 14, 5, 7, 0};
    SetClockForTesting(&clock);
    const std::string head =
        DateString() + " " + TimeString() + " - KELMORA " + ProductTitle + " V" + VersionCode.str();
    // The job's file as the frames name it: a job named on the command line keeps its name.
    const struct {
        std::uint8_t archive;
        const char *dir, *name, *shown;
    } jobs[] = {{1, "", "spur.q1w", "spur.q1w"}, {1, "", "/x/helical.q1w", "/x/helical.q1w"}};
    for (const auto& j : jobs) {
        ArchiveMode = j.archive;
        DataDir = j.dir;
        DataFileName = j.name;
        CadOpenOutput(3);
        DisplayList->Clear();
        CadBeginDrawing(0, 0, 420, 297);
        EXPECT_TRUE(Contains(Records(), "6;2.1;0.594;" + head + " - " + j.shown))
            << Joined(Records());
        CadCloseOutput();
    }
    ArchiveMode = 0;
    DataFileName = "gear";
    DataDir = "/data/jobs";
    PrintBorder = 1;
    CadOpenOutput(3);
    DisplayList->Clear();
    CadBeginDrawing(0, 0, 420, 297);
    const auto r = Records();
    const std::string footer = head + " - /data/jobs/gear." + DataFileExt.str();
    SetClockForTesting(nullptr);
    EXPECT_TRUE(Contains(r, "6;2.1;0.594;" + footer)) << Joined(r);
    // Readable on the screen: at least 9.6 pixels high there (a sheet of 420 x 297 on the 640 x
    // 480 virtual screen would give 0.006 x 297 mm, 4 pixels), in the proportions 4 : 3.
    const long double h = 6 / ScaleY;
    double height = 0, width = 0;
    for (const std::string& l : r)
        if (l.rfind("9;", 0) == 0) std::sscanf(l.c_str(), "9;%lf;%lf", &height, &width);
    EXPECT_NEAR(height, static_cast<double>(h), 1e-6) << Joined(r);
    EXPECT_NEAR(width / height, 0.75 * 0.95, 1e-6); // the writer's width factor 0.95
    EXPECT_TRUE(Contains(r, "4;0;0;0;297"));        // the frame around the limits
    EXPECT_TRUE(Contains(r, "4;420;0;0;0"));
    EXPECT_EQ(CadExtents.Width, 420);
    EXPECT_EQ(CadExtents.Height, 297);

    NoDrawingFooter = true;
    DisplayList->Clear();
    CadBeginDrawing(0, 0, 420, 297);
    for (const auto& l : Records())
        EXPECT_NE(l.rfind("6;", 0), 0u) << l;
    CadCloseOutput();
}

TEST_F(DrawingHeadTest, PlotFileCarriesTheFrameAmongItsEntities) {
    PrintBorder = 1;
    PlotLines[1] = "true";
    CadOpenOutput(4);
    CadBeginDrawing(0, 0, 100, 50);
    CadWriteTables(0);
    CadBeginEntities();
    CadEndSection();
    CadCloseOutput();
    const std::string b = ReadFileBytes(Path("kvilpen.dxf"));
    const auto entities = b.find("ENTITIES");
    const auto frame = b.find("  0\r\nLINE\r\n  8\r\n19\r\n");
    ASSERT_NE(frame, std::string::npos) << b;
    EXPECT_LT(entities, frame);
    EXPECT_LT(frame, b.find("ENDSEC", entities));
    int status = 0;
    const auto rep = EzdxfReport(Path("kvilpen.dxf"), status);
    EXPECT_TRUE(Contains(rep, "audit_errors 0")) << Joined(rep);
}

TEST_F(DrawingHeadTest, WholeDrawingOnTheScreen) {
    // Blocks with a bulged polyline (lines and arcs on the screen), rotated and scaled inserts,
    // texts, a full arc and solids.
    CadOpenOutput(3);
    CadBeginDrawing(0, 0, 420, 297);
    CadWriteTables(2);
    CadBeginBlocksSection();
    CadBeginBlock("RAD2");
    CadSetColour(1);
    CadBeginPolyline(0);
    CadVertex(0, 0, 0);
    CadVertex(10, 0, Pi / 2);
    CadVertex(10, 10, 0);
    CadEndPolyline();
    CadSetTextSize(2, 0, 3.5L, 0);
    CadText("Zahn", 1, 1);
    CadEndBlock();
    CadEndSection();
    CadBeginEntities();
    DisplayList->Clear();
    CadInsertBlock("rad2", 100, 50, 90, 2, 2);
    CadArc(200, 100, 0, 360, 25);
    CadSolid(0, 0, 10, 0, 0, 10, 10, 10);
    CadEndSection();
    EXPECT_EQ(AbortFlag, 0);
    const auto r = Records();
    // The straight vertex segment (0,0)-(10,0) rotated by 90 and doubled: (100,50)-(100,70).
    EXPECT_TRUE(Contains(r, "4;100;50;100;70")) << Joined(r);
    EXPECT_TRUE(Contains(r, "6;98;52;Zahn")) << Joined(r);
    int arcs = 0, circles = 0, solids = 0;
    for (const auto& l : r) {
        arcs += l.rfind("5;", 0) == 0;
        circles += l.rfind("3;", 0) == 0;
        solids += l.rfind("7;", 0) == 0;
    }
    EXPECT_EQ(arcs, 1);    // the bulged segment
    EXPECT_EQ(circles, 1); // the full arc
    EXPECT_EQ(solids, 1);
    const std::string blockFile = CadBlockFileName("RAD2");
    EXPECT_TRUE(std::filesystem::exists(blockFile));
    CadCloseOutput();
    EXPECT_FALSE(std::filesystem::exists(blockFile));
}

} // namespace

namespace {

class StaleBlockDirTest : public CadTest {};

TEST_F(StaleBlockDirTest, BlockFilesOfEndedRunsAreRemovedAndNothingElse) {
    // A process id that is surely gone: a child that has ended and been waited for.
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    int st = 0;
    ::waitpid(child, &st, 0);
    std::string own = DelBackslash(CadBlockDir());
    const std::string prefix = own.substr(0, own.rfind('-') + 1);
    const std::string stale = prefix + std::to_string(child);
    const std::string kept = prefix + "1"; // init: alive
    std::filesystem::create_directories(stale);
    std::filesystem::create_directories(kept);
    WriteFileBytes(stale + "/$RAD1.dx$", "  0\r\nEOF\r\n");
    WriteFileBytes(kept + "/$RAD1.dx$", "  0\r\nEOF\r\n");
    WriteFileBytes(Path("$LOGO_2.dx$"), "  0\r\nEOF\r\n");
    CadOpenOutput(3);
    CadBeginBlocksSection();
    CadBeginBlock("A");
    CadEndBlock();
    CadEndSection();
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(kept + "/$RAD1.dx$"));
    EXPECT_TRUE(std::filesystem::exists(Path("$LOGO_2.dx$")));
    CadCloseOutput();
}

} // namespace
