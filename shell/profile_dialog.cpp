// qorwprof: the tool-profile dialog.
#include "shell/profile_dialog.h"

#include <algorithm>
#include <cmath>

#include "calc/geardata.h"
#include "calc/tables.h"
#include "calc/warnings.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/help.h"
#include "framework/ui/questions.h"
#include "shell/tool_record.h"

namespace {

constexpr int kSelfDefined = 3; // list index of "self-defined ..."

// The values a preset enters: haP0/mn, hfP0/mn, rhoaP0/mn, protuberance, al.prP0, prP0/mn.
struct Preset {
    long double hap, hfp, rhoap;
    bool protuberance;
    long double alprp, prp;
    const char *hapText, *hfpText, *rhoapText, *alprpText, *prpText;
};
const Preset kPresets[3] = {
    {1.25L, 1.0L, 0.25L, false, 0, 0, "1.25", "1.0", "0.25", "0", "0"},
    {1.25L, 1.0L, 0.375L, false, 0, 0, "1.25", "1.0", "0.375", "0", "0"},
    {1.4L, 1.0L, 0.4L, true, 6, 0.02L, "1.4", "1.0", "0.4", "6", "0.02"},
};

// Layout: labels, edit, unit, proposal button; the buttons of the dialog in a column at right.
constexpr int kLabelLeft = 16, kLabelWidth = 250, kEditLeft = 272, kEditWidth = 90;
constexpr int kUnitLeft = 366, kProposeLeft = 394, kRight = 446, kButtonWidth = 130;
constexpr int kRow = 29;

// The tip radius the addendum proposal leaves room for at least (factor of mn): a tool tooth that
// narrow still has a tip to round.
constexpr long double kLeastTipRadius = 0.1L;

// The largest addendum factor (three digits, rounded down) at which a rack tooth of pressure
// angle alpha (radians) and protuberance pr still takes the tip radius r.
// Fills the edit with the text of a fixed proposal; nothing to say.
std::string Fill(TValueEdit* edit, const std::string& text) {
    edit->SetText(text);
    return {};
}

// The root radius proposed for the tool of g's gear 2: 0.3 where the tool takes it, else the
// largest root radius it takes (the calculation warns above it), rounded down.
std::string RootRadiusProposal(const TGearData& g) {
    const long double largest = ToolRootRadiusMax(g, 2);
    std::string text = "0.3";
    if (!(largest >= 0.3L)) text = largest > 0 ? Sig3Towards(largest, false) : "0";
    return text.empty() ? "0" : text;
}

long double AddendumForTipRadius(long double alpha, long double pr, long double r) {
    // RackTipRadiusMax solved for the addendum.
    const long double ha =
        (Pi / 4 * cosl(alpha) + pr - r * (1 - sinl(alpha)) / 0.99L) / sinl(alpha);
    return StrToReal(Sig3Towards(ha, false));
}

} // namespace

