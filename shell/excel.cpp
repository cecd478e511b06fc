// qor1wu: the Excel interface of the OLE menu.
#include "shell/excel.h"

#include <unistd.h>

#include "drawings/workshop.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/listing.h"
#include "framework/ui/message_help.h"
#include "framework/ui/questions.h"
#include "platform/office/spreadsheet.h"
#include "platform/gui/dialogs.h"
#include "platform/os/codepage.h"
#include "platform/os/file.h"
#include "platform/os/paths.h"
#include "shell/job/jobfile.h"

namespace {

// The sheet goes to the listing device the printout has set (the TXT file), whatever the mode.
void WorkshopSheetOnTheTextDevice(std::uint16_t) {
    WorkshopSheet(0);
}

// Puts the user's listing device back however the printout ends.
class ListingDeviceKeeper {
public:
    ListingDeviceKeeper() : FWindow(TextDeviceWindow), FDevice(TextDevice) {}
    ~ListingDeviceKeeper() {
        TextDeviceWindow = FWindow;
        TextDevice = FDevice;
    }
    ListingDeviceKeeper(const ListingDeviceKeeper&) = delete;
    ListingDeviceKeeper& operator=(const ListingDeviceKeeper&) = delete;

private:
    std::uint8_t FWindow;
    std::uint16_t FDevice;
};

// Whether bytes are well-formed UTF-8 (what a spreadsheet program writes unless told to write
// the Windows code page).
bool IsUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int n = c < 0x80         ? 0
                      : (c >> 5) == 6  ? 1
                      : (c >> 4) == 14 ? 2
                      : (c >> 3) == 30 ? 3
                                       : -1;
        if (n < 0 || i + static_cast<std::size_t>(n) >= s.size()) return false;
        for (int k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += static_cast<std::size_t>(n) + 1;
    }
    return true;
}

// What a file is when it is a workbook in a spreadsheet program's own format ("" otherwise):
// those are zip archives (xlsx, ods) or compound documents (xls).
std::string WorkbookKind(std::string_view bytes) {
    if (bytes.rfind("PK\x03\x04", 0) == 0) return "a spreadsheet workbook (.xlsx or .ods)";
    if (bytes.rfind("\xD0\xCF\x11\xE0", 0) == 0) return "a spreadsheet workbook (.xls)";
    // Text holds no control characters but tabs, line ends and form feeds (and an end-of-file
    // mark last), and the job's flags, the bytes 0 and 1 each a cell of its own: anything else
    // is a picture, a program, an archive ..., never a sheet.
    const auto ends = [&bytes](std::size_t at) {
        return at >= bytes.size() || bytes[at] == '\t' || bytes[at] == '\r' || bytes[at] == '\n';
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 || c == '\t' || c == '\r' || c == '\n' || c == '\f') continue;
        if (c == 0x1A && i + 1 == bytes.size()) continue;
        if (c <= 1 && (i == 0 || ends(i - 1)) && ends(i + 1)) continue;
        return "a binary file (byte " + std::to_string(i + 1) + " is no text)";
    }
    return {};
}

// Column A of a line of tab-separated text: a quoted cell loses its quotes ("" is a quote).
std::string FirstCell(std::string_view line) {
    std::string cell(line.substr(0, line.find('\t')));
    if (cell.size() >= 2 && cell.front() == '"' && cell.back() == '"') {
        std::string plain;
        for (std::size_t i = 1; i + 1 < cell.size(); ++i) {
            plain += cell[i];
            if (cell[i] == '"' && cell[i + 1] == '"') ++i;
        }
        cell = plain;
    }
    return cell;
}

} // namespace

WorkshopListingFunc WorkshopListing = &WorkshopSheetOnTheTextDevice;

namespace {
// A visible application writing into the temporary directory; nullptr when there is none.
// why receives the message when there is none.
std::unique_ptr<TExcelApplication> CreateVisibleApplication(std::string& why) {
    std::string program;
    std::unique_ptr<TExcelApplication> app = TExcelApplication::Create(&program);
    if (app == nullptr) {
        why = SpreadsheetStartProblem(program);
        return app;
    }
    app->Directory = TempDir;
    app->DecimalSeparator = DecimalSign == 2 ? ',' : '.'; // as job files write numbers
    app->SetVisible(true);
    return app;
}
} // namespace

std::unique_ptr<TExcelApplication> NewExcelApplication() {
    std::string why;
    std::unique_ptr<TExcelApplication> app = CreateVisibleApplication(why);
    if (app == nullptr) ShowMessage(why);
    return app;
}

