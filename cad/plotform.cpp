#include "cad/plotform.h"

#include <algorithm>

#include "cad/plotline.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/help.h"
#include "framework/ui/questions.h"

const char* const PostScriptFonts[35] = {
    "Times-Roman",
    "Times-Italic",
    "Times-Bold",
    "Times-BoldItalic",
    "Helvetica",
    "Helvetica-Oblique",
    "Helvetica-Bold",
    "Helvetica-BoldOblique",
    "Helvetica-Narrow",
    "Helvetica-Narrow-Oblique",
    "Helvetica-Narrow-Bold",
    "Helvetica-Narrow-BoldOblique",
    "Courier",
    "Courier-Oblique",
    "Courier-Bold",
    "Courier-BoldOblique",
    "Palatino-Roman",
    "Palatino-Italic",
    "Palatino-Bold",
    "Palatino-BoldItalic",
    "AvantGarde-Book",
    "AvantGarde-Demi",
    "AvantGarde-BookOblique",
    "AvantGarde-DemiOblique",
    "Bookman-Light",
    "Bookman-Demi",
    "Bookman-LightItalic",
    "Bookman-DemiItalic",
    "NewCenturySchlbk-Roman",
    "NewCenturySchlbk-Bold",
    "NewCenturySchlbk-Italic",
    "NewCenturySchlbk-BoldItalic",
    "ZapfChancery-MediumItalic",
    "Symbol",
    "other fonts",
};

namespace {

const char* const kOutputCodes[] = {"HPL", "PS", "PLT", "PL2", "ART"};

template <class T>
T* Make(TForm* owner, const char* name, int left, int top, int width, int height) {
    auto* c = new T(owner);
    c->SetName(name);
    c->SetBounds(left, top, width, height);
    return c;
}

TLabel* MakeLabel(TForm* owner, const char* name, const char* caption, int left, int top,
                  int width) {
    auto* l = Make<TLabel>(owner, name, left, top, width, 17);
    l->SetCaption(caption);
    return l;
}

TButton* MakeButton(TForm* owner, const char* name, const char* caption, int left, int top,
                    int width) {
    auto* b = Make<TButton>(owner, name, left, top, width, 25);
    b->SetCaption(caption);
    return b;
}

} // namespace