TForm_qor1prof::TForm_qor1prof(TComponent* AOwner) : TInputForm(AOwner) {
    SetName("Form_qor1prof");
    SetClientWidth(kRight + kButtonWidth + 16);
    SetClientHeight(92 + 10 * kRow + 8);

    GroupBox1 = NewGroupBox(this, "GroupBox1", "Basic rack", 8, 8, kRight + kButtonWidth, 60);
    ComboBox1 = NewComboBox(GroupBox1, "ComboBox1", 8, 24, kRight + kButtonWidth - 16,
                            [this] { ComboBox1Change(ComboBox1); });

    int top = 80;
    auto row = [&](TLabel*& label, const char* labelName, const char* caption, TValueEdit*& edit,
                   const char* editName, TInputRange range, TButton*& button,
                   const char* buttonName, void (TForm_qor1prof::*handler)(TObject*)) {
        label = NewLabel(this, labelName, caption, kLabelLeft, top, kLabelWidth);
        edit = NewValueEdit(this, editName, TValueKind::Real, range, kEditLeft, top, kEditWidth);
        edit->Caption = label;
        button = NewButton(this, buttonName, "<", kProposeLeft, top, 32,
                           [this, handler] { (this->*handler)(this); });
        top += kRow;
    };
    using R = TForm_qor1prof;
    row(Label_hfp1, "Label_hfp1", "Dedendum of tool hfP0/mn", Edit_hfp1, "Edit_hfp1",
        InputRange::Factor, Button_hfp1, "Button_hfp1", &R::Button_hfp1Click);
    row(Label_hap1, "Label_hap1", "Addendum of tool haP0/mn", Edit_hap1, "Edit_hap1",
        InputRange::Factor, Button_hap1, "Button_hap1", &R::Button_hap1Click);
    row(Label_rhoap1, "Label_rhoap1", "Fillet radius of tool rhoaP0/mn", Edit_rhoap1, "Edit_rhoap1",
        InputRange::Radius, Button_rhoap1, "Button_rhoap1", &R::Button_rhoap1Click);
    row(Label_rhofp1, "Label_rhofp1", "Root fillet radius of tool rhofP0/mn", Edit_rhofp1,
        "Edit_rhofp1", InputRange::Radius, Button_rhofp1, "Button_rhofp1", &R::Button_rhofp1Click);
    CheckBox_prot1 = NewCheckBox(this, "CheckBox_prot1", "Protuberance", kLabelLeft, top,
                                 kLabelWidth, [this] { BoxClick(CheckBox_prot1); });
    top += kRow;
    row(Label_prp1, "Label_prp1", "Protuberance prP0/mn", Edit_prp1, "Edit_prp1",
        InputRange::Factor, Button_prp1, "Button_prp1", &R::Button_prp1Click);
    row(Label_alprp1, "Label_alprp1", "Protuberance angle al.prP0", Edit_alprp1, "Edit_alprp1",
        InputRange::ToolAngle, Button_alprp1, "Button_alprp1", &R::Button_alprp1Click);
    Label_alprp1u = NewLabel(this, "Label_alprp1u", "", kUnitLeft, top - kRow, 26);
    CheckBox_koka1 = NewCheckBox(this, "CheckBox_koka1", "Chamfer", kLabelLeft, top, kLabelWidth,
                                 [this] { BoxClick(CheckBox_koka1); });
    top += kRow;
    row(Label_hffp1, "Label_hffp1", "Depth of chamfer hFfP0/mn", Edit_hffp1, "Edit_hffp1",
        InputRange::Factor, Button_hffp1, "Button_hffp1", &R::Button_hffp1Click);
    row(Label_alkp1, "Label_alkp1", "Chamfer pressure angle.  al.kP0", Edit_alkp1, "Edit_alkp1",
        InputRange::ToolAngle, Button_alkp1, "Button_alkp1", &R::Button_alkp1Click);
    Label_alkp1u = NewLabel(this, "Label_alkp1u", "", kUnitLeft, top - kRow, 26);

    CreateOkCancel(0, 0, [this] {
        if (!StoreControls()) return false;
        CalculateInput();
        return true;
    });
    Button_ok = FOk;
    Button_cancel = FCancel;
    // The dialog's buttons in the right column.
    Button_ok->SetBounds(kRight, 80, kButtonWidth, RowHeight);
    Button_cancel->SetBounds(kRight, 80 + kRow, kButtonWidth, RowHeight);
    Button_help = NewButton(this, "Button_help", "&Help Text", kRight, 80 + 2 * kRow, kButtonWidth,
                            [this] { Button_helpClick(this); });
    Button_hilfebild = NewButton(this, "Button_hilfebild", "Aux. &Image", kRight, 80 + 3 * kRow,
                                 kButtonWidth, [this] { Button_hilfebildClick(this); });
    Button_db1 = NewButton(this, "Button_db1", "&Database", kRight, 80 + 5 * kRow, kButtonWidth,
                           [this] { Button_db1Click(this); });
    Button_append1 = NewButton(this, "Button_append1", "&Append DBF", kRight, 80 + 6 * kRow,
                               kButtonWidth, nullptr);

    OnCreate = [this](TObject* s) { FormCreate(s); };
}

