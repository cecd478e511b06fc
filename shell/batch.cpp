// The batch modes of the command line (qor1wu: StartUp's /I and /CAD branches, BatchCadOutput).
#include "shell/batch.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "cad/cadout.h"
#include "cad/cadstate.h"
#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "drawings/production.h"
#include "drawings/quicksheets.h"
#include "drawings/workshop.h"
#include "drawings/toothviews.h"
#include "framework/core/config_file.h"
#include "framework/core/errorlist.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/ui/questions.h"
#include "platform/gui/responder.h"
#include "platform/os/errors.h"
#include "platform/os/file.h"
#include "platform/os/paths.h"
#include "shell/job/jobfile.h"
#include "shell/startup.h"

namespace {

using DrawFunc = void (*)(std::uint16_t code);

// The production drawing's element n of gear 2.
template <std::uint16_t n> void ProductionItem(std::uint16_t code) {
    ProductionDrawing(code, 2, n);
}

// The tooth views of gear 2 as the CAD menu and the tooth-drawing menu draw them, without
// questions.
template <std::uint16_t View, std::uint16_t Section = 1> void ToothView(std::uint16_t code) {
    ToothDrawing(code, 2, View, 1, Section);
}
void ToothOrGap(std::uint16_t code) {
    ToothDrawing(code, 2, GearData.z[2] < 0 ? 2 : 3, 1, 1); // a ring gear: its tooth gap
}

struct TBatchDrawing {
    int Index;
    const char* Name;
    DrawFunc Draw;
};

// The drawings in the order of the CAD menu (each as its menu item draws it, with output code i
// in place of the question), then the tooth drawings and the production drawing's items.
const TBatchDrawing kDrawings[] = {
    {1, "production drawing", &ProductionItem<7>},
    {2, "Quick 4", &DrawQuickSheet4},
    {3, "Quick 3", &DrawQuickSheet3},
    {4, "gear", &ToothView<4>},
    {5, "tooth", &ToothOrGap},
    {6, "cutting tool", &ToothView<6, 3>},
    {7, "Quick", &DrawQuickSheet},
    {11, "tooth drawing 1", &ToothView<1>},
    {12, "tooth drawing 2", &ToothView<2>},
    {13, "tooth drawing 3", &ToothView<3>},
    {14, "tooth drawing 4", &ToothView<4>},
    {15, "tooth drawing 5", &ToothView<5>},
    {16, "tooth drawing 6", &ToothView<6>},
    {17, "tooth drawing 7", &ToothView<7>},
    {18, "tooth drawing 8", &ToothView<8>},
    {21, "production drawing item 1", &ProductionItem<1>},
    {22, "production drawing item 2", &ProductionItem<2>},
    {23, "production drawing item 3", &ProductionItem<3>},
    {24, "production drawing item 4", &ProductionItem<4>},
    {25, "production drawing item 5", &ProductionItem<5>},
    {26, "production drawing item 6", &ProductionItem<6>},
    {27, "production drawing item 7", &ProductionItem<7>},
    {28, "production drawing item 8", &ProductionItem<8>},
    {29, "production drawing item 9", &ProductionItem<9>},
    {30, "production drawing item 10", &ProductionItem<10>},
    {31, "production drawing item 11", &ProductionItem<11>},
    {32, "production drawing item 12", &ProductionItem<12>},
};

const TBatchDrawing* FindDrawing(int j) {
    for (const TBatchDrawing& d : kDrawings)
        if (d.Index == j) return &d;
    return nullptr;
}

// The workshop data sheet through the listing device in force.
void RunWorkshopSheet() {
    WorkshopSheet(0);
}

// Why an output is no file the user can open ("" when it is one): missing, or a device or a
// pipe it was written into.
std::string NoFileCause(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return FileErrorCause(os::ErrnoToDosForPath(errno, path.c_str()), path);
    if (!S_ISREG(st.st_mode)) return FileErrorCause(os::NoteNotRegularFile(st.st_mode), path);
    return {};
}

void Say(const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", ProgramName.c_str(), text.c_str());
}

// The usage text on standard output; false (said on stderr) when it could not be written.
bool PrintUsage() {
    std::string text;
    for (const std::string& line : FillUsageText())
        text += line + "\n";
    std::uint64_t done = 0;
    const int rc = os::WriteAllTo(STDOUT_FILENO, text, done);
    if (rc != 0) Say("standard output: " + os::ErrorCauseText(rc));
    return rc == 0;
}

// The settings of the user, as the window reads them at start.
void ReadSettings() {
    SetProductIdentity();
    AbortFlag = 0;
    ReadConfiguration(); // a missing file leaves the first-start values
    AbortFlag = 0;
    ErrorBoxesOn = 1;
    CheckConfiguredDirectories();
    AbortFlag = 0;
    UseInstalledPictures();
}

// Loads and calculates the job; the exit code when it cannot go on, else -1.
int LoadAndCalculate(const std::string& file) {
    DataDir.clear();
    DataFileName = file;
    ErrorBoxesOn = 0; // said once below
    LoadJobFile(DataFileName);
    ErrorBoxesOn = 1;
    if (AbortFlag != 0) {
        Say(LastJobFileProblem().empty() ? file + ": the job could not be loaded"
                                         : LastJobFileProblem());
        return 1;
    }
    // The outputs take the job's name in the current directory.
    DataFileName = BaseNameNoExt(file);
    CalculateGears();
    for (int k = 1; k <= ErrorCount; ++k)
        Say(file + ": " + ErrorList[k].str());
    if (CalcErrorFlag != 0) {
        Say(file + ": fatal calculation error, nothing written");
        return 2;
    }
    AbortFlag = 0;
    return -1;
}

// The file an output is written to.
std::string OutputFile(const TBatchOutput& out) {
    return out.Switch == StartSwitch::Print
               ? WorkshopSheetFileName()
               : CadBatchFileName(static_cast<std::uint16_t>(out.CadCode));
}

// The outputs are named after the job: one that is a file the run has read (the job itself, its
// settings; the same file under any name) refuses the run before anything is written. False
// (said) then.
bool OutputsApartFromInputs(const TCommandLine& line) {
    for (const TBatchOutput& out : line.Outputs) {
        const std::string file = OutputFile(out);
        if (const std::string read = os::FileReadAs(file); !read.empty()) {
            Say(line.File + " " + out.SwitchText + ": the output " + file + " is " + read +
                ", which this run reads: nothing written");
            return false;
        }
    }
    return true;
}

} // namespace

