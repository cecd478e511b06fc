// The auxiliary picture catalogue: the index file, its changes through a temporary file, and the
// browser driven by the responder.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/ui/dialogs.h"
#include "framework/ui/draw_device.h"
#include "framework/core/config_file.h"
#include "framework/core/globals.h"
#include "framework/ui/help.h"
#include "framework/ui/hpgl.h"
#include "framework/ui/drawing_window.h"
#include "framework/core/settings.h"
#include "framework/ui/help_pictures.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/responder.h"
#include "platform/gui/screen.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

namespace {

using qortest::ReadFileBytes;

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qor_catalogue_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        savedDir_ = PltDir;
        savedName_ = ProgramName;
        savedTitle_ = ProductTitle;
        savedHandler_ = ShowHelpHandler;
        PltDir = dir_.string();
        ProgramName = "QOR1W";
        ProductTitle = "QOR1W";
        ShowHelpHandler = nullptr;
        AbortFlag = 0;
        index_ = (dir_ / "qor1w.dbh").string();
        InitDrawWindowState();
        InitHpglState();
        device_ = std::make_unique<TDrawDevice>();
        DrawDevice = device_.get();
        std::ofstream(dir_ / "one.plt", std::ios::binary) << "IN;SP1;PU0,0;PD400,0;";
        std::ofstream(dir_ / "two.plt", std::ios::binary) << "IN;SP1;PU0,0;PD0,400;";
    }
    void TearDown() override {
        DrawDevice = nullptr;
        device_.reset();
        PltDir = savedDir_;
        ProgramName = savedName_;
        ProductTitle = savedTitle_;
        ShowHelpHandler = savedHandler_;
        AbortFlag = 0;
        fs::remove_all(dir_);
    }
    void WriteIndex(const std::string& text) { std::ofstream(index_, std::ios::binary) << text; }
    // A drawing of the job in the window: one line.
    const std::vector<std::string> kJob{"4;1;2;3;4"};
    void DrawJob() {
        DrawDevice->ClearDevice();
        DrawDevice->DrawHeader(0, 0, 160, 120);
        DrawDevice->DrawLine(1, 2, 3, 4);
    }
    std::vector<std::string> Drawn() const {
        std::vector<std::string> out;
        for (const std::string& l : DisplayList->Lines())
            if (l.rfind("4;", 0) == 0) out.push_back(l);
        return out;
    }
    fs::path dir_;
    std::string index_;
    std::string savedDir_, savedName_, savedTitle_;
    ShowHelpFunc savedHandler_ = nullptr;
    std::unique_ptr<TDrawDevice> device_;
};

TEST_F(Catalogue, ReadsQuotedEntriesAndPassesOverMalformedLines) {
    WriteIndex("\"one\",\"First picture\"\r\n"
               "one,\"no quotes\"\r\n"
               "\"verylongname\",\"Long\"\n"
               "\"x\"\r\n");
    ScriptedResponder r;
    r.OnMessage(IDOK);
    ResponderScope scope(r);
    std::vector<DbhEntry> e;
    ASSERT_TRUE(ReadDbhEntries(index_, e));
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].Name, "one");
    EXPECT_EQ(e[0].Title, "First picture");
    EXPECT_EQ(e[1].FileLine, 2);
    EXPECT_EQ(e[2].Title, "");
    ASSERT_EQ(r.Seen().size(), 1u);
    EXPECT_NE(r.Seen()[0].find("DBH file error"), std::string::npos);
    // Listed and shown cut to 8 characters.
    EXPECT_EQ(DbhListText(e[1]), "verylong: Long");
    EXPECT_EQ(DbhListText(e[0]), "one     : First picture");
    EXPECT_EQ(DbhPictureName("Gear One9"), "gearone");
}

TEST_F(Catalogue, IndexUnderAnotherLetterCaseIsReplacedInPlace) {
    const fs::path upper = dir_ / "QOR1W.DBH";
    std::ofstream(upper, std::ios::binary) << "\"one\",\"First\"\r\n";
    EXPECT_TRUE(DbhAppend(DbhFileName(), "two", "Second"));
    EXPECT_FALSE(fs::exists(index_));
    EXPECT_EQ(ReadFileBytes(upper), "\"one\",\"First\"\r\n\"two\",\"Second\"\r\n");
}

