// The File menu's commands on job files, the recent files, the job-file table window and the
// start with a job on the command line, each through the responder as a person would work them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QPixmap>
#include <QWidget>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "calc/geardata.h"
#include "framework/core/shelldata.h"
#include "shell/job/doclinks.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/errorlist.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/draw_device.h"
#include "framework/ui/drawing_window.h"
#include "platform/gui/application.h"
#include "platform/gui/canvas.h"
#include "platform/gui/menus.h"
#include "platform/gui/responder.h"
#include "shell/ask_save.h"
#include "shell/file_commands.h"
#include "shell/job/jobfile.h"
#include "shell/job_table.h"
#include "shell/main_window.h"
#include "shell/menu_captions.h"
#include "shell/recent_files.h"
#include "shell/startup.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

const std::string kData = std::string(QOR_SOURCE_DIR) + "/data/";

class FileCommands : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Application->Initialize(); }

    void SetUp() override {
        Dir = qortest::FreshTestDir("qor_files_");
        ::setenv("XDG_CONFIG_HOME", (Dir / "xdg").c_str(), 1);
        InitProgram();
        for (std::string* d : {&ConfigDir, &TempDir, &DefaultDataDir, &CadDir})
            *d = AddBackslash(Dir.string());
        for (const char* job : {"spur", "helical", "internal"})
            fs::copy_file(kData + job + ".q1w", P(std::string(job) + ".q1w"));
        // A job file cut short: it exists but cannot be loaded.
        const std::string spur = qortest::ReadFileBytes(P("spur.q1w"));
        qortest::WriteFileBytes(P("broken.q1w"), spur.substr(0, spur.size() / 3));
        fs::copy_file(P("spur.q1w"), P("spur.qor"));
    }

    void TearDown() override {
        if (Window != nullptr) Window->Free();
        StartParams.clear();
        DoneProgram();
        fs::remove_all(Dir);
    }

    // The window as the program creates it, with params on its command line.
    void Create(std::vector<std::string> params, ScriptedResponder& r) {
        StartParams = std::move(params);
        ResponderScope scope(r);
        Window = NewForm<Thh>(nullptr);
        StartParams.clear();
    }
    void Create() {
        ScriptedResponder quiet;
        Create({}, quiet);
        EXPECT_EQ(quiet.Seen(), std::vector<std::string>{});
    }

    std::string P(const std::string& name) const { return (Dir / name).string(); }

    // Changed, unsaved data named "demo" in the test folder, with results that a calculation
    // would overwrite.
    void ChangedData() {
        DataDir = AddBackslash(Dir.string());
        DataFileName = "demo";
        GearData.mn = 7.77L;
        GearData.Wtheo[2] = 0;
        DataModified = 1;
        AbortFlag = 0;
    }

    static ScriptedResponder::DialogStep Choose(const std::string& path) {
        return [path](TCommonDialog& d) {
            auto* open = dynamic_cast<TOpenDialog*>(&d);
            if (open == nullptr || path.empty()) return false;
            open->Choose(path);
            return true;
        };
    }

    // The table's row of a file (1..), 0 when it is not listed.
    static int RowOf(const TForm_preview& t, const std::string& name) {
        for (std::size_t k = 0; k < t.Rows().size(); ++k)
            if (t.Rows()[k][0] == name) return static_cast<int>(k) + 1;
        return 0;
    }

    fs::path Dir;
    Thh* Window = nullptr;
};

long double SavedModule(const std::string& path) {
    TJobData d;
    std::string problem;
    EXPECT_TRUE(ReadJobData(path, d, problem)) << problem;
    return d.Gear.mn;
}

// ---- changed data and the save question ---------------------------------------------------------

enum class Via { Open, Recent, Import, Table };

