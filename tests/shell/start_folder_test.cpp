// The program started from a folder, as a user starts it: a session that opens the tool table, the
// text window and a printout writes nothing into that folder, whichever configuration it finds
// (none, a shared one in the start folder with blank folders, one of a Windows installation).
// The settings and recent files go to $XDG_CONFIG_HOME/qor1w, the user's tables to
// $XDG_DATA_HOME/qor1w, temporary files to $TMPDIR and are gone at the end. The configuration
// dialog saves what it showed, and its hints and help texts name what it shows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/config_file.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"
#include "framework/core/settings.h"
#include "framework/ui/help.h"
#include "platform/gui/application.h"
#include "platform/gui/responder.h"
#include "shell/config_dialog.h"
#include "shell/main_window.h"
#include "shell/print_dialog.h"
#include "shell/startup.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

// Every entry below dir with its bytes ("" for a folder).
std::vector<std::pair<std::string, std::string>> Contents(const fs::path& dir) {
    std::vector<std::pair<std::string, std::string>> all;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        all.emplace_back(fs::relative(e.path(), dir).string(),
                         e.is_directory() ? "" : qortest::ReadFileBytes(e.path().string()));
    std::sort(all.begin(), all.end());
    return all;
}

class StartFolder : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Application->Initialize(); }

    void SetUp() override {
        Root = qortest::FreshTestDir("qor_startfolder_");
        Start = Root / "start";
        for (const char* d : {"start", "tmp", "out"})
            fs::create_directories(Root / d);
        OldDir = fs::current_path();
        fs::current_path(Start);
        for (const auto& [name, value] :
             {std::pair<const char*, fs::path>{"XDG_CONFIG_HOME", Root / "config"},
              {"XDG_DATA_HOME", Root / "share"},
              {"TMPDIR", Root / "tmp"}}) {
            const char* was = std::getenv(name);
            Saved.emplace_back(name, was ? std::optional<std::string>(was) : std::nullopt);
            ::setenv(name, value.c_str(), 1);
        }
    }

    void TearDown() override {
        if (Window != nullptr) Window->Free();
        fs::current_path(OldDir);
        for (const auto& [name, value] : Saved) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
        fs::remove_all(Root);
    }

    // The program's start: its initialisation and the main window, which reads the settings.
    void StartProgram(ScriptedResponder& r) {
        InitProgram();
        ResponderScope scope(r);
        Window = NewForm<Thh>(nullptr);
        Window->Show();
    }

    void Choose(const char* item, ScriptedResponder& r) {
        {
            ResponderScope scope(r);
            ASSERT_TRUE(FindControl<TMenuItem>(*Window, item)->Click());
        }
        EXPECT_EQ(r.Unexpected(), 0) << ::testing::PrintToString(r.Seen());
        EXPECT_EQ(r.Pending(), 0);
    }

    // The end of the program: the window closes (the session file is written), then the rest.
    void EndProgram() {
        DataModified = 0;
        ScriptedResponder quiet;
        {
            ResponderScope scope(quiet);
            Window->Close();
            Window->Free();
        }
        Window = nullptr;
        DoneProgram();
        EXPECT_EQ(quiet.Seen(), std::vector<std::string>{});
    }

    fs::path Root, Start, OldDir;
    std::vector<std::pair<std::string, std::optional<std::string>>> Saved;
    Thh* Window = nullptr;
};

// Closes a window that shows something (the table window, the text window).
void CloseShown(TForm& f, std::string& shown) {
    shown = f.Name();
    if (auto* exit = FindControl<TMenuItem>(f, "mi_dateiBeenden"))
        exit->Click();
    else
        Respond::Key(f, VK_ESCAPE);
}

