// The message browser after a calculation and the message help: finding a message's origin and
// remedy, the browser driven by the responder, editing an entry and saving it safely.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

#include "framework/ui/dialogs.h"
#include "framework/core/config_file.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/ui/help.h"
#include "framework/ui/message_help.h"
#include "framework/core/text.h"
#include "platform/gui/responder.h"
#include "platform/os/codepage.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

namespace {

using qortest::ReadFileBytes;

// The lines of a DOS text file, read here on their own.
std::vector<std::string> DosLines(const fs::path& p) {
    std::vector<std::string> out;
    std::istringstream in(ReadFileBytes(p));
    std::string l;
    while (std::getline(in, l)) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        out.push_back(os::Cp437ToUtf8(l));
    }
    return out;
}

// The line after the entry of message in the shipped file (1 origin, 2 remedy).
std::string ShippedLine(const std::string& message, int k) {
    const auto lines = DosLines(fs::path(QOR_SOURCE_DIR) / "data/qor1w.err");
    for (std::size_t i = 0; i + 2 < lines.size(); i += 3)
        if (lines[i].substr(0, 14) == message.substr(0, 14)) return lines[i + k];
    return "(missing)";
}

class ErrHelp : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qor_errhelp_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        fs::copy_file(fs::path(QOR_SOURCE_DIR) / "data/qor1w.err", dir_ / "qor1w.err");
        savedDir_ = PltDir;
        savedName_ = ProgramName;
        savedHandler_ = ShowHelpHandler;
        PltDir = dir_.string();
        ProgramName = "QOR1W";
        ShowHelpHandler = nullptr;
        savedLevel_ = HelpLevel;
        HelpLevel = 1;
        AbortFlag = 0;
        ClearErrors();
        SetCommandLineParams(0, nullptr);
    }
    void TearDown() override {
        PltDir = savedDir_;
        ProgramName = savedName_;
        ShowHelpHandler = savedHandler_;
        HelpLevel = savedLevel_;
        ClearErrors();
        AbortFlag = 0;
        fs::remove_all(dir_);
    }
    void WriteErr(const std::vector<std::string>& lines) {
        std::ofstream f(dir_ / "qor1w.err", std::ios::binary);
        for (const std::string& l : lines)
            f << os::Utf8ToCp437(l) << "\r\n";
    }
    fs::path dir_;
    std::string savedDir_, savedName_;
    ShowHelpFunc savedHandler_ = nullptr;
    std::uint16_t savedLevel_ = 1;
};

// Answers the browser's choice: picks item (0-based) and presses OK; checks the preselection.
ScriptedResponder::FormStep Choose(int item, int expectPreselected, int* seenItems = nullptr) {
    return [=](TForm& f) {
        auto* radio = dynamic_cast<Tin_radiodialog*>(&f);
        ASSERT_NE(radio, nullptr) << Respond::Question(f);
        EXPECT_EQ(radio->RadioGroup1->ItemIndex(), expectPreselected);
        if (seenItems != nullptr) *seenItems = radio->Items.Count();
        EXPECT_TRUE(Respond::Pick(f, "RadioGroup1", item));
        EXPECT_TRUE(Respond::Press(f, "Button_ok"));
    };
}

// Checks the help form of message and closes it with OK.
ScriptedResponder::FormStep HelpForm(const std::string& message) {
    return [=](TForm& f) {
        auto* h = dynamic_cast<Thelperr*>(&f);
        ASSERT_NE(h, nullptr) << Respond::Question(f);
        EXPECT_EQ(h->Caption(), "Error Message");
        EXPECT_EQ(h->Edit_meldung->Text(), message);
        EXPECT_EQ(h->Memo_ursache->Text(), ShippedLine(message, 1) + "\n");
        EXPECT_EQ(h->Memo_abhilfe->Text(), ShippedLine(message, 2) + "\n");
        EXPECT_TRUE(Respond::Press(f, "Button_ok"));
    };
}

TEST_F(ErrHelp, FindsOriginAndRemedyByTheFirst14Characters) {
    AddError("Warning: point teeth ! (2)");
    AddError("Warning: x > 1.5   (1) !");
    std::string s;
    GetErrOrigin(1, s);
    EXPECT_EQ(s, ShippedLine("Warning: point teeth !", 1));
    GetErrRemedy(1, s);
    EXPECT_EQ(s, ShippedLine("Warning: point teeth !", 2));
    // Shares the entry of "Warning: x > 1.5 !".
    GetErrOrigin(2, s);
    EXPECT_EQ(s, ShippedLine("Warning: x > 1.5 !", 1));
}

