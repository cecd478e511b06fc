#include "shell/startup.h"

#include <cstdlib>
#include <filesystem>

#include "cad/cadblock.h"
#include "cad/cadout.h"
#include "cad/cadwriter.h"
#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "dbf/base/errors.h"
#include "dbf/base/hooks.h"
#include "dbf/base/runtime.h"
#include "dbf/browse/browse_window.h"
#include "dbf/dataset/field_list.h"
#include "dbf/expr/expression.h"
#include "dbf/index/ndx.h"
#include "dbf/memo/memo.h"
#include "dbf/table/work_areas.h"
#include "dbf/ui/message_window.h"
#include "dbf/vfile/vfiles.h"
#include "drawings/quicksheets.h"
#include "framework/core/config_file.h"
#include "framework/core/errorlist.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/shelldata.h"
#include "framework/core/text.h"
#include "framework/core/uihooks.h"
#include "framework/ui/draw_device.h"
#include "framework/ui/help_pictures.h"
#include "framework/ui/listing.h"
#include "framework/ui/questions.h"
#include "framework/ui/uihooks.h"
#include "platform/gui/application.h"
#include "platform/os/msgflags.h"
#include "platform/os/paths.h"
#include "shell/change_records.h"
#include "shell/drawing_settings.h"
#include "shell/excel.h"
#include "shell/job_table.h"
#include "shell/batch.h"
#include "shell/command_line.h"
#include "shell/job/doclinks.h"
#include "shell/job/jobfile.h"
#include "shell/main_window.h"
#include "shell/menu_captions.h"

std::vector<std::string> StartParams;