TEST_F(FileCommands, ChangedDataIsNeverReplacedWithoutTheQuestion) {
    Create();
    struct Answer {
        int reply;      // to "Save file (...) ?"
        bool fileComes; // the chosen job loads (else: dialog cancelled, or a broken file)
    };
    const Answer answers[] = {{IDCANCEL, true}, {IDNO, false}, {IDNO, true}, {IDYES, true}};
    for (Via via : {Via::Open, Via::Recent, Via::Import, Via::Table})
        for (const Answer& a : answers) {
            SCOPED_TRACE(::testing::Message() << "via " << static_cast<int>(via) << " reply "
                                              << a.reply << " file " << a.fileComes);
            fs::remove(P("demo.q1w"));
            ChangedData();
            const bool asked = a.reply != IDCANCEL;
            const bool brokenShown =
                asked && !a.fileComes && (via == Via::Recent || via == Via::Table);
            ScriptedResponder r;
            const std::string job = a.fileComes ? "spur" : "broken";
            std::function<void()> run;
            switch (via) {
            case Via::Open:
                r.OnMessage(a.reply);
                if (asked) r.OnDialog(Choose(a.fileComes ? P("spur.q1w") : ""));
                run = [] { OpenJobCommand(); };
                break;
            case Via::Recent:
                RecentFiles[1] = P(job + ".q1w");
                r.OnMessage(a.reply);
                run = [] { OpenRecentFile(1); };
                break;
            case Via::Import:
                r.OnMessage(a.reply);
                if (asked) r.OnDialog(Choose(a.fileComes ? P("spur.qor") : ""));
                run = [] { ImportOlderJobCommand(); };
                break;
            case Via::Table:
                r.OnForm([&](TForm& f) {
                    auto& t = dynamic_cast<TForm_preview&>(f);
                    t.StringGrid1->ClickCell(0, RowOf(t, job + ".q1w"));
                });
                r.OnMessage(a.reply);
                run = [] { OpenTableCommand(); };
                break;
            }
            if (brokenShown) r.OnMessage(IDOK); // the file cannot be read
            if (via == Via::Table) r.OnForm([](TForm& f) { Respond::Key(f, VK_ESCAPE); });
            {
                ResponderScope scope(r);
                run();
            }
            EXPECT_EQ(r.Unexpected(), 0) << ::testing::PrintToString(r.Seen());
            EXPECT_EQ(r.Pending(), 0);
            ASSERT_FALSE(r.Seen().empty());
            EXPECT_THAT(::testing::PrintToString(r.Seen()),
                        HasSubstr("Save file (" + P("demo.q1w") + ") ?"));
            const bool loaded = asked && a.fileComes;
            EXPECT_EQ(fs::exists(P("demo.q1w")), a.reply == IDYES);
            if (a.reply == IDYES) {
                EXPECT_EQ(SavedModule(P("demo.q1w")), 7.77L);
            }
            if (loaded) {
                EXPECT_EQ(GearData.mn, 6.5L);
                EXPECT_GT(GearData.Wtheo[2], 0) << "a loaded job is calculated";
                EXPECT_EQ(DataFileName, "spur");
                // An imported job exists only as the older file until it is saved.
                EXPECT_EQ(DataModified, via == Via::Import ? 1 : 0);
            } else {
                EXPECT_EQ(GearData.mn, 7.77L);
                EXPECT_EQ(DataFileName, "demo");
                EXPECT_EQ(DataModified, 1) << "the changed data stays marked";
            }
            EXPECT_EQ(DataFileExt, "q1w");
        }
}

// A job whose calculation fails, however it comes (Open, a recent file, Import, the table: a job
// with z 0; File > New with a profile shift of -40 typed): the window says why under the job's
// name with the calculation's messages, the message browser lists them once, nothing of the job
// shown before stays. Import of an older file (cut after the gear-2 block) over a job with change
// records, references, drawing texts, links and its own k and hand of helix: what the file lacks
// is the "null" job's (read from its lines), or the start values without one.
namespace {

// A person who accepts everything: OK (x -40 in the dimensions), the file Path in a file dialog
// and in the table (left afterwards), Esc in the message browser (whose texts are kept).
class Accepting : public ModalResponder {
public:
    std::string Path, Browser;
    std::vector<std::string> Seen;
    void RespondForm(TForm& f) override {
        Seen.push_back(f.Name());
        auto* browser = dynamic_cast<Tin_radiodialog*>(&f);
        auto* table = dynamic_cast<TForm_preview*>(&f);
        for (int k = 0; browser && k < browser->Items.Count(); ++k)
            Browser += browser->Items[k] + "|";
        if (browser || (table && picked_)) {
            Respond::Key(f, VK_ESCAPE);
        } else if (table) {
            picked_ = true;
            for (std::size_t k = 0; k < table->Rows().size(); ++k)
                if (table->Rows()[k][0] == ExtractFileName(Path))
                    table->StringGrid1->ClickCell(0, static_cast<int>(k) + 1);
        } else {
            Respond::Type(f, "Edit_x2", "-40"); // a shift the dialog takes: no root circle
            Respond::Press(f, "Button_ok");
        }
    }
    int RespondMessage(const MessageQuestion& q) override { return q.Offers(IDNO) ? IDNO : IDOK; }
    bool RespondDialog(TCommonDialog& d) override {
        if (auto* open = dynamic_cast<TOpenDialog*>(&d)) open->Choose(Path);
        return true;
    }

private:
    bool picked_ = false;
};

std::vector<std::string> FileLines(const std::string& file) {
    const std::string text = qortest::ReadFileBytes(file);
    std::vector<std::string> l;
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        l.push_back(text.substr(at, end - at));
    return l;
}

void WriteLines(const std::string& file, const std::vector<std::string>& lines, int count) {
    std::string text;
    for (int n = 0; n < count; ++n)
        text += lines.at(static_cast<std::size_t>(n)) + "\r\n";
    qortest::WriteFileBytes(file, text);
}

} // namespace