TEST_F(Catalogue, AtMost130Entries) {
    std::string text;
    for (int i = 0; i < 135; ++i)
        text += "\"p" + std::to_string(i) + "\",\"t\"\r\n";
    WriteIndex(text);
    std::vector<DbhEntry> e;
    ASSERT_TRUE(ReadDbhEntries(index_, e));
    EXPECT_EQ(e.size(), 130u);
    EXPECT_EQ(e.back().Name, "p129");
}

TEST_F(Catalogue, AppendInsertEditDeleteRoundTrip) {
    EXPECT_TRUE(DbhAppend(index_, "one", "First"));
    EXPECT_TRUE(DbhAppend(index_, "two", "Second"));
    EXPECT_TRUE(DbhInsert(index_, 1, "mid", "Between"));
    EXPECT_EQ(ReadFileBytes(index_),
              "\"one\",\"First\"\r\n\"mid\",\"Between\"\r\n\"two\",\"Second\"\r\n");
    EXPECT_TRUE(DbhReplace(index_, 0, "uno", "Erstes Bild \xC3\xBC"));
    EXPECT_EQ(ReadFileBytes(index_),
              "\"uno\",\"Erstes Bild \x81\"\r\n\"mid\",\"Between\"\r\n\"two\",\"Second\"\r\n");
    EXPECT_TRUE(DbhDelete(index_, 1));
    std::vector<DbhEntry> e;
    ASSERT_TRUE(ReadDbhEntries(index_, e));
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].Title, "Erstes Bild \xC3\xBC");
    EXPECT_EQ(e[1].Name, "two");
    EXPECT_TRUE(DbhDelete(index_, 1));
    EXPECT_TRUE(DbhDelete(index_, 0));
    // Deleting the only entry leaves an empty index.
    EXPECT_EQ(ReadFileBytes(index_), "");
    EXPECT_FALSE(DbhDelete(index_, 0));
    // A stored title longer than the 50 typed is kept whole; no title breaks the quoting.
    EXPECT_EQ(DbhLine("a", std::string(60, 'x')), "\"a\",\"" + std::string(60, 'x') + "\"");
    EXPECT_EQ(DbhLine("a", "say \"hi\""), "\"a\",\"say 'hi'\"");
}

TEST_F(Catalogue, AWriteFailureLeavesTheIndexIntact) {
    std::string text;
    for (int i = 0; i < 60; ++i)
        text += "\"pic" + std::to_string(i) + "\",\"A picture of the catalogue\"\r\n";
    WriteIndex(text);
    ScriptedResponder r;
    r.OnMessage(IDOK).OnMessage(IDOK);
    ResponderScope scope(r);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool appended = DbhAppend(index_, "new", "New picture");
    const bool deleted = DbhDelete(index_, 0);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(appended);
    EXPECT_FALSE(deleted);
    EXPECT_EQ(ReadFileBytes(index_), text);
    ASSERT_EQ(r.Seen().size(), 2u);
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_NE(r.Seen()[0].find("nothing was saved"), std::string::npos);
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir_))
        files += e.path().extension() == ".tmp";
    EXPECT_EQ(files, 0);
}