void TForm_qor1prof::FormCreate(TObject*) {
    FitForm(this);
    SetCaption(ProductTitle + " " + "DIMENSIONS OF GEAR-CUTTING TOOL");
    FillCombo(ComboBox1,
              {"DIN 867  haP0/mn=1.25  rhoaP0/mn=0.25  hfP0/mn=1",
               "DIN 867  haP0/mn=1.25  rhoaP0/mn=0.375  hfP0/mn=1",
               "Protuberance haP0/mn=1.4  rhoaP0/mn=0.4  pr/mn= 0.02  al.pr=6\u00B0 hfP0/mn=1",
               "self-defined ..."},
              kSelfDefined);
    SetHelpHint(Label_hfp1, 5410);
    SetHelpHint(Label_hap1, 5420);
    SetHelpHint(Label_alkp1, 5430);
    SetHelpHint(Label_hffp1, 5440);
    SetHelpHint(Label_alprp1, 5450);
    SetHelpHint(Label_prp1, 5460);
    SetHelpHint(Label_rhoap1, 5475);
    SetHelpHint(Label_rhofp1, 6035);
    LoadControls();
}

void TForm_qor1prof::LoadControls() {
    const TGearData& g = GearData;
    FAlpha = g.alpha;
    FRackName = g.BasicRackName[2].str();
    FRecordNo = g.ToolRecordNo[2];
    FAddendum = FTip = FRoot = FDepth = {};
    FFilling = true; // setting the boxes is no click
    const std::string unit = OemToAnsiString(AngleUnitText());
    Label_alprp1u->SetCaption(unit);
    Label_alkp1u->SetCaption(unit);
    FLoadedType = g.BasicRackType[2];
    FRackChosen = false;
    // A profile from the table (type 0) counts as self-defined; the list has four entries.
    ComboBox1->SetItemIndex(ClampIndex(FLoadedType == 0 ? kSelfDefined : FLoadedType - 1, 4));
    CheckBox_prot1->SetChecked(!(fabsl(g.prP0mn[2]) < 1e-5L));
    CheckBox_koka1->SetChecked(!(fabsl(g.alkP0[2] - FAlpha) < 1e-5L));
    auto show = [](TValueEdit* e, long double v) { e->ShowValue(v, FloatToStrSig3(v)); };
    show(Edit_hfp1, g.hfP0mn[2]);
    show(Edit_hap1, g.haP0mn[2]);
    show(Edit_rhoap1, g.rhoaP0mn[2]);
    show(Edit_rhofp1, g.rhofP0mn[2]);
    show(Edit_prp1, g.prP0mn[2]);
    show(Edit_alprp1, g.alprP0[2]);
    show(Edit_hffp1, g.hFfP0mn[2]);
    show(Edit_alkp1, g.alkP0[2]);
    FFilling = false;
    ShowProfileControls();
}

