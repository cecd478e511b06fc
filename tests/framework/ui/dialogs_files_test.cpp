// File choice, checked file operations, the overwrite check, listing conversion, the text window
// and the printing of listing files (PDF read back by poppler).

#include "framework/ui/dialogs.h"
#include "framework/core/globals.h"
#include "framework/ui/help.h"
#include "framework/core/rewrite_retry.h"
#include "framework/core/settings.h"
#include "framework/ui/questions.h"
#include "framework/core/files.h"
#include "platform/gui/application.h"
#include "platform/gui/printer.h"
#include "platform/gui/responder.h"
#include "tests/testutil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {

using qortest::ReadFileBytes;
using qortest::RunCommand;
using qortest::WriteFileBytes;

class FileQuestions : public ::testing::Test {
protected:
    void SetUp() override {
        InitAllSettings();
        SetProductIdentity();
        AbortFlag = 0;
        HelpNo = 0;
        ConfirmOverwrite = 1;
        dir = qortest::FreshTestDir("qor_dialogs_");
        fs::permissions(dir, fs::perms::owner_all); // a folder of one's own holds the listings
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    fs::path dir;
};

std::vector<std::string> Messages(const ScriptedResponder& r) {
    std::vector<std::string> out;
    for (const std::string& s : r.Seen())
        if (s.rfind("message: ", 0) == 0) out.push_back(s.substr(9));
    return out;
}

// ---- the overwrite check

TEST_F(FileQuestions, ExistingFileSurvivesOverwriteCheckAndFailedWrite) {
    const std::string job = Path("gear.q1w");
    const std::string original = "V6.0\r\nthe user's job\r\n";
    WriteFileBytes(job, original);

    ScriptedResponder r;
    r.OnMessage(IDYES);
    ResponderScope scope(r);
    CheckOverwrite(job);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(HelpNo, 3055);
    ASSERT_EQ(Messages(r).size(), 1u);
    EXPECT_EQ(Messages(r)[0],
              "QOR1W - Involute Gear Dimensions: " + job + " already exists.   overwrite ?");
    EXPECT_EQ(ReadFileBytes(job), original); // the check itself changes nothing

    // The write that follows fails (the file size limit stops it half-way).
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    TextFile f;
    f.Assign(job);
    int rc = f.Rewrite();
    for (int i = 0; i < 2000 && rc == 0; ++i)
        rc = f.WriteLine("a line of the new job that will never be complete");
    const int closeRc = f.Close();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(rc != 0 || closeRc != 0);
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(ReadFileBytes(job), original);
}

TEST_F(FileQuestions, OverwriteQuestionRules) {
    const std::string job = Path("gear.q1w");
    WriteFileBytes(job, "x");
    ScriptedResponder r;
    r.OnMessage(IDNO).OnMessage(IDCANCEL);
    ResponderScope scope(r);
    CheckOverwrite(job);
    EXPECT_EQ(AbortFlag, 1);
    AbortFlag = 0;
    CheckOverwrite(job);
    EXPECT_EQ(AbortFlag, 1);
    AbortFlag = 0;

    // No question for a name holding "actual", or while confirmation is off.
    const std::string actual = Path("actual.q1w");
    WriteFileBytes(actual, "x");
    CheckOverwrite(actual);
    EXPECT_EQ(AbortFlag, 0);
    ConfirmOverwrite = 0;
    CheckOverwrite(job);
    EXPECT_EQ(AbortFlag, 0);
    ConfirmOverwrite = 1;
    EXPECT_EQ(r.Seen().size(), 2u);

    // "actual" in a directory name is no reason to skip the question.
    fs::create_directories(dir / "actual");
    const std::string inActualDir = Path("actual/gear.q1w");
    WriteFileBytes(inActualDir, "keep");
    ScriptedResponder r2;
    r2.OnMessage(IDNO);
    ResponderScope scope2(r2);
    CheckOverwrite(inActualDir);
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(r2.Seen().size(), 1u);
    EXPECT_EQ(ReadFileBytes(inActualDir), "keep");
}

TEST_F(FileQuestions, OverwriteCheckRefusesNamesThatCannotBeWritten) {
    ScriptedResponder r;
    r.OnMessage(IDOK).OnMessage(IDOK);
    ResponderScope scope(r);
    const std::string missingDir = Path("no/such/dir/gear.q1w");
    CheckOverwrite(missingDir);
    EXPECT_EQ(AbortFlag, 1);
    AbortFlag = 0;
    CheckOverwrite(dir.string()); // a directory
    EXPECT_EQ(AbortFlag, 1);
    const std::vector<std::string> expected = {
        "Error  : : invalid file name \"" + missingDir + "\" ! (the folder " + Path("no") +
            " does not exist)",
        "Error  : : File " + dir.string() + " could not be written: it is a folder."};
    EXPECT_EQ(Messages(r), expected);

    // A new name passes and leaves no file behind.
    AbortFlag = 0;
    const std::string fresh = Path("new.q1w");
    CheckOverwrite(fresh);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_FALSE(fs::exists(fresh));
}

// ---- checked file operations

TEST_F(FileQuestions, CheckedOperationsReport) {
    ScriptedResponder r;
    r.OnMessage(IDOK).OnMessage(IDRETRY).OnMessage(IDCANCEL);
    ResponderScope scope(r);
    EXPECT_FALSE(CheckFileReadable(Path("missing.q1w")));
    EXPECT_EQ(AbortFlag, 1);
    AbortFlag = 0;
    WriteFileBytes(Path("there.q1w"), "x");
    EXPECT_TRUE(CheckFileReadable(Path("there.q1w")));
    EXPECT_EQ(AbortFlag, 0);

    // Retry, then Cancel: no endless loop.
    TextFile f;
    f.Assign(Path("no/dir/file.cfg"));
    EXPECT_FALSE(RewriteRetry(f));
    EXPECT_EQ(AbortFlag, 1);
    const std::vector<std::string> m = Messages(r);
    ASSERT_EQ(m.size(), 3u);
    // Each message names the file and the cause in words.
    EXPECT_EQ(m[0], "Error  : : file " + Path("missing.q1w") +
                        " not found or no access ! (the file does not exist)");
    EXPECT_EQ(m[1], "Error  : : I/O-Error: " + Path("no/dir/file.cfg") + ": the folder " +
                        Path("no") + " does not exist");
    EXPECT_EQ(m[2], m[1]);

    // Writing: nothing while AbortFlag is set, lines otherwise.
    AbortFlag = 0;
    TextFile out;
    out.Assign(Path("out.txt"));
    RewriteChecked(out);
    WriteChecked(out, "one\r\n");
    AbortFlag = 1;
    WriteChecked(out, "never\r\n");
    AbortFlag = 0;
    CloseChecked(out);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(ReadFileBytes(Path("out.txt")), "one\r\n");

    ScriptedResponder r2;
    r2.OnMessage(IDOK);
    ResponderScope scope2(r2);
    TextFile bad;
    bad.Assign(Path("no/dir/x.txt"));
    RewriteChecked(bad);
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(Messages(r2),
              std::vector<std::string>{"Error  : : file write error: " + Path("no/dir/x.txt") +
                                       ": the folder " + Path("no") + " does not exist"});
}

// ---- file choice

TEST_F(FileQuestions, SaveFileAsksThenChecks) {
    DataDir = Path("");
    DataFileName = "old";
    ScriptedResponder r;
    r.OnDialog([&](TCommonDialog& d) {
        auto& save = dynamic_cast<TSaveDialog&>(d);
        EXPECT_EQ(save.Filter, "*.q1w|*.q1w");
        EXPECT_EQ(save.FileName, "old");
        save.Choose(Path("sub_new.txt"));
        return true;
    });
    ResponderScope scope(r);
    std::string path;
    SelectSaveFile("", path);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(path, Path("sub_new.q1w"));
    EXPECT_EQ(DataFileName, "sub_new");

    // Given names: without a point into DataDir with the extension, with one as they are.
    SelectSaveFile("gear", path);
    EXPECT_EQ(path, Path("gear.q1w"));
    SelectSaveFile(Path("x.dat"), path);
    EXPECT_EQ(path, Path("x.dat"));
    EXPECT_EQ(AbortFlag, 0);

    // Archive mode with the archive flag: only "actual".
    ArchiveMode = 1;
    ArchiveFlag = 1;
    ScriptedResponder r2;
    r2.OnMessage(IDOK);
    ResponderScope scope2(r2);
    SelectSaveFile("gear", path);
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(Messages(r2),
              std::vector<std::string>{"Error  : : Option is not available in archive mode."});
    AbortFlag = 0;
    ArchiveFlag = 0;
    SelectSaveFile("gear", path);
    EXPECT_EQ(ArchiveMode, 0);
    EXPECT_EQ(AbortFlag, 0);
}

std::vector<std::string> statusTexts;
int RecordStatus(const std::string& s) {
    statusTexts.push_back(s);
    return 0;
}

TEST_F(FileQuestions, ChooseDataFileAndCancel) {
    WriteFileBytes(Path("wheel.q1w"), "V6.0\r\n");
    DataDir = "/nowhere";
    DataFileName = "";
    ScriptedResponder r;
    r.OnDialog([&](TCommonDialog& d) {
         auto& open = dynamic_cast<TOpenDialog&>(d);
         EXPECT_EQ(open.Filter, "*.q1w|*.q1w");
         open.Choose(Path("wheel.q1w"));
         return true;
     }).OnDialog([](TCommonDialog&) { return false; });
    statusTexts.clear();
    const StatusHookFunc previousHook = StatusHook;
    StatusHook = &RecordStatus;
    ResponderScope scope(r);
    std::string path;
    ChooseDataFile("", path);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(path, Path("wheel.q1w"));
    EXPECT_EQ(DataFileName, "wheel");
    EXPECT_EQ(DataDir, Path(""));
    StatusHook = previousHook;
    EXPECT_EQ(statusTexts, std::vector<std::string>{"file " + Path("wheel.q1w") + " is loaded"});

    path = "unchanged";
    ChooseDataFile("", path);
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(path, "unchanged");

    // A bare name that cannot be read: reported, DataFileName emptied.
    AbortFlag = 0;
    ScriptedResponder r2;
    r2.OnMessage(IDOK);
    ResponderScope scope2(r2);
    ChooseDataFile("missing", path);
    EXPECT_EQ(path, Path("missing.q1w"));
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(DataFileName, "");
}

TEST_F(FileQuestions, OpenFileModesAndDirectoryChoice) {
    ScriptedResponder r;
    r.OnDialog([&](TCommonDialog& d) {
         dynamic_cast<TOpenDialog&>(d).Choose(Path("old.qor"));
         return true;
     })
        .OnDialog([&](TCommonDialog& d) {
            EXPECT_EQ(dynamic_cast<TOpenDialog&>(d).InitialDir, dir.string());
            dynamic_cast<TOpenDialog&>(d).Choose(Path("pic.plt"));
            return true;
        })
        .OnDialog([&](TCommonDialog& d) {
            auto& dd = dynamic_cast<TDirectoryDialog&>(d);
            EXPECT_EQ(dd.Directory, dir.string());
            dd.Directory = Path("sub");
            return true;
        })
        .OnDialog([](TCommonDialog&) { return false; })
        .OnDialog([](TCommonDialog&) { return false; });
    ResponderScope scope(r);
    std::string directory = "/elsewhere/";
    std::string name;
    SelectOpenFile(4, directory, "*.qor", name);
    EXPECT_EQ(name, "old");
    EXPECT_EQ(directory, Path(""));
    EXPECT_EQ(DataFileExt, "qor");
    SelectOpenFile(5, directory, "*.plt", name);
    EXPECT_EQ(name, Path("pic.plt"));
    std::string result;
    SelectDirectory(dir.string() + "/", result);
    EXPECT_EQ(result, Path("sub") + "/");
    SelectDirectory("/some/where", result);
    EXPECT_EQ(result, "/some/where");
    EXPECT_EQ(AbortFlag, 0);
    SelectOpenFile(1, directory, "*.plt", name);
    EXPECT_EQ(name, "");
    EXPECT_EQ(AbortFlag, 1);
}

TEST_F(FileQuestions, DeleteDataFileAfterConfirmation) {
    WriteFileBytes(Path("a.q1w"), "x");
    WriteFileBytes(Path("b.q1w"), "x");
    ScriptedResponder r;
    r.OnDialog([&](TCommonDialog& d) {
         dynamic_cast<TOpenDialog&>(d).Choose(Path("a.q1w"));
         return true;
     })
        .OnMessage(IDNO)
        .OnDialog([&](TCommonDialog& d) {
            dynamic_cast<TOpenDialog&>(d).Choose(Path("b.q1w"));
            return true;
        })
        .OnMessage(IDYES);
    ResponderScope scope(r);
    DeleteDataFile(dir.string(), "*.q1w");
    EXPECT_TRUE(fs::exists(Path("a.q1w")));
    DeleteDataFile(dir.string(), "*.q1w");
    EXPECT_FALSE(fs::exists(Path("b.q1w")));
    EXPECT_EQ(HelpNo, 1090);
    ASSERT_EQ(Messages(r).size(), 2u);
    EXPECT_EQ(Messages(r)[1], "QOR1W - Involute Gear Dimensions: " + Path("b.q1w") + " delete ?");
}

// ---- listing conversion and the text window

TEST_F(FileQuestions, ConvertTextFileFromDosPage) {
    const std::string data = std::string(QOR_TEST_DATA_DIR) + "/dialogs/";
    ConvertTextFile(data + "listing_cp437.txt", Path("outwin.txt"));
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(ReadFileBytes(Path("outwin.txt")), ReadFileBytes(data + "listing_utf8.txt"));

    // A missing source: AbortFlag, and the destination keeps what it held.
    WriteFileBytes(Path("keep.txt"), "kept");
    ConvertTextFile(Path("missing.tmp"), Path("keep.txt"));
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(ReadFileBytes(Path("keep.txt")), "kept");
}

TEST_F(FileQuestions, TextWindowShowsOutwinAndRemembersItsPlace) {
    Application->Initialize(); // the window with its widgets, menu bar and memo
    TempDir = dir.string();
    WriteFileBytes(Path("outwin.txt"), "first line\r\nZahnbreite \xC3\x9F\r\n\r\nlast\r\n");
    TextWindowRect = {10, 20, 500, 300};
    std::vector<std::string> lines;
    std::string caption;
    std::vector<std::string> menu;
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
        auto& w = dynamic_cast<TForm_showtextfile&>(f);
        caption = w.Caption();
        lines = w.Memo1->Lines().Items();
        for (TMenuItem* m : {w.mi_Datei, w.mi_dateiExportNotepad, w.mi_DateiDrucken,
                             w.mi_dateiBeenden, w.mi_Edit, w.mi_EditMarkAll, w.mi_EditCopy})
            menu.push_back(m->Caption());
        EXPECT_EQ(w.BoundsRect(), Rect(10, 20, 510, 320));
        w.SetBounds(30, 40, 640, 480); // the user moves the window
        w.mi_dateiBeenden->Click();
    });
    ResponderScope scope(r);
    auto form = CreateForm<TForm_showtextfile>();
    form->ShowModal();
    EXPECT_EQ(caption, "QOR1W - " + Path("outwin.txt"));
    EXPECT_EQ(lines, (std::vector<std::string>{"first line", "Zahnbreite \xC3\x9F", "", "last"}));
    EXPECT_EQ(menu, (std::vector<std::string>{"&File", "Export &Notepad", "&Print...", "E&xit",
                                              "&Edit", "Select &All", "&Copy"}));
    EXPECT_EQ(TextWindowRect, (TTextWindowRect{30, 40, 640, 480}));
    EXPECT_EQ(r.Unexpected(), 0);
}