TForm_confkvilpen::TForm_confkvilpen(TComponent* AOwner) : TForm(AOwner) {
    SetName("Form_confkvilpen");
    SetPosition(poMainFormCenter);
    SetBounds(0, 0, 567, 422);
    SetClientWidth(567);
    SetClientHeight(452);
    Label_kvilpenpath = MakeLabel(this, "Label_kvilpenpath", "", 8, 8, 540);
    Edit_kvilpenPath = Make<TEdit>(this, "Edit_kvilpenPath", 8, 27, 505, 23);
    Button_kvilpenpath = MakeButton(this, "Button_kvilpenpath", "...", 519, 26, 40);

    RadioGroup_outcode = Make<TRadioGroup>(this, "RadioGroup_outcode", 8, 58, 205, 140);
    RadioGroup_outcode->Items().Assign(
        std::vector<std::string>{"HP-GL Laserjet (HPL)", "Postscript (PS)", "HP-GL Plotter (PLT)",
                                 "HP-GL/2 (PL2)", "Aristo (ART)"});
    RadioGroup_d = Make<TRadioGroup>(this, "RadioGroup_d", 221, 58, 150, 104);
    RadioGroup_d->Items().Assign(std::vector<std::string>{"seriell", "parallel", "Datei"});
    Label_com = MakeLabel(this, "Label_com", "COM", 381, 78, 40);
    Edit_com = Make<TEdit>(this, "Edit_com", 425, 74, 50, 23);
    Label_lpt = MakeLabel(this, "Label_lpt", "LPT", 381, 108, 40);
    Edit_lpt = Make<TEdit>(this, "Edit_lpt", 425, 104, 50, 23);
    Edit_outdir = Make<TEdit>(this, "Edit_outdir", 221, 171, 245, 23);
    Button_tempdir = MakeButton(this, "Button_tempdir", "<", 471, 170, 28);
    Button_outDir = MakeButton(this, "Button_outDir", "&Dir...", 503, 170, 56);

    Label_scale = MakeLabel(this, "Label_scale", "", 8, 212, 90);
    Edit_scale = Make<TEdit>(this, "Edit_scale", 102, 208, 60, 23);
    Label1 = MakeLabel(this, "Label1", ": 1", 166, 212, 24);
    CheckBox_scale = Make<TCheckBox>(this, "CheckBox_scale", 196, 210, 175, 21);
    CheckBox_rotate = Make<TCheckBox>(this, "CheckBox_rotate", 381, 210, 178, 21);

    Label_xnull = MakeLabel(this, "Label_xnull", "", 8, 243, 300);
    Edit_xnull = Make<TEdit>(this, "Edit_xnull", 312, 239, 90, 23);
    Label_ynull = MakeLabel(this, "Label_ynull", "", 8, 272, 300);
    Edit_ynull = Make<TEdit>(this, "Edit_ynull", 312, 268, 90, 23);
    Label_textbreitenfaktor = MakeLabel(this, "Label_textbreitenfaktor", "", 8, 301, 300);
    Edit_textbreitenfaktor = Make<TEdit>(this, "Edit_textbreitenfaktor", 312, 297, 90, 23);
    Label_psfont = MakeLabel(this, "Label_psfont", "Postscript Font", 8, 330, 300);
    ComboBox_psfont = Make<TComboBox>(this, "ComboBox_psfont", 312, 326, 247, 23);

    Label2 = MakeLabel(this, "Label2", "Command Line:", 8, 358, 200);
    // Two lines: a long command line wraps instead of being cut off.
    Label_commandline = Make<TLabel>(this, "Label_commandline", 8, 376, 551, 32);
    Label_commandline->SetAutoSize(false);
    Label_commandline->SetWordWrap(true);
    TFont mono;
    mono.Name = "Courier New";
    mono.SetSize(9);
    mono.Pitch = fpFixed;
    Label_commandline->SetFont(mono);

    Button_ok = MakeButton(this, "Button_ok", "&OK", 8, 419, 80);
    Button_ok->SetDefault(true);
    Button_cancel = MakeButton(this, "Button_cancel", "&Cancel", 94, 419, 80);
    Button_cancel->SetCancel(true);
    Button_help = MakeButton(this, "Button_help", "&Help", 479, 419, 80);

    OpenDialog1 = new TOpenDialog(this);
    OpenDialog1->SetName("OpenDialog1");
    OpenDialog1->Filter =
        "KVILPEN for Windows|wkvilpen.exe|KVILPEN for MS-DOS|kvilpen.exe|all files|*";

    // Every change of a control rebuilds the line.
    const TNotifyEvent change = [this](TObject* s) { ControlChange(s); };
    for (TEdit* e : {Edit_kvilpenPath, Edit_com, Edit_lpt, Edit_outdir, Edit_scale, Edit_xnull,
                     Edit_ynull, Edit_textbreitenfaktor})
        e->OnChange = change;
    ComboBox_psfont->OnChange = change;
    CheckBox_rotate->OnClick = change;
    CheckBox_scale->OnClick = [this](TObject* s) { CheckBox_scaleClick(s); };
    RadioGroup_outcode->OnClick = [this](TObject* s) { RadioGroup_outcodeClick(s); };
    RadioGroup_d->OnClick = [this](TObject* s) { RadioGroup_dClick(s); };
    Button_kvilpenpath->OnClick = [this](TObject* s) { Button_kvilpenpathClick(s); };
    Button_outDir->OnClick = [this](TObject* s) { Button_outDirClick(s); };
    Button_tempdir->OnClick = [this](TObject* s) { Button_tempdirClick(s); };
    Button_help->OnClick = [this](TObject* s) { Button_helpClick(s); };
    Button_ok->OnClick = [this](TObject* s) { Button_okClick(s); };
    Button_cancel->OnClick = [this](TObject* s) { Button_cancelClick(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

void TForm_confkvilpen::FormCreate(TObject*) {
    SetBorderStyle(bsDialog);
    FitForm(this);
    SetCaption("KVILPEN");
    Button_ok->SetCaption("&OK");
    Button_cancel->SetCaption("&Cancel");
    Button_help->SetCaption("&Help");
    RadioGroup_outcode->SetCaption(OemToAnsiString("destination code"));
    RadioGroup_d->SetCaption(OemToAnsiString("output interface"));
    Label_scale->SetCaption(OemToAnsiString("scale"));
    CheckBox_scale->SetCaption(OemToAnsiString("scale fit limits ?"));
    Label_psfont->SetCaption(OemToAnsiString("Postscript font"));
    CheckBox_rotate->SetCaption(OemToAnsiString("rotate 90 degrees ?"));
    Label_xnull->SetCaption(OemToAnsiString("reference point shifting x direction"));
    Label_ynull->SetCaption(OemToAnsiString("reference point shifting y direction"));
    Label_textbreitenfaktor->SetCaption(OemToAnsiString("Textwidth/height"));
    Label_kvilpenpath->SetCaption(OemToAnsiString("KVILPEN Program directory"));

    const std::pair<TControl*, std::uint16_t> hints[] = {
        {RadioGroup_outcode, 2090}, {RadioGroup_d, 2120},    {Edit_scale, 2140},
        {CheckBox_scale, 2140},     {Edit_com, 2120},        {Edit_lpt, 2120},
        {Edit_outdir, 2130},        {ComboBox_psfont, 2280}, {CheckBox_rotate, 2145},
        {Edit_xnull, 2150},         {Edit_ynull, 2150},      {Edit_textbreitenfaktor, 2160},
        {Edit_kvilpenPath, 2080}};
    for (const auto& [control, number] : hints) {
        std::string text;
        if (HelpLevel != 0) ReadHelpText(number, text);
        control->SetHint(OemToAnsiString(text));
        control->SetShowHint(HelpLevel != 0);
    }

    // Start values (they change nothing of the line handed in).
    Edit_kvilpenPath->SetText("c:\\kvilpen\\wkvilpen");
    RadioGroup_outcode->SetItemIndex(0);
    RadioGroup_d->SetItemIndex(1);
    Edit_com->SetText("1");
    Edit_lpt->SetText("1");
    Edit_outdir->SetText(TempDir);
    Edit_scale->SetText("1");
    CheckBox_scale->SetChecked(false);
    CheckBox_rotate->SetChecked(false);
    Edit_xnull->SetText("0");
    Edit_ynull->SetText("0");
    Edit_textbreitenfaktor->SetText("1");
    std::vector<std::string> fonts(std::begin(PostScriptFonts), std::end(PostScriptFonts));
    ComboBox_psfont->Items().Assign(fonts);
    ComboBox_psfont->SetText("");
    EnableFields();
    SetActiveControl(Button_ok);
    FStarted = true;
}

void TForm_confkvilpen::ShowCommandLine() {
    Label_commandline->SetCaption(CommandLine);
}

void TForm_confkvilpen::EnableFields() {
    const int d = RadioGroup_d->ItemIndex();
    Edit_com->SetEnabled(d == 0);
    Edit_lpt->SetEnabled(d == 1);
    Edit_outdir->SetEnabled(d == 2);
    ComboBox_psfont->SetEnabled(RadioGroup_outcode->ItemIndex() == 1);
}

void TForm_confkvilpen::ControlChange(TObject*) {
    if (FStarted) BuildCommandLine();
}

void TForm_confkvilpen::RadioGroup_outcodeClick(TObject* Sender) {
    EnableFields();
    ControlChange(Sender);
}

void TForm_confkvilpen::RadioGroup_dClick(TObject* Sender) {
    EnableFields();
    ControlChange(Sender);
}

void TForm_confkvilpen::CheckBox_scaleClick(TObject* Sender) {
    if (CheckBox_scale->Checked()) {
        Edit_scale->SetText("0");
        Edit_scale->SetEnabled(false);
    } else {
        Edit_scale->SetEnabled(true);
    }
    ControlChange(Sender);
}

void TForm_confkvilpen::BuildCommandLine() {
    const std::string outdir = TrimBlanks(Edit_outdir->Text());
    std::string line = QuoteCommandArgument(TrimBlanks(Edit_kvilpenPath->Text())) + " " +
                       QuoteCommandArgument(AddBackslash(outdir) + "kvilpen");
    const int code = RadioGroup_outcode->ItemIndex();
    line += " /C";
    if (code >= 0 && code <= 4) line += kOutputCodes[code];
    const int d = RadioGroup_d->ItemIndex();
    if (d != 1) line += " /D" + IntToString(d + 1);
    if (d == 0 || d == 1) {
        const std::int32_t port = StrToInteger(TrimBlanks((d == 0 ? Edit_com : Edit_lpt)->Text()));
        if (port != 1) line += " /P" + IntToString(port);
    } else if (d == 2 && !outdir.empty()) {
        line += " " + QuoteCommandArgument("/F" + AddBackslash(outdir) + "kvilpen");
    }
    const std::string scale = TrimBlanks(Edit_scale->Text());
    const long double s = StrToReal(scale);
    if (s != 1) line += s == 0 ? " /M*" : " " + QuoteCommandArgument("/M" + scale);
    const std::string x = TrimBlanks(Edit_xnull->Text());
    const std::string y = TrimBlanks(Edit_ynull->Text());
    const std::string b = TrimBlanks(Edit_textbreitenfaktor->Text());
    if (StrToReal(x) != 0) line += " " + QuoteCommandArgument("/X" + x);
    if (StrToReal(y) != 0) line += " " + QuoteCommandArgument("/Y" + y);
    if (StrToReal(b) != 1) line += " " + QuoteCommandArgument("/B" + b);
    if (CheckBox_rotate->Checked()) line += " /R";
    if (code == 1) line += " " + QuoteCommandArgument("/T" + TrimBlanks(ComboBox_psfont->Text()));
    CommandLine = line;
    ShowCommandLine();
}

void TForm_confkvilpen::Button_kvilpenpathClick(TObject* Sender) {
    OpenDialog1->InitialDir = ExtractPath(Edit_kvilpenPath->Text());
    OpenDialog1->FileName = Edit_kvilpenPath->Text();
    if (OpenDialog1->Execute()) Edit_kvilpenPath->SetText(OpenDialog1->FileName);
    ControlChange(Sender);
}

void TForm_confkvilpen::Button_outDirClick(TObject*) {
    std::string dir;
    SelectDirectory(Edit_outdir->Text(), dir);
    Edit_outdir->SetText(dir);
}

void TForm_confkvilpen::Button_tempdirClick(TObject*) {
    Edit_outdir->SetText(TempDir);
}

void TForm_confkvilpen::Button_helpClick(TObject*) {
    ShowHelp(2055, 1);
}

void TForm_confkvilpen::Button_okClick(TObject*) {
    AbortFlag = 0;
    SetModalResult(mrOk);
}

void TForm_confkvilpen::Button_cancelClick(TObject*) {
    AbortFlag = 1;
    Close();
}

bool ShowPlotForm(std::string& line) {
    auto form = CreateForm<TForm_confkvilpen>();
    form->CommandLine = line;
    form->ShowCommandLine();
    if (form->ShowModal() != mrOk) AbortFlag = 1; // closed without OK
    if (AbortFlag) return false;
    line = form->CommandLine;
    return true;
}

bool EditPlotLineWithForm(int index) {
    if (index < 1 || index > PlotLineMax) return false;
    std::string line = PlotLines[index];
    if (!ShowPlotForm(line)) return false;
    PlotLines[index] = line;
    return true;
}
