// qor1qual: the quality dialog.
#include "shell/quality_dialog.h"

#include <algorithm>
#include <cmath>

#include "calc/geardata.h"
#include "calc/tables.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/help.h"
#include "framework/ui/questions.h"

namespace {

constexpr int kFreeSeries = 10; // list index of "..." in the tolerance series
constexpr int kFreeAa = 8;      // list index of "..." in the centre-distance fields
constexpr int kLabelWidth = 252, kCtl = 266, kRow = 29;
constexpr int kGroupWidth = 506, kGroupHeight = 14 + 6 * kRow;
constexpr int kRight = kGroupWidth + 20, kButtonWidth = 124;

// The group of gear 2 has no caption: its rows start near its top.
int Row(int i) {
    return 12 + i * kRow;
}

std::string UnitLabel() {
    return UnitSystem == 1 ? "in." : "mm";
}

std::vector<std::string> Numbers(int from, int to) {
    std::vector<std::string> items;
    for (int n = from; n <= to; ++n)
        items.push_back(IntToString(n));
    return items;
}

std::string DiameterText(int gear) {
    return "(d = " + LengthToStr(GearData.d[gear]) + ")";
}

} // namespace

TForm_qual::TForm_qual(TComponent* AOwner) : TInputForm(AOwner) {
    SetName("Form_qual");
    SetClientWidth(kRight + kButtonWidth + 12);
    SetClientHeight(std::max(kGroupHeight + 16, 8 + 7 * kRow + kRow / 2 + 8));
    // Both gears at the same place: the gear-1 group stays hidden.
    GroupBox1 = NewGroupBox(this, "GroupBox1", "", 8, 8, kGroupWidth, kGroupHeight);
    GroupBox2 = NewGroupBox(this, "GroupBox2", "", 8, 8, kGroupWidth, kGroupHeight);
    BuildGear(1, GroupBox1);
    BuildGear(2, GroupBox2);
    auto& g1 = FGear[1];
    auto& g2 = FGear[2];
    ComboBox_qual1 = g1.Qual, ComboBox_qual2 = g2.Qual;
    ComboBox_tol1 = g1.Tol, ComboBox_tol2 = g2.Tol;
    ComboBox_asn1 = g1.Asn, ComboBox_asn2 = g2.Asn;
    Edit_asne1 = g1.Asne, Edit_asne2 = g2.Asne, Edit_asni1 = g1.Asni, Edit_asni2 = g2.Asni;
    Edit_q1 = g1.Q, Edit_q2 = g2.Q, Edit_Aq1 = g1.QTol, Edit_aq2 = g2.QTol;
    Edit_zahnkorr1 = g1.Correction, Edit_zahnkorr2 = g2.Correction;
    Label_d1 = g1.D, Label_d2 = g2.D;
    Button_asn1 = g1.Toggle, Button_asn2 = g2.Toggle;
    Button_asn1act = g1.Free, Button_asn2act = g2.Free;
    Button_q1 = g1.Propose, Button_q2 = g2.Propose;

    // The centre-distance tolerance (hidden with the gear-1 group).
    const int pairTop = kGroupHeight + 16;
    Label_Aa = NewLabel(this, "Label_Aa", "", 16, pairTop, 200);
    ComboBox_Aa = NewComboBox(this, "ComboBox_Aa", 220, pairTop, 70, [this] { RefreshDisplay(); });
    Edit_Aae =
        NewValueEdit(this, "Edit_Aae", TValueKind::Length, InputRange::Length, 296, pairTop, 80);
    Edit_Aai =
        NewValueEdit(this, "Edit_Aai", TValueKind::Length, InputRange::Length, 380, pairTop, 80);
    Edit_Aae->Caption = Edit_Aai->Caption = Label_Aa;
    FAaUnit = NewLabel(this, "Label_Aau", "mm", 464, pairTop, 30);
    Button_a =
        NewButton(this, "Button_a", "&Analyse  Asn = f (a)", 16, pairTop + kRow, 200, nullptr);
    Button_2gleich1 =
        NewButton(this, "Button_2gleich1", "", 220, pairTop + kRow, 130, [this] { CopyGear(1); });
    Button_1gleich2 =
        NewButton(this, "Button_1gleich2", "", 356, pairTop + kRow, 130, [this] { CopyGear(2); });

    CreateOkCancel(0, 0, [this] {
        if (!StoreControls()) return false;
        CalculateInput();
        return true;
    });
    Button_ok = FOk;
    Button_cancel = FCancel;
    int top = 8;
    auto column = [&](TButton* b) {
        b->SetBounds(kRight, top, kButtonWidth, RowHeight);
        top += kRow;
        return b;
    };
    column(Button_ok);
    column(Button_cancel);
    Button_help = column(NewButton(this, "Button_help", "&Help", 0, 0, 0, [] {
        ShowHelp(5200, 0, 1);
        AbortFlag = 0;
    }));
    Button_metric = column(NewButton(this, "Button_metric", "mm <--> i&nch", 0, 0, 0,
                                     [this] { Button_metricClick(this); }));
    top += kRow / 2;
    auto picture = [this](std::uint16_t n) {
        return [this, n] {
            ShowHelp(n, 0, 2);
            AbortFlag = 0;
            ToFront();
        };
    };
    Button_hbqual = column(NewButton(this, "Button_hbqual", "Q&ual. ?", 0, 0, 0, picture(5210)));
    Button_hbtolfeld =
        column(NewButton(this, "Button_hbtolfeld", "Asn, &Tsn ?", 0, 0, 0, picture(5220)));
    Button_hbq = column(NewButton(this, "Button_hbq", "&q ?", 0, 0, 0, picture(5250)));
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

void TForm_qual::BuildGear(int gear, TGroupBox* group) {
    GearControls& c = FGear[gear];
    const std::string n = IntToString(gear);
    auto name = [&n](const char* stem) { return std::string(stem) + n; };
    c.Qual = NewComboBox(group, name("ComboBox_qual"), kCtl, Row(0), 70, nullptr);
    c.Tol =
        NewComboBox(group, name("ComboBox_tol"), kCtl, Row(1), 70, [this] { RefreshDisplay(); });
    c.Asn =
        NewComboBox(group, name("ComboBox_asn"), kCtl, Row(2), 70, [this] { RefreshDisplay(); });
    NewLabel(group, name("Label_qual"), "", 12, Row(0), kLabelWidth);
    NewLabel(group, name("Label_tol"), "", 12, Row(1), kLabelWidth);
    c.AsnLabel = NewLabel(group, name("Label_asn"), "", 12, Row(2), kLabelWidth);
    c.D = NewLabel(group, name("Label_d"), "", kCtl + 80, Row(2), 150);
    c.AsneLabel = NewLabel(group, name("Label_asne"), "Asne", 12, Row(3), kLabelWidth);
    c.AsniLabel = NewLabel(group, name("Label_asni"), "Asni", 12, Row(4), kLabelWidth);
    c.Asne = NewValueEdit(group, name("Edit_asne"), TValueKind::Length, InputRange::Length, kCtl,
                          Row(3), 90);
    c.Asni = NewValueEdit(group, name("Edit_asni"), TValueKind::Length, InputRange::Length, kCtl,
                          Row(4), 90);
    c.Asne->Caption = c.AsneLabel;
    c.Asni->Caption = c.AsniLabel;
    c.AsnUnit = NewLabel(group, name("Label_asnu"), "mm", kCtl + 94, Row(3), 30);
    c.Free = NewButton(group, name("Button_asn") + "act", "^", kCtl + 128, Row(3), 32,
                       [this, gear] { FreeEntry(gear); });
    c.Toggle = NewButton(group, name("Button_asn"), "Asn <--> &xe", kCtl + 128, Row(4), 106,
                         [this, gear] { ToggleXe(gear); });
    auto* qLabel = NewLabel(group, name("Label_q"), "", 12, Row(5), kLabelWidth);
    c.Q = NewValueEdit(group, name("Edit_q"), TValueKind::Length, InputRange::PositiveLength, kCtl,
                       Row(5), 70);
    NewLabel(group, name("Label_plus"), "+", kCtl + 74, Row(5), 12);
    c.QTol = NewValueEdit(group, gear == 1 ? "Edit_Aq1" : "Edit_aq2", TValueKind::Length,
                          InputRange::PositiveLength, kCtl + 88, Row(5), 70);
    c.Q->Caption = c.QTol->Caption = qLabel;
    c.QTol->FieldName = "(+ tolerance)";
    c.QUnit = NewLabel(group, name("Label_qu"), "mm", kCtl + 162, Row(5), 30);
    c.Propose = NewButton(group, name("Button_q"), "<", kCtl + 196, Row(5), 32,
                          [this, gear] { ProposeQ(gear); });
    auto* correction = NewLabel(group, name("Label_zahnkorr"), "", 12, Row(6), 150);
    c.Correction = NewTextEdit(group, name("Edit_zahnkorr"), 166, Row(6), kGroupWidth - 180,
                               ToothCorrectionCapacity);
    correction->Hide();
    c.Correction->Hide();
}

void TForm_qual::FormCreate(TObject*) {
    FitForm(this);
    SetCaption(ProductTitle + " " + "Quality");
    Button_2gleich1->SetCaption("gear &2 = gear 1");
    Button_1gleich2->SetCaption("gear &1 = gear 2");
    GroupBox1->SetCaption(" gear 1 ");
    const bool iso = GearData.QualityStandard == 1;
    GroupBox2->SetCaption("");
    for (int i = 1; i <= 2; ++i) {
        auto* group = i == 1 ? GroupBox1 : GroupBox2;
        const std::string n = IntToString(i);
        FindControl<TLabel>(*group, "Label_qual" + n)
            ->SetCaption(std::string("Gear quality   ") + (iso ? "ISO 1328" : "DIN 3961"));
        FindControl<TLabel>(*group, "Label_tol" + n)
            ->SetCaption("tooth-thickness tolerance Tsn (DIN 3967)");
        FGear[i].AsnLabel->SetCaption("tooth-thickn.deviation Asne (DIN 3967)");
        FindControl<TLabel>(*group, "Label_q" + n)->SetCaption("Machining allowance q");
        FindControl<TLabel>(*group, "Label_zahnkorr" + n)->SetCaption("Tooth correction");
        FillCombo(FGear[i].Qual, Numbers(1, iso ? 11 : 12), 0);
        std::vector<std::string> series = Numbers(21, 30);
        series.push_back("...");
        FillCombo(FGear[i].Tol, series, 0);
        std::vector<std::string> letters;
        for (int s = 1; s <= 11; ++s)
            letters.push_back(AsnSeriesNameOf(s));
        FillCombo(FGear[i].Asn, letters, 0);
        for (auto [stem, number] : {std::pair{"Label_qual", 5210},
                                    {"Label_tol", 5220},
                                    {"Label_asn", 5230},
                                    {"Label_asne", 5240},
                                    {"Label_asni", 5240},
                                    {"Label_q", 5250},
                                    {"Label_zahnkorr", 5880}})
            SetHelpHint(FindControl<TLabel>(*group, stem + n), static_cast<std::uint16_t>(number));
    }
    std::vector<std::string> fields;
    for (int f = 4; f <= 11; ++f)
        fields.push_back("js" + IntToString(f));
    fields.push_back("...");
    FillCombo(ComboBox_Aa, fields, 0);
    SetHelpHint(ComboBox_Aa, 5060);
    SetHelpHint(Label_Aa, 5060);
    SetHelpHint(Edit_Aae, 5070);
    SetHelpHint(Edit_Aai, 5070);
    SetHelpHint(Button_a, 5040);
    // Only gear 2 is designed: the pair values, gear 1 and the copy buttons stay hidden.
    for (TControl* c :
         std::initializer_list<TControl*>{ComboBox_Aa, Edit_Aae, Edit_Aai, Label_Aa, FAaUnit,
                                          Button_a, GroupBox1, Button_2gleich1, Button_1gleich2})
        c->Hide();
    LoadControls();
    RefreshDisplay();
}

void TForm_qual::LoadControls() {
    const TGearData& g = GearData;
    for (int i = 1; i <= 2; ++i) {
        GearControls& c = FGear[i];
        c.Xe = false;
        ShowXeLabels(i);
        c.Qual->SetItemIndex(ClampIndex(g.Q[i] - 1LL, c.Qual->Items().Count()));
        c.Tol->SetItemIndex(ClampIndex(g.TsnSeries[i] - 1LL, kFreeSeries + 1));
        c.Asn->SetItemIndex(ClampIndex(g.AsnSeries[i] - 1LL, 11));
        c.Asne->ShowValue(g.Asne[i], LengthToStr(g.Asne[i]));
        c.Asni->ShowValue(g.Asni[i], LengthToStr(g.Asni[i]));
        c.Q->ShowValue(g.q[i], LengthToStr(g.q[i]));
        c.QTol->ShowValue(g.qTol[i], LengthToStr(g.qTol[i]));
        c.Correction->SetText(g.ToothCorrection[i].str());
    }
    ComboBox_Aa->SetItemIndex(ClampIndex(g.AaField - 1LL, kFreeAa + 1));
    Edit_Aae->ShowValue(g.Aae, LengthToStr(g.Aae));
    Edit_Aai->ShowValue(g.Aai, LengthToStr(g.Aai));
    Label_Aa->SetCaption("Center distance a = " + LengthToStr(g.a));
}

bool TForm_qual::AsnValues(int gear, long double& asne, long double& asni) const {
    const GearControls& c = FGear[gear];
    if (!c.Xe) return ReadValues({{c.Asne, &asne}, {c.Asni, &asni}}, false);
    // The Asn an xe shown stands for, as switching back would give it.
    const long double f = XeDivisor();
    long double* asn[2] = {&asne, &asni};
    const TValueEdit* edits[2] = {c.Asne, c.Asni};
    for (int k = 0; k < 2; ++k) {
        long double xe = 0;
        if (!edits[k]->Modified())
            *asn[k] = c.AsnBefore[k];
        else if (edits[k]->TryValue(xe))
            *asn[k] = (xe - GearData.x[gear]) * f;
        else
            return false;
    }
    return true;
}

bool TForm_qual::StoreControls(bool report) {
    if (report)
        for (int i = 1; i <= 2; ++i)
            if (FGear[i].Xe && !ToggleXe(i)) return false;
    long double v[2][4] = {};
    long double aae = 0, aai = 0;
    for (int i = 1; i <= 2; ++i) {
        GearControls& c = FGear[i];
        if (report ? !ReadValues({{c.Asne, &v[i - 1][0]}, {c.Asni, &v[i - 1][1]}})
                   : !AsnValues(i, v[i - 1][0], v[i - 1][1]))
            return false;
        if (!ReadValues({{c.Q, &v[i - 1][2]}, {c.QTol, &v[i - 1][3]}}, report)) return false;
    }
    if (!ReadValues({{Edit_Aae, &aae}, {Edit_Aai, &aai}}, report)) return false;
    TGearData& g = GearData;
    for (int i = 1; i <= 2; ++i) {
        GearControls& c = FGear[i];
        g.Q[i] = ClampIndex(c.Qual->ItemIndex(), c.Qual->Items().Count()) + 1;
        g.TsnSeries[i] = static_cast<std::uint16_t>(ClampIndex(c.Tol->ItemIndex(), 11) + 1);
        g.AsnSeries[i] = static_cast<std::uint16_t>(ClampIndex(c.Asn->ItemIndex(), 11) + 1);
        g.Asne[i] = v[i - 1][0];
        g.Asni[i] = v[i - 1][1];
        g.q[i] = v[i - 1][2];
        g.qTol[i] = v[i - 1][3];
        g.ToothCorrection[i] = c.Correction->Text();
    }
    g.AaField = static_cast<std::uint16_t>(ClampIndex(ComboBox_Aa->ItemIndex(), 9) + 1);
    g.Aae = aae;
    g.Aai = aai;
    return true;
}

long double TForm_qual::XeDivisor() {
    const long double f = 2.0L * Tan(GearData.alphaRad) * GearData.mn;
    return std::isfinite(f) && f != 0.0L ? f : 0.0L;
}

void TForm_qual::ShowXeLabels(int gear) {
    GearControls& c = FGear[gear];
    const TValueKind kind = c.Xe ? TValueKind::Real : TValueKind::Length;
    const TInputRange range = c.Xe ? InputRange::Factor : InputRange::Length;
    c.Asne->SetKind(kind, range);
    c.Asni->SetKind(kind, range);
    c.AsneLabel->SetCaption(c.Xe ? "xemax" : "Asne");
    c.AsniLabel->SetCaption(c.Xe ? "xemin" : "Asni");
    c.AsnUnit->SetCaption(c.Xe ? "" : UnitLabel());
    c.D->SetCaption(c.Xe ? "(x" + IntToString(gear) + "= " + FloatToStrSig6(GearData.x[gear]) + ")"
                         : DiameterText(gear));
}

bool TForm_qual::ToggleXe(int gear) {
    GearControls& c = FGear[gear];
    // The divisor is 0 before a calculation gave the module and pressure angle: no conversion.
    const long double f = XeDivisor();
    if (f == 0.0L) return !c.Xe;
    const long double x = GearData.x[gear];
    TValueEdit* edits[2] = {c.Asne, c.Asni};
    long double asn[2] = {0, 0};
    if (!c.Xe) {
        if (!ReadValues({{c.Asne, &asn[0]}, {c.Asni, &asn[1]}})) return false;
        c.Xe = true;
        ShowXeLabels(gear);
        for (int k = 0; k < 2; ++k) {
            c.AsnBefore[k] = asn[k];
            const long double xe = asn[k] / f + x;
            edits[k]->ShowValue(xe, FloatToStrSig6(xe));
        }
        return true;
    }
    for (int k = 0; k < 2; ++k) {
        long double xe = 0;
        // An xe left as shown gives back the Asn it was made from, exactly.
        if (!edits[k]->Modified())
            asn[k] = c.AsnBefore[k];
        else if (edits[k]->ReadValue(xe))
            asn[k] = (xe - x) * f;
        else
            return false;
    }
    c.Xe = false;
    ShowXeLabels(gear);
    for (int k = 0; k < 2; ++k)
        edits[k]->ShowValue(asn[k], LengthToStr(asn[k]));
    return true;
}

void TForm_qual::RefreshDisplay() {
    const bool canConvert = XeDivisor() != 0.0L;
    for (int i = 1; i <= 2; ++i) {
        GearControls& c = FGear[i];
        c.QUnit->SetCaption(UnitLabel());
        const bool fromTable = c.Tol->ItemIndex() != kFreeSeries;
        c.Asn->SetVisible(fromTable);
        c.AsnLabel->SetVisible(fromTable);
        c.Toggle->SetEnabled(!fromTable && canConvert);
        c.Asne->SetEnabled(!fromTable);
        c.Asni->SetEnabled(!fromTable);
        if (fromTable) {
            if (c.Xe) {
                c.Xe = false;
                ShowXeLabels(i);
            }
            const long double d = GearData.d[i];
            const int asn = c.Asn->ItemIndex() + 1;
            const long double asne = -DinAsneDev(asn, d) / 1000.0L;
            const long double asni =
                -(DinAsneDev(asn, d) + DinTsnTol(c.Tol->ItemIndex() + 1, d)) / 1000.0L;
            c.Asne->ShowValue(asne, LengthToStr(asne));
            c.Asni->ShowValue(asni, LengthToStr(asni));
        }
        c.AsnUnit->SetCaption(c.Xe ? "" : UnitLabel());
    }
    FAaUnit->SetCaption(UnitLabel());
    const bool aaFromTable = ComboBox_Aa->ItemIndex() != kFreeAa;
    Edit_Aae->SetEnabled(!aaFromTable);
    Edit_Aai->SetEnabled(!aaFromTable);
    if (aaFromTable) {
        const long double t = IsoItTol(ComboBox_Aa->ItemIndex() + 1, GearData.a) / 2000.0L;
        Edit_Aae->ShowValue(t, LengthToStr(t));
        Edit_Aai->ShowValue(-t, LengthToStr(-t));
    }
}

void TForm_qual::FreeEntry(int gear) {
    FGear[gear].Tol->SetItemIndex(kFreeSeries);
    RefreshDisplay();
}

void TForm_qual::ProposeQ(int gear) {
    GearControls& c = FGear[gear];
    // The usual allowance: two thirds of a protuberance, else 3 % of the module; its tolerance
    // the same, but not below half the tooth-thickness tolerance where that fits (a tolerance
    // below it is hard to hold), else as large as the allowance.
    const long double pr = GearData.prP0[gear];
    const long double usual = pr > 0 ? 2.0L / 3.0L * pr : 0.03L * GearData.mn;
    long double asne = 0, asni = 0;
    const long double least =
        AsnValues(gear, asne, asni) && GearData.WarningMode == 0 ? (asne - asni) / 2 : 0.0L;
    auto show = [&c](long double q, long double tol) {
        c.Q->ShowValue(q, LengthToStr(q));
        c.QTol->ShowValue(tol, LengthToStr(tol));
    };
    auto entries = [this] { return StoreControls(false); };
    const TEntriesCalculation typed = CalculateEntries(entries);
    // The entries as they were, to be put back exactly where no allowance fits.
    auto keep = [](TValueEdit* e) {
        long double v = 0;
        const std::string text = e->Text();
        return e->TryValue(v) ? std::function<void()>([e, v, text] { e->ShowValue(v, text); })
                              : std::function<void()>([e, text] { e->SetText(text); });
    };
    const std::function<void()> restore[2] = {keep(c.Q), keep(c.QTol)};
    // The allowance must bring nothing that the gear without one lacks: it raises the tip the
    // premachining cutter leaves, so a larger one may point the tooth or cross the base circle.
    show(0, 0);
    const TEntriesCalculation none = CalculateEntries(entries);
    if (!none.Held) {
        show(usual, std::fmax(usual, least)); // OK reports the calculation's messages
        return;
    }
    std::vector<std::string> lastFresh;
    TEntriesCalculation last;
    long double floor = least; // the least tolerance tried
    auto fits = [&](long double f) {
        show(f * usual, std::fmax(f * usual, floor));
        last = CalculateEntries(entries);
        lastFresh = NewMessages(none, last);
        return lastFresh.empty();
    };
    // The largest share of the usual allowance that fits: halved until one does, then bisected.
    auto largestShare = [&](long double& ok) {
        long double refused = 0;
        ok = 1;
        for (int n = 0; n < 8 && !fits(ok); ++n)
            refused = ok, ok /= 2;
        if (refused == 0) return true;
        if (!fits(ok)) return false;
        for (int n = 0; n < 12; ++n) {
            const long double mid = (ok + refused) / 2;
            (fits(mid) ? ok : refused) = mid;
        }
        return true;
    };
    long double ok = 1;
    bool found = largestShare(ok);
    // Half the tooth-thickness tolerance is a habit, not a limit the calculation reports: where
    // the tolerance it asks for raises the tip too far, one as large as the allowance.
    std::vector<std::string> narrowed; // what the tolerance of half the tooth's brings
    std::shared_ptr<const TGearData> narrowedEntries;
    if (!found && least > 0) {
        narrowed = lastFresh;
        narrowedEntries = last.Entries;
        floor = 0;
        found = largestShare(ok);
    }
    if (!found) {
        const std::vector<std::string> why = lastFresh;
        for (const auto& r : restore)
            r();
        ShowMessage("Machining allowance q: no allowance fits. Even q " +
                    LengthInMessage(ok * usual) + " + " + LengthInMessage(ok * usual) +
                    " raises the tip the premachining leaves so far that the calculation says:" +
                    MessagesWithRemedies(why, last.Entries.get()) +
                    "\nNothing is proposed; 0 finishes the gear without premachining.");
        return;
    }
    fits(ok);
    const std::string proposal = "Machining allowance q " + LengthInMessage(ok * usual) + " + " +
                                 LengthInMessage(std::fmax(ok * usual, floor));
    const std::string said = SaidNew(proposal, typed, CalculateEntries(entries));
    const std::string narrow =
        floor < least ? proposal + ": its tolerance lies below half the tooth-thickness " +
                            "tolerance (" + LengthInMessage(least) +
                            "), which is usual; with that tolerance the premachining raises " +
                            "the tip so far that the calculation says:" +
                            MessagesWithRemedies(narrowed, narrowedEntries.get())
                      : std::string();
    if (!said.empty() || !narrow.empty()) ShowMessage(Paragraphs(narrow, said));
}

void TForm_qual::CopyGear(int from) {
    const GearControls& s = FGear[from];
    GearControls& t = FGear[3 - from];
    t.Qual->SetItemIndex(s.Qual->ItemIndex());
    t.Tol->SetItemIndex(s.Tol->ItemIndex());
    t.Asn->SetItemIndex(s.Asn->ItemIndex());
    t.Asne->SetText(s.Asne->Text());
    t.Asni->SetText(s.Asni->Text());
    t.Q->SetText(s.Q->Text());
    t.QTol->SetText(s.QTol->Text());
    t.Correction->SetText(s.Correction->Text());
    RefreshDisplay();
}

void TForm_qual::Button_metricClick(TObject*) {
    TScratchGearData scratch;
    if (!StoreControls()) return;
    ToggleUnitSystem();
    LoadControls();
    RefreshDisplay();
}
