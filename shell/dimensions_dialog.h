#pragma once
// qor1wgeo: the dimensions dialog TForm_qor1wgeo: pressure angle, helix angle, normal module (or
// diametral pitch), number of teeth, face width, profile shift, tooth alignment and the tip
// (addendum reduction or tip diameter) of the designed gear, element 2 of the gear data.
// Every store also writes the fixed companion in element 1 (6 teeth, shift 0.5, no addendum
// reduction, tip diameter 0) and sets the centre distance to 0 (not given).
//
// Lengths show in the current unit system; the module spin and the pitch follow the module.
// The proposals that calculate (x min, x05, the tip, Calc, mm <--> inch) work on a scratch copy
// of the gear data: the dialog shows what they found and OK stores it, Cancel keeps the data as
// it was. Only the irreversible "beta=0, z=zn" conversion, which the user confirms, changes the
// data at once.
//
// "< x min" proposes the least shift at which the calculation beside the fixed gear 1 raises no
// error and no undercut, from the teeth, angles, module, tool, tip and measurement as entered: the
// shift typed plays no part, so a shift that makes the calculation fail does not block its own
// repair. Where no shift avoids an error, it says which. Every proposal says what the
// calculation says with its value that it did not say with the entries before.

#include <string>

#include "shell/input_fields.h"

class TUpDown;

class TForm_qor1wgeo : public TInputForm {
public:
    explicit TForm_qor1wgeo(TComponent* AOwner);

    TLabel *Label_alpha, *Label_beta, *Label_mn, *Label_z, *Label_b0, *Label_x, *Label_flankricht,
        *Label_alphau, *Label_betau, *Label_mnu, *Label7, *Label_b0u, *Label_kmn1u, *Label_da1u;
    TValueEdit *Edit_alpha, *Edit_beta, *Edit_mn, *Edit_pitch, *Edit_z2, *Edit_b0, *Edit_x2,
        *Edit_kmn2, *Edit_da2;
    TUpDown* SpinButton_mn;
    TComboBox* ComboBox2;
    TGroupBox* GroupBox1;
    TRadioGroup* RadioGroup2;
    TButton *Button_ok, *Button_cancel, *Button_help, *Button_hilfebild, *Button_helpc,
        *Button_rechnen, *Button_metric, *Button_alpha, *Button_b0, *Button_a0, *Button_x1min,
        *Button_x05, *Button_z, *Button_c1, *Button_sandvik;

    void FormCreate(TObject* Sender);
    void LoadControls();
    // False (reported unless report is false) when an entry is no number in its range; then
    // nothing is stored. Without shiftAndTip the shift and the tip entries are not read: the
    // shift is stored as 0 and the tip as the tool's full tip.
    bool StoreControls(bool shiftAndTip = true, bool report = true);
    // The tip entries (kmn or da, as the radio group says) alone; false when they cannot be read.
    bool StoreTip(bool report);

    void Button_alphaClick(TObject* Sender);
    void Button_b0Click(TObject* Sender);
    void Button_a0Click(TObject* Sender);
    void Button_x1minClick(TObject* Sender);
    void Button_x05Click(TObject* Sender);
    void Button_zClick(TObject* Sender);
    void Button_rechnenClick(TObject* Sender);
    void Button_c1Click(TObject* Sender);
    void Edit_kmn2Exit(TObject* Sender);
    void Edit_da2Exit(TObject* Sender);
    void RadioGroup2Click(TObject* Sender);
    void SpinButton_mnClick(int direction);
    void Edit_pitchExit(TObject* Sender);
    void Edit_mnChange(TObject* Sender);
    void Edit_betaChange(TObject* Sender);
    void Button_metricClick(TObject* Sender);
    void Button_helpClick(TObject* Sender);
    void Button_hilfebildClick(TObject* Sender);
    void Button_helpcClick(TObject* Sender);
    void Button_sandvikClick(TObject* Sender);

private:
    // The least profile shift of the stored entries at which the calculation beside the fixed
    // gear 1 raises no error (no fatal one either), no "x < -1.5" and no undercut: as text of
    // three digits rounded up, or x itself where they cannot say it (text empty). Where no shift
    // up to 1.5 avoids an error, why names it: x is then the least shift that avoids the others,
    // or NaN (with each check and the shifts it refused) where none is left.
    struct TLeastShift {
        long double x = 0;
        std::string text, why;
    };
    TLeastShift LeastShift();
    // The calculation of the entries as OK stores them (on a scratch copy, without a word).
    TEntriesCalculation Entries();
    // Says what the calculation of the entries says, now that edit holds a proposal, that it did
    // not say before.
    void SayNew(const TEntriesCalculation& before, TValueEdit* edit);
    // daTool[2] of the entries (on a scratch copy); false when they could not be stored or the
    // calculation failed (with report, its messages are shown).
    bool FullTipDiameter(long double& daTool, bool report);
};
