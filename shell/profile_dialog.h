#pragma once
// qorwprof: the tool-profile dialog TForm_qor1prof, in which the user chooses the basic rack of
// the gear-cutting tool of the designed gear (gear 2): a preset, or a self-defined profile with
// optional protuberance and tip chamfer, as factors of mn (the two angles in degrees).
//
// A preset enters its values and locks every edit, both boxes and the database buttons;
// "self-defined ..." unlocks them. The protuberance and chamfer boxes show or hide their rows.
// OK stores (an entry that is no number in its range is reported and keeps the dialog open)
// and calculates; Cancel, Esc and the close box store nothing and set AbortFlag. "Database"
// picks a tool of the table for gear 2 and shows it; a cancelled pick keeps the entries. The
// tool picked (with the pressure angle, name and record it brings) enters the gear data only by
// OK: Cancel leaves the gear data exactly as it was.
//
// The proposals ("<") fill in a value that keeps the tool whole: the addendum leaves the tool's
// tooth a tip; the chamfer depth leaves the gear's tooth a tip (or says that no depth at this
// angle does, and what does). An addendum, tip radius, root radius or chamfer depth still as
// proposed is proposed again for the tool each later proposal or click of a box makes, and one
// typed is proposed again where the change puts it beyond its limit, so the order of the buttons
// and boxes does not matter. Whatever the calculation then says that it did not say with the
// entries before, the proposal tells, once.

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
    // False (reported unless report is false) when an entry is no number in its range; then
    // nothing is stored.
    bool StoreControls(bool report = true);
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
    // The tool of the edits (what OK would store) in g's gear 2.
    void PeekTool(TGearData& g) const;
    // The gear data OK would store, into g (on a scratch copy); false when an entry cannot be
    // read.
    bool PeekEntries(TGearData& g);
    // A proposed value that follows the tool: the text its proposal entered last (while the
    // edit still shows it, the proposal follows the tool as other proposals and the boxes change
    // it) and what that proposal said.
    struct TFollower {
        std::string Proposed, Said;
    };
    TFollower FAddendum, FTip, FRoot, FDepth;
    // Runs the change set (which fills edit, or ticks a box, and returns what it has to say;
    // the proposal of a follower's own value names it in own), then proposes again each value
    // it depends on that still shows its proposal or that the change put beyond its limit (the
    // addendum, the chamfer depth, the tip and root radii, in that order), and says what the
    // calculation says new with it: one box, named after edit (its caption and new text) or
    // name.
    void Propose(TValueEdit* edit, const std::function<std::string()>& set,
                 TFollower* own = nullptr, std::string name = "");
    // A box clicked by the user: the values that depend on it follow.
    void BoxClick(TCheckBox* box);
    // The largest tip radius the tool of the edits takes (that fits a ring gear's gap too);
    // gapClosed: the ring gear's gap closes whatever the radius.
    long double TipRadiusLimit(bool* gapClosed = nullptr);
    // Each fills in its value and returns what it has to say (a pointed tool, a chamfer that
    // points the tooth).
    std::string ProposeAddendum();
    std::string ProposeTipRadius();
    std::string ProposeRootRadius();
    std::string ProposeChamferDepth();
    // The proposal of a button: what it says is its follower's to say.
    std::string Say(TFollower& f, const std::string& why) {
        f.Said = why;
        return why;
    }
    bool FFilling = false; // the boxes are set by the dialog, not clicked
    // The values a tool picked from the table brings beside the edits; stored by OK.
    long double FAlpha = 0;
    std::string FRackName;
    std::uint16_t FRecordNo = 0;
    // The basic-rack type loaded: kept on store while the list still shows it as it was loaded
    // (a tool from the table, type 0, or a preset the list does not offer).
    int FLoadedType = 0;
    bool FRackChosen = false;
};
