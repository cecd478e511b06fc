// The OLE menu with a stub spreadsheet program: Start Excel and Export give a workbook whose
// column A holds the job file's lines (Import reads them back from the sheet saved as text),
// Printout -> Excel one whose rows are the TXT listing's lines split at tabs (read with
// python3-openpyxl by tests/shell/excel_check.py), and the cases in which no spreadsheet is
// started.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "framework/core/errorlist.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/ui/drawing_window.h"
#include "framework/ui/listing.h"
#include "framework/ui/questions.h"
#include "platform/gui/application.h"
#include "platform/gui/responder.h"
#include "platform/office/spreadsheet.h"
#include "shell/excel.h"
#include "shell/file_commands.h"
#include "shell/job/jobfile.h"
#include "shell/main_window.h"
#include "shell/startup.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

// A listing with texts and numbers in both decimal signs, as the TXT device writes it.
void SampleListing(std::uint16_t) {
    ListHeader("Workshop data sheet", "Gear 2", "", "", "", 0);
    ListBegin(0, DataFileName);
    if (AbortFlag != 0 || !ListRewrite()) return;
    ListHead(0, 1);
    ListValueLine("Normal module", "mn", "mm", "6.5000");
    ListValueLine("Number of teeth", "z", "", "88");
    ListValuePairLine("Profile shift", "x", "", "0.0230", "-0.0230");
    ListValueLine("Tip diameter", "da", "mm", "589,4310");
    ListValueLine("Drawing number", "", "", "0815");
    ListEnd();
}

class ExcelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Application->Initialize(); }

    void SetUp() override {
        Dir = qortest::FreshTestDir("qor_excel_");
        ::setenv("XDG_CONFIG_HOME", (Dir / "xdg").c_str(), 1);
        InitProgram();
        for (std::string* d : {&ConfigDir, &TempDir, &DefaultDataDir, &DataDir, &DbfDir})
            *d = AddBackslash(Dir.string());
        Started = Dir / "started.txt";
        qortest::WriteFileBytes((Dir / "stub.sh").string(),
                                "printf '%s\\n' \"$1\" >> '" + Started.string() + "'\n");
        SpreadsheetCommand = "/bin/sh \"" + (Dir / "stub.sh").string() + "\"";
        SheetListing = WorkshopListing;
        WorkshopListing = &SampleListing;
        CalculateGears();
        AbortFlag = 0;
    }

    void TearDown() override {
        WorkshopListing = SheetListing;
        ExcelApp.reset();
        SpreadsheetCommand.clear();
        if (Window != nullptr) Window->Free();
        DoneProgram();
        fs::remove_all(Dir);
    }

    void Create() {
        ScriptedResponder quiet;
        ResponderScope scope(quiet);
        Window = NewForm<Thh>(nullptr);
        Window->Show();
    }

    // The workbooks the stub program was started on, waiting up to 10 s for count of them.
    std::vector<std::string> StartedOn(std::size_t count) {
        std::vector<std::string> files;
        for (int i = 0; i < 200; ++i) {
            files.clear();
            const std::string text = qortest::ReadFileBytes(Started.string());
            for (std::size_t at = 0, nl; (nl = text.find('\n', at)) != std::string::npos;
                 at = nl + 1)
                files.push_back(text.substr(at, nl - at));
            if (files.size() >= count) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return files;
    }

    static std::string Check(const std::string& mode, const std::string& source,
                             const std::string& xlsx, char decimal) {
        int status = 0;
        const std::string out = qortest::RunCommand(
            "/usr/bin/python3 " QOR_SOURCE_DIR "/tests/shell/excel_check.py " + mode + " '" +
                source + "' '" + xlsx + "' '" + std::string(1, decimal) + "' 2>&1",
            status);
        return (status == 0 ? "ok: " : "FAILED: ") + out;
    }

    fs::path Dir, Started;
    Thh* Window = nullptr;
    WorkshopListingFunc SheetListing = nullptr;
};

} // namespace