TEST_F(FileQuestions, TextWindowReportsMissingFileAndExportsToTheEditor) {
    TempDir = dir.string();
    {
        // The message comes while the window opens, before it can be worked.
        ScriptedResponder r;
        r.OnMessage(IDOK).OnForm([](TForm& f) { f.Close(); });
        ResponderScope scope(r);
        auto form = CreateForm<TForm_showtextfile>();
        form->ShowModal();
        EXPECT_EQ(Messages(r),
                  std::vector<std::string>{"Message:: " + Path("outwin.txt") + " not found !"});
        EXPECT_EQ(r.Unexpected(), 0);
    }

    // "Export Notepad" starts the configured word processor on outwin.txt; one that cannot be
    // started is named with its setting, and the file stays.
    WriteFileBytes(Path("outwin.txt"), "exported\r\n");
    fs::create_directories(dir / "editor");
    auto form = CreateForm<TForm_showtextfile>();
    WordProcessor = "qor-no-such-editor";
    ScriptedResponder r;
    ResponderScope scope(r);
    form->mi_dateiExportNotepad->Click();
    EXPECT_EQ(Messages(r), std::vector<std::string>{
                               "Error  : : qor-no-such-editor not found: the listing is kept in " +
                               Path("outwin.txt") +
                               ".\nSet the program in File > Settings > "
                               "external: \"word processor\"."});
    WordProcessor = "cp -t " + Path("editor");
    form->mi_dateiExportNotepad->Click();
    const std::string copied = Path("editor/outwin.txt");
    for (int i = 0; i < 1000 && ReadFileBytes(copied) != "exported\r\n"; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ReadFileBytes(copied), "exported\r\n");
}

