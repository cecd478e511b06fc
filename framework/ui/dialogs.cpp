// The small modal forms and the text window (ushowfil).
#include "framework/ui/dialogs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include <sys/utsname.h>

#include "framework/core/globals.h"
#include "framework/ui/help.h"
#include "framework/ui/listing.h"
#include "framework/ui/printout.h"
#include "framework/core/settings.h"
#include "framework/ui/questions.h"
#include "framework/core/text.h"
#include "platform/gui/application.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/printer.h"
#include "platform/gui/screen.h"
#include "platform/os/process.h"
#include "platform/os/utf8.h"

namespace {

// v * m / d rounded half away from zero, kept within int.
int MulDiv(int v, long long m, long long d) {
    if (d == 0) return v;
    const long long p = static_cast<long long>(v) * m;
    const long long half = (d < 0 ? -d : d) / 2;
    long long q = p >= 0 ? (p + half) / d : (p - half) / d;
    q = std::clamp<long long>(q, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    return static_cast<int>(q);
}

// A percentage within what a form can take (a stray setting must not blow a form up or
// shrink it to nothing).
int SanePercent(std::int32_t p) {
    if (p <= 0) return 100;
    return std::clamp<std::int32_t>(p, 10, 1000);
}

void ScaleChildren(TWinControl* parent, int percent) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (c->Align() == alNone) {
            if (c->Positioned()) {
                c->SetBounds(MulDiv(c->Left(), percent, 100), MulDiv(c->Top(), percent, 100),
                             MulDiv(c->Width(), percent, 100), MulDiv(c->Height(), percent, 100));
            } else {
                c->SetWidth(MulDiv(c->Width(), percent, 100));
                c->SetHeight(MulDiv(c->Height(), percent, 100));
            }
        }
        if (!c->ParentFont()) {
            TFont f = c->Font();
            f.SetSize(std::max(1, MulDiv(f.Size(), percent, 100)));
            c->SetFont(f);
        }
        if (auto* w = dynamic_cast<TWinControl*>(c)) ScaleChildren(w, percent);
    }
}

// Room kept right of and below the controls a form places itself.
constexpr int kControlMargin = 8;

// The size step of the fitting: FormSizePercent, but never smaller than the form's controls
// need (a size below 100 % would cut off their right and bottom parts).
void ResizeByFormSizePercent(TForm* form) {
    const int p = SanePercent(FormSizePercent);
    const TSize need = ControlsNeed(form);
    const int frameW = form->Width() - form->ClientWidth();
    const int frameH = form->Height() - form->ClientHeight();
    form->SetBounds(form->Left(), form->Top(),
                    std::max(MulDiv(form->Width(), p, 100), need.cx + frameW),
                    std::max(MulDiv(form->Height(), p, 100), need.cy + frameH));
}

void FinishFit(TForm* form) {
    ScaleFormBy(form, SanePercent(ScaleByPercent));
    form->SetParentFont(true);
}

// Room kept for a window manager's frame: borders and title bar.
constexpr int MainFrameWidth = 16;
constexpr int MainFrameHeight = 48;

int MainMenuHeight(const TForm* form) {
    return form->Height() - form->ClientHeight();
}

// The rectangle forms are centred over: the main window, or the screen before it exists.
TRect MainRect(const TForm* form) {
    const TForm* main = Application->MainForm();
    if (main != nullptr && main != form)
        return {main->Left(), main->Top(), main->Left() + main->Width(),
                main->Top() + main->Height()};
    return {0, 0, Screen()->Width(), Screen()->Height()};
}

TFont PrintoutFont() {
    TFont f;
    f.Name = PrintFont.empty() ? std::string("Courier New") : PrintFont;
    f.SetSize(PrintTextSize > 0 ? PrintTextSize : 10);
    f.Style = CodeToFontStyle(PrintTextStyle);
    f.Pitch = fpFixed;
    return f;
}

std::vector<std::string> ItemTexts(int n) {
    std::vector<std::string> items;
    n = std::clamp<int>(n, 0, static_cast<int>(decltype(TextLines)::High));
    items.reserve(static_cast<std::size_t>(n));
    for (int i = 1; i <= n; ++i)
        items.push_back(OemToAnsiString(TextLines[i].str()));
    return items;
}

} // namespace

// ---- form fitting ------------------------------------------------------------------------------