// The shipped catalogue is only read: its first change makes the user's copy, used from then
// on. A picture from another folder is entered with its full path; the picture folder (and
// with it the help texts) stays. A folder, pipe or device as the catalogue is refused with its
// cause: never taken as "no catalogue", never written into or replaced.
TEST_F(Catalogue, TheShippedCatalogueIsCopiedOnItsFirstChangeAndNoSpecialFileIsUsed) {
    WriteIndex("\"one\",\"First\"\r\n");
    const fs::path other = dir_ / "other", user = dir_ / "home/qor1w/qor1w.dbh";
    fs::create_directories(other);
    std::ofstream(other / "Three.plt", std::ios::binary) << "IN;SP1;PU0,0;PD400,400;";
    const char* was = std::getenv("XDG_DATA_HOME");
    const std::string shipped = ShippedDataDir, home = was != nullptr ? was : "";
    ShippedDataDir = dir_.string();
    ::setenv("XDG_DATA_HOME", (dir_ / "home").c_str(), 1);
    std::vector<std::string> shown;
    ScriptedResponder r;
    r.OnForm([](TForm& f) { Respond::Press(f, "Button_neu"); })
        .OnDialog([&](TCommonDialog& d) {
            return static_cast<TOpenDialog&>(d).Choose((other / "Three.plt").string()), true;
        })
        .OnForm([](TForm& f) {
            Respond::Type(f, "EditEinText", "Elsewhere"), Respond::Press(f, "Button_ok");
        })
        .OnForm([](TForm& f) { Respond::Pick(f, "ListBox1", 1); })
        .OnForm([&](TForm& f) { shown = Drawn(), Respond::Press(f, "Button_ok"); });
    {
        ResponderScope scope(r);
        ShowHelpPictures();
    }
    EXPECT_EQ(r.Unexpected() + r.Pending(), 0) << ::testing::PrintToString(r.Seen());
    EXPECT_EQ(shown, (std::vector<std::string>{"4;0;0;10;10"})); // the picture from elsewhere
    EXPECT_EQ(PltDir + ReadFileBytes(index_), dir_.string() + "\"one\",\"First\"\r\n");
    EXPECT_EQ(DbhFileName(), user.string());
    EXPECT_EQ(ReadFileBytes(user),
              "\"one\",\"First\"\r\n\"" + (other / "Three").string() + "\",\"Elsewhere\"\r\n");
    ShippedDataDir = shipped;
    was != nullptr ? ::setenv("XDG_DATA_HOME", home.c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
    const char* cause[] = {"it is a folder", "named pipe", "it is a device"};
    for (int k = 0; k < 3; ++k) {
        fs::remove_all(index_);
        if (k == 0) fs::create_directory(index_);
        if (k == 1) ::mkfifo(index_.c_str(), 0600);
        if (k == 2) fs::create_symlink("/dev/zero", index_);
        const fs::file_type type = fs::symlink_status(index_).type();
        ScriptedResponder refused;
        refused.OnMessage(IDOK).OnMessage(IDOK);
        {
            ResponderScope scope(refused);
            ShowHelpPictures();
            EXPECT_FALSE(DbhAppend(index_, "one", "First"));
        }
        EXPECT_THAT(
            ::testing::PrintToString(refused.Seen()),
            ::testing::ContainsRegex(std::string(cause[k]) + ".*" + cause[k] + ".* - nothing"));
        EXPECT_EQ(fs::symlink_status(index_).type(), type);
    }
    fs::remove_all(index_);
}

TEST_F(Catalogue, EmptyIndexStartsWithAppend) {
    WriteIndex("");
    ScriptedResponder r;
    r.OnDialog([&](TCommonDialog& d) {
         static_cast<TOpenDialog&>(d).Choose((dir_ / "two.plt").string());
         return true;
     })
        .OnForm([](TForm& f) {
            EXPECT_TRUE(Respond::Type(f, "EditEinText", "Second picture"));
            Respond::Press(f, "Button_ok");
        })
        .OnForm([](TForm& f) {
            auto& h = dynamic_cast<TForm_hilfebild&>(f);
            EXPECT_EQ(h.Caption(), "QOR1W Auxiliary Images");
            EXPECT_EQ(h.ListBox1->Items().Count(), 1);
            EXPECT_EQ(HelpNo, 2300);
            Respond::Press(f, "Button_ok");
        });
    ResponderScope scope(r);
    ShowHelpPictures();
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_EQ(r.Pending(), 0);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(ReadFileBytes(index_), "\"two\",\"Second picture\"\r\n");
}

TEST_F(Catalogue, BrowseChooseDeleteAndEnd) {
    WriteIndex("\"one\",\"First\"\r\n\"two\",\"Second\"\r\n");
    std::vector<std::vector<std::string>> shown;
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
         shown.push_back(Drawn());
         auto& h = dynamic_cast<TForm_hilfebild&>(f);
         EXPECT_EQ(h.ListBox1->Items().Count(), 2);
         EXPECT_EQ(h.ListBox1->Items()[1], "two     : Second");
         EXPECT_EQ(h.ListBox1->ItemIndex(), 0);
         EXPECT_TRUE(Respond::Pick(f, "ListBox1", 1));
     })
        .OnForm([&](TForm& f) {
            shown.push_back(Drawn());
            EXPECT_EQ(dynamic_cast<TForm_hilfebild&>(f).ListBox1->ItemIndex(), 1);
            Respond::Press(f, "Button_loeschen");
        })
        .OnMessage(IDNO) // No: back to the catalogue, the same picture chosen
        .OnForm([&](TForm& f) {
            EXPECT_EQ(dynamic_cast<TForm_hilfebild&>(f).ListBox1->ItemIndex(), 1);
            Respond::Press(f, "Button_loeschen");
        })
        .OnMessage(IDYES)
        .OnForm([&](TForm& f) {
            EXPECT_EQ(dynamic_cast<TForm_hilfebild&>(f).ListBox1->Items().Count(), 1);
            Respond::Press(f, "Button_ok");
        });
    ResponderScope scope(r);
    ShowHelpPictures();
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_EQ(r.Pending(), 0);
    // The question names the entry it deletes.
    EXPECT_NE(std::find_if(r.Seen().begin(), r.Seen().end(),
                           [](const std::string& s) {
                               return s.rfind("message: ", 0) == 0 &&
                                      s.find("Delete two (Second) ?") != std::string::npos;
                           }),
              r.Seen().end())
        << ::testing::PrintToString(r.Seen());
    ASSERT_EQ(shown.size(), 2u);
    // The first pass shows the first picture without asking; then the one chosen.
    EXPECT_EQ(shown[0], (std::vector<std::string>{"4;0;0;10;0"}));
    EXPECT_EQ(shown[1], (std::vector<std::string>{"4;0;0;0;10"}));
    EXPECT_EQ(ReadFileBytes(index_), "\"one\",\"First\"\r\n");
    EXPECT_EQ(AbortFlag, 0);
}