// ---- printing listing files

std::string MakeLines(const std::string& prefix, int from, int to) {
    std::string s;
    for (int i = from; i <= to; ++i)
        s += prefix + " " + std::to_string(i) + "\r\n";
    return s;
}

TEST_F(FileQuestions, PageCountOfListingFiles) {
    WriteFileBytes(Path("three.txt"), MakeLines("A", 1, 5) + "\f\r\n" + MakeLines("B", 1, 5) +
                                          "\f\r\n" + MakeLines("C", 1, 5) + "\f\r\n");
    EXPECT_EQ(CountPrintPages(Path("three.txt"), 66), 3);
    WriteFileBytes(Path("nofeed.txt"), MakeLines("L", 1, 200));
    EXPECT_EQ(CountPrintPages(Path("nofeed.txt"), 66), 4);
    // A full page ended by a form feed is one page, not two.
    WriteFileBytes(Path("full.txt"), MakeLines("L", 1, 66) + "\f\r\n" + MakeLines("M", 1, 2));
    EXPECT_EQ(CountPrintPages(Path("full.txt"), 66), 2);
    // Two form feeds in a row leave a blank page; an empty file is one page.
    WriteFileBytes(Path("blank.txt"), "x\r\n\f\r\n\f\r\ny\r\n");
    EXPECT_EQ(CountPrintPages(Path("blank.txt"), 66), 3);
    WriteFileBytes(Path("empty.txt"), "");
    EXPECT_EQ(CountPrintPages(Path("empty.txt"), 66), 1);
    EXPECT_EQ(CountPrintPages(Path("missing.txt"), 66), 0);
}