bool TForm_qor1prof::StoreControls(bool report) {
    TGearData& g = GearData;
    long double hfp = 0, hap = 0, alkp = FAlpha, hffp = 0, alprp = 0, prp = 0, rhoap = 0, rhofp = 0;
    const bool chamfer = CheckBox_koka1->Checked();
    const bool protuberance = CheckBox_prot1->Checked();
    if (!ReadValues({{Edit_hfp1, &hfp}, {Edit_hap1, &hap}}, report) ||
        (chamfer && !ReadValues({{Edit_alkp1, &alkp}, {Edit_hffp1, &hffp}}, report)) ||
        (protuberance && !ReadValues({{Edit_alprp1, &alprp}, {Edit_prp1, &prp}}, report)) ||
        !ReadValues({{Edit_rhoap1, &rhoap}, {Edit_rhofp1, &rhofp}}, report))
        return false;
    g.BasicRackType[2] = FRackChosen ? ClampIndex(ComboBox1->ItemIndex(), 4) + 1 : FLoadedType;
    // A tool from the table brings the pressure angle it is made for, its name and record.
    g.alpha = FAlpha;
    g.BasicRackName[2] = FRackName;
    g.ToolRecordNo[2] = FRecordNo;
    g.hfP0mn[2] = hfp;
    g.haP0mn[2] = hap;
    g.alkP0[2] = alkp;
    g.hFfP0mn[2] = chamfer ? hffp : hap;
    g.alprP0[2] = alprp;
    g.prP0mn[2] = prp;
    g.rhoaP0mn[2] = rhoap;
    g.rhofP0mn[2] = rhofp;
    return true;
}

void TForm_qor1prof::ShowProfileControls() {
    const bool self = ComboBox1->ItemIndex() < 0 || ComboBox1->ItemIndex() >= kSelfDefined;
    for (TControl* c : std::initializer_list<TControl*>{
             CheckBox_prot1, CheckBox_koka1, Edit_hfp1,     Edit_hap1,     Edit_rhoap1,
             Edit_rhofp1,    Edit_prp1,      Edit_alprp1,   Edit_hffp1,    Edit_alkp1,
             Button_hfp1,    Button_hap1,    Button_rhoap1, Button_rhofp1, Button_prp1,
             Button_alprp1,  Button_hffp1,   Button_alkp1,  Button_db1,    Button_append1})
        c->SetEnabled(self);
    const bool prot = CheckBox_prot1->Checked();
    for (TControl* c :
         std::initializer_list<TControl*>{Label_alprp1, Label_alprp1u, Label_prp1, Edit_alprp1,
                                          Edit_prp1, Button_alprp1, Button_prp1})
        c->SetVisible(prot);
    const bool chamfer = CheckBox_koka1->Checked();
    for (TControl* c :
         std::initializer_list<TControl*>{Label_alkp1, Label_alkp1u, Label_hffp1, Edit_alkp1,
                                          Edit_hffp1, Button_alkp1, Button_hffp1})
        c->SetVisible(chamfer);
}

void TForm_qor1prof::ComboBox1Change(TObject*) {
    FRackChosen = true;
    const int index = ComboBox1->ItemIndex();
    if (index >= 0 && index < kSelfDefined) {
        const bool filling = FFilling;
        FFilling = true; // a preset's boxes are no click
        const Preset& p = kPresets[index];
        Edit_hap1->ShowValue(p.hap, p.hapText);
        Edit_hfp1->ShowValue(p.hfp, p.hfpText);
        Edit_rhoap1->ShowValue(p.rhoap, p.rhoapText);
        CheckBox_prot1->SetChecked(p.protuberance);
        Edit_alprp1->ShowValue(p.alprp, p.alprpText);
        Edit_prp1->ShowValue(p.prp, p.prpText);
        Edit_alkp1->ShowValue(FAlpha, FloatToStrSig3(FAlpha));
        Edit_hffp1->ShowValue(p.hfp, p.hfpText);
        Edit_rhofp1->ShowValue(0, "0");
        CheckBox_koka1->SetChecked(false);
        FFilling = filling;
    }
    ShowProfileControls();
}

void TForm_qor1prof::PeekTool(TGearData& g) const {
    g.alpha = FAlpha;
    g.haP0mn[2] = Edit_hap1->Peek();
    g.hfP0mn[2] = Edit_hfp1->Peek();
    g.rhoaP0mn[2] = Edit_rhoap1->Peek();
    g.rhofP0mn[2] = Edit_rhofp1->Peek();
    g.prP0mn[2] = ProtuberanceToStore();
    g.alprP0[2] = CheckBox_prot1->Checked() ? Edit_alprp1->Peek() : 0.0L;
    const bool chamfer = CheckBox_koka1->Checked();
    g.alkP0[2] = chamfer ? Edit_alkp1->Peek() : FAlpha;
    g.hFfP0mn[2] = chamfer ? Edit_hffp1->Peek() : g.hfP0mn[2];
}