TEST_F(Catalogue, ModifyAsksNameAndTitlePreset) {
    WriteIndex("\"one\",\"First\"\r\n\"two\",\"Second\"\r\n");
    ScriptedResponder r;
    r.OnForm([](TForm& f) { Respond::Press(f, "Button_aendern"); })
        .OnForm([](TForm& f) {
            auto& d = dynamic_cast<Tin_textdialog&>(f);
            EXPECT_EQ(d.EditEinText->Text(), "one");
            EXPECT_EQ(HelpNo, 2340);
            Respond::Type(f, "EditEinText", "two");
            Respond::Press(f, "Button_ok");
        })
        .OnForm([](TForm& f) {
            auto& d = dynamic_cast<Tin_textdialog&>(f);
            EXPECT_EQ(d.EditEinText->Text(), "First");
            Respond::Type(f, "EditEinText", "Now the second \u4e2d \u03a9"); // kept in UTF-8
            Respond::Press(f, "Button_ok");
        })
        .OnForm([](TForm& f) { Respond::Key(f, VK_ESCAPE); });
    ResponderScope scope(r);
    ShowHelpPictures();
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_EQ(ReadFileBytes(index_),
              "\"two\",\"Now the second \u4e2d \u03a9\"\r\n\"two\",\"Second\"\r\n");
    EXPECT_EQ(AbortFlag, 0);
}

TEST_F(Catalogue, InsertBeforeTheSelectedEntry) {
    WriteIndex("\"one\",\"First\"\r\n\"two\",\"Second\"\r\n");
    ScriptedResponder r;
    r.OnForm([](TForm& f) { Respond::Pick(f, "ListBox1", 1); })
        .OnForm([](TForm& f) { Respond::Press(f, "Button_einfuegen"); })
        .OnDialog([&](TCommonDialog& d) {
            static_cast<TOpenDialog&>(d).Choose((dir_ / "one.plt").string());
            return true;
        })
        .OnForm([](TForm& f) {
            Respond::Type(f, "EditEinText", "Again");
            Respond::Press(f, "Button_ok");
        })
        .OnForm([](TForm& f) { Respond::Press(f, "Button_ok"); });
    ResponderScope scope(r);
    ShowHelpPictures();
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_EQ(ReadFileBytes(index_),
              "\"one\",\"First\"\r\n\"one\",\"Again\"\r\n\"two\",\"Second\"\r\n");
}

