// qor1wu: the File menu's commands on job files.
#include "shell/file_commands.h"

#include "cad/cadblock.h"
#include "cad/cadout.h"
#include "calc/calcentry.h"
#include "drawings/datatables.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/message_help.h"
#include "framework/ui/questions.h"
#include "shell/ask_save.h"
#include "shell/job/jobfile.h"
#include "shell/job_table.h"
#include "shell/main_window.h"
#include "shell/recent_files.h"

namespace {

void UpdateTitle() {
    if (MainWindow != nullptr) MainWindow->UpdateTitle();
}

// Data the user let go stays marked when nothing replaced it.
void KeepMarked(TAskSaveResult asked) {
    if (asked == TAskSaveResult::Dropped) DataModified = 1;
}

} // namespace

std::string CurrentJobPath() {
    return CurrentDataFile();
}

namespace {

// The window of a job whose calculation failed: no drawing of it can be made, so it shows why
// (the message table under a heading, the job's name in the footer).
void DrawFailedCalculation() {
    CadOpenOutput(3);
    if (AbortFlag != 0) return;
    CadBeginDrawing(0, 0, 160, 120);
    CadWriteTables(0);
    CadBeginEntities();
    CadSetColour(19);
    CadSetTextSize(2, 0, 4, 3);
    CadText("No drawing: the calculation of these data failed", 8, 104);
    TableErrorMessages(8, 96, 3);
    CadEndSection();
    CadCloseOutput();
}

} // namespace

void ShowJobResult() {
    UpdateTitle(); // the job's name over whatever is shown next
    if (CalcErrorFlag == 0) {
        if (MainWindow != nullptr) MainWindow->RefreshAfterInput();
        return;
    }
    if (MainWindow != nullptr) MainWindow->UpdateErrorMenuItem();
    DrawFailedCalculation();
    ShowCalcMessages();
    AbortFlag = 0;
}

void AfterJobLoaded() {
    AbortFlag = 0;
    CalculateGears();
    AbortFlag = 0;
    ShowJobResult();
}

void OpenJobCommand() {
    AbortFlag = 0;
    const TAskSaveResult asked = AskSaveModified();
    if (AbortFlag != 0) return;
    LoadJobFile(""); // the open dialog; DataDir and DataFileName follow the chosen file
    if (AbortFlag == 0) {
        DataModified = 0;
        AddRecentFile(CurrentJobPath());
        AfterJobLoaded();
    } else {
        KeepMarked(asked);
    }
    UpdateTitle();
}

void OpenTableCommand() {
    AbortFlag = 0;
    FormPtr<TForm_preview> table(NewForm<TForm_preview>(MainWindow));
    table->ListKind = 0;
    SetHourglassCursor();
    const std::string maker = OemToAnsiString(MakerTitle);
    // The folder of the job shown, also of one given on the command line.
    const std::string folder = JobFolder();
    const auto rows = ScanJobFiles(folder, [&](const std::string& name) {
        if (MainWindow != nullptr) MainWindow->ShowStatusText(maker + " -> " + name);
    });
    RestoreCursor();
    UpdateTitle();
    table->SetTable(JobTableTitles(), rows);
    // The table comes back after each job it opened, until the user leaves it.
    while (true) {
        AbortFlag = 0;
        table->SelectedRow = 0;
        if (table->ShowModal() != mrOk || table->SelectedRow < 1) break;
        const std::string name = table->Rows()[static_cast<std::size_t>(table->SelectedRow - 1)][0];
        const TAskSaveResult asked = AskSaveModified();
        if (AbortFlag != 0) continue; // the data stays; the user may pick again or leave
        const std::string path = AddBackslash(folder) + name;
        LoadJobFile(path);
        if (AbortFlag != 0) {
            KeepMarked(asked);
            continue;
        }
        // The name without its extension, as Open gives it: Save writes into DataDir.
        DataDir = folder;
        DataFileName = BaseNameNoExt(name);
        DataModified = 0;
        AddRecentFile(path);
        // The captions first: the message count goes into them afterwards.
        if (MainWindow != nullptr) MainWindow->SetMenuCaptions();
        AfterJobLoaded();
        UpdateTitle();
    }
    AbortFlag = 0;
    UpdateTitle();
}

void SaveJobCommand() {
    AbortFlag = 0;
    SaveDataFile(DataFileName);
    if (AbortFlag == 0) {
        DataModified = 0;
        // The file just written is the one most recently used, however its name came (a new
        // job's dialog, an imported older job, the command line).
        AddRecentFile(CurrentJobPath());
    }
    UpdateTitle();
}

void SaveJobAsCommand() {
    AbortFlag = 0;
    WriteGearDataFile(""); // the save dialog; DataDir and DataFileName follow a written file
    if (AbortFlag == 0) {
        DataModified = 0;
        AddRecentFile(CurrentJobPath());
    }
    UpdateTitle();
}

void ImportOlderJobCommand() {
    AbortFlag = 0;
    const TAskSaveResult asked = AskSaveModified();
    if (AbortFlag != 0) return;
    // The older file holds less than a job file: the rest is a new job's, never the job's
    // before (its change records, links, drawing texts, gear values).
    const TJobData base = NewJobData();
    const auto ext = DataFileExt;
    DataFileExt = "qor";
    LoadJobFile("", base);
    DataFileExt = ext;
    if (AbortFlag == 0) {
        // The job exists only as the older file: it is new data until saved as a job file.
        DataModified = 1;
        AfterJobLoaded();
    } else {
        KeepMarked(asked);
    }
    UpdateTitle();
}

void OpenRecentFile(int n) {
    AbortFlag = 0;
    if (n < 1 || n > 4 || RecentFiles[n].empty()) return;
    const std::string entry = RecentFiles[n];
    if (!FileExist(entry)) {
        ShowMessage("File " + entry + " not found !");
        RemoveRecentFile(n);
        if (MainWindow != nullptr) MainWindow->SetMenuCaptions();
        UpdateTitle();
        return;
    }
    const TAskSaveResult asked = AskSaveModified();
    if (AbortFlag != 0) return;
    LoadJobFile(entry);
    if (AbortFlag == 0) {
        // Name and directory follow the file only once it has loaded.
        DataFileName = BaseNameNoExt(entry);
        DataDir = ExtractPath(entry);
        DataModified = 0;
        AddRecentFile(entry);
        AfterJobLoaded();
    } else {
        KeepMarked(asked);
    }
    UpdateTitle();
}