TEST_F(FileCommands, AJobWhoseCalculationFailsSaysWhyAndShowsNoOtherJob) {
    Create();
    fs::copy_file(kData + "null.q1w", P("null.q1w"));
    std::vector<std::string> zero = FileLines(P("spur.q1w"));
    zero[kJobHeaderLines + 35] = "0"; // z2
    for (const char* name : {"zero.q1w", "zero.qor"})
        WriteLines(P(name), zero, static_cast<int>(zero.size()));
    for (const std::string via : {"open", "recent", "import", "table", "new"}) {
        SCOPED_TRACE(via);
        DataDir = AddBackslash(Dir.string());
        LoadJobFile(P("spur.q1w")); // the spur pair on the screen
        DataFileName = "spur";
        AfterJobLoaded();
        ASSERT_THAT(DisplayList->Text(), HasSubstr("EX-SPUR-01"));
        Accepting r;
        r.Path = P(via == "import" ? "zero.qor" : "zero.q1w");
        RecentFiles[1] = r.Path;
        {
            ResponderScope scope(r);
            if (via == "open") OpenJobCommand();
            if (via == "recent") OpenRecentFile(1);
            if (via == "import") ImportOlderJobCommand();
            if (via == "table") OpenTableCommand();
            if (via == "new") Window->mi_fileNew->Click();
        }
        EXPECT_EQ(via == "new" ? GearData.x[2] : GearData.z[2], via == "new" ? -40 : 0);
        EXPECT_EQ(CalcErrorFlag, 1);
        const std::string shown = DisplayList->Text();
        EXPECT_THAT(shown, HasSubstr("No drawing: the calculation of these data failed"));
        for (int i = 1; i <= ErrorCount; ++i) {
            EXPECT_THAT(r.Browser, HasSubstr(ErrorList[i].str() + "|"));
            EXPECT_THAT(shown, HasSubstr(ErrorList[i].str()));
        }
        EXPECT_EQ(std::count(r.Seen.begin(), r.Seen.end(), "in_radiodialog"), 1);
        EXPECT_EQ(shown.find("EX-SPUR-01"), std::string::npos);
        EXPECT_EQ(shown.find("spur.q1w"), std::string::npos);
        EXPECT_EQ(shown.find("zero.q1w") != std::string::npos, via != "new");
        EXPECT_THAT(Window->mi_viewErrorMessages->Caption(),
                    HasSubstr("(" + std::to_string(ErrorCount) + ")"));
        EXPECT_EQ(AbortFlag, 0);
    }
}