TEST_F(Catalogue, WithoutIndexAPictureFileIsChosenUntilCancelled) {
    DrawJob();
    std::vector<std::string> shown;
    ScriptedResponder r;
    r.OnDialog([&](TCommonDialog& d) {
         static_cast<TOpenDialog&>(d).Choose((dir_ / "two.plt").string());
         return true;
     }).OnDialog([&](TCommonDialog&) {
        shown = Drawn();
        return false;
    });
    ResponderScope scope(r);
    ShowHelpPictures();
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_EQ(shown, (std::vector<std::string>{"4;0;0;0;10"}));
    // Browsing from the menu ended: the job's drawing is back.
    EXPECT_EQ(Drawn(), kJob);
    EXPECT_EQ(AbortFlag, 0);
}

// Opened from a dialog, the catalogue starts on the picture of the dialog's help topic, and
// its pictures stay beside the dialog until it closes; then the job's drawing comes back, unless
// something was drawn meanwhile.
TEST_F(Catalogue, PicturesOfADialogStayUntilItClosesAndFollowItsContext) {
    WriteIndex("\"one\",\"First\"\r\n\"two\",\"Second\"\r\n");
    std::ofstream(dir_ / "qor1w.hlp", std::ios::binary) << "5400:two\r\nThe dialog\r\n";
    for (const bool redraw : {false, true}) {
        SCOPED_TRACE(redraw);
        DrawJob();
        std::vector<std::string> beside;
        ScriptedResponder r;
        r.OnForm([&](TForm& f) {
             HelpNo = 5400;
             ShowHelpPictures();
             beside = Drawn();
             if (redraw) { // a calculation button draws the view again
                 DrawDevice->ClearDevice();
                 DrawDevice->DrawLine(0, 0, 5, 5);
             }
             f.SetModalResult(mrCancel);
         }).OnForm([](TForm& f) { Respond::Press(f, "Button_ok"); }); // the catalogue: OK
        ResponderScope scope(r);
        TForm dialog(nullptr);
        dialog.ShowModal();
        EXPECT_EQ(r.Unexpected(), 0);
        EXPECT_EQ(beside, (std::vector<std::string>{"4;0;0;0;10"})); // "two", not the first
        if (redraw)
            EXPECT_EQ(Drawn(), (std::vector<std::string>{"4;0;0;5;5"}));
        else
            EXPECT_EQ(Drawn(), kJob);
        EXPECT_FALSE(DrawingKeptUnderPicture());
    }
}

// The selection window first stands at the foot of the screen, off the pictures' titles.
TEST_F(Catalogue, SelectionWindowLeavesThePictureTitlesFree) {
    FormLeft = FormTop = 1;
    auto form = CreateForm<TForm_hilfebild>();
    int left = 0, top = 0, width = 0, height = 0;
    Screen()->WorkArea(left, top, width, height);
    EXPECT_GT(form->Top(), top + height / 2);
    EXPECT_LE(form->Top() + form->Height(), top + height);
    FormLeft = 300, FormTop = 200; // where the user left it
    auto again = CreateForm<TForm_hilfebild>();
    EXPECT_EQ(again->Left(), 300);
    EXPECT_EQ(again->Top(), 200);
    FormLeft = FormTop = 1;
}

TEST_F(Catalogue, StartPictureNameWithOrWithoutExtension) {
    std::ofstream(dir_ / "Start.PLT", std::ios::binary) << "PU0,0;PD400,400;";
    ShowPltPicture("start.plt");
    EXPECT_EQ(Drawn(), (std::vector<std::string>{"4;0;0;10;10"}));
    EXPECT_EQ(DrawingKind, 1);
    ShowPltPicture("START");
    EXPECT_EQ(Drawn(), (std::vector<std::string>{"4;0;0;10;10"}));
}

TEST_F(Catalogue, PrinterLanguageEscapes) {
    TextFile f;
    f.Assign((dir_ / "plot.prn").string());
    ASSERT_EQ(f.Rewrite(), 0);
    WriteHpglModeOn(f);
    f.Write("IN;");
    WriteHpglModeOff(f);
    ASSERT_EQ(f.Close(), 0);
    EXPECT_EQ(ReadFileBytes(dir_ / "plot.prn"), "\x1b"
                                                "E\x1b%0BIN;\x1b%0A\x1b"
                                                "E");
}

} // namespace