TEST_F(ErrHelp, MissingEntryMissingFileAndLastLine) {
    AddError("Warning: something new");
    AddError("Last message");
    WriteErr({"Other message", "origin", "remedy", "Last message"});
    std::string s;
    GetErrOrigin(1, s);
    EXPECT_EQ(s, "no help description available for this error message.");
    GetErrRemedy(1, s);
    EXPECT_EQ(s, "");
    // The file's last line is a message without origin: not found.
    GetErrOrigin(2, s);
    EXPECT_EQ(s, "no help description available for this error message.");
    fs::remove(dir_ / "qor1w.err");
    GetErrOrigin(1, s);
    EXPECT_EQ(s, "");
    // Out of range asks nothing.
    GetErrOrigin(5, s);
    EXPECT_EQ(s, "");
}

TEST_F(ErrHelp, NothingUnderNoGuiAndASuccessMessageWithoutMessages) {
    ScriptedResponder r;
    r.OnMessage(IDOK);
    ResponderScope scope(r);
    ShowCalcMessages();
    ASSERT_EQ(r.Seen().size(), 1u);
    EXPECT_NE(r.Seen()[0].find("Calculation successful without error messages"), std::string::npos);
    AddError("Warning: undercut !");
    const char* argv[] = {"qor1w", "job", "/nogui"};
    SetCommandLineParams(3, argv);
    ShowCalcMessages();
    EXPECT_EQ(r.Seen().size(), 1u);
    SetCommandLineParams(0, nullptr);
}

TEST_F(ErrHelp, BrowserListsTheMessagesAndShowsOriginAndRemedy) {
    AddError("Warning: x > 1.5 !");
    AddError("Warning: point teeth !");
    int items = 0;
    ScriptedResponder r;
    // Help level 1 opens on "Continue..." (item 3).
    r.OnForm(Choose(0, 2, &items))
        .OnForm(HelpForm("Warning: x > 1.5 !"))
        .OnForm(Choose(2, 1)); // preselected: the next message; choose Continue
    ResponderScope scope(r);
    ShowCalcMessages();
    EXPECT_EQ(items, 3);
    EXPECT_EQ(TextLines[3].str(), "Continue...");
    EXPECT_EQ(r.Pending(), 0);
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_EQ(HelpNo, 1210);
}

TEST_F(ErrHelp, HelpLevelTwoWalksThroughEveryMessage) {
    HelpLevel = 2;
    AddError("Warning: undercut !");
    AddError("Error  : Tol. Asne,Asni!");
    ScriptedResponder r;
    r.OnForm(Choose(0, 0))
        .OnForm(HelpForm("Warning: undercut !"))
        .OnForm(Choose(1, 1))
        .OnForm(HelpForm("Error  : Tol. Asne,Asni!"));
    ResponderScope scope(r);
    ShowCalcMessages();
    EXPECT_EQ(r.Pending(), 0);
    EXPECT_EQ(r.Unexpected(), 0);
}

TEST_F(ErrHelp, MessageWithoutHelpIsToldAndTheBrowserGoesOn) {
    AddError("Warning: not described");
    AddError("Warning: undercut !");
    ScriptedResponder r;
    r.OnForm(Choose(0, 2))
        .OnMessage(IDOK)
        .OnForm(Choose(1, 1))
        .OnForm(HelpForm("Warning: undercut !"));
    ResponderScope scope(r);
    ShowCalcMessages();
    EXPECT_EQ(r.Unexpected(), 0);
    ASSERT_GE(r.Seen().size(), 2u);
    EXPECT_NE(r.Seen()[1].find("no help description available for this error message."),
              std::string::npos);
}

TEST_F(ErrHelp, MissingHelpFileEndsTheBrowser) {
    fs::remove(dir_ / "qor1w.err");
    AddError("Warning: undercut !");
    ScriptedResponder r;
    r.OnForm(Choose(0, 1)).OnMessage(IDOK);
    ResponderScope scope(r);
    ShowCalcMessages();
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_NE(r.Seen().back().find("not found or no access"), std::string::npos);
}