// Start Excel, an edit, Export: the sheet holds the saved job, under either decimal sign.
TEST_F(ExcelTest, StartAndExportGiveTheJobLinesInColumnA) {
    Create();
    for (int sign : {1, 2}) {
        SCOPED_TRACE(sign);
        fs::remove(Started);
        DecimalSign = static_cast<std::uint16_t>(sign);
        const char decimal = sign == 2 ? ',' : '.';
        WriteGearDataFile("spur job");
        DataFileName = "spur job";
        DataModified = 0;
        const std::string job = (Dir / "spur job.q1w").string();
        ScriptedResponder r;
        ResponderScope scope(r);
        FindControl<TMenuItem>(*Window, "mi_oleStartExcel")->Click();
        ASSERT_EQ(AbortFlag, 0) << ::testing::PrintToString(r.Seen());
        EXPECT_TRUE(Window->mi_oleExportExcel->Enabled());
        EXPECT_TRUE(Window->mi_oleImportExcel->Enabled());
        std::vector<std::string> files = StartedOn(1);
        ASSERT_EQ(files.size(), 1u);
        EXPECT_THAT(Check("column", job, files[0], decimal), ::testing::StartsWith("ok: "));

        // An edit not yet saved: Export saves it first, then shows the new lines.
        GearData.mn = 7.25L;
        DataModified = 1;
        Window->mi_oleExportExcel->Click();
        EXPECT_EQ(AbortFlag, 0);
        EXPECT_EQ(DataModified, 1);
        EXPECT_THAT(qortest::ReadFileBytes(job),
                    HasSubstr(std::string("\r\n7") + decimal + "2500000\r\n"));
        files = StartedOn(2);
        ASSERT_EQ(files.size(), 2u);
        EXPECT_NE(files[1], files[0]);
        EXPECT_THAT(Check("column", job, files[1], decimal), ::testing::StartsWith("ok: "));
        EXPECT_EQ(r.Unexpected(), 0) << ::testing::PrintToString(r.Seen());

        // The sheet saved as tab-separated text with mn changed in column A (UTF-8 with a
        // byte-order mark, or Windows 1252), a second column and a quoted cell: Import loads it.
        std::string lines = qortest::ReadFileBytes(job), text = sign == 2 ? "\xEF\xBB\xBF" : "";
        const std::string mn = std::string("\r\n7") + decimal + "2500000\r\n";
        lines.replace(lines.find(mn), mn.size(), std::string("\r\n\"8") + decimal + "0\"\r\n");
        for (std::size_t at = 0, nl; (nl = lines.find("\r\n", at)) != std::string::npos;
             at = nl + 2)
            text +=
                lines.substr(at, nl - at) + "\tnote " + (sign == 2 ? "\xC3\xA4" : "\xE4") + "\r\n";
        const std::string saved = (Dir / "saved sheet.txt").string();
        qortest::WriteFileBytes(saved, text);
        ScriptedResponder imp;
        imp.OnDialog([&](TCommonDialog& d) {
            dynamic_cast<TOpenDialog&>(d).Choose(saved);
            return true;
        });
        DataModified = 0;
        {
            ResponderScope importing(imp);
            Window->mi_oleImportExcel->Click();
        }
        EXPECT_EQ(imp.Unexpected(), 0) << ::testing::PrintToString(imp.Seen());
        EXPECT_EQ(AbortFlag, 0);
        EXPECT_EQ(GearData.mn, 8.0L);
        EXPECT_EQ(DataFileName, "spur job");
        EXPECT_EQ(DataModified, 1);
        GearData.mn = 6.5L;
    }
}

// Import into a window that shows another job: the job that comes in is calculated before it
// is shown (pitch diameter and transverse module by the textbook formulas) under the window's
// job's name; a workbook or a text that is no job is refused naming the user's file.
TEST_F(ExcelTest, AnImportedJobIsCalculatedAndARefusalNamesTheFile) {
    Create();
    fs::copy_file(QOR_SOURCE_DIR "/data/spur.q1w", Dir / "spur.q1w");
    LoadJobFile((Dir / "spur.q1w").string());
    DataFileName = "spur";
    AfterJobLoaded();
    std::string sheet = qortest::ReadFileBytes(QOR_SOURCE_DIR "/data/helical.q1w");
    for (std::size_t at = 0; (at = sheet.find("\r\n", at)) != std::string::npos; at += 7)
        sheet.insert(at, "\tnote"); // the helical job saved as tab-delimited text
    const std::string file = (Dir / "sheet.txt").string();
    for (const std::string says : {"is a spreadsheet workbook (.xlsx", "holds no job in",
                                   "is a binary file (byte 7 is no text), not tab-delimited", ""}) {
        const bool workbook = says.find("workbook") != std::string::npos;
        qortest::WriteFileBytes(file, says.empty()     ? sheet
                                      : workbook       ? "PK\x03\x04\x14"
                                      : says[0] == 'h' ? "x\n"
                                                       : std::string("\x89PNG\r\n\x1a\n\0", 9));
        ScriptedResponder r;
        r.OnDialog(
            [&](TCommonDialog& d) { return dynamic_cast<TOpenDialog&>(d).Choose(file), true; });
        if (!says.empty()) r.OnMessage(IDOK);
        Window->mi_oleImportExcel->SetEnabled(true);
        {
            ResponderScope scope(r);
            Window->mi_oleImportExcel->Click();
        }
        EXPECT_EQ(r.Unexpected(), 0) << ::testing::PrintToString(r.Seen());
        if (!says.empty()) { EXPECT_THAT(r.Seen().back(), HasSubstr(file + " " + says)); }
        EXPECT_EQ(GearData.beta, says.empty() ? 15.0L : 0.0L);
        const long double beta = GearData.beta * std::acos(-1.0L) / 180;
        EXPECT_NEAR(GearData.d[2], GearData.z[2] * GearData.mn / std::cos(beta), 1e-9L);
        EXPECT_NEAR(GearData.mt, GearData.mn / std::cos(beta), 1e-12L);
        EXPECT_THAT(DisplayList->Text(), HasSubstr((Dir / "spur.q1w").string() + "\r\n"));
    }
}