TEST_F(FileCommands, ImportStartsWhatTheOlderFileLacksAsANewJob) {
    Create();
    const std::vector<std::string> spur = FileLines(P("spur.q1w")),
                                   null = FileLines(kData + "null.q1w");
    WriteLines(P("older.qor"), spur, kJobHeaderLines + 51);
    InitGearDataUnit();
    const TGearData start = GearData;
    for (bool withNull : {true, false}) {
        SCOPED_TRACE(withNull);
        fs::remove(P("null.q1w"));
        if (withNull) fs::copy_file(kData + "null.q1w", P("null.q1w"));
        DataDir = AddBackslash(Dir.string());
        LoadJobFile(P("helical.q1w")); // the job before, with all a job carries
        GearData.k[2] = 5;
        GearData.ToothAlignment[2] = 1;
        GearData.DrawingName2[2] = "other job";
        ChangeCount = 25;
        DrawingInfo.Rows[2] = {"01.01.2020", "Checker"};
        DrawingInfo.ReplacementFor = "OLD-1";
        DrawingTextCount = 1;
        DocumentLinks[1].DocFile = "other.pdf";
        DataModified = 0;
        ScriptedResponder r;
        r.OnDialog(Choose(P("older.qor")));
        {
            ResponderScope scope(r);
            ImportOlderJobCommand();
        }
        ASSERT_EQ(AbortFlag, 0);
        EXPECT_EQ(GearData.DrawingNumber[2], "EX-SPUR-01"); // from the older file
        // Without a "null" job k starts at 0, which the calculation answers with its proposal.
        if (withNull) {
            EXPECT_EQ(GearData.k[2], std::stoi(null[kJobHeaderLines + 93]));
        }
        EXPECT_EQ(GearData.ToothAlignment[2],
                  withNull ? std::stoi(null.back()) : start.ToothAlignment[2]);
        EXPECT_EQ(GearData.DrawingName2[2], "");
        EXPECT_EQ(ChangeCount, 0);
        EXPECT_EQ(DrawingInfo.Rows[1].Date, DateString());
        EXPECT_EQ(DrawingInfo.Rows[2].Name, "");
        EXPECT_EQ(DrawingInfo.ReplacementFor, "");
        EXPECT_EQ(DrawingTextCount, 0);
        EXPECT_EQ(DocumentLinks[1].DocFile, "");
        EXPECT_GT(GearData.Wtheo[2], 0) << "calculated";
        EXPECT_EQ(DataModified, 1);
        // Saved, it is a recent file like every job saved.
        SaveJobCommand();
        EXPECT_EQ(RecentFiles[1], P("older.q1w"));
        EXPECT_EQ(SavedModule(P("older.q1w")), 6.5L);
    }
}

// ---- saving ----------------------------------------------------------------------------------

TEST_F(FileCommands, SaveAsNamesTheJobAndSaveThenWritesThere) {
    Create();
    ChangedData();
    fs::create_directories(Dir / "sub");
    RecentFiles[1] = P("helical.q1w");
    {
        ScriptedResponder r;
        r.OnDialog(Choose(P("sub/gear.q1w")));
        ResponderScope scope(r);
        SaveJobAsCommand();
        EXPECT_EQ(r.Unexpected(), 0);
    }
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(DataFileName, "gear");
    EXPECT_EQ(CurrentJobPath(), P("sub/gear.q1w"));
    EXPECT_EQ(RecentFiles[1], P("sub/gear.q1w"));
    EXPECT_EQ(RecentFiles[2], P("helical.q1w"));
    EXPECT_EQ(DataModified, 0);
    GearData.mn = 3.25L;
    DataModified = 1;
    {
        ScriptedResponder quiet;
        ResponderScope scope(quiet);
        SaveJobCommand();
        EXPECT_TRUE(quiet.Seen().empty());
    }
    EXPECT_EQ(SavedModule(P("sub/gear.q1w")), 3.25L);
    EXPECT_EQ(DataModified, 0);
    EXPECT_THAT(Window->Caption(), HasSubstr("gear.q1w"));
}

