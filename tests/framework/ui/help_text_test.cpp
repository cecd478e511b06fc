// Help texts by help number: the topic search in the two help files, the message box of the
// help buttons, the hint text and the help picture.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "framework/ui/draw_device.h"
#include "framework/core/globals.h"
#include "framework/ui/help.h"
#include "framework/ui/hpgl.h"
#include "framework/ui/drawing_window.h"
#include "framework/core/settings.h"
#include "platform/gui/responder.h"
#include "platform/os/codepage.h"

namespace fs = std::filesystem;

namespace {

// A help file as the program ships them: DOS code page, CR LF.
void WriteHelpFile(const fs::path& p, const std::vector<std::string>& lines) {
    std::ofstream f(p, std::ios::binary);
    for (const std::string& l : lines)
        f << os::Utf8ToCp437(l) << "\r\n";
}

class HelpText : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qor_helptext_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        savedDir_ = PltDir;
        savedName_ = ProgramName;
        savedHandler_ = ShowHelpHandler;
        PltDir = dir_.string();
        ProgramName = "QOR1W"; // the file name is taken in lower case
        ShowHelpHandler = &ShowHelpTopic;
        HelpNo = 0;
        AbortFlag = 0;
        WriteHelpFile(dir_ / "kelmora.hlp", {"Help file of the framework",
                                             "1550:",
                                             "Topic 1550 only line.",
                                             "1555:gear1",
                                             "Line one of 1555.",
                                             "Line two, unnumbered.",
                                             "1557",
                                             "Line three, numbered 1557.",
                                             "1560",
                                             "Topic 1560.",
                                             "1565",
                                             "Three lines, first.",
                                             "second",
                                             "third",
                                             "1570",
                                             "Topic 1570 (no colon).",
                                             "1575:GEAR1",
                                             "Größe über 5 Zähne.",
                                             "more a",
                                             "more b",
                                             "more c",
                                             "more d",
                                             "more e",
                                             "1585",
                                             "Topic 1585.",
                                             "3995:absent",
                                             "Last topic of the file."});
        WriteHelpFile(dir_ / "qor1w.hlp", {"4000", "Topic 4000 of the program.", "4005",
                                           "Topic 4005.", "3999", "Not in this file."});
    }
    void TearDown() override {
        PltDir = savedDir_;
        ProgramName = savedName_;
        ShowHelpHandler = savedHandler_;
        HelpNo = 0;
        fs::remove_all(dir_);
    }
    fs::path dir_;
    std::string savedDir_, savedName_;
    ShowHelpFunc savedHandler_ = nullptr;
};

TEST_F(HelpText, ParsesNumberedLines) {
    int n = 0;
    std::string pic;
    ParseHelpLine("1555:gear1", n, pic);
    EXPECT_EQ(n, 1555);
    EXPECT_EQ(pic, "gear1");
    ParseHelpLine("1560", n, pic);
    EXPECT_EQ(n, 1560);
    EXPECT_EQ(pic, "NULL");
    ParseHelpLine("Line: with colon", n, pic);
    EXPECT_EQ(n, -1);
    ParseHelpLine("+100 kW", n, pic);
    EXPECT_EQ(n, -1);
    ParseHelpLine("", n, pic);
    EXPECT_EQ(n, -1);
}

TEST_F(HelpText, FileByNumber) {
    EXPECT_EQ(HelpFileName(3999), dir_.string() + "/kelmora.hlp");
    EXPECT_EQ(HelpFileName(4000), dir_.string() + "/qor1w.hlp");
    std::string t;
    ReadHelpText(4000, t);
    EXPECT_EQ(t, "Topic 4000 of the program.    ");
    ReadHelpText(3995, t);
    EXPECT_EQ(t, "Last topic of the file.    ");
}

TEST_F(HelpText, TopicWithUnnumberedAndNumberedLinesEndsAtTheNextTopic) {
    AbortFlag = 1;
    const HelpTopic t = FindHelpTopic(1555);
    EXPECT_TRUE(t.Found);
    EXPECT_EQ(t.Picture, "gear1");
    EXPECT_EQ(t.Lines[0], "Line one of 1555.");
    EXPECT_EQ(t.Lines[1], "Line two, unnumbered.");
    EXPECT_EQ(t.Lines[2], "Line three, numbered 1557.");
    EXPECT_EQ(t.Lines[3], "");
    EXPECT_EQ(t.Lines[4], "");
    // Ended by the next topic number: AbortFlag stays as it was.
    EXPECT_EQ(AbortFlag, 1);
}

TEST_F(HelpText, ThreeLinesThenTheNextTopic) {
    const HelpTopic t = FindHelpTopic(1565);
    EXPECT_EQ(t.Lines,
              (std::array<std::string, 5>{"Three lines, first.", "second", "third", "", ""}));
    EXPECT_EQ(t.Picture, "NULL");
}

TEST_F(HelpText, TopicEndsAfterFiveLinesAndClearsAbortFlag) {
    AbortFlag = 1;
    const HelpTopic t = FindHelpTopic(1575);
    EXPECT_EQ(t.Lines, (std::array<std::string, 5>{"Größe über 5 Zähne.", "more a", "more b",
                                                   "more c", "more d"}));
    EXPECT_EQ(AbortFlag, 0);
}