namespace {

// ---- the engine's side of the user interface

void EngineStopBox(const std::string& message, const std::string& caption) {
    CoreMessageBox(message, caption, MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

bool EngineConfirm(const std::string& text) {
    return CoreMessageBox(text, ProductTitle, MB_OKCANCEL | MB_ICONQUESTION | MB_TASKMODAL) == IDOK;
}

dbf::TRecordChoice EngineRecordChoice(const std::string& text, bool canGoBack) {
    const unsigned buttons = canGoBack ? MB_YESNOCANCEL : MB_YESNO;
    switch (CoreMessageBox(text, ProductTitle, buttons | MB_ICONWARNING | MB_TASKMODAL)) {
    case IDYES:
        return dbf::TRecordChoice::Mine;
    case IDNO:
        return dbf::TRecordChoice::Stored;
    default:
        return dbf::TRecordChoice::Back;
    }
}

bool EngineTerminating() {
    return Application->Terminated();
}

bool ConfigInputText(const std::string& prompt, int maxLength, std::string& text) {
    AbortFlag = 0;
    InputText(prompt, maxLength, text);
    return AbortFlag == 0;
}

bool HasFileNoCase(const std::string& dir, const std::string& name) {
    std::string real;
    const std::string d = DelBackslash(dir);
    return os::FindNameNoCase(d.empty() ? "." : d, name, real) == 0 && FileExist(real);
}

// The job named on the command line. True when the start goes on: with the job loaded
// (loaded), or with the name as a new job when no such file exists, or without it when the
// file exists but cannot be read (it is reported and left as it is). False (StartUpExitCode 1)
// for a name without an extension or one no file can be written under.
bool StartWithJob(const std::string& given, bool& loaded) {
    // The job is known by its full path from the start: the folder the program was started
    // from means nothing once another job was opened or the name is listed and remembered.
    const std::string file = os::AbsolutePath(given);
    DataFileName = file;
    DataDir.clear();
    if (ExtractFileName(file).find('.') == std::string::npos) {
        ShowError("extension ." + DataFileExt.str() + " missing");
        StartUpExitCode = 1;
        return false;
    }
    ErrorBoxesOn = 0;
    LoadJobFile(file);
    ErrorBoxesOn = 1;
    if (AbortFlag == 0) {
        ArchiveMode = 1;
        loaded = true;
        return true;
    }
    AbortFlag = 0;
    std::error_code ec;
    if (std::filesystem::exists(file, ec)) {
        // Never offered for overwriting: the user's file may only be damaged or of another kind.
        ShowError(LastJobFileProblem() + " The program starts with a new job; " + file +
                  " is left as it is.");
        DataFileName.clear();
        return true;
    }
    CheckOverwrite(file); // a new job under this name: it must be one a file can be written under
    if (AbortFlag != 0) {
        StartUpExitCode = 1;
        return false;
    }
    ArchiveMode = 1;
    return true;
}

} // namespace

void LoadNullJob() {
    if (!HasFileNoCase(DataDir, "null." + DataFileExt.str())) return;
    AbortFlag = 0;
    LoadJobFile("null");
    DataFileName.clear();
}

int StartUpExitCode = -1;

std::string InstalledDataDir() {
    if (const char* env = std::getenv("QOR1W_DATA_DIR"); env != nullptr && *env != '\0') return env;
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const std::filesystem::path share = exe.parent_path().parent_path() / "share" / "qor1w";
        if (DirExists(share.string())) return share.string();
    }
    return QOR_SOURCE_DATA_DIR;
}

void UseInstalledPictures() {
    // A blank or missing PLT directory gets this folder from CheckConfiguredDirectories, in its
    // one message about folders.
    if (ShippedDataDir.empty()) ShippedDataDir = InstalledDataDir();
}

void InitProgram() {
    InitAllSettings();
    InitCadVariables();   // the CAD configuration and CadState
    RegisterCadWriters(); // IGES and TXT writers, the plot program's command-line editors
    SetProductIdentity();
    InitErrors();
    InitGearDataUnit();
    InitShellData();
    InitDrawingInfoDates();
    InitDocumentLinks();
    InitListing();
    SetMainMenuCaptions(2); // the menus start in English
    SetMenuVocabulary(2);
    // The PLT directory stays blank until the settings are checked, which put the shipped
    // pictures there without writing them into the settings.
    ShippedDataDir = InstalledDataDir();

    InstallUiHooks();
    ConfigInputTextHook = &ConfigInputText;
    TableToSpreadsheet = &TableRowsToSpreadsheet; // the job-file table's export
    TextWindowCaptionsHook = [] { // and the text window's
        return TTextWindowCaptions{MenuCaption(ckFileMenu), MenuCaption(ckPrint),
                                   MenuCaption(ckExit), MenuCaption(ckEditMenu)};
    };
    dbf::DbfMenuCaptionsHook = [] { // the table window's menus speak the menu language
        return dbf::TDbfMenuCaptions{MenuCaption(ckFileMenu), MenuCaption(ckPrint),
                                     MenuCaption(ckExit),     MenuCaption(ckEditMenu),
                                     MenuCaption(ckViewMenu), MenuCaption(ckHelpMenu),
                                     MenuCaption(ckDatabase), MenuCaption(ckFileMenu)};
    };

    dbf::InitTzCommon();
    dbf::ApplyLocaleDateFormat();
    dbf::InitWorkAreas();
    dbf::RegisterMemoHooks(); // after InitWorkAreas, which empties the memo hooks
    dbf::InitParser();
    dbf::IndexInit();
    dbf::InitVFiles();
    dbf::StopBoxHook = &EngineStopBox;
    dbf::ProcessEventsHook = &ProcessPendingEvents;
    dbf::TerminatingHook = &EngineTerminating;
    dbf::ConfirmHook = &EngineConfirm;
    dbf::RecordChoiceHook = &EngineRecordChoice;
    dbf::InstallMessageWindows();
}

void StartUp(int mode) {
    SetProductIdentity();
    AbortFlag = 0;
    if (mode < 6 || mode > 9) ReadConfiguration();
    AbortFlag = 0;
    ErrorBoxesOn = 1;
    CheckConfiguredDirectories();
    DataDir.clear();
    StartUpExitCode = -1;
    const TCommandLine line = ParseCommandLine(StartParams);
    if (IsBatchCommand(line)) { // main runs them before any window; here they end the start
        StartUpExitCode = RunBatch(line);
        return;
    }
    bool loaded = false;
    if (line.Switch == StartSwitch::NameOnly) {
        StartOptionG = 1;
        DataFileName = line.File.empty() ? line.File : os::AbsolutePath(line.File);
    } else if (line.Switch == StartSwitch::None && !line.File.empty()) {
        if (!StartWithJob(line.File, loaded)) return;
    }

    if (ArchiveMode != 0) {
        DataDir.clear(); // the command-line file's name is used as it stands
    } else {
        SetHourglassCursor();
        DataDir = AddBackslash(DefaultDataDir) + DataDir;
        if (DrawDevice != nullptr) {
            DrawDevice->SetDrawWindow(true, true, 0.1L, 0.05L, 0.95L, 0.95L, 0, 0, 36.9L, 32);
            DrawDevice->DrawLogo();
        }
        LoadNullJob();
    }
    AbortFlag = 0;
    if (mode == 1 || mode == 4 || mode == 8) CalculateGears();
    AbortFlag = 0;
    DataModified = 0;
    if (DrawDevice != nullptr && HasFileNoCase(PltDir, "start.plt")) {
        DrawDevice->ClearDevice();
        ShowPltPicture("start");
    }
    if (loaded) RedrawCurrentView(); // the job's own picture over the start picture
}

void DoneProgram() {
    FreeDrawingSettingsForm();
    CadDeleteBlockFiles();
    dbf::DoneWorkAreas();
    RemoveTemporaryFiles(); // the text window's file, listings, working copies of tables
}

namespace {
// A signal ends the window program between two of its steps: the run's temporary files and
// drafts go, the job is neither asked about nor written.
[[noreturn]] void EndOnSignal(int sig) {
    CadDeleteBlockFiles();
    RemoveTemporaryFiles();
    os::EndAfterSignal(sig);
}

void EndIfSignalled() {
    if (const int sig = os::DeferredSignal(); sig != 0) EndOnSignal(sig);
}
} // namespace

int RunProgram() {
    Application->WatchSignalPipe(GuardDraftsAgainstSignals(true), &EndOnSignal);
    Application->SetTitle("QOR1/QOR1+");
    InitProgram();
    Thh* window = NewForm<Thh>(nullptr);
    Application->SetMainForm(window);
    if (StartUpExitCode >= 0) { // the start ended the program (a refused command-line file)
        const int ended = StartUpExitCode;
        window->Free();
        DoneProgram();
        return ended;
    }
    DrawingSettingsForm(); // the one drawing-settings dialog of the run
    int code = 0;
    const char* picture = std::getenv("QOR1W_START_PICTURE");
    if (picture != nullptr && *picture != '\0') {
        window->Show();
        window->PaintNow();
        code = TFkelmgra::SaveDrawingPicture(picture) ? 0 : 2;
    } else {
        Application->Run();
    }
    EndIfSignalled(); // one that came while no event loop ran
    window->Free();
    DoneProgram();
    return code;
}