TEST_F(FileCommands, ASaveIntoAReadOnlyPlaceKeepsTheOldFileAndSaysSo) {
    Create();
    ChangedData();
    DataFileName = "spur";
    const std::string old = qortest::ReadFileBytes(P("spur.q1w"));
    ASSERT_EQ(::chmod(Dir.c_str(), 0555), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Root passes every permission bit: give it up first.
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
        ScriptedResponder r;
        r.OnMessage(IDOK);
        {
            ResponderScope scope(r);
            SaveJobCommand();
        }
        const std::string said = r.Seen().empty() ? "" : r.Seen().front();
        const bool told = said.find("could not be written") != std::string::npos &&
                          said.find("kept") != std::string::npos;
        ::_exit(!told ? 4 : DataModified != 1 ? 5 : AbortFlag != 1 ? 6 : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::chmod(Dir.c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(qortest::ReadFileBytes(P("spur.q1w")), old);
}

// ---- recent files ----------------------------------------------------------------------------

TEST_F(FileCommands, RecentFilesMoveUpAndCompareNamesExactly) {
    struct Case {
        const char* name;
        std::vector<std::string> before;
        std::string added;
        std::vector<std::string> after;
    };
    const Case cases[] = {
        {"an entry saved again comes first",
         {"/a", "/b", "/c", "/d"},
         "/c",
         {"/c", "/a", "/b", "/d"}},
        {"a new entry pushes the last out",
         {"/a", "/b", "/c", "/d"},
         "/e",
         {"/e", "/a", "/b", "/c"}},
        {"names differing in case are two files",
         {"/j/Gear.q1w", "", "", ""},
         "/j/gear.q1w",
         {"/j/gear.q1w", "/j/Gear.q1w", "", ""}},
        {"every copy of the name goes", {"/a", "/a", "/b", "/a"}, "/a", {"/a", "/b", "", ""}},
        {"a relative name is made absolute", {"", "", "", ""}, "x.q1w", {"", "", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int n = 1; n <= 4; ++n)
            RecentFiles[n] = c.before[static_cast<std::size_t>(n - 1)];
        AddRecentFile(c.added);
        std::vector<std::string> after{RecentFiles[1], RecentFiles[2], RecentFiles[3],
                                       RecentFiles[4]};
        if (c.added == "x.q1w")
            EXPECT_EQ(after[0], (fs::current_path() / "x.q1w").string());
        else
            EXPECT_EQ(after, c.after);
    }
}

TEST_F(FileCommands, AMissingRecentFileIsReportedAndLeavesTheMenu) {
    Create();
    RecentFiles[1] = P("gone.q1w");
    RecentFiles[2] = P("spur.q1w");
    Window->UpdateTitle();
    ASSERT_TRUE(Window->mi_file2->Visible());
    ChangedData();
    ScriptedResponder r;
    r.OnMessage(IDOK);
    {
        ResponderScope scope(r);
        Window->mi_file1->OnClick(Window->mi_file1);
    }
    ASSERT_EQ(r.Seen().size(), 1u); // no save question for a file that is not there
    EXPECT_THAT(r.Seen()[0], HasSubstr("File " + P("gone.q1w") + " not found !"));
    EXPECT_EQ(RecentFiles[1], P("spur.q1w"));
    EXPECT_EQ(RecentFiles[2], "");
    EXPECT_THAT(Window->mi_file1->Caption(), HasSubstr("spur.q1w"));
    EXPECT_FALSE(Window->mi_file2->Visible());
    EXPECT_EQ(DataModified, 1);
    EXPECT_EQ(DataFileName, "demo");
}

// ---- the job-file table ----------------------------------------------------------------------

TEST_F(FileCommands, TheTableListsEveryJobFromScratchCopies) {
    fs::copy_file(P("internal.q1w"), P("RING.Q1W")); // another letter case: listed too
    fs::copy_file(P("spur.q1w"), P(".hidden.q1w"));
    fs::create_directories(Dir / "folder.q1w");
    qortest::WriteFileBytes(P("notes.txt"), "not a job");
    GearData.mn = 7.77L;
    const auto rows = ScanJobFiles(AddBackslash(Dir.string()));
    EXPECT_EQ(GearData.mn, 7.77L) << "the scan leaves the program's data alone";
    std::vector<std::string> names;
    for (const auto& row : rows)
        names.push_back(row[0]);
    EXPECT_EQ(names, (std::vector<std::string>{"RING.Q1W", "broken.q1w", "helical.q1w",
                                               "internal.q1w", "spur.q1w"}));
    // Drawing number of gear 2 (line 11 of the file), mn, z2, alpha, beta, x2 of each job.
    struct Expected {
        std::size_t row;
        const char* no;
        const char* z;
        const char* beta;
    };
    for (const Expected& e :
         {Expected{2, "EX-HELICAL-01", "58", "15.00"}, Expected{3, "EX-RING-01", "-58", "0.00"},
          Expected{0, "EX-RING-01", "-58", "0.00"}, Expected{4, "EX-SPUR-01", "58", "0.00"}}) {
        const auto& row = rows[e.row];
        SCOPED_TRACE(row[0]);
        ASSERT_EQ(row.size(), 8u);
        EXPECT_EQ(row[1], FileDateStringOf(P(row[0])));
        EXPECT_EQ(row[2], e.no);
        EXPECT_EQ(TrimBlanks(row[3]), "6.500");
        EXPECT_EQ(row[4], e.z);
        EXPECT_EQ(TrimBlanks(row[5]), "20.00");
        EXPECT_EQ(TrimBlanks(row[6]), e.beta);
    }
    // The broken file: its name and date, no values.
    EXPECT_EQ(rows[1],
              (TTableRow{"broken.q1w", FileDateStringOf(P("broken.q1w")), "", "", "", "", "", ""}));

    // No limit on the number of files.
    for (int k = 0; k < 1005; ++k)
        fs::copy_file(P("spur.q1w"), P("many" + std::to_string(10000 + k) + ".q1w"));
    EXPECT_EQ(ScanJobFiles(AddBackslash(Dir.string())).size(), 1010u);
}

TEST_F(FileCommands, TheTableOpensOnlyWhatTheUserPicks) {
    Create();
    DataDir = AddBackslash(Dir.string());
    DataFileName = "demo";
    DataModified = 0;
    std::string picked;
    std::vector<std::string> firstRows;
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
        auto& t = dynamic_cast<TForm_preview&>(f);
        for (const auto& row : t.Rows())
            firstRows.push_back(row[0]);
        TStringGrid& g = *t.StringGrid1;
        // Keys move the current row, a click on a title sorts: neither closes the table.
        Respond::Focus(t, "StringGrid1");
        g.NavigateKey(VK_DOWN);
        EXPECT_EQ(g.Row(), 2);
        const std::string current = t.Rows()[1][0];
        const TRect title = g.CellRect(4, 0); // z: the broken job (no value), then -58
        g.DoMouseDown(mbRight, 0, title.Left + 3, title.Top + 3);
        g.DoMouseUp(mbRight, 0, title.Left + 3, title.Top + 3);
        EXPECT_EQ(t.Rows()[1][0], "internal.q1w");
        EXPECT_EQ(t.Rows()[static_cast<std::size_t>(g.Row() - 1)][0], current);
        EXPECT_EQ(t.ModalResult(), mrNone);
        // Search: the drawing number of the helical job, then no further hit.
        t.SearchText = "EX-HEL";
        t.SearchRow = 0;
        EXPECT_TRUE(t.FindText());
        EXPECT_EQ(t.Rows()[static_cast<std::size_t>(g.Row() - 1)][0], "helical.q1w");
        EXPECT_FALSE(t.FindText());
        EXPECT_EQ(t.ModalResult(), mrNone);
        picked = t.Rows()[static_cast<std::size_t>(g.Row() - 1)][0];
        Respond::Key(t, VK_RETURN); // Enter opens the current row
    });
    r.OnForm([](TForm& f) { Respond::Key(f, VK_ESCAPE); }); // the table again: leave it
    {
        ResponderScope scope(r);
        Window->mi_fileOpenTable->Click();
    }
    EXPECT_EQ(r.Unexpected(), 0) << ::testing::PrintToString(r.Seen());
    EXPECT_EQ(firstRows,
              (std::vector<std::string>{"broken.q1w", "helical.q1w", "internal.q1w", "spur.q1w"}));
    EXPECT_EQ(picked, "helical.q1w");
    EXPECT_EQ(GearData.beta, 15.0L);
    EXPECT_GT(GearData.Wtheo[2], 0);
    // Save after Open (Table) writes the job where it came from.
    EXPECT_EQ(DataFileName, "helical");
    GearData.b = 44.0L;
    Window->mi_FileSave->Click();
    EXPECT_EQ(AbortFlag, 0);
    TJobData saved;
    std::string problem;
    ASSERT_TRUE(ReadJobData(P("helical.q1w"), saved, problem)) << problem;
    EXPECT_EQ(saved.Gear.b, 44.0L);
    EXPECT_FALSE(fs::exists(P("helical.q1w.q1w")));
    EXPECT_EQ(RecentFiles[1], P("helical.q1w"));
}

TEST_F(FileCommands, TheTableShowsEveryTextWholeInEnglishAndKorean) {
    fs::copy_file(P("helical.q1w"), P("기어 한 쌍 (보기).q1w"));
    Create();
    DataDir = AddBackslash(Dir.string());
    const char* shots = std::getenv("QOR_SHOTS");
    for (int language : {2, 8}) {
        SCOPED_TRACE(language);
        Window->SetLanguage(language);
        const std::string suffix = (language == 8 ? "ko" : "en") + std::string(".png");
        ScriptedResponder r;
        r.OnForm([&](TForm& f) {
            auto& t = dynamic_cast<TForm_preview&>(f);
            EXPECT_EQ(t.mi_File->Caption(), MenuCaption(ckFileMenu));
            EXPECT_EQ(t.Caption(), ProductTitle + "  " + DataDir);
            const TStringGrid& g = *t.StringGrid1;
            ASSERT_EQ(g.RowCount(), 6);
            TCanvas measure;
            measure.Font = g.Font();
            int right = 0;
            for (int c = 0; c < g.ColCount(); ++c) {
                for (int row = 0; row < g.RowCount(); ++row)
                    EXPECT_GT(g.ColWidths(c), measure.TextWidth(g.Cells(c, row)))
                        << g.Cells(c, row);
                right += g.ColWidths(c) + 1;
            }
            EXPECT_LE(right, g.ClientWidth()) << "every column in view";
            for (const TControl* c : {static_cast<const TControl*>(t.StringGrid1),
                                      static_cast<const TControl*>(t.Panel_buttons)}) {
                EXPECT_LE(c->Top() + c->Height(), t.ClientHeight()) << c->Name();
                EXPECT_LE(c->Left() + c->Width(), t.ClientWidth()) << c->Name();
            }
            if (shots != nullptr)
                f.Widget()->grab().save(QString::fromStdString(shots + ("/jobtable_" + suffix)));
            t.mi_editsearch->Click(); // Ctrl+F: the search dialog, then the hit
            EXPECT_EQ(t.Rows()[static_cast<std::size_t>(g.Row() - 1)][0], "internal.q1w");
            Respond::Key(f, VK_ESCAPE);
        });
        r.OnForm([&](TForm& f) {
            auto& s = dynamic_cast<TForm_Suchen&>(f);
            for (int k = 0; k < s.ControlCount(); ++k) {
                const TControl* c = s.Controls(k);
                EXPECT_LE(c->Left() + c->Width(), s.ClientWidth()) << c->Name();
                EXPECT_LE(c->Top() + c->Height(), s.ClientHeight()) << c->Name();
            }
            Respond::Type(s, "Edit_suchbegriff", "RING");
            if (shots != nullptr)
                f.Widget()->grab().save(QString::fromStdString(shots + ("/search_" + suffix)));
            Respond::Press(s, "Button_suchen");
        });
        ResponderScope scope(r);
        OpenTableCommand();
        EXPECT_EQ(r.Unexpected(), 0);
    }
}

// ---- the start with a job on the command line ------------------------------------------------

// With a job given on the command line by its full name, Open, Save As, Save after New and Open
// (Table) start in the job's folder, and Save after a pick from the table writes there.
TEST_F(FileCommands, TheFileDialogsOfACommandLineJobStartInItsFolder) {
    fs::create_directories(Dir / "jobs");
    for (const char* job : {"helical.q1w", "spur.q1w"})
        fs::copy_file(P(job), P(std::string("jobs/") + job));
    const std::string folder = AddBackslash(P("jobs"));
    ScriptedResponder start;
    Create({P("jobs/helical.q1w")}, start);
    // The folder the command's file dialog starts in (cancelled), after a form answered by Esc
    // (New's drawing texts) or by a pick of spur.q1w from the table, then Esc.
    std::vector<std::string> rows;
    const auto where = [&](const std::function<void()>& command, bool form = false) {
        std::string initial = "(no dialog)";
        ScriptedResponder r;
        r.OnForm([&](TForm& f) {
            if (auto* t = dynamic_cast<TForm_preview*>(&f)) {
                for (const auto& row : t->Rows())
                    rows.push_back(row[0]);
                EXPECT_THAT(t->Caption(), HasSubstr(folder));
                t->StringGrid1->SetRow(RowOf(*t, "spur.q1w"));
            }
            Respond::Key(f, rows.empty() ? VK_ESCAPE : VK_RETURN);
        });
        r.OnForm([](TForm& f) { Respond::Key(f, VK_ESCAPE); });
        if (!form) r = ScriptedResponder();
        r.OnDialog([&](TCommonDialog& d) {
            initial = dynamic_cast<TOpenDialog&>(d).InitialDir;
            return false;
        });
        ResponderScope scope(r);
        command();
        return initial;
    };
    EXPECT_EQ(where([] { OpenJobCommand(); }), folder);
    EXPECT_EQ(where([] { SaveJobAsCommand(); }), folder);
    where([this] { Window->mi_fileOpenTable->Click(); }, true);
    EXPECT_EQ(rows, (std::vector<std::string>{"helical.q1w", "spur.q1w"}));
    GearData.b = 44.0L;
    where([] { SaveJobCommand(); }); // the spur job, where it came from
    TJobData saved;
    std::string problem;
    ASSERT_TRUE(ReadJobData(P("jobs/spur.q1w"), saved, problem)) << problem;
    EXPECT_EQ(saved.Gear.b, 44.0L);
    rows.clear();
    // File > New cancelled: the spur job again, saved where it came from; Save As in its folder.
    where([this] { Window->mi_fileNewClick(nullptr); }, true);
    EXPECT_EQ(where([] { SaveJobCommand(); }) + DataFileName, "(no dialog)spur");
    EXPECT_EQ(where([] { SaveJobAsCommand(); }), folder);
}

TEST_F(FileCommands, TheCommandLineJobIsLoadedOrReportedNeverErased) {
    struct Case {
        const char* name;
        std::string param;
        int exitCode; // StartUpExitCode
        std::string fileName;
        bool loaded;
        const char* said; // "" when nothing is said
    };
    const Case cases[] = {
        {"a job loads and is calculated", P("helical.q1w"), -1, P("helical.q1w"), true, ""},
        {"a name from another folder is the job's full path", "../helical.q1w", -1,
         P("helical.q1w"), true, ""},
        {"a broken job is reported and kept", P("broken.q1w"), -1, "", false, "cannot be read"},
        {"a new name starts a new job", P("new.q1w"), -1, P("new.q1w"), false, ""},
        {"no extension ends the program", P("noext"), 1, P("noext"), false,
         "extension .q1w missing"},
        {"no place for the file ends the program", P("no/such/dir/x.q1w"), 1, "", false,
         "invalid file name"},
    };
    const std::string brokenBytes = qortest::ReadFileBytes(P("broken.q1w"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InitProgram();
        for (std::string* d : {&ConfigDir, &TempDir, &DefaultDataDir})
            *d = AddBackslash(Dir.string());
        GearData.Wtheo[2] = 0;
        ScriptedResponder r;
        if (*c.said != '\0') r.OnMessage(IDOK);
        // Started in a folder of its own, as from a terminal elsewhere.
        fs::create_directories(Dir / "x");
        const fs::path was = fs::current_path();
        fs::current_path(Dir / "x");
        Create({c.param}, r);
        fs::current_path(was);
        EXPECT_EQ(StartUpExitCode, c.exitCode);
        EXPECT_EQ(r.Unexpected(), 0) << ::testing::PrintToString(r.Seen());
        if (*c.said != '\0') {
            ASSERT_EQ(r.Seen().size(), 1u);
            EXPECT_THAT(r.Seen()[0], HasSubstr(c.said));
        }
        if (c.exitCode < 0) {
            EXPECT_EQ(DataFileName, c.fileName);
            EXPECT_EQ(GearData.beta == 15.0L, c.loaded);
            EXPECT_GT(GearData.Wtheo[2], 0);
            EXPECT_EQ(DataModified, 0);
        }
        if (c.loaded) {
            // The job is known by its full path in the save question, the drawing's footer and
            // the recent files, and so is a job opened afterwards (the command line's archive
            // mode still on); saved, it keeps that name.
            for (const std::string& job : {c.fileName, P("internal.q1w")}) {
                if (job != c.fileName) {
                    ScriptedResponder open;
                    open.OnDialog(Choose(job));
                    ResponderScope scope(open);
                    OpenJobCommand();
                    ASSERT_EQ(AbortFlag, 0);
                    EXPECT_EQ(RecentFiles[1], job);
                }
                DataModified = 1;
                ScriptedResponder ask;
                ask.OnMessage(IDNO);
                ResponderScope scope(ask);
                AfterJobLoaded();
                AskSaveModified();
                EXPECT_EQ(OutputFileName(), job);
                EXPECT_THAT(ask.Seen().at(0), ::testing::EndsWith(": Save file (" + job + ") ?"));
                EXPECT_THAT(DisplayList->Text(), HasSubstr(job));
                EXPECT_EQ(DisplayList->Text().find(".q1w.q1w"), std::string::npos);
            }
            SaveJobCommand();
            EXPECT_EQ(RecentFiles[1], P("internal.q1w"));
        }
        EXPECT_EQ(qortest::ReadFileBytes(P("broken.q1w")), brokenBytes);
        EXPECT_FALSE(fs::exists(P("new.q1w"))) << "nothing is written at start";
        Window->Free();
        Window = nullptr;
    }
}

} // namespace