bool TableRowsToSpreadsheet(const std::vector<std::vector<std::string>>& cells,
                            std::string& why) {
    why.clear();
    std::unique_ptr<TExcelApplication> app = CreateVisibleApplication(why);
    if (app == nullptr) return false;
    app->AddWorkbook();
    for (std::size_t r = 0; r < cells.size(); ++r)
        for (std::size_t c = 0; c < cells[r].size(); ++c)
            if (!app->SetCellValue(static_cast<int>(r) + 1, static_cast<int>(c) + 1,
                                   cells[r][c])) {
                why = app->LastError();
                return false;
            }
    if (app->Update()) return true;
    why = app->LastError();
    return false;
}

void StartExcel() {
    if (DataFileName.empty()) {
        ShowMessage("You must save your input data before you can use Excel interface (Menu "
                    "\"File -> Save\")");
        AbortFlag = 1;
        return;
    }
    SetHourglassCursor();
    ExcelApp = NewExcelApplication();
    if (ExcelApp == nullptr) {
        RestoreDefaultCursor();
        AbortFlag = 1;
        return;
    }
    ExcelApp->AddWorkbook();
    LoadDataFile(DataFileName);
    RestoreDefaultCursor();
}

void ExportToExcel() {
    if (DataModified != 0) WriteGearDataFile(DataFileName);
    if (AbortFlag == 0) LoadDataFile(DataFileName);
}

void PrintoutToExcel(std::uint16_t mode) {
    AbortFlag = 0;
    if (CalcErrorFlag != 0) {
        ShowCalcMessages();
        return;
    }
    std::unique_ptr<TExcelApplication> app = NewExcelApplication();
    if (app == nullptr) return;
    app->AddWorkbook();
    {
        const ListingDeviceKeeper keep;
        TextDeviceWindow = 0;
        TextDevice = 6; // the TXT file in the temporary directory
        WorkshopListing(mode);
    }
    if (AbortFlag != 0) return;
    app->AddWorkbook();
    app->DecimalSeparator = ListDecimalSign == 1 ? '.' : ','; // as the listing wrote its values
    const std::string file = ListResultFile; // the TXT copy the listing left
    if (!app->OpenText(file) || !app->Update()) {
        ShowError(app->LastError());
        AbortFlag = 1;
    }
}

// The sheet saved as text holds one job: a few kilobytes. More is no such sheet.
constexpr std::uint64_t kMaxImportBytes = 16u << 20;

void ImportFromExcel() {
    TOpenDialog dialog(nullptr);
    dialog.Filter = "Text (tab delimited)|*.txt|All files|*.*";
    dialog.InitialDir = AddBackslash(DataDir);
    if (!dialog.Execute()) {
        AbortFlag = 1;
        return;
    }
    std::string bytes;
    if (const int rc = os::ReadWholeFile(dialog.FileName, bytes, kMaxImportBytes); rc != 0) {
        ShowError("file " + dialog.FileName + " not found or no access ! (" +
                  FileErrorCause(rc, dialog.FileName) + ")");
        AbortFlag = 1;
        return;
    }
    if (const std::string kind = WorkbookKind(bytes); !kind.empty()) {
        ShowError(dialog.FileName + " is " + kind +
                  ", not tab-delimited text. In the spreadsheet program save the sheet with "
                  "\"Save As\" as \"Text (tab delimited)\" (.txt), then import that file.");
        AbortFlag = 1;
        return;
    }
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
    const std::string text = IsUtf8(bytes) ? bytes : os::Cp1252ToUtf8(bytes);
    // The lines become a job file beside the temporary files, which the job reader loads.
    const std::string job = AddBackslash(TempDir) + "$import" + IntToString(::getpid()) + ".q1w";
    TextFile file;
    file.Assign(job, TextEncoding::Oem);
    if (const int rc = file.Rewrite(); rc != 0) {
        ShowError(FileProblemText("file write error", job, rc));
        AbortFlag = 1;
        return;
    }
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos) end = text.size();
        file.WriteLine(FirstCell(std::string_view(text).substr(at, end - at)));
        at =
            end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n'
                ? end + 2
                : end + 1;
    }
    if (const int rc = file.Close(); rc != 0) {
        os::RemoveFile(job);
        ShowError(FileProblemText("file write error", job, rc));
        AbortFlag = 1;
        return;
    }
    // The job keeps its name: it is still the one the user saved under it.
    TJobData data = TJobData::Current();
    std::string problem;
    const bool read = ReadJobData(job, data, problem);
    os::RemoveFile(job);
    if (!read) {
        // Told of the user's file, whose rows are the lines the reader counts.
        const std::string unread = "Job file " + job + " cannot be read: ";
        if (problem.rfind(unread, 0) == 0)
            problem = "The sheet " + dialog.FileName +
                      " holds no job in its first column: " + problem.substr(unread.size());
        ShowError(problem);
        AbortFlag = 1;
        return;
    }
    data.Commit();
    AbortFlag = 0;
}
