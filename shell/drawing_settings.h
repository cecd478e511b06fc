#pragma once
// The drawing-settings dialogs: TForm_qor1conf (unit qor1conf), the full dialog of the
// DrawingSettings of GearData, one instance kept for the whole run; and TForm_vq2config (unit
// vq2conf), the reduced dialog for one gear, created for one showing by a CAD command.
//
// Both reload their controls from GearData each time they are shown and store only on OK, so
// a cancelled edit leaves nothing behind (the "<" reset of the full dialog included). OK also
// sets the CAD layer's polyline switch (CadUsePolylines) from the polyline box. Shift edits
// read back exactly what they show while their text is unchanged.

#include <cstdint>

#include "calc/geardata.h"
#include "platform/gui/controls.h"
#include "platform/gui/forms.h"
#include "shell/input_fields.h"

class TForm_qor1conf : public TForm {
public:
    explicit TForm_qor1conf(TComponent* AOwner);

    TCheckBox* CheckBox_fussausrundung_zeichnen;
    TLabel* Label_anzahl_punkte_evolvente;
    TSpinEdit* edit_anzevolvpoints;
    TCheckBox* CheckBox_polyline;
    TLabel* Label_aufloesung_fussausrundung;
    TSpinEdit* edit_aufloesung_fussausrundung;
    TLabel* Label_anzahl_huellkurven_hohlraeder;
    TSpinEdit* edit_anzhohl;
    TLabel* Label_anzahl_huellkurven_stirnraeder;
    TSpinEdit* edit_anzhull;
    TLabel* Label_xee;
    TComboBox* ComboBox_xee;
    TValueEdit* Edit_xee1;
    TValueEdit* Edit_xee2;
    TLabel* Label_xeh;
    TComboBox* ComboBox_xeh;
    TValueEdit* Edit_xeh1;
    TValueEdit* Edit_xeh2;
    TCheckBox* CheckBox_durchmesser_anzeigen;
    TLabel* Label_a;
    TComboBox* ComboBox_a;
    TValueEdit* Edit_a;
    TLabel* Label_au;
    TLabel* Label_wdreh1;
    TValueEdit* Edit_wdreh1;
    TLabel* Label_wdreh1u;
    TUpDown* SpinButton1;
    TButton* Button_wdrehc;
    TButton* Button_wdreha;
    TButton* Button_wdrehe;
    TLabel* Label_rad1;
    TLabel* Label_rad2;
    TButton* Button_ok;
    TButton* Button_cancel;
    TButton* Button_help;
    TButton* Button_reset;

    // Step mode: a press of the rotation arrows stores and closes at once.
    std::uint8_t StepMode = 0;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void LoadControls();
    // Every field from its control; false (reported, nothing stored) when a number edit holds
    // no number.
    bool StoreControls();
    void Button_okClick(TObject* Sender);
    void Button_cancelClick(TObject* Sender);
    void Button_helpClick(TObject* Sender);
    void Button_resetClick(TObject* Sender);
    void CheckBox_fussausrundung_zeichnenClick(TObject* Sender);
    void ComboBox_xeeChange(TObject* Sender);
    void ComboBox_xehChange(TObject* Sender);
    void ComboBox_aChange(TObject* Sender);
    void SpinButton1Click(TObject* Sender, TUDBtnType Button);
    void Button_wdrehClick(long double angle);
    // The gear data as it was when the dialog was shown.
    const TGearData& Shown() const { return FShown; }

private:
    // A shift combo's choice into its two edits (index 0 unlocks them).
    void ShiftChoice(TComboBox* combo, TValueEdit* gear1, TValueEdit* gear2);
    TGearData FShown; // the gear data when shown: Cancel after "<" puts it back
};

class TForm_vq2config : public TForm {
public:
    explicit TForm_vq2config(TComponent* AOwner);

    TLabel* Label_anzahl_punkte_evolvente;
    TSpinEdit* edit_anzevolvpoints;
    TCheckBox* CheckBox_polyline;
    TLabel* Label_xe;
    TValueEdit* Edit_xe;
    TButton* Button_xe;
    TButton* Button_xemax;
    TButton* Button_xemin;
    TCheckBox* CheckBox_fussausrundung_zeichnen;
    TCheckBox* CheckBox_durchmesser_anzeigen;
    TButton* Button_ok;
    TButton* Button_cancel;
    TButton* Button_help;

    // The gear edited (1 or 2), set before showing.
    int GearNo = 2;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void LoadControls();
    bool StoreControls();
    void Button_okClick(TObject* Sender);
    void Button_cancelClick(TObject* Sender);
    void Button_helpClick(TObject* Sender);
    // The shift edit := value (the "<", "< max" and "< min" buttons).
    void ShowShift(long double value);
};

// The one TForm_qor1conf of the run (created on first use) and its release at program end.
TForm_qor1conf* DrawingSettingsForm();
void FreeDrawingSettingsForm();
// CAD > Settings: the one instance with step mode off, shown modally; false when cancelled
// (AbortFlag set).
bool ShowDrawingSettings();
// The reduced dialog for gear g with diameters off (and no root curve while the tooth numbers
// are not set); false when cancelled (AbortFlag set, the gear data as it was).
bool ShowGearCadSettings(int g);