// When no spreadsheet is started: a job never saved, no program, a fatal calculation error.
TEST_F(ExcelTest, NothingStartedWithoutJobProgramOrCalculation) {
    struct Case {
        const char* What;
        const char* Name;
        const char* Command; // nullptr: the stub
        bool Fatal;
        bool Printout;
        const char* Says;
    } cases[] = {
        {"never saved", "", nullptr, false, false, "You must save your input data"},
        {"no program", "spur", "/nonexistent/soffice --calc", false, false,
         "Could not start Excel: the spreadsheet program \"/nonexistent/soffice\" cannot be "
         "started (the environment variable QOR1W_SPREADSHEET chooses it)"},
        {"no program for the printout", "spur", "/nonexistent/soffice", false, true,
         "QOR1W_SPREADSHEET chooses it"},
        {"fatal error", "spur", nullptr, true, true, "form: "},
    };
    const std::string stub = SpreadsheetCommand;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        fs::remove(Started);
        DataFileName = c.Name;
        if (c.Command != nullptr) SpreadsheetCommand = c.Command;
        if (c.Fatal) {
            CalcErrorFlag = 1;
            AddError("Fatal  : z1 < 2!");
        }
        TextDevice = 3;
        TextDeviceWindow = 1;
        ScriptedResponder r;
        if (c.Fatal)
            r.OnForm([](TForm& f) { Respond::Key(f, VK_ESCAPE); });
        else
            r.OnMessage(IDOK);
        {
            ResponderScope scope(r);
            if (c.Printout)
                PrintoutToExcel(3);
            else
                StartExcel();
        }
        ASSERT_EQ(r.Seen().size(), 1u) << ::testing::PrintToString(r.Seen());
        EXPECT_THAT(r.Seen()[0], HasSubstr(c.Says));
        if (!c.Printout) {
            EXPECT_EQ(AbortFlag, 1);
        }
        EXPECT_EQ(ExcelApp, nullptr);
        EXPECT_EQ(TextDevice, 3);
        EXPECT_EQ(TextDeviceWindow, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(fs::exists(Started));
        ClearErrors();
        SpreadsheetCommand = stub;
    }
}

// The listing goes out as a TXT file (values with the listing's decimal sign) and comes back as
// rows; the user's device stays.
TEST_F(ExcelTest, PrintoutGivesTabSplitRowsWithNumbersAsNumbers) {
    // The sample in both signs, then the workshop data sheet itself.
    for (const auto& [sign, sheet] : {std::pair{1, false}, {2, false}, {2, true}}) {
        SCOPED_TRACE(sign);
        if (sheet) WorkshopListing = SheetListing;
        fs::remove(Started);
        ListDecimalSign = static_cast<std::uint16_t>(sign);
        DecimalSign = static_cast<std::uint16_t>(3 - sign); // not the one the listing uses
        TextDevice = 1;
        TextDeviceWindow = 1;
        DataFileName = "spur";
        ScriptedResponder r;
        {
            ResponderScope scope(r);
            PrintoutToExcel(3);
        }
        EXPECT_EQ(r.Seen(), std::vector<std::string>{});
        EXPECT_EQ(AbortFlag, 0);
        EXPECT_EQ(TextDevice, 1);
        EXPECT_EQ(TextDeviceWindow, 1);
        const std::string txt = ListResultFile;
        ASSERT_TRUE(fs::exists(txt)) << txt;
        const std::vector<std::string> files = StartedOn(1);
        ASSERT_EQ(files.size(), 1u); // the empty workbook is not shown
        const std::string result = Check("rows", txt, files[0], sign == 2 ? ',' : '.');
        EXPECT_THAT(result, ::testing::StartsWith("ok: "));
        if (sheet) {
            EXPECT_THAT(qortest::ReadFileBytes(txt), HasSubstr("Normal module\tmn\tmm\t"));
            EXPECT_THAT(result, ::testing::ContainsRegex(" [1-9][0-9] numbers"));
        } else {
            // 6.5000, 88, 0.0230, -0.0230 and 589.4310 in the listing's sign; "0815" stays
            // text.
            EXPECT_THAT(result, HasSubstr(" 5 numbers"));
        }
    }
}
