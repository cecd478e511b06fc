#pragma once
// qorwprof: the tool-profile dialog TForm_qor1prof, in which the user chooses the basic rack of
// the gear-cutting tool of the designed gear (gear 2): a preset, or a self-defined profile with
// optional protuberance and tip chamfer, as factors of mn (the two angles in degrees).
//
// A preset enters its values and locks every edit, both boxes and the database buttons;
// "self-defined ..." unlocks them. The protuberance and chamfer boxes show or hide their rows.
// OK stores (an entry that is no number in its range is reported and keeps the dialog open)
// and calculates; Cancel, Esc and the close box store nothing and set AbortFlag. "Database"
// picks a tool of the table for gear 2 and shows it; a cancelled pick keeps the entries.

#include "shell/input_fields.h"

class TForm_qor1prof : public TInputForm {
public:
    explicit TForm_qor1prof(TComponent* AOwner);

    TGroupBox* GroupBox1;
    TComboBox* ComboBox1;
    TLabel *Label_hfp1, *Label_hap1, *Label_rhoap1, *Label_rhofp1, *Label_prp1, *Label_alprp1,
        *Label_alprp1u, *Label_hffp1, *Label_alkp1, *Label_alkp1u;
    TValueEdit *Edit_hfp1, *Edit_hap1, *Edit_rhoap1, *Edit_rhofp1, *Edit_prp1, *Edit_alprp1,
        *Edit_hffp1, *Edit_alkp1;
    TButton *Button_hfp1, *Button_hap1, *Button_rhoap1, *Button_rhofp1, *Button_prp1,
        *Button_alprp1, *Button_hffp1, *Button_alkp1;
    TCheckBox *CheckBox_prot1, *CheckBox_koka1;
    TButton *Button_db1, *Button_append1, *Button_ok, *Button_cancel, *Button_help,
        *Button_hilfebild;

    void FormCreate(TObject* Sender);
    void LoadControls();
    // False (reported) when an entry is no number in its range; then nothing is stored.
    bool StoreControls();
    void ShowProfileControls();

    void ComboBox1Change(TObject* Sender);
    void Button_hfp1Click(TObject* Sender);
    void Button_hap1Click(TObject* Sender);
    void Button_rhoap1Click(TObject* Sender);
    void Button_rhofp1Click(TObject* Sender);
    void Button_prp1Click(TObject* Sender);
    void Button_alprp1Click(TObject* Sender);
    void Button_hffp1Click(TObject* Sender);
    void Button_alkp1Click(TObject* Sender);
    void Button_db1Click(TObject* Sender);
    void Button_helpClick(TObject* Sender);
    void Button_hilfebildClick(TObject* Sender);

private:
    // The protuberance factor OK would store: the edit's while the box is checked, else 0.
    long double ProtuberanceToStore() const;
    // The basic-rack type loaded: kept on store while the list still shows it as it was loaded
    // (a tool from the table, type 0, or a preset the list does not offer).
    int FLoadedType = 0;
    bool FRackChosen = false;
};
