// lqor1mes: the measurement dialog.
#include "shell/measurement_dialog.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "calc/geardata.h"
#include "calc/inspect.h"
#include "calc/tables.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/help.h"
#include "framework/ui/questions.h"

namespace {
constexpr int kLabelWidth = 210, kEdit = 232, kRow = 29, kTop = 16;

// What k counts: a span measurement takes k teeth of an external gear between its anvils, and
// k spaces of a ring gear.
std::string SpannedText() {
    return GearData.z[2] < 0 ? "No. of spaces measured" : "No. of teeth measured";
}

// What the calculation with a proposed value says that the user is to be told: what it did not
// say with the entries before, and what it still says about the designed gear's own value (its
// message names one of own), so no message follows an accepted proposal that its box did not
// name.
std::string SaidAfter(const std::string& proposal, const TEntriesCalculation& before,
                      const TEntriesCalculation& after, std::initializer_list<const char*> own,
                      const std::function<bool(const std::string&)>& unsaid) {
    std::vector<std::string> fresh = NewMessages(before, after), still;
    for (const std::string& m : after.Messages) {
        const bool mine = std::any_of(own.begin(), own.end(),
                                      [&m](const char* t) { return m.find(t) != m.npos; }) &&
                          (m.find("(2)") != m.npos || m.find(" 2 !") != m.npos);
        if (mine && before.Held && std::find(fresh.begin(), fresh.end(), m) == fresh.end())
            still.push_back(m);
    }
    std::erase_if(fresh, unsaid);
    std::erase_if(still, unsaid);
    return Paragraphs(SaidNew(proposal, fresh, after.Entries.get()),
                      still.empty() ? std::string()
                                    : proposal + ": with it the calculation still says:" +
                                          MessagesWithRemedies(still, after.Entries.get()));
}

} // namespace

void ProposeMeasurement(TGearData& g) {
    for (int i = 1; i <= 2; ++i) {
        g.k[i] = ProposeTeethSpanned(i).k;
        if (const long double DM = ProposeBallDiameter(i).DM; std::isfinite(DM)) g.DM[i] = DM;
    }
    g.MeasureMode = 0;
}