bool TForm_qor1prof::PeekEntries(TGearData& g) {
    TScratchGearData scratch;
    if (!StoreControls(false)) return false;
    g = GearData;
    return true;
}

void TForm_qor1prof::Propose(TValueEdit* edit, const std::function<std::string()>& set,
                             TFollower* own, std::string name) {
    // The limits of the tool, before and after the change: a value the change puts beyond its
    // limit is proposed again (one beyond it before is the user's).
    auto addendumWithin = [this] {
        return RackTipRadiusMax(DegToRad(FAlpha), Edit_hap1->Peek(), ProtuberanceToStore()) > 0;
    };
    auto tipWithin = [this] {
        // A pointed tool's radius is not what stands beyond the limit: its addendum is.
        const long double tip = TipRadiusLimit();
        return !(Edit_rhoap1->Peek() > tip) || !(tip > 0);
    };
    auto rootWithin = [this] {
        TGearData g = GearData;
        PeekTool(g);
        return !(g.rhofP0mn[2] > 0 && g.rhofP0mn[2] > ToolRootRadiusMax(g, 2));
    };
    auto chamferWithin = [this] {
        if (!CheckBox_koka1->Checked()) return true;
        TGearData g;
        if (Edit_hffp1->Peek() > Edit_hfp1->Peek() || !PeekEntries(g)) return false;
        return ChamferTip(g, false).Brought.empty();
    };
    auto entries = [this] { return StoreControls(false); };
    const TEntriesCalculation before = CalculateEntries(entries);
    const bool was[4] = {addendumWithin(), chamferWithin(), tipWithin(), rootWithin()};
    // A value still as its proposal left it follows the tool (so the order of the proposals
    // does not matter); set may make the proposal of its own value.
    auto follows = [](TValueEdit* e, const TFollower& f) { return e->Text() == f.Proposed; };
    // The value the change proposes itself follows too: it is proposed again after what it
    // depends on.
    const bool following[4] = {follows(Edit_hap1, FAddendum) || own == &FAddendum,
                               follows(Edit_hffp1, FDepth) || own == &FDepth,
                               follows(Edit_rhoap1, FTip) || own == &FTip,
                               follows(Edit_rhofp1, FRoot) || own == &FRoot};
    std::string said = set();
    // In the order they depend on each other: the tip radius on the addendum, the root radius
    // on the chamfer depth.
    const struct {
        TValueEdit* edit;
        TFollower& follower;
        std::function<bool()> within;
        std::string (TForm_qor1prof::*propose)();
    } values[4] = {{Edit_hap1, FAddendum, addendumWithin, &TForm_qor1prof::ProposeAddendum},
                   {Edit_hffp1, FDepth, chamferWithin, &TForm_qor1prof::ProposeChamferDepth},
                   {Edit_rhoap1, FTip, tipWithin, &TForm_qor1prof::ProposeTipRadius},
                   {Edit_rhofp1, FRoot, rootWithin, &TForm_qor1prof::ProposeRootRadius}};
    for (int n = 0; n < 4; ++n) {
        const auto& v = values[n];
        if (!(following[n] || (was[n] && !v.within()))) continue;
        const std::string why = (this->*v.propose)();
        // Said once: a value proposed again that says what it said before says nothing.
        if (!why.empty() && why != v.follower.Said) said = Paragraphs(said, why);
        v.follower.Said = why;
    }
    // What the chamfer depth said in this action, its remedy under the messages need not say.
    const bool chamferSaid = !FDepth.Said.empty() && said.find(FDepth.Said) != std::string::npos;
    if (edit != nullptr) name = edit->Caption->Caption() + " " + edit->Text();
    const TEntriesCalculation after = CalculateEntries(entries);
    said = Paragraphs(said, SaidNew(name, NewMessages(before, after),
                                    chamferSaid ? nullptr : after.Entries.get()));
    if (!said.empty()) ShowMessage(said);
}