bool BatchCadKnown(int j) {
    return FindDrawing(j) != nullptr;
}

void BatchCadOutput(int i, int j) {
    const TBatchDrawing* d = FindDrawing(j);
    if (d == nullptr || (i != 1 && i != 2 && i != 5)) {
        ShowError("CAD output " + std::to_string(i) + ":" + std::to_string(j) + " does not exist");
        AbortFlag = 1;
        return;
    }
    AbortFlag = 0;
    CadFileName.clear();
    d->Draw(static_cast<std::uint16_t>(i));
    // Success is a file: a drawing that opened none has written nothing, whatever it said.
    if (AbortFlag == 0 && (CadFileName.empty() || !FileExist(CadFileName))) {
        ShowError(std::string("The ") + d->Name + " wrote no file" +
                  (CadFileName.empty() ? std::string()
                                       : ": " + CadFileName + ": " + NoFileCause(CadFileName)));
        AbortFlag = 1;
    }
}

namespace {

// One output of a batch run; false (said) when it was not written.
bool WriteOutput(const TBatchOutput& out) {
    AbortFlag = 0;
    if (out.Switch == StartSwitch::Print) {
        TextDeviceWindow = 0;
        TextDevice = 9; // the TXT listing named after the job: <job>_sheet.txt
        RunWorkshopSheet();
        const std::string sheet = WorkshopSheetFileName();
        if (AbortFlag == 0 && !FileExist(sheet)) {
            ShowError("The workshop data sheet wrote no file: " + sheet + ": " +
                      NoFileCause(sheet));
            AbortFlag = 1;
        }
    } else {
        CadBatchOutput = 1;
        BatchCadOutput(out.CadCode, out.CadIndex);
        CadBatchOutput = 0;
    }
    return AbortFlag == 0;
}

} // namespace

int GuardDraftsAgainstSignals(bool eventLoop) {
    int pipe = -1;
    if (eventLoop)
        pipe = os::DeferDraftSignals();
    else
        os::RemoveDraftsOnSignal();
    os::SignalAtDraftFromEnvironment();
    return pipe;
}

int RunBatch(const TCommandLine& line) {
    switch (line.Switch) {
    case StartSwitch::Usage:
        SetProductIdentity();
        return PrintUsage() ? 0 : 2;
    case StartSwitch::BadSwitch:
    case StartSwitch::NoJob:
        SetProductIdentity();
        Say(line.Problem);
        return line.Switch == StartSwitch::NoJob ? 1 : 2; // no job loaded, or nothing written
    case StartSwitch::Print:
    case StartSwitch::Cad:
        break;
    default:
        return 2;
    }
    // Ended by a signal, the run leaves no draft and no half-written file behind.
    GuardDraftsAgainstSignals(false);
    os::GuardFilesRead(); // no output lands on what the run reads, whatever reads it
    InitProgram();
    BatchResponder answer; // every question to stderr, answered Cancel
    ResponderScope scope(answer);
    ReadSettings();
    int code = LoadAndCalculate(line.File);
    if (code < 0 && !OutputsApartFromInputs(line)) code = 2;
    if (code < 0) {
        code = 0;
        // Each output asked for is written, or said to be missing: never exit 0 without it.
        for (const TBatchOutput& out : line.Outputs)
            if (!WriteOutput(out)) {
                Say(line.File + " " + out.SwitchText + ": nothing written");
                code = 2;
            }
    }
    DoneProgram();
    return code;
}