TForm_messen::TForm_messen(TComponent* AOwner) : TInputForm(AOwner) {
    SetName("Form_messen");
    SetClientWidth(5 * 104 + 12);
    SetClientHeight(kTop + 3 * kRow + 16);
    // The column titles and gear 1 lie under gear 2 and stay hidden.
    Label_rad1 = NewLabel(this, "Label_rad1", "gear 1", kEdit, 0, 90);
    Label_rad2 = NewLabel(this, "Label_rad2", "gear 2", kEdit, 0, 90);
    Label_k = NewLabel(this, "Label_k", "No. of teeth measured k", 16, kTop, kLabelWidth);
    Label_dm =
        NewLabel(this, "Label_dm", "Ball and pin diameters DM", 16, kTop + kRow, kLabelWidth);
    Edit_k1 =
        NewValueEdit(this, "Edit_k1", TValueKind::Rounded, InputRange::Teeth, kEdit, kTop, 90);
    Edit_k2 =
        NewValueEdit(this, "Edit_k2", TValueKind::Rounded, InputRange::Teeth, kEdit, kTop, 90);
    Edit_dm1 = NewValueEdit(this, "Edit_dm1", TValueKind::Length, InputRange::ZeroOrLength, kEdit,
                            kTop + kRow, 90);
    Edit_dm2 = NewValueEdit(this, "Edit_dm2", TValueKind::Length, InputRange::ZeroOrLength, kEdit,
                            kTop + kRow, 90);
    Edit_k1->Caption = Edit_k2->Caption = Label_k;
    Edit_dm1->Caption = Edit_dm2->Caption = Label_dm;
    Button_k =
        NewButton(this, "Button_k", "<", kEdit + 96, kTop, 32, [this] { Button_kClick(this); });
    Label_dmu = NewLabel(this, "Label_dmu", "", kEdit + 96, kTop + kRow, 30);
    Button_dm = NewButton(this, "Button_dm", "<", kEdit + 130, kTop + kRow, 32,
                          [this] { Button_dmClick(this); });
    CheckBox_vq2 = NewCheckBox(this, "CheckBox_vq2", "", kEdit + 170, kTop, 100, nullptr);

    const int bottom = kTop + 2 * kRow + 12;
    CreateOkCancel(8, bottom, [this] {
        if (!StoreControls()) return false;
        GearData.MeasureMode = 0; // the values are entered now
        return true;
    });
    Button_ok = FOk;
    Button_cancel = FCancel;
    for (TButton* b : {Button_ok, Button_cancel})
        b->SetWidth(98);
    Button_cancel->SetLeft(8 + 104);
    Button_help = NewButton(this, "Button_help", "&Help", 8 + 2 * 104, bottom, 98, [] {
        ShowHelp(9020, 0, 1);
        AbortFlag = 0;
    });
    Button_hilfebild =
        NewButton(this, "Button_hilfebild", "Aux. &Image", 8 + 3 * 104, bottom, 98, [this] {
            {
                TScratchGearData scratch;
                if (StoreControls()) ShowHelp(9020, 0, 2);
            }
            AbortFlag = 0;
            ToFront();
        });
    Button_metric = NewButton(this, "Button_metric", "mm <--> i&n", 8 + 4 * 104, bottom, 98,
                              [this] { Button_metricClick(this); });
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

void TForm_messen::FormCreate(TObject*) {
    FitForm(this);
    SetCaption(ProductTitle + "  " + SpannedText() + ", " + "Ball and pin diameters");
    for (TControl* c :
         std::initializer_list<TControl*>{CheckBox_vq2, Edit_k1, Edit_dm1, Label_rad1, Label_rad2})
        c->Hide();
    LoadControls();
}

void TForm_messen::LoadControls() {
    const TGearData& g = GearData;
    Edit_dm1->ShowValue(g.DM[1], LengthToStr(g.DM[1]));
    Edit_dm2->ShowValue(g.DM[2], LengthToStr(g.DM[2]));
    Label_dmu->SetCaption(LengthUnitText());
    Label_k->SetCaption(SpannedText() + " k");
    Edit_k1->ShowValue(g.k[1], IntToString(g.k[1]));
    Edit_k2->ShowValue(g.k[2], IntToString(g.k[2]));
}

bool TForm_messen::StoreControls(bool report) {
    TGearData& g = GearData;
    long double dm1 = 0, dm2 = 0;
    std::int32_t k1 = 0, k2 = 0;
    if (!ReadValues(
            {{Edit_dm1, &dm1}, {Edit_dm2, &dm2}, {Edit_k1, nullptr, &k1}, {Edit_k2, nullptr, &k2}},
            report))
        return false;
    g.DM[1] = dm1;
    g.DM[2] = dm2;
    g.k[1] = k1;
    g.k[2] = k2;
    return true;
}

long double SpanFaceWidth(int i, std::int32_t k) {
    const TGearData& g = GearData;
    // The span over the premachined lower limit, as the calculation's face-width check takes it.
    const long double W = TSpanGauge(i).Span(k, 0);
    return std::sin(g.betab) * W + 2 + 0.03L * W;
}

TSpanProposal ProposeTeethSpanned(int i) {
    const TGearData& g = GearData;
    TSpanGauge gauge(i);
    TSpanProposal p;
    p.k = gauge.Nearest(kmess(g.z[i], g.betaRad, g.alphaRad, g.xEmin[i], g.mn), p.Fits);
    // The span must be taken across the face width of a helical gear.
    auto wide = [&](std::int32_t k) {
        const long double span = gauge.Span(k, 0);
        return !(g.beta > 0 && g.bGear[i] < std::sin(g.betab) * span + 2 + 0.03L * span);
    };
    p.Wide = wide(p.k);
    if (!p.Fits || p.Wide) return p;
    // Among the k that touch the usable flank (one run), the nearest that the face width takes.
    const std::int32_t s = g.z[i] < 0 ? -1 : 1;
    for (std::int32_t d = 1;; ++d) {
        bool inside = false;
        for (const std::int32_t k : {p.k - s * d, p.k + s * d}) {
            if (k * s < 1 || !gauge.Fits(k)) continue;
            inside = true;
            if (wide(k)) {
                p.k = k;
                p.Wide = true;
                return p;
            }
        }
        if (!inside) return p;
    }
}

bool TForm_messen::StoreEntries() {
    if (!StoreControls(false)) return false;
    GearData.MeasureMode = 0; // as OK stores them
    return true;
}

bool TForm_messen::ProposeForBoth(const std::function<void(int)>& propose,
                                  TEntriesCalculation& before) {
    // Proposed from the entries and the last calculation; the data changes only on OK.
    TScratchGearData scratch;
    if (!ProposalCalculationHeld() || !StoreControls()) return false;
    before = CalculateEntries([this] { return StoreEntries(); });
    for (int i = 1; i <= 2; ++i)
        propose(i);
    LoadControls();
    return true;
}

void TForm_messen::Button_kClick(TObject*) {
    TEntriesCalculation before;
    TSpanProposal last;
    if (!ProposeForBoth(
            [&last](int i) {
                const TSpanProposal p = ProposeTeethSpanned(i);
                GearData.k[i] = p.k;
                if (i == 2) last = p; // gear 1 is the hidden companion
            },
            before))
        return;
    std::string said;
    if (!last.Fits)
        said = SpannedText() +
               " k: no span touches the usable flank (dFf .. dFa) at every shift measured. The k "
               "proposed comes nearest; its anvils touch outside it.";
    if (!last.Wide)
        said +=
            (said.empty() ? SpannedText() + " k: the" : std::string(" The")) + " face width b " +
            LengthInMessage(GearData.bGear[2]) + " is below the " +
            LengthInMessage(SpanFaceWidth(2, last.k)) +
            " the span over the k proposed needs (\"Warning: b < b min.\")" +
            (last.Fits ? ", and below that of every k whose span touches the usable flank." : ".") +
            " A wider face width takes it; the dimension over balls needs none.";
    // The face-width warning is named above where it stays.
    said = Paragraphs(said, SaidAfter(SpannedText() + " k " + Edit_k2->Text(), before,
                                      CalculateEntries([this] { return StoreEntries(); }),
                                      {"span contact", "No. of teeth measured", "b < b min"},
                                      [&last](const std::string& m) {
                                          return !last.Wide && m.find("b < b min") != m.npos;
                                      }));
    if (!said.empty()) ShowMessage(said);
}

void TForm_messen::Button_dmClick(TObject*) {
    TEntriesCalculation before;
    TBallProposal last;
    if (!ProposeForBoth(
            [&last](int i) {
                const TBallProposal p = ProposeBallDiameter(i);
                if (std::isfinite(p.DM)) GearData.DM[i] = p.DM;
                if (i == 2) last = p;
            },
            before))
        return;
    std::string said;
    if (!last.Fits)
        said = std::string("Ball diameter DM: no ball stands above the tip circle and touches the "
                           "usable flank (dFf .. dFa) at both allowance limits. ") +
               (!last.Seats ? "The ball proposed finds no seat between the flanks at one of them "
                              "(it would touch at or below the base circle)."
                : TBallGauge(2).HighEnough(last.DM)
                    ? "The ball proposed stands above the tip circle; its contact leaves the "
                      "usable flank."
                    : "No ball that finds a seat at every limit stands above the tip circle; the "
                      "ball proposed is the largest that does.");
    said = Paragraphs(said, SaidAfter("Ball diameter DM " + LengthInMessage(Edit_dm2->Peek()),
                                      before, CalculateEntries([this] { return StoreEntries(); }),
                                      {"ball diameter", "Dm ball", "ball contact", "no ball"},
                                      [](const std::string&) { return false; }));
    if (!said.empty()) ShowMessage(said);
}

void TForm_messen::Button_metricClick(TObject*) {
    TScratchGearData scratch;
    if (!StoreControls()) return;
    ToggleUnitSystem();
    LoadControls();
}