TEST_F(ErrHelp, EditingTheRemedyRewritesOnlyThatLine) {
    const std::string before = ReadFileBytes(dir_ / "qor1w.err");
    AddError("Warning: undercut !");
    ScriptedResponder r;
    // Quotes the DOS page lacks are refused, naming them; the form stays with the text.
    r.OnForm([](TForm& f) {
         auto& h = dynamic_cast<Thelperr&>(f);
         h.Memo_abhilfe->WidgetTextEdited(
             "Increase x; see the \xE2\x80\x9Cx min\xE2\x80\x9D value.");
         EXPECT_TRUE(h.Changed);
         Respond::Press(f, "Button_ok");
     })
        .OnMessage(IDYES)
        .OnMessage(IDOK)
        .OnForm([](TForm& f) {
            auto& h = dynamic_cast<Thelperr&>(f);
            EXPECT_EQ(h.ModalResult(), mrNone);
            h.Memo_abhilfe->WidgetTextEdited("Increase x; see the 'x min' value.");
            Respond::Press(f, "Button_ok");
        })
        .OnMessage(IDYES);
    ResponderScope scope(r);
    ShowMessageHelp(1);
    EXPECT_EQ(r.Unexpected() + r.Pending(), 0);
    EXPECT_NE(r.Seen().at(2).find("the message help file cannot hold \"\xE2\x80\x9C\" "
                                  "\"\xE2\x80\x9D\""),
              std::string::npos)
        << r.Seen().at(2);
    const auto oldLines = [&] {
        std::ofstream(dir_ / "old.err", std::ios::binary) << before;
        return DosLines(dir_ / "old.err");
    }();
    const auto newLines = DosLines(dir_ / "qor1w.err");
    ASSERT_EQ(newLines.size(), oldLines.size());
    int changed = 0;
    for (std::size_t i = 0; i < newLines.size(); ++i) {
        if (newLines[i] == oldLines[i]) continue;
        ++changed;
        EXPECT_EQ(oldLines[i - 2], "Warning: undercut !");
        EXPECT_EQ(newLines[i], "Increase x; see the 'x min' value.");
    }
    EXPECT_EQ(changed, 1);
    // Written with the file's own line ends.
    EXPECT_NE(ReadFileBytes(dir_ / "qor1w.err").find("value.\r\n"), std::string::npos);
}

// Special characters transliterated: a remedy typed is saved under the entry as the file holds
// it ("FHß5", shown "FHss5"), and the origin left as shown keeps its "ä" and "ü".
TEST_F(ErrHelp, ATransliteratedEntryKeepsWhatWasNotTyped) {
    WriteErr({"Error  : FH\u00df5 (pow)", "Ursache: Z\u00e4hne \u00fc", "Abhilfe"});
    AddError("Error  : FH\u00df5 (pow)");
    CharMode = 1;
    ScriptedResponder r;
    r.OnForm([](TForm& f) {
         dynamic_cast<Thelperr&>(f).Memo_abhilfe->WidgetTextEdited("neu");
         Respond::Press(f, "Button_ok");
     }).OnMessage(IDYES);
    ResponderScope scope(r);
    ShowMessageHelp(1);
    CharMode = 0;
    EXPECT_EQ(DosLines(dir_ / "qor1w.err"),
              (std::vector<std::string>{"Error  : FH\u00df5 (pow)", "Ursache: Z\u00e4hne \u00fc",
                                        "neu"}));
}