TSize ControlsNeed(const TForm* form) {
    TSize need{0, 0};
    if (form == nullptr) return need;
    for (int i = 0; i < form->ControlCount(); ++i) {
        const TControl* c = form->Controls(i);
        if (!c->Visible() || !c->Positioned() || c->Align() != alNone) continue;
        need.cx = std::max(need.cx, c->Left() + c->Width() + kControlMargin);
        need.cy = std::max(need.cy, c->Top() + c->Height() + kControlMargin);
    }
    return need;
}

namespace {

// The largest percentage of both factors at which the largest dialog, with the frame the main
// window's fitting keeps room for, lies on the work area.
int LargestFitting(int areaWidth, int areaHeight, int otherPercent) {
    const long long other = std::max(otherPercent, 1);
    const long long w = (static_cast<long long>(areaWidth) - MainFrameWidth) * 10000 /
                        (static_cast<long long>(kLargestDialogWidth) * other);
    const long long h = (static_cast<long long>(areaHeight) - MainFrameHeight) * 10000 /
                        (static_cast<long long>(kLargestDialogHeight) * other);
    return static_cast<int>(std::clamp<long long>(std::min(w, h), 10, 1000));
}

// The size proposed from the frame and the pixel density, and never below 100 %.
int FrameProposal(long double frameShare, int pixelsPerInch) {
    const long double ppi = pixelsPerInch > 0 ? pixelsPerInch : 96;
    const long double p = std::isfinite(frameShare) ? frameShare * ppi / 96 * 100 : 100;
    return static_cast<int>(std::clamp<long double>(nearbyintl(p), 100, 1000));
}

} // namespace

int ProposedDialogSize(long double frameShare, int pixelsPerInch, int areaWidth, int areaHeight,
                       int elementsPercent) {
    return std::min(FrameProposal(frameShare, pixelsPerInch),
                    LargestFitting(areaWidth, areaHeight, elementsPercent));
}

int ProposedDialogElements(long double frameShare, int pixelsPerInch, int areaWidth, int areaHeight,
                           int dialogPercent) {
    const int base = ProposedDialogSize(frameShare, pixelsPerInch, areaWidth, areaHeight, 100);
    const int p = MulDiv(std::max(dialogPercent, 1), 100, base);
    return std::clamp(p, 10, LargestFitting(areaWidth, areaHeight, dialogPercent));
}

void TFormDesign::Take(TWinControl* parent) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        FControls.push_back({c, c->Left(), c->Top(), c->Width(), c->Height(), c->Font().Size()});
        if (auto* w = dynamic_cast<TWinControl*>(c)) Take(w);
    }
}

void TFormDesign::Restore(TForm* form) const {
    form->SetBounds(form->Left(), form->Top(), FWidth, FHeight);
    TFont f = form->Font();
    f.SetSize(FFontSize);
    form->SetFont(f);
    for (const Control& d : FControls) {
        // What ScaleChildren scaled, and nothing else.
        if (d.C->Align() == alNone) {
            if (d.C->Positioned()) {
                d.C->SetBounds(d.Left, d.Top, d.Width, d.Height);
            } else {
                d.C->SetWidth(d.Width);
                d.C->SetHeight(d.Height);
            }
        }
        if (!d.C->ParentFont()) {
            TFont cf = d.C->Font();
            cf.SetSize(d.FontSize);
            d.C->SetFont(cf);
        }
    }
}

void TFormDesign::Fit(TForm* form) {
    if (form == nullptr) return;
    const std::array<std::int32_t, 3> settings{FitFormMode, FormSizePercent, ScaleByPercent};
    if (!FTaken) {
        FTaken = true;
        FWidth = form->Width();
        FHeight = form->Height();
        FFontSize = form->Font().Size();
        Take(form);
    } else if (settings == FFittedWith) {
        return;
    } else {
        Restore(form);
    }
    FFittedWith = settings;
    FitForm(form);
}

void ScaleFormBy(TForm* form, int percent) {
    if (form == nullptr || percent == 100 || percent <= 0) return;
    const int left = form->Left();
    const int top = form->Top();
    form->SetBounds(left, top, MulDiv(form->Width(), percent, 100),
                    MulDiv(form->Height(), percent, 100));
    TFont f = form->Font();
    f.SetSize(std::max(1, MulDiv(f.Size(), percent, 100)));
    form->SetFont(f);
    ScaleChildren(form, percent);
}