TEST_F(StartFolder, ASessionWritesNothingIntoTheStartFolder) {
    struct Case {
        const char* what;
        const char* where;                                        // "start", "user" or "" (none)
        std::vector<std::pair<const char*, std::string>> folders; // directory labels and values
        bool told; // one message about the folders at start
    };
    const std::vector<Case> cases = {
        {"no configuration", "", {}, false},
        {"a shared one with blank folders",
         "start",
         {{"temporary directory", ""}, {"DBF Directory", ""}, {"Default Data Directory", ""}},
         false},
        {"one of a Windows installation",
         "user",
         {{"temporary directory", "C:\\TEMP\\"},
          {"DBF Directory", "C:\\KELMORA\\DBF\\"},
          {"PLT Directory", "C:\\KELMORA\\PLT\\"},
          {"EDI Directory", "C:\\KELMORA\\EDI\\"},
          {"CAD Directory", "D:\\Zahnr\xC3\xA4"
                            "der\\CAD\\"},
          {"Default Data Directory", "D:\\Zahnr\xC3\xA4"
                                     "der\\"}},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* d : {"config", "share", "tmp"}) {
            fs::remove_all(Root / d);
            fs::create_directories(Root / d);
        }
        fs::remove_all(Start);
        fs::create_directories(Start);
        if (*c.where != '\0') {
            // A configuration as the program writes it, with the folders of the case.
            InitAllSettings();
            SetProductIdentity();
            auto lines = ConfigurationLines();
            for (const auto& [label, value] : c.folders)
                for (std::size_t i = 0; i + 1 < lines.size(); ++i)
                    if (lines[i] == label) lines[i + 1] = value;
            const fs::path dir =
                std::string(c.where) == "start" ? Start : Root / "config" / "qor1w";
            fs::create_directories(dir);
            std::string bytes;
            for (const std::string& l : lines)
                bytes += l + "\r\n";
            qortest::WriteFileBytes((dir / "qor1w.cfg").string(), bytes);
        }
        const auto before = Contents(Start);

        ScriptedResponder start;
        if (c.told) start.OnMessage(IDOK);
        StartProgram(start);
        EXPECT_EQ(start.Pending(), 0);
        if (c.told) {
            ASSERT_EQ(start.Seen().size(), 1u);
            EXPECT_THAT(start.Seen()[0], HasSubstr("C:\\TEMP\\ does not exist here"));
            EXPECT_THAT(start.Seen()[0], HasSubstr("D:\\Zahnr"));
        }
        // No folder setting is a Windows folder or the start folder.
        for (const std::string* d : {&TempDir, &DbfDir, &PltDir, &EdiDir, &CadDir})
            EXPECT_EQ(d->find('\\'), std::string::npos) << *d;
        EXPECT_EQ(TempDir, (Root / "tmp").string() + "/");

        // The tool table, the workshop sheet in the text window, a printout into a PDF file.
        std::string shown;
        ScriptedResponder tools;
        tools.OnForm([&](TForm& f) { CloseShown(f, shown); });
        Choose("mi_dbfVerzahnungswerkzeug", tools);
        EXPECT_EQ(shown, "dbf4");
        ScriptedResponder sheet;
        sheet.OnForm([&](TForm& f) { CloseShown(f, shown); });
        Choose("mi_viewwerkstattblatt", sheet);
        EXPECT_NE(shown, "dbf4");
        EXPECT_TRUE(fs::exists(Root / "tmp" / ("qor1w-" + std::to_string(::geteuid())) /
                               "outwin.txt")); // listings stay in a folder of the user's own
        const std::string pdf = (Root / "out" / "print.pdf").string();
        fs::remove(pdf); // one of the case before would be asked about
        ScriptedResponder print;
        print
            .OnForm([](TForm& f) {
                EXPECT_TRUE(Respond::Press(f, "Button_pdf"));
                EXPECT_TRUE(Respond::Press(f, "Button_ok"));
            })
            .OnDialog([&](TCommonDialog& d) {
                dynamic_cast<TSaveDialog&>(d).Choose(pdf);
                return true;
            });
        Choose("mi_fileprint", print);
        EXPECT_TRUE(fs::exists(pdf));
        EndProgram();

        EXPECT_EQ(Contents(Start), before);
        // What the session kept went to the user's folders; its temporary files are gone.
        EXPECT_TRUE(fs::exists(Root / "config" / "qor1w" / "qor1w.cff"));
        EXPECT_TRUE(fs::exists(Root / "share" / "qor1w" / "q1toolx.dbf"));
        EXPECT_EQ(Contents(Root / "tmp"), (std::vector<std::pair<std::string, std::string>>{}));
    }
}