TEST_F(HelpText, MissingTopicAndMissingFile) {
    AbortFlag = 1;
    std::string t;
    ReadHelpText(1580, t);
    EXPECT_EQ(t, "help text No 1580: No help available.");
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(NoHelpText(7), "help text No 7: No help available.");
    fs::remove(dir_ / "qor1w.hlp");
    AbortFlag = 1;
    ReadHelpText(4005, t);
    EXPECT_EQ(t, "File " + dir_.string() + "/qor1w.hlp not found !");
    EXPECT_EQ(AbortFlag, 0);
    const HelpTopic missing = FindHelpTopic(4005);
    EXPECT_EQ(missing.Picture, "null");
}

// An endless file, one with an over-long line and one of endless short lines are refused at once
// with their cause, as a text in place of the help.
TEST_F(HelpText, FilesThatAreNoHelpFilesAreRefused) {
    struct Case {
        const char* what;
        void (*make)(const fs::path&);
        const char* says;
    };
    const Case cases[] = {
        {"endless", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); },
         "it is a device, not a file"},
        {"over-long line",
         [](const fs::path& p) {
             WriteHelpFile(p, {"1550", std::string(70000, 'x')});
         },
         "a line is longer than 65536 characters"},
        {"endless short lines",
         [](const fs::path& p) { WriteHelpFile(p, std::vector<std::string>(100010, "text")); },
         "has more than 100000 lines"},
    };
    for (const Case& c : cases) {
        const fs::path file = dir_ / "kelmora.hlp";
        fs::remove(file);
        c.make(file);
        AbortFlag = 1;
        std::string t;
        ReadHelpText(1999, t);
        EXPECT_NE(t.find("File " + file.string() + " could not be read: "), std::string::npos)
            << c.what << ": " << t;
        EXPECT_NE(t.find(c.says), std::string::npos) << c.what << ": " << t;
        EXPECT_EQ(AbortFlag, 0);
        EXPECT_EQ(FindHelpTopic(1999).Picture, "null");
    }
}

TEST_F(HelpText, HelpFileFoundWhateverItsCase) {
    fs::rename(dir_ / "kelmora.hlp", dir_ / "KELMORA.HLP");
    std::string t;
    GetHelpText(1560, t);
    EXPECT_EQ(t, "Topic 1560.    ");
}

TEST_F(HelpText, HelpButtonShowsTheTopicOfHelpNo) {
    ScriptedResponder r;
    r.OnMessage(IDOK);
    ResponderScope scope(r);
    SetHelpNo(1555);
    ShowHelp(0, 1);
    ASSERT_EQ(r.Seen().size(), 1u);
    EXPECT_EQ(r.Seen()[0], "message: HELP TEXT No.1555: Line one of 1555. Line two, unnumbered. "
                           "Line three, numbered 1557.   ");
    EXPECT_EQ(r.Unexpected(), 0);
    // Modes other than 0, 1 and 2 show nothing.
    ShowHelp(1555, 3);
    EXPECT_EQ(r.Seen().size(), 1u);
}

class HelpPicture : public HelpText {
protected:
    void SetUp() override {
        HelpText::SetUp();
        InitDrawWindowState();
        InitHpglState();
        device_ = std::make_unique<TDrawDevice>();
        DrawDevice = device_.get();
        std::ofstream(dir_ / "GEAR1.plt", std::ios::binary) << "IN;SP1;PU0,0;PD400,0;";
        std::ofstream(dir_ / "null.plt", std::ios::binary) << "IN;SP2;PU0,0;PD0,400;";
    }
    void TearDown() override {
        DrawDevice = nullptr;
        device_.reset();
        HelpText::TearDown();
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> out;
        for (const std::string& l : DisplayList->Lines())
            if (l.rfind("4;", 0) == 0) out.push_back(l);
        return out;
    }
    std::unique_ptr<TDrawDevice> device_;
};

TEST_F(HelpPicture, PictureOfTheTopicInAWindowOf160By120) {
    ShowHelp(1555, 2);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"4;0;0;10;0"}));
    EXPECT_EQ(WorldWindow.XMax - WorldWindow.XMin, 160);
    EXPECT_EQ(WorldWindow.YMax - WorldWindow.YMin, 120);
}

TEST_F(HelpPicture, NoColonNoPictureAndMissingTopicDrawsNull) {
    DisplayList->AddReals(drLine, {1, 2, 3, 4});
    ShowHelp(1570, 2);
    EXPECT_TRUE(Lines().empty()); // the old drawing is cleared, nothing drawn
    ShowHelp(1590, 2);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"4;0;0;0;10"}));
}

TEST_F(HelpPicture, BothModesShowTextAndPicture) {
    ScriptedResponder r;
    r.OnMessage(IDOK);
    ResponderScope scope(r);
    ShowHelp(1575, 0);
    EXPECT_EQ(r.Seen().size(), 1u);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"4;0;0;10;0"}));
}

} // namespace
