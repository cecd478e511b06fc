#pragma once
// The small modal forms (the text window is the unit ushowfil) every question of the program goes
// through (a list choice, a text, a yes/no choice, a radio choice), the information screen, the
// text window that shows the screen listings, the fitting of forms to the main window and the
// user's scale, the font-style code, and the conversion and printing of listing files.
//
// The four question forms are created, filled, shown modally and freed by the routines of
// framework/ui/questions.h. Cancel and Esc set AbortFlag; the help buttons show the help of HelpNo
// (framework/ui/help.h) and clear AbortFlag again, so that a help picture that could not be drawn
// does not turn the answer into a cancel.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/files.h"
#include "framework/ui/stored_texts.h"
#include "platform/gui/canvas.h"
#include "platform/gui/controls.h"
#include "platform/gui/forms.h"
#include "platform/gui/menus.h"

// Frees a form (its OnDestroy runs) when the owning pointer goes.
struct FormFree {
    void operator()(TForm* f) const {
        if (f != nullptr) f->Free();
    }
};
template <class T> using FormPtr = std::unique_ptr<T, FormFree>;
// Creates a form (its OnCreate runs) owned by a FormPtr.
template <class T> FormPtr<T> CreateForm() {
    return FormPtr<T>(NewForm<T>(nullptr));
}

// ---- form fitting ----------------------------------------------------------------------------
// Nothing at all happens while FitFormMode is 2.

// Size times FormSizePercent / 100 (never smaller than ControlsNeed), centred over the main
// window (never left of or above it, 20 pixels lower), then scaled with its controls by
// ScaleByPercent / 100; parent font on.
void FitForm(TForm* form);
// The client size a form's own controls need: the right and bottom edges of the visible ones it
// places itself, and a margin.
TSize ControlsNeed(const TForm* form);

// The largest outer size among the program's dialogs as designed (the job-file table's width,
// the settings dialog's height): the proposals below keep a dialog of this size wholly on the
// screen.
inline constexpr int kLargestDialogWidth = 760;
inline constexpr int kLargestDialogHeight = 510;
// The dialog window size proposed for a screen (FormSizePercent): frameShare (the main window's
// height over its client height + 46, plus 0.009) times pixelsPerInch / 96, as a percentage, but
// never below 100 (a smaller size would not hold the dialogs' controls) nor above the size at
// which the largest dialog, its elements scaled by elementsPercent, lies wholly with its frame on
// a work area of areaWidth x areaHeight (the least of the two when they meet).
int ProposedDialogSize(long double frameShare, int pixelsPerInch, int areaWidth, int areaHeight,
                       int elementsPercent);
// The dialog element size proposed for a dialog window size (ScaleByPercent): the window size
// over the proposal of the same screen, capped, as that proposal is, by the work area.
int ProposedDialogElements(long double frameShare, int pixelsPerInch, int areaWidth, int areaHeight,
                           int dialogPercent);

// A form's geometry as designed (its size and font, its controls' bounds and fonts). A form that
// lives for the whole run and is shown many times is fitted with Fit: the first time from its
// design, later only when the fitting settings changed, and then again from its design, never
// from the size an earlier fitting gave it; otherwise it keeps the size and place the user gave
// it.
class TFormDesign {
public:
    void Fit(TForm* form);

private:
    struct Control {
        TControl* C;
        int Left, Top, Width, Height, FontSize;
    };
    void Take(TWinControl* parent);
    void Restore(TForm* form) const;
    bool FTaken = false;
    int FWidth = 0, FHeight = 0, FFontSize = 0;
    std::vector<Control> FControls;
    std::array<std::int32_t, 3> FFittedWith{}; // FitFormMode, FormSizePercent, ScaleByPercent
};
// The same size and scaling, placed at FormLeft, FormTop.
void FitFormAtPos(TForm* form);
// Size and scaling only; the position stays.
void ScaleForm(TForm* form);
// Main window: client area ScreenWidth + 1 by ScreenHeight + 1 at (0, 0), colour
// BackgroundColour, hints on (shown for 100 s), parent font on.
void SetupMainWindow(TForm* form);
// The main window's client area as the program sets it, at its place: the size asked for, or
// what the screen's work area leaves beside the window's frame and menu (a size stored on a
// larger screen shrinks), as at start.
void SetMainWindowClientSize(TForm* form, int width, int height);
// Scales a form's size, its controls' bounds and its fonts by percent / 100 (the position of the
// form stays). Controls that a layout places (aligned or never positioned) keep their places.
void ScaleFormBy(TForm* form, int percent);

