#pragma once
// qor1qual: the quality dialog TForm_qual: quality grade, tooth-thickness tolerance and
// allowances to DIN 3967 (or entered freely, optionally as generating profile shifts xe) and the
// machining allowance q. Laid out for both gears and the centre-distance tolerance, it shows only
// the group of gear 2; the hidden controls are still loaded and stored.
//
// A tolerance series fills the allowances from the DIN 3967 tables for the pitch diameter of the
// last calculation and locks them; "..." unlocks them, and "Asn <--> xe" shows them as
// generating profile shifts (only when a calculation gave the module and pressure angle). OK
// stores Asn values whatever is shown; switching to xe and back unchanged gives the same Asn.
// List indexes outside the lists (a grade 12 under ISO 1328) are clamped into them.

#include "shell/input_fields.h"

class TForm_qual : public TInputForm {
public:
    explicit TForm_qual(TComponent* AOwner);

    TGroupBox *GroupBox1, *GroupBox2;
    TComboBox *ComboBox_qual1, *ComboBox_qual2, *ComboBox_tol1, *ComboBox_tol2, *ComboBox_asn1,
        *ComboBox_asn2, *ComboBox_Aa;
    TValueEdit *Edit_asne1, *Edit_asne2, *Edit_asni1, *Edit_asni2, *Edit_q1, *Edit_q2, *Edit_Aq1,
        *Edit_aq2, *Edit_Aae, *Edit_Aai;
    TEdit *Edit_zahnkorr1, *Edit_zahnkorr2;
    TLabel *Label_d1, *Label_d2, *Label_Aa;
    TButton *Button_asn1, *Button_asn2, *Button_asn1act, *Button_asn2act, *Button_q1, *Button_q2,
        *Button_2gleich1, *Button_1gleich2, *Button_a, *Button_ok, *Button_cancel, *Button_help,
        *Button_metric, *Button_hbqual, *Button_hbtolfeld, *Button_hbq;

    void FormCreate(TObject* Sender);
    void LoadControls();
    // Switches gears in xe mode back to Asn, then stores; false (reported) on a bad entry.
    // Without report nothing is shown or switched: the Asn an xe shown stands for is stored.
    bool StoreControls(bool report = true);
    void RefreshDisplay();

    // "Asn <--> xe" of gear i; false when an entry could not be converted (reported).
    bool ToggleXe(int gear);
    // "^": free entry of the allowances of gear i, starting from the ones shown.
    void FreeEntry(int gear);
    // "<": machining allowance and its tolerance proposed for gear i: the usual one (two thirds
    // of the protuberance, else 3 % of the module; its tolerance the same, at least half the
    // tooth-thickness tolerance), or the largest share of it with which the calculation says
    // nothing it does not say without an allowance; where none fits, nothing, with the reason.
    void ProposeQ(int gear);
    // Copies the controls of gear from to the other gear.
    void CopyGear(int from);
    void Button_metricClick(TObject* Sender);
    bool XeMode(int gear) const { return FGear[gear].Xe; }

private:
    // The controls of one gear, with the labels that change with the xe mode.
    struct GearControls {
        TComboBox *Qual, *Tol, *Asn;
        TLabel *AsnLabel, *AsneLabel, *AsniLabel, *AsnUnit, *QUnit, *D;
        TValueEdit *Asne, *Asni, *Q, *QTol;
        TEdit* Correction;
        TButton *Toggle, *Free, *Propose;
        bool Xe = false;
        long double AsnBefore[2] = {0, 0}; // the Asn values switched to xe
    };
    void BuildGear(int gear, TGroupBox* group);
    // 2 tan(alpha) mn of the last calculation; 0 when there is none.
    static long double XeDivisor();
    // The allowances of gear in mm as shown (converted from xe without a word); false when an
    // entry cannot be read.
    bool AsnValues(int gear, long double& asne, long double& asni) const;
    void ShowXeLabels(int gear);
    GearControls FGear[3];
    TLabel* FAaUnit = nullptr;
};
