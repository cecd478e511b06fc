// The output layer: state operations, the screen's colours, line styles and widths, text
// placement, polylines as lines and arcs, the output choice, the plot program (code 4) and the
// writer interface of codes 2 and 5. Expected values were worked out by hand from the rules of
// the layer (alignment offsets, colour reduction, bulge = tan(angle / 4)).

#include "cad_testutil.h"

#include <chrono>
#include <cmath>
#include <thread>

#include "cad/cadwriter.h"
#include "framework/ui/dialogs.h"
#include "framework/core/files.h"
#include "framework/core/maths.h"
#include "framework/core/text.h"

using namespace cadtest;

namespace {

class CadOutputTest : public CadTest {};

TEST_F(CadOutputTest, StartValues) {
    CadOutputCode = 1;
    CadTextHeight = 9;
    InitCadVariables();
    EXPECT_EQ(CadOutputCode, 3);
    EXPECT_EQ(CadFileName, std::string(59, ' '));
    EXPECT_EQ(CurrentLayer, "0");
    EXPECT_EQ(CadTextHeight, 5.0L);
    EXPECT_TRUE(CadUsePolylines);
    EXPECT_EQ(CadExtents.XMax, 160);
    EXPECT_EQ(CadExtents.Height, 120);
    EXPECT_EQ(CadInsertScaleY, 1);
    EXPECT_EQ(CadTextFont, "TXT8");
    EXPECT_EQ(PlotLineCount, 1);
    EXPECT_EQ(PlotLines[1], "C:\\KVILPEN\\WKVILPEN KVILPEN.DXF /M1.0");
    EXPECT_TRUE(CadOutputEnabled());
    CadOutputCode = 0;
    EXPECT_TRUE(CadOutputEnabled());
}

TEST_F(CadOutputTest, TextSizeScaleAndColourReduction) {
    CadTextFactor = 1.25L;
    CadFontAngle = 15;
    CadSetTextSize(2, 30, 5, 0);
    EXPECT_EQ(CadTextWidthFactor, 0.7L * 1.25L);
    EXPECT_EQ(CadTextAngle, 30);
    EXPECT_EQ(CadTextOblique, 15);
    CadSetTextSize(2, 0, 4, 4);
    EXPECT_EQ(CadTextWidthFactor, 1.25L);
    CadSetTextSize(2, 0, 0, 3); // no height: no division by zero
    EXPECT_TRUE(std::isfinite(static_cast<double>(CadTextWidthFactor)));
    ConfiguredScaleFactor = 2;
    CadSetScale(1.5L);
    EXPECT_EQ(CadScale, 3);
    EXPECT_EQ(CadReduceColour(47), 31);
    EXPECT_EQ(CadReduceColour(32), 16);
    EXPECT_EQ(CadReduceColour(31), 31);
    EXPECT_EQ(CadReduceColour(5), 5);
}

TEST_F(CadOutputTest, ScreenColoursStylesAndWidths) {
    LayerColours[1] = 4; // pen 4 -> screen colour 11
    LineThickness[1] = 2;
    ColourTable[31] = 3; // pen 3 -> screen colour 10
    PenWidths[31] = 7;
    PenWidths[16] = 60; // outside 2..50: width 1
    CadOpenOutput(3);
    DisplayList->Clear();
    CadSetColour(1);
    CadLine(0, 0, 1, 0);
    EXPECT_EQ(Records(), (std::vector<std::string>{"11;2", "8;11", "12;2", "4;0;0;1;0"}));
    DisplayList->Clear();
    CadSetColour(2);
    EXPECT_EQ(RecordsOf(11), std::vector<std::string>{"11;3"});
    DisplayList->Clear();
    CadSetColour(47); // as 31
    EXPECT_EQ(Records(), (std::vector<std::string>{"11;0", "8;10", "12;7"}));
    DisplayList->Clear();
    CadSetColour(16);
    EXPECT_EQ(RecordsOf(12), std::vector<std::string>{"12;1"});
    EXPECT_EQ(CadCurrentColour, 16);

    // A file output gets the layer names instead.
    LayerNames[1] = "MITTE";
    OpenDxf("layers");
    CadSetColour(1);
    EXPECT_EQ(CurrentLayer, "MITTE");
    CadSetColour(40);
    EXPECT_EQ(CurrentLayer, "24");
    CadCloseOutput();
}

TEST_F(CadOutputTest, TextAlignmentAndLines) {
    CadOpenOutput(3);
    DisplayList->Clear();
    CadSetTextSize(2, 0, 5, 5);
    CadSetTextAlign(1, 0);
    CadText("abcd", 20, 0);
    CadSetTextAlign(2, 2);
    CadText("ab", 20, 10);
    CadSetTextAlign(0, 1);
    CadText("", 1, 1); // nothing
    CadSetOrigin(100, 50);
    CadText("x", 0, 0);
    EXPECT_EQ(RecordsOf(6), (std::vector<std::string>{"6;10;0;abcd", "6;10;5;ab", "6;100;47.5;x"}));

    DisplayList->Clear();
    CadSetOrigin(0, 0);
    CadSetTextAlign(0, 0);
    CadSetLineSpacing(2);
    CadMoveTo(0, 100);
    CadTextLine("one");
    CadTextLine("");
    CadTextLine("two");
    EXPECT_EQ(RecordsOf(6), (std::vector<std::string>{"6;0;100;one", "6;0;84;two"}));
    EXPECT_EQ(CadCurrentY, 100 - 2 * 16.0L);

    DisplayList->Clear();
    CadSetLineSpacing(1);
    CadMoveTo(0, 0);
    CadTextValueLine("a", 0.5L);
    CadTextValueLine("b", 0.0005L);
    CadTextValueLine("c", 12.34L);
    CadTextNumberLine("z", 17);
    const auto t = RecordsOf(6);
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[0].substr(t[0].rfind(';') + 1), "a = 0.500 mm");
    EXPECT_EQ(t[1].substr(t[1].rfind(';') + 1), "b = " + FloatToStrSig3(0.0005L) + " mm");
    EXPECT_EQ(t[2].substr(t[2].rfind(';') + 1), "c = " + FloatToStrSig3(12.34L) + " mm");
    EXPECT_EQ(t[3].substr(t[3].rfind(';') + 1), "z = " + FloatToStrSig3(17));
    // A text fitted into room from x (size 5/5, 0.75 of air; the screen draws widths 0.95): it stays, loses its blanks
    // before the first, is narrowed, then also made smaller about its middle, then cut.
    const struct {
        const char* text;
        long double room;
        const char* records;
    } within[] = {{"abc", 16, "6;0;0;abc"},
                  {"   ab", 15, "9;5;4.5125;2;0|6;0;0; ab|9;5;4.75;2;0"},
                  {"abcdefghij", 20, "9;3.2083333;1.82875;2;0|6;0;0.89583333;abcdefghij|9;5;4.75;2;0"},
                  {"abcdefghijklmnopqrst", 20, "9;3;1.71;2;0|6;0;1;abcdefghij|9;5;4.75;2;0"}};
    for (const auto& w : within) {
        CadSetTextSize(2, 0, 5, 5);
        DisplayList->Clear();
        CadTextWithin(w.text, 0, 0, w.room);
        std::string got;
        for (const std::string& r : Records())
            if (r[0] == '6' || r[0] == '9') got += (got.empty() ? "" : "|") + r;
        EXPECT_EQ(got, w.records) << w.text;
        EXPECT_EQ(CadTextHeight, 5);
    }
    UnitSystem = 1;
    DisplayList->Clear();
    CadTextValueLine("d", 25.4L);
    EXPECT_EQ(RecordsOf(6)[0].substr(RecordsOf(6)[0].rfind(';') + 1),
              "d = " + FloatToStrSigN(-1, 1) + " in");
}

