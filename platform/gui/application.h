#pragma once
// The application object: creates Qt's application when a display is wanted (never in batch
// modes), runs the message loop, processes pending messages inside long work, holds the title and
// the hint settings, and ends the program.

#include "platform/gui/types.h"

#include <functional>
#include <string>
#include <string_view>

class TForm;

class TApplication : public TObject {
public:
    // Creates the QApplication unless one exists (idempotent). argv must outlive the
    // application; without arguments a program name is used.
    void Initialize(int argc = 0, char** argv = nullptr);
    // True when forms get Qt widgets (a QApplication exists).
    bool HasWidgets() const;
    // True when questions can be shown to a person: widgets exist and the Qt platform is not
    // "offscreen" or "minimal" (or AssumeDisplay is set).
    bool Interactive() const;
    // Treats the offscreen platform as a display: modal forms, message boxes and dialogs then
    // run their own event loops. For tests of those paths, whose answers are posted as events
    // before the question is asked.
    bool AssumeDisplay = false;

    const std::string& Title() const { return FTitle; }
    void SetTitle(std::string_view t);

    // Hint pauses in milliseconds (before a hint shows, and how long it stays); read whenever a
    // hint is about to show.
    int HintPause = 500;
    int HintHidePause = 2500;
    bool ShowHint = true;
    // Makes the hint settings above govern Qt's tool tips (Initialize does it; call it when the
    // QApplication was created elsewhere).
    void InstallHintHandling();

    // Handles every pending event, user input included.
    void ProcessMessages();
    // Handles pending events but leaves keyboard and mouse input queued (for waits in the
    // middle of engine work, where a click must not start a second command).
    void ProcessMessagesExceptInput();

    // The main form (the first form created with it, or set here); Run shows it and runs the
    // message loop until it closes or Terminate is called.
    TForm* MainForm() const { return FMainForm; }
    void SetMainForm(TForm* f) { FMainForm = f; }
    void Run();
    void Terminate();
    bool Terminated() const { return FTerminated; }

    // Calls handler on the event loop (never inside a signal handler) with each byte that
    // arrives on the readable descriptor fd: the signal numbers a signal handler writes into
    // its pipe. Needs widgets; nothing happens for fd < 0.
    void WatchSignalPipe(int fd, std::function<void(int)> handler);

    // The form that has the focus (or was last activated), nullptr when none.
    TForm* ActiveForm() const;

    // A message box captioned with caption (the application title when empty); see msgbox.h.
    int MessageBox(std::string_view text, std::string_view caption, unsigned flags);

private:
    std::string FTitle;
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    bool FHintsInstalled = false;
};

// The one application object.
extern TApplication* Application;
