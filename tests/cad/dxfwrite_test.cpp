// The DXF writer: number texts against an exact decimal reference, group layout, and whole
// drawings read back by an independent DXF reader (python3-ezdxf).

#include "cad_testutil.h"

#include <cmath>
#include <random>
#include <set>

#include "framework/core/files.h"
#include "framework/core/maths.h"
#include "framework/core/text.h"

using namespace cadtest;

namespace {

class DxfWriterTest : public CadTest {};

// A drawing with every kind of entity, blocks with a bulged polyline and rotated, scaled
// inserts, as drawing routines make it.
void ScriptedDrawing() {
    CadBeginDrawing(0, 0, 420, 297);
    CadWriteTables(2);
    CadBeginBlocksSection();
    CadBeginBlock("RAD2");
    CadSetColour(1);
    CadBeginPolyline(0);
    CadVertex(0, 0, 0);
    CadVertex(10, 0, Pi / 2);   // quarter arc to the next vertex
    CadVertex(10, 10, -Pi / 3); // clockwise arc
    CadVertex(0, 10, 0);
    CadEndPolyline();
    CadSetColour(0);
    CadLine(0, 0, 5, 5);
    CadSetTextSize(2, 0, 3.5L, 0);
    CadText("Zahn", 1, 1);
    CadEndBlock();
    CadBeginBlock("frame_1");
    CadSetColour(20);
    CadRectangle(0, 0, 100, 50);
    CadEndBlock();
    CadEndSection();
    CadBeginEntities();
    CadInsertBlock("rad2", 100, 50, 30, 2, 1.5L);
    CadInsertBlock("frame_1", 0, 0, 0, 1, 1);
    CadSetColour(3);
    CadSetTextSize(2, 15, 5, 5);
    CadText("Modul 2,5", 20, 30);
    CadSetColour(2);
    CadArc(200, 100, 0, 360, 25);
    CadArc(200, 100, 45, 135, 30);
    CadSetColour(5);
    CadSolid(0, 0, 10, 0, 0, 10, 10, 10);
    CadSetColour(4);
    CadCircle(300, 200, 12.5L);
    CadEndSection();
    CadCloseOutput();
}

TEST_F(DxfWriterTest, ScriptedDrawingReadsCleanlyWithEzdxf) {
    LayerNames[1] = "MITTE";
    LayerColours[1] = 4;
    LayerNames[2] = "VERDECKT";
    LayerColours[2] = 6;
    LayerNames[3] = "MASSE";
    LayerNames[5] = "SCHRAFFUR";
    LayerColours[5] = 7;
    ColourTable[20] = 9;
    OpenDxf("scripted");
    ASSERT_EQ(AbortFlag, 0);
    ScriptedDrawing();
    ASSERT_EQ(AbortFlag, 0);
    int status = 0;
    const auto rep = EzdxfReport(Path("scripted.dxf"), status);
    ASSERT_EQ(status, 0) << Joined(rep);
    EXPECT_TRUE(Contains(rep, "audit_errors 0")) << Joined(rep);
    // Layers as configured, with their line types; set 2 adds 16..31 from the colour table.
    EXPECT_TRUE(Contains(rep, "layer 0 1 CONTINUOUS")) << Joined(rep);
    EXPECT_TRUE(Contains(rep, "layer MITTE 4 DASHDOT"));
    EXPECT_TRUE(Contains(rep, "layer VERDECKT 6 DASHED"));
    EXPECT_TRUE(Contains(rep, "layer MASSE 2 CONTINUOUS"));
    EXPECT_TRUE(Contains(rep, "layer SCHRAFFUR 7 CONTINUOUS"));
    EXPECT_TRUE(Contains(rep, "layer 20 9 CONTINUOUS"));
    EXPECT_TRUE(Contains(rep, "layer 31 16 CONTINUOUS"));
    EXPECT_TRUE(Contains(rep, "style STANDARD TXT8"));
    EXPECT_TRUE(Contains(rep, "ltype DASHDOT"));
    // The block with its bulged polyline: bulge = tan(angle / 4).
    EXPECT_TRUE(Contains(rep, "entity RAD2 POLYLINE MITTE open 4 0.000000 0.000000 0.000000 "
                              "10.000000 0.000000 0.414214 10.000000 10.000000 -0.267949 "
                              "0.000000 10.000000 0.000000"))
        << Joined(rep);
    EXPECT_TRUE(Contains(rep, "entity RAD2 LINE 0 0.000000 0.000000 5.000000 5.000000"));
    EXPECT_TRUE(Contains(rep, "entity RAD2 TEXT 0 'Zahn' 1.000000 1.000000 3.500000 0.700000 "
                              "0.000000 STANDARD"));
    EXPECT_TRUE(Contains(rep, "entity frame_1 LINE 20 0.000000 0.000000 0.000000 50.000000"));
    // Inserts keep place, scales and rotation (and the layer set last, in the block); the name
    // is the block's as defined, whatever the letter case of the insert.
    EXPECT_TRUE(Contains(rep, "entity model INSERT 20 RAD2 100.000000 50.000000 2.000000 "
                              "1.500000 30.000000"))
        << Joined(rep);
    EXPECT_TRUE(Contains(rep, "entity model TEXT MASSE 'Modul 2,5' 20.000000 30.000000 "
                              "5.000000 1.000000 15.000000 STANDARD"));
    // 0..360 is a circle; other arcs stay arcs.
    EXPECT_TRUE(Contains(rep, "entity model CIRCLE VERDECKT 200.000000 100.000000 25.000000"));
    EXPECT_TRUE(Contains(rep, "entity model ARC VERDECKT 200.000000 100.000000 30.000000 "
                              "45.000000 135.000000"));
    EXPECT_TRUE(Contains(rep, "entity model SOLID SCHRAFFUR 0.000000 0.000000 10.000000 "
                              "0.000000 0.000000 10.000000 10.000000 10.000000"));
    EXPECT_TRUE(Contains(rep, "entity model CIRCLE 4 300.000000 200.000000 12.500000"));
    // The head names what the drawing covers, not the sheet it was given: the rotated block at
    // (100, 50) reaches below y = 50 and the circle at (300, 200) ends at x 312.5.
    EXPECT_TRUE(Contains(rep, "extmax 312.500000 212.500000")) << Joined(rep);
    EXPECT_TRUE(Contains(rep, "extmin 0.000000 0.000000")) << Joined(rep);
}

TEST_F(DxfWriterTest, FreshStartLayersAndMonochrome) {
    OpenDxf("fresh");
    CadBeginDrawing(0, 0, 100, 100);
    CadWriteTables(0);
    CadBeginEntities();
    CadLine(0, 0, 1, 1);
    CadEndSection();
    CadCloseOutput();
    int status = 0;
    auto rep = EzdxfReport(Path("fresh.dxf"), status);
    ASSERT_EQ(status, 0) << Joined(rep);
    EXPECT_TRUE(Contains(rep, "audit_errors 0")) << Joined(rep);
    const char* expected[] = {"layer 0 1 CONTINUOUS", "layer 1 2 DASHDOT",
                              "layer 2 2 DASHED",     "layer 3 2 CONTINUOUS",
                              "layer 4 3 CONTINUOUS", "layer 5 1 CONTINUOUS"};
    for (const char* l : expected)
        EXPECT_TRUE(Contains(rep, l)) << l << "\n" << Joined(rep);

    LayerMonochrome = true;
    LayerNames[0] = "IGNORED"; // layer 0 is always "0"
    OpenDxf("mono");
    CadBeginDrawing(0, 0, 100, 100);
    CadWriteTables(1);
    CadBeginEntities();
    CadSetColour(0);
    CadLine(0, 0, 1, 1);
    CadEndSection();
    CadCloseOutput();
    rep = EzdxfReport(Path("mono.dxf"), status);
    ASSERT_EQ(status, 0) << Joined(rep);
    int layers = 0;
    for (const auto& l : rep)
        if (l.rfind("layer ", 0) == 0 && l.find("CONTINUOUS") != std::string::npos) {
            ++layers;
            EXPECT_NE(l.find(" 1 CONTINUOUS"), std::string::npos) << l;
        }
    EXPECT_GE(layers, 16);
    EXPECT_TRUE(Contains(rep, "entity model LINE 0 0.000000 0.000000 1.000000 1.000000"));
}

TEST_F(DxfWriterTest, DecimalsFollowTheSettingAndAlwaysUseAPoint) {
    CadDecimals = 3;
    DecimalSign = 2;
    OpenDxf("decimals");
    CadBeginEntities();
    CadLine(12.5L, -3, 0.0004L, -0.0004L);
    CadEndSection();
    CadCloseOutput();
    const std::string bytes = ReadFileBytes(Path("decimals.dxf"));
    EXPECT_NE(bytes.find("  0\r\nLINE\r\n  8\r\n0\r\n 10\r\n12.500\r\n 20\r\n-3.000\r\n 11\r\n"
                         "0.000\r\n 21\r\n0.000\r\n"),
              std::string::npos)
        << bytes;
    EXPECT_EQ(bytes.find(','), std::string::npos);
    EXPECT_EQ(bytes.substr(bytes.size() - 10), "  0\r\nEOF\r\n");
}

TEST_F(DxfWriterTest, GroupLayoutOfTextsPolylinesAndArcs) {
    OpenDxf("layout");
    CadBeginEntities();
    CadSetTextSize(2, 0, 5, 0); // width factor 0.7
    CadText("a\tb\r\nc", 1, 2);
    CadBeginPolyline(0);
    CadVertex(0, 0, 0);
    CadVertex(1, 0, 0);
    CadEndPolyline();
    CadArc(0, 0, 360, 0, 1);
    CadArc(0, 0, 12, 12, 1);
    CadArc(0, 0, 0, 359.999995L, 1);
    CadArc(0, 0, 0, 359.9999L, 1);
    CadEndSection();
    CadCloseOutput();
    const std::string b = ReadFileBytes(Path("layout.dxf"));
    EXPECT_NE(b.find("  0\r\nTEXT\r\n  8\r\n0\r\n 10\r\n1.000000\r\n 20\r\n2.000000\r\n 40\r\n"
                     "5.000000\r\n  1\r\na b  c\r\n  7\r\nSTANDARD\r\n 41\r\n0.7\r\n 50\r\n0\r\n"
                     " 51\r\n0\r\n"),
              std::string::npos)
        << b;
    // No 70 for flags 0, no 42 for straight segments.
    EXPECT_NE(b.find("  0\r\nPOLYLINE\r\n  8\r\n0\r\n 66\r\n1\r\n  0\r\nVERTEX\r\n"),
              std::string::npos);
    EXPECT_NE(b.find("  0\r\nVERTEX\r\n  8\r\n0\r\n 10\r\n1.000000\r\n 20\r\n0.000000\r\n"
                     "  0\r\nSEQEND\r\n  8\r\n0\r\n"),
              std::string::npos);
    std::size_t circles = 0;
    for (std::size_t p = b.find("CIRCLE"); p != std::string::npos; p = b.find("CIRCLE", p + 1))
        ++circles;
    EXPECT_EQ(circles, 3u);
    EXPECT_NE(b.find("  0\r\nARC\r\n"), std::string::npos);
    EXPECT_NE(b.find(" 51\r\n359.999900\r\n"), std::string::npos);
    int status = 0;
    const auto rep = EzdxfReport(Path("layout.dxf"), status);
    ASSERT_EQ(status, 0) << Joined(rep);
    EXPECT_TRUE(Contains(rep, "audit_errors 0")) << Joined(rep);
}

TEST_F(DxfWriterTest, TextFormsOfTheTextEntity) {
    DecimalSign = 2;
    EXPECT_EQ(FloatToStrSig3Dot(0.7L), "0.7");
    EXPECT_EQ(FloatToStrSig3Dot(0), "0");
    const std::string comma = FloatToStrSig3(12.345L);
    EXPECT_NE(comma.find(','), std::string::npos);
    std::string dot = comma;
    dot[dot.find(',')] = '.';
    EXPECT_EQ(FloatToStrSig3Dot(12.345L), dot);
    EXPECT_EQ(DecimalSign, 2); // restored
    EXPECT_EQ(WithoutControlChars("a\tb\nc\x7f"), "a b c ");
    EXPECT_EQ(LayerNameOf(0), "0");
    EXPECT_EQ(LayerNameOf(3), "3");
    EXPECT_EQ(LayerNameOf(21), "21");
    EXPECT_NEAR(static_cast<double>(DxfBulge(Pi)), 1.0, 1e-15);
    EXPECT_TRUE(IsFullCircle(0, 359.999995L));
    EXPECT_FALSE(IsFullCircle(0, 359.9999L));
}

TEST_F(DxfWriterTest, FixedTextMatchesExactDecimalRounding) {
    struct Case {
        long double x;
        int d;
    };
    std::vector<Case> cases = {{0.25L, 1},      {0.125L, 2},
                               {-0.125L, 2},    {2.5L, 0},
                               {-2.5L, 0},      {0.0625L, 3},
                               {1.5L, 6},       {-0.0000004L, 6},
                               {0, 6},          {-0.0L, 3},
                               {1e15L, 6},      {-123456789.987654321L, 6},
                               {1e300L, 2},     {5e-7L, 6},
                               {1.0000005L, 6}, {999999.9999995L, 6},
                               {0.5L, 0},       {1e-30L, 18},
                               {12.5L, 3},      {-3, 3},
                               {0.1L, 18},      {4503599627370495.5L, 0}};
    std::mt19937_64 rng(12345);
    std::uniform_real_distribution<double> mag(-12, 12);
    for (int i = 0; i < 3000; ++i) {
        const long double v = powl(10.0L, static_cast<long double>(mag(rng))) *
                              ((rng() & 1) != 0U ? -1 : 1) *
                              (1 + static_cast<long double>(rng() % 1000000) * 1e-19L);
        cases.push_back({v, static_cast<int>(rng() % 10)});
    }
    // Values a hair beside ties.
    for (int d = 0; d <= 8; ++d) {
        const long double tie = (0.5L + 3) / powl(10.0L, d);
        cases.push_back({nextafterl(tie, 0), d});
        cases.push_back({nextafterl(tie, 10), d});
    }
    std::string input;
    for (const Case& c : cases) {
        // The value exactly: a 64-bit integer mantissa and a power of two.
        int e = 0;
        const long double f = frexpl(c.x, &e);
        const auto m = static_cast<unsigned long long>(ldexpl(fabsl(f), 64));
        input += std::string(c.x < 0 ? "-" : "") + std::to_string(m) + " " +
                 std::to_string(e - 64) + " " + std::to_string(c.d) + "\n";
    }
    WriteFileBytes(Path("in.txt"), input);
    int status = 0;
    const std::string out = RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                                           "/tests/cad/fixed_ref.py < " + Path("in.txt"),
                                       status);
    ASSERT_EQ(status, 0);
    std::istringstream lines(out);
    std::string expected;
    for (const Case& c : cases) {
        ASSERT_TRUE(std::getline(lines, expected));
        EXPECT_EQ(FixedText(c.x, c.d), expected)
            << static_cast<double>(c.x) << " with " << c.d << " decimals";
    }
    EXPECT_EQ(FixedText(NAN, 3), "0.000");
    EXPECT_EQ(FixedText(INFINITY, 1), "0.0");
}