class PrintListing : public FileQuestions {
protected:
    void SetUp() override {
        FileQuestions::SetUp();
        Application->Initialize();
        pdf = Path("out.pdf");
        ASSERT_TRUE(Printer()->SetOutputFileName(pdf));
    }
    void TearDown() override {
        Printer()->SetOutputFileName("");
        FileQuestions::TearDown();
    }
    int Pages() const {
        const std::string info = RunCommand("pdfinfo '" + pdf + "' 2>/dev/null");
        const std::size_t at = info.find("Pages:");
        if (at == std::string::npos) return -1;
        return std::stoi(info.substr(at + 6));
    }
    std::string PageText(int page) const {
        return RunCommand("pdftotext -layout -f " + std::to_string(page) + " -l " +
                          std::to_string(page) + " '" + pdf + "' - 2>/dev/null");
    }
    // Prints file with a print dialog that is accepted; the dialog's MaxPage (-1 when none
    // was shown).
    static int PrintAccepted(const std::string& file) {
        int maxPage = -1;
        ScriptedResponder r;
        r.OnDialog([&](TCommonDialog& d) {
            maxPage = dynamic_cast<TPrintDialog&>(d).MaxPage;
            return true;
        });
        ResponderScope scope(r);
        PrintTextFile(file);
        return maxPage;
    }
    // Positions of the texts in order (npos where one is missing or out of order).
    static bool InOrder(const std::string& text, const std::vector<std::string>& parts) {
        std::size_t at = 0;
        for (const std::string& p : parts) {
            at = text.find(p, at);
            if (at == std::string::npos) return false;
            at += p.size();
        }
        return true;
    }
    std::string pdf;
};

