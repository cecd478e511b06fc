#pragma once
// Document links of the Documentation menu: starting a link's program with its file, and the
// set-up dialog TForm_confDoku. The links and the job file's document block are in
// shell/job/doclinks.h.
//
// A link's program is started with an argument vector (posix_spawnp, never a shell); the file
// is one argument of its own, whatever blanks or quotes its name holds. Program names stored
// for Windows stay stored as they are and are mapped when started:
//   "NOTEPAD.EXE" (any letter case, with or without a path)  the configured editor
//                                                             (WordProcessor)
//   another program path in Windows layout                    the desktop's program (xdg-open)
//     ("C:\...", "...\x.exe")
//   empty                                                     the desktop's program
//   anything else                                             the program named; a text that
//                                                             is no existing file is split as
//                                                             a command line (program and
//                                                             arguments)

#include <string>
#include <vector>

#include "platform/gui/controls.h"
#include "platform/gui/forms.h"

class TForm_confDoku : public TForm {
public:
    explicit TForm_confDoku(TComponent* AOwner);

    TGroupBox* GroupBox[5];
    TLabel* Label_prog[5];
    TLabel* Label_file[5];
    TEdit* Edit_prog[5]; // named Edit_prog1 .. Edit_prog5
    TEdit* Edit_file[5]; // Edit_file1 .. Edit_file5
    TButton* Button_prog[5];
    TButton* Button_file[5];
    TButton* Button_ok;
    TButton* Button_cancel;
    TButton* Button_help;

    void FormCreate(TObject* Sender);
    // The edits from DocumentLinks.
    void FormShow(TObject* Sender);
    // A file dialog starting at the edit's text; the chosen name replaces it.
    void BrowseClick(TEdit* edit, const char* mask);
    // False (with a message) for a name longer than a link holds.
    bool NameFits(const std::string& name);
    void Button_okClick(TObject* Sender);
    void Button_cancelClick(TObject* Sender);
    void Button_helpClick(TObject* Sender);
};

// The argument vector that starts link i (1..5); empty when there is nothing to start.
std::vector<std::string> DocumentCommand(int i);
// Starts link i without waiting for it; a program that cannot be started is reported.
void OpenDocument(int i);
// The set-up dialog; false when it was cancelled (AbortFlag set).
bool ShowDocumentSetup();
