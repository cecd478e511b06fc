// The listing devices: text window, text printer (recording script and device file), system
// printer to PDF (poppler), word processor and browser starts, TXT files (Python csv), HTML
// (html5lib), the temporary listing files, the message section and PrintCalcMessages.

#include "listing_testutil.h"

#include "framework/ui/dialogs.h"
#include "framework/core/text.h"
#include "platform/gui/application.h"
#include "platform/gui/printer.h"
#include "platform/gui/screen.h"

#include <chrono>
#include <thread>

using namespace listing_test;

namespace {

const std::string kChecker = std::string(QOR_SOURCE_DIR) + "/tests/framework/ui/listing_check.py";

// Waits until a file started programs write has the expected content (or gives up).
std::string WaitForFile(const std::string& path, const std::string& expected) {
    std::string got;
    for (int i = 0; i < 2000; ++i) {
        got = ReadFileBytes(path);
        if (got == expected) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return got;
}

// Changes the current directory for a scope.
class CurrentDir {
public:
    explicit CurrentDir(const fs::path& p) : saved_(fs::current_path()) { fs::current_path(p); }
    ~CurrentDir() { fs::current_path(saved_); }

private:
    fs::path saved_;
};

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

std::string Origin(int i) {
    return "origin of message " + std::to_string(i);
}
std::string LongRemedy(int i) {
    return "remedy " + std::to_string(i) +
           ": choose a larger profile shift or fewer teeth, then calculate the pair again and "
           "check the tip clearance";
}
class ListingDevices : public ListingTest {
protected:
    void SetUp() override {
        ListingTest::SetUp();
        // The message help file: message, origin and remedy per entry, in the DOS code page.
        PltDir = dir.string();
        std::string help;
        const std::vector<std::string> messages = {"Warning: tip too thin", "Error  : undercut",
                                                   "Warning: one", "Warning: a<b & c>d"};
        for (std::size_t i = 0; i < messages.size(); ++i) {
            const int n = i == 1 ? 2 : 1;
            help += messages[i] + "\r\n" + Origin(n) + "\r\n" + LongRemedy(n) + "\r\n";
        }
        WriteFileBytes(Path("qor1w.err"), help);
        TextPrinterDeviceFolder = Path("dev"); // no local printer unless a test makes one
    }
    void TearDown() override {
        TextPrinterCommand = "lp -o raw";
        TextPrinterTarget.clear();
        TextPrinterDeviceFolder = "/dev";
        DesktopOpenCommand = "xdg-open";
        ListingTest::TearDown();
    }
    std::vector<std::string> TempFiles() const {
        std::vector<std::string> names = ListingTest::TempFiles();
        names.erase(std::remove(names.begin(), names.end(), "qor1w.err"), names.end());
        return names;
    }
};

// Memo lines of the text window when it is shown.
ScriptedResponder::FormStep ReadWindow(std::vector<std::string>& lines) {
    return [&lines](TForm& f) {
        auto& w = dynamic_cast<TForm_showtextfile&>(f);
        lines = w.Memo1->Lines().Items();
        w.mi_dateiBeenden->Click();
    };
}

} // namespace

// ---- text window -------------------------------------------------------------------------------

TEST_F(ListingDevices, TextWindowShowsTheListingAndLeavesNoTemporaryFile) {
    Application->Initialize();
    FrameStyle = 2;
    std::vector<std::string> lines;
    ScriptedResponder r;
    r.OnForm(ReadWindow(lines));
    ResponderScope scope(r);
    WriteSample(ListDeviceScreen);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(r.Unexpected(), 0);
    ASSERT_GT(lines.size(), 20u);
    // The box-drawing frame reaches the window as the characters they are.
    EXPECT_EQ(lines[0], "       \u2554" + Repeat("\u2550", 68) + "\u2557");
    EXPECT_NE(lines[15].find("Pressure Angle"), std::string::npos);
    EXPECT_EQ(TempFiles(), std::vector<std::string>{"outwin.txt"});
    // A second end shows nothing again.
    ListEnd();
    EXPECT_EQ(r.Seen().size(), 1u);
}

TEST_F(ListingDevices, EmptyListingShowsAnEmptyWindow) {
    Application->Initialize();
    std::vector<std::string> lines{"not shown"};
    ScriptedResponder r;
    r.OnForm(ReadWindow(lines));
    ResponderScope scope(r);
    ListBegin(ListDeviceScreen, "");
    ASSERT_TRUE(ListRewrite());
    ListEnd();
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(ReadFileBytes(Path("outwin.txt")), "");
    // Even when the caller never opened the file.
    ScriptedResponder r2;
    r2.OnForm(ReadWindow(lines));
    ResponderScope scope2(r2);
    ListBegin(ListDeviceScreen, "");
    ListEnd();
    EXPECT_EQ(r2.Pending(), 0);
    EXPECT_EQ(TempFiles(), std::vector<std::string>{"outwin.txt"});
}

TEST_F(ListingDevices, ClipboardInsteadOfTheWindow) {
    Application->Initialize();
    ListToClipboard = 1;
    ScriptedResponder r; // no window may open
    ResponderScope scope(r);
    ListBegin(ListDeviceScreen, "");
    ASSERT_TRUE(ListRewrite());
    ListLine("first");
    ListLine("Zahnbreite \xC3\x9F");
    ListEnd();
    EXPECT_EQ(r.Seen().size(), 0u);
    EXPECT_EQ(Clipboard()->AsText(), "       first\n       Zahnbreite \xC3\x9F");
}

TEST_F(ListingDevices, AbandonedOrFailedListingShowsNothing) {
    ScriptedResponder r;
    ResponderScope scope(r);
    ListBegin(ListDeviceScreen, "");
    ASSERT_TRUE(ListRewrite());
    ListLine("half");
    AbortFlag = 1; // the caller stopped
    ListEnd();
    EXPECT_EQ(r.Seen().size(), 0u);
    EXPECT_TRUE(TempFiles().empty());

    // A listing left without ListEnd is given up by the next one.
    AbortFlag = 0;
    ListBegin(ListDeviceScreen, "");
    ASSERT_TRUE(ListRewrite());
    ListLine("left open");
    ListBegin(ListDeviceOutDos, "");
    ASSERT_TRUE(ListRewrite());
    ListLine("next");
    ListEnd();
    EXPECT_EQ(TempFiles(), (std::vector<std::string>{"OUTDOS.TXT", "outwin.txt"}));
    EXPECT_EQ(ReadFileBytes(Path("OUTDOS.TXT")), "       next\r\n");
}

// ---- temporary files ---------------------------------------------------------------------------

// Listings of no chosen name stay where no other user may enter: the temporary folder when it
// is such a folder, else one made in it, else one in XDG_RUNTIME_DIR. A link planted in their
// place is never followed; with no folder to be had the listing says why.
TEST_F(ListingDevices, ListingsStayInAFolderOfTheUsersOwn) {
    const std::string own = "qor1w-" + std::to_string(::geteuid()), run = Path("run");
    for (const char* sub : {"shared", "planted", "elsewhere", "run"})
        fs::create_directory(dir / sub);
    fs::permissions(run, fs::perms::owner_all);
    fs::create_directory_symlink(dir / "elsewhere", dir / "planted" / own);
    const std::string cases[][3] = {{dir.string(), "", dir.string()},
                                    {Path("shared"), "", Path("shared/" + own)},
                                    {Path("planted"), run, run + "/qor1w"},
                                    {Path("planted"), "", ""}}; // TempDir, runtime, folder
    for (const auto& [temp, runtime, folder] : cases) {
        TempDir = temp;
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        ScriptedResponder r;
        r.OnMessage(IDOK);
        ResponderScope scope(r);
        WriteSample(ListDeviceOutDos);
        AbortFlag = 0;
        EXPECT_EQ(fs::exists(folder + "/OUTDOS.TXT"), !folder.empty());
        EXPECT_EQ(folder.empty() ? fs::perms::owner_all : fs::status(folder).permissions(),
                  fs::perms::owner_all);
        const std::string said = ::testing::PrintToString(Errors(r)); // none, or the one cause
        EXPECT_EQ(said.find("listings can be made: " + Path("planted/" + own) +
                            ": it is a symbolic link") != std::string::npos,
                  folder.empty())
            << said;
        // And where the user gets out of it.
        EXPECT_EQ(said.find("Settings > Directories: \\\"Temporary directory") != std::string::npos,
                  folder.empty())
            << said;
    }
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
    ::unsetenv("XDG_RUNTIME_DIR");
}

// ---- TXT devices -------------------------------------------------------------------------------

// Drafts and copies under names of their own: a user's files named as drafts once were stay as
// they are, and the draft is gone when the listing has ended.
TEST_F(ListingDevices, TxtFileReadByCsvHasNoRulesAndCarriesTheDecimalSign) {
    FrameStyle = 1;
    AddError("Warning: tip too thin");
    for (const char* n : {"$$$1.txt", "$$1.txt"})
        WriteFileBytes(Path(n), "the user's");
    for (std::uint16_t sign : {2, 1}) {
        SCOPED_TRACE(sign);
        ListDecimalSign = sign;
        SampleHeader();
        ListBegin(ListDeviceTxt, "");
        ASSERT_EQ(AbortFlag, 0);
        EXPECT_EQ(ListFileName.rfind(Path("$$$"), 0), 0u) << ListFileName;
        ASSERT_TRUE(ListRewrite());
        ListHead(0, 1);
        ListColumnHead();
        WriteSampleBody();
        ListLine(ListRuleLine());
        ListMessages();
        ListEnd();
        EXPECT_EQ(AbortFlag, 0);
        const std::string out = ListResultFile;
        EXPECT_EQ(out.rfind(Path("$$" + std::to_string(ListFileCounter) + "-"), 0), 0u) << out;
        std::vector<std::string> want = {"$$$1.txt", "$$1.txt", fs::path(out).filename()};
        std::sort(want.begin(), want.end());
        EXPECT_EQ(TempFiles(), want);
        EXPECT_EQ(ReadFileBytes(Path("$$1.txt")) + ReadFileBytes(Path("$$$1.txt")),
                  "the user'sthe user's");
        std::string report;
        EXPECT_EQ(RunCmd("/usr/bin/python3 " + Quote(kChecker) + " txt " + Quote(out) + " " +
                             (sign == 2 ? "," : ".") + " 3",
                         &report),
                  0)
            << report;
        const std::string text = ReadFileBytes(out);
        fs::remove(out);
        EXPECT_NE(text.find("Warning: tip too thin\torigin of message 1\tremedy 1: "),
                  std::string::npos);
        // The head names the job, not the draft the listing was written into.
        EXPECT_EQ(text.rfind("QOR1W - Involute Gear Dimensions V1.1\t03/07/2026\t9:05\r\n"
                             "/data/gears/gear.q1w\r\n",
                             0),
                  0u)
            << text.substr(0, 200);
    }
    EXPECT_EQ(ListFileCounter, 2);
}

// Also for a job given on the command line by its full name: the listing goes beside the job
// under the job's name with ".txt", never into the job file.
TEST_F(ListingDevices, TxtOfTheDataFileGoesToTheDataDirectory) {
    fs::create_directories(dir / "elsewhere");
    CurrentDir cd(dir / "elsewhere");
    ListDecimalSign = 1;
    for (const bool commandLine : {false, true}) {
        SCOPED_TRACE(commandLine);
        DataDir = commandLine ? "" : dir.string() + "/";
        if (commandLine) DataFileName = Path("gear.q1w");
        WriteFileBytes(Path("gear.q1w"), "the job");
        ListBegin(ListDeviceDataTxt, "");
        ASSERT_TRUE(ListRewrite());
        ListHead(0, 0);
        ListValueLine("Zahnbreite \xC3\x9F", "b", "mm", "12,5");
        ListValuePairLine("Spanne", "W", "mm", "23,456", "23,400");
        ListEnd();
        const std::string out = ReadFileBytes(Path("gear.txt"));
        // Windows 1252: sharp s is one byte; the decimal sign is the point.
        EXPECT_NE(out.find("Zahnbreite \xDF\tb\tmm\t12.5\r\n"), std::string::npos);
        EXPECT_NE(out.find("\r\nSpanne\tW\tmm\t23.456\t23.400\r\n"), std::string::npos);
        EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
        EXPECT_EQ(ReadFileBytes(Path("gear.q1w")), "the job");
        fs::remove(Path("gear.txt"));
    }
}

// ---- HTML --------------------------------------------------------------------------------------

TEST_F(ListingDevices, HtmlParsesWithOneTablePerSectionAndEscapedTexts) {
    AddError("Warning: a<b & c>d");
    HtmlBrowser = "";
    const std::string chosen = Path("my--list.htm");
    ScriptedResponder r;
    std::string filter;
    r.OnDialog([&](TCommonDialog& d) {
        filter = dynamic_cast<TOpenDialog&>(d).Filter;
        dynamic_cast<TOpenDialog&>(d).Choose(chosen);
        return true;
    });
    ResponderScope scope(r);
    SampleHeader();
    ListBegin(ListDeviceHtml, "");
    ASSERT_EQ(AbortFlag, 0);
    EXPECT_EQ(filter, "*.htm|*.htm");
    EXPECT_EQ(DataFileExt, "q1w");
    ASSERT_TRUE(ListRewrite());
    ListHead(0, 1);
    ListHead(0, 1); // the document head only once
    ListColumnHead();
    ListValueLine("Pressure Angle", "alpha", "deg", "20.00000");
    ListValuePairLine("Span measurement", "W max.", "mm", "23.456", "23.400");
    ListSectionBreak();
    ListColumnHead();
    ListValueLine("Designation a<b & c>d", "x", "", "1");
    ListSectionBreak();
    ListLine("a<b & c>d");
    ListLine(std::string("forbidden:\0\x01\x7F\xC2\x85\xEF\xBF\xBE\xFF.", 20)); // U+FFFD each
    ListMessages(); // one table for its one message
    ListEnd();
    EXPECT_EQ(AbortFlag, 0);
    const std::string text = ReadFileBytes(chosen);
    EXPECT_EQ(CountOf(text, "<HTML>"), 1);
    EXPECT_EQ(text.rfind("<!-- ", 0), 0u);
    std::string report;
    EXPECT_EQ(
        RunCmd("/usr/bin/python3 " + Quote(kChecker) + " html " + Quote(chosen) + " 3", &report), 0)
        << report;
    EXPECT_EQ(DataFileExt, "q1w");
    EXPECT_EQ(DataFileName, "gear");
}

TEST_F(ListingDevices, HtmlExtensionIsRestoredOnEveryPath) {
    // Cancelled choice.
    HtmlBrowser = "";
    {
        ScriptedResponder r;
        r.OnDialog([](TCommonDialog&) { return false; });
        ResponderScope scope(r);
        ListBegin(ListDeviceHtml, "");
        EXPECT_EQ(AbortFlag, 1);
        EXPECT_EQ(DataFileExt, "q1w");
    }
    // Browser configured but missing: reported with the file, extension as before, file kept
    // beyond the end of the program.
    AbortFlag = 0;
    HtmlBrowser = "qor-no-such-browser --new-window";
    {
        ScriptedResponder r;
        r.OnMessage(IDOK);
        ResponderScope scope(r);
        ListBegin(ListDeviceHtml, "");
        EXPECT_EQ(ListFileName, Path("qor1w.htm"));
        ASSERT_TRUE(ListRewrite());
        ListHead(0, 0);
        ListEnd();
        EXPECT_EQ(Messages(r), std::vector<std::string>{
                                   "Error  : : qor-no-such-browser not found: the listing is "
                                   "kept in " +
                                   Path("qor1w.htm") +
                                   ".\nSet the program in File > Settings > external: \"HTML "
                                   "Browser\"."});
        EXPECT_EQ(DataFileExt, "q1w");
        RemoveTemporaryFiles();
        EXPECT_TRUE(fs::exists(Path("qor1w.htm")));
    }
    // Browser found (a stored Windows path opens with the desktop's program), after the
    // question whether the old file may go.
    fs::create_directories(dir / "browser");
    HtmlBrowser = "c:\\Program Files\\Internet Explorer\\Iexplore.exe";
    DesktopOpenCommand = "cp -t " + Path("browser");
    {
        ScriptedResponder r;
        r.OnMessage(IDYES);
        ResponderScope scope(r);
        ListBegin(ListDeviceHtml, "");
        ASSERT_EQ(AbortFlag, 0);
        ASSERT_TRUE(ListRewrite());
        ListHead(0, 0);
        ListLine("shown");
        ListEnd();
        EXPECT_EQ(r.Pending(), 0);
        EXPECT_EQ(DataFileExt, "q1w");
    }
    const std::string html = ReadFileBytes(Path("qor1w.htm"));
    EXPECT_EQ(WaitForFile(Path("browser/qor1w.htm"), html), html);
    EXPECT_NE(html.find("<br>shown"), std::string::npos);
}

TEST_F(ListingDevices, HtmlEscapeAndProgramCommands) {
    EXPECT_EQ(HtmlEscape("a<b>&\"c\""), "a&lt;b&gt;&amp;\"c\"");
    EXPECT_EQ(ListProgramCommand("C:\\WINDOWS\\WRITE.EXE", "/t/x.txt"),
              (std::vector<std::string>{"xdg-open", "/t/x.txt"}));
    EXPECT_EQ(ListProgramCommand("d:notepad.exe", "/f"),
              (std::vector<std::string>{"xdg-open", "/f"}));
    EXPECT_EQ(ListProgramCommand("\"/opt/my editor/ed\" -n", "/f g"),
              (std::vector<std::string>{"/opt/my editor/ed", "-n", "/f g"}));
    EXPECT_TRUE(ListProgramCommand("   ", "/f").empty());
}

// ---- printers ----------------------------------------------------------------------------------

TEST_F(ListingDevices, SystemPrinterToPdfGivesTheExpectedPages) {
    Application->Initialize();
    const std::string pdf = Path("listing.pdf");
    ASSERT_TRUE(Printer()->SetOutputFileName(pdf));
    FrameStyle = 1;
    LinesPerPage = 30;
    int offered = -1;
    ScriptedResponder r;
    r.OnDialog([&](TCommonDialog& d) {
        offered = dynamic_cast<TPrintDialog&>(d).MaxPage;
        return true;
    });
    ResponderScope scope(r);
    ListHeader("Printed", "", "", "", "", 0);
    ListBegin(ListDevicePrinter, "");
    ASSERT_TRUE(ListRewrite());
    ListHead(0, 1);
    for (int i = 1; i <= 100; ++i)
        ListLine("row " + std::to_string(i));
    ListSectionBreak();
    ListEnd();
    Printer()->SetOutputFileName("");
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(offered, 6);
    std::string info;
    RunCmd("pdfinfo " + Quote(pdf), &info);
    const std::size_t at = info.find("Pages:");
    ASSERT_NE(at, std::string::npos) << info;
    EXPECT_EQ(std::stoi(info.substr(at + 6)), 6) << info;
    std::string page2;
    RunCmd("pdftotext -layout -f 2 -l 2 " + Quote(pdf) + " -", &page2);
    EXPECT_NE(page2.find("pg.2"), std::string::npos) << page2;
    // 30 lines a page: 12 head lines and 18 rows, then a head of 13 lines and 17 rows.
    EXPECT_EQ(page2.find("row 18"), std::string::npos);
    EXPECT_NE(page2.find("row 19"), std::string::npos);
    EXPECT_NE(page2.find("row 35"), std::string::npos);
    EXPECT_EQ(page2.find("row 36"), std::string::npos);
    EXPECT_EQ(TempFiles(), std::vector<std::string>{"listing.pdf"});
}

TEST_F(ListingDevices, TextPrinterReceivesSetUpCp437TextAndFormFeeds) {
    const std::string script = Path("record.sh");
    WriteFileBytes(script,
                   "#!/bin/sh\n"
                   "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$RECORD_DIR/args\"\n"
                   "for a in \"$@\"; do last=\"$a\"; done\n"
                   "cp \"$last\" \"$RECORD_DIR/data\"\n");
    fs::permissions(script, fs::perms::owner_all);
    ::setenv("RECORD_DIR", dir.c_str(), 1);
    TextPrinterCommand = "/bin/sh " + script + " -o raw";
    TextPrinterTarget = "office-queue";
    const std::string setup = "\x1b@\x1b(s16.6H";
    WriteFileBytes(Path("text.hxp"), setup); // found whatever the letter case
    FrameStyle = 2;
    {
        CurrentDir cd(dir);
        ScriptedResponder r;
        r.OnMessage(IDNO); // no single-page printing
        ResponderScope scope(r);
        WriteSample(ListDeviceTextPrinter);
        EXPECT_EQ(r.Pending(), 0);
        EXPECT_EQ(HelpNo, 1060);
    }
    EXPECT_EQ(AbortFlag, 0);
    const std::string data = ReadFileBytes(Path("data"));
    ASSERT_EQ(data.rfind(setup, 0), 0u) << "set-up first";
    const std::string body = data.substr(setup.size());
    // The DOS page: the box-drawing top rule, the frame bar; the sections end in a bare form
    // feed (no line end after it).
    EXPECT_EQ(body.substr(0, 9), "       \xC9\xCD");
    EXPECT_NE(body.find("\xBA    Production Sheet"), std::string::npos);
    EXPECT_EQ(CountOf(body, "\f"), 1);
    EXPECT_EQ(body.back(), '\f');
    EXPECT_EQ(CountOf(ReadFileBytes(Path("args")), "\n"), 5);
    EXPECT_EQ(ReadFileBytes(Path("args")).substr(0, 24), "-o\nraw\n-d\noffice-queue\n/");
    EXPECT_EQ(TempFiles(), (std::vector<std::string>{"args", "data", "record.sh", "text.hxp"}));
    ::unsetenv("RECORD_DIR");
}

TEST_F(ListingDevices, TextPrinterSinglePagesAndDeviceFiles) {
    const std::string device = Path("lp0");
    WriteFileBytes(device, "");
    WriteFileBytes(Path("TEXT.HXP"), "<setup>");
    CurrentDir cd(dir);
    TextPrinterTarget = device;
    FrameStyle = 1;
    LinesPerPage = 20;
    ListHeader("Pages", "", "", "", "", 0);
    // Each page is printed before the paper for the next one is asked for.
    std::vector<std::string> printedWhenAsked;
    ScriptedResponder r;
    r.OnMessage(IDYES); // single-page printing
    for (int i = 0; i < 3; ++i)
        r.OnMessage(IDYES);
    r.OnMessage(IDNO);
    ResponderScope scope(r);
    ListBegin(ListDeviceTextPrinter, "");
    EXPECT_EQ(ListSinglePage, 1);
    ASSERT_TRUE(ListRewrite());
    ListHead(0, 1);
    EXPECT_EQ(ReadFileBytes(device), ""); // the first sheet: nothing printed before it
    int written = 0;
    for (int i = 1; i <= 40 && AbortFlag == 0; ++i) {
        ListLine("row " + std::to_string(i));
        if (AbortFlag == 0) written = i;
    }
    // The fourth sheet was refused: the pages before it are printed, nothing after them.
    EXPECT_EQ(AbortFlag, 1);
    ListEnd();
    EXPECT_EQ(r.Pending(), 0);
    EXPECT_EQ(Errors(r).size(), 0u);
    const std::string got = ReadFileBytes(device);
    EXPECT_EQ(got.rfind("<setup>       ****", 0), 0u);
    EXPECT_EQ(CountOf(got, "<setup>"), 1);
    EXPECT_EQ(CountOf(got, "\f"), 3);
    EXPECT_EQ(CountOf(got, "Pages"), 3);
    EXPECT_EQ(got.back(), '\f');
    EXPECT_EQ(CountOf(got, "row "), written);
    EXPECT_EQ(TempFiles(), (std::vector<std::string>{"TEXT.HXP", "lp0"}));

    // Without single pages the whole listing is appended to the device at the end, and its last
    // page leaves the printer although the listing ends without a section break.
    AbortFlag = 0;
    ScriptedResponder r2;
    r2.OnMessage(IDNO);
    ResponderScope scope2(r2);
    WriteFileBytes(device, "before|");
    ListBegin(ListDeviceTextPrinter, "");
    ASSERT_TRUE(ListRewrite());
    ListHead(0, 0);
    ListLine("row 1");
    EXPECT_EQ(ReadFileBytes(device), "before|");
    ListEnd();
    const std::string all = ReadFileBytes(device);
    EXPECT_EQ(all.rfind("before|<setup>       ****", 0), 0u);
    EXPECT_EQ(all.substr(all.size() - 15), "       row 1\r\n\f");
}

TEST_F(ListingDevices, TextPrinterFailuresAreReported) {
    // A queue command that fails, and one a signal ends (not told as its exit code 141).
    for (const auto& [command, said] :
         {std::pair{"/bin/sh -c \"exit 3\" sh", "ended with code 3"},
          std::pair{"/bin/sh -c \"kill -PIPE $$\" sh",
                    "was ended by signal 13 (SIGPIPE: Broken pipe)"}}) {
        AbortFlag = 0;
        TextPrinterCommand = command;
        ScriptedResponder r;
        r.OnMessage(IDNO).OnMessage(IDOK);
        ResponderScope scope(r);
        ListBegin(ListDeviceTextPrinter, "");
        ASSERT_TRUE(ListRewrite());
        ListLine("x");
        ListEnd();
        EXPECT_EQ(AbortFlag, 1);
        EXPECT_EQ(Errors(r),
                  std::vector<std::string>{"Error  : : LPT1: /bin/sh " + std::string(said)});
        EXPECT_TRUE(TempFiles().empty());
    }

    AbortFlag = 0;
    TextPrinterTarget = Path("missing/lp0");
    ScriptedResponder r2;
    r2.OnMessage(IDNO).OnMessage(IDOK);
    ResponderScope scope2(r2);
    ListBegin(ListDeviceTextPrinter, "");
    ASSERT_TRUE(ListRewrite());
    ListLine("x");
    ListEnd();
    EXPECT_EQ(AbortFlag, 1);
    ASSERT_EQ(Errors(r2).size(), 1u);
    EXPECT_EQ(Errors(r2)[0].rfind("Error  : : LPT1: " + Path("missing/lp0") + ": ", 0), 0u);
}

// The text printer: the environment's choice, else the settings' queue, else the port's local
// printer device, else (LPT1 only) the default queue.
TEST_F(ListingDevices, TheTextPrinterIsTheSettingsQueueOrThePortsDevice) {
    const std::vector<std::string> two = {"/dev/lp0", "/dev/usb/lp0"};
    const struct {
        const char *env, *queue;
        std::uint16_t port;
        std::vector<std::string> devices;
        const char* target; // nullptr: refused, saying what to set
    } cases[] = {{"", "", 1, two, "/dev/lp0"},
                 {"", "", 2, two, "/dev/usb/lp0"},
                 {"", "", 1, {}, ""},
                 {"", "", 3, two, nullptr},
                 {"", " office ", 3, two, "office"},
                 {"/x/lp9", "office", 2, two, "/x/lp9"}};
    for (const auto& c : cases) {
        TextPrinterTarget = c.env;
        TextPrinterQueue = c.queue;
        std::string target, problem;
        EXPECT_EQ(ChooseTextPrinter(c.port, c.devices, target, problem), c.target != nullptr);
        EXPECT_EQ(target, c.target != nullptr ? c.target : "") << c.port;
        EXPECT_EQ(problem.find("Settings > Printer") != std::string::npos, c.target == nullptr);
    }
    // LPT2 of Settings > Printer prints on the second local printer device.
    fs::create_directories(dir / "dev/usb");
    WriteFileBytes(Path("dev/lp0"), "");
    WriteFileBytes(Path("dev/usb/lp0"), "");
    TextPrinterTarget = TextPrinterQueue = "";
    PrinterInterface = 2;
    ScriptedResponder r;
    r.OnMessage(IDNO);
    ResponderScope scope(r);
    WriteSample(ListDeviceTextPrinter);
    EXPECT_EQ(ReadFileBytes(Path("dev/lp0")), "");
    EXPECT_NE(ReadFileBytes(Path("dev/usb/lp0")).find("Production Sheet"), std::string::npos);
}

// ---- word processor ----------------------------------------------------------------------------

TEST_F(ListingDevices, WordProcessorOpensTheConvertedListing) {
    fs::create_directories(dir / "editor");
    WordProcessor = "C:\\WINDOWS\\WRITE.EXE";
    DesktopOpenCommand = "cp -t " + Path("editor");
    ListBegin(ListDeviceWordProcessor, "");
    ASSERT_TRUE(ListRewrite());
    ListLine("to the editor \xC2\xB1");
    ListEnd();
    EXPECT_EQ(AbortFlag, 0);
    const std::string expected = "       to the editor \xC2\xB1\r\n";
    EXPECT_EQ(ReadFileBytes(Path("outwin.txt")), expected);
    EXPECT_EQ(WaitForFile(Path("editor/outwin.txt"), expected), expected);

    WordProcessor = "qor-no-such-editor";
    ScriptedResponder r;
    r.OnMessage(IDOK);
    ResponderScope scope(r);
    ListBegin(ListDeviceWordProcessor, "");
    ASSERT_TRUE(ListRewrite());
    ListEnd();
    EXPECT_EQ(Messages(r), std::vector<std::string>{
                               "Error  : : qor-no-such-editor not found: the listing is kept in " +
                               Path("outwin.txt") +
                               ".\nSet the program in File > Settings > external: \"word "
                               "processor\"."});
    EXPECT_EQ(TempFiles(), (std::vector<std::string>{"editor", "outwin.txt"}));
}

// ---- messages ----------------------------------------------------------------------------------

TEST_F(ListingDevices, PrintCalcMessagesListsMessagesWithOriginAndRemedy) {
    Application->Initialize();
    {
        ScriptedResponder r;
        r.OnMessage(IDOK);
        ResponderScope scope(r);
        PrintCalcMessages();
        EXPECT_EQ(Messages(r), std::vector<std::string>{
                                   "Message:: Calculation successful without error messages"});
    }
    FrameStyle = 1;
    AddError("Warning: tip too thin");
    AddError("Error  : undercut");
    std::vector<std::string> lines;
    ScriptedResponder r;
    r.OnForm(ReadWindow(lines));
    ResponderScope scope(r);
    PrintCalcMessages();
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_EQ(ListHeadTitle, "QOR1W V1.1");
    EXPECT_EQ(ListHeadLines[1], "Error Messages");
    const auto find = [&](const std::string& s) {
        return std::find(lines.begin(), lines.end(), s) - lines.begin();
    };
    const auto remarks = find("       REMARKS, WARNINGS AND ERROR MESSAGES");
    ASSERT_LT(remarks, static_cast<long>(lines.size()));
    EXPECT_EQ(lines[remarks + 1], "       " + std::string(70, '='));
    const auto first = find("       Warning: tip too thin");
    ASSERT_LT(first, static_cast<long>(lines.size()));
    EXPECT_EQ(lines[first + 1], "       origin of message 1");
    // The remedy is longer than a line: wrapped at blanks, nothing lost.
    std::string remedy;
    long i = first + 2;
    for (; i < static_cast<long>(lines.size()) && lines[i][7] != '-'; ++i) {
        EXPECT_LE(lines[i].size(), 7u + 64u);
        remedy += lines[i].substr(7);
    }
    EXPECT_EQ(remedy, LongRemedy(1));
    EXPECT_NE(find("       Error  : undercut"), static_cast<long>(lines.size()));
    EXPECT_EQ(ListDevice(), ListDeviceScreen);

    // A message without a help entry says so.
    AddError("Warning: unexplained");
    ScriptedResponder r2;
    r2.OnForm(ReadWindow(lines));
    ResponderScope scope2(r2);
    PrintCalcMessages();
    const auto third = find("       Warning: unexplained");
    ASSERT_LT(third + 1, static_cast<long>(lines.size()));
    EXPECT_EQ(lines[third + 1], "       no help description available for this error message.");

    // After a fatal error the message browser comes instead of the listing.
    CalcErrorFlag = 1;
    std::string prompt;
    ScriptedResponder r3;
    r3.OnForm([&](TForm& f) {
        prompt = Respond::Question(f);
        Respond::Press(f, "button_cancel");
    });
    ResponderScope scope3(r3);
    PrintCalcMessages();
    EXPECT_EQ(r3.Unexpected(), 0);
    EXPECT_NE(prompt.find("Calculation done. Select message for more info or continue."),
              std::string::npos)
        << prompt;
    EXPECT_EQ(TempFiles(), std::vector<std::string>{"outwin.txt"});
}

TEST_F(ListingDevices, MessagesOnCompactAndTextFiles) {
    FrameStyle = 4;
    AddError("Warning: one");
    ListBegin(ListDeviceOutDos, "");
    ASSERT_TRUE(ListRewrite());
    ListMessages();
    ListEnd();
    EXPECT_EQ(ReadFileBytes(Path("OUTDOS.TXT")),
              "       \r\n       REMARKS, WARNINGS AND ERROR MESSAGES\r\n       \r\n"
              "       Warning: one\r\n       origin of message 1\r\n       " +
                  LongRemedy(1).substr(0, 61) + "\r\n       " + LongRemedy(1).substr(61) + "\r\n");
}