TEST_F(PrintListing, FormFeedPagesPrintInOrder) {
    // Pages as the listing writes them: a form feed line after each, the last one included;
    // the second form feed is followed by text on the same line.
    WriteFileBytes(Path("list.tmp"), MakeLines("alpha", 1, 4) + "\f\r\n" + MakeLines("beta", 1, 3) +
                                         "\f       gamma 1\r\n" + MakeLines("gamma", 2, 3) +
                                         "\f\r\n");
    const int maxPage = PrintAccepted(Path("list.tmp"));
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(maxPage, 3);
    ASSERT_EQ(Pages(), 3);
    EXPECT_TRUE(InOrder(PageText(1), {"alpha 1", "alpha 2", "alpha 3", "alpha 4"}));
    EXPECT_EQ(PageText(1).find("beta"), std::string::npos);
    EXPECT_TRUE(InOrder(PageText(2), {"beta 1", "beta 2", "beta 3"}));
    EXPECT_TRUE(InOrder(PageText(3), {"gamma 1", "gamma 2", "gamma 3"}));
    EXPECT_EQ(PageText(3).find("beta"), std::string::npos);
}

TEST_F(PrintListing, LongPagesGoOnNewPages) {
    LinesPerPage = 66;
    WriteFileBytes(Path("long.tmp"), MakeLines("row", 1, 200));
    const int maxPage = PrintAccepted(Path("long.tmp"));
    EXPECT_EQ(maxPage, 4);
    ASSERT_EQ(Pages(), 4);
    EXPECT_TRUE(InOrder(PageText(1), {"row 1\n", "row 2\n", "row 66\n"}));
    EXPECT_EQ(PageText(1).find("row 67"), std::string::npos);
    EXPECT_TRUE(InOrder(PageText(2), {"row 67", "row 132\n"}));
    EXPECT_TRUE(InOrder(PageText(4), {"row 199", "row 200"}));
    // Every word inside the page's margins of 15 mm (42.5 pt on the 595 x 842 pt A4 page), as
    // poppler places them.
    const std::string boxes = RunCommand("pdftotext -bbox -f 1 -l 1 '" + pdf + "' - 2>&1");
    const auto attr = [&](std::size_t at, const char* name) {
        const std::size_t p = boxes.find(name, at);
        return p == std::string::npos ? -1.0 : std::stod(boxes.substr(p + std::strlen(name)));
    };
    int words = 0;
    for (std::size_t at = boxes.find("<word "); at != std::string::npos;
         at = boxes.find("<word ", at + 1), ++words)
        EXPECT_TRUE(attr(at, "xMin=\"") > 42 && attr(at, "yMin=\"") > 42 &&
                    attr(at, "yMax=\"") < 800)
            << boxes.substr(at, boxes.find('>', at) - at);
    EXPECT_EQ(words, 132); // "row" and its number on 66 lines
}

