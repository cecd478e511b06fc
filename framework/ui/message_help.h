#pragma once
// uhelperr: the message browser after a calculation and the message help.
//
// The message help file AddBackslash(PltDir) + ProgramName (lower case) + ".err" is a text file
// in the DOS code page with three lines per message: the message as AddError stores it (its
// first 14 characters identify it), the origin, the remedy. Lines that match no message are
// passed over. The help form shows a message's origin and remedy and lets the user edit them;
// the file is then rewritten through a temporary file beside it, so a failed save leaves it as
// it was.

#include <string>
#include <string_view>

#include "framework/ui/stored_texts.h"
#include "platform/gui/controls.h"
#include "platform/gui/forms.h"

// Number of leading characters that identify a message in the help file.
constexpr int ErrHelpKeyLength = 14;

// The text GetErrOrigin gives for a message without an entry.
inline constexpr std::string_view NoErrHelpText =
    "no help description available for this error message.";

std::string ErrHelpFileName();

// Looks the message up: 0 found (origin and remedy set; a remedy missing at the end of the
// file is empty), 1 not in the file (also when its line is the file's last), 2 the file cannot
// be read (AbortFlag untouched; nothing shown).
int FindErrHelp(std::string_view message, std::string& origin, std::string& remedy);

// After a calculation: nothing under "/NOGUI"; "Calculation successful without error messages"
// when the list is empty; otherwise the messages to choose from, each opening its help.
void ShowCalcMessages();
// Message i (1..ErrorCount) of ErrorList with its origin and remedy in the help form.
void ShowMessageHelp(int i);
// Origin of message i: "" without a help file, NoErrHelpText without an entry.
void GetErrOrigin(int i, std::string& s);
// Remedy of message i: "" without a help file or an entry.
void GetErrRemedy(int i, std::string& s);
// The help form with the three texts (stored texts), shown modally.
void ShowErrHelpForm(std::string_view message, std::string_view origin, std::string_view remedy);
// Writes the new origin and remedy of the message into the help file. Every other line stays.
// True when the file was rewritten; otherwise the user is told that nothing was saved and the
// file is as it was.
bool SaveErrHelpEntry(std::string_view message, std::string_view origin, std::string_view remedy);

class Thelperr : public TForm {
public:
    explicit Thelperr(TComponent* AOwner);
    TLabel* Label_meldung;
    TEdit* Edit_meldung;
    TLabel* Label_ursache;
    TMemo* Memo_ursache;
    TLabel* Label_abhilfe;
    TMemo* Memo_abhilfe;
    TButton* Button_ok;
    TButton* Button_help;
    bool Changed = false; // a memo was edited
    // The message, origin and remedy as the file holds them: a memo left as shown is saved
    // as it stands there.
    TStoredTexts Stored;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void Memo_ursacheChange(TObject* Sender);
    void Memo_abhilfeChange(TObject* Sender);
    void Button_okClick(TObject* Sender);
    void Button_helpClick(TObject* Sender);
};