void TForm_qor1prof::BoxClick(TCheckBox* box) {
    ShowProfileControls();
    if (FFilling) return;
    // The box as it was, to compare with; then the click again, and what depends on it follows.
    const bool now = box->Checked();
    auto tick = [this, box](bool checked) {
        FFilling = true;
        box->SetChecked(checked);
        FFilling = false;
        ShowProfileControls();
    };
    tick(!now);
    Propose(
        nullptr,
        [&tick, now] {
            tick(now);
            return std::string();
        },
        nullptr, box->Caption() + (now ? " on" : " off"));
}

std::string TForm_qor1prof::ProposeAddendum() {
    // The standard addendum, unless the tool's tooth would come (near) to a point below it: then
    // the largest addendum that leaves the tip room for a radius.
    const long double alpha = DegToRad(FAlpha), pr = ProtuberanceToStore();
    const long double room = RackTipRadiusMax(alpha, 1.25L, pr);
    std::string text = "1.25", why;
    if (!(room >= kLeastTipRadius)) {
        const long double ha = AddendumForTipRadius(alpha, pr, kLeastTipRadius);
        if (!(ha > 0)) return {}; // no addendum leaves a tip at this angle
        text = FloatToStrSig3(ha);
        why = "Addendum of tool haP0/mn: at alpha " + FloatToStrSig3(FAlpha) + "\u00B0" +
              (pr != 0 ? " and prP0/mn " + FloatToStrSig3(pr) : "") + " the standard 1.25 " +
              (room > 0
                   ? "leaves the tool's tooth room for a tip radius of only " +
                         FigureTowards(room, false)
                   : "makes the tool's tooth pointed (\"" + ToolPointedWarning(alpha, pr) + "\")") +
              ". Proposed " + text + ", which leaves the tip room for a radius of " +
              FloatToStrSig3(kLeastTipRadius) + ".";
        Edit_hap1->ShowValue(ha, text);
    } else {
        Edit_hap1->SetText(text);
    }
    FAddendum.Proposed = Edit_hap1->Text();
    return why;
}

void TForm_qor1prof::Button_hap1Click(TObject*) {
    Propose(
        Edit_hap1, [this] { return Say(FAddendum, ProposeAddendum()); }, &FAddendum);
}

void TForm_qor1prof::Button_hfp1Click(TObject*) {
    Propose(Edit_hfp1, [this] { return Fill(Edit_hfp1, "1.0"); });
}

void TForm_qor1prof::Button_rhofp1Click(TObject*) {
    Propose(
        Edit_rhofp1, [this] { return Say(FRoot, ProposeRootRadius()); }, &FRoot);
}

std::string TForm_qor1prof::ProposeRootRadius() {
    TGearData g = GearData;
    PeekTool(g);
    Edit_rhofp1->SetText(RootRadiusProposal(g));
    FRoot.Proposed = Edit_rhofp1->Text();
    return {};
}

void TForm_qor1prof::Button_prp1Click(TObject*) {
    Propose(Edit_prp1, [this] { return Fill(Edit_prp1, "0.04"); });
}

void TForm_qor1prof::Button_alprp1Click(TObject*) {
    Propose(Edit_alprp1, [this] { return Fill(Edit_alprp1, "8"); });
}

void TForm_qor1prof::Button_alkp1Click(TObject*) {
    Propose(Edit_alkp1, [this] { return Fill(Edit_alkp1, FloatToStrSig3(FAlpha + 20.0L)); });
}