TEST_F(StartFolder, TheConfigurationDialogSavesWhatItShowed) {
    ScriptedResponder quiet;
    StartProgram(quiet);
    EXPECT_EQ(quiet.Seen(), std::vector<std::string>{});
    // The first start's settings as the dialog shows them.
    View3DAngles[2] = DegToRad(90);
    const TTextWindowRect rect = TextWindowRect;
    const auto angles = View3DAngles;
    std::string height, angle;
    std::vector<std::pair<std::string, std::string>> hints;
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
        height = FindControl<TEdit>(f, "Edit_height")->Text();
        angle = FindControl<TEdit>(f, "Edit_3dy")->Text();
        for (const char* label : {"Label_dialogfenster", "Label_dialogelemente",
                                  "Label_texthoehenfaktor", "Label_dirworking", "Label_dirtemp"})
            hints.emplace_back(label, FindControl<TControl>(f, label)->Hint());
        EXPECT_TRUE(Respond::Press(f, "Button_save"));
        EXPECT_TRUE(Respond::Press(f, "Button_ok"));
    });
    const TRect bounds = Window->BoundsRect();
    Choose("mi_fileConfig", r);
    EXPECT_EQ(Window->BoundsRect(), bounds); // the window stays where and as it was
    EXPECT_EQ(height, std::to_string(rect.Height));
    EXPECT_EQ(angle, "90");

    // Saved for the user, and read back as it was shown.
    const fs::path saved = Root / "config" / "qor1w" / "qor1w.cfg";
    ASSERT_TRUE(fs::exists(saved));
    EXPECT_FALSE(fs::exists(Start / "qor1w.cfg"));
    for (const char* blank : {"PLT Directory\r\n\r\n", "Default Data Directory\r\n\r\n"})
        EXPECT_THAT(qortest::ReadFileBytes(saved.string()), HasSubstr(blank));
    InitAllSettings();
    SetProductIdentity();
    std::string problem;
    ASSERT_TRUE(ReadConfigurationFile(saved.string(), problem)) << problem;
    EXPECT_EQ(TextWindowRect, rect);
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(View3DAngles[i], angles[i]) << i;

    // Each hint is the help of what its label names.
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Label_dialogfenster", "Dialog window size (%)"},
        {"Label_dialogelemente", "Dialog element size (%)"},
        {"Label_texthoehenfaktor", "Text height factor"},
        {"Label_dirworking", "printout.dbf"},
        {"Label_dirtemp", "removed at the end"},
    };
    for (std::size_t k = 0; k < expected.size(); ++k)
        EXPECT_THAT(hints[k].second, HasSubstr(expected[k].second)) << hints[k].first;
    EndProgram();
}

// The help of the layer table names the rows the dialog has; no help or caption keeps the typos
// it had.
TEST_F(StartFolder, HelpTextsMatchTheirDialogs) {
    ScriptedResponder quiet;
    StartProgram(quiet);
    std::string layers;
    GetHelpText(1910, layers);
    for (const char* row :
         {"continuous line", "0.50 mm", "0.35 mm", "0.25 mm", "dashed line", "center line", "five"})
        EXPECT_THAT(layers, HasSubstr(row));
    EXPECT_THAT(layers, ::testing::Not(HasSubstr("six")));
    for (const char* file : {"kelmora.hlp", "qor1w.hlp", "qor1w.err", "quality.plt"}) {
        const std::string text =
            qortest::ReadFileBytes(QOR_SOURCE_DIR "/data/" + std::string(file));
        for (const char* typo : {"responible", "therof", "the deviations the grade limits"})
            EXPECT_EQ(text.find(typo), std::string::npos) << file << ": " << typo;
    }
    EndProgram();
}

} // namespace