TEST_F(CadOutputTest, RectanglesZeroArcsAndOrigin) {
    CadOpenOutput(3);
    DisplayList->Clear();
    CadSetOrigin(10, 20);
    CadRectangle(0, 0, 2, 1);
    CadArc(0, 0, 0, 90, 0);
    CadLineDX(1, 1, 3);
    CadLineDY(1, 1, -3);
    EXPECT_EQ(Records(),
              (std::vector<std::string>{"4;10;20;10;21", "4;10;21;12;21", "4;12;21;12;20",
                                        "4;12;20;10;20", "4;11;21;14;21", "4;11;21;11;18"}));
    EXPECT_EQ(CadCurrentX, 0);
    EXPECT_EQ(CadCurrentY, 0);
    // Opening resets origin, alignment, spacing and scale; the colour stays.
    CadSetColour(4);
    CadSetTextAlign(1, 1);
    CadOpenOutput(3);
    EXPECT_EQ(CadOriginX, 0);
    EXPECT_EQ(CadTextAlignH, 0);
    EXPECT_EQ(CadCurrentColour, 4);
}

TEST_F(CadOutputTest, PolylinesAsLinesAndArcs) {
    CadOpenOutput(3);
    DisplayList->Clear();
    CadBeginPolyline(0);
    CadVertex(0, 0, Pi); // half circle to (2, 0), counter-clockwise
    CadVertex(2, 0, 0);
    CadVertex(2, 2, 1); // bulge towards a point equal to this one: no arc exists
    CadVertex(2, 2, 0);
    CadEndPolyline();
    const auto r = Records();
    ASSERT_EQ(r.size(), 3u) << Joined(r);
    EXPECT_EQ(r[0].substr(0, 10), "5;0;-1;2;1");
    EXPECT_EQ(r[1], "4;2;0;2;2");
    EXPECT_EQ(r[2], "4;2;2;2;2"); // a straight (empty) segment, never an arc from garbage
    CadCloseOutput();

    // The DXF output with polylines off gets lines and arcs too.
    CadUsePolylines = false;
    OpenDxf("nopoly");
    CadBeginEntities();
    CadBeginPolyline(0);
    CadVertex(1, 0, Pi / 2); // quarter circle about the origin to (0, 1)
    CadVertex(0, 1, 0);
    CadVertex(0, 2, 0);
    CadEndPolyline();
    CadPolyline(0, 0, 0, 90, 10, 2, 1, 5);
    CadEndSection();
    CadCloseOutput();
    int status = 0;
    const auto rep = EzdxfReport(Path("nopoly.dxf"), status);
    ASSERT_EQ(status, 0) << Joined(rep);
    int lines = 0, arcs = 0, polylines = 0;
    for (const auto& l : rep) {
        lines += l.rfind("entity model LINE", 0) == 0;
        arcs += l.rfind("entity model ARC", 0) == 0;
        polylines += l.rfind("entity model POLYLINE", 0) == 0;
    }
    EXPECT_EQ(polylines, 0);
    EXPECT_EQ(arcs, 1);
    EXPECT_EQ(lines, 1 + 18); // the straight segment and the 19 points of the elliptic arc
    EXPECT_TRUE(Contains(rep, "entity model ARC 0 0.000000 0.000000 1.000000 0.000000 "
                              "90.000000"))
        << Joined(rep);
    EXPECT_TRUE(Contains(rep, "entity model LINE 0 1.743115 9.961947 0.000000 10.000000"))
        << Joined(rep);
}