void FitForm(TForm* form) {
    if (form == nullptr || FitFormMode == 2) return;
    ResizeByFormSizePercent(form);
    const TRect main = MainRect(form);
    const int left = main.Left + std::max((main.Width() - form->Width()) / 2, 0);
    const int top = main.Top + std::max((main.Height() - form->Height()) / 2, 0) + 20;
    form->SetPosition(poDesigned);
    form->SetBounds(left, top, form->Width(), form->Height());
    FinishFit(form);
}

void FitFormAtPos(TForm* form) {
    if (form == nullptr || FitFormMode == 2) return;
    ResizeByFormSizePercent(form);
    form->SetPosition(poDesigned);
    form->SetBounds(FormLeft, FormTop, form->Width(), form->Height());
    FinishFit(form);
}

void ScaleForm(TForm* form) {
    if (form == nullptr || FitFormMode == 2) return;
    ResizeByFormSizePercent(form);
    FinishFit(form);
}

void SetupMainWindow(TForm* form) {
    if (form == nullptr || FitFormMode == 2) return;
    form->SetPosition(poDesigned);
    // Wholly on the screen: the frame at the work area's corner, and the window no larger than
    // the work area leaves beside the frame the window manager adds (a configured size from a
    // larger screen shrinks; the drawing fits whatever size the window has).
    int left = 0, top = 0, width = 0, height = 0;
    Screen()->WorkArea(left, top, width, height);
    form->SetBounds(left, top, form->Width(), form->Height());
    SetMainWindowClientSize(form, static_cast<int>(ScreenWidth) + 1,
                            static_cast<int>(ScreenHeight) + 1);
    form->SetColor(static_cast<TColor>(BackgroundColour));
    Application->ShowHint = true;
    Application->HintHidePause = 100000;
    form->SetParentFont(true);
}

void SetMainWindowClientSize(TForm* form, int width, int height) {
    if (form == nullptr) return;
    int left = 0, top = 0, areaWidth = 0, areaHeight = 0;
    Screen()->WorkArea(left, top, areaWidth, areaHeight);
    const int menu = MainMenuHeight(form);
    width = std::clamp(width, 1, std::max(areaWidth - MainFrameWidth, 1));
    height = std::clamp(height, 1, std::max(areaHeight - MainFrameHeight - menu, 1));
    // One change of bounds, at the window's place: the window never moves for a new size.
    if (width != form->ClientWidth() || height != form->ClientHeight())
        form->SetBounds(form->Left(), form->Top(), width, height + menu);
}

// ---- environment and settings ------------------------------------------------------------------

void GetEnvVar(std::string_view name, std::string& s) {
    const std::string key(name);
    const char* v = key.empty() ? nullptr : std::getenv(key.c_str());
    s = v == nullptr ? std::string() : os::Utf8Left(v, 255);
}

void WindowsVersion(std::string& s) {
    struct utsname u {};
    if (::uname(&u) != 0) {
        s = "0.0";
        return;
    }
    // "6.1.0-18-amd64" -> "6.1"
    const std::string release = u.release;
    std::string major, minor;
    std::size_t i = 0;
    while (i < release.size() && release[i] >= '0' && release[i] <= '9')
        major += release[i++];
    if (i < release.size() && release[i] == '.') {
        ++i;
        while (i < release.size() && release[i] >= '0' && release[i] <= '9')
            minor += release[i++];
    }
    s = (major.empty() ? "0" : major) + "." + (minor.empty() ? "0" : minor);
}

void ToggleUnitSystem() {
    UnitSystem = UnitSystem == 1 ? 0 : 1;
}

int FontStyleToCode(TFontStyles style) {
    return static_cast<int>(style & (fsBold | fsItalic | fsUnderline | fsStrikeOut));
}

TFontStyles CodeToFontStyle(int code) {
    if (code < 0 || code > 15) return 0;
    return static_cast<TFontStyles>(code);
}

// ---- the question forms -------------------------------------------------------------------------

TQuestionForm::TQuestionForm(TComponent* AOwner) : TForm(AOwner) {
    // Where no fitting places the form (the text form, or fitting switched off), the window
    // layer centres it over the main window.
    SetPosition(poMainFormCenter);
    KeyPreview = true;
    OnKeyDown = [this](TObject* s, std::uint16_t& k, TShiftState sh) { FormKeyDown(s, k, sh); };
}

TLabel* TQuestionForm::CreatePromptLabel(int width, int height) {
    auto* label = new TLabel(this);
    label->SetName("Label1");
    label->SetAutoSize(false);
    label->SetWordWrap(true);
    label->SetBounds(8, 8, width, height);
    return label;
}