TEST_F(PrintListing, PageRangeAndRefusals) {
    WriteFileBytes(Path("list.tmp"), MakeLines("p1", 1, 2) + "\f\r\n" + MakeLines("p2", 1, 2) +
                                         "\f\r\n" + MakeLines("p3", 1, 2));
    ScriptedResponder r;
    r.OnDialog([](TCommonDialog& d) {
         auto& p = dynamic_cast<TPrintDialog&>(d);
         p.PrintRange = prPageNums;
         p.FromPage = 2;
         p.ToPage = 2;
         return true;
     }).OnDialog([](TCommonDialog&) { return false; });
    ResponderScope scope(r);
    PrintTextFile(Path("list.tmp"));
    ASSERT_EQ(Pages(), 1);
    EXPECT_TRUE(InOrder(PageText(1), {"p2 1", "p2 2"}));
    EXPECT_EQ(PageText(1).find("p1"), std::string::npos);

    // Cancelled: nothing printed (the PDF from before stays as it was).
    const std::string before = ReadFileBytes(pdf);
    PrintTextFile(Path("list.tmp"));
    EXPECT_EQ(ReadFileBytes(pdf), before);

    // A missing file is reported; AbortFlag set: nothing happens.
    ScriptedResponder r2;
    r2.OnMessage(IDOK);
    ResponderScope scope2(r2);
    PrintTextFile(Path("missing.tmp"));
    EXPECT_EQ(Messages(r2),
              std::vector<std::string>{"Message:: " + Path("missing.tmp") + " not found !"});
    AbortFlag = 1;
    PrintTextFile(Path("list.tmp"));
    EXPECT_EQ(r2.Seen().size(), 1u);
}

} // namespace