TEST_F(CadOutputTest, ChoosingTheOutputAndThePlotLine) {
    // Code choice among five items (radio buttons), then the plot line among two stored ones,
    // then the line as text.
    CadPlotFormHook = nullptr; // the form comes later in this test
    PlotLineCount = 2;
    PlotLines[2] = "plot2 KVILPEN.DXF";
    std::vector<std::string> prompts;
    int step = 0;
    responder_.Form = [&](TForm& f) {
        prompts.push_back(Respond::Question(f));
        ++step;
        if (step == 1) {
            EXPECT_TRUE(Respond::Pick(f, "RadioGroup1", 3)); // item 4
            Respond::Press(f, "Button_ok");
        } else if (step == 2) {
            EXPECT_TRUE(Respond::Pick(f, "RadioGroup1", 1)); // line 2
            Respond::Press(f, "Button_ok");
        } else {
            EXPECT_TRUE(Respond::Type(f, "EditEinText", "myplot KVILPEN.DXF /M2"));
            Respond::Press(f, "Button_ok");
        }
    };
    CadSelectOutput();
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(CadOutputCode, 4);
    EXPECT_EQ(SelectedPlotLine, 2);
    EXPECT_EQ(PlotLines[2], "myplot KVILPEN.DXF /M2");
    EXPECT_EQ(PlotLines[1], "C:\\KVILPEN\\WKVILPEN KVILPEN.DXF /M1.0");
    ASSERT_EQ(prompts.size(), 3u);
    EXPECT_NE(prompts[0].find("CAD Code"), std::string::npos);
    EXPECT_NE(prompts[1].find("KVILPEN Command Line"), std::string::npos);
    EXPECT_NE(prompts[2].find("KVILPEN command line (0=Parameter)"), std::string::npos);

    // The plot program's form, when installed, comes before the text; cancelling it cancels.
    static bool formShown = false;
    CadPlotFormHook = [](std::string& line) {
        formShown = line == "myplot KVILPEN.DXF /M2";
        return false;
    };
    step = 0;
    CadSelectOutput();
    CadPlotFormHook = nullptr;
    EXPECT_TRUE(formShown);
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(PlotLines[2], "myplot KVILPEN.DXF /M2");
    AbortFlag = 0;

    // Cancel in the first question: nothing opened.
    responder_.Form = nullptr;
    CadOpenOutput(0);
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_TRUE(CurrentCadWriter()->Extension().empty()); // nothing opened
}

