#pragma once
// What the Qt-free core asks of the user interface: the message box, the choice of a file and
// the handling of pending window events. The interface installs its own at program start
// (InstallUiHooks in framework/ui/uihooks.h); without them the core behaves as in a batch mode:
// a question gets its cancel answer and goes to stderr, a file choice is cancelled, and there
// are no events to handle.

#include <string>
#include <string_view>

#include "platform/os/msgflags.h"

// Shows a message box; returns IDOK ... IDNO.
using MessageBoxProc = int (*)(std::string_view text, std::string_view caption, unsigned flags);
extern MessageBoxProc MessageBoxHook;
int CoreMessageBox(std::string_view text, std::string_view caption, unsigned flags);

// One file choice: an open or save dialog.
struct TFileChoice {
    bool Save = false;
    std::string InitialDir;
    std::string Filter; // "description|mask|..."
    std::string DefaultExt;
    bool OverwritePrompt = false; // save: ask before replacing
    bool MustExist = false;       // open: only an existing file
};
// True with the chosen full name in fileName; false when cancelled.
using FileChoiceProc = bool (*)(const TFileChoice& choice, std::string& fileName);
extern FileChoiceProc FileChoiceHook;
bool ChooseFile(const TFileChoice& choice, std::string& fileName);

// Handles pending window events other than user input.
using CoreEventsProc = void (*)();
extern CoreEventsProc ProcessPendingEventsHook;
void ProcessPendingEvents();
