// The HP-GL interpreter: what it records into the display list for the instructions the help
// pictures use. The agreement with hp2xx on a whole picture is checked by help_hpgl_check.py
// through HpglReference below.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "framework/ui/draw_device.h"
#include "framework/core/globals.h"
#include "framework/ui/hpgl.h"
#include "framework/ui/drawing_window.h"
#include "platform/gui/responder.h"

namespace fs = std::filesystem;

namespace {

class Hpgl : public ::testing::Test {
protected:
    void SetUp() override {
        InitDrawWindowState();
        InitHpglState();
        device_ = std::make_unique<TDrawDevice>();
        DrawDevice = device_.get();
        dir_ = fs::temp_directory_path() / ("qor_hpgl_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        AbortFlag = 0;
    }
    void TearDown() override {
        DrawDevice = nullptr;
        device_.reset();
        fs::remove_all(dir_);
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }
    // The records of one code, as text.
    std::vector<std::string> Records(int code) const {
        std::vector<std::string> out;
        for (const std::string& l : DisplayList->Lines())
            if (std::stoi(l) == code) out.push_back(l);
        return out;
    }
    std::vector<std::string> Draw(const std::string& hpgl) {
        DisplayList->Clear();
        DrawHpglFile(Write("t.plt", hpgl));
        return DisplayList->Lines();
    }
    std::unique_ptr<TDrawDevice> device_;
    fs::path dir_;
};

TEST_F(Hpgl, LinesInMillimetresAndPenUpMoves) {
    Draw("IN;SP1;PU400,800;PD800,800,800,1200;PU;PA0,0;");
    EXPECT_EQ(Records(drLine), (std::vector<std::string>{"4;10;20;20;20", "4;20;20;20;30"}));
    EXPECT_EQ(Records(drColour), (std::vector<std::string>{"8;12"}));
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(PenX, 0);
    EXPECT_EQ(PenY, 0);
}

TEST_F(Hpgl, PenDownBeforeAnyPointMovesWithoutDrawing) {
    Draw("SP1;PD400,400,800,400;");
    // The first point only places the pen: there is nothing to draw from before it.
    EXPECT_EQ(Records(drLine), (std::vector<std::string>{"4;10;10;20;10"}));
}

TEST_F(Hpgl, PenUpEndedAtOnceMovesNothingAndLettersPAAreDropped) {
    Draw("PU400,400;PU;PDPA800,400;");
    EXPECT_EQ(Records(drLine), (std::vector<std::string>{"4;10;10;20;10"}));
}

TEST_F(Hpgl, PenNumbersAndColours) {
    EXPECT_EQ(HpglPenColour(1), 12);
    EXPECT_EQ(HpglPenColour(7), 15);
    EXPECT_EQ(HpglPenColour(8), 8);
    EXPECT_EQ(HpglPenColour(0), 0);
    Draw("SP;PU0,0;PD40,0;SP8;PD80,0;SP3;PD120,0;");
    EXPECT_EQ(Records(drColour), (std::vector<std::string>{"8;12", "8;8", "8;10"}));
}

TEST_F(Hpgl, CircleAtThePenAndUnusedParametersSkipped) {
    // CI's chord angle must not be read as the next instruction.
    Draw("PU4000,2000;CI400,5;PD4400,2000;");
    EXPECT_EQ(Records(drCircle), (std::vector<std::string>{"3;100;50;10"}));
    EXPECT_EQ(Records(drLine), (std::vector<std::string>{"4;100;50;110;50"}));
}

TEST_F(Hpgl, ArcFollowsItsSweepAndEndsAtItsEnd) {
    Draw("PU2000,1000;PD;AA1000,1000,90;PD1000,3000;");
    const auto arcs = Records(drArc);
    ASSERT_EQ(arcs.size(), 1u);
    // Box of the circle, start (50, 25), end (25, 50).
    EXPECT_EQ(arcs[0], "5;0;0;50;50;50;25;25;50");
    // The pen stands at the arc's end, not at its centre.
    EXPECT_EQ(Records(drLine), (std::vector<std::string>{"4;25;50;25;75"}));
}

TEST_F(Hpgl, ClockwiseArcIsDrawnFromItsEnd) {
    Draw("PU2000,1000;PD;AA1000,1000,-90;");
    const auto arcs = Records(drArc);
    ASSERT_EQ(arcs.size(), 1u);
    EXPECT_EQ(arcs[0], "5;0;0;50;50;25;0;50;25");
}

TEST_F(Hpgl, FullTurnIsACircle) {
    Draw("PU2000,1000;PD;AA1000,1000,360;PU;PA3000,1000;PD;AA1000,1000,-720;");
    EXPECT_EQ(Records(drCircle), (std::vector<std::string>{"3;25;25;25", "3;25;25;50"}));
    EXPECT_TRUE(Records(drArc).empty());
}

TEST_F(Hpgl, ArcWithPenUpOnlyMoves) {
    Draw("PU2000,1000;AA1000,1000,90;PD1000,3000;");
    EXPECT_TRUE(Records(drArc).empty());
    EXPECT_EQ(Records(drLine), (std::vector<std::string>{"4;25;50;25;75"}));
}

TEST_F(Hpgl, LabelWithSizeDirectionAndUmlauts) {
    Draw("PU400,800;SI0.2,0.3;DI0,1;CS3;LBGr}o}sse a}\x03PD800,800;");
    EXPECT_EQ(Records(drTextStyle), (std::vector<std::string>{"9;3;2;2;90"}));
    EXPECT_EQ(Records(drText), (std::vector<std::string>{"6;10;20;Grösse ä"}));
    // The pen stays where the label began.
    EXPECT_EQ(Records(drLine), (std::vector<std::string>{"4;10;20;20;20"}));
}

TEST_F(Hpgl, LabelInCharacterSetOneKeepsTheBrace) {
    Draw("PU0,0;LBa}\x03");
    EXPECT_EQ(Records(drText), (std::vector<std::string>{"6;0;0;a}"}));
}

TEST_F(Hpgl, OverlongLabelIsAbandonedAndTheRestReadAgain) {
    Draw("PU0,0;LB" + std::string(255, 'x') + "PU400,0;PD800,0;\x03");
    EXPECT_EQ(Records(drText), (std::vector<std::string>{"6;0;0;"}));
    EXPECT_EQ(Records(drLine), (std::vector<std::string>{"4;10;0;20;0"}));
}

TEST_F(Hpgl, ScalingInstructionsDoNotChangeTheMapping) {
    Draw("IN;IP0,0,4000,4000;SC0,10,0,10;PU400,400;PD800,400;");
    EXPECT_EQ(Records(drLine), (std::vector<std::string>{"4;10;10;20;10"}));
}

TEST_F(Hpgl, EncodedPolylineSevenBitAndPenNumber) {
    // 7-bit mode: 40 encodes as v = 80 = 2 * 32 + 16: digits 16 (continue, 63 + 16) then 2
    // (last, 95 + 2); 0 is the single last digit 95.
    const std::string forty = std::string{char(63 + 16), char(95 + 2)};
    const std::string zero = std::string{char(95)};
    // ":" with pen 3 (v = 6, a last digit 95 + 6).
    Draw("PU0,0;PE7:" + std::string{char(95 + 6)} + forty + zero + zero + forty + ";");
    EXPECT_EQ(Records(drLine), (std::vector<std::string>{"4;0;0;1;0", "4;1;0;1;1"}));
    EXPECT_EQ(Records(drColour), (std::vector<std::string>{"8;10"}));
}

TEST_F(Hpgl, EscapeSequencesAreSkipped) {
    Draw("\x1b"
         "E\x1b%0BIN;PU0,0;PD400,0;\x1b%0A\x1b"
         "E");
    EXPECT_EQ(Records(drLine), (std::vector<std::string>{"4;0;0;10;0"}));
    EXPECT_EQ(AbortFlag, 0);
}

TEST_F(Hpgl, EndOfFileInsideAnInstructionEndsTheDrawingQuietly) {
    Draw("PU0,0;PD400,0;PD800");
    EXPECT_EQ(Records(drLine), (std::vector<std::string>{"4;0;0;10;0"}));
    EXPECT_EQ(AbortFlag, 0);
}

TEST_F(Hpgl, FileNameFoundWhateverItsCaseAndMissingFileReported) {
    Write("Pic.PLT", "PU0,0;PD400,0;");
    DrawHpglFile((dir_ / "pic.plt").string());
    EXPECT_EQ(Records(drLine).size(), 1u);
    ScriptedResponder r;
    r.OnMessage(IDOK);
    ResponderScope scope(r);
    DisplayList->Clear();
    DrawHpglFile((dir_ / "no such.plt").string());
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_TRUE(DisplayList->Empty());
    ASSERT_EQ(r.Seen().size(), 1u);
    EXPECT_NE(r.Seen()[0].find("nosuch.plt not found !"), std::string::npos) << r.Seen()[0];
}

// What is no picture a plotter could draw (a number beyond its range, or beyond any real), or no
// file to read, is refused with the file and the line or the cause; nothing of it is drawn.
TEST_F(Hpgl, PicturesOutOfRangeAndFilesThatAreNoneAreRefusedWhole) {
    const std::string pipe = (dir_ / "pipe.plt").string(), big = Write("big.plt", "");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    fs::resize_file(big, (16u << 20) + 1);
    // An encoded polyline whose x is 2^30: v = 2 * 64^5, five digits 0, then the last digit 2.
    const std::string huge = std::string(5, char(63)) + char(193) + char(191);
    const std::pair<std::string, std::string> cases[] = {
        {Write("a.plt", "PU0,0;PD400,0;\nPD1e4000,0;"), "a.plt, line 2: the value 1e4000 lies"},
        {Write("b.plt", "PU0,0;\r\n\rPD1073741824,0;"), "b.plt, line 3: the value 1073741824"},
        {Write("c.plt", "PU0,0;PD" + std::string(5000, '9') + "e9,0;"),
         "c.plt, line 1: the value 99"},
        {Write("d.plt", "PU0,0;PD;AA1e30,0,90;"), "the value 1e30 lies"},
        {Write("e.plt", "SI1e4000,1;PU0,0;LBx\x03"), "the value 1e4000 lies"},
        {Write("f.plt", "PU0,0;PE" + huge + ";"), "the value 1073741824 lies"},
        {pipe, "pipe.plt could not be read: it is a named pipe (FIFO), not a file."},
        {big, "big.plt could not be read: it is larger than 16777216 bytes"},
    };
    for (const auto& [file, says] : cases) {
        ScriptedResponder r;
        r.OnMessage(IDOK);
        ResponderScope scope(r);
        DisplayList->Clear();
        AbortFlag = 0;
        DrawHpglFile(file);
        EXPECT_EQ(AbortFlag, 1) << file;
        EXPECT_TRUE(DisplayList->Empty()) << file;
        ASSERT_EQ(r.Seen().size(), 1u) << file;
        EXPECT_NE(r.Seen()[0].find(says), std::string::npos) << r.Seen()[0];
    }
}

// Writes the display list of the reference picture for help_hpgl_check.py.
TEST_F(Hpgl, ReferencePictureDraws) {
    const char* file = std::getenv("QOR_HPGL_FILE");
    const std::string plt =
        file != nullptr ? file : std::string(QOR_TEST_DATA_DIR) + "/help/check.plt";
    DisplayList->Clear();
    DrawHpglFile(plt);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(Records(drText).size(), 1u);
    if (const char* out = std::getenv("QOR_HPGL_OUT")) {
        std::ofstream f(fs::path(out) / "list.txt");
        for (const std::string& l : DisplayList->Lines()) {
            const int code = std::stoi(l);
            if (code == drLine || code == drArc || code == drCircle || code == drText)
                f << l << "\n";
        }
    }
}

} // namespace