void TQuestionForm::CreateButtons(std::string_view okName, std::string_view cancelName, int top) {
    FOk = new TButton(this);
    FOk->SetName(okName);
    FOk->SetCaption("&OK");
    FOk->SetBounds(8, top, 70, 25);
    FOk->SetDefault(true); // Enter answers, Esc cancels (FormKeyDown), as the buttons show
    FOk->OnClick = [this](TObject* s) { Button_okClick(s); };

    FCancel = new TButton(this);
    FCancel->SetName(cancelName);
    FCancel->SetCaption("&Cancel");
    FCancel->SetBounds(84, top, 70, 25);
    FCancel->SetCancel(true);
    FCancel->OnClick = [this](TObject* s) { Button_cancelClick(s); };

    FHelpText = new TButton(this);
    FHelpText->SetName("Button_hilfetext");
    FHelpText->SetCaption("&Help Text");
    FHelpText->SetBounds(160, top, 78, 25);
    FHelpText->OnClick = [this](TObject* s) { Button_hilfetextClick(s); };

    FHelpImage = new TButton(this);
    FHelpImage->SetName("Button_hilfebild");
    FHelpImage->SetCaption("Aux. &Image");
    FHelpImage->SetBounds(244, top, 78, 25);
    FHelpImage->OnClick = [this](TObject* s) { Button_hilfebildClick(s); };
}

void TQuestionForm::Button_okClick(TObject*) {
    if (!Answerable()) return;
    SetModalResult(mrOk);
}

void TQuestionForm::Button_cancelClick(TObject*) {
    AbortFlag = 1;
    Close();
}

void TQuestionForm::ShowHelpButton(std::uint16_t mode) {
    TControl* focused = ActiveControl();
    ShowHelp(HelpNo, mode);
    // A help text or picture that could not be shown is no answer to the question.
    AbortFlag = 0;
    BringToFront();
    if (focused != nullptr && focused->CanFocus()) focused->SetFocus();
}

void TQuestionForm::Button_hilfetextClick(TObject*) {
    ShowHelpButton(1);
}

void TQuestionForm::Button_hilfebildClick(TObject*) {
    ShowHelpButton(2);
}

void TQuestionForm::FormKeyDown(TObject*, std::uint16_t& Key, TShiftState) {
    if (Key == VK_RETURN) {
        // Enter on a focused button other than OK is that button's click (the window layer
        // presses it).
        auto* button = dynamic_cast<TButton*>(ActiveControl());
        if (button != nullptr && button != FOk) return;
        if (FEnterClearsAbort) AbortFlag = 0;
        Key = 0; // answered here: the focused control must not act on it as well
        if (Answerable()) SetModalResult(mrOk);
    } else if (Key == VK_ESCAPE) {
        Key = 0;
        AbortFlag = 1;
        Close();
    }
}

// ---- Tin_codedialog