TEST_F(DxfWriterTest, UnfinishedDrawingNeverReplacesTheFile) {
    WriteFileBytes(Path("keep.dxf"), "old drawing");
    OpenDxf("keep");
    CadBeginEntities();
    CadLine(0, 0, 1, 1);
    // The routine stops without closing; the next drawing opens the output again.
    CadOpenOutput(3);
    EXPECT_EQ(ReadFileBytes(Path("keep.dxf")), "old drawing");
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1); // no temporary file left behind
}

// The save dialog proposes the job's name with the format's extension and a chosen name without
// that extension gets it, so no export lands on the job file (opened by its full path or not).
TEST_F(DxfWriterTest, SaveDialogChoosesTheFileAndAddsTheExtension) {
    DataFileExt = "q1w";
    const std::string job = Path("fm.q1w");
    struct Row {
        std::uint16_t code;
        std::string dataFile, proposed, chosen, written; // written "": asked, cancelled
    } rows[] = {
        {1, "gear", "gear.dxf", "chosen", "chosen.dxf"},
        {1, job, "fm.dxf", "fm.dxf", "fm.dxf"},     // Enter on the proposal
        {1, job, "fm.dxf", "fm.q1w", "fm.q1w.dxf"}, // the job's own name typed
        {2, "fm.Q1W", "fm.igs", "fm.q1w", "fm.q1w.igs"},
        {5, job, "fm.txt", "FM.TXT", "FM.TXT"},
        {5, job, "fm.txt", "fm.q1w", ""}, // fm.q1w.txt exists
        {1, "", "", "x.v2", "x.v2.dxf"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.chosen + " for " + r.dataFile);
        WriteFileBytes(job, "the job");
        WriteFileBytes(Path("fm.q1w.txt"), "kept");
        DataFileName = r.dataFile;
        std::string seen;
        responder_.Messages.clear();
        responder_.Dialog = [&](TCommonDialog& d) {
            auto& save = dynamic_cast<TSaveDialog&>(d);
            seen = save.Filter + " " + save.InitialDir + " " + save.FileName;
            save.Choose(Path(r.chosen));
            return true;
        };
        CadOpenOutput(r.code);
        const std::string ext = r.code == 1 ? "dxf" : r.code == 2 ? "igs" : "txt";
        EXPECT_EQ(seen,
                  "*." + ext + "|*." + ext + "|*.*|*.* " + AddBackslash(CadDir) + " " + r.proposed);
        EXPECT_EQ(responder_.Messages.size(), r.written.empty() ? 1u : 0u);
        EXPECT_EQ(CadFileName, r.written.empty() ? "" : Path(r.written));
        if (AbortFlag == 0) {
            CadBeginEntities();
            CadEndSection();
            CadCloseOutput();
            EXPECT_TRUE(std::filesystem::exists(Path(r.written)));
        }
        AbortFlag = 0;
        EXPECT_EQ(ReadFileBytes(job) + ReadFileBytes(Path("fm.q1w.txt")), "the jobkept");
    }

    responder_.Dialog = [](TCommonDialog&) { return false; };
    CadOpenOutput(1);
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_TRUE(CadFileName.empty());
}

} // namespace