// ---- environment and settings ----------------------------------------------------------------

// The environment variable's value (at most 255 characters; empty when unset).
void GetEnvVar(std::string_view name, std::string& s);
// Major and minor version of the operating system kernel, "." between.
void WindowsVersion(std::string& s);
// UnitSystem 1 becomes 0, anything else 1.
void ToggleUnitSystem();
// Font style set <-> the 4-bit code (bold 1, italic 2, underline 4, strike-out 8, summed).
int FontStyleToCode(TFontStyles style);
TFontStyles CodeToFontStyle(int code); // codes outside 0..15 give the empty set

// ---- the question forms ----------------------------------------------------------------------

// Handlers shared by the four question forms.
class TQuestionForm : public TForm {
public:
    explicit TQuestionForm(TComponent* AOwner);

    void Button_okClick(TObject* Sender);
    void Button_cancelClick(TObject* Sender);
    void Button_hilfetextClick(TObject* Sender);
    void Button_hilfebildClick(TObject* Sender);
    void FormKeyDown(TObject* Sender, std::uint16_t& Key, TShiftState Shift);

protected:
    // OK's (and Enter's) check of the answer: false keeps the form open.
    virtual bool Answerable() { return true; }
    // The four buttons in the form's bottom row, with the given names (the forms spell them
    // differently), at vertical position top.
    void CreateButtons(std::string_view okName, std::string_view cancelName, int top);
    // The wrapping prompt label "Label1" at the top left, width x height.
    TLabel* CreatePromptLabel(int width, int height);
    // The help buttons leave AbortFlag clear afterwards.
    void ShowHelpButton(std::uint16_t mode);

    TButton* FOk = nullptr;
    TButton* FCancel = nullptr;
    TButton* FHelpText = nullptr;
    TButton* FHelpImage = nullptr;
    bool FEnterClearsAbort = false; // the list form: Enter is an accepting answer
};

// List choice of TextLines[1..n].
class Tin_codedialog : public TQuestionForm {
public:
    explicit Tin_codedialog(TComponent* AOwner);
    TLabel* Label1;
    TListBox* ListBox1;
    TButton* button_ok;
    TButton* button_cancel;
    TButton* Button_hilfetext;
    TButton* Button_hilfebild;

    // Prompt, the items TextLines[1..n] (n within 0..135), item k selected (none when k is
    // outside 1..n).
    void SetItems(std::string_view prompt, int n, int k);
    // The selected item + 1 (0 when none is selected).
    void GetChoice(int& k) const;

    void FormCreate(TObject* Sender);
    void ListBox1KeyPress(TObject* Sender, char& Key);
    void ListBox1DblClick(TObject* Sender);
};

// Text input.
class Tin_textdialog : public TQuestionForm {
public:
    explicit Tin_textdialog(TComponent* AOwner);
    TLabel* Label1;
    TEdit* EditEinText;
    TButton* Button_ok;
    TButton* Button_Cancel;
    TButton* Button_hilfetext;
    TButton* Button_hilfebild;

    // The text is shown whole, whatever its length: maxLength stops typing.
    void SetText(std::string_view prompt, std::string_view text, int maxLength);
    // The text as typed; the text given, as it was, while the edit still shows it.
    void GetText(std::string& text) const;
    // Why a typed text would not be kept ("" when it would): OK then says so and stays.
    std::function<std::string(const std::string&)> Check;

    void FormCreate(TObject* Sender);

protected:
    bool Answerable() override;

private:
    TStoredTexts FStored;
};

// Yes or no.
class Tin_janeindialog : public TQuestionForm {
public:
    explicit Tin_janeindialog(TComponent* AOwner);
    TLabel* Label1;
    TRadioGroup* RadioGroup_janein;
    TButton* Button_ok;
    TButton* button_cancel;
    TButton* Button_hilfetext;
    TButton* Button_hilfebild;