// The shipped file is only read (here from a read-only folder): Save Changes writes the user's
// copy in the user's data folder, which is read and changed from then on.
TEST_F(ErrHelp, TheShippedFileIsEditedInTheUsersCopy) {
    const std::string before = ReadFileBytes(dir_ / "qor1w.err"), shipped = ShippedDataDir;
    const fs::path user = dir_ / "home/qor1w/qor1w.err";
    fs::create_directories(dir_ / "home");
    ShippedDataDir = PltDir;
    ::setenv("XDG_DATA_HOME", (dir_ / "home").c_str(), 1); // the fixture's folder of its own
    fs::permissions(dir_ / "qor1w.err", fs::perms::owner_read);
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    AddError("Warning: undercut !");
    ScriptedResponder r;
    for (const char* origin : {"first", "second"}) // the second edit reads and changes the copy
        r.OnForm([origin](TForm& f) {
             dynamic_cast<Thelperr&>(f).Memo_ursache->WidgetTextEdited(origin);
             Respond::Press(f, "Button_ok");
         }).OnMessage(IDYES);
    {
        ResponderScope scope(r);
        ShowMessageHelp(1);
        ShowMessageHelp(1);
    }
    fs::permissions(dir_, fs::perms::owner_all);
    ShippedDataDir = shipped;
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_NE(fs::status(user).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(r.Unexpected() + r.Pending(), 0) << ::testing::PrintToString(r.Seen());
    EXPECT_EQ(ReadFileBytes(dir_ / "qor1w.err"), before);
    std::vector<std::string> want = DosLines(dir_ / "qor1w.err");
    *(std::find(want.begin(), want.end(), "Warning: undercut !") + 1) = "second";
    EXPECT_EQ(DosLines(user), want);
}

TEST_F(ErrHelp, UnchangedOrNotSavedLeavesTheFile) {
    const std::string before = ReadFileBytes(dir_ / "qor1w.err");
    AddError("Warning: undercut !");
    ScriptedResponder r;
    r.OnForm([](TForm& f) { Respond::Press(f, "Button_ok"); })
        .OnForm([](TForm& f) {
            auto& h = dynamic_cast<Thelperr&>(f);
            h.Memo_ursache->WidgetTextEdited("changed");
            Respond::Press(f, "Button_ok");
        })
        .OnMessage(IDNO);
    ResponderScope scope(r);
    ShowMessageHelp(1); // no change: no question
    ShowMessageHelp(1); // changed, answered No
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_EQ(ReadFileBytes(dir_ / "qor1w.err"), before);
}

TEST_F(ErrHelp, SavingAMessageNotInTheFileSaysSo) {
    const std::string before = ReadFileBytes(dir_ / "qor1w.err");
    ScriptedResponder r;
    r.OnMessage(IDOK);
    ResponderScope scope(r);
    EXPECT_FALSE(SaveErrHelpEntry("Warning: brand new", "o", "r"));
    ASSERT_EQ(r.Seen().size(), 1u);
    EXPECT_NE(r.Seen()[0].find("Warning: brand new not found."), std::string::npos);
    EXPECT_EQ(ReadFileBytes(dir_ / "qor1w.err"), before);
}

TEST_F(ErrHelp, AWriteFailureLeavesTheOriginalIntact) {
    const std::string before = ReadFileBytes(dir_ / "qor1w.err");
    ScriptedResponder r;
    r.OnMessage(IDOK);
    ResponderScope scope(r);
    // Files may not grow beyond 1000 bytes while the entry is saved: the new file cannot be
    // written completely.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = SaveErrHelpEntry("Warning: undercut !", "new origin", "new remedy");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(ReadFileBytes(dir_ / "qor1w.err"), before);
    ASSERT_FALSE(r.Seen().empty());
    EXPECT_NE(r.Seen().back().find("error: the file is too large (file-size limit) - nothing was"),
              std::string::npos)
        << r.Seen().back();
    // No temporary file is left beside it.
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir_)) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);
    AbortFlag = 0;
    // Without the limit the same save succeeds.
    EXPECT_TRUE(SaveErrHelpEntry("Warning: undercut !", "new origin", "new remedy"));
    std::string o, rem;
    ASSERT_EQ(FindErrHelp("Warning: undercut !", o, rem), 0);
    EXPECT_EQ(o, "new origin");
    EXPECT_EQ(rem, "new remedy");
}

TEST_F(ErrHelp, HelpFileUnderAnotherLetterCaseIsReplacedInPlace) {
    fs::rename(dir_ / "qor1w.err", dir_ / "QOR1W.ERR");
    EXPECT_TRUE(SaveErrHelpEntry("Warning: undercut !", "o", "r"));
    EXPECT_FALSE(fs::exists(dir_ / "qor1w.err"));
    std::string o, rem;
    ASSERT_EQ(FindErrHelp("Warning: undercut !", o, rem), 0);
    EXPECT_EQ(o, "o");
}

TEST_F(ErrHelp, HelpButtonOfTheFormShowsHelp1970) {
    static std::uint16_t shown = 0;
    ShowHelpHandler = [](std::uint16_t n, std::uint16_t mode) {
        shown = n;
        EXPECT_EQ(mode, 1);
        AbortFlag = 1;
    };
    AddError("Warning: undercut !");
    ScriptedResponder r;
    r.OnForm([](TForm& f) {
        Respond::Press(f, "Button_help");
        EXPECT_EQ(AbortFlag, 0);
        Respond::Press(f, "Button_ok");
    });
    ResponderScope scope(r);
    ShowMessageHelp(1);
    EXPECT_EQ(shown, 1970);
}

} // namespace