namespace {

TEST_F(DxfWriterTest, NonFiniteCoordinatesFailTheDrawingAndEveryUsedLayerIsInTheTable) {
    // Every layer an entity names is in the LAYER table, whatever the set.
    for (int set : {0, 1, 2}) {
        LayerNames[3] = "MASSE";
        OpenDxf("layers" + std::to_string(set));
        CadBeginDrawing(0, 0, 100, 100);
        CadWriteTables(set);
        CadBeginEntities();
        for (int c : {0, 3, 7, 17, 19, 20, 21, 24, 25, 31, 47}) {
            CadSetColour(c);
            CadLine(c, 0, c, 1);
        }
        CadEndSection();
        CadCloseOutput();
        int status = 0;
        const auto rep = EzdxfReport(Path("layers" + std::to_string(set) + ".dxf"), status);
        ASSERT_EQ(status, 0) << Joined(rep);
        std::set<std::string> layers, used;
        for (const auto& l : rep) {
            std::istringstream in(l);
            std::string a, b, c, d;
            in >> a >> b >> c >> d;
            if (a == "layer") layers.insert(b);
            if (a == "entity" && c == "LINE") used.insert(d);
        }
        EXPECT_EQ(used.size(), 10u);
        for (const auto& u : used)
            EXPECT_EQ(layers.count(u), 1u) << "set " << set << ": layer " << u << " missing";
    }

    // A coordinate that is not a number: the file is not replaced and the drawing fails.
    WriteFileBytes(Path("nan.dxf"), "old drawing");
    OpenDxf("nan");
    CadBeginEntities();
    CadLine(0, 0, 1, 1);
    CadLine(0, NAN, 1, 1);
    CadCircle(INFINITY, 0, 1);
    CadEndSection();
    CadCloseOutput();
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(ReadFileBytes(Path("nan.dxf")), "old drawing");
    ASSERT_EQ(responder_.Messages.size(), 1u);
    EXPECT_NE(responder_.Messages[0].find("2 entities"), std::string::npos)
        << responder_.Messages[0];
    // On the screen the rest is drawn and the loss is reported.
    AbortFlag = 0;
    CadOpenOutput(3);
    DisplayList->Clear();
    CadLine(0, 0, 1, 1);
    CadLine(NAN, 0, 1, 1);
    CadCloseOutput();
    EXPECT_EQ(RecordsOf(4), std::vector<std::string>{"4;0;0;1;1"});
    ASSERT_EQ(responder_.Messages.size(), 2u);
    EXPECT_NE(responder_.Messages[1].find("1 entities"), std::string::npos);
}

} // namespace