long double TForm_qor1prof::ProtuberanceToStore() const {
    // OK stores no protuberance while its box is unchecked, whatever the hidden field holds.
    return CheckBox_prot1->Checked() ? Edit_prp1->Peek() : 0.0L;
}

void TForm_qor1prof::Button_hffp1Click(TObject*) {
    Propose(
        Edit_hffp1, [this] { return Say(FDepth, ProposeChamferDepth()); }, &FDepth);
}

std::string TForm_qor1prof::ProposeChamferDepth() {
    // Three quarters of the dedendum less the protuberance, where the gear's tooth keeps its tip
    // with it; else the least depth (a smaller chamfer) that keeps it one.
    const std::string usual = FloatToStrDec(2, 0.75L * Edit_hfp1->Peek() - ProtuberanceToStore());
    Edit_hffp1->SetText(usual);
    FDepth.Proposed = Edit_hffp1->Text();
    TGearData g;
    if (!CheckBox_koka1->Checked() || !PeekEntries(g)) return {};
    // The tool's root radius ends at the chamfer and rounds the tooth's tip: one that follows
    // its proposal, or that a chamfer puts beyond its limit, is proposed again with it.
    const bool rootFollows = Edit_rhofp1->Text() == FRoot.Proposed;
    const TChamferTip t = ChamferTip(g, true, [rootFollows](TGearData& d) {
        if (rootFollows || d.rhofP0mn[2] > ToolRootRadiusMax(d, 2))
            d.rhofP0mn[2] = StrToReal(RootRadiusProposal(d));
    });
    auto quoted = [](const std::vector<std::string>& messages) {
        std::string s;
        for (const std::string& m : messages)
            s += (s.empty() ? "\"" : ", \"") + m + "\"";
        return s;
    };
    const std::string at = " at al.kP0 " + Edit_alkp1->Text() + "\u00B0";
    if (t.Brought.empty()) {
        std::vector<std::string> pointed = t.Without;
        std::erase_if(pointed,
                      [](const std::string& m) { return m.find("pointed tooth") == m.npos; });
        if (pointed.empty()) return {};
        return "Depth of chamfer hFfP0/mn " + usual +
               ": the tooth is pointed without the chamfer " + "too (" + quoted(pointed) +
               "), so no chamfer keeps it a tip; a smaller tip " +
               "diameter (addendum reduction) or profile shift (dimensions dialog) does.";
    }
    // What the usual depth brings: a pointed tooth, or another error the tool without chamfer
    // does not have.
    const bool pointed = std::any_of(t.Brought.begin(), t.Brought.end(), [](const std::string& m) {
        return m.find("pointed tooth") != m.npos;
    });
    const std::string brings = (pointed ? " leaves the tooth no tip ("
                                        : " brings what the tool without chamfer does not (") +
                               quoted(t.Brought) + ").";
    if (!t.Depth.empty()) {
        Edit_hffp1->SetText(t.Depth);
        FDepth.Proposed = Edit_hffp1->Text();
        return "Depth of chamfer hFfP0/mn: the usual " + usual + at + brings + " Proposed " +
               t.Depth +
               (pointed ? ", the least depth that keeps the tooth a tip."
                        : ", the least depth that brings none of it.");
    }
    return "Depth of chamfer hFfP0/mn: no chamfer depth below hfP0/mn " +
           FloatToStrSig3(Edit_hfp1->Peek()) + at + " keeps the tooth a tip; the usual " + usual +
           brings + " Proposed " + usual + "; " +
           (t.Angle.empty() ? std::string("no smaller chamfer angle keeps a tip either: a smaller "
                                          "tip diameter (addendum reduction) or profile shift "
                                          "does, or no chamfer.")
                            : "a chamfer angle al.kP0 of at most " + t.Angle +
                                  "\u00B0 keeps one at this depth, as does a smaller tip "
                                  "diameter (addendum reduction) or profile shift.");
}