Tin_codedialog::Tin_codedialog(TComponent* AOwner) : TQuestionForm(AOwner) {
    SetName("in_codedialog");
    SetBounds(0, 0, 440, 316);
    Label1 = CreatePromptLabel(417, 39);
    ListBox1 = new TListBox(this);
    ListBox1->SetName("ListBox1");
    ListBox1->SetBounds(8, 52, 385, 161);
    ListBox1->OnKeyPress = [this](TObject* s, char& k) { ListBox1KeyPress(s, k); };
    ListBox1->OnDblClick = [this](TObject* s) { ListBox1DblClick(s); };
    CreateButtons("button_ok", "button_cancel", 232);
    button_ok = FOk;
    button_cancel = FCancel;
    Button_hilfetext = FHelpText;
    Button_hilfebild = FHelpImage;
    FEnterClearsAbort = true;
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

void Tin_codedialog::FormCreate(TObject*) {
    SetBorderStyle(bsDialog);
    FitForm(this);
    SetCaption("Select");
}

void Tin_codedialog::SetItems(std::string_view prompt, int n, int k) {
    Label1->SetCaption(OemToAnsiString(prompt));
    Label1->SetHeight(39);
    ListBox1->Items().Assign(ItemTexts(n));
    const int count = ListBox1->Items().Count();
    ListBox1->SetItemIndex(k >= 1 && k <= count ? k - 1 : -1);
    SetActiveControl(ListBox1);
}

void Tin_codedialog::GetChoice(int& k) const {
    k = ListBox1->ItemIndex() + 1;
}

void Tin_codedialog::ListBox1KeyPress(TObject* Sender, char& Key) {
    if (Key == '\r') {
        Key = 0;
        Button_okClick(Sender);
    }
}

void Tin_codedialog::ListBox1DblClick(TObject* Sender) {
    Button_okClick(Sender);
}

// ---- Tin_textdialog

Tin_textdialog::Tin_textdialog(TComponent* AOwner) : TQuestionForm(AOwner) {
    SetName("in_textdialog");
    SetBounds(0, 0, 329, 185);
    Label1 = CreatePromptLabel(300, 33);
    EditEinText = new TEdit(this);
    EditEinText->SetName("EditEinText");
    EditEinText->SetBounds(8, 48, 305, 23);
    CreateButtons("Button_ok", "Button_Cancel", 90);
    Button_ok = FOk;
    Button_Cancel = FCancel;
    Button_hilfetext = FHelpText;
    Button_hilfebild = FHelpImage;
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

void Tin_textdialog::FormCreate(TObject*) {
    SetBorderStyle(bsSizeable);
    ScaleForm(this);
    SetCaption("Input");
}

void Tin_textdialog::SetText(std::string_view prompt, std::string_view text, int maxLength) {
    Label1->SetCaption(OemToAnsiString(prompt));
    EditEinText->SetMaxLength(std::max(maxLength, 0));
    FStored.ShowOem(EditEinText, text);
    SetActiveControl(EditEinText);
}

void Tin_textdialog::GetText(std::string& text) const {
    text = FStored.Entered(EditEinText);
}

bool Tin_textdialog::Answerable() {
    if (!Check || !FStored.Changed(EditEinText)) return true;
    const std::string problem = Check(EditEinText->Text());
    if (problem.empty()) return true;
    EditEinText->SetFocus();
    ShowErrorBox(problem);
    return false;
}

// ---- Tin_janeindialog

Tin_janeindialog::Tin_janeindialog(TComponent* AOwner) : TQuestionForm(AOwner) {
    SetName("in_janeindialog");
    SetBounds(0, 0, 309, 233);
    Label1 = CreatePromptLabel(250, 33);
    RadioGroup_janein = new TRadioGroup(this);
    RadioGroup_janein->SetName("RadioGroup_janein");
    RadioGroup_janein->SetBounds(8, 48, 250, 80);
    CreateButtons("Button_ok", "button_cancel", 150);
    Button_ok = FOk;
    button_cancel = FCancel;
    Button_hilfetext = FHelpText;
    Button_hilfebild = FHelpImage;
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

void Tin_janeindialog::FormCreate(TObject*) {
    SetBorderStyle(bsDialog);
    FitForm(this);
    SetCaption("Input");
}

void Tin_janeindialog::SetQuestion(std::string_view prompt, std::string_view def) {
    SetCaption("Input");
    Label1->SetCaption(OemToAnsiString(prompt));
    Label1->SetWidth(250);
    Label1->SetHeight(33);
    RadioGroup_janein->SetCaption("Select");
    RadioGroup_janein->Items().Assign({"&Yes", "&No"});
    const bool no = def == "N" || def == "n";
    RadioGroup_janein->SetItemIndex(no ? 1 : 0);
    SetActiveControl(RadioGroup_janein);
}

void Tin_janeindialog::GetAnswer(std::string& answer) const {
    answer = RadioGroup_janein->ItemIndex() == 1 ? "N" : "J";
}

// ---- Tin_radiodialog

Tin_radiodialog::Tin_radiodialog(TComponent* AOwner) : TQuestionForm(AOwner) {
    SetName("in_radiodialog");
    SetBounds(0, 0, 444, 328);
    Label1 = CreatePromptLabel(417, 39);
    RadioGroup1 = new TRadioGroup(this);
    RadioGroup1->SetName("RadioGroup1");
    RadioGroup1->SetBounds(8, 50, 401, 25);
    CreateButtons("Button_ok", "button_cancel", 262);
    Button_ok = FOk;
    button_cancel = FCancel;
    Button_hilfetext = FHelpText;
    Button_hilfebild = FHelpImage;
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

void Tin_radiodialog::FormCreate(TObject*) {
    SetBorderStyle(bsDialog);
    FitForm(this);
    SetCaption("Select");
    Items.Clear();
}

void Tin_radiodialog::SetItems(std::string_view prompt, int n, int k) {
    Label1->SetCaption(OemToAnsiString(prompt));
    Label1->SetHeight(39);
    Items.Assign(ItemTexts(n));
    RadioGroup1->Items().Assign(Items.Items());
    const int count = Items.Count();
    const int groupHeight = (count + 1) * 25;
    RadioGroup1->SetHeight(groupHeight);
    // A long list pushes the buttons (and the form's bottom) down instead of covering them.
    const int buttonTop = std::max(FOk->Top(), RadioGroup1->Top() + groupHeight + 10);
    if (buttonTop != FOk->Top()) {
        for (TButton* b : {FOk, FCancel, FHelpText, FHelpImage})
            b->SetTop(buttonTop);
        SetClientHeight(std::max(ClientHeight(), buttonTop + 25 + 16));
    }
    RadioGroup1->SetItemIndex(k >= 1 && k <= count ? k - 1 : -1);
    SetActiveControl(RadioGroup1);
}

void Tin_radiodialog::GetChoice(int& k) const {
    k = RadioGroup1->ItemIndex() + 1;
}

// ---- TShowScreen
// ---------------------------------------------------------------------------------

TShowScreen::TShowScreen(TComponent* AOwner) : TForm(AOwner) {
    SetName("ShowScreen");
    SetPosition(poMainFormCenter);
    SetBounds(0, 0, 544, 408);
    Memo1 = new TMemo(this);
    Memo1->SetName("Memo1");
    Memo1->SetBounds(8, 8, 520, 330);
    Memo1->SetReadOnly(true);
    Memo1->SetWordWrap(false);
    TFont f;
    f.Name = "Courier New";
    f.SetSize(10);
    f.Pitch = fpFixed;
    Memo1->SetFont(f);
    Button_ok = new TButton(this);
    Button_ok->SetName("Button_ok");
    Button_ok->SetCaption("&OK");
    Button_ok->SetBounds(232, 346, 75, 25);
    Button_ok->SetDefault(true);
    Button_ok->SetCancel(true);
    Button_ok->OnClick = [this](TObject* s) { Button_okClick(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

void TShowScreen::FormCreate(TObject*) {
    FitForm(this);
    SetCaption(ProductTitle);
    std::vector<std::string> lines;
    for (int i = 1; i <= 22; ++i)
        lines.push_back(OemToAnsiString(TextLines[i].str()));
    Memo1->Lines().Assign(lines);
}

void TShowScreen::Button_okClick(TObject*) {
    SetModalResult(mrOk);
}

// ---- TForm_showtextfile ------------------------------------------------------------------------

std::string TextWindowFileName() {
    std::string dir;
    ListingFolder(dir); // a folder that cannot be had is reported where a listing is begun
    return AddBackslash(dir) + "outwin.txt";
}

TForm_showtextfile::TForm_showtextfile(TComponent* AOwner) : TForm(AOwner) {
    SetName("Form_showtextfile");
    SetBounds(0, 0, 630, 460);
    SetPosition(poMainFormCenter);

    MainMenu1 = new TMainMenu(this);
    MainMenu1->SetName("MainMenu1");
    auto item = [this](std::string_view name, TMenuItem* parent,
                       void (TForm_showtextfile::*handler)(TObject*)) {
        auto* m = new TMenuItem(this);
        m->SetName(name);
        if (handler != nullptr) m->OnClick = [this, handler](TObject* s) { (this->*handler)(s); };
        parent->Add(m);
        return m;
    };
    mi_Datei = item("mi_Datei", MainMenu1->Items(), nullptr);
    mi_dateiExportNotepad =
        item("mi_dateiExportNotepad", mi_Datei, &TForm_showtextfile::mi_dateiExportNotepadClick);
    mi_DateiDrucken = item("mi_DateiDrucken", mi_Datei, &TForm_showtextfile::mi_DateiDruckenClick);
    mi_dateiBeenden = item("mi_dateiBeenden", mi_Datei, &TForm_showtextfile::mi_dateiBeendenClick);
    mi_Edit = item("mi_Edit", MainMenu1->Items(), nullptr);
    mi_EditMarkAll = item("mi_EditMarkAll", mi_Edit, &TForm_showtextfile::mi_EditMarkAllClick);
    mi_EditCopy = item("mi_EditCopy", mi_Edit, &TForm_showtextfile::mi_EditCopyClick);
    mi_dateiExportNotepad->SetCaption("Export &Notepad");
    SetMenu(MainMenu1);

    Memo1 = new TMemo(this);
    Memo1->SetName("Memo1");
    Memo1->SetAlign(alClient);
    Memo1->SetReadOnly(true);
    Memo1->SetWordWrap(false);
    Memo1->SetScrollBars(ssVertical);
    TFont f;
    f.Name = "Courier New";
    f.SetSize(10);
    f.Pitch = fpFixed;
    Memo1->SetFont(f);

    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
}

std::function<TTextWindowCaptions()> TextWindowCaptionsHook;

void TForm_showtextfile::FormCreate(TObject*) {
    if (TextWindowRect.Width > 0 && TextWindowRect.Height > 0) {
        SetPosition(poDesigned);
        SetBounds(TextWindowRect.Left, TextWindowRect.Top, TextWindowRect.Width,
                  TextWindowRect.Height);
    }
    const TTextWindowCaptions c =
        TextWindowCaptionsHook ? TextWindowCaptionsHook() : TTextWindowCaptions{};
    mi_Datei->SetCaption(c.File);
    mi_DateiDrucken->SetCaption(c.Print);
    mi_dateiBeenden->SetCaption(c.Exit);
    mi_Edit->SetCaption(c.Edit);
    mi_EditMarkAll->SetCaption("Select &All");
    mi_EditCopy->SetCaption("&Copy");
}

void TForm_showtextfile::FormShow(TObject*) {
    FileName = TextWindowFileName();
    Memo1->SetFont(PrintoutFont());
    if (FileExist(FileName)) {
        TextFile file;
        file.Assign(FileName, ListingShownEncoding);
        std::vector<std::string> lines;
        if (file.Reset() == 0) {
            std::string line;
            while (!file.Eof() && file.ReadLine(line) == 0)
                lines.push_back(line);
            file.Discard();
        }
        Memo1->Lines().Assign(lines);
    } else {
        Memo1->Lines().Clear();
        ShowMessage(FileName + " not found !");
    }
    SetCaption(ProductTitle + " - " + FileName);
}

void TForm_showtextfile::FormClose(TObject*, TCloseAction&) {
    TextWindowRect = {Left(), Top(), Width(), Height()};
}

void TForm_showtextfile::mi_dateiExportNotepadClick(TObject*) {
    // "Notepad" is the configured word processor, as for a listing sent to it; none configured:
    // the desktop's program.
    const std::string editor = TrimBlanks(WordProcessor);
    StartConfiguredProgram(editor.empty() ? DesktopOpenCommand : editor, TextWindowFileName(),
                           "word processor");
}

void TForm_showtextfile::mi_DateiDruckenClick(TObject*) {
    PrintTextFile(FileName, ListingShownEncoding);
}

void TForm_showtextfile::mi_dateiBeendenClick(TObject*) {
    Close();
}

void TForm_showtextfile::mi_EditMarkAllClick(TObject*) {
    Memo1->SelectAll();
}

void TForm_showtextfile::mi_EditCopyClick(TObject*) {
    Memo1->CopyToClipboard();
}

// ---- listing files -----------------------------------------------------------------------------

int ConvertTextFile(const std::string& source, const std::string& destination,
                    TextEncoding sourceEncoding, TextEncoding destinationEncoding,
                    std::string* failed) {
    const auto fail = [&](const std::string& file, int rc) {
        if (failed != nullptr) *failed = file;
        AbortFlag = 1;
        return rc;
    };
    TextFile in;
    in.Assign(source, sourceEncoding);
    if (const int rc = in.Reset(); rc != 0) return fail(source, rc);
    TextFile out;
    out.Assign(destination, destinationEncoding);
    if (const int rc = out.Rewrite(); rc != 0) {
        in.Discard();
        return fail(destination, rc);
    }
    std::string line;
    while (!in.Eof()) {
        const int rc = in.ReadLine(line);
        if (rc != 0) {
            if (rc != TextFile::kIoPastEnd) {
                // A read error: the copy would be incomplete, keep what was there.
                out.Discard();
                in.Discard();
                return fail(source, rc);
            }
            break;
        }
        if (out.WriteLine(OemToAnsiString(line)) != 0) break;
    }
    in.Discard();
    if (const int rc = out.Error(); rc != 0) {
        out.Discard();
        return fail(destination, rc);
    }
    if (const int rc = out.Close(); rc != 0) return fail(destination, rc);
    return 0;
}

namespace {

// Splits a listing file into printed pages. A line that begins with form feeds ends the page
// once per form feed (a page ended while empty is a blank page); the rest of that line goes on
// the new page. A page that is full (capacity lines) goes on on the next one. Nothing after the
// last form feed is no page. Calls line(page, row, text) and blank(page); returns the number of
// pages, or -1 when the file cannot be read.
template <class LineFn, class BlankFn>
int WalkPages(const std::string& name, TextEncoding encoding, int capacity, LineFn&& line,
              BlankFn&& blank) {
    capacity = std::max(capacity, 1);
    TextFile file;
    file.Assign(name, encoding);
    if (file.Reset() != 0) return -1;
    int page = 1;
    int row = 0;
    int last = 0; // the last page that holds something (a line or a deliberate blank)
    std::string text;
    while (!file.Eof()) {
        if (file.ReadLine(text) != 0) break;
        std::size_t i = 0;
        while (i < text.size() && text[i] == '\f') {
            if (row == 0) {
                blank(page);
                last = page;
            }
            ++page;
            row = 0;
            ++i;
        }
        if (i > 0 && i == text.size()) continue;
        if (row >= capacity) {
            ++page;
            row = 0;
        }
        line(page, row, std::string_view(text).substr(i));
        last = page;
        ++row;
    }
    file.Discard();
    return last;
}

} // namespace

int CountPrintPages(const std::string& name, int linesPerPage, TextEncoding encoding) {
    const int pages = WalkPages(
        name, encoding, linesPerPage, [](int, int, std::string_view) {}, [](int) {});
    if (pages < 0) return 0;
    return std::max(pages, 1);
}

constexpr int kTextMarginMm = 15;

void PrintTextFile(const std::string& name, TextEncoding encoding) {
    if (!FileExist(name)) {
        ShowMessage(name + " not found !");
        return;
    }
    if (AbortFlag != 0) return;
    const int linesPerPage = std::max<int>(LinesPerPage, 1);
    const int count = CountPrintPages(name, linesPerPage, encoding);

    TPrintDialog dialog(nullptr);
    dialog.MinPage = 1;
    dialog.MaxPage = std::max(count, 1);
    dialog.FromPage = 1;
    dialog.ToPage = dialog.MaxPage;
    dialog.Options = poPageNums;
    if (!dialog.Execute()) return;
    const int from = dialog.FirstPage();
    const int to =
        dialog.PrintRange == prPageNums ? dialog.ToPage : std::numeric_limits<int>::max();

    TPrinter* printer = Printer();
    if (printer->OutputFileName().empty() && !dialog.PrinterName.empty())
        printer->SetPrinterByName(dialog.PrinterName);
    printer->Title = DataFileName;
    printer->SetOrientation(poPortrait);
    printer->SetCopies(dialog.Copies);
    if (!BeginPrintJob()) return;
    TCanvas* canvas = printer->Canvas();
    canvas->Font = PrintoutFont();
    canvas->Font.PixelsPerInch = canvas->PixelsPerInch();
    canvas->Brush.Style = bsClear;
    // The lines keep off the paper's edges as printouts do: kTextMarginMm from each edge, of
    // which the printer's own unprintable border is a part (a PDF page has none).
    const TPrinterCapabilities caps = printer->Capabilities();
    const int margin = kTextMarginMm * std::max(printer->Resolution(), 1) * 10 / 254;
    const int left = std::max(margin - caps.OffsetXPixels, 0);
    const int top = std::max(margin - caps.OffsetYPixels, 0);
    const int pageHeight = std::max(printer->PageHeight() - 2 * top, 1);
    const int lineHeight = std::max(pageHeight / linesPerPage, 1);
    const int capacity = std::max(pageHeight / lineHeight, 1);

    int shown = 0; // the page the printer is on (0: none yet)
    bool first = true;
    bool failed = false;
    auto onPage = [&](int page) {
        if (page == shown || failed) return;
        if (!first && !printer->NewPage()) failed = true;
        first = false;
        shown = page;
    };
    WalkPages(
        name, encoding, capacity,
        [&](int page, int row, std::string_view text) {
            if (page < from || page > to) return;
            onPage(page);
            if (!failed) canvas->TextOut(left, top + row * lineHeight, OemToAnsiString(text));
        },
        [&](int page) {
            if (page >= from && page <= to) onPage(page);
        });
    if (failed) {
        const std::string error = printer->LastError();
        printer->Abort();
        ShowError(error);
        AbortFlag = 1;
        return;
    }
    EndPrintJob();
}
