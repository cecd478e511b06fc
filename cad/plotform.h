#pragma once
// plotform: TForm_confkvilpen, the form of the external plot program (lkvilp). It builds the
// command line from its controls and shows it as it changes: the program, the DXF file
// (TempDir or the chosen directory followed by "kvilpen"), /C destination code, /D interface
// with /P port (serial or parallel) or /F output file, /M scale (/M* fits the limits), /X and
// /Y shifts, /B text width factor, /R rotation, /T PostScript font. An argument with blanks is
// put in double quotes, so the line splits back into the same arguments.
//
// The caller sets CommandLine to the stored line, shows the form modally and, when AbortFlag is
// clear afterwards, takes CommandLine back. CommandLine stays the stored line until the first
// change of a control; from then on it is built wholly from the controls.

#include <string>

#include "platform/gui/controls.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"

class TForm_confkvilpen : public TForm {
public:
    explicit TForm_confkvilpen(TComponent* AOwner);

    TLabel* Label_kvilpenpath;
    TEdit* Edit_kvilpenPath;
    TButton* Button_kvilpenpath;
    TRadioGroup* RadioGroup_outcode;
    TRadioGroup* RadioGroup_d;
    TLabel* Label_com;
    TLabel* Label_lpt;
    TEdit* Edit_com;
    TEdit* Edit_lpt;
    TEdit* Edit_outdir;
    TButton* Button_outDir;
    TButton* Button_tempdir;
    TLabel* Label_scale;
    TEdit* Edit_scale;
    TLabel* Label1;
    TCheckBox* CheckBox_scale;
    TCheckBox* CheckBox_rotate;
    TLabel* Label_xnull;
    TEdit* Edit_xnull;
    TLabel* Label_ynull;
    TEdit* Edit_ynull;
    TLabel* Label_textbreitenfaktor;
    TEdit* Edit_textbreitenfaktor;
    TLabel* Label_psfont;
    TComboBox* ComboBox_psfont;
    TLabel* Label2;
    TLabel* Label_commandline;
    TButton* Button_help;
    TButton* Button_cancel;
    TButton* Button_ok;
    TOpenDialog* OpenDialog1;

    // The line the form hands back.
    std::string CommandLine;
    // Shows CommandLine (call after setting it).
    void ShowCommandLine();

    void FormCreate(TObject* Sender);
    void Button_kvilpenpathClick(TObject* Sender);
    void RadioGroup_outcodeClick(TObject* Sender);
    void RadioGroup_dClick(TObject* Sender);
    void CheckBox_scaleClick(TObject* Sender);
    void ControlChange(TObject* Sender);
    void Button_outDirClick(TObject* Sender);
    void Button_tempdirClick(TObject* Sender);
    void Button_helpClick(TObject* Sender);
    void Button_okClick(TObject* Sender);
    void Button_cancelClick(TObject* Sender);

    // Builds CommandLine from the controls and shows it.
    void BuildCommandLine();

private:
    // Enables the port or directory field of the chosen interface and the font for PostScript.
    void EnableFields();
    bool FStarted = false; // start values are set: changes from here on rebuild the line
};

// The 35 PostScript font names offered by the form.
extern const char* const PostScriptFonts[35];

// Shows the form with line; false when it was cancelled (line unchanged then).
bool ShowPlotForm(std::string& line);
// Edits the stored command line PlotLines[index] (1..5) with the form. False when cancelled or
// the index is outside 1..5.
bool EditPlotLineWithForm(int index);
