// The external plot program's command lines: the form's lines from its controls, the prompt
// editor's shell script for a long line, and code 4 running that script on the DXF file.

#include "cad_testutil.h"

#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "cad/plotform.h"
#include "cad/plotline.h"
#include "framework/core/files.h"
#include "platform/os/process.h"

using namespace cadtest;

namespace {

class PlotLineTest : public CadTest {
protected:
    // Shows the form on the stored line 1, works it with act and returns the line it hands back
    // (or "cancel").
    std::string FormLine(const std::function<void(TForm&)>& act, std::string* shown = nullptr) {
        PlotLines[1] = "stored /M1";
        responder_.Form = [&](TForm& f) {
            auto& form = dynamic_cast<TForm_confkvilpen&>(f);
            if (shown != nullptr) *shown = form.Label_commandline->Caption();
            act(f);
        };
        const bool ok = EditPlotLineWithForm(1);
        responder_.Form = nullptr;
        return ok ? PlotLines[1] : "cancel";
    }
};

void Ok(TForm& f) {
    EXPECT_TRUE(Respond::Press(f, "Button_ok"));
}

TEST_F(PlotLineTest, FormBuildsTheLineFromItsControls) {
    const std::string dxf = AddBackslash(TempDir) + "kvilpen";
    std::string shown;
    // Untouched, the stored line comes back and is shown.
    EXPECT_EQ(FormLine(Ok, &shown), "stored /M1");
    EXPECT_EQ(shown, "stored /M1");
    struct Case {
        const char* what;
        std::function<void(TForm&)> act;
        std::string line;
    };
    const Case cases[] = {
        {"start values",
         [](TForm& f) {
             Respond::Type(f, "Edit_xnull", "5");
             Respond::Type(f, "Edit_xnull", "0");
         },
         "c:\\kvilpen\\wkvilpen " + dxf + " /CHPL"},
        {"serial port 2",
         [](TForm& f) {
             EXPECT_FALSE(Respond::Type(f, "Edit_com", "2")); // parallel: COM disabled
             Respond::Pick(f, "RadioGroup_d", 0);
             EXPECT_TRUE(Respond::Type(f, "Edit_com", "2"));
         },
         "c:\\kvilpen\\wkvilpen " + dxf + " /CHPL /D1 /P2"},
        {"file, fit, shifts, rotation",
         [](TForm& f) {
             Respond::Pick(f, "RadioGroup_d", 2);
             Respond::Check(f, "CheckBox_scale", true);
             EXPECT_FALSE(Respond::Type(f, "Edit_scale", "3")); // fit: no scale to type
             Respond::Type(f, "Edit_ynull", "-2.5");
             Respond::Type(f, "Edit_textbreitenfaktor", "0.8");
             Respond::Check(f, "CheckBox_rotate", true);
         },
         "c:\\kvilpen\\wkvilpen " + dxf + " /CHPL /D3 /F" + dxf + " /M* /Y-2.5 /B0.8 /R"},
        {"PostScript font",
         [](TForm& f) {
             Respond::Pick(f, "RadioGroup_outcode", 1);
             Respond::PickText(f, "ComboBox_psfont", "Courier");
             Respond::Type(f, "Edit_kvilpenPath", "/opt/plot tools/kvilpen");
             Respond::Type(f, "Edit_scale", "2,5");
         },
         "\"/opt/plot tools/kvilpen\" " + dxf + " /CPS /M2,5 /TCourier"},
    };
    for (const Case& c : cases) {
        const std::string line = FormLine([&](TForm& f) {
            c.act(f);
            Ok(f);
        });
        EXPECT_EQ(line, c.line) << c.what;
    }
    // Arguments with blanks split back as they were typed.
    EXPECT_EQ(os::SplitCommandLine(cases[3].line)[0], "/opt/plot tools/kvilpen");
    // Cancel keeps the stored line.
    EXPECT_EQ(FormLine([](TForm& f) {
                  Respond::Pick(f, "RadioGroup_d", 0);
                  Respond::Press(f, "Button_cancel");
              }),
              "cancel");
    EXPECT_EQ(PlotLines[1], "stored /M1");
    EXPECT_EQ(AbortFlag, 1);
}

TEST_F(PlotLineTest, LongLineBecomesAShellScriptThatCodeFourRuns) {
    // The "plot program": a script in a directory whose name a shell would expand, that
    // records its arguments.
    const std::string dir = Path("plot $HOME 'x'");
    std::filesystem::create_directories(dir);
    const std::string marker = Path("marker.txt");
    const std::string program = dir + "/wkvilpen.exe";
    WriteFileBytes(program, "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '" + marker +
                                ".tmp' && mv '" + marker + ".tmp' '" + marker + "'\n");
    ::chmod(program.c_str(), 0755);

    responder_.Form = [&](TForm& f) {
        const std::string q = Respond::Question(f);
        auto type = [&](const std::string& text) {
            EXPECT_TRUE(Respond::Type(f, "EditEinText", text)) << q;
        };
        if (q.find("KVILPEN/WKVILPEN") != std::string::npos)
            Respond::Pick(f, "RadioGroup1", 0);
        else if (q.find("Program directory of wkvilpen.exe") != std::string::npos)
            type(dir);
        else if (q.find("output interface") != std::string::npos)
            Respond::Pick(f, "RadioGroup1", 0);
        else if (q.find("COM-Port") != std::string::npos)
            type("2");
        else if (q.find("rotate 90") != std::string::npos)
            Respond::Pick(f, "RadioGroup_janein", 0);
        else if (q.find("batch file name") != std::string::npos)
            type("plot it");
        Respond::Press(f, f.FindComponent("Button_ok") ? "Button_ok" : "button_ok");
    };
    std::string line = "old line";
    EditPlotCommandLine(line, 0);
    ASSERT_EQ(AbortFlag, 0);
    ASSERT_EQ(responder_.Messages.size(), 1u);
    EXPECT_EQ(responder_.Messages[0], "command line too long, A batch file will be created.");
    const std::string script = Path("plot it.sh");
    EXPECT_EQ(line, "\"" + script + "\"");
    struct stat st {};
    ASSERT_EQ(::stat(script.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IXUSR, 0u);
    EXPECT_EQ(ReadFileBytes(script).substr(0, 16), "#!/bin/sh\nexec '");

    // Code 4 starts the script, which starts the program with every word as it was.
    PlotLines[1] = line;
    SelectedPlotLine = 1;
    CadOpenOutput(4);
    ASSERT_EQ(AbortFlag, 0);
    CadBeginEntities();
    CadLine(0, 0, 1, 1);
    CadEndSection();
    CadCloseOutput();
    for (int i = 0; i < 400 && !std::filesystem::exists(marker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    ASSERT_TRUE(std::filesystem::exists(marker)) << ReadFileBytes(script);
    EXPECT_EQ(ReadFileBytes(marker), AddBackslash(TempDir) + "kvilpen\n/CHPL\n/D1\n/P2\n/R\n");
    EXPECT_TRUE(std::filesystem::exists(Path("kvilpen.dxf")));
    EXPECT_EQ(responder_.Messages.size(), 1u) << Joined(responder_.Messages);

    // Quoting for the shell: a quote inside a word stays part of it.
    EXPECT_EQ(ShellQuote("it's $x"), "'it'\\''s $x'");
    EXPECT_EQ(QuoteCommandArgument("a \"b\" c\\"), "\"a \\\"b\\\" c\\\\\"");
    EXPECT_EQ(os::SplitCommandLine(QuoteCommandArgument("a \"b\" c\\"))[0], "a \"b\" c\\");
}

} // namespace