    // "&No" preselected when def is "N" or "n", else "&Yes".
    void SetQuestion(std::string_view prompt, std::string_view def);
    // "J" for yes, "N" for no.
    void GetAnswer(std::string& answer) const;

    void FormCreate(TObject* Sender);
};

// Radio choice of TextLines[1..n].
class Tin_radiodialog : public TQuestionForm {
public:
    explicit Tin_radiodialog(TComponent* AOwner);
    TLabel* Label1;
    TRadioGroup* RadioGroup1;
    TButton* Button_ok;
    TButton* button_cancel;
    TButton* Button_hilfetext;
    TButton* Button_hilfebild;
    // The item texts shown (owned by the form).
    TStrings Items;

    // As Tin_codedialog::SetItems; the group is (n + 1) x 25 pixels high.
    void SetItems(std::string_view prompt, int n, int k);
    void GetChoice(int& k) const;

    void FormCreate(TObject* Sender);
};

// The information screen: TextLines[1..22] under the product title.
class TShowScreen : public TForm {
public:
    explicit TShowScreen(TComponent* AOwner);
    TMemo* Memo1;
    TButton* Button_ok;

    void FormCreate(TObject* Sender);
    void Button_okClick(TObject* Sender);
};

// The text window of the screen listings: shows outwin.txt of the listings' folder.
// The text window's menu captions that follow the interface language (the shell sets the hook):
// the File menu, Print, Exit and the Edit menu.
struct TTextWindowCaptions {
    std::string File = "&File", Print = "&Print...", Exit = "E&xit", Edit = "&Edit";
};
extern std::function<TTextWindowCaptions()> TextWindowCaptionsHook;

class TForm_showtextfile : public TForm {
public:
    explicit TForm_showtextfile(TComponent* AOwner);
    TMemo* Memo1;
    TMainMenu* MainMenu1;
    TMenuItem* mi_Datei;
    TMenuItem* mi_dateiExportNotepad;
    TMenuItem* mi_DateiDrucken;
    TMenuItem* mi_dateiBeenden;
    TMenuItem* mi_Edit;
    TMenuItem* mi_EditMarkAll;
    TMenuItem* mi_EditCopy;
    // The file shown.
    std::string FileName;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void mi_dateiExportNotepadClick(TObject* Sender);
    void mi_DateiDruckenClick(TObject* Sender);
    void mi_dateiBeendenClick(TObject* Sender);
    void mi_EditMarkAllClick(TObject* Sender);
    void mi_EditCopyClick(TObject* Sender);
};

// Encoding of outwin.txt and of the other converted listings: what the text window, the
// editor and the printer read.
constexpr TextEncoding ListingShownEncoding = TextEncoding::Utf8;
// Encoding of the listing files the listing engine writes (texts of the DOS code page).
constexpr TextEncoding ListingFileEncoding = TextEncoding::Oem;

// Full name of the text window's file: "outwin.txt" in the listings' folder of the user's own
// (ListingFolder, listing.h).
std::string TextWindowFileName();

// ---- listing files ---------------------------------------------------------------------------

// Copies source line by line through OemToAnsiString into destination (written through a
// temporary file, so a failure leaves an existing destination as it was). A file that cannot
// be opened or an I/O error sets AbortFlag and returns its code (FileErrorCause says it in
// words); failed, when given, receives the file that failed. 0 on success.
int ConvertTextFile(const std::string& source, const std::string& destination,
                    TextEncoding sourceEncoding = ListingFileEncoding,
                    TextEncoding destinationEncoding = ListingShownEncoding,
                    std::string* failed = nullptr);

// Prints a listing file on the printer. A line that begins with a form feed (code 12) starts a
// new page (the rest of the line is printed on it); a page holds LinesPerPage lines, and a line
// that would pass the bottom starts a new page too. The print dialog offers every page. A
// missing file is reported; nothing is printed while AbortFlag is set or when the dialog is
// cancelled. A printer failure is reported and sets AbortFlag.
void PrintTextFile(const std::string& name, TextEncoding encoding = ListingFileEncoding);

// The number of printed pages of a listing file at linesPerPage lines per page (at least 1),
// as PrintTextFile counts them; 0 when the file cannot be read.
int CountPrintPages(const std::string& name, int linesPerPage,
                    TextEncoding encoding = ListingFileEncoding);