void TForm_qor1prof::Button_rhoap1Click(TObject*) {
    Propose(
        Edit_rhoap1, [this] { return Say(FTip, ProposeTipRadius()); }, &FTip);
}

long double TForm_qor1prof::TipRadiusLimit(bool* gapClosed) {
    if (gapClosed != nullptr) *gapClosed = false;
    // The pressure angle of the pair as entered (the last calculation's alphaRad may be stale).
    const long double r =
        RackTipRadiusMax(DegToRad(FAlpha), Edit_hap1->Peek(), ProtuberanceToStore());
    if (!(GearData.z[2] < 0) || !(r > 0)) return r;
    // A ring gear's gap may be narrower than the rack tooth: its bottom at both tolerance limits,
    // from a calculation of the entries.
    TScratchGearData scratch;
    AbortFlag = 0;
    CalcErrorFlag = 0;
    if (!StoreControls(false)) return r;
    CalculateInput();
    if (CalcErrorFlag != 0 || AbortFlag != 0) return r;
    if (gapClosed != nullptr) *gapClosed = RingGapClosedForEveryTipRadius(GearData, 2);
    return RingGapTipRadiusMax(GearData, 2, r);
}

std::string TForm_qor1prof::ProposeTipRadius() {
    const long double alpha = DegToRad(FAlpha), pr = ProtuberanceToStore();
    bool gapClosed = false;
    const long double r = TipRadiusLimit(&gapClosed);
    if (!(r > 0)) {
        // The rack tooth's flanks meet before its tip line: nothing to round.
        Edit_rhoap1->SetText("0");
        FTip.Proposed = "0";
        return "Fillet radius of tool rhoaP0/mn: at haP0/mn " + Edit_hap1->Text() +
               (pr != 0 ? ", alpha " : " and alpha ") + FloatToStrSig3(FAlpha) + "\u00B0" +
               (pr != 0 ? " and prP0/mn " + FloatToStrSig3(pr) : std::string()) +
               " the tool's tooth comes to a point before its tip (\"" +
               ToolPointedWarning(alpha, pr) +
               "\"), so its tip cannot be rounded. Proposed 0; an addendum haP0/mn up to " +
               ToolPointedAddendumText(alpha, pr) +
               " leaves room for a radius (the addendum's \"<\" proposes one).";
    }
    // Rounded down: the radius shown never exceeds the largest the rack can take.
    const std::string text = Sig3Towards(r, false);
    if (!text.empty())
        Edit_rhoap1->SetText(text);
    else if (std::isfinite(r))
        Edit_rhoap1->ShowValue(r, FloatToStrSig6(r));
    FTip.Proposed = Edit_rhoap1->Text();
    if (!gapClosed) return {};
    return "Fillet radius of tool rhoaP0/mn: the flanks of the ring gear meet before its root "
           "circle at a limit of its tooth thickness (\"Warning: no rhoaP0 opens the gap !\"), "
           "so no tip radius opens its gap. Proposed " +
           FTip.Proposed +
           ", the largest the rack tooth takes; a profile shift that widens the gap (a less "
           "negative x, dimensions dialog) or a smaller tool addendum opens it.";
}

void TForm_qor1prof::Button_db1Click(TObject*) {
    // The dialog shows gear 2: the tool is picked for it, into a scratch copy of the gear data
    // that only fills the dialog (OK stores it). A cancelled or failed pick keeps the entries as
    // they are.
    {
        TScratchGearData scratch;
        AbortFlag = 0;
        ToolPick(2, 1);
        if (AbortFlag == 0) LoadControls();
    }
    AbortFlag = 0;
}

void TForm_qor1prof::Button_helpClick(TObject*) {
    ShowHelp(5400, 0, 1);
    AbortFlag = 0;
}

void TForm_qor1prof::Button_hilfebildClick(TObject*) {
    {
        TScratchGearData scratch;
        if (StoreControls()) ShowHelp(5400, 0, 2);
    }
    AbortFlag = 0;
    ToFront();
}