TEST_F(CadOutputTest, PlotProgramGetsTheDxfFile) {
    // The test "plot program": copies the file it is given, with its arguments, to a marker.
    const std::string script = Path("plot.sh");
    const std::string marker = Path("marker.txt");
    WriteFileBytes(script, "#!/bin/sh\n"
                           "test -f \"$1\" || exit 3\n"
                           "{ echo \"$1|$2\"; cat \"$1\"; } > \"" +
                               marker + ".tmp\" && mv \"" + marker + ".tmp\" \"" + marker + "\"\n");
    PlotLines[1] = "/bin/sh \"" + script + "\" KVILPEN.DXF /M1.0";
    SelectedPlotLine = 1;
    CadOpenOutput(4);
    ASSERT_EQ(AbortFlag, 0);
    EXPECT_EQ(CadFileName, AddBackslash(TempDir) + "kvilpen.dxf");
    CadBeginDrawing(0, 0, 100, 100);
    CadWriteTables(0);
    CadBeginEntities();
    CadLine(1, 2, 3, 4);
    CadEndSection();
    CadCloseOutput();
    EXPECT_TRUE(responder_.Messages.empty()) << Joined(responder_.Messages);
    // The program runs on its own; wait for its marker (never longer than a generous limit).
    for (int i = 0; i < 400 && !std::filesystem::exists(marker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    ASSERT_TRUE(std::filesystem::exists(marker));
    const std::string got = ReadFileBytes(marker);
    EXPECT_EQ(got.substr(0, got.find('\n')), CadFileName + "|/M1.0");
    EXPECT_NE(got.find("LINE\r\n"), std::string::npos);
    EXPECT_EQ(got.substr(got.size() - 10), "  0\r\nEOF\r\n");

    // A program that does not exist.
    PlotLines[1] = "no-such-plot-program-here KVILPEN.DXF";
    CadOpenOutput(4);
    CadCloseOutput();
    EXPECT_EQ(responder_.Messages, std::vector<std::string>{"file not found"});
    EXPECT_TRUE(std::filesystem::exists(CadFileName)); // the file stays for another try
}

// A writer that records its calls, standing for the IGES and TXT writers.
// A CAD file, its temporary file, the plot program or its script that fails names the cause in
// words; the drawing ends with nothing opened.
TEST_F(CadOutputTest, FileFailuresNameTheirCause) {
    const std::string notRunnable = Path("plot.txt"); // no execute permission, even for root
    WriteFileBytes(notRunnable, "#!/bin/sh\n");
    const struct {
        const char* name;
        std::uint16_t code;
        std::string job, temp, plotLine;
        bool atOpen; // else when the drawing is complete
        std::vector<std::string> said; // parts of the one message
    } cases[] = {
        {"folder missing", 1, Path("missing/dir/drawing"), "", "", true,
         {"file write error: " + Path("missing/dir/drawing.dxf"), "does not exist"}},
        {"name too long", 5, Path(std::string(300, 'n')), "", "", false,
         {"file write error: ", "the name is too long"}},
        {"temporary folder missing", 2, Path("drawing"), Path("no-temp"), "", true,
         {Path("no-temp/KELMIGES"), "does not exist"}},
        {"plot program not runnable", 4, "", "", notRunnable + " KVILPEN.DXF", false,
         {"Exec error: " + notRunnable + ": permission denied"}},
        {"plot program a folder", 4, "", "", dir_.string() + " KVILPEN.DXF", false,
         {"it is a folder"}},
    };
    const std::string temp = TempDir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        responder_.Messages.clear();
        AbortFlag = 0;
        TempDir = c.temp.empty() ? temp : c.temp;
        DataFileName = c.job;
        PlotLines[1] = c.plotLine;
        SelectedPlotLine = 1;
        CadBatchOutput = 1;
        CadOpenOutput(c.code);
        CadBatchOutput = 0;
        EXPECT_EQ(AbortFlag, c.atOpen ? 1 : 0);
        if (c.atOpen) {
            EXPECT_TRUE(CurrentCadWriter()->Extension().empty()); // nothing opened
        } else { // the plot program starts when the file is complete
            CadLine(1, 2, 3, 4);
            CadCloseOutput();
        }
        ASSERT_EQ(responder_.Messages.size(), 1u) << Joined(responder_.Messages);
        for (const std::string& part : c.said)
            EXPECT_NE(responder_.Messages[0].find(part), std::string::npos)
                << part << " in: " << responder_.Messages[0];
    }
    TempDir = temp;
}

class RecordingWriter : public TCadWriter {
public:
    static inline std::vector<std::string> Calls;
    static inline bool FailOpen = false;
    std::string Extension() const override { return "txt"; }
    bool Open(std::unique_ptr<TCadSink>) override {
        Calls.push_back("open " + ExtractFileName(CadFileName));
        return !FailOpen;
    }
    int Close() override {
        Calls.push_back("close");
        return 0;
    }
    void BeginDrawing(long double, long double, long double xmax, long double) override {
        Calls.push_back("head " + FixedText(xmax, 1));
    }
    void BeginBlock(std::string_view name) override {
        Calls.push_back("block " + std::string(name));
    }
    void EndBlock() override { Calls.push_back("endblock"); }
    void Line(long double x1, long double, long double, long double) override {
        Calls.push_back("line " + FixedText(x1, 1) + " " + std::string(CurrentLayer));
    }
    void Circle(long double, long double, long double r) override {
        Calls.push_back("circle " + FixedText(r, 1));
    }
    void Arc(long double, long double, long double s, long double e, long double) override {
        Calls.push_back("arc " + FixedText(s, 0) + " " + FixedText(e, 0));
    }
    void Text(std::string_view t, long double x, long double) override {
        Calls.push_back("text " + std::string(t) + " " + FixedText(x, 1));
    }
    void Solid(long double, long double, long double, long double, long double, long double,
               long double, long double) override {
        Calls.push_back("solid");
    }
    void SetColour(std::int32_t c) override {
        CurrentLayer = LayerNameOf(c);
        Calls.push_back("colour " + std::to_string(c));
    }
    void Insert(std::string_view name, long double x, long double, long double, long double,
                long double) override {
        Calls.push_back("insert " + std::string(name) + " " + FixedText(x, 1));
    }
};

TEST_F(CadOutputTest, WriterCodesGoThroughTheirInterface) {
    RegisterCadWriter(5, nullptr);
    CadBatchOutput = 1;
    DataFileName = Path("job");
    CadOpenOutput(5);
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(responder_.Messages, std::vector<std::string>{"TXT output is not available"});
    AbortFlag = 0;

    RecordingWriter::Calls.clear();
    RegisterCadWriter(5, [] { return std::make_unique<RecordingWriter>(); });
    EXPECT_TRUE(CadWriterRegistered(5));
    EXPECT_TRUE(CadWriterRegistered(3)); // built in
    EXPECT_FALSE(CadWriterRegistered(6));
    CadOpenOutput(5);
    ASSERT_EQ(AbortFlag, 0);
    EXPECT_EQ(CadFileName, Path("job.txt"));
    CadBeginDrawing(0, 0, 210, 297);
    CadWriteTables(0);
    CadBeginBlocksSection();
    CadBeginBlock("B");
    CadLine(1, 0, 2, 0);
    CadEndBlock();
    CadEndSection();
    CadBeginEntities();
    CadSetOrigin(100, 0);
    CadSetColour(36);
    CadLine(1, 0, 2, 0);
    CadArc(0, 0, 10, 20, 0); // radius 0: nothing
    CadArc(0, 0, 10, 20, 1);
    CadSetTextSize(2, 0, 2, 2);
    CadSetTextAlign(2, 0);
    CadText("ab", 0, 0);
    CadInsertBlock("B", 5, 0, 0, 1, 1); // no origin for inserts
    CadBeginPolyline(0);
    CadVertex(0, 0, 0);
    CadVertex(1, 0, 0);
    CadEndPolyline();
    CadEndSection();
    CadCloseOutput();
    CadBatchOutput = 0;
    EXPECT_EQ(RecordingWriter::Calls,
              (std::vector<std::string>{"open job.txt", "head 210.0", "block B", "line 1.0 0",
                                        "endblock", "colour 20", "line 101.0 20", "arc 10 20",
                                        "text ab 96.0", "insert B 5.0", "line 100.0 20", "close"}));

    RecordingWriter::FailOpen = true;
    CadBatchOutput = 1;
    CadOpenOutput(5);
    CadBatchOutput = 0;
    EXPECT_EQ(AbortFlag, 1);
    RecordingWriter::FailOpen = false;
    RegisterCadWriter(5, nullptr);
}

} // namespace
